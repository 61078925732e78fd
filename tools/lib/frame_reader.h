// Reads the plug-in's flags off a recorded frame, as a host that cannot look
// inside the plug-in must: from the natives it called, the notice it drew and
// the labels of the overlay.
#pragma once

#include <optional>

#include "standin/world.h"
#include "tools/lib/frame_table.h"

// What the scenario set for one frame, known to the host without asking the plug-in.
struct FrameInputs {
    bool mounted = false;
    bool blocked = false;
    bool speedControl = false;  // speed-up or speed-down held
    bool pace = false;          // the pace control or its secondary query held
    float reported = 0;         // what the game reports for the moving entity
};

// Carries a flag over from the previous frame when the frame shows no sign of it.
class FrameStateTracker {
public:
    FrameRow observe(const standin::FrameRecord& f, const FrameInputs& in);

private:
    bool firstPass_ = true;
    std::optional<bool> overlay_ = true, autoWalk_ = false, horseSupportOff_;
    std::optional<float> desired_;
};
