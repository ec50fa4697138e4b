#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "framework/base/QeByteBuffer.h"
#include "framework/base/QeClock.h"
#include "framework/base/QeThread.h"
#include "platform/system/thread.h"
#include "tests/support/Pump.h"

namespace {

TEST(QeClock, CountsFromItsCreationAcrossTheWrap) {
    FakeClock fake(0xFFFFFF00);
    QeClock clock;
    EXPECT_EQ(clock.start, 0xFFFFFF00u);
    EXPECT_EQ(clock.current, 0u);
    fake.Advance(0x180);
    EXPECT_EQ(clock.current, 0u) << "current changes only at Update";
    EXPECT_EQ(clock.Elapsed(), 0x180u);
    EXPECT_EQ(clock.Update(), 0x80u) << "Update answers the system time";
    EXPECT_EQ(clock.current, 0x180u);
    fake.Advance(5);
    EXPECT_EQ(clock.Elapsed(), 0x185u);
    EXPECT_EQ(clock.current, 0x180u);
}

TEST(QeClock, UpdateFpsStoresAFigureOnlyWhenTheClockMoved) {
    FakeClock fake(1000);
    QeClock clock;
    EXPECT_EQ(clock.UpdateFps(), 0.0f) << "no time has passed since creation";
    EXPECT_EQ(clock.fps, 0.0f);

    fake.Advance(16);
    clock.Update();
    EXPECT_FLOAT_EQ(clock.UpdateFps(), 62.5f);
    EXPECT_FLOAT_EQ(clock.fps, 62.5f);
    EXPECT_EQ(clock.lastFrameTime, 16u);

    EXPECT_EQ(clock.UpdateFps(), 0.0f) << "twice within the same clock value";
    EXPECT_FLOAT_EQ(clock.fps, 62.5f);

    fake.Advance(1);
    clock.Update();
    EXPECT_FLOAT_EQ(clock.UpdateFps(), 1000.0f);

    fake.Advance(2000);
    clock.Update();
    EXPECT_FLOAT_EQ(clock.UpdateFps(), 0.5f);
    EXPECT_EQ(clock.lastFrameTime, 2017u);

    // A last frame time ahead of current (the clock restarted) gives the negative difference.
    clock.lastFrameTime = clock.current + 40;
    EXPECT_EQ(clock.UpdateFps(), -40.0f);
    EXPECT_FLOAT_EQ(clock.fps, 0.5f);
}

TEST(QeByteBuffer, QueuesAtTheBackAndConsumesFromTheFront) {
    QeByteBuffer buffer;
    EXPECT_GE(buffer.bytes.capacity(), 4096u);
    EXPECT_EQ(buffer.Data(), nullptr);
    EXPECT_EQ(buffer.Size(), 0u);

    EXPECT_TRUE(buffer.Append("hello ", 6));
    EXPECT_TRUE(buffer.Append("world", 5));
    ASSERT_EQ(buffer.Size(), 11u);
    EXPECT_EQ(std::memcmp(buffer.Data(), "hello world", 11), 0);

    EXPECT_TRUE(buffer.Consume(0));
    EXPECT_EQ(buffer.Size(), 11u);
    EXPECT_FALSE(buffer.Consume(12));
    ASSERT_EQ(buffer.Size(), 11u) << "a refused consume changes nothing";
    EXPECT_EQ(std::memcmp(buffer.Data(), "hello world", 11), 0);

    EXPECT_TRUE(buffer.Consume(6));
    ASSERT_EQ(buffer.Size(), 5u);
    EXPECT_EQ(std::memcmp(buffer.Data(), "world", 5), 0);
    EXPECT_TRUE(buffer.Consume(5));
    EXPECT_EQ(buffer.Data(), nullptr) << "empty again after everything was consumed";
    EXPECT_FALSE(buffer.Consume(1));
}

TEST(QeByteBuffer, AppendsItsOwnBytesAndRefusesNullBytes) {
    QeByteBuffer buffer;
    std::vector<BYTE> big(4096);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<BYTE>(i * 7);
    ASSERT_TRUE(buffer.Append(big.data(), big.size()));
    // Appending the buffer's own bytes while it has to grow must copy them before they move.
    ASSERT_TRUE(buffer.Append(buffer.Data() + 10, 4000));
    ASSERT_EQ(buffer.Size(), 8096u);
    EXPECT_EQ(std::memcmp(buffer.Data() + 4096, big.data() + 10, 4000), 0);

    EXPECT_FALSE(buffer.Append(nullptr, 3));
    EXPECT_EQ(buffer.Size(), 8096u);
    EXPECT_TRUE(buffer.Append(nullptr, 0));

    size_t capacity = buffer.bytes.capacity();
    buffer.Clear();
    EXPECT_EQ(buffer.Size(), 0u);
    EXPECT_EQ(buffer.Data(), nullptr);
    EXPECT_EQ(buffer.bytes.capacity(), capacity);
}

class Worker : public QeThread {
public:
    std::atomic<DWORD> ranOn{0};
    std::atomic<int> runs{0};
    std::atomic<bool> stop{false};

