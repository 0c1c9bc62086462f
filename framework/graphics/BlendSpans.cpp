// The span kernels of the memory and surface blit hot loops in three forms (per pixel, SSE2, AVX2) and the one
// run-time choice between them for both. The vector forms skip groups of pixels that are all transparent and copy
// groups that are all opaque.
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

// Surface spans: the destination pixel for source pixel i is d[i], or d[-i] for a mirrored span.
template <bool Mirror, typename T>
inline T& At(T* d, int i)
{
    return Mirror ? d[-i] : d[i];
}

// The span from source pixel i on.
template <bool Mirror, typename T>
inline T* From(T* d, int i)
{
    return Mirror ? d - i : d + i;
}

template <bool Mirror>
void ScalarSurfaceCopy(uint32_t* d, const uint32_t* s, int n)
{
    for (int i = 0; i < n; ++i) At<Mirror>(d, i) = s[i] & 0x00FFFFFF;
}

template <bool Mirror>
void ScalarSurfaceBlend(uint32_t* d, const uint32_t* s, int n)
{
    for (int i = 0; i < n; ++i)
    {
        uint32_t& out = At<Mirror>(d, i);
        out = SurfaceBlendPixel(s[i], out);
    }
}

template <bool Mirror>
void ScalarSurfaceBlendTinted(uint32_t* d, const uint32_t* s, int n, const uint32_t weight[3], uint32_t a)
{
    for (int i = 0; i < n; ++i)
    {
        uint32_t& out = At<Mirror>(d, i);
        out = SurfaceBlendTintedPixel(s[i], out, weight, a);
    }
}

template <bool Mirror>
void ScalarSurfaceAdd(uint32_t* d, const uint32_t* s, int n, const uint32_t tint[3], bool white)
{
    for (int i = 0; i < n; ++i)
    {
        uint32_t& out = At<Mirror>(d, i);
        out = SurfaceAddPixel(s[i], out, tint, white);
    }
}

void ScalarSurfaceAddBlock(uint32_t* d, size_t pitch, const uint32_t* s, size_t stride, int n, int h,
                           const uint32_t tint[3], bool white)
{
    for (int j = 0; j < h; ++j, d += pitch, s += stride) ScalarSurfaceAdd<false>(d, s, n, tint, white);
}

// A block's rows through a row form, one after another.
template <void (*Row)(uint32_t*, const uint32_t*, int)>
void RowsOf(uint32_t* d, size_t pitch, const uint32_t* s, size_t stride, int n, int h)
{
    for (int j = 0; j < h; ++j, d += pitch, s += stride) Row(d, s, n);
}

template <void (*Row)(uint32_t*, const uint32_t*, int, const uint32_t*, uint32_t)>
void TintedRowsOf(uint32_t* d, size_t pitch, const uint32_t* s, size_t stride, int n, int h, const uint32_t weight[3],
                  uint32_t a)
{
    for (int j = 0; j < h; ++j, d += pitch, s += stride) Row(d, s, n, weight, a);
}

template <bool Mirror>
void ScalarSurfaceBlend16(uint16_t* d, const uint32_t* s, int n, const Spread16& f, uint32_t srcFactor, uint32_t a,
                          bool white)
{
    for (int i = 0; i < n; ++i)
    {
        uint16_t& out = At<Mirror>(d, i);
        out = Spread16Blend(f, s[i], out, srcFactor, a, white);
    }
}

template <bool Mirror>
void ScalarSurfaceAdd16(uint16_t* d, const uint32_t* s, int n, const Spread16& f, const uint32_t tint[3], bool white)
{
    for (int i = 0; i < n; ++i)
    {
        uint16_t& out = At<Mirror>(d, i);
        out = Spread16Add(f, s[i], out, tint, white);
    }
}

#if defined(ZEST_SPAN_X86) && defined(__SSE2__)

// ---- SSE2, four pixels at a time -------------------------------------------------------------------------------

// Each pixel's alpha repeated over its four 16-bit lanes, for the two pixels of one 64-bit half.
inline __m128i AlphaLanes(__m128i px16)
{
    const __m128i lo = _mm_shufflelo_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
    return _mm_shufflehi_epi16(lo, _MM_SHUFFLE(3, 3, 3, 3));
}

// Four pixels of any alpha onto an opaque destination, untested: the weights are taken with alpha 255 counted as
// 256 (and 256 - alpha as 0), which copies the source's colour exactly, so no select between copy and blend is
// needed. An alpha-0 pixel weighs the destination by 256 and keeps it, alpha byte included. The alpha factor is
// shuffled out of the green/alpha lanes the green product needs anyway.
inline __m128i BlendOntoOpaque4(__m128i dv, __m128i sv)
{
    const __m128i lowBytes = _mm_set1_epi32(0x00FF00FF);
    const __m128i sG = _mm_srli_epi16(sv, 8);
    const __m128i a8 = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sG, _MM_SHUFFLE(3, 3, 1, 1)), _MM_SHUFFLE(3, 3, 1, 1));
    const __m128i a = _mm_sub_epi16(a8, _mm_cmpeq_epi16(a8, _mm_set1_epi16(255)));
    const __m128i inv = _mm_sub_epi16(_mm_set1_epi16(256), a);
    const __m128i dpRb = _mm_mullo_epi16(_mm_and_si128(dv, lowBytes), inv);
    const __m128i spRb = _mm_mullo_epi16(_mm_and_si128(sv, lowBytes), a);
    const __m128i dpG = _mm_mullo_epi16(_mm_srli_epi16(dv, 8), inv);
    const __m128i spG = _mm_mullo_epi16(sG, a);
    // Blue from the parts cut down one by one, red from their sum: each product shifted down by 8 as a whole word
    // puts red's low byte above blue's result, where the two low bytes' carry lands on red's high part.
    const __m128i rb = _mm_and_si128(_mm_add_epi32(_mm_srli_epi32(dpRb, 8), _mm_srli_epi32(spRb, 8)), lowBytes);
    // Green's sum keeps its high byte in place; the alpha lane's is dropped.
    const __m128i g = _mm_and_si128(_mm_add_epi16(dpG, spG), _mm_set1_epi32(0x0000FF00));
    // The destination's alpha byte, all ones where the source pixel is not clear.
    const __m128i top =
        _mm_and_si128(_mm_or_si128(dv, _mm_cmpgt_epi16(a8, _mm_setzero_si128())), _mm_set1_epi32(int(0xFF000000u)));
    return _mm_or_si128(_mm_or_si128(rb, g), top);
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

