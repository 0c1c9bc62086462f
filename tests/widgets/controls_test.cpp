// Check box and slider: clicks, dragging, keyboard-free value setting, listener calls, drawing and the guards for
// images that are missing or do not fit.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "WidgetTestSupport.h"
#include "widgets/Checkbox.h"
#include "widgets/CheckboxListener.h"
#include "widgets/SliderListener.h"
#include "widgets/WidgetDefaults.h"

using namespace Zest;
using namespace WidgetTest;

namespace
{

struct ValueLog : CheckboxListener, SliderListener
{
    std::vector<std::string> calls;
    void CheckboxChecked(int id, bool checked) override
    {
        calls.push_back("check " + std::to_string(id) + " " + (checked ? "on" : "off"));
    }
    void SliderVal(int id, double value) override
    {
        char text[64];
        std::snprintf(text, sizeof text, "slider %d %.3f", id, value);
        calls.push_back(text);
    }
};

// Lines as well as fills, so the check mark can be seen.
class LineRecordingImage : public RecordingImage
{
public:
    using RecordingImage::RecordingImage;
    void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int) override
    {
        calls.push_back({"line", {int(x1), int(y1), int(x2), int(y2)}, {}, color, nullptr});
    }
};

class ControlsTest : public ::testing::Test
{
protected:
    FakeApp app;
    WidgetManager manager{&app};
    ValueLog log;

    void SetUp() override
    {
        app.manager = &manager;
        manager.SetMouseRects(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
    }
    void Click(int mx, int my)
    {
        manager.MouseMove(mx, my);
        manager.MouseDown(mx, my, 1);
        manager.MouseUp(mx, my, 1);
    }
};

} // namespace

TEST_F(ControlsTest, CheckboxTogglesOnAnyButtonAndReportsOnlyWhenAsked)
{
    Checkbox box(4, &log);
    box.Resize(10, 10, 20, 20);
    manager.AddWidget(&box);
    EXPECT_TRUE(box.showHandCursor);

    Click(15, 15);
    manager.MouseMove(16, 16);
    manager.MouseDown(16, 16, -1); // right button
    manager.MouseUp(16, 16, -1);
    box.SetChecked(true, false);
    box.SetChecked(false, true);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"check 4 on", "check 4 off", "check 4 off"}));
    EXPECT_FALSE(box.IsChecked());
    manager.RemoveWidget(&box);

    // Without a listener a click still toggles.
    Checkbox silent(5, nullptr);
    silent.Resize(0, 0, 10, 10);
    silent.MouseDown(1, 1, 0, 1);
    EXPECT_TRUE(silent.IsChecked());
}

