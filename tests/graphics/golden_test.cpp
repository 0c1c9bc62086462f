// The golden picture: one 800x600 scene drawn through the drawing context (fills, lines, blended, stretched,
// rotated and sub-pixel images, a nine-slice box, wrapped tagged text in a baked and a system font), compared
// with the committed PNG. Set ZEST_UPDATE_GOLDEN=1 to write the PNG again after a deliberate change.
#include "GoldenCompare.h"
#include "graphics/Graphics.h"
#include "graphics/ImageFont.h"
#include "graphics/MemoryImage.h"
#include "graphics/SysFont.h"

#include "data/ImageLib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace Zest;

namespace
{

const std::string kGoldenDir = std::string(ZEST_TEST_DATA_DIR) + "/golden/";

std::unique_ptr<MemoryImage> FromPixels(const std::vector<uint32_t>& bits, int w, int h)
{
    auto img = std::make_unique<MemoryImage>(nullptr);
    img->SetBits(bits.data(), w, h);
    return img;
}

// A 64x64 sprite: an opaque square frame, a transparent hole, and a soft ball of partial alpha.
std::unique_ptr<MemoryImage> MakeSprite()
{
    const int n = 64;
    std::vector<uint32_t> bits(n * n, 0);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
        {
            double dx = x - 31.5, dy = y - 31.5;
            double d = std::sqrt(dx * dx + dy * dy);
            uint32_t p = 0;
            if (x < 6 || y < 6 || x >= n - 6 || y >= n - 6)
                p = 0xFF000000u | (uint32_t(40 + 3 * x) << 16) | (uint32_t(200 - 2 * y) << 8) | 0x30u;
            else if (d < 24)
            {
                uint32_t a = uint32_t(255 * (1.0 - d / 24.0));
                p = (a << 24) | 0x00FFB040u;
            }
            bits[y * n + x] = p;
        }
    return FromPixels(bits, n, n);
}

// A 30x30 frame for the nine-slice box: dark rim, light bevel, striped centre.
std::unique_ptr<MemoryImage> MakeFrame()
{
    const int n = 30;
    std::vector<uint32_t> bits(n * n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
        {
            int edge = std::min(std::min(x, y), std::min(n - 1 - x, n - 1 - y));
            uint32_t p;
            if (edge < 2)
                p = 0xFF402010u;
            else if (edge < 5)
                p = 0xFFE0B070u;
            else
                p = ((x + y) / 3) % 2 ? 0xC0F0E0C0u : 0xC0D0C0A0u;
            bits[y * n + x] = p;
        }
    return FromPixels(bits, n, n);
}

void DrawScene(MemoryImage& canvas, Font* baked, Font* system)
{
    Graphics g(&canvas);
    // Background bands.
    for (int i = 0; i < 6; ++i)
    {
        g.SetColor(Color(30 + 20 * i, 40 + 10 * i, 70 - 8 * i));
        g.FillRect(0, i * 100, 800, 100);
    }
    // Translucent and additive fills.
    g.SetColor(Color(255, 255, 255, 128));
    g.FillRect(20, 20, 160, 80);
    g.SetColor(Color(255, 0, 0, 96));
    g.FillRect(100, 50, 160, 80);
    g.SetDrawMode(DRAWMODE_ADDITIVE);
    g.SetColor(Color(0, 90, 160));
    g.FillRect(60, 80, 160, 60);
    g.SetDrawMode(DRAWMODE_NORMAL);

    // Outlines and lines, some clipped by a narrowed clip rectangle.
    g.SetColor(Color(255, 255, 0));
    g.DrawRect(290, 20, 180, 120);
    g.PushState();
    g.ClipRect(300, 30, 160, 100);
    for (int i = 0; i < 12; ++i)
    {
        g.SetColor(Color(255, 20 * i, 255 - 20 * i));
        g.DrawLine(280, 20 + i * 12, 480, 140 - i * 7);
    }
    g.SetDrawMode(DRAWMODE_ADDITIVE);
    g.SetColor(Color(0, 200, 0));
    g.DrawLine(380, 10, 380, 150);
    g.DrawLine(290, 80, 470, 80);
    g.PopState();

    auto sprite = MakeSprite();
    // Normal, additive and tinted blits, a translated one and one cut by the canvas edge.
    g.DrawImage(sprite.get(), 500, 20);
    g.SetDrawMode(DRAWMODE_ADDITIVE);
    g.DrawImage(sprite.get(), 580, 20);
    g.SetDrawMode(DRAWMODE_NORMAL);
    g.SetColorizeImages(true);
    g.SetColor(Color(120, 255, 160, 200));
    g.DrawImage(sprite.get(), 660, 20);
    g.SetColorizeImages(false);
    g.PushState();
    g.Translate(760, 90);
    g.DrawImage(sprite.get(), 0, 0);
    g.PopState();

    // Stretched (smooth and nearest), rotated and sub-pixel images.
    g.DrawImage(sprite.get(), 20, 170, 160, 96);
    g.SetFastStretch(true);
    g.DrawImage(sprite.get(), 190, 170, 48, 120);
    g.SetFastStretch(false);
    for (int i = 0; i < 4; ++i) g.DrawImageRotated(sprite.get(), 260 + i * 80, 190, 0.4 * (i + 1));
    for (int i = 0; i < 4; ++i) g.DrawImageSubpixel(sprite.get(), 580 + i * 0.25f + i * 50, 180 + i * 0.5f);
    Transform t;
    t.Scale(-1, 1);
    g.DrawImageTransform(sprite.get(), t, 740, 300);

    // Wrapped, colour-tagged text in the baked font inside a nine-slice box (edges and centre tiled) sized to hold
    // it, and in the system font beside it.
    const std::string story =
        "The ^FFD040^kitchen^oldclr^ opens at dawn: dough ^ff8080^rises^oldclr^, ovens roar, and every "
        "order is served hot. ^^ Caf\xE9 cr\xE8me br\xFBl\xE9"
        "e!";
    g.SetFont(baked);
    const int storyHeight = g.MeasureWrappedText(222, story, -1);
    auto frame = MakeFrame();
    g.DrawImageBox(Rect(20, 320, 250, storyHeight + 28), frame.get());
    g.DrawImageBox(Rect(280, 330, 30, 30), frame.get());
    g.SetColor(Color(40, 20, 10));
    g.DrawWrappedText(Rect(34, 334, 222, storyHeight), story, -1, -1);
    g.SetFont(system);
    g.SetColor(Color(255, 255, 255));
    g.DrawWrappedText(Rect(330, 330, 200, 200), story, -1, 0);
    g.SetColor(Color(255, 255, 255));
    g.DrawWrappedText(Rect(560, 330, 220, 200), "Right-aligned ^80FF80^system^oldclr^ text.\nSecond line.", -1, 1);
    g.SetFont(baked);
    g.SetColor(Color(255, 240, 200));
    g.WriteString("^FF6060^Ember ^FFC040^Cook^oldclr^ - golden scene", 20, 560);
}

} // namespace

TEST(GoldenImage, SceneMatchesTheCommittedPicture)
{
    ImageFont baked(nullptr, kGoldenDir + "bakedfont.txt");
    ASSERT_TRUE(baked.IsLoaded()) << baked.mFontData->mError;
    SysFont system(nullptr, "Arial Unicode MS", 12);
    if (!system.IsLoaded()) GTEST_SKIP() << "DejaVu Sans is not installed";
    system.mDrawShadow = true;

    MemoryImage canvas(nullptr);
    canvas.Create(800, 600);
    DrawScene(canvas, &baked, &system);

    auto actual = ImageLib::Image::Create(800, 600);
    ASSERT_TRUE(actual);
    std::copy(canvas.GetBits(), canvas.GetBits() + 800 * 600, actual->GetBits());

    // Small differences (another FreeType's hinting, rounding) are tolerated; a changed picture is not.
    ZestTest::ExpectMatchesGolden(*actual, kGoldenDir + "scene.png", "golden-scene-actual.png", 8, 200);
}

TEST(GoldenImage, BakedFontMatchesTheSystemFontItWasBakedFrom)
{
    // The committed font was baked from DejaVu Sans Bold at 20 pixels, what a bold 15-point system font uses.
    ImageFont baked(nullptr, kGoldenDir + "bakedfont.txt");
    ASSERT_TRUE(baked.IsLoaded()) << baked.mFontData->mError;
    SysFont system(nullptr, "Any Face", 15, true);
    if (!system.IsLoaded()) GTEST_SKIP() << "DejaVu Sans is not installed";
    EXPECT_EQ(baked.GetDefaultPointSize(), 15);
    EXPECT_EQ(baked.GetAscent(), system.GetAscent());
    EXPECT_EQ(baked.GetHeight(), system.GetHeight());
    for (int c = 32; c < 256; ++c) EXPECT_EQ(baked.CharWidth(char(c)), system.CharWidth(char(c))) << c;
}
