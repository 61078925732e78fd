// The scenario format and the key names it uses.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "tools/lib/keynames.h"
#include "tools/lib/scenario.h"

namespace {

TEST(Scenario, EveryActionParsesIntoItsEventOrState) {
    const Scenario s = parseScenario(
        "# a comment\n"
        "frames 50   # trailing comment\n"
        "\n"
        "3 tap F10\n"
        "4 press 0x79\n"
        "5 release vk_f10\n"
        "6 mount\n"
        "7 dismount\n"
        "8 tick 0xFFFFFFF0\n"
        "9 advance 500\n"
        "10 step 16\n"
        "11 snapshot\n"
        "12 snapshot wide-view\n"
        "1-2 hold speed-up move 0x12345678\n"
        "2-4 hold pace-hold\n"
        "5-9 blocked\n"
        "6 gate 1 -1\n"
        "7-8 report 2.5\n",
        "s.txt");
    ASSERT_EQ(s.frames, 50u);
    ASSERT_EQ(s.events.size(), 10u);
    EXPECT_EQ(s.events[0].kind, ScenarioEventKind::Tap);
    EXPECT_EQ(s.events[0].value, 121u);
    EXPECT_EQ(s.events[0].line, 4);
    EXPECT_EQ(s.events[1].kind, ScenarioEventKind::Press);
    EXPECT_EQ(s.events[1].value, 121u);
    EXPECT_EQ(s.events[2].kind, ScenarioEventKind::Release);
    EXPECT_EQ(s.events[2].value, 121u);
    EXPECT_EQ(s.events[3].kind, ScenarioEventKind::Mount);
    EXPECT_EQ(s.events[4].kind, ScenarioEventKind::Dismount);
    EXPECT_EQ(s.events[5].kind, ScenarioEventKind::SetTick);
    EXPECT_EQ(s.events[5].value, 0xFFFFFFF0u);
    EXPECT_EQ(s.events[6].kind, ScenarioEventKind::Advance);
    EXPECT_EQ(s.events[7].kind, ScenarioEventKind::SetStep);
    EXPECT_EQ(snapshotName(s.events[8]), "frame-11");
    EXPECT_EQ(snapshotName(s.events[9]), "wide-view");

    ASSERT_EQ(s.spans.size(), 5u);
    const ScenarioSpan& hold = s.spans[0];
    EXPECT_EQ(hold.first, 1u);
    EXPECT_EQ(hold.last, 2u);
    // Named movement controls answer for the character and for the mount.
    EXPECT_EQ(hold.controls, (std::vector<std::uint32_t>{0x81457A1Au, 0x8FD015D8u, 0x699487BBu, 0x12345678u}));
    EXPECT_TRUE(hold.secondary.empty());
    EXPECT_EQ(s.spans[1].secondary, (std::vector<std::uint32_t>{0x8FFC75D6u, 0x5AA007D7u}));
    EXPECT_TRUE(s.spans[1].controls.empty());
    EXPECT_EQ(s.spans[2].kind, SpanKind::Blocked);
    EXPECT_EQ(s.spans[3].kind, SpanKind::Gate);
    EXPECT_EQ(s.spans[3].first, 6u);
    EXPECT_EQ(s.spans[3].last, 6u);
    EXPECT_EQ(s.spans[3].gateOverride, -1);
    EXPECT_EQ(s.spans[4].speed, 2.5f);
}

TEST(Scenario, LengthDefaultsToSixtyFramesPastTheLastOneNamed) {
    EXPECT_EQ(parseScenario("10 tap F10\n5-40 hold move\n", "s").frameCount(), 101u);
    EXPECT_EQ(parseScenario("frames 7\n10 tap F10\n", "s").frameCount(), 7u);
}

TEST(Scenario, ABadLineNamesFileAndLine) {
    const char* bad[] = {
        "3 jump",                 // unknown action
        "3 tap F99",              // unknown key
        "3 tap 255",              // beyond the key table
        "3 tap",                  // key missing
        "3 tap F10 F11",          // one key only
        "9-3 hold move",          // range backwards
        "3-9 tap F10",            // an event spans no range
        "x tap F10",              // not a frame
        "0x3 tap F10",            // frames are decimal
        "3",                      // no action
        "3 tick -1",              // negative tick
        "3 tick 4294967296",      // beyond 32 bits
        "3 advance soon",         // not a number
        "3 mount now",            // mount takes nothing
        "3 snapshot a/b",         // not a plain name
        "3 snapshot a b",         // one name
        "3 hold",                 // no controls
        "3 hold sprint",          // unknown control
        "3 gate 1",               // two answers
        "3 report fast",          // not a number
        "3 report nan",           // not finite
        "3 blocked yes",          // takes nothing
        "frames 0",               // nothing to run
        "frames",                 // count missing
        "99999999 tap F10",       // beyond the frame limit
        "ini a\\qb",              // unknown escape in a settings line
        "ini \\x4",              // two hex digits
        "ini ends\\",            // nothing to escape
    };
    for (const char* line : bad) {
        SCOPED_TRACE(line);
        try {
            parseScenario(std::string("1 tap F10\n# fine\n") + line + "\n4 tap F11\n", "dir/bad.txt");
            ADD_FAILURE() << "accepted";
        } catch (const ScenarioError& e) {
            EXPECT_EQ(e.line, 3);
            EXPECT_EQ(std::string(e.what()).rfind("dir/bad.txt:3: ", 0), 0u) << e.what();
            EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos);
        }
    }
}

