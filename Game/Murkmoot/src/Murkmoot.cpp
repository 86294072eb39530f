// Murkmoot, the oracle chamber: start-up, the event / update / render loop, and shutdown.

#include "ApplicationActions.h"
#include "AssetPaths.h"
#include "GameStart.h"
#include "MurkmootWorkflow.h"
#include "Journal.h"
#include "OracleScene.h"
#include "core/AppPaths.h"
#include "core/CommandLine.h"
#include "core/Config.h"
#include "core/ControlManager.h"
#include "core/DevTools.h"
#include "core/FrameLoop.h"
#include "core/ErrorManager.h"
#include "core/JSONManager.h"
#include "core/Logging.h"
#include "core/WindowSize.h"
#include "entities/EntityFactory.h"
#include "entities/SceneManager.h"
#include "entities/ToolTipManager.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

const CommandLine::Program PROGRAM{
    "Murkmoot",
    "Usage: Murkmoot [--pool FILE] [--no-journal] [--help | --version]\n"
    "Opens the oracle chamber: ask the goblin council a question and watch it vote. Every\n"
    "consultation draws 13 or 14 values from the entropy pool. Other arguments are ignored.\n"
    "  --pool FILE  the pool to draw from; by default Assets/Data/entropy_pool.txt beside the\n"
    "               program in a build tree, else your own pool,\n"
    "               $XDG_DATA_HOME/murkmoot/entropy_pool.txt (~/.local/share/murkmoot/), made\n"
    "               with 100000 values from /dev/urandom on the first start\n"
    "  --no-journal keep this session's consultations out of your journal of past answers\n"};

constexpr const char* APPLICATION_CONTROL_LIST_PATH = "Assets/Data/GoblinControlList.json";

bool fileExists(const std::string& path) {
    std::ifstream file(path);
    return file.good();
}

// Assets live beside the executable in a build tree, under <prefix>/share/murkmoot once
// installed. SDL finds the executable's directory even when the program was started through the
// search path or a symlink; without it we stay where we are.
void moveToDataDirectory(const AppPaths& paths) {
    char currentDirectory[1024];
    if (getcwd(currentDirectory, sizeof currentDirectory) != nullptr) {
        LOG_INFO("Current working dir: " + std::string(currentDirectory));
    } else {
        std::perror("getcwd() error");
    }
    if (paths.isInstalled()) {
        std::error_code ec;
        std::filesystem::current_path(paths.dataDirectory(), ec);
        if (ec) {
            LOG_ERROR("Could not change to the data directory " + paths.dataDirectory().string() + ": " +
                      ec.message());
        } else {
            LOG_INFO("Updated working directory to the data directory: " + std::filesystem::current_path().string());
        }
        return;
    }
    char* basePath = SDL_GetBasePath();
    if (basePath == nullptr) {
        LOG_ERROR("Could not find the executable's directory (" + std::string(SDL_GetError()) +
                  "); staying in the current directory");
        return;
    }
    std::error_code ec;
    std::filesystem::current_path(basePath, ec);
    if (ec) {
        LOG_ERROR("Could not change to the executable's directory " + std::string(basePath) + ": " + ec.message());
    } else {
        LOG_INFO("Updated working directory to executable location: " + std::filesystem::current_path().string());
    }
    SDL_free(basePath);
}

// The chamber plays as well without its icon: a missing one is only logged.
void setWindowIcon(SDL_Window* window) {
    const SdlSurfacePtr icon(IMG_Load(WINDOW_ICON_PATH));
    if (!icon) {
        LOG_WARN("Could not load the window icon " + std::string(WINDOW_ICON_PATH) + ": " + IMG_GetError());
        return;
    }
    SDL_SetWindowIcon(window, icon.get());
}

void registerApplicationActions() {
    ControlManager& controls = ControlManager::getInstance();
    for (const ApplicationAction& action : APPLICATION_ACTIONS) {
        controls.registerAction(std::string(action.name), [action] {
            std::cout << action.message << std::endl;
            if (action.logged) {
                LOG_INFO(std::string(action.message));
            }
        });
    }
}

void reportSizes(SDL_Window* window, SDL_Renderer* renderer) {
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(window, &width, &height);
    const std::string windowSize = "Window size: " + std::to_string(width) + "x" + std::to_string(height);
    std::cout << windowSize << std::endl;
    LOG_INFO(windowSize);
    SDL_GetRendererOutputSize(renderer, &width, &height);
    const std::string outputSize = std::to_string(width) + "x" + std::to_string(height);
    std::cout << "Renderer output: " << outputSize << std::endl;
    LOG_INFO("Renderer output size: " + outputSize);
}

