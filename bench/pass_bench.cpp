// The cost of a pass against the bare native calls it makes, the heap it
// uses, and the keyboard handler's throughput. No-op natives throughout.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdint>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "hud/label_format.h"
#include "bench/alloc_count.h"
#include "bench/figures.h"
#include "bench/noop_host.h"
#include "config/settings.h"
#include "control/control_loop.h"
#include "host/keys.h"
#include "hud/notice.h"

namespace {

constexpr std::uint32_t kMaxShapes = 256;
noophost::CallShape shapes[kMaxShapes];
std::uint32_t shapeCount = 0;

using noophost::resetPlugin;

// The natives of one steady pass: on foot, no control active, overlay shown.
void recordSteadyPass() {
    resetPlugin();
    runControlPass();
    noophost::startRecording(shapes, kMaxShapes);
    runControlPass();
    shapeCount = noophost::stopRecording();
}

void BM_SteadyPass(benchmark::State& state) {
    resetPlugin();
    runControlPass();
    for (auto _ : state) runControlPass();
    state.counters["natives"] = benchmark::Counter(static_cast<double>(shapeCount));
}

// The same natives with the same slot counts, as bare invokeNative calls.
void BM_BareNatives(benchmark::State& state) {
    for (auto _ : state) {
        for (std::uint32_t i = 0; i < shapeCount; ++i) {
            nativeInit(shapes[i].hash);
            for (std::uint32_t s = 0; s < shapes[i].slots; ++s) nativePush64(s);
            benchmark::DoNotOptimize(*nativeCall());
        }
    }
}

// What the two labels of a pass cost on their own, and what printf's
// "%.2f" would cost in their place.
void printfLabel(char* out, std::size_t size, float v) { std::snprintf(out, size, "%.2f", static_cast<double>(v)); }

template <void (*Format)(char*, std::size_t, float)>
void labelFormatting(benchmark::State& state) {
    char a[64], b[64];
    float desired = 1.5f, reported = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(desired);
        benchmark::DoNotOptimize(reported);
        Format(a, sizeof a, desired);
        Format(b, sizeof b, reported);
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
    }
}
void BM_LabelFormatting(benchmark::State& state) { labelFormatting<formatSpeedLabel>(state); }
void BM_LabelFormattingPrintf(benchmark::State& state) { labelFormatting<printfLabel>(state); }

void BM_KeyMessage(benchmark::State& state) {
    resetPlugin();
    DWORD key = 0;
    for (auto _ : state) {
        onKeyboardMessage(key, 1, 0, 0, 0, key & 1, key & 1);
        key = key == 254 ? 0 : key + 1;
    }
}

BENCHMARK(BM_SteadyPass)->MinTime(0.1)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_BareNatives)->MinTime(0.1)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_LabelFormatting)->MinTime(0.1)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_LabelFormattingPrintf)->MinTime(0.1)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_KeyMessage)->MinTime(0.1)->Repetitions(15)->ReportAggregatesOnly(true);

// Keeps the median of each benchmark's repetitions, in ns per iteration.
class Collector : public benchmark::ConsoleReporter {
public:
    Collector() : ConsoleReporter(OO_Tabular) {}
    std::map<std::string, double> medianNs;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Aggregate || r.aggregate_name != "median") continue;
            const double ns = r.GetAdjustedRealTime() * benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                              benchmark::GetTimeUnitMultiplier(r.time_unit);
            medianNs[r.run_name.function_name] = ns;
        }
    }
};

struct HeapFigures {
    double steadyPerPass;
    std::uint64_t noticeMin, noticeMax;
    std::int64_t peakOutstanding;
};

