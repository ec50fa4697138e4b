// What the signed-in client costs while nothing happens, and per frame of a flick: driven clients
// (tests/e2e/DriveLink.h, bench/SignedInClient.h) on the real clock, presenting through SDL's
// offscreen window, with the whole process's CPU read from the kernel thread by thread
// (bench/ThreadCpu.h).
//
// - IdleBuddyList and IdleChatPage: one client settles on the buddy list and is left alone for
//   3 s, then opens a chat, taps its input (the caret fades) and is left alone for 3 s. CPU per
//   second comes from a client without the present log, presents per second from a twin with it
//   (the log's own cost stays out of the CPU). Goals: the chat page at most 5 ms a second above
//   the buddy list, and no more presents than the caret's colour changes (caret_changes_per_s).
// - FlickFrame: on a list of 10,000 buddies, flicks of 300 px in 100 ms, each left to run out.
//   CPU per frame = the CPU of the flicks without the present log / the changed pictures that a
//   twin with the log presented for the same flicks. Goal: under 0.4 ms. Beside it, thread by
//   thread (by the names the program gives its threads), CPU and wakes per frame, and the
//   presents that showed the same picture again.
// - WakeFloor: what the machine charges for the wakes alone, beside IdleChatPage in the same run.
//   A thread of this process sleeps until each of the caret's colour changes (as many a second as
//   caret_changes_per_s, evenly) and does nothing else (floor_ms_per_s); then the same with each
//   wake handing over to a second waiting thread, as the user-interface thread hands each frame to
//   the presenter's (handover_ms_per_s, both threads). On a virtual machine a timed wake costs far
//   more than the work a caret needs, and more on a quiet machine than on a busy one.
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "bench/BenchSmoke.h"
#include "bench/PresentLog.h"
#include "bench/SignedInClient.h"
#include "bench/ThreadCpu.h"
#include "framework/controls/QeEdit.h"

namespace {

const double kIdleSeconds = FullOrSmoke(3.0, 0.2);
// The chat input's TextColor and BackColor in the project's skin.
constexpr COLORREF kInputText = RGB(0x1f, 0x2a, 0x33);
constexpr COLORREF kInputBack = RGB(0xff, 0xff, 0xff);

// How often in a second the caret's colour changes, seen at the edit animator's 10 ms ticks.
int CaretChangesPerSecond() {
    QeEditSelection selection;  // last changed at 0
    selection.caretColor = kInputText;
    int changes = 0;
    for (DWORD ms = 10; ms <= QeEditSelection::kBlinkPeriodMs; ms += 10) {
        changes += selection.CaretColorAt(ms, kInputBack) != selection.CaretColorAt(ms - 10, kInputBack) ? 1 : 0;
    }
    return changes;
}

struct Idle {
    double cpuMsPerSecond = 0;
    ThreadCpu::Span spent;
    double seconds = 0;
    double presentsPerSecond = 0;
    int identical = 0;
};

// The client left alone for kIdleSeconds.
Idle LeaveAlone(DrivenClient& client, const std::string& log) {
    ThreadCpu cpu(client.Pid());
    const long long from = MonotonicNanoseconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(kIdleSeconds));
    const long long to = MonotonicNanoseconds();
    Idle idle;
    idle.spent = cpu.Since();
    idle.seconds = (to - from) / 1e9;
    idle.cpuMsPerSecond = static_cast<double>(idle.spent.totalNs) / 1e6 / idle.seconds;
    if (!log.empty()) {
        const PresentCount count = CountPresents(ReadPresentLog(log), from, to);
        idle.presentsPerSecond = count.presents / ((to - from) / 1e9);
        idle.identical = count.identical;
    }
    return idle;
}

// Signs in a client (with or without the present log) on a service seeded with `buddies`.
bool Prepare(benchmark::State& state, tevrik_service::TestService& service, DrivenClient& client,
             const std::string& log) {
    DriveOptions drive;
    drive.realClock = true;
    drive.presentLog = log;
    std::string why;
    if (!SignInAndSettle(client, service, drive, &why)) {
        state.SkipWithError(why.c_str());
        return false;
    }
    return true;
}

bool StartService(benchmark::State& state, tevrik_service::TestService& service, int buddies) {
    tevrik_service::ServiceOptions options;
    options.seedJson = AccountSeed(buddies, 1, 0);
    if (service.Start(options)) return true;
    state.SkipWithError("the service stand-in did not start");
    return false;
}

