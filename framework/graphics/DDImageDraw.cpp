// Zest::DDImage software drawing straight onto its locked surface: fills, lines and blits in 16 and 32 bits.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/BlendSpans.h"
#include "graphics/BlitClip.h"
#include "graphics/DDImage.h"
#include "graphics/DDInterface.h"
#include "graphics/StretchSampler.h"

namespace Zest
{

using namespace Platform;

namespace
{

// One channel of the surface format: mask from the lock, shift and width from the display, additive table.
struct Channel
{
    uint32_t mask;
    int shift;
    int width;
    const int* add;
};

// The locked surface as the routines see it.
struct View
{
    uint8_t* base;
    int pitch;
    int bits;
    Channel ch[3]; // red, green, blue

    uint32_t Get(int x, int y) const
    {
        if (bits == 16)
        {
            uint16_t v;
            std::memcpy(&v, base + size_t(y) * size_t(pitch) + size_t(x) * 2, 2);
            return v;
        }
        uint32_t v;
        std::memcpy(&v, base + size_t(y) * size_t(pitch) + size_t(x) * 4, 4);
        return v;
    }
    void Put(int x, int y, uint32_t v) const
    {
        if (bits == 16)
        {
            const uint16_t w = uint16_t(v);
            std::memcpy(base + size_t(y) * size_t(pitch) + size_t(x) * 2, &w, 2);
        }
        else
        {
            std::memcpy(base + size_t(y) * size_t(pitch) + size_t(x) * 4, &v, 4);
        }
    }
    uint32_t AllMasks() const { return ch[0].mask | ch[1].mask | ch[2].mask; }
};

View MakeView(const DDSURFACEDESC2& lock, const DDInterface& d)
{
    View v;
    v.base = static_cast<uint8_t*>(lock.lpSurface);
    v.pitch = lock.lPitch;
    v.bits = int(lock.ddpfPixelFormat.dwRGBBitCount);
    v.ch[0] = {lock.ddpfPixelFormat.dwRBitMask, d.mRedShift, d.mRedWidth, d.mRedAddTable.get()};
    v.ch[1] = {lock.ddpfPixelFormat.dwGBitMask, d.mGreenShift, d.mGreenWidth, d.mGreenAddTable.get()};
    v.ch[2] = {lock.ddpfPixelFormat.dwBBitMask, d.mBlueShift, d.mBlueWidth, d.mBlueAddTable.get()};
    return v;
}

int Comp(const Color& c, int i)
{
    return i == 0 ? c.mRed : (i == 1 ? c.mGreen : c.mBlue);
}

// Additive: each channel of the added colour (already in the channel's width) goes through the saturation table.
inline uint32_t AddChannels(const View& v, uint32_t d, const uint32_t part[3])
{
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i)
    {
        const Channel& c = v.ch[i];
        out |= uint32_t(c.add[part[i] + ((d & c.mask) >> c.shift)]) << c.shift;
    }
    return out;
}

// A normal line's blend of one pixel at alpha a < 255 (per channel, rounded by half the mask).
inline uint32_t LineBlend(const View& v, uint32_t d, const Color& c, uint32_t a)
{
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i)
    {
        const uint64_t m = v.ch[i].mask;
        const uint64_t cc = (uint64_t(Comp(c, i)) * a + 128) >> 8;
        out += uint32_t((((cc * m + (m >> 1)) >> 8) & m) + ((((d & m) * uint64_t(256 - a) + (m >> 1)) >> 8) & m));
    }
    return out;
}

// Display-format pixels made for another format are stale (the display was re-initialised since in another depth
// or channel order): drop them so that they are made again in this one. Only the converted copy goes; a surface
// image source keeps its surface.
void DropStaleDisplayData(MemoryImage& source, const NativeDisplay& display)
{
    const NativeDisplay& made = source.mDisplayFormat;
    if (source.mDisplayData && (made.mBitsPerPixel != display.mBitsPerPixel || made.mRedMask != display.mRedMask ||
                                made.mGreenMask != display.mGreenMask || made.mBlueMask != display.mBlueMask))
        source.MemoryImage::FreeDisplayData();
}
} // namespace

// Whether the additive draws of sampled pictures onto this surface go straight to the block kernel: a 32-bit
// surface with a byte per channel, where that form looks at every pixel itself, so that neither the picture's flags
// nor the other forms' set-up are needed.
static bool TakesAddBlock(const View& v, bool additive)
{
    if (!additive || !DDImage::sVectorSpans || v.bits != 32 || v.pitch % 4 != 0 || v.AllMasks() != 0x00FFFFFF)
        return false;
    for (int ch = 0; ch < 3; ++ch)
        if (v.ch[ch].width != 8 || v.ch[ch].shift % 8 != 0) return false;
    return true;
}

using AddBlockFn = void (*)(uint32_t*, size_t, const uint32_t*, size_t, int, int, const uint32_t*, bool);

// The block kernel's tint for one colour: the three 8-bit factors by byte position. A batch keeps the last one
// made, as its sparks mostly share their colour with the one before.
struct AddTint
{
    Color colour;
    bool made = false, white = true;
    uint32_t byteTint[3] = {255, 255, 255};

    void For(const View& v, const Color& unclamped)
    {
        if (made && unclamped == colour) return;
        colour = unclamped;
        made = true;
        const Color c = unclamped.Clamped();
        white = c.IsWhite();
        const uint32_t a = uint32_t(c.mAlpha);
        for (int ch = 0; ch < 3; ++ch) byteTint[v.ch[ch].shift / 8] = white ? 255 : uint32_t(Comp(c, ch)) * a / 255;
    }
};

// The additive draw of a sampled picture by the block kernel, on a surface TakesAddBlock accepts.
static inline void AddBlock(const View& v, AddBlockFn kernel, const AddTint& tint, const uint32_t* picture,
                            size_t stride, const Rect& area)
{
    uint32_t* start = reinterpret_cast<uint32_t*>(v.base + size_t(area.mY) * size_t(v.pitch)) + area.mX;
    kernel(start, size_t(v.pitch) / 4, picture, stride, area.mWidth, area.mHeight, tint.byteTint, tint.white);
}

// ---- Fills ---------------------------------------------------------------------------------------------------------

