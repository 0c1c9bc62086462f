// Image files: the image record, the file search with alpha-image merging, and the per-format entry points.
#include "data/ImageLib.h"

#include "data/ImageCodecs.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace ImageLib
{

std::atomic<uint32_t> gAlphaComposeColor{0xFFFFFF};

bool IsAcceptableSize(int64_t width, int64_t height)
{
    return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide &&
           static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= kMaxImagePixels;
}

std::unique_ptr<Image> Image::Create(int width, int height, bool zeroFill) noexcept
{
    if (!IsAcceptableSize(width, height)) return nullptr;
    // One word more than the pixels: the room a picture taking the array over needs for its guard word.
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height) + 1;
    std::unique_ptr<uint32_t[]> bits(zeroFill ? new (std::nothrow) uint32_t[count]()
                                              : new (std::nothrow) uint32_t[count]);
    if (!bits) return nullptr;
    std::unique_ptr<Image> image(new (std::nothrow) Image);
    if (!image) return nullptr;
    image->mWidth = width;
    image->mHeight = height;
    image->mBits = std::move(bits);
    image->mGuardRoom = true;
    return image;
}

Image* AllocateImage(int width, int height, bool zeroFill)
{
    return Image::Create(width, height, zeroFill).release();
}

size_t MemorySource::Read(void* buffer, size_t size)
{
    const size_t n = std::min(size, mSize - mPos);
    if (n > 0) std::memcpy(buffer, mData + mPos, n);
    mPos += n;
    return n;
}

bool MemorySource::Seek(uint64_t position)
{
    if (position > mSize) return false;
    mPos = static_cast<size_t>(position);
    return true;
}

bool ByteReader::Fill()
{
    mPos = 0;
    mLen = mSource.Read(mBuffer, sizeof(mBuffer));
    return mLen > 0;
}

bool ByteReader::Read(void* buffer, size_t size)
{
    auto* out = static_cast<uint8_t*>(buffer);
    while (size > 0)
    {
        if (mPos == mLen && !Fill()) return false;
        const size_t n = std::min(size, mLen - mPos);
        std::memcpy(out, mBuffer + mPos, n);
        mPos += n;
        out += n;
        size -= n;
    }
    return true;
}

bool ByteReader::Skip(uint64_t size)
{
    while (size > 0)
    {
        if (mPos == mLen && !Fill()) return false;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(size, mLen - mPos));
        mPos += n;
        size -= n;
    }
    return true;
}

namespace
{

using FileLoader = std::unique_ptr<Image> (*)(const std::string&);

struct LoaderEntry
{
    const char* extension;
    FileLoader load;
};

// The order in which a name without an extension is tried.
const LoaderEntry kLoaders[] = {
    {".tga", LoadTGAImage}, {".jpg", LoadJPEGImage}, {".png", LoadPNGImage},
    {".gif", LoadGIFImage}, {".j2k", LoadJ2KImage},  {".jp2", LoadJ2KImage},
};

// Index just after the last '\' or '/', 0 when there is none.
size_t FilePartStart(const std::string& name)
{
    const size_t sep = name.find_last_of("\\/");
    return sep == std::string::npos ? 0 : sep + 1;
}

bool EqualNoCase(const std::string& a, const char* b)
{
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
    {
        const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

std::unique_ptr<Image> LoadWith(const std::string& fileName, std::unique_ptr<Image> (*decode)(ImageSource&))
{
    auto source = PakSource::Open(fileName);
    if (!source) return nullptr;
    return decode(*source);
}

std::unique_ptr<Image> FindColourImage(const std::string& fileName)
{
    const size_t dot = fileName.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot >= FilePartStart(fileName);
    const std::string extension = hasExtension ? fileName.substr(dot) : std::string();
    for (const LoaderEntry& loader : kLoaders)
    {
        std::unique_ptr<Image> image;
        if (!hasExtension)
            image = loader.load(fileName + loader.extension);
        else if (EqualNoCase(extension, loader.extension))
            image = loader.load(fileName);
        if (image) return image;
    }
    return nullptr;
}

} // namespace

std::unique_ptr<Image> GetImage(const std::string& fileName, bool lookForAlpha)
{
    return GetImage(fileName, lookForAlpha, gAlphaComposeColor.load(std::memory_order_relaxed));
}

std::unique_ptr<Image> GetImage(const std::string& fileName, bool lookForAlpha, uint32_t alphaComposeColor)
{
    std::unique_ptr<Image> image = FindColourImage(fileName);
    if (!lookForAlpha) return image;

    const size_t filePart = FilePartStart(fileName);
    const std::string alphaName = fileName.substr(0, filePart) + "_" + fileName.substr(filePart);
    std::unique_ptr<Image> alpha = FindColourImage(alphaName);
    if (!alpha) alpha = FindColourImage(fileName + "_");
    if (!alpha) return image;

    const size_t count = static_cast<size_t>(alpha->mWidth) * static_cast<size_t>(alpha->mHeight);
    const uint32_t* a = alpha->GetBits();
    if (image)
    {
        if (image->mWidth == alpha->mWidth && image->mHeight == alpha->mHeight)
        {
            uint32_t* p = image->GetBits();
            for (size_t i = 0; i < count; ++i) p[i] = (p[i] & 0x00FFFFFF) | (a[i] << 24);
        }
        return image;
    }
    const uint32_t rgb = alphaComposeColor & 0x00FFFFFF;
    uint32_t* p = alpha->GetBits();
    for (size_t i = 0; i < count; ++i) p[i] = (p[i] << 24) | rgb;
    return alpha;
}

std::unique_ptr<Image> LoadTGAImage(const std::string& fileName)
{
    return LoadWith(fileName, DecodeTGA);
}
std::unique_ptr<Image> LoadJPEGImage(const std::string& fileName)
{
    return LoadWith(fileName, DecodeJPEG);
}
std::unique_ptr<Image> LoadPNGImage(const std::string& fileName)
{
    return LoadWith(fileName, DecodePNG);
}
std::unique_ptr<Image> LoadGIFImage(const std::string& fileName)
{
    return LoadWith(fileName, DecodeGIF);
}
std::unique_ptr<Image> LoadJ2KImage(const std::string& fileName)
{
    return LoadWith(fileName, DecodeJ2K);
}

bool WritePNGImage(const std::string& fileName, const Image& image)
{
    std::vector<uint8_t> bytes;
    return EncodePNG(image, bytes) && WriteWholeFile(fileName, bytes);
}

bool WriteJPEGImage(const std::string& fileName, const Image& image)
{
    std::vector<uint8_t> bytes;
    return EncodeJPEG(image, bytes, 80) && WriteWholeFile(fileName, bytes);
}

} // namespace ImageLib
