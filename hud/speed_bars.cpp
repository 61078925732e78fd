#include "hud/speed_bars.h"

#include <cmath>
#include <cstdint>

#include "config/settings.h"
#include "control/mod_state.h"
#include "host/native.h"
#include "hud/draw.h"
#include "hud/label_format.h"

char desiredSpeedLabel[64];
char reportedSpeedLabel[64];

namespace {
// Bit patterns decide where a constant is not the float nearest its decimal.
constexpr float kLowerRowOffset = kSpeedBarHeight;               // one bar: its foot on UI_BOTTOM_OFFSET
constexpr float kUpperRowOffset = floatFromBits(0x3CCCCCCCu);    // 0.01 + 0.015
constexpr float kLowerLabelOffset = floatFromBits(0x3C51B717u);  // 0.01 + 0.0028
constexpr float kUpperLabelOffset = floatFromBits(0x3CE3BCD2u);  // 0.01 + 0.015 + 0.0028
constexpr float kLengthFactor = floatFromBits(0x3EAAAAABu);      // one third
constexpr float kTolerance = floatFromBits(0x3A83126Fu);         // 0.001
constexpr float kTwoPointEight = floatFromBits(0x40333333u);
constexpr float kNudgeSmall = floatFromBits(0x3B23D70Au);  // 0.0025
constexpr float kNudgeLarge = floatFromBits(0x3BF5C28Fu);  // 0.0075
constexpr float kNudgeRight = floatFromBits(0xBC23D70Au);  // -0.01

float clearSign(float v) { return floatFromBits(floatBits(v) & 0x7FFFFFFFu); }

void drawRow(float top, float labelY, float value, const char* label) {
    const Settings& s = settings;
    const BandStyle style = selectSpeedBand(value);
    drawRect(s.UI_LEFT_OFFSET, top, s.UI_BAR_LENGTH, kSpeedBarHeight, 50, 50, 50, 200);
    const float scaled = value * kLengthFactor;
    const float length = scaled * s.UI_BAR_LENGTH;
    drawRect(s.UI_LEFT_OFFSET, top, length, kSpeedBarHeight, style.red, style.green, style.blue, 255);
    const float end = length + s.UI_LEFT_OFFSET;
    const float labelX = end - style.nudge;
    drawText(labelX, labelY, label, kSpeedLabelScale, true, 255, 255, 255, 255);
}
}  // namespace

bool isDefinitelyGreater(float a, float b) {
    const float d = a - b;
    if (d > kTolerance) return true;
    const float m = kTolerance * std::fmax(std::fabs(a), std::fabs(b));
    return d > m;
}

bool isApproximatelyEqual(float a, float b) {
    const float ad = std::fabs(a - b);
    if (std::isnan(ad)) return true;
    if (ad <= kTolerance) return true;
    const float m = kTolerance * std::fmax(std::fabs(a), std::fabs(b));
    return ad < m;
}

BandStyle selectSpeedBand(float v) {
    if (isDefinitelyGreater(v, 2.0f)) {
        float nudge = 0.0f;
        if (isApproximatelyEqual(v, 3.0f) || isDefinitelyGreater(v, 3.0f)) nudge = kNudgeLarge;
        else if (isDefinitelyGreater(v, kTwoPointEight)) nudge = kNudgeSmall;
        return {SpeedBand::High, 155, 0, 0, nudge};
    }
    if (isApproximatelyEqual(v, 2.0f)) return {SpeedBand::AtTwo, 155, 60, 0, 0.0f};
    if (isDefinitelyGreater(v, 1.5f)) return {SpeedBand::Middle, 0, 100, 170, 0.0f};
    return {SpeedBand::Low, 0, 100, 0, isDefinitelyGreater(v, 0.0f) ? 0.0f : kNudgeRight};
}

void drawSpeedBars(bool mounted) {
    if (invokeNative<std::int32_t>(nativeHudGate) != 0) {
        const std::int32_t allowed = invokeNative<std::int32_t>(nativeHudGateOverride);
        if (allowed == 0 || !mounted) return;
    }
    const Settings& s = settings;
    float reportedSpeed = 0.0f;
    if (!s.UI_HIDE_PED_DESIRED_SPEED &&
        invokeNative<std::int32_t>(nativeEntityBlocked, modState.playerCharacter, std::int32_t{0}) == 0) {
        reportedSpeed = clearSign(invokeNative<float>(nativeEntitySpeed, modState.targetEntity));
    }
    const float desiredSpeed = modState.desiredSpeed;
    formatSpeedLabel(desiredSpeedLabel, sizeof desiredSpeedLabel, desiredSpeed);
    formatSpeedLabel(reportedSpeedLabel, sizeof reportedSpeedLabel, reportedSpeed);

    const float base = 1.0f - s.UI_BOTTOM_OFFSET;
    if (!s.UI_HIDE_PED_DESIRED_SPEED)
        drawRow(base - kUpperRowOffset, base - kUpperLabelOffset, reportedSpeed, reportedSpeedLabel);
    drawRow(base - kLowerRowOffset, base - kLowerLabelOffset, desiredSpeed, desiredSpeedLabel);
}
