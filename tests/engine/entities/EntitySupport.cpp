#include "EntitySupport.h"

#include "core/Logging.h"

#include <SDL_image.h>
#include <SDL_ttf.h>

#include <cstdlib>
#include <unistd.h>
#include <fstream>
#include <sstream>
#include <vector>

std::string assetFont(const char* name) { return std::string(MURKMOOT_SOURCE_DIR) + "/Assets/TTF/" + name; }

void SdlTest::SetUp() {
    // Headless even when run by hand outside CTest.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    ASSERT_EQ(TTF_Init(), 0) << TTF_GetError();
    IMG_Init(IMG_INIT_PNG);
    surface.reset(SDL_CreateRGBSurfaceWithFormat(0, SURFACE_WIDTH, SURFACE_HEIGHT, 32,
                                                 SDL_PIXELFORMAT_ARGB8888));
    ASSERT_TRUE(surface);
    renderer = SDL_CreateSoftwareRenderer(surface.get());
    ASSERT_NE(renderer, nullptr);
    clear(BLACK);

    scratch = std::filesystem::temp_directory_path() /
              ("murkmoot-entities-" + std::to_string(::getpid()));
    std::filesystem::create_directories(scratch);
    logFile.open(scratch / "log.txt");
}

void SdlTest::TearDown() {
    logFile.close();
    if (renderer != nullptr) {
        SDL_DestroyRenderer(renderer);
    }
    surface.reset();
    IMG_Quit();
    TTF_Quit();
    SDL_Quit();
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
}

SDL_Color SdlTest::pixelAt(int x, int y) {
    Uint32 pixel = 0;
    const SDL_Rect spot{x, y, 1, 1};
    SDL_RenderReadPixels(renderer, &spot, SDL_PIXELFORMAT_ARGB8888, &pixel, 4);
    return SDL_Color{static_cast<Uint8>(pixel >> 16), static_cast<Uint8>(pixel >> 8),
                     static_cast<Uint8>(pixel), 255};
}

int SdlTest::litPixels(SDL_Rect area) {
    std::vector<Uint32> pixels(static_cast<std::size_t>(area.w) * static_cast<std::size_t>(area.h));
    SDL_RenderReadPixels(renderer, &area, SDL_PIXELFORMAT_ARGB8888, pixels.data(), area.w * 4);
    int lit = 0;
    for (const Uint32 pixel : pixels) {
        if (((pixel >> 16) & 0xFFU) > 128 && ((pixel >> 8) & 0xFFU) > 128 && (pixel & 0xFFU) > 128) {
            ++lit;
        }
    }
    return lit;
}

void SdlTest::clear(SDL_Color color) {
    SDL_SetRenderDrawColor(renderer, color.r, color.g, color.b, color.a);
    SDL_RenderClear(renderer);
}

SDL_Texture* SdlTest::solidTexture(SDL_Color color, int width, int height) {
    const SdlSurfacePtr image(
        SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888));
    SDL_FillRect(image.get(), nullptr, SDL_MapRGBA(image->format, color.r, color.g, color.b, color.a));
    return SDL_CreateTextureFromSurface(renderer, image.get());
}

std::string SdlTest::solidImageFile(const std::string& name, SDL_Color color) {
    const SdlSurfacePtr image(SDL_CreateRGBSurfaceWithFormat(0, 4, 4, 32, SDL_PIXELFORMAT_ARGB8888));
    SDL_FillRect(image.get(), nullptr, SDL_MapRGBA(image->format, color.r, color.g, color.b, color.a));
    const std::string path = (scratch / name).string();
    EXPECT_EQ(IMG_SavePNG(image.get(), path.c_str()), 0) << IMG_GetError();
    return path;
}

std::string SdlTest::logText() {
    logFile.flush();
    std::ifstream in(scratch / "log.txt");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
