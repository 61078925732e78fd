// Writing a Scenario back as a file that reads back the same.
#include "tools/lib/scenario.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "tools/lib/keynames.h"
#include "tools/lib/scenario_table.h"

namespace {

using namespace scenario_table;

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
