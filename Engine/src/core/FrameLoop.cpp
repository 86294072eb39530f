#include "core/FrameLoop.h"

#include "core/Logging.h"
#include "entities/SceneManager.h"

#include <string>
#include <utility>

namespace {
constexpr Uint8 CLEAR_RED = 24;
constexpr Uint8 CLEAR_GREEN = 25;
constexpr Uint8 CLEAR_BLUE = 26;

bool windowCannotBeSeen(SDL_Renderer* renderer) {
    SDL_Window* window = renderer != nullptr ? SDL_RenderGetWindow(renderer) : nullptr;
    return window != nullptr && (SDL_GetWindowFlags(window) & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) != 0;
}
} // namespace

FrameLoop::FrameLoop(SDL_Renderer* renderer, Clock::time_point start)
    : renderer(renderer), previousUpdate(start), hidden(windowCannotBeSeen(renderer)) {}

void FrameLoop::setWindowEventHandler(std::function<void(const SDL_WindowEvent&)> handler) {
    windowEventHandler = std::move(handler);
}

void FrameLoop::handleEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) {
        running = false;
        LOG_INFO("SDL_QUIT event received, exiting main loop.");
    } else if (event.type == SDL_WINDOWEVENT) {
        if (windowEventHandler) {
            windowEventHandler(event.window);
        }
        switch (event.window.event) {
        case SDL_WINDOWEVENT_HIDDEN:
        case SDL_WINDOWEVENT_MINIMIZED: hidden = true; break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            hidden = false;
            frameWanted = true;
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESIZED: frameWanted = true; break;
        default: break;
        }
    }
    if (const std::shared_ptr<Scene> scene = SceneManager::getInstance().getCurrentScene()) {
        scene->handleInput(event);
        LOG_DEBUG("Event handled by current scene");
    }
}

void FrameLoop::updateIfDue(Clock::time_point now) {
    const std::chrono::duration<float> delta = now - previousUpdate;
    LOG_DEBUG("Delta time calculated");
    if (delta <= UPDATE_INTERVAL) {
        return;
    }
    LOG_DEBUG("deltaTime seconds: " + std::to_string(delta.count()));
    if (const std::shared_ptr<Scene> scene = SceneManager::getInstance().getCurrentScene()) {
        scene->update(delta.count() * 1000.0F);
    }
    previousUpdate = now;
}

bool FrameLoop::drawIfChanged() {
    const std::shared_ptr<Scene> scene = SceneManager::getInstance().getCurrentScene();
    // Asked even while hidden, so that what changed meanwhile is not drawn twice once shown.
    const bool changed = scene && scene->takeChange();
    if (hidden || !(changed || frameWanted)) {
        return false;
    }
    frameWanted = false;
    LOG_DEBUG("Starting rendering process");
    SDL_SetRenderDrawColor(renderer, CLEAR_RED, CLEAR_GREEN, CLEAR_BLUE, SDL_ALPHA_OPAQUE);
    SDL_RenderClear(renderer);
    if (scene) {
        scene->render(renderer);
    }
    LOG_DEBUG("Rendering process completed");
    SDL_RenderPresent(renderer);
    ++framesDrawn;
    return true;
}

int FrameLoop::millisecondsToNextUpdate(Clock::time_point now) const {
    const Clock::duration left = previousUpdate + UPDATE_INTERVAL - now;
    if (left < Clock::duration::zero()) {
        return 0;
    }
    // One more than the whole milliseconds left: an update is due once more than the interval
    // has passed.
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(left).count()) + 1;
}

void FrameLoop::run() {
    while (running) {
        SDL_Event event;
        const int sleep = millisecondsToNextUpdate(Clock::now());
        if ((sleep > 0 ? SDL_WaitEventTimeout(&event, sleep) : SDL_PollEvent(&event)) != 0) {
            do {
                handleEvent(event);
            } while (SDL_PollEvent(&event) != 0);
        }
        updateIfDue(Clock::now());
        drawIfChanged();
        LOG_DEBUG("End of main loop iteration");
    }
}
