// The sound file readers: WAV variants, AU encodings, Ogg Vorbis, and safe failure on damaged or hostile files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "SoundTestSupport.h"
#include "platform/programs/IntegerOggDecoder.h"
#include "sound/SoundReaders.h"

using namespace Zest;
using SoundTest::Put16;
using SoundTest::Put32;
using SoundTest::PutBe32;

namespace
{

bool ReadWav(const std::string& bytes, SoundData& out)
{
    auto file = OpenMemorySoundFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return ReadWavSound(*file, out, [](const std::string&) { return uint64_t{0}; });
}
bool ReadAu(const std::string& bytes, SoundData& out)
{
    auto file = OpenMemorySoundFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return ReadAuSound(*file, out);
}
bool ReadOgg(const std::string& bytes, SoundData& out)
{
    return ReadOggSound(OpenMemorySoundFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), out);
}

std::string Chunk(const std::string& id, const std::string& body)
{
    std::string s = id;
    Put32(s, static_cast<uint32_t>(body.size()));
    return s + body;
}
std::string Fmt(int tag, int channels, int rate, int bits)
{
    std::string f;
    Put16(f, static_cast<uint32_t>(tag));
    Put16(f, static_cast<uint32_t>(channels));
    Put32(f, static_cast<uint32_t>(rate));
    Put32(f, static_cast<uint32_t>(rate * channels * bits / 8));
    Put16(f, static_cast<uint32_t>(channels * bits / 8));
    Put16(f, static_cast<uint32_t>(bits));
    return Chunk("fmt ", f);
}
std::string Riff(const std::string& chunks)
{
    std::string s = "RIFF";
    Put32(s, static_cast<uint32_t>(chunks.size() + 4));
    return s + "WAVE" + chunks;
}
std::string Au(uint32_t offset, uint32_t size, uint32_t encoding, uint32_t rate, uint32_t channels,
               const std::string& data)
{
    std::string s;
    PutBe32(s, 0x2E736E64);
    PutBe32(s, offset);
    PutBe32(s, size);
    PutBe32(s, encoding);
    PutBe32(s, rate);
    PutBe32(s, channels);
    s.resize(std::max<size_t>(s.size(), offset), '\0');
    return s + data;
}

} // namespace

TEST(WavReader, FormatsAndChunkLayouts)
{
    SoundData out;
    // Without "fmt ": 22050 Hz mono 16-bit.
    ASSERT_TRUE(ReadWav(Riff(Chunk("data", std::string("\x01\x02\x03\x04", 4))), out));
    EXPECT_EQ(out.rate, 22050);
    EXPECT_EQ(out.channels, 1);
    EXPECT_EQ(out.bits, 16);
    EXPECT_EQ(out.bytes.size(), 4u);

    // 8-bit stereo; a foreign odd-sized chunk is followed by its pad byte; an empty chunk is fine.
    ASSERT_TRUE(ReadWav(Riff(Fmt(1, 2, 11025, 8) + Chunk("LIST", "abc") + std::string(1, '\0') + Chunk("junk", "") +
                             Chunk("data", "\x10\x20\x30\x40")),
                        out));
    EXPECT_EQ(out.channels, 2);
    EXPECT_EQ(out.bits, 8);
    EXPECT_EQ(out.rate, 11025);
    EXPECT_EQ(std::string(out.bytes.begin(), out.bytes.end()), "\x10\x20\x30\x40");

    // A partial last frame is dropped; anything after "data" is ignored.
    ASSERT_TRUE(ReadWav(Riff(Fmt(1, 2, 44100, 16) + Chunk("data", std::string(10, 'x')) + "trailing"), out));
    EXPECT_EQ(out.bytes.size(), 8u);

    // "xor " (our own, never padded) scrambles what follows.
    ASSERT_TRUE(ReadWav(Riff(Chunk("xor ", "\x0F") + Chunk("data", "\xF0\x0F")), out));
    EXPECT_EQ(out.bytes, (std::vector<uint8_t>{0xFF, 0x00}));
}

