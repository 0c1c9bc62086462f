// Read-only memory mapping of a whole file, the stand-in for the desktop file-mapping calls the pack reader uses.
// Implements: open an existing file, map all of it read-only, unmap on destruction. Leaves out: writable or
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
    // Null when the file does not exist, cannot be read, is empty or cannot be mapped.
    static std::unique_ptr<MappedFile> Open(const std::string& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    const uint8_t* Data() const { return mData; }
    uint64_t Size() const { return mSize; }

private:
    MappedFile(const uint8_t* data, uint64_t size) : mData(data), mSize(size) {}
    const uint8_t* mData;
    uint64_t mSize;
};

} // namespace Platform
