// Tests of the bit stream: the stored layout, reading back, reads past the end and writes after replacing data.
#include "base/Buffer.h"

#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

using Zest::Buffer;

std::vector<uint8_t> Bytes(const Buffer& buffer)
{
    const uint8_t* data = buffer.GetDataPtr();
    return data == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(data, data + buffer.GetDataLen());
}

TEST(Buffer, StoredLayout)
{
    struct Case
    {
        const char* name;
        std::function<void(Buffer&)> write;
        std::vector<uint8_t> bytes;
        int32_t bits;
    };
    const std::vector<Case> cases = {
        {"two bytes", [](Buffer& b) { b.WriteByte(0x12), b.WriteByte(0x34); }, {0x12, 0x34}, 16},
        {"3 bits then a byte", [](Buffer& b) { b.WriteBits(5, 3), b.WriteByte(0xFF); }, {0xFD, 0x07}, 11},
        {"short low byte first", [](Buffer& b) { b.WriteShort(0x1234); }, {0x34, 0x12}, 16},
        {"long low byte first", [](Buffer& b) { b.WriteLong(0x12345678); }, {0x78, 0x56, 0x34, 0x12}, 32},
        {"negative long", [](Buffer& b) { b.WriteLong(-2); }, {0xFE, 0xFF, 0xFF, 0xFF}, 32},
        {"booleans as bytes", [](Buffer& b) { b.WriteBoolean(true), b.WriteBoolean(false); }, {0x01, 0x00}, 16},
        {"string: length then bytes", [](Buffer& b) { b.WriteString("abc"); }, {0x03, 0x00, 'a', 'b', 'c'}, 40},
        {"empty string", [](Buffer& b) { b.WriteString(""); }, {0x00, 0x00}, 16},
        {"bytes",
         [](Buffer& b)
         {
             const uint8_t d[] = {1, 2, 3};
             b.WriteBytes(d, 3);
         },
         {1, 2, 3},
         24},
        {"unaligned bytes",
         [](Buffer& b)
         {
             const uint8_t d[] = {0xFF, 0x81};
             b.WriteBits(0, 1), b.WriteBytes(d, 2);
         },
         {0xFE, 0x03, 0x01},
         17},
        {"unaligned short", [](Buffer& b) { b.WriteBits(1, 4), b.WriteShort(-1); }, {0xF1, 0xFF, 0x0F}, 20},
        {"bits spanning bytes", [](Buffer& b) { b.WriteBits(0x3, 7), b.WriteBits(0x1FF, 9); }, {0x83, 0xFF}, 16},
        {"only the low bits of the value", [](Buffer& b) { b.WriteBits(0xFF, 4); }, {0x0F}, 4},
        {"count 0 and below write nothing", [](Buffer& b) { b.WriteBits(1, 0), b.WriteBits(1, -3); }, {}, 0},
        {"count above 32 writes 32", [](Buffer& b) { b.WriteBits(-1, 40); }, {0xFF, 0xFF, 0xFF, 0xFF}, 32},
        {"no bytes", [](Buffer& b) { b.WriteBytes(nullptr, 0), b.WriteBytes(nullptr, 5); }, {}, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Buffer buffer;
        c.write(buffer);
        EXPECT_EQ(Bytes(buffer), c.bytes);
        EXPECT_EQ(buffer.GetBitSize(), c.bits);
        EXPECT_EQ(buffer.GetDataLen(), (c.bits + 7) / 8);
        EXPECT_EQ(buffer.GetWriteBitPos(), c.bits);
    }
}

TEST(Buffer, ReadsBackTheLayoutExamples)
{
    Buffer buffer;
    buffer.WriteByte(0x12);
    buffer.WriteByte(0x34);
    EXPECT_EQ(buffer.ReadShort(), 0x3412);
    EXPECT_TRUE(buffer.AtEnd());

    Buffer bits;
    bits.WriteBits(5, 3);
    bits.WriteByte(0xFF);
    EXPECT_EQ(bits.ReadBits(3, false), 5);
    EXPECT_FALSE(bits.AtEnd());
    EXPECT_EQ(bits.ReadByte(), 0xFF);
    EXPECT_TRUE(bits.AtEnd());
}

TEST(Buffer, SignExtension)
{
    struct Case
    {
        uint32_t stored;
        int writeCount;
        int readCount;
        bool signExtend;
        int32_t expected;
    };
    const Case cases[] = {
        {0b101, 3, 3, true, -3}, // bits 1, 0, 1: every bit from bit 3 upward set
        {0b101, 3, 3, false, 5},
        {0b011, 3, 3, true, 3}, // last bit 0: nothing to extend
        {0x80000000u, 32, 32, true, INT_MIN},
        {0x80000000u, 32, 32, false, INT_MIN},
        {0xFFFFFFFFu, 32, 40, true, -1}, // count clamped to 32
        {0x1, 1, 1, true, -1},
        {0x7, 3, 0, true, 0}, // nothing read, nothing extended
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "stored " << c.stored << " read " << c.readCount);
        Buffer buffer;
        buffer.WriteBits(static_cast<int32_t>(c.stored), c.writeCount);
        EXPECT_EQ(buffer.ReadBits(c.readCount, c.signExtend), c.expected);
    }
}

