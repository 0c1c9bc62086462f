// The window procedure, the deferred input queue, demo input records and their replay, focus and playback keys.
#include <cstdlib>

#include "app/ZestAppBase.h"
#include "base/Common.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/Messages.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

using namespace Platform;

namespace
{
bool IsMouseMessage(uint32_t message)
{
    return message >= WM_MOUSEMOVE && message <= WM_MBUTTONUP;
}

// Click code of a mouse button message; 0 for a move.
int ClickCode(uint32_t message)
{
    switch (message)
    {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        return 1;
    case WM_LBUTTONDBLCLK:
        return 2;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        return -1;
    case WM_RBUTTONDBLCLK:
        return -2;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        return 3;
    default:
        return 0;
    }
}

bool IsButtonDown(uint32_t message)
{
    return message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN ||
           message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDOWN;
}

bool IsButtonUp(uint32_t message)
{
    return message == WM_LBUTTONUP || message == WM_RBUTTONUP || message == WM_MBUTTONUP;
}

uint32_t ButtonMessage(int code, bool press)
{
    switch (code)
    {
    case 1:
        return press ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case 2:
        return press ? WM_LBUTTONDBLCLK : WM_LBUTTONUP;
    case -1:
        return press ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    case -2:
        return press ? WM_RBUTTONDBLCLK : WM_RBUTTONUP;
    case 3:
        return press ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    default:
        return WM_MOUSEMOVE;
    }
}

int ButtonBitOf(int code)
{
    if (code == 1 || code == 2) return 1;
    if (code == -1 || code == -2) return 2;
    return 4;
}
} // namespace

LRESULT ZestAppBase::WindowProc(HWND hwnd, uint32_t message, WPARAM wParam, LPARAM lParam)
{
    auto* app = reinterpret_cast<ZestAppBase*>(GetWindowLong(hwnd, GWL_USERDATA));
    if (app == nullptr) return DefWindowProc(hwnd, message, wParam, lParam);
    return app->HandleMessage(hwnd, message, wParam, lParam);
}

