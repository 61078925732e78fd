// The Try panel's engine as the script calls it (Embind): the plug-in live
// over the stand-in world, one frame per call, recorded as a scenario while
// it runs. Each frame's input becomes scenario lines first and the frame then
// runs from the scenario, so what is saved is what ran.
#include <emscripten/bind.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <malloc.h>

#include "config/settings.h"
#include "control/control_loop.h"
#include "control/mod_state.h"
#include "standin/standin.h"
#include "tools/lib/keynames.h"
#include "tools/lib/messages.h"
#include "tools/lib/native_plugin.h"
#include "tools/lib/scenario.h"
#include "tools/lib/session.h"
#include "tools/page/boundary.h"

using emscripten::val;

namespace {

// What the panel holds, bit by bit (the script takes the bits from
// tryInputs()), and the scenario line that holds it.
struct HeldInput {
    int bit;
    const char* name;
    const char* action;
};
constexpr HeldInput kHeld[] = {
    {1, "speedUp", "hold speed-up"}, {2, "speedDown", "hold speed-down"}, {4, "pace", "hold pace"},
    {8, "move", "hold move"}, {32, "blocked", "blocked"},
};
constexpr int kMountedBit = 16;
constexpr int kHeldCount = sizeof kHeld / sizeof kHeld[0];

enum KeyMessage : std::int32_t { KeyDown = 0, KeyUp = 1, KeyTap = 2 };

struct Live {
    Scenario scenario;
    std::unique_ptr<SessionRunner> runner;
    int line = 0;
    int openSpan[kHeldCount] = {-1, -1, -1, -1, -1};  // the span each held input extends
    bool mounted = false;
    std::uint32_t step = 0;
    std::vector<FrameRow> changed;  // the frame table as pacelark-sim run prints it
    std::string lastState;
    std::uint64_t loads = 0;  // nativePluginLoads() while the plug-in's state is this session's
    std::optional<NativePluginState> parked;
};

std::unique_ptr<Live> live;

void record(const std::string& text) { parseScenarioLine(live->scenario, text, ++live->line); }

std::string at(std::uint64_t frame) { return std::to_string(frame) + " "; }

// A preview loads the plug-in afresh in the same process; the session's
// state is put aside first and brought back before its next frame.
void parkForPreview() {
    if (live && nativePluginLoads() == live->loads) live->parked = saveNativePlugin();
}

void reclaim() {
    if (nativePluginLoads() == live->loads) return;
    if (live->parked) restoreNativePlugin(*live->parked);
    live->parked.reset();
    live->loads = nativePluginLoads();
}

// A flag or speed not known in this frame: null.
val maybe(const std::optional<bool>& b) { return b ? val(*b) : val::null(); }
val maybe(const std::optional<float>& v) { return v ? val(*v) : val::null(); }

// The bits and key messages tryFrame takes, and the key codes the plug-in watches.
val tryInputs() {
    val held = val::object();
    for (const HeldInput& h : kHeld) held.set(h.name, h.bit);
    held.set("mounted", kMountedBit);
    val messages = val::object();
    messages.set("down", static_cast<int>(KeyDown));
    messages.set("up", static_cast<int>(KeyUp));
    messages.set("tap", static_cast<int>(KeyTap));
    val out = val::object();
    out.set("held", held);
    out.set("keyMessages", messages);
    out.set("keyTableSize", KEY_TABLE_SIZE);
    return out;
}

// Starts a session with the settings file's bytes; the clock steps `step` ms
// a frame. Out: the four toggle keys' codes as bound, {code}.
val tryStart(const val& bytes, std::uint32_t step) {
    beforeNativePluginLoad = parkForPreview;
    live.reset();
    auto next = std::make_unique<Live>();
    next->scenario.file = "the Try panel";
    next->scenario.ini = page::bytesIn(bytes);
    loadNativePlugin();
    loadSettingsText(*next->scenario.ini, settings);
    applyLoadedSettings();
    next->loads = nativePluginLoads();
    SessionOptions o;
    o.scenario = &next->scenario;
    o.runFrame = runNativePluginFrame;
    o.probe = readNativePluginFlags;
    next->runner = std::make_unique<SessionRunner>(o);
    next->step = step;
    live = std::move(next);
    record("0 step " + std::to_string(step));

    val keys = val::array();
    for (NoticeKind k = kNoticeMod; k <= kNoticeHorseSupport; ++k) {
        const auto code = static_cast<std::uint32_t>(settings.*kToggles[k].key);
        val key = val::object();
        key.set("code", code);
        keys.set(static_cast<unsigned>(k), key);
    }
    val out = val::object();
    out.set("keys", keys);
    return out;
}

// One frame: key messages as [code, message, code, message, ...] and what is
// held (tryInputs' bits), then the pass. Out: {row, draws}, or {error}.
val tryFrame(const val& keyList, int held, std::uint32_t step) {
    val out = val::object();
    if (!live) {
        out.set("error", tr("try.engine.no_session"));
        return out;
    }
    reclaim();
    const std::uint64_t frame = live->runner->nextFrame();
    if (step != live->step) {
        record(at(frame) + "step " + std::to_string(step));
        live->step = step;
    }
    const std::vector<std::int32_t> keys = emscripten::convertJSArrayToNumberVector<std::int32_t>(keyList);
    for (std::size_t i = 0; i + 1 < keys.size(); i += 2) {
        const std::int32_t code = keys[i], kind = keys[i + 1];
        if (!isWatchedKey(code)) continue;
        record(at(frame) + (kind == KeyTap ? "tap " : kind == KeyUp ? "release " : "press ") +
               scenarioKeyText(static_cast<std::uint32_t>(code)));
    }
    const bool mounted = (held & kMountedBit) != 0;
    if (mounted != live->mounted) record(at(frame) + (mounted ? "mount" : "dismount"));
    live->mounted = mounted;
    for (int i = 0; i < kHeldCount; ++i) {
        int& open = live->openSpan[i];
        if (!(held & kHeld[i].bit)) {
            open = -1;
        } else if (open >= 0 && live->scenario.spans[static_cast<std::size_t>(open)].last + 1 == frame) {
            live->scenario.spans[static_cast<std::size_t>(open)].last = frame;
        } else {
            record(at(frame) + kHeld[i].action);
            open = static_cast<int>(live->scenario.spans.size()) - 1;
        }
    }

    const FrameRow row = live->runner->step();
    std::string state = frameRowState(row);
    if (live->changed.empty() || state != live->lastState) live->changed.push_back(row);
    live->lastState = std::move(state);

    val r = val::object();
    r.set("frame", static_cast<double>(row.frame));
    r.set("tick", row.tick);
    r.set("mod", maybe(row.mod));
    r.set("overlay", maybe(row.overlay));
    r.set("autoWalk", maybe(row.autoWalk));
    r.set("support", maybe(row.horseSupportOff ? std::optional<bool>(!*row.horseSupportOff) : std::nullopt));
    r.set("mounted", row.mounted);
    r.set("desired", maybe(row.desired));
    r.set("primary", maybe(row.primary));
    r.set("secondary", maybe(row.secondary));
    r.set("reported", row.reported);
    r.set("notice", row.notice);
    out.set("row", r);
    out.set("draws", page::drawsOut(standin_world()->current.draws));
    return out;
}

// The frame table of the session so far, as pacelark-sim run prints it.
std::string tryTable() {
    std::string table = frameTableHeader() + "\n";
    if (live)
        for (const FrameRow& r : live->changed) table += formatFrameRow(r) + "\n";
    return table;
}

// The session so far as a scenario file's bytes, with the settings it ran
// with; empty before the first session.
val tryScenario() {
    if (!live) return page::bytesOut({});
    Scenario s = live->scenario;
    if (live->runner->nextFrame() > 0) s.frames = live->runner->nextFrame();
    return page::bytesOut(
        "# A session played in the Try panel of the Pacelark settings page.\n"
        "# Play it back: pacelark-sim run --scenario FILE, or pacelark-host.exe --scenario FILE\n"
        "# (the real Pacelark.dll); both use the settings below unless --ini names others.\n" +
        formatScenario(s));
}

// The WebAssembly heap's bytes in use, for the memory figure.
std::size_t tryHeap() { return mallinfo().uordblks; }

}  // namespace

EMSCRIPTEN_BINDINGS(try_panel) {
    emscripten::function("tryInputs", &tryInputs);
    emscripten::function("tryStart", &tryStart);
    emscripten::function("tryFrame", &tryFrame);
    emscripten::function("tryTable", &tryTable);
    emscripten::function("tryScenario", &tryScenario);
    emscripten::function("tryHeap", &tryHeap);
}
