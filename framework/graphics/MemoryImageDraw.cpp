// Zest::MemoryImage software drawing on the ARGB words: fills, lines, normal and additive blits (vector row kernels
// for the white blends, alpha runs for the rest), mirrored, stretched, sub-pixel and rotated blits.
#include "graphics/MemoryImage.h"

#include "graphics/BlendSpans.h"
#include "graphics/BlitClip.h"
#include "graphics/PixelBlend.h"
#include "graphics/RotatedBlit.h"
#include "graphics/StretchSampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace Zest
{

namespace
{

// Brings a source to a readable form (purged images are rebuilt) and refreshes its alpha flags.
StretchSource PrepareSource(MemoryImage* src)
{
    src->UpdateAlphaFlags();
    StretchSource s;
    if (!src->mBits && !(src->mPaletteTable && src->mPaletteIndices)) src->GetBits();
    s.stride = size_t(src->mWidth);
    if (src->mBits)
    {
        s.bits = src->mBits.get();
    }
    else
    {
        s.indices = src->mPaletteIndices.get();
        s.table = src->mPaletteTable.get();
    }
    return s;
}

struct ArgbRow
{
    const uint32_t* p;
    uint32_t operator[](int i) const { return p[i]; }
};

struct PaletteRow
{
    const uint8_t* idx;
    const uint32_t* table;
    uint32_t operator[](int i) const { return table[idx[i]]; }
};

// Walks one row by the source's alpha runs, skipping alpha-0 runs (every caller's blend leaves the pixel alone
// for them) and handing the rest to op(dest, source) pixel by pixel.
template <class Row, class Op>
inline void RunRow(uint32_t* d, const Row& src, const uint8_t* runs, int width, Op op)
{
    int i = 0;
    while (i < width)
    {
        const int n = std::min<int>(runs[i], width - i);
        if ((src[i] >> 24) != 0)
            for (int k = i; k < i + n; ++k) op(d[k], src[k]);
        i += n;
    }
}

template <class Row, class Op>
inline void PlainRow(uint32_t* d, const Row& src, int width, Op op)
{
    for (int k = 0; k < width; ++k) op(d[k], src[k]);
}

// The whole-row kernel for the white blends that have one, else null. The kernels test each group of pixels
// for all-transparent and all-opaque themselves, which costs less than walking the run table.
SpanFn WhiteKernel(const BlendParams& p)
{
    if (!p.white) return nullptr;
    const SpanKernels& k = ActiveSpanKernels();
    if (p.additive) return p.srcHasAlpha ? k.addWeighted : k.addFull;
    return p.opaqueDest ? k.ontoOpaque : nullptr;
}

Rect ImageBounds(const MemoryImage& image)
{
    return Rect(0, 0, image.mWidth, image.mHeight);
}

// Double coordinates of a line, truncated toward zero and kept well inside the int range.
int TruncCoordinate(double v)
{
    if (!(v > -16777216.0)) return -16777216;
    if (!(v < 16777216.0)) return 16777216;
    return int(v);
}

// Horizontal and vertical lines are one-pixel rectangles including both ends; false for any other line.
bool FillAxisLine(MemoryImage& image, int ix1, int iy1, int ix2, int iy2, const Color& color, int drawMode)
{
    if (iy1 == iy2)
        image.FillRect(Rect(std::min(ix1, ix2), iy1, std::abs(ix2 - ix1) + 1, 1), color, drawMode);
    else if (ix1 == ix2)
        image.FillRect(Rect(ix1, std::min(iy1, iy2), 1, std::abs(iy2 - iy1) + 1), color, drawMode);
    else
        return false;
    return true;
}

} // namespace

bool MemoryImage::CalcRotatedBlit(float& x, float& y, const Rect& srcRect, const Rect& clip, DRect& bounds,
                                  double angle, float centreX, float centreY)
{
    return Zest::CalcRotatedBlit(x, y, srcRect, clip, bounds, angle, centreX, centreY);
}

void MemoryImage::FillRect(const Rect& rect, const Color& color, int)
{
    const uint32_t packed = color.Clamped().ToInt();
    if ((packed >> 24) == 0) return;
    const Rect r = rect.Intersection(ImageBounds(*this));
    if (r.mWidth <= 0 || r.mHeight <= 0) return;
    uint32_t* bits = GetBits();
    for (int y = r.mY; y < r.mY + r.mHeight; ++y)
    {
        uint32_t* d = bits + size_t(y) * size_t(mWidth) + size_t(r.mX);
        if ((packed >> 24) == 255)
            std::fill_n(d, r.mWidth, packed);
        else
            for (int i = 0; i < r.mWidth; ++i) FillPixel(d[i], packed);
    }
    BitsChanged();
}

void MemoryImage::ClearRect(const Rect& rect)
{
    const Rect r = rect.Intersection(ImageBounds(*this));
    if (r.mWidth <= 0 || r.mHeight <= 0) return;
    uint32_t* bits = GetBits();
    for (int y = r.mY; y < r.mY + r.mHeight; ++y)
        std::fill_n(bits + size_t(y) * size_t(mWidth) + size_t(r.mX), r.mWidth, 0u);
    BitsChanged();
}

void MemoryImage::DrawLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode)
{
    const int ix1 = TruncCoordinate(x1), iy1 = TruncCoordinate(y1);
    const int ix2 = TruncCoordinate(x2), iy2 = TruncCoordinate(y2);
    if (FillAxisLine(*this, ix1, iy1, ix2, iy2, color, drawMode)) return;
    if (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE) return;
    const Color c = color.Clamped();
    const uint32_t packed = c.ToInt();
    const uint8_t* sat = GetSaturationTable();
    const uint32_t addR = uint32_t(c.mRed * c.mAlpha / 255), addG = uint32_t(c.mGreen * c.mAlpha / 255),
                   addB = uint32_t(c.mBlue * c.mAlpha / 255);
    if (drawMode == DRAWMODE_NORMAL && (packed >> 24) == 0) return;
    uint32_t* bits = GetBits();
    auto plot = [&](int px, int py)
    {
        if (px < 0 || py < 0 || px >= mWidth || py >= mHeight) return;
        uint32_t& d = bits[size_t(py) * size_t(mWidth) + size_t(px)];
        if (drawMode == DRAWMODE_NORMAL)
        {
            FillPixel(d, packed);
        }
        else
        {
            d = (d & 0xFF000000u) | (uint32_t(sat[((d >> 16) & 0xFF) + addR]) << 16) |
                (uint32_t(sat[((d >> 8) & 0xFF) + addG]) << 8) | sat[(d & 0xFF) + addB];
        }
    };
    // Bresenham from the first end point, both end points drawn.
    const int dx = std::abs(ix2 - ix1), dy = -std::abs(iy2 - iy1);
    const int stepX = ix1 < ix2 ? 1 : -1, stepY = iy1 < iy2 ? 1 : -1;
    int err = dx + dy;
    int px = ix1, py = iy1;
    for (;;)
    {
        plot(px, py);
        if (px == ix2 && py == iy2) break;
        const int e2 = 2 * err;
        if (e2 >= dy)
        {
            err += dy;
            px += stepX;
        }
        if (e2 <= dx)
        {
            err += dx;
            py += stepY;
        }
    }
    BitsChanged();
}

