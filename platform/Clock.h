// Millisecond clocks, timer-resolution requests and Sleep, with a manual clock for tests and headless runs.
//
// Implements: the tick count and the multimedia-timer time (both uint32 milliseconds, wrapping, starting at a
// non-zero value so 0 can keep meaning "not measured yet"), timer-period requests (accepted and counted, they
// change nothing on Linux), Sleep (0 yields), and a manual clock that tests step by hand.
// Leaves out: high-resolution counters, periodic timer callbacks.
//
// With the manual clock on, Sleep on the main thread advances the clock by the requested time, so a run of N
// updates takes no wall time; Sleep on any other thread waits until the manual clock passes its wake time, the
// manual clock is switched off, or shutdown is requested (so a worker thread can never hang a test). A worker's
// real-time sleep ends early on a shutdown request as well, so no sleep, however long, can hold up a join.
#pragma once

#include <atomic>
#include <cstdint>

namespace Platform
{

// Value of both clocks at process start (and of the manual clock when it is switched on).
constexpr uint32_t kClockStartMs = 1000;

constexpr uint32_t TIMERR_NOERROR = 0;

// Milliseconds since process start plus kClockStartMs (or the manual clock), wrapping after 2^32.
uint32_t GetTickCount();
// Same time base as GetTickCount.
uint32_t TimeGetTime();

// Timer resolution requests: no effect, but counted so that balanced begin/end pairs can be checked.
uint32_t TimeBeginPeriod(uint32_t periodMs);
uint32_t TimeEndPeriod(uint32_t periodMs);
// Begin calls minus end calls so far.
int ActiveTimerPeriodRequests();

// Blocks the calling thread for ms milliseconds; 0 only yields the rest of the time slice.
void Sleep(uint32_t ms);

// Sleep for a worker thread that must also end promptly: returns early once `cancel` is true and WakeSleepers
// was called after setting it (on either clock).
void SleepUnless(uint32_t ms, const std::atomic<bool>& cancel);
void WakeSleepers();
// Threads waiting inside Sleep (any thread but the main one) or SleepUnless right now: for tests that must know a
// worker has gone to sleep before they move the clock.
int SleepingThreads();

// Manual clock. Switching it on (again) sets it to kClockStartMs; switching it off wakes every sleeper.
void SetManualClock(bool enabled);
bool IsManualClock();
// Moves the manual clock forward (wrapping) and wakes the sleepers whose time has come.
void AdvanceClock(uint32_t ms);
// Puts the manual clock at an exact value (e.g. just before the 2^32 wrap).
void SetManualClockTime(uint32_t ms);

// Shutdown request seen by every worker's sleep, on either clock: set it to release every waiting thread at once.
void RequestClockShutdown();
void ResetClockShutdown();
bool IsClockShutdownRequested();

} // namespace Platform
