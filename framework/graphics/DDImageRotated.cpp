// Zest::DDImage::BltRotated: bilinear rotated blits straight onto the locked surface, one specialised inner loop
// per draw mode, source form, bit count, colour and channel order.
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "graphics/BlendSpans.h"
#include "graphics/DDImage.h"
#include "graphics/DDInterface.h"
#include "graphics/RotatedBlit.h"

namespace Zest
{

using namespace Platform;

namespace
{

enum class Form
{
    Fast565,
    Fast555,
    Fast32,
    GeneralWhite,
    Colourised,
    Additive
};

struct RotatedTarget
{
    uint8_t* base;
    int pitch;
    uint32_t mask[3];
    int shift[3];
    int width[3];
    const int* sat[3];
    uint32_t colour[3];   // tint components (0..255)
    uint32_t colourAlpha; // tint alpha
    uint32_t add[3];      // additive factors: component x alpha / 255
};

// Source pixels in ARGB form, or a palette table read through the index bytes.
template <bool Palette>
struct RotatedSource
{
    const uint32_t* bits;
    const uint32_t* table;
    const uint8_t* indices;
    uint32_t At(size_t i) const
    {
        if constexpr (Palette)
            return table[indices[i]];
        else
            return bits[i];
    }
};

// Unturned blits (sub-pixel placement: labels, machines, moving pieces) read each source row straight along and
// weigh every pixel of a row piece by the same four area weights, so whole groups of pixels go at once. The
// arithmetic is the per-pixel loop's below, lane by lane in 32 bits, and gives exactly its results.
template <int N>
struct Lanes
{
    typedef uint32_t Wide __attribute__((vector_size(N * 4)));
    typedef uint16_t Narrow __attribute__((vector_size(N * 2)));
};

// One group of white pixels over an opaque 32-bit (X8R8G8B8) or 5-6-5 / 5-5-5 destination.
template <int N, typename Pixel, uint32_t Spread>
__attribute__((always_inline)) inline void UnturnedGroup(Pixel* row, const uint32_t* top, const uint32_t* bottom,
                                                         const BilinearWeights& a)
{
    using W = typename Lanes<N>::Wide;
    W s0, s1, s2, s3;
    std::memcpy(&s0, top, sizeof(W));
    std::memcpy(&s1, top + 1, sizeof(W));
    std::memcpy(&s2, bottom, sizeof(W));
    std::memcpy(&s3, bottom + 1, sizeof(W));
    const W w0 = (a.a00 * (s0 >> 24)) >> 16, w1 = (a.a10 * (s1 >> 24)) >> 16, w2 = (a.a01 * (s2 >> 24)) >> 16,
            w3 = (a.a11 * (s3 >> 24)) >> 16;
    const W inv = 256 - (w0 + w1 + w2 + w3);
    // Each channel's weighted sum: below 2^16, as the packed sums of the per-pixel loop are once shifted down.
    W sums[3];
    for (int c = 0; c < 3; ++c)
    {
        const int place = 16 - 8 * c;
        sums[c] = ((s0 >> place) & 0xFF) * w0 + ((s1 >> place) & 0xFF) * w1 + ((s2 >> place) & 0xFF) * w2 +
                  ((s3 >> place) & 0xFF) * w3;
    }
    W d;
    if constexpr (sizeof(Pixel) == 4)
    {
        std::memcpy(&d, row, sizeof(W));
        W out = W{} + 0;
        for (int c = 0; c < 3; ++c)
        {
            const int place = 16 - 8 * c;
            out |= (((sums[c] & 0xFF00) + ((d >> place) & 0xFF) * inv) >> 8) << place;
        }
        std::memcpy(row, &out, sizeof(W));
    }
    else
    {
        typename Lanes<N>::Narrow narrow;
        std::memcpy(&narrow, row, sizeof(narrow));
        d = __builtin_convertvector(narrow, W);
        // The spread destination's fields scaled by inv / 8, field by field (no field reaches the next one).
        const W k = inv >> 3;
        W x;
        if constexpr (Spread == 0x07E0F81Fu)
            x = (((d & 0x07E0) * k >> 5) & 0x07E0) << 16 | (((d & 0xF800) * k >> 5) & 0xF800) | ((d & 0x1F) * k >> 5);
        else
            x = (((d & 0x03E0) * k >> 5) & 0x03E0) << 16 | (((d & 0x7C00) * k >> 5) & 0x7C00) | ((d & 0x1F) * k >> 5);
        const W r = sums[0] >> 8, g = sums[1] >> 8, b = sums[2] >> 8;
        if constexpr (Spread == 0x07E0F81Fu)
            x += ((g & 0xFC) << 19) + (b >> 3) + ((r & 0xF8) << 8);
        else
            x += ((g & 0xF8) << 18) + (b >> 3) + ((r & 0xF8) << 7);
        narrow = __builtin_convertvector((x | x >> 16) & 0xFFFF, typename Lanes<N>::Narrow);
        std::memcpy(row, &narrow, sizeof(narrow));
    }
}

template <int N, typename Pixel, uint32_t Spread>
__attribute__((always_inline)) inline int UnturnedGroups(Pixel* row, const uint32_t* top, const uint32_t* bottom,
                                                         int count, const BilinearWeights& a)
{
    int i = 0;
    for (; i + N <= count; i += N) UnturnedGroup<N, Pixel, Spread>(row + i, top + i, bottom + i, a);
    const int rest = count - i;
    if (rest <= 0) return i;
    // The last pixels go through one more group by way of small copies: the same lane arithmetic, and nothing read
    // beyond what the pixel-by-pixel walk reads (each pixel's right-hand neighbour) nor written beyond the row.
    uint32_t t[N + 1] = {}, b[N + 1] = {};
    Pixel r[N] = {};
    for (int k = 0; k <= rest; ++k) t[k] = top[i + k], b[k] = bottom[i + k];
    for (int k = 0; k < rest; ++k) r[k] = row[i + k];
    UnturnedGroup<N, Pixel, Spread>(r, t, b, a);
    for (int k = 0; k < rest; ++k) row[i + k] = r[k];
    return count;
}

#if defined(__x86_64__) || defined(__i386__)
// One half of Unturned32Four: two pixels widened to a 16-bit lane a channel, as UnturnedHalf32 below works eight
// (the same arithmetic; each pixel's alpha is spread over its lanes by word shuffles, SSE2 having no byte shuffle).
inline __m128i UnturnedHalf32Sse2(__m128i s0, __m128i s1, __m128i s2, __m128i s3, __m128i d, const __m128i area[4])
{
    auto alphas = [](__m128i v)
    { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3)); };
    const __m128i w0 = _mm_mulhi_epu16(alphas(s0), area[0]);
    const __m128i w1 = _mm_mulhi_epu16(alphas(s1), area[1]);
    const __m128i w2 = _mm_mulhi_epu16(alphas(s2), area[2]);
    const __m128i w3 = _mm_mulhi_epu16(alphas(s3), area[3]);
    const __m128i sums = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(s0, w0), _mm_mullo_epi16(s1, w1)),
                                       _mm_add_epi16(_mm_mullo_epi16(s2, w2), _mm_mullo_epi16(s3, w3)));
    const __m128i inv = _mm_sub_epi16(_mm_set1_epi16(256), _mm_add_epi16(_mm_add_epi16(w0, w1), _mm_add_epi16(w2, w3)));
    return _mm_srli_epi16(_mm_add_epi16(_mm_and_si128(sums, _mm_set1_epi16(short(0xFF00))), _mm_mullo_epi16(d, inv)),
                          8);
}