    DWORD Run() override {
        ranOn = GetCurrentThreadId();
        ++runs;
        while (!stop.load()) std::this_thread::yield();
        return 7;
    }
};

TEST(QeThread, StartsRunsAndJoinsAgainAndAgain) {
    Worker worker;
    EXPECT_EQ(worker.thread, nullptr);
    EXPECT_EQ(worker.running, 0);
    EXPECT_TRUE(worker.Join()) << "joining a thread that never started";
    EXPECT_EQ(worker.threadId, 0u);

    ASSERT_TRUE(worker.Start());
    EXPECT_EQ(worker.running, 1);
    EXPECT_NE(worker.thread, nullptr);
    EXPECT_NE(worker.threadId, 0u);
    DWORD firstId = worker.threadId;
    EXPECT_FALSE(worker.Start()) << "a second thread would lose the first one's handle";
    EXPECT_EQ(worker.threadId, firstId);
    worker.stop = true;
    EXPECT_TRUE(worker.Join());
    EXPECT_EQ(worker.ranOn.load(), firstId);
    EXPECT_NE(worker.ranOn.load(), GetCurrentThreadId());
    EXPECT_EQ(worker.runs.load(), 1) << "the refused start made no thread";
    EXPECT_EQ(worker.thread, nullptr);
    EXPECT_EQ(worker.threadId, 0u);
    EXPECT_EQ(worker.running, 0);

    ASSERT_TRUE(worker.Start()) << "reusable after Join";
    EXPECT_NE(worker.threadId, firstId);
    worker.Join();
    EXPECT_EQ(worker.runs.load(), 2);
}

TEST(QeThread, AFailedCreationReportsFalseAndLeavesNothingToWaitFor) {
    Worker worker;
    worker.stop = true;
    FailNextCreateThreads(1);
    EXPECT_FALSE(worker.Start());
    EXPECT_EQ(worker.running, 0);
    EXPECT_EQ(worker.thread, nullptr);
    EXPECT_EQ(worker.threadId, 0u);
    EXPECT_TRUE(worker.Join());
    EXPECT_EQ(worker.runs.load(), 0);
}

TEST(QeThread, TheDestructorWaitsForTheThread) {
    // Run may only outlive the derived part when it touches nothing of it any more, so it copies
    // what it needs; the object is left only once Run has begun.
    std::atomic<bool> entered{false};
    std::atomic<int> finished{0};
    struct Short : QeThread {
        std::atomic<bool>* entered = nullptr;
        std::atomic<int>* finished = nullptr;
        DWORD Run() override {
            std::atomic<int>* done = finished;
            *entered = true;
            for (int i = 0; i < 10000; ++i) std::this_thread::yield();
            ++*done;
            return 0;
        }
    };
    {
        Short worker;
        worker.entered = &entered;
        worker.finished = &finished;
        ASSERT_TRUE(worker.Start());
        while (!entered.load()) std::this_thread::yield();
    }
    EXPECT_EQ(finished.load(), 1);
}

}  // namespace
