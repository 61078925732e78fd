// Reading a scenario file, line by line, into a Scenario.
#include "tools/lib/scenario.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>
#include <variant>

#include "tools/lib/keynames.h"
#include "tools/lib/scenario_table.h"

namespace {

using namespace scenario_table;

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
