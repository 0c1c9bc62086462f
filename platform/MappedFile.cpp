// Read-only whole-file mapping through mmap.
#include "platform/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform
{

std::unique_ptr<MappedFile> MappedFile::Open(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0)
    {
        ::close(fd);
        return nullptr;
    }
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    void* data = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
    // The mapping keeps the file alive; the descriptor is no longer needed.
    ::close(fd);
    if (data == MAP_FAILED) return nullptr;
    return std::unique_ptr<MappedFile>(new MappedFile(static_cast<const uint8_t*>(data), size));
}

MappedFile::~MappedFile()
{
    ::munmap(const_cast<uint8_t*>(mData), static_cast<size_t>(mSize));
}

} // namespace Platform