// Four white pixels over an opaque X8R8G8B8 destination, as UnturnedGroup<4, uint32_t> draws them.
inline void Unturned32Four(uint32_t* row, const uint32_t* top, const uint32_t* bottom, const __m128i area[4])
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i s0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top));
    const __m128i s1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + 1));
    const __m128i s2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom));
    const __m128i s3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + 1));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
    const __m128i lo =
        UnturnedHalf32Sse2(_mm_unpacklo_epi8(s0, zero), _mm_unpacklo_epi8(s1, zero), _mm_unpacklo_epi8(s2, zero),
                           _mm_unpacklo_epi8(s3, zero), _mm_unpacklo_epi8(d, zero), area);
    const __m128i hi =
        UnturnedHalf32Sse2(_mm_unpackhi_epi8(s0, zero), _mm_unpackhi_epi8(s1, zero), _mm_unpackhi_epi8(s2, zero),
                           _mm_unpackhi_epi8(s3, zero), _mm_unpackhi_epi8(d, zero), area);
    // Only the three colour channels are written; the top byte comes out clear.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row),
                     _mm_and_si128(_mm_packus_epi16(lo, hi), _mm_set1_epi32(0x00FFFFFF)));
}
#endif

// A row piece's whole groups; each answers how many pixels it drew (the rest go pixel by pixel).
template <typename Pixel, uint32_t Spread>
int UnturnedSse2(Pixel* row, const uint32_t* top, const uint32_t* bottom, int count, const BilinearWeights& a)
{
#if defined(__x86_64__) || defined(__i386__)
    if constexpr (sizeof(Pixel) == 4)
    {
        // The area weights are below 65536: each fits a 16-bit lane.
        const __m128i area[4] = {_mm_set1_epi16(short(a.a00)), _mm_set1_epi16(short(a.a10)),
                                 _mm_set1_epi16(short(a.a01)), _mm_set1_epi16(short(a.a11))};
        int i = 0;
        for (; i + 4 <= count; i += 4) Unturned32Four(row + i, top + i, bottom + i, area);
        const int rest = count - i;
        if (rest > 0)
        {
            // As UnturnedGroups: the last pixels through one more group by way of small copies.
            uint32_t t[5] = {}, b[5] = {}, r[4] = {};
            for (int k = 0; k <= rest; ++k) t[k] = top[i + k], b[k] = bottom[i + k];
            for (int k = 0; k < rest; ++k) r[k] = row[i + k];
            Unturned32Four(r, t, b, area);
            for (int k = 0; k < rest; ++k) row[i + k] = r[k];
        }
        return count;
    }
#endif
    return UnturnedGroups<4, Pixel, Spread>(row, top, bottom, count, a);
}

