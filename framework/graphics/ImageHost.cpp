// The global image host and the basic host for programs without an application.
#include "graphics/ImageHost.h"

#include "graphics/MemoryImage.h"

#include <atomic>

namespace Zest
{

namespace
{
std::atomic<ImageHost*> gImageHost{nullptr};

struct SaturationTable
{
    uint8_t values[512];
    SaturationTable()
    {
        for (int i = 0; i < 512; ++i) values[i] = uint8_t(i < 256 ? i : 255);
    }
};
} // namespace

ImageHost* GetImageHost()
{
    return gImageHost.load();
}

void SetImageHost(ImageHost* host)
{
    gImageHost.store(host);
}

const uint8_t* StandardSaturationTable()
{
    static const SaturationTable table;
    return table.values;
}

BasicImageHost::~BasicImageHost()
{
    std::lock_guard<std::recursive_mutex> lock(mLock);
    for (MemoryImage* image : mImages) image->DetachHost();
    mImages.clear();
}

void BasicImageHost::AddMemoryImage(MemoryImage* image)
{
    if (!image) return;
    std::lock_guard<std::recursive_mutex> lock(mLock);
    mImages.insert(image);
}

void BasicImageHost::RemoveMemoryImage(MemoryImage* image)
{
    std::lock_guard<std::recursive_mutex> lock(mLock);
    mImages.erase(image);
}

const uint8_t* BasicImageHost::GetSaturationTable() const
{
    return StandardSaturationTable();
}

bool BasicImageHost::IsRegistered(const MemoryImage* image)
{
    std::lock_guard<std::recursive_mutex> lock(mLock);
    return mImages.count(const_cast<MemoryImage*>(image)) != 0;
}

size_t BasicImageHost::GetImageCount()
{
    std::lock_guard<std::recursive_mutex> lock(mLock);
    return mImages.size();
}

std::vector<MemoryImage*> BasicImageHost::GetImages()
{
    std::lock_guard<std::recursive_mutex> lock(mLock);
    return std::vector<MemoryImage*>(mImages.begin(), mImages.end());
}

} // namespace Zest
