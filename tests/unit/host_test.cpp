#include <algorithm>
#include <atomic>
#include <thread>

#include "config_test_support.h"
#include "host/entry.h"
#include "support.h"

using namespace plktest;
using standin::EventKind;

namespace {

HINSTANCE fakeModule() { return reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x180000000ULL)); }

class EntryTest : public PluginTest {};

TEST_F(EntryTest, AttachRegistersScriptThenHandlerAndDetachWithdrawsInTheSameOrder) {
    EXPECT_EQ(DllMain(fakeModule(), DLL_PROCESS_ATTACH, nullptr), TRUE);
    ASSERT_EQ(standin_events()->size(), 2u);
    EXPECT_EQ(DllMain(fakeModule(), DLL_PROCESS_DETACH, nullptr), TRUE);
    const auto& ev = *standin_events();
    ASSERT_EQ(ev.size(), 4u);
    EXPECT_EQ(ev[0].kind, EventKind::ScriptRegister);
    EXPECT_EQ(ev[0].module, fakeModule());
    EXPECT_EQ(ev[0].function, reinterpret_cast<void*>(&scriptMain));
    EXPECT_EQ(ev[1].kind, EventKind::KeyboardRegister);
    EXPECT_EQ(ev[1].function, reinterpret_cast<void*>(&onKeyboardMessage));
    EXPECT_EQ(ev[2].kind, EventKind::ScriptUnregister);
    EXPECT_EQ(ev[2].module, ev[0].module);
    EXPECT_EQ(ev[3].kind, EventKind::KeyboardUnregister);
    EXPECT_EQ(ev[3].function, ev[1].function);
    EXPECT_EQ(world().totalCalls, 0u) << "the entry must call no native";
}

TEST_F(EntryTest, ThreadNotificationsAndUnknownReasonsDoNothing) {
    for (DWORD reason : {DWORD{DLL_THREAD_ATTACH}, DWORD{DLL_THREAD_DETACH}, DWORD{7}, DWORD{0xFFFFFFFF}})
        EXPECT_EQ(DllMain(fakeModule(), reason, reinterpret_cast<LPVOID>(1)), TRUE);
    EXPECT_TRUE(standin_events()->empty());
}

TEST_F(EntryTest, UnloadBeforeTheScriptEverRanStillWithdrawsBoth) {
    DllMain(fakeModule(), DLL_PROCESS_ATTACH, nullptr);
    DllMain(fakeModule(), DLL_PROCESS_DETACH, nullptr);
    EXPECT_EQ(standin_scriptStarts(), 0u);
    EXPECT_FALSE(standin_scriptRegistered());
    EXPECT_FALSE(standin_handlerRegistered());
    EXPECT_EQ(standin_runFrame(), 0) << "an unregistered script is never run";
}

TEST_F(EntryTest, ScriptRunsOncePerFrameAndNeverAfterUnload) {
    DllMain(fakeModule(), DLL_PROCESS_ATTACH, nullptr);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(standin_runFrame(), 1);
    EXPECT_EQ(standin_scriptStarts(), 1u) << "scriptMain is entered once";
    const auto& frames = world().history;
    ASSERT_EQ(frames.size(), 3u);
    for (const auto& fr : frames) {
        // Each pass looks the player up once and ends with one wait of 0 ms.
        int lookups = 0;
        for (const auto& c : fr.calls) lookups += c.hash == 0x217E9DC48139933DULL;
        EXPECT_EQ(lookups, 1);
        EXPECT_EQ(fr.waits, std::vector<std::uint32_t>{0});
    }
    DllMain(fakeModule(), DLL_PROCESS_DETACH, nullptr);
    EXPECT_EQ(standin_runFrame(), 0);
    EXPECT_TRUE(world().history.back().calls.empty());
}

