// Music over the stream library: exact library calls through a recording stand-in, then the real layer heard.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "SoundTestSupport.h"
#include "platform/MessageBox.h"
#include "platform/Modules.h"
#include "sound/BassLibrary.h"
#include "sound/BassMusicInterface.h"

using namespace Zest;

namespace
{

std::vector<std::string> gCalls;
DWORD gActive = BASS_ACTIVE_PLAYING;
DWORD gNextHandle = 100;

std::string Str(const char* name, std::initializer_list<long long> args)
{
    std::string s = std::string(name) + "(";
    bool first = true;
    for (long long a : args)
    {
        s += (first ? "" : ",") + std::to_string(a);
        first = false;
    }
    return s + ")";
}

BASSBOOL FakeInit(int device, DWORD freq, DWORD flags, void*, const void*)
{
    gCalls.push_back(Str("Init", {device, freq, flags}));
    return 1;
}
BASSBOOL FakeInitOld(int device, DWORD freq, DWORD flags, void*)
{
    gCalls.push_back(Str("InitOld", {device, freq, flags}));
    return 1;
}
DWORD FakeSetConfig(DWORD option, DWORD value)
{
    gCalls.push_back(Str("SetConfig", {option, value}));
    return value;
}
BASSBOOL FakeSetGlobalVolumes(int a, int b, int c)
{
    gCalls.push_back(Str("SetGlobalVolumes", {a, b, c}));
    return 1;
}
BASSBOOL FakeNoArgs()
{
    return 1;
}
HSTREAM FakeStreamCreateFile(BASSBOOL, const void* file, QWORD, QWORD, DWORD flags)
{
    gCalls.push_back(std::string("StreamCreateFile(") + static_cast<const char*>(file) + "," + std::to_string(flags) +
                     ")");
    return gNextHandle++;
}
HMUSIC FakeMusicLoad(BASSBOOL, const void* file, QWORD, DWORD, DWORD flags, DWORD)
{
    gCalls.push_back(std::string("MusicLoad(") + static_cast<const char*>(file) + "," + std::to_string(flags) + ")");
    return gNextHandle++;
}
HMUSIC FakeMusicLoadOld(BASSBOOL, const void* file, DWORD, DWORD, DWORD flags)
{
    gCalls.push_back(std::string("MusicLoadOld(") + static_cast<const char*>(file) + "," + std::to_string(flags) + ")");
    return gNextHandle++;
}
void FakeStreamFree(HSTREAM h)
{
    gCalls.push_back(Str("StreamFree", {h}));
}
void FakeMusicFree(HMUSIC h)
{
    gCalls.push_back(Str("MusicFree", {h}));
}
BASSBOOL FakeChannelStop(DWORD h)
{
    gCalls.push_back(Str("Stop", {h}));
    return 1;
}
BASSBOOL FakeChannelPlay(DWORD h, BASSBOOL restart)
{
    gCalls.push_back(Str("Play", {h, restart}));
    return 1;
}
BASSBOOL FakeChannelPause(DWORD h)
{
    gCalls.push_back(Str("Pause", {h}));
    return 1;
}
BASSBOOL FakeSetAttributes(DWORD h, int f, int v, int p)
{
    gCalls.push_back(Str("Attr", {h, f, v, p}));
    return 1;
}
BASSBOOL FakeSetPosition(DWORD h, QWORD pos)
{
    gCalls.push_back(Str("Position", {h, static_cast<long long>(pos)}));
    return 1;
}
BASSBOOL FakeSetFlags(DWORD h, DWORD flags)
{
    gCalls.push_back(Str("Flags", {h, flags}));
    return 1;
}
DWORD FakeIsActive(DWORD)
{
    return gActive;
}
BASSBOOL FakeMusicSetAttribute(DWORD h, DWORD a, DWORD v)
{
    gCalls.push_back(Str("MusicAttr", {h, a, v}));
    return 1;
}

class BassCalls : public SoundTest::AudioTest
{
protected:
    void SetUp() override
    {
        AudioTest::SetUp();
        gCalls.clear();
        gActive = BASS_ACTIVE_PLAYING;
        gNextHandle = 100;
        Platform::RegisterModule(
            "bass.dll",
            {
                {"BASS_Init", Platform::Entry(&BASS_INSTANCE::BASS_Init, &FakeInit)},
                {"BASS_SetConfig", Platform::Entry(&BASS_INSTANCE::BASS_SetConfig, &FakeSetConfig)},
                {"BASS_SetGlobalVolumes",
                 Platform::Entry(&BASS_INSTANCE::BASS_SetGlobalVolumes, &FakeSetGlobalVolumes)},
                {"BASS_Start", Platform::Entry(&BASS_INSTANCE::BASS_Start, &FakeNoArgs)},
                {"BASS_Stop", Platform::Entry(&BASS_INSTANCE::BASS_Stop, &FakeNoArgs)},
                {"BASS_Free", Platform::Entry(&BASS_INSTANCE::BASS_Free, &FakeNoArgs)},
                {"BASS_StreamCreateFile",
                 Platform::Entry(&BASS_INSTANCE::BASS_StreamCreateFile, &FakeStreamCreateFile)},
                {"BASS_MusicLoad", Platform::Entry(&BASS_INSTANCE::BASS_MusicLoad, &FakeMusicLoad)},
                {"BASS_StreamFree", Platform::Entry(&BASS_INSTANCE::BASS_StreamFree, &FakeStreamFree)},
                {"BASS_MusicFree", Platform::Entry(&BASS_INSTANCE::BASS_MusicFree, &FakeMusicFree)},
                {"BASS_ChannelStop", Platform::Entry(&BASS_INSTANCE::BASS_ChannelStop, &FakeChannelStop)},
                {"BASS_ChannelPlay", Platform::Entry(&BASS_INSTANCE::BASS_ChannelPlay, &FakeChannelPlay)},
                {"BASS_ChannelPause", Platform::Entry(&BASS_INSTANCE::BASS_ChannelPause, &FakeChannelPause)},
                {"BASS_ChannelSetAttributes",
                 Platform::Entry(&BASS_INSTANCE::BASS_ChannelSetAttributes, &FakeSetAttributes)},
                {"BASS_ChannelSetPosition", Platform::Entry(&BASS_INSTANCE::BASS_ChannelSetPosition, &FakeSetPosition)},
                {"BASS_ChannelSetFlags", Platform::Entry(&BASS_INSTANCE::BASS_ChannelSetFlags, &FakeSetFlags)},
                {"BASS_ChannelIsActive", Platform::Entry(&BASS_INSTANCE::BASS_ChannelIsActive, &FakeIsActive)},
                {"BASS_MusicSetAttribute",
                 Platform::Entry(&BASS_INSTANCE::BASS_MusicSetAttribute, &FakeMusicSetAttribute)},
            });
        WriteGameFile("music/song.mod", "module bytes");
    }
    void TearDown() override
    {
        Platform::RestoreHiddenModules();
        RegisterBassModule();
        AudioTest::TearDown();
    }
    // The calls since the last look.
    std::vector<std::string> Take()
    {
        auto calls = gCalls;
        gCalls.clear();
        return calls;
    }
    using Calls = std::vector<std::string>;
};

Platform::HWND Window()
{
    return reinterpret_cast<Platform::HWND>(static_cast<uintptr_t>(0x2000));
}

// Updates until the song's channel is stopped; the number of the update that stopped it.
int UpdatesUntilStop(BassMusicInterface& music, DWORD channel, int limit)
{
    const std::string stop = Str("Stop", {channel});
    for (int update = 1; update <= limit; ++update)
    {
        gCalls.clear();
        music.Update();
        for (auto& c : gCalls)
            if (c == stop) return update;
    }
    return -1;
}

} // namespace

