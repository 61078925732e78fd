// The settings page's engine as its script calls it (Embind): the tools'
// library behind functions that take and return the script's own values.
// A refusal comes back as a value; nothing here catches an exception (the
// page is built without), so a C++ throw reaches the script as a bare number.
#include <emscripten/bind.h>

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "control/mod_state.h"
#include "hud/notice.h"
#include "tools/lib/check_ini.h"
#include "tools/lib/descriptions.h"
#include "tools/lib/float_text.h"
#include "tools/lib/ini_edit.h"
#include "tools/lib/keynames.h"
#include "tools/lib/messages.h"
#include "tools/lib/preview.h"
#include "tools/lib/quick_edit.h"
#include "tools/page/boundary.h"

using emscripten::val;
using page::bytesIn;
using page::bytesOut;
using page::textOut;

namespace {

constexpr std::size_t kKeys = kSettingsTable.size();

// Also the label the page's TextDecoder takes for the UTF-16 kinds.
const char* fileKindName(FileKind k) {
    switch (k) {
        case FileKind::Text: return "text";
        case FileKind::Empty: return "empty";
        case FileKind::Utf16LittleEndian: return "utf-16le";
        case FileKind::Utf16BigEndian: return "utf-16be";
        case FileKind::Binary: return "binary";
    }
    return "binary";
}

std::string defaultText(std::size_t i) {
    static const Settings defaults;
    return settingValueText(kSettingsTable[i], defaults).text;
}

std::string nameOf(std::size_t i) { return std::string(kSettingsTable[i].name); }

std::string shownValue(const SettingEntry& e, const Settings& s) {
    if (e.kind == SettingKind::Integer) return playerKeyText(s.*e.integerField);
    const EditResult text = settingValueText(e, s);
    return text.ok() ? text.text : shortestFloatText(s.*e.floatField, strtofParse);
}

// A key's text as the file holds it: as a player knows the key when it is a
// code in digits, as it is otherwise (a name the plug-in cannot read, say).
std::string describedKeyText(const std::string& text) {
    const std::size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() == digits || text.find_first_not_of("0123456789", digits) != std::string::npos) return text;
    std::int64_t code = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), code);
    if (error == std::errc() && end == text.data() + text.size() && std::to_string(code) == text && !keyName(code).empty())
        return playerKeyText(code);
    return tr("key.no_key", {{"key", text}});
}

// Where setting i's value comes from, in the form's words; `stop` marks a
// line the plug-in fails at or never reaches, `jump` offers a link to the stop.
val origin(const IniCheck& c, std::size_t i) {
    const int line = c.lines[i];
    const std::size_t stop = c.stoppedAt;
    std::string text;
    bool stopped = false, jump = false;
    if (stop < kKeys && i == stop) {
        text = tr("page.engine.origin.stops", {{"line", std::to_string(line)}});
        stopped = true;
    } else if (stop < kKeys && i > stop) {
        text = line ? tr("page.engine.origin.never_read", {{"line", std::to_string(line)},
                                                           {"stop_name", nameOf(stop)},
                                                           {"stop_line", std::to_string(c.lines[stop])},
                                                           {"default", defaultText(i)}})
                    : tr("page.engine.origin.default_after_stop");
        stopped = jump = line != 0;
    } else {
        text = line ? tr("page.engine.origin.from_line", {{"line", std::to_string(line)}})
                    : tr("page.engine.origin.default", {{"section", settingsSectionHeader()}});
    }
    val o = val::object();
    o.set("text", text);
    o.set("stop", stopped);
    o.set("jump", jump);
    return o;
}

// The table, the defaults and the keys: at start, and again when the
// language changes, since descriptions and key words are in the current one.
val table() {
    val settingsOut = val::array();
    for (std::size_t i = 0; i < kKeys; ++i) {
        val s = val::object();
        s.set("name", nameOf(i));
        s.set("kind", kSettingsTable[i].kind);
        s.set("default", defaultText(i));
        s.set("what", settingDescription(i));
        settingsOut.set(i, s);
    }
    // The keys a player picks from: those common keyboards and mice have.
    val keys = val::array();
    unsigned n = 0;
    for (std::uint32_t code = 0; code < KEY_TABLE_SIZE; ++code) {
        if (!isCommonKey(code)) continue;
        val k = val::object();
        k.set("code", code);
        k.set("text", playerKeyText(code));
        keys.set(n++, k);
    }
    val t = val::object();
    t.set("settings", settingsOut);
    t.set("keys", keys);
    t.set("defaults", bytesOut(defaultsText()));
    return t;
}

