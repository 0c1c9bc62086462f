// Stretched-blit sampling: the taps of a call, the column sums of a row pair and the bilinear samples of a row, per
// pixel or eight pixels at a time with AVX2. Every form gives exactly BilinearSample's result.
#include "graphics/StretchSampler.h"

#include "graphics/BlendSpans.h"
#include "graphics/PixelBlend.h"

#include <algorithm>
#include <cmath>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZEST_STRETCH_X86 1
#endif

namespace Zest
{

uint32_t BilinearSample(const uint32_t px[4], const uint32_t area[4])
{
    uint64_t total = 0, r = 0, g = 0, b = 0;
    for (int k = 0; k < 4; ++k)
    {
        const uint64_t w = uint64_t(area[k]) * (px[k] >> 24);
        total += w;
        r += w * ((px[k] >> 16) & 0xFF);
        g += w * ((px[k] >> 8) & 0xFF);
        b += w * (px[k] & 0xFF);
    }
    if (total == 0) return 0;
    const uint32_t a = uint32_t(total >> 16);
    const uint64_t half = total / 2;
    return (a << 24) | (uint32_t((r + half) / total) << 16) | (uint32_t((g + half) / total) << 8) |
           uint32_t((b + half) / total);
}

namespace
{

// Buffers only grow: particles of every size pass through one sampler, and growing again after a shrink would
// clear the new part on every call.
template <class T>
void AtLeast(std::vector<T>& v, size_t n)
{
    if (v.size() < n) v.resize(n);
}

void MakeTaps(std::vector<StretchTap>& taps, int destStart, int destFirst, int count, int destSize, int srcStart,
              int srcSize, int lo, int hi, bool nearest, bool mirror)
{
    AtLeast(taps, size_t(std::max(count, 0)));
    const double scale = double(srcSize) / double(destSize);
    for (int k = 0; k < count; ++k)
    {
        int64_t offset = int64_t(destFirst) + k - destStart;
        if (mirror) offset = int64_t(destSize) - 1 - offset;
        const double centre = (double(offset) + 0.5) * scale;
        StretchTap t;
        if (nearest)
        {
            // centre is never negative (offset is not), so truncation is its floor.
            const int i = std::clamp(srcStart + int(centre), lo, hi);
            t = {i, i, 0};
        }
        else
        {
            const double u = std::clamp(double(srcStart) + centre - 0.5, double(lo), double(hi));
            // u is clamped inside the image, so it is not negative and truncation is its floor.
            const int i0 = int(u);
            t = {i0, std::min(i0 + 1, hi), uint32_t((u - i0) * 256.0)};
            if (t.f > 255) t.f = 255;
        }
        taps[size_t(k)] = t;
    }
}

// The alpha-weighted sums of the columns lo .. lo + n - 1 between source rows y0 (weight 256 - f) and y1 (f),
// stored as four planes of n: alpha, red, green, blue. Each is below 2^24.
void ColumnSums(const StretchSource& s, int lo, int n, int y0, int y1, uint32_t f, uint32_t* sums)
{
    uint32_t *A = sums, *R = sums + n, *G = sums + 2 * n, *B = sums + 3 * n;
    for (int k = 0; k < n; ++k)
    {
        const uint32_t p0 = s.At(lo + k, y0), p1 = s.At(lo + k, y1);
        const uint32_t w0 = (256 - f) * (p0 >> 24), w1 = f * (p1 >> 24);
        A[k] = w0 + w1;
        R[k] = w0 * ((p0 >> 16) & 0xFF) + w1 * ((p1 >> 16) & 0xFF);
        G[k] = w0 * ((p0 >> 8) & 0xFF) + w1 * ((p1 >> 8) & 0xFF);
        B[k] = w0 * (p0 & 0xFF) + w1 * (p1 & 0xFF);
    }
}

// Each pixel of a row from the column sums: x0/x1 index the planes, fx weighs the second.
void ScalarResolveRow(const uint32_t* sums, int n, const int* x0, const int* x1, const uint32_t* fx, int count,
                      uint32_t* out)
{
    const uint32_t *A = sums, *R = sums + n, *G = sums + 2 * n, *B = sums + 3 * n;
    for (int i = 0; i < count; ++i)
    {
        const uint32_t u1 = fx[i], u0 = 256 - u1;
        const int a = x0[i], b = x1[i];
        out[i] =
            ResolveSums(u0 * A[a] + u1 * A[b], u0 * R[a] + u1 * R[b], u0 * G[a] + u1 * G[b], u0 * B[a] + u1 * B[b]);
    }
}

void ScalarPremultiply(uint32_t* p, int n, bool& transparent, bool& partial)
{
    for (int i = 0; i < n; ++i)
    {
        const uint32_t s = p[i], a = s >> 24, a1 = a + 1;
        if (a == 0)
        {
            p[i] = 0;
            transparent = true;
            continue;
        }
        partial = partial || a != 255;
        const uint32_t r = ((((s >> 16) & 0xFF) * 255 >> 8) * a1) >> 8, g = ((((s >> 8) & 0xFF) * 255 >> 8) * a1) >> 8,
                       b = (((s & 0xFF) * 255 >> 8) * a1) >> 8;
        p[i] = a << 24 | r << 16 | g << 8 | b;
    }
}

void ScalarPlace(const uint32_t* in, uint32_t* out, int n, const int cut[3], const int shift[3], const uint32_t mask[3])
{
    for (int i = 0; i < n; ++i)
    {
        const uint32_t s = in[i];
        out[i] = (s & 0xFF000000u) | ((((s >> 16) & 0xFF) >> cut[0] << shift[0]) & mask[0]) |
                 ((((s >> 8) & 0xFF) >> cut[1] << shift[1]) & mask[1]) | (((s & 0xFF) >> cut[2] << shift[2]) & mask[2]);
    }
}

using PlaceFn = void (*)(const uint32_t* in, uint32_t* out, int n, const int cut[3], const int shift[3],
                         const uint32_t mask[3]);
using PremultiplyFn = void (*)(uint32_t* p, int n, bool& transparent, bool& partial);
using ColumnSumsFn = void (*)(const StretchSource& s, int lo, int n, int y0, int y1, uint32_t f, uint32_t* sums);
using ResolveRowFn = void (*)(const uint32_t* sums, int n, const int* x0, const int* x1, const uint32_t* fx, int count,
                              uint32_t* out);

#if defined(ZEST_STRETCH_X86) && defined(__SSE2__)

#define ZEST_AVX2 __attribute__((target("avx2")))

// One channel's column sum: w0 x c0 + w1 x c1.
ZEST_AVX2 inline __m256i ChannelSum(__m256i p0, __m256i p1, __m256i w0, __m256i w1, int shift)
{
    const __m256i byte = _mm256_set1_epi32(0xFF);
    const __m256i c0 = _mm256_and_si256(_mm256_srli_epi32(p0, shift), byte);
    const __m256i c1 = _mm256_and_si256(_mm256_srli_epi32(p1, shift), byte);
    return _mm256_add_epi32(_mm256_mullo_epi32(w0, c0), _mm256_mullo_epi32(w1, c1));
}

// ARGB rows (no palette): eight columns at a time, the tail per column.
ZEST_AVX2 void Avx2ColumnSums(const StretchSource& s, int lo, int n, int y0, int y1, uint32_t f, uint32_t* sums)
{
    if (!s.bits)
    {
        ColumnSums(s, lo, n, y0, y1, f, sums);
        return;
    }
    uint32_t *A = sums, *R = sums + n, *G = sums + 2 * n, *B = sums + 3 * n;
    const uint32_t* row0 = s.bits + size_t(y0) * s.stride + size_t(lo);
    const uint32_t* row1 = s.bits + size_t(y1) * s.stride + size_t(lo);
    const __m256i f0 = _mm256_set1_epi32(int(256 - f)), f1 = _mm256_set1_epi32(int(f));
    int k = 0;
    for (; k + 8 <= n; k += 8)
    {
        const __m256i p0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row0 + k));
        const __m256i p1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row1 + k));
        // Both weights fit 16 bits, so the 16-bit multiply of the low halves is exact.
        const __m256i w0 = _mm256_mullo_epi16(_mm256_srli_epi32(p0, 24), f0);
        const __m256i w1 = _mm256_mullo_epi16(_mm256_srli_epi32(p1, 24), f1);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(A + k), _mm256_add_epi32(w0, w1));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(R + k), ChannelSum(p0, p1, w0, w1, 16));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(G + k), ChannelSum(p0, p1, w0, w1, 8));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(B + k), ChannelSum(p0, p1, w0, w1, 0));
    }
    _mm256_zeroupper();
    for (; k < n; ++k)
    {
        const uint32_t p0 = row0[k], p1 = row1[k];
        const uint32_t w0 = (256 - f) * (p0 >> 24), w1 = f * (p1 >> 24);
        A[k] = w0 + w1;
        R[k] = w0 * ((p0 >> 16) & 0xFF) + w1 * ((p1 >> 16) & 0xFF);
        G[k] = w0 * ((p0 >> 8) & 0xFF) + w1 * ((p1 >> 8) & 0xFF);
        B[k] = w0 * (p0 & 0xFF) + w1 * (p1 & 0xFF);
    }
}

