// The settings page's entry points: the tools' library behind a few C calls.
// Bytes go in as pointer and length; every result is left in one buffer that
// the page reads at once (plk_out, plk_out_size), as JSON or as file bytes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "config/settings.h"
#include "control/mod_state.h"
#include "tools/lib/check_ini.h"
#include "tools/lib/descriptions.h"
#include "tools/lib/float_text.h"
#include "tools/lib/ini_edit.h"
#include "tools/lib/keynames.h"
#include "tools/lib/preview.h"
#include "tools/lib/quick_edit.h"
#include "tools/page/page_json.h"

#define PLK_EXPORT extern "C" __attribute__((used, visibility("default")))

namespace {

std::string out;

std::string_view bytesAt(const char* data, std::size_t size) { return {data ? data : "", data ? size : 0}; }

const char* kindName(SettingKind k) {
    return k == SettingKind::Integer ? "key" : k == SettingKind::Float ? "number" : "switch";
}

const char* severityName(FindingSeverity s) {
    return s == FindingSeverity::Note ? "note" : s == FindingSeverity::Warning ? "warning" : "stop";
}

std::string shownValue(const SettingEntry& e, const Settings& s) {
    if (e.kind == SettingKind::Integer) return describeKey(s.*e.integerField);
    const EditResult text = settingValueText(e, s);
    return text.ok() ? text.text : shortestFloatText(s.*e.floatField, strtofParse);
}

}  // namespace

PLK_EXPORT const char* plk_out() { return out.data(); }
PLK_EXPORT std::size_t plk_out_size() { return out.size(); }

// The table, the defaults and the key names, once at start.
PLK_EXPORT void plk_table() {
    const Settings defaults;
    out = "{\"settings\":[";
    for (std::size_t i = 0; i < kSettingsTable.size(); ++i) {
        const SettingEntry& e = kSettingsTable[i];
        out += std::string(i ? "," : "") + "{\"name\":" + pagejson::string(e.name) + ",\"kind\":\"" + kindName(e.kind) +
               "\",\"default\":" + pagejson::string(settingValueText(e, defaults).text) +
               ",\"what\":" + pagejson::string(kSettingDescriptions[i]) + "}";
    }
    out += "],\"keys\":[";
    bool first = true;
    for (std::uint32_t code = 0; code < KEY_TABLE_SIZE; ++code) {
        if (keyName(code).empty()) continue;
        out += std::string(first ? "" : ",") + "[" + std::to_string(code) + "," + pagejson::string(keyName(code)) + "," +
               pagejson::string(keyHint(code)) + "]";
        first = false;
    }
    out += "],\"defaultsText\":" + pagejson::string(defaultsText()) + ",\"fileName\":" + pagejson::string(kSettingsFileName) + "}";
}

PLK_EXPORT int plk_check(const char* data, std::size_t size, const char* name) {
    try {
        const IniCheck c = checkIniText(bytesAt(data, size), name);
        out = "{\"status\":" + std::to_string(c.status) + ",\"stoppedAt\":" + std::to_string(c.stoppedAt) +
              ",\"report\":" + pagejson::string(c.report) + ",\"values\":[";
        for (std::size_t i = 0; i < kSettingsTable.size(); ++i) {
            const SettingEntry& e = kSettingsTable[i];
            out += std::string(i ? "," : "") + "{\"value\":" + pagejson::string(settingValueText(e, c.loaded).text) + ",\"shown\":" + pagejson::string(shownValue(e, c.loaded)) +
                   ",\"line\":" + std::to_string(c.lines[i]) +
                   ",\"text\":" + pagejson::string(c.texts[i]) + "}";
        }
        out += "],\"verdict\":" + pagejson::string(c.verdict) + ",\"findings\":[";
        for (std::size_t i = 0; i < c.findings.size(); ++i) {
            const IniFinding& f = c.findings[i];
            out += std::string(i ? "," : "") + "{\"severity\":\"" + severityName(f.severity) +
                   "\",\"setting\":" + std::to_string(f.setting) + ",\"line\":" + std::to_string(f.line) +
                   ",\"text\":" + pagejson::string(f.text) + "}";
        }
        out += "]}";
        return 1;
    } catch (const std::exception& e) {
        out = e.what();
        return 0;
    }
}

PLK_EXPORT int plk_look(const char* data, std::size_t size) {
    const FileLook look = lookAtBytes(bytesAt(data, size));
    out = std::to_string(look.zeroBytes);
    return static_cast<int>(look.kind);
}

// The file with one setting set from what the player typed; on refusal, 0
// and the reason.
PLK_EXPORT int plk_set(const char* data, std::size_t size, int key, const char* typed) {
    if (key < 0 || static_cast<std::size_t>(key) >= kSettingsTable.size()) {
        out = "unknown setting";
        return 0;
    }
    EditResult value = fieldValueText(kSettingsTable[static_cast<std::size_t>(key)], typed);
    if (value.ok()) value = setSettingValueQuick(bytesAt(data, size), static_cast<std::size_t>(key), value.text);
    const bool ok = value.ok();
    out = ok ? std::move(value.text) : std::move(value.refusal);
    return ok ? 1 : 0;
}

// One pass of the plug-in over the file's settings. NaN speeds: not given.
// notice: -1 none, else the kind; noticeOn: -1 as one press gives, 0 off, 1 on.
PLK_EXPORT int plk_preview(const char* data, std::size_t size, float desired, float reported, int mounted,
                           int notice, int noticeOn) {
    try {
        PreviewRequest request;
        request.settingsText = std::string(bytesAt(data, size));
        if (!std::isnan(desired)) request.desired = desired;
        if (!std::isnan(reported)) request.reported = reported;
        request.mounted = mounted != 0;
        if (notice >= kNoticeMod && notice <= kNoticeHorseSupport) {
            PreviewRequest::Notice n;
            n.kind = notice;
            if (noticeOn >= 0) n.on = noticeOn != 0;
            request.notice = n;
        }
        const PreviewFrame frame = previewFrame(request);
        out = std::string("{\"refused\":") + (frame.noticeRefused ? "true" : "false") + ",\"draws\":";
        pagejson::appendDraws(out, frame.draws);
        out += "}";
        return 1;
    } catch (const std::exception& e) {
        out = e.what();
        return 0;
    }
}
