// Locking a surface for direct access to its pixels, and describing a surface.
#include <cstring>
#include <mutex>
#include <new>

#include "platform/SurfacesInternal.h"

namespace Platform
{

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
    if (GetVideoBackend() == VideoBackend::Headless && HeadlessDisplay().moveBuffersOnLock)
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
    std::lock_guard guard(SurfaceLock());
    return LockSurfaceInto(*mState, rect, desc);
}

HRESULT IDirectDrawSurface::Lock(RECT* rect, DDSURFACEDESC2* desc, uint32_t, void*)
{
    std::lock_guard guard(SurfaceLock());
    return LockSurfaceInto(*mState, rect, desc);
}

HRESULT IDirectDrawSurface::Unlock(void*)
{
    std::lock_guard guard(SurfaceLock());
    if (!mState->locked) return DDERR_NOTLOCKED;
    mState->locked = false;
    return DD_OK;
}

HRESULT IDirectDrawSurface::GetSurfaceDesc(DDSURFACEDESC* desc)
{
    std::lock_guard guard(SurfaceLock());
    return DescribeSurface(*mState, desc);
}

HRESULT IDirectDrawSurface::GetSurfaceDesc(DDSURFACEDESC2* desc)
{
    std::lock_guard guard(SurfaceLock());
    return DescribeSurface(*mState, desc);
}

HRESULT IDirectDrawSurface::GetPixelFormat(DDPIXELFORMAT* format)
{
    std::lock_guard guard(SurfaceLock());
    if (!format) return DDERR_INVALIDPARAMS;
    DDSURFACEDESC2 desc;
    FillDesc(*mState, &desc, false);
    *format = desc.ddpfPixelFormat;
    return DD_OK;
}

} // namespace Platform
