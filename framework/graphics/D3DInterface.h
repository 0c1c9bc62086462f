// Zest::D3DInterface and Zest::D3DTester: the 3D device and its capability test, present only to say that 3D
// drawing is not available on this platform, so the display device always draws in software.
#pragma once

#include <atomic>
#include <string>

namespace Platform
{
class IDirectDrawSurface;
}

namespace Zest
{

class MemoryImage;

class D3DInterface
{
public:
    // Raised by the 3D device when it loses its device; never raised here.
    static std::atomic<bool> sDeviceLost;

    // Always fails with the error text below.
    bool Init(Platform::IDirectDrawSurface* drawSurface);
    const std::string& GetErrorText() const { return mErrorText; }
    void EndBatch() {}
    bool HasPendingSceneTexture() const { return false; }
    void RemoveImageTextures(MemoryImage*) {}
    void ReleaseAll() {}

private:
    std::string mErrorText;
};

class D3DTester
{
public:
    void SetVideoMemory(int minimumMB, int recommendedMB)
    {
        mMinimumMB = minimumMB;
        mRecommendedMB = recommendedMB;
    }
    // Finds no 3D acceleration: a failure text, no warning, the flag left false.
    void Run();

    std::string mFailureText;
    std::string mWarningText;
    // The outcome differs from the one remembered before (asks the application to report it).
    bool mResultsChanged = false;
    int mMinimumMB = 0;
    int mRecommendedMB = 0;
};

} // namespace Zest
