// Main-loop timing on the manual clock: catch-up cap, forced draws, multiplier 0, refresh-pacing check,
// presenting idle screens, draws held to the display rate, the loading throttle and hand-over, frames that changed
// nothing left unpresented.
#include "AppTestSupport.h"

#include "../graphics/DisplayFixture.h"

#include "graphics/DDImage.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

using namespace Zest;
using namespace Platform;

namespace
{
class MainLoopTest : public AppTest
{
protected:
    // Runs loop steps until the next sleep (or a step limit); returns the updates run meanwhile and how many
    // draws came before the first update beyond `drawAfter`.
    struct Run
    {
        int updates = 0;
        int draws = 0;
        int updatesBeforeFirstDraw = -1;
    };
    static Run RunUntilSleep(TestApp& app, int maxSteps = 10000)
    {
        Run run;
        const int sleeps = app.mSleepCount;
        const int updates = app.mUpdateCount;
        const int draws = app.mDrawCount;
        for (int i = 0; i < maxSteps && app.mSleepCount == sleeps; ++i)
        {
            bool updated = false;
            app.RunLoopStep(false, updated);
            if (run.updatesBeforeFirstDraw < 0 && app.mDrawCount != draws)
                run.updatesBeforeFirstDraw = app.mUpdateCount - updates;
        }
        run.updates = app.mUpdateCount - updates;
        run.draws = app.mDrawCount - draws;
        return run;
    }
    static void Prime(TestApp& app)
    {
        app.mLastTime = TimeGetTime();
        app.mStepState = 0;
        app.mLoadingHandedOver = true;
        app.mUpdatedSinceDraw = false;
    }
};
} // namespace

TEST_F(MainLoopTest, StallRunsAtMostTwentyUpdatesWithForcedDraws)
{
    struct Case
    {
        double multiplier;
        int updatesBeforeDraw;
        int maxUpdates;
    };
    for (const Case c : {Case{1.0, 10, 20}, Case{1.5, 15, 30}})
    {
        TestApp app;
        ProbeWidget widget; // always changing, so every draw attempt presents
        widget.Resize(0, 0, 10, 10);
        widget.alwaysDirty = true;
        app.mWidgetManager->AddWidget(&widget);
        app.mUpdateMultiplier = c.multiplier;
        Prime(app);
        AdvanceClock(5000);
        const Run run = RunUntilSleep(app);
        EXPECT_EQ(run.updates, c.maxUpdates) << c.multiplier; // 200 ms of backlog at most
        EXPECT_EQ(run.updatesBeforeFirstDraw, c.updatesBeforeDraw) << c.multiplier;
        EXPECT_EQ(run.draws, 2) << c.multiplier;
        app.mWidgetManager->RemoveWidget(&widget);
    }
}

TEST_F(MainLoopTest, BeforeHandOverUpdatesAreNotInterruptedByDraws)
{
    TestApp app;
    Prime(app);
    app.mLoadingHandedOver = false;
    AdvanceClock(5000);
    const Run run = RunUntilSleep(app);
    EXPECT_EQ(run.updates, 20);
    EXPECT_EQ(run.updatesBeforeFirstDraw, 20);
}

TEST_F(MainLoopTest, ZeroMultiplierOrPauseNeitherUpdatesNorSleeps)
{
    for (int pausedCase = 0; pausedCase < 2; ++pausedCase)
    {
        TestApp app;
        Prime(app);
        if (pausedCase)
            app.mPaused = true;
        else
            app.mUpdateMultiplier = 0.0;
        const uint32_t before = TimeGetTime();
        for (int i = 0; i < 200; ++i)
        {
            bool updated = false;
            app.RunLoopStep(false, updated);
        }
        EXPECT_EQ(app.mUpdateCount, 0);
        EXPECT_EQ(app.mSleepCount, 0);
        EXPECT_EQ(TimeGetTime(), before);
    }
}

TEST_F(MainLoopTest, SteadyRunSleepsBetweenUpdates)
{
    TestApp app;
    ProbeWidget widget; // a screen that changes on every update
    widget.Resize(0, 0, 10, 10);
    widget.alwaysDirty = true;
    app.mWidgetManager->AddWidget(&widget);
    Prime(app);
    const uint32_t start = TimeGetTime();
    while (app.mUpdateCount < 300)
    {
        bool updated = false;
        app.RunLoopStep(false, updated);
    }
    // Sleeping advances the manual clock: 300 updates of 10 ms take 3 s.
    EXPECT_NEAR(double(TimeGetTime() - start), 3000.0, 20.0);
    EXPECT_GT(app.mSleepCount, 250);
    app.mWidgetManager->RemoveWidget(&widget);
}

