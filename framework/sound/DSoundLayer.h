// The buffer-based sound device the sound manager drives: a device, a primary buffer and static sound buffers.
//
// Implements: device creation (looked up as "DirectSoundCreate" in the "dsound.dll" module), cooperative levels,
// the primary buffer (its format is accepted; the output is always 44100 Hz stereo 16-bit), static secondary
// buffers with Lock/Unlock (Unlock publishes the written PCM), duplicates that share the PCM and play on voices of
// their own, play/stop/status/cursor, volume and pan in hundredths of a decibel, frequency, format queries and
// COM-style reference counts. Leaves out: streaming buffers with write cursors, 3D, effects, notifications,
// capture, hardware buffers; formats other than 8/16-bit PCM with 1 or 2 channels.
//
// Volumes map to gains as 10^(v/2000) (-10000 = silence); a positive pan attenuates the left side by the same
// rule and a negative one the right side. Values outside -10000..0 and -10000..10000 are clamped.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "sound/AudioEngine.h"
#include "sound/Mixer.h"

namespace Zest
{

using HRESULT = int32_t;

constexpr HRESULT DS_OK = 0;
constexpr HRESULT DSERR_GENERIC = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT DSERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DSERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DSERR_ALLOCATED = static_cast<HRESULT>(0x8878000Au);
constexpr HRESULT DSERR_UNINITIALIZED = static_cast<HRESULT>(0x887800AAu);
constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032u);
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064u);
constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078u);
constexpr HRESULT DSERR_PRIOLEVELNEEDED = static_cast<HRESULT>(0x88780046u);

constexpr uint32_t DSSCL_NORMAL = 1;
constexpr uint32_t DSSCL_PRIORITY = 2;

constexpr uint32_t DSBCAPS_PRIMARYBUFFER = 0x1;
constexpr uint32_t DSBCAPS_STATIC = 0x2;
constexpr uint32_t DSBCAPS_LOCSOFTWARE = 0x8;
constexpr uint32_t DSBCAPS_CTRLFREQUENCY = 0x20;
constexpr uint32_t DSBCAPS_CTRLPAN = 0x40;
constexpr uint32_t DSBCAPS_CTRLVOLUME = 0x80;
constexpr uint32_t DSBCAPS_GLOBALFOCUS = 0x8000;

constexpr uint32_t DSBPLAY_LOOPING = 0x1;
constexpr uint32_t DSBSTATUS_PLAYING = 0x1;
constexpr uint32_t DSBSTATUS_LOOPING = 0x4;

constexpr int32_t DSBVOLUME_MIN = -10000;
constexpr int32_t DSBVOLUME_MAX = 0;
constexpr int32_t DSBPAN_LEFT = -10000;
constexpr int32_t DSBPAN_RIGHT = 10000;
constexpr uint32_t DSBFREQUENCY_ORIGINAL = 0;
constexpr uint32_t DSBFREQUENCY_MIN = 100;
constexpr uint32_t DSBFREQUENCY_MAX = 100000;

constexpr uint16_t WAVE_FORMAT_PCM = 1;

// Largest secondary buffer accepted: far beyond any sound effect, small enough that no file can make us
// allocate without bound.
constexpr uint32_t kMaxSoundBufferBytes = 256u << 20;

struct WAVEFORMATEX
{
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};

struct DSBUFFERDESC
{
    uint32_t dwSize = 20;
    uint32_t dwFlags = 0;
    uint32_t dwBufferBytes = 0;
    uint32_t dwReserved = 0;
    WAVEFORMATEX* lpwfxFormat = nullptr;
};

class IDirectSoundBuffer
{
public:
    virtual uint32_t AddRef();
    virtual uint32_t Release();
    virtual HRESULT GetStatus(uint32_t* status);
    virtual HRESULT GetFormat(WAVEFORMATEX* format, uint32_t size, uint32_t* written);
    virtual HRESULT SetFormat(const WAVEFORMATEX* format);
    virtual HRESULT GetFrequency(uint32_t* frequency);
    virtual HRESULT SetFrequency(uint32_t frequency);
    virtual HRESULT GetVolume(int32_t* volume);
    virtual HRESULT SetVolume(int32_t volume);
    virtual HRESULT GetPan(int32_t* pan);
    virtual HRESULT SetPan(int32_t pan);
    virtual HRESULT Play(uint32_t reserved, uint32_t priority, uint32_t flags);
    virtual HRESULT Stop();
    virtual HRESULT GetCurrentPosition(uint32_t* play, uint32_t* write);
    virtual HRESULT SetCurrentPosition(uint32_t position);
    // Static buffers hand out the whole requested range as one region (the second is always empty).
    virtual HRESULT Lock(uint32_t offset, uint32_t bytes, void** ptr1, uint32_t* bytes1, void** ptr2, uint32_t* bytes2,
                         uint32_t flags);
    virtual HRESULT Unlock(void* ptr1, uint32_t bytes1, void* ptr2, uint32_t bytes2);

    // Layer use: the published PCM (null for the primary buffer or an empty one).
    PcmPtr SharedPcm();
    VoicePtr GetVoice() { return mVoice; }

protected:
    friend class IDirectSound;
    IDirectSoundBuffer(std::shared_ptr<AudioEngine> engine, bool primary);
    virtual ~IDirectSoundBuffer();
    void ApplyGains();

    std::shared_ptr<AudioEngine> mEngine;
    bool mPrimary;
    std::atomic<uint32_t> mRefs{1};
    std::mutex mMutex; // guards the fields below
    WAVEFORMATEX mFormat{};
    uint32_t mBytes = 0;
    PcmPtr mPcm;
    std::vector<uint8_t> mStaging;
    bool mLocked = false;
    int32_t mVolume = 0;
    int32_t mPan = 0;
    uint32_t mFrequency = 0;
    VoicePtr mVoice;
};

class IDirectSound
{
public:
    virtual uint32_t AddRef();
    virtual uint32_t Release();
    virtual HRESULT SetCooperativeLevel(void* window, uint32_t level);
    virtual HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer, void* outer);
    virtual HRESULT DuplicateSoundBuffer(IDirectSoundBuffer* original, IDirectSoundBuffer** duplicate);

    std::shared_ptr<AudioEngine> Engine() { return mEngine; }

protected:
    friend HRESULT DirectSoundCreate(const void*, IDirectSound**, void*);
    explicit IDirectSound(std::shared_ptr<AudioEngine> engine) : mEngine(std::move(engine)) {}
    virtual ~IDirectSound() = default;

    std::shared_ptr<AudioEngine> mEngine;
    std::atomic<uint32_t> mRefs{1};
    uint32_t mLevel = 0;
};

// Creates the device over the shared audio engine; DSERR_NODRIVER when there is no output (the none backend).
HRESULT DirectSoundCreate(const void* guid, IDirectSound** device, void* outer);
// Its signature, shared by the module that provides it and the sound manager that looks it up.
using DirectSoundCreateSignature = decltype(DirectSoundCreate);

// Test hooks: make device creation, the priority level or buffer duplication fail (0 = succeed).
struct DSoundFailures
{
    HRESULT create = 0;
    HRESULT priority = 0;
    HRESULT duplicate = 0;
};
void SetDSoundFailures(const DSoundFailures& failures);

// Puts "DirectSoundCreate" into the "dsound.dll" module.
void RegisterDSoundModule();

// Volume and pan (hundredths of a decibel) as linear gains for the left and right side.
void DecibelGains(int32_t volume, int32_t pan, float& left, float& right);

} // namespace Zest
