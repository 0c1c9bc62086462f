// Tests of MemoryImage's pixel forms: alpha flags, run tables, palette conversion, display data, purging,
// sizes, copies, registration, and AnimInfo timing.
#include "data/ImageLib.h"
#include "graphics/ImageHost.h"
#include "graphics/MemoryImage.h"
#include "graphics/NativeDisplay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace Zest;

namespace
{
void SetPixels(MemoryImage& img, int w, int h, const std::vector<uint32_t>& px)
{
    ASSERT_EQ(px.size(), size_t(w) * size_t(h));
    img.SetBits(px.data(), w, h, true);
}

std::vector<uint8_t> Runs(MemoryImage& img)
{
    const uint8_t* r = img.GetAlphaRunData();
    return std::vector<uint8_t>(r, r + size_t(img.mWidth) * size_t(img.mHeight));
}
} // namespace

TEST(MemoryImageTest, AlphaFlagsFollowThePixels)
{
    MemoryImage img(nullptr);
    img.Create(2, 2);
    EXPECT_TRUE(img.mHasTransparency);
    EXPECT_TRUE(img.mHasAlpha);
    // The bits appear zeroed on first use.
    for (int i = 0; i < 4; ++i) EXPECT_EQ(img.GetBits()[i], 0u);
    EXPECT_EQ(img.GetBits()[4], MemoryImage::kBitsGuard);

    struct Case
    {
        std::vector<uint32_t> px;
        bool trans, alpha;
    };
    const Case cases[] = {
        {{0xFF000000, 0xFFFFFFFF, 0xFF123456, 0xFF000001}, false, false},
        {{0x00000000, 0xFFFFFFFF, 0xFF123456, 0xFF000001}, true, false},
        {{0x80000000, 0xFFFFFFFF, 0xFF123456, 0xFF000001}, false, true},
        {{0x00000000, 0x01FFFFFF, 0xFE123456, 0xFF000001}, true, true},
    };
    for (const Case& k : cases)
    {
        img.SetBits(k.px.data(), 2, 2, false);
        img.UpdateAlphaFlags();
        EXPECT_EQ(img.mHasTransparency, k.trans);
        EXPECT_EQ(img.mHasAlpha, k.alpha);
    }
    // Forced flags stay as forced.
    img.ForceAlphaFlags(false, false);
    img.SetBits(cases[3].px.data(), 2, 2, true);
    EXPECT_FALSE(img.mHasTransparency);
    EXPECT_FALSE(img.mHasAlpha);
}

TEST(MemoryImageTest, AlphaRunTables)
{
    MemoryImage img(nullptr);
    SetPixels(img, 5, 1, {0x00000000, 0x00FFFFFF, 0xFF000000, 0x80000000, 0x80FFFFFF});
    EXPECT_EQ(Runs(img), (std::vector<uint8_t>{2, 1, 1, 2, 1}));

    // 300 opaque pixels: 46 bytes of 255, then 254 down to 1.
    SetPixels(img, 300, 1, std::vector<uint32_t>(300, 0xFF102030));
    std::vector<uint8_t> expected(46, 255);
    for (int n = 254; n >= 1; --n) expected.push_back(uint8_t(n));
    EXPECT_EQ(Runs(img), expected);

    // Runs never cross a row; a one-pixel-wide image is all ones.
    SetPixels(img, 2, 2, {0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000});
    EXPECT_EQ(Runs(img), (std::vector<uint8_t>{2, 1, 2, 1}));
    SetPixels(img, 1, 3, {0xFF000000, 0xFF000000, 0x00000000});
    EXPECT_EQ(Runs(img), (std::vector<uint8_t>{1, 1, 1}));

    // A palette image gives the same runs as its ARGB form.
    SetPixels(img, 5, 1, {0x00000000, 0x00FFFFFF, 0xFF000000, 0x80000000, 0x80FFFFFF});
    ASSERT_TRUE(img.ConvertToPalette());
    ASSERT_EQ(img.mBits, nullptr);
    EXPECT_EQ(Runs(img), (std::vector<uint8_t>{2, 1, 1, 2, 1}));
}

