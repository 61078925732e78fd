#include "tools/lib/scenario.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "host/game_codes.h"
#include "tools/lib/keynames.h"

namespace {

// Limits keep a typo from asking for days of frames.
constexpr std::uint64_t kMaxFrame = 10'000'000;

struct ControlName {
    const char* name;
    ControlHash onFoot, mounted;
    bool secondary;
};

// Each name answers on foot and mounted, so a scenario holds "move" whether
// or not the player rides at that moment.
constexpr const MovementControls& kFoot = kOnFootControls;
constexpr const MovementControls& kRide = kMountedControls;
constexpr ControlName kControls[] = {
    {"speed-up", kSpeedUpControl, kSpeedUpControl, false},
    {"speed-down", kSpeedDownControl, kSpeedDownControl, false},
    {"pace", kFoot.pace, kRide.pace, false},
    {"pace-hold", kFoot.pace, kRide.pace, true},
    {"move", kFoot.move[0], kRide.move[0], false},
    {"move2", kFoot.move[1], kRide.move[1], false},
    {"move3", kFoot.move[2], kRide.move[2], false},
    {"move4", kFoot.move[3], kRide.move[3], false},
};

// The names a scenario may hold, for error messages.
std::string controlNames() {
    std::string out;
    for (const ControlName& c : kControls) out.append(out.empty() ? "" : ", ").append(c.name);
    return out;
}

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

template <class T>
bool parseUnsigned(const std::string& s, T& out) {
    int base = 10;
    std::string_view v = s;
    if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
        base = 16;
        v.remove_prefix(2);
    }
    if (v.empty()) return false;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), out, base);
    return ec == std::errc{} && end == v.data() + v.size();
}

bool parseFloat(const std::string& s, float& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtof(s.c_str(), &end);
    return errno == 0 && end == s.c_str() + s.size() && std::isfinite(out);
}

bool parseSigned(const std::string& s, std::int32_t& out) {
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return !s.empty() && ec == std::errc{} && end == s.data() + s.size();
}

class LineParser {
public:
    LineParser(Scenario& s, int line) : s_(s), line_(line) {}

    void parse(const std::string& raw) {
        const std::vector<std::string> w = words(raw.substr(0, raw.find('#')));
        if (w.empty()) return;
        if (w[0] == "frames") {
            if (w.size() != 2) fail("expected 'frames N'");
            std::uint64_t n = 0;
            if (!parseUnsigned(w[1], n) || n == 0 || n > kMaxFrame)
                fail("frames needs a count from 1 to " + std::to_string(kMaxFrame) + ", not '" + w[1] + "'");
            s_.frames = n;
            return;
        }
        std::uint64_t first = 0, last = 0;
        const bool span = parseFrames(w[0], first, last);
        if (w.size() < 2) fail("'" + w[0] + "' needs an action after it");
        const std::string& action = w[1];
        const std::vector<std::string> args(w.begin() + 2, w.end());
        s_.lastMentioned = std::max(s_.lastMentioned, last);

        if (action == "hold") return hold(first, last, args);
        if (action == "blocked") return state(first, last, SpanKind::Blocked, args, 0, "blocked");
        if (action == "gate") return gate(first, last, args);
        if (action == "report") return report(first, last, args);
        if (span) fail("'" + action + "' happens at one frame; write N " + action + ", not a range");

        ScenarioEvent e;
        e.frame = first;
        e.line = line_;
        if (action == "tap" || action == "press" || action == "release") {
            expectArgs(args, 1, action + " KEY");
            const auto key = parseKey(args[0]);
            if (!key) fail("unknown key '" + args[0] + "' (a name such as F10 or OEM_3, or a code 0 to 254)");
            e.kind = action == "tap" ? ScenarioEventKind::Tap : action == "press" ? ScenarioEventKind::Press : ScenarioEventKind::Release;
            e.value = *key;
        } else if (action == "mount" || action == "dismount") {
            expectArgs(args, 0, action);
            e.kind = action == "mount" ? ScenarioEventKind::Mount : ScenarioEventKind::Dismount;
        } else if (action == "tick" || action == "advance" || action == "step") {
            expectArgs(args, 1, action + (action == "tick" ? " T" : " MS"));
            if (!parseUnsigned(args[0], e.value))
                fail(action + " needs an unsigned 32-bit number, not '" + args[0] + "'");
            e.kind = action == "tick" ? ScenarioEventKind::SetTick : action == "advance" ? ScenarioEventKind::Advance : ScenarioEventKind::SetStep;
        } else if (action == "snapshot") {
            if (args.size() > 1) fail("snapshot takes at most one name");
            if (!args.empty() && !isValidSnapshotName(args[0]))
                fail("snapshot name '" + args[0] + "' may hold only letters, digits, '-' and '_'");
            e.kind = ScenarioEventKind::Snapshot;
            if (!args.empty()) e.name = args[0];
            for (const ScenarioEvent& other : s_.events)
                if (other.kind == ScenarioEventKind::Snapshot && snapshotName(other) == snapshotName(e))
                    fail("snapshot name '" + snapshotName(e) + "' is already used on line " + std::to_string(other.line));
        } else {
            fail("unknown action '" + action + "'");
        }
        s_.events.push_back(e);
    }

private:
    [[noreturn]] void fail(const std::string& what) { throw ScenarioError(s_.file, line_, what); }

