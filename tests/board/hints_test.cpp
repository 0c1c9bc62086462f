// The tutorial lessons of the snack, coffee and Akkum days: each hint shows once, holds the play and lets only the
// asked click through, which closes it and lets the play go on.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BoardTestHost.h"

namespace Zest::Testing
{
namespace
{

class HintHost : public RecordingHost
{
public:
    void SetLastMouse(int x, int y) override { mouseX = x, mouseY = y; }
};

struct HintFlowTest : ::testing::Test
{
    BasicBoardFixture<HintHost> f;
    BoardModel& m = f.model;
    HintHost& host = f.host;

    void SetUp() override
    {
        SetGrid(m, std::vector<std::string>(8, "01234012"));
        m.WaitFirstPerson = 1000000;
        m.FreezeCountdown = 0;
        m.FoodEnableLevel = 0;
        m.CoffeeEnableLevel = 4;
        m.AkkumEnableLevel = 6;
        host.player.hintsShown.fill(0);
        for (int i = 0; i < 4; ++i) m.PersonWeights[i] = 10; // the fixture's characters
    }
    void Updates(int n)
    {
        for (int i = 0; i < n; ++i)
        {
            ++host.updateCount;
            m.Update();
        }
    }
    // The play holds while a hint shows: the clock does not move.
    void ExpectPaused()
    {
        const int time = m.TimeLeft;
        Updates(200);
        EXPECT_EQ(m.TimeLeft, time);
    }
    void Click(int x, int y)
    {
        m.MouseMove(x, y);
        m.MouseDown(x, y, 1);
        m.MouseUp(x, y, 1);
    }
    int Shown(int hintText) const
    {
        return static_cast<int>(std::count(host.hints.begin(), host.hints.end(), "T" + std::to_string(hintText)));
    }
};

TEST_F(HintFlowTest, SnackDayTeachesTheWishThenTheStock)
{
    host.player.level = 2;
    m.SpawnPerson();
    m.UpdateHints();
    ASSERT_EQ(m.HintId, 6);
    EXPECT_EQ(m.Persons[0]->wish, 0) << "the first customer is made to wish";
    EXPECT_EQ(m.CellState[4][3], 1);
    EXPECT_EQ(m.CellAlpha[5][4], 255);
    ExpectPaused();
    Click(500, 300); // not what the hint asks
    EXPECT_EQ(m.HintId, 6);
    Click(m.StockSlotPos[0][0] + 5, m.StockSlotPos[0][1] + 5);
    EXPECT_EQ(m.HintId, -1);
    EXPECT_EQ(m.HeldSlot, 0) << "the click went on to take the item";
    m.UpdateHints();
    EXPECT_EQ(m.HintId, 7);
    m.HintId = -1; // closed with its OK button
    m.HeldSlot = -1;
    Updates(5);
    EXPECT_EQ(Shown(123), 1);
    EXPECT_EQ(Shown(124), 1);
}

TEST_F(HintFlowTest, CoffeeDayTeachesTheCupThenTheCustomer)
{
    host.player.level = 4;
    m.SpawnPerson();
    m.CoffeeCapacity = 3, m.CoffeeFill = 3;
    m.UpdateHints();
    ASSERT_EQ(m.HintId, 12);
    EXPECT_FLOAT_EQ(m.Persons[0]->mood, 35.0f);
    ExpectPaused();
    Click(270 + 5, 460 + 5); // the machine
    EXPECT_EQ(m.HintId, -1);
    EXPECT_TRUE(m.CupDragged);
    m.UpdateHints();
    EXPECT_EQ(m.HintId, 13);
    const Person& first = *m.Persons[0];
    Click(first.slotX + 20, first.slotY + 20);
    EXPECT_EQ(m.HintId, -1);
    EXPECT_FALSE(m.CupDragged) << "the cup was given";
    Updates(5);
    EXPECT_EQ(Shown(126), 1);
    EXPECT_EQ(Shown(127), 1);
}

TEST_F(HintFlowTest, AkkumDayChargesItAndWaitsForTheClick)
{
    host.player.level = 6;
    m.AkkumWorkTimeUpgrades = {{"", 0, 5}};
    for (int i = 0; i < 3; ++i)
    {
        m.SpawnPerson();
        for (auto& p : m.Persons) p->slotY = (4 - p->queueIndex) * 100; // walked up
    }
    ASSERT_EQ(m.Persons.size(), 3u);
    m.UpdateHints();
    ASSERT_EQ(m.HintId, 14);
    EXPECT_EQ(m.AkkumCharge, m.AkkumChargeScale);
    ExpectPaused();
    Click(m.AkkumX + 5, m.AkkumY + 5);
    EXPECT_EQ(m.HintId, -1);
    EXPECT_TRUE(m.AkkumRunning);
    m.UpdateHints();
    EXPECT_EQ(m.HintId, 15);
    m.HintId = -1;
    Updates(5);
    EXPECT_EQ(Shown(132), 1);
    EXPECT_EQ(Shown(133), 1);
}

} // namespace
} // namespace Zest::Testing
