// Tests of surface images: surface life cycle and colour keys, and the software fills, lines and blits in 5-6-5,
// 5-5-5, X8R8G8B8 and X8B8G8R8 against high-precision references.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "DisplayFixture.h"
#include "base/Common.h"
#include "graphics/BlendSpans.h"

using namespace Zest;
using namespace Platform;
using ZestTest::Display;
using ZestTest::Format;

namespace
{

const Format kFormats[] = {Format::Rgb565, Format::Rgb555, Format::Xrgb8888, Format::Xbgr8888};

// A plain (opaque) surface image filled with one colour.
std::unique_ptr<DDImage> SurfaceImage(Display& d, int w, int h, uint32_t argb)
{
    auto image = std::make_unique<DDImage>(d.device.get());
    std::vector<uint32_t> px(size_t(w) * size_t(h), argb);
    image->SetBits(px.data(), w, h);
    EXPECT_TRUE(image->CreateSurfaceFromBits());
    return image;
}

uint32_t Raw(DDImage& image, int x, int y)
{
    EXPECT_TRUE(image.LockSurface());
    const DDSURFACEDESC2& l = image.mLockDesc;
    uint32_t v;
    if (l.ddpfPixelFormat.dwRGBBitCount == 16)
        v = static_cast<uint16_t*>(l.lpSurface)[y * (l.lPitch / 2) + x];
    else
        v = static_cast<uint32_t*>(l.lpSurface)[y * (l.lPitch / 4) + x];
    image.UnlockSurface();
    return v;
}

// A surface pixel's channel values (red, green, blue) in their own widths.
struct Channels
{
    int c[3];
};
Channels Split(const DDInterface& d, uint32_t p)
{
    return {{int((p & uint32_t(d.mRedMask)) >> d.mRedShift), int((p & uint32_t(d.mGreenMask)) >> d.mGreenShift),
             int((p & uint32_t(d.mBlueMask)) >> d.mBlueShift)}};
}
int Max(const DDInterface& d, int ch)
{
    const int w = ch == 0 ? d.mRedWidth : (ch == 1 ? d.mGreenWidth : d.mBlueWidth);
    return (1 << w) - 1;
}
// An 8-bit value in a channel's width, as packing does it (top bits).
int Narrow(const DDInterface& d, int ch, int v8)
{
    const int w = ch == 0 ? d.mRedWidth : (ch == 1 ? d.mGreenWidth : d.mBlueWidth);
    return v8 >> (8 - w);
}
int Comp(uint32_t argb, int ch)
{
    return int((argb >> (16 - 8 * ch)) & 0xFF);
}

// How far, in steps of channel ch, a blended blit may land from the exact mix. The source reaches the blit
// premultiplied as c x (a + 1) >> 8 and cut to the channel width, so it already sits up to a step below or (nearly)
// above the exact c x a / 255, and the result adds half a step of rounding. 32 bits mix with the exact destination
// weight and round once: over every source, alpha and destination value the worst case is 1.49 steps. 16 bits scale
// the source by the tint's 5-bit factor k >> 3 (white keeps only 31/32 of it) and the destination by
// (256 - alpha) >> 3 (up to 7/256 short), and cut both products down: every loss goes the same way, and over every
// source, alpha, grey tint and destination the worst case is 5.50 steps of a 6-bit channel and 3.70 of a 5-bit one.
double BlendBound(const DDInterface& d, int ch)
{
    if (d.mBitsPerPixel == 32) return 1.5;
    const int width = ch == 0 ? d.mRedWidth : (ch == 1 ? d.mGreenWidth : d.mBlueWidth);
    return width == 6 ? 5.51 : 3.71;
}

TEST(DDImageTest, FillsInEveryFormat)
{
    for (Format f : kFormats)
    {
        SCOPED_TRACE(ZestTest::FormatName(f));
        Display d(f);
        ASSERT_EQ(d.result, 0);
        const DDInterface& dd = *d.device;
        auto image = SurfaceImage(d, 8, 4, 0xFF336699);
        const uint32_t before = Raw(*image, 1, 1);

        image->FillRect(Rect(0, 0, 2, 2), Color(255, 255, 255), 0);
        const uint32_t white = Raw(*image, 1, 1);
        const uint32_t expectedWhite =
            dd.mBitsPerPixel == 16 ? uint32_t(dd.mRedMask | dd.mGreenMask | dd.mBlueMask) : 0xFEFEFEu;
        EXPECT_EQ(white, expectedWhite); // 0xFFFF in 5-6-5; 32 bits keep c x 255 / 256
        EXPECT_EQ(Raw(*image, 2, 1), before) << "nothing outside the rectangle";

        image->FillRect(Rect(2, 0, 2, 2), Color(10, 200, 30, 0), 0);
        EXPECT_EQ(Raw(*image, 3, 1), before) << "alpha 0 leaves the pixel";

        image->FillRect(Rect(4, 0, 2, 2), Color(255, 255, 255, 255), 1);
        const Channels sat = Split(dd, Raw(*image, 4, 1));
        for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(sat.c[ch], Max(dd, ch)) << "additive white saturates " << ch;

        // A blended fill stays within one step of the exact mix in every channel.
        const Color colour(200, 50, 120, 100);
        image->FillRect(Rect(6, 0, 2, 2), colour, 0);
        const Channels got = Split(dd, Raw(*image, 6, 1)), old = Split(dd, before);
        const int comps[3] = {200, 50, 120};
        for (int ch = 0; ch < 3; ++ch)
        {
            const double exact = old.c[ch] * (1 - 100 / 255.0) + comps[ch] / 255.0 * Max(dd, ch) * (100 / 255.0);
            // The fill formula truncates twice (destination and colour part), each by less than a step.
            EXPECT_NEAR(got.c[ch], exact, 2.0) << ch;
        }
    }
}

TEST(DDImageTest, PartlyTransparentFillsAgreeInEveryForm)
{
    // Fills go several pixels at a time where the instruction set allows; every form must give the per-pixel
    // result, over any background, at any width (tails of every length) and alpha.
    const SpanIsa isas[] = {SpanIsa::Scalar, SpanIsa::Sse2, SpanIsa::Avx2};
    for (Format f : kFormats)
    {
        SCOPED_TRACE(ZestTest::FormatName(f));
        Display d(f);
        ASSERT_EQ(d.result, 0);
        std::mt19937 rng(13);
        std::vector<uint32_t> background(24 * 6);
        for (uint32_t& p : background) p = 0xFF000000u | (rng() & 0xFFFFFF);
        for (int round = 0; round < 20; ++round)
        {
            const Rect r(int(rng() % 6) - 2, int(rng() % 4) - 1, 1 + int(rng() % 22), 1 + int(rng() % 5));
            const Color colour(int(rng() % 256), int(rng() % 256), int(rng() % 256), 1 + int(rng() % 254));
            std::vector<uint32_t> results[3];
            for (int k = 0; k < 3; ++k)
            {
                if (!SpanIsaAvailable(isas[k])) continue;
                const SpanIsa previous = SetSpanIsa(isas[k]);
                DDImage image(d.device.get());
                image.SetBits(background.data(), 24, 6);
                ASSERT_TRUE(image.CreateSurfaceFromBits());
                image.FillRect(r, colour, 0);
                SetSpanIsa(previous);
                for (int y = 0; y < 6; ++y)
                    for (int x = 0; x < 24; ++x) results[k].push_back(Raw(image, x, y));
            }
            for (int k = 1; k < 3; ++k)
            {
                if (results[k].empty()) continue;
                ASSERT_EQ(results[k], results[0]) << "round " << round << " form " << k;
            }
        }
    }
}

TEST(DDImageTest, BlendedAndTintedBlitsMatchTheExactMix)
{
    const Color tints[] = {Color::White, Color(128, 128, 128, 255), Color(255, 255, 255, 160),
                           Color(255, 120, 40, 200)};
    for (Format f : kFormats)
    {
        Display d(f);
        ASSERT_EQ(d.result, 0);
        const DDInterface& dd = *d.device;
        // Every alpha 0..255 once, with varied colours, over a varied opaque background.
        std::mt19937 rng(7);
        std::vector<uint32_t> src(256), dst(256);
        for (int i = 0; i < 256; ++i)
        {
            src[size_t(i)] = uint32_t(i) << 24 | (rng() & 0xFFFFFF);
            dst[size_t(i)] = 0xFF000000u | (rng() & 0xFFFFFF);
        }
        MemoryImage source(nullptr);
        source.SetBits(src.data(), 16, 16);
        for (const Color& tint : tints)
        {
            SCOPED_TRACE(std::string(ZestTest::FormatName(f)) + " tint " + std::to_string(tint.ToInt()));
            DDImage dest(d.device.get());
            dest.SetBits(dst.data(), 16, 16);
            ASSERT_TRUE(dest.CreateSurfaceFromBits());
            std::vector<uint32_t> before(256);
            for (int i = 0; i < 256; ++i) before[size_t(i)] = Raw(dest, i % 16, i / 16);
            dest.Blt(&source, 0, 0, Rect(0, 0, 16, 16), tint, 0);
            for (int i = 0; i < 256; ++i)
            {
                const uint32_t s = src[size_t(i)];
                const double a = (s >> 24) / 255.0 * tint.mAlpha / 255.0;
                const Channels old = Split(dd, before[size_t(i)]), got = Split(dd, Raw(dest, i % 16, i / 16));
                const int tintComp[3] = {tint.mRed, tint.mGreen, tint.mBlue};
                for (int ch = 0; ch < 3; ++ch)
                {
                    const double srcValue = Comp(s, ch) / 255.0 * tintComp[ch] / 255.0 * Max(dd, ch);
                    const double exact = srcValue * a + old.c[ch] * (1 - a);
                    const double diff = std::abs(got.c[ch] - exact);
                    EXPECT_LE(diff, BlendBound(dd, ch)) << "alpha " << (s >> 24) << " channel " << ch;
                }
            }
        }
    }
}

// The 16-bit grey blend written out directly: source s (display format, alpha on top) and destination d spread into
// one word with green in the high half, scaled by the 5-bit factors k >> 3 and (256 - alpha x a / 255) >> 3, each
// part shifted down by 5 and masked, added and folded back.
uint32_t SpreadGreyBlend(uint32_t s, uint32_t d, uint32_t greenMask, const Color& tint)
{
    const uint32_t sa = s >> 24, a = uint32_t(tint.mAlpha), k = uint32_t(tint.mRed) * a / 255;
    if (sa == 0) return d;
    if (sa == 255 && tint.IsWhite()) return s & (greenMask == 0x07E0 ? 0xFFFFu : 0x7FFFu);
    const uint32_t mask = greenMask == 0x07E0 ? 0x07E0F81Fu : 0x03E07C1Fu;
    auto spread = [&](uint32_t p) { return ((p & greenMask) << 16 | (p & ~greenMask & 0xFFFF)) & mask; };
    const uint32_t t =
        (((spread(s) * (k >> 3)) >> 5) & mask) + (((spread(d) * ((256 - sa * a / 255) >> 3)) >> 5) & mask);
    return (t | t >> 16) & 0xFFFF;
}

TEST(DDImageTest, SixteenBitGreyBlendsAreTheSpreadFormulaExactly)
{
    const Color tints[] = {Color::White, Color(128, 128, 128, 255), Color(255, 255, 255, 160), Color(200, 200, 200, 77),
                           Color(9, 9, 9, 255)};
    for (Format f : {Format::Rgb565, Format::Rgb555})
    {
        Display d(f);
        ASSERT_EQ(d.result, 0);
        const uint32_t greenMask = uint32_t(d.device->mGreenMask);
        std::mt19937 rng(23);
        const int w = 29, h = 9;
        std::vector<uint32_t> src(size_t(w) * size_t(h)), dst(src.size());
        for (size_t i = 0; i < src.size(); ++i)
        {
            const uint32_t kind = rng() % 4; // transparent, opaque, partial, partial
            const uint32_t alpha = kind == 0 ? 0 : (kind == 1 ? 255 : rng() & 0xFF);
            src[i] = alpha << 24 | (rng() & 0xFFFFFF);
            dst[i] = 0xFF000000u | (rng() & 0xFFFFFF);
        }
        MemoryImage source(nullptr);
        source.SetBits(src.data(), w, h);
        const uint32_t* display = source.GetDisplayAlphaData(d.device.get());
        for (const Color& tint : tints)
            for (bool mirror : {false, true})
                for (bool vector : {false, true})
                {
                    SCOPED_TRACE(FormatString("%s tint %08x mirror %d vector %d", ZestTest::FormatName(f),
                                              unsigned(tint.ToInt()), int(mirror), int(vector)));
                    DDImage::sVectorSpans = vector;
                    DDImage dest(d.device.get());
                    dest.SetBits(dst.data(), w, h);
                    ASSERT_TRUE(dest.CreateSurfaceFromBits());
                    std::vector<uint32_t> before(src.size());
                    for (size_t i = 0; i < src.size(); ++i) before[i] = Raw(dest, int(i) % w, int(i) / w);
                    if (mirror)
                        dest.BltMirror(&source, 0, 0, Rect(0, 0, w, h), tint, 0);
                    else
                        dest.Blt(&source, 0, 0, Rect(0, 0, w, h), tint, 0);
                    DDImage::sVectorSpans = true;
                    for (int y = 0; y < h; ++y)
                        for (int x = 0; x < w; ++x)
                        {
                            const int dx = mirror ? w - 1 - x : x;
                            const size_t at = size_t(y) * size_t(w);
                            ASSERT_EQ(Raw(dest, dx, y), SpreadGreyBlend(display[at + size_t(x)],
                                                                        before[at + size_t(dx)], greenMask, tint))
                                << x << "," << y;
                        }
                }
    }
}

TEST(DDImageTest, VectorSpansMatchThePerPixelRoutine)
{
    // Random sources mixing transparent, opaque and partial pixels (alone and in runs) at odd widths and offsets,
    // partly off the destination, in 5-6-5, 5-5-5 and both 32-bit channel orders, both modes, plain and mirrored,
    // white, grey and tinted; each source once as it is and once turned into a palette image (the span forms look
    // its indices up a row at a time, the per-pixel routine one pixel at a time).
    const Color tints[] = {Color::White, Color(255, 120, 40, 200), Color(90, 200, 255, 255), Color(160, 160, 160, 200),
                           Color(255, 255, 255, 90)};
    for (Format f : kFormats)
    {
        SCOPED_TRACE(ZestTest::FormatName(f));
        Display d(f);
        ASSERT_EQ(d.result, 0);
        std::mt19937 rng(11);
        for (int round = 0; round < 12; ++round)
        {
            const int w = 1 + int(rng() % 37), h = 1 + int(rng() % 5);
            std::vector<uint32_t> src(size_t(w) * size_t(h)), background(40 * 8);
            for (size_t i = 0; i < src.size();)
            {
                // Every third source is opaque throughout, which is copied row by row.
                const uint32_t kind = round % 3 == 0 ? 1 : rng() % 4;
                const size_t run = std::min<size_t>(1 + rng() % 9, src.size() - i);
                for (size_t k = 0; k < run; ++k, ++i)
                {
                    const uint32_t alpha = kind == 0 ? 0 : (kind == 1 ? 255 : rng() & 0xFF);
                    src[i] = alpha << 24 | (kind == 3 ? 0 : rng() & 0xFFFFFF);
                }
            }
            for (uint32_t& p : background) p = 0xFF000000u | (rng() & 0xFFFFFF);
            const int x = int(rng() % 44) - 6, y = int(rng() % 8) - 2;
            for (bool palette : {false, true})
            {
                MemoryImage source(nullptr);
                source.SetBits(src.data(), w, h);
                if (palette)
                {
                    ASSERT_TRUE(source.ConvertToPalette());
                }
                for (const Color& tint : tints)
                    for (int mode : {0, 1})
                        for (bool mirror : {false, true})
                        {
                            SCOPED_TRACE(FormatString("%dx%d at %d,%d tint %08x mode %d mirror %d palette %d", w, h, x,
                                                      y, unsigned(tint.ToInt()), mode, int(mirror), int(palette)));
                            // The per-pixel routine first, then the span kernels of every instruction set here.
                            std::vector<uint32_t> results[4];
                            for (int form = 0; form < 4; ++form)
                            {
                                const SpanIsa isas[] = {SpanIsa::Scalar, SpanIsa::Scalar, SpanIsa::Sse2, SpanIsa::Avx2};
                                if (form > 0 && !SpanIsaAvailable(isas[form])) continue;
                                DDImage::sVectorSpans = form > 0;
                                const SpanIsa previous = SetSpanIsa(isas[form]);
                                DDImage dest(d.device.get());
                                dest.SetBits(background.data(), 40, 8);
                                ASSERT_TRUE(dest.CreateSurfaceFromBits());
                                if (mirror)
                                    dest.BltMirror(&source, x, y, Rect(0, 0, w, h), tint, mode);
                                else
                                    dest.Blt(&source, x, y, Rect(0, 0, w, h), tint, mode);
                                for (int py = 0; py < 8; ++py)
                                    for (int px = 0; px < 40; ++px) results[form].push_back(Raw(dest, px, py));
                                SetSpanIsa(previous);
                            }
                            DDImage::sVectorSpans = true;
                            for (int form = 1; form < 4; ++form)
                            {
                                if (!results[form].empty())
                                {
                                    ASSERT_EQ(results[0], results[form]) << "form " << form;
                                }
                            }
                        }
            }
        }
    }
}

// A palette source wider than the piece the span forms look up at a time: every piece lands where the per-pixel
// routine puts it, forwards and mirrored, partly off both edges.
TEST(DDImageTest, WidePaletteRowsMatchThePerPixelRoutine)
{
    const int w = 611, h = 3, destW = 600;
    std::mt19937 rng(5);
    std::vector<uint32_t> src(size_t(w) * size_t(h)), background(size_t(destW) * size_t(h));
    // A few dozen colours, some transparent and some partial, so that the picture takes a palette.
    std::vector<uint32_t> colours(40);
    for (uint32_t& c : colours)
    {
        const uint32_t kind = rng() % 3;
        c = (kind == 0 ? 0u : (kind == 1 ? 255u : rng() & 0xFF)) << 24 | (rng() & 0xFFFFFF);
    }
    for (uint32_t& p : src) p = colours[rng() % colours.size()];
    for (uint32_t& p : background) p = 0xFF000000u | (rng() & 0xFFFFFF);
    for (Format f : {Format::Rgb565, Format::Xrgb8888})
    {
        Display d(f);
        ASSERT_EQ(d.result, 0);
        MemoryImage source(nullptr);
        source.SetBits(src.data(), w, h);
        ASSERT_TRUE(source.ConvertToPalette());
        for (const Color& tint : {Color::White, Color(255, 120, 40, 200), Color(160, 160, 160, 200)})
            for (int mode : {0, 1})
                for (bool mirror : {false, true})
                {
                    SCOPED_TRACE(FormatString("%s tint %08x mode %d mirror %d", ZestTest::FormatName(f),
                                              unsigned(tint.ToInt()), mode, int(mirror)));
                    std::vector<uint32_t> results[2];
                    for (int vector : {0, 1})
                    {
                        DDImage::sVectorSpans = vector != 0;
                        DDImage dest(d.device.get());
                        dest.SetBits(background.data(), destW, h);
                        ASSERT_TRUE(dest.CreateSurfaceFromBits());
                        if (mirror)
                            dest.BltMirror(&source, -7, 0, Rect(0, 0, w, h), tint, mode);
                        else
                            dest.Blt(&source, -7, 0, Rect(0, 0, w, h), tint, mode);
                        for (int py = 0; py < h; ++py)
                            for (int px = 0; px < destW; ++px) results[vector].push_back(Raw(dest, px, py));
                    }
                    DDImage::sVectorSpans = true;
                    ASSERT_EQ(results[0], results[1]);
                }
    }
}

// Blits a 16x16 source made of src (white tint) onto a new 16x16 surface image of the background and returns the
// largest distance of any channel from the exact mix, as a share of that channel's BlendBound (a spill into the
// next channel lands far above 1).
double WorstBlendError(Display& d, MemoryImage& source, const std::vector<uint32_t>& src,
                       const std::vector<uint32_t>& background)
{
    const DDInterface& dd = *d.device;
    DDImage dest(d.device.get());
    dest.SetBits(background.data(), 16, 16);
    EXPECT_TRUE(dest.CreateSurfaceFromBits());
    std::vector<uint32_t> before(256);
    for (int i = 0; i < 256; ++i) before[size_t(i)] = Raw(dest, i % 16, i / 16);
    dest.Blt(&source, 0, 0, Rect(0, 0, 16, 16), Color::White, 0);
    double worst = 0;
    for (int i = 0; i < 256; ++i)
    {
        const uint32_t s = src[size_t(i)];
        const double a = (s >> 24) / 255.0;
        const Channels old = Split(dd, before[size_t(i)]), got = Split(dd, Raw(dest, i % 16, i / 16));
        for (int ch = 0; ch < 3; ++ch)
        {
            const double exact = Comp(s, ch) / 255.0 * Max(dd, ch) * a + old.c[ch] * (1 - a);
            worst = std::max(worst, std::abs(got.c[ch] - exact) / BlendBound(dd, ch));
        }
    }
    return worst;
}

TEST(DDImageTest, BrightNearlyOpaquePixelsNeverSpillIntoTheNextChannel)
{
    // Full channels at every alpha over mid and light greys: the mix is made of two parts, each rounded or cut down
    // on its own, and their sum must stay in its channel (a spill shows as a wrong colour at the edge of white text).
    const uint32_t colours[] = {0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
    const uint32_t greys[] = {0x888888, 0xBBBBBB, 0xF0F0F0};
    for (Format f : kFormats)
        for (uint32_t colour : colours)
            for (uint32_t grey : greys)
            {
                SCOPED_TRACE(std::string(ZestTest::FormatName(f)) + " colour " + std::to_string(colour) + " over " +
                             std::to_string(grey));
                Display d(f, 16, 16);
                ASSERT_EQ(d.result, 0);
                std::vector<uint32_t> src(256), background(256, 0xFF000000u | grey);
                for (int i = 0; i < 256; ++i) src[size_t(i)] = uint32_t(i) << 24 | colour;
                MemoryImage source(nullptr);
                source.SetBits(src.data(), 16, 16);
                EXPECT_LE(WorstBlendError(d, source, src, background), 1.0);
            }
}

TEST(DDImageTest, SourcesConvertAgainAfterTheDisplayChangesFormat)
{
    // An image drawn on one display keeps its pixels converted for that display's format; after the display is
    // initialised again in another depth or channel order the conversion must be made again.
    const Format orders[][2] = {
        {Format::Xrgb8888, Format::Rgb565}, {Format::Rgb565, Format::Xbgr8888}, {Format::Rgb555, Format::Rgb565}};
    std::vector<uint32_t> src(256), background(256);
    for (int i = 0; i < 256; ++i)
    {
        src[size_t(i)] = uint32_t(i) << 24 | uint32_t(i * 0x010305 + 0x204060) % 0x1000000;
        background[size_t(i)] = 0xFF000000u | uint32_t(i * 0x030201) % 0x1000000;
    }
    for (const auto& order : orders)
    {
        SCOPED_TRACE(std::string(ZestTest::FormatName(order[0])) + " then " + ZestTest::FormatName(order[1]));
        Display d(order[0], 16, 16);
        ASSERT_EQ(d.result, 0);
        MemoryImage source(nullptr);
        source.SetBits(src.data(), 16, 16);
        DDImage first(d.device.get());
        first.SetBits(background.data(), 16, 16);
        ASSERT_TRUE(first.CreateSurfaceFromBits());
        first.Blt(&source, 0, 0, Rect(0, 0, 16, 16), Color::White, 0);

        ZestTest::SetDesktop(order[1]);
        ASSERT_EQ(d.device->Init(d.window.get(), true), 0);
        EXPECT_LE(WorstBlendError(d, source, src, background), 1.0);
    }
}

TEST(DDImageTest, PlainCopiesSkipTransparentPixelsOnEveryPath)
{
    for (Format f : kFormats)
    {
        SCOPED_TRACE(ZestTest::FormatName(f));
        Display d(f);
        ASSERT_EQ(d.result, 0);
        HeadlessDisplay().moveBuffersOnLock = true; // a stale lock pointer would read freed memory
        const std::vector<uint32_t> px = {0xFFFF0000, 0x00000000, 0xFF00FF00, 0xFF0000FF,
                                          0x00FFFFFF, 0xFFFFFFFF, 0xFF000000, 0xFF808080};
        MemoryImage memory(nullptr);
        memory.SetBits(px.data(), 4, 2);
        DDImage surfaced(d.device.get());
        surfaced.SetBits(px.data(), 4, 2);
        ASSERT_TRUE(surfaced.CreateSurfaceFromBits());
        surfaced.ReleaseBits();

        struct Case
        {
            Image* source;
            bool lockDest, lockSource;
        };
        const Case cases[] = {
            {&memory, false, false}, {&surfaced, false, false}, {&surfaced, true, false}, {&surfaced, false, true}};
        for (const Case& c : cases)
        {
            auto dest = SurfaceImage(d, 6, 3, 0xFF102030);
            const uint32_t background = Raw(*dest, 0, 0);
            if (c.lockDest)
            {
                ASSERT_TRUE(dest->LockSurface());
            }
            if (c.lockSource)
            {
                ASSERT_TRUE(surfaced.LockSurface());
            }
            dest->Blt(c.source, 1, 1, Rect(0, 0, 4, 2), Color::White, 0);
            if (c.lockSource) surfaced.UnlockSurface();
            if (c.lockDest)
            {
                // The open lock was taken again: its pointer is the surface's current one.
                ASSERT_EQ(dest->mLockCount, 1);
                EXPECT_EQ(static_cast<uint8_t*>(dest->mLockDesc.lpSurface)[0], uint8_t(background));
                dest->UnlockSurface();
            }
            EXPECT_EQ(Raw(*dest, 2, 1), background) << "transparent pixel skipped";
            EXPECT_EQ(Raw(*dest, 1, 2), background);
            EXPECT_EQ(Raw(*dest, 0, 1), background);
            EXPECT_EQ(dest->GetBits()[1 * 6 + 1], surfaced.GetBits()[0]);
            EXPECT_EQ(dest->GetBits()[2 * 6 + 2], surfaced.GetBits()[5]);
            EXPECT_EQ(dest->GetBits()[2 * 6 + 4], surfaced.GetBits()[7]);
        }

        // With its opaque-copy flag a source is copied as it stands: transparent pixels come out black.
        memory.SetOpaqueCopy(true);
        auto dest = SurfaceImage(d, 6, 3, 0xFF102030);
        dest->Blt(&memory, 1, 1, Rect(0, 0, 4, 2), Color::White, 0);
        EXPECT_EQ(Raw(*dest, 2, 1), 0u);
        EXPECT_EQ(dest->GetBits()[1 * 6 + 1], surfaced.GetBits()[0]);
        EXPECT_EQ(dest->GetBits()[2 * 6 + 4], surfaced.GetBits()[7]);
    }
}

TEST(DDImageTest, AdditiveBlitsSaturateAndMirrorsReverseRows)
{
    for (Format f : kFormats)
    {
        SCOPED_TRACE(ZestTest::FormatName(f));
        Display d(f);
        ASSERT_EQ(d.result, 0);
        const DDInterface& dd = *d.device;
        MemoryImage bright(nullptr);
        const std::vector<uint32_t> px = {0xFFFFFFFF, 0xFF404040, 0x80FFFFFF, 0x00FFFFFF};
        bright.SetBits(px.data(), 4, 1);
        auto dest = SurfaceImage(d, 4, 2, 0xFFE0E0E0);
        const Channels base = Split(dd, Raw(*dest, 0, 0));
        dest->Blt(&bright, 0, 0, Rect(0, 0, 4, 1), Color::White, 1);
        for (int ch = 0; ch < 3; ++ch)
        {
            EXPECT_EQ(Split(dd, Raw(*dest, 0, 0)).c[ch], Max(dd, ch)) << "saturates, never wraps";
            EXPECT_EQ(Split(dd, Raw(*dest, 1, 0)).c[ch], std::min(Max(dd, ch), base.c[ch] + Narrow(dd, ch, 0x40)));
            EXPECT_EQ(Split(dd, Raw(*dest, 3, 0)).c[ch], base.c[ch]) << "transparent adds nothing";
        }
        // Additive with a tint of alpha 0 adds nothing.
        dest->Blt(&bright, 0, 1, Rect(0, 0, 4, 1), Color(255, 255, 255, 0), 1);
        EXPECT_EQ(Raw(*dest, 0, 1), Raw(*dest, 3, 0));

        // Mirror: an asymmetric row comes out reversed, in both modes.
        const std::vector<uint32_t> row = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF};
        MemoryImage asym(nullptr);
        asym.SetBits(row.data(), 5, 1);
        auto plain = SurfaceImage(d, 7, 2, 0xFF000000);
        plain->BltMirror(&asym, 1, 0, Rect(0, 0, 5, 1), Color::White, 0);
        plain->BltMirror(&asym, 1, 1, Rect(0, 0, 5, 1), Color::White, 1);
        for (int i = 0; i < 5; ++i)
            for (int y = 0; y < 2; ++y)
            {
                const uint32_t expected = row[size_t(4 - i)];
                const Channels got = Split(dd, Raw(*plain, 1 + i, y));
                for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(got.c[ch], Narrow(dd, ch, Comp(expected, ch)));
            }
        EXPECT_EQ(Raw(*plain, 0, 0), 0u);
        EXPECT_EQ(Raw(*plain, 6, 1), 0u);
    }
}

TEST(DDImageTest, LinesCoverBothEndsAndStayInTheirRectangle)
{
    for (Format f : {Format::Rgb565, Format::Xbgr8888})
    {
        Display d(f);
        ASSERT_EQ(d.result, 0);
        struct Case
        {
            double x1, y1, x2, y2;
        };
        const Case cases[] = {{2, 3, 20, 9}, {20, 9, 2, 3}, {5, 1, 8, 15}, {12, 2, 3, 14}, {1, 1, 9, 9}};
        for (const Case& c : cases)
        {
            auto image = SurfaceImage(d, 24, 16, 0xFF000000);
            image->DrawLine(c.x1, c.y1, c.x2, c.y2, Color(255, 255, 255), 0);
            const int left = int(std::min(c.x1, c.x2)), right = int(std::max(c.x1, c.x2));
            const int top = int(std::min(c.y1, c.y2)), bottom = int(std::max(c.y1, c.y2));
            int count = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 24; ++x)
                    if (Raw(*image, x, y))
                    {
                        ++count;
                        EXPECT_TRUE(x >= left && x <= right && y >= top && y <= bottom) << x << "," << y;
                    }
            EXPECT_NE(Raw(*image, int(c.x1), int(c.y1)), 0u);
            EXPECT_NE(Raw(*image, int(c.x2), int(c.y2)), 0u);
            EXPECT_EQ(count, std::max(right - left, bottom - top) + 1);
        }
        // Straight lines are one-pixel rectangles including both ends.
        auto image = SurfaceImage(d, 24, 16, 0xFF000000);
        image->DrawLine(9, 4, 3, 4, Color(255, 255, 255), 0);
        image->DrawLine(1, 2, 1, 12, Color(255, 255, 255), 0);
        for (int x = 0; x < 24; ++x) EXPECT_EQ(Raw(*image, x, 4) != 0, (x >= 3 && x <= 9) || x == 1) << x;
        for (int y = 0; y < 16; ++y) EXPECT_EQ(Raw(*image, 1, y) != 0, y >= 2 && y <= 12) << y;
        // An additive anti-aliased line draws nothing on a surface.
        image->DrawLineAntiAliased(0, 0, 20, 15, Color(255, 255, 255), 1);
        EXPECT_EQ(Raw(*image, 10, 7), 0u);
    }
}

