// Folder search with desktop-style wildcards over opendir/readdir.
#include "platform/FileSearch.h"

#include "platform/Files.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform
{

namespace
{

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

uint64_t UnixTimeToFileTime(int64_t seconds, int64_t nanoseconds)
{
    constexpr int64_t kEpochDifference = 116444736000000000LL; // 1601 to 1970 in 100-ns units
    const int64_t t = seconds * 10000000LL + nanoseconds / 100 + kEpochDifference;
    return t < 0 ? 0 : static_cast<uint64_t>(t);
}

bool WildcardMatch(const std::string& mask, const std::string& name)
{
    if (mask == "*.*" || mask == "*") return true;
    // Iterative glob with one backtrack point: linear in practice, never exponential.
    size_t m = 0, n = 0, starM = std::string::npos, starN = 0;
    while (n < name.size())
    {
        if (m < mask.size() && mask[m] == '*')
        {
            starM = m++;
            starN = n;
        }
        else if (m < mask.size() && (mask[m] == '?' || LowerAscii(mask[m]) == LowerAscii(name[n])))
        {
            ++m;
            ++n;
        }
        else if (starM != std::string::npos)
        {
            m = starM + 1;
            n = ++starN;
        }
        else
            return false;
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

std::unique_ptr<DirectorySearch> DirectorySearch::Start(const std::string& pattern, FoundFile& first)
{
    std::string p = pattern;
    for (char& c : p)
        if (c == '\\') c = '/';
    const size_t slash = p.rfind('/');
    std::string folder = slash == std::string::npos ? std::string(".")
                         : slash == 0               ? std::string(1, '/')
                                                    : p.substr(0, slash);
    std::string mask = slash == std::string::npos ? p : p.substr(slash + 1);
    if (mask.empty()) return nullptr;
    folder = ResolveFileName(folder);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return nullptr;
    std::unique_ptr<DirectorySearch> search(new DirectorySearch());
    search->mDir = dir;
    search->mFolder = folder;
    search->mMask = mask;
    if (!search->Next(first)) return nullptr;
    return search;
}

DirectorySearch::~DirectorySearch()
{
    if (mDir) ::closedir(static_cast<DIR*>(mDir));
}

bool DirectorySearch::Next(FoundFile& found)
{
    DIR* dir = static_cast<DIR*>(mDir);
    while (dirent* e = ::readdir(dir))
    {
        const std::string name = e->d_name;
        if (name == "." || name == ".." || !WildcardMatch(mMask, name)) continue;
        struct stat st;
        const std::string full = mFolder + "/" + name;
        if (::stat(full.c_str(), &st) != 0) continue;
        found = FoundFile();
        found.name = name;
        found.isDirectory = S_ISDIR(st.st_mode);
        found.readOnly = ::access(full.c_str(), W_OK) != 0;
        found.size = found.isDirectory ? 0 : static_cast<uint64_t>(st.st_size);
        found.creationTime = UnixTimeToFileTime(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
        found.lastAccessTime = UnixTimeToFileTime(st.st_atim.tv_sec, st.st_atim.tv_nsec);
        found.lastWriteTime = UnixTimeToFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
        return true;
    }
    return false;
}

} // namespace Platform
