// Tests of the window layer: event translation, the pump, timers, windows, cursors, desktop (headless, and SDL dummy).
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Cursors.h"
#include "platform/Desktop.h"
#include "platform/Events.h"
#include "platform/Instance.h"
#include "platform/Messages.h"
#include "platform/Surfaces.h"
#include "platform/System.h"

using namespace Platform;

namespace
{

struct Call
{
    HWND window;
    uint32_t message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Call> gCalls;

LRESULT RecordingProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam)
{
    gCalls.push_back(Call{window, message, wParam, lParam});
    return DefWindowProc(window, message, wParam, lParam);
}

class MessagesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetVideoBackend(VideoBackend::Headless);
        ResetHeadlessDisplay();
        ResetWindowLayer();
        SetManualClock(true);
        gCalls.clear();
        WNDCLASS main;
        main.style = CS_DBLCLKS;
        main.lpfnWndProc = RecordingProc;
        main.icon = "IDI_MAIN_ICON";
        main.className = "MainWindow";
        ASSERT_TRUE(RegisterClass(main));
        WNDCLASS invis;
        invis.lpfnWndProc = RecordingProc;
        invis.className = "InvisWindow";
        ASSERT_TRUE(RegisterClass(invis));
        RECT outer{0, 0, 800, 600};
        AdjustWindowRectEx(&outer, WS_OVERLAPPEDWINDOW_NORESIZE, false, 0);
        mMain = CreateWindowEx(0, "MainWindow", "Test", WS_OVERLAPPEDWINDOW_NORESIZE, 100 + outer.left, 50 + outer.top,
                               outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(mMain, nullptr);
        mInvis = CreateWindowEx(0, "InvisWindow", "Test", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(mInvis, nullptr);
    }
    void TearDown() override
    {
        ResetWindowLayer();
        SetManualClock(false);
    }

    // Everything waiting, taken the way the application's loop takes it.
    std::vector<MSG> Drain(bool translate = true)
    {
        std::vector<MSG> out;
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            out.push_back(msg);
            if (translate) TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        return out;
    }

    static std::vector<uint32_t> Ids(const std::vector<MSG>& msgs)
    {
        std::vector<uint32_t> ids;
        for (const MSG& m : msgs) ids.push_back(m.message);
        return ids;
    }

    HWND mMain = nullptr;
    HWND mInvis = nullptr;
};

InputEvent Key(InputEventType type, const char* name, uint32_t modifiers = 0, bool repeat = false)
{
    InputEvent e;
    e.type = type;
    e.key = SdlKeyFromName(name);
    e.modifiers = modifiers;
    e.repeat = repeat;
    e.scanCode = 0x1E;
    return e;
}

std::vector<MSG> Translate(const InputEvent& e, HWND window, MouseMapping mapping = {}, bool dbl = true)
{
    std::vector<MSG> out;
    TranslateInputEvent(e, window, mapping, dbl, out);
    return out;
}

// ---- Translation of records ------------------------------------------------------------------------------------

TEST(EventTranslation, VirtualKeysOfNamedKeys)
{
    struct Case
    {
        const char* name;
        uint32_t vk;
    } cases[] = {
        {"A", 0x41},
        {"Z", 0x5A},
        {"0", 0x30},
        {"9", 0x39},
        {"F1", 0x70},
        {"F4", 0x73},
        {"F12", 0x7B},
        {"Left Shift", 0x10},
        {"Right Shift", 0x10},
        {"Left Ctrl", 0x11},
        {"Right Ctrl", 0x11},
        {"Left Alt", 0x12},
        {"Right Alt", 0x12},
        {"Keypad 0", 0x60},
        {"Keypad 5", 0x65},
        {"Keypad 9", 0x69},
        {"Keypad Enter", 0x0D},
        {"Return", 0x0D},
        {"Backspace", 0x08},
        {"Tab", 0x09},
        {"Escape", 0x1B},
        {"Space", 0x20},
        {"PageUp", 0x21},
        {"PageDown", 0x22},
        {"End", 0x23},
        {"Home", 0x24},
        {"Left", 0x25},
        {"Up", 0x26},
        {"Right", 0x27},
        {"Down", 0x28},
        {"Insert", 0x2D},
        {"Delete", 0x2E},
        {"Pause", 0x13},
    };
    for (const Case& c : cases)
    {
        const int32_t key = SdlKeyFromName(c.name);
        ASSERT_NE(key, 0) << c.name;
        EXPECT_EQ(VirtualKeyFromSdlKey(key), c.vk) << c.name;
    }
    EXPECT_EQ(SdlKeyFromName("no such key"), 0);
    EXPECT_EQ(VirtualKeyFromSdlKey(0), 0u);
}

TEST_F(MessagesTest, KeyRecordsBecomePlainOrSystemKeyMessages)
{
    struct Case
    {
        InputEventType type;
        const char* name;
        uint32_t modifiers;
        bool repeat;
        uint32_t message;
        uint32_t vk;
        uint32_t highBits; // lParam bits 29..31
    } cases[] = {
        {InputEventType::KeyDown, "A", 0, false, WM_KEYDOWN, 'A', 0},
        {InputEventType::KeyDown, "A", 0, true, WM_KEYDOWN, 'A', 2},
        {InputEventType::KeyUp, "A", 0, false, WM_KEYUP, 'A', 6},
        {InputEventType::KeyDown, "A", kModShift | kModCtrl, false, WM_KEYDOWN, 'A', 0},
        {InputEventType::KeyDown, "F4", kModAlt, false, WM_SYSKEYDOWN, VK_F4, 1},
        {InputEventType::KeyUp, "F4", kModAlt, false, WM_SYSKEYUP, VK_F4, 7},
        {InputEventType::KeyDown, "Return", kModAlt, false, WM_SYSKEYDOWN, VK_RETURN, 1},
        {InputEventType::KeyDown, "F10", 0, false, WM_SYSKEYDOWN, VK_F10, 0},
        {InputEventType::KeyDown, "Left Alt", kModAlt, false, WM_SYSKEYDOWN, VK_MENU, 1},
        {InputEventType::KeyUp, "Left Alt", 0, false, WM_SYSKEYUP, VK_MENU, 6},
        // Ctrl+Alt is how AltGr arrives: a plain key.
        {InputEventType::KeyDown, "Q", kModAlt | kModCtrl, false, WM_KEYDOWN, 'Q', 1},
    };
    for (const Case& c : cases)
    {
        const std::vector<MSG> out = Translate(Key(c.type, c.name, c.modifiers, c.repeat), mMain);
        ASSERT_EQ(out.size(), 1u) << c.name;
        EXPECT_EQ(out[0].hwnd, mMain);
        EXPECT_EQ(out[0].message, c.message) << c.name;
        EXPECT_EQ(out[0].wParam, c.vk) << c.name;
        const uint32_t bits = uint32_t(out[0].lParam);
        EXPECT_EQ(bits & 0xFFFF, 1u) << "repeat count";
        EXPECT_EQ((bits >> 16) & 0xFF, 0x1Eu) << "scan code";
        EXPECT_EQ(bits >> 29, c.highBits) << c.name;
    }
    // A key without a virtual key makes nothing.
    InputEvent unknown;
    unknown.type = InputEventType::KeyDown;
    unknown.key = 0x40000000 | 0x1FF;
    EXPECT_TRUE(Translate(unknown, mMain).empty());
}

TEST_F(MessagesTest, TextBecomesCharactersUpTo255)
{
    struct Case
    {
        std::string text;
        uint32_t modifiers;
        std::vector<uint32_t> chars;
    } cases[] = {
        {"a", 0, {'a'}},
        {"A~", kModShift, {'A', '~'}},
        {"\xC3\xA9", 0, {0xE9}},           // e acute, two bytes
        {"x\xE2\x82\xACy", 0, {'x', 'y'}}, // the euro sign is above 255
        {"\xF0\x9F\x98\x80!", 0, {'!'}},   // four-byte code point dropped
        {"\xC3", 0, {}},                   // truncated
        {"\x80q\xC0\xAFr", 0, {'q', 'r'}}, // stray continuation, overlong '/'
        {"\xED\xA0\x80s", 0, {'s'}},       // a surrogate is not a character
        {"b", kModAlt, {}},                // Alt+key is a system character instead
        {"@", kModAlt | kModCtrl, {'@'}},  // AltGr typing
    };
    for (const Case& c : cases)
    {
        InputEvent e;
        e.type = InputEventType::Text;
        e.text = c.text;
        e.modifiers = c.modifiers;
        std::vector<uint32_t> got;
        for (const MSG& m : Translate(e, mMain))
        {
            EXPECT_EQ(m.message, WM_CHAR);
            got.push_back(uint32_t(m.wParam));
        }
        EXPECT_EQ(got, c.chars) << c.text;
    }
}

TEST_F(MessagesTest, MousePositionsAreMappedThroughTheLetterbox)
{
    // Picture drawn at twice the size, 100 pixels from the left and 20 from the top of the window.
    const MouseMapping mapping{100, 20, 2};
    struct Case
    {
        int x, y;
        int lx, ly;
        bool setCursor; // inside the 800x600 client area
    } cases[] = {
        {100, 20, 0, 0, true},      {101, 21, 0, 0, true},        {99, 19, -1, -1, false},
        {98, 18, -1, -1, false},    {97, 17, -2, -2, false},      {0, 0, -50, -10, false},
        {301, 221, 100, 100, true}, {1699, 1219, 799, 599, true}, {1700, 1220, 800, 600, false},
    };
    for (const Case& c : cases)
    {
        const POINT p = MapWindowToLogical(c.x, c.y, mapping);
        EXPECT_EQ(p.x, c.lx) << c.x;
        EXPECT_EQ(p.y, c.ly) << c.y;
        InputEvent e;
        e.type = InputEventType::MouseMove;
        e.x = c.x;
        e.y = c.y;
        e.buttonsHeld = MK_LBUTTON;
        e.modifiers = kModShift;
        const std::vector<MSG> out = Translate(e, mMain, mapping);
        ASSERT_EQ(out.size(), c.setCursor ? 2u : 1u);
        if (c.setCursor)
        {
            EXPECT_EQ(out[0].message, WM_SETCURSOR);
        }
        const MSG& move = out.back();
        EXPECT_EQ(move.message, WM_MOUSEMOVE);
        EXPECT_EQ(GET_X_LPARAM(move.lParam), c.lx);
        EXPECT_EQ(GET_Y_LPARAM(move.lParam), c.ly);
        EXPECT_EQ(move.wParam, MK_LBUTTON | MK_SHIFT);
        // The message's point is in screen coordinates: the client origin is (100, 50).
        EXPECT_EQ(move.pt.x, c.lx + 100);
        EXPECT_EQ(move.pt.y, c.ly + 50);
    }
    // A scale of 0 (no present yet) behaves as 1.
    const POINT p = MapWindowToLogical(7, 9, MouseMapping{0, 0, 0});
    EXPECT_EQ(p.x, 7);
    EXPECT_EQ(p.y, 9);

    // Full screen on 1280x1024: the 800x600 picture shown at 1280x960 (1.6 times), 32 pixels from the top.
    const MouseMapping smooth{0, 32, 1, 800, 600, 1280, 960};
    const struct
    {
        int x, y, lx, ly;
    } scaled[] = {{0, 32, 0, 0},         {1, 33, 0, 0},    {2, 34, 1, 1},       {1279, 991, 799, 599},
                  {1280, 992, 800, 600}, {-1, 31, -1, -1}, {640, 512, 400, 300}};
    for (const auto& c : scaled)
    {
        const POINT q = MapWindowToLogical(c.x, c.y, smooth);
        EXPECT_EQ(q.x, c.lx) << c.x;
        EXPECT_EQ(q.y, c.ly) << c.y;
    }
}

TEST_F(MessagesTest, ClickCountsGiveDoubleClicksOnlyWhenTheClassAsks)
{
    struct Case
    {
        InputEventType type;
        MouseButton button;
        int clicks;
        bool dblClass;
        uint32_t message; // 0 = nothing
    } cases[] = {
        {InputEventType::MouseDown, MouseButton::Left, 1, true, WM_LBUTTONDOWN},
        {InputEventType::MouseDown, MouseButton::Left, 2, true, WM_LBUTTONDBLCLK},
        {InputEventType::MouseDown, MouseButton::Left, 3, true, WM_LBUTTONDOWN},
        {InputEventType::MouseDown, MouseButton::Left, 4, true, WM_LBUTTONDBLCLK},
        {InputEventType::MouseDown, MouseButton::Left, 2, false, WM_LBUTTONDOWN},
        {InputEventType::MouseDown, MouseButton::Right, 1, true, WM_RBUTTONDOWN},
        {InputEventType::MouseDown, MouseButton::Right, 2, true, WM_RBUTTONDBLCLK},
        {InputEventType::MouseDown, MouseButton::Middle, 1, true, WM_MBUTTONDOWN},
        {InputEventType::MouseDown, MouseButton::Middle, 2, true, WM_MBUTTONDOWN},
        {InputEventType::MouseDown, MouseButton::Other, 1, true, 0},
        {InputEventType::MouseUp, MouseButton::Left, 2, true, WM_LBUTTONUP},
        {InputEventType::MouseUp, MouseButton::Right, 1, true, WM_RBUTTONUP},
        {InputEventType::MouseUp, MouseButton::Middle, 1, true, WM_MBUTTONUP},
    };
    for (const Case& c : cases)
    {
        InputEvent e;
        e.type = c.type;
        e.button = c.button;
        e.clicks = c.clicks;
        e.x = -3;
        e.y = 7;
        const std::vector<MSG> out = Translate(e, mMain, {}, c.dblClass);
        if (c.message == 0)
        {
            EXPECT_TRUE(out.empty());
            continue;
        }
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].message, c.message) << int(c.button) << " " << c.clicks;
        EXPECT_EQ(GET_X_LPARAM(out[0].lParam), -3);
        EXPECT_EQ(GET_Y_LPARAM(out[0].lParam), 7);
    }
}

