// The level files: levels, dish types, upgrades and customer animations as the loaders read them.
#include <gtest/gtest.h>

#include "BoardTestHost.h"

namespace Zest::Testing
{
namespace
{

struct LevelFileTest : ::testing::Test
{
    BoardFixture f{FixtureDir() + "rules/"};
    BoardModel& m = f.model;
    RecordingHost& host = f.host;

    int BackgroundLoads() const
    {
        return static_cast<int>(std::count(host.loadedImages.begin(), host.loadedImages.end(), "images/gameplay/bg_a"));
    }
};

TEST_F(LevelFileTest, ValuesAreStoredAsWritten)
{
    host.player.level = 20;
    host.player.recipes[2] = 1;
    m.CellState[5][6] = 1;
    m.LevelMask[0][5][6] = 1;
    ASSERT_TRUE(m.LoadLevels());
    EXPECT_EQ(m.TipsCount, 0);
    EXPECT_EQ(m.LevelKind, 0) << "type names are case-sensitive";
    EXPECT_EQ(m.Goal, 321);
    EXPECT_EQ(m.TimeLeft, 90);
    EXPECT_EQ(m.TimeTotal, 90);
    EXPECT_EQ(m.FoodWantsTimeCheck, 0) << "a non-number reads as 0";
    EXPECT_EQ(m.FoodWantsProb, 250);
    EXPECT_EQ(m.Columns, 9);
    EXPECT_EQ(m.BackgroundName, "bg_a");
    EXPECT_EQ(BackgroundLoads(), 1);
    const std::vector<int> weights = {100, 0, 0, 0, 80, 7, 0, 0, 30, 50, 50, 0, 0, 30, 0, 50};
    EXPECT_EQ(m.DishWeights, weights) << "only W3 (entry 5) changes";
    const int persons[12] = {0, 0, 80, 0, 4, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(std::equal(std::begin(persons), std::end(persons), std::begin(m.PersonWeights)));
    for (int i = 0; i < 10; ++i) EXPECT_EQ(m.LevelMask[0][i][7], 1) << "r1 sets the top row, ten columns at most";
    EXPECT_EQ(m.LevelMask[0][0][6], 0);
    EXPECT_EQ(m.LevelMask[0][1][6], 1);
    EXPECT_EQ(m.LevelMask[0][5][6], 1) << "a short row keeps the rest";
    EXPECT_EQ(m.CellState[5][6], 1);
}

TEST_F(LevelFileTest, OmittedValuesCarryOverFromTheLevelPlayedBefore)
{
    host.player.level = 20;
    host.player.recipes[2] = 1;
    ASSERT_TRUE(m.LoadLevels());
    EXPECT_EQ(m.DishWeights[5], 7);
    host.player.level = 21;
    host.player.recipes[0] = 0;
    ASSERT_TRUE(m.LoadLevels());
    EXPECT_EQ(m.TipsCount, 5);
    EXPECT_EQ(m.Goal, 321);
    EXPECT_EQ(m.TimeLeft, 90);
    EXPECT_EQ(m.PersonWeights[2], 80) << "no PersonWeights element keeps the table";
    EXPECT_EQ(m.DishWeights[0], 0) << "W1 without recipe 0";
    EXPECT_EQ(m.DishWeights[5], 7);
    EXPECT_EQ(m.LevelKind, 3);
    EXPECT_EQ(BackgroundLoads(), 1) << "the same background is not loaded again";
}

TEST_F(LevelFileTest, ExcessStagesAndOrdersAreIgnored)
{
    host.player.level = 21;
    ASSERT_TRUE(m.LoadLevels());
    EXPECT_EQ(m.Columns, 8) << "a fourth Board is ignored whole";
    for (int c = 0; c < 8; ++c) EXPECT_EQ(m.LevelMask[0][c][0], 1);
    EXPECT_EQ(m.InlayOrders[0][0].pizza, 0);
    EXPECT_EQ(m.InlayOrders[0][0].snack, 2);
    EXPECT_EQ(m.InlayOrders[0][1].snack, -1) << "an order never given has no snack";
    EXPECT_EQ(m.InlayOrders[0][3].pizza, 3);
    EXPECT_EQ(m.InlayOrders[2][0].pizza, 6);
    ASSERT_EQ(m.LevelObjects.size(), 2u);
    EXPECT_TRUE(m.LevelObjects[0]->isMoney);
    EXPECT_EQ(m.LevelObjects[0]->y, 120.0f);
    EXPECT_EQ(m.LevelObjects[1]->pic, "cup");
    EXPECT_EQ(m.LevelObjects[1]->rot, -4);
    EXPECT_EQ(m.LevelObjects[1]->w, 0.0f);
    EXPECT_NE(std::find(host.loadedImages.begin(), host.loadedImages.end(), "images/objects/cup"),
              host.loadedImages.end());
}

TEST_F(LevelFileTest, FirstMatchingLevelWinsAndColumnsStayInRange)
{
    host.player.level = 22;
    ASSERT_TRUE(m.LoadLevels());
    EXPECT_EQ(m.Goal, 10);
    EXPECT_EQ(m.Columns, 10) << "SX 12 is clamped";
    EXPECT_EQ(m.TimeLeft, 0);
}

TEST_F(LevelFileTest, MissingLevelFileChangesNothing)
{
    m.LevelFolder = FixtureDir() + "nowhere/";
    host.player.level = 20;
    host.dataProblems.clear(); // the fixture's customer files are few on purpose
    m.Goal = 77;
    m.LevelKind = 3;
    EXPECT_FALSE(m.LoadLevels()) << "a missing file is reported, not taken for an empty one";
    EXPECT_EQ(m.Goal, 77);
    EXPECT_EQ(m.LevelKind, 3);
    const size_t types = m.DishTypes.size();
    EXPECT_FALSE(m.LoadDishes());
    EXPECT_EQ(m.DishTypes.size(), types);
    EXPECT_EQ(host.dataProblems, (std::vector<std::string>{m.LevelFolder + "levels.xml is missing",
                                                           m.LevelFolder + "Dishes.xml is missing"}));
}

TEST_F(LevelFileTest, DishTypesReuseOneWorkingRecordAndClampSizes)
{
    ASSERT_EQ(m.DishTypes.size(), 3u);
    EXPECT_EQ(m.DishTypes[1].sizeX, 2) << "SizeX carried from the first type";
    EXPECT_EQ(m.DishTypes[1].sizeY, 5) << "9 is clamped";
    EXPECT_EQ(m.DishTypes[1].cookingTime, 600);
    EXPECT_EQ(m.DishTypes[1].smallPicFileName, "");
    EXPECT_EQ(m.DishTypes[2].sizeX, 2) << "1 is clamped";
    EXPECT_EQ(m.DishTypes[2].dishCost, 30) << "an empty value counts as not given";
    EXPECT_EQ(m.DishTypes[2].cookingTime, 0);
}

TEST_F(LevelFileTest, UpgradeRowsAndEnableLevels)
{
    ASSERT_EQ(m.PlateUpgrades.size(), 3u);
    EXPECT_EQ(m.PlateUpgrades[2].price, 150) << "Price carried from the row before";
    EXPECT_EQ(m.PlateUpgrades[2].intValue, 10);
    EXPECT_EQ(m.PlateUpgrades[2].name, "large");
    EXPECT_EQ(m.PlateEnableLevel, 2);
    EXPECT_EQ(m.CoffeeEnableLevel, 0) << "not given";
    EXPECT_EQ(m.AkkumEnableLevel, 6);
    EXPECT_EQ(m.FoodEnableLevel, 7);
    EXPECT_EQ(m.CoffeeCapacityUpgrades[0].intValue, 3);
    EXPECT_EQ(m.CoffeeCapacityUpgrades[1].intValue, 0) << "rows never given start at 0";
    host.player.upgrades[PlayerProfile::UpgradePlate] = 99;
    EXPECT_EQ(m.UpgradeValue(m.PlateUpgrades, host.player.upgrades[PlayerProfile::UpgradePlate]), 10);
    host.player.upgrades[PlayerProfile::UpgradePlate] = -3;
    EXPECT_EQ(m.UpgradeValue(m.PlateUpgrades, host.player.upgrades[PlayerProfile::UpgradePlate]), 8);
}

TEST_F(LevelFileTest, CustomerAnimations)
{
    ASSERT_EQ(m.Characters.size(), 12u);
    const PersonAnime& cowboy = *m.Characters[0];
    EXPECT_TRUE(cowboy.IsUsable());
    ASSERT_EQ(cowboy.animes.size(), 3u);
    EXPECT_EQ(cowboy.animes[0][1].img, 1);
    EXPECT_EQ(cowboy.animes[0][1].time, 20) << "time carried from the frame before";
    const PersonAnime& madam = *m.Characters[3];
    EXPECT_FALSE(madam.IsUsable()) << "two states, one frame pointing past the pictures";
    EXPECT_EQ(madam.moodDownTime, 60) << "a MoodDownTime of 0 is ignored";
    EXPECT_EQ(madam.animes[0].size(), 1u) << "the State before any Anime went nowhere";
    EXPECT_FALSE(m.Characters[4]->IsUsable()) << "no file at all";
}

} // namespace
} // namespace Zest::Testing
