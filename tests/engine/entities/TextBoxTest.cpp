#include "EntitySupport.h"

#include "entities/TextBox.h"
#include "entities/Utf8Text.h"

#include <SDL_ttf.h>

#include <cstdlib>
#include <cstring>

namespace {
SDL_Event textEvent(const char* text) {
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    std::strncpy(event.text.text, text, sizeof(event.text.text) - 1);
    return event;
}

SDL_Event keyEvent(SDL_Keycode key) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    return event;
}

SDL_Event pressAt(SDL_Window* window, int x, int y) {
    SDL_WarpMouseInWindow(window, x, y); // the box reads the pointer, not the event
    SDL_Event event{};
    event.type = SDL_MOUSEBUTTONDOWN;
    event.button.button = SDL_BUTTON_LEFT;
    return event;
}

int inset(const std::string& fontPath, int size) {
    TTF_Font* font = TTF_OpenFont(fontPath.c_str(), size);
    int width = 0;
    TTF_SizeUTF8(font, "M", &width, nullptr);
    TTF_CloseFont(font);
    return width;
}
} // namespace

TEST(Utf8Text, StepsOverWholeCharacters) {
    EXPECT_EQ(utf8CharLength("a\xC3\xA9", 1), 2U);
    EXPECT_EQ(utf8CharLength("\xE2\x82\xAC!", 0), 3U);
    EXPECT_EQ(utf8CharLength("\xF0\x9F\x99\x82", 0), 4U);
    EXPECT_EQ(utf8CharLength("\xC3", 0), 1U);     // cut short at the end
    EXPECT_EQ(utf8CharLength("\xE2" "a", 0), 1U); // broken by an ASCII byte
    EXPECT_EQ(utf8CharLength("\xA9", 0), 1U);     // stray continuation byte
    EXPECT_EQ(utf8CharLength("ab", 2), 0U);

    std::string text = "h\xC3\xA9\xF0\x9F\x99\x82";
    utf8PopBack(text);
    EXPECT_EQ(text, "h\xC3\xA9");
    utf8PopBack(text);
    EXPECT_EQ(text, "h");
    std::string stray = "a\xA9\xA9";
    utf8PopBack(stray);
    EXPECT_EQ(stray, "a\xA9");
    std::string empty;
    utf8PopBack(empty);
    EXPECT_EQ(empty, "");
}

TEST_F(SdlTest, TextBoxDrawsBackgroundClippedTextAndBlinkingCaret) {
    const std::string font = assetFont("Lato-Regular.ttf");
    {
        TextBox box(20, 20, 200, 60, font, 20, SDL_Color{255, 0, 0, 255}, renderer, "");
        box.render(0);
        EXPECT_TRUE(sameRgb(pixelAt(100, 50), WHITE));
        EXPECT_TRUE(sameRgb(pixelAt(20, 50), (SDL_Color{200, 200, 200, 255})));
        // Caret: only with focus, at the inset, as tall as the font, on for the even half-seconds.
        box.setActive(true);
        const int caretX = 20 + inset(font, 20);
        box.render(0);
        EXPECT_TRUE(sameRgb(pixelAt(caretX, 50), RED));
        EXPECT_TRUE(sameRgb(pixelAt(caretX + 2, 50), WHITE));
        box.render(500);
        EXPECT_TRUE(sameRgb(pixelAt(caretX, 50), WHITE));
        box.render(1000);
        EXPECT_TRUE(sameRgb(pixelAt(caretX, 50), RED));
    }
    {
        // A question longer than the box stays inside it, with its end and the caret in view.
        clear(BLUE);
        TextBox box(10, 10, 100, 40, font, 20, BLACK, renderer, "");
        box.setActive(true);
        SDL_Event typed = textEvent("WWWWWWWWWWWWWWWWWWWW");
        box.handleEvent(typed);
        box.render(0);
        for (int x = 111; x < 300; x += 7) {
            ASSERT_TRUE(sameRgb(pixelAt(x, 30), BLUE)) << x;
        }
        EXPECT_TRUE(sameRgb(pixelAt(108, 25), BLACK)); // the caret at the right edge
    }
    {
        const std::string image = solidImageFile("bg.png", GREEN);
        TextBox box(20, 20, 100, 40, font, 20, WHITE, renderer, image);
        box.render(0);
        EXPECT_TRUE(sameRgb(pixelAt(100, 40), GREEN));
    }
    {
        TextBox broken(0, 0, 100, 40, assetFont("missing.ttf"), 20, WHITE, renderer, "missing.png");
        clear(BLACK);
        broken.render(0);
        EXPECT_TRUE(sameRgb(pixelAt(50, 20), BLACK));
        SDL_Event typed = textEvent("still typed");
        broken.setActive(true);
        broken.handleEvent(typed);
        EXPECT_EQ(broken.getInput(), "still typed");
        const std::string log = logText();
        EXPECT_NE(log.find("Font path exists but cannot be opened via ifstream: "), std::string::npos);
        EXPECT_NE(log.find("Failed to load font at path: " + assetFont("missing.ttf") + " | TTF Error: "),
                  std::string::npos);
        EXPECT_NE(log.find("TextBox::render aborted: font is null"), std::string::npos);
    }
}

// Focus by click in the program's window: strict edges, letterbox bars, text and Backspace.
TEST(TextBoxInput, FocusesByClickAndEditsWholeCharacters) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
    ASSERT_EQ(TTF_Init(), 0);
    SDL_Window* window = SDL_CreateWindow("t", 0, 0, 960, 540, SDL_WINDOW_RESIZABLE);
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, 0);
    ASSERT_NE(renderer, nullptr);
    SDL_RenderSetLogicalSize(renderer, 1920, 1080);
    {
        TextBox box(100, 100, 400, 200, assetFont("Lato-Regular.ttf"), 20, WHITE, renderer, "");
        SDL_Event early = textEvent("dropped");
        box.handleEvent(early);
        EXPECT_EQ(box.getInput(), "");

        SDL_Event onEdge = pressAt(window, 50, 60); // logical (100, 120): the left edge is outside
        box.handleEvent(onEdge);
        EXPECT_FALSE(box.isActive());
        SDL_Event inside = pressAt(window, 51, 60);
        box.handleEvent(inside);
        EXPECT_TRUE(box.isActive());
        EXPECT_EQ(SDL_IsTextInputActive(), SDL_TRUE);

        SDL_Event typed = textEvent("Qu\xC3\xA9");
        box.handleEvent(typed);
        SDL_Event backspace = keyEvent(SDLK_BACKSPACE);
        box.handleEvent(backspace);
        EXPECT_EQ(box.getInput(), "Qu"); // the whole "é", not half of it
        box.handleEvent(backspace);
        box.handleEvent(backspace);
        box.handleEvent(backspace);
        EXPECT_EQ(box.getInput(), "");

        SDL_Event outside = pressAt(window, 600, 60);
        box.handleEvent(outside);
        EXPECT_FALSE(box.isActive());
        EXPECT_EQ(SDL_IsTextInputActive(), SDL_FALSE);
        SDL_Event late = textEvent("dropped");
        box.handleEvent(late);
        EXPECT_EQ(box.getInput(), "");
    }
    {
        // 960 × 640 adds 50-pixel bars above and below. (60, 30) lies in the top bar, although
        // scaling window pixels by logical/output size alone would put it inside the box.
        SDL_SetWindowSize(window, 960, 640);
        SDL_Event pending;
        while (SDL_PollEvent(&pending) != 0) {
        }
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
