#include "EntitySupport.h"

#include "entities/ButtonEntity.h"
#include "entities/EntityFactory.h"
#include "entities/TextBox.h"

#include <SDL_ttf.h>

#include <limits>
#include <memory>

using nlohmann::json;

// Every field of each kind of record, none at its default, shows in what the entity then does.
TEST_F(SdlTest, FactoryUsesEveryFieldOfARecord) {
    const std::string red = solidImageFile("red.png", RED);
    const std::unique_ptr<Entity> image(EntityFactory::createImageEntity(
        json{{"entityType", "image"}, {"entityID", "moon"}, {"texturePath", red}, {"x", 30}, {"y", 40}, {"width", 50},
             {"height", 60}, {"isAnimated", true}, {"isVisible", false}, {"opacity", 100}, {"velocityX", 1000.0},
             {"velocityY", -2000.0}},
        renderer));
    image->render(renderer); // hidden
    image->update(10);       // 10 px right, 20 px up
    EXPECT_TRUE(image->getId() == "moon" && shows(40, 50, BLACK));
    EXPECT_EQ(bounds(*image), (std::vector{40, 20, 50, 60, 100}));

    const json record{{"entityID", "ask"},
                      {"texturePathNormal", red},
                      {"texturePathHover", solidImageFile("g.png", GREEN)},
                      {"texturePathClicked", solidImageFile("b.png", BLUE)},
                      {"x", 200}, {"y", 100}, {"width", 30}, {"height", 40}, {"isVisible", false}};
    const std::unique_ptr<ButtonEntity> button(EntityFactory::createButtonEntity(record, renderer));
    button->render(renderer); // hidden
    EXPECT_TRUE(shows(210, 110, BLACK) && button->getId() == "ask" && !button->isTooltipEnabled());
    button->setVisibility(true);
    for (const auto& [state, colour] :
         {std::pair{ButtonEntity::NORMAL, RED}, {ButtonEntity::HOVER, GREEN}, {ButtonEntity::CLICKED, BLUE}}) {
        button->setState(state);
        button->render(renderer);
        EXPECT_TRUE(shows(200, 100, colour) && shows(229, 139, colour)) << state;
    }

    // Blending shows the text colour's alpha in the caret, over the green background.
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    const std::unique_ptr<TextBox> box(EntityFactory::createTextBoxEntity(
        json{{"entityID", "question"}, {"x", 20}, {"y", 30}, {"width", 150}, {"height", 50},
             {"fontPath", assetFont("Lato-Regular.ttf")}, {"fontSize", 12}, {"fontColorR", 200}, {"fontColorG", 100},
             {"fontColorB", 50}, {"fontColorA", 128}, {"bgImagePath", solidImageFile("bg.png", GREEN)}},
        renderer));
    box->setActive(true);
    box->render(0);
    EXPECT_TRUE(shows(20, 30, GREEN) && shows(169, 79, GREEN) && shows(170, 79, BLACK));
    TTF_Font* font = TTF_OpenFont(assetFont("Lato-Regular.ttf").c_str(), 12);
    int caretX = 0;
    TTF_SizeUTF8(font, "M", &caretX, nullptr);
    const SDL_Rect caret{20 + caretX, 30 + (50 - TTF_FontHeight(font)) / 2, 1, TTF_FontHeight(font)};
    TTF_CloseFont(font);
    EXPECT_EQ(count(caret, SDL_Color{100, 177, 25, 255}), caret.h);
}

TEST_F(SdlTest, FactoryFallsBackToDefaultsAndRefusesValuesOfTheWrongTypeOrRange) {
    const json image{{"entityType", "image"}, {"texturePath", solidImageFile("red.png", RED)}};
    const std::unique_ptr<Entity> fallback(EntityFactory::createImageEntity(image, renderer));
    EXPECT_EQ(fallback->getId(), "undefined");
    EXPECT_EQ(bounds(*fallback), (std::vector{0, 0, 0, 0, 255})); // no size: draws nothing
    // A text box comes back even when its font cannot be opened.
    EXPECT_TRUE(std::unique_ptr<TextBox>(EntityFactory::createTextBoxEntity(json::object(), renderer)));
    // With no size it is 200 × 30; colour channels out of range are clamped, a missing one full.
    const std::unique_ptr<TextBox> box(EntityFactory::createTextBoxEntity(
        json{{"fontPath", assetFont("Lato-Regular.ttf")}, {"fontColorR", 300}, {"fontColorG", -5},
             {"bgImagePath", solidImageFile("bg.png", GREEN)}},
        renderer));
    box->setActive(true);
    box->render(0);
    EXPECT_TRUE(shows(199, 29, GREEN) && shows(200, 29, BLACK) && shows(199, 30, BLACK));
    EXPECT_GT(count(SDL_Rect{0, 0, 200, 30}, SDL_Color{255, 0, 255, 255}), 0); // the caret

    const auto refused = [&](const char* key, const json& value) {
        json record = image;
        record[key] = value;
        return std::unique_ptr<Entity>(EntityFactory::createImageEntity(record, renderer)) == nullptr;
    };
    constexpr int MIN = std::numeric_limits<int>::min();
    constexpr int MAX = std::numeric_limits<int>::max();
    for (const auto& [key, value] : {std::pair<const char*, json>{"x", "100"}, {"entityID", 7}, {"isVisible", 1},
                                     {"velocityX", json::array()}, {"opacity", nullptr}, {"x", std::int64_t{MIN} - 1},
                                     {"x", std::uint64_t{MAX} + 1}, {"x", double{MIN} - 1.0}, {"x", double{MAX} + 1.0},
                                     {"width", 1e300}, {"width", 8193}, {"velocityY", -1e300}}) {
        EXPECT_TRUE(refused(key, value)) << key << " = " << value;
    }
    // The whole int range is taken, floats truncated.
    for (const auto& [key, value] :
         {std::pair<const char*, json>{"x", MIN}, {"x", MAX}, {"x", static_cast<unsigned>(MAX)},
          {"x", double{MIN} - 0.5}, {"x", double{MAX} + 0.5}, {"width", 8192},
          {"velocityX", std::numeric_limits<float>::max()}}) {
        EXPECT_FALSE(refused(key, value)) << key << " = " << value;
    }
    EXPECT_EQ(EntityFactory::createButtonEntity(json{{"entityID", "b"}, {"y", json::object()}}, renderer), nullptr);
    EXPECT_EQ(EntityFactory::createTextBoxEntity(json{{"fontColorG", "green"}}, renderer), nullptr);
    EXPECT_EQ(EntityFactory::createTextBoxEntity(json{{"fontSize", 2161}}, renderer), nullptr) << "taller than the scene";
}
