#include "EntitySupport.h"

#include "entities/ImageEntity.h"
#include "entities/Scene.h"
#include "entities/SceneManager.h"

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

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t found = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++found;
    }
    return found;
}
} // namespace

TEST_F(SdlTest, SceneLooksUpRecordsByIdAndSkipsMalformedOnes) {
    TestScene missing("Missing", json{{"other", 1}}, renderer);
    TestScene notArray("NotArray", json{{"entities", json::object()}}, renderer);
    TestScene notObject("NotObject", json::array(), renderer);
    for (const Scene* scene : {&missing, &notArray, &notObject}) {
        EXPECT_TRUE(scene->getEntityByID("a").is_null());
    }
    EXPECT_EQ(notArray.createAndStoreEntityByID("a"), nullptr);
    flushLogRepeats(); // the same error four times over: once, then its count
    EXPECT_EQ(count(logText(), R"(!![ERROR] jsonData["entities"] is missing or not an array!)"), 1U);
    EXPECT_EQ(count(logText(), R"(!![ERROR] Repeated 3 more times: jsonData["entities"] is missing or not an array!)"),
              1U);
    EXPECT_NE(logText().find("Entity data not found for ID: a"), std::string::npos);

    const json data{{"entities",
                     {42, json{{"entityID", 7}, {"marker", "numeric id"}}, json{{"marker", "no id"}},
                      json{{"entityID", "a"}, {"marker", "first a"}}, json{{"entityID", "a"}, {"marker", "second a"}},
                      json{{"entityID", "7"}, {"marker", "string 7"}}}}};
    TestScene scene("Lookup", data, renderer);
    EXPECT_EQ(scene.getEntityByID("a")["marker"], "first a");
    EXPECT_EQ(scene.getEntityByID("")["marker"], "no id");
    EXPECT_EQ(scene.getEntityByID("7")["marker"], "string 7");
    EXPECT_TRUE(scene.getEntityByID("b").is_null());
    const std::string log = logText();
    for (const char* line :
         {"**[WARN] Skipping entities[0]: an entity record must be an object",
          R"(**[WARN] Skipping entities[1]: "entityID" must be a string)", "**[WARN] Entity not found: b",
          "..[INFO] Searching for entity with ID: b [", "Scene created: Lookup [", "] [Engine/src/entities/Scene:"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
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
        EXPECT_NE(logText().find("Failed to create entity: broken"), std::string::npos);
        kept = scene.createAndStoreEntityByID("bg");
        EXPECT_EQ(scene.getEntities().size(), 1U);
        EXPECT_NE(logText().find("Entity created and stored: bg"), std::string::npos);

        auto image = std::dynamic_pointer_cast<ImageEntity>(kept.lock());
        ASSERT_TRUE(image);
        scene.update(16.9F); // 16 ms: 16 px at 1000 px/s
        EXPECT_EQ(image->getX(), 16);
        scene.update(0.5F);
        EXPECT_EQ(image->getX(), 16);
        scene.render(renderer);
        EXPECT_TRUE(sameRgb(pixelAt(30, 20), RED));
        EXPECT_TRUE(sameRgb(pixelAt(10, 20), BLACK));
        scene.dumpJsonDataToLog();
        EXPECT_NE(logText().find("This is the current SceneData.json: {\n    \"entities\""), std::string::npos);
    }
    EXPECT_TRUE(kept.expired()); // the scene was the only owner
    EXPECT_NE(logText().find("Scene destroyed: Owner"), std::string::npos);
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
    EXPECT_EQ(manager.currentScene(), only);
    EXPECT_TRUE(covered.expired()); // popped and released
    EXPECT_EQ(count(logText(), "Scene pushed: Only"), 1U);
    EXPECT_NE(logText().find("[Engine/include/entities/SceneManager:"), std::string::npos);

    manager.pushScene(nullptr);
    EXPECT_EQ(manager.currentScene(), only);
    manager.clearScenes();
    EXPECT_EQ(manager.currentScene(), nullptr);
}
