// Preloaded into the windowed program by bench/chamber.sh: writes one line per presented frame,
// "<milliseconds, steady clock> <textures copied into that frame>", to $PRESENT_LOG; a canvas (a
// target texture) copied to the window is not counted. The old and the new build are measured
// through it alike, so neither needs counting code of its own.
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

struct SDL_Renderer;
struct SDL_Texture;

namespace {
std::FILE* out = nullptr;
long copies = 0;

template <typename Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}
} // namespace

extern "C" int SDL_RenderCopy(SDL_Renderer* renderer, SDL_Texture* texture, const void* source, const void* target) {
    using Copy = int (*)(SDL_Renderer*, SDL_Texture*, const void*, const void*);
    static const Copy real = next<Copy>("SDL_RenderCopy");
    using Query = int (*)(SDL_Texture*, unsigned*, int*, int*, int*);
    static const Query query = next<Query>("SDL_QueryTexture");
    constexpr int TARGET_ACCESS = 2; // SDL_TEXTUREACCESS_TARGET
    int access = 0;
    // A canvas copied to the window is a copy of the frame, not one of its pictures.
    if (query(texture, nullptr, &access, nullptr, nullptr) != 0 || access != TARGET_ACCESS) {
        ++copies;
    }
    return real(renderer, texture, source, target);
}

extern "C" void SDL_RenderPresent(SDL_Renderer* renderer) {
    using Present = void (*)(SDL_Renderer*);
    static const Present real = next<Present>("SDL_RenderPresent");
    if (out == nullptr && std::getenv("PRESENT_LOG") != nullptr) {
        out = std::fopen(std::getenv("PRESENT_LOG"), "w");
        if (out != nullptr) {
            std::setvbuf(out, nullptr, _IOLBF, 0);
        }
    }
    real(renderer);
    if (out != nullptr) {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::fprintf(out, "%.1f %ld\n", std::chrono::duration<double, std::milli>(now).count(), copies);
    }
    copies = 0;
}
