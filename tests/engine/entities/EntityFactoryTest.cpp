#include "EntitySupport.h"

#include "entities/ButtonEntity.h"
#include "entities/EntityFactory.h"
#include "entities/ImageEntity.h"
#include "entities/TextBox.h"

#include <memory>

using nlohmann::json;

TEST_F(SdlTest, FactoryBuildsImagesWithDefaultsAndRefusesBadRecords) {
    const std::string red = solidImageFile("red.png", RED);
    std::unique_ptr<Entity> entity(EntityFactory::createImageEntity(
        json{{"entityType", "image"}, {"texturePath", red}, {"opacity", 300}}, renderer));
    auto* image = dynamic_cast<ImageEntity*>(entity.get());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->getId(), "undefined");
    EXPECT_EQ(std::vector({image->getX(), image->getY(), image->getWidth(), image->getHeight()}),
              std::vector({0, 0, 0, 0}));
    EXPECT_EQ(image->getOpacity(), 255); // clamped, not 300 % 256

    EXPECT_EQ(EntityFactory::createImageEntity(json::object(), renderer), nullptr);
    EXPECT_EQ(EntityFactory::createImageEntity(json{{"texturePath", red}}, renderer), nullptr);
    EXPECT_EQ(EntityFactory::createImageEntity(json::array(), renderer), nullptr);
    EXPECT_EQ(EntityFactory::createButtonEntity(json("AskButton"), renderer), nullptr);
    EXPECT_EQ(EntityFactory::createTextBoxEntity(json(), renderer), nullptr);
    const std::string log = logText();
    for (const std::string& line :
         {"..[INFO] Successfully loaded texture: " + red, std::string("Failed to load texture: , SDL Error: "),
          std::string("**[WARN] Unsupported entity type: undefined ["), std::string("**[WARN] Invalid entity data ["),
          std::string("**[WARN] Invalid entity data for button ["),
          std::string("**[WARN] Invalid entity data for text box ["),
          std::string("] [Engine/src/entities/EntityFactory:")}) {
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
}

TEST_F(SdlTest, FactoryRefusesValuesOfTheWrongTypeOrRangeWithoutThrowing) {
    const json image{{"entityType", "image"}, {"entityID", "bg"}, {"texturePath", solidImageFile("red.png", RED)}};
    const auto refused = [&](const char* key, const json& value) {
        json record = image;
        record[key] = value;
        return std::unique_ptr<Entity>(EntityFactory::createImageEntity(record, renderer)) == nullptr;
    };
    EXPECT_TRUE(refused("x", "100"));
    EXPECT_NE(
        logText().find(
            R"(!![ERROR] Invalid image entity record "bg": "x": [json.exception.type_error.302] type must be number, but is string)"),
        std::string::npos);
    for (const auto& [key, value] : {std::pair<const char*, json>{"isVisible", 1},
                                     {"velocityX", json::array()},
                                     {"width", 1e300},
                                     {"width", 474836460},
                                     {"height", 4294967296LL},
                                     {"velocityY", -1e300},
                                     {"opacity", nullptr}}) {
        EXPECT_TRUE(refused(key, value)) << key;
    }
    EXPECT_FALSE(refused("x", 12.7)); // a float still converts, truncated
    EXPECT_TRUE(refused("entityID", 7));
    EXPECT_NE(logText().find(R"(Invalid image entity record: "entityID": )"), std::string::npos);
    EXPECT_EQ(EntityFactory::createButtonEntity(json{{"entityID", "b"}, {"y", json::object()}}, renderer), nullptr);
    EXPECT_NE(logText().find(R"(Invalid button record "b": "y": )"), std::string::npos);
    EXPECT_EQ(EntityFactory::createTextBoxEntity(json{{"fontColorG", "green"}}, renderer), nullptr);
    EXPECT_EQ(EntityFactory::createTextBoxEntity(json{{"height", 9000}}, renderer), nullptr);
    EXPECT_NE(logText().find(R"(Invalid text box record: "height": larger than 8192: 9000)"), std::string::npos);
    EXPECT_NE(logText().find(R"(Invalid text box record: "fontColorG": )"), std::string::npos);
}

TEST_F(SdlTest, FactoryBuildsButtonsAndStopsAtTheFirstMissingTexture) {
    json record{{"entityID", "AskButton"},
                {"texturePathNormal", solidImageFile("n.png", RED)},
                {"texturePathHover", solidImageFile("h.png", GREEN)},
                {"texturePathClicked", solidImageFile("c.png", BLUE)},
                {"x", 10},
                {"y", 10},
                {"width", 50},
                {"height", 50}};
    std::unique_ptr<ButtonEntity> button(EntityFactory::createButtonEntity(record, renderer));
    ASSERT_TRUE(button);
    EXPECT_EQ(button->getType(), "button");
    EXPECT_FALSE(button->isTooltipEnabled());
    button->setState(ButtonEntity::HOVER);
    button->render(renderer);
    EXPECT_TRUE(sameRgb(pixelAt(30, 30), GREEN));

    record["texturePathHover"] = "missing.png";
    EXPECT_EQ(EntityFactory::createButtonEntity(record, renderer), nullptr);
    const std::string log = logText();
    EXPECT_NE(log.find("Failed to load texture: missing.png"), std::string::npos);
    const std::string clickedLoaded = "Successfully loaded texture: " + record["texturePathClicked"].get<std::string>();
    EXPECT_EQ(log.find(clickedLoaded), log.rfind(clickedLoaded)); // only for the first button
}

TEST_F(SdlTest, FactoryBuildsTextBoxesWithDefaultsAndClampedColours) {
    std::unique_ptr<TextBox> fallback(EntityFactory::createTextBoxEntity(json::object(), renderer));
    ASSERT_TRUE(fallback); // returned although its font (empty path) cannot be opened
    EXPECT_NE(logText().find("Failed to load font at path:  | TTF Error: "), std::string::npos);
    EXPECT_NE(logText().find("Successfully created TextBox with ID: undefined"), std::string::npos);

    // The caret is drawn in the text colour: 300 must give full red, not 44; -5 gives 0.
    std::unique_ptr<TextBox> box(EntityFactory::createTextBoxEntity(json{{"fontPath", assetFont("Lato-Regular.ttf")},
                                                                         {"fontSize", 20},
                                                                         {"fontColorR", 300},
                                                                         {"fontColorG", -5},
                                                                         {"fontColorB", 0}},
                                                                    renderer));
    ASSERT_TRUE(box);
    box->setActive(true);
    box->render(0);
    int redPixels = 0;
    for (int x = 0; x < 200; ++x) {
        redPixels += static_cast<int>(sameRgb(pixelAt(x, 15), RED));
    }
    EXPECT_EQ(redPixels, 2); // the caret, in the default 200 × 30 box at (0, 0)
    EXPECT_TRUE(sameRgb(pixelAt(199, 29), (SDL_Color{200, 200, 200, 255})));
    EXPECT_TRUE(sameRgb(pixelAt(100, 31), BLACK));

    EntityFactory::setAssetRoot("../Game/Murkmoot/");
    EXPECT_EQ(EntityFactory::assetRoot, "../Game/Murkmoot/");
    EXPECT_NE(logText().find("EntityFactory assetRoot set to: ../Game/Murkmoot/"), std::string::npos);
}
