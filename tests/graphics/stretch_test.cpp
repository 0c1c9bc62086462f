// Stretched blits against a plain per-pixel reference (random sources, rectangles, clips and tints, both modes,
// mirrored or not, nearest and bilinear, memory images and 16- and 32-bit surfaces, every vector form), and the
// exact division of the vector tinted surface blend.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "DisplayFixture.h"
#include "base/Common.h"
#include "graphics/BlendSpans.h"
#include "graphics/Graphics.h"
#include "graphics/PixelBlend.h"

using namespace Zest;
using ZestTest::Display;
using ZestTest::Format;

namespace
{

struct Tap
{
    int i0, i1;
    uint32_t f;
};

// The stretch as first written: each destination pixel's taps from the scale, a four-pixel sample with 64-bit
// sums and one division per channel, blended by the per-pixel rules.
Tap ReferenceTap(int destStart, int destPos, int destSize, int srcStart, int srcSize, int lo, int hi, bool nearest,
                 bool mirror)
{
    int64_t offset = int64_t(destPos) - destStart;
    if (mirror) offset = int64_t(destSize) - 1 - offset;
    const double centre = (double(offset) + 0.5) * (double(srcSize) / double(destSize));
    if (nearest)
    {
        const int i = std::clamp(srcStart + int(std::floor(centre)), lo, hi);
        return {i, i, 0};
    }
    const double u = std::clamp(double(srcStart) + centre - 0.5, double(lo), double(hi));
    const int i0 = int(std::floor(u));
    return {i0, std::min(i0 + 1, hi), std::min(uint32_t((u - i0) * 256.0), 256u)};
}

uint32_t ReferenceSample(const uint32_t px[4], const uint32_t area[4])
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
    const uint64_t half = total / 2;
    return uint32_t(total >> 16) << 24 | uint32_t((r + half) / total) << 16 | uint32_t((g + half) / total) << 8 |
           uint32_t((b + half) / total);
}

void ReferenceStretch(MemoryImage& dest, MemoryImage& source, const Rect& destRect, const Rect& srcRect,
                      const Rect& clip, const Color& color, int mode, bool nearest, bool mirror)
{
    const Rect usable = srcRect.Intersection(Rect(0, 0, source.GetWidth(), source.GetHeight()));
    const Rect area = destRect.Intersection(clip).Intersection(Rect(0, 0, dest.GetWidth(), dest.GetHeight()));
    if (usable.mWidth <= 0 || usable.mHeight <= 0 || area.mWidth <= 0 || area.mHeight <= 0) return;
    source.UpdateAlphaFlags();
    const uint32_t* src = source.GetBits();
    const int stride = source.GetWidth();
    BlendParams params(color.Clamped(), mode == 1, dest.GetSaturationTable());
    params.srcHasAlpha = source.mHasAlpha || (!nearest && source.mHasTransparency);
    params.opaqueDest = !dest.mHasTransparency && !dest.mHasAlpha;
    uint32_t* bits = dest.GetBits();
    for (int y = area.mY; y < area.mY + area.mHeight; ++y)
        for (int x = area.mX; x < area.mX + area.mWidth; ++x)
        {
            const Tap tx = ReferenceTap(destRect.mX, x, destRect.mWidth, srcRect.mX, srcRect.mWidth, usable.mX,
                                        usable.mX + usable.mWidth - 1, nearest, mirror);
            const Tap ty = ReferenceTap(destRect.mY, y, destRect.mHeight, srcRect.mY, srcRect.mHeight, usable.mY,
                                        usable.mY + usable.mHeight - 1, nearest, false);
            auto at = [&](int sx, int sy) { return src[size_t(sy) * size_t(stride) + size_t(sx)]; };
            uint32_t s = at(tx.i0, ty.i0);
            if (!nearest)
            {
                const uint32_t px[4] = {at(tx.i0, ty.i0), at(tx.i1, ty.i0), at(tx.i0, ty.i1), at(tx.i1, ty.i1)};
                const uint32_t area4[4] = {(256 - tx.f) * (256 - ty.f), tx.f * (256 - ty.f), (256 - tx.f) * ty.f,
                                           tx.f * ty.f};
                s = ReferenceSample(px, area4);
            }
            BlendPixel(bits[size_t(y) * size_t(dest.GetWidth()) + size_t(x)], s, params);
        }
    dest.BitsChanged();
}

