// Tests of the rotated surface blit: whole-pixel placement, a quarter turn, the span cut, fast forms against the
// general form, colour alpha and saturation, odd sources and surfaces, and agreement with the memory path.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "DisplayFixture.h"
#include "graphics/BlendSpans.h"
#include "graphics/RotatedBlit.h"

using namespace Zest;
using namespace Platform;
using ZestTest::Display;
using ZestTest::Format;

namespace
{

std::unique_ptr<DDImage> SurfaceImage(Display& d, int w, int h, const std::vector<uint32_t>& px)
{
    auto image = std::make_unique<DDImage>(d.device.get());
    image->SetBits(px.data(), w, h);
    EXPECT_TRUE(image->CreateSurfaceFromBits());
    return image;
}

std::vector<uint32_t> SurfacePixels(DDImage& image)
{
    std::vector<uint32_t> out;
    EXPECT_TRUE(image.LockSurface());
    const DDSURFACEDESC2& l = image.mLockDesc;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            out.push_back(l.ddpfPixelFormat.dwRGBBitCount == 16
                              ? static_cast<uint16_t*>(l.lpSurface)[y * (l.lPitch / 2) + x]
                              : static_cast<uint32_t*>(l.lpSurface)[y * (l.lPitch / 4) + x]);
    image.UnlockSurface();
    return out;
}

std::vector<uint32_t> Random(size_t n, uint32_t seed, bool opaque)
{
    std::mt19937 rng(seed);
    std::vector<uint32_t> v(n);
    for (uint32_t& p : v) p = opaque ? (0xFF000000u | (rng() & 0xFFFFFF)) : uint32_t(rng());
    return v;
}

const Rect kAll(0, 0, 1000, 1000);

TEST(DDRotatedTest, AngleZeroOnWholePixelsIsAlmostTheSource)
{
    Display d(Format::Xrgb8888);
    ASSERT_EQ(d.result, 0);
    const std::vector<uint32_t> src = Random(16, 3, true);
    MemoryImage source(nullptr);
    source.SetBits(src.data(), 4, 4);
    auto dest = SurfaceImage(d, 8, 8, std::vector<uint32_t>(64, 0xFFFFFFFF));
    dest->BltRotated(&source, 2, 3, Rect(0, 0, 4, 4), kAll, Color::White, 0, 0.0, 0, 0);
    const std::vector<uint32_t> out = SurfacePixels(*dest);
    // fu = fv = 1: w00 = 254 and inv = 2, so the white destination shows through by 2/256. The span cut keeps
    // the first column out as well (it needs u >= 1.0 on a rising axis): columns 1 and 2, rows 0 to 2 are drawn.
    for (int j = 0; j < 3; ++j)
        for (int i = 1; i < 3; ++i)
            for (int c = 0; c < 3; ++c)
            {
                const uint32_t s = (src[size_t(j * 4 + i)] >> (8 * c)) & 0xFF;
                EXPECT_EQ((out[size_t((3 + j) * 8 + 2 + i)] >> (8 * c)) & 0xFF, (((s * 254) & 0xFF00) + 255 * 2) >> 8)
                    << i << "," << j << " channel " << c;
            }
    // The last source column and row are only ever neighbours.
    EXPECT_EQ(out[size_t(3 * 8 + 2)], 0xFFFFFFu);
    EXPECT_EQ(out[size_t(3 * 8 + 5)], 0xFFFFFFu);
    EXPECT_EQ(out[size_t(6 * 8 + 2)], 0xFFFFFFu);
}

TEST(DDRotatedTest, QuarterTurnMapsTheCorners)
{
    Display d(Format::Xrgb8888);
    ASSERT_EQ(d.result, 0);
    // 5 x 4 source, each pixel its own colour: (x, y) -> red 40x, green 60y, blue 200.
    std::vector<uint32_t> src(20);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            src[size_t(y * 5 + x)] = 0xFF000000u | uint32_t(40 * x) << 16 | uint32_t(60 * y) << 8 | 200;
    MemoryImage source(nullptr);
    source.SetBits(src.data(), 5, 4);
    auto dest = SurfaceImage(d, 10, 10, std::vector<uint32_t>(100, 0xFF000000));
    // A quarter turn anticlockwise with the origin put at (0, 5): source (u, v) shows at (v, 5 - u).
    dest->BltRotated(&source, 0, 5, Rect(0, 0, 5, 4), kAll, Color::White, 0, M_PI / 2, 0, 0);
    const std::vector<uint32_t> out = SurfacePixels(*dest);
    int covered = 0;
    for (int Y = 0; Y < 10; ++Y)
        for (int X = 0; X < 10; ++X)
        {
            const uint32_t p = out[size_t(Y * 10 + X)];
            if (!p) continue;
            ++covered;
            const int u = 5 - Y, v = X;
            ASSERT_TRUE(u >= 0 && u < 5 && v >= 0 && v < 4) << X << "," << Y;
            EXPECT_NEAR(double((p >> 16) & 0xFF), 40 * u * 254 / 256.0, 2.0) << X << "," << Y;
            EXPECT_NEAR(double((p >> 8) & 0xFF), 60 * v * 254 / 256.0, 2.0) << X << "," << Y;
        }
    // The span cut keeps u in 1..3 and v in 1..2 here: a 2 x 3 block.
    EXPECT_EQ(covered, 6);
    // The red end of the source (large x) lands at the top, the green end (large y) on the right.
    EXPECT_GT((out[size_t(2 * 10 + 1)] >> 16) & 0xFF, 110u);
    EXPECT_LT((out[size_t(4 * 10 + 1)] >> 16) & 0xFF, 50u);
    EXPECT_GT((out[size_t(4 * 10 + 2)] >> 8) & 0xFF, 110u);
    EXPECT_LT((out[size_t(4 * 10 + 1)] >> 8) & 0xFF, 70u);
}

TEST(DDRotatedTest, SpanCutNeverSamplesOutsideTheSource)
{
    // The shared geometry: every sample keeps its right and lower neighbours inside the source rectangle.
    for (int w : {2, 3, 7, 16})
        for (int h : {2, 5, 9})
            for (double angle = -3.2; angle < 3.3; angle += 0.37)
            {
                RotatedBlitWalker walker;
                if (!walker.Begin(10.3f, 7.6f, Rect(0, 0, w, h), Rect(0, 0, 64, 64), angle, w / 2.0f, h / 3.0f))
                    continue;
                RotatedSpan span;
                for (int r = 0; r < walker.GetRowCount(); ++r)
                {
                    if (!walker.GetRow(r, span)) continue;
                    for (int i = 0; i < span.mCount; ++i)
                    {
                        const int32_t u = span.mU + i * walker.GetStepU(), v = span.mV + i * walker.GetStepV();
                        ASSERT_TRUE((u >> 16) >= 0 && (u >> 16) <= w - 2 && (v >> 16) >= 0 && (v >> 16) <= h - 2)
                            << w << "x" << h << " angle " << angle;
                    }
                }
            }
    // And through the surface path, from a palette source whose index bytes are allocated exactly.
    Display d(Format::Rgb565);
    ASSERT_EQ(d.result, 0);
    std::vector<uint32_t> px(35);
    for (size_t i = 0; i < px.size(); ++i) px[i] = 0xFF000000u | uint32_t(i * 7);
    MemoryImage palette(nullptr);
    palette.SetBits(px.data(), 7, 5);
    ASSERT_TRUE(palette.ConvertToPalette());
    auto dest = SurfaceImage(d, 32, 32, std::vector<uint32_t>(1024, 0xFF000000));
    for (double angle = 0; angle < 6.3; angle += 0.29)
        dest->BltRotated(&palette, 12.5f, 9.25f, Rect(0, 0, 7, 5), kAll, Color(200, 100, 255), 0, angle, 3.5f, 2.5f);
}

TEST(DDRotatedTest, FastFormsAgreeWithTheGeneralForm)
{
    for (Format f : {Format::Rgb565, Format::Rgb555, Format::Xrgb8888})
    {
        SCOPED_TRACE(ZestTest::FormatName(f));
        Display d(f);
        ASSERT_EQ(d.result, 0);
        const DDInterface& dd = *d.device;
        MemoryImage source(nullptr);
        const std::vector<uint32_t> src = Random(16 * 16, 11, false);
        source.SetBits(src.data(), 16, 16);
        const std::vector<uint32_t> background = Random(24 * 24, 12, true);
        auto fast = SurfaceImage(d, 24, 24, background);
        auto general = SurfaceImage(d, 24, 24, background);
        fast->BltRotated(&source, 3.3f, 2.7f, Rect(0, 0, 16, 16), kAll, Color::White, 0, 0.7, 8, 8);
        standardChannelOrder = false; // the general form serves any channel order
        general->BltRotated(&source, 3.3f, 2.7f, Rect(0, 0, 16, 16), kAll, Color::White, 0, 0.7, 8, 8);
        standardChannelOrder = true;
        const std::vector<uint32_t> a = SurfacePixels(*fast), b = SurfacePixels(*general);
        const uint32_t masks[3] = {uint32_t(dd.mRedMask), uint32_t(dd.mGreenMask), uint32_t(dd.mBlueMask)};
        const int shifts[3] = {dd.mRedShift, dd.mGreenShift, dd.mBlueShift};
        int differing = 0;
        for (size_t i = 0; i < a.size(); ++i)
            for (int c = 0; c < 3; ++c)
            {
                const int x = int((a[i] & masks[c]) >> shifts[c]), y = int((b[i] & masks[c]) >> shifts[c]);
                // The 16-bit fast forms weigh the destination with inv cut to 5 bits (up to 7/256 of it lost)
                // and round the source once: up to two steps from the general form. The 32-bit form adds
                // before shifting where the general form shifts each part: one step at most.
                EXPECT_LE(std::abs(x - y), dd.mBitsPerPixel == 16 ? 2 : 1) << i << " channel " << c;
                differing += x != y;
            }
        EXPECT_LT(differing, int(a.size()) * 3 / 2);
    }
}

TEST(DDRotatedTest, UnturnedGroupsMatchThePixelLoopInEveryForm)
{
    // Sub-pixel placement draws whole groups of pixels at once; every instruction set must give the per-pixel
    // loop's exact result, at any fraction, width (tails of every length) and source alpha.
    const SpanIsa isas[] = {SpanIsa::Sse2, SpanIsa::Avx2};
    for (Format f : {Format::Rgb565, Format::Rgb555, Format::Xrgb8888})
    {
        SCOPED_TRACE(ZestTest::FormatName(f));
        Display d(f);
        ASSERT_EQ(d.result, 0);
        std::mt19937 rng(31);
        for (int round = 0; round < 24; ++round)
        {
            const int w = 1 + int(rng() % 21), h = 1 + int(rng() % 9);
            MemoryImage source(nullptr);
            const std::vector<uint32_t> src = Random(size_t(w) * size_t(h), 40 + uint32_t(round), round % 3 == 0);
            source.SetBits(src.data(), w, h);
            const float x = float(rng() % 2000) / 100.0f - 4.0f, y = float(rng() % 1500) / 100.0f - 3.0f;
            const std::vector<uint32_t> background = Random(24 * 20, 90 + uint32_t(round), true);
            const SpanIsa previous = SetSpanIsa(SpanIsa::Scalar);
            auto want = SurfaceImage(d, 24, 20, background);
            want->BltRotated(&source, x, y, Rect(0, 0, w, h), kAll, Color::White, 0, 0.0, 0, 0);
            const std::vector<uint32_t> expected = SurfacePixels(*want);
            for (SpanIsa isa : isas)
            {
                if (!SpanIsaAvailable(isa)) continue;
                SCOPED_TRACE(testing::Message() << "round " << round << " isa " << int(isa) << " at " << x << "," << y);
                SetSpanIsa(isa);
                auto got = SurfaceImage(d, 24, 20, background);
                got->BltRotated(&source, x, y, Rect(0, 0, w, h), kAll, Color::White, 0, 0.0, 0, 0);
                ASSERT_EQ(SurfacePixels(*got), expected);
            }
            SetSpanIsa(previous);
        }
    }
}

TEST(DDRotatedTest, ColourAlphaAndSaturation)
{
    for (Format f : {Format::Rgb565, Format::Xbgr8888})
    {
        SCOPED_TRACE(ZestTest::FormatName(f));
        Display d(f);
        ASSERT_EQ(d.result, 0);
        MemoryImage white(nullptr);
        white.SetBits(std::vector<uint32_t>(64, 0xFFFFFFFF).data(), 8, 8);
        const std::vector<uint32_t> background(100, 0xFFE0D0C0);
        for (int mode : {0, 1})
        {
            auto dest = SurfaceImage(d, 10, 10, background);
            const std::vector<uint32_t> before = SurfacePixels(*dest);
            dest->BltRotated(&white, 1, 1, Rect(0, 0, 8, 8), kAll, Color(255, 40, 40, 0), mode, 0.4, 4, 4);
            EXPECT_EQ(SurfacePixels(*dest), before) << "colour alpha 0 changes nothing, mode " << mode;
        }
        auto dest = SurfaceImage(d, 10, 10, background);
        dest->BltRotated(&white, 1, 1, Rect(0, 0, 8, 8), kAll, Color::White, 1, 0.0, 0, 0);
        const uint32_t full = uint32_t(d.device->mRedMask | d.device->mGreenMask | d.device->mBlueMask);
        EXPECT_EQ(SurfacePixels(*dest)[size_t(3 * 10 + 3)], full) << "additive white saturates, never wraps";
    }
}

class NotAMemoryImage : public Image
{
public:
    void FillRect(const Rect&, const Color&, int) override {}
};

TEST(DDRotatedTest, SourcesOtherThanImagesAndOddSurfaces)
{
    Display d(Format::Rgb565);
    ASSERT_EQ(d.result, 0);
    // Not a memory image: nothing drawn, and the destination keeps its only copy of its pixels.
    DDImage dest(d.device.get());
    dest.SetBits(std::vector<uint32_t>(64, 0xFF102030).data(), 8, 8);
    NotAMemoryImage stranger;
    stranger.mWidth = stranger.mHeight = 4;
    dest.BltRotated(&stranger, 1, 1, Rect(0, 0, 4, 4), kAll, Color::White, 0, 0.3, 2, 2);
    ASSERT_NE(dest.mBits, nullptr);
    EXPECT_EQ(dest.mSurface, nullptr);
    EXPECT_TRUE(stranger.mDrawn);
    // A plain memory image (not a surface image) draws.
    MemoryImage memory(nullptr);
    memory.SetBits(std::vector<uint32_t>(16, 0xFFFFFFFF).data(), 4, 4);
    dest.BltRotated(&memory, 1, 1, Rect(0, 0, 4, 4), kAll, Color::White, 0, 0.0, 0, 0);
    EXPECT_GE((dest.GetBits()[1 * 8 + 2] >> 16) & 0xFF, 0xE0u);
    EXPECT_EQ(dest.GetBits()[7 * 8 + 7], 0xFF102030u);

    // A 24-bit surface is left alone, but it is still locked and unlocked.
    ResetHeadlessDisplay();
    HeadlessDisplay().bitsPerPixel = 24;
    IDirectDraw* raw = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &raw, nullptr), DD_OK);
    DDSURFACEDESC desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = 8;
    desc.dwHeight = 8;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    IDirectDrawSurface* s24 = nullptr;
    ASSERT_EQ(raw->CreateSurface(&desc, &s24, nullptr), DD_OK);
    {
        DDImage deep(d.device.get());
        ASSERT_EQ(deep.SetSurface(s24), DD_OK);
        InjectSurfaceFailure(SurfaceStep::Lock, DDERR_WASSTILLDRAWING, 2); // the lock after the blit's own
        deep.BltRotated(&memory, 1, 1, Rect(0, 0, 4, 4), kAll, Color::White, 0, 0.2, 2, 2);
        DDSURFACEDESC2 check;
        EXPECT_EQ(s24->Lock(nullptr, &check, DDLOCK_WAIT, nullptr), DDERR_WASSTILLDRAWING) << "the blit locked once";
        ASSERT_EQ(s24->Lock(nullptr, &check, DDLOCK_WAIT, nullptr), DD_OK) << "and unlocked again";
        for (int i = 0; i < 8 * 3; ++i) EXPECT_EQ(static_cast<uint8_t*>(check.lpSurface)[i + check.lPitch], 0);
        s24->Unlock(nullptr);
    }
    s24->Release();
    raw->Release();
}

