// Record and replay end to end on the headless backend: a scripted session with mouse, keys, a dialog, settings
// and a file read is recorded through Start, then replayed from the demo file into an empty store and folder.
#include "AppTestSupport.h"

#include "base/Buffer.h"
#include "platform/MessageBox.h"
#include "widgets/ButtonWidget.h"
#include "widgets/Dialog.h"

#include <thread>

using namespace Zest;
using namespace Platform;

namespace
{

constexpr int kButtonId = 5;
constexpr int kDialogId = 9;

// Every reaction below comes from input or from a fixed update, so a replay has to make the same calls.
class SessionApp : public TestApp
{
public:
    std::vector<std::string> events;
    ProbeWidget probe;
    std::unique_ptr<ButtonWidget> button;

    SessionApp()
    {
        button = std::make_unique<ButtonWidget>(kButtonId, this);
        button->label = "Open";
        button->Resize(20, 20, 100, 30);
        probe.Resize(300, 300, 200, 100);
    }
    ~SessionApp() override
    {
        if (mWidgetManager)
        {
            mWidgetManager->RemoveWidget(button.get());
            mWidgetManager->RemoveWidget(&probe);
        }
    }
    void Init() override
    {
        TestApp::Init();
        mWidgetManager->AddWidget(button.get());
        mWidgetManager->AddWidget(&probe);
    }
    void ButtonReleased(int id) override
    {
        events.push_back(FormatString("button %d at %d", id, mUpdateCount));
        if (id == kButtonId)
        {
            Dialog* dialog = OpenDialog(kDialogId, true, "Question", "Keep it?", "", DIALOG_BUTTONS_YES_NO);
            dialog->Resize(200, 100, 300, dialog->GetPreferredHeight(300));
            events.push_back("wrote " + std::to_string(RegistryWriteInteger("Opened", mUpdateCount)));
        }
        else if (id == WidgetApp::DialogButtonId(kDialogId, DIALOG_BUTTON_YES))
        {
            CloseDialog(kDialogId);
            int32_t opened = -1;
            const bool read = RegistryReadInteger("Opened", opened);
            events.push_back(FormatString("read %d %d", read, opened));
            events.push_back("wrote " + std::to_string(RegistryWriteString("Answer", "yes")));
        }
    }
};

// What a replay has to reproduce at one update.
struct Checkpoint
{
    int update;
    uint64_t hash;
    int dialogs;
    int focusedIsProbe;
    std::string typed;
    bool operator==(const Checkpoint&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Checkpoint& c)
{
    return out << "{update " << c.update << ", hash " << c.hash << ", dialogs " << c.dialogs << ", focus "
               << c.focusedIsProbe << ", typed '" << c.typed << "'}";
}

class ReplayTest : public AppTest
{
protected:
    // Runs the app through Init and Start, checking in at every 100th update; `script` acts at each update.
    std::vector<Checkpoint> Run(SessionApp& app, const std::function<void(SessionApp&)>& script)
    {
        std::vector<Checkpoint> checkpoints;
        app.Init();
        app.onUpdate = [&](TestApp&)
        {
            // Game logic: the same call in both runs.
            if (app.mUpdateCount == 150)
            {
                Buffer level;
                const bool read = app.ReadBufferFromFile("data\\LEVEL.txt", level);
                app.events.push_back(FormatString("file %d %d", read, int(level.GetDataLen())));
            }
            if (script) script(app);
            if (app.mUpdateCount % 100 == 0)
                checkpoints.push_back({app.mUpdateCount, app.StateHash(), app.GetDialogCount(),
                                       app.mWidgetManager->focusWidget == &app.probe, app.probe.chars});
            if (app.mUpdateCount == 5000)
            {
                ADD_FAILURE() << "the session never ended";
                app.Shutdown();
            }
        };
        app.Start();
        return checkpoints;
    }

