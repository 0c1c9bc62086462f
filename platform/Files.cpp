// Per-user folders, case-insensitive name resolution with cached listings, atomic writes, file helpers.
#include "platform/Files.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Platform
{
namespace
{

// ---- folders ----

std::mutex gFolderMutex;
std::array<std::string, 4> gFolderOverrides;

std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool IsAbsolute(const char* path)
{
    return path != nullptr && path[0] == '/';
}

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (IsAbsolute(home)) return home;
    // No usable $HOME (a service account, a stripped environment): ask the password database.
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        IsAbsolute(found->pw_dir))
        return found->pw_dir;
    return "/tmp";
}

std::optional<std::string> Override(Folder folder)
{
    std::lock_guard<std::mutex> lock(gFolderMutex);
    const std::string& value = gFolderOverrides[static_cast<size_t>(folder)];
    if (value.empty()) return std::nullopt;
    return value;
}

std::string UserFolder(Folder folder, const char* variable, std::string_view fallback)
{
    if (std::optional<std::string> overridden = Override(folder)) return *overridden;
    std::string home = HomeFolder();
    return XdgFolder(std::getenv(variable), home.c_str(), fallback);
}

// ---- paths ----

std::string ParentOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string Join(const std::string& prefix, const std::string& component)
{
    if (prefix.empty()) return component;
    if (prefix.back() == '/') return prefix + component;
    return prefix + "/" + component;
}

char FoldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
    {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

bool Exists(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// ---- cached folder listings ----

struct Listing
{
    dev_t device = 0;
    ino_t inode = 0;
    timespec changed{};
    std::vector<std::string> names; // sorted, so the first case variant in byte order is found first
};

constexpr size_t kMaxCachedListings = 4096;
// A listing is trusted while the folder's change time stays the same. The change time (unlike the modification
// time, which tools may set back) moves with every entry added, removed or renamed, but only in coarse ticks: a
// folder changed this recently may change again within the same tick, unseen, so its listing is not kept.
constexpr int64_t kRacyWindowNs = 50'000'000;

std::mutex gCacheMutex;
std::map<std::string, Listing> gListings;

int64_t ToNs(const timespec& t)
{
    return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

bool SameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool ReadListing(const std::string& folder, std::vector<std::string>& names)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return false;
    while (dirent* entry = ::readdir(dir))
    {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return true;
}

// The entry of `folder` equal to `name` ignoring case, if any.
std::optional<std::string> FindNoCase(const std::string& folder, const std::string& name)
{
    struct stat info;
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;

    std::lock_guard<std::mutex> lock(gCacheMutex);
    auto it = gListings.find(folder);
    bool fresh = it != gListings.end() && it->second.device == info.st_dev && it->second.inode == info.st_ino &&
                 SameTime(it->second.changed, info.st_ctim);
    if (!fresh)
    {
        Listing listing;
        listing.device = info.st_dev;
        listing.inode = info.st_ino;
        listing.changed = info.st_ctim;
        if (!ReadListing(folder, listing.names)) return std::nullopt;
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        bool racy = ToNs(now) - ToNs(info.st_ctim) < kRacyWindowNs;
        if (racy)
        {
            if (it != gListings.end()) gListings.erase(it);
            for (const std::string& entry : listing.names)
            {
                if (EqualNoCase(entry, name)) return entry;
            }
            return std::nullopt;
        }
        if (gListings.size() >= kMaxCachedListings) gListings.clear();
        it = gListings.insert_or_assign(folder, std::move(listing)).first;
    }
    for (const std::string& entry : it->second.names)
    {
        if (EqualNoCase(entry, name)) return entry;
    }
    return std::nullopt;
}

void InvalidateFolderOf(const std::string& path)
{
    InvalidateFileNameCache(ParentOf(path));
}

// ---- writing ----

std::atomic<int64_t> gFailWriteAfter{-1};
std::atomic<uint32_t> gTempCounter{0};

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0)
    {
        ssize_t written = ::write(fd, data, size);
        if (written < 0)
        {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

void SyncFolder(const std::string& folder)
{
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // Some file systems cannot sync a folder (EINVAL); the rename itself has already happened then.
    ::fsync(fd);
    ::close(fd);
}

// Opens a regular file for reading without blocking on what is not one: a pipe put in a file's place would
// hold open() until a writer came, and a device could be read forever. -1 with errno EINVAL for those.
int OpenRegularFileForReading(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return -1;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
    {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

} // namespace

// ---- folders ----

std::string XdgFolder(const char* value, const char* home, std::string_view fallback)
{
    if (IsAbsolute(value)) return WithoutTrailingSlashes(value);
    if (!IsAbsolute(home)) return std::string();
    return WithoutTrailingSlashes(home) + "/" + std::string(fallback);
}

std::string ConfigFolder()
{
    return UserFolder(Folder::Config, "XDG_CONFIG_HOME", ".config");
}

std::string DataFolder()
{
    return UserFolder(Folder::Data, "XDG_DATA_HOME", ".local/share");
}

std::string CacheFolder()
{
    return UserFolder(Folder::Cache, "XDG_CACHE_HOME", ".cache");
}

std::string RuntimeFolder()
{
    if (std::optional<std::string> overridden = Override(Folder::Runtime)) return *overridden;
    const char* value = std::getenv("XDG_RUNTIME_DIR");
    return IsAbsolute(value) ? WithoutTrailingSlashes(value) : std::string();
}

void OverrideFolder(Folder folder, const std::string& path)
{
    std::lock_guard<std::mutex> lock(gFolderMutex);
    gFolderOverrides[static_cast<size_t>(folder)] = path.empty() ? path : WithoutTrailingSlashes(path);
}

// ---- name resolution ----

std::string ResolveFileName(const std::string& name)
{
    std::string normal;
    normal.reserve(name.size());
    for (char c : name)
    {
        if (c == '\\') c = '/';
        if (c == '/' && !normal.empty() && normal.back() == '/') continue;
        normal.push_back(c);
    }
    if (normal.empty() || Exists(normal)) return normal;

    bool absolute = normal.front() == '/';
    bool trailing = normal.size() > 1 && normal.back() == '/';
    std::vector<std::string> components;
    for (size_t start = 0; start < normal.size();)
    {
        size_t slash = normal.find('/', start);
        if (slash == std::string::npos) slash = normal.size();
        if (slash > start) components.push_back(normal.substr(start, slash - start));
        start = slash + 1;
    }

    std::string resolved = absolute ? "/" : "";
    size_t i = 0;
    for (; i < components.size(); ++i)
    {
        const std::string& component = components[i];
        std::string exact = Join(resolved, component);
        if (component == "." || component == ".." || Exists(exact))
        {
            resolved = exact;
            continue;
        }
        std::optional<std::string> match = FindNoCase(resolved.empty() ? "." : resolved, component);
        if (!match) break;
        resolved = Join(resolved, *match);
    }
    for (; i < components.size(); ++i) resolved = Join(resolved, components[i]);
    if (trailing) resolved += '/';
    return resolved;
}

void InvalidateFileNameCache()
{
    std::lock_guard<std::mutex> lock(gCacheMutex);
    gListings.clear();
}

void InvalidateFileNameCache(const std::string& folder)
{
    struct stat info;
    bool known = ::stat(folder.c_str(), &info) == 0;
    std::lock_guard<std::mutex> lock(gCacheMutex);
    gListings.erase(folder);
    if (!known) return;
    // The same folder may have been cached under another spelling ("./a", "a/", "A").
    for (auto it = gListings.begin(); it != gListings.end();)
    {
        if (it->second.device == info.st_dev && it->second.inode == info.st_ino)
            it = gListings.erase(it);
        else
            ++it;
    }
}

// ---- writing and reading whole files ----

namespace
{

// The file a chain of symbolic links ends at (the path itself when it is no link). A link's target is replaced
// where it lies, so the link stays a link: a save file kept in a synchronised folder and linked into the data
// folder goes on being saved there. Empty for a chain that loops or runs too long.
std::string FollowLinks(const std::string& path)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops)
    {
        struct stat info;
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        std::string target(static_cast<size_t>(info.st_size > 0 ? info.st_size : 4096) + 1, '\0');
        const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<size_t>(length) >= target.size()) return std::string();
        target.resize(static_cast<size_t>(length));
        current = target[0] == '/' ? target : Join(ParentOf(current), target);
    }
    return std::string();
}

thread_local int tLastWriteError = 0;

// Notes why a write failed (an errno value) for LastWriteFailure; always false.
bool WriteFailed(int error)
{
    tLastWriteError = error;
    return false;
}

} // namespace

std::string LastWriteFailure()
{
    switch (tLastWriteError)
    {
    case 0:
        return "no write has failed";
    case ENOSPC:
    case EDQUOT:
        return "the disk is full";
    case EROFS:
        return "the disk is read-only";
    case EACCES:
    case EPERM:
        return "the folder is read-only";
    case ENOENT:
    case ENOTDIR:
        return "the folder does not exist";
    case EISDIR:
        return "something that is not a file is in its place";
    case ELOOP:
        return "its links lead round in a circle";
    default:
        return std::strerror(tLastWriteError);
    }
}

bool WriteFileAtomically(const std::string& givenPath, const void* data, size_t size)
{
    int64_t failAfter = gFailWriteAfter.exchange(-1);
    if (givenPath.empty() || givenPath.back() == '/') return WriteFailed(EISDIR);
    const std::string path = FollowLinks(givenPath);
    if (path.empty()) return WriteFailed(ELOOP);
    std::string folder = ParentOf(path);
    size_t slash = path.find_last_of('/');
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = Join(folder, "." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
                                        std::to_string(gTempCounter.fetch_add(1)));

    // Keep the permission bits of the file being replaced; a new file gets the usual ones.
    mode_t mode = 0644;
    bool replacing = false;
    struct stat old;
    if (::stat(path.c_str(), &old) == 0)
    {
        if (!S_ISREG(old.st_mode)) return WriteFailed(EISDIR);
        mode = old.st_mode & 07777;
        replacing = true;
    }

    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return WriteFailed(errno);
    bool ok = true;
    int error = 0;
    const char* bytes = static_cast<const char*>(data);
    if (failAfter >= 0 && static_cast<uint64_t>(failAfter) < size)
    {
        // The injected failure stands for a disk that fills up while the file is written.
        WriteAll(fd, bytes, static_cast<size_t>(failAfter));
        ok = false;
        error = ENOSPC;
    }
    else
    {
        ok = WriteAll(fd, bytes, size);
    }
    if (ok && replacing) // the umask applied at creation must not narrow them
        ok = ::fchmod(fd, mode) == 0;
    if (ok) ok = ::fsync(fd) == 0;
    if (!ok && error == 0) error = errno;
    if (::close(fd) != 0 && ok)
    {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0)
    {
        ok = false;
        error = errno;
    }
    if (!ok)
    {
        ::unlink(temp.c_str());
        return WriteFailed(error);
    }
    SyncFolder(folder);
    InvalidateFileNameCache(folder);
    if (path != givenPath) InvalidateFileNameCache(ParentOf(givenPath));
    return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes)
{
    return WriteFileAtomically(path, bytes.data(), bytes.size());
}

int RemoveStaleTempFiles(const std::string& folder, int depth)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return 0;
    int removed = 0;
    std::vector<std::string> subfolders;
    while (const dirent* entry = ::readdir(dir))
    {
        // ".<name>.tmp-<pid>-<counter>", as WriteFileAtomically names them.
        const std::string name = entry->d_name;
        if (depth > 0 && name != "." && name != "..")
        {
            struct stat info;
            const std::string path = Join(folder, name);
            // Links are not followed: only what lies inside the folder itself is ours to tidy.
            if (::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) subfolders.push_back(path);
        }
        const size_t mark = name.rfind(".tmp-");
        if (name.size() < 2 || name[0] != '.' || mark == std::string::npos || mark == 0) continue;
        const size_t dash = name.find('-', mark + 5);
        if (dash == std::string::npos || dash == mark + 5 || dash + 1 == name.size()) continue;
        const std::string pidText = name.substr(mark + 5, dash - mark - 5);
        const std::string counter = name.substr(dash + 1);
        if (pidText.find_first_not_of("0123456789") != std::string::npos || pidText.size() > 9 ||
            counter.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const pid_t pid = static_cast<pid_t>(std::atol(pidText.c_str()));
        // A live process (this one included) may be writing it right now.
        if (pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
        const std::string path = Join(folder, name);
        struct stat info;
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::unlink(path.c_str()) == 0) ++removed;
    }
    ::closedir(dir);
    for (const std::string& sub : subfolders) removed += RemoveStaleTempFiles(sub, depth - 1);
    if (removed > 0) InvalidateFileNameCache();
    return removed;
}

void InjectWriteFailureAfter(int64_t bytes)
{
    gFailWriteAfter.store(bytes < 0 ? -1 : bytes);
}

ReadResult ReadWholeFile(const std::string& path, std::string& out, uint64_t maxBytes)
{
    out.clear();
    int fd = OpenRegularFileForReading(path);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? ReadResult::NotFound : ReadResult::Error;
    struct stat info;
    if (::fstat(fd, &info) != 0)
    {
        ::close(fd);
        return ReadResult::Error;
    }
    if (static_cast<uint64_t>(info.st_size) > maxBytes)
    {
        ::close(fd);
        return ReadResult::TooLarge;
    }
    out.reserve(static_cast<size_t>(info.st_size));
    // Read to the end rather than trusting the size: the file may grow meanwhile, and never past the limit.
    std::vector<char> chunk(65536);
    ReadResult result = ReadResult::Ok;
    for (;;)
    {
        ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0)
        {
            result = ReadResult::Error;
            break;
        }
        if (n == 0) break;
        if (out.size() + static_cast<uint64_t>(n) > maxBytes)
        {
            result = ReadResult::TooLarge;
            break;
        }
        out.append(chunk.data(), static_cast<size_t>(n));
    }
    ::close(fd);
    if (result != ReadResult::Ok) out.clear();
    return result;
}

std::FILE* OpenFile(const std::string& path, const char* mode)
{
    if (mode == nullptr || mode[0] != 'r' || std::strchr(mode, '+') != nullptr) return std::fopen(path.c_str(), mode);
    const int fd = OpenRegularFileForReading(path);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, mode);
    if (file == nullptr) ::close(fd);
    return file;
}

