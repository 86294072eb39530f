// Feeds arbitrary bytes through control-list loading as a file (an in-memory one, reached by
// path, so the JSON file reader is fuzzed too), then resolves and dispatches a spread of keys and
// mouse buttons with every context of the input on the stack.

#include "core/ControlManager.h"
#include "core/Logging.h"

#include <SDL.h>
#include <nlohmann/json.hpp>

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace {
// "/proc/self/fd/N" of a memory file that holds the current input.
std::string inputPath(const std::uint8_t* data, std::size_t size) {
    static const int fd = memfd_create("control-list", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 ||
        pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
        __builtin_trap();
    }
    return "/proc/self/fd/" + std::to_string(fd);
}

void discardSdlLog(void*, int, SDL_LogPriority, const char*) {}

// Context names and action names found in the document, breadth-first and bounded.
void collectNames(const nlohmann::json& root, std::vector<std::string>& contexts,
                  std::vector<std::string>& actions) {
    std::vector<const nlohmann::json*> pending{&root};
    for (std::size_t i = 0; i < pending.size() && i < 256; ++i) {
        for (auto member = pending[i]->cbegin(); member != pending[i]->cend(); ++member) {
            if (member.value().is_object()) {
                contexts.push_back(member.key());
                pending.push_back(&member.value());
            } else if (member.value().is_string()) {
                actions.push_back(member.value().get<std::string>());
            }
        }
    }
}

// The context stack is never empty, keeps "global" at the bottom and holds no name twice.
void checkStack(const std::vector<std::string>& stack) {
    if (stack.empty() || stack.front() != "global") {
        __builtin_trap();
    }
    for (std::size_t i = 0; i < stack.size(); ++i) {
        for (std::size_t j = i + 1; j < stack.size(); ++j) {
            if (stack[i] == stack[j]) {
                __builtin_trap();
            }
        }
    }
}

SDL_Event pressEvent(Uint32 type, std::int32_t code) {
    SDL_Event event{};
    event.type = type;
    if (type == SDL_KEYDOWN || type == SDL_KEYUP) {
        event.key.keysym.sym = code;
    } else {
        event.button.button = static_cast<Uint8>(-code);
    }
    return event;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        SDL_LogSetOutputFunction(&discardSdlLog, nullptr);
        // Exercise the debug summary too, without keeping its text.
        logFile.open("/dev/null");
        setDebugEnabled(true);
        return true;
    }();
    (void)quiet;

    ControlManager& controls = ControlManager::getInstance();
    controls.clearContexts();
    if (!controls.loadConfig(inputPath(data, size))) {
        return 0;
    }
    // The same document again, read the same non-strict way, to learn its context and action names.
    nlohmann::json config;
    std::istringstream text(std::string(reinterpret_cast<const char*>(data), size));
    try {
        text >> config;
    } catch (const nlohmann::json::exception&) {
        __builtin_trap(); // loadConfig accepted what cannot be read
    }

    std::vector<std::string> contexts;
    std::vector<std::string> actions;
    collectNames(config, contexts, actions);
    for (const std::string& context : contexts) {
        controls.pushContext(context);
    }
    checkStack(controls.getContextStack());
    int calls = 0;
    for (std::size_t i = 0; i < actions.size() && i < 64; ++i) {
        const std::string name = actions[i];
        if (i % 3 == 0) {
            // Some callbacks remove themselves mid-dispatch.
            controls.registerAction(name, [&controls, name, &calls] {
                ++calls;
                controls.unregisterAction(name);
            });
        } else {
            controls.registerAction(name, [&calls] { ++calls; });
        }
    }

    static const std::int32_t codes[] = {SDLK_ESCAPE, SDLK_RETURN, SDLK_UP, SDLK_DOWN, SDLK_a, SDLK_F1,
                                         SDLK_SPACE, -1, -2, -3};
    for (const std::int32_t code : codes) {
        controls.dispatchEvent(pressEvent(code < 0 ? SDL_MOUSEBUTTONDOWN : SDL_KEYDOWN, code));
        controls.dispatchEvent(pressEvent(code < 0 ? SDL_MOUSEBUTTONUP : SDL_KEYUP, code));
    }
    while (controls.getContextStack().size() > 1) {
        controls.popContext();
    }
    controls.popContext();
    checkStack(controls.getContextStack());
    for (const std::string& name : actions) {
        controls.unregisterAction(name);
    }
    return 0;
}
