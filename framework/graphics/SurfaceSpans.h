// Whole-span forms of the surface blits, 32-bit (8-bit channels in the low three bytes) and 5-6-5 / 5-5-5, from a
// premultiplied source with its alpha on top, several pixels at a time with SSE2; each gives exactly the result of
// the per-pixel surface routine.
#pragma once

#include <algorithm>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Zest
{

// One 8-bit channel of a premultiplied source over an opaque destination, white tint: the exact mix
// s + d x (255 - a) / 255 rounded once to the nearest value.
inline uint32_t SurfaceBlendChannel(uint32_t s, uint32_t d, uint32_t a)
{
    return (s * 255 + d * (255 - a) + 127) / 255;
}

#if defined(__SSE2__)
namespace detail
{
inline __m128i SurfaceAlphaLanes(__m128i px16)
{
    const __m128i lo = _mm_shufflelo_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
    return _mm_shufflehi_epi16(lo, _MM_SHUFFLE(3, 3, 3, 3));
}

// SurfaceBlendChannel on two pixels widened to 16 bits. Every sum fits 16 bits unsigned: the premultiplied
// channel never exceeds its alpha, so s x 255 + d x (255 - a) <= 65025, and x / 255 rounded is
// (t + (t >> 8)) >> 8 with t = x + 128 over that whole range.
inline __m128i SurfaceBlend16(__m128i s, __m128i d)
{
    const __m128i a = SurfaceAlphaLanes(s);
    const __m128i c255 = _mm_set1_epi16(255);
    const __m128i x = _mm_add_epi16(_mm_mullo_epi16(s, c255), _mm_mullo_epi16(d, _mm_sub_epi16(c255, a)));
    const __m128i t = _mm_add_epi16(x, _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

// Four destination pixels in source order: mirrored spans are written leftwards from d.
template <bool Mirror>
inline __m128i LoadDest(const uint32_t* d, int i)
{
    if (!Mirror) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d - i - 3));
    return _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3));
}

template <bool Mirror>
inline void StoreDest(uint32_t* d, int i, __m128i v)
{
    if (!Mirror)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), v);
    else
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d - i - 3), _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3)));
}
} // namespace detail
#endif

// The destination pixel for source pixel i: d[i], or d[-i] for a mirrored span.
template <bool Mirror>
inline uint32_t& SpanPixel(uint32_t* d, int i)
{
    return Mirror ? d[-i] : d[i];
}

// Opaque source pixels copied; the destination's top byte is cleared as every surface write does.
template <bool Mirror>
inline void SurfaceSpanCopy(uint32_t* d, const uint32_t* s, int n)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    for (; i + 4 <= n; i += 4)
        detail::StoreDest<Mirror>(d, i,
                                  _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)), colour));
#endif
    for (; i < n; ++i) SpanPixel<Mirror>(d, i) = s[i] & 0x00FFFFFF;
}

// Source pixels blended by their own alpha (white tint): alpha 255 comes out as the source, alpha 0 leaves the
// destination pixel as it was (its top byte included), anything else is the rounded mix.
template <bool Mirror>
inline void SurfaceSpanBlend(uint32_t* d, const uint32_t* s, int n)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    for (; i + 4 <= n; i += 4)
    {
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        // Four transparent pixels leave the destination, four opaque ones are copied.
        const __m128i alpha = _mm_srli_epi32(sv, 24);
        const int none = _mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero));
        if (none == 0xFFFF) continue;
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, _mm_set1_epi32(255))) == 0xFFFF)
        {
            detail::StoreDest<Mirror>(d, i, _mm_and_si128(sv, colour));
            continue;
        }
        const __m128i dv = detail::LoadDest<Mirror>(d, i);
        const __m128i lo = detail::SurfaceBlend16(_mm_unpacklo_epi8(sv, zero), _mm_unpacklo_epi8(dv, zero));
        const __m128i hi = detail::SurfaceBlend16(_mm_unpackhi_epi8(sv, zero), _mm_unpackhi_epi8(dv, zero));
        const __m128i clear = _mm_cmpeq_epi32(_mm_andnot_si128(colour, sv), zero);
        const __m128i mixed = _mm_and_si128(_mm_packus_epi16(lo, hi), colour);
        detail::StoreDest<Mirror>(d, i, _mm_or_si128(_mm_and_si128(clear, dv), _mm_andnot_si128(clear, mixed)));
    }
