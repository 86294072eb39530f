#include "core/ControlManager.h"

#include "core/JSONManager.h"
#include "core/Logging.h"

#include <algorithm>
#include <utility>

namespace {
const char* const GLOBAL_CONTEXT = "global";
const std::string KEY_PREFIX = "KEY_";

// "ESCAPE", "escape" and "Escape" all become "Escape", the spelling SDL's key names use.
// ASCII only: bytes of other characters pass through unchanged.
std::string normaliseKeyName(const std::string& name) {
    std::string result = name;
    for (std::size_t i = 0; i < result.size(); ++i) {
        char& c = result[i];
        if (i == 0 && c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        } else if (i > 0 && c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}
} // namespace

ControlManager& ControlManager::getInstance() {
    static ControlManager instance;
    return instance;
}

ControlManager::ControlManager() : contextStack{GLOBAL_CONTEXT} {}

void ControlManager::pushContext(const std::string& name) {
    if (std::find(contextStack.begin(), contextStack.end(), name) == contextStack.end()) {
        contextStack.push_back(name);
    }
}

void ControlManager::popContext() {
    if (contextStack.size() > 1) {
        contextStack.pop_back();
    }
}

void ControlManager::clearContexts() {
    contextStack.clear();
    contextStack.emplace_back(GLOBAL_CONTEXT);
}

bool ControlManager::loadConfig(const std::string& path) {
    return loadConfigFromJson(JSONManager::loadAndLogJson(path), path);
}

bool ControlManager::loadConfigFromJson(const nlohmann::json& config, const std::string& sourceName) {
    if (!config.is_object()) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Failed to load or parse JSON at path: %s",
                     sourceName.c_str());
        return false;
    }
    contextMaps.clear();
    storeBindings(config);
    logSummary();
    return true;
}

void ControlManager::storeBindings(const nlohmann::json& config) {
    // Depth-first over nested context blocks with an explicit stack, so a deeply nested file
    // cannot exhaust the call stack. Members are visited in the library's (ascending) key order,
    // blocks before the members that follow them, so a later key overwrites an earlier one.
    struct Frame {
        nlohmann::json::const_iterator next;
        nlohmann::json::const_iterator end;
        std::string context;
    };
    std::vector<Frame> pending;
    pending.push_back({config.cbegin(), config.cend(), GLOBAL_CONTEXT});

    while (!pending.empty()) {
        Frame& frame = pending.back();
        if (frame.next == frame.end) {
            pending.pop_back();
            continue;
        }
        const std::string& key = frame.next.key();
        const nlohmann::json& value = frame.next.value();
        ++frame.next;

        if (value.is_object()) {
            // Context names are flat: a nested block is named by its own key alone.
            pending.push_back({value.cbegin(), value.cend(), key});
            continue;
        }
        if (!value.is_string()) {
            SDL_Log("Action for key %s in JSON is not a string; binding skipped", key.c_str());
            continue;
        }

        InputCode code = 0;
        if (key.rfind(KEY_PREFIX, 0) == 0) {
            const std::string keyName = normaliseKeyName(key.substr(KEY_PREFIX.size()));
            code = SDL_GetKeyFromName(keyName.c_str());
            if (code == SDLK_UNKNOWN) {
                SDL_Log("Unknown key name in JSON: %s", keyName.c_str());
                continue;
            }
        } else if (key == "MOUSE_LEFT") {
            code = MOUSE_LEFT_CODE;
        } else if (key == "MOUSE_RIGHT") {
            code = MOUSE_RIGHT_CODE;
        } else {
            SDL_Log("Unrecognized key string in JSON: %s", key.c_str());
            continue;
        }
        contextMaps[frame.context][code] = value.get<std::string>();
    }
}

void ControlManager::logSummary() const {
    LOG_DEBUG("=== CONTROL MANAGER CONTEXT SUMMARY ===");
    LOG_DEBUG("Total contexts loaded: " + std::to_string(contextMaps.size()));
    for (const auto& [context, bindings] : contextMaps) {
        LOG_DEBUG("Context '" + context + "' has " + std::to_string(bindings.size()) + " entries");
    }
    LOG_DEBUG(std::string(40, '='));
}

void ControlManager::registerAction(const std::string& name, ActionCallback callback, KeyRepeat keyRepeat) {
    actionCallbacks[name] = std::move(callback);
    if (keyRepeat == KeyRepeat::FIRST_PRESS_ONLY) {
        firstPressOnlyActions.insert(name);
    } else {
        firstPressOnlyActions.erase(name);
    }
}

void ControlManager::unregisterAction(const std::string& name) {
    actionCallbacks.erase(name);
    firstPressOnlyActions.erase(name);
}

std::string ControlManager::getAction(InputCode input) const {
    const std::string keyName = SDL_GetKeyName(input);
    SDL_Log("getAction() called for key: %s (%d)", keyName.c_str(), static_cast<int>(input));
    for (auto context = contextStack.rbegin(); context != contextStack.rend(); ++context) {
        SDL_Log("  checking context: %s", context->c_str());
        const auto bindings = contextMaps.find(*context);
        if (bindings == contextMaps.end()) {
            SDL_Log("  no map found for context %s", context->c_str());
            continue;
        }
        const auto binding = bindings->second.find(input);
        if (binding != bindings->second.end()) {
            SDL_Log("  FOUND action: %s for key: %s", binding->second.c_str(), keyName.c_str());
            return binding->second;
        }
    }
    SDL_Log("  no action found for key: %s", keyName.c_str());
    return {};
}

void ControlManager::dispatchEvent(const SDL_Event& event) {
    InputCode code = 0;
    if (event.type == SDL_KEYDOWN) {
        SDL_Log("DispatchEvent called. Event type: %d", static_cast<int>(event.type));
        code = event.key.keysym.sym;
    } else if (event.type == SDL_MOUSEBUTTONDOWN) {
        code = -static_cast<InputCode>(event.button.button);
    } else {
        return;
    }

    const std::string action = getAction(code);
    if (action.empty()) {
        return;
    }
    if (event.type == SDL_KEYDOWN && event.key.repeat != 0 && firstPressOnlyActions.count(action) != 0) {
        SDL_Log("Key repeat ignored for action: %s", action.c_str());
        return;
    }
    const auto callback = actionCallbacks.find(action);
    // An empty callable counts as none rather than throwing from inside the event loop.
    if (callback == actionCallbacks.end() || !callback->second) {
        SDL_Log("No callback registered for action: %s", action.c_str());
        return;
    }
    // Call a copy: the callback may unregister or replace itself (a scene closing down does).
    const ActionCallback call = callback->second;
    call();
}
