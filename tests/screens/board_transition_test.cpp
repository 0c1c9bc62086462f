// Screen-change fade: veil opacity, the swap at the midpoint, the hand-over at the end, presets and restarts.
#include "game/screens/BoardTransition.h"
#include "tests/widgets/WidgetTestSupport.h"

#include <gtest/gtest.h>

using namespace Zest;
using WidgetTest::Probe;

namespace
{

struct FadeFixture
{
    WidgetTest::FakeApp app;
    WidgetManager manager{&app};
    WidgetTest::Log log;
    Probe title{"title", &log, 0, 0, 800, 600};
    Probe map{"map", &log, 0, 0, 800, 600};
    Probe board{"board", &log, 0, 0, 800, 600};
    BoardTransition fade;
    int dimResets = 0;

    FadeFixture()
    {
        app.manager = &manager;
        fade.Resize(0, 0, 800, 600);
        fade.onDone = [this] { ++dimResets; };
        manager.AddWidget(&title);
        manager.SetFocus(&title);
    }
    ~FadeFixture() { manager.RemoveAllWidgets(); }
    void Step(int n)
    {
        for (int i = 0; i < n; ++i) manager.UpdateFrame();
    }
};

} // namespace

TEST(BoardTransition, AlphaRisesToBlackAndFallsBack)
{
    const int table[][2] = {{0, 0}, {50, 127}, {99, 252}, {100, 255}, {101, 253}, {150, 128}, {199, 3}, {200, 0}};
    for (const auto& row : table) EXPECT_EQ(BoardTransition::Alpha(row[0]), row[1]) << row[0];
}

TEST(BoardTransition, SwapsAtTheMidpointInListOrderAndHandsOverAtTheEnd)
{
    FadeFixture f;
    f.fade.Reset();
    f.fade.addList = {&f.map};
    f.fade.removeList = {&f.title};
    f.fade.focusTarget = &f.map;
    f.manager.AddWidget(&f.fade);
    f.manager.AddWidget(&f.fade); // a second add changes nothing

    f.Step(99);
    EXPECT_TRUE(f.manager.HasWidget(&f.title));
    EXPECT_FALSE(f.manager.HasWidget(&f.map));
    f.Step(1);
    EXPECT_EQ(f.fade.counter, 100);
    EXPECT_FALSE(f.manager.HasWidget(&f.title));
    EXPECT_TRUE(f.manager.HasWidget(&f.map));
    EXPECT_EQ(f.manager.focusWidget, &f.fade);
    EXPECT_TRUE(f.manager.IsBehind(&f.map, &f.fade));
    f.Step(99);
    EXPECT_TRUE(f.manager.HasWidget(&f.fade));
    EXPECT_EQ(f.dimResets, 0);
    f.Step(1);
    EXPECT_FALSE(f.manager.HasWidget(&f.fade));
    EXPECT_EQ(f.manager.focusWidget, &f.map);
    EXPECT_EQ(f.dimResets, 1);
}

TEST(BoardTransition, PresetCounterEmptyListsAndAWidgetInBothLists)
{
    FadeFixture f;
    f.fade.Reset();
    f.fade.addList = {&f.title, &f.board};
    f.fade.removeList = {&f.title};
    f.manager.AddWidget(&f.fade);
    f.fade.counter = 98; // as the level-complete window does
    f.Step(1);
    EXPECT_FALSE(f.manager.HasWidget(&f.board));
    f.Step(1);
    EXPECT_TRUE(f.manager.HasWidget(&f.board));
    EXPECT_TRUE(f.manager.HasWidget(&f.title)); // removed, then added again
    f.Step(99);
    EXPECT_TRUE(f.manager.HasWidget(&f.fade));
    f.Step(1);
    EXPECT_FALSE(f.manager.HasWidget(&f.fade));
    EXPECT_NE(f.manager.focusWidget, &f.fade); // a finished fade never keeps the focus

    FadeFixture empty;
    empty.fade.Reset();
    empty.manager.AddWidget(&empty.fade);
    empty.Step(200);
    EXPECT_TRUE(empty.manager.HasWidget(&empty.title));
    EXPECT_FALSE(empty.manager.HasWidget(&empty.fade));
    EXPECT_EQ(empty.dimResets, 1);
}

TEST(BoardTransition, ResetBeforeTheMidpointDropsTheOldLists)
{
    FadeFixture f;
    f.fade.Reset();
    f.fade.addList = {&f.board};
    f.fade.removeList = {&f.title};
    f.manager.AddWidget(&f.fade);
    f.Step(60);
    f.fade.Reset();
    f.fade.addList = {&f.map};
    f.fade.removeList = {&f.title};
    f.fade.focusTarget = &f.map;
    f.manager.AddWidget(&f.fade);
    f.Step(99);
    EXPECT_TRUE(f.manager.HasWidget(&f.title));
    f.Step(101);
    EXPECT_FALSE(f.manager.HasWidget(&f.board));
    EXPECT_TRUE(f.manager.HasWidget(&f.map));
    EXPECT_FALSE(f.manager.HasWidget(&f.title));
    EXPECT_EQ(f.manager.focusWidget, &f.map);
}

TEST(BoardTransition, DrawsBlackVeilWithColourisingOff)
{
    WidgetTest::RecordingImage target(800, 600);
    Graphics g(&target);
    g.SetColorizeImages(true);
    BoardTransition fade;
    fade.counter = 150;
    fade.Draw(&g);
    ASSERT_EQ(target.calls.size(), 1u);
    EXPECT_EQ(target.calls[0].op, "fill");
    EXPECT_EQ(target.calls[0].rect, Rect(0, 0, 800, 600));
    EXPECT_EQ(target.calls[0].color, Color(0, 0, 0, 128));
    EXPECT_FALSE(g.GetColorizeImages());
}
