// Tests of the process-wide generator against the published MT19937 and of its seeding and range rules.
#include "base/Random.h"

#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace
{

std::vector<uint32_t> Draw(Zest::MersenneRandom& random, int count)
{
    std::vector<uint32_t> values;
    for (int i = 0; i < count; ++i) values.push_back(random.Next());
    return values;
}

std::vector<uint32_t> DrawGlobal(int count)
{
    std::vector<uint32_t> values;
    for (int i = 0; i < count; ++i) values.push_back(Zest::Rand());
    return values;
}

std::vector<uint32_t> Reference(uint32_t seed, int count)
{
    std::mt19937 reference(seed);
    std::vector<uint32_t> values;
    for (int i = 0; i < count; ++i) values.push_back(static_cast<uint32_t>(reference()) & 0x7FFFFFFFu);
    return values;
}

// 1000 draws cross the regeneration of the 624-word state.
TEST(Random, MatchesThePublishedGeneratorWithTheTopBitCleared)
{
    const std::vector<uint32_t> expected = Reference(5489, 1000);
    ASSERT_EQ(expected[0], 1351727964u);

    Zest::MersenneRandom random(5489);
    EXPECT_EQ(Draw(random, 1000), expected);

    Zest::SeedRandom(5489);
    EXPECT_EQ(DrawGlobal(1000), expected);
}

TEST(Random, SeedZeroAndNoSeedMeanSeed4357)
{
    const std::vector<uint32_t> expected = Reference(4357, 700);

    Zest::MersenneRandom unseeded;
    EXPECT_EQ(Draw(unseeded, 700), expected);
    Zest::MersenneRandom zero(0);
    EXPECT_EQ(Draw(zero, 700), expected);

    Zest::SeedRandom(0);
    EXPECT_EQ(DrawGlobal(700), expected);
}

TEST(Random, ReseedingRestartsTheSequence)
{
    Zest::SeedRandom(20240611);
    const std::vector<uint32_t> first = DrawGlobal(650);
    Zest::Rand();
    Zest::SeedRandom(20240611);
    EXPECT_EQ(DrawGlobal(650), first);

    Zest::MersenneRandom random(1);
    Draw(random, 10);
    random.Seed(20240611);
    EXPECT_EQ(Draw(random, 650), first);
}

TEST(Random, RandBelow)
{
    Zest::SeedRandom(77);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(Zest::RandBelow(1), 0u);

    // A range of 0 gives 0 and leaves the sequence as it was.
    Zest::SeedRandom(77);
    std::vector<uint32_t> withEmptyRanges;
    for (int i = 0; i < 20; ++i)
    {
        EXPECT_EQ(Zest::RandBelow(0), 0u);
        withEmptyRanges.push_back(Zest::Rand());
    }
    Zest::SeedRandom(77);
    EXPECT_EQ(DrawGlobal(20), withEmptyRanges);

    // The remainder of the 31-bit draw, for small and large ranges alike.
    for (const uint32_t n : {2u, 7u, 1000u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu})
    {
        const std::vector<uint32_t> raw = Reference(99, 50);
        Zest::SeedRandom(99);
        Zest::MersenneRandom random(99);
        for (const uint32_t value : raw)
        {
            EXPECT_EQ(Zest::RandBelow(n), value % n) << n;
            EXPECT_EQ(random.NextBelow(n), value % n) << n;
        }
    }
    Zest::MersenneRandom random;
    EXPECT_EQ(random.NextBelow(0), 0u);
    EXPECT_EQ(Draw(random, 5), Reference(4357, 5));
}

} // namespace
