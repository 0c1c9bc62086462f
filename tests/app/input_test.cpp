// The window procedure and the deferred input queue, fed straight with message records on the headless backend.
#include "AppTestSupport.h"

using namespace Zest;
using namespace Platform;

namespace
{
class InputTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        app = std::make_unique<TestApp>();
        app->Init();
        probe.Resize(0, 0, 640, 480);
        app->mWidgetManager->AddWidget(&probe);
    }
    void TearDown() override
    {
        app->mWidgetManager->RemoveWidget(&probe);
        app.reset();
        AppTest::TearDown();
    }
    LRESULT Send(uint32_t message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return app->HandleMessage(app->mHWnd, message, wParam, lParam);
    }
    std::vector<uint32_t> QueuedIds()
    {
        std::vector<uint32_t> ids;
        for (const QueuedMessage& m : app->Queue()) ids.push_back(m.message);
        return ids;
    }
    void Drain()
    {
        while (app->ProcessQueuedInput())
        {
        }
    }

    std::unique_ptr<TestApp> app;
    ProbeWidget probe;
};
} // namespace

TEST_F(InputTest, QueueCoalescesTimersAndDisplayNoticesAndStopsAfterClose)
{
    struct Case
    {
        std::vector<uint32_t> sent;
        std::vector<uint32_t> queued;
    };
    const Case cases[] = {
        {{WM_TIMER, WM_TIMER}, {WM_TIMER}},
        {{WM_TIMER, WM_KEYDOWN, WM_TIMER}, {WM_TIMER, WM_KEYDOWN, WM_TIMER}},
        {{WM_SYSCOLORCHANGE, WM_KEYDOWN, WM_DISPLAYCHANGE}, {WM_SYSCOLORCHANGE, WM_KEYDOWN}},
        {{WM_DISPLAYCHANGE, WM_DISPLAYCHANGE}, {WM_DISPLAYCHANGE}},
        {{WM_KEYDOWN, WM_CLOSE, WM_KEYDOWN, WM_MOUSEMOVE, WM_CLOSE}, {WM_KEYDOWN, WM_CLOSE}},
        {{WM_PAINT, WM_SETCURSOR, WM_ERASEBKGND}, {}},
    };
    for (const Case& c : cases)
    {
        while (!app->Queue().empty()) app->mQueue.clear();
        for (uint32_t id : c.sent) Send(id, id == WM_KEYDOWN ? 'A' : 0);
        EXPECT_EQ(QueuedIds(), c.queued);
    }
    app->mQueue.clear();
}

TEST_F(InputTest, AltF4ClosesOtherSystemKeysAreSwallowed)
{
    EXPECT_EQ(Send(WM_SYSKEYDOWN, 'X'), 0);
    EXPECT_EQ(PendingMessageCount(), 0u);
    Send(WM_SYSKEYDOWN, VK_F4);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_CLOSE);
    EXPECT_EQ(Send(WM_SYSCHAR, 'R'), 0) << "Alt+r is the application's";
    EXPECT_EQ(Send(WM_SYSCHAR, 13), 0);
    EXPECT_EQ(QueuedIds(), (std::vector<uint32_t>{WM_SYSKEYDOWN, WM_SYSKEYDOWN}));

    // Alt+Enter switches the mode through the queue; a locked switch does nothing.
    app->mQueue.clear();
    const bool windowed = app->mIsWindowed;
    Send(WM_SYSKEYDOWN, VK_RETURN);
    Drain();
    EXPECT_EQ(app->mIsWindowed, !windowed);
    EXPECT_EQ(app->mWindowedNow, !windowed);
    app->mModeSwitchLocked = true;
    Send(WM_SYSKEYDOWN, VK_RETURN);
    Drain();
    EXPECT_EQ(app->mIsWindowed, !windowed);
}

