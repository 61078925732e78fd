#include "tools/lib/session.h"

#include <algorithm>

#include "host/game_codes.h"
#include "standin/standin.h"
#include "tools/lib/frame_reader.h"

namespace {

using standin::FrameRecord;

template <class Pred>
const ScenarioSpan* lastSpan(const Scenario& s, std::uint64_t frame, SpanKind kind, Pred extra) {
    const ScenarioSpan* found = nullptr;
    for (const ScenarioSpan& sp : s.spans)
        if (sp.kind == kind && sp.first <= frame && frame <= sp.last && extra(sp)) found = &sp;
    return found;
}

// The world as the scenario wants it for this frame. Only the world's inline
// members are used, so this works across the DLL boundary on Windows.
FrameInputs applySpans(const Scenario* s, std::uint64_t frame, standin::World& w) {
    FrameInputs in;
    w.clearControls();
    w.blocked = false;
    w.hudGate = w.hudGateOverride = 0;
    w.speedOverridden = false;
    if (s) {
        auto any = [](const ScenarioSpan&) { return true; };
        for (const ScenarioSpan& sp : s->spans) {
            if (sp.kind != SpanKind::Hold || frame < sp.first || frame > sp.last) continue;
            for (std::uint32_t c : sp.controls) w.setControl(c, true);
            for (std::uint32_t c : sp.secondary) w.setSecondary(c, true);
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
    in.mounted = w.mounted;
    in.blocked = w.blocked;
    in.speedControl = w.isActive(kSpeedUpControl) || w.isActive(kSpeedDownControl);
    const ControlHash onFoot = kOnFootControls.pace, riding = kMountedControls.pace;
    in.pace = w.isActive(onFoot) || w.isActive(riding) || w.isSecondaryActive(onFoot) ||
              w.isSecondaryActive(riding);
    in.reported = w.reportedSpeedOf(w.mounted ? w.mountHandle : w.playerHandle);
    return in;
}

void applyEvent(const ScenarioEvent& e, standin::World& w) {
    switch (e.kind) {
        case ScenarioEventKind::SetTick: standin_setTick(e.value); break;
        case ScenarioEventKind::Advance: standin_setTick(standin_tick() + e.value); break;
        case ScenarioEventKind::SetStep: standin_setFrameStep(e.value); break;
        case ScenarioEventKind::Mount: w.mounted = true; break;
        case ScenarioEventKind::Dismount: w.mounted = false; break;
        case ScenarioEventKind::Press: standin_key(e.value, 1, 0, FALSE, FALSE, FALSE, FALSE); break;
        case ScenarioEventKind::Release: standin_key(e.value, 1, 0, FALSE, FALSE, TRUE, TRUE); break;
        case ScenarioEventKind::Tap: standin_tapKey(e.value); break;
        case ScenarioEventKind::Snapshot: break;
    }
}

}  // namespace

SessionRunner::SessionRunner(SessionOptions options) : o_(std::move(options)) {
    if (!o_.runFrame) o_.runFrame = standin_runFrame;
    // The frame just run is still the world's current record: no history.
    standin_world()->keepHistory = false;
    standin_setTick(o_.startTick);
    standin_setFrameStep(o_.frameStep);
}

FrameRow SessionRunner::step() {
    standin::World& w = *standin_world();
    const std::uint64_t frame = frame_++;
    std::vector<const ScenarioEvent*> marks;
    if (o_.scenario) {
        const std::vector<ScenarioEvent>& events = o_.scenario->events;
        for (; nextEvent_ < events.size() && events[nextEvent_].frame == frame; ++nextEvent_) {
            applyEvent(events[nextEvent_], w);
            if (events[nextEvent_].kind == ScenarioEventKind::Snapshot) marks.push_back(&events[nextEvent_]);
        }
    }
    const FrameInputs in = applySpans(o_.scenario, frame, w);
    if (frame == 0 && o_.beforeFirstFrame) o_.beforeFirstFrame();
    o_.runFrame();
    if (frame == 0 && o_.afterFirstFrame) o_.afterFirstFrame();

    const FrameRecord& rec = w.current;
    FrameRow row = tracker_.observe(rec, in);
    derived_ = row;
    if (o_.probe && rec.scriptRan) {
        const PluginFlags p = o_.probe();
        row.mod = p.modEnabled;
        row.overlay = p.hudVisible;
        row.autoWalk = p.autoWalk;
        row.horseSupportOff = p.horseSupportOff;
        row.desired = p.desiredSpeed;
    }
    for (const ScenarioEvent* m : marks)
        snapshots_.push_back(DrawSnapshot{snapshotName(*m), rec.frame, rec.tick, rec.draws});
    return row;
}

SessionResult runSession(const SessionOptions& o) {
    // Events in frame order, ties in file order.
    Scenario sorted;
    SessionOptions options = o;
    if (o.scenario) {
        sorted = *o.scenario;
        std::stable_sort(sorted.events.begin(), sorted.events.end(),
                         [](const ScenarioEvent& a, const ScenarioEvent& b) { return a.frame < b.frame; });
        options.scenario = &sorted;
    }
    SessionRunner runner(options);
    SessionResult result;
    for (std::uint64_t frame = 0; frame < o.frames; ++frame) {
        result.rows.push_back(runner.step());
        result.derived.push_back(runner.derived());
    }
    result.snapshots = std::move(runner.snapshots());
    return result;
}
