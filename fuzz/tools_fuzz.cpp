// What players feed the tools, on arbitrary bytes: a scenario, a draw list
// or a settings file (checked and edited as the settings page does). Built
// once per reader (PLK_FUZZ_SCENARIO, _DRAWLIST, _CHECKER). Besides not
// crashing, a refusal names the file and a line of it, and what is accepted
// keeps its promises.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <new>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "config/ini.h"
#include "config/settings.h"
#include "tools/lib/check_ini.h"
#include "tools/lib/drawlist.h"
#include "tools/lib/ini_edit.h"
#include "tools/lib/messages.h"
#include "tools/lib/scenario.h"

namespace {

void require(bool ok) {
    if (!ok) std::abort();
}

[[maybe_unused]] std::size_t lineCount(const std::string& text) {
    std::size_t n = 1;
    for (char c : text) n += c == '\n';
    return n;
}

// "NAME:LINE: ..." with LINE a line of the text.
[[maybe_unused]] void requireFileAndLine(const std::string& what, const std::string& name, const std::string& text) {
    require(what.rfind(name + ":", 0) == 0);
    const std::size_t line = std::strtoul(what.c_str() + name.size() + 1, nullptr, 10);
    require(line >= 1 && line <= lineCount(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
#if defined(PLK_FUZZ_SCENARIO)
    try {
        const Scenario s = parseScenario(text, "s.txt");
        for (const ScenarioEvent& e : s.events) {
            require(e.frame <= 10'000'000 && e.line >= 1);
            if (e.kind == ScenarioEventKind::Snapshot) require(isValidSnapshotName(snapshotName(e)));
        }
        for (const ScenarioSpan& sp : s.spans) require(sp.first <= sp.last && sp.last <= 10'000'000);
        require(s.frameCount() >= 1);
    } catch (const ScenarioError& e) {
        requireFileAndLine(e.what(), "s.txt", text);
    }
#elif defined(PLK_FUZZ_DRAWLIST)
    try {
        const std::vector<DrawSnapshot> list = parseDrawList(text, "d.txt");
        // Every frame name is a safe file name, and the list reads back as written.
        for (const DrawSnapshot& s : list) require(isValidSnapshotName(s.name));
        const std::string once = formatDrawList(list);
        require(formatDrawList(parseDrawList(once, "again")) == once);
    } catch (const std::runtime_error& e) {
        requireFileAndLine(e.what(), "d.txt", text);
    }
#elif defined(PLK_FUZZ_CHECKER)
    const IniCheck c = checkIniText(text, "Pacelark.ini");
    require(c.status >= 0 && c.status <= 2);
    // The settings page's edit of one key, chosen by the input: the plug-in
    // then reads the new value (the edit checks that, and would refuse).
    const std::size_t key = size % kSettingsTable.size();
    const std::string value = kSettingsTable[key].kind == SettingKind::Bool ? "true" : "7";
    const EditResult edited = setSettingValue(text, key, value);
    require(edited.ok() && !edited.text.empty());
    const std::string& r = c.report;
    require(r.size() > 1 && r.back() == '\n');
    require(r.rfind("Result: ", 0) == 0);
    // The verdict and the stop agree.
    require((c.status == 2) == c.verdict.id.starts_with("check.verdict.stops"));
    // Every finding is a message the catalog has (tr gives an unknown id back).
    for (const IniFinding& f : c.findings) {
        require(tr(f.text) != f.text.id);
        require(!f.forPage || tr(*f.forPage) != f.forPage->id);
    }
    // The settings the checker reports are those the plug-in's own load
    // stores from the same bytes, bit for bit, and it stops at the same key.
    IniDocument doc;
    Settings plugin;
    SettingsLoadResult loaded;
    try {
        loadIniText(text, doc);
        loaded = loadSettingsFrom(doc, plugin);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    for (const SettingEntry& e : kSettingsTable) {
        if (e.kind == SettingKind::Integer) require(plugin.*e.integerField == c.loaded.*e.integerField);
        if (e.kind == SettingKind::Bool) require(plugin.*e.boolField == c.loaded.*e.boolField);
        if (e.kind == SettingKind::Float)
            require(std::bit_cast<std::uint32_t>(plugin.*e.floatField) == std::bit_cast<std::uint32_t>(c.loaded.*e.floatField));
    }
    require(c.stoppedAt == (loaded.end == SettingsLoadEnd::Stopped ? loaded.failedKey : kSettingsTable.size()));
#endif
    return 0;
}
