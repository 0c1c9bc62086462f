// Tests of MemoryImage software drawing: fill and blit arithmetic against per-channel reference formulas,
// fast path against general path, every span kernel (per pixel, SSE2, AVX2) against the formulas, palette sources,
// additive saturation, lines, stretched, mirrored, sub-pixel and rotated blits, and the shared rotated-blit geometry.
#include "graphics/BlendSpans.h"
#include "graphics/MemoryImage.h"
#include "graphics/RotatedBlit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

using namespace Zest;

namespace
{
uint32_t A(uint32_t p)
{
    return p >> 24;
}
uint32_t R(uint32_t p)
{
    return (p >> 16) & 0xFF;
}
uint32_t G(uint32_t p)
{
    return (p >> 8) & 0xFF;
}
uint32_t B(uint32_t p)
{
    return p & 0xFF;
}
uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
{
    return (a << 24) | (r << 16) | (g << 8) | b;
}

void Fill(MemoryImage& img, int w, int h, uint32_t value)
{
    std::vector<uint32_t> px(size_t(w) * size_t(h), value);
    img.SetBits(px.data(), w, h, true);
}

void Load(MemoryImage& img, int w, int h, const std::vector<uint32_t>& px)
{
    img.SetBits(px.data(), w, h, true);
}

std::vector<uint32_t> Pixels(MemoryImage& img)
{
    const uint32_t* p = img.GetBits();
    return std::vector<uint32_t>(p, p + size_t(img.mWidth) * size_t(img.mHeight));
}

// One source pixel blitted onto one destination pixel.
uint32_t BlitOne(uint32_t dest, uint32_t src, const Color& tint, int mode, bool forceGeneral = false,
                 bool srcPartial = false)
{
    MemoryImage d(nullptr), s(nullptr);
    Fill(d, 1, 1, dest);
    if (forceGeneral) d.ForceAlphaFlags(false, true);
    Fill(s, 1, 1, src);
    // The source's has-alpha flag is what the additive rules read; set it as the case asks.
    s.ForceAlphaFlags(A(src) == 0, srcPartial);
    d.Blt(&s, 0, 0, Rect(0, 0, 1, 1), tint, mode);
    return d.GetBits()[0];
}

// Reference arithmetic, written per channel.
void Weights(uint32_t sa, uint32_t da, uint32_t& newA, uint32_t& w)
{
    newA = (255 - da) * sa / 255 + da;
    w = sa * 255 / newA;
}

// Opaque destination, white: red and green keep the sum's fraction, blue drops each part's.
uint32_t RefOntoOpaque(uint32_t d, uint32_t s, uint32_t a)
{
    const uint32_t inv = 256 - a;
    return Pack(255, (R(d) * inv + R(s) * a) >> 8, (G(d) * inv + G(s) * a) >> 8,
                ((B(d) * inv) >> 8) + ((B(s) * a) >> 8));
}

uint32_t RefNormalWhite(uint32_t d, uint32_t s)
{
    if (A(s) == 0) return d;
    uint32_t newA, w;
    Weights(A(s), A(d), newA, w);
    const uint32_t inv = 256 - w;
    return Pack(newA, (R(d) * inv + R(s) * w) >> 8, (G(d) * inv + G(s) * w) >> 8,
                ((B(d) * inv) >> 8) + ((B(s) * w) >> 8));
}

uint32_t RefNormalTinted(uint32_t d, uint32_t s, const Color& c)
{
    const uint32_t sa = A(s) * uint32_t(c.mAlpha) / 255;
    if (sa == 0) return d;
    uint32_t newA, w;
    Weights(sa, A(d), newA, w);
    const uint32_t inv = 256 - w;
    const uint32_t cr = uint32_t(c.mRed), cg = uint32_t(c.mGreen), cb = uint32_t(c.mBlue);
    if (cr == cg && cg == cb)
    {
        const uint32_t rr = (R(s) * cr) >> 8, bb = (B(s) * cr) >> 8;
        return Pack(newA, (rr * w + R(d) * inv) >> 8, (((G(s) * w * cr) >> 8) + G(d) * inv) >> 8,
                    ((bb * w) >> 8) + ((B(d) * inv) >> 8));
    }
    return Pack(newA, (R(s) * w * cr + ((R(d) * inv) << 8)) >> 16, (((G(s) * w * cg) >> 8) + G(d) * inv) >> 8,
                (((B(s) * w * cb) >> 16) + ((B(d) * inv) >> 8)) & 0xFF);
}

uint32_t Sat(uint32_t v)
{
    return std::min<uint32_t>(v, 255);
}

uint32_t RefAdditive(uint32_t d, uint32_t s, const Color& c, bool hasAlpha)
{
    const uint32_t sa = A(s);
    if (c.IsWhite())
    {
        if (!hasAlpha) return Pack(A(d), Sat(R(d) + R(s)), Sat(G(d) + G(s)), Sat(B(d) + B(s)));
        return Pack(A(d), Sat(R(d) + (R(s) * sa >> 8)), Sat(G(d) + (G(s) * sa >> 8)), Sat(B(d) + (B(s) * sa >> 8)));
    }
    const uint32_t kr = uint32_t(c.mRed * c.mAlpha / 255), kg = uint32_t(c.mGreen * c.mAlpha / 255),
                   kb = uint32_t(c.mBlue * c.mAlpha / 255);
    if (!hasAlpha)
        return Pack(A(d), Sat(R(d) + (R(s) * kr >> 8)), Sat(G(d) + (G(s) * kg >> 8)), Sat(B(d) + (B(s) * kb >> 8)));
    return Pack(A(d), Sat(R(d) + (R(s) * kr * sa >> 16)), Sat(G(d) + (G(s) * kg * sa >> 16)),
                Sat(B(d) + (((B(s) * kb) >> 8) * sa >> 8)));
}

const uint32_t kAlphas[] = {0, 1, 128, 254, 255};
const uint32_t kSourceColours[] = {0xFFFFFF, 0x808080, 0xC86432, 0x0A0B0C};
const uint32_t kDestinations[] = {0xFF000000, 0xFFFFFFFF, 0xFF3C5A78, 0x80204060, 0x00000000, 0x01FF00FF};
const Color kTints[] = {Color(255, 255, 255, 255), Color(128, 128, 128, 255), Color(200, 200, 200, 100),
                        Color(255, 128, 0, 255),   Color(30, 200, 90, 180),   Color(0, 0, 0, 0)};
} // namespace

