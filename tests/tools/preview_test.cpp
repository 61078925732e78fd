// One pass of the plug-in arranged as a preview asks.
#include <gtest/gtest.h>

#include <algorithm>

#include "hud/notice.h"
#include "tools/lib/preview.h"

namespace {

std::size_t noticeTexts(const PreviewFrame& f) {
    return static_cast<std::size_t>(std::count_if(f.draws.begin(), f.draws.end(), [](const standin::DrawItem& d) {
        return d.kind == standin::DrawItem::Text && d.scale == kNoticeTextScale;
    }));
}

TEST(Preview, ShowsANoticeOnlyWhenAskedFor) {
    const PreviewFrame plain = previewFrame({});
    EXPECT_EQ(plain.draws.size(), 6u);  // two rows of background, bar and label
    EXPECT_EQ(noticeTexts(plain), 0u);
    PreviewRequest asked;
    asked.notice = PreviewRequest::Notice{kNoticeAutoWalk, true};
    const PreviewFrame withNotice = previewFrame(asked);
    EXPECT_EQ(noticeTexts(withNotice), 2u);
    EXPECT_FALSE(withNotice.noticeRefused);
}

}  // namespace