#if defined(__x86_64__) || defined(__i386__)
#define ZEST_UNTURNED_AVX2 __attribute__((target("avx2"), always_inline)) inline

// One half of Unturned32Eight: four pixels widened to a 16-bit lane a channel. Every weight is below 256 and their
// sum at most 255, so each channel's weighted sum stays below 2^16 and so does the destination's share added to it
// (at most 255 x 256 in all): the 32-bit lanes' arithmetic, exactly, in lanes half as wide.
ZEST_UNTURNED_AVX2 __m256i UnturnedHalf32(__m256i s0, __m256i s1, __m256i s2, __m256i s3, __m256i d,
                                          const __m256i area[4])
{
    // Each pixel's alpha over its four lanes.
    const __m256i alphas = _mm256_setr_epi8(6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15, 6, 7, 6, 7, 6, 7, 6,
                                            7, 14, 15, 14, 15, 14, 15, 14, 15);
    const __m256i w0 = _mm256_mulhi_epu16(_mm256_shuffle_epi8(s0, alphas), area[0]);
    const __m256i w1 = _mm256_mulhi_epu16(_mm256_shuffle_epi8(s1, alphas), area[1]);
    const __m256i w2 = _mm256_mulhi_epu16(_mm256_shuffle_epi8(s2, alphas), area[2]);
    const __m256i w3 = _mm256_mulhi_epu16(_mm256_shuffle_epi8(s3, alphas), area[3]);
    const __m256i sums = _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(s0, w0), _mm256_mullo_epi16(s1, w1)),
                                          _mm256_add_epi16(_mm256_mullo_epi16(s2, w2), _mm256_mullo_epi16(s3, w3)));
    const __m256i inv =
        _mm256_sub_epi16(_mm256_set1_epi16(256), _mm256_add_epi16(_mm256_add_epi16(w0, w1), _mm256_add_epi16(w2, w3)));
    return _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_and_si256(sums, _mm256_set1_epi16(short(0xFF00))), _mm256_mullo_epi16(d, inv)), 8);
}

// Eight white pixels over an opaque X8R8G8B8 destination, as UnturnedGroup<8, uint32_t> draws them.
ZEST_UNTURNED_AVX2 void Unturned32Eight(uint32_t* row, const uint32_t* top, const uint32_t* bottom,
                                        const __m256i area[4])
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i s0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(top));
    const __m256i s1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(top + 1));
    const __m256i s2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bottom));
    const __m256i s3 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bottom + 1));
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row));
    const __m256i lo =
        UnturnedHalf32(_mm256_unpacklo_epi8(s0, zero), _mm256_unpacklo_epi8(s1, zero), _mm256_unpacklo_epi8(s2, zero),
                       _mm256_unpacklo_epi8(s3, zero), _mm256_unpacklo_epi8(d, zero), area);
    const __m256i hi =
        UnturnedHalf32(_mm256_unpackhi_epi8(s0, zero), _mm256_unpackhi_epi8(s1, zero), _mm256_unpackhi_epi8(s2, zero),
                       _mm256_unpackhi_epi8(s3, zero), _mm256_unpackhi_epi8(d, zero), area);
    // Only the three colour channels are written; the top byte comes out clear.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(row),
                        _mm256_and_si256(_mm256_packus_epi16(lo, hi), _mm256_set1_epi32(0x00FFFFFF)));
}

