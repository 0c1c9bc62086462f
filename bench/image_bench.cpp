// PNG and JPEG decoding of an 800x600 picture: our loaders against libpng's simplified API and TurboJPEG.
#include "data/ImageCodecs.h"
#include "data/ImageLib.h"

#include "BenchRatio.h"

#include <benchmark/benchmark.h>
#include <png.h>
#include <turbojpeg.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace
{

constexpr int kWidth = 800;
constexpr int kHeight = 600;

// Soft gradients, a few hard-edged shapes and some grain, like a game background.
std::unique_ptr<ImageLib::Image> MakePicture()
{
    auto image = ImageLib::Image::Create(kWidth, kHeight);
    uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
        {
            seed = seed * 1664525u + 1013904223u;
            const int grain = static_cast<int>(seed >> 29);
            int r = x * 255 / kWidth, g = y * 255 / kHeight, b = ((x ^ y) & 0x3F) + 96;
            if ((x - 400) * (x - 400) + (y - 300) * (y - 300) < 150 * 150) r = 240, g = 180, b = 40;
            if (x > 80 && x < 260 && y > 60 && y < 200) r = 30, g = 30, b = 200;
            const uint32_t a = (x / 50 + y / 50) % 2 ? 0xFF : 0xC0;
            image->GetBits()[y * kWidth + x] = a << 24 | static_cast<uint32_t>(std::min(255, r + grain)) << 16 |
                                               static_cast<uint32_t>(std::min(255, g + grain)) << 8 |
                                               static_cast<uint32_t>(std::min(255, b + grain));
        }
    return image;
}

struct Files
{
    std::vector<uint8_t> png, jpeg;
    Files()
    {
        auto picture = MakePicture();
        ImageLib::EncodePNG(*picture, png);
        ImageLib::EncodeJPEG(*picture, jpeg);
    }
};

const Files& TestFiles()
{
    static const Files files;
    return files;
}

std::unique_ptr<ImageLib::Image> OurDecode(const std::vector<uint8_t>& bytes, bool jpeg)
{
    ImageLib::MemorySource source(bytes.data(), bytes.size());
    return jpeg ? ImageLib::DecodeJPEG(source) : ImageLib::DecodePNG(source);
}

bool LibpngDecode(const std::vector<uint8_t>& bytes, std::vector<uint32_t>& out)
{
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return false;
    image.format = PNG_FORMAT_BGRA;
    out.resize(static_cast<size_t>(image.width) * image.height);
    const bool ok = png_image_finish_read(&image, nullptr, out.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

bool TurboDecode(tjhandle handle, const std::vector<uint8_t>& bytes, std::vector<uint32_t>& out)
{
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(handle, bytes.data(), bytes.size(), &width, &height, &subsampling, &colourspace) != 0)
        return false;
    out.resize(static_cast<size_t>(width) * height);
    return tjDecompress2(handle, bytes.data(), bytes.size(), reinterpret_cast<unsigned char*>(out.data()), width, 0,
                         height, TJPF_BGRA, 0) == 0;
}

void BM_PngOurs(benchmark::State& state)
{
    const auto& bytes = TestFiles().png;
    for (auto _ : state) benchmark::DoNotOptimize(OurDecode(bytes, false));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 4);
}

void BM_PngLibpngSimplified(benchmark::State& state)
{
    const auto& bytes = TestFiles().png;
    std::vector<uint32_t> out;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(LibpngDecode(bytes, out));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 4);
}

void BM_JpegOurs(benchmark::State& state)
{
    const auto& bytes = TestFiles().jpeg;
    for (auto _ : state) benchmark::DoNotOptimize(OurDecode(bytes, true));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 4);
}

void BM_JpegTurboJpeg(benchmark::State& state)
{
    const auto& bytes = TestFiles().jpeg;
    tjhandle handle = tjInitDecompress();
    std::vector<uint32_t> out;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(TurboDecode(handle, bytes, out));
        benchmark::ClobberMemory();
    }
    tjDestroy(handle);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 4);
}

BENCHMARK(BM_PngOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngLibpngSimplified)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegTurboJpeg)->Unit(benchmark::kMillisecond);

// Both decoders must give the same pixels, or the timings compare different work.
bool SamePixels()
{
    const Files& files = TestFiles();
    std::vector<uint32_t> anchor;
    auto png = OurDecode(files.png, false);
    if (!png || !LibpngDecode(files.png, anchor) ||
        std::memcmp(png->GetBits(), anchor.data(), anchor.size() * 4) != 0 || anchor.size() != kWidth * kHeight)
    {
        std::fprintf(stderr, "PNG: our pixels differ from libpng's\n");
        return false;
    }
    tjhandle handle = tjInitDecompress();
    auto jpeg = OurDecode(files.jpeg, true);
    const bool turbo = TurboDecode(handle, files.jpeg, anchor);
    tjDestroy(handle);
    if (!jpeg || !turbo || anchor.size() != kWidth * kHeight ||
        std::memcmp(jpeg->GetBits(), anchor.data(), anchor.size() * 4) != 0)
    {
        std::fprintf(stderr, "JPEG: our pixels differ from TurboJPEG's\n");
        return false;
    }
    std::printf("pixels equal: PNG (%zu bytes) and JPEG (%zu bytes), %dx%d\n", files.png.size(), files.jpeg.size(),
                kWidth, kHeight);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    return BenchRatio::Run(argc, argv,
                           {{"PNG ours / libpng simplified", "BM_PngOurs", "BM_PngLibpngSimplified"},
                            {"JPEG ours / TurboJPEG", "BM_JpegOurs", "BM_JpegTurboJpeg"}},
                           SamePixels);
}
