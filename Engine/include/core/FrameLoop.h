#pragma once
// The program's main loop. Every event goes to the current scene; the scene is updated when more
// than UPDATE_INTERVAL has passed since its last update; a frame is drawn and presented only when
// the scene says its picture changed (see Scene::takeChange), or the window was shown, exposed or
// resized. Between events and updates the loop sleeps in SDL_WaitEventTimeout. While the window is
// hidden or minimized nothing is drawn; updates go on. Time is an argument, so the loop's steps
// can be driven headless.
//
// A whole frame is drawn straight to the window. When only a small part changed (the caret's
// blink) an accelerated renderer draws the scene clipped to that part on a canvas texture that
// still holds the last picture, and copies the canvas to the window. The canvas costs a second
// full copy per frame, so it is brought up to date only when a part is to be drawn. While hidden,
// the loop looks at its events once per update instead of waiting on them.

#include "core/SdlPtrs.h"
#include "entities/Scene.h"

#include <SDL.h>

#include <chrono>
#include <cstdint>
#include <functional>

class FrameLoop {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds UPDATE_INTERVAL{16};

    // Draws with renderer; the clock of the first update starts at start.
    FrameLoop(SDL_Renderer* renderer, Clock::time_point start);

    // Runs for each window event before the scene sees it (the program keeps its size there).
    void setWindowEventHandler(std::function<void(const SDL_WindowEvent&)> handler);

    // One event: a quit ends the loop, a window event notes whether the window can be seen and
    // whether it needs a frame, and the current scene handles every event.
    void handleEvent(SDL_Event& event);
    // Updates the current scene, with the milliseconds since its last update, when more than
    // UPDATE_INTERVAL has passed at now.
    void updateIfDue(Clock::time_point now);
    // Draws the current scene and presents it when its picture changed or the window needs a
    // frame, unless the window is hidden or minimized. Returns whether it drew.
    bool drawIfChanged();
    // Whole milliseconds the loop may sleep at now before the next update falls due; 0 when one
    // is due.
    int millisecondsToNextUpdate(Clock::time_point now) const;
    // Until a quit: waits for events or the next update, handles every waiting event, updates
    // when due, draws when changed.
    void run();

    bool isRunning() const { return running; }
    std::uint64_t getFramesDrawn() const { return framesDrawn; }

private:
    // Waits for the next event until the next update falls due; false when none came.
    bool nextEvent(SDL_Event& event) const;
    // Draws `part` of the scene on the canvas (all of it when the canvas does not hold the last
    // picture) and copies the canvas to the window; false, having drawn nothing, when the renderer
    // cannot draw a part that way.
    bool drawPartThroughCanvas(Scene* scene, const SDL_Rect& part);

    SDL_Renderer* renderer = nullptr; // not owned
    SdlTexturePtr canvas;
    SDL_Point canvasSize{0, 0};
    bool canvasHoldsFrame = false; // the canvas shows what the window shows
    std::function<void(const SDL_WindowEvent&)> windowEventHandler;
    Clock::time_point previousUpdate;
    bool running = true;
    bool hidden = false;
    bool frameWanted = true; // the first frame, and one after the window was shown or exposed
    std::uint64_t framesDrawn = 0;
};
