// Start-up and shutdown on the headless backend: order of the steps, full screen on a small desktop, the
// single instance, demo names, the command line, the statistics lines and the fatal paths.
#include "AppTestSupport.h"

#include "platform/MessageBox.h"
#include "widgets/Dialog.h"

#include <cstdlib>
#include <filesystem>

using namespace Zest;
using namespace Platform;

namespace
{
class StartupTest : public AppTest
{
};
} // namespace

TEST_F(StartupTest, InitRunsItsStepsInOrder)
{
    int soundManagers = 0;
    HWND soundWindow = reinterpret_cast<HWND>(1);
    SetSoundManagerFactory(
        [&](HWND window, bool)
        {
            ++soundManagers;
            soundWindow = window;
            return std::make_unique<SoundManager>();
        });
    for (bool noSound : {false, true})
    {
        soundManagers = 0;
        ResetWindowLayer();
        TestApp app;
        app.mNoSoundNeeded = noSound;
        app.Init();
        const std::vector<std::string> expected = {"BeforeInit",           "ReadFromRegistry", "ParseCommandLine",
                                                   "BeforeDisplayInit",    "MakeWindow",       "SetSfxVolume",
                                                   "LoadWhileWindowShows", "AfterInit"};
        EXPECT_EQ(app.calls, expected);
        EXPECT_TRUE(app.mInitialized);
        EXPECT_EQ(soundManagers, 1);
        EXPECT_EQ(soundWindow, noSound ? nullptr : app.mHWnd);
        ASSERT_NE(app.mHWnd, nullptr);
        ASSERT_NE(app.mInvisHWnd, nullptr);
        EXPECT_EQ(GetWindowLong(app.mInvisHWnd, GWL_USERDATA), reinterpret_cast<intptr_t>(&app));
        ASSERT_NE(app.mDDInterface, nullptr);
        EXPECT_TRUE(app.mDDInterface->IsInitialized());
        EXPECT_NE(app.mWidgetManager->screenImage, nullptr);
        EXPECT_NE(app.mMusicInterface, nullptr);
    }
    SetSoundManagerFactory(nullptr);
}

TEST_F(StartupTest, OnAWindowSystemTheWindowGoesUpWhileTheStartUpLoadsRun)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no X display";
    OverrideHeadlessVideo(false);
    SetVideoBackend(VideoBackend::Sdl);
    struct Headless
    {
        ~Headless()
        {
            ResetWindowLayer();
            SetVideoBackend(VideoBackend::Headless);
            OverrideHeadlessVideo(true);
        }
    } restore;
    // Headless, the loads run on the main thread and Start shows the window, as before.
    bool onMainThread = false, showing = true, visible = true;
    {
        SetVideoBackend(VideoBackend::Headless);
        TestApp app;
        app.onStartUpLoads = [&](TestApp& self)
        {
            onMainThread = IsMainThread();
            showing = self.WindowShowing();
            visible = self.mHWnd->IsVisible();
        };
        app.Init();
        EXPECT_TRUE(onMainThread);
        EXPECT_FALSE(showing);
        EXPECT_FALSE(visible);
        EXPECT_FALSE(app.mHWnd->IsVisible());
        ResetWindowLayer();
        SetVideoBackend(VideoBackend::Sdl);
    }
    // On a window system the window is shown at once, and the loads run meanwhile on a thread of their own.
    TestApp app;
    app.mIsWindowed = true;
    app.onStartUpLoads = [&](TestApp&) { onMainThread = IsMainThread(); };
    app.Init();
    if (!app.mHWnd || !app.mHWnd->NativeHandle()) GTEST_SKIP() << "no SDL window could be made on " << display;
    EXPECT_FALSE(onMainThread);
    EXPECT_FALSE(app.WindowShowing());
    EXPECT_TRUE(app.mHWnd->IsVisible());
}

TEST_F(StartupTest, MusicBackendSelection)
{
    EXPECT_EQ(ChooseMusicBackend(true, true), MusicBackend::None);
    EXPECT_EQ(ChooseMusicBackend(false, true), MusicBackend::FMod);
    EXPECT_EQ(ChooseMusicBackend(false, false), MusicBackend::Bass);
}

TEST_F(StartupTest, DesktopNoLargerThanTheGameForcesFullScreen)
{
    // The usable client height is the usable area minus the caption.
    struct Case
    {
        int extraWidth;
        int extraHeight;
        bool forced;
    };
    for (const Case c : {Case{0, 0, true}, Case{1, 1, false}, Case{0, 1, true}, Case{1, 0, true}})
    {
        ResetWindowLayer();
        ResetHeadlessDisplay();
        HeadlessDisplay().captionHeight = 24;
        HeadlessDisplay().usable = RECT{0, 0, 640 + c.extraWidth, 480 + 24 + c.extraHeight};
        TestApp app;
        app.Init();
        EXPECT_EQ(app.mFullScreenForced, c.forced) << c.extraWidth << "," << c.extraHeight;
        EXPECT_EQ(app.mWindowedNow, !c.forced);
    }
}

