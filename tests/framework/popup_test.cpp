// Popups and popup menus through the real loop and the framebuffer: one open at a time, composed
// with the key colour left out over the dimmed screen, closed by a tap outside, by its own button,
// from another popup's button and by a menu row, freed only once the message that closed it has
// been handled, and the next popup opened from the previous one's callback.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/base/QePathTable.h"
#include "framework/controls/QeButton.h"
#include "framework/controls/QeLabel.h"
#include "framework/controls/QePopupMenu.h"
#include "framework/ui/view/QePopup.h"
#include "framework/ui/view/QePopupHolder.h"
#include "framework/ui/view/QeRect.h"
#include "platform/windows/input.h"
#include "platform/windows/window.h"
#include "tests/framework/picture.h"
#include "tests/framework/rect_text.h"
#include "tests/framework/screen_cells.h"
#include "tests/framework/temp_dir.h"
#include "tests/framework/test_skin.h"
#include "tests/support/AppRig.h"
#include "tests/support/Golden.h"
#include "tests/support/Pump.h"
#include "tests/support/TraceLog.h"

namespace {

using Lines = std::vector<std::string>;

constexpr int kCell = 20;
constexpr int kWidth = 240;
constexpr int kHeight = 200;
constexpr SIZE kPopupSize{120, 80};  // centred: 60, 60 to 180, 140

// A window of one colour.
struct Fill : QeWindow {
    Fill(COLORREF color, const RECT& rect) : color(color) {
        SetRect(rect);
        SetVisible(true);
    }
    COLORREF color;
    int Draw(QeSurface* surface, const RECT& rect) override {
        surface->FillSolid(color, rect);
        return 1;
    }
};

// Touches itself after its click has been reported, as a control may: the popup that the click
// closed must still be there.
struct TouchingButton : QeButton {
    int releases = 0;
    int OnPenUp(int x, int y) override {
        const int answer = QeButton::OnPenUp(x, y);
        ++releases;
        return answer;
    }
};

// A popup with skinned frames and one button (80, 80 to 160, 120 on the screen when centred at its
// usual size) that closes it with 7 unless told to do something else. It writes down when it goes.
struct TestPopup : QePopup {
    TestPopup(Lines& log, std::string name, TestSkin& skin) : log(log), name(std::move(name)) {
        EXPECT_TRUE(TopFrame().Load(skin.Parse(L"<T><File>top.bmp</File></T>")));
        EXPECT_TRUE(MiddleFrame().Load(skin.Parse(L"<M><File>middle.bmp</File></M>")));
        EXPECT_TRUE(BottomFrame().Load(skin.Parse(L"<B><File>bottom.bmp</File></B>")));
        button.SetRect(RECT{20, 20, 100, 60});
        button.SetVisible(true);
        AddChild(&button);
    }
    ~TestPopup() override { log.push_back(name + " freed"); }
    int OnNotify(QeWindow* child, int code) override {
        if (child != &button || code != kNotifyClick) return 1;
        if (onClick) {
            onClick();
        } else {
            Close(7);
        }
        return 1;
    }
    // Whether the window lies in this popup's tree.
    bool Holds(const QeWindow* w) const {
        while (w != nullptr && w != this) w = w->Parent();
        return w != nullptr;
    }

    Lines& log;
    std::string name;
    TouchingButton button;
    std::function<void()> onClick;
    TestPopup* next = nullptr;  // opened by the callback
};

// Two items and a header, 20 pixels each, painted by state: the selected row yellow, the header
// red, items green, and what the rows leave of the list blue.
struct TestMenu : QePopupMenu {
    explicit TestMenu(Lines& log) : log(log) {
        for (uint32_t kind : {TableItem::kItem, TableItem::kItem, TableItem::kHeader}) {
            List().AddItem(TableItem(kind, 20));
        }
        List().FinishAnimation();
    }
    ~TestMenu() override { log.push_back("menu freed"); }
    int DrawMenuBackground(QeSurface* surface, const RECT& rect) override {
        surface->FillSolid(RGB(0, 0, 255), rect);
        return 1;
    }
    int DrawMenuItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT&) override {
        const bool header = List().GetItem(index)->kind == TableItem::kHeader;
        surface->FillSolid(index == List().GetSelection() ? RGB(255, 255, 0)
                           : header                       ? RGB(255, 0, 0)
                                                          : RGB(0, 255, 0),
                           clip);
        return 1;
    }
    Lines& log;
};
constexpr SIZE kMenuSize{140, 100};  // centred: 50, 50 to 190, 150; the list 60, 60 to 180, 140

class PopupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.Valid());
        ASSERT_TRUE(m_rig.Start(L"Popup test", kWidth, kHeight));
        m_window = m_rig.Window();
        QePathTable::Instance()->SetRoot(0, m_dir.Path(L""));
        // Magenta corners on the top and bottom frames let the screen through.
        m_dir.WriteBytes("top.bmp", PictureBmp(Cells(20, "MGGGGM")));
        m_dir.WriteBytes("middle.bmp", PictureBmp({"BBBBBB"}));
        m_dir.WriteBytes("bottom.bmp", PictureBmp(Cells(20, "MWWWWM")));
        m_background.SetOwnDC(true);
        m_background.AddChild(&m_red);
        m_rig.Root().AddChild(&m_background);
        m_rig.Root().Invalidate(RECT{0, 0, 0, 0}, true);
        PumpPending();
    }
    void TearDown() override { m_rig.Stop(); }

    TestPopup* Make(const std::string& name) { return new TestPopup(m_log, name, m_skin); }
    // Writes down the result and what the callback finds: the popup whole, and no pressed, focus
    // or previous-focus pointer left in it; then opens the popup's next one, if any.
    static void Closed(void* context, QePopup* popup, int result) {
        auto* test = static_cast<PopupTest*>(context);
        auto* closed = static_cast<TestPopup*>(popup);
        const bool clear = !closed->Holds(QeGetPressedWindow()) && !closed->Holds(QeGetFocusWindow()) &&
                           !closed->Holds(QeGetPreviousFocusWindow());
        test->m_log.push_back(closed->name + " closed " + std::to_string(result) + (clear ? "" : " still pointed at"));
        if (closed->next != nullptr) closed->next->Popup(kPopupSize, &Closed, test);
    }
    TestPopup* Open(const std::string& name) {
        TestPopup* popup = Make(name);
        EXPECT_EQ(popup->Popup(kPopupSize, &Closed, this), 1);
        PumpPending();
        return popup;
    }
    void Click(int x, int y) {
        ASSERT_TRUE(InjectClick(m_window, x, y));
        PumpPending();
    }
    Lines Take() {
        Lines taken;
        taken.swap(m_log);
        return taken;
    }
    Cells Screen() { return ScreenCells(m_window, kWidth, kHeight, kCell); }
    // The cells of the menu's list.
    Cells MenuList() {
        Cells cells = Screen(), list;
        for (int row = 3; row <= 6; ++row) list.push_back(cells[row].substr(3, 6));
        return list;
    }
    TestMenu* OpenMenu() {
        auto* menu = new TestMenu(m_log);
        EXPECT_EQ(menu->Popup(kMenuSize, &MenuClosed, this), 1);
        PumpPending();
        return menu;
    }
    static void MenuClosed(void* context, QePopup* popup, int result) {
        static_cast<PopupTest*>(context)->m_log.push_back("menu closed " + std::to_string(result) + " row " +
                                                          std::to_string(static_cast<TestMenu*>(popup)->List().GetSelection()));
    }
    int PopupsInTree() {
        int count = 0;
        for (QeWindow* w = m_rig.Root().FirstChild(); w != nullptr; w = w->Next()) {
            count += dynamic_cast<QePopup*>(w) != nullptr;
        }
        return count;
    }

    TempDir m_dir;
    TestSkin m_skin;
    Lines m_log;
    AppRig m_rig;
    HWND m_window = nullptr;
    Fill m_background{RGB(255, 255, 255), RECT{0, 0, kWidth, kHeight}};
    Fill m_red{RGB(255, 0, 0), RECT{40, 40, 100, 100}};
};

const Cells kScene = {
    "WWWWWWWWWWWW",  //
    "WWWWWWWWWWWW",  //
    "WWRRRWWWWWWW",  //
    "WWRRRWWWWWWW",  //
    "WWRRRWWWWWWW",  //
    "WWWWWWWWWWWW",  //
    "WWWWWWWWWWWW",  //
    "WWWWWWWWWWWW",  //
    "WWWWWWWWWWWW",  //
    "WWWWWWWWWWWW",  //
};

// The popup at its usual size over the dimmed scene: its magenta corners show what lies beneath.
const Cells kPopupScene = {
    "wwwwwwwwwwww",  //
    "wwwwwwwwwwww",  //
    "wwrrrwwwwwww",  //
    "wwrrGGGGwwww",  //
    "wwrBBBBBBwww",  //
    "wwwBBBBBBwww",  //
    "wwwwWWWWwwww",  //
    "wwwwwwwwwwww",  //
    "wwwwwwwwwwww",  //
    "wwwwwwwwwwww",  //
};