// Blended and additive diagonal lines write each pixel of the line by the line's own rules (a blend rounded by half
// the mask; the additive tables), and nothing else; far-away end points are kept in range.
TEST(DDImageTest, BlendedAndAdditiveDiagonalLines)
{
    for (Format f : kFormats)
    {
        SCOPED_TRACE(ZestTest::FormatName(f));
        Display d(f);
        ASSERT_EQ(d.result, 0);
        const DDInterface& dd = *d.device;
        const uint32_t masks[3] = {uint32_t(dd.mRedMask), uint32_t(dd.mGreenMask), uint32_t(dd.mBlueMask)};
        const int comps[3] = {200, 100, 50};
        const Color colour(200, 100, 50, 128);
        for (int mode : {0, 1})
        {
            SCOPED_TRACE(mode);
            auto image = SurfaceImage(d, 24, 16, 0xFF204060);
            const uint32_t background = Raw(*image, 0, 0);
            uint32_t expected = 0;
            const Channels old = Split(dd, background);
            for (int ch = 0; ch < 3; ++ch)
            {
                const uint64_t m = masks[ch];
                if (mode == 0)
                {
                    const uint64_t cc = (uint64_t(comps[ch]) * 128 + 128) >> 8;
                    expected +=
                        uint32_t((((cc * m + (m >> 1)) >> 8) & m) + ((((background & m) * 128 + (m >> 1)) >> 8) & m));
                }
                else
                {
                    const int part = Narrow(dd, ch, comps[ch] * 128 / 255);
                    const int shift = ch == 0 ? dd.mRedShift : (ch == 1 ? dd.mGreenShift : dd.mBlueShift);
                    expected |= uint32_t(std::min(part + old.c[ch], Max(dd, ch))) << shift;
                }
            }
            image->DrawLine(2, 3, 20, 9, colour, mode);
            int changed = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 24; ++x)
                {
                    const uint32_t p = Raw(*image, x, y);
                    if (p == background) continue;
                    ++changed;
                    EXPECT_EQ(p, expected) << x << "," << y;
                }
            EXPECT_EQ(changed, 19);
        }
        auto image = SurfaceImage(d, 24, 16, 0xFF000000);
        image->DrawLine(-1e12, 5, 1e12, 5, Color(255, 255, 255), 0);
        image->DrawLineAntiAliased(-1e12, 3, 1e12, 400, Color(255, 255, 255), 0);
        image->DrawLine(std::nan(""), 1, 4, 1e300, Color(255, 255, 255), 1);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 24; ++x)
                if (y != 5 && x != 0)
                {
                    EXPECT_EQ(Raw(*image, x, y), 0u) << x << "," << y;
                }
        for (int x = 0; x < 24; ++x) EXPECT_NE(Raw(*image, x, 5), 0u) << x;
    }
}

