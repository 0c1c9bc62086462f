// Memory surfaces, display objects and clippers of the surface layer, and the headless backend's controls.
#include "platform/Surfaces.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>

#include "platform/Clock.h"
#include "platform/Modules.h"
#include "platform/SurfacesInternal.h"
#include "platform/Threads.h"

namespace Platform
{

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
int gLiveSurfaces = 0;
int gLiveDevices = 0;
bool gModeActive = false;
int gModeWidth = 0;
int gModeHeight = 0;

constexpr int kMaxSurfaceSide = 16384;

} // namespace

HRESULT CheckFailure(SurfaceStep step, uint32_t caps, uint32_t width, uint32_t height)
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

namespace
{

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
        ForgetPresentedPictures();
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
    ResetPresents();
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

} // namespace Platform
