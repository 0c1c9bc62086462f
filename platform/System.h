// System identity, environment variables and the choice between real and headless backends.
//
// Implements: the version query start-up asks (always a modern NT-family system, so the version-dependent
// start-up steps run), reading and setting environment variables, and whether video runs headless
// (ZEST_VIDEO=headless) and whether a display is there to show anything on.
// Leaves out: the service-pack text and product-type fields of the version record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace Platform
{

constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;

struct OsVersionInfo
{
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t buildNumber = 0;
    uint32_t platformId = 0;
};

// Fills the record with major 6 or later and the NT platform id; always succeeds for a non-null record.
bool GetVersionEx(OsVersionInfo* info);

// The variable's value, or nullopt when it is not set.
std::optional<std::string> GetEnv(const std::string& name);
void SetEnv(const std::string& name, const std::string& value);
void UnsetEnv(const std::string& name);

// This process's id, and the id of the user it runs as.
int CurrentProcessId();
unsigned CurrentUserId();

// ZEST_VIDEO=headless (or a test override) means no window, no display, nothing shown.
bool IsHeadlessVideo();
// Test override of ZEST_VIDEO; nullopt goes back to the environment.
void OverrideHeadlessVideo(std::optional<bool> headless);
// Not headless, and a display to show things on ($DISPLAY or $WAYLAND_DISPLAY is set).
bool HasDisplay();
// Nobody is there to answer: headless video, or a CI run ($CI set to anything but "", "0" or "false"), where even
// a display (a virtual one) has no one watching it.
bool IsUnattended();

// This process's resident memory in kilobytes: the peak so far and now. False (both 0) where it cannot be read.
bool GetProcessMemory(uint64_t& peakKb, uint64_t& currentKb);

} // namespace Platform
