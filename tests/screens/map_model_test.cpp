// Map of pizzerias: the map file, pizzeria numbering, chef walk, totals, effect schedule, scrolling, shop routing.
#include "base/Random.h"
#include "game/screens/MapModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

using namespace Zest;

namespace
{

struct Spawn
{
    MapEffect effect;
    float x, y;
    int cloud;
    bool operator==(const Spawn&) const = default;
};

class RecordingHost : public MapHost
{
public:
    PlayerProfile profile;
    bool hasProfile = true;
    std::vector<Spawn> spawns;
    std::vector<std::string> calls;
    std::vector<int> shops;
    int cursor = -1;
    bool hintShown = false;
    std::vector<int32_t> recipeCosts{0, 300, 500, 800, 1200, 1600, 2000, 2500};
    int32_t enableLevel[4] = {1, 5, 12, 30};
    MersenneRandom random{1234};

    PlayerProfile* MapProfile() override { return hasProfile ? &profile : nullptr; }
    void MapClickSound() override { calls.push_back("click"); }
    void MapSubmitScore() override { calls.push_back("submit"); }
    void MapConfirmLeave() override { calls.push_back("leave"); }
    void MapStartLevel() override { calls.push_back("start"); }
    void MapShowShopHint() override
    {
        hintShown = true;
        calls.push_back("showhint");
    }
    void MapHideHint() override
    {
        hintShown = false;
        calls.push_back("hidehint");
    }
    bool MapHintShown() override { return hintShown; }
    void MapOpenShop(int mode) override { shops.push_back(mode); }
    void MapSetCursor(int c) override { cursor = c; }
    int32_t MapRecipeCost(int k) override { return k < static_cast<int>(recipeCosts.size()) ? recipeCosts[k] : -1; }
    int32_t MapDeviceEnableLevel(int d) override { return enableLevel[d]; }
    MapPoint MapDeviceSize(int) override { return {60, 40}; }
    void MapSpawn(MapEffect e, float x, float y, int cloud) override { spawns.push_back({e, x, y, cloud}); }
    int32_t MapCloudWidth(int cloud) override { return 100 + cloud; }
    uint32_t MapRand() override { return random.Next(); }
};

MapFileData GridData()
{
    MapFileData data;
    for (int k = 0; k < 70; ++k) data.levelPoints[k] = {100 + 20 * k, 200 + (k % 5) * 10};
    for (int k = 0; k < 6; ++k) data.pizzeriaPoints[k] = {150 + 250 * k, 300};
    return data;
}

struct Fixture
{
    RecordingHost host;
    MapModel map{host};
    explicit Fixture(int level)
    {
        host.profile.level = level;
        map.SetData(GridData());
    }
};

std::string WriteTemp(const std::string& text)
{
    std::random_device rd;
    auto path = std::filesystem::temp_directory_path() / ("ember_map_" + std::to_string(rd()) + ".xml");
    std::ofstream(path) << text;
    return path.string();
}

} // namespace

TEST(MapFile, PointsPicturesAndTheirRules)
{
    const std::string file = WriteTemp(R"(<Map><Points><Point x="10" y="20"/><Deep><Point x="30" y=""/></Deep>
        <Point x="abc" y="7"/></Points><PizzeriaPoint PizzeriaX="5" PizzeriaY="6"/>
        <PizzeriaPicure x="1" y="2" Pizzeria="3" Level="4" Image="images/map/house1"/>
        <PizzeriaPicure x="9" y="8" Level="11" Image="h2" xSin="3" ySin="-4"/></Map>)");
    MapFileData data;
    data.levelPoints[1].y = 999; // a missing coordinate keeps what was there
    ASSERT_TRUE(LoadMapFile(file, data));
    std::filesystem::remove(file);
    EXPECT_EQ(data.levelPoints[0], (MapPoint{10, 105}));
    EXPECT_EQ(data.levelPoints[1], (MapPoint{30, 999}));
    EXPECT_EQ(data.levelPoints[2], (MapPoint{0, 92}));
    EXPECT_EQ(data.levelPoints[3], (MapPoint{0, 0}));
    EXPECT_EQ(data.pizzeriaPoints[0], (MapPoint{5, 91}));
    ASSERT_EQ(data.pictures.size(), 2u);
    EXPECT_EQ(data.pictures[0].image, "images/map/house1");
    EXPECT_EQ(data.pictures[0].y, 2); // pictures keep the file's y
    EXPECT_EQ(data.pictures[0].pizzeria, 3);
    EXPECT_EQ(data.pictures[0].level, 4);
    EXPECT_EQ(data.pictures[0].xSin, 0);
    EXPECT_EQ(data.pictures[1].ySin, -4);
}

