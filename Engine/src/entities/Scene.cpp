#include "entities/Scene.h"

#include "core/Logging.h"
#include "entities/EntityFactory.h"
#include "entities/SaturatingMath.h"

using nlohmann::json;

namespace {
// Log text must never throw: strings that are not valid UTF-8 are shown with replacement marks.
std::string printable(const json& value) {
    return value.dump(4, ' ', false, json::error_handler_t::replace);
}
} // namespace

Scene::Scene(const std::string& name, const json& jsonData, SDL_Renderer* renderer)
    : name(name), jsonData(jsonData), renderer(renderer) {
    addLogBlankLine(1);
    LOG_INFO("Scene created: " + name);
}

Scene::~Scene() { LOG_INFO("Scene destroyed: " + name); }

std::string Scene::getName() const { return name; }

void Scene::update(float delta) {
    const int deltaMs = truncateToInt(delta);
    for (const auto& entity : entities) {
        if (entity) {
            entity->update(deltaMs);
        }
    }
}

void Scene::render(SDL_Renderer* targetRenderer) {
    for (const auto& entity : entities) {
        if (entity) {
            entity->render(targetRenderer);
        }
    }
}

bool Scene::hasActiveTextInput() const { return false; }

bool Scene::takeChange() {
    bool changed = false;
    for (const auto& entity : entities) {
        changed = (entity && entity->takeChange()) || changed;
    }
    return changed;
}

std::vector<std::shared_ptr<Entity>> Scene::getEntities() const { return entities; }

const json& Scene::getJsonData() const {
    LOG_DEBUG("Getting ready to return jsonData");
    return jsonData;
}

void Scene::dumpJsonDataToLog() {
    LOG_INFO("DataFile: " + getName());
    LOG_INFO("This is the current SceneData.json: " + printable(jsonData));
}

json Scene::getEntityByID(const std::string& id) const {
    addLogBlankLine(1);
    LOG_INFO("Searching for entity with ID: " + id);
    const auto list = jsonData.is_object() ? jsonData.find("entities") : jsonData.end();
    if (list == jsonData.end() || !list->is_array()) {
        LOG_ERROR(R"(jsonData["entities"] is missing or not an array!)");
        return nullptr;
    }
    std::size_t index = 0;
    for (const auto& element : *list) {
        const std::string where = "entities[" + std::to_string(index++) + "]";
        if (!element.is_object()) {
            LOG_WARN("Skipping " + where + ": an entity record must be an object");
            continue;
        }
        std::string elementId;
        if (const auto found = element.find("entityID"); found != element.end()) {
            if (!found->is_string()) {
                LOG_WARN("Skipping " + where + ": \"entityID\" must be a string");
                continue;
            }
            elementId = found->get<std::string>();
        }
        if (elementId == id) {
            LOG_DEBUG("Entity found: " + printable(element));
            return element;
        }
    }
    LOG_WARN("Entity not found: " + id);
    return nullptr;
}

std::shared_ptr<Entity> Scene::createAndStoreEntityByID(const std::string& id) {
    const json record = getEntityByID(id);
    if (record.is_null()) {
        LOG_ERROR("Entity data not found for ID: " + id);
        return nullptr;
    }
    std::shared_ptr<Entity> entity(EntityFactory::createImageEntity(record, renderer));
    if (!entity) {
        LOG_ERROR("Failed to create entity: " + id);
        return nullptr;
    }
    entities.push_back(entity);
    LOG_INFO("Entity created and stored: " + id);
    return entity;
}
