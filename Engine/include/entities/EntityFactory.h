#pragma once
// Turns one JSON entity record of a scene data file into a live object. Every creation returns
// a new object the caller owns (wrap it in a smart pointer at once), or null after logging why:
// a record that is not an object, a key of the wrong JSON type or out of range, an image that
// does not load, an unsupported type. No exception leaves these operations.

#include <SDL.h>
#include <nlohmann/json.hpp>

#include <string>

class Entity;
class ButtonEntity;
class TextBox;

class EntityFactory {
public:
    EntityFactory() = delete;

    // Recorded and logged only; texture paths are never joined to it.
    static std::string assetRoot;

    static void setAssetRoot(const std::string& root);
    // Loads an image file as a texture owned by the caller; null on failure.
    static SDL_Texture* loadTexture(SDL_Renderer* renderer, const std::string& path);
    // An "image" record becomes an ImageEntity.
    static Entity* createImageEntity(const nlohmann::json& data, SDL_Renderer* renderer);
    // A button record with its three state textures; "entityType" is not read.
    static ButtonEntity* createButtonEntity(const nlohmann::json& data, SDL_Renderer* renderer);
    // A text box record; returned even when its font or background fails.
    static TextBox* createTextBoxEntity(const nlohmann::json& data, SDL_Renderer* renderer);
};
