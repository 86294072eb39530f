#include "EntitySupport.h"

#include "entities/ButtonEntity.h"
#include "entities/EntityFactory.h"
#include "entities/ImageEntity.h"
#include "entities/Scene.h"
#include "entities/SceneManager.h"
#include "entities/TextBox.h"

#include <SDL_ttf.h>

#include <limits>
#include <memory>

using nlohmann::json;

namespace {
class TestScene : public Scene {
public:
    TestScene(const std::string& name, const json& data, SDL_Renderer* renderer, bool typing = false)
        : Scene(name, data, renderer), typing(typing) {}
    void setupSceneItems(SDL_Renderer* /*renderer*/) override {}
    void handleInput(SDL_Event& /*event*/) override {}
    bool hasActiveTextInput() const override { return typing; }

private:
    bool typing = false;
};
} // namespace

// Every field of each kind of record, none at its default, shows in what the entity then does.
TEST_F(SdlTest, FactoryUsesEveryFieldOfARecord) {
    const std::string red = solidImageFile("red.png", RED);
    std::unique_ptr<Entity> entity(EntityFactory::createImageEntity(
        json{{"entityType", "image"}, {"entityID", "moon"}, {"texturePath", red}, {"x", 30}, {"y", 40}, {"width", 50},
             {"height", 60}, {"isAnimated", true}, {"isVisible", false}, {"opacity", 100}, {"velocityX", 1000.0},
             {"velocityY", -2000.0}},
        renderer));
    auto* image = dynamic_cast<ImageEntity*>(entity.get());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->getId(), "moon");
    image->render(renderer); // hidden
    EXPECT_TRUE(sameRgb(pixelAt(40, 50), BLACK));
    image->update(10); // 10 px right, 20 px up
    EXPECT_EQ((std::vector{image->getX(), image->getY(), image->getWidth(), image->getHeight(), image->getOpacity()}),
              (std::vector{40, 20, 50, 60, 100}));

    json record{{"entityID", "ask"},     {"texturePathNormal", red}, {"texturePathHover", solidImageFile("g.png", GREEN)},
                {"x", 200},              {"y", 100},                 {"texturePathClicked", solidImageFile("b.png", BLUE)},
                {"width", 30},           {"height", 40}};
    std::unique_ptr<ButtonEntity> button(EntityFactory::createButtonEntity(record, renderer));
    ASSERT_TRUE(button);
    EXPECT_EQ(std::vector({button->getId(), button->getType()}), std::vector<std::string>({"ask", "button"}));
    for (const auto& [state, colour] :
         {std::pair{ButtonEntity::NORMAL, RED}, {ButtonEntity::HOVER, GREEN}, {ButtonEntity::CLICKED, BLUE}}) {
        button->setState(state);
        button->render(renderer);
        EXPECT_TRUE(sameRgb(pixelAt(200, 100), colour) && sameRgb(pixelAt(229, 139), colour)) << state;
    }
    clear(BLACK);
    record["isVisible"] = false;
    std::unique_ptr<ButtonEntity>(EntityFactory::createButtonEntity(record, renderer))->render(renderer);
    EXPECT_TRUE(sameRgb(pixelAt(210, 110), BLACK));

    // Blending makes the text colour's alpha show in the caret over the green background.
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    std::unique_ptr<TextBox> box(EntityFactory::createTextBoxEntity(
        json{{"entityID", "question"}, {"x", 20}, {"y", 30}, {"width", 150}, {"height", 50},
             {"fontPath", assetFont("Lato-Regular.ttf")}, {"fontSize", 12}, {"fontColorR", 200}, {"fontColorG", 100},
             {"fontColorB", 50}, {"fontColorA", 128}, {"bgImagePath", solidImageFile("bg.png", GREEN)}},
        renderer));
    ASSERT_TRUE(box);
    EXPECT_NE(logText().find("Successfully created TextBox with ID: question"), std::string::npos);
    box->setActive(true);
    box->render(0);
    EXPECT_TRUE(sameRgb(pixelAt(20, 30), GREEN) && sameRgb(pixelAt(169, 79), GREEN));
    EXPECT_TRUE(sameRgb(pixelAt(170, 79), BLACK));
    TTF_Font* font = TTF_OpenFont(assetFont("Lato-Regular.ttf").c_str(), 12);
    int caretX = 0;
    TTF_SizeUTF8(font, "M", &caretX, nullptr);
    caretX += 20;
    const int caretTop = 30 + (50 - TTF_FontHeight(font)) / 2;
    const int caretBottom = caretTop + TTF_FontHeight(font) - 1;
    TTF_CloseFont(font);
    const SDL_Color caret = pixelAt(caretX, caretTop);
    EXPECT_EQ(std::vector({caret.r / 4, caret.g / 4, caret.b / 4}), std::vector({100 / 4, 177 / 4, 25 / 4}));
    EXPECT_TRUE(sameRgb(pixelAt(caretX, caretBottom), caret));
    EXPECT_TRUE(sameRgb(pixelAt(caretX, caretTop - 1), GREEN) && sameRgb(pixelAt(caretX, caretBottom + 1), GREEN));
}

