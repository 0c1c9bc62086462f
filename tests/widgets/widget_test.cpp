// Tests of the widget tree: z-order, safe update traversal, dirty marking, layout, click codes, text helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "WidgetTestSupport.h"

using namespace Zest;
using namespace WidgetTest;

namespace
{

std::string Order(const WidgetContainer& container)
{
    std::string out;
    for (Widget* w : container.children) out += static_cast<Probe*>(w)->name;
    return out;
}

std::string DirtySet(const WidgetContainer& container)
{
    std::string out;
    for (Widget* w : container.children)
        if (w->dirty) out += static_cast<Probe*>(w)->name;
    return out;
}

void ClearDirty(WidgetContainer& container)
{
    container.dirty = false;
    for (Widget* w : container.children)
    {
        w->dirty = false;
        ClearDirty(*w);
    }
}

} // namespace

TEST(WidgetTreeTest, ZOrderInsertionAndReordering)
{
    struct Case
    {
        const char* what;
        int zA, zB, zC;
        std::function<void(WidgetContainer&, Probe&, Probe&, Probe&)> op;
        const char* expected;
        bool reordered; // whether the moved widget heard OnZOrderChanged
    };
    auto none = [](WidgetContainer&, Probe&, Probe&, Probe&) {};
    const Case cases[] = {
        {"equal z: later added is in front", 0, 0, 0, none, "ABC", false},
        {"lower z goes behind", 2, 1, 0, none, "CBA", false},
        {"BringToBack puts it behind its equals", 0, 0, 0, [](auto& c, auto&, auto&, auto& z) { c.BringToBack(&z); },
         "CAB", true},
        {"BringToFront puts it in front of its equals", 0, 0, 0,
         [](auto& c, auto& a, auto&, auto&) { c.BringToFront(&a); }, "BCA", true},
        {"BringToFront stays below a higher z", 0, 5, 0, [](auto& c, auto& a, auto&, auto&) { c.BringToFront(&a); },
         "CAB", true},
        {"MoveBehind lands directly behind", 0, 0, 0, [](auto& c, auto& a, auto&, auto& z) { c.MoveBehind(&z, &a); },
         "CAB", true},
        {"MoveInFrontOf lands directly in front", 0, 0, 0,
         [](auto& c, auto& a, auto& b, auto&) { c.MoveInFrontOf(&a, &b); }, "BAC", true},
        {"MoveBehind limited by z-order", 0, 1, 2, [](auto& c, auto& a, auto&, auto& z) { c.MoveBehind(&z, &a); },
         "ABC", true},
        {"MoveInFrontOf limited by z-order", 0, 1, 2, [](auto& c, auto& a, auto&, auto& z) { c.MoveInFrontOf(&a, &z); },
         "ABC", true},
        {"reordering a non-child does nothing", 0, 0, 0,
         [](auto& c, auto&, auto&, auto&)
         {
             static Log dummy;
             Probe stranger("X", &dummy);
             c.BringToFront(&stranger);
             c.MoveBehind(&stranger, nullptr);
         },
         "ABC", false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        Log log;
        WidgetContainer root;
        Probe a("A", &log), b("B", &log), z("C", &log);
        a.zOrder = c.zA;
        b.zOrder = c.zB;
        z.zOrder = c.zC;
        root.AddWidget(&a);
        root.AddWidget(&b);
        root.AddWidget(&z);
        log.clear();
        c.op(root, a, b, z);
        EXPECT_EQ(Order(root), c.expected);
        EXPECT_EQ(!log.empty(), c.reordered);
        root.RemoveAllWidgets();
    }
}

TEST(WidgetTreeTest, AddRemoveAndOwnership)
{
    Log log;
    WidgetContainer root;
    Probe a("A", &log);
    root.AddWidget(&a);
    root.AddWidget(&a); // already a child: nothing
    EXPECT_EQ(root.children.size(), 1u);
    EXPECT_EQ(a.parent, &root);
    EXPECT_TRUE(root.HasWidget(&a));
    root.RemoveWidget(&a);
    EXPECT_EQ(a.parent, nullptr);
    EXPECT_FALSE(root.HasWidget(&a));
    root.RemoveWidget(&a); // not a child: nothing

    // RemoveAllWidgets deletes only when asked, and walks down when recursive.
    auto* outer = new Probe("O", &log);
    auto* inner = new Probe("I", &log);
    outer->AddWidget(inner);
    root.AddWidget(outer);
    root.RemoveAllWidgets(true, true);
    EXPECT_TRUE(root.children.empty());
}

// A widget that removes itself, or a sibling, or moves itself to the front, inside its own Update: every other
// sibling still updates exactly once and none is skipped.
TEST(WidgetTreeTest, RemovalDuringUpdateKeepsTheWalk)
{
    struct Case
    {
        const char* what;
        std::function<void(WidgetManager&, std::vector<std::unique_ptr<Probe>>&)> duringB;
        const char* updates; // per widget A..E
    };
    const Case cases[] = {
        {"B removes itself", [](auto& m, auto& p) { m.RemoveWidget(p[1].get()); }, "11111"},
        {"B removes the next sibling", [](auto& m, auto& p) { m.RemoveWidget(p[2].get()); }, "11011"},
        {"B removes an earlier sibling", [](auto& m, auto& p) { m.RemoveWidget(p[0].get()); }, "11111"},
        {"B removes itself and the next one",
         [](auto& m, auto& p)
         {
             m.RemoveWidget(p[1].get());
             m.RemoveWidget(p[2].get());
         },
         "11011"},
        {"B brings itself to the front", [](auto& m, auto& p) { m.BringToFront(p[1].get()); }, "11111"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        Log log;
        FakeApp app;
        WidgetManager manager(&app);
        std::vector<std::unique_ptr<Probe>> probes;
        for (const char* n : {"A", "B", "C", "D", "E"})
        {
            probes.push_back(std::make_unique<Probe>(n, &log));
            manager.AddWidget(probes.back().get());
        }
        bool once = false;
        probes[1]->onUpdate = [&]
        {
            if (!once)
            {
                once = true;
                c.duringB(manager, probes);
            }
        };
        manager.UpdateFrame();
        std::string counts;
        for (auto& p : probes) counts += std::to_string(p->updates);
        EXPECT_EQ(counts, c.updates);
        // The next update walks the changed list normally.
        manager.UpdateFrame();
    }
}

TEST(WidgetTreeTest, WidgetReachedTwiceInOneUpdateRunsOnce)
{
    Log log;
    FakeApp app;
    WidgetManager manager(&app);
    Probe first("P", &log), second("Q", &log), child("c", &log);
    manager.AddWidget(&first);
    manager.AddWidget(&second);
    first.AddWidget(&child);
    // The child moves itself from the first container to the second, which the walk reaches next.
    child.onUpdate = [&]
    {
        first.RemoveWidget(&child);
        second.AddWidget(&child);
    };
    manager.UpdateFrame();
    EXPECT_EQ(child.updates, 1);
    EXPECT_EQ(second.HasWidget(&child), true);
    manager.UpdateFrame();
    EXPECT_EQ(child.updates, 2);
}

// Back to front: far (opaque, covers everything), mid, front (overlaps mid), apart (touches nothing).
TEST(WidgetTreeTest, HideAndShowDirtyWhatTheyMust)
{
    Log log;
    FakeApp app;
    WidgetManager manager(&app);
    manager.SetMouseRects(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
    Probe far("F", &log, 0, 0, 400, 400), mid("M", &log, 50, 50, 100, 100), front("N", &log, 120, 120, 50, 50),
        apart("X", &log, 600, 0, 50, 50);
    for (Probe* p : {&far, &mid, &front, &apart}) manager.AddWidget(p);

    ClearDirty(manager);
    mid.SetVisible(false);
    EXPECT_EQ(DirtySet(manager), "FMN"); // behind it, itself, and what lies in front of it
    ClearDirty(manager);
    mid.SetVisible(true);
    EXPECT_EQ(DirtySet(manager), "MN"); // itself and what lies in front; the cover behind needs nothing
    ClearDirty(manager);
    mid.SetVisible(true); // no change: nothing
    EXPECT_EQ(DirtySet(manager), "");
}

// MarkDirtyDeep walks back only to the first opaque widget that covers the whole visible part.
TEST(WidgetTreeTest, MarkDirtyDeepStopsAtFirstOpaqueCover)
{
    struct Case
    {
        const char* what;
        std::function<void(Probe& cover)> setup;
        Rect target;
        const char* dirty; // back to front: B (base), C (cover), S (see-through), T (target)
    };
    const Case cases[] = {
        {"opaque cover stops the walk", [](Probe&) {}, Rect(100, 100, 50, 50), "CST"},
        {"see-through cover does not", [](Probe& c) { c.seeThrough = true; }, Rect(100, 100, 50, 50), "BCST"},
        {"translucent cover does not", [](Probe& c) { c.translucent = true; }, Rect(100, 100, 50, 50), "BCST"},
        {"hidden cover is skipped", [](Probe& c) { c.visible = false; }, Rect(100, 100, 50, 50), "BST"},
        {"partial cover does not", [](Probe&) {}, Rect(250, 100, 100, 50), "BCST"},
        {"only the on-screen part must be covered", [](Probe&) {}, Rect(-100, 100, 200, 50), "CST"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        Log log;
        FakeApp app;
        WidgetManager manager(&app);
        manager.SetMouseRects(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
        Probe base("B", &log, 0, 0, 800, 600), cover("C", &log, 0, 0, 300, 300), glass("S", &log, 90, 90, 30, 30),
            target("T", &log, c.target.mX, c.target.mY, c.target.mWidth, c.target.mHeight);
        glass.seeThrough = true;
        c.setup(cover);
        for (Probe* p : {&base, &cover, &glass, &target}) manager.AddWidget(p);
        ClearDirty(manager);
        target.MarkDirtyDeep();
        EXPECT_EQ(DirtySet(manager), c.dirty);
    }
}

TEST(WidgetTreeTest, MarkDirtyOfOpaqueWidgetMarksOverlappingWidgetsInFront)
{
    Log log;
    FakeApp app;
    WidgetManager manager(&app);
    Probe back("B", &log, 0, 0, 100, 100), over("O", &log, 50, 50, 100, 100), away("A", &log, 500, 500, 10, 10),
        chain("C", &log, 140, 140, 20, 20);
    for (Probe* p : {&back, &over, &away, &chain}) manager.AddWidget(p);
    ClearDirty(manager);
    back.MarkDirty();
    // "C" does not touch "B" but is marked through "O", which does.
    EXPECT_EQ(DirtySet(manager), "BOC");
    EXPECT_TRUE(manager.dirty);

    // Marking a nested child marks its container chain up to the top-level widget.
    Probe child("k", &log, 1, 1, 5, 5);
    away.AddWidget(&child);
    ClearDirty(manager);
    child.MarkDirty();
    EXPECT_TRUE(child.dirty);
    EXPECT_EQ(DirtySet(manager), "A");
}

TEST(WidgetTreeTest, LayoutFlagTable)
{
    struct Case
    {
        uint32_t flags;
        bool againstParent;
        int yOffset;
        Rect expected;
    };
    // Widget starts at (5, 6, 30, 20); the reference is (100, 200, 60, 40); the parent is 400 x 300.
    const Case cases[] = {
        {0x1200, true, 7, Rect(0, 307, 30, 20)},    // below the parent, left edges aligned
        {0x1200, false, 7, Rect(100, 247, 30, 20)}, // below a sibling
        {0x1, false, 0, Rect(5, 6, 60, 20)},
        {0x2, false, 0, Rect(5, 6, 30, 40)},
        {0x4 | 0x8, false, 0, Rect(5, 6, 30, 20)}, // no effect
        {0x10 | 0x20, false, 9, Rect(0, 9, 30, 20)},
        {0x40 | 0x80, false, 0, Rect(5, 6, 0, 0)},
        {0x100, false, 1, Rect(5, 181, 30, 20)},
        {0x400, false, 0, Rect(160, 6, 30, 20)},
        {0x800, false, 0, Rect(70, 6, 30, 20)},
        {0x2000, false, 0, Rect(130, 6, 30, 20)},
        {0x4000, false, 3, Rect(5, 203, 30, 20)},
        {0x8000, false, 3, Rect(5, 223, 30, 20)},
        {0x10000, false, 0, Rect(5, 6, 155, 20)},
        {0x20000, false, 0, Rect(5, 6, 95, 20)},
        {0x40000, false, 0, Rect(5, 6, 30, 194)},
        {0x80000, false, 0, Rect(5, 6, 30, 234)},
        {0x100000 | 0x200000, false, 2, Rect(115, 212, 30, 20)},
        // Bits apply in rising order, each seeing the ones before: width first, then centring with it.
        {0x1 | 0x100000, false, 0, Rect(100, 6, 60, 20)},
        // 0x800 (x = ref.x - w) runs before 0x10000 (w = ref.x + ref.w - x), which sees the new x.
        {0x800 | 0x10000, false, 0, Rect(70, 6, 90, 20)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << std::hex << c.flags << (c.againstParent ? " parent" : " sibling"));
        Log log;
        Probe parent("P", &log, 0, 0, 400, 300), ref("R", &log, 100, 200, 60, 40), w("W", &log, 5, 6, 30, 20);
        parent.AddWidget(&ref);
        parent.AddWidget(&w);
        Widget::Layout(&w, c.againstParent ? static_cast<WidgetContainer*>(&parent) : &ref, c.flags, c.yOffset);
        EXPECT_EQ(w.GetRect(), c.expected);
    }
}

TEST(WidgetTreeTest, ClickCodesMapToButtonAndCount)
{
    struct Case
    {
        int code;
        int button;
        int count;
    };
    const Case cases[] = {{1, 0, 1}, {2, 0, 2}, {-1, 1, 1}, {-2, 1, 2}, {3, 2, 1}, {0, 0, 0}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.code);
        Log log;
        Probe p("P", &log);
        p.MouseDown(4, 5, c.code);
        p.MouseUp(4, 5, c.code);
        std::string args = Probe::Args(4, 5, c.button, c.count);
        // The three-argument release also reaches the two-argument form, first.
        EXPECT_EQ(log, (Log{"P:Down" + args, "P:Up(4,5)", "P:Up" + args}));
    }
}

TEST(WidgetTreeTest, ColorsInsetsAndContains)
{
    Log log;
    Probe p("P", &log, 10, 20, 30, 40);
    EXPECT_EQ(p.GetColor(3), Color(0, 0, 0, 255)); // past the end: black
    EXPECT_EQ(p.GetColor(3, Color(1, 2, 3)), Color(1, 2, 3));
    p.SetColor(2, Color(9, 9, 9, 9));
    EXPECT_EQ(p.colors.size(), 3u);
    EXPECT_EQ(p.GetColor(2), Color(9, 9, 9, 9));
    const int rows[2][3] = {{1, 2, 3}, {4, 5, 6}};
    p.SetColors(rows, 2);
    EXPECT_EQ(p.colors.size(), 2u);
    EXPECT_EQ(p.GetColor(1), Color(4, 5, 6, 255));

    p.insets = Insets(1, 2, 3, 4);
    EXPECT_EQ(p.GetInsetRect(), Rect(11, 22, 26, 34));
    EXPECT_TRUE(p.Contains(10, 20));
    EXPECT_FALSE(p.Contains(40, 20));
    EXPECT_FALSE(p.Contains(10, 60));
}

TEST(WidgetTreeTest, IsBehindWalksDepthFirst)
{
    Log log;
    WidgetContainer root;
    Probe a("A", &log), a1("a", &log), b("B", &log);
    root.AddWidget(&a);
    a.AddWidget(&a1);
    root.AddWidget(&b);
    EXPECT_TRUE(root.IsBehind(&a1, &b)); // a child of an earlier sibling is behind
    EXPECT_FALSE(root.IsBehind(&b, &a1));
    EXPECT_FALSE(root.IsBehind(&a1, &a)); // its own container is met first
    Probe stranger("S", &log);
    EXPECT_FALSE(root.IsBehind(&stranger, nullptr));
    root.RemoveAllWidgets();
    a.RemoveAllWidgets();
}

TEST(WidgetTreeTest, CountDecimalDigitsTable)
{
    Log log;
    Probe p("P", &log);
    const std::pair<int, int> cases[] = {{0, 1}, {9, 1}, {10, 2}, {99, 2}, {100, 3}, {INT_MAX, 10}};
    for (auto [value, digits] : cases) EXPECT_EQ(p.CountDecimalDigits(value), digits) << value;
}

TEST(WidgetTreeTest, DrawDigitsFromStripCutsOneCellPerDigit)
{
    Log log;
    Probe p("P", &log);
    RecordingImage screen(200, 100);
    RecordingImage strip(100, 12); // ten cells of 10 pixels
    Graphics g(&screen);
    g.Translate(1, 1);
    p.DrawDigitsFromStrip(&g, 407, 5, 7, &strip, 2);
    // Each digit shows only its cell: the strip is drawn shifted left by digit * 10 and clipped to the cell.
    ASSERT_EQ(screen.calls.size(), 3u);
    const Rect expectedSrc[] = {Rect(40, 0, 10, 12), Rect(0, 0, 10, 12), Rect(70, 0, 10, 12)};
    const int expectedX[] = {6, 18, 30};
    for (size_t i = 0; i < 3; ++i)
    {
        EXPECT_EQ(screen.calls[i].op, "blt");
        EXPECT_EQ(screen.calls[i].rect.mX, expectedX[i]);
        EXPECT_EQ(screen.calls[i].rect.mY, 8);
        EXPECT_EQ(screen.calls[i].src, expectedSrc[i]);
    }
    // The caller's clip is untouched.
    EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 200, 100));

    screen.calls.clear();
    p.DrawDigitsFromStrip(&g, 0, 0, 0, &strip, 0);
    ASSERT_EQ(screen.calls.size(), 1u);
    EXPECT_EQ(screen.calls[0].src, Rect(0, 0, 10, 12));

    screen.calls.clear();
    p.DrawDigitsFromStrip(&g, -5, 0, 0, &strip, 0);
    p.DrawDigitsFromStrip(&g, 12, 0, 0, nullptr, 0);
    EXPECT_TRUE(screen.calls.empty());
}

TEST(WidgetTreeTest, WriteCenteredLineReturnsTheTextRectangle)
{
    Log log;
    Probe p("P", &log, 0, 0, 100, 50);
    RecordingImage screen(200, 100);
    Graphics g(&screen);
    FixedFont font;
    g.SetFont(&font);

    // Width 7 * 5 = 35: x = (100 - 35) / 2 = 32; ascent 10, height 14.
    EXPECT_EQ(p.WriteCenteredLine(&g, 30, "hello"), Rect(32, 20, 35, 14));
    ASSERT_EQ(font.drawn->size(), 1u);
    EXPECT_EQ((*font.drawn)[0].x, 32);
    EXPECT_EQ((*font.drawn)[0].y, 30);

    font.drawn->clear();
    Rect shadowed = p.WriteCenteredLine(&g, 30, "hello", Color(255, 0, 0), Color(0, 0, 0), Point(-2, 3));
    EXPECT_EQ(shadowed, Rect(30, 20, 37, 17));
    ASSERT_EQ(font.drawn->size(), 2u);
    EXPECT_EQ((*font.drawn)[0].color, Color(0, 0, 0)); // the shadow first, offset
    EXPECT_EQ((*font.drawn)[0].x, 30);
    EXPECT_EQ((*font.drawn)[0].y, 33);
    EXPECT_EQ((*font.drawn)[1].color, Color(255, 0, 0));

    // Text wider than the widget: the truncating division centres it left of 0.
    Probe narrow("N", &log, 0, 0, 10, 10);
    EXPECT_EQ(narrow.WriteCenteredLine(&g, 0, "abc").mX, -5);
}

// A widget deleted while still attached takes itself out of its parent and the manager first.
TEST(WidgetTreeTest, DeletingAnAttachedWidgetDetachesIt)
{
    Log log;
    FakeApp app;
    WidgetManager manager(&app);
    manager.SetMouseRects(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
    auto holder = std::make_unique<Probe>("H", &log, 0, 0, 200, 200);
    auto* doomed = new Probe("D", &log, 10, 10, 50, 50);
    auto keepChild = std::make_unique<Probe>("k", &log, 1, 1, 5, 5);
    doomed->wantsFocus = true;
    doomed->AddWidget(keepChild.get());
    manager.AddWidget(holder.get());
    holder->AddWidget(doomed);
    manager.MouseMove(20, 20);
    manager.MouseDown(20, 20, 1);
    ASSERT_EQ(manager.focusWidget, doomed);
    ASSERT_EQ(manager.capturedWidget, doomed);
    ASSERT_EQ(manager.overWidget, doomed);
    manager.defaultTabWidget = doomed;

    delete doomed;
    EXPECT_FALSE(holder->HasWidget(doomed));
    EXPECT_EQ(manager.focusWidget, nullptr);
    EXPECT_EQ(manager.capturedWidget, nullptr);
    EXPECT_EQ(manager.overWidget, nullptr);
    EXPECT_EQ(manager.defaultTabWidget, nullptr);
    EXPECT_EQ(keepChild->parent, nullptr);
    EXPECT_EQ(keepChild->widgetManager, nullptr);
    // Input and a frame after the deletion touch nothing that is gone (checked under AddressSanitizer).
    manager.MouseUp(20, 20, 1);
    manager.MouseMove(30, 30);
    manager.UpdateFrame();
    manager.DrawScreen();
}
