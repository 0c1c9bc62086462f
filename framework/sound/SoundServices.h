// The sound manager, sound instance and music interfaces, their silent implementations, and the factories that
// make the real ones.
//
// The audio layer (AudioLayer.h) registers factories for its sound manager and its two music back ends; without
// them the application runs with a sound manager that plays nothing and the silent base music interface.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "platform/Window.h"

namespace Zest
{

// One playing copy of a loaded sound. The base class plays nothing.
class SoundInstance
{
public:
    virtual ~SoundInstance() = default;
    virtual void Release() {}
    virtual void SetBaseVolume(double volume) { (void)volume; }
    virtual void SetBasePan(int pan) { (void)pan; }
    // Semitones up (positive) or down from the sound's own rate.
    virtual void AdjustPitch(double steps) { (void)steps; }
    virtual void SetVolume(double volume) { (void)volume; }
    virtual void SetPan(int pan) { (void)pan; }
    virtual bool Play(bool looping, bool autoRelease)
    {
        (void)looping;
        (void)autoRelease;
        return false;
    }
    virtual void Stop() {}
    virtual bool IsPlaying() { return false; }
    virtual bool IsReleased() { return false; }
    virtual double GetVolume() { return 0.0; }
};

// Loaded sounds by id and the instances that play them. The base class is the silent manager: it plays nothing
// but keeps track of which ids are taken, so loading behaves the same with and without sound.
class SoundManager
{
public:
    // Sound ids 0..255.
    static constexpr int kMaxSounds = 256;

    virtual ~SoundManager() = default;
    virtual bool Initialized() { return false; }
    // The id already holding `name`, else a newly loaded one from the top of the range down; -1 on failure.
    virtual int LoadSoundGetId(const std::string& name)
    {
        for (int id = kMaxSounds - 1; id >= 0; --id)
            if (!mTaken[id]) return LoadSound(id, name) ? id : -1;
        return -1;
    }
    // False for an id outside 0..255.
    virtual bool LoadSound(int id, const std::string& fileName)
    {
        (void)fileName;
        if (id < 0 || id >= kMaxSounds) return false;
        mTaken[id] = true;
        return true;
    }
    virtual void ReleaseSound(int id)
    {
        if (id >= 0 && id < kMaxSounds) mTaken[id] = false;
    }
    virtual void SetVolume(double volume) { (void)volume; }
    // Per-id volume factor and pan offset for instances made later; false for an id outside 0..255.
    virtual bool SetBaseVolume(int id, double factor)
    {
        (void)factor;
        return id >= 0 && id < kMaxSounds;
    }
    virtual bool SetBasePan(int id, int pan)
    {
        (void)pan;
        return id >= 0 && id < kMaxSounds;
    }
    // Null when the sample is unknown or nothing can play it.
    virtual SoundInstance* GetSoundInstance(int sampleId)
    {
        (void)sampleId;
        return nullptr;
    }
    virtual void ReleaseSounds() { mTaken.fill(false); }
    virtual void ReleaseChannels() {}
    virtual double GetMasterVolume() { return 0.0; }
    virtual void SetMasterVolume(double volume) { (void)volume; }
    virtual void SetCooperativeWindow(Platform::HWND window, bool windowed)
    {
        (void)window;
        (void)windowed;
    }
    virtual void StopAllSounds() {}
    // The lowest free id, or -1 when all are taken.
    virtual int GetFreeSoundId()
    {
        for (int id = 0; id < kMaxSounds; ++id)
            if (!mTaken[id]) return id;
        return -1;
    }
    virtual int GetNumSounds() { return 0; }

private:
    std::array<bool, kMaxSounds> mTaken{};
};

// Songs by music id (chosen by the caller). Volumes are 0..1; fade speeds are the volume change per update.
// The base class is the silent implementation: loading and IsPlaying answer false, the rest does nothing.
class MusicInterface
{
public:
    virtual ~MusicInterface() = default;
    virtual bool LoadMusic(int id, const std::string& fileName)
    {
        (void)id;
        (void)fileName;
        return false;
    }
    virtual void PlayMusic(int id, int offset, bool noLoop)
    {
        (void)id;
        (void)offset;
        (void)noLoop;
    }
    virtual void StopMusic(int id) { (void)id; }
    virtual void PauseMusic(int id) { (void)id; }
    virtual void ResumeMusic(int id) { (void)id; }
    virtual void StopAllMusic() {}
    virtual void UnloadMusic(int id) { (void)id; }
    virtual void UnloadAllMusic() {}
    virtual void PauseAllMusic() {}
    virtual void ResumeAllMusic() {}
    virtual void FadeIn(int id, int offset, double speed, bool noLoop)
    {
        (void)id;
        (void)offset;
        (void)speed;
        (void)noLoop;
    }
    virtual void FadeOut(int id, bool stopWhenSilent, double speed)
    {
        (void)id;
        (void)stopWhenSilent;
        (void)speed;
    }
    virtual void FadeOutAll(bool stopWhenSilent, double speed)
    {
        (void)stopWhenSilent;
        (void)speed;
    }
    virtual void SetSongVolume(int id, double volume)
    {
        (void)id;
        (void)volume;
    }
    virtual void SetSongMaxVolume(int id, double volume)
    {
        (void)id;
        (void)volume;
    }
    virtual bool IsPlaying(int id)
    {
        (void)id;
        return false;
    }
    // Whether a song's volume is still moving, a step each update: the main loop must not run those steps in a batch.
    virtual bool Fading() const { return false; }
    virtual void SetVolume(double volume) { (void)volume; }
    virtual void SetMusicAmplify(int id, double amplify)
    {
        (void)id;
        (void)amplify;
    }
    // Advances fades; called once per update.
    virtual void Update() {}
};

enum class MusicBackend
{
    None, // the silent base
    FMod, // the use-FMOD flag
    Bass, // otherwise
};

// Which music back end the application asks for.
MusicBackend ChooseMusicBackend(bool noMusic, bool useFMod);

using SoundManagerFactory = std::function<std::unique_ptr<SoundManager>(Platform::HWND window, bool useFMod)>;
using MusicInterfaceFactory = std::function<std::unique_ptr<MusicInterface>(MusicBackend backend, Platform::HWND)>;

// Registered by the audio layer; empty factories (the default) give the silent stand-ins.
void SetSoundManagerFactory(SoundManagerFactory factory);
void SetMusicInterfaceFactory(MusicInterfaceFactory factory);
bool HasSoundManagerFactory();
bool HasMusicInterfaceFactory();
std::unique_ptr<SoundManager> MakeSoundManager(Platform::HWND window, bool useFMod);
std::unique_ptr<MusicInterface> MakeMusicInterface(MusicBackend backend, Platform::HWND window);

} // namespace Zest
