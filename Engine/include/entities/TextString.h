#pragma once
// A text label: UTF-8 text rendered with a TrueType font into one cached texture, drawn at a
// position, optionally wrapped, moving, or revealed one character at a time (the typing effect).

#include "core/Config.h"
#include "core/SdlPtrs.h"
#include "entities/ChangeFlag.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstddef>
#include <string>

class TextString {
public:
    // Velocities are in pixels per millisecond; wrapLength below 1 means one line; charDelay is
    // the milliseconds per revealed character. With typed set nothing shows until the first
    // character is due.
    TextString(SDL_Renderer* renderer, const std::string& text, int x, int y,
               const std::string& fontPath, int fontSize, SDL_Color color, float velocityX,
               float velocityY, bool visible, bool typed = false, int wrapLength = 0,
               int charDelay = DEFAULT_TYPING_DELAY);
    ~TextString();

    TextString(TextString&&) noexcept = default;
    TextString& operator=(TextString&&) noexcept = default;
    TextString(const TextString&) = delete;
    TextString& operator=(const TextString&) = delete;

    // Opens the font; a failure hides the label.
    void loadFont();
    // Re-renders the displayed text into the texture; an empty text renders as one space.
    void createTextTexture();
    // Draws the texture at (x, y) at its own size.
    void render();
    // Moves the text, then reveals every character that is due (the timer's remainder carries over).
    void update(int deltaTime);
    // Replaces the text. While typed the previous texture stays until the first character is due.
    void setText(const std::string& text);
    void setPosition(int newX, int newY);
    void setVisibility(bool isVisible) { changes.set(visible, isVisible); }
    // Switches the typing effect and restarts the reveal from the first character.
    void setTyped(bool isTyped);
    void setWrapLength(int length);
    // A negative delay counts as 0: everything remaining is revealed at once.
    void setCharDelay(int delay) { charDelay = delay < 0 ? 0 : delay; }
    void setColor(const SDL_Color& newColor);
    // Centring by the texture's current size, in an area whose corner is (0, 0); without a
    // texture nothing moves.
    void centerText(int width, int height);
    void xCenterText(int width, int newY);
    void yCenterText(int newX, int height);
    // Releases texture and font.
    void unloadResources();
    // Compares the reveal position with the length of the full text only.
    bool isTypingComplete() const { return typedIndex >= fullText.size(); }
    // The text currently rendered, not the full text.
    const std::string& getText() const { return displayedText; }
    TTF_Font* getFont() const { return font.get(); }

    int getX() const { return x; }
    int getY() const { return y; }
    bool isVisible() const { return visible; }
    // The rendered texture's size, 0 × 0 without one.
    SDL_Point getTextureSize() const;
    // Whether what the label draws changed since the last call (see ChangeFlag).
    bool takeChange() { return changes.take(); }

private:
    SDL_Renderer* renderer = nullptr; // not owned
    SdlTexturePtr texture;
    TtfFontPtr font;
    std::string fullText;
    std::string displayedText;
    std::string fontPath;
    int fontSize = DEFAULT_FONT_SIZE;
    SDL_Color color{255, 255, 255, 255};
    int x = 0;
    int y = 0;
    float velocityX = 0.0F;
    float velocityY = 0.0F;
    bool visible = true;
    bool typed = false;
    std::size_t typedIndex = 0; // byte offset of the next character to reveal
    int charDelay = DEFAULT_TYPING_DELAY;
    int typingTimer = 0;
    int wrapLength = 0;
    ChangeFlag changes;
};