TEST(MapFile, ExtraPointsAreIgnoredAndAMissingFileReadsNothing)
{
    std::string xml = "<Map>";
    for (int i = 0; i < 75; ++i) xml += "<Point x=\"" + std::to_string(i) + "\" y=\"0\"/>";
    for (int i = 0; i < 8; ++i) xml += "<PizzeriaPoint PizzeriaX=\"" + std::to_string(i) + "\"/>";
    xml += "</Map>";
    const std::string file = WriteTemp(xml);
    MapFileData data;
    ASSERT_TRUE(LoadMapFile(file, data));
    std::filesystem::remove(file);
    EXPECT_EQ(data.levelPoints[69].x, 69);
    EXPECT_EQ(data.pizzeriaPoints[5].x, 5);

    MapFileData none;
    EXPECT_FALSE(LoadMapFile("no/such/map.xml", none));
    EXPECT_TRUE(none.pictures.empty());
}

TEST(MapModel, PizzeriaIndexTable)
{
    const struct
    {
        int level, current, previous;
    } cases[] = {{1, 0, 0},  {10, 0, 0}, {11, 1, 0}, {12, 1, 1}, {22, 1, 1},
                 {23, 2, 1}, {47, 4, 3}, {59, 5, 4}, {70, 5, 5}, {71, 5, 5}};
    for (const auto& c : cases)
    {
        Fixture f(c.level);
        EXPECT_EQ(f.map.GetPizzeriaIndex(), c.previous) << c.level;
        EXPECT_EQ(f.map.currentPizzeria, c.current) << c.level;
    }
}

TEST(MapModel, WalkArrivesExactlyAfterTwoHundredUpdates)
{
    Fixture f(2);
    f.map.Enter();
    const MapPoint from = f.map.Data().levelPoints[0], to = f.map.Data().levelPoints[1];
    EXPECT_EQ(f.map.chefX, from.x);
    EXPECT_EQ(f.map.scroll, 0); // 100 - 400 clamped
    EXPECT_TRUE(f.map.leaveVisible);
    for (int u = 1; u <= 199; ++u) f.map.Update(u, 400, 300);
    EXPECT_NE(f.map.chefX, static_cast<float>(to.x));
    f.map.Update(200, 400, 300);
    EXPECT_EQ(f.map.chefX, static_cast<float>(to.x));
    EXPECT_EQ(f.map.chefY, static_cast<float>(to.y));
    EXPECT_EQ(f.map.walkSteps, 0);

    Fixture late(70);
    late.map.Enter();
    EXPECT_EQ(late.map.scroll, std::clamp(late.map.Data().levelPoints[68].x - 400, 0, 800));
    Fixture end(71);
    end.map.Enter();
    EXPECT_EQ(end.map.chefX, static_cast<float>(end.map.Data().levelPoints[59].x));
    EXPECT_FALSE(end.map.leaveVisible);
}

