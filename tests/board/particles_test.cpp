// Effect files, the particle emitter and the particle manager: file robustness, emission counts, the random
// sequence, stepping cadence, the system cap and drawing guards.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <vector>

#include "BoardTestHost.h"
#include "base/Random.h"
#include "game/board/BoardParticles.h"
#include "game/board/ParticleManager.h"
#include "game/board/ParticleSystem.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace Zest
{
namespace
{

std::vector<uint8_t> Bytes(const EffectDescription& d)
{
    const auto head = d.Serialize();
    return std::vector<uint8_t>(head.begin(), head.end());
}

void PutInt(std::vector<uint8_t>& b, int32_t v)
{
    uint8_t raw[4];
    std::memcpy(raw, &v, 4);
    b.insert(b.end(), raw, raw + 4);
}

EffectDescription Burst(int rate)
{
    EffectDescription d;
    d.emissionRate = rate;
    d.lifetime = 1.0f;
    d.lifeMin = d.lifeMax = 0.5f;
    d.speedMin = 1, d.speedMax = 2;
    d.sizeStart = d.sizeEnd = 1;
    for (int c = 0; c < 4; ++c) d.colourStart[c] = d.colourEnd[c] = 1;
    return d;
}

TEST(EffectFileTest, HeaderRoundTripsAndItsFirstWordIsIgnored)
{
    EffectDescription d = Burst(100);
    d.spread = 0.5f;
    d.relative = true;
    d.alphaVariation = 0.25f;
    std::vector<uint8_t> b = Bytes(d);
    b[0] = 0xAB, b[1] = 0xCD; // the sprite slot of a file written elsewhere
    const EffectFile f = EffectFile::Parse(b.data(), b.size());
    EXPECT_EQ(f.description.emissionRate, 100);
    EXPECT_FLOAT_EQ(f.description.spread, 0.5f);
    EXPECT_TRUE(f.description.relative);
    EXPECT_FLOAT_EQ(f.description.alphaVariation, 0.25f);
    EXPECT_EQ(f.description.spriteSlot, 0);
    EXPECT_FALSE(f.truncated);
    EXPECT_TRUE(f.spriteName.empty());
}

TEST(EffectFileTest, ShortFileReadsAsZeroFilled)
{
    std::vector<uint8_t> b = Bytes(Burst(100));
    const EffectFile f = EffectFile::Parse(b.data(), 10); // rate and half the lifetime
    EXPECT_EQ(f.description.emissionRate, 100);
    EXPECT_EQ(f.description.lifeMax, 0.0f);
    EXPECT_EQ(f.description.colourEnd[3], 0.0f);
    EXPECT_EQ(EffectFile::Parse(nullptr, 0).description.emissionRate, 0);
}

TEST(EffectFileTest, TaggedRecordsAreRead)
{
    std::vector<uint8_t> b = Bytes(Burst(10));
    b.push_back(0), b.push_back(1); // additive
    b.push_back(2), PutInt(b, 5), b.insert(b.end(), {'s', 'p', 'a', 'r', 'k'});
    b.push_back(3), PutInt(b, 3); // a triangle
    for (int v : {0, 0, 10, 0, 0, 10}) PutInt(b, v);
    b.push_back(9); // unknown: no payload
    b.push_back(5), PutInt(b, 0), PutInt(b, 2);
    const EffectFile f = EffectFile::Parse(b.data(), b.size());
    EXPECT_TRUE(f.additive);
    EXPECT_EQ(f.spriteName, "spark");
    ASSERT_EQ(f.clipPolygon.size(), 3u);
    EXPECT_EQ(f.clipPolygon[1].x, 10);
    EXPECT_EQ(f.pathMode, 2);
    EXPECT_FALSE(f.truncated);
}

TEST(EffectFileTest, RecordLongerThanTheFileStopsTheReading)
{
    struct Case
    {
        const char* name;
        std::vector<uint8_t> tail;
    };
    const auto withCount = [](uint8_t tag, int32_t n)
    {
        std::vector<uint8_t> t{tag};
        PutInt(t, n);
        return t;
    };
    const std::vector<Case> cases = {
        {"name too long for the file", withCount(2, 40)},
        {"name over 259 bytes", withCount(2, 300)},
        {"negative name length", withCount(2, -1)},
        {"huge polygon", withCount(3, 0x10000000)},
        {"negative path", withCount(4, -5)},
        {"cut path settings", {5, 0, 0}},
        {"cut start position", {1, 0, 0, 0}},
        {"cut count", {3, 1}},
    };
    for (const Case& c : cases)
    {
        std::vector<uint8_t> b = Bytes(Burst(10));
        b.push_back(0), b.push_back(1); // a good record first
        b.insert(b.end(), c.tail.begin(), c.tail.end());
        b.push_back(0), b.push_back(0); // never reached
        const EffectFile f = EffectFile::Parse(b.data(), b.size());
        EXPECT_TRUE(f.truncated) << c.name;
        EXPECT_TRUE(f.additive) << c.name;
        EXPECT_TRUE(f.clipPolygon.empty() && f.pathPoints.empty()) << c.name;
    }
}

TEST(EffectFileTest, LibraryParsesEachFileOnceAndMissingFilesShowNothing)
{
    const auto dir = std::filesystem::temp_directory_path() / "ember_psi_test";
    std::filesystem::create_directories(dir);
    const std::vector<uint8_t> b = Bytes(Burst(40));
    std::ofstream(dir / "a.psi", std::ios::binary).write(reinterpret_cast<const char*>(b.data()), 128);
    EffectLibrary lib;
    EXPECT_EQ(lib.Get((dir / "a.psi").string())->description.emissionRate, 40);
    EXPECT_EQ(lib.Get((dir / "a.psi").string())->description.emissionRate, 40);
    EXPECT_EQ(lib.fileReads, 1);
    EXPECT_EQ(lib.Get((dir / "late.psi").string())->description.emissionRate, 0);
    // A file that appears later (its pack mounted after start-up) is read then.
    std::ofstream(dir / "late.psi", std::ios::binary).write(reinterpret_cast<const char*>(b.data()), 128);
    EXPECT_EQ(lib.Get((dir / "late.psi").string())->description.emissionRate, 40);
    std::filesystem::remove_all(dir);
}

TEST(ParticleTest, EmissionCountsAndTheCarriedFraction)
{
    ParticleSystem::ResetSeed(1);
    ParticleSystem s(Burst(100), nullptr, 0.0f);
    s.Fire();
    s.Update(0.05f);
    EXPECT_EQ(s.LiveCount(), 5);
    ParticleSystem t(Burst(100), nullptr, 0.0f);
    t.Fire();
    t.Update(0.013f);
    EXPECT_EQ(t.LiveCount(), 1);
    t.Update(0.013f);
    EXPECT_EQ(t.LiveCount(), 2);
    t.Update(0.013f);
    EXPECT_EQ(t.LiveCount(), 3); // 3.9 made so far
    t.Update(0.013f);
    EXPECT_EQ(t.LiveCount(), 5); // 5.2
}

TEST(ParticleTest, LiveCountIsCappedAndAHugeRateStaysDefined)
{
    ParticleSystem::ResetSeed(1);
    EffectDescription d = Burst(std::numeric_limits<int32_t>::max());
    d.lifeMin = d.lifeMax = 100;
    ParticleSystem s(d, nullptr, 0.0f);
    s.Fire();
    s.Update(0.05f);
    EXPECT_EQ(s.LiveCount(), ParticleSystem::kMaxParticles);
    s.Update(0.05f);
    EXPECT_EQ(s.LiveCount(), ParticleSystem::kMaxParticles);
}

TEST(ParticleTest, EndlessSystemKeepsEmittingUntilStopped)
{
    ParticleSystem::ResetSeed(1);
    EffectDescription d = Burst(100);
    d.lifetime = ParticleSystem::kEndless;
    d.lifeMin = d.lifeMax = 0.1f;
    ParticleSystem s(d, nullptr, 20.0f);
    s.FireAt(10, 10);
    for (int i = 0; i < 2000; ++i) s.Update(0.01f);
    EXPECT_FALSE(s.IsStopped());
    EXPECT_GT(s.LiveCount(), 0);
    s.Stop();
    for (int i = 0; i < 100; ++i) s.Update(0.01f);
    EXPECT_EQ(s.LiveCount(), 0);
}

TEST(ParticleTest, EveryPlayFieldSeedsTheEffectsFromTheGameGenerator)
{
    // Two play fields built after the same game seed in one process: the same effect sequence and the same next
    // game draw, so that a second session in the process repeats the first.
    Testing::RecordingHost host;
    BoardModel model(host);
    EffectLibrary library;
    std::vector<std::pair<float, uint32_t>> seen;
    for (int run = 0; run < 2; ++run)
    {
        SeedRandom(99);
        BoardParticles particles(model, library, "no-effects/");
        seen.emplace_back(ParticleSystem::RandomFloat(0, 65535), Rand());
    }
    EXPECT_EQ(seen[0], seen[1]);
}

TEST(ParticleTest, GoldenSequenceFromTheSeed)
{
    ParticleSystem::ResetSeed(12345);
    // seed*214013+2531011, top 16 bits over 65535.
    EXPECT_NEAR(ParticleSystem::RandomFloat(0, 65535), 40352.0f, 0.01f);
    EXPECT_NEAR(ParticleSystem::RandomFloat(0, 65535), 19164.0f, 0.01f);
    ParticleSystem::ResetSeed(7);
    EffectDescription d = Burst(20);
    d.lifeMin = 0.5f, d.lifeMax = 1.5f;
    d.spread = 1.0f;
    ParticleSystem s(d, nullptr, 0.0f);
    s.FireAt(100, 200);
    s.Update(0.05f);
    ASSERT_EQ(s.LiveCount(), 1);
    const Particle& p = s.At(0);
    // Golden values of this implementation: life, then the position factor and jitters, then the angle and speed.
    EXPECT_NEAR(p.life, 0.5009308, 1e-6);
    EXPECT_NEAR(p.x, 100.0 + 0.9286945, 1e-4);
    EXPECT_NEAR(p.y, 200.0 - 1.5703059, 1e-4);
    const float speed = std::sqrt(p.vx * p.vx + p.vy * p.vy);
    EXPECT_GE(speed, 1.0f);
    EXPECT_LE(speed, 2.0f);
}

TEST(ParticleTest, InverseSquareRootIsCloseAndUsesItsOwnConstant)
{
    for (float x : {0.25f, 1.0f, 2.0f, 100.0f}) EXPECT_NEAR(ParticleSystem::InvSqrt(x) * std::sqrt(x), 1.0f, 0.01f);
}

TEST(ParticleManagerTest, SystemStepsEveryFifthUpdateFromTheSixth)
{
    ParticleSystem::ResetSeed(1);
    ParticleManager manager(20.0f);
    EffectDescription d = Burst(100);
    d.lifeMin = d.lifeMax = 10;
    ParticleSystem templ(d, nullptr, 0.0f);
    ParticleSystem* s = manager.Spawn(templ, 0, 0);
    std::vector<int> stepsAt;
    int last = 0;
    for (int update = 1; update <= 16; ++update)
    {
        manager.Update(0.01f);
        if (s->LiveCount() != last) stepsAt.push_back(update), last = s->LiveCount();
    }
    // Five 0.01 s residues in float stay just below 0.05.
    EXPECT_EQ(stepsAt, (std::vector<int>{6, 11, 16}));
}

TEST(ParticleManagerTest, CapAndCleanup)
{
    ParticleSystem::ResetSeed(1);
    ParticleManager manager(20.0f);
    EffectDescription d = Burst(100);
    d.lifetime = 0.1f; // two steps: the first emits, the second stops it
    ParticleSystem templ(d, nullptr, 0.0f);
    for (int i = 0; i < ParticleManager::kMaxSystems; ++i) ASSERT_NE(manager.Spawn(templ, 0, 0), nullptr);
    EXPECT_EQ(manager.Spawn(templ, 0, 0), nullptr) << "the 201st";
    EXPECT_EQ(manager.Count(), 200);
    for (int i = 0; i < 6; ++i) manager.Update(0.01f);
    EXPECT_EQ(manager.Count(), 200);
    for (int i = 0; i < 5; ++i) manager.Update(0.01f); // the second step: stopped, with live particles
    EXPECT_EQ(manager.Count(), 200);
    EXPECT_TRUE(manager.At(0)->IsStopped());
    EXPECT_GT(manager.At(0)->LiveCount(), 0);
    for (int i = 0; i < 100; ++i) manager.Update(0.01f);
    EXPECT_EQ(manager.Count(), 0);
    manager.Spawn(templ, 0, 0);
    manager.KillAll();
    EXPECT_EQ(manager.Count(), 0);
}

class ParticleDrawTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        screen.Create(100, 100);
        sprite.Create(4, 4);
        for (int i = 0; i < 16; ++i) sprite.GetBits()[i] = 0xFFFFFFFF;
        sprite.BitsChanged();
        ParticleSystem::ResetSeed(3);
    }
    uint32_t At(int x, int y) { return screen.GetBits()[y * 100 + x]; }
    MemoryImage screen;
    MemoryImage sprite;
};

