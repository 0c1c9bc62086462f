// The desktop's display mode, virtual mode changes and the screen-saver queries.
//
// Implements: the current mode (size, depth, refresh), a mode change that is only virtual (it succeeds for 16 and
// 32 bits per pixel, GetSystemMetrics reports it until it is restored, nothing really switches), the screen-saver
// parameters the idle pause asks for (never active on Linux: they cannot be queried, so the answers say so), and
// letting the desktop's own saver run or not. Desktop and usable size themselves: GetSystemMetrics (Window.h).
// Leaves out: enumerating modes other than the current one, several monitors.
#pragma once

#include <cstdint>

namespace Platform
{

constexpr uint32_t DM_BITSPERPEL = 0x00040000;
constexpr uint32_t DM_PELSWIDTH = 0x00080000;
constexpr uint32_t DM_PELSHEIGHT = 0x00100000;
constexpr uint32_t DM_DISPLAYFREQUENCY = 0x00400000;

struct DEVMODE
{
    uint32_t dmSize = sizeof(DEVMODE);
    uint32_t dmFields = 0;
    uint32_t dmPelsWidth = 0;
    uint32_t dmPelsHeight = 0;
    uint32_t dmBitsPerPel = 0;
    uint32_t dmDisplayFrequency = 0;
};

constexpr uint32_t ENUM_CURRENT_SETTINGS = 0xFFFFFFFF;
// Only the current mode is known: true for ENUM_CURRENT_SETTINGS (the virtual mode while one is set), else false.
// Depth: a 4-byte pixel reads as 32, whatever SDL calls it.
bool EnumDisplaySettings(const char* device, uint32_t modeNumber, DEVMODE* mode);

constexpr uint32_t CDS_FULLSCREEN = 0x00000004;
constexpr int32_t DISP_CHANGE_SUCCESSFUL = 0;
constexpr int32_t DISP_CHANGE_FAILED = -1;
constexpr int32_t DISP_CHANGE_BADMODE = -2;
// A mode record sets the virtual mode (fields not flagged keep the current value); DISP_CHANGE_BADMODE for a depth
// other than 16/32 or a size of 0. Null restores the real mode. Each change posts WM_DISPLAYCHANGE.
int32_t ChangeDisplaySettings(const DEVMODE* mode, uint32_t flags);
// The virtual desktop mode, when one is set.
bool DesktopModeSize(int& width, int& height);

constexpr uint32_t SPI_GETSCREENSAVETIMEOUT = 14;
constexpr uint32_t SPI_GETSCREENSAVEACTIVE = 16;
constexpr uint32_t SPI_GETSCREENSAVERRUNNING = 114;
// The three queries above, into a uint32 (timeout in seconds) or a bool-sized int; false for anything else.
bool SystemParametersInfo(uint32_t action, uint32_t param, void* out, uint32_t winIni);
// Lets the desktop's screen saver (and monitor power-off) run, or holds it off.
void AllowScreenSaver(bool allow);
bool IsScreenSaverAllowed();

// Headless controls: a failing mode change, and the saver answers (real backend: never active).
void SetHeadlessModeChangeFails(bool fails);
void SetHeadlessScreenSaver(uint32_t timeoutSeconds, bool active, bool running);
// Restores the real mode and the defaults (part of ResetWindowLayer).
void ResetDesktop();

} // namespace Platform
