// Text and filled rectangles through game natives; nothing is retained.
#pragma once

#include <cstdint>

void drawText(float x, float y, const char* text, float scale, bool textFlag, std::uint64_t red,
              std::uint64_t green, std::uint64_t blue, std::uint64_t alpha);
void drawRectCentred(float centreX, float centreY, float width, float height, std::uint32_t red,
                     std::uint32_t green, std::uint32_t blue, std::uint32_t alpha);
void drawRect(float left, float top, float width, float height, std::uint32_t red,
              std::uint32_t green, std::uint32_t blue, std::uint32_t alpha);

// The constant text passed ahead of every caller's text.
extern const char kLiteralString[];
