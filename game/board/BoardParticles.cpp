// Templates per board effect, spawning into the manager, and the effects carried by pieces.
#include "game/board/BoardParticles.h"

#include <set>

#include "base/Random.h"
#include "game/board/BoardModel.h"
#include "game/core/GameResources.h"

namespace Zest
{

namespace
{

struct TemplateSource
{
    const char* file;
    Image* const* sprite;
    float frameRate;
    bool readTags;
};

// Effects started during play all come from here. Even the ones fired on every blast or serving are templates
// built once: the effect file is parsed the first time and each start only copies the template.
TemplateSource SourceOf(BoardEffect effect)
{
    switch (effect)
    {
    case BoardEffect::Star:
        return {"star.psi", &IM_BONUS_PARTICLE1, 20.0f, true};
    case BoardEffect::Electro5:
        return {"electro5.psi", &IMAGE_AKKUM_LIGHT, 20.0f, true};
    case BoardEffect::Fog:
        return {"fog.psi", &IM_BONUS_PARTICLE2, 20.0f, true};
    case BoardEffect::Collaps:
        return {"collaps.psi", &IM_BONUS_PARTICLE3, 20.0f, true};
    case BoardEffect::Collaps2:
        return {"collaps2.psi", &IMAGE_AKKUM_LIGHT, 20.0f, true};
    case BoardEffect::DrinkAppear:
        return {"drink_appear.psi", &IMAGE_STAR_FULL, 20.0f, true};
    case BoardEffect::Electro1:
        return {"electro1.psi", &IMAGE_AKKUM_LIGHT, 20.0f, true};
    case BoardEffect::ElectroSmall:
        return {"electro_small.psi", &IMAGE_AKKUM_LIGHT, 20.0f, true};
    case BoardEffect::Electro3:
        return {"electro3.psi", &IMAGE_AKKUM_LIGHT, 0.0f, false};
    case BoardEffect::Hearts:
        return {"harts.psi", &IM_BONUS_HART, 20.0f, true};
    case BoardEffect::Goal:
        return {"goal.psi", &IMAGE_GOAL, 20.0f, true};
    case BoardEffect::ExpertGoal:
        return {"goal.psi", &IMAGE_EXPERT_GOAL, 20.0f, true};
    case BoardEffect::Count:
        break;
    }
    return {"", nullptr, 0.0f, false};
}

} // namespace

BoardParticles::BoardParticles(BoardModel& boardModel, EffectLibrary& effectLibrary, const std::string& effectFolder)
    : model(boardModel), library(effectLibrary), folder(effectFolder)
{
    // The effects' random sequence takes its seed now, so that the game's own random draws do not depend on
    // when the first effect happens to start. Every play field draws it, not only the first of the process: a
    // session must draw the same values whether or not an earlier one ran in the same process.
    ParticleSystem::ResetSeed(Rand());
}

ParticleSystem& BoardParticles::TemplateOf(BoardEffect effect)
{
    // Built on first use: by then the game's pictures are bound and its data files are reachable.
    auto& slot = templates[static_cast<size_t>(effect)];
    if (!slot)
    {
        const TemplateSource s = SourceOf(effect);
        slot = std::make_unique<ParticleSystem>(library, folder + s.file, s.sprite ? *s.sprite : nullptr, s.frameRate,
                                                s.readTags);
    }
    return *slot;
}

bool BoardParticles::Spawn(BoardEffect effect, float x, float y, bool additive)
{
    if (effect == BoardEffect::Count) return false;
    ParticleSystem& templ = TemplateOf(effect);
    // Templates built before the game's pictures were bound take their sprite on first use.
    if (!templ.sprite)
        if (Image* const* handle = SourceOf(effect).sprite) templ.sprite = *handle;
    ParticleSystem* s = manager.Spawn(*templates[static_cast<size_t>(effect)], x, y);
    if (s) s->additive = additive;
    return s != nullptr;
}

void BoardParticles::KillAll()
{
    manager.KillAll();
    carried.clear();
}

void BoardParticles::Update(double seconds)
{
    manager.Update(static_cast<float>(seconds));
}

void BoardParticles::UpdatePieces()
{
    std::set<const Topping*> live;
    for (const auto& column : model.Grid)
        for (const auto& piece : column)
        {
            const Topping& p = *piece;
            if (p.effect == PieceEffect::None || (p.removing && p.removalDelay <= 0)) continue;
            live.insert(&p);
            Carried& c = carried[&p];
            float fx = 0, fy = 0;
            if (p.effect == PieceEffect::Drink) fx = 5;
            if (p.effect == PieceEffect::BombFire) fx = 19, fy = -7;
            if (!c.system || c.kind != p.effect)
            {
                const char* file = p.effect == PieceEffect::Lightning ? "lighting.psi"
                                   : p.effect == PieceEffect::Drink   ? "drink.psi"
                                                                      : "bomb_fire.psi";
                Image* sprite = p.effect == PieceEffect::Lightning ? IMAGE_AKKUM_LIGHT
                                : p.effect == PieceEffect::Drink   ? IM_BONUS_PARTICLE3
                                                                   : IM_BONUS_PARTICLE1;
                c.kind = p.effect;
                c.system = std::make_unique<ParticleSystem>(library, folder + file, sprite, 20.0f, false);
                c.system->FireAt(p.x + fx, p.y + fy);
                c.system->additive = true;
            }
            c.system->Update(0.01f);
            c.system->MoveTo(p.x + fx, p.y + fy);
        }
    for (auto it = carried.begin(); it != carried.end();)
        it = live.count(it->first) ? std::next(it) : carried.erase(it);
}

ParticleSystem* BoardParticles::Attached(const Topping& piece)
{
    auto it = carried.find(&piece);
    return it == carried.end() || it->second.kind != piece.effect ? nullptr : it->second.system.get();
}

} // namespace Zest