// A screen size the preview offers; the Try panel offers some of them.
struct Screen {
    int width, height;
    const char* aspect;
    bool wide, inTry;
};
constexpr Screen kScreens[] = {
    {1280, 720, "16:9", false, true},    {1366, 768, "16:9", false, false},   {1600, 900, "16:9", false, false},
    {1920, 1080, "16:9", false, true},   {2560, 1440, "16:9", false, true},   {3840, 2160, "16:9", false, true},
    {1280, 800, "16:10", false, false},  {1440, 900, "16:10", false, false},  {1680, 1050, "16:10", false, false},
    {1920, 1200, "16:10", false, true},  {2560, 1600, "16:10", false, false}, {2560, 1080, "21:9", true, false},
    {3440, 1440, "21:9", true, true},    {3840, 1600, "24:10", true, false},
};

// What the script takes from the engine once, in no language: the names
// every message may use, the settings' section, the toggles by notice kind
// (the page's name, the label its notice draws), the screen sizes (both
// lists start on the `usual` one) and the Try panel's inputs.
val facts() {
    val names = val::object();
    names.set("app", "Pacelark");
    names.set("ini", std::string(kSettingsFileName));
    names.set("dll", "ScriptHookFRTR.dll");
    names.set("sim", "pacelark-sim");
    names.set("check", "check-ini");
    names.set("session", "pacelark-session.txt");
    val toggles = val::array();
    for (std::size_t k = 0; k < kNoticeKinds; ++k) {
        std::string label = kNoticeLabels[k];
        if (!label.empty() && label.back() == ':') label.pop_back();
        val o = val::object();
        o.set("kind", static_cast<int>(k));
        o.set("name", page::kToggleNames[k]);
        o.set("label", label);
        toggles.set(static_cast<unsigned>(k), o);
    }
    val screens = val::array();
    unsigned n = 0;
    for (const Screen& s : kScreens) {
        val o = val::object();
        o.set("width", s.width);
        o.set("height", s.height);
        o.set("aspect", s.aspect);
        o.set("wide", s.wide);
        o.set("inTry", s.inTry);
        o.set("usual", s.width == 1920 && s.height == 1080);
        screens.set(n++, o);
    }
    val f = val::object();
    f.set("names", names);
    f.set("section", settingsSectionHeader());
    f.set("toggles", toggles);
    f.set("screens", screens);
    f.set("try", page::tryFacts());
    return f;
}

val check(const val& bytes, const std::string& name) {
    const IniCheck c = checkIniText(bytesIn(bytes), name);
    val values = val::array();
    for (std::size_t i = 0; i < kKeys; ++i) {
        const SettingEntry& e = kSettingsTable[i];
        // The form shows what the plug-in reads; at and past the stop, what
        // the file holds, since the plug-in reads nothing there.
        const bool fromFile = c.lines[i] && i >= c.stoppedAt;
        const std::string value = settingValueText(e, c.loaded).text, shown = shownValue(e, c.loaded);
        const std::string field = fromFile ? c.texts[i] : value;
        val v = val::object();
        v.set("value", value);
        v.set("shown", shown);
        v.set("line", c.lines[i]);
        v.set("text", textOut(c.texts[i]));
        v.set("field", textOut(field));
        if (e.kind == SettingKind::Integer) v.set("fieldShown", textOut(fromFile ? describedKeyText(field) : shown));
        if (e.kind == SettingKind::Bool) v.set("on", parseIniBool(field));
        v.set("origin", origin(c, i));
        values.set(i, v);
    }
    val findings = val::array();
    for (std::size_t i = 0; i < c.findings.size(); ++i) {
        const IniFinding& f = c.findings[i];
        val o = val::object();
        o.set("severity", f.severity);
        o.set("setting", f.setting);
        o.set("line", f.line);
        o.set("text", textOut(tr(f.forPage ? *f.forPage : f.text)));
        findings.set(i, o);
    }
    val out = val::object();
    out.set("status", c.status);
    out.set("stoppedAt", c.stoppedAt);
    out.set("report", textOut(c.report));
    out.set("verdict", textOut(tr(c.verdict)));
    out.set("values", values);
    out.set("findings", findings);
    out.set("loaded", c.loaded);
    return out;
}

val look(const val& bytes) {
    const FileLook l = lookAtBytes(bytesIn(bytes));
    val out = val::object();
    out.set("kind", fileKindName(l.kind));
    out.set("zeroBytes", l.zeroBytes);
    return out;
}

// The file with setting `key` set from what the player typed: {bytes}, or
// {error} saying why not.
val set(const val& bytes, int key, const std::string& typed) {
    val out = val::object();
    if (key < 0 || static_cast<std::size_t>(key) >= kKeys) {
        out.set("error", tr("edit.unknown_setting"));
        return out;
    }
    EditResult value = fieldValueText(kSettingsTable[static_cast<std::size_t>(key)], typed);
    if (value.ok()) value = setSettingValueQuick(bytesIn(bytes), static_cast<std::size_t>(key), value.text);
    if (value.ok()) out.set("bytes", bytesOut(value.text));
    else out.set("error", textOut(tr(value.refusal)));
    return out;
}

