// The play field's particle effects: the templates read once from the effect files, the running effects, and the
// effects a piece carries on it (lightning glow, ice-cream shimmer, bomb fuse).
#pragma once

#include <array>
#include <map>
#include <memory>

#include "game/board/BoardEffects.h"
#include "game/board/BoardRecords.h"
#include "game/board/ParticleManager.h"

namespace Zest
{

class BoardModel;
class Graphics;
class Image;

class BoardParticles : public BoardEffects
{
public:
    // Sprites come from the bound game resources; call after they are bound (null sprites draw nothing).
    BoardParticles(BoardModel& model, EffectLibrary& library, const std::string& folder = "effects/");

    bool Spawn(BoardEffect effect, float x, float y, bool additive) override;
    void KillAll() override;
    void Update(double seconds) override;

    // Keeps each piece's carried effect in step with the piece: made when a piece takes one, moved with it,
    // dropped with it. Runs every update, also while a hint pauses the rest.
    void UpdatePieces();
    // The effect a piece carries, null when none.
    ParticleSystem* Attached(const Topping& piece);
    void Render(Graphics& g, bool accelerated = false) { manager.Render(g, accelerated); }

    ParticleSystem& TemplateOf(BoardEffect effect);

    BoardModel& model;
    EffectLibrary& library;
    std::string folder;
    ParticleManager manager{20.0f};

private:
    struct Carried
    {
        PieceEffect kind = PieceEffect::None;
        std::unique_ptr<ParticleSystem> system;
    };
    std::array<std::unique_ptr<ParticleSystem>, static_cast<size_t>(BoardEffect::Count)> templates;
    std::map<const Topping*, Carried> carried;
};

} // namespace Zest