// Four pixels onto an opaque destination, skipped when all are clear and copied when all are opaque. The
// products are taken on the words as they are, without widening: the 16-bit lanes of (word & 0x00FF00FF) are
// blue and red, those of word >> 8 green and alpha, each multiplied by the pixel's alpha (or 256 - alpha) held in
// both lanes. d x (256 - a) and s x a both fit 16 bits, and so does their sum. Red and green keep the sum's
// fraction, blue drops each part's, as the packed form does.
inline void OntoOpaque4(uint32_t* d, const uint32_t* s)
{
    const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i sa = _mm_and_si128(sv, opaque);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(sa, _mm_setzero_si128())) == 0xFFFF) return;
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(sa, opaque)) == 0xFFFF)
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), sv);
        return;
    }
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), BlendOntoOpaque4(dv, sv));
}

// Two groups of four per step, each tested on its own: measured faster than one group per step, and than groups of
// eight or sixteen tested together, whose mixed groups blend more pixels than they save in tests.
void Sse2OntoOpaque(uint32_t* d, const uint32_t* s, int n, const uint8_t* sat)
{
    int i = 0;
    for (; i + 8 <= n; i += 8)
    {
        OntoOpaque4(d + i, s + i);
        OntoOpaque4(d + i + 4, s + i + 4);
    }
    if (i + 4 <= n)
    {
        OntoOpaque4(d + i, s + i);
        i += 4;
    }
    ScalarOntoOpaque(d + i, s + i, n - i, sat);
}

void Sse2AddWeighted(uint32_t* d, const uint32_t* s, int n, const uint8_t* sat)
{
    int i = 0;
    for (; i + 4 <= n; i += 4) AddWeighted4(d + i, s + i);
    ScalarAddWeighted(d + i, s + i, n - i, sat);
}

// No group is tested here: adding no colour leaves the destination as it was, and a test whose answer follows the
// picture's shapes costs more in missed branches than the add it would save.
void Sse2AddFull(uint32_t* d, const uint32_t* s, int n, const uint8_t* sat)
{
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    const auto add = [&](int at)
    {
        const __m128i sv = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at)), colour);
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + at));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + at), _mm_adds_epu8(dv, sv));
    };
    int i = 0;
    for (; i + 8 <= n; i += 8)
    {
        add(i);
        add(i + 4);
    }
    if (i + 4 <= n)
    {
        add(i);
        i += 4;
    }
    ScalarAddFull(d + i, s + i, n - i, sat);
}

// ---- Surfaces, SSE2 --------------------------------------------------------------------------------------------

// The destination part of SurfaceBlendChannel on two pixels widened to 16 bits, with 255 - a spread over each
// pixel's lanes: round(d x (255 - a) / 255). As s x 255 is a multiple of 255, the rounded mix is s plus this part,
// and the sum never passes 255 because the premultiplied channel never exceeds its alpha. d x (255 - a) fits 16
// bits, and x / 255 rounded is (t x 257) >> 16 with t = x + 128 over that whole range.
inline __m128i SurfaceDestPart16(__m128i d, __m128i inverseAlpha)
{
    const __m128i t = _mm_add_epi16(_mm_mullo_epi16(d, inverseAlpha), _mm_set1_epi16(128));
    return _mm_mulhi_epu16(t, _mm_set1_epi16(0x0101));
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

template <bool Mirror>
void Sse2SurfaceCopy(uint32_t* d, const uint32_t* s, int n)
{
    int i = 0;
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    for (; i + 4 <= n; i += 4)
        StoreDest<Mirror>(d, i, _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)), colour));
    ScalarSurfaceCopy<Mirror>(From<Mirror>(d, i), s + i, n - i);
}

// Four transparent pixels leave the destination, four opaque ones are copied.
template <bool Mirror>
void Sse2SurfaceBlend(uint32_t* d, const uint32_t* s, int n)
{
    int i = 0;
    const __m128i zero = _mm_setzero_si128();
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    for (; i + 4 <= n; i += 4)
    {
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i alpha = _mm_srli_epi32(sv, 24);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF) continue;
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, _mm_set1_epi32(255))) == 0xFFFF)
        {
            StoreDest<Mirror>(d, i, _mm_and_si128(sv, colour));
            continue;
        }
        const __m128i dv = LoadDest<Mirror>(d, i);
        // 255 - a is the inverted alpha byte.
        const __m128i inverse = _mm_xor_si128(sv, _mm_set1_epi32(int(0xFF000000u)));
        const __m128i lo = SurfaceDestPart16(_mm_unpacklo_epi8(dv, zero), AlphaLanes(_mm_unpacklo_epi8(inverse, zero)));
        const __m128i hi = SurfaceDestPart16(_mm_unpackhi_epi8(dv, zero), AlphaLanes(_mm_unpackhi_epi8(inverse, zero)));
        const __m128i mixed = _mm_and_si128(_mm_add_epi8(_mm_packus_epi16(lo, hi), sv), colour);
        // An alpha-0 pixel mixes to its destination's colour; its top byte is put back as well.
        const __m128i clear = _mm_cmpeq_epi32(alpha, zero);
        StoreDest<Mirror>(d, i, _mm_or_si128(mixed, _mm_and_si128(clear, dv)));
    }
    ScalarSurfaceBlend<Mirror>(From<Mirror>(d, i), s + i, n - i);
}

// A tint whose colour is white (every weight 255 x a): over a fully opaque source the tinted blend's division by
// 65025 is 255 times a division by 255, (x + 127) / 255 with x = s x a + d x (255 - a), which 16-bit lanes take
// exactly as the high half of (x + 128) x 257 for every x up to 65025.
inline bool IsGreyTint(const uint32_t weight[3], uint32_t a)
{
    return a <= 255 && weight[0] == 255 * a && weight[1] == 255 * a && weight[2] == 255 * a;
}

