// The sound manager: ids, slots and their reuse, the volume/pan/pitch rules, no-device mode and fatal duplication.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "SoundTestSupport.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "sound/DSoundManager.h"

using namespace Zest;

namespace
{

Platform::HWND FakeWindow()
{
    return reinterpret_cast<Platform::HWND>(static_cast<uintptr_t>(0x1000));
}

class Manager : public SoundTest::AudioTest
{
protected:
    void SetUp() override
    {
        AudioTest::SetUp();
        // 2205 frames at 44100 Hz: 50 ms.
        WriteGameFile("sounds/beep.wav", SoundTest::Wav16(1, 44100, SoundTest::Sine(2205, 440, 44100, 0.5)));
        WriteGameFile("sounds/boop.wav", SoundTest::Wav16(2, 22050, SoundTest::Sine(200, 440, 22050, 0.5)));
    }
    void TearDown() override
    {
        SetDSoundFailures({});
        Platform::SetManualClock(false);
        AudioTest::TearDown();
    }

    DSoundInstance* Instance(DSoundManager& manager, int id)
    {
        return static_cast<DSoundInstance*>(manager.GetSoundInstance(id));
    }
    static int32_t Volume(DSoundInstance* instance)
    {
        int32_t v = 1;
        instance->Buffer()->GetVolume(&v);
        return v;
    }
    static uint32_t Frequency(DSoundInstance* instance)
    {
        uint32_t f = 0;
        instance->Buffer()->GetFrequency(&f);
        return f;
    }
};

} // namespace

TEST_F(Manager, IdsFillFromTheBottomForTheResourceManagerAndFromTheTopForNamedLoads)
{
    DSoundManager manager(FakeWindow(), false);
    ASSERT_TRUE(manager.Initialized());
    EXPECT_EQ(manager.GetFreeSoundId(), 0);
    SoundFileOpenCount();
    CountSoundFileOpens("beep.wav");
    EXPECT_EQ(manager.LoadSoundGetId("sounds/beep"), 255);
    EXPECT_EQ(manager.LoadSoundGetId("sounds/boop"), 254);
    EXPECT_EQ(manager.LoadSoundGetId("sounds/beep"), 255);
    EXPECT_EQ(SoundFileOpenCount(), 1); // the second request did not load again
    EXPECT_EQ(manager.GetFreeSoundId(), 0);
    EXPECT_TRUE(manager.LoadSound(0, "sounds/beep"));
    EXPECT_EQ(manager.GetFreeSoundId(), 1);
    EXPECT_EQ(manager.GetNumSounds(), 3);
    EXPECT_EQ(manager.DataSize(0), 2205u * 2);

    EXPECT_FALSE(manager.LoadSound(-1, "sounds/beep"));
    EXPECT_FALSE(manager.LoadSound(256, "sounds/beep"));
    EXPECT_FALSE(manager.SetBaseVolume(256, 0.5));
    EXPECT_FALSE(manager.SetBasePan(-1, 100));
    manager.ReleaseSound(-5); // ignored, not a crash
    manager.ReleaseSound(300);
    manager.ReleaseSound(0);
    EXPECT_EQ(manager.GetFreeSoundId(), 0);
    EXPECT_EQ(manager.GetSoundInstance(-1), nullptr);
    EXPECT_EQ(manager.GetSoundInstance(256), nullptr);
    EXPECT_EQ(manager.GetSoundInstance(0), nullptr); // released: nothing to play
}

TEST_F(Manager, AFailedLoadDoesNotAnswerForItsNameLater)
{
    DSoundManager manager(FakeWindow(), false);
    EXPECT_EQ(manager.LoadSoundGetId("sounds/missing"), -1);
    // The failed name stays recorded on id 255, but asking again must not hand out that empty id.
    EXPECT_EQ(manager.LoadSoundGetId("sounds/missing"), -1);
    EXPECT_EQ(manager.LoadSoundGetId("sounds/beep"), 255);
    manager.ReleaseSounds();
    EXPECT_EQ(manager.LoadSoundGetId("sounds/beep"), 255); // reloaded, not a stale answer
    EXPECT_EQ(manager.GetNumSounds(), 1);
}

