#pragma once
// Shared fixtures for the entity tests: SDL and its libraries started headless, a software
// renderer drawing into a surface whose pixels can be read back, solid-colour textures and
// images on disk, and a capture of the log file.

#include "core/SdlPtrs.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

// Font shipped with the program.
std::string assetFont(const char* name);

class SdlTest : public ::testing::Test {
protected:
    static constexpr int SURFACE_WIDTH = 320;
    static constexpr int SURFACE_HEIGHT = 200;

    void SetUp() override;
    void TearDown() override;

    // Colour of one pixel of the target surface, as (r, g, b).
    SDL_Color pixelAt(int x, int y);
    void clear(SDL_Color color);
    // Number of pixels in the area whose three channels are all above 128.
    int litPixels(SDL_Rect area);
    // A texture of one colour owned by the caller.
    SDL_Texture* solidTexture(SDL_Color color, int width = 4, int height = 4);
    // Writes a PNG of one colour into the scratch directory and returns its path.
    std::string solidImageFile(const std::string& name, SDL_Color color);
    // Everything logged since SetUp.
    std::string logText();

    SdlSurfacePtr surface;
    SDL_Renderer* renderer = nullptr;
    std::filesystem::path scratch;
};

inline bool sameRgb(SDL_Color a, SDL_Color b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

inline constexpr SDL_Color RED{255, 0, 0, 255};
inline constexpr SDL_Color GREEN{0, 255, 0, 255};
inline constexpr SDL_Color BLUE{0, 0, 255, 255};
inline constexpr SDL_Color BLACK{0, 0, 0, 255};
inline constexpr SDL_Color WHITE{255, 255, 255, 255};
