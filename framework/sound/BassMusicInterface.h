// Music over the stream music library: songs by id, fades run one step per application update.
#pragma once

#include <algorithm>
#include <map>
#include <string>

#include "platform/Window.h"
#include "sound/BassLibrary.h"
#include "sound/MusicFade.h"
#include "sound/SoundServices.h"

namespace Zest
{

struct MusicInfo : MusicFade
{
    HMUSIC module = 0;
    HSTREAM stream = 0;

    DWORD Channel() const { return module ? module : stream; }
};

class BassMusicInterface : public MusicInterface
{
public:
    explicit BassMusicInterface(Platform::HWND window);
    ~BassMusicInterface() override;

    bool LoadMusic(int id, const std::string& fileName) override;
    void PlayMusic(int id, int offset, bool noLoop) override;
    void StopMusic(int id) override;
    void PauseMusic(int id) override;
    void ResumeMusic(int id) override;
    void StopAllMusic() override;
    void UnloadMusic(int id) override;
    void UnloadAllMusic() override;
    void PauseAllMusic() override;
    void ResumeAllMusic() override;
    void FadeIn(int id, int offset, double speed, bool noLoop) override;
    void FadeOut(int id, bool stopWhenSilent, double speed) override;
    void FadeOutAll(bool stopWhenSilent, double speed) override;
    void SetSongVolume(int id, double volume) override;
    void SetSongMaxVolume(int id, double volume) override;
    bool IsPlaying(int id) override;
    void SetVolume(double volume) override;
    void SetMusicAmplify(int id, double amplify) override;
    void Update() override;

    bool Fading() const override
    {
        return std::any_of(mMusicMap.begin(), mMusicMap.end(),
                           [](const auto& song) { return song.second.fadeStep != 0; });
    }

    const std::map<int, MusicInfo>& Songs() const { return mMusicMap; }

private:
    void SendVolume(const MusicInfo& info);
    void StartModule(DWORD module, int order, DWORD flags);
    void StartStream(DWORD stream, int offset, DWORD flags);

    BASS_INSTANCE* mBass;
    std::map<int, MusicInfo> mMusicMap;
    int mMaxMusicVolume = 40;
};

} // namespace Zest
