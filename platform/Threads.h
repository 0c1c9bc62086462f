// Threads, thread ids, priorities and locks.
//
// Implements: starting a thread (std::thread underneath, optionally named for debuggers), the current and the
// main thread's id, thread priorities (accepted and remembered per thread, not applied: an unprivileged Linux
// process cannot raise them and lowering them gains nothing here), a re-entrant critical section and a plain
// mutex usable with std::lock_guard / std::scoped_lock.
// Leaves out: suspending or killing threads, thread-local storage slots (use thread_local), interlocked
// counters (use std::atomic).
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace Platform
{

using ThreadId = std::thread::id;

ThreadId GetCurrentThreadId();

// The main thread is the one that ran static initialisation, until MarkMainThread names another.
ThreadId MainThreadId();
void MarkMainThread();
bool IsMainThread();

// A started thread. Destroying it waits for the body to finish unless it was detached.
class Thread
{
public:
    explicit Thread(std::function<void()> body, const std::string& name = std::string());
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    ThreadId Id() const { return mId; }
    bool Joinable() const { return mThread.joinable(); }
    void Join();
    void Detach();

private:
    std::thread mThread;
    ThreadId mId;
};

std::unique_ptr<Thread> CreateThread(std::function<void()> body, const std::string& name = std::string());

constexpr int THREAD_PRIORITY_IDLE = -15;
constexpr int THREAD_PRIORITY_LOWEST = -2;
constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
constexpr int THREAD_PRIORITY_HIGHEST = 2;
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;

// Records the calling thread's priority (no scheduling effect); always succeeds for the values above.
bool SetThreadPriority(int priority);
// The priority last recorded for the calling thread (THREAD_PRIORITY_NORMAL when never set).
int GetThreadPriority();
// The priority last recorded for the main thread, from any thread (lets tests see the loading hand-over).
int MainThreadPriority();

// Re-entrant lock: the owning thread may enter again; it must leave as often as it entered.
class CriticalSection
{
public:
    void Enter() { mMutex.lock(); }
    bool TryEnter() { return mMutex.try_lock(); }
    void Leave() { mMutex.unlock(); }
    // BasicLockable, for std::lock_guard and std::scoped_lock.
    void lock() { Enter(); }
    bool try_lock() { return TryEnter(); }
    void unlock() { Leave(); }

private:
    std::recursive_mutex mMutex;
};

// Non-re-entrant lock.
using Mutex = std::mutex;

} // namespace Platform
