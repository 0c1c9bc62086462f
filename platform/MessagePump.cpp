// Window classes and windows, the main thread's message queue, timers, capture, signals and the headless controls.
#include <csignal>

#include <algorithm>
#include <array>
#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Clock.h"
#include "platform/Cursors.h"
#include "platform/Desktop.h"
#include "platform/Instance.h"
#include "platform/Messages.h"
#include "platform/Surfaces.h"
#include "platform/SurfacesInternal.h"
#include "platform/Threads.h"
#include "platform/WindowLayerInternal.h"

namespace Platform
{

namespace
{

struct ClassRecord
{
    uint32_t style = 0;
    WNDPROC proc = nullptr;
    std::string icon;
};

struct WindowRecord
{
    std::unique_ptr<Window> window;
    std::string className;
    WNDPROC proc = nullptr;
    uint32_t classStyle = 0;
    uint32_t style = 0;
    intptr_t userData = 0;
    bool messageOnly = false;
    bool minimized = false;
    bool maximized = false;
    bool needsPaint = false;
};

struct TimerRecord
{
    HWND window = nullptr;
    uintptr_t id = 0;
    uint32_t interval = 0;
    uint32_t nextDue = 0;
    bool pending = false;
};

// Frame of a captioned window when the window manager cannot tell (and always headless).
constexpr int kHeadlessBorder = 4;

std::map<std::string, ClassRecord, std::less<>> gClasses;
std::vector<std::unique_ptr<WindowRecord>> gWindows; // creation order
std::vector<TimerRecord> gTimers;

// PostMessage may come from any thread; everything else here is main-thread only.
std::mutex gQueueMutex;
std::deque<MSG> gQueue;

std::array<bool, 256> gKeyDown{};
HWND gCapture = nullptr;
HWND gForeground = nullptr;
uint32_t gLastInputTick = 0;
bool gTextInputStarted = false;
// Set while the main thread waits in MsgWaitForInput, so a post from another thread knows to wake it.
std::atomic<bool> gMainWaiting{false};

// Headless pointer: both coordinates in one atomic, since the cursor thread reads it while tests move it.
std::atomic<uint64_t> gHeadlessCursorBits{0};
bool gHeadlessOverWindow = false;

void StoreHeadlessCursor(POINT p)
{
    gHeadlessCursorBits.store(uint64_t(uint32_t(p.x)) << 32 | uint32_t(p.y));
}

POINT LoadHeadlessCursor()
{
    const uint64_t bits = gHeadlessCursorBits.load();
    return POINT{int32_t(uint32_t(bits >> 32)), int32_t(uint32_t(bits))};
}

// Signals: set by the handlers, taken by the pump.
std::atomic<bool> gCloseSignal{false};
std::atomic<bool> gEndSessionSignal{false};
bool gSignalsInstalled = false;
struct sigaction gOldTerm, gOldInt, gOldHup;

static_assert(std::atomic<bool>::is_always_lock_free, "signal handlers need a lock-free flag");

extern "C" void OnCloseSignal(int sig)
{
    // A second signal before the first was taken means the program does not answer: end it the default way.
    if (gCloseSignal.exchange(true))
    {
        std::signal(sig, SIG_DFL);
        std::raise(sig);
    }
}

extern "C" void OnHangupSignal(int)
{
    gEndSessionSignal.store(true);
}

WindowRecord* Find(HWND window)
{
    if (!window) return nullptr;
    for (auto& record : gWindows)
        if (record->window.get() == window) return record.get();
    return nullptr;
}

bool IsMessageInput(uint32_t message)
{
    return (message >= WM_KEYDOWN && message <= WM_SYSCHAR) || (message >= WM_MOUSEFIRST && message <= WM_MOUSEWHEEL);
}

bool Matches(const MSG& msg, HWND window, uint32_t filterMin, uint32_t filterMax)
{
    if (window && msg.hwnd != window) return false;
    if (filterMin == 0 && filterMax == 0) return true;
    return msg.message >= filterMin && msg.message <= filterMax;
}

POINT CurrentCursor()
{
    POINT p;
    GetCursorPos(&p);
    return p;
}

void Append(const MSG& msg, bool front = false)
{
    std::lock_guard guard(gQueueMutex);
    if (front)
        gQueue.push_front(msg);
    else
        gQueue.push_back(msg);
}

MSG MakeMsg(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam)
{
    MSG msg;
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    return msg;
}

void PostState(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam)
{
    MSG msg = MakeMsg(window, message, wParam, lParam);
    msg.pt = CurrentCursor();
    QueueOsMessage(msg);
}

// Frame widths for a style: (left, top, right, bottom) to add around the client area.
RECT FrameOf(uint32_t style)
{
    if (style & WS_POPUP) return RECT{};
    if ((style & WS_CAPTION) != WS_CAPTION) return RECT{};
    if (GetVideoBackend() == VideoBackend::Sdl)
    {
        HWND main = MainWindowHandle();
        int top = 0, left = 0, bottom = 0, right = 0;
        if (main && main->NativeHandle() && SdlFrameSize(main->NativeHandle(), top, left, bottom, right))
            return RECT{left, top, right, bottom};
        return RECT{};
    }
    const int caption = HeadlessDisplay().captionHeight;
    return RECT{kHeadlessBorder, kHeadlessBorder + caption, kHeadlessBorder, kHeadlessBorder};
}

bool Headless()
{
    return GetVideoBackend() == VideoBackend::Headless;
}

void ClientSize(const Window& window, int& width, int& height)
{
    RECT r;
    window.GetClientRect(r);
    width = r.right;
    height = r.bottom;
}

void UpdateTimers()
{
    const uint32_t now = GetTickCount();
    for (TimerRecord& timer : gTimers)
    {
        if (int32_t(now - timer.nextDue) >= 0)
        {
            timer.pending = true;
            timer.nextDue = now + timer.interval;
        }
    }
}

void TakeSignals()
{
    if (!gCloseSignal.load() && !gEndSessionSignal.load()) return;
    HWND target = MainWindowHandle();
    if (!target && !gWindows.empty()) target = gWindows.front()->window.get();
    // A signal that came before any window stays pending until there is one to tell.
    if (!target) return;
    const bool close = gCloseSignal.exchange(false);
    const bool endSession = gEndSessionSignal.exchange(false);
    if (endSession) Append(MakeMsg(target, WM_ENDSESSION, 1, 0));
    if (close) Append(MakeMsg(target, WM_CLOSE, 0, 0));
}

void TakeBroadcasts()
{
    BroadcastMessage notice;
    while (PeekBroadcastMessage(notice))
    {
        for (auto& record : gWindows)
            Append(MakeMsg(record->window.get(), notice.message, notice.wParam, notice.lParam));
    }
}

void NoteKey(const MSG& msg)
{
    if (msg.wParam >= gKeyDown.size()) return;
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) gKeyDown[msg.wParam] = true;
    if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) gKeyDown[msg.wParam] = false;
}

