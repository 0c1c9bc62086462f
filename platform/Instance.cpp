// Single-instance lock with flock, registered message ids, and the datagram notice between instances.
#include "platform/Instance.h"

#include "platform/Debug.h"
#include "platform/Files.h"
#include "platform/System.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace Platform
{

struct InstanceMutex
{
    int fd = -1; // holds the flock while open
    std::string path;
};

namespace
{

thread_local uint32_t tLastError = 0;
thread_local int gLockRetries = 0;
std::atomic<bool> gOtherInstance{false};

std::string Lower(std::string text)
{
    for (char& c : text)
    {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// A name made safe to be one file name.
std::string FileNameFor(const std::string& name)
{
    std::string safe = name;
    for (char& c : safe)
    {
        // No separators, control characters or spaces: a name that reads and types easily in a shell.
        if (c == '/' || c == '\\' || c == ' ' || static_cast<unsigned char>(c) < 0x20) c = '_';
    }
    if (safe == "." || safe == "..") safe = "_" + safe;
    return safe;
}

// The lock and the notice socket live in one folder of their own in the runtime folder, which the system empties
// at log-out: nothing lasts beyond the session, and nothing lands among the player's data. Without a runtime
// folder, a private folder in /tmp stands in (made for this user only).
std::string SharedFolder()
{
    std::string runtime = RuntimeFolder();
    std::string folder;
    if (!runtime.empty())
        folder = runtime + "/zest";
    else
    {
        const std::optional<std::string> temp = GetEnv("TMPDIR");
        folder = (temp && !temp->empty() && (*temp)[0] == '/' ? *temp : std::string("/tmp")) + "/zest-" +
                 std::to_string(::getuid());
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    {
        OutputDebugString("Cannot create " + folder + ": " + std::strerror(errno) + "\n");
    }
    return folder;
}

// ---- registered messages ----

constexpr uint32_t kFirstMessage = 0xC000;
constexpr uint32_t kMessageCount = 0x4000;

std::mutex gMessageMutex;
std::map<std::string, uint32_t> gMessageIds;   // lower-case name -> id
std::map<uint32_t, std::string> gMessageNames; // id -> name as first registered

// FNV-1a over the lower-case name: the same in every process, so both instances agree on the id.
uint32_t HashName(const std::string& lower)
{
    uint32_t hash = 2166136261u;
    for (char c : lower)
    {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

// ---- notice transport ----

constexpr uint32_t kNoticeMagic = 0x46544E5A; // "ZNTF"

struct Notice
{
    uint32_t magic;
    uint32_t message;
    uint64_t wParam;
    int64_t lParam;
};
static_assert(sizeof(Notice) == 24);

struct Listener
{
    uint32_t message = 0;
    int fd = -1; // -1 when the notice travels inside the process
    std::string path;
};

std::mutex gListenMutex;
std::vector<Listener> gListeners;
std::deque<BroadcastMessage> gLocalQueue;

bool SocketAddress(const std::string& name, sockaddr_un& address, std::string& path)
{
    path = SharedFolder() + "/" + FileNameFor(name);
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

std::string NameOf(uint32_t message)
{
    std::lock_guard<std::mutex> lock(gMessageMutex);
    auto it = gMessageNames.find(message);
    return it == gMessageNames.end() ? std::string() : it->second;
}

} // namespace

// ---- single-instance lock ----

std::string InstanceLockPath(const std::string& name)
{
    return SharedFolder() + "/" + FileNameFor(name) + ".lock";
}

MutexHandle CreateMutex(const void*, bool, const std::string& name)
{
    tLastError = 0;
    if (name.empty()) return nullptr;
    auto mutex = new InstanceMutex;
    if (gOtherInstance.load())
    {
        tLastError = ERROR_ALREADY_EXISTS;
        return mutex;
    }
    std::string path = InstanceLockPath(name);
    // Close-on-exec: a program we start (a browser) must not inherit the lock and keep it after we exit. The lock
    // is only ever a plain file of our own: a link is not followed (it could point at a file of the user's that
    // the holder would then lock), and a pipe does not hold up the start.
    const int flags = O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    int fd = ::open(path.c_str(), flags, 0600);
    struct stat opened;
    if (fd >= 0 && (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)))
    {
        ::close(fd);
        fd = -1;
        errno = EINVAL;
    }
    if (fd < 0 && errno != EACCES && errno != EISDIR)
    {
        // Something else is in the lock's place (a link, a pipe, a device): it holds nothing, so it goes.
        struct stat found;
        if (::lstat(path.c_str(), &found) == 0 && !S_ISDIR(found.st_mode) && !S_ISREG(found.st_mode) &&
            ::unlink(path.c_str()) == 0)
            fd = ::open(path.c_str(), flags | O_EXCL, 0600);
    }
    if (fd < 0)
    {
        // Without a lock a second copy may start beside this one; the game itself still runs.
        std::fprintf(stderr, "Cannot create the instance lock %s: %s; starting without it.\n", path.c_str(),
                     std::strerror(errno));
        return mutex;
    }
    int locked;
    do locked = ::flock(fd, LOCK_EX | LOCK_NB);
    while (locked != 0 && errno == EINTR);
    if (locked != 0)
    {
        if (errno == EWOULDBLOCK)
            tLastError = ERROR_ALREADY_EXISTS;
        else
            OutputDebugString("Cannot lock " + path + ": " + std::strerror(errno) + "\n");
        ::close(fd);
        return mutex;
    }
    // The holder removes the file when it lets go; a newcomer that opened it just before then holds a lock on a
    // file nobody else can find any more, so it checks that its file is still the one at the path.
    struct stat held, named;
    if (::fstat(fd, &held) != 0 || ::stat(path.c_str(), &named) != 0 || held.st_ino != named.st_ino ||
        held.st_dev != named.st_dev)
    {
        ::close(fd);
        if (++gLockRetries > 100)
        {
            gLockRetries = 0;
            return mutex;
        }
        delete mutex;
        return CreateMutex(nullptr, true, name);
    }
    gLockRetries = 0;
    mutex->fd = fd;
    mutex->path = path;
    return mutex;
}

bool CloseHandle(MutexHandle mutex)
{
    if (mutex == nullptr) return false;
    if (mutex->fd >= 0)
    {
        // Removed while still held, so no one can take a lock on it between the two steps; nothing stale stays.
        ::unlink(mutex->path.c_str());
        ::close(mutex->fd); // drops the flock
    }
    delete mutex;
    return true;
}

uint32_t GetLastError()
{
    return tLastError;
}

void SetOtherInstanceRunning(bool running)
{
    gOtherInstance.store(running);
}

// ---- registered messages ----

uint32_t RegisterWindowMessage(const std::string& name)
{
    if (name.empty()) return 0;
    std::string lower = Lower(name);
    std::lock_guard<std::mutex> lock(gMessageMutex);
    auto known = gMessageIds.find(lower);
    if (known != gMessageIds.end()) return known->second;
    uint32_t slot = HashName(lower) % kMessageCount;
    for (uint32_t tries = 0; tries < kMessageCount; ++tries, slot = (slot + 1) % kMessageCount)
    {
        uint32_t id = kFirstMessage + slot;
        if (gMessageNames.count(id) == 0)
        {
            gMessageIds[lower] = id;
            gMessageNames[id] = name;
            return id;
        }
    }
    return 0;
}

// ---- notice ----

bool ListenForBroadcast(uint32_t message)
{
    std::string name = NameOf(message);
    if (name.empty()) return false;
    std::lock_guard<std::mutex> lock(gListenMutex);
    for (const Listener& listener : gListeners)
    {
        if (listener.message == message) return true;
    }
    Listener listener;
    listener.message = message;
    if (!IsHeadlessVideo())
    {
        sockaddr_un address;
        if (!SocketAddress(name, address, listener.path)) return false;
        int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        // Only the holder of the instance lock listens, so a socket file left here belongs to a process that is
        // gone.
        ::unlink(listener.path.c_str());
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        {
            ::close(fd);
            return false;
        }
        ::chmod(listener.path.c_str(), 0600);
        listener.fd = fd;
    }
    gListeners.push_back(listener);
    return true;
}

void StopListening()
{
    std::lock_guard<std::mutex> lock(gListenMutex);
    for (const Listener& listener : gListeners)
    {
        if (listener.fd >= 0)
        {
            ::close(listener.fd);
            ::unlink(listener.path.c_str());
        }
    }
    gListeners.clear();
    gLocalQueue.clear();
}

bool PostBroadcastMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    std::string name = NameOf(message);
    if (name.empty()) return false;
    if (IsHeadlessVideo())
    {
        std::lock_guard<std::mutex> lock(gListenMutex);
        for (const Listener& listener : gListeners)
        {
            if (listener.message == message)
            {
                gLocalQueue.push_back(BroadcastMessage{message, wParam, lParam});
                return true;
            }
        }
        return false;
    }
    sockaddr_un address;
    std::string path;
    if (!SocketAddress(name, address, path)) return false;
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    Notice notice{kNoticeMagic, message, static_cast<uint64_t>(wParam), static_cast<int64_t>(lParam)};
    ssize_t sent = ::sendto(fd, &notice, sizeof(notice), MSG_DONTWAIT | MSG_NOSIGNAL,
                            reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    ::close(fd);
    return sent == static_cast<ssize_t>(sizeof(notice));
}

bool PeekBroadcastMessage(BroadcastMessage& out)
{
    std::lock_guard<std::mutex> lock(gListenMutex);
    if (!gLocalQueue.empty())
    {
        out = gLocalQueue.front();
        gLocalQueue.pop_front();
        return true;
    }
    for (const Listener& listener : gListeners)
    {
        if (listener.fd < 0) continue;
        for (;;)
        {
            // One byte more than a notice, so an oversized datagram shows as such instead of being cut to fit.
            unsigned char buffer[sizeof(Notice) + 1];
            ssize_t got = ::recv(listener.fd, buffer, sizeof(buffer), MSG_DONTWAIT);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) break;
            Notice notice;
            if (got != static_cast<ssize_t>(sizeof(notice))) continue;
            std::memcpy(&notice, buffer, sizeof(notice));
            if (notice.magic != kNoticeMagic) continue;
            // The socket says which message this is, whatever id the sender registered it under.
            out.message = listener.message;
            out.wParam = static_cast<uintptr_t>(notice.wParam);
            out.lParam = static_cast<intptr_t>(notice.lParam);
            return true;
        }
    }
    return false;
}

} // namespace Platform