TEST(FillRectTest, Arithmetic)
{
    MemoryImage img(nullptr);
    // Alpha 255 stores the packed colour, alpha included.
    Fill(img, 2, 2, 0x00000000);
    img.FillRect(Rect(0, 0, 2, 2), Color(10, 20, 30), 0);
    EXPECT_EQ(Pixels(img), std::vector<uint32_t>(4, 0xFF0A141Eu));

    struct Case
    {
        uint32_t dest;
        Color c;
    };
    const Case cases[] = {
        {0xFF000000, Color(255, 255, 255, 128)}, {0xFF102030, Color(200, 100, 50, 128)},
        {0x00000000, Color(200, 100, 50, 1)},    {0x80FFFFFF, Color(0, 0, 0, 254)},
        {0x00FFFFFF, Color(10, 10, 10, 0)},      {0xFF102030, Color(0, 0, 0, 0)},
    };
    for (const Case& k : cases)
    {
        Fill(img, 1, 1, k.dest);
        img.FillRect(Rect(0, 0, 1, 1), k.c, 0);
        uint32_t expected = k.dest;
        const uint32_t sa = uint32_t(k.c.mAlpha);
        if (sa != 0)
        {
            uint32_t newA, w;
            Weights(sa, A(k.dest), newA, w);
            auto ch = [&](uint32_t dc, int cc) { return (dc * (256 - w) + uint32_t(cc) * w) >> 8; };
            expected = Pack(newA, ch(R(k.dest), k.c.mRed), ch(G(k.dest), k.c.mGreen), ch(B(k.dest), k.c.mBlue));
        }
        EXPECT_EQ(img.GetBits()[0], expected) << std::hex << k.dest << " alpha " << std::dec << sa;
    }
    // Alpha 128 on an opaque pixel keeps it opaque; alpha 0 leaves even a transparent pixel alone.
    Fill(img, 1, 1, 0xFF000000);
    img.FillRect(Rect(0, 0, 1, 1), Color(255, 255, 255, 128), 0);
    EXPECT_EQ(A(img.GetBits()[0]), 255u);

    // Components outside 0..255 are clamped, not wrapped into other channels.
    Fill(img, 1, 1, 0xFF000000);
    img.FillRect(Rect(0, 0, 1, 1), Color(300, -20, 128, 999), 0);
    EXPECT_EQ(img.GetBits()[0], 0xFFFF0080u);

    // Rectangles reaching off the image are cut to it.
    Fill(img, 2, 2, 0xFF000000);
    img.FillRect(Rect(-5, 1, 100, 100), Color(1, 1, 1), 0);
    EXPECT_EQ(Pixels(img), (std::vector<uint32_t>{0xFF000000, 0xFF000000, 0xFF010101, 0xFF010101}));
    img.ClearRect(Rect(1, -1, 5, 2));
    EXPECT_EQ(Pixels(img), (std::vector<uint32_t>{0xFF000000, 0, 0xFF010101, 0xFF010101}));
}

TEST(BlitTest, NormalBlendTable)
{
    for (uint32_t a : kAlphas)
        for (uint32_t rgb : kSourceColours)
            for (uint32_t dest : kDestinations)
                for (const Color& tint : kTints)
                {
                    const uint32_t src = (a << 24) | rgb;
                    const uint32_t got = BlitOne(dest, src, tint, 0);
                    uint32_t expected;
                    if (!tint.IsWhite())
                        expected = RefNormalTinted(dest, src, tint);
                    else if (A(dest) == 255) // fast path: opaque destination
                        expected = a == 255 ? src : (a == 0 ? dest : RefOntoOpaque(dest, src, a));
                    else
                        expected = RefNormalWhite(dest, src);
                    EXPECT_EQ(got, expected)
                        << std::hex << "src " << src << " dest " << dest << std::dec << " tint " << tint.mRed << ","
                        << tint.mGreen << "," << tint.mBlue << "," << tint.mAlpha;
                }
}

TEST(BlitTest, FastPathAgreesWithGeneralPathOnOpaqueDestinations)
{
    for (uint32_t a : kAlphas)
        for (uint32_t rgb : kSourceColours)
            for (uint32_t dest : {0xFF000000u, 0xFFFFFFFFu, 0xFF3C5A78u})
            {
                const uint32_t src = (a << 24) | rgb;
                const uint32_t fast = BlitOne(dest, src, Color::White, 0, false);
                const uint32_t general = BlitOne(dest, src, Color::White, 0, true);
                EXPECT_EQ(general, RefNormalWhite(dest, src));
                if (a == 255)
                {
                    // The fast path copies; the general one weighs by 255 / 256.
                    EXPECT_EQ(fast, src);
                    for (auto ch : {R, G, B}) EXPECT_LE(ch(fast) - ch(general), 1u);
                }
                else
                {
                    EXPECT_EQ(fast, general) << std::hex << src << " on " << dest;
                }
            }
}

