// MT19937 generation and the process-wide generator instance.
#include "base/Random.h"

namespace Zest
{

namespace
{

// Constant-initialised, so it is seeded before any other static initialiser can draw from it.
constinit MersenneRandom gRandom;

} // namespace

void MersenneRandom::Regenerate()
{
    constexpr uint32_t kShift = 397;
    for (uint32_t k = 0; k < kStateSize; ++k)
    {
        const uint32_t y = (mState[k] & 0x80000000u) | (mState[(k + 1) % kStateSize] & 0x7FFFFFFFu);
        mState[k] = mState[(k + kShift) % kStateSize] ^ (y >> 1) ^ ((y & 1u) ? 0x9908B0DFu : 0u);
    }
    mIndex = 0;
}

uint32_t MersenneRandom::Next()
{
    if (mIndex >= kStateSize) Regenerate();
    uint32_t y = mState[mIndex++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y & 0x7FFFFFFFu;
}

uint32_t MersenneRandom::NextBelow(uint32_t n)
{
    // Callers pass computed ranges; an empty one must not divide by zero.
    if (n == 0) return 0;
    return Next() % n;
}

void SeedRandom(uint32_t seed)
{
    gRandom.Seed(seed);
}

uint32_t Rand()
{
    return gRandom.Next();
}

uint32_t RandBelow(uint32_t n)
{
    return gRandom.NextBelow(n);
}

} // namespace Zest
