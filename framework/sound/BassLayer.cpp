// The stream music library over our mixer: streams on voices, handles, attributes and global volumes.
#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

#include "sound/AudioEngine.h"
#include "sound/BassLibrary.h"
#include "sound/MusicChannel.h"

namespace Zest
{

namespace
{

struct BassChannel
{
    std::unique_ptr<MusicChannel> music;
    int volume = 100; // attribute, 0..100
};

struct BassState
{
    std::recursive_mutex mutex;
    std::shared_ptr<AudioEngine> engine;
    std::map<DWORD, BassChannel> channels;
    DWORD nextHandle = 1;
    int error = BASS_OK;
    DWORD streamVolume = 100; // global stream volume, 0..100
    DWORD musicVolume = 100;  // global module volume, 0..100
    DWORD outputVolume = 100;
    DWORD bufferMs = 500;
};

BassState& State()
{
    static BassState* state = new BassState(); // outlives every static user
    return *state;
}

constexpr DWORD kStreamTag = 0x10000000;

template <typename R>
R Fail(int code, R result)
{
    State().error = code;
    return result;
}

BassChannel* Find(DWORD handle)
{
    auto& s = State();
    auto it = s.channels.find(handle);
    if (it == s.channels.end())
    {
        s.error = BASS_ERROR_HANDLE;
        return nullptr;
    }
    s.error = BASS_OK;
    return &it->second;
}

float GainOf(const BassChannel& c)
{
    return static_cast<float>(c.volume) / 100.0f * static_cast<float>(State().streamVolume) / 100.0f;
}

void ApplyAllGains()
{
    for (auto& [handle, channel] : State().channels) channel.music->SetGain(GainOf(channel));
}

BASSBOOL BASS_Init(int device, DWORD, DWORD, void*, const void*)
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (s.engine) return Fail(BASS_ERROR_ALREADY, 0);
    if (device < -1 || device > 1) return Fail(BASS_ERROR_DEVICE, 0);
    s.engine = AudioEngine::Acquire();
    if (!s.engine) return Fail(BASS_ERROR_DEVICE, 0);
    s.error = BASS_OK;
    return 1;
}

BASSBOOL BASS_Free()
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (!s.engine) return Fail(BASS_ERROR_INIT, 0);
    s.channels.clear();
    s.engine.reset();
    s.error = BASS_OK;
    return 1;
}

BASSBOOL BASS_Start()
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (!s.engine) return Fail(BASS_ERROR_INIT, 0);
    s.error = BASS_OK;
    return 1;
}

BASSBOOL BASS_Stop()
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (!s.engine) return Fail(BASS_ERROR_INIT, 0);
    for (auto& [handle, channel] : s.channels) channel.music->Stop();
    s.error = BASS_OK;
    return 1;
}

DWORD BASS_SetConfig(DWORD option, DWORD value)
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    switch (option)
    {
    case BASS_CONFIG_BUFFER:
        s.bufferMs = value; // the ring is fixed at two seconds; kept for the query
        return value;
    case BASS_CONFIG_GVOL_STREAM:
        s.streamVolume = std::min<DWORD>(value, 100);
        ApplyAllGains();
        return s.streamVolume;
    case BASS_CONFIG_GVOL_MUSIC:
        s.musicVolume = std::min<DWORD>(value, 100);
        return s.musicVolume;
    default:
        return Fail(BASS_ERROR_ILLPARAM, static_cast<DWORD>(-1));
    }
}

DWORD BASS_GetConfig(DWORD option)
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    switch (option)
    {
    case BASS_CONFIG_BUFFER:
        return s.bufferMs;
    case BASS_CONFIG_GVOL_STREAM:
        return s.streamVolume;
    case BASS_CONFIG_GVOL_MUSIC:
        return s.musicVolume;
    default:
        return Fail(BASS_ERROR_ILLPARAM, static_cast<DWORD>(-1));
    }
}

BASSBOOL BASS_SetGlobalVolumes(int music, int, int stream)
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (music >= 0) s.musicVolume = static_cast<DWORD>(std::min(music, 100));
    if (stream >= 0) s.streamVolume = static_cast<DWORD>(std::min(stream, 100));
    ApplyAllGains();
    return 1;
}

BASSBOOL BASS_SetVolume(DWORD volume)
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (volume > 100) return Fail(BASS_ERROR_ILLPARAM, 0);
    s.outputVolume = volume;
    return 1;
}

DWORD BASS_GetVolume()
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    return s.outputVolume;
}

DWORD BASS_GetVersion()
{
    return 0x02000000;
}

