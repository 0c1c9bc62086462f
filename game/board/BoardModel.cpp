// The board model's lifecycle and its update step: the order in which one 10 ms update moves the play field.
#include "game/board/BoardModel.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/Random.h"
#include "game/core/LngTable.h"
#include "game/core/PlayerProfile.h"
#include "game/core/TextIds.h"
#include "graphics/Image.h"

namespace Zest
{

const char* const BoardModel::kCharacterNames[kNumCharacters] = {"cowboy",   "ballplayer", "girl",     "madam",
                                                                 "grandmam", "turist",     "diver",    "bunny",
                                                                 "alien",    "boy",        "superman", "boomgirl"};

float Distance(float x1, float y1, float x2, float y2)
{
    return std::sqrt((x1 - x2) * (x1 - x2) + (y1 - y2) * (y1 - y2));
}

int SaturatingAdd(int a, long long b)
{
    const long long sum = static_cast<long long>(a) + b;
    return static_cast<int>(
        std::clamp<long long>(sum, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

BoardModel::BoardModel(BoardHost& host) : App(host) {}

BoardModel::~BoardModel()
{
    Labels.clear();
    ClearLists();
}

void BoardModel::Init()
{
    bool complete = LoadCharacters();
    ResetLevel();
    complete = LoadDishes() && complete;
    static const char* const kToppings[6] = {"grib", "chees", "paprika", "pomedor", "ananas", "krevetca"};
    for (int i = 0; i < 6; ++i) ToppingImages[i] = App.LoadImage(std::string("images/gameplay/") + kToppings[i]);
    for (int w = 2; w <= 5; ++w)
        for (int h = 2; h <= 5; ++h)
            PizzaImages[(w - 2) * 4 + (h - 2)] =
                App.LoadImage("images/gameplay/pizza/" + std::to_string(w) + "x" + std::to_string(h));
    static const int kSmall[8][2] = {{2, 2}, {3, 2}, {3, 3}, {4, 2}, {4, 3}, {4, 4}, {5, 3}, {5, 5}};
    for (auto& img : SmallPizzaImages) img.reset();
    for (const auto& s : kSmall)
        SmallPizzaImages[(s[0] - 2) * 4 + (s[1] - 2)] =
            App.LoadImage("images/gameplay/pizza/" + std::to_string(s[0]) + "x" + std::to_string(s[1]) + "small");
    DishWeights = {100, 0, 0, 0, 80, 100, 0, 0, 30, 50, 50, 0, 0, 30, 0, 50};
    AkkumX = 405;
    AkkumY = 502;
    static const int kLamps[10][2] = {{10, 34}, {21, 36}, {34, 37}, {44, 39}, {56, 40},
                                      {17, 21}, {28, 23}, {40, 24}, {51, 26}, {63, 27}};
    std::copy(&kLamps[0][0], &kLamps[0][0] + 20, &AkkumLampPos[0][0]);
    static const int kSlotPos[3][2] = {{131, 555}, {210, 543}, {167, 560}};
    static const int kSlotSize[3][2] = {{2, 1}, {2, 2}, {3, 1}};
    std::copy(&kSlotPos[0][0], &kSlotPos[0][0] + 6, &StockSlotPos[0][0]);
    std::copy(&kSlotSize[0][0], &kSlotSize[0][0] + 6, &StockSlotSize[0][0]);
    complete = LoadUpgrades() && complete;
    DataComplete = complete;
    BackgroundImage.reset();
}

int BoardModel::NewPieceKind() const
{
    const uint32_t n = static_cast<uint32_t>(std::clamp(TipsCount, 1, 6));
    return static_cast<int>(Rand() % n);
}

void BoardModel::ResetLevel()
{
    ClearLists();
    for (int c = 0; c < Columns; ++c)
    {
        Grid.emplace_back();
        for (int r = 0; r < Rows; ++r)
        {
            auto piece = std::make_unique<Topping>();
            piece->kind = NewPieceKind();
            piece->SetPosition(static_cast<float>(CellSize * c + CellSize / 2 + GridX),
                               static_cast<float>((Rows - r - 1) * CellSize + CellSize / 2 + GridY));
            piece->column = c;
            piece->row = r;
            Grid.back().push_back(std::move(piece));
        }
    }
    for (int c = 0; c < Columns; ++c)
        for (int r = 0; r < Rows; ++r) CellState[c][r] = 0;
    MatchPending = true;
    SwapFirst.piece = nullptr;
    SwapSecond.piece = nullptr;
}

void BoardModel::ClearLists()
{
    HoverPiece = SelectedPiece = HintPiece = nullptr;
    DraggedDish = HoverDish = nullptr;
    HoverPerson = nullptr;
    MarkedItem = nullptr;
    HeldSlot = -1;
    HoverStockSlot = -1;
    SwapFirst.piece = nullptr;
    SwapSecond.piece = nullptr;
    while (!Grid.empty())
    {
        while (!Grid.back().empty()) Grid.back().pop_back();
        Grid.pop_back();
    }
    while (!Persons.empty()) Persons.pop_back();
    while (!Dishes.empty()) Dishes.pop_back();
    while (!LevelObjects.empty()) LevelObjects.pop_back();
    PersonsCreated = 0;
    SpawnCounter = 500;
}

Topping* BoardModel::PieceAt(int column, int row) const
{
    if (column < 0 || column >= static_cast<int>(Grid.size())) return nullptr;
    const auto& col = Grid[column];
    if (row < 0 || row >= static_cast<int>(col.size())) return nullptr;
    return col[row].get();
}

int BoardModel::PlayerLevel() const
{
    return App.Player().level;
}

PlayerProfile& BoardModel::Player() const
{
    return App.Player();
}

const std::string& BoardModel::Text(int n) const
{
    static const std::string kEmpty;
    const LngTable& t = App.Lng();
    if (n < 0 || n >= static_cast<int>(t.strings.size())) return kEmpty;
    return t(n);
}

FloatingLabel& BoardModel::AddLabel(BoardImage image, float x, float y, float vx, float vy, int life)
{
    Labels.push_back(std::make_unique<FloatingLabel>(image, x, y, vx, vy, life));
    return *Labels.back();
}

int BoardModel::UpgradeValue(const std::vector<UpgradeRecord>& table, int playerStep) const
{
    if (table.empty()) return 0;
    const int i = std::clamp(playerStep, 0, static_cast<int>(table.size()) - 1);
    return table[i].intValue;
}

DishType* BoardModel::TypeOf(const Dish& dish)
{
    if (dish.dishType < 0 || dish.dishType >= static_cast<int>(DishTypes.size())) return nullptr;
    return &DishTypes[dish.dishType];
}

const DishType* BoardModel::TypeOf(const Dish& dish) const
{
    if (dish.dishType < 0 || dish.dishType >= static_cast<int>(DishTypes.size())) return nullptr;
    return &DishTypes[dish.dishType];
}

void BoardModel::Update()
{
    const int frame = App.UpdateCount();
    // 1. Labels move even while the play is paused.
    for (size_t i = 0; i < Labels.size();)
    {
        Labels[i]->Update(frame);
        if (Labels[i]->done)
            Labels.erase(Labels.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
    // 2. The intro freeze.
    if (FreezeCountdown > 0)
    {
        --FreezeCountdown;
        return;
    }
    // 3. Pieces (normal levels) or the kind's own step.
    if (LevelKind == 1 && Persons.empty())
    {
        UpdateInlay();
    }
    else if (LevelKind == 0)
    {
        for (auto& col : Grid)
            for (size_t r = 0; r < col.size(); ++r) col[r]->Update(*this);
    }
    else if (LevelKind == 3)
    {
        UpdatePixelHunt();
    }
    // A press is timed while a hint shows too: whether its release drops a carried dish depends on how long the
    // button was held, not on what the board did meanwhile.
    if (PressActive && HintId != -1) ++PressFrames;
    // 4. A hint pauses the rest.
    if (HintId != -1) return;
    // 5.
    if (PressActive) ++PressFrames;
    Effects->Update(0.01);
    // 6. The clock.
    if (frame % 100 == 0 && TimeLeft > 0)
    {
        --TimeLeft;
        if (TimeLeft == 1)
        {
            TimeUpFrame = frame;
            App.PlaySample(BoardSound::TimeIsUp);
        }
    }
    // 7-8. Customers and dishes.
    SomeoneAngry = false;
    for (size_t i = 0; i < Persons.size(); ++i)
    {
        Persons[i]->Update(*this);
        if (Persons[i]->mood < 35.0f) SomeoneAngry = true;
    }
    for (size_t i = 0; i < Dishes.size(); ++i) Dishes[i]->Update(*this);
    // 9.
    UpdateGrid();
    EraseFinishedDishes();
    UpdatePersons();
    // 10. A finished swap either stands or slides back.
    if (SwapFirst.piece && SwapSecond.piece && SwapFirst.piece->atRest && SwapSecond.piece->atRest)
    {
        if (!CheckSwap())
        {
            SwapBack();
            return;
        }
        SwapFirst.piece = nullptr;
        SwapSecond.piece = nullptr;
    }
    // 11. The run search once the grid is still.
    if (MatchPending && IsGridIdle())
    {
        if (!FindMatches())
        {
            SwapBack();
            IdleFrames = 0;
            HintPiece = nullptr;
        }
        else
        {
            SwapFirst.piece = nullptr;
            SwapSecond.piece = nullptr;
        }
        MatchPending = false;
    }
    // 12. The next customer.
    if (WaitFirstPerson > 0)
    {
        --WaitFirstPerson;
    }
    else if ((LevelKind == 0 || LevelKind == 3) && TimeLeft > 0)
    {
        ++SpawnCounter;
        if (SpawnCounter > SpawnInterval && Persons.size() < 4) SpawnPerson();
    }
    // 13. The repair marker blinks over a broken cell.
    if (MarkerOn && frame % 15 == 0 && IsCellInPlay(MarkerColumn, MarkerRow) &&
        CellState[MarkerColumn][MarkerRow] == -1)
    {
        MarkerBlink += MarkerBlinkStep;
        if (MarkerBlink >= 4)
        {
            MarkerBlink = 4;
            MarkerBlinkStep = -1;
        }
        else if (MarkerBlink <= 1)
        {
            MarkerBlink = 1;
            MarkerBlinkStep = 1;
        }
    }
    // 14. The Akkum at work.
    if (AkkumRunning)
    {
        --AkkumFramesLeft;
        const long long work =
            std::max(1, UpgradeValue(AkkumWorkTimeUpgrades, Player().upgrades[PlayerProfile::UpgradeAkkumWorkTime]));
        AkkumCharge = static_cast<int>(static_cast<long long>(AkkumChargeScale) * AkkumFramesLeft / (work * 100));
        if (AkkumFramesLeft < 1) StopAkkum();
        if (frame % 40 == 0)
        {
            const int r1 = static_cast<int>(Rand() % 10);
            const int r2 = static_cast<int>(Rand() % 10);
            const int r3 = static_cast<int>(Rand() % 20);
            Effects->Spawn(BoardEffect::ElectroSmall, static_cast<float>(AkkumX + 32 + r1), static_cast<float>(AkkumY),
                           true);
            Effects->Spawn(BoardEffect::ElectroSmall, static_cast<float>(AkkumX + 82 - r2),
                           static_cast<float>(AkkumY + 5), true);
            Effects->Spawn(BoardEffect::ElectroSmall, static_cast<float>(AkkumX + 52 + r3),
                           static_cast<float>(AkkumY + 2), true);
        }
    }
    // 15.
    EndLevel();
    // 16. A grid without a move is rebuilt (not behind a result window).
    ++IdleFrames;
    if (LevelKind == 0 && !ResultShown && IdleFrames > (PlayerLevel() == 1 ? 600 : 800))
    {
        if (!HasMove()) RegenerateGrid();
        IdleFrames = 0;
    }
    // 17. Burner highlights.
    for (int c = 0; c < Columns; ++c)
        for (int r = 0; r < Rows; ++r)
        {
            int& a = CellAlpha[c][r];
            if (CellState[c][r] < 1)
                a = std::max(0, a - 6);
            else
                a = std::min(255, a + 5);
            if (AkkumRunning && CellState[c][r] == 0 && a == 0) CellState[c][r] = 1;
        }
    // 18. Something moved under a still mouse: replay its position.
    if (Rehover)
    {
        MouseMove(App.LastMouseX(), App.LastMouseY());
        UpdateCursor(App.LastMouseX(), App.LastMouseY());
        Rehover = false;
    }
    // 19.
    UpdateHints();
}

void BoardModel::UpdatePixelHunt()
{
    for (auto& objPtr : LevelObjects)
    {
        LevelObject& o = *objPtr;
        if (!o.Found() || o.Done()) continue;
        if (std::fabs(o.w) < 1.0f || std::fabs(o.h) < 1.0f || o.rot != 0)
        {
            o.w = std::min(1.0f, std::fabs(o.w) + 0.01f);
            o.h = std::min(1.0f, std::fabs(o.h) + 0.01f);
            if (o.rot > 0)
                --o.rot;
            else if (o.rot < 0)
                ++o.rot;
            continue;
        }
        o.rot = 0;
        ++o.state;
        const int who = FindPersonById(o.customerId);
        if (who < 0) return;
        Person& p = *Persons[who];
        --o.steps;
        if (o.steps > 0)
        {
            const float tx = static_cast<float>(ShelfX), ty = static_cast<float>(PersonShelfY(p) + 70);
            o.x += static_cast<float>(static_cast<int>((tx - o.x) / static_cast<float>(o.steps)));
            o.y += static_cast<float>(static_cast<int>((ty - o.y) / static_cast<float>(o.steps)));
            if (Distance(o.x, o.y, tx, ty) > 30.0f)
            {
                const int r1 = static_cast<int>(Rand() % 40);
                const int r2 = static_cast<int>(Rand() % 40);
                Effects->Spawn(BoardEffect::Star, o.x + r2 - 20, o.y + r1 - 10, true);
            }
        }
        else
        {
            p.paid = true;
            p.SetState(*this, 2);
            o.flags |= 4;
            SpawnHearts(static_cast<float>(p.GetCenterX(*this)), static_cast<float>(p.slotY + 120), 9);
        }
    }
}

void BoardModel::EraseFinishedDishes()
{
    for (size_t i = 0; i < Dishes.size();)
    {
        if (Dishes[i]->erase)
        {
            if (HoverDish == Dishes[i].get()) HoverDish = nullptr;
            if (DraggedDish == Dishes[i].get()) DraggedDish = nullptr;
            Dishes.erase(Dishes.begin() + static_cast<std::ptrdiff_t>(i));
        }
        else
        {
            ++i;
        }
    }
}

void BoardModel::UpdatePersons()
{
    if (DeliveryPending) DeliverOrders();
    if (HeldSlot != -1 && HeldSlotActive) return;
    for (const auto& p : Persons)
        if (p->IsWalkingOff()) return;
    bool removed = false;
    for (size_t i = 0; i < Persons.size();)
    {
        Person& p = *Persons[i];
        if (!(p.gone && p.fade <= 0))
        {
            ++i;
            continue;
        }
        for (auto& d : Dishes)
            if (d->customerId == p.id) d->erase = true;
        if (!p.paid)
        {
            ++LostCount;
            if (PlayerLevel() > 2 && LevelKind != 1)
            {
                AddMoney(-10);
                FloatingLabel& l = AddLabel(BoardImage::None, static_cast<float>(ShelfX),
                                            static_cast<float>(PersonShelfY(p) + 100), 0.0f, -0.2f, 150);
                l.text = Text(TXT_CUSTOMER_LOST) + " " + MoneyText(Text(TXT_MONEY_SIGN), -10);
                l.alpha = 0;
                l.fadeInStep = 10;
            }
            App.PlaySample(BoardSound::PersonLeave);
            SpawnCounter = -200;
            if (LevelKind == 3 && p.huntItem >= 0 && p.huntItem < static_cast<int>(LevelObjects.size()))
            {
                LevelObject& o = *LevelObjects[p.huntItem];
                if (o.Found()) o.flags |= 4;
            }
            if (LevelKind == 1)
                for (auto& other : Persons)
                {
                    other->gone = true;
                    other->fade = 0;
                }
        }
        else
        {
            ++ServedCount;
        }
        if (HoverPerson == &p) HoverPerson = nullptr;
        Persons.erase(Persons.begin() + static_cast<std::ptrdiff_t>(i));
        removed = true;
    }
    if (removed)
    {
        for (size_t i = 0; i < Persons.size(); ++i)
        {
            Persons[i]->queueIndex = static_cast<int>(i);
            for (auto& d : Dishes)
                if (d->customerId == Persons[i]->id) d->shelfIndex = static_cast<int>(i);
        }
    }
}

void BoardModel::SettleGrid()
{
    AkkumCharge = 0;
    AkkumChargeScale = 40;
    CoffeeCapacity = UpgradeValue(CoffeeCapacityUpgrades, Player().upgrades[PlayerProfile::UpgradeCoffeeCapacity]);
    CoffeeFill = 0;
    Settling = true;
    for (int pass = 0; pass < kMaxSettlePasses; ++pass)
    {
        for (auto& col : Grid)
            for (auto& p : col) p->Update(*this);
        UpdateGrid();
        if (IsGridIdle() && !FindMatches()) break;
    }
    Settling = false;
}

void BoardModel::ClampColumns(int& columns)
{
    columns = std::clamp(columns, 8, kMaxColumns);
}

void BoardModel::UpdateGridX()
{
    if (Columns == 8)
        GridX = 310;
    else if (Columns == 9)
        GridX = 285;
    else if (Columns == 10)
        GridX = 260;
}

} // namespace Zest
