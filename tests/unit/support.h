// Shared fixture for native tests: a fresh plug-in state and a fresh
// stand-in world before every test, and helpers to read what was recorded.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "config/settings.h"
#include "control/control_loop.h"
#include "host/keys.h"
#include "host/native.h"
#include "hud/notice.h"
#include "standin/standin.h"

namespace plktest {


inline std::uint64_t f(float v) { return std::bit_cast<std::uint32_t>(v); }
inline std::uint64_t u(std::uint32_t v) { return v; }

using Call = standin::NativeCallRecord;

inline standin::World& world() { return *standin_world(); }

// Calls made so far in the frame being recorded.
inline const std::vector<Call>& currentCalls() { return world().current.calls; }

inline std::vector<std::uint64_t> hashesOf(const std::vector<Call>& calls) {
    std::vector<std::uint64_t> out;
    for (const auto& c : calls) out.push_back(c.hash);
    return out;
}

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin_reset();
        resetPluginState();
    }
    void TearDown() override {
        standin_reset();
        resetPluginState();
    }
    // One pass of the loop, recorded as a frame of its own.
    const std::vector<Call>& pass() {
        world().beginFrame(standin_tick());
        runControlPass();
        return world().current.calls;
    }
    void releaseKey(DWORD key) { onKeyboardMessage(key, 1, 0, 0, 0, 1, 1); }
};

}  // namespace plktest