// (sum + t / 2) / t for eight pixels. The float estimate of the quotient is within 0.1 of it (the quotient is
// below 256 and the approximate reciprocal's relative error below 1.5 x 2^-12); less a quarter and truncated it is
// the quotient or one below, which the remainder puts right. The 32-bit lanes hold the remainder exactly even when
// the product wraps, because its true value lies within [0, 2t).
ZEST_AVX2 inline __m256i DivideLanes(__m256i sum, __m256i t, __m256i half, __m256 reciprocal)
{
    const __m256i n = _mm256_add_epi32(sum, half);
    // Unsigned to float: the signed conversion, plus 2^32 where the top bit was set.
    const __m256 nf = _mm256_add_ps(_mm256_cvtepi32_ps(n), _mm256_and_ps(_mm256_castsi256_ps(_mm256_srai_epi32(n, 31)),
                                                                         _mm256_set1_ps(4294967296.0f)));
    const __m256i q = _mm256_cvttps_epi32(_mm256_sub_ps(_mm256_mul_ps(nf, reciprocal), _mm256_set1_ps(0.25f)));
    const __m256i rem = _mm256_sub_epi32(n, _mm256_mullo_epi32(q, t));
    const __m256i high = _mm256_cmpgt_epi32(rem, _mm256_sub_epi32(t, _mm256_set1_epi32(1)));
    return _mm256_sub_epi32(q, high);
}