// Four fully opaque source pixels under a white tint of alpha a (a and b = 255 - a in every 16-bit lane); the top
// byte comes out clear.
inline __m128i GreyOverOpaque4(__m128i sv, __m128i dv, __m128i a, __m128i b)
{
    const __m128i zero = _mm_setzero_si128();
    const auto half = [&](__m128i s16, __m128i d16)
    {
        const __m128i t =
            _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(s16, a), _mm_mullo_epi16(d16, b)), _mm_set1_epi16(128));
        return _mm_mulhi_epu16(t, _mm_set1_epi16(257));
    };
    const __m128i lo = half(_mm_unpacklo_epi8(sv, zero), _mm_unpacklo_epi8(dv, zero));
    const __m128i hi = half(_mm_unpackhi_epi8(sv, zero), _mm_unpackhi_epi8(dv, zero));
    return _mm_and_si128(_mm_packus_epi16(lo, hi), _mm_set1_epi32(0x00FFFFFF));
}

// a x b in 32-bit lanes whose values are below 2^16 (their high halves clear): SSE2 multiplies 32-bit lanes only
// through the low and high halves of the 16-bit products.
inline __m128i MulBelow16(__m128i a, __m128i b)
{
    return _mm_or_si128(_mm_mullo_epi16(a, b), _mm_slli_epi32(_mm_mulhi_epu16(a, b), 16));
}

// One channel of SurfaceTintedChannel for four pixels at a byte position, as TintedChannel8 works eight: x = s x
// weight + d x rest + 32512 stays below 2^25, and x / 65025 is estimated in float to within 10^-4, less a quarter
// and truncated to the quotient or one below, and put right by the remainder.
inline __m128i TintedChannel4(__m128i sv, __m128i dv, __m128i weight, __m128i rest, int shift)
{
    const __m128i byte = _mm_set1_epi32(0xFF);
    const __m128i sc = _mm_and_si128(_mm_srli_epi32(sv, shift), byte);
    const __m128i dc = _mm_and_si128(_mm_srli_epi32(dv, shift), byte);
    const __m128i x = _mm_add_epi32(_mm_add_epi32(MulBelow16(sc, weight), MulBelow16(dc, rest)), _mm_set1_epi32(32512));
    const __m128 estimate = _mm_mul_ps(_mm_cvtepi32_ps(x), _mm_set1_ps(1.0f / 65025.0f));
    const __m128i q = _mm_cvttps_epi32(_mm_sub_ps(estimate, _mm_set1_ps(0.25f)));
    const __m128i rem = _mm_sub_epi32(x, MulBelow16(q, _mm_set1_epi32(65025)));
    return _mm_slli_epi32(_mm_sub_epi32(q, _mm_cmpgt_epi32(rem, _mm_set1_epi32(65024))), shift);
}

// Four pixels of SurfaceBlendTintedPixel: a white tint over four opaque pixels takes GreyOverOpaque4, every other
// group the exact division of each channel.
template <bool Mirror, bool Grey>
inline void BlendTinted4(uint32_t* d, int i, const uint32_t* s, const __m128i w[3], __m128i alpha, __m128i a16,
                         __m128i b16)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i sa = _mm_srli_epi32(sv, 24);
    const __m128i clear = _mm_cmpeq_epi32(sa, zero);
    if (_mm_movemask_epi8(clear) == 0xFFFF) return;
    const __m128i dv = LoadDest<Mirror>(d, i);
    if (Grey && _mm_movemask_epi8(_mm_cmpeq_epi32(sa, _mm_set1_epi32(255))) == 0xFFFF)
    {
        StoreDest<Mirror>(d, i, GreyOverOpaque4(sv, dv, a16, b16));
        return;
    }
    // Source alpha x tint alpha is at most 65025, so the 16-bit product of the low halves is exact.
    const __m128i rest = _mm_sub_epi32(_mm_set1_epi32(65025), _mm_mullo_epi16(sa, alpha));
    const __m128i mixed =
        _mm_or_si128(_mm_or_si128(TintedChannel4(sv, dv, w[0], rest, 0), TintedChannel4(sv, dv, w[1], rest, 8)),
                     TintedChannel4(sv, dv, w[2], rest, 16));
    // Alpha 0 leaves the destination word whole.
    StoreDest<Mirror>(d, i, _mm_or_si128(_mm_and_si128(clear, dv), _mm_andnot_si128(clear, mixed)));
}

template <bool Mirror, bool Grey>
int BlendTintedGroups4(uint32_t* d, const uint32_t* s, int n, const uint32_t weight[3], uint32_t a)
{
    const __m128i w[3] = {_mm_set1_epi32(int(weight[0])), _mm_set1_epi32(int(weight[1])),
                          _mm_set1_epi32(int(weight[2]))};
    const __m128i alpha = _mm_set1_epi32(int(a));
    const __m128i a16 = _mm_set1_epi16(short(a)), b16 = _mm_set1_epi16(short(255 - a));
    int i = 0;
    for (; i + 4 <= n; i += 4) BlendTinted4<Mirror, Grey>(d, i, s, w, alpha, a16, b16);
    return i;
}

// Four at a time; the last pixels one by one.
template <bool Mirror>
void Sse2SurfaceBlendTinted(uint32_t* d, const uint32_t* s, int n, const uint32_t weight[3], uint32_t a)
{
    const int i = IsGreyTint(weight, a) ? BlendTintedGroups4<Mirror, true>(d, s, n, weight, a)
                                        : BlendTintedGroups4<Mirror, false>(d, s, n, weight, a);
    ScalarSurfaceBlendTinted<Mirror>(From<Mirror>(d, i), s + i, n - i, weight, a);
}

template <bool Mirror>
void Sse2SurfaceAdd(uint32_t* d, const uint32_t* s, int n, const uint32_t tint[3], bool white)
{
    int i = 0;
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
        const __m128i dv = LoadDest<Mirror>(d, i);
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
        StoreDest<Mirror>(d, i, _mm_or_si128(_mm_and_si128(keep, dv), _mm_andnot_si128(keep, added)));
    }
    ScalarSurfaceAdd<Mirror>(From<Mirror>(d, i), s + i, n - i, tint, white);
}

