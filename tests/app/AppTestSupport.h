// Test support for the application object: a private home and store, the manual clock, the headless window
// layer and display, and an application subclass that records its hooks.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/ZestAppBase.h"
#include "base/Common.h"
#include "platform/Clock.h"
#include "platform/Cursors.h"
#include "platform/Debug.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/Instance.h"
#include "platform/Messages.h"
#include "platform/Registry.h"
#include "platform/Surfaces.h"
#include "platform/System.h"
#include "widgets/Widget.h"
#include "widgets/WidgetManager.h"

// An application that tells what happened to it.
class TestApp : public Zest::ZestAppBase
{
public:
    std::vector<std::string> calls;
    std::function<void(TestApp&)> onUpdate; // runs after each update
    int loadingDone = 0;
    int shutdowns = 0;

    TestApp()
    {
        mProductName = "ZestTest";
        mCompanyName = "Tests";
        mRegKey = "ZestTest";
    }
    void BeforeInit() override { calls.push_back("BeforeInit"); }
    void ReadFromRegistry() override
    {
        calls.push_back("ReadFromRegistry");
        ZestAppBase::ReadFromRegistry();
    }
    void ParseCommandLine(const std::vector<std::string>& args) override
    {
        calls.push_back("ParseCommandLine");
        ZestAppBase::ParseCommandLine(args);
    }
    void BeforeDisplayInit() override { calls.push_back("BeforeDisplayInit"); }
    void MakeWindow() override
    {
        calls.push_back("MakeWindow");
        ZestAppBase::MakeWindow();
    }
    void SetSfxVolume(double v) override
    {
        calls.push_back("SetSfxVolume");
        ZestAppBase::SetSfxVolume(v);
    }
    void LoadWhileWindowShows() override
    {
        calls.push_back("LoadWhileWindowShows");
        if (onStartUpLoads) onStartUpLoads(*this);
    }
    std::function<void(TestApp&)> onStartUpLoads;
    void AfterInit() override { calls.push_back(mInitialized ? "AfterInit(initialised)" : "AfterInit"); }
    void OnLoadingDone() override
    {
        ++loadingDone;
        calls.push_back("OnLoadingDone");
    }
    void OnShutdown() override { ++shutdowns; }
    void RunUpdate() override
    {
        ZestAppBase::RunUpdate();
        if (onUpdate) onUpdate(*this);
    }
};

// A widget that counts what reaches it.
class ProbeWidget : public Zest::Widget
{
public:
    std::vector<int> downs;
    std::vector<int> ups;
    std::vector<int> keys;
    std::string chars;
    int updates = 0;
    bool alwaysDirty = false;
    ProbeWidget() { wantsFocus = true; }
    using Widget::MouseDown;
    using Widget::MouseUp;
    // Click codes as the manager passes them.
    void MouseDown(int x, int y, int clickCode) override
    {
        (void)x, (void)y;
        downs.push_back(clickCode);
    }
    void MouseUp(int x, int y, int clickCode) override
    {
        (void)x, (void)y;
        ups.push_back(clickCode);
    }
    void KeyDown(int key) override { keys.push_back(key); }
    void KeyChar(char c) override { chars += c; }
    void Update() override
    {
        ++updates;
        if (alwaysDirty) MarkDirty();
    }
};

class AppTest : public ::testing::Test
{
protected:
    std::string root;

    void SetUp() override
    {
        std::random_device seed;
        // The store saves with fsync after every change; memory-backed /dev/shm keeps that cheap.
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        root = (base / ("zest-app-" + std::to_string(seed()))).string();
        std::filesystem::create_directories(root + "/run");
        std::filesystem::create_directories(root + "/home");
        std::filesystem::create_directories(root + "/cwd");
        Platform::SetEnv("HOME", root + "/home");
        Platform::SetEnv("XDG_CONFIG_HOME", root + "/config");
        Platform::SetEnv("XDG_DATA_HOME", root + "/data");
        Platform::SetEnv("XDG_CACHE_HOME", root + "/cache");
        Platform::SetEnv("XDG_RUNTIME_DIR", root + "/run");
        mOldDir = Platform::GetCurrentDirectory();
        Platform::SetCurrentDirectory(root + "/cwd");
        Platform::SetSettingsFile(root + "/config/settings.ini");
        Platform::ClearRegistryFaults();
        Platform::SetManualClock(true);
        Platform::ResetClockShutdown();
        Platform::OverrideHeadlessVideo(true);
        Platform::SetVideoBackend(Platform::VideoBackend::Headless);
        Platform::ResetHeadlessDisplay();
        Platform::ResetWindowLayer();
        Platform::ResetDesktop();
        Platform::SetOtherInstanceRunning(false);
        Platform::RestoreHiddenModules();
        Platform::SetDebugOutputEnabled(false);
    }

    void TearDown() override
    {
        Platform::ResetWindowLayer();
        Platform::SetOtherInstanceRunning(false);
        Platform::RestoreHiddenModules();
        Platform::SetManualClock(false);
        Platform::SetSettingsFile("");
        Platform::SetCurrentDirectory(mOldDir);
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
    std::string SettingsText() { return ReadText(root + "/config/settings.ini"); }

private:
    std::string mOldDir;
};