namespace
{

// A partly transparent fill of a row: each channel field of the destination weighed by k = 256 - alpha (plus the
// whole field before the shift on 16 bits, which rounds up), and the fill colour's constant part added. Groups
// of 4 or 8 pixels take the per-pixel arithmetic lane by lane in 32 bits, which holds every product when each
// mask times 257 stays below 2^32.
template <int N, typename Pixel>
__attribute__((always_inline)) inline int FillBlendGroups(Pixel* row, int count, uint32_t k, const uint32_t m[3],
                                                          bool roundUp, uint32_t constant)
{
    typedef uint32_t W __attribute__((vector_size(N * 4)));
    typedef Pixel P __attribute__((vector_size(N * sizeof(Pixel))));
    const uint32_t r0 = roundUp ? m[0] : 0, r1 = roundUp ? m[1] : 0, r2 = roundUp ? m[2] : 0;
    int i = 0;
    for (; i + N <= count; i += N)
    {
        P packed;
        std::memcpy(&packed, row + i, sizeof(P));
        const W d = __builtin_convertvector(packed, W);
        const W out = constant + ((((d & m[0]) * k + r0) >> 8) & m[0]) + ((((d & m[1]) * k + r1) >> 8) & m[1]) +
                      ((((d & m[2]) * k + r2) >> 8) & m[2]);
        packed = __builtin_convertvector(out, P);
        std::memcpy(row + i, &packed, sizeof(P));
    }
    return i;
}

template <typename Pixel>
int FillBlendSse2(Pixel* row, int count, uint32_t k, const uint32_t m[3], bool roundUp, uint32_t constant)
{
    return FillBlendGroups<4>(row, count, k, m, roundUp, constant);
}

#if defined(__x86_64__) || defined(__i386__)
template <typename Pixel>
__attribute__((target("avx2"))) int FillBlendAvx2(Pixel* row, int count, uint32_t k, const uint32_t m[3], bool roundUp,
                                                  uint32_t constant)
{
    return FillBlendGroups<8>(row, count, k, m, roundUp, constant);
}
#endif

template <typename Pixel>
auto FillBlendForm() -> int (*)(Pixel*, int, uint32_t, const uint32_t*, bool, uint32_t)
{
    switch (ActiveSpanIsa())
    {
#if defined(__x86_64__) || defined(__i386__)
    case SpanIsa::Avx2:
        return FillBlendAvx2<Pixel>;
#endif
    case SpanIsa::Sse2:
        return FillBlendSse2<Pixel>;
    default:
        return nullptr;
    }
}

} // namespace

void DDImage::NormalFillRect(const Rect& rect, const Color& color)
{
    if (mNoSoftwareAccess || !EnsureSurface() || !LockSurface()) return;
    const View v = MakeView(mLockDesc, *mDDInterface);
    const Rect r = rect.Intersection(Rect(0, 0, mWidth, mHeight));
    const Color c = color.Clamped();
    const uint32_t a = uint32_t(c.mAlpha);
    if ((v.bits == 16 || v.bits == 32) && !r.IsEmpty())
    {
        const bool sixteen = v.bits == 16;
        uint32_t solid = 0;
        for (int i = 0; i < 3; ++i)
        {
            const uint64_t m = v.ch[i].mask;
            // 16 bits round full scale up to the whole mask; 32 bits keep c x 255 / 256 (white is 0xFEFEFE).
            solid |= uint32_t(((uint64_t(Comp(c, i)) + (sixteen ? 1 : 0)) * m >> 8) & m);
        }
        // Whole rows at once where the arithmetic fits 32-bit lanes; the per-pixel loop below takes what is left.
        uint32_t masks[3], constant = 0;
        bool lanes = a != 255;
        for (int i = 0; i < 3; ++i)
        {
            const uint64_t m = v.ch[i].mask;
            masks[i] = uint32_t(m);
            lanes = lanes && m * 257 < (uint64_t(1) << 32);
            const uint64_t cc = uint64_t(Comp(c, i));
            constant += uint32_t(sixteen ? (((((cc * a + 128) >> 8) + 1) * m >> 8) & m)
                                         : (((((cc * a + 127) >> 8) + 1) * m >> 8) & m));
        }
        auto fill16 = lanes && sixteen ? FillBlendForm<uint16_t>() : nullptr;
        auto fill32 = lanes && !sixteen ? FillBlendForm<uint32_t>() : nullptr;
        for (int y = r.mY; y < r.mY + r.mHeight; ++y)
        {
            uint8_t* row = v.base + size_t(y) * size_t(v.pitch);
            int first = r.mX;
            if (a == 255)
            {
                if (sixteen)
                    std::fill_n(reinterpret_cast<uint16_t*>(row) + r.mX, r.mWidth, uint16_t(solid));
                else
                    std::fill_n(reinterpret_cast<uint32_t*>(row) + r.mX, r.mWidth, solid);
                continue;
            }
            if (fill16)
                first += fill16(reinterpret_cast<uint16_t*>(row) + r.mX, r.mWidth, 256 - a, masks, true, constant);
            if (fill32)
                first += fill32(reinterpret_cast<uint32_t*>(row) + r.mX, r.mWidth, 256 - a, masks, false, constant);
            for (int x = first; x < r.mX + r.mWidth; ++x)
            {
                const uint32_t d = v.Get(x, y);
                uint32_t out = 0;
                for (int i = 0; i < 3; ++i)
                {
                    const uint64_t m = v.ch[i].mask;
                    const uint64_t cc = uint64_t(Comp(c, i));
                    if (sixteen)
                        out += uint32_t(((((d & m) * (256 - a) + m) >> 8) & m) +
                                        (((((cc * a + 128) >> 8) + 1) * m >> 8) & m));
                    else
                        out +=
                            uint32_t(((((d & m) * (256 - a)) >> 8) & m) + (((((cc * a + 127) >> 8) + 1) * m >> 8) & m));
                }
                v.Put(x, y, out);
            }
        }
    }
    UnlockSurface();
}

void DDImage::AdditiveFillRect(const Rect& rect, const Color& color)
{
    if (mNoSoftwareAccess || !EnsureSurface() || !LockSurface()) return;
    const View v = MakeView(mLockDesc, *mDDInterface);
    const Rect r = rect.Intersection(Rect(0, 0, mWidth, mHeight));
    const Color c = color.Clamped();
    if ((v.bits == 16 || v.bits == 32) && !r.IsEmpty())
    {
        uint32_t part[3];
        for (int i = 0; i < 3; ++i) part[i] = (uint32_t(Comp(c, i) * c.mAlpha) / 255) >> (8 - v.ch[i].width);
        for (int y = r.mY; y < r.mY + r.mHeight; ++y)
            for (int x = r.mX; x < r.mX + r.mWidth; ++x) v.Put(x, y, AddChannels(v, v.Get(x, y), part));
    }
    UnlockSurface();
}

