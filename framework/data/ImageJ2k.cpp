// JPEG 2000 loading through the codec module found in the module table at run time.
#include "data/ImageCodecs.h"
#include "data/J2KCodec.h"
#include "platform/Modules.h"

#include <mutex>

namespace ImageLib
{

namespace
{

struct J2KEntries
{
    J2KGetVersionFn getVersion = nullptr;
    J2KOpenCustomFn openCustom = nullptr;
    J2KOpenFileFn openFile = nullptr;
    J2KCloseFn close = nullptr;
    J2KGetInfoFn getInfo = nullptr;
    J2KGetResolutionDimensionsFn getResolutionDimensions = nullptr;
    J2KDecodeFn decode = nullptr;
    J2KGetLastErrorFn getLastError = nullptr;
    J2KGetErrorStrFn getErrorStr = nullptr;
};

std::mutex gCodecMutex;
Platform::ModuleHandle gJ2KCodec = nullptr; // null while the codec is not loaded
bool gEntriesChecked = false;
J2KEntries gEntries;
std::once_flag gRegisterOnce;

template <typename Signature>
bool Look(const char* name, Signature*& out)
{
    return Platform::GetProcAddress(gJ2KCodec, name, out);
}

void FreeLocked()
{
    if (gJ2KCodec) Platform::FreeLibrary(gJ2KCodec);
    gJ2KCodec = nullptr;
    gEntriesChecked = false;
    gEntries = J2KEntries{};
}

// The entries of a usable codec, looked up on first use; a codec that lacks one or is too old is freed.
bool GetEntries(J2KEntries& out)
{
    std::lock_guard<std::mutex> lock(gCodecMutex);
    if (!gJ2KCodec) return false;
    if (!gEntriesChecked)
    {
        J2KEntries e;
        const bool found = Look(kJ2KGetVersion, e.getVersion) && Look(kJ2KOpenCustom, e.openCustom) &&
                           Look(kJ2KOpenFile, e.openFile) && Look(kJ2KClose, e.close) && Look(kJ2KGetInfo, e.getInfo) &&
                           Look(kJ2KGetResolutionDimensions, e.getResolutionDimensions) && Look(kJ2KDecode, e.decode) &&
                           Look(kJ2KGetLastError, e.getLastError) && Look(kJ2KGetErrorStr, e.getErrorStr);
        if (!found || e.getVersion() < kJ2KMinimumVersion)
        {
            ReportImageProblem("JPEG 2000: %s", found ? "codec version too old" : "codec entry missing");
            FreeLocked();
            return false;
        }
        gEntries = e;
        gEntriesChecked = true;
    }
    out = gEntries;
    return true;
}

int StreamRead(void* buffer, int size, void* userData)
{
    if (size <= 0) return 0;
    return static_cast<int>(static_cast<ImageSource*>(userData)->Read(buffer, static_cast<size_t>(size)));
}

int StreamSeek(int offset, void* userData)
{
    if (offset < 0) return -1;
    return static_cast<ImageSource*>(userData)->Seek(static_cast<uint64_t>(offset)) ? 0 : -1;
}

} // namespace

void LoadJ2KCodec()
{
    std::call_once(gRegisterOnce, RegisterJ2KCodecModule);
    std::lock_guard<std::mutex> lock(gCodecMutex);
    if (gJ2KCodec) return;
    gJ2KCodec = Platform::LoadLibrary(kJ2KModuleName);
    gEntriesChecked = false;
}

void FreeJ2KCodec()
{
    std::lock_guard<std::mutex> lock(gCodecMutex);
    FreeLocked();
}

std::unique_ptr<Image> DecodeJ2K(ImageSource& source)
{
    J2KEntries codec;
    if (!GetEntries(codec)) return nullptr;

    const J2KStreamCallbacks callbacks{StreamRead, StreamSeek};
    void* handle = codec.openCustom(&callbacks, &source);
    if (!handle) return nullptr;

    std::unique_ptr<Image> image;
    int width = 0, height = 0;
    if (codec.getResolutionDimensions(handle, 0, &width, &height) == J2K_OK)
        image = Image::Create(width, height, false);
    if (image)
    {
        auto* buffer = reinterpret_cast<unsigned char*>(image->GetBits());
        int size = width * height * 4;
        int pitch = width * 4;
        if (codec.decode(handle, &buffer, &size, "bpp=4,rl=0", &pitch) != J2K_OK)
        {
            ReportImageProblem("JPEG 2000: %s", codec.getErrorStr(codec.getLastError()));
            image.reset();
        }
    }
    codec.close(handle);
    if (!image) return nullptr;

    uint32_t* p = image->GetBits();
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i) p[i] |= 0xFF000000;
    return image;
}

} // namespace ImageLib
