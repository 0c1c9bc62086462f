// Builds small image files in memory for the image tests and seed corpora: TGA and GIF by hand, PNG, JPEG and
// JPEG 2000 through the reference libraries' own encoders.
#pragma once

#include "data/ImageLib.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>
#include <openjpeg.h>
#include <png.h>

namespace ImageFixtures
{

using Bytes = std::vector<uint8_t>;

inline uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
{
    return a << 24 | r << 16 | g << 8 | b;
}

inline void Put16(Bytes& out, int v)
{
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

// A smooth, deterministic test picture with varying alpha.
inline std::vector<uint32_t> Gradient(int width, int height)
{
    std::vector<uint32_t> px(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            px[static_cast<size_t>(y) * width + x] =
                Argb(static_cast<uint32_t>((x * 7 + y * 3) & 0xFF), static_cast<uint32_t>(x * 255 / (width - 1)),
                     static_cast<uint32_t>(y * 255 / (height - 1)),
                     static_cast<uint32_t>(((x + y) * 255) / (width + height - 2)));
    return px;
}

inline std::unique_ptr<ImageLib::Image> MakeImage(int width, int height, const std::vector<uint32_t>& pixels)
{
    auto image = ImageLib::Image::Create(width, height);
    std::memcpy(image->GetBits(), pixels.data(), pixels.size() * 4);
    return image;
}

// ---- TGA ----

struct TgaOptions
{
    int type = 2;
    int bitsPerPixel = 32;
    int descriptor = 0x28;
    std::string id{};
    int colourMapEntries = 0; // a (skipped) 24-bit colour map of this many entries
    bool runLength = false;   // type 10 packets: runs of equal pixels, raw packets otherwise
};

inline Bytes MakeTga(int width, int height, const std::vector<uint32_t>& pixels, const TgaOptions& o = {})
{
    Bytes out;
    out.push_back(static_cast<uint8_t>(o.id.size()));
    out.push_back(o.colourMapEntries ? 1 : 0);
    out.push_back(static_cast<uint8_t>(o.type));
    Put16(out, 0);
    Put16(out, o.colourMapEntries);
    out.push_back(o.colourMapEntries ? 24 : 0);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, width);
    Put16(out, height);
    out.push_back(static_cast<uint8_t>(o.bitsPerPixel));
    out.push_back(static_cast<uint8_t>(o.descriptor));
    out.insert(out.end(), o.id.begin(), o.id.end());
    for (int i = 0; i < o.colourMapEntries * 3; ++i) out.push_back(static_cast<uint8_t>(i));
    auto putPixel = [&](uint32_t p)
    {
        for (int s = 0; s < 32; s += 8) out.push_back(static_cast<uint8_t>(p >> s));
    };
    if (!o.runLength)
    {
        for (uint32_t p : pixels) putPixel(p);
        return out;
    }
    // Packets deliberately run across row ends.
    size_t i = 0;
    while (i < pixels.size())
    {
        size_t run = 1;
        while (i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i]) ++run;
        if (run > 1)
        {
            out.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
            putPixel(pixels[i]);
            i += run;
            continue;
        }
        size_t raw = 1;
        while (i + raw < pixels.size() && raw < 128 && pixels[i + raw] != pixels[i + raw - 1]) ++raw;
        out.push_back(static_cast<uint8_t>(raw - 1));
        for (size_t k = 0; k < raw; ++k) putPixel(pixels[i + k]);
        i += raw;
    }
    return out;
}

// ---- GIF ----

// LSB-first code packing into 255-byte sub-blocks.
class GifCodeWriter
{
public:
    void Put(int code, int width)
    {
        mBits |= static_cast<uint64_t>(code) << mCount;
        mCount += width;
        while (mCount >= 8)
        {
            mBytes.push_back(static_cast<uint8_t>(mBits));
            mBits >>= 8;
            mCount -= 8;
        }
    }
    Bytes Finish()
    {
        if (mCount > 0) mBytes.push_back(static_cast<uint8_t>(mBits));
        Bytes blocks;
        for (size_t i = 0; i < mBytes.size(); i += 255)
        {
            const size_t n = std::min<size_t>(255, mBytes.size() - i);
            blocks.push_back(static_cast<uint8_t>(n));
            blocks.insert(blocks.end(), mBytes.begin() + static_cast<long>(i),
                          mBytes.begin() + static_cast<long>(i + n));
        }
        blocks.push_back(0);
        return blocks;
    }

private:
    Bytes mBytes;
    uint64_t mBits = 0;
    int mCount = 0;
};

// A plain LZW encoder; with deferredClear it keeps coding with a full table instead of sending a clear.
inline Bytes GifLzw(const std::vector<int>& indices, int minCodeSize, bool deferredClear = false)
{
    const int clear = 1 << minCodeSize;
    GifCodeWriter w;
    const int resetWidth = minCodeSize == 1 ? 3 : minCodeSize + 1;
    int width = resetWidth;
    int next = clear + 2;
    std::map<std::pair<int, int>, int> table;
    w.Put(clear, width);
    int prefix = -1;
    for (int p : indices)
    {
        if (prefix < 0)
        {
            prefix = p;
            continue;
        }
        auto it = table.find({prefix, p});
        if (it != table.end())
        {
            prefix = it->second;
            continue;
        }
        w.Put(prefix, width);
        if (next < 4096)
        {
            table[{prefix, p}] = next++;
            if (next - 1 == (1 << width) && width < 12) ++width;
        }
        else if (!deferredClear)
        {
            w.Put(clear, width);
            table.clear();
            width = resetWidth;
            next = clear + 2;
        }
        prefix = p;
    }
    if (prefix >= 0) w.Put(prefix, width);
    w.Put(clear + 1, width);
    return w.Finish();
}

struct GifOptions
{
    int minCodeSize = 8;
    int transparent = -1;
    bool interlaced = false;
    bool localTable = false; // the palette goes in the image descriptor instead of the header
    bool deferredClear = false;
    bool extras = true; // a comment and an application extension before the image
};

// palette: 0xRRGGBB entries; its size must be a power of two from 2 to 256.
inline Bytes MakeGif(int width, int height, const std::vector<int>& indices, const std::vector<uint32_t>& palette,
                     const GifOptions& o = {})
{
    int bits = 0;
    while ((2 << bits) < static_cast<int>(palette.size())) ++bits;
    Bytes out = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(out, width + 3); // the logical screen is not used
    Put16(out, height + 1);
    out.push_back(static_cast<uint8_t>(palette.empty() || o.localTable ? 0 : 0x80 | bits));
    out.push_back(0);
    out.push_back(0);
    auto putTable = [&]
    {
        for (uint32_t c : palette)
        {
            out.push_back(static_cast<uint8_t>(c >> 16));
            out.push_back(static_cast<uint8_t>(c >> 8));
            out.push_back(static_cast<uint8_t>(c));
        }
    };
    if (!palette.empty() && !o.localTable) putTable();
    if (o.extras)
    {
        const char app[] = "NETSCAPE2.0";
        out.insert(out.end(), {0x21, 0xFF, 11});
        out.insert(out.end(), app, app + 11);
        out.insert(out.end(), {3, 1, 0, 0, 0});
        out.insert(out.end(), {0x21, 0xFE, 5, 'h', 'e', 'l', 'l', 'o', 0});
    }
    if (o.transparent >= 0) out.insert(out.end(), {0x21, 0xF9, 4, 1, 0, 0, static_cast<uint8_t>(o.transparent), 0});
    out.push_back(0x2C);
    Put16(out, 2);
    Put16(out, 1);
    Put16(out, width);
    Put16(out, height);
    out.push_back(static_cast<uint8_t>((o.localTable ? 0x80 | bits : 0) | (o.interlaced ? 0x40 : 0)));
    if (o.localTable) putTable();
    out.push_back(static_cast<uint8_t>(o.minCodeSize));
    // Interlaced files store their rows in pass order.
    std::vector<int> stored;
    if (!o.interlaced)
        stored = indices;
    else
    {
        const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = start[pass]; y < height; y += step[pass])
                stored.insert(stored.end(), indices.begin() + y * width, indices.begin() + (y + 1) * width);
    }
    const Bytes data = GifLzw(stored, o.minCodeSize, o.deferredClear);
    out.insert(out.end(), data.begin(), data.end());
    out.push_back(0x3B);
    return out;
}

