// The buddy list with 10,000 buddies in 50 groups of 200: the whole list rebuilt (the end of the
// sign-in, and every buddy change reply), split into building the rows and filling the table; a
// search keystroke; one buddy's presence change under SortType 1.
// Targets on an idle machine: Refresh under 15 ms, a keystroke under 5 ms, a presence change
// under 1 ms.
#include <benchmark/benchmark.h>

#include <string>

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

constexpr int kGroups = 50;
constexpr int kPerGroup = 200;

class Scene {
public:
    Scene() {
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
        for (int g = 0; g < kGroups; ++g) {
            BuddyGroup group;
            group.Id = std::to_wstring(1000 + g);
            group.Name = L"Group " + std::to_wstring(next() % 997);
            for (int i = 0; i < kPerGroup; ++i) {
                Buddy buddy;
                buddy.Key = std::to_wstring(next()) + L"-" + std::to_wstring(g * kPerGroup + i);
                buddy.Id = L"user" + std::to_wstring(g * kPerGroup + i) + L"@tevrik.example";
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

}  // namespace
