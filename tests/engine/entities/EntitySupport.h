#pragma once
// Fixture for the entity tests: SDL headless, a software renderer drawing into a surface whose
// pixels are read back, solid-colour textures and image files, and the log file captured.

#include "TestSupport.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

std::string assetFont(const char* name);
// Starts SDL headless with the program's one window (identifier 1) and its renderer.
SDL_Renderer* startWindowed(SDL_Window*& window, int width, int height);
void resizeWindow(SDL_Window* window, int width, int height);

inline bool sameRgb(SDL_Color a, SDL_Color b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

inline constexpr SDL_Color RED{255, 0, 0, 255};
inline constexpr SDL_Color GREEN{0, 255, 0, 255};
inline constexpr SDL_Color BLUE{0, 0, 255, 255};
inline constexpr SDL_Color BLACK{0, 0, 0, 255};
inline constexpr SDL_Color WHITE{255, 255, 255, 255};

class SdlTest : public ::testing::Test {
protected:
    static constexpr int SURFACE_WIDTH = 320;
    static constexpr int SURFACE_HEIGHT = 200;

    void SetUp() override;
    void TearDown() override;

    SDL_Color pixelAt(int x, int y);
    // Pixels of the area whose three channels are all above 128.
    int litPixels(SDL_Rect area);
    void clear(SDL_Color color);
    SDL_Texture* solidTexture(SDL_Color color);
    // A PNG of one colour in the scratch directory; returns its path.
    std::string solidImageFile(const std::string& name, SDL_Color color);
    std::string logText();

    SDL_Surface* surface = nullptr;
    SDL_Renderer* renderer = nullptr;
    testsupport::TempDir scratch;
};
