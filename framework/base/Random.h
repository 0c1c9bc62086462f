// The process-wide pseudo-random generator (MT19937 with 31-bit results) behind all game randomness.
#pragma once

#include <cstdint>

namespace Zest
{

// MT19937 with the standard parameters; each result is the tempered word with its top bit cleared, so a value
// taken modulo a range is never negative in signed arithmetic. A new generator is seeded with 4357.
class MersenneRandom
{
public:
    static constexpr uint32_t kDefaultSeed = 4357;

    constexpr MersenneRandom() { Seed(kDefaultSeed); }
    constexpr explicit MersenneRandom(uint32_t seed) { Seed(seed); }

    // A seed of 0 is replaced by kDefaultSeed.
    constexpr void Seed(uint32_t seed)
    {
        if (seed == 0) seed = kDefaultSeed;
        mState[0] = seed;
        for (uint32_t i = 1; i < kStateSize; ++i) mState[i] = 1812433253u * (mState[i - 1] ^ (mState[i - 1] >> 30)) + i;
        mIndex = kStateSize;
    }

    // 0 to 2147483647.
    uint32_t Next();
    // Next() modulo n. A range of 0 gives 0 without drawing, so the sequence is not disturbed.
    uint32_t NextBelow(uint32_t n);

private:
    static constexpr uint32_t kStateSize = 624;

    void Regenerate();

    uint32_t mState[kStateSize] = {};
    uint32_t mIndex = kStateSize;
};

// The process-wide generator, seeded with 4357 before any start-up code runs.
void SeedRandom(uint32_t seed);
uint32_t Rand();
// Rand() modulo n; RandBelow(0) is 0 and draws nothing.
uint32_t RandBelow(uint32_t n);

} // namespace Zest