// A plane's entries at two column indices mixed by the weights u0 and u1.
ZEST_AVX2 inline __m256i MixPlane(const int* plane, __m256i i0, __m256i i1, __m256i u0, __m256i u1)
{
    return _mm256_add_epi32(_mm256_mullo_epi32(u0, _mm256_i32gather_epi32(plane, i0, 4)),
                            _mm256_mullo_epi32(u1, _mm256_i32gather_epi32(plane, i1, 4)));
}

// Eight pixels from the column sums: x0/x1 index the planes, fx weighs the second.
ZEST_AVX2 inline __attribute__((always_inline)) __m256i ResolveEight(const int* A, const int* R, const int* G,
                                                                     const int* B, __m256i i0, __m256i i1, __m256i u1)
{
    const __m256i u0 = _mm256_sub_epi32(_mm256_set1_epi32(256), u1);
    const __m256i t = MixPlane(A, i0, i1, u0, u1);
    const __m256i none = _mm256_cmpeq_epi32(t, _mm256_setzero_si256());
    if (_mm256_movemask_epi8(none) == -1) return _mm256_setzero_si256();
    // t is below 2^24, so its float is exact; t = 0 lanes are cleared at the end.
    const __m256 reciprocal = _mm256_rcp_ps(_mm256_cvtepi32_ps(t));
    const __m256i half = _mm256_srli_epi32(t, 1);
    const __m256i r = DivideLanes(MixPlane(R, i0, i1, u0, u1), t, half, reciprocal);
    const __m256i g = DivideLanes(MixPlane(G, i0, i1, u0, u1), t, half, reciprocal);
    const __m256i b = DivideLanes(MixPlane(B, i0, i1, u0, u1), t, half, reciprocal);
    const __m256i pixel =
        _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(_mm256_srli_epi32(t, 16), 24), _mm256_slli_epi32(r, 16)),
                        _mm256_or_si256(_mm256_slli_epi32(g, 8), b));
    return _mm256_andnot_si256(none, pixel);
}

