// The JPEG 2000 codec module: its entry-point shapes and the custom stream it reads, as the image loader uses them.
//
// The module is registered in the built-in module table as "j2k-codec.dll". Its nine entries are looked up by
// their decorated names (see kJ2K* below). It decodes raw codestreams and JP2 files, told apart by their
// signatures; the whole stream is read into memory on open.
#pragma once

namespace ImageLib
{

// Stream callbacks handed to the open call together with a user pointer.
struct J2KStreamCallbacks
{
    // Copies up to size bytes into buffer; returns how many (0 at the end, negative on error).
    int (*read)(void* buffer, int size, void* userData);
    // Moves to an absolute offset from the start; returns 0 on success.
    int (*seek)(int offset, void* userData);
};

using J2KGetVersionFn = int (*)();
using J2KOpenCustomFn = void* (*)(const J2KStreamCallbacks* callbacks, void* userData);
using J2KOpenFileFn = void* (*)(const char* fileName);
using J2KCloseFn = void (*)(void* image);
using J2KGetInfoFn = int (*)(void* image, int* width, int* height, int* components);
using J2KGetResolutionDimensionsFn = int (*)(void* image, int level, int* width, int* height);
// Decodes into *buffer (size bytes, rows pitch bytes apart). options: "bpp=3|4" (bytes per pixel, B, G, R[, A]),
// "rl=N" (resolution level: 0 full size, each level halves).
using J2KDecodeFn = int (*)(void* image, unsigned char** buffer, int* size, const char* options, int* pitch);
using J2KGetLastErrorFn = int (*)();
using J2KGetErrorStrFn = const char* (*)(int code);

constexpr const char* kJ2KModuleName = "j2k-codec.dll";
constexpr const char* kJ2KGetVersion = "_J2K_getVersion@0";
constexpr const char* kJ2KOpenCustom = "_J2K_OpenCustom@8";
constexpr const char* kJ2KOpenFile = "_J2K_OpenFile@4";
constexpr const char* kJ2KClose = "_J2K_Close@4";
constexpr const char* kJ2KGetInfo = "_J2K_GetInfo@16";
constexpr const char* kJ2KGetResolutionDimensions = "_J2K_GetResolutionDimensions@16";
constexpr const char* kJ2KDecode = "_J2K_Decode@20";
constexpr const char* kJ2KGetLastError = "_J2K_getLastError@0";
constexpr const char* kJ2KGetErrorStr = "_J2K_getErrorStr@4";

// The lowest codec version the loader accepts, and the one this module reports.
constexpr int kJ2KMinimumVersion = 0x120000;
constexpr int kJ2KModuleVersion = 0x130000;

// Error codes of the module (J2K_getLastError, J2K_getErrorStr).
enum J2KError
{
    J2K_OK = 0,
    J2K_ERROR_ARGUMENT = 1,
    J2K_ERROR_READ = 2,
    J2K_ERROR_FORMAT = 3,
    J2K_ERROR_TOO_LARGE = 4,
    J2K_ERROR_DECODE = 5,
    J2K_ERROR_MEMORY = 6,
    J2K_ERROR_UNSUPPORTED = 7,
};

// Puts the module (back) into the module table with its real entries. Idempotent.
void RegisterJ2KCodecModule();

} // namespace ImageLib
