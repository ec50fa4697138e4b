// The view tree: links, geometry, routing of pen, keys and broadcasts, pressed and focus views,
// popups' hold on the pen, and what a window leaves behind when it is destroyed.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/ui/shell/QeApplication.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/view/QePopup.h"
#include "framework/ui/view/QePopupHolder.h"
#include "framework/ui/view/QeWindow.h"
#include "tests/support/TraceLog.h"

namespace {

using Lines = std::vector<std::string>;

std::string Str(long v) { return std::to_string(v); }
std::string Xy(long x, long y) { return Str(x) + "," + Str(y); }
std::string RectText(const RECT& r) { return Str(r.left) + "," + Str(r.top) + "," + Str(r.right) + "," + Str(r.bottom); }

// A window that writes down what reaches it; its answers are set per test.
struct Recorder : QeWindow {
    Recorder(Lines& log, std::string name, const RECT& rect) : log(log), name(std::move(name)) {
        SetRect(rect);
        SetVisible(true);
    }
    Lines& log;
    std::string name;
    int penDownAnswer = 1;
    int notifyAnswer = 1;
    int sipAnswer = 1;

    void Note(const std::string& what) { log.push_back(name + " " + what); }
    void OnPressed(bool on) override { Note(on ? "pressed" : "released"); }
    void OnFocusChanged(bool on) override { Note(on ? "focused" : "unfocused"); }
    int OnPenDown(int x, int y) override {
        Note("down " + Xy(x, y));
        const int answer = penDownAnswer;  // the parent may delete this window
        QeWindow::OnPenDown(x, y);
        return answer;
    }
    int OnPenUp(int x, int y) override {
        Note("up " + Xy(x, y));
        return QeWindow::OnPenUp(x, y);
    }
    int OnPenMove(int x, int y) override {
        Note("move " + Xy(x, y));
        return QeWindow::OnPenMove(x, y);
    }
    int OnNotify(QeWindow* child, int code) override {
        const QeEventArgs args = QeLastEventArgs();
        const Recorder* from = dynamic_cast<Recorder*>(child);
        Note("hears " + (from != nullptr ? from->name : std::string("?")) + " " + Str(code) + " " +
             Xy(args.first, args.second));
        return notifyAnswer;
    }
    int OnSipShown(const RECT& panel) override {
        Note("sip " + RectText(panel));
        return sipAnswer;
    }
    int OnSipHidden() override {
        Note("sip hidden");
        return sipAnswer;
    }
    int OnParentSize(int width, int height) override {
        Note("size " + Xy(width, height));
        return 1;
    }
};

// A popup holding one recording child; it writes down how it was closed.
struct RecordingPopup : QePopup {
    explicit RecordingPopup(Lines& log) : child(log, "item", RECT{10, 10, 90, 40}) { AddChild(&child); }
    Recorder child;
};

struct App : QeApplicationBase {};

class WindowTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        QePopupHolderStart();
        m_app = std::make_unique<App>();
        Root().SetVisible(true);
        Root().SetRect(RECT{0, 0, 480, 588});
        Root().AddChild(&m_screen);
    }
    void TearDown() override {
        if (QePopup* popup = QePopup::Current()) popup->Close(0);
        m_app.reset();
        QePopupHolderStop();
    }
    QeWindow& Root() { return m_app->Root(); }
    // A recording child of the screen.
    std::unique_ptr<Recorder> Child(const std::string& name, const RECT& rect, QeWindow* parent = nullptr) {
        auto window = std::make_unique<Recorder>(m_log, name, rect);
        (parent != nullptr ? parent : &m_screen)->AddChild(window.get());
        return window;
    }
    Lines Take() {
        Lines taken;
        taken.swap(m_log);
        return taken;
    }
    void Tap(int x, int y) {
        Root().RoutePenDown(x, y);
        Root().RoutePenUp(x, y);
    }
    static void Closed(void* context, QePopup*, int result) {
        static_cast<Lines*>(context)->push_back("closed " + Str(result));
    }

    Lines m_log;
    std::unique_ptr<App> m_app;
    Recorder m_screen{m_log, "screen", RECT{0, 0, 480, 588}};
};