void DDImage::FillSpansWithCoverage(const Span* spans, int count, const Color& color, int drawMode,
                                    const uint8_t* coverage, int coverX, int coverY, int coverWidth, int coverHeight)
{
    if (count <= 0 || !spans || !coverage || IsDrawnThrough3D()) return;
    UpdateAlphaFlags();
    if (!IsPlain())
    {
        MemoryImage::FillSpansWithCoverage(spans, count, color, drawMode, coverage, coverX, coverY, coverWidth,
                                           coverHeight);
        return;
    }
    if (mNoSoftwareAccess || !EnsureSurface() || !LockSurface()) return;
    const View v = MakeView(mLockDesc, *mDDInterface);
    const Color c = color.Clamped();
    if (v.bits == 16 || v.bits == 32)
    {
        uint32_t pre[3];
        for (int i = 0; i < 3; ++i) pre[i] = uint32_t((uint64_t(Comp(c, i)) * v.ch[i].mask >> 8) & v.ch[i].mask);
        for (int s = 0; s < count; ++s)
        {
            const Span& span = spans[s];
            if (span.mY < 0 || span.mY >= mHeight || span.mY < coverY || span.mY >= coverY + coverHeight) continue;
            const int x0 = std::max({span.mX, 0, coverX});
            const int x1 = std::min({span.mX + span.mWidth, mWidth, coverX + coverWidth});
            for (int x = x0; x < x1; ++x)
            {
                const uint32_t cover = coverage[size_t(span.mY - coverY) * size_t(coverWidth) + size_t(x - coverX)];
                const uint64_t w = ((cover + 1) * uint32_t(c.mAlpha)) >> 8;
                const uint32_t d = v.Get(x, span.mY);
                uint32_t out = 0;
                for (int i = 0; i < 3; ++i)
                {
                    const uint64_t m = v.ch[i].mask;
                    out |= uint32_t((((d & m) * (256 - w) + pre[i] * w) >> 8) & m);
                }
                v.Put(x, span.mY, out);
            }
        }
    }
    UnlockSurface();
    FreeSoftwareAfterSurfaceDraw();
}

// ---- Lines ---------------------------------------------------------------------------------------------------------

void DDImage::DrawSurfaceLine(double x1, double y1, double x2, double y2, const Color& color, bool additive)
{
    if (mNoSoftwareAccess || !EnsureSurface() || !LockSurface()) return;
    const View v = MakeView(mLockDesc, *mDDInterface);
    if (v.bits == 16 || v.bits == 32)
    {
        const Color c = color.Clamped();
        const uint32_t a = uint32_t(c.mAlpha);
        uint32_t packed = 0, part[3];
        for (int i = 0; i < 3; ++i)
        {
            const uint64_t m = v.ch[i].mask;
            packed |= uint32_t(((uint64_t(Comp(c, i)) * m + (m >> 1)) >> 8) & m);
            part[i] = (uint32_t(Comp(c, i)) * a / 255) >> (8 - v.ch[i].width);
        }
        const int ax = int(x1), ay = int(y1), bx = int(x2), by = int(y2);
        const int dx = bx - ax, dy = by - ay;
        const int adx = std::abs(dx), ady = std::abs(dy);
        const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
        const bool alongX = adx > ady;
        const int steps = alongX ? adx : ady;
        const int minor = alongX ? ady : adx;
        // The rectangle spanned by the end points: no pixel of the line lies outside it.
        const int left = std::min(ax, bx), right = std::max(ax, bx), top = std::min(ay, by), bottom = std::max(ay, by);
        int x = ax, y = ay;
        int error = steps / 2;
        for (int i = 0; i <= steps; ++i)
        {
            if (x < left || x > right || y < top || y > bottom) break;
            if (x >= 0 && y >= 0 && x < mWidth && y < mHeight)
            {
                const uint32_t d = v.Get(x, y);
                if (additive)
                    v.Put(x, y, AddChannels(v, d, part));
                else
                    v.Put(x, y, a == 255 ? packed : LineBlend(v, d, c, a));
            }
            error -= minor;
            if (error < 0)
            {
                error += steps;
                if (alongX)
                    y += sy;
                else
                    x += sx;
            }
            if (alongX)
                x += sx;
            else
                y += sy;
        }
    }
    UnlockSurface();
}

void DDImage::NormalDrawLine(double x1, double y1, double x2, double y2, const Color& color)
{
    DrawSurfaceLine(x1, y1, x2, y2, color, false);
}

void DDImage::AdditiveDrawLine(double x1, double y1, double x2, double y2, const Color& color)
{
    DrawSurfaceLine(x1, y1, x2, y2, color, true);
}

void DDImage::NormalDrawLineAntiAliased(double x1, double y1, double x2, double y2, const Color& color)
{
    if (mNoSoftwareAccess || !EnsureSurface() || !LockSurface()) return;
    const View v = MakeView(mLockDesc, *mDDInterface);
    if (v.bits == 16 || v.bits == 32)
    {
        // Two pixels across the line per step, weighted by the distance of the exact position from each.
        const Color c = color.Clamped();
        // A pixel the line covers whole takes the colour itself, packed as the image's own bits are, so that it
        // reads back as the colour drawn (as on the memory path).
        uint32_t full = 0;
        for (int i = 0; i < 3; ++i)
            full |= ((uint32_t(Comp(c, i)) >> (8 - v.ch[i].width)) << v.ch[i].shift) & v.ch[i].mask;
        const bool steep = std::abs(y2 - y1) > std::abs(x2 - x1);
        double a0 = steep ? y1 : x1, b0 = steep ? x1 : y1, a1 = steep ? y2 : x2, b1 = steep ? x2 : y2;
        if (a0 > a1)
        {
            std::swap(a0, a1);
            std::swap(b0, b1);
        }
        const double gradient = a1 == a0 ? 0.0 : (b1 - b0) / (a1 - a0);
        // Only the steps whose major coordinate lies on the image are walked.
        const int majorSize = steep ? mHeight : mWidth;
        const int firstStep = std::max(int(std::floor(a0)), 0);
        const int lastStep = std::min(int(std::floor(a1)), majorSize - 1);
        for (int a = firstStep; a <= lastStep; ++a)
        {
            const double b = b0 + gradient * (a - a0);
            const int base = int(std::floor(b));
            const double frac = b - base;
            for (int k = 0; k < 2; ++k)
            {
                const int px = steep ? base + k : a, py = steep ? a : base + k;
                if (px < 0 || py < 0 || px >= mWidth || py >= mHeight) continue;
                const uint32_t w = uint32_t(std::lround((k ? frac : 1.0 - frac) * c.mAlpha));
                if (w == 0) continue;
                const uint32_t d = w >= 255 ? 0 : v.Get(px, py);
                v.Put(px, py, w >= 255 ? full : LineBlend(v, d, c, w));
            }
        }
    }
    UnlockSurface();
}

