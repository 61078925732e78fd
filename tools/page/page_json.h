// JSON pieces both of the page's entry points (page_api, try_api) share:
// strings, floats and the draw items of a pass.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "standin/world.h"

namespace pagejson {

// The page's own text and the report are UTF-8 or escaped ASCII already; a
// value's bytes go as the file holds them, and the page's lossy decode of the
// whole buffer reads them as it reads the file.
inline std::string string(std::string_view s) {
    std::string j = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\') {
            j += '\\';
            j += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            j += buf;
        } else {
            j += c;
        }
    }
    return j + "\"";
}

// Nine significant digits read back to the same float, at a fraction of the
// cost of the shortest text (a live frame formats some thirty). Positions
// may be NaN or infinite when the settings say so: JSON null.
inline std::string number(float v) {
    if (!std::isfinite(v)) return "null";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
    return buf;
}

// {"rect":true,"cx":..,"cy":..,"w":..,"h":..,"rgba":[..]} or
// {"rect":false,"x":..,"y":..,"scale":..,"flag":..,"text":..,"rgba":[..]}, appended to `out`.
inline void appendDraw(std::string& out, const standin::DrawItem& d) {
    if (d.kind == standin::DrawItem::Rect)
        out += "{\"rect\":true,\"cx\":" + number(d.cx) + ",\"cy\":" + number(d.cy) + ",\"w\":" + number(d.w) +
               ",\"h\":" + number(d.h);
    else
        out += "{\"rect\":false,\"x\":" + number(d.cx) + ",\"y\":" + number(d.cy) + ",\"scale\":" + number(d.scale) +
               ",\"flag\":" + (d.flag ? "true" : "false") + ",\"text\":" + string(d.text);
    out += ",\"rgba\":[" + std::to_string(d.r) + "," + std::to_string(d.g) + "," + std::to_string(d.b) + "," +
           std::to_string(d.a) + "]}";
}

// A JSON array of draw items, appended to `out`.
template <class Draws>
void appendDraws(std::string& out, const Draws& draws) {
    out += '[';
    bool first = true;
    for (const standin::DrawItem& d : draws) {
        if (!first) out += ',';
        first = false;
        appendDraw(out, d);
    }
    out += ']';
}

}  // namespace pagejson
