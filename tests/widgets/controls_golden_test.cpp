// The golden picture of the periphery controls in their plain looks and with images: check boxes, sliders, a
// two-column list scrolled with a selection and a hilite, and a focused edit field with a selection, drawn through
// the manager by the software renderer with the baked test font. ZEST_UPDATE_GOLDEN=1 rewrites it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "../graphics/GoldenCompare.h"
#include "WidgetTestSupport.h"
#include "data/ImageLib.h"
#include "graphics/ImageFont.h"
#include "graphics/MemoryImage.h"
#include "widgets/Checkbox.h"
#include "widgets/EditWidget.h"
#include "widgets/ListWidget.h"

using namespace Zest;
using namespace WidgetTest;

namespace
{

// Solid cells side by side, as a track or a thumb image is cut.
void Paint(MemoryImage& image, int w, int h, std::initializer_list<uint32_t> cells)
{
    std::vector<uint32_t> pixels(size_t(w) * size_t(h));
    const int cellW = w / static_cast<int>(cells.size());
    for (int yy = 0; yy < h; ++yy)
        for (int xx = 0; xx < w; ++xx)
        {
            const uint32_t colour = *(cells.begin() + std::min<int>(xx / cellW, int(cells.size()) - 1));
            // A lighter edge row shows where each cell starts and ends.
            pixels[size_t(yy) * size_t(w) + size_t(xx)] = (yy == 0 || xx % cellW == 0) ? colour | 0x00404040u : colour;
        }
    image.Create(w, h);
    image.SetBits(pixels.data(), w, h);
}

} // namespace

TEST(ControlsGolden, PlainLooksAndImages)
{
    const std::string bakedPath = std::string(ZEST_TEST_DATA_DIR) + "/../graphics/golden/bakedfont.txt";
    ImageFont baked(nullptr, bakedPath);
    ASSERT_TRUE(baked.IsLoaded()) << bakedPath;

    FakeApp app;
    WidgetManager manager(&app);
    app.manager = &manager;
    manager.SetMouseRects(Rect(0, 0, 400, 300), Rect(0, 0, 400, 300));
    MemoryImage screen(nullptr);
    screen.Create(400, 300);
    manager.screenImage = &screen;

    Probe backdrop("backdrop", nullptr, 0, 0, 400, 300);
    backdrop.onDraw = [](Graphics* g)
    {
        g->SetColor(Color(40, 52, 74));
        g->FillRect(0, 0, 400, 300);
    };
    manager.AddWidget(&backdrop);

    Checkbox off(1, nullptr), on(2, nullptr);
    off.Resize(20, 20, 16, 16);
    on.Resize(44, 20, 16, 16);
    on.SetChecked(true, false);

    Slider plain(3, nullptr);
    plain.Resize(80, 18, 140, 20);
    plain.SetValue(0.3);
    MemoryImage track(nullptr), thumb(nullptr);
    Paint(track, 30, 8, {0xFF802020u, 0xFF208020u, 0xFF202080u});
    Paint(thumb, 10, 18, {0xFFE0C040u});
    Slider pictured(4, nullptr);
    pictured.trackImage = &track;
    pictured.thumbImage = &thumb;
    pictured.Resize(240, 18, 140, 20);
    pictured.SetValue(0.75);

    ListWidget names(nullptr), scores(nullptr);
    names.font = &baked;
    scores.font = &baked;
    names.itemHeight = -1;
    scores.itemHeight = -1;
    names.nextColumn = &scores;
    scores.prevColumn = &names;
    scores.justify = 2;
    const char* rows[][2] = {{"Mia", "1200"},   {"Jonas", "860"}, {"Rene", "2310"}, {"Ada", "415"},
                             {"Bruno", "1975"}, {"Chloe", "640"}, {"Dora", "77"},   {"Emil", "5"}};
    for (const auto& row : rows) scores.SetLine(names.AddLine(row[0], true), row[1]);
    names.Resize(20, 60, 200, 120);
    scores.Resize(220, 60, 80, 120);
    names.ScrollPosition(0, 1.5);
    names.SetSelect(3);
    names.MouseMove(10, 4 + 5 * names.RowHeight() / 2); // 2.5 rows down from row 1.5: row 4

    EditWidget edit(nullptr);
    edit.SetFont(&baked);
    edit.Resize(20, 200, 280, 26);
    for (Widget* w : std::initializer_list<Widget*>{&off, &on, &plain, &pictured, &names, &scores, &edit})
        manager.AddWidget(w);
    manager.SetFocus(&edit);
    edit.SetText("Pizza Margherita", true);
    edit.cursorPos = 5;
    edit.hilitePos = 11;

    ASSERT_TRUE(manager.DrawScreen());
    auto actual = ImageLib::Image::Create(400, 300);
    ASSERT_TRUE(actual);
    std::copy(screen.GetBits(), screen.GetBits() + 400 * 300, actual->GetBits());
    for (Widget* w : std::initializer_list<Widget*>{&off, &on, &plain, &pictured, &names, &scores, &edit, &backdrop})
        manager.RemoveWidget(w);

    ZestTest::ExpectMatchesGolden(*actual, std::string(ZEST_TEST_DATA_DIR) + "/golden/controls.png",
                                  "golden-controls-actual.png", 4, 30);
}
