// Test doubles for the resource manager: an application that keeps a shared-image table the way the real one
// does and counts its calls, a sound manager that records every call and fails on demand, and a scratch folder.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "base/Common.h"
#include "data/ImageLib.h"
#include "data/PakInterface.h"
#include "graphics/DDImage.h"
#include "resources/ResourceApp.h"
#include "resources/ResourceManager.h"
#include "sound/SoundServices.h"
#include "tests/graphics/DisplayFixture.h"

namespace ResourceTest
{

class FakeSoundManager : public Zest::SoundManager
{
public:
    struct Call
    {
        std::string what; // "load", "volume", "pan", "release"
        int id = -1;
        std::string path;
        double value = 0;
    };

    int GetFreeSoundId() override
    {
        if (noFreeIds) return -1;
        return SoundManager::GetFreeSoundId();
    }
    // Opens the file the way the real loaders do, so a path that is not in the pack fails.
    bool LoadSound(int id, const std::string& fileName) override
    {
        calls.push_back({"load", id, fileName, 0});
        if (failPaths.count(fileName)) return false;
        Zest::PackFileHandle* file = Zest::PakOpen(fileName, "rb");
        if (!file) return false;
        Zest::PakClose(file);
        return SoundManager::LoadSound(id, fileName);
    }
    void ReleaseSound(int id) override
    {
        calls.push_back({"release", id, "", 0});
        SoundManager::ReleaseSound(id);
    }
    bool SetBaseVolume(int id, double factor) override
    {
        calls.push_back({"volume", id, "", factor});
        return SoundManager::SetBaseVolume(id, factor);
    }
    bool SetBasePan(int id, int pan) override
    {
        calls.push_back({"pan", id, "", double(pan)});
        return SoundManager::SetBasePan(id, pan);
    }

    std::vector<Call> CallsFor(int id) const
    {
        std::vector<Call> out;
        for (const Call& c : calls)
            if (c.id == id) out.push_back(c);
        return out;
    }

    std::vector<Call> calls;
    std::set<std::string> failPaths;
    bool noFreeIds = false;
};

// Shares images by (path, variant) and counts references, as the application does.
class FakeApp : public Zest::ResourceApp
{
public:
    Zest::DDImage* FindSharedImage(const std::string& path, const std::string& variant, bool* loadedNow) override
    {
        if (loadedNow) *loadedNow = false;
        ++findCalls;
        composeColors.push_back(ImageLib::gAlphaComposeColor.load());
        Entry& entry = shared[{Zest::StringToUpper(path), Zest::StringToUpper(variant)}];
        if (!entry.image)
        {
            entry.image = GetImage(path, true);
            if (!entry.image)
            {
                shared.erase({Zest::StringToUpper(path), Zest::StringToUpper(variant)});
                return nullptr;
            }
            if (loadedNow) *loadedNow = true;
        }
        ++entry.refs;
        return entry.image.get();
    }
    void ReleaseSharedImage(Zest::DDImage* image) override
    {
        for (auto& [key, entry] : shared)
            if (entry.image.get() == image) --entry.refs;
    }
    std::unique_ptr<Zest::DDImage> GetImage(const std::string& fileName, bool commitBits) override
    {
        std::unique_ptr<ImageLib::Image> loaded = ImageLib::GetImage(fileName);
        if (!loaded) return nullptr;
        if (!display) display = std::make_unique<ZestTest::Display>(ZestTest::Format::Xrgb8888);
        auto image = std::make_unique<Zest::DDImage>(display->device.get());
        image->SetBits(loaded->GetBits(), loaded->GetWidth(), loaded->GetHeight(), commitBits);
        return image;
    }
    bool Is3DAccelerated() const override { return is3D; }
    Zest::SoundManager* GetSoundManager() override { return &sounds; }

    int RefsOf(const Zest::DDImage* image) const
    {
        for (const auto& [key, entry] : shared)
            if (entry.image.get() == image) return entry.refs;
        return 0;
    }
    int TotalRefs() const
    {
        int total = 0;
        for (const auto& [key, entry] : shared) total += entry.refs;
        return total;
    }

    struct Entry
    {
        std::unique_ptr<Zest::DDImage> image;
        int refs = 0;
    };
    std::unique_ptr<ZestTest::Display> display; // made with the first image
    std::map<std::pair<std::string, std::string>, Entry> shared;
    FakeSoundManager sounds;
    std::vector<uint32_t> composeColors;
    int findCalls = 0;
    bool is3D = false;
};

// A fresh working folder for the test, removed afterwards.
class ScratchFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::random_device rd;
        mOldCwd = std::filesystem::current_path();
        mDir =
            std::filesystem::temp_directory_path() / ("zest_res_" + std::to_string(rd()) + "_" + std::to_string(rd()));
        std::filesystem::create_directories(mDir);
        std::filesystem::current_path(mDir);
    }
    void TearDown() override
    {
        std::filesystem::current_path(mOldCwd);
        std::error_code ignored;
        std::filesystem::remove_all(mDir, ignored);
    }

    static void WriteText(const std::string& path, const std::string& text)
    {
        const std::filesystem::path p(path);
        if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    // A PNG whose every pixel is `argb`.
    static void WriteImage(const std::string& path, int width, int height, uint32_t argb)
    {
        WriteImage(path, width, height, [argb](int, int) { return argb; });
    }
    template <typename PixelFn>
    static void WriteImage(const std::string& path, int width, int height, PixelFn pixel)
    {
        const std::filesystem::path p(path);
        if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
        auto image = ImageLib::Image::Create(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) image->GetBits()[size_t(y) * width + x] = pixel(x, y);
        ASSERT_TRUE(ImageLib::WritePNGImage(path, *image)) << path;
    }

    std::filesystem::path mOldCwd;
    std::filesystem::path mDir;
};

} // namespace ResourceTest
