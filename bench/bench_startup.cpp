// Start-up of the real program: spawned with the project's skin under SDL's offscreen driver with a
// fresh registry folder each time, timed on the real clock from the spawn to the first frame the
// SDL presenter draws that shows the login screen (its frame log, TEVRIK_PRESENT_LOG). The login
// screen's picture is the first lit frame of a first run, which is not counted. Twenty runs give
// the median and the slowest; the target is a median under 80 ms.
//
// StartupBareWindow times the same way a program that only starts the framework and shows one empty
// main window (bare_window.cpp), to its first frame: what any start costs before the messenger adds
// to it. The login screen's median should stay within 1.25 times the bare window's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr int kRuns = 20;
constexpr long long kBoundNs = 10'000'000'000ll;

struct Frame {
    long long at = 0;
    std::string hash;
    long long lit = 0;
};

std::vector<Frame> ReadFrames(const std::string& path) {
    std::vector<Frame> frames;
    std::istringstream in(testsupport::ReadBytes(path));
    for (Frame frame; in >> frame.at >> frame.hash >> frame.lit;) frames.push_back(frame);
    return frames;
}

// Starts the program and waits for a frame that `wanted` accepts; its time after the spawn in ms,
// or -1 when none came within the bound.
template <class Wanted>
double TimeToFrame(const char* path, Wanted wanted, Frame* seen) {
    testsupport::TempFolder runtime;
    testsupport::TempFolder config;
    const std::string log = runtime.File("frames.log");
    ChildProcess program;
    const long long spawned = MonotonicNanoseconds();
    if (!program.Start(path, {{"SDL_VIDEODRIVER", "offscreen"},
                                        {"SDL_AUDIODRIVER", "dummy"},
                                        {"XDG_RUNTIME_DIR", runtime.Path()},
                                        {"XDG_CONFIG_HOME", config.Path()},
                                        {"TEVRIK_PRESENT_LOG", log}})) {
        return -1;
    }
    while (MonotonicNanoseconds() - spawned < kBoundNs && program.Running()) {
        for (const Frame& frame : ReadFrames(log)) {
            if (!wanted(frame)) continue;
            if (seen != nullptr) *seen = frame;
            program.Kill();
            return static_cast<double>(frame.at - spawned) / 1e6;
        }
        PauseMillisecond();
    }
    return -1;
}

// kRuns starts of the program, each timed to the first frame that `wanted` accepts; the median,
// slowest and fastest as counters. False (the state told why) when a run never showed it.
template <class Wanted>
bool TimeRuns(benchmark::State& state, const char* path, Wanted wanted, const char* missing) {
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        const double ms = TimeToFrame(path, wanted, nullptr);
        if (ms < 0) {
            state.SkipWithError(missing);
            return false;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    state.counters["median_ms"] = (times[kRuns / 2 - 1] + times[kRuns / 2]) / 2;
    state.counters["slowest_ms"] = times.back();
    state.counters["fastest_ms"] = times.front();
    return true;
}

void BM_StartupBareWindow(benchmark::State& state) {
    for (auto _ : state) {
        if (!TimeRuns(state, TEVRIK_BARE_WINDOW, [](const Frame&) { return true; }, "a run never showed its window")) return;
    }
}
BENCHMARK(BM_StartupBareWindow)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StartupToLoginScreen(benchmark::State& state) {
    for (auto _ : state) {
        Frame login;
        if (TimeToFrame(TEVRIK_PROGRAM, [](const Frame& frame) { return frame.lit > 0; }, &login) < 0) {
            state.SkipWithError("the program drew no lit frame (are the assets built?)");
            return;
        }
        if (!TimeRuns(state, TEVRIK_PROGRAM, [&](const Frame& frame) { return frame.hash == login.hash; },
                      "a run never showed the login screen")) {
            return;
        }
    }
}
BENCHMARK(BM_StartupToLoginScreen)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
