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
// - AnimatedEmoticonIdle: a chat whose transcript shows one wink (two frames of 400 ms: 2.5 frame
//   changes a second) and nothing else that moves, left alone for 3 s; then the same chat after
//   5,000 more winks and enough lines of text to scroll them all out of view. CPU and presents per
//   second as for IdleChatPage. Goals: presents equal to the wink's frame changes with one in view,
//   none with the winks out of view.
// - WakeFloor: what the machine charges for the wakes alone, beside IdleChatPage in the same run.
//   A thread of this process sleeps until each of the caret's colour changes (as many a second as
//   caret_changes_per_s, evenly) and does nothing else (floor_ms_per_s); then the same with each
//   wake handing over to a second waiting thread, as the user-interface thread hands each frame to
//   the presenter's (handover_ms_per_s, both threads). On a virtual machine a timed wake costs far
//   more than the work a caret needs, and more on a quiet machine than on a busy one.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "bench/BenchSmoke.h"
#include "bench/PresentLog.h"
#include "bench/SignedInClient.h"
#include "bench/ThreadCpu.h"
#include "framework/controls/QeEdit.h"
#include "platform/windows/input.h"

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

// The first buddy's chat opened from the list and its input tapped, as a user starts to write.
bool OpenChatInput(DrivenClient& client, const SkinLayout& skin) {
    return client.Tap(skin.Row({L"BuddyList", L"View"}, 1, L"BuddyIcon")) && client.Still() &&
           client.State().rfind("page=Chat ", 0) == 0 &&
           client.Tap(skin.Center({L"Chat", L"InputBar", L"Input"})) && client.Still();
}

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

// measured[0] without the present log, measured[1] with it.
void ReportIdle(benchmark::State& state, const Idle measured[2]) {
    state.counters["cpu_ms_per_s"] = measured[0].cpuMsPerSecond;
    state.counters["presents_per_s"] = measured[1].presentsPerSecond;
    state.counters["identical"] = measured[1].identical;
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
            if (chat && !OpenChatInput(client, skin)) {
                state.SkipWithError(("no chat page with its input focused: " + client.State()).c_str());
                return;
            }
            measured[logged] = LeaveAlone(client, log);
            client.Quit();
        }
    }
    ReportIdle(state, measured);
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

// The owner and buddy0 in one chat, each on its chat page with the input focused, the owner through
// SDL's offscreen window. Windows of kLineSeconds on the owner, by turns left alone and with one
// line from buddy0 coming at their start (typed before the window, Enter at its start): the CPU of
// a line above the idle page = the mean of the line windows less the mean of the idle ones.
// Goal: at most 5 ms.
void BM_ReceivedMessageCpu(benchmark::State& state) {
    const int kLines = FullOrSmoke(6, 1);
    const double kLineSeconds = FullOrSmoke(2.0, 0.5);
    tevrik_service::TestService service;
    if (!StartService(state, service, 5)) return;
    SkinLayout skin;
    DrivenClient buddy;
    DrivenClient owner;
    std::string why;
    DriveOptions headless;
    headless.headless = true;
    headless.realClock = true;
    if (!SignInAndSettle(buddy, service, headless, &why, "buddy0", "x") || !Prepare(state, service, owner, "")) {
        if (!why.empty()) state.SkipWithError(why.c_str());
        return;
    }
    // The owner opens the chat and writes first; buddy0 opens it from its chat list.
    const RECT tabs = skin.Rect({L"TabBar"}, POINT{0, skin.Rect({L"BuddyList"}).top});
    const POINT chatsTab{tabs.left + (tabs.right - tabs.left) * 3 / 8, (tabs.top + tabs.bottom) / 2};
    const POINT input = skin.Center({L"Chat", L"InputBar", L"Input"});
    if (!(owner.Tap(skin.Row({L"BuddyList", L"View"}, 1, L"BuddyIcon")) && owner.Still() && owner.Tap(input) &&
          owner.Chars("hi") && owner.Key(VK_RETURN) && owner.Still() &&
          service.WaitForFrame([](const tevrik_service::Frame& f) { return !f.fromClient && f.innerCommand == "MESG"; },
                               std::chrono::seconds(10)) &&
          buddy.Still() && buddy.Tap(chatsTab) && buddy.Still() && buddy.Tap(skin.Row({L"ChatList", L"View"}, 0, L"Title")) &&
          buddy.Still() && buddy.Tap(input) && buddy.State().rfind("page=Chat ", 0) == 0)) {
        state.SkipWithError(("no chat between the two: " + owner.State() + " / " + buddy.State()).c_str());
        return;
    }
    double idleMs = 0;
    double lineMs = 0;
    const size_t mark = service.FrameCount();
    for (auto _ : state) {
        for (int line = 0; line < kLines; ++line) {
            // Typed before the window: the owner hears buddy0 typing, and settles again.
            if (!buddy.Chars("line " + std::to_string(line))) {
                state.SkipWithError("buddy0 cannot type");
                return;
            }
            std::this_thread::sleep_for(std::chrono::duration<double>(kLineSeconds));
            for (int withLine = 0; withLine < 2; ++withLine) {
                ThreadCpu cpu(owner.Pid());
                const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(kLineSeconds);
                if (withLine && !buddy.Key(VK_RETURN)) {
                    state.SkipWithError("buddy0 cannot send");
                    return;
                }
                std::this_thread::sleep_until(end);
                (withLine ? lineMs : idleMs) += static_cast<double>(cpu.Since().totalNs) / 1e6 / kLines;
            }
        }
    }
    // Each line reached the owner.
    const tevrik_service::ConnId ownerConn = service.SignedInConnection("owner@tevrik.example");
    const auto frames = service.Frames(mark);
    const auto lines = std::count_if(frames.begin(), frames.end(), [&](const tevrik_service::Frame& f) {
        return f.conn == ownerConn && !f.fromClient && f.innerCommand == "MESG" && f.bytes.find("MSG") != std::string::npos;
    });
    if (lines != kLines) {
        state.SkipWithError(("the owner got " + std::to_string(lines) + " lines").c_str());
        return;
    }
    state.counters["cpu_ms_per_line"] = lineMs - idleMs;
    state.counters["idle_ms_per_window"] = idleMs;
    owner.Quit();
    buddy.Quit();
}
BENCHMARK(BM_ReceivedMessageCpu)->Name("ReceivedMessageCpu")->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

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

