// Regressions for faults found by the soak and the fuzzers.
#include "support.h"

using namespace plktest;

namespace {

bool noticeBoxDrawn() {
    for (const auto& d : world().current.draws)
        if (d.kind == standin::DrawItem::Rect && d.h == 0.035f) return true;
    return false;
}

class NoticeBeforeFirstToggle : public PluginTest {};

// Found by the soak: with the initial deadline 0, the wrap-safe window made a
// "PLK: On" notice appear in the last 2000 ms before the counter wraps, and
// the plain comparison showed one at tick 0, although nothing was toggled.
TEST_F(NoticeBeforeFirstToggle, NothingIsShownAtAnyTickUntilAToggle) {
    for (std::uint32_t tick : {0u, 1u, 2000u, 0xFFFFF830u, 0xFFFFFFFFu}) {
        standin_setTick(tick);
        pass();
        EXPECT_FALSE(noticeBoxDrawn()) << "tick " << tick;
    }
}

TEST_F(NoticeBeforeFirstToggle, ADeadlineThatWrapsToZeroIsShownUpToIt) {
    standin_setTick(0xFFFFF830u);  // deadline 0xFFFFF830 + 2000 = 0 after the wrap
    releaseKey(0x7A);
    pass();
    EXPECT_EQ(modState.noticeDeadline, 0u);
    EXPECT_TRUE(noticeBoxDrawn());
    for (std::uint32_t tick : {0xFFFFFFFFu, 0u}) {
        standin_setTick(tick);
        pass();
        EXPECT_TRUE(noticeBoxDrawn()) << "tick " << tick;
    }
    standin_setTick(1);
    pass();
    EXPECT_FALSE(noticeBoxDrawn());
}

}  // namespace
