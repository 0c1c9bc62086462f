// The game's resource groups and lookups answered by the application's resource manager.
#pragma once

#include "game/screens/ShellServices.h"

namespace Zest
{

class ResourceManager;

class ManagerResources : public ShellResources
{
public:
    explicit ManagerResources(ResourceManager& manager) : mManager(manager) {}

    bool LoadManifest() override;
    bool LoadResources(const std::string& group) override;
    void StartLoadResources(const std::string& group) override;
    bool LoadNextResource() override;
    int GetNumResources(const std::string& group) override;
    void DeleteResources(const std::string& group) override;
    bool HadError() override;
    std::string GetErrorText() override;
    Image* LoadImage(const std::string& id) override;
    void FreeImage(const std::string& id) override;
    // The manager's own exception becomes the binding's; the manager has recorded its message already.
    Image* GetImageThrow(const std::string& id) override;
    int GetSoundThrow(const std::string& id) override;
    Font* GetFontThrow(const std::string& id) override;

private:
    ResourceManager& mManager;
};

} // namespace Zest
