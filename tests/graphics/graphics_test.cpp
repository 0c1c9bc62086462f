// Tests of the drawing context: state stack, clipping, translation, scale, source cutting, boxes and cels.
#include "graphics/Graphics.h"

#include "DrawRecorder.h"
#include "graphics/MemoryImage.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Zest;
using DrawTest::RecordingImage;

namespace
{

std::string Str(const Rect& r)
{
    return "(" + std::to_string(r.mX) + "," + std::to_string(r.mY) + "," + std::to_string(r.mWidth) + "," +
           std::to_string(r.mHeight) + ")";
}

} // namespace

TEST(GraphicsState, StackAndCopies)
{
    RecordingImage dest(100, 80);
    Graphics g(&dest);
    EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 100, 80));
    EXPECT_EQ(g.GetColor(), Color(0, 0, 0, 255));
    EXPECT_TRUE(g.mWriteColoredString);

    Color before(1, 2, 3, 4);
    g.SetColor(before);
    g.PopState(); // empty stack: nothing changes
    EXPECT_EQ(g.GetColor(), before);

    g.PushState();
    g.SetColor(Color(9, 9, 9, 128));
    g.Translate(5, 6);
    g.ClipRect(10, 10, 20, 20);
    g.PushState();
    Graphics copy(g);
    EXPECT_EQ(copy.GetStateDepth(), 0u); // a copy takes the state, not the stack
    EXPECT_EQ(copy.GetColor(), Color(9, 9, 9, 128));
    EXPECT_EQ(copy.GetClipRect(), Rect(15, 16, 20, 20));
    auto heap = g.Create();
    EXPECT_EQ(heap->GetStateDepth(), 0u);
    EXPECT_EQ(heap->mTransX, 5.0f);

    g.PopState();
    g.PopState();
    EXPECT_EQ(g.GetColor(), before); // translucent colours survive the copies
    EXPECT_EQ(g.mTransX, 0.0f);
    EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 100, 80));
}

TEST(GraphicsState, ClipRectNarrowsSetClipRectReplaces)
{
    RecordingImage dest(100, 80);
    Graphics g(&dest);
    g.Translate(10, 5);
    g.ClipRect(0, 0, 30, 30);
    EXPECT_EQ(g.GetClipRect(), Rect(10, 5, 30, 30));
    g.ClipRect(-50, -50, 200, 200); // never widens
    EXPECT_EQ(g.GetClipRect(), Rect(10, 5, 30, 30));
    g.ClipRect(40, 40, 5, 5); // no overlap
    EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 0, 0));
    g.SetClipRect(-20, -20, 500, 500); // widens again, up to the destination
    EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 100, 80));
    g.SetClipRect(Rect(1, 2, 3, 4));
    EXPECT_EQ(g.GetClipRect(), Rect(11, 7, 3, 4));
    g.ClearClipRect();
    EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 100, 80));
}

TEST(GraphicsShapes, FillsOutlinesAndLines)
{
    RecordingImage dest(50, 50);
    Graphics g(&dest);
    g.SetColor(Color(10, 20, 30, 0));
    g.FillRect(0, 0, 10, 10);
    g.DrawRect(0, 0, 10, 10);
    EXPECT_TRUE(dest.calls.empty()); // alpha 0 draws nothing

    g.SetColor(Color(10, 20, 30, 128));
    g.SetDrawMode(DRAWMODE_ADDITIVE);
    g.Translate(2, 3);
    g.FillRect(-10, -10, 20, 20);
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].dest, Rect(0, 0, 12, 13));
    EXPECT_EQ(dest.calls[0].color, Color(10, 20, 30, 128));
    EXPECT_EQ(dest.calls[0].mode, DRAWMODE_ADDITIVE);

    dest.calls.clear();
    g.DrawRect(0, 0, 0, 0); // inside the clip: one image outline of one pixel
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].op, "DrawRect");
    EXPECT_EQ(dest.calls[0].dest, Rect(2, 3, 0, 0));

    dest.calls.clear();
    g.DrawRect(40, 10, 10, 5); // crosses the right edge: four clipped fills, the right side gone
    ASSERT_EQ(dest.calls.size(), 3u);
    EXPECT_EQ(dest.calls[0].dest, Rect(42, 13, 8, 1));
    EXPECT_EQ(dest.calls[1].dest, Rect(42, 18, 8, 1));
    EXPECT_EQ(dest.calls[2].dest, Rect(42, 14, 1, 4));

    dest.calls.clear();
    g.Translate(-2, -3);
    g.SetClipRect(10, 10, 20, 20);
    g.DrawLine(0, 20, 40, 20); // clipped to x 10..29
    g.DrawLine(0, 0, 5, 50);   // wholly outside
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_DOUBLE_EQ(dest.calls[0].x1, 10);
    EXPECT_DOUBLE_EQ(dest.calls[0].x2, 29);
    EXPECT_DOUBLE_EQ(dest.calls[0].y1, 20);
}

