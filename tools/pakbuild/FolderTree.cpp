// Walks a folder tree in sorted order and adds each regular file to a pack writer.
#include "FolderTree.h"

#include "platform/FileSearch.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace Zest
{

namespace
{

bool Fail(std::string* why, const std::string& text)
{
    if (why) *why = text;
    return false;
}

} // namespace

bool AddFolderTree(PakWriter& writer, const std::string& root, bool zeroTimes, std::string* why)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(root, ec)) return Fail(why, "not a folder: " + root);
    std::vector<fs::path> paths;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->is_regular_file(ec)) paths.push_back(it->path());
    if (ec) return Fail(why, "cannot walk " + root + ": " + ec.message());
    std::sort(paths.begin(), paths.end());
    for (const fs::path& path : paths)
    {
        std::string name = path.lexically_relative(root).generic_string();
        std::replace(name.begin(), name.end(), '/', '\\');
        std::ifstream in(path, std::ios::binary);
        if (!in) return Fail(why, "cannot read " + path.string());
        std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        uint64_t fileTime = 0;
        if (!zeroTimes)
        {
            const auto written = fs::last_write_time(path, ec);
            const auto sinceEpoch = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                        std::chrono::file_clock::to_sys(written).time_since_epoch())
                                        .count();
            fileTime = Platform::UnixTimeToFileTime(sinceEpoch / 1000000000, sinceEpoch % 1000000000);
        }
        if (!writer.AddFile(name, std::move(data), fileTime, why)) return false;
    }
    return true;
}

} // namespace Zest