void SetMinimized(WindowRecord& record, bool minimized, bool maximized)
{
    record.minimized = minimized;
    record.maximized = maximized;
}

} // namespace

// ---- Internals shared with the SDL event source --------------------------------------------------------------------

HWND MainWindowHandle()
{
    for (auto& record : gWindows)
        if (!record->messageOnly) return record->window.get();
    return nullptr;
}

HWND WindowFromNative(void* native)
{
    if (!native) return nullptr;
    for (auto& record : gWindows)
        if (record->window->NativeHandle() == native) return record->window.get();
    return nullptr;
}

bool ClassWantsDoubleClicks(HWND window)
{
    WindowRecord* record = Find(window);
    return record && (record->classStyle & CS_DBLCLKS);
}

MouseMapping MappingOf(HWND window)
{
    MouseMapping mapping;
    if (!window) return mapping;
    mapping.scale = std::max(1, window->Scale());
    mapping.offsetX = window->LetterboxOffset().x;
    mapping.offsetY = window->LetterboxOffset().y;
    if (window->ShownWidth() > 0 && window->ShownHeight() > 0)
    {
        mapping.logicalWidth = window->PictureWidth();
        mapping.logicalHeight = window->PictureHeight();
        mapping.shownWidth = window->ShownWidth();
        mapping.shownHeight = window->ShownHeight();
    }
    return mapping;
}