// ---- Blits ---------------------------------------------------------------------------------------------------------

bool DDImage::SurfaceBlt(DDImage* src, int x, int y, const Rect& srcRect)
{
    if (!EnsureSurface() || !src->mSurface) return false;
    // Only a lock that is open is undone and taken again; the new pointer replaces the old one.
    const bool wasLocked = mLockCount > 0;
    if (wasLocked) mSurface->Unlock(nullptr);
    RECT dest{x, y, x + srcRect.mWidth, y + srcRect.mHeight};
    RECT from{srcRect.mX, srcRect.mY, srcRect.mX + srcRect.mWidth, srcRect.mY + srcRect.mHeight};
    const HRESULT result =
        mSurface->Blt(&dest, src->mSurface, &from, DDBLT_WAIT | (src->mHasTransparency ? DDBLT_KEYSRC : 0), nullptr);
    if (wasLocked)
    {
        mLockDesc = DDSURFACEDESC2{};
        mLockDesc.dwSize = kSurfaceDesc2Size;
        if (mSurface->Lock(nullptr, &mLockDesc, DDLOCK_WAIT, nullptr) != DD_OK)
        {
            mLockCount = 0;
            mLockDesc = DDSURFACEDESC2{};
            mLockDesc.dwSize = kSurfaceDesc2Size;
        }
    }
    return result == DD_OK;
}

namespace
{

// The per-call constants of a software blit onto the locked surface, and the drawing of one row of the source's
// display-format pixels (premultiplied, alpha on top; a palette source gives its 256-entry table and its indices).
// Plain blits read the rows from the source image, stretched ones from the samples of each row.
struct SurfaceRows
{
    View v;
    Color c;
    bool additive, white, palette, transparent, needRuns, expand;
    uint32_t colourMasks, a, tint[3], srcFactor5, greenMask;
    bool grey, spread16, byteChannels, spans, standard16, spans16, copyRows;
    uint32_t byteTint[3] = {255, 255, 255}, byteWeight[3] = {0, 0, 0}, slotTint[3] = {255, 255, 255};
    Spread16 form;
    const SpanKernels* kernels;

    SurfaceRows(const View& view, const Color& clamped, bool additiveMode, bool hasAlpha, bool hasTransparency,
                bool isPalette, bool opaqueCopy, bool vectorSpans)
        : v(view), c(clamped), additive(additiveMode)
    {
        white = c.IsWhite();
        palette = isPalette;
        // Sources that are neither additive, nor partly transparent, nor tinted are drawn without runs.
        needRuns = additive || hasAlpha || !white;
        colourMasks = v.AllMasks();
        transparent = hasTransparency;

        // Per-call factors: the tint per channel (0..255) and its alpha.
        a = uint32_t(c.mAlpha);
        for (int i = 0; i < 3; ++i) tint[i] = uint32_t(Comp(c, i)) * a / 255;
        grey = tint[0] == tint[1] && tint[1] == tint[2];
        greenMask = v.ch[1].mask;
        spread16 = v.bits == 16 && (greenMask == 0x07E0 || greenMask == 0x03E0);
        // The grey tint as a 5-bit factor: even white keeps only 31/32 of a partly transparent source.
        srcFactor5 = tint[0] >> 3;

        // 32-bit surfaces with one byte per channel take whole runs at a time.
        byteChannels = v.bits == 32 && colourMasks == 0x00FFFFFF && v.ch[0].width == 8 && v.ch[1].width == 8 &&
                       v.ch[2].width == 8 && v.ch[0].shift % 8 == 0 && v.ch[1].shift % 8 == 0 && v.ch[2].shift % 8 == 0;
        // A palette source takes the same row forms once its indices are looked up into a row of pixels.
        spans = vectorSpans && byteChannels && needRuns;
        for (int ch = 0; ch < 3 && byteChannels; ++ch) byteTint[v.ch[ch].shift / 8] = white ? 255 : tint[ch];
        // The tinted blend's colour weights by byte position: colour x alpha, over 255 x 255 with the pixel's share.
        for (int ch = 0; ch < 3 && byteChannels; ++ch) byteWeight[v.ch[ch].shift / 8] = uint32_t(Comp(c, ch)) * a;
        // 5-6-5 and 5-5-5 surfaces (red and blue either way round) take whole runs at a time in the grey blend and
        // the additive form; the tint goes by field, bottom to top.
        form = Spread16::For(greenMask);
        standard16 = spread16 && colourMasks == form.colourMask;
        for (int ch = 0; ch < 3 && standard16; ++ch)
        {
            const int shift = v.ch[ch].shift;
            const int slot = shift == 0 ? 0 : (shift == 5 ? 1 : (shift == form.topShift ? 2 : -1));
            if (slot < 0 || (slot == 1) != (ch == 1))
                standard16 = false;
            else
                slotTint[slot] = white ? 255 : tint[ch];
        }
        spans16 = vectorSpans && standard16 && (additive || grey);
        // An opaque source drawn plainly, or one whose opaque-copy flag asks for it, is copied row by row as it
        // stands: its display-format pixels already are the surface's. (A palette source's opaque-copy flag is left
        // to the per-pixel walk, which honours its transparent pixels.)
        copyRows = !additive && white &&
                   (palette ? vectorSpans && !hasAlpha && !transparent
                            : (opaqueCopy || (vectorSpans && !hasAlpha && !transparent)));
        expand = palette && (spans || spans16 || copyRows);
        kernels = &ActiveSpanKernels();
    }

    // Whether the per-pixel walk is the one that runs (the only one that skips by runs).
    bool WalksPixels() const { return needRuns && !spans && !spans16 && !copyRows; }

