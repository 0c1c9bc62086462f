// The decoded-sound cache: written once after a decode, read instead of the source, renewed when the source changes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>

#include "SoundTestSupport.h"
#include "data/PakInterface.h"
#include "data/PakWriter.h"
#include "platform/FileTime.h"
#include "sound/DSoundManager.h"

using namespace Zest;

namespace
{

Platform::HWND FakeWindow()
{
    return reinterpret_cast<Platform::HWND>(static_cast<uintptr_t>(0x1000));
}

uint32_t Le32(const std::string& s, size_t at)
{
    uint32_t v;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

class Cache : public SoundTest::AudioTest
{
protected:
    void SetUp() override
    {
        AudioTest::SetUp();
        ogg = SoundTest::ReadFile(SoundTest::FixturePath("tone.ogg"));
        WriteGameFile("sounds/tone.ogg", ogg);
    }
    void Touch(const std::string& path)
    {
        const auto t = std::filesystem::last_write_time(path);
        std::filesystem::last_write_time(path, t + std::chrono::seconds(5));
    }
    std::string ogg;
};

} // namespace

TEST_F(Cache, FirstLoadWritesTheCacheAndTheSecondReadsOnlyTheCache)
{
    const std::string cachePath = CacheFolder() + "sounds/tone.wav";
    {
        DSoundManager manager(FakeWindow(), false);
        CountSoundFileOpens(".ogg");
        ASSERT_TRUE(manager.LoadSound(0, "sounds\\tone"));
        EXPECT_EQ(SoundFileOpenCount(), 1);
    }
    const std::string file = SoundTest::ReadFile(cachePath);
    const std::string source = "sounds\\tone.ogg";
    const size_t n = source.size();
    const uint32_t d = 44100 * 2;
    ASSERT_EQ(file.size(), 71 + n + d);
    EXPECT_EQ(file.substr(0, 4), "RIFF");
    EXPECT_EQ(Le32(file, 4), d + n + 63);
    EXPECT_EQ(file.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Le32(file, 16), 16u);
    EXPECT_EQ(file.substr(20, 16), std::string("\x01\x00\x01\x00\x44\xAC\x00\x00\x88\x58\x01\x00\x02\x00\x10\x00", 16));
    EXPECT_EQ(file.substr(36, 4), "dep ");
    EXPECT_EQ(Le32(file, 40), n + 10);
    EXPECT_EQ(file.substr(46, n), source);
    uint64_t time;
    std::memcpy(&time, file.data() + 46 + n, 8);
    EXPECT_EQ(time, Platform::FileWriteTime(game + "/sounds/tone.ogg"));
    EXPECT_NE(time, 0u);
    EXPECT_EQ(file.substr(54 + n, 9), std::string("xor \x01\x00\x00\x00\xA9", 9));
    EXPECT_EQ(file.substr(63 + n, 4), "data");
    EXPECT_EQ(Le32(file, 67 + n), d);
    // The data are the decoded samples combined with 0xA9.
    SoundData decoded;
    ASSERT_TRUE(ReadOggSound(OpenMemorySoundFile(reinterpret_cast<const uint8_t*>(ogg.data()), ogg.size()), decoded));
    for (size_t i = 0; i < d; i += 997) ASSERT_EQ(static_cast<uint8_t>(file[71 + n + i]), decoded.bytes[i] ^ 0xA9) << i;
    // Written through a temporary file: nothing else is left in the folder.
    EXPECT_EQ(Listing(CacheFolder() + "sounds"), std::vector<std::string>{"tone.wav"});

    DSoundManager again(FakeWindow(), false);
    CountSoundFileOpens(".ogg");
    ASSERT_TRUE(again.LoadSound(3, "sounds\\tone"));
    EXPECT_EQ(SoundFileOpenCount(), 0);
    EXPECT_EQ(again.DataSize(3), d);
    auto* instance = again.GetSoundInstance(3);
    instance->Play(false, true);
    const auto out = Pump(4410);
    std::vector<int16_t> expected(4410);
    std::memcpy(expected.data(), decoded.bytes.data(), 4410 * 2);
    EXPECT_EQ(SoundTest::Side(out, 0), expected);
}

TEST_F(Cache, ANewerSourceOrADamagedCacheIsDecodedAgain)
{
    const std::string cachePath = CacheFolder() + "sounds/tone.wav";
    {
        DSoundManager manager(FakeWindow(), false);
        ASSERT_TRUE(manager.LoadSound(0, "sounds/tone"));
    }
    const std::string good = SoundTest::ReadFile(cachePath);
    Touch(game + "/sounds/tone.ogg");
    {
        DSoundManager manager(FakeWindow(), false);
        CountSoundFileOpens(".ogg");
        ASSERT_TRUE(manager.LoadSound(0, "sounds/tone"));
        EXPECT_EQ(SoundFileOpenCount(), 1);
    }
    const std::string renewed = SoundTest::ReadFile(cachePath);
    EXPECT_NE(renewed, good);
    EXPECT_EQ(renewed.size(), good.size());

    const std::pair<const char*, std::function<void(std::string&)>> damage[] = {
        {"format tag 2", [](std::string& f) { f[20] = 2; }},
        {"data cut short", [](std::string& f) { f.resize(f.size() - 100); }},
        {"other source time", [](std::string& f) { f[46 + 15] ^= 1; }},
    };
    for (const auto& [what, spoil] : damage)
    {
        std::string file = renewed;
        spoil(file);
        std::ofstream(cachePath, std::ios::binary | std::ios::trunc) << file;
        DSoundManager manager(FakeWindow(), false);
        CountSoundFileOpens(".ogg");
        ASSERT_TRUE(manager.LoadSound(0, "sounds/tone")) << what;
        EXPECT_EQ(SoundFileOpenCount(), 1) << what;
        EXPECT_EQ(SoundTest::ReadFile(cachePath), renewed) << what;
    }
}

TEST_F(Cache, NamesThatAreNeverCached)
{
    WriteGameFile("ab.ogg", ogg);
    WriteGameFile("plain.wav", SoundTest::Wav16(1, 44100, SoundTest::Ramp(100)));
    WriteGameFile("sub/x.ogg", ogg);
    DSoundManager manager(FakeWindow(), false);
    EXPECT_TRUE(manager.LoadSound(0, "ab"));            // too short
    EXPECT_TRUE(manager.LoadSound(1, "plain"));         // a plain WAV is read directly
    EXPECT_TRUE(manager.LoadSound(2, game + "/sub/x")); // absolute
    EXPECT_TRUE(manager.LoadSound(3, "sub/../sub/x"));  // would climb out of the cache folder
    EXPECT_FALSE(std::filesystem::exists(CacheFolder() + "ab.wav"));
    EXPECT_FALSE(std::filesystem::exists(CacheFolder() + "plain.wav"));
    std::vector<std::string> written;
    if (std::filesystem::exists(CacheFolder()))
        for (auto& e : std::filesystem::recursive_directory_iterator(CacheFolder()))
            if (e.is_regular_file()) written.push_back(e.path().string());
    EXPECT_TRUE(written.empty()) << written.front();
}

TEST_F(Cache, AuSourcesAreCachedAndAnMp3IsIgnoredWithoutTheSecondLibrary)
{
    std::string au;
    SoundTest::PutBe32(au, 0x2E736E64);
    for (uint32_t v : {24u, 4u, 1u, 8000u, 1u}) SoundTest::PutBe32(au, v);
    au += "\xFF\x81\x01\x80";
    WriteGameFile("sounds/blip.au", au);
    WriteGameFile("sounds/tone.mp3", "not decoded");
    DSoundManager manager(FakeWindow(), false);
    ASSERT_TRUE(manager.LoadSound(0, "sounds/blip"));
    EXPECT_TRUE(std::filesystem::exists(CacheFolder() + "sounds/blip.wav"));
    CountSoundFileOpens(".mp3");
    ASSERT_TRUE(manager.LoadSound(1, "sounds/tone"));
    EXPECT_EQ(SoundFileOpenCount(), 0);
    EXPECT_FALSE(manager.LoadSound(2, "sounds/nothing"));
}

TEST_F(Cache, PackedSourcesAreValidatedByTheirStoredTime)
{
    std::filesystem::remove(game + "/sounds/tone.ogg");
    Platform::InvalidateFileNameCache();
    auto makePack = [&](uint64_t time)
    {
        PakWriter writer;
        ASSERT_TRUE(writer.AddFile("sounds\\tone.ogg", ogg, time));
        ASSERT_TRUE(writer.WriteTo(game + "/main.pak"));
    };
    makePack(131000000000000000ull);
    {
        PakInterface pak;
        ASSERT_TRUE(pak.AddPakFile(game + "/main.pak"));
        DSoundManager manager(FakeWindow(), false);
        ASSERT_TRUE(manager.LoadSound(0, "sounds/tone"));
        uint64_t stored;
        std::memcpy(&stored, SoundTest::ReadFile(CacheFolder() + "sounds/tone.wav").data() + 46 + 15, 8);
        EXPECT_EQ(stored, 131000000000000000ull);
        CountSoundFileOpens(".ogg");
        ASSERT_TRUE(manager.LoadSound(1, "sounds/tone"));
        EXPECT_EQ(SoundFileOpenCount(), 0);
    }
    makePack(132000000000000000ull);
    {
        PakInterface pak;
        ASSERT_TRUE(pak.AddPakFile(game + "/main.pak"));
        DSoundManager manager(FakeWindow(), false);
        CountSoundFileOpens(".ogg");
        ASSERT_TRUE(manager.LoadSound(0, "sounds/tone"));
        EXPECT_EQ(SoundFileOpenCount(), 1); // a new pack renews the cache
    }
}
