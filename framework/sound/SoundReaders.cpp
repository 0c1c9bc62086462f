// WAV, AU and Ogg Vorbis readers, the cache file layouts and the streamed music sources.
#include "sound/SoundReaders.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "base/Common.h"
#include "data/PakInterface.h"
#include "platform/FileTime.h"
#include "platform/Files.h"

namespace Zest
{

namespace
{

// Far beyond any sound effect; no file makes us allocate more.
constexpr uint64_t kMaxSoundBytes = 256ull << 20;
constexpr uint8_t kCacheXor = 0xA9;

std::mutex gOpenCountMutex;
std::string gOpenSuffix;
int gOpenCount = 0;

class PakSoundFile : public SoundFile
{
public:
    explicit PakSoundFile(PakFile file) : mFile(std::move(file)), mHandle(mFile.get())
    {
        PakSeek(mHandle, 0, SEEK_END);
        const long end = PakTell(mHandle);
        mSize = end > 0 ? static_cast<uint64_t>(end) : 0;
        PakSeek(mHandle, 0, SEEK_SET);
    }
    size_t Read(void* out, size_t bytes) override { return PakRead(out, 1, bytes, mHandle); }
    bool Seek(uint64_t position) override
    {
        if (position > mSize) return false;
        return PakSeek(mHandle, static_cast<long>(position), SEEK_SET) == 0;
    }
    uint64_t Tell() override
    {
        const long p = PakTell(mHandle);
        return p > 0 ? static_cast<uint64_t>(p) : 0;
    }
    uint64_t Size() override { return mSize; }

private:
    PakFile mFile;
    PackFileHandle* mHandle;
    uint64_t mSize = 0;
};

class MemorySoundFile : public SoundFile
{
public:
    MemorySoundFile(const uint8_t* data, size_t size) : mData(data), mSize(size) {}
    size_t Read(void* out, size_t bytes) override
    {
        const size_t n = std::min<size_t>(bytes, mSize - mPos);
        if (n) std::memcpy(out, mData + mPos, n);
        mPos += n;
        return n;
    }
    bool Seek(uint64_t position) override
    {
        if (position > mSize) return false;
        mPos = static_cast<size_t>(position);
        return true;
    }
    uint64_t Tell() override { return mPos; }
    uint64_t Size() override { return mSize; }

private:
    const uint8_t* mData;
    size_t mSize;
    size_t mPos = 0;
};

bool ReadExact(SoundFile& f, void* out, size_t n)
{
    return f.Read(out, n) == n;
}
uint16_t Le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
uint32_t Be32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
void Put16(std::vector<uint8_t>& v, uint32_t x)
{
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x)
{
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}
void PutTag(std::vector<uint8_t>& v, const char* tag)
{
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(tag[i]));
}

bool ValidFormat(int channels, int rate, int bits)
{
    return (channels == 1 || channels == 2) && (bits == 8 || bits == 16) && rate >= 100 && rate <= 200000;
}

// ---- the Ogg Vorbis decoder's callbacks over a SoundFile

size_t OggRead(void* out, size_t size, size_t count, void* source)
{
    if (!source || size == 0) return 0;
    return static_cast<SoundFile*>(source)->Read(out, size * count) / size;
}
int OggSeek(void* source, ogg_int64_t offset, int whence)
{
    if (!source) return -1;
    auto* f = static_cast<SoundFile*>(source);
    int64_t base = 0;
    if (whence == SEEK_CUR)
        base = static_cast<int64_t>(f->Tell());
    else if (whence == SEEK_END)
        base = static_cast<int64_t>(f->Size());
    const int64_t target = base + offset;
    if (target < 0) return -1;
    return f->Seek(static_cast<uint64_t>(target)) ? 0 : -1;
}
int OggClose(void*)
{
    return 0; // the SoundFile is owned by its unique_ptr
}
long OggTell(void* source)
{
    return source ? static_cast<long>(static_cast<SoundFile*>(source)->Tell()) : -1;
}
const ov_callbacks kOggCallbacks = {OggRead, OggSeek, OggClose, OggTell};

// Decodes up to `bytes` bytes of interleaved signed 16-bit samples in this machine's byte order (the buffers and the
// mixer read them as int16_t; the machine is little-endian, as the cache files are). The decoder works in floating
// point and rounds each sample once here, to within one step of an integer decoder.
long OggReadPcm16(OggVorbis_File& vf, void* out, int bytes, int* section)
{
    static_assert(std::endian::native == std::endian::little, "16-bit samples are stored little-endian");
    return ov_read(&vf, static_cast<char*>(out), bytes, 0, 2, 1, section);
}

} // namespace

