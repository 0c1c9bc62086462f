// The output backends: the ZEST_AUDIO names, the manual pump, the real-time null thread and the silent SDL fallback.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/AudioOutput.h"

using namespace Platform;

TEST(AudioOutput, BackendNames)
{
    const std::pair<const char*, AudioBackend> cases[] = {
        {"", AudioBackend::Sdl},         {"sdl", AudioBackend::Sdl},
        {"null", AudioBackend::Null},    {"manual", AudioBackend::Manual},
        {"none", AudioBackend::None},    {"capture:/tmp/a.wav", AudioBackend::Capture},
        {"capture:", AudioBackend::Sdl}, {"speakers", AudioBackend::Sdl},
    };
    for (auto [text, backend] : cases) EXPECT_EQ(ParseAudioConfig(text).backend, backend) << text;
    EXPECT_EQ(ParseAudioConfig("capture:out/x.wav").capturePath, "out/x.wav");
}

TEST(AudioOutput, ManualRendersOnlyWhenPumped)
{
    int calls = 0;
    auto output = OpenAudioOutput(ParseAudioConfig("manual"),
                                  [&](int16_t* out, int frames)
                                  {
                                      ++calls;
                                      for (int i = 0; i < frames * 2; ++i) out[i] = static_cast<int16_t>(i);
                                  });
    ASSERT_TRUE(output);
    EXPECT_EQ(calls, 0);
    std::vector<int16_t> got;
    EXPECT_TRUE(output->Pump(3, &got));
    EXPECT_EQ(got, (std::vector<int16_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(output->FramesRendered(), 3u);
    EXPECT_FALSE(OpenAudioOutput(ParseAudioConfig("none"), [](int16_t*, int) {}));
}

TEST(AudioOutput, NullAndSdlKeepRenderingWithOrWithoutACard)
{
    for (const char* name : {"null", "sdl"})
    {
        std::atomic<uint64_t> frames{0};
        auto output = OpenAudioOutput(ParseAudioConfig(name),
                                      [&](int16_t* out, int n)
                                      {
                                          std::fill(out, out + n * 2, 0);
                                          frames += static_cast<uint64_t>(n);
                                      });
        ASSERT_TRUE(output) << name;
        // Without a sound card the SDL request runs as the null backend.
        EXPECT_TRUE(output->Backend() == AudioBackend::Null || output->Backend() == AudioBackend::Sdl) << name;
        EXPECT_FALSE(output->Pump(10, nullptr));
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (frames < 4410 && std::chrono::steady_clock::now() < give_up) std::this_thread::yield();
        EXPECT_GE(frames.load(), 4410u) << name;
        output.reset(); // returns only once the render function has stopped being called
        const uint64_t after = frames;
        EXPECT_EQ(frames.load(), after);
    }
}

// SDL's ALSA backend on ALSA's null device takes blocks as fast as they are made, and would have the audio thread mix
// without a pause. The output keeps time itself once the blocks run well ahead of the clock, and still closes at once.
TEST(AudioOutput, ADeviceThatDoesNotWaitIsPacedByTheClock)
{
    const auto conf = std::filesystem::temp_directory_path() / "null-asound.conf";
    std::ofstream(conf) << "pcm.!default { type null }\nctl.!default { type hw card 0 }\n";
    const char* oldDriver = std::getenv("SDL_AUDIODRIVER");
    const std::string savedDriver = oldDriver ? oldDriver : "";
    ::setenv("SDL_AUDIODRIVER", "alsa", 1);
    ::setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
    std::atomic<uint64_t> frames{0};
    auto output = OpenAudioOutput(ParseAudioConfig("sdl"),
                                  [&](int16_t* out, int n)
                                  {
                                      std::fill(out, out + n * 2, 0);
                                      frames += static_cast<uint64_t>(n);
                                  });
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(output);
    const bool paced = output->Backend() == AudioBackend::Sdl;
    if (paced)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double rendered = static_cast<double>(frames.load()) / kAudioRate;
        // A second and a twentieth of the time ahead before the pacing starts, and a block in hand.
        EXPECT_LT(rendered, 1.0 + elapsed * 1.05 + 0.1);
        EXPECT_GT(rendered, 1.0);
        const auto closing = std::chrono::steady_clock::now();
        output.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::milliseconds(500));
    }
    output.reset();
    if (oldDriver)
        ::setenv("SDL_AUDIODRIVER", savedDriver.c_str(), 1);
    else
        ::unsetenv("SDL_AUDIODRIVER");
    ::unsetenv("ALSA_CONFIG_PATH");
    std::filesystem::remove(conf);
    if (!paced) GTEST_SKIP() << "SDL has no ALSA backend here";
}
