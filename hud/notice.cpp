#include "hud/notice.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "control/control_loop.h"
#include "hud/draw.h"

// Null means the C runtime's malloc, looked up at every call.
NoticeAllocator noticeAllocator = nullptr;

namespace {
struct NoticeLayout {
    const char* label;
    float boxWidth;
    float wordX;
};

constexpr NoticeLayout kLayouts[4] = {
    {"PLK:", 0.08f, 0.051f},
    {"PLK HUD:", 0.115f, 0.091f},
    {"PLK Auto-Walk:", 0.15f, 0.126f},
    {"PLK Horse-Support:", 0.18f, 0.156f},
};

char* copies[2] = {nullptr, nullptr};

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

bool flagOf(NoticeKind kind) {
    switch (kind) {
        case NOTICE_MOD: return modState.modEnabled;
        case NOTICE_HUD: return modState.hudVisible;
        case NOTICE_AUTO_WALK: return modState.autoWalk;
        default: return !modState.horseSupportOff;  // true means support is off
    }
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
    drawText(0.0076f, 0.006f, copyText(layout.label, 0), 0.5f, false, 255, 255, 255, 200);
    const bool on = flagOf(kind);
    const char* word = copyText(on ? "On" : "Off", 1);
    if (on) drawText(layout.wordX, 0.006f, word, 0.5f, false, 0, 255, 0, 200);
    else drawText(layout.wordX, 0.006f, word, 0.5f, false, 255, 0, 0, 200);
}
