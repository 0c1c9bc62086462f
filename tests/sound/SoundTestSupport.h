// Test support for the audio: a private home and game folder, the manual output, fixture writers and measures.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../platform/TempHome.h"
#include "base/Common.h"
#include "platform/AudioOutput.h"
#include "platform/Files.h"
#include "sound/AudioEngine.h"
#include "sound/AudioLayer.h"
#include "sound/SoundReaders.h"

namespace SoundTest
{

inline void Put16(std::string& s, uint32_t v)
{
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Put32(std::string& s, uint32_t v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}
inline void PutBe32(std::string& s, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) s.push_back(static_cast<char>((v >> shift) & 0xFF));
}

// A canonical WAV of 16-bit samples (interleaved when stereo).
inline std::string Wav16(int channels, int rate, const std::vector<int16_t>& samples)
{
    std::string pcm(samples.size() * 2, '\0');
    std::memcpy(pcm.data(), samples.data(), pcm.size());
    std::string s = "RIFF";
    Put32(s, static_cast<uint32_t>(36 + pcm.size()));
    s += "WAVEfmt ";
    Put32(s, 16);
    Put16(s, 1);
    Put16(s, static_cast<uint32_t>(channels));
    Put32(s, static_cast<uint32_t>(rate));
    Put32(s, static_cast<uint32_t>(rate * channels * 2));
    Put16(s, static_cast<uint32_t>(channels * 2));
    Put16(s, 16);
    s += "data";
    Put32(s, static_cast<uint32_t>(pcm.size()));
    return s + pcm;
}

inline std::vector<int16_t> Sine(int frames, double hz, int rate, double amplitude)
{
    std::vector<int16_t> out(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        out[static_cast<size_t>(i)] =
            static_cast<int16_t>(std::lrint(amplitude * 32767.0 * std::sin(2 * M_PI * hz * i / rate)));
    return out;
}

inline std::vector<int16_t> Ramp(int frames)
{
    std::vector<int16_t> out(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) out[static_cast<size_t>(i)] = static_cast<int16_t>((i * 37) % 20000 - 10000);
    return out;
}

// One channel (0 left, 1 right) of interleaved stereo frames.
inline std::vector<int16_t> Side(const std::vector<int16_t>& stereo, int channel)
{
    std::vector<int16_t> out;
    for (size_t i = static_cast<size_t>(channel); i < stereo.size(); i += 2) out.push_back(stereo[i]);
    return out;
}

inline double Rms(const std::vector<int16_t>& samples)
{
    if (samples.empty()) return 0;
    double sum = 0;
    for (int16_t s : samples) sum += static_cast<double>(s) * s;
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

// Frequency by rising zero crossings over the whole signal.
inline double Frequency(const std::vector<int16_t>& samples, int rate)
{
    int first = -1, last = -1, crossings = 0;
    for (size_t i = 1; i < samples.size(); ++i)
        if (samples[i - 1] < 0 && samples[i] >= 0)
        {
            if (first < 0) first = static_cast<int>(i);
            last = static_cast<int>(i);
            ++crossings;
        }
    if (crossings < 2) return 0;
    return (crossings - 1) * static_cast<double>(rate) / (last - first);
}

inline std::string FixturePath(const std::string& name)
{
    return std::string(ZEST_TEST_DATA_DIR) + "/fixtures/" + name;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A private home, the game's data in a fresh working folder, the manual output and the audio modules registered.
class AudioTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        mOldCwd = Platform::GetCurrentDirectory();
        game = root + "/game";
        std::filesystem::create_directories(game);
        Platform::SetCurrentDirectory(game);
        Zest::SetAppDataFolder(Platform::DataFolder() + "/Maker/Product/");
        Platform::AudioConfig config;
        config.backend = backend;
        Platform::OverrideAudioConfig(&config);
        Zest::RegisterAudioLayer();
    }
    void TearDown() override
    {
        Platform::OverrideAudioConfig(nullptr);
        Zest::SetAppDataFolder("");
        Platform::SetCurrentDirectory(mOldCwd);
        TempHome::TearDown();
    }

    void WriteGameFile(const std::string& name, const std::string& bytes)
    {
        const std::string path = game + "/" + name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        Platform::InvalidateFileNameCache();
    }

    // Renders `frames` frames on the manual output; stereo samples come back.
    std::vector<int16_t> Pump(int frames)
    {
        std::vector<int16_t> out;
        auto engine = Zest::AudioEngine::Running();
        EXPECT_TRUE(engine);
        if (engine) engine->Pump(frames, &out);
        return out;
    }

    std::string CacheFolder() const { return root + "/cache/Maker/Product/cached/"; }

    Platform::AudioBackend backend = Platform::AudioBackend::Manual;
    std::string game;

private:
    std::string mOldCwd;
};

} // namespace SoundTest