TEST_F(InputTest, RecordedMouseMovesAreRelativeBelow32Pixels)
{
    struct Case
    {
        int dx, dy;
        uint32_t message;
        std::vector<std::pair<bool, int>> records; // (short, type)
    };
    const Case cases[] = {
        {31, 31, WM_MOUSEMOVE, {{true, DEMO_SHORT_MOVE}}},
        {-31, 0, WM_MOUSEMOVE, {{true, DEMO_SHORT_MOVE}}},
        {32, 0, WM_MOUSEMOVE, {{false, DEMO_MOUSE_POSITION}}},
        {0, -32, WM_MOUSEMOVE, {{false, DEMO_MOUSE_POSITION}}},
        {0, 0, WM_LBUTTONDOWN, {{true, DEMO_SHORT_BUTTON}}},
        {5, 0, WM_LBUTTONUP, {{true, DEMO_SHORT_MOVE}, {true, DEMO_SHORT_BUTTON}}},
    };
    for (const Case& c : cases)
    {
        app->mRecording = true;
        app->mMouseInWindow = true;
        app->mDemo.Reset();
        app->mLastRecordedX = 100;
        app->mLastRecordedY = 100;
        Send(c.message, 0, MAKELPARAM(100 + c.dx, 100 + c.dy));
        Drain();
        app->mDemo.StartReading();
        std::vector<std::pair<bool, int>> got;
        while (app->mDemo.PeekHeader())
        {
            got.emplace_back(app->mDemo.pendingShort, app->mDemo.pendingType);
            app->mDemo.ConsumeHeader();
            int32_t skip = 0;
            if (app->mDemo.pendingShort)
                app->mDemo.ReadBitsChecked(app->mDemo.pendingType == DEMO_SHORT_MOVE ? 12 : 4, false, skip);
            else
                app->mDemo.ReadBitsChecked(32, false, skip);
        }
        EXPECT_EQ(got, c.records) << c.dx << "," << c.dy;
        EXPECT_EQ(app->mLastRecordedX, 100 + c.dx);
    }
    app->mRecording = false;
}

TEST_F(InputTest, ButtonsReachWidgetsWithTheirCodesAndKeepCapture)
{
    Send(WM_RBUTTONDBLCLK, 0, MAKELPARAM(10, 10));
    Send(WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    Drain();
    EXPECT_EQ(probe.downs, (std::vector<int>{-2}));
    EXPECT_EQ(probe.ups, (std::vector<int>{-1}));

    Send(WM_LBUTTONDOWN, 0, MAKELPARAM(20, 20));
    Send(WM_RBUTTONDOWN, 0, MAKELPARAM(20, 20));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    Drain();
    EXPECT_EQ(GetCapture(), app->mHWnd) << "the right button still holds the mouse";
    Send(WM_RBUTTONUP, 0, MAKELPARAM(20, 20));
    Drain();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(probe.downs, (std::vector<int>{-2, 1, -1}));

    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, -240), 0);
    Send(WM_KEYDOWN, 'Q');
    Send(WM_CHAR, 'q');
    Drain();
    EXPECT_EQ(probe.keys, (std::vector<int>{'Q'}));
    EXPECT_EQ(probe.chars, "q");
}

TEST_F(InputTest, BlockedInputAndAsyncDebugKeysQueueNothing)
{
    struct Consuming : TestApp
    {
        bool DebugKeyDownAsync(int key, bool, bool) override { return key == VK_F12; }
    };
    app->EnterSystemDialogMode();
    Send(WM_KEYDOWN, 'A');
    Send(WM_LBUTTONDOWN, 0, 0);
    EXPECT_TRUE(app->Queue().empty());
    app->LeaveSystemDialogMode();

    app->mWidgetManager->RemoveWidget(&probe);
    app.reset();
    ResetWindowLayer();
    auto consuming = std::make_unique<Consuming>();
    consuming->Init();
    EXPECT_EQ(consuming->HandleMessage(consuming->mHWnd, WM_KEYDOWN, VK_F12, 0), 0);
    EXPECT_TRUE(consuming->Queue().empty());
    consuming->HandleMessage(consuming->mHWnd, WM_KEYDOWN, VK_F10, 0);
    EXPECT_EQ(consuming->Queue().size(), 1u);
    app = std::move(consuming);
    app->mWidgetManager->AddWidget(&probe);
}