TEST_F(StartupTest, SecondInstanceNotifiesTheFirstAndExitsWithZero)
{
    SetOtherInstanceRunning(true);
    ExitTrap trap;
    TestApp app;
    try
    {
        app.Init();
        FAIL() << "a second instance must end";
    }
    catch (const AppExit& exit)
    {
        EXPECT_EQ(exit.code, 0);
    }
    EXPECT_EQ(app.mHWnd, nullptr) << "no window made";

    // A screen saver may run beside the program.
    ResetWindowLayer();
    TestApp saver;
    saver.mCommandLine = {"-screensaver"};
    EXPECT_NO_THROW(saver.Init());
    EXPECT_FALSE(saver.mSingleInstance);
}

TEST_F(StartupTest, FirstInstanceIsRaisedByTheNotice)
{
    TestApp app;
    app.Init();
    ShowWindow(app.mHWnd, SW_SHOW);
    ShowWindow(app.mHWnd, SW_SHOWMINIMIZED);
    ASSERT_TRUE(IsIconic(app.mHWnd));
    app.HandleMessage(app.mHWnd, app.mNotifyMessage, 0, 0);
    EXPECT_FALSE(IsIconic(app.mHWnd));
}

TEST_F(StartupTest, DemoNamesGetTheDataFolderOnlyWhenBare)
{
    struct Case
    {
        const char* name;
        const char* result;
    };
    const Case cases[] = {
        {"zestapp.dmo", "/D/zestapp.dmo"},
        {"C:\\x.dmo", "C:\\x.dmo"},
        {"ab\\c.dmo", "ab\\c.dmo"},
        {"/abs/x.dmo", "/abs/x.dmo"},
        {"\\x.dmo", "\\x.dmo"},
        {"", "/D/"},
        {"a", "/D/a"},
        {"ab", "/D/ab"},
        {"a:", "a:"},
    };
    for (const Case& c : cases) EXPECT_EQ(PrefixDemoName(c.name, "/D/"), c.result) << c.name;
    // The data folder as the framework keeps it, with a closing backslash: the name reads the Linux way.
    EXPECT_EQ(PrefixDemoName("zestapp.dmo", "/home/p/.local/share/Maker/Game\\"),
              "/home/p/.local/share/Maker/Game/zestapp.dmo");
}

TEST_F(StartupTest, ShutdownRunsOnceAndOnlyOnTheMainThread)
{
    TestApp app;
    app.Init();
    std::thread other([&] { app.Shutdown(); });
    other.join();
    EXPECT_FALSE(app.mShutdown);
    EXPECT_TRUE(app.mShutdownRequested);
    app.mStepState = 1;
    app.Process(true);
    EXPECT_TRUE(app.mShutdown);
    app.Shutdown();
    EXPECT_EQ(app.shutdowns, 1);

    // Without Start there is no cursor thread to wait for.
    TestApp early;
    early.Shutdown();
    EXPECT_TRUE(early.mShutdown);
}

TEST_F(StartupTest, StartRunsUntilCloseAndWritesStatisticsAndSettings)
{
    DebugOutputCapture capture;
    TestApp app;
    app.Init();
    app.onUpdate = [](TestApp& a)
    {
        // The loader finishes in real time while the manual clock runs ahead: wait for its hand-over too.
        if (a.mUpdateCount >= 50 && (a.loadingDone > 0 || a.mUpdateCount > 5000000) && !a.mClosing)
        {
            a.mClosing = true;
            PostMessage(a.mHWnd, WM_CLOSE, 0, 0);
        }
    };
    app.Start();
    EXPECT_GE(app.mUpdateCount, 50);
    EXPECT_TRUE(app.mShutdown);
    EXPECT_EQ(app.loadingDone, 1);
    EXPECT_NE(capture.Text().find(FormatString("Update Count  = %d\r\n", app.mUpdateCount)), std::string::npos);

    app.mSleepCount = 3;
    app.mUpdateCount = 250;
    app.mDrawCount = 40;
    app.mDrawTime = 0;
    app.mScreenBltTime = 0;
    EXPECT_EQ(app.FormatLoopStatistics(2500), "Seconds       = 2.5\r\nSleep Count   = 3\r\nUpdate Count  = 250\r\n"
                                              "Draw Count    = 40\r\nDraw Time     = 0\r\nScreen Blt    = 0\r\n");
    app.mDrawTime = 150;
    app.mScreenBltTime = 50;
    EXPECT_NE(app.FormatLoopStatistics(2500).find("Avg FPS       = 200\r\n"), std::string::npos);
    EXPECT_NE(SettingsText().find("\"InProgress\" = int:0"), std::string::npos) << SettingsText();
}

TEST_F(StartupTest, StringsAndDialogButtons)
{
    TestApp app;
    EXPECT_EQ(app.GetString("dialog_button_ok", std::wstring(L"x")), L"OK");
    EXPECT_EQ(app.GetString("NEW_VERSION_BODY", std::string()),
              "There is an update available for this product.  Would you like to visit the web site to download it?");
    EXPECT_EQ(app.GetString("NOT_THERE", std::string("fallback")), "fallback");
    EXPECT_EQ(WidgetApp::DialogButtonId(5, 1000), 2005);
    EXPECT_EQ(WidgetApp::DialogButtonId(5, 1001), 3005);
}

