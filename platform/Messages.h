// The window layer: message ids and records, window classes and windows, the message pump, timers and capture.
//
// Implements: window classes with a window procedure, windows made from them (the main window is an SDL window,
// any window whose class has no icon and whose size is 0 is a pure in-process message target), per-window user
// data, show/hide/restore/raise, placement, client rectangle and origin, frame adjustment; one FIFO of messages
// for the main thread fed by posted messages, by the SDL event stream (or, headless, by injected records), by
// SIGTERM/SIGINT, by the single-instance notice, by expose (WM_PAINT) and by timers (WM_TIMER); translation of
// key messages into characters; the default handling the application relies on (Alt+F4 posts WM_CLOSE).
// Leaves out: messages sent across threads, child windows, menus, non-client areas, any message the application
// never reads.
//
// Sizes and positions are in logical pixels (the display size the framework draws at); the SDL backend scales the
// picture up by a whole factor and letterboxes it, and mouse positions come back through the same mapping.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Shell.h"
#include "platform/Window.h"

namespace Platform
{

using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using WNDPROC = LRESULT (*)(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);

// ---- Message ids -------------------------------------------------------------------------------------------------

constexpr uint32_t WM_NULL = 0x0000;
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_MOVE = 0x0003;           // lParam = client x (low word), y (high word)
constexpr uint32_t WM_SIZE = 0x0005;           // wParam = SIZE_*
constexpr uint32_t WM_ENABLE = 0x000A;         // wParam 0 = disabled
constexpr uint32_t WM_PAINT = 0x000F;          // after an expose
constexpr uint32_t WM_CLOSE = 0x0010;          // window close, quit, SIGTERM/SIGINT, Alt+F4
constexpr uint32_t WM_QUERYOPEN = 0x0013;      // never generated
constexpr uint32_t WM_ERASEBKGND = 0x0014;     // never generated
constexpr uint32_t WM_SYSCOLORCHANGE = 0x0015; // never generated
constexpr uint32_t WM_ENDSESSION = 0x0016;     // SIGHUP
constexpr uint32_t WM_ACTIVATEAPP = 0x001C;    // wParam 1 gained / 0 lost
constexpr uint32_t WM_SETCURSOR = 0x0020;      // dispatched before each mouse move inside the client area
constexpr uint32_t WM_DISPLAYCHANGE = 0x007E;
constexpr uint32_t WM_NCLBUTTONDOWN = 0x00A1; // never generated
constexpr uint32_t WM_KEYDOWN = 0x0100;       // wParam = VK_*, lParam = repeat count, scan code, bits 29/30/31
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_CHAR = 0x0102;       // wParam = character 1..255
constexpr uint32_t WM_SYSKEYDOWN = 0x0104; // key down while Alt is held, and F10
constexpr uint32_t WM_SYSKEYUP = 0x0105;
constexpr uint32_t WM_SYSCHAR = 0x0106;    // Alt+key: the lower-case character, 13 for Enter
constexpr uint32_t WM_SYSCOMMAND = 0x0112; // wParam & 0xFFF0 = SC_*
constexpr uint32_t WM_TIMER = 0x0113;      // wParam = timer id
constexpr uint32_t WM_MOUSEFIRST = 0x0200;
constexpr uint32_t WM_MOUSEMOVE = 0x0200; // lParam = signed client x (low word), y (high word); wParam = MK_*
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
constexpr uint32_t WM_MBUTTONDOWN = 0x0207; // a middle double click also arrives as this
constexpr uint32_t WM_MBUTTONUP = 0x0208;
constexpr uint32_t WM_MOUSEWHEEL = 0x020A; // wParam high word = signed delta (WHEEL_DELTA per notch)
constexpr uint32_t WM_USER = 0x0400;

constexpr int WHEEL_DELTA = 120;

// WM_SIZE
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;

// WM_SYSCOMMAND
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_SCREENSAVE = 0xF140;
constexpr WPARAM SC_MONITORPOWER = 0xF170;

// Mouse message wParam bits
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

// ---- Virtual keys --------------------------------------------------------------------------------------------------
// Left and right modifier keys share one code. Digits are '0'..'9' and letters 'A'..'Z' (upper case).

constexpr uint32_t VK_LBUTTON = 0x01;
constexpr uint32_t VK_RBUTTON = 0x02;
constexpr uint32_t VK_MBUTTON = 0x04;
constexpr uint32_t VK_BACK = 0x08;
constexpr uint32_t VK_TAB = 0x09;
constexpr uint32_t VK_RETURN = 0x0D;
constexpr uint32_t VK_SHIFT = 0x10;
constexpr uint32_t VK_CONTROL = 0x11;
constexpr uint32_t VK_MENU = 0x12; // Alt
constexpr uint32_t VK_PAUSE = 0x13;
constexpr uint32_t VK_CAPITAL = 0x14;
constexpr uint32_t VK_ESCAPE = 0x1B;
constexpr uint32_t VK_SPACE = 0x20;
constexpr uint32_t VK_PRIOR = 0x21; // Page Up
constexpr uint32_t VK_NEXT = 0x22;  // Page Down
constexpr uint32_t VK_END = 0x23;
constexpr uint32_t VK_HOME = 0x24;
constexpr uint32_t VK_LEFT = 0x25;
constexpr uint32_t VK_UP = 0x26;
constexpr uint32_t VK_RIGHT = 0x27;
constexpr uint32_t VK_DOWN = 0x28;
constexpr uint32_t VK_SNAPSHOT = 0x2C;
constexpr uint32_t VK_INSERT = 0x2D;
constexpr uint32_t VK_DELETE = 0x2E;
constexpr uint32_t VK_NUMPAD0 = 0x60; // ..VK_NUMPAD9 = 0x69
constexpr uint32_t VK_MULTIPLY = 0x6A;
constexpr uint32_t VK_ADD = 0x6B;
constexpr uint32_t VK_SUBTRACT = 0x6D;
constexpr uint32_t VK_DECIMAL = 0x6E;
constexpr uint32_t VK_DIVIDE = 0x6F;
constexpr uint32_t VK_F1 = 0x70; // ..VK_F12 = 0x7B
constexpr uint32_t VK_F4 = 0x73;
constexpr uint32_t VK_F10 = 0x79;
constexpr uint32_t VK_F12 = 0x7B;
constexpr uint32_t VK_NUMLOCK = 0x90;
constexpr uint32_t VK_SCROLL = 0x91;

// ---- Word packing --------------------------------------------------------------------------------------------------

constexpr uint16_t LOWORD(uintptr_t v)
{
    return uint16_t(v & 0xFFFF);
}
constexpr uint16_t HIWORD(uintptr_t v)
{
    return uint16_t((v >> 16) & 0xFFFF);
}
// Signed coordinates of a mouse message (a captured mouse can be left of or above the client area).
constexpr int GET_X_LPARAM(LPARAM l)
{
    return int16_t(uint16_t(uintptr_t(l) & 0xFFFF));
}
constexpr int GET_Y_LPARAM(LPARAM l)
{
    return int16_t(uint16_t((uintptr_t(l) >> 16) & 0xFFFF));
}
constexpr int GET_WHEEL_DELTA_WPARAM(WPARAM w)
{
    return int16_t(HIWORD(w));
}
constexpr LPARAM MAKELPARAM(int low, int high)
{
    return LPARAM(uint32_t((uint32_t(uint16_t(low))) | (uint32_t(uint16_t(high)) << 16)));
}
constexpr WPARAM MAKEWPARAM(int low, int high)
{
    return WPARAM(uint32_t(MAKELPARAM(low, high)));
}

// ---- The message record ------------------------------------------------------------------------------------------

struct MSG
{
    HWND hwnd = nullptr;
    uint32_t message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    uint32_t time = 0; // GetTickCount when it was queued
    POINT pt;          // cursor position (screen coordinates) when it was queued
};

// ---- Window classes and windows ----------------------------------------------------------------------------------

constexpr uint32_t CS_DBLCLKS = 0x0008; // without it the second click of a pair stays a plain button down

struct WNDCLASS
{
    uint32_t style = 0;
    WNDPROC lpfnWndProc = nullptr;
    std::string icon;      // resource name of the icon ("" = none); the SDL window takes it when an image of it exists
    std::string className; // "MainWindow", "InvisWindow"
};

// False for an empty name, a missing procedure or a name already registered.
bool RegisterClass(const WNDCLASS& windowClass);
bool UnregisterClass(const std::string& className);

// Window styles: a captioned frame or none.
constexpr uint32_t WS_OVERLAPPED = 0x00000000;
constexpr uint32_t WS_POPUP = 0x80000000;
constexpr uint32_t WS_VISIBLE = 0x10000000;
constexpr uint32_t WS_CAPTION = 0x00C00000;
constexpr uint32_t WS_SYSMENU = 0x00080000;
constexpr uint32_t WS_MINIMIZEBOX = 0x00020000;
constexpr uint32_t WS_OVERLAPPEDWINDOW_NORESIZE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// Creates a window of a registered class. (x, y, width, height) is the outer rectangle (use AdjustWindowRectEx to
// get it from the client rectangle); a captioned style loses its frame from it. A window with width and height 0
// and no style is a message target only (no SDL window). Null when the class is unknown or the SDL window cannot be
// made. Windows start hidden unless WS_VISIBLE is given. The window layer owns the window until DestroyWindow.
HWND CreateWindowEx(uint32_t exStyle, const std::string& className, const std::string& title, uint32_t style, int x,
                    int y, int width, int height, HWND parent, void* menu, void* instance, void* param);
// Sends WM_DESTROY to the window's procedure, then frees it; its queued messages and timers go with it.
bool DestroyWindow(HWND window);
// True while the handle names a live window of this layer.
bool IsWindow(HWND window);

constexpr int GWL_USERDATA = -21;
constexpr int GWL_STYLE = -16;
// Per-window value slots (only the two above); SetWindowLong returns the old value.
intptr_t SetWindowLong(HWND window, int index, intptr_t value);
intptr_t GetWindowLong(HWND window, int index);

constexpr int SW_HIDE = 0;
// SW_SHOWNORMAL (1) comes from Shell.h.
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_RESTORE = 9;
// Returns whether the window was visible before. State changes post WM_SIZE (and, for the main window,
// WM_ACTIVATEAPP) as they really happen.
bool ShowWindow(HWND window, int command);
bool SetForegroundWindow(HWND window);
HWND SetFocus(HWND window);
HWND GetForegroundWindow();
bool IsIconic(HWND window);

struct WINDOWPLACEMENT
{
    uint32_t length = sizeof(WINDOWPLACEMENT);
    uint32_t flags = 0;
    uint32_t showCmd = 0; // SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED (SW_HIDE when hidden)
    POINT ptMinPosition;
    POINT ptMaxPosition;
    RECT rcNormalPosition; // outer rectangle when restored
};
bool GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement);