#endif
    for (; i < n; ++i)
    {
        uint32_t& out = SpanPixel<Mirror>(d, i);
        const uint32_t a = s[i] >> 24, dp = out;
        if (a == 0) continue;
        uint32_t v = 0;
        for (int shift = 0; shift < 24; shift += 8)
            v |= SurfaceBlendChannel((s[i] >> shift) & 0xFF, (dp >> shift) & 0xFF, a) << shift;
        out = v;
    }
}

// Source pixels added channel by channel, saturated (pixels without colour are left alone); tint holds the three 8-bit
// factors by byte position (0..2), and a factor of 255 adds the channel whole (the tinted form takes value x factor /
// 255, rounded down).
template <bool Mirror>
inline void SurfaceSpanAdd(uint32_t* d, const uint32_t* s, int n, const uint32_t tint[3], bool white)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    const __m128i factors = _mm_set_epi16(0, short(tint[2]), short(tint[1]), short(tint[0]), 0, short(tint[2]),
                                          short(tint[1]), short(tint[0]));
    const __m128i one = _mm_set1_epi16(1);
    for (; i + 4 <= n; i += 4)
    {
        __m128i sv = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)), colour);
        // Pixels without colour leave the destination as it was, top byte included.
        const __m128i keep = _mm_cmpeq_epi32(sv, zero);
        if (_mm_movemask_epi8(keep) == 0xFFFF) continue;
        const __m128i dv = detail::LoadDest<Mirror>(d, i);
        if (!white)
        {
            // x / 255 rounded down is (x + 1 + ((x + 1) >> 8)) >> 8 for every product up to 255 x 255.
            auto scale = [&](__m128i v16)
            {
                const __m128i x = _mm_add_epi16(_mm_mullo_epi16(v16, factors), one);
                return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
            };
            sv = _mm_packus_epi16(scale(_mm_unpacklo_epi8(sv, zero)), scale(_mm_unpackhi_epi8(sv, zero)));
        }
        const __m128i added = _mm_adds_epu8(_mm_and_si128(dv, colour), sv);
        detail::StoreDest<Mirror>(d, i, _mm_or_si128(_mm_and_si128(keep, dv), _mm_andnot_si128(keep, added)));
    }
#endif
    for (; i < n; ++i)
    {
        uint32_t& out = SpanPixel<Mirror>(d, i);
        if ((s[i] & 0x00FFFFFF) == 0) continue;
        uint32_t v = 0;
        for (int ch = 0; ch < 3; ++ch)
        {
            const int shift = 8 * ch;
            const uint32_t value = (s[i] >> shift) & 0xFF;
            const uint32_t sum = (white ? value : value * tint[ch] / 255) + ((out >> shift) & 0xFF);
            v |= (sum > 255 ? 255 : sum) << shift;
        }
        out = v;
    }
}

// ---- 16 bits ------------------------------------------------------------------------------------------------------

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

#if defined(__SSE2__)
namespace detail
{
// Eight 16-bit destination pixels in source order: mirrored spans are written leftwards from d.
template <bool Mirror>
inline __m128i LoadDest16(const uint16_t* d, int i)
{
    if (!Mirror) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d - i - 7));
    v = _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3));
    v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
    return _mm_shufflehi_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
}

template <bool Mirror>
inline void StoreDest16(uint16_t* d, int i, __m128i v)
{
    if (Mirror)
    {
        v = _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3));
        v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
        v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d - i - 7), v);
    }
    else
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), v);
    }
}

// The low 16 bits of two vectors of four 32-bit lanes, as eight 16-bit lanes (sign-extended first so that the
// saturating pack keeps them as they are).
inline __m128i PackLow16(__m128i lo, __m128i hi)
{
    return _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(lo, 16), 16), _mm_srai_epi32(_mm_slli_epi32(hi, 16), 16));
}

