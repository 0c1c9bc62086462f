// Where the rules start particle effects: the play field's particle manager plugs in here; without one the
// effects are simply not shown. Random draws that place effects happen in the rules, never behind this seam.
#pragma once

namespace Zest
{

enum class BoardEffect
{
    Star,
    Electro5,
    Fog,
    Collaps,
    Collaps2,
    DrinkAppear,
    Electro1,
    ElectroSmall,
    Electro3,
    Hearts,
    Goal,
    ExpertGoal,
    Count
};

class BoardEffects
{
public:
    virtual ~BoardEffects() = default;
    // True when the effect was started; false when there is no room for it (or nothing to show it with).
    virtual bool Spawn(BoardEffect effect, float x, float y, bool additive) = 0;
    virtual void KillAll() = 0;
    virtual void Update(double seconds) = 0;
};

// The stand-in used until the particle manager is plugged in.
class NoBoardEffects : public BoardEffects
{
public:
    bool Spawn(BoardEffect, float, float, bool) override { return false; }
    void KillAll() override {}
    void Update(double) override {}
};

} // namespace Zest
