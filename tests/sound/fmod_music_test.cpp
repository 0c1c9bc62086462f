// Music over the sample-and-channel library: its access rules, its cache, fades, looped samples and songs.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "SoundTestSupport.h"
#include "platform/Modules.h"
#include "sound/DSoundManager.h"
#include "sound/FModLibrary.h"
#include "sound/FModMusicInterface.h"

using namespace Zest;

namespace
{

Platform::HWND Window()
{
    return reinterpret_cast<Platform::HWND>(static_cast<uintptr_t>(0x3000));
}

uint32_t Le32(const std::string& s, size_t at)
{
    uint32_t v;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

class FModMusic : public SoundTest::AudioTest
{
protected:
    void SetUp() override
    {
        AudioTest::SetUp();
        ogg = SoundTest::ReadFile(SoundTest::FixturePath("tone.ogg"));
        WriteGameFile("music/x.ogg", ogg);
        SoundData data;
        ASSERT_TRUE(ReadOggSound(OpenMemorySoundFile(reinterpret_cast<const uint8_t*>(ogg.data()), ogg.size()), data));
        decoded.resize(data.bytes.size() / 2);
        std::memcpy(decoded.data(), data.bytes.data(), data.bytes.size());
        // The sound manager initialises the library when the setting asks for it.
        manager = std::make_unique<DSoundManager>(Window(), true);
    }
    void TearDown() override
    {
        manager.reset();
        Platform::RestoreHiddenModules();
        AudioTest::TearDown();
    }
    std::string ogg;
    std::vector<int16_t> decoded;
    std::unique_ptr<DSoundManager> manager;
};

} // namespace

TEST(FModLibrary, SharedByCountAndFreedByTheLastUser)
{
    RegisterAudioLayer();
    FMOD_INSTANCE* a = LoadFModDLL();
    FMOD_INSTANCE* b = LoadFModDLL();
    EXPECT_EQ(a, b);
    EXPECT_EQ(Platform::ModuleLoadCount("fmod.dll"), 1);
    FreeFModDLL();
    EXPECT_EQ(GetFModInstance(), a);
    FreeFModDLL();
    EXPECT_EQ(GetFModInstance(), nullptr);
    EXPECT_EQ(Platform::ModuleLoadCount("fmod.dll"), 0);
    // Calls before the library is initialised fail softly.
    FMOD_INSTANCE* fmod = LoadFModDLL();
    EXPECT_EQ(fmod->FSOUND_Sample_Load(-1, "x.ogg", 0, 0), nullptr);
    EXPECT_EQ(fmod->FMUSIC_LoadSong("x.ogg"), nullptr);
    EXPECT_EQ(fmod->FSOUND_IsPlaying(3), 0);
    EXPECT_EQ(fmod->FSOUND_Stream_OpenFile("x.ogg", 0, 0), nullptr);
    FreeFModDLL();
}

TEST(FModLibraryDeathTest, AMissingLibraryOrEntryEndsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    RegisterAudioLayer();
    Platform::HideModule("fmod.dll");
    EXPECT_EXIT(LoadFModDLL(), testing::ExitedWithCode(0), "Can't find fmod\\.dll\\.");
    Platform::RestoreHiddenModules();
    // The first missing entry in lookup order is the one named.
    Platform::HideModuleEntry("fmod.dll", "_FMUSIC_SetOrder@8");
    Platform::HideModuleEntry("fmod.dll", "_FSOUND_Sample_Lock@28");
    EXPECT_EXIT(LoadFModDLL(), testing::ExitedWithCode(0),
                "\"_FSOUND_Sample_Lock@28\" function not found in fmod\\.dll");
    Platform::RestoreHiddenModules();
}

TEST_F(FModMusic, SamplesAreCachedAsPlainWavesByBaseName)
{
    {
        FModMusicInterface music(Window());
        CountSoundFileOpens(".ogg");
        ASSERT_TRUE(music.LoadSample(5, "music/x", true));
        EXPECT_EQ(SoundFileOpenCount(), 1);
    }
    const std::string file = SoundTest::ReadFile(CacheFolder() + "x.wav");
    ASSERT_EQ(file.size(), 44u + 44100 * 2);
    EXPECT_EQ(file.substr(0, 4), "RIFF");
    EXPECT_EQ(Le32(file, 4), 44100u * 2 + 36);
    EXPECT_EQ(file.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(file.substr(36, 4), "data");
    EXPECT_EQ(std::memcmp(file.data() + 44, decoded.data(), 44100 * 2), 0);

    FModMusicInterface music(Window());
    CountSoundFileOpens(".ogg");
    ASSERT_TRUE(music.LoadSample(5, "music/x", true));
    EXPECT_EQ(SoundFileOpenCount(), 0);

    // A newer source makes the cache stale.
    const auto t = std::filesystem::last_write_time(CacheFolder() + "x.wav");
    std::filesystem::last_write_time(game + "/music/x.ogg", t + std::chrono::seconds(5));
    CountSoundFileOpens(".ogg");
    ASSERT_TRUE(music.LoadSample(6, "music/x", true));
    EXPECT_EQ(SoundFileOpenCount(), 1);
    EXPECT_FALSE(music.LoadSample(7, "music/none", true));
}

TEST_F(FModMusic, ASampleSongPlaysOnItsChannelAndFadesByUpdates)
{
    FModMusicInterface music(Window());
    ASSERT_TRUE(music.LoadSample(1, "music/x", true));
    ASSERT_TRUE(music.LoadSample(2, "music/x", true));
    ASSERT_TRUE(music.LoadSample(3, "music/x", false));
    music.SetVolume(0.5);
    music.PlayMusic(1, 0, false);
    EXPECT_TRUE(music.IsPlaying(1));
    const auto half = SoundTest::Side(Pump(441), 0);
    for (int i = 0; i < 441; ++i) ASSERT_NEAR(half[static_cast<size_t>(i)], decoded[static_cast<size_t>(i)] * 0.5, 1);
    music.SetVolume(1.0);
    music.PlayMusic(2, 0, false);
    music.PlayMusic(3, 0, false);
    music.FadeOutAll(true, 0.01);
    int update = 0;
    while ((music.IsPlaying(1) || music.IsPlaying(2) || music.IsPlaying(3)) && update < 200)
    {
        EXPECT_EQ(music.IsPlaying(1), music.IsPlaying(2));
        music.Update();
        Pump(441);
        ++update;
    }
    EXPECT_EQ(update, 100);

    // FadeIn starts a song that is not playing and never restarts one that is.
    music.FadeIn(1, 0, 0.5, false);
    Pump(4410);
    music.FadeIn(1, 0, 0.5, false);
    music.Update();
    music.Update();
    Pump(441); // the volume change ramps in over a few milliseconds
    const auto on = SoundTest::Side(Pump(441), 0);
    for (int i = 0; i < 441; ++i) ASSERT_EQ(on[static_cast<size_t>(i)], decoded[static_cast<size_t>(4851 + i)]) << i;

    // Unload, SetSongMaxVolume and amplification do nothing here.
    music.UnloadMusic(1);
    music.SetSongMaxVolume(1, 0.1);
    music.SetMusicAmplify(1, 3);
    EXPECT_TRUE(music.IsPlaying(1));
    EXPECT_EQ(music.Songs().at(1).maxVolume, 1.0);
}

TEST_F(FModMusic, ALoopedSamplePlaysTheIntroOnceThenRepeatsTheLoop)
{
    std::vector<int16_t> intro = SoundTest::Ramp(300);
    std::vector<int16_t> loop(200);
    for (int i = 0; i < 200; ++i) loop[static_cast<size_t>(i)] = static_cast<int16_t>(20000 - i * 50);
    // The cache files stand in for the decoded sources (no source: never stale).
    std::filesystem::create_directories(CacheFolder());
    std::ofstream(CacheFolder() + "intro.wav", std::ios::binary) << SoundTest::Wav16(1, 44100, intro);
    std::ofstream(CacheFolder() + "loop.wav", std::ios::binary) << SoundTest::Wav16(1, 44100, loop);
    std::ofstream(CacheFolder() + "slow.wav", std::ios::binary) << SoundTest::Wav16(1, 22050, loop);
    FModMusicInterface music(Window());
    EXPECT_FALSE(music.LoadLoopedSample(4, "music/intro", "music/slow", true)); // rates differ
    ASSERT_TRUE(music.LoadLoopedSample(4, "music/intro", "music/loop", true));
    music.PlayMusic(4, 0, false);
    const auto left = SoundTest::Side(Pump(1000), 0);
    for (int i = 0; i < 1000; ++i)
    {
        const int16_t expected = i < 300 ? intro[static_cast<size_t>(i)] : loop[static_cast<size_t>((i - 300) % 200)];
        ASSERT_EQ(left[static_cast<size_t>(i)], expected) << i;
    }
}

TEST_F(FModMusic, OggTracksPlayAsSongsSoTheGameHasMusicHereToo)
{
    FModMusicInterface music(Window());
    ASSERT_TRUE(music.LoadMusic(0, "music/x.ogg"));
    EXPECT_FALSE(music.LoadMusic(0, "music/x.ogg")); // the id keeps its song
    EXPECT_FALSE(music.LoadMusic(1, "music/none.ogg"));
    music.FadeIn(0, 0, 0.002, false);
    for (int i = 0; i < 500; ++i)
    {
        music.Update();
        Pump(441);
    }
    EXPECT_EQ(music.Songs().at(0).volume, 1.0);
    EXPECT_TRUE(music.IsPlaying(0));
    // Looping goes on past the end of the one-second file.
    EXPECT_GT(SoundTest::Rms(SoundTest::Side(Pump(441), 0)), 10000);
    music.PauseMusic(0);
    Pump(441); // the pause fades out within a few milliseconds
    EXPECT_EQ(SoundTest::Rms(SoundTest::Side(Pump(441), 0)), 0.0);
    music.ResumeMusic(0);
    EXPECT_GT(SoundTest::Rms(SoundTest::Side(Pump(441), 0)), 10000);
    music.PlayMusic(0, 0, true);
    Pump(44100 + 441);
    EXPECT_FALSE(music.IsPlaying(0)); // not looping: ends with the file
    music.StopAllMusic();
}
