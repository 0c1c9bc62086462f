// Test fixture: a fresh temporary folder standing in for $HOME and every XDG folder, removed afterwards.
#pragma once

#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/System.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>

class TempHome : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::random_device seed;
        root = (std::filesystem::temp_directory_path() /
                ("zest-platform-" + std::to_string(seed()) + "-" + std::to_string(sCounter++)))
                   .string();
        std::filesystem::create_directories(root);
        for (const char* name : kVariables) mSaved.push_back(Platform::GetEnv(name));
        Platform::SetEnv("HOME", root + "/home");
        Platform::SetEnv("XDG_CONFIG_HOME", root + "/config");
        Platform::SetEnv("XDG_DATA_HOME", root + "/data");
        Platform::SetEnv("XDG_CACHE_HOME", root + "/cache");
        Platform::SetEnv("XDG_RUNTIME_DIR", root + "/run");
        std::filesystem::create_directories(root + "/home");
        std::filesystem::create_directories(root + "/run");
        Platform::SetSettingsFile("");
    }

    void TearDown() override
    {
        Platform::SetSettingsFile("");
        for (size_t i = 0; i < std::size(kVariables); ++i)
        {
            if (mSaved[i])
                Platform::SetEnv(kVariables[i], *mSaved[i]);
            else
                Platform::UnsetEnv(kVariables[i]);
        }
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    static void WriteText(const std::string& path, const std::string& text)
    {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    static std::string ReadText(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Names in `folder`, sorted.
    static std::vector<std::string> Listing(const std::string& folder)
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string root;

private:
    static constexpr const char* kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                                 "XDG_RUNTIME_DIR"};
    static inline std::atomic<int> sCounter{0};
    std::vector<std::optional<std::string>> mSaved;
};
