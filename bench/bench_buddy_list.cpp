// The buddy list with 10,000 buddies in 50 groups of 200: the whole list rebuilt (the end of the
// sign-in, and every buddy change reply), split into building the rows and filling the table; a
// search keystroke; one buddy's presence change under SortType 1. Then 1,000 of one group's 10,000
// buddies signing on together under SortType 1, their names sharing a long prefix as a company
// directory's do.
// Targets on an idle machine: Refresh under 15 ms, a keystroke under 5 ms, a presence change
// under 1 ms, the burst under 200 ms.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/MessengerApp.h"
#include "app/SkinDocument.h"
#include "app/screens/buddies/BuddyListRows.h"
#include "app/screens/buddies/BuddyListTable.h"
#include "framework/base/QePathTable.h"
#include "framework/base/QeTiming.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/Options.h"
#include "tests/support/temp_folder.h"

namespace {

class Scene {
public:
    explicit Scene(int groups = 50, int perGroup = 200, const std::wstring& namePrefix = std::wstring()) {
        QeGraphicsStart();
        QeTimingStart();
        // The rows take their height from the table's skin, which names its pictures in the assets.
        QePathTableStart();
        MessengerApp::SetResourceRoots(*QePathTable::Instance(), L"" TEVRIK_ASSETS_DIR "/");
        m_skin.Load(MessengerApp::kSkinFile);
        m_table.Create();
        m_options.SortType = 1;
        m_options.ViewType = 3;
        uint32_t seed = 12345;
        const auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
        for (int g = 0; g < groups; ++g) {
            BuddyGroup group;
            group.Id = std::to_wstring(1000 + g);
            group.Name = L"Group " + std::to_wstring(next() % 997);
            for (int i = 0; i < perGroup; ++i) {
                Buddy buddy;
                buddy.Key = std::to_wstring(next()) + L"-" + std::to_wstring(g * perGroup + i);
                buddy.Id = L"user" + std::to_wstring(g * perGroup + i) + L"@tevrik.example";
                buddy.Name = namePrefix;
                for (int c = 0; c < 5; ++c) buddy.Name += static_cast<wchar_t>(0xAC00 + (next() >> 16) % 400);
                buddy.Nickname = L"nick " + std::to_wstring(next() % 10007);
                buddy.Status = (next() >> 16) % 3 == 0 ? kPresenceOffline : 0;
                group.AddMember(buddy.Key);
                m_roster.AddOrUpdate(buddy.Key, buddy);
            }
            m_groups.InsertEntry(group);
        }
        m_table.SetVisible(true);
        m_table.SetRect(RECT{0, 0, 480, 392});
    }
    ~Scene() {
        m_table.RemoveRows();
        QePathTableStop();
        QeTimingStop();
        QeGraphicsStop();
    }

    testsupport::ScopedConfigHome m_config;  // the options are saved where nothing else looks
    SkinDocument m_skin;
    BuddyRoster m_roster;
    BuddyGroupList m_groups;
    Options m_options;
    BuddyListTable m_table;
};

// The argument is the sort type: 0 every buddy (10,050 rows), 1 online buddies only.
void BM_BuddyListRebuildRows(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) {
        BuddyListRows rows;
        RebuildRows(rows, std::wstring(), static_cast<uint32_t>(state.range(0)), 3);
        benchmark::DoNotOptimize(rows.rows.size());
    }
}
BENCHMARK(BM_BuddyListRebuildRows)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_BuddyListRefresh(benchmark::State& state) {
    Scene scene;
    scene.m_options.SortType = static_cast<uint32_t>(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(scene.m_table.Refresh());
    state.counters["rows"] = scene.m_table.GetItemCount();
}
BENCHMARK(BM_BuddyListRefresh)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A keystroke: the word grows by one letter and goes back, so every iteration filters anew.
void BM_BuddyListSearchKeystroke(benchmark::State& state) {
    Scene scene;
    scene.m_table.Refresh();
    bool longer = false;
    for (auto _ : state) {
        scene.m_table.SetFilter((longer = !longer) ? L"user12" : L"user1");
        benchmark::DoNotOptimize(scene.m_table.GetItemCount());
    }
}
BENCHMARK(BM_BuddyListSearchKeystroke)->Unit(benchmark::kMillisecond);

// One buddy goes offline and comes back online: two updates per iteration.
void BM_BuddyListPresenceChange(benchmark::State& state) {
    Scene scene;
    scene.m_table.Refresh();
    Buddy* buddy = nullptr;
    scene.m_roster.ForEach([&](Buddy& b) {
        if (buddy == nullptr && b.Status != kPresenceOffline) buddy = &b;
    });
    for (auto _ : state) {
        buddy->Status = kPresenceOffline;
        scene.m_table.UpdateBuddyRow(buddy);
        buddy->Status = 0;
        scene.m_table.UpdateBuddyRow(buddy);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_BuddyListPresenceChange)->Unit(benchmark::kMicrosecond);

void BM_PresenceBurstConnectedOnly(benchmark::State& state) {
    constexpr int kBurst = 1000;
    Scene scene(1, 10000, L"\uC5F0\uAD6C\uAC1C\uBC1C\uBCF8\uBD80 \uD50C\uB7AB\uD3FC\uAC1C\uBC1C\uC2E4 ");
    std::vector<Buddy*> burst;
    int seen = 0;
    scene.m_roster.ForEach([&](Buddy& b) {
        if (seen++ % 10 == 0) burst.push_back(&b);
    });
    for (auto _ : state) {
        state.PauseTiming();
        for (Buddy* buddy : burst) buddy->Status = kPresenceOffline;
        scene.m_table.Refresh();
        state.ResumeTiming();
        for (Buddy* buddy : burst) {
            buddy->Status = 0;
            scene.m_table.UpdateBuddyRow(buddy);
        }
    }
    state.counters["rows"] = scene.m_table.GetItemCount();
    state.SetItemsProcessed(state.iterations() * kBurst);
}
BENCHMARK(BM_PresenceBurstConnectedOnly)->Unit(benchmark::kMillisecond);

}  // namespace