    static int FilesUnder(const std::string& folder)
    {
        int count = 0;
        std::error_code ignored;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ignored))
            count += entry.is_regular_file() ? 1 : 0;
        return count;
    }

    static void Post(SessionApp& app, uint32_t message, WPARAM wParam, int x, int y)
    {
        PostMessage(app.mHWnd, message, wParam, MAKELPARAM(x, y));
    }
};

} // namespace

TEST_F(ReplayTest, RecordedSessionReplaysIdenticallyIntoAnEmptyStoreAndFolder)
{
    const std::string demo = root + "/demos/session.dmo";
    std::filesystem::create_directories(root + "/demos");
    WriteText(root + "/cwd/data/level.txt", "level one");

    std::vector<Checkpoint> recorded;
    std::vector<std::string> recordedEvents;
    int recordedUpdates = 0;
    {
        SessionApp app;
        app.mCommandLine = {"-record", "-demofile=" + demo};
        int closeAt = -1;
        recorded = Run(app,
                       [&](SessionApp& a)
                       {
                           const int n = a.mUpdateCount;
                           if (n == 30) Post(a, WM_MOUSEMOVE, 0, 60, 35);
                           if (n == 35) Post(a, WM_LBUTTONDOWN, MK_LBUTTON, 60, 35);
                           if (n == 38) Post(a, WM_LBUTTONUP, 0, 60, 35);
                           if (n == 220)
                           {
                               // Yes button of the dialog: find it on screen, then press and release on it.
                               Dialog* dialog = a.GetDialog(kDialogId);
                               if (dialog && dialog->yesButton)
                               {
                                   const int x = dialog->yesButton->x + 5; // the buttons are the dialog's siblings
                                   const int y = dialog->yesButton->y + 5;
                                   Post(a, WM_MOUSEMOVE, 0, x, y);
                                   Post(a, WM_LBUTTONDOWN, MK_LBUTTON, x, y);
                                   Post(a, WM_LBUTTONUP, 0, x, y);
                               }
                           }
                           if (n == 260)
                           {
                               // A relative move, an absolute jump, then focus and keys for the probe.
                               Post(a, WM_MOUSEMOVE, 0, 310, 310);
                               Post(a, WM_MOUSEMOVE, 0, 330, 320);
                               Post(a, WM_LBUTTONDOWN, MK_LBUTTON, 330, 320);
                               Post(a, WM_LBUTTONUP, 0, 330, 320);
                           }
                           if (n == 300)
                           {
                               PostMessage(a.mHWnd, WM_KEYDOWN, 'H', 0);
                               PostMessage(a.mHWnd, WM_CHAR, 'h', 0);
                               PostMessage(a.mHWnd, WM_KEYUP, 'H', 0);
                               PostMessage(a.mHWnd, WM_CHAR, 'i', 0);
                               PostMessage(a.mHWnd, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(330, 320));
                           }
                           // Close once the loader has handed over, so the replay waits for its own too.
                           if (n >= 450 && a.loadingDone > 0 && closeAt < 0)
                           {
                               closeAt = n;
                               PostMessage(a.mHWnd, WM_CLOSE, 0, 0);
                           }
                       });
        recordedEvents = app.events;
        recordedUpdates = app.mUpdateCount;
    }
    ASSERT_TRUE(std::filesystem::exists(demo));
    const std::vector<std::string> expectedEvents = {"button 5 at 39",     "wrote 1",   "file 1 9",
                                                     "button 2009 at 221", "read 1 39", "wrote 1"};
    ASSERT_EQ(recordedEvents.size(), expectedEvents.size()) << ::testing::PrintToString(recordedEvents);
    for (size_t i = 0; i < expectedEvents.size(); ++i)
        EXPECT_EQ(recordedEvents[i].substr(0, 6), expectedEvents[i].substr(0, 6)) << recordedEvents[i];
    ASSERT_GE(recorded.size(), 4u);
    EXPECT_EQ(recorded.back().typed, "hi");
    EXPECT_EQ(recorded.back().dialogs, 0);

    // Nothing of the recorded run is left: no store, no data folder, no level file.
    std::filesystem::remove_all(root + "/config");
    std::filesystem::remove_all(root + "/data");
    std::filesystem::remove_all(root + "/cwd/data");
    SetSettingsFile(root + "/config/settings.ini");
    ResetWindowLayer();
    ResetHeadlessDisplay();

    SessionApp replay;
    replay.mCommandLine = {"-play", "-demofile=" + demo};
    const std::vector<Checkpoint> replayed = Run(replay, nullptr);
    EXPECT_EQ(replayed, recorded);
    EXPECT_EQ(replay.events, recordedEvents);
    EXPECT_EQ(replay.mUpdateCount, recordedUpdates);
    EXPECT_FALSE(std::filesystem::exists(root + "/config/settings.ini")) << SettingsText();
    EXPECT_EQ(FilesUnder(root + "/data"), 0);
    EXPECT_FALSE(std::filesystem::exists(root + "/cwd/data"));
}

