#include "entities/ToolTip.h"

namespace {
constexpr SDL_Color BORDER_COLOR{255, 255, 255, 255};
constexpr int TOOLTIP_CHAR_DELAY = 50;
} // namespace

ToolTip::ToolTip(SDL_Renderer* renderer, const std::string& text, const std::string& fontPath,
                 int fontSize, const SDL_Color& textColor, const SDL_Color& backgroundColor,
                 int margin)
    : renderer(renderer),
      text(renderer, text, 0, 0, fontPath, fontSize, textColor, 0.0F, 0.0F, true, false, 0,
           TOOLTIP_CHAR_DELAY),
      backgroundColor(backgroundColor),
      margin(margin) {
    updateBackgroundSize();
}

void ToolTip::setText(const std::string& newText) {
    text.setText(newText);
    updateBackgroundSize();
}

void ToolTip::setPosition(int x, int y) {
    changes.set(background.x, x);
    changes.set(background.y, y);
    text.setPosition(x + margin, y + margin);
}

void ToolTip::updateBackgroundSize() {
    int textWidth = 0;
    int textHeight = 0;
    if (text.getFont() == nullptr ||
        TTF_SizeUTF8(text.getFont(), text.getText().c_str(), &textWidth, &textHeight) != 0) {
        textWidth = 0;
        textHeight = 0;
    }
    changes.set(background.w, textWidth + 2 * margin);
    changes.set(background.h, textHeight + 2 * margin);
}

bool ToolTip::takeChange() {
    const bool labelChanged = text.takeChange();
    return changes.take() || (labelChanged && visible);
}

void ToolTip::render() {
    if (!visible) {
        return;
    }
    Uint8 r = 0;
    Uint8 g = 0;
    Uint8 b = 0;
    Uint8 a = 0;
    SDL_GetRenderDrawColor(renderer, &r, &g, &b, &a);
    SDL_SetRenderDrawColor(renderer, backgroundColor.r, backgroundColor.g, backgroundColor.b,
                           backgroundColor.a);
    SDL_RenderFillRect(renderer, &background);
    const SDL_Rect border{background.x + 1, background.y + 1, background.w - 2, background.h - 2};
    SDL_SetRenderDrawColor(renderer, BORDER_COLOR.r, BORDER_COLOR.g, BORDER_COLOR.b, BORDER_COLOR.a);
    SDL_RenderDrawRect(renderer, &border);
    SDL_SetRenderDrawColor(renderer, r, g, b, a);
    text.render();
}
