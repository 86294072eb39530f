#include "CoreTestSupport.h"

#include "core/RenderUtils.h"
#include "core/SdlPtrs.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>

namespace {
std::pair<int, int> logical(int x, int y, int width, int height) {
    const SDL_Point p = RenderUtils::windowToLogical(x, y, width, height);
    return {p.x, p.y};
}
} // namespace

TEST(RenderUtils, WindowToLogical) {
    using P = std::pair<int, int>;
    EXPECT_EQ(logical(960, 540, 1920, 1080), P(1920, 1080));
    EXPECT_EQ(logical(1919, 1079, 1920, 1080), P(3838, 2158));
    // Square windows are stretched per axis; letterbox bars are not subtracted.
    EXPECT_EQ(logical(500, 500, 1000, 1000), P(1920, 1080));
    EXPECT_EQ(logical(999, 999, 1000, 1000), P(3836, 2157));
    // A collapsed axis maps to 0; out-of-range products saturate.
    EXPECT_EQ(logical(10, 10, 0, 1080), P(0, 20));
    EXPECT_EQ(logical(10, 10, 0, 0), P(0, 0));
    EXPECT_EQ(logical(INT_MAX, INT_MIN, 1, 1), P(INT_MAX, INT_MIN));
}

TEST(RenderUtils, SdlSide) {
    {
        SdlSurfacePtr surface(SDL_CreateRGBSurfaceWithFormat(0, 64, 36, 32, SDL_PIXELFORMAT_RGBA8888));
        SdlRendererPtr renderer(SDL_CreateSoftwareRenderer(surface.get()));
        ASSERT_TRUE(renderer) << SDL_GetError();
        SDL_RenderSetLogicalSize(renderer.get(), 10, 10);
        RenderUtils::adjustLogicalSize(renderer.get(), 0, 0);
        int width = 0, height = 0;
        SDL_RenderGetLogicalSize(renderer.get(), &width, &height);
        EXPECT_EQ(std::pair(width, height), std::pair(3840, 2160));
    }
    // The dummy driver even when run by hand on a desktop, whose driver might resize the window.
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "dummy", SDL_HINT_OVERRIDE);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    {
        SdlWindowPtr window(SDL_CreateWindow("t", 0, 0, 1000, 1000, 0));
        ASSERT_TRUE(window) << SDL_GetError();
        SDL_WarpMouseInWindow(window.get(), 999, 999);
        int x = -1, y = -1;
        RenderUtils::getScaledMousePosition(x, y, window.get());
        EXPECT_EQ(std::pair(x, y), std::pair(3836, 2157));
    }
    SDL_Quit();
}
