// The shop's data check: the record counts of the upgrade tables and the number of dish types, in fixtures and in
// the shipped content.
#include "game/screens/ShopData.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

using namespace Zest;

namespace
{

class ShopDataTest : public ::testing::Test
{
protected:
    std::string folder;
    void SetUp() override
    {
        folder = (std::filesystem::temp_directory_path() / ("shop-data-" + std::to_string(std::random_device{}())))
                     .string() +
                 "/";
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    // Devices as lists of record counts per table.
    void WriteUpgrades(const std::vector<std::vector<int>>& devices)
    {
        std::ofstream out(folder + "Upgrades.xml");
        out << "<Upgrades>\n";
        for (const auto& device : devices)
        {
            out << " <Device EnableLevel=\"1\">\n";
            for (int records : device)
            {
                out << "  <Param>\n";
                for (int k = 0; k < records; ++k)
                    out << "   <Upgrade Name=\"s\" Price=\"" << k << "\" IntValue=\"1\"/>\n";
                out << "  </Param>\n";
            }
            out << " </Device>\n";
        }
        out << "</Upgrades>\n";
    }
    void WriteDishes(int types)
    {
        std::ofstream out(folder + "Dishes.xml");
        out << "<Dishes>\n";
        for (int k = 0; k < types; ++k) out << " <Type SizeX=\"2\" SizeY=\"2\" RecipeCost=\"1\" DishCost=\"1\"/>\n";
        out << "</Dishes>\n";
    }
};

} // namespace

TEST_F(ShopDataTest, AcceptsTheCountsTheShopNeedsAndNamesEachShortfall)
{
    WriteUpgrades({{3}, {9, 9}, {6, 6}, {11, 11}});
    WriteDishes(8);
    EXPECT_TRUE(CheckShopData(folder).empty());

    WriteUpgrades({{3}, {9, 8}, {6, 6}, {11, 11}});
    WriteDishes(7);
    const auto problems = CheckShopData(folder);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[0].find("table 3 holds 8"), std::string::npos);
    EXPECT_NE(problems[1].find("7 dish types"), std::string::npos);

    WriteUpgrades({{3}, {9, 9}, {6, 6}}); // no food device
    WriteDishes(9);
    EXPECT_EQ(CheckShopData(folder).size(), 1u);

    std::filesystem::remove(folder + "Dishes.xml");
    EXPECT_FALSE(CheckShopData(folder).empty());
}

TEST_F(ShopDataTest, ShippedContentHoldsTheShopTables)
{
    const std::string shipped = std::string(ZEST_TEST_DATA_DIR) + "/../../content/data/levels/";
    if (!std::filesystem::exists(shipped + "Upgrades.xml")) GTEST_SKIP() << "no shipped level data in this tree";
    const auto problems = CheckShopData(shipped);
    for (const auto& p : problems) ADD_FAILURE() << p;
}