void MemoryImage::DrawLineAntiAliased(double x1, double y1, double x2, double y2, const Color& color, int drawMode)
{
    const int ix1 = TruncCoordinate(x1), iy1 = TruncCoordinate(y1);
    const int ix2 = TruncCoordinate(x2), iy2 = TruncCoordinate(y2);
    if (FillAxisLine(*this, ix1, iy1, ix2, iy2, color, drawMode)) return;
    if (drawMode != DRAWMODE_NORMAL) return;
    const Color c = color.Clamped();
    const uint32_t rgb = c.ToInt() & 0x00FFFFFF;
    const uint32_t alpha = uint32_t(c.mAlpha);
    if (alpha == 0) return;
    uint32_t* bits = GetBits();
    // coverage in 0..256: the share of the pixel that lies on the line's side of its centre distance.
    auto plot = [&](int px, int py, uint32_t coverage)
    {
        if (px < 0 || py < 0 || px >= mWidth || py >= mHeight) return;
        const uint32_t a = (alpha * coverage) >> 8;
        if (a == 0) return;
        FillPixel(bits[size_t(py) * size_t(mWidth) + size_t(px)], (a << 24) | rgb);
    };
    const bool steep = std::abs(iy2 - iy1) > std::abs(ix2 - ix1);
    // Walk the major axis from the first end point; the minor coordinate moves by a fixed 16.16 gradient and
    // the two pixels straddling it share the colour by their distance to it.
    const int major1 = steep ? iy1 : ix1, major2 = steep ? iy2 : ix2;
    const int minor1 = steep ? ix1 : iy1, minor2 = steep ? ix2 : iy2;
    const int steps = std::abs(major2 - major1);
    const int dir = major1 < major2 ? 1 : -1;
    // The minor coordinate in 32.32 fixed point: a 16-bit fraction would round the gradient of a long line to
    // nothing and lay it along its first end point's row.
    const int64_t gradient = (int64_t(minor2 - minor1) * (int64_t(1) << 32)) / steps;
    // Only the steps whose major coordinate lies on the image are walked.
    const int majorSize = steep ? mHeight : mWidth;
    int first = 0, last = steps;
    if (dir > 0)
    {
        first = std::max(first, -major1);
        last = std::min(last, majorSize - 1 - major1);
    }
    else
    {
        first = std::max(first, major1 - (majorSize - 1));
        last = std::min(last, major1);
    }
    for (int k = first; k <= last; ++k)
    {
        const int major = major1 + k * dir;
        const int64_t minor = int64_t(minor1) * (int64_t(1) << 32) + int64_t(k) * gradient;
        const int m = int(minor >> 32);
        const uint32_t frac = uint32_t((minor >> 24) & 0xFF);
        if (steep)
        {
            plot(m, major, 256 - frac);
            plot(m + 1, major, frac);
        }
        else
        {
            plot(major, m, 256 - frac);
            plot(major, m + 1, frac);
        }
    }
    BitsChanged();
}

