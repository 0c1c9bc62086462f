// The span kernels of the blit hot loops in three forms (per pixel, SSE2, AVX2) and the run-time choice between
// them. The vector forms skip groups of pixels that are all transparent and copy groups that are all opaque.
#include "graphics/BlendSpans.h"

#include "graphics/PixelBlend.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZEST_SPAN_X86 1
#endif

namespace Zest
{

namespace
{

// ---- Per pixel -------------------------------------------------------------------------------------------------

inline void PixelOntoOpaque(uint32_t& d, uint32_t s)
{
    const uint32_t a = s >> 24;
    if (a == 255)
        d = s;
    else if (a != 0)
        d = BlendOntoOpaque(d, s, a);
}

inline void PixelAdd(uint32_t& d, uint32_t s, const uint8_t* sat, bool weighted)
{
    BlendParams p;
    p.additive = true;
    p.srcHasAlpha = weighted;
    p.sat = sat;
    BlendAdditive(d, s, p);
}

void ScalarOntoOpaque(uint32_t* d, const uint32_t* s, int n, const uint8_t*)
{
    for (int i = 0; i < n; ++i) PixelOntoOpaque(d[i], s[i]);
}

void ScalarAddWeighted(uint32_t* d, const uint32_t* s, int n, const uint8_t* sat)
{
    for (int i = 0; i < n; ++i) PixelAdd(d[i], s[i], sat, true);
}

void ScalarAddFull(uint32_t* d, const uint32_t* s, int n, const uint8_t* sat)
{
    for (int i = 0; i < n; ++i) PixelAdd(d[i], s[i], sat, false);
}

#if defined(ZEST_SPAN_X86) && defined(__SSE2__)

// ---- SSE2, four pixels at a time -------------------------------------------------------------------------------

// Each pixel's alpha repeated over its four 16-bit lanes, for the two pixels of one 64-bit half.
inline __m128i AlphaLanes(__m128i px16)
{
    const __m128i lo = _mm_shufflelo_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
    return _mm_shufflehi_epi16(lo, _MM_SHUFFLE(3, 3, 3, 3));
}

// BlendOntoOpaque on two pixels widened to 16 bits: red and green keep the sum's fraction, blue drops each
// part's, as the packed form does. d x (256 - a) and s x a both fit 16 bits, and so does their sum.
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

// Four pixels onto an opaque destination. A blended pixel is opaque; an alpha-0 pixel keeps the destination
// word as it is (alpha included, whatever the destination's flags claimed).
inline void OntoOpaque4(uint32_t* d, const uint32_t* s)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i sa = _mm_and_si128(sv, opaque);
    const __m128i isOpaque = _mm_cmpeq_epi32(sa, opaque);
    if (_mm_movemask_epi8(isOpaque) == 0xFFFF)
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), sv);
        return;
    }
    const __m128i isClear = _mm_cmpeq_epi32(sa, zero);
    if (_mm_movemask_epi8(isClear) == 0xFFFF) return;
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    const __m128i lo = OntoOpaque16(_mm_unpacklo_epi8(dv, zero), _mm_unpacklo_epi8(sv, zero));
    const __m128i hi = OntoOpaque16(_mm_unpackhi_epi8(dv, zero), _mm_unpackhi_epi8(sv, zero));
    // With alpha 0 the colour lanes come out as the destination's and the alpha lane as its alpha.
    const __m128i blended = _mm_or_si128(_mm_packus_epi16(lo, hi), _mm_andnot_si128(isClear, opaque));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d),
                     _mm_or_si128(_mm_and_si128(isOpaque, sv), _mm_andnot_si128(isOpaque, blended)));
}

// channel x alpha >> 8 for four pixels, on the words as they are (no widening, which costs shuffles): the
// 16-bit lanes of (word & 0x00FF00FF) are blue and red, those of word >> 8 green and alpha, each times alpha.
inline __m128i AlphaTerm4(__m128i sv)
{
    const __m128i a = _mm_srli_epi32(sv, 24);
    const __m128i aa = _mm_or_si128(a, _mm_slli_epi32(a, 16));
    const __m128i rb = _mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(sv, _mm_set1_epi32(0x00FF00FF)), aa), 8);
    // Green's product keeps its high byte in place; alpha's is dropped.
    const __m128i g = _mm_and_si128(_mm_mullo_epi16(_mm_srli_epi16(sv, 8), aa), _mm_set1_epi32(0x0000FF00));
    return _mm_or_si128(rb, g);
}

// The saturation table's min(sum, 255) is a saturating byte add.
inline void AddWeighted4(uint32_t* d, const uint32_t* s)
{
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i clear = _mm_cmpeq_epi32(_mm_and_si128(sv, _mm_set1_epi32(int(0xFF000000u))), _mm_setzero_si128());
    if (_mm_movemask_epi8(clear) == 0xFFFF) return;
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_adds_epu8(dv, AlphaTerm4(sv)));
}

