// A resource group of 300 mixed images (a third with alpha images) loaded from a pack by the application's own
// resource manager, against the sum of the bare decodes of the same files (both in five rounds, the median
// compared: a single load would carry the first pass's cold caches); and the longest main-thread frame while a
// loading thread loads the group, beside the longest with no loading thread. A frame is reported in both clocks:
// its processor time on the main thread (the work it does) and its wall time, which is what a player sees and the
// only clock in which a wait for the loader's lock shows; the idle run is the busy machine's floor for the latter.
// The allocator is settled as for every benchmark (BenchRatio.h).
#include "app/ZestAppBase.h"
#include "data/ImageCodecs.h"
#include "data/ImageLib.h"
#include "data/PakInterface.h"
#include "data/PakWriter.h"
#include "graphics/DDImage.h"
#include "graphics/DDInterface.h"
#include "graphics/MemoryImage.h"
#include "platform/Registry.h"
#include "platform/Surfaces.h"
#include "platform/Window.h"
#include "resources/ResourceManager.h"

#include "BenchRatio.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace
{

namespace fs = std::filesystem;
constexpr int kImages = 300;

struct ImageFile
{
    std::string name; // as the manifest names it (with its extension)
    bool png;
};

// The pack, its manifest and the list of files every decode reads; made once in a scratch folder.
struct Fixture
{
    fs::path folder;
    std::vector<ImageFile> files; // colour images and alpha images
    std::unique_ptr<Zest::PakInterface> pak;
    std::unique_ptr<Zest::ZestAppBase> app;
    std::unique_ptr<Platform::Window> window;

    Fixture()
    {
        std::random_device rd;
        folder = fs::temp_directory_path() / ("zest_res_bench_" + std::to_string(rd()));
        fs::create_directories(folder);
        fs::current_path(folder);
        Platform::SetSettingsFile((folder / "settings.ini").string());

        Zest::PakWriter writer;
        std::string manifest =
            "<ResourceManifest><Resources id=\"Game\"><SetDefaults path=\"images\" idprefix=\"IMAGE_\"/>\n";
        std::mt19937 rng(7);
        for (int i = 0; i < kImages; ++i)
        {
            // Sprites and panels from 48 to 320 pixels a side, two in three PNG, the rest JPEG.
            const int w = 48 + int(rng() % 273), h = 48 + int(rng() % 273);
            auto image = ImageLib::Image::Create(w, h);
            const uint32_t tint = rng();
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                {
                    const uint32_t a =
                        ((x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2)) < w * h / 5 ? 0xFF : 0x00;
                    image->GetBits()[size_t(y) * w + x] = a << 24 | ((tint + uint32_t(x * 3)) & 0xFF) << 16 |
                                                          (((tint >> 8) + uint32_t(y * 2)) & 0xFF) << 8 |
                                                          (uint32_t(x ^ y) & 0xFF);
                }
            const bool png = i % 3 != 2;
            const std::string name = "img" + std::to_string(i) + (png ? ".png" : ".jpg");
            std::vector<uint8_t> bytes;
            if (png)
                ImageLib::EncodePNG(*image, bytes);
            else
                ImageLib::EncodeJPEG(*image, bytes, 80);
            writer.AddFile("images\\" + name, std::string(bytes.begin(), bytes.end()), 0);
            files.push_back({name, png});
            manifest += "<Image path=\"" + name + "\"";
            if (i % 3 == 1)
            {
                // The alpha image: grey levels in a PNG of the same size.
                auto alpha = ImageLib::Image::Create(w, h);
                for (int p = 0; p < w * h; ++p) alpha->GetBits()[p] = 0xFF000000u | uint32_t(p * 7 & 0xFF) * 0x010101u;
                const std::string alphaName = "img" + std::to_string(i) + "_mask.png";
                std::vector<uint8_t> alphaBytes;
                ImageLib::EncodePNG(*alpha, alphaBytes);
                writer.AddFile("images\\" + alphaName, std::string(alphaBytes.begin(), alphaBytes.end()), 0);
                files.push_back({alphaName, true});
                manifest += " alphaimage=\"" + alphaName + "\"";
            }
            manifest += " />\n";
        }
        manifest += "</Resources></ResourceManifest>\n";
        writer.AddFile("properties\\resources.xml", manifest, 0);
        writer.WriteTo("main.pak");
        pak = std::make_unique<Zest::PakInterface>();
        pak->AddPakFile("main.pak");

        // The real application object with a headless display, as the game runs its loading.
        Platform::SetVideoBackend(Platform::VideoBackend::Headless);
        app = std::make_unique<Zest::ZestAppBase>();
        app->mWidth = 800;
        app->mHeight = 600;
        window = Platform::Window::Create("bench", 0, 0, 800, 600);
        app->mDDInterface = std::make_unique<Zest::DDInterface>(app.get());
        app->mDDInterface->Init(window.get(), true);
    }
    ~Fixture()
    {
        app.reset();
        window.reset();
        pak.reset();
        std::error_code ignored;
        fs::current_path(fs::temp_directory_path(), ignored);
        fs::remove_all(folder, ignored);
    }
};

Fixture& TheFixture()
{
    static Fixture fixture;
    return fixture;
}

// Parses the manifest and loads the whole group; the shared images are given back and dropped afterwards.
void LoadGroup(Fixture& f, const std::function<void()>& perResource = {})
{
    Zest::ResourceManager manager(f.app.get());
    if (!manager.ParseResourcesFile("properties\\resources.xml")) std::abort();
    manager.StartLoadResources("Game");
    int loaded = 0;
    while (manager.LoadNextResource())
    {
        ++loaded;
        if (perResource) perResource();
    }
    if (manager.HadError() || loaded != kImages)
    {
        std::fprintf(stderr, "group load failed after %d: %s\n", loaded, manager.GetErrorText().c_str());
        std::abort();
    }
    manager.DeleteResources("Game");
    f.app->PurgeUnusedSharedImages();
}

void BM_GroupLoad(benchmark::State& state)
{
    Fixture& f = TheFixture();
    for (auto _ : state) LoadGroup(f);
    state.counters["images"] = kImages;
}
BENCHMARK(BM_GroupLoad)->Unit(benchmark::kMillisecond)->Repetitions(5);

// The floor: every colour and alpha file decoded once from the pack, nothing else.
void BM_DecodeFloor(benchmark::State& state)
{
    Fixture& f = TheFixture();
    for (auto _ : state)
        for (const ImageFile& file : f.files)
        {
            const std::string path = "images\\" + file.name;
            auto image = file.png ? ImageLib::LoadPNGImage(path) : ImageLib::LoadJPEGImage(path);
            if (!image) std::abort();
            benchmark::DoNotOptimize(image->GetBits());
        }
}
BENCHMARK(BM_DecodeFloor)->Unit(benchmark::kMillisecond)->Repetitions(5);

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

// The longest frames seen, in both clocks.
struct LongestFrame
{
    double wallMs = 0;
    double cpuMs = 0;
    void Report(benchmark::State& state) const
    {
        state.counters["longest_frame_wall_ms"] = wallMs;
        state.counters["longest_frame_cpu_ms"] = cpuMs;
    }
};

// One main-thread frame of the loading screen (a full-screen fill and a small picture made).
void Frame(Zest::MemoryImage& screen, LongestFrame& longest)
{
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ThreadCpuMs();
    screen.FillRect(Zest::Rect(0, 0, 800, 600), Zest::Color(20, 40, 60), 0);
    Zest::MemoryImage scratch;
    scratch.Create(80, 60);
    longest.cpuMs = std::max(longest.cpuMs, ThreadCpuMs() - cpuStart);
    longest.wallMs = std::max(
        longest.wallMs, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
}

// A loading thread loads the group while the main thread draws frames (a full-screen fill and a small image made
// and freed, which registers with the application under its display lock). Reports the longest frame.
void BM_MainThreadFrameWhileLoading(benchmark::State& state)
{
    Fixture& f = TheFixture();
    Zest::MemoryImage screen(nullptr);
    screen.Create(800, 600);
    LongestFrame longest;
    int frames = 0;
    for (auto _ : state)
    {
        std::atomic<bool> done{false};
        std::thread loader(
            [&]
            {
                LoadGroup(f);
                done = true;
            });
        while (!done)
        {
            Frame(screen, longest);
            ++frames;
        }
        loader.join();
    }
    longest.Report(state);
    state.counters["frames"] = frames;
}
BENCHMARK(BM_MainThreadFrameWhileLoading)->Unit(benchmark::kMillisecond);

// The same frames with no loading thread: the longest frame a busy machine gives anyway.
void BM_MainThreadFrameIdle(benchmark::State& state)
{
    Zest::MemoryImage screen(nullptr);
    screen.Create(800, 600);
    LongestFrame longest;
    for (auto _ : state)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(130);
        while (std::chrono::steady_clock::now() < until) Frame(screen, longest);
    }
    longest.Report(state);
}
BENCHMARK(BM_MainThreadFrameIdle)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    BenchRatio::SettleAllocator();
    benchmark::Initialize(&argc, argv);
    BenchRatio::Reporter reporter(
        {{"group load / decode floor", "BM_GroupLoad/repeats:5", "BM_DecodeFloor/repeats:5"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
