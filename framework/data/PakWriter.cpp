// Pack archive writer: directory records, concatenated data, and the byte scrambling over all of it.
#include "data/PakWriter.h"

#include "data/PakInterface.h"
#include "platform/Files.h"

#include <algorithm>

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
