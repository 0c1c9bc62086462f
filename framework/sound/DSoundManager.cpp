// The sound manager: ids, loading through the cache and the readers, instance slots and the volume rules.
#include "sound/DSoundManager.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/Common.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "sound/FModLibrary.h"
#include "sound/SystemVolume.h"

namespace Zest
{

namespace
{

bool ReadWavFile(const std::string& name, SoundData& out)
{
    auto file = OpenPakSoundFile(name);
    return file && ReadWavSound(*file, out);
}
bool ReadOggFile(const std::string& name, SoundData& out)
{
    return ReadOggSound(OpenPakSoundFile(name), out);
}
bool ReadAuFile(const std::string& name, SoundData& out)
{
    auto file = OpenPakSoundFile(name);
    return file && ReadAuSound(*file, out);
}

bool ValidId(int id)
{
    return id >= 0 && id < SoundManager::kMaxSounds;
}

// A name from the manifest with ".." in it could reach outside the cache folder: such a name is not cached.
bool ClimbsOut(const std::string& name)
{
    std::string n = NativeSoundPath(name);
    size_t start = 0;
    while (start <= n.size())
    {
        size_t end = n.find('/', start);
        if (end == std::string::npos) end = n.size();
        if (n.compare(start, end - start, "..") == 0) return true;
        start = end + 1;
    }
    return false;
}

} // namespace

std::string DSoundErrorName(HRESULT code)
{
    switch (code)
    {
    case DSERR_INVALIDPARAM:
        return "DSERR_INVALIDPARAM";
    case DSERR_OUTOFMEMORY:
        return "DSERR_OUTOFMEMORY";
    case DSERR_ALLOCATED:
        return "DSERR_ALLOCATED";
    case DSERR_UNINITIALIZED:
        return "DSERR_UNINITIALIZED";
    case DSERR_INVALIDCALL:
        return "DSERR_INVALIDCALL";
    default:
        return std::string();
    }
}

// ---------------------------------------------------------------- instance

DSoundInstance::DSoundInstance(IDirectSoundBuffer* source, DSoundManager* owner) : mOwner(owner), mSourceBuffer(source)
{
    if (mSourceBuffer)
    {
        const HRESULT result = mOwner->mDirectSound->DuplicateSoundBuffer(mSourceBuffer, &mSoundBuffer);
        if (result != DS_OK)
        {
            const std::string name = DSoundErrorName(result);
            if (!name.empty()) Platform::MessageBox(nullptr, name, "Hey", Platform::MB_OK);
            std::exit(0);
        }
        mSoundBuffer->GetFrequency(&mDefaultFrequency);
    }
    RefreshVolume();
}

DSoundInstance::~DSoundInstance()
{
    if (mSoundBuffer) mSoundBuffer->Release();
}

void DSoundInstance::Release()
{
    Stop();
    mReleased = true;
}

void DSoundInstance::SetBaseVolume(double volume)
{
    mBaseVolume = volume;
    RefreshVolume();
}

void DSoundInstance::SetBasePan(int pan)
{
    mBasePan = pan;
    RefreshPan();
}

void DSoundInstance::AdjustPitch(double steps)
{
    if (!mSoundBuffer) return;
    double frequency = mDefaultFrequency * std::pow(1.0594630943592953, steps);
    frequency = std::clamp(frequency, 100.0, 100000.0);
    mSoundBuffer->SetFrequency(static_cast<uint32_t>(frequency));
}

void DSoundInstance::SetVolume(double volume)
{
    mVolume = volume;
    RefreshVolume();
}

void DSoundInstance::SetPan(int pan)
{
    mPan = pan;
    RefreshPan();
}

void DSoundInstance::RefreshVolume()
{
    if (mSoundBuffer) mSoundBuffer->SetVolume(DSoundManager::VolumeToDB(mVolume * mBaseVolume * mOwner->mVolumeScale));
}

void DSoundInstance::RefreshPan()
{
    if (mSoundBuffer) mSoundBuffer->SetPan(mPan + mBasePan);
}

bool DSoundInstance::Play(bool looping, bool autoRelease)
{
    Stop();
    mHasPlayed = true;
    mAutoRelease = autoRelease;
    if (!mSoundBuffer) return false;
    return mSoundBuffer->Play(0, 0, looping ? DSBPLAY_LOOPING : 0) == DS_OK;
}

void DSoundInstance::Stop()
{
    if (!mSoundBuffer) return;
    mSoundBuffer->Stop();
    mSoundBuffer->SetCurrentPosition(0);
    mAutoRelease = false;
}

bool DSoundInstance::IsPlaying()
{
    if (!mHasPlayed || !mSoundBuffer) return false;
    uint32_t status = 0;
    return mSoundBuffer->GetStatus(&status) == DS_OK && (status & DSBSTATUS_PLAYING) != 0;
}

bool DSoundInstance::IsReleased()
{
    if (!mReleased && mAutoRelease && mHasPlayed && !IsPlaying()) Release();
    return mReleased;
}

double DSoundInstance::GetVolume()
{
    return mVolume;
}

// ---------------------------------------------------------------- manager

DSoundManager::DSoundManager(Platform::HWND window, bool useFMod) : mUseFMod(useFMod)
{
    mBaseVolumes.fill(1.0);
    if (window == nullptr) return;
    mDSoundModule = Platform::LoadLibrary("dsound.dll");
    auto* create = Platform::GetProcAddress<DirectSoundCreateSignature>(mDSoundModule, "DirectSoundCreate");
    if (!create || create(nullptr, &mDirectSound, nullptr) != DS_OK)
    {
        mDirectSound = nullptr;
        return;
    }
    if (mUseFMod)
    {
        FMOD_INSTANCE* fmod = LoadFModDLL();
        fmod->FSOUND_SetHWND(window);
        fmod->FSOUND_SetBufferSize(200);
        fmod->FSOUND_Init(44100, 64, 2);
    }
    if (mDirectSound->SetCooperativeLevel(window, DSSCL_PRIORITY) != DS_OK)
    {
        mDirectSound->SetCooperativeLevel(window, DSSCL_NORMAL);
        return;
    }
    DSBUFFERDESC desc;
    desc.dwSize = 20;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    if (mDirectSound->CreateSoundBuffer(&desc, &mPrimaryBuffer, nullptr) == DS_OK)
    {
        WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 18};
        mPrimaryBuffer->SetFormat(&format);
    }
}

