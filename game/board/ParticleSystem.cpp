// Effect file reading, the parsed-file cache, and the particle emitter's update and drawing.
#include "game/board/ParticleSystem.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "base/Random.h"
#include "data/PakInterface.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "graphics/Transform.h"

namespace Zest
{

namespace
{

int32_t ReadInt(const uint8_t* p)
{
    const uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                       static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    int32_t out;
    std::memcpy(&out, &v, 4);
    return out;
}

float ReadFloat(const uint8_t* p)
{
    const int32_t bits = ReadInt(p);
    float out;
    std::memcpy(&out, &bits, 4);
    return out;
}

void WriteInt(uint8_t* p, int32_t value)
{
    uint32_t v;
    std::memcpy(&v, &value, 4);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void WriteFloat(uint8_t* p, float value)
{
    int32_t bits;
    std::memcpy(&bits, &value, 4);
    WriteInt(p, bits);
}

// The float fields in file order from offset 32, after the four leading words and the relative flag.
template <typename Desc, typename Fn>
void ForEachTailFloat(Desc& d, Fn&& fn)
{
    float* const fields[] = {&d.speedMin,       &d.speedMax,       &d.gravityMin,      &d.gravityMax,
                             &d.radialMin,      &d.radialMax,      &d.tangentialMin,   &d.tangentialMax,
                             &d.sizeStart,      &d.sizeEnd,        &d.sizeVariation,   &d.spinStart,
                             &d.spinEnd,        &d.spinVariation,  &d.colourStart[0],  &d.colourStart[1],
                             &d.colourStart[2], &d.colourStart[3], &d.colourEnd[0],    &d.colourEnd[1],
                             &d.colourEnd[2],   &d.colourEnd[3],   &d.colourVariation, &d.alphaVariation};
    size_t offset = 32;
    for (float* f : fields)
    {
        fn(offset, *f);
        offset += 4;
    }
}

uint32_t gSeed = 0;
bool gSeeded = false;

int PackComponent(float value)
{
    // NaN compares false everywhere and lands on 0 (max keeps its first argument then); without a branch, as the
    // sparks of a whole system are packed in one pass.
    return static_cast<int>(std::min(std::max(0.0f, value), 1.0f) * 255.0f);
}

__attribute__((always_inline)) inline bool Finite(const ParticleLook& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.size) && std::isfinite(p.spin) &&
           std::isfinite(p.age);
}

// Beyond this many pixels a particle could only be an authoring slip; its picture is held to this size so that the
// stretched draw never rasterises or converts an enormous rectangle.
constexpr float kMaxDrawnSize = 2048.0f;
constexpr float kMaxCoordinate = 1.0e6f;

} // namespace

EffectDescription EffectDescription::Parse(const uint8_t* data, size_t size)
{
    uint8_t block[kBytes] = {};
    if (data) std::memcpy(block, data, std::min(size, kBytes));
    EffectDescription d;
    d.spriteSlot = 0;
    d.emissionRate = ReadInt(block + 4);
    d.lifetime = ReadFloat(block + 8);
    d.lifeMin = ReadFloat(block + 12);
    d.lifeMax = ReadFloat(block + 16);
    d.direction = ReadFloat(block + 20);
    d.spread = ReadFloat(block + 24);
    d.relative = block[28] != 0;
    ForEachTailFloat(d, [&](size_t offset, float& f) { f = ReadFloat(block + offset); });
    return d;
}

std::array<uint8_t, EffectDescription::kBytes> EffectDescription::Serialize() const
{
    std::array<uint8_t, kBytes> out{};
    WriteInt(out.data() + 4, emissionRate);
    WriteFloat(out.data() + 8, lifetime);
    WriteFloat(out.data() + 12, lifeMin);
    WriteFloat(out.data() + 16, lifeMax);
    WriteFloat(out.data() + 20, direction);
    WriteFloat(out.data() + 24, spread);
    out[28] = relative ? 1 : 0;
    EffectDescription copy = *this;
    ForEachTailFloat(copy, [&](size_t offset, float& f) { WriteFloat(out.data() + offset, f); });
    return out;
}

EffectFile EffectFile::Parse(const uint8_t* data, size_t size)
{
    EffectFile file;
    file.description = EffectDescription::Parse(data, size);
    if (!data || size <= EffectDescription::kBytes) return file;
    size_t pos = EffectDescription::kBytes;
    const auto left = [&] { return size - pos; };
    const auto readCount = [&](int64_t& n) -> bool
    {
        if (left() < 4) return false;
        n = ReadInt(data + pos);
        pos += 4;
        return true;
    };
    const auto readPoints = [&](std::vector<EffectPoint>& points) -> bool
    {
        int64_t n = 0;
        if (!readCount(n) || n < 0 || static_cast<uint64_t>(n) * 8 > left()) return false;
        points.resize(static_cast<size_t>(n));
        for (auto& pt : points)
        {
            pt.x = ReadInt(data + pos);
            pt.y = ReadInt(data + pos + 4);
            pos += 8;
        }
        return true;
    };
    while (pos < size)
    {
        const uint8_t tag = data[pos++];
        bool ok = true;
        switch (tag)
        {
        case 0:
            ok = left() >= 1;
            if (ok) file.additive = data[pos++] != 0;
            break;
        case 1:
            ok = left() >= 8;
            if (ok)
            {
                file.hasStart = true;
                file.startX = ReadFloat(data + pos);
                file.startY = ReadFloat(data + pos + 4);
                pos += 8;
            }
            break;
        case 2:
        {
            int64_t n = 0;
            ok = readCount(n) && n >= 0 && n <= static_cast<int64_t>(kMaxSpriteName) &&
                 static_cast<uint64_t>(n) <= left();
            if (ok)
            {
                file.spriteName.assign(reinterpret_cast<const char*>(data + pos), static_cast<size_t>(n));
                // The name ends at a stray terminator, as a C string would.
                file.spriteName.resize(std::strlen(file.spriteName.c_str()));
                pos += static_cast<size_t>(n);
            }
            break;
        }
        case 3:
            ok = readPoints(file.clipPolygon);
            break;
        case 4:
            ok = readPoints(file.pathPoints);
            break;
        case 5:
            ok = left() >= 8;
            if (ok)
            {
                file.pathStepTime = ReadFloat(data + pos);
                file.pathMode = ReadInt(data + pos + 4);
                pos += 8;
            }
            break;
        default:
            break; // unknown tags carry nothing
        }
        if (!ok)
        {
            // A record longer than the bytes left: nothing after it can be trusted.
            file.truncated = true;
            break;
        }
    }
    return file;
}

std::shared_ptr<const EffectFile> EffectLibrary::Get(const std::string& path)
{
    auto it = mFiles.find(path);
    if (it != mFiles.end()) return it->second;
    ++fileReads;
    std::vector<uint8_t> bytes;
    PakFile f = PakOpenFile(path, "rb");
    if (!f)
    {
        // Not kept: the data may become reachable later (a pack mounted after start-up).
        auto empty = std::make_shared<EffectFile>(EffectFile::Parse(nullptr, 0));
        empty->found = false;
        return empty;
    }
    {
        // Effect files are a few hundred bytes; anything past 1 MiB is not one.
        constexpr size_t kMaxFile = 1u << 20;
        uint8_t chunk[4096];
        size_t n;
        while (bytes.size() < kMaxFile && (n = PakRead(chunk, 1, sizeof chunk, f.get())) > 0)
            bytes.insert(bytes.end(), chunk, chunk + n);
        f.reset();
    }
    auto file = std::make_shared<const EffectFile>(EffectFile::Parse(bytes.data(), bytes.size()));
    mFiles.emplace(path, file);
    return file;
}

Image* EffectLibrary::Sprite(const std::string& name)
{
    auto it = mSprites.find(name);
    if (it == mSprites.end())
        it = mSprites.emplace(name, imageLoader ? imageLoader(name) : std::unique_ptr<Image>()).first;
    return it->second.get();
}

void ParticleSystem::SeedOnce()
{
    if (gSeeded) return;
    gSeeded = true;
    gSeed = Rand();
}

void ParticleSystem::ResetSeed(uint32_t seed)
{
    gSeeded = true;
    gSeed = seed;
}

float ParticleSystem::RandomFloat(float min, float max)
{
    gSeed = gSeed * 214013u + 2531011u;
    const uint32_t r = gSeed >> 16;
    return min + static_cast<float>(r) * (1.0f / 65535.0f) * (max - min);
}

float ParticleSystem::InvSqrt(float x)
{
    int32_t i;
    std::memcpy(&i, &x, 4);
    i = 0x5F3759DF - (i >> 1);
    float y;
    std::memcpy(&y, &i, 4);
    return y * (1.5f - 0.4999f * x * y * y);
}

ParticleSystem::ParticleSystem(EffectLibrary& library, const std::string& path, Image* spriteImage, float frameRate,
                               bool readTags)
    : looks(std::make_unique<ParticleLook[]>(kMaxParticles)), motions(std::make_unique<ParticleMotion[]>(kMaxParticles))
{
    SeedOnce();
    const std::shared_ptr<const EffectFile> file = library.Get(path);
    description = file->description;
    sprite = spriteImage;
    updateStep = frameRate > 0.0f ? 1.0f / frameRate : 0.0f;
    if (readTags)
    {
        additive = file->additive;
        if (file->hasStart) prevX = emitterX = file->startX, prevY = emitterY = file->startY;
        spriteName = file->spriteName;
        clipPolygon = file->clipPolygon;
        pathPoints = file->pathPoints;
        pathMode = file->pathMode;
        if (!spriteName.empty())
            if (Image* named = library.Sprite(spriteName)) sprite = named;
    }
}

ParticleSystem::ParticleSystem(const ParticleSystem& source, float frameRate)
    : ParticleSystem(source.description, source.sprite, frameRate)
{
}

ParticleSystem::ParticleSystem(const EffectDescription& desc, Image* spriteImage, float frameRate)
    : description(desc), sprite(spriteImage), looks(std::make_unique<ParticleLook[]>(kMaxParticles)),
      motions(std::make_unique<ParticleMotion[]>(kMaxParticles))
{
    SeedOnce();
    updateStep = frameRate > 0.0f ? 1.0f / frameRate : 0.0f;
}

void ParticleSystem::Fire()
{
    age = description.lifetime == kEndless ? kEndless : 0.0f;
    updateResidue = 0;
}

void ParticleSystem::MoveTo(float x, float y)
{
    if (IsStopped())
    {
        prevX = emitterX = x;
        prevY = emitterY = y;
    }
    else
    {
        prevX = emitterX;
        prevY = emitterY;
        emitterX = x;
        emitterY = y;
    }
}

void ParticleSystem::FireAt(float x, float y)
{
    Stop();
    MoveTo(x, y);
    Fire();
}

void ParticleSystem::Update(float seconds)
{
    if (updateStep == 0.0f)
    {
        Step(seconds);
        return;
    }
    updateResidue += seconds;
    if (updateResidue >= updateStep)
    {
        Step(updateStep);
        // Steps missed by a long frame are dropped, not caught up.
        while (updateResidue >= updateStep) updateResidue -= updateStep;
    }
}

void ParticleSystem::Step(float t)
{
    if (age >= 0.0f)
    {
        age += t;
        if (age >= description.lifetime) age = kStopped;
    }
    for (int i = 0; i < liveCount;)
    {
        ParticleLook& p = looks[static_cast<size_t>(i)];
        ParticleMotion& m = motions[static_cast<size_t>(i)];
        p.age += t;
        if (p.age >= m.life)
        {
            --liveCount;
            p = looks[static_cast<size_t>(liveCount)];
            m = motions[static_cast<size_t>(liveCount)];
            continue;
        }
        float nx = p.x - emitterX, ny = p.y - emitterY;
        const float len2 = nx * nx + ny * ny;
        if (len2 > 0.0f)
        {
            const float inv = InvSqrt(len2);
            nx *= inv;
            ny *= inv;
        }
        m.vx += t * (m.radial * nx + m.tangential * -ny);
        m.vy += t * (m.radial * ny + m.tangential * nx);
        m.vy += m.gravity * t;
        p.x += m.vx;
        p.y += m.vy;
        p.spin += m.spinChange * t;
        p.size += m.sizeChange * t;
        for (int c = 0; c < 4; ++c) p.colour[c] += m.colourChange[c] * t;
        ++i;
    }
    if (age != kStopped) Emit(t);
    prevX = emitterX;
    prevY = emitterY;
}

Particle ParticleSystem::At(int i) const
{
    const ParticleLook& p = looks[static_cast<size_t>(i)];
    const ParticleMotion& m = motions[static_cast<size_t>(i)];
    Particle whole{};
    whole.x = p.x, whole.y = p.y;
    whole.vx = m.vx, whole.vy = m.vy;
    whole.gravity = m.gravity, whole.radial = m.radial, whole.tangential = m.tangential;
    whole.spin = p.spin, whole.spinChange = m.spinChange;
    whole.size = p.size, whole.sizeChange = m.sizeChange;
    for (int c = 0; c < 4; ++c) whole.colour[c] = p.colour[c], whole.colourChange[c] = m.colourChange[c];
    whole.age = p.age, whole.life = m.life;
    return whole;
}

void ParticleSystem::Emit(float t)
{
    const float count = static_cast<float>(description.emissionRate) * t + emissionResidue;
    if (!(count > 0.0f))
    {
        emissionResidue = 0;
        return;
    }
    // More than the live cap can never be made in one step; holding k there keeps the conversion defined.
    const float capped = std::min(count, static_cast<float>(kMaxParticles + 1));
    const int k = static_cast<int>(capped);
    emissionResidue = count < capped + 1.0f ? count - static_cast<float>(k) : 0.0f;
    const EffectDescription& d = description;
    constexpr float kPi = 3.14159265358979f;
    for (int n = 0; n < k && liveCount < kMaxParticles; ++n)
    {
        ParticleLook& p = looks[static_cast<size_t>(liveCount)];
        ParticleMotion& m = motions[static_cast<size_t>(liveCount)];
        ++liveCount;
        p.age = 0;
        m.life = RandomFloat(d.lifeMin, d.lifeMax);
        const float f = RandomFloat(0.0f, 1.0f);
        p.x = prevX + (emitterX - prevX) * f;
        p.y = prevY + (emitterY - prevY) * f;
        p.x += RandomFloat(-2.0f, 2.0f);
        p.y += RandomFloat(-2.0f, 2.0f);
        float angle = d.direction - kPi / 2 + RandomFloat(0.0f, d.spread) - d.spread * 0.5f;
        if (d.relative) angle += std::atan2(prevY - p.y, prevX - p.x) + kPi / 2;
        const float speed = RandomFloat(d.speedMin, d.speedMax);
        m.vx = std::cos(angle) * speed;
        m.vy = std::sin(angle) * speed;
        m.gravity = RandomFloat(d.gravityMin, d.gravityMax);
        m.radial = RandomFloat(d.radialMin, d.radialMax);
        m.tangential = RandomFloat(d.tangentialMin, d.tangentialMax);
        p.size = RandomFloat(d.sizeStart, d.sizeStart + (d.sizeEnd - d.sizeStart) * d.sizeVariation);
        m.sizeChange = (d.sizeEnd - p.size) / m.life;
        p.spin = RandomFloat(d.spinStart, d.spinStart + (d.spinEnd - d.spinStart) * d.spinVariation);
        m.spinChange = (d.spinEnd - p.spin) / m.life;
        for (int c = 0; c < 3; ++c)
        {
            p.colour[c] = RandomFloat(d.colourStart[c],
                                      d.colourStart[c] + (d.colourEnd[c] - d.colourStart[c]) * d.colourVariation);
            m.colourChange[c] = (d.colourEnd[c] - p.colour[c]) / m.life;
        }
        p.colour[3] =
            RandomFloat(d.colourStart[3], d.colourStart[3] + (d.colourEnd[3] - d.colourStart[3]) * d.alphaVariation);
        m.colourChange[3] = (d.colourEnd[3] - p.colour[3]) / m.life;
    }
}

bool ParticleSystem::Inside(int px, int py) const
{
    // Non-zero winding over the polygon closed by its first point.
    const size_t n = clipPolygon.size();
    int winding = 0;
    for (size_t i = 0; i < n; ++i)
    {
        const EffectPoint& a = clipPolygon[i];
        const EffectPoint& b = clipPolygon[(i + 1) % n];
        // Polygon points come from the file: any int32, so every difference is taken in 64 bits.
        const long long ax = a.x, ay = a.y, bx = b.x, by = b.y;
        const long long side = (bx - ax) * (py - ay) - (by - ay) * (px - ax);
        if (a.y <= py && py < b.y && side > 0)
            ++winding;
        else if (b.y <= py && py < a.y && side < 0)
            --winding;
    }
    return winding != 0;
}

void ParticleSystem::Render(Graphics& g, bool accelerated)
{
    if (!sprite || liveCount == 0) return;
    const int oldMode = g.GetDrawMode();
    const Color oldColour = g.GetColor();
    g.SetDrawMode(additive ? 1 : 0);
    g.SetColorizeImages(true);
    const bool clip = clipPolygon.size() > 2;
    const float w = static_cast<float>(sprite->GetWidth());
    const float h = static_cast<float>(sprite->GetHeight());
    const float sizeLimit = kMaxDrawnSize / std::max(1.0f, std::max(w, h));
    // Additive sparks in software are unrotated stretches of the one sprite: they go to the drawing as one batch,
    // so that the clip, the source and the surface lock are dealt with once for the system, not once a particle.
    const bool stretched = !accelerated && additive;
    static thread_local std::vector<SpriteDraw> batch;
    if (stretched && batch.size() < static_cast<size_t>(liveCount)) batch.resize(static_cast<size_t>(liveCount));
    SpriteDraw* const batched = batch.data();
    int count = 0;
    if (stretched && !clip)
    {
        // The usual sparks: each one's colour and rectangle worked out four values at once, by the same arithmetic
        // as PackComponent and the stretched rectangle below.
        typedef float Floats __attribute__((vector_size(16)));
        typedef int Ints __attribute__((vector_size(16)));
        const Floats zero = {0.0f, 0.0f, 0.0f, 0.0f}, one = {1.0f, 1.0f, 1.0f, 1.0f},
                     full = {255.0f, 255.0f, 255.0f, 255.0f};
        for (int i = 0; i < liveCount; ++i)
        {
            if (i + 8 < liveCount) __builtin_prefetch(&looks[static_cast<size_t>(i) + 8]);
            const ParticleLook& p = looks[static_cast<size_t>(i)];
            const float x = offsetX + p.x, y = offsetY + p.y;
            if (!Finite(p) || std::fabs(x) > kMaxCoordinate || std::fabs(y) > kMaxCoordinate) continue;
            Floats c;
            std::memcpy(&c, p.colour, sizeof(c));
            c = zero < c ? c : zero; // NaN lands on 0
            c = one < c ? one : c;
            const Ints packed = __builtin_convertvector(c * full, Ints);
            const float size = std::clamp(p.size, -sizeLimit, sizeLimit);
            const float dw = w * size, dh = h * size;
            const Floats place = {x - dw * 0.5f, y - dh * 0.5f, dw, dh};
            const Ints rect = __builtin_convertvector(place, Ints);
            batched[count++] = {Rect(rect[0], rect[1], rect[2], rect[3]),
                                Color(packed[0], packed[1], packed[2], packed[3])};
        }
        if (count > 0) g.DrawImageSprites(sprite, batched, count);
        g.SetColor(oldColour);
        g.SetColorizeImages(false);
        g.SetDrawMode(oldMode);
        return;
    }
    for (int i = 0; i < liveCount; ++i)
    {
        // The records are read once, in order, each system's from its own block: ask for the ones a few ahead.
        if (i + 8 < liveCount) __builtin_prefetch(&looks[static_cast<size_t>(i) + 8]);
        const ParticleLook& p = looks[static_cast<size_t>(i)];
        if (!Finite(p)) continue;
        const float x = offsetX + p.x, y = offsetY + p.y;
        if (std::fabs(x) > kMaxCoordinate || std::fabs(y) > kMaxCoordinate) continue;
        if (clip && (std::fabs(p.x) > kMaxCoordinate || std::fabs(p.y) > kMaxCoordinate ||
                     !Inside(static_cast<int>(p.x), static_cast<int>(p.y))))
            continue;
        const Color colour(PackComponent(p.colour[0]), PackComponent(p.colour[1]), PackComponent(p.colour[2]),
                           PackComponent(p.colour[3]));
        const float size = std::clamp(p.size, -sizeLimit, sizeLimit);
        if (stretched)
        {
            const float dw = w * size, dh = h * size;
            batched[count++] = {Rect(static_cast<int>(x - dw * 0.5f), static_cast<int>(y - dh * 0.5f),
                                     static_cast<int>(dw), static_cast<int>(dh)),
                                colour};
            continue;
        }
        g.SetColor(colour);
        Transform transform;
        transform.RotateRad(p.spin * p.age);
        transform.Scale(size, size);
        if (accelerated)
            g.DrawImageTransformF(sprite, transform, x, y);
        else
            g.DrawImageTransform(sprite, transform, x, y);
    }
    if (count > 0) g.DrawImageSprites(sprite, batched, count);
    g.SetColor(oldColour);
    g.SetColorizeImages(false);
    g.SetDrawMode(oldMode);
}

} // namespace Zest
