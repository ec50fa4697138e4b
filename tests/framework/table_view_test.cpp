// The table view through the real loop and paint path: pen input injected into the main window,
// the framebuffer compared with the picture the rows should make at the table's scroll position;
// and its row operations on the test clock, with the indices a caller may get wrong.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/base/QeClock.h"
#include "framework/base/QeStrings.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/view/QeRect.h"
#include "framework/ui/drawing/QeSkinElements.h"
#include "platform/windows/input.h"
#include "platform/windows/window.h"
#include "tests/framework/picture.h"
#include "tests/framework/rect_text.h"
#include "tests/framework/skin_folder.h"
#include "tests/support/AppRig.h"
#include "tests/support/Golden.h"
#include "tests/support/Pump.h"

namespace {

using Lines = std::vector<std::string>;

TableItem Row(uint32_t kind, int32_t height, const std::wstring& text = L"") {
    TableItem row(kind, height);
    row.text = text;
    return row;
}
TableItem Header(int32_t height, const std::wstring& text = L"") { return Row(TableItem::kHeader, height, text); }
TableItem Item(int32_t height, const std::wstring& text = L"") { return Row(TableItem::kItem, height, text); }

constexpr COLORREF kSelected = RGB(255, 0, 255);

// Each row in a colour of its own (its index and kind), the selected one magenta; the filter keeps
// rows whose text holds the filter text.
struct Table : QeTableView {
    static COLORREF ColorOf(int32_t index, uint32_t kind) {
        return RGB(index & 0xFF, (index >> 8) & 0xFF, kind == TableItem::kHeader ? 0xC0 : 0x40);
    }
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT&) override {
        surface->FillSolid(index == GetSelection() ? kSelected : ColorOf(index, GetItem(index)->kind), clip);
        return 1;
    }
    bool MatchesFilter(const TableItem& row, const std::wstring& text) override {
        return row.text.find(text) != std::wstring::npos;
    }
    // The sum of what the rows take on screen.
    int32_t ShownSum() const {
        int32_t sum = 0;
        for (int32_t i = 0; i < GetItemCount(); ++i) sum += GetItem(i)->EffectiveShownHeight();
        return sum;
    }
};

// The screen under the table: writes down what the table reports, with the state of the row under
// the pen at that moment.
struct Screen : QeWindow {
    Lines heard;
    Table* table = nullptr;
    std::function<void(int)> onNotify;
    int OnNotify(QeWindow*, int code) override {
        heard.push_back(std::to_string(code) + State());
        if (onNotify) onNotify(code);
        return 1;
    }
    std::string State() const {
        std::string state;
        if (table != nullptr) {
            state += " selected " + std::to_string(table->GetSelection());
            if (const TableItem* row = table->GetItem(table->GetSelection()); row != nullptr && row->kind == 0) {
                state += row->expanded ? " expanded" : " folded";
            }
        }
        return state;
    }
};

// The rows as the test expects them on screen: a height (0: not shown) and a kind each.
struct Expected {
    std::vector<int32_t> heights;
    std::vector<uint32_t> kinds;
    void Add(uint32_t kind, int32_t height, int count = 1) {
        for (int i = 0; i < count; ++i) {
            kinds.push_back(kind);
            heights.push_back(height);
        }
    }
    int32_t Sum() const {
        int32_t sum = 0;
        for (int32_t h : heights) sum += h;
        return sum;
    }
};