TEST(BlitTest, AdditiveTableAndSaturation)
{
    for (uint32_t a : kAlphas)
        for (uint32_t rgb : kSourceColours)
            for (uint32_t dest : kDestinations)
                for (const Color& tint : kTints)
                    for (bool partial : {false, true})
                    {
                        const uint32_t src = (a << 24) | rgb;
                        EXPECT_EQ(BlitOne(dest, src, tint, 1, false, partial), RefAdditive(dest, src, tint, partial))
                            << std::hex << "src " << src << " dest " << dest << " partial " << partial;
                    }
    // White on white stays white; the destination alpha is kept.
    EXPECT_EQ(BlitOne(0x80FFFFFF, 0xFFFFFFFF, Color::White, 1), 0x80FFFFFFu);
    // An alpha-0 pixel of an image without partial alpha adds its full colour.
    EXPECT_EQ(BlitOne(0xFF101010, 0x00202020, Color::White, 1), 0xFF303030u);
    // Out-of-range tints are clamped before they reach the saturation table.
    EXPECT_EQ(BlitOne(0xFFF0F0F0, 0xFFFFFFFF, Color(5000, 5000, 5000, 5000), 1), 0xFFFFFFFFu);
}

TEST(BlitTest, OtherModesDrawNothingButMarkTheSource)
{
    MemoryImage d(nullptr), s(nullptr);
    Fill(d, 2, 2, 0xFF102030);
    Fill(s, 2, 2, 0xFFFFFFFF);
    d.Blt(&s, 0, 0, Rect(0, 0, 2, 2), Color::White, 2);
    EXPECT_TRUE(s.mDrawn);
    EXPECT_EQ(Pixels(d), std::vector<uint32_t>(4, 0xFF102030u));
    d.Blt(nullptr, 0, 0, Rect(0, 0, 2, 2), Color::White, 0); // a null source is ignored
}

TEST(BlitTest, RunsPathsMatchPixelByPixelBlits)
{
    // A sprite with transparent, opaque and partial runs, longer than 255 pixels per row, drawn with every
    // path onto every kind of destination; the result must equal blitting each pixel on its own.
    const int w = 300, h = 3;
    std::vector<uint32_t> sprite;
    std::mt19937 rng(7);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const int band = (x / 37 + y) % 3;
            const uint32_t a = band == 0 ? 0 : (band == 1 ? 255 : 1 + rng() % 254);
            sprite.push_back((a << 24) | (rng() & 0xFFFFFF));
        }
    std::fill(sprite.begin() + 10, sprite.begin() + 290, 0xFF123456u); // a run beyond 255
    std::vector<uint32_t> dest;
    for (int i = 0; i < w * h; ++i) dest.push_back(0xFF000000 | (rng() & 0xFFFFFF));

    for (const Color& tint : kTints)
        for (int mode : {0, 1})
            for (bool translucentDest : {false, true})
                for (int variant = 0; variant < 3; ++variant)
                {
                    const bool palette = variant == 1;
                    const bool partialAlpha = variant != 2;
                    std::vector<uint32_t> destPx = dest;
                    if (translucentDest)
                        for (size_t i = 0; i < destPx.size(); i += 3) destPx[i] &= 0x7FFFFFFF;
                    std::vector<uint32_t> src = sprite;
                    if (!partialAlpha) // only opaque and transparent pixels: additive adds full colours
                        for (auto& p : src)
                            if (A(p) != 0) p |= 0xFF000000u;
                    if (palette) // few enough colours for a palette, every alpha class kept
                        for (auto& p : src)
                        {
                            const uint32_t a = A(p) == 0 || A(p) == 255 ? A(p) : (0x80 | (A(p) & 0x40));
                            p = (a << 24) | (p & 0xC08080);
                        }
                    MemoryImage s(nullptr), d(nullptr);
                    Load(s, w, h, src);
                    Load(d, w, h, destPx);
                    if (palette)
                    {
                        ASSERT_TRUE(s.ConvertToPalette());
                    }
                    // Offset source rectangle and position: runs must be capped at the rectangle's row end.
                    d.Blt(&s, 3, 1, Rect(5, 0, 280, 2), tint, mode);
                    std::vector<uint32_t> expected = destPx;
                    for (int y = 0; y < 2; ++y)
                        for (int x = 0; x < 280; ++x)
                        {
                            uint32_t& e = expected[size_t(y + 1) * w + size_t(x + 3)];
                            const uint32_t sp = src[size_t(y) * w + size_t(x + 5)];
                            if (mode == 1)
                                e = RefAdditive(e, sp, tint, partialAlpha);
                            else if (!tint.IsWhite())
                                e = RefNormalTinted(e, sp, tint);
                            else if (!translucentDest)
                                e = A(sp) == 255 ? sp : (A(sp) == 0 ? e : RefOntoOpaque(e, sp, A(sp)));
                            else
                                e = RefNormalWhite(e, sp);
                        }
                    EXPECT_EQ(Pixels(d), expected) << "mode " << mode << " tint " << tint.mRed << "," << tint.mGreen
                                                   << " translucent " << translucentDest << " variant " << variant;
                }
}

