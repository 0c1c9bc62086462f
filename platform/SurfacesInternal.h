// Shared internals of the surface layer, the window object and the SDL presenter (not for use outside platform/).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/Surfaces.h"
#include "platform/Window.h"

namespace Platform
{

struct PixelFormatInfo
{
    int bitsPerPixel = 0;
    uint32_t red = 0;
    uint32_t green = 0;
    uint32_t blue = 0;
};

// The SDL renderer and streaming texture of one window (opaque SDL pointers so that this header needs no SDL).
struct WindowPresenter
{
    void* renderer = nullptr;
    void* texture = nullptr;
    int textureWidth = 0;
    int textureHeight = 0;
    uint32_t textureFormat = 0;
    bool vsync = false;
    // Without a GPU frames go straight into the window's own surface, which holds the last picture shown: these
    // say what it holds, so that a present can send only what changed.
    void* shownSurface = nullptr;
    int shownSurfaceWidth = 0;
    int shownSurfaceHeight = 0;
    int shownWidth = 0;
    int shownHeight = 0;
    int shownScale = 0;
};

struct DesktopInfo
{
    int width = 0;
    int height = 0;
    PixelFormatInfo format;
    RECT usable;
    int captionHeight = 0;
};

// One lock for every device, surface and frame record: the cursor thread touches the primary too.
std::recursive_mutex& SurfaceLock();

// The desktop as the current backend sees it (the real mode, not the virtual one).
DesktopInfo QueryDesktop();
// While a virtual full-screen mode is set, the metrics report it.
bool VirtualModeSize(int& width, int& height);

// SDL backend pieces (SurfacesSdl.cpp).
DesktopInfo SdlQueryDesktop();
uint32_t SdlRefreshRate();
bool SdlEnsureVideo();
// Puts our handler in place of Xlib's for a broken connection (DisplayLoss.cpp); after the X11 driver started.
void WatchX11Connection();
// Shows a frame in the window, letterboxed. `changed` lists the rectangles of the frame that differ from the one
// presented before (null: all of it); without a GPU only those reach the window system. Main thread only.
void SdlPresentFrame(Window& window, const PresentedFrame& frame, const std::vector<RECT>* changed = nullptr);
// The window system lost what a window showed (it was uncovered): the next present sends the whole picture.
void SdlWindowExposed();
// Queues a frame for the main thread's next PumpPendingPresents.
void SdlQueueFrame(Window& window, PresentedFrame frame);
// Forgets queued frames for a window that goes away.
void SdlForgetWindow(Window& window);
// Window object pieces for the SDL backend.
bool SdlCreateWindow(Window& window, const char* title);
void SdlDestroyWindow(Window& window);
void SdlApplyWindow(Window& window);

struct WindowAccess
{
    static int& X(Window& w) { return w.mX; }
    static int& Y(Window& w) { return w.mY; }
    static int& Width(Window& w) { return w.mWidth; }
    static int& Height(Window& w) { return w.mHeight; }
    static int& Scale(Window& w) { return w.mScale; }
    static int& PictureWidth(Window& w) { return w.mPictureWidth; }
    static int& PictureHeight(Window& w) { return w.mPictureHeight; }
    static int& ShownWidth(Window& w) { return w.mShownWidth; }
    static int& ShownHeight(Window& w) { return w.mShownHeight; }
    static POINT& Offset(Window& w) { return w.mOffset; }
    static void*& Native(Window& w) { return w.mNative; }
    static std::unique_ptr<WindowPresenter>& Presenter(Window& w) { return w.mPresenter; }
};

} // namespace Platform
