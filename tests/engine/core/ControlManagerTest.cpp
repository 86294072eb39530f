#include "core/ControlManager.h"

#include <gtest/gtest.h>

#include <map>

namespace {
using Lines = std::vector<std::string>;
using Codes = std::vector<ControlManager::InputCode>;
using nlohmann::json;

// The manager is one per process: each test starts from "global" alone and no bindings.
class ControlManagerTest : public ::testing::Test {
protected:
    ControlManager& controls = ControlManager::getInstance();
    std::map<std::string, int> calls;

    void SetUp() override {
        controls.clearContexts();
        ASSERT_TRUE(controls.loadConfigFromJson(json::object(), "reset"));
    }
    Lines actions(const Codes& codes) const {
        Lines found;
        for (const auto code : codes) found.push_back(controls.getAction(code));
        return found;
    }
    void count(const std::string& action, ControlManager::KeyRepeat repeat = ControlManager::KeyRepeat::REPEATS) {
        controls.registerAction(action, [this, action] { ++calls[action]; }, repeat);
    }
    // Key events carry a key and its repeat flag, every other kind a mouse button.
    void send(Uint32 type, int keyOrButton, Uint8 repeat = 0) {
        SDL_Event e{};
        e.type = type;
        e.key.keysym.sym = keyOrButton;
        e.key.repeat = repeat;
        if (type != SDL_KEYDOWN && type != SDL_KEYUP) e.button.button = static_cast<Uint8>(keyOrButton);
        controls.dispatchEvent(e);
    }
};
} // namespace

TEST_F(ControlManagerTest, ContextStack) {
    for (const char* name : {"menu", "menu", "dialog", "global", "menu"}) controls.pushContext(name);
    EXPECT_EQ(controls.getContextStack(), (Lines{"global", "menu", "dialog"}));
    for (int i = 0; i < 3; ++i) controls.popContext();
    EXPECT_EQ(controls.getContextStack(), Lines{"global"});
    controls.pushContext("menu");
    controls.clearContexts();
    EXPECT_EQ(controls.getContextStack(), Lines{"global"});
}

