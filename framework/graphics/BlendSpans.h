// Whole-span forms of the blends in PixelBlend.h for the blit hot loops, four pixels at a time with SSE2
// (the baseline of every x86-64 processor); each gives exactly the result of its per-pixel form.
#pragma once

#include "graphics/PixelBlend.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Zest
{

#if defined(__SSE2__)
namespace detail
{
// Each pixel's alpha repeated over its four 16-bit lanes, for the two pixels of one 64-bit half.
inline __m128i AlphaLanes(__m128i px16)
{
    const __m128i lo = _mm_shufflelo_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
    return _mm_shufflehi_epi16(lo, _MM_SHUFFLE(3, 3, 3, 3));
}

// BlendOntoOpaque on two pixels widened to 16 bits: red and green keep the sum's fraction, blue drops each
// part's, as the packed form does.
inline __m128i OntoOpaque16(__m128i d, __m128i s)
{
    const __m128i a = AlphaLanes(s);
    const __m128i inv = _mm_sub_epi16(_mm_set1_epi16(256), a);
    const __m128i dp = _mm_mullo_epi16(d, inv);
    const __m128i sp = _mm_mullo_epi16(s, a);
    const __m128i summed = _mm_srli_epi16(_mm_add_epi16(dp, sp), 8);
    const __m128i split = _mm_add_epi16(_mm_srli_epi16(dp, 8), _mm_srli_epi16(sp, 8));
    // Lanes per pixel: blue, green, red, alpha.
    const __m128i blueMask = _mm_set_epi16(0, 0, 0, -1, 0, 0, 0, -1);
    return _mm_or_si128(_mm_and_si128(blueMask, split), _mm_andnot_si128(blueMask, summed));
}

// The additive term channel x alpha >> 8 of two pixels; the alpha lane's term is cleared.
inline __m128i AlphaTerm16(__m128i s)
{
    const __m128i t = _mm_srli_epi16(_mm_mullo_epi16(s, AlphaLanes(s)), 8);
    return _mm_and_si128(t, _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1));
}
} // namespace detail
#endif

// Source pixels onto an opaque destination by their own alpha: alpha 255 copies, alpha 0 leaves the
// destination, anything else blends; the result is opaque. Spans may mix all three.
inline void SpanOntoOpaque(uint32_t* d, const uint32_t* s, int n)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));
    for (; i + 4 <= n; i += 4)
    {
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i lo = detail::OntoOpaque16(_mm_unpacklo_epi8(dv, zero), _mm_unpacklo_epi8(sv, zero));
        const __m128i hi = detail::OntoOpaque16(_mm_unpackhi_epi8(dv, zero), _mm_unpackhi_epi8(sv, zero));
        const __m128i blended = _mm_or_si128(_mm_packus_epi16(lo, hi), opaque);
        const __m128i isOpaque = _mm_cmpeq_epi32(_mm_and_si128(sv, opaque), opaque);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         _mm_or_si128(_mm_and_si128(isOpaque, sv), _mm_andnot_si128(isOpaque, blended)));
    }
#endif
    for (; i < n; ++i)
    {
        const uint32_t a = s[i] >> 24;
        if (a == 255)
            d[i] = s[i];
        else if (a != 0)
            d[i] = BlendOntoOpaque(d[i], s[i], a);
    }
}

// White additive blend of a source with partial alpha: channel + (source channel x alpha >> 8), saturated;
// the destination alpha is kept. The saturation is the table's (min(sum, 255)) done with a saturating add.
inline void SpanAddWeighted(uint32_t* d, const uint32_t* s, int n, const uint8_t* sat)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 4 <= n; i += 4)
    {
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i term = _mm_packus_epi16(detail::AlphaTerm16(_mm_unpacklo_epi8(sv, zero)),
                                              detail::AlphaTerm16(_mm_unpackhi_epi8(sv, zero)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_adds_epu8(dv, term));
    }
#endif
    BlendParams p;
    p.additive = true;
    p.srcHasAlpha = true;
    p.sat = sat;
    for (; i < n; ++i) BlendAdditive(d[i], s[i], p);
}

// White additive blend of a source without partial alpha: every channel added in full, saturated.
inline void SpanAddFull(uint32_t* d, const uint32_t* s, int n, const uint8_t* sat)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    for (; i + 4 <= n; i += 4)
    {
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_adds_epu8(dv, _mm_and_si128(sv, colour)));
    }
#endif
    BlendParams p;
    p.additive = true;
    p.srcHasAlpha = false;
    p.sat = sat;
    for (; i < n; ++i) BlendAdditive(d[i], s[i], p);
}

} // namespace Zest
