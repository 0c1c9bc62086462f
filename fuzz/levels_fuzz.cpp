// Fuzz target: any bytes as one of the level files (levels, dish types, upgrades or a customer animation), then a
// level started from it and played for a few seconds. Nothing may crash, hang or leave the board's ranges.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "base/Random.h"
#include "game/board/BoardModel.h"
#include "game/board/QuietBoardHost.h"

namespace
{

using namespace Zest;

struct FuzzHost : QuietBoardHost
{
    // Missing data files are part of what is fuzzed; the model reports them, quietly here.
    void DataFileProblem(const std::string&) override {}

    int PizzeriaIndex(int level) const override { return level % 6; }
};

const char* const kLevels =
    "<PizzaLevels><Level Num=\"1\" Time=\"20\" Goal=\"50\" ExpertGoal=\"90\" LightWeight=\"50\" BreakPlate=\"50\">"
    "<DishWeights W1=\"100\" W2=\"50\"/><PersonWeights P1=\"10\" P2=\"10\"/>"
    "<FoodWants TimeCheck=\"50\" Prob=\"500\"/><Board SX=\"9\"/></Level></PizzaLevels>";
const char* const kDishes = "<Dishes><Type SizeX=\"2\" SizeY=\"2\" DishCost=\"20\" CookingTime=\"100\"/>"
                            "<Type SizeX=\"3\" SizeY=\"2\" DishCost=\"30\" CookingTime=\"150\"/></Dishes>";
const char* const kUpgrades =
    "<Upgrades><Device EnableLevel=\"1\"><Param><Upgrade IntValue=\"8\"/></Param></Device>"
    "<Device EnableLevel=\"1\"><Param><Upgrade IntValue=\"5\"/></Param><Param><Upgrade IntValue=\"10\"/></Param>"
    "</Device><Device EnableLevel=\"1\"><Param><Upgrade IntValue=\"2\"/></Param><Param><Upgrade IntValue=\"3\"/>"
    "</Param></Device><Device EnableLevel=\"1\"><Param><Upgrade IntValue=\"5\"/></Param><Param>"
    "<Upgrade IntValue=\"10\"/></Param></Device></Upgrades>";
const char* const kCharacter =
    "<PersonAnime><Images><Image src=\"a\"/></Images><Anime name=\"w\"><State img=\"0\" time=\"5\"/></Anime>"
    "<Anime name=\"a\"><State/></Anime><Anime name=\"p\"><State/></Anime></PersonAnime>";

const std::filesystem::path& Folder()
{
    static const std::filesystem::path folder = []
    {
        std::random_device rd;
        auto p = std::filesystem::temp_directory_path() / ("zest_levels_fuzz_" + std::to_string(rd()));
        std::filesystem::create_directories(p);
        return p;
    }();
    return folder;
}

void Write(const std::string& name, const uint8_t* data, size_t size)
{
    std::ofstream out(Folder() / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void Write(const std::string& name, const char* text)
{
    Write(name, reinterpret_cast<const uint8_t*>(text), std::char_traits<char>::length(text));
}

void Check(bool ok)
{
    if (!ok) std::abort();
}

} // namespace

// The first byte picks the file the rest of the input replaces (low two bits) and the player's level (the rest).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const int which = data[0] & 3;
    const int level = 1 + (data[0] >> 2) % 12;
    Write("levels.xml", kLevels);
    Write("Dishes.xml", kDishes);
    Write("Upgrades.xml", kUpgrades);
    Write("cowboy_anime.xml", kCharacter);
    Write("ballplayer_anime.xml", kCharacter);
    static const char* const names[4] = {"levels.xml", "Dishes.xml", "Upgrades.xml", "cowboy_anime.xml"};
    Write(names[which], data + 1, size - 1);

    SeedRandom(size);
    FuzzHost host;
    host.player.level = level;
    host.player.upgrades = {1, 1, 1, 1, 1, 1, 1};
    BoardModel model(host);
    model.LevelFolder = Folder().string() + "/";
    model.CharacterFolder = Folder().string() + "/";
    model.Init();
    model.StartLevel();
    model.FreezeCountdown = 0;
    model.WaitFirstPerson = std::min(model.WaitFirstPerson, 50);
    for (int i = 0; i < 400; ++i)
    {
        ++host.count;
        model.Update();
        if (model.HintId != -1) model.HintId = -1;
        if (i % 50 == 10 && model.LevelKind == 0 && model.IsGridIdle() && model.HasMove() && model.HintPiece)
        {
            Topping* p = model.HintPiece;
            model.SelectedPiece = p;
            model.HoverPiece = model.PieceAt(p->column + p->hintDx, p->row - p->hintDy);
            model.TrySwap();
        }
        for (auto& d : model.Dishes)
            if (!d->cooking && !d->ready && i % 30 == 0)
            {
                d->x = static_cast<float>(model.CellCenterX(1) + 24);
                d->y = static_cast<float>(model.CellCenterY(6) + 24);
                model.PlaceDish(*d);
            }
        for (auto& o : model.LevelObjects) model.CollectLevelObject(*o);
        Check(model.Persons.size() <= 4);
        Check(model.DayProfit >= 0);
        Check(model.Columns >= 8 && model.Columns <= BoardModel::kMaxColumns);
        for (const auto& col : model.CellState)
            for (int s : col) Check(s >= -1 && s <= 2);
    }
    return 0;
}
