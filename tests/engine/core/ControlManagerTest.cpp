#include "CoreTestSupport.h"

#include "core/ControlManager.h"

#include <gtest/gtest.h>

#include <map>

namespace {
using Stack = std::vector<std::string>;

// The manager is one per process: every test starts from "global" alone and no bindings.
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
        for (const char* name : {"pause_menu", "click", "confirm", "once"}) controls.unregisterAction(name);
    }
    bool load(const std::string& text) { return controls.loadConfig(dir.write("controls.json", text)); }
    void count(const std::string& action) {
        controls.registerAction(action, [this, action] { ++calls[action]; });
    }
};

SDL_Event keyDown(SDL_Keycode key, Uint8 repeat = 0) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    event.key.repeat = repeat;
    return event;
}

SDL_Event mouse(Uint32 type, Uint8 button) {
    SDL_Event event{};
    event.type = type;
    event.button.button = button;
    return event;
}
} // namespace

TEST_F(ControlManagerTest, ContextStackKeepsGlobalAtTheBottomAndNamesUnique) {
    controls.popContext();
    controls.pushContext("global");
    EXPECT_EQ(controls.getContextStack(), Stack{"global"});
    controls.pushContext("menu");
    controls.pushContext("menu");
    EXPECT_EQ(controls.getContextStack(), (Stack{"global", "menu"}));
    controls.pushContext("dialog");
    controls.pushContext("menu");
    EXPECT_EQ(controls.getContextStack(), (Stack{"global", "menu", "dialog"}));
    controls.popContext();
    controls.popContext();
    controls.popContext();
    EXPECT_EQ(controls.getContextStack(), Stack{"global"});
    controls.pushContext("menu");
    controls.pushContext("dialog");
    controls.clearContexts();
    EXPECT_EQ(controls.getContextStack(), Stack{"global"});
}

TEST_F(ControlManagerTest, FileFormatNestedBlocksKeyNamesAndSkippedMembers) {
    LogCapture log;
    setDebugEnabled(true);
    ASSERT_TRUE(load(R"({
        "KEY_ESCAPE": "first", "KEY_Escape": "second", "KEY_escape": "pause_menu",
        "KEY_RETURN": "confirm", "KEY_a": "ask", "KEY_F1": "help",
        "MOUSE_LEFT": "click", "MOUSE_RIGHT": "context_click",
        "MOUSE_MIDDLE": "x", "key_ESCAPE": "x", "KEY_ESCAP": "x", "KEY_UP": 5, "KEY_DOWN": null,
        "empty": {"KEY_NOPE": "x"},
        "menu": {"KEY_UP": "navigate_up", "KEY_LEFT": "early", "sub": {"KEY_DOWN": "navigate_down"}},
        "zeta": {"menu": {"KEY_LEFT": "navigate_left"}}
    })"));
    setDebugEnabled(false);

    EXPECT_EQ(controls.getAction(SDLK_ESCAPE), "pause_menu"); // last of the three in key order
    EXPECT_EQ(controls.getAction(SDLK_RETURN), "confirm");
    EXPECT_EQ(controls.getAction(SDLK_a), "ask");
    EXPECT_EQ(controls.getAction(SDLK_F1), "help");
    EXPECT_EQ(controls.getAction(-1), "click");
    EXPECT_EQ(controls.getAction(-3), "context_click");
    EXPECT_EQ(controls.getAction(-2), "");
    EXPECT_EQ(controls.getAction(SDLK_UP), ""); // only "menu" binds it
    controls.pushContext("menu");
    controls.pushContext("sub");
    EXPECT_EQ(controls.getAction(SDLK_UP), "navigate_up");
    EXPECT_EQ(controls.getAction(SDLK_LEFT), "navigate_left"); // the nested "menu" block comes later
    EXPECT_EQ(controls.getAction(SDLK_DOWN), "navigate_down");
    controls.pushContext("empty");
    EXPECT_EQ(controls.getAction(SDLK_a), "ask");
    EXPECT_TRUE(sdlLog.has("  no map found for context empty"));

    for (const char* line : {"Unrecognized key string in JSON: MOUSE_MIDDLE",
                             "Unrecognized key string in JSON: key_ESCAPE", "Unknown key name in JSON: Escap",
                             "Unknown key name in JSON: Nope"}) {
        EXPECT_TRUE(sdlLog.has(line)) << line;
    }
    EXPECT_TRUE(sdlLog.has("Action for key KEY_UP in JSON is not a string; binding skipped"));
    EXPECT_TRUE(sdlLog.has("Action for key KEY_DOWN in JSON is not a string; binding skipped"));

    const std::string summary = log.text();
    std::size_t at = 0;
    for (const char* line : {"--[DEBUG] === CONTROL MANAGER CONTEXT SUMMARY === [", "--[DEBUG] Total contexts loaded: 3 [",
                             "--[DEBUG] Context 'global' has 6 entries [", "--[DEBUG] Context 'menu' has 2 entries [",
                             "--[DEBUG] Context 'sub' has 1 entries [", "--[DEBUG] ======================================== ["}) {
        at = summary.find(line, at);
        EXPECT_NE(at, std::string::npos) << line;
    }
}

