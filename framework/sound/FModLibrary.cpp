// Reaching the sample-and-channel music library through the module table, shared by reference count.
#include "sound/FModLibrary.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/MessageBox.h"

namespace Zest
{

namespace
{
std::atomic<int> gUsers{0};
FMOD_INSTANCE* gInstance = nullptr;

template <typename Signature>
void Lookup(FMOD_INSTANCE& fmod, Signature*& pointer, const char* name)
{
    if (Platform::GetProcAddress(fmod.module, name, pointer)) return;
    Platform::MessageBox(nullptr, std::string("\"") + name + "\" function not found in fmod.dll", "Error",
                         Platform::MB_OK | Platform::MB_ICONERROR);
    std::exit(0);
}
} // namespace

FMOD_INSTANCE::~FMOD_INSTANCE()
{
    if (module) Platform::FreeLibrary(module);
}

FMOD_INSTANCE* LoadFModDLL()
{
    ++gUsers;
    if (gInstance) return gInstance;
    auto* fmod = new FMOD_INSTANCE();
    fmod->module = Platform::LoadLibrary("fmod.dll");
    if (!fmod->module)
    {
        Platform::MessageBox(nullptr, "Can't find fmod.dll.", "Error", Platform::MB_OK | Platform::MB_ICONERROR);
        std::exit(0);
    }
    Lookup(*fmod, fmod->FSOUND_SetBufferSize, "_FSOUND_SetBufferSize@4");
    Lookup(*fmod, fmod->FSOUND_SetHWND, "_FSOUND_SetHWND@4");
    Lookup(*fmod, fmod->FSOUND_Init, "_FSOUND_Init@12");
    Lookup(*fmod, fmod->FSOUND_Close, "_FSOUND_Close@0");
    Lookup(*fmod, fmod->FSOUND_Sample_Load, "_FSOUND_Sample_Load@16");
    Lookup(*fmod, fmod->FSOUND_Sample_Alloc, "_FSOUND_Sample_Alloc@28");
    Lookup(*fmod, fmod->FSOUND_Sample_Free, "_FSOUND_Sample_Free@4");
    Lookup(*fmod, fmod->FSOUND_Sample_Lock, "_FSOUND_Sample_Lock@28");
    Lookup(*fmod, fmod->FSOUND_Sample_Unlock, "_FSOUND_Sample_Unlock@20");
    Lookup(*fmod, fmod->FSOUND_Sample_SetLoopPoints, "_FSOUND_Sample_SetLoopPoints@12");
    Lookup(*fmod, fmod->FSOUND_Sample_GetLength, "_FSOUND_Sample_GetLength@4");
    Lookup(*fmod, fmod->FSOUND_Sample_GetDefaults, "_FSOUND_Sample_GetDefaults@20");
    Lookup(*fmod, fmod->FSOUND_Sample_GetMode, "_FSOUND_Sample_GetMode@4");
    Lookup(*fmod, fmod->FSOUND_PlaySound, "_FSOUND_PlaySound@8");
    Lookup(*fmod, fmod->FSOUND_StopSound, "_FSOUND_StopSound@4");
    Lookup(*fmod, fmod->FSOUND_SetVolume, "_FSOUND_SetVolume@8");
    Lookup(*fmod, fmod->FSOUND_SetPaused, "_FSOUND_SetPaused@8");
    Lookup(*fmod, fmod->FSOUND_SetLoopMode, "_FSOUND_SetLoopMode@8");
    Lookup(*fmod, fmod->FSOUND_IsPlaying, "_FSOUND_IsPlaying@4");
    Lookup(*fmod, fmod->FSOUND_Stream_OpenFile, "_FSOUND_Stream_OpenFile@12");
    Lookup(*fmod, fmod->FSOUND_Stream_Close, "_FSOUND_Stream_Close@4");
    Lookup(*fmod, fmod->FSOUND_Stream_Play, "_FSOUND_Stream_Play@8");
    Lookup(*fmod, fmod->FMUSIC_LoadSong, "_FMUSIC_LoadSong@4");
    Lookup(*fmod, fmod->FMUSIC_PlaySong, "_FMUSIC_PlaySong@4");
    Lookup(*fmod, fmod->FMUSIC_StopSong, "_FMUSIC_StopSong@4");
    Lookup(*fmod, fmod->FMUSIC_SetLooping, "_FMUSIC_SetLooping@8");
    Lookup(*fmod, fmod->FMUSIC_SetOrder, "_FMUSIC_SetOrder@8");
    Lookup(*fmod, fmod->FMUSIC_SetPaused, "_FMUSIC_SetPaused@8");
    Lookup(*fmod, fmod->FMUSIC_SetMasterVolume, "_FMUSIC_SetMasterVolume@8");
    Lookup(*fmod, fmod->FMUSIC_IsPlaying, "_FMUSIC_IsPlaying@4");
    gInstance = fmod;
    return fmod;
}

void FreeFModDLL()
{
    if (!gInstance) return;
    if (--gUsers <= 0)
    {
        delete gInstance;
        gInstance = nullptr;
        gUsers = 0;
    }
}

FMOD_INSTANCE* GetFModInstance()
{
    return gInstance;
}

int FModUserCount()
{
    return gInstance ? gUsers.load() : 0;
}

bool FModSampleData(FMOD_INSTANCE& fmod, FSOUND_SAMPLE* sample, SoundData& out)
{
    const unsigned int mode = fmod.FSOUND_Sample_GetMode(sample);
    int frequency = 0;
    fmod.FSOUND_Sample_GetDefaults(sample, &frequency, nullptr, nullptr, nullptr);
    out.channels = (mode & FSOUND_MONO) ? 1 : 2;
    out.bits = (mode & FSOUND_8BITS) ? 8 : 16;
    out.rate = frequency;
    const uint64_t size = static_cast<uint64_t>(fmod.FSOUND_Sample_GetLength(sample)) * out.channels * out.bits / 8;
    if (size == 0 || size > 0x7FFFFFFF) return false;
    void* p1 = nullptr;
    void* p2 = nullptr;
    unsigned int n1 = 0, n2 = 0;
    if (!fmod.FSOUND_Sample_Lock(sample, 0, static_cast<int>(size), &p1, &p2, &n1, &n2) || !p1) return false;
    out.bytes.assign(static_cast<uint8_t*>(p1), static_cast<uint8_t*>(p1) + n1);
    fmod.FSOUND_Sample_Unlock(sample, p1, p2, n1, n2);
    return true;
}

} // namespace Zest
