// Pack reads: a large packed entry read in 64 KB blocks through the wrappers against memcpy from the same mapping;
// also opening names among many entries, and reading byte by byte. Prints the processor-time ratios; the anchors do
// less work than ours (no scramble key, no handle), which the pair labels say.
#include "data/PakInterface.h"
#include "data/PakWriter.h"

#include "BenchRatio.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace
{

constexpr size_t kLargeSize = 32 << 20;
constexpr size_t kBlock = 64 << 10;
constexpr int kSmallCount = 5000;

struct Fixture
{
    std::filesystem::path dir;
    Zest::PakInterface pak;
    const Zest::PackEntry* large = nullptr;
    std::vector<std::string> names; // half in the pack, half not

    Fixture()
    {
        std::random_device rd;
        dir = std::filesystem::temp_directory_path() / ("zest_pak_bench_" + std::to_string(rd()));
        std::filesystem::create_directories(dir);
        std::mt19937 rng(5);
        Zest::PakWriter writer;
        std::string data(kLargeSize, '\0');
        for (char& c : data) c = static_cast<char>(rng());
        writer.AddFile("music\\large.bin", std::move(data), 0);
        for (int i = 0; i < kSmallCount; ++i)
        {
            const std::string name = "images\\set" + std::to_string(i % 50) + "\\image" + std::to_string(i) + ".png";
            writer.AddFile(name, std::string(64, 'x'), 0);
            names.push_back(i % 2 ? name : "images/Set" + std::to_string(i % 50) + "/missing" + std::to_string(i));
        }
        const std::string pack = (dir / "main.pak").string();
        if (!writer.WriteTo(pack) || !pak.AddPakFile(pack))
        {
            std::fprintf(stderr, "cannot build the benchmark pack\n");
            std::exit(1);
        }
        large = &pak.Entries().at("MUSIC\\LARGE.BIN");
    }
    ~Fixture() { std::filesystem::remove_all(dir); }
};

Fixture& TheFixture()
{
    static Fixture fixture;
    return fixture;
}

void BM_PakReadLargeEntry(benchmark::State& state)
{
    std::vector<uint8_t> buffer(kBlock);
    for (auto _ : state)
    {
        Zest::PackFileHandle* h = Zest::PakOpen("music/large.bin", "rb");
        while (Zest::PakRead(buffer.data(), 1, buffer.size(), h) > 0) benchmark::ClobberMemory();
        Zest::PakClose(h);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kLargeSize));
}

void BM_MemcpyFromMapping(benchmark::State& state)
{
    const Zest::PackEntry& e = *TheFixture().large;
    const uint8_t* data = e.archive->view + e.start;
    std::vector<uint8_t> buffer(kBlock);
    for (auto _ : state)
        for (size_t pos = 0; pos < e.size; pos += kBlock)
        {
            std::memcpy(buffer.data(), data + pos, std::min<size_t>(kBlock, e.size - pos));
            benchmark::ClobberMemory();
        }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kLargeSize));
}

// Odd indices are packed names, even ones missing names, which go on to the disk as they do in the game.
void BM_PakOpenClose(benchmark::State& state)
{
    const auto& names = TheFixture().names;
    const size_t first = static_cast<size_t>(state.range(0));
    size_t i = first;
    for (auto _ : state)
    {
        if (Zest::PackFileHandle* h = Zest::PakOpen(names[i], "rb")) Zest::PakClose(h);
        i += 2;
        if (i >= names.size()) i = first;
    }
    state.SetLabel(first ? "packed names" : "missing names");
}

void BM_MapFindOnly(benchmark::State& state)
{
    const auto& names = TheFixture().names;
    const auto& entries = TheFixture().pak.Entries();
    size_t i = 0;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(entries.find(names[i]));
        i = (i + 1) % names.size();
    }
}

void BM_PakGetC(benchmark::State& state)
{
    constexpr size_t kBytes = 1 << 20;
    for (auto _ : state)
    {
        Zest::PackFileHandle* h = Zest::PakOpen("music\\large.bin", "rb");
        unsigned sum = 0;
        for (size_t n = 0; n < kBytes; ++n) sum += static_cast<unsigned>(Zest::PakGetC(h));
        benchmark::DoNotOptimize(sum);
        Zest::PakClose(h);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBytes));
}

BENCHMARK(BM_PakReadLargeEntry)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyFromMapping)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PakOpenClose)->Arg(1)->Arg(0);
BENCHMARK(BM_MapFindOnly);
BENCHMARK(BM_PakGetC)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return BenchRatio::Run(
        argc, argv,
        // Not like for like, and said so: the packed read also opens and closes the entry and
        // removes the scramble key from every byte; opening also makes and frees a handle.
        {{"packed read (+open, unscramble) / memcpy", "BM_PakReadLargeEntry", "BM_MemcpyFromMapping"},
         {"open+close (+handle) / map find", "BM_PakOpenClose/1", "BM_MapFindOnly"}},
        []
        {
            TheFixture(); // its reader must be the active one before anything is opened
            return true;
        });
}