// 0xRRGGBB as the framebuffer holds it.
uint32_t Pixel(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

using Frame = std::vector<uint32_t>;

class TableLoopTest : public ::testing::Test {
protected:
    static constexpr int kSize = 200;
    static constexpr RECT kView{10, 10, 170, 190};  // 160 x 180 on the screen
    static constexpr int kHeight = kView.bottom - kView.top;
    // The rows' width: the view less the scroll indicator's track on its right.
    static constexpr int kRowWidth = kView.right - kView.left - 8;

    void SetUp() override {
        ASSERT_TRUE(m_rig.Start(L"Table view test", kSize, kSize));
        m_window = m_rig.Window();
        m_screen = std::make_unique<Screen>();
        m_table = std::make_unique<Table>();
        m_screen->SetOwnDC(true);
        m_screen->SetRect(RECT{0, 0, kSize, kSize});
        m_screen->SetVisible(true);
        m_table->SetRect(kView);
        m_table->SetVisible(true);
        m_screen->AddChild(m_table.get());
        m_rig.Root().AddChild(m_screen.get());
        m_rig.Root().Invalidate(RECT{0, 0, 0, 0}, true);
        PumpPending();
    }
    void TearDown() override {
        m_table.reset();
        m_screen.reset();
        m_rig.Stop();
    }

    // Rows added one by one as a screen fills its list, each animation run to its end.
    void Fill(const std::vector<TableItem>& rows) {
        for (const TableItem& row : rows) m_table->AddItem(row);
        Wait(600);
    }
    void Wait(DWORD ms) {
        m_clock.Advance(ms);
        PumpPending();
    }
    // The pen at a point of the view (view coordinates), the frame clock moved on by `ms` first.
    void Pen(UINT message, int x, int y, DWORD ms = 0) {
        if (ms != 0) m_clock.Advance(ms);
        EXPECT_TRUE(InjectPen(m_window, message, kView.left + x, kView.top + y));
        PumpPending();
    }
    void Tap(int x, int y) {
        Pen(WM_LBUTTONDOWN, x, y, 10);
        Pen(WM_LBUTTONUP, x, y, 10);
    }

    // The rows' part of the view as it is on screen.
    Frame Screenshot() {
        return CaptureFramebuffer(m_window, RECT{kView.left, kView.top, kView.left + kRowWidth, kView.bottom});
    }
    // What the rows should show at the table's position, with its selection; white beyond them.
    Frame Picture(const Expected& rows) const {
        const int32_t position = m_table->AxisY().Position();
        Frame pixels(kRowWidth * kHeight, 0xFFFFFF);
        int32_t top = position;
        for (size_t i = 0; i < rows.heights.size(); ++i) {
            const auto index = static_cast<int32_t>(i);
            const uint32_t color =
                Pixel(index == m_table->GetSelection() ? kSelected : Table::ColorOf(index, rows.kinds[i]));
            for (int32_t y = std::max(top, 0); y < std::min(top + rows.heights[i], kHeight); ++y) {
                std::fill_n(pixels.begin() + y * kRowWidth, kRowWidth, color);
            }
            top += rows.heights[i];
        }
        return pixels;
    }
    // Empty when the screen shows the rows; else where it first does not.
    std::string Differs(const Expected& rows) {
        const Frame shot = Screenshot(), want = Picture(rows);
        for (size_t i = 0; i < shot.size(); ++i) {
            if (shot[i] != want[i]) {
                char text[128];
                std::snprintf(text, sizeof text, "at %zu,%zu: 0x%06X, wanted 0x%06X (position %d)", i % kRowWidth,
                              i / kRowWidth, shot[i], want[i], m_table->AxisY().Position());
                return text;
            }
        }
        return "";
    }
    // The rows as the table holds them now (mid-animation heights included).
    Expected AsHeld() const {
        Expected rows;
        for (int32_t i = 0; i < m_table->GetItemCount(); ++i) {
            rows.Add(m_table->GetItem(i)->kind, m_table->GetItem(i)->EffectiveShownHeight());
        }
        return rows;
    }

    FakeClock m_clock;  // before the framework, whose frame clock then starts at the test time
    AppRig m_rig;
    std::unique_ptr<Screen> m_screen;
    std::unique_ptr<Table> m_table;
    HWND m_window = nullptr;
};

TEST_F(TableLoopTest, AShortListDrawsEveryRowAlsoWhileOverscrolledAndBouncing) {
    Fill({Item(30), Item(40), Item(20)});
    Expected rows;
    rows.Add(1, 30);
    rows.Add(1, 40);
    rows.Add(1, 20);
    EXPECT_EQ(m_table->AxisY().ContentSize(), 90);
    EXPECT_EQ(Differs(rows), "");

    // Dragged down beyond the top (at half speed), then let go after a pause: it springs back.
    Pen(WM_LBUTTONDOWN, 50, 20);
    bool overscrolled = false;
    for (int y = 45; y <= 160; y += 5) {
        Pen(WM_MOUSEMOVE, 50, y, 20);
        overscrolled = overscrolled || m_table->AxisY().Position() > 0;
        ASSERT_EQ(Differs(rows), "") << "dragged to " << y;
    }
    EXPECT_TRUE(overscrolled);
    Pen(WM_LBUTTONUP, 50, 160, 100);
    EXPECT_TRUE(m_table->AxisY().IsBouncing());
    while (m_table->AxisY().IsMoving()) {
        Wait(30);
        ASSERT_EQ(Differs(rows), "") << "bouncing";
    }
    EXPECT_EQ(m_table->AxisY().Position(), 0);
    EXPECT_EQ(m_table->GetSelection(), -1) << "the drag cleared what the pen down selected";
}

TEST_F(TableLoopTest, AThousandRowsScrollFlingAndSelectTheRowUnderThePen) {
    std::vector<TableItem> fill(1000, Item(24));
    Fill(fill);
    Expected rows;
    rows.Add(1, 24, 1000);
    ASSERT_EQ(m_table->AxisY().ContentSize(), 24000);
    ASSERT_EQ(Differs(rows), "");

    // A quick upward stroke, released while moving: the list flings on and every frame on the way
    // shows the rows where they are.
    Pen(WM_LBUTTONDOWN, 60, 170);
    for (int y = 150; y >= 10; y -= 14) {
        Pen(WM_MOUSEMOVE, 60, y, 20);
        ASSERT_EQ(Differs(rows), "") << "dragged to " << y;
    }
    Pen(WM_LBUTTONUP, 60, 10);
    ASSERT_TRUE(m_table->AxisY().IsFlinging());
    const int32_t released = m_table->AxisY().Position();
    int frames = 0;
    while (m_table->AxisY().IsMoving()) {
        Wait(30);
        ++frames;
        ASSERT_EQ(Differs(rows), "") << "fling frame " << frames;
    }
    const int32_t stopped = m_table->AxisY().Position();
    EXPECT_LT(stopped, released - 200) << "it flew on";
    EXPECT_GE(stopped, kHeight - 24000);

    // Taps select the row under the pen and show it; one on the line between two rows takes the
    // upper one.
    for (int y : {30, 77, 150}) {
        for (int at : {y, y - (y - stopped) % 24}) {
            Tap(40, at);
            const int32_t row = (at - stopped) % 24 == 0 ? (at - stopped) / 24 - 1 : (at - stopped) / 24;
            EXPECT_EQ(m_table->GetSelection(), row) << "tap at " << at;
            EXPECT_EQ(Differs(rows), "") << "tap at " << at;
        }
    }
}

TEST_F(TableLoopTest, TappingAHeaderFoldsAndUnfoldsItsGroupAnimated) {
    Fill({Header(30), Item(20), Item(20), Item(20), Item(20), Header(30), Item(25), Item(25)});
    m_screen->table = m_table.get();
    Expected open, folded;
    for (Expected* e : {&open, &folded}) e->Add(0, 30);
    open.Add(1, 20, 4);
    folded.Add(1, 0, 4);
    for (Expected* e : {&open, &folded}) {
        e->Add(0, 30);
        e->Add(1, 25, 2);
    }
    ASSERT_EQ(Differs(open), "");

    for (const Expected* after : {&folded, &open}) {
        const int32_t from = m_table->AxisY().ContentSize();
        const std::string before = m_screen->State();
        Tap(20, 15);
        const std::string state = after == &folded ? " expanded" : " folded";
        EXPECT_EQ(m_screen->heard, (Lines{"0" + before, "1 selected 0" + state}))
            << "the parent hears the click before the group moves";
        m_screen->heard.clear();
        bool between = false;
        while (m_table->Animator().IsRunning()) {
            Wait(50);
            const int32_t now = m_table->AxisY().ContentSize();
            between = between || (now != from && now != after->Sum());
            ASSERT_EQ(now, m_table->ShownSum());
            ASSERT_EQ(Differs(AsHeld()), "");
        }
        EXPECT_TRUE(between) << "it moved through the heights between";
        EXPECT_EQ(m_table->AxisY().ContentSize(), after->Sum());
        EXPECT_EQ(Differs(*after), "");
    }
}

TEST_F(TableLoopTest, FilteringWhileARowAnimatesInKeepsTheContentHeightExact) {
    Fill({Header(30, L"g"), Item(20, L"ab"), Item(20, L"cd"), Item(20, L"ax")});
    m_table->AddItem(Item(40, L"ya"));
    Wait(150);
    ASSERT_TRUE(m_table->Animator().IsRunning());
    m_table->SetFilter(L"a");
    EXPECT_FALSE(m_table->Animator().IsRunning()) << "the filter finished it first";
    Expected rows;
    rows.Add(0, 30);
    rows.Add(1, 20);
    rows.Add(1, 0);
    rows.Add(1, 20);
    rows.Add(1, 40);
    EXPECT_EQ(m_table->AxisY().ContentSize(), 110);
    Wait(600);
    EXPECT_EQ(m_table->AxisY().ContentSize(), 110);
    EXPECT_EQ(Differs(rows), "");

    m_table->SetFilter(L"");
    rows.heights[2] = 20;
    Wait(600);
    EXPECT_EQ(m_table->AxisY().ContentSize(), 130);
    EXPECT_EQ(Differs(rows), "");
}

TEST_F(TableLoopTest, TapsOnRowBoundariesNeverSelectARowThatTakesNoHeight) {
    // y on screen: 0 hidden, 1 at 0-20, 2 hidden, 3 at 20-40, header 4 at 40-70 folding 5 and 6,
    // header 7 at 70-100, 8 at 100-120, 9 hidden at the end.
    const std::vector<TableItem> fill{Item(20, L"x"),  Item(20, L"a"), Item(20, L"x"),  Item(20, L"a"),
                                      Header(30),      Item(20, L"a"), Item(20, L"a"), Header(30),
                                      Item(20, L"a"), Item(20, L"x")};
    const struct {
        int y;
        int32_t row;
    } cases[] = {{0, 1}, {10, 1}, {20, 1}, {21, 3}, {40, 3}, {41, 4}, {70, 4}, {71, 7}, {100, 7}, {120, 8}, {121, -1}};
    for (const auto& c : cases) {
        m_table->RemoveAllItems();
        Fill(fill);
        m_table->SetFilter(L"a");
        m_table->CollapseGroup(4);
        m_table->FinishAnimation();
        ASSERT_EQ(m_table->AxisY().ContentSize(), 120);
        Pen(WM_LBUTTONDOWN, 30, c.y, 10);
        EXPECT_EQ(m_table->GetSelection(), c.row) << "pen at " << c.y;
        EXPECT_EQ(m_table->ItemAtY(kView.top + c.y), c.row);
        Pen(WM_LBUTTONUP, 30, c.y, 10);
    }
}

TEST_F(TableLoopTest, AParentMayDeleteTheTableWhenItHearsThePen) {
    Fill({Header(30), Item(20)});
    for (int code : {kNotifyPenDown, kNotifyClick}) {
        if (m_table == nullptr) {
            m_table = std::make_unique<Table>();
            m_table->SetRect(kView);
            m_table->SetVisible(true);
            m_screen->AddChild(m_table.get());
            Fill({Header(30), Item(20)});
        }
        m_screen->onNotify = [&, code](int heard) {
            if (heard == code) m_table.reset();
        };
        Tap(20, 10);
        EXPECT_EQ(m_table, nullptr);
        m_screen->onNotify = nullptr;
    }
    Wait(600);
}

// ---- row operations on the test clock

class TableTest : public FakeClockTest {
protected:
    void SetUp() override {
        m_root.SetRect(RECT{0, 0, 480, 640});
        m_root.SetVisible(true);
        m_table.SetRect(RECT{0, 100, 200, 300});
        m_table.SetVisible(true);
        m_root.AddChild(&m_table);
    }
    void TearDown() override { m_root.RemoveChild(&m_table); }
    void Fill(const std::vector<TableItem>& rows) {
        for (const TableItem& row : rows) m_table.AddItem(row);
        m_table.FinishAnimation();
    }
    std::string Dirty() {
        const std::string text = RectText(m_main.dirtyRect);
        m_main.ClearDirtyRect();
        return text;
    }

    QeMainWindow m_main;  // collects the dirty rectangle; it has no window
    QeWindow m_root;
    Table m_table;
};

TEST_F(TableTest, IndicesFromOutsideAreRefused) {
    Fill({Header(30), Item(20), Item(20)});
    m_main.ClearDirtyRect();
    for (int32_t index : {-7, -1, 3, 1000}) {
        EXPECT_EQ(RectText(m_table.GetItemRect(index)), "0,0,0,0") << index;
        EXPECT_EQ(RectText(m_table.GetItemScreenRect(index)), "0,0,0,0") << index;
        POINT out{-5, -5};
        EXPECT_FALSE(m_table.PointToItem(index, POINT{10, 10}, out));
        EXPECT_EQ(out.x, -5);
        m_table.InvalidateItem(index);
        EXPECT_EQ(Dirty(), "0,0,0,0") << index;
        EXPECT_EQ(m_table.InsertItem(Item(5), index), 0) << index;
        EXPECT_EQ(m_table.RemoveItem(index), 0) << index;
        EXPECT_EQ(m_table.ExpandGroup(index), 0) << index;
        EXPECT_EQ(m_table.CollapseGroup(index), 0) << index;
        EXPECT_EQ(m_table.GetItem(index), nullptr);
    }
    EXPECT_EQ(m_table.GetItemCount(), 3);
    EXPECT_EQ(m_table.ExpandGroup(1), 0) << "not a header";
    EXPECT_EQ(m_table.SetSelection(3), 0);
    EXPECT_EQ(m_table.SetSelection(-2), 0);
    EXPECT_EQ(m_table.GetSelection(), -1);

    const struct {
        int32_t first, last;
        const char* dirty;
    } bands[] = {
        {-1, -1, "0,100,200,300"}, {0, 0, "0,100,200,130"}, {1, 99, "0,130,200,170"}, {2, -1, "0,150,200,300"},
        {-2, 1, "0,0,0,0"},        {3, -1, "0,0,0,0"},      {2, 1, "0,0,0,0"},        {1, -3, "0,0,0,0"},
    };
    for (const auto& b : bands) {
        m_table.InvalidateItems(b.first, b.last);
        EXPECT_EQ(Dirty(), b.dirty) << b.first << ".." << b.last;
    }
    POINT out{};
    ASSERT_TRUE(m_table.PointToItem(2, POINT{7, 160}, out));
    EXPECT_EQ(out.y, 10);
    EXPECT_EQ(m_table.FindGroupHeader(99), 0);
    EXPECT_EQ(m_table.FindGroupHeader(-1), -1);

    // An empty table takes the band of the whole view and nothing else.
    m_table.RemoveAllItems();
    m_table.InvalidateItems(-1, -1);
    EXPECT_EQ(Dirty(), "0,100,200,300");
    m_table.InvalidateItems(0, -1);
    EXPECT_EQ(Dirty(), "0,0,0,0");
    EXPECT_EQ(m_table.ItemAtY(150), -1);
}

TEST_F(TableTest, RowsInAFoldedGroupTakeNoHeightUntilItUnfolds) {
    Fill({Header(30), Item(20), Header(30), Item(20)});
    m_table.CollapseGroup(0);
    m_table.FinishAnimation();
    EXPECT_EQ(m_table.AxisY().ContentSize(), 80);

    EXPECT_EQ(m_table.InsertItem(Item(25), 2), 1);
    EXPECT_FALSE(m_table.Animator().IsRunning()) << "not animated";
    EXPECT_EQ(m_table.GetItem(2)->shownHeight, 0);
    EXPECT_EQ(m_table.AxisY().ContentSize(), 80);
    EXPECT_EQ(m_table.InsertItem(Item(5), 4), 1) << "in the open group: animated";
    EXPECT_TRUE(m_table.Animator().IsRunning());
    Advance(600);
    EXPECT_EQ(m_table.AxisY().ContentSize(), 85);

    m_table.ExpandGroup(0);
    Advance(600);
    EXPECT_EQ(m_table.AxisY().ContentSize(), 130);
    std::vector<int32_t> ys;
    for (int32_t i = 0; i < m_table.GetItemCount(); ++i) ys.push_back(m_table.GetItem(i)->y);
    EXPECT_EQ(ys, (std::vector<int32_t>{0, 30, 50, 75, 105, 110}));

    // Removed from a folded group: gone at once.
    m_table.CollapseGroup(0);
    m_table.FinishAnimation();
    EXPECT_EQ(m_table.RemoveItem(1), 1);
    EXPECT_FALSE(m_table.Animator().IsRunning());
    EXPECT_EQ(m_table.GetItemCount(), 5);
    EXPECT_EQ(m_table.AxisY().ContentSize(), 85);
    EXPECT_FALSE(m_table.IsGroupExpanded(1));
    EXPECT_TRUE(m_table.IsGroupExpanded(0)) << "no header above";
}

TEST_F(TableTest, UnfoldingAGroupOfNoHeightGivesItsRowsNone) {
    // One row of no height is shown; the others are hidden.
    Fill({Header(30, L"a"), Item(0, L"a"), Item(20, L"x"), Item(20, L"x"), Header(30, L"b")});
    m_table.CollapseGroup(0);
    m_table.FinishAnimation();
    m_table.SetFilter(L"a");
    m_table.ExpandGroup(0);
    for (int tick = 0; tick < 60; ++tick) {
        Advance(10);
        ASSERT_EQ(m_table.AxisY().ContentSize(), 60);
        ASSERT_EQ(m_table.GetItem(1)->shownHeight, 0);
    }
    m_table.SetFilter(L"");
    EXPECT_EQ(m_table.AxisY().ContentSize(), 100) << "shown again at their full height";
}

TEST_F(TableTest, ARemovedRowLeavesTheSelectionOnTheRowItNamed) {
    Fill({Item(20, L"0"), Item(20, L"1"), Item(20, L"2"), Item(20, L"3")});
    m_table.SetSelection(2);
    EXPECT_EQ(m_table.RemoveItem(1), 1);
    EXPECT_EQ(m_table.GetSelection(), -1) << "a removal clears the selection";
    Advance(200);
    m_table.SetSelection(3);
    Advance(400);
    EXPECT_EQ(m_table.GetItemCount(), 3);
    ASSERT_EQ(m_table.GetSelection(), 2);
    EXPECT_EQ(m_table.GetItem(2)->text, L"3");
    EXPECT_EQ(m_table.AxisY().ContentSize(), 60);

    m_table.RemoveItem(1);
    Advance(100);
    m_table.SetSelection(1);
    Advance(500);
    EXPECT_EQ(m_table.GetSelection(), -1) << "the selected row itself went";
}

// A row change handled while the clock is past the running animation's end but its last tick
// still waits in the queue (the loop was busy) ends that animation as the tick would have.
TEST_F(TableTest, AChangeBeforeTheLastTickIsHandledFinishesTheAnimationFirst) {
    const std::pair<const char*, std::function<void(Table&)>> firsts[] = {
        {"remove", [](Table& t) { t.RemoveItem(2); }},
        {"insert", [](Table& t) { t.InsertItem(Item(25, L"new"), 2); }},
    };
    for (const auto& [what, first] : firsts) {
        std::string rows[2];
        for (bool blocked : {false, true}) {
            m_table.RemoveAllItems();
            Fill({Header(30, L"h"), Item(20, L"a"), Item(20, L"b"), Item(20, L"c")});
            m_table.GetItem(2)->userValue = 0xB;
            first(m_table);
            if (blocked) {
                AdvanceBlocked(600);
                QeClock::Instance()->Update();  // as the loop does for the message with the change
            } else {
                Advance(600);
            }
            m_table.InsertItem(Item(15, L"x"), 1);
            Advance(600);
            for (int32_t i = 0; i < m_table.GetItemCount(); ++i) {
                const TableItem& row = *m_table.GetItem(i);
                rows[blocked] += QeStrings::WideToUtf8(row.text) + " " + std::to_string(row.y) + "+" +
                                 std::to_string(row.shownHeight) + " " + std::to_string(row.userValue) + ", ";
            }
            rows[blocked] += std::to_string(m_table.AxisY().ContentSize());
        }
        EXPECT_EQ(rows[1], rows[0]) << what;
    }
}

// ---- drawing of cells

class TableDrawTest : public SkinFolderTest {};

// Draws each row with a cell: an image two pixels wide, 1 pixel in; a child window after it.
struct CellTable : QeTableView {
    QeSkinImage image;
    QeWindow* window = nullptr;
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override {
        QeTableView::DrawItem(surface, index, clip, inRow);
        QeCell cell(*this, *surface, index, clip, inRow);
        cell.DrawImage(image, RECT{1, 0, 3, 2});
        if (window != nullptr) cell.DrawWindow(*window, RECT{4, 1, 6, 2});
        return 1;
    }
};

struct Fill1 : QeWindow {
    int Draw(QeSurface* surface, const RECT& rect) override {
        surface->FillSolid(RGB(0, 0, 255), rect);
        return 1;
    }
};

TEST_F(TableDrawTest, DefaultShadesAndCellsClippedToTheRow) {
    m_dir.WriteBytes("rg.bmp", PictureBmp({"R", "G"}));
    QeMainWindow main;
    CellTable table;
    ASSERT_TRUE(table.image.Load(Element(L"<I><File>rg.bmp</File></I>")));
    Fill1 child;
    child.SetVisible(true);
    QeWindow parent;
    parent.AddChild(&child);  // a window drawn into a cell keeps its own place in its tree
    table.window = &child;
    table.SetOwnDC(true);
    table.SetDrawMode(QeScrollView::kDrawWhole);
    table.SetRect(RECT{0, 0, 16, 40});
    for (const TableItem& row : {Header(2), Header(2), Header(2), Header(2), Item(2), Item(2), Item(2), Item(2),
                                 Row(5, 2), Item(3)}) {
        table.AddItem(row);
    }
    table.FinishAnimation();

    QeSurface surface;
    ASSERT_TRUE(surface.Create(16, 40));
    surface.Fill(RGB(0, 0, 0));
    ASSERT_TRUE(table.Draw(&surface, RECT{0, 0, 16, 21}));
    // Shades: headers RGB(82,127,195) darker by index mod 4, items grey 164 + 16 x (index mod 4).
    const COLORREF shades[] = {RGB(82, 127, 195),  RGB(71, 111, 170),  RGB(61, 95, 146),  RGB(51, 79, 121),
                               RGB(164, 164, 164), RGB(180, 180, 180), RGB(196, 196, 196), RGB(212, 212, 212)};
    for (int i = 0; i < 8; ++i) {
        const COLORREF want = shades[i];
        EXPECT_EQ(PixelAt(surface, 0, 2 * i), want) << "row " << i;
        EXPECT_EQ(PixelAt(surface, 0, 2 * i + 1), want) << "row " << i;
        EXPECT_EQ(PixelAt(surface, 1, 2 * i), RGB(255, 0, 0)) << "image top, row " << i;
        EXPECT_EQ(PixelAt(surface, 2, 2 * i + 1), RGB(0, 255, 0)) << "image bottom, row " << i;
        EXPECT_EQ(PixelAt(surface, 4, 2 * i + 1), RGB(0, 0, 255)) << "window, row " << i;
        EXPECT_EQ(PixelAt(surface, 4, 2 * i), want) << "window, row " << i;
    }
    EXPECT_EQ(PixelAt(surface, 0, 16), RGB(0, 0, 0)) << "another kind: nothing but the cell";
    EXPECT_EQ(PixelAt(surface, 1, 16), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(surface, 0, 18), RGB(180, 180, 180)) << "row 9";
    EXPECT_EQ(PixelAt(surface, 1, 20), RGB(180, 180, 180)) << "below the image";
    EXPECT_EQ(PixelAt(surface, 0, 21), RGB(0, 0, 0)) << "below the rect drawn";
    EXPECT_EQ(child.Parent(), &parent);
    parent.RemoveChild(&child);
}

}  // namespace