// The surface stretch as first written: the visible part sampled into a transparent image, which is then drawn.
void ReferenceSurfaceStretch(DDImage& dest, MemoryImage& source, const Rect& destRect, const Rect& srcRect,
                             const Rect& clip, const Color& color, int mode, bool nearest, bool mirror)
{
    const Rect area = destRect.Intersection(clip).Intersection(Rect(0, 0, dest.GetWidth(), dest.GetHeight()));
    if (area.IsEmpty()) return;
    MemoryImage sampled(nullptr);
    sampled.SetBits(nullptr, area.mWidth, area.mHeight);
    const Rect shifted(destRect.mX - area.mX, destRect.mY - area.mY, destRect.mWidth, destRect.mHeight);
    const Rect inside(0, 0, area.mWidth, area.mHeight);
    ReferenceStretch(sampled, source, shifted, srcRect, inside, Color::White, 0, nearest, mirror);
    sampled.UpdateAlphaFlags();
    if (mode == 0)
        dest.NormalBlt(&sampled, area.mX, area.mY, inside, color);
    else
        dest.AdditiveBlt(&sampled, area.mX, area.mY, inside, color);
}

// A source mixing transparent, opaque and partial pixels in runs; some are all opaque or without partial alpha.
std::vector<uint32_t> RandomSource(std::mt19937& rng, int w, int h, int kind)
{
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    for (size_t i = 0; i < px.size();)
    {
        const uint32_t pick = kind == 1 ? 1 : (kind == 2 ? rng() % 2 : rng() % 4);
        const size_t run = std::min<size_t>(1 + rng() % 6, px.size() - i);
        for (size_t k = 0; k < run; ++k, ++i)
        {
            const uint32_t alpha = pick == 0 ? 0 : (pick == 1 ? 255 : rng() & 0xFF);
            px[i] = alpha << 24 | (rng() & 0xFFFFFF);
        }
    }
    return px;
}

struct Case
{
    std::vector<uint32_t> src;
    int w, h;
    Rect destRect, srcRect, clip;
};

Case RandomCase(std::mt19937& rng, int round, int destW, int destH)
{
    Case c;
    c.w = 1 + int(rng() % 23);
    c.h = 1 + int(rng() % 19);
    c.src = RandomSource(rng, c.w, c.h, round % 3);
    // Source rectangles mostly inside, sometimes reaching off the image; destinations shrinking and growing,
    // partly off the destination and cut by a clip.
    const int sx = int(rng() % 5) - 1, sy = int(rng() % 5) - 1;
    c.srcRect = Rect(std::max(sx, round % 4 ? 0 : sx), std::max(sy, round % 4 ? 0 : sy), 1 + int(rng() % unsigned(c.w)),
                     1 + int(rng() % unsigned(c.h)));
    c.destRect = Rect(int(rng() % unsigned(destW + 10)) - 8, int(rng() % unsigned(destH + 8)) - 6, 1 + int(rng() % 45),
                      1 + int(rng() % 30));
    c.clip = round % 2 ? Rect(0, 0, destW, destH)
                       : Rect(int(rng() % 20), int(rng() % 12), 10 + int(rng() % 40), 6 + int(rng() % 30));
    return c;
}

const Color kTints[] = {Color::White,
                        Color(255, 255, 255, 140),
                        Color(180, 180, 180, 255),
                        Color(255, 120, 40, 200),
                        Color(90, 200, 255, 255),
                        Color(255, 230, 120, 30)};

struct Isa
{
    SpanIsa isa;
    const char* name;
};
const Isa kIsas[] = {{SpanIsa::Scalar, "scalar"}, {SpanIsa::Sse2, "sse2"}, {SpanIsa::Avx2, "avx2"}};

} // namespace

