// The crash catcher: a report file written from a signal handler when the process faults.
//
// Implements: handlers for SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT, run on an alternate stack, that write
// "crash.txt" into a folder named beforehand (the signal, the faulting address, a text the application prepared
// ahead of time, and a backtrace), mirror the same report on standard error, and end the process with exit code 1.
// The handler only makes async-signal-safe calls: everything it prints is formatted before the crash.
// Leaves out: a report window, uploading the report, catching a stack overflow on threads other than the one
// that installed the handler (only that thread gets the alternate stack).
#pragma once

#include <cstddef>
#include <string>

namespace Platform
{

// The most text SetCrashInfo keeps (longer texts are cut).
constexpr size_t kCrashInfoCapacity = 4096;

// Installs the handlers (again: only the folder changes). A missing folder is created by the crash itself, so a
// run that never crashes leaves none behind; an empty folder means the working directory. False when the folder
// name is too long or a handler could not be installed.
bool InstallCrashHandler(const std::string& folder);
// Puts back the handlers that were in place before InstallCrashHandler.
void RemoveCrashHandler();
bool IsCrashHandlerInstalled();
// The full path the report goes to (empty while no handler is installed).
std::string CrashReportPath();

// Stores the text the report carries. Call it from one thread at a time (the main thread); a crash on any
// thread while it runs still sees the previous complete text.
void SetCrashInfo(const std::string& text);

// A number the report prints on a line of its own after the text ("<label>: <value>"), for a value that changes
// too often to be worth formatting into the text every time (an update count). Setting the value is one atomic
// store; the label is set once, before any crash (an empty label prints no line).
void SetCrashCounterLabel(const std::string& label);
void SetCrashCounter(long value);

// "SIGSEGV" and so on for the caught signals; "signal" for any other.
const char* CrashSignalName(int signal);

// Faults on purpose (a write through a null pointer), so the whole crash path can be exercised.
[[noreturn]] void CrashNow();

} // namespace Platform
