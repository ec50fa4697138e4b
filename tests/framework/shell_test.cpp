#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <cwctype>
#include <string>
#include <vector>

#include "framework/base/QeSingleton.h"
#include "framework/base/QeTimerManager.h"
#include "framework/ui/shell/QeApplication.h"
#include "framework/ui/shell/QeConnection.h"
#include "framework/ui/shell/QeFramework.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/shell/QeInputPanel.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/shell/QeMessageDispatcher.h"
#include "framework/ui/shell/QeNotifyLed.h"
#include "framework/ui/view/QePopupHolder.h"
#include "platform/system/device.h"
#include "platform/windows/imm.h"
#include "platform/windows/input.h"
#include "platform/windows/window.h"
#include "tests/support/Pump.h"

namespace {

using Lines = std::vector<std::wstring>;

std::wstring RectText(const RECT& r) {
    return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
           std::to_wstring(r.bottom);
}

// Every window class lasts for the run: each application gets a title of its own.
std::wstring FreshTitle() {
    static int count = 0;
    return L"Shell test " + std::to_wstring(++count);
}

// A view that writes down what reaches it; it answers with `answer`.
struct RecordingView : QeWindow {
    Lines* log = nullptr;
    int answer = 1;
    int Note(const std::wstring& line) {
        log->push_back(line);
        return answer;
    }
    int OnPenDown(int x, int y) override {
        return Note(L"pen down " + std::to_wstring(x) + L"," + std::to_wstring(y) +
                    (GetCapture() != nullptr ? L" captured" : L""));
    }
    int OnPenUp(int x, int y) override {
        return Note(L"pen up " + std::to_wstring(x) + L"," + std::to_wstring(y) +
                    (GetCapture() != nullptr ? L" captured" : L""));
    }
    int OnPenMove(int x, int y) override { return Note(L"pen move " + std::to_wstring(x) + L"," + std::to_wstring(y)); }
    int OnKeyDown(WPARAM key, LPARAM) override { return Note(L"key down " + std::to_wstring(key)); }
    int OnKeyUp(WPARAM key, LPARAM) override { return Note(L"key up " + std::to_wstring(key)); }
    int OnImeComposition(WPARAM ch, LPARAM kind) override {
        return Note(L"compose " + std::wstring(1, static_cast<wchar_t>(ch ? ch : L'0')) + L" " + std::to_wstring(kind));
    }
    int OnChar(WPARAM ch, LPARAM) override { return Note(L"char " + std::wstring(1, static_cast<wchar_t>(ch))); }
    int OnGetSel(WPARAM, LPARAM) override {
        QeMessageDispatcher::SetMessageResult(0x00050002);
        return Note(L"get sel");
    }
    int OnSetSel(WPARAM first, LPARAM last) override {
        return Note(L"set sel " + std::to_wstring(first) + L"," + std::to_wstring(last));
    }
    int OnReplaceSel(WPARAM, LPARAM text) override {
        return Note(L"replace sel " + std::wstring(reinterpret_cast<const wchar_t*>(text)));
    }
    int OnParentSize(int width, int height) override {
        return Note(L"parent size " + std::to_wstring(width) + L"x" + std::to_wstring(height));
    }
    int OnSipShown(const RECT& panel) override { return Note(L"sip shown " + RectText(panel)); }
    int OnSipHidden() override { return Note(L"sip hidden"); }
};

struct TestApp : QeApplicationBase {
    Lines* log = nullptr;
    bool initAnswer = true;
    bool OnInit() override {
        log->push_back(L"OnInit");
        return initAnswer;
    }
    void OnExit() override { log->push_back(L"OnExit"); }
};

// The framework started on the test clock, with an application whose root holds one recording
// view covering it, which has the focus.
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetDevices();
        ASSERT_TRUE(QeFrameworkStart());
        m_app = std::make_unique<TestApp>();
        m_app->log = &m_log;
        m_view.log = &m_log;
        m_app->Root().AddChild(&m_view);
        m_view.SetVisible(true);
        m_view.SetRect(RECT{0, 0, 480, 640});
    }
    void TearDown() override {
        m_app->Root().RemoveChild(&m_view);
        m_app.reset();
        QeFrameworkStop();
        ReleaseCapture();
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ResetDevices();
    }
    HWND Create(const RECT& rect = RECT{0, 0, 480, 640}) {
        m_title = FreshTitle();
        EXPECT_TRUE(m_app->Create(m_title, rect));
        PumpPending();
        m_log.clear();
        ClearDeviceCalls();
        return QeMainWindow::Instance()->Handle();
    }
    Lines Take() {
        PumpPending();
        Lines lines = m_log;
        m_log.clear();
        return lines;
    }

    FakeClock m_clock;
    std::unique_ptr<TestApp> m_app;
    RecordingView m_view;
    Lines m_log;
    std::wstring m_title;
};

