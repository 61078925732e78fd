#include "standin/world.h"

#include <algorithm>
#include <cmath>

#include "host/native.h"

namespace standin {

const char* nativeName(std::uint64_t hash) {
    switch (hash) {
        case nativePlayerIndex: return "nativePlayerIndex";
        case nativePlayerCharacter: return "nativePlayerCharacter";
        case nativeIsMounted: return "nativeIsMounted";
        case nativeMountOf: return "nativeMountOf";
        case nativeEntityBlocked: return "nativeEntityBlocked";
        case nativeSuppressControl: return "nativeSuppressControl";
        case nativeControlQuery: return "nativeControlQuery";
        case nativeControlQuerySecondary: return "nativeControlQuerySecondary";
        case nativeSetSpeedPrimary: return "nativeSetSpeedPrimary";
        case nativeSetSpeedSecondary: return "nativeSetSpeedSecondary";
        case nativeSetControlValue: return "nativeSetControlValue";
        case nativeTextScale: return "nativeTextScale";
        case nativeTextColour: return "nativeTextColour";
        case nativeTextFlag: return "nativeTextFlag";
        case nativeTextSetup: return "nativeTextSetup";
        case nativeTextHandle: return "nativeTextHandle";
        case nativeTextDraw: return "nativeTextDraw";
        case nativeRectDraw: return "nativeRectDraw";
        case nativeHudGate: return "nativeHudGate";
        case nativeHudGateOverride: return "nativeHudGateOverride";
        case nativeEntitySpeed: return "nativeEntitySpeed";
        default: return nullptr;
    }
}

static std::uint64_t arg(const std::vector<std::uint64_t>& a, std::size_t i) {
    return i < a.size() ? a[i] : 0;
}
static std::int32_t argInt(const std::vector<std::uint64_t>& a, std::size_t i) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(arg(a, i)));
}
static std::uint64_t boolResult(bool b) { return b ? 1 : 0; }

std::uint64_t World::answer(std::uint64_t hash, const std::vector<std::uint64_t>& a) {
    ++totalCalls;
    const std::int32_t e = argInt(a, 0);
    const bool isPlayer = e != 0 && e == playerHandle;
    switch (hash) {
        case nativePlayerIndex: return static_cast<std::uint32_t>(playerIndex);
        case nativePlayerCharacter:
            return argInt(a, 0) == playerIndex ? static_cast<std::uint32_t>(playerHandle) : 0;
        case nativeIsMounted: return boolResult(isPlayer && mounted);
        case nativeMountOf:
            return isPlayer && mounted ? static_cast<std::uint32_t>(mountHandle) : 0;
        case nativeEntityBlocked: return boolResult(isPlayer && blocked);
        case nativeSuppressControl: return 0;
        case nativeControlQuery:
            return boolResult(isActive(static_cast<std::uint32_t>(arg(a, 1))));
        case nativeControlQuerySecondary:
            return boolResult(isSecondaryActive(static_cast<std::uint32_t>(arg(a, 1))));
        case nativeSetSpeedPrimary:
            lastPrimary[e] = slotFloat(arg(a, 1));
            return 0;
        case nativeSetSpeedSecondary:
            lastSecondary[e] = slotFloat(arg(a, 1));
            setThisFrame[e] = slotFloat(arg(a, 1));
            return 0;
        case nativeSetControlValue: return 0;
        case nativeTextScale: pendingScale = slotFloat(arg(a, 0)); return 0;
        case nativeTextColour:
            for (int i = 0; i < 4; ++i) pendingColour[i] = arg(a, i);
            return 0;
        case nativeTextFlag: pendingFlag = arg(a, 0) != 0; return 0;
        case nativeTextSetup: return 0;
        case nativeTextHandle: {
            const std::uint64_t h = nextTextHandle++;
            const char* text = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(arg(a, 2)));
            texts[h] = text ? std::string(text) : std::string();
            return h;
        }
        case nativeTextDraw: {
            DrawItem d;
            d.kind = DrawItem::Text;
            auto it = texts.find(arg(a, 0));
            if (it != texts.end()) d.text = it->second;
            d.cx = slotFloat(arg(a, 1));
            d.cy = slotFloat(arg(a, 2));
            d.scale = pendingScale;
            d.flag = pendingFlag;
            d.r = pendingColour[0];
            d.g = pendingColour[1];
            d.b = pendingColour[2];
            d.a = pendingColour[3];
            current.draws.push_back(std::move(d));
            pendingFlag = false;  // the flag lasts for one text, as in the game
            return 0;
        }
        case nativeRectDraw: {
            DrawItem d;
            d.kind = DrawItem::Rect;
            d.cx = slotFloat(arg(a, 0));
            d.cy = slotFloat(arg(a, 1));
            d.w = slotFloat(arg(a, 2));
            d.h = slotFloat(arg(a, 3));
            d.r = arg(a, 4);
            d.g = arg(a, 5);
            d.b = arg(a, 6);
            d.a = arg(a, 7);
            current.draws.push_back(std::move(d));
            return 0;
        }
        case nativeHudGate: return static_cast<std::uint32_t>(hudGate);
        case nativeHudGateOverride: return static_cast<std::uint32_t>(hudGateOverride);
        case nativeEntitySpeed: return nativeSlot(reportedSpeedOf(e));
        default:
            ++unknownCalls;
            return 0;
    }
}

void World::beginFrame(std::uint32_t tick) {
    current = FrameRecord{};
    current.frame = frameCount;
    current.tick = tick;
    setThisFrame.clear();
    texts.clear();
}

void World::endFrame(bool scriptRan) {
    current.scriptRan = scriptRan;
    // Ease every entity's speed towards what it was told to move at.
    for (auto& [entity, speed] : entitySpeed) {
        auto it = setThisFrame.find(entity);
        const float target = it == setThisFrame.end() ? 0.0f : it->second;
        speed += (target - speed) * 0.5f;
        if (std::fabs(speed - target) < 0.005f) speed = target;
    }
    for (auto& [entity, target] : setThisFrame) entitySpeed.emplace(entity, target * 0.5f);
    if (keepHistory) history.push_back(current);
    ++frameCount;
}

void World::resetAll() { *this = World{}; }

}  // namespace standin
