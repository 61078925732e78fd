// One line per figure, collected by bench/report.sh into the final table:
// FIGURE <tab> name <tab> value <tab> goal <tab> verdict
#pragma once

#include <cstdio>
#include <string>

namespace figures {

inline std::string fmt(const char* f, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

inline void print(const std::string& name, const std::string& value, const std::string& goal = "",
                  const char* verdict = "") {
    std::printf("FIGURE\t%s\t%s\t%s\t%s\n", name.c_str(), value.c_str(), goal.c_str(), verdict);
    std::fflush(stdout);
}

inline const char* verdict(bool met) { return met ? "met" : "MISSED"; }

}  // namespace figures
