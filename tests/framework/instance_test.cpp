// Single instance across processes: a second start finds the first one's main window, raises it in
// the first process and ends.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "framework/ui/shell/QeApplication.h"
#include "framework/ui/shell/QeFramework.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "platform/screen/sdl_presenter.h"
#include "platform/windows/window.h"
#include "platform/windows/window_internal.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Pump.h"

namespace {

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// One start of the program, as a child process: the role says which ("signalled": on screen,
// run until its window closes).
TEST(InstanceChild, Run) {
    const char* role = std::getenv("TEVRIK_INSTANCE_ROLE");
    const char* title = std::getenv("TEVRIK_INSTANCE_TITLE");
    if (role == nullptr || title == nullptr) GTEST_SKIP() << "started by SingleInstanceTest only";
    const std::string which = role;
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_TRUE(which != "signalled" || StartSdlPresenter(nullptr));
    ASSERT_TRUE(QeFrameworkStart());
    {
        QeApplicationBase application;
        const bool created = application.Create(Wide(title), RECT{0, 0, 480, 640});
        EXPECT_EQ(created, which != "second") << "the first one's window was there";
        if (created) {
            const int ready = std::atoi(std::getenv("TEVRIK_INSTANCE_READY_FD"));
            ASSERT_EQ(write(ready, "ready\n", 6), 6);
            close(ready);
        }
        HWND window = QeMainWindow::Instance()->Handle();
        if (which == "first") {
            EXPECT_TRUE(PumpUntil([&] { return WindowRaiseCount(window) > 0; }, 10.0)) << "raised by the second";
        } else if (which == "signalled") {
            application.Run();
        }
    }
    QeFrameworkStop();
    StopSdlPresenter();
}

// One start of the program, as a child process running InstanceChild.Run in the role.
bool Start(ChildProcess& child, const std::string& role, const std::string& title, int readyFd) {
    return child.Start("/proc/self/exe",
                       {{"TEVRIK_INSTANCE_ROLE", role},
                        {"TEVRIK_INSTANCE_TITLE", title},
                        {"TEVRIK_INSTANCE_READY_FD", std::to_string(readyFd)},
                        {"TEVRIK_TEST_SHARED_RUNTIME", "1"}},
                       {"--gtest_filter=InstanceChild.Run"});
}

// The child's exit code once it has ended, or -1 (and it is killed) when it has not within the bound.
int Wait(ChildProcess& child, double seconds) {
    if (child.WaitExit(seconds)) return child.ExitCode();
    child.Kill();
    return -1;
}

// A start that shows its window; false (and nothing left running) when it never does.
bool StartShown(ChildProcess& child, const std::string& role, const std::string& title) {
    int fds[2];
    if (pipe2(fds, 0) != 0) return false;
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    const bool spawned = Start(child, role, title, fds[1]);
    close(fds[1]);
    pollfd ready{fds[0], POLLIN, 0};
    char line[8] = {};
    const bool started = spawned && poll(&ready, 1, 10000) == 1 && read(fds[0], line, sizeof(line)) > 0;
    close(fds[0]);
    if (!started) child.Kill();
    return started;
}

TEST(SingleInstanceTest, TheSecondStartRaisesTheFirstAndEnds) {
    const std::string title = "Instance test " + std::to_string(getpid());
    ChildProcess first, second;
    ASSERT_TRUE(StartShown(first, "first", title)) << "the first start never showed its window";

    // This process, a third one, sees the window too.
    HWND found = FindWindowW(Wide(title).c_str(), Wide(title).c_str());
    EXPECT_NE(found, nullptr);
    EXPECT_TRUE(IsWindow(found));

    ASSERT_TRUE(Start(second, "second", title, -1));
    EXPECT_EQ(Wait(second, 10.0), 0) << "the second start ends after raising the first";
    EXPECT_EQ(Wait(first, 10.0), 0) << "the first one was raised";
    EXPECT_EQ(FindWindowW(Wide(title).c_str(), nullptr), nullptr) << "gone with its process";
}

// A log-out or a kill (SIGTERM), or Ctrl+C (SIGINT), ends the program as closing its window does,
// within a second; a sanitized child also runs the leak check on its way out.
TEST(SingleInstanceTest, TermAndInterruptEndTheProgramAsAWindowClose) {
#ifdef __SANITIZE_ADDRESS__
    constexpr double kBound = 5.0;
#else
    constexpr double kBound = 1.0;
#endif
    for (const int signal : {SIGTERM, SIGINT}) {
        ChildProcess child;
        ASSERT_TRUE(StartShown(child, "signalled", "Signal test " + std::to_string(getpid())))
            << "it never showed its window";
        kill(child.Pid(), signal);
        EXPECT_EQ(Wait(child, kBound), 0) << signal;
    }
}

// A start looking for the window at the instant the lock file exists but is not yet locked holds
// that lock for a moment and may remove the file as stale: announcing tries again, not giving up
// (which would leave the next start to run a second copy).
TEST(SingleInstanceTest, LooksAtTheSameInstantNeverMakeTheAnnouncementGiveUp) {
    const std::wstring title = L"Race " + std::to_wstring(getpid());
    std::atomic<bool> looking{true};
    std::vector<std::thread> lookers;
    for (int i = 0; i < 4; ++i) {
        lookers.emplace_back([&] {
            while (looking) FindAnnouncedWindow(L"Race", title.c_str());
        });
    }
    int refused = 0;
    for (int i = 0; i < 100; ++i) {
        HWND window = NewWindowHandle();
        refused += AnnounceWindow(window, L"Race", title) ? 0 : 1;
        WithdrawWindow(window);
    }
    looking = false;
    for (std::thread& looker : lookers) looker.join();
    EXPECT_EQ(refused, 0);
}

}  // namespace
