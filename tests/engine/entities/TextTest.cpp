#include "EntitySupport.h"

#include "entities/TextBox.h"
#include "entities/TextString.h"
#include "entities/ToolTip.h"
#include "entities/ToolTipManager.h"
#include "entities/Utf8Text.h"

#include <SDL_ttf.h>

#include <cstring>
#include <tuple>

namespace {
constexpr SDL_Color GREY{200, 200, 200, 255};
constexpr SDL_Color CHARCOAL{54, 69, 79, 255};

TextString label(SDL_Renderer* renderer, const std::string& text, bool typed = false, float velocityX = 0.0F,
                 const std::string& font = assetFont("Lato-Regular.ttf"), int charDelay = 50) {
    return {renderer, text, 10, 10, font, 20, WHITE, velocityX, 0.0F, true, typed, 0, charDelay};
}

SDL_Event textEvent(const char* text) {
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    std::strncpy(event.text.text, text, sizeof(event.text.text) - 1);
    return event;
}

// The box reads the pointer position, not the event's.
SDL_Event pressAt(SDL_Window* window, int x, int y) {
    SDL_WarpMouseInWindow(window, x, y);
    SDL_Event event{};
    event.type = SDL_MOUSEBUTTONDOWN;
    return event;
}
} // namespace

TEST(Utf8Text, StepsOverWholeCharacters) {
    for (const auto& [text, offset, length] : {std::tuple<const char*, std::size_t, std::size_t>{"a\xC3\xA9", 1, 2},
                                               {"\xE2\x82\xAC", 0, 3},
                                               {"\xF0\x9F\x99\x82", 0, 4},
                                               {"\xC3", 0, 1}, // cut short at the end
                                               {"\xE2"
                                                "a",
                                                0, 1}, // broken by an ASCII byte
                                               {"ab", 2, 0}}) {
        EXPECT_EQ(utf8CharLength(text, offset), length) << text;
    }
    std::string text = "a\xA9\xC3\xA9\xF0\x9F\x99\x82";
    for (const char* left : {"a\xA9\xC3\xA9", "a\xA9", "a", "", ""}) {
        utf8PopBack(text);
        EXPECT_EQ(text, left);
    }
}

TEST_F(SdlTest, TextStringRevealsWholeCharactersOnTime) {
    TextString text = label(renderer, "abcdef", true);
    EXPECT_EQ(text.getTextureSize().x, 0); // nothing before the first character is due
    text.update(120);
    EXPECT_EQ(text.getText(), "ab");
    text.update(30); // with the 20 ms carried over
    EXPECT_EQ(text.getText(), "abc");
    EXPECT_FALSE(text.isTypingComplete());
    text.setTyped(true); // restarts, with no time carried over
    text.update(49);
    EXPECT_EQ(text.getText(), "");
    text.setCharDelay(0);
    text.update(1);
    EXPECT_EQ(text.getText(), "abcdef");
    EXPECT_TRUE(text.isTypingComplete());
    TextString instant = label(renderer, "abc", true, 0.0F, assetFont("Lato-Regular.ttf"), -5);
    instant.update(1);
    EXPECT_EQ(instant.getText(), "abc");

    TextString accented = label(renderer, "h\xC3\xA9llo", true);
    accented.update(100);
    EXPECT_EQ(accented.getText(), "h\xC3\xA9"); // the "é" whole, never half of it

    // Recolouring or rewrapping before anything is revealed must not put a space in front.
    TextString recoloured = label(renderer, "ab", true);
    recoloured.setColor(RED);
    recoloured.setWrapLength(200);
    recoloured.update(50);
    EXPECT_EQ(recoloured.getText(), "a");

    // setText while typing keeps the old texture until the first new character is due.
    TextString replaced = label(renderer, "old text");
    const int oldWidth = replaced.getTextureSize().x;
    replaced.setTyped(true);
    replaced.setText("x");
    EXPECT_EQ(replaced.getTextureSize().x, oldWidth);
    replaced.update(50);
    EXPECT_LT(replaced.getTextureSize().x, oldWidth);

    EXPECT_TRUE(label(renderer, "", true).isTypingComplete());
    replaced.setTyped(false);
    EXPECT_EQ(replaced.getText(), "x");
}

