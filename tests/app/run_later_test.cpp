// RunLater of the application's seam: a task runs from the loop once the code that handed it over
// has returned, in order: after a view's notification, and after a message of another window (as
// socket events come) even when that code forces a paint meanwhile.
#include <gtest/gtest.h>

#include "framework/ui/shell/QeMainWindow.h"
#include "platform/windows/input.h"
#include "platform/windows/window.h"
#include "tests/support/MessengerRig.h"

namespace {

std::vector<std::string> g_log;

void HandOver() {
    g_log.push_back("handed over");
    Screens().RunLater([] { g_log.push_back("first"); });
    Screens().RunLater([] {
        g_log.push_back("second");
        Screens().RunLater([] { g_log.push_back("third"); });
    });
    MessengerApp::Instance()->Root().Invalidate(RECT{0, 0, 0, 0}, true);
    UpdateWindow(QeMainWindow::Instance()->Handle());
    g_log.push_back("returns");
}

struct Handler : QeWindow {
    int OnNotify(QeWindow*, int code) override {
        if (code == kNotifyClick) HandOver();
        return 1;
    }
};

LRESULT SocketLikeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) HandOver();
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(RunLater, TasksRunFromTheLoopAfterTheCodeThatHandedThemOverInOrder) {
    MessengerRig rig;
    ASSERT_TRUE(rig.Start());
    const std::vector<std::string> expected = {"handed over", "returns", "first", "second", "third"};
    Handler handler;
    QeWindow button;
    handler.SetRect(RECT{0, 100, 480, 200});
    button.SetRect(RECT{0, 0, 480, 100});
    handler.AddChild(&button);
    rig.App().Root().AddChild(&handler);
    handler.SetVisible(true);
    button.SetVisible(true);
    rig.TapAt(240, 150);
    EXPECT_EQ(g_log, expected);

    WNDCLASSW socketClass{};
    socketClass.lpfnWndProc = &SocketLikeProc;
    socketClass.lpszClassName = L"RunLaterSocketLike";
    RegisterClassW(&socketClass);
    HWND socket = CreateWindowExW(0, L"RunLaterSocketLike", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    g_log.clear();
    PostMessageW(socket, WM_USER, 0, 0);
    rig.Settle();
    EXPECT_EQ(g_log, expected);
    DestroyWindow(socket);
    UnregisterClassW(L"RunLaterSocketLike", nullptr);
}

}  // namespace