TEST_F(ShellTest, TheWindowStartsBelowTheTitleBarAndTheRootTakesTheScreen) {
    m_app->Root().RemoveChild(&m_view);
    m_title = FreshTitle();
    ASSERT_TRUE(m_app->Create(m_title, RECT{0, 0, 480, 640}));
    HWND window = QeMainWindow::Instance()->Handle();
    RECT placed{};
    ASSERT_TRUE(GetWindowRect(window, &placed));
    EXPECT_EQ(RectText(placed), L"0,52,480,640") << "480 wide, 588 high, at y 52";
    EXPECT_EQ(RectText(m_app->Root().Rect()), L"0,0,480,640");
    EXPECT_TRUE(m_app->Root().IsVisible());
    EXPECT_TRUE(m_app->Root().HasOwnDC());
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(m_log, (Lines{L"OnInit"}));
    EXPECT_EQ(FindWindowW(m_title.c_str(), m_title.c_str()), window);
    EXPECT_EQ(QeTimerManager::Instance()->TickWindow(), window);
    // The start listed the input methods and switched the LED off; the first show activated the
    // window: the panel button hidden, the panel hidden; the first frame composed then took the
    // panel's state from hidden back to none.
    EXPECT_EQ(DeviceCalls(), (Lines{L"SipEnumIM", L"SipGetCurrentIM", L"NLedGetDeviceInfo(0)", L"NLedSetDevice(2, 0, 0)",
                                    L"SHFullScreen(0x8)", L"SipShowIM(0)"}));
    EXPECT_EQ(QeInputPanel::Instance()->GetState(), QeInputPanel::kNone);
}

