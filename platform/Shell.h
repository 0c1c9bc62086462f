// Opening an address (a web page, a file) with the desktop's preferred program.
//
// Implements: the open operation, handing the address to `xdg-open` as a single argument through posix_spawnp
// (never through a shell, so the address is never interpreted), with the result convention of the original call:
// above 32 is success (42), anything else failure (2). In an unattended run (headless video, CI) nothing is
// started (the call is only noted on the debugger output); a recorder for tests takes the calls and gives scripted
// results. Leaves out: operations other than "open" (they fail), parameters and working folder (ignored), waiting for
// the program, knowing whether it actually managed to open the address.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace Platform
{

constexpr int SW_SHOWNORMAL = 1;
constexpr intptr_t kShellOpenOk = 42;
constexpr intptr_t kShellOpenFailed = 2;

// Operation "open" or empty opens `file`; addresses starting with '-' are refused (they would read as options).
intptr_t ShellExecute(void* owner, const std::string& operation, const std::string& file, const std::string& parameters,
                      const std::string& directory, int show);
// ShellExecute(nullptr, "open", url, "", "", SW_SHOWNORMAL)
intptr_t OpenURL(const std::string& url);

struct ShellCall
{
    std::string operation;
    std::string file;
};

// While one lives, nothing is started: each call is recorded and answered with the next queued result, or
// kShellOpenOk once the queue is empty (refused addresses still fail). Recorders nest; the innermost one wins.
class ShellRecorder
{
public:
    ShellRecorder();
    ~ShellRecorder();
    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;

    void QueueResult(intptr_t result);
    std::vector<ShellCall> Calls() const;

private:
    friend intptr_t ShellExecute(void*, const std::string&, const std::string&, const std::string&, const std::string&,
                                 int);
    ShellRecorder* mOuter;
    std::deque<intptr_t> mResults;
    std::vector<ShellCall> mCalls;
};

} // namespace Platform