TEST_F(StartupTest, DialogBookkeeping)
{
    TestApp app;
    Dialog* first = app.OpenDialog(7, true, "Header", "Lines", "", DIALOG_BUTTONS_OK_CANCEL);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->width, 320);
    EXPECT_EQ(first->x, 160);
    EXPECT_EQ(first->y, 96);
    EXPECT_EQ(app.GetDialog(7), first);
    EXPECT_EQ(app.mWidgetManager->modalLayers.size(), 1u);
    Dialog* second = app.OpenDialog(7, false, "Again", "", "", DIALOG_BUTTONS_NONE);
    EXPECT_EQ(app.GetDialogCount(), 1);
    EXPECT_EQ(app.GetDialog(7), second);
    EXPECT_TRUE(app.mWidgetManager->modalLayers.empty()) << "the replaced modal dialog popped its layer";
    EXPECT_TRUE(app.CloseDialog(7));
    EXPECT_FALSE(app.CloseDialog(7));
    EXPECT_EQ(app.GetDialogCount(), 0);
    app.ProcessDeferredDeletes();
}

TEST_F(StartupTest, HelpPrintsTheUsageAndUnknownSwitchesEndWithCodeTwo)
{
    struct Case
    {
        std::vector<std::string> commandLine;
        int code;
        bool onStdout;
        const char* mentions;
    };
    const Case cases[] = {
        {{"--help"}, 0, true, "--help"},
        {{"-h"}, 0, true, "-demofile=FILE"},
        {{"-bogus=1"}, 2, false, "unknown switch: -bogus=1"},
        {{"-play", "--frobnicate"}, 2, false, "unknown switch: --frobnicate"},
    };
    for (const Case& c : cases)
    {
        ResetWindowLayer();
        MessageBoxRecorder boxes;
        ExitTrap trap;
        TestApp app;
        app.mProgramName = "embercook";
        app.mCommandLine = c.commandLine;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        int code = -1;
        try
        {
            app.Init();
        }
        catch (const AppExit& exit)
        {
            code = exit.code;
        }
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(code, c.code) << c.commandLine.back();
        const std::string& text = c.onStdout ? out : err;
        EXPECT_NE(text.find("Usage: embercook"), std::string::npos) << text;
        EXPECT_NE(text.find(c.mentions), std::string::npos) << text;
        EXPECT_EQ((c.onStdout ? err : out).find("Usage"), std::string::npos);
        EXPECT_TRUE(boxes.Calls().empty()) << "a usage error is told on the terminal, not in a window";
    }
}

TEST_F(StartupTest, FatalPathsEndWithCodeOne)
{
    struct Case
    {
        const char* what;
        std::vector<std::string> commandLine;
        bool hideDisplay;
        const char* boxText;
    };
    const Case cases[] = {
        {"missing demo", {"-play", "-demofile=/nonexistent/x.dmo"}, false, "Demo file not found: /nonexistent/x.dmo"},
        {"no display service", {}, true, "This application requires DirectX"},
        {"missing folder to change to", {"-changedir=" + root + "/nowhere"}, false, "Cannot change to the folder"},
        {"demo that cannot be recorded",
         {"-record", "-demofile=" + root + "/blocker/x.dmo"},
         false,
         "Cannot record the demo"},
        // Named folders are not made, and the check is a real write (access() lets root write anywhere).
        {"demo in a missing folder", {"-record", "-demofile=" + root + "/no/such/x.dmo"}, false, "Cannot record"},
        {"demo in a system folder", {"-record", "-demofile=/proc/version"}, false, "Cannot record the demo"},
        {"demo that is a folder", {"-play", "-demofile=" + root + "/cwd"}, false, "Demo file not found"},
        {"demo that is a pipe", {"-play", "-demofile=" + root + "/fifo"}, false, "Demo file not found"},
    };
    // A file where the recording's folder should be, and a pipe nobody writes to (opening it would block).
    WriteText(root + "/blocker", "not a folder");
    ASSERT_EQ(std::system(("mkfifo '" + root + "/fifo'").c_str()), 0);
    for (const Case& c : cases)
    {
        ResetWindowLayer();
        RestoreHiddenModules();
        if (c.hideDisplay) HideModule("ddraw.dll");
        MessageBoxRecorder boxes;
        ExitTrap trap;
        TestApp app;
        app.mCommandLine = c.commandLine;
        int code = -1;
        try
        {
            app.Init();
        }
        catch (const AppExit& exit)
        {
            code = exit.code;
        }
        EXPECT_EQ(code, 1) << c.what;
        ASSERT_EQ(boxes.Calls().size(), 1u) << c.what;
        EXPECT_NE(boxes.Calls()[0].text.find(c.boxText), std::string::npos) << boxes.Calls()[0].text;
    }
    RestoreHiddenModules();
    EXPECT_FALSE(std::filesystem::exists(root + "/no")) << "a folder was made for the refused recording";
}
