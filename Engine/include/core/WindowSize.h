#pragma once
// The window's size. Start-up fits the window to the screen and reads its real size back into
// WINDOW_WIDTH and WINDOW_HEIGHT; the main loop keeps them equal to the window on every size change.

#include <SDL.h>

extern int WINDOW_WIDTH;
extern int WINDOW_HEIGHT;

inline constexpr int DEFAULT_WINDOW_WIDTH = 1920;
inline constexpr int DEFAULT_WINDOW_HEIGHT = 1080;
// Small enough for any screen, large enough that the chamber stays legible.
inline constexpr int MINIMUM_WINDOW_WIDTH = 480;
inline constexpr int MINIMUM_WINDOW_HEIGHT = 270;

// Where the window's drawing area opens in room, a display's usable area less the window's frame:
// the default size when it fits, otherwise the largest whole multiple of 16 x 9 that does (never
// below the minimum size), centred in room.
SDL_Rect fitWindow(const SDL_Rect& room);