TEST_F(ControlsTest, CheckboxDrawsImagesCellsOrThePlainLook)
{
    RecordingImage checkedPicture(12, 12), uncheckedPicture(12, 12), strip(24, 12);
    LineRecordingImage screen(100, 100);
    struct Case
    {
        const char* name;
        Image* unchecked;
        Image* checked;
        Rect checkedCell;
        bool isChecked;
        const Image* expectSource; // null: the plain look
        Rect expectSrc;
    };
    const Case cases[] = {
        {"two images, checked", &uncheckedPicture, &checkedPicture, {}, true, &checkedPicture, {0, 0, 12, 12}},
        {"two images, unchecked", &uncheckedPicture, &checkedPicture, {}, false, &uncheckedPicture, {0, 0, 12, 12}},
        {"cells of one image", &strip, nullptr, {12, 0, 12, 12}, true, &strip, {12, 0, 12, 12}},
        {"only one separate image", &uncheckedPicture, nullptr, {}, true, nullptr, {}},
        {"no images", nullptr, nullptr, {}, true, nullptr, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Checkbox box(1, nullptr);
        box.uncheckedImage = c.unchecked;
        box.checkedImage = c.checked;
        box.checkedRect = c.checkedCell;
        box.uncheckedRect = Rect(0, 0, 12, 12);
        box.Resize(0, 0, 12, 12);
        box.checked = c.isChecked;
        screen.calls.clear();
        Graphics g(&screen);
        box.Draw(&g);
        if (c.expectSource != nullptr)
        {
            ASSERT_EQ(screen.calls.size(), 1u);
            EXPECT_EQ(screen.calls[0].image, c.expectSource);
            EXPECT_EQ(screen.calls[0].src, c.expectSrc);
            continue;
        }
        // White frame, grey inside, and a yellow cross from corner to corner.
        ASSERT_EQ(screen.calls.size(), 4u);
        EXPECT_EQ(screen.calls[0].rect, Rect(0, 0, 12, 12));
        EXPECT_EQ(screen.calls[0].color, Color(255, 255, 255));
        EXPECT_EQ(screen.calls[1].rect, Rect(1, 1, 10, 10));
        EXPECT_EQ(screen.calls[1].color, Color(80, 80, 80));
        EXPECT_EQ(screen.calls[2].op, "line");
        EXPECT_EQ(screen.calls[2].rect, Rect(1, 1, 10, 10));
        EXPECT_EQ(screen.calls[3].rect, Rect(11, 1, 1, 10));
        EXPECT_EQ(screen.calls[3].color, Color(255, 255, 0));
    }
}

TEST_F(ControlsTest, NewControlsTakeTheDefaultGameResources)
{
    RecordingImage box(10, 10), track(30, 10), thumb(8, 10);
    GetWidgetDefaults() = WidgetDefaults{&box, &track, &thumb, nullptr};
    Checkbox checkbox(1, nullptr);
    Slider slider(2, nullptr);
    GetWidgetDefaults() = WidgetDefaults{};
    EXPECT_EQ(checkbox.checkedImage, &box);
    EXPECT_EQ(checkbox.uncheckedImage, &box);
    EXPECT_EQ(slider.trackImage, &track);
    EXPECT_EQ(slider.thumbImage, &thumb);
    Checkbox plain(3, nullptr);
    EXPECT_EQ(plain.checkedImage, nullptr);
}

// Mouse scripts on a horizontal slider 200 wide at (100, 50) with a 20-pixel thumb: what the value becomes and
// what the listener hears.
TEST_F(ControlsTest, SliderMouseScripts)
{
    RecordingImage thumb(20, 10);
    struct Step
    {
        char what; // 'd' down, 'm' drag/move, 'u' up
        int x;
    };
    struct Case
    {
        const char* name;
        double start;
        std::vector<Step> steps;
        double expectValue;
        std::vector<std::string> expectCalls;
    };
    const Case cases[] = {
        // 30% along the track: the value is set at once but reported only on release.
        {"click on the track", 0.0, {{'d', 160}}, 0.3, {}},
        {"click on the track, released", 0.0, {{'d', 160}, {'u', 160}}, 0.3, {"slider 7 0.300"}},
        // Grip 10 pixels into the thumb; past either end holds the value, each change heard once.
        {"drag past both ends",
         0.0,
         {{'d', 110}, {'m', 40}, {'m', 200}, {'m', 200}, {'m', 500}, {'m', 600}, {'m', 0}, {'u', 0}},
         0.0,
         {"slider 7 0.500", "slider 7 1.000", "slider 7 0.000", "slider 7 0.000"}},
        {"thumb in the middle grabbed",
         0.5,
         {{'d', 195}, {'m', 195 + 18}, {'u', 213}},
         0.6,
         {"slider 7 0.600", "slider 7 0.600"}},
        {"a move without a press is no drag", 0.2, {{'m', 250}}, 0.2, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Slider slider(7, &log);
        slider.thumbImage = &thumb;
        slider.trackImage = nullptr;
        slider.Resize(100, 50, 200, 20);
        slider.SetValue(c.start);
        manager.AddWidget(&slider);
        log.calls.clear();
        for (const Step& s : c.steps)
        {
            if (s.what == 'd')
            {
                manager.MouseMove(s.x, 60);
                manager.MouseDown(s.x, 60, 1);
            }
            else if (s.what == 'm')
                manager.MouseMove(s.x, 60);
            else
                manager.MouseUp(s.x, 60, 1);
        }
        EXPECT_NEAR(slider.value, c.expectValue, 1e-9);
        EXPECT_EQ(log.calls, c.expectCalls);
        EXPECT_FALSE(slider.dragging && c.steps.back().what == 'u');
        manager.RemoveWidget(&slider);
    }
}

TEST_F(ControlsTest, SliderValueIsAlwaysWithinZeroAndOne)
{
    Slider slider(1, &log);
    const std::pair<double, double> cases[] = {
        {1.5, 1.0}, {-0.2, 0.0}, {0.25, 0.25}, {std::numeric_limits<double>::quiet_NaN(), 0.0}, {INFINITY, 1.0}};
    for (auto [in, out] : cases)
    {
        slider.SetValue(in);
        EXPECT_EQ(slider.value, out) << in;
    }
    EXPECT_TRUE(log.calls.empty()); // SetValue never reports
}

TEST_F(ControlsTest, SliderCursorFollowsTheThumb)
{
    RecordingImage thumb(20, 10);
    Slider slider(1, &log);
    slider.thumbImage = &thumb;
    slider.Resize(0, 0, 200, 20);
    manager.AddWidget(&slider);
    manager.MouseMove(5, 5);     // over the thumb
    manager.MouseMove(100, 5);   // over the track
    manager.MouseDown(10, 5, 1); // the press moves the hover onto the thumb first, then grips it
    manager.MouseMove(300, 5);   // dragged off the slider: leaving keeps the dragging cursor
    manager.MouseUp(300, 5, 1);
    EXPECT_EQ(app.cursors,
              (std::vector<int>{CURSOR_DRAGGING, CURSOR_POINTER, CURSOR_DRAGGING, CURSOR_DRAGGING, CURSOR_POINTER}));
    manager.RemoveWidget(&slider);
}

// A thumb as long as the track, a slider of no length and missing images neither crash nor produce values
// outside 0..1.
TEST_F(ControlsTest, SliderGuards)
{
    RecordingImage longThumb(250, 10), track(30, 10);
    LineRecordingImage screen(400, 100);

    Slider full(1, &log);
    full.thumbImage = &longThumb;
    full.Resize(0, 0, 200, 20);
    full.MouseDown(10, 5, 1);
    EXPECT_TRUE(full.dragging);
    full.MouseDrag(150, 5);
    EXPECT_EQ(full.value, 0.0);
    EXPECT_TRUE(log.calls.empty());

    Slider empty(2, &log);
    empty.thumbImage = nullptr;
    empty.trackImage = nullptr;
    empty.MouseDown(0, 0, 1);
    EXPECT_EQ(empty.value, 0.0);
    Graphics g(&screen);
    empty.Draw(&g);

    Slider noThumb(3, &log);
    noThumb.thumbImage = nullptr;
    noThumb.trackImage = &track;
    noThumb.Resize(0, 0, 200, 20);
    noThumb.MouseDown(50, 5, 1);
    EXPECT_EQ(noThumb.value, 0.25);
    noThumb.MouseDrag(150, 5);
    EXPECT_EQ(noThumb.value, 0.25);
    noThumb.Draw(&g);

    // A vertical slider measures along its height.
    RecordingImage thumb(10, 10);
    Slider vertical(4, &log);
    vertical.horizontal = false;
    vertical.thumbImage = &thumb;
    vertical.Resize(0, 0, 20, 100);
    vertical.MouseDown(5, 50, 1);
    EXPECT_EQ(vertical.value, 0.5);
}

TEST_F(ControlsTest, SliderTrackRepeatsItsMiddleCellBetweenTheCaps)
{
    RecordingImage track(30, 10), thumb(10, 16);
    LineRecordingImage screen(200, 100);
    Slider slider(1, nullptr);
    slider.trackImage = &track;
    slider.thumbImage = &thumb;
    slider.Resize(0, 0, 100, 20);
    slider.SetValue(0.5);
    Graphics g(&screen);
    slider.Draw(&g);
    std::vector<int> starts, cells;
    for (const DrawCall& call : screen.calls)
    {
        if (call.image != &track) continue;
        starts.push_back(call.rect.mX);
        cells.push_back(call.src.mX);
        EXPECT_EQ(call.rect.mY, 5); // centred in the 20-pixel height
    }
    EXPECT_EQ(starts, (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90}));
    EXPECT_EQ(cells, (std::vector<int>{0, 10, 10, 10, 10, 10, 10, 10, 10, 20}));
    ASSERT_FALSE(screen.calls.empty());
    EXPECT_EQ(screen.calls.back().image, &thumb);
    EXPECT_EQ(screen.calls.back().rect, Rect(45, 2, 10, 16));
}
