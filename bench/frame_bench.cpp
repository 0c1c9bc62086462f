// A synthetic sprite scene, not a frame of the game: drawn through Graphics onto the 16-bit and 32-bit screen
// surfaces (an opaque 800x600 background, 80 generated sprites with soft edges, 20 additive glows and twelve lines
// of text in the system font, where the game writes with its bitmap fonts, which cost several times more a line),
// the surface locked for the whole pass as the widget manager holds it, beside one pixman full-screen OVER of a
// layer with partial alpha onto a destination of the same format in the same run. The ratio says how many
// full-screen blends this scene costs; the game's own busiest frame, its real board drawing, is boarddraw_bench's.
// Only the 32-bit scene gets a ratio: the game draws on a 32-bit surface, and pixman's OVER onto 5-6-5 costs about
// five times its 32-bit one, which would flatter ours.
#include "graphics/BlendSpans.h"
#include "graphics/DDImage.h"
#include "graphics/DDInterface.h"
#include "graphics/Graphics.h"
#include "graphics/SysFont.h"
#include "platform/Debug.h"
#include "platform/Surfaces.h"
#include "platform/Window.h"

#include "BenchRatio.h"
#include "BenchScreen.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace Zest;

namespace
{
constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kSprites = 80;
constexpr int kGlows = 20;
constexpr int kTextLines = 12;

// A round picture of the given size: opaque inside, an anti-aliased rim, transparent corners.
std::vector<uint32_t> Round(int size, uint32_t seed, bool glow)
{
    std::vector<uint32_t> px(size_t(size) * size_t(size));
    const double c = (size - 1) / 2.0, r = size * 0.46;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
        {
            const double dist = std::hypot(x - c, y - c);
            // A glow fades from its centre; a sprite is solid with a one-pixel soft edge.
            const double cover = glow ? std::clamp(1.0 - dist / r, 0.0, 1.0) : std::clamp(r - dist, 0.0, 1.0);
            const uint32_t a = uint32_t(cover * 255.0 + 0.5);
            const uint32_t red = (seed * 37 + uint32_t(x) * 3) & 0xFF, g = (seed * 91 + uint32_t(y) * 5) & 0xFF,
                           b = (seed * 53 + uint32_t(x + y)) & 0xFF;
            px[size_t(y) * size_t(size) + size_t(x)] = a << 24 | red << 16 | g << 8 | b;
        }
    return px;
}

std::vector<uint32_t> Background()
{
    std::vector<uint32_t> px(size_t(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            px[size_t(y) * kWidth + size_t(x)] =
                0xFF000000u | uint32_t((x * 255) / kWidth) << 16 | uint32_t((y * 255) / kHeight) << 8 | 0x40;
    return px;
}

// The screen of a headless display in the given depth, with the frame's pictures made through that display.
struct Scene
{
    BenchScreen::HeadlessDevice display;
    std::unique_ptr<DDImage> background;
    std::vector<std::unique_ptr<DDImage>> sprites;
    std::vector<std::unique_ptr<DDImage>> glows;
    std::unique_ptr<SysFont> font;

    explicit Scene(int bits) : display(bits, kWidth, kHeight)
    {
        auto make = [&](const std::vector<uint32_t>& px, int w, int h)
        {
            auto image = std::make_unique<DDImage>(display.device.get());
            image->SetBits(px.data(), w, h);
            return image;
        };
        background = make(Background(), kWidth, kHeight);
        for (int i = 0; i < 4; ++i) sprites.push_back(make(Round(64, uint32_t(i), false), 64, 64));
        for (int i = 0; i < 2; ++i) glows.push_back(make(Round(128, uint32_t(i + 7), true), 128, 128));
        font = std::make_unique<SysFont>(nullptr, "Arial Unicode MS", 12);
    }
    void DrawFrame()
    {
        DDImage* screen = display.device->GetScreenImage();
        const bool locked = screen->LockSurface();
        Graphics g(screen);
        g.DrawImage(background.get(), 0, 0);
        for (int i = 0; i < kSprites; ++i)
            g.DrawImage(sprites[size_t(i) % sprites.size()].get(), (i * 97) % (kWidth - 64), (i * 61) % (kHeight - 64));
        g.SetDrawMode(DRAWMODE_ADDITIVE);
        for (int i = 0; i < kGlows; ++i)
            g.DrawImage(glows[size_t(i) % glows.size()].get(), (i * 151) % (kWidth - 128), (i * 89) % (kHeight - 128));
        g.SetDrawMode(DRAWMODE_NORMAL);
        g.SetFont(font.get());
        g.SetColor(Color(255, 240, 200));
        for (int line = 0; line < kTextLines; ++line)
            g.DrawString("Order up! Two margheritas and a quattro stagioni, table " + std::to_string(line + 1), 20,
                         40 + line * 18);
        if (locked) screen->UnlockSurface();
    }
};

struct PixmanOver
{
    std::vector<uint32_t> layerPx;
    pixman_image_t* layer = nullptr;
    BenchScreen::PixmanDest dest;

    explicit PixmanOver(int bits) : dest(bits, Background(), kWidth, kHeight)
    {
        // A full-screen layer of the frame's sprites.
        layerPx.resize(size_t(kWidth) * kHeight);
        const std::vector<uint32_t> sprite = Round(64, 1, false);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                layerPx[size_t(y) * kWidth + size_t(x)] = sprite[size_t(y % 64) * 64 + size_t(x % 64)];
        layerPx = BenchScreen::Premultiplied(std::move(layerPx));
        layer = pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, kHeight, layerPx.data(), kWidth * 4);
    }
    ~PixmanOver() { pixman_image_unref(layer); }
};

void BM_OurFrame(benchmark::State& state)
{
    Scene scene(int(state.range(0)));
    scene.DrawFrame(); // the pictures' display-format copies are made once, when first drawn, as in the game
    for (auto _ : state)
    {
        scene.DrawFrame();
        benchmark::ClobberMemory();
    }
}

void BM_OurFrameSse2(benchmark::State& state)
{
    const SpanIsa previous = SetSpanIsa(SpanIsa::Sse2);
    BM_OurFrame(state);
    SetSpanIsa(previous);
}

void BM_PixmanFullScreenOver(benchmark::State& state)
{
    PixmanOver p(int(state.range(0)));
    for (auto _ : state)
    {
        pixman_image_composite32(PIXMAN_OP_OVER, p.layer, nullptr, p.dest.image, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_OurFrame)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OurFrameSse2)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PixmanFullScreenOver)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    Platform::SetDebugOutputEnabled(false); // the display's start-up lines would drown the table
    std::printf("synthetic scene (not the game's frame; see boarddraw_bench): an opaque %dx%d background, %d sprites "
                "of 64x64, %d additive glows of 128x128, %d lines "
                "of text; anchor: one full-screen pixman OVER of a layer with partial alpha, same destination format\n",
                kWidth, kHeight, kSprites, kGlows, kTextLines);
    std::printf("spans: %s\n",
                SpanIsaAvailable(SpanIsa::Avx2) ? "AVX2 (pixman has no AVX2 code: see the SSE2 pairs)" : "SSE2");
    const std::string not565 = "5-6-5 is not the game's surface, and pixman's OVER onto it costs about five times "
                               "its 32-bit one";
    std::vector<BenchRatio::Pair> pairs = {
        {"888 synthetic scene / pixman OVER", "BM_OurFrame/32", "BM_PixmanFullScreenOver/32"},
        {"888 synthetic scene, SSE2 / pixman OVER", "BM_OurFrameSse2/32", "BM_PixmanFullScreenOver/32"},
        {"565 synthetic scene, pixman OVER", "BM_OurFrame/16", "BM_PixmanFullScreenOver/16", not565},
        {"565 synthetic scene SSE2, pixman OVER", "BM_OurFrameSse2/16", "BM_PixmanFullScreenOver/16", not565},
    };
    return BenchRatio::Run(argc, argv, std::move(pairs));
}
