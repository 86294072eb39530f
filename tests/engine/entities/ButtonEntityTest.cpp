#include "EntitySupport.h"

#include "entities/ButtonEntity.h"
#include "entities/TextBox.h"

TEST_F(SdlTest, ButtonDrawsItsStateAndClicksOnPressesInsideItsInclusiveEdges) {
    ButtonEntity button("ask", "", "button", 10, 10, 100, 50, 0.0F, 0.0F,
                        {solidTexture(RED), solidTexture(GREEN), solidTexture(BLUE)}, false, 128, true, true);
    // Opaque despite opacity 128; a right-clicked button, or a hidden one, draws nothing.
    for (const auto& [state, visible, colour] :
         {std::tuple{ButtonEntity::NORMAL, true, RED}, {ButtonEntity::HOVER, true, GREEN},
          {ButtonEntity::CLICKED, true, BLUE}, {ButtonEntity::RIGHT_CLICKED, true, BLACK},
          {ButtonEntity::NORMAL, false, BLACK}}) {
        clear(BLACK);
        button.setState(state);
        button.setVisibility(visible);
        button.render(renderer);
        EXPECT_TRUE(shows(50, 30, colour)) << state;
    }
    int clicks = 0;
    button.setClickAction([&clicks] { ++clicks; });
    // Without a window, pointer pixels are taken as logical pixels.
    EXPECT_TRUE(button.contains(10, 10) && button.contains(110, 60));
    EXPECT_FALSE(button.contains(111, 60) || button.contains(9, 30));
    SDL_Event event{};
    for (const auto& [type, x] :
         {std::pair{SDL_MOUSEBUTTONDOWN, 110}, {SDL_MOUSEBUTTONDOWN, 200}, {SDL_MOUSEBUTTONUP, 50}}) {
        event.type = type;
        event.button.x = x;
        event.button.y = 30;
        button.handleEvent(event);
    }
    EXPECT_EQ(std::vector({clicks, static_cast<int>(button.getState())}), std::vector({1, 0}));
}

// Pointers in the program's window (identifier 1) map exactly as its renderer draws, through a
// resize: the button's edges are inside, the text box's outside, the letterbox bars hit nothing.
TEST_F(SdlTest, PointerHitsFollowTheWindowRenderer) {
    SDL_Window* window = SDL_CreateWindow("test", 0, 0, 960, 540, SDL_WINDOW_RESIZABLE);
    SDL_Renderer* drawing = SDL_CreateRenderer(window, -1, 0);
    // The button reaches below the logical area, into the bar of a taller window.
    ButtonEntity button("b", "", "button", 100, 1000, 100, 200, 0.0F, 0.0F, {}, false, 255, true, false);
    ButtonEntity leftEdge("l", "", "button", 0, 0, 10, 1080, 0.0F, 0.0F, {}, false, 255, true, false);
    SDL_RenderSetLogicalSize(drawing, 1920, 1080);
    EXPECT_TRUE(button.contains(100, 500) && !button.contains(101, 500));
    TextBox box(100, 40, 400, 200, "", 20, WHITE, drawing, "");
    const auto pressAt = [&](int x, int y) { // the box reads the pointer, not the event
        SDL_WarpMouseInWindow(window, x, y);
        SDL_Event event{};
        event.type = SDL_MOUSEBUTTONDOWN;
        box.handleEvent(event);
        return box.isActive() && SDL_IsTextInputActive() == SDL_TRUE;
    };
    EXPECT_FALSE(pressAt(50, 60)); // logical (100, 120), on the edge
    EXPECT_TRUE(pressAt(51, 60));
    EXPECT_FALSE(pressAt(600, 60) || SDL_IsTextInputActive() == SDL_TRUE);

    SDL_SetWindowSize(window, 960, 640); // taller than 16:9: 50-pixel bars above and below
    SDL_PumpEvents();
    EXPECT_TRUE(button.contains(50, 550) && leftEdge.contains(0, 320)); // the window's first column
    EXPECT_FALSE(button.contains(50, 549) || button.contains(60, 600)); // (120, 1100) is in the bar
    // (60, 30) lies in the top bar, although scaling alone would put it inside the box.
    EXPECT_FALSE(pressAt(60, 30));
    EXPECT_TRUE(pressAt(60, 100)); // logical (120, 100)
    SDL_DestroyRenderer(drawing);
    SDL_DestroyWindow(window);
}