TEST_F(BassCalls, StartUpLoadingAndPlayingMakeTheExpectedCalls)
{
    BassMusicInterface music(Window());
    EXPECT_EQ(Take(), (Calls{"Init(1,44100,0)", "SetConfig(0,2000)"}));
    EXPECT_TRUE(music.LoadMusic(0, "music/Track.OGG"));
    EXPECT_TRUE(music.LoadMusic(1, "music/song.mod"));
    EXPECT_FALSE(music.LoadMusic(2, "music/missing")); // modules must exist in the data first
    EXPECT_EQ(Take(), (Calls{"StreamCreateFile(music/Track.OGG,0)", "MusicLoad(music/song.mod,516)"}));

    music.PlayMusic(0, 0, false);
    EXPECT_EQ(Take(), (Calls{"Attr(100,-1,100,-101)", "Stop(100)", "Flags(100,4)", "Play(100,1)"}));
    music.PlayMusic(0, 4000, true);
    EXPECT_EQ(Take(),
              (Calls{"Attr(100,-1,100,-101)", "Stop(100)", "Flags(100,0)", "Play(100,1)", "Position(100,4000)"}));
    music.PlayMusic(1, 3, false);
    const long long order = static_cast<long long>((0xFFFFFFFFull << 32) | (0x8000u << 16) | 3);
    EXPECT_EQ(Take(), (Calls{"Attr(101,-1,100,-101)", "Stop(101)", "Stop(101)", Str("Position", {101, order}),
                             "Flags(101,33284)", "Play(101,0)"}));
    music.FadeIn(0, -1, 0.002, false);
    EXPECT_EQ(Take(), (Calls{"Stop(100)", "Attr(100,-1,100,-101)", "Flags(100,4)", "Play(100,0)"}));
    music.FadeIn(1, -1, 0.002, false);
    EXPECT_EQ(Take(), (Calls{"Stop(101)", "Attr(101,-1,100,-101)", "Play(101,1)"}));

    music.SetVolume(0.85);
    EXPECT_EQ(Take(), (Calls{"SetConfig(6,85)", "SetConfig(5,85)"}));
    music.SetMusicAmplify(1, 0.5);
    EXPECT_EQ(Take(), (Calls{"MusicAttr(101,0,50)"}));
}

