#include "EntitySupport.h"

#include "core/Logging.h"

#include <SDL_image.h>
#include <SDL_ttf.h>

#include <cstdlib>
#include <vector>

std::string assetFont(const char* name) { return std::string(MURKMOOT_SOURCE_DIR) + "/Assets/TTF/" + name; }

namespace {
SDL_Surface* solidSurface(SDL_Color color) {
    SDL_Surface* image = SDL_CreateRGBSurfaceWithFormat(0, 4, 4, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_FillRect(image, nullptr, SDL_MapRGBA(image->format, color.r, color.g, color.b, color.a));
    return image;
}

void startSdl() {
    setenv("SDL_VIDEODRIVER", "dummy", 0); // headless also when run by hand
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    ASSERT_EQ(TTF_Init(), 0);
}
} // namespace

SDL_Renderer* startWindowed(SDL_Window*& window, int width, int height) {
    startSdl();
    window = SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_RESIZABLE);
    EXPECT_EQ(SDL_GetWindowID(window), 1U);
    return SDL_CreateRenderer(window, -1, 0);
}

void resizeWindow(SDL_Window* window, int width, int height) {
    SDL_SetWindowSize(window, width, height);
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
    }
}

void SdlTest::SetUp() {
    startSdl();
    surface = SDL_CreateRGBSurfaceWithFormat(0, SURFACE_WIDTH, SURFACE_HEIGHT, 32, SDL_PIXELFORMAT_ARGB8888);
    renderer = SDL_CreateSoftwareRenderer(surface);
    ASSERT_NE(renderer, nullptr);
    clear(BLACK);
    logFile.open(scratch.path() / "log.txt");
}

void SdlTest::TearDown() {
    flushLogRepeats();
    logFile.close();
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(surface);
    TTF_Quit();
    SDL_Quit();
}

SDL_Color SdlTest::pixelAt(int x, int y) {
    Uint32 pixel = 0;
    const SDL_Rect spot{x, y, 1, 1};
    SDL_RenderReadPixels(renderer, &spot, SDL_PIXELFORMAT_ARGB8888, &pixel, 4);
    return SDL_Color{static_cast<Uint8>(pixel >> 16), static_cast<Uint8>(pixel >> 8), static_cast<Uint8>(pixel), 255};
}

int SdlTest::litPixels(SDL_Rect area) {
    std::vector<Uint32> pixels(static_cast<std::size_t>(area.w * area.h));
    SDL_RenderReadPixels(renderer, &area, SDL_PIXELFORMAT_ARGB8888, pixels.data(), area.w * 4);
    int lit = 0;
    for (const Uint32 pixel : pixels) {
        lit += static_cast<int>(((pixel >> 16) & 0xFFU) > 128 && ((pixel >> 8) & 0xFFU) > 128 && (pixel & 0xFFU) > 128);
    }
    return lit;
}

void SdlTest::clear(SDL_Color color) {
    SDL_SetRenderDrawColor(renderer, color.r, color.g, color.b, color.a);
    SDL_RenderClear(renderer);
}

SDL_Texture* SdlTest::solidTexture(SDL_Color color) {
    SDL_Surface* image = solidSurface(color);
    SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer, image);
    SDL_FreeSurface(image);
    return texture;
}

std::string SdlTest::solidImageFile(const std::string& name, SDL_Color color) {
    SDL_Surface* image = solidSurface(color);
    const std::string path = (scratch.path() / name).string();
    EXPECT_EQ(IMG_SavePNG(image, path.c_str()), 0);
    SDL_FreeSurface(image);
    return path;
}

std::string SdlTest::logText() {
    logFile.flush();
    return testsupport::readFile(scratch.path() / "log.txt");
}
