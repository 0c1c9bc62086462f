// The topping grid: geometry, swaps and swap-back, runs and their removal, specials, refill and the move search.
#include <gtest/gtest.h>

#include "BoardTestHost.h"

namespace Zest::Testing
{
namespace
{

using Grid = std::vector<std::string>;

struct GridTest : ::testing::Test
{
    BoardFixture f;
    BoardModel& m = f.model;
    RecordingHost& host = f.host;

    void SetUp() override
    {
        m.WaitFirstPerson = 1000000; // no customers unless a test wants them
        m.LightWeight = 0;
        m.BreakPlate = 0;
        m.FreezeCountdown = 0;
    }
    // Selects b, then swaps it with a (the hover piece), as two clicks would.
    bool Swap(int ac, int ar, int bc, int br)
    {
        m.SelectedPiece = m.PieceAt(bc, br);
        m.HoverPiece = m.PieceAt(ac, ar);
        return m.TrySwap();
    }
};

TEST_F(GridTest, CellCentresFollowTheColumnCount)
{
    const struct
    {
        int columns, leftX;
    } cases[] = {{8, 334}, {9, 309}, {10, 284}};
    for (const auto& c : cases)
    {
        SetGrid(m, Grid(8, std::string(c.columns, '0')));
        EXPECT_EQ(m.CellCenterX(0), c.leftX) << c.columns;
        EXPECT_EQ(m.CellCenterY(0), 417);
        EXPECT_EQ(m.PieceAt(0, 0)->restY, 417);
    }
}

TEST_F(GridTest, ResetLevelFillsEveryCellWithKindsInRange)
{
    m.Columns = 8;
    m.Rows = 8;
    m.GridX = 310;
    m.TipsCount = 4;
    m.ResetLevel();
    ASSERT_EQ(m.Grid.size(), 8u);
    for (int c = 0; c < 8; ++c)
    {
        ASSERT_EQ(m.Grid[c].size(), 8u);
        for (int r = 0; r < 8; ++r)
        {
            const Topping& p = *m.PieceAt(c, r);
            EXPECT_GE(p.kind, 0);
            EXPECT_LT(p.kind, 4);
            EXPECT_EQ(p.x, 49.0f * c + 24 + 310);
            EXPECT_EQ(p.y, (8 - r - 1) * 49.0f + 24 + 50);
        }
    }
    m.ClearLists();
    EXPECT_TRUE(m.Grid.empty());
    EXPECT_EQ(m.SpawnCounter, 500);
}

TEST_F(GridTest, TipsCountOutsideTheImageRangeStillDrawsValidKinds)
{
    for (int tips : {0, -3, 9})
    {
        m.TipsCount = tips;
        m.ResetLevel();
        EXPECT_EQ(m.TipsCount, tips);
        for (auto& col : m.Grid)
            for (auto& p : col)
            {
                EXPECT_GE(p->kind, 0);
                EXPECT_LT(p->kind, 6);
            }
    }
}

TEST_F(GridTest, NonNeighbourClickMovesTheSelection)
{
    SetGrid(m, {"01234567", "12345670", "23456701"});
    for (auto [c, r] : {std::pair{2, 0}, std::pair{1, 1}})
    {
        EXPECT_FALSE(Swap(c, r, 0, 0));
        EXPECT_EQ(m.SelectedPiece, m.PieceAt(c, r));
        EXPECT_EQ(m.SwapFirst.piece, nullptr);
    }
    EXPECT_EQ(host.Count(BoardSound::Move), 0);
}

TEST_F(GridTest, SwapWithoutRunSlidesBackOverFifteenUpdates)
{
    SetGrid(m, {"01234567", "12345670", "23456701"});
    const Grid before = GridText(m);
    Topping* a = m.PieceAt(1, 0);
    Topping* b = m.PieceAt(0, 0);
    ASSERT_TRUE(Swap(1, 0, 0, 0));
    EXPECT_EQ(m.PieceAt(0, 0), a);
    f.Step(14);
    EXPECT_TRUE(a->IsSliding());
    const int idle = m.IdleFrames;
    f.Step(); // the slide ends, the check fails and the pair starts back in this same update
    EXPECT_EQ(m.IdleFrames, idle) << "the rest of that update is skipped";
    EXPECT_EQ(m.SwapFirst.piece, nullptr);
    EXPECT_EQ(m.PieceAt(0, 0), b);
    EXPECT_EQ(b->column, 0);
    EXPECT_EQ(a->column, 1);
    f.Step(15);
    EXPECT_FALSE(a->IsSliding());
    EXPECT_EQ(a->x, static_cast<float>(m.CellCenterX(1)));
    EXPECT_EQ(GridText(m), before);
    EXPECT_EQ(host.Count(BoardSound::Move), 2);
}

TEST_F(GridTest, RunThroughTheSelectedPieceOnlyHorizontallyStands)
{
    SetGrid(m, {"2323", "1011"});
    ASSERT_TRUE(Swap(1, 0, 0, 0)); // A = the 0 at column 1, B = the 1 at column 0
    f.Step(15);
    EXPECT_EQ(host.Count(BoardSound::Move), 1);
    EXPECT_EQ(m.SwapFirst.piece, nullptr);
    f.Step();
    EXPECT_EQ(GridText(m)[1], "0...");
}

TEST_F(GridTest, MovingPairCannotBeSwappedAgain)
{
    SetGrid(m, {"2323", "1011"});
    ASSERT_TRUE(Swap(1, 0, 0, 0));
    f.Step(3);
    EXPECT_FALSE(Swap(1, 0, 0, 0));
    EXPECT_FALSE(Swap(2, 0, 1, 0));
    EXPECT_EQ(host.Count(BoardSound::Move), 1);
}

TEST_F(GridTest, FindingsPerRunLength)
{
    const struct
    {
        Grid grid;
        int findings;
        int labels;
    } cases[] = {
        {{"3", "1", "1", "1"}, 1, 0},
        {{"1", "1", "1", "1"}, 2, 2},
        {{"1", "1", "1", "1", "1"}, 3, 2},
        {{"11111"}, 3, 2},
    };
    for (const auto& c : cases)
    {
        SetGrid(m, c.grid);
        m.ChainCount = 0;
        m.Labels.clear();
        EXPECT_TRUE(m.FindMatches());
        EXPECT_EQ(m.ChainCount, c.findings);
        EXPECT_EQ(static_cast<int>(m.Labels.size()), c.labels);
    }
    // A level-3 player's run of five leaves an ice cream behind at its centre.
    EXPECT_TRUE(m.PendingIceCream);
}

TEST_F(GridTest, ChainPaysOneLessThanItsFindingsWhenTheSearchComesUpEmpty)
{
    SetGrid(m, {"1", "1", "1", "1"});
    ASSERT_TRUE(m.FindMatches());
    EXPECT_EQ(m.Labels[1]->text, "T651");
    EXPECT_EQ(m.DayProfit, 0);
    SetGrid(m, {"1", "2", "1", "2"});
    EXPECT_FALSE(m.FindMatches());
    EXPECT_EQ(m.DayProfit, 1);
    EXPECT_EQ(m.ChainCount, 0);
}

TEST_F(GridTest, CrossingRunsGiveTheSharedPieceTheLongerLength)
{
    SetGrid(m, {"1000", "1000", "1111"});
    ASSERT_TRUE(m.FindMatches());
    EXPECT_EQ(m.PieceAt(0, 0)->runLength, 4);
    EXPECT_EQ(m.PieceAt(0, 2)->runLength, 3);
    EXPECT_EQ(m.PieceAt(0, 0)->lightningDirection, 1) << "the horizontal run of four starts at the corner";
}

TEST_F(GridTest, ExcludedPiecesBreakRunsAndIceCreamsMakeThem)
{
    const struct
    {
        const char* row;
        bool run;
    } cases[] = {{"1B1", false}, {"1C1", false}, {"1R1", false}, {"III", true}, {"BBB", false}, {"111", true}};
    for (const auto& c : cases)
    {
        SetGrid(m, {c.row});
        EXPECT_EQ(m.FindMatches(), c.run) << c.row;
        m.ChainCount = 0;
    }
}

TEST_F(GridTest, BurnersLightBreakOrStayBroken)
{
    SetGrid(m, {"2", "1", "1", "1"});
    m.CellState[0][1] = -1;
    m.FindMatches();
    EXPECT_EQ(m.CellState[0][0], 1);
    EXPECT_EQ(m.CellState[0][1], -1);
    EXPECT_EQ(m.CellState[0][2], 1);
    EXPECT_EQ(m.CellState[0][3], 0);
    SetGrid(m, {"111"});
    m.BreakPlate = 1000;
    m.FindMatches();
    EXPECT_EQ(m.CellState[0][0], -1);
    EXPECT_EQ(m.CellState[2][0], -1);
}

TEST_F(GridTest, SettlingRemovesSilentlyButStillLightsAndPays)
{
    SetGrid(m, {"1", "1", "1", "1"});
    m.Settling = true;
    ASSERT_TRUE(m.FindMatches());
    EXPECT_TRUE(m.Labels.empty());
    EXPECT_EQ(m.PieceAt(0, 0)->removalDelay, 0);
    EXPECT_EQ(m.PieceAt(0, 0)->lightningDirection, 0);
    EXPECT_EQ(m.CellState[0][3], 1);
    EXPECT_TRUE(f.effects.spawned.empty());
    m.UpdateGrid();
    EXPECT_TRUE(host.sounds.empty());
    EXPECT_EQ(m.Grid[0].size(), 4u);
    SetGrid(m, {"1", "2", "1", "2"});
    m.FindMatches();
    EXPECT_EQ(m.DayProfit, 1);
    m.Settling = false;
}

TEST_F(GridTest, DeletionsWaitWhileASwapIsRecorded)
{
    SetGrid(m, {"2", "1", "1", "1"});
    m.FindMatches();
    for (auto& p : m.Grid[0]) p->removalDelay = 0;
    m.SwapFirst.piece = m.PieceAt(0, 3);
    m.SwapSecond.piece = m.PieceAt(0, 3);
    m.UpdateGrid();
    EXPECT_EQ(GridText(m), (Grid{"2", ".", ".", "."}));
    m.SwapFirst.piece = m.SwapSecond.piece = nullptr;
    m.UpdateGrid();
    EXPECT_EQ(m.Grid[0].size(), 4u);
    EXPECT_EQ(m.PieceAt(0, 0)->kind, 2) << "the survivor drops to the bottom";
}

TEST_F(GridTest, RunOfFourFiresItsLineFiftyUpdatesLaterAboveLevelThree)
{
    host.player.level = 4;
    SetGrid(m, {"23230", "04041", "14041", "20401", "34041"});
    m.MatchPending = true;
    f.Step();
    ASSERT_EQ(m.ChainCount, 2);
    EXPECT_EQ(m.PieceAt(4, 0)->lightningDirection, -1);
    f.Step(49);
    EXPECT_EQ(host.Count(BoardSound::Lighting), 0);
    f.Step();
    EXPECT_EQ(host.Count(BoardSound::Lighting), 1);
    EXPECT_EQ(host.Count(BoardSound::Match4), 1);
    for (int r = 0; r < 5; ++r) EXPECT_GE(m.CellState[4][r], 1) << r;
    // Both findings of the run of four start on a piece of length 4, so the column fires twice: two strokes per cell.
    EXPECT_EQ(f.effects.Count(BoardEffect::Electro1), 2 * 2 * 5);
}

TEST_F(GridTest, SwapWhosePieceIsTakenMidSlideIsDropped)
{
    SetGrid(m, {"01234567", "12345670", "23456701"});
    Topping* a = m.PieceAt(1, 0);
    ASSERT_TRUE(Swap(1, 0, 0, 0));
    f.Step(5);
    a->removing = true; // a lightning with its delay run out
    a->removalDelay = 0;
    f.Step();
    EXPECT_EQ(m.SwapFirst.piece, nullptr);
    EXPECT_EQ(m.Grid[0].size(), 3u);
    for (int c = 0; c < 8; ++c)
        for (int r = 0; r < 3; ++r) EXPECT_FALSE(m.PieceAt(c, r) == a);
    f.Settle();
    EXPECT_TRUE(m.IsGridIdle()) << "the grid comes to rest again";
}

TEST_F(GridTest, LightningCarrierFiresItsRowAndColumn)
{
    SetGrid(m, {"0123", "4012", "a234", "3401"});
    Topping* top = m.PieceAt(0, 3);
    Topping* beside = m.PieceAt(1, 3);
    Topping* row[3] = {m.PieceAt(1, 1), m.PieceAt(2, 1), m.PieceAt(3, 1)};
    m.PieceAt(0, 1)->removing = true;
    m.PieceAt(0, 1)->removalDelay = 0;
    m.UpdateGrid();
    for (int c = 1; c < 4; ++c)
    {
        EXPECT_TRUE(row[c - 1]->removing);
        EXPECT_EQ(row[c - 1]->removalDelay, 25);
        EXPECT_EQ(m.CellState[c][1], 1);
    }
    EXPECT_TRUE(top->removing);
    EXPECT_FALSE(beside->removing);
    EXPECT_EQ(m.Grid[0].size(), 4u) << "the carrier itself is gone and replaced";
    EXPECT_EQ(host.Count(BoardSound::Lighting), 1);
}

TEST_F(GridTest, BombClearsTwoCellsAround)
{
    SetGrid(m, {"01234", "12340", "23B01", "34012", "40123"});
    m.CellState[0][2] = -1;
    Topping* bomb = m.PieceAt(2, 2);
    Topping* left = m.PieceAt(0, 2);
    Topping* top = m.PieceAt(2, 4);
    Topping* diagonal = m.PieceAt(1, 1);
    Topping* corner = m.PieceAt(0, 0);
    bomb->removing = true;
    bomb->removalDelay = 0;
    m.UpdateGrid();
    EXPECT_TRUE(left->removing);
    EXPECT_TRUE(top->removing);
    EXPECT_TRUE(diagonal->removing);
    EXPECT_FALSE(corner->removing) << "the corner lies beyond two and a half cells";
    EXPECT_EQ(m.CellState[0][2], -1);
    EXPECT_EQ(m.CellState[2][2], 1);
    EXPECT_EQ(host.Count(BoardSound::Bomb), 1);
}

TEST_F(GridTest, IceCreamAndBombAppearWhereTheRunEnded)
{
    host.player.level = 3;
    SetGrid(m, {"0", "1", "1", "1", "1", "1", "2"});
    ASSERT_TRUE(m.FindMatches());
    ASSERT_TRUE(m.PendingIceCream);
    SetGrid(m, {"0", "2", "3", "4", "1", "2", "3"});
    m.FindMatches();
    EXPECT_TRUE(m.PieceAt(0, 3)->isIceCream) << GridText(m)[3];
    EXPECT_EQ(host.Count(BoardSound::AppearIceCream), 1);
    m.RememberedChain = 5;
    m.RememberedChainX = m.CellCenterX(0);
    m.RememberedChainY = m.CellCenterY(1);
    SetGrid(m, {"0", "2", "3", "4", "1", "2", "3"});
    m.FindMatches();
    EXPECT_EQ(m.PieceAt(0, 1)->bomb, 2);
    EXPECT_EQ(m.RememberedChain, 0);
}

TEST_F(GridTest, RunSoundByLengthAndLevel)
{
    const struct
    {
        int level;
        Grid grid;
        BoardSound sound;
    } cases[] = {
        {3, {"11111"}, BoardSound::Match},
        {4, {"1111"}, BoardSound::Match4},
        {5, {"11111"}, BoardSound::Match5},
        {5, {"111"}, BoardSound::Match},
    };
    for (const auto& c : cases)
    {
        host.player.level = c.level;
        host.sounds.clear();
        m.PendingIceCream = false;
        SetGrid(m, c.grid);
        m.FindMatches();
        for (auto& col : m.Grid)
            for (auto& p : col) p->removalDelay = 0, p->lightningDirection = 0;
        m.UpdateGrid();
        EXPECT_EQ(host.Count(c.sound), 1) << c.level << " " << c.grid[0];
    }
}

TEST_F(GridTest, RefillDrawsTheLightningChanceBeforeTheKind)
{
    for (int weight : {0, 1000})
    {
        SetGrid(m, {"2", "1", "1", "1"});
        m.LightWeight = weight;
        m.Settling = true;
        m.FindMatches();
        m.Settling = false;
        SeedRandom(77);
        MersenneRandom expected(77);
        m.UpdateGrid();
        const Topping& newest = *m.PieceAt(0, 3);
        const uint32_t chance = expected.Next() % 1000;
        EXPECT_EQ(newest.carriesLightning, static_cast<int>(chance) < weight);
        const Topping& first = *m.PieceAt(0, 1);
        EXPECT_EQ(first.kind, static_cast<int>(expected.Next() % 5));
        EXPECT_EQ(first.y, static_cast<float>(m.GridY - 49 + 24));
        EXPECT_EQ(first.restY, m.CellCenterY(1));
    }
}

TEST_F(GridTest, ChargePieceAndRepairToolComeFromTheirCounters)
{
    host.player.level = 10;
    m.AkkumEnableLevel = 6;
    m.AkkumCharge = 0;
    m.AkkumChargeScale = 10;
    m.ChargePieceCounter = 30;
    m.RepairCounter = 60;
    SetGrid(m, {"0123", "4012", "1111"});
    m.CellState[3][2] = -1;
    m.FindMatches();
    for (auto& p : m.Grid) p[0]->removalDelay = 0;
    m.UpdateGrid();
    int charges = 0, tools = 0;
    for (auto& col : m.Grid)
        for (auto& p : col) charges += p->isAkkumCharge, tools += p->isRepairTool;
    EXPECT_EQ(charges, 1);
    EXPECT_EQ(tools, 1);
    // The first deleted piece passes each interval; the other three count on from 0.
    EXPECT_EQ(m.ChargePieceCounter, 3);
    EXPECT_EQ(m.RepairCounter, 3);
}

TEST_F(GridTest, CoffeeFillsOncePerPieceAndAnnouncesOnce)
{
    host.player.level = 10;
    m.CoffeeEnableLevel = 4;
    m.CoffeeCapacity = 4;
    m.CoffeeFill = 2;
    for (int round = 0; round < 2; ++round)
    {
        SetGrid(m, {"0123", "4012", "1111"});
        m.FindMatches();
        for (auto& p : m.Grid) p[0]->removalDelay = 0;
        m.UpdateGrid();
    }
    EXPECT_EQ(m.CoffeeFill, 4);
    EXPECT_EQ(host.Count(BoardSound::CoffeeReady), 1);
    m.CoffeeCapacity = 0;
    m.CoffeeFill = 0;
    m.CoffeeReadyAnnounced = 0;
    SetGrid(m, {"0123", "4012", "1111"});
    m.FindMatches();
    for (auto& p : m.Grid) p[0]->removalDelay = 0;
    m.UpdateGrid();
    EXPECT_EQ(host.Count(BoardSound::CoffeeReady), 1) << "a machine without capacity is never ready";
}

// The move search and its hint piece.
TEST_F(GridTest, MoveSearchFindsTheFirstMoveInScanOrder)
{
    const struct
    {
        Grid grid;
        bool move;
        int column, row, dx, dy;
    } cases[] = {
        {{"2323", "1011"}, true, 0, 0, 1, 0},       // along the row
        {{"010", "101", "232"}, true, 1, 1, 0, -1}, // T shape: the middle piece moves up between two 0s
        {{"1", "3", "1", "1"}, true, 0, 3, 0, 1},   // the top piece moves down onto a column of two
    };
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        const auto& c = cases[i];
        SetGrid(m, c.grid);
        m.HintPiece = nullptr;
        EXPECT_EQ(m.HasMove(), c.move) << i;
        ASSERT_NE(m.HintPiece, nullptr) << i;
        EXPECT_EQ(m.HintPiece, m.PieceAt(c.column, c.row)) << i;
        EXPECT_EQ(m.HintPiece->hintDx, c.dx) << i;
        EXPECT_EQ(m.HintPiece->hintDy, c.dy) << i;
    }
    // L shape: a piece moving right meets one kind in its new column above and below.
    SetGrid(m, {"01", "12", "01"});
    EXPECT_TRUE(m.HasMove());
    EXPECT_EQ(m.HintPiece, m.PieceAt(0, 1));
    EXPECT_EQ(m.HintPiece->hintDx, 1);
}

TEST_F(GridTest, MoveUnderADishGivesNoHintButCountsAsAMove)
{
    SetGrid(m, {"2323", "1011"});
    m.Dishes.push_back(std::make_unique<Dish>(0, 1));
    m.Dishes.back()->cooking = true;
    m.Dishes.back()->cells = {{1, 0}};
    EXPECT_TRUE(m.HasMove());
    EXPECT_EQ(m.HintPiece, nullptr);
}

// Every hint the search gives is a real move, and a grid it calls stuck has no swap that makes a run.
TEST_F(GridTest, MoveSearchAgreesWithTryingEverySwap)
{
    const auto anySwapMakesRun = [&]
    {
        for (int c = 0; c < m.Columns; ++c)
            for (int r = 0; r < m.Rows; ++r)
                for (auto [dc, dr] : {std::pair{1, 0}, std::pair{0, 1}})
                {
                    if (c + dc >= m.Columns || r + dr >= m.Rows) continue;
                    auto& a = m.Grid[c][r];
                    auto& b = m.Grid[c + dc][r + dr];
                    if (a->kind == b->kind) continue;
                    std::swap(a, b);
                    m.RenumberGrid();
                    const bool run = m.HasRunThrough(a.get()) || m.HasRunThrough(b.get());
                    std::swap(a, b);
                    m.RenumberGrid();
                    if (run) return true;
                }
        return false;
    };
    int stuck = 0;
    for (uint32_t seed = 1; seed <= 150; ++seed)
    {
        SeedRandom(seed);
        m.Columns = 8;
        m.Rows = 8;
        m.GridX = 310;
        m.TipsCount = 6;
        m.ResetLevel();
        m.SettleGrid();
        const bool brute = anySwapMakesRun();
        m.HintPiece = nullptr;
        ASSERT_EQ(m.HasMove(), brute) << seed;
        if (!brute)
        {
            ++stuck;
            continue;
        }
        Topping* p = m.HintPiece;
        ASSERT_NE(p, nullptr);
        m.SelectedPiece = p;
        m.HoverPiece = m.PieceAt(p->column + p->hintDx, p->row - p->hintDy);
        ASSERT_TRUE(m.TrySwap());
        ASSERT_TRUE(m.CheckSwap()) << seed;
        m.SwapFirst.piece = m.SwapSecond.piece = nullptr;
    }
    SUCCEED() << stuck << " stuck grids";
}

TEST_F(GridTest, StuckGridIsRebuiltAfterItsIdleTime)
{
    const struct
    {
        int level, threshold;
    } cases[] = {{1, 600}, {5, 800}};
    for (const auto& c : cases)
    {
        host.player.level = c.level;
        Grid stuck;
        for (int r = 7; r >= 0; --r)
        {
            std::string row;
            for (int col = 0; col < 8; ++col) row += static_cast<char>('0' + (col + 3 * r) % 10);
            stuck.push_back(row);
        }
        SetGrid(m, stuck);
        ASSERT_FALSE(m.HasMove());
        m.Persons.push_back(std::make_unique<Person>(0, 1));
        m.Dishes.push_back(std::make_unique<Dish>(0, 1));
        m.IdleFrames = c.threshold - 1;
        f.Step();
        EXPECT_EQ(GridText(m), stuck) << "not yet at " << c.threshold;
        f.Step();
        EXPECT_NE(GridText(m), stuck);
        EXPECT_EQ(m.IdleFrames, 0);
        EXPECT_TRUE(m.Dishes.empty());
        EXPECT_TRUE(m.Persons.empty() || m.Persons[0]->id != 1);
        EXPECT_EQ(m.AkkumChargeScale, 40);
        EXPECT_EQ(m.AkkumCharge, 0);
        for (auto& col : m.Grid)
            for (auto& p : col) EXPECT_LT(p->kind, 5);
    }
}

TEST_F(GridTest, OtherLevelKindsNeverSearchForMoves)
{
    for (int kind : {1, 3})
    {
        SetGrid(m, {"2323", "1011"});
        m.LevelKind = kind;
        m.IdleFrames = 5000;
        f.Step();
        EXPECT_EQ(m.HintPiece, nullptr);
        EXPECT_EQ(GridText(m)[1], "1011");
    }
}

TEST_F(GridTest, SettleGridStopsOnAGridThatNeverSettles)
{
    m.Columns = 8;
    m.Rows = 8;
    m.TipsCount = 1; // every refill makes new runs
    m.ResetLevel();
    m.SettleGrid();
    EXPECT_FALSE(m.Settling);
    for (auto& col : m.Grid) EXPECT_EQ(col.size(), 8u);
}

} // namespace
} // namespace Zest::Testing
