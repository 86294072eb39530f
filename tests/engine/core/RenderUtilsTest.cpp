#include "core/RenderUtils.h"
#include "core/SdlPtrs.h"
#include "core/WindowSize.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>

TEST(RenderUtils, WindowToLogical) {
    struct Case { int x, y, width, height, logicalX, logicalY; };
    for (const Case& c : std::initializer_list<Case>{
             {960, 540, 1920, 1080, 1920, 1080},
             {1919, 1079, 1920, 1080, 3838, 2158},
             {999, 999, 1000, 1000, 3836, 2157}, // stretched per axis, truncated; bars not subtracted
             {10, 10, 0, 1080, 0, 20},           // a collapsed axis maps to 0
             {1 << 23, INT_MIN, 15, 15, INT_MAX, INT_MIN},  // exactly 2^31 is already out of range
             {INT_MAX, INT_MIN, 1, 1, INT_MAX, INT_MIN}}) {
        const SDL_Point p = RenderUtils::windowToLogical(c.x, c.y, c.width, c.height);
        EXPECT_EQ(std::pair(p.x, p.y), std::pair(c.logicalX, c.logicalY))
            << c.x << ',' << c.y << " in " << c.width << 'x' << c.height;
    }
}

TEST(RenderUtils, SdlSide) {
    {
        SdlSurfacePtr surface(SDL_CreateRGBSurfaceWithFormat(0, 64, 36, 32, SDL_PIXELFORMAT_RGBA8888));
        SdlRendererPtr renderer(SDL_CreateSoftwareRenderer(surface.get()));
        ASSERT_TRUE(renderer) << SDL_GetError();
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

TEST(WindowSize, FitsTheUsableArea) {
    struct Case { SDL_Rect room, window; };
    for (const Case& c : std::initializer_list<Case>{
             {{0, 0, 1920, 1080}, {0, 0, 1920, 1080}},
             {{0, 0, 2560, 1440}, {320, 180, 1920, 1080}}, // the default size, centred
             {{0, 0, 1366, 768}, {3, 1, 1360, 765}},       // the largest whole 16:9 that fits
             {{1920, 24, 1280, 696}, {1944, 25, 1232, 693}}, // a second screen less its panel
             {{0, 0, 1920, 1000}, {72, 0, 1776, 999}},
             {{0, 0, 300, 200}, {-90, -35, 480, 270}}}) {  // never below the minimum size
        const SDL_Rect fitted = fitWindow(c.room);
        EXPECT_TRUE(SDL_RectEquals(&fitted, &c.window))
            << c.room.w << 'x' << c.room.h << " gave " << fitted.x << ',' << fitted.y << ' ' << fitted.w << 'x' << fitted.h;
    }
}
