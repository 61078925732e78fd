// Runs the plug-in in the stand-in host through a scenario, frame by frame,
// and turns each recorded frame into a row of the frame table. Portable: the
// native simulator and the Windows host share it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "standin/world.h"
#include "tools/lib/scenario.h"

// The plug-in's own flags, where the caller can read them directly.
struct PluginFlags {
    bool modEnabled = true;
    bool hudVisible = true;
    bool autoWalk = false;
    bool horseSupportOff = false;
    float desiredSpeed = 0;
};

// One frame of the table; an empty optional prints as "?" (not known) for
// flags and as "-" (not sent) for speeds.
struct FrameRow {
    std::uint64_t frame = 0;
    std::uint32_t tick = 0;
    std::optional<bool> mod, overlay, autoWalk, horseSupportOff;
    bool mounted = false;
    std::optional<float> desired, primary, secondary;
    float reported = 0;
    std::string notice;  // "PLK HUD: Off", or "" when none is drawn
};

std::string frameTableHeader();
std::string formatFrameRow(const FrameRow& row);
// The row without frame and tick: rows are printed when this changes.
std::string frameRowState(const FrameRow& row);

// What the scenario set for one frame, known to the host without asking the plug-in.
struct FrameInputs {
    bool mounted = false;
    bool blocked = false;
    bool speedControl = false;  // speed-up or speed-down held
    bool pace = false;          // the pace control or its secondary query held
    float reported = 0;         // what the game reports for the moving entity
};

// Reads the plug-in's flags from what it did: the natives it called, the
// notice it drew, the labels of the overlay. Carries a flag over from the
// previous frame when the frame shows no sign of it.
class FrameStateTracker {
public:
    FrameRow observe(const standin::FrameRecord& f, const FrameInputs& in);

private:
    bool firstPass_ = true;
    std::optional<bool> overlay_ = true, autoWalk_ = false, horseSupportOff_;
    std::optional<float> desired_;
};

struct DrawSnapshot {
    std::string name;
    std::uint64_t frame = 0;
    std::uint32_t tick = 0;
    std::vector<standin::DrawItem> draws;
};

struct SessionOptions {
    const Scenario* scenario = nullptr;  // null: no events, nothing held
    std::uint64_t frames = 0;
    std::uint32_t startTick = 1000;
    std::uint32_t frameStep = 33;
    // Run around the first frame, in which the plug-in reads its settings.
    std::function<void()> beforeFirstFrame, afterFirstFrame;
    // When set, the flags come from here instead of being read off the records.
    std::function<PluginFlags()> probe;
};

struct SessionResult {
    std::vector<FrameRow> rows;     // every frame
    std::vector<FrameRow> derived;  // the same, read off the records alone
    std::vector<DrawSnapshot> snapshots;
};

// The plug-in must already be loaded into the stand-in.
SessionResult runSession(const SessionOptions& options);

// A --frames value: a whole number from 1 to 10000000, else nothing.
std::optional<std::uint64_t> parseFrameCount(const std::string& text);
inline constexpr const char* kFrameCountError = "' is not a frame count from 1 to 10000000";

// Rows whose state differs from the row before (the first always).
std::vector<FrameRow> changedRows(const std::vector<FrameRow>& rows);