TEST_F(WindowTreeTest, LaterSiblingTakesThePenAndADeclinerLetsItFallThrough) {
    auto below = Child("below", RECT{0, 0, 100, 100});
    auto above = Child("above", RECT{50, 50, 150, 150});
    Tap(75, 75);
    EXPECT_EQ(Take(), (Lines{"above pressed", "above focused", "above down 75,75", "screen hears above 0 75,75",
                             "above released", "above up 75,75", "screen hears above 1 75,75"}));

    // The upper one declines: the one below gets the pen, and the decliner is not left pressed.
    above->penDownAnswer = 0;
    Root().RoutePenDown(75, 75);
    EXPECT_FALSE(above->IsPressed());
    EXPECT_TRUE(below->IsPressed());
    EXPECT_EQ(QeGetPressedWindow(), below.get());
    Take();
    Root().RoutePenUp(75, 75);
    EXPECT_EQ(Take(), (Lines{"below released", "below up 75,75", "screen hears below 1 75,75"}));

    // Neither takes it: the screen under both does.
    below->penDownAnswer = 0;
    Root().RoutePenDown(75, 75);
    EXPECT_EQ(QeGetPressedWindow(), &m_screen);
    EXPECT_FALSE(below->IsPressed());
    Take();
    Root().RoutePenUp(75, 75);
    EXPECT_EQ(Take(), (Lines{"screen released", "screen up 75,75"}));
}

TEST_F(WindowTreeTest, ThePenReachesAWindowUnderMoreSiblingsThanTheStackHasFramesFor) {
    auto bottom = Child("bottom", RECT{0, 0, 100, 100});
    constexpr size_t kAbove = 180000;
    std::unique_ptr<QeWindow[]> above(new QeWindow[kAbove]);
    for (size_t i = 0; i < kAbove; ++i) {
        above[i].SetRect(RECT{200, 200, 210, 210});
        above[i].SetVisible(true);
        m_screen.AddChild(&above[i]);
    }
    Root().RoutePenDown(50, 50);
    EXPECT_EQ(QeGetPressedWindow(), bottom.get());
    // Without a pressed view, moves and the pen-up look for the window's pressed flag.
    bottom->SetPressed(false);
    Take();
    Root().RoutePenMove(50, 50);
    Root().RoutePenUp(50, 50);
    EXPECT_EQ(Take(), (Lines{"bottom move 50,50", "screen hears bottom 2 50,50", "bottom released",
                             "bottom up 50,50", "screen hears bottom 1 50,50"}));
    for (size_t i = 0; i < kAbove; ++i) m_screen.RemoveChild(&above[i]);
}

TEST_F(WindowTreeTest, EdgesHitAndHiddenOrDisabledWindowsAreSkipped) {
    auto box = Child("box", RECT{10, 20, 110, 120});
    struct Case {
        int x, y;
        bool hits;
    };
    for (const Case& c : {Case{10, 20, true}, Case{110, 120, true}, Case{110, 20, true}, Case{111, 60, false},
                          Case{60, 121, false}, Case{9, 60, false}}) {
        Take();
        Root().RoutePenDown(c.x, c.y);
        const Lines log = Take();
        const bool boxHit = !log.empty() && log[0] == "box pressed";
        EXPECT_EQ(boxHit, c.hits) << Xy(c.x, c.y);
        Root().RoutePenUp(c.x, c.y);
    }
    box->SetDisabled(true);
    Take();
    Root().RoutePenDown(50, 50);
    EXPECT_EQ(Take()[0], "screen pressed");
    Root().RoutePenUp(50, 50);
    box->SetDisabled(false);
    box->SetVisible(false);
    Take();
    Root().RoutePenDown(50, 50);
    EXPECT_EQ(Take()[0], "screen pressed");
    Root().RoutePenUp(50, 50);
}

