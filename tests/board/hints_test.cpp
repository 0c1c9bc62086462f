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

// A dish sitting in its bubble right of the field, and a lit 2x2 patch in the top-left corner to drop it on.
struct CarryTest : HintFlowTest
{
    Dish* dish = nullptr;
    int dropX = 0, dropY = 0;

    void SetUp() override
    {
        HintFlowTest::SetUp();
        host.player.level = 1;
        for (int seen : {0, 22, 1}) host.player.hintsShown[static_cast<size_t>(seen)] = 1;
        m.Dishes.push_back(std::make_unique<Dish>(0, 1));
        dish = m.Dishes.back().get();
        dish->width = dish->height = 2;
        dish->dishType = m.FindDishType(*dish);
        dish->x = 750, dish->y = 200;
        for (int c : {0, 1})
            for (int r : {6, 7}) m.CellState[c][r] = 1;
        dropX = m.GridX + 49, dropY = m.GridY + 49;
    }
    void Press()
    {
        const int x = static_cast<int>(dish->x), y = static_cast<int>(dish->y);
        m.MouseMove(x, y), m.MouseDown(x, y, 1);
    }
    // The hand moves with the button held for a second, then lets go over the lit patch.
    void DragAndRelease()
    {
        const int x = static_cast<int>(dish->x), y = static_cast<int>(dish->y);
        for (int i = 1; i <= 10; ++i)
        {
            m.MouseDrag(x + (dropX - x) * i / 10, y + (dropY - y) * i / 10);
            Updates(10);
        }
        m.MouseUp(dropX, dropY, 1);
    }
};

TEST_F(CarryTest, TheDropLessonFollowsTheHandAndEndsWithTheRelease)
{
    Press();
    ASSERT_EQ(m.DraggedDish, dish);
    Updates(1);
    ASSERT_EQ(m.HintId, 2) << "the drop lesson comes up while the pizza is carried";
    DragAndRelease();
    EXPECT_EQ(m.DraggedDish, nullptr) << "released over lit burners: nothing left on the cursor";
    EXPECT_TRUE(dish->cooking);
    EXPECT_EQ(m.HintId, -1);
    EXPECT_EQ(host.hideHints, 1);
}

TEST_F(CarryTest, AMissedDropSendsThePizzaBackAndTheLessonComesAgain)
{
    m.CellState[1][6] = 0; // one burner of the patch is out
    Press();
    Updates(1);
    ASSERT_EQ(m.HintId, 2);
    DragAndRelease();
    EXPECT_EQ(m.DraggedDish, nullptr);
    EXPECT_FALSE(dish->cooking);
    EXPECT_EQ(m.HintId, -1);
    Updates(30); // back in its place
    Press();
    Updates(1);
    EXPECT_EQ(m.HintId, 2);
    EXPECT_EQ(Shown(117), 2);
}

TEST_F(CarryTest, OtherHintsWaitUntilTheCarriedPizzaIsDown)
{
    host.player.hintsShown[2] = 1;
    m.SpawnPerson();
    m.Persons[0]->mood = 30.0f;
    m.Persons[0]->targetMood = 30.0f;
    Press();
    ASSERT_EQ(m.DraggedDish, dish);
    Updates(1);
    EXPECT_EQ(m.HintId, -1) << "no hint comes up under the moving hand";
    DragAndRelease();
    EXPECT_EQ(m.DraggedDish, nullptr);
    EXPECT_TRUE(dish->cooking);
    Updates(1);
    EXPECT_EQ(m.HintId, 20) << "the patience hint shows once the pizza is down";
}

} // namespace
} // namespace Zest::Testing
