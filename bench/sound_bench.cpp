// Audio hot paths: the mixer with up to 32 voices (times real time), Ogg decoding through our stream and our
// whole-file loader against bare Tremor reading the same file with stdio, and a sound load that hits the decoded
// cache against one that decodes. Our decoders wrap Tremor, so their ratio to it is the cost of our wrapping (the
// three must give the same samples, checked before timing); the mixer and cache pairs are ours against ours, and
// are printed without a ratio. The allocator is settled as for every benchmark (BenchRatio.h).
#include <tremor/ivorbisfile.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <filesystem>
#include <random>

#include "BenchRatio.h"
#include "platform/AudioOutput.h"
#include "platform/Files.h"
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

size_t StdioRead(void* p, size_t s, size_t n, void* f)
{
    return std::fread(p, s, n, static_cast<std::FILE*>(f));
}
int StdioSeek(void* f, ogg_int64_t off, int whence)
{
    return std::fseek(static_cast<std::FILE*>(f), static_cast<long>(off), whence);
}
int StdioClose(void* f)
{
    return std::fclose(static_cast<std::FILE*>(f));
}
long StdioTell(void* f)
{
    return std::ftell(static_cast<std::FILE*>(f));
}

// Bare Tremor: the anchor. Returns the frames decoded and a checksum of the samples.
uint64_t DecodeTremor(int64_t& frames)
{
    std::FILE* f = std::fopen(kOggPath.c_str(), "rb");
    OggVorbis_File vf;
    if (!f || ov_open_callbacks(f, &vf, nullptr, 0, {StdioRead, StdioSeek, StdioClose, StdioTell}) < 0) return 0;
    const int channels = ov_info(&vf, -1)->channels;
    std::vector<char> buffer(kBlock * 4);
    uint64_t sum = 0;
    frames = 0;
    int section = 0;
    for (;;)
    {
        const long n = ov_read(&vf, buffer.data(), static_cast<int>(buffer.size()), &section);
        if (n <= 0) break;
        for (long i = 0; i < n; i += 2)
        {
            int16_t s;
            std::memcpy(&s, &buffer[static_cast<size_t>(i)], 2);
            sum = sum * 31 + static_cast<uint16_t>(s);
        }
        frames += n / (2 * channels);
    }
    ov_clear(&vf);
    return sum;
}

// Ours: the streamed source music uses, through the pack wrappers and the ring.
uint64_t DecodeStream(int64_t& frames)
{
    auto source = Zest::OpenOggStream(Zest::OpenPakSoundFile(kOggPath));
    if (!source) return 0;
    Zest::Stream stream(std::move(source));
    std::vector<int16_t> block(kBlock * 2);
    uint64_t sum = 0;
    frames = 0;
    for (;;)
    {
        stream.Fill();
        const int n = stream.Take(block.data(), kBlock);
        if (n == 0 && stream.Finished()) break;
        for (int i = 0; i < n * stream.Channels(); ++i)
            sum = sum * 31 + static_cast<uint16_t>(block[static_cast<size_t>(i)]);
        frames += n;
    }
    return sum;
}

uint64_t DecodeWhole(int64_t& frames)
{
    Zest::SoundData data;
    if (!Zest::ReadOggSound(Zest::OpenPakSoundFile(kOggPath), data)) return 0;
    uint64_t sum = 0;
    for (size_t i = 0; i < data.bytes.size(); i += 2)
    {
        int16_t s;
        std::memcpy(&s, &data.bytes[i], 2);
        sum = sum * 31 + static_cast<uint16_t>(s);
    }
    frames = static_cast<int64_t>(data.bytes.size()) / (2 * data.channels);
    return sum;
}

template <uint64_t (*Decode)(int64_t&)>
void BM_Decode(benchmark::State& state)
{
    int64_t frames = 0;
    for (auto _ : state) benchmark::DoNotOptimize(Decode(frames));
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * frames / 44100.0, benchmark::Counter::kIsRate);
}
void BM_TremorDirect(benchmark::State& state)
{
    BM_Decode<DecodeTremor>(state);
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

BENCHMARK(BM_TremorDirect);
BENCHMARK(BM_OggStream);
BENCHMARK(BM_OggLoadSound);

} // namespace

int main(int argc, char** argv)
{
    return BenchRatio::Run(
        argc, argv,
        {{"our Ogg stream / the Tremor it wraps", "BM_OggStream", "BM_TremorDirect"},
         {"our Ogg whole load / the Tremor it wraps", "BM_OggLoadSound", "BM_TremorDirect"},
         {"32 voices pitched, unit rate", "BM_Mix/32/1", "BM_Mix/32/0", "ours against ours: the cost of resampling"},
         {"sound load, cache hit, miss", "BM_LoadSoundCacheHit", "BM_LoadSoundCacheMiss",
          "ours against ours: reading the decoded cache against decoding"}},
        []
        {
            int64_t a = 0, b = 0, c = 0;
            const uint64_t anchor = DecodeTremor(a);
            // All three decode the same samples.
            const bool same = anchor != 0 && DecodeStream(b) == anchor && DecodeWhole(c) == anchor && a == b && a == c;
            if (!same) std::fprintf(stderr, "the decoders disagree\n");
            return same;
        });
}
