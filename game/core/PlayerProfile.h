// One player's record: the level to play next, money, hint setting, recipes and upgrades bought, the carried
// charge, per-level results and the tutorial hints already shown. Shared by the play screen and the game shell.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace Zest
{

struct PlayerProfile
{
    static constexpr int kNumRecipes = 8;
    static constexpr int kNumUpgrades = 7;
    static constexpr int kNumLevels = 70;       // days of the game; results are kept for every one of them
    static constexpr int kNumStoredLevels = 60; // per-level results kept in the profile record of players.dat
    static constexpr int kNumHints = 30;
    // The chef's welcome on the first day's map is met once, like a hint: its flag travels in a spare entry of
    // the hint-seen table, so the stored record keeps its layout.
    static constexpr int kWelcomeSeenEntry = 25;

    // Upgrade steps, each a row index into one upgrade table.
    enum Upgrade
    {
        UpgradeCoffeeSweetness = 0,
        UpgradeCoffeeCapacity = 1,
        UpgradeAkkumCharge = 2,
        UpgradeAkkumWorkTime = 3,
        UpgradePlate = 4,
        UpgradeFoodPrice = 5,
        UpgradeFoodTaste = 6,
    };

    std::string name;
    int32_t level = 1; // 1..70 next level to play; 71 once the last is won
    int32_t money = 0;
    int32_t reservedValue = 0; // kept in the file, never changed
    bool reservedFlag = true;  // kept in the file, never read
    bool noHints = false;
    std::array<int32_t, kNumRecipes> recipes{1, 0, 0, 0, 0, 0, 0, 0};
    std::array<int32_t, kNumUpgrades> upgrades{};
    int32_t akkumCharge = 0;
    // Entry L - 1 holds the result of level L. Levels 1..60 travel in the profile record, 61..70 in the
    // companion file beside it (the record layout predates the last ten days).
    std::array<int32_t, kNumLevels> expertFlags{};
    std::array<int32_t, kNumLevels> dayProfits{};
    std::array<int32_t, kNumHints> hintsShown{};
};

} // namespace Zest
