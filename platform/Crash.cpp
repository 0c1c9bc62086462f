// The crash catcher: signal handlers that write a prepared report and a backtrace, then end the process.
#include "platform/Crash.h"

#include <algorithm>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/Files.h"

namespace Platform
{
namespace
{

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);
constexpr size_t kPathCapacity = 4096;
constexpr int kMaxFrames = 64;

// Everything the handler reads is plain static storage: it never allocates.
char gReportPath[kPathCapacity];
char gTempPath[kPathCapacity + 8];
// Two copies of the prepared text: the writer fills the one not in use, then switches, so a crash during an
// update still finds a whole text.
char gInfo[2][kCrashInfoCapacity];
size_t gInfoLength[2];
std::atomic<int> gInfoIndex{0};
// The counter line: its label is set once, its value as often as it changes.
char gCounterLabel[64];
std::atomic<long> gCounter{0};
std::atomic<long> gCrashingThread{0};
bool gInstalled = false;
struct sigaction gPrevious[kSignalCount];
stack_t gPreviousStack;
// A faulting stack (an overflow) leaves no room to run the handler on it.
alignas(16) char gAltStack[64 * 1024];

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<long>::is_always_lock_free,
              "the handler may only touch lock-free atomics");

// A small fixed line buffer for the handler's own formatting.
struct Line
{
    char text[256];
    size_t length = 0;

    void Add(const char* s)
    {
        while (*s && length < sizeof(text)) text[length++] = *s++;
    }
    void AddDecimal(long value)
    {
        char digits[24];
        int n = 0;
        const bool negative = value < 0;
        unsigned long v = negative ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
        do
        {
            digits[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v != 0);
        if (negative) Add("-");
        while (n > 0 && length < sizeof(text)) text[length++] = digits[--n];
    }
    void AddHex(uintptr_t value)
    {
        Add("0x");
        for (int shift = int(sizeof(value) * 8) - 4; shift >= 0; shift -= 4)
            if (length < sizeof(text)) text[length++] = "0123456789abcdef"[(value >> shift) & 0xF];
    }
};

void WriteAll(int fd, const char* data, size_t length)
{
    while (length > 0)
    {
        const ssize_t n = write(fd, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        data += n;
        length -= static_cast<size_t>(n);
    }
}

bool HasAddress(int signal)
{
    return signal == SIGSEGV || signal == SIGBUS || signal == SIGFPE || signal == SIGILL;
}

void WriteReport(int fd, int signal, const siginfo_t* info, void* const* frames, int frameCount)
{
    Line head;
    head.Add("Crash: ");
    head.Add(CrashSignalName(signal));
    head.Add(" (signal ");
    head.AddDecimal(signal);
    head.Add(")\n");
    if (info && HasAddress(signal))
    {
        head.Add("Address: ");
        head.AddHex(reinterpret_cast<uintptr_t>(info->si_addr));
        head.Add("\n");
    }
    head.Add("\n");
    WriteAll(fd, head.text, head.length);
    const int index = gInfoIndex.load(std::memory_order_acquire);
    if (gInfoLength[index] > 0)
    {
        WriteAll(fd, gInfo[index], gInfoLength[index]);
        if (gInfo[index][gInfoLength[index] - 1] != '\n') WriteAll(fd, "\n", 1);
    }
    if (gCounterLabel[0] != '\0')
    {
        Line counter;
        counter.Add(gCounterLabel);
        counter.Add(": ");
        counter.AddDecimal(gCounter.load());
        counter.Add("\n");
        WriteAll(fd, counter.text, counter.length);
    }
    if (gInfoLength[index] > 0 || gCounterLabel[0] != '\0') WriteAll(fd, "\n", 1);
    static const char kBacktrace[] = "Backtrace:\n";
    WriteAll(fd, kBacktrace, sizeof(kBacktrace) - 1);
    backtrace_symbols_fd(const_cast<void* const*>(frames), frameCount, fd);
}

// Makes every missing folder on the way to `path` (not the last component), with async-signal-safe calls only.
void MakeFoldersOf(const char* path)
{
    char partial[kPathCapacity + 8];
    size_t i = 0;
    for (; path[i] != '\0' && i + 1 < sizeof(partial); ++i)
    {
        if (path[i] == '/' && i > 0)
        {
            partial[i] = '\0';
            mkdir(partial, 0755);
        }
        partial[i] = path[i];
    }
}

void OnCrash(int signal, siginfo_t* info, void*)
{
    const int savedErrno = errno;
    const long self = static_cast<long>(syscall(SYS_gettid));
    long expected = 0;
    if (!gCrashingThread.compare_exchange_strong(expected, self))
    {
        // A fault inside the report itself ends at once; another thread faulting meanwhile waits for the
        // first report to finish the process.
        if (expected == self) _exit(1);
        for (;;) sleep(1);
    }

    void* frames[kMaxFrames];
    const int frameCount = backtrace(frames, kMaxFrames);

    // The temporary file is always a new plain file: whatever an earlier crash or anyone else left at its name
    // (a pipe would block the handler for good, a link would send the report into another file) goes first.
    unlink(gTempPath);
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = open(gTempPath, flags, 0644);
    if (fd < 0 && errno == ENOENT)
    {
        // The folder is made only when there is a report to put in it (mkdir is safe in a handler).
        MakeFoldersOf(gTempPath);
        fd = open(gTempPath, flags, 0644);
    }
    bool written = false;
    if (fd >= 0)
    {
        WriteReport(fd, signal, info, frames, frameCount);
        fsync(fd);
        close(fd);
        // Whole or not at all: an older report stays until the new one is complete.
        written = rename(gTempPath, gReportPath) == 0;
        if (!written) unlink(gTempPath);
    }
    WriteReport(STDERR_FILENO, signal, info, frames, frameCount);
    Line tail;
    tail.Add(written ? "Report written to " : "Could not write the report to ");
    tail.Add(gReportPath);
    tail.Add("\n");
    WriteAll(STDERR_FILENO, tail.text, tail.length);
    errno = savedErrno;
    _exit(1);
}

} // namespace

bool InstallCrashHandler(const std::string& folder)
{
    std::string path = folder;
    if (!path.empty() && path.back() != '/') path += '/';
    path += "crash.txt";
    if (path.size() + 1 > kPathCapacity) return false;
    // The folder is not made now: a run that never crashes leaves no empty folder behind.
    std::memcpy(gReportPath, path.c_str(), path.size() + 1);
    const std::string temp = path + ".tmp";
    std::memcpy(gTempPath, temp.c_str(), temp.size() + 1);
    if (gInstalled) return true;

    // The first backtrace may load the unwinder; that must not happen inside the handler.
    void* warm[2];
    backtrace(warm, 2);

    stack_t stack{};
    stack.ss_sp = gAltStack;
    stack.ss_size = sizeof(gAltStack);
    stack.ss_flags = 0;
    sigaltstack(&stack, &gPreviousStack);

    struct sigaction action
    {
    };
    action.sa_sigaction = &OnCrash;
    sigemptyset(&action.sa_mask);
    // SA_NODEFER: a second fault inside the handler re-enters it and ends the process with the same code.
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    for (int i = 0; i < kSignalCount; ++i)
    {
        if (sigaction(kSignals[i], &action, &gPrevious[i]) != 0)
        {
            for (int j = 0; j < i; ++j) sigaction(kSignals[j], &gPrevious[j], nullptr);
            sigaltstack(&gPreviousStack, nullptr);
            return false;
        }
    }
    gInstalled = true;
    return true;
}

void RemoveCrashHandler()
{
    if (!gInstalled) return;
    for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &gPrevious[i], nullptr);
    sigaltstack(&gPreviousStack, nullptr);
    gInstalled = false;
    gReportPath[0] = '\0';
}

