// List widget: sorted inserts, the column chain, sort keys and stable sorting, page size, hilite and clicks,
// scrolling through a scroll bar, drawing of the visible rows, and the guards for indices from outside.
#include <gtest/gtest.h>

#include <cmath>

#include "WidgetTestSupport.h"
#include "widgets/ListListener.h"
#include "widgets/ListWidget.h"

using namespace Zest;
using namespace WidgetTest;

namespace
{

struct ListLog : ListListener
{
    std::vector<std::string> calls;
    void ListClicked(int id, int line, int clicks) override
    {
        calls.push_back("clicked " + std::to_string(id) + " " + std::to_string(line) + " " + std::to_string(clicks));
    }
    void ListClosed(int id) override { calls.push_back("closed " + std::to_string(id)); }
    void ListHiliteChanged(int id, int oldIndex, int newIndex) override
    {
        calls.push_back("hilite " + std::to_string(id) + " " + std::to_string(oldIndex) + ">" +
                        std::to_string(newIndex));
    }
};

class FakeScrollBar : public ScrollBarWidget
{
public:
    double maxValue = -1, page = -1, value = 0;
    ScrollListener* target = nullptr;
    void SetMaxValue(double v) override { maxValue = v; }
    void SetPageSize(double v) override { page = v; }
    // A real bar keeps its value in range and tells its listener.
    void SetValue(double v) override
    {
        value = std::clamp(v, 0.0, std::max(0.0, maxValue - page));
        if (target != nullptr) target->ScrollPosition(0, value);
    }
    double GetValue() override { return value; }
};

std::vector<std::string> Lines(const ListWidget& list)
{
    return list.lines;
}

class ListTest : public ::testing::Test
{
protected:
    FixedFont font;
    ListLog log;

    std::unique_ptr<ListWidget> MakeList(std::initializer_list<const char*> rows = {})
    {
        auto list = std::make_unique<ListWidget>(&log);
        list->font = &font;
        list->itemHeight = 20;
        for (const char* row : rows) list->AddLine(row, false);
        return list;
    }
};

} // namespace

TEST_F(ListTest, SortedInsertsAndSortKeys)
{
    struct Case
    {
        const char* name;
        std::vector<const char*> rows;
        const char* added;
        int expectIndex;
    };
    const Case cases[] = {
        {"between", {"a", "c"}, "b", 1},
        {"into an empty list", {}, "b", 0},
        {"after its equals", {"a", "b", "c"}, "b", 2},
        {"shorter prefix first", {"ab", "b"}, "a", 0},
        {"bytes compare unsigned", {"a", "z"}, "\xE9", 2},
        {"past the end", {"a", "b"}, "c", 2},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        auto list = MakeList();
        for (const char* row : c.rows) list->AddLine(row, false);
        EXPECT_EQ(list->AddLine(c.added, true), c.expectIndex);
        EXPECT_EQ(list->GetStringAt(c.expectIndex), c.added);
        EXPECT_EQ(list->lineColors.size(), list->lines.size());
    }

    auto numbers = MakeList({"12", "7", "100"});
    numbers->maxNumericPlaces = 3;
    EXPECT_EQ(numbers->GetSortKey(1), "007");
    numbers->Sort(true);
    EXPECT_EQ(Lines(*numbers), (std::vector<std::string>{"7", "12", "100"}));
    numbers->Sort(false);
    EXPECT_EQ(Lines(*numbers), (std::vector<std::string>{"100", "12", "7"}));
}

TEST_F(ListTest, SortIsStableAndMovesColoursAndEveryColumn)
{
    auto names = MakeList();
    auto scores = MakeList();
    names->nextColumn = scores.get();
    scores->prevColumn = names.get();
    for (const char* row : {"b", "a", "b", "a"}) names->AddLine(row, false);
    const Color tags[4] = {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}};
    for (int i = 0; i < 4; ++i) names->SetLineColor(i, tags[i]);

    // Only the head's own text matters when every row's next-column key is equal.
    scores->lines.assign(4, "x");
    names->Sort(true);
    EXPECT_EQ(Lines(*names), (std::vector<std::string>{"a", "a", "b", "b"}));
    EXPECT_EQ(names->lineColors[0], tags[1]);
    EXPECT_EQ(names->lineColors[1], tags[3]);
    EXPECT_EQ(names->lineColors[2], tags[0]);
    EXPECT_EQ(names->lineColors[3], tags[2]);
    EXPECT_EQ(scores->lineColors, names->lineColors);

    // childKeyFirst sorts by the next column before this one.
    scores->lines = {"2", "1", "2", "1"};
    names->childKeyFirst = true;
    names->Sort(true);
    EXPECT_EQ(Lines(*scores), (std::vector<std::string>{"1", "1", "2", "2"}));
    EXPECT_EQ(Lines(*names), (std::vector<std::string>{"a", "b", "a", "b"}));

    auto empty = MakeList();
    empty->Sort(true);
    EXPECT_EQ(empty->GetLineCount(), 0);
}