namespace
{
// A demo file for the test application, written record by record: each entry is (update, type).
std::string WriteDemo(const std::string& path, const std::string& product,
                      const std::vector<std::pair<int, int>>& records)
{
    DemoStream stream;
    stream.Reset();
    stream.WriteHeader(0, false, DEMO_INITIAL_STATE);
    stream.buffer.WriteBoolean(true);
    stream.buffer.WriteByte(100);
    int last = 0;
    for (auto [update, type] : records)
    {
        stream.WriteHeader(update, false, type);
        last = update;
    }
    DemoFileHeader header;
    header.seed = 7;
    header.product = product;
    header.lengthUpdates = last;
    Buffer file;
    WriteDemoFile(file, header, stream);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.GetDataPtr()), static_cast<std::streamsize>(file.GetDataLen()));
    return path;
}

// Steps the loop until the app shuts down or `maxSteps` pass; the number of updates it reached.
int StepUntilShutdown(TestApp& app, int maxSteps = 200000)
{
    for (int i = 0; i < maxSteps && !app.mShutdown; ++i)
    {
        bool updated = false;
        app.RunLoopStep(false, updated);
    }
    return app.mUpdateCount;
}
} // namespace

TEST_F(ReplayTest, AnotherProductsDemoIsRefusedWithTheInvalidFileError)
{
    const std::string demo = WriteDemo(root + "/demos/other.dmo", "Some Other Game", {{20, DEMO_CLOSE}});
    MessageBoxRecorder boxes;
    ExitTrap trap;
    TestApp app;
    app.mLoadingThreadWanted = false;
    app.mCommandLine = {"-play", "-demofile=" + demo};
    try
    {
        app.Init();
        ADD_FAILURE() << "the demo of another product was accepted";
    }
    catch (const AppExit& exit)
    {
        EXPECT_EQ(exit.code, 1);
    }
    EXPECT_EQ(app.mDemoError, "Invalid demo file.");
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(boxes.Calls()[0].text, "Invalid demo file.");
}

TEST_F(ReplayTest, AHandOverThatCannotApplyIsDroppedNotWaitedForForEver)
{
    struct Case
    {
        const char* what;
        bool loader; // a loader that has finished and handed over at the first record
    };
    for (Case c :
         {Case{"a second hand-over after the loader's", true}, Case{"a hand-over in a run with no loader", false}})
    {
        SCOPED_TRACE(c.what);
        ResetWindowLayer();
        const std::string demo = WriteDemo(root + "/demos/damaged.dmo", "ZestTest",
                                           {{2, DEMO_LOADING_COMPLETE}, {5, DEMO_LOADING_COMPLETE}, {20, DEMO_CLOSE}});
        TestApp app;
        app.mLoadingThreadWanted = false;
        app.mCommandLine = {"-play", "-demofile=" + demo};
        app.Init();
        if (c.loader)
        {
            app.mLoadingStarted = true;
            app.mLoadingCompleted = true;
        }
        EXPECT_GE(StepUntilShutdown(app), 20) << "the replay stalled on a record it could not apply";
        EXPECT_TRUE(app.mShutdown);
        EXPECT_EQ(app.loadingDone, c.loader ? 1 : 0);
    }
}

