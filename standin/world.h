// The simulated game world behind the stand-in script hook library: it
// answers natives by hash and records every call and every HUD element.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace standin {

struct NativeCallRecord {
    std::uint64_t hash = 0;
    std::vector<std::uint64_t> args;
    std::uint64_t result = 0;
};

struct DrawItem {
    enum Kind : int { Rect = 0, Text = 1 };
    Kind kind = Rect;
    // Rect: centre and size. Text: x, y in cx, cy.
    float cx = 0, cy = 0, w = 0, h = 0;
    // Text only.
    float scale = 0;
    bool flag = false;
    std::string text;
    std::uint64_t r = 0, g = 0, b = 0, a = 0;
};

struct FrameRecord {
    std::uint64_t frame = 0;
    std::uint32_t tick = 0;
    bool scriptRan = false;
    std::vector<NativeCallRecord> calls;
    std::vector<DrawItem> draws;
    std::vector<std::uint32_t> waits;  // the script's scriptWait arguments
};

// Handles the world hands out; the high bits make a truncated handle obvious.
inline constexpr std::int32_t kPlayerHandle = 0x0000A11C;
inline constexpr std::int32_t kMountHandle = 0x0000B0B5;
inline constexpr std::uint64_t kTextHandleBase = 0x7E57000000000000ULL;

struct World {
    // What the scenario sets.
    std::int32_t playerIndex = 0;
    std::int32_t playerHandle = kPlayerHandle;
    std::int32_t mountHandle = kMountHandle;
    bool mounted = false;
    bool blocked = false;
    std::vector<std::uint32_t> activeControls;     // answered by nativeControlQuery
    std::vector<std::uint32_t> activeSecondary;    // answered by nativeControlQuerySecondary
    std::int32_t hudGate = 0;
    std::int32_t hudGateOverride = 0;
    bool speedOverridden = false;  // report speedOverride instead of the simulated speed
    float speedOverride = 0.0f;

    // The simulation: each entity's speed eases towards the secondary speed
    // last set on it (0 when nothing was set in a frame).
    std::unordered_map<std::int32_t, float> entitySpeed;
    std::unordered_map<std::int32_t, float> setThisFrame;
    std::unordered_map<std::int32_t, float> lastPrimary;
    std::unordered_map<std::int32_t, float> lastSecondary;
    std::int32_t lastControlValueFrame = -1;

    // Text state between the text natives of one drawText.
    float pendingScale = 0;
    bool pendingFlag = false;
    std::uint64_t pendingColour[4] = {0, 0, 0, 0};
    std::uint64_t nextTextHandle = kTextHandleBase;
    std::unordered_map<std::uint64_t, std::string> texts;

    // Records.
    bool keepHistory = true;
    std::uint64_t frameCount = 0;
    FrameRecord current;
    std::vector<FrameRecord> history;
    std::uint64_t totalCalls = 0;
    std::uint64_t unknownCalls = 0;

    // Inline, so programs that reach the world across the DLL boundary can use them.
    bool isActive(std::uint32_t control) const { return contains(activeControls, control); }
    bool isSecondaryActive(std::uint32_t control) const { return contains(activeSecondary, control); }
    void setControl(std::uint32_t control, bool active) { setIn(activeControls, control, active); }
    void setSecondary(std::uint32_t control, bool active) { setIn(activeSecondary, control, active); }
    void clearControls() {
        activeControls.clear();
        activeSecondary.clear();
    }
    static bool contains(const std::vector<std::uint32_t>& v, std::uint32_t c) {
        return std::find(v.begin(), v.end(), c) != v.end();
    }
    static void setIn(std::vector<std::uint32_t>& v, std::uint32_t c, bool on) {
        auto it = std::find(v.begin(), v.end(), c);
        if (on && it == v.end()) v.push_back(c);
        if (!on && it != v.end()) v.erase(it);
    }
    // What nativeEntitySpeed answers for `entity`.
    float reportedSpeedOf(std::int32_t entity) const {
        if (speedOverridden) return speedOverride;
        auto it = entitySpeed.find(entity);
        return it == entitySpeed.end() ? 0.0f : it->second;
    }

    // Answers one native; the stand-in records it.
    std::uint64_t answer(std::uint64_t hash, const std::vector<std::uint64_t>& args);
    void beginFrame(std::uint32_t tick);
    void endFrame(bool scriptRan);
    void resetAll();
};

const char* nativeName(std::uint64_t hash);  // role name, or nullptr when unknown

}  // namespace standin
