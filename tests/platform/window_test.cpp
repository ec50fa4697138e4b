#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/system/thread.h"
#include "platform/windows/window.h"
#include "tests/support/ProbeWindow.h"
#include "tests/support/Pump.h"

namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { Drain(); }
    void TearDown() override { Drain(); }
};

TEST_F(WindowTest, ClassRegistrationRefusesDuplicatesAndIncompleteClasses) {
    // Class registration lasts for the run: a fresh name each time the test runs.
    static int runs = 0;
    std::wstring name = L"WindowTestUnique" + std::to_wstring(++runs);
    std::wstring otherCase = L"windowtestUNIQUE" + std::to_wstring(runs);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &ProbeProc;
    windowClass.lpszClassName = name.c_str();
    EXPECT_NE(RegisterClassW(&windowClass), 0);
    windowClass.lpszClassName = otherCase.c_str();
    EXPECT_EQ(RegisterClassW(&windowClass), 0) << "class names ignore case";

    windowClass.lpszClassName = L"";
    EXPECT_EQ(RegisterClassW(&windowClass), 0);
    windowClass.lpszClassName = nullptr;
    EXPECT_EQ(RegisterClassW(&windowClass), 0);
    windowClass.lpszClassName = L"WindowTestNoProc";
    windowClass.lpfnWndProc = nullptr;
    EXPECT_EQ(RegisterClassW(&windowClass), 0);
    EXPECT_EQ(RegisterClassW(nullptr), 0);

    EXPECT_EQ(CreateWindowExW(0, L"WindowTestNoSuchClass", L"x", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_NE(GetModuleHandleW(nullptr), nullptr);
    EXPECT_EQ(GetModuleHandleW(L"other.dll"), nullptr);
}

TEST_F(WindowTest, AClassIsForgottenOnlyOnceNoWindowOfItIsLeft) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &DefWindowProcW;
    windowClass.lpszClassName = L"WindowTestAgain";
    ASSERT_NE(RegisterClassW(&windowClass), 0);
    HWND window = CreateWindowExW(0, L"WindowTestAgain", L"x", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(UnregisterClassW(L"windowtestagain", nullptr));
    DestroyWindow(window);
    EXPECT_TRUE(UnregisterClassW(L"windowtestagain", nullptr));
    EXPECT_FALSE(UnregisterClassW(L"WindowTestAgain", nullptr));
    EXPECT_NE(RegisterClassW(&windowClass), 0);
    EXPECT_TRUE(UnregisterClassW(L"WindowTestAgain", nullptr));
}

TEST_F(WindowTest, CreateCarriesItsParameterAndAWindowCarriesItsOwner) {
    Probe probe;
    HWND window = MakeProbe(&probe);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(probe.createParam, &probe);
    ASSERT_EQ(probe.Count(WM_CREATE), 1);
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&probe));

    EXPECT_EQ(SetWindowLongPtrW(window, GWLP_USERDATA, 0), reinterpret_cast<LONG_PTR>(&probe));
    EXPECT_EQ(SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&probe)), 0);
    EXPECT_EQ(GetWindowLongPtrW(window, 0), 0) << "only the user data slot exists";

    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(probe.Count(WM_DESTROY), 1);
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), 0);
    EXPECT_EQ(SetWindowLongPtrW(window, GWLP_USERDATA, 5), 0);
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_FALSE(IsWindow(nullptr));
}

TEST_F(WindowTest, CreateRefusedByTheProcedureLeavesNoWindow) {
    Probe probe;
    probe.hook = [](HWND, UINT message, WPARAM, LPARAM, LRESULT* answer) {
        if (message != WM_CREATE) return false;
        *answer = -1;
        return true;
    };
    EXPECT_EQ(MakeProbe(&probe, L"refused"), nullptr);
    EXPECT_EQ(probe.Count(WM_DESTROY), 1);
    EXPECT_EQ(FindWindowW(L"WindowTestProbe", L"refused"), nullptr);
}

TEST_F(WindowTest, FindWindowMatchesClassAndTitleWithoutCase) {
    Probe a, b;
    HWND first = MakeProbe(&a, L"Tevrik Main");
    HWND second = MakeProbe(&b, L"Other");
    EXPECT_EQ(FindWindowW(L"WindowTestProbe", L"tevrik main"), first);
    EXPECT_EQ(FindWindowW(L"WINDOWTESTPROBE", L"Other"), second);
    EXPECT_EQ(FindWindowW(nullptr, L"OTHER"), second);
    EXPECT_EQ(FindWindowW(L"WindowTestProbe", nullptr), first) << "the earliest window comes first";
    EXPECT_EQ(FindWindowW(L"WindowTestProbe", L"Tevrik Mai"), nullptr);
    EXPECT_EQ(FindWindowW(L"WindowTestProbeX", nullptr), nullptr);
    DestroyWindow(first);
    EXPECT_EQ(FindWindowW(L"WindowTestProbe", L"Tevrik Main"), nullptr);
    EXPECT_EQ(FindWindowW(L"WindowTestProbe", nullptr), second);
    DestroyWindow(second);
}