    // height rows of width pixels from (x, dy) down, the source rows stride apart (no palette, no runs). The
    // whole-run forms go straight to their kernel row after row: small sprites are mostly a few short rows, and
    // the choice of form made once costs less than making it on every row.
    void Rows(int dy, int x, int width, int height, const uint32_t* data, size_t stride) const
    {
        if (copyRows && v.bits == 32 && colourMasks == 0x00FFFFFF && v.pitch % 4 == 0)
        {
            kernels->surfaceCopyBlock(reinterpret_cast<uint32_t*>(v.base + size_t(dy) * size_t(v.pitch)) + x,
                                      size_t(v.pitch) / 4, data, stride, width, height);
            return;
        }
        if (!copyRows && (spans || spans16))
        {
            uint8_t* destRow = v.base + size_t(dy) * size_t(v.pitch);
            const size_t pitch = size_t(v.pitch);
            if (spans16)
            {
                const auto kernel = additive ? kernels->surfaceAdd16[0] : nullptr;
                for (int j = 0; j < height; ++j, destRow += pitch, data += stride)
                {
                    uint16_t* start = reinterpret_cast<uint16_t*>(destRow) + x;
                    if (kernel)
                        kernel(start, data, width, form, slotTint, white);
                    else
                        kernels->surfaceBlend16[0](start, data, width, form, srcFactor5, a, white);
                }
                return;
            }
            if (pitch % 4 == 0)
            {
                uint32_t* start = reinterpret_cast<uint32_t*>(destRow) + x;
                if (additive)
                    kernels->surfaceAddBlock(start, pitch / 4, data, stride, width, height, byteTint, white);
                else if (white)
                    kernels->surfaceBlendBlock(start, pitch / 4, data, stride, width, height);
                else
                    kernels->surfaceBlendTintedBlock(start, pitch / 4, data, stride, width, height, byteWeight, a);
                return;
            }
            for (int j = 0; j < height; ++j, destRow += pitch, data += stride)
            {
                uint32_t* start = reinterpret_cast<uint32_t*>(destRow) + x;
                if (additive)
                    kernels->surfaceAdd[0](start, data, width, byteTint, white);
                else if (white)
                    kernels->surfaceBlend[0](start, data, width);
                else
                    kernels->surfaceBlendTinted[0](start, data, width, byteWeight, a);
            }
            return;
        }
        for (int j = 0; j < height; ++j) Row<false>(dy + j, x, width, data + size_t(j) * stride, nullptr, nullptr);
    }

    // One row of width pixels to (x, dy): data holds the row's pixels (or the palette table, with indices the
    // row's indices); runs, when given, the row's run lengths.
    template <bool Mirror>
    void Row(int dy, int x, int width, const uint32_t* data, const uint8_t* indices, const uint8_t* runs) const
    {
        if (expand)
        {
            // The palette's pixels of the row, a piece at a time, through the row forms of a plain source; a
            // mirrored piece lands at the far end of the row.
            constexpr int kPiece = 256;
            uint32_t pixels[kPiece];
            for (int i = 0; i < width; i += kPiece)
            {
                const int n = std::min(kPiece, width - i);
                for (int k = 0; k < n; ++k) pixels[k] = data[indices[i + k]];
                PlainRow<Mirror>(dy, Mirror ? x + width - i - n : x + i, n, pixels);
            }
            return;
        }
        PlainRow<Mirror>(dy, x, width, data, indices, runs);
    }

