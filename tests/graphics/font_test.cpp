// Tests of the fonts: descriptor loading, layer choice, scaling, draw order, the glyph pool, duplicates and the
// system font.
#include "graphics/FontData.h"
#include "graphics/Graphics.h"
#include "graphics/ImageFont.h"
#include "graphics/SysFont.h"

#include "DrawRecorder.h"
#include "data/ImageLib.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

using namespace Zest;
using DrawTest::RecordingImage;

namespace
{

// Font data read from descriptor text (images, if any, relative to dir).
FontData* Parse(const std::string& text, const std::string& dir = std::string())
{
    auto* data = new FontData();
    // Bad descriptors are part of what is tested: the data keeps its error text either way.
    [[maybe_unused]] const bool loaded = data->LoadText(nullptr, text, dir);
    return data;
}

std::set<std::string> ActiveLayerNames(ImageFont& font)
{
    font.Prepare();
    std::set<std::string> names;
    for (const auto& l : font.mActiveLayerList) names.insert(l.mBaseFontLayer->mLayerName);
    return names;
}

// A temporary folder removed at the end of the test.
struct TempDir
{
    std::filesystem::path path;
    TempDir()
    {
        path = std::filesystem::temp_directory_path() /
               ("zest-font-test-" + std::to_string(reinterpret_cast<uintptr_t>(this)) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string File(const std::string& name) const { return (path / name).string(); }
};

} // namespace

TEST(FontLayers, ChosenByPointRangeAndTags)
{
    ImageFont font(Parse("DefaultPointSize 12;"
                         "Layer Any;"
                         "Layer Mid; PointRange 12 20;"
                         "Layer Big; PointRange 21 -1;"
                         "Layer Small; PointRange -1 11;"
                         "Layer Bold; Require bold;"
                         "Layer BoldShadow; Require BOLD Shadow;"
                         "Layer Plain; Exclude Bold"));
    struct Case
    {
        int pointSize;
        std::vector<std::string> tags;
        std::set<std::string> layers;
    };
    const Case cases[] = {
        {12, {}, {"Any", "Mid", "Plain"}},         {20, {}, {"Any", "Mid", "Plain"}},
        {21, {}, {"Any", "Big", "Plain"}},         {1000, {}, {"Any", "Big", "Plain"}},
        {11, {}, {"Any", "Small", "Plain"}},       {-5, {}, {"Any", "Small", "Plain"}},
        {12, {"bold"}, {"Any", "Mid", "Bold"}},    {12, {"Bold", "shadow"}, {"Any", "Mid", "Bold", "BoldShadow"}},
        {12, {"shadow"}, {"Any", "Mid", "Plain"}},
    };
    EXPECT_EQ(font.GetPointSize(), 12);
    for (const auto& c : cases)
    {
        for (const auto& t : std::vector<std::string>(font.mTagVector)) EXPECT_TRUE(font.RemoveTag(t));
        for (const auto& t : c.tags) font.AddTag(t);
        font.SetPointSize(c.pointSize);
        EXPECT_EQ(ActiveLayerNames(font), c.layers) << c.pointSize;
    }
    EXPECT_TRUE(font.HasTag("shadow"));
    EXPECT_TRUE(font.HasTag("SHADOW"));
    EXPECT_FALSE(font.RemoveTag("none"));
    EXPECT_FALSE(font.IsLoaded()); // no layer has an image
}

TEST(FontLayers, MetricsCombineOverLayers)
{
    ImageFont font(Parse("Layer A; Metrics 10 2 14 1;"
                         "Layer B; Metrics 12 1 0 3; Glyphs 'x' ((0 0 4 16));"
                         "Layer C; Metrics 9 3 13 -2"));
    EXPECT_EQ(font.GetAscent(), 12);
    EXPECT_EQ(font.GetHeight(), 16); // B's height 0 stands in for its tallest glyph
    EXPECT_EQ(font.GetAscentPadding(), 1);
    EXPECT_EQ(font.GetLineSpacingOffset(), 3);
}

TEST(FontMeasure, ScaledLayersMeasureAndDrawAlike)
{
    // Layers drawn at 16 and 32 points; both glyph strips are 5 pixels per character.
    auto* data = DrawTest::MakeFixedFontData(5);
    data->mFontLayerList.front().mPointSize = 16;
    data->mDefaultPointSize = 16;
    ImageFont font(data);
    EXPECT_EQ(font.CharWidth('a'), 5);

    struct Case
    {
        int layerPoints, pointSize;
        int charWidth;
    };
    for (const Case c : {Case{16, 24, 7}, Case{32, 16, 2}, Case{16, 16, 5}, Case{0, 24, 5}})
    {
        data->mFontLayerList.front().mPointSize = c.layerPoints;
        font.SetPointSize(c.pointSize);
        EXPECT_EQ(font.CharWidth('a'), c.charWidth) << c.layerPoints << "/" << c.pointSize;
        EXPECT_EQ(font.StringWidth("abcd"), 4 * c.charWidth);
        RecordingImage dest(400, 100);
        Graphics g(&dest);
        int drawn = -1;
        std::list<Rect> glyphs;
        font.DrawStringEx(&g, 10, 50, "abcd", Color::White, g.GetClipRect(), &glyphs, &drawn);
        EXPECT_EQ(drawn, 4 * c.charWidth); // drawing advances exactly as measuring does
        ASSERT_EQ(glyphs.size(), 4u);
        EXPECT_EQ(std::next(glyphs.begin())->mX, 10 + c.charWidth);
        font.Prepare();
        const ActiveFontLayer& active = font.mActiveLayerList.front();
        if (c.layerPoints == 0 || c.layerPoints == c.pointSize)
        {
            EXPECT_FALSE(active.mOwnsImage);
        }
        else
        {
            // A rescaled strip: every character's rectangle scaled by the floating ratio.
            ASSERT_TRUE(active.mOwnsImage);
            EXPECT_EQ(active.mScaledCharImageRects['a'].mWidth, c.charWidth);
            EXPECT_EQ(active.mScaledCharImageRects['a'].mHeight, 10 * c.pointSize / c.layerPoints);
            EXPECT_EQ(active.mScaledImage->GetWidth(), 224 * c.charWidth);
        }
    }
}

TEST(FontMeasure, KerningSpacingAndHighCharacters)
{
    auto* data = DrawTest::MakeFixedFontData();
    FontLayer& layer = data->mFontLayerList.front();
    layer.mCharData['a'].mKerningOffsets['b'] = 3;
    layer.mCharData[0xE9].mWidth = 7;
    layer.mSpacing = 1;
    data->mCharMap[0xC9] = 0xE9; // upper-case e-acute drawn with the lower-case glyph
    ImageFont font(data);
    EXPECT_EQ(font.StringWidth("ab"), 2 + (3 + 1) + 2);
    EXPECT_EQ(font.StringWidth("ba"), 2 + 1 + 2);
    EXPECT_EQ(font.CharWidth('b'), 2); // the first character gets neither kerning nor spacing
    EXPECT_EQ(font.CharAdvanceKerned('b', 'a'), 6);
    EXPECT_EQ(font.CharWidth(static_cast<char>(0xE9)), 7);
    EXPECT_EQ(font.CharWidth(static_cast<char>(0xC9)), 7);
    EXPECT_EQ(font.CharWidth('\x01'), 0);

    RecordingImage dest(400, 100);
    Graphics g(&dest);
    int width = 0;
    font.DrawStringEx(&g, 0, 20, "ab\xC9", Color::White, g.GetClipRect(), nullptr, &width);
    EXPECT_EQ(width, font.StringWidth("ab\xC9")); // the last character's kerning is 0
}

TEST(FontMeasure, ValuesFromTheFileSaturateInsteadOfOverflowing)
{
    // A damaged or hostile descriptor can hold any int; widths, offsets and spacing then add up past the int range.
    auto* data = DrawTest::MakeFixedFontData();
    FontLayer& layer = data->mFontLayerList.front();
    layer.mCharData['a'].mWidth = 2'000'000'000;
    layer.mCharData['b'].mWidth = INT32_MIN;
    layer.mCharData['c'].mOffset = Point(INT32_MAX, INT32_MIN);
    layer.mSpacing = INT32_MAX;
    layer.mOffsetX = INT32_MAX;
    ImageFont font(data);
    EXPECT_EQ(font.StringWidth("aa"), INT32_MAX);
    EXPECT_EQ(font.CharAdvanceKerned('a', 'a'), INT32_MAX);
    EXPECT_EQ(font.CharWidth('b'), INT32_MIN);
    EXPECT_EQ(font.StringWidth(std::string(3, 'b')), INT32_MIN);

    RecordingImage dest(100, 100);
    Graphics g(&dest);
    int width = 0;
    font.DrawStringEx(&g, 0, 20, "aac", Color::White, g.GetClipRect(), nullptr, &width);
    EXPECT_EQ(width, INT32_MAX);

    // Scaled: point size 30 over a layer made for 1 multiplies every value by 30.
    layer.mPointSize = 1;
    font.SetPointSize(30);
    EXPECT_EQ(font.CharWidth('a'), INT32_MAX);
    EXPECT_EQ(font.CharWidth('b'), INT32_MIN);
    font.DrawStringEx(&g, 0, 20, "abc", Color::White, g.GetClipRect(), nullptr, &width);
}

TEST(FontDraw, BucketOrderAndClamping)
{
    auto* data = DrawTest::MakeFixedFontData();
    FontLayer& front = data->mFontLayerList.front();
    front.mLayerName = "Front";
    FontLayer& back = data->mFontLayerList.emplace_back(front);
    back.mLayerName = "Back";
    back.mImage = std::make_shared<MemoryImage>(*static_cast<MemoryImage*>(front.mImage.get()));
    back.mBaseOrder = -1;
    front.mCharData['c'].mOrder = 1000; // clamped into the last bucket
    back.mCharData['d'].mOrder = -1000; // clamped into the first bucket
    front.mCharData['e'].mOrder = -200; // -200 + 128 < 0: the first bucket too, after 'd'
    front.mColorMult = Color(255, 0, 0, 255);
    back.mColorAdd = Color(0, 0, 40, 0);

    ImageFont font(data);
    RecordingImage dest(400, 100);
    Graphics g(&dest);
    g.SetColor(Color(100, 100, 100, 200));
    g.SetDrawMode(DRAWMODE_ADDITIVE);
    font.DrawString(&g, 0, 20, "abcde", g.GetColor(), g.GetClipRect());

    std::vector<std::string> order;
    for (const auto& call : dest.calls)
    {
        std::string who = call.image == back.mImage.get() ? "B" : "F";
        order.push_back(who + char(call.src.mX / DrawTest::kWidth));
        EXPECT_EQ(call.color, who == "B" ? Color(100, 100, 140, 200) : Color(100, 0, 0, 200));
        EXPECT_EQ(call.mode, DRAWMODE_ADDITIVE); // layer mode -1 leaves the context's mode
    }
    const std::vector<std::string> expected = {"Bd", "Fe", "Ba", "Bb", "Bc", "Be", "Fa", "Fb", "Fd", "Fc"};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(g.GetColor(), Color(100, 100, 100, 200)); // colour and colorize flag restored
    EXPECT_FALSE(g.GetColorizeImages());
}

TEST(FontDraw, GlyphPoolLimit)
{
    const std::string text(5000, 'x');
    for (int layers : {1, 2, 3})
    {
        auto* data = DrawTest::MakeFixedFontData();
        for (int i = 1; i < layers; ++i) data->mFontLayerList.emplace_back(data->mFontLayerList.front());
        ImageFont font(data);
        RecordingImage dest(20000, 100);
        Graphics g(&dest);
        std::list<Rect> glyphs;
        int width = 0;
        font.DrawStringEx(&g, 0, 20, text, Color::White, g.GetClipRect(), &glyphs, &width);
        EXPECT_EQ(glyphs.size(), size_t(ImageFont::kMaxGlyphRecords)) << layers;
        EXPECT_EQ(dest.calls.size(), size_t(ImageFont::kMaxGlyphRecords));
        // The width stops where the records ran out: a character cut short still advances for the layers drawn.
        int chars = (ImageFont::kMaxGlyphRecords + layers - 1) / layers;
        EXPECT_EQ(width, chars * DrawTest::kWidth) << layers;
    }
}

TEST(FontDraw, UnloadedFontDrawsNothing)
{
    ImageFont font(Parse("Layer 'empty'; Advances 'a' (4)"));
    EXPECT_FALSE(font.IsLoaded());
    RecordingImage dest(100, 100);
    Graphics g(&dest);
    int width = -1;
    std::list<Rect> glyphs{Rect()};
    font.DrawStringEx(&g, 0, 20, "aaa", Color::White, g.GetClipRect(), &glyphs, &width);
    EXPECT_EQ(width, 0);
    EXPECT_TRUE(glyphs.empty());
    EXPECT_TRUE(dest.calls.empty());
}

TEST(FontDraw, DuplicatesOwnTheirRescaledImages)
{
    auto* data = DrawTest::MakeFixedFontData();
    data->mFontLayerList.front().mPointSize = 10;
    auto original = std::make_unique<ImageFont>(data);
    original->SetPointSize(15); // rescaled, owned glyph images
    original->AddTag("warm");
    original->Prepare();
    ASSERT_TRUE(original->mActiveLayerList.front().mOwnsImage);
    const int width = original->StringWidth("hello");

    std::unique_ptr<Font> copy = original->Duplicate();
    auto* copyFont = dynamic_cast<ImageFont*>(copy.get());
    ASSERT_NE(copyFont, nullptr);
    EXPECT_EQ(data->GetRefCount(), 2);
    original.reset(); // the copy must not use or free the original's images
    EXPECT_EQ(data->GetRefCount(), 1);
    EXPECT_TRUE(copyFont->HasTag("WARM"));
    EXPECT_EQ(copyFont->GetPointSize(), 15);
    EXPECT_EQ(copyFont->StringWidth("hello"), width);
    MemoryImage dest(nullptr);
    dest.Create(100, 30);
    Graphics g(&dest);
    g.SetColor(Color(255, 0, 0));
    copyFont->DrawString(&g, 0, 20, "hello", g.GetColor(), g.GetClipRect());
    EXPECT_EQ(dest.GetBits()[15 * 100 + 1] >> 24, 0xFFu); // a glyph was drawn

    // Layers that only point into the data are shared by a copy as they are.
    auto plain = std::make_unique<ImageFont>(DrawTest::MakeFixedFontData());
    auto plainCopy = plain->Duplicate();
    EXPECT_TRUE(dynamic_cast<ImageFont*>(plainCopy.get())->mActiveListValid);
    plain.reset();
    EXPECT_EQ(plainCopy->StringWidth("abc"), 6);
}

TEST(FontData, DescriptorVocabulary)
{
    auto* data = Parse("# A two-layer font\n"
                       "Define W 3; Define Pair (1 2); Define Title 'My ''Font''';\n"
                       "DefaultPointSize 14;\n"
                       "CharMap ('A' 'a') (66 98);\n"
                       "Layer \"Main\";\n"
                       "  Glyphs \"ab\" ((0 0 3 9) (3 0 4 11));\n"
                       "  Advances \"ab\" (W 5);\n"
                       "  Offsets \"ab\" (Pair (-1 0));\n"
                       "  Orders 'a' (2);\n"
                       "  Kern \"ab\" -2 'ba' 1;\n"
                       "  Metrics 9 1 12 2; PointSize 14; PointRange 10 -1; Spacing 1; Offset 2 -3;\n"
                       "  Tint 255 128 0 255; Tone 1 2 3 4; Mode 1; BaseOrder -5;\n"
                       "  Require Big; Exclude small tiny;\n"
                       "Layer 'Second'; Advances '\\'' (6)");
    ASSERT_EQ(data->mError, "");
    EXPECT_FALSE(data->mInitialized);
    EXPECT_EQ(data->mDefaultPointSize, 14);
    EXPECT_EQ(data->mCharMap['A'], 'a');
    EXPECT_EQ(data->mCharMap['B'], 'b');
    EXPECT_EQ(data->mCharMap['C'], 'C');
    EXPECT_EQ(data->LookupDefinition("title"), "My 'Font'");
    EXPECT_EQ(data->LookupDefinition("pair"), "(1, 2)");
    EXPECT_EQ(data->LookupDefinition("nothing"), "");
    ASSERT_EQ(data->mFontLayerList.size(), 2u);
    const FontLayer& l = data->mFontLayerList.front();
    EXPECT_EQ(l.mLayerName, "Main");
    EXPECT_EQ(l.mCharData['b'].mImageRect, Rect(3, 0, 4, 11));
    EXPECT_EQ(l.mDefaultHeight, 11);
    EXPECT_EQ(l.mCharData['a'].mWidth, 3);
    EXPECT_EQ(l.mCharData['a'].mOffset, Point(1, 2));
    EXPECT_EQ(l.mCharData['b'].mOffset, Point(-1, 0));
    EXPECT_EQ(l.mCharData['a'].mOrder, 2);
    EXPECT_EQ(l.mCharData['a'].mKerningOffsets['b'], -2);
    EXPECT_EQ(l.mCharData['b'].mKerningOffsets['a'], 1);
    EXPECT_EQ(l.mAscent, 9);
    EXPECT_EQ(l.mAscentPadding, 1);
    EXPECT_EQ(l.mHeight, 12);
    EXPECT_EQ(l.mLineSpacingOffset, 2);
    EXPECT_EQ(l.mPointSize, 14);
    EXPECT_EQ(l.mMinPointSize, 10);
    EXPECT_EQ(l.mMaxPointSize, -1);
    EXPECT_EQ(l.mSpacing, 1);
    EXPECT_EQ(l.mOffsetX, 2);
    EXPECT_EQ(l.mOffsetY, -3);
    EXPECT_EQ(l.mColorMult, Color(255, 128, 0, 255));
    EXPECT_EQ(l.mColorAdd, Color(1, 2, 3, 4));
    EXPECT_EQ(l.mDrawMode, 1);
    EXPECT_EQ(l.mBaseOrder, -5);
    EXPECT_EQ(l.mRequiredTags, std::vector<std::string>{"BIG"});
    EXPECT_EQ(l.mExcludedTags, (std::vector<std::string>{"SMALL", "TINY"}));
    EXPECT_EQ(data->mFontLayerList.back().mCharData['\''].mWidth, 6);
    delete data;
}

TEST(FontData, ErrorsNameTheLine)
{
    struct Case
    {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"Layer a;\n\nBogus 1", "Line 3: Unknown command: Bogus"},
        {"Frobnicate", "Line 1: Unknown command: Frobnicate"},
        {"Glyphs 'a' ((0 0 1 1))", "Line 1: Glyphs needs a Layer first"},
        {"Layer a;\nGlyphs 'ab' ((0 0 1 1))", "Line 2: Glyphs: 2 characters but 1 values"},
        {"Layer a; Glyphs 'a' ((0 0 1))", "Line 1: Expected 4 numbers: (0, 0, 1)"},
        {"Layer a; Advances 'a' (x)", "Line 1: Unable to Dereference \"x\""},
        {"Layer a; Spacing two", "Line 1: Invalid number: two"},
        {"Layer a; Metrics 1 2 3", "Line 1: Wrong number of arguments: Metrics"},
        {"Layer a; Kern 'ab' 128", "Line 1: Kerning out of range: 128"},
        {"Layer a; Kern 'abc' 1", "Line 1: Kern needs two characters: abc"},
        {"Layer a;\n Image 'no-such-image'", "Line 2: Failed to load image: no-such-image"},
        {"Layer a; (Spacing) 1", "Line 1: Missing Command"},
        // Each definition names the one before eight times: expanded in full, every line would be eight times
        // the size of the one before.
        {"Define a (1 1 1 1 1 1 1 1);\nDefine b (a a a a a a a a);\nDefine c (b b b b b b b b);\n"
         "Define d (c c c c c c c c);\nDefine e (d d d d d d d d);\nDefine f (e e e e e e e e)",
         "Line 6: List too large"},
    };
    for (const auto& c : cases)
    {
        std::unique_ptr<FontData> data(Parse(c.text));
        EXPECT_EQ(data->mError, c.error) << c.text;
        EXPECT_FALSE(data->mInitialized);
    }
}

TEST(FontData, LoadsADescriptorFileWithItsImage)
{
    TempDir dir;
    auto strip = ImageLib::Image::Create(8, 4);
    for (int i = 0; i < 32; ++i) strip->GetBits()[i] = (i % 8) < 4 ? 0xFF00FF00u : 0x80FF0000u;
    ASSERT_TRUE(ImageLib::WritePNGImage(dir.File("glyphs.png"), *strip));
    std::ofstream(dir.File("font.txt")) << "DefaultPointSize 9; Layer Main; Image 'glyphs.png';\n"
                                           "Glyphs 'ab' ((0 0 4 4) (4 0 4 4)); Advances 'ab' (5 5);\n"
                                           "Metrics 4 0 4 0;\n";
    ImageFont font(nullptr, dir.File("font.txt"));
    ASSERT_TRUE(font.IsLoaded()) << font.mFontData->mError;
    EXPECT_EQ(font.GetDefaultPointSize(), 9);
    EXPECT_EQ(font.StringWidth("abba"), 20);

    MemoryImage dest(nullptr);
    std::vector<uint32_t> black(20 * 6, 0xFF000000u);
    dest.SetBits(black.data(), 20, 6);
    Graphics g(&dest);
    g.SetColor(Color::White);
    font.DrawString(&g, 1, 5, "ab", g.GetColor(), g.GetClipRect()); // baseline 5, ascent 4: rows 1..4
    const uint32_t* bits = dest.GetBits();
    EXPECT_EQ(bits[0 * 20 + 2], 0xFF000000u);
    EXPECT_EQ(bits[1 * 20 + 2], 0xFF00FF00u);
    EXPECT_EQ(bits[4 * 20 + 4], 0xFF00FF00u);
    EXPECT_EQ(bits[1 * 20 + 5], 0xFF000000u);      // the gap between the advance and the glyph width
    EXPECT_NE(bits[1 * 20 + 7] & 0x00FF0000u, 0u); // the half-transparent red of 'b'
    EXPECT_EQ(bits[5 * 20 + 2], 0xFF000000u);

    // The legacy form: a strip cut by a widths file (first code, then one width per character).
    std::ofstream(dir.File("widths.txt")) << "97\n3 5\n";
    MemoryImage stripImage(nullptr);
    stripImage.SetBits(strip->GetBits(), 8, 4);
    ImageFont legacy(nullptr, &stripImage, dir.File("widths.txt"));
    ASSERT_TRUE(legacy.IsLoaded());
    EXPECT_EQ(legacy.StringWidth("ab"), 8);
    EXPECT_EQ(legacy.GetAscent(), 4);
    std::ofstream(dir.File("bad.txt")) << "97\n3 50\n";
    ImageFont bad(nullptr, &stripImage, dir.File("bad.txt"));
    EXPECT_FALSE(bad.IsLoaded());

    ImageFont missing(nullptr, dir.File("no-font.txt"));
    EXPECT_FALSE(missing.IsLoaded());
}

TEST(FontData, LayersOfOnePictureShareOneDecodedCopy)
{
    TempDir dir;
    auto strip = ImageLib::Image::Create(8, 4);
    for (int i = 0; i < 32; ++i) strip->GetBits()[i] = 0xFF00FF00u;
    ASSERT_TRUE(ImageLib::WritePNGImage(dir.File("glyphs.png"), *strip));
    ASSERT_TRUE(ImageLib::WritePNGImage(dir.File("other.png"), *strip));
    std::ofstream(dir.File("font.txt")) << "Layer Main; Image 'glyphs.png'; Layer Rim; Image 'glyphs.png';\n"
                                           "Layer Shade; Image 'other.png';\n";
    ImageFont font(nullptr, dir.File("font.txt"));
    ASSERT_TRUE(font.IsLoaded()) << font.mFontData->mError;
    const auto& layers = font.mFontData->mFontLayerList;
    ASSERT_EQ(layers.size(), 3u);
    auto it = layers.begin();
    const Image* main = (it++)->mImage.get();
    const Image* rim = (it++)->mImage.get();
    const Image* shade = it->mImage.get();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(rim, main);
    EXPECT_NE(shade, main);
}

TEST(SysFontTest, MeasuresDejaVuSans)
{
    SysFont font(nullptr, "Arial Unicode MS", 10);
    if (!font.IsLoaded()) GTEST_SKIP() << "DejaVu Sans is not installed";
    EXPECT_EQ(SysFont::PixelSizeForPoints(10), 13);
    EXPECT_EQ(SysFont::PixelSizeForPoints(12), 16);
    EXPECT_EQ(SysFont::PixelSizeForPoints(14), 19);
    // DejaVu Sans at 13 px: ascender about 12.1, descender about 3.1.
    EXPECT_GE(font.GetAscent(), 12);
    EXPECT_LE(font.GetAscent(), 13);
    EXPECT_GE(font.GetHeight(), 15);
    EXPECT_LE(font.GetHeight(), 17);
    EXPECT_EQ(font.GetAscentPadding(), 0);
    EXPECT_GT(font.CharWidth('W'), font.CharWidth('i'));
    EXPECT_GT(font.CharWidth(static_cast<char>(0xE9)), 0); // Latin-1 letters are there
    EXPECT_EQ(font.CharWidth('\x01'), 0);                  // a control character has no glyph
    EXPECT_EQ(font.StringWidth("Wi"), font.CharWidth('W') + font.CharWidth('i'));

    SysFont bold(nullptr, "Arial Unicode MS", 10, true);
    EXPECT_NE(bold.GetFacePath(), font.GetFacePath());
    EXPECT_GT(bold.StringWidth("Hello world"), font.StringWidth("Hello world"));
    std::unique_ptr<Font> copy = bold.Duplicate();
    EXPECT_EQ(copy->StringWidth("Hello world"), bold.StringWidth("Hello world"));

    // Drawing puts glyph pixels above the baseline, in the colour given, inside the advance.
    MemoryImage dest(nullptr);
    std::vector<uint32_t> black(40 * 20, 0xFF000000u);
    dest.SetBits(black.data(), 40, 20);
    Graphics g(&dest);
    g.SetColor(Color(255, 0, 0));
    font.mUnderline = true;
    font.DrawString(&g, 2, 14, "Il", g.GetColor(), g.GetClipRect());
    const uint32_t* bits = dest.GetBits();
    int red = 0, green = 0, maxX = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
        {
            uint32_t p = bits[y * 40 + x];
            red += (p >> 16) & 0xFF ? 1 : 0;
            green += (p >> 8) & 0xFF ? 1 : 0;
            if ((p >> 16) & 0xFF) maxX = std::max(maxX, x);
        }
    EXPECT_GT(red, 15);
    EXPECT_EQ(green, 0);
    EXPECT_LT(maxX, 2 + font.StringWidth("Il") + 1);
    EXPECT_NE(bits[15 * 40 + 5] & 0x00FF0000u, 0u); // the underline, one pixel below the baseline

    // With a shadow, the text still comes out in its own colour on top of the black copy.
    font.mUnderline = false;
    font.mDrawShadow = true;
    dest.SetBits(black.data(), 40, 20);
    font.DrawString(&g, 2, 14, "I", g.GetColor(), g.GetClipRect());
    uint32_t brightest = 0;
    for (int i = 0; i < 40 * 20; ++i) brightest = std::max(brightest, (dest.GetBits()[i] >> 16) & 0xFF);
    EXPECT_GT(brightest, 120u); // black all over when the shadow colour leaked into the text
    EXPECT_EQ(g.GetColor(), Color(255, 0, 0));
}

// Fonts of one face, size and style draw from one atlas, however they are made; another size or style has its own.
TEST(SysFontTest, FontsOfOneFaceSizeAndStyleShareTheirAtlas)
{
    SysFont first(nullptr, "Arial Unicode MS", 11);
    if (!first.IsLoaded()) GTEST_SKIP() << "DejaVu Sans is not installed";
    SysFont second(nullptr, "Another Face", 11, false, false, true);
    std::unique_ptr<Font> copy = first.Duplicate();
    EXPECT_EQ(second.GetAtlas(), first.GetAtlas());
    EXPECT_EQ(static_cast<SysFont*>(copy.get())->GetAtlas(), first.GetAtlas());
    EXPECT_EQ(copy->GetAscent(), first.GetAscent());
    EXPECT_EQ(copy->StringWidth("Shared"), first.StringWidth("Shared"));
    SysFont bold(nullptr, "Arial Unicode MS", 11, true);
    SysFont bigger(nullptr, "Arial Unicode MS", 12);
    SysFont italic(nullptr, "Arial Unicode MS", 11, false, true);
    EXPECT_NE(bold.GetAtlas(), first.GetAtlas());
    EXPECT_NE(bigger.GetAtlas(), first.GetAtlas());
    EXPECT_NE(italic.GetAtlas(), first.GetAtlas());
    EXPECT_NE(italic.GetFacePath(), first.GetFacePath());
    // A dialog opened again finds its fonts made: the atlas of a small size outlives the fonts that used it.
    const MemoryImage* atlas = nullptr;
    {
        SysFont once(nullptr, "Arial Unicode MS", 9, true, true);
        atlas = once.GetAtlas();
    }
    SysFont again(nullptr, "Arial Unicode MS", 9, true, true);
    EXPECT_EQ(again.GetAtlas(), atlas);
}

TEST(SysFontTest, LargeSizesKeepGlyphsWiderThanAnAtlasRow)
{
    // A resource file may ask for any positive point size; at 420 points (560 px) a 'W' is wider than 512 px.
    SysFont font(nullptr, "Arial Unicode MS", 420);
    if (!font.IsLoaded()) GTEST_SKIP() << "DejaVu Sans is not installed";
    const int advance = font.CharWidth('W');
    ASSERT_GT(advance, 540);

    const int w = advance + 40;
    const int h = font.GetHeight() + 20;
    MemoryImage dest(nullptr);
    std::vector<uint32_t> black(size_t(w) * h, 0xFF000000u);
    dest.SetBits(black.data(), w, h);
    Graphics g(&dest);
    g.SetColor(Color(255, 0, 0));
    font.DrawString(&g, 10, 10 + font.GetAscent(), "W", g.GetColor(), g.GetClipRect());

    // The whole glyph is drawn: ink on both sides of x = 512, not a glyph cut off or dropped.
    const uint32_t* bits = dest.GetBits();
    int minX = w, maxX = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((bits[size_t(y) * w + x] >> 16) & 0xFF)
            {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    EXPECT_LT(minX, 40);
    EXPECT_GT(maxX, advance - 40);

    // Sizes whose atlas would pass the image size limit give an unloaded font that draws nothing, never a crash.
    SysFont huge(nullptr, "Arial Unicode MS", 768);
    std::vector<uint32_t> again(size_t(w) * h, 0xFF000000u);
    dest.SetBits(again.data(), w, h);
    huge.DrawString(&g, 10, 10 + font.GetAscent(), "W", g.GetColor(), g.GetClipRect());
    if (!huge.IsLoaded())
    {
        EXPECT_EQ(std::vector<uint32_t>(dest.GetBits(), dest.GetBits() + again.size()), again);
    }
}
