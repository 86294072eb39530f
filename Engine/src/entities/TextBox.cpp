#include "entities/TextBox.h"

#include "core/Logging.h"
#include "entities/LogicalCoordinates.h"
#include "entities/SaturatingMath.h"
#include "entities/Utf8Text.h"

#include <SDL_image.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iostream>

namespace {
constexpr SDL_Color BOX_FILL{255, 255, 255, 255};
constexpr SDL_Color BOX_BORDER{200, 200, 200, 255};
// The caret is on for one half-second and off for the next.
constexpr Uint32 CARET_BLINK_MS = 500;

bool caretPhaseOn(Uint32 ticks) { return (ticks / CARET_BLINK_MS) % 2 == 0; }

bool strictlyInside(const SDL_Rect& box, int x, int y) {
    const std::int64_t right = static_cast<std::int64_t>(box.x) + box.w;
    const std::int64_t bottom = static_cast<std::int64_t>(box.y) + box.h;
    return box.x < x && x < right && box.y < y && y < bottom;
}
} // namespace

TextBox::TextBox(int x, int y, int width, int height, const std::string& fontPath, int fontSize,
                 SDL_Color textColor, SDL_Renderer* renderer, const std::string& bgImagePath)
    : rect{x, y, width, height}, textColor(textColor), renderer(renderer) {
    if (std::ifstream probe(fontPath); !probe.is_open()) {
        LOG_ERROR("Font path exists but cannot be opened via ifstream: " + fontPath);
    } else {
        LOG_INFO("Font path readable by ifstream: " + fontPath);
    }
    font.reset(TTF_OpenFont(fontPath.c_str(), fontSize));
    if (!font) {
        LOG_ERROR("Failed to load font at path: " + fontPath +
                  " | TTF Error: " + std::string(SDL_GetError()));
    }
    if (!bgImagePath.empty()) {
        const SdlSurfacePtr surface(IMG_Load(bgImagePath.c_str()));
        if (surface) {
            backgroundTexture.reset(SDL_CreateTextureFromSurface(renderer, surface.get()));
        } else {
            std::cerr << "Unable to load background image: " << SDL_GetError() << '\n';
        }
    }
}

TextBox::~TextBox() {
    backgroundTexture.reset();
    // TTF_Quit has already freed every face; closing the font now would free it twice.
    if (font && TTF_WasInit() == 0) {
        static_cast<void>(font.release());
    }
}

void TextBox::handleEvent(SDL_Event& event) {
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        int mouseX = 0;
        int mouseY = 0;
        SDL_GetMouseState(&mouseX, &mouseY);
        const LogicalPoint point = windowToLogical(renderer, mouseX, mouseY);
        LOG_DEBUG("Clickable area: from (" + std::to_string(rect.x) + ", " + std::to_string(rect.y) +
                  ") to (" + std::to_string(saturatingAdd(rect.x, rect.w)) + ", " +
                  std::to_string(saturatingAdd(rect.y, rect.h)) + ")");
        LOG_DEBUG("Mouse click (logical coords): (" + std::to_string(point.x) + ", " +
                  std::to_string(point.y) + ")");
        if (point.inDrawingArea && strictlyInside(rect, point.x, point.y)) {
            LOG_DEBUG("Mouse click inside text box");
            setActive(true);
            SDL_StartTextInput();
        } else {
            LOG_DEBUG("Mouse click outside text box");
            setActive(false);
            SDL_StopTextInput();
        }
    }
    if (!active) {
        return;
    }
    if (event.type == SDL_TEXTINPUT) {
        input += event.text.text;
        changes.mark();
    } else if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_BACKSPACE && !input.empty()) {
        utf8PopBack(input);
        changes.mark();
    }
}

void TextBox::update(Uint32 ticks) { changes.set(caretShown, active && caretPhaseOn(ticks)); }

void TextBox::render() { render(SDL_GetTicks()); }

void TextBox::render(Uint32 ticks) {
    if (!font) {
        LOG_ERROR("TextBox::render aborted: font is null");
        return;
    }
    if (backgroundTexture) {
        SDL_RenderCopy(renderer, backgroundTexture.get(), nullptr, &rect);
    } else {
        SDL_SetRenderDrawColor(renderer, BOX_FILL.r, BOX_FILL.g, BOX_FILL.b, BOX_FILL.a);
        SDL_RenderFillRect(renderer, &rect);
        SDL_SetRenderDrawColor(renderer, BOX_BORDER.r, BOX_BORDER.g, BOX_BORDER.b, BOX_BORDER.a);
        SDL_RenderDrawRect(renderer, &rect);
    }

    // Geometry in 64 bits: a box from bad scene data may sit at the ends of the int range.
    using Wide = std::int64_t;
    int inset = 0;
    TTF_SizeUTF8(font.get(), "M", &inset, nullptr);
    const int textX = saturatingAdd(rect.x, inset);
    const int fontHeight = TTF_FontHeight(font.get());
    SDL_Rect textRect{textX, clampToInt(rect.y + (Wide{rect.h} - fontHeight) / 2), 0, fontHeight};

    if (!input.empty()) {
        const SdlSurfacePtr surface(TTF_RenderUTF8_Blended(font.get(), input.c_str(), textColor));
        if (surface) {
            // A text longer than the box shows its end, leaving room for the caret; one taller
            // than the box shows its middle band.
            const int room = clampToInt(std::max<Wide>(0, Wide{rect.w} - inset - CARET_WIDTH));
            const int shownWidth = std::min(surface->w, room);
            const int shownHeight = std::min(surface->h, std::max(0, rect.h));
            const SDL_Rect source{surface->w - shownWidth, (surface->h - shownHeight) / 2, shownWidth,
                                  shownHeight};
            textRect = SDL_Rect{textX, clampToInt(rect.y + (Wide{rect.h} - shownHeight) / 2),
                                shownWidth, shownHeight};
            const SdlTexturePtr texture(SDL_CreateTextureFromSurface(renderer, surface.get()));
            if (texture && shownWidth > 0 && shownHeight > 0) {
                SDL_RenderCopy(renderer, texture.get(), &source, &textRect);
            }
        } else {
            LOG_ERROR("Unable to render text surface: ");
        }
    }

    if (active && caretPhaseOn(ticks)) {
        const SDL_Rect caret{saturatingAdd(textRect.x, textRect.w), textRect.y, CARET_WIDTH, textRect.h};
        SDL_Rect shownCaret{0, 0, 0, 0};
        if (SDL_IntersectRect(&caret, &rect, &shownCaret) == SDL_TRUE) {
            Uint8 r = 0;
            Uint8 g = 0;
            Uint8 b = 0;
            Uint8 a = 0;
            SDL_GetRenderDrawColor(renderer, &r, &g, &b, &a);
            SDL_SetRenderDrawColor(renderer, textColor.r, textColor.g, textColor.b, textColor.a);
            SDL_RenderFillRect(renderer, &shownCaret);
            SDL_SetRenderDrawColor(renderer, r, g, b, a);
        }
    }
}
