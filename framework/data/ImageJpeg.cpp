// JPEG decoding and encoding through libjpeg: grey and colour images in, 0xAARRGGBB pixels out; RGB out.
#include "data/ImageCodecs.h"

// libjpeg's header needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include <bit>
#include <csetjmp>
#include <cstdlib>

namespace ImageLib
{

static_assert(std::endian::native == std::endian::little, "pixel words are stored as B, G, R, A bytes");

namespace
{

constexpr size_t kSourceChunk = 4096;
// Progressive files with thousands of tiny scans cost quadratic time and no real encoder makes them.
constexpr int kMaxScans = 1000;

struct JpegErrorManager
{
    jpeg_error_mgr pub;
    jmp_buf jump;
};

struct JpegSourceManager
{
    jpeg_source_mgr pub;
    ImageSource* source;
    JOCTET* buffer;
    bool startOfFile;
};

// Shared with the decoder; lives in the caller's frame so that it survives a long jump.
struct JpegReadJob
{
    ImageSource* source = nullptr;
    Image* image = nullptr; // owned by the caller once set
};

struct JpegWriteJob
{
    const Image* image = nullptr;
    int quality = 80;
    unsigned char* buffer = nullptr; // malloc'ed by the library; freed by the caller
    unsigned long size = 0;
};

void JpegOutputMessage(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    ReportImageProblem("JPEG: %s", text);
}

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo)
{
    (*cinfo->err->output_message)(cinfo);
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
}

void JpegProgress(j_common_ptr cinfo)
{
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans)
    {
        ReportImageProblem("JPEG: %s", "too many scans");
        std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
    }
}

void SourceInit(j_decompress_ptr cinfo)
{
    reinterpret_cast<JpegSourceManager*>(cinfo->src)->startOfFile = true;
}

boolean SourceFill(j_decompress_ptr cinfo)
{
    auto* src = reinterpret_cast<JpegSourceManager*>(cinfo->src);
    size_t n = src->source->Read(src->buffer, kSourceChunk);
    if (n == 0)
    {
        if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        // An inserted end-of-image marker lets the library finish what it has.
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        n = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = n;
    src->startOfFile = false;
    return TRUE;
}

void SourceSkip(j_decompress_ptr cinfo, long count)
{
    if (count <= 0) return;
    auto* src = reinterpret_cast<JpegSourceManager*>(cinfo->src);
    size_t left = static_cast<size_t>(count);
    while (left > src->pub.bytes_in_buffer)
    {
        left -= src->pub.bytes_in_buffer;
        SourceFill(cinfo);
    }
    src->pub.next_input_byte += left;
    src->pub.bytes_in_buffer -= left;
}

void SourceTerm(j_decompress_ptr) {}

void SetSource(j_decompress_ptr cinfo, ImageSource* source)
{
    auto* src = static_cast<JpegSourceManager*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegSourceManager)));
    src->buffer = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kSourceChunk));
    src->source = source;
    src->startOfFile = true;
    src->pub.init_source = SourceInit;
    src->pub.fill_input_buffer = SourceFill;
    src->pub.skip_input_data = SourceSkip;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = SourceTerm;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
    cinfo->src = &src->pub;
}

constexpr uint64_t kMostPixelsPerByte = 4096;

// The library long-jumps out of this function on errors: it holds no object with a destructor.
bool RunJpegDecode(JpegReadJob* job)
{
    jpeg_decompress_struct cinfo{};
    JpegErrorManager error{};
    jpeg_progress_mgr progress{};
    cinfo.err = jpeg_std_error(&error.pub);
    error.pub.error_exit = JpegErrorExit;
    error.pub.output_message = JpegOutputMessage;
    if (setjmp(error.jump))
    {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    progress.progress_monitor = JpegProgress;
    cinfo.progress = &progress;
    SetSource(&cinfo, job->source);
    jpeg_read_header(&cinfo, TRUE);

    // Ink separations cannot be shown faithfully without a colour profile. A picture far larger than its data
    // could ever fill is refused before its pixels are allocated: with Huffman coding every 8x8 block costs a bit
    // at least (its DC code), so a byte describes a few hundred pixels, a few thousand for a colour plane of
    // quarter size scanned alone. (Arithmetic coding has no such floor.) A file cut short still shows what it
    // has, so a megabyte of pixels more is allowed.
    const uint64_t pixels = uint64_t{cinfo.image_width} * cinfo.image_height;
    if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK ||
        !IsAcceptableSize(cinfo.image_width, cinfo.image_height) ||
        (!cinfo.arith_code && pixels > job->source->Size() * kMostPixelsPerByte + (uint64_t{1} << 18)))
    {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // B, G, R, A bytes per pixel are the 0xAARRGGBB words of the image.
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 4 || cinfo.output_width != cinfo.image_width ||
        cinfo.output_height != cinfo.image_height)
        ERREXIT(&cinfo, JERR_CONVERSION_NOTIMPL);

    const JDIMENSION width = cinfo.output_width;
    const JDIMENSION height = cinfo.output_height;
    job->image = AllocateImage(static_cast<int>(width), static_cast<int>(height), false);
    if (!job->image) ERREXIT1(&cinfo, JERR_OUT_OF_MEMORY, 0);
    auto* rows = static_cast<JSAMPARRAY>(
        (*cinfo.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, sizeof(JSAMPROW) * height));
    uint32_t* bits = job->image->GetBits();
    for (JDIMENSION y = 0; y < height; ++y) rows[y] = reinterpret_cast<JSAMPROW>(bits + static_cast<size_t>(y) * width);
    while (cinfo.output_scanline < height)
        jpeg_read_scanlines(&cinfo, rows + cinfo.output_scanline, height - cinfo.output_scanline);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool RunJpegEncode(JpegWriteJob* job)
{
    jpeg_compress_struct cinfo{};
    JpegErrorManager error{};
    cinfo.err = jpeg_std_error(&error.pub);
    error.pub.error_exit = JpegErrorExit;
    error.pub.output_message = JpegOutputMessage;
    if (setjmp(error.jump))
    {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &job->buffer, &job->size);
    const Image& image = *job->image;
    cinfo.image_width = static_cast<JDIMENSION>(image.mWidth);
    cinfo.image_height = static_cast<JDIMENSION>(image.mHeight);
    // The library takes the B, G, R bytes of each pixel word as RGB and ignores the alpha byte.
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, job->quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const uint32_t* bits = image.GetBits();
    while (cinfo.next_scanline < cinfo.image_height)
    {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(
            const_cast<uint32_t*>(bits + static_cast<size_t>(cinfo.next_scanline) * image.mWidth));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

std::unique_ptr<Image> DecodeJPEG(ImageSource& source)
{
    JpegReadJob job;
    job.source = &source;
    const bool ok = RunJpegDecode(&job);
    std::unique_ptr<Image> image(job.image);
    return ok ? std::move(image) : nullptr;
}

bool EncodeJPEG(const Image& image, std::vector<uint8_t>& out, int quality)
{
    out.clear();
    if (!image.GetBits() || !IsAcceptableSize(image.mWidth, image.mHeight)) return false;
    JpegWriteJob job;
    job.image = &image;
    job.quality = quality;
    const bool ok = RunJpegEncode(&job);
    if (ok) out.assign(job.buffer, job.buffer + job.size);
    std::free(job.buffer);
    return ok;
}

} // namespace ImageLib
