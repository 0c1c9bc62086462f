// A streamed song on one mixer voice: the shared piece under both music libraries.
//
// Stopping keeps the position, so playing again without a restart continues where the song stopped; looping
// songs start over at their end without a gap. Positions are frames of the decoded output.
#pragma once

#include <memory>
#include <string>

#include "sound/AudioEngine.h"
#include "sound/Mixer.h"

namespace Zest
{

class MusicChannel
{
public:
    // An Ogg Vorbis or WAV file (by its extension, any case), through the pack wrappers; null when unreadable.
    static std::unique_ptr<MusicChannel> Open(std::shared_ptr<AudioEngine> engine, const std::string& name);
    ~MusicChannel();

    void Play(bool restart);
    void Stop();
    void Pause();
    // 0 stopped or ended, 1 playing, 3 paused.
    int Activity();
    void SetLooping(bool looping);
    bool Looping() const { return mLooping; }
    // Linear gain, 0..1.
    void SetGain(float gain);
    bool SeekFrame(int64_t frame);
    int64_t PositionFrames();
    int Channels() const { return mStream->Channels(); }

private:
    MusicChannel(std::shared_ptr<AudioEngine> engine, StreamPtr stream);
    std::shared_ptr<AudioEngine> mEngine;
    StreamPtr mStream;
    VoicePtr mVoice;
    bool mLooping = false;
};

// Lower-cased text after the last '.', or "" when there is none.
std::string FileExtension(const std::string& name);

} // namespace Zest
