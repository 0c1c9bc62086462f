// The demo player's windows end to end on the headless backend: a session with a marker is recorded, then
// replayed while the viewer jumps to a time ("J"), picks the marker from the list ("L") and saves the demo as
// played so far ("S"); the saved file replays to the same state.
#include "AppTestSupport.h"

#include "app/DemoPlayback.h"
#include "app/DemoStream.h"
#include "graphics/Graphics.h"
#include "widgets/Dialog.h"
#include "widgets/EditWidget.h"
#include "widgets/ListWidget.h"

using namespace Zest;
using namespace Platform;

namespace
{

// Covers the whole screen in a colour that tells what was typed, so a window drawn over it leaves no trace once
// it is redrawn.
class Backdrop : public Widget
{
public:
    const std::string* typed = nullptr;
    void Update() override { MarkDirty(); }
    void Draw(Graphics* g) override
    {
        const int n = typed ? static_cast<int>(typed->size()) : 0;
        g->SetColor(Color(40 * n % 256, 90, 200 - 30 * n));
        g->FillRect(0, 0, width, height);
    }
};

class ViewerApp : public TestApp
{
public:
    Backdrop backdrop;
    ProbeWidget probe;
    std::function<void(ViewerApp&)> onWindowDrawn; // while a playback window is open
    int windowDraws = 0;

    ViewerApp()
    {
        backdrop.typed = &probe.chars;
        backdrop.Resize(0, 0, 640, 480);
        probe.Resize(300, 300, 100, 50);
    }
    ~ViewerApp() override
    {
        if (mWidgetManager)
        {
            mWidgetManager->RemoveWidget(&probe);
            mWidgetManager->RemoveWidget(&backdrop);
        }
    }
    void Init() override
    {
        TestApp::Init();
        mWidgetManager->AddWidget(&backdrop);
        mWidgetManager->AddWidget(&probe);
    }
    bool DrawDirtyWidgets() override
    {
        const bool drew = TestApp::DrawDirtyWidgets();
        if (PlaybackWindowOpen() && onWindowDrawn) onWindowDrawn(*this);
        // The replay stands still while a window is open: one that never closes would hold the test forever.
        if (PlaybackWindowOpen() && ++windowDraws == 5000)
        {
            ADD_FAILURE() << "a playback window stayed open";
            Shutdown();
        }
        return drew;
    }
};

void PostChar(ViewerApp& app, char c)
{
    PostMessage(app.mHWnd, WM_CHAR, WPARAM(static_cast<unsigned char>(c)), 0);
}

void PostEnter(ViewerApp& app)
{
    PostMessage(app.mHWnd, WM_KEYDOWN, VK_RETURN, 0);
    PostMessage(app.mHWnd, WM_KEYUP, VK_RETURN, 0);
}

class PlaybackTest : public AppTest
{
protected:
    std::string demo;
    void SetUp() override
    {
        AppTest::SetUp();
        demo = root + "/demos/viewer.dmo";
        std::filesystem::create_directories(root + "/demos");
    }
};

} // namespace

TEST(DemoTime, FormatAndParse)
{
    EXPECT_EQ(FormatDemoTime(0), "0:00.00");
    EXPECT_EQ(FormatDemoTime(3000), "0:03.00");
    EXPECT_EQ(FormatDemoTime(61234), "1:01.23");
    const std::pair<const char*, int64_t> cases[] = {
        {"2", 2000},       {"0:02", 2000},  {"1:30", 90000},    {"1:02:03", 3723000}, {"5.25", 5250},
        {"1:00.5", 60500}, {"", -1},        {":", -1},          {"1:60", -1},         {"1.5:00", -1},
        {"a", -1},         {"1:2:3:4", -1}, {"9999999999", -1}, {"1..2", -1},         {"0.1234", -1},
    };
    for (auto [text, ms] : cases) EXPECT_EQ(ParseDemoTime(text), ms) << text;
}

