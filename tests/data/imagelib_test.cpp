// Image files: every decoder's pixels, the refusal of bad input, the file search, alpha merging and the writers.
#include "image_fixtures.h"

#include "data/ImageCodecs.h"
#include "data/ImageLib.h"
#include "data/J2KCodec.h"
#include "platform/Debug.h"
#include "platform/Modules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <tuple>
#include <zlib.h>

using namespace ImageFixtures;
using ImageLib::Image;

namespace
{

using Decoder = std::unique_ptr<Image> (*)(ImageLib::ImageSource&);

std::unique_ptr<Image> Decode(Decoder decode, const Bytes& bytes)
{
    ImageLib::MemorySource source(bytes.data(), bytes.size());
    return decode(source);
}

std::vector<uint32_t> Pixels(const Image& image)
{
    return std::vector<uint32_t>(image.GetBits(), image.GetBits() + static_cast<size_t>(image.mWidth) * image.mHeight);
}

// Largest difference of any channel between two pixel arrays.
int MaxChannelDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
{
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int s = 0; s < 32; s += 8)
            worst =
                std::max(worst, std::abs(static_cast<int>((a[i] >> s) & 0xFF) - static_cast<int>((b[i] >> s) & 0xFF)));
    return worst;
}

std::vector<uint32_t> Opaque(std::vector<uint32_t> pixels)
{
    for (uint32_t& p : pixels) p |= 0xFF000000;
    return pixels;
}

// Loads the JPEG 2000 codec for the test and frees it afterwards.
struct J2KCodecLoaded
{
    J2KCodecLoaded()
    {
        Platform::RestoreHiddenModules();
        ImageLib::RegisterJ2KCodecModule();
        ImageLib::LoadJ2KCodec();
    }
    ~J2KCodecLoaded()
    {
        ImageLib::FreeJ2KCodec();
        Platform::RestoreHiddenModules();
        ImageLib::RegisterJ2KCodecModule();
    }
};

// ---- TGA ----

TEST(ImageTga, DecodesRawAndRunLengthPixelsExactly)
{
    // Runs of equal pixels, crossing the row ends, next to changing ones.
    std::vector<uint32_t> px = Gradient(7, 5);
    for (int i = 3; i < 12; ++i) px[i] = 0x80123456;
    struct Case
    {
        const char* name;
        TgaOptions options;
    };
    const Case cases[] = {
        {"raw", {}},
        {"run-length", {.type = 10, .runLength = true}},
        {"id and colour map skipped", {.id = "made by hand", .colourMapEntries = 3}},
        {"run-length after an id", {.type = 10, .id = "x", .runLength = true}},
    };
    for (const Case& c : cases)
    {
        auto image = Decode(ImageLib::DecodeTGA, MakeTga(7, 5, px, c.options));
        ASSERT_TRUE(image) << c.name;
        EXPECT_EQ(image->mWidth, 7) << c.name;
        EXPECT_EQ(image->GetHeight(), 5) << c.name;
        EXPECT_EQ(Pixels(*image), px) << c.name;
    }
}

