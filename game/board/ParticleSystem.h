// Sprite particle emitters read from effect files (.psi): the file reader, the parsed-file cache, the emitter with
// its fixed-step update and its drawing.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Zest
{

class Graphics;
class Image;

// The 128-byte description at the head of an effect file.
struct EffectDescription
{
    int32_t spriteSlot = 0; // never used: the sprite comes from whoever builds the system
    int32_t emissionRate = 0;
    float lifetime = 0;
    float lifeMin = 0, lifeMax = 0;
    float direction = 0, spread = 0;
    bool relative = false;
    float speedMin = 0, speedMax = 0;
    float gravityMin = 0, gravityMax = 0;
    float radialMin = 0, radialMax = 0;
    float tangentialMin = 0, tangentialMax = 0;
    float sizeStart = 0, sizeEnd = 0, sizeVariation = 0;
    float spinStart = 0, spinEnd = 0, spinVariation = 0;
    float colourStart[4] = {};
    float colourEnd[4] = {};
    float colourVariation = 0;
    float alphaVariation = 0;

    static constexpr size_t kBytes = 128;
    // Reads the first 128 bytes; a shorter buffer reads as if zero-filled to 128.
    static EffectDescription Parse(const uint8_t* data, size_t size);
    // The 128 bytes as a file holds them (the sprite slot written as 0).
    std::array<uint8_t, kBytes> Serialize() const;
};

struct EffectPoint
{
    int32_t x = 0, y = 0;
};

// A whole effect file: the description and the tagged records after it.
struct EffectFile
{
    EffectDescription description;
    bool additive = false;
    bool hasStart = false;
    float startX = 0, startY = 0;
    std::string spriteName;
    std::vector<EffectPoint> clipPolygon;
    std::vector<EffectPoint> pathPoints;
    float pathStepTime = 0;
    int32_t pathMode = -1;
    // Reading the records stopped at a record whose length did not fit the bytes left.
    bool truncated = false;
    // The file could be opened (a missing file reads as all zero).
    bool found = true;

    static constexpr size_t kMaxSpriteName = 259;
    static EffectFile Parse(const uint8_t* data, size_t size);
};

// Parsed effect files by name, so that effects started during play read no file. Also owns the sprite pictures
// that effect files name, loaded once each.
class EffectLibrary
{
public:
    using ImageLoader = std::function<std::unique_ptr<Image>(const std::string& path)>;

    // A file that cannot be read gives an all-zero description (an effect that shows nothing).
    std::shared_ptr<const EffectFile> Get(const std::string& path);
    // The picture of a sprite name, null when it does not load.
    Image* Sprite(const std::string& name);

    ImageLoader imageLoader;
    int fileReads = 0;

private:
    std::map<std::string, std::shared_ptr<const EffectFile>> mFiles;
    std::map<std::string, std::unique_ptr<Image>> mSprites;
};

struct Particle
{
    float x, y;
    float vx, vy;
    float gravity, radial, tangential;
    float spin, spinChange;
    float size, sizeChange;
    float colour[4];
    float colourChange[4];
    float age, life;
};

// A live particle as the system holds it: what drawing reads apart from what only the update reads, so that
// drawing a system goes through less than half of the bytes.
struct ParticleLook
{
    float x, y;
    float size, spin, age;
    float colour[4];
};

struct ParticleMotion
{
    float vx, vy;
    float gravity, radial, tangential;
    float spinChange, sizeChange;
    float colourChange[4];
    float life;
};

class ParticleSystem
{
public:
    static constexpr int kMaxParticles = 750;
    static constexpr float kStopped = -2.0f;
    static constexpr float kEndless = -1.0f;

    // A template from a file: readTags also reads the tagged records (a sprite named there replaces the given
    // one). frameRate 0 steps on every update.
    ParticleSystem(EffectLibrary& library, const std::string& path, Image* sprite, float frameRate, bool readTags);
    // A running copy: only the description and the sprite are taken from the template.
    ParticleSystem(const ParticleSystem& source, float frameRate);
    ParticleSystem(const EffectDescription& description, Image* sprite, float frameRate);
    ParticleSystem& operator=(const ParticleSystem&) = delete;

    void Update(float seconds);
    void Fire();
    void Stop() { age = kStopped; }
    void MoveTo(float x, float y);
    void FireAt(float x, float y);
    // accelerated: draw through the sub-pixel transform path as the 3-D display did.
    void Render(Graphics& g, bool accelerated = false);

    bool IsStopped() const { return age == kStopped; }
    int LiveCount() const { return liveCount; }
    // The whole record of live particle i.
    Particle At(int i) const;

    // The emitters' shared random sequence; seeded once from Rand() by the first system built.
    static float RandomFloat(float min, float max);
    static void ResetSeed(uint32_t seed);
    // Seeds the sequence from Rand() unless it is seeded already.
    static void SeedOnce();
    static float InvSqrt(float x);

    EffectDescription description;
    Image* sprite = nullptr;
    std::vector<EffectPoint> clipPolygon;
    std::vector<EffectPoint> pathPoints;
    bool additive = false;
    std::string spriteName;
    int pathMode = -1;
    float updateStep = 0;
    float updateResidue = 0;
    float age = kStopped;
    float emissionResidue = 0;
    float prevX = 0, prevY = 0;
    float emitterX = 0, emitterY = 0;
    float offsetX = 0, offsetY = 0;

private:
    void Step(float t);
    void Emit(float t);
    bool Inside(int px, int py) const;

    int liveCount = 0;
    // Every record lives inside the system: nothing is allocated per particle.
    std::unique_ptr<ParticleLook[]> looks;
    std::unique_ptr<ParticleMotion[]> motions;
};

} // namespace Zest