TEST_F(MessagesTest, WheelNotchesAre120Each)
{
    struct Case
    {
        int notches;
        bool flipped;
        int delta;
    } cases[] = {{1, false, 120}, {-2, false, -240},      {3, true, -360},
                 {0, false, 0},   {100000, false, 32760}, {-100000, false, -32760}};
    for (const Case& c : cases)
    {
        InputEvent e;
        e.type = InputEventType::Wheel;
        e.wheel = c.notches;
        e.flipped = c.flipped;
        e.x = 10;
        e.y = 20;
        e.modifiers = kModCtrl;
        const std::vector<MSG> out = Translate(e, mMain);
        if (c.delta == 0)
        {
            EXPECT_TRUE(out.empty());
            continue;
        }
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].message, WM_MOUSEWHEEL);
        EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(out[0].wParam), c.delta);
        EXPECT_EQ(LOWORD(out[0].wParam), MK_CONTROL);
        // The wheel's position is on the screen.
        EXPECT_EQ(GET_X_LPARAM(out[0].lParam), 110);
        EXPECT_EQ(GET_Y_LPARAM(out[0].lParam), 70);
    }
}

TEST_F(MessagesTest, WindowRecordsBecomeStateMessages)
{
    struct Case
    {
        InputEventType type;
        uint32_t message;
        WPARAM wParam;
    } cases[] = {
        {InputEventType::Minimized, WM_SIZE, SIZE_MINIMIZED},
        {InputEventType::Maximized, WM_SIZE, SIZE_MAXIMIZED},
        {InputEventType::Restored, WM_SIZE, SIZE_RESTORED},
        {InputEventType::Exposed, WM_PAINT, 0},
        {InputEventType::CloseWindow, WM_CLOSE, 0},
        {InputEventType::Quit, WM_CLOSE, 0},
        {InputEventType::FocusGained, WM_ACTIVATEAPP, 1},
        {InputEventType::FocusLost, WM_ACTIVATEAPP, 0},
        {InputEventType::DisplayChanged, WM_DISPLAYCHANGE, 32},
        {InputEventType::Moved, WM_MOVE, 0},
    };
    for (const Case& c : cases)
    {
        InputEvent e;
        e.type = c.type;
        e.x = 30;
        e.y = 40;
        const std::vector<MSG> out = Translate(e, mMain);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].message, c.message);
        EXPECT_EQ(out[0].wParam, c.wParam);
    }
    InputEvent moved;
    moved.type = InputEventType::Moved;
    moved.x = 30;
    moved.y = 40;
    EXPECT_EQ(Translate(moved, mMain)[0].lParam, MAKELPARAM(30, 40));
    InputEvent leave;
    leave.type = InputEventType::Leave;
    EXPECT_TRUE(Translate(leave, mMain).empty());
}

