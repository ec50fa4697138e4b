// What peers can send without end, in the whole program on the test clock (the tests' rig), with
// the screen that shows it current:
//   ChatTranscriptMemory   received lines of 60 characters into one shown chat; the resident
//                          memory it grows by (1,000 and 10,000 lines should differ by < 1 MB);
//   ChatTranscriptAtBound  100,000 received lines of 60 characters (MESG frames through
//                          ProtocolSession::OnPacket) into one shown chat, 100 frames to a turn of
//                          the loop as one socket read brings them, the turn ending in the paint:
//                          the whole (target < 3 s) and the slowest turn (slowest_turn_ms, < 100 ms);
//   ChatLongReceivedLine   one line of "/ab" or of emoticon codes through ChatOutputView::AppendLine,
//                          2,048 and 4,096 characters (targets: "/ab" < 10 ms, emoticons < 40 ms,
//                          4,096 at most 2.5x the time of 2,048);
//   MemoPushFlood          memos pushed (IMSG in CMSG) through ProtocolSession::OnPacket into the
//                          shown inbox (100,000 at most 12x the time of 10,000; resident memory
//                          after 100,000 within 5 MB of that after 1,000);
//   BuddyRequestFlood      buddy requests from new ids (resident memory after 100,000 within 5 MB
//                          of that after 1,000);
//   ParticipantsJoinFlood  JOINs of new ids into one chat, then a QUIT for each, with that chat's
//                          participants page shown; each phase's seconds (5,000 of each: < 1 s);
//   MemoPushBurst          30,000 memos pushed at once by the service stand-in over the signed-in
//                          connection into the shown inbox: the slowest turn of the loop until the
//                          last is in (target: < 100 ms), and how many turns they took.
// Memory is read after the heap gave back what it could (malloc_trim): VmRSS growth in MB, and the
// heap's bytes in use beside it.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/MessengerApp.h"
#include "bench/BenchSmoke.h"
#include "app/screens/chats/ChatPage.h"
#include "app/screens/memos/MemoListPage.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/MemoStore.h"
#include "messenger/protocol/ProtocolSession.h"
#include "framework/base/QeClock.h"
#include "platform/windows/window.h"
#include "tests/support/MessengerRig.h"
#include "tests/support/Pump.h"
#include "tools/service/TestService.h"