TEST(BlitTest, PaletteAndPurgedSourcesDrawLikeTheirArgbForm)
{
    std::vector<uint32_t> px;
    for (int i = 0; i < 64; ++i) px.push_back(uint32_t((i * 37) % 256) << 24 | uint32_t(i * 0x030507));
    MemoryImage argb(nullptr), pal(nullptr), purged(nullptr), roundTrip(nullptr);
    Load(argb, 8, 8, px);
    Load(pal, 8, 8, px);
    Load(purged, 8, 8, px);
    ASSERT_TRUE(pal.ConvertToPalette());
    purged.ReleaseBits();
    ASSERT_EQ(purged.mBits, nullptr);
    {
        // What the purged image holds: its pixels after the trip through display data.
        MemoryImage probe(nullptr);
        Load(probe, 8, 8, px);
        probe.ReleaseBits();
        const uint32_t* bits = probe.GetBits();
        Load(roundTrip, 8, 8, std::vector<uint32_t>(bits, bits + 64));
    }

    for (int mode : {0, 1})
        for (const Color& tint : {Color::White, Color(100, 150, 200, 128)})
        {
            MemoryImage a(nullptr), b(nullptr), c(nullptr), e(nullptr);
            for (MemoryImage* d : {&a, &b, &c, &e}) Fill(*d, 10, 10, 0xFF406080);
            a.Blt(&argb, 1, 2, Rect(0, 0, 8, 8), tint, mode);
            b.Blt(&pal, 1, 2, Rect(0, 0, 8, 8), tint, mode);
            c.Blt(&purged, 1, 2, Rect(0, 0, 8, 8), tint, mode);
            e.Blt(&roundTrip, 1, 2, Rect(0, 0, 8, 8), tint, mode);
            EXPECT_EQ(Pixels(a), Pixels(b)) << "palette, mode " << mode;
            EXPECT_EQ(Pixels(c), Pixels(e)) << "purged, mode " << mode;
        }
}

TEST(BlitTest, SourceAndDestinationAreCutToTheImages)
{
    MemoryImage d(nullptr), s(nullptr);
    Fill(d, 4, 4, 0xFF000000);
    Load(s, 2, 2, {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004});
    d.Blt(&s, -1, 3, Rect(0, 0, 2, 2), Color::White, 0);
    const std::vector<uint32_t> cut = Pixels(d);
    EXPECT_EQ(cut[12], 0xFF000002u);
    EXPECT_EQ(std::count(cut.begin(), cut.end(), 0xFF000000u), 15);
    // A source rectangle reaching before the source image only draws the part that exists.
    Fill(d, 4, 4, 0xFF000000);
    d.Blt(&s, 1, 1, Rect(-1, -1, 3, 3), Color::White, 0);
    EXPECT_EQ(Pixels(d)[2 * 4 + 2], 0xFF000001u);
    EXPECT_EQ(Pixels(d)[1 * 4 + 1], 0xFF000000u);
}

TEST(BlitTest, MirroredBlits)
{
    MemoryImage d(nullptr), s(nullptr);
    Load(s, 3, 1, {0xFF000001, 0xFF000002, 0xFF000003});
    Fill(d, 3, 1, 0xFF000000);
    d.BltMirror(&s, 0, 0, Rect(0, 0, 3, 1), Color::White, 0);
    EXPECT_EQ(Pixels(d), (std::vector<uint32_t>{0xFF000003, 0xFF000002, 0xFF000001}));
    // A cut at the destination's left removes columns from the source's right end.
    Fill(d, 3, 1, 0xFF000000);
    d.BltMirror(&s, -1, 0, Rect(0, 0, 3, 1), Color::White, 0);
    EXPECT_EQ(Pixels(d), (std::vector<uint32_t>{0xFF000002, 0xFF000001, 0xFF000000}));

    Fill(d, 6, 1, 0xFF000000);
    d.StretchBltMirror(&s, Rect(0, 0, 6, 1), Rect(0, 0, 3, 1), Rect(0, 0, 6, 1), Color::White, 0, true);
    EXPECT_EQ(Pixels(d),
              (std::vector<uint32_t>{0xFF000003, 0xFF000003, 0xFF000002, 0xFF000002, 0xFF000001, 0xFF000001}));
}

TEST(StretchTest, NearestAndBilinear)
{
    MemoryImage s(nullptr), d(nullptr);
    Load(s, 2, 2, {0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFFFFFFFF});
    // Nearest doubles every pixel.
    Fill(d, 4, 4, 0xFF000000);
    d.StretchBlt(&s, Rect(0, 0, 4, 4), Rect(0, 0, 2, 2), Rect(0, 0, 4, 4), Color::White, 0, true);
    const std::vector<uint32_t> px = Pixels(d);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(px[size_t(y * 4 + x)], s.GetBits()[(y / 2) * 2 + x / 2]);

    // Bilinear at 1:1 is an exact copy.
    Fill(d, 2, 2, 0xFF000000);
    d.StretchBlt(&s, Rect(0, 0, 2, 2), Rect(0, 0, 2, 2), Rect(0, 0, 2, 2), Color::White, 0, false);
    EXPECT_EQ(Pixels(d), Pixels(s));

    // Bilinear upscale blends neighbours in the middle and keeps the corners.
    Fill(d, 4, 1, 0xFF000000);
    MemoryImage ramp(nullptr);
    Load(ramp, 2, 1, {0xFF000000, 0xFF0000FF});
    d.StretchBlt(&ramp, Rect(0, 0, 4, 1), Rect(0, 0, 2, 1), Rect(0, 0, 4, 1), Color::White, 0, false);
    EXPECT_EQ(B(Pixels(d)[0]), 0u);
    EXPECT_EQ(B(Pixels(d)[3]), 255u);
    EXPECT_NEAR(double(B(Pixels(d)[1])), 64.0, 1.0);
    EXPECT_NEAR(double(B(Pixels(d)[2])), 191.0, 1.0);

    // Only the clip is written.
    Fill(d, 4, 4, 0xFF000000);
    d.StretchBlt(&s, Rect(0, 0, 4, 4), Rect(0, 0, 2, 2), Rect(1, 1, 2, 2), Color::White, 0, true);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
        {
            if (x < 1 || x > 2 || y < 1 || y > 2)
            {
                EXPECT_EQ(Pixels(d)[size_t(y * 4 + x)], 0xFF000000u);
            }
        }
}

