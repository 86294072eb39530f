#pragma once
// A single-line text input field: a background (an image, or a white box with a grey border),
// the typed UTF-8 text left-aligned and vertically centred, clipped to the box with its end in
// view, and a caret blinking while the box has keyboard focus.

#include "core/SdlPtrs.h"
#include "entities/ChangeFlag.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <string>

class TextBox {
public:
    // Font and background failures are reported and leave the box usable (a box without a font
    // collects text but draws nothing).
    TextBox(int x, int y, int width, int height, const std::string& fontPath, int fontSize,
            SDL_Color textColor, SDL_Renderer* renderer, const std::string& bgImagePath);
    ~TextBox();

    TextBox(const TextBox&) = delete;
    TextBox& operator=(const TextBox&) = delete;

    // A mouse press focuses the box when the pointer is strictly inside it (edges are outside)
    // and unfocuses it otherwise, starting or stopping SDL text input. While focused, typed text
    // is appended and Backspace removes the last whole character.
    void handleEvent(SDL_Event& event);
    // Draws background, text and caret; the caret is shown during the even half-seconds.
    void render();
    // The same with the clock given, in milliseconds since SDL started.
    void render(Uint32 ticks);
    // Notes, at that clock, whether the caret blinked on or off since the last call.
    void update(Uint32 ticks);
    // Whether what the box draws changed since the last call (see ChangeFlag): text, focus or caret.
    bool takeChange() { return changes.take(); }

    const std::string& getInput() const { return input; }
    bool isActive() const { return active; }
    // Changes the focus flag only; SDL text input is left as it is.
    void setActive(bool isActive) { changes.set(active, isActive); }

    // Caret width in pixels.
    static constexpr int CARET_WIDTH = 2;

private:
    SDL_Rect rect{0, 0, 0, 0};
    std::string input;
    TtfFontPtr font;
    SDL_Color textColor{255, 255, 255, 255};
    SdlTexturePtr backgroundTexture;
    SDL_Renderer* renderer = nullptr; // not owned
    bool active = false;
    bool caretShown = false; // as of the last update
    ChangeFlag changes;
};