TEST_F(BassCalls, LoadingIntoAUsedIdKeepsTheFirstSongAndFreesTheNewOne)
{
    BassMusicInterface music(Window());
    ASSERT_TRUE(music.LoadMusic(0, "a.ogg"));
    Take();
    EXPECT_FALSE(music.LoadMusic(0, "b.wav"));
    EXPECT_EQ(Take(), (Calls{"StreamCreateFile(b.wav,0)", "StreamFree(101)"}));
    EXPECT_EQ(music.Songs().at(0).stream, 100u);
}

TEST_F(BassCalls, FadesEndOnTheUpdateTheArithmeticSays)
{
    BassMusicInterface music(Window());
    ASSERT_TRUE(music.LoadMusic(0, "a.ogg"));
    music.FadeIn(0, 0, 0.002, false);
    int update = 0;
    while (music.Songs().at(0).fadeStep != 0 && update < 1000)
    {
        music.Update();
        ++update;
    }
    EXPECT_EQ(update, 500); // 500 steps of 0.002 add up to just over 1
    EXPECT_EQ(music.Songs().at(0).volume, 1.0);

    const std::pair<double, int> fades[] = {{0.005, 200}, {0.01, 100}, {0.002, 500}};
    for (auto [speed, expected] : fades)
    {
        music.SetSongVolume(0, 1.0);
        music.FadeOutAll(true, speed);
        EXPECT_EQ(UpdatesUntilStop(music, 100, 1000), expected) << speed;
    }

    // At silence, FadeOut changes only the flag; FadeOutAll still runs one step and stops.
    music.FadeOut(0, false, 0.01);
    EXPECT_EQ(music.Songs().at(0).fadeStep, 0.0);
    EXPECT_FALSE(music.Songs().at(0).stopWhenSilent);
    music.FadeOutAll(true, 0.01);
    EXPECT_EQ(UpdatesUntilStop(music, 100, 5), 1);

    music.SetSongVolume(0, 0.8);
    music.SetSongMaxVolume(0, 0.5);
    EXPECT_EQ(music.Songs().at(0).volume, 0.5);
    music.SetSongVolume(0, 0.3);
    music.SetSongMaxVolume(0, 0.5);
    EXPECT_EQ(music.Songs().at(0).volume, 0.3);
}