DSoundManager::~DSoundManager()
{
    ReleaseChannels();
    ReleaseSounds();
    if (mPrimaryBuffer) mPrimaryBuffer->Release();
    if (mDirectSound)
    {
        if (mUseFMod) GetFModInstance()->FSOUND_Close();
        mDirectSound->Release();
        if (mUseFMod) FreeFModDLL();
    }
    if (mDSoundModule) Platform::FreeLibrary(mDSoundModule);
}

bool DSoundManager::Initialized()
{
    return mDirectSound != nullptr;
}

int32_t DSoundManager::VolumeToDB(double volume)
{
    // Nothing (or less than nothing) is silence; the logarithm would give NaN.
    if (!(volume > 0)) return DSBVOLUME_MIN;
    double db = (std::log10(9.0 * volume + 1.0) - 1.0) * 2333.0;
    db = std::min(db, 0.0);
    const int32_t result = static_cast<int32_t>(db);
    return result < -2000 ? DSBVOLUME_MIN : result;
}

int DSoundManager::GetFreeSoundId()
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    for (int id = 0; id < kMaxSounds; ++id)
        if (!mSourceSounds[id] && !mTakenWithoutDevice[id]) return id;
    return -1;
}

int DSoundManager::GetNumSounds()
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    return static_cast<int>(std::count_if(mSourceSounds.begin(), mSourceSounds.end(), [](auto* b) { return b; }));
}

int DSoundManager::LoadSoundGetId(const std::string& name)
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    // Only ids that really hold a sound answer for their name: a failed load or a released sound keeps its
    // recorded name, and must not pass for the sound.
    for (int id = 0; id < kMaxSounds; ++id)
        if ((mSourceSounds[id] || mTakenWithoutDevice[id]) && mSourceFileNames[id] == name) return id;
    for (int id = kMaxSounds - 1; id >= 0; --id)
        if (!mSourceSounds[id] && !mTakenWithoutDevice[id]) return LoadSound(id, name) ? id : -1;
    return -1;
}

