#include "tools/lib/preview.h"

#include <algorithm>
#include <optional>

#include "config/settings.h"
#include "control/control_loop.h"
#include "hud/notice.h"
#include "standin/standin.h"
#include "tools/lib/keynames.h"
#include "tools/lib/native_plugin.h"

PreviewFrame previewFrame(const PreviewRequest& request) {
    // One real pass of the loop after a settings load, with the world and
    // the flags arranged as asked.
    std::optional<NativePluginState> before;
    if (nativePluginLoaded()) {
        before = saveNativePlugin();
        unloadNativePlugin();
    }
    loadNativePlugin();
    // The clock as a running game has it: at tick 0 the initial notice
    // deadline (0) would still count as due and show a notice nobody asked for.
    standin_setTick(1000);
    if (request.loaded) settings = *request.loaded;
    else if (request.settingsText) loadSettingsText(*request.settingsText, settings);
    applyLoadedSettings();
    ModState& s = modState;
    if (request.desired) s.desiredSpeed = *request.desired;
    standin::World& w = *standin_world();
    w.mounted = request.mounted;
    w.speedOverridden = true;
    w.speedOverride = request.reported ? *request.reported : s.desiredSpeed;
    s.playerCharacter = w.playerHandle;
    if (request.notice) {
        // The notice comes the way the game brings it: the toggle's key is
        // released, and the pass takes it.
        const Toggle& t = kToggles[request.notice->kind];
        if (request.notice->on) s.*t.flag = *request.notice->on != t.onWhenFlagSet;
        const std::int32_t key = settings.*t.key;
        if (isWatchedKey(key)) standin_tapKey(static_cast<DWORD>(key));
    }
    w.beginFrame(standin_tick());
    runControlPass();
    PreviewFrame frame;
    frame.draws = w.current.draws;
    const bool noticeDrawn = std::any_of(frame.draws.begin(), frame.draws.end(), [](const standin::DrawItem& d) {
        return d.kind == standin::DrawItem::Text && d.scale == kNoticeTextScale;
    });
    frame.noticeRefused = request.notice && !(modState.noticeKind == request.notice->kind && noticeDrawn);
    unloadNativePlugin();
    if (before) restoreNativePlugin(*before);
    return frame;
}
