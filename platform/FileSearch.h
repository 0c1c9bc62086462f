// Wildcard search of one folder, the stand-in for the desktop find-first/find-next calls.
// Implements: a pattern "dir/mask" or "dir\mask" whose folder is found without regard to case and whose mask
// ('*' any run, '?' one character, "*.*" everything) is matched without regard to ASCII case. Leaves out:
// short names, the "." and ".." entries, and wildcards in the folder part.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace Platform
{

struct FoundFile
{
    std::string name;
    bool isDirectory = false;
    bool readOnly = false;
    uint64_t size = 0;
    // 100-ns units since 1601-01-01 UTC.
    uint64_t creationTime = 0;
    uint64_t lastAccessTime = 0;
    uint64_t lastWriteTime = 0;
};

// Seconds and nanoseconds since 1970 to 100-ns units since 1601.
uint64_t UnixTimeToFileTime(int64_t seconds, int64_t nanoseconds);

// True when name matches the mask ('*', '?', ASCII case ignored; "*.*" matches every name).
bool WildcardMatch(const std::string& mask, const std::string& name);

class DirectorySearch
{
public:
    // Null when the folder cannot be read or nothing in it matches; otherwise 'first' holds the first match.
    static std::unique_ptr<DirectorySearch> Start(const std::string& pattern, FoundFile& first);
    ~DirectorySearch();
    DirectorySearch(const DirectorySearch&) = delete;
    DirectorySearch& operator=(const DirectorySearch&) = delete;

    // False when there are no more matches.
    bool Next(FoundFile& found);

private:
    DirectorySearch() = default;
    void* mDir = nullptr;
    std::string mFolder;
    std::string mMask;
};

} // namespace Platform
