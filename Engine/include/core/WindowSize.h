#pragma once
// The window's current size in pixels. Start-up creates the window with these values and the
// main loop keeps them equal to the window on every resize.

extern int WINDOW_WIDTH;
extern int WINDOW_HEIGHT;
