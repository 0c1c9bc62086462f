// Zest::ResourceApp: the services of the application object that the resource manager loads through.
#pragma once

#include <memory>
#include <string>

namespace Zest
{

class DDImage;
class SoundManager;

// The application object implements this; the resource manager sits below the application and reaches it only
// through these calls, so tests can hand it a small fake.
class ResourceApp
{
public:
    virtual ~ResourceApp() = default;

    // The shared image of (path, variant) with one more reference taken; `loadedNow` tells whether this call
    // loaded the file. Null when the file does not load (no reference is then taken).
    virtual DDImage* FindSharedImage(const std::string& path, const std::string& variant,
                                     bool* loadedNow = nullptr) = 0;
    // Gives back one reference taken by FindSharedImage.
    virtual void ReleaseSharedImage(DDImage* image) = 0;
    // A new display image of the file (alpha images merged) that the caller owns; null when no file loads.
    virtual std::unique_ptr<DDImage> GetImage(const std::string& fileName, bool commitBits = true) = 0;
    virtual bool Is3DAccelerated() const = 0;
    // The sound manager sounds are loaded into; null while there is none.
    virtual SoundManager* GetSoundManager() = 0;
};

} // namespace Zest