TEST_F(WindowTreeTest, PenUpOrMoveOutsideThePressedViewClicksNothing) {
    auto box = Child("box", RECT{0, 0, 100, 100});
    Root().RoutePenDown(50, 50);
    Take();
    Root().RoutePenMove(60, 60);
    Root().RoutePenMove(200, 200);
    Root().RoutePenUp(200, 200);
    EXPECT_EQ(Take(), (Lines{"box move 60,60", "screen hears box 2 60,60", "box move 200,200", "box released",
                             "box up 200,200"}));
    EXPECT_EQ(QeGetPressedWindow(), nullptr);
}

TEST_F(WindowTreeTest, AnOpenPopupHoldsThePenAndATapOutsideClosesIt) {
    auto below = Child("below", RECT{0, 0, 480, 588});
    auto* popup = new RecordingPopup(m_log);
    popup->Popup(SIZE{100, 100}, &Closed, &m_log);
    EXPECT_EQ(popup->Rect().left, 190);
    EXPECT_EQ(popup->Rect().top, 244);
    EXPECT_EQ(Root().LastChild(), popup);
    EXPECT_EQ(QeGetFocusWindow(), popup);
    Take();

    // The item (at 200, 254 on screen) is reached; the window below never is.
    Tap(210, 260);
    EXPECT_EQ(Take(), (Lines{"item pressed", "item focused", "item down 210,260", "item released", "item up 210,260"}));

    popup->closeOnOutside = 0;
    EXPECT_EQ(Root().RoutePenDown(5, 5), 0);
    Root().RoutePenUp(5, 5);
    EXPECT_EQ(Take(), Lines{});
    EXPECT_EQ(QePopup::Current(), popup);

    popup->closeOnOutside = 1;
    EXPECT_EQ(Root().RoutePenDown(5, 5), 0);
    EXPECT_EQ(Take(), Lines{"closed 0"});
    EXPECT_EQ(QePopup::Current(), nullptr);
    Root().RoutePenUp(5, 5);
    Tap(5, 5);
    EXPECT_EQ(Take()[0], "below pressed");
}

TEST_F(WindowTreeTest, OpeningASecondPopupClosesTheFirst) {
    TraceLog traces;
    auto* first = new RecordingPopup(m_log);
    first->Popup(SIZE{480, 588}, &Closed, &m_log);
    EXPECT_EQ(first->Rect().left, 0);
    auto* second = new RecordingPopup(m_log);
    second->Popup(SIZE{101, 51}, &Closed, &m_log);
    EXPECT_EQ(QePopup::Current(), second);
    EXPECT_EQ(second->Rect().left, 189);
    EXPECT_EQ(second->Rect().top, 268);
    EXPECT_EQ(Take(), Lines{"closed 0"});
    EXPECT_EQ(traces.Text(), L"[QE+] QePopup::Popup, Previous popup instance has been closed.\n"
                             L"[QE+] QePopup::Popup, Note that popup can have only an instance at a time.\n");
    int popups = 0;
    for (QeWindow* w = Root().FirstChild(); w != nullptr; w = w->Next()) popups += dynamic_cast<QePopup*>(w) != nullptr;
    EXPECT_EQ(popups, 1);
}

// A parent that closes its popup when a child reports: nothing of the child may be touched after.
struct ClosingPopup : QePopup {
    ClosingPopup(Lines& log, int closeOn) : child(log, "item", RECT{0, 0, 100, 100}), closeOn(closeOn) {
        AddChild(&child);
        // Declining after being deleted must not touch the window either.
        if (closeOn == kNotifyPenDown) child.penDownAnswer = 0;
    }
    int OnNotify(QeWindow*, int code) override {
        if (code == closeOn) {
            Close(code);
            return 0;
        }
        return 1;
    }
    Recorder child;
    int closeOn;
};

