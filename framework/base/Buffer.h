// Growable bit stream: the one serialisation format of demo files, player files and high scores.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Zest
{

// A byte array written and read as a stream of bits. Bit n of the stream is bit (n mod 8) of byte (n div 8),
// values go least significant bit first and multi-byte integers little-endian, so a stream written only in whole
// bytes is simply those bytes in order. Stored files depend on this layout; it must not change.
//
// Writes always append at the end of the stored bits. Reads past the stored bytes give 0 and leave the read
// position where it is; callers tell the end of the data with AtEnd.
class Buffer
{
public:
    // The data never grows beyond this many bytes, so the size in bits always fits in 32 bits.
    static constexpr int32_t kMaxBytes = (1 << 28) - 1;
    // Longest string WriteString stores: its 16-bit length field is read back as a signed number.
    static constexpr int32_t kMaxStringLength = 32767;

    Buffer() = default;
    virtual ~Buffer() = default;

    void Rewind();
    void Clear();

    void WriteByte(uint8_t value);
    // Writes the low `count` bits of value; count is taken within 0..32.
    void WriteBits(int32_t value, int count);
    void WriteBoolean(bool value);
    void WriteShort(int16_t value);
    void WriteLong(int32_t value);
    // Writes at most kMaxStringLength bytes so that the length field and the bytes always agree.
    void WriteString(const std::string& text);
    void WriteBytes(const uint8_t* data, int count);
    // Replaces the data by a copy; the read and write positions are kept. Ignored when count exceeds kMaxBytes.
    void SetData(const uint8_t* data, int count);

    uint8_t ReadByte();
    // Reads `count` bits (taken within 0..32); with signExtend, the last bit read fills the bits above count.
    int32_t ReadBits(int count, bool signExtend);
    bool ReadBoolean();
    int16_t ReadShort();
    int32_t ReadLong();
    std::string ReadString();
    void ReadBytes(uint8_t* data, int count);

    const uint8_t* GetDataPtr() const;
    int32_t GetDataLen() const;
    bool AtEnd() const;

    int32_t GetBitSize() const { return mDataBitSize; }
    int32_t GetReadBitPos() const { return mReadBitPos; }
    int32_t GetWriteBitPos() const { return mWriteBitPos; }

private:
    // Moves the write position to the end of the data and checks that `bits` more bits fit under kMaxBytes.
    bool PrepareWrite(int64_t bits);
    void PutByte(uint8_t value);
    void PutBits(uint32_t value, int count);
    void FinishWrite();

    std::vector<uint8_t> mData;
    int32_t mDataBitSize = 0;
    int32_t mReadBitPos = 0;
    int32_t mWriteBitPos = 0;
};

// Straight to the disk: these skip the pack and the demo stream, so game code that must replay goes through the
// application's ReadBufferFromFile / WriteBufferToFile instead. For tools and for files outside any replay.
// Loads a whole file (names may use '\' and any letter case) into a buffer that starts over with its positions at 0.
// False, with the buffer left as it was, when the file is missing, unreadable or longer than Buffer::kMaxBytes.
[[nodiscard]] bool LoadBufferFromDisk(const std::string& fileName, Buffer& buffer);
// Writes the buffer's bytes so that a crash leaves either the old file or the new one. The folder must exist.
bool SaveBufferToDisk(const std::string& fileName, const Buffer& buffer);

} // namespace Zest
