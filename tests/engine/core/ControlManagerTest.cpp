#include "CoreTestSupport.h"

#include "core/ControlManager.h"

#include <gtest/gtest.h>

#include <map>

namespace {
using Lines = std::vector<std::string>;

// The manager is one per process: each test starts from "global" alone and no bindings.
class ControlManagerTest : public ::testing::Test {
protected:
    ControlManager& controls = ControlManager::getInstance();
    SdlLogCapture sdlLog;
    ScratchDir dir;
    std::map<std::string, int> calls;

    void SetUp() override {
        controls.clearContexts();
        ASSERT_TRUE(controls.loadConfigFromJson(nlohmann::json::object(), "reset"));
    }
    void TearDown() override {
        for (const char* name : {"pause_menu", "click", "confirm"}) controls.unregisterAction(name);
    }
    bool load(const std::string& text) { return controls.loadConfig(dir.write("controls.json", text)); }
    void count(const std::string& action) { controls.registerAction(action, [this, action] { ++calls[action]; }); }
};

SDL_Event event(Uint32 type, SDL_Keycode key, Uint8 button = 0) {
    SDL_Event e{};
    e.type = type;
    if (type == SDL_KEYDOWN || type == SDL_KEYUP) e.key.keysym.sym = key;
    else e.button.button = button;
    return e;
}
} // namespace

TEST_F(ControlManagerTest, ContextStack) {
    controls.popContext();
    controls.pushContext("global");
    EXPECT_EQ(controls.getContextStack(), Lines{"global"});
    for (const char* name : {"menu", "menu", "dialog", "menu"}) controls.pushContext(name);
    EXPECT_EQ(controls.getContextStack(), (Lines{"global", "menu", "dialog"}));
    for (int i = 0; i < 3; ++i) controls.popContext();
    EXPECT_EQ(controls.getContextStack(), Lines{"global"});
    controls.pushContext("menu");
    controls.clearContexts();
    EXPECT_EQ(controls.getContextStack(), Lines{"global"});
}

TEST_F(ControlManagerTest, FileFormat) {
    LogCapture log;
    setDebugEnabled(true);
    ASSERT_TRUE(load(R"({
        "KEY_ESCAPE": "first", "KEY_Escape": "second", "KEY_escape": "pause_menu", "KEY_a": "ask", "KEY_F1": "help",
        "MOUSE_LEFT": "click", "MOUSE_RIGHT": "context_click",
        "MOUSE_MIDDLE": "x", "key_ESCAPE": "x", "KEY_ESCAP": "x", "KEY_UP": 5, "KEY_DOWN": null,
        "empty": {"KEY_NOPE": "x"},
        "menu": {"KEY_UP": "navigate_up", "KEY_LEFT": "early", "sub": {"KEY_DOWN": "navigate_down"}},
        "zeta": {"menu": {"KEY_LEFT": "navigate_left"}}
    })"));
    setDebugEnabled(false);
    EXPECT_EQ(controls.getAction(SDLK_ESCAPE), "pause_menu"); // the last of the three in key order
    EXPECT_EQ(controls.getAction(SDLK_a), "ask");
    EXPECT_EQ(controls.getAction(SDLK_F1), "help");
    EXPECT_EQ(controls.getAction(-1), "click");
    EXPECT_EQ(controls.getAction(-3), "context_click");
    EXPECT_EQ(controls.getAction(-2), "");
    EXPECT_EQ(controls.getAction(SDLK_UP), ""); // skipped in "global", bound only in "menu"
    for (const char* name : {"menu", "sub", "empty"}) controls.pushContext(name);
    EXPECT_EQ(controls.getAction(SDLK_UP), "navigate_up");
    EXPECT_EQ(controls.getAction(SDLK_LEFT), "navigate_left"); // the nested "menu" block is read later
    EXPECT_EQ(controls.getAction(SDLK_DOWN), "navigate_down");
    for (const char* line : {"Unrecognized key string in JSON: MOUSE_MIDDLE", "Unrecognized key string in JSON: key_ESCAPE",
                             "Unknown key name in JSON: Escap", "Unknown key name in JSON: Nope",
                             "Action for key KEY_UP in JSON is not a string; binding skipped",
                             "Action for key KEY_DOWN in JSON is not a string; binding skipped",
                             "  no map found for context empty"}) {
        EXPECT_TRUE(sdlLog.has(line)) << line;
    }
    for (const char* line : {"--[DEBUG] === CONTROL MANAGER CONTEXT SUMMARY === [", "--[DEBUG] Total contexts loaded: 3 [",
                             "--[DEBUG] Context 'global' has 5 entries [", "--[DEBUG] Context 'menu' has 2 entries [",
                             "--[DEBUG] Context 'sub' has 1 entries [", "--[DEBUG] ======================================== ["}) {
        EXPECT_TRUE(log.has(line)) << line;
    }
}

