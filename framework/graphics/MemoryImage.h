// Zest::MemoryImage: an image held as 32-bit ARGB words in memory, with its derived buffers (display-format
// copy, run tables, palette form) and the software drawing routines that work on the ARGB words.
#pragma once

#include "graphics/Image.h"
#include "graphics/NativeDisplay.h"

#include <cstdint>
#include <memory>

namespace ImageLib
{
class Image;
}

namespace Zest
{

class ImageHost;
class StretchCache;

class MemoryImage : public Image
{
public:
    // Written after the last pixel of every bits allocation.
    static constexpr uint32_t kBitsGuard = 0x4BEEFADE;
    // The largest image, in pixels, that is ever allocated; larger or negative sizes make a 0x0 image.
    static constexpr int64_t kMaxPixels = int64_t(64) * 1024 * 1024;

    // Hint flags for the 3D side (no effect in software).
    enum HintFlags : int
    {
        Hint_MinimalSubdivision = 1,
        Hint_Texture4444 = 4,
        Hint_Texture8888 = 8,
    };

    // Registers with the global application (GetImageHost()) when there is one.
    MemoryImage();
    // Registers with the given host; null means no registration.
    explicit MemoryImage(ImageHost* host);
    // Copies size, bits, palette form, flags, cels and animation; derived buffers are made again on demand.
    MemoryImage(const MemoryImage& other);
    MemoryImage& operator=(const MemoryImage&) = delete;
    ~MemoryImage() override;

    // Software drawing. Positions and rectangles are cut to the image so that nothing is written outside it.
    void FillRect(const Rect& rect, const Color& color, int drawMode) override;
    void ClearRect(const Rect& rect) override;
    void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode) override;
    void DrawLineAntiAliased(double x1, double y1, double x2, double y2, const Color& color, int drawMode) override;
    void FillSpansWithCoverage(const Span* spans, int count, const Color& color, int drawMode, const uint8_t* coverage,
                               int coverX, int coverY, int coverWidth, int coverHeight) override;
    void Blt(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode) override;
    // The rotated blit at angle 0.
    void BltFloat(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                  int drawMode) override;
    // Bilinear, with the geometry of CalcRotatedBlit and the 16.16 span cut shared with the surface path.
    void BltRotated(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                    int drawMode, double angle, float centreX, float centreY) override;
    // Nearest sampling with fastStretch, else bilinear clamped inside the source rectangle; nothing outside clip.
    void StretchBlt(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip, const Color& color,
                    int drawMode, bool fastStretch) override;
    void BltMatrix(Image* src, float x, float y, const Matrix3& matrix, const Rect& clip, const Color& color,
                   int drawMode, const Rect& srcRect, bool linearBlend) override;
    void BltTriangles(Image* src, const TriVertex (*vertices)[3], int numTriangles, const Color& color, int drawMode,
                      float tx, float ty, bool linearBlend) override;
    void BltMirror(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode) override;
    void StretchBltMirror(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip, const Color& color,
                          int drawMode, bool fastStretch) override;
    void StretchBltSprites(Image* src, const SpriteDraw* sprites, int count, const Rect& srcRect, const Rect& clip,
                           int drawMode, bool fastStretch) override;

    // The destination bounds of a rotated source rectangle, cut by the clip; false when nothing is left.
    static bool CalcRotatedBlit(float& x, float& y, const Rect& srcRect, const Rect& clip, DRect& bounds, double angle,
                                float centreX, float centreY);

    // Derived buffers, made on demand. A null display means the host's display, else the standard 32-bit one.
    // For a palette image the display data is a 256-entry table. For a fully opaque picture in a 32-bit display
    // with a byte per channel the display form equals the bits: those are returned and no copy is kept.
    virtual uint32_t* GetDisplayAlphaData(const NativeDisplay* display);
    // The display-format form of count ARGB pixels, as GetDisplayAlphaData makes it (format as SetPixelFormat
    // leaves it).
    static void ToDisplayPixels(const NativeDisplay& format, const uint32_t* argb, uint32_t* out, size_t count);
    // width x height bytes: per pixel, how many pixels from it (up to 255) share its class in its row.
    // Classes: alpha 0, alpha 255, other.
    virtual uint8_t* GetAlphaRunData();
    // As GetAlphaRunData, classes: premultiplied colour zero, other.
    virtual uint8_t* GetAdditiveRunData(const NativeDisplay* display);

