#include "EntitySupport.h"

#include "entities/ToolTip.h"
#include "entities/ToolTipManager.h"

#include <SDL_ttf.h>

namespace {
constexpr SDL_Color CHARCOAL{54, 69, 79, 255};
} // namespace

TEST_F(SdlTest, ToolTipBoxFitsItsTextAndDrawsBoxBorderAndLabel) {
    const std::string font = assetFont("Lato-Black.ttf");
    ToolTip tip(renderer, "", font, 20, WHITE, CHARCOAL);
    tip.setText("Ask");
    int textWidth = 0;
    int textHeight = 0;
    TTF_SizeUTF8(tip.getLabel().getFont(), "Ask", &textWidth, &textHeight);
    EXPECT_EQ(tip.getWidth(), textWidth + 10);
    EXPECT_EQ(tip.getHeight(), textHeight + 10);

    tip.setPosition(30, 40);
    EXPECT_EQ(tip.getLabel().getX(), 35);
    EXPECT_EQ(tip.getLabel().getY(), 45);

    tip.render(); // hidden: nothing
    EXPECT_TRUE(sameRgb(pixelAt(30, 40), BLACK));
    SDL_SetRenderDrawColor(renderer, 1, 2, 3, 255);
    tip.show();
    tip.render();
    EXPECT_TRUE(sameRgb(pixelAt(30, 40), CHARCOAL));                      // outer ring: box
    EXPECT_TRUE(sameRgb(pixelAt(31, 41), WHITE));                         // border, inset by one
    EXPECT_TRUE(sameRgb(pixelAt(30 + tip.getWidth() - 2, 45), WHITE));   // right border
    EXPECT_TRUE(sameRgb(pixelAt(33, 43), CHARCOAL));                      // inside the border
    EXPECT_GT(litPixels(SDL_Rect{35, 45, textWidth, textHeight}), 0);    // the label
    Uint8 r = 0;
    Uint8 g = 0;
    Uint8 b = 0;
    Uint8 a = 0;
    SDL_GetRenderDrawColor(renderer, &r, &g, &b, &a);
    EXPECT_EQ((std::vector<int>{r, g, b}), (std::vector<int>{1, 2, 3})); // draw colour restored

    ToolTip broken(renderer, "text", assetFont("missing.ttf"), 20, WHITE, CHARCOAL);
    EXPECT_EQ(broken.getWidth(), 10);
    EXPECT_EQ(broken.getHeight(), 10);
}

TEST_F(SdlTest, ToolTipManagerPlacesAndClampsInTheLogicalArea) {
    ToolTipManager& manager = ToolTipManager::getInstance();
    manager.showToolTip("before init", 10, 10);
    manager.hideToolTip();
    manager.render();
    EXPECT_FALSE(manager.isShowing());
    EXPECT_EQ(manager.getToolTip(), nullptr);

    SDL_RenderSetLogicalSize(renderer, 1920, 1080);
    manager.init(renderer, assetFont("Lato-Black.ttf"), 30, CHARCOAL, WHITE);
    const auto placed = [&](const std::string& text, int x, int y) {
        manager.showToolTip(text, x, y);
        const ToolTip* tip = manager.getToolTip();
        return std::vector{tip->getX(), tip->getY(), tip->getWidth(), tip->getHeight()};
    };
    {
        // Bottom-right corner: pushed left to end at the edge, flipped above the pointer.
        const auto box = placed("Ask the council", 1900, 1070);
        EXPECT_EQ(box[0], 1920 - box[2]);
        EXPECT_EQ(box[1], 1070 - box[3] - 12);
        EXPECT_TRUE(manager.isShowing());
        EXPECT_TRUE(manager.getToolTip()->isVisible());
    }
    {
        // Same text while shown: it does not follow the pointer.
        const auto again = placed("Ask the council", 500, 500);
        EXPECT_EQ(again[0], 1920 - again[2]);
        manager.hideToolTip();
        EXPECT_FALSE(manager.getToolTip()->isVisible());
        const auto moved = placed("Ask the council", 500, 500);
        EXPECT_EQ(moved[0], 500 - moved[2] / 2);
        EXPECT_EQ(moved[1], 512);
    }
    {
        const auto left = placed("Another text", 10, 500);
        EXPECT_EQ(left[0], 0);
        EXPECT_EQ(left[1], 512);
    }
    {
        // Without a logical size the renderer's output bounds the box.
        SDL_RenderSetLogicalSize(renderer, 0, 0);
        manager.hideToolTip();
        const auto box = placed("Ask the council", SURFACE_WIDTH, SURFACE_HEIGHT);
        EXPECT_EQ(box[0], SURFACE_WIDTH - box[2]);
        EXPECT_EQ(box[1], SURFACE_HEIGHT - box[3] - 12);
    }
    manager.shutdown();
    EXPECT_EQ(manager.getToolTip(), nullptr);
    manager.showToolTip("after shutdown", 10, 10);
    EXPECT_FALSE(manager.isShowing());
}
