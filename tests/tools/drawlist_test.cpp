// Draw lists as text: what the Windows host writes, the renderer reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <cmath>
#include <limits>

#include "tools/lib/drawlist.h"

namespace {

standin::DrawItem rect(float cx, float cy, float w, float h) {
    standin::DrawItem d;
    d.kind = standin::DrawItem::Rect;
    d.cx = cx, d.cy = cy, d.w = w, d.h = h;
    d.r = 25, d.g = 300, d.b = 0, d.a = 255;
    return d;
}

standin::DrawItem text(const std::string& t, bool flag) {
    standin::DrawItem d;
    d.kind = standin::DrawItem::Text;
    d.cx = std::bit_cast<float>(0x3DE76C8Cu), d.cy = 0.006f, d.scale = 0.2f, d.flag = flag;
    d.r = d.g = d.b = 255, d.a = 200;
    d.text = t;
    return d;
}

TEST(DrawList, EveryFieldComesBackBitForBit) {
    const float awkward[] = {0.1f, 1.0f / 3.0f, std::numeric_limits<float>::denorm_min(), -0.0f, 1e30f,
                             std::bit_cast<float>(0x3CCCCCCCu)};
    std::vector<DrawSnapshot> in(2);
    in[0] = {"first", 12, 0xFFFFFFFFu, {}};
    for (float v : awkward) in[0].draws.push_back(rect(v, -v, v * 2, 0.01f));
    in[1] = {"texts", 13, 0, {}};
    for (const char* t : {"1.50", "", " leading and trailing ", "back\\slash", "two\nlines", "cr\rhere", "PLK HUD:"})
        in[1].draws.push_back(text(t, std::string(t).size() % 2 == 0));

    const std::vector<DrawSnapshot> out = parseDrawList(formatDrawList(in), "list.txt");
    ASSERT_EQ(out.size(), in.size());
    for (std::size_t s = 0; s < in.size(); ++s) {
        EXPECT_EQ(out[s].name, in[s].name);
        EXPECT_EQ(out[s].frame, in[s].frame);
        EXPECT_EQ(out[s].tick, in[s].tick);
        ASSERT_EQ(out[s].draws.size(), in[s].draws.size());
        for (std::size_t i = 0; i < in[s].draws.size(); ++i) {
            const standin::DrawItem &a = in[s].draws[i], &b = out[s].draws[i];
            EXPECT_EQ(a.kind, b.kind);
            for (auto f : {&standin::DrawItem::cx, &standin::DrawItem::cy, &standin::DrawItem::w,
                           &standin::DrawItem::h, &standin::DrawItem::scale})
                EXPECT_EQ(std::bit_cast<std::uint32_t>(a.*f), std::bit_cast<std::uint32_t>(b.*f));
            EXPECT_EQ(a.flag, b.flag);
            EXPECT_EQ(a.text, b.text);
            EXPECT_EQ(std::tie(a.r, a.g, a.b, a.a), std::tie(b.r, b.g, b.b, b.a));
        }
    }
}

TEST(DrawList, AnEmptyListAndEmptyFramesAreFine) {
    EXPECT_TRUE(parseDrawList(formatDrawList({}), "x").empty());
    const auto out = parseDrawList(formatDrawList({DrawSnapshot{"blank", 1, 2, {}}}), "x");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(out[0].draws.empty());
}

TEST(DrawList, ABadLineNamesFileAndLine) {
    const char* bad[] = {
        "rect 1 2 3 4 5 6 7 8",               // outside a frame
        "frame a 1 2\nframe b 1 2",           // no end before the next frame
        "frame a 1 2\nrect 1 2 3 4 5 6 7",    // a colour channel missing
        "frame a 1 2\nrect 1 2 x 4 5 6 7 8",  // not a number
        "frame a 1 2\nrect 1 2 3 4 -5 6 7 8", // negative channel
        "frame a 1 2\ntext 1 2 3 1 5 6 7 8 a\\q",  // unknown escape
        "frame a 1 2\ncircle 1 2",            // unknown line
        "frame a 1",                          // tick missing
        "end",                                // end without frame
        "frame a 1 2\nrect 1 2 3 4 5 6 7 8",  // no end at all
        "frame /tmp/x 1 2",                   // a name that leaves the output folder
        "frame ../../x 1 2",
        "frame a.b 1 2",
    };
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        const int lines = 1 + static_cast<int>(std::count(text, text + std::strlen(text), '\n'));
        try {
            parseDrawList(std::string("# header\n") + text + "\n", "d.txt");
            ADD_FAILURE() << "accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()).rfind("d.txt:" + std::to_string(lines + 1) + ": ", 0), 0u) << e.what();
        }
    }
}

}  // namespace
