// Tests of Zest::DrawRecord: which parts of a frame two lists of drawing calls may draw differently.
#include <gtest/gtest.h>

#include <functional>

#include "DrawRecorder.h"
#include "graphics/DrawRecord.h"
#include "graphics/FontData.h"
#include "graphics/Graphics.h"
#include "graphics/ImageFont.h"
#include "graphics/MemoryImage.h"

namespace Zest
{
namespace
{

std::unique_ptr<MemoryImage> Picture(int w, int h, uint32_t argb)
{
    auto image = std::make_unique<MemoryImage>();
    image->Create(w, h);
    uint32_t* bits = image->GetBits();
    for (int i = 0; i < w * h; ++i) bits[i] = argb;
    image->BitsChanged();
    return image;
}

bool Covers(const std::vector<Rect>& rects, int x, int y)
{
    for (const Rect& r : rects)
        if (r.Contains(x, y)) return true;
    return false;
}

using Scene = std::function<void(Graphics&)>;

// The notes a scene leaves in the record, which starts anew.
std::vector<DrawNote> NotesOf(DrawRecord& record, const Scene& scene)
{
    record.Clear();
    Graphics g(&record);
    scene(g);
    return record.TakeNotes();
}

TEST(DrawRecordTest, ChangesCoverWhatMovedSwappedOrChangedAndNothingElse)
{
    auto backdrop = Picture(200, 100, 0xFF102030);
    auto a = Picture(10, 10, 0x80FF0000);
    auto b = Picture(10, 10, 0x8000FF00);
    const Scene still = [&](Graphics& g)
    {
        g.DrawImage(backdrop.get(), 0, 0);
        g.DrawImage(a.get(), 20, 20);
        g.DrawImage(b.get(), 25, 25);
        g.DrawImage(a.get(), 150, 60);
    };
    struct Case
    {
        const char* name;
        Scene next;
        std::vector<std::pair<int, int>> changed; // points that must be covered
        std::vector<std::pair<int, int>> kept;    // points that must not
    };
    const Case cases[] = {
        {"the same frame", still, {}, {{22, 22}, {152, 62}, {100, 5}}},
        {"one picture moved",
         [&](Graphics& g)
         {
             g.DrawImage(backdrop.get(), 0, 0);
             g.DrawImage(a.get(), 20, 20);
             g.DrawImage(b.get(), 25, 25);
             g.DrawImage(a.get(), 160, 60);
         },
         {{151, 61}, {168, 68}},
         {{22, 22}, {100, 5}}},
        {"two overlapping pictures swap their order",
         [&](Graphics& g)
         {
             g.DrawImage(backdrop.get(), 0, 0);
             g.DrawImage(b.get(), 25, 25);
             g.DrawImage(a.get(), 20, 20);
             g.DrawImage(a.get(), 150, 60);
         },
         {{27, 27}},
         {{152, 62}, {100, 5}}},
        {"a picture gone",
         [&](Graphics& g)
         {
             g.DrawImage(backdrop.get(), 0, 0);
             g.DrawImage(a.get(), 20, 20);
             g.DrawImage(b.get(), 25, 25);
         },
         {{152, 62}},
         {{22, 22}, {100, 5}}},
    };
    DrawRecord record(200, 100);
    auto notesOf = [&](const Scene& scene) { return NotesOf(record, scene); };
    const std::vector<DrawNote> before = notesOf(still);
    for (const Case& c : cases)
    {
        const std::vector<Rect> rects = DrawRecord::Changes(before, notesOf(c.next), 4);
        for (const auto& [x, y] : c.changed) EXPECT_TRUE(Covers(rects, x, y)) << c.name << " " << x << "," << y;
        for (const auto& [x, y] : c.kept) EXPECT_FALSE(Covers(rects, x, y)) << c.name << " " << x << "," << y;
        EXPECT_LE(rects.size(), 4u) << c.name;
    }

    // New pixels in a picture drawn at the same place change its part.
    uint32_t* bits = a->GetBits();
    bits[0] = 0xFFFFFFFF;
    a->BitsChanged();
    const std::vector<Rect> rects = DrawRecord::Changes(before, notesOf(still), 4);
    EXPECT_TRUE(Covers(rects, 152, 62));
    EXPECT_FALSE(Covers(rects, 100, 5));
}

TEST(DrawRecordTest, ARedrawnPartTakesBlendedCallsItTouchesWhole)
{
    auto backdrop = Picture(200, 100, 0xFF102030);
    auto sprite = Picture(30, 30, 0x80FF0000);
    DrawRecord record(200, 100);
    Graphics g(&record);
    g.DrawImage(backdrop.get(), 0, 0);
    g.DrawImage(sprite.get(), 40, 40);
    g.DrawImageSubpixel(sprite.get(), 100.5f, 40.0f); // filtered: a pixel more on every side
    const std::vector<DrawNote> notes = record.TakeNotes();
    // A part cutting through the blended sprite grows across to hold the sprite's rows it reaches whole (each row
    // is blended on its own); the filtered one is taken whole; the opaque backdrop does not pull a part wider.
    std::vector<Rect> rects{Rect(50, 50, 5, 5), Rect(110, 50, 5, 5), Rect(150, 10, 10, 10)};
    DrawRecord::TakeWhole(rects, notes);
    EXPECT_EQ(rects, (std::vector<Rect>{Rect(40, 50, 30, 5), Rect(99, 39, 34, 33), Rect(150, 10, 10, 10)}));

    // Parts that end up overlapping are drawn once: two cutting the filtered sprite, and the same part given twice.
    std::vector<Rect> overlapping{Rect(95, 35, 10, 10), Rect(125, 65, 10, 10), Rect(150, 80, 10, 10),
                                  Rect(150, 80, 10, 10)};
    DrawRecord::TakeWhole(overlapping, notes);
    EXPECT_EQ(overlapping, (std::vector<Rect>{Rect(95, 35, 40, 40), Rect(150, 80, 10, 10)}));
    // Overlapping at a corner only, their joint box would draw more than the two: they stay apart.
    std::vector<Rect> corner{Rect(100, 0, 40, 5), Rect(135, 0, 5, 30)};
    DrawRecord::TakeWhole(corner, notes);
    EXPECT_EQ(corner.size(), 2u);
}

// A fixed font with a second layer drawn down and to the right of the first, and a kerned pair ("ab" closer).
FontData* ShadowedFontData()
{
    FontData* data = DrawTest::MakeFixedFontData(4);
    FontLayer& shadow = data->mFontLayerList.emplace_back(data->mFontLayerList.front());
    shadow.mOffsetX = 3;
    shadow.mOffsetY = 2;
    data->mFontLayerList.front().mCharData['a'].mKerningOffsets['b'] = -2;
    return data;
}

TEST(DrawRecordTest, AStringIsOneNoteOverTheBoxItsGlyphsCoverAndIsNotDrawn)
{
    DrawTest::RecordingFont font(ShadowedFontData());
    // The glyphs as the font draws them, each call's place.
    DrawTest::RecordingImage drawn(200, 100);
    Graphics onImage(&drawn);
    onImage.Translate(10, 5);
    onImage.SetFont(&font);
    onImage.DrawString("abc", 3, 20);
    ASSERT_EQ(drawn.calls.size(), 6u);
    Rect glyphs = drawn.calls.front().dest;
    for (const auto& call : drawn.calls)
    {
        const int left = std::min(glyphs.mX, call.dest.mX), top = std::min(glyphs.mY, call.dest.mY);
        const int right = std::max(glyphs.mX + glyphs.mWidth, call.dest.mX + call.dest.mWidth);
        const int bottom = std::max(glyphs.mY + glyphs.mHeight, call.dest.mY + call.dest.mHeight);
        glyphs = Rect(left, top, right - left, bottom - top);
    }
    font.draws.clear();

    DrawRecord record(200, 100);
    Graphics g(&record);
    g.Translate(10, 5);
    g.SetFont(&font);
    g.DrawString("abc", 3, 20);
    EXPECT_TRUE(font.draws.empty()); // noted, not laid out glyph by glyph
    const std::vector<DrawNote> notes = record.TakeNotes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].bounds, glyphs);
    EXPECT_TRUE(notes[0].drawnWhole);

