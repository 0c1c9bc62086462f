// Fuzz target: any bytes replayed as a demo file by a small application on the headless backend and the manual
// clock. The replay must end cleanly or with its error, and must never stall: every stretch of loop steps either
// runs an update or ends the replay. Built with ZEST_DEMO_SEED_WRITER, the same file records the seed sessions.
#include "app/ZestAppBase.h"
#include "base/Common.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/Files.h"
#include "platform/Instance.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/Registry.h"
#include "platform/Surfaces.h"
#include "platform/System.h"
#include "widgets/ButtonWidget.h"
#include "widgets/Dialog.h"
#include "widgets/WidgetManager.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

namespace
{

// Steps without an update after which the replay counts as stalled (a step that sleeps moves the manual clock,
// so a healthy replay updates every few steps).
constexpr int kStallSteps = 5000;
// Updates one input may run: enough for the seeds, short enough to keep a fuzzing run fast.
constexpr int kMaxUpdates = 3000;

// Everything the app reads or writes goes to a private folder, removed when the program ends.
struct Sandbox
{
    std::filesystem::path dir;
    Sandbox()
    {
        std::random_device rd;
        dir = std::filesystem::temp_directory_path() / ("zest_demo_fuzz_" + std::to_string(rd()));
        std::filesystem::create_directories(dir / "run");
        std::filesystem::create_directories(dir / "data");
        Platform::SetEnv("XDG_CONFIG_HOME", (dir / "config").string());
        Platform::SetEnv("XDG_DATA_HOME", (dir / "data").string());
        Platform::SetEnv("XDG_CACHE_HOME", (dir / "cache").string());
        Platform::SetEnv("XDG_RUNTIME_DIR", (dir / "run").string());
        Platform::SetSettingsFile((dir / "config" / "settings.ini").string());
        // A file the sessions read, so file records carry data.
        std::ofstream(dir / "data" / "level.txt") << "level one";
        Platform::SetDebugOutputEnabled(false);
        // Replays make no sound: no audio device is opened, and its system libraries stay out of the leak check.
        Platform::SetEnv("ZEST_AUDIO", "none");
    }
    ~Sandbox()
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
};

const Sandbox& TheSandbox()
{
    static const Sandbox sandbox;
    return sandbox;
}

void Check(bool ok, const char* what)
{
    if (!ok)
    {
        std::fprintf(stderr, "demo_fuzz: %s\n", what);
        std::abort();
    }
}

// A small screen with a button that opens a dialog, a setting written and read, and a file read at fixed updates:
// the kinds of records a real session holds.
class FuzzApp : public Zest::ZestAppBase
{
public:
    std::unique_ptr<Zest::ButtonWidget> button;
    std::function<void(FuzzApp&)> script;

