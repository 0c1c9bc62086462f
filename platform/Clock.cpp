// Millisecond clocks and Sleep, real (steady clock) or manual.
#include "platform/Clock.h"

#include "platform/Threads.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace Platform
{
namespace
{

using SteadyClock = std::chrono::steady_clock;

SteadyClock::time_point ProcessStart()
{
    static const SteadyClock::time_point start = SteadyClock::now();
    return start;
}
// Fix the start during static initialisation rather than at the first clock read.
const SteadyClock::time_point gStartAnchor = ProcessStart();

std::atomic<bool> gManual{false};
std::atomic<uint32_t> gManualNow{kClockStartMs};
std::atomic<bool> gShutdown{false};
std::atomic<int> gTimerPeriods{0};

// Sleepers on the manual clock wait here; every change of the manual clock or the shutdown flag notifies.
std::mutex gWaitMutex;
std::condition_variable gWaitChanged;
// Threads inside a wait on gWaitChanged (guarded by gWaitMutex), so a test can wait until its workers sleep.
int gSleepers = 0;

// Counts the calling thread as a sleeper for as long as it waits (the lock is held whenever the count changes).
struct SleeperMark
{
    SleeperMark() { ++gSleepers; }
    ~SleeperMark() { --gSleepers; }
};

// A real-time wait that a shutdown request (or `cancel`) ends early. A plain sleep_for could not be interrupted,
// so a worker that found the manual clock already off would sit out the whole time.
void RealWait(uint32_t ms, const std::atomic<bool>* cancel)
{
    std::unique_lock<std::mutex> lock(gWaitMutex);
    SleeperMark mark;
    gWaitChanged.wait_for(lock, std::chrono::milliseconds(ms),
                          [cancel] { return gShutdown.load() || (cancel && cancel->load()); });
}

void NotifySleepers()
{
    // Taking the lock orders the change before a sleeper's re-check, so no wake-up is lost.
    std::lock_guard<std::mutex> lock(gWaitMutex);
    gWaitChanged.notify_all();
}

// True when `now` has reached `wake` on a wrapping 32-bit clock.
bool Reached(uint32_t now, uint32_t wake)
{
    return static_cast<int32_t>(now - wake) >= 0;
}

uint32_t Now()
{
    if (gManual.load()) return gManualNow.load();
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - ProcessStart());
    return static_cast<uint32_t>(static_cast<uint64_t>(elapsed.count()) + kClockStartMs);
}

} // namespace

uint32_t GetTickCount()
{
    return Now();
}

uint32_t TimeGetTime()
{
    return Now();
}

uint32_t TimeBeginPeriod(uint32_t)
{
    gTimerPeriods.fetch_add(1);
    return TIMERR_NOERROR;
}

uint32_t TimeEndPeriod(uint32_t)
{
    gTimerPeriods.fetch_sub(1);
    return TIMERR_NOERROR;
}

int ActiveTimerPeriodRequests()
{
    return gTimerPeriods.load();
}

void Sleep(uint32_t ms)
{
    if (ms == 0)
    {
        std::this_thread::yield();
        return;
    }
    if (!gManual.load())
    {
        // The main thread's pacing sleeps are short and must last their time whatever a test asked of workers.
        if (IsMainThread())
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        else
            RealWait(ms, nullptr);
        return;
    }
    if (IsMainThread())
    {
        AdvanceClock(ms);
        return;
    }
    uint32_t wake = gManualNow.load() + ms;
    std::unique_lock<std::mutex> lock(gWaitMutex);
    SleeperMark mark;
    gWaitChanged.wait(lock, [wake] { return !gManual.load() || gShutdown.load() || Reached(gManualNow.load(), wake); });
}

void SleepUnless(uint32_t ms, const std::atomic<bool>& cancel)
{
    if (cancel.load()) return;
    if (gManual.load() && IsMainThread())
    {
        AdvanceClock(ms);
        return;
    }
    if (!gManual.load())
    {
        RealWait(ms, &cancel);
        return;
    }
    std::unique_lock<std::mutex> lock(gWaitMutex);
    SleeperMark mark;
    const uint32_t wake = gManualNow.load() + ms;
    gWaitChanged.wait(
        lock, [wake, &cancel]
        { return cancel.load() || !gManual.load() || gShutdown.load() || Reached(gManualNow.load(), wake); });
}

int SleepingThreads()
{
    std::lock_guard<std::mutex> lock(gWaitMutex);
    return gSleepers;
}

void WakeSleepers()
{
    NotifySleepers();
}

void SetManualClock(bool enabled)
{
    if (enabled) gManualNow.store(kClockStartMs);
    gManual.store(enabled);
    NotifySleepers();
}

bool IsManualClock()
{
    return gManual.load();
}

void AdvanceClock(uint32_t ms)
{
    gManualNow.fetch_add(ms);
    NotifySleepers();
}

void SetManualClockTime(uint32_t ms)
{
    gManualNow.store(ms);
    NotifySleepers();
}

void RequestClockShutdown()
{
    gShutdown.store(true);
    NotifySleepers();
}

void ResetClockShutdown()
{
    gShutdown.store(false);
}

bool IsClockShutdownRequested()
{
    return gShutdown.load();
}

} // namespace Platform
