// Music over the sample-and-channel music library: songs as whole samples on numbered channels, or as songs.
#pragma once

#include <algorithm>
#include <map>
#include <string>

#include "platform/Window.h"
#include "sound/FModLibrary.h"
#include "sound/MusicFade.h"
#include "sound/SoundServices.h"

namespace Zest
{

struct FModMusicInfo : MusicFade
{
    FSOUND_SAMPLE* sample = nullptr;
    FMUSIC_MODULE* module = nullptr;
    bool loop = false;
};

class FModMusicInterface : public MusicInterface
{
public:
    explicit FModMusicInterface(Platform::HWND window);
    ~FModMusicInterface() override;

    bool LoadMusic(int id, const std::string& fileName) override;
    void PlayMusic(int id, int offset, bool noLoop) override;
    void StopMusic(int id) override;
    void PauseMusic(int id) override;
    void ResumeMusic(int id) override;
    void StopAllMusic() override;
    void FadeIn(int id, int offset, double speed, bool noLoop) override;
    void FadeOut(int id, bool stopWhenSilent, double speed) override;
    void FadeOutAll(bool stopWhenSilent, double speed) override;
    void SetSongVolume(int id, double volume) override;
    bool IsPlaying(int id) override;
    void SetVolume(double volume) override;
    void Update() override;

    // Names are given without their ".ogg" extension.
    bool LoadSample(int id, const std::string& name, bool loop);
    bool LoadLoopedSample(int id, const std::string& intro, const std::string& loop, bool loopFlag);

    bool Fading() const override
    {
        return std::any_of(mMusicMap.begin(), mMusicMap.end(),
                           [](const auto& song) { return song.second.fadeStep != 0; });
    }

    const std::map<int, FModMusicInfo>& Songs() const { return mMusicMap; }

private:
    FSOUND_SAMPLE* LoadCachedSample(const std::string& name);
    void SendVolume(int id, const FModMusicInfo& info);
    void StopInfo(int id, FModMusicInfo& info);

    FMOD_INSTANCE* mFMod;
    std::map<int, FModMusicInfo> mMusicMap;
    double mMusicVolume = 1.0;
    int mModuleVolumeScale = 100;
    int mSampleVolumeScale = 100;
};

} // namespace Zest