HSTREAM BASS_StreamCreateFile(BASSBOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags)
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (!s.engine) return Fail(BASS_ERROR_INIT, 0u);
    if (mem || !file || offset != 0 || length != 0) return Fail(BASS_ERROR_NOTAVAIL, 0u);
    auto music = MusicChannel::Open(s.engine, static_cast<const char*>(file));
    if (!music) return Fail(BASS_ERROR_FILEFORM, 0u);
    music->SetLooping((flags & BASS_SAMPLE_LOOP) != 0);
    const DWORD handle = kStreamTag | (s.nextHandle++ & 0x0FFFFFFF);
    BassChannel& channel = s.channels[handle];
    channel.music = std::move(music);
    channel.music->SetGain(GainOf(channel));
    s.error = BASS_OK;
    return handle;
}

void BASS_StreamFree(HSTREAM handle)
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (Find(handle)) s.channels.erase(handle);
}

HMUSIC BASS_MusicLoad(BASSBOOL, const void*, QWORD, DWORD, DWORD, DWORD)
{
    // Tracker modules are not supported: the game ships none.
    return Fail(BASS_ERROR_FILEFORM, 0u);
}

void BASS_MusicFree(HMUSIC)
{
    State().error = BASS_ERROR_HANDLE;
}

BASSBOOL BASS_MusicSetAttribute(DWORD, DWORD, DWORD)
{
    return Fail(BASS_ERROR_HANDLE, 0);
}

BASSBOOL BASS_ChannelPlay(DWORD handle, BASSBOOL restart)
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    BassChannel* c = Find(handle);
    if (!c) return 0;
    c->music->Play(restart != 0);
    return 1;
}

BASSBOOL BASS_ChannelStop(DWORD handle)
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    BassChannel* c = Find(handle);
    if (!c) return 0;
    c->music->Stop();
    return 1;
}

BASSBOOL BASS_ChannelPause(DWORD handle)
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    BassChannel* c = Find(handle);
    if (!c) return 0;
    if (c->music->Activity() != BASS_ACTIVE_PLAYING) return Fail(BASS_ERROR_NOTAVAIL, 0);
    c->music->Pause();
    return 1;
}

DWORD BASS_ChannelIsActive(DWORD handle)
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    BassChannel* c = Find(handle);
    return c ? static_cast<DWORD>(c->music->Activity()) : BASS_ACTIVE_STOPPED;
}

BASSBOOL BASS_ChannelSetFlags(DWORD handle, DWORD flags)
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    BassChannel* c = Find(handle);
    if (!c) return 0;
    c->music->SetLooping((flags & BASS_SAMPLE_LOOP) != 0);
    return 1;
}

BASSBOOL BASS_ChannelSetAttributes(DWORD handle, int, int volume, int)
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    BassChannel* c = Find(handle);
    if (!c) return 0;
    // -1 leaves the volume as it is (as the frequency and pan sentinels do for theirs).
    if (volume != -1)
    {
        c->volume = std::clamp(volume, 0, 100);
        c->music->SetGain(GainOf(*c));
    }
    return 1;
}

BASSBOOL BASS_ChannelGetAttributes(DWORD handle, DWORD* freq, DWORD* volume, int* pan)
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    BassChannel* c = Find(handle);
    if (!c) return 0;
    if (freq) *freq = 44100;
    if (volume) *volume = static_cast<DWORD>(c->volume);
    if (pan) *pan = 0;
    return 1;
}

BASSBOOL BASS_ChannelSetPosition(DWORD handle, QWORD position)
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    BassChannel* c = Find(handle);
    if (!c) return 0;
    // Order positions (high half all ones) belong to modules; streams take byte positions of the output.
    if ((position >> 32) == 0xFFFFFFFFu) return Fail(BASS_ERROR_NOTAVAIL, 0);
    const QWORD frameBytes = static_cast<QWORD>(c->music->Channels()) * 2;
    return c->music->SeekFrame(static_cast<int64_t>(position / frameBytes)) ? 1 : Fail(BASS_ERROR_ILLPARAM, 0);
}

QWORD BASS_ChannelGetPosition(DWORD handle)
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    BassChannel* c = Find(handle);
    if (!c) return static_cast<QWORD>(-1);
    return static_cast<QWORD>(c->music->PositionFrames()) * static_cast<QWORD>(c->music->Channels()) * 2;
}

int BASS_ErrorGetCode()
{
    return State().error;
}

// Entries that exist for the lookup only.
DWORD BASS_NotAvailable()
{
    State().error = BASS_ERROR_NOTAVAIL;
    return 0;
}

} // namespace

float BassChannelGain(DWORD handle)
{
    auto& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    BassChannel* c = Find(handle);
    return c ? GainOf(*c) : 0.0f;
}

