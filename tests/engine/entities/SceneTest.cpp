#include "EntitySupport.h"

#include "core/FrameLoop.h"
#include "core/Logging.h"
#include "entities/Scene.h"

#include <memory>

using nlohmann::json;

namespace {
class TestScene : public Scene {
public:
    using Scene::Scene;
    void setupSceneItems(SDL_Renderer* /*renderer*/) override {}
    void handleInput(SDL_Event& /*event*/) override {}
};
} // namespace

TEST_F(SdlTest, SceneFindsRecordsByIdThenOwnsDrivesAndDrawsTheirEntities) {
    const json bg{{"entityID", "bg"}, {"entityType", "image"}, {"texturePath", solidImageFile("red.png", RED)},
                  {"width", 40},      {"height", 40},          {"velocityX", 1000.0}};
    const json broken{{"entityID", "broken"}, {"entityType", "image"}, {"texturePath", "missing.png"}};
    const json data{{"entities",
                     {42, json{{"entityID", 7}, {"marker", "numeric id"}}, json{{"marker", "no id"}},
                      json{{"entityID", "a"}, {"marker", "first a"}}, json{{"entityID", "a"}, {"marker", "second a"}},
                      json{{"entityID", "7"}, {"marker", "string 7"}}, bg, broken}},
                    {"title", "Qu\xC3\xA9 \xFF"}};
    std::weak_ptr<Entity> kept;
    {
        TestScene scene("Lookup", data, renderer);
        EXPECT_EQ(std::vector({scene.getEntityByID("a")["marker"], scene.getEntityByID("")["marker"],
                               scene.getEntityByID("7")["marker"], scene.getEntityByID("b")}),
                  std::vector<json>({"first a", "no id", "string 7", nullptr}));
        scene.dumpJsonDataToLog(); // readable text as it is, a broken byte marked
        logFile.flush();
        const std::string log = testsupport::readFile(scratch.path() / "log.txt");
        EXPECT_NE(log.find("\n    \"title\": \"Qu\xC3\xA9 \xEF\xBF\xBD\""), std::string::npos);

        EXPECT_EQ(scene.createAndStoreEntityByID("broken"), nullptr);
        kept = scene.createAndStoreEntityByID("bg");
        EXPECT_EQ(scene.getEntities().size(), 1U);
        scene.update(16.9F); // 16 ms: 16 px at 1000 px/s
        scene.update(0.5F);
        scene.render(renderer);
        EXPECT_TRUE(bounds(*kept.lock())[0] == 16 && shows(30, 20, RED) && shows(10, 20, BLACK));
    }
    EXPECT_TRUE(kept.expired()); // the scene was the only owner
}

TEST_F(SdlTest, AFrameClearsWhatWasDrawnBeforeIt) {
    clear(RED);
    FrameLoop loop(renderer, {});
    ASSERT_TRUE(loop.drawIfChanged()) << "the first frame, with no scene to show";
    EXPECT_TRUE(shows(10, 10, SDL_Color{24, 25, 26, 255}));
}