TEST_F(SdlTest, TextStringDrawsUtf8MovesAndCentres) {
    TextString accents = label(renderer, "\xC3\xA9\xC3\xA9\xC3\xA9");
    int utf8Width = 0;
    TTF_SizeUTF8(accents.getFont(), "\xC3\xA9\xC3\xA9\xC3\xA9", &utf8Width, nullptr);
    EXPECT_EQ(accents.getTextureSize().x, utf8Width); // three glyphs, not six Latin-1 ones
    accents.render();
    EXPECT_GT(litPixels(SDL_Rect{10, 10, utf8Width, 30}), 0);

    TextString empty = label(renderer, "");
    EXPECT_EQ(empty.getText(), " ");
    EXPECT_GT(empty.getTextureSize().x, 0);

    const SDL_Point size = accents.getTextureSize();
    accents.centerText(301, 200);
    EXPECT_EQ(std::vector({accents.getX(), accents.getY()}), std::vector({(301 - size.x) / 2, (200 - size.y) / 2}));
    accents.yCenterText(3, 100);
    EXPECT_EQ(accents.getX(), 3);

    TextString moving = label(renderer, "m", false, 0.05F);
    moving.update(16); // 0.8 px truncates to nothing
    EXPECT_EQ(moving.getX(), 10);
    moving.update(100);
    EXPECT_EQ(moving.getX(), 15);

    clear(BLACK);
    moving.setVisibility(false);
    moving.render();
    EXPECT_EQ(litPixels(SDL_Rect{0, 0, 200, 60}), 0);
    EXPECT_FALSE(label(renderer, "x", false, 0.0F, assetFont("missing.ttf")).isVisible());
}

TEST_F(SdlTest, TextBoxDrawsBackgroundClippedTextAndBlinkingCaret) {
    const std::string font = assetFont("Lato-Regular.ttf");
    TextBox box(20, 20, 200, 60, font, 20, RED, renderer, "");
    box.render(0);
    EXPECT_TRUE(sameRgb(pixelAt(100, 50), WHITE));
    EXPECT_TRUE(sameRgb(pixelAt(20, 50), GREY));
    // The caret: with focus only, at the "M" inset, on during the even half-seconds.
    TTF_Font* measure = TTF_OpenFont(font.c_str(), 20);
    int inset = 0;
    TTF_SizeUTF8(measure, "M", &inset, nullptr);
    const int fontHeight = TTF_FontHeight(measure);
    TTF_CloseFont(measure);
    box.setActive(true);
    for (const auto& [ticks, colour] : {std::pair{0U, RED}, {500U, WHITE}, {1000U, RED}}) {
        box.render(ticks);
        EXPECT_TRUE(sameRgb(pixelAt(20 + inset, 50), colour)) << ticks;
        EXPECT_TRUE(sameRgb(pixelAt(20 + inset + 2, 50), WHITE));
    }

    // A question longer than the box stays inside it, with its end and the caret in view.
    clear(BLUE);
    TextBox narrow(10, 10, 100, 40, font, 20, BLACK, renderer, "");
    narrow.setActive(true);
    SDL_Event typed = textEvent("WWWWWWWWWWWWWWWWWWWW");
    narrow.handleEvent(typed);
    narrow.render(0);
    for (int x = 111; x < 300; x += 7) {
        ASSERT_TRUE(sameRgb(pixelAt(x, 30), BLUE)) << x;
    }
    EXPECT_TRUE(sameRgb(pixelAt(108, 25), BLACK)); // the caret, at the right edge

    // Text taller than the box shows its middle band: the rows a tall box shows there.
    clear(BLACK);
    TextBox tall(0, 100, 100, 100, font, 20, BLACK, renderer, "");
    TextBox flat(0, 60, 100, 10, font, 20, BLACK, renderer, "");
    SDL_Event question = textEvent("Ag?");
    for (TextBox* shown : {&tall, &flat}) {
        shown->setActive(true);
        shown->handleEvent(question);
        shown->render(600);
    }
    const int tallTop = 100 + (100 - fontHeight) / 2 + (fontHeight - 10) / 2;
    for (int x = inset; x < 60; ++x) {
        for (int row = 1; row < 9; ++row) {
            ASSERT_TRUE(sameRgb(pixelAt(x, 60 + row), pixelAt(x, tallTop + row))) << x << ", " << row;
        }
    }

    TextBox pictured(20, 20, 100, 40, font, 20, WHITE, renderer, solidImageFile("bg.png", GREEN));
    pictured.render(0);
    EXPECT_TRUE(sameRgb(pixelAt(100, 40), GREEN));

    clear(BLACK);
    TextBox broken(0, 0, 100, 40, assetFont("missing.ttf"), 20, WHITE, renderer, "missing.png");
    broken.render(0);
    EXPECT_TRUE(sameRgb(pixelAt(50, 20), BLACK));
    broken.setActive(true);
    broken.handleEvent(typed); // still collects text
    EXPECT_EQ(broken.getInput(), "WWWWWWWWWWWWWWWWWWWW");
}

