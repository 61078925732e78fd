#include "tools/lib/scenario.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>
#include <variant>

#include "host/game_codes.h"
#include "tools/lib/keynames.h"

namespace {

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
constexpr Action kActions[] = {
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

const Action* actionNamed(std::string_view word) {
    for (const Action& a : kActions)
        if (a.word == word) return &a;
    return nullptr;
}

const Action* actionOf(ActionKind kind) {
    for (const Action& a : kActions)
        if (a.kind == kind) return &a;
    return nullptr;
}

bool isState(const Action& a) { return std::holds_alternative<SpanKind>(a.kind); }

class LineParser {
public:
    LineParser(Scenario& s, int line) : s_(s), line_(line) {}

    void parse(const std::string& raw) {
        // Taken whole, before comments: a settings file may hold '#'.
        if (raw.rfind("ini", 0) == 0 && (raw.size() == 3 || raw[3] == ' ')) {
            if (!s_.ini) s_.ini.emplace();
            *s_.ini += unescapeIni(raw.size() > 4 ? raw.substr(4) : std::string());
            return;
        }
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
        const bool range = parseFrames(w[0], first, last);
        if (w.size() < 2) fail("'" + w[0] + "' needs an action after it");
        const std::string& word = w[1];
        const std::vector<std::string> args(w.begin() + 2, w.end());
        s_.lastMentioned = std::max(s_.lastMentioned, last);

        const Action* action = actionNamed(word);
        if (range && !(action && isState(*action)))
            fail("'" + word + "' happens at one frame; write N " + word + ", not a range");
        if (!action) fail("unknown action '" + word + "'");
        if (isState(*action)) addState(*action, first, last, args);
        else addEvent(*action, first, args);
    }

private:
    [[noreturn]] void fail(const std::string& what) { throw ScenarioError(s_.file, line_, what); }

    std::string unescapeIni(const std::string& text) {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != '\\') {
                out += text[i];
                continue;
            }
            const char c = i + 1 < text.size() ? text[++i] : '\0';
            std::uint8_t byte = 0;
            if (c == '\\') out += '\\';
            else if (c == 'n') out += '\n';
            else if (c == 'r') out += '\r';
            else if (c == 't') out += '\t';
            else if (c == 'x' && i + 2 < text.size() &&
                     std::from_chars(text.data() + i + 1, text.data() + i + 3, byte, 16).ptr == text.data() + i + 3) {
                out += static_cast<char>(byte);
                i += 2;
            } else {
                fail("ini: a backslash starts \\\\, \\n, \\r, \\t or \\xHH (two hex digits), not '\\" +
                     text.substr(i, c == 'x' ? 3 : 1) + "'");
            }
        }
        return out;
    }

    // "expected 'N-M gate G O'": how a line with the action reads.
    static std::string expected(const Action& a) {
        return "expected '" + std::string(isState(a) ? "N-M " : "") + std::string(a.word) + std::string(a.usage) + "'";
    }

