// Read-only memory mapping of a whole file, the stand-in for the desktop file-mapping calls the pack reader uses.
// Implements: open an existing regular file, map all of it read-only, unmap on destruction. Leaves out: writable or
// partial views, and empty files (a zero-length file cannot be mapped and is reported as a failure).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace Platform
{

class MappedFile
{
public:
    enum class Failure
    {
        None,
        Missing,    // nothing at the path
        NotAFile,   // a folder, a pipe, a device: refused at once, never waited on or read
        Empty,      // a file of zero bytes
        Unreadable, // there, but it cannot be opened or mapped (permissions, an I/O error)
    };
    // Null when the file does not exist, is not a regular file, cannot be read, is empty or cannot be mapped;
    // `why` (when given) then says which.
    static std::unique_ptr<MappedFile> Open(const std::string& path, Failure* why = nullptr);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    const uint8_t* Data() const { return mData; }
    uint64_t Size() const { return mSize; }
    // Lets the system take back the memory holding the pages of bytes [offset, offset + length) (widened to whole
    // pages): the mapping stays, and a later read brings them in from the file again. Reading a part once and
    // dropping it keeps a large file from staying in the process's memory after it was read.
    void ReleasePages(uint64_t offset, uint64_t length) const;

private:
    MappedFile(const uint8_t* data, uint64_t size) : mData(data), mSize(size) {}
    const uint8_t* mData;
    uint64_t mSize;
};

} // namespace Platform
