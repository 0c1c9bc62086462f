// The application's side of the crash catcher: where the report goes and the text it carries.
#include "app/ZestAppBase.h"
#include "base/Common.h"
#include "platform/Crash.h"
#include "platform/Threads.h"

namespace Zest
{

void ZestAppBase::InstallCrashCatcher()
{
    // An empty data folder puts the report in the working directory.
    Platform::InstallCrashHandler(RemoveTrailingSlash(GetAppDataFolder()));
    Platform::SetCrashCounterLabel("Update count");
    mCrashReport.formattedAtUpdate = -1;
    PrepareCrashInfo();
}

void ZestAppBase::PrepareCrashInfo()
{
    if (!Platform::IsCrashHandlerInstalled() || !Platform::IsMainThread()) return;
    // The update count changes every update and costs one store; the rest of the text changes rarely, so it is
    // formatted again about once a second rather than a hundred times.
    Platform::SetCrashCounter(mUpdateCount);
    if (mCrashReport.formattedAtUpdate >= 0 && mUpdateCount - mCrashReport.formattedAtUpdate < kCrashInfoInterval &&
        mUpdateCount >= mCrashReport.formattedAtUpdate)
        return;
    mCrashReport.formattedAtUpdate = mUpdateCount;
    ++mCrashReport.formatCount;
    Platform::SetCrashInfo(GetCrashInfo());
}

void ZestAppBase::RefreshCrashInfo()
{
    mCrashReport.formattedAtUpdate = -1;
    PrepareCrashInfo();
}

} // namespace Zest
