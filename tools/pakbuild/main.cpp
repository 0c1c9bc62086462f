// Pack builder: writes "main.pak" from a folder tree, and lists or extracts an existing pack.
#include "FolderTree.h"
#include "data/PakInterface.h"
#include "data/PakWriter.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

int Usage()
{
    std::fprintf(stderr, "usage:\n"
                         "  pakbuild build <folder> [<out.pak>] [--zero-times]   (default output: main.pak)\n"
                         "  pakbuild list <pack>\n"
                         "  pakbuild extract <pack> <folder>\n");
    return 2;
}

int Build(const std::string& folder, const std::string& out, bool zeroTimes)
{
    Zest::PakWriter writer;
    std::string why;
    if (!Zest::AddFolderTree(writer, folder, zeroTimes, &why))
    {
        std::fprintf(stderr, "pakbuild: %s\n", why.c_str());
        return 1;
    }
    if (!writer.WriteTo(out))
    {
        std::fprintf(stderr, "pakbuild: cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("%zu files written to %s\n", writer.Files().size(), out.c_str());
    return 0;
}

// Listing and extracting go through the game's own reader, so a pack that lists is a pack the game can read.
bool OpenPack(Zest::PakInterface& pak, const std::string& path)
{
    if (pak.AddPakFile(path)) return true;
    std::fprintf(stderr, "pakbuild: %s is not a readable pack\n", path.c_str());
    return false;
}

int List(const std::string& path)
{
    Zest::PakInterface pak;
    if (!OpenPack(pak, path)) return 1;
    const std::string self = pak.NormalizePath(path);
    for (const auto& [key, entry] : pak.Entries())
        if (key != self)
            std::printf("%12llu  %016llx  %s\n", static_cast<unsigned long long>(entry.size),
                        static_cast<unsigned long long>(entry.fileTime), entry.name.c_str());
    return 0;
}

// Stored names are untrusted: only plain relative names are written out.
bool SafeRelativeName(const std::string& name, fs::path& out)
{
    if (name.empty() || name[0] == '\\' || name[0] == '/' || name.find(':') != std::string::npos) return false;
    out.clear();
    size_t begin = 0;
    for (;;)
    {
        const size_t end = name.find_first_of("\\/", begin);
        const std::string part = name.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        if (part.empty() || part == "." || part == ".." || part.find('\0') != std::string::npos) return false;
        out /= part;
        if (end == std::string::npos) return true;
        begin = end + 1;
    }
}

int Extract(const std::string& path, const std::string& folder)
{
    Zest::PakInterface pak;
    if (!OpenPack(pak, path)) return 1;
    const std::string self = pak.NormalizePath(path);
    int failures = 0;
    std::vector<char> buffer(1 << 16);
    for (const auto& [key, entry] : pak.Entries())
    {
        if (key == self) continue;
        fs::path rel;
        if (!SafeRelativeName(entry.name, rel))
        {
            std::fprintf(stderr, "pakbuild: skipping unsafe name %s\n", entry.name.c_str());
            ++failures;
            continue;
        }
        const fs::path target = fs::path(folder) / rel;
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        std::ofstream out(target, std::ios::binary);
        if (!out)
        {
            std::fprintf(stderr, "pakbuild: cannot write %s\n", target.c_str());
            ++failures;
            continue;
        }
        Zest::PackFileHandle in;
        in.entry = &entry;
        size_t n;
        while ((n = pak.FRead(buffer.data(), 1, buffer.size(), &in)) > 0) out.write(buffer.data(), std::streamsize(n));
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args;
    bool zeroTimes = false;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--zero-times") == 0)
            zeroTimes = true;
        else
            args.emplace_back(argv[i]);
    }
    if (args.empty()) return Usage();
    if (args[0] == "build" && (args.size() == 2 || args.size() == 3))
        return Build(args[1], args.size() == 3 ? args[2] : "main.pak", zeroTimes);
    if (args[0] == "list" && args.size() == 2) return List(args[1]);
    if (args[0] == "extract" && args.size() == 3) return Extract(args[1], args[2]);
    return Usage();
}