inline void AddFull4(uint32_t* d, const uint32_t* s)
{
    const __m128i colour =
        _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), _mm_set1_epi32(0x00FFFFFF));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(colour, _mm_setzero_si128())) == 0xFFFF) return;
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_adds_epu8(dv, colour));
}

void Sse2OntoOpaque(uint32_t* d, const uint32_t* s, int n, const uint8_t* sat)
{
    int i = 0;
    for (; i + 4 <= n; i += 4) OntoOpaque4(d + i, s + i);
    ScalarOntoOpaque(d + i, s + i, n - i, sat);
}

void Sse2AddWeighted(uint32_t* d, const uint32_t* s, int n, const uint8_t* sat)
{
    int i = 0;
    for (; i + 4 <= n; i += 4) AddWeighted4(d + i, s + i);
    ScalarAddWeighted(d + i, s + i, n - i, sat);
}

void Sse2AddFull(uint32_t* d, const uint32_t* s, int n, const uint8_t* sat)
{
    int i = 0;
    for (; i + 4 <= n; i += 4) AddFull4(d + i, s + i);
    ScalarAddFull(d + i, s + i, n - i, sat);
}

#define ZEST_SPAN_SSE2 1

// ---- AVX2, eight pixels at a time ------------------------------------------------------------------------------
// Only these functions carry the AVX2 target; they run only after the processor check in SpanIsaAvailable.

#define ZEST_AVX2 __attribute__((target("avx2")))

// The byte shuffles that spread each pixel's alpha over the 16-bit lanes of its widened form (0x80 = zero
// byte), for the low two and the high two pixels of each 128-bit half.
ZEST_AVX2 inline __m256i AlphaShuffleLo()
{
    return _mm256_setr_epi8(3, -128, 3, -128, 3, -128, 3, -128, 7, -128, 7, -128, 7, -128, 7, -128, 3, -128, 3, -128, 3,
                            -128, 3, -128, 7, -128, 7, -128, 7, -128, 7, -128);
}

ZEST_AVX2 inline __m256i AlphaShuffleHi()
{
    return _mm256_setr_epi8(11, -128, 11, -128, 11, -128, 11, -128, 15, -128, 15, -128, 15, -128, 15, -128, 11, -128,
                            11, -128, 11, -128, 11, -128, 15, -128, 15, -128, 15, -128, 15, -128);
}

ZEST_AVX2 inline __m256i OntoOpaque16x8(__m256i d, __m256i s, __m256i a)
{
    const __m256i inv = _mm256_sub_epi16(_mm256_set1_epi16(256), a);
    const __m256i dp = _mm256_mullo_epi16(d, inv);
    const __m256i sp = _mm256_mullo_epi16(s, a);
    const __m256i summed = _mm256_srli_epi16(_mm256_add_epi16(dp, sp), 8);
    const __m256i split = _mm256_add_epi16(_mm256_srli_epi16(dp, 8), _mm256_srli_epi16(sp, 8));
    // Blue is lane 0 of each pixel's four.
    return _mm256_blend_epi16(summed, split, 0x11);
}

ZEST_AVX2 inline void OntoOpaque8(uint32_t* d, const uint32_t* s, __m256i shufLo, __m256i shufHi)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i opaque = _mm256_set1_epi32(int(0xFF000000u));
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
    const __m256i sa = _mm256_and_si256(sv, opaque);
    const __m256i isOpaque = _mm256_cmpeq_epi32(sa, opaque);
    if (_mm256_movemask_epi8(isOpaque) == -1)
    {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), sv);
        return;
    }
    const __m256i isClear = _mm256_cmpeq_epi32(sa, zero);
    if (_mm256_movemask_epi8(isClear) == -1) return;
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
    const __m256i lo =
        OntoOpaque16x8(_mm256_unpacklo_epi8(dv, zero), _mm256_unpacklo_epi8(sv, zero), _mm256_shuffle_epi8(sv, shufLo));
    const __m256i hi =
        OntoOpaque16x8(_mm256_unpackhi_epi8(dv, zero), _mm256_unpackhi_epi8(sv, zero), _mm256_shuffle_epi8(sv, shufHi));
    const __m256i blended = _mm256_or_si256(_mm256_packus_epi16(lo, hi), _mm256_andnot_si256(isClear, opaque));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_blendv_epi8(blended, sv, isOpaque));
}

ZEST_AVX2 inline void AddWeighted8(uint32_t* d, const uint32_t* s, __m256i shufLo, __m256i shufHi)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
    if (_mm256_testz_si256(sv, _mm256_set1_epi32(int(0xFF000000u)))) return;
    const __m256i colour = _mm256_and_si256(sv, _mm256_set1_epi32(0x00FFFFFF));
    // (channel << 8) x alpha, high half: channel x alpha >> 8; the shuffles leave the alpha lane's factor 0.
    const __m256i lo = _mm256_mulhi_epu16(_mm256_unpacklo_epi8(zero, colour), _mm256_shuffle_epi8(sv, shufLo));
    const __m256i hi = _mm256_mulhi_epu16(_mm256_unpackhi_epi8(zero, colour), _mm256_shuffle_epi8(sv, shufHi));
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_adds_epu8(dv, _mm256_packus_epi16(lo, hi)));
}