TEST_F(BassCalls, UnknownIdsDoNothingAndPauseFollowsTheActivity)
{
    BassMusicInterface music(Window());
    ASSERT_TRUE(music.LoadMusic(0, "a.ogg"));
    Take();
    music.PlayMusic(7, 0, false);
    music.FadeIn(7, 0, 0.1, false);
    music.StopMusic(7);
    music.SetSongVolume(7, 1);
    EXPECT_FALSE(music.IsPlaying(7));
    EXPECT_TRUE(Take().empty());
    gActive = BASS_ACTIVE_PLAYING;
    EXPECT_TRUE(music.IsPlaying(0));
    music.PauseAllMusic();
    music.ResumeAllMusic();
    EXPECT_EQ(Take(), (Calls{"Pause(100)"}));
    gActive = BASS_ACTIVE_PAUSED;
    music.ResumeAllMusic();
    EXPECT_EQ(Take(), (Calls{"Play(100,0)"}));

    MusicInterface silent;
    EXPECT_FALSE(silent.LoadMusic(0, "a.ogg"));
    EXPECT_FALSE(silent.IsPlaying(0));
    silent.FadeIn(0, 0, 0.1, false);
    silent.Update();
}

TEST_F(BassCalls, TheOlderGenerationUsesItsOwnCalls)
{
    Platform::HideModuleEntry("bass.dll", "BASS_SetConfig");
    // The older library has the older argument lists under the same names.
    Platform::RegisterModule(
        "bass.dll", {{"BASS_Init", Platform::Entry(&BASS_INSTANCE::BASS_InitOld, &FakeInitOld)},
                     {"BASS_MusicLoad", Platform::Entry(&BASS_INSTANCE::BASS_MusicLoadOld, &FakeMusicLoadOld)}});
    BassMusicInterface music(Window());
    EXPECT_EQ(Take(), (Calls{"InitOld(-1,44100,0)"}));
    EXPECT_TRUE(music.LoadMusic(0, "music/song.mod"));
    EXPECT_EQ(Take(), (Calls{"MusicLoadOld(music/song.mod,4)"}));
    music.SetVolume(0.85);
    EXPECT_EQ(Take(), (Calls{"SetGlobalVolumes(34,34,34)"}));
}

using BassCallsDeathTest = BassCalls;

TEST_F(BassCallsDeathTest, AMissingLibraryOrEntryEndsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Platform::HideModule("bass.dll");
    EXPECT_EXIT(BassMusicInterface music(Window()), testing::ExitedWithCode(0), "Can't find bass.dll\\.");
    Platform::RestoreHiddenModules();
    Platform::HideModuleEntry("bass.dll", "BASS_ChannelGetData");
    EXPECT_EXIT(BassMusicInterface music(Window()), testing::ExitedWithCode(0),
                "BASS_ChannelGetData function not found in bass\\.dll");
    Platform::RestoreHiddenModules();
    Platform::HideModuleEntry("bass.dll", "BASS_SetVolume");
    Platform::HideModuleEntry("bass.dll", "BASS_SetGlobalVolumes");
    EXPECT_EXIT(BassMusicInterface music(Window()), testing::ExitedWithCode(0),
                "Neither BASS_SetGlobalVolumes or BASS_SetVolume found in bass\\.dll");
}

// ---------------------------------------------------------------- the real library on the manual output

namespace
{

class BassHeard : public SoundTest::AudioTest
{
protected:
    void SetUp() override
    {
        AudioTest::SetUp();
        WriteGameFile("music/tone.ogg", SoundTest::ReadFile(SoundTest::FixturePath("tone.ogg")));
        const std::string ogg = SoundTest::ReadFile(SoundTest::FixturePath("tone.ogg"));
        SoundData data;
        ASSERT_TRUE(ReadOggSound(OpenMemorySoundFile(reinterpret_cast<const uint8_t*>(ogg.data()), ogg.size()), data));
        decoded.resize(data.bytes.size() / 2);
        std::memcpy(decoded.data(), data.bytes.data(), data.bytes.size());
    }
    std::vector<int16_t> decoded;
};

} // namespace