// Coverage spans blend each pixel with the premultiplied colour at weight (coverage + 1) x alpha >> 8, reading the
// coverage of its own position, and touch nothing outside the spans, the coverage box or the image.
TEST(DDImageTest, CoverageSpansOnSurfaces)
{
    for (Format f : kFormats)
    {
        SCOPED_TRACE(ZestTest::FormatName(f));
        Display d(f);
        ASSERT_EQ(d.result, 0);
        const DDInterface& dd = *d.device;
        const uint32_t masks[3] = {uint32_t(dd.mRedMask), uint32_t(dd.mGreenMask), uint32_t(dd.mBlueMask)};
        auto image = SurfaceImage(d, 16, 8, 0xFF305070);
        const uint32_t background = Raw(*image, 0, 0);
        // A 6x3 coverage box at (3, 2) with a different byte per pixel.
        const int cx = 3, cy = 2, cw = 6, ch = 3;
        std::vector<uint8_t> coverage(size_t(cw) * ch);
        for (size_t i = 0; i < coverage.size(); ++i) coverage[i] = uint8_t(i * 47 % 256);
        coverage[0] = 255;
        coverage[1] = 0;
        // Spans: one inside, one running past the box on both sides, one on a row outside the box, one off the image.
        Span spans[4];
        spans[0].mY = 2, spans[0].mX = 3, spans[0].mWidth = 4;
        spans[1].mY = 3, spans[1].mX = 0, spans[1].mWidth = 16;
        spans[2].mY = 6, spans[2].mX = 0, spans[2].mWidth = 16;
        spans[3].mY = 4, spans[3].mX = -5, spans[3].mWidth = 30;
        const Color colour(250, 20, 140, 200);
        image->FillSpansWithCoverage(spans, 4, colour, 0, coverage.data(), cx, cy, cw, ch);
        const int comps[3] = {250, 20, 140};
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x)
            {
                const bool inBox = x >= cx && x < cx + cw && y >= cy && y < cy + ch;
                const bool onSpan = (y == 2 && x >= 3 && x < 7) || y == 3 || y == 4;
                uint32_t expected = background;
                if (inBox && onSpan)
                {
                    const uint64_t w = ((uint64_t(coverage[size_t(y - cy) * cw + size_t(x - cx)]) + 1) * 200) >> 8;
                    expected = 0;
                    for (int c = 0; c < 3; ++c)
                    {
                        const uint64_t m = masks[c];
                        const uint64_t pre = (uint64_t(comps[c]) * m >> 8) & m;
                        expected |= uint32_t((((background & m) * (256 - w) + pre * w) >> 8) & m);
                    }
                }
                EXPECT_EQ(Raw(*image, x, y), expected) << x << "," << y;
            }
        EXPECT_EQ(Raw(*image, cx + 1, cy), background) << "coverage 0 at alpha 200 leaves the pixel";
        EXPECT_NE(Raw(*image, cx, cy), background);
    }
}

