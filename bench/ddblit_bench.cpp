// Surface blit benchmark: our 5-6-5 and X8R8G8B8 surface routines (blended and additive full-layer blits, and the
// bilinear rotated blit) against pixman doing the same job (OVER, ADD, OVER through a bilinear rotation) on
// destinations of the same format, with the time ratio printed.
#include "graphics/DDImage.h"
#include "graphics/DDInterface.h"
#include "graphics/MemoryImage.h"
#include "platform/Debug.h"
#include "platform/Surfaces.h"
#include "platform/Window.h"

#include "BenchRatio.h"

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
constexpr int kSprite = 256;
constexpr double kAngle = 0.5; // radians, about 29 degrees

// A layer tiled with 64x64 round sprites: transparent corners, an opaque body, a translucent ring and an
// anti-aliased rim.
std::vector<uint32_t> MakeLayer(int width, int height, int tile)
{
    std::vector<uint32_t> px(size_t(width) * size_t(height));
    const double c = (tile - 1) / 2.0, r = tile * 0.44;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const double dist = std::hypot(x % tile - c, y % tile - c);
            uint32_t a = uint32_t(std::clamp(r - dist, 0.0, 1.0) * 255.0 + 0.5);
            if (dist > r * 0.64 && dist < r * 0.78) a = std::min<uint32_t>(a, 160);
            const uint32_t red = uint32_t((x * 7) & 0xFF), g = uint32_t((y * 5) & 0xFF), b = uint32_t((x + y) & 0xFF);
            px[size_t(y) * size_t(width) + size_t(x)] = (a << 24) | (red << 16) | (g << 8) | b;
        }
    return px;
}

std::vector<uint32_t> MakeBackground()
{
    std::vector<uint32_t> px(size_t(kWidth) * kHeight);
    for (size_t i = 0; i < px.size(); ++i) px[i] = 0xFF000000u | uint32_t((i * 2654435761u) >> 8 & 0x7F7F7F);
    return px;
}

// A headless display in 5-6-5 (bits 16) or X8R8G8B8 (bits 32) with an opaque surface image to draw on.
struct Ours
{
    std::unique_ptr<Platform::Window> windowObject;
    DisplayApp app;
    std::unique_ptr<DDInterface> device;
    std::unique_ptr<DDImage> dest;
    MemoryImage layer{nullptr};
    MemoryImage sprite{nullptr};

    explicit Ours(int bits)
    {
        Platform::SetVideoBackend(Platform::VideoBackend::Headless);
        Platform::ResetHeadlessDisplay();
        Platform::HeadlessDisplay().bitsPerPixel = bits;
        app.mWidth = kWidth;
        app.mHeight = kHeight;
        app.mColorDepth = bits;
        app.mSyncDrawing = false;
        windowObject = Platform::Window::Create("bench", 0, 0, kWidth, kHeight);
        device = std::make_unique<DDInterface>(&app);
        if (device->Init(windowObject.get(), true) != 0) std::fprintf(stderr, "%s\n", device->mErrorString.c_str());
        dest = std::make_unique<DDImage>(device.get());
        const std::vector<uint32_t> bg = MakeBackground(), layerPx = MakeLayer(kWidth, kHeight, 64),
                                    spritePx = MakeLayer(kSprite, kSprite, kSprite);
        dest->SetBits(bg.data(), kWidth, kHeight);
        if (!dest->CreateSurfaceFromBits()) std::fprintf(stderr, "no surface for the destination\n");
        layer.SetBits(layerPx.data(), kWidth, kHeight);
        sprite.SetBits(spritePx.data(), kSprite, kSprite);
    }
    ~Ours()
    {
        dest.reset();
        device.reset();
        Platform::ResetHeadlessDisplay();
    }
};

struct Pixman
{
    std::vector<uint32_t> layerPx, spritePx, destPx;
    pixman_image_t* layer = nullptr;
    pixman_image_t* sprite = nullptr;
    pixman_image_t* dest = nullptr;