TEST(StretchTest, MemoryStretchesMatchTheReference)
{
    std::mt19937 rng(5);
    const int W = 48, H = 32;
    for (int round = 0; round < 40; ++round)
    {
        const Case c = RandomCase(rng, round, W, H);
        MemoryImage source(nullptr);
        source.SetBits(c.src.data(), c.w, c.h);
        // Opaque destinations take the opaque-destination blend; others the general one.
        std::vector<uint32_t> background(size_t(W) * H);
        for (uint32_t& p : background) p = (round % 3 == 2 ? (rng() & 0xFF) << 24 : 0xFF000000u) | (rng() & 0xFFFFFF);
        for (const Color& tint : kTints)
            for (int mode : {0, 1})
                for (int variant = 0; variant < 4; ++variant)
                {
                    const bool nearest = variant & 1, mirror = variant & 2;
                    MemoryImage expected(nullptr);
                    expected.SetBits(background.data(), W, H);
                    ReferenceStretch(expected, source, c.destRect, c.srcRect, c.clip, tint, mode, nearest, mirror);
                    for (const Isa& isa : kIsas)
                    {
                        if (!SpanIsaAvailable(isa.isa)) continue;
                        SCOPED_TRACE(FormatString("round %d %s tint %08x mode %d nearest %d mirror %d", round, isa.name,
                                                  unsigned(tint.ToInt()), mode, int(nearest), int(mirror)));
                        const SpanIsa previous = SetSpanIsa(isa.isa);
                        // Each form samples afresh rather than reading what an earlier one kept.
                        source.DropStretchCache();
                        MemoryImage dest(nullptr);
                        dest.SetBits(background.data(), W, H);
                        if (mirror)
                            dest.StretchBltMirror(&source, c.destRect, c.srcRect, c.clip, tint, mode, nearest);
                        else
                            dest.StretchBlt(&source, c.destRect, c.srcRect, c.clip, tint, mode, nearest);
                        SetSpanIsa(previous);
                        ASSERT_TRUE(std::equal(expected.GetBits(), expected.GetBits() + W * H, dest.GetBits()));
                    }
                }
    }
}

TEST(StretchTest, WideStretchesMatchTheReference)
{
    // Areas too wide for the rows-first order, growing and shrinking strongly (the shrink sums each pixel's own
    // columns), partly clipped.
    struct Wide
    {
        int srcW, srcH;
        Rect destRect;
    };
    const Wide cases[] = {{23, 19, Rect(-3, 0, 1100, 24)}, {5000, 20, Rect(5, 1, 1090, 22)}};
    std::mt19937 rng(17);
    const int W = 1100, H = 24;
    for (const Wide& c : cases)
    {
        MemoryImage source(nullptr);
        const std::vector<uint32_t> src = RandomSource(rng, c.srcW, c.srcH, 0);
        source.SetBits(src.data(), c.srcW, c.srcH);
        std::vector<uint32_t> background(size_t(W) * H);
        for (uint32_t& p : background) p = 0xFF000000u | (rng() & 0xFFFFFF);
        const Rect srcRect(0, 0, c.srcW, c.srcH), clip(0, 0, W - 7, H);
        for (const Color& tint : {Color::White, Color(255, 120, 40, 200)})
            for (int mode : {0, 1})
                for (int variant = 0; variant < 4; ++variant)
                {
                    const bool nearest = variant & 1, mirror = variant & 2;
                    MemoryImage expected(nullptr);
                    expected.SetBits(background.data(), W, H);
                    ReferenceStretch(expected, source, c.destRect, srcRect, clip, tint, mode, nearest, mirror);
                    for (const Isa& isa : kIsas)
                    {
                        if (!SpanIsaAvailable(isa.isa)) continue;
                        SCOPED_TRACE(FormatString("source %d wide %s tint %08x mode %d nearest %d mirror %d", c.srcW,
                                                  isa.name, unsigned(tint.ToInt()), mode, int(nearest), int(mirror)));
                        const SpanIsa previous = SetSpanIsa(isa.isa);
                        MemoryImage dest(nullptr);
                        dest.SetBits(background.data(), W, H);
                        if (mirror)
                            dest.StretchBltMirror(&source, c.destRect, srcRect, clip, tint, mode, nearest);
                        else
                            dest.StretchBlt(&source, c.destRect, srcRect, clip, tint, mode, nearest);
                        SetSpanIsa(previous);
                        ASSERT_TRUE(std::equal(expected.GetBits(), expected.GetBits() + W * H, dest.GetBits()));
                    }
                }
    }
}