TEST(ImageTga, RefusesOtherLayoutsAndSizes)
{
    const std::vector<uint32_t> px(4, 0xFF00FF00);
    struct Case
    {
        const char* name;
        int width, height;
        TgaOptions options;
    };
    const Case cases[] = {
        {"24 bits per pixel", 2, 2, {.bitsPerPixel = 24}},
        {"bottom-left origin", 2, 2, {.descriptor = 0x08}},
        {"no alpha bits", 2, 2, {.descriptor = 0x20}},
        {"colour-mapped type", 2, 2, {.type = 1}},
        {"grey type", 2, 2, {.type = 3}},
        {"run-length colour-mapped type", 2, 2, {.type = 9}},
        {"zero width", 0, 2, {}},
        {"wider than 16384", 16385, 1, {}},
        {"more than 64 megapixels", 16384, 4097, {}},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(Decode(ImageLib::DecodeTGA, MakeTga(c.width, c.height, px, c.options))) << c.name;
}

// ---- GIF ----

struct GifCase
{
    const char* name;
    int width, height;
    int colours;
    GifOptions options;
};

std::vector<uint32_t> TestPalette(int count)
{
    std::vector<uint32_t> palette;
    for (int i = 0; i < count; ++i) palette.push_back(static_cast<uint32_t>(i * 0x010305 + 0x102030) & 0xFFFFFF);
    return palette;
}

TEST(ImageGif, DecodesIndicesThroughThePalette)
{
    const GifCase cases[] = {
        {"global table", 9, 6, 16, {.minCodeSize = 4}},
        {"local table", 9, 6, 16, {.minCodeSize = 4, .localTable = true}},
        {"two colours, code size 1", 17, 3, 2, {.minCodeSize = 1}},
        {"code size 8 with extensions", 31, 7, 256, {.minCodeSize = 8}},
        {"no extensions", 5, 5, 4, {.minCodeSize = 2, .extras = false}},
        {"interlaced", 6, 13, 8, {.minCodeSize = 3, .interlaced = true}},
        {"interlaced, one row", 6, 1, 8, {.minCodeSize = 3, .interlaced = true}},
        {"transparent index", 8, 8, 8, {.minCodeSize = 3, .transparent = 5}},
        {"table fills, encoder clears", 120, 90, 256, {.minCodeSize = 8}},
        {"table fills, deferred clear", 120, 90, 256, {.minCodeSize = 8, .deferredClear = true}},
    };
    std::mt19937 random(7);
    for (const GifCase& c : cases)
    {
        const auto palette = TestPalette(c.colours);
        std::vector<int> indices(static_cast<size_t>(c.width) * c.height);
        // Runs as well as noise, so that strings repeat and the table is used.
        for (size_t i = 0; i < indices.size(); ++i)
            indices[i] =
                (i / 5) % 3 == 0 ? static_cast<int>(i / 15) % c.colours : static_cast<int>(random() % c.colours);
        auto image = Decode(ImageLib::DecodeGIF, MakeGif(c.width, c.height, indices, palette, c.options));
        ASSERT_TRUE(image) << c.name;
        ASSERT_EQ(image->mWidth, c.width) << c.name;
        ASSERT_EQ(image->mHeight, c.height) << c.name;
        std::vector<uint32_t> expected;
        for (int index : indices)
            expected.push_back(index == c.options.transparent ? 0u : 0xFF000000 | palette[static_cast<size_t>(index)]);
        EXPECT_EQ(Pixels(*image), expected) << c.name;
    }
}

TEST(ImageGif, IndicesBeyondTheTableAreOpaqueBlack)
{
    const std::vector<int> indices = {0, 1, 2, 3, 4, 7, 1, 0};
    // A four-entry global table for code size 3, and no table at all.
    auto image = Decode(ImageLib::DecodeGIF, MakeGif(8, 1, indices, TestPalette(4), {.minCodeSize = 3}));
    ASSERT_TRUE(image);
    const auto p = TestPalette(4);
    const std::vector<uint32_t> expected = {0xFF000000 | p[0], 0xFF000000 | p[1], 0xFF000000 | p[2], 0xFF000000 | p[3],
                                            0xFF000000,        0xFF000000,        0xFF000000 | p[1], 0xFF000000 | p[0]};
    EXPECT_EQ(Pixels(*image), expected);

    image = Decode(ImageLib::DecodeGIF, MakeGif(8, 1, indices, {}, {.minCodeSize = 3}));
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), std::vector<uint32_t>(8, 0xFF000000));
}

// A one-colour 4x2 GIF whose image data are the given codes (code size 2: clear 4, end 5).
Bytes GifWithCodes(const std::vector<std::pair<int, int>>& codesAndWidths)
{
    Bytes gif = MakeGif(4, 2, std::vector<int>(8, 1), {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}, {.minCodeSize = 2});
    const size_t data = gif.size() - 1 - GifLzw(std::vector<int>(8, 1), 2).size();
    GifCodeWriter w;
    for (auto [code, width] : codesAndWidths) w.Put(code, width);
    const Bytes blocks = w.Finish();
    gif.resize(data);
    gif.insert(gif.end(), blocks.begin(), blocks.end());
    gif.push_back(0x3B);
    return gif;
}

