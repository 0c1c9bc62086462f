// Bit stream reading and writing in the stored layout of demo files, player files and high scores.
#include "base/Buffer.h"

#include "platform/Files.h"

#include <algorithm>

namespace Zest
{

namespace
{

int ClampBitCount(int count)
{
    return std::clamp(count, 0, 32);
}

} // namespace

void Buffer::Rewind()
{
    mReadBitPos = 0;
}

void Buffer::Clear()
{
    mData.clear();
    mData.shrink_to_fit();
    mDataBitSize = 0;
    mReadBitPos = 0;
    mWriteBitPos = 0;
}

bool Buffer::PrepareWrite(int64_t bits)
{
    // Writing always appends. After SetData the write position may lie anywhere, and writing there would OR bits
    // into the middle of the data (or past its end), so every write starts from the end of the stored bits.
    mWriteBitPos = mDataBitSize;
    const int64_t neededBytes = (static_cast<int64_t>(mDataBitSize) + bits + 7) / 8;
    return neededBytes <= kMaxBytes;
}

void Buffer::PutByte(uint8_t value)
{
    const int shift = mWriteBitPos % 8;
    if (shift == 0)
    {
        mData.push_back(value);
    }
    else
    {
        mData[mWriteBitPos / 8] |= static_cast<uint8_t>(value << shift);
        mData.push_back(static_cast<uint8_t>(value >> (8 - shift)));
    }
    mWriteBitPos += 8;
}

void Buffer::PutBits(uint32_t value, int count)
{
    for (int i = 0; i < count; ++i)
    {
        if (mWriteBitPos % 8 == 0) mData.push_back(0);
        if ((value >> i) & 1u) mData[mWriteBitPos / 8] |= static_cast<uint8_t>(1u << (mWriteBitPos % 8));
        ++mWriteBitPos;
    }
}

void Buffer::FinishWrite()
{
    mDataBitSize = std::max(mDataBitSize, mWriteBitPos);
}

void Buffer::WriteByte(uint8_t value)
{
    if (!PrepareWrite(8)) return;
    PutByte(value);
    FinishWrite();
}

void Buffer::WriteBits(int32_t value, int count)
{
    count = ClampBitCount(count);
    if (count == 0 || !PrepareWrite(count)) return;
    PutBits(static_cast<uint32_t>(value), count);
    FinishWrite();
}

void Buffer::WriteBoolean(bool value)
{
    WriteByte(value ? 1 : 0);
}

void Buffer::WriteShort(int16_t value)
{
    if (!PrepareWrite(16)) return;
    const auto bits = static_cast<uint16_t>(value);
    PutByte(static_cast<uint8_t>(bits));
    PutByte(static_cast<uint8_t>(bits >> 8));
    FinishWrite();
}

void Buffer::WriteLong(int32_t value)
{
    if (!PrepareWrite(32)) return;
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) PutByte(static_cast<uint8_t>(bits >> shift));
    FinishWrite();
}

void Buffer::WriteString(const std::string& text)
{
    // The reader takes the length field as a signed 16-bit number, so longer strings would read back empty and
    // throw every following field out of step.
    const auto length = static_cast<int32_t>(std::min<size_t>(text.size(), kMaxStringLength));
    if (!PrepareWrite(16 + 8 * static_cast<int64_t>(length))) return;
    PutByte(static_cast<uint8_t>(length));
    PutByte(static_cast<uint8_t>(length >> 8));
    for (int32_t i = 0; i < length; ++i) PutByte(static_cast<uint8_t>(text[i]));
    FinishWrite();
}

void Buffer::WriteBytes(const uint8_t* data, int count)
{
    if (count <= 0 || data == nullptr || !PrepareWrite(8 * static_cast<int64_t>(count))) return;
    if (mWriteBitPos % 8 == 0)
    {
        mData.insert(mData.end(), data, data + count);
        mWriteBitPos += 8 * count;
    }
    else
    {
        for (int i = 0; i < count; ++i) PutByte(data[i]);
    }
    FinishWrite();
}

void Buffer::SetData(const uint8_t* data, int count)
{
    if (count < 0 || count > kMaxBytes || (count > 0 && data == nullptr)) return;
    mData.assign(data, data + count);
    mDataBitSize = count * 8;
}

uint8_t Buffer::ReadByte()
{
    const int64_t storedBytes = static_cast<int64_t>(mData.size());
    if ((static_cast<int64_t>(mReadBitPos) + 7) / 8 >= storedBytes) return 0;
    const int shift = mReadBitPos % 8;
    const size_t index = static_cast<size_t>(mReadBitPos / 8);
    uint8_t result = mData[index];
    if (shift != 0) result = static_cast<uint8_t>((mData[index] >> shift) | (mData[index + 1] << (8 - shift)));
    mReadBitPos += 8;
    return result;
}

int32_t Buffer::ReadBits(int count, bool signExtend)
{
    count = ClampBitCount(count);
    const size_t storedBytes = mData.size();
    uint32_t result = 0;
    uint32_t lastBit = 0;
    for (int i = 0; i < count; ++i)
    {
        const size_t index = static_cast<size_t>(mReadBitPos / 8);
        if (index >= storedBytes) break;
        lastBit = (mData[index] >> (mReadBitPos % 8)) & 1u;
        result |= lastBit << i;
        ++mReadBitPos;
    }
    // With all 32 bits read the top bit already is the sign.
    if (signExtend && lastBit != 0 && count < 32) result |= ~0u << count;
    return static_cast<int32_t>(result);
}

bool Buffer::ReadBoolean()
{
    return ReadByte() != 0;
}

int16_t Buffer::ReadShort()
{
    const uint16_t low = ReadByte();
    const uint16_t high = ReadByte();
    return static_cast<int16_t>(low | (high << 8));
}

int32_t Buffer::ReadLong()
{
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) result |= static_cast<uint32_t>(ReadByte()) << shift;
    return static_cast<int32_t>(result);
}

std::string Buffer::ReadString()
{
    const int16_t length = ReadShort();
    std::string result;
    if (length > 0)
    {
        result.reserve(static_cast<size_t>(length));
        for (int16_t i = 0; i < length; ++i) result.push_back(static_cast<char>(ReadByte()));
    }
    return result;
}

void Buffer::ReadBytes(uint8_t* data, int count)
{
    if (data == nullptr) return;
    for (int i = 0; i < count; ++i) data[i] = ReadByte();
}

const uint8_t* Buffer::GetDataPtr() const
{
    return mData.empty() ? nullptr : mData.data();
}

int32_t Buffer::GetDataLen() const
{
    return static_cast<int32_t>((static_cast<int64_t>(mDataBitSize) + 7) / 8);
}

bool Buffer::AtEnd() const
{
    return mReadBitPos >= mDataBitSize;
}

bool LoadBufferFromDisk(const std::string& fileName, Buffer& buffer)
{
    std::string bytes;
    if (Platform::ReadWholeFile(Platform::ResolveFileName(fileName), bytes, Buffer::kMaxBytes) !=
        Platform::ReadResult::Ok)
        return false;
    buffer.Clear();
    buffer.SetData(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int>(bytes.size()));
    return true;
}

bool SaveBufferToDisk(const std::string& fileName, const Buffer& buffer)
{
    return Platform::WriteFileAtomically(Platform::ResolveFileName(fileName), buffer.GetDataPtr(),
                                         static_cast<size_t>(buffer.GetDataLen()));
}

} // namespace Zest
