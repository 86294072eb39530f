#pragma once
// The windowed program's named actions, registered in this order at start-up. Each only announces
// itself: on standard output and, except "back", as an INFO log line. The oracle scene replaces
// six of them with its own.

#include <array>
#include <string_view>

struct ApplicationAction {
    std::string_view name;
    std::string_view message;
    bool logged = true;
};

inline constexpr std::array<ApplicationAction, 23> APPLICATION_ACTIONS{{
    {"pause_menu", "Pause Menu Toggled"},
    {"toggle_dev_console", "Development Console Toggled"},
    {"mute_audio", "Audio Muted"},
    {"attack_primary", "Primary Attack Executed"},
    {"use_skill", "Skill Used"},
    {"defend", "Defend Action Executed"},
    {"use_item", "Item Used"},
    {"confirm_action", "Interact Action Executed"},
    {"cancel_action", "Cancel Action Executed"},
    {"move_up", "Move Up Action Executed"},
    {"move_down", "Move Down Action Executed"},
    {"move_left", "Move Left Action Executed"},
    {"move_right", "Move Right Action Executed"},
    {"toggle_run", "Run Toggled"},
    {"confirm", "Dialog Confirmed"},
    {"back", "Dialog Backed Out", false},
    {"navigate_up", "Navigated Up"},
    {"navigate_down", "Navigated Down"},
    {"navigate_left", "Navigated Left"},
    {"navigate_right", "Navigated Right"},
    {"toggle_fps_counter", "FPS Counter Toggled"},
    {"skip_turn", "Turn Skipped"},
    {"force_victory", "Victory Forced"},
}};