TEST(StretchTest, SamplesStayInsideTheSourceRectangle)
{
    // A 2x2 red centre framed by green: however it is stretched, no green may bleed in.
    MemoryImage s(nullptr), d(nullptr);
    std::vector<uint32_t> px(16, 0xFF00FF00);
    for (int i : {5, 6, 9, 10}) px[size_t(i)] = 0xFFFF0000;
    Load(s, 4, 4, px);
    for (bool fast : {false, true})
        for (int size : {1, 3, 7, 16})
        {
            Fill(d, size, size, 0xFF000000);
            d.StretchBlt(&s, Rect(0, 0, size, size), Rect(1, 1, 2, 2), Rect(0, 0, size, size), Color::White, 0, fast);
            for (uint32_t p : Pixels(d)) EXPECT_EQ(p, 0xFFFF0000u) << "size " << size << " fast " << fast;
        }
}

TEST(RotatedBlitTest, GeometryKeepsSamplesInsideTheSource)
{
    // Whatever the angle and position, every pixel of every span reads its 2x2 samples inside the source
    // rectangle, and stays inside the clip.
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> angle(-7.0, 7.0);
    std::uniform_real_distribution<float> pos(-20.0f, 60.0f);
    const Rect clip(0, 0, 64, 48);
    int drawn = 0;
    for (int n = 0; n < 400; ++n)
    {
        const Rect src(0, 0, 2 + int(rng() % 30), 2 + int(rng() % 30));
        const float cx = float(src.mWidth) / 2, cy = float(src.mHeight) / 2;
        const double a = (n % 8 == 0) ? (n % 16 == 0 ? 0.0 : M_PI / 2) : angle(rng);
        RotatedBlitWalker walker;
        if (!walker.Begin(pos(rng), pos(rng), src, clip, a, cx, cy)) continue;
        RotatedSpan span;
        for (int r = 0; r < walker.GetRowCount(); ++r)
        {
            if (!walker.GetRow(r, span)) continue;
            ASSERT_GE(span.mDestX, clip.mX);
            ASSERT_LE(span.mDestX + span.mCount, clip.mX + clip.mWidth);
            ASSERT_GE(span.mDestY, clip.mY);
            ASSERT_LT(span.mDestY, clip.mY + clip.mHeight);
            for (int i = 0; i < span.mCount; ++i)
            {
                const int64_t u = int64_t(span.mU) + int64_t(i) * walker.GetStepU();
                const int64_t v = int64_t(span.mV) + int64_t(i) * walker.GetStepV();
                ASSERT_GE(u >> 16, 0);
                ASSERT_LE(u >> 16, src.mWidth - 2) << "angle " << a;
                ASSERT_GE(v >> 16, 0);
                ASSERT_LE(v >> 16, src.mHeight - 2) << "angle " << a;
                ++drawn;
            }
        }
    }
    EXPECT_GT(drawn, 10000);
}

TEST(RotatedBlitTest, AngleZeroAndQuarterTurns)
{
    // Opaque source at a whole-number position: fu = fv = 1, so s00 dominates and the destination shows
    // through by 2/256. The span cut keeps u in [1, W - 2] while u grows (and v in [0, H - 2] while it
    // stands still), so of a 4x4 source columns 1-2 and rows 0-2 are drawn as s00.
    MemoryImage s(nullptr), d(nullptr);
    std::vector<uint32_t> px;
    for (int i = 0; i < 16; ++i) px.push_back(0xFF000000u | uint32_t(i * 16));
    Load(s, 4, 4, px);
    Fill(d, 8, 8, 0xFF000000);
    d.BltFloat(&s, 2, 2, Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), Color::White, 0);
    std::vector<uint32_t> out = Pixels(d);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
        {
            const bool covered = x >= 3 && x < 5 && y >= 2 && y < 5;
            if (!covered)
            {
                EXPECT_EQ(out[size_t(y * 8 + x)], 0xFF000000u) << x << "," << y;
                continue;
            }
            const uint32_t want = px[size_t((y - 2) * 4 + (x - 2))] & 0xFF;
            EXPECT_NEAR(double(B(out[size_t(y * 8 + x)])), double(want) * 254 / 256, 1.0) << x << "," << y;
        }

    // Half a pixel to the right: each pixel is the mean of two source neighbours.
    Fill(d, 8, 8, 0xFF000000);
    d.BltFloat(&s, 2.5f, 2, Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), Color::White, 0);
    out = Pixels(d);
    EXPECT_NEAR(double(B(out[2 * 8 + 3])), (0 + 16) / 2.0, 1.5);
    EXPECT_NEAR(double(B(out[2 * 8 + 4])), (16 + 32) / 2.0, 1.5);

    // A quarter turn about the centre (anticlockwise on screen) takes the source's left columns to the
    // bottom rows.
    MemoryImage bar(nullptr);
    std::vector<uint32_t> barPx(64, 0xFF000000);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 3; ++x) barPx[size_t(y * 8 + x)] = 0xFFFFFFFF;
    Load(bar, 8, 8, barPx);
    Fill(d, 30, 30, 0xFF000000);
    d.BltRotated(&bar, 10, 10, Rect(0, 0, 8, 8), Rect(0, 0, 30, 30), Color::White, 0, M_PI / 2, 4, 4);
    out = Pixels(d);
    for (int x = 11; x <= 16; ++x)
    {
        EXPECT_GT(B(out[size_t(17 * 30 + x)]), 200u) << x;
        EXPECT_GT(B(out[size_t(16 * 30 + x)]), 200u) << x;
        EXPECT_EQ(B(out[size_t(12 * 30 + x)]), 0u) << x;
    }
    for (int y = 10; y <= 15; ++y) EXPECT_EQ(B(out[size_t(y * 30 + 11)]), 0u) << y;
}