TEST_F(WindowTest, HandlesAreNeverReused) {
    Probe probe;
    std::set<HWND> handles;
    for (int i = 0; i < 200; ++i) {
        HWND window = MakeProbe(&probe);
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(handles.insert(window).second);
        DestroyWindow(window);
    }
}

TEST_F(WindowTest, PostedMessagesArriveInOrderThroughDispatch) {
    Probe probe;
    HWND window = MakeProbe(&probe);
    probe.seen.clear();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(PostMessageW(window, WM_USER + 1, static_cast<WPARAM>(i), -i));
    WPARAM peer = reinterpret_cast<WPARAM>(&probe);
    ASSERT_TRUE(PostMessageW(window, WM_NULL, peer, 7));

    MSG msg;
    int got = 0;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        EXPECT_EQ(msg.hwnd, window);
        EXPECT_FALSE(TranslateMessage(&msg));
        DispatchMessageW(&msg);
        ++got;
    }
    EXPECT_EQ(got, 6);
    ASSERT_EQ(probe.seen.size(), 6u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(probe.seen[i].message, WM_USER + 1);
        EXPECT_EQ(probe.seen[i].wParam, static_cast<WPARAM>(i));
        EXPECT_EQ(probe.seen[i].lParam, -i);
    }
    EXPECT_EQ(probe.seen[5].wParam, peer) << "a pointer travels whole in wParam";
    DestroyWindow(window);
}

TEST_F(WindowTest, PeekFiltersAndLeavesMessagesWhenAsked) {
    Probe a, b;
    HWND first = MakeProbe(&a);
    HWND second = MakeProbe(&b);
    PostMessageW(first, WM_USER + 1, 1, 0);
    PostMessageW(second, WM_USER + 2, 2, 0);
    PostMessageW(nullptr, WM_USER + 3, 3, 0);

    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 1u);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 1u) << "PM_NOREMOVE leaves the message first";

    ASSERT_TRUE(PeekMessageW(&msg, second, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 2u);
    ASSERT_TRUE(PeekMessageW(&msg, HWND_THREAD_ONLY, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_EQ(DispatchMessageW(&msg), 0) << "a thread message has no procedure";
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_USER + 2, WM_USER + 9, PM_REMOVE));
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER, WM_USER + 1, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 1u);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetMessageW(&msg, reinterpret_cast<HWND>(std::uintptr_t{0x3}), 0, 0), -1)
        << "a filter that is not a window";
    DestroyWindow(first);
    DestroyWindow(second);
}

TEST_F(WindowTest, MessagesForADestroyedWindowAreDroppedAndPostingToItFails) {
    Probe old;
    HWND gone = MakeProbe(&old);
    PostMessageW(gone, WM_USER, 1, 0);
    PostMessageW(gone, WM_USER, 2, 0);
    PostMessageW(nullptr, WM_USER + 5, 0, 0);
    DestroyWindow(gone);
    EXPECT_FALSE(PostMessageW(gone, WM_USER, 3, 0));
    EXPECT_EQ(CountQueuedMessages(gone, 0), 0);

    // A newer window must never receive what was meant for the old one.
    Probe fresh;
    HWND newer = MakeProbe(&fresh);
    ASSERT_NE(newer, gone);
    old.seen.clear();
    fresh.seen.clear();
    EXPECT_EQ(PumpPending(), 1) << "only the thread message is left";
    EXPECT_TRUE(old.seen.empty());
    EXPECT_TRUE(fresh.seen.empty());
    DestroyWindow(newer);
}

TEST_F(WindowTest, AWindowMayDestroyItselfInsideItsProcedure) {
    Probe probe;
    HWND window = MakeProbe(&probe);
    LONG_PTR afterDestroy = -1;
    BOOL nestedDestroy = FALSE;
    probe.hook = [&](HWND self, UINT message, WPARAM, LPARAM, LRESULT* answer) {
        if (message == WM_DESTROY) {
            // Destroying again while WM_DESTROY runs must not recurse.
            nestedDestroy = DestroyWindow(self);
            EXPECT_TRUE(IsWindow(self)) << "the window lives through WM_DESTROY";
            EXPECT_FALSE(PostMessageW(self, WM_USER + 9, 0, 0)) << "a dying window takes no new messages";
        }
        if (message == WM_USER + 1) {
            EXPECT_TRUE(DestroyWindow(self));
            afterDestroy = GetWindowLongPtrW(self, GWLP_USERDATA);
            *answer = 42;
            return true;
        }
        return false;
    };
    PostMessageW(window, WM_USER + 1, 0, 0);
    PostMessageW(window, WM_USER + 2, 0, 0);  // queued behind the one that destroys
    EXPECT_EQ(PumpPending(), 1);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(afterDestroy, 0);
    EXPECT_TRUE(nestedDestroy);
    EXPECT_EQ(probe.Count(WM_DESTROY), 1);
    EXPECT_EQ(probe.Count(WM_USER + 2), 0);
    EXPECT_EQ(probe.Count(WM_USER + 9), 0);
}