// ---- The pump ------------------------------------------------------------------------------------------------------

TEST_F(MessagesTest, AltF4PostsCloseButOtherSystemKeysDoNot)
{
    struct Case
    {
        uint32_t message;
        WPARAM vk;
        bool closes;
    } cases[] = {{WM_SYSKEYDOWN, VK_F4, true},         {WM_SYSKEYDOWN, VK_F1, false}, {WM_SYSKEYDOWN, VK_RETURN, false},
                 {WM_KEYDOWN, VK_F4, false},           {WM_SYSKEYUP, VK_F4, false},   {WM_SYSCOMMAND, SC_CLOSE, true},
                 {WM_SYSCOMMAND, SC_SCREENSAVE, false}};
    for (const Case& c : cases)
    {
        gCalls.clear();
        InjectMessage(mMain, c.message, c.vk, 0);
        Drain(false);
        int closes = 0;
        for (const Call& call : gCalls) closes += call.message == WM_CLOSE;
        EXPECT_EQ(closes, c.closes ? 1 : 0) << std::hex << c.message << " " << c.vk;
        if (c.closes) break; // default handling of WM_CLOSE destroyed the window
    }
    EXPECT_FALSE(IsWindow(mMain));
    // The window received WM_DESTROY on its way out.
    ASSERT_FALSE(gCalls.empty());
    EXPECT_EQ(gCalls.back().message, WM_DESTROY);
}