// Four pixels of SurfaceAddPixel: x / 255 rounded down is the high half of x times 0x8081 shifted by 7, exactly,
// for every product up to 255 x 255.
inline __m128i AddFour(__m128i sv, __m128i dv, __m128i factors, bool white)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    sv = _mm_and_si128(sv, colour);
    const __m128i keep = _mm_cmpeq_epi32(sv, zero);
    if (white)
    {
        // Adding a colour without a top byte keeps the destination's top byte, which is what a pixel without colour
        // keeps; every other pixel's top byte is cleared.
        const __m128i cleared = _mm_andnot_si128(keep, _mm_set1_epi32(int(0xFF000000u)));
        return _mm_andnot_si128(cleared, _mm_adds_epu8(dv, sv));
    }
    const __m128i magic = _mm_set1_epi16(short(0x8081));
    auto scale = [&](__m128i v16) { return _mm_srli_epi16(_mm_mulhi_epu16(_mm_mullo_epi16(v16, factors), magic), 7); };
    sv = _mm_packus_epi16(scale(_mm_unpacklo_epi8(sv, zero)), scale(_mm_unpackhi_epi8(sv, zero)));
    const __m128i added = _mm_adds_epu8(_mm_and_si128(dv, colour), sv);
    return _mm_or_si128(_mm_and_si128(keep, dv), _mm_andnot_si128(keep, added));
}

// Rows of 9 to 16 pixels: Groups whole groups and the four pixels up to the row's end, all worked out before any
// is stored. The count is fixed at compile time so that the groups stay in registers: kept in an array sized at run
// time, they went out to the stack and back through a string copy, which cost more than the arithmetic.
template <int Groups>
inline void Sse2AddRows(uint32_t* d, size_t pitch, const uint32_t* s, size_t stride, int n, int h, __m128i factors,
                        bool white)
{
    auto load = [](const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    auto store = [](uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); };
    for (int j = 0; j < h; ++j, d += pitch, s += stride)
    {
        const __m128i a = AddFour(load(s), load(d), factors, white);
        const __m128i b = AddFour(load(s + 4), load(d + 4), factors, white);
        const __m128i c = Groups > 2 ? AddFour(load(s + 8), load(d + 8), factors, white) : a;
        const __m128i last = AddFour(load(s + n - 4), load(d + n - 4), factors, white);
        store(d, a);
        store(d + 4, b);
        if (Groups > 2) store(d + 8, c);
        store(d + n - 4, last);
    }
}

void Sse2SurfaceAddBlock(uint32_t* d, size_t pitch, const uint32_t* s, size_t stride, int n, int h,
                         const uint32_t tint[3], bool white)
{
    const __m128i factors = _mm_set_epi16(0, short(tint[2]), short(tint[1]), short(tint[0]), 0, short(tint[2]),
                                          short(tint[1]), short(tint[0]));
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    auto load = [](const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    auto store = [](uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); };
    if (n < 4)
    {
        // A row shorter than four goes through the same lanes by way of a small copy: nothing outside the row is
        // read or written.
        for (int j = 0; j < h; ++j, d += pitch, s += stride)
        {
            alignas(16) uint32_t from[4] = {}, to[4] = {};
            for (int k = 0; k < n; ++k) from[k] = s[k], to[k] = d[k];
            store(to, AddFour(load(from), load(to), factors, white));
            for (int k = 0; k < n; ++k) d[k] = to[k];
        }
        return;
    }
    // A row of four to eight (most small sparks) takes two groups, the second ending at the row's end and
    // overlapping the first: both are worked out from the destination as it was before either is stored, so the
    // pixels both cover come out the same from either and the order of the stores does not matter.
    if (n <= 8)
    {
        const int second = n - 4;
        for (int j = 0; j < h; ++j, d += pitch, s += stride)
        {
            const __m128i a = AddFour(load(s), load(d), factors, white);
            const __m128i b = AddFour(load(s + second), load(d + second), factors, white);
            store(d, a);
            store(d + second, b);
        }
        return;
    }
    const int rest = n % 4;
    // Up to sixteen (most sparks): every group worked out before any is stored, the last one ending at the row's
    // end, and no pixel tested, so that no branch depends on the picture.
    if (n <= 16)
    {
        if (n <= 12)
            Sse2AddRows<2>(d, pitch, s, stride, n, h, factors, white);
        else
            Sse2AddRows<3>(d, pitch, s, stride, n, h, factors, white);
        return;
    }
    // A longer row ends with the four pixels up to its end in the same way, worked out before the last whole group
    // is stored; whole groups without colour are skipped.
    for (int j = 0; j < h; ++j, d += pitch, s += stride)
    {
        __m128i last = _mm_setzero_si128();
        if (rest) last = AddFour(load(s + n - 4), load(d + n - 4), factors, white);
        for (int i = 0; i + 4 <= n; i += 4)
        {
            const __m128i sv = load(s + i);
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(sv, colour), _mm_setzero_si128())) == 0xFFFF) continue;
            store(d + i, AddFour(sv, load(d + i), factors, white));
        }
        if (rest) store(d + n - 4, last);
    }
}

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

// Eight at a time: eight transparent pixels leave the destination, eight opaque ones under a white tint are copied.
template <bool Mirror>
void Sse2SurfaceBlend16(uint16_t* d, const uint32_t* s, int n, const Spread16& f, uint32_t srcFactor, uint32_t a,
                        bool white)
{
    int i = 0;
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
        if (_mm_movemask_epi8(clear) == 0xFFFF) continue;
        const __m128i s16 = PackLow16(s0, s1);
        const __m128i copy = white ? _mm_cmpeq_epi16(alpha, opaque) : zero;
        if (_mm_movemask_epi8(copy) == 0xFFFF)
        {
            StoreDest16<Mirror>(d, i, _mm_and_si128(s16, colour));
            continue;
        }
        const __m128i dv = LoadDest16<Mirror>(d, i);
        const __m128i mixed =
            PackLow16(Spread16Blend4(s0, _mm_unpacklo_epi16(dv, zero), green, spread, srcFactorLanes, tintAlpha),
                      Spread16Blend4(s1, _mm_unpackhi_epi16(dv, zero), green, spread, srcFactorLanes, tintAlpha));
        __m128i out = _mm_or_si128(_mm_and_si128(copy, s16), _mm_andnot_si128(copy, mixed));
        out = _mm_or_si128(_mm_and_si128(clear, dv), _mm_andnot_si128(clear, out));
        StoreDest16<Mirror>(d, i, out);
    }
    ScalarSurfaceBlend16<Mirror>(From<Mirror>(d, i), s + i, n - i, f, srcFactor, a, white);
}

