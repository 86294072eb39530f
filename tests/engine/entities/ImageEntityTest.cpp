#include "EntitySupport.h"

#include "entities/ButtonEntity.h"
#include "entities/ImageEntity.h"
#include "entities/LogicalCoordinates.h"

#include <limits>

namespace {
ImageEntity makeImage(std::vector<SDL_Texture*> textures, int opacity = 255, float velocityX = 0.0F,
                      bool animated = false, bool visible = true) {
    return {"picture", "picture.png",       "image",  10,      20,     100, 50, velocityX,
            0.0F,      std::move(textures), animated, opacity, visible};
}

std::vector<int> bounds(const ImageEntity& image) {
    return {image.getX(), image.getY(), image.getWidth(), image.getHeight()};
}
} // namespace

TEST_F(SdlTest, ImageEntityDrawsWithItsOpacityAndVisibility) {
    makeImage({solidTexture(RED)}, -5).render(renderer); // clamped to 0: invisible
    EXPECT_TRUE(sameRgb(pixelAt(50, 40), BLACK));
    makeImage({solidTexture(RED)}, 128).render(renderer);
    EXPECT_NEAR(pixelAt(50, 40).r, 128, 2);
    EXPECT_TRUE(sameRgb(pixelAt(5, 5), BLACK));
    makeImage({solidTexture(RED)}, 256).render(renderer); // clamped, not wrapped to 0
    EXPECT_TRUE(sameRgb(pixelAt(50, 40), RED));

    clear(BLACK);
    ImageEntity hidden = makeImage({solidTexture(RED)}, 255, 1000.0F, true, false);
    ImageEntity bare = makeImage({}, 255, 1000.0F, true);
    for (ImageEntity* image : {&hidden, &bare}) {
        image->render(renderer); // hidden, or without textures: nothing drawn, still moving
        image->update(100);
        EXPECT_EQ(image->getX(), 110);
    }
    EXPECT_TRUE(sameRgb(pixelAt(50, 40), BLACK));
}

TEST_F(SdlTest, ImageEntityAnimatesOneFramePerUpdateAndMovesByTruncatedSteps) {
    ImageEntity image = makeImage({solidTexture(RED), solidTexture(GREEN), solidTexture(BLUE)}, 255, 0.0F, true);
    const auto frameAfter = [&](int delta) {
        image.update(delta);
        image.render(renderer);
        return pixelAt(50, 40);
    };
    EXPECT_TRUE(sameRgb(frameAfter(40), RED));
    EXPECT_TRUE(sameRgb(frameAfter(40), RED));
    EXPECT_TRUE(sameRgb(frameAfter(40), GREEN)); // 120 >= 100, and the timer restarts at 0, not 20
    EXPECT_TRUE(sameRgb(frameAfter(80), GREEN));
    EXPECT_TRUE(sameRgb(frameAfter(5000), BLUE)); // one frame at most per update
    EXPECT_TRUE(sameRgb(frameAfter(100), RED));

    ImageEntity slow = makeImage({}, 255, 50.0F);
    for (int i = 0; i < 10; ++i) {
        slow.update(16); // 0.8 px per update truncates to nothing
    }
    EXPECT_EQ(slow.getX(), 10);
    slow.update(100);
    EXPECT_EQ(slow.getX(), 15);
}

TEST_F(SdlTest, ImageEntityFadesScalesAndSways) {
    ImageEntity image = makeImage({}, 0);
    image.fadeIn(5);
    EXPECT_EQ(image.getOpacity(), 0);
    image.fadeIn(3000);
    EXPECT_EQ(image.getOpacity(), 255);
    ImageEntity nearlyGone = makeImage({}, 1);
    nearlyGone.fadeOut(25);
    EXPECT_EQ(nearlyGone.getOpacity(), 0);

    ImageEntity origin("s", "", "image", 0, 0, 100, 50, 0.0F, 0.0F, {}, false, 255, true);
    origin.scale(2.0F, 2.0F);
    EXPECT_EQ(bounds(origin), (std::vector{-50, -25, 200, 100}));
    origin.scale(1.0F, 1.0F);
    EXPECT_EQ(bounds(origin), (std::vector{0, 0, 100, 50}));

    // One clock for every image: a quarter period (625 ms) puts the first at the crest; the
    // second image's call takes the same clock to half a period, back at the centre.
    ImageEntity first = makeImage({});
    ImageEntity second = makeImage({});
    first.parallaxEffect(625, 0.0F, 0.0F);
    EXPECT_EQ(first.getX(), 10 + 23);
    second.parallaxEffect(625, 0.0F, 0.0F);
    EXPECT_EQ(second.getX(), 10);
    first.setX(500); // the sway centre stays where the image started
    first.parallaxEffect(625, 0.0F, 0.0F);
    EXPECT_EQ(first.getX(), 10 - 23);
}

TEST_F(SdlTest, ButtonDrawsItsStateAndClicksOnPressesInsideItsInclusiveEdges) {
    ButtonEntity button("ask", "", "button", 10, 10, 100, 50, 0.0F, 0.0F,
                        {solidTexture(RED), solidTexture(GREEN), solidTexture(BLUE)}, false, 128, true, true);
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
    button.setVisibility(false);
    EXPECT_TRUE(sameRgb(drawn(ButtonEntity::NORMAL), BLACK));

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

// Clicks in the program's window map exactly as its renderer draws, through resizes. The button
// reaches below the logical area, where the letterbox bar must not hit it.
TEST(LogicalCoordinates, FollowTheWindowRenderer) {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = startWindowed(window, 960, 540);
    ButtonEntity button("b", "", "button", 100, 1000, 100, 200, 0.0F, 0.0F, {}, false, 255, true, false);
    EXPECT_TRUE(button.contains(100, 1000)); // no logical size: window pixels, not all at (0, 0)
    EXPECT_FALSE(button.contains(99, 1000));

    SDL_RenderSetLogicalSize(renderer, 1920, 1080);
    const LogicalPoint point = windowToLogical(renderer, 50, 50);
    EXPECT_EQ(std::vector({point.x, point.y}), std::vector({100, 100}));
    EXPECT_TRUE(button.contains(100, 500));
    EXPECT_FALSE(button.contains(101, 500));

    resizeWindow(window, 960, 640); // taller than 16:9: 50-pixel bars above and below
    EXPECT_FALSE(windowToLogical(renderer, 50, 30).inDrawingArea);
    EXPECT_TRUE(button.contains(50, 550));
    EXPECT_FALSE(button.contains(50, 549));
    EXPECT_FALSE(button.contains(60, 600)); // logical (120, 1100): in the bar

    resizeWindow(window, 1200, 540); // wider: 120-pixel bars left and right
    EXPECT_FALSE(windowToLogical(renderer, 100, 200).inDrawingArea);
    EXPECT_TRUE(button.contains(170, 500));
    EXPECT_FALSE(button.contains(169, 500));
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_Quit();
}