TEST_F(MessagesTest, TranslateMakesCharactersThatArriveRightAfterTheirKey)
{
    struct Case
    {
        std::vector<std::pair<uint32_t, WPARAM>> keys;  // injected in order
        std::vector<std::pair<uint32_t, WPARAM>> chars; // character messages produced, in order
    } cases[] = {
        {{{WM_KEYDOWN, VK_BACK}}, {{WM_CHAR, 8}}},
        {{{WM_KEYDOWN, VK_TAB}}, {{WM_CHAR, 9}}},
        {{{WM_KEYDOWN, VK_RETURN}}, {{WM_CHAR, 13}}},
        {{{WM_KEYDOWN, VK_ESCAPE}}, {{WM_CHAR, 27}}},
        {{{WM_KEYDOWN, 'A'}}, {}}, // plain letters come from the text stream
        {{{WM_KEYDOWN, VK_CONTROL}, {WM_KEYDOWN, 'A'}}, {{WM_CHAR, 1}}},
        {{{WM_KEYDOWN, VK_CONTROL}, {WM_KEYDOWN, 'Z'}}, {{WM_CHAR, 26}}},
        {{{WM_KEYDOWN, VK_CONTROL}, {WM_KEYUP, VK_CONTROL}, {WM_KEYDOWN, 'C'}}, {}},
        {{{WM_KEYDOWN, VK_CONTROL}, {WM_KEYDOWN, '5'}}, {}},
        {{{WM_SYSKEYDOWN, 'R'}}, {{WM_SYSCHAR, 'r'}}},
        {{{WM_SYSKEYDOWN, VK_RETURN}}, {{WM_SYSCHAR, 13}}},
        {{{WM_SYSKEYDOWN, '7'}}, {{WM_SYSCHAR, '7'}}},
        {{{WM_SYSKEYDOWN, VK_F10}}, {}},
        {{{WM_SYSKEYDOWN, VK_MENU}}, {}},
    };
    for (const Case& c : cases)
    {
        ResetWindowLayer();
        WNDCLASS cls;
        cls.lpfnWndProc = RecordingProc;
        cls.className = "MainWindow";
        ASSERT_TRUE(RegisterClass(cls));
        HWND window = CreateWindowEx(0, "MainWindow", "", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
        for (auto [message, vk] : c.keys) InjectMessage(window, message, vk, 0);
        // A later key: a character made by translation must come before it.
        InjectMessage(window, WM_KEYUP, VK_SPACE, 0);
        const std::vector<MSG> msgs = Drain();
        std::vector<std::pair<uint32_t, WPARAM>> chars;
        size_t lastChar = 0;
        for (size_t i = 0; i < msgs.size(); ++i)
        {
            if (msgs[i].message == WM_CHAR || msgs[i].message == WM_SYSCHAR)
            {
                chars.emplace_back(msgs[i].message, msgs[i].wParam);
                lastChar = i;
            }
        }
        EXPECT_EQ(chars, c.chars) << std::hex << c.keys.back().second;
        if (!chars.empty())
        {
            EXPECT_EQ(lastChar, c.keys.size()) << "right after its key";
            EXPECT_EQ(msgs.back().message, WM_KEYUP);
        }
    }
}

TEST_F(MessagesTest, KeyStateFollowsTheMessagesTaken)
{
    InjectMessage(mMain, WM_KEYDOWN, VK_SHIFT, 0);
    EXPECT_EQ(GetKeyState(VK_SHIFT), 0) << "not taken yet";
    Drain();
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    InjectMessage(mMain, WM_KEYUP, VK_SHIFT, 0);
    Drain();
    EXPECT_EQ(GetKeyState(VK_SHIFT), 0);
    EXPECT_EQ(GetKeyState(0x1000), 0);
}

TEST_F(MessagesTest, TimerFiresEvery100MsAndNeverPilesUp)
{
    ASSERT_EQ(SetTimer(mMain, 1, 100, nullptr), 1u);
    auto timers = [&]
    {
        int n = 0;
        for (const MSG& m : Drain())
            if (m.message == WM_TIMER)
            {
                EXPECT_EQ(m.hwnd, mMain);
                EXPECT_EQ(m.wParam, 1u);
                ++n;
            }
        return n;
    };
    AdvanceClock(99);
    EXPECT_EQ(timers(), 0);
    AdvanceClock(1);
    EXPECT_EQ(timers(), 1);
    EXPECT_EQ(timers(), 0);
    // A five-second stall gets one timer message, not fifty.
    AdvanceClock(5000);
    EXPECT_EQ(timers(), 1);
    AdvanceClock(99);
    EXPECT_EQ(timers(), 0);
    AdvanceClock(1);
    EXPECT_EQ(timers(), 1);
    // Posted and input messages go first; the timer waits behind them.
    AdvanceClock(100);
    InjectMessage(mMain, WM_KEYDOWN, 'A', 0);
    InjectMessage(mMain, WM_KEYUP, 'A', 0);
    EXPECT_EQ(Ids(Drain()), (std::vector<uint32_t>{WM_KEYDOWN, WM_KEYUP, WM_TIMER}));
    EXPECT_TRUE(KillTimer(mMain, 1));
    EXPECT_FALSE(KillTimer(mMain, 1));
    AdvanceClock(1000);
    EXPECT_EQ(timers(), 0);
    EXPECT_EQ(SetTimer(nullptr, 1, 100, nullptr), 0u);
}

TEST_F(MessagesTest, TimerSurvivesTheClockWrap)
{
    SetManualClockTime(0xFFFFFFFFu - 50);
    SetTimer(mMain, 7, 100, nullptr);
    AdvanceClock(99);
    EXPECT_TRUE(Drain().empty());
    AdvanceClock(1);
    EXPECT_EQ(Ids(Drain()), (std::vector<uint32_t>{WM_TIMER}));
}

TEST_F(MessagesTest, ExposesCollapseIntoOnePaintAfterOtherMessages)
{
    InjectExpose(mMain);
    InjectExpose(mMain);
    PostMessage(mMain, WM_USER, 0, 0);
    EXPECT_EQ(Ids(Drain()), (std::vector<uint32_t>{WM_USER, WM_PAINT}));
    EXPECT_TRUE(Drain().empty()) << "painted once";
    // Peeking without removal leaves it there.
    InjectExpose(mMain);
    MSG msg;
    EXPECT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_PAINT);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessagesTest, PeekFiltersByWindowAndRange)
{
    PostMessage(mMain, WM_USER, 1, 0);
    PostMessage(mInvis, WM_USER + 1, 2, 0);
    PostMessage(mMain, WM_KEYDOWN, 'A', 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, mInvis, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 2u);
    ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_KEYDOWN, WM_KEYUP, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_KEYDOWN);
    EXPECT_EQ(PendingMessageCount(), 1u);
    EXPECT_FALSE(PostMessage(reinterpret_cast<HWND>(uintptr_t(0x1234)), WM_USER, 0, 0));
}

