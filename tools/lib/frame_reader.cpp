#include "tools/lib/frame_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "control/mod_state.h"
#include "host/native.h"
#include "hud/notice.h"
#include "hud/speed_bars.h"

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
    for (std::size_t k = 0; k < kNoticeKinds; ++k)
        if (label == kNoticeLabels[k]) return static_cast<int>(k);
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

}  // namespace

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