ZEST_AVX2 inline void AddFull8(uint32_t* d, const uint32_t* s)
{
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
    const __m256i colourMask = _mm256_set1_epi32(0x00FFFFFF);
    if (_mm256_testz_si256(sv, colourMask)) return;
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_adds_epu8(dv, _mm256_and_si256(sv, colourMask)));
}

ZEST_AVX2 void Avx2OntoOpaque(uint32_t* d, const uint32_t* s, int n, const uint8_t* sat)
{
    const __m256i shufLo = AlphaShuffleLo(), shufHi = AlphaShuffleHi();
    int i = 0;
    for (; i + 8 <= n; i += 8) OntoOpaque8(d + i, s + i, shufLo, shufHi);
    // The tail below and the callers run legacy SSE code, which stalls while the upper halves are in use.
    _mm256_zeroupper();
    if (i + 4 <= n)
    {
        OntoOpaque4(d + i, s + i);
        i += 4;
    }
    ScalarOntoOpaque(d + i, s + i, n - i, sat);
}

ZEST_AVX2 void Avx2AddWeighted(uint32_t* d, const uint32_t* s, int n, const uint8_t* sat)
{
    const __m256i shufLo = AlphaShuffleLo(), shufHi = AlphaShuffleHi();
    int i = 0;
    for (; i + 8 <= n; i += 8) AddWeighted8(d + i, s + i, shufLo, shufHi);
    // The tail below and the callers run legacy SSE code, which stalls while the upper halves are in use.
    _mm256_zeroupper();
    if (i + 4 <= n)
    {
        AddWeighted4(d + i, s + i);
        i += 4;
    }
    ScalarAddWeighted(d + i, s + i, n - i, sat);
}

ZEST_AVX2 void Avx2AddFull(uint32_t* d, const uint32_t* s, int n, const uint8_t* sat)
{
    int i = 0;
    for (; i + 8 <= n; i += 8) AddFull8(d + i, s + i);
    // The tail below and the callers run legacy SSE code, which stalls while the upper halves are in use.
    _mm256_zeroupper();
    if (i + 4 <= n)
    {
        AddFull4(d + i, s + i);
        i += 4;
    }
    ScalarAddFull(d + i, s + i, n - i, sat);
}

#undef ZEST_AVX2
#define ZEST_SPAN_AVX2 1

#endif

const SpanKernels kScalar = {ScalarOntoOpaque, ScalarAddWeighted, ScalarAddFull};
#if defined(ZEST_SPAN_SSE2)
const SpanKernels kSse2 = {Sse2OntoOpaque, Sse2AddWeighted, Sse2AddFull};
#endif
#if defined(ZEST_SPAN_AVX2)
const SpanKernels kAvx2 = {Avx2OntoOpaque, Avx2AddWeighted, Avx2AddFull};
#endif

SpanIsa BestIsa()
{
    for (SpanIsa isa : {SpanIsa::Avx2, SpanIsa::Sse2})
        if (SpanIsaAvailable(isa)) return isa;
    return SpanIsa::Scalar;
}

std::atomic<SpanIsa>& ChosenIsa()
{
    static std::atomic<SpanIsa> chosen{BestIsa()};
    return chosen;
}

} // namespace

bool SpanIsaAvailable(SpanIsa isa)
{
    switch (isa)
    {
    case SpanIsa::Scalar:
        return true;
    case SpanIsa::Sse2:
#if defined(ZEST_SPAN_SSE2)
        return true;
#else
        return false;
#endif
    case SpanIsa::Avx2:
#if defined(ZEST_SPAN_AVX2)
        // Checks the operating system's support for the wide registers as well as the instructions.
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    }
    return false;
}

const SpanKernels& SpanKernelsFor(SpanIsa isa)
{
    if (!SpanIsaAvailable(isa)) return kScalar;
    switch (isa)
    {
#if defined(ZEST_SPAN_AVX2)
    case SpanIsa::Avx2:
        return kAvx2;
#endif
#if defined(ZEST_SPAN_SSE2)
    case SpanIsa::Sse2:
        return kSse2;
#endif
    default:
        return kScalar;
    }
}

const SpanKernels& ActiveSpanKernels()
{
    return SpanKernelsFor(ChosenIsa().load(std::memory_order_relaxed));
}

SpanIsa SetSpanIsa(SpanIsa isa)
{
    while (isa != SpanIsa::Scalar && !SpanIsaAvailable(isa)) isa = SpanIsa(int(isa) - 1);
    return ChosenIsa().exchange(isa);
}

} // namespace Zest
