#pragma once
// Base of the drawable objects a scene keeps in its entity list and drives polymorphically.
// Text labels, text boxes and tooltips are deliberately not entities: scenes hold them apart.

#include "entities/ChangeFlag.h"

#include <SDL.h>

#include <string>

class Entity {
public:
    Entity(const std::string& id, const std::string& texturePath, const std::string& type);
    virtual ~Entity() = default;

    Entity(const Entity&) = delete;
    Entity& operator=(const Entity&) = delete;

    // The five per-frame hooks. Each has an empty body that overrides with nothing to do forward to.
    virtual void loadResources(SDL_Renderer* renderer) = 0;
    virtual void unloadResources() = 0;
    virtual void render(SDL_Renderer* renderer) = 0;
    // deltaTime in milliseconds.
    virtual void update(int deltaTime) = 0;
    virtual void scale(float scaleX, float scaleY) = 0;

    virtual std::string getId() const;
    // "image" or "button".
    virtual std::string getType() const;
    // Whether what the entity draws changed since the last call (see ChangeFlag).
    bool takeChange() { return changes.take(); }

protected:
    ChangeFlag changes;
    std::string id;          // the record's "entityID"
    std::string texturePath; // empty for buttons
    std::string type;
};
