#pragma once
// Turns raw input into named actions: bindings from control list files (input code -> action
// name, grouped by context), a stack of active contexts that decides which bindings apply, and
// the callbacks registered under action names. One instance per process.

#include <SDL.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class ControlManager {
public:
    // A keyboard key is its SDL keycode; a mouse button is its SDL button index negated.
    using InputCode = std::int32_t;
    using ActionCallback = std::function<void()>;

    static constexpr InputCode MOUSE_LEFT_CODE = -1;
    static constexpr InputCode MOUSE_RIGHT_CODE = -3;

    static ControlManager& getInstance();

    ControlManager(const ControlManager&) = delete;
    ControlManager& operator=(const ControlManager&) = delete;

    // Puts name on top unless it is already anywhere on the stack.
    void pushContext(const std::string& name);
    // Removes the top context; the last one is never removed.
    void popContext();
    // Leaves "global" alone on the stack.
    void clearContexts();
    // Active contexts, bottom first. Never empty, no name twice.
    const std::vector<std::string>& getContextStack() const { return contextStack; }

    // Replaces every binding with those of the control list file. False, with the previous
    // bindings kept, when the file cannot be read or parsed or is not a JSON object.
    bool loadConfig(const std::string& path);
    // As loadConfig, for a document already parsed; sourceName only labels the error message.
    bool loadConfigFromJson(const nlohmann::json& config, const std::string& sourceName);

    // Whether a key held down, repeating, runs the action again (moving a selection) or only its
    // first press does (spending something that cannot be had back).
    enum class KeyRepeat { REPEATS, FIRST_PRESS_ONLY };

    // Replaces any callback already registered under name.
    void registerAction(const std::string& name, ActionCallback callback,
                        KeyRepeat keyRepeat = KeyRepeat::REPEATS);
    void unregisterAction(const std::string& name);

    // The action bound to input in the topmost active context that binds it, or "".
    std::string getAction(InputCode input) const;
    // Resolves key-down and mouse-button-down events and calls the bound action's callback;
    // every other event is ignored, and so is a key's auto-repeat for a first-press-only action.
    void dispatchEvent(const SDL_Event& event);

private:
    ControlManager();

    void storeBindings(const nlohmann::json& config);
    void logSummary() const;

    // context name -> input code -> action name; a context appears once it holds a binding.
    std::map<std::string, std::map<InputCode, std::string>> contextMaps{};
    std::unordered_map<std::string, ActionCallback> actionCallbacks{};
    std::unordered_set<std::string> firstPressOnlyActions{};
    std::vector<std::string> contextStack{};
};
