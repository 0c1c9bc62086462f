// Fuzz target: the JPEG 2000 decoder (through the codec module) on arbitrary bytes from memory.
#include "DecoderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool loaded = []
    {
        ImageLib::LoadJ2KCodec();
        return true;
    }();
    (void)loaded;
    return FuzzDecoder(data, size, [](ImageLib::MemorySource& source) { return ImageLib::DecodeJ2K(source); });
}
