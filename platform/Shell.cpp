// Opening addresses with xdg-open, recorded instead in tests and headless runs.
#include "platform/Shell.h"

#include "platform/Debug.h"
#include "platform/System.h"

#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace Platform
{
namespace
{

std::mutex gMutex;
ShellRecorder* gRecorder = nullptr;

bool Refused(const std::string& operation, const std::string& file)
{
    return (!operation.empty() && operation != "open") || file.empty() || file.front() == '-';
}

intptr_t Spawn(const std::string& file)
{
    std::string program = "xdg-open";
    char* argv[] = {program.data(), const_cast<char*>(file.c_str()), nullptr};
    pid_t child = 0;
    if (::posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv, environ) != 0) return kShellOpenFailed;
    // Collect the child when it ends so it does not linger as a zombie; nobody waits for its result.
    std::thread([child] { ::waitpid(child, nullptr, 0); }).detach();
    return kShellOpenOk;
}

} // namespace

intptr_t ShellExecute(void*, const std::string& operation, const std::string& file, const std::string&,
                      const std::string&, int)
{
    bool refused = Refused(operation, file);
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (gRecorder != nullptr)
        {
            gRecorder->mCalls.push_back(ShellCall{operation, file});
            if (refused) return kShellOpenFailed;
            if (gRecorder->mResults.empty()) return kShellOpenOk;
            intptr_t result = gRecorder->mResults.front();
            gRecorder->mResults.pop_front();
            return result;
        }
    }
    if (refused) return kShellOpenFailed;
    if (IsUnattended())
    {
        OutputDebugString("Unattended run: not opening " + file + "\n");
        return kShellOpenOk;
    }
    return Spawn(file);
}

intptr_t OpenURL(const std::string& url)
{
    return ShellExecute(nullptr, "open", url, "", "", SW_SHOWNORMAL);
}

ShellRecorder::ShellRecorder()
{
    std::lock_guard<std::mutex> lock(gMutex);
    mOuter = gRecorder;
    gRecorder = this;
}

ShellRecorder::~ShellRecorder()
{
    std::lock_guard<std::mutex> lock(gMutex);
    for (ShellRecorder** link = &gRecorder; *link != nullptr; link = &(*link)->mOuter)
    {
        if (*link == this)
        {
            *link = mOuter;
            break;
        }
    }
}

void ShellRecorder::QueueResult(intptr_t result)
{
    std::lock_guard<std::mutex> lock(gMutex);
    mResults.push_back(result);
}

std::vector<ShellCall> ShellRecorder::Calls() const
{
    std::lock_guard<std::mutex> lock(gMutex);
    return mCalls;
}

} // namespace Platform