TEST_F(Manager, ThirtyTwoSlotsAndAFinishedOneShotGivesItsSlotBack)
{
    DSoundManager manager(FakeWindow(), false);
    ASSERT_TRUE(manager.LoadSound(0, "sounds/beep"));
    std::vector<SoundInstance*> instances;
    for (int i = 0; i < 32; ++i)
    {
        SoundInstance* instance = manager.GetSoundInstance(0);
        ASSERT_NE(instance, nullptr) << i;
        instances.push_back(instance);
    }
    EXPECT_EQ(manager.GetSoundInstance(0), nullptr);

    EXPECT_TRUE(instances[5]->Play(false, true));
    EXPECT_TRUE(instances[6]->Play(true, false));
    EXPECT_TRUE(instances[5]->IsPlaying());
    EXPECT_EQ(manager.GetSoundInstance(0), nullptr); // still playing
    Pump(2205 + 64);
    EXPECT_FALSE(instances[5]->IsPlaying());
    EXPECT_TRUE(instances[6]->IsPlaying());
    SoundInstance* reused = manager.GetSoundInstance(0);
    EXPECT_NE(reused, nullptr);
    EXPECT_EQ(manager.GetSoundInstance(0), nullptr);
}

TEST_F(Manager, StopAllSoundsKeepsAutoReleaseSoOneShotsAreReclaimed)
{
    DSoundManager manager(FakeWindow(), false);
    ASSERT_TRUE(manager.LoadSound(0, "sounds/beep"));
    std::vector<SoundInstance*> instances;
    for (int i = 0; i < 32; ++i) instances.push_back(manager.GetSoundInstance(0));
    instances[3]->Play(false, true);
    instances[4]->Play(true, false);
    manager.StopAllSounds();
    EXPECT_FALSE(instances[3]->IsPlaying());
    EXPECT_FALSE(instances[4]->IsPlaying());
    EXPECT_NE(manager.GetSoundInstance(0), nullptr); // slot 3 reclaimed
    EXPECT_EQ(manager.GetSoundInstance(0), nullptr); // slot 4 is not auto-release
    EXPECT_FALSE(instances[4]->IsReleased());
}

TEST_F(Manager, ReleasedInstancesAreSweptAtMostOncePerSecond)
{
    Platform::SetManualClock(true); // starts at 1000 ms: exactly one second after the initial sweep time of 0
    DSoundManager manager(FakeWindow(), false);
    ASSERT_TRUE(manager.LoadSound(0, "sounds/beep"));
    auto playThreeToTheEnd = [&]
    {
        while (manager.OccupiedChannels() < 3) manager.GetSoundInstance(0)->Play(false, true);
        Pump(2205 + 64);
    };
    playThreeToTheEnd();
    manager.GetSoundInstance(0);
    // No sweep yet: the scan reclaimed only the first finished slot, for an instance that is not played.
    EXPECT_EQ(manager.OccupiedChannels(), 3);
    Platform::AdvanceClock(1);
    manager.GetSoundInstance(0);
    EXPECT_EQ(manager.OccupiedChannels(), 2); // both finished ones swept; the unplayed one stays; one slot taken
    manager.ReleaseChannels();
    playThreeToTheEnd();
    Platform::AdvanceClock(1000);
    manager.GetSoundInstance(0);
    EXPECT_EQ(manager.OccupiedChannels(), 3);
    Platform::AdvanceClock(1);
    manager.GetSoundInstance(0);
    EXPECT_EQ(manager.OccupiedChannels(), 2);
}

