#include "EntitySupport.h"

#include "entities/ToolTip.h"
#include "entities/ToolTipManager.h"

#include <SDL_ttf.h>

namespace {
constexpr SDL_Color CHARCOAL{54, 69, 79, 255};
} // namespace

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
