// One real pass of the plug-in over the stand-in world, arranged as a
// preview asks: what the HUD shows for a chosen state. Needs the plug-in
// linked in (the native tools and the settings page); runs no script thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/settings.h"
#include "control/mod_state.h"
#include "standin/world.h"

struct PreviewRequest {
    std::optional<std::string> settingsText;  // the Pacelark.ini the plug-in finds; none: defaults
    std::optional<Settings> loaded;           // settings loaded already: settingsText is then not read
    std::optional<float> desired;             // default: the settings' initial speed
    std::optional<float> reported;            // default: the desired speed
    bool mounted = false;
    // A toggle's key released before the pass, as a player would; `on` picks
    // the state it switches to (default: away from the state at start).
    struct Notice {
        NoticeKind kind = kNoticeMod;
        std::optional<bool> on;
    };
    std::optional<Notice> notice;
};

struct PreviewFrame {
    std::vector<standin::DrawItem> draws;
    bool noticeRefused = false;  // a notice was asked for, but the plug-in refused its toggle
};

// A plug-in loaded before (the page's Try session) is unloaded for the pass
// and loaded again after it with its state as it was; else the plug-in is
// left unloaded and the stand-in reset.
PreviewFrame previewFrame(const PreviewRequest& request);
