#include "entities/EntityFactory.h"

#include "core/Logging.h"
#include "core/SdlPtrs.h"
#include "entities/ButtonEntity.h"
#include "entities/ImageEntity.h"
#include "entities/TextBox.h"

#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

using nlohmann::json;

std::string EntityFactory::assetRoot = "Game/Hollowbrook/";

namespace {
// A record value that cannot be used; the message names the key and carries the JSON library's
// own explanation.
class RecordError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Numbers must fit the field they are read into: a conversion out of range is undefined.
template <typename T>
void checkRange(const json& value) {
    if constexpr (std::is_same_v<T, int>) {
        constexpr auto low = static_cast<double>(std::numeric_limits<int>::min());
        constexpr auto high = static_cast<double>(std::numeric_limits<int>::max());
        bool fits = true;
        if (value.is_number_unsigned()) {
            fits = value.get<std::uint64_t>() <= static_cast<std::uint64_t>(std::numeric_limits<int>::max());
        } else if (value.is_number_integer()) {
            const auto number = value.get<std::int64_t>();
            fits = number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max();
        } else if (value.is_number_float()) {
            const auto number = value.get<double>();
            fits = number > low - 1.0 && number < high + 1.0;
        }
        if (!fits) {
            throw RecordError("number out of range: " + value.dump());
        }
    } else if constexpr (std::is_same_v<T, float>) {
        if (value.is_number_float() &&
            std::fabs(value.get<double>()) > static_cast<double>(std::numeric_limits<float>::max())) {
            throw RecordError("number out of range: " + value.dump());
        }
    }
}

// The record's value for key, or fallback when the key is absent.
template <typename T>
T readField(const json& record, const char* key, const T& fallback) {
    try {
        if (const auto found = record.find(key); found != record.end()) {
            checkRange<T>(*found);
        }
        return record.value(key, fallback);
    } catch (const RecordError& error) {
        throw RecordError(std::string("\"") + key + "\": " + error.what());
    } catch (const json::exception& error) {
        throw RecordError(std::string("\"") + key + "\": " + error.what());
    }
}

// A width or height, at most twice the logical width. Far larger rectangles serve no scene, and
// the software renderer would try to allocate a whole scaled copy of them.
constexpr int MAX_EXTENT = 8192;
// A font taller than the logical drawing space shows no whole line, and its glyphs alone would
// take gigabytes.
constexpr int MAX_FONT_SIZE = 2160;

int readExtent(const json& record, const char* key, int fallback, int most = MAX_EXTENT) {
    const int extent = readField(record, key, fallback);
    if (extent > most) {
        throw RecordError(std::string("\"") + key + "\": larger than " + std::to_string(most) + ": " +
                          std::to_string(extent));
    }
    return extent;
}

// A colour channel read as an int and clamped, so 300 gives full intensity rather than wrapping.
Uint8 readChannel(const json& record, const char* key) {
    constexpr int MAX_CHANNEL = 255;
    return static_cast<Uint8>(std::clamp(readField(record, key, MAX_CHANNEL), 0, MAX_CHANNEL));
}

void logRecordError(const json& record, const std::string& what, const RecordError& error) {
    std::string id;
    if (const auto found = record.find("entityID"); found != record.end() && found->is_string()) {
        id = " \"" + found->get<std::string>() + "\"";
    }
    LOG_ERROR("Invalid " + what + " record" + id + ": " + error.what());
}

struct ImageRecord {
    std::string entityType = "undefined";
    std::string entityID = "undefined";
    std::string texturePath;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool isAnimated = false;
    bool isVisible = true;
    int opacity = 255;
    float velocityX = 0.0F;
    float velocityY = 0.0F;
};

ImageRecord readImageRecord(const json& data) {
    ImageRecord record;
    record.entityType = readField(data, "entityType", record.entityType);
    record.entityID = readField(data, "entityID", record.entityID);
    record.texturePath = readField(data, "texturePath", record.texturePath);
    record.x = readField(data, "x", record.x);
    record.y = readField(data, "y", record.y);
    record.width = readExtent(data, "width", record.width);
    record.height = readExtent(data, "height", record.height);
    record.isAnimated = readField(data, "isAnimated", record.isAnimated);
    record.isVisible = readField(data, "isVisible", record.isVisible);
    record.opacity = readField(data, "opacity", record.opacity);
    record.velocityX = readField(data, "velocityX", record.velocityX);
    record.velocityY = readField(data, "velocityY", record.velocityY);
    return record;
}

struct ButtonRecord {
    std::string entityID = "undefined";
    std::string texturePathNormal;
    std::string texturePathHover;
    std::string texturePathClicked;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool isVisible = true;
};

ButtonRecord readButtonRecord(const json& data) {
    ButtonRecord record;
    record.entityID = readField(data, "entityID", record.entityID);
    record.texturePathNormal = readField(data, "texturePathNormal", record.texturePathNormal);
    record.texturePathHover = readField(data, "texturePathHover", record.texturePathHover);
    record.texturePathClicked = readField(data, "texturePathClicked", record.texturePathClicked);
    record.x = readField(data, "x", record.x);
    record.y = readField(data, "y", record.y);
    record.width = readExtent(data, "width", record.width);
    record.height = readExtent(data, "height", record.height);
    record.isVisible = readField(data, "isVisible", record.isVisible);
    return record;
}

struct TextBoxRecord {
    std::string entityID = "undefined";
    int x = 0;
    int y = 0;
    int width = 200;
    int height = 30;
    std::string fontPath;
    int fontSize = 24;
    SDL_Color color{255, 255, 255, 255};
    std::string bgImagePath;
};

TextBoxRecord readTextBoxRecord(const json& data) {
    TextBoxRecord record;
    record.entityID = readField(data, "entityID", record.entityID);
    record.x = readField(data, "x", record.x);
    record.y = readField(data, "y", record.y);
    record.width = readExtent(data, "width", record.width);
    record.height = readExtent(data, "height", record.height);
    record.fontPath = readField(data, "fontPath", record.fontPath);
    record.fontSize = readExtent(data, "fontSize", record.fontSize, MAX_FONT_SIZE);
    record.color.r = readChannel(data, "fontColorR");
    record.color.g = readChannel(data, "fontColorG");
    record.color.b = readChannel(data, "fontColorB");
    record.color.a = readChannel(data, "fontColorA");
    record.bgImagePath = readField(data, "bgImagePath", record.bgImagePath);
    return record;
}
} // namespace