// Client rectangle (0, 0, width, height); the client origin in screen coordinates.
bool GetClientRect(HWND window, RECT* rect);
bool ClientToScreen(HWND window, POINT* point);
bool ScreenToClient(HWND window, POINT* point);
bool GetWindowRect(HWND window, RECT* rect);
// Grows a client rectangle by the frame of `style` (nothing for WS_POPUP). The frame has fixed sizes headless and
// the window manager's sizes (once a window exists) under SDL.
bool AdjustWindowRectEx(RECT* rect, uint32_t style, bool menu, uint32_t exStyle);

constexpr uint32_t SWP_NOSIZE = 0x0001;
constexpr uint32_t SWP_NOMOVE = 0x0002;
constexpr uint32_t SWP_NOZORDER = 0x0004;
constexpr uint32_t SWP_NOREDRAW = 0x0008;
constexpr uint32_t SWP_NOACTIVATE = 0x0010;
constexpr uint32_t SWP_FRAMECHANGED = 0x0020;
inline const HWND HWND_TOP = nullptr;
// Outer rectangle, as CreateWindowEx; posts WM_MOVE when the client origin changes.
bool SetWindowPos(HWND window, HWND after, int x, int y, int width, int height, uint32_t flags);
bool MoveWindow(HWND window, int x, int y, int width, int height, bool repaint);
bool SetWindowText(HWND window, const std::string& title);
// The window's icon from 0xAARRGGBB pixels (rows top-down), for the class icon once its image is loaded. False for
// an unknown window or bad sizes; headless it only checks.
bool SetWindowIcon(HWND window, const uint32_t* argb, int width, int height);