void BM_AnimatedEmoticonIdle(benchmark::State& state) {
    constexpr int kWinksPerLine = 100;  // the input takes 400 characters
    // A smoke run writes two lines of winks and a few of text, with the logged run alone.
    const int winks = static_cast<int>(FullOrSmoke(state.range(0), std::min<int64_t>(state.range(0), 2 * kWinksPerLine)));
    const int textLines = FullOrSmoke(40, 3);
    tevrik_service::TestService service;
    if (!StartService(state, service, 5)) return;
    SkinLayout skin;
    testsupport::TempFolder folder;
    DrivenClient buddy;
    std::string why;
    DriveOptions headless;
    headless.headless = true;
    headless.realClock = true;
    if (!SignInAndSettle(buddy, service, headless, &why, "buddy0", "x")) {
        state.SkipWithError(why.c_str());
        return;
    }
    auto say = [](DrivenClient& client, const std::string& text) {
        return client.Run("chars " + text) && client.Run("key 13") && client.Still();
    };
    Idle measured[2];
    for (auto _ : state) {
        for (int logged = FullOrSmoke(0, 1); logged < 2; ++logged) {
            const std::string log = logged ? folder.File("presents.log") : std::string();
            DrivenClient client;
            if (!Prepare(state, service, client, log)) return;
            bool ok = OpenChatInput(client, skin) && say(client, "/윙크/");
            if (winks > 1) {
                std::string line;
                for (int i = 0; i < kWinksPerLine; ++i) line += "/윙크/";
                for (int i = 0; ok && i < winks / kWinksPerLine; ++i) ok = say(client, line);
                for (int i = 0; ok && i < textLines; ++i) ok = say(client, "text " + std::to_string(i));
            }
            // The input's caret fades while it has the focus: the pen goes to the title instead.
            ok = ok && client.Tap(skin.Center({L"Chat", L"View", L"Title"})) && client.Still();
            if (!ok || client.State().rfind("page=Chat ", 0) != 0) {
                state.SkipWithError(("no chat with winks: " + client.State()).c_str());
                return;
            }
            measured[logged] = LeaveAlone(client, log);
            client.Quit();
        }
    }
    ReportIdle(state, measured);
    state.counters["wink_changes_per_s"] = 2.5;
}
BENCHMARK(BM_AnimatedEmoticonIdle)->Name("AnimatedEmoticonIdle")->ArgName("winks")->Arg(1)->Arg(5001)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(BM_FlickFrame)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
