// What peers can send without end, in the whole program on the test clock (the tests' rig), with
// the screen that shows it current:
//   ChatTranscriptMemory   received lines of 60 characters into one shown chat; the resident
//                          memory it grows by (1,000 and 10,000 lines should differ by < 1 MB);
//   ChatLongReceivedLine   one line of "/ab" or of emoticon codes through ChatOutputView::AppendLine,
//                          2,048 and 4,096 characters (targets: "/ab" < 10 ms, emoticons < 40 ms,
//                          4,096 at most 2.5x the time of 2,048);
//   MemoPushFlood          memos pushed (IMSG in CMSG) through ProtocolSession::OnPacket into the
//                          shown inbox (100,000 at most 12x the time of 10,000; resident memory
//                          after 100,000 within 5 MB of that after 1,000);
//   BuddyRequestFlood      buddy requests from new ids (resident memory after 100,000 within 5 MB
//                          of that after 1,000);
//   EmoticonChatsMemory    64 chats, each sent lines of the skin's emoticon codes (argument 1; 0:
//                          plain text of as many glyphs, for comparison) until far past its
//                          transcript's bound, one of them shown; the whole program's resident
//                          memory (target: under 150 MB with emoticons) and what the chats grew it by.
// Memory is read after the heap gave back what it could (malloc_trim): VmRSS growth in MB, and the
// heap's bytes in use beside it.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/MessengerApp.h"
#include "app/screens/chats/ChatPage.h"
#include "app/screens/memos/MemoListPage.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/MemoStore.h"
#include "messenger/protocol/ProtocolSession.h"
#include "tests/support/MessengerRig.h"

namespace {

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
        for (int64_t i = 0; i < state.range(0); ++i) page->AppendLine(line, 2);
        rig.Settle();
        growth.Report(state, nullptr, 0);
        state.PauseTiming();
        CloseChat(rig, page);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ChatTranscriptMemory)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

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
        for (int64_t i = 0; i < state.range(0); ++i) {
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
        for (int64_t i = 0; i < state.range(0); ++i) {
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

void BM_EmoticonChatsMemory(benchmark::State& state) {
    constexpr int kChats = 64;
    // Each line adds 200 glyphs; 150 of them take a transcript half as far again past its bound.
    constexpr int kLines = 150;
    FloodRig rig(state);
    if (!rig.Started()) return;
    const bool emoticons = state.range(0) != 0;
    std::wstring line;
    for (const wchar_t* code : {L"/웃음/", L"/미소/", L"/슬픔/", L"/화남/", L"/놀람/", L"/사랑/", L"/졸림/",
                                L"/울음/", L"/하트/", L"/윙크/"}) {
        line += emoticons ? std::wstring(code) : std::wstring(L"말");
    }
    std::wstring text;
    for (int i = 0; i < 20; ++i) text += line;
    for (auto _ : state) {
        const Growth growth;
        std::vector<ChatPage*> pages;
        for (int c = 0; c < kChats; ++c) {
            ChatSession* chat = ChatSessionManager::Instance()->CreateChatSession();
            chat->BuddyId = L"buddy" + std::to_wstring(c) + L"@tevrik.example";
            pages.push_back(ChatPageOf(chat));
        }
        rig.App().SetCurrentView(pages.front());
        for (ChatPage* page : pages) {
            for (int i = 0; i < kLines; ++i) page->AppendLine(text, 2);
        }
        rig.Settle();
        growth.Report(state, "glyphs_per_chat", pages.front()->View().Output().GlyphCount());
        state.counters["rss_MB"] = ResidentMb();
        state.PauseTiming();
        rig.App().SetCurrentView(nullptr);
        for (ChatPage* page : pages) ChatSessionManager::Instance()->RemoveChat(page->Session());
        rig.Settle();
        rig.Fresh();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EmoticonChatsMemory)->ArgName("emoticons")->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
