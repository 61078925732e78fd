// The run command as both front ends offer it (pacelark-sim run over the
// plug-in linked in, pacelark-host over the real DLL): its options, and one
// session printed as the frame table.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "tools/lib/command_line.h"
#include "tools/lib/scenario.h"
#include "tools/lib/session.h"

struct RunOptions {
    std::optional<std::string> ini, scenario, draws, snapshots, dll;
    std::optional<std::uint64_t> frames;
};

// Frames a run without a scenario (or --frames) takes.
inline constexpr std::uint64_t kDefaultRunFrames = 120;

// Reads the options named in `accepted` into `r`; false when help was asked
// for, and printed: `program`'s usage, `about`, then each option's line.
bool readRunOptions(CommandLine& a, std::string_view program, std::initializer_list<std::string_view> accepted,
                    std::string_view about, RunOptions& r);

// The scenario --scenario names, or an empty one.
Scenario loadRunScenario(CommandLine& a, const RunOptions& r);

// How a front end puts the plug-in into the stand-in and takes it out again;
// `probe` may be empty (the flags are then read off the records).
struct PluginHooks {
    std::function<void()> load, unload;
    std::function<PluginFlags()> probe;
};

// Runs the plug-in over the --ini settings, prints the frame table and
// writes the --draws file.
SessionResult runAndPrint(const RunOptions& r, const Scenario& scenario, const PluginHooks& plugin);

// A --frames value: a whole number from 1 to kMaxFrame, else nothing.
std::optional<std::uint64_t> parseFrameCount(const std::string& text);
