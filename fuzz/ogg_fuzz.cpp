// Fuzz target: the Ogg Vorbis reader, and the streamed source that music uses, on arbitrary bytes from memory.
#include "SoundFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSoundReader(data, size,
                    [](const uint8_t* d, size_t n, Zest::SoundData& out)
                    { return Zest::ReadOggSound(Zest::OpenMemorySoundFile(d, n), out); });
    if (auto stream = Zest::OpenOggStream(Zest::OpenMemorySoundFile(data, size)))
    {
        int16_t block[4096 * 2];
        for (int i = 0; i < 64; ++i)
            if (stream->Read(block, 4096) <= 0) break;
        stream->Seek(0);
        stream->Read(block, 4096);
    }
    return 0;
}
