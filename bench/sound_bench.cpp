// Audio hot paths: the mixer with up to 32 voices and with the title's one song (times real time, and a block with
// nothing playing), Ogg decoding of the game's music, and a sound load that hits the decoded cache against one that
// decodes. The decoder the game links (floating point) is measured against the integer decoder it replaced on the
// same files: the same work, and samples within one step of each other (checked before timing). Our stream and our
// whole-file loader wrap that decoder, so their ratio to it used bare is the cost of our wrapping (the same samples,
// checked too). The mixer and cache pairs are ours against ours, and are printed without a ratio. The allocator is
// settled as for every benchmark (BenchRatio.h).
#include <vorbis/vorbisfile.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <filesystem>
#include <random>

#include "BenchRatio.h"
#include "platform/AudioOutput.h"
#include "platform/Files.h"
#include "platform/programs/IntegerOggDecoder.h"
#include "sound/AudioLayer.h"
#include "sound/DSoundManager.h"
#include "sound/Mixer.h"
#include "sound/SoundReaders.h"

namespace
{

const std::string kOggPath = std::string(ZEST_SOURCE_DIR) + "/tests/sound/fixtures/tone.ogg";
constexpr int kBlock = 1024;

Zest::PcmPtr Tone(int channels, int frames, double hz)
{
    auto pcm = std::make_shared<Zest::PcmData>();
    pcm->channels = channels;
    pcm->rate = 44100;
    pcm->bits = 16;
    pcm->bytes.resize(static_cast<size_t>(frames * channels) * 2);
    auto* s = reinterpret_cast<int16_t*>(pcm->bytes.data());
    for (int i = 0; i < frames * channels; ++i)
        s[i] = static_cast<int16_t>(3000 * std::sin(2 * M_PI * hz * (i / channels) / 44100.0));
    return pcm;
}

// Voices mixed mono and stereo, looping; pitched runs use ratios 0.5, 1.0595 and 1.5 in turn.
void BM_Mix(benchmark::State& state)
{
    const int voices = static_cast<int>(state.range(0));
    const bool pitched = state.range(1) != 0;
    Zest::Mixer mixer;
    std::vector<Zest::VoicePtr> keep;
    for (int v = 0; v < voices; ++v)
    {
        auto voice = mixer.CreateVoice();
        voice->SetPcm(Tone(v % 2 ? 2 : 1, 44100, 200 + 30 * v));
        voice->SetGains(0.5f, 0.4f);
        if (pitched) voice->SetFrequency(44100 * (v % 3 == 0 ? 0.5 : v % 3 == 1 ? 1.0595 : 1.5));
        voice->Play(true);
        keep.push_back(voice);
    }
    std::vector<int16_t> out(kBlock * 2);
    for (auto _ : state)
    {
        mixer.Render(out.data(), kBlock);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kBlock / 44100.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Mix)->Args({1, 0})->Args({8, 0})->Args({32, 0})->Args({1, 1})->Args({8, 1})->Args({32, 1});

// The title's load: one song streamed as the game's music is (22050 Hz mono, resampled to the output rate), with
// the stream topped up from memory whenever it runs low, so no decoding is timed. With `playing` 0 the voice exists
// but is stopped: what a block of silence costs.
void BM_MixMusic(benchmark::State& state)
{
    const int block = static_cast<int>(state.range(0));
    const bool playing = state.range(1) != 0;
    Zest::SoundData song;
    song.channels = 1;
    song.rate = 22050;
    song.bits = 16;
    const Zest::PcmPtr tone = Tone(1, 22050 * 4, 220);
    song.bytes = tone->bytes;
    const std::vector<uint8_t> wav = Zest::BuildPlainWav(song);
    auto file = Zest::OpenMemorySoundFile(wav.data(), wav.size());
    auto stream = std::make_shared<Zest::Stream>(Zest::OpenWavStream(*file));
    stream->SetLooping(true);
    Zest::Mixer mixer;
    auto voice = mixer.CreateVoice();
    voice->SetStream(stream);
    voice->SetGains(0.6f, 0.6f);
    stream->Fill();
    if (playing) voice->Play(true);
    std::vector<int16_t> out(static_cast<size_t>(block) * 2);
    for (auto _ : state)
    {
        if (stream->BufferedFrames() < 8192) stream->Fill();
        mixer.Render(out.data(), block);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * block / 44100.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MixMusic)->Args({1024, 1})->Args({2048, 1})->Args({1024, 0})->Args({2048, 0});

// The game's own music, decoded by each way in turn. Each returns the samples of every song, one after the other.
std::vector<std::string> MusicFiles()
{
    std::vector<std::string> files;
    for (const char* name : {"music1.ogg", "music2.ogg", "music3.ogg", "music4.ogg"})
        files.push_back(std::string(ZEST_SOURCE_DIR) + "/content/music/" + name);
    return files;
}
std::string FileBytes(const std::string& path)
{
    std::string bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb"))
    {
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
        std::fclose(f);
    }
    return bytes;
}
const std::vector<std::string>& MusicBytes()
{
    static const std::vector<std::string> bytes = []
    {
        std::vector<std::string> all;
        for (const auto& path : MusicFiles()) all.push_back(FileBytes(path));
        return all;
    }();
    return bytes;
}

// The integer decoder the game used before: the other side of the decoder choice.
void DecodeInteger(std::vector<int16_t>& out)
{
    static const SoundTest::IntegerOggDecoder integer;
    out.clear();
    std::vector<int16_t> song;
    for (const auto& bytes : MusicBytes())
        if (integer.Decode(bytes, song)) out.insert(out.end(), song.begin(), song.end());
}

// The game's decoder used bare, from memory: the anchor of our wrapping.
void DecodeBare(std::vector<int16_t>& out)
{
    out.clear();
    for (const auto& bytes : MusicBytes())
    {
        struct Memory
        {
            const std::string* bytes;
            size_t pos;
        } memory{&bytes, 0};
        const ov_callbacks callbacks = {
            [](void* p, size_t size, size_t count, void* m) -> size_t
            {
                auto* mem = static_cast<Memory*>(m);
                const size_t n = std::min(size * count, mem->bytes->size() - mem->pos) / size;
                std::memcpy(p, mem->bytes->data() + mem->pos, n * size);
                mem->pos += n * size;
                return n;
            },
            nullptr, nullptr, nullptr}; // not seekable: read straight through, as the stream does
        OggVorbis_File vf;
        if (ov_open_callbacks(&memory, &vf, nullptr, 0, callbacks) < 0) continue;
        char buffer[8192];
        int section = 0;
        long n;
        while ((n = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section)) > 0)
        {
            const size_t at = out.size();
            out.resize(at + static_cast<size_t>(n) / 2);
            std::memcpy(&out[at], buffer, static_cast<size_t>(n));
        }
        ov_clear(&vf);
    }
}

// Ours: the streamed source music uses, through the pack wrappers and the ring.
void DecodeStream(std::vector<int16_t>& out)
{
    out.clear();
    std::vector<int16_t> block(kBlock * 2);
    for (const auto& path : MusicFiles())
    {
        auto source = Zest::OpenOggStream(Zest::OpenPakSoundFile(path));
        if (!source) continue;
        Zest::Stream stream(std::move(source));
        for (;;)
        {
            stream.Fill();
            const int n = stream.Take(block.data(), kBlock);
            if (n == 0 && stream.Finished()) break;
            out.insert(out.end(), block.begin(), block.begin() + n * stream.Channels());
        }
    }
}

// Ours: the whole-file loader that sound effects use.
void DecodeWhole(std::vector<int16_t>& out)
{
    out.clear();
    for (const auto& path : MusicFiles())
    {
        Zest::SoundData data;
        if (!Zest::ReadOggSound(Zest::OpenPakSoundFile(path), data)) continue;
        const size_t at = out.size();
        out.resize(at + data.bytes.size() / 2);
        std::memcpy(&out[at], data.bytes.data(), data.bytes.size());
    }
}

template <void (*Decode)(std::vector<int16_t>&)>
void BM_Decode(benchmark::State& state)
{
    std::vector<int16_t> samples;
    samples.reserve(1 << 23);
    for (auto _ : state)
    {
        Decode(samples);
        benchmark::DoNotOptimize(samples.data());
    }
    // The music is mono.
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(samples.size()) / 22050.0,
                           benchmark::Counter::kIsRate);
}
void BM_IntegerDirect(benchmark::State& state)
{
    BM_Decode<DecodeInteger>(state);
}
void BM_VorbisDirect(benchmark::State& state)
{
    BM_Decode<DecodeBare>(state);
}
void BM_OggStream(benchmark::State& state)
{
    BM_Decode<DecodeStream>(state);
}
void BM_OggLoadSound(benchmark::State& state)
{
    BM_Decode<DecodeWhole>(state);
}
// Loading an effect through the sound manager: decoding the Ogg file and writing the cache (a miss), against
// reading the cache (a hit). Runs in a private folder with the manual output.
struct CacheFixture
{
    std::filesystem::path dir;
    std::string oldCwd;
    std::unique_ptr<Zest::DSoundManager> manager;

