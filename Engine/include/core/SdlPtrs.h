#pragma once
// Owners for SDL handles: a unique_ptr with a stateless deleter each, so no SDL object needs a
// hand-written Destroy call on every exit path.

#include <SDL.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>

#include <memory>

struct SdlWindowDeleter {
    void operator()(SDL_Window* window) const { SDL_DestroyWindow(window); }
};
struct SdlRendererDeleter {
    void operator()(SDL_Renderer* renderer) const { SDL_DestroyRenderer(renderer); }
};
struct SdlTextureDeleter {
    void operator()(SDL_Texture* texture) const { SDL_DestroyTexture(texture); }
};
struct SdlSurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
struct TtfFontDeleter {
    void operator()(TTF_Font* font) const { TTF_CloseFont(font); }
};
struct MixChunkDeleter {
    void operator()(Mix_Chunk* chunk) const { Mix_FreeChunk(chunk); }
};
struct MixMusicDeleter {
    void operator()(Mix_Music* music) const { Mix_FreeMusic(music); }
};

using SdlWindowPtr = std::unique_ptr<SDL_Window, SdlWindowDeleter>;
using SdlRendererPtr = std::unique_ptr<SDL_Renderer, SdlRendererDeleter>;
using SdlTexturePtr = std::unique_ptr<SDL_Texture, SdlTextureDeleter>;
using SdlSurfacePtr = std::unique_ptr<SDL_Surface, SdlSurfaceDeleter>;
using TtfFontPtr = std::unique_ptr<TTF_Font, TtfFontDeleter>;
using MixChunkPtr = std::unique_ptr<Mix_Chunk, MixChunkDeleter>;
using MixMusicPtr = std::unique_ptr<Mix_Music, MixMusicDeleter>;

// Image textures are shared between entities and their owners.
inline std::shared_ptr<SDL_Texture> makeSharedTexture(SDL_Texture* texture) {
    return {texture, SdlTextureDeleter{}};
}