TEST_F(MessagesTest, WindowsKeepUserDataPlacementAndFrame)
{
    EXPECT_EQ(GetWindowLong(mMain, GWL_USERDATA), 0);
    int app = 0;
    EXPECT_EQ(SetWindowLong(mMain, GWL_USERDATA, reinterpret_cast<intptr_t>(&app)), 0);
    EXPECT_EQ(GetWindowLong(mMain, GWL_USERDATA), reinterpret_cast<intptr_t>(&app));
    EXPECT_EQ(GetWindowLong(mInvis, GWL_USERDATA), 0);

    // The outer rectangle lost its frame: the client is 800x600 at (100, 50).
    RECT client;
    ASSERT_TRUE(GetClientRect(mMain, &client));
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom, 600);
    POINT origin;
    ASSERT_TRUE(ClientToScreen(mMain, &origin));
    EXPECT_EQ(origin.x, 100);
    EXPECT_EQ(origin.y, 50);
    RECT outer{0, 0, 800, 600};
    AdjustWindowRectEx(&outer, WS_OVERLAPPEDWINDOW_NORESIZE, false, 0);
    EXPECT_LT(outer.left, 0);
    EXPECT_LT(outer.top, outer.left) << "the caption is above";
    RECT popup{0, 0, 800, 600};
    AdjustWindowRectEx(&popup, WS_POPUP, false, 0);
    EXPECT_EQ(popup.left, 0);
    EXPECT_EQ(popup.bottom, 600);

    // The message target has no size and never shows.
    ASSERT_TRUE(GetClientRect(mInvis, &client));
    EXPECT_EQ(mInvis->NativeHandle(), nullptr);
    ShowWindow(mInvis, SW_SHOW);
    EXPECT_FALSE(mInvis->IsVisible());

    WINDOWPLACEMENT placement;
    ASSERT_TRUE(GetWindowPlacement(mMain, &placement));
    EXPECT_EQ(placement.showCmd, uint32_t(SW_HIDE));
    EXPECT_FALSE(ShowWindow(mMain, SW_SHOW));
    ASSERT_TRUE(GetWindowPlacement(mMain, &placement));
    EXPECT_EQ(placement.showCmd, uint32_t(SW_SHOWNORMAL));
    EXPECT_EQ(placement.rcNormalPosition.left, 100 + outer.left);
    EXPECT_EQ(placement.rcNormalPosition.top, 50 + outer.top);

    // Moving by the outer rectangle posts WM_MOVE with the new client origin.
    Drain();
    SetWindowPos(mMain, HWND_TOP, 200 + outer.left, 80 + outer.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const std::vector<MSG> moved = Drain();
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(moved[0].message, WM_MOVE);
    EXPECT_EQ(moved[0].lParam, MAKELPARAM(200, 80));
    ASSERT_TRUE(GetClientRect(mMain, &client));
    EXPECT_EQ(client.right, 800);

    // Unknown handles are refused everywhere.
    HWND bogus = reinterpret_cast<HWND>(uintptr_t(0x1234));
    EXPECT_FALSE(GetClientRect(bogus, &client));
    EXPECT_FALSE(GetWindowPlacement(bogus, &placement));
    EXPECT_EQ(SetWindowLong(bogus, GWL_USERDATA, 5), 0);
    EXPECT_EQ(CreateWindowEx(0, "NoClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    WNDCLASS dup;
    dup.lpfnWndProc = RecordingProc;
    dup.className = "MainWindow";
    EXPECT_FALSE(RegisterClass(dup));
}

TEST_F(MessagesTest, ShowStatesPostSizeAndActivationAsTheyChange)
{
    ShowWindow(mMain, SW_SHOW);
    SetForegroundWindow(mMain);
    struct Step
    {
        int command;
        std::vector<std::pair<uint32_t, WPARAM>> messages;
        uint32_t showCmd;
    } steps[] = {
        {SW_SHOWMINIMIZED, {{WM_ACTIVATEAPP, 1}, {WM_SIZE, SIZE_MINIMIZED}, {WM_ACTIVATEAPP, 0}}, SW_SHOWMINIMIZED},
        {SW_SHOWMINIMIZED, {}, SW_SHOWMINIMIZED},
        {SW_RESTORE, {{WM_SIZE, SIZE_RESTORED}}, SW_SHOWNORMAL},
        {SW_RESTORE, {}, SW_SHOWNORMAL},
        {SW_SHOWMAXIMIZED, {{WM_SIZE, SIZE_MAXIMIZED}}, SW_SHOWMAXIMIZED},
        {SW_SHOWNORMAL, {{WM_SIZE, SIZE_RESTORED}}, SW_SHOWNORMAL},
        {SW_HIDE, {}, SW_HIDE},
    };
    for (const Step& step : steps)
    {
        ShowWindow(mMain, step.command);
        std::vector<std::pair<uint32_t, WPARAM>> got;
        for (const MSG& m : Drain()) got.emplace_back(m.message, m.wParam);
        EXPECT_EQ(got, step.messages) << step.command;
        WINDOWPLACEMENT placement;
        GetWindowPlacement(mMain, &placement);
        EXPECT_EQ(placement.showCmd, step.showCmd) << step.command;
        EXPECT_EQ(IsIconic(mMain), step.showCmd == uint32_t(SW_SHOWMINIMIZED));
    }
}

TEST_F(MessagesTest, InjectedStateChangesArriveAsTheOsWouldSendThem)
{
    ShowWindow(mMain, SW_SHOW);
    InjectFocus(mMain, true);
    InjectFocus(mMain, true); // no change, nothing
    InjectMinimize(mMain);
    InjectRestore(mMain);
    InjectMaximize(mMain);
    InjectMove(mMain, 300, 40);
    InjectDisplayChange();
    InjectClose(mMain);
    POINT origin;
    ClientToScreen(mMain, &origin);
    EXPECT_EQ(origin.x, 300);
    EXPECT_EQ(origin.y, 40);
    std::vector<std::pair<uint32_t, WPARAM>> got;
    for (const MSG& m : Drain()) got.emplace_back(m.message, m.wParam);
    const std::vector<std::pair<uint32_t, WPARAM>> want = {{WM_ACTIVATEAPP, 1},       {WM_SIZE, SIZE_MINIMIZED},
                                                           {WM_ACTIVATEAPP, 0},       {WM_SIZE, SIZE_RESTORED},
                                                           {WM_SIZE, SIZE_MAXIMIZED}, {WM_MOVE, 0},
                                                           {WM_DISPLAYCHANGE, 32},    {WM_CLOSE, 0}};
    EXPECT_EQ(got, want);
    EXPECT_FALSE(IsWindow(mMain)) << "default handling of the close destroyed it";
}

TEST_F(MessagesTest, CursorPositionAndWindowUnderItFollowTheMouse)
{
    ShowWindow(mMain, SW_SHOW);
    struct Case
    {
        int x, y; // client coordinates of an injected move
        bool inside;
    } cases[] = {{0, 0, true}, {799, 599, true}, {800, 10, false}, {10, 600, false}, {-1, 5, false}};
    for (const Case& c : cases)
    {
        InjectMessage(mMain, WM_MOUSEMOVE, 0, MAKELPARAM(c.x, c.y));
        POINT p;
        ASSERT_TRUE(GetCursorPos(&p));
        EXPECT_EQ(p.x, c.x + 100);
        EXPECT_EQ(p.y, c.y + 50);
        EXPECT_EQ(WindowFromPoint(p), c.inside ? mMain : nullptr) << c.x << "," << c.y;
    }
    // Over the client area's place, but the pointer is on another window.
    SetHeadlessCursor(POINT{150, 100}, false);
    EXPECT_EQ(WindowFromPoint(POINT{150, 100}), nullptr);
    SetHeadlessCursor(POINT{150, 100}, true);
    EXPECT_EQ(WindowFromPoint(POINT{150, 100}), mMain);
    ShowWindow(mMain, SW_HIDE);
    EXPECT_EQ(WindowFromPoint(POINT{150, 100}), nullptr);
    // Injected input stamps the last-input tick.
    AdvanceClock(250);
    InjectMessage(mMain, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_EQ(GetLastInputTick(), GetTickCount());
    Drain();
}

TEST_F(MessagesTest, CaptureIsHeldUntilReleased)
{
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(SetCapture(mMain), nullptr);
    EXPECT_EQ(GetCapture(), mMain);
    EXPECT_EQ(SetCapture(mMain), mMain);
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
    SetCapture(mMain);
    DestroyWindow(mMain);
    EXPECT_EQ(GetCapture(), nullptr) << "a destroyed window holds no capture";
}

TEST_F(MessagesTest, DestroyWindowDropsItsMessagesAndTimers)
{
    PostMessage(mMain, WM_USER, 0, 0);
    PostMessage(mInvis, WM_USER, 0, 0);
    SetTimer(mMain, 1, 100, nullptr);
    EXPECT_TRUE(DestroyWindow(mMain));
    EXPECT_FALSE(DestroyWindow(mMain));
    AdvanceClock(200);
    const std::vector<MSG> left = Drain();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].hwnd, mInvis);
    MSG dead;
    dead.hwnd = mMain;
    dead.message = WM_USER;
    EXPECT_EQ(DispatchMessage(&dead), 0);
}

TEST_F(MessagesTest, SignalsBecomeCloseAndEndSession)
{
    InstallCloseSignals();
    std::raise(SIGTERM);
    std::vector<MSG> msgs = Drain(false);
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].message, WM_CLOSE);
    EXPECT_EQ(msgs[0].hwnd, mMain) << "to the main window, not the message target";
    std::raise(SIGHUP);
    msgs = Drain(false);
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].message, WM_ENDSESSION);
    std::raise(SIGINT);
    EXPECT_EQ(Ids(Drain(false)), (std::vector<uint32_t>{WM_CLOSE}));
}

