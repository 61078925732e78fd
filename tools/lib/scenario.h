// Scenario files: what happens in the simulated game, frame by frame.
//
//   # comment                      blank lines and comments are ignored
//   frames 600                     frames to run (the command line may override)
//   N ACTION [ARGS]                an event, before frame N runs
//   N-M ACTION [ARGS]              a state held over frames N to M inclusive
//
//   ini TEXT                       a piece of the Pacelark.ini to run with
//
// Events: tap|press|release KEY, mount, dismount, tick T, advance MS, step MS,
// snapshot [NAME]. States: hold CONTROL..., blocked, gate G O, report V.
// "ini" lines are joined in order into the settings file, byte for byte:
// TEXT is everything after "ini ", comments included, with \\ for a
// backslash, \n and \r for line ends, \t and \xHH for other bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// The last frame a scenario or a run may reach: a typo must not ask for days
// of frames.
inline constexpr std::uint64_t kMaxFrame = 10'000'000;

// One clear message that names the file and line at fault.
class ScenarioError : public std::runtime_error {
public:
    ScenarioError(const std::string& file, int line, const std::string& what);
    std::string file;
    int line;
};

enum class ScenarioEventKind { Press, Release, Tap, Mount, Dismount, SetTick, Advance, SetStep, Snapshot };

struct ScenarioEvent {
    std::uint64_t frame = 0;
    ScenarioEventKind kind = ScenarioEventKind::Tap;
    std::uint32_t value = 0;  // key code, tick, milliseconds
    std::string name;         // snapshot name
    int line = 0;
};

enum class SpanKind { Hold, Blocked, Gate, Report };

struct ScenarioSpan {
    std::uint64_t first = 0, last = 0;
    SpanKind kind = SpanKind::Hold;
    std::vector<std::uint32_t> controls;    // Hold: answered by the control query
    std::vector<std::uint32_t> secondary;   // Hold: answered by the secondary query
    std::int32_t gate = 0, gateOverride = 0;
    float speed = 0;
    int line = 0;
};

struct Scenario {
    std::string file;
    std::optional<std::uint64_t> frames;  // from a "frames" line
    std::vector<ScenarioEvent> events;    // in file order
    std::vector<ScenarioSpan> spans;
    std::uint64_t lastMentioned = 0;      // the highest frame named by any line
    std::optional<std::string> ini;       // the settings file, from "ini" lines

    // Frames to run: the "frames" line, else 60 past the last frame named.
    std::uint64_t frameCount() const;
};

// Throws ScenarioError for the first bad line.
Scenario parseScenario(const std::string& text, const std::string& file);
// Adds one line (numbered from 1) to `s`; throws ScenarioError.
void parseScenarioLine(Scenario& s, std::string line, int number);
// A file that parses back to the same scenario: "frames", the "ini" lines,
// then the events and states by frame, each in its own order.
std::string formatScenario(const Scenario& s);
// Throws ScenarioError (line 0) when the file cannot be read.
Scenario loadScenario(const std::string& path);

// A key code as a scenario line writes it: its name when that reads back as
// the same code (digit keys' names are numbers too), else the number.
std::string scenarioKeyText(std::uint32_t code);

// Whether `name` may name a snapshot's picture: 1 to 64 letters, digits, '-'
// and '_', so a picture never lands outside the folder it is written to.
bool isValidSnapshotName(const std::string& name);

// Snapshot file name for an event: its name, or "frame-N".
std::string snapshotName(const ScenarioEvent& e);