// Paint bracketing (the expose is taken when WM_PAINT is removed from the queue).
struct PAINTSTRUCT
{
    void* hdc = nullptr;
    bool fErase = false;
    RECT rcPaint;
};
void* BeginPaint(HWND window, PAINTSTRUCT* paint);
bool EndPaint(HWND window, const PAINTSTRUCT* paint);
// Marks the window as needing WM_PAINT.
bool InvalidateRect(HWND window, const RECT* rect, bool erase);

// Top-level windows of this process, in creation order; the callback returns false to stop.
using WNDENUMPROC = bool (*)(HWND window, LPARAM lParam);
bool EnumWindows(WNDENUMPROC callback, LPARAM lParam);

constexpr bool IsWindowUnicode(HWND)
{
    return false;
}

// ---- Timers ------------------------------------------------------------------------------------------------------

// A periodic WM_TIMER (wParam = id) to the window every `intervalMs` (at least 10) on the GetTickCount clock, so the
// manual clock drives it. At most one is pending per timer: a slow loop gets one, not a burst. Returns the id, or 0
// for an unknown window. Setting an existing id restarts it.
uintptr_t SetTimer(HWND window, uintptr_t id, uint32_t intervalMs, void* callback);
bool KillTimer(HWND window, uintptr_t id);

// ---- The message pump --------------------------------------------------------------------------------------------

constexpr uint32_t PM_NOREMOVE = 0x0000;
constexpr uint32_t PM_REMOVE = 0x0001;
inline const HWND HWND_BROADCAST = reinterpret_cast<HWND>(uintptr_t(0xFFFF));

