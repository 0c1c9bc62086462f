// The JPEG 2000 codec module over OpenJPEG: raw codestreams and JP2 files decoded to 8-bit B, G, R(, A) pixels.
#include "data/J2KCodec.h"

#include "data/ImageLib.h"
#include "platform/Modules.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace ImageLib
{

namespace
{

constexpr size_t kMaxStreamBytes = size_t{256} << 20;
constexpr size_t kReadChunk = 64 * 1024;
constexpr int kMaxResolutionLevel = 32;

thread_local int tLastError = J2K_OK;

int SetError(int code)
{
    tLastError = code;
    return code;
}

struct MemoryStream
{
    const uint8_t* data = nullptr;
    uint64_t size = 0;
    uint64_t position = 0;
};

OPJ_SIZE_T StreamRead(void* buffer, OPJ_SIZE_T count, void* user)
{
    auto* s = static_cast<MemoryStream*>(user);
    if (s->position >= s->size) return static_cast<OPJ_SIZE_T>(-1);
    const uint64_t n = std::min<uint64_t>(count, s->size - s->position);
    std::memcpy(buffer, s->data + s->position, static_cast<size_t>(n));
    s->position += n;
    return static_cast<OPJ_SIZE_T>(n);
}

OPJ_OFF_T StreamSkip(OPJ_OFF_T count, void* user)
{
    auto* s = static_cast<MemoryStream*>(user);
    if (count > 0 && s->position >= s->size) return -1;
    const int64_t target =
        std::clamp<int64_t>(static_cast<int64_t>(s->position) + count, 0, static_cast<int64_t>(s->size));
    const int64_t moved = target - static_cast<int64_t>(s->position);
    s->position = static_cast<uint64_t>(target);
    return moved;
}

OPJ_BOOL StreamSeek(OPJ_OFF_T position, void* user)
{
    auto* s = static_cast<MemoryStream*>(user);
    if (position < 0 || static_cast<uint64_t>(position) > s->size) return OPJ_FALSE;
    s->position = static_cast<uint64_t>(position);
    return OPJ_TRUE;
}

void QuietHandler(const char*, void*) {}

uint32_t BigEndian32(const uint8_t* p)
{
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// Where the codestream starts inside a JP2 file: the contents of its top-level "jp2c" box; 0 when there is none.
size_t FindCodestream(const std::vector<uint8_t>& bytes)
{
    uint64_t at = 0;
    while (at + 8 <= bytes.size())
    {
        uint64_t length = BigEndian32(&bytes[at]);
        const uint32_t type = BigEndian32(&bytes[at + 4]);
        uint64_t header = 8;
        if (length == 1)
        {
            if (at + 16 > bytes.size()) return 0;
            length = uint64_t{BigEndian32(&bytes[at + 8])} << 32 | BigEndian32(&bytes[at + 12]);
            header = 16;
        }
        if (type == 0x6A703263) return static_cast<size_t>(at + header); // "jp2c"
        if (length == 0 || length < header) return 0;                    // to the end, or broken
        at += length;
    }
    return 0;
}

// Checks the image and tile sizes of the codestream's SIZ segment before the library sees them: the library
// sets up every tile of the grid while it reads the header, so a few bytes declaring a huge grid would cost
// seconds and hundreds of megabytes even when the image itself is refused afterwards. Every tile starts with a
// tile-part header (14 bytes at least) and holds a packet (a byte at least) per component, so a file has room
// for so many tiles and no more.
int CheckSizeSegment(const std::vector<uint8_t>& bytes, OPJ_CODEC_FORMAT format)
{
    const size_t start = format == OPJ_CODEC_JP2 ? FindCodestream(bytes) : 0;
    if (format == OPJ_CODEC_JP2 && start == 0) return J2K_ERROR_FORMAT;
    if (start + 42 > bytes.size()) return J2K_ERROR_FORMAT;
    const uint8_t* siz = bytes.data() + start;
    if (siz[0] != 0xFF || siz[1] != 0x4F || siz[2] != 0xFF || siz[3] != 0x51) return J2K_ERROR_FORMAT;
    const uint64_t x1 = BigEndian32(siz + 8), y1 = BigEndian32(siz + 12);
    const uint64_t x0 = BigEndian32(siz + 16), y0 = BigEndian32(siz + 20);
    const uint64_t tileW = BigEndian32(siz + 24), tileH = BigEndian32(siz + 28);
    const uint64_t tileX0 = BigEndian32(siz + 32), tileY0 = BigEndian32(siz + 36);
    const uint64_t components = uint64_t{siz[40]} << 8 | siz[41];
    if (x1 <= x0 || y1 <= y0 || components < 1 || tileW < 1 || tileH < 1) return J2K_ERROR_FORMAT;
    // The first tile must cover the image's top left corner.
    if (tileX0 > x0 || tileY0 > y0 || tileX0 + tileW <= x0 || tileY0 + tileH <= y0) return J2K_ERROR_FORMAT;
    if (!IsAcceptableSize(static_cast<int64_t>(x1 - x0), static_cast<int64_t>(y1 - y0))) return J2K_ERROR_TOO_LARGE;
    // A tile as the grid lays it out, before it is cut to the image.
    if (!IsAcceptableSize(static_cast<int64_t>(std::min(tileW, x1 - tileX0)),
                          static_cast<int64_t>(std::min(tileH, y1 - tileY0))))
        return J2K_ERROR_TOO_LARGE;
    const uint64_t tiles = ((x1 - tileX0 + tileW - 1) / tileW) * ((y1 - tileY0 + tileH - 1) / tileH);
    if (tiles * (14 + components) > bytes.size() - start) return J2K_ERROR_TOO_LARGE;
    return J2K_OK;
}

// One opened file: its bytes and the library state for one header read and one decode.
struct CodecImage
{
    std::vector<uint8_t> bytes;
    OPJ_CODEC_FORMAT format = OPJ_CODEC_UNKNOWN;
    MemoryStream stream;
    opj_codec_t* codec = nullptr;
    opj_stream_t* opjStream = nullptr;
    opj_image_t* image = nullptr;
    bool decoded = false;

    CodecImage() = default;
    CodecImage(const CodecImage&) = delete;
    CodecImage& operator=(const CodecImage&) = delete;
    ~CodecImage() { Reset(); }

    void Reset()
    {
        if (image) opj_image_destroy(image);
        if (opjStream) opj_stream_destroy(opjStream);
        if (codec) opj_destroy_codec(codec);
        image = nullptr;
        opjStream = nullptr;
        codec = nullptr;
        decoded = false;
    }

    // (Re)creates the decoder and reads the main header; the library decodes a header only once.
    int Prepare()
    {
        Reset();
        if (const int sizes = CheckSizeSegment(bytes, format); sizes != J2K_OK) return SetError(sizes);
        stream = MemoryStream{bytes.data(), bytes.size(), 0};
        codec = opj_create_decompress(format);
        opjStream = opj_stream_create(kReadChunk, OPJ_TRUE);
        if (!codec || !opjStream) return SetError(J2K_ERROR_MEMORY);
        opj_set_error_handler(codec, QuietHandler, nullptr);
        opj_set_warning_handler(codec, QuietHandler, nullptr);
        opj_set_info_handler(codec, QuietHandler, nullptr);
        opj_dparameters_t parameters;
        opj_set_default_decoder_parameters(&parameters);
        if (!opj_setup_decoder(codec, &parameters)) return SetError(J2K_ERROR_DECODE);
        opj_stream_set_user_data(opjStream, &stream, nullptr);
        opj_stream_set_user_data_length(opjStream, stream.size);
        opj_stream_set_read_function(opjStream, StreamRead);
        opj_stream_set_skip_function(opjStream, StreamSkip);
        opj_stream_set_seek_function(opjStream, StreamSeek);
        if (!opj_read_header(opjStream, codec, &image) || !image) return SetError(J2K_ERROR_FORMAT);
        if (image->numcomps < 1 || image->x1 <= image->x0 || image->y1 <= image->y0 ||
            !IsAcceptableSize(int64_t{image->x1} - image->x0, int64_t{image->y1} - image->y0))
            return SetError(image->numcomps < 1 ? J2K_ERROR_FORMAT : J2K_ERROR_TOO_LARGE);
        if (image->color_space == OPJ_CLRSPC_CMYK || image->color_space == OPJ_CLRSPC_EYCC)
            return SetError(J2K_ERROR_UNSUPPORTED);
        return J2K_OK;
    }
};

uint32_t CeilShift(uint32_t value, int shift)
{
    return static_cast<uint32_t>((uint64_t{value} + (uint64_t{1} << shift) - 1) >> shift);
}

bool ResolutionSize(const opj_image_t* image, int level, int& width, int& height)
{
    if (level < 0 || level > kMaxResolutionLevel) return false;
    width = static_cast<int>(CeilShift(image->x1, level) - CeilShift(image->x0, level));
    height = static_cast<int>(CeilShift(image->y1, level) - CeilShift(image->y0, level));
    return width > 0 && height > 0;
}

// One component sampled onto the output grid, scaled to 8 bits.
struct ComponentReader
{
    const opj_image_comp_t* comp = nullptr;
    std::vector<uint32_t> columns;
    int shift = 0;     // for more than 8 bits
    int64_t range = 0; // for fewer than 8 bits: the largest value
    int64_t offset = 0;

    bool Init(const opj_image_comp_t* c, int width)
    {
        comp = c;
        if (!c->data || c->w == 0 || c->h == 0) return false;
        const int precision = std::clamp<int>(static_cast<int>(c->prec), 1, 31);
        offset = c->sgnd ? int64_t{1} << (precision - 1) : 0;
        shift = precision > 8 ? precision - 8 : 0;
        range = precision < 8 ? (int64_t{1} << precision) - 1 : 0;
        columns.resize(static_cast<size_t>(width));
        for (int x = 0; x < width; ++x)
            columns[static_cast<size_t>(x)] =
                static_cast<uint32_t>(std::min<uint64_t>(c->w - 1, uint64_t{static_cast<uint32_t>(x)} * c->w / width));
        return true;
    }

    const OPJ_INT32* Row(int y, int height) const
    {
        const uint64_t row = std::min<uint64_t>(comp->h - 1, uint64_t{static_cast<uint32_t>(y)} * comp->h / height);
        return comp->data + row * comp->w;
    }

    int Sample(const OPJ_INT32* row, int x) const
    {
        int64_t v = int64_t{row[columns[static_cast<size_t>(x)]]} + offset;
        if (shift) v >>= shift;
        if (range) v = v * 255 / range;
        return static_cast<int>(std::clamp<int64_t>(v, 0, 255));
    }
};

uint8_t ClampByte(double v)
{
    return static_cast<uint8_t>(std::clamp(v + 0.5, 0.0, 255.0));
}

int DecodeInto(CodecImage& ci, unsigned char* buffer, int64_t size, int bytesPerPixel, int level, int64_t pitch)
{
    if (ci.decoded && ci.Prepare() != J2K_OK) return tLastError;
    int width = 0, height = 0;
    if (!ResolutionSize(ci.image, level, width, height)) return SetError(J2K_ERROR_ARGUMENT);
    if (pitch < int64_t{width} * bytesPerPixel || size < pitch * (height - 1) + int64_t{width} * bytesPerPixel)
        return SetError(J2K_ERROR_ARGUMENT);

    // Only the colour and alpha planes are needed; further planes are not decoded at all.
    if (ci.image->numcomps > 4)
    {
        const OPJ_UINT32 first[4] = {0, 1, 2, 3};
        if (!opj_set_decoded_components(ci.codec, 4, first, OPJ_FALSE)) return SetError(J2K_ERROR_DECODE);
    }
    if (level > 0 && !opj_set_decoded_resolution_factor(ci.codec, static_cast<OPJ_UINT32>(level)))
        return SetError(J2K_ERROR_ARGUMENT);
    ci.decoded = true;
    if (!opj_decode(ci.codec, ci.opjStream, ci.image) || !opj_end_decompress(ci.codec, ci.opjStream))
        return SetError(J2K_ERROR_DECODE);

    const opj_image_t* image = ci.image;
    const int planes = static_cast<int>(std::min<OPJ_UINT32>(image->numcomps, 4));
    const bool colour = planes >= 3;
    const int alphaPlane = colour ? (planes == 4 ? 3 : -1) : (planes == 2 ? 1 : -1);
    const bool ycc = colour && image->color_space == OPJ_CLRSPC_SYCC;
    ComponentReader readers[4];
    for (int i = 0; i < planes; ++i)
        if (!readers[i].Init(&image->comps[i], width)) return SetError(J2K_ERROR_DECODE);

    for (int y = 0; y < height; ++y)
    {
        const OPJ_INT32* rows[4] = {};
        for (int i = 0; i < planes; ++i) rows[i] = readers[i].Row(y, height);
        unsigned char* out = buffer + pitch * y;
        for (int x = 0; x < width; ++x, out += bytesPerPixel)
        {
            int r, g, b;
            if (!colour)
                r = g = b = readers[0].Sample(rows[0], x);
            else if (!ycc)
            {
                r = readers[0].Sample(rows[0], x);
                g = readers[1].Sample(rows[1], x);
                b = readers[2].Sample(rows[2], x);
            }
            else
            {
                const double yy = readers[0].Sample(rows[0], x);
                const double cb = readers[1].Sample(rows[1], x) - 128.0;
                const double cr = readers[2].Sample(rows[2], x) - 128.0;
                r = ClampByte(yy + 1.402 * cr);
                g = ClampByte(yy - 0.344136 * cb - 0.714136 * cr);
                b = ClampByte(yy + 1.772 * cb);
            }
            out[0] = static_cast<unsigned char>(b);
            out[1] = static_cast<unsigned char>(g);
            out[2] = static_cast<unsigned char>(r);
            if (bytesPerPixel == 4)
                out[3] =
                    static_cast<unsigned char>(alphaPlane >= 0 ? readers[alphaPlane].Sample(rows[alphaPlane], x) : 255);
        }
    }
    return SetError(J2K_OK);
}

// "bpp=4,rl=0": any order, unknown keys refused.
bool ParseOptions(const char* options, int& bytesPerPixel, int& level)
{
    bytesPerPixel = 4;
    level = 0;
    if (!options) return true;
    std::string text(options);
    size_t start = 0;
    while (start <= text.size())
    {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        const std::string item = text.substr(start, end - start);
        start = end + 1;
        if (item.empty()) continue;
        const size_t eq = item.find('=');
        if (eq == std::string::npos) return false;
        const std::string key = item.substr(0, eq);
        const std::string value = item.substr(eq + 1);
        if (value.empty() || value.size() > 3 || value.find_first_not_of("0123456789") != std::string::npos)
            return false;
        const int n = std::stoi(value);
        if (key == "bpp" && (n == 3 || n == 4))
            bytesPerPixel = n;
        else if (key == "rl" && n <= kMaxResolutionLevel)
            level = n;
        else
            return false;
    }
    return true;
}

void* OpenBytes(std::unique_ptr<CodecImage> ci)
{
    static const uint8_t kCodestream[4] = {0xFF, 0x4F, 0xFF, 0x51};
    static const uint8_t kJp2[12] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
    const auto& b = ci->bytes;
    if (b.size() >= sizeof(kJp2) && std::memcmp(b.data(), kJp2, sizeof(kJp2)) == 0)
        ci->format = OPJ_CODEC_JP2;
    else if (b.size() >= sizeof(kCodestream) && std::memcmp(b.data(), kCodestream, sizeof(kCodestream)) == 0)
        ci->format = OPJ_CODEC_J2K;
    else
    {
        SetError(J2K_ERROR_FORMAT);
        return nullptr;
    }
    if (ci->Prepare() != J2K_OK) return nullptr;
    SetError(J2K_OK);
    return ci.release();
}

// ---- the entry points ----

int J2KGetVersion()
{
    return kJ2KModuleVersion;
}

void* J2KOpenCustom(const J2KStreamCallbacks* callbacks, void* userData)
{
    if (!callbacks || !callbacks->read)
    {
        SetError(J2K_ERROR_ARGUMENT);
        return nullptr;
    }
    std::unique_ptr<CodecImage> ci(new (std::nothrow) CodecImage);
    if (!ci)
    {
        SetError(J2K_ERROR_MEMORY);
        return nullptr;
    }
    if (callbacks->seek && callbacks->seek(0, userData) != 0)
    {
        SetError(J2K_ERROR_READ);
        return nullptr;
    }
    try
    {
        for (;;)
        {
            const size_t used = ci->bytes.size();
            if (used >= kMaxStreamBytes)
            {
                SetError(J2K_ERROR_TOO_LARGE);
                return nullptr;
            }
            ci->bytes.resize(used + kReadChunk);
            const int n = callbacks->read(ci->bytes.data() + used, static_cast<int>(kReadChunk), userData);
            if (n < 0 || n > static_cast<int>(kReadChunk))
            {
                SetError(J2K_ERROR_READ);
                return nullptr;
            }
            ci->bytes.resize(used + static_cast<size_t>(n));
            if (n == 0) break;
        }
    }
    catch (const std::bad_alloc&)
    {
        SetError(J2K_ERROR_MEMORY);
        return nullptr;
    }
    return OpenBytes(std::move(ci));
}

void* J2KOpenFile(const char* fileName)
{
    if (!fileName)
    {
        SetError(J2K_ERROR_ARGUMENT);
        return nullptr;
    }
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
    {
        SetError(J2K_ERROR_READ);
        return nullptr;
    }
    std::unique_ptr<CodecImage> ci(new (std::nothrow) CodecImage);
    if (!ci)
    {
        SetError(J2K_ERROR_MEMORY);
        return nullptr;
    }
    try
    {
        char chunk[kReadChunk];
        while (in.read(chunk, sizeof(chunk)) || in.gcount() > 0)
        {
            if (ci->bytes.size() + static_cast<size_t>(in.gcount()) > kMaxStreamBytes)
            {
                SetError(J2K_ERROR_TOO_LARGE);
                return nullptr;
            }
            ci->bytes.insert(ci->bytes.end(), chunk, chunk + in.gcount());
        }
    }
    catch (const std::bad_alloc&)
    {
        SetError(J2K_ERROR_MEMORY);
        return nullptr;
    }
    return OpenBytes(std::move(ci));
}

void J2KClose(void* image)
{
    delete static_cast<CodecImage*>(image);
}

int J2KGetInfo(void* image, int* width, int* height, int* components)
{
    auto* ci = static_cast<CodecImage*>(image);
    if (!ci || !ci->image) return SetError(J2K_ERROR_ARGUMENT);
    if (width) *width = static_cast<int>(ci->image->x1 - ci->image->x0);
    if (height) *height = static_cast<int>(ci->image->y1 - ci->image->y0);
    if (components) *components = static_cast<int>(ci->image->numcomps);
    return SetError(J2K_OK);
}

int J2KGetResolutionDimensions(void* image, int level, int* width, int* height)
{
    auto* ci = static_cast<CodecImage*>(image);
    int w = 0, h = 0;
    if (!ci || !ci->image || !width || !height || !ResolutionSize(ci->image, level, w, h))
        return SetError(J2K_ERROR_ARGUMENT);
    *width = w;
    *height = h;
    return SetError(J2K_OK);
}

int J2KDecode(void* image, unsigned char** buffer, int* size, const char* options, int* pitch)
{
    auto* ci = static_cast<CodecImage*>(image);
    int bytesPerPixel = 4, level = 0;
    if (!ci || !ci->image || !buffer || !*buffer || !size || !pitch || *size <= 0 || *pitch <= 0 ||
        !ParseOptions(options, bytesPerPixel, level))
        return SetError(J2K_ERROR_ARGUMENT);
    try
    {
        return DecodeInto(*ci, *buffer, *size, bytesPerPixel, level, *pitch);
    }
    catch (const std::bad_alloc&)
    {
        return SetError(J2K_ERROR_MEMORY);
    }
}

int J2KGetLastError()
{
    return tLastError;
}

const char* J2KGetErrorStr(int code)
{
    switch (code)
    {
    case J2K_OK:
        return "No error";
    case J2K_ERROR_ARGUMENT:
        return "Invalid argument";
    case J2K_ERROR_READ:
        return "Read error";
    case J2K_ERROR_FORMAT:
        return "Not a JPEG 2000 file or bad header";
    case J2K_ERROR_TOO_LARGE:
        return "Image too large";
    case J2K_ERROR_DECODE:
        return "Decoding failed";
    case J2K_ERROR_MEMORY:
        return "Out of memory";
    case J2K_ERROR_UNSUPPORTED:
        return "Unsupported colour space";
    default:
        return "Unknown error";
    }
}

// The entry under the signature the loader looks it up with (J2KCodec.h), so the two cannot drift apart.
template <typename Pointer>
Platform::ModuleEntry Entry(std::type_identity_t<Pointer> function)
{
    return Platform::Entry<std::remove_pointer_t<Pointer>>(function);
}

} // namespace

void RegisterJ2KCodecModule()
{
    Platform::RegisterModule(kJ2KModuleName, {
                                                 {kJ2KGetVersion, Entry<J2KGetVersionFn>(&J2KGetVersion)},
                                                 {kJ2KOpenCustom, Entry<J2KOpenCustomFn>(&J2KOpenCustom)},
                                                 {kJ2KOpenFile, Entry<J2KOpenFileFn>(&J2KOpenFile)},
                                                 {kJ2KClose, Entry<J2KCloseFn>(&J2KClose)},
                                                 {kJ2KGetInfo, Entry<J2KGetInfoFn>(&J2KGetInfo)},
                                                 {kJ2KGetResolutionDimensions,
                                                  Entry<J2KGetResolutionDimensionsFn>(&J2KGetResolutionDimensions)},
                                                 {kJ2KDecode, Entry<J2KDecodeFn>(&J2KDecode)},
                                                 {kJ2KGetLastError, Entry<J2KGetLastErrorFn>(&J2KGetLastError)},
                                                 {kJ2KGetErrorStr, Entry<J2KGetErrorStrFn>(&J2KGetErrorStr)},
                                             });
}

} // namespace ImageLib