    // Row for pixels at hand (a palette source's looked up already, or a plain source's own).
    template <bool Mirror>
    void PlainRow(int dy, int x, int width, const uint32_t* data, const uint8_t* indices = nullptr,
                  const uint8_t* runs = nullptr) const
    {
        const SpanKernels& kernels = *this->kernels;
        // The row-relative forms of the whole-image indices the walk below was written with.
        const size_t srcRow = 0;
        const Rect sr(0, 0, width, 1);
        if (copyRows)
        {
            const uint32_t* from = data + srcRow + size_t(sr.mX);
            uint8_t* destRow = v.base + size_t(dy) * size_t(v.pitch);
            if (v.bits == 32 && colourMasks == 0x00FFFFFF)
            {
                uint32_t* start = reinterpret_cast<uint32_t*>(destRow) + (Mirror ? x + sr.mWidth - 1 : x);
                kernels.surfaceCopy[Mirror](start, from, sr.mWidth);
            }
            else if (v.bits == 16)
            {
                // Straight stores into the row: the whole-screen background of every 16-bit frame comes here, eight
                // pixels at a time where the row runs forwards.
                uint16_t* out = reinterpret_cast<uint16_t*>(destRow) + x;
                int i = 0;
                if (!Mirror)
                {
                    typedef uint32_t Wide __attribute__((vector_size(32)));
                    typedef uint16_t Narrow __attribute__((vector_size(16)));
                    for (; i + 8 <= sr.mWidth; i += 8)
                    {
                        Wide w;
                        std::memcpy(&w, from + i, sizeof(w));
                        const Narrow n = __builtin_convertvector(w & colourMasks, Narrow);
                        std::memcpy(out + i, &n, sizeof(n));
                    }
                }
                for (; i < sr.mWidth; ++i) out[Mirror ? sr.mWidth - 1 - i : i] = uint16_t(from[i] & colourMasks);
            }
            else
            {
                for (int i = 0; i < sr.mWidth; ++i)
                    v.Put(Mirror ? x + sr.mWidth - 1 - i : x + i, dy, from[i] & colourMasks);
            }
            return;
        }
        if (spans)
        {
            uint32_t* destRow = reinterpret_cast<uint32_t*>(v.base + size_t(dy) * size_t(v.pitch));
            const uint32_t* from = data + srcRow + size_t(sr.mX);
            auto at = [&](int i) { return destRow + (Mirror ? x + sr.mWidth - 1 - i : x + i); };
            // Both forms leave the destination alone where the source adds nothing (alpha 0 for the blend, no
            // colour for the additive form) and copy alpha 255, four pixels at a time: walking the runs would
            // cost more than it saves.
            if (additive)
                kernels.surfaceAdd[Mirror](at(0), from, sr.mWidth, byteTint, white);
            else if (white)
                kernels.surfaceBlend[Mirror](at(0), from, sr.mWidth);
            else
                kernels.surfaceBlendTinted[Mirror](at(0), from, sr.mWidth, byteWeight, a);
            return;
        }
        if (spans16)
        {
            uint16_t* destRow = reinterpret_cast<uint16_t*>(v.base + size_t(dy) * size_t(v.pitch));
            uint16_t* start = destRow + (Mirror ? x + sr.mWidth - 1 : x);
            const uint32_t* from = data + srcRow + size_t(sr.mX);
            if (additive)
                kernels.surfaceAdd16[Mirror](start, from, sr.mWidth, form, slotTint, white);
            else
                kernels.surfaceBlend16[Mirror](start, from, sr.mWidth, form, srcFactor5, a, white);
            return;
        }
        // Locals, not members: the walk's stores go through a pointer the compiler cannot tell apart from this
        // object, and would make every pixel of it load the members again.
        const View v = this->v;
        const Color c = this->c;
        const bool additive = this->additive, white = this->white, palette = this->palette,
                   transparent = this->transparent, grey = this->grey, spread16 = this->spread16;
        const uint32_t colourMasks = this->colourMasks, a = this->a, srcFactor5 = this->srcFactor5;
        const uint32_t tint[3] = {this->tint[0], this->tint[1], this->tint[2]};
        const Spread16 form = this->form;
        int i = 0;
        while (i < sr.mWidth)
        {
            const size_t si = srcRow + size_t(sr.mX + i);
            const uint32_t p = palette ? data[indices[si]] : data[si];
            int len = 1;
            if (runs) len = std::min<int>(std::max<int>(runs[si], 1), sr.mWidth - i);
            const uint32_t alpha = p >> 24;
            // Runs of pixels that add nothing are skipped whole.
            const bool skip = additive ? (p & 0x00FFFFFF) == 0 : (alpha == 0 && (transparent || runs));
            if (skip && runs)
            {
                i += len;
                continue;
            }
            for (int k = 0; k < len; ++k, ++i)
            {
                const size_t sk = srcRow + size_t(sr.mX + i);
                const uint32_t s = palette ? data[indices[sk]] : data[sk];
                const uint32_t sa = s >> 24;
                const int dx = Mirror ? x + sr.mWidth - 1 - i : x + i;
                if (additive)
                {
                    if ((s & 0x00FFFFFF) == 0) continue;
                    uint32_t part[3];
                    for (int ch = 0; ch < 3; ++ch)
                    {
                        const uint32_t value = (s & v.ch[ch].mask) >> v.ch[ch].shift;
                        part[ch] = white ? value : value * tint[ch] / 255;
                    }
                    v.Put(dx, dy, AddChannels(v, v.Get(dx, dy), part));
                    continue;
                }
                if (sa == 0 && (transparent || !white)) continue;
                if (sa == 255 && white)
                {
                    v.Put(dx, dy, s & colourMasks);
                    continue;
                }
                const uint32_t d = v.Get(dx, dy);
                const uint32_t effective = white ? sa : sa * a / 255; // the pixel's alpha after the tint's
                if (spread16 && grey)
                {
                    // All three channels at once on the spread word, with 5-bit factors.
                    v.Put(dx, dy, Spread16Blend(form, s, uint16_t(d), srcFactor5, a, white));
                    continue;
                }
                uint32_t out = 0;
                if (v.bits == 32)
                {
                    for (int ch = 0; ch < 3; ++ch)
                    {
                        const Channel& cc = v.ch[ch];
                        const uint32_t mixed =
                            SurfaceTintedChannel((s & cc.mask) >> cc.shift, (d & cc.mask) >> cc.shift,
                                                 uint32_t(Comp(c, ch)) * a, 65025 - sa * a);
                        out |= (mixed << cc.shift) & cc.mask;
                    }
                    v.Put(dx, dy, out);
                    continue;
                }
                for (int ch = 0; ch < 3; ++ch)
                {
                    const uint64_t m = v.ch[ch].mask;
                    const uint64_t lowBit = m & (~m + 1);
                    const uint64_t sc = white ? (s & m) : (((s & m) * tint[ch] + lowBit * 127) / 255) & m;
                    const uint64_t dc = (((d & m) * (256 - effective) + (m >> 1)) >> 8) & m;
                    out |= uint32_t(std::min<uint64_t>(sc + dc, m) & m);
                }
                v.Put(dx, dy, out);
            }
        }
    }
};

} // namespace

template <bool Mirror>
void DDImage::SoftwareBlt(Image* src, int x, int y, const Rect& srcRect, const Color& color, bool additive)
{
    if (!src) return;
    src->mDrawn = true;
    auto* source = dynamic_cast<MemoryImage*>(src);
    if (!source || mNoSoftwareAccess) return;
    source->UpdateAlphaFlags();
    BltArea area;
    if (!ClipBlt(x, y, srcRect, source->GetWidth(), source->GetHeight(), mWidth, mHeight, Mirror, area)) return;
    x = area.destX;
    y = area.destY;
    const Rect sr(area.srcX, area.srcY, area.width, area.height);
    const Color c = color.Clamped();
    const bool white = c.IsWhite();
    auto* ddSource = dynamic_cast<DDImage*>(src);
    if (!Mirror && !additive && !source->mHasAlpha && white && ddSource && ddSource != this && ddSource->mSurface &&
        (mVideoMemory || !ddSource->mVideoMemory))
    {
        if (SurfaceBlt(ddSource, x, y, sr)) return;
    }
    if (!EnsureSurface() || !LockSurface()) return;
    const View v = MakeView(mLockDesc, *mDDInterface);
    if (v.bits != 16 && v.bits != 32)
    {
        UnlockSurface();
        return;
    }
    // The source's display-format pixels (premultiplied, alpha on top); a palette image gives a 256-entry table
    // and is read through its indices.
    const bool palette = source->mPaletteTable && source->mPaletteIndices;
    DropStaleDisplayData(*source, *mDDInterface);
    source->GetDisplayAlphaData(mDDInterface);
    const uint8_t* indices = palette ? source->mPaletteIndices.get() : nullptr;
    const SurfaceRows rows(v, c, additive, source->mHasAlpha, source->mHasTransparency, palette, source->mOpaqueCopy,
                           sVectorSpans);
    // The span forms look at every pixel themselves; only the per-pixel walk skips by runs.
    const uint8_t* runs = nullptr;
    if (rows.WalksPixels()) runs = additive ? source->GetAdditiveRunData(mDDInterface) : source->GetAlphaRunData();
    // GetAdditiveRunData may rebuild the display data; take the pointer again.
    const uint32_t* data = source->GetDisplayAlphaData(mDDInterface);
    const int srcW = source->GetWidth();
    // Rows read straight from the picture go to their form once for the whole block.
    if (!Mirror && !palette && !runs)
    {
        rows.Rows(y, x, sr.mWidth, sr.mHeight, data + size_t(sr.mY) * size_t(srcW) + size_t(sr.mX), size_t(srcW));
        UnlockSurface();
        return;
    }
    for (int row = 0; row < sr.mHeight; ++row)
    {
        const size_t at = size_t(sr.mY + row) * size_t(srcW) + size_t(sr.mX);
        rows.Row<Mirror>(y + row, x, sr.mWidth, palette ? data : data + at, palette ? indices + at : nullptr,
                         runs ? runs + at : nullptr);
    }
    UnlockSurface();
}