    virtual void ReleaseBits();
    virtual void FreeSoftwareBuffers();
    virtual void FreeTextures();
    virtual void FreeDerivedBuffers();
    virtual void ReapplyOptions();
    virtual void BitsChanged();
    virtual void UpdateAlphaFlags();
    virtual void FreeDisplayData();
    virtual void Clear();
    virtual void SetBits(const uint32_t* argb, int width, int height, bool commit = true);
    // SetBits with a decoded picture's pixels, taking its array over when it has room for the guard word (the
    // picture is left empty then): the pixels are decoded once and kept once.
    void TakeBits(ImageLib::Image& decoded, bool commit = true);
    virtual void Create(int width, int height);
    // Always returns width x height words (rebuilt from the palette or display data when needed, zeros when
    // nothing is left), followed by the guard word; never null.
    virtual uint32_t* GetBits();
    virtual void ForceAlphaFlags(bool hasTransparency, bool hasAlpha);
    virtual void SetOpaqueCopy(bool opaqueCopy);
    virtual bool ConvertToPalette();

    ImageHost* GetHost() const { return mHost; }
    // Called by a host that goes away while the image lives on.
    void DetachHost() { mHost = nullptr; }
    // The host's 512-byte saturation table, or the standard one.
    const uint8_t* GetSaturationTable() const;
    // The display the host names, or the standard 32-bit one.
    const NativeDisplay* ResolveDisplay(const NativeDisplay* display) const;
    bool HasPixels() const { return mBits || mPaletteIndices; }
    // The ARGB value of a pixel in whatever form the image holds it (bits or palette); (x, y) must be inside.
    uint32_t GetPixel(int x, int y);
    // Small stretches of this picture kept for drawing it again (made on first use); dropped whenever its pixels
    // may have changed.
    StretchCache& GetStretchCache();
    void DropStretchCache();
    // True when the picture's pixels live on a display surface, where drawing changes them without a change count.
    virtual bool PixelsOnSurface() const { return false; }

    std::unique_ptr<uint32_t[]> mBits; // width x height + guard; null when purged or in palette form
    uint32_t mChangeCount = 0;
    void* mTextureData = nullptr; // owned by the 3D side; never made in software
    int mReserved = 0;
    std::unique_ptr<uint32_t[]> mPaletteTable;  // 256 ARGB entries
    std::unique_ptr<uint8_t[]> mPaletteIndices; // width x height
    bool mAlphaFlagsForced = false;
    bool mHasTransparency = false;
    bool mHasAlpha = false;
    bool mOpaqueCopy = false;
    bool mPurgeable = false;
    bool mWantsPalette = false;
    std::unique_ptr<uint32_t[]> mDisplayData; // display format, premultiplied; 256 entries for a palette image
    NativeDisplay mDisplayFormat;             // the format mDisplayData was made in
    std::unique_ptr<uint8_t[]> mAlphaRuns;
    std::unique_ptr<uint8_t[]> mAdditiveRuns;
    bool mBitsChanged = false;
    ImageHost* mHost = nullptr;
    int mHintFlags = 0;
    std::unique_ptr<StretchCache> mStretchCache;

protected:
    // The display form in mDisplayData (or, when allowed and the two are equal, the bits themselves).
    uint32_t* MakeDisplayData(const NativeDisplay* display, bool mayShareBits);
    // Whether the bits are word for word the display form in mDisplayFormat.
    bool DisplayFormIsBits() const;
    // Exact palette builder: fills the table and indices from the bits; false at the 257th distinct colour.
    bool Quantize();
    // Allocates width x height + 1 words with the guard written; null for an empty image.
    static std::unique_ptr<uint32_t[]> AllocateBits(int width, int height);
    // True when width and height are a size this image may hold.
    static bool IsValidSize(int width, int height);
    // The class bytes of one row turned into run lengths.
    static void WriteRuns(uint8_t* runs, const uint8_t* classes, int width);

private:
    void Register();
};

} // namespace Zest
