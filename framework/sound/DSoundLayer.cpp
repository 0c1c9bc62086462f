// The buffer-based sound device over the shared mixer: static buffers, duplicates, gains and status.
#include "sound/DSoundLayer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/Modules.h"

namespace Zest
{

namespace
{
std::mutex gFailureMutex;
DSoundFailures gFailures;

DSoundFailures Failures()
{
    std::lock_guard<std::mutex> lock(gFailureMutex);
    return gFailures;
}

float DbGain(int32_t hundredths)
{
    if (hundredths <= DSBVOLUME_MIN) return 0.0f;
    return static_cast<float>(std::pow(10.0, hundredths / 2000.0));
}

bool ValidFormat(const WAVEFORMATEX& f)
{
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && f.nSamplesPerSec >= DSBFREQUENCY_MIN &&
           f.nSamplesPerSec <= 200000;
}
} // namespace

void DecibelGains(int32_t volume, int32_t pan, float& left, float& right)
{
    volume = std::clamp(volume, DSBVOLUME_MIN, DSBVOLUME_MAX);
    pan = std::clamp(pan, DSBPAN_LEFT, DSBPAN_RIGHT);
    const float g = DbGain(volume);
    left = g * (pan > 0 ? DbGain(-pan) : 1.0f);
    right = g * (pan < 0 ? DbGain(pan) : 1.0f);
}

void SetDSoundFailures(const DSoundFailures& failures)
{
    std::lock_guard<std::mutex> lock(gFailureMutex);
    gFailures = failures;
}

// ---------------------------------------------------------------- buffer

IDirectSoundBuffer::IDirectSoundBuffer(std::shared_ptr<AudioEngine> engine, bool primary)
    : mEngine(std::move(engine)), mPrimary(primary)
{
    if (!primary) mVoice = mEngine->GetMixer().CreateVoice();
}

IDirectSoundBuffer::~IDirectSoundBuffer()
{
    if (mVoice) mVoice->Stop();
}

uint32_t IDirectSoundBuffer::AddRef()
{
    return ++mRefs;
}

uint32_t IDirectSoundBuffer::Release()
{
    const uint32_t left = --mRefs;
    if (left == 0) delete this;
    return left;
}

PcmPtr IDirectSoundBuffer::SharedPcm()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mPcm;
}