TEST_F(ShellTest, ARootResizeUnloadsThePooledSurfacesButThePinnedOnes) {
    QeSurfacePool& pool = *QeSurfacePool::Instance();
    ASSERT_NE(pool.Acquire(480, 640, nullptr), nullptr);
    QeSurface* pinned = pool.Acquire(100, 100, nullptr);
    ASSERT_NE(pinned, nullptr);
    pool.Pin(pinned);
    const uint32_t before = pool.Generation();
    QeMessageDispatcher::Dispatch(WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    const uint32_t after = pool.Generation();
    EXPECT_NE(after, before);
    EXPECT_EQ(pool.InUseCount(), 0u);
    EXPECT_EQ(pool.FreeCount(), 1u) << "the pinned surface waits for its transition";
    EXPECT_EQ(pinned->Width(), 100);
    // The same size again leaves the pool alone.
    ASSERT_NE(pool.Acquire(300, 200, nullptr), nullptr);
    QeMessageDispatcher::Dispatch(WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    EXPECT_EQ(pool.Generation(), after);
    EXPECT_EQ(pool.InUseCount(), 1u);
}

TEST_F(ShellTest, CreateStopsAtTheFirstFailingStep) {
    m_app->initAnswer = false;
    m_title = FreshTitle();
    EXPECT_FALSE(m_app->Create(m_title, RECT{0, 0, 480, 640}));
    EXPECT_FALSE(IsWindowVisible(QeMainWindow::Instance()->Handle())) << "not shown after a failed OnInit";

    // A second instance brings the first to the front (handle OR 1) and fails.
    HWND first = QeMainWindow::Instance()->Handle();
    EXPECT_FALSE(QeMainWindow::Instance()->Create(m_title, RECT{0, 0, 480, 640}));
    EXPECT_EQ(QeMainWindow::Instance()->Handle(), first);
    EXPECT_EQ(WindowRaiseCount(first), 1);
}

TEST_F(ShellTest, TheTableRoutesInputToTheRootsViews) {
    HWND window = Create();
    QeSetFocusWindow(&m_view);
    InjectPen(window, WM_LBUTTONDOWN, 10, 20);
    PumpPending();
    InjectPen(window, WM_MOUSEMOVE, 500, -3);
    InjectPen(window, WM_LBUTTONUP, 12, 22);
    EXPECT_EQ(Take(), (Lines{L"pen down 10,20 captured", L"pen move 500,-3", L"pen up 12,22"}))
        << "pen down captures, pen up releases";
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(QeMainWindow::Instance()->lastPenX, 12);

    HIMC context = ImmGetContext(window);
    ImmSetConversionStatus(context, IME_CMODE_NATIVE, 0);
    InjectKeyPress(window, 'G');
    InjectKeyPress(window, 'K');
    InjectKeyPress(window, 'K');
    InjectKeyPress(window, VK_BACK);
    InjectKeyPress(window, VK_BACK);
    ImmSetConversionStatus(context, IME_CMODE_ALPHANUMERIC, 0);
    InjectKeyPress(window, 'A');
    const std::wstring p = std::to_wstring(VK_PROCESSKEY);
    EXPECT_EQ(Take(), (Lines{L"key down " + p, L"compose ㅎ 1", L"key up 71",  //
                             L"key down " + p, L"compose 하 1", L"key up 75",  //
                             L"key down " + p, L"char 하", L"compose ㅏ 1", L"key up 75",  //
                             L"key down " + p, L"compose 0 2", L"key up 8",   //
                             L"key down 8", L"char \b", L"key up 8",          //
                             L"key down 65", L"char a", L"key up 65"}));

    const wchar_t text[] = L"붙임";
    EXPECT_EQ(SendMessageW(window, EM_GETSEL, 0, 0), 0x00050002) << "the view's answer";
    SendMessageW(window, EM_SETSEL, 1, 3);
    SendMessageW(window, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text));
    SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    EXPECT_EQ(Take(), (Lines{L"get sel", L"set sel 1,3", L"replace sel 붙임", L"parent size 300x200"}));
    EXPECT_EQ(RectText(m_app->Root().Rect()), L"0,0,300,200");

    // Without a focus view keys are not handled; the edit-selection messages still answer.
    QeSetFocusWindow(nullptr);
    EXPECT_EQ(QeMessageDispatcher::Dispatch(WM_KEYDOWN, 'A', 0), 0);
    EXPECT_EQ(QeMessageDispatcher::Dispatch(EM_SETSEL, 0, 0), 1);
    EXPECT_EQ(QeMessageDispatcher::Dispatch(WM_NULL, 0, 0), 0);
    // A view that declines leaves the message to the default handling.
    m_view.answer = 0;
    EXPECT_EQ(QeMessageDispatcher::Dispatch(WM_MOUSEMOVE, 0, MAKELPARAM(1, 1)), 0);
}

TEST_F(ShellTest, TheTableHasSixteenMessagesInItsOrder) {
    const UINT expected[] = {WM_SIZE,     WM_ERASEBKGND, WM_PAINT,   WM_LBUTTONDOWN,          WM_LBUTTONUP,
                             WM_MOUSEMOVE, WM_KEYDOWN,   WM_KEYUP,   WM_IME_STARTCOMPOSITION, WM_IME_ENDCOMPOSITION,
                             WM_IME_COMPOSITION, WM_CHAR, WM_USER,  EM_GETSEL,               EM_SETSEL,
                             EM_REPLACESEL};
    for (int i = 0; i < QeMessageDispatcher::kTableSize; ++i) EXPECT_EQ(QeMessageDispatcher::Table()[i].message, expected[i]);
}

TEST_F(ShellTest, SwallowedMessagesAndActivationNeverReachTheDefaultHandling) {
    HWND window = Create();
    // The default erase would fill with the class's white brush.
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP black = CreateCompatibleBitmap(screen, 4, 4);
    HGDIOBJ old = SelectObject(memory, black);
    EXPECT_EQ(SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0), 0);
    BitmapPixels pixels{};
    ASSERT_TRUE(GetBitmapPixels(black, &pixels));
    EXPECT_EQ(pixels.top[0], 0) << "nothing erased";
    SelectObject(memory, old);
    DeleteObject(black);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    EXPECT_EQ(SendMessageW(window, WM_IME_STARTCOMPOSITION, 0, 0), 0);
    EXPECT_EQ(SendMessageW(window, WM_IME_ENDCOMPOSITION, 0, 0), 0);
    EXPECT_EQ(SendMessageW(window, WM_ACTIVATE, WA_INACTIVE, 0), 0);
    EXPECT_EQ(DeviceCalls(), Lines{}) << "deactivation does nothing";
    SendMessageW(window, WM_ACTIVATE, WA_CLICKACTIVE, 0);
    EXPECT_EQ(DeviceCalls(), (Lines{L"SHFullScreen(0x8)", L"SipShowIM(0)"}));
}