TEST(MemoryImageTest, AdditiveRunTables)
{
    MemoryImage img(nullptr);
    // Classes: premultiplied colour zero (black, or any colour at alpha 0) against everything else.
    SetPixels(img, 6, 1, {0xFF000000, 0x00FFFFFF, 0xFF010000, 0x80FFFFFF, 0xFF000000, 0x01000000});
    const uint8_t* runs = img.GetAdditiveRunData(nullptr);
    EXPECT_EQ(std::vector<uint8_t>(runs, runs + 6), (std::vector<uint8_t>{2, 1, 2, 1, 2, 1}));
}

TEST(MemoryImageTest, PaletteConversionAt256And257Colours)
{
    for (int colours : {1, 255, 256, 257})
    {
        // Unsigned order matters for the sorted list: use colours above and below 0x80000000.
        auto colourOf = [](int k)
        { return k == 0 ? 0xFFFFFFFFu : (k == 1 ? 0x00000001u : 0x80000000u + uint32_t(k) * 0x010203u); };
        std::vector<uint32_t> px;
        for (int i = 0; i < 300; ++i) px.push_back(colourOf(i % colours));
        std::vector<uint32_t> distinct(px);
        std::sort(distinct.begin(), distinct.end());
        distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
        ASSERT_EQ(distinct.size(), size_t(colours));

        MemoryImage img(nullptr);
        SetPixels(img, 30, 10, px);
        const bool fits = distinct.size() <= 256;
        EXPECT_EQ(img.ConvertToPalette(), fits) << distinct.size() << " colours";
        EXPECT_EQ(img.mWantsPalette, fits);
        if (fits)
        {
            EXPECT_EQ(img.mBits, nullptr);
            EXPECT_EQ(img.mPaletteTable[0], px[0]); // the first pixel is entry 0
            EXPECT_TRUE(img.ConvertToPalette());    // already a palette image
        }
        else
        {
            EXPECT_NE(img.mBits, nullptr);
            EXPECT_EQ(img.mPaletteTable, nullptr);
        }
        const uint32_t* bits = img.GetBits();
        EXPECT_EQ(std::vector<uint32_t>(bits, bits + px.size()), px);
        EXPECT_EQ(img.mPaletteIndices, nullptr);
    }
}

TEST(MemoryImageTest, DisplayDataConversion)
{
    MemoryImage img(nullptr);
    SetPixels(img, 4, 1, {0xFF123456, 0x00FFFFFF, 0x80FF8040, 0xFFFFFFFF});
    const uint32_t* d = img.GetDisplayAlphaData(&StandardNativeDisplay());
    EXPECT_EQ(d[0], 0xFF123456u); // opaque keeps 8-bit channels exactly
    EXPECT_EQ(d[1], 0x00000000u); // alpha 0 has no colour
    // Premultiplied by (a + 1) / 256 with a = 128.
    EXPECT_EQ(d[2], (0x80u << 24) | ((255u * 129 >> 8) << 16) | ((0x80u * 129 >> 8) << 8) | (0x40u * 129 >> 8));

    NativeDisplay rgb565;
    rgb565.SetPixelFormat(16, 0xF800, 0x07E0, 0x001F);
    EXPECT_EQ(rgb565.mGreenShift, 5);
    EXPECT_EQ(rgb565.mGreenWidth, 6);
    EXPECT_EQ(rgb565.mRedShift, 11);
    MemoryImage img565(nullptr);
    SetPixels(img565, 2, 1, {0xFF123456, 0xFFFFFFFF});
    const uint32_t* p = img565.GetDisplayAlphaData(&rgb565);
    EXPECT_EQ(p[0], 0xFF000000u | (0x12u >> 3 << 11) | (0x34u >> 2 << 5) | (0x56u >> 3));
    EXPECT_EQ(p[1], 0xFF00FFFFu);
}