void MemoryImage::FillSpansWithCoverage(const Span*, int, const Color&, int, const uint8_t*, int, int, int, int) {}

void MemoryImage::BltMatrix(Image* src, float, float, const Matrix3&, const Rect&, const Color&, int, const Rect&, bool)
{
    if (src) src->mDrawn = true;
}

void MemoryImage::BltTriangles(Image* src, const TriVertex (*)[3], int, const Color&, int, float, float, bool)
{
    if (src) src->mDrawn = true;
}

void MemoryImage::Blt(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode)
{
    if (!src) return;
    src->mDrawn = true;
    if (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE) return;
    MemoryImage* source = dynamic_cast<MemoryImage*>(src);
    if (!source) return;
    BltArea area;
    if (!ClipBlt(x, y, srcRect, source->mWidth, source->mHeight, mWidth, mHeight, false, area)) return;
    const StretchSource pixels = PrepareSource(source);
    BlendParams params(color.Clamped(), drawMode == DRAWMODE_ADDITIVE, GetSaturationTable());
    params.srcHasAlpha = source->mHasAlpha;
    params.opaqueDest = !mHasTransparency && !mHasAlpha;
    // The paths without a whole-row kernel walk the run table, which comes from the source's current form; it
    // is taken before the destination's bits, which may be the same image.
    const uint8_t* runs = WhiteKernel(params) ? nullptr : source->GetAlphaRunData();
    uint32_t* bits = GetBits();

    SpanFn kernel = WhiteKernel(params);
    // A white blit weighed by alpha adds each pixel's colour x alpha >> 8: the source's terms, made once and kept
    // with it, are added as they are, which gives the same pixels as weighing each one on every blit. A picture
    // drawn onto itself reads what the blit has written already, so it is weighed as it goes.
    const uint32_t* terms = nullptr;
    if (kernel && params.additive && params.srcHasAlpha && pixels.bits && source != this)
    {
        terms = source->GetStretchCache().AdditiveTerms(pixels.bits, size_t(source->mWidth) * size_t(source->mHeight),
                                                        source->mChangeCount);
        kernel = ActiveSpanKernels().addFull;
    }
    std::vector<uint32_t> scratch(kernel && !pixels.bits ? size_t(area.width) : 0);

    auto blitRows = [&](auto rowAt)
    {
        for (int j = 0; j < area.height; ++j)
        {
            uint32_t* d = bits + size_t(area.destY + j) * size_t(mWidth) + size_t(area.destX);
            const size_t srcOffset = size_t(area.srcY + j) * pixels.stride + size_t(area.srcX);
            const auto row = rowAt(area.srcY + j);
            const int w = area.width;
            if (kernel)
            {
                // The hot paths of every frame; palette rows are expanded first.
                const uint32_t* s = terms ? terms + srcOffset : pixels.bits ? pixels.bits + srcOffset : scratch.data();
                if (!pixels.bits)
                    for (int i = 0; i < w; ++i) scratch[size_t(i)] = row[i];
                kernel(d, s, w, params.sat);
            }
            else if (!params.additive)
            {
                if (params.white)
                    RunRow(d, row, runs + srcOffset, w, [](uint32_t& dp, uint32_t sp) { BlendNormalWhite(dp, sp); });
                else
                    RunRow(d, row, runs + srcOffset, w,
                           [&params](uint32_t& dp, uint32_t sp) { BlendNormalTinted(dp, sp, params); });
            }
            else if (params.srcHasAlpha)
            {
                // Alpha-0 pixels add nothing when the source's alpha weighs its colour.
                RunRow(d, row, runs + srcOffset, w,
                       [&params](uint32_t& dp, uint32_t sp) { BlendAdditive(dp, sp, params); });
            }
            else
            {
                // Without partial alpha every pixel adds its full colour, alpha 0 included.
                PlainRow(d, row, w, [&params](uint32_t& dp, uint32_t sp) { BlendAdditive(dp, sp, params); });
            }
        }
    };
    if (pixels.bits)
        blitRows([&](int sy) { return ArgbRow{pixels.bits + size_t(sy) * pixels.stride + size_t(area.srcX)}; });
    else
        blitRows(
            [&](int sy) {
                return PaletteRow{pixels.indices + size_t(sy) * pixels.stride + size_t(area.srcX), pixels.table};
            });
    BitsChanged();
}