TEST_F(MessagesTest, RegisteredBroadcastReachesEveryWindowOnce)
{
    OverrideHeadlessVideo(true);
    const uint32_t notify = RegisterWindowMessage("MessagesTestNotify");
    ASSERT_GE(notify, 0xC000u);
    ASSERT_TRUE(ListenForBroadcast(notify));
    EXPECT_TRUE(PostMessage(HWND_BROADCAST, notify, 0, 0));
    std::vector<HWND> targets;
    for (const MSG& m : Drain(false))
    {
        EXPECT_EQ(m.message, notify);
        targets.push_back(m.hwnd);
    }
    EXPECT_EQ(targets, (std::vector<HWND>{mMain, mInvis}));
    // A plain message goes to every window directly.
    PostMessage(HWND_BROADCAST, WM_USER, 0, 0);
    EXPECT_EQ(Drain(false).size(), 2u);
    StopListening();
    OverrideHeadlessVideo(std::nullopt);
}

// ---- Cursors -------------------------------------------------------------------------------------------------------

TEST_F(MessagesTest, BuiltInHandsHaveTheirHotSpotsOnTheShape)
{
    struct Case
    {
        const CursorMasks& masks;
        int hotX, hotY;
    } cases[] = {{HandCursorMasks(), 11, 4}, {DraggingHandCursorMasks(), 15, 10}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.masks.hotX, c.hotX);
        EXPECT_EQ(c.masks.hotY, c.hotY);
        HCURSOR cursor = CreateCursor(nullptr, c.masks.hotX, c.masks.hotY, 32, 32, c.masks.andMask, c.masks.xorMask);
        ASSERT_NE(cursor, nullptr);
        EXPECT_EQ(cursor->kind, CursorKind::Mask);
        EXPECT_NE(MaskCursorPixel(*cursor, c.hotX, c.hotY), 0) << "the hot spot is on the drawn shape";
        EXPECT_EQ(MaskCursorPixel(*cursor, 0, 0), 0) << "corners are transparent";
        EXPECT_EQ(MaskCursorPixel(*cursor, 31, 31), 0);
        int black = 0, white = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
            {
                black += MaskCursorPixel(*cursor, x, y) == 1;
                white += MaskCursorPixel(*cursor, x, y) == 2;
            }
        EXPECT_GT(black, 20);
        EXPECT_GT(white, 50);
        EXPECT_TRUE(DestroyCursor(cursor));
    }
}