// What every stretch of one source rectangle onto the surface shares: the source's pixels, the display form the
// samples are converted to, and the cache key's fixed part.
struct DDImage::StretchPlan
{
    MemoryImage* source = nullptr;
    StretchSource pixels;
    Rect srcRect, usable;
    bool additive = false, fastStretch = false, mirror = false;
    bool standard = false, plainShifts = true;
    int cut[3] = {}, shifts[3] = {};
    uint32_t masks[3] = {};
    StretchSampler* sampler = nullptr;
    StretchSizeMemo memo;
    // Stretches of this source are kept (in the source's cache).
    bool keeps = false;
    // Additive sprites on a 32-bit surface with a byte per channel go from the kept samples to the block kernel.
    bool addBlock = false;
    void (*addKernel)(uint32_t*, size_t, const uint32_t*, size_t, int, int, const uint32_t*, bool) = nullptr;
    AddTint tint;
};

void DDImage::StretchToSurface(Image* src, const SpriteDraw* sprites, int count, const Rect& srcRect, const Rect& clip,
                               int drawMode, bool fastStretch, bool mirror)
{
    if (!src || count <= 0 || IsDrawnThrough3D()) return;
    UpdateAlphaFlags();
    // A picture drawn onto itself is read back from the surface after every draw, and an image without a surface
    // draws on its bits, whose flags each draw may change: both go one sprite at a time.
    if (count > 1 && (src == this || !IsPlain()))
    {
        for (int i = 0; i < count; ++i)
            StretchToSurface(src, sprites + i, 1, srcRect, clip, drawMode, fastStretch, mirror);
        return;
    }
    if (!IsPlain())
    {
        if (mirror)
            MemoryImage::StretchBltMirror(src, sprites[0].dest, srcRect, clip, sprites[0].color, drawMode, fastStretch);
        else
            MemoryImage::StretchBlt(src, sprites[0].dest, srcRect, clip, sprites[0].color, drawMode, fastStretch);
        return;
    }
    src->mDrawn = true;
    // Whatever is drawn lies inside both the clip and the image.
    const Rect bounds = clip.Intersection(Rect(0, 0, mWidth, mHeight));
    if (bounds.IsEmpty()) return;
    auto* source = dynamic_cast<MemoryImage*>(src);
    const Rect usable = source ? srcRect.Intersection(Rect(0, 0, source->mWidth, source->mHeight)) : Rect();
    // A source that cannot be sampled draws nothing.
    const bool sampled = source && srcRect.mWidth > 0 && srcRect.mHeight > 0 && !usable.IsEmpty();
    // The surface is locked once for all the sprites (a failed lock is tried again on the next one), and what the
    // stretches share is worked out on the first that reaches it.
    bool drew = false, locked = false, planned = false;
    View v{};
    StretchPlan plan;
    for (int i = 0; i < count; ++i)
    {
        const Rect& destRect = sprites[i].dest;
        const Rect area = destRect.Intersection(bounds);
        if (area.IsEmpty()) continue;
        drew = true;
        if (!sampled) continue;
        if (!locked)
        {
            if (mNoSoftwareAccess || !EnsureSurface() || !LockSurface()) continue;
            locked = true;
            v = MakeView(mLockDesc, *mDDInterface);
        }
        if (v.bits != 16 && v.bits != 32) break;
        if (!planned)
        {
            PlanStretch(*source, srcRect, usable, drawMode != 0, fastStretch, mirror, plan);
            plan.addBlock = TakesAddBlock(v, drawMode != 0);
            plan.addKernel = ActiveSpanKernels().surfaceAddBlock;
            planned = true;
        }
        // The usual spark: an additive sprite whose stretch this batch has already found kept goes straight to the
        // block kernel, as StretchRows would send it.
        if (plan.addBlock && plan.keeps && StretchCache::Fits(destRect.mWidth, destRect.mHeight))
            if (const uint32_t* kept = plan.memo.FindPixels(destRect.mWidth, destRect.mHeight))
            {
                const size_t stride = size_t(destRect.mWidth);
                plan.tint.For(v, sprites[i].color);
                AddBlock(v, plan.addKernel, plan.tint,
                         kept + size_t(area.mY - destRect.mY) * stride + size_t(area.mX - destRect.mX), stride, area);
                continue;
            }
        StretchRows(plan, destRect, area, sprites[i].color, &v);
    }
    if (locked) UnlockSurface();
    if (drew) FreeSoftwareAfterSurfaceDraw();
}

void DDImage::PlanStretch(MemoryImage& source, const Rect& srcRect, const Rect& usable, bool additive, bool fastStretch,
                          bool mirror, StretchPlan& plan)
{
    source.UpdateAlphaFlags();
    if (!source.mBits && !(source.mPaletteTable && source.mPaletteIndices)) source.GetBits();
    plan.source = &source;
    plan.pixels = StretchSource();
    plan.pixels.stride = size_t(source.mWidth);
    if (source.mBits)
        plan.pixels.bits = source.mBits.get();
    else
    {
        plan.pixels.indices = source.mPaletteIndices.get();
        plan.pixels.table = source.mPaletteTable.get();
    }
    plan.srcRect = srcRect;
    plan.usable = usable;
    plan.additive = additive;
    plan.fastStretch = fastStretch;
    plan.mirror = mirror;
    const NativeDisplay& display = *mDDInterface;
    if (mStretchFormat.mBitsPerPixel != display.mBitsPerPixel || mStretchFormat.mRedMask != display.mRedMask ||
        mStretchFormat.mGreenMask != display.mGreenMask || mStretchFormat.mBlueMask != display.mBlueMask)
        mStretchFormat.SetPixelFormat(display.mBitsPerPixel, uint32_t(display.mRedMask), uint32_t(display.mGreenMask),
                                      uint32_t(display.mBlueMask));
    // The premultiplied samples are the display form of the standard layout; other layouts of channels up to 8 bits
    // move and cut them; any other format converts the picture pixel by pixel.
    const NativeDisplay& f = mStretchFormat;
    plan.standard = f.mRedMask == 0xFF0000 && f.mGreenMask == 0xFF00 && f.mBlueMask == 0xFF;
    const int widths[3] = {f.mRedWidth, f.mGreenWidth, f.mBlueWidth};
    const int shifts[3] = {f.mRedShift, f.mGreenShift, f.mBlueShift};
    const uint32_t masks[3] = {uint32_t(f.mRedMask), uint32_t(f.mGreenMask), uint32_t(f.mBlueMask)};
    plan.plainShifts = true;
    for (int c = 0; c < 3; ++c)
    {
        plan.plainShifts = plan.plainShifts && widths[c] >= 0 && widths[c] <= 8 && shifts[c] >= 0;
        plan.cut[c] = 8 - widths[c];
        plan.shifts[c] = shifts[c];
        plan.masks[c] = masks[c];
    }
    plan.sampler = &StretchSampler::ForThread();
    plan.keeps = plan.plainShifts && !source.PixelsOnSurface();
}

