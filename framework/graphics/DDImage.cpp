// Zest::DDImage: surface ownership, locking, surface creation from the ARGB bits, read-back and path choice.
#include "graphics/DDImage.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "graphics/DDInterface.h"
#include "graphics/ImageHost.h"

namespace Zest
{

using namespace Platform;

namespace
{
// Bits of a 2^n-entry table, one per possible key value.
struct BitTable
{
    std::vector<uint64_t> words;
    explicit BitTable(size_t bits) : words((bits + 63) / 64, 0) {}
    void Set(uint32_t i) { words[i >> 6] |= uint64_t(1) << (i & 63); }
    // The lowest clear index, or -1 when every value is used.
    int64_t FirstClear() const
    {
        for (size_t w = 0; w < words.size(); ++w)
            if (~words[w])
                for (int b = 0; b < 64; ++b)
                    if (!((words[w] >> b) & 1)) return int64_t(w * 64 + size_t(b));
        return -1;
    }
};
} // namespace

DDImage::DDImage(DDInterface* display)
    : MemoryImage(display->mApp ? display->mApp->mImageHost : nullptr), mDDInterface(display)
{
    mLockDesc.dwSize = kSurfaceDesc2Size;
    mDDInterface->AddDDImage(this);
}

DDImage::~DDImage()
{
    if (mSurface)
    {
        if (mLockCount > 0) mSurface->Unlock(nullptr);
        mSurface->Release();
    }
    mDDInterface->RemoveDDImage(this);
}

bool DDImage::IsDrawnThrough3D() const
{
    return mDDInterface->mIs3D && mSurface && mSurface == mDDInterface->mDrawSurface;
}

bool DDImage::IsDrawnThrough3DFor(Image* image)
{
    auto* dd = dynamic_cast<DDImage*>(image);
    return dd && dd->IsDrawnThrough3D();
}

bool DDImage::IsPlain() const
{
    return !mHasAlpha && !mHasTransparency && !mDDInterface->mIs3D;
}

IDirectDrawSurface* DDImage::EnsureSurface()
{
    if (!mSurface) CreateSurfaceFromBits();
    return mSurface;
}

bool DDImage::LockSurface()
{
    if (IsDrawnThrough3D()) return false;
    if (mLockCount == 0)
    {
        if (!EnsureSurface()) return false;
        mLockDesc = DDSURFACEDESC2{};
        mLockDesc.dwSize = kSurfaceDesc2Size;
        if (mSurface->Lock(nullptr, &mLockDesc, DDLOCK_WAIT, nullptr) != DD_OK) return false;
    }
    ++mLockCount;
    return true;
}

bool DDImage::UnlockSurface()
{
    if (IsDrawnThrough3D() || mLockCount <= 0) return false;
    if (--mLockCount == 0 && mSurface) mSurface->Unlock(nullptr);
    return true;
}

HRESULT DDImage::SetSurface(IDirectDrawSurface* surface)
{
    if (!surface) return DDERR_INVALIDPARAMS;
    surface->AddRef();
    if (mSurface)
    {
        if (mLockCount > 0) mSurface->Unlock(nullptr);
        mSurface->Release();
    }
    mLockCount = 0;
    mSurfaceBorrowed = true;
    mSurface = surface;
    DDSURFACEDESC2 desc;
    desc.dwSize = kSurfaceDesc2Size;
    desc.dwFlags = DDSD_HEIGHT | DDSD_WIDTH;
    const HRESULT result = surface->GetSurfaceDesc(&desc);
    if (result == DD_OK)
    {
        mWidth = int(desc.dwWidth);
        mHeight = int(desc.dwHeight);
    }
    mNoSoftwareAccess = false;
    return result;
}

void DDImage::FreeSurface()
{
    if (!mSurface) return;
    if (!mBits && !mPaletteIndices && !mTextureData) GetBits();
    if (mLockCount > 0) mSurface->Unlock(nullptr);
    mLockCount = 0;
    mSurface->Release();
    mSurface = nullptr;
}

void DDImage::DropSurfaceForDevice()
{
    if (!mSurface) return;
    if (!mSurfaceBorrowed)
    {
        FreeSurface();
        return;
    }
    if (mLockCount > 0) mSurface->Unlock(nullptr);
    mLockCount = 0;
    mSurface->Release();
    mSurface = nullptr;
    mNoSoftwareAccess = true;
}

void DDImage::FreeSoftwareAfterSurfaceDraw()
{
    // Only a surface that exists holds the drawing; without one the memory copies are all there is.
    if (!mSurface) return;
    DropStretchCache();
    mBits.reset();
    mDisplayData.reset();
    mAdditiveRuns.reset();
    mAlphaRuns.reset();
    mPaletteTable.reset();
    mPaletteIndices.reset();
}

uint32_t* DDImage::GetBits()
{
    if (mBits) return mBits.get();
    if (!mSurface) return MemoryImage::GetBits();
    if (mNoSoftwareAccess || !LockSurface()) return nullptr;
    const DDPIXELFORMAT& pf = mLockDesc.ddpfPixelFormat;
    const int bytes = int(pf.dwRGBBitCount / 8);
    if (pf.dwRGBBitCount != 16 && pf.dwRGBBitCount != 32)
    {
        UnlockSurface();
        return nullptr;
    }
    DDCOLORKEY key;
    const bool keyed = mSurface->GetColorKey(DDCKEY_SRCBLT, &key) == DD_OK;
    const NativeDisplay& d = *mDDInterface;
    auto bits = AllocateBits(mWidth, mHeight);
    const auto* base = static_cast<const uint8_t*>(mLockDesc.lpSurface);
    for (int y = 0; y < mHeight; ++y)
    {
        const uint8_t* row = base + size_t(y) * size_t(mLockDesc.lPitch);
        uint32_t* out = bits.get() + size_t(y) * size_t(mWidth);
        for (int x = 0; x < mWidth; ++x)
        {
            uint32_t p;
            if (bytes == 2)
            {
                uint16_t v;
                std::memcpy(&v, row + size_t(x) * 2, 2);
                p = v;
            }
            else
            {
                std::memcpy(&p, row + size_t(x) * 4, 4);
            }
            // Key pixels were transparent when the surface was made from the bits.
            if (keyed && p >= key.dwColorSpaceLowValue && p <= key.dwColorSpaceHighValue)
            {
                out[x] = 0;
                continue;
            }
            const uint32_t r = ((p >> d.mRedShift) << (8 - d.mRedWidth)) & 0xFF;
            const uint32_t g = ((p >> d.mGreenShift) << (8 - d.mGreenWidth)) & 0xFF;
            const uint32_t b = ((p >> d.mBlueShift) << (8 - d.mBlueWidth)) & 0xFF;
            out[x] = 0xFF000000u | r << 16 | g << 8 | b;
        }
    }
    UnlockSurface();
    mBits = std::move(bits);
    return mBits.get();
}

void DDImage::Create(int width, int height)
{
    MemoryImage::Create(width, height);
}

void DDImage::BitsChanged()
{
    MemoryImage::BitsChanged();
    if (mSurface && mSurfaceBorrowed)
    {
        // A borrowed surface is the display's and stays; what was written into the memory copy (a clear, new
        // bits) goes on to it, or the next drawing on the surface would drop the copy and lose the writes.
        if (mBits) WriteBitsToSurface(mBits.get());
        return;
    }
    if (mSurface)
    {
        if (mLockCount > 0) mSurface->Unlock(nullptr);
        mLockCount = 0;
        mSurface->Release();
        mSurface = nullptr;
    }
}

void DDImage::UpdateAlphaFlags()
{
    if (mSurface) return;
    MemoryImage::UpdateAlphaFlags();
}

void DDImage::FreeDisplayData()
{
    if (mSurfaceBorrowed) return;
    MemoryImage::FreeDisplayData();
    FreeSurface();
}

void DDImage::FreeDerivedBuffers()
{
    if (mSurfaceBorrowed) return;
    MemoryImage::FreeDerivedBuffers();
    FreeSurface();
}

void DDImage::SetVideoMemory(bool videoMemory)
{
    if (videoMemory == mVideoMemory) return;
    mVideoMemory = videoMemory;
    GetBits();
    FreeSurface();
}

void DDImage::ReapplyOptions()
{
    MemoryImage::ReapplyOptions();
    if (mSurfaceWanted) CreateSurfaceFromBits();
}

bool DDImage::RebuildSurface()
{
    return CreateSurfaceFromBits();
}

bool DDImage::ConvertToPalette()
{
    const bool converted = MemoryImage::ConvertToPalette();
    if (converted) FreeSurface();
    return converted;
}

void DDImage::ReleaseBits()
{
    if (mSurfaceBorrowed) return;
    DropStretchCache();
    UpdateAlphaFlags();
    mPurgeable = true;
    if (!mDDInterface->mIs3D)
    {
        if (mSurfaceWanted && CreateSurfaceFromBits())
        {
            mBits.reset();
            mPaletteIndices.reset();
            mPaletteTable.reset();
            return;
        }
    }
    else if (mSurface)
    {
        GetBits();
        FreeSurface();
    }
    MemoryImage::ReleaseBits();
}

void DDImage::WriteBitsToSurface(const uint32_t* bits)
{
    if (mNoSoftwareAccess || !LockSurface()) return;
    const NativeDisplay& d = *mDDInterface;
    const DDPIXELFORMAT& pf = mLockDesc.ddpfPixelFormat;
    const uint32_t bitCount = pf.dwRGBBitCount;
    if (bitCount == 16 || bitCount == 32)
    {
        const uint32_t rMask = pf.dwRBitMask, gMask = pf.dwGBitMask, bMask = pf.dwBBitMask;
        // The surface keeps its own size; only the part both cover is written.
        const int width = std::min(mWidth, int(mLockDesc.dwWidth ? mLockDesc.dwWidth : uint32_t(mWidth)));
        const int height = std::min(mHeight, int(mLockDesc.dwHeight ? mLockDesc.dwHeight : uint32_t(mHeight)));
        auto* base = static_cast<uint8_t*>(mLockDesc.lpSurface);
        for (int y = 0; y < height; ++y)
        {
            uint8_t* row = base + size_t(y) * size_t(mLockDesc.lPitch);
            const uint32_t* from = bits + size_t(y) * size_t(mWidth);
            for (int x = 0; x < width; ++x)
            {
                const uint32_t argb = from[x];
                const uint32_t v = (((argb >> (24 - d.mRedWidth)) << d.mRedShift) & rMask) |
                                   (((argb >> (16 - d.mGreenWidth)) << d.mGreenShift) & gMask) |
                                   (((argb >> (8 - d.mBlueWidth)) << d.mBlueShift) & bMask);
                if (bitCount == 16)
                {
                    const uint16_t w = uint16_t(v);
                    std::memcpy(row + size_t(x) * 2, &w, 2);
                }
                else
                {
                    std::memcpy(row + size_t(x) * 4, &v, 4);
                }
            }
        }
    }
    UnlockSurface();
}

bool DDImage::CreateSurfaceFromBits()
{
    if (mSurface) return true;
    UpdateAlphaFlags();
    if (mHasAlpha) return false;
    mSurfaceWanted = true;
    if (mWidth <= 0 || mHeight <= 0) return false;
    // Purged images rebuild their bits from the palette or the display data first.
    const uint32_t* bits = MemoryImage::GetBits();

    DDSURFACEDESC2 desc;
    desc.dwSize = kSurfaceDesc2Size;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = uint32_t(mWidth);
    desc.dwHeight = uint32_t(mHeight);
    desc.ddsCaps.dwCaps = mVideoMemory ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY;

    std::lock_guard guard(mDDInterface->mCritSect);
    IDirectDrawSurface* surface = nullptr;
    if (mDDInterface->CreateSurface(&desc, &surface) != DD_OK) return false;
    mSurface = surface;
    mSurfaceBorrowed = false;
    auto giveUp = [this]
    {
        if (mLockCount > 0) mSurface->Unlock(nullptr);
        mLockCount = 0;
        mSurface->Release();
        mSurface = nullptr;
        return false;
    };
    if (!LockSurface()) return giveUp();

    const NativeDisplay& d = *mDDInterface;
    const DDPIXELFORMAT& pf = mLockDesc.ddpfPixelFormat;
    const uint32_t rMask = pf.dwRBitMask, gMask = pf.dwGBitMask, bMask = pf.dwBBitMask;
    auto pack = [&](uint32_t argb)
    {
        return (((argb >> (24 - d.mRedWidth)) << d.mRedShift) & rMask) |
               (((argb >> (16 - d.mGreenWidth)) << d.mGreenShift) & gMask) |
               (((argb >> (8 - d.mBlueWidth)) << d.mBlueShift) & bMask);
    };
    const bool sixteen = pf.dwRGBBitCount == 16;
    const size_t pixels = size_t(mWidth) * size_t(mHeight);
    std::vector<uint32_t> packed(pixels);
    for (size_t i = 0; i < pixels; ++i) packed[i] = pack(bits[i]);

    bool keyed = false;
    uint32_t key = 0;
    if (mHasTransparency)
    {
        // The key is the first transparent pixel's packed colour, unless an opaque pixel already uses it.
        size_t first = pixels;
        for (size_t i = 0; i < pixels && first == pixels; ++i)
            if ((bits[i] >> 24) < 255) first = i;
        key = first < pixels ? packed[first] : 0;
        bool collision = false;
        for (size_t i = 0; i < pixels && !collision; ++i) collision = (bits[i] >> 24) == 255 && packed[i] == key;
        if (collision)
        {
            BitTable used(sixteen ? size_t(1) << 16 : size_t(1) << 24);
            for (size_t i = 0; i < pixels; ++i)
                if (bits[i] >> 24) used.Set(packed[i] & (sixteen ? 0xFFFFu : 0xFFFFFFu));
            const int64_t unused = used.FirstClear();
            // Every value taken: no key can work, so the image stays on the memory path.
            if (unused < 0) return giveUp();
            key = uint32_t(unused);
        }
        keyed = true;
    }
    auto* base = static_cast<uint8_t*>(mLockDesc.lpSurface);
    for (int y = 0; y < mHeight; ++y)
    {
        uint8_t* row = base + size_t(y) * size_t(mLockDesc.lPitch);
        for (int x = 0; x < mWidth; ++x)
        {
            const size_t i = size_t(y) * size_t(mWidth) + size_t(x);
            const uint32_t v = (keyed && (bits[i] >> 24) != 255) ? key : packed[i];
            if (sixteen)
            {
                const uint16_t w = uint16_t(v);
                std::memcpy(row + size_t(x) * 2, &w, 2);
            }
            else
            {
                std::memcpy(row + size_t(x) * 4, &v, 4);
            }
        }
    }
    if (keyed)
    {
        DDCOLORKEY colorKey{key, key};
        mSurface->SetColorKey(DDCKEY_SRCBLT, &colorKey);
    }
    UnlockSurface();
    return true;
}

// ---- Path choice -------------------------------------------------------------------------------------------------

bool DDImage::FillPoly(const Point*, int, const Rect&, const Color&, int, int, int)
{
    // Polygons are only drawn through the 3D device, which does not exist here.
    return false;
}

void DDImage::FillRect(const Rect& rect, const Color& color, int drawMode)
{
    if (IsDrawnThrough3D()) return;
    UpdateAlphaFlags();
    if (!IsPlain())
    {
        MemoryImage::FillRect(rect, color, drawMode);
        return;
    }
    if (drawMode == 0)
        NormalFillRect(rect, color);
    else
        AdditiveFillRect(rect, color);
    FreeSoftwareAfterSurfaceDraw();
}

namespace
{
// Line end points kept well inside the int range (as the memory routines keep them), so that far-away or
// non-finite coordinates neither overflow a conversion nor send a stepper through billions of steps.
void KeepLineInRange(double& x1, double& y1, double& x2, double& y2)
{
    for (double* v : {&x1, &y1, &x2, &y2})
    {
        if (!(*v > -16777216.0)) *v = -16777216.0;
        if (!(*v < 16777216.0)) *v = 16777216.0;
    }
}
} // namespace

void DDImage::DrawLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode)
{
    if (IsDrawnThrough3D()) return;
    KeepLineInRange(x1, y1, x2, y2);
    UpdateAlphaFlags();
    if (!IsPlain())
    {
        MemoryImage::DrawLine(x1, y1, x2, y2, color, drawMode);
        return;
    }
    if (y1 == y2 || x1 == x2)
    {
        // Straight lines are one-pixel rectangles including both ends.
        const int ax = int(std::min(x1, x2)), bx = int(std::max(x1, x2));
        const int ay = int(std::min(y1, y2)), by = int(std::max(y1, y2));
        FillRect(Rect(ax, ay, bx - ax + 1, by - ay + 1).Intersection(Rect(0, 0, mWidth, mHeight)), color, drawMode);
        return;
    }
    if (drawMode == 0)
        NormalDrawLine(x1, y1, x2, y2, color);
    else
        AdditiveDrawLine(x1, y1, x2, y2, color);
    FreeSoftwareAfterSurfaceDraw();
}