TEST_F(ShellTest, ATimerFiresThroughTheMainWindowsProcedure) {
    Create();
    int fired = 0;
    QeTimerManager::Instance()->Add(0, 0.5f, [](void* count) { ++*static_cast<int*>(count); }, &fired);
    m_clock.Advance(1000);
    EXPECT_EQ(fired, 2);
}

TEST_F(ShellTest, ClosingTheWindowEndsTheRunAndExitClosesTheOpenPopup) {
    HWND window = Create();
    static std::vector<int> closed;
    closed.clear();
    QePopupHolder* holder = QePopupHolder::Instance();
    holder->SetCloser([](QePopup*, int result) { closed.push_back(result); });
    holder->popup = reinterpret_cast<QePopup*>(&closed);  // any popup: only the closer looks at it
    InjectClose(window);
    EXPECT_EQ(m_app->Run(), 1);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(closed, (std::vector<int>{0}));
    EXPECT_EQ(m_log, (Lines{L"OnExit"}));
    holder->popup = nullptr;
}

// ---- start and stop

struct Order {
    Lines lines;
    static void Observe(void* self, const std::type_info& type, bool created) {
        std::string name = QeTypeName(type);
        static_cast<Order*>(self)->lines.push_back((created ? L"+" : L"-") + std::wstring(name.begin(), name.end()));
    }
};

TEST(FrameworkStartTest, SingletonsComeInOrderAndGoInExactlyTheReverseOrder) {
    Order order;
    QeSetSingletonObserver(&Order::Observe, &order);
    ASSERT_TRUE(QeFrameworkStart());
    const Lines made{L"+QePathTable",     L"+QeSurfacePool",    L"+QeImagePool",         L"+QeFontPool",
                     L"+QeUpdateRegion",  L"+QeBackBuffer",     L"+QeClock",             L"+QeTimerManager",
                     L"+QeTransitionManager", L"+QePopupHolder", L"+QeMainWindow",       L"+QeMessageDispatcher",
                     L"+QeConnection",    L"+QeInputPanel",     L"+QeNotifyLed"};
    EXPECT_EQ(order.lines, made);
    order.lines.clear();

    // With a main window, whose WM_DESTROY comes after the dispatcher is gone.
    TestApp app;
    Lines log;
    app.log = &log;
    const std::wstring title = FreshTitle();
    ASSERT_TRUE(app.Create(title, RECT{0, 0, 480, 640}));
    order.lines.clear();
    QeFrameworkStop();
    QeSetSingletonObserver(nullptr, nullptr);
    Lines gone;
    for (auto it = made.rbegin(); it != made.rend(); ++it) gone.push_back(L"-" + it->substr(1));
    EXPECT_EQ(order.lines, gone);
    EXPECT_EQ(FindWindowW(title.c_str(), nullptr), nullptr);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "no quit after the loop ended";
}

