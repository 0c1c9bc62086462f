// The display surface layer: display objects, memory surfaces in the display's pixel format, clippers, modes.
//
// Implements: the display object (a first-version interface used for all calls and the newer one it is created
// from, sharing one reference count), surfaces (primary, one flip back buffer, off-screen surfaces), clippers
// bound to a window, reference counts, cooperative levels, virtual display modes (any size at 16 or 32 bits),
// whole-surface lock/unlock, blits (colour-key skip, nearest-neighbour stretch, clipper clipping), flip, colour
// keys, scan line, vertical blank and monitor frequency, with the flags and result codes the display code uses.
// Every surface lives in memory; rows are padded (64 bytes by default) so that no caller may assume pitch =
// width. A blit into the primary or a flip presents: the headless backend captures the frame, the SDL backend
// uploads it to one streaming texture and draws it letterboxed at a whole scale factor.
// Leaves out: palettes, overlays, gamma, hardware blit effects (fills, rotation, mirroring), more than one back
// buffer, format conversion between surfaces, real display mode changes and real beam positions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Window.h"

namespace Platform
{

using HRESULT = int32_t;

constexpr HRESULT ResultCode(uint32_t value)
{
    return static_cast<HRESULT>(value);
}

constexpr HRESULT DD_OK = 0;
constexpr HRESULT DDERR_GENERIC = ResultCode(0x80004005);
constexpr HRESULT DDERR_INVALIDPARAMS = ResultCode(0x80070057);
constexpr HRESULT DDERR_OUTOFMEMORY = ResultCode(0x8007000E);
constexpr HRESULT DDERR_UNSUPPORTED = ResultCode(0x80004001);
constexpr HRESULT DDERR_NOTINITIALIZED = ResultCode(0x800401F0);
constexpr HRESULT E_NOINTERFACE = ResultCode(0x80004002);
constexpr HRESULT DDERR_INVALIDPIXELFORMAT = ResultCode(0x88760091);
constexpr HRESULT DDERR_INVALIDRECT = ResultCode(0x88760096);
constexpr HRESULT DDERR_NOEXCLUSIVEMODE = ResultCode(0x887600E1);
constexpr HRESULT DDERR_SURFACEBUSY = ResultCode(0x887601AE);
constexpr HRESULT DDERR_SURFACELOST = ResultCode(0x887601C2);
constexpr HRESULT DDERR_VERTICALBLANKINPROGRESS = ResultCode(0x88760219);
constexpr HRESULT DDERR_WASSTILLDRAWING = ResultCode(0x8876021C);
constexpr HRESULT DDERR_NOTLOCKED = ResultCode(0x88760248);
constexpr HRESULT DDERR_UNSUPPORTEDMODE = ResultCode(0x8876024E);

constexpr bool Failed(HRESULT result)
{
    return result < 0;
}

// Cooperative levels.
constexpr uint32_t DDSCL_FULLSCREEN = 0x1;
constexpr uint32_t DDSCL_NORMAL = 0x8;
constexpr uint32_t DDSCL_EXCLUSIVE = 0x10;

// Surface description flags.
constexpr uint32_t DDSD_CAPS = 0x1;
constexpr uint32_t DDSD_HEIGHT = 0x2;
constexpr uint32_t DDSD_WIDTH = 0x4;
constexpr uint32_t DDSD_PITCH = 0x8;
constexpr uint32_t DDSD_BACKBUFFERCOUNT = 0x20;
constexpr uint32_t DDSD_CKSRCBLT = 0x10000;
constexpr uint32_t DDSD_PIXELFORMAT = 0x1000;

// Surface capabilities.
constexpr uint32_t DDSCAPS_BACKBUFFER = 0x4;
constexpr uint32_t DDSCAPS_COMPLEX = 0x8;
constexpr uint32_t DDSCAPS_FLIP = 0x10;
constexpr uint32_t DDSCAPS_OFFSCREENPLAIN = 0x40;
constexpr uint32_t DDSCAPS_PRIMARYSURFACE = 0x200;
constexpr uint32_t DDSCAPS_SYSTEMMEMORY = 0x800;
constexpr uint32_t DDSCAPS_3DDEVICE = 0x2000;
constexpr uint32_t DDSCAPS_VIDEOMEMORY = 0x4000;

constexpr uint32_t DDPF_RGB = 0x40;

constexpr uint32_t DDLOCK_WAIT = 0x1;
constexpr uint32_t DDLOCK_READONLY = 0x10;

constexpr uint32_t DDBLT_KEYSRC = 0x8000;
constexpr uint32_t DDBLT_WAIT = 0x1000000;

constexpr uint32_t DDFLIP_WAIT = 0x1;
constexpr uint32_t DDCKEY_SRCBLT = 0x8;
constexpr uint32_t DDWAITVB_BLOCKBEGIN = 0x1;

// Size markers of the two description records (version markers only; the layout is ours).
constexpr uint32_t kSurfaceDescSize = 108;
constexpr uint32_t kSurfaceDesc2Size = 124;

struct DDCOLORKEY
{
    uint32_t dwColorSpaceLowValue = 0;
    uint32_t dwColorSpaceHighValue = 0;
};

struct DDPIXELFORMAT
{
    uint32_t dwSize = 32;
    uint32_t dwFlags = 0;
    uint32_t dwFourCC = 0;
    uint32_t dwRGBBitCount = 0;
    uint32_t dwRBitMask = 0;
    uint32_t dwGBitMask = 0;
    uint32_t dwBBitMask = 0;
    uint32_t dwRGBAlphaBitMask = 0;
};

struct DDSCAPS
{
    uint32_t dwCaps = 0;
};

struct DDSCAPS2
{
    uint32_t dwCaps = 0;
    uint32_t dwCaps2 = 0;
    uint32_t dwCaps3 = 0;
    uint32_t dwCaps4 = 0;
};

// First-version surface description.
struct DDSURFACEDESC
{
    uint32_t dwSize = 0;
    uint32_t dwFlags = 0;
    uint32_t dwHeight = 0;
    uint32_t dwWidth = 0;
    int32_t lPitch = 0;
    uint32_t dwBackBufferCount = 0;
    void* lpSurface = nullptr;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS ddsCaps;
};

// Newer surface description (the one images keep their lock in).
struct DDSURFACEDESC2
{
    uint32_t dwSize = 0;
    uint32_t dwFlags = 0;
    uint32_t dwHeight = 0;
    uint32_t dwWidth = 0;
    int32_t lPitch = 0;
    uint32_t dwBackBufferCount = 0;
    void* lpSurface = nullptr;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS2 ddsCaps;
};

struct IID
{
    uint32_t value;
    bool operator==(const IID& other) const { return value == other.value; }
};
constexpr IID IID_IDirectDraw{0x4444'0001};
constexpr IID IID_IDirectDraw7{0x4444'0007};
constexpr IID IID_IDirectDrawSurface{0x5353'0001};
constexpr IID IID_IDirectDrawSurface7{0x5353'0007};

struct DeviceState;
struct SurfaceState;
class IDirectDrawSurface7;

class IDirectDrawClipper
{
public:
    uint32_t AddRef();
    uint32_t Release();
    HRESULT SetHWnd(uint32_t flags, HWND window);
    HRESULT GetHWnd(HWND* window) const;

private:
    friend class IDirectDraw;
    IDirectDrawClipper() = default;
    ~IDirectDrawClipper() = default;
    uint32_t mRefs = 1;
    HWND mWindow = nullptr;
};

// A surface. The newer interface is the same object (one reference count); QueryInterface hands out either.
class IDirectDrawSurface
{
public:
    uint32_t AddRef();
    uint32_t Release();
    HRESULT QueryInterface(const IID& iid, void** out);

    // Locks the whole surface (the rectangle must be null): fills the pointer, pitch, size and pixel format.
    HRESULT Lock(RECT* rect, DDSURFACEDESC* desc, uint32_t flags, void* event);
    HRESULT Lock(RECT* rect, DDSURFACEDESC2* desc, uint32_t flags, void* event);
    HRESULT Unlock(void* rect);
    // Copies srcRect of src to dstRect (null = whole surface); sizes that differ stretch by nearest neighbour.
    HRESULT Blt(RECT* dstRect, IDirectDrawSurface* src, RECT* srcRect, uint32_t flags, void* fx);
    // Swaps the primary with its back buffer and presents.
    HRESULT Flip(IDirectDrawSurface* target, uint32_t flags);
    HRESULT SetColorKey(uint32_t flags, DDCOLORKEY* key);
    HRESULT GetColorKey(uint32_t flags, DDCOLORKEY* key);
    HRESULT GetSurfaceDesc(DDSURFACEDESC* desc);
    HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc);
    HRESULT GetPixelFormat(DDPIXELFORMAT* format);
    HRESULT GetAttachedSurface(DDSCAPS* caps, IDirectDrawSurface** out);
    HRESULT GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** out);
    HRESULT SetClipper(IDirectDrawClipper* clipper);
    HRESULT IsLost();

    SurfaceState& State() { return *mState; }

protected:
    friend class IDirectDraw;
    friend struct SurfaceAccess;
    IDirectDrawSurface() = default;
    ~IDirectDrawSurface();
    uint32_t mRefs = 1;
    SurfaceState* mState = nullptr;
};

class IDirectDrawSurface7 : public IDirectDrawSurface
{
    friend class IDirectDraw;
};

// The display object. The newer interface is the same object; both share one reference count, and the device
// goes (its surfaces become lost, its display mode is dropped) when the last reference is released.
class IDirectDraw
{
public:
    uint32_t AddRef();
    uint32_t Release();
    HRESULT QueryInterface(const IID& iid, void** out);
    HRESULT SetCooperativeLevel(HWND window, uint32_t flags);
    HRESULT SetDisplayMode(uint32_t width, uint32_t height, uint32_t bitsPerPixel);
    HRESULT RestoreDisplayMode();
    HRESULT CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** out, void* outer);
    HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** out, void* outer);
    HRESULT CreateClipper(uint32_t flags, IDirectDrawClipper** out, void* outer);
    HRESULT FlipToGDISurface();
    HRESULT GetScanLine(uint32_t* line);
    HRESULT WaitForVerticalBlank(uint32_t flags, void* event);
    HRESULT GetMonitorFrequency(uint32_t* hertz);

protected:
    friend HRESULT DirectDrawCreate(void*, IDirectDraw**, void*);
    friend HRESULT DirectDrawCreateEx(void*, void**, const IID&, void*);
    IDirectDraw();
    ~IDirectDraw();
    template <typename Desc, typename Out>
    HRESULT CreateSurfaceFrom(Desc* desc, Out** out);
    uint32_t mRefs = 1;
    std::shared_ptr<DeviceState> mDevice;
};

class IDirectDraw7 : public IDirectDraw
{
};

// The two creation entries of the display library (also reachable through the module table under "ddraw.dll").
HRESULT DirectDrawCreate(void* guid, IDirectDraw** out, void* outer);
HRESULT DirectDrawCreateEx(void* guid, void** out, const IID& iid, void* outer);
using DirectDrawCreateFunc = HRESULT (*)(void*, IDirectDraw**, void*);
using DirectDrawCreateExFunc = HRESULT (*)(void*, void**, const IID&, void*);

// Puts "ddraw.dll" with its two entries into the built-in module table (once; later calls do nothing).
void RegisterDisplayModule();

// ---- Backend choice -------------------------------------------------------------------------------------------

enum class VideoBackend
{
    Headless,
    Sdl
};
// Chosen from ZEST_VIDEO ("headless" or "sdl"; SDL when unset) on first use, or set explicitly.
VideoBackend GetVideoBackend();
void SetVideoBackend(VideoBackend backend);

// Presents that were requested off the main thread (the cursor thread) are carried out here; the message pump
// calls it on the main thread. Does nothing headless (headless presents happen at once on any thread).
void PumpPendingPresents();

// ---- Headless controls -----------------------------------------------------------------------------------------

struct HeadlessDisplayConfig
{
    int width = 1024;
    int height = 768;
    int bitsPerPixel = 32; // desktop depth: 8, 16, 24 or 32
    bool use555 = false;   // 16-bit desktop and 16-bit modes are 5-5-5 (else 5-6-5)
    bool bgr = false;      // 32-bit desktop and 32-bit modes are X8B8G8R8 (else X8R8G8B8)
    RECT usable{0, 0, 1024, 728};
    int captionHeight = 24;
    uint32_t refreshHz = 60;        // 0 = the monitor frequency is unknown
    int pitchAlign = 64;            // rows are rounded up to this many bytes
    bool moveBuffersOnLock = false; // each lock moves the pixels to a fresh buffer (catches stale pointers)
    std::string pngDumpFolder;      // when set, every presented frame is also written there as frame-NNNNN.png
};

// The current headless settings; tests change them before creating a display object.
HeadlessDisplayConfig& HeadlessDisplay();
// Restores the defaults and clears failures, scripted scan lines and captured frames.
void ResetHeadlessDisplay();

enum class ScanLineModel
{
    Clock,    // derived from the clock and the refresh rate
    Scripted, // answers from a list, the last repeated
    Failing   // always the given code
};
struct ScanLineAnswer
{
    HRESULT result = DD_OK;
    uint32_t line = 0;
};
void SetScanLineModel(ScanLineModel model, std::vector<ScanLineAnswer> script = {}, HRESULT failure = DD_OK);
// Blank lines after the visible ones in the clock model: a sixth of the visible lines, at least 30 (long enough
// that a millisecond clock can land inside the blank at up to 120 Hz).
constexpr uint32_t BlankLines(uint32_t visible)
{
    return visible / 6 > 30 ? visible / 6 : 30;
}

// Steps a failure can be injected into.
enum class SurfaceStep
{
    DirectDrawCreateEx,
    DirectDrawCreate,
    QueryInterface,
    SetCooperativeLevelNormal,
    SetCooperativeLevelExclusive,
    SetDisplayMode,
    CreateSurface,
    GetAttachedSurface,
    CreateClipper,
    SetHWnd,
    SetClipper,
    Lock,
    Blt,
    Flip,
    SetColorKey,
    GetSurfaceDesc,
    GetScanLine,
    WaitForVerticalBlank,
    GetMonitorFrequency,
    DeviceLost // on the n-th lock/blit/flip the device is lost: its surfaces answer DDERR_SURFACELOST from then on
};
// Makes the step fail with the code: on its nth call from now (1 = the next; 0 = every call), and for
// CreateSurface only when the description's caps contain all of capsMatch (0 = any) and, when given, its size.
void InjectSurfaceFailure(SurfaceStep step, HRESULT code, int nth = 1, uint32_t capsMatch = 0, uint32_t width = 0,
                          uint32_t height = 0);
void ClearSurfaceFailures();

// A presented frame: the visible pixels in the display format, rows packed (pitch = width * bytes).
struct PresentedFrame
{
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
    std::vector<uint8_t> pixels;
    // Pixel (x, y) as opaque 0xFFRRGGBB (channels widened by repeating their top bits).
    uint32_t ArgbAt(int x, int y) const;
};
int PresentedFrameCount();
PresentedFrame LastPresentedFrame();
// Compares a picture with the one shown before it (both width x height, bytesPerPixel each, rows `pitch` bytes
// apart), copies what differs into `shown`, and returns rectangles that together cover every changed pixel, top
// to bottom and without overlap: bands of rows, each as narrow as its changes, neighbours merged where that adds
// little area. Empty when nothing changed. A present then pushes only these to the window system.
std::vector<RECT> UpdateChangedRects(uint8_t* shown, size_t shownPitch, const uint8_t* next, size_t nextPitch,
                                     int width, int height, int bytesPerPixel);
// The same rectangles, found without copying anything.
std::vector<RECT> FindChangedRects(const uint8_t* shown, size_t shownPitch, const uint8_t* next, size_t nextPitch,
                                   int width, int height, int bytesPerPixel);
// The caller vouches that `source` differs from the frame presented last only within `rects` (in the source's
// coordinates): its next present looks for changes there only, instead of comparing the whole picture. The hint
// serves that one blit from `source`; any lock of the surface or blit into it before then drops it.
void HintPresentChanges(IDirectDrawSurface* source, const RECT* rects, size_t count);
// Writes a frame as an RGB PNG; false on failure.
bool WriteFramePng(const PresentedFrame& frame, const std::string& path);

// SDL backend: when on, every present also reads the finished picture back from the renderer (letterbox bars
// included, in output pixels) just before it is shown, so that tests can check and save what reached the window.
void SetWindowCapture(bool on);
// The last picture read back, as 32-bit X8R8G8B8; empty when capture is off or nothing was presented since.
PresentedFrame LastWindowCapture();

// Number of live surfaces and display objects (tests check that nothing leaks between inits).
int LiveSurfaceCount();
int LiveDeviceCount();

} // namespace Platform