std::unique_ptr<SoundFile> OpenPakSoundFile(const std::string& name)
{
    PakFile handle = PakOpenFile(name, "rb");
    if (!handle) return nullptr;
    {
        std::lock_guard<std::mutex> lock(gOpenCountMutex);
        if (!gOpenSuffix.empty() && name.size() >= gOpenSuffix.size() &&
            name.compare(name.size() - gOpenSuffix.size(), gOpenSuffix.size(), gOpenSuffix) == 0)
            ++gOpenCount;
    }
    return std::make_unique<PakSoundFile>(std::move(handle));
}

std::unique_ptr<SoundFile> OpenMemorySoundFile(const uint8_t* data, size_t size)
{
    return std::make_unique<MemorySoundFile>(data, size);
}

void CountSoundFileOpens(const std::string& suffix)
{
    std::lock_guard<std::mutex> lock(gOpenCountMutex);
    gOpenSuffix = suffix;
    gOpenCount = 0;
}

int SoundFileOpenCount()
{
    std::lock_guard<std::mutex> lock(gOpenCountMutex);
    return gOpenCount;
}

uint64_t SoundSourceTime(const std::string& name)
{
    if (uint64_t t = Platform::FileWriteTime(NativeSoundPath(name))) return t;
    // A source that lives only in the pack has the time the pack stored for it, so a new pack refreshes the cache.
    if (auto* pak = dynamic_cast<PakInterface*>(ActivePakInterface()))
    {
        auto it = pak->Entries().find(pak->NormalizePath(name));
        if (it != pak->Entries().end()) return it->second.fileTime;
    }
    return 0;
}

bool ReadWavSound(SoundFile& file, SoundData& out, const SourceTimeFunction& sourceTime)
{
    uint8_t header[12];
    if (!ReadExact(file, header, 12) || std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0)
        return false;
    const uint64_t fileSize = file.Size();
    int channels = 1, rate = 22050, bits = 16;
    uint8_t xorValue = 0;
    for (;;)
    {
        uint8_t chunk[8];
        if (file.Tell() >= fileSize || !ReadExact(file, chunk, 8)) return false;
        const uint64_t pos = file.Tell();
        const uint32_t size = Le32(chunk + 4);
        const bool ours = std::memcmp(chunk, "dep ", 4) == 0 || std::memcmp(chunk, "xor ", 4) == 0;
        if (std::memcmp(chunk, "data", 4) == 0)
        {
            const int block = channels * bits / 8;
            uint64_t bytes = size;
            if (bytes > fileSize - pos || bytes > kMaxSoundBytes) return false;
            bytes -= bytes % static_cast<uint64_t>(block);
            if (bytes == 0) return false;
            out.channels = channels;
            out.rate = rate;
            out.bits = bits;
            out.bytes.resize(static_cast<size_t>(bytes));
            if (!ReadExact(file, out.bytes.data(), out.bytes.size())) return false;
            if (xorValue)
                for (auto& b : out.bytes) b ^= xorValue;
            return true;
        }
        if (std::memcmp(chunk, "fmt ", 4) == 0)
        {
            uint8_t fmt[16];
            if (size < 16 || !ReadExact(file, fmt, 16)) return false;
            if (Le16(fmt) != 1) return false;
            channels = Le16(fmt + 2);
            rate = static_cast<int>(std::min<uint32_t>(Le32(fmt + 4), 0x7FFFFFFF));
            bits = Le16(fmt + 14);
            if (!ValidFormat(channels, rate, bits)) return false;
        }
        else if (std::memcmp(chunk, "dep ", 4) == 0)
        {
            uint8_t lenBytes[2];
            if (size < 10 || !ReadExact(file, lenBytes, 2)) return false;
            const uint16_t len = Le16(lenBytes);
            // A name longer than the chunk, or than our own writer ever stores, cannot be checked: stale.
            if (len > 255 || len > size - 10) return false;
            std::string name(len, '\0');
            uint8_t time[8];
            if (!ReadExact(file, name.data(), len) || !ReadExact(file, time, 8)) return false;
            const uint64_t stored = Le32(time) | (static_cast<uint64_t>(Le32(time + 4)) << 32);
            if (sourceTime(name) != stored) return false;
        }
        else if (std::memcmp(chunk, "xor ", 4) == 0)
        {
            if (size < 1 || !ReadExact(file, &xorValue, 1)) return false;
        }
        // Foreign chunks of odd size are followed by a pad byte; our own cache chunks never are.
        const uint64_t next = pos + size + ((size & 1) && !ours ? 1 : 0);
        if (next > fileSize || !file.Seek(next)) return false;
    }
}