TEST_F(WindowTreeTest, AParentMayDeleteTheReportingChild) {
    for (int code : {kNotifyPenDown, kNotifyClick, kNotifyChar}) {
        auto* popup = new ClosingPopup(m_log, code);
        popup->Popup(SIZE{100, 100}, &Closed, &m_log);
        Take();
        Root().RoutePenDown(200, 250);
        Root().RoutePenUp(200, 250);
        Root().RouteChar(L'a', 0);
        EXPECT_EQ(QePopup::Current(), nullptr) << code;
        EXPECT_EQ(QeGetPressedWindow(), nullptr) << code;
        EXPECT_EQ(QeGetFocusWindow(), nullptr) << code;
        EXPECT_EQ(Take().back(), "closed " + Str(code));
    }
}

TEST_F(WindowTreeTest, KeysGoToTheFocusViewAndReportToItsParent) {
    EXPECT_EQ(Root().RouteKeyDown(13, 0), 0);
    EXPECT_EQ(Root().RouteChar(L'x', 0), 0);
    EXPECT_EQ(Root().RouteImeComposition(L'가', 1), 0);
    EXPECT_EQ(Root().RouteGetSel(0, 0), 1);
    EXPECT_EQ(Root().RouteReplaceSel(0, 0), 1);

    auto edit = Child("edit", RECT{0, 0, 10, 10});
    edit->SetFocus(true);
    Take();
    EXPECT_EQ(Root().RouteKeyDown(13, 7), 1);
    EXPECT_EQ(Root().RouteKeyUp(13, 7), 1);
    EXPECT_EQ(Root().RouteImeComposition(0xAC00, 2), 1);
    m_screen.notifyAnswer = 0;
    EXPECT_EQ(Root().RouteChar(L'x', 0), 0);
    EXPECT_EQ(Take(), (Lines{"screen hears edit 3 13,0", "screen hears edit 4 13,0", "screen hears edit 5 44032,2",
                             "screen hears edit 6 120,0"}));
}

TEST_F(WindowTreeTest, FocusRemembersThePreviousViewAndForgetsDestroyedOnes) {
    auto a = Child("a", RECT{0, 0, 10, 10});
    auto b = Child("b", RECT{20, 0, 30, 10});
    a->SetFocus(true);
    a->SetFocus(true);
    b->SetFocus(true);
    EXPECT_EQ(Take(), (Lines{"a focused", "a unfocused", "b focused"}));
    EXPECT_EQ(QeGetFocusWindow(), b.get());
    EXPECT_EQ(QeGetPreviousFocusWindow(), a.get());

    b.reset();
    EXPECT_EQ(QeGetFocusWindow(), nullptr);
    EXPECT_EQ(QeGetPreviousFocusWindow(), a.get()) << "the destroyed view is not recorded as the previous one";
    a.reset();
    EXPECT_EQ(QeGetPreviousFocusWindow(), nullptr);

    auto c = Child("c", RECT{0, 0, 10, 10});
    Root().RoutePenDown(5, 5);
    EXPECT_EQ(QeGetPressedWindow(), c.get());
    c.reset();
    EXPECT_EQ(QeGetPressedWindow(), nullptr);
    EXPECT_EQ(Root().RoutePenUp(5, 5), 0) << "nothing is left pressed";
    EXPECT_EQ(Root().RoutePenMove(5, 5), 0);
}