TEST(StretchTest, SurfaceStretchesMatchTheReference)
{
    const int W = 48, H = 32;
    for (Format f : {Format::Rgb565, Format::Rgb555, Format::Xrgb8888, Format::Xbgr8888})
    {
        SCOPED_TRACE(ZestTest::FormatName(f));
        Display d(f);
        ASSERT_EQ(d.result, 0);
        std::mt19937 rng(9);
        for (int round = 0; round < 16; ++round)
        {
            const Case c = RandomCase(rng, round, W, H);
            MemoryImage source(nullptr);
            source.SetBits(c.src.data(), c.w, c.h);
            std::vector<uint32_t> background(size_t(W) * H);
            for (uint32_t& p : background) p = 0xFF000000u | (rng() & 0xFFFFFF);
            auto raw = [&](DDImage& image)
            {
                std::vector<uint32_t> out;
                EXPECT_TRUE(image.LockSurface());
                const Platform::DDSURFACEDESC2& l = image.mLockDesc;
                for (int y = 0; y < H; ++y)
                    for (int x = 0; x < W; ++x)
                        out.push_back(l.ddpfPixelFormat.dwRGBBitCount == 16
                                          ? static_cast<uint16_t*>(l.lpSurface)[y * (l.lPitch / 2) + x]
                                          : static_cast<uint32_t*>(l.lpSurface)[y * (l.lPitch / 4) + x]);
                image.UnlockSurface();
                return out;
            };
            for (const Color& tint : kTints)
                for (int mode : {0, 1})
                    for (int variant = 0; variant < 4; ++variant)
                    {
                        const bool nearest = variant & 1, mirror = variant & 2;
                        DDImage expected(d.device.get());
                        expected.SetBits(background.data(), W, H);
                        ASSERT_TRUE(expected.CreateSurfaceFromBits());
                        ReferenceSurfaceStretch(expected, source, c.destRect, c.srcRect, c.clip, tint, mode, nearest,
                                                mirror);
                        const std::vector<uint32_t> want = raw(expected);
                        for (const Isa& isa : kIsas)
                        {
                            if (!SpanIsaAvailable(isa.isa)) continue;
                            SCOPED_TRACE(FormatString("round %d %s tint %08x mode %d nearest %d mirror %d", round,
                                                      isa.name, unsigned(tint.ToInt()), mode, int(nearest),
                                                      int(mirror)));
                            // Twice: the second call runs with the buffers and the kept samples the first one
                            // left.
                            std::vector<uint32_t> got[2];
                            const SpanIsa previous = SetSpanIsa(isa.isa);
                            source.DropStretchCache();
                            for (std::vector<uint32_t>& result : got)
                            {
                                DDImage dest(d.device.get());
                                dest.SetBits(background.data(), W, H);
                                if (!dest.CreateSurfaceFromBits()) break;
                                if (mirror)
                                    dest.StretchBltMirror(&source, c.destRect, c.srcRect, c.clip, tint, mode, nearest);
                                else
                                    dest.StretchBlt(&source, c.destRect, c.srcRect, c.clip, tint, mode, nearest);
                                result = raw(dest);
                            }
                            SetSpanIsa(previous);
                            ASSERT_EQ(got[0], want);
                            ASSERT_EQ(got[1], want);
                        }
                    }
        }
    }
}

