// Fuzz target: the TGA decoder on arbitrary bytes from memory.
#include "DecoderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzDecoder(data, size, [](ImageLib::MemorySource& source) { return ImageLib::DecodeTGA(source); });
}