template <typename Pixel, uint32_t Spread>
__attribute__((target("avx2"))) int UnturnedAvx2(Pixel* row, const uint32_t* top, const uint32_t* bottom, int count,
                                                 const BilinearWeights& a)
{
    if constexpr (sizeof(Pixel) != 4)
    {
        return UnturnedGroups<8, Pixel, Spread>(row, top, bottom, count, a);
    }
    else
    {
        // The area weights are below 65536: each fits a 16-bit lane.
        const __m256i area[4] = {_mm256_set1_epi16(short(a.a00)), _mm256_set1_epi16(short(a.a10)),
                                 _mm256_set1_epi16(short(a.a01)), _mm256_set1_epi16(short(a.a11))};
        int i = 0;
        for (; i + 8 <= count; i += 8) Unturned32Eight(row + i, top + i, bottom + i, area);
        const int rest = count - i;
        if (rest > 0)
        {
            // As UnturnedGroups: the last pixels through one more group by way of small copies.
            uint32_t t[9] = {}, b[9] = {}, r[8] = {};
            for (int k = 0; k <= rest; ++k) t[k] = top[i + k], b[k] = bottom[i + k];
            for (int k = 0; k < rest; ++k) r[k] = row[i + k];
            Unturned32Eight(r, t, b, area);
            for (int k = 0; k < rest; ++k) row[i + k] = r[k];
        }
        _mm256_zeroupper();
        return count;
    }
}
#undef ZEST_UNTURNED_AVX2
#endif

template <typename Pixel, uint32_t Spread>
auto UnturnedForm() -> int (*)(Pixel*, const uint32_t*, const uint32_t*, int, const BilinearWeights&)
{
    switch (ActiveSpanIsa())
    {
#if defined(__x86_64__) || defined(__i386__)
    case SpanIsa::Avx2:
        return UnturnedAvx2<Pixel, Spread>;
#endif
    case SpanIsa::Sse2:
        return UnturnedSse2<Pixel, Spread>;
    default:
        return nullptr;
    }
}