TEST(RotatedBlitTest, TintAndAdditive)
{
    MemoryImage s(nullptr), d(nullptr);
    Fill(s, 4, 4, 0xFFFFFFFF);
    // Tint alpha 0 leaves the destination unchanged; additive at full white saturates, never wraps.
    Fill(d, 6, 6, 0xFF102030);
    d.BltRotated(&s, 1, 1, Rect(0, 0, 4, 4), Rect(0, 0, 6, 6), Color(255, 0, 0, 0), 0, 0.3, 2, 2);
    EXPECT_EQ(Pixels(d), std::vector<uint32_t>(36, 0xFF102030u));
    Fill(d, 6, 6, 0xFFF0F0F0);
    d.BltRotated(&s, 1, 1, Rect(0, 0, 4, 4), Rect(0, 0, 6, 6), Color::White, 1, 0.3, 2, 2);
    for (uint32_t p : Pixels(d)) EXPECT_GE(B(p), 0xF0u);
    const std::vector<uint32_t> added = Pixels(d);
    EXPECT_EQ(B(*std::max_element(added.begin(), added.end())), 255u);
    // A rectangle reaching off the source draws nothing.
    Fill(d, 6, 6, 0xFF000000);
    d.BltRotated(&s, 1, 1, Rect(-1, 0, 4, 4), Rect(0, 0, 6, 6), Color::White, 0, 0.3, 2, 2);
    EXPECT_EQ(Pixels(d), std::vector<uint32_t>(36, 0xFF000000u));
}

TEST(LineTest, SteppersAndStraightLines)
{
    MemoryImage d(nullptr);
    Fill(d, 5, 5, 0xFF000000);
    d.DrawLine(4.9, 1.2, 0.0, 1.7, Color(255, 255, 255), 0); // truncated to a horizontal line
    for (int x = 0; x < 5; ++x) EXPECT_EQ(Pixels(d)[size_t(5 + x)], 0xFFFFFFFFu);

    // A diagonal from the first end point covers both ends and one pixel per column.
    Fill(d, 5, 5, 0xFF000000);
    d.DrawLine(0, 0, 4, 2, Color(255, 0, 0), 0);
    std::vector<uint32_t> px = Pixels(d);
    EXPECT_EQ(px[0], 0xFFFF0000u);
    EXPECT_EQ(px[2 * 5 + 4], 0xFFFF0000u);
    for (int x = 0; x < 5; ++x)
    {
        int hits = 0;
        for (int y = 0; y < 5; ++y) hits += px[size_t(y * 5 + x)] == 0xFFFF0000u;
        EXPECT_EQ(hits, 1) << "column " << x;
    }

    // Additive lines saturate and keep the destination alpha; other modes draw nothing.
    Fill(d, 5, 5, 0x80F0F0F0);
    d.DrawLine(0, 0, 4, 4, Color(100, 0, 0), 1);
    EXPECT_EQ(Pixels(d)[0], 0x80FFF0F0u);
    Fill(d, 5, 5, 0xFF000000);
    d.DrawLine(0, 0, 4, 4, Color(100, 0, 0), 7);
    EXPECT_EQ(Pixels(d), std::vector<uint32_t>(25, 0xFF000000u));

    // Lines leaving the image are cut to it: the part inside is drawn where the whole line lies (y = x / 2
    // here, one pixel per column), nothing is drawn outside, and far-away end points neither wrap nor crash.
    Fill(d, 5, 5, 0xFF000000);
    d.DrawLine(-100, -50, 200, 100, Color(1, 2, 3), 0);
    px = Pixels(d);
    for (int x = 0; x < 5; ++x)
        for (int y = 0; y < 5; ++y)
        {
            const bool lit = px[size_t(y * 5 + x)] == 0xFF010203u;
            if (std::abs(2 * y - x) > 1)
            {
                EXPECT_FALSE(lit) << x << "," << y;
            }
        }
    for (int x = 0; x < 5; ++x)
    {
        int hits = 0;
        for (int y = 0; y < 5; ++y) hits += px[size_t(y * 5 + x)] == 0xFF010203u;
        EXPECT_EQ(hits, 1) << "column " << x;
    }
    Fill(d, 5, 5, 0xFF000000);
    d.DrawLineAntiAliased(-1e12, 3, 1e12, 400, Color(1, 2, 3), 0); // passes far below the image
    EXPECT_EQ(Pixels(d), std::vector<uint32_t>(25, 0xFF000000u));
    d.DrawLineAntiAliased(-1e12, 2, 1e12, 2, Color(1, 2, 3), 0);
    px = Pixels(d);
    for (int i = 0; i < 25; ++i) EXPECT_EQ(px[size_t(i)], i / 5 == 2 ? 0xFF010203u : 0xFF000000u) << i;

    // The anti-aliased stepper puts the whole colour on pixels the line passes through the centre of and
    // shares it between two pixels elsewhere.
    Fill(d, 5, 5, 0xFF000000);
    d.DrawLineAntiAliased(0, 0, 4, 2, Color(255, 255, 255), 0);
    px = Pixels(d);
    EXPECT_EQ(px[0], 0xFFFFFFFFu);
    EXPECT_EQ(px[2 * 5 + 4], 0xFFFFFFFFu);
    EXPECT_NEAR(double(B(px[0 * 5 + 1])) + double(B(px[1 * 5 + 1])), 255.0, 4.0);
}