void MemoryImage::BltMirror(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode)
{
    if (!src) return;
    src->mDrawn = true;
    if (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE) return;
    MemoryImage* source = dynamic_cast<MemoryImage*>(src);
    if (!source) return;
    BltArea area;
    if (!ClipBlt(x, y, srcRect, source->mWidth, source->mHeight, mWidth, mHeight, true, area)) return;
    const StretchSource pixels = PrepareSource(source);
    uint32_t* bits = GetBits();
    BlendParams params(color.Clamped(), drawMode == DRAWMODE_ADDITIVE, GetSaturationTable());
    params.srcHasAlpha = source->mHasAlpha;
    params.opaqueDest = !mHasTransparency && !mHasAlpha;
    const SpanFn kernel = WhiteKernel(params);
    std::vector<uint32_t> reversed(kernel ? size_t(area.width) : 0);
    for (int j = 0; j < area.height; ++j)
    {
        uint32_t* d = bits + size_t(area.destY + j) * size_t(mWidth) + size_t(area.destX);
        const int sy = area.srcY + j;
        const int last = area.srcX + area.width - 1;
        if (kernel)
        {
            for (int i = 0; i < area.width; ++i) reversed[size_t(i)] = pixels.At(last - i, sy);
            kernel(d, reversed.data(), area.width, params.sat);
        }
        else
        {
            for (int i = 0; i < area.width; ++i) BlendPixel(d[i], pixels.At(last - i, sy), params);
        }
    }
    BitsChanged();
}