TEST_F(MessagesTest, MaskPlanesFollowTheTwoPlaneRule)
{
    // One row of 8 pixels: AND 1100 1100, XOR 1010 1010 -> inverted, transparent, white, black, ...
    const uint8_t andMask[2] = {0xCC, 0xFF};
    const uint8_t xorMask[2] = {0xAA, 0x00};
    HCURSOR cursor = CreateCursor(nullptr, 0, 0, 8, 2, andMask, xorMask);
    ASSERT_NE(cursor, nullptr);
    const int want[8] = {3, 0, 2, 1, 3, 0, 2, 1};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(MaskCursorPixel(*cursor, x, 0), want[x]) << x;
    EXPECT_EQ(MaskCursorPixel(*cursor, 8, 0), 0) << "outside";

    struct Bad
    {
        int w, h, hx, hy;
    } bad[] = {{0, 32, 0, 0}, {12, 32, 0, 0}, {32, 0, 0, 0}, {264, 8, 0, 0}, {32, 32, 32, 0}, {32, 32, 0, -1}};
    const std::vector<uint8_t> plane(264 * 32 / 8);
    for (const Bad& b : bad)
        EXPECT_EQ(CreateCursor(nullptr, b.hx, b.hy, b.w, b.h, plane.data(), plane.data()), nullptr) << b.w;
    EXPECT_EQ(CreateCursor(nullptr, 0, 0, 8, 8, nullptr, plane.data()), nullptr);
}

TEST_F(MessagesTest, CurrentCursorAndShowCounter)
{
    HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
    HCURSOR ibeam = LoadCursor(nullptr, IDC_IBEAM);
    ASSERT_NE(arrow, nullptr);
    ASSERT_NE(ibeam, nullptr);
    EXPECT_EQ(LoadCursor(nullptr, 32514), nullptr);
    EXPECT_EQ(GetCursor(), arrow);
    EXPECT_EQ(SetCursor(ibeam), arrow);
    EXPECT_EQ(SetCursor(nullptr), ibeam);
    EXPECT_EQ(GetCursor(), nullptr);
    EXPECT_FALSE(DestroyCursor(arrow)) << "system cursors stay";

    const CursorMasks& hand = HandCursorMasks();
    HCURSOR handCursor = CreateCursor(nullptr, hand.hotX, hand.hotY, 32, 32, hand.andMask, hand.xorMask);
    SetCursor(handCursor);
    EXPECT_TRUE(DestroyCursor(handCursor));
    EXPECT_EQ(GetCursor(), nullptr) << "destroying the current cursor leaves none";

    EXPECT_EQ(ShowCursor(false), -1);
    EXPECT_EQ(ShowCursor(false), -2);
    EXPECT_EQ(ShowCursor(true), -1);
    EXPECT_EQ(ShowCursor(true), 0);
}

TEST_F(MessagesTest, ColourCursorsScaleWithThePicture)
{
    const uint32_t pixels[4] = {0xFF000001, 0xFF000002, 0xFF000003, 0x00000000};
    HCURSOR cursor = CreateColorCursor(pixels, 2, 2, 1, 0, 3);
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor->kind, CursorKind::Color);
    EXPECT_EQ(cursor->width, 6);
    EXPECT_EQ(cursor->height, 6);
    EXPECT_EQ(cursor->hotX, 3);
    EXPECT_EQ(cursor->hotY, 0);
    const uint32_t want[6] = {1, 1, 1, 2, 2, 2};
    for (int x = 0; x < 6; ++x) EXPECT_EQ(cursor->argb[size_t(x)] & 0xFF, want[x]);
    EXPECT_EQ(cursor->argb[5 * 6 + 5], 0u);
    // Scale 0 means 1; a scale too large for the size limit is cut down.
    HCURSOR plain = CreateColorCursor(pixels, 2, 2, 0, 0, 0);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->width, 2);
    std::vector<uint32_t> big(200 * 200, 0xFFFFFFFF);
    HCURSOR capped = CreateColorCursor(big.data(), 200, 200, 0, 0, 4);
    ASSERT_NE(capped, nullptr);
    EXPECT_LE(capped->width, 256);
    EXPECT_EQ(CreateColorCursor(pixels, 2, 2, 2, 0, 1), nullptr) << "hot spot outside";
    EXPECT_EQ(CreateColorCursor(nullptr, 2, 2, 0, 0, 1), nullptr);
}

// ---- Desktop -------------------------------------------------------------------------------------------------------

