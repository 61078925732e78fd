#include "tools/lib/session.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "host/native.h"
#include "control/mod_state.h"
#include "hud/notice.h"
#include "hud/speed_bars.h"
#include "standin/standin.h"

namespace {

using standin::DrawItem;
using standin::FrameRecord;
using standin::NativeCallRecord;

bool has(const FrameRecord& f, NativeHash h) {
    return std::any_of(f.calls.begin(), f.calls.end(), [h](const NativeCallRecord& c) { return c.hash == h; });
}

std::optional<float> lastSpeedSent(const FrameRecord& f, NativeHash h) {
    std::optional<float> v;
    for (const NativeCallRecord& c : f.calls)
        if (c.hash == h && c.args.size() >= 2) v = slotFloat(c.args[1]);
    return v;
}

// The notice is the pair of texts drawn at scale 0.5; its label tells the kind.
int noticeKindOf(const FrameRecord& f, std::string& label, std::string& word) {
    std::vector<const DrawItem*> texts;
    for (const DrawItem& d : f.draws)
        if (d.kind == DrawItem::Text && d.scale == kNoticeTextScale) texts.push_back(&d);
    if (texts.size() < 2) return -1;
    label = texts[0]->text;
    word = texts[1]->text;
    for (int k = 0; k < 4; ++k)
        if (label == kNoticeLabels[k]) return k;
    return -1;
}

// The overlay's labels are drawn at scale 0.2 with the text flag; the lower
// row, the desired speed, comes last.
std::optional<float> desiredLabel(const FrameRecord& f) {
    const DrawItem* last = nullptr;
    for (const DrawItem& d : f.draws)
        if (d.kind == DrawItem::Text && d.flag && d.scale == kSpeedLabelScale) last = &d;
    if (!last) return std::nullopt;
    char* end = nullptr;
    const float v = std::strtof(last->text.c_str(), &end);
    if (end == last->text.c_str()) return std::nullopt;
    return v;
}

// Whether mount support was off when the pass took over the controls: the
// takeover asks nativeIsMounted first only while support is off. Its calls
// are the ones just before the player lookup, after any notice drawing.
std::optional<bool> horseSupportOffFromTakeover(const FrameRecord& f) {
    const auto& c = f.calls;
    std::size_t i = 0;
    while (i < c.size() && c[i].hash != nativePlayerIndex) ++i;
    if (i == c.size()) return std::nullopt;
    std::size_t j = i;
    while (j > 0 && c[j - 1].hash == nativeSuppressControl) --j;
    if (j == 0) return std::nullopt;
    const NativeCallRecord& last = c[j - 1];
    if (last.hash == nativeIsMounted) return true;
    if (last.hash != nativeEntityBlocked) return std::nullopt;
    return j >= 2 && c[j - 2].hash == nativeIsMounted && static_cast<std::int32_t>(c[j - 2].result) == 0;
}

bool isDrawing(NativeHash h) {
    return h == nativeTextScale || h == nativeTextColour || h == nativeTextFlag || h == nativeTextSetup ||
           h == nativeTextHandle || h == nativeTextDraw || h == nativeRectDraw;
}

// Whether the auto-walk toggle was accepted in this pass. Only a taken
// auto-walk key, with the mod on, makes natives ahead of the takeover: its
// refusal tests, nativeIsMounted (only while support is off) and then
// nativeEntityBlocked; it is accepted when the last of them answers 0.
bool autoWalkToggled(const FrameRecord& f) {
    const auto& c = f.calls;
    std::size_t i = 0;
    while (i < c.size() && c[i].hash != nativePlayerIndex) ++i;
    if (i == c.size()) return false;
    std::size_t j = i;
    while (j > 0 && c[j - 1].hash == nativeSuppressControl) --j;
    // Step back over the takeover's own tests (see horseSupportOffFromTakeover).
    if (j > 0 && c[j - 1].hash == nativeIsMounted) --j;
    else if (j > 0 && c[j - 1].hash == nativeEntityBlocked) {
        --j;
        if (j > 0 && c[j - 1].hash == nativeIsMounted && static_cast<std::int32_t>(c[j - 1].result) == 0) --j;
    }
    while (j > 0 && isDrawing(c[j - 1].hash)) --j;
    if (j == 0) return false;
    return c[j - 1].hash == nativeEntityBlocked && static_cast<std::int32_t>(c[j - 1].result) == 0;
}

std::string flag(const std::optional<bool>& b) { return b ? (*b ? "on" : "off") : "?"; }

std::optional<bool> inverse(const std::optional<bool>& b) { return b ? std::optional<bool>(!*b) : std::nullopt; }

std::string speed(const std::optional<float>& v, const char* missing) {
    if (!v) return missing;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(*v));
    return buf;
}