// Stretches of one source rectangle onto each sprite's rectangle in turn. What the draws share (the source's
// readable form, the sampler, the destination's bits) is set up on the first draw that reaches the pixels, and the
// destination is marked changed once at the end: nothing in between reads what the marking drops, since a picture
// stretched onto itself is drawn one sprite at a time.
static void StretchInto(MemoryImage& dest, Image* src, const SpriteDraw* sprites, int count, const Rect& srcRect,
                        const Rect& clip, int drawMode, bool fastStretch, bool mirror)
{
    if (!src || count <= 0) return;
    MemoryImage* source = dynamic_cast<MemoryImage*>(src);
    if (source == &dest && count > 1)
    {
        for (int i = 0; i < count; ++i)
            StretchInto(dest, src, sprites + i, 1, srcRect, clip, drawMode, fastStretch, mirror);
        return;
    }
    src->mDrawn = true;
    if (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE) return;
    if (!source || srcRect.mWidth <= 0 || srcRect.mHeight <= 0) return;
    // Samples stay inside the part of the source rectangle that lies on the source image.
    const Rect usable = srcRect.Intersection(Rect(0, 0, source->mWidth, source->mHeight));
    if (usable.mWidth <= 0 || usable.mHeight <= 0) return;
    // Whatever is drawn lies inside both the clip and the image.
    const Rect bounds = clip.Intersection(Rect(0, 0, dest.mWidth, dest.mHeight));
    if (bounds.IsEmpty()) return;
    StretchSampler& sampler = StretchSampler::ForThread();
    StretchSource pixels;
    uint32_t* bits = nullptr;
    bool ready = false;
    StretchSizeMemo memo;
    for (int s = 0; s < count; ++s)
    {
        const Rect& destRect = sprites[s].dest;
        if (destRect.mWidth <= 0 || destRect.mHeight <= 0) continue;
        const Rect area = destRect.Intersection(bounds);
        if (area.mWidth <= 0 || area.mHeight <= 0) continue;
        if (!ready)
        {
            pixels = PrepareSource(source);
            bits = dest.GetBits();
            ready = true;
        }
        // Small stretches are sampled whole once and kept with the source; the visible rows are read from there.
        const uint32_t* kept = nullptr;
        // A picture stretched onto itself is read band by band as it is drawn, as it always was: it is not kept.
        if (StretchCache::Fits(destRect.mWidth, destRect.mHeight) && !source->PixelsOnSurface() && source != &dest)
        {
            StretchCache::Entry* entry = memo.Find(destRect.mWidth, destRect.mHeight);
            if (!entry)
            {
                StretchCache& cache = source->GetStretchCache();
                StretchCache::Key key;
                key.src = srcRect;
                key.width = destRect.mWidth;
                key.height = destRect.mHeight;
                key.nearest = fastStretch;
                key.mirror = mirror;
                const void* store = pixels.bits ? static_cast<const void*>(pixels.bits) : pixels.indices;
                entry = cache.Find(key, store, source->mChangeCount);
                if (!entry)
                {
                    memo.Forget();
                    entry = &cache.Add(key);
                    sampler.Begin(pixels, destRect, srcRect, usable, destRect, fastStretch, mirror);
                    sampler.Rows(0, destRect.mHeight, entry->pixels.data());
                }
                memo.Note(entry);
            }
            kept = entry->pixels.data() + size_t(area.mY - destRect.mY) * size_t(destRect.mWidth) +
                   size_t(area.mX - destRect.mX);
        }
        else
        {
            sampler.Begin(pixels, destRect, srcRect, usable, area, fastStretch, mirror);
        }
        BlendParams params(sprites[s].color.Clamped(), drawMode == DRAWMODE_ADDITIVE, dest.GetSaturationTable());
        // Filtering makes partial alpha at transparent edges, which must then weigh the added colour.
        params.srcHasAlpha = source->mHasAlpha || (!fastStretch && source->mHasTransparency);
        params.opaqueDest = !dest.mHasTransparency && !dest.mHasAlpha;
        const SpanFn kernel = WhiteKernel(params);
        // Bands of rows are sampled at once, then blended row by row.
        const int band = std::clamp(4096 / area.mWidth, 1, area.mHeight);
        uint32_t* samples = kept ? nullptr : sampler.Scratch(size_t(area.mWidth) * size_t(band));
        for (int j = 0; j < area.mHeight; ++j)
        {
            uint32_t* d = bits + size_t(area.mY + j) * size_t(dest.mWidth) + size_t(area.mX);
            const uint32_t* row;
            if (kept)
            {
                row = kept + size_t(j) * size_t(destRect.mWidth);
            }
            else
            {
                if (j % band == 0) sampler.Rows(j, std::min(band, area.mHeight - j), samples);
                row = samples + size_t(j % band) * size_t(area.mWidth);
            }
            if (kernel)
                kernel(d, row, area.mWidth, params.sat);
            else
                for (int i = 0; i < area.mWidth; ++i) BlendPixel(d[i], row[i], params);
        }
    }
    if (ready) dest.BitsChanged();
}

