// TGA decoder: 32-bit true-colour images with 8 alpha bits and top-left origin, raw (type 2) or run-length (type 10).
#include "data/ImageCodecs.h"

#include <algorithm>
#include <cstring>

namespace ImageLib
{

namespace
{

constexpr int kTypeTrueColour = 2;
constexpr int kTypeTrueColourRle = 10;
constexpr int kDescriptorTopLeftAlpha8 = 0x28;

uint32_t PixelFromBgra(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

bool ReadRaw(ByteReader& in, uint32_t* out, size_t count)
{
    uint8_t chunk[4096 * 4];
    while (count > 0)
    {
        const size_t n = count < 4096 ? count : 4096;
        if (!in.Read(chunk, n * 4)) return false;
        for (size_t i = 0; i < n; ++i) out[i] = PixelFromBgra(chunk + i * 4);
        out += n;
        count -= n;
    }
    return true;
}

bool ReadRunLength(ByteReader& in, uint32_t* out, size_t count)
{
    size_t done = 0;
    while (done < count)
    {
        const int packet = in.Byte();
        if (packet < 0) return false;
        // Packets may run across rows; the last one is cut at the end of the image.
        const size_t length = std::min<size_t>((packet & 0x7F) + 1, count - done);
        if (packet & 0x80)
        {
            uint8_t bgra[4];
            if (!in.Read(bgra, 4)) return false;
            const uint32_t pixel = PixelFromBgra(bgra);
            for (size_t i = 0; i < length; ++i) out[done + i] = pixel;
            done += length;
        }
        else
        {
            if (!ReadRaw(in, out + done, length)) return false;
            done += length;
        }
    }
    return true;
}

} // namespace

std::unique_ptr<Image> DecodeTGA(ImageSource& source)
{
    ByteReader in(source);
    uint8_t h[18];
    if (!in.Read(h, sizeof(h))) return nullptr;
    const int idLength = h[0];
    const int colourMapType = h[1];
    const int imageType = h[2];
    const int colourMapLength = h[5] | h[6] << 8;
    const int colourMapDepth = h[7];
    const int width = h[12] | h[13] << 8;
    const int height = h[14] | h[15] << 8;
    const int bitsPerPixel = h[16];
    const int descriptor = h[17];

    if (bitsPerPixel != 32 || descriptor != kDescriptorTopLeftAlpha8) return nullptr;
    if (imageType != kTypeTrueColour && imageType != kTypeTrueColourRle) return nullptr;
    if (!IsAcceptableSize(width, height)) return nullptr;

    // The image id and any colour map a true-colour file carries lie between the header and the pixels.
    uint64_t skip = static_cast<uint64_t>(idLength);
    if (colourMapType == 1) skip += static_cast<uint64_t>(colourMapLength) * ((colourMapDepth + 7) / 8);
    if (!in.Skip(skip)) return nullptr;

    auto image = Image::Create(width, height, false);
    if (!image) return nullptr;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    const bool ok = imageType == kTypeTrueColour ? ReadRaw(in, image->GetBits(), count)
                                                 : ReadRunLength(in, image->GetBits(), count);
    return ok ? std::move(image) : nullptr;
}

} // namespace ImageLib