TEST_F(ReplayTest, OtherThreadsReachNeitherTheLiveStoreNorTheDiskDuringReplay)
{
    // The live store and the working folder hold what a worker would find if it slipped through.
    {
        TestApp live;
        ASSERT_TRUE(live.RegistryWriteInteger("Secret", 42));
    }
    ResetWindowLayer();
    WriteText(root + "/cwd/data/live.txt", "on disk");
    const std::string demo = WriteDemo(root + "/demos/plain.dmo", "ZestTest", {{30, DEMO_CLOSE}});

    TestApp app;
    app.mLoadingThreadWanted = false;
    app.mCommandLine = {"-play", "-demofile=" + demo};
    app.Init();
    struct Seen
    {
        bool registry = true, file = true, exists = true, wrote = false;
        int32_t value = 0;
    } seen;
    app.onUpdate = [&](TestApp& self)
    {
        if (self.mUpdateCount != 10) return;
        std::thread worker(
            [&]
            {
                seen.registry = self.RegistryReadInteger("Secret", seen.value);
                Buffer buffer;
                seen.file = self.ReadBufferFromFile("data/live.txt", buffer, true);
                seen.exists = self.FileExists("data/live.txt");
                seen.wrote = self.WriteBytesToFile("data/new.txt", reinterpret_cast<const uint8_t*>("x"), 1);
            });
        worker.join();
    };
    StepUntilShutdown(app);
    EXPECT_FALSE(seen.registry) << "read " << seen.value << " from the live store";
    EXPECT_FALSE(seen.file);
    EXPECT_FALSE(seen.exists);
    EXPECT_FALSE(std::filesystem::exists(root + "/cwd/data/new.txt"));
    EXPECT_NE(SettingsText().find("Secret"), std::string::npos) << "the live store itself is untouched";
}

TEST_F(ReplayTest, AHandOverThatReadsFilesReplaysWithTheRecordedAnswers)
{
    // The hand-over itself asks for files (a game loads its players there): the replay has to meet the hand-over
    // record before those reads, or it never hands over at all.
    struct ReadingApp : TestApp
    {
        std::vector<int> found;
        void OnLoadingDone() override
        {
            TestApp::OnLoadingDone();
            found.push_back(FileExists("data/players.dat") ? 1 : 0);
        }
    };
    const std::string demo = root + "/demos/handover.dmo";
    std::filesystem::create_directories(root + "/demos");
    WriteText(root + "/cwd/data/players.dat", "someone");
    const auto closeLater = [](TestApp& a)
    {
        if (a.mUpdateCount >= 60 && a.loadingDone > 0 && !a.mClosing) PostMessage(a.mHWnd, WM_CLOSE, 0, 0);
    };
    int recordedUpdates = 0;
    {
        ReadingApp recording;
        recording.mCommandLine = {"-record", "-demofile=" + demo};
        recording.onUpdate = closeLater;
        recording.Init();
        recording.Start();
        ASSERT_EQ(recording.found, std::vector<int>{1});
        recordedUpdates = recording.mUpdateCount;
    }

    std::filesystem::remove_all(root + "/cwd/data");
    ResetWindowLayer();
    ResetHeadlessDisplay();
    ReadingApp replay;
    replay.mCommandLine = {"-play", "-demofile=" + demo};
    replay.Init();
    replay.Start();
    EXPECT_EQ(replay.loadingDone, 1);
    EXPECT_EQ(replay.found, std::vector<int>{1}) << "the answer comes from the demo, not from the disk";
    EXPECT_EQ(replay.mUpdateCount, recordedUpdates);
}
