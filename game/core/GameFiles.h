// The file calls the game's stored data goes through: read, atomic write, existence, moving a damaged file aside.
#pragma once

#include <string>

namespace Zest
{

class Buffer;
class ZestAppBase;

class GameFiles
{
public:
    virtual ~GameFiles() = default;

    virtual bool Exists(const std::string& fileName) = 0;
    // The whole file into the buffer; false (buffer untouched) when it is missing or cannot be read.
    virtual bool Read(const std::string& fileName, Buffer& buffer) = 0;
    // The whole buffer, so that a crash leaves the old file or the new one; creates missing folders.
    virtual bool Write(const std::string& fileName, const Buffer& buffer) = 0;
    // Renames a file out of the way; the target must not exist yet.
    virtual bool Move(const std::string& from, const std::string& to) = 0;
    // Anything at all at the name on disk, readable or not (a folder, a pipe, a link, a file without read
    // permission): what Exists misses but a save would meet.
    virtual bool PresentOnDisk(const std::string& fileName) = 0;
};

// Straight to the file system (tools and tests).
class DiskGameFiles : public GameFiles
{
public:
    bool Exists(const std::string& fileName) override;
    bool Read(const std::string& fileName, Buffer& buffer) override;
    bool Write(const std::string& fileName, const Buffer& buffer) override;
    bool Move(const std::string& from, const std::string& to) override;
    bool PresentOnDisk(const std::string& fileName) override;
};

// Through the application, so that demo recording and replay see every read and a replay writes nothing.
class AppGameFiles : public GameFiles
{
public:
    explicit AppGameFiles(ZestAppBase& app) : mApp(app) {}
    bool Exists(const std::string& fileName) override;
    bool Read(const std::string& fileName, Buffer& buffer) override;
    bool Write(const std::string& fileName, const Buffer& buffer) override;
    bool Move(const std::string& from, const std::string& to) override;
    // False while a demo replays: a replay goes by what was recorded and leaves the disk alone.
    bool PresentOnDisk(const std::string& fileName) override;

private:
    ZestAppBase& mApp;
};

// First name of the form "<file>.damaged", "<file>.damaged-2", "<file>.damaged-3", ... with nothing on disk.
std::string DamagedFileName(GameFiles& files, const std::string& fileName);

} // namespace Zest