// 32-bit lanes times a factor below 2^16 held in both halves of each lane, for products below 2^32: the low half's
// product carries into the high half through its top 16 bits.
inline __m128i MulLanes32(__m128i v, __m128i factor)
{
    return _mm_add_epi32(_mm_mullo_epi16(v, factor), _mm_slli_epi32(_mm_mulhi_epu16(v, factor), 16));
}

// x / 255 rounded down for every x up to 255 x 255, in 16- or 32-bit lanes of that range.
inline __m128i Div255Lanes16(__m128i x)
{
    const __m128i y = _mm_add_epi16(x, _mm_set1_epi16(1));
    return _mm_srli_epi16(_mm_add_epi16(y, _mm_srli_epi16(y, 8)), 8);
}

// Spread16Blend on four pixels: s in 32-bit lanes (colour low, alpha on top), d widened to 32-bit lanes.
inline __m128i Spread16Blend4(__m128i s, __m128i d, __m128i green, __m128i spread, __m128i srcFactor, __m128i tintAlpha)
{
    const __m128i low16 = _mm_set1_epi32(0xFFFF);
    const __m128i ss = _mm_and_si128(
        _mm_or_si128(_mm_slli_epi32(_mm_and_si128(s, green), 16), _mm_andnot_si128(green, _mm_and_si128(s, low16))),
        spread);
    const __m128i ds =
        _mm_and_si128(_mm_or_si128(_mm_slli_epi32(_mm_and_si128(d, green), 16), _mm_andnot_si128(green, d)), spread);
    // The source alpha x a / 255 stays below 2^16 in the low half of each lane; the high half stays 0.
    const __m128i effective = Div255Lanes16(_mm_mullo_epi16(_mm_srli_epi32(s, 24), tintAlpha));
    __m128i destFactor = _mm_srli_epi32(_mm_sub_epi32(_mm_set1_epi32(256), effective), 3);
    destFactor = _mm_or_si128(destFactor, _mm_slli_epi32(destFactor, 16));
    const __m128i t = _mm_add_epi32(_mm_and_si128(_mm_srli_epi32(MulLanes32(ss, srcFactor), 5), spread),
                                    _mm_and_si128(_mm_srli_epi32(MulLanes32(ds, destFactor), 5), spread));
    return _mm_or_si128(t, _mm_srli_epi32(t, 16));
}
} // namespace detail
#endif

// The destination pixel for source pixel i of a 16-bit span.
template <bool Mirror>
inline uint16_t& SpanPixel16(uint16_t* d, int i)
{
    return Mirror ? d[-i] : d[i];
}

// Spread16Blend over a span, eight pixels at a time: eight transparent pixels leave the destination, eight opaque
// ones under a white tint are copied.
template <bool Mirror>
inline void SurfaceSpanBlend16(uint16_t* d, const uint32_t* s, int n, const Spread16& f, uint32_t srcFactor, uint32_t a,
                               bool white)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi16(255);
    const __m128i green = _mm_set1_epi32(int(f.greenMask));
    const __m128i spread = _mm_set1_epi32(int(f.spreadMask));
    const __m128i colour = _mm_set1_epi16(short(f.colourMask));
    const __m128i srcFactorLanes = _mm_set1_epi16(short(srcFactor));
    const __m128i tintAlpha = _mm_set1_epi32(int(a));
    for (; i + 8 <= n; i += 8)
    {
        const __m128i s0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i s1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 4));
        const __m128i alpha = _mm_packs_epi32(_mm_srli_epi32(s0, 24), _mm_srli_epi32(s1, 24));
        const __m128i clear = _mm_cmpeq_epi16(alpha, zero);
        const int none = _mm_movemask_epi8(clear);
        if (none == 0xFFFF) continue;
        const __m128i s16 = detail::PackLow16(s0, s1);
        const __m128i copy = white ? _mm_cmpeq_epi16(alpha, opaque) : zero;
        if (_mm_movemask_epi8(copy) == 0xFFFF)
        {
            detail::StoreDest16<Mirror>(d, i, _mm_and_si128(s16, colour));
            continue;
        }
        const __m128i dv = detail::LoadDest16<Mirror>(d, i);
        const __m128i mixed = detail::PackLow16(
            detail::Spread16Blend4(s0, _mm_unpacklo_epi16(dv, zero), green, spread, srcFactorLanes, tintAlpha),
            detail::Spread16Blend4(s1, _mm_unpackhi_epi16(dv, zero), green, spread, srcFactorLanes, tintAlpha));
        __m128i out = _mm_or_si128(_mm_and_si128(copy, s16), _mm_andnot_si128(copy, mixed));
        out = _mm_or_si128(_mm_and_si128(clear, dv), _mm_andnot_si128(clear, out));
        detail::StoreDest16<Mirror>(d, i, out);
    }