// ---- helpers ----

bool FileExists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool PathExists(const std::string& path)
{
    return Exists(path);
}

bool DirectoryExists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool ExistsButIsNotAFile(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
}

bool CanCreateFileAt(const std::string& path)
{
    if (path.empty() || path.back() == '/' || ExistsButIsNotAFile(path)) return false;
    // Tried, not asked: access() says yes to root everywhere, /proc and read-only mounts included. A save writes
    // a new file beside the old one and renames it over, so one such file is made (and removed again); a file
    // already there must take writing as well.
    const std::string folder = ParentOf(path);
    const size_t slash = path.find_last_of('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string probe = Join(folder, "." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
                                               std::to_string(gTempCounter.fetch_add(1)));
    int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    if (!Exists(path)) return true;
    fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

int64_t FileModificationTime(const std::string& path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return 0;
    return static_cast<int64_t>(info.st_mtim.tv_sec);
}

bool DeleteFile(const std::string& path)
{
    if (::unlink(path.c_str()) != 0) return false;
    InvalidateFolderOf(path);
    return true;
}

bool RenameFile(const std::string& from, const std::string& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0) return false;
    InvalidateFolderOf(from);
    InvalidateFolderOf(to);
    return true;
}

bool MakeDirectory(const std::string& path)
{
    if (path.empty()) return false;
    if (::mkdir(path.c_str(), 0700) == 0) // the user's own data, as the XDG rules ask
    {
        // The new folder's name must reach the disk as well, or a power cut could take the first file saved
        // into it along with it.
        SyncFolder(ParentOf(WithoutTrailingSlashes(path)));
        InvalidateFolderOf(WithoutTrailingSlashes(path));
        return true;
    }
    return errno == EEXIST && DirectoryExists(path);
}

