// A temporary folder per test and small helpers for writing fixture files into it.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace CoreTest
{

class TempFolder
{
public:
    TempFolder()
    {
        std::random_device rd;
        path = std::filesystem::temp_directory_path() / ("ember_core_" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path);
    }
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path, ec);
    }
    // The folder with a trailing separator, as the game keeps its data folder.
    std::string Folder() const { return path.string() + "/"; }
    std::string File(const std::string& name) const { return (path / name).string(); }

    void Write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream out(path / name, std::ios::binary);
        out << bytes;
    }
    std::string Read(const std::string& name) const
    {
        std::ifstream in(path / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(path / name); }

    std::filesystem::path path;
};

} // namespace CoreTest
