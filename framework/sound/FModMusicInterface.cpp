// Music over the sample-and-channel music library, with its plain decoded-sample cache.
#include "sound/FModMusicInterface.h"

#include <cstring>

#include "base/Common.h"
#include "platform/FileTime.h"
#include "platform/Files.h"
#include "sound/SoundReaders.h"

namespace Zest
{

FModMusicInterface::FModMusicInterface(Platform::HWND)
{
    mFMod = LoadFModDLL();
}

FModMusicInterface::~FModMusicInterface()
{
    FreeFModDLL();
    mMusicMap.clear();
}

void FModMusicInterface::SendVolume(int id, const FModMusicInfo& info)
{
    if (info.module)
        mFMod->FMUSIC_SetMasterVolume(info.module, static_cast<int>(info.volume * mMusicVolume * mModuleVolumeScale));
    else
        mFMod->FSOUND_SetVolume(id, static_cast<int>(info.volume * mMusicVolume * mSampleVolumeScale));
}

bool FModMusicInterface::LoadMusic(int id, const std::string& fileName)
{
    FMUSIC_MODULE* module = mFMod->FMUSIC_LoadSong(fileName.c_str());
    if (!module) return false;
    if (mMusicMap.count(id)) return false; // the id keeps its song
    mMusicMap[id].module = module;
    return true;
}

FSOUND_SAMPLE* FModMusicInterface::LoadCachedSample(const std::string& name)
{
    const std::string cache = SoundCacheFolder() + GetFileBaseName(name) + ".wav";
    MakeDirectories(GetFileDir(cache));
    const std::string source = name + ".ogg";
    // A cache file older than its source is stale; the source's time may come from the pack.
    const uint64_t cacheTime = Platform::FileWriteTime(cache);
    if (cacheTime != 0 && SoundSourceTime(source) <= cacheTime)
        if (FSOUND_SAMPLE* sample = mFMod->FSOUND_Sample_Load(FSOUND_FREE, cache.c_str(), 0, 0)) return sample;
    FSOUND_SAMPLE* sample = mFMod->FSOUND_Sample_Load(FSOUND_FREE, source.c_str(), 0, 0);
    if (!sample) return nullptr;
    SoundData data;
    if (FModSampleData(*mFMod, sample, data))
    {
        const std::vector<uint8_t> file = BuildPlainWav(data);
        Platform::WriteFileAtomically(cache, file.data(), file.size());
    }
    return sample;
}

bool FModMusicInterface::LoadSample(int id, const std::string& name, bool loop)
{
    FSOUND_SAMPLE* sample = LoadCachedSample(name);
    if (!sample) return false;
    FModMusicInfo& info = mMusicMap[id];
    info.sample = sample;
    info.loop = loop;
    return true;
}

bool FModMusicInterface::LoadLoopedSample(int id, const std::string& intro, const std::string& loop, bool loopFlag)
{
    FSOUND_SAMPLE* introSample = LoadCachedSample(intro);
    FSOUND_SAMPLE* loopSample = LoadCachedSample(loop);
    auto freeBoth = [&]
    {
        if (introSample) mFMod->FSOUND_Sample_Free(introSample);
        if (loopSample) mFMod->FSOUND_Sample_Free(loopSample);
    };
    if (!introSample || !loopSample)
    {
        freeBoth();
        return false;
    }
    int introFrequency = 0, loopFrequency = 0;
    mFMod->FSOUND_Sample_GetDefaults(introSample, &introFrequency, nullptr, nullptr, nullptr);
    mFMod->FSOUND_Sample_GetDefaults(loopSample, &loopFrequency, nullptr, nullptr, nullptr);
    const unsigned int introMode = mFMod->FSOUND_Sample_GetMode(introSample);
    if (introFrequency != loopFrequency || introMode != mFMod->FSOUND_Sample_GetMode(loopSample))
    {
        freeBoth();
        return false;
    }
    const unsigned int introLength = mFMod->FSOUND_Sample_GetLength(introSample);
    const unsigned int loopLength = mFMod->FSOUND_Sample_GetLength(loopSample);
    FSOUND_SAMPLE* joined = mFMod->FSOUND_Sample_Alloc(FSOUND_FREE, static_cast<int>(introLength + loopLength),
                                                       introMode | FSOUND_LOOP_NORMAL, introFrequency, 255, 128, 0);
    if (!joined)
    {
        freeBoth();
        return false;
    }
    const unsigned int bytesPerSample = ((introMode & FSOUND_MONO) ? 1 : 2) * ((introMode & FSOUND_8BITS) ? 1 : 2);
    void* j1 = nullptr;
    void* j2 = nullptr;
    unsigned int jn1 = 0, jn2 = 0;
    if (mFMod->FSOUND_Sample_Lock(joined, 0, static_cast<int>((introLength + loopLength) * bytesPerSample), &j1, &j2,
                                  &jn1, &jn2))
    {
        auto copyInto = [&](FSOUND_SAMPLE* part, unsigned int length, unsigned int at)
        {
            void* p1 = nullptr;
            void* p2 = nullptr;
            unsigned int n1 = 0, n2 = 0;
            if (!mFMod->FSOUND_Sample_Lock(part, 0, static_cast<int>(length * bytesPerSample), &p1, &p2, &n1, &n2))
                return;
            std::memcpy(static_cast<uint8_t*>(j1) + at, p1, std::min(n1, jn1 - at));
            mFMod->FSOUND_Sample_Unlock(part, p1, p2, n1, n2);
        };
        copyInto(introSample, introLength, 0);
        copyInto(loopSample, loopLength, introLength * bytesPerSample);
        mFMod->FSOUND_Sample_Unlock(joined, j1, j2, jn1, jn2);
    }
    freeBoth();
    // The loop runs from the end of the intro to the end of the joined sample (end exclusive).
    mFMod->FSOUND_Sample_SetLoopPoints(joined, static_cast<int>(introLength),
                                       static_cast<int>(introLength + loopLength));
    FModMusicInfo& info = mMusicMap[id];
    info.sample = joined;
    info.loop = loopFlag;
    return true;
}

void FModMusicInterface::PlayMusic(int id, int offset, bool noLoop)
{
    auto it = mMusicMap.find(id);
    if (it == mMusicMap.end()) return;
    FModMusicInfo& info = it->second;
    info.volume = info.maxVolume;
    info.fadeStep = 0;
    if (info.module)
    {
        SendVolume(id, info);
        mFMod->FMUSIC_SetLooping(info.module, noLoop ? 1 : 2);
        mFMod->FMUSIC_PlaySong(info.module);
        mFMod->FMUSIC_SetOrder(info.module, offset);
    }
    else
    {
        mFMod->FSOUND_PlaySound(id, info.sample);
        mFMod->FSOUND_SetLoopMode(id, info.loop ? FSOUND_LOOP_NORMAL : FSOUND_LOOP_OFF);
        SendVolume(id, info);
    }
}

void FModMusicInterface::StopInfo(int id, FModMusicInfo& info)
{
    info.volume = 0;
    if (info.module)
        mFMod->FMUSIC_StopSong(info.module);
    else
        mFMod->FSOUND_StopSound(id);
}

void FModMusicInterface::StopMusic(int id)
{
    auto it = mMusicMap.find(id);
    if (it != mMusicMap.end()) StopInfo(id, it->second);
}

void FModMusicInterface::StopAllMusic()
{
    for (auto& [id, info] : mMusicMap) StopInfo(id, info);
}

void FModMusicInterface::PauseMusic(int id)
{
    auto it = mMusicMap.find(id);
    if (it == mMusicMap.end()) return;
    if (it->second.module)
        mFMod->FMUSIC_SetPaused(it->second.module, 1);
    else
        mFMod->FSOUND_SetPaused(id, 1);
}

void FModMusicInterface::ResumeMusic(int id)
{
    auto it = mMusicMap.find(id);
    if (it == mMusicMap.end()) return;
    if (it->second.module)
        mFMod->FMUSIC_SetPaused(it->second.module, 0);
    else
        mFMod->FSOUND_SetPaused(id, 0);
}

void FModMusicInterface::FadeIn(int id, int offset, double speed, bool noLoop)
{
    auto it = mMusicMap.find(id);
    if (it == mMusicMap.end()) return;
    FModMusicInfo& info = it->second;
    info.fadeStep = speed;
    if (info.module)
    {
        SendVolume(id, info);
        mFMod->FMUSIC_SetLooping(info.module, noLoop ? 1 : 2);
        if (!mFMod->FMUSIC_IsPlaying(info.module)) mFMod->FMUSIC_PlaySong(info.module);
        if (offset != -1) mFMod->FMUSIC_SetOrder(info.module, offset);
    }
    else
    {
        if (!mFMod->FSOUND_IsPlaying(id))
        {
            mFMod->FSOUND_PlaySound(id, info.sample);
            mFMod->FSOUND_SetLoopMode(id, info.loop ? FSOUND_LOOP_NORMAL : FSOUND_LOOP_OFF);
        }
        SendVolume(id, info);
    }
}

void FModMusicInterface::FadeOut(int id, bool stopWhenSilent, double speed)
{
    auto it = mMusicMap.find(id);
    if (it == mMusicMap.end()) return;
    it->second.stopWhenSilent = stopWhenSilent;
    it->second.fadeStep = -speed;
}

void FModMusicInterface::FadeOutAll(bool stopWhenSilent, double speed)
{
    for (auto& [id, info] : mMusicMap)
    {
        info.stopWhenSilent = stopWhenSilent;
        info.fadeStep = -speed;
    }
}

void FModMusicInterface::SetSongVolume(int id, double volume)
{
    auto it = mMusicMap.find(id);
    if (it == mMusicMap.end()) return;
    it->second.volume = volume;
    SendVolume(id, it->second);
}

bool FModMusicInterface::IsPlaying(int id)
{
    auto it = mMusicMap.find(id);
    if (it == mMusicMap.end()) return false;
    if (it->second.module) return mFMod->FMUSIC_IsPlaying(it->second.module) != 0;
    return mFMod->FSOUND_IsPlaying(id) != 0;
}

void FModMusicInterface::SetVolume(double volume)
{
    mMusicVolume = volume;
    for (auto& [id, info] : mMusicMap) SendVolume(id, info);
}

void FModMusicInterface::Update()
{
    for (auto& [id, info] : mMusicMap)
    {
        const MusicFade::Step step = info.Advance();
        if (step == MusicFade::Step::None) continue;
        if (step == MusicFade::Step::Stop)
        {
            if (info.module)
                mFMod->FMUSIC_StopSong(info.module);
            else
                mFMod->FSOUND_StopSound(id);
        }
        SendVolume(id, info);
    }
}

} // namespace Zest
