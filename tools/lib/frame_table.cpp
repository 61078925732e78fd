#include "tools/lib/frame_table.h"

#include <cstdio>

namespace {

std::string flag(const std::optional<bool>& b) { return b ? (*b ? "on" : "off") : "?"; }

std::optional<bool> inverse(const std::optional<bool>& b) { return b ? std::optional<bool>(!*b) : std::nullopt; }

std::string speed(const std::optional<float>& v, const char* missing) {
    if (!v) return missing;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(*v));
    return buf;
}

}  // namespace

std::string frameTableHeader() {
    return "frame        tick  mod  overlay  autowalk  support  mounted  desired  primary  secondary  reported  notice";
}

std::string frameRowState(const FrameRow& r) {
    char buf[256];
    std::snprintf(buf, sizeof buf, "%-4s %-8s %-9s %-8s %-8s %-8s %-8s %-10s %-9s %s", flag(r.mod).c_str(),
                  flag(r.overlay).c_str(), flag(r.autoWalk).c_str(), flag(inverse(r.horseSupportOff)).c_str(),
                  r.mounted ? "yes" : "no", speed(r.desired, "?").c_str(), speed(r.primary, "-").c_str(),
                  speed(r.secondary, "-").c_str(), speed(r.reported, "-").c_str(),
                  r.notice.empty() ? "-" : r.notice.c_str());
    return buf;
}

std::string formatFrameRow(const FrameRow& r) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%5llu  %10u  ", static_cast<unsigned long long>(r.frame), r.tick);
    std::string line = buf + frameRowState(r);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

std::vector<FrameRow> changedRows(const std::vector<FrameRow>& rows) {
    std::vector<FrameRow> out;
    std::string last;
    for (const FrameRow& r : rows) {
        std::string state = frameRowState(r);
        if (out.empty() || state != last) out.push_back(r);
        last = std::move(state);
    }
    return out;
}
