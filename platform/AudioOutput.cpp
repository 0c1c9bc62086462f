// Audio output backends: SDL2 callback, real-time null and capture threads, and the manual pump for tests.
#include "platform/AudioOutput.h"

#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace Platform
{

namespace
{

std::mutex gConfigMutex;
bool gConfigOverridden = false;
AudioConfig gConfigOverride;

// The SDL device is asked for callbacks of this many frames, about 46 ms: a sound started by a click is mixed into
// the next block, so it starts within one block plus what the device still holds. Each block is a wake-up of the
// audio thread, and a wake-up costs several times the mixing of a block: 1024 frames woke it 43 times a second for
// twice the processor time, 4096 would halve that again but let a click's sound lag by up to a fifth of a second.
constexpr int kDeviceBlockFrames = 2048;
// The capture backend renders 10 ms blocks, in step with the application's update rate; the null backend pulls
// what a sound card would, the device's blocks: a wake-up a hundred times a second cost more than the mixing.
constexpr int kCaptureBlockFrames = 441;

class ManualOutput : public AudioOutput
{
public:
    explicit ManualOutput(AudioRenderFunction render) : mRender(std::move(render)) {}
    AudioBackend Backend() const override { return AudioBackend::Manual; }
    bool Pump(int frames, std::vector<int16_t>* out) override
    {
        if (frames <= 0) return true;
        std::vector<int16_t> block(static_cast<size_t>(frames) * kAudioChannels);
        mRender(block.data(), frames);
        mFrames += static_cast<uint64_t>(frames);
        if (out) out->insert(out->end(), block.begin(), block.end());
        return true;
    }
    uint64_t FramesRendered() const override { return mFrames; }

private:
    AudioRenderFunction mRender;
    uint64_t mFrames = 0;
};

void PutLe16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void PutLe32(uint8_t* p, uint32_t v)
{
    PutLe16(p, v & 0xFFFF);
    PutLe16(p + 2, v >> 16);
}

// Renders in real time on its own thread; optionally writes what it renders to a WAV file.
class ThreadOutput : public AudioOutput
{
public:
    ThreadOutput(AudioRenderFunction render, AudioBackend backend, const std::string& capturePath)
        : mRender(std::move(render)), mBackend(backend)
    {
        if (backend == AudioBackend::Capture)
        {
            mFile = std::fopen(capturePath.c_str(), "wb");
            if (!mFile)
                std::fprintf(stderr, "audio: cannot write the capture file %s; rendering without it\n",
                             capturePath.c_str());
            else
                WriteHeader(0);
        }
        mThread = std::thread([this] { Run(); });
    }
    ~ThreadOutput() override
    {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mStop = true;
        }
        mWake.notify_all();
        mThread.join();
        if (mFile)
        {
            WriteHeader(mDataBytes);
            std::fclose(mFile);
        }
    }
    AudioBackend Backend() const override { return mBackend; }
    bool Pump(int, std::vector<int16_t>*) override { return false; }
    uint64_t FramesRendered() const override { return mFrames.load(); }

private:
    void WriteHeader(uint64_t dataBytes)
    {
        const uint32_t data = dataBytes > 0xFFFFFFF0u - 36 ? 0xFFFFFFF0u - 36 : static_cast<uint32_t>(dataBytes);
        uint8_t h[44];
        std::memcpy(h, "RIFF", 4);
        PutLe32(h + 4, data + 36);
        std::memcpy(h + 8, "WAVEfmt ", 8);
        PutLe32(h + 16, 16);
        PutLe16(h + 20, 1);
        PutLe16(h + 22, kAudioChannels);
        PutLe32(h + 24, kAudioRate);
        PutLe32(h + 28, kAudioRate * 4);
        PutLe16(h + 32, 4);
        PutLe16(h + 34, 16);
        std::memcpy(h + 36, "data", 4);
        PutLe32(h + 40, data);
        std::fseek(mFile, 0, SEEK_SET);
        std::fwrite(h, 1, sizeof h, mFile);
        std::fseek(mFile, 0, SEEK_END);
    }

    void Run()
    {
        const int blockFrames = mBackend == AudioBackend::Capture ? kCaptureBlockFrames : kDeviceBlockFrames;
        std::vector<int16_t> block(size_t(blockFrames) * kAudioChannels);
        const auto start = std::chrono::steady_clock::now();
        uint64_t due = 0;
        std::unique_lock<std::mutex> lock(mMutex);
        while (!mStop)
        {
            lock.unlock();
            mRender(block.data(), blockFrames);
            mFrames += uint64_t(blockFrames);
            if (mFile)
            {
                // The file holds little-endian samples; this machine's order is the same.
                mDataBytes += std::fwrite(block.data(), 1, block.size() * sizeof(int16_t), mFile);
            }
            // The next block is due when the frames rendered so far have played.
            due += uint64_t(blockFrames);
            const auto next = start + std::chrono::nanoseconds(due * 1000000000ull / kAudioRate);
            lock.lock();
            mWake.wait_until(lock, next, [this] { return mStop; });
        }
    }

    AudioRenderFunction mRender;
    AudioBackend mBackend;
    std::FILE* mFile = nullptr;
    uint64_t mDataBytes = 0;
    std::atomic<uint64_t> mFrames{0};
    std::mutex mMutex;
    std::condition_variable mWake;
    bool mStop = false;
    std::thread mThread;
};

// The sound libraries under SDL print their own complaints when there is no card; a missing device is worth one
// line of ours, not a page of theirs. Standard error is parked on /dev/null while the device opens.
class QuietStandardError
{
public:
    QuietStandardError()
    {
        std::fflush(stderr);
        mSaved = ::dup(2);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (mSaved >= 0 && null >= 0) ::dup2(null, 2);
        if (null >= 0) ::close(null);
    }
    ~QuietStandardError()
    {
        std::fflush(stderr);
        if (mSaved >= 0)
        {
            ::dup2(mSaved, 2);
            ::close(mSaved);
        }
    }

private:
    int mSaved = -1;
};

class SdlOutput : public AudioOutput
{
public:
    static std::unique_ptr<SdlOutput> Open(AudioRenderFunction render)
    {
        auto output = std::unique_ptr<SdlOutput>(new SdlOutput(std::move(render)));
        std::string error;
        if (!output->OpenDevice(error))
        {
            std::fprintf(stderr, "audio: no sound device (%s); continuing silently\n", error.c_str());
            return nullptr;
        }
        SDL_PauseAudioDevice(output->mDevice, 0);
        return output;
    }

    bool OpenDevice(std::string& error)
    {
        QuietStandardError quiet;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        {
            error = SDL_GetError();
            return false;
        }
        mSubsystem = true;
        SDL_AudioSpec want{};
        want.freq = kAudioRate;
        want.format = AUDIO_S16SYS;
        want.channels = kAudioChannels;
        want.samples = kDeviceBlockFrames;
        want.callback = &SdlOutput::Callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        mDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (mDevice == 0)
        {
            error = SDL_GetError();
            return false;
        }
        return true;
    }
    ~SdlOutput() override
    {
        {
            std::lock_guard<std::mutex> lock(mPaceMutex);
            mClosing = true;
        }
        mPaceWake.notify_all();
        if (mDevice) SDL_CloseAudioDevice(mDevice);
        if (mSubsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    AudioBackend Backend() const override { return AudioBackend::Sdl; }
    bool Pump(int, std::vector<int16_t>*) override { return false; }
    uint64_t FramesRendered() const override { return mFrames.load(); }

private:
    explicit SdlOutput(AudioRenderFunction render) : mRender(std::move(render)) {}
    static void Callback(void* user, Uint8* stream, int bytes)
    {
        auto* self = static_cast<SdlOutput*>(user);
        const int frames = bytes / (kAudioChannels * static_cast<int>(sizeof(int16_t)));
        if (self->mFrames.load() == 0) self->mStart = std::chrono::steady_clock::now();
        self->mRender(reinterpret_cast<int16_t*>(stream), frames);
        self->mFrames += static_cast<uint64_t>(frames);
        self->KeepTime(frames);
    }

    // A device that takes blocks without waiting for them to play (ALSA's null device does, under SDL) would have
    // this thread mix without a pause, a whole core. Once the blocks run well ahead of the clock (a second, and a
    // twentieth of the time since the first block: no sound card's clock is that far off, and sleeping here on a
    // real one would make it skip), every later block waits until it is due, as the null backend's do.
    void KeepTime(int blockFrames)
    {
        const uint64_t frames = mFrames.load();
        const auto now = std::chrono::steady_clock::now();
        const auto played = std::chrono::nanoseconds(frames * 1000000000ull / kAudioRate);
        if (!mPacing)
        {
            const auto elapsed = now - mStart;
            if (played - elapsed < std::chrono::seconds(1) + elapsed / 20) return;
            mPacing = true;
        }
        // A block ahead, as a device's own buffer would be. Closing the device cuts the wait short.
        const auto due = mStart + played - std::chrono::nanoseconds(uint64_t(blockFrames) * 1000000000ull / kAudioRate);
        std::unique_lock<std::mutex> lock(mPaceMutex);
        mPaceWake.wait_until(lock, due, [this] { return mClosing; });
    }

    AudioRenderFunction mRender;
    SDL_AudioDeviceID mDevice = 0;
    bool mSubsystem = false;
    std::atomic<uint64_t> mFrames{0};
    // Touched by the callback only.
    std::chrono::steady_clock::time_point mStart;
    bool mPacing = false;
    std::mutex mPaceMutex;
    std::condition_variable mPaceWake;
    bool mClosing = false;
};

} // namespace

AudioConfig ParseAudioConfig(const std::string& value)
{
    AudioConfig config;
    if (value.empty() || value == "sdl") return config;
    if (value == "null")
        config.backend = AudioBackend::Null;
    else if (value == "manual")
        config.backend = AudioBackend::Manual;
    else if (value == "none")
        config.backend = AudioBackend::None;
    else if (value.rfind("capture:", 0) == 0 && value.size() > 8)
    {
        config.backend = AudioBackend::Capture;
        config.capturePath = value.substr(8);
    }
    else
    {
        static std::once_flag once;
        std::call_once(once, [&]
                       { std::fprintf(stderr, "audio: unknown ZEST_AUDIO value \"%s\"; using sdl\n", value.c_str()); });
    }
    return config;
}

AudioConfig CurrentAudioConfig()
{
    {
        std::lock_guard<std::mutex> lock(gConfigMutex);
        if (gConfigOverridden) return gConfigOverride;
    }
    const char* value = std::getenv("ZEST_AUDIO");
    return ParseAudioConfig(value ? value : "");
}

void OverrideAudioConfig(const AudioConfig* config)
{
    std::lock_guard<std::mutex> lock(gConfigMutex);
    gConfigOverridden = config != nullptr;
    if (config) gConfigOverride = *config;
}

std::unique_ptr<AudioOutput> OpenAudioOutput(const AudioConfig& config, AudioRenderFunction render)
{
    switch (config.backend)
    {
    case AudioBackend::None:
        return nullptr;
    case AudioBackend::Manual:
        return std::make_unique<ManualOutput>(std::move(render));
    case AudioBackend::Null:
        return std::make_unique<ThreadOutput>(std::move(render), AudioBackend::Null, std::string());
    case AudioBackend::Capture:
        return std::make_unique<ThreadOutput>(std::move(render), AudioBackend::Capture, config.capturePath);
    case AudioBackend::Sdl:
        break;
    }
    if (auto sdl = SdlOutput::Open(render)) return sdl;
    return std::make_unique<ThreadOutput>(std::move(render), AudioBackend::Null, std::string());
}

} // namespace Platform
