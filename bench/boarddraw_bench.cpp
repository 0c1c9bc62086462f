// Play-field drawing and particle benchmark: the busiest board frame, drawn by the game's own board view onto the
// 16- and 32-bit screen surface, and additive particle drawing at the cap, each measured in units of one pixman
// full-screen OVER onto a destination of the same format in the same run (a yardstick of drawing work, not the
// same work); the busiest frame also with our SSE2 forms only, pixman's own instruction set. The 5-6-5 frame and
// the particle update (arithmetic, no drawing) are printed without a ratio: the game draws on 32 bits, and an
// update has nothing in common with a blend.
#include "BenchRatio.h"
#include "BenchScreen.h"
#include "game/board/BoardModel.h"
#include "game/board/BoardParticles.h"
#include "game/board/BoardView.h"
#include "game/board/ParticleManager.h"
#include "game/board/QuietBoardHost.h"
#include "game/core/GameResources.h"
#include "graphics/BlendSpans.h"
#include "graphics/DDImage.h"
#include "graphics/DDInterface.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "platform/Debug.h"
#include "platform/Surfaces.h"
#include "platform/Window.h"

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

// A picture with a soft round body and transparent corners, like most of the field's art.
std::unique_ptr<MemoryImage> Round(int w, int h, uint32_t rgb, int cols = 1)
{
    auto img = std::make_unique<MemoryImage>(nullptr);
    img->Create(w, h);
    const int celW = w / cols;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const double dx = (x % celW + 0.5 - celW / 2.0) / (celW / 2.0), dy = (y + 0.5 - h / 2.0) / (h / 2.0);
            const double a = std::clamp((1.0 - std::sqrt(dx * dx + dy * dy)) * 8.0, 0.0, 1.0);
            img->GetBits()[y * w + x] = uint32_t(a * 255) << 24 | rgb;
        }
    img->mNumCols = cols;
    img->BitsChanged();
    return img;
}

std::unique_ptr<MemoryImage> Opaque(int w, int h, uint32_t rgb)
{
    auto img = std::make_unique<MemoryImage>(nullptr);
    img->Create(w, h);
    for (int i = 0; i < w * h; ++i) img->GetBits()[i] = 0xFF000000u | (rgb ^ uint32_t(i * 2654435761u >> 26));
    img->BitsChanged();
    return img;
}

struct BenchHost : QuietBoardHost
{
    BenchHost()
    {
        for (auto& s : lng.strings) s = "T";
        player.level = 30;
        player.hintsShown.fill(1);
        imageSize = {90, 60};
        mouseX = 500;
        count = 1000;
    }
    std::unique_ptr<Image> LoadImage(const std::string& path) override
    {
        if (path.find("persons") != std::string::npos) return Round(160, 200, 0x6080A0);
        return nullptr;
    }
};

// Effect description of a typical sparkle: 40 particles a second, half a second each.
EffectDescription Sparkle(int rate, float life)
{
    EffectDescription d;
    d.emissionRate = rate;
    d.lifetime = ParticleSystem::kEndless;
    d.lifeMin = d.lifeMax = life;
    d.spread = 6.28f;
    d.speedMin = 0.5f, d.speedMax = 2.0f;
    d.gravityMin = d.gravityMax = 5.0f;
    d.sizeStart = 1.0f, d.sizeEnd = 0.3f;
    d.spinStart = 1.0f, d.spinEnd = 3.0f;
    for (int c = 0; c < 4; ++c) d.colourStart[c] = 1.0f, d.colourEnd[c] = 0.5f;
    return d;
}

// Fills a manager with 200 systems of n live particles each, spread over the screen.
void FillManager(ParticleManager& manager, const ParticleSystem& templ, int perSystem, bool additive)
{
    manager.KillAll();
    for (int i = 0; i < ParticleManager::kMaxSystems; ++i)
    {
        ParticleSystem* s = manager.Spawn(templ, 50.0f + (i % 20) * 35.0f, 50.0f + (i / 20) * 50.0f);
        s->additive = additive;
        while (s->LiveCount() < perSystem) s->Update(0.05f);
    }
}

// The busiest moment of a normal level.
struct BusyBoard
{
    std::vector<std::unique_ptr<MemoryImage>> art;
    BenchHost host;
    BoardModel model{host};
    EffectLibrary library;
    std::unique_ptr<BoardParticles> particles;
    std::unique_ptr<BoardView> view;

    Image* Keep(std::unique_ptr<MemoryImage> img)
    {
        art.push_back(std::move(img));
        return art.back().get();
    }

