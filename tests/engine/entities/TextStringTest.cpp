#include "EntitySupport.h"

#include "entities/TextString.h"

#include <SDL_ttf.h>

namespace {
TextString label(SDL_Renderer* renderer, const std::string& text, bool typed = false, float velocityX = 0.0F,
                 const std::string& font = assetFont("Lato-Regular.ttf")) {
    return {renderer, text, 10, 10, font, 20, WHITE, velocityX, 0.0F, true, typed, 0, 50};
}
} // namespace

TEST_F(SdlTest, TextStringRevealsWholeCharactersOnTime) {
    TextString text = label(renderer, "abcdef", true);
    EXPECT_EQ(text.getTextureSize().x, 0); // nothing before the first character is due
    text.update(120);
    EXPECT_EQ(text.getText(), "ab");
    text.update(30); // with the 20 ms carried over
    EXPECT_EQ(text.getText(), "abc");
    EXPECT_FALSE(text.isTypingComplete());
    text.setCharDelay(0);
    text.update(1);
    EXPECT_EQ(text.getText(), "abcdef");
    EXPECT_TRUE(text.isTypingComplete());

    TextString accented = label(renderer, "h\xC3\xA9llo", true);
    accented.update(100);
    EXPECT_EQ(accented.getText(), "h\xC3\xA9"); // the "é" whole, never half of it

    // Recolouring or rewrapping before anything is revealed must not put a space in front.
    TextString recoloured = label(renderer, "ab", true);
    recoloured.setColor(RED);
    recoloured.setWrapLength(200);
    recoloured.update(50);
    EXPECT_EQ(recoloured.getText(), "a");

    // setText while typing keeps the old texture until the first new character is due.
    TextString replaced = label(renderer, "old text");
    const int oldWidth = replaced.getTextureSize().x;
    replaced.setTyped(true);
    replaced.setText("x");
    EXPECT_EQ(replaced.getTextureSize().x, oldWidth);
    replaced.update(50);
    EXPECT_LT(replaced.getTextureSize().x, oldWidth);

    EXPECT_TRUE(label(renderer, "", true).isTypingComplete());
    TextString untyped = label(renderer, "abc", true);
    untyped.setTyped(false);
    EXPECT_EQ(untyped.getText(), "abc");
    EXPECT_FALSE(untyped.isTypingComplete());
}

TEST_F(SdlTest, TextStringDrawsUtf8MovesAndCentres) {
    TextString accents = label(renderer, "\xC3\xA9\xC3\xA9\xC3\xA9");
    int utf8Width = 0;
    TTF_SizeUTF8(accents.getFont(), "\xC3\xA9\xC3\xA9\xC3\xA9", &utf8Width, nullptr);
    EXPECT_EQ(accents.getTextureSize().x, utf8Width); // three glyphs, not six Latin-1 ones
    accents.render();
    EXPECT_GT(litPixels(SDL_Rect{10, 10, utf8Width, 30}), 0);

    TextString empty = label(renderer, "");
    EXPECT_EQ(empty.getText(), " ");
    EXPECT_GT(empty.getTextureSize().x, 0);

    const SDL_Point size = accents.getTextureSize();
    accents.centerText(301, 200);
    EXPECT_EQ(std::vector({accents.getX(), accents.getY()}), std::vector({(301 - size.x) / 2, (200 - size.y) / 2}));
    accents.yCenterText(3, 100);
    EXPECT_EQ(accents.getX(), 3);

    TextString moving = label(renderer, "m", false, 0.05F);
    moving.update(16); // 0.8 px truncates to nothing
    EXPECT_EQ(moving.getX(), 10);
    moving.update(100);
    EXPECT_EQ(moving.getX(), 15);

    clear(BLACK);
    moving.setVisibility(false);
    moving.render();
    EXPECT_EQ(litPixels(SDL_Rect{0, 0, 200, 60}), 0);

    TextString broken = label(renderer, "x", false, 0.0F, assetFont("missing.ttf"));
    EXPECT_FALSE(broken.isVisible());
    EXPECT_NE(logText().find("!![ERROR] Failed to load font ["), std::string::npos);
    EXPECT_NE(logText().find("TextString missing font or renderer ["), std::string::npos);
    EXPECT_NE(logText().find("Engine/src/entities/TextString:"), std::string::npos);
}
