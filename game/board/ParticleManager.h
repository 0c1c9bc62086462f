// The running effects of one screen: up to 200 particle systems started from templates, updated, drawn and
// deleted once they have stopped and their last particle has died.
#pragma once

#include <array>
#include <memory>

#include "game/board/ParticleSystem.h"

namespace Zest
{

class Graphics;

class ParticleManager
{
public:
    static constexpr int kMaxSystems = 200;

    explicit ParticleManager(float frameRate) : frameRate(frameRate) {}

    // A copy of the template fired at (x, y), or null when every slot runs. Callers set its additive flag.
    ParticleSystem* Spawn(const ParticleSystem& templ, float x, float y);
    void Update(float seconds);
    void Render(Graphics& g, bool accelerated = false);
    void KillAll();

    int Count() const { return count; }
    ParticleSystem* At(int i) const { return systems[static_cast<size_t>(i)].get(); }

    float frameRate;
    float offsetX = 0, offsetY = 0;

private:
    int count = 0;
    std::array<std::unique_ptr<ParticleSystem>, kMaxSystems> systems;
};

} // namespace Zest