TEST_F(InputTest, FocusAndMinimiseMuteAutomatically)
{
    ASSERT_EQ(app->mMuteCount, 0);
    Send(WM_SIZE, SIZE_MINIMIZED);
    Send(WM_ACTIVATEAPP, 0);
    Drain();
    EXPECT_EQ(app->mMuteCount, 2) << "minimising, then the focus loss";
    EXPECT_FALSE(app->mHasFocus);
    Send(WM_ACTIVATEAPP, 1);
    Drain();
    EXPECT_EQ(app->mMuteCount, 2) << "still minimised: no focus yet";
    probe.dirty = false;
    Send(WM_SIZE, SIZE_RESTORED);
    Drain();
    EXPECT_EQ(app->mMuteCount, 0);
    EXPECT_TRUE(app->mHasFocus);
    EXPECT_TRUE(probe.dirty);
}

TEST_F(InputTest, PlaybackKeys)
{
    app->mPlayingDemo = true;
    app->mDemoLength = 100000;
    struct Case
    {
        char key;
        int target;
    };
    for (const Case c : {Case{'5', 100000 - 9000}, Case{'9', 100000 - 500}, Case{'0', 100000}, Case{'1', 100000}})
    {
        Send(WM_CHAR, c.key);
        EXPECT_EQ(app->mDemoJumpTarget, c.target) << c.key;
    }
    app->mTimeAccumulator = 55.0;
    AdvanceClock(7);
    Send(WM_CHAR, 'p');
    EXPECT_TRUE(app->mPaused);
    EXPECT_EQ(app->mTimeAccumulator, 0.0);
    EXPECT_EQ(app->mLastTime, TimeGetTime());
    Send(WM_CHAR, '+');
    EXPECT_DOUBLE_EQ(app->mUpdateMultiplier, 1.5);
    Send(WM_CHAR, '=');
    EXPECT_DOUBLE_EQ(app->mUpdateMultiplier, 1.0);
    app->mFrameTime = 0;
    Send(WM_CHAR, '4'); // no division by zero
    app->mQueue.clear();
    app->mPlayingDemo = false;
}

