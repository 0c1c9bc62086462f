// Writes pack archives in the stored format (scrambled header, directory and data); used by the pack tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Zest
{

class PakWriter
{
public:
    struct File
    {
        std::string name; // backslash-separated, as the game asks for it
        std::string data;
        uint64_t fileTime = 0; // 100-ns units since 1601-01-01 UTC
    };

    // A name the reader can find again: ASCII without control characters, at most 255 bytes, single '\'
    // separators, no leading or trailing separator, no "." or ".." components.
    static bool IsStorableName(const std::string& name, std::string* why = nullptr);

    // False (nothing added) when the name cannot be stored or the data are too large for the format.
    bool AddFile(const std::string& name, std::string data, uint64_t fileTime, std::string* why = nullptr);

    const std::vector<File>& Files() const { return mFiles; }
    // The whole pack as stored on disk.
    std::string Build() const;
    bool WriteTo(const std::string& path) const;

private:
    std::vector<File> mFiles;
};

} // namespace Zest
