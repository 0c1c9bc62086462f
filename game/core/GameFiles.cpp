// File calls of the game's stored data, straight to disk or through the application's demo-aware calls.
#include "GameFiles.h"

#include "app/ZestAppBase.h"
#include "base/Buffer.h"
#include "base/Common.h"
#include "platform/Files.h"

namespace Zest
{

bool DiskGameFiles::Exists(const std::string& fileName)
{
    return Platform::FileExists(Platform::ResolveFileName(fileName));
}

bool DiskGameFiles::Read(const std::string& fileName, Buffer& buffer)
{
    return LoadBufferFromDisk(fileName, buffer);
}

bool DiskGameFiles::Write(const std::string& fileName, const Buffer& buffer)
{
    const std::string path = Platform::ResolveFileName(fileName);
    const std::string dir = GetFileDir(path);
    if (!dir.empty()) Platform::MakeDirectories(RemoveTrailingSlash(dir));
    return SaveBufferToDisk(path, buffer);
}

bool DiskGameFiles::Move(const std::string& from, const std::string& to)
{
    const std::string target = Platform::ResolveFileName(to);
    if (Platform::PathExists(target)) return false;
    const bool ok = Platform::RenameFile(Platform::ResolveFileName(from), target);
    Platform::InvalidateFileNameCache();
    return ok;
}

bool DiskGameFiles::PresentOnDisk(const std::string& fileName)
{
    return Platform::PathExists(Platform::ResolveFileName(fileName));
}

bool AppGameFiles::Exists(const std::string& fileName)
{
    return mApp.FileExists(fileName);
}

bool AppGameFiles::Read(const std::string& fileName, Buffer& buffer)
{
    return mApp.ReadBufferFromFile(fileName, buffer);
}

bool AppGameFiles::Write(const std::string& fileName, const Buffer& buffer)
{
    return mApp.WriteBufferToFile(fileName, buffer);
}

bool AppGameFiles::Move(const std::string& from, const std::string& to)
{
    // A replay leaves the files on disk as they are, as it does for every other write.
    if (mApp.mPlayingDemo) return true;
    DiskGameFiles disk;
    return disk.Move(from, to);
}

bool AppGameFiles::PresentOnDisk(const std::string& fileName)
{
    if (mApp.mPlayingDemo) return false;
    DiskGameFiles disk;
    return disk.PresentOnDisk(fileName);
}

std::string DamagedFileName(GameFiles& files, const std::string& fileName)
{
    std::string name = fileName + ".damaged";
    for (int n = 2; files.PresentOnDisk(name); ++n) name = fileName + ".damaged-" + std::to_string(n);
    return name;
}

} // namespace Zest
