// Fuzz target: any bytes as an effect file, read with its tagged records, then run as an effect for two seconds
// and drawn. Nothing may crash, hang, allocate without bound or draw outside the picture.
#include <cstdint>
#include <cstdlib>

#include "game/board/ParticleSystem.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Zest;
    const EffectFile file = EffectFile::Parse(data, size);
    static MemoryImage* sprite = []
    {
        auto* img = new MemoryImage();
        img->Create(8, 8);
        for (int i = 0; i < 64; ++i) img->GetBits()[i] = 0x80FFFFFF;
        img->BitsChanged();
        return img;
    }();
    ParticleSystem::ResetSeed(static_cast<uint32_t>(size));
    ParticleSystem system(file.description, sprite, 20.0f);
    system.additive = file.additive;
    system.clipPolygon = file.clipPolygon;
    system.FireAt(file.hasStart ? file.startX : 100.0f, file.hasStart ? file.startY : 100.0f);
    MemoryImage screen;
    screen.Create(200, 150);
    Graphics g(&screen);
    for (int update = 0; update < 200; ++update)
    {
        system.Update(0.01f);
        if (update % 50 == 0) system.MoveTo(static_cast<float>(update), 50.0f);
        if (update % 40 == 0) system.Render(g, update % 80 == 0);
    }
    if (system.LiveCount() > ParticleSystem::kMaxParticles) std::abort();
    return 0;
}