ZEST_AVX2 void Avx2ResolveRow(const uint32_t* sums, int n, const int* x0, const int* x1, const uint32_t* fx, int count,
                              uint32_t* out)
{
    const int* A = reinterpret_cast<const int*>(sums);
    const int* R = A + n;
    const int* G = A + 2 * n;
    const int* B = A + 3 * n;
    int i = 0;
    for (; i + 8 <= count; i += 8)
    {
        const __m256i i0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x0 + i));
        const __m256i i1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x1 + i));
        const __m256i u1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(fx + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), ResolveEight(A, R, G, B, i0, i1, u1));
    }
    if (i < count)
    {
        // The last few as eight more, padded with column 0: small sprites are mostly tail, and the per-pixel
        // division costs more than the lanes it wastes.
        alignas(32) int t0[8] = {}, t1[8] = {};
        alignas(32) uint32_t tf[8] = {}, result[8];
        for (int k = 0; i + k < count; ++k)
        {
            t0[k] = x0[i + k];
            t1[k] = x1[i + k];
            tf[k] = fx[i + k];
        }
        _mm256_store_si256(reinterpret_cast<__m256i*>(result),
                           ResolveEight(A, R, G, B, _mm256_load_si256(reinterpret_cast<const __m256i*>(t0)),
                                        _mm256_load_si256(reinterpret_cast<const __m256i*>(t1)),
                                        _mm256_load_si256(reinterpret_cast<const __m256i*>(tf))));
        for (int k = 0; i + k < count; ++k) out[i + k] = result[k];
    }
    _mm256_zeroupper();
}

// One channel at a shift: (c' x (a + 1)) >> 8 in place; the 16-bit product is at most 254 x 256.
ZEST_AVX2 inline __m256i PremultiplyChannel(__m256i c, __m256i a1, int shift)
{
    const __m256i v = _mm256_and_si256(_mm256_srli_epi32(c, shift), _mm256_set1_epi32(0xFF));
    return _mm256_slli_epi32(_mm256_srli_epi32(_mm256_mullo_epi16(v, a1), 8), shift);
}

ZEST_AVX2 void Avx2Premultiply(uint32_t* p, int n, bool& transparent, bool& partial)
{
    const __m256i zero = _mm256_setzero_si256();
    __m256i clearSeen = zero, partialSeen = zero;
    int i = 0;
    for (; i + 8 <= n; i += 8)
    {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
        const __m256i a = _mm256_srli_epi32(s, 24);
        const __m256i clear = _mm256_cmpeq_epi32(a, zero);
        const __m256i opaque = _mm256_cmpeq_epi32(a, _mm256_set1_epi32(255));
        clearSeen = _mm256_or_si256(clearSeen, clear);
        partialSeen = _mm256_or_si256(partialSeen, _mm256_cmpeq_epi32(_mm256_or_si256(clear, opaque), zero));
        // c x 255 >> 8 is c - 1 for every c but 0: a saturating byte subtraction.
        const __m256i c = _mm256_subs_epu8(s, _mm256_set1_epi32(0x00010101));
        const __m256i a1 = _mm256_add_epi32(a, _mm256_set1_epi32(1));
        const __m256i out =
            _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(a, 24), PremultiplyChannel(c, a1, 16)),
                            _mm256_or_si256(PremultiplyChannel(c, a1, 8), PremultiplyChannel(c, a1, 0)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + i), _mm256_andnot_si256(clear, out));
    }
    transparent = transparent || !_mm256_testz_si256(clearSeen, clearSeen);
    partial = partial || !_mm256_testz_si256(partialSeen, partialSeen);
    _mm256_zeroupper();
    ScalarPremultiply(p + i, n - i, transparent, partial);
}

// Rows first, for sprites: the sums of one source row at each destination column (taps padded to a multiple of
// eight), four planes of `stride`: alpha, red, green, blue, each below 2^24. Gathering the source pixels per
// source row, rather than the column sums per destination pixel, needs a quarter of the gathers.
ZEST_AVX2 void Avx2RowSums(const uint32_t* row, const int* x0, const int* x1, const uint32_t* fx, int stride,
                           uint32_t* sums)
{
    uint32_t *A = sums, *R = sums + stride, *G = sums + 2 * stride, *B = sums + 3 * stride;
    const int* base = reinterpret_cast<const int*>(row);
    for (int k = 0; k < stride; k += 8)
    {
        const __m256i i0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x0 + k));
        const __m256i i1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x1 + k));
        const __m256i p0 = _mm256_i32gather_epi32(base, i0, 4);
        const __m256i p1 = _mm256_i32gather_epi32(base, i1, 4);
        const __m256i u1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(fx + k));
        const __m256i u0 = _mm256_sub_epi32(_mm256_set1_epi32(256), u1);
        // Both weights fit 16 bits, so the 16-bit multiply of the low halves is exact.
        const __m256i w0 = _mm256_mullo_epi16(_mm256_srli_epi32(p0, 24), u0);
        const __m256i w1 = _mm256_mullo_epi16(_mm256_srli_epi32(p1, 24), u1);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(A + k), _mm256_add_epi32(w0, w1));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(R + k), ChannelSum(p0, p1, w0, w1, 16));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(G + k), ChannelSum(p0, p1, w0, w1, 8));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(B + k), ChannelSum(p0, p1, w0, w1, 0));
    }
    _mm256_zeroupper();
}

