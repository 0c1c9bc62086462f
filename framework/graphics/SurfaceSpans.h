// Whole-span forms of the 32-bit surface blits (8-bit channels in the low three bytes, premultiplied source with its
// alpha on top), four pixels at a time with SSE2; each gives exactly the result of the per-pixel surface routine.
#pragma once

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

} // namespace Zest
