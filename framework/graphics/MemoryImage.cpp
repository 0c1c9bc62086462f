// Zest::MemoryImage: the pixel forms (bits, palette, display data), their conversions, the run tables and the
// registration with the application.
#include "graphics/MemoryImage.h"

#include "data/ImageLib.h"
#include "graphics/ImageHost.h"
#include "graphics/StretchSampler.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace Zest
{

namespace
{
// Shifts right by n, or left by -n, so formats with unusual channel widths cannot shift by a negative count.
inline uint32_t ShiftRight(uint32_t v, int n)
{
    if (n >= 32 || n <= -32) return 0;
    return n >= 0 ? (v >> n) : (v << -n);
}

uint32_t ToDisplayFormat(uint32_t p, const NativeDisplay& d)
{
    const uint32_t a = p >> 24;
    const uint32_t blue =
        ShiftRight(ShiftRight(((p & 0xFF) * (a + 1)) >> 8, 8 - d.mBlueWidth), -d.mBlueShift) & uint32_t(d.mBlueMask);
    const uint32_t green = ShiftRight(ShiftRight(((p & 0xFF00) * (a + 1)) >> 8, 16 - d.mGreenWidth), -d.mGreenShift) &
                           uint32_t(d.mGreenMask);
    const uint32_t red = ShiftRight(ShiftRight((((p & 0xFF0000) >> 8) * (a + 1)), 24 - d.mRedWidth), -d.mRedShift) &
                         uint32_t(d.mRedMask);
    return (a << 24) | red | green | blue;
}

// Undoes the premultiplication of one channel and moves it to its 8-bit place (position 16, 8 or 0).
inline uint32_t FromDisplayChannel(uint32_t p, uint32_t a, uint32_t mask, int shift, int width, int place)
{
    const uint64_t c = ((uint64_t(p & mask) << 8) / (a + 1)) & mask;
    return (ShiftRight(uint32_t(c), shift + width - 8) & 0xFF) << place;
}

uint32_t FromDisplayFormat(uint32_t p, const NativeDisplay& d)
{
    const uint32_t a = p >> 24;
    return (a << 24) | FromDisplayChannel(p, a, uint32_t(d.mRedMask), d.mRedShift, d.mRedWidth, 16) |
           FromDisplayChannel(p, a, uint32_t(d.mGreenMask), d.mGreenShift, d.mGreenWidth, 8) |
           FromDisplayChannel(p, a, uint32_t(d.mBlueMask), d.mBlueShift, d.mBlueWidth, 0);
}
} // namespace

MemoryImage::MemoryImage() : mHost(GetImageHost())
{
    Register();
}

MemoryImage::MemoryImage(ImageHost* host) : mHost(host)
{
    Register();
}

MemoryImage::MemoryImage(const MemoryImage& other)
    : Image(other), mAlphaFlagsForced(other.mAlphaFlagsForced), mHasTransparency(other.mHasTransparency),
      mHasAlpha(other.mHasAlpha), mOpaqueCopy(other.mOpaqueCopy), mPurgeable(other.mPurgeable),
      mWantsPalette(other.mWantsPalette), mBitsChanged(other.mBitsChanged), mHost(other.mHost),
      mHintFlags(other.mHintFlags)
{
    const size_t pixels = size_t(int64_t(mWidth) * mHeight);
    if (other.mBits)
    {
        mBits = AllocateBits(mWidth, mHeight);
        std::memcpy(mBits.get(), other.mBits.get(), pixels * sizeof(uint32_t));
    }
    if (other.mPaletteTable && other.mPaletteIndices)
    {
        mPaletteTable = std::make_unique<uint32_t[]>(256);
        std::memcpy(mPaletteTable.get(), other.mPaletteTable.get(), 256 * sizeof(uint32_t));
        mPaletteIndices = std::make_unique<uint8_t[]>(std::max<size_t>(pixels, 1));
        std::memcpy(mPaletteIndices.get(), other.mPaletteIndices.get(), pixels);
    }
    if (!mBits && !mPaletteIndices && other.mDisplayData)
    {
        // A purged original keeps its pixels only in display data: take those along so GetBits can rebuild.
        mDisplayData = std::make_unique<uint32_t[]>(std::max<size_t>(pixels, 1));
        std::memcpy(mDisplayData.get(), other.mDisplayData.get(), pixels * sizeof(uint32_t));
        mDisplayFormat = other.mDisplayFormat;
    }
    Register();
}

MemoryImage::~MemoryImage()
{
    if (mHost) mHost->RemoveMemoryImage(this);
}

void MemoryImage::Register()
{
    if (mHost) mHost->AddMemoryImage(this);
}

const uint8_t* MemoryImage::GetSaturationTable() const
{
    const uint8_t* table = mHost ? mHost->GetSaturationTable() : nullptr;
    return table ? table : StandardSaturationTable();
}

const NativeDisplay* MemoryImage::ResolveDisplay(const NativeDisplay* display) const
{
    if (display) return display;
    if (mHost)
    {
        if (const NativeDisplay* hostDisplay = mHost->GetNativeDisplay(); hostDisplay && hostDisplay->mBitsPerPixel)
            return hostDisplay;
    }
    return &StandardNativeDisplay();
}

bool MemoryImage::IsValidSize(int width, int height)
{
    return width >= 0 && height >= 0 && int64_t(width) * int64_t(height) <= kMaxPixels;
}

std::unique_ptr<uint32_t[]> MemoryImage::AllocateBits(int width, int height)
{
    const size_t pixels = size_t(int64_t(width) * height);
    std::unique_ptr<uint32_t[]> bits(new uint32_t[pixels + 1]);
    bits[pixels] = kBitsGuard;
    return bits;
}

uint32_t MemoryImage::GetPixel(int x, int y)
{
    const size_t i = size_t(y) * size_t(mWidth) + size_t(x);
    if (mBits) return mBits[i];
    if (mPaletteTable && mPaletteIndices) return mPaletteTable[mPaletteIndices[i]];
    return GetBits()[i];
}

uint32_t* MemoryImage::GetBits()
{
    if (mBits) return mBits.get();
    if (!IsValidSize(mWidth, mHeight))
    {
        mWidth = 0;
        mHeight = 0;
    }
    const size_t pixels = size_t(int64_t(mWidth) * mHeight);
    mBits = AllocateBits(mWidth, mHeight);
    uint32_t* bits = mBits.get();
    if (mPaletteTable && mPaletteIndices)
    {
        for (size_t i = 0; i < pixels; ++i) bits[i] = mPaletteTable[mPaletteIndices[i]];
        mPaletteIndices.reset();
        mPaletteTable.reset();
        mDisplayData.reset();
    }
    else if (mDisplayData)
    {
        const NativeDisplay& format = mDisplayFormat;
        for (size_t i = 0; i < pixels; ++i) bits[i] = FromDisplayFormat(mDisplayData[i], format);
    }
    else
    {
        std::memset(bits, 0, pixels * sizeof(uint32_t));
    }
    return bits;
}

void MemoryImage::SetBits(const uint32_t* argb, int width, int height, bool commit)
{
    if (argb && argb == mBits.get()) return;
    mPaletteIndices.reset();
    mPaletteTable.reset();
    if (!IsValidSize(width, height))
    {
        width = 0;
        height = 0;
        argb = nullptr;
    }
    if (!mBits || width != mWidth || height != mHeight)
    {
        mBits = AllocateBits(width, height);
        mWidth = width;
        mHeight = height;
    }
    const size_t pixels = size_t(int64_t(width) * height);
    if (argb)
        std::memcpy(mBits.get(), argb, pixels * sizeof(uint32_t));
    else
        std::memset(mBits.get(), 0, pixels * sizeof(uint32_t));
    mBits[pixels] = kBitsGuard;
    BitsChanged();
    if (commit) UpdateAlphaFlags();
}

void MemoryImage::TakeBits(ImageLib::Image& decoded, bool commit)
{
    const int width = decoded.mWidth, height = decoded.mHeight;
    if (!decoded.mGuardRoom || !decoded.mBits || !IsValidSize(width, height))
    {
        SetBits(decoded.GetBits(), width, height, commit);
        return;
    }
    mPaletteIndices.reset();
    mPaletteTable.reset();
    mBits = std::move(decoded.mBits);
    decoded.mGuardRoom = false;
    decoded.mWidth = 0;
    decoded.mHeight = 0;
    mWidth = width;
    mHeight = height;
    mBits[size_t(int64_t(width) * height)] = kBitsGuard;
    BitsChanged();
    if (commit) UpdateAlphaFlags();
}

void MemoryImage::Create(int width, int height)
{
    mBits.reset();
    mPaletteIndices.reset();
    mPaletteTable.reset();
    mHasTransparency = true;
    mHasAlpha = true;
    if (!IsValidSize(width, height))
    {
        width = 0;
        height = 0;
    }
    mWidth = width;
    mHeight = height;
    BitsChanged();
}

StretchCache& MemoryImage::GetStretchCache()
{
    if (!mStretchCache) mStretchCache = std::make_unique<StretchCache>();
    return *mStretchCache;
}

void MemoryImage::DropStretchCache()
{
    mStretchCache.reset();
}

void MemoryImage::BitsChanged()
{
    ++mChangeCount;
    DropStretchCache();
    mBitsChanged = true;
    mDisplayData.reset();
    mAlphaRuns.reset();
    mAdditiveRuns.reset();
}

void MemoryImage::UpdateAlphaFlags()
{
    if (!mBitsChanged || mAlphaFlagsForced) return;
    mHasAlpha = false;
    auto scan = [this](const uint32_t* pixels, size_t count)
    {
        mHasTransparency = false;
        for (size_t i = 0; i < count; ++i)
        {
            const uint32_t a = pixels[i] >> 24;
            if (a == 0)
                mHasTransparency = true;
            else if (a != 255)
                mHasAlpha = true;
            if (mHasTransparency && mHasAlpha) break;
        }
    };
    if (mBits)
        scan(mBits.get(), size_t(int64_t(mWidth) * mHeight));
    else if (mPaletteTable)
        scan(mPaletteTable.get(), 256);
    else
        mHasTransparency = true;
    mBitsChanged = false;
}

uint32_t* MemoryImage::GetDisplayAlphaData(const NativeDisplay* display)
{
    return MakeDisplayData(display, true);
}

bool MemoryImage::DisplayFormIsBits() const
{
    // Fully opaque pixels premultiply to themselves, and a byte per channel in the ARGB places packs them as they
    // are: the display form of such a picture is its bits, word for word.
    const NativeDisplay& f = mDisplayFormat;
    return mBits && !mAlphaFlagsForced && !mBitsChanged && !mHasAlpha && !mHasTransparency && f.mBitsPerPixel == 32 &&
           uint32_t(f.mRedMask) == 0xFF0000 && uint32_t(f.mGreenMask) == 0x00FF00 && uint32_t(f.mBlueMask) == 0x0000FF;
}

uint32_t* MemoryImage::MakeDisplayData(const NativeDisplay* display, bool mayShareBits)
{
    if (mDisplayData) return mDisplayData.get();
    UpdateAlphaFlags();
    const NativeDisplay& format = *ResolveDisplay(display);
    if (mDisplayFormat.mBitsPerPixel != format.mBitsPerPixel || mDisplayFormat.mRedMask != format.mRedMask ||
        mDisplayFormat.mGreenMask != format.mGreenMask || mDisplayFormat.mBlueMask != format.mBlueMask)
        mDisplayFormat.SetPixelFormat(format.mBitsPerPixel, uint32_t(format.mRedMask), uint32_t(format.mGreenMask),
                                      uint32_t(format.mBlueMask));
    if (mPaletteTable && mPaletteIndices)
    {
        mDisplayData = std::make_unique<uint32_t[]>(256);
        for (int i = 0; i < 256; ++i) mDisplayData[i] = ToDisplayFormat(mPaletteTable[i], mDisplayFormat);
    }
    else
    {
        uint32_t* bits = GetBits();
        // One copy of the picture: no converted copy is made when it would equal the bits.
        if (mayShareBits && bits == mBits.get() && DisplayFormIsBits()) return bits;
        const size_t pixels = size_t(int64_t(mWidth) * mHeight);
        mDisplayData = std::make_unique<uint32_t[]>(std::max<size_t>(pixels, 1));
        ToDisplayPixels(mDisplayFormat, bits, mDisplayData.get(), pixels);
    }
    return mDisplayData.get();
}

void MemoryImage::ToDisplayPixels(const NativeDisplay& f, const uint32_t* bits, uint32_t* out, size_t pixels)
{
    const int widths[3] = {f.mRedWidth, f.mGreenWidth, f.mBlueWidth};
    const int shifts[3] = {f.mRedShift, f.mGreenShift, f.mBlueShift};
    const uint32_t masks[3] = {uint32_t(f.mRedMask), uint32_t(f.mGreenMask), uint32_t(f.mBlueMask)};
    bool plainShifts = true;
    for (int c = 0; c < 3; ++c) plainShifts = plainShifts && widths[c] >= 0 && widths[c] <= 8 && shifts[c] >= 0;
    if (plainShifts)
    {
        // The same packing as ToDisplayFormat with the shifts worked out once: each channel premultiplied as
        // c x (a + 1) >> 8, cut to its width and moved to its place. This runs over every pixel of every image
        // the first time it is drawn.
        const int cut[3] = {8 - widths[0], 8 - widths[1], 8 - widths[2]};
        const uint32_t* __restrict from = bits;
        uint32_t* __restrict to = out;
        for (size_t i = 0; i < pixels; ++i)
        {
            const uint32_t p = from[i], a = p >> 24, a1 = a + 1;
            const uint32_t r = (((p >> 16) & 0xFF) * a1) >> 8, g = (((p >> 8) & 0xFF) * a1) >> 8,
                           b = ((p & 0xFF) * a1) >> 8;
            to[i] = a << 24 | (((r >> cut[0]) << shifts[0]) & masks[0]) | (((g >> cut[1]) << shifts[1]) & masks[1]) |
                    (((b >> cut[2]) << shifts[2]) & masks[2]);
        }
    }
    else
    {
        for (size_t i = 0; i < pixels; ++i) out[i] = ToDisplayFormat(bits[i], f);
    }
}

void MemoryImage::WriteRuns(uint8_t* runs, const uint8_t* classes, int width)
{
    int count = 0;
    for (int i = width - 1; i >= 0; --i)
    {
        count = (i == width - 1 || classes[i] != classes[i + 1]) ? 1 : count + 1;
        runs[i] = uint8_t(std::min(count, 255));
    }
}

uint8_t* MemoryImage::GetAlphaRunData()
{
    if (mAlphaRuns) return mAlphaRuns.get();
    const bool palette = mPaletteTable && mPaletteIndices;
    if (!palette && !mBits && !mDisplayData) GetBits();
    const size_t pixels = size_t(int64_t(mWidth) * mHeight);
    mAlphaRuns = std::make_unique<uint8_t[]>(std::max<size_t>(pixels, 1));
    std::vector<uint8_t> classes(size_t(std::max(mWidth, 1)));
    // Alpha is the same in every form, so any of them will do.
    const uint32_t* table = palette ? (mDisplayData ? mDisplayData.get() : mPaletteTable.get()) : nullptr;
    const uint32_t* pixelsArgb = palette ? nullptr : (mDisplayData ? mDisplayData.get() : mBits.get());
    for (int y = 0; y < mHeight; ++y)
    {
        const size_t row = size_t(y) * size_t(mWidth);
        for (int x = 0; x < mWidth; ++x)
        {
            const uint32_t p = palette ? table[mPaletteIndices[row + x]] : pixelsArgb[row + x];
            const uint32_t a = p >> 24;
            classes[size_t(x)] = a == 0 ? 0 : (a == 255 ? 1 : 2);
        }
        WriteRuns(mAlphaRuns.get() + row, classes.data(), mWidth);
    }
    return mAlphaRuns.get();
}

uint8_t* MemoryImage::GetAdditiveRunData(const NativeDisplay* display)
{
    if (mAdditiveRuns) return mAdditiveRuns.get();
    const uint32_t* data = GetDisplayAlphaData(display);
    const bool palette = mPaletteTable && mPaletteIndices;
    const size_t pixels = size_t(int64_t(mWidth) * mHeight);
    mAdditiveRuns = std::make_unique<uint8_t[]>(std::max<size_t>(pixels, 1));
    std::vector<uint8_t> classes(size_t(std::max(mWidth, 1)));
    for (int y = 0; y < mHeight; ++y)
    {
        const size_t row = size_t(y) * size_t(mWidth);
        for (int x = 0; x < mWidth; ++x)
        {
            const uint32_t p = palette ? data[mPaletteIndices[row + x]] : data[row + x];
            classes[size_t(x)] = (p & 0x00FFFFFF) == 0 ? 0 : 1;
        }
        WriteRuns(mAdditiveRuns.get() + row, classes.data(), mWidth);
    }
    return mAdditiveRuns.get();
}

void MemoryImage::ReleaseBits()
{
    // Pixels rebuilt from the display form may differ from the ones the kept stretches were sampled from.
    DropStretchCache();
    mPurgeable = true;
    const bool accelerated = mHost && mHost->Is3DAccelerated();
    if (accelerated)
    {
        if (mTextureData)
        {
            mBits.reset();
            mPaletteIndices.reset();
            mPaletteTable.reset();
        }
        return;
    }
    if (!mBits && !mPaletteIndices) return;
    // The display form becomes the only copy, so it is made apart from the bits even where it would equal them.
    MakeDisplayData(nullptr, false);
    mBits.reset();
    if (mTextureData)
    {
        mPaletteIndices.reset();
        mPaletteTable.reset();
    }
}

void MemoryImage::FreeSoftwareBuffers()
{
    if (!mBits && !mPaletteIndices) GetBits();
    mDisplayData.reset();
    mAlphaRuns.reset();
    mAdditiveRuns.reset();
}

void MemoryImage::FreeTextures()
{
    if (mHost) mHost->FreeImageTextures(this);
}

void MemoryImage::FreeDerivedBuffers()
{
    FreeSoftwareBuffers();
    FreeTextures();
}

void MemoryImage::ReapplyOptions()
{
    if (mWantsPalette) ConvertToPalette();
    if (mPurgeable) ReleaseBits();
}

void MemoryImage::FreeDisplayData()
{
    if (!mBits && !mPaletteIndices) GetBits();
    mDisplayData.reset();
    mAdditiveRuns.reset();
}

void MemoryImage::Clear()
{
    uint32_t* bits = GetBits();
    // A surface that may not be read has no bits to clear.
    if (!bits) return;
    std::memset(bits, 0, size_t(int64_t(mWidth) * mHeight) * sizeof(uint32_t));
    BitsChanged();
}

void MemoryImage::ForceAlphaFlags(bool hasTransparency, bool hasAlpha)
{
    mAlphaFlagsForced = true;
    mHasTransparency = hasTransparency;
    mHasAlpha = hasAlpha;
}

void MemoryImage::SetOpaqueCopy(bool opaqueCopy)
{
    mOpaqueCopy = opaqueCopy;
}

bool MemoryImage::ConvertToPalette()
{
    UpdateAlphaFlags();
    if (mPaletteTable) return true;
    GetBits();
    const size_t pixels = size_t(int64_t(mWidth) * mHeight);
    mPaletteIndices = std::make_unique<uint8_t[]>(std::max<size_t>(pixels, 1));
    mPaletteTable = std::make_unique<uint32_t[]>(256);
    if (Quantize())
    {
        DropStretchCache();
        mBits.reset();
        mDisplayData.reset();
        mWantsPalette = true;
        return true;
    }
    mPaletteIndices.reset();
    mPaletteTable.reset();
    mWantsPalette = false;
    return false;
}

bool MemoryImage::Quantize()
{
    const size_t pixels = size_t(int64_t(mWidth) * mHeight);
    const uint32_t* bits = mBits.get();
    std::fill_n(mPaletteTable.get(), 256, 0u);
    // Distinct colours sorted as unsigned numbers, each with its table index.
    std::vector<std::pair<uint32_t, uint8_t>> seen;
    seen.reserve(256);
    int used = 0;
    for (size_t i = 0; i < pixels; ++i)
    {
        const uint32_t colour = bits[i];
        auto it = std::lower_bound(seen.begin(), seen.end(), colour,
                                   [](const std::pair<uint32_t, uint8_t>& e, uint32_t c) { return e.first < c; });
        if (it != seen.end() && it->first == colour)
        {
            mPaletteIndices[i] = it->second;
            continue;
        }
        if (used == 256) return false;
        seen.insert(it, {colour, uint8_t(used)});
        mPaletteTable[used] = colour;
        mPaletteIndices[i] = uint8_t(used);
        ++used;
    }
    return true;
}

} // namespace Zest
