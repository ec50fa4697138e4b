// The table view with a long buddy list: 10,000 rows in 50 groups of one header and 199 buddies.
// Filling it row by row as a screen does (each row's insert animation started and finished by the
// next), filtering it by a two-letter text, and drawing one full 480 x 588 screen of it while it
// flings (the position moved on each frame, every row drawn with its fill, name and line).
// Targets: the filter under 5 ms, a frame under 2 ms, on one core.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/base/QeMarkup.h"
#include "framework/base/QeTiming.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/drawing/QeSkinElements.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/view/QeRect.h"
#include "platform/system/text.h"

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 588;
constexpr int kGroups = 50;
constexpr int kPerGroup = 199;
constexpr int32_t kHeaderHeight = 30;
constexpr int32_t kRowHeight = 60;

// Names of four to eight letters from a fixed sequence, so that a two-letter text matches some.
std::vector<std::wstring> Names(size_t count) {
    std::vector<std::wstring> names;
    uint32_t seed = 12345;
    for (size_t i = 0; i < count; ++i) {
        std::wstring name;
        seed = seed * 1103515245u + 12345u;
        const int length = 4 + static_cast<int>((seed >> 16) % 5);
        for (int c = 0; c < length; ++c) {
            seed = seed * 1103515245u + 12345u;
            name += static_cast<wchar_t>(L'a' + (seed >> 16) % 12);
        }
        names.push_back(name);
    }
    return names;
}

// Rows drawn as a buddy list draws them: a background, the name, a divider; the filter looks for
// the text inside the name.
class BuddyTable : public QeTableView {
public:
    BuddyTable() {
        const std::string units =
            TextWideToUtf16Le(L"<Name><FontSize>16</FontSize><BackMode>Transparent</BackMode></Name>");
        QeMemoryReader reader(units.data(), static_cast<uint32_t>(units.size()));
        if (m_skin.Parse(reader) && !m_skin.Children().empty()) m_name.Load(*m_skin.Children()[0]);
    }
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override {
        const TableItem* row = GetItem(index);
        surface->FillSolid(row->kind == TableItem::kHeader ? RGB(82, 127, 195) : RGB(250, 250, 250), clip);
        QeCell cell(*this, *surface, index, clip, inRow);
        m_name.SetText(row->text);
        cell.DrawText(m_name, RECT{50, 0, 400, row->fullHeight});
        const RECT line{0, row->fullHeight - 1, kWidth, row->fullHeight};
        RECT part;
        if (QeIntersectRect(QeOffsetRect(line, clip.left - inRow.left, clip.top - inRow.top), clip, part)) {
            surface->FillSolid(RGB(220, 220, 220), part);
        }
        return 1;
    }
    bool MatchesFilter(const TableItem& row, const std::wstring& text) override {
        return row.text.find(text) != std::wstring::npos;
    }

private:
    QeMarkupDocument m_skin;
    QeSkinText m_name;
};

class Scene {
public:
    Scene() : m_names(Names(kGroups * (kPerGroup + 1))) {
        QeGraphicsStart();
        QeTimingStart();
    }
    ~Scene() {
        m_table.reset();
        QeTimingStop();
        QeGraphicsStop();
    }
    BuddyTable& Fill() {
        m_table = std::make_unique<BuddyTable>();
        m_table->SetOwnDC(true);
        m_table->SetVisible(true);
        m_table->SetRect(RECT{0, 0, kWidth, kHeight});
        size_t n = 0;
        for (int g = 0; g < kGroups; ++g) {
            TableItem header(TableItem::kHeader, kHeaderHeight);
            header.text = m_names[n++];
            m_table->AddItem(header);
            for (int i = 0; i < kPerGroup; ++i) {
                TableItem buddy(TableItem::kItem, kRowHeight);
                buddy.text = m_names[n++];
                m_table->AddItem(buddy);
            }
        }
        m_table->FinishAnimation();
        return *m_table;
    }

private:
    std::vector<std::wstring> m_names;
    std::unique_ptr<BuddyTable> m_table;
};

void BM_TableFill(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) benchmark::DoNotOptimize(scene.Fill().GetItemCount());
    state.SetItemsProcessed(state.iterations() * kGroups * (kPerGroup + 1));
}
BENCHMARK(BM_TableFill)->Unit(benchmark::kMillisecond);

void BM_TableFilterTwoLetters(benchmark::State& state) {
    Scene scene;
    BuddyTable& table = scene.Fill();
    table.SetFilter(L"ab");
    state.counters["content"] = table.AxisY().ContentSize();
    for (auto _ : state) {
        table.SetFilter(L"ab");
        benchmark::DoNotOptimize(table.AxisY().ContentSize());
    }
}
BENCHMARK(BM_TableFilterTwoLetters)->Unit(benchmark::kMillisecond);

// One frame of a fling: the content 37 pixels further on, drawn whole or by copying the last frame.
// The main window keeps count of what was asked to be repainted between frames (nothing here, as in
// a fling over rows that do not change), and forgets it after each frame as the paint path does.
// Target: a frame by copy at most 0.8 of a frame drawn whole.
void FlingFrame(benchmark::State& state, uint32_t mode) {
    Scene scene;
    QeMainWindow main;  // no system window: only the repaint bookkeeping
    BuddyTable& table = scene.Fill();
    table.SetDrawMode(mode);
    QeSurface surface;
    if (!surface.Create(kWidth, kHeight)) {
        state.SkipWithError("no surface");
        return;
    }
    const RECT all{0, 0, kWidth, kHeight};
    const int32_t end = kHeight - table.AxisY().ContentSize();
    int32_t position = 0;
    for (auto _ : state) {
        position = position - 37 < end ? 0 : position - 37;
        table.AxisY().SetPosition(position);
        benchmark::DoNotOptimize(table.Draw(&surface, all));
        main.ClearDirtyRect();
    }
}

void BM_TableFlingFrameWhole(benchmark::State& state) { FlingFrame(state, QeScrollView::kDrawWhole); }
BENCHMARK(BM_TableFlingFrameWhole)->Unit(benchmark::kMicrosecond);

void BM_TableFlingFrameByCopy(benchmark::State& state) { FlingFrame(state, QeScrollView::kDrawByCopy); }
BENCHMARK(BM_TableFlingFrameByCopy)->Unit(benchmark::kMicrosecond);

}  // namespace