// Eight at a time, each channel in its own 16-bit lanes.
template <bool Mirror>
void Sse2SurfaceAdd16(uint16_t* d, const uint32_t* s, int n, const Spread16& f, const uint32_t tint[3], bool white)
{
    int i = 0;
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
        const __m128i s16 = PackLow16(s0, s1);
        const __m128i dv = LoadDest16<Mirror>(d, i);
        __m128i low = _mm_and_si128(s16, five);
        __m128i mid = _mm_and_si128(_mm_srli_epi16(s16, 5), greenTop);
        __m128i top = _mm_and_si128(_mm_srl_epi16(s16, topShift), five);
        if (!white)
        {
            low = Div255Lanes16(_mm_mullo_epi16(low, tint0));
            mid = Div255Lanes16(_mm_mullo_epi16(mid, tint1));
            top = Div255Lanes16(_mm_mullo_epi16(top, tint2));
        }
        low = _mm_min_epi16(_mm_add_epi16(low, _mm_and_si128(dv, five)), five);
        mid = _mm_min_epi16(_mm_add_epi16(mid, _mm_and_si128(_mm_srli_epi16(dv, 5), greenTop)), greenTop);
        top = _mm_min_epi16(_mm_add_epi16(top, _mm_and_si128(_mm_srl_epi16(dv, topShift), five)), five);
        const __m128i added = _mm_or_si128(_mm_or_si128(low, _mm_slli_epi16(mid, 5)), _mm_sll_epi16(top, topShift));
        StoreDest16<Mirror>(d, i, _mm_or_si128(_mm_and_si128(keep, dv), _mm_andnot_si128(keep, added)));
    }
    ScalarSurfaceAdd16<Mirror>(From<Mirror>(d, i), s + i, n - i, f, tint, white);
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
    // Untested, as in the SSE2 form: adding no colour leaves the destination as it was.
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
    const __m256i colourMask = _mm256_set1_epi32(0x00FFFFFF);
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

// ---- Surfaces, AVX2 (32 bits; the 5-6-5 and 5-5-5 forms are the SSE2 ones) ------------------------------------

// Eight destination pixels in source order: mirrored spans are written leftwards from d.
template <bool Mirror>
ZEST_AVX2 inline __m256i LoadDest8(const uint32_t* d, int i)
{
    if (!Mirror) return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d - i - 7));
    return _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0));
}

template <bool Mirror>
ZEST_AVX2 inline void StoreDest8(uint32_t* d, int i, __m256i v)
{
    if (!Mirror)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), v);
    else
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d - i - 7),
                            _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0)));
}

// SurfaceDestPart16 on the destination's pixels widened to 16 bits (two per 128-bit half), with 255 - a already
// spread over each pixel's lanes.
ZEST_AVX2 inline __m256i SurfaceDestPart16x4(__m256i d, __m256i inverseAlpha)
{
    const __m256i t = _mm256_add_epi16(_mm256_mullo_epi16(d, inverseAlpha), _mm256_set1_epi16(128));
    return _mm256_mulhi_epu16(t, _mm256_set1_epi16(0x0101));
}

template <bool Mirror>
ZEST_AVX2 void Avx2SurfaceCopy(uint32_t* d, const uint32_t* s, int n)
{
    int i = 0;
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    for (; i + 8 <= n; i += 8)
        StoreDest8<Mirror>(d, i, _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i)), colour));
    _mm256_zeroupper();
    Sse2SurfaceCopy<Mirror>(From<Mirror>(d, i), s + i, n - i);
}

ZEST_AVX2 void Avx2SurfaceCopyBlock(uint32_t* d, size_t pitch, const uint32_t* s, size_t stride, int n, int h)
{
    if (n < 8)
    {
        for (int j = 0; j < h; ++j, d += pitch, s += stride) Sse2SurfaceCopy<false>(d, s, n);
        return;
    }
    // A row of eight or more ends with the eight pixels up to its end, overlapping the last whole group: a copy
    // does not read the destination, so they come out the same either way.
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    for (int j = 0; j < h; ++j, d += pitch, s += stride)
    {
        int i = 0;
        for (; i + 8 <= n; i += 8)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i),
                                _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i)), colour));
        if (i < n)
            _mm256_storeu_si256(
                reinterpret_cast<__m256i*>(d + n - 8),
                _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + n - 8)), colour));
    }
    _mm256_zeroupper();
}

// Eight pixels of SurfaceBlendChannel from s + at onto d at at, from the destination as it stands: false when they
// leave it as it is.
template <bool Mirror>
ZEST_AVX2 inline bool BlendEight(const uint32_t* d, int at, const uint32_t* s, __m256i& out)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + at));
    if (_mm256_testz_si256(sv, alphaMask)) return false;
    const __m256i clear = _mm256_cmpeq_epi32(_mm256_and_si256(sv, alphaMask), zero);
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_and_si256(sv, alphaMask), alphaMask)) == -1)
    {
        out = _mm256_and_si256(sv, colour);
        return true;
    }
    const __m256i dv = LoadDest8<Mirror>(d, at);
    // 255 - a is the inverted alpha byte, spread over each pixel's 16-bit lanes by the alpha shuffles.
    const __m256i inverse = _mm256_xor_si256(sv, alphaMask);
    const __m256i lo =
        SurfaceDestPart16x4(_mm256_unpacklo_epi8(dv, zero), _mm256_shuffle_epi8(inverse, AlphaShuffleLo()));
    const __m256i hi =
        SurfaceDestPart16x4(_mm256_unpackhi_epi8(dv, zero), _mm256_shuffle_epi8(inverse, AlphaShuffleHi()));
    const __m256i mixed = _mm256_and_si256(_mm256_add_epi8(_mm256_packus_epi16(lo, hi), sv), colour);
    out = _mm256_or_si256(mixed, _mm256_and_si256(clear, dv));
    return true;
}

