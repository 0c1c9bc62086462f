// Pizzas on the field, slides and falls, hit boxes, the Akkum, the coffee machine, money and the order clicks.
#include <gtest/gtest.h>

#include <limits>

#include "BoardTestHost.h"
#include "graphics/MemoryImage.h"

namespace Zest::Testing
{
namespace
{

struct DishTest : ::testing::Test
{
    BoardFixture f;
    BoardModel& m = f.model;
    RecordingHost& host = f.host;

    void SetUp() override
    {
        SetGrid(m, std::vector<std::string>(8, "01234567"));
        m.WaitFirstPerson = 1000000;
        m.FreezeCountdown = 0;
        for (int c = 0; c < 8; ++c)
            for (int r = 0; r < 8; ++r) m.CellState[c][r] = 1;
    }
    // A w x h pizza whose top-left cell is (column, top row).
    Dish& DishAt(int w, int h, int column, int topRow)
    {
        m.Dishes.push_back(std::make_unique<Dish>(0, 1));
        Dish& d = *m.Dishes.back();
        d.width = w;
        d.height = h;
        d.dishType = m.FindDishType(d);
        d.x = static_cast<float>(m.GridX + column * 49) + w * 49 / 2.0f;
        d.y = static_cast<float>(m.GridY + (m.Rows - 1 - topRow) * 49) + h * 49 / 2.0f;
        return d;
    }
};

TEST_F(DishTest, PlacementNeedsEveryCellLitAndInside)
{
    const struct
    {
        int column, top, state;
        bool placed;
    } cases[] = {
        {0, 7, 1, true}, {0, 7, 2, true}, {0, 7, 0, false}, {0, 7, -1, false}, {7, 7, 1, false}, {0, 0, 1, false},
    };
    for (const auto& c : cases)
    {
        m.Dishes.clear();
        m.CellState[1][6] = c.state; // a cell under the dish when it sits at (0, 7)
        Dish& d = DishAt(2, 2, c.column, c.top);
        EXPECT_EQ(m.PlaceDish(d), c.placed) << c.column << "," << c.top << " state " << c.state;
        EXPECT_EQ(d.cells.empty(), !c.placed);
    }
}

TEST_F(DishTest, TurnedPizzaFitsTheOtherWay)
{
    for (int c = 0; c < 8; ++c)
        for (int r = 0; r < 8; ++r) m.CellState[c][r] = (c < 2 && r >= 5) ? 1 : 0; // a block 2 wide, 3 high
    Dish& wide = DishAt(3, 2, 0, 7);
    EXPECT_FALSE(m.PlaceDish(wide));
    Dish& tall = DishAt(2, 3, 0, 7);
    EXPECT_TRUE(m.PlaceDish(tall));
    EXPECT_EQ(m.GetDishPrice(tall), 30) << "priced as the 3x2 it is";
    EXPECT_EQ(tall.dishType, 1);
}

TEST_F(DishTest, RepairToolRelightsABrokenCellNotUnderADish)
{
    SetGrid(m, {"R123", "4012", "1234"});
    m.CellState[1][0] = -1;
    m.CellState[2][0] = -1;
    Topping* tool = m.PieceAt(0, 2);
    m.MouseMove(static_cast<int>(tool->x), static_cast<int>(tool->y));
    m.MouseDown(static_cast<int>(tool->x), static_cast<int>(tool->y), 1);
    EXPECT_TRUE(m.MarkerOn);
    EXPECT_TRUE(tool->removing);
    m.Dishes.push_back(std::make_unique<Dish>(0, 1));
    m.Dishes.back()->cooking = true;
    m.Dishes.back()->cells = {{2, 0}};
    EXPECT_FALSE(m.RepairCell(2, 0));
    EXPECT_EQ(m.CellState[2][0], -1);
    m.MouseDown(m.CellCenterX(1), m.CellCenterY(0), 1);
    EXPECT_EQ(m.CellState[1][0], 1);
    EXPECT_FALSE(m.MarkerOn);
}

TEST_F(DishTest, DishesMayTouchButNotOverlap)
{
    ASSERT_TRUE(m.PlaceDish(DishAt(2, 2, 0, 7)));
    EXPECT_TRUE(m.PlaceDish(DishAt(2, 2, 2, 7)));
    EXPECT_FALSE(m.PlaceDish(DishAt(2, 2, 1, 6)));
    EXPECT_TRUE(m.IsCellUnderDish(3, 6));
    EXPECT_FALSE(m.IsCellUnderDish(4, 6));
}

TEST_F(DishTest, PlacementSnapsToTheCells)
{
    Dish& d = DishAt(2, 2, 0, 7);
    d.x += 17;
    d.y -= 20;
    ASSERT_TRUE(m.PlaceDish(d));
    EXPECT_EQ(d.x, static_cast<float>(m.GridX + 49));
    EXPECT_EQ(d.y, static_cast<float>(m.GridY + 49));
    EXPECT_TRUE(d.cooking);
    EXPECT_EQ(d.cookLeft, 600);
    EXPECT_EQ(d.cells.size(), 4u);
    EXPECT_TRUE(d.FindPair(0, 7) && d.FindPair(1, 6));
}

TEST_F(DishTest, EveryPizzaAlreadyCookingPaysFiveOnPlacement)
{
    ASSERT_TRUE(m.PlaceDish(DishAt(2, 2, 0, 7)));
    EXPECT_EQ(m.DayProfit, 0);
    EXPECT_TRUE(m.Labels.empty());
    ASSERT_TRUE(m.PlaceDish(DishAt(2, 2, 2, 7)));
    ASSERT_TRUE(m.PlaceDish(DishAt(2, 2, 4, 7)));
    EXPECT_EQ(m.DayProfit, 5 + 10);
    ASSERT_EQ(m.Labels.size(), 6u);
    EXPECT_EQ(m.Labels[5]->text, "T6510") << "the money sign before the amount, as everywhere";
}

TEST_F(DishTest, CookedPizzaSwitchesItsBurnersOffAndGoesBackToTheShelf)
{
    Dish& d = DishAt(2, 2, 0, 7);
    d.shelfX = m.ShelfX;
    ASSERT_TRUE(m.PlaceDish(d));
    d.cookLeft = 2;
    f.Step();
    EXPECT_TRUE(d.cooking);
    f.Step();
    EXPECT_FALSE(d.cooking);
    EXPECT_TRUE(d.ready);
    EXPECT_EQ(m.CellState[0][7], 0);
    EXPECT_EQ(m.CellState[1][6], 0);
    EXPECT_EQ(m.CellState[2][7], 1);
    EXPECT_EQ(host.Count(BoardSound::PizzaReady), 1);
    EXPECT_EQ(d.moveFrames, static_cast<int>(Distance(d.x, d.y, 185.0f, 475.0f) * 100 / 1000));
}

TEST_F(DishTest, DishOnTheGridCooksOnlyInNormalLevelsOrAtTheEnd)
{
    for (int kind : {1, 3})
    {
        m.LevelKind = kind;
        m.LevelEnding = false;
        m.Dishes.clear();
        Dish& d = DishAt(2, 2, 0, 7);
        ASSERT_TRUE(m.PlaceDish(d));
        const int left = d.cookLeft;
        d.Update(m);
        EXPECT_EQ(d.cookLeft, left);
        m.LevelEnding = true;
        d.Update(m);
        EXPECT_EQ(d.cookLeft, left - 1);
    }
}

TEST_F(DishTest, ReadyPizzaPacksInFourStepsEverySixUpdates)
{
    Dish& d = DishAt(2, 2, 0, 7);
    d.ready = true;
    m.Persons.push_back(std::make_unique<Person>(0, 1));
    host.updateCount = 0;
    for (int i = 0; i < 24; ++i)
    {
        ++host.updateCount;
        d.Update(m);
        EXPECT_EQ(d.packStep, host.updateCount / 6) << host.updateCount;
    }
    EXPECT_TRUE(m.DeliveryPending);
    EXPECT_FALSE(m.Persons[0]->awaitingOrder);
}

TEST_F(DishTest, SlidesEndOnTheirLastFrame)
{
    for (int frames : {1, 2, 15})
    {
        Topping t;
        t.x = t.y = 0;
        t.MoveTo(frames, 0, 0, 30, 60);
        for (int i = 1; i < frames; ++i)
        {
            EXPECT_TRUE(t.StepSlide() == false);
        }
        if (frames > 1)
        {
            EXPECT_EQ(t.x, 30.0f) << "reached after frames - 1 steps";
        }
        EXPECT_TRUE(t.StepSlide());
        EXPECT_EQ(t.y, 60.0f);
        EXPECT_FALSE(t.IsSliding());
    }
    Dish d(0, 1);
    d.MoveTo(0, 0, 300, 0, 5, 1000);
    EXPECT_EQ(d.moveFrames, 30);
    d.MoveTo(0, 0, 300, 0, 5, -1);
    EXPECT_EQ(d.moveFrames, 5);
}

TEST_F(DishTest, FallingPieceAcceleratesAndLandsOnce)
{
    Topping* p = m.PieceAt(0, 0);
    const float rest = static_cast<float>(p->restY);
    p->y = rest - 2.0f;
    p->atRest = false;
    m.MatchPending = false;
    p->Update(m);
    EXPECT_FLOAT_EQ(p->y, rest - 2.0f + 0.12f);
    p->Update(m);
    EXPECT_FLOAT_EQ(p->y, rest - 2.0f + 0.36f);
    for (int i = 0; i < 10; ++i) p->Update(m);
    EXPECT_EQ(p->y, rest);
    EXPECT_TRUE(p->atRest);
    EXPECT_TRUE(m.MatchPending);
    m.MatchPending = false;
    p->Update(m);
    EXPECT_FALSE(m.MatchPending) << "a piece at rest asks for no second search";
}

TEST_F(DishTest, HitBoxes)
{
    Topping* p = m.PieceAt(0, 0);
    const int left = static_cast<int>(p->x - 24), top = static_cast<int>(p->y - 24);
    EXPECT_TRUE(p->HitTest(left, top));
    EXPECT_TRUE(p->HitTest(left + 47, top + 47));
    EXPECT_FALSE(p->HitTest(left + 48, top));
    EXPECT_FALSE(p->HitTest(left, top - 1));
    p->removing = true;
    EXPECT_FALSE(p->HitTest(left + 5, top + 5));
    Dish d(0, 1);
    d.width = d.height = 2;
    d.x = 185;
    d.y = 475;
    EXPECT_TRUE(d.HitTest(m, 185 + 47, 475));
    EXPECT_FALSE(d.HitTest(m, 185 + 50, 475));
    d.held = true;
    EXPECT_TRUE(d.HitTest(m, 185 + 48, 475)) << "a held pizza is hit by its footprint";
}

// Orders of two customers on neighbouring shelf rows: a click on either picks that customer's own pizza, whatever
// the two sizes, with the small pictures as large as the shipped ones.
TEST_F(DishTest, ShelfClickPicksTheOrderUnderTheMouse)
{
    const int sizes[8][4] = {{2, 2, 59, 59}, {3, 2, 87, 59}, {3, 3, 87, 87}, {4, 2, 96, 50},
                             {4, 3, 96, 73}, {4, 4, 96, 96}, {5, 3, 96, 59}, {5, 5, 96, 96}};
    for (const auto& z : sizes)
    {
        auto pic = std::make_unique<MemoryImage>();
        pic->Create(z[2], z[3]);
        m.SmallPizzaImages[static_cast<size_t>((z[0] - 2) * 4 + (z[1] - 2))] = std::move(pic);
    }
    const auto order = [&](int row, const int* z) -> Dish*
    {
        m.Dishes.push_back(std::make_unique<Dish>(row, row + 1));
        Dish& d = *m.Dishes.back();
        d.width = z[0];
        d.height = z[1];
        d.x = static_cast<float>(m.ShelfX);
        d.y = static_cast<float>(m.ShelfY - m.ShelfStep * row);
        d.shelfX = m.ShelfX;
        return &d;
    };
    for (const auto& lower : sizes)
        for (const auto& upper : sizes)
        {
            m.Dishes.clear();
            Dish* dishes[2] = {order(0, lower), order(1, upper)};
            for (Dish* own : dishes)
                for (const auto& [dx, dy] : {std::pair{0, 0}, {0, 40}, {0, -40}, {40, 0}, {-40, 0}, {30, 30}})
                {
                    const int x = static_cast<int>(own->x) + dx, y = static_cast<int>(own->y) + dy;
                    m.HoverDish = nullptr;
                    m.MouseMove(x, y);
                    EXPECT_EQ(m.HoverDish, own) << lower[0] << "x" << lower[1] << " under " << upper[0] << "x"
                                                << upper[1] << ", click at " << x << "," << y;
                }
        }
    // An extra item waiting off the grid is taken within the same circle, beyond its own small footprint.
    Dish item(0, 1);
    item.itemKind = 0;
    item.width = item.height = 1;
    item.x = 100;
    item.y = 100;
    EXPECT_TRUE(item.HitTest(m, 140, 100));
    EXPECT_FALSE(item.HitTest(m, 149, 100));
}

// Odd footprints have a whole-pixel half (rounded down): a pizza just fitting at either edge is taken, one pixel
// further is refused, the preview says the same, and the snapped centre is a whole pixel.
TEST_F(DishTest, OddAndEvenSizesPlaceOnWholePixels)
{
    const int s = m.CellSize;
    for (int w = 2; w <= 5; ++w)
        for (int h = 2; h <= 3; ++h)
        {
            const int half = w * s / 2;
            const int y = m.GridY + s + h * s / 2;
            const int leftMost = m.GridX - s / 2 + half;
            const int rightMost = m.GridX + m.Columns * s - 1 - s / 2 - (w - 1) * s + half;
            const struct
            {
                int x;
                bool placed;
                int snapped;
            } cases[] = {{leftMost, true, m.GridX + half},
                         {leftMost - 1, false, 0},
                         {rightMost, true, m.GridX + (m.Columns - w) * s + half},
                         {rightMost + 1, false, 0}};
            for (const auto& c : cases)
            {
                m.Dishes.clear();
                m.Dishes.push_back(std::make_unique<Dish>(0, 1));
                Dish& d = *m.Dishes.back();
                d.width = w;
                d.height = h;
                d.x = static_cast<float>(c.x);
                d.y = static_cast<float>(y);
                m.UpdateDishDropCells(d);
                const bool previewAll = static_cast<int>(d.cells.size()) == w * h;
                const bool placed = m.PlaceDish(d);
                EXPECT_EQ(placed, c.placed) << w << "x" << h << " at x " << c.x;
                EXPECT_EQ(previewAll, c.placed) << w << "x" << h << " preview at x " << c.x;
                if (placed)
                {
                    EXPECT_EQ(d.x, static_cast<float>(c.snapped)) << w << "x" << h << " at x " << c.x;
                    EXPECT_EQ(d.y, static_cast<float>(m.GridY + s + h * s / 2)) << w << "x" << h;
                }
            }
        }
}

TEST_F(DishTest, AkkumStartsOnlyWhenFullInNormalLevels)
{
    host.player.level = 10;
    m.AkkumEnableLevel = 6;
    m.AkkumChargeScale = 10;
    m.CellState[3][3] = 0;
    m.CellState[4][3] = -1;
    m.AkkumCharge = 9;
    EXPECT_FALSE(m.ClickAkkum(m.AkkumX + 5, m.AkkumY + 5));
    m.AkkumCharge = 10;
    m.LevelKind = 1;
    EXPECT_FALSE(m.ClickAkkum(m.AkkumX + 5, m.AkkumY + 5));
    m.LevelKind = 0;
    EXPECT_FALSE(m.ClickAkkum(m.AkkumX - 1, m.AkkumY + 5));
    ASSERT_TRUE(m.ClickAkkum(m.AkkumX + 5, m.AkkumY + 5));
    EXPECT_EQ(m.AkkumCharge, 0);
    EXPECT_EQ(m.CellState[3][3], 2);
    EXPECT_EQ(m.CellState[4][3], -1);
    EXPECT_EQ(m.AkkumFramesLeft, 500);
    EXPECT_EQ(host.Count(BoardSound::AkkumWorking), 1);
    m.StopAkkum();
    EXPECT_EQ(m.CellState[3][3], 0);
    EXPECT_EQ(m.CellState[2][3], 1);
}

TEST_F(DishTest, AkkumWithoutWorkTimeDataStillRunsOneSecond)
{
    m.AkkumWorkTimeUpgrades.clear();
    m.StartAkkum();
    EXPECT_EQ(m.AkkumFramesLeft, 100);
    f.Step(150);
    EXPECT_FALSE(m.AkkumRunning);
}

TEST_F(DishTest, ChargePieceFliesIntoTheAkkumAndHoldsAtTen)
{
    SetGrid(m, {"C1", "C2"});
    m.AkkumCharge = 9;
    m.TakeChargePiece(*m.PieceAt(0, 0));
    m.TakeChargePiece(*m.PieceAt(0, 1));
    EXPECT_EQ(m.AkkumCharge, 10);
    EXPECT_EQ(m.PieceAt(0, 0)->removalDelay, 30);
    EXPECT_EQ(m.PieceAt(0, 0)->moveFrames, 30);
    EXPECT_EQ(host.Count(BoardSound::TakeCharge), 2);
}

TEST_F(DishTest, CoffeeCup)
{
    host.player.level = 10;
    m.CoffeeEnableLevel = 4;
    m.CoffeeCapacity = 30;
    m.CoffeeFill = 29;
    EXPECT_FALSE(m.GiveCoffee(280, 470)) << "one piece short";
    m.CoffeeFill = 30;
    ASSERT_TRUE(m.GiveCoffee(280, 470));
    EXPECT_TRUE(m.CupDragged);
    EXPECT_TRUE(m.GiveCoffee(600, 100)) << "dropped beside every customer";
    EXPECT_FALSE(m.CupDragged);
    EXPECT_EQ(m.CoffeeFill, 30);
    ASSERT_TRUE(m.GiveCoffee(280, 470));
    m.Persons.push_back(std::make_unique<Person>(0, 1));
    m.Persons[0]->mood = 95;
    m.HoverPerson = m.Persons[0].get();
    EXPECT_TRUE(m.GiveCoffee(50, 300));
    EXPECT_EQ(m.Persons[0]->targetMood, 100.0f);
    EXPECT_EQ(m.CoffeeFill, 0);
    EXPECT_EQ(host.Count(BoardSound::GiveCoffee), 1);
}

TEST_F(DishTest, MoneyAndGoals)
{
    m.Goal = 100;
    m.ExpertGoal = 150;
    m.AddMoney(-30);
    EXPECT_EQ(m.DayProfit, 0);
    EXPECT_EQ(m.Score, -30);
    m.AddMoney(200);
    EXPECT_EQ(host.Count(BoardSound::ExpertGoal), 1);
    EXPECT_EQ(host.Count(BoardSound::MainGoal), 0) << "one amount across both goals celebrates the higher";
    m.AddMoney(-200);
    m.LevelKind = 3;
    m.AddMoney(120);
    EXPECT_EQ(host.Count(BoardSound::MainGoal), 0);
    m.LevelKind = 0;
    m.DayProfit = 99;
    m.AddMoney(1);
    EXPECT_EQ(host.Count(BoardSound::MainGoal), 1);
}

// The goal picture is centred on the field: after the burst of its effect, or at once and longer when the particle
// manager has no room for the effect.
TEST_F(DishTest, GoalPictureIsCentredOnTheField)
{
    const float cx = static_cast<float>(m.GridX + m.Columns * m.CellSize / 2);
    const float cy = static_cast<float>(m.GridY + m.Rows * m.CellSize / 2);
    const struct
    {
        int amount;
        bool full;
        BoardImage image;
        int life, delay;
    } cases[] = {{100, false, BoardImage::Goal, 50, 120},
                 {100, true, BoardImage::Goal, 170, 0},
                 {150, false, BoardImage::ExpertGoal, 50, 120},
                 {150, true, BoardImage::ExpertGoal, 170, 0}};
    for (const auto& c : cases)
    {
        m.Goal = 100;
        m.ExpertGoal = 150;
        m.DayProfit = 0;
        m.Labels.clear();
        f.effects.full = c.full;
        m.AddMoney(c.amount);
        ASSERT_EQ(m.Labels.size(), 1u);
        const FloatingLabel& l = *m.Labels[0];
        const BoardImageSize size = host.ImageSize(c.image);
        EXPECT_EQ(l.image, c.image);
        EXPECT_EQ(l.x, cx - static_cast<float>(size.width / 2)) << c.amount << (c.full ? " full" : "");
        EXPECT_EQ(l.y, cy - static_cast<float>(size.height / 2)) << c.amount << (c.full ? " full" : "");
        EXPECT_EQ(l.life, c.life) << c.amount << (c.full ? " full" : "");
        EXPECT_EQ(l.startDelay, c.delay) << c.amount << (c.full ? " full" : "");
    }
}

TEST_F(DishTest, ExtremeDataNeitherWrapsMoneyNorLeavesTheLamps)
{
    m.AddMoney(std::numeric_limits<int>::max());
    m.AddMoney(std::numeric_limits<int>::max());
    EXPECT_EQ(m.DayProfit, std::numeric_limits<int>::max());
    EXPECT_EQ(m.Score, std::numeric_limits<int>::max());
    m.AkkumChargeUpgrades[0].intValue = -50;
    m.StopAkkum();
    EXPECT_EQ(m.AkkumCharge, 10);
    m.AkkumChargeUpgrades[0].intValue = 99;
    m.StopAkkum();
    EXPECT_EQ(m.AkkumCharge, 0);
}

TEST_F(DishTest, WishMarkerBoxIsHalfOpen)
{
    host.player.level = 10;
    m.FoodEnableLevel = 3;
    m.Persons.push_back(std::make_unique<Person>(0, 4));
    Person& p = *m.Persons[0];
    p.slotY = 400;
    p.wish = 1;
    const struct
    {
        int x, y;
        bool hit;
    } cases[] = {{185 - 67, 475, true},  {185 - 33, 509, true}, {185 - 32, 480, false},
                 {185 - 68, 480, false}, {150, 474, false},     {150, 510, false}};
    for (const auto& c : cases)
    {
        p.wishUnderWay = false;
        m.HeldSlot = -1;
        m.DraggedDish = nullptr;
        m.Dishes.clear();
        EXPECT_EQ(m.ClickDish(c.x, c.y), c.hit) << c.x << "," << c.y;
    }
}

TEST_F(DishTest, WishedSnackTakenFromStockOrCarriedToTheField)
{
    host.player.level = 10;
    m.FoodEnableLevel = 3;
    m.Persons.push_back(std::make_unique<Person>(0, 4));
    Person& p = *m.Persons[0];
    p.slotY = 400;
    p.wish = 0;
    m.StockCount[0] = 1;
    ASSERT_TRUE(m.ClickDish(150, 480));
    EXPECT_EQ(m.StockCount[0], 0);
    ASSERT_EQ(m.Dishes.size(), 1u);
    EXPECT_TRUE(m.Dishes[0]->sent);
    f.Step(m.Dishes[0]->moveFrames);
    EXPECT_EQ(p.wish, -1);
    EXPECT_EQ(m.FoodServedCount, 1);
    EXPECT_EQ(m.DayProfit, 5) << "the food price of the first row";
    p.wish = 2;
    host.mouseX = m.CellCenterX(1); // the 3x1 item then covers columns 0..2 of the top row
    host.mouseY = m.CellCenterY(7);
    ASSERT_TRUE(m.ClickDish(150, 480));
    ASSERT_NE(m.DraggedDish, nullptr);
    EXPECT_EQ(m.HeldSlot, 2);
    EXPECT_EQ(m.DraggedDish->width, 3);
    ASSERT_TRUE(m.ClickDish(host.mouseX, host.mouseY));
    EXPECT_EQ(m.HeldSlot, -1);
    EXPECT_TRUE(m.Dishes.back()->cooking);
    EXPECT_EQ(m.Dishes.back()->cookLeft, 150);
    EXPECT_EQ(host.Count(BoardSound::PutPizza), 1);
}

} // namespace
} // namespace Zest::Testing