TEST(StretchTest, KeptStretchesFollowTheirSource)
{
    // One source drawn at one size over and over, cut differently each time, then changed: every draw must show
    // what sampling the source as it is now gives, on memory images and on surfaces.
    std::mt19937 rng(23);
    const int W = 40, H = 30;
    MemoryImage source(nullptr);
    std::vector<uint32_t> px = RandomSource(rng, 16, 16, 0);
    source.SetBits(px.data(), 16, 16);
    const Rect srcRect(0, 0, 16, 16), destRect(-3, 4, 11, 13);
    const Rect clips[] = {Rect(0, 0, W, H), Rect(2, 6, 5, 7), Rect(0, 10, W, 3), Rect(-5, 0, 4, H)};
    std::vector<uint32_t> background(size_t(W) * H);
    for (uint32_t& p : background) p = 0xFF000000u | (rng() & 0xFFFFFF);
    Display d(Format::Rgb565, W, H);
    ASSERT_EQ(d.result, 0);
    for (int change = 0; change < 2; ++change)
    {
        if (change)
        {
            // Written in place, as a loader or an effect does, and announced.
            for (int i = 0; i < 256; i += 3) source.GetBits()[i] = 0x80FF2040u + uint32_t(i);
            source.BitsChanged();
        }
        for (const Rect& clip : clips)
            for (int mode : {0, 1})
            {
                SCOPED_TRACE(FormatString("change %d clip %d,%d mode %d", change, clip.mX, clip.mY, mode));
                MemoryImage expected(nullptr), got(nullptr);
                expected.SetBits(background.data(), W, H);
                got.SetBits(background.data(), W, H);
                ReferenceStretch(expected, source, destRect, srcRect, clip, Color(255, 200, 100, 230), mode, false,
                                 false);
                got.StretchBlt(&source, destRect, srcRect, clip, Color(255, 200, 100, 230), mode, false);
                ASSERT_TRUE(std::equal(expected.GetBits(), expected.GetBits() + W * H, got.GetBits()));

                DDImage want(d.device.get()), surface(d.device.get());
                for (DDImage* image : {&want, &surface})
                {
                    image->SetBits(background.data(), W, H);
                    ASSERT_TRUE(image->CreateSurfaceFromBits());
                }
                ReferenceSurfaceStretch(want, source, destRect, srcRect, clip, Color::White, mode, false, false);
                surface.StretchBlt(&source, destRect, srcRect, clip, Color::White, mode, false);
                ASSERT_TRUE(want.LockSurface() && surface.LockSurface());
                for (int y = 0; y < H; ++y)
                    ASSERT_EQ(0, std::memcmp(
                                     static_cast<uint8_t*>(want.mLockDesc.lpSurface) + y * want.mLockDesc.lPitch,
                                     static_cast<uint8_t*>(surface.mLockDesc.lpSurface) + y * surface.mLockDesc.lPitch,
                                     size_t(W) * 2));
                want.UnlockSurface();
                surface.UnlockSurface();
            }
    }
}

TEST(StretchTest, ManySizesOfOneSourceTakeTurnsInItsKeptStretches)
{
    // More sizes than places, drawn by turns, twice over and up to the largest kept size: whatever was pushed
    // out or kept, every draw shows the stretch of its own size.
    std::mt19937 rng(29);
    MemoryImage source(nullptr);
    const std::vector<uint32_t> px = RandomSource(rng, 16, 16, 0);
    source.SetBits(px.data(), 16, 16);
    const int W = 130, H = 130;
    std::vector<uint32_t> background(size_t(W) * H, 0xFF102030u);
    for (int pass = 0; pass < 2; ++pass)
        for (int size = 1; size <= 128; size += 1 + size / 8)
        {
            SCOPED_TRACE(FormatString("pass %d size %d", pass, size));
            const Rect destRect(1, 0, size, 129 - size), srcRect(0, 0, 16, 16), clip(0, 0, W, H);
            MemoryImage expected(nullptr), got(nullptr);
            expected.SetBits(background.data(), W, H);
            got.SetBits(background.data(), W, H);
            ReferenceStretch(expected, source, destRect, srcRect, clip, Color::White, 1, false, false);
            got.StretchBlt(&source, destRect, srcRect, clip, Color::White, 1, false);
            ASSERT_TRUE(std::equal(expected.GetBits(), expected.GetBits() + W * H, got.GetBits()));
        }
}

TEST(SurfaceSpanTest, TintedBlendDividesExactlyInEveryForm)
{
    // The vector forms divide by 65025 through a float estimate put right by the remainder: every source alpha and
    // channel value over destinations at both ends and between, for tints whose sums land on and near multiples of
    // the divisor, must give the per-pixel rule's result.
    // White tints of any alpha take a shorter exact path over opaque sources: a sweep of their alphas.
    std::vector<std::array<uint32_t, 4>> tints = {{255, 255, 255, 255}, {0, 0, 0, 255},       {255, 0, 128, 1},
                                                  {17, 200, 255, 254},  {255, 255, 255, 128}, {1, 2, 3, 77},
                                                  {255, 254, 253, 255}};
    for (uint32_t a = 0; a < 255; a += 23) tints.push_back({255, 255, 255, a});
    const uint32_t dests[] = {0, 1, 127, 128, 254, 255};
    std::vector<uint32_t> src, dst, want;
    for (uint32_t sa = 0; sa < 256; ++sa)
        for (uint32_t c = 0; c < 256; ++c)
            for (uint32_t dc : dests)
            {
                src.push_back(sa << 24 | c << 16 | (255 - c) << 8 | (c ^ 0x5A));
                dst.push_back(0xAB000000u | dc << 16 | (255 - dc) << 8 | ((dc + c) & 0xFF));
            }
    for (const auto& t : tints)
    {
        const uint32_t a = t[3], weight[3] = {t[2] * a, t[1] * a, t[0] * a};
        want = dst;
        for (size_t i = 0; i < src.size(); ++i) want[i] = SurfaceBlendTintedPixel(src[i], dst[i], weight, a);
        for (const Isa& isa : kIsas)
        {
            if (!SpanIsaAvailable(isa.isa)) continue;
            std::vector<uint32_t> got = dst;
            SpanKernelsFor(isa.isa).surfaceBlendTinted[0](got.data(), src.data(), int(src.size()), weight, a);
            ASSERT_EQ(got, want) << isa.name << " tint " << t[0] << "," << t[1] << "," << t[2] << "," << a;
        }
    }
}

