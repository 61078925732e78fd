// INI reader throughput on generated files of 1 MB and 10 MB (many sections
// and keys, long lines, many "\=" escapes), against inih with a handler that
// stores into a hash map. Both read the same files, in the same run. Then
// pacelark-sim check-ini on 60 MB of distinct keys: its time and peak memory.
#include <fcntl.h>
#include <ini.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/figures.h"
#include "config/ini.h"

namespace {

std::string generate(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string out;
    out.reserve(size + 16384);
    int section = 0, key = 0;
    while (out.size() < size) {
        out += "[Section_" + std::to_string(section++) + "]\n";
        const int keys = 10 + static_cast<int>(rng() % 30);
        for (int k = 0; k < keys; ++k, ++key) {
            const unsigned kind = rng() % 20;
            std::string line;
            if (kind == 0) {
                line = "; comment " + std::to_string(key);
            } else if (kind == 1) {
                // A long line: a few kilobytes of value.
                line = "long_" + std::to_string(key) + " = " + std::string(1000 + rng() % 7000, 'v');
            } else if (kind == 2 || kind == 3) {
                // Escapes in the key and many in the value.
                line = "k\\=" + std::to_string(key) + "\\=x = ";
                const int pairs = 5 + static_cast<int>(rng() % 200);
                for (int p = 0; p < pairs; ++p) line += "a\\=";
            } else {
                line = "Key_" + std::to_string(key) + " = value " + std::to_string(rng()) + " text";
            }
            out += line;
            out += (rng() % 4 == 0) ? "\r\n" : "\n";
        }
        out += "\n";
    }
    out.resize(out.rfind('\n', size - 1) + 1);  // within a line of the size asked for
    return out;
}

struct Store {
    std::unordered_map<std::string, std::string> values;
};

int storeHandler(void* user, const char* section, const char* name, const char* value) {
    auto* store = static_cast<Store*>(user);
    std::string key = section;
    key += '\x1f';
    key += name;
    store->values[std::move(key)] = value;
    return 1;
}

double oursOnce(const std::string& path, std::size_t& sections) {
    auto* doc = new IniDocument;
    const auto start = std::chrono::steady_clock::now();
    if (!loadIniFile(path, *doc)) std::abort();
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sections = doc->entries().size();
    delete doc;  // outside the timing, as for inih's map
    return s;
}

double inihOnce(const std::string& path, std::size_t& values) {
    auto* store = new Store;
    const auto start = std::chrono::steady_clock::now();
    if (ini_parse(path.c_str(), storeHandler, store) < 0) std::abort();
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    values = store->values.size();
    delete store;
    return s;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Timing {
    double ours, inih;
    std::size_t sections, inihValues;
};

// All four measurements take turns in every round, so a busy machine weighs
// on each alike; medians over the rounds.
void measure(const std::string (&paths)[2], Timing (&t)[2], int rounds) {
    std::vector<double> ours[2], inih[2];
    for (int r = -1; r < rounds; ++r) {  // round -1 warms the page cache and the allocator
        for (int i = 0; i < 2; ++i) {
            const double a = oursOnce(paths[i], t[i].sections);
            const double b = inihOnce(paths[i], t[i].inihValues);
            if (r >= 0) {
                ours[i].push_back(a);
                inih[i].push_back(b);
            }
        }
    }
    for (int i = 0; i < 2; ++i) {
        t[i].ours = median(ours[i]);
        t[i].inih = median(inih[i]);
    }
}

// A single line of "\=" pairs in the key and in the value, read from memory.
double escapeLineSeconds(std::size_t size) {
    std::string line;
    line.reserve(size + 16);
    line += "[s]\n";
    while (line.size() < size / 2) line += "\\=";
    line += "=";
    while (line.size() < size) line += "\\=";
    std::vector<double> t;
    for (int r = 0; r < 5; ++r) {
        IniDocument doc;
        const auto start = std::chrono::steady_clock::now();
        loadIniText(line, doc);
        t.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (doc.getSection("s").entries().size() != 1) std::abort();
    }
    return median(t);
}

struct ChildRun {
    double seconds = 0;
    double peakBytes = 0;
};

// One run of pacelark-sim check-ini on `path`, its report thrown away: wall
// time and the child's peak resident memory.
ChildRun checkIniRun(const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) std::abort();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        execl(PLK_SIM, PLK_SIM, "check-ini", path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) > 2) std::abort();
    ChildRun run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakBytes = static_cast<double>(usage.ru_maxrss) * 1024;  // kilobytes on Linux
    return run;
}

