// Image files: decoders for TGA, JPEG, PNG, GIF and JPEG 2000 into 32-bit pixel arrays, and PNG/JPEG writers.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace ImageLib
{

// A decoded image: mWidth x mHeight pixels 0xAARRGGBB, stored from the top row down.
class Image
{
public:
    Image() = default;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    virtual ~Image() = default;

    // Allocates the pixel array (zero-filled when asked); null when the size is refused or memory runs out.
    static std::unique_ptr<Image> Create(int width, int height, bool zeroFill = true) noexcept;

    int GetWidth() const { return mWidth; }
    int GetHeight() const { return mHeight; }
    uint32_t* GetBits() { return mBits.get(); }
    const uint32_t* GetBits() const { return mBits.get(); }

    int mWidth = 0;
    int mHeight = 0;
    std::unique_ptr<uint32_t[]> mBits;
    // Create leaves one word of room after the pixels, so that a picture can take the array over whole (writing
    // its guard word there) instead of copying it.
    bool mGuardRoom = false;
};

// Largest accepted side and pixel count of any decoded image.
constexpr int kMaxImageSide = 16384;
constexpr uint64_t kMaxImagePixels = 64ull * 1024 * 1024;

// True when a width x height image is within the limits above (both sides at least 1).
bool IsAcceptableSize(int64_t width, int64_t height);

// The RGB given to an image that exists only as an alpha image (default white). Callers on other threads should
// pass their colour to GetImage instead of changing this.
extern std::atomic<uint32_t> gAlphaComposeColor;

// Finds and decodes name (with or without an extension, tried as .tga .jpg .png .gif .j2k .jp2) and, when asked,
// merges the separate alpha image "_name" or "name_". Null when nothing loads.
std::unique_ptr<Image> GetImage(const std::string& fileName, bool lookForAlpha = true);
std::unique_ptr<Image> GetImage(const std::string& fileName, bool lookForAlpha, uint32_t alphaComposeColor);

std::unique_ptr<Image> LoadTGAImage(const std::string& fileName);
std::unique_ptr<Image> LoadJPEGImage(const std::string& fileName);
std::unique_ptr<Image> LoadPNGImage(const std::string& fileName);
std::unique_ptr<Image> LoadGIFImage(const std::string& fileName);
std::unique_ptr<Image> LoadJ2KImage(const std::string& fileName);

// Writers: PNG as 8-bit RGBA, JPEG as RGB at quality 80 (alpha dropped). False when the file cannot be written.
bool WritePNGImage(const std::string& fileName, const Image& image);
bool WriteJPEGImage(const std::string& fileName, const Image& image);

// The JPEG 2000 codec module, loaded once at start-up and freed at shutdown or when found unusable.
void LoadJ2KCodec();
void FreeJ2KCodec();

} // namespace ImageLib