#endif
    for (; i < n; ++i)
    {
        uint16_t& out = SpanPixel16<Mirror>(d, i);
        out = Spread16Blend(f, s[i], out, srcFactor, a, white);
    }
}

// Spread16Add over a span, eight pixels at a time, each channel in its own 16-bit lanes.
template <bool Mirror>
inline void SurfaceSpanAdd16(uint16_t* d, const uint32_t* s, int n, const Spread16& f, const uint32_t tint[3],
                             bool white)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i colour24 = _mm_set1_epi32(0x00FFFFFF);
    const __m128i five = _mm_set1_epi16(31);
    const __m128i greenTop = _mm_set1_epi16(short((1 << f.greenWidth) - 1));
    const __m128i tint0 = _mm_set1_epi16(short(tint[0]));
    const __m128i tint1 = _mm_set1_epi16(short(tint[1]));
    const __m128i tint2 = _mm_set1_epi16(short(tint[2]));
    const __m128i topShift = _mm_cvtsi32_si128(f.topShift);
    for (; i + 8 <= n; i += 8)
    {
        const __m128i s0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i s1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 4));
        const __m128i keep = _mm_packs_epi32(_mm_cmpeq_epi32(_mm_and_si128(s0, colour24), zero),
                                             _mm_cmpeq_epi32(_mm_and_si128(s1, colour24), zero));
        if (_mm_movemask_epi8(keep) == 0xFFFF) continue;
        const __m128i s16 = detail::PackLow16(s0, s1);
        const __m128i dv = detail::LoadDest16<Mirror>(d, i);
        __m128i low = _mm_and_si128(s16, five);
        __m128i mid = _mm_and_si128(_mm_srli_epi16(s16, 5), greenTop);
        __m128i top = _mm_and_si128(_mm_srl_epi16(s16, topShift), five);
        if (!white)
        {
            low = detail::Div255Lanes16(_mm_mullo_epi16(low, tint0));
            mid = detail::Div255Lanes16(_mm_mullo_epi16(mid, tint1));
            top = detail::Div255Lanes16(_mm_mullo_epi16(top, tint2));
        }
        low = _mm_min_epi16(_mm_add_epi16(low, _mm_and_si128(dv, five)), five);
        mid = _mm_min_epi16(_mm_add_epi16(mid, _mm_and_si128(_mm_srli_epi16(dv, 5), greenTop)), greenTop);
        top = _mm_min_epi16(_mm_add_epi16(top, _mm_and_si128(_mm_srl_epi16(dv, topShift), five)), five);
        const __m128i added = _mm_or_si128(_mm_or_si128(low, _mm_slli_epi16(mid, 5)), _mm_sll_epi16(top, topShift));
        detail::StoreDest16<Mirror>(d, i, _mm_or_si128(_mm_and_si128(keep, dv), _mm_andnot_si128(keep, added)));
    }
#endif
    for (; i < n; ++i)
    {
        uint16_t& out = SpanPixel16<Mirror>(d, i);
        out = Spread16Add(f, s[i], out, tint, white);
    }
}

} // namespace Zest