void RegisterBassModule()
{
    const Platform::ModuleEntry stub = Platform::Entry<DWORD()>(&BASS_NotAvailable);
    std::map<std::string, Platform::ModuleEntry> entries = {
        {"BASS_Init", Platform::Entry(&BASS_INSTANCE::BASS_Init, &BASS_Init)},
        {"BASS_Free", Platform::Entry(&BASS_INSTANCE::BASS_Free, &BASS_Free)},
        {"BASS_Stop", Platform::Entry(&BASS_INSTANCE::BASS_Stop, &BASS_Stop)},
        {"BASS_Start", Platform::Entry(&BASS_INSTANCE::BASS_Start, &BASS_Start)},
        {"BASS_SetGlobalVolumes", Platform::Entry(&BASS_INSTANCE::BASS_SetGlobalVolumes, &BASS_SetGlobalVolumes)},
        {"BASS_SetVolume", Platform::Entry(&BASS_INSTANCE::BASS_SetVolume, &BASS_SetVolume)},
        {"BASS_SetConfig", Platform::Entry(&BASS_INSTANCE::BASS_SetConfig, &BASS_SetConfig)},
        {"BASS_GetConfig", Platform::Entry(&BASS_INSTANCE::BASS_GetConfig, &BASS_GetConfig)},
        {"BASS_GetVolume", Platform::Entry(&BASS_INSTANCE::BASS_GetVolume, &BASS_GetVolume)},
        {"BASS_GetVersion", Platform::Entry(&BASS_INSTANCE::BASS_GetVersion, &BASS_GetVersion)},
        {"BASS_ChannelStop", Platform::Entry(&BASS_INSTANCE::BASS_ChannelStop, &BASS_ChannelStop)},
        {"BASS_ChannelPlay", Platform::Entry(&BASS_INSTANCE::BASS_ChannelPlay, &BASS_ChannelPlay)},
        {"BASS_ChannelPause", Platform::Entry(&BASS_INSTANCE::BASS_ChannelPause, &BASS_ChannelPause)},
        {"BASS_ChannelSetAttributes",
         Platform::Entry(&BASS_INSTANCE::BASS_ChannelSetAttributes, &BASS_ChannelSetAttributes)},
        {"BASS_ChannelGetAttributes",
         Platform::Entry(&BASS_INSTANCE::BASS_ChannelGetAttributes, &BASS_ChannelGetAttributes)},
        {"BASS_ChannelSetPosition", Platform::Entry(&BASS_INSTANCE::BASS_ChannelSetPosition, &BASS_ChannelSetPosition)},
        {"BASS_ChannelGetPosition", Platform::Entry(&BASS_INSTANCE::BASS_ChannelGetPosition, &BASS_ChannelGetPosition)},
        {"BASS_ChannelIsActive", Platform::Entry(&BASS_INSTANCE::BASS_ChannelIsActive, &BASS_ChannelIsActive)},
        {"BASS_ChannelSetFlags", Platform::Entry(&BASS_INSTANCE::BASS_ChannelSetFlags, &BASS_ChannelSetFlags)},
        {"BASS_MusicLoad", Platform::Entry(&BASS_INSTANCE::BASS_MusicLoad, &BASS_MusicLoad)},
        {"BASS_MusicFree", Platform::Entry(&BASS_INSTANCE::BASS_MusicFree, &BASS_MusicFree)},
        {"BASS_MusicSetAttribute", Platform::Entry(&BASS_INSTANCE::BASS_MusicSetAttribute, &BASS_MusicSetAttribute)},
        {"BASS_StreamCreateFile", Platform::Entry(&BASS_INSTANCE::BASS_StreamCreateFile, &BASS_StreamCreateFile)},
        {"BASS_StreamFree", Platform::Entry(&BASS_INSTANCE::BASS_StreamFree, &BASS_StreamFree)},
        {"BASS_ErrorGetCode", Platform::Entry(&BASS_INSTANCE::BASS_ErrorGetCode, &BASS_ErrorGetCode)},
    };
    for (const char* name :
         {"BASS_GetInfo",         "BASS_ChannelSlideAttributes", "BASS_ChannelIsSliding", "BASS_ChannelGetLevel",
          "BASS_ChannelSetSync",  "BASS_ChannelRemoveSync",      "BASS_ChannelGetData",   "BASS_FXSetParameters",
          "BASS_FXGetParameters", "BASS_ChannelSetFX",           "BASS_ChannelRemoveFX",  "BASS_MusicGetAttribute",
          "BASS_MusicGetOrders",  "BASS_MusicGetOrderPosition",  "BASS_SampleLoad",       "BASS_SampleFree",
          "BASS_SampleSetInfo",   "BASS_SampleGetInfo",          "BASS_SampleGetChannel", "BASS_SampleStop",
          "BASS_PluginLoad",      "BASS_ChannelGetLength",       "BASS_ChannelPreBuf"})
        entries[name] = stub;
    Platform::RegisterModule("bass.dll", entries);
}

} // namespace Zest