TEST_F(EntryTest, TheScriptLoadsPacelarkIniOnceAndStartsFromItsValues) {
    configtest::ScratchDir dir;
    configtest::writeBytes("Pacelark.ini", "[SETTINGS]\nINITIAL_WALK_SPEED=2.25\nDISABLE_HORSE_SUPPORT=true\n");
    DllMain(fakeModule(), DLL_PROCESS_ATTACH, nullptr);
    standin_runFrame();
    configtest::writeBytes("Pacelark.ini", "[SETTINGS]\nINITIAL_WALK_SPEED=2.5\n");
    standin_runFrame();
    for (const auto& fr : world().history) {
        const auto primary = std::find_if(fr.calls.begin(), fr.calls.end(),
                                          [](const Call& c) { return c.hash == 0x433083750C5E064AULL; });
        ASSERT_NE(primary, fr.calls.end());
        EXPECT_EQ(primary->args[1], 0x40100000u) << "2.25, read once at the start";
    }
    EXPECT_TRUE(modState.horseSupportOff) << "support starts as the settings say";
    DllMain(fakeModule(), DLL_PROCESS_DETACH, nullptr);
}

TEST_F(EntryTest, KeyMessagesBeforeTheScriptStartsAreRecordedAndToggle) {
    standin_setTick(5000);
    DllMain(fakeModule(), DLL_PROCESS_ATTACH, nullptr);
    EXPECT_EQ(standin_key(0x79, 1, 0x44, 0, 0, 1, 1), 1);
    EXPECT_EQ(keyStateTable[0x79].time.load(), 5000u);
    standin_runFrame();
    EXPECT_FALSE(modState.modEnabled);
    DllMain(fakeModule(), DLL_PROCESS_DETACH, nullptr);
    EXPECT_EQ(standin_key(0x79, 1, 0x44, 0, 0, 1, 1), 0) << "no message after the handler is withdrawn";
}

class KeyTableTest : public PluginTest {};

TEST_F(KeyTableTest, ResetsClearAllFourFieldsOfEveryRecord) {
    const auto stampAll = [] {
        standin_setTick(1234);
        for (DWORD k = 0; k < KEY_TABLE_SIZE; ++k) onKeyboardMessage(k, 1, 0, 0, 1, 1, 1);
    };
    const auto fields = [](DWORD k) {
        const KeyState& s = keyStateTable[k];
        return std::vector<std::uint32_t>{s.time, s.isWithAlt, s.wasDownBefore, s.isUpNow};
    };
    const std::vector<std::uint32_t> zero(4, 0);
    stampAll();
    resetKeyState(0x41);
    EXPECT_EQ(fields(0x41), zero);
    EXPECT_EQ(fields(0x42), (std::vector<std::uint32_t>{1234, 1, 1, 1}));
    stampAll();
    resetPluginState();
    for (DWORD k = 0; k < KEY_TABLE_SIZE; ++k) ASSERT_EQ(fields(k), zero) << k;
}

TEST_F(KeyTableTest, HandlerStoresTheMessageFieldsAndIgnoresCodesFrom255) {
    standin_setTick(1234);
    onKeyboardMessage(0x41, 3, 0x1E, 1, 1, 1, 0);
    EXPECT_EQ(keyStateTable[0x41].time.load(), 1234u);
    EXPECT_EQ(keyStateTable[0x41].isWithAlt.load(), 1u);
    EXPECT_EQ(keyStateTable[0x41].wasDownBefore.load(), 1u);
    EXPECT_EQ(keyStateTable[0x41].isUpNow.load(), 0u);
    onKeyboardMessage(0x41, 1, 0, 0, -1, 0, -2);  // BOOLs are stored as given
    EXPECT_EQ(keyStateTable[0x41].isWithAlt.load(), 0xFFFFFFFFu);
    EXPECT_EQ(keyStateTable[0x41].isUpNow.load(), 0xFFFFFFFEu);
    onKeyboardMessage(254, 1, 0, 0, 0, 1, 1);
    EXPECT_TRUE(isKeyJustUp(254)) << "the table holds codes 0 to 254";
    resetKeyState(254);
    for (DWORD k : {DWORD{255}, DWORD{256}, DWORD{0xFFFFFFFF}}) {
        onKeyboardMessage(k, 1, 0, 0, 0, 1, 1);
        EXPECT_FALSE(isKeyJustUp(k));
    }
    for (DWORD k = 0; k < KEY_TABLE_SIZE; ++k)
        if (k != 0x41) {
            EXPECT_EQ(keyStateTable[k].time.load(), 0u) << k;
        }
}

