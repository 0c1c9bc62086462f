// Read-only whole-file mapping through mmap.
#include "platform/MappedFile.h"

#include <algorithm>

#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform
{

std::unique_ptr<MappedFile> MappedFile::Open(const std::string& path, Failure* why)
{
    auto fail = [why](Failure failure)
    {
        if (why) *why = failure;
        return nullptr;
    };
    // Without blocking: a pipe in the file's place would hold open() until a writer came.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
    {
        if (errno == ENOENT || errno == ENOTDIR) return fail(Failure::Missing);
        struct stat st;
        if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return fail(Failure::NotAFile);
        return fail(Failure::Unreadable);
    }
    struct stat st;
    Failure failure = Failure::None;
    if (::fstat(fd, &st) != 0)
        failure = Failure::Unreadable;
    else if (!S_ISREG(st.st_mode))
        failure = Failure::NotAFile;
    else if (st.st_size <= 0)
        failure = Failure::Empty;
    if (failure != Failure::None)
    {
        ::close(fd);
        return fail(failure);
    }
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    void* data = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
    // The mapping keeps the file alive; the descriptor is no longer needed.
    ::close(fd);
    if (data == MAP_FAILED) return fail(Failure::Unreadable);
    if (why) *why = Failure::None;
    return std::unique_ptr<MappedFile>(new MappedFile(static_cast<const uint8_t*>(data), size));
}

void MappedFile::ReleasePages(uint64_t offset, uint64_t length) const
{
    if (offset >= mSize || length == 0) return;
    const uint64_t end = std::min(mSize, offset + std::min(length, mSize - offset));
    const uint64_t page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    const uint64_t first = offset / page * page;
    // The mapping itself starts on a page; only its last page may run past the file's end.
    ::madvise(const_cast<uint8_t*>(mData) + first, static_cast<size_t>(end - first), MADV_DONTNEED);
}

MappedFile::~MappedFile()
{
    ::munmap(const_cast<uint8_t*>(mData), static_cast<size_t>(mSize));
}

} // namespace Platform