template <Form F, typename Pixel, bool Palette>
void RotatedRows(const RotatedBlitWalker& walker, const RotatedTarget& t, const RotatedSource<Palette>& src,
                 const Rect& srcRect, int srcStride)
{
    constexpr int place[3] = {16, 8, 0};
    const int32_t du = walker.GetStepU(), dv = walker.GetStepV();
    int (*unturned)(Pixel*, const uint32_t*, const uint32_t*, int, const BilinearWeights&) = nullptr;
    if constexpr (!Palette && (F == Form::Fast32 || F == Form::Fast565 || F == Form::Fast555))
        if (du == 0x10000 && dv == 0)
        {
            constexpr uint32_t spread = F == Form::Fast555 ? 0x03E07C1Fu : 0x07E0F81Fu;
            if ((F == Form::Fast32) == (sizeof(Pixel) == 4)) unturned = UnturnedForm<Pixel, spread>();
        }
    RotatedSpan span;
    for (int r = 0; r < walker.GetRowCount(); ++r)
    {
        if (!walker.GetRow(r, span)) continue;
        auto* row = reinterpret_cast<Pixel*>(t.base + size_t(span.mDestY) * size_t(t.pitch)) + span.mDestX;
        int32_t u = span.mU, v = span.mV;
        int first = 0;
        if (unturned)
        {
            const uint32_t* top =
                src.bits + size_t(srcRect.mY + (v >> 16)) * size_t(srcStride) + size_t(srcRect.mX + (u >> 16));
            first = unturned(row, top, top + srcStride, span.mCount, RotatedBlitWeights(u, v));
            row += first;
            u += first * du;
        }
        for (int i = 0; i < span.mCount - first; ++i, u += du, v += dv)
        {
            const size_t at = size_t(srcRect.mY + (v >> 16)) * size_t(srcStride) + size_t(srcRect.mX + (u >> 16));
            const uint32_t s[4] = {src.At(at), src.At(at + 1), src.At(at + size_t(srcStride)),
                                   src.At(at + size_t(srcStride) + 1)};
            const BilinearWeights a = RotatedBlitWeights(u, v);
            const uint32_t area[4] = {a.a00, a.a10, a.a01, a.a11};
            uint32_t w[4];
            uint32_t total = 0;
            for (int k = 0; k < 4; ++k)
            {
                w[k] = (area[k] * (s[k] >> 24)) >> 16;
                if constexpr (F == Form::Colourised) w[k] = (w[k] * t.colourAlpha) >> 8;
                total += w[k];
            }
            const uint32_t inv = 256 - total;
            uint32_t sum[3];
            for (int c = 0; c < 3; ++c)
            {
                const uint32_t m = 0xFFu << place[c];
                sum[c] = (s[0] & m) * w[0] + (s[1] & m) * w[1] + (s[2] & m) * w[2] + (s[3] & m) * w[3];
            }
            const uint32_t d = row[i];
            uint32_t out = 0;
            if constexpr (F == Form::Fast565 || F == Form::Fast555)
            {
                const uint32_t S = ((sum[0] >> 16) >> 8) << 16 | ((sum[1] >> 8) >> 8) << 8 | (sum[2] >> 8);
                constexpr uint32_t spread = F == Form::Fast565 ? 0x07E0F81Fu : 0x03E07C1Fu;
                const uint32_t ds = (d | d << 16) & spread;
                uint32_t x = ((ds * (inv >> 3)) >> 5) & spread;
                if constexpr (F == Form::Fast565)
                    x += ((S & 0xFC00) << 11) + ((S >> 3) & 0x1F) + ((S >> 8) & 0xF800);
                else
                    x += ((S & 0xF800) << 10) + ((S >> 3) & 0x1F) + ((S >> 9) & 0x7C00);
                out = (x | x >> 16) & 0xFFFF;
            }
            else if constexpr (F == Form::Fast32)
            {
                for (int c = 0; c < 3; ++c)
                {
                    const uint32_t sigma = sum[c] >> place[c];
                    const uint32_t dc = (d >> place[c]) & 0xFF;
                    out |= (((sigma & 0xFF00) + dc * inv) >> 8) << place[c];
                }
            }
            else if constexpr (F == Form::Additive)
            {
                uint32_t index[3];
                index[0] = ((sum[0] >> (32 - t.width[0])) * t.add[0]) >> 8;
                index[1] = (sum[1] * t.add[1]) >> (32 - t.width[1]);
                index[2] = (sum[2] * t.add[2]) >> (24 - t.width[2]);
                for (int c = 0; c < 3; ++c)
                    out |= uint32_t(t.sat[c][index[c] + ((d & t.mask[c]) >> t.shift[c])]) << t.shift[c];
            }
            else
            {
                for (int c = 0; c < 3; ++c)
                {
                    const int down = place[c] + 16 - t.width[c];
                    uint32_t part;
                    if constexpr (F == Form::Colourised)
                        part = (((sum[c] >> 8) * (t.colour[c] + 1)) >> down) << t.shift[c];
                    else
                        part = (sum[c] >> down) << t.shift[c];
                    const uint32_t dst = uint32_t((uint64_t(d & t.mask[c]) * inv) >> 8) & t.mask[c];
                    out |= part + dst;
                }
            }
            row[i] = Pixel(out);
        }
    }
}

template <typename Pixel, bool Palette>
void RunRotated(Form form, const RotatedBlitWalker& walker, const RotatedTarget& t, const RotatedSource<Palette>& s,
                const Rect& srcRect, int stride)
{
    switch (form)
    {
    case Form::Fast565:
        RotatedRows<Form::Fast565, Pixel>(walker, t, s, srcRect, stride);
        break;
    case Form::Fast555:
        RotatedRows<Form::Fast555, Pixel>(walker, t, s, srcRect, stride);
        break;
    case Form::Fast32:
        RotatedRows<Form::Fast32, Pixel>(walker, t, s, srcRect, stride);
        break;
    case Form::GeneralWhite:
        RotatedRows<Form::GeneralWhite, Pixel>(walker, t, s, srcRect, stride);
        break;
    case Form::Colourised:
        RotatedRows<Form::Colourised, Pixel>(walker, t, s, srcRect, stride);
        break;
    case Form::Additive:
        RotatedRows<Form::Additive, Pixel>(walker, t, s, srcRect, stride);
        break;
    }
}

} // namespace

