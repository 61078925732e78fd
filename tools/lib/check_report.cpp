// The checker's entry points (check_ini.h) and the report they render.
#include "tools/lib/check_ini.h"

#include <cctype>
#include <cstdio>
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

std::string render(const IniCheck& c, const std::string& path) {
    std::string out = "Result: " + std::string(1, static_cast<char>(std::tolower(c.verdict[0]))) + c.verdict.substr(1) +
                      "\n\nWhat the plug-in reads from " + path + ":\n\n";
    const std::size_t stop = c.stoppedAt;
    for (std::size_t i = 0; i < kKeys; ++i) {
        const SettingEntry& e = kSettingsTable[i];
        const std::size_t at = static_cast<std::size_t>(c.lines[i]);
        std::string origin;
        if (!at) origin = "default";
        else if (i < stop) origin = "file, " + lineRef(at);
        else if (i == stop) origin = "default: the load stops here (" + lineRef(at) + ")";
        else origin = "default: " + lineRef(at) + " is never read";
        char row[200];
        std::snprintf(row, sizeof row, "  %-26s %-34s %s\n", std::string(e.name).c_str(), valueText(e, c.loaded).c_str(),
                      origin.c_str());
        out += row;
    }
    bool warned = false;
    for (const IniFinding& f : c.findings) {
        if (f.severity == FindingSeverity::Stop) {
            out += "\n" + f.text + "\n";
            if (stop >= kKeys) continue;
            std::string lost;
            for (std::size_t i = stop; i < kKeys; ++i)
                if (c.lines[i])
                    lost += (lost.empty() ? "" : ", ") + settingName(i) + " (" +
                            lineRef(static_cast<std::size_t>(c.lines[i])) + ")";
            out += "Keys the file sets that keep their defaults because of it: " + lost + ".\n";
            out += "Every key after " + settingName(stop) + " in the list above keeps its default.\n";
            continue;
        }
        const bool warning = f.severity == FindingSeverity::Warning;
        if (warning && !warned) out += "\n";
        warned = warned || warning;
        out += (warning ? "warning: " : "note: ") + (f.line ? lineRef(f.line) + ": " : std::string()) + f.text + "\n";
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
