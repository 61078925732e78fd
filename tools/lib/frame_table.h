// The frame table the tools print: one row per frame, printed when its state
// changes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// Rows whose state differs from the row before (the first always).
std::vector<FrameRow> changedRows(const std::vector<FrameRow>& rows);
