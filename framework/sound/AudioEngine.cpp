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
    // The rings hold seconds of sound: the feeder tops them up when the first playing one is down to half, so a
    // song costs about one wake-up a second, and none at all while nothing plays. Starting, seeking and looping a
    // song wake it at once. The longest sleep is bounded so that a pitch change, which nothing announces, is caught
    // with most of a ring still in hand; the shortest keeps a stream that cannot be topped up from spinning it.
    constexpr double kShortest = 0.05, kLongest = 1.0;
    std::unique_lock<std::mutex> lock(mFeedMutex);
    while (!mFeedStop)
    {
        mFeedRequested = false;
        lock.unlock();
        const double due = mMixer.FeedStreams();
        lock.lock();
        const double sleep = due < 0 ? kLongest : std::clamp(due, kShortest, kLongest);
        mFeedWake.wait_for(lock, std::chrono::duration<double>(sleep), [this] { return mFeedStop || mFeedRequested; });
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
