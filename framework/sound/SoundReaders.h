// Sound file readers (WAV, AU, Ogg Vorbis), the decoded-sound cache file format, and streamed music sources.
//
// Every reader takes its bytes through SoundFile, so the same code reads packed files, loose files and memory
// (the fuzz targets). Readers fail safely on hostile input: sizes are checked against what the file holds before
// anything is allocated, chunk walks always move forward, and nothing is read or written out of bounds.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sound/Mixer.h"

namespace Zest
{

class SoundFile
{
public:
    virtual ~SoundFile() = default;
    // Bytes actually read (short at the end).
    virtual size_t Read(void* out, size_t bytes) = 0;
    virtual bool Seek(uint64_t position) = 0;
    virtual uint64_t Tell() = 0;
    virtual uint64_t Size() = 0;
};

// Through the pack wrappers (pack first, then the disk); null when the file cannot be opened.
std::unique_ptr<SoundFile> OpenPakSoundFile(const std::string& name);
// A view of bytes owned by the caller.
std::unique_ptr<SoundFile> OpenMemorySoundFile(const uint8_t* data, size_t size);

// Test hook: counts the files OpenPakSoundFile opened successfully whose name ends with `suffix`.
void CountSoundFileOpens(const std::string& suffix);
int SoundFileOpenCount();

// Decoded PCM in the buffer format: 8-bit unsigned or 16-bit signed little-endian, interleaved.
struct SoundData
{
    int channels = 1;
    int rate = 22050;
    int bits = 16;
    std::vector<uint8_t> bytes;
};

// The last-write time of a data file in 100 ns units since 1601: the loose file's time, else the time stored for
// it in the pack, else 0.
uint64_t SoundSourceTime(const std::string& name);
using SourceTimeFunction = std::function<uint64_t(const std::string&)>;

// WAV: PCM in "fmt " (tag 1, 1..2 channels, 8 or 16 bits), "data", and the cache's "dep " (source name and time;
// a time that differs from `sourceTime(name)` makes the file stale) and "xor " (a byte the data is combined
// with). Without "fmt " the data is 22050 Hz mono 16-bit. False for anything else or anything incomplete.
bool ReadWavSound(SoundFile& file, SoundData& out, const SourceTimeFunction& sourceTime = SoundSourceTime);
// AU: 8-bit mu-law (decoded to 16-bit) or 8-bit linear.
bool ReadAuSound(SoundFile& file, SoundData& out);
// Ogg Vorbis, decoded whole. True only when every frame the stream announces was decoded.
bool ReadOggSound(std::unique_ptr<SoundFile> file, SoundData& out);

// The 16-bit value of one mu-law byte.
int16_t MuLawSample(uint8_t code);

// The cache file of a decoded sound: a WAV with "dep " naming its source and the source's time, and the data
// combined with 0xA9 in an "xor " chunk.
std::vector<uint8_t> BuildCacheWav(const SoundData& sound, const std::string& sourceName, uint64_t sourceTime);
// The plain WAV of the music sample cache (44-byte header).
std::vector<uint8_t> BuildPlainWav(const SoundData& sound);

// Where decoded sounds are cached: the per-user cache folder with the program's maker and product folders,
// then "cached/", ending with '/'.
std::string SoundCacheFolder();
// Names with '\' turned into '/'.
std::string NativeSoundPath(const std::string& name);

// A streamed music source over a file, or null when it is not a readable Ogg Vorbis or WAV file.
std::unique_ptr<StreamSource> OpenOggStream(std::unique_ptr<SoundFile> file);
std::unique_ptr<StreamSource> OpenWavStream(SoundFile& file);

} // namespace Zest