TEST_F(WindowTreeTest, BroadcastsWalkInPreOrderAndStopAtTheFirstRefusal) {
    auto a = Child("a", RECT{0, 0, 100, 50});
    auto a1 = Child("a1", RECT{0, 0, 10, 10}, a.get());
    auto a2 = Child("a2", RECT{0, 0, 10, 10}, a.get());
    auto b = Child("b", RECT{0, 0, 30, 20});
    auto b1 = Child("b1", RECT{0, 0, 10, 10}, b.get());
    EXPECT_EQ(Root().BroadcastSipShown(RECT{0, 400, 480, 588}), 1);
    EXPECT_EQ(Take(), (Lines{"screen sip 0,400,480,588", "a sip 0,400,480,588", "a1 sip 0,400,480,588",
                             "a2 sip 0,400,480,588", "b sip 0,400,480,588", "b1 sip 0,400,480,588"}));
    a1->sipAnswer = 0;
    EXPECT_EQ(Root().BroadcastSipHidden(), 0);
    EXPECT_EQ(Take(), (Lines{"screen sip hidden", "a sip hidden", "a1 sip hidden"}));

    EXPECT_EQ(m_screen.BroadcastParentSize(480, 588), 1);
    EXPECT_EQ(Take(), (Lines{"screen size 480,588", "a size 480,588", "a1 size 100,50", "a2 size 100,50",
                             "b size 480,588", "b1 size 30,20"}));
}

TEST_F(WindowTreeTest, LinksStayWholeWhenChildrenMoveAndParentsGo) {
    auto a = Child("a", RECT{});
    auto b = Child("b", RECT{});
    auto c = Child("c", RECT{});
    auto order = [](QeWindow& parent) {
        std::string names, backwards;
        for (QeWindow* w = parent.FirstChild(); w != nullptr; w = w->Next()) names += static_cast<Recorder*>(w)->name;
        for (QeWindow* w = parent.LastChild(); w != nullptr; w = w->Previous()) {
            backwards.insert(0, static_cast<Recorder*>(w)->name);
        }
        EXPECT_EQ(names, backwards);
        return names;
    };
    EXPECT_EQ(m_screen.AddChild(a.get()), 1);
    EXPECT_EQ(order(m_screen), "bca");
    EXPECT_EQ(c->AddChild(b.get()), 1);
    EXPECT_EQ(order(m_screen), "ca");
    EXPECT_EQ(b->Parent(), c.get());
    // No cycles: a window cannot take itself or an ancestor.
    EXPECT_EQ(b->AddChild(c.get()), 0);
    EXPECT_EQ(b->AddChild(b.get()), 0);
    EXPECT_EQ(b->AddChild(&m_screen), 0);
    EXPECT_EQ(b->AddChild(nullptr), 0);
    EXPECT_EQ(order(m_screen), "ca");

    c.reset();
    EXPECT_EQ(order(m_screen), "a");
    EXPECT_EQ(b->Parent(), nullptr);
    EXPECT_EQ(b->Next(), nullptr);
}

TEST_F(WindowTreeTest, GeometryAndConversions) {
    // screen (0,0) > panel at (10,20), own DC > row at (5,6) > cell at (1,2).
    auto panel = Child("panel", RECT{10, 20, 210, 220});
    panel->SetOwnDC(true);
    auto row = Child("row", RECT{5, 6, 105, 56}, panel.get());
    auto cell = Child("cell", RECT{1, 2, 11, 12}, row.get());
    EXPECT_EQ(RectText(cell->GetScreenRect()), "16,28,26,38");
    EXPECT_EQ(RectText(cell->GetClientRect()), "0,0,10,10");
    const POINT p{100, 100};
    auto xy = [](POINT q) { return Xy(q.x, q.y); };
    EXPECT_EQ(xy(cell->ScreenToParent(p)), "85,74");
    EXPECT_EQ(xy(cell->ScreenToLocal(p)), "84,72");
    EXPECT_EQ(xy(cell->ParentToLocal(p)), "99,98");
    EXPECT_EQ(xy(cell->LocalToScreen(p)), "116,128");
    EXPECT_EQ(xy(cell->SurfaceOffset()), "6,8");
    EXPECT_EQ(xy(panel->SurfaceOffset()), "0,0");
    EXPECT_EQ(xy(cell->ScreenToSurface(p)), "90,80");
    EXPECT_EQ(xy(cell->SurfaceToScreen(POINT{90, 80})), "100,100");
    EXPECT_EQ(RectText(cell->ScreenToSurface(RECT{100, 100, 110, 130})), "90,80,100,110");
    EXPECT_EQ(xy(m_screen.ParentToLocal(p)), "100,100") << "the root's child";
    QeWindow loose;
    EXPECT_EQ(xy(loose.ParentToLocal(p)), "100,100");

    Take();
    cell->SetPosition(3, 4);
    cell->SetSize(20, 30);
    EXPECT_EQ(RectText(cell->Rect()), "3,4,23,34");
    struct Moves : Recorder {
        using Recorder::Recorder;
        void OnRectChanged(const RECT& r) override { Note("rect " + RectText(r)); }
        void OnVisibleChanged(bool on) override { Note(on ? "shown" : "hidden"); }
    } moves(m_log, "moves", RECT{});
    Take();
    moves.SetRect(RECT{1, 1, 2, 2});
    moves.SetRect(RECT{1, 1, 2, 2});
    moves.SetVisible(true);
    moves.SetVisible(false);
    moves.SetVisible(false);
    EXPECT_EQ(Take(), (Lines{"moves rect 1,1,2,2", "moves hidden"}));
}