void QueueOsMessage(const MSG& msg)
{
    WindowRecord* record = Find(msg.hwnd);
    if (IsMessageInput(msg.message)) gLastInputTick = msg.time;
    switch (msg.message)
    {
    case WM_PAINT:
        // Exposes collapse into one WM_PAINT, handed out when nothing else waits.
        if (record) record->needsPaint = true;
        return;
    case WM_SIZE:
        if (record) SetMinimized(*record, msg.wParam == SIZE_MINIMIZED, msg.wParam == SIZE_MAXIMIZED);
        break;
    case WM_MOVE:
        if (record && !record->messageOnly)
        {
            WindowAccess::X(*record->window) = GET_X_LPARAM(msg.lParam);
            WindowAccess::Y(*record->window) = GET_Y_LPARAM(msg.lParam);
        }
        break;
    case WM_ACTIVATEAPP:
        if (msg.wParam)
            gForeground = msg.hwnd;
        else if (gForeground == msg.hwnd)
            gForeground = nullptr;
        break;
    default:
        break;
    }
    Append(msg);
}

// ---- Classes and windows -------------------------------------------------------------------------------------------

bool RegisterClass(const WNDCLASS& windowClass)
{
    if (windowClass.className.empty() || !windowClass.lpfnWndProc) return false;
    if (gClasses.count(windowClass.className)) return false;
    gClasses[windowClass.className] = ClassRecord{windowClass.style, windowClass.lpfnWndProc, windowClass.icon};
    return true;
}

bool UnregisterClass(const std::string& className)
{
    return gClasses.erase(className) > 0;
}

HWND CreateWindowEx(uint32_t, const std::string& className, const std::string& title, uint32_t style, int x, int y,
                    int width, int height, HWND, void*, void*, void*)
{
    auto cls = gClasses.find(className);
    if (cls == gClasses.end()) return nullptr;
    auto record = std::make_unique<WindowRecord>();
    record->className = className;
    record->proc = cls->second.proc;
    record->classStyle = cls->second.style;
    record->style = style;
    record->messageOnly = width == 0 && height == 0 && (style & ~WS_VISIBLE) == 0;
    if (record->messageOnly)
    {
        record->window = Window::CreateMessageOnly();
    }
    else
    {
        const RECT frame = FrameOf(style);
        record->window = Window::Create(title, x + frame.left, y + frame.top, width - frame.left - frame.right,
                                        height - frame.top - frame.bottom);
        if (!record->window) return nullptr;
        // Every backend answers SIGTERM and SIGINT with an orderly close (settings saved, a recorded demo
        // written), the headless one included: unattended runs are the ones most often ended by a signal.
        InstallCloseSignals();
        if (!Headless())
        {
            if (!gTextInputStarted)
            {
                SdlStartTextInput();
                gTextInputStarted = true;
            }
        }
    }
    HWND handle = record->window.get();
    gWindows.push_back(std::move(record));
    if ((style & WS_VISIBLE) && !gWindows.back()->messageOnly) handle->Show(true);
    return handle;
}

bool DestroyWindow(HWND window)
{
    WindowRecord* record = Find(window);
    if (!record) return false;
    if (record->proc) record->proc(window, WM_DESTROY, 0, 0);
    // The procedure may have destroyed it already.
    auto it = std::find_if(gWindows.begin(), gWindows.end(), [&](auto& r) { return r->window.get() == window; });
    if (it == gWindows.end()) return true;
    {
        std::lock_guard guard(gQueueMutex);
        gQueue.erase(std::remove_if(gQueue.begin(), gQueue.end(), [&](const MSG& m) { return m.hwnd == window; }),
                     gQueue.end());
    }
    gTimers.erase(std::remove_if(gTimers.begin(), gTimers.end(), [&](auto& t) { return t.window == window; }),
                  gTimers.end());
    if (gCapture == window) ReleaseCapture();
    if (gForeground == window) gForeground = nullptr;
    std::unique_ptr<WindowRecord> dying = std::move(*it);
    gWindows.erase(it);
    return true;
}

