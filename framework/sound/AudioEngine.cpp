// The shared audio engine: mixer, output backend, stream feeder, and the process-wide wave-out volume.
#include "sound/AudioEngine.h"

#include <algorithm>
#include <atomic>
#include <chrono>

namespace Zest
{

namespace
{
std::mutex gEngineMutex;
std::weak_ptr<AudioEngine> gEngine;
std::atomic<uint32_t> gWaveOutVolume{65535};
} // namespace

std::shared_ptr<AudioEngine> AudioEngine::Acquire()
{
    std::lock_guard<std::mutex> lock(gEngineMutex);
    if (auto engine = gEngine.lock()) return engine;
    const Platform::AudioConfig config = Platform::CurrentAudioConfig();
    if (config.backend == Platform::AudioBackend::None) return nullptr;
    std::shared_ptr<AudioEngine> engine(new AudioEngine());
    engine->mMixer.SetMasterGain(static_cast<float>(gWaveOutVolume.load()) / 65535.0f);
    Mixer* mixer = &engine->mMixer;
    engine->mOutput =
        Platform::OpenAudioOutput(config, [mixer](int16_t* out, int frames) { mixer->Render(out, frames); });
    if (!engine->mOutput) return nullptr;
    engine->mManual = engine->mOutput->Backend() == Platform::AudioBackend::Manual;
    if (!engine->mManual) engine->mFeeder = std::thread([e = engine.get()] { e->FeedLoop(); });
    gEngine = engine;
    return engine;
}

std::shared_ptr<AudioEngine> AudioEngine::Running()
{
    std::lock_guard<std::mutex> lock(gEngineMutex);
    return gEngine.lock();
}

AudioEngine::~AudioEngine()
{
    if (mFeeder.joinable())
    {
        {
            std::lock_guard<std::mutex> lock(mFeedMutex);
            mFeedStop = true;
        }
        mFeedWake.notify_all();
        mFeeder.join();
    }
    // The output goes first: its destructor waits until the render call has returned.
    mOutput.reset();
}

Platform::AudioBackend AudioEngine::Backend() const
{
    return mOutput->Backend();
}

bool AudioEngine::Pump(int frames, std::vector<int16_t>* out)
{
    if (!mManual) return false;
    // Render in blocks no longer than the feeder keeps buffered, topping up before each.
    while (frames > 0)
    {
        const int block = std::min(frames, 4096);
        mMixer.FeedStreams();
        mOutput->Pump(block, out);
        frames -= block;
    }
    return true;
}

void AudioEngine::WakeFeeder()
{
    if (mManual)
    {
        mMixer.FeedStreams();
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mFeedMutex);
        mFeedRequested = true;
    }
    mFeedWake.notify_all();
}

void AudioEngine::FeedLoop()
{
    std::unique_lock<std::mutex> lock(mFeedMutex);
    while (!mFeedStop)
    {
        mFeedRequested = false;
        lock.unlock();
        mMixer.FeedStreams();
        lock.lock();
        // The rings hold two seconds; topping up every 50 ms keeps them nearly full.
        mFeedWake.wait_for(lock, std::chrono::milliseconds(50), [this] { return mFeedStop || mFeedRequested; });
    }
}

uint32_t WaveOutVolume()
{
    return gWaveOutVolume.load();
}

void SetWaveOutVolume(uint32_t value)
{
    value = std::min<uint32_t>(value, 65535);
    gWaveOutVolume = value;
    if (auto engine = AudioEngine::Running()) engine->GetMixer().SetMasterGain(static_cast<float>(value) / 65535.0f);
}

} // namespace Zest