TEST_F(ListTest, ColumnsKeepTheSameRows)
{
    auto first = MakeList({"x", "y"});
    auto second = MakeList();
    second->lines.assign(2, "-");
    second->lineColors.assign(2, Color(0, 0, 0));
    first->nextColumn = second.get();
    second->prevColumn = first.get();

    EXPECT_EQ(second->AddLine("new", false), 2);
    EXPECT_EQ(Lines(*first), (std::vector<std::string>{"x", "y", "-"}));
    EXPECT_EQ(Lines(*second), (std::vector<std::string>{"-", "-", "new"}));

    second->SetSelect(1);
    EXPECT_EQ(first->selectIndex, 1);
    first->RemoveLine(0);
    EXPECT_EQ(Lines(*second), (std::vector<std::string>{"-", "new"}));
    second->SetLineColor(1, Color(9, 9, 9));
    EXPECT_EQ(first->lineColors[1], Color(9, 9, 9));
    first->SetColor("-", Color(7, 7, 7));
    EXPECT_EQ(second->lineColors[1], Color(7, 7, 7));
    second->RemoveAll();
    EXPECT_TRUE(first->lines.empty());
    EXPECT_EQ(first->selectIndex, -1);
}

TEST_F(ListTest, PageSizeAndHilitedRows)
{
    auto list = MakeList({"a", "b", "c"});
    list->Resize(0, 0, 100, 108);
    EXPECT_EQ(list->pageSize, 5.0);
    list->Resize(0, 0, 100, 20);
    EXPECT_EQ(list->pageSize, 1.0);
    list->Resize(0, 0, 100, 108);

    struct Case
    {
        int y;
        double position;
        int row;
    };
    // Rows of 20 with a 4-pixel top margin; the row number is truncated toward zero.
    const Case cases[] = {{0, 0, 0}, {3, 0, 0}, {23, 0, 0},    {24, 0, 1},  {44, 0, 2},  {64, 0, -1},
                          {0, 1, 0}, {4, 1, 1}, {64, 0.5, -1}, {4, -2, -1}, {300, 0, -1}};
    for (const Case& c : cases)
    {
        list->position = c.position;
        list->MouseMove(10, c.y);
        EXPECT_EQ(list->hiliteIndex, c.row) << "y " << c.y << " at " << c.position;
    }
}