// Arg 0: the buddy list; 1: a chat page with its input focused.
void BM_Idle(benchmark::State& state) {
    const bool chat = state.range(0) != 0;
    tevrik_service::TestService service;
    if (!StartService(state, service, 5)) return;
    SkinLayout skin;
    testsupport::TempFolder folder;
    Idle measured[2];  // without the log, with it
    // A chat is had with a buddy who is online.
    DrivenClient buddy;
    std::string why;
    DriveOptions headless;
    headless.headless = true;
    headless.realClock = true;
    if (chat && !SignInAndSettle(buddy, service, headless, &why, "buddy0", "x")) {
        state.SkipWithError(why.c_str());
        return;
    }
    for (auto _ : state) {
        // A smoke run takes the logged run alone: it has every step of the other.
        for (int logged = FullOrSmoke(0, 1); logged < 2; ++logged) {
            const std::string log = logged ? folder.File("presents.log") : std::string();
            DrivenClient client;
            if (!Prepare(state, service, client, log)) return;
            if (chat && !(client.Tap(skin.Row({L"BuddyList", L"View"}, 1, L"BuddyIcon")) && client.Still() &&
                          client.State().rfind("page=Chat ", 0) == 0 &&
                          client.Tap(skin.Center({L"Chat", L"InputBar", L"Input"})) && client.Still())) {
                state.SkipWithError(("no chat page with its input focused: " + client.State()).c_str());
                return;
            }
            measured[logged] = LeaveAlone(client, log);
            client.Quit();
        }
    }
    state.counters["cpu_ms_per_s"] = measured[0].cpuMsPerSecond;
    state.counters["presents_per_s"] = measured[1].presentsPerSecond;
    state.counters["identical"] = measured[1].identical;
    if (chat) state.counters["caret_changes_per_s"] = CaretChangesPerSecond();
    // Thread by thread, by the names the program gives them.
    const Idle& quiet = measured[0];
    for (const auto& [name, ns] : quiet.spent.byName) state.counters["ms_per_s_" + name] = ns / 1e6 / quiet.seconds;
    for (const auto& [name, wakes] : quiet.spent.wakesByName) {
        state.counters["wakes_per_s_" + name] = static_cast<double>(wakes) / quiet.seconds;
    }
}
BENCHMARK(BM_Idle)->Name("IdleBuddyList")->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Idle)->Name("IdleChatPage")->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FlickFrame(benchmark::State& state) {
    const int kFlicks = FullOrSmoke(5, 1);
    tevrik_service::TestService service;
    if (!StartService(state, service, 10000)) return;
    SkinLayout skin;
    const RECT list = skin.Rect({L"BuddyList", L"View"});
    const int x = (list.left + list.right) / 2;
    const int low = list.bottom - 40;
    testsupport::TempFolder folder;
    double cpuMs = 0;
    ThreadCpu::Span spent;
    int frames = 0;
    int identical = 0;
    for (auto _ : state) {
        // A smoke run takes the logged run alone: it has every step of the other.
        for (int logged = FullOrSmoke(0, 1); logged < 2; ++logged) {
            const std::string log = logged ? folder.File("presents.log") : std::string();
            DrivenClient client;
            if (!Prepare(state, service, client, log)) return;
            ThreadCpu cpu(client.Pid());
            const long long from = MonotonicNanoseconds();
            for (int flick = 0; flick < kFlicks; ++flick) {
                // Upwards: the list runs on towards its far end, which 10,000 rows never reach here.
                if (!client.Run("drag " + std::to_string(x) + " " + std::to_string(low) + " " + std::to_string(x) + " " +
                                std::to_string(low - 300) + " 100") ||
                    !client.Run("advance 3000")) {
                    state.SkipWithError("the flick did not run");
                    return;
                }
            }
            const long long to = MonotonicNanoseconds();
            if (logged) {
                const PresentCount count = CountPresents(ReadPresentLog(log), from, to);
                frames = count.Changed();
                identical = count.identical;
            } else {
                spent = cpu.Since();
                cpuMs = static_cast<double>(spent.totalNs) / 1e6;
            }
            client.Quit();
        }
    }
    if (frames == 0) {
        state.SkipWithError("the flicks presented nothing");
        return;
    }
    state.counters["cpu_ms_per_frame"] = cpuMs / frames;
    state.counters["frames_per_flick"] = static_cast<double>(frames) / kFlicks;
    state.counters["identical_per_flick"] = static_cast<double>(identical) / kFlicks;
    state.counters["cpu_ms_per_flick"] = cpuMs / kFlicks;
    // Thread by thread, by the names the program gives them.
    for (const auto& [name, ns] : spent.byName) state.counters["ms_per_frame_" + name] = ns / 1e6 / frames;
    for (const auto& [name, wakes] : spent.wakesByName) {
        state.counters["wakes_per_frame_" + name] = static_cast<double>(wakes) / frames;
    }
}
// CPU per second of `perSecond` evenly spaced timed wakes that do nothing but, with `handOver`, wake a
// second thread; both threads count.
double WakeCost(int perSecond, bool handOver) {
    auto threadNs = [] {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<long long>(now.tv_sec) * 1000000000ll + now.tv_nsec;
    };
    std::mutex lock;
    std::condition_variable tick;
    std::condition_variable handed;
    long long given = 0;
    long long taken = 0;
    bool done = false;
    long long otherNs = 0;
    std::thread other([&] {
        const long long from = threadNs();
        std::unique_lock<std::mutex> guard(lock);
        while (!done) {
            handed.wait(guard, [&] { return done || taken != given; });
            taken = given;
        }
        otherNs = threadNs() - from;
    });
    const long long from = threadNs();
    const auto start = std::chrono::steady_clock::now();
    const auto period = std::chrono::nanoseconds(1000000000ll / perSecond);
    const int wakes = static_cast<int>(kIdleSeconds * perSecond);
    {
        std::unique_lock<std::mutex> guard(lock);
        for (int i = 1; i <= wakes; ++i) {
            const auto due = start + i * period;
            while (tick.wait_until(guard, due) != std::cv_status::timeout) {
            }
            if (!handOver) continue;
            ++given;
            guard.unlock();
            handed.notify_one();
            guard.lock();
        }
        done = true;
    }
    const long long ownNs = threadNs() - from;
    handed.notify_one();
    other.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return (ownNs + (handOver ? otherNs : 0)) / 1e6 / seconds;
}

void BM_WakeFloor(benchmark::State& state) {
    const int perSecond = CaretChangesPerSecond();
    for (auto _ : state) {
        state.counters["floor_ms_per_s"] = WakeCost(perSecond, false);
        state.counters["handover_ms_per_s"] = WakeCost(perSecond, true);
    }
    state.counters["wakes_per_s"] = perSecond;
}
BENCHMARK(BM_WakeFloor)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(BM_FlickFrame)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