namespace
{
// Source words whose alphas come in stretches of one class (clear, opaque, partial) of random length, as sprite
// rows do, so vector groups see all-clear, all-opaque and mixed contents.
std::vector<uint32_t> SpritePixels(std::mt19937& rng, size_t count, bool partial)
{
    std::vector<uint32_t> px;
    while (px.size() < count)
    {
        const uint32_t kind = rng() % 4, length = 1 + rng() % 20;
        for (uint32_t k = 0; k < length && px.size() < count; ++k)
        {
            uint32_t a = kind == 0 ? 0 : (kind == 1 ? 255 : (kind == 2 ? 1 + rng() % 254 : rng() % 256));
            if (!partial && a != 0) a = 255;
            px.push_back((a << 24) | (rng() & 0xFFFFFF));
        }
    }
    return px;
}

// The kernels' rules, pixel by pixel.
uint32_t RefSpan(int kernel, uint32_t d, uint32_t s)
{
    if (kernel == 0) return A(s) == 255 ? s : (A(s) == 0 ? d : RefOntoOpaque(d, s, A(s)));
    return RefAdditive(d, s, Color::White, kernel == 1);
}

// Restores the blitters' choice of kernels when a test ends.
struct IsaScope
{
    SpanIsa previous;
    explicit IsaScope(SpanIsa isa) : previous(SetSpanIsa(isa)) {}
    ~IsaScope() { SetSpanIsa(previous); }
};

const SpanIsa kIsas[] = {SpanIsa::Scalar, SpanIsa::Sse2, SpanIsa::Avx2};
} // namespace

TEST(BlitTest, EverySpanKernelMatchesThePixelRules)
{
    // Every length up to a few vector groups, at every word offset (unaligned starts), onto destinations of
    // every alpha (a stale opaque flag must not change an alpha-0 source pixel's destination).
    MemoryImage host(nullptr);
    const uint8_t* sat = host.GetSaturationTable();
    std::mt19937 rng(2024);
    int checked = 0;
    for (SpanIsa isa : kIsas)
    {
        if (!SpanIsaAvailable(isa)) continue;
        const SpanKernels& k = SpanKernelsFor(isa);
        const SpanFn fns[] = {k.ontoOpaque, k.addWeighted, k.addFull};
        for (int kernel = 0; kernel < 3; ++kernel)
            for (int n = 0; n <= 41; ++n)
                for (int offset = 0; offset < 4; ++offset)
                {
                    const std::vector<uint32_t> src = SpritePixels(rng, size_t(n + offset), kernel != 2);
                    std::vector<uint32_t> dest;
                    for (int i = 0; i < n + offset; ++i) dest.push_back(rng() % 3 == 0 ? rng() : (rng() | 0xFF000000u));
                    std::vector<uint32_t> expected = dest;
                    for (int i = offset; i < n + offset; ++i)
                        expected[size_t(i)] = RefSpan(kernel, dest[size_t(i)], src[size_t(i)]);
                    fns[kernel](dest.data() + offset, src.data() + offset, n, sat);
                    ASSERT_EQ(dest, expected)
                        << "isa " << int(isa) << " kernel " << kernel << " n " << n << " offset " << offset;
                    ++checked;
                }
    }
    EXPECT_GE(checked, 3 * 42 * 4 * 2); // the per-pixel and SSE2 forms at least
}

TEST(BlitTest, BlendOntoOpaqueKernelsMatchTheRuleForEveryAlphaAndChannelValue)
{
    // The vector forms blend a group holding clear, opaque and partial pixels in one go, weighing alpha 255 as 256:
    // every source alpha, beside a partial neighbour so that no group is copied or skipped whole, over every source
    // channel value in every channel, against destinations of spread channel values and stale alpha bytes.
    const uint32_t destValues[] = {0, 1, 2, 63, 64, 127, 128, 129, 191, 192, 253, 254, 255};
    for (SpanIsa isa : {SpanIsa::Sse2, SpanIsa::Avx2})
    {
        if (!SpanIsaAvailable(isa)) continue;
        const SpanFn kernel = SpanKernelsFor(isa).ontoOpaque;
        for (uint32_t a = 0; a < 256; ++a)
            for (uint32_t dv : destValues)
            {
                std::vector<uint32_t> src, dest;
                for (uint32_t c = 0; c < 256; ++c)
                {
                    const uint32_t alpha = c % 2 ? 1 + c % 254 : a;
                    src.push_back(alpha << 24 | c << 16 | ((c + 85) & 0xFF) << 8 | ((c + 170) & 0xFF));
                    dest.push_back(((c * 37) & 0xFF) << 24 | dv << 16 | ((dv + c) & 0xFF) << 8 | (255 - dv));
                }
                std::vector<uint32_t> expected(dest.size());
                for (size_t i = 0; i < dest.size(); ++i) expected[i] = RefSpan(0, dest[i], src[i]);
                kernel(dest.data(), src.data(), int(src.size()), nullptr);
                ASSERT_EQ(dest, expected) << "isa " << int(isa) << " alpha " << a << " destination " << dv;
            }
    }
}

