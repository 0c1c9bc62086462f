// The main loop: message pumping, the fixed-step update timing, refresh pacing, demo catch-up and drawing.
#include <algorithm>
#include <cmath>

#include "app/ZestAppBase.h"
#include "graphics/DDImage.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/Threads.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

using namespace Platform;

namespace
{
// Keeps the step nesting count right on every way out of a step.
struct NestingGuard
{
    int& count;
    explicit NestingGuard(int& c) : count(c) { ++count; }
    ~NestingGuard() { --count; }
};
} // namespace

void ZestAppBase::SetFrameTime(int ms)
{
    mFrameTime = std::max(1, ms);
}

void ZestAppBase::MainLoop()
{
    while (!mShutdown)
    {
        mExitToTop = false;
        RunLoopOnce();
    }
}

bool ZestAppBase::RunLoopOnce()
{
    for (;;)
    {
        bool updated = false;
        if (!RunLoopStep(false, updated)) return false;
        if (updated) return true;
        if (mShutdown && mQueue.empty()) return false;
    }
}

bool ZestAppBase::RunLoopStep(bool nested, bool& updated)
{
    (void)nested;
    updated = false;
    if (mExitToTop) return false;
    NestingGuard guard(mStepNesting);
    if (mStepState == 3) mStepState = 0;
    // Only the ordinary beat owes updates; a replay, a pause or the debug stepping sets its own.
    if (mDebugStepMode != 0 || mPaused || mPlayingDemo || mUpdateMultiplier <= 0) mOwedUpdates = 0;
    if (mStepState == 0 && mOwedUpdates > 0 && PendingMessageCount() == 0)
        // Updates due when a wait ended come before the input still with the window system, which came later.
        // Messages already queued (posted by the updates themselves) are handled before the next update as ever.
        mStepState = 1;
    if (mStepState == 0)
    {
        MSG msg;
        while (!mShutdown && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        ReplayDueRecords();
        // User input may start something on the next updates (a hover, a held key): no long waits for a while.
        if (GetLastInputTick() != mLastInputSeen)
        {
            mLastInputSeen = GetLastInputTick();
            mQuietUpdates = 0;
        }
        const bool handled = !mQueue.empty();
        if (handled) ProcessQueuedInput();
        mStepState = handled ? 0 : 1;
        return true;
    }
    if (mDebugStepMode == 2)
    {
        Sleep(static_cast<uint32_t>(mFrameTime));
        mStepState = 3;
        return true;
    }
    if (mDebugStepMode == 1)
    {
        mDebugStepMode = 2;
        const int before = mUpdateCount;
        TryRunUpdate();
        RunUpdateFraction(1.0);
        DrawDirtyWidgets();
        updated = mUpdateCount != before;
        return true;
    }
    const int before = mUpdateCount;
    Process(true);
    updated = mUpdateCount != before;
    return true;
}

bool ZestAppBase::RunLoopStep(bool nested)
{
    bool updated = false;
    return RunLoopStep(nested, updated) && !mShutdown;
}

void ZestAppBase::RunUpdate()
{
    ++mUpdateCount;
    const bool changed = !mMinimized && mWidgetManager->UpdateFrame();
    if (changed) ++mWidgetUpdateCount;
    if (mMusicInterface) mMusicInterface->Update();
    const bool quiet = !changed && !(mMusicInterface && mMusicInterface->Fading());
    mQuietUpdates = quiet ? std::min(mQuietUpdates + 1, kQuietUpdates) : 0;
    if (mOwedUpdates > 0) --mOwedUpdates;
    PurgeUnusedSharedImages();
    PrepareCrashInfo();
}

void ZestAppBase::RunUpdateFraction(double fraction)
{
    if (mVSyncUpdates && !mMinimized) mWidgetManager->UpdateFrameSmooth(static_cast<float>(fraction));
}

bool ZestAppBase::TryRunUpdate()
{
    if (mIdlePause) return false;
    if (mLoadingCompleted.load(std::memory_order_acquire) && !mLoadingHandedOver)
    {
        bool demoAgrees = true;
        if (mPlayingDemo)
        {
            demoAgrees = mDemo.PeekHeader() && !mDemo.pendingShort && mDemo.pendingType == DEMO_LOADING_COMPLETE &&
                         mDemo.pendingUpdate <= mUpdateCount;
            if (demoAgrees) mDemo.ConsumeHeader();
        }
        if (demoAgrees)
        {
            SetThreadPriority(THREAD_PRIORITY_NORMAL);
            mLoadingHandedOver = true;
            mLoadingYield = false;
            // The hand-over goes into the stream ahead of whatever the hand-over itself reads (players, scores,
            // settings): a replay must meet it first, or it would wait for it behind those records for ever.
            if (RecordingCalls()) WriteDemoRecord(DEMO_LOADING_COMPLETE);
            OnLoadingDone();
        }
    }
    if (mPlayingDemo && mDemo.PeekHeader() && mDemo.pendingUpdate <= mUpdateCount)
    {
        if (!mDemo.pendingShort && mDemo.pendingType == DEMO_LOADING_COMPLETE)
        {
            // The recorded run handed over here and this one's loader is not done yet: wait for it. A hand-over
            // that can never come (done already, or no loader) is a damaged record: drop it and go on.
            if (LoadingHandOverPending()) return false;
            mDemo.ConsumeHeader();
            if (mDemo.PeekHeader() && mDemo.pendingUpdate <= mUpdateCount &&
                (mDemo.pendingShort || !IsDemoCallRecord(mDemo.pendingType)))
                return false;
        }
        else if (mDemo.pendingShort || !IsDemoCallRecord(mDemo.pendingType))
            // Input recorded before this update has to be applied first.
            return false;
    }
    RunUpdate();
    return true;
}

bool ZestAppBase::LoadingHandOverPending() const
{
    return mLoadingStarted && !mLoadingHandedOver;
}

void ZestAppBase::ProcessDeferredDeletes()
{
    // A nested loop (a dialog waiting for its result) may still be inside a widget queued here.
    if (mStepNesting > 1) return;
    while (!mDeferredDeletes.empty())
    {
        std::vector<std::unique_ptr<Widget>> batch;
        batch.swap(mDeferredDeletes);
        for (auto& widget : batch)
        {
            if (widget->widgetManager) widget->widgetManager->RemoveWidget(widget.get());
            widget.reset();
        }
    }
}

bool ZestAppBase::Process(bool allowSleep)
{
    if (mShutdownRequested.exchange(false)) Shutdown();

    const bool pacing = !mPlayingDemo && mVSyncUpdates && !mScreenIdle && !mVSyncBroken &&
                        (!mWindowedNow || (mWindowedVSyncAllowed && !mWindowedVSyncOff));
    double stepLength = 0.0;
    double fraction = 1.0;
    const double multiplier = mUpdateMultiplier > 0 ? mUpdateMultiplier : 1.0;
    if (mVSyncUpdates)
    {
        const int refresh = std::max(1, mRefreshRate);
        stepLength = (1000.0 / refresh) / multiplier;
        fraction = static_cast<float>(1000.0 / (static_cast<double>(std::max(1, mFrameTime)) * refresh));
    }
    else
        stepLength = std::max(1, mFrameTime) / multiplier;
    // Extra updates one pass may run, whatever the accumulator says.
    const int maxExtra = static_cast<int>(std::ceil(fraction)) + 1;

    if (mPlayingDemo && PlaybackWindowOpen())
    {
        RunPlaybackWindowStep(allowSleep);
        ProcessDeferredDeletes();
        return true;
    }

    // Demo catch-up: run updates without waiting until the jump target.
    if (mPlayingDemo && (mUpdateCount < mDemoJumpTarget || mFastForward))
    {
        if (!mDemoAutoMuted && !mDemoDrawRequest)
        {
            mDemoAutoMuted = true;
            Mute(true);
        }
        for (;;)
        {
            mTimeAccumulator = 0.0;
            mLastTime = TimeGetTime();
            ReplayDueRecords();
            if (!TryRunUpdate())
            {
                if (mDemo.exhausted) mFastForward = false;
                return true;
            }
            mFractionAccumulator += fraction - 1.0;
            ProcessDeferredDeletes();
            for (int extra = 0; mFractionAccumulator >= 1.0 && extra < maxExtra; ++extra)
            {
                ReplayDueRecords();
                if (!TryRunUpdate()) break;
                mFractionAccumulator -= 1.0;
            }
            RunUpdateFraction(fraction);
            const uint32_t tick = GetTickCount();
            if (tick - mLastCatchUpDraw >= 1000 || mDemoDrawRequest)
            {
                mDemoDrawRequest = false;
                mLastCatchUpDraw = tick;
                DrawDirtyWidgets();
                return true;
            }
            if (!(mUpdateCount < mDemoJumpTarget || mFastForward) || mShutdown) break;
        }
        if (mSingleStep)
        {
            mSingleStep = false;
            mPaused = true;
        }
        if (mDemoAutoMuted)
        {
            mDemoAutoMuted = false;
            if (mSoundManager) mSoundManager->StopAllSounds();
            Unmute(true);
        }
        return true;
    }

    if (mPaused || mUpdateMultiplier <= 0)
    {
        ProcessDeferredDeletes();
        return true;
    }

    const uint32_t now = TimeGetTime();
    auto measure = [this](uint32_t time)
    {
        if (mLastTime == 0)
        {
            mLastTime = time;
            return;
        }
        const uint32_t elapsed = time - mLastTime;
        mLastTime = time;
        mTimeAccumulator = std::min(200.0, mTimeAccumulator + elapsed);
        mHoldOffTime = std::max<int64_t>(0, int64_t(mHoldOffTime) - elapsed);
    };
    if (!pacing) measure(now);

    bool didUpdate = false;
    bool drawOwed = false;
    if (mStepState == 1)
    {
        // After ceil(10 x multiplier) updates in a row without a draw, a draw comes first.
        drawOwed = mNonDrawUpdates >= static_cast<int>(std::ceil(mUpdateMultiplier * 10)) && mLoadingHandedOver;
        // After a long wait on a still screen, the first owed update that changed it is shown before the next one
        // runs, as it would have been on time.
        if (mOwedUpdates > 0 && mOwedAfterQuiet && mWidgetManager->dirty && mNonDrawUpdates > 0) drawOwed = true;
        if (!drawOwed)
        {
            ++mNonDrawUpdates;
            bool due;
            if (pacing)
                due = mTimeAccumulator >= static_cast<int>(stepLength * 0.75) || !mUpdatedSinceDraw;
            else
                due = mTimeAccumulator >= stepLength;
            if (due)
            {
                if (!mPlayingDemo && mUpdateMultiplier == 1.0)
                {
                    const int interval = (mFrameTime + 999) / std::max(1, mFrameTime);
                    if (++mVSyncCheckCount >= interval)
                    {
                        if (now - mVSyncCheckTime <= 800)
                        {
                            if (++mVSyncFastIntervals >= 3) mVSyncBroken = true;
                        }
                        else
                            mVSyncFastIntervals = 0;
                        mVSyncCheckTime = now;
                        mVSyncCheckCount = 0;
                    }
                }
                // A refused update (a replay waiting for its input) goes back through the message step, so
                // the records it waits for can be applied.
                if (TryRunUpdate())
                {
                    mStepState = 2;
                    didUpdate = true;
                }
                mUpdatedSinceDraw = true;
            }
        }
    }
    else if (mStepState == 2)
    {
        mStepState = 3;
        didUpdate = true;
        mFractionAccumulator += fraction - 1.0;
        for (int extra = 0; mFractionAccumulator >= 1.0 && extra < maxExtra; ++extra)
        {
            ReplayDueRecords();
            ++mNonDrawUpdates;
            if (!TryRunUpdate()) break;
            mFractionAccumulator -= 1.0;
        }
        RunUpdateFraction(fraction);
        mTimeAccumulator -= stepLength;
        if (pacing)
        {
            mTimeAccumulator -= static_cast<double>(0.2f);
            if (mTimeAccumulator < 0) mTimeAccumulator = 0;
        }
        if (mHoldOffTime > 0) mTimeAccumulator = 0;
    }

    uint32_t slept = 0;
    if (!didUpdate)
    {
        mStepState = 3;
        // Owed updates refused (or fewer due than counted): the next pass looks at input before this one may wait
        // again.
        const bool refused = mOwedUpdates > 0 && !drawOwed;
        if (refused) mOwedUpdates = 0;
        mNonDrawUpdates = 0;
        // A draw waits for its turn when the last present is more recent than the display could show.
        int drawWaitMs = 0;
        if (mUpdatedSinceDraw && mMinDrawInterval > 0 && !pacing && !mForceDraw && !drawOwed && mLastPresentTime != 0)
        {
            const double since = static_cast<double>(now - mLastPresentTime);
            if (since < mMinDrawInterval)
                drawWaitMs = std::max(1, static_cast<int>(std::ceil(mMinDrawInterval - since)));
        }
        if (mUpdatedSinceDraw && drawWaitMs == 0)
            DrawDirtyWidgets();
        else
        {
            // Truncated to whole ms, but never to nothing while the update is not due: with a step length that
            // is not whole (a 60 Hz refresh gives 16.67 ms) a remainder under 1 ms would otherwise spin the loop
            // without sleeping until real time crept past it.
            int sleepMs = static_cast<int>(stepLength - mTimeAccumulator);
            if (sleepMs <= 0 && mTimeAccumulator < stepLength) sleepMs = 1;
            // Updates may run in a batch at the end of a wait (input cuts it short): not while refresh pacing,
            // a replay or the loading phase sets the beat, nor on the manual clock, whose runs (the game bot's,
            // the screen tour's) keep one update per wait unless a test asks otherwise.
            const bool batching = (!IsManualClock() || mBatchOnManualClock) && !pacing && !mPlayingDemo &&
                                  mLoadingHandedOver && !mLoadingYield && !mForceDraw;
            if (batching && mMinDrawInterval > 0 && mLastPresentTime != 0 && sleepMs > 0)
            {
                // Nothing new is shown before the display takes its next picture: the loop wakes then, runs the
                // updates due by then and draws what the old beat would have drawn at that moment.
                const double since = static_cast<double>(now - mLastPresentTime);
                const int drawAllowedMs =
                    since < mMinDrawInterval ? std::max(1, static_cast<int>(std::ceil(mMinDrawInterval - since))) : 0;
                sleepMs = mUpdatedSinceDraw ? drawWaitMs : std::max(sleepMs, drawAllowedMs);
            }
            else if (drawWaitMs > 0)
                // A waiting draw wakes the loop as soon as it is due, even before the next update.
                sleepMs = sleepMs > 0 ? std::min(sleepMs, drawWaitMs) : 0;
            // Nothing has changed on the screen for a while and nothing waits to be drawn: a longer wait, which
            // input or the next timer cut short.
            const bool quiet = batching && mQuietUpdates >= kQuietUpdates && !mUpdatedSinceDraw && sleepMs > 0;
            if (quiet)
                sleepMs = std::max(sleepMs, static_cast<int>(std::min<uint32_t>(kQuietWaitMs, TimeToNextTimer())));
            if (sleepMs > 0 && !refused)
            {
                if (!allowSleep) return false;
                ++mSleepCount;
                const uint32_t before = TimeGetTime();
                if (!batching || PendingMessageCount() == 0) MsgWaitForInput(static_cast<uint32_t>(sleepMs));
                const uint32_t woke = TimeGetTime();
                slept = woke - before;
                if (batching)
                {
                    // The updates due by the wake run before the loop looks at input again: whatever input ended
                    // the wait came after them.
                    const double due = std::min(200.0, mTimeAccumulator + static_cast<double>(woke - mLastTime));
                    mOwedUpdates = static_cast<int>(due / stepLength);
                    mOwedAfterQuiet = quiet;
                }
            }
        }
    }

    if (mLoadingYield)
    {
        const int64_t busy = int64_t(TimeGetTime() - now) - slept;
        const int64_t yieldMs = std::min<int64_t>(250, 2 * busy - int64_t(slept));
        if (yieldMs > 0)
        {
            if (!allowSleep) return false;
            Sleep(static_cast<uint32_t>(yieldMs));
        }
    }

    ProcessDeferredDeletes();
    return true;
}

bool ZestAppBase::DrawDirtyWidgets()
{
    if (mSystemDialogFullScreen)
    {
        Redraw(nullptr);
        return false;
    }
    const uint32_t start = TimeGetTime();
    if (start - mLastIdleCheck > 1000)
    {
        mLastIdleCheck = start;
        CheckIdlePause();
    }
    if (mIdlePause)
    {
        mScreenIdle = true;
        return false;
    }

    mDrawingNow = true;
    bool drew = mWidgetManager->DrawScreen();
    // Where the screen changed since the last present: what the widgets drew, or all of it when anything else
    // drew (the playback windows draw over the widgets from outside their manager).
    const std::vector<Rect>& drawnRects = mWidgetManager->DrawnRects();
    mDrawnSincePresent.insert(mDrawnSincePresent.end(), drawnRects.begin(), drawnRects.end());
    if (mDrawnSincePresent.size() > 64) mDrawnAnywhere = true;
    if (mPlaybackWindows)
    {
        drew = DrawPlaybackWindow(drew) || drew;
        mWidgetManager->ForgetDrawnRegions();
        mDrawnAnywhere = true;
    }
    mDrawingNow = false;
    const uint32_t drawTime = TimeGetTime() - start;
    mUpdatedSinceDraw = false;

    // A frame drawn before its turn (the loading screen's pace) is shown at the next turn even when nothing new is
    // drawn then.
    const bool turnCame = static_cast<int32_t>(start - mNextDrawTime) >= 0;
    if (drew && !turnCame) mDrawHeldBack = true;
    if ((drew || mDrawHeldBack || start - mLastPresentTime >= 1000 || mForceDraw) && turnCame)
    {
        mDrawHeldBack = false;
        ++mDrawCount;
        mScreenIdle = false;
        mDrawTime += static_cast<int>(drawTime);
        mTotalDrawTime += static_cast<int>(drawTime);
        if (mWindowedNow && mWindowedVSyncAllowed && mWindowedVSyncOff && mDDInterface)
        {
            const uint32_t frame = static_cast<uint32_t>(std::max(1, mDDInterface->mMillisecondsPerFrame));
            const uint32_t since = TimeGetTime() - mLastPresentTime;
            if (since < frame) Sleep(frame - since);
        }
        const uint32_t presentStart = TimeGetTime();
        // A frame that changed no pixel is not presented: the window already shows it. The frame still takes its
        // turn (the loop's beat and the loading screen's pacing follow mLastPresentTime and mNextDrawTime as
        // before), and a keep-alive present after a second without drawing still goes out. Presents that wait
        // for the retrace pace the loop themselves and go out every time.
        const bool keepAlive = !drew && !mForceDraw;
        const bool owed = mDDInterface && mDDInterface->PresentOwed();
        const bool changed =
            mDrawnAnywhere || !mDrawnSincePresent.empty() || mForceDraw || keepAlive || owed || mVSyncUpdates;
        mLastPresentTime = presentStart;
        if (changed)
        {
            if (mDDInterface && !mDrawnAnywhere) mDDInterface->HintChanges(mDrawnSincePresent);
            if (Redraw(nullptr))
            {
                mDrawnSincePresent.clear();
                mDrawnAnywhere = false;
            }
            ++mPresentCount;
        }
        const uint32_t presentEnd = TimeGetTime();
        if (mLastTime != 0)
        {
            const uint32_t elapsed = presentEnd - mLastTime;
            mTimeAccumulator = std::min(200.0, mTimeAccumulator + elapsed);
            mHoldOffTime = std::max<int64_t>(0, int64_t(mHoldOffTime) - elapsed);
        }
        mLastTime = presentEnd;
        mScreenBltTime += static_cast<int>(presentEnd - presentStart);
        if (mLoadingStarted && !mLoadingCompleted.load(std::memory_order_acquire))
        {
            const uint32_t next = presentStart + std::max<uint32_t>(drawTime, 15) + 35;
            mNextDrawTime = static_cast<int32_t>(next - presentEnd) >= 0 ? next : presentEnd;
        }
        else
            mNextDrawTime = presentEnd;
        mForceDraw = false;
        return true;
    }
    mScreenIdle = true;
    return false;
}

bool ZestAppBase::Redraw(const Rect* rect)
{
    if (!mDDInterface) return false;
    if (mDDInterface->Redraw(rect))
    {
        NotePresent();
        mRedrawFailures = 0;
        return true;
    }
    // A lost display comes back by a fresh Init, at most once a second; three failures in a row take the
    // fallback path of window creation.
    const uint32_t now = GetTickCount();
    if (now - mLastRedrawAttempt < 1000 && mRedrawFailures > 0) return false;
    mLastRedrawAttempt = now;
    ++mRedrawFailures;
    if (mRedrawFailures >= 3)
    {
        mRedrawFailures = 0;
        InitDisplayWithFallback(mWindowedNow);
    }
    else if (InitDisplay(mWindowedNow) != DDInterface::RESULT_OK)
        return false;
    SetMouseRectsFromDisplay();
    mWidgetManager->MarkEverythingDirty();
    return false;
}

void ZestAppBase::CheckIdlePause()
{
    // The screen-saver settings cannot be read on this platform: the saver is never active, so the pause
    // never starts. The check is kept so the loop reads as it runs elsewhere.
    if (!mWindowedNow || mPlayingDemo) return;
    const bool saverActive = false;
    if (mIdlePause && !saverActive)
    {
        mIdlePause = false;
        mWidgetManager->MarkEverythingDirty();
    }
}

} // namespace Zest
