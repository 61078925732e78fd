// The actions and control names a scenario line may hold, shared by the
// reader and the writer so that what one writes the other reads.
#pragma once

#include <string_view>
#include <variant>

#include "host/game_codes.h"
#include "tools/lib/scenario.h"

namespace scenario_table {

struct ControlName {
    const char* name;
    ControlHash onFoot, mounted;
    bool secondary;
};

// Each name answers on foot and mounted, so a scenario holds "move" whether
// or not the player rides at that moment.
inline constexpr const MovementControls& kFoot = kOnFootControls;
inline constexpr const MovementControls& kRide = kMountedControls;
inline constexpr ControlName kControls[] = {
    {"speed-up", kSpeedUpControl, kSpeedUpControl, false},
    {"speed-down", kSpeedDownControl, kSpeedDownControl, false},
    {"pace", kFoot.pace, kRide.pace, false},
    {"pace-hold", kFoot.pace, kRide.pace, true},
    {"move", kFoot.move[0], kRide.move[0], false},
    {"move2", kFoot.move[1], kRide.move[1], false},
    {"move3", kFoot.move[2], kRide.move[2], false},
    {"move4", kFoot.move[3], kRide.move[3], false},
};

// What follows an action's word, read and written by the same rules.
enum class Args {
    None,
    Key,           // KEY: a name such as F10, or a code
    Number,        // an unsigned 32-bit number, decimal or 0x
    SnapshotName,  // [NAME]
    Controls,      // CONTROL...: names, or hashes 0x...
    GateAnswers,   // G O: two integers
    Speed,         // V: a finite number
};

// An event happens at frame N, a state holds over frames N-M.
using ActionKind = std::variant<ScenarioEventKind, SpanKind>;

struct Action {
    std::string_view word;
    ActionKind kind;
    Args args;
    std::string_view usage = {};  // the arguments as a usage message shows them
};

// Every action a line may name, for the parser and the writer alike.
inline constexpr Action kActions[] = {
    {"tap", ScenarioEventKind::Tap, Args::Key, " KEY"},
    {"press", ScenarioEventKind::Press, Args::Key, " KEY"},
    {"release", ScenarioEventKind::Release, Args::Key, " KEY"},
    {"mount", ScenarioEventKind::Mount, Args::None},
    {"dismount", ScenarioEventKind::Dismount, Args::None},
    {"tick", ScenarioEventKind::SetTick, Args::Number, " T"},
    {"advance", ScenarioEventKind::Advance, Args::Number, " MS"},
    {"step", ScenarioEventKind::SetStep, Args::Number, " MS"},
    {"snapshot", ScenarioEventKind::Snapshot, Args::SnapshotName},
    {"hold", SpanKind::Hold, Args::Controls},
    {"blocked", SpanKind::Blocked, Args::None},
    {"gate", SpanKind::Gate, Args::GateAnswers, " G O"},
    {"report", SpanKind::Report, Args::Speed, " V"},
};

inline const Action* actionNamed(std::string_view word) {
    for (const Action& a : kActions)
        if (a.word == word) return &a;
    return nullptr;
}

inline const Action* actionOf(ActionKind kind) {
    for (const Action& a : kActions)
        if (a.kind == kind) return &a;
    return nullptr;
}

inline bool isState(const Action& a) { return std::holds_alternative<SpanKind>(a.kind); }

}  // namespace scenario_table
