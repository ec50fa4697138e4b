#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/input.h"
#include "platform/window.h"
#include "tests/support/ProbeWindow.h"
#include "tests/support/Pump.h"

static bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

namespace {

class PaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        Drain();
        m_window = MakeProbe(&m_probe, L"paint", RECT{10, 20, 110, 100});
        ASSERT_NE(m_window, nullptr);
    }
    void TearDown() override {
        DestroyWindow(m_window);
        Drain();
    }

    // Shows the window and takes its first paint.
    void ShowAndSettle() {
        ShowWindow(m_window, SW_SHOWNORMAL);
        PumpPending();
        m_probe.seen.clear();
    }
    // The numbers of the next messages the loop takes, dispatching each.
    std::vector<UINT> Next(int count) {
        std::vector<UINT> numbers;
        MSG msg;
        while (count-- > 0 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            numbers.push_back(msg.message);
            DispatchMessageW(&msg);
        }
        return numbers;
    }
    RECT Update() {
        RECT rect{};
        GetUpdateRect(m_window, &rect, FALSE);
        return rect;
    }

    Probe m_probe;
    HWND m_window = nullptr;
};

TEST_F(PaintTest, SizeComesAtCreationAndOnRealChangesActivationOnFirstShow) {
    ASSERT_GE(m_probe.seen.size(), 2u);
    EXPECT_EQ(m_probe.seen[0].message, WM_CREATE);
    EXPECT_EQ(m_probe.seen[1].message, WM_SIZE);
    EXPECT_EQ(m_probe.seen[1].lParam, MAKELPARAM(100, 80)) << "the client size";
    m_probe.seen.clear();

    MoveWindow(m_window, 0, 0, 100, 80, FALSE);
    EXPECT_EQ(m_probe.Count(WM_SIZE), 0) << "moved, not resized";
    MoveWindow(m_window, 0, 0, 120, 80, FALSE);
    ASSERT_EQ(m_probe.Count(WM_SIZE), 1);
    EXPECT_EQ(m_probe.Only({WM_SIZE})[0].lParam, MAKELPARAM(120, 80));
    RECT client{};
    GetClientRect(m_window, &client);
    EXPECT_EQ(client, (RECT{0, 0, 120, 80}));

    EXPECT_FALSE(IsWindowVisible(m_window));
    EXPECT_FALSE(ShowWindow(m_window, SW_SHOWNORMAL));
    EXPECT_TRUE(IsWindowVisible(m_window));
    ASSERT_EQ(m_probe.Count(WM_ACTIVATE), 1);
    EXPECT_EQ(m_probe.Only({WM_ACTIVATE})[0].wParam, WA_ACTIVE);
    EXPECT_TRUE(ShowWindow(m_window, SW_HIDE));
    EXPECT_FALSE(ShowWindow(m_window, SW_SHOWNORMAL));
    EXPECT_EQ(m_probe.Count(WM_ACTIVATE), 1) << "only the first show activates";
    EXPECT_EQ(LoadCursorW(nullptr, IDC_ARROW) != nullptr, true);
    EXPECT_EQ(LoadCursorW(GetModuleHandleW(nullptr), IDC_ARROW), nullptr);
}

