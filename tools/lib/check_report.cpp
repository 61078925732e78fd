// The checker's entry points (check_ini.h) and the report they render.
#include "tools/lib/check_ini.h"

#include <exception>
#include <filesystem>
#include <new>
#include <utility>

#include "tools/lib/check_findings.h"
#include "tools/lib/check_gather.h"
#include "tools/lib/files.h"

namespace {

constexpr std::size_t kKeys = kSettingsTable.size();

SettingsLoadResult stoppedWhileReading(SettingsLoadError error) {
    SettingsLoadResult stopped;
    stopped.end = SettingsLoadEnd::Stopped;
    stopped.error = error;
    return stopped;
}

// The report's opening line for each verdict: the same sentence after
// "Result: ", which a language may word differently.
std::string_view resultId(std::string_view verdict) {
    static constexpr std::string_view kResults[][2] = {
        {"check.verdict.stops_reading_file", "report.result.stops_reading_file"},
        {"check.verdict.stops_at_last", "report.result.stops_at_last"},
        {"check.verdict.stops_at", "report.result.stops_at"},
        {"check.verdict.clean", "report.result.clean"},
        {"check.verdict.clean_nothing_read", "report.result.clean_nothing_read"},
        {"check.verdict.warnings", "report.result.warnings"},
        {"check.verdict.warnings_nothing_read", "report.result.warnings_nothing_read"},
    };
    for (const auto& r : kResults)
        if (r[0] == verdict) return r[1];
    return verdict;
}

// The columns a terminal gives `text`: two for a wide East Asian character,
// one for any other (a byte that is no UTF-8 counted as one).
std::size_t columns(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) == 0x80) continue;
        char32_t cp = c;
        if (c >= 0xE0 && c < 0xF0 && i + 2 < text.size())
            cp = (c & 0x0Fu) << 12 | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6 |
                 (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
        else if (c >= 0xF0 && i + 1 < text.size())
            cp = 0x20000;  // beyond the basic plane: mostly ideographs
        const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF && cp != 0x303F) ||
                          (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                          (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                          (cp >= 0xFFE0 && cp <= 0xFFE6) || cp >= 0x20000;
        n += wide ? 2 : 1;
    }
    return n;
}

// `text` and the blanks that fill it to `width` columns.
std::string padded(std::string text, std::size_t width) {
    const std::size_t used = columns(text);
    if (used < width) text.append(width - used, ' ');
    return text;
}

std::string render(const IniCheck& c, const std::string& path) {
    std::string out = tr(Message{resultId(c.verdict.id), c.verdict.args}) + "\n\n" +
                      tr("report.reads_from", {{"file", path}}) + "\n\n";
    const std::size_t stop = c.stoppedAt;
    for (std::size_t i = 0; i < kKeys; ++i) {
        const SettingEntry& e = kSettingsTable[i];
        const std::string at = std::to_string(c.lines[i]);
        std::string origin;
        if (!c.lines[i]) origin = tr("report.origin.default");
        else if (i < stop) origin = tr("report.origin.file", {{"line", at}});
        else if (i == stop) origin = tr("report.origin.stops_here", {{"line", at}});
        else origin = tr("report.origin.never_read", {{"line", at}});
        out += "  " + padded(std::string(e.name), 26) + " " + padded(valueText(e, c.loaded), 34) + " " + origin + "\n";
    }
    bool listed = false;  // a blank line opens the warnings and notes
    for (const IniFinding& f : c.findings) {
        if (f.severity == FindingSeverity::Stop) {
            out += "\n" + tr(f.text) + "\n";
            if (stop >= kKeys) continue;
            std::vector<std::string> lost;
            for (std::size_t i = stop; i < kKeys; ++i)
                if (c.lines[i])
                    lost.push_back(tr("report.key_at_line", {{"name", settingName(i)}, {"line", std::to_string(c.lines[i])}}));
            out += tr("report.stop.kept_defaults", {{"keys", listText(lost)}}) + "\n";
            out += tr("report.stop.after", {{"name", settingName(stop)}}) + "\n";
            continue;
        }
        const bool warning = f.severity == FindingSeverity::Warning;
        if (!listed) out += "\n";
        listed = true;
        const std::string_view id = warning ? (f.line ? "report.warning_at_line" : "report.warning")
                                            : (f.line ? "report.note_at_line" : "report.note");
        out += tr(id, {{"line", std::to_string(f.line)}, {"text", tr(f.text)}}) + "\n";
    }
    return out;
}

}  // namespace

IniCheck checkIniFile(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw FileError(path + ": is a folder, not a file");
    return checkIniText(readWholeFile(path), path);
}

IniCheck checkIniText(std::string_view bytes, const std::string& path) {
    IniCheck c;
    IniFacts facts;
    SettingsLoadResult load;
    // A failure while reading stops the load as it stops the plug-in's.
    try {
        facts = gatherIniFacts(bytes);
        load = loadGathered(facts, c.loaded);
    } catch (const std::bad_alloc&) {
        facts = IniFacts{};
        load = stoppedWhileReading(SettingsLoadError::OutOfMemory);
    } catch (const std::exception&) {
        facts = IniFacts{};
        load = stoppedWhileReading(SettingsLoadError::Other);
    }
    judgeIni(std::move(facts), load, path, c);
    c.report = render(c, path);
    return c;
}
