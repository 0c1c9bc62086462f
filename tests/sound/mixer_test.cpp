// The mixer core: exact copies at unit gain, gains, pan, pitch, summing and clipping, loops, ends and ramps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "SoundTestSupport.h"
#include "sound/DSoundLayer.h"
#include "sound/Mixer.h"

using namespace Zest;
using SoundTest::Side;

namespace
{

PcmPtr Pcm16(int channels, int rate, const std::vector<int16_t>& samples)
{
    auto pcm = std::make_shared<PcmData>();
    pcm->channels = channels;
    pcm->rate = rate;
    pcm->bits = 16;
    pcm->bytes.resize(samples.size() * 2);
    std::memcpy(pcm->bytes.data(), samples.data(), pcm->bytes.size());
    return pcm;
}

std::vector<int16_t> Render(Mixer& mixer, int frames)
{
    std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
    mixer.Render(out.data(), frames);
    return out;
}

} // namespace

TEST(Mixer, MonoAtUnitGainIsCopiedExactlyToBothSides)
{
    Mixer mixer;
    const auto input = SoundTest::Ramp(1000);
    auto voice = mixer.CreateVoice();
    voice->SetPcm(Pcm16(1, 44100, input));
    voice->Play(false);
    const auto out = Render(mixer, 1000);
    EXPECT_EQ(Side(out, 0), input);
    EXPECT_EQ(Side(out, 1), input);
}

TEST(Mixer, DecibelVolumeAndPanScaleTheSides)
{
    struct Case
    {
        int32_t volume, pan;
        double left, right;
    };
    const Case cases[] = {
        {-605, 0, 0.49831, 0.49831}, // 10^(-605/2000)
        {0, 10000, 0.0, 1.0},        // hard right silences the left
        {0, -2000, 1.0, 0.1},        // -20 dB on the right
        {-10000, 0, 0.0, 0.0},       // silence
        {500, 20000, 0.0, 1.0},      // out of range: clamped to 0 dB and hard right
    };
    for (const Case& c : cases)
    {
        float l = 0, r = 0;
        DecibelGains(c.volume, c.pan, l, r);
        Mixer mixer;
        auto voice = mixer.CreateVoice();
        voice->SetPcm(Pcm16(1, 44100, std::vector<int16_t>(64, 20000)));
        voice->SetGains(l, r);
        voice->Play(false);
        const auto out = Render(mixer, 32);
        EXPECT_NEAR(out[10], 20000 * c.left, 20000 * 0.0005 + 1) << c.volume << " " << c.pan;
        EXPECT_NEAR(out[11], 20000 * c.right, 20000 * 0.0005 + 1) << c.volume << " " << c.pan;
    }
}

TEST(Mixer, DoubleFrequencyTakesEverySecondSample)
{
    Mixer mixer;
    const auto input = SoundTest::Ramp(2000);
    auto voice = mixer.CreateVoice();
    voice->SetPcm(Pcm16(1, 44100, input));
    voice->SetFrequency(88200);
    voice->Play(false);
    const auto left = Side(Render(mixer, 900), 0);
    for (int i = 0; i < 900; ++i) ASSERT_EQ(left[static_cast<size_t>(i)], input[static_cast<size_t>(2 * i)]) << i;
}

TEST(Mixer, HalfFrequencyInterpolatesBetweenSamples)
{
    Mixer mixer;
    auto voice = mixer.CreateVoice();
    voice->SetPcm(Pcm16(1, 22050, {0, 1000, 2000, 3000, 4000}));
    voice->Play(false);
    const auto left = Side(Render(mixer, 8), 0);
    EXPECT_EQ(left, (std::vector<int16_t>{0, 500, 1000, 1500, 2000, 2500, 3000, 3500}));
}

TEST(Mixer, VoicesSumAndClip)
{
    Mixer mixer;
    auto a = mixer.CreateVoice();
    auto b = mixer.CreateVoice();
    a->SetPcm(Pcm16(2, 44100, {20000, -20000, 100, -100}));
    b->SetPcm(Pcm16(2, 44100, {20000, -20000, 200, 50}));
    a->Play(false);
    b->Play(false);
    const auto out = Render(mixer, 2);
    EXPECT_EQ(out, (std::vector<int16_t>{32767, -32768, 300, -50}));
}

TEST(Mixer, LoopWrapsWithoutAGapAndAOneShotEndsExactlyAtItsEnd)
{
    Mixer mixer;
    const auto input = SoundTest::Ramp(300);
    auto looping = mixer.CreateVoice();
    looping->SetPcm(Pcm16(1, 44100, input));
    looping->Play(true);
    const auto left = Side(Render(mixer, 1000), 0);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(left[static_cast<size_t>(i)], input[static_cast<size_t>(i % 300)]) << i;
    EXPECT_TRUE(looping->IsPlaying());

    looping->Stop();
    Render(mixer, 1000); // let the stop fade finish
    auto once = mixer.CreateVoice();
    once->SetPcm(Pcm16(1, 44100, input));
    once->Play(false);
    Render(mixer, 299);
    EXPECT_TRUE(once->IsPlaying());
    Render(mixer, 1);
    EXPECT_TRUE(once->IsPlaying()); // the end is noticed when the next frame is wanted
    const auto after = Render(mixer, 10);
    EXPECT_FALSE(once->IsPlaying());
    EXPECT_EQ(after, std::vector<int16_t>(20, 0));
}