TEST(Buffer, MixedValuesRoundTripAtUnalignedPositions)
{
    const std::string longText(1000, 'q');
    const uint8_t raw[] = {0x00, 0x80, 0xFF, 0x7F};
    for (int offset = 0; offset < 8; ++offset)
    {
        SCOPED_TRACE(offset);
        Buffer buffer;
        buffer.WriteBits(0x55, offset);
        buffer.WriteShort(-12345);
        buffer.WriteLong(INT_MIN + 7);
        buffer.WriteString("h\xE9llo");
        buffer.WriteBoolean(true);
        buffer.WriteBits(-5, 13);
        buffer.WriteBytes(raw, 4);
        buffer.WriteString(longText);
        buffer.WriteByte(0xA5);

        EXPECT_EQ(buffer.ReadBits(offset, false), 0x55 & ((1 << offset) - 1));
        EXPECT_EQ(buffer.ReadShort(), -12345);
        EXPECT_EQ(buffer.ReadLong(), INT_MIN + 7);
        EXPECT_EQ(buffer.ReadString(), "h\xE9llo");
        EXPECT_TRUE(buffer.ReadBoolean());
        EXPECT_EQ(buffer.ReadBits(13, true), -5);
        uint8_t back[4] = {};
        buffer.ReadBytes(back, 4);
        EXPECT_EQ(std::vector<uint8_t>(back, back + 4), std::vector<uint8_t>(raw, raw + 4));
        EXPECT_EQ(buffer.ReadString(), longText);
        EXPECT_EQ(buffer.ReadByte(), 0xA5);
        EXPECT_TRUE(buffer.AtEnd());
    }
}

TEST(Buffer, ReadsPastTheEndGiveZeroAndKeepThePosition)
{
    Buffer empty;
    EXPECT_EQ(empty.GetDataPtr(), nullptr);
    EXPECT_EQ(empty.GetDataLen(), 0);
    EXPECT_TRUE(empty.AtEnd());
    EXPECT_EQ(empty.ReadByte(), 0);
    EXPECT_FALSE(empty.ReadBoolean());
    EXPECT_EQ(empty.ReadShort(), 0);
    EXPECT_EQ(empty.ReadLong(), 0);
    EXPECT_EQ(empty.ReadString(), "");
    EXPECT_EQ(empty.ReadBits(7, true), 0);
    uint8_t out[3] = {9, 9, 9};
    empty.ReadBytes(out, 3);
    EXPECT_EQ(out[0] | out[1] | out[2], 0);
    EXPECT_EQ(empty.GetReadBitPos(), 0);

    // An unaligned byte read needs the byte after the current one.
    Buffer one;
    one.WriteByte(0xFF);
    EXPECT_EQ(one.ReadBits(3, false), 7);
    EXPECT_EQ(one.ReadByte(), 0);
    EXPECT_EQ(one.GetReadBitPos(), 3);

    // A bit read stops at the last stored byte; padding bits of that byte read as 0.
    Buffer eleven;
    eleven.WriteBits(0x7FF, 11);
    EXPECT_EQ(eleven.ReadBits(20, false), 0x7FF);
    EXPECT_EQ(eleven.GetReadBitPos(), 16);
    EXPECT_TRUE(eleven.AtEnd());

    // A string whose bytes run out reads the missing ones as 0 and stops moving.
    Buffer cut;
    const uint8_t truncated[] = {0x04, 0x00, 'a', 'b'};
    cut.SetData(truncated, 4);
    EXPECT_EQ(cut.ReadString(), std::string("ab\0\0", 4));
    EXPECT_EQ(cut.GetReadBitPos(), 32);
}