// The whole groups of Avx2SurfaceBlend (every pixel of a forward row of eight or more); answers how many pixels
// they drew.
template <bool Mirror>
ZEST_AVX2 __attribute__((always_inline)) inline int BlendGroups(uint32_t* d, const uint32_t* s, int n)
{
    int i = 0;
    // A forward row of eight or more ends with the eight pixels up to its end, overlapping the last whole group:
    // worked out from the destination before that group is stored, the pixels both cover come out the same.
    const bool overlap = !Mirror && n >= 8 && n % 8 != 0;
    __m256i last = _mm256_setzero_si256();
    const bool storeLast = overlap && BlendEight<false>(d, n - 8, s, last);
    for (; i + 8 <= n; i += 8)
    {
        __m256i out;
        if (BlendEight<Mirror>(d, i, s, out)) StoreDest8<Mirror>(d, i, out);
    }
    if (overlap)
    {
        if (storeLast) StoreDest8<false>(d, n - 8, last);
        i = n;
    }
    return i;
}

template <bool Mirror>
ZEST_AVX2 void Avx2SurfaceBlend(uint32_t* d, const uint32_t* s, int n)
{
    const int i = BlendGroups<Mirror>(d, s, n);
    // The tail and the callers run legacy SSE code, which stalls while the upper halves are in use.
    _mm256_zeroupper();
    Sse2SurfaceBlend<Mirror>(From<Mirror>(d, i), s + i, n - i);
}

ZEST_AVX2 void Avx2SurfaceBlendBlock(uint32_t* d, size_t pitch, const uint32_t* s, size_t stride, int n, int h)
{
    if (n < 8)
    {
        for (int j = 0; j < h; ++j, d += pitch, s += stride) Sse2SurfaceBlend<false>(d, s, n);
        return;
    }
    for (int j = 0; j < h; ++j, d += pitch, s += stride) BlendGroups<false>(d, s, n);
    _mm256_zeroupper();
}

// One channel of SurfaceTintedChannel for eight pixels at a byte position: x = s x weight + d x rest + 32512 stays
// below 2^25, and x / 65025 is estimated in float to within 10^-4, less a quarter and truncated to the quotient or
// one below, and put right by the remainder.
ZEST_AVX2 inline __m256i TintedChannel8(__m256i sv, __m256i dv, __m256i weight, __m256i rest, int shift)
{
    const __m256i byte = _mm256_set1_epi32(0xFF);
    const __m256i sc = _mm256_and_si256(_mm256_srli_epi32(sv, shift), byte);
    const __m256i dc = _mm256_and_si256(_mm256_srli_epi32(dv, shift), byte);
    const __m256i x = _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(sc, weight), _mm256_mullo_epi32(dc, rest)),
                                       _mm256_set1_epi32(32512));
    const __m256 estimate = _mm256_mul_ps(_mm256_cvtepi32_ps(x), _mm256_set1_ps(1.0f / 65025.0f));
    const __m256i q = _mm256_cvttps_epi32(_mm256_sub_ps(estimate, _mm256_set1_ps(0.25f)));
    const __m256i rem = _mm256_sub_epi32(x, _mm256_mullo_epi32(q, _mm256_set1_epi32(65025)));
    return _mm256_slli_epi32(_mm256_sub_epi32(q, _mm256_cmpgt_epi32(rem, _mm256_set1_epi32(65024))), shift);
}

// One half of GreyOverOpaque8: the widened channels, the high half of (s x a + d x b + 128) x 257.
ZEST_AVX2 inline __m256i GreyOverOpaqueHalf(__m256i s16, __m256i d16, __m256i a, __m256i b)
{
    const __m256i t = _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(s16, a), _mm256_mullo_epi16(d16, b)),
                                       _mm256_set1_epi16(128));
    return _mm256_mulhi_epu16(t, _mm256_set1_epi16(257));
}

// GreyOverOpaque4 for eight pixels.
ZEST_AVX2 inline __m256i GreyOverOpaque8(__m256i sv, __m256i dv, __m256i a, __m256i b)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lo = GreyOverOpaqueHalf(_mm256_unpacklo_epi8(sv, zero), _mm256_unpacklo_epi8(dv, zero), a, b);
    const __m256i hi = GreyOverOpaqueHalf(_mm256_unpackhi_epi8(sv, zero), _mm256_unpackhi_epi8(dv, zero), a, b);
    return _mm256_and_si256(_mm256_packus_epi16(lo, hi), _mm256_set1_epi32(0x00FFFFFF));
}

// Eight pixels of SurfaceBlendTintedPixel from s + at onto d at at, from the destination as it stands: false when
// they leave it as it is.
template <bool Mirror, bool Grey>
ZEST_AVX2 __attribute__((always_inline)) inline bool BlendTintedEight(const uint32_t* d, int at, const uint32_t* s,
                                                                      __m256i w0, __m256i w1, __m256i w2, __m256i alpha,
                                                                      __m256i a16, __m256i b16, __m256i& out)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + at));
    const __m256i sa = _mm256_srli_epi32(sv, 24);
    const __m256i clear = _mm256_cmpeq_epi32(sa, zero);
    if (_mm256_movemask_epi8(clear) == -1) return false;
    const __m256i dv = LoadDest8<Mirror>(d, at);
    if (Grey && _mm256_movemask_epi8(_mm256_cmpeq_epi32(sa, _mm256_set1_epi32(255))) == -1)
    {
        out = GreyOverOpaque8(sv, dv, a16, b16);
        return true;
    }
    // Source alpha x tint alpha is at most 65025, so the 16-bit product of the low halves is exact.
    const __m256i rest = _mm256_sub_epi32(_mm256_set1_epi32(65025), _mm256_mullo_epi16(sa, alpha));
    const __m256i mixed =
        _mm256_or_si256(_mm256_or_si256(TintedChannel8(sv, dv, w0, rest, 0), TintedChannel8(sv, dv, w1, rest, 8)),
                        TintedChannel8(sv, dv, w2, rest, 16));
    // Alpha 0 leaves the destination word whole.
    out = _mm256_blendv_epi8(mixed, dv, clear);
    return true;
}

