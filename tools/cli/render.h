// Paints a frame's draw list as the game would place it, over a neutral
// backdrop, into a PNG. Native only (Cairo).
#pragma once

#include <filesystem>
#include <vector>

#include "standin/world.h"

inline constexpr int kRenderWidth = 1920;
inline constexpr int kRenderHeight = 1080;

// Text scale to font size: an em of scale × screen height / 20 pixels, so the
// notice's scale 0.5 is 27 px and the labels' 0.2 is 10.8 px at 1080 lines.
double textPixelSize(float scale, int height = kRenderHeight);

// Where a text's ink lands, in pixels. A text's x, y is the top left of its line.
struct PixelBox {
    double left = 0, top = 0, right = 0, bottom = 0;
};
PixelBox textInkBox(const standin::DrawItem& text, int width = kRenderWidth, int height = kRenderHeight);
PixelBox rectBox(const standin::DrawItem& rect, int width = kRenderWidth, int height = kRenderHeight);

// Throws FileError naming `png` when it cannot be written.
void renderDrawList(const std::vector<standin::DrawItem>& draws, const std::filesystem::path& png,
                    int width = kRenderWidth, int height = kRenderHeight);