bool IsWindow(HWND window)
{
    return Find(window) != nullptr;
}

intptr_t SetWindowLong(HWND window, int index, intptr_t value)
{
    WindowRecord* record = Find(window);
    if (!record) return 0;
    intptr_t old = 0;
    if (index == GWL_USERDATA)
    {
        old = record->userData;
        record->userData = value;
    }
    else if (index == GWL_STYLE)
    {
        old = intptr_t(record->style);
        record->style = uint32_t(value);
    }
    return old;
}

intptr_t GetWindowLong(HWND window, int index)
{
    WindowRecord* record = Find(window);
    if (!record) return 0;
    if (index == GWL_USERDATA) return record->userData;
    if (index == GWL_STYLE) return intptr_t(record->style);
    return 0;
}

bool ShowWindow(HWND window, int command)
{
    WindowRecord* record = Find(window);
    if (!record) return false;
    const bool wasVisible = window->IsVisible();
    if (record->messageOnly) return wasVisible;
    void* native = window->NativeHandle();
    int w = 0, h = 0;
    ClientSize(*window, w, h);
    const bool headless = Headless();
    switch (command)
    {
    case SW_HIDE:
        window->Show(false);
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
        if (!wasVisible) window->Show(true);
        if (!record->minimized)
        {
            SetMinimized(*record, true, false);
            if (native) SdlMinimize(native);
            if (headless)
            {
                PostState(window, WM_SIZE, SIZE_MINIMIZED, 0);
                if (gForeground == window) PostState(window, WM_ACTIVATEAPP, 0, 0);
            }
        }
        break;
    case SW_SHOWMAXIMIZED:
        if (!wasVisible) window->Show(true);
        if (!record->maximized)
        {
            SetMinimized(*record, false, true);
            if (native) SdlMaximize(native);
            if (headless) PostState(window, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(w, h));
        }
        break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
        if (!wasVisible) window->Show(true);
        if (record->minimized || record->maximized)
        {
            SetMinimized(*record, false, false);
            if (native) SdlRestore(native);
            if (headless) PostState(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w, h));
        }
        break;
    default: // SW_SHOW and the rest: show in the current state
        if (!wasVisible) window->Show(true);
        break;
    }
    return wasVisible;
}

bool SetForegroundWindow(HWND window)
{
    WindowRecord* record = Find(window);
    if (!record || record->messageOnly) return false;
    if (window->NativeHandle()) SdlRaise(window->NativeHandle());
    if (Headless() && gForeground != window && window->IsVisible() && !record->minimized)
        PostState(window, WM_ACTIVATEAPP, 1, 0);
    return true;
}

HWND SetFocus(HWND window)
{
    HWND previous = gForeground;
    SetForegroundWindow(window);
    return previous;
}

HWND GetForegroundWindow()
{
    return gForeground;
}

bool IsIconic(HWND window)
{
    WindowRecord* record = Find(window);
    return record && record->minimized;
}

bool GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement)
{
    WindowRecord* record = Find(window);
    if (!record || !placement) return false;
    *placement = WINDOWPLACEMENT{};
    placement->showCmd = !window->IsVisible() ? SW_HIDE
                         : record->minimized  ? SW_SHOWMINIMIZED
                         : record->maximized  ? SW_SHOWMAXIMIZED
                                              : SW_SHOWNORMAL;
    GetWindowRect(window, &placement->rcNormalPosition);
    return true;
}

bool GetClientRect(HWND window, RECT* rect)
{
    if (!Find(window) || !rect) return false;
    window->GetClientRect(*rect);
    return true;
}

