#include "hud/notice.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "control/mod_state.h"
#include "hud/draw.h"

// Null means the C runtime's malloc, looked up at every call.
NoticeAllocator noticeAllocator = nullptr;

namespace {
struct NoticeLayout {
    float boxWidth;
    float wordX;
};

static_assert(sizeof kToggles / sizeof kToggles[0] == kNoticeKinds);
constexpr NoticeLayout kLayouts[kNoticeKinds] = {{0.08f, 0.051f}, {0.115f, 0.091f}, {0.15f, 0.126f}, {0.18f, 0.156f}};

char* copies[2] = {nullptr, nullptr};

// A notice on screen when the DLL is unloaded still holds its two copies; the
// runtime's exit-time destructors, after DllMain's detach, give them back.
struct ReleaseAtUnload {
    constexpr ReleaseAtUnload() = default;
    ~ReleaseAtUnload() { releaseNoticeCopies(); }
};
constinit ReleaseAtUnload releaseAtUnload;

char* copyText(const char* text, int slot) {
    const std::size_t size = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(noticeAllocator ? noticeAllocator(size) : std::malloc(size));
    if (!copy) {
        std::fputs("Memory Allocation Failed! Exiting...\n", stderr);
        std::exit(1);
    }
    std::memcpy(copy, text, size);
    copies[slot] = copy;
    return copy;
}

}  // namespace

void releaseNoticeCopies() {
    for (char*& c : copies) {
        if (!c) continue;  // a pass without a notice makes no call into the allocator
        std::free(c);
        c = nullptr;
    }
}

void drawToggleNotice() {
    const NoticeKind kind = modState.noticeKind;
    if (kind < 0 || kind > 3) return;
    const NoticeLayout& layout = kLayouts[kind];
    releaseNoticeCopies();  // a second notice in one pass must not leak the first's copies
    const float halfWidth = layout.boxWidth * 0.5f;
    const float centreX = halfWidth + 0.0025f;
    drawRectCentred(centreX, 0.0225f, layout.boxWidth, 0.035f, 25, 25, 25, 255);
    drawText(0.0076f, 0.006f, copyText(kNoticeLabels[kind], 0), kNoticeTextScale, false, 255, 255, 255, 200);
    const bool on = toggleShowsOn(modState, kind);
    const char* word = copyText(on ? "On" : "Off", 1);
    if (on) drawText(layout.wordX, 0.006f, word, kNoticeTextScale, false, 0, 255, 0, 200);
    else drawText(layout.wordX, 0.006f, word, kNoticeTextScale, false, 255, 0, 0, 200);
}
