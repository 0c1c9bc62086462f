// The running audio: one mixer, the output backend that pulls from it and the feeder that decodes streams.
//
// The sound device, both music libraries and the system-volume shim share one engine, started by the first of
// them that needs output and stopped when the last lets go. With the "none" backend there is no engine at all,
// which the sound code takes as "no device".
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/AudioOutput.h"
#include "sound/Mixer.h"

namespace Zest
{

class AudioEngine
{
public:
    // The engine, started on first use with the current backend configuration; null for the none backend.
    static std::shared_ptr<AudioEngine> Acquire();
    // The engine when one is running, else null (never starts one).
    static std::shared_ptr<AudioEngine> Running();

    ~AudioEngine();
    Mixer& GetMixer() { return mMixer; }
    Platform::AudioBackend Backend() const;
    // Manual backend: tops up the streams, then renders `frames` frames (appended to `out` when given).
    bool Pump(int frames, std::vector<int16_t>* out = nullptr);
    // Frames the output has rendered so far.
    uint64_t FramesRendered() const { return mOutput->FramesRendered(); }
    // Asks the feeder to top up the streams now (after a seek or a start).
    void WakeFeeder();

private:
    AudioEngine() = default;
    void FeedLoop();

    Mixer mMixer;
    std::unique_ptr<Platform::AudioOutput> mOutput;
    bool mManual = false;
    std::mutex mFeedMutex;
    std::condition_variable mFeedWake;
    bool mFeedStop = false;
    bool mFeedRequested = false;
    std::thread mFeeder;
};

// The wave-out volume the system-volume shim holds (0..65535), applied as the engine's master gain.
uint32_t WaveOutVolume();
void SetWaveOutVolume(uint32_t value);

} // namespace Zest
