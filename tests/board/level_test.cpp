// Starting and ending a level: the intro, music, carried charge, the result tests, the tally and the time bonus.
#include <gtest/gtest.h>

#include "BoardTestHost.h"

namespace Zest::Testing
{
namespace
{

struct LevelTest : ::testing::Test
{
    BoardFixture f;
    BoardModel& m = f.model;
    RecordingHost& host = f.host;

    void Start(int level)
    {
        host.player.level = level;
        m.StartLevel();
    }
    // Runs until the level has shown a result or the limit is reached.
    void RunToResult(int limit)
    {
        for (int i = 0; i < limit && host.levelCompletes + host.gameOvers == 0; ++i) f.Step();
    }
};

TEST_F(LevelTest, FirstLevelUsesTheStartPatternAndDropsTheGridIn)
{
    Start(1);
    EXPECT_EQ(m.Columns, 8);
    EXPECT_EQ(m.GridX, 310);
    EXPECT_EQ(GridText(m)[3], "12021230") << "row 4, the one the first hint completes";
    EXPECT_EQ(GridText(m)[4], "03212120");
    EXPECT_EQ(m.FreezeCountdown, 400);
    EXPECT_EQ(m.WaitFirstPerson, 300);
    EXPECT_EQ(m.Labels.size(), 6u);
    EXPECT_EQ(m.Labels[1]->text, "T102 1");
    EXPECT_EQ(m.Labels[4]->text, "T100 T65100");
    const Topping* p = m.PieceAt(2, 5);
    EXPECT_EQ(p->y, static_cast<float>(m.GridY - 49 * 6));
    for (int c = 0; c < 8; ++c)
        for (int r = 0; r < 8; ++r) EXPECT_EQ(m.CellState[c][r], 0);
    f.Step(400);
    EXPECT_EQ(p->y, static_cast<float>(m.GridY - 49 * 6)) << "frozen for 400 updates";
    f.Step();
    EXPECT_GT(p->y, static_cast<float>(m.GridY - 49 * 6));
}

TEST_F(LevelTest, ABonusDaySaysOnItsCardWhatKindOfDayItIs)
{
    const struct
    {
        int level;
        const char* line; // the card's extra line, or null for an ordinary day
    } cases[] = {{1, nullptr}, {7, "T218"}, {8, "T219"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.level);
        m.Labels.clear();
        Start(c.level);
        int found = 0;
        for (const auto& l : m.Labels)
            if (l->text == "T218" || l->text == "T219")
            {
                ++found;
                EXPECT_EQ(l->text, c.line ? c.line : "");
                EXPECT_EQ(l->x, 400);
            }
        EXPECT_EQ(found, c.line ? 1 : 0);
    }
}

TEST_F(LevelTest, MusicStartsOnlyWhenItsTrackIsNotPlaying)
{
    Start(5);
    EXPECT_EQ(host.playingTrack, 1);
    EXPECT_EQ(host.musicStarts, 1);
    Start(5);
    EXPECT_EQ(host.musicStarts, 1);
}

TEST_F(LevelTest, StartSetsTheDevicesFromThePlayer)
{
    m.AkkumChargeUpgrades[3].intValue = 6;
    host.player.upgrades[PlayerProfile::UpgradeAkkumCharge] = 3;
    host.player.akkumCharge = 9;
    Start(5);
    EXPECT_EQ(m.AkkumCharge, 9) << "a carried charge of 9 beats 10 - 6";
    EXPECT_EQ(m.AkkumChargeScale, 10);
    host.player.akkumCharge = 500;
    Start(5);
    EXPECT_EQ(m.AkkumCharge, 10) << "a damaged profile still shows ten lamps at most";
    host.player.upgrades[PlayerProfile::UpgradeCoffeeCapacity] = 2;
    Start(5);
    EXPECT_EQ(m.CoffeeCapacity, 26);
    EXPECT_EQ(m.Columns, 10) << "SX 10 in the level file";
    EXPECT_EQ(m.GridX, 260);
}

TEST_F(LevelTest, LevelColumnsOverrideThePlate)
{
    BoardFixture rules(FixtureDir() + "rules/");
    rules.host.player.level = 20;
    rules.host.player.upgrades[PlayerProfile::UpgradePlate] = 2;
    rules.model.StartLevel();
    EXPECT_EQ(rules.model.Columns, 9);
    EXPECT_EQ(rules.model.GridX, 285);
    EXPECT_FALSE(rules.model.CustomerTipsShown) << "P3 is 80: a new customer type gets its tip window";
    rules.model.StartLevel();
    EXPECT_EQ(std::count(rules.host.loadedImages.begin(), rules.host.loadedImages.end(), "images/gameplay/bg_a"), 1);
    Start(5);
    EXPECT_TRUE(m.CustomerTipsShown);
}

TEST_F(LevelTest, WaitingCustomerHoldsTheEndUntilItLeavesOrHasPaid)
{
    Start(5);
    m.FreezeCountdown = 0;
    m.TimeLeft = 0;
    m.Score = m.Goal;
    m.Persons.push_back(std::make_unique<Person>(0, 50));
    m.Persons.back()->slotY = 400;
    f.Step(200);
    EXPECT_EQ(host.levelCompletes, 0);
    EXPECT_FALSE(m.LevelEnding);
    m.Persons[0]->paid = true;
    RunToResult(3000);
    EXPECT_EQ(host.levelCompletes, 1) << "Score equal to Goal wins";
    EXPECT_EQ(host.Count(BoardSound::LevelComplete), 1);
    f.Step(3000);
    EXPECT_EQ(host.levelCompletes, 1) << "the result shows once";
    EXPECT_EQ(host.gameOvers, 0);
}

TEST_F(LevelTest, LossBanksTheProfitAndSavesExactlyOnce)
{
    Start(5);
    host.player.money = 1000;
    m.FreezeCountdown = 0;
    m.TimeLeft = 0;
    m.DayProfit = 40;
    m.Score = 40;
    m.AkkumCharge = 7;
    f.Step(2000);
    EXPECT_EQ(host.gameOvers, 1);
    EXPECT_EQ(host.saves, 1);
    EXPECT_EQ(host.player.money, 1040);
    EXPECT_EQ(host.player.akkumCharge, 7);
    EXPECT_TRUE(m.LevelFailed);
    EXPECT_EQ(host.Count(BoardSound::LevelFailed), 1);
    Start(5);
    EXPECT_FALSE(m.LevelFailed) << "a new start clears the last result";
    EXPECT_FALSE(m.ResultShown);
}

TEST_F(LevelTest, TallyCashesBurnersRowByRowThenStockThenCoffee)
{
    Start(5);
    m.FreezeCountdown = 0;
    m.TimeLeft = 0;
    m.Score = m.Goal;
    m.CellState[2][5] = 1;
    m.CellState[3][5] = 2;
    m.CellState[0][1] = 1;
    m.StockCount[1] = 2;
    m.CoffeeCapacity = 30;
    m.CoffeeFill = 30;
    m.Labels.clear(); // the intro
    host.updateCount = 29;
    const int before = m.DayProfit;
    f.Step();
    EXPECT_EQ(m.DayProfit, before + 2) << "the higher row first";
    ASSERT_EQ(m.Labels.size(), 2u);
    EXPECT_EQ(m.Labels[0]->text, "+T651");
    EXPECT_EQ(m.Labels[0]->y, static_cast<float>(m.CellCenterY(5))) << "at the cell's own centre";
    f.Step(30);
    EXPECT_EQ(m.DayProfit, before + 3);
    f.Step(30);
    EXPECT_EQ(m.DayProfit, before + 3 + 2 * 5);
    f.Step(30);
    EXPECT_EQ(m.DayProfit, before + 3 + 10 + 50);
    EXPECT_EQ(host.levelCompletes, 0) << "waits for the labels";
    RunToResult(1000);
    EXPECT_EQ(host.levelCompletes, 1);
    EXPECT_EQ(host.updateCount % 30, 0);
}

TEST_F(LevelTest, CoffeeMachineWithoutCapacityIsNeverCashed)
{
    Start(5);
    m.FreezeCountdown = 0;
    m.TimeLeft = 0;
    m.Score = m.Goal;
    m.CoffeeCapacity = 0;
    m.CoffeeFill = 0;
    RunToResult(1000);
    EXPECT_EQ(host.levelCompletes, 1);
    EXPECT_EQ(m.DayProfit, 0);
}

TEST_F(LevelTest, PixelHuntEndsEarlyWhenEverythingIsFound)
{
    Start(8);
    ASSERT_EQ(m.LevelKind, 3);
    ASSERT_EQ(m.LevelObjects.size(), 4u);
    m.FreezeCountdown = 0;
    m.WaitFirstPerson = 100000;
    m.Goal = 0;
    for (auto& o : m.LevelObjects) o->flags |= 1 | 4;
    m.TimeLeft = 33;
    f.Step();
    EXPECT_EQ(m.TimeLeft, 0);
    EXPECT_EQ(m.DayProfit, 33);
    EXPECT_EQ(host.Count(BoardSound::MainGoal), 0) << "no goal celebrations in PixelHunt";
    RunToResult(1000);
    EXPECT_EQ(host.levelCompletes, 1);
    m.LevelObjects.clear();
    Start(8);
    m.LevelObjects.clear();
    m.FreezeCountdown = 0;
    m.TimeLeft = 20;
    f.Step();
    EXPECT_EQ(m.DayProfit, 20) << "with no objects at all the seconds convert at the first test";
}

TEST_F(LevelTest, InlayTimeBonusCountsDownAndPaysWhatItShows)
{
    Start(7);
    ASSERT_EQ(m.LevelKind, 1);
    m.FreezeCountdown = 0;
    m.InlayStage = 3;
    m.TimeLeft = 12;
    m.Score = 0;
    host.updateCount = 14;
    std::vector<int> seen;
    for (int i = 0; i < 60; ++i)
    {
        f.Step();
        if (seen.empty() || seen.back() != m.TimeLeft) seen.push_back(m.TimeLeft);
    }
    EXPECT_EQ(seen, (std::vector<int>{7, 2, 0}));
    EXPECT_EQ(host.Count(BoardSound::GetMoney), 2);
    EXPECT_EQ(host.Count(BoardSound::AppearBomb), 1);
    EXPECT_EQ(m.DayProfit, 12);
    RunToResult(2000);
    EXPECT_EQ(host.levelCompletes, 1);
    EXPECT_EQ(m.LevelKind, 0);
    f.Step(3000);
    EXPECT_EQ(host.gameOvers, 0) << "an Inlay level is never lost, even below its goal";
    EXPECT_EQ(host.levelCompletes, 1);
    for (auto& col : m.Grid) EXPECT_TRUE(col.empty()) << "no grid is conjured behind the window";
}

} // namespace
} // namespace Zest::Testing
