// The per-pixel rules of the software blits onto display surfaces, from a premultiplied source with its alpha on top:
// 32-bit (8-bit channels in the low three bytes) blends and adds, and the 5-6-5 / 5-5-5 spread-word forms. The
// span kernels (BlendSpans.h) and the per-pixel surface routine both use them, so every form gives one result.
#pragma once

#include <algorithm>
#include <cstdint>

namespace Zest
{

// One 8-bit channel of a premultiplied source over an opaque destination, white tint: the exact mix
// s + d x (255 - a) / 255 rounded once to the nearest value.
inline uint32_t SurfaceBlendChannel(uint32_t s, uint32_t d, uint32_t a)
{
    return (s * 255 + d * (255 - a) + 127) / 255;
}

// A 32-bit pixel of the white blend: alpha 0 leaves the destination (its top byte included), anything else is the
// rounded mix in each channel with the top byte cleared.
inline uint32_t SurfaceBlendPixel(uint32_t s, uint32_t d)
{
    const uint32_t a = s >> 24;
    if (a == 0) return d;
    uint32_t v = 0;
    for (int shift = 0; shift < 24; shift += 8)
        v |= SurfaceBlendChannel((s >> shift) & 0xFF, (d >> shift) & 0xFF, a) << shift;
    return v;
}

// One channel of the tinted blend: the exact mix with one rounding at the end, of the source part s x colour x
// alpha (weight = colour x alpha) and the destination part d x (255 x 255 - source alpha x alpha) (rest), both
// over 255 x 255. Every sum stays below 2^25.
inline uint32_t SurfaceTintedChannel(uint32_t s, uint32_t d, uint32_t weight, uint32_t rest)
{
    return (s * weight + d * rest + 32512) / 65025;
}

// A 32-bit pixel of the tinted blend, with the colour x alpha weights by byte position: alpha 0 leaves the
// destination, anything else is mixed with the top byte cleared.
inline uint32_t SurfaceBlendTintedPixel(uint32_t s, uint32_t d, const uint32_t weight[3], uint32_t a)
{
    const uint32_t sa = s >> 24;
    if (sa == 0) return d;
    const uint32_t rest = 65025 - sa * a;
    uint32_t v = 0;
    for (int ch = 0; ch < 3; ++ch)
    {
        const int shift = 8 * ch;
        v |= SurfaceTintedChannel((s >> shift) & 0xFF, (d >> shift) & 0xFF, weight[ch], rest) << shift;
    }
    return v;
}

// A 32-bit pixel added channel by channel, saturated; tint holds the three 8-bit factors by byte position (0..2), and
// a white tint adds the channel whole (the tinted form takes value x factor / 255, rounded down). A source without
// colour leaves the destination.
inline uint32_t SurfaceAddPixel(uint32_t s, uint32_t d, const uint32_t tint[3], bool white)
{
    if ((s & 0x00FFFFFF) == 0) return d;
    uint32_t v = 0;
    for (int ch = 0; ch < 3; ++ch)
    {
        const int shift = 8 * ch;
        const uint32_t value = (s >> shift) & 0xFF;
        const uint32_t sum = (white ? value : value * tint[ch] / 255) + ((d >> shift) & 0xFF);
        v |= (sum > 255 ? 255 : sum) << shift;
    }
    return v;
}

// A 5-6-5 or 5-5-5 surface: red and blue in the 0x001F / 0xF800 (0x7C00) slots in either order, green between.
struct Spread16
{
    uint32_t greenMask;  // 0x07E0 or 0x03E0
    uint32_t spreadMask; // green moved to the high half: 0x07E0F81F or 0x03E07C1F
    uint32_t colourMask; // 0xFFFF or 0x7FFF
    int topShift;        // 11 or 10
    int greenWidth;      // 6 or 5

    static Spread16 For(uint32_t greenMask)
    {
        const bool six = greenMask == 0x07E0;
        return {greenMask, six ? 0x07E0F81Fu : 0x03E07C1Fu, six ? 0xFFFFu : 0x7FFFu, six ? 11 : 10, six ? 6 : 5};
    }
    uint32_t Spread(uint32_t p) const { return ((p & greenMask) << 16 | (p & ~greenMask & 0xFFFF)) & spreadMask; }
};

// One pixel of the grey blend: source and destination spread, scaled by 5-bit factors (the tint's k >> 3 and
// (256 - source alpha x a / 255) >> 3), each cut down and masked, added (no field can overflow: both parts round
// down and the source never exceeds its alpha) and folded back. Alpha 0 leaves the destination; with a white tint
// alpha 255 copies the source.
inline uint16_t Spread16Blend(const Spread16& f, uint32_t s, uint16_t d, uint32_t srcFactor, uint32_t a, bool white)
{
    const uint32_t sa = s >> 24;
    if (sa == 0) return d;
    if (sa == 255 && white) return uint16_t(s & f.colourMask);
    const uint32_t t = (((f.Spread(s) * srcFactor) >> 5) & f.spreadMask) +
                       (((f.Spread(d) * ((256 - sa * a / 255) >> 3)) >> 5) & f.spreadMask);
    return uint16_t(t | t >> 16);
}

// One pixel of the additive form: each channel (slot 0 at the bottom, 1 green, 2 at the top) of the source, scaled by
// its tint x / 255 unless white, added to the destination's and saturated. A source without colour leaves the
// destination.
inline uint16_t Spread16Add(const Spread16& f, uint32_t s, uint16_t d, const uint32_t tint[3], bool white)
{
    if ((s & 0x00FFFFFF) == 0) return d;
    const int shift[3] = {0, 5, f.topShift};
    const uint32_t top[3] = {31, (1u << f.greenWidth) - 1, 31};
    uint32_t out = 0;
    for (int slot = 0; slot < 3; ++slot)
    {
        const uint32_t value = (s >> shift[slot]) & top[slot];
        const uint32_t sum = (white ? value : value * tint[slot] / 255) + ((uint32_t(d) >> shift[slot]) & top[slot]);
        out |= std::min(sum, top[slot]) << shift[slot];
    }
    return uint16_t(out);
}

} // namespace Zest