TEST_F(WindowTest, CloseGoesToDestroyThroughTheDefaultProcedure) {
    Probe probe;
    HWND window = MakeProbe(&probe);
    PostMessageW(window, WM_CLOSE, 0, 0);
    PumpPending();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(probe.Count(WM_DESTROY), 1);
}

TEST_F(WindowTest, SendCallsTheProcedureOnlyOnTheOwningThread) {
    Probe probe;
    HWND window = MakeProbe(&probe);
    probe.hook = [](HWND, UINT message, WPARAM wParam, LPARAM, LRESULT* answer) {
        if (message != WM_USER + 4) return false;
        *answer = static_cast<LRESULT>(wParam) * 2;
        return true;
    };
    EXPECT_EQ(SendMessageW(window, WM_USER + 4, 21, 0), 42);

    LRESULT fromOther = -1;
    BOOL destroyedFromOther = TRUE;
    std::thread other([&] {
        fromOther = SendMessageW(window, WM_USER + 4, 21, 0);
        destroyedFromOther = DestroyWindow(window);
    });
    other.join();
    EXPECT_EQ(fromOther, 0);
    EXPECT_FALSE(destroyedFromOther);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(probe.Count(WM_USER + 4), 1);
    DestroyWindow(window);
    EXPECT_EQ(SendMessageW(window, WM_USER + 4, 1, 0), 0);
}

TEST_F(WindowTest, PostingFromTenThreadsLosesNothingAndKeepsEachThreadsOrder) {
    constexpr int kThreads = 10;
    constexpr int kEach = 5000;
    std::vector<int> next(kThreads, 0);
    int total = 0;
    bool ordered = true;
    Probe probe;
    HWND window = MakeProbe(&probe);
    probe.hook = [&](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT*) {
        if (message != WM_USER) return false;
        if (lParam != next[wParam]) ordered = false;
        next[wParam] = static_cast<int>(lParam) + 1;
        ++total;
        return true;
    };
    probe.seen.reserve(kThreads * kEach + 8);

    std::atomic<int> failures{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            while (!go.load()) std::this_thread::yield();
            for (int i = 0; i < kEach; ++i) {
                if (!PostMessageW(window, WM_USER, static_cast<WPARAM>(t), i)) ++failures;
            }
        });
    }
    go = true;
    EXPECT_TRUE(PumpUntil([&] { return total == kThreads * kEach; }, 60.0));
    for (auto& poster : posters) poster.join();
    PumpPending();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(total, kThreads * kEach);
    EXPECT_TRUE(ordered);
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kEach);
    DestroyWindow(window);
}

TEST_F(WindowTest, GetMessageBlocksUntilAPostAndEndsWithQuitAfterThePostedMessages) {
    Probe probe;
    HWND window = MakeProbe(&probe);
    std::atomic<bool> waiting{false};
    std::thread poster([&] {
        while (!waiting.load()) std::this_thread::yield();
        PostMessageW(window, WM_USER, 1, 0);
    });
    waiting = true;
    MSG msg;
    ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.wParam, 1u);
    poster.join();

    PostMessageW(window, WM_USER, 2, 0);
    PostQuitMessage(7);
    PostMessageW(window, WM_USER, 3, 0);
    std::vector<WPARAM> order;
    BOOL result;
    while ((result = GetMessageW(&msg, nullptr, 0, 0)) > 0) order.push_back(msg.wParam);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(order, (std::vector<WPARAM>{2, 3}));
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "WM_QUIT is taken once";

    // WM_QUIT ignores the filters of Peek.
    PostQuitMessage(3);
    ASSERT_TRUE(PeekMessageW(&msg, window, WM_USER, WM_USER, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    DestroyWindow(window);
}

TEST_F(WindowTest, CoalescedPostsKeepOneWaitingCopyPerKey) {
    Probe probe;
    HWND window = MakeProbe(&probe);
    EXPECT_TRUE(PostMessageCoalescedW(window, WM_USER, 5, 0));
    EXPECT_TRUE(PostMessageCoalescedW(window, WM_USER, 5, 0));
    EXPECT_TRUE(PostMessageCoalescedW(window, WM_USER, 6, 0));
    EXPECT_TRUE(PostMessageW(window, WM_USER, 5, 0)) << "an ordinary post is never merged";
    EXPECT_EQ(CountQueuedMessages(window, WM_USER), 3);

    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 5u);
    // Once taken, the next coalesced post queues again, behind the rest.
    EXPECT_TRUE(PostMessageCoalescedW(window, WM_USER, 5, 0));
    EXPECT_EQ(CountQueuedMessages(window, WM_USER), 3);
    DestroyWindow(window);
    EXPECT_FALSE(PostMessageCoalescedW(window, WM_USER, 5, 0));
}