TEST_F(WindowTreeTest, InvalidateGrowsTheDirtyRectangleInScreenCoordinates) {
    QeMainWindow main;
    auto box = Child("box", RECT{10, 20, 60, 70});
    box->Invalidate(RECT{5, 5, 5, 40}, false);
    EXPECT_EQ(RectText(main.dirtyRect), "0,0,0,0");
    box->Invalidate(RECT{5, 5, 5, 40}, true);
    EXPECT_EQ(RectText(main.dirtyRect), "10,20,60,70") << "no width: the whole window";
    box->Invalidate(RECT{45, 45, 60, 60}, true);
    EXPECT_EQ(RectText(main.dirtyRect), "10,20,70,80");
    Root().RoutePenDown(33, 44);
    EXPECT_EQ(Xy(main.lastPenX, main.lastPenY), "33,44");
}

// Draws by writing down where its local origin lies in the surface.
struct Placed : Recorder {
    using Recorder::Recorder;
    int Draw(QeSurface*, const RECT& rect) override {
        const POINT at = SurfaceOffset();
        Note("draw " + RectText(rect) + " at " + Xy(at.x, at.y) + " parent " +
             (Parent() != nullptr && Parent()->Parent() == nullptr && Parent()->HasOwnDC() ? "stand-in" : "?"));
        return 7;
    }
    void OnRectChanged(const RECT& r) override { Note("rect " + RectText(r)); }
};

TEST_F(WindowTreeTest, DrawIntoKeepsTheWindowInItsPlace) {
    auto first = Child("first", RECT{});
    Placed cell(m_log, "cell", RECT{40, 50, 60, 80});
    cell.SetOwnDC(true);
    m_screen.AddChild(&cell);
    auto last = Child("last", RECT{});
    m_screen.AddChild(&cell);
    m_screen.AddChild(last.get());
    // first, cell, last: the cell sits in the middle.
    Take();
    EXPECT_EQ(cell.DrawInto(nullptr, RECT{100, 200, 120, 230}, POINT{3, 4}), 7);
    EXPECT_EQ(Take(), Lines{"cell draw 100,200,120,230 at 97,196 parent stand-in"});
    EXPECT_EQ(cell.Previous(), first.get());
    EXPECT_EQ(cell.Next(), last.get());
    EXPECT_EQ(cell.Parent(), &m_screen);
    EXPECT_TRUE(cell.HasOwnDC());
    EXPECT_EQ(RectText(cell.Rect()), "40,50,60,80");

    m_screen.RemoveChild(&cell);
    EXPECT_EQ(cell.DrawInto(nullptr, RECT{0, 0, 10, 10}, POINT{0, 0}), 0);
    EXPECT_EQ(Take(), Lines{});
    EXPECT_EQ(cell.Parent(), nullptr);
}

}  // namespace
