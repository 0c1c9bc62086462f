// Fuzz target: the WAV reader (with its cache chunks) on arbitrary bytes from memory.
#include "SoundFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzSoundReader(data, size,
                           [](const uint8_t* d, size_t n, Zest::SoundData& out)
                           {
                               auto file = Zest::OpenMemorySoundFile(d, n);
                               return Zest::ReadWavSound(*file, out,
                                                         [](const std::string& name) { return uint64_t{name.size()}; });
                           });
}
