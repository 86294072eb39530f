#include "EntitySupport.h"

#include "entities/TextString.h"

#include <SDL_ttf.h>

namespace {
constexpr int SIZE = 20;

TextString label(SDL_Renderer* renderer, const std::string& text, bool typed = false,
                 float velocityX = 0.0F, const std::string& font = assetFont("Lato-Regular.ttf")) {
    return TextString(renderer, text, 10, 10, font, SIZE, SDL_Color{255, 255, 255, 255}, velocityX,
                      0.0F, true, typed, 0, 50);
}
} // namespace

TEST_F(SdlTest, TextStringRevealsWholeCharactersOnTime) {
    {
        TextString text = label(renderer, "abcdef", true);
        EXPECT_EQ(text.getText(), "");
        EXPECT_EQ(text.getTextureSize().x, 0); // nothing shown before the first character
        text.update(120);
        EXPECT_EQ(text.getText(), "ab");
        text.update(30); // the 20 ms left over carry into this update
        EXPECT_EQ(text.getText(), "abc");
        EXPECT_FALSE(text.isTypingComplete());
        text.setCharDelay(0);
        text.update(1);
        EXPECT_EQ(text.getText(), "abcdef");
        EXPECT_TRUE(text.isTypingComplete());
    }
    {
        // UTF-8: "é" is revealed as one character, never as half of one.
        TextString text = label(renderer, "h\xC3\xA9llo", true);
        text.update(50);
        EXPECT_EQ(text.getText(), "h");
        text.update(50);
        EXPECT_EQ(text.getText(), "h\xC3\xA9");
    }
    {
        // Changing the colour or wrap before anything is revealed must not add a leading space.
        TextString text = label(renderer, "ab", true);
        text.setColor(SDL_Color{255, 0, 0, 255});
        text.setWrapLength(200);
        text.update(50);
        EXPECT_EQ(text.getText(), "a");
    }
    {
        // setText while typing keeps the old texture until the first new character is due.
        TextString text = label(renderer, "old text", false);
        const int oldWidth = text.getTextureSize().x;
        text.setTyped(true);
        text.setText("x");
        EXPECT_EQ(text.getTextureSize().x, oldWidth);
        text.update(50);
        EXPECT_LT(text.getTextureSize().x, oldWidth);
        EXPECT_EQ(text.getText(), "x");
    }
    {
        TextString empty = label(renderer, "", true);
        EXPECT_TRUE(empty.isTypingComplete());
        TextString shown = label(renderer, "abc", true);
        shown.setTyped(false);
        EXPECT_EQ(shown.getText(), "abc");
        EXPECT_FALSE(shown.isTypingComplete());
    }
}

TEST_F(SdlTest, TextStringDrawsUtf8MovesAndCentres) {
    {
        // Drawn as UTF-8: one glyph for "é", the width SDL_ttf measures for it as UTF-8.
        TextString text = label(renderer, "\xC3\xA9\xC3\xA9\xC3\xA9");
        int utf8Width = 0;
        TTF_SizeUTF8(text.getFont(), "\xC3\xA9\xC3\xA9\xC3\xA9", &utf8Width, nullptr);
        EXPECT_EQ(text.getTextureSize().x, utf8Width);
        text.render();
        EXPECT_TRUE(litPixels(SDL_Rect{10, 10, utf8Width, 30}) > 0);
    }
    {
        TextString empty = label(renderer, "");
        EXPECT_EQ(empty.getText(), " ");
        EXPECT_GT(empty.getTextureSize().x, 0);
    }
    {
        TextString text = label(renderer, "centre me");
        const SDL_Point size = text.getTextureSize();
        text.centerText(301, 200);
        EXPECT_EQ(text.getX(), (301 - size.x) / 2);
        EXPECT_EQ(text.getY(), (200 - size.y) / 2);
        text.xCenterText(400, 7);
        EXPECT_EQ(text.getY(), 7);
        text.yCenterText(3, 100);
        EXPECT_EQ(text.getX(), 3);
    }
    {
        TextString moving = label(renderer, "m", false, 0.05F);
        moving.update(16); // 0.8 px truncates to nothing
        EXPECT_EQ(moving.getX(), 10);
        moving.update(100);
        EXPECT_EQ(moving.getX(), 15);
    }
    {
        clear(BLACK);
        TextString hidden = label(renderer, "hidden");
        hidden.setVisibility(false);
        hidden.render();
        EXPECT_EQ(litPixels(SDL_Rect{0, 0, 200, 60}), 0);
    }
    {
        TextString broken = label(renderer, "x", false, 0.0F, assetFont("missing.ttf"));
        EXPECT_FALSE(broken.isVisible());
        EXPECT_EQ(broken.getFont(), nullptr);
        EXPECT_NE(logText().find("!![ERROR] Failed to load font ["), std::string::npos);
        EXPECT_NE(logText().find("TextString missing font or renderer"), std::string::npos);
        EXPECT_NE(logText().find("Engine/src/entities/TextString:"), std::string::npos);
    }
}

