// Tests of the real and manual clocks, Sleep on the main and other threads, and the thread helpers.
#include "platform/Clock.h"
#include "platform/Threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace
{

class ManualClock : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Platform::ResetClockShutdown();
        Platform::SetManualClock(true);
    }
    void TearDown() override
    {
        Platform::SetManualClock(false);
        Platform::ResetClockShutdown();
    }
};

// Waits (by yielding, never by sleeping) until `count` workers are inside a clock sleep. After 10 s it fails the
// test and requests shutdown, so the workers still end and the test's joins cannot hang.
bool WaitForSleepers(int count)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Platform::SleepingThreads() < count)
    {
        if (std::chrono::steady_clock::now() > deadline)
        {
            ADD_FAILURE() << "only " << Platform::SleepingThreads() << " of " << count << " workers went to sleep";
            Platform::RequestClockShutdown();
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

} // namespace

TEST(RealClock, StartsAboveZeroAndSleepAdvancesIt)
{
    ASSERT_FALSE(Platform::IsManualClock());
    uint32_t start = Platform::GetTickCount();
    EXPECT_GE(start, Platform::kClockStartMs);
    uint32_t mm = Platform::TimeGetTime();
    EXPECT_LE(mm - start, 50u) << "both calls read one time base";

    Platform::Sleep(25);
    uint32_t after = Platform::TimeGetTime();
    EXPECT_GE(after - start, 25u);
    EXPECT_LT(after - start, 5000u);
    Platform::Sleep(0); // a yield: must return
}

TEST_F(ManualClock, MainThreadSleepAdvancesExactlyAndWraps)
{
    EXPECT_EQ(Platform::GetTickCount(), Platform::kClockStartMs);
    Platform::Sleep(10);
    Platform::AdvanceClock(5);
    EXPECT_EQ(Platform::GetTickCount(), Platform::kClockStartMs + 15);
    EXPECT_EQ(Platform::TimeGetTime(), Platform::kClockStartMs + 15);
    Platform::Sleep(0);
    EXPECT_EQ(Platform::GetTickCount(), Platform::kClockStartMs + 15);

    Platform::SetManualClockTime(0xFFFFFFF0u);
    Platform::Sleep(0x20);
    EXPECT_EQ(Platform::TimeGetTime(), 0x10u);

    Platform::SetManualClock(true);
    EXPECT_EQ(Platform::GetTickCount(), Platform::kClockStartMs) << "switching on again starts afresh";
}

TEST_F(ManualClock, WorkerSleepWaitsForTheClockToPassItsWakeTime)
{
    struct Case
    {
        uint32_t start;
        const char* what;
    };
    for (Case c : {Case{5000, "plain"}, Case{0xFFFFFFE0u, "across the 2^32 wrap"}})
    {
        SCOPED_TRACE(c.what);
        Platform::SetManualClockTime(c.start);
        std::atomic<bool> woke{false};
        Platform::Thread worker(
            [&]
            {
                Platform::Sleep(50);
                woke = true;
            });
        EXPECT_TRUE(WaitForSleepers(1));
        // Each advance wakes the worker to look at the clock; only the last one may let it go.
        for (int i = 0; i < 49; ++i) Platform::AdvanceClock(1);
        EXPECT_FALSE(woke) << "woke before its time";
        EXPECT_EQ(Platform::SleepingThreads(), 1);
        Platform::Sleep(1); // the main thread's sleep moves the clock that releases the worker
        worker.Join();
        EXPECT_TRUE(woke);
    }
}

TEST_F(ManualClock, ShutdownOrSwitchingOffReleasesEverySleeper)
{
    for (bool byShutdown : {true, false})
    {
        SCOPED_TRACE(byShutdown ? "shutdown" : "manual clock off");
        Platform::ResetClockShutdown();
        Platform::SetManualClock(true);
        std::atomic<int> awake{0};
        {
            Platform::Thread first(
                [&]
                {
                    Platform::Sleep(1000000);
                    ++awake;
                });
            Platform::Thread second(
                [&]
                {
                    Platform::Sleep(0x7FFFFFFF);
                    ++awake;
                });
            // Both must be asleep on the manual clock before it changes, or they would never see it.
            EXPECT_TRUE(WaitForSleepers(2));
            EXPECT_EQ(awake, 0);
            if (byShutdown)
                Platform::RequestClockShutdown();
            else
                Platform::SetManualClock(false);
        } // joins both
        EXPECT_EQ(awake, 2);
        EXPECT_EQ(Platform::IsClockShutdownRequested(), byShutdown);
    }
}

TEST(RealClock, ShutdownCutsAWorkersLongSleepShort)
{
    // With the real clock a worker's sleep of days must still end when the process shuts down.
    Platform::ResetClockShutdown();
    std::atomic<bool> awake{false};
    std::atomic<bool> cancel{false};
    {
        Platform::Thread sleeper(
            [&]
            {
                Platform::Sleep(0x7FFFFFFF);
                Platform::SleepUnless(0x7FFFFFFF, cancel); // returns at once: shutdown stays requested
                awake = true;
            });
        EXPECT_TRUE(WaitForSleepers(1));
        Platform::RequestClockShutdown();
    }
    EXPECT_TRUE(awake);
    Platform::ResetClockShutdown();

    // SleepUnless ends early on its own flag, with no shutdown.
    {
        Platform::Thread sleeper([&] { Platform::SleepUnless(0x7FFFFFFF, cancel); });
        EXPECT_TRUE(WaitForSleepers(1));
        cancel = true;
        Platform::WakeSleepers();
    }
    EXPECT_EQ(Platform::SleepingThreads(), 0);
}

TEST(TimerPeriod, RequestsAreCountedAndChangeNothing)
{
    int before = Platform::ActiveTimerPeriodRequests();
    EXPECT_EQ(Platform::TimeBeginPeriod(1), Platform::TIMERR_NOERROR);
    EXPECT_EQ(Platform::ActiveTimerPeriodRequests(), before + 1);
    EXPECT_EQ(Platform::TimeEndPeriod(1), Platform::TIMERR_NOERROR);
    EXPECT_EQ(Platform::ActiveTimerPeriodRequests(), before);
}

TEST(Threads, MainThreadIdAndRecordedPriorities)
{
    EXPECT_TRUE(Platform::IsMainThread());
    EXPECT_EQ(Platform::MainThreadId(), Platform::GetCurrentThreadId());

    ASSERT_TRUE(Platform::SetThreadPriority(Platform::THREAD_PRIORITY_LOWEST));
    EXPECT_FALSE(Platform::SetThreadPriority(7)) << "not a priority level";
    Platform::ThreadId workerId;
    int seenMain = 99;
    int workerOwn = 99;
    bool workerIsMain = true;
    {
        auto worker = Platform::CreateThread(
            [&]
            {
                workerId = Platform::GetCurrentThreadId();
                workerIsMain = Platform::IsMainThread();
                seenMain = Platform::MainThreadPriority();
                workerOwn = Platform::GetThreadPriority();
            },
            "test worker with a long name");
    }
    EXPECT_NE(workerId, Platform::MainThreadId());
    EXPECT_FALSE(workerIsMain);
    EXPECT_EQ(seenMain, Platform::THREAD_PRIORITY_LOWEST);
    EXPECT_EQ(workerOwn, Platform::THREAD_PRIORITY_NORMAL) << "priorities are per thread";
    Platform::SetThreadPriority(Platform::THREAD_PRIORITY_NORMAL);
    EXPECT_EQ(Platform::MainThreadPriority(), Platform::THREAD_PRIORITY_NORMAL);
}

TEST(Threads, CriticalSectionIsReentrantAndExcludesOthers)
{
    Platform::CriticalSection section;
    std::lock_guard<Platform::CriticalSection> outer(section);
    {
        std::lock_guard<Platform::CriticalSection> inner(section); // same thread enters again
        bool otherGotIt = true;
        Platform::Thread other(
            [&]
            {
                otherGotIt = section.TryEnter();
                if (otherGotIt) section.Leave();
            });
        other.Join();
        EXPECT_FALSE(otherGotIt);
    }
    bool otherGotIt = true;
    Platform::Thread other(
        [&]
        {
            otherGotIt = section.TryEnter();
            if (otherGotIt) section.Leave();
        });
    other.Join();
    EXPECT_FALSE(otherGotIt) << "still held once by this thread";
}
