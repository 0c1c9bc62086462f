// The demo stream: record headers and payloads of recorded input and calls, and the demo file container.
#pragma once

#include <cstdint>
#include <string>

#include "base/Buffer.h"

namespace Zest
{

// Long record types (5 bits).
enum DemoRecordType : int
{
    DEMO_INITIAL_STATE = 0,  // windowed wish (bool) + refresh rate (byte); always the first record
    DEMO_KEY_DOWN = 1,       // key code byte
    DEMO_KEY_UP = 2,         // key code byte
    DEMO_CHAR = 3,           // character byte
    DEMO_MINIMISED = 4,      // bit
    DEMO_CLOSE = 5,          // -
    DEMO_ACTIVE = 6,         // bit
    DEMO_WHEEL = 7,          // signed 16-bit notches
    DEMO_MOUSE_POSITION = 8, // signed 16-bit x, y
    DEMO_LOADING_COMPLETE = 9,
    DEMO_MOUSE_ENTER = 10, // bit: 1 entered, 0 left
    DEMO_REGISTRY_READ = 11,
    DEMO_REGISTRY_WRITE = 12,
    DEMO_HTTP = 13, // reserved
    DEMO_FILE_EXISTS = 14,
    DEMO_FILE_READ = 15,
    DEMO_FILE_WRITE = 16,
    DEMO_MARKER = 17, // string
    DEMO_FILLER = 31,
};

// Short record types (1 bit).
enum DemoShortType : int
{
    DEMO_SHORT_MOVE = 0,   // signed 6-bit dx, dy
    DEMO_SHORT_BUTTON = 1, // press bit + 3-bit index into the click codes {1, 2, -1, -2, 3}
};

constexpr int32_t kDemoMagic = 0x42BEEF78;
constexpr int32_t kDemoVersion = 1;
// The largest gap a record header can carry; longer gaps are bridged with filler records.
constexpr int kDemoMaxDelta = 15;

// Calls that the stream answers during replay, and input that the main loop applies from it.
bool IsDemoCallRecord(int type);

// Click code <-> 3-bit index of a short button record; -1 for an unknown code or index.
int DemoButtonIndex(int clickCode);
int DemoButtonCode(int index);

// One stream, written while recording and read while replaying. Only the main thread touches it.
class DemoStream
{
public:
    Buffer buffer;

    // Writer state.
    int lastRecordUpdate = 0;
    int recordCount = 0;

    // Reader state: the pending header and whether it still has to be read.
    bool exhausted = false;
    bool headerConsumed = true;
    bool pendingShort = false;
    int pendingType = 0;
    int pendingUpdate = 0;
    // Where the pending header (with the fillers before it) starts in the buffer.
    int64_t headerStartBit = 0;

    // Starts an empty stream for recording / the reader at the first record.
    void Reset();
    void StartReading();

    // Writes fillers while the gap exceeds 15 updates, then the header of a record made at `currentUpdate`.
    void WriteHeader(int currentUpdate, bool isShort, int type);

    // Makes the next record's header pending (reads it when the last one was consumed); false once the stream
    // holds no further complete header, which also marks it exhausted.
    bool PeekHeader();
    void ConsumeHeader() { headerConsumed = true; }

    // Checked payload reads: false (and the stream marked exhausted) when fewer bits remain than asked.
    bool HasBits(int64_t bits) const;
    bool ReadBit(bool& value);
    bool ReadBitsChecked(int count, bool signExtend, int32_t& value);
    bool ReadLongChecked(int32_t& value);
    bool ReadBytesChecked(uint8_t* data, int64_t count);
    // Skips `count` bytes (a payload too long for its caller); false when the stream ends first.
    bool SkipBytes(int64_t count);
};

// The demo file: magic, version, seed, product name, length in updates, the stream's size in bits and bytes.
struct DemoFileHeader
{
    uint32_t seed = 0;
    std::string product;
    int32_t lengthUpdates = 0;
};

void WriteDemoFile(Buffer& out, const DemoFileHeader& header, const DemoStream& stream);
// Parses a whole demo file; on failure `error` says why ("Invalid demo file.").
bool ParseDemoFile(Buffer& file, DemoFileHeader& header, DemoStream& stream, std::string& error);

} // namespace Zest
