// The order of one update: pauses, the clock, departures, the Akkum gauge, cell highlights and PixelHunt flights.
#include <gtest/gtest.h>

#include "BoardTestHost.h"

namespace Zest::Testing
{
namespace
{

struct UpdateTest : ::testing::Test
{
    BoardFixture f;
    BoardModel& m = f.model;
    RecordingHost& host = f.host;

    void SetUp() override
    {
        SetGrid(m, {"01234567", "12345670", "23456701"});
        m.WaitFirstPerson = 1000000;
        m.FreezeCountdown = 0;
    }
};

TEST_F(UpdateTest, HintPausesAllButLabelsAndPieces)
{
    m.HintId = 0;
    m.TimeLeft = 50;
    m.WaitFirstPerson = 0;
    m.SpawnCounter = 0;
    FloatingLabel& label = m.AddLabel(BoardImage::None, 100, 100, 0, -1, 1000);
    Topping* p = m.PieceAt(0, 2);
    p->y -= 30;
    f.Step(300);
    EXPECT_EQ(label.y, -200.0f);
    EXPECT_EQ(p->y, static_cast<float>(p->restY)) << "pieces still fall";
    EXPECT_EQ(m.TimeLeft, 50);
    EXPECT_EQ(m.SpawnCounter, 0);
    EXPECT_TRUE(m.Persons.empty());
}

TEST_F(UpdateTest, FreezeLetsOnlyLabelsMove)
{
    m.FreezeCountdown = 3;
    Topping* p = m.PieceAt(0, 2);
    p->y -= 30;
    const float y = p->y;
    FloatingLabel& label = m.AddLabel(BoardImage::None, 100, 100, 1, 0, 1000);
    f.Step(3);
    EXPECT_EQ(p->y, y);
    EXPECT_EQ(label.x, 103.0f);
    f.Step();
    EXPECT_GT(p->y, y);
}

TEST_F(UpdateTest, TimeUpSoundsOnceWhenOneSecondIsLeft)
{
    m.TimeLeft = 2;
    host.updateCount = 99;
    f.Step();
    EXPECT_EQ(m.TimeLeft, 1);
    EXPECT_EQ(m.TimeUpFrame, 100);
    f.Step(100);
    EXPECT_EQ(m.TimeLeft, 0);
    EXPECT_EQ(host.Count(BoardSound::TimeIsUp), 1);
}

TEST_F(UpdateTest, UnservedCustomerCostsMoneyFromLevelThreeAndDelaysTheNext)
{
    const struct
    {
        int level;
        int score;
        size_t labels;
    } cases[] = {{3, -10, 1}, {2, 0, 0}};
    for (const auto& c : cases)
    {
        host.player.level = c.level;
        host.sounds.clear();
        m.Labels.clear();
        m.Score = 0;
        m.WaitFirstPerson = 0;
        m.Persons.push_back(std::make_unique<Person>(0, 7));
        m.Persons.back()->slotY = 400;
        m.Persons.back()->gone = true;
        m.Dishes.push_back(std::make_unique<Dish>(0, 7));
        f.Step();
        EXPECT_TRUE(m.Persons.empty());
        ASSERT_EQ(m.Dishes.size(), 1u);
        EXPECT_TRUE(m.Dishes[0]->erase) << "its pizza goes with the next update";
        EXPECT_EQ(m.Score, c.score);
        EXPECT_EQ(m.DayProfit, 0);
        EXPECT_EQ(m.Labels.size(), c.labels);
        EXPECT_EQ(host.Count(BoardSound::PersonLeave), 1);
        EXPECT_EQ(m.SpawnCounter, -199);
        EXPECT_EQ(m.LostCount, static_cast<int>(&c - cases) + 1);
        f.Step();
        EXPECT_TRUE(m.Dishes.empty());
    }
}

TEST_F(UpdateTest, CustomerWalkingOffHoldsTheOthersBack)
{
    for (int i = 0; i < 2; ++i)
    {
        m.Persons.push_back(std::make_unique<Person>(i, i + 1));
        m.Persons.back()->queueIndex = i;
        m.Persons.back()->slotY = (4 - i) * 100;
        m.Persons.back()->paid = true;
        m.Dishes.push_back(std::make_unique<Dish>(i, i + 1));
    }
    m.Persons[0]->gone = true;
    m.Persons[0]->fade = 2;
    f.Step();
    EXPECT_EQ(m.Persons.size(), 2u);
    f.Step(2);
    ASSERT_EQ(m.Persons.size(), 1u);
    EXPECT_EQ(m.ServedCount, 1);
    EXPECT_EQ(m.Persons[0]->queueIndex, 0);
    EXPECT_EQ(m.Dishes[0]->shelfIndex, 0);
    f.Step(10);
    EXPECT_EQ(m.Persons[0]->slotY, 400);
}

TEST_F(UpdateTest, AkkumGaugeEmptiesDuringTheRun)
{
    m.AkkumRunning = true;
    m.AkkumChargeScale = 40;
    m.AkkumFramesLeft = 251; // work time 5 s from the fixture's first row
    f.Step();
    EXPECT_EQ(m.AkkumCharge, 20);
    m.CellState[1][1] = 2;
    m.CellState[2][1] = 1;
    m.AkkumFramesLeft = 1;
    f.Step();
    EXPECT_FALSE(m.AkkumRunning);
    EXPECT_EQ(m.CellState[1][1], 0);
    EXPECT_EQ(m.CellState[2][1], 1);
    EXPECT_EQ(m.AkkumCharge, 10 - 6) << "the first charge row needs six steps";
}

TEST_F(UpdateTest, CellHighlightsFollowTheBurners)
{
    m.CellState[0][0] = 1;
    m.CellAlpha[0][0] = 253;
    m.CellState[1][0] = 0;
    m.CellAlpha[1][0] = 4;
    f.Step();
    EXPECT_EQ(m.CellAlpha[0][0], 255);
    EXPECT_EQ(m.CellAlpha[1][0], 0);
    m.AkkumRunning = true;
    m.AkkumFramesLeft = 500;
    f.Step();
    EXPECT_EQ(m.CellState[1][0], 1) << "a dark cold cell lights while the Akkum works";
}

TEST_F(UpdateTest, PixelHuntPictureStraightensThenFliesToItsCustomer)
{
    m.LevelKind = 3;
    m.Persons.push_back(std::make_unique<Person>(0, 3));
    m.Persons.back()->slotY = 400;
    auto o = std::make_unique<LevelObject>();
    o->flags = 1;
    o->customerId = 3;
    o->rot = 3;
    o->w = o->h = 1.0f;
    o->x = 500;
    o->y = 300;
    m.LevelObjects.push_back(std::move(o));
    LevelObject& obj = *m.LevelObjects[0];
    f.Step(2);
    EXPECT_EQ(obj.rot, 1);
    f.Step();
    EXPECT_EQ(obj.rot, 0);
    EXPECT_EQ(obj.steps, 10);
    f.Step(9);
    EXPECT_FALSE(obj.Done());
    EXPECT_EQ(obj.x, static_cast<float>(m.ShelfX));
    f.Step();
    EXPECT_TRUE(obj.Done());
    EXPECT_TRUE(m.Persons[0]->paid);
    EXPECT_EQ(m.Persons[0]->state, 2);
    EXPECT_EQ(f.effects.Count(BoardEffect::Hearts), 9);
}

TEST_F(UpdateTest, MirroredPictureCanBeFoundAndClicked)
{
    m.LevelKind = 3;
    m.Persons.push_back(std::make_unique<Person>(0, 5));
    m.Persons.back()->huntItem = 0;
    auto o = std::make_unique<LevelObject>();
    o->x = 600;
    o->y = 300;
    o->w = o->h = -1.0f; // both scales negative: the size must not be negative
    m.LevelObjects.push_back(std::move(o));
    m.MouseMove(700, 300);
    EXPECT_EQ(m.MarkedItem, nullptr);
    m.MouseMove(615, 300); // the money picture stands in: 40 wide, so 20 either side
    ASSERT_EQ(m.MarkedItem, m.LevelObjects[0].get());
    m.MouseDown(615, 300, 1);
    EXPECT_TRUE(m.LevelObjects[0]->Found());
    EXPECT_EQ(m.LevelObjects[0]->customerId, 5);
    EXPECT_EQ(m.LevelObjects[0]->w, 1.0f);
    EXPECT_EQ(m.LevelObjects[0]->h, 1.0f);
}

} // namespace
} // namespace Zest::Testing