TEST(MemoryImageTest, OpaquePictureKeepsOneCopyInA32BitDisplay)
{
    // Opaque pixels in the standard 32-bit display are their own display form: no second buffer is made, and
    // the form drawn from holds the same words a converted copy would.
    const std::vector<uint32_t> opaque = {0xFF123456, 0xFFFEDCBA, 0xFF000000};
    MemoryImage one(nullptr);
    SetPixels(one, 3, 1, opaque);
    const uint32_t* display = one.GetDisplayAlphaData(nullptr);
    EXPECT_EQ(display, one.GetBits());
    EXPECT_EQ(one.mDisplayData, nullptr);
    std::vector<uint32_t> converted(opaque.size());
    MemoryImage::ToDisplayPixels(StandardNativeDisplay(), opaque.data(), converted.data(), opaque.size());
    EXPECT_EQ(std::vector<uint32_t>(display, display + 3), converted);
    // Changed pixels are drawn as they are now.
    one.GetBits()[0] = 0xFF00FF00;
    one.BitsChanged();
    EXPECT_EQ(one.GetDisplayAlphaData(nullptr)[0], 0xFF00FF00u);

    struct Case
    {
        const char* what;
        std::vector<uint32_t> pixels;
        int bitsPerPixel;
        bool forced;
    };
    const Case copies[] = {
        {"translucent", {0xFF123456, 0x80FFFFFF, 0xFF000000}, 32, false},
        {"transparent", {0xFF123456, 0x00FFFFFF, 0xFF000000}, 32, false},
        {"16-bit display", opaque, 16, false},
        {"flags forced", opaque, 32, true},
    };
    for (const Case& c : copies)
    {
        SCOPED_TRACE(c.what);
        BasicImageHost host;
        NativeDisplay display16;
        display16.SetPixelFormat(16, 0xF800, 0x07E0, 0x001F);
        if (c.bitsPerPixel == 16) host.SetNativeDisplay(&display16);
        MemoryImage img(&host);
        SetPixels(img, 3, 1, c.pixels);
        if (c.forced) img.ForceAlphaFlags(false, false);
        const uint32_t* data = img.GetDisplayAlphaData(nullptr);
        EXPECT_NE(img.mDisplayData, nullptr);
        EXPECT_EQ(data, img.mDisplayData.get());
    }

    // Purging keeps a copy of its own: the bits are dropped.
    MemoryImage purged(nullptr);
    SetPixels(purged, 3, 1, opaque);
    purged.GetDisplayAlphaData(nullptr);
    purged.ReleaseBits();
    EXPECT_EQ(purged.mBits, nullptr);
    ASSERT_NE(purged.mDisplayData, nullptr);
    EXPECT_EQ(purged.GetBits()[1], 0xFFFEDCBAu);
}

TEST(MemoryImageTest, ADecodedPictureIsTakenOverNotCopied)
{
    std::unique_ptr<ImageLib::Image> decoded = ImageLib::Image::Create(3, 2);
    ASSERT_NE(decoded, nullptr);
    for (int i = 0; i < 6; ++i) decoded->GetBits()[i] = 0xFF000000u | uint32_t(i);
    const uint32_t* array = decoded->GetBits();
    MemoryImage img(nullptr);
    img.TakeBits(*decoded);
    // The one array the decoder filled, now the picture's, with its guard word after the pixels.
    EXPECT_EQ(img.mBits.get(), array);
    EXPECT_EQ(decoded->GetBits(), nullptr);
    EXPECT_EQ(img.GetWidth(), 3);
    EXPECT_EQ(img.GetBits()[5], 0xFF000005u);
    EXPECT_EQ(img.GetBits()[6], MemoryImage::kBitsGuard);
    EXPECT_FALSE(img.mHasAlpha);

    // An array without room for the guard word is copied.
    ImageLib::Image bare;
    bare.mWidth = 1;
    bare.mHeight = 1;
    bare.mBits.reset(new uint32_t[1]{0x80FFFFFFu});
    MemoryImage copy(nullptr);
    copy.TakeBits(bare);
    EXPECT_NE(copy.mBits.get(), bare.GetBits());
    EXPECT_EQ(copy.GetBits()[0], 0x80FFFFFFu);
    EXPECT_EQ(copy.GetBits()[1], MemoryImage::kBitsGuard);
    EXPECT_TRUE(copy.mHasAlpha);
}