void applyScaling(SDL_Window* window, SDL_Renderer* renderer) {
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    SDL_RenderSetLogicalSize(renderer, BASE_RESOLUTION_WIDTH, BASE_RESOLUTION_HEIGHT);
    int windowWidth = 0;
    int windowHeight = 0;
    int outputWidth = 0;
    int outputHeight = 0;
    int logicalWidth = 0;
    int logicalHeight = 0;
    float scaleX = 0.0F;
    float scaleY = 0.0F;
    SDL_Rect viewport{};
    SDL_GetWindowSize(window, &windowWidth, &windowHeight);
    SDL_GetRendererOutputSize(renderer, &outputWidth, &outputHeight);
    SDL_RenderGetLogicalSize(renderer, &logicalWidth, &logicalHeight);
    SDL_RenderGetScale(renderer, &scaleX, &scaleY);
    SDL_RenderGetViewport(renderer, &viewport);
    std::cout << "WINDOW:  " << windowWidth << "x" << windowHeight << "\n"
              << "OUTPUT:  " << outputWidth << "x" << outputHeight << "\n"
              << "LOGICAL: " << logicalWidth << "x" << logicalHeight << "\n"
              << "SCALE:   " << scaleX << "," << scaleY << "\n"
              << "VP:      " << viewport.w << "x" << viewport.h << std::endl;
    SDL_RenderSetIntegerScale(renderer, SDL_FALSE);
}

// The first display's usable area (without panels and docks), or the default size where the
// video driver cannot tell.
SDL_Rect usableArea() {
    SDL_Rect usable{0, 0, DEFAULT_WINDOW_WIDTH, DEFAULT_WINDOW_HEIGHT};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) {
        usable = {0, 0, DEFAULT_WINDOW_WIDTH, DEFAULT_WINDOW_HEIGHT};
    }
    return usable;
}

// Gives the window its minimum size and, once a window manager has framed it, keeps the frame
// (title bar and borders) on screen too; then reads back the size it really has.
void fitFrame(SDL_Window* window) {
    SDL_SetWindowMinimumSize(window, MINIMUM_WINDOW_WIDTH, MINIMUM_WINDOW_HEIGHT);
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;
    if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) == 0 && top + left + bottom + right > 0) {
        const SDL_Rect usable = usableArea();
        const SDL_Rect bounds =
            fitWindow({usable.x + left, usable.y + top, usable.w - left - right, usable.h - top - bottom});
        SDL_SetWindowSize(window, bounds.w, bounds.h);
        SDL_SetWindowPosition(window, bounds.x, bounds.y);
    }
    SDL_GetWindowSize(window, &WINDOW_WIDTH, &WINDOW_HEIGHT);
}

void handleResize(SDL_Window* window, SDL_Renderer* renderer) {
    SDL_GetWindowSize(window, &WINDOW_WIDTH, &WINDOW_HEIGHT);
    LOG_INFO("Window resized to " + std::to_string(WINDOW_WIDTH) + "x" + std::to_string(WINDOW_HEIGHT));
    SDL_RenderSetLogicalSize(renderer, BASE_RESOLUTION_WIDTH, BASE_RESOLUTION_HEIGHT);
    LOG_INFO("Logical size set to " + std::to_string(BASE_RESOLUTION_WIDTH) + "x" +
             std::to_string(BASE_RESOLUTION_HEIGHT));
    SDL_Log("Window resized: %dx%d", WINDOW_WIDTH, WINDOW_HEIGHT);
    LOG_DEBUG("Window resize event handled, logical size reset");
}

} // namespace

