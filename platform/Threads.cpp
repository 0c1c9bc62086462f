// Threads, thread ids, recorded priorities.
#include "platform/Threads.h"

#include <atomic>
#include <pthread.h>

namespace Platform
{
namespace
{

// Static initialisation runs on the thread that later enters main(); recording it here means the main thread
// is known before any start-up code runs.
std::atomic<ThreadId> gMainThread{std::this_thread::get_id()};
thread_local int tPriority = THREAD_PRIORITY_NORMAL;
std::atomic<int> gMainPriority{THREAD_PRIORITY_NORMAL};

bool IsKnownPriority(int priority)
{
    switch (priority)
    {
    case THREAD_PRIORITY_IDLE:
    case THREAD_PRIORITY_LOWEST:
    case THREAD_PRIORITY_BELOW_NORMAL:
    case THREAD_PRIORITY_NORMAL:
    case THREAD_PRIORITY_ABOVE_NORMAL:
    case THREAD_PRIORITY_HIGHEST:
    case THREAD_PRIORITY_TIME_CRITICAL:
        return true;
    default:
        return false;
    }
}

} // namespace

ThreadId GetCurrentThreadId()
{
    return std::this_thread::get_id();
}

ThreadId MainThreadId()
{
    return gMainThread.load();
}

void MarkMainThread()
{
    gMainThread.store(std::this_thread::get_id());
    gMainPriority.store(tPriority);
}

bool IsMainThread()
{
    return std::this_thread::get_id() == gMainThread.load();
}

Thread::Thread(std::function<void()> body, const std::string& name)
{
    mThread = std::thread(
        [body = std::move(body), name]()
        {
            if (!name.empty())
            {
                // The kernel keeps at most 15 characters of a thread name.
                pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
            }
            body();
        });
    mId = mThread.get_id();
}

Thread::~Thread()
{
    if (mThread.joinable())
    {
        if (mThread.get_id() == std::this_thread::get_id())
            mThread.detach(); // a thread releasing its own handle cannot wait for itself
        else
            mThread.join();
    }
}

void Thread::Join()
{
    if (mThread.joinable() && mThread.get_id() != std::this_thread::get_id()) mThread.join();
}

void Thread::Detach()
{
    if (mThread.joinable()) mThread.detach();
}

std::unique_ptr<Thread> CreateThread(std::function<void()> body, const std::string& name)
{
    return std::make_unique<Thread>(std::move(body), name);
}

bool SetThreadPriority(int priority)
{
    if (!IsKnownPriority(priority)) return false;
    tPriority = priority;
    if (IsMainThread()) gMainPriority.store(priority);
    return true;
}

int GetThreadPriority()
{
    return tPriority;
}

int MainThreadPriority()
{
    return gMainPriority.load();
}

} // namespace Platform