// Focus by click in the program's window: strict edges, letterbox bars, typing and Backspace.
TEST(TextBoxInput, FocusesByClickAndEditsWholeCharacters) {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = startWindowed(window, 960, 540);
    SDL_RenderSetLogicalSize(renderer, 1920, 1080);
    {
        TextBox box(100, 100, 400, 200, assetFont("Lato-Regular.ttf"), 20, WHITE, renderer, "");
        SDL_Event text = textEvent("Qu\xC3\xA9");
        box.handleEvent(text); // unfocused: dropped
        EXPECT_EQ(box.getInput(), "");
        SDL_Event onEdge = pressAt(window, 50, 60); // logical (100, 120): the edge is outside
        box.handleEvent(onEdge);
        EXPECT_FALSE(box.isActive());
        SDL_Event inside = pressAt(window, 51, 60);
        box.handleEvent(inside);
        EXPECT_TRUE(box.isActive());
        EXPECT_EQ(SDL_IsTextInputActive(), SDL_TRUE);

        box.handleEvent(text);
        SDL_Event key{};
        key.type = SDL_KEYDOWN;
        key.key.keysym.sym = SDLK_a; // other keys arrive as text: they delete nothing
        box.handleEvent(key);
        key.key.keysym.sym = SDLK_BACKSPACE;
        box.handleEvent(key);
        EXPECT_EQ(box.getInput(), "Qu"); // the whole "é"
        SDL_Event more = textEvent("\xE2\x82\xAC?");
        box.handleEvent(more);
        EXPECT_EQ(box.getInput(), "Qu\xE2\x82\xAC?");
        for (int i = 0; i < 4; ++i) {
            box.handleEvent(key);
        }
        EXPECT_EQ(box.getInput(), "");

        SDL_Event outside = pressAt(window, 600, 60);
        box.handleEvent(outside);
        EXPECT_FALSE(box.isActive());
        EXPECT_EQ(SDL_IsTextInputActive(), SDL_FALSE);
        box.handleEvent(text);
        EXPECT_EQ(box.getInput(), "");
    }
    {
        // 960 × 640 adds 50-pixel bars above and below. (60, 30) lies in the top bar, although
        // scaling by logical size over output size alone would put it inside the box.
        resizeWindow(window, 960, 640);
        TextBox box(100, 40, 400, 200, assetFont("Lato-Regular.ttf"), 20, WHITE, renderer, "");
        SDL_Event inBar = pressAt(window, 60, 30);
        box.handleEvent(inBar);
        EXPECT_FALSE(box.isActive());
        SDL_Event inside = pressAt(window, 60, 100); // logical (120, 100)
        box.handleEvent(inside);
        EXPECT_TRUE(box.isActive());
    }
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    TTF_Quit();
    SDL_Quit();
}