// A plane's entries of two row sums mixed by the weights f0 and f1.
ZEST_AVX2 inline __m256i MixRows(const uint32_t* top, const uint32_t* bottom, __m256i f0, __m256i f1)
{
    return _mm256_add_epi32(_mm256_mullo_epi32(f0, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(top))),
                            _mm256_mullo_epi32(f1, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bottom))));
}

// One destination row from the row sums of its two source rows (weights 256 - f and f): contiguous loads, the
// same division as the column order, and only the row's width stored.
ZEST_AVX2 void Avx2ResolveFromRows(const uint32_t* top, const uint32_t* bottom, int stride, uint32_t f, int width,
                                   uint32_t* out)
{
    const __m256i f0 = _mm256_set1_epi32(int(256 - f)), f1 = _mm256_set1_epi32(int(f));
    const size_t s = size_t(stride);
    for (int k = 0; k < width; k += 8)
    {
        const __m256i t = MixRows(top + k, bottom + k, f0, f1);
        const __m256i none = _mm256_cmpeq_epi32(t, _mm256_setzero_si256());
        __m256i pixel = _mm256_setzero_si256();
        if (_mm256_movemask_epi8(none) != -1)
        {
            const __m256 reciprocal = _mm256_rcp_ps(_mm256_cvtepi32_ps(t));
            const __m256i half = _mm256_srli_epi32(t, 1);
            const __m256i r = DivideLanes(MixRows(top + s + k, bottom + s + k, f0, f1), t, half, reciprocal);
            const __m256i g = DivideLanes(MixRows(top + 2 * s + k, bottom + 2 * s + k, f0, f1), t, half, reciprocal);
            const __m256i b = DivideLanes(MixRows(top + 3 * s + k, bottom + 3 * s + k, f0, f1), t, half, reciprocal);
            pixel = _mm256_or_si256(
                _mm256_or_si256(_mm256_slli_epi32(_mm256_srli_epi32(t, 16), 24), _mm256_slli_epi32(r, 16)),
                _mm256_or_si256(_mm256_slli_epi32(g, 8), b));
            pixel = _mm256_andnot_si256(none, pixel);
        }
        if (k + 8 <= width)
        {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k), pixel);
        }
        else
        {
            alignas(32) uint32_t last[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(last), pixel);
            for (int i = 0; k + i < width; ++i) out[k + i] = last[i];
        }
    }
    _mm256_zeroupper();
}

// One channel from its byte at `from`, cut and moved to its place under its mask.
ZEST_AVX2 inline __m256i PlaceChannel(__m256i s, int from, int cut, int shift, uint32_t mask)
{
    const __m256i c = _mm256_and_si256(_mm256_srli_epi32(s, from), _mm256_set1_epi32(0xFF));
    const __m256i placed = _mm256_sll_epi32(_mm256_srl_epi32(c, _mm_cvtsi32_si128(cut)), _mm_cvtsi32_si128(shift));
    return _mm256_and_si256(placed, _mm256_set1_epi32(int(mask)));
}

ZEST_AVX2 void Avx2Place(const uint32_t* in, uint32_t* out, int n, const int cut[3], const int shift[3],
                         const uint32_t mask[3])
{
    int i = 0;
    for (; i + 8 <= n; i += 8)
    {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
        const __m256i placed = _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(s, _mm256_set1_epi32(int(0xFF000000u))),
                                                               PlaceChannel(s, 16, cut[0], shift[0], mask[0])),
                                               _mm256_or_si256(PlaceChannel(s, 8, cut[1], shift[1], mask[1]),
                                                               PlaceChannel(s, 0, cut[2], shift[2], mask[2])));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), placed);
    }
    _mm256_zeroupper();
    ScalarPlace(in + i, out + i, n - i, cut, shift, mask);
}

#undef ZEST_AVX2
#define ZEST_STRETCH_AVX2 1
#endif

struct StretchForms
{
    ColumnSumsFn columnSums;
    ResolveRowFn resolveRow;
    PremultiplyFn premultiply;
    PlaceFn place;
};

