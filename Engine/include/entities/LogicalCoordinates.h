#pragma once
// The one conversion from window pixels to the renderer's logical drawing space, shared by every
// hit test, so a click lands where the renderer drew (letterbox bars included).

#include <SDL.h>

struct LogicalPoint {
    int x = 0;
    int y = 0;
    // False when the point lies in the bars outside the logical area: it must hit nothing.
    bool inDrawingArea = true;
};

// The arithmetic part: (mappedX, mappedY) is a window point already mapped into logical space;
// it is truncated toward zero and tested against the logical area. A logical size of 0 in either
// direction means "no logical size": the point is inside wherever it is.
LogicalPoint toLogicalPoint(float mappedX, float mappedY, int logicalWidth, int logicalHeight);

// Maps a window pixel through SDL's own window-to-logical mapping of this renderer. Without a
// logical size, without a window behind the renderer, or without a renderer, window pixels are
// used as they are.
LogicalPoint windowToLogical(SDL_Renderer* renderer, int windowX, int windowY);
