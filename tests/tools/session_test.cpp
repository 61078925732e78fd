// Sessions of the plug-in in the native stand-in: the frame table read off
// the records (as the Windows host must) against the plug-in's own state.
#include <gtest/gtest.h>

#include <string>

#include "control/control_loop.h"
#include "standin/standin.h"
#include "tests/tools/support.h"
#include "tools/lib/files.h"
#include "tools/lib/native_plugin.h"
#include "tools/lib/scenario.h"
#include "tools/lib/session.h"

namespace {

SessionResult runNative(const Scenario& s, const std::optional<std::string>& ini = std::nullopt) {
    SettingsFolder folder(readOptionalFile(ini));
    SessionOptions o;
    o.scenario = &s;
    o.frames = s.frameCount();
    o.beforeFirstFrame = [&folder] { folder.enter(); };
    o.afterFirstFrame = [&folder] { folder.leave(); };
    o.probe = readNativePluginFlags;
    loadNativePlugin();
    SessionResult r = runSession(o);
    unloadNativePlugin();
    return r;
}

std::string sourceFile(const std::string& relative) { return std::string(PLK_SOURCE_DIR) + "/" + relative; }

// Every value the records reveal must be the plug-in's own.
void expectDerivedAgrees(const SessionResult& r, bool everythingKnown) {
    ASSERT_EQ(r.rows.size(), r.derived.size());
    for (std::size_t i = 0; i < r.rows.size(); ++i) {
        const FrameRow& truth = r.rows[i];
        const FrameRow& read = r.derived[i];
        SCOPED_TRACE("frame " + std::to_string(truth.frame) + ": " + frameRowState(truth) + " | read " +
                     frameRowState(read));
        ASSERT_TRUE(read.mod.has_value());
        EXPECT_EQ(read.mod, truth.mod);
        for (auto field : {&FrameRow::overlay, &FrameRow::autoWalk, &FrameRow::horseSupportOff}) {
            if (everythingKnown) {
                ASSERT_TRUE((read.*field).has_value());
            }
            if ((read.*field).has_value()) {
                EXPECT_EQ(read.*field, truth.*field);
            }
        }
        if (everythingKnown) {
            ASSERT_TRUE(read.desired.has_value());
        }
        if (read.desired) {
            char a[32], b[32];
            std::snprintf(a, sizeof a, "%.2f", *read.desired);
            std::snprintf(b, sizeof b, "%.2f", *truth.desired);
            EXPECT_STREQ(a, b);
        }
    }
}

TEST(Session, TheDemoReadsTheSameOffTheRecordsAsFromThePlugin) {
    const SessionResult r = runNative(loadScenario(sourceFile("scenarios/demo.txt")));
    expectDerivedAgrees(r, true);
}

TEST(Session, HardMomentsNeverReadAWrongFlag) {
    const SessionResult r = runNative(loadScenario(sourceFile("tests/tools/scenarios/tricky.txt")));
    expectDerivedAgrees(r, false);
    // The moments were not dull: the mod went off, auto-walk and support both changed.
    bool modOff = false, walked = false, supportOff = false;
    for (const FrameRow& row : r.rows) {
        modOff |= !*row.mod;
        walked |= *row.autoWalk;
        supportOff |= *row.horseSupportOff;
    }
    EXPECT_TRUE(modOff && walked && supportOff);
}

TEST(Session, SettingsFileIsReadFromTheWorkingFolderOfTheFirstFrame) {
    const std::string ini = tooltest::scratch("session-settings.ini").string();
    writeFileAtomically(ini, "[SETTINGS]\nINITIAL_WALK_SPEED=2.25\nDISABLE_HORSE_SUPPORT=true\n");
    const SessionResult r = runNative(parseScenario("frames 3\n", "s"), ini);
    EXPECT_FLOAT_EQ(*r.rows.front().desired, 2.25f);
    EXPECT_TRUE(*r.rows.front().horseSupportOff);
    EXPECT_FLOAT_EQ(*r.rows.front().primary, 2.25f);
}

TEST(Session, RowsFollowTheScenarioFrameByFrame) {
    const SessionResult r = runNative(parseScenario(
        "frames 12\n"
        "1 tick 0xFFFFFF00\n"
        "1 step 50\n"
        "2 tap F11\n"
        "3-5 hold speed-up\n"
        "4 mount\n"
        "8 snapshot after-wrap\n",
        "s"));
    ASSERT_EQ(r.rows.size(), 12u);
    EXPECT_EQ(r.rows[1].tick, 0xFFFFFF00u);
    EXPECT_EQ(r.rows[2].notice, "PLK HUD: Off");
    EXPECT_EQ(*r.rows[2].overlay, false);
    EXPECT_EQ(r.rows[3].desired, 1.6f);
    EXPECT_FALSE(r.rows[3].mounted);
    EXPECT_TRUE(r.rows[4].mounted);
    const std::uint32_t wrapped = 0xFFFFFF00u + 7 * 50;
    EXPECT_EQ(r.rows[8].tick, wrapped);
    EXPECT_LT(wrapped, 1000u);
    // The notice started before the wrap is still up after it; the overlay
    // is off, so the marked frame holds the notice alone.
    ASSERT_EQ(r.snapshots.size(), 1u);
    EXPECT_EQ(r.snapshots[0].name, "after-wrap");
    EXPECT_EQ(r.snapshots[0].frame, 8u);
    EXPECT_EQ(r.snapshots[0].tick, wrapped);
    ASSERT_EQ(r.snapshots[0].draws.size(), 3u);
    EXPECT_EQ(r.snapshots[0].draws[1].text, "PLK HUD:");
    EXPECT_EQ(r.rows[8].notice, "PLK HUD: Off");
}

TEST(Session, OnlyChangedRowsArePrintedAndTheFirstAlways) {
    const SessionResult r = runNative(parseScenario("frames 30\n10 tap F10\n", "s"));
    const std::vector<FrameRow> changed = changedRows(r.rows);
    ASSERT_GE(changed.size(), 2u);
    EXPECT_EQ(changed[0].frame, 0u);
    for (std::size_t i = 1; i < changed.size(); ++i)
        EXPECT_NE(frameRowState(changed[i]), frameRowState(r.rows[changed[i].frame - 1]));
    EXPECT_EQ(changed[1].frame, 10u);
    EXPECT_EQ(changed[1].notice, "PLK: Off");
    EXPECT_FALSE(changed[1].primary.has_value());
}

TEST(Session, BlockedSpansGateAnswersAndReportedSpeedReachTheWorld) {
    const SessionResult r = runNative(parseScenario(
        "frames 8\n"
        "1-2 blocked\n"
        "3 gate 1 0\n"
        "3 snapshot held-back\n"
        "4 gate 1 1\n"
        "4 mount\n"
        "4 snapshot allowed-riding\n"
        "5 report 6\n",
        "s"));
    EXPECT_FALSE(r.rows[1].primary.has_value());  // blocked: the pass ends early
    EXPECT_TRUE(r.rows[3].primary.has_value());
    ASSERT_EQ(r.snapshots.size(), 2u);
    EXPECT_TRUE(r.snapshots[0].draws.empty());
    EXPECT_EQ(r.snapshots[1].draws.size(), 6u);
    EXPECT_EQ(r.rows[5].reported, 6.0f);
    EXPECT_NE(r.rows[6].reported, 6.0f);
}

}  // namespace
