// Tests of buttons and hyperlinks: listener calls, hover fade, bevel and state images, labels, underlines.
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"
#include "widgets/ButtonWidget.h"

using namespace Zest;
using namespace WidgetTest;

namespace
{

class RecordingListener : public ButtonListener
{
public:
    Log events;
    void ButtonPress(int id, int clickCount) override
    {
        events.push_back("press " + std::to_string(id) + " x" + std::to_string(clickCount));
    }
    void ButtonReleased(int id) override { events.push_back("released " + std::to_string(id)); }
    void ButtonDownTick(int id) override { events.push_back("tick " + std::to_string(id)); }
    void ButtonMouseEnter(int id) override { events.push_back("enter " + std::to_string(id)); }
    void ButtonMouseLeave(int id) override { events.push_back("leave " + std::to_string(id)); }
    void ButtonMouseMove(int id, int mx, int my) override
    {
        events.push_back("move " + std::to_string(id) + " " + std::to_string(mx) + "," + std::to_string(my));
    }
};

class ButtonTest : public testing::Test
{
protected:
    FakeApp app;
    WidgetManager manager{&app};
    RecordingListener listener;
    ButtonWidget button{7, &listener};

    void SetUp() override
    {
        app.manager = &manager;
        manager.SetMouseRects(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
        button.Resize(100, 100, 80, 30);
        manager.AddWidget(&button);
    }
    void TearDown() override { manager.RemoveAllWidgets(); }
};

std::string Describe(const DrawCall& c)
{
    char text[160];
    snprintf(text, sizeof text, "%s %d,%d,%d,%d src %d,%d,%d,%d rgba %d,%d,%d,%d", c.op.c_str(), c.rect.mX, c.rect.mY,
             c.rect.mWidth, c.rect.mHeight, c.src.mX, c.src.mY, c.src.mWidth, c.src.mHeight, c.color.mRed,
             c.color.mGreen, c.color.mBlue, c.color.mAlpha);
    return text;
}

std::vector<std::string> Describe(const std::vector<DrawCall>& calls)
{
    std::vector<std::string> out;
    for (const DrawCall& c : calls) out.push_back(Describe(c));
    return out;
}

} // namespace

TEST_F(ButtonTest, ClickReportsPressAndReleaseWithHoverEvents)
{
    manager.MouseMove(110, 110);
    manager.MouseDown(110, 110, 2);
    manager.UpdateFrame();
    manager.MouseUp(111, 110, 2);
    manager.MouseMove(300, 300);
    Log expected{"enter 7", "move 7 10,10", "press 7 x2", "tick 7", "released 7", "move 7 11,10", "leave 7"};
    EXPECT_EQ(listener.events, expected);
}

TEST_F(ButtonTest, ReleaseOutsideIsNoClickAndTicksStopOutside)
{
    manager.MouseMove(110, 110);
    manager.MouseDown(110, 110, 1);
    manager.UpdateFrame();
    manager.MouseMove(300, 300); // dragged off the button
    manager.UpdateFrame();
    manager.UpdateFrame();
    manager.MouseUp(300, 300, 1);
    Log expected{"enter 7", "move 7 10,10", "press 7 x1", "tick 7", "leave 7"};
    EXPECT_EQ(listener.events, expected);
}

TEST_F(ButtonTest, ReleaseWhileTheWindowHasNoFocusIsNoClick)
{
    manager.MouseMove(110, 110);
    manager.MouseDown(110, 110, 1);
    manager.LostFocus();
    manager.MouseUp(110, 110, 1);
    for (const std::string& e : listener.events) EXPECT_NE(e, "released 7");
}

// A window that only handles clicks gets them; everything else falls on the empty defaults.
TEST_F(ButtonTest, ListenerWithOnlyReleasedStillGetsClicks)
{
    struct ClickOnly : ButtonListener
    {
        int clicks = 0;
        void ButtonReleased(int) override { ++clicks; }
    } clickOnly;
    struct PressOnly : ButtonListener
    {
        int pressed = -1;
        void ButtonPress(int id) override { pressed = id; }
    } pressOnly;
    button.listener = &clickOnly;
    for (int i = 0; i < 2; ++i)
    {
        manager.MouseMove(110, 110);
        manager.MouseDown(110, 110, 1);
        manager.UpdateFrame();
        manager.MouseUp(110, 110, 1);
        manager.MouseMove(10, 10);
    }
    EXPECT_EQ(clickOnly.clicks, 2);
    // The two-argument press forwards to the one-argument form.
    button.listener = &pressOnly;
    manager.MouseDown(110, 110, 1);
    manager.MouseUp(110, 110, 1);
    EXPECT_EQ(pressOnly.pressed, 7);
    button.listener = &listener; // the local listeners go before the button leaves the manager
}

TEST_F(ButtonTest, HoverFade)
{
    button.overImage = nullptr;
    button.overRect = Rect(0, 0, 10, 10); // an over state makes the fade matter
    button.overAlphaFadeInSpeed = 0.1;
    manager.MouseMove(110, 110);
    for (int i = 0; i < 9; ++i) manager.UpdateFrame();
    EXPECT_LT(button.overAlpha, 1.0);
    manager.UpdateFrame();
    EXPECT_EQ(button.overAlpha, 1.0); // full after ten updates, exactly
    manager.UpdateFrame();
    EXPECT_EQ(button.overAlpha, 1.0);

    // Leaving without a fade-out hides it at once.
    manager.MouseMove(10, 10);
    EXPECT_EQ(button.overAlpha, 0.0);

    // With a fade-out, leaving starts from full and steps down per update.
    button.overAlphaFadeOutSpeed = 0.25;
    manager.MouseMove(110, 110);
    manager.MouseMove(10, 10);
    EXPECT_EQ(button.overAlpha, 1.0);
    manager.DrawScreen();
    manager.UpdateFrame();
    EXPECT_EQ(button.overAlpha, 0.75);
    EXPECT_TRUE(button.dirty);
    for (int i = 0; i < 3; ++i) manager.UpdateFrame();
    EXPECT_EQ(button.overAlpha, 0.0);

    // Entering with no fade-in drops a leftover fade.
    button.overAlphaFadeInSpeed = 0;
    button.overAlpha = 0.5;
    manager.MouseMove(110, 110);
    EXPECT_EQ(button.overAlpha, 0.0);
}

TEST(ButtonDrawTest, GeneratedBevelRectangles)
{
    struct Case
    {
        const char* what;
        bool down;
        bool over;
        bool inverted;
        bool noFrame;
        std::vector<std::string> fills;
    };
    const std::string face = "fill 0,0,40,20 src 0,0,0,0 rgba 212,212,212,255";
    const std::vector<std::string> raised = {
        face,
        "fill 0,0,39,1 src 0,0,0,0 rgba 255,255,255,255",
        "fill 0,0,1,19 src 0,0,0,0 rgba 255,255,255,255",
        "fill 0,19,40,1 src 0,0,0,0 rgba 0,0,0,255",
        "fill 39,0,1,20 src 0,0,0,0 rgba 0,0,0,255",
        "fill 1,18,38,1 src 0,0,0,0 rgba 132,132,132,255",
        "fill 38,1,1,18 src 0,0,0,0 rgba 132,132,132,255",
    };
    const std::vector<std::string> sunken = {
        face,
        "fill 0,0,39,1 src 0,0,0,0 rgba 0,0,0,255",
        "fill 0,0,1,19 src 0,0,0,0 rgba 0,0,0,255",
        "fill 0,19,40,1 src 0,0,0,0 rgba 255,255,255,255",
        "fill 39,0,1,20 src 0,0,0,0 rgba 255,255,255,255",
        "fill 1,1,37,1 src 0,0,0,0 rgba 132,132,132,255",
        "fill 1,1,1,17 src 0,0,0,0 rgba 132,132,132,255",
    };
    const Case cases[] = {
        {"idle", false, false, false, false, raised},        {"held but not over", true, false, false, false, raised},
        {"held and over", true, true, false, false, sunken}, {"inverted idle", false, false, true, false, sunken},
        {"inverted held", true, true, true, false, raised},  {"no frame", true, true, false, true, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        ButtonWidget b(1, nullptr);
        b.Resize(0, 0, 40, 20);
        b.isDown = c.down;
        b.isOver = c.over;
        b.inverted = c.inverted;
        b.noFrame = c.noFrame;
        RecordingImage screen(200, 100);
        Graphics g(&screen);
        b.Draw(&g);
        EXPECT_EQ(Describe(screen.Fills()), c.fills);
    }
    // noDraw draws nothing at all.
    ButtonWidget hiddenLook(1, nullptr);
    hiddenLook.Resize(0, 0, 40, 20);
    hiddenLook.noDraw = true;
    RecordingImage screen(200, 100);
    Graphics g(&screen);
    hiddenLook.Draw(&g);
    EXPECT_TRUE(screen.calls.empty());
}

// Four cells of one image: normal, over, down, disabled side by side.
TEST(ButtonDrawTest, StateImagesFromCels)
{
    struct Case
    {
        const char* what;
        std::function<void(ButtonWidget&)> set;
        std::vector<std::string> draws;
    };
    const std::string normal = "blt 0,0,40,20 src 0,0,40,20 rgba 255,255,255,255";
    const std::string over = "blt 0,0,40,20 src 40,0,40,20 rgba 255,255,255,255";
    const Case cases[] = {
        {"idle", [](ButtonWidget&) {}, {normal}},
        {"hovered", [](ButtonWidget& b) { b.isOver = true; }, {over}},
        {"held elsewhere", [](ButtonWidget& b) { b.isDown = true; }, {over}},
        {"pressed",
         [](ButtonWidget& b) { b.isDown = b.isOver = true; },
         {"blt 0,0,40,20 src 80,0,40,20 rgba 255,255,255,255"}},
        {"pressed without a down cel",
         [](ButtonWidget& b)
         {
             b.isDown = b.isOver = true;
             b.downRect = Rect();
         },
         {"blt 1,1,39,19 src 40,0,39,19 rgba 255,255,255,255"}},
        {"disabled",
         [](ButtonWidget& b) { b.disabled = true; },
         {"blt 0,0,40,20 src 120,0,40,20 rgba 255,255,255,255"}},
        {"fading",
         [](ButtonWidget& b) { b.overAlpha = 0.5; },
         {normal, "blt 0,0,40,20 src 40,0,40,20 rgba 255,255,255,127"}},
        {"fully faded in", [](ButtonWidget& b) { b.overAlpha = 1.0; }, {over}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        RecordingImage sheet(160, 20);
        ButtonWidget b(1, nullptr);
        b.Resize(0, 0, 40, 20);
        b.buttonImage = &sheet;
        b.normalRect = Rect(0, 0, 40, 20);
        b.overRect = Rect(40, 0, 40, 20);
        b.downRect = Rect(80, 0, 40, 20);
        b.disabledRect = Rect(120, 0, 40, 20);
        c.set(b);
        RecordingImage screen(40, 20);
        Graphics g(&screen);
        b.Draw(&g);
        EXPECT_EQ(Describe(screen.calls), c.draws);
        EXPECT_FALSE(g.GetColorizeImages()); // the fade switches colourising on for its one draw only
    }
}

TEST(ButtonDrawTest, SeparateStateImages)
{
    RecordingImage normal(30, 10), over(30, 10), down(30, 10);
    ButtonWidget b(1, nullptr);
    b.Resize(0, 0, 30, 10);
    b.buttonImage = &normal;
    b.overImage = &over;
    b.downImage = &down;
    RecordingImage screen(30, 10);
    Graphics g(&screen);
    b.Draw(&g);
    b.isOver = true;
    b.Draw(&g);
    b.isDown = true;
    b.Draw(&g);
    ASSERT_EQ(screen.calls.size(), 3u);
    EXPECT_EQ(screen.calls[0].image, &normal);
    EXPECT_EQ(screen.calls[1].image, &over);
    EXPECT_EQ(screen.calls[2].image, &down);
}

TEST(ButtonDrawTest, LabelJustificationAndColours)
{
    FixedFont font; // 7 pixels a character, ascent 10
    struct Case
    {
        int justify;
        bool over;
        bool pressed;
        int expectX;
        int expectY;
        Color color;
    };
    // "abc" is 21 wide in a 100 x 30 button; y = (30 - 10 / 6 - 1 + 10) / 2 = 19.
    const Case cases[] = {
        {0, false, false, 39, 19, Color(10, 0, 0)},
        {1, false, false, 79, 19, Color(10, 0, 0)}, // ends at the right edge
        {2, false, false, 0, 19, Color(10, 0, 0)},
        {0, true, false, 39, 19, Color(20, 0, 0)},
        {0, true, true, 40, 20, Color(20, 0, 0)}, // pressed: hover colour, one pixel down and right
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.justify);
        ButtonWidget b(1, nullptr);
        b.Resize(0, 0, 100, 30);
        b.label = "abc";
        b.labelJustify = c.justify;
        b.isOver = c.over;
        b.isDown = c.pressed;
        b.SetColor(BUTTON_COLOR_TEXT, Color(10, 0, 0));
        b.SetColor(BUTTON_COLOR_TEXT_HOVER, Color(20, 0, 0));
        b.SetFont(&font);
        EXPECT_NE(b.font.get(), &font); // a duplicate, owned by the button
        font.drawn->clear();
        RecordingImage screen(100, 30);
        Graphics g(&screen);
        b.Draw(&g);
        ASSERT_EQ(font.drawn->size(), 1u);
        const FixedFont::Text& t = font.drawn->front();
        EXPECT_EQ(t.text, "abc");
        EXPECT_EQ(t.x, c.expectX);
        EXPECT_EQ(t.y, c.expectY);
        EXPECT_EQ(t.color, c.color);
        EXPECT_EQ(t.x + 21 == 100, c.justify == 1);
    }
}

TEST(ButtonDrawTest, HyperlinkIsUnderlinedText)
{
    FixedFont font;
    RecordingListener listener;
    HyperlinkWidget link(3, &listener);
    EXPECT_TRUE(link.showHandCursor);
    link.Resize(0, 0, 100, 30);
    link.label = "link"; // 28 wide: x = 36; y = (10 + 30) / 2 - 1 = 19
    link.underlineSize = 2;
    link.color = Color(0, 0, 200);
    link.overColor = Color(200, 0, 0);
    link.SetFont(&font);
    RecordingImage screen(100, 30);
    Graphics g(&screen);
    link.Draw(&g);
    link.isOver = true;
    link.Draw(&g);
    ASSERT_EQ(font.drawn->size(), 2u);
    EXPECT_EQ((*font.drawn)[0].x, 36);
    EXPECT_EQ((*font.drawn)[0].y, 19);
    EXPECT_EQ((*font.drawn)[0].color, Color(0, 0, 200));
    EXPECT_EQ((*font.drawn)[1].color, Color(200, 0, 0));
    std::vector<std::string> expected = {
        "fill 36,22,28,1 src 0,0,0,0 rgba 0,0,200,255", "fill 36,23,28,1 src 0,0,0,0 rgba 0,0,200,255",
        "fill 36,22,28,1 src 0,0,0,0 rgba 200,0,0,255", "fill 36,23,28,1 src 0,0,0,0 rgba 200,0,0,255"};
    EXPECT_EQ(Describe(screen.Fills()), expected);
}

TEST_F(ButtonTest, HyperlinkHoverRedrawsWhatShowsThrough)
{
    Log log;
    Probe under("U", &log, 0, 0, 800, 600);
    manager.AddWidget(&under);
    manager.BringToBack(&under);
    HyperlinkWidget link(3, &listener);
    link.Resize(300, 300, 50, 20);
    manager.AddWidget(&link);
    manager.DrawScreen();
    app.cursors.clear();
    manager.MouseMove(310, 310);
    EXPECT_TRUE(under.dirty);
    EXPECT_EQ(app.cursors, (std::vector<int>{CURSOR_HAND}));
    manager.RemoveWidget(&link);
    manager.RemoveWidget(&under);
}

TEST(ButtonDrawTest, DefaultFontIsMadeOnlyForALabel)
{
    ButtonWidget b(1, nullptr);
    b.Resize(0, 0, 40, 20);
    RecordingImage screen(40, 20);
    Graphics g(&screen);
    b.Draw(&g);
    EXPECT_EQ(b.font, nullptr);
    b.label = "Go";
    b.Draw(&g);
    ASSERT_NE(b.font, nullptr);
    EXPECT_GT(b.font->StringWidth("Go"), 0);
}
