// A script hook that does nothing: the eight shfrtr_* functions and
// GetTickCount, so a pass costs only the plug-in's own work. Every native
// answers 0 (the player is handle 0, on foot, not blocked, gates open).
#pragma once

#include <cstdint>

namespace noophost {

void setTick(std::uint32_t tick);
std::uint32_t tick();

// Makes the native `hash` answer `value` instead of 0 (up to 8 hashes);
// clearAnswers restores the all-zero host.
void setAnswer(std::uint64_t hash, std::uint64_t value);
void clearAnswers();

// Native calls made so far (nativeInit count).
std::uint64_t nativeCalls();

// Records the hash and slot count of every native call into `out` until
// stopRecording; `out` must have room for `capacity` entries.
struct CallShape {
    std::uint64_t hash;
    std::uint32_t slots;
};
void startRecording(CallShape* out, std::uint32_t capacity);
std::uint32_t stopRecording();

// A freshly loaded plug-in over this host, its loop started, at tick 100000.
void resetPlugin();

}  // namespace noophost