TEST(DDImageTest, SurfaceLifeCycle)
{
    Display d(Format::Rgb565);
    ASSERT_EQ(d.result, 0);
    auto image = SurfaceImage(d, 8, 8, 0xFF123456);

    // Nested locks lock once; the last unlock releases.
    ASSERT_TRUE(image->LockSurface());
    ASSERT_TRUE(image->LockSurface());
    DDSURFACEDESC2 probe;
    EXPECT_EQ(image->mSurface->Lock(nullptr, &probe, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    image->UnlockSurface();
    EXPECT_EQ(image->mSurface->Lock(nullptr, &probe, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    image->UnlockSurface();
    ASSERT_EQ(image->mSurface->Lock(nullptr, &probe, DDLOCK_WAIT, nullptr), DD_OK);
    image->mSurface->Unlock(nullptr);
    EXPECT_FALSE(image->UnlockSurface()) << "no lock open";

    // After a software fill the bits are gone; reading them back gives opaque pixels from the surface.
    image->FillRect(Rect(0, 0, 4, 4), Color(255, 0, 0), 0);
    EXPECT_EQ(image->mBits, nullptr);
    EXPECT_EQ(image->GetBits()[0], 0xFFF80000u);
    EXPECT_EQ(image->GetBits()[7], 0xFF103450u);

    // New bits drop the surface; the next lock makes it again from them.
    std::vector<uint32_t> green(64, 0xFF00FF00);
    image->SetBits(green.data(), 8, 8);
    EXPECT_EQ(image->mSurface, nullptr);
    EXPECT_EQ(Raw(*image, 3, 3), 0x07E0u);

    // Partial alpha never gets a surface; drawing goes through the memory routines.
    DDImage soft(d.device.get());
    std::vector<uint32_t> half(16, 0x80FFFFFF);
    soft.SetBits(half.data(), 4, 4);
    EXPECT_FALSE(soft.CreateSurfaceFromBits());
    EXPECT_FALSE(soft.LockSurface());
    soft.FillRect(Rect(0, 0, 2, 2), Color(0, 0, 255), 0);
    EXPECT_EQ(soft.mSurface, nullptr);
    EXPECT_EQ(soft.GetBits()[0], 0xFF0000FFu);
    EXPECT_EQ(soft.GetBits()[3], 0x80FFFFFFu);

    // A keyed surface reads its key pixels back as transparent.
    DDImage keyed(d.device.get());
    const std::vector<uint32_t> px = {0xFFFF0000, 0x00000000, 0xFF0000FF, 0x00123456};
    keyed.SetBits(px.data(), 2, 2);
    ASSERT_TRUE(keyed.CreateSurfaceFromBits());
    keyed.ReleaseBits();
    ASSERT_EQ(keyed.mBits, nullptr);
    const uint32_t* back = keyed.GetBits();
    EXPECT_EQ(back[0], 0xFFF80000u);
    EXPECT_EQ(back[1], 0u);
    EXPECT_EQ(back[2], 0xFF0000F8u);
    EXPECT_EQ(back[3], 0u);
}

// The screen image borrows the display's surface: a clear or new bits written into its memory copy reach the
// surface, so the next drawing on the surface (which drops the memory copy) keeps them.
TEST(DDImageTest, ScreenImageWritesReachItsBorrowedSurface)
{
    for (Format f : {Format::Rgb565, Format::Xrgb8888})
    {
        SCOPED_TRACE(ZestTest::FormatName(f));
        Display d(f, 16, 8);
        ASSERT_EQ(d.result, 0);
        DDImage* screen = d.device->GetScreenImage();
        ASSERT_NE(screen, nullptr);
        ASSERT_TRUE(screen->mSurfaceBorrowed);
        IDirectDrawSurface* surface = screen->mSurface;
        screen->FillRect(Rect(0, 0, 16, 8), Color(255, 255, 255), 0);

        screen->Clear();
        screen->FillRect(Rect(0, 0, 1, 1), Color(255, 0, 0), 0);
        EXPECT_EQ(screen->mSurface, surface) << "the display's surface stays";
        EXPECT_EQ(Raw(*screen, 5, 5), 0u) << "the clear survives the next surface draw";
        EXPECT_NE(Raw(*screen, 0, 0), 0u);

        std::vector<uint32_t> blue(16 * 8, 0xFF0000FF);
        screen->SetBits(blue.data(), 16, 8);
        screen->FillRect(Rect(0, 0, 1, 1), Color(255, 0, 0), 0);
        EXPECT_EQ(screen->mSurface, surface);
        EXPECT_EQ(screen->GetBits()[3 * 16 + 7], f == Format::Rgb565 ? 0xFF0000F8u : 0xFF0000FFu);
    }
}

// Where an anti-aliased line covers a pixel whole, the surface holds the colour itself, as the memory path's bits
// do; the pixels in between stay blends of colour and background on both paths.
TEST(DDImageTest, AntiAliasedSurfaceLineReachesFullColour)
{
    const Color colours[] = {Color(255, 255, 255), Color(200, 40, 90), Color(10, 250, 128)};
    for (Format f : kFormats)
    {
        SCOPED_TRACE(ZestTest::FormatName(f));
        Display d(f);
        ASSERT_EQ(d.result, 0);
        const DDInterface& dd = *d.device;
        // Bits the read-back keeps: the top bits of each channel.
        uint32_t kept = 0xFF000000u;
        kept |= (0xFFu << (8 - dd.mRedWidth) & 0xFF) << 16;
        kept |= (0xFFu << (8 - dd.mGreenWidth) & 0xFF) << 8;
        kept |= 0xFFu << (8 - dd.mBlueWidth) & 0xFF;
        for (const Color& c : colours)
        {
            auto image = SurfaceImage(d, 24, 24, 0xFF000000);
            MemoryImage memory(nullptr);
            std::vector<uint32_t> black(24 * 24, 0xFF000000);
            memory.SetBits(black.data(), 24, 24);
            // A diagonal through pixel centres covers each of its pixels whole; the shallow one covers some
            // whole (where it starts) and splits the rest between two pixels.
            for (auto* target : {static_cast<Image*>(image.get()), static_cast<Image*>(&memory)})
            {
                target->DrawLineAntiAliased(2, 2, 12, 12, c, 0);
                target->DrawLineAntiAliased(1, 16, 22, 20, c, 0);
            }
            const uint32_t* surfaceBits = image->GetBits();
            const uint32_t* memoryBits = memory.GetBits();
            for (int k = 2; k <= 12; ++k)
            {
                const size_t at = size_t(k) * 24 + size_t(k);
                EXPECT_EQ(surfaceBits[at], memoryBits[at] & kept) << k;
            }
            EXPECT_EQ(surfaceBits[16 * 24 + 1], memoryBits[16 * 24 + 1] & kept);
            // Between the ends the two pixels across the shallow line share the colour: neither reaches it.
            const uint32_t full = memoryBits[16 * 24 + 1] & kept;
            for (const size_t at : {size_t(17) * 24 + 9, size_t(18) * 24 + 9})
            {
                EXPECT_NE(surfaceBits[at], full) << at;
                EXPECT_NE(surfaceBits[at], 0xFF000000u) << at;
            }
        }
    }
}

TEST(DDImageTest, ColourKeyAvoidsOpaqueColours)
{
    Display d(Format::Rgb565);
    ASSERT_EQ(d.result, 0);
    // The first transparent pixel packs to 0, and so does the opaque black one: another key must be found.
    const std::vector<uint32_t> px = {0x00000000, 0xFF000000, 0xFF000008, 0x00FFFFFF, 0xFFFFFFFF, 0xFF000000};
    DDImage sprite(d.device.get());
    sprite.SetBits(px.data(), 3, 2);
    ASSERT_TRUE(sprite.CreateSurfaceFromBits());
    DDCOLORKEY key;
    ASSERT_EQ(sprite.mSurface->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_NE(key.dwColorSpaceLowValue, 0u);
    EXPECT_NE(key.dwColorSpaceLowValue, 0x0001u) << "0x000008 packs to 1";
    auto dest = SurfaceImage(d, 3, 2, 0xFFFF0000);
    dest->Blt(&sprite, 0, 0, Rect(0, 0, 3, 2), Color::White, 0);
    const uint32_t expected[6] = {0xF800, 0x0000, 0x0001, 0xF800, 0xFFFF, 0x0000};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Raw(*dest, i % 3, i / 3), expected[i]) << i;

    // Every 16-bit value used by an opaque pixel: no key is possible and the image stays in memory.
    std::vector<uint32_t> all(256 * 257);
    for (uint32_t v = 0; v < 65536; ++v)
        all[v] = 0xFF000000u | ((v >> 11) << 19) | (((v >> 5) & 0x3F) << 10) | ((v & 0x1F) << 3);
    for (size_t i = 65536; i < all.size(); ++i) all[i] = 0;
    DDImage full(d.device.get());
    full.SetBits(all.data(), 256, 257);
    EXPECT_FALSE(full.CreateSurfaceFromBits());
    EXPECT_EQ(full.mSurface, nullptr);
    EXPECT_EQ(full.GetBits()[12345], all[12345]);
}

TEST(DDImageTest, PaletteSourcesReadThroughTheirTable)
{
    for (Format f : {Format::Rgb565, Format::Xrgb8888})
    {
        Display d(f);
        ASSERT_EQ(d.result, 0);
        std::vector<uint32_t> px(20 * 20);
        for (size_t i = 0; i < px.size(); ++i)
            px[i] = (i % 7 == 0) ? 0u : (i % 3 == 0 ? 0x80FF8040u : 0xFF204080u + uint32_t(i % 5) * 0x10);
        MemoryImage argb(nullptr), palette(nullptr);
        argb.SetBits(px.data(), 20, 20);
        palette.SetBits(px.data(), 20, 20);
        ASSERT_TRUE(palette.ConvertToPalette());
        for (int mode : {0, 1})
        {
            auto a = SurfaceImage(d, 22, 22, 0xFF101010);
            auto b = SurfaceImage(d, 22, 22, 0xFF101010);
            a->Blt(&argb, 1, 2, Rect(0, 0, 20, 20), Color(200, 255, 255), mode);
            b->Blt(&palette, 1, 2, Rect(0, 0, 20, 20), Color(200, 255, 255), mode);
            for (int y = 0; y < 22; ++y)
                for (int x = 0; x < 22; ++x) ASSERT_EQ(Raw(*a, x, y), Raw(*b, x, y)) << x << "," << y;
        }
    }
}

TEST(DDImageTest, StretchedBlitsSampleIntoTheClip)
{
    Display d(Format::Xrgb8888);
    ASSERT_EQ(d.result, 0);
    const std::vector<uint32_t> px = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x00000000};
    MemoryImage src(nullptr);
    src.SetBits(px.data(), 2, 2);
    auto dest = SurfaceImage(d, 8, 8, 0xFF000000);
    dest->StretchBlt(&src, Rect(0, 0, 4, 4), Rect(0, 0, 2, 2), Rect(0, 0, 3, 8), Color::White, 0, true);
    EXPECT_EQ(Raw(*dest, 0, 0) & 0xFF0000, 0xFE0000u & 0xFF0000);
    EXPECT_GE(Raw(*dest, 1, 1) >> 16, 0xFEu);
    EXPECT_GE((Raw(*dest, 2, 1) >> 8) & 0xFF, 0xFEu);
    EXPECT_EQ(Raw(*dest, 3, 0), 0u) << "outside the clip";
    EXPECT_EQ(Raw(*dest, 2, 3), 0u) << "transparent source pixel";
    EXPECT_GE(Raw(*dest, 1, 3) & 0xFF, 0xFEu);
    // Mirrored: the columns swap.
    auto mirror = SurfaceImage(d, 8, 8, 0xFF000000);
    mirror->StretchBltMirror(&src, Rect(0, 0, 4, 4), Rect(0, 0, 2, 2), Rect(0, 0, 8, 8), Color::White, 0, true);
    EXPECT_GE((Raw(*mirror, 0, 0) >> 8) & 0xFF, 0xFEu);
    EXPECT_GE(Raw(*mirror, 3, 0) >> 16, 0xFEu);
}

// A surface image keeps the image it stretches into from call to call; what it draws is what a first call draws,
// whatever size the calls before it had.
TEST(DDImageTest, RepeatedStretchesDrawLikeFirstOnes)
{
    for (Format f : {Format::Rgb565, Format::Xrgb8888})
    {
        SCOPED_TRACE(ZestTest::FormatName(f));
        Display d(f);
        ASSERT_EQ(d.result, 0);
        std::mt19937 rng(5);
        std::vector<uint32_t> px(9 * 7);
        for (uint32_t& p : px) p = (rng() % 3 == 0 ? 0x80u : (rng() % 2 ? 0xFFu : 0u)) << 24 | (rng() & 0xFFFFFF);
        MemoryImage src(nullptr);
        src.SetBits(px.data(), 9, 7);
        struct Call
        {
            Rect dest;
            bool fast;
            int mode;
        };
        const Call calls[] = {{Rect(0, 0, 40, 30), false, 0},
                              {Rect(5, 3, 7, 5), true, 1},
                              {Rect(-3, 2, 30, 20), false, 1},
                              {Rect(1, 1, 12, 9), false, 0}};
        auto reused = SurfaceImage(d, 32, 24, 0xFF102030);
        for (const Call& c : calls)
        {
            auto fresh = SurfaceImage(d, 32, 24, 0xFF102030);
            // Both start from the same picture: the reused image's earlier draws are copied over first.
            std::vector<uint32_t> before(reused->GetBits(), reused->GetBits() + 32 * 24);
            fresh->SetBits(before.data(), 32, 24);
            ASSERT_TRUE(fresh->CreateSurfaceFromBits());
            for (DDImage* image : {reused.get(), fresh.get()})
                image->StretchBlt(&src, c.dest, Rect(0, 0, 9, 7), Rect(0, 0, 32, 24), Color(255, 200, 255, 220), c.mode,
                                  c.fast);
            for (int y = 0; y < 24; ++y)
                for (int x = 0; x < 32; ++x) ASSERT_EQ(Raw(*reused, x, y), Raw(*fresh, x, y)) << x << "," << y;
        }
    }
}

} // namespace