int main(int argc, char* argv[]) {
    int answered = 0;
    const std::optional<GameStart> start = GameStart::begin(PROGRAM, argc, argv, answered);
    if (!start) {
        return answered;
    }
    const PlayerFiles& files = start->getFiles();
    LOG_INFO("Murkmoot application started.");
    try {
        const std::string pool = start->choosePool(std::cerr);
        // A pool named on the command line is found from where the program was started.
        MurkmootWorkflow::setPoolPath(start->isPoolNamed() ? std::filesystem::absolute(pool).string() : pool);
    } catch (const std::exception& error) {
        ErrorManager::handleError(error.what());
    }
    EntityFactory::setAssetRoot("../Game/Murkmoot/");

    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO) < 0) {
        ErrorManager::handleError("Could not initialize SDL");
    }
    if (TTF_Init() == -1) {
        ErrorManager::handleError("Could not initialize SDL_ttf");
    }
    if ((IMG_Init(IMG_INIT_PNG) & IMG_INIT_PNG) == 0) {
        ErrorManager::handleError("SDL_image could not initialize!");
    }
    if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 2048) == -1) {
        ErrorManager::handleError("Could not initialize SDL_mixer");
    }
    LOG_INFO("SDL Initialized successfully");
    addLogBlankLine(1);

    moveToDataDirectory(files.getPaths());
    if (const std::string hint = files.missingPoolHint(MurkmootWorkflow::poolPath()); !hint.empty()) {
        // The chamber still opens; its council rests until there is a pool.
        std::cerr << "Failed to open entropy pool: " << MurkmootWorkflow::poolPath() << "\n" << hint << std::endl;
        LOG_WARN("No entropy pool at " + MurkmootWorkflow::poolPath() + ". " + hint);
    }

    const std::string musicPath = CAVE_LOOP_MUSIC_PATH;
    LOG_DEBUG("musicPath = '" + musicPath + "'");
    if (!fileExists(musicPath)) {
        ErrorManager::handleError("Music file does not exist!");
    }
    LOG_INFO("Looking for music at: " + musicPath);
    MixMusicPtr music(Mix_LoadMUS(musicPath.c_str()));
    if (!music) {
        ErrorManager::handleError("Could not load music: " + std::string(SDL_GetError()));
    }

    const SDL_Rect bounds = fitWindow(usableArea());
    SdlWindowPtr window(
        SDL_CreateWindow("~ Murkmoot ~", bounds.x, bounds.y, bounds.w, bounds.h,
                         SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE));
    if (!window) {
        ErrorManager::handleError("Could not create window");
    }
    fitFrame(window.get());
    LOG_INFO("Window created successfully");
    setWindowIcon(window.get());
    // Vsync paces presenting where the renderer offers it; one without it still draws.
    SdlRendererPtr renderer(
        SDL_CreateRenderer(window.get(), -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC));
    if (!renderer) {
        renderer.reset(SDL_CreateRenderer(window.get(), -1, SDL_RENDERER_ACCELERATED));
    }
    if (!renderer) {
        ErrorManager::handleError("Could not create renderer");
    }
    LOG_INFO("Renderer created successfully");
    reportSizes(window.get(), renderer.get());
    applyScaling(window.get(), renderer.get());

    const auto started = FrameLoop::Clock::now(); // the first update's delta counts from here

    nlohmann::json sceneData = JSONManager::loadAndLogJson(ORACLE_JSON_FILE_PATH);
    LOG_DEBUG("jsonData created using 'Assets / Data / " + std::string(ORACLE_JSON_FILE_PATH));

    LOG_DEBUG("Preparing to load font-fontPath = 'Assets/TTF/Silkscreen-Regular.ttf' by default");
    TtfFontPtr defaultFont(TTF_OpenFont(FONT_PATH, DEFAULT_FONT_SIZE));
    LOG_DEBUG("Font loaded successfully");
    if (!defaultFont) {
        ErrorManager::handleError("Failed to load font");
    }
    defaultFont.reset();

    DevTools::getInstance();
    LOG_INFO("DevTools initialized successfully");

    LOG_INFO("Loading ControlManager configuration...");
    ControlManager& controls = ControlManager::getInstance();
    controls.loadConfig(APPLICATION_CONTROL_LIST_PATH);
    registerApplicationActions();
    controls.pushContext("global");
    LOG_INFO("ControlManager loaded key config successfully");

    auto scene = std::make_shared<OracleScene>(renderer.get(), sceneData);
    scene->setupSceneItems(renderer.get());
    if (start->getJournalPath()) {
        scene->setJournal(Journal(*start->getJournalPath()));
    }
    SceneManager::getInstance().setCurrentScene(scene);

    LOG_DEBUG("Just started Mix_PlayMusic");
    Mix_PlayMusic(music.get(), -1);
    Mix_VolumeMusic(15);
    LOG_DEBUG("Just started Mix_PlayMusic");

    FrameLoop loop(renderer.get(), started);
    loop.setWindowEventHandler([&window, &renderer](const SDL_WindowEvent& event) {
        if (event.event == SDL_WINDOWEVENT_RESIZED) {
            handleResize(window.get(), renderer.get());
        } else if (event.event == SDL_WINDOWEVENT_SIZE_CHANGED) { // also when not asked for by the user
            SDL_GetWindowSize(window.get(), &WINDOW_WIDTH, &WINDOW_HEIGHT);
        }
    });
    loop.run();

    // Scenes and the tooltip hold textures, fonts and a sound chunk: release them while the
    // renderer and the libraries that own those still exist.
    scene.reset();
    SceneManager::getInstance().clearScenes();
    ToolTipManager::getInstance().shutdown();
    music.reset();
    Mix_CloseAudio();
    IMG_Quit();
    TTF_Quit();
    renderer.reset();
    window.reset();
    LOG_INFO("SDL resources cleaned up");
    SDL_Quit();
    flushLogRepeats(); // the counts of lines still repeating, before the last line
    LOG_INFO("Zadadezaz application exiting.");
    logFile.close();
    return 0;
}