// A speed the player typed for the preview: null when blank, NaN when it is
// no finite number.
val speed(const std::string& typed) {
    if (typedNumberText(typed).empty()) return val::null();
    const std::optional<float> v = typedNumber(typed);
    return val(v ? static_cast<double>(*v) : NAN);
}

// One pass of the plug-in with settings as loaded. view: {desired, reported}
// (NaN: not given), mounted, notice (a notice kind, else none) and noticeOn
// (-1 as one press gives, 0 off, 1 on). Out: {refused, draws}.
val preview(const Settings& loaded, const val& view) {
    PreviewRequest request;
    request.loaded = loaded;
    const double desired = view["desired"].as<double>(), reported = view["reported"].as<double>();
    if (!std::isnan(desired)) request.desired = static_cast<float>(desired);
    if (!std::isnan(reported)) request.reported = static_cast<float>(reported);
    request.mounted = view["mounted"].as<bool>();
    const int notice = view["notice"].as<int>(), noticeOn = view["noticeOn"].as<int>();
    if (notice >= 0 && static_cast<std::size_t>(notice) < kNoticeKinds) {
        PreviewRequest::Notice n;
        n.kind = notice;
        if (noticeOn >= 0) n.on = noticeOn != 0;
        request.notice = n;
    }
    const PreviewFrame frame = previewFrame(request);
    val out = val::object();
    out.set("refused", frame.noticeRefused);
    out.set("draws", page::drawsOut(frame.draws));
    return out;
}

// Message `id` in the page's language; `args` an object of named arguments
// (numbers as their decimal text).
std::string message(const std::string& id, const val& args) {
    std::vector<std::string> names;
    if (!args.isUndefined() && !args.isNull())
        names = emscripten::vecFromJSArray<std::string>(val::global("Object").call<val>("keys", args));
    Message m{id, {}};
    static const val toText = val::global("String");
    for (const std::string& name : names) m.args.push_back({name, toText(args[name]).as<std::string>()});
    return tr(m);
}

// A key as the page names it, in the current language: {words} ("" for a
// code no key has) and {text}, its code and words.
val keyText(int code) {
    val out = val::object();
    out.set("words", keyWords(code));
    out.set("text", playerKeyText(code));
    return out;
}

// [{tag, name}], English first.
val languageList() {
    val out = val::array();
    unsigned i = 0;
    for (const LanguageInfo& l : languages()) {
        val o = val::object();
        o.set("tag", l.tag);
        o.set("name", l.name);
        out.set(i++, o);
    }
    return out;
}

}  // namespace

EMSCRIPTEN_BINDINGS(settings_page) {
    // The settings as the plug-in loaded them, one field per setting: a
    // check hands them out and the preview takes them back.
    emscripten::value_object<Settings> loaded("Settings");
    for (const SettingEntry& e : kSettingsTable) {
        const std::string name(e.name);
        switch (e.kind) {
            case SettingKind::Integer: loaded.field(name.c_str(), e.integerField); break;
            case SettingKind::Float: loaded.field(name.c_str(), e.floatField); break;
            case SettingKind::Bool: loaded.field(name.c_str(), e.boolField); break;
        }
    }
    // A setting's kind and a finding's severity reach the script as these.
    emscripten::enum_<SettingKind>("SettingKind")
        .value("Integer", SettingKind::Integer)
        .value("Float", SettingKind::Float)
        .value("Bool", SettingKind::Bool);
    emscripten::enum_<FindingSeverity>("FindingSeverity")
        .value("Note", FindingSeverity::Note)
        .value("Warning", FindingSeverity::Warning)
        .value("Stop", FindingSeverity::Stop);
    emscripten::function("facts", &facts);
    emscripten::function("table", &table);
    emscripten::function("check", &check);
    emscripten::function("look", &look);
    emscripten::function("set", &set);
    emscripten::function("speed", &speed);
    emscripten::function("preview", &preview);
    emscripten::function("message", &message);
    emscripten::function("languages", &languageList);
    emscripten::function("key", &keyText);
    // A tag of languages() or the tests' pseudo-language; false for any other.
    emscripten::function("setLanguage", emscripten::optional_override([](const std::string& tag) { return setLanguage(tag); }));
    // The first language of a list ("de-AT,en") that the page has, else "en".
    emscripten::function("chooseLanguage", emscripten::optional_override([](const std::string& list) { return chooseLanguage(list); }));
}
