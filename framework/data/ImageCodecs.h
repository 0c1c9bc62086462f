// Inner layer of the image files: byte sources, the per-format decoders and the in-memory encoders.
#pragma once

#include "data/ImageLib.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "data/PakInterface.h"

namespace ImageLib
{

// A readable, seekable run of bytes: an open archive file or a block of memory.
class ImageSource
{
public:
    virtual ~ImageSource() = default;
    // Copies up to size bytes; returns how many were copied (0 at the end or on error).
    virtual size_t Read(void* buffer, size_t size) = 0;
    // Moves to an absolute position; false when it cannot.
    virtual bool Seek(uint64_t position) = 0;
    virtual uint64_t Tell() = 0;
    // Bytes in the whole source.
    virtual uint64_t Size() = 0;
};

class MemorySource final : public ImageSource
{
public:
    MemorySource(const void* data, size_t size) : mData(static_cast<const uint8_t*>(data)), mSize(size) {}
    size_t Read(void* buffer, size_t size) override;
    bool Seek(uint64_t position) override;
    uint64_t Tell() override { return mPos; }
    uint64_t Size() override { return mSize; }

private:
    const uint8_t* mData;
    size_t mSize;
    size_t mPos = 0;
};

// A file opened through the archive wrappers ("rb"); closed on destruction.
class PakSource final : public ImageSource
{
public:
    // Null when the file does not open.
    static std::unique_ptr<PakSource> Open(const std::string& fileName);
    size_t Read(void* buffer, size_t size) override;
    bool Seek(uint64_t position) override;
    uint64_t Tell() override;
    uint64_t Size() override;

private:
    explicit PakSource(Zest::PakFile file) : mFile(std::move(file)), mHandle(mFile.get()) {}
    Zest::PakFile mFile;
    Zest::PackFileHandle* mHandle;
};

// Buffered byte-at-a-time reading over a source, for the decoders that walk their files byte by byte.
class ByteReader
{
public:
    explicit ByteReader(ImageSource& source) : mSource(source) {}
    // The next byte (0..255), or -1 at the end of the data.
    int Byte()
    {
        if (mPos == mLen && !Fill()) return -1;
        return mBuffer[mPos++];
    }
    // Exactly size bytes, or false.
    bool Read(void* buffer, size_t size);
    bool Skip(uint64_t size);

private:
    bool Fill();
    ImageSource& mSource;
    size_t mPos = 0;
    size_t mLen = 0;
    uint8_t mBuffer[16384];
};

// A new image for code that cannot hold owning objects across library calls that long-jump; null on failure.
Image* AllocateImage(int width, int height, bool zeroFill);

// Reports a decoding problem to the debug output (the file name is not known at this level).
void ReportImageProblem(const char* format, const char* detail);

// Decoders. Each returns null on a bad or truncated stream, never reading out of bounds.
std::unique_ptr<Image> DecodeTGA(ImageSource& source);
std::unique_ptr<Image> DecodeGIF(ImageSource& source);
std::unique_ptr<Image> DecodePNG(ImageSource& source);
std::unique_ptr<Image> DecodeJPEG(ImageSource& source);
std::unique_ptr<Image> DecodeJ2K(ImageSource& source);

// Encoders into memory; false when the library reports an error.
bool EncodePNG(const Image& image, std::vector<uint8_t>& out);
bool EncodeJPEG(const Image& image, std::vector<uint8_t>& out, int quality = 80);

// Writes a whole file from memory; false on any failure.
bool WriteWholeFile(const std::string& fileName, const std::vector<uint8_t>& bytes);

} // namespace ImageLib
