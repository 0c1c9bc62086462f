// Shared internals of the surface layer, the window object and the SDL presenter (not for use outside platform/).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

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
    // The SDL surface over the pixels of the frame last sent that way, kept while the frame stays where it is (the
    // last frame is updated in place): a fresh one each present cost an allocation and a new blit set-up.
    void* source = nullptr;
    const void* sourcePixels = nullptr;
    int sourceWidth = 0;
    int sourceHeight = 0;
    uint32_t sourceFormat = 0;
};

struct DesktopInfo
{
    int width = 0;
    int height = 0;
    PixelFormatInfo format;
    RECT usable;
    int captionHeight = 0;
};

struct DeviceState
{
    bool lost = false;
    HWND window = nullptr;
    bool exclusive = false;
    bool modeSet = false;
    uint32_t modeWidth = 0;
    uint32_t modeHeight = 0;
    uint32_t modeBitsPerPixel = 0;
    SurfaceState* primary = nullptr;
};

struct SurfaceState
{
    std::shared_ptr<DeviceState> device;
    uint32_t caps = 0;
    int width = 0;
    int height = 0;
    int pitch = 0;
    PixelFormatInfo format;
    std::unique_ptr<uint8_t[]> pixels;
    size_t bytes = 0;
    bool locked = false;
    bool hasKey = false;
    DDCOLORKEY key;
    IDirectDrawSurface7* attached = nullptr; // the back buffer of a flipping primary (one reference held)
    IDirectDrawClipper* clipper = nullptr;   // one reference held
};

// One lock for every device, surface and frame record: the cursor thread touches the primary too.
std::recursive_mutex& SurfaceLock();

// The desktop as the current backend sees it (the real mode, not the virtual one).
DesktopInfo QueryDesktop();
// While a virtual full-screen mode is set, the metrics report it.
bool VirtualModeSize(int& width, int& height);

// Surface objects (Surfaces.cpp). The failure an injected rule asks for at this step (DD_OK for none).
HRESULT CheckFailure(SurfaceStep step, uint32_t caps = 0, uint32_t width = 0, uint32_t height = 0);
// DDERR_SURFACELOST when the surface's device is lost (or an injected rule loses it now).
HRESULT LostCheck(SurfaceState& state);

// Pixel formats (SurfacesFormats.cpp).
PixelFormatInfo FormatForDepth(int bitsPerPixel, bool use555, bool bgr);
// The format a virtual mode of this depth has: the desktop's own when the depths agree, else the usual one.
PixelFormatInfo ModeFormat(int bitsPerPixel);
int BytesPerPixel(const PixelFormatInfo& format);
bool SameFormat(const PixelFormatInfo& a, const PixelFormatInfo& b);
uint32_t ReadPixel(const uint8_t* p, int bytes);
// Fills a surface description (DDSURFACEDESC or DDSURFACEDESC2); the pixel pointer only when asked.
template <typename Desc>
void FillDesc(const SurfaceState& state, Desc* desc, bool withPointer);

// Presenting (SurfacesPresent.cpp).
// Something other than a present may write to `state` (or it goes away): what was known of its pixels no longer holds.
void Forget(const SurfaceState* state);
// A new primary: no surface holds a presented picture any more.
void ForgetPresentedPictures();
// Forgets every presented frame and the frame count.
void ResetPresents();
// Drops the changed rectangles hinted for the next present.
void DropPresentHint();
// Presents the visible part of the primary; returns the rectangles (in frame coordinates) that may have changed
// (valid until the next present).
const std::vector<RECT>& Present(SurfaceState& primary);
// A plain blit of src's rectangle sr over the whole visible part of the primary, done as a present in one pass.
// False, with nothing done, when that does not apply.
bool BlitPresent(SurfaceState& primary, const RECT& dr, const SurfaceState& src, const RECT& sr);
// A plain blit of src's rectangle sr over the whole of a flipping primary's back buffer that holds the frame before
// last, compared with the frame shown. False, with nothing done, when that does not apply.
bool FlipBlit(SurfaceState& back, const RECT& dr, const SurfaceState& src, const RECT& sr);

// SDL backend pieces (SurfacesSdl.cpp).
DesktopInfo SdlQueryDesktop();
uint32_t SdlRefreshRate();
bool SdlEnsureVideo();
// Puts our handler in place of Xlib's for a broken connection (DisplayLoss.cpp); after the X11 driver started.
void WatchX11Connection();
// Whether the other end of a connected socket has closed it, even with bytes it sent still unread.
bool SocketPeerGone(int socket);
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