namespace {

// The flood's size: the argument, at most a thousand in a smoke run.
int64_t Flood(const benchmark::State& state) {
    return FullOrSmoke(state.range(0), std::min<int64_t>(state.range(0), 1000));
}

double ResidentMb() {
    malloc_trim(0);
    long pages = 0, resident = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return -1;
    const int read = std::fscanf(statm, "%ld %ld", &pages, &resident);
    std::fclose(statm);
    return read == 2 ? static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6 : -1;
}

double HeapMb() { return static_cast<double>(mallinfo2().uordblks) / 1e6; }

// Memory read before a flood, and its growth reported after it.
struct Growth {
    double rss = ResidentMb(), heap = HeapMb();
    void Report(benchmark::State& state, const char* kept, size_t count) const {
        state.counters["rss_growth_MB"] = ResidentMb() - rss;
        state.counters["heap_growth_MB"] = HeapMb() - heap;
        if (kept != nullptr) state.counters[kept] = static_cast<double>(count);
    }
};

// The program of one benchmark, its session writing to a capture.
class FloodRig : public MessengerRig {
public:
    explicit FloodRig(benchmark::State& state) {
        m_started = Start();
        if (m_started) {
            ConnectCaptured(1);
        } else {
            state.SkipWithError("the program did not start");
        }
    }
    ~FloodRig() {
        if (m_started) App().SetCurrentView(nullptr);
        Settle();
    }
    bool Started() const { return m_started; }

private:
    bool m_started = false;
};

void Dispatch(const std::string& frame) {
    ProtocolSession::Instance()->OnPacket(reinterpret_cast<const uint8_t*>(frame.data()),
                                          static_cast<uint32_t>(frame.size()));
}

ChatPage* OpenShownChat(MessengerRig& rig) {
    ChatSession* chat = ChatSessionManager::Instance()->CreateChatSession();
    chat->BuddyId = L"yuna@tevrik.example";
    chat->DisplayName = L"유나";
    ChatPage* page = ChatPageOf(chat);
    rig.App().SetCurrentView(page);
    rig.Settle();
    return page;
}

void CloseChat(MessengerRig& rig, ChatPage* page) {
    rig.App().SetCurrentView(nullptr);
    ChatSessionManager::Instance()->RemoveChat(page->Session());
    rig.Settle();
    rig.Fresh();
}

void BM_ChatTranscriptMemory(benchmark::State& state) {
    FloodRig rig(state);
    if (!rig.Started()) return;
    const std::wstring line = L"유나 (별) 님의 말:\n" + std::wstring(60, L'가') + L"\n";
    for (auto _ : state) {
        ChatPage* page = OpenShownChat(rig);
        const Growth growth;
        for (int64_t i = 0; i < Flood(state); ++i) page->AppendLine(line, 2);
        rig.Settle();
        growth.Report(state, nullptr, 0);
        state.PauseTiming();
        CloseChat(rig, page);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ChatTranscriptMemory)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ChatTranscriptAtBound(benchmark::State& state) {
    FloodRig rig(state);
    if (!rig.Started()) return;
    const int kLines = FullOrSmoke(100000, 1000);
    constexpr int kLinesPerTurn = 100;
    std::vector<std::string> read;
    for (int i = 0; i < kLinesPerTurn; ++i) {
        const std::string mesg = "MESG 0 yuna@tevrik.example MSG 0%090%090%09" + std::string(60, 'a' + i % 26) + "\r\n";
        read.push_back("CRP2 0 SS 77 " + std::to_string(mesg.size()) + "\r\n" + mesg);
    }
    for (auto _ : state) {
        ChatPage* page = OpenShownChat(rig);
        page->Session()->SessionId = L"77";
        page->Session()->AddMember(ChatMember{L"yuna@tevrik.example", L"유나", L"별", L""});
        double slowest = 0;
        for (int turn = 0; turn < kLines / kLinesPerTurn; ++turn) {
            const auto start = std::chrono::steady_clock::now();
            for (const std::string& frame : read) Dispatch(frame);
            PumpPending();
            slowest = std::max(slowest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        state.counters["slowest_turn_ms"] = slowest;
        state.counters["glyphs_kept"] = page->View().Output().GlyphCount();
        state.PauseTiming();
        CloseChat(rig, page);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ChatTranscriptAtBound)->Iterations(1)->Unit(benchmark::kMillisecond);

// Argument 0: "/ab" pieces, 1: emoticon codes; argument 1: the line's length.
void BM_ChatLongReceivedLine(benchmark::State& state) {
    FloodRig rig(state);
    if (!rig.Started()) return;
    const std::wstring unit = state.range(0) == 0 ? L"/ab" : L"/웃음/";
    std::wstring text;
    while (text.size() + unit.size() <= static_cast<size_t>(state.range(1))) text += unit;
    text.resize(static_cast<size_t>(state.range(1)), L'x');
    ChatPage* page = OpenShownChat(rig);
    for (auto _ : state) {
        page->AppendLine(text, 2);
        rig.Settle();
    }
    CloseChat(rig, page);
}
BENCHMARK(BM_ChatLongReceivedLine)
    ->ArgsProduct({{0, 1}, {2048, 4096}})
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

void BM_MemoPushFlood(benchmark::State& state) {
    FloodRig rig(state);
    if (!rig.Started()) return;
    MessengerApp& app = rig.App();
    app.SetCurrentView(&app.MemoList());
    static int run = 0;
    ++run;
    for (auto _ : state) {
        state.PauseTiming();
        app.MemoList().Table().SwitchBox(kMemoInbox);
        rig.Settle();
        const Growth growth;
        state.ResumeTiming();
        for (int64_t i = 0; i < Flood(state); ++i) {
            const std::string imsg = "IMSG\r\nfrom:b@x\r\ncookie:R" + std::to_string(run) + "_" + std::to_string(i) +
                                     "\r\nlength:2\r\n\r\nhi";
            Dispatch("CMSG 0 b@x " + std::to_string(imsg.size()) + "\r\n" + imsg);
        }
        rig.Settle();
        state.PauseTiming();
        growth.Report(state, "memos_kept", MemoStore::Instance()->Count());
        rig.Fresh();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MemoPushFlood)->Arg(1000)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_BuddyRequestFlood(benchmark::State& state) {
    FloodRig rig(state);
    if (!rig.Started()) return;
    static int run = 0;
    ++run;
    for (auto _ : state) {
        state.PauseTiming();
        BuddyRoster::Instance()->Clear();
        const Growth growth;
        state.ResumeTiming();
        for (int64_t i = 0; i < Flood(state); ++i) {
            const std::string id = std::to_string(run) + "r" + std::to_string(i);
            Dispatch("ADDB 0 RL k" + id + " " + id + "@x hi %00\r\n");
        }
        rig.Settle();
        state.PauseTiming();
        growth.Report(state, "entries", BuddyRoster::Instance()->Count());
        rig.Fresh();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BuddyRequestFlood)->Arg(1000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ParticipantsJoinFlood(benchmark::State& state) {
    FloodRig rig(state);
    if (!rig.Started()) return;
    MessengerApp& app = rig.App();
    const auto pushed = [](const std::string& inner) {
        return "CRP2 0 SS 77 " + std::to_string(inner.size()) + "\r\n" + inner;
    };
    const auto seconds = [](std::chrono::steady_clock::time_point since) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
    };
    for (auto _ : state) {
        state.PauseTiming();
        ChatSession* chat = ChatSessionManager::Instance()->CreateChatSession();
        chat->SessionId = L"77";
        chat->BuddyId = L"m0@x";
        app.ChatInfo().Table().SetSession(chat);
        app.SetCurrentView(&app.ChatInfo());
        rig.Settle();
        state.ResumeTiming();
        auto start = std::chrono::steady_clock::now();
        for (int64_t i = 0; i < Flood(state); ++i) {
            Dispatch(pushed("JOIN 0 m" + std::to_string(i) + "@x 별 이름 %00 1\r\n"));
        }
        rig.Settle();
        state.counters["join_s"] = seconds(start);
        state.counters["members"] = static_cast<double>(chat->Members.size());
        state.counters["rows"] = app.ChatInfo().Table().GetItemCount();
        start = std::chrono::steady_clock::now();
        for (int64_t i = 0; i < Flood(state); ++i) Dispatch(pushed("QUIT 0 m" + std::to_string(i) + "@x x\r\n"));
        rig.Settle();
        state.counters["quit_s"] = seconds(start);
        state.counters["rows_left"] = app.ChatInfo().Table().GetItemCount();
        state.PauseTiming();
        app.SetCurrentView(nullptr);
        ChatSessionManager::Instance()->RemoveChat(chat);
        rig.Settle();
        rig.Fresh();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ParticipantsJoinFlood)->Arg(5000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_MemoPushBurst(benchmark::State& state) {
    MessengerRig rig;
    if (!rig.Start() || !rig.StartService() || !rig.SignIn(L"minsu@tevrik.example", L"1234")) {
        state.SkipWithError("the program did not sign in");
        return;
    }
    rig.App().SetCurrentView(&rig.App().MemoList());
    rig.Settle();
    std::string burst;
    for (int64_t i = 0; i < Flood(state); ++i) {
        const std::string imsg = "IMSG\r\nfrom:b@x\r\ncookie:B" + std::to_string(i) + "\r\nlength:2\r\n\r\nhi";
        burst += "CMSG 0 b@x " + std::to_string(imsg.size()) + "\r\n" + imsg;
    }
    const std::wstring last = L"B" + std::to_wstring(Flood(state) - 1);
    const MemoStore& store = *MemoStore::Instance();
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        double slowest = 0;
        int64_t turns = 0;
        rig.Service().Push(rig.Service().SignedInConnection("minsu@tevrik.example"), burst);
        // The loop as the program runs it, each message timed.
        const auto deadline = Clock::now() + std::chrono::seconds(120);
        while (!(store.RecordAt(0) != nullptr && store.RecordAt(0)->Cookie == last) && Clock::now() < deadline) {
            MSG msg;
            if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                WaitMessageTimeout(10);
                continue;
            }
            const auto start = Clock::now();
            if (QeClock* clock = QeClock::Instance()) clock->Update();
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            slowest = std::max(slowest, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            ++turns;
        }
        if (Clock::now() >= deadline) state.SkipWithError("the burst did not come in whole");
        state.counters["slowest_turn_ms"] = slowest;
        state.counters["turns"] = static_cast<double>(turns);
    }
}
BENCHMARK(BM_MemoPushBurst)->Arg(30000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
