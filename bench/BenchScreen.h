// The fixtures the drawing benchmarks share: a headless display with its device in a chosen depth, and the pixman
// side of a comparison (premultiplied sources, a destination in the same depth as ours).
#pragma once

#include "graphics/DDInterface.h"
#include "platform/Surfaces.h"
#include "platform/Window.h"

#include <pixman.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace BenchScreen
{

// A headless display of w x h in 5-6-5 (bits 16) or X8R8G8B8 (bits 32) and the device on it. Images made on the
// device must be gone before this is.
struct HeadlessDevice
{
    std::unique_ptr<::Platform::Window> window;
    Zest::DisplayApp app;
    std::unique_ptr<Zest::DDInterface> device;

    HeadlessDevice(int bits, int w, int h)
    {
        ::Platform::SetVideoBackend(::Platform::VideoBackend::Headless);
        ::Platform::ResetHeadlessDisplay();
        ::Platform::HeadlessDisplay().bitsPerPixel = bits;
        app.mWidth = w;
        app.mHeight = h;
        app.mColorDepth = bits;
        app.mSyncDrawing = false;
        window = ::Platform::Window::Create("bench", 0, 0, w, h);
        device = std::make_unique<Zest::DDInterface>(&app);
        if (device->Init(window.get(), true) != 0) std::fprintf(stderr, "%s\n", device->mErrorString.c_str());
    }
    ~HeadlessDevice()
    {
        device.reset();
        ::Platform::ResetHeadlessDisplay();
    }
    HeadlessDevice(const HeadlessDevice&) = delete;
    HeadlessDevice& operator=(const HeadlessDevice&) = delete;
};

// A8R8G8B8 pixels with the colour multiplied by alpha, as pixman wants them.
inline std::vector<uint32_t> Premultiplied(std::vector<uint32_t> px)
{
    for (uint32_t& p : px)
    {
        const uint32_t a = p >> 24;
        p = (a << 24) | ((((p >> 16) & 0xFF) * a / 255) << 16) | ((((p >> 8) & 0xFF) * a / 255) << 8) |
            ((p & 0xFF) * a / 255);
    }
    return px;
}

// A pixman destination holding an X8R8G8B8 background, converted to 5-6-5 for bits 16.
struct PixmanDest
{
    std::vector<uint32_t> px;
    pixman_image_t* image = nullptr;

    PixmanDest(int bits, const std::vector<uint32_t>& background, int w, int h)
    {
        if (bits == 16)
        {
            px.resize(size_t(w) * h / 2);
            auto* p16 = reinterpret_cast<uint16_t*>(px.data());
            for (size_t i = 0; i < background.size(); ++i)
            {
                const uint32_t c = background[i];
                p16[i] = uint16_t((c >> 8 & 0xF800) | (c >> 5 & 0x07E0) | (c >> 3 & 0x001F));
            }
            image = pixman_image_create_bits(PIXMAN_r5g6b5, w, h, px.data(), w * 2);
        }
        else
        {
            px = background;
            image = pixman_image_create_bits(PIXMAN_x8r8g8b8, w, h, px.data(), w * 4);
        }
    }
    ~PixmanDest() { pixman_image_unref(image); }
    PixmanDest(const PixmanDest&) = delete;
    PixmanDest& operator=(const PixmanDest&) = delete;
};

} // namespace BenchScreen
