// Full-layer blit benchmark: our normal and additive memory blits against pixman's OVER and ADD on the same
// 800x600 layer of sprites with transparent, opaque and partial-alpha runs, with the time ratio printed. The
// pictures of each pair are compared first and the largest difference printed beside its bound; our fastest
// kernels use AVX2, which pixman has no code for, so the SSE2 figures are printed beside them. Our images keep
// straight alpha and weigh by it in the blit; pixman is handed its source premultiplied, made before timing. The
// destination is A8R8G8B8 (opaque), as our memory image is: pixman's fast ADD needs a destination with alpha.
#include "graphics/BlendSpans.h"
#include "graphics/MemoryImage.h"

#include "BenchRatio.h"
#include "BenchScreen.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace Zest;

namespace
{
constexpr int kWidth = 800;
constexpr int kHeight = 600;

// A layer tiled with 64x64 round sprites: transparent corners, an opaque body and an anti-aliased rim.
std::vector<uint32_t> MakeLayer()
{
    std::vector<uint32_t> px(size_t(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
        {
            const int sx = x % 64, sy = y % 64;
            const double dist = std::hypot(sx - 31.5, sy - 31.5);
            const double coverage = std::clamp(28.0 - dist, 0.0, 1.0) * (dist > 20 ? 1.0 : 1.0);
            uint32_t a = uint32_t(coverage * 255.0 + 0.5);
            if (dist > 18 && dist < 22) a = std::min<uint32_t>(a, 160); // a translucent ring inside the sprite
            const uint32_t r = uint32_t((x * 7) & 0xFF), g = uint32_t((y * 5) & 0xFF), b = uint32_t((x + y) & 0xFF);
            px[size_t(y) * kWidth + size_t(x)] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    return px;
}

std::vector<uint32_t> MakeBackground()
{
    std::vector<uint32_t> px(size_t(kWidth) * kHeight);
    for (size_t i = 0; i < px.size(); ++i) px[i] = 0xFF000000u | uint32_t((i * 2654435761u) >> 8 & 0x7F7F7F);
    return px;
}

struct Ours
{
    MemoryImage layer{nullptr};
    MemoryImage dest{nullptr};
    Ours()
    {
        const std::vector<uint32_t> src = MakeLayer(), bg = MakeBackground();
        layer.SetBits(src.data(), kWidth, kHeight, true);
        dest.SetBits(bg.data(), kWidth, kHeight, true);
        layer.GetAlphaRunData(); // made once when the image is first drawn, as in the game
    }
};

// Pixel storage on a 64-byte boundary, so every run compares pixman on the same footing.
struct AlignedPixels
{
    std::vector<uint32_t> storage;
    uint32_t* data = nullptr;
    explicit AlignedPixels(const std::vector<uint32_t>& px) : storage(px.size() + 16)
    {
        void* p = storage.data();
        size_t space = storage.size() * sizeof(uint32_t);
        data = static_cast<uint32_t*>(std::align(64, px.size() * sizeof(uint32_t), p, space));
        std::copy(px.begin(), px.end(), data);
    }
};

struct Pixman
{
    AlignedPixels srcPx{BenchScreen::Premultiplied(MakeLayer())};
    AlignedPixels destPx{MakeBackground()};
    pixman_image_t* src = nullptr;
    pixman_image_t* dest = nullptr;
    Pixman()
    {
        src = pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, kHeight, srcPx.data, kWidth * 4);
        dest = pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, kHeight, destPx.data, kWidth * 4);
    }
    ~Pixman()
    {
        pixman_image_unref(src);
        pixman_image_unref(dest);
    }
};

void BM_OursNormal(benchmark::State& state)
{
    Ours o;
    for (auto _ : state)
    {
        o.dest.Blt(&o.layer, 0, 0, Rect(0, 0, kWidth, kHeight), Color::White, DRAWMODE_NORMAL);
        benchmark::DoNotOptimize(o.dest.mBits.get());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_PixmanOver(benchmark::State& state)
{
    Pixman p;
    for (auto _ : state)
    {
        pixman_image_composite32(PIXMAN_OP_OVER, p.src, nullptr, p.dest, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
        benchmark::DoNotOptimize(p.destPx.data);
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_OursAdditive(benchmark::State& state)
{
    Ours o;
    for (auto _ : state)
    {
        o.dest.Blt(&o.layer, 0, 0, Rect(0, 0, kWidth, kHeight), Color::White, DRAWMODE_ADDITIVE);
        benchmark::DoNotOptimize(o.dest.mBits.get());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// The same blits held to the SSE2 baseline, for processors without AVX2.
void BM_OursNormalSse2(benchmark::State& state)
{
    const SpanIsa previous = SetSpanIsa(SpanIsa::Sse2);
    BM_OursNormal(state);
    SetSpanIsa(previous);
}

void BM_OursAdditiveSse2(benchmark::State& state)
{
    const SpanIsa previous = SetSpanIsa(SpanIsa::Sse2);
    BM_OursAdditive(state);
    SetSpanIsa(previous);
}

void BM_PixmanAdd(benchmark::State& state)
{
    Pixman p;
    for (auto _ : state)
    {
        pixman_image_composite32(PIXMAN_OP_ADD, p.src, nullptr, p.dest, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
        benchmark::DoNotOptimize(p.destPx.data);
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

BENCHMARK(BM_OursNormal)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PixmanOver)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OursAdditive)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PixmanAdd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OursNormalSse2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OursAdditiveSse2)->Unit(benchmark::kMicrosecond);

// Both sides draw once from the same start; the largest channel difference must stay within its bound.
bool CheckPictures()
{
    bool ok = true;
    for (const bool additive : {false, true})
    {
        Ours o;
        Pixman p;
        o.dest.Blt(&o.layer, 0, 0, Rect(0, 0, kWidth, kHeight), Color::White,
                   additive ? DRAWMODE_ADDITIVE : DRAWMODE_NORMAL);
        pixman_image_composite32(additive ? PIXMAN_OP_ADD : PIXMAN_OP_OVER, p.src, nullptr, p.dest, 0, 0, 0, 0, 0, 0,
                                 kWidth, kHeight);
        const uint32_t* ours = o.dest.GetBits();
        int largest = 0;
        size_t differing = 0;
        const size_t n = size_t(kWidth) * kHeight;
        for (size_t i = 0; i < n; ++i)
        {
            if ((ours[i] & 0xFFFFFF) != (p.destPx.data[i] & 0xFFFFFF)) ++differing;
            for (int shift = 0; shift < 24; shift += 8)
                largest = std::max(largest,
                                   std::abs(int((ours[i] >> shift) & 0xFF) - int((p.destPx.data[i] >> shift) & 0xFF)));
        }
        // Ours weighs a straight-alpha source by a / 256 and the destination by (256 - a) / 256, each cut down;
        // pixman adds a source premultiplied by a / 255 (here truncated) to the destination times (255 - a) / 255,
        // rounded. The additive forms both add c x a, over 256 and over 255.
        const int bound = 2;
        std::printf("check %-9s largest channel difference %d, bound %d; %.1f%% of pixels differ\n",
                    additive ? "additive" : "normal", largest, bound, 100.0 * double(differing) / double(n));
        ok = ok && largest <= bound;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    std::printf("spans: %s\n",
                SpanIsaAvailable(SpanIsa::Avx2) ? "AVX2 (pixman has no AVX2 code: see the SSE2 pairs)" : "SSE2");
    return BenchRatio::Run(argc, argv,
                           {{"normal blit / pixman OVER", "BM_OursNormal", "BM_PixmanOver"},
                            {"additive blit / pixman ADD", "BM_OursAdditive", "BM_PixmanAdd"},
                            {"normal, SSE2 / pixman OVER", "BM_OursNormalSse2", "BM_PixmanOver"},
                            {"additive, SSE2 / pixman ADD", "BM_OursAdditiveSse2", "BM_PixmanAdd"}},
                           CheckPictures);
}
