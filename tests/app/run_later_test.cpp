// RunLater of the application's seam: a task handed over runs from the loop once the code that
// handed it over has returned, in order: after a view's notification, and after a message of
// another window (as the protocol's socket events come) even when that code forces a paint.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/ui/shell/QeMainWindow.h"
#include "messenger/model/ScreenSeam.h"
#include "platform/windows/input.h"
#include "platform/windows/window.h"
#include "tests/support/MessengerRig.h"

namespace {

std::vector<std::string> g_log;

// Hands two tasks over, the second handing over a third, then paints the main window at once.
void HandOver(const char* who) {
    g_log.push_back(std::string(who) + " hands over");
    Screens().RunLater([] { g_log.push_back("first"); });
    Screens().RunLater([] {
        g_log.push_back("second");
        Screens().RunLater([] { g_log.push_back("third"); });
    });
    MessengerApp::Instance()->Root().Invalidate(RECT{0, 0, 0, 0}, true);
    UpdateWindow(QeMainWindow::Instance()->Handle());
    g_log.push_back(std::string(who) + " returns");
}

struct Handler : QeWindow {
    int OnNotify(QeWindow*, int code) override {
        if (code == kNotifyClick) HandOver("notification");
        return 1;
    }
};

LRESULT SocketLikeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 7) {
        HandOver("event");
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(RunLater, TasksRunFromTheLoopAfterTheCodeThatHandedThemOverInOrder) {
    MessengerRig rig;
    ASSERT_TRUE(rig.Start());
    const std::vector<std::string> after = {"first", "second", "third"};

    Handler handler;
    QeWindow button;
    handler.SetRect(RECT{0, 100, 480, 200});
    button.SetRect(RECT{0, 0, 480, 100});
    handler.AddChild(&button);
    rig.App().Root().AddChild(&handler);
    handler.SetVisible(true);
    button.SetVisible(true);
    g_log.clear();
    InjectClick(rig.Window(), 240, 150);
    rig.Settle();
    std::vector<std::string> expected = {"notification hands over", "notification returns"};
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_EQ(g_log, expected);
    rig.App().Root().RemoveChild(&handler);

    WNDCLASSW socketClass{};
    socketClass.lpfnWndProc = &SocketLikeProc;
    socketClass.lpszClassName = L"RunLaterSocketLike";
    RegisterClassW(&socketClass);
    HWND socketWindow = CreateWindowExW(0, L"RunLaterSocketLike", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    g_log.clear();
    PostMessageW(socketWindow, WM_USER + 7, 0, 0);
    rig.Settle();
    expected = {"event hands over", "event returns"};
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_EQ(g_log, expected);
    DestroyWindow(socketWindow);
    UnregisterClassW(L"RunLaterSocketLike", nullptr);
}

}  // namespace
