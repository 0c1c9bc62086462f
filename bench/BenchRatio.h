// The reporting every benchmark shares: the usual table, then our processor time over a well-known library's for
// each pair (processor time, not wall time: the machine is shared, and a busy neighbour must not move a ratio).
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

class Reporter : public benchmark::ConsoleReporter
{
public:
    explicit Reporter(std::vector<Pair> pairs) : mPairs(std::move(pairs)) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                mTimes[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const Pair& pair : mPairs)
        {
            const auto ours = mTimes.find(pair.ours), anchor = mTimes.find(pair.anchor);
            if (ours == mTimes.end() || anchor == mTimes.end() || anchor->second <= 0) continue;
            std::printf("%-44s %12.3f vs %12.3f (cpu time, table units)   ratio %.2f\n", pair.label.c_str(),
                        ours->second, anchor->second, ours->second / anchor->second);
        }
    }

private:
    std::vector<Pair> mPairs;
    std::map<std::string, double> mTimes;
};

// Runs every registered benchmark and prints the ratios. `prepare` runs first (checks that ours and the anchor
// agree, fixtures that must exist before timing); when it answers false nothing is timed and the run fails.
inline int Run(int argc, char** argv, std::vector<Pair> pairs, const std::function<bool()>& prepare = nullptr)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (prepare && !prepare()) return 1;
    Reporter reporter(std::move(pairs));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace BenchRatio