void DDImage::BltRotated(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                         int drawMode, double angle, float centreX, float centreY)
{
    if (!src) return;
    src->mDrawn = true;
    if (mNoSoftwareAccess) return;
    UpdateAlphaFlags();
    if (IsDrawnThrough3D()) return;
    if (mHasAlpha || mHasTransparency || mDDInterface->mIs3D)
    {
        MemoryImage::BltRotated(src, x, y, srcRect, clip, color, drawMode, angle, centreX, centreY);
        return;
    }
    // Any memory image can be the source; anything else draws nothing and leaves this image as it was.
    auto* source = dynamic_cast<MemoryImage*>(src);
    if (!source) return;
    if (srcRect.mX < 0 || srcRect.mY < 0 || int64_t(srcRect.mX) + srcRect.mWidth > source->GetWidth() ||
        int64_t(srcRect.mY) + srcRect.mHeight > source->GetHeight())
        return;
    RotatedBlitWalker walker;
    if (!walker.Begin(x, y, srcRect, clip.Intersection(Rect(0, 0, mWidth, mHeight)), angle, centreX, centreY)) return;
    source->UpdateAlphaFlags();
    const bool palette = source->mPaletteTable && source->mPaletteIndices;
    const uint32_t* bits = palette ? nullptr : source->GetBits(); // rebuilds purged pixels
    if (!palette && !bits) return;
    if (!LockSurface()) return;
    const int count = int(mLockDesc.ddpfPixelFormat.dwRGBBitCount);
    if (count == 16 || count == 32)
    {
        const Color c = color.Clamped();
        const DDInterface& d = *mDDInterface;
        RotatedTarget t;
        t.base = static_cast<uint8_t*>(mLockDesc.lpSurface);
        t.pitch = mLockDesc.lPitch;
        const uint32_t masks[3] = {mLockDesc.ddpfPixelFormat.dwRBitMask, mLockDesc.ddpfPixelFormat.dwGBitMask,
                                   mLockDesc.ddpfPixelFormat.dwBBitMask};
        const int shifts[3] = {d.mRedShift, d.mGreenShift, d.mBlueShift};
        const int widths[3] = {d.mRedWidth, d.mGreenWidth, d.mBlueWidth};
        const int* sats[3] = {d.mRedAddTable.get(), d.mGreenAddTable.get(), d.mBlueAddTable.get()};
        const int comps[3] = {c.mRed, c.mGreen, c.mBlue};
        for (int i = 0; i < 3; ++i)
        {
            t.mask[i] = masks[i];
            t.shift[i] = shifts[i];
            t.width[i] = widths[i];
            t.sat[i] = sats[i];
            t.colour[i] = uint32_t(comps[i]);
            t.add[i] = uint32_t(comps[i] * c.mAlpha) / 255;
        }
        t.colourAlpha = uint32_t(c.mAlpha);
        const bool white = c.IsWhite();
        const bool standard = standardChannelOrder;
        Form form;
        if (drawMode != 0)
            form = Form::Additive;
        else if (!white)
            form = Form::Colourised;
        else if (standard && count == 32)
            form = Form::Fast32;
        else if (standard && masks[1] == 0x07E0)
            form = Form::Fast565;
        else if (standard && masks[1] == 0x03E0)
            form = Form::Fast555;
        else
            form = Form::GeneralWhite;
        const int stride = source->GetWidth();
        if (palette)
        {
            const RotatedSource<true> s{nullptr, source->mPaletteTable.get(), source->mPaletteIndices.get()};
            if (count == 16)
                RunRotated<uint16_t>(form, walker, t, s, srcRect, stride);
            else
                RunRotated<uint32_t>(form, walker, t, s, srcRect, stride);
        }
        else
        {
            const RotatedSource<false> s{bits, nullptr, nullptr};
            if (count == 16)
                RunRotated<uint16_t>(form, walker, t, s, srcRect, stride);
            else
                RunRotated<uint32_t>(form, walker, t, s, srcRect, stride);
        }
    }
    UnlockSurface();
    FreeSoftwareAfterSurfaceDraw();
}

} // namespace Zest
