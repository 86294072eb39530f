#include "EntitySupport.h"

#include "entities/TextBox.h"
#include "entities/Utf8Text.h"

#include <SDL_ttf.h>

#include <cstring>

namespace {
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
    EXPECT_EQ(utf8CharLength("a\xC3\xA9", 1), 2U);
    EXPECT_EQ(utf8CharLength("\xF0\x9F\x99\x82", 0), 4U);
    EXPECT_EQ(utf8CharLength("\xC3", 0), 1U); // cut short at the end
    EXPECT_EQ(utf8CharLength("\xE2"
                             "a",
                             0),
              1U); // broken by an ASCII byte
    EXPECT_EQ(utf8CharLength("ab", 2), 0U);
    std::string text = "a\xA9\xC3\xA9\xF0\x9F\x99\x82";
    for (const char* left : {"a\xA9\xC3\xA9", "a\xA9", "a", "", ""}) {
        utf8PopBack(text);
        EXPECT_EQ(text, left);
    }
}

TEST_F(SdlTest, TextBoxDrawsBackgroundClippedTextAndBlinkingCaret) {
    const std::string font = assetFont("Lato-Regular.ttf");
    TextBox box(20, 20, 200, 60, font, 20, RED, renderer, "");
    box.render(0);
    EXPECT_TRUE(sameRgb(pixelAt(100, 50), WHITE));
    EXPECT_TRUE(sameRgb(pixelAt(20, 50), (SDL_Color{200, 200, 200, 255})));
    // The caret: with focus only, at the "M" inset, on during the even half-seconds.
    TTF_Font* measure = TTF_OpenFont(font.c_str(), 20);
    int inset = 0;
    TTF_SizeUTF8(measure, "M", &inset, nullptr);
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
    const std::string log = logText();
    EXPECT_NE(log.find("Font path readable by ifstream: " + font), std::string::npos);
    EXPECT_NE(log.find("Font path exists but cannot be opened via ifstream: "), std::string::npos);
    EXPECT_NE(log.find("Failed to load font at path: " + assetFont("missing.ttf") + " | TTF Error: "),
              std::string::npos);
    EXPECT_NE(log.find("TextBox::render aborted: font is null"), std::string::npos);
}

// Focus by click in the program's window: strict edges, letterbox bars, text and Backspace.
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
        SDL_Event backspace{};
        backspace.type = SDL_KEYDOWN;
        backspace.key.keysym.sym = SDLK_BACKSPACE;
        box.handleEvent(backspace);
        EXPECT_EQ(box.getInput(), "Qu"); // the whole "é"
        for (int i = 0; i < 3; ++i) {
            box.handleEvent(backspace);
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