TEST_F(KeyTableTest, ReleaseCountsForLessThan100Ms) {
    standin_setTick(10000);
    releaseKey(0x79);
    standin_setTick(10099);
    EXPECT_TRUE(isKeyJustUp(0x79));
    EXPECT_TRUE(isKeyJustUp(0x79)) << "a query does not consume";
    standin_setTick(10100);
    EXPECT_FALSE(isKeyJustUp(0x79));
    EXPECT_EQ(keyStateTable[0x79].isUpNow.load(), 1u) << "a late query leaves the record";
    standin_setTick(10050);
    resetKeyState(0x79);
    EXPECT_FALSE(isKeyJustUp(0x79));
    EXPECT_EQ(keyStateTable[0x79].time.load(), 0u);
}

TEST_F(KeyTableTest, HeldOrRepressedKeysAndUntouchedRecordsAreNotJustUp) {
    standin_setTick(500);
    onKeyboardMessage(0x20, 1, 0, 0, 0, 0, 0);  // down
    EXPECT_FALSE(isKeyJustUp(0x20));
    releaseKey(0x21);
    onKeyboardMessage(0x21, 1, 0, 0, 0, 0, 0);  // pressed again before the poll
    EXPECT_FALSE(isKeyJustUp(0x21));
    EXPECT_FALSE(isKeyJustUp(0x22));
    standin_setTick(50);  // an untouched record at a tick inside its window
    EXPECT_FALSE(isKeyJustUp(0x22));
}

TEST_F(KeyTableTest, WindowSurvivesTheTickCounterWrap) {
    // Stamped 30 ms before the wrap: just up on both sides of it.
    standin_setTick(0xFFFFFFE2u);
    releaseKey(0x79);
    standin_setTick(0xFFFFFFFFu);
    EXPECT_TRUE(isKeyJustUp(0x79));
    standin_setTick(0);
    EXPECT_TRUE(isKeyJustUp(0x79));
    standin_setTick(69);
    EXPECT_TRUE(isKeyJustUp(0x79));
    standin_setTick(70);
    EXPECT_FALSE(isKeyJustUp(0x79));
    // Stamped 10 ms after the wrap, queried before the stamp (clock went back).
    standin_setTick(10);
    releaseKey(0x7A);
    standin_setTick(0xFFFFFFF0u);
    EXPECT_FALSE(isKeyJustUp(0x7A));
}

TEST_F(KeyTableTest, ConcurrentStampingAndPollingKeepsFieldsWhole) {
    std::atomic<bool> started{false}, stop{false};
    standin_setTick(100);
    // Every field flips between all-zero and all-one bits, so a torn read of
    // any of them shows as a mixed pattern.
    std::thread writer([&] {
        for (int i = 0; !stop; ++i) {
            const BOOL bits = (i & 1) ? -1 : 0;
            onKeyboardMessage(0x79, 1, 0, 0, bits, bits, 1);
            started = true;
        }
    });
    while (!started) std::this_thread::yield();
    int seen = 0;
    for (int i = 0; i < 20000; ++i) {
        if (isKeyJustUp(0x79)) {
            ++seen;
            resetKeyState(0x79);
        }
        for (const auto* field : {&keyStateTable[0x79].isWithAlt, &keyStateTable[0x79].wasDownBefore}) {
            const std::uint32_t v = field->load(std::memory_order_relaxed);
            ASSERT_TRUE(v == 0u || v == 0xFFFFFFFFu) << std::hex << v;
        }
    }
    stop = true;
    writer.join();
    EXPECT_GT(seen, 0) << "the poll never met a release while the writer ran";
}