namespace
{

std::vector<uint32_t> SurfaceWords(DDImage& image, int w, int h)
{
    std::vector<uint32_t> out;
    EXPECT_TRUE(image.LockSurface());
    const Platform::DDSURFACEDESC2& l = image.mLockDesc;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.push_back(l.ddpfPixelFormat.dwRGBBitCount == 16
                              ? static_cast<uint16_t*>(l.lpSurface)[y * (l.lPitch / 2) + x]
                              : static_cast<uint32_t*>(l.lpSurface)[y * (l.lPitch / 4) + x]);
    image.UnlockSurface();
    return out;
}

// The sprites of a busy particle system: mostly small, a few empty or turned inside out, a few too large to keep,
// scattered over and past the edges of a w x h destination, tinted or white.
std::vector<SpriteDraw> RandomSprites(std::mt19937& rng, int w, int h)
{
    std::vector<SpriteDraw> sprites;
    for (int i = 0; i < 240; ++i)
    {
        const bool large = i % 60 == 7;
        const int sw = large ? 140 : int(rng() % 30) - 2, sh = large ? 131 : int(rng() % 30) - 2;
        const Color tint =
            i % 5 == 0 ? Color::White : Color(int(rng() % 256), int(rng() % 256), int(rng() % 256), int(rng() % 256));
        sprites.push_back({Rect(int(rng() % unsigned(w + 40)) - 20, int(rng() % unsigned(h + 40)) - 20, sw, sh), tint});
    }
    return sprites;
}

// One system's sprites through a translated, clipped context, as one batch or one DrawImage after another.
void DrawSprites(Image* dest, Image* source, const std::vector<SpriteDraw>& sprites, bool batch, int mode,
                 bool colourise, bool fast)
{
    Graphics g(dest);
    g.Translate(3, -2);
    g.ClipRect(-1, 3, dest->GetWidth() - 7, dest->GetHeight() - 4);
    g.SetDrawMode(mode);
    g.SetColorizeImages(colourise);
    g.SetFastStretch(fast);
    if (batch)
    {
        g.DrawImageSprites(source, sprites.data(), int(sprites.size()));
        return;
    }
    for (const SpriteDraw& s : sprites)
    {
        g.SetColor(s.color);
        g.DrawImage(source, s.dest.mX, s.dest.mY, s.dest.mWidth, s.dest.mHeight);
    }
}

} // namespace

