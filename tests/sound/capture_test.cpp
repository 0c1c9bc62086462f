// The whole stack on the capture output: an effect and a song rendered in real time into a WAV file, then measured.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "SoundTestSupport.h"
#include "sound/BassMusicInterface.h"
#include "sound/DSoundManager.h"

using namespace Zest;

namespace
{

class Capture : public SoundTest::AudioTest
{
protected:
    void SetUp() override
    {
        backend = Platform::AudioBackend::Capture;
        AudioTest::SetUp();
        capturePath = root + "/capture.wav";
        Platform::AudioConfig config;
        config.backend = Platform::AudioBackend::Capture;
        config.capturePath = capturePath;
        Platform::OverrideAudioConfig(&config);
        // A quarter of a second of 440 Hz at half scale.
        WriteGameFile("sounds/beep.wav", SoundTest::Wav16(1, 44100, SoundTest::Sine(11025, 440, 44100, 0.5)));
        WriteGameFile("music/tone.ogg", SoundTest::ReadFile(SoundTest::FixturePath("tone.ogg")));
    }

    // Waits (without a timed sleep) until the output has rendered `frames` more frames.
    static bool WaitFrames(uint64_t frames)
    {
        auto engine = AudioEngine::Running();
        if (!engine) return false;
        const uint64_t target = engine->FramesRendered() + frames;
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (engine->FramesRendered() < target)
        {
            if (std::chrono::steady_clock::now() > give_up) return false;
            std::this_thread::yield();
        }
        return true;
    }

    std::string capturePath;
};

size_t FirstSound(const std::vector<int16_t>& side, size_t from)
{
    for (size_t i = from; i < side.size(); ++i)
        if (std::abs(side[i]) > 300) return i;
    return side.size();
}

} // namespace

TEST_F(Capture, AnEffectAndASongAreHeardAtTheirLevelPanAndPitch)
{
    {
        DSoundManager manager(reinterpret_cast<Platform::HWND>(static_cast<uintptr_t>(1)), false);
        BassMusicInterface music(nullptr);
        ASSERT_TRUE(manager.LoadSound(0, "sounds/beep"));
        ASSERT_TRUE(music.LoadMusic(0, "music/tone.ogg"));
        SoundInstance* effect = manager.GetSoundInstance(0);
        ASSERT_NE(effect, nullptr);
        effect->AdjustPitch(12); // an octave up: 880 Hz, over in half the time
        effect->SetPan(-2000);   // the right side 20 dB down
        ASSERT_TRUE(effect->Play(false, true));
        ASSERT_TRUE(WaitFrames(11025));
        EXPECT_FALSE(effect->IsPlaying());
        music.PlayMusic(0, 0, true);
        ASSERT_TRUE(WaitFrames(30000));
        // The feeder kept the song's ring ahead of the real-time output.
        EXPECT_EQ(AudioEngine::Running()->GetMixer().Underruns(), 0u);
    }
    // The output closed with the last user; the file is complete.
    SoundData captured;
    auto file = OpenPakSoundFile(capturePath);
    ASSERT_TRUE(file);
    ASSERT_TRUE(ReadWavSound(*file, captured));
    EXPECT_EQ(captured.channels, 2);
    EXPECT_EQ(captured.rate, 44100);
    std::vector<int16_t> stereo(captured.bytes.size() / 2);
    std::memcpy(stereo.data(), captured.bytes.data(), stereo.size() * 2);
    const auto left = SoundTest::Side(stereo, 0);
    const auto right = SoundTest::Side(stereo, 1);

    const size_t effectStart = FirstSound(left, 0);
    ASSERT_LT(effectStart + 5000, left.size());
    const std::vector<int16_t> effectLeft(left.begin() + effectStart + 200, left.begin() + effectStart + 5000);
    const std::vector<int16_t> effectRight(right.begin() + effectStart + 200, right.begin() + effectStart + 5000);
    const double fullRms = 0.5 * 32767 / std::sqrt(2.0);
    EXPECT_NEAR(SoundTest::Frequency(effectLeft, 44100), 880.0, 4.0);
    EXPECT_NEAR(SoundTest::Rms(effectLeft), fullRms, fullRms * 0.02);
    EXPECT_NEAR(SoundTest::Rms(effectRight) / SoundTest::Rms(effectLeft), 0.1, 0.002);

    const size_t songStart = FirstSound(left, effectStart + 5600);
    ASSERT_LT(songStart + 20000, left.size());
    const std::vector<int16_t> songLeft(left.begin() + songStart + 200, left.begin() + songStart + 20000);
    const std::vector<int16_t> songRight(right.begin() + songStart + 200, right.begin() + songStart + 20000);
    EXPECT_NEAR(SoundTest::Frequency(songLeft, 44100), 1000.0, 2.0);
    EXPECT_NEAR(SoundTest::Rms(songLeft), fullRms, fullRms * 0.03);
    EXPECT_EQ(songLeft, songRight);
}
