#include "entities/Entity.h"

Entity::Entity(const std::string& id, const std::string& texturePath, const std::string& type)
    : id(id), texturePath(texturePath), type(type) {}

void Entity::loadResources(SDL_Renderer* /*renderer*/) {}
void Entity::unloadResources() {}
void Entity::render(SDL_Renderer* /*renderer*/) {}
void Entity::update(int /*deltaTime*/) {}
void Entity::scale(float /*scaleX*/, float /*scaleY*/) {}

std::string Entity::getId() const { return id; }
std::string Entity::getType() const { return type; }