TEST_F(PopupTest, ItIsComposedOverTheDimmedScreenAndATapOutsideClosesIt) {
    ASSERT_EQ(Screen(), kScene);
    TestPopup* popup = Open("A");
    EXPECT_EQ(Screen(), kPopupScene);
    Lines frames;
    for (const QeWindow* frame : {&popup->TopFrame(), &popup->MiddleFrame(), &popup->BottomFrame()}) {
        frames.push_back(RectText(frame->Rect()));
    }
    EXPECT_EQ(frames, (Lines{"0,0,120,20", "0,20,120,60", "0,60,120,80"}));

    // A tap inside on no button leaves it open; one outside closes it with 0 and reaches nothing
    // beneath.
    Click(170, 130);
    EXPECT_EQ(QePopup::Current(), popup);
    Click(50, 50);
    EXPECT_EQ(Take(), (Lines{"A closed 0", "A freed"}));
    EXPECT_EQ(QePopup::Current(), nullptr);
    EXPECT_EQ(Screen(), kScene);
}

TEST_F(PopupTest, ItsOwnButtonClosesItAndItIsFreedOnlyAfterTheMessage) {
    Open("A")->button.SetFocus(true);  // a focus and a previous focus inside the popup
    Click(100, 100);
    EXPECT_EQ(Take(), (Lines{"A closed 7", "A freed"}));
    EXPECT_EQ(QeGetPressedWindow(), nullptr);
    EXPECT_EQ(QeGetFocusWindow(), nullptr);
    EXPECT_EQ(Screen(), kScene);

    // Without a tap outside having any effect on the closed popup.
    TestPopup* popup = Open("B");
    popup->closeOnOutside = 0;
    Click(10, 10);
    EXPECT_EQ(QePopup::Current(), popup);
    EXPECT_EQ(Take(), Lines{});
}

TEST_F(PopupTest, OneAtATimeAndOpeningTheOpenOneAgainOnlyMovesIt) {
    TraceLog traces;
    TestPopup* first = Open("A");
    TestPopup* second = Make("B");
    // A's button opens B, closing A while A's button is still on the stack.
    first->onClick = [&] { second->Popup(SIZE{80, 40}, &Closed, this); };
    Click(100, 100);
    EXPECT_EQ(Take(), (Lines{"A closed 0", "A freed"}));
    EXPECT_EQ(traces.Text(), L"[QE+] QePopup::Popup, Previous popup instance has been closed.\n"
                             L"[QE+] QePopup::Popup, Note that popup can have only an instance at a time.\n");
    EXPECT_EQ(QePopup::Current(), second);
    EXPECT_EQ(PopupsInTree(), 1);
    EXPECT_EQ(second->Rect().left, 80);
    EXPECT_EQ(second->Rect().top, 80);

    // The open one again, with its usual size and another callback: it stays open, traces nothing,
    // and is centred again.
    traces.Clear();
    static Lines seen;
    auto other = [](void*, QePopup*, int result) { seen.push_back("other " + std::to_string(result)); };
    EXPECT_EQ(second->Popup(kPopupSize, other, nullptr), 1);
    PumpPending();
    EXPECT_EQ(traces.Text(), L"");
    EXPECT_EQ(Take(), Lines{});
    EXPECT_EQ(PopupsInTree(), 1);
    EXPECT_EQ(Screen(), kPopupScene);
    Click(10, 10);
    EXPECT_EQ(seen, Lines{"other 0"});
    EXPECT_EQ(Take(), Lines{"B freed"});

    // Closed outside any message (the program's exit), a popup is freed at once.
    Make("C")->Popup(kPopupSize, &Closed, this);
    QePopup::Current()->Close(3);
    EXPECT_EQ(Take(), (Lines{"C closed 3", "C freed"}));
}

TEST_F(PopupTest, TheCallbackMayOpenTheNextPopup) {
    TestPopup* first = Open("A");
    TestPopup* second = Make("B");
    first->next = second;
    Click(230, 190);
    EXPECT_EQ(Take(), (Lines{"A closed 0", "A freed"}));
    EXPECT_EQ(QePopup::Current(), second);
    EXPECT_EQ(m_rig.Root().LastChild(), second);
    EXPECT_EQ(QeGetFocusWindow(), second);
    EXPECT_EQ(PopupsInTree(), 1);
    EXPECT_EQ(Screen(), kPopupScene);

    Click(100, 100);
    EXPECT_EQ(Take(), (Lines{"B closed 7", "B freed"}));
    EXPECT_EQ(Screen(), kScene);
}