// Gathers what is waiting (SDL events, signals, the instance notice, expose, timers) and returns the oldest message
// for `window` (null = any window of the thread) with an id in [filterMin, filterMax] (both 0 = any), without
// blocking. Order: posted and input messages, then WM_PAINT, then WM_TIMER. Main thread only.
bool PeekMessage(MSG* msg, HWND window, uint32_t filterMin, uint32_t filterMax, uint32_t removeFlags);
// Key messages turn into characters here: WM_KEYDOWN of Backspace 8, Tab 9, Enter 13, Escape 27, and Ctrl+letter
// 1..26 post WM_CHAR; WM_SYSKEYDOWN of a letter, digit or Enter (not F10, not a modifier) posts WM_SYSCHAR with the
// lower-case character (13 for Enter). Other characters come from the text-input stream already as WM_CHAR.
// The characters are put in front of the queue, so they arrive right after their key. True when one was posted.
bool TranslateMessage(const MSG* msg);
// Calls the window's procedure and returns its result (0 for a dead window).
LRESULT DispatchMessage(const MSG* msg);
// Appends to the main thread's queue; any thread may post. HWND_BROADCAST goes to every top-level window of this
// process and, for a registered message, through the single-instance channel to the first instance.
bool PostMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
// Calls the window's procedure at once (main thread only).
LRESULT SendMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
// The default handling: WM_SYSKEYDOWN of VK_F4 and WM_SYSCOMMAND SC_CLOSE post WM_CLOSE; WM_CLOSE destroys the
// window; WM_SYSCOMMAND SC_SCREENSAVE / SC_MONITORPOWER are let through (result 0, nothing to do on Linux);
// WM_ERASEBKGND answers 1; everything else 0.
LRESULT DefWindowProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
// Messages waiting in the queue (not counting synthesised WM_PAINT/WM_TIMER).
size_t PendingMessageCount();
// The main thread's idle wait: up to ms milliseconds, ended early by input from the window system or a message
// posted from another thread (never by a timer); at once when a message already waits. On the manual clock, or
// without a window system, it is Sleep(ms). Main thread only.
void MsgWaitForInput(uint32_t ms);
// Milliseconds until the next timer falls due (0 when one is due now; UINT32_MAX without timers).
uint32_t TimeToNextTimer();

// Key state as of the key messages taken from the queue so far: bit 15 set while down.
int16_t GetKeyState(uint32_t vk);

// Tick count (GetTickCount) of the last user input event (key, button, move, wheel, text).
uint32_t GetLastInputTick();

// ---- Mouse position, capture, window under the cursor ------------------------------------------------------------

// While captured, mouse messages keep coming to the window from outside its client area.
HWND SetCapture(HWND window);
bool ReleaseCapture();
HWND GetCapture();
// Cursor position in screen coordinates (logical pixels: over our window it is the client origin plus the mapped
// position, so the two agree with ClientToScreen and GetClientRect).
bool GetCursorPos(POINT* point);
// The same from any thread, where it can be answered without the window system: headless only (SDL's pointer
// may be read on the main thread alone); false otherwise.
bool GetCursorPosAsync(POINT* point);
// Our main window when the point lies on its client area and the pointer is in it; else null.
HWND WindowFromPoint(POINT point);

// ---- Signals -----------------------------------------------------------------------------------------------------

// Installs SIGTERM/SIGINT (close) and SIGHUP (end of session) handlers; the pump turns them into WM_CLOSE /
// WM_ENDSESSION to the first window that is not a pure message target (else the first window). CreateWindowEx
// installs them; calling again is harmless.
void InstallCloseSignals();

// ---- Headless backend controls (no OS is read; tests drive it) --------------------------------------------------

// Resets the whole layer: windows, classes, queue, timers, capture, key state, cursor, headless state.
void ResetWindowLayer();
// Appends a record as if it came from the OS (time and pt filled in); same as PostMessage but also counts as input
// for GetLastInputTick when it is an input message.
void InjectMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
// Window state changes the OS would make; each posts the messages the real backend would (WM_SIZE, WM_MOVE,
// WM_ACTIVATEAPP, WM_PAINT).
void InjectMinimize(HWND window);
void InjectMaximize(HWND window);
void InjectRestore(HWND window);
void InjectFocus(HWND window, bool gained);
void InjectMove(HWND window, int clientX, int clientY);
void InjectExpose(HWND window);
void InjectClose(HWND window);
void InjectDisplayChange();
// The pointer: screen position and whether it is over our window (the SDL mouse focus).
void SetHeadlessCursor(POINT screen, bool overWindow);

} // namespace Platform