TEST_F(MainLoopTest, StaticScreenWakesSeldomYetRunsEveryUpdateInItsTurn)
{
    // Nothing on the screen changes: the loop waits for input or its timer instead of waking for every update and
    // runs the owed updates back to back, never ahead of the clock. A change one of them makes is drawn before the
    // next runs; input waiting when the loop would wait is handled at once, before any later update.
    TestApp app;
    app.mLoadingThreadWanted = false;
    app.Init();
    ProbeWidget widget;
    widget.Resize(0, 0, 10, 10);
    app.mWidgetManager->AddWidget(&widget);
    Prime(app);
    app.mBatchOnManualClock = true;
    const uint32_t start = TimeGetTime();
    std::vector<uint32_t> updateTimes;
    int sleepsAt[2] = {0, 0}; // at the 100th and the 250th update
    app.onUpdate = [&](TestApp& a)
    {
        updateTimes.push_back(TimeGetTime() - start);
        if (a.mUpdateCount == 100 || a.mUpdateCount == 250) sleepsAt[a.mUpdateCount / 200] = a.mSleepCount;
        widget.alwaysDirty = a.mUpdateCount == 249; // the 250th update changes the screen
    };
    auto step = [&app]
    {
        bool updated = false;
        app.RunLoopStep(false, updated);
    };
    int drawnAfter = -1;
    while (app.mUpdateCount < 300)
    {
        const int draws = app.mDrawCount;
        step();
        if (drawnAfter < 0 && app.mUpdateCount >= 250 && app.mDrawCount != draws) drawnAfter = app.mUpdateCount;
    }
    // From the 100th update on the screen has been still for a second: 150 updates, a handful of wake-ups.
    EXPECT_LT(sleepsAt[1] - sleepsAt[0], 25) << "a wake-up for every update";
    EXPECT_EQ(drawnAfter, 250);
    for (size_t i = 0; i < updateTimes.size(); ++i)
    {
        EXPECT_GE(updateTimes[i], 10 * (i + 1)) << "update " << i + 1 << " ran early";
        EXPECT_LE(updateTimes[i], 10 * (i + 1) + 100) << "update " << i + 1 << " ran late";
    }

    while (app.mUpdateCount < 450) step();
    const uint32_t posted = TimeGetTime();
    const size_t dueBefore = (posted - start) / 10;
    PostMessage(app.mHWnd, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    while (widget.downs.empty() && app.mUpdateCount < 600) step();
    ASSERT_EQ(widget.downs.size(), 1u);
    EXPECT_EQ(size_t(app.mUpdateCount), dueBefore) << "updates due after the click ran before it";
    app.mWidgetManager->RemoveWidget(&widget);
}

TEST_F(MainLoopTest, FastUpdateIntervalsBreakRefreshPacingForGood)
{
    // Each row: milliseconds taken by successive 100-update intervals, and whether pacing ends broken.
    struct Case
    {
        std::vector<uint32_t> intervals;
        bool broken;
    };
    const Case cases[] = {
        {{800, 800, 800}, true},
        {{800, 800, 801, 800, 800}, false},
        {{800, 801, 800, 800, 800}, true},
        {{1000, 1000, 1000}, false},
    };
    for (const Case& c : cases)
    {
        TestApp app;
        Prime(app);
        app.mVSyncCheckTime = TimeGetTime();
        for (uint32_t interval : c.intervals)
        {
            for (int i = 0; i < 100; ++i)
            {
                // Each update is due at once; the clock moves so that 100 of them take `interval` ms.
                AdvanceClock(i == 99 ? interval - 99 * (interval / 100) : interval / 100);
                app.mTimeAccumulator = 100.0;
                app.mLastTime = TimeGetTime();
                app.mStepState = 1;
                app.mNonDrawUpdates = 0;
                app.Process(true);
            }
        }
        EXPECT_EQ(app.mVSyncBroken, c.broken) << c.intervals.size() << " intervals";
    }
}

TEST_F(MainLoopTest, VsyncCheckSkippedWhenNotAtNormalSpeedOrReplaying)
{
    for (int variant = 0; variant < 2; ++variant)
    {
        TestApp app;
        Prime(app);
        if (variant == 0) app.mUpdateMultiplier = 0.999;
        if (variant == 1) app.mPlayingDemo = true, app.mDemo.Reset(), app.mDemo.StartReading();
        for (int i = 0; i < 400; ++i)
        {
            AdvanceClock(1);
            app.mTimeAccumulator = 100.0;
            app.mLastTime = TimeGetTime();
            app.mStepState = 1;
            app.mNonDrawUpdates = 0;
            app.Process(true);
        }
        EXPECT_FALSE(app.mVSyncBroken) << variant;
        EXPECT_EQ(app.mVSyncFastIntervals, 0) << variant;
    }
}

TEST_F(MainLoopTest, IdleScreenPresentedOncePerSecondChangedScreenAtOnce)
{
    {
        TestApp app;
        Prime(app);
        const uint32_t start = TimeGetTime();
        while (TimeGetTime() - start < 5000)
        {
            bool updated = false;
            app.RunLoopStep(false, updated);
        }
        EXPECT_GE(app.mDrawCount, 4);
        EXPECT_LE(app.mDrawCount, 6);
    }
    {
        TestApp app;
        ProbeWidget widget;
        widget.Resize(0, 0, 10, 10);
        widget.alwaysDirty = true;
        app.mWidgetManager->AddWidget(&widget);
        Prime(app);
        while (app.mUpdateCount < 100)
        {
            bool updated = false;
            app.RunLoopStep(false, updated);
        }
        EXPECT_GE(app.mDrawCount, 95);
        app.mWidgetManager->RemoveWidget(&widget);
    }
}

TEST_F(MainLoopTest, LoadingThrottlesDrawsAndHandsOverOnce)
{
    TestApp app;
    Prime(app);
    app.mLoadingHandedOver = false;
    app.mLoadingStarted = true;
    app.mRecording = true;
    app.mDemo.Reset();
    app.mForceDraw = true;
    ASSERT_TRUE(app.DrawDirtyWidgets());
    const uint32_t presented = app.mLastPresentTime;
    EXPECT_EQ(app.mNextDrawTime, presented + 50) << "max(draw time 0, 15) + 35";
    app.mForceDraw = true;
    AdvanceClock(49);
    EXPECT_FALSE(app.DrawDirtyWidgets()) << "too early while loading";
    AdvanceClock(1);
    app.mForceDraw = true;
    EXPECT_TRUE(app.DrawDirtyWidgets());

    app.mLoadingCompleted = true;
    EXPECT_TRUE(app.TryRunUpdate());
    EXPECT_TRUE(app.TryRunUpdate());
    EXPECT_EQ(app.loadingDone, 1);
    EXPECT_TRUE(app.mLoadingHandedOver);
    EXPECT_EQ(MainThreadPriority(), THREAD_PRIORITY_NORMAL);
    app.mDemo.StartReading();
    ASSERT_TRUE(app.mDemo.PeekHeader());
    EXPECT_EQ(app.mDemo.pendingType, DEMO_LOADING_COMPLETE);
    AdvanceClock(50);
    app.mForceDraw = true;
    ASSERT_TRUE(app.DrawDirtyWidgets());
    EXPECT_EQ(app.mNextDrawTime, app.mLastPresentTime) << "no throttle once loaded";
    app.mRecording = false;
}

TEST_F(MainLoopTest, ZeroFrameTimeAndRefreshRateAreHarmless)
{
    TestApp app;
    app.SetFrameTime(0);
    EXPECT_EQ(app.mFrameTime, 1);
    app.mFrameTime = 0; // even when set directly
    app.mRefreshRate = 0;
    app.mVSyncUpdates = true;
    app.mWindowedNow = false;
    Prime(app);
    AdvanceClock(100);
    for (int i = 0; i < 100; ++i)
    {
        bool updated = false;
        app.RunLoopStep(false, updated);
    }
    EXPECT_GT(app.mUpdateCount, 0);
}

TEST_F(MainLoopTest, RefreshPacingRunsFractionalUpdates)
{
    TestApp app;
    app.mVSyncUpdates = true;
    app.mWindowedNow = false; // pacing is on in full screen
    app.mRefreshRate = 60;
    Prime(app);
    app.mUpdatedSinceDraw = false;
    for (int frame = 0; frame < 60; ++frame)
    {
        AdvanceClock(16);
        app.mStepState = 1;
        app.mUpdatedSinceDraw = false; // each refresh drew
        app.mNonDrawUpdates = 0;
        app.Process(true); // state 1: the first update of the frame
        app.Process(true); // state 2: the carried fraction
    }
    // 1000 / (10 * 60) = 1.667 updates per refresh: 100 updates per 60 refreshes.
    EXPECT_NEAR(app.mUpdateCount, 100, 1);
    EXPECT_GE(app.mTimeAccumulator, 0.0);
}

TEST_F(MainLoopTest, DemoCatchUpRunsUpdatesWithoutWaitingMutedAndDrawsOncePerSecond)
{
    // A replay jumping ahead (a jump target) or fast-forwarding runs updates back to back, muted meanwhile, draws
    // at most once a second of the clock, and gives the sound back when it stops.
    for (const bool fastForward : {false, true})
    {
        SCOPED_TRACE(fastForward ? "fast forward" : "jump");
        TestApp app;
        app.mLoadingThreadWanted = false;
        app.Init();
        Prime(app);
        app.mPlayingDemo = true; // an empty stream: every update may run
        if (fastForward)
            app.mFastForward = true;
        else
            app.mDemoJumpTarget = 600;
        const uint32_t start = TimeGetTime();
        bool mutedMeanwhile = true;
        app.onUpdate = [&](TestApp& a)
        {
            mutedMeanwhile = mutedMeanwhile && a.IsMuted();
            AdvanceClock(5); // each update takes 5 ms of the clock: 600 of them are 3 s
            if (fastForward && a.mUpdateCount == 600) a.mFastForward = false;
        };
        const int draws = app.mDrawCount, sleeps = app.mSleepCount;
        for (int i = 0; i < 10000 && app.mUpdateCount < 600; ++i)
        {
            bool updated = false;
            app.RunLoopStep(false, updated);
        }
        // A pass may run a few extra updates of a refresh-paced step beyond the target.
        EXPECT_GE(app.mUpdateCount, 600);
        EXPECT_LE(app.mUpdateCount, 603);
        EXPECT_EQ(app.mSleepCount, sleeps) << "a catch-up never waits";
        EXPECT_TRUE(mutedMeanwhile);
        const uint32_t seconds = (TimeGetTime() - start) / 1000;
        EXPECT_LE(app.mDrawCount - draws, int(seconds) + 1) << "drawn more than once a second";
        // The next pass ends the catch-up and gives the sound back.
        bool updated = false;
        app.RunLoopStep(false, updated);
        app.RunLoopStep(false, updated);
        EXPECT_FALSE(app.IsMuted());
        EXPECT_FALSE(app.mDemoAutoMuted);
    }
}

TEST_F(MainLoopTest, RedrawRecoversALostDisplayAtMostOnceASecond)
{
    TestApp app;
    app.mLoadingThreadWanted = false;
    app.Init();
    ASSERT_TRUE(app.Redraw(nullptr));
    // A failed present: the display is made again at once, and the next present goes through.
    InjectSurfaceFailure(SurfaceStep::Blt, DDERR_SURFACELOST, 0);
    EXPECT_FALSE(app.Redraw(nullptr)) << "the failed present itself reports failure";
    EXPECT_EQ(app.mRedrawFailures, 1);
    ClearSurfaceFailures();
    EXPECT_TRUE(app.Redraw(nullptr));
    EXPECT_EQ(app.mRedrawFailures, 0);

    // A display that cannot be made again: retried at most once a second.
    InjectSurfaceFailure(SurfaceStep::Blt, DDERR_SURFACELOST, 0);
    InjectSurfaceFailure(SurfaceStep::SetCooperativeLevelNormal, DDERR_GENERIC, 0);
    EXPECT_FALSE(app.Redraw(nullptr));
    EXPECT_EQ(app.mRedrawFailures, 1);
    const uint32_t attempt = app.mLastRedrawAttempt;
    AdvanceClock(500);
    EXPECT_FALSE(app.Redraw(nullptr));
    EXPECT_EQ(app.mLastRedrawAttempt, attempt) << "no new attempt within the second";
    EXPECT_EQ(app.mRedrawFailures, 1);

    // Once the display can be made again, the next attempt after the second brings it back.
    ClearSurfaceFailures();
    bool back = false;
    for (int i = 0; i < 3 && !back; ++i)
    {
        AdvanceClock(1100);
        back = app.Redraw(nullptr);
    }
    EXPECT_TRUE(back);
    EXPECT_EQ(app.mRedrawFailures, 0);
}

TEST_F(MainLoopTest, AFractionalStepNeverSpinsWithoutSleeping)
{
    // At 60 Hz a step is 16.67 ms: the time left before an update can be under 1 ms, which truncates to no sleep
    // at all. The loop must still sleep (on the manual clock, only sleeps move time) and keep updating.
    TestApp app;
    app.mLoadingThreadWanted = false;
    app.Init();
    Prime(app);
    app.mVSyncUpdates = true;
    app.mRefreshRate = 60;
    for (int i = 0; i < 20000 && app.mUpdateCount < 300; ++i)
    {
        bool updated = false;
        app.RunLoopStep(false, updated);
    }
    EXPECT_GE(app.mUpdateCount, 300) << "stuck after " << app.mSleepCount << " sleeps";
    // 100 updates a second of the clock, whatever the step length.
    EXPECT_NEAR(double(TimeGetTime() - kClockStartMs) / app.mUpdateCount, 10.0, 0.5);
}

TEST_F(MainLoopTest, UnpacedPresentsFollowTheDisplayRateNotTheUpdates)
{
    // 100 updates a second on a 60 Hz display whose presents cannot wait for the retrace: every update still
    // runs in its turn, but a picture is drawn at most once per refresh, showing every update due by then, and a
    // change after a quiet spell is drawn at once. The loop wakes for pictures, not for each update (on the manual
    // clock only sleeps move time).
    TestApp app;
    ProbeWidget widget;
    widget.Resize(0, 0, 10, 10);
    widget.alwaysDirty = true;
    app.mWidgetManager->AddWidget(&widget);
    Prime(app);
    app.mMinDrawInterval = 1000.0 / 60;
    app.mBatchOnManualClock = true;
    std::vector<uint32_t> drawTimes;
    const uint32_t start = TimeGetTime();
    const int sleeps = app.mSleepCount;
    for (int i = 0; i < 20000 && app.mUpdateCount < 200; ++i)
    {
        const int draws = app.mDrawCount;
        bool updated = false;
        app.RunLoopStep(false, updated);
        if (app.mDrawCount == draws) continue;
        drawTimes.push_back(TimeGetTime());
        EXPECT_EQ(uint32_t(app.mUpdateCount), (TimeGetTime() - start) / 10) << "draw " << drawTimes.size();
    }
    EXPECT_EQ(app.mUpdateCount, 200);
    EXPECT_NEAR(double(TimeGetTime() - start), 2000.0, 20.0);
    EXPECT_GE(drawTimes.size(), 115u);
    EXPECT_LE(drawTimes.size(), 121u);
    EXPECT_LE(size_t(app.mSleepCount - sleeps), drawTimes.size() + 2) << "woke for updates with nothing to show";
    for (size_t i = 1; i < drawTimes.size(); ++i) EXPECT_GE(drawTimes[i] - drawTimes[i - 1], 16u) << "draw " << i;

    // Quiet for a second, then one change: drawn right after the update that made it.
    widget.alwaysDirty = false;
    while (TimeGetTime() - start < 3500)
    {
        bool updated = false;
        app.RunLoopStep(false, updated);
    }
    const int draws = app.mDrawCount, updates = app.mUpdateCount;
    widget.MarkDirty();
    while (app.mDrawCount == draws)
    {
        bool updated = false;
        app.RunLoopStep(false, updated);
    }
    EXPECT_LE(app.mUpdateCount - updates, 1);
    app.mWidgetManager->RemoveWidget(&widget);
}

TEST_F(MainLoopTest, AFrameThatChangedNoPixelIsNotPresented)
{
    // A board drawn by region that draws what it drew last frame, under a label drawing the same too, changes no
    // pixel: the frame is drawn (it takes its turn) but not presented. A new label presents the frame, looking only
    // where the widgets drew: a pixel written behind their back elsewhere stays unseen.
    TestApp app;
    app.mLoadingThreadWanted = false;
    app.mSyncDrawing = false; // one present, not two halves timed against the beam
    app.Init();
    ASSERT_TRUE(app.mDDInterface && app.mDDInterface->IsInitialized());
    const auto picture = ZestTest::SolidPicture;
    const auto backdrop = picture(app.mWidth, app.mHeight, 0xFF203040);
    const auto green = picture(40, 30, 0xFF00FF00);
    const auto blue = picture(40, 30, 0xFF0000FF);
    class Painter : public Widget
    {
    public:
        std::function<void(Graphics*)> paint;
        void Draw(Graphics* g) override { paint(g); }
    };
    Painter board, label;
    const MemoryImage* labelPicture = green.get();
    board.Resize(0, 0, app.mWidth, app.mHeight);
    board.drawsByRegion = true;
    board.paint = [&](Graphics* g) { g->DrawImage(backdrop.get(), 0, 0); };
    label.Resize(150, 10, 40, 30);
    label.paint = [&](Graphics* g) { g->DrawImage(const_cast<MemoryImage*>(labelPicture), 0, 0); };
    app.mWidgetManager->AddWidget(&board);
    app.mWidgetManager->AddWidget(&label);
    auto frame = [&]
    {
        board.MarkDirty(); // and so the label above it
        const int draws = app.mDrawCount, presents = app.mPresentCount, frames = PresentedFrameCount();
        EXPECT_TRUE(app.DrawDirtyWidgets());
        EXPECT_EQ(app.mDrawCount, draws + 1);
        EXPECT_EQ(app.mPresentCount - presents, PresentedFrameCount() - frames);
        return app.mPresentCount - presents;
    };
    auto shown = [](int x, int y) { return LastPresentedFrame().ArgbAt(x, y) & 0xFFFFFF; };
    EXPECT_EQ(frame(), 1) << "the first frame";
    EXPECT_EQ(shown(160, 20), 0x00FF00u);
    EXPECT_EQ(frame(), 0) << "nothing changed";
    EXPECT_EQ(frame(), 0) << "nothing changed again";

    Graphics behind(app.mDDInterface->GetScreenImage());
    behind.SetColor(Color::White);
    behind.FillRect(100, 60, 1, 1);
    labelPicture = blue.get();
    EXPECT_EQ(frame(), 1) << "the label changed";
    EXPECT_EQ(shown(160, 20), 0x0000FFu);
    EXPECT_EQ(shown(100, 60), 0x203040u) << "looked beyond what the widgets drew";
    EXPECT_EQ(frame(), 0) << "nothing changed after the label";
    app.mWidgetManager->RemoveWidget(&label);
    app.mWidgetManager->RemoveWidget(&board);
}

TEST_F(MainLoopTest, AFrameDrawnWhileTheLoadingPaceHeldItBackIsShownAtItsNextTurn)
{
    // While loading, presents keep a pace of their own. A widget drawn before its turn is not presented then; once
    // the turn comes it must be, even when nothing else is drawn (the loading screen's continue link appears so,
    // and used to wait for the next change or the one-second keep-alive present).
    TestApp app;
    app.mLoadingThreadWanted = false;
    app.mSyncDrawing = false;
    app.Init();
    ASSERT_TRUE(app.mDDInterface && app.mDDInterface->IsInitialized());
    ProbeWidget widget;
    widget.Resize(0, 0, 10, 10);
    app.mWidgetManager->AddWidget(&widget);
    Prime(app);
    app.mLoadingHandedOver = false;
    app.mLoadingStarted = true;
    app.mForceDraw = true;
    ASSERT_TRUE(app.DrawDirtyWidgets());
    const int presents = app.mPresentCount;
    AdvanceClock(10);
    widget.MarkDirty();
    EXPECT_FALSE(app.DrawDirtyWidgets()) << "held back by the loading pace";
    EXPECT_EQ(app.mPresentCount, presents);
    AdvanceClock(40);
    EXPECT_TRUE(app.DrawDirtyWidgets()) << "its turn came: what was drawn is shown";
    EXPECT_EQ(app.mPresentCount, presents + 1);
    app.mWidgetManager->RemoveWidget(&widget);
}