TEST(MemoryImageTest, PurgedImageRebuildsFromDisplayData)
{
    BasicImageHost host;
    NativeDisplay rgb565;
    rgb565.SetPixelFormat(16, 0xF800, 0x07E0, 0x001F);
    host.SetNativeDisplay(&rgb565);

    MemoryImage img(&host);
    SetPixels(img, 3, 1, {0xFF123456, 0x00ABCDEF, 0xFFFFFFFF});
    img.ReleaseBits();
    EXPECT_TRUE(img.mPurgeable);
    EXPECT_EQ(img.mBits, nullptr);
    ASSERT_NE(img.mDisplayData, nullptr);
    const uint32_t* bits = img.GetBits();
    // Narrow channels come back with their low bits zero.
    EXPECT_EQ(bits[0], 0xFF103450u);
    EXPECT_EQ(bits[1], 0x00000000u);
    EXPECT_EQ(bits[2], 0xFFF8FCF8u);

    // Without a display the standard 32-bit format keeps opaque pixels exact.
    MemoryImage plain(nullptr);
    SetPixels(plain, 2, 1, {0xFF123456, 0xFFFEDCBA});
    plain.ReleaseBits();
    EXPECT_EQ(plain.GetBits()[0], 0xFF123456u);
    EXPECT_EQ(plain.GetBits()[1], 0xFFFEDCBAu);
    // A purged image with nothing left comes back as zeros.
    MemoryImage empty(nullptr);
    empty.Create(2, 1);
    empty.ReleaseBits();
    EXPECT_EQ(empty.GetBits()[0], 0u);
}

TEST(MemoryImageTest, BitsChangedAndSetBits)
{
    MemoryImage img(nullptr);
    SetPixels(img, 2, 1, {0xFF000000, 0xFF000000});
    img.GetDisplayAlphaData(nullptr);
    img.GetAlphaRunData();
    img.GetAdditiveRunData(nullptr);
    const uint32_t count = img.mChangeCount;
    img.BitsChanged();
    EXPECT_EQ(img.mChangeCount, count + 1);
    EXPECT_TRUE(img.mBitsChanged);
    EXPECT_EQ(img.mDisplayData, nullptr);
    EXPECT_EQ(img.mAlphaRuns, nullptr);
    EXPECT_EQ(img.mAdditiveRuns, nullptr);

    // SetBits with the image's own pointer does nothing.
    const uint32_t before = img.mChangeCount;
    img.SetBits(img.GetBits(), 2, 1, true);
    EXPECT_EQ(img.mChangeCount, before);

    // Same size after Create (bits null) still allocates.
    img.Create(2, 1);
    ASSERT_EQ(img.mBits, nullptr);
    const uint32_t px[2] = {0xFF010203, 0xFF040506};
    img.SetBits(px, 2, 1, true);
    ASSERT_NE(img.mBits, nullptr);
    EXPECT_EQ(img.mBits[1], 0xFF040506u);
    EXPECT_EQ(img.mBits[2], MemoryImage::kBitsGuard);

    // Sizes that are negative or above the pixel limit give an empty image without bits to read.
    struct Size
    {
        int w, h;
    };
    for (const Size s : {Size{-1, 5}, Size{5, -1}, Size{65536, 1025}, Size{0x10000, 0x10000}})
    {
        MemoryImage big(nullptr);
        big.Create(s.w, s.h);
        EXPECT_EQ(big.mWidth, 0);
        EXPECT_EQ(big.mHeight, 0);
        big.SetBits(px, s.w, s.h, true);
        EXPECT_EQ(big.mWidth, 0);
        EXPECT_NE(big.GetBits(), nullptr);
    }
    MemoryImage limit(nullptr);
    limit.Create(8192, 8192); // exactly the limit is allowed, and costs nothing until the bits are used
    EXPECT_EQ(limit.mWidth, 8192);
}

