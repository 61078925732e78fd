// Runs the plug-in in the stand-in host through a scenario, frame by frame,
// and keeps each frame's row of the frame table. Portable: the native
// simulator and the Windows host share it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "standin/world.h"
#include "tools/lib/frame_reader.h"
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
    // One frame of the stand-in; default standin_runFrame.
    std::function<int()> runFrame;
};

struct SessionResult {
    std::vector<FrameRow> rows;     // every frame
    std::vector<FrameRow> derived;  // the same, read off the records alone
    std::vector<DrawSnapshot> snapshots;
};

// The plug-in must already be loaded into the stand-in.
SessionResult runSession(const SessionOptions& options);

// The same, one frame at a time. The scenario may grow between frames (the
// settings page records its Try panel so) as long as its events stay in
// frame order and none is added for a frame already run.
class SessionRunner {
public:
    explicit SessionRunner(SessionOptions options);
    // Runs the next frame and returns its row.
    FrameRow step();
    // The last row as read off the records alone.
    const FrameRow& derived() const { return derived_; }
    std::uint64_t nextFrame() const { return frame_; }
    std::vector<DrawSnapshot>& snapshots() { return snapshots_; }

private:
    SessionOptions o_;
    FrameStateTracker tracker_;
    std::uint64_t frame_ = 0;
    std::size_t nextEvent_ = 0;
    FrameRow derived_;
    std::vector<DrawSnapshot> snapshots_;
};