TEST_F(ParticleDrawTest, ClipPolygonNeedsThreePoints)
{
    EffectDescription d = Burst(2000);
    d.speedMin = d.speedMax = 0;
    ParticleSystem s(d, &sprite, 0.0f);
    s.additive = true;
    s.FireAt(50, 50);
    s.Update(0.05f);
    s.clipPolygon = {{0, 0}, {10, 0}}; // two points clip nothing
    Graphics g(&screen);
    s.Render(g);
    EXPECT_NE(At(50, 50) & 0xFFFFFF, 0u);
    screen.Create(100, 100);
    s.clipPolygon = {{0, 0}, {20, 0}, {20, 20}, {0, 20}}; // far from the particles
    Graphics g2(&screen);
    s.Render(g2);
    EXPECT_EQ(At(50, 50) & 0xFFFFFF, 0u);
}

TEST_F(ParticleDrawTest, NonFiniteAndHugeValuesNeverReachTheDrawing)
{
    EffectDescription d = Burst(200);
    d.speedMin = d.speedMax = std::numeric_limits<float>::quiet_NaN();
    ParticleSystem nan(d, &sprite, 0.0f);
    nan.FireAt(50, 50);
    nan.Update(0.05f);
    nan.Update(0.05f);
    EXPECT_GT(nan.LiveCount(), 0);
    Graphics g(&screen);
    nan.Render(g); // would convert NaN to int
    EffectDescription big = Burst(20);
    big.sizeStart = big.sizeEnd = 1e30f;
    big.colourStart[0] = big.colourEnd[0] = 1e9f; // colour clamped, not wrapped
    big.colourStart[1] = big.colourEnd[1] = -5.0f;
    ParticleSystem huge(big, &sprite, 0.0f);
    huge.additive = true;
    huge.FireAt(50, 50);
    huge.Update(0.05f);
    huge.Render(g);
    EXPECT_GE((At(50, 50) >> 16) & 0xFF, 0xF0u);
    EXPECT_EQ(At(50, 50) & 0x0000FF00, 0u);
}

