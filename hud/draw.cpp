#include "hud/draw.h"

#include "host/native.h"

constexpr char kLiteralString[] = "LITERAL_STRING";

void drawText(float x, float y, const char* text, float scale, bool textFlag, std::uint64_t red,
              std::uint64_t green, std::uint64_t blue, std::uint64_t alpha) {
    invokeNative(nativeTextScale, scale, scale);
    invokeNative(nativeTextColour, red, green, blue, alpha);
    if (textFlag) invokeNative(nativeTextFlag, std::int32_t{1});
    const std::uint64_t zero = 0;
    invokeNative(nativeTextSetup, zero, zero, zero, zero, zero);
    const std::uint64_t handle =
        invokeNative<std::uint64_t>(nativeTextHandle, std::int32_t{10}, kLiteralString, text);
    invokeNative(nativeTextDraw, handle, x, y);
}

void drawRectCentred(float centreX, float centreY, float width, float height, std::uint32_t red,
                     std::uint32_t green, std::uint32_t blue, std::uint32_t alpha) {
    invokeNative(nativeRectDraw, centreX, centreY, width, height, red, green, blue, alpha,
                 std::int32_t{0}, std::int32_t{0});
}

void drawRect(float left, float top, float width, float height, std::uint32_t red,
              std::uint32_t green, std::uint32_t blue, std::uint32_t alpha) {
    // Two roundings each, as single-precision product then sum.
    const float halfWidth = width * 0.5f;
    const float halfHeight = height * 0.5f;
    const float centreX = halfWidth + left;
    const float centreY = halfHeight + top;
    drawRectCentred(centreX, centreY, width, height, red, green, blue, alpha);
}