void DDImage::DrawLineAntiAliased(double x1, double y1, double x2, double y2, const Color& color, int drawMode)
{
    if (IsDrawnThrough3D()) return;
    KeepLineInRange(x1, y1, x2, y2);
    UpdateAlphaFlags();
    if (!IsPlain())
    {
        MemoryImage::DrawLine(x1, y1, x2, y2, color, drawMode);
        return;
    }
    if (y1 == y2 || x1 == x2)
    {
        DrawLine(x1, y1, x2, y2, color, drawMode);
        return;
    }
    if (drawMode == 0)
        NormalDrawLineAntiAliased(x1, y1, x2, y2, color);
    else
        AdditiveDrawLineAntiAliased(x1, y1, x2, y2, color);
    FreeSoftwareAfterSurfaceDraw();
}

void DDImage::Blt(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode)
{
    if (!src) return;
    src->mDrawn = true;
    UpdateAlphaFlags();
    const bool plain =
        !mHasAlpha && !mHasTransparency && (!mDDInterface->mIs3D || mDDInterface->IsOwnOffscreenImage(this));
    if (!plain)
    {
        MemoryImage::Blt(src, x, y, srcRect, color, drawMode);
        return;
    }
    if (drawMode == 0)
        NormalBlt(src, x, y, srcRect, color);
    else
        AdditiveBlt(src, x, y, srcRect, color);
    FreeSoftwareAfterSurfaceDraw();
}

