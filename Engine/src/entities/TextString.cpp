#include "entities/TextString.h"

#include "core/Logging.h"
#include "entities/SaturatingMath.h"
#include "entities/Utf8Text.h"

#include <algorithm>

namespace {
// SDL_ttf renders nothing for an empty string; a blank keeps a texture (and a size) in place.
const std::string BLANK = " ";
} // namespace

TextString::TextString(SDL_Renderer* renderer, const std::string& text, int x, int y,
                       const std::string& fontPath, int fontSize, SDL_Color color, float velocityX,
                       float velocityY, bool visible, bool typed, int wrapLength, int charDelay)
    : renderer(renderer),
      fullText(text),
      fontPath(fontPath),
      fontSize(fontSize),
      color(color),
      x(x),
      y(y),
      velocityX(velocityX),
      velocityY(velocityY),
      visible(visible),
      typed(typed),
      charDelay(std::max(charDelay, 0)),
      wrapLength(wrapLength) {
    loadFont();
    if (!typed) {
        displayedText = fullText;
        createTextTexture();
    }
}

TextString::~TextString() { unloadResources(); }

void TextString::loadFont() {
    font.reset(TTF_OpenFont(fontPath.c_str(), fontSize));
    if (!font) {
        LOG_ERROR("Failed to load font");
        visible = false;
    }
}

void TextString::createTextTexture() {
    texture.reset();
    changes.mark();
    if (!font || renderer == nullptr) {
        LOG_ERROR("TextString missing font or renderer");
        return;
    }
    // An untyped empty text shows (and reports) a blank. While typing, the blank is only drawn:
    // the revealed characters must not come after a space that is not in the text.
    if (displayedText.empty() && !typed) {
        displayedText = BLANK;
    }
    const std::string& shown = displayedText.empty() ? BLANK : displayedText;
    SdlSurfacePtr surface;
    if (wrapLength < 1) {
        surface.reset(TTF_RenderUTF8_Blended(font.get(), shown.c_str(), color));
    } else {
        surface.reset(TTF_RenderUTF8_Blended_Wrapped(font.get(), shown.c_str(), color,
                                                     static_cast<Uint32>(wrapLength)));
    }
    if (!surface) {
        LOG_ERROR("Failed to create text surface");
        return;
    }
    texture.reset(SDL_CreateTextureFromSurface(renderer, surface.get()));
    if (!texture) {
        LOG_ERROR("Failed to create texture from surface");
    }
}

void TextString::render() {
    if (!visible || !texture) {
        return;
    }
    const SDL_Point size = getTextureSize();
    const SDL_Rect destination{x, y, size.x, size.y};
    SDL_RenderCopy(renderer, texture.get(), nullptr, &destination);
}

void TextString::update(int deltaTime) {
    changes.set(x, saturatingAdd(x, truncateToInt(static_cast<float>(deltaTime) * velocityX)));
    changes.set(y, saturatingAdd(y, truncateToInt(static_cast<float>(deltaTime) * velocityY)));

    if (!typed || typedIndex >= fullText.size()) {
        return;
    }
    typingTimer = saturatingAdd(typingTimer, deltaTime);
    bool revealed = false;
    while (typingTimer >= charDelay && typedIndex < fullText.size()) {
        const std::size_t length = utf8CharLength(fullText, typedIndex);
        displayedText.append(fullText, typedIndex, length);
        typedIndex += length;
        typingTimer -= charDelay;
        revealed = true;
    }
    // One rebuild shows every character revealed in this update.
    if (revealed) {
        createTextTexture();
    }
}

void TextString::setText(const std::string& text) {
    fullText = text;
    displayedText.clear();
    typedIndex = 0;
    typingTimer = 0;
    if (typed) {
        return;
    }
    displayedText = fullText;
    createTextTexture();
    if (texture) {
        LOG_INFO("Text texture successfully updated for text: " + displayedText);
    } else {
        LOG_INFO("Failed to update text texture for text: " + displayedText);
    }
}

void TextString::setPosition(int newX, int newY) {
    changes.set(x, newX);
    changes.set(y, newY);
}

void TextString::setTyped(bool isTyped) {
    typed = isTyped;
    displayedText.clear();
    typedIndex = 0;
    typingTimer = 0;
    if (!typed) {
        displayedText = fullText;
        createTextTexture();
    }
}

void TextString::setWrapLength(int length) {
    wrapLength = length;
    createTextTexture();
}

void TextString::setColor(const SDL_Color& newColor) {
    color = newColor;
    createTextTexture();
}

SDL_Point TextString::getTextureSize() const {
    SDL_Point size{0, 0};
    if (texture) {
        SDL_QueryTexture(texture.get(), nullptr, nullptr, &size.x, &size.y);
    }
    return size;
}

void TextString::centerText(int width, int height) {
    if (!texture) {
        return;
    }
    const SDL_Point size = getTextureSize();
    setPosition((width - size.x) / 2, (height - size.y) / 2);
}

void TextString::xCenterText(int width, int newY) {
    if (!texture) {
        return;
    }
    setPosition((width - getTextureSize().x) / 2, newY);
}

void TextString::yCenterText(int newX, int height) {
    if (!texture) {
        return;
    }
    setPosition(newX, (height - getTextureSize().y) / 2);
}

void TextString::unloadResources() {
    texture.reset();
    changes.mark();
    // TTF_Quit has already freed every face; closing the font now would free it twice.
    if (font && TTF_WasInit() == 0) {
        static_cast<void>(font.release());
    }
    font.reset();
}
