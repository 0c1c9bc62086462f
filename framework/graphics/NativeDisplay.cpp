// Pixel-format analysis of the display and the standard 32-bit format.
#include "graphics/NativeDisplay.h"

namespace Zest
{

void NativeDisplay::AnalyseMask(uint32_t mask, int& shift, int& width)
{
    shift = 0;
    width = 0;
    if (mask == 0) return;
    int low = 0;
    while (!(mask & (1u << low))) ++low;
    int high = 31;
    while (!(mask & (1u << high))) --high;
    shift = low;
    width = high - low + 1;
}

void NativeDisplay::SetPixelFormat(int bitsPerPixel, uint32_t redMask, uint32_t greenMask, uint32_t blueMask)
{
    mBitsPerPixel = bitsPerPixel;
    mRedMask = int(redMask);
    mGreenMask = int(greenMask);
    mBlueMask = int(blueMask);
    AnalyseMask(redMask, mRedShift, mRedWidth);
    AnalyseMask(greenMask, mGreenShift, mGreenWidth);
    AnalyseMask(blueMask, mBlueShift, mBlueWidth);
}

const NativeDisplay& StandardNativeDisplay()
{
    static const NativeDisplay display = []
    {
        NativeDisplay d;
        d.SetPixelFormat(32, 0xFF0000, 0x00FF00, 0x0000FF);
        return d;
    }();
    return display;
}

} // namespace Zest
