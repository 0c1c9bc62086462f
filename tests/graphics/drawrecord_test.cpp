// Tests of Zest::DrawRecord: which parts of a frame two lists of drawing calls may draw differently.
#include <gtest/gtest.h>

#include <functional>

#include "graphics/DrawRecord.h"
#include "graphics/Graphics.h"
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

TEST(DrawRecordTest, ChangesCoverWhatMovedSwappedOrChangedAndNothingElse)
{
    auto backdrop = Picture(200, 100, 0xFF102030);
    auto a = Picture(10, 10, 0x80FF0000);
    auto b = Picture(10, 10, 0x8000FF00);
    using Scene = std::function<void(Graphics&)>;
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
    auto notesOf = [&](const Scene& scene)
    {
        record.Clear();
        Graphics g(&record);
        scene(g);
        return record.TakeNotes();
    };
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
    const std::vector<DrawNote> notes = record.TakeNotes();
    // A part cutting through the blended sprite grows to hold it whole; the opaque backdrop does not pull it wider.
    std::vector<Rect> rects{Rect(50, 50, 5, 5), Rect(150, 10, 10, 10)};
    DrawRecord::TakeWhole(rects, notes);
    EXPECT_EQ(rects[0], Rect(40, 40, 30, 30));
    EXPECT_EQ(rects[1], Rect(150, 10, 10, 10));
}

} // namespace
} // namespace Zest
