// What every image-decoder fuzz target does with one input: decode it from memory and touch the last pixel.
#pragma once

#include "data/ImageCodecs.h"
#include "platform/Debug.h"

#include <cstddef>
#include <cstdint>

template <class Decode>
int FuzzDecoder(const uint8_t* data, size_t size, Decode decode)
{
    static const bool quiet = []
    {
        Platform::SetDebugOutputEnabled(false);
        return true;
    }();
    (void)quiet;
    ImageLib::MemorySource source(data, size);
    if (auto image = decode(source))
    {
        // The last pixel shows up under the sanitizers if the pixel array is shorter than the reported size.
        const size_t count = static_cast<size_t>(image->mWidth) * static_cast<size_t>(image->mHeight);
        volatile uint32_t last = image->GetBits()[count - 1];
        (void)last;
    }
    return 0;
}
