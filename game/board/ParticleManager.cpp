// The particle manager: a fixed table of running systems, compacted by moving the last one into a freed slot.
#include "game/board/ParticleManager.h"

namespace Zest
{

ParticleSystem* ParticleManager::Spawn(const ParticleSystem& templ, float x, float y)
{
    if (count >= kMaxSystems) return nullptr;
    auto system = std::make_unique<ParticleSystem>(templ, frameRate);
    system->FireAt(x, y);
    system->offsetX = offsetX;
    system->offsetY = offsetY;
    systems[static_cast<size_t>(count)] = std::move(system);
    return systems[static_cast<size_t>(count++)].get();
}

void ParticleManager::Update(float seconds)
{
    for (int i = 0; i < count;)
    {
        ParticleSystem& s = *systems[static_cast<size_t>(i)];
        s.Update(seconds);
        if (s.IsStopped() && s.LiveCount() == 0)
        {
            --count;
            systems[static_cast<size_t>(i)] = std::move(systems[static_cast<size_t>(count)]);
            continue; // the system moved here is examined in this same pass
        }
        ++i;
    }
}

void ParticleManager::Render(Graphics& g, bool accelerated)
{
    for (int i = 0; i < count; ++i) systems[static_cast<size_t>(i)]->Render(g, accelerated);
}

void ParticleManager::KillAll()
{
    for (int i = 0; i < count; ++i) systems[static_cast<size_t>(i)].reset();
    count = 0;
}

} // namespace Zest