void DDImage::BltMirror(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode)
{
    if (!src || IsDrawnThrough3D()) return;
    UpdateAlphaFlags();
    // An image that cannot have a surface would draw nothing in software: it mirrors on its bits instead.
    if (!IsPlain())
    {
        MemoryImage::BltMirror(src, x, y, srcRect, color, drawMode);
        return;
    }
    if (drawMode == 0)
        NormalBltMirror(src, x, y, srcRect, color);
    else
        AdditiveBltMirror(src, x, y, srcRect, color);
    FreeSoftwareAfterSurfaceDraw();
}

void DDImage::BltFloat(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                       int drawMode)
{
    if (IsDrawnThrough3D()) return;
    BltRotated(src, x, y, srcRect, clip, color, drawMode, 0.0, 0.0f, 0.0f);
}

void DDImage::StretchBlt(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip, const Color& color,
                         int drawMode, bool fastStretch)
{
    StretchToSurface(src, destRect, srcRect, clip, color, drawMode, fastStretch, false);
}

void DDImage::StretchBltMirror(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                               const Color& color, int drawMode, bool fastStretch)
{
    StretchToSurface(src, destRect, srcRect, clip, color, drawMode, fastStretch, true);
}

void DDImage::BltMatrix(Image* src, float x, float y, const Matrix3& matrix, const Rect& clip, const Color& color,
                        int drawMode, const Rect& srcRect, bool linearBlend)
{
    if (IsDrawnThrough3D()) return;
    MemoryImage::BltMatrix(src, x, y, matrix, clip, color, drawMode, srcRect, linearBlend);
}

void DDImage::BltTriangles(Image* src, const TriVertex (*vertices)[3], int numTriangles, const Color& color,
                           int drawMode, float tx, float ty, bool linearBlend)
{
    if (IsDrawnThrough3D()) return;
    MemoryImage::BltTriangles(src, vertices, numTriangles, color, drawMode, tx, ty, linearBlend);
}

} // namespace Zest