TEST_F(ControlManagerTest, SecondLoadReplacesAllBindingsAndFailedLoadsKeepThem) {
    ASSERT_TRUE(load(R"({"KEY_UP": "up", "extra": {"KEY_DOWN": "extra_down"}})"));
    ASSERT_TRUE(load(R"({"KEY_DOWN": "down"})"));
    controls.pushContext("extra");
    EXPECT_EQ(controls.getAction(SDLK_UP), "");
    EXPECT_EQ(controls.getAction(SDLK_DOWN), "down");
    EXPECT_TRUE(sdlLog.has("  no map found for context extra"));

    for (const char* text : {"[1, 2]", "null", "\"KEY_UP\"", "{\"KEY_UP\": ", ""}) {
        EXPECT_FALSE(load(text)) << text;
        EXPECT_EQ(controls.getAction(SDLK_DOWN), "down") << text;
    }
    const std::string missing = (dir.path / "none.json").string();
    EXPECT_FALSE(controls.loadConfig(missing));
    EXPECT_TRUE(sdlLog.has("Failed to load or parse JSON at path: " + missing));
    EXPECT_EQ(controls.getAction(SDLK_DOWN), "down");
}

TEST_F(ControlManagerTest, UpperContextWinsAndLookupIsTraced) {
    ASSERT_TRUE(load(R"({"KEY_ESCAPE": "quit", "menu": {"KEY_ESCAPE": "pause_menu"}})"));
    controls.pushContext("menu");
    sdlLog.lines.clear();
    EXPECT_EQ(controls.getAction(SDLK_ESCAPE), "pause_menu");
    EXPECT_EQ(sdlLog.lines, (Stack{"getAction() called for key: Escape (27)", "  checking context: menu",
                                   "  FOUND action: pause_menu for key: Escape"}));
    controls.popContext();
    EXPECT_EQ(controls.getAction(SDLK_ESCAPE), "quit");
    sdlLog.lines.clear();
    EXPECT_EQ(controls.getAction(SDLK_q), "");
    EXPECT_EQ(sdlLog.lines, (Stack{"getAction() called for key: Q (113)", "  checking context: global",
                                   "  no action found for key: Q"}));
}

TEST_F(ControlManagerTest, DispatchActsOnPressesOnly) {
    ASSERT_TRUE(load(R"({"KEY_ESCAPE": "pause_menu", "MOUSE_LEFT": "click", "MOUSE_RIGHT": "confirm"})"));
    count("pause_menu");
    count("click");
    for (const SDL_Event& ignored : {mouse(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT), mouse(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE),
                                     mouse(SDL_MOUSEMOTION, SDL_BUTTON_LEFT), mouse(SDL_KEYUP, 0), mouse(SDL_TEXTINPUT, 0)}) {
        controls.dispatchEvent(ignored);
    }
    EXPECT_TRUE(calls.empty());
    controls.dispatchEvent(mouse(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT));
    controls.dispatchEvent(keyDown(SDLK_ESCAPE));
    controls.dispatchEvent(keyDown(SDLK_ESCAPE, 1));
    EXPECT_EQ(calls, (std::map<std::string, int>{{"click", 1}, {"pause_menu", 2}}));
    EXPECT_TRUE(sdlLog.has("DispatchEvent called. Event type: 768"));

    // Bound but unregistered, or registered empty: reported, nothing runs, nothing throws.
    controls.dispatchEvent(mouse(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT));
    EXPECT_TRUE(sdlLog.has("No callback registered for action: confirm"));
    controls.registerAction("confirm", nullptr);
    sdlLog.lines.clear();
    EXPECT_NO_THROW(controls.dispatchEvent(mouse(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT)));
    EXPECT_TRUE(sdlLog.has("No callback registered for action: confirm"));

    // A replaced callback does not come back after the replacement is unregistered.
    controls.registerAction("pause_menu", [this] { calls["replacement"] += 1; });
    controls.dispatchEvent(keyDown(SDLK_ESCAPE));
    controls.unregisterAction("pause_menu");
    controls.dispatchEvent(keyDown(SDLK_ESCAPE));
    EXPECT_EQ(calls["pause_menu"], 2);
    EXPECT_EQ(calls["replacement"], 1);

    // A callback may unregister itself while it runs.
    controls.registerAction("click", [this] {
        controls.unregisterAction("click");
        calls["once"] += 1;
    });
    controls.dispatchEvent(mouse(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT));
    controls.dispatchEvent(mouse(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT));
    EXPECT_EQ(calls["once"], 1);
}

TEST_F(ControlManagerTest, DeeplyNestedBlocksLoad) {
    const int depth = 50000;
    std::string text;
    for (int i = 0; i < depth; ++i) text += "{\"c\":";
    text += "{\"KEY_UP\": \"deep\"}";
    text += std::string(depth, '}');
    ASSERT_TRUE(load(text));
    controls.pushContext("c");
    EXPECT_EQ(controls.getAction(SDLK_UP), "deep");
}