bool ClientToScreen(HWND window, POINT* point)
{
    if (!Find(window) || !point) return false;
    window->ClientToScreen(*point);
    return true;
}

bool ScreenToClient(HWND window, POINT* point)
{
    if (!Find(window) || !point) return false;
    POINT origin;
    window->ClientToScreen(origin);
    point->x -= origin.x;
    point->y -= origin.y;
    return true;
}

bool GetWindowRect(HWND window, RECT* rect)
{
    WindowRecord* record = Find(window);
    if (!record || !rect) return false;
    POINT origin;
    window->ClientToScreen(origin);
    RECT client;
    window->GetClientRect(client);
    const RECT frame = record->messageOnly ? RECT{} : FrameOf(record->style);
    *rect = RECT{origin.x - frame.left, origin.y - frame.top, origin.x + client.right + frame.right,
                 origin.y + client.bottom + frame.bottom};
    return true;
}

bool AdjustWindowRectEx(RECT* rect, uint32_t style, bool, uint32_t)
{
    if (!rect) return false;
    const RECT frame = FrameOf(style);
    rect->left -= frame.left;
    rect->top -= frame.top;
    rect->right += frame.right;
    rect->bottom += frame.bottom;
    return true;
}

bool SetWindowPos(HWND window, HWND, int x, int y, int width, int height, uint32_t flags)
{
    WindowRecord* record = Find(window);
    if (!record) return false;
    if (record->messageOnly) return true;
    RECT outer;
    GetWindowRect(window, &outer);
    if (flags & SWP_NOMOVE)
    {
        x = outer.left;
        y = outer.top;
    }
    if (flags & SWP_NOSIZE)
    {
        width = outer.right - outer.left;
        height = outer.bottom - outer.top;
    }
    const RECT frame = FrameOf(record->style);
    POINT before;
    window->ClientToScreen(before);
    window->MoveClient(x + frame.left, y + frame.top, width - frame.left - frame.right,
                       height - frame.top - frame.bottom);
    POINT after;
    window->ClientToScreen(after);
    if (after.x != before.x || after.y != before.y) PostState(window, WM_MOVE, 0, MAKELPARAM(after.x, after.y));
    return true;
}