TEST(BlitTest, EveryKernelChoiceMatchesTheFormulaOnRandomBlits)
{
    // Random sprites of odd sizes blitted plainly and mirrored, at positions and source rectangles reaching off
    // both images, in both modes, with white and other tints, from ARGB and palette sources, onto opaque,
    // translucent and stale-flagged destinations; every kernel choice must give the per-pixel formula's result.
    std::mt19937 rng(99);
    const Color tints[] = {Color::White, Color(128, 128, 128, 200), Color(255, 100, 30, 255)};
    for (int round = 0; round < 48; ++round)
    {
        const int sw = 1 + int(rng() % 37), sh = 1 + int(rng() % 5);
        const int dw = 1 + int(rng() % 45), dh = 1 + int(rng() % 7);
        const bool partial = round % 4 != 3;
        const bool palette = round % 6 == 5;
        std::vector<uint32_t> src = SpritePixels(rng, size_t(sw) * size_t(sh), partial);
        if (palette)
            for (uint32_t& p : src) p = (A(p) == 0 || A(p) == 255 ? p & 0xFFC0C0C0 : (0x80C0C0C0 & p));
        const int destKind = round % 3; // 0 opaque, 1 translucent, 2 opaque flags over a partly cleared image
        std::vector<uint32_t> dest;
        for (int i = 0; i < dw * dh; ++i) dest.push_back((destKind == 1 && i % 4 == 0 ? rng() : (rng() | 0xFF000000u)));
        const Rect srcRect(int(rng() % 7) - 3, int(rng() % 3) - 1, 1 + int(rng() % 40), 1 + int(rng() % 6));
        const int x = int(rng() % 21) - 8, y = int(rng() % 5) - 2;

        for (const Color& tint : tints)
            for (int mode : {0, 1})
                for (bool mirror : {false, true})
                {
                    std::vector<std::vector<uint32_t>> results;
                    for (SpanIsa isa : kIsas)
                    {
                        IsaScope scope(isa);
                        MemoryImage s(nullptr), d(nullptr);
                        Load(s, sw, sh, src);
                        if (palette)
                        {
                            ASSERT_TRUE(s.ConvertToPalette());
                        }
                        Load(d, dw, dh, dest);
                        if (destKind == 2) d.ClearRect(Rect(0, 0, dw / 2 + 1, dh));
                        std::vector<uint32_t> expected = Pixels(d);
                        const bool opaqueFlags = !d.mHasTransparency && !d.mHasAlpha;
                        s.UpdateAlphaFlags();
                        const bool srcHasAlpha = s.mHasAlpha;
                        for (int j = 0; j < srcRect.mHeight; ++j)
                            for (int i = 0; i < srcRect.mWidth; ++i)
                            {
                                const int sx = mirror ? srcRect.mX + srcRect.mWidth - 1 - i : srcRect.mX + i;
                                const int sy = srcRect.mY + j, dx = x + i, dy = y + j;
                                if (sx < 0 || sy < 0 || sx >= sw || sy >= sh || dx < 0 || dy < 0 || dx >= dw ||
                                    dy >= dh)
                                    continue;
                                const uint32_t sp = src[size_t(sy) * size_t(sw) + size_t(sx)];
                                uint32_t& e = expected[size_t(dy) * size_t(dw) + size_t(dx)];
                                if (mode == 1)
                                    e = RefAdditive(e, sp, tint, srcHasAlpha);
                                else if (!tint.IsWhite())
                                    e = RefNormalTinted(e, sp, tint);
                                else if (opaqueFlags)
                                    e = RefSpan(0, e, sp);
                                else
                                    e = RefNormalWhite(e, sp);
                            }
                        if (mirror)
                            d.BltMirror(&s, x, y, srcRect, tint, mode);
                        else
                            d.Blt(&s, x, y, srcRect, tint, mode);
                        ASSERT_EQ(Pixels(d), expected) << "round " << round << " isa " << int(isa) << " mode " << mode
                                                       << " mirror " << mirror << " tint " << tint.mRed << ","
                                                       << tint.mGreen << "," << tint.mAlpha << " dest " << destKind;
                    }
                }
    }
}

TEST(BlitTest, AdditiveBlitsFollowTheSourceThroughEveryChange)
{
    // A white additive blit of a picture with partial alpha adds terms kept with the source: after the source's
    // pixels change in place, or are replaced whole, the next blit must add the new pixels, at every form.
    std::mt19937 rng(7);
    const int w = 13, h = 3;
    const auto picture = [&]
    {
        std::vector<uint32_t> px(size_t(w) * h);
        for (size_t i = 0; i < px.size(); ++i) px[i] = uint32_t(i * 37 % 256) << 24 | (rng() & 0xFFFFFF);
        return px;
    };
    for (SpanIsa isa : kIsas)
    {
        IsaScope scope(isa);
        MemoryImage s(nullptr);
        Load(s, w, h, picture());
        const std::vector<uint32_t> dest = SpritePixels(rng, size_t(w) * h, false);
        for (int change = 0; change < 3; ++change)
        {
            if (change == 1)
            {
                uint32_t* bits = s.GetBits();
                for (int i = 0; i < w * h; i += 2) bits[i] = 0x80FFFFFF ^ uint32_t(i * 0x10305);
                s.BitsChanged();
            }
            else if (change == 2)
            {
                Load(s, w, h, picture());
            }
            const std::vector<uint32_t> src = Pixels(s);
            s.UpdateAlphaFlags();
            ASSERT_TRUE(s.mHasAlpha);
            MemoryImage d(nullptr);
            Load(d, w, h, dest);
            d.Blt(&s, 0, 0, Rect(0, 0, w, h), Color::White, DRAWMODE_ADDITIVE);
            std::vector<uint32_t> expected = dest;
            for (size_t i = 0; i < expected.size(); ++i)
                expected[i] = RefAdditive(expected[i], src[i], Color::White, true);
            EXPECT_EQ(Pixels(d), expected) << "isa " << int(isa) << " change " << change;
        }
    }
}
