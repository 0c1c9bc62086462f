// The play screen widgets: Escape, Shift, the menu button and the dim level.
#include <gtest/gtest.h>

#include "BoardTestHost.h"
#include "game/board/Board.h"
#include "widgets/ButtonWidget.h"

namespace Zest::Testing
{
namespace
{

struct BoardWidgetTest : ::testing::Test
{
    RecordingHost host;
    Board board{host};
    BoardInterface input{host, board};
};

TEST_F(BoardWidgetTest, EscapeOpensTheMenuOrClosesTheHint)
{
    const struct
    {
        bool focused;
        int hint;
        int menus, hides;
    } cases[] = {{true, -1, 1, 0}, {true, 4, 0, 1}, {false, 4, 0, 1}, {false, -1, 0, 0}};
    for (const auto& c : cases)
    {
        host.menus = host.hideHints = 0;
        input.hasFocus = c.focused;
        board.model->HintId = c.hint;
        input.KeyDown(27);
        EXPECT_EQ(host.menus, c.menus) << c.focused << " " << c.hint;
        EXPECT_EQ(host.hideHints, c.hides) << c.focused << " " << c.hint;
    }
}

TEST_F(BoardWidgetTest, ShiftFlagFollowsTheKey)
{
    input.KeyDown(16);
    EXPECT_TRUE(host.shift);
    input.KeyUp(65);
    EXPECT_TRUE(host.shift);
    input.KeyUp(16);
    EXPECT_FALSE(host.shift);
}

TEST_F(BoardWidgetTest, MenuButtonWaitsWhileAHintShows)
{
    EXPECT_EQ(input.menuButton->id, 0);
    EXPECT_EQ(input.menuButton->x, 695);
    EXPECT_EQ(input.menuButton->label, "T121");
    board.model->HintId = 2;
    input.ButtonReleased(0);
    EXPECT_EQ(host.menus, 0);
    board.model->HintId = -1;
    input.ButtonReleased(1);
    EXPECT_EQ(host.menus, 0);
    input.ButtonReleased(0);
    EXPECT_EQ(host.menus, 1);
}

TEST_F(BoardWidgetTest, DimLevelStaysInRangeAndFreezesUnderTheFade)
{
    host.inputFocus = false;
    for (int i = 0; i < 80; ++i) ++host.updateCount, board.Update();
    EXPECT_EQ(board.dim, 50);
    host.inputFocus = true;
    for (int i = 0; i < 20; ++i) ++host.updateCount, board.Update();
    EXPECT_EQ(board.dim, 30);
    host.inputFocus = false;
    host.fadeFocus = true;
    for (int i = 0; i < 20; ++i) ++host.updateCount, board.Update();
    EXPECT_EQ(board.dim, 30);
    host.fadeFocus = false;
    host.inputFocus = true;
    for (int i = 0; i < 80; ++i) ++host.updateCount, board.Update();
    EXPECT_EQ(board.dim, 0);
    EXPECT_EQ(board.secondCounter, -1);
}

} // namespace
} // namespace Zest::Testing
