// The shipped days on the game's own board: every level, dish list, upgrade table and customer file loads through
// the play screen's loaders, and every day starts and runs its first minute headless.
#include <gtest/gtest.h>

#include "tests/board/BoardTestHost.h"

#include "data/ImageLib.h"
#include "graphics/MemoryImage.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace Zest::Testing
{
namespace
{

// The recording host, loading the pictures the board asks for from the shipped tree.
class ContentHost : public RecordingHost
{
public:
    std::unique_ptr<Image> LoadImage(const std::string& path) override
    {
        loadedImages.push_back(path);
        std::string file = std::string(ZEST_CONTENT_DATA) + "/" + path;
        std::replace(file.begin(), file.end(), '\\', '/');
        std::unique_ptr<ImageLib::Image> decoded = ImageLib::GetImage(file);
        if (!decoded)
        {
            missing.insert(path);
            return nullptr;
        }
        auto image = std::make_unique<MemoryImage>(nullptr);
        image->SetBits(decoded->GetBits(), decoded->GetWidth(), decoded->GetHeight());
        return image;
    }
    std::set<std::string> missing;
};

struct ShippedDay
{
    ContentHost host;
    RecordingEffects effects;
    BoardModel model{host};

    explicit ShippedDay(int level)
    {
        SeedRandom(static_cast<uint32_t>(level));
        model.LevelFolder = std::string(ZEST_CONTENT_DATA) + "/levels/";
        model.CharacterFolder = std::string(ZEST_CONTENT_DATA) + "/characters/";
        model.Effects = &effects;
        host.player.level = level;
        // A player who has bought everything: every recipe's order weight takes part.
        for (int& recipe : host.player.recipes) recipe = 1;
        model.Init();
    }
};

TEST(ShippedBoard, DishesUpgradesAndCustomersLoad)
{
    ShippedDay b(1);
    EXPECT_GE(b.model.DishTypes.size(), 8u);
    ASSERT_EQ(b.model.Characters.size(), 12u);
    for (size_t i = 0; i < b.model.Characters.size(); ++i)
        EXPECT_TRUE(b.model.Characters[i] && b.model.Characters[i]->IsUsable())
            << BoardModel::kCharacterNames[i] << " would never be spawned";
    EXPECT_TRUE(b.host.missing.empty()) << *b.host.missing.begin();
}

TEST(ShippedBoard, EveryDayStartsAndRunsItsFirstMinute)
{
    static const std::set<int> kInlay = {5, 17, 29, 41, 53, 65}, kHunt = {9, 21, 33, 45, 57, 69};
    for (int level = 1; level <= 70; ++level)
    {
        SCOPED_TRACE("level " + std::to_string(level));
        ShippedDay b(level);
        b.model.StartLevel();
        EXPECT_GT(b.model.TimeTotal, 0);
        EXPECT_EQ(b.model.LevelKind, kInlay.count(level) ? 1 : kHunt.count(level) ? 3 : 0);
        // Each day is played in its own pizzeria: the kitchen, or on a picture hunt the pantry.
        EXPECT_EQ(b.model.BackgroundName, std::string(kHunt.count(level) ? "bg_pantry" : "bg_pizzeria") +
                                              std::to_string(b.host.PizzeriaIndex(level) + 1));
        EXPECT_GE(b.model.Columns, 8);
        EXPECT_LE(b.model.Columns, 10);
        if (b.model.LevelKind == 3)
        {
            EXPECT_FALSE(b.model.LevelObjects.empty());
        }
        for (int i = 0; i < 6000; ++i)
        {
            ++b.host.updateCount;
            b.model.Update();
        }
        EXPECT_GT(b.host.Count(BoardSound::NewPerson), 0) << "no customer came in the first minute";
        EXPECT_TRUE(b.host.missing.empty()) << *b.host.missing.begin();
    }
}

TEST(ShippedTexts, HintsSpeakOfWhatThePlayerSeesAndHas)
{
    LngTable texts(false);
    texts.Load(std::string(ZEST_CONTENT_DATA) + "/properties/lng.xml");
    ASSERT_GT(texts.strings.size(), 217u);
    const auto mentions = [](std::string text, const std::string& word)
    {
        std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
        return text.find(word) != std::string::npos;
    };
    // The order is drawn in the customer's speech bubble: no text may send the player to a shelf.
    for (size_t i = 0; i < texts.strings.size(); ++i) EXPECT_FALSE(mentions(texts.strings[i], "shelf")) << i;

    // The first day's hints name no device that the first day does not have.
    ShippedDay day(1);
    ASSERT_GT(day.model.CoffeeEnableLevel, 1);
    ASSERT_GT(day.model.AkkumEnableLevel, 1);
    ASSERT_GT(day.model.FoodEnableLevel, 1);
    for (int n : {114, 115, 116, 117, 118, 122, 164, 165})
        for (const char* device : {"coffee", "battery", "snack"})
            EXPECT_FALSE(mentions(texts(n), device)) << "text " << n << " speaks of the " << device;
    EXPECT_NE(texts(217), texts(103)) << "a lost day has a title of its own";
}

// The orders of an Inlay day are the day's own, whichever Inlay day was played before it in the same run.
TEST(ShippedBoard, InlayOrdersDoNotCarryOverFromAnEarlierDay)
{
    std::vector<int> inlayDays;
    ShippedDay probe(1);
    for (int level = 1; level <= 70; ++level)
    {
        probe.host.player.level = level;
        ASSERT_TRUE(probe.model.LoadLevels());
        if (probe.model.LevelKind == 1) inlayDays.push_back(level);
    }
    ASSERT_GE(inlayDays.size(), 2u);
    using Orders = std::vector<std::pair<int, int>>;
    const auto ordersOf = [](const BoardModel& m)
    {
        Orders orders;
        for (const auto& stage : m.InlayOrders)
            for (const InlayOrder& order : stage) orders.emplace_back(order.pizza, order.snack);
        return orders;
    };
    std::map<int, Orders> fresh;
    for (int day : inlayDays)
    {
        ShippedDay d(day);
        ASSERT_TRUE(d.model.LoadLevels());
        fresh[day] = ordersOf(d.model);
    }
    // One model through every ordered pair of bonus days, as one run of the program plays them.
    for (int before : inlayDays)
        for (int day : inlayDays)
        {
            if (before == day) continue;
            probe.host.player.level = before;
            ASSERT_TRUE(probe.model.LoadLevels());
            probe.host.player.level = day;
            ASSERT_TRUE(probe.model.LoadLevels());
            EXPECT_EQ(ordersOf(probe.model), fresh[day]) << "day " << day << " after day " << before;
        }
}

} // namespace
} // namespace Zest::Testing
