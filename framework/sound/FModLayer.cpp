// The sample-and-channel music library over our mixer: whole-file samples, 64 channels, Ogg/WAV songs.
#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "sound/AudioEngine.h"
#include "sound/FModLibrary.h"
#include "sound/MusicChannel.h"

namespace Zest
{

struct FSOUND_SAMPLE
{
    SoundData data;
    PcmPtr published;
    unsigned int mode = 0;
    int frequency = 44100;
    int loopStart = 0;
    int loopEnd = 0; // exclusive: the first frame after the loop; 0 = the end of the sample
    bool locked = false;
};

struct FMUSIC_MODULE
{
    std::unique_ptr<MusicChannel> music;
    bool looping = true;
    int volume = 100;
};

namespace
{

constexpr int kChannels = 64;

struct FModChannel
{
    VoicePtr voice;
    FSOUND_SAMPLE* sample = nullptr;
    int volume = 100;
};

struct FModState
{
    std::recursive_mutex mutex;
    std::shared_ptr<AudioEngine> engine;
    std::set<FSOUND_SAMPLE*> samples;
    std::set<FMUSIC_MODULE*> songs;
    std::array<FModChannel, kChannels> channels;
};

FModState& State()
{
    static FModState* state = new FModState(); // outlives every static user
    return *state;
}

using Guard = std::lock_guard<std::recursive_mutex>;

bool KnownSample(FSOUND_SAMPLE* s)
{
    return s && State().samples.count(s);
}
bool KnownSong(FMUSIC_MODULE* m)
{
    return m && State().songs.count(m);
}
FModChannel* Channel(int index)
{
    if (!State().engine || index < 0 || index >= kChannels) return nullptr;
    return &State().channels[static_cast<size_t>(index)];
}
int BlockOf(const FSOUND_SAMPLE& s)
{
    return s.data.channels * s.data.bits / 8;
}
void Publish(FSOUND_SAMPLE& s)
{
    auto pcm = std::make_shared<PcmData>();
    pcm->channels = s.data.channels;
    pcm->rate = s.frequency;
    pcm->bits = s.data.bits;
    pcm->bytes = s.data.bytes;
    s.published = std::move(pcm);
}
void ModeFromData(FSOUND_SAMPLE& s)
{
    s.mode = (s.mode & FSOUND_LOOP_NORMAL) | (s.data.channels == 1 ? FSOUND_MONO : FSOUND_STEREO) |
             (s.data.bits == 8 ? FSOUND_8BITS : FSOUND_16BITS);
}

FBOOL SetBufferSize(int ms)
{
    return ms > 0 ? 1 : 0;
}
FBOOL SetHWND(void*)
{
    return 1;
}
FBOOL Init(int mixRate, int maxChannels, unsigned int)
{
    Guard lock(State().mutex);
    if (State().engine || mixRate <= 0 || maxChannels <= 0) return 0;
    State().engine = AudioEngine::Acquire();
    if (!State().engine) return 0;
    for (auto& c : State().channels) c.voice = State().engine->GetMixer().CreateVoice();
    return 1;
}
void Close()
{
    Guard lock(State().mutex);
    auto& s = State();
    for (auto& c : s.channels)
    {
        if (c.voice) c.voice->Stop();
        c = FModChannel{};
    }
    for (auto* song : s.songs) delete song;
    for (auto* sample : s.samples) delete sample;
    s.songs.clear();
    s.samples.clear();
    s.engine.reset();
}

FSOUND_SAMPLE* SampleLoad(int, const char* name, unsigned int mode, int)
{
    Guard lock(State().mutex);
    if (!State().engine || !name) return nullptr;
    const std::string ext = FileExtension(name);
    auto sample = std::make_unique<FSOUND_SAMPLE>();
    bool ok = false;
    if (ext == "wav")
    {
        if (auto file = OpenPakSoundFile(name)) ok = ReadWavSound(*file, sample->data);
    }
    else if (ext == "ogg")
        ok = ReadOggSound(OpenPakSoundFile(name), sample->data);
    if (!ok) return nullptr; // MP3 and anything else are not decoded here
    sample->frequency = sample->data.rate;
    sample->mode = mode & FSOUND_LOOP_NORMAL;
    ModeFromData(*sample);
    Publish(*sample);
    State().samples.insert(sample.get());
    return sample.release();
}

FSOUND_SAMPLE* SampleAlloc(int, int length, unsigned int mode, int frequency, int, int, int)
{
    Guard lock(State().mutex);
    if (!State().engine || length <= 0 || frequency < 100 || frequency > 200000) return nullptr;
    auto sample = std::make_unique<FSOUND_SAMPLE>();
    sample->data.channels = (mode & FSOUND_MONO) ? 1 : 2;
    sample->data.bits = (mode & FSOUND_8BITS) ? 8 : 16;
    sample->data.rate = frequency;
    const uint64_t bytes = static_cast<uint64_t>(length) * static_cast<uint64_t>(BlockOf(*sample));
    if (bytes > (256u << 20)) return nullptr;
    sample->data.bytes.assign(static_cast<size_t>(bytes), sample->data.bits == 8 ? 0x80 : 0);
    sample->frequency = frequency;
    sample->mode = mode;
    ModeFromData(*sample);
    Publish(*sample);
    State().samples.insert(sample.get());
    return sample.release();
}

void SampleFree(FSOUND_SAMPLE* sample)
{
    Guard lock(State().mutex);
    if (!KnownSample(sample)) return;
    for (auto& c : State().channels)
        if (c.sample == sample)
        {
            c.voice->Stop();
            c.sample = nullptr;
        }
    State().samples.erase(sample);
    delete sample;
}

FBOOL SampleLock(FSOUND_SAMPLE* sample, int offset, int length, void** p1, void** p2, unsigned int* n1,
                 unsigned int* n2)
{
    Guard lock(State().mutex);
    if (!KnownSample(sample) || !p1 || !n1 || offset < 0 || length <= 0 || sample->locked) return 0;
    const size_t size = sample->data.bytes.size();
    if (static_cast<size_t>(offset) >= size || static_cast<size_t>(length) > size - static_cast<size_t>(offset))
        return 0;
    sample->locked = true;
    *p1 = sample->data.bytes.data() + offset;
    *n1 = static_cast<unsigned int>(length);
    if (p2) *p2 = nullptr;
    if (n2) *n2 = 0;
    return 1;
}

FBOOL SampleUnlock(FSOUND_SAMPLE* sample, void*, void*, unsigned int, unsigned int)
{
    Guard lock(State().mutex);
    if (!KnownSample(sample) || !sample->locked) return 0;
    sample->locked = false;
    Publish(*sample); // channels already playing keep the PCM they started with
    return 1;
}

FBOOL SampleSetLoopPoints(FSOUND_SAMPLE* sample, int start, int end)
{
    Guard lock(State().mutex);
    if (!KnownSample(sample)) return 0;
    const int frames = static_cast<int>(sample->data.bytes.size() / static_cast<size_t>(BlockOf(*sample)));
    if (start < 0 || end <= start || end > frames) return 0;
    sample->loopStart = start;
    sample->loopEnd = end;
    return 1;
}

unsigned int SampleGetLength(FSOUND_SAMPLE* sample)
{
    Guard lock(State().mutex);
    if (!KnownSample(sample)) return 0;
    return static_cast<unsigned int>(sample->data.bytes.size() / static_cast<size_t>(BlockOf(*sample)));
}

FBOOL SampleGetDefaults(FSOUND_SAMPLE* sample, int* frequency, int* volume, int* pan, int* priority)
{
    Guard lock(State().mutex);
    if (!KnownSample(sample)) return 0;
    if (frequency) *frequency = sample->frequency;
    if (volume) *volume = 255;
    if (pan) *pan = 128;
    if (priority) *priority = 0;
    return 1;
}

unsigned int SampleGetMode(FSOUND_SAMPLE* sample)
{
    Guard lock(State().mutex);
    return KnownSample(sample) ? sample->mode : 0;
}

void ApplyChannelGain(FModChannel& c)
{
    const float g = static_cast<float>(std::clamp(c.volume, 0, 100)) / 100.0f;
    c.voice->SetGains(g, g);
}

int PlaySound(int channel, FSOUND_SAMPLE* sample)
{
    Guard lock(State().mutex);
    if (!KnownSample(sample) || !State().engine) return -1;
    if (channel == FSOUND_FREE)
    {
        for (int i = 0; i < kChannels; ++i)
            if (!State().channels[static_cast<size_t>(i)].voice->IsPlaying())
            {
                channel = i;
                break;
            }
    }
    FModChannel* c = Channel(channel);
    if (!c) return -1;
    c->voice->Stop();
    c->sample = sample;
    c->volume = 100; // the sample's default volume: full
    c->voice->SetPcm(sample->published);
    c->voice->SetFrequency(sample->frequency);
    c->voice->SetLoopPoints(sample->loopStart, sample->loopEnd);
    ApplyChannelGain(*c);
    c->voice->Play((sample->mode & FSOUND_LOOP_NORMAL) != 0);
    return channel;
}

FBOOL StopSound(int channel)
{
    Guard lock(State().mutex);
    FModChannel* c = Channel(channel);
    if (!c) return 0;
    c->voice->Stop();
    return 1;
}

FBOOL SetVolume(int channel, int volume)
{
    Guard lock(State().mutex);
    FModChannel* c = Channel(channel);
    if (!c) return 0;
    c->volume = volume;
    ApplyChannelGain(*c);
    return 1;
}

FBOOL SetPaused(int channel, FBOOL paused)
{
    Guard lock(State().mutex);
    FModChannel* c = Channel(channel);
    if (!c) return 0;
    c->voice->SetPaused(paused != 0);
    return 1;
}

FBOOL SetLoopMode(int channel, unsigned int mode)
{
    Guard lock(State().mutex);
    FModChannel* c = Channel(channel);
    if (!c) return 0;
    c->voice->SetLooping((mode & FSOUND_LOOP_NORMAL) != 0);
    return 1;
}

FBOOL IsPlaying(int channel)
{
    Guard lock(State().mutex);
    FModChannel* c = Channel(channel);
    return c && (c->voice->IsPlaying() || c->voice->IsPaused()) ? 1 : 0;
}

FSOUND_STREAM* StreamOpenFile(const char*, unsigned int, int)
{
    return nullptr;
}
FBOOL StreamClose(FSOUND_STREAM*)
{
    return 0;
}
int StreamPlay(int, FSOUND_STREAM*)
{
    return -1;
}

// Songs: tracker modules are not supported; Ogg Vorbis and WAV files play as songs of one order.
FMUSIC_MODULE* LoadSong(const char* name)
{
    Guard lock(State().mutex);
    if (!State().engine || !name) return nullptr;
    auto music = MusicChannel::Open(State().engine, name);
    if (!music) return nullptr;
    auto* song = new FMUSIC_MODULE();
    song->music = std::move(music);
    song->music->SetLooping(true);
    State().songs.insert(song);
    return song;
}

FBOOL PlaySong(FMUSIC_MODULE* m)
{
    Guard lock(State().mutex);
    if (!KnownSong(m)) return 0;
    m->music->SetLooping(m->looping);
    m->music->Play(true);
    return 1;
}

FBOOL StopSong(FMUSIC_MODULE* m)
{
    Guard lock(State().mutex);
    if (!KnownSong(m)) return 0;
    m->music->Stop();
    return 1;
}

FBOOL SetLooping(FMUSIC_MODULE* m, FBOOL looping)
{
    Guard lock(State().mutex);
    if (!KnownSong(m)) return 0;
    // Callers pass the loop-mode values: 2 loops, 1 (like 0) does not.
    m->looping = looping == 2;
    m->music->SetLooping(m->looping);
    return 1;
}

FBOOL SetOrder(FMUSIC_MODULE* m, int order)
{
    Guard lock(State().mutex);
    if (!KnownSong(m) || order != 0) return 0;
    return m->music->SeekFrame(0) ? 1 : 0;
}

FBOOL SetSongPaused(FMUSIC_MODULE* m, FBOOL paused)
{
    Guard lock(State().mutex);
    if (!KnownSong(m)) return 0;
    if (paused)
    {
        if (m->music->Activity() == 1) m->music->Pause();
    }
    else if (m->music->Activity() == 3)
        m->music->Play(false);
    return 1;
}

FBOOL SetMasterVolume(FMUSIC_MODULE* m, int volume)
{
    Guard lock(State().mutex);
    if (!KnownSong(m)) return 0;
    m->volume = std::clamp(volume, 0, 100);
    m->music->SetGain(static_cast<float>(m->volume) / 100.0f);
    return 1;
}

FBOOL SongIsPlaying(FMUSIC_MODULE* m)
{
    Guard lock(State().mutex);
    return KnownSong(m) && m->music->Activity() != 0 ? 1 : 0;
}

} // namespace

void RegisterFModModule()
{
    Platform::RegisterModule(
        "fmod.dll",
        {
            {"_FSOUND_SetBufferSize@4", Platform::Entry(&FMOD_INSTANCE::FSOUND_SetBufferSize, &SetBufferSize)},
            {"_FSOUND_SetHWND@4", Platform::Entry(&FMOD_INSTANCE::FSOUND_SetHWND, &SetHWND)},
            {"_FSOUND_Init@12", Platform::Entry(&FMOD_INSTANCE::FSOUND_Init, &Init)},
            {"_FSOUND_Close@0", Platform::Entry(&FMOD_INSTANCE::FSOUND_Close, &Close)},
            {"_FSOUND_Sample_Load@16", Platform::Entry(&FMOD_INSTANCE::FSOUND_Sample_Load, &SampleLoad)},
            {"_FSOUND_Sample_Alloc@28", Platform::Entry(&FMOD_INSTANCE::FSOUND_Sample_Alloc, &SampleAlloc)},
            {"_FSOUND_Sample_Free@4", Platform::Entry(&FMOD_INSTANCE::FSOUND_Sample_Free, &SampleFree)},
            {"_FSOUND_Sample_Lock@28", Platform::Entry(&FMOD_INSTANCE::FSOUND_Sample_Lock, &SampleLock)},
            {"_FSOUND_Sample_Unlock@20", Platform::Entry(&FMOD_INSTANCE::FSOUND_Sample_Unlock, &SampleUnlock)},
            {"_FSOUND_Sample_SetLoopPoints@12",
             Platform::Entry(&FMOD_INSTANCE::FSOUND_Sample_SetLoopPoints, &SampleSetLoopPoints)},
            {"_FSOUND_Sample_GetLength@4", Platform::Entry(&FMOD_INSTANCE::FSOUND_Sample_GetLength, &SampleGetLength)},
            {"_FSOUND_Sample_GetDefaults@20",
             Platform::Entry(&FMOD_INSTANCE::FSOUND_Sample_GetDefaults, &SampleGetDefaults)},
            {"_FSOUND_Sample_GetMode@4", Platform::Entry(&FMOD_INSTANCE::FSOUND_Sample_GetMode, &SampleGetMode)},
            {"_FSOUND_PlaySound@8", Platform::Entry(&FMOD_INSTANCE::FSOUND_PlaySound, &PlaySound)},
            {"_FSOUND_StopSound@4", Platform::Entry(&FMOD_INSTANCE::FSOUND_StopSound, &StopSound)},
            {"_FSOUND_SetVolume@8", Platform::Entry(&FMOD_INSTANCE::FSOUND_SetVolume, &SetVolume)},
            {"_FSOUND_SetPaused@8", Platform::Entry(&FMOD_INSTANCE::FSOUND_SetPaused, &SetPaused)},
            {"_FSOUND_SetLoopMode@8", Platform::Entry(&FMOD_INSTANCE::FSOUND_SetLoopMode, &SetLoopMode)},
            {"_FSOUND_IsPlaying@4", Platform::Entry(&FMOD_INSTANCE::FSOUND_IsPlaying, &IsPlaying)},
            {"_FSOUND_Stream_OpenFile@12", Platform::Entry(&FMOD_INSTANCE::FSOUND_Stream_OpenFile, &StreamOpenFile)},
            {"_FSOUND_Stream_Close@4", Platform::Entry(&FMOD_INSTANCE::FSOUND_Stream_Close, &StreamClose)},
            {"_FSOUND_Stream_Play@8", Platform::Entry(&FMOD_INSTANCE::FSOUND_Stream_Play, &StreamPlay)},
            {"_FMUSIC_LoadSong@4", Platform::Entry(&FMOD_INSTANCE::FMUSIC_LoadSong, &LoadSong)},
            {"_FMUSIC_PlaySong@4", Platform::Entry(&FMOD_INSTANCE::FMUSIC_PlaySong, &PlaySong)},
            {"_FMUSIC_StopSong@4", Platform::Entry(&FMOD_INSTANCE::FMUSIC_StopSong, &StopSong)},
            {"_FMUSIC_SetLooping@8", Platform::Entry(&FMOD_INSTANCE::FMUSIC_SetLooping, &SetLooping)},
            {"_FMUSIC_SetOrder@8", Platform::Entry(&FMOD_INSTANCE::FMUSIC_SetOrder, &SetOrder)},
            {"_FMUSIC_SetPaused@8", Platform::Entry(&FMOD_INSTANCE::FMUSIC_SetPaused, &SetSongPaused)},
            {"_FMUSIC_SetMasterVolume@8", Platform::Entry(&FMOD_INSTANCE::FMUSIC_SetMasterVolume, &SetMasterVolume)},
            {"_FMUSIC_IsPlaying@4", Platform::Entry(&FMOD_INSTANCE::FMUSIC_IsPlaying, &SongIsPlaying)},
        });
}

} // namespace Zest