TEST(GraphicsShapes, OnePixelOutlineOnARealImage)
{
    MemoryImage img(nullptr);
    img.Create(4, 4);
    Graphics g(&img);
    g.SetColor(Color(255, 0, 0));
    g.DrawRect(1, 2, 0, 0);
    const uint32_t* bits = img.GetBits();
    int lit = 0;
    for (int i = 0; i < 16; ++i) lit += bits[i] != 0;
    EXPECT_EQ(lit, 1);
    EXPECT_EQ(bits[2 * 4 + 1], 0xFFFF0000u);
}

TEST(GraphicsImages, UnscaledDrawCutsTheSourceOnTheClippedSides)
{
    auto src = DrawTest::MakeCodedImage(10, 8);
    struct Case
    {
        Rect clip;
        int x, y;
        Rect expectDest;
        Rect expectSrc;
    };
    const Case cases[] = {
        {Rect(0, 0, 100, 100), 20, 30, Rect(20, 30, 10, 8), Rect(0, 0, 10, 8)},  // no cut
        {Rect(23, 0, 100, 100), 20, 30, Rect(23, 30, 7, 8), Rect(3, 0, 7, 8)},   // left
        {Rect(0, 0, 26, 100), 20, 30, Rect(20, 30, 6, 8), Rect(0, 0, 6, 8)},     // right
        {Rect(0, 35, 100, 100), 20, 30, Rect(20, 35, 10, 3), Rect(0, 5, 10, 3)}, // top
        {Rect(0, 0, 100, 32), 20, 30, Rect(20, 30, 10, 2), Rect(0, 0, 10, 2)},   // bottom
        {Rect(21, 31, 2, 2), 20, 30, Rect(21, 31, 2, 2), Rect(1, 1, 2, 2)},      // all four
    };
    for (const auto& c : cases)
    {
        RecordingImage dest(100, 100);
        Graphics g(&dest);
        g.SetClipRect(c.clip);
        g.DrawImage(src.get(), c.x, c.y);
        ASSERT_EQ(dest.calls.size(), 1u) << Str(c.clip);
        EXPECT_EQ(dest.calls[0].op, "Blt");
        EXPECT_EQ(dest.calls[0].dest, c.expectDest) << Str(c.clip);
        EXPECT_EQ(dest.calls[0].src, c.expectSrc) << Str(c.clip);

        // Mirrored: a cut on one side of the destination comes off the other side of the source.
        dest.calls.clear();
        g.DrawImageMirror(src.get(), c.x, c.y, Rect(0, 0, 10, 8));
        ASSERT_EQ(dest.calls.size(), 1u);
        Rect mirrored = c.expectSrc;
        mirrored.mX = 10 - (c.expectSrc.mX + c.expectSrc.mWidth);
        EXPECT_EQ(dest.calls[0].src, mirrored) << Str(c.clip);
    }
}