TEST_F(ControlManagerTest, BindingsByContext) {
    ASSERT_TRUE(controls.loadConfigFromJson(json::parse(R"({
        "KEY_Escape": "first", "KEY_escape": "pause_menu", "KEY_a": "ask", "KEY_F1": "help", "KEY_ESCAP": "x",
        "MOUSE_LEFT": "click", "MOUSE_RIGHT": "context_click", "MOUSE_MIDDLE": "x", "key_UP": "x", "KEY_DOWN": 5,
        "empty": {"KEY_NOPE": "x"},
        "menu": {"KEY_UP": "navigate_up", "KEY_LEFT": "early",
                 "sub": {"KEY_DOWN": "navigate_down", "KEY_A": "sub_ask"}},
        "zeta": {"menu": {"KEY_LEFT": "navigate_left"}}
    })"), "test"));
    const Codes codes{SDLK_ESCAPE, SDLK_a, SDLK_F1, -1, -2, -3, SDLK_UP, SDLK_LEFT, SDLK_DOWN};
    EXPECT_EQ(actions(codes), (Lines{"pause_menu", "ask", "help", "click", "", "context_click", "", "", ""}));
    // The topmost context binding a key wins; a nested block is named by its own key alone and
    // read after the members before it.
    for (const char* name : {"menu", "sub", "empty"}) controls.pushContext(name);
    EXPECT_EQ(actions(codes), (Lines{"pause_menu", "sub_ask", "help", "click", "", "context_click", "navigate_up",
                                     "navigate_left", "navigate_down"}));
}

TEST_F(ControlManagerTest, LoadingReplacesBindingsAndFailuresKeepThem) {
    ASSERT_TRUE(controls.loadConfigFromJson(json::parse(R"({"KEY_UP": "up", "extra": {"KEY_DOWN": "x"}})"), "a"));
    ASSERT_TRUE(controls.loadConfigFromJson(json::parse(R"({"KEY_DOWN": "down"})"), "b"));
    controls.pushContext("extra");
    for (const json& bad : {json::array({1, 2}), json(nullptr), json("KEY_UP")}) {
        EXPECT_FALSE(controls.loadConfigFromJson(bad, "")) << bad;
    }
    EXPECT_FALSE(controls.loadConfig("/nonexistent/controls.json"));
    EXPECT_EQ(actions({SDLK_UP, SDLK_DOWN}), (Lines{"", "down"}));
    // Nesting deeper than any call stack would allow.
    std::string nested;
    for (int i = 0; i < 100000; ++i) nested += "{\"c\":";
    const json deep = json::parse(nested + R"({"KEY_UP": "deep"})" + std::string(100000, '}'));
    ASSERT_TRUE(controls.loadConfigFromJson(deep, "deep"));
    controls.pushContext("c");
    EXPECT_EQ(controls.getAction(SDLK_UP), "deep");
}

// A keyboard-only player moves, switches text box, confirms and leaves the chamber with these,
// whichever shipped list is loaded.
TEST_F(ControlManagerTest, ShippedControlListsReachTheChamberActions) {
    for (const char* file : {"GoblinControlList.json", "ZadadezazKeyControlList.json"}) {
        ASSERT_TRUE(controls.loadConfig(std::string(MURKMOOT_ASSETS_DIR "/Data/") + file)) << file;
        controls.pushContext("menu");
        EXPECT_EQ(actions({SDLK_TAB, SDLK_RETURN, SDLK_KP_ENTER, SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT,
                           SDLK_ESCAPE}),
                  (Lines{"switch_tab", "confirm", "confirm", "navigate_up", "navigate_down", "navigate_left",
                         "navigate_right", "pause_menu"}))
            << file;
    }
}

TEST_F(ControlManagerTest, DispatchActsOnPressesOnly) {
    ASSERT_TRUE(controls.loadConfigFromJson(
        {{"KEY_ESCAPE", "pause_menu"}, {"MOUSE_LEFT", "click"}, {"MOUSE_RIGHT", "confirm"}}, "t"));
    for (const char* name : {"pause_menu", "click"}) count(name);
    for (Uint32 type : {SDL_MOUSEBUTTONUP, SDL_MOUSEMOTION, SDL_TEXTINPUT}) send(type, SDL_BUTTON_LEFT);
    send(SDL_KEYUP, SDLK_ESCAPE);
    send(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE);
    EXPECT_TRUE(calls.empty());
    send(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    send(SDL_KEYDOWN, SDLK_ESCAPE);
    send(SDL_KEYDOWN, SDLK_ESCAPE, 1);
    EXPECT_EQ(calls, (std::map<std::string, int>{{"click", 1}, {"pause_menu", 2}}));

    // A first-press-only action ignores the held key's repeats, not new presses or clicks;
    // registering it again without the flag repeats again.
    count("pause_menu", ControlManager::KeyRepeat::FIRST_PRESS_ONLY);
    count("click", ControlManager::KeyRepeat::FIRST_PRESS_ONLY);
    for (const Uint8 repeat : {0, 1, 1, 0, 1}) send(SDL_KEYDOWN, SDLK_ESCAPE, repeat);
    send(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    EXPECT_EQ(calls, (std::map<std::string, int>{{"click", 2}, {"pause_menu", 4}}));
    count("pause_menu");
    send(SDL_KEYDOWN, SDLK_ESCAPE, 1);

    // Unregistered, or registered empty: nothing runs or throws.
    controls.unregisterAction("pause_menu");
    send(SDL_KEYDOWN, SDLK_ESCAPE);
    controls.registerAction("confirm", nullptr);
    EXPECT_NO_THROW(send(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT));
    EXPECT_EQ(calls["pause_menu"], 5);

    // A callback may unregister itself while it runs.
    controls.registerAction("click", [this] {
        controls.unregisterAction("click");
        ++calls["once"];
    });
    send(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    send(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    EXPECT_EQ(calls["once"], 1);
}
