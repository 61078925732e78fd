// Pictures of the HUD: the text scale mapping keeps the notice's words in
// their boxes, and pictures are written whole or not at all.
#include <gtest/gtest.h>

#include <cairo.h>

#include <filesystem>

#include "control/control_loop.h"
#include "hud/notice.h"
#include "hud/speed_bars.h"
#include "standin/standin.h"
#include "tests/tools/support.h"
#include "tools/lib/files.h"
#include "tools/lib/native_plugin.h"
#include "tools/cli/render.h"

namespace {

namespace fs = std::filesystem;

// What the plug-in's own drawing code draws for a notice.
std::vector<standin::DrawItem> drawnNotice(NoticeKind kind, bool flag) {
    loadNativePlugin();
    modState.noticeKind = kind;
    modState.modEnabled = modState.hudVisible = modState.autoWalk = flag;
    modState.horseSupportOff = !flag;
    standin::World& w = *standin_world();
    w.beginFrame(0);
    drawToggleNotice();
    std::vector<standin::DrawItem> draws = w.current.draws;
    unloadNativePlugin();
    return draws;
}

TEST(Render, EveryNoticeWordFitsItsBox) {
    for (NoticeKind kind : {kNoticeMod, kNoticeHud, kNoticeAutoWalk, kNoticeHorseSupport}) {
        for (bool flag : {true, false}) {
            const auto draws = drawnNotice(kind, flag);
            ASSERT_EQ(draws.size(), 3u);
            const PixelBox box = rectBox(draws[0]);
            const PixelBox label = textInkBox(draws[1]);
            const PixelBox word = textInkBox(draws[2]);
            SCOPED_TRACE(draws[1].text + " " + draws[2].text);
            EXPECT_GT(label.left, box.left);
            EXPECT_GT(label.top, box.top);
            EXPECT_LT(label.bottom, box.bottom);
            // A visible gap between label and word, and the word inside the box.
            EXPECT_GT(word.left - label.right, 4.0);
            EXPECT_LT(word.right, box.right);
            EXPECT_GT(word.top, box.top);
            EXPECT_LT(word.bottom, box.bottom);
        }
    }
}

TEST(Render, TheTwoRowsLabelsDoNotCollide) {
    loadNativePlugin();
    modState.desiredSpeed = 0.25f;
    standin::World& w = *standin_world();
    w.speedOverridden = true;
    w.speedOverride = 0.25f;
    w.beginFrame(0);
    drawSpeedBars(false);
    const std::vector<standin::DrawItem> draws = w.current.draws;
    unloadNativePlugin();
    ASSERT_EQ(draws.size(), 6u);
    const PixelBox upper = textInkBox(draws[2]), lower = textInkBox(draws[5]);
    EXPECT_LT(upper.bottom, lower.top);
    // Each label stands at its own bar's height.
    const PixelBox upperBar = rectBox(draws[0]), lowerBar = rectBox(draws[3]);
    EXPECT_LT(upper.top, upperBar.bottom);
    EXPECT_GT(upper.bottom, upperBar.top);
    EXPECT_LT(lower.top, lowerBar.bottom);
    EXPECT_GT(lower.bottom, lowerBar.top);
}

TEST(Render, APictureShowsTheRectanglesAtTheirPlace) {
    const auto draws = drawnNotice(kNoticeHud, false);
    const fs::path png = tooltest::scratch("render-notice.png");
    renderDrawList(draws, png);
    cairo_surface_t* s = cairo_image_surface_create_from_png(png.string().c_str());
    ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(s), kRenderWidth);
    EXPECT_EQ(cairo_image_surface_get_height(s), kRenderHeight);
    // Just inside the box's lower right corner: its dark grey, not the backdrop.
    const PixelBox box = rectBox(draws[0]);
    const int x = static_cast<int>(box.right) - 2, y = static_cast<int>(box.bottom) - 2;
    const unsigned char* data = cairo_image_surface_get_data(s);
    const std::uint32_t pixel =
        *reinterpret_cast<const std::uint32_t*>(data + y * cairo_image_surface_get_stride(s) + x * 4);
    EXPECT_EQ(pixel & 0xFFFFFFu, 0x191919u);
    cairo_surface_destroy(s);
    for (const auto& entry : fs::directory_iterator(png.parent_path()))
        EXPECT_EQ(entry.path().filename().string().find("render-notice.png.tmp"), std::string::npos);
}

TEST(Render, AnUnwritablePlaceIsAnErrorNamingItAndLeavesNothing) {
    const fs::path dir = tooltest::scratch("render-no-such-folder");
    try {
        renderDrawList({}, dir / "x.png");
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("x.png"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(dir));
}

}  // namespace