TEST_F(SdlTest, FactoryFallsBackToDefaultsAndRefusesRecordsItCannotUse) {
    const std::string red = solidImageFile("red.png", RED);
    std::unique_ptr<Entity> entity(EntityFactory::createImageEntity(
        json{{"entityType", "image"}, {"texturePath", red}, {"opacity", 300}}, renderer));
    auto* image = dynamic_cast<ImageEntity*>(entity.get());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->getId(), "undefined");
    EXPECT_EQ((std::vector{image->getX(), image->getY(), image->getWidth(), image->getHeight(), image->getOpacity()}),
              (std::vector{0, 0, 0, 0, 255})); // no size: draws nothing; opacity clamped, not 300 % 256

    // A text box comes back even when its font cannot be opened.
    EXPECT_TRUE(std::unique_ptr<TextBox>(EntityFactory::createTextBoxEntity(json::object(), renderer)));
    // Channels are clamped: 300 gives full red, not 44, and -5 gives 0. The caret shows them.
    std::unique_ptr<TextBox> box(EntityFactory::createTextBoxEntity(
        json{{"fontPath", assetFont("Lato-Regular.ttf")}, {"fontSize", 20}, {"fontColorR", 300}, {"fontColorG", -5},
             {"fontColorB", 0}},
        renderer));
    box->setActive(true);
    box->render(0);
    int redPixels = 0;
    for (int x = 0; x < 200; ++x) {
        redPixels += static_cast<int>(sameRgb(pixelAt(x, 15), RED));
    }
    EXPECT_EQ(redPixels, 2); // the caret, in the default 200 × 30 box at (0, 0)
    EXPECT_TRUE(sameRgb(pixelAt(199, 29), (SDL_Color{200, 200, 200, 255})));
    EXPECT_TRUE(sameRgb(pixelAt(100, 31), BLACK));

    EXPECT_EQ(EntityFactory::createImageEntity(json{{"texturePath", red}}, renderer), nullptr); // no type
    EXPECT_EQ(EntityFactory::createImageEntity(json{{"entityType", "image"}}, renderer), nullptr);
    EXPECT_EQ(EntityFactory::createImageEntity(json::array(), renderer), nullptr);
    EXPECT_EQ(EntityFactory::createButtonEntity(json("AskButton"), renderer), nullptr);
    EXPECT_EQ(EntityFactory::createTextBoxEntity(json(), renderer), nullptr);
    const json button{{"texturePathNormal", red}, {"texturePathHover", "missing.png"}, {"texturePathClicked", red}};
    EXPECT_EQ(EntityFactory::createButtonEntity(button, renderer), nullptr);
}

TEST_F(SdlTest, FactoryRefusesValuesOfTheWrongTypeOrRangeWithoutThrowing) {
    const json image{{"entityType", "image"}, {"entityID", "bg"}, {"texturePath", solidImageFile("red.png", RED)}};
    const auto refused = [&](const char* key, const json& value) {
        json record = image;
        record[key] = value;
        return std::unique_ptr<Entity>(EntityFactory::createImageEntity(record, renderer)) == nullptr;
    };
    constexpr int MIN = std::numeric_limits<int>::min();
    constexpr int MAX = std::numeric_limits<int>::max();
    for (const auto& [key, value] : {std::pair<const char*, json>{"x", "100"},
                                     {"entityID", 7},
                                     {"isVisible", 1},
                                     {"velocityX", json::array()},
                                     {"opacity", nullptr},
                                     {"x", std::int64_t{MIN} - 1},
                                     {"x", std::uint64_t{MAX} + 1},
                                     {"x", double{MIN} - 1.0},
                                     {"x", double{MAX} + 1.0},
                                     {"width", 1e300},
                                     {"width", 8193},
                                     {"height", 4294967296LL},
                                     {"velocityY", -1e300}}) {
        EXPECT_TRUE(refused(key, value)) << key << " = " << value;
    }
    // The whole int range is taken, floats truncated.
    for (const auto& [key, value] : {std::pair<const char*, json>{"x", MIN},
                                     {"x", MAX},
                                     {"x", static_cast<unsigned>(MAX)},
                                     {"x", 12.7},
                                     {"x", double{MIN} - 0.5},
                                     {"x", double{MAX} + 0.5},
                                     {"width", 8192},
                                     {"velocityX", std::numeric_limits<float>::max()}}) {
        EXPECT_FALSE(refused(key, value)) << key << " = " << value;
    }
    EXPECT_EQ(EntityFactory::createButtonEntity(json{{"entityID", "b"}, {"y", json::object()}}, renderer), nullptr);
    EXPECT_EQ(EntityFactory::createTextBoxEntity(json{{"fontColorG", "green"}}, renderer), nullptr);
    EXPECT_EQ(EntityFactory::createTextBoxEntity(json{{"height", 9000}}, renderer), nullptr);
}