// The visible part is sampled whole first, as the picture over a transparent image it stands for (each channel
// c x 255 >> 8 where alpha is not 0, nothing where it is); that picture's flags choose the row forms, and each
// row is then converted to the display format and drawn as a plain blit draws it.
void DDImage::StretchRows(StretchPlan& plan, const Rect& destRect, const Rect& area, const Color& color,
                          const void* view)
{
    const View& v = *static_cast<const View*>(view);
    MemoryImage& source = *plan.source;
    const NativeDisplay& f = mStretchFormat;
    const bool standard = plan.standard, plainShifts = plan.plainShifts, additive = plan.additive;
    StretchSampler& sampler = *plan.sampler;
    // Samples `part` of the stretch in display form into out (part's width apart) and notes the flags.
    const auto sampleInto = [&](const Rect& part, uint32_t* out, bool& hasAlpha, bool& transparent)
    {
        sampler.Begin(plan.pixels, destRect, plan.srcRect, plan.usable, part, plan.fastStretch, plan.mirror);
        const size_t n = size_t(part.mWidth) * size_t(part.mHeight);
        // Grown only, as the sampler's buffers are.
        if (!standard && mStretchPixels.size() < n) mStretchPixels.resize(n);
        uint32_t* p = standard ? out : mStretchPixels.data();
        sampler.Rows(0, part.mHeight, p);
        if (plainShifts)
        {
            PremultiplySamples(p, int(n), transparent, hasAlpha);
        }
        else
        {
            for (size_t i = 0; i < n; ++i)
            {
                const uint32_t q = p[i], a = q >> 24;
                if (a == 0)
                {
                    p[i] = 0;
                    transparent = true;
                    continue;
                }
                hasAlpha = hasAlpha || a != 255;
                p[i] = a << 24 | (((q >> 16) & 0xFF) * 255 >> 8) << 16 | (((q >> 8) & 0xFF) * 255 >> 8) << 8 |
                       ((q & 0xFF) * 255 >> 8);
            }
        }
        if (standard) return;
        if (plainShifts)
            PlaceSamples(p, out, int(n), plan.cut, plan.shifts, plan.masks);
        else
            ToDisplayPixels(f, p, out, n);
    };

    const uint32_t* picture = nullptr;
    size_t stride = size_t(area.mWidth);
    bool hasAlpha = false, transparent = false;
    // A picture whose pixels live on a surface can change without its change count moving: it is never kept.
    if (plan.keeps && StretchCache::Fits(destRect.mWidth, destRect.mHeight))
    {
        StretchCache::Entry* entry = plan.memo.Find(destRect.mWidth, destRect.mHeight);
        if (!entry)
        {
            StretchCache& cache = source.GetStretchCache();
            StretchCache::Key key;
            key.src = plan.srcRect;
            key.width = destRect.mWidth;
            key.height = destRect.mHeight;
            key.form[0] = uint32_t(f.mBitsPerPixel);
            key.form[1] = plan.masks[0], key.form[2] = plan.masks[1], key.form[3] = plan.masks[2];
            key.nearest = plan.fastStretch;
            key.mirror = plan.mirror;
            const void* store = source.mBits ? static_cast<const void*>(source.mBits.get())
                                             : static_cast<const void*>(source.mPaletteIndices.get());
            entry = cache.Find(key, store, source.mChangeCount);
            if (!entry)
            {
                plan.memo.Forget();
                entry = &cache.Add(key);
                sampleInto(destRect, entry->pixels.data(), entry->hasAlpha, entry->transparent);
            }
            plan.memo.Note(entry);
        }
        stride = size_t(destRect.mWidth);
        picture = entry->pixels.data() + size_t(area.mY - destRect.mY) * stride + size_t(area.mX - destRect.mX);
        if (plan.addBlock)
        {
            plan.tint.For(v, color);
            AddBlock(v, plan.addKernel, plan.tint, picture, stride, area);
            return;
        }
        if (area == destRect)
        {
            hasAlpha = entry->hasAlpha;
            transparent = entry->transparent;
        }
        else
        {
            // The flags of the part that shows, as sampling that part alone gives them.
            for (int j = 0; j < area.mHeight; ++j)
                for (int i = 0; i < area.mWidth; ++i)
                {
                    const uint32_t a = picture[size_t(j) * stride + size_t(i)] >> 24;
                    transparent = transparent || a == 0;
                    hasAlpha = hasAlpha || (a != 0 && a != 255);
                }
        }
    }
    else
    {
        const size_t n = size_t(area.mWidth) * size_t(area.mHeight);
        if (mStretchOut.size() < n) mStretchOut.resize(n);
        sampleInto(area, mStretchOut.data(), hasAlpha, transparent);
        picture = mStretchOut.data();
    }
    const SurfaceRows rows(v, color.Clamped(), additive, hasAlpha, transparent, false, false, sVectorSpans);
    rows.Rows(area.mY, area.mX, area.mWidth, area.mHeight, picture, stride);
}

void DDImage::NormalBlt(Image* src, int x, int y, const Rect& srcRect, const Color& color)
{
    SoftwareBlt<false>(src, x, y, srcRect, color, false);
}

void DDImage::AdditiveBlt(Image* src, int x, int y, const Rect& srcRect, const Color& color)
{
    SoftwareBlt<false>(src, x, y, srcRect, color, true);
}

void DDImage::NormalBltMirror(Image* src, int x, int y, const Rect& srcRect, const Color& color)
{
    SoftwareBlt<true>(src, x, y, srcRect, color, false);
}

void DDImage::AdditiveBltMirror(Image* src, int x, int y, const Rect& srcRect, const Color& color)
{
    SoftwareBlt<true>(src, x, y, srcRect, color, true);
}

} // namespace Zest
