// Pack archive reader and the file wrappers through which every data file of the game is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <list>
#include <map>
#include <memory>
#include <string>

namespace Platform
{
class MappedFile;
class DirectorySearch;
} // namespace Platform

namespace Zest
{

// Every byte stored in a pack (header, directory and data) is combined with this key.
constexpr uint8_t kPakScrambleKey = 0xA9;
constexpr uint32_t kPakMagic = 0xBAC04AC0;
constexpr uint32_t kPakVersion = 0;
// Normalised names longer than this are never found in a pack (the disk may still have them).
constexpr size_t kPakMaxPath = 259;

constexpr uint32_t kFileAttributeReadOnly = 0x01;
constexpr uint32_t kFileAttributeDirectory = 0x10;
constexpr uint32_t kFileAttributeNormal = 0x80;

// What a file search reports for each file found. Times are in 100-ns units since 1601-01-01 UTC.
struct FindData
{
    uint32_t attributes = 0;
    uint64_t creationTime = 0;
    uint64_t lastAccessTime = 0;
    uint64_t lastWriteTime = 0;
    uint32_t fileSizeHigh = 0;
    uint32_t fileSizeLow = 0;
    char fileName[260] = {};
};

struct PackArchive
{
    std::string path;
    std::unique_ptr<Platform::MappedFile> mapping;
    const uint8_t* view = nullptr;
    uint64_t viewSize = 0;

    PackArchive();
    ~PackArchive();
    PackArchive(PackArchive&&) noexcept;
    PackArchive& operator=(PackArchive&&) noexcept;
};

struct PackEntry
{
    PackArchive* archive = nullptr; // not owned
    std::string name;               // as stored in the pack directory
    uint64_t fileTime = 0;
    uint64_t start = 0; // from the beginning of the pack file
    uint64_t size = 0;
};

// An open file: a packed file (entry set, file null) or a disk file (entry null, file set).
struct PackFileHandle
{
    const PackEntry* entry = nullptr;
    int64_t position = 0;
    std::FILE* file = nullptr;
};

// A running file search: the pack first, then the disk.
struct PackFindState
{
    std::unique_ptr<Platform::DirectorySearch> diskSearch; // null while the pack is being searched
    std::string lastKey;
    // An entry may have an empty name, so an empty last key cannot also mean "nothing reported yet".
    bool reportedAny = false;
    std::string pattern;

    PackFindState();
    ~PackFindState();
};

// Why a pack was not taken.
enum class PakProblem
{
    None,
    Missing,    // no file of that name
    NotAFile,   // a folder, a pipe or a device in its place
    Empty,      // zero bytes
    Unreadable, // there, but it cannot be read
    NotAPack,   // it does not begin as a pack does (another file, or damaged at its start)
    Cut,        // its directory or its files run past its end (a copy or download cut short)
};

class PakInterfaceBase
{
public:
    virtual ~PakInterfaceBase() = default;

    // Opens nothing: kept for callers that still pass wide names.
    virtual PackFileHandle* FOpen(const std::wstring& name, const std::wstring& mode) = 0;
    virtual PackFileHandle* FOpen(const std::string& name, const std::string& mode) = 0;
    virtual int FClose(PackFileHandle* handle) = 0;
    virtual int FSeek(PackFileHandle* handle, long offset, int origin) = 0;
    virtual long FTell(PackFileHandle* handle) = 0;
    virtual size_t FRead(void* buffer, size_t elementSize, size_t count, PackFileHandle* handle) = 0;
    virtual int FGetC(PackFileHandle* handle) = 0;
    virtual int UnGetC(int c, PackFileHandle* handle) = 0;
    // Reads nothing and returns the buffer.
    virtual wchar_t* FGetS(wchar_t* buffer, int count, PackFileHandle* handle) = 0;
    virtual char* FGetS(char* buffer, int count, PackFileHandle* handle) = 0;
    virtual int FEof(PackFileHandle* handle) = 0;
    // Returns null when nothing matches.
    virtual PackFindState* FindFirstFile(const std::string& pattern, FindData* data) = 0;
    virtual int FindNextFile(PackFindState* state, FindData* data) = 0;
    virtual int FindClose(PackFindState* state) = 0;
};

class PakInterface : public PakInterfaceBase
{
public:
    // The first reader constructed in the process becomes the active one.
    PakInterface();
    ~PakInterface() override;
    PakInterface(const PakInterface&) = delete;
    PakInterface& operator=(const PakInterface&) = delete;

    PackFileHandle* FOpen(const std::wstring& name, const std::wstring& mode) override;
    PackFileHandle* FOpen(const std::string& name, const std::string& mode) override;
    int FClose(PackFileHandle* handle) override;
    int FSeek(PackFileHandle* handle, long offset, int origin) override;
    long FTell(PackFileHandle* handle) override;
    size_t FRead(void* buffer, size_t elementSize, size_t count, PackFileHandle* handle) override;
    int FGetC(PackFileHandle* handle) override;
    int UnGetC(int c, PackFileHandle* handle) override;
    wchar_t* FGetS(wchar_t* buffer, int count, PackFileHandle* handle) override;
    char* FGetS(char* buffer, int count, PackFileHandle* handle) override;
    int FEof(PackFileHandle* handle) override;
    PackFindState* FindFirstFile(const std::string& pattern, FindData* data) override;
    int FindNextFile(PackFindState* state, FindData* data) override;
    int FindClose(PackFindState* state) override;

    // Maps the pack and adds its directory; a pack that is unreadable or damaged in any way adds nothing, and
    // `problem` (when given) says why.
    bool AddPakFile(const std::string& path, PakProblem* problem = nullptr);
    // Upper-cased, '\'-separated, ".." resolved, absolute paths into the working directory made relative.
    std::string NormalizePath(const std::string& name) const;
    bool FindPakMatch(PackFindState* state, FindData* data);

    const std::map<std::string, PackEntry>& Entries() const { return mPakRecordMap; }

private:
    std::list<PackArchive> mPakCollection;
    std::map<std::string, PackEntry> mPakRecordMap;
};

// The active reader, or null when none has been constructed.
PakInterfaceBase* ActivePakInterface();

// The wrappers go to the active reader, or straight to the disk when there is none.
PackFileHandle* PakOpen(const std::string& name, const std::string& mode);
int PakClose(PackFileHandle* handle);
int PakSeek(PackFileHandle* handle, long offset, int origin);
long PakTell(PackFileHandle* handle);
size_t PakRead(void* buffer, size_t elementSize, size_t count, PackFileHandle* handle);
int PakGetC(PackFileHandle* handle);
int PakUnGetC(int c, PackFileHandle* handle);
int PakEof(PackFileHandle* handle);

// An open file that closes itself: what callers of PakOpen hold, so no path out of a reader leaks the handle.
struct PakCloser
{
    void operator()(PackFileHandle* handle) const { PakClose(handle); }
};
using PakFile = std::unique_ptr<PackFileHandle, PakCloser>;
// PakOpen, owned; empty when the file cannot be opened.
inline PakFile PakOpenFile(const std::string& name, const std::string& mode)
{
    return PakFile(PakOpen(name, mode));
}

} // namespace Zest