TEST_F(PlaybackTest, JumpMarkerListAndSaveDuringReplay)
{
    uint64_t recordedHash = 0;
    {
        ViewerApp app;
        app.mCommandLine = {"-record", "-demofile=" + demo};
        app.Init();
        app.onUpdate = [&](TestApp&)
        {
            const int n = app.mUpdateCount;
            if (n == 30)
            {
                PostMessage(app.mHWnd, WM_MOUSEMOVE, 0, MAKELPARAM(310, 310));
                PostMessage(app.mHWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(310, 310));
                PostMessage(app.mHWnd, WM_LBUTTONUP, 0, MAKELPARAM(310, 310));
            }
            if (n == 60) PostChar(app, 'a');
            if (n == 70) PostChar(app, 'b');
            if (n == 300) app.WriteDemoMarker("halfway");
            if (n == 320) PostChar(app, 'c');
            if (n == 400) recordedHash = app.StateHash();
            if (n == 480) PostChar(app, 'd');
            if (n == 550) PostMessage(app.mHWnd, WM_CLOSE, 0, 0);
            if (n == 2000) app.Shutdown();
        };
        app.Start();
        ASSERT_EQ(app.probe.chars, "abcd");
    }

    uint64_t replayedHash = 0;
    std::string saved;
    std::vector<std::string> seen;
    {
        ViewerApp app;
        app.mCommandLine = {"-play", "-demofile=" + demo};
        app.Init();
        int drawsAt51 = -1;
        uint32_t clockAt51 = 0;
        app.onUpdate = [&](TestApp&)
        {
            const int n = app.mUpdateCount;
            if (n == 50) PostChar(app, 'J');
            if (n == 51)
            {
                drawsAt51 = app.mDrawCount;
                clockAt51 = TimeGetTime();
            }
            if (n == 199)
            {
                // The jump ran these updates at once: at most the catch-up's first frame drawn, hardly any time
                // passed.
                seen.push_back(
                    FormatString("jumped %d %d", app.mDrawCount - drawsAt51 <= 1, TimeGetTime() - clockAt51 < 100));
                seen.push_back("typed by 199: " + app.probe.chars);
            }
            if (n == 220) PostChar(app, 'l');
            if (n == 221) drawsAt51 = app.mDrawCount;
            if (n == 299) seen.push_back(FormatString("marker jump %d", app.mDrawCount == drawsAt51));
            if (n == 400)
            {
                replayedHash = app.StateHash();
                PostChar(app, 'S');
            }
            if (n == 2000) app.Shutdown();
        };
        std::set<int> handled;
        app.onWindowDrawn = [&](ViewerApp& a)
        {
            Dialog* dialog = a.PlaybackWindows().CurrentDialog();
            if (dialog && dialog->lines.find("has passed") != std::string::npos && !handled.count(-1))
            {
                // The second try: the entry is still selected, so typing replaces it.
                handled.insert(-1);
                seen.push_back("lines " + dialog->lines);
                for (char c : std::string("0:02")) PostChar(a, c);
                PostEnter(a);
            }
            if (!dialog || handled.count(dialog->id)) return;
            handled.insert(dialog->id);
            seen.push_back(FormatString("window %d at %d: %s", dialog->id, a.mUpdateCount, dialog->header.c_str()));
            if (EditWidget* field = a.PlaybackWindows().TimeField())
            {
                seen.push_back("field focused " + std::to_string(a.PlaybackWindows().Manager()->focusWidget == field));
                // Letters are refused by the field and are not playback keys while it is open. A time already
                // passed keeps the window open with a word why.
                for (char c : std::string("x0:00.2")) PostChar(a, c);
                PostEnter(a);
            }
            else if (ListWidget* times = a.PlaybackWindows().MarkerTimes())
            {
                seen.push_back("markers " + times->GetStringAt(0) + " " +
                               a.PlaybackWindows().MarkerTexts()->GetStringAt(0) + " " +
                               std::to_string(times->GetLineCount()));
                const Point at = times->GetAbsolutePosition();
                const LPARAM row = MAKELPARAM(at.mX + 10, at.mY + 4 + times->RowHeight() / 2);
                PostMessage(a.mHWnd, WM_MOUSEMOVE, 0, row);
                PostMessage(a.mHWnd, WM_LBUTTONDOWN, MK_LBUTTON, row);
                PostMessage(a.mHWnd, WM_LBUTTONUP, 0, row);
                PostEnter(a);
            }
            else
            {
                PostEnter(a);
            }
        };
        app.Start();
        seen.push_back("typed at the end: " + app.probe.chars);
        saved = demo.substr(0, demo.size() - 4) + "-400.dmo";
    }
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "window 1 at 50: Jump To Time",
                        "field focused 1",
                        "lines 0:00.20 has passed: a replay only runs forward. Type a later time.",
                        "jumped 1 1",
                        "typed by 199: ab",
                        "window 2 at 220: Markers",
                        "markers 0:03.00 halfway 1",
                        "marker jump 1",
                        "window 3 at 400: Demo Saved",
                        "typed at the end: abcd",
                    }));
    EXPECT_NE(SettingsText().find("DemoJumpTime"), std::string::npos) << SettingsText();
    EXPECT_NE(SettingsText().find("0:02"), std::string::npos);
    // The viewer's windows did not disturb the replay.
    EXPECT_EQ(replayedHash, recordedHash);
    ASSERT_TRUE(std::filesystem::exists(saved));

    // The saved demo: 400 updates long, and it replays to the same state.
    Buffer file;
    const std::string bytes = ReadText(saved);
    file.WriteBytes(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int>(bytes.size()));
    DemoFileHeader header;
    DemoStream stream;
    std::string error;
    ASSERT_TRUE(ParseDemoFile(file, header, stream, error)) << error;
    EXPECT_EQ(header.lengthUpdates, 400);
    EXPECT_EQ(ReadDemoMarkers(stream).size(), 1u);

    ResetWindowLayer();
    ResetHeadlessDisplay();
    ViewerApp again;
    again.mCommandLine = {"-play", "-demofile=" + saved};
    again.Init();
    uint64_t savedHash = 0;
    again.onUpdate = [&](TestApp&)
    {
        if (again.mUpdateCount == 400)
        {
            savedHash = again.StateHash();
            again.Shutdown();
        }
    };
    again.Start();
    EXPECT_EQ(again.DemoLength(), 400);
    EXPECT_EQ(savedHash, recordedHash);
    EXPECT_EQ(again.probe.chars, "abc");
}

