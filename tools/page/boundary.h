// What the page's two bindings (page_api.cpp, try_api.cpp) share: a file's
// bytes in and out, text as the page reads a file's, the draw items of a
// pass as the script's objects, and the toggles' names.
#pragma once

#include <emscripten/val.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "hud/notice.h"
#include "standin/world.h"

namespace page {

using emscripten::val;

// The toggles as the script names them, by notice kind: the plug-in, the
// speed bars, auto-walk and horse speed control.
inline constexpr const char* kToggleNames[kNoticeKinds] = {"plugin", "speedBars", "autoWalk", "horseSpeedControl"};

// The Try panel's part of the engine's facts (try_api.cpp): the held-input
// bits and the keys that hold each, the key messages, the key table's size.
val tryFacts();

// A Uint8Array's bytes, copied into the heap in one go (TypedArray.set).
inline std::string bytesIn(const val& array) {
    std::string bytes(array["length"].as<std::size_t>(), '\0');
    auto* at = reinterpret_cast<unsigned char*>(bytes.data());
    val(emscripten::typed_memory_view(bytes.size(), at)).call<void>("set", array);
    return bytes;
}

// Bytes as a Uint8Array of the script's own: a std::string result would
// reach the script decoded as UTF-8, which changes a player's Latin-1 byte.
// The view is copied (slice) while the bytes still live and before memory
// growth can detach it.
inline val bytesOut(std::string_view bytes) {
    const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
    return val(emscripten::typed_memory_view(bytes.size(), at)).call<val>("slice");
}

// Bytes from a file (a value's text, a report quoting it) as the page shows
// the file's own text: UTF-8, a bad byte as U+FFFD, the byte-order mark kept.
inline val textOut(const std::string& bytes) {
    // Short ASCII, most of what a check returns, is read as it is: cheaper
    // than a decoder's call.
    if (bytes.size() < 64 && std::all_of(bytes.begin(), bytes.end(), [](char c) { return c > 0 && c < 0x7F; }))
        return val(bytes.c_str());
    static const val decoder = [] {
        val options = val::object();
        options.set("ignoreBOM", true);
        return val::global("TextDecoder").new_(val("utf-8"), options);
    }();
    const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
    return decoder.call<val>("decode", val(emscripten::typed_memory_view(bytes.size(), at)));
}

// A pass's drawing: {rect: true, cx, cy, w, h, rgba} or {rect: false, x, y,
// scale, flag, text, rgba}; a position the settings make NaN stays NaN.
// A live frame makes some thirty: the property names are made once.
template <class Draws>
val drawsOut(const Draws& draws) {
    static const val rectKey("rect"), cxKey("cx"), cyKey("cy"), xKey("x"), yKey("y"), wKey("w"), hKey("h"),
        scaleKey("scale"), flagKey("flag"), textKey("text"), rgbaKey("rgba");
    val out = val::array();
    unsigned i = 0;
    for (const standin::DrawItem& d : draws) {
        val o = val::object();
        const bool rect = d.kind == standin::DrawItem::Rect;
        o.set(rectKey, rect);
        o.set(rect ? cxKey : xKey, d.cx);
        o.set(rect ? cyKey : yKey, d.cy);
        if (rect) {
            o.set(wKey, d.w);
            o.set(hKey, d.h);
        } else {
            o.set(scaleKey, d.scale);
            o.set(flagKey, d.flag);
            o.set(textKey, textOut(d.text));
        }
        val rgba = val::array();
        rgba.set(0, static_cast<double>(d.r));
        rgba.set(1, static_cast<double>(d.g));
        rgba.set(2, static_cast<double>(d.b));
        rgba.set(3, static_cast<double>(d.a));
        o.set(rgbaKey, rgba);
        out.set(i++, o);
    }
    return out;
}

}  // namespace page