    // Cut by the clip as the glyphs are.
    g.SetClipRect(0, 0, 15, 100);
    g.DrawString("abc", 3, 20);
    ASSERT_EQ(record.Notes().size(), 1u);
    EXPECT_EQ(record.Notes()[0].bounds, glyphs.Intersection(Rect(10, 5, 15, 100)));
}

TEST(DrawRecordTest, AStringChangedInItsBoxIsFound)
{
    DrawTest::RecordingFont font(ShadowedFontData());
    DrawTest::RecordingFont twin(ShadowedFontData());
    auto text = [](Font* f, const char* s, Color color)
    {
        return [=](Graphics& g)
        {
            g.SetFont(f);
            g.SetColor(color);
            g.DrawString(s, 20, 30);
        };
    };
    const Scene still = text(&font, "xyz", Color::White);
    struct Case
    {
        const char* name;
        Scene next;
        bool changed;
    };
    const Case cases[] = {
        {"the same string", still, false},
        {"other letters of the same widths", text(&font, "xzy", Color::White), true},
        {"another colour", text(&font, "xyz", Color(255, 0, 0)), true},
        {"another font drawing the same", text(&twin, "xyz", Color::White), true},
    };
    DrawRecord record(200, 100);
    auto notesOf = [&](const Scene& scene) { return NotesOf(record, scene); };
    const std::vector<DrawNote> before = notesOf(still);
    for (const Case& c : cases)
    {
        const std::vector<Rect> rects = DrawRecord::Changes(before, notesOf(c.next), 4);
        EXPECT_EQ(Covers(rects, 22, 25), c.changed) << c.name;
    }
    // The font drawn at another size: the same string draws other pixels.
    font.SetPointSize(20);
    EXPECT_TRUE(Covers(DrawRecord::Changes(before, notesOf(still), 4), 22, 25));
}

} // namespace
} // namespace Zest
