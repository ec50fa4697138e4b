#include "platform/system/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

namespace {

struct Shared {
    std::atomic<DWORD> seenId{0};
    std::atomic<bool> release{false};
};

DWORD NoteIdAndWait(LPVOID parameter) {
    auto* shared = static_cast<Shared*>(parameter);
    shared->seenId = GetCurrentThreadId();
    while (!shared->release.load()) std::this_thread::yield();
    return 0;
}

TEST(Thread, RunsTheRoutineAndCanBeWaitedForThenClosed) {
    Shared shared;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, &NoteIdAndWait, &shared, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_NE(id, GetCurrentThreadId());
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(thread, 20), WAIT_TIMEOUT);
    shared.release = true;
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(shared.seenId.load(), id) << "the thread knows the id its creator was given";
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "an ended thread stays signalled";
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_FALSE(CloseHandle(thread));
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
}

TEST(Thread, ClosingTheHandleLeavesTheThreadRunning) {
    static Shared shared;  // the thread may still read it after the test has returned
    HANDLE thread = CreateThread(nullptr, 64 * 1024, &NoteIdAndWait, &shared, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(CloseHandle(thread));
    while (shared.seenId.load() == 0) std::this_thread::yield();
    shared.release = true;
}

TEST(Thread, RefusedCreationsReturnNull) {
    Shared shared;
    shared.release = true;
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, &shared, 0, nullptr), nullptr);
    EXPECT_EQ(CreateThread(nullptr, 0, &NoteIdAndWait, &shared, 4 /* suspended */, nullptr), nullptr);

    FailNextCreateThreads(2);
    DWORD id = 77;
    EXPECT_EQ(CreateThread(nullptr, 0, &NoteIdAndWait, &shared, 0, &id), nullptr);
    EXPECT_EQ(id, 77u) << "a failed creation writes no id";
    EXPECT_EQ(CreateThread(nullptr, 0, &NoteIdAndWait, &shared, 0, nullptr), nullptr);
    HANDLE thread = CreateThread(nullptr, 0, &NoteIdAndWait, &shared, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    CloseHandle(thread);
}

TEST(Thread, IdsAreStablePerThreadAndDistinctAcrossThreads) {
    DWORD mine = GetCurrentThreadId();
    EXPECT_NE(mine, 0u);
    EXPECT_EQ(GetCurrentThreadId(), mine);
    std::set<DWORD> ids{mine};
    for (int i = 0; i < 20; ++i) {
        DWORD other = 0;
        std::thread([&] { other = GetCurrentThreadId(); }).join();
        EXPECT_TRUE(ids.insert(other).second) << "thread ids are never reused";
    }
}

}  // namespace