TEST(WavReader, DamagedAndHostileFilesFailSafely)
{
    std::string huge = "data";
    Put32(huge, 0xFFFFFFF0u);
    std::string wrapping = "LIST";
    Put32(wrapping, 0xFFFFFFF8u);
    std::string depTooLong = "dep ";
    Put32(depTooLong, 12);
    Put16(depTooLong, 200);
    depTooLong += "0123456789";
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"not RIFF", "RIFX" + Riff("").substr(4)},
        {"not WAVE", "RIFF\x04\0\0\0WAVX"},
        {"no data chunk", Riff(Fmt(1, 1, 44100, 16))},
        {"truncated chunk header", Riff(Fmt(1, 1, 44100, 16) + "da")},
        {"data larger than the file", Riff(Fmt(1, 1, 44100, 16) + huge + "abcd")},
        {"chunk size wrapping around", Riff(wrapping + Chunk("data", "abcd"))},
        {"compressed format", Riff(Fmt(2, 1, 44100, 16) + Chunk("data", "abcd"))},
        {"no channels", Riff(Fmt(1, 0, 44100, 16) + Chunk("data", "abcd"))},
        {"three channels", Riff(Fmt(1, 3, 44100, 16) + Chunk("data", "abcdef"))},
        {"24-bit", Riff(Fmt(1, 1, 44100, 24) + Chunk("data", "abcdef"))},
        {"rate 0", Riff(Fmt(1, 1, 0, 16) + Chunk("data", "abcd"))},
        {"rate too high", Riff(Fmt(1, 1, 400000, 16) + Chunk("data", "abcd"))},
        {"short fmt", Riff(Chunk("fmt ", "\x01\x00\x01\x00") + Chunk("data", "abcd"))},
        {"dep name longer than its chunk", Riff(depTooLong + Chunk("data", "abcd"))},
        {"empty data", Riff(Chunk("data", ""))},
        {"less than one frame", Riff(Fmt(1, 2, 44100, 16) + Chunk("data", "abc"))},
    };
    for (const auto& [what, bytes] : cases)
    {
        SoundData out;
        EXPECT_FALSE(ReadWav(bytes, out)) << what;
    }
}

TEST(WavReader, AStaleDependencyRejectsTheFile)
{
    std::string dep;
    Put16(dep, 9);
    dep += "x/src.ogg";
    Put32(dep, 1234);
    Put32(dep, 0);
    const std::string file = Riff(Chunk("dep ", dep) + Chunk("data", "abcd"));
    auto open = [&] { return OpenMemorySoundFile(reinterpret_cast<const uint8_t*>(file.data()), file.size()); };
    SoundData out;
    std::string asked;
    EXPECT_TRUE(ReadWavSound(*open(), out,
                             [&](const std::string& name)
                             {
                                 asked = name;
                                 return uint64_t{1234};
                             }));
    EXPECT_EQ(asked, "x/src.ogg");
    EXPECT_FALSE(ReadWavSound(*open(), out, [](const std::string&) { return uint64_t{1235}; }));
}

TEST(AuReader, MuLawValues)
{
    const std::pair<uint8_t, int16_t> cases[] = {
        {255, 0}, {127, 0}, {129, 30592}, {1, -30592}, {128, 31616}, {0, -31616}, {0xF0, 120},
    };
    for (auto [code, value] : cases) EXPECT_EQ(MuLawSample(code), value) << int(code);
    // Monotonic over the positive half: no code is quieter than a louder-looking one.
    for (int c = 129; c < 255; ++c)
        EXPECT_GT(MuLawSample(static_cast<uint8_t>(c)), MuLawSample(static_cast<uint8_t>(c + 1)));
    EXPECT_GT(MuLawSample(128), MuLawSample(129));
}

TEST(AuReader, EncodingsAndSizes)
{
    SoundData out;
    ASSERT_TRUE(ReadAu(Au(32, 3, 1, 8000, 1, "\xFF\x81\x01"), out)); // annotation bytes before the data skipped
    EXPECT_EQ(out.bits, 16);
    EXPECT_EQ(out.rate, 8000);
    ASSERT_EQ(out.bytes.size(), 6u);
    int16_t s[3];
    std::memcpy(s, out.bytes.data(), 6);
    EXPECT_EQ(s[0], 0);
    EXPECT_EQ(s[1], 30592);
    EXPECT_EQ(s[2], -30592);

    // 8-bit linear is signed in the file and unsigned in our buffers.
    ASSERT_TRUE(ReadAu(Au(24, 4, 2, 11025, 2, std::string("\x00\x7F\x80\xFF", 4)), out));
    EXPECT_EQ(out.bits, 8);
    EXPECT_EQ(out.channels, 2);
    EXPECT_EQ(out.bytes, (std::vector<uint8_t>{0x80, 0xFF, 0x00, 0x7F}));

    // An unknown or too large size takes what the file holds.
    ASSERT_TRUE(ReadAu(Au(24, 0xFFFFFFFFu, 2, 8000, 1, "abcde"), out));
    EXPECT_EQ(out.bytes.size(), 5u);

    const std::pair<const char*, std::string> bad[] = {
        {"encoding 3", Au(24, 4, 3, 8000, 1, "abcd")},
        {"offset inside the header", Au(24, 4, 1, 8000, 1, "abcd").replace(4, 4, std::string("\0\0\0\x08", 4))},
        {"offset past the end", Au(24, 4, 1, 8000, 1, "abcd").replace(4, 4, std::string("\0\0\x10\0", 4))},
        {"no channels", Au(24, 4, 1, 8000, 0, "abcd")},
        {"rate 0", Au(24, 4, 1, 0, 1, "abcd")},
        {"no data", Au(24, 0, 1, 8000, 1, "")},
        {"wrong magic", std::string("xsnd") + Au(24, 4, 1, 8000, 1, "abcd").substr(4)},
        {"short header", Au(24, 4, 1, 8000, 1, "").substr(0, 20)},
    };
    for (const auto& [what, bytes] : bad) EXPECT_FALSE(ReadAu(bytes, out)) << what;
}