TEST_F(MessagesTest, DesktopMetricsAndTheVirtualModeChange)
{
    HeadlessDisplay().width = 1280;
    HeadlessDisplay().height = 1024;
    HeadlessDisplay().usable = RECT{0, 0, 1280, 984};
    HeadlessDisplay().captionHeight = 24;
    HeadlessDisplay().bitsPerPixel = 24;
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CXFULLSCREEN), 1280);
    EXPECT_EQ(GetSystemMetrics(SM_CYFULLSCREEN), 960);
    DEVMODE mode;
    ASSERT_TRUE(EnumDisplaySettings(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    EXPECT_EQ(mode.dmPelsWidth, 1280u);
    EXPECT_EQ(mode.dmBitsPerPel, 24u);
    EXPECT_EQ(mode.dmDisplayFrequency, 60u);
    EXPECT_FALSE(EnumDisplaySettings(nullptr, 0, &mode)) << "only the current mode is known";

    struct Case
    {
        uint32_t fields;
        uint32_t w, h, bpp;
        int32_t result;
    } cases[] = {
        {DM_PELSWIDTH | DM_PELSHEIGHT, 800, 600, 0, DISP_CHANGE_BADMODE}, // keeps the 24-bit depth
        {DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL, 800, 600, 8, DISP_CHANGE_BADMODE},
        {DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL, 0, 600, 16, DISP_CHANGE_BADMODE},
        {DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL, 800, 600, 16, DISP_CHANGE_SUCCESSFUL},
    };
    for (const Case& c : cases)
    {
        DEVMODE wanted;
        wanted.dmFields = c.fields;
        wanted.dmPelsWidth = c.w;
        wanted.dmPelsHeight = c.h;
        wanted.dmBitsPerPel = c.bpp;
        EXPECT_EQ(ChangeDisplaySettings(&wanted, CDS_FULLSCREEN), c.result) << c.w << "x" << c.h << "x" << c.bpp;
    }
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
    ASSERT_TRUE(EnumDisplaySettings(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    EXPECT_EQ(mode.dmBitsPerPel, 16u);
    EXPECT_EQ(mode.dmDisplayFrequency, 60u);
    std::vector<MSG> msgs = Drain(false);
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].message, WM_DISPLAYCHANGE);
    EXPECT_EQ(msgs[0].lParam, MAKELPARAM(800, 600));

    EXPECT_EQ(ChangeDisplaySettings(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    EXPECT_EQ(Drain(false).size(), 1u);
    EXPECT_EQ(ChangeDisplaySettings(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
    EXPECT_TRUE(Drain(false).empty()) << "nothing to restore, nothing changed";

    SetHeadlessModeChangeFails(true);
    DEVMODE wanted;
    wanted.dmFields = DM_BITSPERPEL;
    wanted.dmBitsPerPel = 32;
    EXPECT_EQ(ChangeDisplaySettings(&wanted, CDS_FULLSCREEN), DISP_CHANGE_FAILED);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
}

TEST_F(MessagesTest, ScreenSaverAnswers)
{
    uint32_t timeout = 99;
    int32_t active = 9, running = 9;
    ASSERT_TRUE(SystemParametersInfo(SPI_GETSCREENSAVETIMEOUT, 0, &timeout, 0));
    ASSERT_TRUE(SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &active, 0));
    ASSERT_TRUE(SystemParametersInfo(SPI_GETSCREENSAVERRUNNING, 0, &running, 0));
    EXPECT_EQ(timeout, 0u);
    EXPECT_EQ(active, 0);
    EXPECT_EQ(running, 0);
    SetHeadlessScreenSaver(300, true, true);
    SystemParametersInfo(SPI_GETSCREENSAVETIMEOUT, 0, &timeout, 0);
    SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    SystemParametersInfo(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    EXPECT_EQ(timeout, 300u);
    EXPECT_EQ(active, 1);
    EXPECT_EQ(running, 1);
    EXPECT_FALSE(SystemParametersInfo(1, 0, &timeout, 0));
    EXPECT_FALSE(SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, nullptr, 0));
    AllowScreenSaver(false);
    EXPECT_FALSE(IsScreenSaverAllowed());
}

} // namespace

// ---- The SDL backend under SDL's dummy video driver (no display needed) -----------------------------------------

TEST(MessagesSdl, MainWindowIsAnSdlWindowAndTheTargetIsNot)
{
    SetEnv("SDL_VIDEODRIVER", "dummy");
    SetVideoBackend(VideoBackend::Sdl);
    ResetWindowLayer();
    WNDCLASS main;
    main.style = CS_DBLCLKS;
    main.lpfnWndProc = RecordingProc;
    main.className = "MainWindow";
    ASSERT_TRUE(RegisterClass(main));
    WNDCLASS invis;
    invis.lpfnWndProc = RecordingProc;
    invis.className = "InvisWindow";
    ASSERT_TRUE(RegisterClass(invis));
    HWND window = CreateWindowEx(0, "MainWindow", "Test", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_NE(window->NativeHandle(), nullptr);
    HWND target = CreateWindowEx(0, "InvisWindow", "Test", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->NativeHandle(), nullptr);

    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    PostMessage(window, WM_USER, 5, 6);
    // Whatever SDL reports for the new window comes first; our posted message is among what the pump hands out.
    MSG msg;
    bool found = false;
    for (int i = 0; i < 100 && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE); ++i)
    {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
        found = found || (msg.message == WM_USER && msg.wParam == 5);
    }
    EXPECT_TRUE(found);
    POINT p;
    EXPECT_TRUE(GetCursorPos(&p));
    SetCapture(window);
    ReleaseCapture();
    const CursorMasks& hand = HandCursorMasks();
    const std::vector<uint32_t> icon(32 * 32, 0xFF336699);
    EXPECT_TRUE(SetWindowIcon(window, icon.data(), 32, 32));
    EXPECT_FALSE(SetWindowIcon(target, nullptr, 32, 32));
    HCURSOR cursor = CreateCursor(nullptr, hand.hotX, hand.hotY, 32, 32, hand.andMask, hand.xorMask);
    SetCursor(cursor);
    SetCursor(LoadCursor(nullptr, IDC_IBEAM));
    EXPECT_TRUE(DestroyCursor(cursor));
    DEVMODE mode;
    ASSERT_TRUE(EnumDisplaySettings(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    EXPECT_TRUE(mode.dmBitsPerPel == 16 || mode.dmBitsPerPel == 32) << mode.dmBitsPerPel;
    ResetWindowLayer();
    SetVideoBackend(VideoBackend::Headless);
}