// ---- PNG through libpng ----

struct PngRecipe
{
    int width = 0, height = 0;
    int colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<uint16_t> samples{};     // channel values, one per sample, row by row
    std::vector<uint32_t> palette{};     // 0xRRGGBB
    std::vector<uint8_t> paletteAlpha{}; // tRNS for palettes
    int transparentGrey = -1;            // tRNS for grey images
};

inline void PngAppend(png_structp png, png_bytep data, size_t length)
{
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

inline void PngNoFlush(png_structp) {}

inline Bytes MakePng(const PngRecipe& s)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, PngAppend, PngNoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(s.width), static_cast<png_uint_32>(s.height), s.bitDepth,
                 s.colourType, s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> pal;
    for (uint32_t c : s.palette)
        pal.push_back(
            png_color{static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8), static_cast<png_byte>(c)});
    if (!pal.empty()) png_set_PLTE(png, info, pal.data(), static_cast<int>(pal.size()));
    std::vector<png_byte> trns(s.paletteAlpha.begin(), s.paletteAlpha.end());
    if (!trns.empty()) png_set_tRNS(png, info, trns.data(), static_cast<int>(trns.size()), nullptr);
    png_color_16 grey{};
    grey.gray = static_cast<png_uint_16>(s.transparentGrey);
    if (s.transparentGrey >= 0) png_set_tRNS(png, info, nullptr, 0, &grey);
    png_write_info(png, info);
    if (s.bitDepth < 8) png_set_packing(png);
    const int channels = png_get_channels(png, info);
    const size_t perRow = static_cast<size_t>(s.width) * channels;
    std::vector<png_byte> bytes;
    for (uint16_t v : s.samples)
    {
        if (s.bitDepth == 16) bytes.push_back(static_cast<png_byte>(v >> 8));
        bytes.push_back(static_cast<png_byte>(v));
    }
    const size_t rowBytes = perRow * (s.bitDepth == 16 ? 2 : 1);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < s.height; ++y) png_write_row(png, bytes.data() + rowBytes * y);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// ---- JPEG through libjpeg (grey and ink-separation files our writer does not make) ----

