// The platform window object (bookkeeping for both backends, SDL calls delegated) and the desktop metrics.
#include "platform/Window.h"

#include <algorithm>

#include "platform/Desktop.h"
#include "platform/SurfacesInternal.h"

namespace Platform
{

int GetSystemMetrics(int index)
{
    const DesktopInfo desktop = QueryDesktop();
    int modeWidth = 0, modeHeight = 0;
    // A display-mode change of the desktop, else a full-screen mode of the display device, is what is reported.
    const bool mode = DesktopModeSize(modeWidth, modeHeight) || VirtualModeSize(modeWidth, modeHeight);
    switch (index)
    {
    case SM_CXSCREEN:
        return mode ? modeWidth : desktop.width;
    case SM_CYSCREEN:
        return mode ? modeHeight : desktop.height;
    case SM_CXFULLSCREEN:
        return desktop.usable.right - desktop.usable.left;
    case SM_CYFULLSCREEN:
        return std::max(0, desktop.usable.bottom - desktop.usable.top - desktop.captionHeight);
    default:
        return 0;
    }
}

std::unique_ptr<Window> Window::Create(const std::string& title, int x, int y, int width, int height)
{
    std::unique_ptr<Window> window(new Window);
    window->mX = x;
    window->mY = y;
    window->mWidth = std::max(width, 1);
    window->mHeight = std::max(height, 1);
    if (GetVideoBackend() == VideoBackend::Sdl && !SdlCreateWindow(*window, title.c_str())) return nullptr;
    return window;
}

std::unique_ptr<Window> Window::CreateMessageOnly()
{
    return std::unique_ptr<Window>(new Window);
}

Window::~Window()
{
    if (mNative) SdlDestroyWindow(*this);
}

void Window::GetClientRect(RECT& rect) const
{
    rect = RECT{0, 0, mWidth, mHeight};
}

void Window::ClientToScreen(POINT& point) const
{
    point.x += mX;
    point.y += mY;
}

void Window::MoveClient(int x, int y, int width, int height)
{
    mX = x;
    mY = y;
    mWidth = std::max(width, 1);
    mHeight = std::max(height, 1);
    if (mNative) SdlApplyWindow(*this);
}

void Window::Show(bool visible)
{
    mVisible = visible;
    if (mNative) SdlApplyWindow(*this);
}

void Window::SetFullScreen(bool fullScreen)
{
    mFullScreen = fullScreen;
    if (mNative) SdlApplyWindow(*this);
}

} // namespace Platform