bool MoveWindow(HWND window, int x, int y, int width, int height, bool repaint)
{
    const bool ok = SetWindowPos(window, HWND_TOP, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (ok && repaint) InvalidateRect(window, nullptr, false);
    return ok;
}

bool SetWindowText(HWND window, const std::string& title)
{
    if (!Find(window)) return false;
    if (window->NativeHandle()) SdlSetTitle(window->NativeHandle(), title.c_str());
    return true;
}

bool SetWindowIcon(HWND window, const uint32_t* argb, int width, int height)
{
    if (!Find(window) || !argb || width <= 0 || height <= 0 || width > 1024 || height > 1024) return false;
    if (window->NativeHandle()) SdlSetIcon(window->NativeHandle(), argb, width, height);
    return true;
}

void* BeginPaint(HWND window, PAINTSTRUCT* paint)
{
    WindowRecord* record = Find(window);
    if (!record) return nullptr;
    record->needsPaint = false;
    if (paint)
    {
        *paint = PAINTSTRUCT{};
        paint->hdc = window;
        window->GetClientRect(paint->rcPaint);
    }
    return window;
}

bool EndPaint(HWND window, const PAINTSTRUCT*)
{
    return Find(window) != nullptr;
}

bool InvalidateRect(HWND window, const RECT*, bool)
{
    WindowRecord* record = Find(window);
    if (!record) return false;
    record->needsPaint = true;
    return true;
}

bool EnumWindows(WNDENUMPROC callback, LPARAM lParam)
{
    if (!callback) return false;
    std::vector<HWND> handles;
    for (auto& record : gWindows) handles.push_back(record->window.get());
    for (HWND handle : handles)
        if (Find(handle) && !callback(handle, lParam)) return false;
    return true;
}

// ---- Timers --------------------------------------------------------------------------------------------------------

uintptr_t SetTimer(HWND window, uintptr_t id, uint32_t intervalMs, void*)
{
    if (!Find(window)) return 0;
    intervalMs = std::max<uint32_t>(intervalMs, 10);
    const uint32_t due = GetTickCount() + intervalMs;
    for (TimerRecord& timer : gTimers)
    {
        if (timer.window == window && timer.id == id)
        {
            timer = TimerRecord{window, id, intervalMs, due, false};
            return id;
        }
    }
    gTimers.push_back(TimerRecord{window, id, intervalMs, due, false});
    return id;
}

bool KillTimer(HWND window, uintptr_t id)
{
    auto it = std::find_if(gTimers.begin(), gTimers.end(), [&](auto& t) { return t.window == window && t.id == id; });
    if (it == gTimers.end()) return false;
    gTimers.erase(it);
    return true;
}

// ---- The pump ------------------------------------------------------------------------------------------------------

bool PeekMessage(MSG* msg, HWND window, uint32_t filterMin, uint32_t filterMax, uint32_t removeFlags)
{
    if (!msg) return false;
    // The other instances' sockets are read when the window system is asked: at most every few milliseconds.
    bool askOs = true;
    if (!Headless())
    {
        PumpPendingPresents();
        askOs = SdlPollEvents();
    }
    TakeSignals();
    if (askOs) TakeBroadcasts();
    UpdateTimers();
    const bool remove = (removeFlags & PM_REMOVE) != 0;
    {
        std::lock_guard guard(gQueueMutex);
        for (auto it = gQueue.begin(); it != gQueue.end(); ++it)
        {
            if (!Matches(*it, window, filterMin, filterMax)) continue;
            *msg = *it;
            if (remove)
            {
                gQueue.erase(it);
                NoteKey(*msg);
            }
            return true;
        }
    }
    for (auto& record : gWindows)
    {
        MSG paint = MakeMsg(record->window.get(), WM_PAINT, 0, 0);
        if (!record->needsPaint || !Matches(paint, window, filterMin, filterMax)) continue;
        paint.pt = CurrentCursor();
        *msg = paint;
        if (remove) record->needsPaint = false;
        return true;
    }
    for (TimerRecord& timer : gTimers)
    {
        MSG tick = MakeMsg(timer.window, WM_TIMER, timer.id, 0);
        if (!timer.pending || !Matches(tick, window, filterMin, filterMax)) continue;
        tick.pt = CurrentCursor();
        *msg = tick;
        if (remove) timer.pending = false;
        return true;
    }
    return false;
}

bool TranslateMessage(const MSG* msg)
{
    if (!msg) return false;
    const uint32_t vk = uint32_t(msg->wParam);
    int character = 0;
    uint32_t message = WM_CHAR;
    if (msg->message == WM_KEYDOWN)
    {
        const bool control = GetKeyState(VK_CONTROL) < 0;
        if (vk == VK_BACK || vk == VK_TAB || vk == VK_RETURN || vk == VK_ESCAPE)
            character = int(vk);
        else if (control && vk >= 'A' && vk <= 'Z')
            character = int(vk - 'A' + 1);
    }
    else if (msg->message == WM_SYSKEYDOWN)
    {
        message = WM_SYSCHAR;
        if (vk >= 'A' && vk <= 'Z')
            character = int(vk - 'A' + 'a');
        else if ((vk >= '0' && vk <= '9') || vk == VK_RETURN)
            character = int(vk);
    }
    if (character == 0) return false;
    MSG translated = *msg;
    translated.message = message;
    translated.wParam = WPARAM(character);
    Append(translated, true);
    return true;
}

LRESULT DispatchMessage(const MSG* msg)
{
    if (!msg) return 0;
    WindowRecord* record = Find(msg->hwnd);
    if (!record || !record->proc) return 0;
    return record->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

bool PostMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam)
{
    if (window == HWND_BROADCAST)
    {
        // A registered message travels through the instance channel, which also brings it back to our own windows.
        if (message >= 0xC000) return PostBroadcastMessage(message, wParam, lParam);
        for (auto& record : gWindows) Append(MakeMsg(record->window.get(), message, wParam, lParam));
        return true;
    }
    if (window && !Find(window)) return false;
    Append(MakeMsg(window, message, wParam, lParam));
    if (gMainWaiting.load() && !IsMainThread()) SdlWakeWaiter();
    return true;
}

LRESULT SendMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam)
{
    MSG msg = MakeMsg(window, message, wParam, lParam);
    return DispatchMessage(&msg);
}