    BusyBoard()
    {
        IMAGE_BURNER_OFF = Keep(Opaque(49, 49, 0x3A3A44));
        IMAGE_BURNER_ON = Keep(Opaque(49, 49, 0xE05A20));
        IMAGE_BURNER_ONON = Keep(Opaque(49, 49, 0xF0C030));
        IMAGE_RAMKA_LEFT = IMAGE_RAMKA_RIGHT = Keep(Opaque(4, 398, 0x8A5A30));
        IMAGE_AKKUM = IMAGE_AKKUM_READY = Keep(Round(90, 60, 0x3060C0));
        IMAGE_AKKUM_LIGHT = Keep(Round(10, 10, 0xFFFF80));
        IMAGE_COFE_MAC = IMAGE_COFE_MAC_READY = Keep(Round(70, 90, 0x704020));
        IMAGE_COFE_PR = Keep(Round(10, 40, 0xC08040));
        IMAGE_COFE_CUP = Keep(Round(22, 22, 0xF0F0F0));
        IMAGE_CLOCK = Keep(Round(480, 80, 0xD0D0D0, 6));
        IMAGE_CLOCK_SMALL = Keep(Round(120, 24, 0xE0E0E0, 5));
        IMAGE_SELECT = Keep(Round(49, 49, 0xFFFFFF));
        IMAGE_FOOD1 = IMAGE_FOOD2 = IMAGE_FOOD3 = IMAGE_FOOD4 = Keep(Round(35, 35, 0xE0C080));
        IMAGE_BOX2 = IMAGE_BOX3 = IMAGE_BOX4B = IMAGE_BOX4T = Keep(Round(90, 80, 0xB08850));
        IMAGE_BOX_READY = Keep(Round(60, 40, 0xC09860));
        IMAGE_FACE_BAD = IMAGE_FACE_GOOD = IMAGE_FACE_FINE = Keep(Round(30, 25, 0x40E040));
        IMAGE_MOOD_BAD = IMAGE_MOOD_GOOD = IMAGE_MOOD_FINE = Keep(Round(64, 25, 0x40E040));
        IMAGE_CLOUDLET = Keep(Round(110, 80, 0xFFFFFF));
        IMAGE_CLOUDLET_SMALL = Keep(Round(60, 60, 0xFFFFFF));
        IMAGE_MONEY = Keep(Round(40, 30, 0x40B040));
        IM_BONUS_PARTICLE1 = IM_BONUS_PARTICLE2 = IM_BONUS_PARTICLE3 = IM_BONUS_HART = IMAGE_STAR_FULL =
            Keep(Round(16, 16, 0xFFF0A0));

        model.LevelFolder = "bench-no-levels/";
        model.CharacterFolder = "bench-no-characters/";
        model.Init();
        // Characters with three one-frame states, so that every customer draws its body.
        model.Characters.clear();
        for (int i = 0; i < BoardModel::kNumCharacters; ++i)
        {
            auto def = std::make_unique<PersonAnime>();
            def->imageNames = {"images/persons/bench/wait"};
            def->animes = {{PersonFrame{}}, {PersonFrame{}}, {PersonFrame{}}};
            model.Characters.push_back(std::move(def));
        }
        model.Columns = 10;
        model.GridX = 260;
        model.ResetLevel();
        model.BackgroundImage = Opaque(800, 600, 0x6A4A38);
        for (int i = 0; i < 6; ++i) model.ToppingImages[size_t(i)] = Round(42, 42, 0x40B040 + 0x202000 * i);
        for (int w = 2; w <= 5; ++w)
            for (int h = 2; h <= 5; ++h)
            {
                model.PizzaImages[size_t((w - 2) * 4 + h - 2)] = Round(w * 49, h * 49, 0xE8A040);
                model.SmallPizzaImages[size_t((w - 2) * 4 + h - 2)] = Round(20 + 12 * w, 20 + 12 * h, 0xE8A040);
            }
        for (auto& column : model.Grid)
            for (auto& p : column) p->atRest = true;
        model.FreezeCountdown = 0;
        model.AkkumEnableLevel = model.CoffeeEnableLevel = model.FoodEnableLevel = 0;
        model.AkkumWorkTimeUpgrades = {{"", 0, 10}};
        model.StartAkkum();
        model.AkkumFramesLeft = 600;
        model.CoffeeCapacity = 4, model.CoffeeFill = 4;
        model.StockCount[0] = 2;
        for (int c = 0; c < 10; ++c)
            for (int r = 0; r < 8; ++r) model.CellAlpha[c][r] = 120;
        for (int i = 0; i < 4; ++i)
        {
            auto p = std::make_unique<Person>(i, i + 1);
            p->queueIndex = i;
            p->slotX = 10 * i - 50, p->slotY = 400 - 100 * i;
            p->character = i;
            p->mood = 20.0f + 20 * i;
            p->wish = i % 3;
            p->angryCounter = 60;
            model.Persons.push_back(std::move(p));
            auto d = std::make_unique<Dish>(i, i + 1);
            d->width = 3 + i % 2, d->height = 3;
            d->shelfX = model.ShelfX;
            d->SetPosition(model, float(model.ShelfX), float(model.ShelfY - 100 * i));
            if (i < 2)
            {
                d->cooking = true;
                d->cookLeft = 100;
                d->x = float(model.GridX + 49 * (4 * i + 2));
                d->y = 200;
            }
            model.Dishes.push_back(std::move(d));
        }
        for (int i = 0; i < 20; ++i) model.AddLabel(BoardImage::Money, 100.0f + 30 * i, 300, 0, -0.2f, 200);
        particles = std::make_unique<BoardParticles>(model, library, "bench-no-effects/");
        view = std::make_unique<BoardView>(model, particles.get());
        // The running-effects cap: 200 systems of a typical 40 live particles.
        ParticleSystem templ(Sparkle(800, 0.5f), IM_BONUS_PARTICLE1, 0.0f);
        FillManager(particles->manager, templ, 40, true);
    }
};