TEST(ImageGif, BadCodeStreamsStopDecodingAndLeaveTransparentBlack)
{
    const uint32_t g = 0xFF00FF00;
    struct Case
    {
        const char* name;
        std::vector<std::pair<int, int>> codes;
        std::vector<uint32_t> expected;
    };
    const Case cases[] = {
        {"literals then end", {{4, 3}, {1, 3}, {1, 3}, {5, 3}}, {g, g, 0, 0, 0, 0, 0, 0}},
        {"first code after clear not a literal", {{4, 3}, {6, 3}, {1, 3}}, std::vector<uint32_t>(8, 0)},
        {"code above the next code", {{4, 3}, {1, 3}, {7, 3}, {1, 3}}, {g, 0, 0, 0, 0, 0, 0, 0}},
        {"code equal to the next code", {{4, 3}, {1, 3}, {6, 3}, {5, 3}}, {g, g, g, 0, 0, 0, 0, 0}},
        {"stream runs out", {{4, 3}, {1, 3}}, {g, 0, 0, 0, 0, 0, 0, 0}},
        {"clear twice, then a string code", {{4, 3}, {4, 3}, {1, 3}, {6, 3}, {5, 3}}, {g, g, g, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases)
    {
        auto image = Decode(ImageLib::DecodeGIF, GifWithCodes(c.codes));
        ASSERT_TRUE(image) << c.name;
        EXPECT_EQ(Pixels(*image), c.expected) << c.name;
    }
}

TEST(ImageGif, RefusesBadHeaders)
{
    const std::vector<int> indices(4, 1);
    const auto palette = TestPalette(4);
    auto gif = [&](const GifOptions& o, int w = 2, int h = 2) { return MakeGif(w, h, indices, palette, o); };
    Bytes badSignature = gif({.minCodeSize = 2});
    badSignature[4] = '8';
    Bytes onlyTrailer = {'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B};
    Bytes noTrailerNoImage = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x21, 0xFE, 1, 'x', 0};
    struct Case
    {
        const char* name;
        Bytes bytes;
    };
    const Case cases[] = {
        {"signature", badSignature},
        {"minimum code size 0", gif({.minCodeSize = 0})},
        {"minimum code size 12", gif({.minCodeSize = 12})},
        {"trailer before any image", onlyTrailer},
        {"file ends before any image", noTrailerNoImage},
        {"zero width", MakeGif(0, 2, {}, palette, {.minCodeSize = 2})},
        {"taller than 16384", MakeGif(1, 16385, indices, palette, {.minCodeSize = 2})},
    };
    for (const Case& c : cases) EXPECT_FALSE(Decode(ImageLib::DecodeGIF, c.bytes)) << c.name;
}

// ---- PNG ----

TEST(ImagePng, EveryColourTypeAndDepthGivesArgb)
{
    struct Case
    {
        const char* name;
        PngRecipe recipe;
        std::vector<uint32_t> expected;
    };
    const Case cases[] = {
        {"grey 8",
         {.width = 3, .height = 1, .colourType = PNG_COLOR_TYPE_GRAY, .samples = {0, 128, 255}},
         {0xFF000000, 0xFF808080, 0xFFFFFFFF}},
        {"grey 1 bit",
         {.width = 3, .height = 1, .colourType = PNG_COLOR_TYPE_GRAY, .bitDepth = 1, .samples = {1, 0, 1}},
         {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}},
        {"grey 4 bits with a transparent value",
         {.width = 3,
          .height = 1,
          .colourType = PNG_COLOR_TYPE_GRAY,
          .bitDepth = 4,
          .samples = {3, 15, 0},
          .transparentGrey = 3},
         {0x00333333, 0xFFFFFFFF, 0xFF000000}},
        {"grey 16 keeps the high byte",
         {.width = 2, .height = 1, .colourType = PNG_COLOR_TYPE_GRAY, .bitDepth = 16, .samples = {0x12FF, 0xAB01}},
         {0xFF121212, 0xFFABABAB}},
        {"rgb 8",
         {.width = 2, .height = 1, .colourType = PNG_COLOR_TYPE_RGB, .samples = {1, 2, 3, 250, 128, 0}},
         {0xFF010203, 0xFFFA8000}},
        {"rgb 16",
         {.width = 1,
          .height = 1,
          .colourType = PNG_COLOR_TYPE_RGB,
          .bitDepth = 16,
          .samples = {0x1234, 0x5678, 0x9ABC}},
         {0xFF12569A}},
        {"palette with partial transparency",
         {.width = 4,
          .height = 1,
          .colourType = PNG_COLOR_TYPE_PALETTE,
          .samples = {0, 1, 2, 3},
          .palette = {0x112233, 0x445566, 0x778899, 0xAABBCC},
          .paletteAlpha = {0, 0x80}},
         {0x00112233, 0x80445566, 0xFF778899, 0xFFAABBCC}},
        {"palette 2 bits",
         {.width = 3,
          .height = 1,
          .colourType = PNG_COLOR_TYPE_PALETTE,
          .bitDepth = 2,
          .samples = {2, 0, 1},
          .palette = {0xFF0000, 0x00FF00, 0x0000FF}},
         {0xFF0000FF, 0xFFFF0000, 0xFF00FF00}},
        {"grey and alpha 8",
         {.width = 2, .height = 1, .colourType = PNG_COLOR_TYPE_GRAY_ALPHA, .samples = {0x40, 0x10, 0xC0, 0xFF}},
         {0x10404040, 0xFFC0C0C0}},
        {"grey and alpha 16",
         {.width = 1,
          .height = 1,
          .colourType = PNG_COLOR_TYPE_GRAY_ALPHA,
          .bitDepth = 16,
          .samples = {0x4000, 0x1000}},
         {0x10404040}},
        {"rgba 8",
         {.width = 2, .height = 1, .colourType = PNG_COLOR_TYPE_RGB_ALPHA, .samples = {1, 2, 3, 4, 5, 6, 7, 8}},
         {0x04010203, 0x08050607}},
        {"rgba 16",
         {.width = 1,
          .height = 1,
          .colourType = PNG_COLOR_TYPE_RGB_ALPHA,
          .bitDepth = 16,
          .samples = {0x0102, 0x0304, 0x0506, 0x0708}},
         {0x07010305}},
    };
    for (const Case& c : cases)
    {
        auto image = Decode(ImageLib::DecodePNG, MakePng(c.recipe));
        ASSERT_TRUE(image) << c.name;
        EXPECT_EQ(image->mWidth, c.recipe.width) << c.name;
        EXPECT_EQ(Pixels(*image), c.expected) << c.name;
    }
}

TEST(ImagePng, InterlacedImagesComeOutInRowOrder)
{
    // 13x11 reaches every one of the seven passes with partial blocks at the edges.
    const int w = 13, h = 11;
    const auto px = Gradient(w, h);
    for (int depth : {8, 16})
    {
        PngRecipe recipe{
            .width = w, .height = h, .colourType = PNG_COLOR_TYPE_RGB_ALPHA, .bitDepth = depth, .interlaced = true};
        for (uint32_t p : px)
            for (int s : {16, 8, 0, 24})
                recipe.samples.push_back(
                    static_cast<uint16_t>(depth == 16 ? ((p >> s) & 0xFF) * 257 : (p >> s) & 0xFF));
        auto image = Decode(ImageLib::DecodePNG, MakePng(recipe));
        ASSERT_TRUE(image) << depth;
        EXPECT_EQ(Pixels(*image), px) << depth;
    }
}

// Replaces the IHDR size of a PNG and mends the chunk's checksum.
Bytes WithPngSize(Bytes png, uint32_t width, uint32_t height)
{
    for (int i = 0; i < 4; ++i)
    {
        png[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
        png[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    const uLong crc = crc32(0, png.data() + 12, 17);
    for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    return png;
}

TEST(ImagePng, RefusesOversizeAndDamagedFiles)
{
    Platform::DebugOutputCapture quiet; // the decoders report every refusal
    const Bytes png = MakePng({.width = 2, .height = 2, .colourType = PNG_COLOR_TYPE_GRAY, .samples = {1, 2, 3, 4}});
    ASSERT_TRUE(Decode(ImageLib::DecodePNG, WithPngSize(png, 2, 2)));
    Bytes badCrc = png;
    badCrc[30] ^= 0x55;
    Bytes badData = png;
    badData[png.size() - 20] ^= 0xFF; // inside the compressed data
    struct Case
    {
        const char* name;
        Bytes bytes;
    };
    const Case cases[] = {
        {"wider than 16384", WithPngSize(png, 16385, 1)},
        {"more than 64 megapixels", WithPngSize(png, 16384, 4097)},
        {"header checksum", badCrc},
        {"compressed data", badData},
        {"size disagrees with the data", WithPngSize(png, 3, 3)},
    };
    for (const Case& c : cases) EXPECT_FALSE(Decode(ImageLib::DecodePNG, c.bytes)) << c.name;
}

// ---- JPEG ----

TEST(ImageJpeg, ColourRoundTripIsWithinTolerance)
{
    const int w = 64, h = 48;
    const auto px = Gradient(w, h);
    Bytes jpeg;
    ASSERT_TRUE(ImageLib::EncodeJPEG(*MakeImage(w, h, px), jpeg));
    auto image = Decode(ImageLib::DecodeJPEG, jpeg);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->mWidth, w);
    ASSERT_EQ(image->mHeight, h);
    // Alpha is not stored: every pixel comes back opaque.
    EXPECT_LE(MaxChannelDifference(Pixels(*image), Opaque(px)), 10);
}

TEST(ImageJpeg, GreyFilesGiveEqualChannels)
{
    const int w = 40, h = 24;
    std::vector<uint8_t> grey(static_cast<size_t>(w) * h);
    for (int i = 0; i < w * h; ++i) grey[i] = static_cast<uint8_t>((i % w) * 5 + (i / w) * 2);
    auto image = Decode(ImageLib::DecodeJPEG, MakeJpeg(w, h, 1, JCS_GRAYSCALE, grey));
    ASSERT_TRUE(image);
    int worst = 0;
    for (int i = 0; i < w * h; ++i)
    {
        const uint32_t p = image->GetBits()[i];
        ASSERT_EQ(p >> 24, 0xFFu);
        ASSERT_EQ((p >> 16) & 0xFF, p & 0xFF);
        ASSERT_EQ((p >> 8) & 0xFF, p & 0xFF);
        worst = std::max(worst, std::abs(static_cast<int>(p & 0xFF) - grey[i]));
    }
    EXPECT_LE(worst, 6);
}

TEST(ImageJpeg, InkSeparationFilesAreRefused)
{
    const std::vector<uint8_t> cmyk(8 * 8 * 4, 0x40);
    const Bytes jpeg = MakeJpeg(8, 8, 4, JCS_CMYK, cmyk);
    ASSERT_GT(jpeg.size(), 100u);
    EXPECT_FALSE(Decode(ImageLib::DecodeJPEG, jpeg));
}

// ---- JPEG 2000 ----

TEST(ImageJ2k, CodestreamsAndJp2FilesDecodeLosslessly)
{
    J2KCodecLoaded codec;
    const int w = 11, h = 7;
    const auto px = Gradient(w, h);
    auto plane = [&](int shift, int scale = 1)
    {
        std::vector<int> v;
        for (uint32_t p : px) v.push_back(static_cast<int>((p >> shift) & 0xFF) * scale);
        return v;
    };
    std::vector<uint32_t> grey, rgb = Opaque(px);
    for (uint32_t p : px) grey.push_back(0xFF000000 | (p & 0xFF) * 0x010101);
    struct Case
    {
        const char* name;
        int precision;
        std::vector<std::vector<int>> planes;
        std::vector<uint32_t> expected;
    };
    const Case cases[] = {
        {"grey", 8, {plane(0)}, grey},
        {"grey 12 bits", 12, {plane(0, 16)}, grey},
        {"grey and alpha", 8, {plane(0), plane(24)}, grey},
        {"rgb", 8, {plane(16), plane(8), plane(0)}, rgb},
        {"rgba, alpha forced opaque", 8, {plane(16), plane(8), plane(0), plane(24)}, rgb},
    };
    for (const Case& c : cases)
        for (bool jp2 : {false, true})
        {
            const Bytes file = MakeJ2K(w, h, c.precision, c.planes, jp2);
            ASSERT_FALSE(file.empty()) << c.name;
            auto image = Decode(ImageLib::DecodeJ2K, file);
            ASSERT_TRUE(image) << c.name << (jp2 ? " jp2" : " j2k");
            EXPECT_EQ(image->mWidth, w);
            EXPECT_EQ(Pixels(*image), c.expected) << c.name << (jp2 ? " jp2" : " j2k");
        }
}

int ReportOldVersion()
{
    return 0x110000;
}

TEST(ImageJ2k, MissingOrOldCodecLoadsNothingAndIsFreed)
{
    const Bytes file = MakeJ2K(4, 4, 8, {std::vector<int>(16, 99)}, false);
    ImageLib::RegisterJ2KCodecModule();
    {
        J2KCodecLoaded codec;
        ASSERT_TRUE(Decode(ImageLib::DecodeJ2K, file));
    }
    EXPECT_EQ(Platform::ModuleLoadCount(ImageLib::kJ2KModuleName), 0);

    // Not loaded at all.
    EXPECT_FALSE(Decode(ImageLib::DecodeJ2K, file));

    struct Case
    {
        const char* name;
        std::function<void()> breakIt;
        const char* report;
    };
    const Case cases[] = {
        {"module missing", [] { Platform::HideModule(ImageLib::kJ2KModuleName); }, ""},
        {"entry missing", [] { Platform::HideModuleEntry(ImageLib::kJ2KModuleName, ImageLib::kJ2KDecode); },
         "JPEG 2000: codec entry missing\n"},
        {"version too old",
         []
         {
             Platform::RegisterModule(ImageLib::kJ2KModuleName,
                                      {{ImageLib::kJ2KGetVersion, Platform::Entry<int()>(&ReportOldVersion)}});
         },
         "JPEG 2000: codec version too old\n"},
    };
    for (const Case& c : cases)
    {
        c.breakIt();
        ImageLib::LoadJ2KCodec();
        Platform::DebugOutputCapture output;
        EXPECT_FALSE(Decode(ImageLib::DecodeJ2K, file)) << c.name;
        EXPECT_EQ(output.Text(), c.report) << c.name;
        // The unusable codec was given back.
        EXPECT_EQ(Platform::ModuleLoadCount(ImageLib::kJ2KModuleName), 0) << c.name;
        ImageLib::FreeJ2KCodec();
        Platform::RestoreHiddenModules();
        ImageLib::RegisterJ2KCodecModule();
        J2KCodecLoaded codec;
        EXPECT_TRUE(Decode(ImageLib::DecodeJ2K, file)) << c.name << ": restored";
    }
}

TEST(ImageJ2k, ModuleEntriesReportSizesAndErrors)
{
    J2KCodecLoaded codec;
    Platform::ModuleHandle module = Platform::LoadLibrary(ImageLib::kJ2KModuleName);
    ASSERT_TRUE(module);
    auto openFile =
        Platform::GetProcAddress<std::remove_pointer_t<ImageLib::J2KOpenFileFn>>(module, ImageLib::kJ2KOpenFile);
    auto getInfo =
        Platform::GetProcAddress<std::remove_pointer_t<ImageLib::J2KGetInfoFn>>(module, ImageLib::kJ2KGetInfo);
    auto dims = Platform::GetProcAddress<std::remove_pointer_t<ImageLib::J2KGetResolutionDimensionsFn>>(
        module, ImageLib::kJ2KGetResolutionDimensions);
    auto decode = Platform::GetProcAddress<std::remove_pointer_t<ImageLib::J2KDecodeFn>>(module, ImageLib::kJ2KDecode);
    auto lastError = Platform::GetProcAddress<std::remove_pointer_t<ImageLib::J2KGetLastErrorFn>>(
        module, ImageLib::kJ2KGetLastError);
    auto errorText =
        Platform::GetProcAddress<std::remove_pointer_t<ImageLib::J2KGetErrorStrFn>>(module, ImageLib::kJ2KGetErrorStr);
    auto close = Platform::GetProcAddress<std::remove_pointer_t<ImageLib::J2KCloseFn>>(module, ImageLib::kJ2KClose);
    ASSERT_TRUE(openFile && getInfo && dims && decode && lastError && errorText && close);

    const auto dir = std::filesystem::temp_directory_path() / ("zest_j2k_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "grey.jp2").string();
    const Bytes file = MakeJ2K(9, 5, 8, {std::vector<int>(45, 200)}, true);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());

    void* image = openFile(path.c_str());
    ASSERT_TRUE(image);
    int w = 0, h = 0, n = 0;
    EXPECT_EQ(getInfo(image, &w, &h, &n), ImageLib::J2K_OK);
    EXPECT_EQ(std::tie(w, h, n), std::make_tuple(9, 5, 1));
    EXPECT_EQ(dims(image, 1, &w, &h), ImageLib::J2K_OK);
    EXPECT_EQ(std::tie(w, h), std::make_tuple(5, 3));

    // Reduced decode, three bytes a pixel, into a buffer with padded rows.
    std::vector<unsigned char> pixels(4 * 16, 0);
    unsigned char* buffer = pixels.data();
    int size = static_cast<int>(pixels.size()), pitch = 16;
    EXPECT_EQ(decode(image, &buffer, &size, "rl=1,bpp=3", &pitch), ImageLib::J2K_OK);
    EXPECT_EQ(pixels[0], 200);
    EXPECT_EQ(pixels[14], 200);
    EXPECT_EQ(pixels[15], 0); // padding untouched
    EXPECT_EQ(pixels[2 * 16 + 14], 200);

    size = 8; // too small for the picture
    EXPECT_EQ(decode(image, &buffer, &size, "bpp=4,rl=0", &pitch), ImageLib::J2K_ERROR_ARGUMENT);
    EXPECT_EQ(lastError(), ImageLib::J2K_ERROR_ARGUMENT);
    EXPECT_STREQ(errorText(lastError()), "Invalid argument");
    size = 64;
    EXPECT_EQ(decode(image, &buffer, &size, "bpp=5", &pitch), ImageLib::J2K_ERROR_ARGUMENT);
    close(image);

    EXPECT_EQ(openFile((dir / "missing.jp2").string().c_str()), nullptr);
    EXPECT_EQ(lastError(), ImageLib::J2K_ERROR_READ);
    Platform::FreeLibrary(module);
    std::filesystem::remove_all(dir);
}

// ---- every format: bad input ----

struct FormatSample
{
    const char* name;
    Decoder decode;
    Bytes bytes;
    size_t headerEnd; // cuts before this offset lose the header
};

size_t StartOfScan(const Bytes& jpeg)
{
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) return i + 2;
    return 0;
}

std::vector<FormatSample> FormatSamples()
{
    const int w = 24, h = 16;
    const auto px = Gradient(w, h);
    std::vector<int> indices;
    for (uint32_t p : px) indices.push_back(static_cast<int>(p & 0x0F));
    Bytes png, jpeg;
    ImageLib::EncodePNG(*MakeImage(w, h, px), png);
    ImageLib::EncodeJPEG(*MakeImage(w, h, px), jpeg);
    std::vector<int> plane;
    for (uint32_t p : px) plane.push_back(static_cast<int>(p & 0xFF));
    const Bytes gif = MakeGif(w, h, indices, TestPalette(16), {.minCodeSize = 4});
    return {
        {"tga", ImageLib::DecodeTGA, MakeTga(w, h, px), 18},
        {"gif", ImageLib::DecodeGIF, gif, gif.size() - GifLzw(indices, 4).size() - 1},
        {"png", ImageLib::DecodePNG, png, 33},
        {"jpeg", ImageLib::DecodeJPEG, jpeg, StartOfScan(jpeg)},
        {"j2k", ImageLib::DecodeJ2K, MakeJ2K(w, h, 8, {plane}, false), 40},
        {"jp2", ImageLib::DecodeJ2K, MakeJ2K(w, h, 8, {plane, plane, plane}, true), 80},
    };
}

TEST(ImageDecoders, TruncatedHeadersAndGarbageGiveNull)
{
    Platform::DebugOutputCapture quiet; // the decoders report every refusal
    J2KCodecLoaded codec;
    std::mt19937 random(11);
    for (const FormatSample& f : FormatSamples())
    {
        ASSERT_GT(f.bytes.size(), f.headerEnd) << f.name;
        ASSERT_TRUE(Decode(f.decode, f.bytes)) << f.name;
        for (size_t cut : {size_t{0}, size_t{1}, size_t{5}, f.headerEnd / 2, f.headerEnd - 1})
            EXPECT_FALSE(Decode(f.decode, Bytes(f.bytes.begin(), f.bytes.begin() + static_cast<long>(cut))))
                << f.name << " cut at " << cut;
        for (int round = 0; round < 20; ++round)
        {
            // Random bytes, and random bytes behind the format's own first bytes.
            Bytes garbage(64 + random() % 512);
            for (uint8_t& b : garbage) b = static_cast<uint8_t>(random());
            EXPECT_FALSE(Decode(f.decode, garbage)) << f.name;
            std::copy(f.bytes.begin(), f.bytes.begin() + 12, garbage.begin());
            Decode(f.decode, garbage); // may decode something; must not crash
        }
    }
}

TEST(ImageDecoders, TruncatedPixelDataIsRefusedOrCutShort)
{
    Platform::DebugOutputCapture quiet; // the decoders report every refusal
    J2KCodecLoaded codec;
    for (const FormatSample& f : FormatSamples())
    {
        const Bytes cut(f.bytes.begin(), f.bytes.end() - static_cast<long>((f.bytes.size() - f.headerEnd) / 2));
        auto image = Decode(f.decode, cut);
        const std::string name = f.name;
        if (name == "tga" || name == "png")
        {
            EXPECT_FALSE(image) << name;
            continue;
        }
        // GIF keeps the rows it reached; JPEG ends at an inserted end marker; JPEG 2000 decodes what it has.
        if (name == "gif" || name == "jpeg")
        {
            ASSERT_TRUE(image) << name;
        }
        if (name == "gif")
        {
            EXPECT_EQ(image->GetBits()[24 * 16 - 1], 0u) << "the last pixel was never reached";
        }
    }
}

// ---- files: search order, alpha images, writers ----

class ImageFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mDir = std::filesystem::temp_directory_path() / ("zest_imagelib_" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(mDir);
    }
    void TearDown() override { std::filesystem::remove_all(mDir); }

    std::string Path(const std::string& name) const { return (mDir / name).string(); }

    void Write(const std::string& name, const Bytes& bytes) const
    {
        std::filesystem::create_directories((mDir / name).parent_path());
        std::ofstream(Path(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }

    // A solid 4x4 file in the format of the name's extension.
    void WriteSolid(const std::string& name, uint32_t colour, int size = 4) const
    {
        const std::vector<uint32_t> px(static_cast<size_t>(size) * size, colour);
        const std::string ext = name.substr(name.rfind('.'));
        Bytes bytes;
        if (ext == ".tga") bytes = MakeTga(size, size, px);
        if (ext == ".png") ImageLib::EncodePNG(*MakeImage(size, size, px), bytes);
        if (ext == ".jpg") ImageLib::EncodeJPEG(*MakeImage(size, size, px), bytes);
        if (ext == ".gif")
            bytes = MakeGif(size, size, std::vector<int>(px.size(), 1), {0, colour & 0xFFFFFF}, {.minCodeSize = 2});
        if (ext == ".jp2" || ext == ".j2k")
        {
            std::vector<std::vector<int>> planes(3);
            for (int c = 0; c < 3; ++c) planes[c].assign(px.size(), static_cast<int>((colour >> (16 - 8 * c)) & 0xFF));
            bytes = MakeJ2K(size, size, 8, planes, ext == ".jp2");
        }
        ASSERT_FALSE(bytes.empty()) << name;
        Write(name, bytes);
    }

    std::filesystem::path mDir;
};

// The colour of the file that loaded, rounded so that a lossy file still names its source.
uint32_t LoadedColour(const std::unique_ptr<Image>& image)
{
    if (!image) return 0;
    const uint32_t p = image->GetBits()[0];
    uint32_t rounded = p & 0xFF000000;
    for (int s = 0; s < 24; s += 8) rounded |= (((p >> s) & 0xFF) >= 0x80 ? 0xFFu : 0u) << s;
    return rounded;
}

TEST_F(ImageFiles, ExtensionChoosesTheLoaderAndNoExtensionSearchesInOrder)
{
    J2KCodecLoaded codec;
    const uint32_t tga = 0xFFFF0000, jpg = 0xFF00FF00, png = 0xFF0000FF, gif = 0xFFFFFF00, j2k = 0xFF00FFFF,
                   jp2 = 0xFFFF00FF;
    WriteSolid("all/pic.tga", tga);
    WriteSolid("all/pic.jpg", jpg);
    WriteSolid("all/pic.png", png);
    WriteSolid("all/pic.gif", gif);
    WriteSolid("all/pic.j2k", j2k);
    WriteSolid("all/pic.jp2", jp2);
    WriteSolid("late/pic.png", png);
    WriteSolid("late/pic.gif", gif);
    WriteSolid("late/pic.jp2", jp2);
    WriteSolid("pizza.png", png);
    WriteSolid("data.v2/pizza.png", png);
    WriteSolid("only/pic.jp2", jp2);
    struct Case
    {
        std::string name;
        uint32_t expected; // 0: nothing loads
    };
    const Case cases[] = {
        {"all/pic", tga},        {"all/pic.jpg", jpg}, {"all/pic.PNG", png}, {"all/pic.Gif", gif},
        {"all/pic.j2k", j2k},    {"all/pic.jp2", jp2}, {"all/pic.bmp", 0},   {"late/pic", png},
        {"pizza", png},          {"pizza.PNG", png},   {"pizza.tga", 0},     {"data.v2/pizza", png},
        {"data.v2\\pizza", png}, {"only/pic", jp2},    {"missing", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(LoadedColour(ImageLib::GetImage(Path(c.name), false)), c.expected) << c.name;
}

TEST_F(ImageFiles, AlphaImagesAreMergedOnlyWhenTheSizesMatch)
{
    const uint32_t colour = 0xFF336699;
    WriteSolid("front/pic.png", colour);
    WriteSolid("front/_pic.gif", 0xFF000040); // blue byte 0x40 becomes the alpha
    WriteSolid("back/pic.tga", colour);
    WriteSolid("back/pic_.png", 0xFF0000C0);
    WriteSolid("both/pic.png", colour);
    WriteSolid("both/_pic.png", 0xFF000011);
    WriteSolid("both/pic_.png", 0xFF000022);
    WriteSolid("other/pic.png", colour);
    WriteSolid("other/_pic.png", 0xFF000040, 5);
    WriteSolid("alone/_pic.png", 0xFF123480);
    struct Case
    {
        const char* name;
        uint32_t expected;
    };
    const Case cases[] = {
        {"front/pic", 0x40336699},
        {"back/pic", 0xC0336699},
        {"both/pic", 0x11336699},
        {"other/pic", colour},
        {"alone/pic", 0x80FFFFFF},
        // With an extension the alpha image must have the same one: front/_pic.png does not exist.
        {"front/pic.png", colour},
    };
    for (const Case& c : cases)
    {
        auto image = ImageLib::GetImage(Path(c.name), true);
        ASSERT_TRUE(image) << c.name;
        EXPECT_EQ(image->mWidth, 4) << c.name;
        EXPECT_EQ(Pixels(*image), std::vector<uint32_t>(16, c.expected)) << c.name;
    }
    EXPECT_EQ(ImageLib::GetImage(Path("front/pic"), false)->GetBits()[0], colour);
    EXPECT_EQ(ImageLib::GetImage(Path("alone/pic"), true, 0x00ABCDEF)->GetBits()[0], 0x80ABCDEFu);
    EXPECT_FALSE(ImageLib::GetImage(Path("alone/pic"), false));
}

TEST_F(ImageFiles, WritersRoundTripThroughTheLoaders)
{
    const int w = 37, h = 21;
    const auto px = Gradient(w, h);
    auto image = MakeImage(w, h, px);
    ASSERT_TRUE(ImageLib::WritePNGImage(Path("shot.png"), *image));
    ASSERT_TRUE(ImageLib::WriteJPEGImage(Path("shot.jpg"), *image));

    auto png = ImageLib::LoadPNGImage(Path("shot.png"));
    ASSERT_TRUE(png);
    EXPECT_EQ(Pixels(*png), px);
    auto jpg = ImageLib::LoadJPEGImage(Path("shot.jpg"));
    ASSERT_TRUE(jpg);
    EXPECT_LE(MaxChannelDifference(Pixels(*jpg), Opaque(px)), 12);

    // Overwriting keeps a whole file; a folder that does not exist is a failure.
    ASSERT_TRUE(ImageLib::WritePNGImage(Path("shot.png"), *MakeImage(2, 1, {1, 2})));
    EXPECT_EQ(ImageLib::LoadPNGImage(Path("shot.png"))->mWidth, 2);
    EXPECT_FALSE(ImageLib::WritePNGImage(Path("no/such/folder/shot.png"), *image));
    EXPECT_FALSE(ImageLib::WriteJPEGImage(Path("no/such/folder/shot.jpg"), *image));
    EXPECT_FALSE(ImageLib::WritePNGImage(Path("empty.png"), Image{}));
}

} // namespace
