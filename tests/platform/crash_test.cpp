// The crash catcher: each caught signal leaves a complete report with the prepared text and ends with code 1.
#include "TempHome.h"

#include <csignal>
#include <cstdlib>

#include "platform/Crash.h"

using namespace Platform;

namespace
{
class CrashTest : public TempHome
{
protected:
    std::string Folder() const { return root + "/data/Maker/Product"; }
};

} // namespace

TEST_F(CrashTest, EachCaughtSignalWritesAReportAndExitsWithOne)
{
    struct Case
    {
        const char* name;
        void (*crash)();
    };
    const Case cases[] = {
        {"SIGSEGV", [] { CrashNow(); }},        {"SIGABRT", [] { std::abort(); }},
        {"SIGFPE", [] { std::raise(SIGFPE); }}, {"SIGILL", [] { __builtin_trap(); }},
        {"SIGBUS", [] { std::raise(SIGBUS); }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string report = Folder() + "/crash.txt";
        std::filesystem::remove(report);
        EXPECT_EXIT(
            {
                InstallCrashHandler(Folder());
                SetCrashInfo("Product: Test\nUpdate count: 42\n");
                c.crash();
            },
            ::testing::ExitedWithCode(1), std::string("Crash: ") + c.name);
        const std::string text = ReadText(report);
        EXPECT_NE(text.find(std::string("Crash: ") + c.name + " (signal "), std::string::npos) << text;
        EXPECT_NE(text.find("Product: Test\nUpdate count: 42\n"), std::string::npos) << text;
        EXPECT_NE(text.find("Backtrace:\n"), std::string::npos) << text;
        EXPECT_FALSE(std::filesystem::exists(report + ".tmp"));
    }
}

TEST_F(CrashTest, ReportCarriesTheLastPreparedTextCutToCapacity)
{
    const std::string report = Folder() + "/crash.txt";
    const std::string longText(kCrashInfoCapacity + 100, 'x');
    EXPECT_EXIT(
        {
            InstallCrashHandler(Folder());
            SetCrashInfo("first text\n");
            SetCrashInfo("second text\n");
            CrashNow();
        },
        ::testing::ExitedWithCode(1), "second text");
    std::string text = ReadText(report);
    EXPECT_EQ(text.find("first text"), std::string::npos);
    EXPECT_NE(text.find("second text"), std::string::npos);

    EXPECT_EXIT(
        {
            InstallCrashHandler(Folder());
            SetCrashInfo(longText);
            CrashNow();
        },
        ::testing::ExitedWithCode(1), "");
    text = ReadText(report);
    EXPECT_NE(text.find(std::string(kCrashInfoCapacity - 1, 'x')), std::string::npos);
    EXPECT_EQ(text.find(std::string(kCrashInfoCapacity, 'x')), std::string::npos);
}

TEST_F(CrashTest, UnwritableFolderStillReportsOnStandardErrorAndExitsWithOne)
{
    // A regular file where the folder should be: nothing can be created below it.
    WriteText(root + "/blocker", "not a folder");
    EXPECT_EXIT(
        {
            InstallCrashHandler(root + "/blocker/sub");
            CrashNow();
        },
        ::testing::ExitedWithCode(1), "Crash: SIGSEGV(.|\n)*Could not write the report to .*blocker/sub/crash.txt");
}

TEST_F(CrashTest, RemovingPutsThePreviousHandlingBack)
{
    EXPECT_FALSE(IsCrashHandlerInstalled());
    ASSERT_TRUE(InstallCrashHandler(Folder()));
    EXPECT_TRUE(IsCrashHandlerInstalled());
    EXPECT_EQ(CrashReportPath(), Folder() + "/crash.txt");
    EXPECT_FALSE(std::filesystem::exists(Folder())) << "made by a crash, not ahead of one";
    // Installing again only moves the report.
    ASSERT_TRUE(InstallCrashHandler(root));
    EXPECT_EQ(CrashReportPath(), root + "/crash.txt");
    RemoveCrashHandler();
    EXPECT_FALSE(IsCrashHandlerInstalled());
    EXPECT_EQ(CrashReportPath(), "");
    // Whatever handled the signal before (the default action, or a sanitizer's report) handles it again.
    EXPECT_DEATH(std::raise(SIGFPE), "");
    EXPECT_FALSE(std::filesystem::exists(root + "/crash.txt"));

    EXPECT_FALSE(InstallCrashHandler(root + "/" + std::string(5000, 'p')));
    EXPECT_FALSE(IsCrashHandlerInstalled());
}
