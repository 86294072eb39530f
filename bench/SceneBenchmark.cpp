// The oracle chamber's update while a result is being revealed, with a large pool: the pool label
// is refreshed on every such update, so its cost must not grow with the pool.
//
//   tools/bench.sh          (or: build-bench/bin/SceneBenchmark)

#include "EntropyManager.h"
#include "OracleScene.h"
#include "core/JSONManager.h"
#include "entities/ToolTipManager.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void revealUpdate(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO);
    TTF_Init();
    IMG_Init(IMG_INIT_PNG);
    Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 2048);
    SDL_Window* window = SDL_CreateWindow("bench", 0, 0, 1920, 1080, 0);
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);

    // A scratch copy of the assets' layout with a large pool of its own.
    std::string pattern = (fs::temp_directory_path() / "murkmoot-bench-XXXXXX").string();
    const fs::path root = ::mkdtemp(pattern.data());
    fs::create_directories(root / "Assets/Data");
    for (const char* shared : {"TTF", "Image", "Sound"}) {
        fs::create_directory_symlink(fs::path(MURKMOOT_ASSETS_DIR) / shared, root / "Assets" / shared);
    }
    for (const char* data : {"OracleSceneData.json", "ZadadezazKeyControlList.json"}) {
        fs::create_symlink(fs::path(MURKMOOT_ASSETS_DIR) / "Data" / data, root / "Assets/Data" / data);
    }
    const fs::path previous = fs::current_path();
    fs::current_path(root);
    std::vector<int> pool(static_cast<std::size_t>(state.range(0)));
    std::mt19937 random(1);
    for (int& value : pool) {
        value = static_cast<int>(random());
    }
    EntropyManager::savePool(pool, "Assets/Data/entropy_pool.txt");

    {
        auto scene = std::make_shared<OracleScene>(renderer, JSONManager::loadAndLogJson("Assets/Data/OracleSceneData.json"));
        scene->setupSceneItems(renderer);
        for (auto _ : state) {
            state.PauseTiming();
            if (!scene->isRevealActive()) {
                // Starts a reveal; neither its cost nor its report belongs in the figures.
                std::ostringstream discarded;
                std::streambuf* const console = std::cout.rdbuf(discarded.rdbuf());
                scene->askOracle();
                std::cout.rdbuf(console);
            }
            state.ResumeTiming();
            scene->update(17.0F);
        }
    }
    fs::current_path(previous);
    fs::remove_all(root);
    ToolTipManager::getInstance().shutdown(); // its texture belongs to this renderer
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    Mix_CloseAudio();
    TTF_Quit();
    SDL_Quit();
}

} // namespace

BENCHMARK(revealUpdate)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(400);

BENCHMARK_MAIN();
