// Streamed songs over the mixer for the music libraries.
#include "sound/MusicChannel.h"

#include "base/Common.h"
#include "sound/SoundReaders.h"

namespace Zest
{

namespace
{
constexpr int kStartFrames = 8192;
} // namespace

std::string FileExtension(const std::string& name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return std::string();
    return StringToLower(name.substr(dot + 1));
}

std::unique_ptr<MusicChannel> MusicChannel::Open(std::shared_ptr<AudioEngine> engine, const std::string& name)
{
    if (!engine) return nullptr;
    const std::string ext = FileExtension(name);
    std::unique_ptr<StreamSource> source;
    if (ext == "ogg")
        source = OpenOggStream(OpenPakSoundFile(name));
    else if (ext == "wav")
        if (auto file = OpenPakSoundFile(name)) source = OpenWavStream(*file);
    if (!source) return nullptr;
    auto stream = std::make_shared<Stream>(std::move(source));
    return std::unique_ptr<MusicChannel>(new MusicChannel(std::move(engine), std::move(stream)));
}

MusicChannel::MusicChannel(std::shared_ptr<AudioEngine> engine, StreamPtr stream)
    : mEngine(std::move(engine)), mStream(std::move(stream)), mVoice(mEngine->GetMixer().CreateVoice())
{
    mVoice->SetStream(mStream);
}

MusicChannel::~MusicChannel()
{
    mVoice->Stop();
}

void MusicChannel::Play(bool restart)
{
    if (restart)
    {
        mVoice->Stop();
        mStream->SeekFrame(0);
        mVoice->SetStream(mStream); // drops what the voice had buffered
    }
    mStream->SetLooping(mLooping);
    // A few blocks decoded here, so the output never waits for the feeder's first turn. The feeder is woken once
    // the voice plays: it feeds only what plays.
    mStream->Fill(kStartFrames);
    mVoice->Play(mLooping);
    mEngine->WakeFeeder();
}

void MusicChannel::Stop()
{
    mVoice->Stop();
}

void MusicChannel::Pause()
{
    mVoice->SetPaused(true);
}

int MusicChannel::Activity()
{
    if (mVoice->IsPaused()) return 3;
    return mVoice->IsPlaying() ? 1 : 0;
}

void MusicChannel::SetLooping(bool looping)
{
    mLooping = looping;
    mVoice->SetLooping(looping);
    // A song read to its end before looping was asked for decodes again from its start: the feeder must not wait.
    if (looping) mEngine->WakeFeeder();
}

void MusicChannel::SetGain(float gain)
{
    mVoice->SetGains(gain, gain);
}

bool MusicChannel::SeekFrame(int64_t frame)
{
    const bool playing = mVoice->IsPlaying();
    if (playing) mVoice->Stop();
    const bool ok = mStream->SeekFrame(frame);
    mVoice->SetStream(mStream);
    mStream->Fill(kStartFrames);
    if (playing) mVoice->Play(mLooping);
    mEngine->WakeFeeder();
    return ok;
}

int64_t MusicChannel::PositionFrames()
{
    return mStream->Position();
}

} // namespace Zest