inline Bytes MakeJpeg(int width, int height, int components, J_COLOR_SPACE space, const std::vector<uint8_t>& samples,
                      bool progressive = false)
{
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = components;
    c.in_color_space = space;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height)
    {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + static_cast<size_t>(c.next_scanline) * width * components);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// ---- JPEG 2000 through OpenJPEG's encoder (lossless) ----

struct J2KOut
{
    Bytes data;
    size_t position = 0;
};

inline OPJ_SIZE_T J2KWrite(void* buffer, OPJ_SIZE_T n, void* user)
{
    auto* s = static_cast<J2KOut*>(user);
    if (s->position + n > s->data.size()) s->data.resize(s->position + n);
    std::memcpy(s->data.data() + s->position, buffer, n);
    s->position += n;
    return n;
}

inline OPJ_OFF_T J2KSkip(OPJ_OFF_T n, void* user)
{
    auto* s = static_cast<J2KOut*>(user);
    s->position += static_cast<size_t>(n);
    if (s->position > s->data.size()) s->data.resize(s->position);
    return n;
}

inline OPJ_BOOL J2KSeek(OPJ_OFF_T p, void* user)
{
    auto* s = static_cast<J2KOut*>(user);
    s->position = static_cast<size_t>(p);
    if (s->position > s->data.size()) s->data.resize(s->position);
    return OPJ_TRUE;
}

// planes[c] holds width x height samples of component c at the given precision.
inline Bytes MakeJ2K(int width, int height, int precision, const std::vector<std::vector<int>>& planes, bool jp2)
{
    const int count = static_cast<int>(planes.size());
    opj_image_cmptparm_t parms[4]{};
    for (int c = 0; c < count; ++c)
    {
        parms[c].dx = parms[c].dy = 1;
        parms[c].w = static_cast<OPJ_UINT32>(width);
        parms[c].h = static_cast<OPJ_UINT32>(height);
        parms[c].prec = static_cast<OPJ_UINT32>(precision);
        parms[c].sgnd = 0;
    }
    opj_image_t* image =
        opj_image_create(static_cast<OPJ_UINT32>(count), parms, count >= 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY);
    image->x0 = image->y0 = 0;
    image->x1 = static_cast<OPJ_UINT32>(width);
    image->y1 = static_cast<OPJ_UINT32>(height);
    for (int c = 0; c < count; ++c)
    {
        for (size_t i = 0; i < planes[c].size(); ++i) image->comps[c].data[i] = planes[c][i];
        image->comps[c].alpha = (count == 4 && c == 3) || (count == 2 && c == 1);
    }
    opj_cparameters_t p;
    opj_set_default_encoder_parameters(&p);
    p.numresolution = 2;
    p.tcp_numlayers = 1;
    p.tcp_rates[0] = 0;
    p.cp_disto_alloc = 1;
    p.tcp_mct = count >= 3 ? 1 : 0;
    opj_codec_t* codec = opj_create_compress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    opj_setup_encoder(codec, &p, image);
    J2KOut out;
    opj_stream_t* stream = opj_stream_create(1 << 16, OPJ_FALSE);
    opj_stream_set_user_data(stream, &out, nullptr);
    opj_stream_set_write_function(stream, J2KWrite);
    opj_stream_set_skip_function(stream, J2KSkip);
    opj_stream_set_seek_function(stream, J2KSeek);
    const bool ok =
        opj_start_compress(codec, image, stream) && opj_encode(codec, stream) && opj_end_compress(codec, stream);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    return ok ? out.data : Bytes{};
}

} // namespace ImageFixtures