TEST_F(BassHeard, FadeInRisesFadeOutStopsAndTheLoopHasNoSeam)
{
    BassMusicInterface music(Window());
    ASSERT_TRUE(music.LoadMusic(0, "music/tone.ogg"));
    music.FadeIn(0, 0, 0.002, false);
    std::vector<double> levels;
    std::vector<int16_t> first;
    for (int update = 1; update <= 520; ++update)
    {
        music.Update();
        auto block = Pump(441);
        if (update <= 120) first.insert(first.end(), block.begin(), block.end());
        if (update % 100 == 0) levels.push_back(SoundTest::Rms(SoundTest::Side(block, 0)));
    }
    ASSERT_EQ(levels.size(), 5u);
    for (size_t i = 1; i < levels.size(); ++i) EXPECT_GT(levels[i], levels[i - 1]);
    const double full = SoundTest::Rms(std::vector<int16_t>(decoded.begin(), decoded.begin() + 441));
    EXPECT_NEAR(SoundTest::Rms(SoundTest::Side(Pump(441), 0)), full, full * 0.01);
    EXPECT_TRUE(music.IsPlaying(0));

    // 520 updates of 441 frames have gone through the one-second file more than five times: compare a whole
    // second across a seam with the file itself, at full volume.
    music.SetSongVolume(0, 1.0);
    Pump(441);
    const auto second = SoundTest::Side(Pump(44100), 0);
    const int64_t start = (522 * 441) % 44100;
    for (int i = 0; i < 44100; ++i)
        ASSERT_EQ(second[static_cast<size_t>(i)], decoded[static_cast<size_t>((start + i) % 44100)]) << i;

    music.FadeOutAll(true, 0.005);
    int update = 0;
    while (music.IsPlaying(0) && update < 300)
    {
        music.Update();
        Pump(441);
        ++update;
    }
    EXPECT_EQ(update, 200);
}

TEST_F(BassHeard, ASongReadToItsEndBeforeLoopingWasAskedStillLoops)
{
    BassMusicInterface music(Window());
    ASSERT_TRUE(music.LoadMusic(0, "music/tone.ogg"));
    // Played without a loop, the one-second song is shorter than the ring, so the feeder reads it to its end at
    // once; looping asked for afterwards goes on from there, and round again without a gap.
    music.PlayMusic(0, 0, true);
    Pump(2000);
    music.FadeIn(0, -1, 1.0, false);
    music.Update();
    Pump(1000); // the stop inside the fade-in fades its own few milliseconds out
    const auto heard = SoundTest::Side(Pump(2 * 44100), 0);
    EXPECT_TRUE(music.IsPlaying(0));
    for (int i = 0; i < 2 * 44100; ++i)
        ASSERT_EQ(heard[static_cast<size_t>(i)], decoded[static_cast<size_t>((3000 + i) % 44100)]) << i;
}

TEST_F(BassHeard, StopAndPlayWithoutRestartContinuesWhereItStopped)
{
    BassMusicInterface music(Window());
    ASSERT_TRUE(music.LoadMusic(0, "music/tone.ogg"));
    music.PlayMusic(0, 0, true);
    Pump(10000);
    music.StopMusic(0);
    Pump(1000); // the stop fades out; nothing moves on meanwhile
    EXPECT_FALSE(music.IsPlaying(0));
    music.PlayMusic(0, -1, true);
    const auto resumed = SoundTest::Side(Pump(2000), 0);
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(resumed[static_cast<size_t>(i)], decoded[static_cast<size_t>(10000 + i)]) << i;

    // Without looping the song ends, and a restart begins at the beginning.
    Pump(44100);
    EXPECT_FALSE(music.IsPlaying(0));
    music.PlayMusic(0, 0, true);
    const auto restarted = SoundTest::Side(Pump(500), 0);
    EXPECT_EQ(restarted, std::vector<int16_t>(decoded.begin(), decoded.begin() + 500));
    music.PauseMusic(0);
    EXPECT_FALSE(music.IsPlaying(0));
    music.ResumeMusic(0);
    EXPECT_TRUE(music.IsPlaying(0));
    music.UnloadAllMusic();
    EXPECT_FALSE(music.IsPlaying(0));
}

TEST_F(BassHeard, WithoutADeviceNothingLoadsAndNothingBreaks)
{
    Platform::AudioConfig none;
    none.backend = Platform::AudioBackend::None;
    Platform::OverrideAudioConfig(&none);
    BassMusicInterface music(Window());
    EXPECT_FALSE(music.LoadMusic(0, "music/tone.ogg"));
    music.FadeIn(0, 0, 0.002, false);
    music.Update();
    EXPECT_FALSE(music.IsPlaying(0));
}
