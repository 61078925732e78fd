// The Try panel's entry points: the plug-in live over the stand-in world,
// one frame per call, recorded as a scenario while it runs. Each frame's
// input becomes scenario lines first and the frame then runs from the
// scenario, so what is saved is what ran.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <malloc.h>

#include "config/settings.h"
#include "control/control_loop.h"
#include "control/mod_state.h"
#include "standin/standin.h"
#include "tools/lib/files.h"
#include "tools/lib/keynames.h"
#include "tools/lib/native_plugin.h"
#include "tools/lib/scenario.h"
#include "tools/lib/session.h"
#include "tools/page/page_json.h"

#define PLK_EXPORT extern "C" __attribute__((used, visibility("default")))

namespace {

// Every result, read by the page at once (plk_try_out, plk_try_out_size).
std::string plkOut;

// What try.js holds, bit by bit, and the scenario line that holds it.
struct HeldInput {
    int bit;
    const char* action;
};
constexpr HeldInput kHeld[] = {
    {1, "hold speed-up"}, {2, "hold speed-down"}, {4, "hold pace"}, {8, "hold move"}, {32, "blocked"},
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

// A toggle's key as the panel names it on its button.
std::string keyText(std::int32_t code) {
    const std::string_view name = keyName(code);
    return name.empty() ? std::to_string(code) : std::string(name);
}

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

std::string flagJson(const std::optional<bool>& b) { return b ? (*b ? "true" : "false") : "null"; }
std::string speedJson(const std::optional<float>& v) { return v ? pagejson::number(*v) : "null"; }

}  // namespace

PLK_EXPORT const char* plk_try_out() { return plkOut.data(); }
PLK_EXPORT std::size_t plk_try_out_size() { return plkOut.size(); }

// Starts a session with the settings file's bytes; the clock steps `step` ms
// a frame. Out: the four toggle keys as bound.
PLK_EXPORT int plk_try_start(const char* data, std::size_t size, std::uint32_t step) {
    try {
        beforeNativePluginLoad = parkForPreview;
        live.reset();
        auto next = std::make_unique<Live>();
        next->scenario.file = "the Try panel";
        next->scenario.ini = std::string(data ? data : "", data ? size : 0);
        loadNativePlugin();
        {
            SettingsFolder folder(next->scenario.ini);
            folder.enter();
            loadSettings();
            folder.leave();
        }
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

        plkOut = "{\"keys\":[";
        for (NoticeKind k = kNoticeMod; k <= kNoticeHorseSupport; ++k) {
            const auto code = static_cast<std::uint32_t>(settings.*kToggles[k].key);
            plkOut += std::string(k ? "," : "") + "{\"code\":" + std::to_string(code) + ",\"name\":" +
                      pagejson::string(isWatchedKey(code) ? keyText(static_cast<std::int32_t>(code)) : "") + "}";
        }
        plkOut += "]}";
        return 1;
    } catch (const std::exception& e) {
        live.reset();
        plkOut = e.what();
        return 0;
    }
}

// One frame: `count` key messages (code, KeyMessage pairs) and what is held
// (try.js's bits), then the pass. Out: the frame's row and its drawing.
PLK_EXPORT int plk_try_frame(const std::int32_t* keys, int count, int held, std::uint32_t step) {
    if (!live) {
        plkOut = "no session: start one first";
        return 0;
    }
    try {
        reclaim();
        const std::uint64_t frame = live->runner->nextFrame();
        if (step != live->step) {
            record(at(frame) + "step " + std::to_string(step));
            live->step = step;
        }
        for (int i = 0; i < count; ++i) {
            const std::int32_t code = keys[2 * i], kind = keys[2 * i + 1];
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

        std::string& out = plkOut;
        out = "{\"row\":{\"frame\":" + std::to_string(row.frame) + ",\"tick\":" + std::to_string(row.tick) +
              ",\"mod\":" + flagJson(row.mod) + ",\"overlay\":" + flagJson(row.overlay) + ",\"autoWalk\":" +
              flagJson(row.autoWalk) + ",\"support\":" +
              flagJson(row.horseSupportOff ? std::optional<bool>(!*row.horseSupportOff) : std::nullopt) +
              ",\"mounted\":" + (row.mounted ? "true" : "false") + ",\"desired\":" + speedJson(row.desired) +
              ",\"primary\":" + speedJson(row.primary) + ",\"secondary\":" + speedJson(row.secondary) +
              ",\"reported\":" + pagejson::number(row.reported) + ",\"notice\":" + pagejson::string(row.notice) +
              "},\"draws\":";
        pagejson::appendDraws(out, standin_world()->current.draws);
        out += "}";
        return 1;
    } catch (const std::exception& e) {
        plkOut = e.what();
        return 0;
    }
}

// The frame table of the session so far, as pacelark-sim run prints it.
PLK_EXPORT void plk_try_table() {
    plkOut = frameTableHeader() + "\n";
    if (live)
        for (const FrameRow& r : live->changed) plkOut += formatFrameRow(r) + "\n";
}

// The session so far as a scenario file, with the settings it ran with.
PLK_EXPORT void plk_try_scenario() {
    if (!live) {
        plkOut.clear();
        return;
    }
    Scenario s = live->scenario;
    if (live->runner->nextFrame() > 0) s.frames = live->runner->nextFrame();
    plkOut = "# A session played in the Try panel of the Pacelark settings page.\n"
             "# Play it back: pacelark-sim run --scenario FILE, or pacelark-host.exe --scenario FILE\n"
             "# (the real Pacelark.dll); both use the settings below unless --ini names others.\n" +
             formatScenario(s);
}

// The WebAssembly heap's bytes in use, for the memory figure.
PLK_EXPORT std::size_t plk_try_heap() { return mallinfo().uordblks; }
