// The sample-and-channel music library: its entry points, reached by name through the module table and shared by
// reference count between the sound manager, the sound loader and the music interface that use it.
//
// The library itself (FModLayer.cpp) implements: whole-file samples decoded from WAV and Ogg Vorbis (not MP3),
// allocation, lock/unlock, loop points, mode bits and default frequency; 64 numbered channels that play samples
// with volume 0..100, pause and loop mode; "songs" that are Ogg or WAV files played as one-order songs with
// looping, order (restart), pause and master volume. Leaves out: tracker modules, streams (the three stream entries
// fail), MP3, 3D, effects, DSP. Every call before the library is initialised fails softly.
#pragma once

#include <cstdint>

#include "platform/Modules.h"
#include "sound/SoundReaders.h"

namespace Zest
{

struct FSOUND_SAMPLE;
struct FSOUND_STREAM;
struct FMUSIC_MODULE;

constexpr int FSOUND_FREE = -1;
constexpr uint32_t FSOUND_LOOP_OFF = 0x01;
constexpr uint32_t FSOUND_LOOP_NORMAL = 0x02;
constexpr uint32_t FSOUND_8BITS = 0x08;
constexpr uint32_t FSOUND_16BITS = 0x10;
constexpr uint32_t FSOUND_MONO = 0x20;
constexpr uint32_t FSOUND_STEREO = 0x40;

using FBOOL = signed char;

struct FMOD_INSTANCE
{
    Platform::ModuleHandle module = nullptr;
    FBOOL (*FSOUND_SetBufferSize)(int ms) = nullptr;
    FBOOL (*FSOUND_SetHWND)(void* window) = nullptr;
    FBOOL (*FSOUND_Init)(int mixRate, int maxChannels, unsigned int flags) = nullptr;
    void (*FSOUND_Close)() = nullptr;
    FSOUND_SAMPLE* (*FSOUND_Sample_Load)(int index, const char* name, unsigned int mode, int length) = nullptr;
    FSOUND_SAMPLE* (*FSOUND_Sample_Alloc)(int index, int length, unsigned int mode, int frequency, int volume, int pan,
                                          int priority) = nullptr;
    void (*FSOUND_Sample_Free)(FSOUND_SAMPLE* sample) = nullptr;
    FBOOL(*FSOUND_Sample_Lock)
    (FSOUND_SAMPLE* sample, int offset, int length, void** ptr1, void** ptr2, unsigned int* len1,
     unsigned int* len2) = nullptr;
    FBOOL(*FSOUND_Sample_Unlock)
    (FSOUND_SAMPLE* sample, void* ptr1, void* ptr2, unsigned int len1, unsigned int len2) = nullptr;
    FBOOL (*FSOUND_Sample_SetLoopPoints)(FSOUND_SAMPLE* sample, int start, int end) = nullptr;
    unsigned int (*FSOUND_Sample_GetLength)(FSOUND_SAMPLE* sample) = nullptr;
    FBOOL(*FSOUND_Sample_GetDefaults)
    (FSOUND_SAMPLE* sample, int* frequency, int* volume, int* pan, int* priority) = nullptr;
    unsigned int (*FSOUND_Sample_GetMode)(FSOUND_SAMPLE* sample) = nullptr;
    int (*FSOUND_PlaySound)(int channel, FSOUND_SAMPLE* sample) = nullptr;
    FBOOL (*FSOUND_StopSound)(int channel) = nullptr;
    FBOOL (*FSOUND_SetVolume)(int channel, int volume) = nullptr;
    FBOOL (*FSOUND_SetPaused)(int channel, FBOOL paused) = nullptr;
    FBOOL (*FSOUND_SetLoopMode)(int channel, unsigned int mode) = nullptr;
    FBOOL (*FSOUND_IsPlaying)(int channel) = nullptr;
    FSOUND_STREAM* (*FSOUND_Stream_OpenFile)(const char* name, unsigned int mode, int length) = nullptr;
    FBOOL (*FSOUND_Stream_Close)(FSOUND_STREAM* stream) = nullptr;
    int (*FSOUND_Stream_Play)(int channel, FSOUND_STREAM* stream) = nullptr;
    FMUSIC_MODULE* (*FMUSIC_LoadSong)(const char* name) = nullptr;
    FBOOL (*FMUSIC_PlaySong)(FMUSIC_MODULE* module) = nullptr;
    FBOOL (*FMUSIC_StopSong)(FMUSIC_MODULE* module) = nullptr;
    FBOOL (*FMUSIC_SetLooping)(FMUSIC_MODULE* module, FBOOL looping) = nullptr;
    FBOOL (*FMUSIC_SetOrder)(FMUSIC_MODULE* module, int order) = nullptr;
    FBOOL (*FMUSIC_SetPaused)(FMUSIC_MODULE* module, FBOOL paused) = nullptr;
    FBOOL (*FMUSIC_SetMasterVolume)(FMUSIC_MODULE* module, int volume) = nullptr;
    FBOOL (*FMUSIC_IsPlaying)(FMUSIC_MODULE* module) = nullptr;

    ~FMOD_INSTANCE();
};

// Counts one more user; the first loads the library and looks up every entry, and a missing library or entry
// ends the program with a message box (exit code 0).
FMOD_INSTANCE* LoadFModDLL();
// Counts one user less; the last frees the library.
void FreeFModDLL();
// The instance while one is loaded, else null.
FMOD_INSTANCE* GetFModInstance();
// Users so far (loads minus frees).
int FModUserCount();

// Reads a sample's PCM through the library (mode, defaults, length, lock) into `out`.
bool FModSampleData(FMOD_INSTANCE& fmod, FSOUND_SAMPLE* sample, SoundData& out);

// Puts the library's entries into the "fmod.dll" module.
void RegisterFModModule();

} // namespace Zest