HeapFigures measureHeap() {
    HeapFigures h{};
    resetPlugin();
    runControlPass();
    constexpr int kSteady = 100000;
    const auto before = plkalloc::counts();
    for (int i = 0; i < kSteady; ++i) {
        noophost::setTick(noophost::tick() + 16);
        runControlPass();
    }
    h.steadyPerPass = static_cast<double>(plkalloc::counts().allocations - before.allocations) / kSteady;

    // Each notice kind through its whole window, one pass per 16 ms.
    h.noticeMin = ~std::uint64_t{0};
    const std::int64_t base = plkalloc::counts().outstanding();
    plkalloc::resetPeak();
    for (DWORD key : {DWORD{121}, DWORD{122}, DWORD{192}, DWORD{119}}) {
        resetPlugin();
        runControlPass();
        onKeyboardMessage(key, 1, 0, 0, 0, 1, 1);
        for (int t = 0; t <= 2000; t += 16) {
            const auto b = plkalloc::counts().allocations;
            runControlPass();
            const auto n = plkalloc::counts().allocations - b;
            h.noticeMin = std::min(h.noticeMin, n);
            h.noticeMax = std::max(h.noticeMax, n);
            noophost::setTick(noophost::tick() + 16);
        }
    }
    h.peakOutstanding = plkalloc::counts().peak - base;
    releaseNoticeCopies();
    return h;
}

struct KeyLoad {
    double messagesPerSecond;
    double passesPerSecond;
};

// One thread delivers messages as fast as it can while another runs passes.
KeyLoad measureKeysUnderPolling() {
    resetPlugin();
    std::atomic<bool> stop{false};
    std::uint64_t passes = 0;
    std::thread poller([&] {
        while (!stop.load(std::memory_order_relaxed)) {
            runControlPass();
            ++passes;
        }
    });
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::milliseconds(700);
    std::uint64_t messages = 0;
    DWORD key = 0;
    while (std::chrono::steady_clock::now() < end) {
        for (int i = 0; i < 1000; ++i) {
            onKeyboardMessage(key, 1, 0, 0, 0, key & 1, key & 1);
            key = key == 254 ? 0 : key + 1;
        }
        messages += 1000;
    }
    stop = true;
    poller.join();
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    releaseNoticeCopies();
    return {messages / s, passes / s};
}

}  // namespace

int main(int argc, char** argv) {
    recordSteadyPass();
    // Repetitions of the pass and of the bare calls alternate at random, so
    // a busy machine weighs on both alike and their ratio stays fair.
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();

    using figures::fmt;
    using figures::print;
    const double pass = collector.medianNs["BM_SteadyPass"];
    const double bare = collector.medianNs["BM_BareNatives"];
    const double ratio = pass / bare;
    print("Steady pass (on foot, overlay, no-op natives)", fmt("%.1f ns", pass));
    print("Native calls per pass", fmt("%.0f", shapeCount));
    print("Same native calls, bare invokeNative", fmt("%.1f ns", bare));
    print("Pass / bare natives", fmt("%.2f", ratio), "<= 1.3", figures::verdict(ratio <= 1.3));
    const double labels = collector.medianNs["BM_LabelFormatting"];
    print("  of the pass: the two labels alone", fmt("%.1f ns", labels));
    print("  the same two labels through printf", fmt("%.1f ns", collector.medianNs["BM_LabelFormattingPrintf"]));
    print("  (pass - labels) / bare natives", fmt("%.2f", (pass - labels) / bare));

    const HeapFigures heap = measureHeap();
    print("Allocations per steady pass", fmt("%.3f", heap.steadyPerPass), "0", figures::verdict(heap.steadyPerPass == 0));
    const bool twoEach = heap.noticeMin == 2 && heap.noticeMax == 2;
    print("Allocations per pass with a notice",
          heap.noticeMin == heap.noticeMax ? std::to_string(heap.noticeMin)
                                           : std::to_string(heap.noticeMin) + ".." + std::to_string(heap.noticeMax),
          "2", figures::verdict(twoEach));
    print("Most allocations outstanding", std::to_string(heap.peakOutstanding), "<= 2",
          figures::verdict(heap.peakOutstanding <= 2));

    const double keyNs = collector.medianNs["BM_KeyMessage"];
    print("Key handler, one thread", fmt("%.1f ns/message", keyNs));
    const KeyLoad load = measureKeysUnderPolling();
    print("Key handler while a loop polls", fmt("%.3g messages/s", load.messagesPerSecond));
    print("Passes meanwhile on the polling thread", fmt("%.3g passes/s", load.passesPerSecond));
    return 0;
}