// The headless display with its screen surface in 5-6-5 or X8R8G8B8.
struct Screen
{
    BenchScreen::HeadlessDevice display;
    std::unique_ptr<DDImage> dest;

    explicit Screen(int bits) : display(bits, kWidth, kHeight)
    {
        dest = std::make_unique<DDImage>(display.device.get());
        std::vector<uint32_t> bg(size_t(kWidth) * kHeight, 0xFF202020u);
        dest->SetBits(bg.data(), kWidth, kHeight);
        if (!dest->CreateSurfaceFromBits()) std::fprintf(stderr, "no surface for the destination\n");
    }
};

void BM_BoardFrame(benchmark::State& state)
{
    BusyBoard board;
    // Second argument 0: the same frame without the running effects, to show their share.
    if (state.range(1) == 0) board.particles->manager.KillAll();
    Screen screen(int(state.range(0)));
    // Third argument 1: the SSE2 forms only, the instruction set the pixman build runs on.
    const SpanIsa previous = state.range(2) ? SetSpanIsa(SpanIsa::Sse2) : ActiveSpanIsa();
    for (auto _ : state)
    {
        // The widget manager keeps the screen surface locked through its whole draw pass, so that each drawing
        // only counts the lock; the frame is drawn the same way here.
        const bool locked = screen.dest->LockSurface();
        Graphics g(screen.dest.get());
        board.view->Draw(g);
        board.view->DrawEffects(g);
        if (locked) screen.dest->UnlockSurface();
        benchmark::ClobberMemory();
    }
    SetSpanIsa(previous);
}

std::vector<uint32_t> Premultiplied(MemoryImage& img)
{
    return BenchScreen::Premultiplied({img.GetBits(), img.GetBits() + size_t(img.GetWidth()) * img.GetHeight()});
}