TEST_F(PopupTest, AMenuRowClosesItAndAHeaderDoesNot) {
    TestMenu* menu = OpenMenu();
    EXPECT_EQ(QePopupHolder::Instance()->cover, &menu->List());
    EXPECT_EQ(RectText(menu->List().Rect()), "10,10,130,90");
    EXPECT_EQ(MenuList(), (Cells{"GGGGGG", "GGGGGG", "RRRRRR", "BBBBBB"}));
    EXPECT_EQ(Screen()[0], "wwwwwwwwwwww");

    Click(100, 110);
    EXPECT_EQ(QePopup::Current(), menu);
    EXPECT_EQ(MenuList(), (Cells{"GGGGGG", "GGGGGG", "YYYYYY", "BBBBBB"}));

    // The chosen row shows while the pen is held; lifting it closes the menu, whose callback still
    // reads the row.
    ASSERT_TRUE(InjectPen(m_window, WM_LBUTTONDOWN, 100, 90));
    PumpPending();
    EXPECT_EQ(MenuList(), (Cells{"GGGGGG", "YYYYYY", "RRRRRR", "BBBBBB"}));
    ASSERT_TRUE(InjectPen(m_window, WM_LBUTTONUP, 100, 90));
    PumpPending();
    EXPECT_EQ(Take(), (Lines{"menu closed 1 row 1", "menu freed"}));
    EXPECT_EQ(QePopupHolder::Instance()->cover, nullptr);
    EXPECT_EQ(Screen(), kScene);

    OpenMenu();
    Click(30, 30);
    EXPECT_EQ(Take(), (Lines{"menu closed 0 row -1", "menu freed"}));
}

TEST_F(PopupTest, TheNewerMenuKeepsTheCoverWhenTheOlderCloses) {
    OpenMenu();
    auto* newer = new TestMenu(m_log);
    newer->Popup(kMenuSize, &MenuClosed, this);
    EXPECT_EQ(Take(), (Lines{"menu closed 0 row -1", "menu freed"}));
    EXPECT_EQ(QePopupHolder::Instance()->cover, &newer->List());
    // A plain popup takes the menu's place and leaves no cover behind.
    Open("A");
    EXPECT_EQ(Take(), (Lines{"menu closed 0 row -1", "menu freed"}));
    EXPECT_EQ(QePopupHolder::Instance()->cover, nullptr);
}

// Popups that come and go in turn, each with a text of its own size: the last one's font is freed
// just before the next one's is made (often at the same address) for the same surface.
TEST_F(PopupTest, EachPopupOfItsOwnTextSizeDrawsWithItsOwnFont) {
    constexpr RECT kLabel{10, 10, 110, 70}, kWhole{0, 0, 100, 60};  // 70, 70 to 170, 130 on the screen
    // The text drawn where no font was selected before.
    auto alone = [&](QeSkinText& text) {
        QeSurface surface;
        std::vector<uint32_t> pixels;
        EXPECT_TRUE(surface.Create(kWhole.right, kWhole.bottom) && text.Draw(surface, kWhole, kWhole));
        for (int y = 0; y < kWhole.bottom; ++y) {
            for (int x = 0; x < kWhole.right; ++x) {
                const COLORREF c = PixelAt(surface, x, y);
                pixels.push_back(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
            }
        }
        return pixels;
    };
    struct TextPopup : QePopup {
        QeLabel label;
    };
    for (int size = 40; size >= 31; --size) {
        auto* popup = new TextPopup;
        ASSERT_TRUE(popup->label.Load(m_skin.Parse(L"<L><FontSize>" + std::to_wstring(size) +
                                                   L"</FontSize><BackMode>Opaque</BackMode><BackColor>#ffffff"
                                                   L"</BackColor><TextFormats>Left Top</TextFormats><Text>가A</Text></L>")));
        popup->label.SetRect(kLabel);
        popup->label.SetVisible(true);
        popup->AddChild(&popup->label);
        ASSERT_EQ(popup->Popup(kPopupSize, nullptr, nullptr), 1);
        PumpPending();
        EXPECT_EQ(CaptureFramebuffer(m_window, QeOffsetRect(kLabel, 60, 60)), alone(popup->label.Text()))
            << "text size " << size;
        Click(5, 5);
    }
}

}  // namespace