TEST_F(ControlManagerTest, LoadingReplacesBindingsAndFailuresKeepThem) {
    ASSERT_TRUE(load(R"({"KEY_UP": "up", "extra": {"KEY_DOWN": "extra_down"}})"));
    ASSERT_TRUE(load(R"({"KEY_DOWN": "down"})"));
    controls.pushContext("extra");
    EXPECT_EQ(controls.getAction(SDLK_UP), "");
    EXPECT_EQ(controls.getAction(SDLK_DOWN), "down");
    for (const char* text : {"[1, 2]", "null", "\"KEY_UP\"", "{\"KEY_UP\": ", "", "{\"KEY_UP\": 1e999}"}) {
        EXPECT_FALSE(load(text)) << text;
        EXPECT_EQ(controls.getAction(SDLK_DOWN), "down") << text;
    }
    const std::string missing = (dir.path / "none.json").string();
    EXPECT_FALSE(controls.loadConfig(missing));
    EXPECT_TRUE(sdlLog.has("Failed to load or parse JSON at path: " + missing));
    EXPECT_EQ(controls.getAction(SDLK_DOWN), "down");
    // Nesting deeper than any call stack would allow.
    std::string nested;
    for (int i = 0; i < 100000; ++i) nested += "{\"c\":";
    ASSERT_TRUE(load(nested + "{\"KEY_UP\": \"deep\"}" + std::string(100000, '}')));
    controls.pushContext("c");
    EXPECT_EQ(controls.getAction(SDLK_UP), "deep");
}

TEST_F(ControlManagerTest, UpperContextWinsAndLookupIsTraced) {
    ASSERT_TRUE(load(R"({"KEY_ESCAPE": "quit", "menu": {"KEY_ESCAPE": "pause_menu"}})"));
    controls.pushContext("menu");
    sdlLog.lines.clear();
    EXPECT_EQ(controls.getAction(SDLK_ESCAPE), "pause_menu");
    EXPECT_EQ(sdlLog.lines, (Lines{"getAction() called for key: Escape (27)", "  checking context: menu",
                                   "  FOUND action: pause_menu for key: Escape"}));
    controls.popContext();
    EXPECT_EQ(controls.getAction(SDLK_ESCAPE), "quit");
    sdlLog.lines.clear();
    EXPECT_EQ(controls.getAction(SDLK_q), "");
    EXPECT_EQ(sdlLog.lines, (Lines{"getAction() called for key: Q (113)", "  checking context: global",
                                   "  no action found for key: Q"}));
}

TEST_F(ControlManagerTest, DispatchActsOnPressesOnly) {
    ASSERT_TRUE(load(R"({"KEY_ESCAPE": "pause_menu", "MOUSE_LEFT": "click", "MOUSE_RIGHT": "confirm"})"));
    count("pause_menu");
    count("click");
    for (Uint32 type : {SDL_MOUSEBUTTONUP, SDL_MOUSEMOTION, SDL_KEYUP, SDL_TEXTINPUT}) {
        controls.dispatchEvent(event(type, SDLK_ESCAPE, SDL_BUTTON_LEFT));
    }
    controls.dispatchEvent(event(SDL_MOUSEBUTTONDOWN, 0, SDL_BUTTON_MIDDLE));
    EXPECT_TRUE(calls.empty());
    controls.dispatchEvent(event(SDL_MOUSEBUTTONDOWN, 0, SDL_BUTTON_LEFT));
    SDL_Event repeat = event(SDL_KEYDOWN, SDLK_ESCAPE);
    controls.dispatchEvent(repeat);
    repeat.key.repeat = 1;
    controls.dispatchEvent(repeat);
    EXPECT_EQ(calls, (std::map<std::string, int>{{"click", 1}, {"pause_menu", 2}}));
    EXPECT_TRUE(sdlLog.has("DispatchEvent called. Event type: 768"));

    // A first-press-only action ignores the held key's repeats, not new presses; registering it
    // again without the flag, or anew after unregistering, repeats again.
    {
        controls.registerAction("pause_menu", [this] { ++calls["held"]; },
                                ControlManager::KeyRepeat::FIRST_PRESS_ONLY);
        for (const Uint8 repeating : {0, 1, 1, 0, 1}) {
            repeat.key.repeat = repeating;
            controls.dispatchEvent(repeat);
        }
        EXPECT_EQ(calls["held"], 2);
        EXPECT_TRUE(sdlLog.has("Key repeat ignored for action: pause_menu"));
        controls.unregisterAction("pause_menu");
        controls.registerAction("pause_menu", [this] { ++calls["held"]; });
        controls.dispatchEvent(repeat);
        EXPECT_EQ(calls["held"], 3);
        count("pause_menu");
        calls.erase("held");
    }

    // Bound but unregistered, or registered empty: reported, and nothing runs or throws.
    controls.dispatchEvent(event(SDL_MOUSEBUTTONDOWN, 0, SDL_BUTTON_RIGHT));
    EXPECT_TRUE(sdlLog.has("No callback registered for action: confirm"));
    controls.registerAction("confirm", nullptr);
    sdlLog.lines.clear();
    EXPECT_NO_THROW(controls.dispatchEvent(event(SDL_MOUSEBUTTONDOWN, 0, SDL_BUTTON_RIGHT)));
    EXPECT_TRUE(sdlLog.has("No callback registered for action: confirm"));

    // A replaced callback does not come back when its replacement is unregistered.
    controls.registerAction("pause_menu", [this] { ++calls["replacement"]; });
    controls.dispatchEvent(event(SDL_KEYDOWN, SDLK_ESCAPE));
    controls.unregisterAction("pause_menu");
    controls.dispatchEvent(event(SDL_KEYDOWN, SDLK_ESCAPE));
    EXPECT_EQ(calls["pause_menu"], 2);
    EXPECT_EQ(calls["replacement"], 1);

    // A callback may unregister itself while it runs.
    controls.registerAction("click", [this] {
        controls.unregisterAction("click");
        ++calls["once"];
    });
    controls.dispatchEvent(event(SDL_MOUSEBUTTONDOWN, 0, SDL_BUTTON_LEFT));
    controls.dispatchEvent(event(SDL_MOUSEBUTTONDOWN, 0, SDL_BUTTON_LEFT));
    EXPECT_EQ(calls["once"], 1);
}
