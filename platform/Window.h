// The platform window object and desktop metrics, as far as presenting frames needs them.
//
// Implements: one top-level window per object with a client size, a position on the (virtual) desktop, show/hide
// and a full-screen state; the rectangle and point records the display code passes around; GetSystemMetrics for
// the desktop size and the usable area. With the headless video backend a window is pure bookkeeping; with the
// SDL backend it owns an SDL window, and the client area the framework sees is always the logical display size
// (the presenter scales it up by a whole factor and letterboxes it).
// Leaves out: turning SDL events into the application's message records, cursors, capture, focus and titles
// beyond the one given at creation; those belong to the application shell's window layer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace Platform
{

struct RECT
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

struct POINT
{
    int32_t x = 0;
    int32_t y = 0;
};

class Window;
// The framework hands windows around as plain handles.
using HWND = Window*;

// GetSystemMetrics indexes used by the framework.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXFULLSCREEN = 16;
constexpr int SM_CYFULLSCREEN = 17;

// Desktop size (or the virtual full-screen mode's size while one is set) and the usable area of a maximised
// captioned window.
int GetSystemMetrics(int index);

// Why the real display could not be opened (no window system to talk to, or the library's own error); empty
// while nothing failed. For the message a program shows before it gives up.
std::string VideoFailureReason();
// What the program does when its connection to the window system breaks (the X server went away): the handler
// runs once, on the main thread when it can, gets the message to show and must touch nothing of the window
// system (only files); the process then ends with exit code kDisplayLostExitCode, without running exit handlers,
// which would tear windows down on the dead connection. Without a handler the message is printed and the process
// ends the same way. A null handler removes it.
constexpr int kDisplayLostExitCode = 1;
void SetDisplayLostHandler(void (*handler)(const std::string& message));
// Ends the process as a lost connection does when one was found (main thread; the event pump calls it, for a
// loss another thread came across); returns when the connection is fine.
void EndIfDisplayLost();

// Whether presents can wait for the vertical retrace: the real display with a GPU renderer. False headless and
// with the software presentation chosen on a machine without a GPU, where nothing would pace the frames.
bool PresentsCanWaitForVsync();

struct WindowPresenter; // the SDL renderer state of a window (SDL backend only)

class Window
{
public:
    // Creates a window whose client area is width x height logical pixels at (x, y) on the desktop.
    // Returns null when the SDL window cannot be made.
    static std::unique_ptr<Window> Create(const std::string& title, int x, int y, int width, int height);
    // A window that only receives messages: never shown, no SDL window on either backend.
    static std::unique_ptr<Window> CreateMessageOnly();
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Client rectangle in client coordinates: (0, 0, width, height) in logical pixels.
    void GetClientRect(RECT& rect) const;
    // Client origin in desktop coordinates.
    void ClientToScreen(POINT& point) const;
    // Moves and resizes the client area (desktop coordinates, logical pixels).
    void MoveClient(int x, int y, int width, int height);
    void Show(bool visible);
    bool IsVisible() const { return mVisible; }
    // Full screen covers the whole desktop; the presenter letterboxes the picture into it.
    void SetFullScreen(bool fullScreen);
    bool IsFullScreen() const { return mFullScreen; }
    // Presents wait for the vertical retrace when set (takes effect when the renderer is next made).
    void SetPresentVsync(bool vsync) { mVsync = vsync; }
    bool WantsVsync() const { return mVsync; }

    // SDL backend only: the underlying SDL window (opaque here) and the presenter state; null when headless.
    void* NativeHandle() const { return mNative; }
    WindowPresenter* Presenter() const { return mPresenter.get(); }
    // Whole scale factor and letterbox offset of the last present (1 and 0 when headless), for mapping mouse
    // positions back to logical pixels.
    int Scale() const { return mScale; }
    POINT LetterboxOffset() const { return mOffset; }
    // When the last picture was scaled by a factor that is not whole: its own size and the size it was shown at
    // (all 0 when Scale applies).
    int PictureWidth() const { return mPictureWidth; }
    int PictureHeight() const { return mPictureHeight; }
    int ShownWidth() const { return mShownWidth; }
    int ShownHeight() const { return mShownHeight; }

private:
    Window() = default;
    friend struct WindowAccess;

    int mX = 0;
    int mY = 0;
    int mWidth = 0;
    int mHeight = 0;
    bool mVisible = false;
    bool mFullScreen = false;
    bool mVsync = true;
    int mScale = 1;
    int mPictureWidth = 0;
    int mPictureHeight = 0;
    int mShownWidth = 0;
    int mShownHeight = 0;
    POINT mOffset;
    void* mNative = nullptr;
    std::unique_ptr<WindowPresenter> mPresenter;
};

} // namespace Platform
