#include "control/movement.h"

#include <cstdint>

#include "control/control_loop.h"
#include "host/native.h"

namespace {

// The twins differ only in these controls and the one extra call.
struct MovementControls {
    std::uint32_t pace;
    std::uint32_t move[4];
    bool holdsAutoWalkControl;
};

constexpr MovementControls kOnFoot = {0x8FFC75D6u, {0x8FD015D8u, 0x7065027Du, 0xB4E465B4u, 0xD27782E3u}, false};
constexpr MovementControls kMounted = {0x5AA007D7u, {0x699487BBu, 0x86D773F6u, 0x7E6B8612u, 0x56F82045u}, true};
constexpr std::uint32_t kAutoWalkControl = 0x3BBDEFEFu;
constexpr float kPaceSpeed = 3.0f;
constexpr float kHoldSpeed = 2.0f;

bool isActive(std::uint32_t control) {
    return invokeNative<std::int32_t>(natives::nativeControlQuery, std::int32_t{0}, control) != 0;
}

// Asked in order, stopping at the first active control.
bool isMoving(const MovementControls& c) {
    for (std::uint32_t m : c.move)
        if (isActive(m)) return true;
    return false;
}

void applySpeed(const MovementControls& c) {
    ModState& s = modState;
    if (!s.speedHoldLatch) {
        if (!isActive(c.pace) && isMoving(c)) s.appliedSpeed = s.secondarySpeed = s.desiredSpeed;
    }
    if (!isActive(c.pace) && !isMoving(c)) {
        if (s.speedHoldLatch) {
            s.speedHoldLatch = false;
        } else {
            s.appliedSpeed = s.desiredSpeed;
            s.secondarySpeed = 0.0f;
        }
    }
    if (isActive(c.pace) && isMoving(c)) s.appliedSpeed = s.secondarySpeed = kPaceSpeed;
    if (invokeNative<std::int32_t>(natives::nativeControlQuerySecondary, std::int32_t{0}, c.pace) != 0 &&
        isMoving(c)) {
        s.appliedSpeed = s.secondarySpeed = kHoldSpeed;
        s.speedHoldLatch = true;
    }
    if (!s.autoWalk) {
        invokeNative(natives::nativeSetSpeedPrimary, s.targetEntity, s.appliedSpeed);
        invokeNative(natives::nativeSetSpeedSecondary, s.targetEntity, s.secondarySpeed);
        return;
    }
    const float v = isActive(c.pace) ? kPaceSpeed : s.desiredSpeed;
    invokeNative(natives::nativeSetSpeedPrimary, s.targetEntity, v);
    invokeNative(natives::nativeSetSpeedSecondary, s.targetEntity, v);
    if (c.holdsAutoWalkControl)
        invokeNative(natives::nativeSetControlValue, std::int32_t{0}, kAutoWalkControl, -1.0f);
}

}  // namespace

void applySpeedOnFoot() { applySpeed(kOnFoot); }
void applySpeedMounted() { applySpeed(kMounted); }
