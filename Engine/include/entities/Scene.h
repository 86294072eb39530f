#pragma once
// One screen of the program: a name, its JSON data document, the renderer it draws with and the
// entities it shares ownership of. Subclasses build their items and handle input.

#include "entities/Entity.h"

#include <SDL.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <vector>

class Scene {
public:
    Scene(const std::string& name, const nlohmann::json& jsonData, SDL_Renderer* renderer);
    virtual ~Scene();

    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    virtual std::string getName() const;
    // Updates every entity in list order with delta truncated toward zero to whole milliseconds.
    virtual void update(float delta);
    virtual void render(SDL_Renderer* targetRenderer);
    virtual void setupSceneItems(SDL_Renderer* targetRenderer) = 0;
    virtual void handleInput(SDL_Event& event) = 0;
    // Whether a text field of the scene takes keyboard text.
    virtual bool hasActiveTextInput() const;
    // Whether what the scene draws changed since the last call; every entity is asked (and so
    // forgets its change). A scene that draws more (labels, an overlay) adds what those say.
    virtual bool takeChange();

    std::vector<std::shared_ptr<Entity>> getEntities() const;
    const nlohmann::json& getJsonData() const;
    void dumpJsonDataToLog();
    // The first record of the "entities" array whose "entityID" equals id, or JSON null.
    // Elements that are not objects, or whose "entityID" is not a string, are skipped with a
    // warning.
    nlohmann::json getEntityByID(const std::string& id) const;
    // Builds the image entity of that record and keeps it; empty on failure.
    std::shared_ptr<Entity> createAndStoreEntityByID(const std::string& id);

protected:
    std::string name;
    nlohmann::json jsonData;
    SDL_Renderer* renderer = nullptr; // not owned
    std::vector<std::shared_ptr<Entity>> entities;
};
