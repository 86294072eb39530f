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
    if (event.type == SDL_RENDER_TARGETS_RESET || event.type == SDL_RENDER_DEVICE_RESET) {
        canvas.reset(); // its picture is gone
        canvasHoldsFrame = false;
        frameWanted = true;
    }
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
    const Scene::Change change = scene ? scene->takeChangedPart() : Scene::Change{};
    if (hidden || !(change.any || frameWanted)) {
        return false;
    }
    const bool whole = change.whole || frameWanted;
    frameWanted = false;
    LOG_DEBUG("Starting rendering process");
    if (whole || !drawPartThroughCanvas(scene.get(), change.part)) {
        SDL_SetRenderDrawColor(renderer, CLEAR_RED, CLEAR_GREEN, CLEAR_BLUE, SDL_ALPHA_OPAQUE);
        SDL_RenderClear(renderer);
        if (scene) {
            scene->render(renderer);
        }
        canvasHoldsFrame = false;
    }
    LOG_DEBUG("Rendering process completed");
    SDL_RenderPresent(renderer);
    ++framesDrawn;
    return true;
}

bool FrameLoop::drawPartThroughCanvas(Scene* scene, const SDL_Rect& part) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || (info.flags & SDL_RENDERER_ACCELERATED) == 0) {
        return false; // software scaling samples a clipped copy differently: only whole frames there
    }
    SDL_Point size{0, 0};
    SDL_GetRendererOutputSize(renderer, &size.x, &size.y);
    if (!canvas || canvasSize.x != size.x || canvasSize.y != size.y) {
        canvas.reset(SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, size.x, size.y));
        canvasHoldsFrame = false;
        if (!canvas) {
            return false;
        }
        SDL_SetTextureBlendMode(canvas.get(), SDL_BLENDMODE_NONE);
        SDL_SetTextureScaleMode(canvas.get(), SDL_ScaleModeNearest);
        canvasSize = size;
    }
    int logicalWidth = 0;
    int logicalHeight = 0;
    SDL_RenderGetLogicalSize(renderer, &logicalWidth, &logicalHeight);
    if (SDL_SetRenderTarget(renderer, canvas.get()) != 0) {
        canvas.reset();
        canvasHoldsFrame = false;
        return false;
    }
    SDL_RenderSetLogicalSize(renderer, logicalWidth, logicalHeight); // the window's scaling, on the canvas
    SDL_SetRenderDrawColor(renderer, CLEAR_RED, CLEAR_GREEN, CLEAR_BLUE, SDL_ALPHA_OPAQUE);
    if (canvasHoldsFrame) {
        SDL_RenderSetClipRect(renderer, &part);
        SDL_RenderFillRect(renderer, &part); // a clear would ignore the clip
    } else {
        SDL_RenderClear(renderer);
    }
    if (scene != nullptr) {
        scene->render(renderer);
    }
    SDL_RenderSetClipRect(renderer, nullptr);
    SDL_SetRenderTarget(renderer, nullptr);
    // Pixel for pixel onto the window, then the window's own scaling back for input and the next frame.
    SDL_RenderSetLogicalSize(renderer, 0, 0);
    SDL_RenderCopy(renderer, canvas.get(), nullptr, nullptr);
    SDL_RenderSetLogicalSize(renderer, logicalWidth, logicalHeight);
    canvasHoldsFrame = true;
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

bool FrameLoop::nextEvent(SDL_Event& event) const {
    const int sleep = millisecondsToNextUpdate(Clock::now());
    if (hidden) {
        // Nothing on screen needs a quick answer: one look at the events per update costs a third of
        // waiting on them, which looks several times per wake-up.
        SDL_Delay(static_cast<Uint32>(sleep));
        return SDL_PollEvent(&event) != 0;
    }
    return (sleep > 0 ? SDL_WaitEventTimeout(&event, sleep) : SDL_PollEvent(&event)) != 0;
}

void FrameLoop::run() {
    while (running) {
        SDL_Event event;
        if (nextEvent(event)) {
            do {
                handleEvent(event);
            } while (SDL_PollEvent(&event) != 0);
        }
        updateIfDue(Clock::now());
        drawIfChanged();
        LOG_DEBUG("End of main loop iteration");
    }
}
