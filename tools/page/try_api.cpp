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

// What the panel holds, bit by bit (the script takes the bits from the
// engine's facts), the keys that hold it in the panel's box (0: none; some
// only a control holds), and the scenario line that holds it.
struct HeldInput {
    int bit;
    const char* name;
    std::uint32_t keys[2];
    const char* action;
};
constexpr HeldInput kHeld[] = {
    {1, "speedUp", {0x21}, "hold speed-up"},    // Page Up, as the wheel up
    {2, "speedDown", {0x22}, "hold speed-down"},  // Page Down
    {4, "pace", {0x10}, "hold pace"},             // Shift
    {8, "move", {0x57, 0x26}, "hold move"},       // W, Up
    {32, "blocked", {}, "blocked"},
};
constexpr int kMountedBit = 16;
constexpr int kHeldCount = sizeof kHeld / sizeof kHeld[0];

enum KeyMessage : std::int32_t { KeyDown = 0, KeyUp = 1, KeyTap = 2 };

std::string at(std::uint64_t frame) { return std::to_string(frame) + " "; }

// A flag or speed not known in this frame: null.
val maybe(const std::optional<bool>& b) { return b ? val(*b) : val::null(); }
val maybe(const std::optional<float>& v) { return v ? val(*v) : val::null(); }

}  // namespace

val page::tryFacts() {
    val held = val::object(), keys = val::object();
    for (const HeldInput& h : kHeld) {
        held.set(h.name, h.bit);
        val codes = val::array();
        unsigned i = 0;
        for (const std::uint32_t code : h.keys)
            if (code) codes.set(i++, code);
        keys.set(h.name, codes);
    }
    held.set("mounted", kMountedBit);
    val messages = val::object();
    messages.set("down", static_cast<int>(KeyDown));
    messages.set("up", static_cast<int>(KeyUp));
    messages.set("tap", static_cast<int>(KeyTap));
    val out = val::object();
    out.set("held", held);
    out.set("keys", keys);
    out.set("keyMessages", messages);
    out.set("keyTableSize", KEY_TABLE_SIZE);
    return out;
}

namespace {

class TrySession;
// The session whose plug-in the process holds: the plug-in's state is one
// per process. A session started while another lives ends that one, which
// then answers frames as a session that no longer exists (its recording
// can still be read and saved).
TrySession* owner = nullptr;

// A session the script creates with the settings file's bytes, the clock
// stepping `step` ms a frame, and deletes; deleting it unloads the plug-in.
class TrySession {
public:
    TrySession(const val& bytes, std::uint32_t step) : step_(step) {
        if (owner) owner->end();
        scenario_.file = "the Try panel";
        scenario_.ini = page::bytesIn(bytes);
        loadNativePlugin();
        loadSettingsText(*scenario_.ini, settings);
        applyLoadedSettings();
        owner = this;
        SessionOptions o;
        o.scenario = &scenario_;
        o.runFrame = runNativePluginFrame;
        o.probe = readNativePluginFlags;
        runner_ = std::make_unique<SessionRunner>(o);
        for (std::size_t k = 0; k < kNoticeKinds; ++k)
            keys_[k] = static_cast<std::uint32_t>(settings.*kToggles[k].key);
        record("0 step " + std::to_string(step));
    }
    TrySession(const TrySession&) = delete;
    TrySession& operator=(const TrySession&) = delete;
    ~TrySession() { end(); }

    // The four toggle keys' codes as bound, [{code}], by notice kind.
    val keys() const {
        val out = val::array();
        for (unsigned k = 0; k < kNoticeKinds; ++k) {
            val key = val::object();
            key.set("code", keys_[k]);
            out.set(k, key);
        }
        return out;
    }

