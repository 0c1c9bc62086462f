// A headless display for tests: a desktop in a chosen format, a window, and an initialised display device.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "graphics/DDImage.h"
#include "graphics/DDInterface.h"
#include "graphics/MemoryImage.h"
#include "platform/Surfaces.h"
#include "platform/Window.h"

namespace ZestTest
{

// The desktop formats every surface routine is checked in.
enum class Format
{
    Rgb565,
    Rgb555,
    Xrgb8888,
    Xbgr8888
};

inline const char* FormatName(Format f)
{
    switch (f)
    {
    case Format::Rgb565:
        return "565";
    case Format::Rgb555:
        return "555";
    case Format::Xrgb8888:
        return "888";
    default:
        return "BGR";
    }
}

inline void SetDesktop(Format f)
{
    Platform::HeadlessDisplayConfig& c = Platform::HeadlessDisplay();
    c.bitsPerPixel = (f == Format::Rgb565 || f == Format::Rgb555) ? 16 : 32;
    c.use555 = f == Format::Rgb555;
    c.bgr = f == Format::Xbgr8888;
}

class Display
{
public:
    explicit Display(Format format, int width = 64, int height = 48, bool windowed = true)
    {
        Platform::SetVideoBackend(Platform::VideoBackend::Headless);
        Platform::ResetHeadlessDisplay();
        SetDesktop(format);
        app.mWidth = width;
        app.mHeight = height;
        app.mSyncDrawing = false;
        window = Platform::Window::Create("test", 16, 8, width, height);
        device = std::make_unique<Zest::DDInterface>(&app);
        result = device->Init(window.get(), windowed);
    }
    ~Display()
    {
        device.reset();
        Platform::ResetHeadlessDisplay();
    }

    Zest::DisplayApp app;
    std::unique_ptr<Platform::Window> window;
    std::unique_ptr<Zest::DDInterface> device;
    int result = -1;
};

// A picture of one colour.
inline std::unique_ptr<Zest::MemoryImage> SolidPicture(int w, int h, uint32_t argb)
{
    auto image = std::make_unique<Zest::MemoryImage>();
    image->Create(w, h);
    std::fill(image->GetBits(), image->GetBits() + w * h, argb);
    image->BitsChanged();
    return image;
}

} // namespace ZestTest
