#include "EntitySupport.h"

#include "entities/ButtonEntity.h"
#include "entities/LogicalCoordinates.h"

#include <cstdlib>
#include <limits>
#include <memory>

namespace {
std::unique_ptr<ButtonEntity> makeButton(std::vector<SDL_Texture*> textures, int opacity = 255) {
    return std::make_unique<ButtonEntity>("AskButton", "", "button", 10, 10, 100, 50, 0.0F, 0.0F,
                                          std::move(textures), false, opacity, true, true);
}

SDL_Event mouseDown(int x, int y) {
    SDL_Event event{};
    event.type = SDL_MOUSEBUTTONDOWN;
    event.button.button = SDL_BUTTON_RIGHT;
    event.button.x = x;
    event.button.y = y;
    return event;
}
} // namespace

TEST_F(SdlTest, ButtonDrawsTheTextureOfItsState) {
    auto button = makeButton({solidTexture(RED), solidTexture(GREEN), solidTexture(BLUE)}, 128);
    const auto drawn = [&](ButtonEntity::ButtonState state) {
        clear(BLACK);
        button->setState(state);
        button->render(renderer);
        return pixelAt(50, 30);
    };
    EXPECT_TRUE(sameRgb(drawn(ButtonEntity::NORMAL), RED)); // opaque despite opacity 128
    EXPECT_TRUE(sameRgb(drawn(ButtonEntity::HOVER), GREEN));
    EXPECT_TRUE(sameRgb(drawn(ButtonEntity::CLICKED), BLUE));
    EXPECT_TRUE(sameRgb(drawn(ButtonEntity::RIGHT_CLICKED), BLACK));
    EXPECT_NE(logText().find("ButtonEntity is not visible or no texture found for rendering"),
              std::string::npos);
    button->setVisibility(false);
    EXPECT_TRUE(sameRgb(drawn(ButtonEntity::NORMAL), BLACK));
    EXPECT_NE(logText().find("ButtonEntity created with ID: AskButton and textures loaded: 3"),
              std::string::npos);

    auto twoTextures = makeButton({solidTexture(RED), solidTexture(GREEN)});
    clear(BLACK);
    twoTextures->render(renderer);
    EXPECT_TRUE(sameRgb(pixelAt(50, 30), BLACK));
}

TEST_F(SdlTest, ButtonClicksAndHitTestsWithInclusiveEdges) {
    auto button = makeButton({});
    button->triggerClick(); // no action: nothing happens
    int clicks = 0;
    button->setClickAction([&clicks] { ++clicks; });

    // Without a window the pointer's pixels are logical pixels as they are.
    EXPECT_TRUE(button->contains(10, 10));
    EXPECT_TRUE(button->contains(110, 60));
    EXPECT_FALSE(button->contains(111, 60));
    EXPECT_FALSE(button->contains(9, 30));

    SDL_Event inside = mouseDown(110, 60);
    button->handleEvent(inside);
    SDL_Event outside = mouseDown(200, 60);
    button->handleEvent(outside);
    SDL_Event release = mouseDown(50, 30);
    release.type = SDL_MOUSEBUTTONUP;
    button->handleEvent(release);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button->getState(), ButtonEntity::NORMAL);
}

TEST(LogicalCoordinates, TruncatesAndRejectsTheLetterboxBars) {
    {
        const LogicalPoint point = toLogicalPoint(100.9F, 0.0F, 1920, 1080);
        EXPECT_EQ(point.x, 100);
        EXPECT_EQ(point.y, 0);
        EXPECT_TRUE(point.inDrawingArea);
    }
    // -0.5 truncates to 0 but lies in the bar; the far edges are outside.
    EXPECT_FALSE(toLogicalPoint(-0.5F, 10.0F, 1920, 1080).inDrawingArea);
    EXPECT_FALSE(toLogicalPoint(1920.0F, 10.0F, 1920, 1080).inDrawingArea);
    EXPECT_FALSE(toLogicalPoint(10.0F, 1080.0F, 1920, 1080).inDrawingArea);
    EXPECT_TRUE(toLogicalPoint(1919.9F, 1079.9F, 1920, 1080).inDrawingArea);
    // Without a logical size every point counts.
    EXPECT_TRUE(toLogicalPoint(-40.0F, 5000.0F, 0, 0).inDrawingArea);
    // Absurd values saturate instead of overflowing.
    EXPECT_EQ(toLogicalPoint(1e30F, -1e30F, 0, 0).x, 2147483647);
    EXPECT_FALSE(toLogicalPoint(std::numeric_limits<float>::quiet_NaN(), 1.0F, 10, 10).inDrawingArea);
}

// The program's window under the dummy driver: clicks map exactly as the renderer draws.
TEST(LogicalCoordinates, FollowTheWindowRendererThroughResizes) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
    SDL_Window* window = SDL_CreateWindow("t", 0, 0, 960, 540, SDL_WINDOW_RESIZABLE);
    ASSERT_EQ(SDL_GetWindowID(window), 1U);
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, 0);
    ASSERT_NE(renderer, nullptr);
    ButtonEntity button("b", "", "button", 100, 100, 100, 50, 0.0F, 0.0F, {}, false, 255, true, false);
    {
        // No logical size: window pixels as they are (not every click at (0, 0)).
        EXPECT_TRUE(button.contains(100, 100));
        EXPECT_FALSE(button.contains(99, 100));
    }
    SDL_RenderSetLogicalSize(renderer, 1920, 1080);
    {
        const LogicalPoint point = windowToLogical(renderer, 50, 50);
        EXPECT_EQ(point.x, 100);
        EXPECT_EQ(point.y, 100);
        EXPECT_TRUE(button.contains(50, 50));
        EXPECT_TRUE(button.contains(100, 75));
        EXPECT_FALSE(button.contains(101, 75));
    }
    {
        // 960 × 640 is taller than 16:9: 50-pixel bars above and below the drawing.
        SDL_SetWindowSize(window, 960, 640);
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0) {
        }
        EXPECT_FALSE(windowToLogical(renderer, 50, 30).inDrawingArea);
        const LogicalPoint point = windowToLogical(renderer, 50, 100);
        EXPECT_EQ(point.x, 100);
        EXPECT_EQ(point.y, 100);
        EXPECT_TRUE(point.inDrawingArea);
        EXPECT_TRUE(button.contains(50, 100));
        EXPECT_FALSE(button.contains(50, 99));
    }
    {
        // 1200 × 540 is wider: 120-pixel bars left and right.
        SDL_SetWindowSize(window, 1200, 540);
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0) {
        }
        EXPECT_FALSE(windowToLogical(renderer, 100, 200).inDrawingArea);
        EXPECT_TRUE(button.contains(170, 50));
        EXPECT_FALSE(button.contains(169, 50));
    }
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_Quit();
}