TEST_F(Manager, VolumeRuleInHundredthsOfADecibel)
{
    struct Case
    {
        double volume, base, scale;
        int32_t db;
    };
    const Case cases[] = {
        {1.0, 1.0, 1.0, 0},      {0.85, 1.0, 1.0, -146},   {0.5, 1.0, 1.0, -605},   {0.85, 0.85, 1.0, -291},
        {1.0, 0.5, 1.0, -605},   {1.0, 1.0, 0.85, -146},   {0.05, 1.0, 1.0, -1956}, {0.04, 1.0, 1.0, -10000},
        {0.0, 1.0, 1.0, -10000}, {-0.5, 1.0, 1.0, -10000}, {2.0, 1.0, 1.0, 0},      {1.0, -1.0, 1.0, -10000},
    };
    for (const Case& c : cases)
    {
        DSoundManager manager(FakeWindow(), false);
        ASSERT_TRUE(manager.LoadSound(0, "sounds/beep"));
        manager.SetBaseVolume(0, c.base);
        manager.SetVolume(c.scale);
        auto* instance = Instance(manager, 0);
        instance->SetVolume(c.volume);
        EXPECT_EQ(Volume(instance), c.db) << c.volume << " " << c.base << " " << c.scale;
        EXPECT_EQ(DSoundManager::VolumeToDB(c.volume * c.base * c.scale), c.db);
    }
    EXPECT_EQ(DSoundManager::VolumeToDB(0.0430816), -2000);
    EXPECT_EQ(DSoundManager::VolumeToDB(0.0430814), -10000);
}

TEST_F(Manager, ScaleChangesReachLiveInstancesButBaseValuesOnlyNewOnes)
{
    DSoundManager manager(FakeWindow(), false);
    ASSERT_TRUE(manager.LoadSound(0, "sounds/beep"));
    auto* instance = Instance(manager, 0);
    manager.SetVolume(0.5);
    EXPECT_EQ(Volume(instance), -605);
    manager.SetBaseVolume(0, 0.5);
    manager.SetBasePan(0, 300);
    EXPECT_EQ(Volume(instance), -605);
    auto* later = Instance(manager, 0);
    EXPECT_EQ(Volume(later), DSoundManager::VolumeToDB(0.25));
    later->SetPan(-1000);
    int32_t pan = 0;
    later->Buffer()->GetPan(&pan);
    EXPECT_EQ(pan, -700);
}

TEST_F(Manager, PitchInSemitones)
{
    DSoundManager manager(FakeWindow(), false);
    ASSERT_TRUE(manager.LoadSound(0, "sounds/beep"));
    auto* instance = Instance(manager, 0);
    EXPECT_EQ(Frequency(instance), 44100u);
    const std::pair<double, uint32_t> cases[] = {{1, 46722},   {12, 88200}, {12, 88200}, {24, 100000},
                                                 {-12, 22049}, {-100, 136}, {-120, 100}, {0, 44100}};
    for (auto [steps, hz] : cases)
    {
        instance->AdjustPitch(steps);
        EXPECT_EQ(Frequency(instance), hz) << steps;
    }
}

TEST_F(Manager, PitchAndPanAreHeard)
{
    DSoundManager manager(FakeWindow(), false);
    ASSERT_TRUE(manager.LoadSound(0, "sounds/beep"));
    auto* instance = Instance(manager, 0);
    instance->AdjustPitch(12);
    instance->SetPan(10000);
    instance->Play(false, true);
    const auto out = Pump(1000);
    EXPECT_NEAR(SoundTest::Frequency(SoundTest::Side(out, 1), 44100), 880.0, 2.0);
    EXPECT_EQ(SoundTest::Rms(SoundTest::Side(out, 0)), 0.0);
}