TEST(GraphicsImages, UnsafeSourcesDrawNothing)
{
    auto src = DrawTest::MakeCodedImage(10, 8);
    src->mNumCols = 0; // a record with no cel grid counts as one cel
    src->mNumRows = 0;
    RecordingImage dest(100, 100);
    Graphics g(&dest);
    g.DrawImage(nullptr, 0, 0);
    g.DrawImage(src.get(), 0, 0, Rect(-1, 0, 5, 5));
    g.DrawImage(src.get(), 0, 0, Rect(0, -1, 5, 5));
    g.DrawImage(src.get(), 0, 0, Rect(6, 0, 5, 5));
    g.DrawImage(src.get(), 0, 0, Rect(0, 4, 5, 5));
    g.DrawImage(src.get(), Rect(0, 0, 20, 20), Rect(-2, 0, 5, 5));
    g.DrawImageSubpixel(src.get(), 0, 0, Rect(0, 0, 11, 8));
    g.DrawImageCel(src.get(), 0, 0, -1);
    g.DrawImageCel(src.get(), 0, 0, 1);
    g.DrawImageCel(src.get(), 0, 0, 0, 1);
    g.DrawImageRotated(nullptr, 0, 0, 1.0);
    g.DrawImageBox(Rect(0, 0, 30, 30), nullptr);
    g.DrawImageBox(Rect(0, 0, 0, 5), Rect(0, 0, 30, 30), src.get());
    EXPECT_TRUE(dest.calls.empty());
    g.DrawImageCel(src.get(), 3, 4, 0);
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].src, Rect(0, 0, 10, 8));
}

TEST(GraphicsImages, CelsPickTheirRectangle)
{
    auto src = DrawTest::MakeCodedImage(12, 8);
    src->mNumCols = 3;
    src->mNumRows = 2;
    RecordingImage dest(100, 100);
    Graphics g(&dest);
    g.DrawImageCel(src.get(), 0, 0, 4);
    g.DrawImageCel(src.get(), 0, 0, 2, 1);
    g.DrawImageCel(src.get(), Rect(10, 10, 8, 8), 1);
    ASSERT_EQ(dest.calls.size(), 3u);
    EXPECT_EQ(dest.calls[0].src, Rect(4, 4, 4, 4));
    EXPECT_EQ(dest.calls[1].src, Rect(8, 4, 4, 4));
    EXPECT_EQ(dest.calls[2].op, "StretchBlt");
    EXPECT_EQ(dest.calls[2].dest, Rect(10, 10, 8, 8));
    EXPECT_EQ(dest.calls[2].src, Rect(4, 0, 4, 4));
}

TEST(GraphicsImages, TranslationScaleAndTint)
{
    auto src = DrawTest::MakeCodedImage(3, 3);
    RecordingImage dest(100, 100);
    Graphics g(&dest);
    g.mTransX = 0.5f;
    g.mTransY = 0.5f;
    g.SetColor(Color(10, 20, 30, 40));
    g.DrawImage(src.get(), 4, 5);              // integer draws truncate the half pixel
    g.DrawImageSubpixel(src.get(), 4, 5);      // sub-pixel draws keep it
    g.DrawImageRotated(src.get(), 4, 5, 0.25); // about the integer half size
    g.SetColorizeImages(true);
    g.DrawImage(src.get(), 4, 5);
    ASSERT_EQ(dest.calls.size(), 4u);
    EXPECT_EQ(dest.calls[0].dest, Rect(4, 5, 3, 3));
    EXPECT_EQ(dest.calls[0].color, Color::White); // not colourising: white whatever the colour
    EXPECT_FLOAT_EQ(dest.calls[1].fx, 4.5f);
    EXPECT_FLOAT_EQ(dest.calls[1].fy, 5.5f);
    EXPECT_EQ(dest.calls[2].op, "BltRotated");
    EXPECT_FLOAT_EQ(dest.calls[2].cx, 1.0f);
    EXPECT_FLOAT_EQ(dest.calls[2].fx, 4.5f);
    EXPECT_EQ(dest.calls[3].color, Color(10, 20, 30, 40));

    dest.calls.clear();
    Graphics s(&dest);
    s.SetScale(2, 2, 0, 0);
    s.DrawImage(src.get(), 1, 1);
    s.SetScale(1.5f, 0.5f, 10, 10);
    s.DrawImage(src.get(), 1, 1, Rect(0, 0, 3, 1));
    s.DrawImageCel(src.get(), 1, 1, 0); // cels go through the same scaled draw
    ASSERT_EQ(dest.calls.size(), 3u);
    EXPECT_EQ(dest.calls[0].op, "StretchBlt");
    EXPECT_EQ(dest.calls[0].dest, Rect(2, 2, 6, 6));
    // x: floor((1 - 10) * 1.5) + 10 = -4; w = ceil(4.5) = 5; y: floor(-9 * 0.5) + 10 = 5; h = ceil(0.5) = 1.
    EXPECT_EQ(dest.calls[1].dest, Rect(-4, 5, 5, 1));
    EXPECT_EQ(dest.calls[2].dest, Rect(-4, 5, 5, 2));
}

