// Where the image files meet the rest of the system: archive reads, atomic writes and debug reports.
#include "data/ImageCodecs.h"
#include "data/PakInterface.h"
#include "platform/Debug.h"
#include "platform/Files.h"

#include <climits>
#include <cstdio>

namespace ImageLib
{

std::unique_ptr<PakSource> PakSource::Open(const std::string& fileName)
{
    Zest::PakFile file = Zest::PakOpenFile(fileName, "rb");
    if (!file) return nullptr;
    return std::unique_ptr<PakSource>(new PakSource(std::move(file)));
}

size_t PakSource::Read(void* buffer, size_t size)
{
    return Zest::PakRead(buffer, 1, size, mHandle);
}

bool PakSource::Seek(uint64_t position)
{
    if (position > static_cast<uint64_t>(LONG_MAX)) return false;
    return Zest::PakSeek(mHandle, static_cast<long>(position), SEEK_SET) == 0;
}

uint64_t PakSource::Tell()
{
    const long position = Zest::PakTell(mHandle);
    return position < 0 ? 0 : static_cast<uint64_t>(position);
}

uint64_t PakSource::Size()
{
    const long position = Zest::PakTell(mHandle);
    if (position < 0 || Zest::PakSeek(mHandle, 0, SEEK_END) != 0) return 0;
    const long size = Zest::PakTell(mHandle);
    Zest::PakSeek(mHandle, position, SEEK_SET);
    return size < 0 ? 0 : static_cast<uint64_t>(size);
}

bool WriteWholeFile(const std::string& fileName, const std::vector<uint8_t>& bytes)
{
    return Platform::WriteFileAtomically(Platform::ResolveFileName(fileName), bytes.data(), bytes.size());
}

void ReportImageProblem(const char* format, const char* detail)
{
    char text[512];
    std::snprintf(text, sizeof(text), format, detail);
    Platform::OutputDebugString(std::string(text) + "\n");
}

} // namespace ImageLib