LRESULT DefWindowProc(HWND window, uint32_t message, WPARAM wParam, LPARAM)
{
    switch (message)
    {
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4) PostMessage(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) PostMessage(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        if (WindowRecord* record = Find(window)) record->needsPaint = false;
        return 0;
    default:
        return 0;
    }
}

size_t PendingMessageCount()
{
    std::lock_guard guard(gQueueMutex);
    return gQueue.size();
}

void MsgWaitForInput(uint32_t ms)
{
    if (ms == 0) return;
    if (IsManualClock() || Headless())
    {
        Sleep(ms);
        return;
    }
    gMainWaiting.store(true);
    // Looked at once the flag is up: a post from another thread either is seen here or wakes the wait.
    if (PendingMessageCount() == 0 && !SdlWaitEvents(ms)) Sleep(ms);
    gMainWaiting.store(false);
}

uint32_t TimeToNextTimer()
{
    const uint32_t now = GetTickCount();
    uint32_t next = UINT32_MAX;
    for (const TimerRecord& timer : gTimers)
        next = std::min(next, uint32_t(std::max<int32_t>(0, int32_t(timer.nextDue - now))));
    return next;
}

int16_t GetKeyState(uint32_t vk)
{
    if (vk >= gKeyDown.size()) return 0;
    return gKeyDown[vk] ? int16_t(0x8000) : int16_t(0);
}

uint32_t GetLastInputTick()
{
    return gLastInputTick;
}

// ---- Pointer and capture -------------------------------------------------------------------------------------------

HWND SetCapture(HWND window)
{
    HWND previous = gCapture;
    if (!Find(window)) return previous;
    gCapture = window;
    if (window->NativeHandle()) SdlCaptureMouse(true);
    return previous;
}

bool ReleaseCapture()
{
    if (gCapture && gCapture->NativeHandle()) SdlCaptureMouse(false);
    gCapture = nullptr;
    return true;
}

HWND GetCapture()
{
    return gCapture;
}

bool GetCursorPos(POINT* point)
{
    if (!point) return false;
    if (Headless())
    {
        *point = LoadHeadlessCursor();
        return true;
    }
    HWND main = MainWindowHandle();
    int x = 0, y = 0;
    if (main && main->NativeHandle() && SdlPointerOver(main->NativeHandle(), x, y))
    {
        POINT p = MapWindowToLogical(x, y, MappingOf(main));
        main->ClientToScreen(p);
        *point = p;
        return true;
    }
    SdlGlobalPointer(x, y);
    *point = POINT{x, y};
    return true;
}

bool GetCursorPosAsync(POINT* point)
{
    if (!point || !Headless()) return false;
    *point = LoadHeadlessCursor();
    return true;
}

HWND WindowFromPoint(POINT point)
{
    HWND main = MainWindowHandle();
    if (!main || !main->IsVisible()) return nullptr;
    bool over = gHeadlessOverWindow;
    if (!Headless())
    {
        int x = 0, y = 0;
        over = main->NativeHandle() && SdlPointerOver(main->NativeHandle(), x, y);
    }
    if (!over) return nullptr;
    POINT origin;
    main->ClientToScreen(origin);
    RECT client;
    main->GetClientRect(client);
    const int cx = point.x - origin.x;
    const int cy = point.y - origin.y;
    if (cx < 0 || cy < 0 || cx >= client.right || cy >= client.bottom) return nullptr;
    return main;
}

// ---- Signals -------------------------------------------------------------------------------------------------------

