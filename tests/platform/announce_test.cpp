// The announcement that lets a second start find the first one's window, against starts looking
// for it at the same instant.
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/windows/window_internal.h"

namespace {

// A look that comes between the lock file's creation and its lock holds that lock for an instant,
// and may remove the file as stale; the announcement tries again instead of giving up (and leaving
// the next start to run a second copy).
TEST(AnnounceTest, ConcurrentLooksNeverMakeTheAnnouncementGiveUp) {
    const std::wstring title = L"Race " + std::to_wstring(getpid());
    std::atomic<bool> looking{true};
    std::vector<std::thread> lookers;
    for (int i = 0; i < 4; ++i) {
        lookers.emplace_back([&] {
            while (looking) FindAnnouncedWindow(L"RaceClass", title.c_str());
        });
    }
    int refused = 0;
    for (int i = 0; i < 100; ++i) {
        HWND window = NewWindowHandle();
        if (AnnounceWindow(window, L"RaceClass", title)) {
            WithdrawWindow(window);
        } else {
            ++refused;
        }
    }
    looking = false;
    for (std::thread& looker : lookers) looker.join();
    EXPECT_EQ(refused, 0);
}

}  // namespace