int16_t MuLawSample(uint8_t code)
{
    const int sign = code >= 128 ? 1 : -1;
    const int x = code | 0x80;
    int m;
    if (x >= 240)
        m = 510 - 2 * x;
    else if (x >= 224)
        m = 988 - 4 * x;
    else if (x >= 208)
        m = 1880 - 8 * x;
    else if (x >= 192)
        m = 3536 - 16 * x;
    else if (x >= 176)
        m = 6592 - 32 * x;
    else if (x >= 160)
        m = 12192 - 64 * x;
    else if (x >= 144)
        m = 22368 - 128 * x;
    else
        m = 40672 - 256 * x; // 128 too: the loudest code of its segment, not a near-silent special case
    return static_cast<int16_t>(m * sign * 4);
}

bool ReadAuSound(SoundFile& file, SoundData& out)
{
    uint8_t h[24];
    if (!ReadExact(file, h, 24) || Be32(h) != 0x2E736E64) return false;
    const uint64_t offset = Be32(h + 4), declared = Be32(h + 8);
    const uint32_t encoding = Be32(h + 12), rate = Be32(h + 16), channels = Be32(h + 20);
    const uint64_t fileSize = file.Size();
    if (offset < 24 || offset > fileSize) return false;
    if (encoding != 1 && encoding != 2) return false;
    if (rate > 200000 || !ValidFormat(static_cast<int>(channels), static_cast<int>(rate), 16)) return false;
    // The size field may say "unknown" (all ones) or more than is there: take what the file holds.
    uint64_t size = std::min(declared, fileSize - offset);
    size -= size % channels;
    if (size == 0 || size > kMaxSoundBytes / 2) return false;
    if (!file.Seek(offset)) return false;
    std::vector<uint8_t> raw(static_cast<size_t>(size));
    if (!ReadExact(file, raw.data(), raw.size())) return false;
    out.channels = static_cast<int>(channels);
    out.rate = static_cast<int>(rate);
    if (encoding == 1)
    {
        out.bits = 16;
        out.bytes.resize(raw.size() * 2);
        for (size_t i = 0; i < raw.size(); ++i)
        {
            const int16_t s = MuLawSample(raw[i]);
            std::memcpy(&out.bytes[i * 2], &s, 2);
        }
    }
    else
    {
        // AU linear samples are signed; our 8-bit buffers are unsigned.
        out.bits = 8;
        out.bytes = std::move(raw);
        for (auto& b : out.bytes) b ^= 0x80;
    }
    return true;
}

