#include "entities/LogicalCoordinates.h"

#include "entities/SaturatingMath.h"

LogicalPoint toLogicalPoint(float mappedX, float mappedY, int logicalWidth, int logicalHeight) {
    LogicalPoint point;
    point.x = truncateToInt(mappedX);
    point.y = truncateToInt(mappedY);
    if (logicalWidth > 0 && logicalHeight > 0) {
        // Tested on the unrounded values: -0.5 truncates to 0 but lies in the bar.
        point.inDrawingArea = mappedX >= 0.0F && mappedY >= 0.0F &&
                              mappedX < static_cast<float>(logicalWidth) &&
                              mappedY < static_cast<float>(logicalHeight);
    }
    return point;
}

LogicalPoint windowToLogical(SDL_Renderer* renderer, int windowX, int windowY) {
    int logicalWidth = 0;
    int logicalHeight = 0;
    if (renderer != nullptr) {
        SDL_RenderGetLogicalSize(renderer, &logicalWidth, &logicalHeight);
    }
    // A renderer drawing into a surface has no window and so no pointer mapping of its own.
    if (renderer == nullptr || logicalWidth == 0 || logicalHeight == 0 ||
        SDL_RenderGetWindow(renderer) == nullptr) {
        return LogicalPoint{windowX, windowY, true};
    }
    float mappedX = 0.0F;
    float mappedY = 0.0F;
    SDL_RenderWindowToLogical(renderer, windowX, windowY, &mappedX, &mappedY);
    return toLogicalPoint(mappedX, mappedY, logicalWidth, logicalHeight);
}