TEST(MapModel, TotalsCountUpTenThenOneEveryThirdUpdateAfterFrame170)
{
    Fixture f(3);
    f.host.profile.dayProfits[0] = 40;
    f.host.profile.expertFlags[0] = 1;
    f.host.profile.dayProfits[1] = 150;
    f.host.profile.expertFlags[1] = 1;
    f.map.Enter();
    EXPECT_EQ(f.map.displayedTotal, 140);
    EXPECT_EQ(f.map.targetTotal, 390);

    std::vector<int32_t> seen;
    for (int u = 1; u <= 600; ++u)
    {
        const int32_t before = f.map.displayedTotal;
        f.map.Update(u, 400, 300);
        if (f.map.displayedTotal != before) seen.push_back(f.map.frame);
        if (f.map.frame <= 170)
        {
            EXPECT_EQ(f.map.displayedTotal, 140);
        }
    }
    EXPECT_EQ(f.map.displayedTotal, 390);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen[0], 171);
    EXPECT_EQ(seen[0] % 3, 0);
    // 250 to go: 15 steps of 10 leave 100, then 100 steps of 1.
    EXPECT_EQ(seen.size(), 115u);
    EXPECT_EQ(seen.back(), 171 + 114 * 3);
}

TEST(MapModel, ExpertCelebrationAndFireworksOnlyAfterAnExpertLevel)
{
    for (int expert : {0, 1})
    {
        Fixture f(11);
        f.host.profile.expertFlags[9] = expert;
        f.map.Enter();
        f.host.spawns.clear();
        for (int u = 1; u <= 700; ++u) f.map.Update(u, 400, 300);
        int drinks = 0, fireworks = 0;
        for (const Spawn& s : f.host.spawns)
        {
            if (s.effect == MapEffect::DrinkAppear)
            {
                ++drinks;
                EXPECT_EQ(s.x, 100 * 0 + 50); // previous pizzeria 0
                EXPECT_EQ(s.y, 580);
            }
            if (s.effect == MapEffect::Fireworks1 || s.effect == MapEffect::Fireworks2)
            {
                ++fireworks;
                // Over pizzeria 0, not over the current one.
                EXPECT_GE(s.x, 150 - f.map.scroll - 50);
                EXPECT_LT(s.x, 150 - f.map.scroll + 50);
                EXPECT_LE(s.y, 300 - 50);
            }
        }
        EXPECT_EQ(drinks, expert);
        // Multiples of 67 below 570: 8; of 83: 6.
        EXPECT_EQ(fireworks, expert ? 14 : 0);
    }
}

TEST(MapModel, NewBuildingRaisesDustToolsAndSparklesAtTheCurrentPizzeria)
{
    Fixture f(11);
    MapFileData data = GridData();
    data.pictures.push_back({"b", 0, 0, 11, 1, 0, 0});
    data.pictures.push_back({"old", 0, 0, 3, 0, 0, 0});
    f.map.SetData(data);
    f.map.Enter();
    f.host.spawns.clear();
    for (int u = 1; u <= 200; ++u) f.map.Update(u, 400, 300);
    int fog = 0, build = 0, drink = 0;
    for (const Spawn& s : f.host.spawns)
    {
        if (s.effect == MapEffect::Fog) ++fog;
        if (s.effect == MapEffect::MapBuild) ++build;
        if (s.effect == MapEffect::DrinkAppear) ++drink;
        if (s.effect != MapEffect::Cloud)
        {
            EXPECT_GE(s.x, 400 - f.map.scroll - 60);
            EXPECT_LT(s.x, 400 - f.map.scroll + 60);
        }
    }
    EXPECT_EQ(fog, 31);  // multiples of 5 below 160
    EXPECT_EQ(build, 3); // 40, 80, 120
    EXPECT_EQ(drink, 4); // 30, 60, 90, 120
}

TEST(MapModel, CloudsFollowTheGeneratorInOrder)
{
    Fixture f(5);
    f.map.Enter(); // seven clouds
    MersenneRandom expect(1234);
    ASSERT_EQ(f.host.spawns.size(), 7u);
    for (const Spawn& s : f.host.spawns)
    {
        const float x = static_cast<float>(expect.Next() % 800);
        const float y = static_cast<float>(expect.Next() % 50 + 35);
        const int k = static_cast<int>(expect.Next() % 3);
        EXPECT_EQ(s, (Spawn{MapEffect::Cloud, x, y, k}));
    }
    f.host.spawns.clear();
    for (int u = 1; u <= 1000; ++u) f.map.Update(u, 400, 300);
    ASSERT_EQ(f.host.spawns.size(), 1u);
    const float y = static_cast<float>(expect.Next() % 50 + 35);
    const int k = static_cast<int>(expect.Next() % 3);
    EXPECT_EQ(f.host.spawns[0], (Spawn{MapEffect::Cloud, static_cast<float>(-(100 + k)), y, k}));
}