LRESULT ZestAppBase::HandleMessage(HWND hwnd, uint32_t message, WPARAM wParam, LPARAM lParam)
{
    // A screen saver ends at the first sign of the user.
    if (mIsScreenSaver)
    {
        static int firstX = INT32_MIN, firstY = INT32_MIN;
        bool take = message == WM_KEYDOWN || message == WM_SYSKEYDOWN || IsButtonDown(message);
        if (message == WM_MOUSEMOVE)
        {
            const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
            if (firstX == INT32_MIN)
            {
                firstX = x;
                firstY = y;
            }
            take = std::abs(x - firstX) > 4 || std::abs(y - firstY) > 4;
        }
        if (take)
        {
            Shutdown();
            return 0;
        }
    }

    switch (message)
    {
    case WM_DESTROY:
        OutputDebugString(FormatString("DESTROYED HWND: %d\r\n", static_cast<int>(reinterpret_cast<intptr_t>(hwnd))));
        return DefWindowProc(hwnd, message, wParam, lParam);
    case WM_ENABLE:
        mWindowDisabled = wParam == 0;
        return DefWindowProc(hwnd, message, wParam, lParam);
    case WM_PAINT:
        if (mInitialized && !mFatalStop && !mCrashed)
        {
            PAINTSTRUCT paint;
            BeginPaint(hwnd, &paint);
            RECT client;
            GetClientRect(hwnd, &client);
            if (mRunning) Redraw(nullptr);
            EndPaint(hwnd, &paint);
            return 0;
        }
        return DefWindowProc(hwnd, message, wParam, lParam);
    case WM_QUERYOPEN:
        if (!CanRestoreWindow()) return 0;
        return DefWindowProc(hwnd, message, wParam, lParam);
    case WM_ERASEBKGND:
        return 1;
    case WM_ENDSESSION:
        // The loop will not get to write the settings: Shutdown does it.
        mWriteSettingsAtShutdown = true;
        Shutdown();
        return DefWindowProc(hwnd, message, wParam, lParam);
    case WM_SETCURSOR:
        if (!mCrashed) ApplyCursor();
        return 1;
    case WM_NCLBUTTONDOWN:
    {
        const LRESULT result = DefWindowProc(hwnd, message, wParam, lParam);
        mTimeAccumulator = 0.0;
        mLastTime = TimeGetTime();
        return result;
    }
    case WM_SYSCHAR:
        if (UsesAltKey(static_cast<int>(wParam))) return 0;
        return DefWindowProc(hwnd, message, wParam, lParam);
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MONITORPOWER)
        {
            mLastPowerRequest = GetTickCount();
            if (!(mMonitorPowerAllowed && mScreenSaverAllowed)) return 0;
            return DefWindowProc(hwnd, message, wParam, lParam);
        }
        if ((wParam & 0xFFF0) == SC_SCREENSAVE)
        {
            if (!(mScreenSaverAllowed && mWindowedNow)) return 0;
            return DefWindowProc(hwnd, message, wParam, lParam);
        }
        return DefWindowProc(hwnd, message, wParam, lParam);
    default:
        break;
    }

    const bool queued = message == WM_MOVE || message == WM_SIZE || message == WM_CLOSE ||
                        message == WM_SYSCOLORCHANGE || message == WM_ACTIVATEAPP || message == WM_DISPLAYCHANGE ||
                        message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR ||
                        message == WM_SYSKEYDOWN || message == WM_SYSKEYUP || message == WM_TIMER ||
                        IsMouseMessage(message) || message == WM_MOUSEWHEEL;
    if (queued)
    {
        if (message == WM_ACTIVATEAPP && !mPlayingDemo && hwnd == mHWnd) mActive = wParam != 0;
        if (mInputBlocked) return DefWindowProc(hwnd, message, wParam, lParam);

        if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN || message == WM_KEYUP || message == WM_SYSKEYUP)
        {
            const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
            if (wParam == VK_CONTROL) mCtrlDown = down;
            if (wParam == VK_MENU) mAltDown = down;
            if (down && DebugKeyDownAsync(static_cast<int>(wParam), mCtrlDown, mAltDown)) return 0;
        }
        if (mPlayingDemo)
        {
            if (message == WM_CHAR) PlaybackKey(static_cast<int>(wParam));
            if (message == WM_KEYDOWN) DebugKeyDown(static_cast<int>(wParam));
        }

        bool append = true;
        if (!mQueue.empty())
        {
            const uint32_t last = mQueue.back().message;
            if (last == WM_CLOSE)
                append = false;
            else if (message == WM_TIMER && last == WM_TIMER)
                return DefWindowProc(hwnd, message, wParam, lParam);
            else if (message == WM_SYSCOLORCHANGE || message == WM_DISPLAYCHANGE)
            {
                for (const QueuedMessage& record : mQueue)
                    if (record.message == WM_SYSCOLORCHANGE || record.message == WM_DISPLAYCHANGE) append = false;
            }
        }
        if (append)
            mQueue.push_back(QueuedMessage{hwnd, message, static_cast<uint32_t>(wParam),
                                           static_cast<uint32_t>(static_cast<uintptr_t>(lParam))});

        if (message == WM_SIZE)
        {
            mMinimized = wParam == SIZE_MINIMIZED;
            return DefWindowProc(hwnd, message, wParam, lParam);
        }
        if (message == WM_SYSKEYDOWN)
        {
            if (wParam != VK_F4) return 0;
            return DefWindowProc(hwnd, message, wParam, lParam);
        }
        if (message == WM_CLOSE)
        {
            CloseRequestAsync();
            return 0;
        }
        return DefWindowProc(hwnd, message, wParam, lParam);
    }

    if (mNotifyMessage != 0 && message == mNotifyMessage && hwnd == mHWnd)
    {
        OnNotifyMessage(wParam, lParam);
        return 0;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

void ZestAppBase::RecordInputMessage(const QueuedMessage& record)
{
    Buffer& out = mDemo.buffer;
    const uint32_t message = record.message;
    switch (message)
    {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // Alt+Enter only switches the display mode, which a replay chooses for itself.
        if (message == WM_SYSKEYDOWN && record.wParam == VK_RETURN) return;
        mDemo.WriteHeader(mUpdateCount, false, DEMO_KEY_DOWN);
        out.WriteByte(static_cast<uint8_t>(record.wParam));
        return;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        mDemo.WriteHeader(mUpdateCount, false, DEMO_KEY_UP);
        out.WriteByte(static_cast<uint8_t>(record.wParam));
        return;
    case WM_CHAR:
        mDemo.WriteHeader(mUpdateCount, false, DEMO_CHAR);
        out.WriteByte(static_cast<uint8_t>(record.wParam));
        return;
    case WM_SIZE:
        mDemo.WriteHeader(mUpdateCount, false, DEMO_MINIMISED);
        out.WriteBits((record.wParam == SIZE_MINIMIZED) ? 1 : 0, 1);
        return;
    case WM_CLOSE:
        if (record.hwnd == mHWnd || record.hwnd == mInvisHWnd) mDemo.WriteHeader(mUpdateCount, false, DEMO_CLOSE);
        return;
    case WM_ACTIVATEAPP:
        if (record.hwnd == mHWnd)
        {
            mDemo.WriteHeader(mUpdateCount, false, DEMO_ACTIVE);
            out.WriteBits((record.wParam != 0) ? 1 : 0, 1);
        }
        return;
    case WM_MOUSEWHEEL:
        mDemo.WriteHeader(mUpdateCount, false, DEMO_WHEEL);
        out.WriteShort(static_cast<int16_t>(GET_WHEEL_DELTA_WPARAM(record.wParam) / WHEEL_DELTA));
        return;
    default:
        break;
    }
    if (!IsMouseMessage(message)) return;
    const int x = GET_X_LPARAM(static_cast<LPARAM>(record.lParam));
    const int y = GET_Y_LPARAM(static_cast<LPARAM>(record.lParam));
    const int dx = x - mLastRecordedX;
    const int dy = y - mLastRecordedY;
    if (std::abs(dx) < 32 && std::abs(dy) < 32)
    {
        if (dx != 0 || dy != 0)
        {
            mDemo.WriteHeader(mUpdateCount, true, DEMO_SHORT_MOVE);
            out.WriteBits(dx, 6);
            out.WriteBits(dy, 6);
        }
    }
    else
    {
        mDemo.WriteHeader(mUpdateCount, false, DEMO_MOUSE_POSITION);
        out.WriteShort(static_cast<int16_t>(x));
        out.WriteShort(static_cast<int16_t>(y));
    }
    if (message != WM_MOUSEMOVE)
    {
        const int index = DemoButtonIndex(ClickCode(message));
        if (index >= 0)
        {
            mDemo.WriteHeader(mUpdateCount, true, DEMO_SHORT_BUTTON);
            out.WriteBits((IsButtonDown(message)) ? 1 : 0, 1);
            out.WriteBits(index, 3);
        }
    }
    mLastRecordedX = x;
    mLastRecordedY = y;
}

bool ZestAppBase::ProcessQueuedInput()
{
    if (mQueue.empty()) return false;
    const QueuedMessage record = mQueue.front();
    mQueue.pop_front();
    if (mRecording && !mShutdown) RecordInputMessage(record);

    const uint32_t message = record.message;
    if (mPlayingDemo && PlaybackWindowOpen()) HandlePlaybackInput(message, record.wParam, record.lParam);
    if (!mPlayingDemo)
    {
        const bool isMain = record.hwnd == mHWnd;
        switch (message)
        {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            DoKeyDown(static_cast<int>(record.wParam), message == WM_SYSKEYDOWN);
            break;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            DoKeyUp(static_cast<int>(record.wParam));
            break;
        case WM_CHAR:
            DoKeyChar(static_cast<int>(record.wParam));
            break;
        case WM_MOVE:
            if (isMain && mIsWindowed)
            {
                WINDOWPLACEMENT placement;
                if (GetWindowPlacement(mHWnd, &placement) &&
                    (placement.showCmd == SW_SHOWNORMAL || placement.showCmd == SW_SHOW))
                {
                    mPreferredX = placement.rcNormalPosition.left;
                    mPreferredY = placement.rcNormalPosition.top;
                }
            }
            break;
        case WM_SIZE:
            if (isMain && !mShutdown)
            {
                DoMinimised(record.wParam == SIZE_MINIMIZED);
                if (record.wParam == SIZE_MAXIMIZED) SwitchScreenMode(false);
            }
            break;
        case WM_SYSCOLORCHANGE:
        case WM_DISPLAYCHANGE:
            mWidgetManager->NotifyTree();
            mWidgetManager->MarkEverythingDirty();
            break;
        case WM_ACTIVATEAPP:
            if (isMain) DoActive(mActive);
            break;
        case WM_TIMER:
            if (mRunning && !mCrashed && !mFatalStop)
            {
                const uint32_t tick = GetTickCount();
                if (tick - mLastTimerTick > 500) mActivityStart = tick;
                mLastTimerTick = tick;
                POINT cursor;
                bool inside = false;
                if (mHWnd && GetCursorPos(&cursor) && WindowFromPoint(cursor) == mHWnd)
                {
                    POINT origin;
                    ClientToScreen(mHWnd, &origin);
                    const int cx = cursor.x - origin.x, cy = cursor.y - origin.y;
                    inside = cx >= 0 && cy >= 0 && cx < mWidth && cy < mHeight;
                }
                if (inside != mMouseInWindow)
                {
                    if (RecordingCalls())
                    {
                        mDemo.WriteHeader(mUpdateCount, false, DEMO_MOUSE_ENTER);
                        mDemo.buffer.WriteBits((inside) ? 1 : 0, 1);
                    }
                    DoMouseEnter(inside);
                }
                if (mURLPending && tick - mActivityStart > 5000)
                {
                    if (!mActive && tick - mURLOpenTick >= 8001)
                        FinishPendingURL();
                    else if (mActive && tick - mURLOpenTick >= 12001)
                        CancelPendingURL();
                }
            }
            break;
        case WM_MOUSEWHEEL:
            mWidgetManager->MouseWheel(GET_WHEEL_DELTA_WPARAM(record.wParam) / WHEEL_DELTA);
            break;
        default:
            if (IsMouseMessage(message) && !mCrashed && !mFatalStop)
                DoMouse(message, GET_X_LPARAM(static_cast<LPARAM>(record.lParam)),
                        GET_Y_LPARAM(static_cast<LPARAM>(record.lParam)));
            break;
        }
    }
    if (message == WM_CLOSE && (record.hwnd == mHWnd || record.hwnd == mInvisHWnd)) DoClose();
    return !mQueue.empty();
}

void ZestAppBase::DoKeyDown(int vk, bool system)
{
    mLastInputUpdate = static_cast<int>(mLastTimerTick);
    if (system && vk == static_cast<int>(VK_RETURN))
    {
        if (!mModeSwitchLocked) SwitchScreenMode(!mIsWindowed);
        RefreshFocus();
        return;
    }
    if (vk == 'D' && mWidgetManager->keyDown[VK_SHIFT] && mWidgetManager->keyDown[VK_CONTROL])
    {
        // The confirmation sound's path names a file of another system: nothing plays here.
        mDebugKeysEnabled = !mDebugKeysEnabled;
    }
    if (mDebugKeysEnabled && DebugKeyDown(vk)) return;
    mWidgetManager->KeyDown(vk);
}

void ZestAppBase::DoKeyUp(int vk)
{
    mLastInputUpdate = static_cast<int>(mLastTimerTick);
    mWidgetManager->KeyUp(vk);
}

void ZestAppBase::DoKeyChar(int c)
{
    mLastInputUpdate = static_cast<int>(mLastTimerTick);
    mWidgetManager->KeyChar(static_cast<char>(c));
}

void ZestAppBase::DoMouse(uint32_t message, int x, int y)
{
    int mx = x, my = y;
    mWidgetManager->MapMouseCoords(mx, my);
    mLastInputUpdate = static_cast<int>(mLastTimerTick);
    // A message at the position already reached moves nothing; skipping it keeps a replay (which records no
    // zero moves) step for step with the recorded run.
    if (mx != mWidgetManager->lastMouseX || my != mWidgetManager->lastMouseY || !mWidgetManager->mouseInWindow)
        mWidgetManager->MouseMove(mx, my);
    if (!mMouseInWindow)
    {
        mMouseInWindow = true;
        if (RecordingCalls())
        {
            mDemo.WriteHeader(mUpdateCount, false, DEMO_MOUSE_ENTER);
            mDemo.buffer.WriteBits((true) ? 1 : 0, 1);
        }
        ApplyCursor();
    }
    const int code = ClickCode(message);
    if (IsButtonDown(message))
    {
        if (mHWnd) SetCapture(mHWnd);
        mWidgetManager->MouseDown(mx, my, code);
    }
    else if (IsButtonUp(message))
    {
        if ((mWidgetManager->downButtons & ~ButtonBitOf(code)) == 0) ReleaseCapture();
        mWidgetManager->MouseUp(mx, my, code);
    }
}

void ZestAppBase::DoMouseEnter(bool entered)
{
    if (!entered)
    {
        mWidgetManager->MouseExit();
    }
    mMouseInWindow = entered;
    ApplyCursor();
}

void ZestAppBase::DoMinimised(bool minimised)
{
    // The window procedure already set the flag when the message arrived; the change is judged against what
    // the queue saw last.
    const bool was = mMinimisedSeen;
    mMinimisedSeen = minimised;
    mMinimized = minimised;
    if (was != minimised)
    {
        if (minimised)
        {
            if (mAutoMuteOnLostFocus) Mute(true);
        }
        else
        {
            if (mAutoMuteOnLostFocus) Unmute(true);
            mWidgetManager->MarkEverythingDirty();
        }
    }
    RefreshFocus();
}

void ZestAppBase::DoActive(bool active)
{
    mActive = active;
    if (mFatalStop || mCrashed || mShutdown) return;
    RefreshFocus();
    if (active && !mWindowedNow) mWidgetManager->MarkEverythingDirty();
}

void ZestAppBase::DoClose()
{
    mClosing = true;
    Shutdown();
}

void ZestAppBase::RefreshFocus()
{
    const bool focus = mActive && !mMinimized;
    if (focus == mHasFocus) return;
    mHasFocus = focus;
    if (focus)
    {
        if (mAutoMuteOnLostFocus) Unmute(true);
        mWidgetManager->GotFocus();
        GotFocus();
    }
    else
    {
        if (mAutoMuteOnLostFocus) Mute(true);
        mWidgetManager->LostFocus();
        LostFocus();
        ReleaseCapture();
        mWidgetManager->ReleaseMouseCapture();
    }
}

void ZestAppBase::OnNotifyMessage(uintptr_t type, intptr_t param)
{
    (void)param;
    if (type != 0 || !mHWnd) return;
    WINDOWPLACEMENT placement;
    if (GetWindowPlacement(mHWnd, &placement) && placement.showCmd == SW_SHOWMINIMIZED) ShowWindow(mHWnd, SW_RESTORE);
    SetForegroundWindow(mHWnd);
}

bool ZestAppBase::UsesAltKey(int key)
{
    if (key >= 'A' && key <= 'Z') key += 'a' - 'A';
    return key == 13 || key == 'r';
}

void ZestAppBase::PlaybackKey(int key)
{
    // While a playback window is open, typed characters are the window's.
    if (PlaybackWindowOpen()) return;
    if (key >= 'a' && key <= 'z') key -= 'a' - 'A';
    const int frame = std::max(1, mFrameTime);
    switch (key)
    {
    case '+':
        mUpdateMultiplier *= 1.5;
        break;
    case '-':
        mUpdateMultiplier /= 1.5;
        break;
    case '=':
        mUpdateMultiplier = 1.0;
        break;
    case '0':
        mDemoJumpTarget = mDemoLength;
        break;
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
    {
        static const int kBackMs[6] = {120000, 90000, 60000, 30000, 10000, 5000};
        mDemoJumpTarget = mDemoLength - kBackMs[key - '4'] / frame;
        break;
    }
    case 'M':
        mFastForward = true;
        break;
    case 'N':
        mDemoJumpTarget = mUpdateCount + 1;
        mSingleStep = true;
        break;
    case 'P':
        mPaused = !mPaused;
        mTimeAccumulator = 0.0;
        mLastTime = TimeGetTime();
        break;
    case 'J':
        OpenJumpToTime();
        break;
    case 'L':
        OpenMarkerList();
        break;
    case 'S':
        SavePlayback();
        break;
    default:
        break;
    }
}

void ZestAppBase::ReplayDueRecords()
{
    if (!mPlayingDemo) return;
    while (!mShutdown && mDemo.PeekHeader() && mDemo.pendingUpdate <= mUpdateCount)
    {
        const int type = mDemo.pendingType;
        if (!mDemo.pendingShort && type == DEMO_LOADING_COMPLETE && !LoadingHandOverPending())
        {
            // A second hand-over (or one in a run without a loader) cannot apply: a damaged demo. Consumed, so
            // the replay goes on instead of waiting for it for ever.
            mDemo.ConsumeHeader();
            continue;
        }
        if (!mDemo.pendingShort && (IsDemoCallRecord(type) || type == DEMO_LOADING_COMPLETE)) return;
        mDemo.ConsumeHeader();
        int32_t a = 0, b = 0;
        bool bit = false;
        if (mDemo.pendingShort)
        {
            if (type == DEMO_SHORT_MOVE)
            {
                if (!mDemo.ReadBitsChecked(6, true, a) || !mDemo.ReadBitsChecked(6, true, b)) return;
                mReplayMouseX += a;
                mReplayMouseY += b;
                DoMouse(WM_MOUSEMOVE, mReplayMouseX, mReplayMouseY);
            }
            else
            {
                if (!mDemo.ReadBit(bit) || !mDemo.ReadBitsChecked(3, false, a)) return;
                const int code = DemoButtonCode(a);
                if (code != 0) DoMouse(ButtonMessage(code, bit), mReplayMouseX, mReplayMouseY);
            }
            continue;
        }
        switch (type)
        {
        case DEMO_INITIAL_STATE:
            if (!mDemo.ReadBitsChecked(8, false, b) || !mDemo.ReadBitsChecked(8, false, a)) return;
            break;
        case DEMO_KEY_DOWN:
            if (!mDemo.ReadBitsChecked(8, false, a)) return;
            DoKeyDown(a, false);
            break;
        case DEMO_KEY_UP:
            if (!mDemo.ReadBitsChecked(8, false, a)) return;
            DoKeyUp(a);
            break;
        case DEMO_CHAR:
            if (!mDemo.ReadBitsChecked(8, false, a)) return;
            DoKeyChar(a);
            break;
        case DEMO_MINIMISED:
            if (!mDemo.ReadBit(bit)) return;
            DoMinimised(bit);
            break;
        case DEMO_CLOSE:
            DoClose();
            break;
        case DEMO_ACTIVE:
            if (!mDemo.ReadBit(bit)) return;
            DoActive(bit);
            break;
        case DEMO_WHEEL:
            if (!mDemo.ReadBitsChecked(16, true, a)) return;
            mWidgetManager->MouseWheel(a);
            break;
        case DEMO_MOUSE_POSITION:
            if (!mDemo.ReadBitsChecked(16, true, a) || !mDemo.ReadBitsChecked(16, true, b)) return;
            mReplayMouseX = a;
            mReplayMouseY = b;
            DoMouse(WM_MOUSEMOVE, a, b);
            break;
        case DEMO_MOUSE_ENTER:
            if (!mDemo.ReadBit(bit)) return;
            DoMouseEnter(bit);
            break;
        case DEMO_MARKER:
        {
            if (!mDemo.ReadBitsChecked(16, true, a) || a < 0 || !mDemo.SkipBytes(a)) return;
            break;
        }
        default:
            // A type this version does not know: nothing after it can be read.
            mDemo.exhausted = true;
            return;
        }
    }
}

void ZestAppBase::WriteDemoMarker(const std::string& text)
{
    if (!RecordingCalls()) return;
    mDemo.WriteHeader(mUpdateCount, false, DEMO_MARKER);
    mDemo.buffer.WriteString(text);
}

} // namespace Zest