StretchForms ActiveForms()
{
#if defined(ZEST_STRETCH_AVX2)
    if (ActiveSpanIsa() == SpanIsa::Avx2) return {Avx2ColumnSums, Avx2ResolveRow, Avx2Premultiply, Avx2Place};
#endif
    return {ColumnSums, ScalarResolveRow, ScalarPremultiply, ScalarPlace};
}

} // namespace

void PlaceSamples(const uint32_t* in, uint32_t* out, int n, const int cut[3], const int shift[3],
                  const uint32_t mask[3])
{
    ActiveForms().place(in, out, n, cut, shift, mask);
}

void PremultiplySamples(uint32_t* p, int n, bool& transparent, bool& partial)
{
    ActiveForms().premultiply(p, n, transparent, partial);
}

bool StretchCache::Key::operator==(const Key& o) const
{
    return src == o.src && width == o.width && height == o.height && form[0] == o.form[0] && form[1] == o.form[1] &&
           form[2] == o.form[2] && form[3] == o.form[3] && nearest == o.nearest && mirror == o.mirror;
}

size_t StretchCache::Slot(const Key& k)
{
    // Sizes and positions mixed by odd multipliers; the top bits pick the slot.
    uint64_t h = uint64_t(uint32_t(k.width)) * 0x9E3779B97F4A7C15ull;
    h ^= uint64_t(uint32_t(k.height)) * 0xC2B2AE3D27D4EB4Full;
    h ^= (uint64_t(uint32_t(k.src.mX)) << 32 | uint32_t(k.src.mY)) * 0x165667B19E3779F9ull;
    h ^= (uint64_t(uint32_t(k.src.mWidth)) << 32 | uint32_t(k.src.mHeight)) * 0x27D4EB2F165667C5ull;
    h ^= uint64_t(k.form[1] ^ k.form[3] ^ uint32_t(k.nearest) << 1 ^ uint32_t(k.mirror)) * 0x94D049BB133111EBull;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    return size_t(h >> 58) % kSlots;
}

StretchCache::Entry* StretchCache::Find(const Key& key, const void* pixels, uint32_t changeCount)
{
    if (pixels != mPixels || changeCount != mChangeCount)
    {
        Clear();
        mPixels = pixels;
        mChangeCount = changeCount;
        return nullptr;
    }
    if (mSlots.empty()) return nullptr;
    // Two places per key, so that two stretches drawn by turns whose keys meet do not push each other out.
    const size_t at = Slot(key);
    for (size_t k = 0; k < 2; ++k)
    {
        Entry& e = mSlots[(at + k) % kSlots];
        if (e.used && e.key == key) return &e;
    }
    return nullptr;
}

StretchCache::Entry& StretchCache::Add(const Key& key)
{
    if (mSlots.empty()) mSlots.resize(kSlots);
    const size_t at = Slot(key);
    // The second place when the first is taken and it is free; otherwise the first place is overwritten.
    Entry& first = mSlots[at];
    Entry& second = mSlots[(at + 1) % kSlots];
    Entry& e = first.used && !second.used ? second : first;
    const size_t n = size_t(key.width) * size_t(key.height);
    if (e.used) mTotal -= e.pixels.size();
    if (mTotal + n > kMaxPixels)
    {
        for (Entry& other : mSlots) other = Entry();
        mTotal = 0;
    }
    mTotal += n;
    e.key = key;
    e.used = true;
    e.pixels.assign(n, 0);
    e.hasAlpha = e.transparent = false;
    return e;
}

const uint32_t* StretchCache::AdditiveTerms(const uint32_t* pixels, size_t count, uint32_t changeCount)
{
    if (pixels != mTermsPixels || changeCount != mTermsChangeCount || mTerms.size() != count)
    {
        mTerms.resize(count);
        for (size_t i = 0; i < count; ++i) mTerms[i] = AdditiveTerm(pixels[i]);
        mTermsPixels = pixels;
        mTermsChangeCount = changeCount;
    }
    return mTerms.data();
}

void StretchCache::Clear()
{
    for (Entry& e : mSlots) e = Entry();
    mTotal = 0;
    mPixels = nullptr;
}

StretchSampler& StretchSampler::ForThread()
{
    static thread_local StretchSampler sampler;
    return sampler;
}

uint32_t* StretchSampler::Scratch(size_t n)
{
    AtLeast(mScratch, n);
    return mScratch.data();
}

