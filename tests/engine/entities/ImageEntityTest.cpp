#include "EntitySupport.h"

#include "entities/ImageEntity.h"

namespace {
ImageEntity makeImage(std::vector<SDL_Texture*> textures, int opacity = 255, float velocityX = 0.0F,
                      bool animated = false, bool visible = true) {
    return {"picture", "picture.png",       "image",  10,      20,     100, 50, velocityX,
            0.0F,      std::move(textures), animated, opacity, visible};
}
} // namespace

TEST_F(SdlTest, ImageEntityDrawsWithItsOpacityAndVisibility) {
    makeImage({solidTexture(RED)}, 128).render(renderer);
    EXPECT_NEAR(pixelAt(50, 40).r, 128, 2);
    EXPECT_TRUE(sameRgb(pixelAt(5, 5), BLACK));

    // 256 would wrap to 0, fully transparent, as an 8-bit value: it is clamped instead.
    ImageEntity overflowing = makeImage({solidTexture(RED)}, 256);
    EXPECT_EQ(overflowing.getOpacity(), 255);
    overflowing.render(renderer);
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
    EXPECT_EQ((std::vector{origin.getX(), origin.getY(), origin.getWidth(), origin.getHeight()}),
              (std::vector{-50, -25, 200, 100}));
    origin.scale(1.0F, 1.0F);
    EXPECT_EQ((std::vector{origin.getX(), origin.getY(), origin.getWidth(), origin.getHeight()}),
              (std::vector{0, 0, 100, 50}));

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
