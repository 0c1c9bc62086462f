// Memory surfaces, display objects and clippers of the surface layer, and the headless backend's controls.
#include "platform/Surfaces.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <new>
#include <optional>

#include "platform/Clock.h"
#include "platform/Modules.h"
#include "platform/SurfacesInternal.h"
#include "platform/Threads.h"

namespace Platform
{

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

namespace
{

struct FailureRule
{
    SurfaceStep step;
    HRESULT code;
    int nth;
    int seen = 0;
    uint32_t caps;
    uint32_t width;
    uint32_t height;
    bool spent = false;
};

std::recursive_mutex gLock;
HeadlessDisplayConfig gConfig;
std::optional<VideoBackend> gBackend;
ScanLineModel gScanModel = ScanLineModel::Clock;
std::vector<ScanLineAnswer> gScript;
size_t gScriptPos = 0;
HRESULT gScanFailure = DD_OK;
std::vector<FailureRule> gFailures;
int gFrameCount = 0;
PresentedFrame gLastFrame;
HWND gLastFrameWindow = nullptr; // the window gLastFrame was presented to
// The primary whose visible part (gFrameSourceRect) still holds exactly gLastFrame: set by each present, cleared by
// anything that may write to that primary other than a present. While it holds, a blit of a whole picture onto
// the primary compares the picture with gLastFrame and copies only what changed, in one pass.
const SurfaceState* gFrameSource = nullptr;
RECT gFrameSourceRect{};
// The history of a flipping primary's back buffer, so that a frame presented by flip costs one compare and not a
// whole copy plus a compare. While gFlipBack is set, that back buffer holds exactly the frame shown before
// gLastFrame (it was the primary then), and gFlipChanges covers every pixel where the two differ. A whole picture
// blitted onto it is then compared with gLastFrame only, and copied only where it differs from either frame: the
// back buffer becomes gFlipReady, holding exactly the next frame, which differs from gLastFrame only within
// gReadyChanges; the flip presents those without comparing again. Any other write to either forgets them.
const SurfaceState* gFlipBack = nullptr;
std::vector<RECT> gFlipChanges;
const SurfaceState* gFlipReady = nullptr;
std::vector<RECT> gReadyChanges;
int gLiveSurfaces = 0;
int gLiveDevices = 0;
bool gModeActive = false;
int gModeWidth = 0;
int gModeHeight = 0;

constexpr int kMaxSurfaceSide = 16384;

PixelFormatInfo FormatForDepth(int bitsPerPixel, bool use555, bool bgr)
{
    switch (bitsPerPixel)
    {
    case 16:
        return use555 ? PixelFormatInfo{16, 0x7C00, 0x03E0, 0x001F} : PixelFormatInfo{16, 0xF800, 0x07E0, 0x001F};
    case 24:
        return {24, 0xFF0000, 0x00FF00, 0x0000FF};
    case 32:
        return bgr ? PixelFormatInfo{32, 0x0000FF, 0x00FF00, 0xFF0000}
                   : PixelFormatInfo{32, 0xFF0000, 0x00FF00, 0x0000FF};
    default:
        return {bitsPerPixel, 0, 0, 0};
    }
}

// The format a virtual mode of this depth has: the desktop's own when the depths agree, else the usual one.
PixelFormatInfo ModeFormat(int bitsPerPixel)
{
    if (GetVideoBackend() == VideoBackend::Headless) return FormatForDepth(bitsPerPixel, gConfig.use555, gConfig.bgr);
    const DesktopInfo desktop = QueryDesktop();
    if (desktop.format.bitsPerPixel == bitsPerPixel) return desktop.format;
    return FormatForDepth(bitsPerPixel, false, false);
}

int BytesPerPixel(const PixelFormatInfo& format)
{
    return (format.bitsPerPixel + 7) / 8;
}

HRESULT CheckFailure(SurfaceStep step, uint32_t caps = 0, uint32_t width = 0, uint32_t height = 0)
{
    for (FailureRule& rule : gFailures)
    {
        if (rule.step != step || rule.spent) continue;
        if (step == SurfaceStep::CreateSurface)
        {
            if ((caps & rule.caps) != rule.caps) continue;
            if ((rule.width && rule.width != width) || (rule.height && rule.height != height)) continue;
        }
        if (rule.nth == 0) return rule.code;
        if (++rule.seen == rule.nth)
        {
            rule.spent = true;
            return rule.code;
        }
    }
    return DD_OK;
}

HRESULT LostCheck(SurfaceState& state)
{
    if (state.device->lost) return DDERR_SURFACELOST;
    if (CheckFailure(SurfaceStep::DeviceLost) != DD_OK)
    {
        state.device->lost = true;
        return DDERR_SURFACELOST;
    }
    return DD_OK;
}

bool SameFormat(const PixelFormatInfo& a, const PixelFormatInfo& b)
{
    return a.bitsPerPixel == b.bitsPerPixel && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

uint32_t ReadPixel(const uint8_t* p, int bytes)
{
    switch (bytes)
    {
    case 1:
        return p[0];
    case 2:
    {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    case 3:
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    default:
    {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    }
}

bool ValidRect(const RECT& r, int width, int height)
{
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= width && r.bottom <= height;
}

template <typename Desc>
void FillDesc(const SurfaceState& state, Desc* desc, bool withPointer)
{
    desc->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = uint32_t(state.width);
    desc->dwHeight = uint32_t(state.height);
    desc->lPitch = state.pitch;
    desc->lpSurface = withPointer ? state.pixels.get() : nullptr;
    desc->dwBackBufferCount = state.attached ? 1 : 0;
    if (state.attached) desc->dwFlags |= DDSD_BACKBUFFERCOUNT;
    desc->ddckCKSrcBlt = state.hasKey ? state.key : DDCOLORKEY{};
    if (state.hasKey) desc->dwFlags |= DDSD_CKSRCBLT;
    desc->ddpfPixelFormat = DDPIXELFORMAT{};
    desc->ddpfPixelFormat.dwFlags = DDPF_RGB;
    desc->ddpfPixelFormat.dwRGBBitCount = uint32_t(state.format.bitsPerPixel);
    desc->ddpfPixelFormat.dwRBitMask = state.format.red;
    desc->ddpfPixelFormat.dwGBitMask = state.format.green;
    desc->ddpfPixelFormat.dwBBitMask = state.format.blue;
    desc->ddsCaps = {};
    desc->ddsCaps.dwCaps = state.caps;
}

// The part of the primary that is visible: the window's client area when windowed, else all of it.
RECT VisibleRect(const SurfaceState& primary)
{
    RECT whole{0, 0, primary.width, primary.height};
    const DeviceState& device = *primary.device;
    HWND window = device.window;
    if (!window && primary.clipper) primary.clipper->GetHWnd(&window);
    if (device.exclusive || !window) return whole;
    RECT client;
    window->GetClientRect(client);
    POINT origin;
    window->ClientToScreen(origin);
    RECT r{std::max(origin.x, 0), std::max(origin.y, 0), std::min(origin.x + client.right, primary.width),
           std::min(origin.y + client.bottom, primary.height)};
    if (r.right <= r.left || r.bottom <= r.top) return RECT{};
    return r;
}

HWND PresentWindow(const SurfaceState& primary)
{
    HWND window = primary.device->window;
    if (!window && primary.clipper) primary.clipper->GetHWnd(&window);
    return window;
}

// Something other than a present may write to `state` (or it goes away): what was known of its pixels no longer holds.
// The changed rectangles a caller vouched for, of one source surface, for its next present (see
// HintPresentChanges); dropped as soon as anything may write to that surface or it is presented.
const SurfaceState* gHintSource = nullptr;
std::vector<RECT> gHintRects;

void Forget(const SurfaceState* state)
{
    if (state == gHintSource) gHintSource = nullptr;
    if (state == gFrameSource) gFrameSource = nullptr;
    if (state == gFlipBack) gFlipBack = nullptr;
    if (state == gFlipReady) gFlipReady = nullptr;
}

// Whether gLastFrame has the size, format and window of a present of `primary` at that size.
bool LastFrameFits(const SurfaceState& primary, int width, int height, HWND window)
{
    const PresentedFrame& frame = gLastFrame;
    const size_t row = size_t(width) * size_t(BytesPerPixel(primary.format));
    return frame.width == width && frame.height == height && frame.bitsPerPixel == primary.format.bitsPerPixel &&
           frame.redMask == primary.format.red && frame.greenMask == primary.format.green &&
           frame.blueMask == primary.format.blue && frame.pixels.size() == row * size_t(height) &&
           gLastFrameWindow == window;
}

// Counts the frame, saves it when asked, and sends it on to the window: only `changed` when given, else all.
void SendFrame(HWND window, const std::vector<RECT>* changed)
{
    const PresentedFrame& frame = gLastFrame;
    ++gFrameCount;
    if (!gConfig.pngDumpFolder.empty())
    {
        char name[32];
        std::snprintf(name, sizeof(name), "/frame-%05d.png", gFrameCount);
        WriteFramePng(frame, gConfig.pngDumpFolder + name);
    }
    if (GetVideoBackend() == VideoBackend::Sdl && window)
    {
        if (IsMainThread())
            SdlPresentFrame(*window, frame, changed);
        else
            SdlQueueFrame(*window, frame);
    }
}

// Presents the visible part of the primary; returns the rectangles (in frame coordinates) that may have changed.
std::vector<RECT> Present(SurfaceState& primary)
{
    gFrameSource = nullptr;
    const RECT vis = VisibleRect(primary);
    if (vis.right <= vis.left || vis.bottom <= vis.top) return {};
    // The last frame is kept and updated in place: only what changed is copied, and only that is sent on to the
    // window. A fresh frame each time cost an allocation, a clear and a whole copy sixty times a second.
    PresentedFrame& frame = gLastFrame;
    const int bpp = BytesPerPixel(primary.format);
    const int width = vis.right - vis.left, height = vis.bottom - vis.top;
    HWND window = PresentWindow(primary);
    const uint8_t* source =
        primary.pixels.get() + size_t(vis.top) * size_t(primary.pitch) + size_t(vis.left) * size_t(bpp);
    const size_t row = size_t(width) * size_t(bpp);
    std::vector<RECT> changed;
    const bool same = LastFrameFits(primary, width, height, window);
    if (same)
        changed = UpdateChangedRects(frame.pixels.data(), row, source, size_t(primary.pitch), width, height, bpp);
    else
    {
        frame.width = width;
        frame.height = height;
        frame.bitsPerPixel = primary.format.bitsPerPixel;
        frame.redMask = primary.format.red;
        frame.greenMask = primary.format.green;
        frame.blueMask = primary.format.blue;
        frame.pixels.resize(row * size_t(height));
        for (int y = 0; y < height; ++y)
            std::memcpy(&frame.pixels[size_t(y) * row], source + size_t(y) * size_t(primary.pitch), row);
        gLastFrameWindow = window;
    }
    gFrameSource = &primary;
    gFrameSourceRect = vis;
    SendFrame(window, same ? &changed : nullptr);
    if (!same) changed.assign(1, RECT{0, 0, width, height});
    return changed;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Copies the rectangles `rects` (in pixels) from one picture to another of the same format, rows `pitch` bytes apart.
void CopyRects(uint8_t* to, size_t toPitch, const uint8_t* from, size_t fromPitch, const std::vector<RECT>& rects,
               int bytesPerPixel)
{
    const size_t bpp = size_t(bytesPerPixel);
    for (const RECT& r : rects)
    {
        const size_t left = size_t(r.left) * bpp, length = size_t(r.right - r.left) * bpp;
        for (int y = r.top; y < r.bottom; ++y)
            std::memcpy(to + size_t(y) * toPitch + left, from + size_t(y) * fromPitch + left, length);
    }
}

// The changed rectangles of a width x height picture (`next`, whose pixel (0, 0) is the source surface's
// (originX, originY)) against `shown`: found by scanning the whole picture, or only the hinted rectangles when the
// hint is for `source`. Copies the changes into `shown` when asked.
std::vector<RECT> ScanForChanges(const SurfaceState& source, int originX, int originY, uint8_t* shown,
                                 size_t shownPitch, const uint8_t* next, size_t nextPitch, int width, int height,
                                 int bpp, bool copy)
{
    if (gHintSource != &source)
        return copy ? UpdateChangedRects(shown, shownPitch, next, nextPitch, width, height, bpp)
                    : FindChangedRects(shown, shownPitch, next, nextPitch, width, height, bpp);
    std::vector<RECT> changes;
    for (const RECT& hinted : gHintRects)
    {
        const int left = std::max(0, hinted.left - originX), top = std::max(0, hinted.top - originY);
        const int right = std::min(width, hinted.right - originX), bottom = std::min(height, hinted.bottom - originY);
        if (right <= left || bottom <= top) continue;
        uint8_t* a = shown + size_t(top) * shownPitch + size_t(left) * size_t(bpp);
        const uint8_t* b = next + size_t(top) * nextPitch + size_t(left) * size_t(bpp);
        std::vector<RECT> part = copy ? UpdateChangedRects(a, shownPitch, b, nextPitch, right - left, bottom - top, bpp)
                                      : FindChangedRects(a, shownPitch, b, nextPitch, right - left, bottom - top, bpp);
        for (RECT& r : part) changes.push_back(RECT{r.left + left, r.top + top, r.right + left, r.bottom + top});
    }
    return changes;
}

// The present of a flip whose new frame is known to differ from gLastFrame only within `changes`: copies those
// into the frame and sends them on, without comparing. Falls back to a whole present when the frame does not fit.
std::vector<RECT> PresentKnown(SurfaceState& primary, std::vector<RECT> changes)
{
    const RECT whole{0, 0, primary.width, primary.height};
    HWND window = PresentWindow(primary);
    if (!SameRect(VisibleRect(primary), whole) || !LastFrameFits(primary, primary.width, primary.height, window))
        return Present(primary);
    const int bpp = BytesPerPixel(primary.format);
    CopyRects(gLastFrame.pixels.data(), size_t(primary.width) * size_t(bpp), primary.pixels.get(),
              size_t(primary.pitch), changes, bpp);
    gFrameSource = &primary;
    gFrameSourceRect = whole;
    SendFrame(window, &changes);
    return changes;
}

// A plain blit of src's rectangle sr over the whole visible part of the primary, done as a present in one pass:
// the picture is compared with the last frame, which the primary still shows, and only what changed is copied,
// into the frame and into the primary. False, with nothing done, when that does not apply.
bool BlitPresent(SurfaceState& primary, const RECT& dr, const SurfaceState& src, const RECT& sr)
{
    if (gFrameSource != &primary || &src == &primary) return false;
    if (sr.right - sr.left != dr.right - dr.left || sr.bottom - sr.top != dr.bottom - dr.top) return false;
    const RECT vis = VisibleRect(primary);
    if (!SameRect(dr, vis) || !SameRect(vis, gFrameSourceRect)) return false;
    const int bpp = BytesPerPixel(primary.format);
    const int width = vis.right - vis.left, height = vis.bottom - vis.top;
    HWND window = PresentWindow(primary);
    if (!LastFrameFits(primary, width, height, window)) return false;
    PresentedFrame& frame = gLastFrame;
    const size_t row = size_t(width) * size_t(bpp);
    const uint8_t* source = src.pixels.get() + size_t(sr.top) * size_t(src.pitch) + size_t(sr.left) * size_t(bpp);
    const std::vector<RECT> changed = ScanForChanges(src, sr.left, sr.top, frame.pixels.data(), row, source,
                                                     size_t(src.pitch), width, height, bpp, true);
    CopyRects(primary.pixels.get() + size_t(vis.top) * size_t(primary.pitch) + size_t(vis.left) * size_t(bpp),
              size_t(primary.pitch), frame.pixels.data(), row, changed, bpp);
    SendFrame(window, &changed);
    return true;
}

// A plain blit of src's rectangle sr over the whole of a flipping primary's back buffer that holds the frame before
// last (gFlipBack), while the primary shows gLastFrame whole: the picture is compared with gLastFrame, and copied
// only where it differs from it or where the frame before last did. False, with nothing done, when that does not
// apply.
bool FlipBlit(SurfaceState& back, const RECT& dr, const SurfaceState& src, const RECT& sr)
{
    if (gFlipBack != &back || &src == &back) return false;
    SurfaceState* primary = back.device->primary;
    if (!primary || primary != gFrameSource || !primary->attached || &primary->attached->State() != &back) return false;
    const RECT whole{0, 0, back.width, back.height};
    if (!SameRect(dr, whole) || !SameRect(gFrameSourceRect, whole) || sr.right - sr.left != back.width ||
        sr.bottom - sr.top != back.height || primary->width != back.width || primary->height != back.height)
        return false;
    if (!LastFrameFits(*primary, back.width, back.height, PresentWindow(*primary))) return false;
    const int bpp = BytesPerPixel(back.format);
    const size_t row = size_t(back.width) * size_t(bpp);
    const uint8_t* source = src.pixels.get() + size_t(sr.top) * size_t(src.pitch) + size_t(sr.left) * size_t(bpp);
    std::vector<RECT> changes = ScanForChanges(src, sr.left, sr.top, gLastFrame.pixels.data(), row, source,
                                               size_t(src.pitch), back.width, back.height, bpp, false);
    CopyRects(back.pixels.get(), size_t(back.pitch), source, size_t(src.pitch), changes, bpp);
    CopyRects(back.pixels.get(), size_t(back.pitch), source, size_t(src.pitch), gFlipChanges, bpp);
    gFlipBack = nullptr;
    gFlipReady = &back;
    gReadyChanges = std::move(changes);
    return true;
}

// Copies src's rectangle sr into dst's rectangle dr (already validated), stretching by nearest neighbour when
// the sizes differ and skipping keyed source pixels when asked.
void CopyPixels(SurfaceState& dst, const RECT& dr, const SurfaceState& src, const RECT& sr, bool keyed)
{
    const int bpp = BytesPerPixel(dst.format);
    const int dw = dr.right - dr.left, dh = dr.bottom - dr.top;
    const int sw = sr.right - sr.left, sh = sr.bottom - sr.top;
    // A blit within one surface may overlap: read from a copy.
    std::unique_ptr<uint8_t[]> copy;
    const uint8_t* srcBase = src.pixels.get();
    if (&dst == &src)
    {
        copy.reset(new uint8_t[src.bytes]);
        std::memcpy(copy.get(), src.pixels.get(), src.bytes);
        srcBase = copy.get();
    }
    for (int y = 0; y < dh; ++y)
    {
        const int sy = sr.top + (sw == dw && sh == dh ? y : int(int64_t(y) * sh / dh));
        uint8_t* d = dst.pixels.get() + size_t(dr.top + y) * size_t(dst.pitch) + size_t(dr.left) * size_t(bpp);
        const uint8_t* s = srcBase + size_t(sy) * size_t(src.pitch);
        if (!keyed && sw == dw)
        {
            std::memcpy(d, s + size_t(sr.left) * size_t(bpp), size_t(dw) * size_t(bpp));
            continue;
        }
        for (int x = 0; x < dw; ++x)
        {
            const int sx = sr.left + (sw == dw ? x : int(int64_t(x) * sw / dw));
            const uint8_t* sp = s + size_t(sx) * size_t(bpp);
            if (keyed)
            {
                const uint32_t v = ReadPixel(sp, bpp);
                if (v >= src.key.dwColorSpaceLowValue && v <= src.key.dwColorSpaceHighValue) continue;
            }
            std::memcpy(d + size_t(x) * size_t(bpp), sp, size_t(bpp));
        }
    }
}

uint32_t NowMs()
{
    return TimeGetTime();
}

uint32_t EffectiveRefresh()
{
    if (GetVideoBackend() == VideoBackend::Sdl) return SdlRefreshRate();
    return gConfig.refreshHz;
}

} // namespace

void HintPresentChanges(IDirectDrawSurface* source, const RECT* rects, size_t count)
{
    std::lock_guard guard(gLock);
    gHintSource = source != nullptr ? &source->State() : nullptr;
    gHintRects.assign(rects, rects + (rects != nullptr ? count : 0));
}

std::recursive_mutex& SurfaceLock()
{
    return gLock;
}

DesktopInfo QueryDesktop()
{
    if (GetVideoBackend() == VideoBackend::Sdl) return SdlQueryDesktop();
    DesktopInfo info;
    info.width = gConfig.width;
    info.height = gConfig.height;
    info.format = FormatForDepth(gConfig.bitsPerPixel, gConfig.use555, gConfig.bgr);
    info.usable = gConfig.usable;
    info.captionHeight = gConfig.captionHeight;
    return info;
}

bool VirtualModeSize(int& width, int& height)
{
    std::lock_guard guard(gLock);
    if (!gModeActive) return false;
    width = gModeWidth;
    height = gModeHeight;
    return true;
}

// ---- Clipper -----------------------------------------------------------------------------------------------------

uint32_t IDirectDrawClipper::AddRef()
{
    std::lock_guard guard(gLock);
    return ++mRefs;
}

uint32_t IDirectDrawClipper::Release()
{
    std::lock_guard guard(gLock);
    const uint32_t refs = --mRefs;
    if (refs == 0) delete this;
    return refs;
}

HRESULT IDirectDrawClipper::SetHWnd(uint32_t, HWND window)
{
    std::lock_guard guard(gLock);
    if (HRESULT f = CheckFailure(SurfaceStep::SetHWnd)) return f;
    mWindow = window;
    return DD_OK;
}

HRESULT IDirectDrawClipper::GetHWnd(HWND* window) const
{
    if (!window) return DDERR_INVALIDPARAMS;
    *window = mWindow;
    return DD_OK;
}

// ---- Surface -----------------------------------------------------------------------------------------------------

IDirectDrawSurface::~IDirectDrawSurface() = default;

uint32_t IDirectDrawSurface::AddRef()
{
    std::lock_guard guard(gLock);
    return ++mRefs;
}

uint32_t IDirectDrawSurface::Release()
{
    std::lock_guard guard(gLock);
    const uint32_t refs = --mRefs;
    if (refs == 0)
    {
        SurfaceState* state = mState;
        if (state->device->primary == state) state->device->primary = nullptr;
        Forget(state);
        if (state->attached) state->attached->Release();
        if (state->clipper) state->clipper->Release();
        delete state;
        --gLiveSurfaces;
        delete static_cast<IDirectDrawSurface7*>(this);
    }
    return refs;
}

HRESULT IDirectDrawSurface::QueryInterface(const IID& iid, void** out)
{
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!(iid == IID_IDirectDrawSurface) && !(iid == IID_IDirectDrawSurface7)) return E_NOINTERFACE;
    AddRef();
    if (iid == IID_IDirectDrawSurface)
        *out = this;
    else
        *out = static_cast<IDirectDrawSurface7*>(this);
    return DD_OK;
}

namespace
{
template <typename Desc>
HRESULT LockSurfaceInto(SurfaceState& state, RECT* rect, Desc* desc)
{
    if (!desc || rect) return DDERR_INVALIDPARAMS;
    if (HRESULT f = LostCheck(state)) return f;
    if (HRESULT f = CheckFailure(SurfaceStep::Lock)) return f;
    if (state.locked) return DDERR_SURFACEBUSY;
    // Whoever holds the lock may write anything: the next present compares the whole picture again.
    Forget(&state);
    if (GetVideoBackend() == VideoBackend::Headless && gConfig.moveBuffersOnLock)
    {
        // Hand out a fresh buffer each time; the old one is freed so that a stale pointer is caught at once.
        std::unique_ptr<uint8_t[]> fresh(new (std::nothrow) uint8_t[state.bytes]);
        if (!fresh) return DDERR_OUTOFMEMORY;
        std::memcpy(fresh.get(), state.pixels.get(), state.bytes);
        state.pixels = std::move(fresh);
    }
    state.locked = true;
    FillDesc(state, desc, true);
    return DD_OK;
}

template <typename Desc>
HRESULT DescribeSurface(SurfaceState& state, Desc* desc)
{
    if (!desc) return DDERR_INVALIDPARAMS;
    if (HRESULT f = CheckFailure(SurfaceStep::GetSurfaceDesc)) return f;
    FillDesc(state, desc, false);
    return DD_OK;
}
} // namespace

HRESULT IDirectDrawSurface::Lock(RECT* rect, DDSURFACEDESC* desc, uint32_t, void*)
{
    std::lock_guard guard(gLock);
    return LockSurfaceInto(*mState, rect, desc);
}

HRESULT IDirectDrawSurface::Lock(RECT* rect, DDSURFACEDESC2* desc, uint32_t, void*)
{
    std::lock_guard guard(gLock);
    return LockSurfaceInto(*mState, rect, desc);
}

HRESULT IDirectDrawSurface::Unlock(void*)
{
    std::lock_guard guard(gLock);
    if (!mState->locked) return DDERR_NOTLOCKED;
    mState->locked = false;
    return DD_OK;
}

HRESULT IDirectDrawSurface::Blt(RECT* dstRect, IDirectDrawSurface* src, RECT* srcRect, uint32_t flags, void*)
{
    std::lock_guard guard(gLock);
    if (!src) return DDERR_INVALIDPARAMS;
    SurfaceState& d = *mState;
    SurfaceState& s = *src->mState;
    if (HRESULT f = LostCheck(d)) return f;
    if (s.device->lost) return DDERR_SURFACELOST;
    if (HRESULT f = CheckFailure(SurfaceStep::Blt)) return f;
    if (d.locked || s.locked) return DDERR_SURFACEBUSY;
    if (!SameFormat(d.format, s.format)) return DDERR_INVALIDPIXELFORMAT;
    RECT dr = dstRect ? *dstRect : RECT{0, 0, d.width, d.height};
    RECT sr = srcRect ? *srcRect : RECT{0, 0, s.width, s.height};
    if (!ValidRect(sr, s.width, s.height) || dr.right <= dr.left || dr.bottom <= dr.top) return DDERR_INVALIDRECT;
    HWND clipWindow = nullptr;
    if (d.clipper) d.clipper->GetHWnd(&clipWindow);
    if (d.clipper)
    {
        // The clipper keeps the blit inside the window's client area (and the surface); the source follows.
        RECT clip{0, 0, d.width, d.height};
        if (clipWindow)
        {
            RECT client;
            clipWindow->GetClientRect(client);
            POINT origin;
            clipWindow->ClientToScreen(origin);
            clip = RECT{std::max(origin.x, 0), std::max(origin.y, 0), std::min(origin.x + client.right, d.width),
                        std::min(origin.y + client.bottom, d.height)};
        }
        const RECT full = dr;
        dr = RECT{std::max(full.left, clip.left), std::max(full.top, clip.top), std::min(full.right, clip.right),
                  std::min(full.bottom, clip.bottom)};
        if (dr.right <= dr.left || dr.bottom <= dr.top) return DD_OK;
        const int64_t fw = full.right - full.left, fh = full.bottom - full.top;
        const int64_t sw = sr.right - sr.left, sh = sr.bottom - sr.top;
        RECT cut{sr.left + int32_t((dr.left - full.left) * sw / fw), sr.top + int32_t((dr.top - full.top) * sh / fh),
                 sr.left + int32_t((dr.right - full.left) * sw / fw),
                 sr.top + int32_t((dr.bottom - full.top) * sh / fh)};
        if (cut.right <= cut.left || cut.bottom <= cut.top) return DD_OK;
        sr = cut;
    }
    else if (!ValidRect(dr, d.width, d.height))
    {
        return DDERR_INVALIDRECT;
    }
    const bool keyed = (flags & DDBLT_KEYSRC) && s.hasKey;
    // A hint serves the one present it was given for.
    struct DropHint
    {
        ~DropHint() { gHintSource = nullptr; }
    } dropHint;
    if (d.device->primary == &d && !keyed && BlitPresent(d, dr, s, sr)) return DD_OK;
    if (!keyed && FlipBlit(d, dr, s, sr)) return DD_OK;
    Forget(&d);
    CopyPixels(d, dr, s, sr, keyed);
    if (d.device->primary == &d) Present(d);
    return DD_OK;
}

HRESULT IDirectDrawSurface::Flip(IDirectDrawSurface*, uint32_t)
{
    std::lock_guard guard(gLock);
    SurfaceState& p = *mState;
    if (HRESULT f = LostCheck(p)) return f;
    if (HRESULT f = CheckFailure(SurfaceStep::Flip)) return f;
    if (!p.attached) return DDERR_UNSUPPORTED;
    SurfaceState& b = *p.attached->mState;
    if (p.locked || b.locked) return DDERR_SURFACEBUSY;
    // When the primary shows gLastFrame whole, the back buffer holds it after the swap: the frame before the next.
    const bool shown = &p == gFrameSource && p.device->primary == &p;
    const bool ready = shown && gFlipReady == &b;
    Forget(&p);
    Forget(&b);
    std::swap(p.pixels, b.pixels);
    if (p.device->primary != &p) return DD_OK;
    std::vector<RECT> sent = ready ? PresentKnown(p, std::move(gReadyChanges)) : Present(p);
    if (shown && gFrameSource == &p && SameRect(gFrameSourceRect, RECT{0, 0, p.width, p.height}) &&
        b.width == p.width && b.height == p.height)
    {
        gFlipBack = &b;
        gFlipChanges = std::move(sent);
    }
    return DD_OK;
}

HRESULT IDirectDrawSurface::SetColorKey(uint32_t flags, DDCOLORKEY* key)
{
    std::lock_guard guard(gLock);
    if (HRESULT f = CheckFailure(SurfaceStep::SetColorKey)) return f;
    if (flags != DDCKEY_SRCBLT) return DDERR_UNSUPPORTED;
    if (!key)
    {
        mState->hasKey = false;
        return DD_OK;
    }
    mState->hasKey = true;
    mState->key = *key;
    return DD_OK;
}

HRESULT IDirectDrawSurface::GetColorKey(uint32_t flags, DDCOLORKEY* key)
{
    std::lock_guard guard(gLock);
    if (flags != DDCKEY_SRCBLT || !key) return DDERR_INVALIDPARAMS;
    if (!mState->hasKey) return DDERR_UNSUPPORTED;
    *key = mState->key;
    return DD_OK;
}

HRESULT IDirectDrawSurface::GetSurfaceDesc(DDSURFACEDESC* desc)
{
    std::lock_guard guard(gLock);
    return DescribeSurface(*mState, desc);
}

HRESULT IDirectDrawSurface::GetSurfaceDesc(DDSURFACEDESC2* desc)
{
    std::lock_guard guard(gLock);
    return DescribeSurface(*mState, desc);
}

HRESULT IDirectDrawSurface::GetPixelFormat(DDPIXELFORMAT* format)
{
    std::lock_guard guard(gLock);
    if (!format) return DDERR_INVALIDPARAMS;
    DDSURFACEDESC2 desc;
    FillDesc(*mState, &desc, false);
    *format = desc.ddpfPixelFormat;
    return DD_OK;
}

HRESULT IDirectDrawSurface::GetAttachedSurface(DDSCAPS* caps, IDirectDrawSurface** out)
{
    std::lock_guard guard(gLock);
    if (!caps || !out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (HRESULT f = CheckFailure(SurfaceStep::GetAttachedSurface)) return f;
    if (!(caps->dwCaps & DDSCAPS_BACKBUFFER) || !mState->attached) return DDERR_UNSUPPORTED;
    mState->attached->AddRef();
    *out = mState->attached;
    return DD_OK;
}

HRESULT IDirectDrawSurface::GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** out)
{
    if (!caps || !out) return DDERR_INVALIDPARAMS;
    DDSCAPS first{caps->dwCaps};
    IDirectDrawSurface* found = nullptr;
    const HRESULT result = GetAttachedSurface(&first, &found);
    *out = static_cast<IDirectDrawSurface7*>(found);
    return result;
}

HRESULT IDirectDrawSurface::SetClipper(IDirectDrawClipper* clipper)
{
    std::lock_guard guard(gLock);
    if (HRESULT f = CheckFailure(SurfaceStep::SetClipper)) return f;
    if (clipper) clipper->AddRef();
    if (mState->clipper) mState->clipper->Release();
    mState->clipper = clipper;
    return DD_OK;
}

HRESULT IDirectDrawSurface::IsLost()
{
    std::lock_guard guard(gLock);
    return mState->device->lost ? DDERR_SURFACELOST : DD_OK;
}

// ---- Display object ------------------------------------------------------------------------------------------------

IDirectDraw::IDirectDraw() : mDevice(std::make_shared<DeviceState>())
{
    ++gLiveDevices;
}

IDirectDraw::~IDirectDraw()
{
    // The device goes: its surfaces are lost and its virtual mode is dropped.
    mDevice->lost = true;
    if (mDevice->modeSet) gModeActive = false;
    if (mDevice->exclusive && mDevice->window && GetVideoBackend() == VideoBackend::Sdl)
        mDevice->window->SetFullScreen(false);
    --gLiveDevices;
}

uint32_t IDirectDraw::AddRef()
{
    std::lock_guard guard(gLock);
    return ++mRefs;
}

uint32_t IDirectDraw::Release()
{
    std::lock_guard guard(gLock);
    const uint32_t refs = --mRefs;
    if (refs == 0) delete static_cast<IDirectDraw7*>(this);
    return refs;
}

HRESULT IDirectDraw::QueryInterface(const IID& iid, void** out)
{
    std::lock_guard guard(gLock);
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (HRESULT f = CheckFailure(SurfaceStep::QueryInterface)) return f;
    if (iid == IID_IDirectDraw)
        *out = this;
    else if (iid == IID_IDirectDraw7)
        *out = static_cast<IDirectDraw7*>(this);
    else
        return E_NOINTERFACE;
    ++mRefs;
    return DD_OK;
}

HRESULT IDirectDraw::SetCooperativeLevel(HWND window, uint32_t flags)
{
    std::lock_guard guard(gLock);
    const bool exclusive = (flags & DDSCL_EXCLUSIVE) != 0;
    if (HRESULT f = CheckFailure(exclusive ? SurfaceStep::SetCooperativeLevelExclusive
                                           : SurfaceStep::SetCooperativeLevelNormal))
        return f;
    if (exclusive)
    {
        // Full screen needs the application's main window.
        if (!(flags & DDSCL_FULLSCREEN) || !window) return DDERR_INVALIDPARAMS;
        mDevice->exclusive = true;
        mDevice->window = window;
        if (GetVideoBackend() == VideoBackend::Sdl) window->SetFullScreen(true);
        return DD_OK;
    }
    if (!(flags & DDSCL_NORMAL)) return DDERR_INVALIDPARAMS;
    if (mDevice->exclusive)
    {
        mDevice->exclusive = false;
        if (mDevice->modeSet)
        {
            mDevice->modeSet = false;
            gModeActive = false;
        }
        if (mDevice->window && GetVideoBackend() == VideoBackend::Sdl) mDevice->window->SetFullScreen(false);
    }
    mDevice->window = window;
    return DD_OK;
}

HRESULT IDirectDraw::SetDisplayMode(uint32_t width, uint32_t height, uint32_t bitsPerPixel)
{
    std::lock_guard guard(gLock);
    if (HRESULT f = CheckFailure(SurfaceStep::SetDisplayMode)) return f;
    if (!mDevice->exclusive) return DDERR_NOEXCLUSIVEMODE;
    if (bitsPerPixel != 16 && bitsPerPixel != 32) return DDERR_UNSUPPORTEDMODE;
    if (width == 0 || height == 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide) return DDERR_INVALIDPARAMS;
    mDevice->modeSet = true;
    mDevice->modeWidth = width;
    mDevice->modeHeight = height;
    mDevice->modeBitsPerPixel = bitsPerPixel;
    gModeActive = true;
    gModeWidth = int(width);
    gModeHeight = int(height);
    return DD_OK;
}

HRESULT IDirectDraw::RestoreDisplayMode()
{
    std::lock_guard guard(gLock);
    if (mDevice->modeSet) gModeActive = false;
    mDevice->modeSet = false;
    return DD_OK;
}

template <typename Desc, typename Out>
HRESULT IDirectDraw::CreateSurfaceFrom(Desc* desc, Out** out)
{
    std::lock_guard guard(gLock);
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!desc || !(desc->dwFlags & DDSD_CAPS)) return DDERR_INVALIDPARAMS;
    const uint32_t caps = desc->ddsCaps.dwCaps;
    const bool primary = (caps & DDSCAPS_PRIMARYSURFACE) != 0;
    const uint32_t askedWidth = (desc->dwFlags & DDSD_WIDTH) ? desc->dwWidth : 0;
    const uint32_t askedHeight = (desc->dwFlags & DDSD_HEIGHT) ? desc->dwHeight : 0;
    if (HRESULT f = CheckFailure(SurfaceStep::CreateSurface, caps, askedWidth, askedHeight)) return f;

    int width, height;
    PixelFormatInfo format;
    const bool fullScreenMode = mDevice->exclusive && mDevice->modeSet;
    if (primary)
    {
        if (fullScreenMode)
        {
            width = int(mDevice->modeWidth);
            height = int(mDevice->modeHeight);
            format = ModeFormat(int(mDevice->modeBitsPerPixel));
        }
        else
        {
            const DesktopInfo desktop = QueryDesktop();
            width = desktop.width;
            height = desktop.height;
            format = desktop.format;
        }
    }
    else
    {
        if (askedWidth == 0 || askedHeight == 0 || askedWidth > kMaxSurfaceSide || askedHeight > kMaxSurfaceSide)
            return DDERR_INVALIDPARAMS;
        width = int(askedWidth);
        height = int(askedHeight);
        if (mDevice->primary)
            format = mDevice->primary->format;
        else if (fullScreenMode)
            format = ModeFormat(int(mDevice->modeBitsPerPixel));
        else
            format = QueryDesktop().format;
    }
    const bool flipping = primary && (caps & DDSCAPS_FLIP);
    if (flipping)
    {
        if (!(caps & DDSCAPS_COMPLEX) || !(desc->dwFlags & DDSD_BACKBUFFERCOUNT) || desc->dwBackBufferCount != 1)
            return DDERR_INVALIDPARAMS;
        if (!mDevice->exclusive) return DDERR_NOEXCLUSIVEMODE;
    }

    const int align = GetVideoBackend() == VideoBackend::Headless ? std::max(1, gConfig.pitchAlign) : 64;
    auto make = [&](uint32_t surfaceCaps) -> IDirectDrawSurface7*
    {
        auto state = std::make_unique<SurfaceState>();
        state->device = mDevice;
        state->caps = surfaceCaps;
        state->width = width;
        state->height = height;
        state->format = format;
        const int64_t row = int64_t(width) * BytesPerPixel(format);
        state->pitch = int((row + align - 1) / align * align);
        state->bytes = size_t(state->pitch) * size_t(height);
        state->pixels.reset(new (std::nothrow) uint8_t[state->bytes]());
        if (!state->pixels) return nullptr;
        auto* surface = new IDirectDrawSurface7;
        surface->mState = state.release();
        ++gLiveSurfaces;
        return surface;
    };
    IDirectDrawSurface7* surface = make(caps);
    if (!surface) return DDERR_OUTOFMEMORY;
    if (flipping)
    {
        IDirectDrawSurface7* back =
            make(DDSCAPS_BACKBUFFER | DDSCAPS_FLIP | DDSCAPS_COMPLEX | (caps & DDSCAPS_3DDEVICE));
        if (!back)
        {
            surface->Release();
            return DDERR_OUTOFMEMORY;
        }
        surface->mState->attached = back;
    }
    if (primary)
    {
        mDevice->primary = surface->mState;
        gFrameSource = gFlipBack = gFlipReady = nullptr;
    }
    *out = surface;
    return DD_OK;
}

HRESULT IDirectDraw::CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** out, void*)
{
    IDirectDrawSurface7* surface = nullptr;
    const HRESULT result = CreateSurfaceFrom(desc, &surface);
    if (out) *out = surface;
    return result;
}

HRESULT IDirectDraw::CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** out, void*)
{
    return CreateSurfaceFrom(desc, out);
}

HRESULT IDirectDraw::CreateClipper(uint32_t, IDirectDrawClipper** out, void*)
{
    std::lock_guard guard(gLock);
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (HRESULT f = CheckFailure(SurfaceStep::CreateClipper)) return f;
    *out = new IDirectDrawClipper;
    return DD_OK;
}

HRESULT IDirectDraw::FlipToGDISurface()
{
    return DD_OK;
}

HRESULT IDirectDraw::GetScanLine(uint32_t* line)
{
    std::lock_guard guard(gLock);
    if (!line) return DDERR_INVALIDPARAMS;
    if (HRESULT f = CheckFailure(SurfaceStep::GetScanLine)) return f;
    if (GetVideoBackend() == VideoBackend::Sdl)
        return DDERR_UNSUPPORTED; // no beam position exists; presents are paced by the vsynced renderer
    switch (gScanModel)
    {
    case ScanLineModel::Failing:
        return gScanFailure;
    case ScanLineModel::Scripted:
    {
        if (gScript.empty()) return DDERR_UNSUPPORTED;
        const ScanLineAnswer answer = gScript[gScriptPos];
        if (gScriptPos + 1 < gScript.size()) ++gScriptPos;
        if (answer.result != DD_OK) return answer.result;
        *line = answer.line;
        return DD_OK;
    }
    case ScanLineModel::Clock:
        break;
    }
    const uint32_t visible = mDevice->primary ? uint32_t(mDevice->primary->height) : uint32_t(QueryDesktop().height);
    const uint32_t total = visible + BlankLines(visible);
    const uint32_t hz = gConfig.refreshHz ? gConfig.refreshHz : 60;
    // Position within the frame from the clock: whole frames repeat every 1000 / hz milliseconds.
    const uint64_t phase = (uint64_t(NowMs()) * hz) % 1000; // thousandths of a frame
    const uint32_t beam = uint32_t(phase * total / 1000);
    if (beam >= visible) return DDERR_VERTICALBLANKINPROGRESS;
    *line = beam;
    return DD_OK;
}

HRESULT IDirectDraw::WaitForVerticalBlank(uint32_t flags, void*)
{
    uint32_t waitMs = 0;
    {
        std::lock_guard guard(gLock);
        if (HRESULT f = CheckFailure(SurfaceStep::WaitForVerticalBlank)) return f;
        if (flags != DDWAITVB_BLOCKBEGIN) return DDERR_UNSUPPORTED;
        if (GetVideoBackend() == VideoBackend::Sdl || gScanModel != ScanLineModel::Clock) return DD_OK;
        const uint32_t visible =
            mDevice->primary ? uint32_t(mDevice->primary->height) : uint32_t(QueryDesktop().height);
        const uint32_t total = visible + BlankLines(visible);
        const uint32_t hz = gConfig.refreshHz ? gConfig.refreshHz : 60;
        const uint64_t phase = (uint64_t(NowMs()) * hz) % 1000;
        const uint64_t blankStart = uint64_t(visible) * 1000 / total;
        const uint64_t toGo = phase < blankStart ? blankStart - phase : 1000 - phase + blankStart;
        waitMs = uint32_t((toGo + hz - 1) / hz); // thousandths of a frame -> milliseconds, rounded up
    }
    Sleep(std::max<uint32_t>(waitMs, 1));
    return DD_OK;
}

HRESULT IDirectDraw::GetMonitorFrequency(uint32_t* hertz)
{
    std::lock_guard guard(gLock);
    if (!hertz) return DDERR_INVALIDPARAMS;
    if (HRESULT f = CheckFailure(SurfaceStep::GetMonitorFrequency)) return f;
    const uint32_t rate = EffectiveRefresh();
    if (rate == 0) return DDERR_UNSUPPORTED;
    *hertz = rate;
    return DD_OK;
}

HRESULT DirectDrawCreate(void*, IDirectDraw** out, void*)
{
    std::lock_guard guard(gLock);
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (HRESULT f = CheckFailure(SurfaceStep::DirectDrawCreate)) return f;
    if (GetVideoBackend() == VideoBackend::Sdl && !SdlEnsureVideo()) return DDERR_GENERIC;
    *out = new IDirectDraw7;
    return DD_OK;
}

HRESULT DirectDrawCreateEx(void*, void** out, const IID& iid, void*)
{
    std::lock_guard guard(gLock);
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (HRESULT f = CheckFailure(SurfaceStep::DirectDrawCreateEx)) return f;
    if (!(iid == IID_IDirectDraw7)) return DDERR_INVALIDPARAMS;
    if (GetVideoBackend() == VideoBackend::Sdl && !SdlEnsureVideo()) return DDERR_GENERIC;
    *out = new IDirectDraw7;
    return DD_OK;
}

void RegisterDisplayModule()
{
    static std::once_flag once;
    std::call_once(once,
                   []
                   {
                       RegisterModule(
                           "ddraw.dll",
                           {{"DirectDrawCreate", Entry<decltype(DirectDrawCreate)>(&DirectDrawCreate)},
                            {"DirectDrawCreateEx", Entry<decltype(DirectDrawCreateEx)>(&DirectDrawCreateEx)}});
                   });
}

// ---- Backend choice and headless controls --------------------------------------------------------------------------

VideoBackend GetVideoBackend()
{
    std::lock_guard guard(gLock);
    if (!gBackend)
    {
        const char* env = std::getenv("ZEST_VIDEO");
        gBackend = (env && std::string(env) == "headless") ? VideoBackend::Headless : VideoBackend::Sdl;
    }
    return *gBackend;
}

void SetVideoBackend(VideoBackend backend)
{
    std::lock_guard guard(gLock);
    gBackend = backend;
}

HeadlessDisplayConfig& HeadlessDisplay()
{
    return gConfig;
}

void ResetHeadlessDisplay()
{
    std::lock_guard guard(gLock);
    gConfig = HeadlessDisplayConfig{};
    gFailures.clear();
    gScanModel = ScanLineModel::Clock;
    gScript.clear();
    gScriptPos = 0;
    gScanFailure = DD_OK;
    gFrameCount = 0;
    gLastFrame = PresentedFrame{};
    gLastFrameWindow = nullptr;
    gFrameSource = gFlipBack = gFlipReady = nullptr;
}

void SetScanLineModel(ScanLineModel model, std::vector<ScanLineAnswer> script, HRESULT failure)
{
    std::lock_guard guard(gLock);
    gScanModel = model;
    gScript = std::move(script);
    gScriptPos = 0;
    gScanFailure = failure;
}

void InjectSurfaceFailure(SurfaceStep step, HRESULT code, int nth, uint32_t capsMatch, uint32_t width, uint32_t height)
{
    std::lock_guard guard(gLock);
    gFailures.push_back(FailureRule{step, code, std::max(nth, 0), 0, capsMatch, width, height});
}

void ClearSurfaceFailures()
{
    std::lock_guard guard(gLock);
    gFailures.clear();
}

int PresentedFrameCount()
{
    std::lock_guard guard(gLock);
    return gFrameCount;
}

PresentedFrame LastPresentedFrame()
{
    std::lock_guard guard(gLock);
    return gLastFrame;
}

namespace
{
// Offset of the first byte where a and b differ, or n when they do not. Whole blocks go through memcmp, which
// the C library runs with the widest vector instructions the processor has.
constexpr size_t kCompareBlock = 256;
size_t FirstDifference(const uint8_t* a, const uint8_t* b, size_t n)
{
    size_t i = 0;
    while (i + kCompareBlock <= n && std::memcmp(a + i, b + i, kCompareBlock) == 0) i += kCompareBlock;
    for (; i < n; ++i)
        if (a[i] != b[i]) return i;
    return n;
}
// One past the offset of the last byte where a and b differ, or 0 when they do not.
size_t LastDifference(const uint8_t* a, const uint8_t* b, size_t n)
{
    size_t i = n;
    while (i >= kCompareBlock && std::memcmp(a + i - kCompareBlock, b + i - kCompareBlock, kCompareBlock) == 0)
        i -= kCompareBlock;
    for (; i > 0; --i)
        if (a[i - 1] != b[i - 1]) return i;
    return 0;
}
int64_t Area(const RECT& r)
{
    return int64_t(r.right - r.left) * int64_t(r.bottom - r.top);
}
} // namespace

namespace
{
// The changed-rectangle scan of UpdateChangedRects; copies what differs into `shown` only when asked.
std::vector<RECT> ScanChangedRects(uint8_t* shown, size_t shownPitch, const uint8_t* next, size_t nextPitch, int width,
                                   int height, int bytesPerPixel, bool copy)
{
    // Bands of 16 rows: narrow enough that a moving sprite does not drag a whole screen's width along, few enough
    // that a full-screen change stays a handful of rectangles.
    constexpr int kBand = 16;
    std::vector<RECT> rects;
    if (width <= 0 || height <= 0 || bytesPerPixel <= 0) return rects;
    const size_t row = size_t(width) * size_t(bytesPerPixel);
    const size_t bpp = size_t(bytesPerPixel);
    for (int top = 0; top < height; top += kBand)
    {
        const int bottom = std::min(height, top + kBand);
        size_t left = row, right = 0;
        for (int y = top; y < bottom; ++y)
        {
            uint8_t* a = shown + size_t(y) * shownPitch;
            const uint8_t* b = next + size_t(y) * nextPitch;
            if (std::memcmp(a, b, row) == 0) continue;
            const size_t first = FirstDifference(a, b, row);
            // Whole pixels: a change in one byte of a pixel takes the pixel.
            const size_t from = first / bpp * bpp;
            const size_t to = (LastDifference(a, b, row) + bpp - 1) / bpp * bpp;
            if (copy) std::memcpy(a + from, b + from, to - from);
            left = std::min(left, from);
            right = std::max(right, to);
        }
        if (right <= left) continue;
        RECT band{int32_t(left / bpp), top, int32_t(right / bpp), bottom};
        if (!rects.empty() && rects.back().bottom == top)
        {
            // Merged with the band above when the joint rectangle wastes at most a quarter of its area.
            RECT& above = rects.back();
            const RECT joint{std::min(above.left, band.left), above.top, std::max(above.right, band.right), bottom};
            if (4 * (Area(joint) - Area(above) - Area(band)) <= Area(joint))
            {
                above = joint;
                continue;
            }
        }
        rects.push_back(band);
    }
    return rects;
}
} // namespace

std::vector<RECT> UpdateChangedRects(uint8_t* shown, size_t shownPitch, const uint8_t* next, size_t nextPitch,
                                     int width, int height, int bytesPerPixel)
{
    return ScanChangedRects(shown, shownPitch, next, nextPitch, width, height, bytesPerPixel, true);
}

std::vector<RECT> FindChangedRects(const uint8_t* shown, size_t shownPitch, const uint8_t* next, size_t nextPitch,
                                   int width, int height, int bytesPerPixel)
{
    // Read only: the scan writes to `shown` only when it copies.
    return ScanChangedRects(const_cast<uint8_t*>(shown), shownPitch, next, nextPitch, width, height, bytesPerPixel,
                            false);
}

int LiveSurfaceCount()
{
    std::lock_guard guard(gLock);
    return gLiveSurfaces;
}

int LiveDeviceCount()
{
    std::lock_guard guard(gLock);
    return gLiveDevices;
}

namespace
{
uint8_t WidenChannel(uint32_t pixel, uint32_t mask)
{
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    int width = 0;
    while (shift + width < 32 && ((mask >> (shift + width)) & 1)) ++width;
    uint32_t v = (pixel & mask) >> shift;
    if (width >= 8) return uint8_t(v >> (width - 8));
    // Repeat the top bits so that full scale stays full scale.
    uint32_t out = 0;
    int filled = 0;
    while (filled < 8)
    {
        out = (out << width) | v;
        filled += width;
    }
    return uint8_t(out >> (filled - 8));
}
} // namespace

uint32_t PresentedFrame::ArgbAt(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const int bytes = (bitsPerPixel + 7) / 8;
    const uint32_t p = ReadPixel(&pixels[(size_t(y) * size_t(width) + size_t(x)) * size_t(bytes)], bytes);
    if (!redMask && !greenMask && !blueMask) return 0xFF000000u | (p & 0xFF) * 0x010101u;
    return 0xFF000000u | uint32_t(WidenChannel(p, redMask)) << 16 | uint32_t(WidenChannel(p, greenMask)) << 8 |
           WidenChannel(p, blueMask);
}

namespace
{
uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc = 0)
{
    static uint32_t table[256];
    static std::once_flag once;
    std::call_once(once,
                   []
                   {
                       for (uint32_t i = 0; i < 256; ++i)
                       {
                           uint32_t c = i;
                           for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
                           table[i] = c;
                       }
                   });
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutBE32(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v >> 24));
    out.push_back(uint8_t(v >> 16));
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
    PutBE32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBE32(out, Crc32(&out[start], out.size() - start));
}
} // namespace