template <class Pred>
const ScenarioSpan* lastSpan(const Scenario& s, std::uint64_t frame, SpanKind kind, Pred extra) {
    const ScenarioSpan* found = nullptr;
    for (const ScenarioSpan& sp : s.spans)
        if (sp.kind == kind && sp.first <= frame && frame <= sp.last && extra(sp)) found = &sp;
    return found;
}

// The world as the scenario wants it for this frame. Fields are set directly,
// so this works across the DLL boundary on Windows.
FrameInputs applySpans(const Scenario* s, std::uint64_t frame, standin::World& w) {
    FrameInputs in;
    w.activeControls.clear();
    w.activeSecondary.clear();
    w.blocked = false;
    w.hudGate = w.hudGateOverride = 0;
    w.speedOverridden = false;
    if (s) {
        auto any = [](const ScenarioSpan&) { return true; };
        for (const ScenarioSpan& sp : s->spans) {
            if (sp.kind != SpanKind::Hold || frame < sp.first || frame > sp.last) continue;
            for (std::uint32_t c : sp.controls)
                if (std::find(w.activeControls.begin(), w.activeControls.end(), c) == w.activeControls.end())
                    w.activeControls.push_back(c);
            for (std::uint32_t c : sp.secondary)
                if (std::find(w.activeSecondary.begin(), w.activeSecondary.end(), c) == w.activeSecondary.end())
                    w.activeSecondary.push_back(c);
        }
        w.blocked = lastSpan(*s, frame, SpanKind::Blocked, any) != nullptr;
        if (const ScenarioSpan* g = lastSpan(*s, frame, SpanKind::Gate, any)) {
            w.hudGate = g->gate;
            w.hudGateOverride = g->gateOverride;
        }
        if (const ScenarioSpan* r = lastSpan(*s, frame, SpanKind::Report, any)) {
            w.speedOverridden = true;
            w.speedOverride = r->speed;
        }
    }
    auto held = [&w](std::uint32_t c) {
        return std::find(w.activeControls.begin(), w.activeControls.end(), c) != w.activeControls.end();
    };
    auto heldSecondary = [&w](std::uint32_t c) {
        return std::find(w.activeSecondary.begin(), w.activeSecondary.end(), c) != w.activeSecondary.end();
    };
    in.mounted = w.mounted;
    in.blocked = w.blocked;
    in.speedControl = held(kSpeedUpControl) || held(kSpeedDownControl);
    const ControlHash onFoot = kOnFootControls.pace, riding = kMountedControls.pace;
    in.pace = held(onFoot) || held(riding) || heldSecondary(onFoot) || heldSecondary(riding);
    if (w.speedOverridden) {
        in.reported = w.speedOverride;
    } else {
        const auto it = w.entitySpeed.find(w.mounted ? w.mountHandle : w.playerHandle);
        in.reported = it == w.entitySpeed.end() ? 0.0f : it->second;
    }
    return in;
}

void applyEvent(const ScenarioEvent& e, standin::World& w) {
    switch (e.kind) {
        case EventKind::SetTick: standin_setTick(e.value); break;
        case EventKind::Advance: standin_setTick(standin_tick() + e.value); break;
        case EventKind::SetStep: standin_setFrameStep(e.value); break;
        case EventKind::Mount: w.mounted = true; break;
        case EventKind::Dismount: w.mounted = false; break;
        case EventKind::Press: standin_key(e.value, 1, 0, FALSE, FALSE, FALSE, FALSE); break;
        case EventKind::Release: standin_key(e.value, 1, 0, FALSE, FALSE, TRUE, TRUE); break;
        case EventKind::Tap: standin_tapKey(e.value); break;
        case EventKind::Snapshot: break;
    }
}

}  // namespace

std::string frameTableHeader() {
    return "frame        tick  mod  overlay  autowalk  support  mounted  desired  primary  secondary  reported  notice";
}

std::string frameRowState(const FrameRow& r) {
    char buf[256];
    std::snprintf(buf, sizeof buf, "%-4s %-8s %-9s %-8s %-8s %-8s %-8s %-10s %-9s %s", flag(r.mod).c_str(),
                  flag(r.overlay).c_str(), flag(r.autoWalk).c_str(), flag(inverse(r.horseSupportOff)).c_str(),
                  r.mounted ? "yes" : "no", speed(r.desired, "?").c_str(), speed(r.primary, "-").c_str(),
                  speed(r.secondary, "-").c_str(), speed(r.reported, "-").c_str(),
                  r.notice.empty() ? "-" : r.notice.c_str());
    return buf;
}

std::string formatFrameRow(const FrameRow& r) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%5llu  %10u  ", static_cast<unsigned long long>(r.frame), r.tick);
    std::string line = buf + frameRowState(r);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