TEST_F(PaintTest, TheUpdateRegionAccumulatesAndPaintsOnlyWhileVisible) {
    const RECT a{0, 0, 10, 10};
    const RECT b{20, 30, 40, 50};
    InvalidateRect(m_window, &a, FALSE);
    InvalidateRect(m_window, &b, FALSE);
    EXPECT_EQ(Update(), (RECT{0, 0, 40, 50}));
    EXPECT_EQ(PumpPending(), 0) << "a hidden window gets no WM_PAINT";

    const RECT outside{90, 70, 500, 500};
    InvalidateRect(m_window, &outside, FALSE);
    EXPECT_EQ(Update(), (RECT{0, 0, 100, 80})) << "clipped to the client area";
    const RECT cut{50, 0, 100, 80};
    ValidateRect(m_window, &cut);
    EXPECT_EQ(Update(), (RECT{0, 0, 40, 50}));
    ValidateRect(m_window, nullptr);
    EXPECT_FALSE(GetUpdateRect(m_window, nullptr, FALSE));

    ShowAndSettle();
    EXPECT_FALSE(GetUpdateRect(m_window, nullptr, FALSE)) << "the default procedure validated the first paint";
    InvalidateRect(m_window, &a, FALSE);
    EXPECT_TRUE(UpdateWindow(m_window));
    EXPECT_EQ(m_probe.Count(WM_PAINT), 1) << "sent at once";
    EXPECT_EQ(PumpPending(), 0);
    EXPECT_TRUE(UpdateWindow(m_window));
    EXPECT_EQ(m_probe.Count(WM_PAINT), 1) << "nothing to paint";

    // A procedure that does not validate is asked again.
    int paints = 0;
    m_probe.hook = [&](HWND, UINT message, WPARAM, LPARAM, LRESULT* answer) {
        if (message != WM_PAINT) return false;
        ++paints;
        *answer = 0;
        return true;
    };
    InvalidateRect(m_window, &a, FALSE);
    EXPECT_EQ(Next(3), (std::vector<UINT>{WM_PAINT, WM_PAINT, WM_PAINT}));
    m_probe.hook = nullptr;
}

TEST_F(PaintTest, PaintComesAfterPostedInputAndQuitUnlessItFellDueFirst) {
    ShowAndSettle();
    const RECT a{0, 0, 5, 5};
    PostMessageW(m_window, WM_USER + 1, 0, 0);
    InjectKey(m_window, VK_DELETE, true);
    PostMessageW(m_window, WM_USER + 2, 0, 0);
    InvalidateRect(m_window, &a, FALSE);
    PostQuitMessage(3);
    EXPECT_EQ(Next(5), (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_KEYDOWN, WM_QUIT, WM_PAINT}));

    // Due before the later posts: the paint goes first.
    PostMessageW(m_window, WM_USER + 1, 0, 0);
    InvalidateRect(m_window, &a, FALSE);
    PostMessageW(m_window, WM_USER + 2, 0, 0);
    InjectKey(m_window, VK_DELETE, false);
    EXPECT_EQ(Next(4), (std::vector<UINT>{WM_USER + 1, WM_PAINT, WM_USER + 2, WM_KEYUP}));

    // A filter for another message leaves the paint waiting.
    InvalidateRect(m_window, &a, FALSE);
    PostMessageW(m_window, WM_USER + 3, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 3);
    EXPECT_EQ(Next(1), (std::vector<UINT>{WM_PAINT}));
}

TEST_F(PaintTest, AQueueThatNeverEmptiesStillPaints) {
    ShowAndSettle();
    // Each tick takes longer than the tick interval: by the time it is handled the next one waits.
    int ticks = 0;
    m_probe.hook = [&](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
        if (message == WM_USER) {
            ++ticks;
            PostMessageW(window, WM_USER, 0, 0);
            const RECT part{0, 0, 1, 1};
            if (ticks == 3) InvalidateRect(window, &part, FALSE);
        }
        return false;
    };
    PostMessageW(m_window, WM_USER, 0, 0);
    std::vector<UINT> numbers = Next(8);
    m_probe.hook = nullptr;
    EXPECT_EQ(numbers, (std::vector<UINT>{WM_USER, WM_USER, WM_USER, WM_USER, WM_PAINT, WM_USER, WM_USER, WM_USER}))
        << "the paint due at the third tick comes before the fifth, posted after it";
}

TEST_F(PaintTest, InputAndInvalidationWakeABlockedLoop) {
    ShowAndSettle();
    for (int round = 0; round < 2; ++round) {
        std::atomic<bool> ready{false};
        std::thread other([&] {
            while (!ready.load()) std::this_thread::yield();
            if (round == 0) {
                InjectKey(m_window, VK_DELETE, true);
            } else {
                InvalidateRect(m_window, nullptr, FALSE);
            }
        });
        ready = true;
        MSG msg;
        ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
        EXPECT_EQ(msg.message, round == 0 ? WM_KEYDOWN : WM_PAINT);
        DispatchMessageW(&msg);
        other.join();
    }
    InjectKey(m_window, VK_DELETE, false);
}

}  // namespace
