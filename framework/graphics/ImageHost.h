// Zest::ImageHost: what images need of the application object (the live-image register, the additive
// saturation table, the display format and the 3D question), with a basic implementation for programs and
// tests that run without an application.
#pragma once

#include <cstdint>
#include <mutex>
#include <set>
#include <vector>

namespace Zest
{

class MemoryImage;
struct NativeDisplay;

class ImageHost
{
public:
    virtual ~ImageHost() = default;

    // Called by every MemoryImage constructor and destructor. Implementations lock their register (images are
    // made on the loading thread while the main thread walks it) and take no other lock while it is held: images
    // are also made and freed with the display's lock held, so the register's lock always comes after that one.
    virtual void AddMemoryImage(MemoryImage* image) = 0;
    virtual void RemoveMemoryImage(MemoryImage* image) = 0;

    // 512 bytes: entry i is i below 256 and 255 from 256 on, so any sum of two channels can be looked up.
    virtual const uint8_t* GetSaturationTable() const = 0;

    // Software drawing only on this platform; kept as a question so the image code reads as it will run.
    virtual bool Is3DAccelerated() const = 0;

    // The display whose format purged images keep their pixels in; null when there is none yet.
    virtual NativeDisplay* GetNativeDisplay() = 0;

    // Asks the 3D side to drop the image's textures; nothing to do without 3D.
    virtual void FreeImageTextures(MemoryImage* image) { (void)image; }
};

// The application images register with when they are made without one named. Null until an application
// sets itself; images made then are simply not registered.
ImageHost* GetImageHost();
void SetImageHost(ImageHost* host);

// The standard 512-entry saturation table (used when an image has no host).
const uint8_t* StandardSaturationTable();

// A complete host without an application: a locked register, the standard table, no 3D, and an optional
// display format. When it goes away first it detaches the images still registered.
class BasicImageHost : public ImageHost
{
public:
    BasicImageHost() = default;
    BasicImageHost(const BasicImageHost&) = delete;
    BasicImageHost& operator=(const BasicImageHost&) = delete;
    ~BasicImageHost() override;

    void AddMemoryImage(MemoryImage* image) override;
    void RemoveMemoryImage(MemoryImage* image) override;
    const uint8_t* GetSaturationTable() const override;
    bool Is3DAccelerated() const override { return false; }
    NativeDisplay* GetNativeDisplay() override { return mDisplay; }

    void SetNativeDisplay(NativeDisplay* display) { mDisplay = display; }
    std::recursive_mutex& GetDisplayLock() { return mLock; }
    bool IsRegistered(const MemoryImage* image);
    size_t GetImageCount();
    // A snapshot taken under the lock.
    std::vector<MemoryImage*> GetImages();

private:
    std::recursive_mutex mLock;
    std::set<MemoryImage*> mImages;
    NativeDisplay* mDisplay = nullptr;
};

} // namespace Zest