FrameRow FrameStateTracker::observe(const FrameRecord& f, const FrameInputs& in) {
    FrameRow row;
    row.frame = f.frame;
    row.tick = f.tick;
    row.mounted = in.mounted;
    row.reported = in.reported;
    row.primary = lastSpeedSent(f, nativeSetSpeedPrimary);
    row.secondary = lastSpeedSent(f, nativeSetSpeedSecondary);

    std::string label, word;
    const int kind = noticeKindOf(f, label, word);
    if (kind >= 0) row.notice = label + " " + word;

    if (!f.scriptRan) {
        row.overlay = overlay_;
        row.autoWalk = autoWalk_;
        row.horseSupportOff = horseSupportOff_;
        row.desired = desired_;
        return row;
    }

    // A pass with the mod on always looks the player up.
    const bool mod = has(f, nativePlayerIndex);
    row.mod = mod;
    if (!mod) {
        // Switching off shows the overlay again and ends auto-walk; while off,
        // neither can be toggled.
        overlay_ = true;
        autoWalk_ = false;
    } else {
        if (auto off = horseSupportOffFromTakeover(f)) horseSupportOff_ = *off;
        if (autoWalkToggled(f) && autoWalk_) autoWalk_ = !*autoWalk_;
    }
    // The notice's word follows its flag in every frame.
    const bool on = word == "On";
    if (kind == kNoticeHud) overlay_ = on;
    if (kind == kNoticeAutoWalk) autoWalk_ = on;
    if (kind == kNoticeHorseSupport) horseSupportOff_ = !on;

    // A pass that sets speeds went all the way: the overlay is drawn exactly
    // when it is visible, and riding sends the control value exactly with auto-walk.
    const bool applied = row.primary.has_value();
    if (mod && applied) {
        overlay_ = has(f, nativeHudGate);
        if (in.mounted) autoWalk_ = has(f, nativeSetControlValue);
    }

    if (auto label = desiredLabel(f)) {
        desired_ = *label;
    } else if (applied && firstPass_ && !in.pace) {
        desired_ = row.primary;  // the first pass sends the desired speed unless the pace control is held
    } else if (applied && in.speedControl) {
        desired_.reset();  // it may have moved and nothing shows where to
    }
    firstPass_ = false;

    row.overlay = overlay_;
    row.autoWalk = autoWalk_;
    row.horseSupportOff = horseSupportOff_;
    row.desired = desired_;
    return row;
}

SessionResult runSession(const SessionOptions& o) {
    SessionResult result;
    standin::World& w = *standin_world();
    w.keepHistory = true;
    standin_setTick(o.startTick);
    standin_setFrameStep(o.frameStep);
    FrameStateTracker tracker;
    std::vector<const ScenarioEvent*> events;
    if (o.scenario)
        for (const ScenarioEvent& e : o.scenario->events) events.push_back(&e);
    std::stable_sort(events.begin(), events.end(),
                     [](const ScenarioEvent* a, const ScenarioEvent* b) { return a->frame < b->frame; });
    std::size_t next = 0;

    for (std::uint64_t frame = 0; frame < o.frames; ++frame) {
        std::vector<const ScenarioEvent*> marks;
        for (; next < events.size() && events[next]->frame == frame; ++next) {
            applyEvent(*events[next], w);
            if (events[next]->kind == EventKind::Snapshot) marks.push_back(events[next]);
        }
        const FrameInputs in = applySpans(o.scenario, frame, w);
        if (frame == 0 && o.beforeFirstFrame) o.beforeFirstFrame();
        standin_runFrame();
        if (frame == 0 && o.afterFirstFrame) o.afterFirstFrame();

        const FrameRecord& rec = w.history.back();
        FrameRow row = tracker.observe(rec, in);
        result.derived.push_back(row);
        if (o.probe && rec.scriptRan) {
            const PluginFlags p = o.probe();
            row.mod = p.modEnabled;
            row.overlay = p.hudVisible;
            row.autoWalk = p.autoWalk;
            row.horseSupportOff = p.horseSupportOff;
            row.desired = p.desiredSpeed;
        }
        result.rows.push_back(std::move(row));
        for (const ScenarioEvent* m : marks)
            result.snapshots.push_back(DrawSnapshot{snapshotName(*m), rec.frame, rec.tick, rec.draws});
        w.history.clear();
    }
    return result;
}

std::vector<FrameRow> changedRows(const std::vector<FrameRow>& rows) {
    std::vector<FrameRow> out;
    std::string last;
    for (const FrameRow& r : rows) {
        std::string state = frameRowState(r);
        if (out.empty() || state != last) out.push_back(r);
        last = std::move(state);
    }
    return out;
}

std::optional<std::uint64_t> parseFrameCount(const std::string& v) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long n = std::strtoull(v.c_str(), &end, 10);
    if (v.empty() || v[0] == '-' || end != v.c_str() + v.size() || errno || n == 0 || n > 10'000'000)
        return std::nullopt;
    return n;
}