void StretchSampler::Begin(const StretchSource& source, const Rect& destRect, const Rect& srcRect, const Rect& usable,
                           const Rect& area, bool nearest, bool mirror)
{
    mSource = source;
    mNearest = nearest;
    mWidth = area.mWidth;
    MakeTaps(mCols, destRect.mX, area.mX, area.mWidth, destRect.mWidth, srcRect.mX, srcRect.mWidth, usable.mX,
             usable.mX + usable.mWidth - 1, nearest, mirror);
    MakeTaps(mRows, destRect.mY, area.mY, area.mHeight, destRect.mHeight, srcRect.mY, srcRect.mHeight, usable.mY,
             usable.mY + usable.mHeight - 1, nearest, false);
    if (nearest) return;
    // The columns a row reads: one pass down them per row, then each pixel mixes two of them. A strong shrink
    // reads far more columns than it draws; it then sums each pixel's own four.
    int lo = mCols[0].i0, hi = mCols[0].i1;
    for (int i = 0; i < mWidth; ++i)
    {
        lo = std::min(lo, mCols[size_t(i)].i0);
        hi = std::max(hi, mCols[size_t(i)].i1);
    }
    mSpanLo = lo;
    mSpanCount = hi - lo + 1;
    mSeparable = mSpanCount <= 4 * mWidth + 16;
    // Rows first where the source rows the area reads, summed at every destination column, stay small.
    int ylo = mRows[0].i0, yhi = mRows[0].i1;
    for (int j = 0; j < area.mHeight; ++j)
    {
        ylo = std::min(ylo, mRows[size_t(j)].i0);
        yhi = std::max(yhi, mRows[size_t(j)].i1);
    }
    mRowLo = ylo;
    mRowCount = yhi - ylo + 1;
    mPadded = (mWidth + 7) & ~7;
    mRowsFirst = mSource.bits && size_t(mRowCount) * size_t(mPadded) * 4 <= 65536;
    mRowSumsReady = false;
    if (mRowsFirst)
    {
        AtLeast(mRowTaps, size_t(mPadded) * 3);
        int* t0 = reinterpret_cast<int*>(mRowTaps.data());
        int* t1 = t0 + mPadded;
        uint32_t* tf = mRowTaps.data() + 2 * size_t(mPadded);
        for (int i = 0; i < mPadded; ++i)
        {
            // Padding lanes read a column of the row and are never stored.
            const StretchTap& t = mCols[size_t(std::min(i, mWidth - 1))];
            t0[i] = t.i0;
            t1[i] = t.i1;
            tf[i] = i < mWidth ? t.f : 0;
        }
    }
    // Column indices and weights as planes: the gathering forms load eight at a time.
    AtLeast(mPixelSums, size_t(mWidth) * 3);
    int* x0 = reinterpret_cast<int*>(mPixelSums.data());
    int* x1 = x0 + mWidth;
    uint32_t* fx = mPixelSums.data() + 2 * size_t(mWidth);
    for (int i = 0; i < mWidth; ++i)
    {
        const StretchTap& t = mCols[size_t(i)];
        x0[i] = mSeparable ? t.i0 - lo : 2 * i;
        x1[i] = mSeparable ? t.i1 - lo : 2 * i + 1;
        fx[i] = t.f;
    }
    AtLeast(mColumnSums, size_t(mSeparable ? mSpanCount : 2 * mWidth) * 4);
}