TEST(DDRotatedTest, MemoryPathCoversTheSamePixels)
{
    Display d(Format::Xrgb8888);
    ASSERT_EQ(d.result, 0);
    MemoryImage white(nullptr);
    white.SetBits(std::vector<uint32_t>(9 * 6, 0xFFFFFFFF).data(), 9, 6);
    std::vector<uint32_t> background(30 * 30, 0xFF000000);
    auto surface = SurfaceImage(d, 30, 30, background);
    background[0] = 0; // one transparent pixel sends this one down the memory path
    DDImage memory(d.device.get());
    memory.SetBits(background.data(), 30, 30);
    for (DDImage* dest : {surface.get(), &memory})
        dest->BltRotated(&white, 10.4f, 8.8f, Rect(0, 0, 9, 6), kAll, Color::White, 0, 0.9, 4.5f, 3.0f);
    ASSERT_EQ(memory.mSurface, nullptr);
    const uint32_t* a = surface->GetBits();
    const uint32_t* b = memory.GetBits();
    int covered = 0;
    for (int i = 1; i < 30 * 30; ++i)
    {
        EXPECT_EQ((a[i] & 0xFFFFFF) != 0, (b[i] & 0xFFFFFF) != 0) << i % 30 << "," << i / 30;
        covered += (a[i] & 0xFFFFFF) != 0;
    }
    EXPECT_GE(covered, 20);
}

} // namespace
