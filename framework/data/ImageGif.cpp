// GIF decoder: the first image of a GIF87a/GIF89a file, with transparency and interlacing.
#include "data/ImageCodecs.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace ImageLib
{

namespace
{

constexpr int kMaxCodes = 4096;
constexpr uint32_t kOpaqueBlack = 0xFF000000;
constexpr uint64_t kUnfilledPixelsAllowed = 1 << 18;

// Colours of every index a code can name: palette entries, transparent 0, opaque black beyond the table.
struct ColourLookup
{
    uint32_t colour[kMaxCodes];
};

bool ReadColourTable(ByteReader& in, int flags, uint32_t* table, int& count)
{
    count = 2 << (flags & 7);
    uint8_t rgb[256 * 3];
    if (!in.Read(rgb, static_cast<size_t>(count) * 3)) return false;
    for (int i = 0; i < count; ++i)
        table[i] = kOpaqueBlack | static_cast<uint32_t>(rgb[i * 3]) << 16 | static_cast<uint32_t>(rgb[i * 3 + 1]) << 8 |
                   rgb[i * 3 + 2];
    return true;
}

// Skips a chain of sub-blocks up to and including its zero-length terminator.
bool SkipSubBlocks(ByteReader& in)
{
    for (;;)
    {
        const int length = in.Byte();
        if (length < 0) return false;
        if (length == 0) return true;
        if (!in.Skip(static_cast<uint64_t>(length))) return false;
    }
}

// Reads the code stream least significant bit first out of the image's data, gathered from its sub-blocks.
class CodeReader
{
public:
    explicit CodeReader(const std::vector<uint8_t>& data) : mData(data) {}

    // The next code of the given width, or -1 when the data end.
    int Next(int width)
    {
        while (mBitCount < width)
        {
            if (mPos >= mData.size()) return -1;
            mBits |= static_cast<uint32_t>(mData[mPos++]) << mBitCount;
            mBitCount += 8;
        }
        const int code = static_cast<int>(mBits & ((1u << width) - 1));
        mBits >>= width;
        mBitCount -= width;
        return code;
    }

private:
    const std::vector<uint8_t>& mData;
    size_t mPos = 0;
    uint32_t mBits = 0;
    int mBitCount = 0;
};

// The image's data sub-blocks joined, up to the terminator or the end of the file (a cut file decodes what it
// has).
std::vector<uint8_t> ReadImageData(ByteReader& in)
{
    std::vector<uint8_t> data;
    for (;;)
    {
        const int length = in.Byte();
        if (length <= 0) break;
        const size_t used = data.size();
        data.resize(used + static_cast<size_t>(length));
        if (!in.Read(data.data() + used, static_cast<size_t>(length)))
        {
            // The bytes that were there still count.
            data.resize(used);
            for (int byte; (byte = in.Byte()) >= 0;) data.push_back(static_cast<uint8_t>(byte));
            break;
        }
    }
    return data;
}

// Most pixels `bytes` of LZW data can describe: each code takes at least `width` bits, and the n-th code after a
// clear names a string of at most n pixels (each new table entry is one longer than an older one), never more
// than the table holds.
uint64_t MostPixels(size_t bytes, int width)
{
    const uint64_t codes = uint64_t{bytes} * 8 / static_cast<uint64_t>(width);
    const uint64_t growing = std::min<uint64_t>(codes, kMaxCodes);
    return growing * (growing + 1) / 2 + (codes - growing) * kMaxCodes;
}

// Places decoded indices row by row, in interlaced pass order when asked.
class PixelWriter
{
public:
    PixelWriter(Image& image, bool interlaced, const ColourLookup& lookup)
        : mBits(image.GetBits()), mWidth(image.mWidth), mHeight(image.mHeight), mInterlaced(interlaced), mLookup(lookup)
    {
        mRow = mBits;
    }

    bool Done() const { return mDone; }

    void Put(int index)
    {
        mRow[mX] = mLookup.colour[index];
        if (++mX < mWidth) return;
        mX = 0;
        ++mRowsWritten;
        if (mRowsWritten >= mHeight)
        {
            mDone = true;
            return;
        }
        if (!mInterlaced)
            ++mY;
        else
        {
            static const int kStart[4] = {0, 4, 2, 1};
            static const int kStep[4] = {8, 8, 4, 2};
            mY += kStep[mPass];
            while (mY >= mHeight && mPass < 3)
            {
                ++mPass;
                mY = kStart[mPass];
            }
            if (mY >= mHeight)
            {
                mDone = true;
                return;
            }
        }
        mRow = mBits + static_cast<size_t>(mY) * static_cast<size_t>(mWidth);
    }

private:
    uint32_t* mBits;
    uint32_t* mRow;
    int mWidth, mHeight;
    bool mInterlaced;
    const ColourLookup& mLookup;
    int mX = 0, mY = 0, mPass = 0, mRowsWritten = 0;
    bool mDone = false;
};

struct LzwTables
{
    uint16_t prefix[kMaxCodes];
    uint16_t suffix[kMaxCodes];
    uint16_t stack[kMaxCodes + 1];
};

// Codes are always wide enough for the next free code; only code size 1 starts at that boundary (clear + 2 = 4).
int CodeWidthAfterClear(int minCodeSize)
{
    return minCodeSize == 1 ? 3 : minCodeSize + 1;
}

// Decodes the LZW stream into the image; pixels the stream never reaches keep their zero.
void DecodeLzw(const std::vector<uint8_t>& data, int minCodeSize, PixelWriter& out, LzwTables& t)
{
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    for (int i = 0; i < clear; ++i)
    {
        t.prefix[i] = 0;
        t.suffix[i] = static_cast<uint16_t>(i);
    }
    CodeReader codes(data);
    const int resetWidth = CodeWidthAfterClear(minCodeSize);
    int width = resetWidth;
    int next = clear + 2;
    int previous = -1;
    int first = 0;
    while (!out.Done())
    {
        const int code = codes.Next(width);
        if (code < 0 || code == end || code > next) return;
        if (code == clear)
        {
            width = resetWidth;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (previous < 0)
        {
            // After a reset only a literal can start the string.
            if (code >= clear) return;
            first = code;
            previous = code;
            out.Put(code);
            continue;
        }
        int sp = 0;
        int current = code;
        if (code == next)
        {
            t.stack[sp++] = static_cast<uint16_t>(first);
            current = previous;
        }
        // Entries always point at lower codes, so this walk ends within the table size.
        while (current >= clear)
        {
            t.stack[sp++] = t.suffix[current];
            current = t.prefix[current];
        }
        first = current;
        t.stack[sp++] = static_cast<uint16_t>(first);
        // A full table keeps decoding with the codes it has until the encoder sends a clear.
        if (next < kMaxCodes)
        {
            t.prefix[next] = static_cast<uint16_t>(previous);
            t.suffix[next] = static_cast<uint16_t>(first);
            ++next;
            if (next == (1 << width) && width < 12) ++width;
        }
        previous = code;
        while (sp > 0 && !out.Done()) out.Put(t.stack[--sp]);
    }
}

} // namespace

std::unique_ptr<Image> DecodeGIF(ImageSource& source)
{
    ByteReader in(source);
    uint8_t header[13];
    if (!in.Read(header, sizeof(header))) return nullptr;
    if (std::memcmp(header, "GIF87", 5) != 0 && std::memcmp(header, "GIF89", 5) != 0) return nullptr;

    uint32_t globalTable[256];
    int globalCount = 0;
    if ((header[10] & 0x80) && !ReadColourTable(in, header[10], globalTable, globalCount)) return nullptr;

    int transparent = -1;
    for (;;)
    {
        const int block = in.Byte();
        if (block < 0 || block == 0x3B) return nullptr;
        if (block == 0x21)
        {
            const int label = in.Byte();
            if (label < 0) return nullptr;
            if (label == 0xF9)
            {
                const int length = in.Byte();
                if (length < 0) return nullptr;
                uint8_t data[255];
                if (!in.Read(data, static_cast<size_t>(length))) return nullptr;
                transparent = length >= 4 && (data[0] & 1) ? data[3] : -1;
                if (length > 0 && !SkipSubBlocks(in)) return nullptr;
            }
            else if (!SkipSubBlocks(in))
                return nullptr;
            continue;
        }
        if (block == 0x2C) break;
    }

    uint8_t descriptor[9];
    if (!in.Read(descriptor, sizeof(descriptor))) return nullptr;
    const int width = descriptor[4] | descriptor[5] << 8;
    const int height = descriptor[6] | descriptor[7] << 8;
    const int flags = descriptor[8];
    if (!IsAcceptableSize(width, height)) return nullptr;

    const uint32_t* table = globalTable;
    int tableCount = globalCount;
    uint32_t localTable[256];
    if (flags & 0x80)
    {
        if (!ReadColourTable(in, flags, localTable, tableCount)) return nullptr;
        table = localTable;
    }

    const int minCodeSize = in.Byte();
    if (minCodeSize < 1 || minCodeSize > 11) return nullptr;

    auto lookup = std::make_unique<ColourLookup>();
    for (int i = 0; i < kMaxCodes; ++i) lookup->colour[i] = i < tableCount ? table[i] : kOpaqueBlack;
    if (transparent >= 0) lookup->colour[transparent] = 0;

    // A frame far larger than its data could ever fill is refused before its pixels are allocated. A file cut
    // short still shows what it has, so a megabyte of pixels beyond what the data reach is allowed.
    const std::vector<uint8_t> data = ReadImageData(in);
    if (uint64_t{static_cast<uint32_t>(width)} * static_cast<uint32_t>(height) >
        MostPixels(data.size(), CodeWidthAfterClear(minCodeSize)) + kUnfilledPixelsAllowed)
        return nullptr;

    auto image = Image::Create(width, height, true);
    if (!image) return nullptr;
    auto tables = std::make_unique<LzwTables>();
    PixelWriter writer(*image, (flags & 0x40) != 0, *lookup);
    DecodeLzw(data, minCodeSize, writer, *tables);
    return image;
}

} // namespace ImageLib
