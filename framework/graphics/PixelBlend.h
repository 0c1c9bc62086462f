// The per-pixel arithmetic of the memory drawing routines on 0xAARRGGBB words: fills, normal blends (opaque
// destination, general, tinted) and saturating additive blends. Red/blue are handled as one packed pair.
#pragma once

#include "graphics/Color.h"

#include <cstdint>

namespace Zest
{

// A fill colour or tint prepared once per operation; components are already clamped to 0..255.
struct BlendParams
{
    uint32_t red = 255, green = 255, blue = 255, alpha = 255;
    bool white = true;
    bool grey = true;
    // Additive factors: channel x alpha / 255.
    uint32_t addRed = 255, addGreen = 255, addBlue = 255;
    // Normal mode: the destination has neither transparency nor partial alpha.
    bool opaqueDest = false;
    // Additive mode: weigh source channels by the pixel's own alpha.
    bool srcHasAlpha = false;
    bool additive = false;
    const uint8_t* sat = nullptr;

    BlendParams() = default;
    BlendParams(const Color& clamped, bool additiveMode, const uint8_t* saturation)
        : red(uint32_t(clamped.mRed)), green(uint32_t(clamped.mGreen)), blue(uint32_t(clamped.mBlue)),
          alpha(uint32_t(clamped.mAlpha)), white(clamped.IsWhite()),
          grey(clamped.mRed == clamped.mGreen && clamped.mGreen == clamped.mBlue),
          addRed(uint32_t(clamped.mRed) * uint32_t(clamped.mAlpha) / 255),
          addGreen(uint32_t(clamped.mGreen) * uint32_t(clamped.mAlpha) / 255),
          addBlue(uint32_t(clamped.mBlue) * uint32_t(clamped.mAlpha) / 255), additive(additiveMode), sat(saturation)
    {
    }
};

// Blend onto an opaque destination with the pixel's own alpha a (1..254): d x (256 - a) >> 8 + p x a >> 8,
// each mask's two products added and masked again; the result is opaque.
inline uint32_t BlendOntoOpaque(uint32_t d, uint32_t p, uint32_t a)
{
    const uint32_t inv = 256 - a;
    const uint32_t rb = ((((d & 0x00FF00FF) * inv) >> 8) + (((p & 0x00FF00FF) * a) >> 8)) & 0x00FF00FF;
    const uint32_t g = ((((d & 0x0000FF00) * inv) >> 8) + (((p & 0x0000FF00) * a) >> 8)) & 0x0000FF00;
    return 0xFF000000u | rb | g;
}

// The combined alpha of a source alpha sa (1..255) over a destination alpha da, and the colour weight w.
// Returns false when the result would be fully transparent (nothing to write).
inline bool BlendWeights(uint32_t sa, uint32_t da, uint32_t& newA, uint32_t& w)
{
    newA = ((255 - da) * sa) / 255 + da;
    if (newA == 0) return false;
    w = (sa * 255) / newA;
    return true;
}

// Normal blend, white: the general rule for any destination.
inline void BlendNormalWhite(uint32_t& d, uint32_t s)
{
    const uint32_t sa = s >> 24;
    if (sa == 0) return;
    uint32_t newA, w;
    if (!BlendWeights(sa, d >> 24, newA, w)) return;
    const uint32_t inv = 256 - w;
    const uint32_t rb = ((((d & 0x00FF00FF) * inv) >> 8) + (((s & 0x00FF00FF) * w) >> 8)) & 0x00FF00FF;
    const uint32_t g = ((((d & 0x0000FF00) * inv) >> 8) + (((s & 0x0000FF00) * w) >> 8)) & 0x0000FF00;
    d = (newA << 24) | rb | g;
}

// Normal blend with a tint: the source alpha is scaled by the tint's alpha, the channels by the tint's.
inline void BlendNormalTinted(uint32_t& d, uint32_t s, const BlendParams& p)
{
    const uint32_t sa = ((s >> 24) * p.alpha) / 255;
    if (sa == 0) return;
    uint32_t newA, w;
    if (!BlendWeights(sa, d >> 24, newA, w)) return;
    const uint32_t inv = 256 - w;
    if (p.grey)
    {
        const uint32_t rb = (((((s & 0x00FF00FF) * p.red) >> 8) & 0x00FF00FF) * w) >> 8;
        const uint32_t g = ((s & 0x0000FF00) * w * p.red) >> 16;
        d = (newA << 24) | ((rb + (((d & 0x00FF00FF) * inv) >> 8)) & 0x00FF00FF) |
            ((g + (((d & 0x0000FF00) * inv) >> 8)) & 0x0000FF00);
    }
    else
    {
        const uint32_t r = ((((s & 0x00FF0000) * w) >> 8) * p.red) >> 8;
        const uint32_t g = ((s & 0x0000FF00) * w * p.green) >> 16;
        const uint32_t b = ((s & 0x000000FF) * w * p.blue) >> 16;
        d = (newA << 24) | ((r + (((d & 0x00FF0000) * inv) >> 8)) & 0x00FF0000) |
            ((g + (((d & 0x0000FF00) * inv) >> 8)) & 0x0000FF00) | ((b + (((d & 0x000000FF) * inv) >> 8)) & 0xFF);
    }
}

// What a white additive blend weighed by alpha adds for the straight-alpha pixel s: each colour channel times the
// pixel's alpha >> 8, the alpha byte clear.
inline uint32_t AdditiveTerm(uint32_t s)
{
    const uint32_t sa = s >> 24;
    return (((s >> 16) & 0xFF) * sa >> 8) << 16 | (((s >> 8) & 0xFF) * sa >> 8) << 8 | ((s & 0xFF) * sa >> 8);
}

// Additive blend; the destination alpha is kept and each channel saturates through the table.
inline void BlendAdditive(uint32_t& d, uint32_t s, const BlendParams& p)
{
    const uint8_t* sat = p.sat;
    uint32_t r, g, b;
    if (p.white)
    {
        if (!p.srcHasAlpha)
        {
            r = sat[((d >> 16) & 0xFF) + ((s >> 16) & 0xFF)];
            g = sat[((d >> 8) & 0xFF) + ((s >> 8) & 0xFF)];
            b = sat[(d & 0xFF) + (s & 0xFF)];
        }
        else
        {
            const uint32_t sa = s >> 24;
            r = sat[((d & 0x00FF0000) + (((s & 0x00FF0000) * sa) >> 8)) >> 16];
            g = sat[((d & 0x0000FF00) + (((s & 0x0000FF00) * sa) >> 8)) >> 8];
            b = sat[(d & 0xFF) + (((s & 0xFF) * sa) >> 8)];
        }
    }
    else
    {
        uint32_t tr = ((s & 0x00FF0000) * p.addRed) >> 8;
        uint32_t tg = ((s & 0x0000FF00) * p.addGreen) >> 8;
        uint32_t tb = ((s & 0x000000FF) * p.addBlue) >> 8;
        if (p.srcHasAlpha)
        {
            const uint32_t sa = s >> 24;
            tr = (tr * sa) >> 8;
            tg = (tg * sa) >> 8;
            tb = (tb * sa) >> 8;
        }
        r = sat[((d & 0x00FF0000) + tr) >> 16];
        g = sat[((d & 0x0000FF00) + tg) >> 8];
        b = sat[(d & 0xFF) + tb];
    }
    d = (d & 0xFF000000u) | (r << 16) | (g << 8) | b;
}

// One source pixel onto one destination pixel by the operation's rules.
inline void BlendPixel(uint32_t& d, uint32_t s, const BlendParams& p)
{
    if (p.additive)
    {
        BlendAdditive(d, s, p);
    }
    else if (!p.white)
    {
        BlendNormalTinted(d, s, p);
    }
    else if (p.opaqueDest)
    {
        const uint32_t a = s >> 24;
        if (a == 255)
            d = s;
        else if (a != 0)
            d = BlendOntoOpaque(d, s, a);
    }
    else
    {
        BlendNormalWhite(d, s);
    }
}

// A fill pixel: alpha 255 stores the packed colour (alpha included); otherwise each channel is
// (d x (256 - w) + c x w) >> 8 with the combined alpha. Alpha 0 changes nothing.
inline void FillPixel(uint32_t& d, uint32_t packed)
{
    const uint32_t sa = packed >> 24;
    if (sa == 255)
    {
        d = packed;
        return;
    }
    if (sa == 0) return;
    uint32_t newA, w;
    if (!BlendWeights(sa, d >> 24, newA, w)) return;
    const uint32_t inv = 256 - w;
    const uint32_t r = ((((d >> 16) & 0xFF) * inv + ((packed >> 16) & 0xFF) * w) >> 8) & 0xFF;
    const uint32_t g = ((((d >> 8) & 0xFF) * inv + ((packed >> 8) & 0xFF) * w) >> 8) & 0xFF;
    const uint32_t b = (((d & 0xFF) * inv + (packed & 0xFF) * w) >> 8) & 0xFF;
    d = (newA << 24) | (r << 16) | (g << 8) | b;
}

} // namespace Zest
