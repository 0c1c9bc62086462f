// Blits between surfaces: clipping, colour keys, nearest-neighbour stretching, and blits onto the primary.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/SurfacesInternal.h"

namespace Platform
{

namespace
{

bool ValidRect(const RECT& r, int width, int height)
{
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= width && r.bottom <= height;
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

} // namespace

HRESULT IDirectDrawSurface::Blt(RECT* dstRect, IDirectDrawSurface* src, RECT* srcRect, uint32_t flags, void*)
{
    std::lock_guard guard(SurfaceLock());
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
        ~DropHint() { DropPresentHint(); }
    } dropHint;
    if (d.device->primary == &d && !keyed && BlitPresent(d, dr, s, sr)) return DD_OK;
    if (!keyed && FlipBlit(d, dr, s, sr)) return DD_OK;
    Forget(&d);
    CopyPixels(d, dr, s, sr, keyed);
    if (d.device->primary == &d) Present(d);
    return DD_OK;
}

} // namespace Platform