TEST(MemoryImageTest, CopiesAreDeepAndRegistered)
{
    BasicImageHost host;
    auto original = std::make_unique<MemoryImage>(&host);
    SetPixels(*original, 2, 1, {0xFF112233, 0x80445566});
    original->mNumCols = 2;
    original->mAnimInfo = std::make_unique<AnimInfo>();
    original->mAnimInfo->mFrameDelay = 7;

    MemoryImage copy(*original);
    EXPECT_TRUE(host.IsRegistered(&copy));
    EXPECT_EQ(host.GetImageCount(), 2u);
    EXPECT_NE(copy.mBits.get(), original->mBits.get());
    EXPECT_EQ(copy.mBits[1], 0x80445566u);
    EXPECT_EQ(copy.mNumCols, 2);
    ASSERT_NE(copy.mAnimInfo, nullptr);
    EXPECT_NE(copy.mAnimInfo.get(), original->mAnimInfo.get());
    EXPECT_TRUE(copy.mHasAlpha);

    ASSERT_TRUE(original->ConvertToPalette());
    MemoryImage paletteCopy(*original);
    original.reset(); // deleting the original must leave both copies whole
    EXPECT_EQ(host.GetImageCount(), 2u);
    EXPECT_EQ(paletteCopy.GetBits()[0], 0xFF112233u);
    EXPECT_EQ(copy.GetBits()[0], 0xFF112233u);
}

TEST(MemoryImageTest, RegistrationIsNullSafeAndSurvivesTheHost)
{
    SetImageHost(nullptr);
    MemoryImage orphan; // no application: not registered, still usable
    EXPECT_EQ(orphan.GetHost(), nullptr);
    orphan.Create(1, 1);
    orphan.FillRect(Rect(0, 0, 1, 1), Color(1, 2, 3), 0);
    EXPECT_EQ(orphan.GetBits()[0], 0xFF010203u);

    auto host = std::make_unique<BasicImageHost>();
    SetImageHost(host.get());
    auto survivor = std::make_unique<MemoryImage>();
    EXPECT_TRUE(host->IsRegistered(survivor.get()));
    SetImageHost(nullptr);
    host.reset(); // the host detaches what is still registered
    EXPECT_EQ(survivor->GetHost(), nullptr);
    survivor.reset(); // and the image no longer reaches the freed host
}

TEST(MemoryImageTest, CelGridTreatsZeroAsOne)
{
    MemoryImage img(nullptr);
    img.Create(40, 30);
    img.mNumCols = 4;
    img.mNumRows = 3;
    EXPECT_EQ(img.GetCelRect(5), Rect(10, 10, 10, 10));
    img.mNumCols = 0;
    img.mNumRows = -2;
    EXPECT_EQ(img.GetCelWidth(), 40);
    EXPECT_EQ(img.GetCelHeight(), 30);
    EXPECT_EQ(img.GetCelRect(0), Rect(0, 0, 40, 30));
}

TEST(AnimInfoTest, Compute)
{
    AnimInfo pingPong;
    pingPong.mAnimType = AnimType_PingPong;
    pingPong.mFrameDelay = 10;
    pingPong.Compute(4);
    EXPECT_EQ(pingPong.mFrameMap, (std::vector<int>{0, 1, 2, 3, 2, 1}));
    EXPECT_EQ(pingPong.mNumCels, 6);
    EXPECT_EQ(pingPong.mTotalAnimTime, 60);

    // Begin and end delays size the per-frame list first; other frames use the frame delay.
    AnimInfo delays;
    delays.mAnimType = AnimType_Loop;
    delays.mFrameDelay = 10;
    delays.Compute(3, 100, 50);
    EXPECT_EQ(delays.mPerFrameDelay, (std::vector<int>{100, 10, 50}));
    EXPECT_EQ(delays.mTotalAnimTime, 160);

    AnimInfo single;
    single.mAnimType = AnimType_PingPong;
    single.mFrameDelay = 0;
    single.Compute(0, 0, 5);
    EXPECT_EQ(single.mNumCels, 1);
    EXPECT_EQ(single.mFrameDelay, 1);
    EXPECT_TRUE(single.mFrameMap.empty());
    EXPECT_EQ(single.mPerFrameDelay, (std::vector<int>{5}));
    EXPECT_EQ(single.mTotalAnimTime, 5);
}
