#include "EntitySupport.h"

#include "entities/ImageEntity.h"

namespace {
// Animated, which with one texture or none changes nothing.
ImageEntity makeImage(std::vector<SDL_Texture*> textures, int opacity = 255, float velocityX = 0.0F,
                      bool visible = true) {
    return {"picture", "", "image", 10, 20, 100, 50, velocityX, 0.0F, std::move(textures), true, opacity, visible};
}
} // namespace

TEST_F(SdlTest, ImageEntityDrawsItsFramesInTurnWithItsClampedOpacityUnlessHidden) {
    makeImage({solidTexture(RED)}, 128).render(renderer);
    EXPECT_NEAR(pixelAt(50, 40).r, 128, 2);
    // Opacity is clamped, not wrapped: 256 draws opaque, 0 leaves the background untouched.
    for (const auto& [opacity, visible, colour] :
         {std::tuple{256, true, RED}, {0, true, BLACK}, {255, false, BLACK}}) {
        clear(BLACK);
        makeImage({solidTexture(RED)}, opacity, 0.0F, visible).render(renderer);
        EXPECT_TRUE(shows(50, 40, colour) && shows(5, 5, BLACK)) << opacity;
    }
    // Each frame shows for 100 ms, then the next, back round to the first.
    ImageEntity animated = makeImage({solidTexture(RED), solidTexture(GREEN)});
    std::vector<bool> green;
    for (const int ms : {99, 1, 99, 1}) {
        animated.update(ms);
        animated.render(renderer);
        green.push_back(shows(50, 40, GREEN));
    }
    EXPECT_EQ(green, std::vector({false, true, true, false}));
}

TEST_F(SdlTest, ImageEntityMovesFadesAndScales) {
    ImageEntity image = makeImage({}, 0, 50.0F);
    image.update(16); // 0.8 px truncates to nothing
    image.update(100);
    image.fadeIn(5);
    const int opacity = image.getOpacity();
    image.fadeIn(3000);
    ImageEntity nearlyGone = makeImage({}, 1);
    nearlyGone.fadeOut(25);
    EXPECT_EQ(std::vector({image.getX(), opacity, image.getOpacity(), nearlyGone.getOpacity()}),
              std::vector({15, 0, 255, 0}));
    image.scale(2.0F, 3.0F); // about the centre, from the size it started with
    EXPECT_EQ(bounds(image), (std::vector{-35, -30, 200, 150, 255}));
    image.scale(1.0F, 1.0F);
    EXPECT_EQ(bounds(image), (std::vector{15, 20, 100, 50, 255}));
    // The parallax sway swings 23 px either side of where the image was placed, over 2.5 s.
    image.parallaxEffect(625, 0.0F, 0.0F);
    const int swayedRight = image.getX();
    image.parallaxEffect(1250, 0.0F, 0.0F);
    EXPECT_EQ(std::vector({swayedRight, image.getX()}), std::vector({33, -13}));
}