bool IsCrashHandlerInstalled()
{
    return gInstalled;
}

std::string CrashReportPath()
{
    return gInstalled ? std::string(gReportPath) : std::string();
}

void SetCrashInfo(const std::string& text)
{
    const int next = 1 - gInfoIndex.load(std::memory_order_relaxed);
    const size_t length = text.size() < kCrashInfoCapacity ? text.size() : kCrashInfoCapacity - 1;
    std::memcpy(gInfo[next], text.data(), length);
    gInfoLength[next] = length;
    gInfoIndex.store(next, std::memory_order_release);
}

void SetCrashCounterLabel(const std::string& label)
{
    const size_t length = std::min(label.size(), sizeof(gCounterLabel) - 1);
    std::memcpy(gCounterLabel, label.data(), length);
    gCounterLabel[length] = '\0';
}

void SetCrashCounter(long value)
{
    gCounter.store(value, std::memory_order_relaxed);
}

const char* CrashSignalName(int signal)
{
    switch (signal)
    {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "signal";
    }
}

// Visible outside this file, so the compiler cannot prove it null and turn the fault into a trap instruction.
int* volatile gCrashTarget = nullptr;

__attribute__((noinline, no_sanitize("address", "undefined"))) void CrashNow()
{
    *gCrashTarget = 1;
    // Only reached where page zero is mapped.
    __builtin_trap();
}

} // namespace Platform