// One full-screen OVER of an 800x600 picture with soft-edged sprites onto the same format.
void BM_PixmanOver(benchmark::State& state)
{
    const int bits = int(state.range(0));
    auto layer = Round(800, 600, 0x80A0C0, 12);
    std::vector<uint32_t> src = Premultiplied(*layer);
    std::vector<uint32_t> dst(size_t(kWidth) * kHeight, 0xFF202020u);
    pixman_image_t* s = pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, kHeight, src.data(), kWidth * 4);
    pixman_image_t* d = bits == 16 ? pixman_image_create_bits(PIXMAN_r5g6b5, kWidth, kHeight, dst.data(), kWidth * 2)
                                   : pixman_image_create_bits(PIXMAN_x8r8g8b8, kWidth, kHeight, dst.data(), kWidth * 4);
    for (auto _ : state)
    {
        pixman_image_composite32(PIXMAN_OP_OVER, s, nullptr, d, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(s);
    pixman_image_unref(d);
}

// A full manager, 200 systems of 750: one 10 ms update; each system steps on every fifth.
void BM_ParticleManagerUpdate(benchmark::State& state)
{
    ParticleSystem::ResetSeed(1);
    auto sprite = Round(16, 16, 0xFFF0A0);
    // Particles that never die and an emitter that keeps the count at the cap.
    ParticleSystem templ(Sparkle(20000, 1000.0f), sprite.get(), 0.0f);
    ParticleManager manager(20.0f);
    FillManager(manager, templ, ParticleSystem::kMaxParticles, false);
    int live = 0;
    for (auto _ : state)
    {
        manager.Update(0.01f);
        benchmark::ClobberMemory();
    }
    for (int i = 0; i < manager.Count(); ++i) live += manager.At(i)->LiveCount();
    state.counters["particles"] = live;
}

// Drawing at the cap: 200 systems of 750 additive 16-pixel sparks, stretched, into an 800x600 picture.
void BM_ParticleRenderAdditive(benchmark::State& state)
{
    ParticleSystem::ResetSeed(1);
    auto sprite = Round(16, 16, 0xFFF0A0);
    const int perSystem = int(state.range(0));
    // One 0.05 s step makes exactly perSystem particles.
    ParticleSystem templ(Sparkle(perSystem * 20, 1000.0f), sprite.get(), 0.0f);
    ParticleManager manager(20.0f);
    FillManager(manager, templ, perSystem, true);
    MemoryImage screen(nullptr);
    screen.Create(kWidth, kHeight);
    for (auto _ : state)
    {
        Graphics g(&screen);
        manager.Render(g);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(ParticleManager::kMaxSystems) * perSystem);
}

} // namespace

BENCHMARK(BM_BoardFrame)
    ->Args({16, 1, 0})
    ->Args({32, 1, 0})
    ->Args({32, 0, 0})
    ->Args({16, 1, 1})
    ->Args({32, 1, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PixmanOver)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParticleManagerUpdate)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParticleRenderAdditive)->Arg(10)->Arg(100)->Arg(750)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    Platform::SetDebugOutputEnabled(false);
    const std::string not565 = "5-6-5 is not the game's surface, and pixman's OVER onto it costs about five times "
                               "its 32-bit one";
    std::vector<BenchRatio::Pair> pairs = {
        {"busiest frame 888 / pixman OVER", "BM_BoardFrame/32/1/0", "BM_PixmanOver/32"},
        {"busiest frame 888, SSE2 / OVER", "BM_BoardFrame/32/1/1", "BM_PixmanOver/32"},
        {"frame without effects / OVER", "BM_BoardFrame/32/0/0", "BM_PixmanOver/32"},
        {"busiest frame 565, pixman OVER", "BM_BoardFrame/16/1/0", "BM_PixmanOver/16", not565},
        {"busiest frame 565 SSE2, pixman OVER", "BM_BoardFrame/16/1/1", "BM_PixmanOver/16", not565},
        {"particle update at cap, pixman OVER", "BM_ParticleManagerUpdate", "BM_PixmanOver/32",
         "an update is arithmetic on particles, unrelated to a blend; see its own time"},
        {"additive 200x10 / OVER", "BM_ParticleRenderAdditive/10", "BM_PixmanOver/32"},
        {"additive 200x100 / OVER", "BM_ParticleRenderAdditive/100", "BM_PixmanOver/32"},
        {"additive 200x750 / OVER", "BM_ParticleRenderAdditive/750", "BM_PixmanOver/32"},
    };
    // These pairs are yardsticks, not the same work: before timing, check that the busy scene really draws its
    // parts and that the manager really holds the cap.
    const auto check = []
    {
        BusyBoard board;
        MemoryImage screen(nullptr);
        screen.Create(kWidth, kHeight);
        Graphics g(&screen);
        board.view->Draw(g);
        board.view->DrawEffects(g);
        const uint32_t lit = screen.GetBits()[size_t(50 + 24) * kWidth + 260 + 2] & 0xFFFFFF; // a burner's corner
        const uint32_t akkum = screen.GetBits()[size_t(502 + 30) * kWidth + 405 + 45] & 0xFFFFFF;
        int live = 0;
        for (int i = 0; i < board.particles->manager.Count(); ++i) live += board.particles->manager.At(i)->LiveCount();
        const bool ok = lit != 0 && akkum != 0 && board.particles->manager.Count() == ParticleManager::kMaxSystems &&
                        live == ParticleManager::kMaxSystems * 40;
        if (!ok)
            std::fprintf(stderr, "the busy scene did not draw as built (burner %06x, Akkum %06x, %d particles)\n", lit,
                         akkum, live);
        return ok;
    };
    return BenchRatio::Run(argc, argv, std::move(pairs), check);
}
