// The level files (levels, dishes, upgrades, customer animations) and the start and end of a level.
#include <algorithm>
#include <cmath>

#include "base/Common.h"
#include "base/Random.h"
#include "data/XMLParser.h"
#include "game/board/BoardModel.h"
#include "game/core/LngTable.h"
#include "game/core/PlayerProfile.h"
#include "game/core/TextIds.h"
#include "graphics/MemoryImage.h"

namespace Zest
{

namespace
{

// An attribute that is present and not empty.
const std::string* Attr(const XMLElement& e, const char* name)
{
    const auto it = e.mAttributes.find(name);
    if (it == e.mAttributes.end() || it->second.empty()) return nullptr;
    return &it->second;
}

// A number attribute: false (value untouched) when missing or empty; a non-number reads as 0.
bool IntAttr(const XMLElement& e, const char* name, int& value)
{
    const std::string* text = Attr(e, name);
    if (!text) return false;
    int v = 0;
    ParseInt(*text, v);
    value = v;
    return true;
}

bool FloatAttr(const XMLElement& e, const char* name, float& value)
{
    const std::string* text = Attr(e, name);
    if (!text) return false;
    double v = 0;
    ParseDouble(*text, v);
    value = static_cast<float>(v);
    return true;
}

// Rows each upgrade table holds; steps beyond them are read and dropped.
constexpr size_t kPlateRows = 3, kCoffeeRows = 9, kAkkumRows = 6, kFoodRows = 11;

} // namespace

bool BoardModel::ReadProblem(const XMLParser& parser, const std::string& file)
{
    if (!parser.HasFailed()) return false;
    App.DataFileProblem(parser.GetLineNumber() > 0
                            ? file + " is damaged (line " + std::to_string(parser.GetLineNumber()) + ": " +
                                  parser.GetErrorText() + ")"
                            : file + " is missing");
    return true;
}

bool BoardModel::LoadLevels()
{
    XMLParser parser;
    if (!parser.OpenFile(LevelFolder + "levels.xml"))
    {
        ReadProblem(parser, LevelFolder + "levels.xml");
        return false;
    }
    LevelKind = 0;
    // Every order slot starts empty: a day that lists fewer customers per stage than an earlier day must not
    // inherit that day's extra customers (their stage could not be finished with this day's burners).
    for (auto& stage : InlayOrders)
        for (InlayOrder& order : stage) order = InlayOrder{};
    bool found = false;
    int personIndex = 0, stageIndex = 0, boardIndex = 0;
    const int level = PlayerLevel();
    const PlayerProfile& player = Player();
    XMLElement e;
    while (parser.ReadNextElement(e))
    {
        if (e.mType == XMLElement::TypeStartTag)
        {
            if (e.mValue == "Level")
            {
                int num = 0;
                if (!found && IntAttr(e, "Num", num) && num == level) found = true;
                if (!found) continue;
                int time = 0;
                if (IntAttr(e, "Time", time))
                {
                    TimeLeft = time;
                    TimeTotal = time;
                }
                IntAttr(e, "Goal", Goal);
                IntAttr(e, "ExpertGoal", ExpertGoal);
                IntAttr(e, "LightWeight", LightWeight);
                IntAttr(e, "BreakPlate", BreakPlate);
                if (!IntAttr(e, "TipsCount", TipsCount)) TipsCount = 5;
                if (!IntAttr(e, "WaitFirstPerson", WaitFirstPerson)) WaitFirstPerson = 0;
                if (const std::string* bg = Attr(e, "Background"); bg && *bg != BackgroundName)
                {
                    BackgroundImage = App.LoadImage("images/gameplay/" + *bg);
                    if (auto* mem = dynamic_cast<MemoryImage*>(BackgroundImage.get()))
                        mem->mHintFlags |= MemoryImage::Hint_Texture8888;
                    BackgroundName = *bg;
                }
                LevelKind = 0;
                if (const std::string* type = Attr(e, "Type"))
                {
                    if (*type == "Inlay")
                        LevelKind = 1;
                    else if (*type == "PixelHunt")
                        LevelKind = 3;
                }
                continue;
            }
            if (!found) continue;
            if (e.mValue == "DishWeights")
            {
                static const int kEntry[8] = {0, 4, 5, 8, 9, 10, 13, 15};
                if (DishWeights.size() < 16) DishWeights.resize(16, 0);
                for (int k = 1; k <= 8; ++k)
                {
                    int w = 0;
                    if (IntAttr(e, ("W" + std::to_string(k)).c_str(), w))
                        DishWeights[kEntry[k - 1]] = w * (player.recipes[k - 1] != 0 ? 1 : 0);
                }
            }
            else if (e.mValue == "PersonWeights")
            {
                for (int k = 1; k <= kNumCharacters; ++k)
                {
                    PersonWeights[k - 1] = 0;
                    IntAttr(e, ("P" + std::to_string(k)).c_str(), PersonWeights[k - 1]);
                }
            }
            else if (e.mValue == "FoodWants")
            {
                IntAttr(e, "TimeCheck", FoodWantsTimeCheck);
                IntAttr(e, "Prob", FoodWantsProb);
                IntAttr(e, "TimeCount", FoodWantsTimeCount);
            }
            else if (e.mValue == "Board")
            {
                // A level has at most three stages; a further Board is ignored whole.
                if (boardIndex >= kInlayStages) continue;
                InlayStage = 0;
                int sx = 8;
                IntAttr(e, "SX", sx);
                Columns = sx;
                ClampColumns(Columns);
                for (int n = 1; n <= 8; ++n)
                {
                    const std::string* row = Attr(e, ("r" + std::to_string(n)).c_str());
                    if (!row) continue;
                    const int r = 8 - n;
                    const int count = std::min<int>(kMaxColumns, static_cast<int>(row->size()));
                    for (int i = 0; i < count; ++i)
                    {
                        if ((*row)[i] == '0')
                        {
                            LevelMask[boardIndex][i][r] = 0;
                            CellState[i][r] = 0;
                        }
                        else
                        {
                            LevelMask[boardIndex][i][r] = 1;
                        }
                        CellAlpha[i][r] = 0;
                    }
                }
            }
            else if (e.mValue == "Person")
            {
                if (stageIndex < kInlayStages && personIndex < kInlayOrders)
                {
                    InlayOrder& order = InlayOrders[stageIndex][personIndex];
                    IntAttr(e, "Pizza", order.pizza);
                    IntAttr(e, "Snack", order.snack);
                }
                ++personIndex;
            }
            else if (e.mValue == "Object")
            {
                auto o = std::make_unique<LevelObject>();
                if (const std::string* pic = Attr(e, "Pic"))
                {
                    o->pic = *pic;
                    if (*pic == "money")
                        o->isMoney = true;
                    else if (*pic == "light")
                        o->isLight = true;
                    else
                        o->image = App.LoadImage("images/objects/" + *pic);
                }
                int v = 0;
                if (IntAttr(e, "x", v)) o->x = static_cast<float>(v);
                if (IntAttr(e, "y", v)) o->y = static_cast<float>(v);
                IntAttr(e, "rot", o->rot);
                FloatAttr(e, "w", o->w);
                FloatAttr(e, "h", o->h);
                LevelObjects.push_back(std::move(o));
            }
        }
        else if (e.mType == XMLElement::TypeEndTag && found)
        {
            if (e.mValue == "Level") break;
            if (e.mValue == "Persons")
            {
                ++stageIndex;
                personIndex = 0;
            }
            else if (e.mValue == "Board")
            {
                ++boardIndex;
            }
        }
    }
    return !ReadProblem(parser, LevelFolder + "levels.xml");
}

bool BoardModel::LoadDishes()
{
    XMLParser parser;
    if (!parser.OpenFile(LevelFolder + "Dishes.xml"))
    {
        ReadProblem(parser, LevelFolder + "Dishes.xml");
        return false;
    }
    DishType work;
    XMLElement e;
    while (parser.ReadNextElement(e))
    {
        if (e.mType != XMLElement::TypeStartTag || e.mValue != "Type") continue;
        IntAttr(e, "SizeX", work.sizeX);
        IntAttr(e, "SizeY", work.sizeY);
        IntAttr(e, "RecipeCost", work.recipeCost);
        IntAttr(e, "DishCost", work.dishCost);
        IntAttr(e, "CookingTime", work.cookingTime);
        const auto it = e.mAttributes.find("SmallPicFileName");
        work.smallPicFileName = it == e.mAttributes.end() ? std::string() : it->second;
        DishType stored = work;
        // Pizza pictures and the order tables exist for sizes 2 to 5 only.
        stored.sizeX = std::clamp(stored.sizeX, 2, 5);
        stored.sizeY = std::clamp(stored.sizeY, 2, 5);
        DishTypes.push_back(stored);
    }
    return !ReadProblem(parser, LevelFolder + "Dishes.xml");
}

bool BoardModel::LoadUpgrades()
{
    PlateUpgrades.assign(kPlateRows, {});
    CoffeeCapacityUpgrades.assign(kCoffeeRows, {});
    CoffeeSweetnessUpgrades.assign(kCoffeeRows, {});
    AkkumChargeUpgrades.assign(kAkkumRows, {});
    AkkumWorkTimeUpgrades.assign(kAkkumRows, {});
    FoodPriceUpgrades.assign(kFoodRows, {});
    FoodTasteUpgrades.assign(kFoodRows, {});
    XMLParser parser;
    if (!parser.OpenFile(LevelFolder + "Upgrades.xml"))
    {
        ReadProblem(parser, LevelFolder + "Upgrades.xml");
        return false;
    }
    int device = 0, param = 0, step = 0;
    UpgradeRecord work;
    XMLElement e;
    while (parser.ReadNextElement(e))
    {
        if (e.mType != XMLElement::TypeStartTag) continue;
        if (e.mValue == "Device")
        {
            ++device;
            param = 0;
            int enable = 0;
            if (IntAttr(e, "EnableLevel", enable))
            {
                if (device == 1) PlateEnableLevel = enable;
                if (device == 2) CoffeeEnableLevel = enable;
                if (device == 3) AkkumEnableLevel = enable;
                if (device == 4) FoodEnableLevel = enable;
            }
        }
        else if (e.mValue == "Param")
        {
            ++param;
            step = 0;
        }
        else if (e.mValue == "Upgrade")
        {
            const auto it = e.mAttributes.find("Name");
            work.name = it == e.mAttributes.end() ? std::string() : it->second;
            IntAttr(e, "Price", work.price);
            IntAttr(e, "IntValue", work.intValue);
            std::vector<UpgradeRecord>* table = nullptr;
            if (device == 1 && param == 1) table = &PlateUpgrades;
            if (device == 2 && param == 1) table = &CoffeeCapacityUpgrades;
            if (device == 2 && param == 2) table = &CoffeeSweetnessUpgrades;
            if (device == 3 && param == 1) table = &AkkumChargeUpgrades;
            if (device == 3 && param == 2) table = &AkkumWorkTimeUpgrades;
            if (device == 4 && param == 1) table = &FoodPriceUpgrades;
            if (device == 4 && param == 2) table = &FoodTasteUpgrades;
            if (table && step >= 0 && step < static_cast<int>(table->size())) (*table)[step] = work;
            ++step;
        }
    }
    return !ReadProblem(parser, LevelFolder + "Upgrades.xml");
}

bool BoardModel::LoadCharacters()
{
    Characters.clear();
    bool ok = true;
    for (const char* name : kCharacterNames)
    {
        auto def = std::make_unique<PersonAnime>();
        XMLParser parser;
        const std::string file = CharacterFolder + name + "_anime.xml";
        const bool opened = parser.OpenFile(file);
        if (!opened)
        {
            ReadProblem(parser, file);
            ok = false;
        }
        else
        {
            PersonFrame work;
            XMLElement e;
            while (parser.ReadNextElement(e))
            {
                if (e.mType != XMLElement::TypeStartTag) continue;
                if (e.mValue == "PersonAnime")
                {
                    int mood = 0;
                    if (IntAttr(e, "MoodDownTime", mood) && mood > 0) def->moodDownTime = mood;
                    def->shiftX = def->shiftY = 0;
                    IntAttr(e, "ShiftX", def->shiftX);
                    IntAttr(e, "ShiftY", def->shiftY);
                }
                else if (e.mValue == "Image" && e.mSection == "PersonAnime/Images")
                {
                    if (const std::string* src = Attr(e, "src")) def->imageNames.push_back(*src);
                }
                else if (e.mValue == "Anime")
                {
                    if (Attr(e, "name")) def->animes.emplace_back();
                }
                else if (e.mValue == "State")
                {
                    // A frame before any animation has nowhere to go.
                    if (def->animes.empty()) continue;
                    IntAttr(e, "img", work.img);
                    IntAttr(e, "time", work.time);
                    work.shiftX = work.shiftY = 0;
                    IntAttr(e, "ShiftX", work.shiftX);
                    IntAttr(e, "ShiftY", work.shiftY);
                    def->animes.back().push_back(work);
                }
            }
        }
        if (opened && ReadProblem(parser, file)) ok = false;
        Characters.push_back(std::move(def));
    }
    return ok;
}

void BoardModel::StartLevel()
{
    App.HideHint();
    HintId = -1;
    PlayerProfile& player = Player();
    Columns = UpgradeValue(PlateUpgrades, player.upgrades[PlayerProfile::UpgradePlate]);
    ClampColumns(Columns);
    ClearLists();
    if (!LoadLevels()) DataComplete = false;
    UpdateGridX();
    if (LevelKind == 0)
    {
        ResetLevel();
        SettleGrid();
        for (auto& col : CellState)
            for (int& s : col) s = 0;
        for (auto& col : CellAlpha)
            for (int& a : col) a = 0;
        SpawnInterval = 300;
    }
    else if (LevelKind == 1)
    {
        InlayPaidSound = false;
    }
    else if (LevelKind == 3)
    {
        SpawnInterval = 200;
    }
    ServedCount = LostCount = FoodServedCount = 0;
    Score = DayProfit = TipTotal = 0;
    const int chargeStart = 10 - UpgradeValue(AkkumChargeUpgrades, player.upgrades[PlayerProfile::UpgradeAkkumCharge]);
    // The lamps show at most ten steps, whatever an old or damaged player file carries.
    AkkumCharge = std::clamp(std::max(chargeStart, player.akkumCharge), 0, 10);
    AkkumChargeScale = 10;
    InlayHintShown = false;
    TimeBonusBase = -1;
    AkkumRunning = false;
    AkkumFramesLeft = 0;
    ChargePieceCounter = 0;
    ChargePieceInterval = 30;
    RepairCounter = 0;
    RepairInterval = 60;
    CoffeeCapacity = UpgradeValue(CoffeeCapacityUpgrades, player.upgrades[PlayerProfile::UpgradeCoffeeCapacity]);
    CoffeeFill = 0;
    CupDragged = false;
    MarkerOn = false;
    ChainCount = 0;
    IdleFrames = 0;
    HintId = -1;
    Rehover = false;
    DeliveryPending = false;
    PendingIceCream = false;
    CoffeeReadyAnnounced = 0;
    LevelEnding = false;
    LevelFailed = false;
    ResultShown = false;
    if (player.level == 1) ApplyStartPattern();
    StockCount[0] = StockCount[1] = StockCount[2] = 0;
    Labels.clear();
    Effects->KillAll();
    // Pictures of the customer types this level can bring are loaded now, not at a customer's first appearance
    // (a hitch in play); the others are released so that a long game holds only one level's customers.
    for (int i = 0; i < kNumCharacters && i < static_cast<int>(Characters.size()); ++i)
    {
        if (PersonWeights[i] > 0)
            Characters[static_cast<size_t>(i)]->LoadImages(App);
        else
            Characters[static_cast<size_t>(i)]->FreeImages();
    }
    const int track = PlayerLevel() % 4;
    if (!App.IsMusicPlaying(track))
    {
        App.FadeOutAllMusic();
        App.FadeInMusic(track);
    }
    const int pizzeria = std::clamp(App.PizzeriaIndex(PlayerLevel()), 0, 5);
    const auto intro = [this](BoardImage image, float x, float y, const std::string& text, int font)
    {
        BoardImageSize size = App.ImageSize(image);
        FloatingLabel& l = AddLabel(image, x - size.width / 2, y - size.height / 2, 0.0f, 0.0f, 320);
        if (image == BoardImage::None)
        {
            l.x = x;
            l.y = y;
        }
        l.text = text;
        l.font = font;
        l.alpha = 0;
        l.fadeInStep = 10;
    };
    intro(BoardImage::MonitorSmall, 400, 300, "", FontDefault);
    intro(BoardImage::None, 400, 240, Text(TXT_DAY) + " " + std::to_string(PlayerLevel()), FontButton);
    intro(static_cast<BoardImage>(static_cast<int>(BoardImage::Pizzeria1) + pizzeria), 400, 290, "", FontDefault);
    intro(BoardImage::Ramka, 400, 290, "", FontDefault);
    // A bonus day says on its card what makes it different.
    if (LevelKind == 1 || LevelKind == 3)
        intro(BoardImage::None, 400, 362, Text(LevelKind == 1 ? TXT_BONUS_DAY_FIT_WHOLE : TXT_BONUS_DAY_PICTURE_HUNT),
              FontDefault);
    intro(BoardImage::None, 310, 400, Text(TXT_GOAL) + " " + MoneyText(Text(TXT_MONEY_SIGN), Goal), FontDefaultBlue);
    intro(BoardImage::None, 490, 400, Text(TXT_EXPERT_GOAL) + " " + MoneyText(Text(TXT_MONEY_SIGN), ExpertGoal),
          FontDefault);
    if (LevelKind == 0)
    {
        WaitFirstPerson = SaturatingAdd(WaitFirstPerson, 300);
        FreezeCountdown = 400;
    }
    else
    {
        WaitFirstPerson = 150;
        FreezeCountdown = 300;
    }
    for (auto& col : Grid)
        for (auto& p : col) p->y = static_cast<float>(GridY - CellSize * (p->row + 1));
    CustomerTipsShown = std::none_of(std::begin(PersonWeights), std::end(PersonWeights), [](int w) { return w == 80; });
}

void BoardModel::EndLevel()
{
    if (ResultShown) return;
    const int frame = App.UpdateCount();
    if (LevelKind == 1)
    {
        if (!LevelEnding && HeldSlot == -1)
        {
            bool allCooking = std::all_of(Dishes.begin(), Dishes.end(), [](const auto& d) { return d->cooking; });
            bool wishesTaken = std::all_of(Persons.begin(), Persons.end(),
                                           [](const auto& p) { return p->wish == -1 || p->wishUnderWay; });
            if (allCooking && wishesTaken)
            {
                for (auto& d : Dishes) d->cookLeft = 200;
                LevelEnding = true;
            }
        }
        if (!Persons.empty()) return;
        if (TimeLeft > 0 && InlayStage > 2 && TimeBonusBase == -1) TimeBonusBase = TimeLeft;
        if (TimeLeft > 0 && InlayStage > 2 && frame % 15 == 0)
        {
            TimeLeft -= 5;
            if (TimeLeft > 0)
            {
                App.PlaySample(BoardSound::GetMoney);
            }
            else
            {
                TimeLeft = 0;
                FloatingLabel& a = AddLabel(BoardImage::None, 200, 100, 0.3f, 0.3f, 200);
                a.text = Text(TXT_TIME_BONUS);
                a.font = FontTest;
                FloatingLabel& b = AddLabel(BoardImage::None, 200, 130, 0.3f, 0.3f, 200);
                b.text = " +" + MoneyText(Text(TXT_MONEY_SIGN), TimeBonusBase);
                b.font = FontTest;
                // The money matches what the label promises.
                AddMoney(std::max(0, TimeBonusBase));
                App.PlaySample(BoardSound::AppearBomb);
            }
        }
        if (TimeLeft > 0) return;
        if (!Labels.empty() || frame % 15 != 0) return;
        LevelEnding = true;
        OpenLevelComplete();
        LevelKind = 0;
        IdleFrames = 0;
        return;
    }
    if (LevelKind == 3 && Persons.empty() && TimeLeft > 0 && !LevelEnding)
    {
        const bool allFound =
            std::all_of(LevelObjects.begin(), LevelObjects.end(), [](const auto& o) { return o->Found(); });
        if (!allFound) return;
        FloatingLabel& l = AddLabel(BoardImage::None, 200, 100, 0.2f, 0.2f, 200);
        l.text = "+" + MoneyText(Text(TXT_MONEY_SIGN), TimeLeft);
        l.font = FontButtonSmall;
        AddMoney(TimeLeft);
        App.PlaySample(BoardSound::GetMoney);
        TimeLeft = 0;
    }
    if (TimeLeft > 0) return;
    if (!(Persons.empty() || (Persons.size() == 1 && Persons[0]->paid))) return;
    if (Score < Goal)
    {
        LevelLost();
        return;
    }
    LevelEnding = true;
    if (TallyLevelEnd()) OpenLevelComplete();
}

bool BoardModel::TallyLevelEnd()
{
    AkkumRunning = false;
    AkkumFramesLeft = 0;
    if (App.UpdateCount() % 30 != 0) return false;
    for (int r = Rows - 1; r >= 0; --r)
    {
        bool any = false;
        for (int c = 0; c < Columns; ++c)
        {
            if (CellState[c][r] <= 0) continue;
            any = true;
            FloatingLabel& l = AddLabel(BoardImage::None, static_cast<float>(CellCenterX(c)),
                                        static_cast<float>(CellCenterY(r)), 0.0f, -0.2f, 150);
            l.text = "+" + MoneyText(Text(TXT_MONEY_SIGN), 1);
            l.font = FontDefault;
            CellState[c][r] = 0;
            AddMoney(1);
        }
        if (any)
        {
            App.PlaySample(BoardSound::GetMoney);
            return false;
        }
    }
    for (int k = 0; k < 3; ++k)
    {
        if (StockCount[k] <= 0) continue;
        const int amount =
            SaturatingAdd(0, static_cast<long long>(
                                 UpgradeValue(FoodPriceUpgrades, Player().upgrades[PlayerProfile::UpgradeFoodPrice])) *
                                 StockCount[k]);
        FloatingLabel& l = AddLabel(BoardImage::None, static_cast<float>(StockSlotPos[k][0] + 10),
                                    static_cast<float>(StockSlotPos[k][1] + 20), 0.0f, -0.2f, 200);
        l.text = "+" + MoneyText(Text(TXT_MONEY_SIGN), amount);
        l.font = FontButtonSmall;
        AddMoney(amount);
        StockCount[k] = 0;
        App.PlaySample(BoardSound::GetMoney);
        return false;
    }
    // A machine without capacity (no upgrade data) is never full.
    if (CoffeeCapacity > 0 && CoffeeFill >= CoffeeCapacity)
    {
        CoffeeFill = 0;
        App.PlaySample(BoardSound::GetMoney);
        const BoardImageSize size = App.ImageSize(BoardImage::CoffeeMachine);
        FloatingLabel& l = AddLabel(BoardImage::CoffeeMachine, static_cast<float>(270 + size.width / 2),
                                    static_cast<float>(460 + size.height / 2), 0.0f, -0.2f, 200);
        l.text = "+" + MoneyText(Text(TXT_MONEY_SIGN), 50);
        l.font = FontButton;
        AddMoney(50);
    }
    return Labels.empty();
}

void BoardModel::FreeCustomerImages()
{
    // A customer still walking off keeps its pictures until the next level start decides about its type.
    for (size_t i = 0; i < Characters.size(); ++i)
    {
        const bool shown =
            std::any_of(Persons.begin(), Persons.end(),
                        [i](const auto& p) { return !p->leaving && p->character == static_cast<int>(i); });
        if (!shown) Characters[i]->FreeImages();
    }
}

void BoardModel::OpenLevelComplete()
{
    ResultShown = true;
    FreeCustomerImages();
    App.OpenLevelCompleteWindow();
    App.StopAllMusic();
    App.PlaySample(BoardSound::LevelComplete);
}

void BoardModel::LevelLost()
{
    ResultShown = true;
    LevelFailed = true;
    FreeCustomerImages();
    App.StopAllMusic();
    PlayerProfile& player = Player();
    player.money = SaturatingAdd(player.money, DayProfit);
    player.akkumCharge = AkkumCharge;
    App.SavePlayers();
    App.OpenGameOverWindow();
    App.PlaySample(BoardSound::LevelFailed);
}

} // namespace Zest