TEST(Buffer, StringLengthLimits)
{
    // A stored length of 0x8000 or more reads as an empty string and consumes only the length field.
    for (const uint8_t high : {0x80, 0xFF})
    {
        Buffer buffer;
        const uint8_t stored[] = {0x00, high, 'x'};
        buffer.SetData(stored, 3);
        EXPECT_EQ(buffer.ReadString(), "");
        EXPECT_EQ(buffer.GetReadBitPos(), 16);
        EXPECT_EQ(buffer.ReadByte(), 'x');
    }

    // Longer strings are cut to the longest length the reader accepts, so the fields after them stay in step.
    for (const size_t length : {32767u, 32768u, 65535u, 65536u, 70000u})
    {
        SCOPED_TRACE(length);
        std::string text(length, 'x');
        text[0] = 'A';
        Buffer buffer;
        buffer.WriteString(text);
        buffer.WriteLong(0x0BADCAFE);
        EXPECT_EQ(buffer.GetDataLen(), 2 + Buffer::kMaxStringLength + 4);
        EXPECT_EQ(buffer.ReadString(), text.substr(0, Buffer::kMaxStringLength));
        EXPECT_EQ(buffer.ReadLong(), 0x0BADCAFE);
        EXPECT_TRUE(buffer.AtEnd());
    }
}

