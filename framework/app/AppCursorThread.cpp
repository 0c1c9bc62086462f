// The cursor thread: keeps the software cursor following the pointer while the main thread is too busy to present.
#include <algorithm>

#include "app/ZestAppBase.h"
#include "platform/Clock.h"
#include "platform/Messages.h"

namespace Zest
{

using namespace Platform;

void ZestAppBase::StartCursorThread()
{
    if (mCursorThread) return;
    mCursorThreadStop = false;
    mCursorThreadRunning = true;
    // Starting counts as a present: nothing is drawn over a picture the main thread is about to show anyway.
    NotePresent();
    // The display object outlives the thread: it is replaced only by the destructor, after Shutdown joined it.
    DDInterface* display = mDDInterface.get();
    const uint32_t start = TimeGetTime();
    mCursorThread = CreateThread([this, display, start] { DrawCursorThread(display, start); }, "cursor");
}

void ZestAppBase::StopCursorThread()
{
    if (!mCursorThread) return;
    mCursorThreadStop = true;
    mCursorThreadNudge = true;
    // The thread sleeps at most 10 ms between checks while it draws; the wake-up cuts even that short.
    WakeSleepers();
    mCursorThread->Join();
    mCursorThread.reset();
}

void ZestAppBase::NotePresent()
{
    if (mDDInterface) mPresentIntervalMs = std::max(1, mDDInterface->mMillisecondsPerFrame);
    // A software cursor set while the cursor thread waits for one: it starts following the pointer now.
    if (mCursorThread && mDDInterface && mDDInterface->mHasCursorImage && !mCursorThreadNudge.exchange(true))
        WakeSleepers();
    if (mHWnd)
    {
        POINT origin;
        ClientToScreen(mHWnd, &origin);
        mClientOriginX = origin.x;
        mClientOriginY = origin.y;
    }
    mLastPresentTick = TimeGetTime();
}

void ZestAppBase::DrawCursorThread(DDInterface* display, uint32_t start)
{
    // Wake-ups keep a 10 ms beat counted from the start, however late the thread itself got going; a beat
    // missed (a stalled process) is skipped rather than made up in a burst.
    uint32_t next = start + 10;
    while (!mCursorThreadStop && !mShutdown)
    {
        if (display && !display->mHasCursorImage)
        {
            // No software cursor (the window system draws the pointer): nothing to keep drawn, so look again
            // only now and then instead of a hundred times a second. Stopping, or a present that finds a cursor
            // set, wakes the thread at once.
            mCursorThreadNudge = false;
            if (!display->mHasCursorImage && !mCursorThreadStop) SleepUnless(kIdleCursorCheckMs, mCursorThreadNudge);
            ++mCursorThreadPasses;
            next = TimeGetTime() + 10;
            continue;
        }
        const int32_t wait = static_cast<int32_t>(next - TimeGetTime());
        if (wait > 0) SleepUnless(static_cast<uint32_t>(wait), mCursorThreadStop);
        if (mCursorThreadStop || mShutdown) break;
        // While the main thread presents, its own frames carry the cursor; only a stalled main thread leaves it
        // to us. The display takes its lock by try-lock and skips the move when a present or an Init holds it;
        // the window system is never touched here (the main thread shows what we drew at its next pump).
        const uint32_t since = TimeGetTime() - mLastPresentTick.load();
        const uint32_t limit = static_cast<uint32_t>(mPresentIntervalMs.load()) + 5;
        POINT pointer;
        if (display && !mCrashed && since > limit && GetCursorPosAsync(&pointer))
        {
            display->SetCursorPos(pointer.x - mClientOriginX.load(), pointer.y - mClientOriginY.load());
            ++mCursorThreadDraws;
        }
        ++mCursorThreadPasses;
        next += 10;
        const uint32_t now = TimeGetTime();
        if (static_cast<int32_t>(next - now) <= 0) next = now + 10;
    }
    mCursorThreadRunning = false;
}

} // namespace Zest
