#include "CoreTestSupport.h"

#include "core/RenderUtils.h"
#include "core/SdlPtrs.h"

#include <gtest/gtest.h>

#include <climits>

namespace {
std::pair<int, int> logical(int x, int y, int width, int height) {
    const SDL_Point p = RenderUtils::windowToLogical(x, y, width, height);
    return {p.x, p.y};
}
} // namespace

TEST(RenderUtils, WindowToLogicalArithmetic) {
    using P = std::pair<int, int>;
    EXPECT_EQ(logical(960, 540, 1920, 1080), P(1920, 1080));
    EXPECT_EQ(logical(1919, 1079, 1920, 1080), P(3838, 2158));
    // Square windows are stretched per axis; letterbox bars are not subtracted.
    EXPECT_EQ(logical(500, 500, 1000, 1000), P(1920, 1080));
    EXPECT_EQ(logical(999, 999, 1000, 1000), P(3836, 2157));
    // A collapsed axis maps to 0 instead of dividing by zero.
    EXPECT_EQ(logical(10, 10, 0, 1080), P(0, 20));
    EXPECT_EQ(logical(10, 10, 0, 0), P(0, 0));
    EXPECT_EQ(logical(INT_MAX, INT_MIN, 1, 1), P(INT_MAX, INT_MIN));
}

TEST(RenderUtils, LogicalSizeIsAlwaysTheBaseResolution) {
    LogCapture log;
    setDebugEnabled(true);
    SdlSurfacePtr surface(SDL_CreateRGBSurfaceWithFormat(0, 64, 36, 32, SDL_PIXELFORMAT_RGBA8888));
    ASSERT_TRUE(surface);
    SdlRendererPtr renderer(SDL_CreateSoftwareRenderer(surface.get()));
    ASSERT_TRUE(renderer);
    for (const auto& [w, h] : {std::pair{0, 0}, std::pair{1000, 1000}}) {
        SDL_RenderSetLogicalSize(renderer.get(), 10, 10);
        RenderUtils::adjustLogicalSize(renderer.get(), w, h);
        int width = 0;
        int height = 0;
        SDL_RenderGetLogicalSize(renderer.get(), &width, &height);
        EXPECT_EQ(width, 3840);
        EXPECT_EQ(height, 2160);
    }
    setDebugEnabled(false);
    EXPECT_NE(log.text().find("--[DEBUG] Drawable size: 0 x 0 ["), std::string::npos);
    EXPECT_NE(log.text().find("--[DEBUG] Adjusted logical size: 3840 x 2160 ["), std::string::npos);
    EXPECT_NE(log.text().find("] [Engine/src/core/RenderUtils:"), std::string::npos);
}

TEST(RenderUtils, ScaledMousePositionReadsTheWindow) {
    // The dummy driver even when run by hand on a desktop: a real one may resize the window.
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "dummy", SDL_HINT_OVERRIDE);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    {
        SdlWindowPtr window(SDL_CreateWindow("t", 0, 0, 1000, 1000, 0));
        ASSERT_TRUE(window) << SDL_GetError();
        SDL_WarpMouseInWindow(window.get(), 999, 999);
        SDL_PumpEvents();
        int x = -1;
        int y = -1;
        RenderUtils::getScaledMousePosition(x, y, window.get());
        EXPECT_EQ(x, 3836);
        EXPECT_EQ(y, 2157);
    }
    SDL_Quit();
}
