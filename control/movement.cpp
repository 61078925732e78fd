#include "control/movement.h"

#include <cstdint>

#include "control/mod_state.h"
#include "host/native.h"

namespace {

// On foot and mounted differ only in their controls and the one extra call.
struct MovementMode {
    const MovementControls& controls;
    bool setsAutoWalkControl;
};

constexpr MovementMode kOnFoot = {kOnFootControls, false};
constexpr MovementMode kMounted = {kMountedControls, true};
constexpr float kPaceSpeed = 3.0f;
constexpr float kHoldSpeed = 2.0f;

// Asked in order, stopping at the first active control.
bool isMoving(const MovementControls& c) {
    for (const ControlHash m : c.move)
        if (isControlActive(m)) return true;
    return false;
}

void applySpeed(const MovementMode& mode) {
    const MovementControls& c = mode.controls;
    ModState& s = modState;
    if (!s.speedHoldLatch) {
        if (!isControlActive(c.pace) && isMoving(c)) s.appliedSpeed = s.secondarySpeed = s.desiredSpeed;
    }
    if (!isControlActive(c.pace) && !isMoving(c)) {
        if (s.speedHoldLatch) {
            s.speedHoldLatch = false;
        } else {
            s.appliedSpeed = s.desiredSpeed;
            s.secondarySpeed = 0.0f;
        }
    }
    if (isControlActive(c.pace) && isMoving(c)) s.appliedSpeed = s.secondarySpeed = kPaceSpeed;
    if (invokeNative<std::int32_t>(nativeControlQuerySecondary, std::int32_t{0}, c.pace) != 0 &&
        isMoving(c)) {
        s.appliedSpeed = s.secondarySpeed = kHoldSpeed;
        s.speedHoldLatch = true;
    }
    if (!s.autoWalk) {
        invokeNative(nativeSetSpeedPrimary, s.targetEntity, s.appliedSpeed);
        invokeNative(nativeSetSpeedSecondary, s.targetEntity, s.secondarySpeed);
        return;
    }
    const float v = isControlActive(c.pace) ? kPaceSpeed : s.desiredSpeed;
    invokeNative(nativeSetSpeedPrimary, s.targetEntity, v);
    invokeNative(nativeSetSpeedSecondary, s.targetEntity, v);
    if (mode.setsAutoWalkControl)
        invokeNative(nativeSetControlValue, std::int32_t{0}, kAutoWalkControl, -1.0f);
}

}  // namespace

bool isControlActive(ControlHash control) {
    return invokeNative<std::int32_t>(nativeControlQuery, std::int32_t{0}, control) != 0;
}

void applySpeedOnFoot() { applySpeed(kOnFoot); }
void applySpeedMounted() { applySpeed(kMounted); }
