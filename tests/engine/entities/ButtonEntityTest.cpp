#include "EntitySupport.h"

#include "entities/ButtonEntity.h"
#include "entities/LogicalCoordinates.h"

#include <limits>

namespace {
ButtonEntity makeButton(std::vector<SDL_Texture*> textures, int opacity = 255) {
    return {"AskButton", "", "button", 10, 10, 100, 50, 0.0F, 0.0F, std::move(textures), false, opacity, true, true};
}
} // namespace

TEST_F(SdlTest, ButtonDrawsTheTextureOfItsState) {
    ButtonEntity button = makeButton({solidTexture(RED), solidTexture(GREEN), solidTexture(BLUE)}, 128);
    const auto drawn = [&](ButtonEntity::ButtonState state) {
        clear(BLACK);
        button.setState(state);
        button.render(renderer);
        return pixelAt(50, 30);
    };
    EXPECT_TRUE(sameRgb(drawn(ButtonEntity::NORMAL), RED)); // opaque despite opacity 128
    EXPECT_TRUE(sameRgb(drawn(ButtonEntity::HOVER), GREEN));
    EXPECT_TRUE(sameRgb(drawn(ButtonEntity::CLICKED), BLUE));
    EXPECT_TRUE(sameRgb(drawn(ButtonEntity::RIGHT_CLICKED), BLACK));
    EXPECT_NE(logText().find("ButtonEntity is not visible or no texture found for rendering"), std::string::npos);
    button.setVisibility(false);
    EXPECT_TRUE(sameRgb(drawn(ButtonEntity::NORMAL), BLACK));
    EXPECT_NE(logText().find("ButtonEntity created with ID: AskButton and textures loaded: 3"), std::string::npos);

    clear(BLACK);
    makeButton({solidTexture(RED), solidTexture(GREEN)}).render(renderer); // two textures: none used
    EXPECT_TRUE(sameRgb(pixelAt(50, 30), BLACK));
}

TEST_F(SdlTest, ButtonClicksOnPressesInsideItsInclusiveEdges) {
    ButtonEntity button = makeButton({});
    button.triggerClick(); // no action yet: nothing happens
    int clicks = 0;
    button.setClickAction([&clicks] { ++clicks; });
    // Without a window, pointer pixels are taken as logical pixels.
    EXPECT_TRUE(button.contains(10, 10));
    EXPECT_TRUE(button.contains(110, 60));
    EXPECT_FALSE(button.contains(111, 60));
    EXPECT_FALSE(button.contains(9, 30));

    SDL_Event event{};
    for (const auto& [type, x] :
         {std::pair{SDL_MOUSEBUTTONDOWN, 110}, {SDL_MOUSEBUTTONDOWN, 200}, {SDL_MOUSEBUTTONUP, 50}}) {
        event.type = type;
        event.button.x = x;
        event.button.y = 30;
        button.handleEvent(event);
    }
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button.getState(), ButtonEntity::NORMAL);
}

TEST(LogicalCoordinates, TruncateAndRejectTheLetterboxBars) {
    const LogicalPoint point = toLogicalPoint(100.9F, 0.0F, 1920, 1080);
    EXPECT_EQ(std::vector({point.x, point.y}), std::vector({100, 0}));
    EXPECT_TRUE(point.inDrawingArea);
    EXPECT_FALSE(toLogicalPoint(-0.5F, 10.0F, 1920, 1080).inDrawingArea); // truncates to 0, but in the bar
    EXPECT_FALSE(toLogicalPoint(1920.0F, 10.0F, 1920, 1080).inDrawingArea);
    EXPECT_FALSE(toLogicalPoint(10.0F, 1080.0F, 1920, 1080).inDrawingArea);
    EXPECT_FALSE(toLogicalPoint(std::numeric_limits<float>::quiet_NaN(), 1.0F, 10, 10).inDrawingArea);
    EXPECT_TRUE(toLogicalPoint(-40.0F, 5000.0F, 0, 0).inDrawingArea); // no logical size: anywhere
    EXPECT_EQ(toLogicalPoint(1e30F, 0.0F, 0, 0).x, std::numeric_limits<int>::max());
}

// Clicks in the program's window map exactly as its renderer draws, through resizes.
TEST(LogicalCoordinates, FollowTheWindowRenderer) {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = startWindowed(window, 960, 540);
    ButtonEntity button("b", "", "button", 100, 100, 100, 50, 0.0F, 0.0F, {}, false, 255, true, false);
    EXPECT_TRUE(button.contains(100, 100)); // no logical size: window pixels, not all at (0, 0)
    EXPECT_FALSE(button.contains(99, 100));

    SDL_RenderSetLogicalSize(renderer, 1920, 1080);
    const LogicalPoint point = windowToLogical(renderer, 50, 50);
    EXPECT_EQ(std::vector({point.x, point.y}), std::vector({100, 100}));
    EXPECT_TRUE(button.contains(100, 75));
    EXPECT_FALSE(button.contains(101, 75));

    resizeWindow(window, 960, 640); // taller than 16:9: 50-pixel bars above and below
    EXPECT_FALSE(windowToLogical(renderer, 50, 30).inDrawingArea);
    EXPECT_TRUE(button.contains(50, 100));
    EXPECT_FALSE(button.contains(50, 99));

    resizeWindow(window, 1200, 540); // wider: 120-pixel bars left and right
    EXPECT_FALSE(windowToLogical(renderer, 100, 200).inDrawingArea);
    EXPECT_TRUE(button.contains(170, 50));
    EXPECT_FALSE(button.contains(169, 50));
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_Quit();
}