    CacheFixture()
    {
        std::random_device rd;
        dir = std::filesystem::temp_directory_path() / ("zest_sound_bench_" + std::to_string(rd()));
        std::filesystem::create_directories(dir / "sounds");
        std::filesystem::copy_file(kOggPath, dir / "sounds" / "tone.ogg");
        oldCwd = Platform::GetCurrentDirectory();
        Platform::SetCurrentDirectory(dir.string());
        Platform::OverrideFolder(Platform::Folder::Cache, (dir / "cache").string());
        static Platform::AudioConfig manual = Platform::ParseAudioConfig("manual");
        Platform::OverrideAudioConfig(&manual);
        Zest::RegisterAudioLayer();
        manager = std::make_unique<Zest::DSoundManager>(reinterpret_cast<Platform::HWND>(1), false);
    }
    ~CacheFixture()
    {
        manager.reset();
        Platform::SetCurrentDirectory(oldCwd);
        Platform::OverrideFolder(Platform::Folder::Cache, "");
        std::filesystem::remove_all(dir);
    }
    std::string CacheFile() const { return Zest::SoundCacheFolder() + "sounds/tone.wav"; }
};

void BM_LoadSoundCacheMiss(benchmark::State& state)
{
    CacheFixture f;
    for (auto _ : state)
    {
        state.PauseTiming();
        std::filesystem::remove(f.CacheFile());
        state.ResumeTiming();
        if (!f.manager->LoadSound(0, "sounds/tone")) state.SkipWithError("load failed");
    }
}
void BM_LoadSoundCacheHit(benchmark::State& state)
{
    CacheFixture f;
    f.manager->LoadSound(0, "sounds/tone");
    for (auto _ : state)
        if (!f.manager->LoadSound(0, "sounds/tone")) state.SkipWithError("load failed");
}
BENCHMARK(BM_LoadSoundCacheMiss);
BENCHMARK(BM_LoadSoundCacheHit);

BENCHMARK(BM_IntegerDirect);
BENCHMARK(BM_VorbisDirect);
BENCHMARK(BM_OggStream);
BENCHMARK(BM_OggLoadSound);

} // namespace

