// Last-write times of disk files in 100-nanosecond units since 1601.
#include "platform/FileTime.h"

#include <sys/stat.h>

#include "platform/Files.h"

namespace Platform
{

uint64_t FileWriteTime(const std::string& name)
{
    struct stat info
    {
    };
    if (::stat(ResolveFileName(name).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
    // Seconds between 1601-01-01 and 1970-01-01.
    constexpr int64_t kEpochGap = 11644473600LL;
    const int64_t seconds = static_cast<int64_t>(info.st_mtim.tv_sec) + kEpochGap;
    if (seconds < 0) return 0;
    return static_cast<uint64_t>(seconds) * 10000000ULL + static_cast<uint64_t>(info.st_mtim.tv_nsec) / 100ULL;
}

} // namespace Platform
