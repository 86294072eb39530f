#pragma once
// A one-line label on a filled box with a white inner border, drawn above a scene near the pointer.

#include "entities/ChangeFlag.h"
#include "entities/TextString.h"

#include <SDL.h>

#include <string>

class ToolTip {
public:
    // The label opens its own font. The tooltip starts hidden.
    ToolTip(SDL_Renderer* renderer, const std::string& text, const std::string& fontPath,
            int fontSize, const SDL_Color& textColor, const SDL_Color& backgroundColor,
            int margin = 5);

    // Replaces the label's text and resizes the box.
    void setText(const std::string& newText);
    // Box corner at (x, y); the label sits margin pixels inside it.
    void setPosition(int x, int y);
    // Box = the label's text measured as one line, plus the margin on every side.
    void updateBackgroundSize();
    // Box, border and label, only while visible.
    void render();
    void show() { changes.set(visible, true); }
    void hide() { changes.set(visible, false); }
    // Whether what the tooltip draws changed since the last call (see ChangeFlag).
    bool takeChange();
    bool isVisible() const { return visible; }
    int getWidth() const { return background.w; }
    int getHeight() const { return background.h; }
    int getX() const { return background.x; }
    int getY() const { return background.y; }
    const TextString& getLabel() const { return text; }

private:
    SDL_Renderer* renderer = nullptr; // not owned
    TextString text;
    SDL_Rect background{0, 0, 0, 0};
    SDL_Color backgroundColor{255, 255, 255, 255};
    int margin = 5;
    bool visible = false;
    ChangeFlag changes;
};
