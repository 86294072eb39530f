#include "EntitySupport.h"

#include "core/Logging.h"
#include "entities/ImageEntity.h"

#include <SDL_image.h>
#include <SDL_ttf.h>

#include <cstdlib>

std::string assetFont(const char* name) { return std::string(MURKMOOT_SOURCE_DIR) + "/Assets/TTF/" + name; }

std::vector<int> bounds(const Entity& entity) {
    const auto& image = dynamic_cast<const ImageEntity&>(entity);
    return {image.getX(), image.getY(), image.getWidth(), image.getHeight(), image.getOpacity()};
}

void SdlTest::SetUp() {
    setenv("SDL_VIDEODRIVER", "dummy", 0); // headless also when run by hand
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    ASSERT_EQ(TTF_Init(), 0);
    surface = SDL_CreateRGBSurfaceWithFormat(0, 320, 200, 32, SDL_PIXELFORMAT_ARGB8888);
    renderer = SDL_CreateSoftwareRenderer(surface); // on a black surface
    logFile.open(scratch.path() / "log.txt");
}

void SdlTest::TearDown() {
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

int SdlTest::count(SDL_Rect area, SDL_Color colour) {
    int found = 0;
    for (int i = 0; i < area.w * area.h; ++i) {
        found += static_cast<int>(shows(area.x + i % area.w, area.y + i / area.w, colour));
    }
    return found;
}

void SdlTest::clear(SDL_Color colour) {
    SDL_SetRenderDrawColor(renderer, colour.r, colour.g, colour.b, colour.a);
    SDL_RenderClear(renderer);
}

std::string SdlTest::solidImageFile(const std::string& name, SDL_Color colour) {
    SDL_Surface* image = SDL_CreateRGBSurfaceWithFormat(0, 4, 4, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_FillRect(image, nullptr, SDL_MapRGBA(image->format, colour.r, colour.g, colour.b, colour.a));
    const std::string path = (scratch.path() / name).string();
    IMG_SavePNG(image, path.c_str());
    SDL_FreeSurface(image);
    return path;
}

SDL_Texture* SdlTest::solidTexture(SDL_Color colour) {
    return IMG_LoadTexture(renderer, solidImageFile("texture.png", colour).c_str());
}
