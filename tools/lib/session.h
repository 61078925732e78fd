// Runs the plug-in in the stand-in host through a scenario, frame by frame,
// and keeps each frame's row of the frame table. Portable: the native
// simulator and the Windows host share it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "standin/world.h"
#include "tools/lib/frame_table.h"
#include "tools/lib/scenario.h"

// The plug-in's own flags, where the caller can read them directly.
struct PluginFlags {
    bool modEnabled = true;
    bool hudVisible = true;
    bool autoWalk = false;
    bool horseSupportOff = false;
    float desiredSpeed = 0;
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
