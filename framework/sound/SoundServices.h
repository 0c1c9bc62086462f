// What the application object needs of the sound manager and the music interface, with silent stand-ins.
//
// The audio layer registers factories for its real sound manager and its two music back ends; until it does,
// the application runs with a sound manager that plays nothing and the silent base music interface.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "platform/Window.h"

namespace Zest
{

class SoundInstance
{
public:
    virtual ~SoundInstance() = default;
    virtual void SetPan(int pan) { (void)pan; }
    virtual bool Play(bool looping, bool autoRelease)
    {
        (void)looping;
        (void)autoRelease;
        return false;
    }
};

class SoundManager
{
public:
    virtual ~SoundManager() = default;
    virtual void SetVolume(double volume) { (void)volume; }
    virtual void StopAllSounds() {}
    virtual void SetCooperativeWindow(Platform::HWND window, bool windowed)
    {
        (void)window;
        (void)windowed;
    }
    // Null when the sample is unknown or nothing can play it.
    virtual SoundInstance* GetSoundInstance(int sampleId)
    {
        (void)sampleId;
        return nullptr;
    }

    // Sound ids 0..255. The silent manager only keeps track of which ids are taken, so loading behaves the same
    // with and without sound.
    static constexpr int kMaxSounds = 256;
    // The lowest free id, or -1 when all are taken.
    virtual int GetFreeSoundId()
    {
        for (int id = 0; id < kMaxSounds; ++id)
            if (!mTaken[id]) return id;
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
    // Per-id volume factor and pan offset; false for an id outside 0..255.
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

private:
    std::array<bool, kMaxSounds> mTaken{};
};

// The base plays nothing: it is the no-music mode.
class MusicInterface
{
public:
    virtual ~MusicInterface() = default;
    virtual void SetVolume(double volume) { (void)volume; }
    // Advances fades; called once per update.
    virtual void Update() {}
    virtual void StopAllMusic() {}
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
std::unique_ptr<SoundManager> MakeSoundManager(Platform::HWND window, bool useFMod);
std::unique_ptr<MusicInterface> MakeMusicInterface(MusicBackend backend, Platform::HWND window);

} // namespace Zest
