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

// Entries the music interface calls: typed by the member they fill.
template <typename Signature>
void Optional(BASS_INSTANCE& bass, Signature*& pointer, const char* name)
{
    Platform::GetProcAddress(bass.module, name, pointer);
}

template <typename Signature>
void Required(BASS_INSTANCE& bass, Signature*& pointer, const char* name)
{
    if (!Platform::GetProcAddress(bass.module, name, pointer))
        Fatal(std::string(name) + " function not found in bass.dll");
}

// Entries looked up but never called: only their presence counts.
void RequirePresent(BASS_INSTANCE& bass, const char* name)
{
    if (!Platform::HasProcAddress(bass.module, name)) Fatal(std::string(name) + " function not found in bass.dll");
    bass.others.push_back(name);
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

    // The two generations differ in the argument lists of the init and module-load entries; which one this is
    // shows in whether the configuration entry exists.
    Optional(*bass, bass->BASS_SetConfig, "BASS_SetConfig");
    Optional(*bass, bass->BASS_GetConfig, "BASS_GetConfig");
    bass->newer = bass->BASS_SetConfig != nullptr;
    if (bass->newer)
        Required(*bass, bass->BASS_Init, "BASS_Init");
    else
        Required(*bass, bass->BASS_InitOld, "BASS_Init");
    Required(*bass, bass->BASS_Free, "BASS_Free");
    Required(*bass, bass->BASS_Stop, "BASS_Stop");
    Required(*bass, bass->BASS_Start, "BASS_Start");
    Optional(*bass, bass->BASS_SetGlobalVolumes, "BASS_SetGlobalVolumes");
    Optional(*bass, bass->BASS_SetVolume, "BASS_SetVolume");
    if (!bass->BASS_SetGlobalVolumes && !bass->BASS_SetVolume)
        Fatal("Neither BASS_SetGlobalVolumes or BASS_SetVolume found in bass.dll");

    Required(*bass, bass->BASS_GetVolume, "BASS_GetVolume");
    RequirePresent(*bass, "BASS_GetInfo");
    Required(*bass, bass->BASS_GetVersion, "BASS_GetVersion");
    Required(*bass, bass->BASS_ChannelStop, "BASS_ChannelStop");
    Required(*bass, bass->BASS_ChannelPlay, "BASS_ChannelPlay");
    Required(*bass, bass->BASS_ChannelPause, "BASS_ChannelPause");
    Required(*bass, bass->BASS_ChannelSetAttributes, "BASS_ChannelSetAttributes");
    Required(*bass, bass->BASS_ChannelGetAttributes, "BASS_ChannelGetAttributes");
    Required(*bass, bass->BASS_ChannelSetPosition, "BASS_ChannelSetPosition");
    Required(*bass, bass->BASS_ChannelGetPosition, "BASS_ChannelGetPosition");
    Required(*bass, bass->BASS_ChannelIsActive, "BASS_ChannelIsActive");
    Required(*bass, bass->BASS_ChannelSetFlags, "BASS_ChannelSetFlags");
    for (const char* name :
         {"BASS_ChannelSlideAttributes", "BASS_ChannelIsSliding", "BASS_ChannelGetLevel", "BASS_ChannelSetSync",
          "BASS_ChannelRemoveSync", "BASS_ChannelGetData", "BASS_FXSetParameters", "BASS_FXGetParameters",
          "BASS_ChannelSetFX", "BASS_ChannelRemoveFX"})
        RequirePresent(*bass, name);
    if (bass->newer)
        Required(*bass, bass->BASS_MusicLoad, "BASS_MusicLoad");
    else
        Required(*bass, bass->BASS_MusicLoadOld, "BASS_MusicLoad");
    Required(*bass, bass->BASS_MusicFree, "BASS_MusicFree");
    RequirePresent(*bass, "BASS_MusicGetAttribute");
    Required(*bass, bass->BASS_MusicSetAttribute, "BASS_MusicSetAttribute");
    Required(*bass, bass->BASS_StreamCreateFile, "BASS_StreamCreateFile");
    Required(*bass, bass->BASS_StreamFree, "BASS_StreamFree");
    for (const char* name : {"BASS_MusicGetOrders", "BASS_MusicGetOrderPosition", "BASS_SampleLoad", "BASS_SampleFree",
                             "BASS_SampleSetInfo", "BASS_SampleGetInfo", "BASS_SampleGetChannel", "BASS_SampleStop"})
        RequirePresent(*bass, name);
    Required(*bass, bass->BASS_ErrorGetCode, "BASS_ErrorGetCode");
    if (bass->newer)
        for (const char* name : {"BASS_PluginLoad", "BASS_ChannelGetLength", "BASS_ChannelPreBuf"})
            if (Platform::HasProcAddress(bass->module, name)) bass->others.push_back(name);
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
