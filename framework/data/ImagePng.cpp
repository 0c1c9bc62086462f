// PNG decoding and encoding through libpng: every colour type and depth in, 8-bit BGRA rows out.
#include "data/ImageCodecs.h"

#include <png.h>

#include <bit>
#include <csetjmp>

namespace ImageLib
{

static_assert(std::endian::native == std::endian::little, "pixel words are stored as B, G, R, A bytes");

namespace
{

// Shared with the library's callbacks; lives in the caller's frame so that it survives a long jump.
struct PngReadJob
{
    ImageSource* source = nullptr;
    Image* image = nullptr; // owned by the caller once set
};

struct PngWriteJob
{
    const Image* image = nullptr;
    std::vector<uint8_t>* out = nullptr;
};

void PngError(png_structp png, png_const_charp message)
{
    ReportImageProblem("PNG: %s", message);
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep data, size_t length)
{
    auto* job = static_cast<PngReadJob*>(png_get_io_ptr(png));
    if (job->source->Read(data, length) != length) png_error(png, "Read Error");
}

void PngWrite(png_structp png, png_bytep data, size_t length)
{
    auto* job = static_cast<PngWriteJob*>(png_get_io_ptr(png));
    bool ok = true;
    try
    {
        job->out->insert(job->out->end(), data, data + length);
    }
    catch (...)
    {
        ok = false;
    }
    if (!ok) png_error(png, "Write Error");
}

void PngFlush(png_structp) {}

// The library long-jumps out of this function on errors: it holds no object with a destructor.
bool RunPngDecode(PngReadJob* job)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info)
    {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, job, PngRead);
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!IsAcceptableSize(width, height)) png_error(png, "Image too large");

    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4) png_error(png, "Unexpected row size");

    job->image = AllocateImage(static_cast<int>(width), static_cast<int>(height), passes > 1);
    if (!job->image) png_error(png, "Out of memory");
    uint32_t* bits = job->image->GetBits();
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, reinterpret_cast<png_bytep>(bits + static_cast<size_t>(y) * width), nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool RunPngEncode(PngWriteJob* job)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info)
    {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, job, PngWrite, PngFlush);
    const Image& image = *job->image;
    png_color_8 significant{};
    significant.red = significant.green = significant.blue = significant.alpha = 8;
    png_set_sBIT(png, info, &significant);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.mWidth), static_cast<png_uint_32>(image.mHeight), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    const uint32_t* bits = image.GetBits();
    for (int y = 0; y < image.mHeight; ++y)
        png_write_row(png, reinterpret_cast<png_const_bytep>(bits + static_cast<size_t>(y) * image.mWidth));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

std::unique_ptr<Image> DecodePNG(ImageSource& source)
{
    PngReadJob job;
    job.source = &source;
    const bool ok = RunPngDecode(&job);
    std::unique_ptr<Image> image(job.image);
    return ok ? std::move(image) : nullptr;
}

bool EncodePNG(const Image& image, std::vector<uint8_t>& out)
{
    out.clear();
    if (!image.GetBits() || !IsAcceptableSize(image.mWidth, image.mHeight)) return false;
    PngWriteJob job;
    job.image = &image;
    job.out = &out;
    return RunPngEncode(&job);
}

} // namespace ImageLib
