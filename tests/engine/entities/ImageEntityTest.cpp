#include "EntitySupport.h"

#include "core/Logging.h"
#include "entities/ButtonEntity.h"
#include "entities/EntityFactory.h"
#include "entities/ImageEntity.h"
#include "entities/Scene.h"
#include "entities/TextBox.h"

#include <SDL_ttf.h>

#include <limits>
#include <memory>

using nlohmann::json;

namespace {
// Animated, which with one texture or none changes nothing.
ImageEntity makeImage(std::vector<SDL_Texture*> textures, int opacity = 255, float velocityX = 0.0F,
                      bool visible = true) {
    return {"picture", "", "image", 10, 20, 100, 50, velocityX, 0.0F, std::move(textures), true, opacity, visible};
}

std::vector<int> bounds(const Entity& entity) {
    const auto& image = dynamic_cast<const ImageEntity&>(entity);
    return {image.getX(), image.getY(), image.getWidth(), image.getHeight(), image.getOpacity()};
}

class TestScene : public Scene {
public:
    using Scene::Scene;
    void setupSceneItems(SDL_Renderer* /*renderer*/) override {}
    void handleInput(SDL_Event& /*event*/) override {}
};
} // namespace

TEST_F(SdlTest, ImageEntityDrawsItsFramesInTurnWithItsClampedOpacityUnlessHidden) {
    makeImage({solidTexture(RED)}, 128).render(renderer);
    EXPECT_NEAR(pixelAt(50, 40).r, 128, 2);
    // Opacity is clamped, not wrapped: 256 draws opaque, 0 leaves the background untouched.
    for (const auto& [opacity, visible, colour] :
         {std::tuple{256, true, RED}, {0, true, BLACK}, {255, false, BLACK}}) {
        clear(BLACK);
        makeImage({solidTexture(RED)}, opacity, 0.0F, visible).render(renderer);
        EXPECT_TRUE(shows(50, 40, colour) && shows(5, 5, BLACK)) << opacity;
    }
    // Each frame shows for 100 ms, then the next, back round to the first.
    ImageEntity animated = makeImage({solidTexture(RED), solidTexture(GREEN)});
    std::vector<bool> green;
    for (const int ms : {99, 1, 99, 1}) {
        animated.update(ms);
        animated.render(renderer);
        green.push_back(shows(50, 40, GREEN));
    }
    EXPECT_EQ(green, std::vector({false, true, true, false}));
}

TEST_F(SdlTest, ImageEntityMovesFadesAndScales) {
    ImageEntity image = makeImage({}, 0, 50.0F);
    image.update(16); // 0.8 px truncates to nothing
    image.update(100);
    image.fadeIn(5);
    const int opacity = image.getOpacity();
    image.fadeIn(3000);
    ImageEntity nearlyGone = makeImage({}, 1);
    nearlyGone.fadeOut(25);
    EXPECT_EQ(std::vector({image.getX(), opacity, image.getOpacity(), nearlyGone.getOpacity()}),
              std::vector({15, 0, 255, 0}));
    image.scale(2.0F, 3.0F); // about the centre, from the size it started with
    EXPECT_EQ(bounds(image), (std::vector{-35, -30, 200, 150, 255}));
    image.scale(1.0F, 1.0F);
    EXPECT_EQ(bounds(image), (std::vector{15, 20, 100, 50, 255}));
    // The parallax sway swings 23 px either side of where the image was placed, over 2.5 s.
    image.parallaxEffect(625, 0.0F, 0.0F);
    const int swayedRight = image.getX();
    image.parallaxEffect(1250, 0.0F, 0.0F);
    EXPECT_EQ(std::vector({swayedRight, image.getX()}), std::vector({33, -13}));
}