TEST(FrameworkStartTest, AFailingStepLeavesTheLaterOnesUndone) {
    Order order;
    QeSetSingletonObserver(&Order::Observe, &order);
    QeFrameworkFailStep("timing");
    EXPECT_FALSE(QeFrameworkStart());
    QeFrameworkFailStep(nullptr);
    const Lines graphics{L"+QeSurfacePool", L"+QeImagePool", L"+QeFontPool", L"+QeUpdateRegion", L"+QeBackBuffer"};
    Lines made{L"+QePathTable"};
    made.insert(made.end(), graphics.begin(), graphics.end());
    EXPECT_EQ(order.lines, made);
    EXPECT_EQ(QeMainWindow::Instance(), nullptr);
    QeFrameworkStop();
    QeSetSingletonObserver(nullptr, nullptr);
    Lines all = made;
    for (auto it = made.rbegin(); it != made.rend(); ++it) all.push_back(L"-" + it->substr(1));
    EXPECT_EQ(order.lines, all);
}

TEST(FrameworkStartTest, StartMakesTheCharacterTypeUtf8) {
    std::setlocale(LC_CTYPE, "C");
    EXPECT_NE(std::towlower(L'Ä'), L'ä') << "the C character type folds ASCII only";
    ASSERT_TRUE(QeFrameworkStart());
    EXPECT_EQ(std::towlower(L'Ä'), L'ä');
    EXPECT_EQ(std::towlower(L'Ж'), L'ж');
    QeFrameworkStop();
}

// ---- the device singletons

class DeviceSingletonTest : public ShellTest {};

TEST_F(DeviceSingletonTest, TheInputPanelTellsWindowsOnlyOfChanges) {
    Create();
    QeInputPanel* panel = QeInputPanel::Instance();
    EXPECT_EQ(panel->Methods().size(), 1u);
    EXPECT_EQ(panel->CurrentMethod(), 0u);
    panel->ResetAfterPaint();
    EXPECT_FALSE(panel->IsActive());

    panel->Show();
    panel->Show();
    EXPECT_TRUE(panel->IsShown());
    EXPECT_TRUE(SipPanelShown());
    EXPECT_EQ(Take(), Lines{}) << "a desktop panel has no rectangle: nobody is told";
    panel->Hide();
    panel->Hide();
    EXPECT_FALSE(panel->IsShown());
    EXPECT_TRUE(panel->IsActive());
    EXPECT_EQ(Take(), (Lines{L"sip hidden"}));
    panel->ResetAfterPaint();
    EXPECT_FALSE(panel->IsActive());
    panel->ResetAfterPaint();
    EXPECT_EQ(panel->GetState(), QeInputPanel::kNone);

    SetSipPanelRect(RECT{0, 460, 480, 640});
    panel->Show();
    EXPECT_EQ(Take(), (Lines{L"sip shown 0,460,480,640"}));
    panel->ResetAfterPaint();
    EXPECT_TRUE(panel->IsShown()) << "only hidden returns to none";
    panel->Hide();
    FailSipInfo(true);
    panel->Show();
    EXPECT_EQ(RectText(panel->GetPanelRect()), L"0,0,0,0") << "a failed call gives an empty rectangle";
    EXPECT_EQ(Take(), (Lines{L"sip hidden"})) << "and no broadcast";
    EXPECT_EQ(DeviceCalls(), (Lines{L"SipShowIM(1)", L"SHSipInfo(0xE1, 0, 0)", L"SipShowIM(1)", L"SipShowIM(0)",
                                    L"SipShowIM(0)", L"SipShowIM(1)", L"SHSipInfo(0xE1, 0, 0)", L"SipShowIM(0)",
                                    L"SipShowIM(1)", L"SHSipInfo(0xE1, 0, 0)", L"SHSipInfo(0xE1, 0, 0)"}));
}