HRESULT IDirectSoundBuffer::GetStatus(uint32_t* status)
{
    if (!status) return DSERR_INVALIDPARAM;
    *status = 0;
    if (mVoice && mVoice->IsPlaying()) *status = DSBSTATUS_PLAYING | (mVoice->IsLooping() ? DSBSTATUS_LOOPING : 0);
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetFormat(WAVEFORMATEX* format, uint32_t size, uint32_t* written)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!format) return DSERR_INVALIDPARAM;
    const uint32_t n = std::min<uint32_t>(size, sizeof(WAVEFORMATEX));
    std::memcpy(format, &mFormat, n);
    if (written) *written = n;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetFormat(const WAVEFORMATEX* format)
{
    if (!mPrimary) return DSERR_INVALIDCALL;
    if (!format || !ValidFormat(*format)) return DSERR_BADFORMAT;
    std::lock_guard<std::mutex> lock(mMutex);
    mFormat = *format;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetFrequency(uint32_t* frequency)
{
    if (!frequency) return DSERR_INVALIDPARAM;
    if (mPrimary) return DSERR_INVALIDCALL;
    std::lock_guard<std::mutex> lock(mMutex);
    *frequency = mFrequency;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetFrequency(uint32_t frequency)
{
    if (mPrimary) return DSERR_INVALIDCALL;
    std::lock_guard<std::mutex> lock(mMutex);
    if (frequency == DSBFREQUENCY_ORIGINAL) frequency = mFormat.nSamplesPerSec;
    frequency = std::clamp(frequency, DSBFREQUENCY_MIN, DSBFREQUENCY_MAX);
    mFrequency = frequency;
    mVoice->SetFrequency(frequency);
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetVolume(int32_t* volume)
{
    if (!volume) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(mMutex);
    *volume = mVolume;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetVolume(int32_t volume)
{
    if (mPrimary) return DSERR_INVALIDCALL;
    std::lock_guard<std::mutex> lock(mMutex);
    mVolume = std::clamp(volume, DSBVOLUME_MIN, DSBVOLUME_MAX);
    ApplyGains();
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetPan(int32_t* pan)
{
    if (!pan) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(mMutex);
    *pan = mPan;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetPan(int32_t pan)
{
    if (mPrimary) return DSERR_INVALIDCALL;
    std::lock_guard<std::mutex> lock(mMutex);
    mPan = std::clamp(pan, DSBPAN_LEFT, DSBPAN_RIGHT);
    ApplyGains();
    return DS_OK;
}

void IDirectSoundBuffer::ApplyGains()
{
    float l = 1, r = 1;
    DecibelGains(mVolume, mPan, l, r);
    mVoice->SetGains(l, r);
}

HRESULT IDirectSoundBuffer::Play(uint32_t, uint32_t, uint32_t flags)
{
    if (mPrimary) return DS_OK;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (!mPcm) return DSERR_INVALIDCALL;
    }
    mVoice->Play((flags & DSBPLAY_LOOPING) != 0);
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Stop()
{
    if (mVoice) mVoice->Stop();
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetCurrentPosition(uint32_t* play, uint32_t* write)
{
    if (mPrimary) return DSERR_INVALIDCALL;
    const uint32_t block = std::max<uint32_t>(1, mFormat.nBlockAlign);
    const uint32_t pos = static_cast<uint32_t>(mVoice->Position()) * block;
    if (play) *play = pos;
    if (write) *write = pos;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetCurrentPosition(uint32_t position)
{
    if (mPrimary) return DSERR_INVALIDCALL;
    const uint32_t block = std::max<uint32_t>(1, mFormat.nBlockAlign);
    mVoice->SetPosition(position / block);
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Lock(uint32_t offset, uint32_t bytes, void** ptr1, uint32_t* bytes1, void** ptr2,
                                 uint32_t* bytes2, uint32_t)
{
    if (mPrimary) return DSERR_INVALIDCALL;
    if (!ptr1 || !bytes1) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(mMutex);
    if (mLocked) return DSERR_INVALIDCALL;
    if (offset >= mBytes || bytes == 0 || bytes > mBytes - offset) return DSERR_INVALIDPARAM;
    // Writers fill a private copy; the mixer keeps playing the old PCM until Unlock publishes the new one.
    if (mPcm)
        mStaging = mPcm->bytes;
    else
        mStaging.assign(mBytes, mFormat.wBitsPerSample == 8 ? 0x80 : 0);
    mLocked = true;
    *ptr1 = mStaging.data() + offset;
    *bytes1 = bytes;
    if (ptr2) *ptr2 = nullptr;
    if (bytes2) *bytes2 = 0;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Unlock(void* ptr1, uint32_t, void*, uint32_t)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mLocked || !ptr1) return DSERR_INVALIDPARAM;
    mLocked = false;
    auto pcm = std::make_shared<PcmData>();
    pcm->channels = mFormat.nChannels;
    pcm->rate = static_cast<int>(mFormat.nSamplesPerSec);
    pcm->bits = mFormat.wBitsPerSample;
    pcm->bytes = std::move(mStaging);
    mStaging.clear();
    mPcm = std::move(pcm);
    const double frequency = mFrequency;
    mVoice->SetPcm(mPcm);
    mVoice->SetFrequency(frequency);
    return DS_OK;
}

// ---------------------------------------------------------------- device

uint32_t IDirectSound::AddRef()
{
    return ++mRefs;
}

uint32_t IDirectSound::Release()
{
    const uint32_t left = --mRefs;
    if (left == 0) delete this;
    return left;
}

HRESULT IDirectSound::SetCooperativeLevel(void*, uint32_t level)
{
    if (level != DSSCL_NORMAL && level != DSSCL_PRIORITY && level != 3) return DSERR_INVALIDPARAM;
    if (level == DSSCL_PRIORITY)
        if (HRESULT f = Failures().priority) return f;
    mLevel = level;
    return DS_OK;
}

HRESULT IDirectSound::CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer, void*)
{
    if (!desc || !buffer || desc->dwSize < 20) return DSERR_INVALIDPARAM;
    *buffer = nullptr;
    if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER)
    {
        if (mLevel < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
        if (desc->dwBufferBytes != 0 || desc->lpwfxFormat) return DSERR_INVALIDPARAM;
        *buffer = new IDirectSoundBuffer(mEngine, true);
        WAVEFORMATEX f{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
        (*buffer)->mFormat = f;
        return DS_OK;
    }
    if (!desc->lpwfxFormat || !ValidFormat(*desc->lpwfxFormat)) return DSERR_BADFORMAT;
    const WAVEFORMATEX& f = *desc->lpwfxFormat;
    const uint32_t block = f.nChannels * f.wBitsPerSample / 8u;
    if (desc->dwBufferBytes == 0 || desc->dwBufferBytes > kMaxSoundBufferBytes || desc->dwBufferBytes % block != 0)
        return DSERR_INVALIDPARAM;
    auto* created = new IDirectSoundBuffer(mEngine, false);
    created->mFormat = f;
    created->mFormat.nBlockAlign = static_cast<uint16_t>(block);
    created->mFormat.nAvgBytesPerSec = block * f.nSamplesPerSec;
    created->mFormat.cbSize = 0;
    created->mBytes = desc->dwBufferBytes;
    created->mFrequency = f.nSamplesPerSec;
    *buffer = created;
    return DS_OK;
}

HRESULT IDirectSound::DuplicateSoundBuffer(IDirectSoundBuffer* original, IDirectSoundBuffer** duplicate)
{
    if (!original || !duplicate || original->mPrimary) return DSERR_INVALIDPARAM;
    *duplicate = nullptr;
    if (HRESULT f = Failures().duplicate) return f;
    auto* copy = new IDirectSoundBuffer(mEngine, false);
    {
        std::lock_guard<std::mutex> lock(original->mMutex);
        copy->mFormat = original->mFormat;
        copy->mBytes = original->mBytes;
        copy->mPcm = original->mPcm;
        copy->mVolume = original->mVolume;
        copy->mPan = original->mPan;
        copy->mFrequency = original->mFrequency;
    }
    copy->mVoice->SetPcm(copy->mPcm);
    copy->mVoice->SetFrequency(copy->mFrequency);
    {
        std::lock_guard<std::mutex> lock(copy->mMutex);
        copy->ApplyGains();
    }
    *duplicate = copy;
    return DS_OK;
}

HRESULT DirectSoundCreate(const void*, IDirectSound** device, void*)
{
    if (!device) return DSERR_INVALIDPARAM;
    *device = nullptr;
    if (HRESULT f = Failures().create) return f;
    auto engine = AudioEngine::Acquire();
    if (!engine) return DSERR_NODRIVER;
    *device = new IDirectSound(std::move(engine));
    return DS_OK;
}

void RegisterDSoundModule()
{
    Platform::RegisterModule("dsound.dll",
                             {{"DirectSoundCreate", Platform::Entry<DirectSoundCreateSignature>(&DirectSoundCreate)}});
}

} // namespace Zest
