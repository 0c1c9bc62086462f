// Passing the shell's resource calls to the resource manager.
#include "ManagerResources.h"

#include "graphics/DDImage.h"
#include "resources/ResourceManager.h"

namespace Zest
{

bool ManagerResources::LoadManifest()
{
    return mManager.ParseResourcesFile("properties\\resources.xml");
}

bool ManagerResources::LoadResources(const std::string& group)
{
    return mManager.LoadResources(group);
}

void ManagerResources::StartLoadResources(const std::string& group)
{
    mManager.StartLoadResources(group);
}

bool ManagerResources::LoadNextResource()
{
    return mManager.LoadNextResource();
}

int ManagerResources::GetNumResources(const std::string& group)
{
    return mManager.GetNumResources(group);
}

void ManagerResources::DeleteResources(const std::string& group)
{
    mManager.DeleteResources(group);
}

bool ManagerResources::HadError()
{
    return mManager.HadError();
}

std::string ManagerResources::GetErrorText()
{
    return mManager.GetErrorText();
}

Image* ManagerResources::LoadImage(const std::string& id)
{
    return mManager.LoadImage(id);
}

void ManagerResources::FreeImage(const std::string& id)
{
    mManager.DeleteImage(id);
}

Image* ManagerResources::GetImageThrow(const std::string& id)
{
    try
    {
        return mManager.GetImageThrow(id);
    }
    catch (const ResourceManagerException& e)
    {
        throw ResourceLookupError(e.what());
    }
}

int ManagerResources::GetSoundThrow(const std::string& id)
{
    try
    {
        return mManager.GetSoundThrow(id);
    }
    catch (const ResourceManagerException& e)
    {
        throw ResourceLookupError(e.what());
    }
}

Font* ManagerResources::GetFontThrow(const std::string& id)
{
    try
    {
        return mManager.GetFontThrow(id);
    }
    catch (const ResourceManagerException& e)
    {
        throw ResourceLookupError(e.what());
    }
}

} // namespace Zest
