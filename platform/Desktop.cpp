// The current display mode, the virtual desktop mode change and the screen-saver answers.
#include <SDL.h>

#include <algorithm>
#include <mutex>

#include "platform/Desktop.h"
#include "platform/Messages.h"
#include "platform/Surfaces.h"
#include "platform/SurfacesInternal.h"
#include "platform/WindowLayerInternal.h"

namespace Platform
{

namespace
{

// GetSystemMetrics may be asked from the cursor thread, so the mode is kept under a lock.
std::mutex gModeMutex;
bool gModeSet = false;
DEVMODE gMode;

bool gModeChangeFails = false;
uint32_t gSaverTimeout = 0;
bool gSaverActive = false;
bool gSaverRunning = false;
bool gSaverAllowed = true;

DEVMODE RealMode()
{
    const DesktopInfo desktop = QueryDesktop();
    DEVMODE mode;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL | DM_DISPLAYFREQUENCY;
    mode.dmPelsWidth = uint32_t(std::max(0, desktop.width));
    mode.dmPelsHeight = uint32_t(std::max(0, desktop.height));
    // A four-byte pixel is a 32-bit mode, however the padding byte is named.
    mode.dmBitsPerPel = uint32_t(
        desktop.format.bitsPerPixel == 24 && GetVideoBackend() == VideoBackend::Sdl ? 32 : desktop.format.bitsPerPixel);
    mode.dmDisplayFrequency = GetVideoBackend() == VideoBackend::Sdl ? SdlRefreshRate() : HeadlessDisplay().refreshHz;
    return mode;
}

void NotifyDisplayChange(const DEVMODE& mode)
{
    if (HWND main = MainWindowHandle())
        PostMessage(main, WM_DISPLAYCHANGE, mode.dmBitsPerPel,
                    MAKELPARAM(int(mode.dmPelsWidth), int(mode.dmPelsHeight)));
}

} // namespace

bool EnumDisplaySettings(const char*, uint32_t modeNumber, DEVMODE* mode)
{
    if (!mode || modeNumber != ENUM_CURRENT_SETTINGS) return false;
    {
        std::lock_guard guard(gModeMutex);
        if (gModeSet)
        {
            *mode = gMode;
            return true;
        }
    }
    *mode = RealMode();
    return true;
}

int32_t ChangeDisplaySettings(const DEVMODE* mode, uint32_t)
{
    if (!mode)
    {
        bool was = false;
        {
            std::lock_guard guard(gModeMutex);
            was = gModeSet;
            gModeSet = false;
        }
        if (was) NotifyDisplayChange(RealMode());
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (gModeChangeFails) return DISP_CHANGE_FAILED;
    DEVMODE current;
    EnumDisplaySettings(nullptr, ENUM_CURRENT_SETTINGS, &current);
    DEVMODE wanted = current;
    if (mode->dmFields & DM_PELSWIDTH) wanted.dmPelsWidth = mode->dmPelsWidth;
    if (mode->dmFields & DM_PELSHEIGHT) wanted.dmPelsHeight = mode->dmPelsHeight;
    if (mode->dmFields & DM_BITSPERPEL) wanted.dmBitsPerPel = mode->dmBitsPerPel;
    if (mode->dmFields & DM_DISPLAYFREQUENCY) wanted.dmDisplayFrequency = mode->dmDisplayFrequency;
    if ((wanted.dmBitsPerPel != 16 && wanted.dmBitsPerPel != 32) || wanted.dmPelsWidth == 0 ||
        wanted.dmPelsHeight == 0 || wanted.dmPelsWidth > 16384 || wanted.dmPelsHeight > 16384)
        return DISP_CHANGE_BADMODE;
    {
        std::lock_guard guard(gModeMutex);
        gMode = wanted;
        gModeSet = true;
    }
    NotifyDisplayChange(wanted);
    return DISP_CHANGE_SUCCESSFUL;
}

bool DesktopModeSize(int& width, int& height)
{
    std::lock_guard guard(gModeMutex);
    if (!gModeSet) return false;
    width = int(gMode.dmPelsWidth);
    height = int(gMode.dmPelsHeight);
    return true;
}

bool SystemParametersInfo(uint32_t action, uint32_t, void* out, uint32_t)
{
    if (!out) return false;
    // Linux gives no way to ask: the real backend answers "no saver", so the idle pause never starts.
    const bool real = GetVideoBackend() == VideoBackend::Sdl;
    switch (action)
    {
    case SPI_GETSCREENSAVETIMEOUT:
        *static_cast<uint32_t*>(out) = real ? 0 : gSaverTimeout;
        return true;
    case SPI_GETSCREENSAVEACTIVE:
        *static_cast<int32_t*>(out) = real ? 0 : int32_t(gSaverActive);
        return true;
    case SPI_GETSCREENSAVERRUNNING:
        *static_cast<int32_t*>(out) = real ? 0 : int32_t(gSaverRunning);
        return true;
    default:
        return false;
    }
}

void AllowScreenSaver(bool allow)
{
    gSaverAllowed = allow;
    if (SDL_WasInit(SDL_INIT_VIDEO))
    {
        if (allow)
            SDL_EnableScreenSaver();
        else
            SDL_DisableScreenSaver();
    }
}

bool IsScreenSaverAllowed()
{
    return gSaverAllowed;
}

void SetHeadlessModeChangeFails(bool fails)
{
    gModeChangeFails = fails;
}

void SetHeadlessScreenSaver(uint32_t timeoutSeconds, bool active, bool running)
{
    gSaverTimeout = timeoutSeconds;
    gSaverActive = active;
    gSaverRunning = running;
}

void ResetDesktop()
{
    {
        std::lock_guard guard(gModeMutex);
        gModeSet = false;
        gMode = DEVMODE{};
    }
    gModeChangeFails = false;
    gSaverTimeout = 0;
    gSaverActive = false;
    gSaverRunning = false;
    gSaverAllowed = true;
}

} // namespace Platform