void MemoryImage::StretchBlt(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                             const Color& color, int drawMode, bool fastStretch)
{
    const SpriteDraw one{destRect, color};
    StretchInto(*this, src, &one, 1, srcRect, clip, drawMode, fastStretch, false);
}

void MemoryImage::StretchBltMirror(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                                   const Color& color, int drawMode, bool fastStretch)
{
    const SpriteDraw one{destRect, color};
    StretchInto(*this, src, &one, 1, srcRect, clip, drawMode, fastStretch, true);
}

void MemoryImage::StretchBltSprites(Image* src, const SpriteDraw* sprites, int count, const Rect& srcRect,
                                    const Rect& clip, int drawMode, bool fastStretch)
{
    if (!sprites) return;
    StretchInto(*this, src, sprites, count, srcRect, clip, drawMode, fastStretch, false);
}

void MemoryImage::BltFloat(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                           int drawMode)
{
    BltRotated(src, x, y, srcRect, clip, color, drawMode, 0.0, 0.0f, 0.0f);
}

void MemoryImage::BltRotated(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                             int drawMode, double angle, float centreX, float centreY)
{
    if (!src) return;
    src->mDrawn = true;
    if (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE) return;
    MemoryImage* source = dynamic_cast<MemoryImage*>(src);
    if (!source) return;
    // The rotation is about a point of the source rectangle, so a rectangle reaching off the source cannot be
    // cut without moving the picture: it draws nothing.
    if (srcRect.mX < 0 || srcRect.mY < 0 || int64_t(srcRect.mX) + srcRect.mWidth > source->mWidth ||
        int64_t(srcRect.mY) + srcRect.mHeight > source->mHeight)
        return;
    RotatedBlitWalker walker;
    if (!walker.Begin(x, y, srcRect, clip.Intersection(Rect(0, 0, mWidth, mHeight)), angle, centreX, centreY)) return;
    const StretchSource pixels = PrepareSource(source);
    uint32_t* bits = GetBits();
    BlendParams params(color.Clamped(), drawMode == DRAWMODE_ADDITIVE, GetSaturationTable());
    params.srcHasAlpha = true; // filtered samples always carry their weight in alpha
    params.opaqueDest = !mHasTransparency && !mHasAlpha;
    const int32_t du = walker.GetStepU(), dv = walker.GetStepV();
    RotatedSpan span;
    for (int r = 0; r < walker.GetRowCount(); ++r)
    {
        if (!walker.GetRow(r, span)) continue;
        uint32_t* d = bits + size_t(span.mDestY) * size_t(mWidth) + size_t(span.mDestX);
        int32_t u = span.mU, v = span.mV;
        for (int i = 0; i < span.mCount; ++i, u += du, v += dv)
        {
            const int sx = srcRect.mX + (u >> 16), sy = srcRect.mY + (v >> 16);
            const uint32_t s[4] = {pixels.At(sx, sy), pixels.At(sx + 1, sy), pixels.At(sx, sy + 1),
                                   pixels.At(sx + 1, sy + 1)};
            const BilinearWeights a = RotatedBlitWeights(u, v);
            const uint32_t area[4] = {a.a00, a.a10, a.a01, a.a11};
            const uint32_t sample = BilinearSample(s, area);
            if (sample >> 24 == 0) continue;
            BlendPixel(d[i], sample, params);
        }
    }
    BitsChanged();
}

} // namespace Zest
