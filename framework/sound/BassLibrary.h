// The stream music library: its entry points, reached by name through the module table and shared by reference
// count, and the library itself over our mixer.
//
// The library (BassLayer.cpp) implements the newer generation (the configuration entry exists) plus the older
// global-volume entry: output start/stop over the shared engine, streams of Ogg Vorbis and WAV files (read through
// the pack wrappers, so packed music plays too) with play/restart, stop that keeps the position, pause, the loop
// flag, byte positions, volume attributes, activity queries, and the global stream and module volumes.
// Leaves out: tracker modules (loading one fails), MP3, samples, effects, syncs, levels, data queries, plug-ins:
// those entries exist and fail softly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Modules.h"

namespace Zest
{

using BASSBOOL = int32_t;
using DWORD = uint32_t;
using QWORD = uint64_t;
using HSTREAM = uint32_t;
using HMUSIC = uint32_t;

constexpr DWORD BASS_SAMPLE_LOOP = 4;
constexpr DWORD BASS_ACTIVE_STOPPED = 0;
constexpr DWORD BASS_ACTIVE_PLAYING = 1;
constexpr DWORD BASS_ACTIVE_PAUSED = 3;
constexpr DWORD BASS_CONFIG_BUFFER = 0;
constexpr DWORD BASS_CONFIG_GVOL_STREAM = 5;
constexpr DWORD BASS_CONFIG_GVOL_MUSIC = 6;
constexpr DWORD BASS_MUSIC_ATTRIB_AMPLIFY = 0;

constexpr int BASS_OK = 0;
constexpr int BASS_ERROR_FILEOPEN = 2;
constexpr int BASS_ERROR_HANDLE = 5;
constexpr int BASS_ERROR_INIT = 8;
constexpr int BASS_ERROR_ALREADY = 14;
constexpr int BASS_ERROR_ILLPARAM = 20;
constexpr int BASS_ERROR_DEVICE = 23;
constexpr int BASS_ERROR_NOTAVAIL = 37;
constexpr int BASS_ERROR_FILEFORM = 41;

struct BASS_INSTANCE
{
    Platform::ModuleHandle module = nullptr;
    bool newer = false;

    // Newer and older forms of the two entries whose argument lists changed.
    BASSBOOL (*BASS_Init)(int device, DWORD freq, DWORD flags, void* window, const void* clsid) = nullptr;
    BASSBOOL (*BASS_InitOld)(int device, DWORD freq, DWORD flags, void* window) = nullptr;
    HMUSIC(*BASS_MusicLoad)
    (BASSBOOL mem, const void* file, QWORD offset, DWORD length, DWORD flags, DWORD freq) = nullptr;
    HMUSIC (*BASS_MusicLoadOld)(BASSBOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags) = nullptr;

    BASSBOOL (*BASS_Free)() = nullptr;
    BASSBOOL (*BASS_Stop)() = nullptr;
    BASSBOOL (*BASS_Start)() = nullptr;
    BASSBOOL (*BASS_SetGlobalVolumes)(int music, int sample, int stream) = nullptr;
    BASSBOOL (*BASS_SetVolume)(DWORD volume) = nullptr;
    DWORD (*BASS_SetConfig)(DWORD option, DWORD value) = nullptr;
    DWORD (*BASS_GetConfig)(DWORD option) = nullptr;
    BASSBOOL (*BASS_ChannelStop)(DWORD handle) = nullptr;
    BASSBOOL (*BASS_ChannelPlay)(DWORD handle, BASSBOOL restart) = nullptr;
    BASSBOOL (*BASS_ChannelPause)(DWORD handle) = nullptr;
    BASSBOOL (*BASS_ChannelSetAttributes)(DWORD handle, int freq, int volume, int pan) = nullptr;
    BASSBOOL (*BASS_ChannelSetPosition)(DWORD handle, QWORD position) = nullptr;
    DWORD (*BASS_ChannelIsActive)(DWORD handle) = nullptr;
    BASSBOOL (*BASS_ChannelSetFlags)(DWORD handle, DWORD flags) = nullptr;
    void (*BASS_MusicFree)(HMUSIC handle) = nullptr;
    BASSBOOL (*BASS_MusicSetAttribute)(DWORD handle, DWORD attrib, DWORD value) = nullptr;
    HSTREAM (*BASS_StreamCreateFile)(BASSBOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) = nullptr;
    void (*BASS_StreamFree)(HSTREAM handle) = nullptr;
    DWORD (*BASS_GetVolume)() = nullptr;
    DWORD (*BASS_GetVersion)() = nullptr;
    BASSBOOL (*BASS_ChannelGetAttributes)(DWORD handle, DWORD* freq, DWORD* volume, int* pan) = nullptr;
    QWORD (*BASS_ChannelGetPosition)(DWORD handle) = nullptr;
    int (*BASS_ErrorGetCode)() = nullptr;
    // Entries looked up but never called by the music interface, by name.
    std::vector<std::string> others;

    ~BASS_INSTANCE();
};

// Counts one more user; the first loads the library and looks up every entry. A missing library or a missing
// required entry ends the program with a message box (exit code 0).
BASS_INSTANCE* LoadBassDLL();
void FreeBassDLL();
int BassUserCount();

// Puts the library's entries into the "bass.dll" module.
void RegisterBassModule();

// Layer queries for tests: the gain the mixer applies to a channel now (attribute and global volume together),
// and the frame position of a stream.
float BassChannelGain(DWORD handle);

} // namespace Zest