TEST(OggReader, DecodesTheFixtureWhole)
{
    const std::string bytes = SoundTest::ReadFile(SoundTest::FixturePath("tone.ogg"));
    ASSERT_FALSE(bytes.empty());
    SoundData out;
    ASSERT_TRUE(ReadOgg(bytes, out));
    EXPECT_EQ(out.channels, 1);
    EXPECT_EQ(out.rate, 44100);
    EXPECT_EQ(out.bits, 16);
    ASSERT_EQ(out.bytes.size(), 44100u * 2);
    std::vector<int16_t> samples(44100);
    std::memcpy(samples.data(), out.bytes.data(), out.bytes.size());
    EXPECT_NEAR(SoundTest::Frequency(samples, 44100), 1000.0, 0.5);
    EXPECT_NEAR(SoundTest::Rms(samples), 0.5 * 32767 / std::sqrt(2.0), 150);
}

// The decoder rounds floating-point samples; the integer decoder the game used before gives every sample of the
// fixture and of the game's own music to within one step, and exactly as many of them. The streamed source gives
// the same samples as the whole-file reader, whatever the size of the reads.
TEST(OggReader, SamplesAreWithinOneStepOfTheIntegerDecoderWholeAndStreamed)
{
    const SoundTest::IntegerOggDecoder integer;
    ASSERT_TRUE(integer.Loaded()) << "the integer decoder (libvorbisidec1) is missing";
    const std::string music = std::string(ZEST_TEST_DATA_DIR) + "/../../content/music/";
    for (const std::string& path : {SoundTest::FixturePath("tone.ogg"), music + "music2.ogg", music + "music4.ogg"})
    {
        const std::string bytes = SoundTest::ReadFile(path);
        ASSERT_FALSE(bytes.empty()) << path;
        SoundData out;
        ASSERT_TRUE(ReadOgg(bytes, out)) << path;
        std::vector<int16_t> ours(out.bytes.size() / 2), reference;
        std::memcpy(ours.data(), out.bytes.data(), out.bytes.size());
        ASSERT_TRUE(integer.Decode(bytes, reference)) << path;
        ASSERT_EQ(ours.size(), reference.size()) << path;
        int worst = 0;
        for (size_t i = 0; i < ours.size(); ++i) worst = std::max(worst, std::abs(ours[i] - reference[i]));
        EXPECT_LE(worst, 1) << path;

        auto stream = OpenOggStream(OpenMemorySoundFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
        ASSERT_TRUE(stream) << path;
        std::vector<int16_t> streamed(ours.size() + 4096);
        size_t at = 0;
        for (int ask = 1; at < streamed.size(); ask = ask * 3 % 4099)
        {
            const int frames = std::min<int>(ask, static_cast<int>(streamed.size() - at) / stream->Channels());
            const int got = stream->Read(&streamed[at], frames);
            if (got <= 0) break;
            at += static_cast<size_t>(got * stream->Channels());
        }
        streamed.resize(at);
        EXPECT_TRUE(streamed == ours) << path;
    }
}

TEST(OggReader, DamagedStreamsFail)
{
    const std::string bytes = SoundTest::ReadFile(SoundTest::FixturePath("tone.ogg"));
    SoundData out;
    EXPECT_FALSE(ReadOgg("", out));
    EXPECT_FALSE(ReadOgg("OggS not really", out));
    EXPECT_FALSE(ReadOgg(bytes.substr(0, bytes.size() / 2), out));
    std::string flipped = bytes;
    for (size_t i = 200; i < flipped.size(); i += 97) flipped[i] = static_cast<char>(flipped[i] ^ 0x5A);
    EXPECT_FALSE(ReadOgg(flipped, out));
    EXPECT_TRUE(out.bytes.empty());
}
