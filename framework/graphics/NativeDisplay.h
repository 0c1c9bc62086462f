// Zest::NativeDisplay: the display's pixel format, which images read when they convert their pixels for the
// screen. The display device derives from it; images without a display use the standard 32-bit format.
#pragma once

#include <cstdint>

namespace Zest
{

struct NativeDisplay
{
    int mBitsPerPixel = 0;
    int mRedMask = 0;
    int mGreenMask = 0;
    int mBlueMask = 0;
    int mRedWidth = 0;
    int mGreenWidth = 0;
    int mBlueWidth = 0;
    int mRedShift = 0;
    int mGreenShift = 0;
    int mBlueShift = 0;

    NativeDisplay() = default;
    NativeDisplay(const NativeDisplay&) = default;
    NativeDisplay& operator=(const NativeDisplay&) = default;
    virtual ~NativeDisplay() = default;

    // Stores the masks and derives each channel's shift (lowest set bit) and width (highest set bit - shift + 1).
    void SetPixelFormat(int bitsPerPixel, uint32_t redMask, uint32_t greenMask, uint32_t blueMask);
    // The widths and shifts of one mask; both 0 for an empty mask.
    static void AnalyseMask(uint32_t mask, int& shift, int& width);
};

// 32 bits per pixel, 0x00RRGGBB: the format images use when no display is there to ask.
const NativeDisplay& StandardNativeDisplay();

} // namespace Zest
