// The reporting every benchmark shares: the usual table, then our time over a well-known library's for each pair.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace BenchRatio
{

// One comparison: our benchmark and the anchor's, by their full names ("BM_Name" or "BM_Name/arg").
struct Pair
{
    std::string label;
    std::string ours;
    std::string anchor;
};

// Processor time is steadier on a busy machine; wall time is the honest figure for work that waits on memory.
enum class Clock
{
    Cpu,
    Real
};

class Reporter : public benchmark::ConsoleReporter
{
public:
    Reporter(std::vector<Pair> pairs, Clock clock) : mPairs(std::move(pairs)), mClock(clock) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                mTimes[run.benchmark_name()] =
                    mClock == Clock::Cpu ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const Pair& pair : mPairs)
        {
            const auto ours = mTimes.find(pair.ours), anchor = mTimes.find(pair.anchor);
            if (ours == mTimes.end() || anchor == mTimes.end() || anchor->second <= 0) continue;
            std::printf("%-32s %12.3f vs %12.3f (%s time, table units)   ratio %.2f\n", pair.label.c_str(),
                        ours->second, anchor->second, mClock == Clock::Cpu ? "cpu" : "real",
                        ours->second / anchor->second);
        }
    }

private:
    std::vector<Pair> mPairs;
    Clock mClock;
    std::map<std::string, double> mTimes;
};

// Runs every registered benchmark and prints the ratios. `prepare` runs first (checks that ours and the anchor
// agree, fixtures that must exist before timing); when it answers false nothing is timed and the run fails.
inline int Run(int argc, char** argv, std::vector<Pair> pairs, Clock clock,
               const std::function<bool()>& prepare = nullptr)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (prepare && !prepare()) return 1;
    Reporter reporter(std::move(pairs), clock);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace BenchRatio
