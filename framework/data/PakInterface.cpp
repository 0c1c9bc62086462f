// Pack archive reader: mapped packs, the entry directory, packed-file reads with unscrambling, the file search,
// and the wrapper functions that route every file access to the active reader or to the disk.
#include "data/PakInterface.h"

#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "platform/MappedFile.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace Zest
{

namespace
{

std::atomic<PakInterfaceBase*> gActivePakInterface{nullptr};

char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperCased(const std::string& s)
{
    std::string out(s);
    for (char& c : out) c = UpperAscii(c);
    return out;
}

int64_t SaturatingAdd(int64_t a, int64_t b)
{
    int64_t r;
    if (__builtin_add_overflow(a, b, &r)) return b < 0 ? INT64_MIN : INT64_MAX;
    return r;
}

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

// Copies with the scramble key removed. Whole 8-byte words keep this near memcpy speed without relying on the
// optimiser to vectorise a byte loop.
void Unscramble(uint8_t* dst, const uint8_t* src, size_t n)
{
    constexpr uint64_t kWordKey = 0x0101010101010101ULL * kPakScrambleKey;
    size_t i = 0;
    for (; i + 32 <= n; i += 32)
    {
        uint64_t w[4];
        std::memcpy(w, src + i, 32);
        w[0] ^= kWordKey;
        w[1] ^= kWordKey;
        w[2] ^= kWordKey;
        w[3] ^= kWordKey;
        std::memcpy(dst + i, w, 32);
    }
    for (; i < n; ++i) dst[i] = static_cast<uint8_t>(src[i] ^ kPakScrambleKey);
}

// Disk files: names may use either separator and any letter case; the text-mode flag means nothing here.
std::FILE* OpenDiskFile(const std::string& name, const std::string& mode)
{
    std::string m;
    for (char c : mode)
        if (c != 't' && c != 'T') m += c;
    if (m.empty()) return nullptr;
    return Platform::OpenFile(Platform::ResolveFileName(name), m.c_str());
}

bool IsPackMode(const std::string& mode)
{
    const std::string m = UpperCased(mode);
    return m == "R" || m == "RB" || m == "RT";
}

// Bounded reader over the unscrambled view of a pack, used for its header and directory.
class DirectoryCursor
{
public:
    DirectoryCursor(const uint8_t* data, uint64_t size) : mData(data), mSize(size) {}

    bool Bytes(void* out, uint64_t n)
    {
        if (n > mSize - mPos) return false;
        Unscramble(static_cast<uint8_t*>(out), mData + mPos, static_cast<size_t>(n));
        mPos += n;
        return true;
    }
    bool U8(uint8_t& v) { return Bytes(&v, 1); }
    bool U32(uint32_t& v)
    {
        uint8_t b[4];
        if (!Bytes(b, 4)) return false;
        v = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
        return true;
    }
    bool U64(uint64_t& v)
    {
        uint32_t lo, hi;
        if (!U32(lo) || !U32(hi)) return false;
        v = uint64_t(lo) | uint64_t(hi) << 32;
        return true;
    }
    uint64_t Position() const { return mPos; }

private:
    const uint8_t* mData;
    uint64_t mSize;
    uint64_t mPos = 0;
};

void FillFromEntry(const PackEntry& entry, FindData* data)
{
    if (!data) return;
    *data = FindData();
    data->attributes = 0;
    data->creationTime = data->lastAccessTime = data->lastWriteTime = entry.fileTime;
    data->fileSizeLow = static_cast<uint32_t>(entry.size);
    data->fileSizeHigh = static_cast<uint32_t>(entry.size >> 32);
    const size_t slash = entry.name.rfind('\\');
    const std::string base = slash == std::string::npos ? entry.name : entry.name.substr(slash + 1);
    const size_t n = std::min(base.size(), sizeof(data->fileName) - 1);
    std::memcpy(data->fileName, base.data(), n);
    data->fileName[n] = '\0';
}

void FillFromDisk(const Platform::FoundFile& found, FindData* data)
{
    if (!data) return;
    *data = FindData();
    data->attributes =
        found.isDirectory ? kFileAttributeDirectory : (found.readOnly ? kFileAttributeReadOnly : kFileAttributeNormal);
    data->creationTime = found.creationTime;
    data->lastAccessTime = found.lastAccessTime;
    data->lastWriteTime = found.lastWriteTime;
    data->fileSizeLow = static_cast<uint32_t>(found.size);
    data->fileSizeHigh = static_cast<uint32_t>(found.size >> 32);
    const size_t n = std::min(found.name.size(), sizeof(data->fileName) - 1);
    std::memcpy(data->fileName, found.name.data(), n);
    data->fileName[n] = '\0';
}

} // namespace

PackArchive::PackArchive() = default;
PackArchive::~PackArchive() = default;
PackArchive::PackArchive(PackArchive&&) noexcept = default;
PackArchive& PackArchive::operator=(PackArchive&&) noexcept = default;

PackFindState::PackFindState() = default;
PackFindState::~PackFindState() = default;

PakInterfaceBase* ActivePakInterface()
{
    return gActivePakInterface.load(std::memory_order_acquire);
}

PakInterface::PakInterface()
{
    PakInterfaceBase* expected = nullptr;
    gActivePakInterface.compare_exchange_strong(expected, this, std::memory_order_acq_rel);
}

PakInterface::~PakInterface()
{
    // The game's reader lives for the whole run; a reader that does go away must not stay published.
    PakInterfaceBase* expected = this;
    gActivePakInterface.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
}

bool PakInterface::AddPakFile(const std::string& path, PakProblem* problem)
{
    auto fail = [problem](PakProblem why)
    {
        if (problem) *problem = why;
        return false;
    };
    using Failure = Platform::MappedFile::Failure;
    Failure failure = Failure::None;
    std::unique_ptr<Platform::MappedFile> mapping =
        Platform::MappedFile::Open(Platform::ResolveFileName(path), &failure);
    if (!mapping)
    {
        switch (failure)
        {
        case Failure::Missing:
            return fail(PakProblem::Missing);
        case Failure::NotAFile:
            return fail(PakProblem::NotAFile);
        case Failure::Empty:
            return fail(PakProblem::Empty);
        default:
            return fail(PakProblem::Unreadable);
        }
    }

    PackArchive archive;
    archive.path = path;
    archive.view = mapping->Data();
    archive.viewSize = mapping->Size();
    archive.mapping = std::move(mapping);
    mPakCollection.push_back(std::move(archive));
    PackArchive* pack = &mPakCollection.back();

    // The pack itself is readable as a file (unscrambled), whatever spelling of its path was given.
    PackEntry self;
    self.archive = pack;
    self.name = path;
    self.start = 0;
    self.size = pack->viewSize;
    mPakRecordMap[NormalizePath(path)] = self;

    DirectoryCursor in(pack->view, pack->viewSize);
    uint32_t magic = 0, version = 0;
    if (!in.U32(magic) || magic != kPakMagic || !in.U32(version) || version != kPakVersion)
        return fail(PakProblem::NotAPack);

    // The whole directory is checked before any of it is used: a pack is taken complete or not at all.
    std::vector<PackEntry> found;
    uint64_t running = 0;
    for (;;)
    {
        uint8_t flags = 0;
        if (!in.U8(flags)) return fail(PakProblem::Cut); // no end flag
        if (flags & 0x80) break;
        uint8_t nameLength = 0;
        PackEntry entry;
        entry.archive = pack;
        entry.name.resize(0);
        if (!in.U8(nameLength)) return fail(PakProblem::Cut);
        entry.name.resize(nameLength);
        uint32_t size = 0;
        if (!in.Bytes(entry.name.data(), nameLength) || !in.U32(size) || !in.U64(entry.fileTime))
            return fail(PakProblem::Cut);
        entry.start = running;
        entry.size = size;
        running += size;
        found.push_back(std::move(entry));
    }
    const uint64_t headerLength = in.Position();
    for (PackEntry& entry : found)
    {
        entry.start += headerLength;
        if (entry.start > pack->viewSize || entry.size > pack->viewSize - entry.start) return fail(PakProblem::Cut);
    }
    for (PackEntry& entry : found)
    {
        std::string key = UpperCased(entry.name);
        mPakRecordMap[std::move(key)] = std::move(entry);
    }
    if (problem) *problem = PakProblem::None;
    return true;
}

std::string PakInterface::NormalizePath(const std::string& name) const
{
    std::string_view in(name);

    // An absolute path into the working directory becomes relative. Both a POSIX path and a drive-letter path
    // are tried; the latter never matches here but costs nothing.
    if (!in.empty() && (IsSeparator(in[0]) || (in.size() > 1 && in[1] == ':')))
    {
        std::string cwd = Platform::GetCurrentDirectory();
        if (!cwd.empty() && !IsSeparator(cwd.back())) cwd += '/';
        if (!cwd.empty() && in.size() >= cwd.size())
        {
            bool same = true;
            for (size_t i = 0; i < cwd.size() && same; ++i)
            {
                const char a = in[i], b = cwd[i];
                same = (IsSeparator(a) && IsSeparator(b)) || UpperAscii(a) == UpperAscii(b);
            }
            if (same) in.remove_prefix(cwd.size());
        }
    }

    std::string out;
    out.reserve(in.size());
    size_t i = 0;
    const size_t n = in.size();
    while (i < n)
    {
        const char c = in[i];
        if (!IsSeparator(c))
        {
            out += UpperAscii(c);
            ++i;
            continue;
        }
        while (i < n && IsSeparator(in[i])) ++i;
        out += '\\';
        // ".." right after a separator (or after an earlier such pair) drops the last component; the separators
        // that follow belong to the same run.
        while (i + 1 < n && in[i] == '.' && in[i + 1] == '.')
        {
            i += 2;
            if (!out.empty() && out.back() == '\\') out.pop_back();
            const size_t prev = out.rfind('\\');
            out.resize(prev == std::string::npos ? 0 : prev + 1);
            while (i < n && IsSeparator(in[i])) ++i;
        }
    }
    return out;
}

PackFileHandle* PakInterface::FOpen(const std::wstring&, const std::wstring&)
{
    return nullptr;
}

PackFileHandle* PakInterface::FOpen(const std::string& name, const std::string& mode)
{
    if (IsPackMode(mode))
    {
        const std::string key = NormalizePath(name);
        if (key.size() <= kPakMaxPath)
        {
            auto it = mPakRecordMap.find(key);
            if (it != mPakRecordMap.end())
            {
                auto* handle = new PackFileHandle();
                handle->entry = &it->second;
                return handle;
            }
        }
    }
    std::FILE* file = OpenDiskFile(name, mode);
    if (!file) return nullptr;
    auto* handle = new PackFileHandle();
    handle->file = file;
    return handle;
}

int PakInterface::FClose(PackFileHandle* handle)
{
    if (!handle) return 0;
    if (handle->file) std::fclose(handle->file);
    // A file of the pack is read whole into what is made of it (a picture, a sound, a text) and closed: its
    // bytes need not stay in memory (the mapping reads them from the disk again if the file is opened again).
    if (handle->entry && handle->entry->archive && handle->entry->archive->mapping)
        handle->entry->archive->mapping->ReleasePages(handle->entry->start, handle->entry->size);
    delete handle;
    return 0;
}

int PakInterface::FSeek(PackFileHandle* handle, long offset, int origin)
{
    if (!handle) return -1;
    if (!handle->entry) return std::fseek(handle->file, offset, origin);
    const int64_t size = static_cast<int64_t>(handle->entry->size);
    int64_t pos = handle->position;
    switch (origin)
    {
    case SEEK_SET:
        pos = offset;
        break;
    case SEEK_CUR:
        pos = SaturatingAdd(pos, offset);
        break;
    case SEEK_END:
        pos = SaturatingAdd(size, offset);
        break;
    default:
        break;
    }
    if (std::min(pos, size) <= 0)
        pos = 0;
    else if (pos >= size)
        pos = size;
    handle->position = pos;
    return 0;
}

long PakInterface::FTell(PackFileHandle* handle)
{
    if (!handle) return -1;
    if (!handle->entry) return std::ftell(handle->file);
    return static_cast<long>(handle->position);
}

size_t PakInterface::FRead(void* buffer, size_t elementSize, size_t count, PackFileHandle* handle)
{
    if (!handle) return 0;
    if (!handle->entry) return std::fread(buffer, elementSize, count, handle->file);
    if (elementSize == 0 || count == 0) return 0;
    const PackEntry& e = *handle->entry;
    const uint64_t pos = static_cast<uint64_t>(handle->position);
    const uint64_t left = pos < e.size ? e.size - pos : 0;
    // A trailing part of an element is still copied; it just does not count as an element read.
    uint64_t whole = left / elementSize;
    uint64_t bytes = left;
    if (count <= whole)
    {
        whole = count;
        bytes = static_cast<uint64_t>(count) * elementSize;
    }
    if (bytes > 0)
    {
        Unscramble(static_cast<uint8_t*>(buffer), e.archive->view + e.start + pos, static_cast<size_t>(bytes));
        handle->position += static_cast<int64_t>(bytes);
    }
    return static_cast<size_t>(whole);
}

int PakInterface::FGetC(PackFileHandle* handle)
{
    if (!handle) return -1;
    if (!handle->entry) return std::fgetc(handle->file);
    const PackEntry& e = *handle->entry;
    const int64_t size = static_cast<int64_t>(e.size);
    if (handle->position >= size) return -1;
    int c = e.archive->view[e.start + handle->position++] ^ kPakScrambleKey;
    if (c == '\r')
    {
        if (handle->position >= size) return -1;
        c = e.archive->view[e.start + handle->position++] ^ kPakScrambleKey;
    }
    return c;
}

int PakInterface::UnGetC(int c, PackFileHandle* handle)
{
    if (!handle) return -1;
    if (!handle->entry) return std::ungetc(c, handle->file);
    if (handle->position > 0) --handle->position;
    return c;
}

wchar_t* PakInterface::FGetS(wchar_t* buffer, int, PackFileHandle*)
{
    return buffer;
}

char* PakInterface::FGetS(char* buffer, int count, PackFileHandle* handle)
{
    if (!handle || !buffer) return nullptr;
    if (!handle->entry) return std::fgets(buffer, count, handle->file);
    if (count <= 0) return nullptr;
    const PackEntry& e = *handle->entry;
    const int64_t size = static_cast<int64_t>(e.size);
    if (count == 1)
    {
        buffer[0] = '\0';
        return buffer;
    }
    if (handle->position >= size) return nullptr;
    int stored = 0;
    while (stored < count - 1 && handle->position < size)
    {
        const char c = static_cast<char>(e.archive->view[e.start + handle->position++] ^ kPakScrambleKey);
        if (c == '\r') continue;
        buffer[stored++] = c;
        if (c == '\n') break;
    }
    buffer[stored] = '\0';
    return buffer;
}

int PakInterface::FEof(PackFileHandle* handle)
{
    if (!handle) return 1;
    if (!handle->entry) return std::feof(handle->file);
    return handle->position >= static_cast<int64_t>(handle->entry->size) ? 1 : 0;
}

bool PakInterface::FindPakMatch(PackFindState* state, FindData* data)
{
    auto it = mPakRecordMap.begin();
    if (state->reportedAny)
    {
        it = mPakRecordMap.find(state->lastKey);
        if (it == mPakRecordMap.end()) return false;
        ++it;
    }
    const size_t star = state->pattern.find('*');
    if (star == std::string::npos) return false;
    const std::string_view prefix = std::string_view(state->pattern).substr(0, star);
    const std::string_view suffix = std::string_view(state->pattern).substr(star + 1);
    for (; it != mPakRecordMap.end(); ++it)
    {
        const std::string& key = it->first;
        if (key.compare(0, prefix.size(), prefix) != 0 || key.size() < prefix.size()) continue;
        const bool match =
            suffix.empty() || suffix == ".*" ||
            (key.size() >= suffix.size() && key.compare(key.size() - suffix.size(), suffix.size(), suffix) == 0);
        if (!match) continue;
        FillFromEntry(it->second, data);
        state->lastKey = key;
        state->reportedAny = true;
        return true;
    }
    return false;
}

PackFindState* PakInterface::FindFirstFile(const std::string& pattern, FindData* data)
{
    auto state = std::make_unique<PackFindState>();
    state->pattern = NormalizePath(pattern);
    if (FindPakMatch(state.get(), data)) return state.release();
    Platform::FoundFile found;
    state->diskSearch = Platform::DirectorySearch::Start(state->pattern, found);
    if (!state->diskSearch) return nullptr;
    FillFromDisk(found, data);
    return state.release();
}

int PakInterface::FindNextFile(PackFindState* state, FindData* data)
{
    if (!state) return 0;
    Platform::FoundFile found;
    if (!state->diskSearch)
    {
        if (FindPakMatch(state, data)) return 1;
        state->diskSearch = Platform::DirectorySearch::Start(state->pattern, found);
        if (!state->diskSearch) return 0;
        FillFromDisk(found, data);
        return 1;
    }
    if (!state->diskSearch->Next(found)) return 0;
    FillFromDisk(found, data);
    return 1;
}

int PakInterface::FindClose(PackFindState* state)
{
    delete state;
    return 1;
}

// ---- wrappers ----

PackFileHandle* PakOpen(const std::string& name, const std::string& mode)
{
    if (PakInterfaceBase* pak = ActivePakInterface()) return pak->FOpen(name, mode);
    std::FILE* file = OpenDiskFile(name, mode);
    if (!file) return nullptr;
    auto* handle = new PackFileHandle();
    handle->file = file;
    return handle;
}

int PakClose(PackFileHandle* handle)
{
    if (PakInterfaceBase* pak = ActivePakInterface()) return pak->FClose(handle);
    if (!handle) return 0;
    const int result = handle->file ? std::fclose(handle->file) : 0;
    delete handle;
    return result;
}

int PakSeek(PackFileHandle* handle, long offset, int origin)
{
    if (PakInterfaceBase* pak = ActivePakInterface()) return pak->FSeek(handle, offset, origin);
    return handle && handle->file ? std::fseek(handle->file, offset, origin) : -1;
}

long PakTell(PackFileHandle* handle)
{
    if (PakInterfaceBase* pak = ActivePakInterface()) return pak->FTell(handle);
    return handle && handle->file ? std::ftell(handle->file) : -1;
}

size_t PakRead(void* buffer, size_t elementSize, size_t count, PackFileHandle* handle)
{
    if (PakInterfaceBase* pak = ActivePakInterface()) return pak->FRead(buffer, elementSize, count, handle);
    return handle && handle->file ? std::fread(buffer, elementSize, count, handle->file) : 0;
}

int PakGetC(PackFileHandle* handle)
{
    if (PakInterfaceBase* pak = ActivePakInterface()) return pak->FGetC(handle);
    return handle && handle->file ? std::fgetc(handle->file) : EOF;
}

int PakUnGetC(int c, PackFileHandle* handle)
{
    if (PakInterfaceBase* pak = ActivePakInterface()) return pak->UnGetC(c, handle);
    return handle && handle->file ? std::ungetc(c, handle->file) : EOF;
}

int PakEof(PackFileHandle* handle)
{
    if (PakInterfaceBase* pak = ActivePakInterface()) return pak->FEof(handle);
    return handle && handle->file ? std::feof(handle->file) : 1;
}

} // namespace Zest
