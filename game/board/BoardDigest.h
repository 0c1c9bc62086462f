// A fingerprint of the play field as a player could observe it, for replays: two runs with the same seed and the
// same input must give the same value after every update.
#pragma once

#include <cstdint>
#include <cstring>

#include "game/board/BoardModel.h"

namespace Zest
{

// FNV-1a over the pieces, burners, customers, dishes, money, clock and devices.
inline uint64_t BoardStateDigest(const BoardModel& m)
{
    uint64_t h = 1469598103934665603ull;
    const auto mix = [&h](int64_t v)
    {
        for (int i = 0; i < 8; ++i)
        {
            h ^= static_cast<uint8_t>(v >> (8 * i));
            h *= 1099511628211ull;
        }
    };
    const auto mixf = [&mix](float f)
    {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        mix(bits);
    };
    for (const auto& col : m.Grid)
        for (const auto& p : col)
        {
            mix(p->kind);
            mixf(p->y);
            mix(p->removing * 1 + p->isAkkumCharge * 2 + p->isRepairTool * 4 + p->isIceCream * 8 + p->bomb * 16 +
                p->carriesLightning * 64);
        }
    for (int c = 0; c < BoardModel::kMaxColumns; ++c)
        for (int r = 0; r < BoardModel::kMaxRows; ++r) mix(m.CellState[c][r]);
    for (const auto& p : m.Persons)
    {
        mix(p->id);
        mix(p->character);
        mixf(p->mood);
        mix(p->state);
        mix(p->wish);
        mix(p->slotY);
    }
    for (const auto& d : m.Dishes)
    {
        mixf(d->x);
        mixf(d->y);
        mix(d->cooking + 2 * d->ready + 4 * d->sent);
        mix(d->cookLeft);
    }
    mix(m.DayProfit);
    mix(m.Score);
    mix(m.TimeLeft);
    mix(m.AkkumCharge);
    mix(m.CoffeeFill);
    mix(static_cast<int64_t>(m.Labels.size()));
    return h;
}

} // namespace Zest