// A scenario written out reads back the same, settings file byte for byte.
TEST(Scenario, WrittenOutItReadsBackTheSame) {
    Scenario s = parseScenario(
        "frames 90\n"
        "0 step 17\n"
        "3 press F10\n3 release 0x79\n4 tap 7\n"  // code 7 has no name
        "6 mount\n7 dismount\n8 tick 0xFFFFFFF0\n9 advance 500\n11 snapshot\n12 snapshot wide\n"
        "1-2 hold speed-up move pace-hold 0x12345678 move\n"
        "5-9 blocked\n6 gate 1 -1\n7-8 report 0.1\n7 report 2.5\n",
        "s.txt");
    using namespace std::string_literals;
    s.ini = "; caf\xE9\r\n[SETTINGS] # not a comment\n\tA=\\1\x01\0\x7F\xC3\xA9 \n\nB=2 "s;
    const std::string text = formatScenario(s);
    const Scenario back = parseScenario(text, "back.txt");
    EXPECT_EQ(back.frames, s.frames);
    EXPECT_EQ(back.ini, s.ini) << text;
    ASSERT_EQ(back.events.size(), s.events.size()) << text;
    for (std::size_t i = 0; i < s.events.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(back.events[i].frame, s.events[i].frame);
        EXPECT_EQ(back.events[i].kind, s.events[i].kind);
        EXPECT_EQ(back.events[i].value, s.events[i].value);
        EXPECT_EQ(back.events[i].name, s.events[i].name);
    }
    ASSERT_EQ(back.spans.size(), s.spans.size()) << text;
    for (std::size_t i = 0; i < s.spans.size(); ++i) {
        SCOPED_TRACE(i);
        const ScenarioSpan &a = back.spans[i], &b = s.spans[i];
        EXPECT_EQ(a.first, b.first);
        EXPECT_EQ(a.last, b.last);
        EXPECT_EQ(a.kind, b.kind);
        EXPECT_EQ(std::multiset<std::uint32_t>(a.controls.begin(), a.controls.end()),
                  std::multiset<std::uint32_t>(b.controls.begin(), b.controls.end()));
        EXPECT_EQ(a.secondary, b.secondary);
        EXPECT_EQ(a.gate, b.gate);
        EXPECT_EQ(a.gateOverride, b.gateOverride);
        EXPECT_EQ(a.speed, b.speed);
    }
    // Settings lines stay readable; only what an editor could lose is escaped.
    EXPECT_NE(text.find("\nini [SETTINGS] # not a comment\\n\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nini B=2\\x20\n"), std::string::npos) << text;
    // Plain ASCII: no decode on the way to the player's disk can change a byte.
    EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](unsigned char c) { return c < 0x80; })) << text;
    // A settings file of no bytes is still one the plug-in finds.
    Scenario empty;
    empty.ini = "";
    EXPECT_EQ(parseScenario(formatScenario(empty), "e").ini, std::optional<std::string>(""));
}

TEST(Scenario, SnapshotNamesMustBeUnique) {
    try {
        parseScenario("5 snapshot\n6 snapshot frame-5\n", "s.txt");
        ADD_FAILURE() << "accepted";
    } catch (const ScenarioError& e) {
        EXPECT_EQ(e.line, 2);
        EXPECT_NE(std::string(e.what()).find("line 1"), std::string::npos);
    }
}

TEST(Scenario, AMissingFileIsOneErrorNamingIt) {
    try {
        loadScenario("/nonexistent/scenario.txt");
        ADD_FAILURE() << "accepted";
    } catch (const ScenarioError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("/nonexistent/scenario.txt: ", 0), 0u);
    }
}

TEST(KeyNames, EveryNamedCodeParsesBackByNameAndByCode) {
    int named = 0;
    for (int code = 0; code < 255; ++code) {
        const std::string name(keyName(code));
        EXPECT_EQ(parseKey(std::to_string(code)), code);
        if (name.empty()) continue;
        ++named;
        // Digit keys share their text with codes; the code reading wins.
        if (name.size() == 1 && std::isdigit(static_cast<unsigned char>(name[0]))) continue;
        EXPECT_EQ(parseKey(name), code) << name;
        EXPECT_EQ(parseKey("vk_" + name), code) << name;
    }
    EXPECT_GT(named, 150);
    EXPECT_EQ(parseKey("esc"), 0x1Bu);
    EXPECT_EQ(parseKey("~"), 0xC0u);
    EXPECT_FALSE(parseKey(""));
    EXPECT_FALSE(parseKey("F25"));
    EXPECT_FALSE(parseKey("-1"));
}

// What a recorded key line says must play back as the same key, digit keys included.
TEST(KeyNames, EveryCodeAsAScenarioWritesItReadsBackAsItself) {
    for (std::uint32_t code = 0; code < KEY_TABLE_SIZE; ++code) {
        Scenario s;
        parseScenarioLine(s, "0 press " + scenarioKeyText(code), 1);
        ASSERT_EQ(s.events.size(), 1u);
        EXPECT_EQ(s.events[0].value, code) << scenarioKeyText(code);
    }
    EXPECT_EQ(scenarioKeyText(0x79), "F10");
    EXPECT_EQ(scenarioKeyText(0x31), "49");
}

}  // namespace
