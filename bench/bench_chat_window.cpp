// One chat line with an emoticon appended to a transcript of 1,000 lines, in the whole program on
// the test clock: the line's layout and the repaint of the visible part included. Target: under
// 2 ms. The memory the 1,000 lines take is reported beside it (bytes_per_1000_lines).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include "app/screens/chats/ChatPage.h"
#include "messenger/model/ChatSessionManager.h"
#include "tests/support/MessengerRig.h"

namespace {

const wchar_t kLine[] = L"유나 (별) 님의 말:\n오늘 저녁에 같이 밥 먹을래? /웃음/ 7시 어때\n";

void BM_ChatAppendLineTo1000(benchmark::State& state) {
    MessengerRig rig;
    if (!rig.Start()) {
        state.SkipWithError("the program did not start");
        return;
    }
    ChatSession* chat = ChatSessionManager::Instance()->CreateChatSession();
    ChatPage* page = ChatPageOf(chat);
    rig.App().SetCurrentView(page);
    rig.Settle();
    const size_t before = mallinfo2().uordblks;
    for (int i = 0; i < 1000; ++i) page->AppendLine(kLine, 2);
    rig.Settle();
    state.counters["bytes_per_1000_lines"] = static_cast<double>(mallinfo2().uordblks - before);
    for (auto _ : state) {
        page->AppendLine(kLine, 2);
        rig.Settle();
    }
    rig.App().SetCurrentView(nullptr);
    ChatSessionManager::Instance()->RemoveChat(chat);
    rig.Settle();
}
BENCHMARK(BM_ChatAppendLineTo1000)->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace
