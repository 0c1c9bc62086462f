// Fuzz target: the AU reader on arbitrary bytes from memory.
#include "SoundFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzSoundReader(data, size,
                           [](const uint8_t* d, size_t n, Zest::SoundData& out)
                           {
                               auto file = Zest::OpenMemorySoundFile(d, n);
                               return Zest::ReadAuSound(*file, out);
                           });
}