void InstallCloseSignals()
{
    if (gSignalsInstalled) return;
    struct sigaction action = {};
    action.sa_handler = OnCloseSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, &gOldTerm);
    sigaction(SIGINT, &action, &gOldInt);
    action.sa_handler = OnHangupSignal;
    sigaction(SIGHUP, &action, &gOldHup);
    gSignalsInstalled = true;
}

namespace
{
void RemoveCloseSignals()
{
    if (!gSignalsInstalled) return;
    sigaction(SIGTERM, &gOldTerm, nullptr);
    sigaction(SIGINT, &gOldInt, nullptr);
    sigaction(SIGHUP, &gOldHup, nullptr);
    gSignalsInstalled = false;
}
} // namespace

// ---- Headless controls ---------------------------------------------------------------------------------------------

void ResetWindowLayer()
{
    while (!gWindows.empty())
    {
        std::unique_ptr<WindowRecord> dying = std::move(gWindows.back());
        gWindows.pop_back();
    }
    gClasses.clear();
    gTimers.clear();
    {
        std::lock_guard guard(gQueueMutex);
        gQueue.clear();
    }
    gKeyDown.fill(false);
    gCapture = nullptr;
    gForeground = nullptr;
    gLastInputTick = 0;
    StoreHeadlessCursor(POINT{});
    gHeadlessOverWindow = false;
    RemoveCloseSignals();
    gCloseSignal.store(false);
    gEndSessionSignal.store(false);
    ResetCursors();
    ResetDesktop();
}

void InjectMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam)
{
    MSG msg = MakeMsg(window, message, wParam, lParam);
    if (message >= WM_MOUSEFIRST && message <= WM_MBUTTONUP && window)
    {
        // The pointer is where the mouse message says; over the window when inside its client area.
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        window->ClientToScreen(p);
        StoreHeadlessCursor(p);
        RECT client;
        window->GetClientRect(client);
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        gHeadlessOverWindow = x >= 0 && y >= 0 && x < client.right && y < client.bottom;
    }
    msg.pt = CurrentCursor();
    QueueOsMessage(msg);
}

void InjectMinimize(HWND window)
{
    WindowRecord* record = Find(window);
    if (!record || record->minimized) return;
    SetMinimized(*record, true, false);
    PostState(window, WM_SIZE, SIZE_MINIMIZED, 0);
    if (gForeground == window) PostState(window, WM_ACTIVATEAPP, 0, 0);
}

void InjectMaximize(HWND window)
{
    WindowRecord* record = Find(window);
    if (!record || record->maximized) return;
    int w = 0, h = 0;
    ClientSize(*window, w, h);
    SetMinimized(*record, false, true);
    PostState(window, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(w, h));
}

void InjectRestore(HWND window)
{
    WindowRecord* record = Find(window);
    if (!record || (!record->minimized && !record->maximized)) return;
    int w = 0, h = 0;
    ClientSize(*window, w, h);
    SetMinimized(*record, false, false);
    PostState(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w, h));
}

void InjectFocus(HWND window, bool gained)
{
    if (!Find(window)) return;
    if (gained == (gForeground == window)) return;
    PostState(window, WM_ACTIVATEAPP, gained ? 1 : 0, 0);
}

void InjectMove(HWND window, int clientX, int clientY)
{
    if (!Find(window)) return;
    PostState(window, WM_MOVE, 0, MAKELPARAM(clientX, clientY));
}

void InjectExpose(HWND window)
{
    InvalidateRect(window, nullptr, false);
}

void InjectClose(HWND window)
{
    if (!Find(window)) return;
    PostState(window, WM_CLOSE, 0, 0);
}

void InjectDisplayChange()
{
    HWND main = MainWindowHandle();
    if (!main) return;
    PostState(main, WM_DISPLAYCHANGE, 32, MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
}

void SetHeadlessCursor(POINT screen, bool overWindow)
{
    StoreHeadlessCursor(screen);
    gHeadlessOverWindow = overWindow;
}

} // namespace Platform
