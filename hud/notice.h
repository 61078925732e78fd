// The two-second notice at the upper left corner after an accepted toggle.
#pragma once

#include <cstddef>

// Text scale of the label and the word.
inline constexpr float kNoticeTextScale = 0.5f;

// The toggles, one notice kind each (control/mod_state.h names them); the
// tools take their count from here.
inline constexpr std::size_t kNoticeKinds = 4;

// The toggle's name drawn ahead of its state, by notice kind.
inline constexpr const char* kNoticeLabels[kNoticeKinds] = {"PLK:", "PLK HUD:", "PLK Auto-Walk:", "PLK Horse-Support:"};

void drawToggleNotice();

// Frees the text copies of the previous frame's notice; called at the start
// of every pass, so copies never pile up.
void releaseNoticeCopies();

// Exists for the tests of the notice's allocation failure: they set it to
// make the text copies' storage run out (the soak also watches the copies
// through it). The plug-in never sets it; null means malloc.
using NoticeAllocator = void* (*)(std::size_t size);
extern NoticeAllocator noticeAllocator;