TEST_F(ParticleDrawTest, SparksDrawAsStretchesOfTheirOwnRectangleAndColour)
{
    // Additive sparks of many sizes and colours (some channels beyond 1 or below 0, so clamped), some running off
    // the picture's edge, drawn as a system must come out as each particle's own stretch: the rectangle centred on
    // it at its size, the colour packed from its channels, and the translation of the drawing applied.
    EffectDescription d = Burst(400);
    d.lifeMin = 0.4f, d.lifeMax = 1.0f;
    d.spread = 6.28f;
    d.speedMin = 5.0f, d.speedMax = 30.0f;
    d.sizeStart = 4.0f, d.sizeEnd = 0.2f, d.sizeVariation = 0.5f;
    const float start[4] = {1.6f, 0.3f, -0.2f, 0.9f}, end[4] = {0.1f, 1.3f, 0.6f, 0.05f};
    for (int c = 0; c < 4; ++c) d.colourStart[c] = start[c], d.colourEnd[c] = end[c];
    d.colourVariation = d.alphaVariation = 1.0f;
    ParticleSystem s(d, &sprite, 0.0f);
    s.additive = true;
    s.FireAt(40, 45);
    for (int k = 0; k < 6; ++k) s.Update(0.05f);
    ASSERT_GT(s.LiveCount(), 50);
    Graphics g(&screen);
    g.Translate(7, -3);
    s.Render(g);

    MemoryImage want(nullptr);
    want.Create(100, 100);
    Graphics w(&want);
    w.Translate(7, -3);
    w.SetDrawMode(1);
    w.SetColorizeImages(true);
    const auto pack = [](float v) { return !(v > 0.0f) ? 0 : v >= 1.0f ? 255 : static_cast<int>(v * 255.0f); };
    for (int i = 0; i < s.LiveCount(); ++i)
    {
        const Particle p = s.At(i);
        const float dw = 4.0f * p.size, dh = 4.0f * p.size;
        w.SetColor(Color(pack(p.colour[0]), pack(p.colour[1]), pack(p.colour[2]), pack(p.colour[3])));
        w.DrawImage(&sprite,
                    Rect(static_cast<int>(p.x - dw * 0.5f), static_cast<int>(p.y - dh * 0.5f), static_cast<int>(dw),
                         static_cast<int>(dh)),
                    Rect(0, 0, 4, 4));
    }
    ASSERT_TRUE(std::equal(want.GetBits(), want.GetBits() + 100 * 100, screen.GetBits()));
    EXPECT_NE(At(47, 42) & 0xFFFFFF, 0u);
}

} // namespace
} // namespace Zest
