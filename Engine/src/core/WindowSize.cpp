#include "core/WindowSize.h"

#include <algorithm>

int WINDOW_WIDTH = DEFAULT_WINDOW_WIDTH;
int WINDOW_HEIGHT = DEFAULT_WINDOW_HEIGHT;

SDL_Rect fitWindow(const SDL_Rect& room) {
    int width = DEFAULT_WINDOW_WIDTH;
    int height = DEFAULT_WINDOW_HEIGHT;
    if (room.w < width || room.h < height) {
        // Whole multiples keep the picture exactly 16:9, with no letterbox bar of a pixel.
        const int steps = std::max(std::min(room.w / 16, room.h / 9), MINIMUM_WINDOW_WIDTH / 16);
        width = steps * 16;
        height = steps * 9;
    }
    return {room.x + (room.w - width) / 2, room.y + (room.h - height) / 2, width, height};
}