    explicit Pixman(int bits)
    {
        layerPx = Premultiplied(MakeLayer(kWidth, kHeight, 64));
        spritePx = Premultiplied(MakeLayer(kSprite, kSprite, kSprite));
        layer = pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, kHeight, layerPx.data(), kWidth * 4);
        sprite = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSprite, kSprite, spritePx.data(), kSprite * 4);
        const std::vector<uint32_t> bg = MakeBackground();
        if (bits == 16)
        {
            destPx.resize(size_t(kWidth) * kHeight / 2);
            auto* p16 = reinterpret_cast<uint16_t*>(destPx.data());
            for (size_t i = 0; i < bg.size(); ++i)
                p16[i] = uint16_t((bg[i] >> 8 & 0xF800) | (bg[i] >> 5 & 0x07E0) | (bg[i] >> 3 & 0x001F));
            dest = pixman_image_create_bits(PIXMAN_r5g6b5, kWidth, kHeight, destPx.data(), kWidth * 2);
        }
        else
        {
            destPx = bg;
            dest = pixman_image_create_bits(PIXMAN_x8r8g8b8, kWidth, kHeight, destPx.data(), kWidth * 4);
        }
        // The sprite turned about its centre onto the destination's centre: pixman maps destination pixels back
        // to the source, so it takes the inverse rotation.
        const double c = std::cos(kAngle), s = std::sin(kAngle);
        const double dcx = kWidth / 2.0, dcy = kHeight / 2.0, scx = kSprite / 2.0, scy = kSprite / 2.0;
        pixman_transform_t t;
        pixman_transform_init_identity(&t);
        t.matrix[0][0] = pixman_double_to_fixed(c);
        t.matrix[0][1] = pixman_double_to_fixed(s);
        t.matrix[0][2] = pixman_double_to_fixed(scx - (c * dcx + s * dcy));
        t.matrix[1][0] = pixman_double_to_fixed(-s);
        t.matrix[1][1] = pixman_double_to_fixed(c);
        t.matrix[1][2] = pixman_double_to_fixed(scy - (-s * dcx + c * dcy));
        pixman_image_set_transform(sprite, &t);
        pixman_image_set_filter(sprite, PIXMAN_FILTER_BILINEAR, nullptr, 0);
        pixman_image_set_repeat(sprite, PIXMAN_REPEAT_NONE);
    }
    ~Pixman()
    {
        pixman_image_unref(layer);
        pixman_image_unref(sprite);
        pixman_image_unref(dest);
    }
    static std::vector<uint32_t> Premultiplied(std::vector<uint32_t> px)
    {
        for (uint32_t& p : px)
        {
            const uint32_t a = p >> 24;
            p = (a << 24) | ((((p >> 16) & 0xFF) * a / 255) << 16) | ((((p >> 8) & 0xFF) * a / 255) << 8) |
                ((p & 0xFF) * a / 255);
        }
        return px;
    }
};

// The rotated sprite's destination bounds (what pixman is asked to composite).
int RotatedExtent()
{
    return int(std::ceil(kSprite * (std::abs(std::cos(kAngle)) + std::abs(std::sin(kAngle))))) + 2;
}

void BM_OursBlend(benchmark::State& state)
{
    Ours o(int(state.range(0)));
    for (auto _ : state)
    {
        o.dest->Blt(&o.layer, 0, 0, Rect(0, 0, kWidth, kHeight), Color::White, DRAWMODE_NORMAL);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_PixmanOver(benchmark::State& state)
{
    Pixman p(int(state.range(0)));
    for (auto _ : state)
    {
        pixman_image_composite32(PIXMAN_OP_OVER, p.layer, nullptr, p.dest, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_OursAdditive(benchmark::State& state)
{
    Ours o(int(state.range(0)));
    for (auto _ : state)
    {
        o.dest->Blt(&o.layer, 0, 0, Rect(0, 0, kWidth, kHeight), Color::White, DRAWMODE_ADDITIVE);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_PixmanAdd(benchmark::State& state)
{
    Pixman p(int(state.range(0)));
    for (auto _ : state)
    {
        pixman_image_composite32(PIXMAN_OP_ADD, p.layer, nullptr, p.dest, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_OursRotated(benchmark::State& state)
{
    Ours o(int(state.range(0)));
    const float x = kWidth / 2.0f - kSprite / 2.0f, y = kHeight / 2.0f - kSprite / 2.0f;
    for (auto _ : state)
    {
        o.dest->BltRotated(&o.sprite, x, y, Rect(0, 0, kSprite, kSprite), Rect(0, 0, kWidth, kHeight), Color::White,
                           DRAWMODE_NORMAL, kAngle, kSprite / 2.0f, kSprite / 2.0f);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSprite * kSprite);
}

void BM_PixmanRotated(benchmark::State& state)
{
    Pixman p(int(state.range(0)));
    const int e = RotatedExtent(), x = kWidth / 2 - e / 2, y = kHeight / 2 - e / 2;
    for (auto _ : state)
    {
        pixman_image_composite32(PIXMAN_OP_OVER, p.sprite, nullptr, p.dest, x, y, 0, 0, x, y, e, e);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSprite * kSprite);
}

BENCHMARK(BM_OursBlend)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PixmanOver)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OursAdditive)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PixmanAdd)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OursRotated)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PixmanRotated)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    Platform::SetDebugOutputEnabled(false); // the display's start-up lines would drown the table
    std::vector<BenchRatio::Pair> pairs;
    for (const char* bits : {"16", "32"})
    {
        const std::string fmt = std::string(bits) == "16" ? "565" : "888";
        const std::string arg = std::string("/") + bits;
        pairs.push_back({fmt + " blended / pixman OVER", "BM_OursBlend" + arg, "BM_PixmanOver" + arg});
        pairs.push_back({fmt + " additive / pixman ADD", "BM_OursAdditive" + arg, "BM_PixmanAdd" + arg});
        pairs.push_back({fmt + " rotated / pixman bilinear", "BM_OursRotated" + arg, "BM_PixmanRotated" + arg});
    }
    return BenchRatio::Run(argc, argv, std::move(pairs), BenchRatio::Clock::Cpu);
}
