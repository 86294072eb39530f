#pragma once
// The process-wide stack of active scenes; the top one is current. A scene leaves the stack only
// when another is made current.

#include "core/Logging.h"
#include "entities/Scene.h"

#include <SDL.h>

#include <deque>
#include <memory>
#include <stack>
#include <utility>

class SceneManager {
public:
    static SceneManager& getInstance() {
        static SceneManager instance;
        return instance;
    }

    SceneManager(const SceneManager&) = delete;
    SceneManager& operator=(const SceneManager&) = delete;

    // Stops SDL text input if the scene being covered was taking it. An empty pointer is refused.
    void pushScene(std::shared_ptr<Scene> scene) {
        if (!scene) {
            LOG_WARN("Refusing to push an empty scene");
            return;
        }
        if (const auto current = currentScene(); current && current->hasActiveTextInput()) {
            SDL_StopTextInput();
        }
        const std::string sceneName = scene->getName();
        scenes.push(std::move(scene));
        LOG_INFO("Scene pushed: " + sceneName);
    }

    // Replaces the whole stack by this one scene.
    void setCurrentScene(std::shared_ptr<Scene> scene) {
        LOG_DEBUG("Setting current scene: " + (scene ? scene->getName() : std::string("(none)")));
        clearScenes();
        pushScene(std::move(scene));
    }

    // Releases every scene. Shutdown calls it before the renderer goes, since the scenes' textures
    // belong to it.
    void clearScenes() {
        while (!scenes.empty()) {
            scenes.pop();
        }
    }

    // The top of the stack, or empty when there is none.
    std::shared_ptr<Scene> currentScene() const { return scenes.empty() ? nullptr : scenes.top(); }
    std::shared_ptr<Scene> getCurrentScene() const { return currentScene(); }

private:
    SceneManager() = default;

    std::stack<std::shared_ptr<Scene>, std::deque<std::shared_ptr<Scene>>> scenes;
};
