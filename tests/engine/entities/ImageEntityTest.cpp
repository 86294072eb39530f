#include "EntitySupport.h"

#include "entities/ImageEntity.h"

#include <memory>

namespace {
std::unique_ptr<ImageEntity> makeImage(std::vector<SDL_Texture*> textures, int opacity = 255,
                                       float velocityX = 0.0F, bool animated = false,
                                       bool visible = true) {
    return std::make_unique<ImageEntity>("picture", "picture.png", "image", 10, 20, 100, 50,
                                         velocityX, 0.0F, std::move(textures), animated, opacity,
                                         visible);
}
} // namespace

TEST_F(SdlTest, ImageEntityDrawsWithItsOpacityAndVisibility) {
    {
        auto image = makeImage({solidTexture(RED)}, 128);
        image->render(renderer);
        EXPECT_NEAR(pixelAt(50, 40).r, 128, 2);
        EXPECT_TRUE(sameRgb(pixelAt(5, 5), BLACK)); // outside the rectangle
    }
    {
        // 256 would wrap to 0 (invisible) as an 8-bit value: it is clamped to fully opaque.
        clear(BLACK);
        auto image = makeImage({solidTexture(RED)}, 256);
        EXPECT_EQ(image->getOpacity(), 255);
        image->render(renderer);
        EXPECT_TRUE(sameRgb(pixelAt(50, 40), RED));
    }
    {
        clear(BLACK);
        auto hidden = makeImage({solidTexture(RED)}, 255, 1000.0F, true, false);
        hidden->render(renderer);
        EXPECT_TRUE(sameRgb(pixelAt(50, 40), BLACK));
        hidden->update(100); // still moves while hidden
        EXPECT_EQ(hidden->getX(), 110);
    }
    {
        auto empty = makeImage({}, 255, 1000.0F, true);
        empty->render(renderer);
        empty->update(100);
        EXPECT_EQ(empty->getX(), 110);
        EXPECT_TRUE(sameRgb(pixelAt(150, 40), BLACK));
    }
}

TEST_F(SdlTest, ImageEntityAnimatesOneFramePerUpdateAndMovesByTruncatedSteps) {
    auto image = makeImage({solidTexture(RED), solidTexture(GREEN), solidTexture(BLUE)}, 255, 0.0F, true);
    const auto frameColour = [&] {
        image->render(renderer);
        return pixelAt(50, 40);
    };
    image->update(40);
    image->update(40);
    EXPECT_TRUE(sameRgb(frameColour(), RED));
    image->update(40); // 120 >= 100: next frame, timer back to 0 (not 20)
    EXPECT_TRUE(sameRgb(frameColour(), GREEN));
    image->update(80);
    EXPECT_TRUE(sameRgb(frameColour(), GREEN));
    image->update(5000); // one frame at most, whatever the delta
    EXPECT_TRUE(sameRgb(frameColour(), BLUE));
    image->update(100);
    EXPECT_TRUE(sameRgb(frameColour(), RED)); // wraps around

    auto slow = makeImage({}, 255, 50.0F);
    for (int i = 0; i < 10; ++i) {
        slow->update(16); // 0.8 px per update truncates to nothing
    }
    EXPECT_EQ(slow->getX(), 10);
    slow->update(100);
    EXPECT_EQ(slow->getX(), 15);
    slow->update(-100);
    EXPECT_EQ(slow->getX(), 10);
}

TEST_F(SdlTest, ImageEntityFadesScalesAndSways) {
    auto image = makeImage({}, 0);
    image->fadeIn(5);
    EXPECT_EQ(image->getOpacity(), 0);
    image->fadeIn(3000);
    EXPECT_EQ(image->getOpacity(), 255);
    auto nearlyGone = makeImage({}, 1);
    nearlyGone->fadeOut(25);
    EXPECT_EQ(nearlyGone->getOpacity(), 0);

    auto origin = std::make_unique<ImageEntity>("s", "", "image", 0, 0, 100, 50, 0.0F, 0.0F,
                                                std::vector<SDL_Texture*>{}, false, 255, true);
    origin->scale(2.0F, 2.0F);
    EXPECT_EQ((std::vector{origin->getX(), origin->getY(), origin->getWidth(), origin->getHeight()}),
              (std::vector{-50, -25, 200, 100}));
    origin->scale(1.0F, 1.0F);
    EXPECT_EQ((std::vector{origin->getX(), origin->getY(), origin->getWidth(), origin->getHeight()}),
              (std::vector{0, 0, 100, 50}));

    // One clock for every image: a quarter period (625 ms) puts the first at the crest; the second
    // image's call advances the same clock to half a period, back at the centre.
    auto first = makeImage({});
    auto second = makeImage({});
    first->parallaxEffect(625, 0.0F, 0.0F);
    EXPECT_EQ(first->getX(), 10 + 23);
    second->parallaxEffect(625, 0.0F, 0.0F);
    EXPECT_EQ(second->getX(), 10);
    first->setX(500); // the sway centre stays where the image started
    first->parallaxEffect(625, 0.0F, 0.0F);
    EXPECT_EQ(first->getX(), 10 - 23);
}