// Written out here from the game's own list, apart from the plug-in's names:
// the stand-in answers by the same names, so only literals catch a wrong code.
TEST(GameCodes, AreTheGamesOwn) {
    const std::pair<NativeHash, std::uint64_t> natives[] = {
        {nativePlayerIndex, 0x217E9DC48139933DULL}, {nativePlayerCharacter, 0x275F255ED201B937ULL},
        {nativeIsMounted, 0x460BC76A0E10655EULL}, {nativeMountOf, 0xE7E11B8DCBED1058ULL},
        {nativeEntityBlocked, 0x997ABD671D25CA0BULL}, {nativeSuppressControl, 0xFE99B66D079CF6BCULL},
        {nativeControlQuery, 0xF3A21BCD95725A4AULL}, {nativeControlQuerySecondary, 0x50F940259D3841E6ULL},
        {nativeSetSpeedPrimary, 0x433083750C5E064AULL}, {nativeSetSpeedSecondary, 0x01A898D26E2333DDULL},
        {nativeSetControlValue, 0xE8A25867FBA3B05EULL}, {nativeTextScale, 0x4170B650590B3B00ULL},
        {nativeTextColour, 0x50A41AD966910F03ULL}, {nativeTextFlag, 0xBE5261939FBECB8CULL},
        {nativeTextSetup, 0x1BE39DBAA7263CA5ULL}, {nativeTextHandle, 0xFA925AC00EB830B9ULL},
        {nativeTextDraw, 0xD79334A4BB99BAD1ULL}, {nativeRectDraw, 0x405224591DF02025ULL},
        {nativeHudGate, 0x1B82FD5FFA4D666EULL}, {nativeHudGateOverride, 0x74F1D22EFA71FAB8ULL},
        {nativeEntitySpeed, 0x8517D4A6CA8513EDULL},
    };
    for (const auto& [code, expected] : natives) EXPECT_EQ(code, expected) << std::hex << expected;

    const std::vector<std::uint32_t> controls = {
        kSpeedUpControl, kSpeedDownControl, kTakenControls[0], kTakenControls[1], kAutoWalkControl,
        kOnFootControls.pace, kOnFootControls.move[0], kOnFootControls.move[1], kOnFootControls.move[2],
        kOnFootControls.move[3], kMountedControls.pace, kMountedControls.move[0], kMountedControls.move[1],
        kMountedControls.move[2], kMountedControls.move[3]};
    EXPECT_EQ(controls, (std::vector<std::uint32_t>{0x81457A1Au, 0x9DA42644u, 0xFD0F0C2Cu, 0xCC1075A7u, 0x3BBDEFEFu,
                                                    0x8FFC75D6u, 0x8FD015D8u, 0x7065027Du, 0xB4E465B4u, 0xD27782E3u,
                                                    0x5AA007D7u, 0x699487BBu, 0x86D773F6u, 0x7E6B8612u, 0x56F82045u}));
}

TEST(NativeSlot, EncodesEachArgumentKindInOneSlot) {
    EXPECT_EQ(nativeSlot(3.0f), 0x0000000040400000ULL);
    EXPECT_EQ(nativeSlot(-1.0f), 0x00000000BF800000ULL);
    EXPECT_EQ(nativeSlot(std::uint32_t{0x8FFC75D6u}), 0x000000008FFC75D6ULL);
    EXPECT_EQ(nativeSlot(std::int32_t{-1}), 0x00000000FFFFFFFFULL);
    EXPECT_EQ(nativeSlot(true), 1u);
    EXPECT_EQ(nativeSlot(false), 0u);
    EXPECT_EQ(nativeSlot(std::uint64_t{0xFEDCBA9876543210ULL}), 0xFEDCBA9876543210ULL);
    const char* text = "x";
    EXPECT_EQ(nativeSlot(text), static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(text)));
}

TEST(NativeResult, ReadsThirtyTwoOrSixtyFourBits) {
    std::uint64_t area[2] = {0xAAAAAAAA3FC00000ULL, 0};
    EXPECT_EQ(nativeResult<float>(area), 1.5f);
    EXPECT_EQ(nativeResult<std::int32_t>(area), 0x3FC00000);
    EXPECT_EQ(nativeResult<std::uint64_t>(area), 0xAAAAAAAA3FC00000ULL);
}

TEST_F(EntryTest, InvokeNativeRecordsHashSlotsAndResultAndUnknownHashesAnswerZero) {
    world().beginFrame(0);
    EXPECT_EQ(invokeNative<std::int32_t>(0x1234567890ABCDEFULL, 1.0f, std::int32_t{-2}, true), 0);
    const auto& calls = currentCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].hash, 0x1234567890ABCDEFULL);
    EXPECT_EQ(calls[0].args, (std::vector<std::uint64_t>{0x3F800000u, 0xFFFFFFFEu, 1u}));
    EXPECT_EQ(world().unknownCalls, 1u);
    // A stale handle is answered quietly.
    EXPECT_EQ(invokeNative<std::int32_t>(nativeIsMounted, std::int32_t{0}), 0);
    EXPECT_EQ(invokeNative<float>(nativeEntitySpeed, std::int32_t{0}), 0.0f);
}

}  // namespace