    // One frame: key messages as [code, message, code, message, ...] and
    // what is held (the facts' bits), then the pass. Out: {row, draws}, or
    // {error}.
    val frame(const val& keyList, int held, std::uint32_t step) {
        val out = val::object();
        if (owner != this) {
            out.set("error", tr("try.engine.no_session"));
            return out;
        }
        const std::uint64_t frame = runner_->nextFrame();
        if (step != step_) {
            record(at(frame) + "step " + std::to_string(step));
            step_ = step;
        }
        const std::vector<std::int32_t> keys = emscripten::convertJSArrayToNumberVector<std::int32_t>(keyList);
        for (std::size_t i = 0; i + 1 < keys.size(); i += 2) {
            const std::int32_t code = keys[i], kind = keys[i + 1];
            if (!isWatchedKey(code)) continue;
            record(at(frame) + (kind == KeyTap ? "tap " : kind == KeyUp ? "release " : "press ") +
                   scenarioKeyText(static_cast<std::uint32_t>(code)));
        }
        const bool mounted = (held & kMountedBit) != 0;
        if (mounted != mounted_) record(at(frame) + (mounted ? "mount" : "dismount"));
        mounted_ = mounted;
        for (int i = 0; i < kHeldCount; ++i) {
            int& open = openSpan_[i];
            if (!(held & kHeld[i].bit)) {
                open = -1;
            } else if (open >= 0 && scenario_.spans[static_cast<std::size_t>(open)].last + 1 == frame) {
                scenario_.spans[static_cast<std::size_t>(open)].last = frame;
            } else {
                record(at(frame) + kHeld[i].action);
                open = static_cast<int>(scenario_.spans.size()) - 1;
            }
        }

        const FrameRow row = runner_->step();
        std::string state = frameRowState(row);
        if (changed_.empty() || state != lastState_) changed_.push_back(row);
        lastState_ = std::move(state);
        out.set("row", rowOut(row));
        out.set("draws", page::drawsOut(standin_world()->current.draws));
        return out;
    }

    // The frame table so far, as pacelark-sim run prints it.
    std::string table() const {
        std::string table = frameTableHeader() + "\n";
        for (const FrameRow& r : changed_) table += formatFrameRow(r) + "\n";
        return table;
    }

    // The session so far as a scenario file's bytes, with the settings it
    // ran with.
    val scenario() const {
        Scenario s = scenario_;
        if (runner_->nextFrame() > 0) s.frames = runner_->nextFrame();
        return page::bytesOut(
            "# A session played in the Try panel of the Pacelark settings page.\n"
            "# Play it back: pacelark-sim run --scenario FILE, or pacelark-host.exe --scenario FILE\n"
            "# (the real Pacelark.dll); both use the settings below unless --ini names others.\n" +
            formatScenario(s));
    }

private:
    void end() {
        if (owner != this) return;
        unloadNativePlugin();
        owner = nullptr;
    }

    void record(const std::string& text) { parseScenarioLine(scenario_, text, ++line_); }

    static val rowOut(const FrameRow& row) {
        val r = val::object();
        r.set("frame", static_cast<double>(row.frame));
        r.set("tick", row.tick);
        const std::optional<bool> on[kNoticeKinds] = {
            row.mod, row.overlay, row.autoWalk,
            row.horseSupportOff ? std::optional<bool>(!*row.horseSupportOff) : std::nullopt};
        for (std::size_t k = 0; k < kNoticeKinds; ++k) r.set(page::kToggleNames[k], maybe(on[k]));
        r.set("mounted", row.mounted);
        r.set("desired", maybe(row.desired));
        r.set("primary", maybe(row.primary));
        r.set("secondary", maybe(row.secondary));
        r.set("reported", row.reported);
        r.set("notice", row.notice);
        return r;
    }

    Scenario scenario_;
    std::unique_ptr<SessionRunner> runner_;
    int line_ = 0;
    int openSpan_[kHeldCount] = {-1, -1, -1, -1, -1};  // the span each held input extends
    bool mounted_ = false;
    std::uint32_t step_ = 0;
    std::uint32_t keys_[kNoticeKinds] = {};
    std::vector<FrameRow> changed_;  // the frame table as pacelark-sim run prints it
    std::string lastState_;
};

// The WebAssembly heap's bytes in use, for the memory figure.
std::size_t tryHeap() { return mallinfo().uordblks; }

}  // namespace

EMSCRIPTEN_BINDINGS(try_panel) {
    emscripten::class_<TrySession>("TrySession")
        .constructor<const val&, std::uint32_t>()
        .function("keys", &TrySession::keys)
        .function("frame", &TrySession::frame)
        .function("table", &TrySession::table)
        .function("scenario", &TrySession::scenario);
    emscripten::function("tryHeap", &tryHeap);
}