    FuzzApp()
    {
        mProductName = "Ember Cook";
        mCompanyName = "EmberCook";
        mRegKey = "EmberCookFuzz";
        mWidth = 800;
        mHeight = 600;
        mLoadingThreadWanted = false;
        mNoSoundNeeded = true;
        button = std::make_unique<Zest::ButtonWidget>(1, this);
        button->label = "Open";
        button->Resize(20, 20, 100, 30);
    }
    ~FuzzApp() override
    {
        if (mWidgetManager) mWidgetManager->RemoveWidget(button.get());
    }
    void Init() override
    {
        ZestAppBase::Init();
        mWidgetManager->AddWidget(button.get());
    }
    void ButtonReleased(int id) override
    {
        if (id == 1)
        {
            OpenDialog(9, true, "Question", "Keep it?", "", Zest::DIALOG_BUTTONS_YES_NO);
            RegistryWriteInteger("Opened", mUpdateCount);
        }
        else
        {
            CloseDialog(9);
            int32_t value = 0;
            RegistryReadInteger("Opened", value);
        }
    }
    void RunUpdate() override
    {
        ZestAppBase::RunUpdate();
        if (mUpdateCount % 40 == 7)
        {
            Zest::Buffer level;
            if (ReadBufferFromFile((TheSandbox().dir / "data" / "level.txt").string(), level)) level.Clear();
            FileExists("data\\missing.txt");
        }
        if (script) script(*this);
    }
};

void ResetPlatform()
{
    Platform::SetManualClock(true);
    Platform::ResetClockShutdown();
    Platform::OverrideHeadlessVideo(true);
    Platform::SetVideoBackend(Platform::VideoBackend::Headless);
    Platform::ResetHeadlessDisplay();
    Platform::ResetWindowLayer();
    Platform::SetOtherInstanceRunning(false);
}

// Runs the app's loop until it shuts down or has run kMaxUpdates updates; aborts on a stall.
void RunLoop(FuzzApp& app)
{
    int lastUpdate = app.mUpdateCount, quietSteps = 0;
    while (!app.mShutdown && app.mUpdateCount < kMaxUpdates)
    {
        bool updated = false;
        app.RunLoopStep(false, updated);
        if (app.mUpdateCount != lastUpdate)
        {
            lastUpdate = app.mUpdateCount;
            quietSteps = 0;
        }
        else
            Check(++quietSteps < kStallSteps, "the replay stalled: no update and no end");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string demo = (TheSandbox().dir / "input.dmo").string();
    {
        std::ofstream out(demo, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    ResetPlatform();
    Platform::MessageBoxRecorder quiet; // a refused file's box is expected, not shown
    Zest::ExitTrap trap;
    FuzzApp app;
    app.mCommandLine = {"-play", "-demofile=" + demo};
    try
    {
        app.Init();
        RunLoop(app);
        app.Shutdown();
    }
    catch (const Zest::AppExit& exit)
    {
        // A refused file ends start-up with code 1 and its error text.
        Check(exit.code == 1 && !app.mDemoError.empty(), "a refused demo gave no error");
    }
    Platform::ResetWindowLayer();
    return 0;
}

#ifdef ZEST_DEMO_SEED_WRITER
// Records the seed sessions into the folder named on the command line: clicks on the button and the dialog,
// keys, wheel turns, a focus change and the close, at different paces.
int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    struct Session
    {
        const char* name;
        std::function<void(FuzzApp&)> script;
    };
    auto post = [](FuzzApp& a, uint32_t message, uint32_t wParam, int x, int y)
    { Platform::PostMessage(a.mHWnd, message, wParam, Platform::MAKELPARAM(x, y)); };
    const Session sessions[] = {
        {"click_dialog_close",
         [&](FuzzApp& a)
         {
             const int n = a.mUpdateCount;
             if (n == 10) post(a, Platform::WM_MOUSEMOVE, 0, 60, 35);
             if (n == 12) post(a, Platform::WM_LBUTTONDOWN, Platform::MK_LBUTTON, 60, 35);
             if (n == 14) post(a, Platform::WM_LBUTTONUP, 0, 60, 35);
             if (n == 60)
                 if (Zest::Dialog* d = a.GetDialog(9); d && d->yesButton)
                 {
                     post(a, Platform::WM_MOUSEMOVE, 0, d->yesButton->x + 5, d->yesButton->y + 5);
                     post(a, Platform::WM_LBUTTONDOWN, Platform::MK_LBUTTON, d->yesButton->x + 5, d->yesButton->y + 5);
                     post(a, Platform::WM_LBUTTONUP, 0, d->yesButton->x + 5, d->yesButton->y + 5);
                 }
             if (n == 120) Platform::PostMessage(a.mHWnd, Platform::WM_CLOSE, 0, 0);
         }},
        {"keys_wheel_focus",
         [&](FuzzApp& a)
         {
             const int n = a.mUpdateCount;
             if (n == 5) Platform::PostMessage(a.mHWnd, Platform::WM_KEYDOWN, 'H', 0);
             if (n == 6) Platform::PostMessage(a.mHWnd, Platform::WM_CHAR, 'h', 0);
             if (n == 7) Platform::PostMessage(a.mHWnd, Platform::WM_KEYUP, 'H', 0);
             if (n == 30) post(a, Platform::WM_MOUSEWHEEL, Platform::MAKEWPARAM(0, 120), 300, 300);
             if (n == 40) Platform::PostMessage(a.mHWnd, Platform::WM_ACTIVATEAPP, 0, 0);
             if (n == 70) Platform::PostMessage(a.mHWnd, Platform::WM_ACTIVATEAPP, 1, 0);
             if (n == 90)
                 for (int x = 100; x < 700; x += 37) post(a, Platform::WM_MOUSEMOVE, 0, x, x / 2);
             if (n == 200) Platform::PostMessage(a.mHWnd, Platform::WM_CLOSE, 0, 0);
         }},
        {"long_idle",
         [&](FuzzApp& a)
         {
             if (a.mUpdateCount == 400) post(a, Platform::WM_MOUSEMOVE, 0, 400, 300);
             if (a.mUpdateCount == 900) Platform::PostMessage(a.mHWnd, Platform::WM_CLOSE, 0, 0);
         }},
    };
    for (const Session& session : sessions)
    {
        const std::string path = std::string(argv[1]) + "/" + session.name;
        ResetPlatform();
        FuzzApp app;
        app.mCommandLine = {"-record", "-demofile=" + path};
        app.script = session.script;
        app.Init();
        RunLoop(app);
        app.Shutdown();
        std::printf("recorded %s: %d updates\n", path.c_str(), app.mUpdateCount);
    }
    return 0;
}
#endif