TEST_F(DeviceSingletonTest, TheInputModeSetsTheMainWindowsConversion) {
    HWND window = Create();
    HIMC context = ImmGetContext(window);
    ImmSetConversionStatus(context, 0x0A, 7);
    struct Case {
        int mode;
        DWORD expected;
    };
    const Case cases[] = {{0, 0x09}, {0, 0x09}, {1, 0x08}, {5, 0x08}, {-1, 0x08}, {0, 0x09}};
    for (const Case& c : cases) {
        QeInputPanel::Instance()->SetImeMode(c.mode);
        DWORD conversion = 0;
        DWORD sentence = 0;
        ImmGetConversionStatus(context, &conversion, &sentence);
        EXPECT_EQ(conversion, c.expected) << c.mode;
        EXPECT_EQ(sentence, 7u) << "the sentence mode is kept";
    }
}

TEST_F(DeviceSingletonTest, TheLedIsOnForItsTimeWithOneTimer) {
    Create();
    QeNotifyLed* led = QeNotifyLed::Instance();
    EXPECT_EQ(led->LedNumber(), 0);
    UINT first = led->TurnOnFor(0.1f);
    UINT second = led->TurnOnFor(0.1f);
    EXPECT_NE(first, 0u);
    EXPECT_FALSE(QeTimerManager::Instance()->Contains(first)) << "the second switch-off removed the first timer";
    EXPECT_TRUE(QeTimerManager::Instance()->Contains(second));
    EXPECT_TRUE(led->IsOn());
    EXPECT_TRUE(LedIsOn(0));
    m_clock.Advance(100);
    EXPECT_FALSE(led->IsOn());
    EXPECT_FALSE(LedIsOn(0));
    EXPECT_EQ(led->TimerId(), 0u);
    EXPECT_FALSE(QeTimerManager::Instance()->Contains(second));
    EXPECT_EQ(DeviceCalls(), (Lines{L"NLedSetDevice(2, 0, 0)", L"NLedSetDevice(2, 0, 1)", L"NLedSetDevice(2, 0, 0)",
                                    L"NLedSetDevice(2, 0, 1)", L"NLedSetDevice(2, 0, 0)"}));

    // A device without LEDs gets no LED calls at all, but the state still runs.
    SetLedCount(0);
    ClearDeviceCalls();
    QeNotifyLed none;
    EXPECT_EQ(none.LedNumber(), -1);
    none.TurnOnFor(0.1f);
    EXPECT_TRUE(none.IsOn());
    m_clock.Advance(100);
    EXPECT_FALSE(none.IsOn());
    EXPECT_EQ(DeviceCalls(), (Lines{L"NLedGetDeviceInfo(0)"}));
}

TEST_F(DeviceSingletonTest, TheConnectionIsEstablishedOnceAndReleasedOnce) {
    ClearDeviceCalls();
    QeConnection* connection = QeConnection::Instance();
    EXPECT_TRUE(connection->Release()) << "nothing to release";
    EXPECT_TRUE(connection->Establish(60000));
    EXPECT_NE(connection->Handle(), nullptr);
    EXPECT_EQ(OpenConnectionCount(), 1);

    SetConnMgrResults(S_OK, E_FAIL);
    EXPECT_FALSE(connection->Release());
    EXPECT_NE(connection->Handle(), nullptr) << "a refused release keeps the handle";
    SetConnMgrResults(S_OK, S_OK);
    EXPECT_TRUE(connection->Release());
    EXPECT_TRUE(connection->Release());
    EXPECT_EQ(connection->Handle(), nullptr);
    EXPECT_EQ(OpenConnectionCount(), 0);

    SetConnMgrResults(E_FAIL, S_OK);
    EXPECT_FALSE(connection->Establish(1000));
    EXPECT_EQ(connection->Handle(), nullptr);
    EXPECT_EQ(DeviceCalls(), (Lines{L"ConnMgrEstablishConnectionSync(60000)", L"ConnMgrReleaseConnection(1)",
                                    L"ConnMgrReleaseConnection(1)", L"ConnMgrEstablishConnectionSync(1000)"}));
}

}  // namespace