bool ReadOggSound(std::unique_ptr<SoundFile> file, SoundData& out)
{
    if (!file) return false;
    OggVorbis_File vf;
    if (ov_open_callbacks(file.get(), &vf, nullptr, 0, kOggCallbacks) < 0) return false;
    bool ok = false;
    vorbis_info* info = ov_info(&vf, -1);
    const ogg_int64_t total = ov_pcm_total(&vf, -1);
    if (info && ValidFormat(info->channels, static_cast<int>(info->rate), 16) && total > 0)
    {
        const int channels = info->channels;
        const long rate = info->rate;
        const uint64_t bytes = static_cast<uint64_t>(total) * static_cast<uint64_t>(channels) * 2;
        if (bytes <= kMaxSoundBytes)
        {
            out.channels = channels;
            out.rate = static_cast<int>(rate);
            out.bits = 16;
            out.bytes.assign(static_cast<size_t>(bytes), 0);
            size_t done = 0;
            int holes = 0;
            int section = -1;
            bool mismatch = false;
            while (done < out.bytes.size())
            {
                const int ask = static_cast<int>(std::min<size_t>(out.bytes.size() - done, 1 << 16));
                int current = 0;
                const long n = OggReadPcm16(vf, out.bytes.data() + done, ask, &current);
                if (n == OV_HOLE && ++holes <= 64) continue; // recoverable: decoding goes on after the gap
                if (n <= 0) break;
                if (current != section)
                {
                    section = current;
                    vorbis_info* link = ov_info(&vf, current);
                    if (!link || link->channels != channels || link->rate != rate)
                    {
                        mismatch = true;
                        break;
                    }
                }
                done += static_cast<size_t>(n);
            }
            ok = !mismatch && done == out.bytes.size();
        }
    }
    ov_clear(&vf);
    if (!ok) out.bytes.clear();
    return ok;
}

namespace
{
// The "fmt " chunk of integer PCM in the sound's layout.
void PutPcmFormat(std::vector<uint8_t>& v, const SoundData& sound)
{
    const uint32_t block = static_cast<uint32_t>(sound.channels * sound.bits / 8);
    PutTag(v, "fmt ");
    Put32(v, 16);
    Put16(v, 1);
    Put16(v, static_cast<uint32_t>(sound.channels));
    Put32(v, static_cast<uint32_t>(sound.rate));
    Put32(v, block * static_cast<uint32_t>(sound.rate));
    Put16(v, block);
    Put16(v, static_cast<uint32_t>(sound.bits));
}
} // namespace

std::vector<uint8_t> BuildCacheWav(const SoundData& sound, const std::string& sourceName, uint64_t sourceTime)
{
    const std::string name = sourceName.substr(0, 255);
    const uint32_t n = static_cast<uint32_t>(name.size());
    const uint32_t d = static_cast<uint32_t>(sound.bytes.size());
    std::vector<uint8_t> v;
    v.reserve(71 + n + d);
    PutTag(v, "RIFF");
    Put32(v, d + n + 63);
    PutTag(v, "WAVE");
    PutPcmFormat(v, sound);
    PutTag(v, "dep ");
    Put32(v, n + 10);
    Put16(v, n);
    v.insert(v.end(), name.begin(), name.end());
    Put32(v, static_cast<uint32_t>(sourceTime));
    Put32(v, static_cast<uint32_t>(sourceTime >> 32));
    PutTag(v, "xor ");
    Put32(v, 1);
    v.push_back(kCacheXor);
    PutTag(v, "data");
    Put32(v, d);
    // Scrambled into the file image, never in the live buffer.
    for (uint8_t b : sound.bytes) v.push_back(static_cast<uint8_t>(b ^ kCacheXor));
    return v;
}

std::vector<uint8_t> BuildPlainWav(const SoundData& sound)
{
    const uint32_t d = static_cast<uint32_t>(sound.bytes.size());
    std::vector<uint8_t> v;
    v.reserve(44 + d);
    PutTag(v, "RIFF");
    Put32(v, d + 36);
    PutTag(v, "WAVE");
    PutPcmFormat(v, sound);
    PutTag(v, "data");
    Put32(v, d);
    v.insert(v.end(), sound.bytes.begin(), sound.bytes.end());
    return v;
}

