// The reporting every benchmark shares: the usual table, then our processor time over a well-known library's for
// each pair (processor time, not wall time: the machine is shared, and a busy neighbour must not move a ratio).
#pragma once

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace BenchRatio
{

// One comparison: our benchmark and the anchor's, by their full names ("BM_Name" or "BM_Name/arg"). A pair whose
// two sides do not do the same work with the same result carries a note instead: both figures are printed with it,
// and no ratio.
struct Pair
{
    std::string label;
    std::string ours;
    std::string anchor;
    std::string note = {};
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
                mTimes[run.benchmark_name()].push_back(run.GetAdjustedCPUTime());
    }

    // With --benchmark_repetitions=N --benchmark_enable_random_interleaving=true the two sides of a pair run in
    // interleaved rounds; each figure is then the median of its rounds, so one busy moment moves neither.
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const Pair& pair : mPairs)
        {
            const auto ours = mTimes.find(pair.ours), anchor = mTimes.find(pair.anchor);
            if (ours == mTimes.end() || anchor == mTimes.end()) continue;
            const double a = Median(ours->second), b = Median(anchor->second);
            if (!pair.note.empty())
                std::printf("%-44s %12.3f vs %12.3f (cpu time, table units)   no ratio: %s\n", pair.label.c_str(), a, b,
                            pair.note.c_str());
            else if (b > 0)
                std::printf("%-44s %12.3f vs %12.3f (cpu time, table units)   ratio %.2f (%zu rounds)\n",
                            pair.label.c_str(), a, b, a / b, std::min(ours->second.size(), anchor->second.size()));
        }
    }

private:
    static double Median(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }

    std::vector<Pair> mPairs;
    std::map<std::string, std::vector<double>> mTimes;
};

// A page fault costs tens of microseconds on these virtual machines, more than many of the timed passes. The C
// allocator hands large blocks (over 128 KB by default) straight to the system and gives back the top of its heap
// when it frees, so a pass that allocates a frame or a document would fault its pages in again every time, and the
// figure would swing with the allocator instead of the code. Settled here: blocks up to 32 MB come from the heap and
// the heap is never trimmed, so after the first pass every allocation reuses pages already in the process.
inline void SettleAllocator()
{
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
    mallopt(M_TOP_PAD, 64 * 1024 * 1024);
}

// Runs every registered benchmark and prints the ratios. `prepare` runs first (checks that ours and the anchor
// agree, fixtures that must exist before timing); when it answers false nothing is timed and the run fails.
inline int Run(int argc, char** argv, std::vector<Pair> pairs, const std::function<bool()>& prepare = nullptr)
{
    SettleAllocator();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (prepare && !prepare()) return 1;
    Reporter reporter(std::move(pairs));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace BenchRatio
