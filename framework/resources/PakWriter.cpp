// Pack archive writer: directory records, concatenated data, and the byte scrambling over all of it.
#include "resources/PakWriter.h"

#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "resources/PakInterface.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace Zest
{

namespace
{

void PutU32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutU64(std::string& out, uint64_t v)
{
    PutU32(out, static_cast<uint32_t>(v));
    PutU32(out, static_cast<uint32_t>(v >> 32));
}

bool Fail(std::string* why, const std::string& text)
{
    if (why) *why = text;
    return false;
}

} // namespace

bool PakWriter::IsStorableName(const std::string& name, std::string* why)
{
    if (name.empty()) return Fail(why, "empty name");
    if (name.size() > 255) return Fail(why, "name longer than 255 bytes: " + name);
    for (unsigned char c : name)
        if (c < 0x20 || c >= 0x7F || c == '/')
            return Fail(why, "name must be printable ASCII with '\\' separators: " + name);
    size_t begin = 0;
    for (;;)
    {
        const size_t end = name.find('\\', begin);
        const std::string part = name.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        if (part.empty() || part == "." || part == "..")
            return Fail(why, "empty, \".\" or \"..\" component in name: " + name);
        if (end == std::string::npos) return true;
        begin = end + 1;
    }
}

bool PakWriter::AddFile(const std::string& name, std::string data, uint64_t fileTime, std::string* why)
{
    if (!IsStorableName(name, why)) return false;
    if (data.size() > UINT32_MAX) return Fail(why, "file too large for a pack: " + name);
    mFiles.push_back(File{name, std::move(data), fileTime});
    return true;
}

bool PakWriter::AddFolderTree(const std::string& root, bool zeroTimes, std::string* why)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(root, ec)) return Fail(why, "not a folder: " + root);
    std::vector<fs::path> paths;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->is_regular_file(ec)) paths.push_back(it->path());
    if (ec) return Fail(why, "cannot walk " + root + ": " + ec.message());
    std::sort(paths.begin(), paths.end());
    for (const fs::path& path : paths)
    {
        std::string name = path.lexically_relative(root).generic_string();
        std::replace(name.begin(), name.end(), '/', '\\');
        std::ifstream in(path, std::ios::binary);
        if (!in) return Fail(why, "cannot read " + path.string());
        std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        uint64_t fileTime = 0;
        if (!zeroTimes)
        {
            const auto written = fs::last_write_time(path, ec);
            const auto sinceEpoch = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                        std::chrono::file_clock::to_sys(written).time_since_epoch())
                                        .count();
            fileTime = Platform::UnixTimeToFileTime(sinceEpoch / 1000000000, sinceEpoch % 1000000000);
        }
        if (!AddFile(name, std::move(data), fileTime, why)) return false;
    }
    return true;
}

std::string PakWriter::Build() const
{
    std::string out;
    size_t total = 9;
    for (const File& f : mFiles) total += 14 + f.name.size() + f.data.size();
    out.reserve(total);
    PutU32(out, kPakMagic);
    PutU32(out, kPakVersion);
    for (const File& f : mFiles)
    {
        out += '\0';
        out += static_cast<char>(f.name.size());
        out += f.name;
        PutU32(out, static_cast<uint32_t>(f.data.size()));
        PutU64(out, f.fileTime);
    }
    out += static_cast<char>(0x80);
    for (const File& f : mFiles) out += f.data;
    for (char& c : out) c = static_cast<char>(c ^ kPakScrambleKey);
    return out;
}

bool PakWriter::WriteTo(const std::string& path) const
{
    return Platform::WriteFileAtomically(path, Build());
}

} // namespace Zest