void StretchSampler::Rows(int first, int count, uint32_t* out)
{
#if defined(ZEST_STRETCH_AVX2)
    if (!mNearest && mRowsFirst && ActiveSpanIsa() == SpanIsa::Avx2)
    {
        const size_t planes = size_t(mPadded) * 4;
        if (!mRowSumsReady)
        {
            AtLeast(mRowSums, planes * size_t(mRowCount));
            const int* t0 = reinterpret_cast<const int*>(mRowTaps.data());
            const int* t1 = t0 + mPadded;
            const uint32_t* tf = mRowTaps.data() + 2 * size_t(mPadded);
            for (int y = 0; y < mRowCount; ++y)
                Avx2RowSums(mSource.bits + size_t(mRowLo + y) * mSource.stride, t0, t1, tf, mPadded,
                            mRowSums.data() + size_t(y) * planes);
            mRowSumsReady = true;
        }
        for (int j = 0; j < count; ++j)
        {
            const StretchTap& ty = mRows[size_t(first + j)];
            Avx2ResolveFromRows(mRowSums.data() + size_t(ty.i0 - mRowLo) * planes,
                                mRowSums.data() + size_t(ty.i1 - mRowLo) * planes, mPadded, ty.f, mWidth,
                                out + size_t(j) * size_t(mWidth));
        }
        return;
    }
#endif
    if (mNearest || !mSeparable)
    {
        for (int j = 0; j < count; ++j) Row(first + j, out + size_t(j) * size_t(mWidth));
        return;
    }
    const StretchForms forms = ActiveForms();
    const int* x0 = reinterpret_cast<const int*>(mPixelSums.data());
    const int* x1 = x0 + mWidth;
    const uint32_t* fx = mPixelSums.data() + 2 * size_t(mWidth);
    // Bands of about 4096 pixels keep the buffers small for large stretches.
    const int band = std::clamp(4096 / mWidth, 1, count);
    const size_t rowSums = size_t(mSpanCount) * 4;
    AtLeast(mBandSums, rowSums * size_t(band));
    AtLeast(mBandTaps, size_t(band) * size_t(mWidth) * 3);
    const size_t pixels = size_t(band) * size_t(mWidth);
    int* bx0 = reinterpret_cast<int*>(mBandTaps.data());
    int* bx1 = bx0 + pixels;
    uint32_t* bfx = mBandTaps.data() + 2 * pixels;
    // Each row's indices point into its own four planes; the planes of one row are span apart, as a single
    // row's are.
    for (int k = 0; k < band; ++k)
        for (int i = 0; i < mWidth; ++i)
        {
            const size_t at = size_t(k) * size_t(mWidth) + size_t(i);
            bx0[at] = int(size_t(k) * rowSums) + x0[i];
            bx1[at] = int(size_t(k) * rowSums) + x1[i];
            bfx[at] = fx[i];
        }
    for (int j = 0; j < count; j += band)
    {
        const int rows = std::min(band, count - j);
        for (int k = 0; k < rows; ++k)
        {
            const StretchTap& ty = mRows[size_t(first + j + k)];
            forms.columnSums(mSource, mSpanLo, mSpanCount, ty.i0, ty.i1, ty.f, mBandSums.data() + size_t(k) * rowSums);
        }
        forms.resolveRow(mBandSums.data(), mSpanCount, bx0, bx1, bfx, rows * mWidth, out + size_t(j) * size_t(mWidth));
    }
}

void StretchSampler::Row(int j, uint32_t* out)
{
    const StretchTap& ty = mRows[size_t(j)];
    if (mNearest)
    {
        if (mSource.bits)
        {
            const uint32_t* row = mSource.bits + size_t(ty.i0) * mSource.stride;
            for (int i = 0; i < mWidth; ++i) out[i] = row[mCols[size_t(i)].i0];
        }
        else
        {
            for (int i = 0; i < mWidth; ++i) out[i] = mSource.At(mCols[size_t(i)].i0, ty.i0);
        }
        return;
    }
    const StretchForms forms = ActiveForms();
    const int* x0 = reinterpret_cast<const int*>(mPixelSums.data());
    const int* x1 = x0 + mWidth;
    const uint32_t* fx = mPixelSums.data() + 2 * size_t(mWidth);
    if (mSeparable)
    {
        forms.columnSums(mSource, mSpanLo, mSpanCount, ty.i0, ty.i1, ty.f, mColumnSums.data());
        forms.resolveRow(mColumnSums.data(), mSpanCount, x0, x1, fx, mWidth, out);
        return;
    }
    // Each pixel's own two columns, side by side in the planes.
    const int n = 2 * mWidth;
    uint32_t* sums = mColumnSums.data();
    uint32_t *A = sums, *R = sums + n, *G = sums + 2 * n, *B = sums + 3 * n;
    for (int i = 0; i < mWidth; ++i)
    {
        const StretchTap& tx = mCols[size_t(i)];
        for (int k = 0; k < 2; ++k)
        {
            const int x = k ? tx.i1 : tx.i0;
            const uint32_t p0 = mSource.At(x, ty.i0), p1 = mSource.At(x, ty.i1);
            const uint32_t w0 = (256 - ty.f) * (p0 >> 24), w1 = ty.f * (p1 >> 24);
            const size_t at = size_t(2 * i + k);
            A[at] = w0 + w1;
            R[at] = w0 * ((p0 >> 16) & 0xFF) + w1 * ((p1 >> 16) & 0xFF);
            G[at] = w0 * ((p0 >> 8) & 0xFF) + w1 * ((p1 >> 8) & 0xFF);
            B[at] = w0 * (p0 & 0xFF) + w1 * (p1 & 0xFF);
        }
    }
    forms.resolveRow(sums, n, x0, x1, fx, mWidth, out);
}

} // namespace Zest
