// Pixel formats of the surface layer: the formats of each depth, reading pixels, describing a surface's format.
#include <cstring>

#include "platform/SurfacesInternal.h"

namespace Platform
{

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
    if (GetVideoBackend() == VideoBackend::Headless)
        return FormatForDepth(bitsPerPixel, HeadlessDisplay().use555, HeadlessDisplay().bgr);
    const DesktopInfo desktop = QueryDesktop();
    if (desktop.format.bitsPerPixel == bitsPerPixel) return desktop.format;
    return FormatForDepth(bitsPerPixel, false, false);
}

int BytesPerPixel(const PixelFormatInfo& format)
{
    return (format.bitsPerPixel + 7) / 8;
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

template void FillDesc(const SurfaceState&, DDSURFACEDESC*, bool);
template void FillDesc(const SurfaceState&, DDSURFACEDESC2*, bool);

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

} // namespace Platform
