// Music over the stream music library: loading, playing, fading and the library-wide volume.
#include "sound/BassMusicInterface.h"

#include "base/Common.h"
#include "data/PakInterface.h"
#include "sound/MusicChannel.h"
#include "sound/SystemVolume.h"

namespace Zest
{

namespace
{
constexpr DWORD kModulePositionFlags = 0x8200;
constexpr DWORD kModuleRampFlag = 0x200;
} // namespace

BassMusicInterface::BassMusicInterface(Platform::HWND window)
{
    mBass = LoadBassDLL();
    // The wave-out volume is put back after initialising, so that the library cannot change it.
    HMIXER mixer = nullptr;
    MIXERCONTROL control;
    const uint32_t volume = OpenWaveOutControl(mixer, control) ? GetMixerValue(mixer, control) : 0;
    if (mBass->newer)
    {
        mBass->BASS_Init(1, 44100, 0, window, nullptr);
        mBass->BASS_SetConfig(0, 2000);
    }
    else
        mBass->BASS_InitOld(-1, 44100, 0, window);
    SetMixerValue(mixer, control, volume);
    mBass->BASS_Start();
    mixerClose(mixer);
}

BassMusicInterface::~BassMusicInterface()
{
    mBass->BASS_Stop();
    mBass->BASS_Free();
    FreeBassDLL();
    mMusicMap.clear();
}

void BassMusicInterface::SendVolume(const MusicInfo& info)
{
    mBass->BASS_ChannelSetAttributes(info.Channel(), -1, static_cast<int>(info.volume * 100), -101);
}

bool BassMusicInterface::LoadMusic(int id, const std::string& fileName)
{
    HMUSIC module = 0;
    HSTREAM stream = 0;
    const std::string ext = FileExtension(fileName);
    if (ext == "wav" || ext == "ogg" || ext == "mp3")
        stream = mBass->BASS_StreamCreateFile(0, fileName.c_str(), 0, 0, 0);
    else
    {
        if (!PakOpenFile(fileName, "rb")) return false;
        module = mBass->newer ? mBass->BASS_MusicLoad(0, fileName.c_str(), 0, 0, 0x204, 0)
                              : mBass->BASS_MusicLoadOld(0, fileName.c_str(), 0, 0, 4);
    }
    if (module == 0 && stream == 0) return false;
    if (mMusicMap.count(id))
    {
        // The id keeps the song it has; the new one is let go rather than leaked.
        if (stream) mBass->BASS_StreamFree(stream);
        if (module) mBass->BASS_MusicFree(module);
        return false;
    }
    MusicInfo& info = mMusicMap[id];
    info.module = module;
    info.stream = stream;
    return true;
}

void BassMusicInterface::StartModule(DWORD module, int order, DWORD flags)
{
    mBass->BASS_ChannelStop(module);
    const QWORD position =
        (static_cast<QWORD>(0xFFFFFFFFu) << 32) | (0x8000u << 16) | (static_cast<DWORD>(order) & 0xFFFF);
    mBass->BASS_ChannelSetPosition(module, position);
    mBass->BASS_ChannelSetFlags(module, flags);
    mBass->BASS_ChannelPlay(module, 0);
}

void BassMusicInterface::StartStream(DWORD stream, int offset, DWORD flags)
{
    mBass->BASS_ChannelSetFlags(stream, flags);
    mBass->BASS_ChannelPlay(stream, offset != -1 ? 1 : 0);
    if (offset > 0) mBass->BASS_ChannelSetPosition(stream, static_cast<QWORD>(offset));
}

void BassMusicInterface::PlayMusic(int id, int offset, bool noLoop)
{
    auto it = mMusicMap.find(id);
    if (it == mMusicMap.end()) return;
    MusicInfo& info = it->second;
    info.volume = info.maxVolume;
    info.fadeStep = 0;
    info.stopWhenSilent = noLoop;
    SendVolume(info);
    const DWORD flags = noLoop ? 0 : BASS_SAMPLE_LOOP;
    mBass->BASS_ChannelStop(info.Channel());
    if (info.module)
        StartModule(info.module, offset, flags | (mBass->newer ? kModulePositionFlags : 0));
    else
        StartStream(info.stream, offset, flags);
}

void BassMusicInterface::StopMusic(int id)
{
    auto it = mMusicMap.find(id);
    if (it == mMusicMap.end()) return;
    it->second.volume = 0;
    mBass->BASS_ChannelStop(it->second.Channel());
}

void BassMusicInterface::PauseMusic(int id)
{
    auto it = mMusicMap.find(id);
    if (it != mMusicMap.end()) mBass->BASS_ChannelPause(it->second.Channel());
}

void BassMusicInterface::ResumeMusic(int id)
{
    auto it = mMusicMap.find(id);
    if (it != mMusicMap.end()) mBass->BASS_ChannelPlay(it->second.Channel(), 0);
}

void BassMusicInterface::StopAllMusic()
{
    for (auto& [id, info] : mMusicMap)
    {
        info.volume = 0;
        mBass->BASS_ChannelStop(info.Channel());
    }
}

void BassMusicInterface::UnloadMusic(int id)
{
    auto it = mMusicMap.find(id);
    if (it == mMusicMap.end()) return;
    StopMusic(id);
    if (it->second.stream) mBass->BASS_StreamFree(it->second.stream);
    if (it->second.module) mBass->BASS_MusicFree(it->second.module);
    mMusicMap.erase(it);
}

void BassMusicInterface::UnloadAllMusic()
{
    StopAllMusic();
    for (auto& [id, info] : mMusicMap)
    {
        if (info.stream) mBass->BASS_StreamFree(info.stream);
        if (info.module) mBass->BASS_MusicFree(info.module);
    }
    mMusicMap.clear();
}

void BassMusicInterface::PauseAllMusic()
{
    for (auto& [id, info] : mMusicMap)
        if (mBass->BASS_ChannelIsActive(info.Channel()) == BASS_ACTIVE_PLAYING)
            mBass->BASS_ChannelPause(info.Channel());
}

void BassMusicInterface::ResumeAllMusic()
{
    for (auto& [id, info] : mMusicMap)
        if (mBass->BASS_ChannelIsActive(info.Channel()) == BASS_ACTIVE_PAUSED)
            mBass->BASS_ChannelPlay(info.Channel(), 0);
}

void BassMusicInterface::FadeIn(int id, int offset, double speed, bool noLoop)
{
    auto it = mMusicMap.find(id);
    if (it == mMusicMap.end()) return;
    MusicInfo& info = it->second;
    info.fadeStep = speed;
    info.stopWhenSilent = noLoop;
    mBass->BASS_ChannelStop(info.Channel());
    SendVolume(info);
    const DWORD flags = noLoop ? 0 : BASS_SAMPLE_LOOP;
    if (info.module)
    {
        if (offset == -1)
            mBass->BASS_ChannelPlay(info.module, 1);
        else
            StartModule(info.module, offset, flags | (mBass->newer ? kModuleRampFlag : 0));
    }
    else
        StartStream(info.stream, offset, flags);
}

void BassMusicInterface::FadeOut(int id, bool stopWhenSilent, double speed)
{
    auto it = mMusicMap.find(id);
    if (it == mMusicMap.end()) return;
    if (it->second.volume != 0) it->second.fadeStep = -speed;
    it->second.stopWhenSilent = stopWhenSilent;
}

void BassMusicInterface::FadeOutAll(bool stopWhenSilent, double speed)
{
    for (auto& [id, info] : mMusicMap)
    {
        info.fadeStep = -speed;
        info.stopWhenSilent = stopWhenSilent;
    }
}

void BassMusicInterface::SetSongVolume(int id, double volume)
{
    auto it = mMusicMap.find(id);
    if (it == mMusicMap.end()) return;
    it->second.volume = volume;
    SendVolume(it->second);
}

void BassMusicInterface::SetSongMaxVolume(int id, double volume)
{
    auto it = mMusicMap.find(id);
    if (it == mMusicMap.end()) return;
    it->second.maxVolume = volume;
    it->second.volume = std::min(it->second.volume, volume);
    SendVolume(it->second);
}

bool BassMusicInterface::IsPlaying(int id)
{
    auto it = mMusicMap.find(id);
    if (it == mMusicMap.end()) return false;
    return mBass->BASS_ChannelIsActive(it->second.Channel()) == BASS_ACTIVE_PLAYING;
}

void BassMusicInterface::SetVolume(double volume)
{
    if (mBass->newer)
    {
        mBass->BASS_SetConfig(BASS_CONFIG_GVOL_MUSIC, static_cast<DWORD>(volume * 100));
        mBass->BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, static_cast<DWORD>(volume * 100));
    }
    else
    {
        const int v = static_cast<int>(volume * mMaxMusicVolume);
        mBass->BASS_SetGlobalVolumes(v, v, v);
    }
}

void BassMusicInterface::SetMusicAmplify(int id, double amplify)
{
    auto it = mMusicMap.find(id);
    if (it == mMusicMap.end()) return;
    mBass->BASS_MusicSetAttribute(it->second.Channel(), BASS_MUSIC_ATTRIB_AMPLIFY, static_cast<DWORD>(amplify * 100));
}

void BassMusicInterface::Update()
{
    for (auto& [id, info] : mMusicMap)
    {
        const MusicFade::Step step = info.Advance();
        if (step == MusicFade::Step::None) continue;
        if (step == MusicFade::Step::Stop) mBass->BASS_ChannelStop(info.Channel());
        SendVolume(info);
    }
}

} // namespace Zest