TEST(StretchTest, SpriteBatchesDrawAsTheirSpritesOneByOne)
{
    // Every destination kind, both modes, tinted or white, nearest or filtered, every vector form: a batch gives
    // exactly the picture of its sprites drawn one by one, also where the picture is drawn onto itself.
    const int W = 96, H = 64;
    std::mt19937 rng(31);
    MemoryImage sprite(nullptr);
    const std::vector<uint32_t> px = RandomSource(rng, 16, 16, 0);
    sprite.SetBits(px.data(), 16, 16);
    const std::vector<SpriteDraw> sprites = RandomSprites(rng, W, H);
    std::vector<uint32_t> opaque(size_t(W) * H), partial(size_t(W) * H);
    for (size_t i = 0; i < opaque.size(); ++i)
    {
        opaque[i] = 0xFF000000u | (rng() & 0xFFFFFF);
        partial[i] = i % 7 ? opaque[i] : (rng() & 0x7FFFFFFF);
    }
    for (const Isa& isa : kIsas)
    {
        if (!SpanIsaAvailable(isa.isa)) continue;
        const SpanIsa previous = SetSpanIsa(isa.isa);
        for (int variant = 0; variant < 8; ++variant)
        {
            const int mode = variant & 1;
            const bool colourise = variant & 2, fast = variant & 4;
            SCOPED_TRACE(FormatString("%s mode %d colourise %d nearest %d", isa.name, mode, int(colourise), int(fast)));
            // Memory images: opaque, partly transparent, and drawn onto itself.
            for (int kind = 0; kind < 3; ++kind)
            {
                MemoryImage one(nullptr), batch(nullptr);
                one.SetBits(kind == 1 ? partial.data() : opaque.data(), W, H);
                batch.SetBits(kind == 1 ? partial.data() : opaque.data(), W, H);
                DrawSprites(&one, kind == 2 ? static_cast<Image*>(&one) : &sprite, sprites, false, mode, colourise,
                            fast);
                DrawSprites(&batch, kind == 2 ? static_cast<Image*>(&batch) : &sprite, sprites, true, mode, colourise,
                            fast);
                ASSERT_TRUE(std::equal(one.GetBits(), one.GetBits() + W * H, batch.GetBits()))
                    << "memory kind " << kind;
            }
            // Surfaces in every format, with the lock held by the caller or not, or drawn onto themselves; and an
            // image of the display that has no surface (its partial alpha keeps it on its bits).
            for (Format f : {Format::Rgb565, Format::Rgb555, Format::Xrgb8888, Format::Xbgr8888})
            {
                SCOPED_TRACE(ZestTest::FormatName(f));
                Display d(f, W, H);
                ASSERT_EQ(d.result, 0);
                for (int kind = 0; kind < 3; ++kind)
                {
                    DDImage one(d.device.get()), batch(d.device.get());
                    for (DDImage* image : {&one, &batch})
                    {
                        image->SetBits(opaque.data(), W, H);
                        ASSERT_TRUE(image->CreateSurfaceFromBits());
                    }
                    DrawSprites(&one, kind == 2 ? static_cast<Image*>(&one) : &sprite, sprites, false, mode, colourise,
                                fast);
                    const bool held = kind == 1 && batch.LockSurface();
                    DrawSprites(&batch, kind == 2 ? static_cast<Image*>(&batch) : &sprite, sprites, true, mode,
                                colourise, fast);
                    if (held) batch.UnlockSurface();
                    ASSERT_EQ(SurfaceWords(one, W, H), SurfaceWords(batch, W, H)) << "surface kind " << kind;
                }
                DDImage one(d.device.get()), batch(d.device.get());
                one.SetBits(partial.data(), W, H);
                batch.SetBits(partial.data(), W, H);
                DrawSprites(&one, &sprite, sprites, false, mode, colourise, fast);
                DrawSprites(&batch, &sprite, sprites, true, mode, colourise, fast);
                ASSERT_EQ(one.mSurface, nullptr);
                ASSERT_TRUE(std::equal(one.GetBits(), one.GetBits() + W * H, batch.GetBits()));
            }
        }
        SetSpanIsa(previous);
    }
}

TEST(SurfaceSpanTest, AdditiveBlocksAddEveryPixelByTheRuleInEveryForm)
{
    // The block form carries the additive sparks: every row width up to three groups (so every tail), several rows
    // apart in a wider destination, every tint factor against every channel value, white, and pixels without
    // colour that must leave the destination word whole. Nothing outside the block may change.
    std::mt19937 rng(37);
    std::vector<std::array<uint32_t, 3>> tints = {{255, 255, 255}, {0, 0, 0}, {1, 128, 254}};
    for (uint32_t f = 0; f < 256; f += 17) tints.push_back({f, 255 - f, (f * 7) & 0xFF});
    const int pitch = 40, h = 4;
    for (int n = 1; n <= 24; ++n)
        for (const auto& t : tints)
            for (bool white : {false, true})
            {
                if (white && t != std::array<uint32_t, 3>{255, 255, 255}) continue;
                std::vector<uint32_t> src(size_t(n) * h), dst(size_t(pitch) * (h + 1));
                for (uint32_t& p : src) p = rng() % 4 == 0 ? (rng() & 0xFF000000u) : rng();
                for (uint32_t& p : dst) p = rng();
                std::vector<uint32_t> want = dst;
                for (int j = 0; j < h; ++j)
                    for (int i = 0; i < n; ++i)
                    {
                        uint32_t& d = want[size_t(j) * pitch + 3 + size_t(i)];
                        d = SurfaceAddPixel(src[size_t(j) * n + size_t(i)], d, t.data(), white);
                    }
                for (const Isa& isa : kIsas)
                {
                    if (!SpanIsaAvailable(isa.isa)) continue;
                    std::vector<uint32_t> got = dst;
                    SpanKernelsFor(isa.isa).surfaceAddBlock(got.data() + 3, pitch, src.data(), size_t(n), n, h,
                                                            t.data(), white);
                    ASSERT_EQ(got, want) << isa.name << " width " << n << " tint " << t[0] << "," << t[1] << "," << t[2]
                                         << " white " << white;
                }
            }
}

