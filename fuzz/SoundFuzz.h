// What every sound-reader fuzz target does with one input: read it from memory and touch the last byte read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sound/SoundReaders.h"

template <class Read>
int FuzzSoundReader(const uint8_t* data, size_t size, Read read)
{
    Zest::SoundData out;
    if (read(data, size, out) && !out.bytes.empty())
    {
        // A reader that claims more data than it filled shows up under the sanitizers here.
        volatile uint8_t last = out.bytes.back();
        (void)last;
        const size_t block = static_cast<size_t>(out.channels * out.bits / 8);
        if (block == 0 || out.bytes.size() % block != 0 || out.rate <= 0) __builtin_trap();
    }
    return 0;
}