TEST(MapModel, TheChefWelcomesEachPlayerOnce)
{
    Fixture f(1);
    f.map.Enter();
    EXPECT_TRUE(f.map.intro);
    EXPECT_EQ(f.host.profile.hintsShown[PlayerProfile::kWelcomeSeenEntry], 1);
    // Back on the first day's map (a lost day, a new game): the map itself, panning, Continue starting day 1.
    f.host.calls.clear();
    f.map.Enter();
    EXPECT_FALSE(f.map.intro);
    EXPECT_TRUE(f.host.calls.empty());
    EXPECT_EQ(f.map.continuePos, (MapPoint{625, 545}));
    f.map.ContinuePressed();
    EXPECT_EQ(f.host.calls.back(), "start");
    // A player who starts further on is never greeted.
    Fixture later(5);
    later.map.Enter();
    EXPECT_FALSE(later.map.intro);
    EXPECT_EQ(later.host.profile.hintsShown[PlayerProfile::kWelcomeSeenEntry], 0);
}

TEST(MapModel, AutoPanAtTheEndsEdgeScrollBetween)
{
    Fixture first(1);
    first.map.Enter();
    EXPECT_TRUE(first.map.intro);
    EXPECT_EQ(first.map.continuePos, (MapPoint{625, 545}));
    for (uint32_t u = 1; u <= 3 * 800; ++u) first.map.Update(u, 790, 100);
    EXPECT_EQ(first.map.scroll, 800);
    EXPECT_FALSE(first.map.panRight);
    first.map.Update(2403, 790, 100);
    EXPECT_EQ(first.map.scroll, 799);

    Fixture mid(30);
    mid.map.Enter();
    const int32_t start = mid.map.scroll;
    mid.map.Update(1, 780, 100);
    EXPECT_EQ(mid.map.scroll, start + 1);
    mid.map.Update(2, 780, 540); // over the bottom strip: no scrolling
    EXPECT_EQ(mid.map.scroll, start + 1);
    mid.map.Update(3, 10, 100);
    mid.map.Update(4, 10, 100);
    EXPECT_EQ(mid.map.scroll, start - 1);
}

TEST(MapModel, ContinueLeadsThroughShopAndEnding)
{
    Fixture f(5);
    f.host.profile.money = 100; // cannot afford recipe 1
    f.map.Enter();
    f.map.ContinuePressed();
    EXPECT_FALSE(f.map.mapPhase);
    EXPECT_FALSE(f.map.leaveVisible);
    EXPECT_EQ(f.host.calls, (std::vector<std::string>{"click"}));
    f.map.ContinuePressed();
    EXPECT_TRUE(f.map.levelStarting);
    EXPECT_EQ(f.host.calls.back(), "start");
    const int32_t frame = f.map.frame;
    f.map.Update(1, 400, 300);
    EXPECT_EQ(f.map.frame, frame); // frozen until the next StartGame

    Fixture one(1);
    one.map.Enter();
    one.map.ContinuePressed();
    EXPECT_EQ(one.host.calls.back(), "start");

    Fixture end(71);
    end.map.Enter();
    end.map.ContinuePressed();
    EXPECT_TRUE(end.map.endingSecondStage);
    EXPECT_EQ(end.map.continuePos, (MapPoint{625, 545}));
    EXPECT_EQ(end.host.calls.back(), "click");
    end.map.ContinuePressed();
    EXPECT_EQ(end.host.calls.back(), "submit");

    Fixture leave(5);
    leave.map.Enter();
    leave.map.LeavePressed();
    EXPECT_EQ(leave.host.calls, (std::vector<std::string>{"click", "leave"}));
}