// The whole groups of Avx2SurfaceBlendTinted, with the white tint's test made once for the row; answers how many
// pixels they drew.
template <bool Mirror, bool Grey>
ZEST_AVX2 __attribute__((always_inline)) inline int BlendTintedGroups(uint32_t* d, const uint32_t* s, int n,
                                                                      const uint32_t weight[3], uint32_t a)
{
    int i = 0;
    const __m256i w0 = _mm256_set1_epi32(int(weight[0])), w1 = _mm256_set1_epi32(int(weight[1])),
                  w2 = _mm256_set1_epi32(int(weight[2]));
    const __m256i alpha = _mm256_set1_epi32(int(a));
    const __m256i a16 = _mm256_set1_epi16(short(a)), b16 = _mm256_set1_epi16(short(255 - a));
    // The last eight pixels of a forward row overlap its last whole group, as in Avx2SurfaceBlend.
    const bool overlap = !Mirror && n >= 8 && n % 8 != 0;
    __m256i last = _mm256_setzero_si256();
    const bool storeLast = overlap && BlendTintedEight<false, Grey>(d, n - 8, s, w0, w1, w2, alpha, a16, b16, last);
    for (; i + 8 <= n; i += 8)
    {
        __m256i out;
        if (BlendTintedEight<Mirror, Grey>(d, i, s, w0, w1, w2, alpha, a16, b16, out)) StoreDest8<Mirror>(d, i, out);
    }
    if (overlap)
    {
        if (storeLast) StoreDest8<false>(d, n - 8, last);
        i = n;
    }
    return i;
}

template <bool Mirror>
ZEST_AVX2 void Avx2SurfaceBlendTinted(uint32_t* d, const uint32_t* s, int n, const uint32_t weight[3], uint32_t a)
{
    const int i = IsGreyTint(weight, a) ? BlendTintedGroups<Mirror, true>(d, s, n, weight, a)
                                        : BlendTintedGroups<Mirror, false>(d, s, n, weight, a);
    // The tail and the callers run legacy SSE code, which stalls while the upper halves are in use.
    _mm256_zeroupper();
    ScalarSurfaceBlendTinted<Mirror>(From<Mirror>(d, i), s + i, n - i, weight, a);
}

ZEST_AVX2 void Avx2SurfaceBlendTintedBlock(uint32_t* d, size_t pitch, const uint32_t* s, size_t stride, int n, int h,
                                           const uint32_t weight[3], uint32_t a)
{
    if (n < 8)
    {
        for (int j = 0; j < h; ++j, d += pitch, s += stride) ScalarSurfaceBlendTinted<false>(d, s, n, weight, a);
        return;
    }
    if (IsGreyTint(weight, a))
        for (int j = 0; j < h; ++j, d += pitch, s += stride) BlendTintedGroups<false, true>(d, s, n, weight, a);
    else
        for (int j = 0; j < h; ++j, d += pitch, s += stride) BlendTintedGroups<false, false>(d, s, n, weight, a);
    _mm256_zeroupper();
}

// Channels widened to 16 bits times their factors / 255, rounded down: the high half of x times 0x8081, shifted
// by 7, is x / 255 exactly for every 16-bit x, so for every product up to 255 x 255.
ZEST_AVX2 inline __m256i TintLanes(__m256i v16, __m256i factors)
{
    const __m256i x = _mm256_mullo_epi16(v16, factors);
    return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(short(0x8081))), 7);
}

template <bool Mirror>
ZEST_AVX2 void Avx2SurfaceAdd(uint32_t* d, const uint32_t* s, int n, const uint32_t tint[3], bool white)
{
    int i = 0;
    const __m256i zero = _mm256_setzero_si256();
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    const short t0 = short(tint[0]), t1 = short(tint[1]), t2 = short(tint[2]);
    const __m256i factors = _mm256_set_epi16(0, t2, t1, t0, 0, t2, t1, t0, 0, t2, t1, t0, 0, t2, t1, t0);
    for (; i + 8 <= n; i += 8)
    {
        __m256i sv = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i)), colour);
        if (_mm256_testz_si256(sv, sv)) continue;
        const __m256i keep = _mm256_cmpeq_epi32(sv, zero);
        const __m256i dv = LoadDest8<Mirror>(d, i);
        if (!white)
            sv = _mm256_packus_epi16(TintLanes(_mm256_unpacklo_epi8(sv, zero), factors),
                                     TintLanes(_mm256_unpackhi_epi8(sv, zero), factors));
        const __m256i added = _mm256_adds_epu8(_mm256_and_si256(dv, colour), sv);
        StoreDest8<Mirror>(d, i, _mm256_blendv_epi8(added, dv, keep));
    }
    _mm256_zeroupper();
    Sse2SurfaceAdd<Mirror>(From<Mirror>(d, i), s + i, n - i, tint, white);
}

// Eight pixels of SurfaceAddPixel; the masked lanes are neither read nor written.
ZEST_AVX2 inline void AddEight(uint32_t* d, const uint32_t* s, __m256i lanes, __m256i factors, bool white)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    __m256i sv = _mm256_and_si256(_mm256_maskload_epi32(reinterpret_cast<const int*>(s), lanes), colour);
    if (_mm256_testz_si256(sv, sv)) return;
    const __m256i keep = _mm256_cmpeq_epi32(sv, zero);
    const __m256i dv = _mm256_maskload_epi32(reinterpret_cast<const int*>(d), lanes);
    if (!white)
        sv = _mm256_packus_epi16(TintLanes(_mm256_unpacklo_epi8(sv, zero), factors),
                                 TintLanes(_mm256_unpackhi_epi8(sv, zero), factors));
    const __m256i added = _mm256_adds_epu8(_mm256_and_si256(dv, colour), sv);
    _mm256_maskstore_epi32(reinterpret_cast<int*>(d), lanes, _mm256_blendv_epi8(added, dv, keep));
}

// Eight whole pixels of SurfaceAddPixel.
ZEST_AVX2 inline void AddEightWhole(uint32_t* d, const uint32_t* s, __m256i factors, bool white)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    __m256i sv = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s)), colour);
    if (_mm256_testz_si256(sv, sv)) return;
    const __m256i keep = _mm256_cmpeq_epi32(sv, zero);
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
    if (!white)
        sv = _mm256_packus_epi16(TintLanes(_mm256_unpacklo_epi8(sv, zero), factors),
                                 TintLanes(_mm256_unpackhi_epi8(sv, zero), factors));
    const __m256i added = _mm256_adds_epu8(_mm256_and_si256(dv, colour), sv);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_blendv_epi8(added, dv, keep));
}

// Eight pixels of SurfaceAddPixel worked out from eight source and eight destination pixels, nothing stored.
ZEST_AVX2 inline __m256i AddLanes(__m256i sv, __m256i dv, __m256i factors, bool white)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    __m256i sc = _mm256_and_si256(sv, colour);
    const __m256i keep = _mm256_cmpeq_epi32(sc, zero);
    if (!white)
        sc = _mm256_packus_epi16(TintLanes(_mm256_unpacklo_epi8(sc, zero), factors),
                                 TintLanes(_mm256_unpackhi_epi8(sc, zero), factors));
    return _mm256_blendv_epi8(_mm256_adds_epu8(_mm256_and_si256(dv, colour), sc), dv, keep);
}

