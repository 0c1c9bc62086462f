// The sound manager over the buffer-based sound device: 256 loaded sounds, 32 playing instances.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Modules.h"
#include "sound/DSoundLayer.h"
#include "sound/SoundReaders.h"
#include "sound/SoundServices.h"

namespace Zest
{

struct FMOD_INSTANCE;
class DSoundManager;

class DSoundInstance : public SoundInstance
{
public:
    DSoundInstance(IDirectSoundBuffer* source, DSoundManager* owner);
    ~DSoundInstance() override;

    void Release() override;
    void SetBaseVolume(double volume) override;
    void SetBasePan(int pan) override;
    void AdjustPitch(double steps) override;
    void SetVolume(double volume) override;
    void SetPan(int pan) override;
    bool Play(bool looping, bool autoRelease) override;
    void Stop() override;
    bool IsPlaying() override;
    bool IsReleased() override;
    double GetVolume() override;

    void RefreshVolume();
    void RefreshPan();
    IDirectSoundBuffer* Buffer() { return mSoundBuffer; }

private:
    friend class DSoundManager;
    DSoundManager* mOwner;
    IDirectSoundBuffer* mSourceBuffer; // not owned
    IDirectSoundBuffer* mSoundBuffer = nullptr;
    bool mAutoRelease = false;
    bool mHasPlayed = false;
    bool mReleased = false;
    int mBasePan = 0;
    double mBaseVolume = 1.0;
    int mPan = 0;
    double mVolume = 1.0;
    uint32_t mDefaultFrequency = 44100;
};

class DSoundManager : public SoundManager
{
public:
    static constexpr int kMaxChannels = 32;

    DSoundManager(Platform::HWND window, bool useFMod);
    ~DSoundManager() override;

    bool Initialized() override;
    int LoadSoundGetId(const std::string& name) override;
    bool LoadSound(int id, const std::string& fileName) override;
    void ReleaseSound(int id) override;
    void SetVolume(double volume) override;
    bool SetBaseVolume(int id, double factor) override;
    bool SetBasePan(int id, int pan) override;
    SoundInstance* GetSoundInstance(int id) override;
    void ReleaseSounds() override;
    void ReleaseChannels() override;
    double GetMasterVolume() override;
    void SetMasterVolume(double volume) override;
    void SetCooperativeWindow(Platform::HWND window, bool windowed) override;
    void StopAllSounds() override;
    int GetFreeSoundId() override;
    int GetNumSounds() override;

    // The device-volume rule: hundredths of a decibel for a linear volume product.
    static int32_t VolumeToDB(double volume);
    double VolumeScale() const { return mVolumeScale; }
    IDirectSound* Device() { return mDirectSound; }
    // The PCM size recorded for an id by the last reader (0 when none).
    uint32_t DataSize(int id);
    // Instance slots holding an instance (released or not).
    int OccupiedChannels();

private:
    friend class DSoundInstance;
    int FindFreeChannel();
    bool CreateBuffer(int id, const SoundData& data);
    bool LoadWithReader(int id, const std::string& fileName, bool (*reader)(const std::string&, SoundData&));
    bool WriteWAV(const std::string& path, int id, const std::string& sourceName);
    void ReleaseBufferLocked(int id);

    std::recursive_mutex mMutex; // the loading thread and the main thread both come here
    std::array<IDirectSoundBuffer*, kMaxSounds> mSourceSounds{};
    std::array<std::string, kMaxSounds> mSourceFileNames;
    std::array<uint32_t, kMaxSounds> mSourceDataSizes{};
    std::array<double, kMaxSounds> mBaseVolumes;
    std::array<int, kMaxSounds> mBasePans{};
    std::array<bool, kMaxSounds> mTakenWithoutDevice{};
    IDirectSoundBuffer* mPrimaryBuffer = nullptr;
    std::array<std::unique_ptr<DSoundInstance>, kMaxChannels> mPlayingSounds;
    double mVolumeScale = 1.0;
    uint32_t mLastReleaseTick = 0;
    IDirectSound* mDirectSound = nullptr;
    Platform::ModuleHandle mDSoundModule = nullptr;
    bool mUseFMod;
};

// The message text of a failed buffer duplication, empty for codes that show no box.
std::string DSoundErrorName(HRESULT code);

} // namespace Zest
