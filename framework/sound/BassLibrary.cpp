// Reaching the stream music library through the module table, shared by reference count.
#include "sound/BassLibrary.h"

#include <atomic>
#include <cstdlib>
#include <string>

#include "platform/MessageBox.h"

namespace Zest
{

namespace
{
std::atomic<int> gUsers{0};
BASS_INSTANCE* gInstance = nullptr;

[[noreturn]] void Fatal(const std::string& text)
{
    Platform::MessageBox(nullptr, text, "Error", Platform::MB_OK | Platform::MB_ICONERROR);
    std::exit(0);
}

void* Find(BASS_INSTANCE& bass, const char* name)
{
    return Platform::GetProcAddress(bass.module, name);
}

void* Require(BASS_INSTANCE& bass, const char* name)
{
    void* entry = Find(bass, name);
    if (!entry) Fatal(std::string(name) + " function not found in bass.dll");
    return entry;
}

template <typename T>
void Required(BASS_INSTANCE& bass, T& pointer, const char* name)
{
    pointer = reinterpret_cast<T>(Require(bass, name));
}
} // namespace

BASS_INSTANCE::~BASS_INSTANCE()
{
    if (module) Platform::FreeLibrary(module);
}

BASS_INSTANCE* LoadBassDLL()
{
    ++gUsers;
    if (gInstance) return gInstance;
    auto* bass = new BASS_INSTANCE();
    bass->module = Platform::LoadLibrary(".\\bass.dll");
    if (!bass->module) Fatal("Can't find bass.dll.");

    void* init = Require(*bass, "BASS_Init");
    Required(*bass, bass->BASS_Free, "BASS_Free");
    Required(*bass, bass->BASS_Stop, "BASS_Stop");
    Required(*bass, bass->BASS_Start, "BASS_Start");
    bass->BASS_SetGlobalVolumes =
        reinterpret_cast<decltype(bass->BASS_SetGlobalVolumes)>(Find(*bass, "BASS_SetGlobalVolumes"));
    bass->BASS_SetVolume = reinterpret_cast<decltype(bass->BASS_SetVolume)>(Find(*bass, "BASS_SetVolume"));
    if (!bass->BASS_SetGlobalVolumes && !bass->BASS_SetVolume)
        Fatal("Neither BASS_SetGlobalVolumes or BASS_SetVolume found in bass.dll");
    bass->BASS_SetConfig = reinterpret_cast<decltype(bass->BASS_SetConfig)>(Find(*bass, "BASS_SetConfig"));
    bass->BASS_GetConfig = reinterpret_cast<decltype(bass->BASS_GetConfig)>(Find(*bass, "BASS_GetConfig"));
    bass->newer = bass->BASS_SetConfig != nullptr;
    if (bass->newer)
        bass->BASS_Init = reinterpret_cast<decltype(bass->BASS_Init)>(init);
    else
        bass->BASS_InitOld = reinterpret_cast<decltype(bass->BASS_InitOld)>(init);

    for (const char* name : {"BASS_GetVolume", "BASS_GetInfo", "BASS_GetVersion"})
        bass->others.push_back(Require(*bass, name));
    Required(*bass, bass->BASS_ChannelStop, "BASS_ChannelStop");
    Required(*bass, bass->BASS_ChannelPlay, "BASS_ChannelPlay");
    Required(*bass, bass->BASS_ChannelPause, "BASS_ChannelPause");
    Required(*bass, bass->BASS_ChannelSetAttributes, "BASS_ChannelSetAttributes");
    bass->others.push_back(Require(*bass, "BASS_ChannelGetAttributes"));
    Required(*bass, bass->BASS_ChannelSetPosition, "BASS_ChannelSetPosition");
    bass->others.push_back(Require(*bass, "BASS_ChannelGetPosition"));
    Required(*bass, bass->BASS_ChannelIsActive, "BASS_ChannelIsActive");
    Required(*bass, bass->BASS_ChannelSetFlags, "BASS_ChannelSetFlags");
    for (const char* name :
         {"BASS_ChannelSlideAttributes", "BASS_ChannelIsSliding", "BASS_ChannelGetLevel", "BASS_ChannelSetSync",
          "BASS_ChannelRemoveSync", "BASS_ChannelGetData", "BASS_FXSetParameters", "BASS_FXGetParameters",
          "BASS_ChannelSetFX", "BASS_ChannelRemoveFX"})
        bass->others.push_back(Require(*bass, name));
    void* musicLoad = Require(*bass, "BASS_MusicLoad");
    if (bass->newer)
        bass->BASS_MusicLoad = reinterpret_cast<decltype(bass->BASS_MusicLoad)>(musicLoad);
    else
        bass->BASS_MusicLoadOld = reinterpret_cast<decltype(bass->BASS_MusicLoadOld)>(musicLoad);
    Required(*bass, bass->BASS_MusicFree, "BASS_MusicFree");
    bass->others.push_back(Require(*bass, "BASS_MusicGetAttribute"));
    Required(*bass, bass->BASS_MusicSetAttribute, "BASS_MusicSetAttribute");
    Required(*bass, bass->BASS_StreamCreateFile, "BASS_StreamCreateFile");
    Required(*bass, bass->BASS_StreamFree, "BASS_StreamFree");
    for (const char* name :
         {"BASS_MusicGetOrders", "BASS_MusicGetOrderPosition", "BASS_SampleLoad", "BASS_SampleFree",
          "BASS_SampleSetInfo", "BASS_SampleGetInfo", "BASS_SampleGetChannel", "BASS_SampleStop", "BASS_ErrorGetCode"})
        bass->others.push_back(Require(*bass, name));
    if (bass->newer)
        for (const char* name : {"BASS_PluginLoad", "BASS_ChannelGetLength", "BASS_ChannelPreBuf"})
            bass->others.push_back(Find(*bass, name));
    gInstance = bass;
    return bass;
}

void FreeBassDLL()
{
    if (!gInstance) return;
    if (--gUsers <= 0)
    {
        delete gInstance;
        gInstance = nullptr;
        gUsers = 0;
    }
}

int BassUserCount()
{
    return gInstance ? gUsers.load() : 0;
}

} // namespace Zest
