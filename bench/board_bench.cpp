// The board rules against the 10 ms update budget: one busy update (all ten columns cascading, four customers,
// four pizzas, the Akkum at work), the run search and the move search on a 10x8 grid. No library does this job,
// so the figures are printed against the budget instead of an anchor.
#include "BenchRatio.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "base/Random.h"
#include "game/board/BoardModel.h"
#include "game/board/QuietBoardHost.h"

namespace
{

using namespace Zest;

struct BenchHost : QuietBoardHost
{
    BenchHost()
    {
        player.level = 12;
        musicPlaying = true;
    }
};

// A normal level in full swing, built without data files: the tables the rules read are filled in here.
struct BusyBoard
{
    BenchHost host;
    BoardModel model{host};

    BusyBoard()
    {
        SeedRandom(2026);
        BoardModel& m = model;
        m.LevelFolder = "/nonexistent/";
        m.CharacterFolder = "/nonexistent/";
        m.Init();
        for (auto& def : m.Characters)
        {
            def->imageNames = {"a", "b"};
            def->animes = {{{0, 10, 0, 0}, {1, 10, 0, 0}}, {{0, 8, 0, 0}}, {{1, 10, 0, 0}, {0, 10, 0, 0}}};
        }
        m.DishTypes = {{2, 2, 0, 20, 600, ""}, {3, 2, 0, 30, 700, ""}, {3, 3, 0, 40, 800, ""}};
        m.CoffeeCapacityUpgrades[0].intValue = 1000;
        m.AkkumWorkTimeUpgrades[0].intValue = 10;
        m.AkkumChargeUpgrades[0].intValue = 3;
        m.Columns = 10;
        m.GridX = 260;
        m.PersonWeights[0] = m.PersonWeights[1] = 10;
        m.LightWeight = 100;
        m.BreakPlate = 0;
        m.ResetLevel();
        m.SettleGrid();
        for (int i = 0; i < 4; ++i)
        {
            m.SpawnPerson();
            for (auto& p : m.Persons) p->slotY = (4 - p->queueIndex) * 100;
        }
        for (int c = 0; c < 10; ++c)
            for (int r = 0; r < 8; ++r) m.CellState[c][r] = 1;
        for (size_t i = 0; i < m.Dishes.size() && i < 2; ++i)
        {
            Dish& d = *m.Dishes[i];
            d.width = d.height = 2;
            d.x = static_cast<float>(m.GridX + 49 * (1 + 3 * i));
            d.y = static_cast<float>(m.GridY + 49);
            m.PlaceDish(d);
        }
        m.StartAkkum();
        m.FoodWantsTimeCheck = 1000000;
    }

    // Keeps the scene busy: every column loses its bottom piece and refills from the top.
    void Rearm()
    {
        BoardModel& m = model;
        if (host.count % 8 == 0)
            for (auto& col : m.Grid)
                if (!col.empty() && !col[0]->removing)
                {
                    col[0]->removing = true;
                    col[0]->removalDelay = 0;
                    col[0]->runLength = 3;
                }
        for (auto& p : m.Persons) p->mood = 100, p->gone = false;
        for (auto& d : m.Dishes)
            if (d->cooking) d->cookLeft = 500;
        m.TimeLeft = 100;
        m.AkkumFramesLeft = 900;
        m.SpawnCounter = 0;
        m.HintId = -1;
    }
};

void BM_BoardUpdateBusy(benchmark::State& state)
{
    BusyBoard board;
    for (auto _ : state)
    {
        board.Rearm();
        ++board.host.count;
        board.model.Update();
    }
    state.counters["pieces"] = static_cast<double>(board.model.Grid.size() * 8);
    state.counters["customers"] = static_cast<double>(board.model.Persons.size());
}
BENCHMARK(BM_BoardUpdateBusy);

void BM_FindMatches(benchmark::State& state)
{
    BusyBoard board;
    for (auto _ : state) benchmark::DoNotOptimize(board.model.FindMatches());
}
BENCHMARK(BM_FindMatches);

void BM_HasMove(benchmark::State& state)
{
    BusyBoard board;
    BoardModel& m = board.model;
    if (state.range(0) == 1)
    {
        // A grid with no move at all: the search walks every piece and every direction.
        for (int c = 0; c < 10; ++c)
            for (int r = 0; r < 8; ++r) m.Grid[c][r]->kind = (c + 3 * r) % 10;
    }
    for (auto _ : state) benchmark::DoNotOptimize(m.HasMove());
}
BENCHMARK(BM_HasMove)->Arg(0)->Arg(1);

class BudgetReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                times_[run.benchmark_name()] = run.GetAdjustedCPUTime() * 1e-9; // ns table units
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto it = times_.find("BM_BoardUpdateBusy");
        if (it != times_.end())
            std::printf("busy update: %.4f ms of the 10 ms update budget (%.2f%%; goal below 0.5 ms)\n",
                        it->second * 1e3, it->second / 0.010 * 100.0);
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv)
{
    BenchRatio::SettleAllocator();
    benchmark::Initialize(&argc, argv);
    BudgetReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