TEST_F(ListTest, HiliteClickAndCloseReachTheListener)
{
    FakeApp app;
    WidgetManager manager(&app);
    app.manager = &manager;
    manager.SetMouseRects(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
    auto list = MakeList({"a", "b", "c"});
    list->id = 8;
    list->Resize(10, 10, 100, 108);
    manager.AddWidget(list.get());

    manager.MouseMove(20, 15);
    manager.MouseMove(20, 40);
    manager.MouseDown(20, 40, 2);
    manager.MouseUp(20, 40, 2);
    manager.MouseMove(20, 100); // below the rows
    manager.MouseMove(20, 40);
    manager.MouseMove(500, 500); // leaves
    manager.RemoveWidget(list.get());
    EXPECT_EQ(log.calls, (std::vector<std::string>{"hilite 8 -1>0", "hilite 8 0>1", "clicked 8 1 2", "hilite 8 1>-1",
                                                   "hilite 8 -1>1", "hilite 8 1>-1", "closed 8"}));
    // A click does not select: the listener decides.
    EXPECT_EQ(list->selectIndex, -1);
    EXPECT_EQ(app.cursors.front(), CURSOR_HAND);
    EXPECT_EQ(app.cursors.back(), CURSOR_POINTER);
}

TEST_F(ListTest, ScrollBarFollowsRowsAndDrivesEveryColumn)
{
    auto list = MakeList();
    auto second = MakeList();
    list->nextColumn = second.get();
    second->prevColumn = list.get();
    FakeScrollBar bar;
    bar.target = list.get();
    list->scrollBar = &bar;
    for (int i = 0; i < 12; ++i) list->AddLine("row" + std::to_string(i), false);
    list->Resize(0, 0, 100, 108);
    EXPECT_EQ(bar.maxValue, 12.0);
    EXPECT_EQ(bar.page, 5.0);

    list->MouseWheel(-1);
    EXPECT_EQ(bar.value, 5.0);
    EXPECT_EQ(list->position, 5.0);
    EXPECT_EQ(second->position, 5.0);
    list->MouseWheel(-1);
    EXPECT_EQ(list->position, 7.0); // the bar stops at max - page
    list->MouseWheel(1);
    EXPECT_EQ(list->position, 2.0);
    list->RemoveLine(0);
    EXPECT_EQ(bar.maxValue, 11.0);

    // Without a bar the wheel does nothing.
    auto plain = MakeList({"a"});
    plain->MouseWheel(-1);
    EXPECT_EQ(plain->position, 0.0);
}

// Only the rows that show are drawn, at their places, in the colours of hilite and selection.
TEST_F(ListTest, DrawsTheVisibleRows)
{
    RecordingImage screen(400, 400);
    auto list = MakeList();
    for (int i = 0; i < 12; ++i) list->AddLine("row" + std::to_string(i), false);
    list->Resize(0, 0, 100, 108);
    list->position = 2.5;
    list->hiliteIndex = 3;
    list->selectIndex = 4;
    Graphics g(&screen);
    list->Draw(&g);

    std::vector<std::string> texts;
    for (const FixedFont::Text& t : *font.drawn) texts.push_back(t.text + "@" + std::to_string(t.y));
    // Rows 2 to 2 + 5 + 1 = 8; y = trunc((i - 2.5) * 20) + 4, plus the ascent 10 and the offset (20 - 14) / 2.
    EXPECT_EQ(texts,
              (std::vector<std::string>{"row2@7", "row3@27", "row4@47", "row5@67", "row6@87", "row7@107", "row8@127"}));
    EXPECT_EQ((*font.drawn)[1].color, Color(0, 192, 0));
    EXPECT_EQ((*font.drawn)[2].color, Color(255, 255, 255));
    EXPECT_EQ((*font.drawn)[3].color, Color(0, 0, 0));
    bool selectionBar = false;
    for (const DrawCall& call : screen.Fills())
        selectionBar |= call.color == Color(0, 0, 128) && call.rect == Rect(0, 34, 100, 20);
    EXPECT_TRUE(selectionBar);
    // Nothing lands outside the list's rectangle.
    for (const DrawCall& call : screen.calls)
    {
        EXPECT_GE(call.rect.mY, 0);
        EXPECT_LE(call.rect.mY + call.rect.mHeight, 108);
    }
}

// Indices and positions from outside: out of range, negative, not a number; rows of no height; uneven columns.
TEST_F(ListTest, GuardsForIndicesFromOutside)
{
    RecordingImage screen(200, 200);
    Graphics g(&screen);
    auto list = MakeList({"a", "b"});
    list->RemoveLine(5);
    list->RemoveLine(-1);
    list->SetLine(9, "x");
    list->SetLine(-3, "x");
    list->SetLineColor(7, Color(1, 1, 1));
    EXPECT_EQ(Lines(*list), (std::vector<std::string>{"a", "b"}));
    list->SetSelect(99);
    EXPECT_EQ(list->selectIndex, 99) << "kept as given, not moved to the last row";
    list->SetSelect(-7);
    EXPECT_EQ(list->selectIndex, -7);
    list->RemoveLine(1);
    list->SetSelect(0);
    list->RemoveLine(0);
    EXPECT_EQ(list->selectIndex, -1);

    auto drawn = MakeList({"a", "b", "c"});
    drawn->Resize(0, 0, 100, 60);
    for (double position : {-3.0, 1e9, -1e9, std::nan(""), 2.9})
    {
        drawn->position = position;
        drawn->Draw(&g);
        drawn->MouseMove(5, 5);
    }
    // A selection past the rows marks none of them.
    drawn->position = 0;
    drawn->SetSelect(5);
    screen.calls.clear();
    drawn->Draw(&g);
    for (const auto& call : screen.calls)
        EXPECT_FALSE(call.op == "fill" && call.color == drawn->GetColor(LIST_COLOR_SELECT_BAR)) << call.rect.mY;
    drawn->itemHeight = 0;
    EXPECT_EQ(drawn->RowHeight(), 1);
    drawn->Resize(0, 0, 100, 61);
    drawn->MouseMove(5, 30);
    drawn->Draw(&g);

    // A second column that lost rows behind the chain's back.
    auto second = MakeList({"x"});
    drawn->nextColumn = second.get();
    second->prevColumn = drawn.get();
    drawn->Sort(false);
    drawn->AddLine("d", true);
    drawn->Draw(&g);
    second->Draw(&g);

    // An empty list draws its frame and nothing else.
    auto empty = MakeList();
    empty->Resize(0, 0, 50, 50);
    empty->Draw(&g);
    EXPECT_EQ(empty->GetOptimalHeight(), 8);
    EXPECT_EQ(empty->GetOptimalWidth(), 16);
}