int main(int argc, char** argv)
{
    return BenchRatio::Run(
        argc, argv,
        {{"Ogg decoding: floating point / integer", "BM_VorbisDirect", "BM_IntegerDirect"},
         {"our Ogg stream / the decoder it wraps", "BM_OggStream", "BM_VorbisDirect"},
         {"our Ogg whole load / the decoder it wraps", "BM_OggLoadSound", "BM_VorbisDirect"},
         {"32 voices pitched, unit rate", "BM_Mix/32/1", "BM_Mix/32/0", "ours against ours: the cost of resampling"},
         {"a block of silence, of music", "BM_MixMusic/1024/0", "BM_MixMusic/1024/1",
          "ours against ours: what a block costs with nothing playing"},
         {"sound load, cache hit, miss", "BM_LoadSoundCacheHit", "BM_LoadSoundCacheMiss",
          "ours against ours: reading the decoded cache against decoding"}},
        []
        {
            std::vector<int16_t> integer, bare, stream, whole;
            DecodeInteger(integer);
            DecodeBare(bare);
            DecodeStream(stream);
            DecodeWhole(whole);
            // Our two ways give the samples of the decoder they wrap; the integer decoder's are within one step.
            bool same = !bare.empty() && stream == bare && whole == bare && integer.size() == bare.size();
            for (size_t i = 0; same && i < bare.size(); ++i) same = std::abs(integer[i] - bare[i]) <= 1;
            if (!same) std::fprintf(stderr, "the decoders disagree (is libvorbisidec1 installed?)\n");
            return same;
        });
}
