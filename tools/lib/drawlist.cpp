#include "tools/lib/drawlist.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "tools/lib/scenario.h"

namespace {

std::string num(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
    return buf;
}

std::string escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

class Reader {
public:
    Reader(const std::string& file, int line, const std::string& text) : file_(file), line_(line), in_(text) {}

    [[noreturn]] void fail(const std::string& what) const {
        throw std::runtime_error(file_ + ":" + std::to_string(line_) + ": " + what);
    }
    std::string word() {
        std::string w;
        if (!(in_ >> w)) fail("the line ends too early");
        return w;
    }
    float real() {
        const std::string w = word();
        char* end = nullptr;
        const float v = std::strtof(w.c_str(), &end);
        if (end != w.c_str() + w.size()) fail("'" + w + "' is not a number");
        return v;
    }
    unsigned long long whole() {
        const std::string w = word();
        char* end = nullptr;
        errno = 0;
        const unsigned long long v = std::strtoull(w.c_str(), &end, 10);
        if (w.empty() || w[0] == '-' || errno || end != w.c_str() + w.size()) fail("'" + w + "' is not a whole number");
        return v;
    }
    void done() {
        std::string extra;
        if (in_ >> extra) fail("unexpected '" + extra + "'");
    }
    // The rest of the line after one blank, unescaped.
    std::string rest() {
        std::string r;
        std::getline(in_, r);
        if (!r.empty() && r[0] == ' ') r.erase(0, 1);
        std::string out;
        for (std::size_t i = 0; i < r.size(); ++i) {
            if (r[i] != '\\') {
                out += r[i];
                continue;
            }
            if (++i == r.size()) fail("a text ends in a lone backslash");
            if (r[i] == 'n') out += '\n';
            else if (r[i] == 'r') out += '\r';
            else if (r[i] == '\\') out += '\\';
            else fail(std::string("unknown escape \\") + r[i]);
        }
        return out;
    }

private:
    std::string file_;
    int line_;
    std::istringstream in_;
};

}  // namespace

std::string formatDrawList(const std::vector<DrawSnapshot>& snapshots) {
    std::string out = "# pacelark draw list\n";
    for (const DrawSnapshot& s : snapshots) {
        out += "frame " + s.name + " " + std::to_string(s.frame) + " " + std::to_string(s.tick) + "\n";
        for (const standin::DrawItem& d : s.draws) {
            std::string colour;
            for (std::uint64_t c : {d.r, d.g, d.b, d.a}) colour.append(" ").append(std::to_string(c));
            if (d.kind == standin::DrawItem::Rect)
                out += "rect " + num(d.cx) + " " + num(d.cy) + " " + num(d.w) + " " + num(d.h) + colour + "\n";
            else
                out += "text " + num(d.cx) + " " + num(d.cy) + " " + num(d.scale) + (d.flag ? " 1" : " 0") +
                       colour + " " + escape(d.text) + "\n";
        }
        out += "end\n";
    }
    return out;
}

std::vector<DrawSnapshot> parseDrawList(const std::string& text, const std::string& file) {
    std::vector<DrawSnapshot> out;
    std::istringstream in(text);
    bool open = false;
    int line = 0;
    for (std::string raw; std::getline(in, raw);) {
        ++line;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        if (raw.empty() || raw[0] == '#') continue;
        Reader r(file, line, raw);
        const std::string kind = r.word();
        if (kind == "frame") {
            if (open) r.fail("'frame' before the previous frame's 'end'");
            DrawSnapshot s;
            s.name = r.word();
            // The name becomes a file name under the output folder.
            if (!isValidSnapshotName(s.name))
                r.fail("frame name '" + s.name + "' may hold only letters, digits, '-' and '_'");
            s.frame = r.whole();
            s.tick = static_cast<std::uint32_t>(r.whole());
            r.done();
            out.push_back(std::move(s));
            open = true;
        } else if (kind == "end") {
            if (!open) r.fail("'end' without 'frame'");
            r.done();
            open = false;
        } else if (kind == "rect" || kind == "text") {
            if (!open) r.fail("'" + kind + "' outside a frame");
            standin::DrawItem d;
            d.kind = kind == "rect" ? standin::DrawItem::Rect : standin::DrawItem::Text;
            d.cx = r.real();
            d.cy = r.real();
            if (d.kind == standin::DrawItem::Rect) {
                d.w = r.real();
                d.h = r.real();
            } else {
                d.scale = r.real();
                d.flag = r.whole() != 0;
            }
            d.r = r.whole();
            d.g = r.whole();
            d.b = r.whole();
            d.a = r.whole();
            if (d.kind == standin::DrawItem::Text) d.text = r.rest();
            else r.done();
            out.back().draws.push_back(std::move(d));
        } else {
            r.fail("unknown line '" + kind + "'");
        }
    }
    if (open) throw std::runtime_error(file + ":" + std::to_string(line) + ": the last frame has no 'end'");
    return out;
}
