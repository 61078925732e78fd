#include "tools/lib/descriptions.h"

const std::array<std::string_view, kSettingsTable.size()> kSettingDescriptions{{
    "Key that switches Pacelark on and off.",
    "Key that shows and hides the speed bars while Pacelark is on.",
    "Key that switches auto-walk on and off.",
    "Key that switches speed control of your horse on and off while riding.",
    "Walking speed at start.",
    "How much the speed changes per frame while speed-up or speed-down is held.",
    "Lowest speed you can set.",
    "Highest speed you can set.",
    "true: never control the horse's speed, and ignore TOGGLE_HORSE_SUPPORT.",
    "true: hide the bar of the speed the game reports for you or your horse.",
    "Left edge of the speed bars, as a fraction of the screen width.",
    "Gap between the lower bar and the bottom of the screen, a fraction of its height.",
    "Length of each bar's background, a fraction of the screen width (3 fills it).",
}};
