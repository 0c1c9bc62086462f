// Fuzz target: a whole pack file (given unscrambled) is added, then every entry is read through seeks, reads,
// single characters and lines in an order driven by the input; nothing may be read outside an entry.
#include "data/PakInterface.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace
{

// The pack lives alone in a private folder, named by its full path: the working folder stays where libFuzzer
// started (it reads its corpus by relative paths), and the folder goes when the program ends.
struct PackFolder
{
    std::filesystem::path dir;
    std::string file;

    PackFolder()
    {
        std::random_device rd;
        dir = std::filesystem::temp_directory_path() / ("zest_pak_fuzz_" + std::to_string(rd()));
        std::filesystem::create_directories(dir);
        file = (dir / "main.pak").string();
    }
    ~PackFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
};

const PackFolder& Folder()
{
    static const PackFolder folder;
    return folder;
}

const std::string& PackPath()
{
    return Folder().file;
}

void Check(bool ok, const char* what)
{
    if (!ok)
    {
        std::fprintf(stderr, "pak_fuzz: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        std::ofstream out(PackPath(), std::ios::binary | std::ios::trunc);
        for (size_t i = 0; i < size; ++i) out.put(static_cast<char>(data[i] ^ Zest::kPakScrambleKey));
    }
    uint64_t seed = 1469598103934665603ULL;
    for (size_t i = 0; i < size; ++i) seed = (seed ^ data[i]) * 1099511628211ULL;
    std::mt19937_64 rng(seed);

    Zest::PakInterface pak;
    const bool added = pak.AddPakFile(PackPath());
    if (!added) Check(pak.Entries().size() <= 1, "a refused pack left entries behind");

    std::vector<char> buffer(4096 + 7);
    for (const auto& [key, entry] : pak.Entries())
    {
        Check(entry.start + entry.size <= entry.archive->viewSize, "entry outside the mapping");
        const std::string normal = pak.NormalizePath(entry.name);
        Check(normal.size() <= entry.name.size() + 1, "normalised name grew");

        Zest::PackFileHandle* h = pak.FOpen(key.size() <= Zest::kPakMaxPath ? key : entry.name, "rb");
        if (!h) continue;
        if (!h->entry)
        {
            pak.FClose(h);
            continue;
        }
        const long size = static_cast<long>(h->entry->size);
        uint64_t total = 0;
        for (size_t n; (n = pak.FRead(buffer.data(), 1, 4096, h)) > 0;) total += n;
        Check(total == h->entry->size, "a full read did not return the entry's size");
        for (int op = 0; op < 32; ++op)
        {
            switch (rng() % 6)
            {
            case 0:
                pak.FSeek(h, static_cast<long>(rng() % (2 * uint64_t(size) + 3)) - size - 1,
                          static_cast<int>(rng() % 4));
                break;
            case 1:
            {
                const size_t elem = rng() % 9, count = rng() % 600;
                const size_t got = pak.FRead(buffer.data(), elem, count > 4096 / 8 ? 4096 / 8 : count, h);
                Check(got <= count, "read more elements than asked");
                break;
            }
            case 2:
            {
                const int c = pak.FGetC(h);
                Check(c >= -1 && c <= 255, "character out of range");
                break;
            }
            case 3:
                pak.UnGetC('x', h);
                break;
            case 4:
            {
                const int count = static_cast<int>(rng() % 40) - 2;
                if (char* line = pak.FGetS(buffer.data(), count, h))
                    Check(std::char_traits<char>::length(line) < static_cast<size_t>(count), "line too long");
                break;
            }
            default:
                Check(pak.FEof(h) == (pak.FTell(h) >= size ? 1 : 0), "end flag disagrees with the position");
                break;
            }
            const long pos = pak.FTell(h);
            Check(pos >= 0 && pos <= size, "position outside the entry");
        }
        pak.FClose(h);
    }

    // The pack search walks the pack's own folder (and the disk beside it, which holds only the pack).
    Zest::FindData found;
    if (Zest::PackFindState* s = pak.FindFirstFile((Folder().dir / "*").string(), &found))
    {
        int guard = 0;
        while (pak.FindNextFile(s, &found) && ++guard < 100000)
        {
        }
        pak.FindClose(s);
    }
    return 0;
}
