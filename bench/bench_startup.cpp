// Start-up of the real program: spawned with the project's skin under SDL's offscreen driver with a
// fresh registry folder each time, timed on the real clock from the spawn to the first frame the
// SDL presenter draws that shows the login screen (its frame log, TEVRIK_PRESENT_LOG). The login
// screen's picture is the first lit frame of a first run, which is not counted. Twenty runs give
// the median and the slowest; the target is a median under 80 ms. Beside it, what the login
// screen presents while left alone.
//
// StartupBareWindow times the same way a program that only starts the framework and shows one empty
// main window (bare_window.cpp), to its first frame: what any start costs before the messenger adds
// to it. The two take their runs by turns; the login screen's median should stay within 1.25 times
// the bare window's (its vs_bare counter).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "bench/BenchSmoke.h"
#include "bench/PresentLog.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/temp_folder.h"

namespace {

const int kRuns = FullOrSmoke(20, 2);
constexpr long long kBoundNs = 10'000'000'000ll;

// A program spawned with an empty settings store, presenting into the offscreen window and
// logging its presents.
struct FirstStart {
    explicit FirstStart(const char* path)
        : log(runtime.File("frames.log")),
          spawned(MonotonicNanoseconds()),
          started(program.Start(path, {{"SDL_VIDEODRIVER", "offscreen"},
                                       {"SDL_AUDIODRIVER", "dummy"},
                                       {"XDG_RUNTIME_DIR", runtime.Path()},
                                       {"XDG_CONFIG_HOME", config.Path()},
                                       {"TEVRIK_PRESENT_LOG", log}})) {}

    testsupport::TempFolder runtime;
    testsupport::TempFolder config;
    const std::string log;
    ChildProcess program;
    const long long spawned;
    const bool started;
};

// Starts the program and waits for a frame that `wanted` accepts; its time after the spawn in ms,
// or -1 when none came within the bound.
template <class Wanted>
double TimeToFrame(const char* path, Wanted wanted, PresentedFrame* seen) {
    FirstStart start(path);
    if (!start.started) return -1;
    while (MonotonicNanoseconds() - start.spawned < kBoundNs && start.program.Running()) {
        for (const PresentedFrame& frame : ReadPresentLog(start.log)) {
            if (!wanted(frame)) continue;
            if (seen != nullptr) *seen = frame;
            start.program.Kill();
            return static_cast<double>(frame.at - start.spawned) / 1e6;
        }
        PauseMillisecond();
    }
    return -1;
}

// kRuns starts of one program, in ms; the median, slowest and fastest as counters.
struct Times {
    std::vector<double> ms;
    double Median() const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return (sorted[kRuns / 2 - 1] + sorted[kRuns / 2]) / 2;
    }
    // The time of the iteration is that of the program's own runs.
    void Report(benchmark::State& state) const {
        state.SetIterationTime(std::accumulate(ms.begin(), ms.end(), 0.0) / 1000);
        state.counters["median_ms"] = Median();
        state.counters["slowest_ms"] = *std::max_element(ms.begin(), ms.end());
        state.counters["fastest_ms"] = *std::min_element(ms.begin(), ms.end());
    }
};

// The bare window's runs and the login screen's, taken by turns (bare, login, bare, ...) so that a
// machine that grows busier or quieter meanwhile weighs on both alike. Made once, by whichever of
// the two benchmarks runs first; empty with `why` set when a run never showed its frame.
struct Alternated {
    Times bare;
    Times login;
    const char* why = nullptr;
};

const Alternated& AlternatedRuns() {
    static const Alternated runs = [] {
        Alternated made;
        PresentedFrame picture;
        if (TimeToFrame(TEVRIK_PROGRAM, [](const PresentedFrame& frame) { return frame.lit > 0; }, &picture) < 0) {
            made.why = "the program drew no lit frame (are the assets built?)";
            return made;
        }
        const auto anyFrame = [](const PresentedFrame&) { return true; };
        const auto loginScreen = [&](const PresentedFrame& frame) { return frame.hash == picture.hash; };
        for (int run = 0; run < kRuns; ++run) {
            const double bare = TimeToFrame(TEVRIK_BARE_WINDOW, anyFrame, nullptr);
            const double login = TimeToFrame(TEVRIK_PROGRAM, loginScreen, nullptr);
            if (bare < 0 || login < 0) {
                made.why = bare < 0 ? "a run never showed its window" : "a run never showed the login screen";
                return made;
            }
            made.bare.ms.push_back(bare);
            made.login.ms.push_back(login);
        }
        return made;
    }();
    return runs;
}

void BM_StartupBareWindow(benchmark::State& state) {
    for (auto _ : state) {
        const Alternated& runs = AlternatedRuns();
        if (runs.why != nullptr) {
            state.SkipWithError(runs.why);
            return;
        }
        runs.bare.Report(state);
    }
}
BENCHMARK(BM_StartupBareWindow)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();

// Also the ratio of its median to the bare window's, from the same alternated runs.
void BM_StartupToLoginScreen(benchmark::State& state) {
    for (auto _ : state) {
        const Alternated& runs = AlternatedRuns();
        if (runs.why != nullptr) {
            state.SkipWithError(runs.why);
            return;
        }
        runs.login.Report(state);
        state.counters["vs_bare"] = runs.login.Median() / runs.bare.Median();
    }
}
BENCHMARK(BM_StartupToLoginScreen)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();

// The login screen of a first start left alone (no edit has the focus, so no caret fades): the
// presents of the first 4 s after the spawn, and those among them that showed the same picture as
// the present before. Goal: at most 10, none identical. The most of three runs.
void BM_LoginIdle(benchmark::State& state) {
    const long long kWindowNs = FullOrSmoke(4'000'000'000ll, 1'000'000'000ll);
    PresentCount most;
    for (auto _ : state) {
        for (int run = 0; run < FullOrSmoke(3, 1); ++run) {
            FirstStart start(TEVRIK_PROGRAM);
            if (!start.started) {
                state.SkipWithError("the program did not start");
                return;
            }
            while (MonotonicNanoseconds() - start.spawned < kWindowNs + 200'000'000ll && start.program.Running()) {
                PauseMillisecond();
            }
            start.program.Kill();
            const PresentCount count = CountPresents(ReadPresentLog(start.log), start.spawned, start.spawned + kWindowNs);
            if (count.presents == 0) {
                state.SkipWithError("the program presented nothing (are the assets built?)");
                return;
            }
            most.presents = std::max(most.presents, count.presents);
            most.identical = std::max(most.identical, count.identical);
        }
    }
    state.counters["presents_4s"] = most.presents;
    state.counters["identical"] = most.identical;
}
BENCHMARK(BM_LoginIdle)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
