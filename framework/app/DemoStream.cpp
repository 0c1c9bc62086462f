// Demo record headers, checked payload reads and the demo file container.
#include "app/DemoStream.h"

#include <vector>

namespace Zest
{

namespace
{
constexpr int kClickCodes[5] = {1, 2, -1, -2, 3};
} // namespace

bool IsDemoCallRecord(int type)
{
    switch (type)
    {
    case DEMO_REGISTRY_READ:
    case DEMO_REGISTRY_WRITE:
    case DEMO_HTTP:
    case DEMO_FILE_EXISTS:
    case DEMO_FILE_READ:
    case DEMO_FILE_WRITE:
        return true;
    default:
        return false;
    }
}

int DemoButtonIndex(int clickCode)
{
    for (int i = 0; i < 5; ++i)
        if (kClickCodes[i] == clickCode) return i;
    return -1;
}

int DemoButtonCode(int index)
{
    return index >= 0 && index < 5 ? kClickCodes[index] : 0;
}

void DemoStream::Reset()
{
    buffer.Clear();
    lastRecordUpdate = 0;
    recordCount = 0;
    exhausted = false;
    headerConsumed = true;
    pendingShort = false;
    pendingType = 0;
    pendingUpdate = 0;
}

void DemoStream::StartReading()
{
    buffer.Rewind();
    lastRecordUpdate = 0;
    recordCount = 0;
    exhausted = false;
    headerConsumed = true;
}

void DemoStream::WriteHeader(int currentUpdate, bool isShort, int type)
{
    while (currentUpdate - lastRecordUpdate > kDemoMaxDelta)
    {
        buffer.WriteBits(kDemoMaxDelta, 4);
        buffer.WriteBits(0, 1);
        buffer.WriteBits(DEMO_FILLER, 5);
        lastRecordUpdate += kDemoMaxDelta;
        ++recordCount;
    }
    // A record never goes back in time; a smaller count (a restarted counter) is written as 0.
    int delta = currentUpdate - lastRecordUpdate;
    if (delta < 0) delta = 0;
    buffer.WriteBits(delta, 4);
    lastRecordUpdate = currentUpdate;
    ++recordCount;
    buffer.WriteBits(isShort ? 1 : 0, 1);
    buffer.WriteBits(type, isShort ? 1 : 5);
}

bool DemoStream::HasBits(int64_t bits) const
{
    return bits >= 0 && static_cast<int64_t>(buffer.GetReadBitPos()) + bits <= buffer.GetBitSize();
}

bool DemoStream::PeekHeader()
{
    if (exhausted) return false;
    if (!headerConsumed) return true;
    headerStartBit = buffer.GetReadBitPos();
    for (;;)
    {
        if (!HasBits(5))
        {
            exhausted = true;
            return false;
        }
        int delta = buffer.ReadBits(4, false);
        bool isShort = buffer.ReadBits(1, false) != 0;
        int typeBits = isShort ? 1 : 5;
        if (!HasBits(typeBits))
        {
            exhausted = true;
            return false;
        }
        int type = buffer.ReadBits(typeBits, false);
        lastRecordUpdate += delta;
        ++recordCount;
        if (!isShort && type == DEMO_FILLER) continue;
        pendingShort = isShort;
        pendingType = type;
        pendingUpdate = lastRecordUpdate;
        headerConsumed = false;
        return true;
    }
}

bool DemoStream::ReadBit(bool& value)
{
    if (!HasBits(1))
    {
        exhausted = true;
        return false;
    }
    value = buffer.ReadBits(1, false) != 0;
    return true;
}

bool DemoStream::ReadBitsChecked(int count, bool signExtend, int32_t& value)
{
    if (!HasBits(count))
    {
        exhausted = true;
        return false;
    }
    value = buffer.ReadBits(count, signExtend);
    return true;
}

bool DemoStream::ReadLongChecked(int32_t& value)
{
    return ReadBitsChecked(32, false, value);
}

bool DemoStream::ReadBytesChecked(uint8_t* data, int64_t count)
{
    if (count < 0 || !HasBits(count * 8))
    {
        exhausted = true;
        return false;
    }
    buffer.ReadBytes(data, static_cast<int>(count));
    return true;
}

bool DemoStream::SkipBytes(int64_t count)
{
    if (count < 0 || !HasBits(count * 8))
    {
        exhausted = true;
        return false;
    }
    for (int64_t i = 0; i < count; ++i) buffer.ReadByte();
    return true;
}

void WriteDemoFile(Buffer& out, const DemoFileHeader& header, const DemoStream& stream)
{
    out.Clear();
    out.WriteLong(kDemoMagic);
    out.WriteLong(kDemoVersion);
    out.WriteLong(static_cast<int32_t>(header.seed));
    out.WriteString(header.product);
    out.WriteLong(header.lengthUpdates);
    // The stream ends inside a byte; its exact size keeps the padding from reading as records.
    out.WriteLong(stream.buffer.GetBitSize());
    out.WriteBytes(stream.buffer.GetDataPtr(), stream.buffer.GetDataLen());
}

bool ParseDemoFile(Buffer& file, DemoFileHeader& header, DemoStream& stream, std::string& error)
{
    error = "Invalid demo file.";
    file.Rewind();
    const int64_t totalBits = file.GetBitSize();
    auto have = [&](int64_t bits) { return file.GetReadBitPos() + bits <= totalBits; };
    if (!have(96)) return false;
    if (file.ReadLong() != kDemoMagic) return false;
    if (file.ReadLong() != kDemoVersion) return false;
    header.seed = static_cast<uint32_t>(file.ReadLong());
    if (!have(16)) return false;
    int16_t nameLength = file.ReadShort();
    if (nameLength < 0 || !have(int64_t(nameLength) * 8)) return false;
    std::string product(static_cast<size_t>(nameLength), '\0');
    if (nameLength > 0) file.ReadBytes(reinterpret_cast<uint8_t*>(product.data()), nameLength);
    header.product = product;
    if (!have(64)) return false;
    header.lengthUpdates = file.ReadLong();
    int32_t streamBits = file.ReadLong();
    if (header.lengthUpdates < 0 || streamBits < 0) return false;
    const int64_t streamBytes = (int64_t(streamBits) + 7) / 8;
    if (!have(streamBytes * 8)) return false;
    std::vector<uint8_t> bytes(static_cast<size_t>(streamBytes));
    if (streamBytes > 0) file.ReadBytes(bytes.data(), static_cast<int>(streamBytes));
    stream.Reset();
    // Only the recorded bits count: the last byte's padding is not data.
    const int fullBytes = streamBits / 8;
    stream.buffer.WriteBytes(bytes.data(), fullBytes);
    if (streamBits % 8) stream.buffer.WriteBits(bytes[static_cast<size_t>(fullBytes)], streamBits % 8);
    stream.StartReading();
    error.clear();
    return true;
}

} // namespace Zest
