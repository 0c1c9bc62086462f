// The check of the shop's data files: every upgrade table holds the records the shop pages count on, and the
// dish list holds every recipe the shop sells.
#pragma once

#include <string>
#include <vector>

namespace Zest
{

// Records per upgrade table in file order: plate; coffee speed and sweetness; Akkum charge and work time; food
// price and taste.
inline const std::vector<int> kUpgradeRecordCounts = {3, 9, 9, 6, 6, 11, 11};
// Recipe 0 is owned from the start; the shop sells recipes 1 to 7.
constexpr int kMinDishTypes = 8;

// Reads "Upgrades.xml" and "Dishes.xml" of a level folder (ending in a separator). Empty when both hold what the
// shop needs, otherwise one line per problem.
std::vector<std::string> CheckShopData(const std::string& levelFolder);

} // namespace Zest
