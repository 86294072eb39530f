#pragma once
// Fixture for the entity tests: SDL headless, a software renderer drawing into a 320 × 200
// surface whose pixels are read back, solid-colour image files, and the log file captured.

#include "TestSupport.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

class Entity;

std::string assetFont(const char* name);
// An image entity's x, y, width, height and opacity.
std::vector<int> bounds(const Entity& entity);

inline constexpr SDL_Color RED{255, 0, 0, 255};
inline constexpr SDL_Color GREEN{0, 255, 0, 255};
inline constexpr SDL_Color BLUE{0, 0, 255, 255};
inline constexpr SDL_Color BLACK{0, 0, 0, 255};
inline constexpr SDL_Color WHITE{255, 255, 255, 255};

class SdlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    SDL_Color pixelAt(int x, int y);
    bool shows(int x, int y, SDL_Color c) {
        const SDL_Color p = pixelAt(x, y);
        return p.r == c.r && p.g == c.g && p.b == c.b;
    }
    // Pixels of the area in that colour.
    int count(SDL_Rect area, SDL_Color colour);
    void clear(SDL_Color colour);
    // A PNG of one colour in the scratch directory, and the texture loaded from one.
    std::string solidImageFile(const std::string& name, SDL_Color colour);
    SDL_Texture* solidTexture(SDL_Color colour);

    SDL_Surface* surface = nullptr;
    SDL_Renderer* renderer = nullptr;
    testsupport::TempDir scratch;
};