// Markers are found past every kind of record, and a damaged tail keeps the markers before it.
TEST(DemoMarkers, ReadPastEveryRecordKind)
{
    DemoStream stream;
    stream.Reset();
    stream.WriteHeader(0, false, DEMO_INITIAL_STATE);
    stream.buffer.WriteBoolean(true);
    stream.buffer.WriteByte(60);
    stream.WriteHeader(3, true, DEMO_SHORT_MOVE);
    stream.buffer.WriteBits(5, 6);
    stream.buffer.WriteBits(60, 6);
    stream.WriteHeader(3, true, DEMO_SHORT_BUTTON);
    stream.buffer.WriteBits(1, 1);
    stream.buffer.WriteBits(0, 3);
    stream.WriteHeader(10, false, DEMO_MARKER);
    stream.buffer.WriteString("one");
    stream.WriteHeader(40, false, DEMO_REGISTRY_READ);
    stream.buffer.WriteBits(1, 1);
    stream.buffer.WriteLong(1);
    stream.buffer.WriteLong(3);
    stream.buffer.WriteBytes(reinterpret_cast<const uint8_t*>("abc"), 3);
    stream.WriteHeader(41, false, DEMO_FILE_READ);
    stream.buffer.WriteBits(0, 1);
    stream.WriteHeader(42, false, DEMO_MOUSE_POSITION);
    stream.buffer.WriteShort(100);
    stream.buffer.WriteShort(200);
    stream.WriteHeader(70, false, DEMO_MARKER);
    const int64_t insideTwo = stream.buffer.GetBitSize() + 20;
    stream.buffer.WriteString("two");
    stream.WriteHeader(71, false, DEMO_HTTP); // cannot be sized: the scan stops here
    stream.WriteHeader(72, false, DEMO_MARKER);
    stream.buffer.WriteString("unreachable");
    stream.StartReading();

    const std::vector<DemoMarker> markers = ReadDemoMarkers(stream);
    ASSERT_EQ(markers.size(), 2u);
    EXPECT_EQ(markers[0].update, 10);
    EXPECT_EQ(markers[0].text, "one");
    EXPECT_EQ(markers[1].update, 70);
    EXPECT_EQ(markers[1].text, "two");
    EXPECT_EQ(stream.buffer.GetReadBitPos(), 0) << "the replay's reader is not moved";

    // Cut inside the second marker: only the first is left.
    DemoStream cut;
    CopyStreamBits(stream.buffer, insideTwo, cut.buffer);
    cut.StartReading();
    EXPECT_EQ(ReadDemoMarkers(cut).size(), 1u);
}