bool MakeDirectories(const std::string& path)
{
    if (path.empty()) return false;
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    {
        if (path[slash - 1] != '/') MakeDirectory(path.substr(0, slash));
    }
    return MakeDirectory(path);
}

bool RemoveTree(const std::string& path)
{
    std::error_code error;
    std::filesystem::remove_all(path, error);
    InvalidateFileNameCache();
    struct stat info;
    return ::lstat(path.c_str(), &info) != 0;
}

bool SetCurrentDirectory(const std::string& path)
{
    return !path.empty() && ::chdir(path.c_str()) == 0;
}

std::string GetCurrentDirectory()
{
    std::error_code error;
    std::filesystem::path current = std::filesystem::current_path(error);
    return error ? std::string() : current.string();
}

std::string ExecutablePath()
{
    std::vector<char> buffer(256);
    for (;;)
    {
        ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return std::string();
        if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(length));
        if (buffer.size() >= 65536) return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

int32_t SHGetFolderPath(void*, int folderId, void*, uint32_t, char* path)
{
    if (path == nullptr || folderId != CSIDL_COMMON_APPDATA) return E_INVALIDARG;
    std::string folder = DataFolder();
    if (folder.empty() || folder.size() >= MAX_PATH) return E_FAIL;
    std::memcpy(path, folder.c_str(), folder.size() + 1);
    return S_OK;
}

} // namespace Platform