TEST_F(Manager, WithoutADeviceEverythingLoadsNothingPlaysAndSlotsComeBack)
{
    Platform::AudioConfig none;
    none.backend = Platform::AudioBackend::None;
    Platform::OverrideAudioConfig(&none);
    DSoundManager manager(FakeWindow(), false);
    EXPECT_FALSE(manager.Initialized());
    EXPECT_TRUE(manager.LoadSound(0, "sounds/does-not-exist"));
    EXPECT_TRUE(manager.LoadSound(1, "sounds/beep"));
    // Ids are still handed out in order, as they are with sound.
    EXPECT_EQ(manager.GetFreeSoundId(), 2);
    manager.ReleaseSound(0);
    EXPECT_EQ(manager.GetFreeSoundId(), 0);
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 32; ++i)
        {
            SoundInstance* instance = manager.GetSoundInstance(1);
            ASSERT_NE(instance, nullptr);
            EXPECT_FALSE(instance->Play(false, true));
        }
    DSoundManager windowless(nullptr, false);
    EXPECT_FALSE(windowless.Initialized());
    EXPECT_TRUE(windowless.LoadSound(7, "x"));
}

TEST_F(Manager, TheDeviceIsFoundThroughTheModuleTable)
{
    Platform::HideModuleEntry("dsound.dll", "DirectSoundCreate");
    {
        DSoundManager manager(FakeWindow(), false);
        EXPECT_FALSE(manager.Initialized());
    }
    Platform::RestoreHiddenModules();
    SetDSoundFailures({DSERR_NODRIVER, 0, 0});
    DSoundManager failing(FakeWindow(), false);
    EXPECT_FALSE(failing.Initialized());
    SetDSoundFailures({0, DSERR_ALLOCATED, 0});
    DSoundManager normalLevel(FakeWindow(), false);
    EXPECT_TRUE(normalLevel.Initialized());
    EXPECT_TRUE(normalLevel.LoadSound(0, "sounds/beep"));
}

TEST_F(Manager, MasterVolumeIsTheProcessWaveOutVolume)
{
    DSoundManager manager(FakeWindow(), false);
    manager.SetMasterVolume(0.5);
    EXPECT_NEAR(manager.GetMasterVolume(), 32767 / 65535.0, 1e-9);
    ASSERT_TRUE(manager.LoadSound(0, "sounds/boop"));
    manager.SetMasterVolume(1.0);
    EXPECT_EQ(manager.GetMasterVolume(), 1.0);
}

using ManagerDeathTest = Manager;

TEST_F(ManagerDeathTest, AFailedDuplicationShowsTheErrorAndEndsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    DSoundManager manager(FakeWindow(), false);
    ASSERT_TRUE(manager.LoadSound(0, "sounds/beep"));
    SetDSoundFailures({0, 0, DSERR_OUTOFMEMORY});
    EXPECT_EXIT(manager.GetSoundInstance(0), testing::ExitedWithCode(0), "DSERR_OUTOFMEMORY");
    SetDSoundFailures({0, 0, DSERR_GENERIC});
    EXPECT_EXIT(manager.GetSoundInstance(0), testing::ExitedWithCode(0), "");
}

TEST_F(Manager, LoadingOnAnotherThreadWhilePlaying)
{
    Platform::AudioConfig null;
    null.backend = Platform::AudioBackend::Null;
    Platform::OverrideAudioConfig(&null);
    DSoundManager manager(FakeWindow(), false);
    std::atomic<bool> done{false};
    std::thread loader(
        [&]
        {
            for (int i = 0; i < 100; ++i)
            {
                const int id = manager.GetFreeSoundId();
                manager.LoadSound(id, i % 2 ? "sounds/beep" : "sounds/boop");
                if (i % 3 == 0) manager.ReleaseSound(id);
            }
            done = true;
        });
    int played = 0;
    while (!done)
        for (int id = 0; id < 80; ++id)
            if (SoundInstance* instance = manager.GetSoundInstance(id))
            {
                instance->Play(false, true);
                ++played;
            }
    loader.join();
    EXPECT_GT(manager.GetNumSounds(), 0);
}