// More markers than the list shows: Down moves the selection and the lists scroll along with it.
TEST_F(PlaybackTest, MarkerListScrollsToTheSelection)
{
    {
        ViewerApp app;
        app.mCommandLine = {"-record", "-demofile=" + demo};
        app.Init();
        app.onUpdate = [&](TestApp&)
        {
            const int n = app.mUpdateCount;
            if (n >= 100 && n < 300 && n % 10 == 0) app.WriteDemoMarker("m" + std::to_string((n - 100) / 10));
            if (n == 320) PostMessage(app.mHWnd, WM_CLOSE, 0, 0);
        };
        app.Start();
    }
    ViewerApp app;
    app.mCommandLine = {"-play", "-demofile=" + demo};
    app.Init();
    int jumpTarget = -1;
    app.onUpdate = [&](TestApp&)
    {
        if (app.mUpdateCount == 20) PostChar(app, 'L');
        if (app.mUpdateCount == 21) jumpTarget = app.mDemoJumpTarget;
    };
    int phase = 0;
    std::string state;
    app.onWindowDrawn = [&](ViewerApp& a)
    {
        ListWidget* times = a.PlaybackWindows().MarkerTimes();
        if (!times) return;
        if (phase == 0)
        {
            for (int i = 0; i < 15; ++i) PostMessage(a.mHWnd, WM_KEYDOWN, VK_DOWN, 0);
            ++phase;
        }
        else if (phase == 1)
        {
            // The selected row is the last one shown, in both columns.
            const int page = static_cast<int>(times->pageSize);
            state = FormatString("rows %d selected %d last shown %d/%d text %s", times->GetLineCount(),
                                 times->selectIndex, int(times->position) + page - 1,
                                 int(a.PlaybackWindows().MarkerTexts()->position) + page - 1,
                                 a.PlaybackWindows().MarkerTexts()->GetStringAt(times->selectIndex).c_str());
            EXPECT_GT(page, 1);
            EXPECT_LT(page, 14);
            PostEnter(a);
            ++phase;
        }
    };
    app.Start();
    EXPECT_EQ(state, "rows 20 selected 14 last shown 14/14 text m14");
    EXPECT_EQ(jumpTarget, 240);
}

// Closing the program while a playback window is open ends the replay cleanly.
TEST_F(PlaybackTest, CloseWhileAWindowIsOpen)
{
    {
        ViewerApp app;
        app.mCommandLine = {"-record", "-demofile=" + demo};
        app.Init();
        app.onUpdate = [&](TestApp&)
        {
            if (app.mUpdateCount == 100) PostMessage(app.mHWnd, WM_CLOSE, 0, 0);
        };
        app.Start();
    }
    auto app = std::make_unique<ViewerApp>();
    app->mCommandLine = {"-play", "-demofile=" + demo};
    app->Init();
    app->onUpdate = [&](TestApp& a)
    {
        if (a.mUpdateCount == 20) PostChar(*app, 'J');
    };
    bool posted = false;
    app->onWindowDrawn = [&](ViewerApp& a)
    {
        if (!posted) PostMessage(a.mHWnd, WM_CLOSE, 0, 0);
        posted = true;
    };
    app->Start();
    EXPECT_TRUE(app->PlaybackWindowOpen());
    EXPECT_EQ(app->mUpdateCount, 20);
    app.reset();
}