TEST(Mixer, LoopPointsRepeatOnlyTheRegion)
{
    Mixer mixer;
    const auto input = SoundTest::Ramp(100);
    auto voice = mixer.CreateVoice();
    voice->SetPcm(Pcm16(1, 44100, input));
    voice->SetLoopPoints(40, 100);
    voice->Play(true);
    const auto left = Side(Render(mixer, 400), 0);
    for (int i = 0; i < 400; ++i)
    {
        const int expected = i < 100 ? i : 40 + (i - 100) % 60;
        ASSERT_EQ(left[static_cast<size_t>(i)], input[static_cast<size_t>(expected)]) << i;
    }

    // Pitched: twice the rate steps over the loop end and lands as far into the loop as it overshot.
    auto fast = mixer.CreateVoice();
    voice->Stop();
    Render(mixer, 1000);
    fast->SetPcm(Pcm16(1, 44100, input));
    fast->SetLoopPoints(40, 100);
    fast->SetFrequency(88200);
    fast->Play(true);
    const auto pitched = Side(Render(mixer, 400), 0);
    for (int i = 0; i < 400; ++i)
    {
        const int p = 2 * i;
        const int expected = p < 100 ? p : 40 + (p - 40) % 60;
        ASSERT_EQ(pitched[static_cast<size_t>(i)], input[static_cast<size_t>(expected)]) << i;
    }
}

TEST(Mixer, EightBitUnsignedIsCentredAndScaled)
{
    Mixer mixer;
    auto pcm = std::make_shared<PcmData>();
    pcm->channels = 1;
    pcm->rate = 44100;
    pcm->bits = 8;
    pcm->bytes = {0, 128, 255, 64};
    auto voice = mixer.CreateVoice();
    voice->SetPcm(pcm);
    voice->Play(false);
    EXPECT_EQ(Side(Render(mixer, 4), 0), (std::vector<int16_t>{-32768, 0, 32512, -16384}));
}

TEST(Mixer, MasterGainScalesTheOutput)
{
    Mixer mixer;
    mixer.SetMasterGain(0.5f);
    auto voice = mixer.CreateVoice();
    voice->SetPcm(Pcm16(1, 44100, {10000, -10000}));
    voice->Play(false);
    EXPECT_EQ(Render(mixer, 2), (std::vector<int16_t>{5000, 5000, -5000, -5000}));
}

TEST(Mixer, StopFadesOutInsteadOfCuttingAndGainChangesAreRamped)
{
    Mixer mixer;
    auto voice = mixer.CreateVoice();
    voice->SetPcm(Pcm16(1, 44100, std::vector<int16_t>(44100, 20000)));
    voice->Play(true);
    Render(mixer, 100);
    voice->Stop();
    EXPECT_FALSE(voice->IsPlaying());
    const auto tail = Side(Render(mixer, 400), 0);
    // No jump: each step of the fade is small, and silence comes within a few milliseconds.
    int previous = 20000;
    for (int16_t s : tail)
    {
        EXPECT_LE(std::abs(previous - s), 200);
        previous = s;
    }
    EXPECT_EQ(tail.back(), 0);

    voice->SetPosition(0);
    voice->Play(true);
    Render(mixer, 10);
    voice->SetGains(0.0f, 0.0f);
    const auto ramp = Side(Render(mixer, 300), 0);
    EXPECT_GT(ramp[0], 19000);
    EXPECT_EQ(ramp.back(), 0);
}

TEST(Mixer, ReleasingAVoiceWhileItPlaysIsSafe)
{
    Mixer mixer;
    auto voice = mixer.CreateVoice();
    voice->SetPcm(Pcm16(1, 44100, std::vector<int16_t>(1000, 1000)));
    voice->Play(false);
    voice.reset();
    EXPECT_EQ(mixer.PlayingVoices(), 0);
    EXPECT_EQ(Render(mixer, 4), std::vector<int16_t>(8, 0));
}

// The feeder decodes only what plays, and sleeps until the first playing stream is down to half its ring: seconds
// of sound at the voice's own rate; without end while nothing playing has anything left to decode.
TEST(Mixer, FeedingTopsUpPlayingStreamsAndSaysWhenTheyAreDueAgain)
{
    const auto open = [](int seconds)
    {
        const std::string wav = SoundTest::Wav16(1, 22050, std::vector<int16_t>(seconds * 22050, 1000));
        auto file = OpenMemorySoundFile(reinterpret_cast<const uint8_t*>(wav.data()), wav.size());
        return std::make_shared<Stream>(OpenWavStream(*file));
    };
    Mixer mixer;
    auto song = open(10);
    ASSERT_EQ(song->RingFrames(), 2 * 44100);
    auto voice = mixer.CreateVoice();
    voice->SetStream(song);
    EXPECT_LT(mixer.FeedStreams(), 0);
    EXPECT_EQ(song->BufferedFrames(), 0);

    voice->Play(false);
    EXPECT_DOUBLE_EQ(mixer.FeedStreams(), 2.0); // a full ring of four seconds at 22050 Hz
    Render(mixer, 44100);
    EXPECT_EQ(song->BufferedFrames(), 2 * 44100 - 22050 - 1); // a second played, and the next frame taken along
    EXPECT_DOUBLE_EQ(mixer.FeedStreams(), 2.0);
    voice->SetFrequency(44100);
    EXPECT_DOUBLE_EQ(mixer.FeedStreams(), 1.0);
    voice->SetPaused(true);
    EXPECT_LT(mixer.FeedStreams(), 0);

    // A song shorter than its ring is decoded whole at once and needs nothing more, unless it loops.
    auto jingle = open(1);
    auto other = mixer.CreateVoice();
    other->SetStream(jingle);
    other->Play(false);
    EXPECT_LT(mixer.FeedStreams(), 0);
    EXPECT_EQ(jingle->BufferedFrames(), 22050);
    other->SetLooping(true);
    EXPECT_DOUBLE_EQ(mixer.FeedStreams(), 2.0);
    EXPECT_EQ(jingle->BufferedFrames(), 2 * 44100);
}
