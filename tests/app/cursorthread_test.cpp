// The cursor thread on the headless display and the manual clock: it draws the software cursor only when the
// main thread has stopped presenting, follows the pointer, gives way to a held display lock, and stops at once.
#include "AppTestSupport.h"

#include <chrono>
#include <thread>

#include "graphics/MemoryImage.h"

using namespace Zest;
using namespace Platform;

namespace
{
constexpr uint32_t kCursorColor = 0xFFFF0000;

class CursorThreadTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        app = std::make_unique<TestApp>();
        app->mLoadingThreadWanted = false;
        app->Init();
        ASSERT_TRUE(app->mDDInterface && app->mDDInterface->IsInitialized());
        std::vector<uint32_t> red(8 * 8, kCursorColor);
        cursor.SetBits(red.data(), 8, 8);
        app->mDDInterface->SetCursorImage(&cursor);
        ClientToScreen(app->mHWnd, &origin);
        ASSERT_TRUE(app->Redraw(nullptr));
        limit = app->mDDInterface->mMillisecondsPerFrame + 5;
    }

    void TearDown() override
    {
        app.reset();
        AppTest::TearDown();
    }

    void PointAt(int x, int y) { SetHeadlessCursor(POINT{origin.x + x, origin.y + y}, true); }

    // Moves the clock on and waits (in real time) until the thread has looked once more.
    void Advance(uint32_t ms)
    {
        const int before = app->mCursorThreadPasses;
        AdvanceClock(ms);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (app->mCursorThreadPasses == before && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        ASSERT_GT(app->mCursorThreadPasses, before) << "the cursor thread did not wake";
    }

    bool CursorShownAt(int x, int y)
    {
        const PresentedFrame frame = LastPresentedFrame();
        return x + 4 < frame.width && y + 4 < frame.height && frame.ArgbAt(x + 4, y + 4) == kCursorColor;
    }

    std::unique_ptr<TestApp> app;
    MemoryImage cursor;
    POINT origin;
    int limit = 0;
};
} // namespace

TEST_F(CursorThreadTest, DrawsOnlyAfterTheMainThreadStopsPresentingAndFollowsThePointer)
{
    PointAt(100, 80);
    app->StartCursorThread();
    const int frames = PresentedFrameCount();

    // Up to a frame interval + 5 ms without a present is normal pacing: nothing drawn.
    Advance(static_cast<uint32_t>(limit));
    EXPECT_EQ(app->mCursorThreadDraws, 0);
    EXPECT_EQ(PresentedFrameCount(), frames);
    EXPECT_FALSE(CursorShownAt(100, 80));

    Advance(10);
    EXPECT_EQ(app->mCursorThreadDraws, 1);
    EXPECT_GT(PresentedFrameCount(), frames);
    EXPECT_TRUE(CursorShownAt(100, 80));

    // The pointer moves while the main thread is still stuck: the cursor follows, the old place is restored.
    PointAt(300, 200);
    Advance(10);
    EXPECT_TRUE(CursorShownAt(300, 200));
    EXPECT_FALSE(CursorShownAt(100, 80));

    // The main thread presents again: the thread stands back for a frame interval + 5 ms.
    ASSERT_TRUE(app->Redraw(nullptr));
    const int draws = app->mCursorThreadDraws;
    Advance(10);
    EXPECT_EQ(app->mCursorThreadDraws, limit > 10 ? draws : draws + 1);
}

TEST_F(CursorThreadTest, SkipsTheMoveWhileTheDisplayLockIsHeld)
{
    PointAt(50, 60);
    app->StartCursorThread();
    const int frames = PresentedFrameCount();
    {
        std::lock_guard hold(app->mDDInterface->mCritSect);
        Advance(static_cast<uint32_t>(limit) + 10);
        Advance(10);
        EXPECT_GE(app->mCursorThreadDraws, 2);    // it tried...
        EXPECT_EQ(PresentedFrameCount(), frames); // ...but never waited for the lock nor drew
    }
    Advance(10);
    EXPECT_GT(PresentedFrameCount(), frames);
    EXPECT_TRUE(CursorShownAt(50, 60));
}

TEST_F(CursorThreadTest, EndsWhenAskedWithoutTheClockMoving)
{
    // A frozen manual clock must not hold up the join: Shutdown wakes the sleeping thread.
    app->StartCursorThread();
    Advance(10);
    EXPECT_TRUE(app->mCursorThreadRunning);
    app->Shutdown();
    EXPECT_FALSE(app->mCursorThreadRunning);
    EXPECT_EQ(app->mCursorThread, nullptr);
    app->StopCursorThread(); // again: nothing left to join
}

TEST_F(CursorThreadTest, HeadlessPointerReadableFromAnotherThread)
{
    PointAt(7, 9);
    POINT seen{};
    bool answered = false;
    std::thread([&] { answered = GetCursorPosAsync(&seen); }).join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(seen.x, origin.x + 7);
    EXPECT_EQ(seen.y, origin.y + 9);
}

TEST_F(CursorThreadTest, WithoutASoftwareCursorItLooksOnlyNowAndThen)
{
    app->mDDInterface->SetCursorImage(nullptr);
    app->StartCursorThread();
    const int before = app->mCursorThreadPasses;
    // The clock may only move once the thread sleeps on it (a yield loop: no test waits on time).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (SleepingThreads() < 1 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    ASSERT_EQ(SleepingThreads(), 1);
    // A second of 10 ms steps: at a hundred wake-ups a second this would be about 100 passes.
    for (int i = 0; i < 100; ++i) AdvanceClock(10);
    Advance(ZestAppBase::kIdleCursorCheckMs); // and one more look, waited for
    EXPECT_LE(app->mCursorThreadPasses - before, 6);
    EXPECT_EQ(app->mCursorThreadDraws, 0);

    // A cursor set later is picked up at the next present, without the clock moving to the next look.
    while (SleepingThreads() < 1 && std::chrono::steady_clock::now() < deadline + std::chrono::seconds(5))
        std::this_thread::yield();
    app->mDDInterface->SetCursorImage(&cursor);
    PointAt(40, 30);
    const int passes = app->mCursorThreadPasses;
    ASSERT_TRUE(app->Redraw(nullptr));
    while (app->mCursorThreadPasses == passes && std::chrono::steady_clock::now() < deadline + std::chrono::seconds(10))
        std::this_thread::yield();
    ASSERT_GT(app->mCursorThreadPasses, passes) << "the present did not wake the cursor thread";
    while (SleepingThreads() < 1 && std::chrono::steady_clock::now() < deadline + std::chrono::seconds(15))
        std::this_thread::yield();
    Advance(static_cast<uint32_t>(limit) + 10);
    EXPECT_GE(app->mCursorThreadDraws, 1);
}
