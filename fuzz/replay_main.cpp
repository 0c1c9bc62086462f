// Replays a fuzz target's corpus without libFuzzer: every file named on the command line (or found in a folder
// named there) is handed to the target once. Used by ctest in the normal and the sanitizer builds.
//
// replay [--max-seconds=S] [--max-mb=M] FILE|FOLDER...
//     An input that takes longer than S seconds, or raises the process's peak memory by more than M megabytes
//     over what it held before the input, counts as a failure: a parser must stay bounded by its data even when
//     it ends cleanly.
#include "platform/System.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace
{

double gMaxSeconds = 0; // 0: no limit
uint64_t gMaxKb = 0;

int RunOne(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    uint64_t peakBefore = 0, nowBefore = 0;
    const bool measured = Platform::GetProcessMemory(peakBefore, nowBefore);
    const auto start = std::chrono::steady_clock::now();
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    uint64_t peakAfter = 0, nowAfter = 0;
    int failures = 0;
    if (gMaxSeconds > 0 && seconds > gMaxSeconds)
    {
        std::fprintf(stderr, "%s took %.1f s (the limit is %.1f s)\n", path.c_str(), seconds, gMaxSeconds);
        ++failures;
    }
    // The peak only ever grows: an input raised it when it is higher than before, and by how much it rose above
    // what the process held when the input began is what the input needed.
    if (gMaxKb > 0 && measured && Platform::GetProcessMemory(peakAfter, nowAfter) && peakAfter > peakBefore &&
        peakAfter - nowBefore > gMaxKb)
    {
        std::fprintf(stderr, "%s needed %llu MB (the limit is %llu MB)\n", path.c_str(),
                     static_cast<unsigned long long>((peakAfter - nowBefore) / 1024),
                     static_cast<unsigned long long>(gMaxKb / 1024));
        ++failures;
    }
    return failures;
}

} // namespace

int main(int argc, char** argv)
{
    int failures = 0, count = 0;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg(argv[i]);
        if (arg.rfind("--max-seconds=", 0) == 0)
        {
            gMaxSeconds = std::atof(arg.c_str() + 14);
            continue;
        }
        if (arg.rfind("--max-mb=", 0) == 0)
        {
            gMaxKb = std::strtoull(arg.c_str() + 9, nullptr, 10) * 1024;
            continue;
        }
        std::filesystem::path path(arg);
        if (std::filesystem::is_directory(path))
        {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(path))
                if (entry.is_regular_file())
                {
                    failures += RunOne(entry.path()) != 0;
                    ++count;
                }
        }
        else
        {
            failures += RunOne(path) != 0;
            ++count;
        }
    }
    std::printf("replayed %d inputs, %d failed\n", count, failures);
    return failures == 0 ? 0 : 1;
}