std::string NativeSoundPath(const std::string& name)
{
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string SoundCacheFolder()
{
    // The data folder is <data>/<maker>/<product>/; the cache keeps the same maker and product folders under the
    // per-user cache folder, because decoded sounds can always be made again.
    std::string folder = NativeSoundPath(GetAppDataFolder());
    const std::string data = Platform::DataFolder() + "/";
    const std::string cache = Platform::CacheFolder();
    if (!cache.empty() && folder.rfind(data, 0) == 0)
        folder = cache + "/" + folder.substr(data.size());
    else if (folder.empty() && !cache.empty())
        folder = cache + "/";
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + "cached/";
}

// ---- streamed sources

namespace
{

class OggStreamSource : public StreamSource
{
public:
    static std::unique_ptr<OggStreamSource> Open(std::unique_ptr<SoundFile> file)
    {
        std::unique_ptr<OggStreamSource> s(new OggStreamSource(std::move(file)));
        if (ov_open_callbacks(s->mFile.get(), &s->mVf, nullptr, 0, kOggCallbacks) < 0) return nullptr;
        s->mOpen = true;
        vorbis_info* info = ov_info(&s->mVf, -1);
        if (!info || !ValidFormat(info->channels, static_cast<int>(info->rate), 16)) return nullptr;
        s->mChannels = info->channels;
        s->mRate = static_cast<int>(info->rate);
        return s;
    }
    ~OggStreamSource() override
    {
        if (mOpen) ov_clear(&mVf);
    }
    int Channels() const override { return mChannels; }
    int Rate() const override { return mRate; }
    int Read(int16_t* out, int frames) override
    {
        const int frameBytes = mChannels * 2;
        int done = 0;
        int holes = 0;
        while (done < frames)
        {
            int section = 0;
            const long n = OggReadPcm16(mVf, out + done * mChannels, (frames - done) * frameBytes, &section);
            if (n == OV_HOLE && ++holes <= 64) continue;
            if (n <= 0) return done > 0 ? done : (n == 0 ? 0 : -1);
            vorbis_info* link = ov_info(&mVf, section);
            // A chained link in another format would play as noise: end the stream there.
            if (!link || link->channels != mChannels || link->rate != mRate) return done > 0 ? done : -1;
            done += static_cast<int>(n / frameBytes);
        }
        return done;
    }
    bool Seek(int64_t frame) override { return ov_pcm_seek(&mVf, frame) == 0; }

private:
    explicit OggStreamSource(std::unique_ptr<SoundFile> file) : mFile(std::move(file)) {}
    std::unique_ptr<SoundFile> mFile;
    OggVorbis_File mVf{};
    bool mOpen = false;
    int mChannels = 2;
    int mRate = 44100;
};

class PcmStreamSource : public StreamSource
{
public:
    explicit PcmStreamSource(SoundData data) : mData(std::move(data)) {}
    int Channels() const override { return mData.channels; }
    int Rate() const override { return mData.rate; }
    int Read(int16_t* out, int frames) override
    {
        const int64_t total = static_cast<int64_t>(mData.bytes.size()) / (mData.channels * mData.bits / 8);
        const int n = static_cast<int>(std::min<int64_t>(frames, total - mPos));
        for (int i = 0; i < n * mData.channels; ++i)
        {
            const size_t at = static_cast<size_t>(mPos * mData.channels + i);
            if (mData.bits == 8)
                out[i] = static_cast<int16_t>((mData.bytes[at] - 128) * 256);
            else
                std::memcpy(&out[i], &mData.bytes[at * 2], 2);
        }
        mPos += n;
        return n;
    }
    bool Seek(int64_t frame) override
    {
        const int64_t total = static_cast<int64_t>(mData.bytes.size()) / (mData.channels * mData.bits / 8);
        if (frame < 0 || frame > total) return false;
        mPos = frame;
        return true;
    }

private:
    SoundData mData;
    int64_t mPos = 0;
};

} // namespace

std::unique_ptr<StreamSource> OpenOggStream(std::unique_ptr<SoundFile> file)
{
    if (!file) return nullptr;
    return OggStreamSource::Open(std::move(file));
}

std::unique_ptr<StreamSource> OpenWavStream(SoundFile& file)
{
    SoundData data;
    if (!ReadWavSound(file, data)) return nullptr;
    return std::make_unique<PcmStreamSource>(std::move(data));
}

} // namespace Zest