void DSoundManager::ReleaseBufferLocked(int id)
{
    if (mSourceSounds[id])
    {
        mSourceSounds[id]->Release();
        mSourceSounds[id] = nullptr;
    }
    mTakenWithoutDevice[id] = false;
}

void DSoundManager::ReleaseSound(int id)
{
    if (!ValidId(id)) return;
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    ReleaseBufferLocked(id);
    mSourceFileNames[id].clear();
}

void DSoundManager::ReleaseSounds()
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    for (int id = 0; id < kMaxSounds; ++id) ReleaseBufferLocked(id);
}

void DSoundManager::ReleaseChannels()
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    for (auto& slot : mPlayingSounds) slot.reset();
}

bool DSoundManager::CreateBuffer(int id, const SoundData& data)
{
    mSourceDataSizes[id] = static_cast<uint32_t>(data.bytes.size());
    WAVEFORMATEX format;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<uint16_t>(data.channels);
    format.nSamplesPerSec = static_cast<uint32_t>(data.rate);
    format.nBlockAlign = static_cast<uint16_t>(data.channels * data.bits / 8);
    format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
    format.wBitsPerSample = static_cast<uint16_t>(data.bits);
    DSBUFFERDESC desc;
    desc.dwSize = 20;
    desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME |
                   DSBCAPS_GLOBALFOCUS;
    desc.dwBufferBytes = static_cast<uint32_t>(data.bytes.size());
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    if (mDirectSound->CreateSoundBuffer(&desc, &buffer, nullptr) != DS_OK) return false;
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    if (buffer->Lock(0, desc.dwBufferBytes, &p1, &n1, &p2, &n2, 0) != DS_OK)
    {
        buffer->Release();
        return false;
    }
    std::copy(data.bytes.begin(), data.bytes.end(), static_cast<uint8_t*>(p1));
    if (buffer->Unlock(p1, n1, p2, n2) != DS_OK)
    {
        buffer->Release();
        return false;
    }
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    ReleaseBufferLocked(id);
    mSourceSounds[id] = buffer;
    return true;
}

bool DSoundManager::LoadWithReader(int id, const std::string& fileName, bool (*reader)(const std::string&, SoundData&))
{
    // Decoding happens outside the lock, so the main thread keeps playing while the loading thread works.
    SoundData data;
    if (!reader(fileName, data)) return false;
    return CreateBuffer(id, data);
}

bool DSoundManager::LoadSound(int id, const std::string& fileName)
{
    if (!ValidId(id)) return false;
    if (!mDirectSound)
    {
        // No device: nothing to load, but the id counts as taken so that ids are handed out as with sound.
        std::lock_guard<std::recursive_mutex> lock(mMutex);
        mTakenWithoutDevice[id] = true;
        return true;
    }
    {
        std::lock_guard<std::recursive_mutex> lock(mMutex);
        ReleaseBufferLocked(id);
        mSourceFileNames[id] = fileName;
    }

    std::string cachePath;
    if (fileName.size() > 2 && fileName[0] != '\\' && fileName[0] != '/' && fileName[1] != ':' && !ClimbsOut(fileName))
        cachePath = SoundCacheFolder() + NativeSoundPath(fileName) + ".wav";

    if (!cachePath.empty())
    {
        if (LoadWithReader(id, cachePath, ReadWavFile)) return true;
        MakeDirectories(GetFileDir(cachePath));
    }
    if (LoadWithReader(id, fileName + ".wav", ReadWavFile)) return true;

    std::string source;
    if (mUseFMod)
    {
        FMOD_INSTANCE* fmod = GetFModInstance();
        const std::string mp3 = fileName + ".mp3";
        if (fmod && fmod->FSOUND_Sample_Load)
            if (FSOUND_SAMPLE* sample = fmod->FSOUND_Sample_Load(-1, mp3.c_str(), 0, 0))
            {
                SoundData data;
                if (FModSampleData(*fmod, sample, data) && CreateBuffer(id, data)) source = mp3;
                fmod->FSOUND_Sample_Free(sample);
            }
    }
    if (source.empty() && LoadWithReader(id, fileName + ".ogg", ReadOggFile)) source = fileName + ".ogg";
    if (source.empty() && LoadWithReader(id, fileName + ".au", ReadAuFile)) source = fileName + ".au";
    if (source.empty()) return false;
    WriteWAV(cachePath, id, source);
    return true;
}