    void expectArgs(const std::vector<std::string>& args, std::size_t n, const Action& a) {
        if (args.size() != n) fail(expected(a));
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

    void addEvent(const Action& a, std::uint64_t frame, const std::vector<std::string>& args) {
        ScenarioEvent e;
        e.frame = frame;
        e.kind = std::get<ScenarioEventKind>(a.kind);
        e.line = line_;
        switch (a.args) {
            case Args::None:
                expectArgs(args, 0, a);
                break;
            case Args::Key: {
                expectArgs(args, 1, a);
                const auto key = parseKey(args[0]);
                if (!key) fail("unknown key '" + args[0] + "' (a name such as F10 or OEM_3, or a code 0 to " +
                               std::to_string(KEY_TABLE_SIZE - 1) + ")");
                e.value = *key;
                break;
            }
            case Args::Number:
                expectArgs(args, 1, a);
                if (!parseUnsigned(args[0], e.value))
                    fail(std::string(a.word) + " needs an unsigned 32-bit number, not '" + args[0] + "'");
                break;
            case Args::SnapshotName:
                if (args.size() > 1) fail("snapshot takes at most one name");
                if (!args.empty() && !isValidSnapshotName(args[0]))
                    fail("snapshot name '" + args[0] + "' may hold only letters, digits, '-' and '_'");
                if (!args.empty()) e.name = args[0];
                for (const ScenarioEvent& other : s_.events)
                    if (other.kind == e.kind && snapshotName(other) == snapshotName(e))
                        fail("snapshot name '" + snapshotName(e) + "' is already used on line " + std::to_string(other.line));
                break;
            case Args::Controls:
            case Args::GateAnswers:
            case Args::Speed:
                break;  // a state's
        }
        s_.events.push_back(e);
    }

    void addState(const Action& a, std::uint64_t first, std::uint64_t last, const std::vector<std::string>& args) {
        ScenarioSpan sp;
        sp.first = first;
        sp.last = last;
        sp.kind = std::get<SpanKind>(a.kind);
        sp.line = line_;
        switch (a.args) {
            case Args::None:
                expectArgs(args, 0, a);
                break;
            case Args::Controls:
                holdControls(args, sp);
                break;
            case Args::GateAnswers:
                if (args.size() != 2 || !parseSigned(args[0], sp.gate) || !parseSigned(args[1], sp.gateOverride))
                    fail(expected(a) + " with two integers (the two HUD gate answers)");
                break;
            case Args::Speed:
                if (args.size() != 1 || !parseFloat(args[0], sp.speed))
                    fail(expected(a) + " with a finite number (the speed the game reports)");
                break;
            case Args::Key:
            case Args::Number:
            case Args::SnapshotName:
                break;  // an event's
        }
        s_.spans.push_back(std::move(sp));
    }

    void holdControls(const std::vector<std::string>& args, ScenarioSpan& sp) {
        if (args.empty()) fail("hold needs controls: " + controlNames() + ", or a hash 0x...");
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

void parseScenarioLine(Scenario& s, std::string line, int number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    LineParser(s, number).parse(line);
}

Scenario parseScenario(const std::string& text, const std::string& file) {
    Scenario s;
    s.file = file;
    std::istringstream in(text);
    int line = 0;
    for (std::string raw; std::getline(in, raw);) parseScenarioLine(s, std::move(raw), ++line);
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

namespace {

std::string escapeIni(std::string_view piece) {
    std::string out;
    for (std::size_t i = 0; i < piece.size(); ++i) {
        const auto c = static_cast<unsigned char>(piece[i]);
        // A space that ends the line is written out, so no editor can lose it;
        // bytes outside printable ASCII too, so the file is plain ASCII that no
        // decode (a browser's, an editor's) can change.
        const bool lastSpace = c == ' ' && i + 1 == piece.size();
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20 || c >= 0x7F || lastSpace) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else out += static_cast<char>(c);
    }
    return out;
}

std::string eventLine(const ScenarioEvent& e) {
    std::string line = std::to_string(e.frame) + " ";
    const Action* a = actionOf(e.kind);
    if (!a) return line;
    line += a->word;
    switch (a->args) {
        case Args::Key: return line + " " + scenarioKeyText(e.value);
        case Args::Number: return line + " " + std::to_string(e.value);
        case Args::SnapshotName: return line + (e.name.empty() ? "" : " " + e.name);
        case Args::None:
        case Args::Controls:
        case Args::GateAnswers:
        case Args::Speed:
            break;
    }
    return line;
}

// Names for the hashes a hold was parsed from; any left over as 0x hashes.
std::string holdArgs(const ScenarioSpan& sp) {
    std::vector<std::uint32_t> controls = sp.controls, secondary = sp.secondary;
    auto take = [](std::vector<std::uint32_t>& v, std::uint32_t h) {
        auto it = std::find(v.begin(), v.end(), h);
        if (it == v.end()) return false;
        v.erase(it);
        return true;
    };
    std::string out;
    for (const ControlName& c : kControls) {
        auto& from = c.secondary ? secondary : controls;
        for (;;) {
            std::vector<std::uint32_t> trial = from;
            if (!take(trial, c.onFoot) || (c.mounted != c.onFoot && !take(trial, c.mounted))) break;
            from = std::move(trial);
            out += std::string(" ") + c.name;
        }
    }
    for (std::uint32_t h : controls) {
        char buf[16];
        std::snprintf(buf, sizeof buf, " 0x%08X", h);
        out += buf;
    }
    return out;
}

std::string spanLine(const ScenarioSpan& sp) {
    std::string line = std::to_string(sp.first);
    if (sp.last != sp.first) line += "-" + std::to_string(sp.last);
    const Action* a = actionOf(sp.kind);
    if (!a) return line;
    line += " " + std::string(a->word);
    switch (a->args) {
        case Args::Controls: return line + holdArgs(sp);
        case Args::GateAnswers: return line + " " + std::to_string(sp.gate) + " " + std::to_string(sp.gateOverride);
        case Args::Speed: {
            char buf[32];
            std::snprintf(buf, sizeof buf, " %.9g", static_cast<double>(sp.speed));  // reads back exactly
            return line + buf;
        }
        case Args::None:
        case Args::Key:
        case Args::Number:
        case Args::SnapshotName:
            break;
    }
    return line;
}

}  // namespace

std::string formatScenario(const Scenario& s) {
    std::string out;
    if (s.frames) out += "frames " + std::to_string(*s.frames) + "\n";
    if (s.ini) {
        std::string_view rest = *s.ini;
        do {
            const std::size_t end = rest.find('\n');
            const std::size_t n = end == std::string_view::npos ? rest.size() : end + 1;
            out += (n ? "ini " : "ini") + escapeIni(rest.substr(0, n)) + "\n";
            rest.remove_prefix(n);
        } while (!rest.empty());
    }
    // Events run in frame order, ties in file order; states keep their own
    // order, which decides between overlapping gates and reports.
    std::vector<const ScenarioEvent*> events;
    for (const ScenarioEvent& e : s.events) events.push_back(&e);
    std::stable_sort(events.begin(), events.end(),
                     [](const ScenarioEvent* a, const ScenarioEvent* b) { return a->frame < b->frame; });
    std::size_t i = 0, j = 0;
    while (i < events.size() || j < s.spans.size()) {
        if (j == s.spans.size() || (i < events.size() && events[i]->frame <= s.spans[j].first))
            out += eventLine(*events[i++]) + "\n";
        else
            out += spanLine(s.spans[j++]) + "\n";
    }
    return out;
}

std::string scenarioKeyText(std::uint32_t code) {
    const std::string_view name = keyName(code);
    if (!name.empty() && parseKey(name) == code) return std::string(name);
    return std::to_string(code);
}
