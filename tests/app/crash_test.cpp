// The application's crash report: "-crash" faults for real, the report lands in the data folder with the
// signal and the state prepared before the crash, and the process ends with code 1.
#include "AppTestSupport.h"

#include "platform/Crash.h"

using namespace Zest;
using namespace Platform;

namespace
{
class AppCrashTest : public AppTest
{
protected:
    std::string Report() const { return root + "/data/Tests/ZestTest/crash.txt"; }
};
} // namespace

TEST_F(AppCrashTest, CrashSwitchWritesTheReportIntoTheDataFolder)
{
    EXPECT_EXIT(
        {
            TestApp app;
            app.mCommandLine = {"-crash"};
            app.Init();
        },
        ::testing::ExitedWithCode(1), "Crash: SIGSEGV");
    const std::string text = ReadText(Report());
    ASSERT_FALSE(text.empty()) << "no report at " << Report();
    EXPECT_NE(text.find("Crash: SIGSEGV"), std::string::npos) << text;
    EXPECT_NE(text.find("Product: ZestTest\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Version: unknown\n"), std::string::npos) << "never an empty version line: " << text;
    EXPECT_NE(text.find("Update count: 0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Backtrace:"), std::string::npos) << text;
}

TEST_F(AppCrashTest, ReportCarriesTheUpdateCountReachedBeforeTheCrash)
{
    EXPECT_EXIT(
        {
            TestApp app;
            app.mLoadingThreadWanted = false;
            app.Init();
            app.onUpdate = [](TestApp& self)
            {
                if (self.mUpdateCount == 37) std::abort();
            };
            for (int i = 0; i < 100000 && app.mUpdateCount < 40; ++i)
            {
                bool updated = false;
                app.RunLoopStep(false, updated);
            }
        },
        ::testing::ExitedWithCode(1), "Crash: SIGABRT");
    const std::string text = ReadText(Report());
    EXPECT_NE(text.find("Crash: SIGABRT"), std::string::npos) << text;
    EXPECT_NE(text.find("Update count: 37\n"), std::string::npos) << text;
}

TEST_F(AppCrashTest, CatcherLivesAsLongAsTheApplication)
{
    {
        TestApp app;
        app.Init();
        EXPECT_TRUE(IsCrashHandlerInstalled());
        EXPECT_EQ(CrashReportPath(), Report());
        EXPECT_FALSE(std::filesystem::exists(root + "/data/Tests")) << "no empty data folder before anything is in it";
    }
    EXPECT_FALSE(IsCrashHandlerInstalled());
}