TEST_F(SdlTest, SceneLooksUpRecordsByIdAndSkipsMalformedOnes) {
    TestScene missing("Missing", json{{"other", 1}}, renderer);
    TestScene notArray("NotArray", json{{"entities", json::object()}}, renderer);
    TestScene notObject("NotObject", json::array(), renderer);
    for (const Scene* scene : {&missing, &notArray, &notObject}) {
        EXPECT_TRUE(scene->getEntityByID("a").is_null());
    }
    EXPECT_EQ(notArray.createAndStoreEntityByID("a"), nullptr);

    const json data{{"entities",
                     {42, json{{"entityID", 7}, {"marker", "numeric id"}}, json{{"marker", "no id"}},
                      json{{"entityID", "a"}, {"marker", "first a"}}, json{{"entityID", "a"}, {"marker", "second a"}},
                      json{{"entityID", "7"}, {"marker", "string 7"}}}},
                    {"title", "Qu\xC3\xA9 \xFF"}};
    TestScene scene("Lookup", data, renderer);
    EXPECT_EQ(scene.getEntityByID("a")["marker"], "first a");
    EXPECT_EQ(scene.getEntityByID("")["marker"], "no id");
    EXPECT_EQ(scene.getEntityByID("7")["marker"], "string 7");
    EXPECT_TRUE(scene.getEntityByID("b").is_null());
    scene.dumpJsonDataToLog(); // readable text as it is, a broken byte marked
    EXPECT_NE(logText().find("\n    \"title\": \"Qu\xC3\xA9 \xEF\xBF\xBD\""), std::string::npos);
}

TEST_F(SdlTest, SceneOwnsDrivesAndDrawsItsEntities) {
    const json data{{"entities",
                     {json{{"entityID", "bg"},
                           {"entityType", "image"},
                           {"texturePath", solidImageFile("red.png", RED)},
                           {"width", 40},
                           {"height", 40},
                           {"velocityX", 1000.0}},
                      json{{"entityID", "broken"}, {"entityType", "image"}, {"texturePath", "missing.png"}}}}};
    std::weak_ptr<Entity> kept;
    {
        TestScene scene("Owner", data, renderer);
        EXPECT_EQ(scene.createAndStoreEntityByID("broken"), nullptr);
        kept = scene.createAndStoreEntityByID("bg");
        EXPECT_EQ(scene.getEntities().size(), 1U);
        auto image = std::dynamic_pointer_cast<ImageEntity>(kept.lock());
        ASSERT_TRUE(image);
        scene.update(16.9F); // 16 ms: 16 px at 1000 px/s
        EXPECT_EQ(image->getX(), 16);
        scene.update(0.5F);
        EXPECT_EQ(image->getX(), 16);
        scene.render(renderer);
        EXPECT_TRUE(sameRgb(pixelAt(30, 20), RED));
        EXPECT_TRUE(sameRgb(pixelAt(10, 20), BLACK));
    }
    EXPECT_TRUE(kept.expired()); // the scene was the only owner
}

TEST_F(SdlTest, SceneManagerKeepsTheCurrentSceneOnTop) {
    SceneManager& manager = SceneManager::getInstance();
    EXPECT_EQ(manager.currentScene(), nullptr);
    auto typing = std::make_shared<TestScene>("Typing", json::object(), renderer, true);
    manager.pushScene(std::make_shared<TestScene>("A", json::object(), renderer));
    manager.pushScene(typing);
    EXPECT_EQ(manager.getCurrentScene(), typing);

    SDL_StartTextInput(); // covering a scene that takes text stops text input
    std::weak_ptr<Scene> covered = typing;
    typing.reset();
    manager.pushScene(std::make_shared<TestScene>("Next", json::object(), renderer));
    EXPECT_EQ(SDL_IsTextInputActive(), SDL_FALSE);

    auto only = std::make_shared<TestScene>("Only", json::object(), renderer);
    manager.setCurrentScene(only);
    EXPECT_TRUE(covered.expired()); // popped and released
    manager.pushScene(nullptr);
    EXPECT_EQ(manager.currentScene(), only);
    manager.clearScenes();
    EXPECT_EQ(manager.currentScene(), nullptr);
}