TEST(MapModel, ShopHintGatesTheFirstPurchase)
{
    Fixture f(4);
    f.host.profile.money = 300;
    f.map.Enter();
    f.map.ContinuePressed();
    EXPECT_TRUE(f.host.hintShown);
    EXPECT_FALSE(f.map.continueEnabled);
    f.map.ContinuePressed(); // the disabled button does nothing
    EXPECT_FALSE(f.map.levelStarting);

    f.map.MouseDown(215, 480, 1); // coffee machine while the hint shows: ignored
    EXPECT_TRUE(f.host.shops.empty());
    const MapRect r = MapModel::kRecipeAreas[1];
    f.map.MouseDown(r.x + 5, r.y + 5, -1); // right click
    f.map.MouseDown(r.x + 5, r.y + 5, 2);  // double click
    EXPECT_TRUE(f.host.shops.empty());
    f.map.MouseDown(r.x + 5, r.y + 5, 1);
    EXPECT_FALSE(f.host.hintShown);
    EXPECT_TRUE(f.map.continueEnabled);
    EXPECT_EQ(f.host.shops, (std::vector<int>{ShopRecipe0 + 1}));

    // With hints off, or the recipe owned, no hint.
    Fixture quiet(4);
    quiet.host.profile.money = 300;
    quiet.host.profile.noHints = true;
    quiet.map.Enter();
    quiet.map.ContinuePressed();
    EXPECT_FALSE(quiet.host.hintShown);
}

TEST(MapModel, ShopClicksOpenByModeAndCursorShowsWhatCanBeBought)
{
    Fixture f(12);
    f.host.profile.recipes[2] = 1;
    f.host.profile.recipes[1] = 1;
    f.host.recipeCosts.resize(7); // no dish type 7: not offered
    f.map.Enter();
    f.map.ContinuePressed();
    struct Click
    {
        int x, y, wantShop, wantCursor;
    };
    const Click clicks[] = {
        {226, 200, -1, 0}, // recipe 0 is owned from the start
        {480, 200, -1, 0},         {620, 200, ShopRecipe0 + 3, 1}, {600, 300, -1, 0}, // recipe 7 has no dish type
        {215, 480, ShopCoffee, 1}, {365, 490, ShopFood, 1},        {520, 470, ShopAkkum, 1},
        {665, 490, -1, 0}, // plate opens at level 30
        {10, 10, -1, 0},
    };
    for (const Click& c : clicks)
    {
        f.host.shops.clear();
        f.map.MouseMove(c.x, c.y);
        EXPECT_EQ(f.host.cursor, c.wantCursor) << c.x << "," << c.y;
        f.map.MouseDown(c.x, c.y, 1);
        EXPECT_EQ(f.host.shops, c.wantShop < 0 ? std::vector<int>{} : std::vector<int>{c.wantShop})
            << c.x << "," << c.y;
    }
    // Akkum is hit around y 480 although drawn at 495: y 505 lies outside the 40-pixel area.
    f.host.shops.clear();
    f.map.MouseDown(520, 505, 1);
    EXPECT_TRUE(f.host.shops.empty());
}

TEST(MapModel, PicturesStandFadeInOrStayHidden)
{
    const struct
    {
        int pictureLevel, picturePizzeria, level, previous, frame, want;
    } cases[] = {
        {3, 0, 11, 0, 0, 255},   // an earlier building of a reached pizzeria stands
        {3, 2, 11, 0, 0, -1},    // two pizzerias ahead: not yet
        {11, 1, 11, 0, 225, -1}, // this level's building: hidden until frame 226
        {11, 1, 11, 0, 226, 1},   {11, 1, 11, 0, 300, 127}, {11, 1, 11, 0, 374, 253},
        {11, 1, 11, 0, 375, 255}, {12, 1, 11, 0, 999, -1}, // a later level's building
    };
    for (const auto& c : cases)
        EXPECT_EQ(MapModel::PictureAlpha(c.pictureLevel, c.picturePizzeria, c.level, c.previous, c.frame), c.want)
            << c.pictureLevel << " " << c.frame;
}