TEST_F(WindowTest, EachThreadHasItsOwnQueueAndItsWindowsEndWithIt) {
    Probe probe;
    HWND foreign = nullptr;
    std::atomic<int> stage{0};
    std::atomic<int> received{0};
    std::thread owner([&] {
        probe.hook = [](HWND, UINT message, WPARAM, LPARAM, LRESULT*) {
            if (message == WM_DESTROY) PostQuitMessage(0);
            return false;
        };
        foreign = MakeProbe(&probe, L"foreign");
        stage = 1;
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            DispatchMessageW(&msg);
            ++received;
        }
    });
    while (stage.load() == 0) std::this_thread::yield();
    ASSERT_NE(foreign, nullptr);
    ASSERT_TRUE(PostMessageW(foreign, WM_USER, 1, 0));
    EXPECT_EQ(CountQueuedMessages(nullptr, 0), 0) << "the message went to the owner's queue";
    EXPECT_TRUE(PumpUntil([&] { return received.load() == 1; }, 10.0));
    EXPECT_EQ(FindWindowW(nullptr, L"foreign"), foreign);

    ASSERT_TRUE(PostMessageW(foreign, WM_CLOSE, 0, 0));  // destroyed; its WM_DESTROY posts the quit
    owner.join();
    EXPECT_FALSE(IsWindow(foreign));
    EXPECT_FALSE(PostMessageW(foreign, WM_USER, 2, 0));

    // A thread that ends without destroying its window takes the window with it.
    Probe left;
    HWND orphan = nullptr;
    std::thread quitter([&] { orphan = MakeProbe(&left, L"orphan"); });
    quitter.join();
    ASSERT_NE(orphan, nullptr);
    EXPECT_FALSE(IsWindow(orphan));
    EXPECT_FALSE(PostMessageW(orphan, WM_USER, 1, 0));
}

TEST_F(WindowTest, WaitMessageTimeoutWakesForAPostAndTimesOutWhenIdle) {
    EXPECT_FALSE(WaitMessageTimeout(0));
    EXPECT_FALSE(WaitMessageTimeout(20));
    Probe probe;
    HWND window = MakeProbe(&probe);
    std::thread late([&] { PostMessageW(window, WM_USER, 1, 0); });
    EXPECT_TRUE(WaitMessageTimeout(INFINITE));
    late.join();
    EXPECT_TRUE(WaitMessageTimeout(0));
    PumpPending();
    PostQuitMessage(0);
    EXPECT_TRUE(WaitMessageTimeout(0)) << "a pending quit counts";
    DestroyWindow(window);
}

TEST_F(WindowTest, PumpUntilRunsTheLoopAndStopsAtItsBoundOrAtQuit) {
    Probe probe;
    HWND window = MakeProbe(&probe);
    std::thread poster([&] {
        for (int i = 0; i < 3; ++i) PostMessageW(window, WM_USER, static_cast<WPARAM>(i), 0);
    });
    EXPECT_TRUE(PumpUntil([&] { return probe.Count(WM_USER) == 3; }, 10.0));
    poster.join();

    EXPECT_FALSE(PumpUntil([] { return false; }, 0.05));

    // A window that posts to itself on every message keeps the queue full; the bound still holds
    // (the hook gives up after 5 s, so a pump that ignores its bound fails rather than hangs).
    Probe busy;
    const auto start = std::chrono::steady_clock::now();
    busy.hook = [&](HWND self, UINT message, WPARAM, LPARAM, LRESULT*) {
        if (message == WM_USER && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
            PostMessageW(self, WM_USER, 0, 0);
        }
        return false;
    };
    HWND busyWindow = MakeProbe(&busy);
    PostMessageW(busyWindow, WM_USER, 0, 0);
    EXPECT_FALSE(PumpUntil([] { return false; }, 0.05));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    DestroyWindow(busyWindow);
    Drain();

    PostMessageW(window, WM_USER + 1, 0, 0);
    PostQuitMessage(4);
    EXPECT_FALSE(PumpUntil([] { return false; }, 10.0)) << "quit ends the pump at once";
    EXPECT_EQ(probe.Count(WM_USER + 1), 1) << "messages before the quit were dispatched";
    MSG msg;
    ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 0) << "the quit is left for the caller";
    EXPECT_EQ(msg.wParam, 4u);
    DestroyWindow(window);
}

}  // namespace