TEST_F(SdlTest, ButtonDrawsItsStateAndClicksOnPressesInsideItsInclusiveEdges) {
    ButtonEntity button("ask", "", "button", 10, 10, 100, 50, 0.0F, 0.0F,
                        {solidTexture(RED), solidTexture(GREEN), solidTexture(BLUE)}, false, 128, true, true);
    // Opaque despite opacity 128; a right-clicked button, or a hidden one, draws nothing.
    for (const auto& [state, visible, colour] :
         {std::tuple{ButtonEntity::NORMAL, true, RED}, {ButtonEntity::HOVER, true, GREEN},
          {ButtonEntity::CLICKED, true, BLUE}, {ButtonEntity::RIGHT_CLICKED, true, BLACK},
          {ButtonEntity::NORMAL, false, BLACK}}) {
        clear(BLACK);
        button.setState(state);
        button.setVisibility(visible);
        button.render(renderer);
        EXPECT_TRUE(shows(50, 30, colour)) << state;
    }
    int clicks = 0;
    button.setClickAction([&clicks] { ++clicks; });
    // Without a window, pointer pixels are taken as logical pixels.
    EXPECT_TRUE(button.contains(10, 10) && button.contains(110, 60));
    EXPECT_FALSE(button.contains(111, 60) || button.contains(9, 30));
    SDL_Event event{};
    for (const auto& [type, x] :
         {std::pair{SDL_MOUSEBUTTONDOWN, 110}, {SDL_MOUSEBUTTONDOWN, 200}, {SDL_MOUSEBUTTONUP, 50}}) {
        event.type = type;
        event.button.x = x;
        event.button.y = 30;
        button.handleEvent(event);
    }
    EXPECT_EQ(std::vector({clicks, static_cast<int>(button.getState())}), std::vector({1, 0}));
}

// Pointers in the program's window (identifier 1) map exactly as its renderer draws, through a
// resize: the button's edges are inside, the text box's outside, the letterbox bars hit nothing.
TEST_F(SdlTest, PointerHitsFollowTheWindowRenderer) {
    SDL_Window* window = SDL_CreateWindow("test", 0, 0, 960, 540, SDL_WINDOW_RESIZABLE);
    SDL_Renderer* drawing = SDL_CreateRenderer(window, -1, 0);
    // The button reaches below the logical area, into the bar of a taller window.
    ButtonEntity button("b", "", "button", 100, 1000, 100, 200, 0.0F, 0.0F, {}, false, 255, true, false);
    ButtonEntity leftEdge("l", "", "button", 0, 0, 10, 1080, 0.0F, 0.0F, {}, false, 255, true, false);
    SDL_RenderSetLogicalSize(drawing, 1920, 1080);
    EXPECT_TRUE(button.contains(100, 500) && !button.contains(101, 500));
    TextBox box(100, 40, 400, 200, "", 20, WHITE, drawing, "");
    const auto pressAt = [&](int x, int y) { // the box reads the pointer, not the event
        SDL_WarpMouseInWindow(window, x, y);
        SDL_Event event{};
        event.type = SDL_MOUSEBUTTONDOWN;
        box.handleEvent(event);
        return box.isActive() && SDL_IsTextInputActive() == SDL_TRUE;
    };
    EXPECT_FALSE(pressAt(50, 60)); // logical (100, 120), on the edge
    EXPECT_TRUE(pressAt(51, 60));
    EXPECT_FALSE(pressAt(600, 60) || SDL_IsTextInputActive() == SDL_TRUE);

    SDL_SetWindowSize(window, 960, 640); // taller than 16:9: 50-pixel bars above and below
    SDL_PumpEvents();
    EXPECT_TRUE(button.contains(50, 550) && leftEdge.contains(0, 320)); // the window's first column
    EXPECT_FALSE(button.contains(50, 549) || button.contains(60, 600)); // (120, 1100) is in the bar
    // (60, 30) lies in the top bar, although scaling alone would put it inside the box.
    EXPECT_FALSE(pressAt(60, 30));
    EXPECT_TRUE(pressAt(60, 100)); // logical (120, 100)
    SDL_DestroyRenderer(drawing);
    SDL_DestroyWindow(window);
}

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
}

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