TEST_F(SdlTest, ToolTipBoxFitsItsTextAndDrawsBoxBorderAndLabel) {
    ToolTip tip(renderer, "", assetFont("Lato-Black.ttf"), 20, WHITE, CHARCOAL);
    tip.setText("Ask");
    int textWidth = 0;
    int textHeight = 0;
    TTF_SizeUTF8(tip.getLabel().getFont(), "Ask", &textWidth, &textHeight);
    EXPECT_EQ(std::vector({tip.getWidth(), tip.getHeight()}), std::vector({textWidth + 10, textHeight + 10}));
    tip.setPosition(30, 40);
    EXPECT_EQ(std::vector({tip.getLabel().getX(), tip.getLabel().getY()}), std::vector({35, 45}));

    tip.render(); // hidden
    EXPECT_TRUE(sameRgb(pixelAt(30, 40), BLACK));
    SDL_SetRenderDrawColor(renderer, 1, 2, 3, 255);
    tip.show();
    tip.render();
    EXPECT_TRUE(sameRgb(pixelAt(30, 40), CHARCOAL)); // the box's outer ring
    EXPECT_TRUE(sameRgb(pixelAt(31, 41), WHITE));    // border, inset by one
    EXPECT_TRUE(sameRgb(pixelAt(30 + tip.getWidth() - 2, 45), WHITE));
    EXPECT_TRUE(sameRgb(pixelAt(33, 43), CHARCOAL));
    EXPECT_GT(litPixels(SDL_Rect{35, 45, textWidth, textHeight}), 0); // the label
    SDL_Color restored{};
    SDL_GetRenderDrawColor(renderer, &restored.r, &restored.g, &restored.b, &restored.a);
    EXPECT_TRUE(sameRgb(restored, (SDL_Color{1, 2, 3, 255})));

    ToolTip broken(renderer, "text", assetFont("missing.ttf"), 20, WHITE, CHARCOAL);
    EXPECT_EQ(std::vector({broken.getWidth(), broken.getHeight()}), std::vector({10, 10}));
}

TEST_F(SdlTest, ToolTipManagerPlacesAndClampsInTheLogicalArea) {
    ToolTipManager& manager = ToolTipManager::getInstance();
    manager.showToolTip("before init", 10, 10);
    manager.render();
    EXPECT_FALSE(manager.isShowing());

    SDL_RenderSetLogicalSize(renderer, 1920, 1080);
    manager.init(renderer, assetFont("Lato-Black.ttf"), 30, CHARCOAL, WHITE);
    const auto shown = [&](const std::string& text, int x, int y) {
        manager.showToolTip(text, x, y);
        const ToolTip* tip = manager.getToolTip();
        return std::vector{tip->getX(), tip->getY(), tip->getWidth(), tip->getHeight()};
    };
    auto box = shown("Ask the council", 1900, 1070); // pushed left to the edge, flipped above
    EXPECT_EQ(std::vector({box[0], box[1]}), std::vector({1920 - box[2], 1070 - box[3] - 12}));
    EXPECT_TRUE(manager.getToolTip()->isVisible());
    box = shown("Ask the council", 500, 500); // same text while shown: stays put
    EXPECT_EQ(box[0], 1920 - box[2]);
    manager.hideToolTip();
    EXPECT_FALSE(manager.getToolTip()->isVisible());
    box = shown("Ask the council", 500, 500);
    EXPECT_EQ(std::vector({box[0], box[1]}), std::vector({500 - box[2] / 2, 512}));
    box = shown("Another text", 10, 500);
    EXPECT_EQ(std::vector({box[0], box[1]}), std::vector({0, 512}));

    SDL_RenderSetLogicalSize(renderer, 0, 0); // then the output size bounds the box
    manager.hideToolTip();
    box = shown("Ask the council", SURFACE_WIDTH, SURFACE_HEIGHT);
    EXPECT_EQ(std::vector({box[0], box[1]}), std::vector({SURFACE_WIDTH - box[2], SURFACE_HEIGHT - box[3] - 12}));

    manager.shutdown();
    manager.showToolTip("after shutdown", 10, 10);
    EXPECT_FALSE(manager.isShowing());
    EXPECT_EQ(manager.getToolTip(), nullptr);
}
