#include "tools/cli/render.h"

#include <cairo.h>

#include <algorithm>
#include <memory>

#include "tools/lib/files.h"

namespace {

constexpr const char* kFont = "DejaVu Sans";

double channel(std::uint64_t c) { return static_cast<double>(std::min<std::uint64_t>(c, 255)) / 255.0; }

void setColour(cairo_t* cr, const standin::DrawItem& d) {
    cairo_set_source_rgba(cr, channel(d.r), channel(d.g), channel(d.b), channel(d.a));
}

void useFont(cairo_t* cr, float scale, int height) {
    cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, textPixelSize(scale, height));
}

// A muted sky over muted ground: neither hides nor flatters the HUD's colours.
void paintBackdrop(cairo_t* cr, int width, int height) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, height);
    cairo_pattern_add_color_stop_rgb(p, 0.0, 0.56, 0.60, 0.64);
    cairo_pattern_add_color_stop_rgb(p, 0.55, 0.66, 0.67, 0.66);
    cairo_pattern_add_color_stop_rgb(p, 0.56, 0.45, 0.43, 0.38);
    cairo_pattern_add_color_stop_rgb(p, 1.0, 0.33, 0.31, 0.28);
    cairo_set_source(cr, p);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

struct CairoDeleter {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};

}  // namespace

double textPixelSize(float scale, int height) { return static_cast<double>(scale) * height / 20.0; }

PixelBox rectBox(const standin::DrawItem& d, int width, int height) {
    return PixelBox{(d.cx - d.w / 2.0) * width, (d.cy - d.h / 2.0) * height, (d.cx + d.w / 2.0) * width,
                    (d.cy + d.h / 2.0) * height};
}

PixelBox textInkBox(const standin::DrawItem& d, int width, int height) {
    std::unique_ptr<cairo_surface_t, CairoDeleter> s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
    std::unique_ptr<cairo_t, CairoDeleter> cr(cairo_create(s.get()));
    useFont(cr.get(), d.scale, height);
    cairo_font_extents_t fe;
    cairo_font_extents(cr.get(), &fe);
    cairo_text_extents_t te;
    cairo_text_extents(cr.get(), d.text.c_str(), &te);
    const double x = d.cx * width, baseline = d.cy * height + fe.ascent;
    return PixelBox{x + te.x_bearing, baseline + te.y_bearing, x + te.x_bearing + te.width,
                    baseline + te.y_bearing + te.height};
}

void renderDrawList(const std::vector<standin::DrawItem>& draws, const std::filesystem::path& png, int width,
                    int height) {
    std::unique_ptr<cairo_surface_t, CairoDeleter> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    std::unique_ptr<cairo_t, CairoDeleter> crHolder(cairo_create(surface.get()));
    cairo_t* cr = crHolder.get();
    paintBackdrop(cr, width, height);
    cairo_font_options_t* fo = cairo_font_options_create();
    cairo_font_options_set_antialias(fo, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr, fo);
    cairo_font_options_destroy(fo);

    for (const standin::DrawItem& d : draws) {
        if (d.kind == standin::DrawItem::Rect) {
            const PixelBox b = rectBox(d, width, height);
            cairo_rectangle(cr, b.left, b.top, b.right - b.left, b.bottom - b.top);
            setColour(cr, d);
            cairo_fill(cr);
            continue;
        }
        useFont(cr, d.scale, height);
        cairo_font_extents_t fe;
        cairo_font_extents(cr, &fe);
        const double x = d.cx * width, y = d.cy * height + fe.ascent;
        if (d.flag) {
            // The text flag draws the text with a dark shadow.
            cairo_set_source_rgba(cr, 0, 0, 0, channel(d.a) * 0.8);
            cairo_move_to(cr, x + 1, y + 1);
            cairo_show_text(cr, d.text.c_str());
        }
        setColour(cr, d);
        cairo_move_to(cr, x, y);
        cairo_show_text(cr, d.text.c_str());
    }
    cairo_surface_flush(surface.get());

    const std::filesystem::path temp = temporaryNameFor(png);
    if (cairo_surface_write_to_png(surface.get(), temp.string().c_str()) != CAIRO_STATUS_SUCCESS) {
        std::error_code ec;
        std::filesystem::remove(temp, ec);
        throw FileError(png.string() + ": cannot write the picture");
    }
    commitFile(temp, png);
}
