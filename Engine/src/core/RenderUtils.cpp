#include "core/RenderUtils.h"

#include "core/Config.h"
#include "core/Logging.h"

#include <climits>
#include <string>

namespace {
// Ratio first, then the product, in single precision; truncated toward zero. Results beyond the
// int range (a captured mouse far outside a tiny window) saturate instead of overflowing.
int scaleAxis(int position, int windowExtent, int logicalExtent) {
    if (windowExtent <= 0) {
        return 0;
    }
    const float ratio = static_cast<float>(logicalExtent) / static_cast<float>(windowExtent);
    const float scaled = ratio * static_cast<float>(position);
    if (scaled >= static_cast<float>(INT_MAX)) {
        return INT_MAX;
    }
    if (scaled <= static_cast<float>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(scaled);
}
} // namespace

namespace RenderUtils {

void adjustLogicalSize(SDL_Renderer* renderer, int drawableWidth, int drawableHeight) {
    SDL_RenderSetLogicalSize(renderer, BASE_RESOLUTION_WIDTH, BASE_RESOLUTION_HEIGHT);
    LOG_DEBUG("Drawable size: " + std::to_string(drawableWidth) + " x " +
              std::to_string(drawableHeight));
    LOG_DEBUG("Adjusted logical size: " + std::to_string(BASE_RESOLUTION_WIDTH) + " x " +
              std::to_string(BASE_RESOLUTION_HEIGHT));
}

SDL_Point windowToLogical(int windowX, int windowY, int windowWidth, int windowHeight) {
    return {scaleAxis(windowX, windowWidth, BASE_RESOLUTION_WIDTH),
            scaleAxis(windowY, windowHeight, BASE_RESOLUTION_HEIGHT)};
}

void getScaledMousePosition(int& x, int& y, SDL_Window* window) {
    int mouseX = 0;
    int mouseY = 0;
    SDL_GetMouseState(&mouseX, &mouseY);
    int windowWidth = 0;
    int windowHeight = 0;
    SDL_GetWindowSize(window, &windowWidth, &windowHeight);
    const SDL_Point logical = windowToLogical(mouseX, mouseY, windowWidth, windowHeight);
    x = logical.x;
    y = logical.y;
}

} // namespace RenderUtils