// Two groups of four pixels, at p and at p + second, as the low and high lane of one vector.
ZEST_AVX2 inline __m256i LoadQuads(const uint32_t* p, int second)
{
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + second)), 1);
}

ZEST_AVX2 void Avx2SurfaceAddBlock(uint32_t* d, size_t pitch, const uint32_t* s, size_t stride, int n, int h,
                                   const uint32_t tint[3], bool white)
{
    const short t0 = short(tint[0]), t1 = short(tint[1]), t2 = short(tint[2]);
    const __m256i factors = _mm256_set_epi16(0, t2, t1, t0, 0, t2, t1, t0, 0, t2, t1, t0, 0, t2, t1, t0);
    if (n < 4)
    {
        // The first n lanes only.
        const __m256i lanes = _mm256_cmpgt_epi32(_mm256_set1_epi32(n), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        for (int j = 0; j < h; ++j, d += pitch, s += stride) AddEight(d, s, lanes, factors, white);
        _mm256_zeroupper();
        return;
    }
    // Rows of up to sixteen (most sparks) take two groups each, the second ending at the row's end and overlapping
    // the first where the row is shorter than two whole groups: both are worked out from the destination as it was
    // before either is stored, so the pixels both cover come out the same from either and the order of the stores
    // does not matter. No pixel is tested, so that no branch depends on the picture.
    if (n <= 8)
    {
        const int second = n - 4; // groups of four, the two in one vector
        for (int j = 0; j < h; ++j, d += pitch, s += stride)
        {
            const __m256i out = AddLanes(LoadQuads(s, second), LoadQuads(d, second), factors, white);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm256_castsi256_si128(out));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + second), _mm256_extracti128_si256(out, 1));
        }
        _mm256_zeroupper();
        return;
    }
    if (n <= 16)
    {
        const int second = n - 8;
        for (int j = 0; j < h; ++j, d += pitch, s += stride)
        {
            const __m256i a = AddLanes(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s)),
                                       _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d)), factors, white);
            const __m256i b =
                AddLanes(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + second)),
                         _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + second)), factors, white);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), a);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + second), b);
        }
        _mm256_zeroupper();
        return;
    }
    const int rest = n % 8;
    for (int j = 0; j < h; ++j, d += pitch, s += stride)
    {
        // A longer row ends with the eight pixels up to its end in the same way, worked out before the last whole
        // group is stored; whole groups without colour are skipped.
        __m256i last = _mm256_setzero_si256();
        if (rest)
            last = AddLanes(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + n - 8)),
                            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + n - 8)), factors, white);
        int i = 0;
        for (; i + 8 <= n; i += 8) AddEightWhole(d + i, s + i, factors, white);
        if (rest) _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + n - 8), last);
    }
    _mm256_zeroupper();
}

#undef ZEST_AVX2
#define ZEST_SPAN_AVX2 1

#endif

#define ZEST_BOTH(name)                                                                                                \
    {                                                                                                                  \
        name<false>, name<true>                                                                                        \
    }
const SpanKernels kScalar = {ScalarOntoOpaque,
                             ScalarAddWeighted,
                             ScalarAddFull,
                             ZEST_BOTH(ScalarSurfaceCopy),
                             ZEST_BOTH(ScalarSurfaceBlend),
                             ZEST_BOTH(ScalarSurfaceBlendTinted),
                             ZEST_BOTH(ScalarSurfaceAdd),
                             ZEST_BOTH(ScalarSurfaceBlend16),
                             ZEST_BOTH(ScalarSurfaceAdd16),
                             ScalarSurfaceAddBlock,
                             RowsOf<ScalarSurfaceCopy<false>>,
                             RowsOf<ScalarSurfaceBlend<false>>,
                             TintedRowsOf<ScalarSurfaceBlendTinted<false>>};
#if defined(ZEST_SPAN_SSE2)
const SpanKernels kSse2 = {Sse2OntoOpaque,
                           Sse2AddWeighted,
                           Sse2AddFull,
                           ZEST_BOTH(Sse2SurfaceCopy),
                           ZEST_BOTH(Sse2SurfaceBlend),
                           ZEST_BOTH(Sse2SurfaceBlendTinted),
                           ZEST_BOTH(Sse2SurfaceAdd),
                           ZEST_BOTH(Sse2SurfaceBlend16),
                           ZEST_BOTH(Sse2SurfaceAdd16),
                           Sse2SurfaceAddBlock,
                           RowsOf<Sse2SurfaceCopy<false>>,
                           RowsOf<Sse2SurfaceBlend<false>>,
                           TintedRowsOf<Sse2SurfaceBlendTinted<false>>};
#endif
#if defined(ZEST_SPAN_AVX2)
const SpanKernels kAvx2 = {Avx2OntoOpaque,
                           Avx2AddWeighted,
                           Avx2AddFull,
                           ZEST_BOTH(Avx2SurfaceCopy),
                           ZEST_BOTH(Avx2SurfaceBlend),
                           ZEST_BOTH(Avx2SurfaceBlendTinted),
                           ZEST_BOTH(Avx2SurfaceAdd),
                           ZEST_BOTH(Sse2SurfaceBlend16),
                           ZEST_BOTH(Sse2SurfaceAdd16),
                           Avx2SurfaceAddBlock,
                           Avx2SurfaceCopyBlock,
                           Avx2SurfaceBlendBlock,
                           Avx2SurfaceBlendTintedBlock};
#endif
#undef ZEST_BOTH

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

SpanIsa ActiveSpanIsa()
{
    const SpanIsa isa = ChosenIsa().load(std::memory_order_relaxed);
    return SpanIsaAvailable(isa) ? isa : SpanIsa::Scalar;
}

SpanIsa SetSpanIsa(SpanIsa isa)
{
    while (isa != SpanIsa::Scalar && !SpanIsaAvailable(isa)) isa = SpanIsa(int(isa) - 1);
    return ChosenIsa().exchange(isa);
}

} // namespace Zest
