// Tests of the widget manager: input routing, hover, capture, focus, keys, modal layers, update and drawing.
#include <gtest/gtest.h>

#include "../graphics/DisplayFixture.h"

#include "WidgetTestSupport.h"
#include "graphics/DrawRecord.h"
#include "graphics/MemoryImage.h"

using namespace Zest;
using namespace WidgetTest;

namespace
{

// A manager over an 800x600 screen with its application double.
class ManagerTest : public testing::Test
{
protected:
    Log log;
    FakeApp app;
    WidgetManager manager{&app};

    void SetUp() override
    {
        app.manager = &manager;
        manager.SetMouseRects(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
    }
    std::unique_ptr<Probe> Add(const char* name, int px, int py, int pw, int ph, WidgetContainer* into = nullptr)
    {
        auto p = std::make_unique<Probe>(name, &log, px, py, pw, ph);
        (into != nullptr ? into : &manager)->AddWidget(p.get());
        return p;
    }
};

} // namespace

TEST_F(ManagerTest, RightPressAndReleaseReachTheFourArgumentForms)
{
    auto w = Add("W", 100, 100, 50, 50);
    w->logMoves = false;
    manager.MouseMove(110, 120);
    log.clear();
    manager.MouseDown(110, 120, -1);
    EXPECT_TRUE(w->isDown);
    manager.MouseUp(110, 120, -1);
    EXPECT_FALSE(w->isDown);
    EXPECT_EQ(log, (Log{"W:Down(10,20,1,1)", "W:Up(10,20)", "W:Up(10,20,1,1)"}));
    EXPECT_EQ(manager.capturedWidget, nullptr);
    EXPECT_EQ(manager.downButtons, 0);
}

TEST_F(ManagerTest, SecondButtonKeepsTheCaptureUntilBothAreUp)
{
    auto w = Add("W", 100, 100, 50, 50);
    auto other = Add("O", 300, 100, 50, 50);
    w->logMoves = other->logMoves = false;
    manager.MouseDown(110, 110, 1);
    manager.MouseMove(310, 110); // a drag onto another widget
    manager.MouseDown(310, 110, -1);
    EXPECT_EQ(manager.capturedWidget, w.get());
    EXPECT_EQ(manager.capturedButtons, MOUSE_BUTTON_LEFT | MOUSE_BUTTON_RIGHT);
    manager.MouseUp(310, 110, 1);
    EXPECT_EQ(manager.capturedWidget, w.get()); // right still held
    manager.MouseUp(310, 110, -1);
    EXPECT_EQ(manager.capturedWidget, nullptr);
    EXPECT_EQ(manager.overWidget, other.get()); // the hover catches up after the release
    // The drag leaves W once the mouse is off it; the press's hover step enters O, but W keeps every button.
    Log expected{"W:Enter",      "W:Down(10,10,0,1)",  "W:Drag(210,10)", "W:Leave",
                 "O:Enter",      "W:Down(210,10,1,1)", "W:Up(210,10)",   "W:Up(210,10,0,1)",
                 "W:Up(210,10)", "W:Up(210,10,1,1)"};
    EXPECT_EQ(log, expected);
}

// A captured widget inside a container hears every position relative to itself, as drags always did.
TEST_F(ManagerTest, CapturedNestedWidgetGetsPositionsRelativeToItself)
{
    auto box = Add("B", 100, 100, 300, 300);
    auto inner = Add("I", 50, 60, 100, 100, box.get());
    inner->logMoves = box->logMoves = false;
    manager.MouseDown(160, 170, 1); // (10, 10) inside the inner widget
    manager.MouseMove(170, 180);
    manager.MouseDown(175, 185, -1);
    manager.MouseUp(180, 190, 1);
    manager.ReleaseMouseCapture();
    Log expected{"I:Enter",     "I:Down(10,10,0,1)", "I:Drag(20,20)", "I:Down(25,25,1,1)",
                 "I:Up(30,30)", "I:Up(30,30,0,1)",   "I:Up(30,30)",   "I:Up(30,30,1,1)"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(manager.capturedButtons, 0);
}

TEST_F(ManagerTest, HoverFollowsTheMouseAndShowsTheHandCursor)
{
    auto a = Add("A", 0, 0, 100, 100);
    auto b = Add("B", 50, 50, 100, 100); // in front of A where they overlap
    b->showHandCursor = true;
    manager.MouseMove(10, 10);
    manager.MouseMove(10, 10); // no change: no move event
    manager.MouseMove(60, 60);
    manager.MouseMove(61, 60);
    manager.MouseMove(500, 500);
    manager.MouseMove(20, 20);
    manager.MouseExit();
    Log expected{"A:Enter",       "A:Move(10,10)", "A:Leave", "B:Enter",       "B:Move(10,10)",
                 "B:Move(11,10)", "B:Leave",       "A:Enter", "A:Move(20,20)", "A:Leave"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(app.cursors, (std::vector<int>{CURSOR_HAND, CURSOR_POINTER}));
    EXPECT_EQ(manager.overWidget, nullptr);
    EXPECT_FALSE(manager.mouseInWindow);

    // Hiding, showing and moving widgets re-check what is under the mouse.
    manager.MouseMove(60, 60);
    log.clear();
    b->SetVisible(false);
    EXPECT_EQ(manager.overWidget, a.get());
    b->SetVisible(true);
    EXPECT_EQ(manager.overWidget, b.get());
    b->Move(400, 400);
    EXPECT_EQ(manager.overWidget, a.get());
    EXPECT_EQ(log, (Log{"B:Leave", "A:Enter", "A:Move(60,60)", "A:Leave", "B:Enter", "B:Move(10,10)", "B:Leave",
                        "A:Enter", "A:Move(60,60)"}));
}

TEST_F(ManagerTest, DragHoverFollowsOnlyTheCapturedWidget)
{
    auto a = Add("A", 0, 0, 100, 100);
    auto b = Add("B", 200, 0, 100, 100);
    a->logMoves = b->logMoves = false;
    manager.MouseMove(10, 10);
    manager.MouseDown(10, 10, 1);
    manager.MouseMove(210, 10); // over B while dragging A: B is not entered
    EXPECT_EQ(manager.overWidget, nullptr);
    EXPECT_FALSE(a->isOver);
    manager.MouseMove(20, 10); // back over A
    EXPECT_EQ(manager.overWidget, a.get());
    EXPECT_TRUE(a->isOver);
    Log expected{"A:Enter", "A:Down(10,10,0,1)", "A:Drag(210,10)", "A:Leave", "A:Drag(20,10)", "A:Enter"};
    EXPECT_EQ(log, expected);
}

TEST_F(ManagerTest, RemovingTheHoveredWidgetLeavesItDuringRemoval)
{
    auto a = Add("A", 0, 0, 100, 100);
    auto under = Add("U", 0, 0, 200, 200);
    manager.BringToBack(under.get());
    a->logMoves = under->logMoves = false;
    manager.MouseMove(10, 10);
    log.clear();
    manager.RemoveWidget(a.get());
    EXPECT_EQ(log.front(), "A:Leave");
    EXPECT_FALSE(a->isOver);
    EXPECT_EQ(manager.overWidget, nullptr);
    // The next movement finds what lies beneath.
    manager.MouseMove(11, 10);
    EXPECT_EQ(manager.overWidget, under.get());
    EXPECT_EQ(log.back(), "U:Enter");
}

TEST_F(ManagerTest, DisabledWidgetsAreNotHitAndLoseWhatTheyHeld)
{
    auto w = Add("W", 0, 0, 100, 100);
    w->wantsFocus = true;
    w->logMoves = false;
    manager.MouseDown(10, 10, 1);
    ASSERT_EQ(manager.focusWidget, w.get());
    log.clear();
    w->SetDisabled(true);
    EXPECT_EQ(manager.focusWidget, nullptr);
    EXPECT_EQ(manager.capturedWidget, nullptr);
    EXPECT_EQ(manager.overWidget, nullptr);
    EXPECT_EQ(log, (Log{"W:Leave", "W:Up(10,10)", "W:Up(10,10,0,1)", "W:LostFocus"}));
    log.clear();
    manager.MouseDown(10, 10, 1);
    manager.MouseUp(10, 10, 1);
    EXPECT_TRUE(log.empty());
    // Enabling it under the mouse brings the hover back at once.
    w->SetDisabled(false);
    EXPECT_EQ(manager.overWidget, w.get());
}

TEST_F(ManagerTest, FocusBelongsToWidgetsOfThisManagerOnly)
{
    auto a = Add("A", 0, 0, 10, 10);
    Probe loose("L", &log);
    manager.SetFocus(a.get());
    manager.SetFocus(a.get()); // already focused: nothing
    manager.SetFocus(&loose);
    EXPECT_EQ(manager.focusWidget, nullptr);
    EXPECT_EQ(log, (Log{"A:GotFocus", "A:LostFocus"}));

    // Without the window focus the widget is remembered but not told until the window is active again.
    log.clear();
    manager.LostFocus();
    manager.SetFocus(a.get());
    EXPECT_TRUE(log.empty());
    manager.GotFocus();
    EXPECT_EQ(log, (Log{"A:GotFocus"}));
}

TEST_F(ManagerTest, LosingTheWindowFocusReleasesKeysAndButtons)
{
    auto w = Add("W", 0, 0, 100, 100);
    w->logMoves = false;
    manager.SetFocus(w.get());
    manager.KeyDown(65);
    manager.KeyDown(16);
    manager.MouseDown(5, 5, 1);
    log.clear();
    manager.LostFocus();
    manager.ReleaseMouseCapture();
    EXPECT_EQ(log, (Log{"W:KeyUp(16)", "W:KeyUp(65)", "W:LostFocus", "W:Up(5,5)", "W:Up(5,5,0,1)"}));
    EXPECT_EQ(manager.downButtons, 0);
    EXPECT_EQ(manager.capturedWidget, nullptr);
    EXPECT_FALSE(manager.keyDown[65]);
    EXPECT_FALSE(w->isDown);
    log.clear();
    manager.LostFocus(); // already lost: nothing
    EXPECT_TRUE(log.empty());
}

TEST_F(ManagerTest, KeysGoToTheFocusWidget)
{
    auto a = Add("A", 0, 0, 10, 10);
    auto b = Add("B", 20, 0, 10, 10);
    auto def = Add("D", 40, 0, 10, 10);
    a->tabNext = b.get();
    b->tabPrev = a.get();
    manager.defaultTabWidget = def.get();
    manager.KeyChar('x'); // no focus: dropped
    manager.SetFocus(a.get());
    log.clear();

    manager.KeyChar('x');
    manager.KeyDown(9); // Tab moves to tabNext
    EXPECT_EQ(manager.focusWidget, b.get());
    manager.KeyUp(9);
    manager.KeyDown(16);
    manager.KeyDown(9); // Shift+Tab moves back
    EXPECT_EQ(manager.focusWidget, a.get());
    manager.KeyUp(9);
    manager.KeyUp(16);
    manager.MouseWheel(-3);
    Log expected{"A:KeyChar(120)", "A:KeyDown(9)", "A:LostFocus", "B:GotFocus", "B:KeyUp(9)",  "B:KeyDown(16)",
                 "B:KeyDown(9)",   "B:LostFocus",  "A:GotFocus",  "A:KeyUp(9)", "A:KeyUp(16)", "A:Wheel(-3)"};
    EXPECT_EQ(log, expected);

    // Ctrl+Tab goes to the default tab widget as a character, and its release is not passed on.
    log.clear();
    manager.KeyDown(17);
    manager.KeyChar(9);
    manager.KeyUp(9);
    manager.KeyUp(17);
    EXPECT_EQ(log, (Log{"A:KeyDown(17)", "D:KeyChar(9)", "A:KeyUp(17)"}));
}

TEST_F(ManagerTest, KeyCodesOutsideTheTableArePassedOnButNotRecorded)
{
    auto a = Add("A", 0, 0, 10, 10);
    manager.SetFocus(a.get());
    log.clear();
    for (int code : {-1, 255, 300, 0x7FFFFFFF})
    {
        EXPECT_TRUE(manager.KeyDown(code));
        EXPECT_TRUE(manager.KeyUp(code));
    }
    EXPECT_EQ(log.size(), 8u);
    for (bool held : manager.keyDown) EXPECT_FALSE(held);
}

TEST_F(ManagerTest, EntryPointsRecordTheInputUpdate)
{
    manager.UpdateFrame();
    manager.UpdateFrame();
    EXPECT_TRUE(manager.MouseMove(1, 1));
    EXPECT_EQ(manager.lastInputUpdate, 2);
    manager.UpdateFrame();
    EXPECT_TRUE(manager.KeyChar('a'));
    EXPECT_EQ(manager.lastInputUpdate, 3);
}

TEST_F(ManagerTest, MapMouseCoordsTable)
{
    struct Case
    {
        Rect screen;
        Rect window;
        int inX, inY, outX, outY;
    };
    const Case cases[] = {
        {Rect(0, 0, 800, 600), Rect(0, 0, 800, 600), 10, 20, 10, 20},
        {Rect(0, 0, 800, 600), Rect(0, 0, 1600, 1200), 101, 51, 50, 25}, // integer division
        {Rect(10, 20, 800, 600), Rect(100, 50, 400, 300), 300, 200, 410, 320},
        {Rect(0, 0, 800, 600), Rect(0, 0, 0, 0), 33, 44, 33, 44}, // minimised: unchanged
        {Rect(0, 0, 800, 600), Rect(0, 0, 800, 0), 33, 44, 33, 44},
    };
    for (const Case& c : cases)
    {
        manager.SetMouseRects(c.screen, c.window);
        int mx = c.inX;
        int my = c.inY;
        manager.MapMouseCoords(mx, my);
        EXPECT_EQ(mx, c.outX);
        EXPECT_EQ(my, c.outY);
    }
    manager.SetMouseRects(Rect(10, 20, 800, 600), Rect(0, 0, 800, 600));
    EXPECT_EQ(manager.width, 820);
    EXPECT_EQ(manager.height, 640);
}

TEST_F(ManagerTest, ModalLayerBlocksWhatLiesBehind)
{
    auto behind = Add("B", 0, 0, 400, 400);
    auto dialog = Add("D", 100, 100, 100, 100);
    auto inDialog = Add("i", 10, 10, 20, 20, dialog.get());
    behind->wantsFocus = inDialog->wantsFocus = true;
    behind->logMoves = dialog->logMoves = inDialog->logMoves = false;
    manager.MouseMove(50, 50);
    manager.SetFocus(behind.get());
    log.clear();

    manager.PushModalLayer(dialog.get());
    // Hover and focus behind the modal widget go at once.
    EXPECT_EQ(log, (Log{"B:Leave", "B:LostFocus"}));
    log.clear();
    manager.MouseDown(50, 50, 1);
    manager.MouseUp(50, 50, 1);
    EXPECT_TRUE(log.empty()); // a click behind reaches nothing
    EXPECT_EQ(manager.focusWidget, nullptr);
    EXPECT_EQ(manager.GetWidgetAt(50, 50, nullptr, nullptr), nullptr);

    // Popping gives the focus back to the widget that had it.
    manager.PopModalLayer(dialog.get());
    EXPECT_EQ(manager.focusWidget, behind.get());
    EXPECT_EQ(log, (Log{"B:GotFocus"}));
    EXPECT_EQ(manager.baseModalWidget, nullptr);

    // ... but only when nothing else took it meanwhile.
    manager.PushModalLayer(dialog.get());
    manager.MouseDown(115, 115, 1); // inside the dialog's child
    manager.MouseUp(115, 115, 1);
    EXPECT_EQ(manager.focusWidget, inDialog.get());
    manager.PopModalLayer(dialog.get());
    EXPECT_EQ(manager.focusWidget, inDialog.get());
}

TEST_F(ManagerTest, ModalLayerCancelsACaptureBehindIt)
{
    auto behind = Add("B", 0, 0, 400, 400);
    auto dialog = Add("D", 100, 100, 100, 100);
    behind->logMoves = false;
    manager.MouseDown(20, 30, 1);
    log.clear();
    manager.PushModalLayer(dialog.get());
    EXPECT_EQ(log, (Log{"B:Leave", "B:Up(20,30)", "B:Up(20,30,0,1)"}));
    EXPECT_EQ(manager.capturedWidget, nullptr);
}

TEST_F(ManagerTest, NestedModalLayersPopInOrder)
{
    auto base = Add("W", 0, 0, 100, 100);
    auto a = Add("A", 100, 0, 100, 100);
    auto b = Add("B", 200, 0, 100, 100);
    manager.SetFocus(base.get());
    WidgetFlagChange custom{0, WIDGETFLAGS_ALLOW_MOUSE};

    manager.PushModalLayer(a.get());
    manager.SetFocus(a.get());
    manager.PushModalLayer(b.get(), custom);
    EXPECT_EQ(manager.baseModalWidget, b.get());
    EXPECT_EQ(manager.belowModalFlagChange.remove, custom.remove);
    EXPECT_EQ(manager.focusWidget, a.get()); // the custom change leaves focus alone

    manager.PopModalLayer(a.get()); // not the newest: ignored
    EXPECT_EQ(manager.modalLayers.size(), 2u);
    manager.PopModalLayer(b.get());
    EXPECT_EQ(manager.baseModalWidget, a.get());
    EXPECT_EQ(manager.belowModalFlagChange.remove, WIDGETFLAGS_ALLOW_MOUSE | WIDGETFLAGS_ALLOW_FOCUS);
    manager.PopModalLayer(a.get());
    EXPECT_EQ(manager.baseModalWidget, nullptr);
    EXPECT_EQ(manager.belowModalFlagChange.remove, 0u);
    EXPECT_TRUE(manager.modalLayers.empty());
    manager.PopModalLayer(a.get()); // no layers: nothing
}

// When the modal widget of an outer layer goes away, popping the inner layer also pops the outer one.
TEST_F(ManagerTest, PoppingCascadesOverALayerWhoseWidgetWasRemoved)
{
    auto keep = Add("K", 0, 0, 10, 10);
    auto a = Add("A", 100, 0, 100, 100);
    auto b = Add("B", 200, 0, 100, 100);
    manager.SetFocus(keep.get());
    manager.PushModalLayer(a.get());
    manager.PushModalLayer(b.get());
    manager.RemoveWidget(a.get());
    EXPECT_EQ(manager.modalLayers.back().savedBaseModalWidget, nullptr);
    manager.PopModalLayer(b.get());
    EXPECT_TRUE(manager.modalLayers.empty());
    EXPECT_EQ(manager.baseModalWidget, nullptr);
    EXPECT_EQ(manager.belowModalFlagChange.remove, 0u);
    EXPECT_EQ(manager.focusWidget, keep.get());
}

TEST_F(ManagerTest, PopupGoesAwayOnAPressOutsideIt)
{
    auto popup = Add("P", 100, 100, 50, 50);
    manager.popupWidget = popup.get();
    manager.MouseDown(120, 120, 1);
    manager.MouseUp(120, 120, 1);
    EXPECT_TRUE(manager.HasWidget(popup.get()));
    manager.MouseDown(10, 10, 1);
    EXPECT_FALSE(manager.HasWidget(popup.get()));
    EXPECT_EQ(manager.popupWidget, nullptr);
}

TEST_F(ManagerTest, FlagChangesSteerUpdateDrawAndMouse)
{
    struct Case
    {
        const char* what;
        WidgetFlagChange change;
        const char* updateLog; // events of the child after one update and one draw
        bool hit;
    };
    const Case cases[] = {
        {"defaults", {0, 0}, "c:Update c:Draw", true},
        {"no update", {0, WIDGETFLAGS_UPDATE}, "c:Draw", true},
        {"no draw", {0, WIDGETFLAGS_DRAW}, "c:Update", true},
        {"no mouse", {0, WIDGETFLAGS_ALLOW_MOUSE}, "c:Update c:Draw", false},
        {"dirty every update", {WIDGETFLAGS_MARK_DIRTY, 0}, "c:Update c:Draw c:Update c:Draw", true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        WidgetManager m(&app);
        m.SetMouseRects(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
        Log events;
        Probe holder("h", nullptr, 0, 0, 100, 100), child("c", &events, 10, 10, 20, 20);
        holder.mouseVisible = false;
        holder.flagChange = c.change;
        holder.AddWidget(&child);
        m.AddWidget(&holder);
        m.UpdateFrame();
        m.DrawScreen();
        if (c.change.add & WIDGETFLAGS_MARK_DIRTY)
        {
            m.UpdateFrame();
            m.DrawScreen();
        }
        std::string joined;
        for (const std::string& e : events) joined += (joined.empty() ? "" : " ") + e;
        EXPECT_EQ(joined, c.updateLog);
        EXPECT_EQ(m.GetWidgetAt(15, 15, nullptr, nullptr) == &child, c.hit);
        m.RemoveAllWidgets();
    }
}

// DrawScreen redraws exactly the dirty, visible top-level widgets, each with all of its children.
TEST_F(ManagerTest, DrawScreenDrawsExactlyTheDirtySet)
{
    RecordingImage screen(800, 600);
    manager.screenImage = &screen;
    auto a = Add("A", 0, 0, 100, 100);
    auto b = Add("B", 300, 0, 100, 100);
    auto c = Add("C", 600, 0, 100, 100);
    auto bChild = Add("b", 5, 5, 10, 10, b.get());
    auto hidden = Add("H", 0, 300, 10, 10);
    hidden->visible = false;

    EXPECT_TRUE(manager.DrawScreen()); // everything new is dirty
    EXPECT_EQ(log, (Log{"A:Draw", "B:Draw", "b:Draw", "C:Draw"}));
    log.clear();
    EXPECT_FALSE(manager.DrawScreen()); // nothing dirty: nothing drawn
    EXPECT_TRUE(log.empty());

    bChild->MarkDirty(); // a child marks its top-level widget, which is redrawn whole
    c->MarkDirty();
    EXPECT_TRUE(manager.DrawScreen());
    EXPECT_EQ(log, (Log{"B:Draw", "b:Draw", "C:Draw"}));
    EXPECT_FALSE(b->dirty);
    EXPECT_FALSE(bChild->dirty);
    EXPECT_EQ(manager.currentGraphics, nullptr);
}

TEST_F(ManagerTest, DrawScreenTranslatesAndClipsEachWidget)
{
    class Filler : public Widget
    {
    public:
        void Draw(Graphics* g) override
        {
            g->SetColor(Color(1, 2, 3));
            g->FillRect(-10, -10, 1000, 1000);
        }
    };
    RecordingImage screen(800, 600);
    manager.screenImage = &screen;
    manager.SetMouseRects(Rect(20, 10, 760, 580), Rect(0, 0, 760, 580));
    Filler outer;
    outer.Resize(100, 50, 200, 100);
    Filler inner;
    inner.Resize(10, 20, 30, 40);
    outer.AddWidget(&inner);
    manager.AddWidget(&outer);
    manager.DrawScreen();
    // The screen offset is taken off, and each widget's drawing is clipped to its own rectangle.
    ASSERT_EQ(screen.calls.size(), 2u);
    EXPECT_EQ(screen.calls[0].rect, Rect(80, 40, 200, 100));
    EXPECT_EQ(screen.calls[1].rect, Rect(90, 60, 30, 40));
    manager.RemoveAllWidgets();
    outer.RemoveAllWidgets();
}

// The screen surface is locked once for the whole pass: each widget finds it open, and it is closed afterwards.
TEST_F(ManagerTest, DrawScreenHoldsTheScreenSurfaceLockedForThePass)
{
    ZestTest::Display display(ZestTest::Format::Xrgb8888, 64, 48);
    ASSERT_EQ(display.result, 0);
    Zest::DDImage* screen = display.device->GetScreenImage();
    ASSERT_NE(screen, nullptr);
    manager.screenImage = screen;
    std::vector<int> seen;
    auto a = Add("A", 0, 0, 10, 10);
    auto b = Add("B", 20, 0, 10, 10);
    for (auto* w : {a.get(), b.get()})
        w->onDraw = [&](Graphics* g)
        {
            seen.push_back(screen->mLockCount);
            g->SetColor(Color(255, 255, 255));
            g->FillRect(0, 0, 4, 4);
        };
    EXPECT_TRUE(manager.DrawScreen());
    EXPECT_EQ(seen, (std::vector<int>{1, 1}));
    EXPECT_EQ(screen->mLockCount, 0);
    EXPECT_EQ(screen->GetBits()[21] & 0xFFFFFF, 0xFEFEFEu) << "drawing reached the surface";
    manager.RemoveAllWidgets();
}

TEST_F(ManagerTest, UpdateFrameCountsAndReportsDirt)
{
    auto a = Add("A", 0, 0, 10, 10);
    a->logMoves = false;
    manager.DrawScreen();
    EXPECT_FALSE(manager.UpdateFrame());
    EXPECT_FALSE(manager.UpdateFrame());
    EXPECT_EQ(manager.updateCount, 2);
    EXPECT_EQ(a->updates, 2);
    EXPECT_EQ(manager.lastUpdateSeen, 2); // its own Update never runs
    a->onUpdate = [&] { a->MarkDirty(); };
    EXPECT_TRUE(manager.UpdateFrame());

    // The smooth update reaches every widget, as often as it is called, and leaves the count alone.
    log.clear();
    manager.UpdateFrameSmooth(0.5f);
    manager.UpdateFrameSmooth(0.75f);
    EXPECT_EQ(log, (Log{"A:Smooth(50)", "A:Smooth(75)"}));
    EXPECT_EQ(manager.updateCount, 3);
}

TEST_F(ManagerTest, MarkEverythingDirtyRedrawsTheWholeTree)
{
    RecordingImage screen(800, 600);
    manager.screenImage = &screen;
    auto a = Add("A", 0, 0, 100, 100);
    auto inner = Add("i", 0, 0, 10, 10, a.get());
    auto b = Add("B", 300, 0, 100, 100);
    manager.DrawScreen();
    log.clear();
    manager.NotifyTree();
    manager.MarkEverythingDirty();
    EXPECT_TRUE(inner->dirty);
    EXPECT_TRUE(manager.DrawScreen());
    EXPECT_EQ(log, (Log{"A:Draw", "i:Draw", "B:Draw"}));
}

// Overlays queued while drawing come out in priority order: those below a widget's priority before that
// widget is drawn, the rest at the end of the screen draw.
TEST_F(ManagerTest, QueuedOverlaysDrawInPriorityOrder)
{
    RecordingImage screen(800, 600);
    manager.screenImage = &screen;
    auto a = Add("A", 10, 0, 100, 100);
    auto b = Add("B", 300, 0, 100, 100);
    b->priority = 4;
    a->onDraw = [&](Graphics*)
    {
        manager.overlays.push_back({a.get(), 5});
        manager.overlays.push_back({a.get(), 3});
        manager.overlays.push_back({a.get(), 7});
        manager.lowestOverlayPriority = 3;
    };
    manager.DrawScreen();
    EXPECT_EQ(log, (Log{"A:Draw", "A:Overlay(3,10)", "B:Draw", "A:Overlay(5,10)", "A:Overlay(7,10)"}));
    EXPECT_TRUE(manager.overlays.empty());
    EXPECT_EQ(manager.lowestOverlayPriority, INT32_MAX);
}

// Over a widget drawn by region, a widget that draws the same as last frame is left on the screen as it is while
// nothing beneath it is redrawn; it is drawn again when a redrawn part reaches it, and what it covered is redrawn
// when it goes. Each frame is checked against a whole redraw of it (the manager's region check).
TEST_F(ManagerTest, AWidgetOverARegionWidgetIsDrawnAgainOnlyWhenReached)
{
    ZestTest::Display display(ZestTest::Format::Xrgb8888, 200, 100);
    ASSERT_EQ(display.result, 0);
    manager.screenImage = display.device->GetScreenImage();
    manager.checkRegions = true;
    const auto picture = ZestTest::SolidPicture;
    const auto backdrop = picture(200, 100, 0xFF203040);
    const auto sprite = picture(10, 10, 0x80FF0000);
    const auto label = picture(40, 30, 0x8000FF00);
    int spriteX = 20;
    class Painter : public Widget
    {
    public:
        std::function<void(Graphics*)> paint;
        int drawnOnScreen = 0;
        void Draw(Graphics* g) override
        {
            if (dynamic_cast<DrawRecord*>(g->mDestImage) == nullptr) ++drawnOnScreen;
            paint(g);
        }
    };
    Painter board, cover;
    board.Resize(0, 0, 200, 100);
    board.drawsByRegion = true;
    board.paint = [&](Graphics* g)
    {
        g->DrawImage(backdrop.get(), 0, 0);
        g->DrawImage(sprite.get(), spriteX, 40);
    };
    cover.Resize(150, 10, 40, 30);
    cover.paint = [&](Graphics* g) { g->DrawImage(label.get(), 0, 0); };
    manager.AddWidget(&board);
    manager.AddWidget(&cover);

    // The times the cover was drawn by the frame itself (the check then draws it once more whole).
    auto frame = [&](int x)
    {
        spriteX = x;
        board.MarkDirty(); // and so the cover above it
        const int passes = manager.regionPasses, drawn = cover.drawnOnScreen;
        manager.DrawScreen();
        const bool checked = manager.regionPasses != passes;
        return cover.drawnOnScreen - drawn - (checked && cover.visible ? 1 : 0);
    };
    struct Step
    {
        const char* what;
        int spriteX;
        int coverDrawn;
    };
    const Step steps[] = {
        {"the first frame", 20, 1},
        {"nothing changed", 20, 0},
        {"a change far from the cover", 60, 0},
        {"the sprite moves under the cover", 155, 1},
        {"and out from under it", 60, 1},
        {"nothing changed again", 60, 0},
    };
    for (const Step& step : steps) EXPECT_EQ(frame(step.spriteX), step.coverDrawn) << step.what;
    cover.SetVisible(false);
    frame(60);
    EXPECT_EQ(manager.regionMismatches, 0);
    EXPECT_GE(manager.regionPasses, 6);
    // Where the cover was, the backdrop again.
    EXPECT_EQ(display.device->GetScreenImage()->GetBits()[20 * 200 + 170] & 0xFFFFFF, 0x203040u);
    manager.RemoveAllWidgets();
}
