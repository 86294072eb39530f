// Feeds arbitrary JSON to the three factory operations and to the scene lookup, headless, with a
// software renderer drawing into a surface. Records may name files: every path value is moved
// into a scratch directory that holds one loadable image ("image.png") and one font ("font.ttf").

#include "core/Logging.h"
#include "core/SdlPtrs.h"
#include "entities/ButtonEntity.h"
#include "entities/EntityFactory.h"
#include "entities/Scene.h"
#include "entities/TextBox.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <system_error>
#include <vector>

using nlohmann::json;

namespace {
SDL_Renderer* renderer = nullptr;
std::string scratchDirectory;

const std::set<std::string> PATH_KEYS{"texturePath",        "texturePathNormal", "texturePathHover",
                                      "texturePathClicked", "fontPath",          "bgImagePath"};

class FuzzScene : public Scene {
public:
    FuzzScene(const json& data, SDL_Renderer* target) : Scene("Fuzz", data, target) {}
    void setupSceneItems(SDL_Renderer* /*target*/) override {}
    void handleInput(SDL_Event& /*event*/) override {}
};

// No path may leave the scratch directory (or name a device that blocks).
void confine(json& value) {
    if (!value.is_structured()) {
        return;
    }
    if (value.is_object()) {
        for (auto item = value.begin(); item != value.end(); ++item) {
            if (item->is_string() && PATH_KEYS.count(item.key()) != 0) {
                std::string name = item->get<std::string>();
                std::replace(name.begin(), name.end(), '/', '_');
                *item = scratchDirectory + "/" + name;
            }
        }
    }
    for (auto& item : value) {
        confine(item);
    }
}

// The ids worth looking up: the empty one, one that never matches, and the first string ids found.
std::vector<std::string> candidateIds(const json& document) {
    std::vector<std::string> ids{"", "missing"};
    const auto list = document.is_object() ? document.find("entities") : document.end();
    if (list != document.end() && list->is_array()) {
        for (const auto& element : *list) {
            if (ids.size() >= 6) {
                break;
            }
            if (element.is_object()) {
                const auto id = element.find("entityID");
                if (id != element.end() && id->is_string()) {
                    ids.push_back(id->get<std::string>());
                }
            }
        }
    }
    return ids;
}

void exerciseScene(const json& document) {
    FuzzScene scene(document, renderer);
    for (const std::string& id : candidateIds(document)) {
        static_cast<void>(scene.getEntityByID(id));
        static_cast<void>(scene.createAndStoreEntityByID(id));
    }
    scene.update(16.9F);
    scene.render(renderer);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_VIDEO) != 0 || TTF_Init() != 0) {
        std::abort();
    }
    IMG_Init(IMG_INIT_PNG);
    static SdlSurfacePtr target(SDL_CreateRGBSurfaceWithFormat(0, 64, 64, 32, SDL_PIXELFORMAT_ARGB8888));
    renderer = SDL_CreateSoftwareRenderer(target.get());

    char scratch[] = "/tmp/murkmoot-entity-fuzz-XXXXXX";
    if (mkdtemp(scratch) == nullptr) {
        std::abort();
    }
    scratchDirectory = scratch;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(scratchDirectory, ignored);
    });
    const SdlSurfacePtr image(SDL_CreateRGBSurfaceWithFormat(0, 4, 4, 32, SDL_PIXELFORMAT_ARGB8888));
    SDL_FillRect(image.get(), nullptr, 0xFF336699U);
    IMG_SavePNG(image.get(), (scratchDirectory + "/image.png").c_str());
    std::filesystem::copy_file(MURKMOOT_SOURCE_DIR "/Assets/TTF/Lato-Regular.ttf", scratchDirectory + "/font.ttf",
                               std::filesystem::copy_options::overwrite_existing);
    // Messages are built and written, just not kept.
    logFile.open("/dev/null");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    json document = json::parse(data, data + size, nullptr, false);
    if (document.is_discarded()) {
        return 0;
    }
    confine(document);

    std::unique_ptr<Entity> image(EntityFactory::createImageEntity(document, renderer));
    if (image) {
        image->update(16);
        image->render(renderer);
    }
    std::unique_ptr<ButtonEntity> button(EntityFactory::createButtonEntity(document, renderer));
    if (button) {
        button->setState(ButtonEntity::HOVER);
        button->render(renderer);
        static_cast<void>(button->contains(10, 10));
    }
    std::unique_ptr<TextBox> textBox(EntityFactory::createTextBoxEntity(document, renderer));
    if (textBox) {
        SDL_Event typed{};
        typed.type = SDL_TEXTINPUT;
        std::strncpy(typed.text.text, "M\xC3\xA9", sizeof(typed.text.text) - 1);
        textBox->setActive(true);
        textBox->handleEvent(typed);
        textBox->render(0);
    }

    exerciseScene(document);
    exerciseScene(json{{"entities", json::array({document})}});
    return 0;
}
