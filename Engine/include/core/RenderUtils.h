#pragma once
// The tie between the window and the fixed logical drawing space of
// BASE_RESOLUTION_WIDTH x BASE_RESOLUTION_HEIGHT in which every scene is laid out.

#include <SDL.h>

namespace RenderUtils {

// (Re)applies the logical size; SDL then scales uniformly and letterboxes. The drawable size
// only feeds the debug log.
void adjustLogicalSize(SDL_Renderer* renderer, int drawableWidth, int drawableHeight);

// Maps a window position to logical coordinates, stretching each axis over the whole window
// (letterbox bars are not subtracted, so it is exact only for 16:9 windows). An axis of zero
// or negative window size maps to 0.
SDL_Point windowToLogical(int windowX, int windowY, int windowWidth, int windowHeight);

// The current mouse position in logical coordinates, through windowToLogical.
void getScaledMousePosition(int& x, int& y, SDL_Window* window);

} // namespace RenderUtils
