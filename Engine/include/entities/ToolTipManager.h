#pragma once
// Owner of the program's one tooltip: places it below the pointer and keeps it inside the
// drawable area. Every operation does nothing until init() has run.

#include "entities/ToolTip.h"

#include <SDL.h>

#include <memory>
#include <string>

class ToolTipManager {
public:
    static ToolTipManager& getInstance();

    ToolTipManager(const ToolTipManager&) = delete;
    ToolTipManager& operator=(const ToolTipManager&) = delete;

    // Creates the tooltip, replacing any earlier one.
    void init(SDL_Renderer* newRenderer, const std::string& fontPath, int fontSize,
              SDL_Color textColor, SDL_Color backgroundColor);
    // Shows text centred below (mouseX, mouseY) in logical pixels, flipped above the pointer at
    // the bottom edge and pushed in at the sides. The same text while shown stays where it is.
    void showToolTip(const std::string& text, int mouseX, int mouseY);
    // Hides it and forgets the text, so the next show places it anew.
    void hideToolTip();
    void render();
    // Whether what the tooltip draws changed since the last call (see ChangeFlag).
    bool takeChange();
    // Destroys the tooltip and returns to the uninitialised state. Shutdown calls it before the
    // renderer and SDL_ttf go, since the label's texture and font belong to them.
    void shutdown();

    bool isShowing() const { return visible; }
    // The tooltip, or null before init().
    const ToolTip* getToolTip() const { return toolTip.get(); }

    // Space between the pointer and the box.
    static constexpr int POINTER_GAP = 12;

private:
    ToolTipManager() = default;

    std::unique_ptr<ToolTip> toolTip;
    SDL_Renderer* renderer = nullptr; // not owned
    bool initialized = false;
    bool visible = false;
    std::string currentText;
};