uint32_t DSoundManager::DataSize(int id)
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    return ValidId(id) ? mSourceDataSizes[id] : 0;
}

int DSoundManager::OccupiedChannels()
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    return static_cast<int>(
        std::count_if(mPlayingSounds.begin(), mPlayingSounds.end(), [](const auto& s) { return s != nullptr; }));
}

bool DSoundManager::WriteWAV(const std::string& path, int id, const std::string& sourceName)
{
    if (path.empty() || !ValidId(id)) return false;
    PcmPtr pcm;
    {
        std::lock_guard<std::recursive_mutex> lock(mMutex);
        if (!mSourceSounds[id]) return false;
        pcm = mSourceSounds[id]->SharedPcm();
    }
    if (!pcm) return false;
    SoundData data;
    data.channels = pcm->channels;
    data.rate = pcm->rate;
    data.bits = pcm->bits;
    data.bytes = pcm->bytes;
    const std::vector<uint8_t> file = BuildCacheWav(data, sourceName, SoundSourceTime(sourceName));
    // Written whole to a temporary name and renamed: a crash never leaves half a cache file.
    return Platform::WriteFileAtomically(path, file.data(), file.size());
}

void DSoundManager::SetVolume(double volume)
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    mVolumeScale = volume;
    for (auto& slot : mPlayingSounds)
        if (slot) slot->RefreshVolume();
}

bool DSoundManager::SetBaseVolume(int id, double factor)
{
    if (!ValidId(id)) return false;
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    mBaseVolumes[id] = factor;
    return true;
}

bool DSoundManager::SetBasePan(int id, int pan)
{
    if (!ValidId(id)) return false;
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    mBasePans[id] = pan;
    return true;
}

int DSoundManager::FindFreeChannel()
{
    const uint32_t now = Platform::GetTickCount();
    if (now - mLastReleaseTick > 1000)
    {
        for (auto& slot : mPlayingSounds)
            if (slot && slot->IsReleased()) slot.reset();
        mLastReleaseTick = now;
    }
    for (int i = 0; i < kMaxChannels; ++i)
    {
        if (!mPlayingSounds[i]) return i;
        if (mPlayingSounds[i]->IsReleased())
        {
            mPlayingSounds[i].reset();
            return i;
        }
    }
    return -1;
}

SoundInstance* DSoundManager::GetSoundInstance(int id)
{
    if (!ValidId(id)) return nullptr;
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    const int channel = FindFreeChannel();
    if (channel < 0) return nullptr;
    if (mDirectSound && !mSourceSounds[id]) return nullptr;
    auto instance = std::make_unique<DSoundInstance>(mSourceSounds[id], this);
    instance->SetBasePan(mBasePans[id]);
    instance->SetBaseVolume(mBaseVolumes[id]);
    mPlayingSounds[channel] = std::move(instance);
    return mPlayingSounds[channel].get();
}

double DSoundManager::GetMasterVolume()
{
    HMIXER mixer = nullptr;
    MIXERCONTROL control;
    if (!OpenWaveOutControl(mixer, control)) return 0.0;
    const uint32_t value = GetMixerValue(mixer, control);
    mixerClose(mixer);
    return value / 65535.0;
}

void DSoundManager::SetMasterVolume(double volume)
{
    HMIXER mixer = nullptr;
    MIXERCONTROL control;
    if (!OpenWaveOutControl(mixer, control)) return;
    SetMixerValue(mixer, control, static_cast<uint32_t>(std::clamp(volume, 0.0, 1.0) * 65535));
    mixerClose(mixer);
}

void DSoundManager::SetCooperativeWindow(Platform::HWND window, bool)
{
    if (mDirectSound) mDirectSound->SetCooperativeLevel(window, DSSCL_NORMAL);
}

void DSoundManager::StopAllSounds()
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    for (auto& slot : mPlayingSounds)
    {
        if (!slot) continue;
        // Stopping clears the auto-release flag; keep it, so finished one-shots are still reclaimed.
        const bool autoRelease = slot->mAutoRelease;
        slot->Stop();
        slot->mAutoRelease = autoRelease;
    }
}

} // namespace Zest
