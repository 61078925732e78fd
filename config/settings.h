// The thirteen values of section "SETTINGS", with their built-in defaults.
#pragma once

#include <cstdint>

struct Settings {
    std::int32_t TOGGLE_MOD_KEY = 121;        // VK_F10
    std::int32_t TOGGLE_HUD_KEY = 122;        // VK_F11
    std::int32_t TOGGLE_AUTO_WALK_KEY = 192;  // VK_OEM_3
    std::int32_t TOGGLE_HORSE_SUPPORT = 119;  // VK_F8
    float INITIAL_WALK_SPEED = 1.5f;
    float SCROLL_STEP_SIZE = 0.1f;
    float MIN_SCROLL_VAL = 0.2f;
    float MAX_SCROLL_VAL = 3.0f;
    bool DISABLE_HORSE_SUPPORT = false;
    bool UI_HIDE_PED_DESIRED_SPEED = false;
    float UI_LEFT_OFFSET = 0.038f;
    float UI_BOTTOM_OFFSET = 0.015f;
    float UI_BAR_LENGTH = 0.15f;
};

extern Settings settings;

// Fills `settings` from "Pacelark.ini" in the working directory; never throws.
void loadSettings();