    void expectArgs(const std::vector<std::string>& args, std::size_t n, const std::string& usage) {
        if (args.size() != n) fail("expected '" + usage + "'");
    }

    bool parseFrames(const std::string& w, std::uint64_t& first, std::uint64_t& last) {
        const std::size_t dash = w.find('-');
        const std::string a = w.substr(0, dash);
        const std::string b = dash == std::string::npos ? a : w.substr(dash + 1);
        if (!parseUnsigned(a, first) || !parseUnsigned(b, last) || a.rfind("0x", 0) == 0 || b.rfind("0x", 0) == 0)
            fail("a line starts with a frame number N or a range N-M, not '" + w + "'");
        if (last < first) fail("range '" + w + "' ends before it starts");
        if (last > kMaxFrame) fail("frame " + std::to_string(last) + " is beyond " + std::to_string(kMaxFrame));
        return dash != std::string::npos;
    }

    ScenarioSpan& addSpan(std::uint64_t first, std::uint64_t last, SpanKind kind) {
        ScenarioSpan sp;
        sp.first = first;
        sp.last = last;
        sp.kind = kind;
        sp.line = line_;
        s_.spans.push_back(sp);
        return s_.spans.back();
    }

    void state(std::uint64_t first, std::uint64_t last, SpanKind kind, const std::vector<std::string>& args,
               std::size_t n, const std::string& usage) {
        if (args.size() != n) fail("expected 'N-M " + usage + "'");
        addSpan(first, last, kind);
    }

    void hold(std::uint64_t first, std::uint64_t last, const std::vector<std::string>& args) {
        if (args.empty()) fail("hold needs controls: " + controlNames() + ", or a hash 0x...");
        ScenarioSpan sp;
        for (const std::string& a : args) {
            const ControlName* found = nullptr;
            for (const ControlName& c : kControls)
                if (a == c.name) found = &c;
            if (found) {
                auto& into = found->secondary ? sp.secondary : sp.controls;
                into.push_back(found->onFoot);
                if (found->mounted != found->onFoot) into.push_back(found->mounted);
                continue;
            }
            std::uint32_t hash = 0;
            if (a.rfind("0x", 0) == 0 && parseUnsigned(a, hash)) {
                sp.controls.push_back(hash);
                continue;
            }
            fail("unknown control '" + a + "' (" + controlNames() + ", or a hash 0x...)");
        }
        ScenarioSpan& added = addSpan(first, last, SpanKind::Hold);
        added.controls = std::move(sp.controls);
        added.secondary = std::move(sp.secondary);
    }

    void gate(std::uint64_t first, std::uint64_t last, const std::vector<std::string>& args) {
        std::int32_t g = 0, o = 0;
        if (args.size() != 2 || !parseSigned(args[0], g) || !parseSigned(args[1], o))
            fail("expected 'N-M gate G O' with two integers (the two HUD gate answers)");
        ScenarioSpan& sp = addSpan(first, last, SpanKind::Gate);
        sp.gate = g;
        sp.gateOverride = o;
    }

    void report(std::uint64_t first, std::uint64_t last, const std::vector<std::string>& args) {
        float v = 0;
        if (args.size() != 1 || !parseFloat(args[0], v))
            fail("expected 'N-M report V' with a finite number (the speed the game reports)");
        addSpan(first, last, SpanKind::Report).speed = v;
    }

    Scenario& s_;
    int line_;
};

std::string where(const std::string& file, int line) {
    std::string out = file;
    if (line > 0) out.append(":").append(std::to_string(line));
    return out;
}

}  // namespace

ScenarioError::ScenarioError(const std::string& f, int l, const std::string& what)
    : std::runtime_error(where(f, l) + ": " + what), file(f), line(l) {}

std::uint64_t Scenario::frameCount() const { return frames ? *frames : lastMentioned + 61; }

bool isValidSnapshotName(const std::string& s) {
    return !s.empty() && s.size() <= 64 && std::all_of(s.begin(), s.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_';
    });
}

std::string snapshotName(const ScenarioEvent& e) {
    return e.name.empty() ? "frame-" + std::to_string(e.frame) : e.name;
}

Scenario parseScenario(const std::string& text, const std::string& file) {
    Scenario s;
    s.file = file;
    std::istringstream in(text);
    int line = 0;
    for (std::string raw; std::getline(in, raw);) {
        ++line;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        LineParser(s, line).parse(raw);
    }
    return s;
}

Scenario loadScenario(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ScenarioError(path, 0, "cannot open the scenario file");
    std::ostringstream buf;
    buf << in.rdbuf();
    if (in.bad()) throw ScenarioError(path, 0, "cannot read the scenario file");
    return parseScenario(buf.str(), path);
}