TEST(GraphicsImages, TransformsPickTheirDraw)
{
    auto src = DrawTest::MakeCodedImage(10, 6);
    RecordingImage dest(100, 100);
    Graphics g(&dest);

    Transform plain;
    g.DrawImageTransform(src.get(), plain, 50, 40); // centred on the point
    g.DrawImageTransformF(src.get(), plain, 50.25f, 40);
    Transform turned;
    turned.RotateRad(0.5f);
    g.DrawImageTransform(src.get(), turned, 50, 40);
    g.DrawImageTransformF(src.get(), turned, 50, 40);
    Transform flipped;
    flipped.Scale(-1, 1);
    g.DrawImageTransform(src.get(), flipped, 50, 40);
    Transform bigger;
    bigger.Scale(2, 3);
    g.DrawImageTransform(src.get(), bigger, 50, 40);

    ASSERT_EQ(dest.calls.size(), 6u);
    EXPECT_EQ(dest.calls[0].op, "Blt");
    EXPECT_EQ(dest.calls[0].dest, Rect(45, 37, 10, 6));
    EXPECT_EQ(dest.calls[1].op, "BltFloat");
    EXPECT_FLOAT_EQ(dest.calls[1].fx, 45.25f);
    EXPECT_EQ(dest.calls[2].op, "BltRotated");
    EXPECT_FLOAT_EQ(dest.calls[2].fx, 45.0f);
    EXPECT_FLOAT_EQ(dest.calls[2].cx, 5.0f);
    EXPECT_NEAR(dest.calls[2].angle, 0.5, 1e-6);
    EXPECT_FLOAT_EQ(dest.calls[3].fx, 45.5f);
    EXPECT_FLOAT_EQ(dest.calls[3].fy, 37.5f);
    EXPECT_EQ(dest.calls[4].op, "BltMirror");
    EXPECT_EQ(dest.calls[4].dest, Rect(45, 37, 10, 6));
    EXPECT_EQ(dest.calls[5].op, "StretchBlt");
    EXPECT_EQ(dest.calls[5].dest, Rect(40, 31, 20, 18));
}

// Every destination pixel of a nine-slice box shows the source pixel the tiling rule picks for it.
TEST(GraphicsImages, ImageBoxTilesEdgesAndCentre)
{
    const int sw = 10, sh = 7; // corners 3 x 2, middle 4 x 3
    auto src = DrawTest::MakeCodedImage(sw, sh);
    struct Case
    {
        int w, h;
    };
    for (const Case c : {Case{sw, sh}, Case{27, 19}, Case{8, 5}, Case{13, 4}})
    {
        // An opaque destination takes opaque pixels unchanged.
        MemoryImage dest(nullptr);
        std::vector<uint32_t> background(40 * 30, 0xFF123456u);
        dest.SetBits(background.data(), 40, 30);
        Graphics g(&dest);
        g.DrawImageBox(Rect(5, 6, c.w, c.h), src.get());
        const uint32_t* bits = dest.GetBits();
        const int cw = sw / 3, ch = sh / 3, mw = sw - 2 * cw, mh = sh - 2 * ch;
        auto pick = [](int d, int size, int corner, int middle, int srcSize)
        {
            if (d >= size - corner) return srcSize - (size - d); // right or bottom corner wins where they overlap
            if (d < corner) return d;
            return corner + (d - corner) % middle;
        };
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
            {
                uint32_t got = bits[y * 40 + x];
                int dx = x - 5, dy = y - 6;
                if (dx < 0 || dy < 0 || dx >= c.w || dy >= c.h)
                {
                    ASSERT_EQ(got, 0xFF123456u) << x << "," << y;
                    continue;
                }
                int sx = pick(dx, c.w, cw, mw, sw);
                int sy = pick(dy, c.h, ch, mh, sh);
                ASSERT_EQ(got, 0xFF000000u | (uint32_t(sy) << 12) | uint32_t(sx))
                    << "box " << c.w << "x" << c.h << " at " << dx << "," << dy;
            }
    }
}