// 60 MB of distinct KEYnnnnnnnnn=1 lines under [SETTINGS]; medians of three runs.
void checkIniFigures(const std::string& dir) {
    const std::string path = dir + "/Pacelark.ini";
    std::string text = "[SETTINGS]\n";
    text.reserve((60u << 20) + 32);
    char line[32];
    for (unsigned n = 0; text.size() < (60u << 20); ++n) {
        std::snprintf(line, sizeof line, "KEY%09u=1\n", n);
        text += line;
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size()) std::abort();
    std::fclose(f);
    std::vector<double> seconds, peaks;
    for (int r = 0; r < 3; ++r) {
        const ChildRun run = checkIniRun(path);
        seconds.push_back(run.seconds);
        peaks.push_back(run.peakBytes);
    }
    const double s = median(seconds), ratio = median(peaks) / static_cast<double>(text.size());
    using figures::fmt;
    figures::print("check-ini, 60 MB of distinct keys: time", fmt("%.2f s", s), "<= 3 s", figures::verdict(s <= 3));
    figures::print("check-ini, 60 MB of distinct keys: peak memory / file size",
                   fmt("%.2f", ratio) + fmt(" (%.0f MB)", median(peaks) / (1 << 20)), "<= 4",
                   figures::verdict(ratio <= 4));
}

}  // namespace

int main() {
    char dir[] = "/tmp/plk-ini-bench-XXXXXX";
    if (!mkdtemp(dir)) return 2;
    const std::size_t sizes[2] = {1u << 20, 10u << 20};
    std::string paths[2];
    std::size_t bytes[2];
    for (int i = 0; i < 2; ++i) {
        paths[i] = std::string(dir) + "/bench" + std::to_string(i) + ".ini";
        const std::string text = generate(sizes[i], 7u + i);
        FILE* f = std::fopen(paths[i].c_str(), "wb");
        if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size()) return 2;
        std::fclose(f);
        bytes[i] = text.size();
    }
    Timing t[2];
    measure(paths, t, 9);
    double mb[2];
    for (int i = 0; i < 2; ++i) {
        mb[i] = static_cast<double>(bytes[i]) / (1u << 20);
        std::printf("%s: %zu bytes, %zu sections; ours %.2f ms, inih %.2f ms (%zu values)\n", paths[i].c_str(),
                    bytes[i], t[i].sections, t[i].ours * 1e3, t[i].inih * 1e3, t[i].inihValues);
    }

    using figures::fmt;
    using figures::print;
    for (int i = 0; i < 2; ++i) {
        const std::string size = i == 0 ? "1 MB" : "10 MB";
        print("INI reader, " + size, fmt("%.1f MB/s", mb[i] / t[i].ours));
        print("inih, " + size, fmt("%.1f MB/s", mb[i] / t[i].inih));
    }
    const double linear = t[1].ours / t[0].ours;
    print("INI reader time 10 MB / 1 MB", fmt("%.2f", linear) + fmt(" (sizes %.2f)", mb[1] / mb[0]), "<= 12",
          figures::verdict(linear <= 12));
    // Past the caches the time per byte stays flat: linear, not quadratic.
    for (std::size_t size : {1u, 10u, 40u}) {
        const double s = escapeLineSeconds(size << 20);
        print("One line of \"\\=\" pairs, " + std::to_string(size) + " MB",
              fmt("%.1f ms", s * 1e3) + fmt(" (%.0f MB/s)", size / s));
    }
    for (int i = 0; i < 2; ++i) {
        const double r = t[i].ours / t[i].inih;
        print(std::string("INI reader time / inih time, ") + (i == 0 ? "1 MB" : "10 MB"), fmt("%.2f", r), "<= 0.5",
              figures::verdict(r <= 0.5));
    }
    checkIniFigures(dir);
    std::filesystem::remove_all(dir);
    return 0;
}