TEST(SurfaceSpanTest, BlockFormsDrawEveryRowAsTheRowRulesDo)
{
    // The copy, blend and tinted blend of a picture's rows in one call: every row width up to three groups (every
    // tail and overlap), rows apart in a wider destination, sources mixing whole groups that are opaque, clear and
    // partly transparent, white and coloured tints of several alphas. Nothing outside the block may change.
    std::mt19937 rng(41);
    const std::vector<std::array<uint32_t, 4>> tints = {
        {255, 255, 255, 120}, {255, 255, 255, 255}, {255, 255, 255, 0}, {255, 0, 0, 90}, {17, 200, 255, 254}};
    const int pitch = 40, h = 3;
    for (int n = 1; n <= 24; ++n)
    {
        std::vector<uint32_t> src(size_t(n) * h), dst(size_t(pitch) * (h + 1));
        for (size_t i = 0; i < src.size(); ++i)
        {
            // Display-form pixels (premultiplied: no channel above the alpha), in runs of eight of one kind, so that
            // the vector forms meet their whole-group shortcuts: opaque, clear, or any alpha.
            const uint32_t kind = uint32_t(i / 8 * 2654435761u >> 29) % 4;
            const uint32_t alpha = kind == 0 ? 255 : kind == 1 ? 0 : rng() % 256;
            uint32_t p = alpha << 24;
            for (int shift = 0; shift < 24; shift += 8) p |= (rng() % (alpha + 1)) << shift;
            src[i] = p;
        }
        for (uint32_t& p : dst) p = rng();
        const auto expect = [&](auto rule)
        {
            std::vector<uint32_t> want = dst;
            for (int j = 0; j < h; ++j)
                for (int i = 0; i < n; ++i)
                {
                    uint32_t& d = want[size_t(j) * pitch + 3 + size_t(i)];
                    d = rule(src[size_t(j) * n + size_t(i)], d);
                }
            return want;
        };
        const std::vector<uint32_t> copied = expect([](uint32_t s, uint32_t) { return s & 0x00FFFFFF; });
        const std::vector<uint32_t> blended = expect([](uint32_t s, uint32_t d) { return SurfaceBlendPixel(s, d); });
        for (const Isa& isa : kIsas)
        {
            if (!SpanIsaAvailable(isa.isa)) continue;
            const SpanKernels& k = SpanKernelsFor(isa.isa);
            std::vector<uint32_t> got = dst;
            k.surfaceCopyBlock(got.data() + 3, pitch, src.data(), size_t(n), n, h);
            ASSERT_EQ(got, copied) << isa.name << " copy, width " << n;
            got = dst;
            k.surfaceBlendBlock(got.data() + 3, pitch, src.data(), size_t(n), n, h);
            ASSERT_EQ(got, blended) << isa.name << " blend, width " << n;
            for (const auto& t : tints)
            {
                const uint32_t a = t[3], weight[3] = {t[2] * a, t[1] * a, t[0] * a};
                const std::vector<uint32_t> tinted =
                    expect([&](uint32_t s, uint32_t d) { return SurfaceBlendTintedPixel(s, d, weight, a); });
                got = dst;
                k.surfaceBlendTintedBlock(got.data() + 3, pitch, src.data(), size_t(n), n, h, weight, a);
                ASSERT_EQ(got, tinted) << isa.name << " tinted blend, width " << n << " tint " << t[0] << "," << t[1]
                                       << "," << t[2] << "," << a;
            }
        }
    }
}