bool WriteFramePng(const PresentedFrame& frame, const std::string& path)
{
    if (frame.width <= 0 || frame.height <= 0) return false;
    // Raw scanlines (filter 0, RGB) in stored deflate blocks: no compressor needed for a debugging dump.
    std::vector<uint8_t> raw;
    raw.reserve(size_t(frame.height) * (size_t(frame.width) * 3 + 1));
    for (int y = 0; y < frame.height; ++y)
    {
        raw.push_back(0);
        for (int x = 0; x < frame.width; ++x)
        {
            const uint32_t argb = frame.ArgbAt(x, y);
            raw.push_back(uint8_t(argb >> 16));
            raw.push_back(uint8_t(argb >> 8));
            raw.push_back(uint8_t(argb));
        }
    }
    std::vector<uint8_t> z{0x78, 0x01};
    size_t pos = 0;
    do
    {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        z.push_back(pos + n == raw.size() ? 1 : 0);
        z.push_back(uint8_t(n));
        z.push_back(uint8_t(n >> 8));
        z.push_back(uint8_t(~n));
        z.push_back(uint8_t(~n >> 8));
        z.insert(z.end(), raw.begin() + long(pos), raw.begin() + long(pos + n));
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw)
    {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBE32(z, (b << 16) | a);

    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBE32(header, uint32_t(frame.width));
    PutBE32(header, uint32_t(frame.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", z);
    PutChunk(png, "IEND", {});
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    return bool(file);
}

} // namespace Platform