void EntityFactory::setAssetRoot(const std::string& root) {
    assetRoot = root;
    LOG_INFO("EntityFactory assetRoot set to: " + root);
}

SDL_Texture* EntityFactory::loadTexture(SDL_Renderer* renderer, const std::string& path) {
    SDL_Texture* texture = IMG_LoadTexture(renderer, path.c_str());
    if (texture != nullptr) {
        LOG_INFO("Successfully loaded texture: " + path);
    } else {
        LOG_ERROR("Failed to load texture: " + path + ", SDL Error: " + std::string(SDL_GetError()));
    }
    return texture;
}

Entity* EntityFactory::createImageEntity(const json& data, SDL_Renderer* renderer) {
    if (!data.is_object()) {
        LOG_WARN("Invalid entity data");
        return nullptr;
    }
    ImageRecord record;
    try {
        record = readImageRecord(data);
    } catch (const RecordError& error) {
        logRecordError(data, "image entity", error);
        return nullptr;
    }
    SdlTexturePtr texture(loadTexture(renderer, record.texturePath));
    if (!texture) {
        return nullptr;
    }
    if (record.entityType != "image") {
        LOG_WARN("Unsupported entity type: " + record.entityType);
        return nullptr;
    }
    auto* entity = new ImageEntity(record.entityID, record.texturePath, record.entityType, record.x,
                                   record.y, record.width, record.height, record.velocityX,
                                   record.velocityY, {texture.get()}, record.isAnimated,
                                   record.opacity, record.isVisible);
    static_cast<void>(texture.release()); // the entity owns it now
    return entity;
}

ButtonEntity* EntityFactory::createButtonEntity(const json& data, SDL_Renderer* renderer) {
    if (!data.is_object()) {
        LOG_WARN("Invalid entity data for button");
        return nullptr;
    }
    ButtonRecord record;
    try {
        record = readButtonRecord(data);
    } catch (const RecordError& error) {
        logRecordError(data, "button", error);
        return nullptr;
    }
    // Each loaded texture is released again if a later one fails.
    SdlTexturePtr normal(loadTexture(renderer, record.texturePathNormal));
    if (!normal) {
        return nullptr;
    }
    SdlTexturePtr hover(loadTexture(renderer, record.texturePathHover));
    if (!hover) {
        return nullptr;
    }
    SdlTexturePtr clicked(loadTexture(renderer, record.texturePathClicked));
    if (!clicked) {
        return nullptr;
    }
    auto* button = new ButtonEntity(record.entityID, "", "button", record.x, record.y, record.width,
                                    record.height, 0.0F, 0.0F,
                                    {normal.get(), hover.get(), clicked.get()}, false, 255,
                                    record.isVisible, false);
    // The button owns them now.
    static_cast<void>(normal.release());
    static_cast<void>(hover.release());
    static_cast<void>(clicked.release());
    return button;
}

TextBox* EntityFactory::createTextBoxEntity(const json& data, SDL_Renderer* renderer) {
    if (!data.is_object()) {
        LOG_WARN("Invalid entity data for text box");
        return nullptr;
    }
    TextBoxRecord record;
    try {
        record = readTextBoxRecord(data);
    } catch (const RecordError& error) {
        logRecordError(data, "text box", error);
        return nullptr;
    }
    auto* textBox = new TextBox(record.x, record.y, record.width, record.height, record.fontPath,
                                record.fontSize, record.color, renderer, record.bgImagePath);
    LOG_INFO("Successfully created TextBox with ID: " + record.entityID);
    return textBox;
}
