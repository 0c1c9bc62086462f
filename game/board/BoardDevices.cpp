// Dishes on the field (placement, drop preview, covered cells), the Akkum, the coffee machine, money and goals,
// the order and stock clicks, and the repair tool.
#include <algorithm>
#include <cmath>

#include "base/Random.h"
#include "game/board/BoardModel.h"
#include "game/core/LngTable.h"
#include "game/core/PlayerProfile.h"
#include "game/core/TextIds.h"

namespace Zest
{

namespace
{

int FloorDiv(int a, int b)
{
    return static_cast<int>(std::floor(static_cast<double>(a) / b));
}

// The top-left corner of a dish's footprint. The half footprint is an integer (rounded down for an odd size), so
// placement, preview and the snapped centre all count the same whole pixels.
int FootprintLeft(float centre, int cells, int cellSize)
{
    return static_cast<int>(centre - static_cast<float>(cells * cellSize / 2));
}

} // namespace

bool BoardModel::IsCellUnderDish(int column, int row) const
{
    for (const auto& d : Dishes)
        if (d->cooking && d->FindPair(column, row)) return true;
    return false;
}

bool BoardModel::PlaceDish(Dish& dish)
{
    const int s = CellSize;
    dish.ClearPairs();
    const int w = dish.width, h = dish.height;
    const int x0 = FootprintLeft(dish.x, w, s);
    const int y0 = FootprintLeft(dish.y, h, s);
    std::vector<std::pair<int, int>> cells;
    for (int i = 0; i < w; ++i)
        for (int j = 0; j < h; ++j)
        {
            const int px = x0 + i * s + s / 2, py = y0 + j * s + s / 2;
            const int c = FloorDiv(px - GridX, s);
            const int r = Rows - FloorDiv(py - GridY, s) - 1;
            if (!IsCellInPlay(c, r) || CellState[c][r] < 1) return false;
            cells.emplace_back(c, r);
        }
    int cookingDishes = 0;
    for (const auto& other : Dishes)
    {
        if (!other->cooking || other.get() == &dish) continue;
        ++cookingDishes;
        for (const auto& cr : cells)
            if (other->FindPair(cr.first, cr.second)) return false;
    }
    dish.cells = std::move(cells);
    const int c0 = FloorDiv(x0 + s / 2 - GridX, s);
    const int t0 = FloorDiv(y0 + s / 2 - GridY, s);
    dish.SetPosition(*this, static_cast<float>(GridX + c0 * s + w * s / 2),
                     static_cast<float>(GridY + t0 * s + h * s / 2));
    dish.cooking = true;
    const DishType* type = TypeOf(dish);
    // A cooking time of 0 or less (or no dish types at all) is done at the next update.
    dish.cookLeft = type ? std::max(0, type->cookingTime) : 0;
    dish.ready = false;
    if (LevelKind == 0 && cookingDishes >= 1 && dish.itemKind == -1)
    {
        const int bonus = 5 * cookingDishes;
        const std::string texts[3] = {Text(TXT_COOKING), Text(TXT_CHAIN_BONUS), MoneyText(Text(TXT_MONEY_SIGN), bonus)};
        for (int i = 0; i < 3; ++i)
        {
            FloatingLabel& l = AddLabel(BoardImage::None, dish.x, dish.y + 30.0f * i, 0.0f, -0.2f, 130);
            l.text = texts[i];
            l.font = FontTest;
            l.alpha = 0;
            l.onTop = true;
        }
        AddMoney(bonus);
    }
    return true;
}

void BoardModel::UpdateDishDropCells(Dish& dish)
{
    const int s = CellSize;
    dish.ClearPairs();
    const int x0 = FootprintLeft(dish.x, dish.width, s);
    const int y0 = FootprintLeft(dish.y, dish.height, s);
    for (int i = 0; i < dish.width; ++i)
        for (int j = 0; j < dish.height; ++j)
        {
            const int c = FloorDiv(x0 + i * s + s / 2 - GridX, s);
            const int r = Rows - FloorDiv(y0 + j * s + s / 2 - GridY, s) - 1;
            if (IsCellInPlay(c, r) && CellState[c][r] > 0 && !IsCellUnderDish(c, r)) dish.cells.emplace_back(i, j);
        }
}

bool BoardModel::ClickAkkum(int x, int y)
{
    const BoardImageSize size = App.ImageSize(BoardImage::Akkum);
    if (x < AkkumX || x >= AkkumX + size.width || y < AkkumY || y >= AkkumY + size.height) return false;
    if (LevelKind != 0 || PlayerLevel() < AkkumEnableLevel || AkkumCharge < AkkumChargeScale) return false;
    AkkumCharge = 0;
    StartAkkum();
    return true;
}

void BoardModel::StartAkkum()
{
    for (int c = 0; c < Columns; ++c)
        for (int r = 0; r < Rows; ++r)
            if (CellState[c][r] == 0) CellState[c][r] = 2;
    AkkumRunning = true;
    // A work time below one second (missing upgrade data) still runs for one second.
    const int work = UpgradeValue(AkkumWorkTimeUpgrades, Player().upgrades[PlayerProfile::UpgradeAkkumWorkTime]);
    AkkumFramesLeft = std::clamp(work, 1, 1000000) * 100;
    App.PlaySample(BoardSound::AkkumWorking);
}

void BoardModel::StopAkkum()
{
    for (int c = 0; c < Columns; ++c)
        for (int r = 0; r < Rows; ++r)
            if (CellState[c][r] == 2)
            {
                CellState[c][r] = 0;
                CellAlpha[c][r] = 0;
            }
    AkkumFramesLeft = 0;
    AkkumRunning = false;
    // The charge table should hold 0..10; anything else still leaves a charge the ten lamps can show.
    AkkumCharge =
        std::clamp(10 - UpgradeValue(AkkumChargeUpgrades, Player().upgrades[PlayerProfile::UpgradeAkkumCharge]), 0, 10);
}

void BoardModel::TakeChargePiece(Topping& piece)
{
    const BoardImageSize size = App.ImageSize(BoardImage::Akkum);
    const float cx = static_cast<float>(AkkumX + size.width / 2), cy = static_cast<float>(AkkumY + size.height / 2);
    piece.removing = true;
    piece.removalDelay = 30;
    piece.MoveTo(30, piece.x, piece.y, cx, cy);
    SpawnSparkLine(static_cast<int>(piece.x), static_cast<int>(piece.y), static_cast<int>(cx), static_cast<int>(cy),
                   30);
    AkkumCharge = std::min(10, AkkumCharge + 1);
    App.PlaySample(BoardSound::TakeCharge);
}

bool BoardModel::GiveCoffee(int x, int y)
{
    if (PlayerLevel() < CoffeeEnableLevel || LevelKind != 0) return false;
    if (!CupDragged)
    {
        const BoardImageSize size = App.ImageSize(BoardImage::CoffeeMachine);
        const bool inBox = x >= 270 && x < 270 + size.width && y >= 460 && y < 460 + size.height;
        if (!DraggedDish && inBox && CoffeeCapacity > 0 && CoffeeFill == CoffeeCapacity)
        {
            CupDragged = true;
            return true;
        }
        return false;
    }
    if (HoverPerson)
    {
        Person& p = *HoverPerson;
        const int sweet =
            UpgradeValue(CoffeeSweetnessUpgrades, Player().upgrades[PlayerProfile::UpgradeCoffeeSweetness]);
        p.targetMood = std::min(100.0f, p.mood + static_cast<float>(sweet));
        CoffeeFill = 0;
        CoffeeReadyAnnounced = 0;
        FloatingLabel& l = AddLabel(BoardImage::None, static_cast<float>(p.GetCenterX(*this)),
                                    static_cast<float>(p.slotY + 100), 0.0f, -0.2f, 150);
        l.text = "+" + std::to_string(sweet) + "%";
        l.font = FontDefaultBlue;
        l.alpha = 0;
        l.fadeInStep = 10;
        SpawnHearts(static_cast<float>(p.GetCenterX(*this)), static_cast<float>(p.slotY + 120), 9);
        App.PlaySample(BoardSound::GiveCoffee);
    }
    CupDragged = false;
    return true;
}

void BoardModel::AddMoney(int amount)
{
    const int before = DayProfit;
    DayProfit = std::max(0, SaturatingAdd(before, amount));
    Score = SaturatingAdd(Score, amount);
    if (LevelKind == 3) return;
    const float cx = static_cast<float>(GridX + Columns * CellSize / 2);
    const float cy = static_cast<float>(GridY + Rows * CellSize / 2);
    const auto celebrate = [&](BoardImage image, BoardEffect effect, BoardSound sound)
    {
        // The picture follows the effect's burst; with no room for the effect it shows at once, and longer.
        const bool started = Effects->Spawn(effect, cx, cy, true);
        const BoardImageSize size = App.ImageSize(image);
        FloatingLabel& l = AddLabel(image, cx - static_cast<float>(size.width / 2),
                                    cy - static_cast<float>(size.height / 2), 0.0f, 0.0f, started ? 50 : 170);
        l.startDelay = started ? 120 : 0;
        App.PlaySample(sound);
    };
    if (before < ExpertGoal && ExpertGoal <= DayProfit)
        celebrate(BoardImage::ExpertGoal, BoardEffect::ExpertGoal, BoardSound::ExpertGoal);
    else if (before < Goal && Goal <= DayProfit)
        celebrate(BoardImage::Goal, BoardEffect::Goal, BoardSound::MainGoal);
}

bool BoardModel::ClickDish(int x, int y)
{
    if (PlayerLevel() < FoodEnableLevel) return false;
    const auto makeItem = [&](int kind, int customer) -> Dish&
    {
        Dishes.push_back(std::make_unique<Dish>(0, customer));
        Dish& d = *Dishes.back();
        d.width = StockSlotSize[kind][0];
        d.height = StockSlotSize[kind][1];
        d.itemKind = kind;
        return d;
    };
    const auto holdItem = [&](int kind, int customer)
    {
        HeldSlot = kind;
        CarriedItemCustomer = customer;
        App.PlaySample(BoardSound::TakePizza);
        Dish& d = makeItem(kind, customer);
        d.held = true;
        d.x = static_cast<float>(App.LastMouseX());
        d.y = static_cast<float>(App.LastMouseY());
        DraggedDish = &d;
        HoverDish = &d;
    };
    const auto sendFromStock = [&](int kind, Person& p)
    {
        --StockCount[kind];
        Dish& d = makeItem(kind, p.id);
        d.ready = true;
        d.sent = true;
        d.packStep = 4;
        const float fx = static_cast<float>(StockSlotPos[kind][0] + 17);
        const float fy = static_cast<float>(StockSlotPos[kind][1] + 17);
        d.x = fx;
        d.y = fy;
        d.MoveTo(fx, fy, static_cast<float>(ShelfX), static_cast<float>(p.slotY + 100), 0, 1000);
        App.PlaySample(BoardSound::PizzaReady);
    };
    // 1. The wish markers beside the customers.
    if (!CupDragged && !DraggedDish && HeldSlot == -1)
        for (auto& pp : Persons)
        {
            Person& p = *pp;
            if (p.wish < 0 || p.wish > 2 || p.wishUnderWay) continue;
            if (x < ShelfX - 67 || x >= ShelfX - 32 || y < p.slotY + 75 || y >= p.slotY + 110) continue;
            p.wishUnderWay = true;
            if (StockCount[p.wish] < 1)
                holdItem(p.wish, p.id);
            else
                sendFromStock(p.wish, p);
            return true;
        }
    // 2. The stock slots.
    if (HoverStockSlot >= 0 && HoverStockSlot < 3 && HeldSlot == -1)
    {
        const int kind = HoverStockSlot;
        const int who = FindPersonWithWish(kind);
        if (who < 0 || StockCount[kind] < 1)
            holdItem(kind, -1);
        else
            sendFromStock(kind, *Persons[who]);
        return true;
    }
    const auto dropChoice = [&]
    {
        const int who = FindPersonById(CarriedItemCustomer);
        if (who >= 0) Persons[who]->wishUnderWay = false;
    };
    // 3-4. The held item goes onto the field, or the choice is dropped.
    if (HeldSlot != -1)
    {
        if (DraggedDish)
        {
            Dish& d = *DraggedDish;
            if (PlaceDish(d))
            {
                d.held = false;
                d.cookLeft = 150;
                App.PlaySample(BoardSound::PutPizza);
            }
            else
            {
                dropChoice();
                d.erase = true;
            }
            DraggedDish = nullptr;
        }
        else
        {
            dropChoice();
        }
        HeldSlot = -1;
        CarriedItemCustomer = -1;
        return true;
    }
    return false;
}

bool BoardModel::RepairCell(int column, int row)
{
    if (!IsCellInPlay(column, row) || IsCellUnderDish(column, row)) return false;
    CellState[column][row] = 1;
    MarkerOn = false;
    MarkerColumn = MarkerRow = -1;
    return true;
}

void BoardModel::TakeIceCream(int mouseX, int mouseY)
{
    Person* choice = nullptr;
    int bound = 100;
    for (auto& p : Persons)
        if (p->state != 2 && p->mood < static_cast<float>(bound))
        {
            choice = p.get();
            bound = static_cast<int>(p->mood);
        }
    if (!choice) return;
    Dishes.push_back(std::make_unique<Dish>(0, choice->id));
    Dish& d = *Dishes.back();
    d.width = d.height = 2;
    d.dishType = 0;
    d.itemKind = 3;
    d.x = static_cast<float>(mouseX);
    d.y = static_cast<float>(mouseY);
    d.ready = true;
    d.sent = true;
    d.packStep = 4;
    d.MoveTo(d.x, d.y, static_cast<float>(ShelfX), static_cast<float>(choice->slotY + 100), 0, 1000);
    App.PlaySample(BoardSound::TakeIceCream);
}

} // namespace Zest
