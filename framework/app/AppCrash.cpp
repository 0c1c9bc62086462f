// The application's side of the crash catcher: where the report goes and the text it carries.
#include "base/Common.h"
#include "app/ZestAppBase.h"
#include "platform/Crash.h"
#include "platform/Threads.h"

namespace Zest
{

void ZestAppBase::InstallCrashCatcher()
{
    // An empty data folder puts the report in the working directory.
    Platform::InstallCrashHandler(RemoveTrailingSlash(GetAppDataFolder()));
    PrepareCrashInfo();
}

void ZestAppBase::PrepareCrashInfo()
{
    // The handler may not format anything itself, so the text is renewed after every update.
    if (!Platform::IsCrashHandlerInstalled() || !Platform::IsMainThread()) return;
    Platform::SetCrashInfo(GetCrashInfo());
}

} // namespace Zest