TEST(Buffer, SetDataReplacesTheDataAndKeepsThePositions)
{
    Buffer buffer;
    for (int i = 0; i < 6; ++i) buffer.WriteByte(static_cast<uint8_t>(i));
    for (int i = 0; i < 5; ++i) buffer.ReadByte();
    ASSERT_EQ(buffer.GetReadBitPos(), 40);

    const uint8_t stored[] = {0xAA, 0xBB, 0xCC};
    buffer.SetData(stored, 3);
    EXPECT_EQ(Bytes(buffer), std::vector<uint8_t>({0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(buffer.GetBitSize(), 24);
    EXPECT_EQ(buffer.GetReadBitPos(), 40);
    EXPECT_TRUE(buffer.AtEnd());
    buffer.Rewind();
    EXPECT_EQ(buffer.ReadByte(), 0xAA);

    buffer.SetData(nullptr, 0);
    EXPECT_EQ(buffer.GetDataPtr(), nullptr);
    EXPECT_EQ(buffer.GetBitSize(), 0);
}

TEST(Buffer, WritesAfterSetDataOrClearAppendAtTheEnd)
{
    const uint8_t stored[] = {0x11, 0x22};

    // Write position far beyond the new data.
    Buffer shrunk;
    for (int i = 0; i < 100; ++i) shrunk.WriteByte(0xEE);
    shrunk.SetData(stored, 2);
    shrunk.WriteByte(0xAB);
    shrunk.WriteBits(1, 1);
    EXPECT_EQ(Bytes(shrunk), std::vector<uint8_t>({0x11, 0x22, 0xAB, 0x01}));
    EXPECT_EQ(shrunk.GetBitSize(), 25);

    // Write position inside the new data (a fresh buffer stands at 0): no bits go into the middle.
    Buffer fresh;
    fresh.SetData(stored, 2);
    fresh.WriteShort(0x4433);
    EXPECT_EQ(Bytes(fresh), std::vector<uint8_t>({0x11, 0x22, 0x33, 0x44}));

    // Write position in the middle of a byte.
    Buffer unaligned;
    unaligned.WriteBits(0, 11);
    unaligned.SetData(stored, 2);
    unaligned.WriteString("z");
    EXPECT_EQ(Bytes(unaligned), std::vector<uint8_t>({0x11, 0x22, 0x01, 0x00, 'z'}));

    Buffer cleared;
    cleared.WriteBits(0x1FF, 9);
    cleared.ReadByte();
    cleared.Clear();
    EXPECT_EQ(cleared.GetDataPtr(), nullptr);
    EXPECT_EQ(cleared.GetReadBitPos(), 0);
    cleared.WriteByte(0x5A);
    EXPECT_EQ(Bytes(cleared), std::vector<uint8_t>({0x5A}));
    EXPECT_EQ(cleared.ReadByte(), 0x5A);
}

TEST(Buffer, GrowthStopsAtTheSizeLimit)
{
    std::vector<uint8_t> big(static_cast<size_t>(Buffer::kMaxBytes) + 1, 0x5A);

    Buffer buffer;
    buffer.WriteByte(0x01);
    buffer.SetData(big.data(), Buffer::kMaxBytes + 1); // refused: the buffer keeps what it had
    EXPECT_EQ(buffer.GetDataLen(), 1);

    buffer.SetData(big.data(), Buffer::kMaxBytes - 3);
    big = {};
    EXPECT_EQ(buffer.GetDataLen(), Buffer::kMaxBytes - 3);

    // Each write goes in whole or not at all.
    buffer.WriteLong(1);
    buffer.WriteString("abcd");
    EXPECT_EQ(buffer.GetDataLen(), Buffer::kMaxBytes - 3);
    buffer.WriteShort(0x0102);
    buffer.WriteBits(0xF, 4);
    buffer.WriteBits(0x1, 4);
    EXPECT_EQ(buffer.GetDataLen(), Buffer::kMaxBytes);
    EXPECT_EQ(buffer.GetBitSize(), Buffer::kMaxBytes * 8);
    buffer.WriteBits(1, 1);
    buffer.WriteByte(0xFF);
    EXPECT_EQ(buffer.GetBitSize(), Buffer::kMaxBytes * 8);
    EXPECT_EQ(buffer.GetDataPtr()[Buffer::kMaxBytes - 1], 0x1F);
}

TEST(Buffer, FileRoundTrip)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("zest_buffer_" + std::to_string(std::random_device()()));
    fs::create_directories(folder / "Saves");

    Buffer written;
    written.WriteString("player");
    written.WriteBits(5, 3);
    EXPECT_TRUE(Zest::SaveBufferToDisk(folder.string() + "\\saves\\p.dat", written));
    EXPECT_TRUE(fs::exists(folder / "Saves" / "p.dat"));

    Buffer read;
    read.WriteLong(7);
    read.ReadByte();
    EXPECT_TRUE(Zest::LoadBufferFromDisk(folder.string() + "/SAVES/p.dat", read));
    EXPECT_EQ(Bytes(read), Bytes(written));
    EXPECT_EQ(read.GetReadBitPos(), 0);
    EXPECT_EQ(read.ReadString(), "player");
    EXPECT_EQ(read.ReadBits(3, false), 5);

    // Missing and oversized files fail and leave the buffer alone (the large file is sparse).
    std::ofstream(folder / "huge.dat").close();
    fs::resize_file(folder / "huge.dat", static_cast<uintmax_t>(Buffer::kMaxBytes) + 1);
    for (const char* name : {"missing.dat", "huge.dat"})
    {
        Buffer kept;
        kept.WriteByte(0x42);
        EXPECT_FALSE(Zest::LoadBufferFromDisk((folder / name).string(), kept)) << name;
        EXPECT_EQ(Bytes(kept), std::vector<uint8_t>({0x42})) << name;
    }

    // Writing into a folder that does not exist fails.
    EXPECT_FALSE(Zest::SaveBufferToDisk((folder / "nowhere" / "p.dat").string(), written));
    fs::remove_all(folder);
}

} // namespace