TEST_F(InputTest, DuringReplayOnlyACloseActs)
{
    app->mPlayingDemo = true;
    app->mDemo.Reset();
    app->mDemo.StartReading();
    Send(WM_KEYDOWN, 'A');
    Send(WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    Send(WM_CLOSE);
    Drain();
    EXPECT_TRUE(probe.keys.empty());
    EXPECT_TRUE(probe.downs.empty());
    EXPECT_TRUE(app->mShutdown);
    EXPECT_TRUE(app->mClosing);
    app->mPlayingDemo = false;
}

namespace
{
// The timer record's paths: each step moves the clock 100 ms and hands the window procedure one timer.
class TimerPathTest : public InputTest
{
protected:
    void SetUp() override
    {
        InputTest::SetUp();
        app->mRunning = true;
        ShowWindow(app->mHWnd, SW_SHOW); // only a shown window is found under the pointer
        ClientToScreen(app->mHWnd, &origin);
    }
    void Tick(int steps = 1)
    {
        for (int i = 0; i < steps; ++i)
        {
            AdvanceClock(100);
            Send(WM_TIMER, 100);
            Drain();
        }
    }
    POINT origin;
};
} // namespace

TEST_F(TimerPathTest, PointerEnteringAndLeavingIsNoticedAndRecorded)
{
    app->mRecording = true;
    app->mDemo.Reset();
    struct Step
    {
        int x, y;
        bool over;
        bool inside;
    } steps[] = {{10, 10, true, true},    {20, 20, true, true}, {639, 479, true, true},
                 {640, 100, true, false}, {5, 5, true, true},   {5, 5, false, false}};
    std::vector<int> recorded;
    for (const Step& s : steps)
    {
        SetHeadlessCursor(POINT{origin.x + s.x, origin.y + s.y}, s.over);
        Tick();
        EXPECT_EQ(app->mMouseInWindow, s.inside) << s.x << "," << s.y << (s.over ? "" : " (another window)");
    }
    // One record per change, none for staying put: enter, leave, enter, leave.
    DemoStream read;
    read.buffer = app->mDemo.buffer;
    read.StartReading();
    while (read.PeekHeader())
    {
        EXPECT_FALSE(read.pendingShort);
        EXPECT_EQ(read.pendingType, DEMO_MOUSE_ENTER);
        read.ConsumeHeader();
        bool entered = false;
        ASSERT_TRUE(read.ReadBit(entered));
        recorded.push_back(entered);
    }
    EXPECT_EQ(recorded, (std::vector<int>{1, 0, 1, 0}));
}

TEST_F(TimerPathTest, APendingWebPageNoticeEndsAtItsThresholds)
{
    // Inactive (the browser took the focus): the notice finishes 8001 ms after opening, once timers have run
    // for over 5 s without a gap; active: it is dropped after 12001 ms. A gap over 500 ms restarts the 5 s.
    struct Case
    {
        const char* what;
        bool active;
        int gapAfterSteps;          // -1: no gap
        int stillPendingAt, goneAt; // in 100 ms steps after opening
    } cases[] = {
        {"inactive", false, -1, 80, 81},
        {"active", true, -1, 120, 121},
        {"inactive with a timer gap", false, 40, 91, 92},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        app->mActive = c.active;
        app->mLastTimerTick = 0;
        app->mURLPending = true;
        app->mShutdownAfterURL = false;
        app->mPendingURL = "https://example.invalid/";
        app->mURLOpenTick = GetTickCount();
        int step = 0;
        auto runTo = [&](int target)
        {
            while (step < target)
            {
                if (step == c.gapAfterSteps) AdvanceClock(600); // no timer arrives for 0.6 s
                Tick();
                ++step;
            }
        };
        runTo(c.stillPendingAt);
        EXPECT_TRUE(app->mURLPending) << "ended early, at step " << step;
        runTo(c.goneAt);
        EXPECT_FALSE(app->mURLPending) << "still pending at step " << step;
        EXPECT_FALSE(app->mShutdown);
        AdvanceClock(1000); // the next case starts after a gap
    }
}

TEST_F(InputTest, ScreenSaverAndMonitorPowerAreRefusedInFullScreen)
{
    for (const bool windowed : {false, true, false})
    {
        SCOPED_TRACE(windowed ? "windowed" : "full screen");
        app->SwitchScreenMode(windowed, false, true);
        ASSERT_EQ(app->mWindowedNow, windowed);
        // On Linux the refusal is the system's own switch: the saver and the monitor's power-down stay off while
        // the game fills the screen, and come back with the window.
        EXPECT_EQ(IsScreenSaverAllowed(), windowed);
        EXPECT_EQ(app->mScreenSaverAllowed, windowed);
        EXPECT_EQ(app->mMonitorPowerAllowed, windowed);
        // The requests themselves are answered without passing them on, and a power request is remembered.
        AdvanceClock(10);
        EXPECT_EQ(Send(WM_SYSCOMMAND, SC_SCREENSAVE), 0);
        EXPECT_EQ(Send(WM_SYSCOMMAND, SC_MONITORPOWER | 0x2, 2), 0);
        EXPECT_EQ(app->mLastPowerRequest, GetTickCount());
    }
    app->SwitchScreenMode(true, false, true);
}
