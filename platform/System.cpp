// System identity, environment variables, headless choice.
#include "platform/System.h"

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <unistd.h>

namespace Platform
{
namespace
{

std::mutex gOverrideMutex;
std::optional<bool> gHeadlessOverride;

} // namespace

bool GetVersionEx(OsVersionInfo* info)
{
    if (info == nullptr) return false;
    info->majorVersion = 6;
    info->minorVersion = 1;
    info->buildNumber = 7601;
    info->platformId = VER_PLATFORM_WIN32_NT;
    return true;
}

std::optional<std::string> GetEnv(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

void SetEnv(const std::string& name, const std::string& value)
{
    ::setenv(name.c_str(), value.c_str(), 1);
}

void UnsetEnv(const std::string& name)
{
    ::unsetenv(name.c_str());
}

bool IsHeadlessVideo()
{
    {
        std::lock_guard<std::mutex> lock(gOverrideMutex);
        if (gHeadlessOverride) return *gHeadlessOverride;
    }
    std::optional<std::string> video = GetEnv("ZEST_VIDEO");
    return video && *video == "headless";
}

void OverrideHeadlessVideo(std::optional<bool> headless)
{
    std::lock_guard<std::mutex> lock(gOverrideMutex);
    gHeadlessOverride = headless;
}

bool HasDisplay()
{
    if (IsHeadlessVideo()) return false;
    std::optional<std::string> x11 = GetEnv("DISPLAY");
    std::optional<std::string> wayland = GetEnv("WAYLAND_DISPLAY");
    return (x11 && !x11->empty()) || (wayland && !wayland->empty());
}

bool IsUnattended()
{
    if (IsHeadlessVideo()) return true;
    std::optional<std::string> ci = GetEnv("CI");
    return ci && !ci->empty() && *ci != "0" && *ci != "false";
}

int CurrentProcessId()
{
    return static_cast<int>(::getpid());
}

unsigned CurrentUserId()
{
    return static_cast<unsigned>(::getuid());
}

bool GetProcessMemory(uint64_t& peakKb, uint64_t& currentKb)
{
    peakKb = currentKb = 0;
    std::ifstream status("/proc/self/status");
    std::string line;
    bool peak = false, current = false;
    while (std::getline(status, line))
    {
        std::istringstream fields(line);
        std::string key;
        uint64_t value = 0;
        if (!(fields >> key >> value)) continue;
        if (key == "VmHWM:") peakKb = value, peak = true;
        if (key == "VmRSS:") currentKb = value, current = true;
    }
    return peak && current;
}

} // namespace Platform
