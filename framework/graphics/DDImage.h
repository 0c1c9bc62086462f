// Zest::DDImage: an image that may own or borrow a display surface in the display's pixel format and then draws
// straight onto it in software (16 and 32 bits, normal and additive), falling back to the memory routines.
#pragma once

#include "graphics/MemoryImage.h"
#include "platform/Surfaces.h"

#include <vector>

namespace Zest
{

class DDInterface;

class DDImage : public MemoryImage
{
public:
    explicit DDImage(DDInterface* display);
    ~DDImage() override;

    bool FillPoly(const Point* vertices, int numVertices, const Rect& clip, const Color& color, int drawMode, int tx,
                  int ty) override;
    void FillRect(const Rect& rect, const Color& color, int drawMode) override;
    void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode) override;
    void DrawLineAntiAliased(double x1, double y1, double x2, double y2, const Color& color, int drawMode) override;
    void FillSpansWithCoverage(const Span* spans, int count, const Color& color, int drawMode, const uint8_t* coverage,
                               int coverX, int coverY, int coverWidth, int coverHeight) override;
    void Blt(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode) override;
    void BltFloat(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                  int drawMode) override;
    void BltRotated(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                    int drawMode, double angle, float centreX, float centreY) override;
    void StretchBlt(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip, const Color& color,
                    int drawMode, bool fastStretch) override;
    void BltMatrix(Image* src, float x, float y, const Matrix3& matrix, const Rect& clip, const Color& color,
                   int drawMode, const Rect& srcRect, bool linearBlend) override;
    void BltTriangles(Image* src, const TriVertex (*vertices)[3], int numTriangles, const Color& color, int drawMode,
                      float tx, float ty, bool linearBlend) override;
    void BltMirror(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode) override;
    void StretchBltMirror(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip, const Color& color,
                          int drawMode, bool fastStretch) override;
    void ReleaseBits() override;
    void FreeDerivedBuffers() override;
    void ReapplyOptions() override;
    void BitsChanged() override;
    void UpdateAlphaFlags() override;
    void FreeDisplayData() override;
    void Create(int width, int height) override;
    uint32_t* GetBits() override;
    bool ConvertToPalette() override;
    bool PixelsOnSurface() const override { return mSurface != nullptr; }

    virtual void SetVideoMemory(bool videoMemory);
    virtual bool RebuildSurface();
    virtual void NormalFillRect(const Rect& rect, const Color& color);
    virtual void AdditiveFillRect(const Rect& rect, const Color& color);
    virtual void NormalBlt(Image* src, int x, int y, const Rect& srcRect, const Color& color);
    virtual void AdditiveBlt(Image* src, int x, int y, const Rect& srcRect, const Color& color);
    virtual void NormalDrawLine(double x1, double y1, double x2, double y2, const Color& color);
    virtual void AdditiveDrawLine(double x1, double y1, double x2, double y2, const Color& color);
    virtual void NormalDrawLineAntiAliased(double x1, double y1, double x2, double y2, const Color& color);
    // An additive anti-aliased line on a surface draws nothing.
    virtual void AdditiveDrawLineAntiAliased(double, double, double, double, const Color&) {}
    virtual void NormalBltMirror(Image* src, int x, int y, const Rect& srcRect, const Color& color);
    virtual void AdditiveBltMirror(Image* src, int x, int y, const Rect& srcRect, const Color& color);
    virtual bool LockSurface();
    virtual bool UnlockSurface();
    virtual Platform::HRESULT SetSurface(Platform::IDirectDrawSurface* surface);

    bool IsDrawnThrough3D() const;
    static bool IsDrawnThrough3DFor(Image* image);
    Platform::IDirectDrawSurface* EnsureSurface();
    bool CreateSurfaceFromBits();
    void FreeSurface();
    void FreeSoftwareAfterSurfaceDraw();
    // Packs ARGB bits of the image's size into the surface (no colour key: a borrowed surface has none).
    void WriteBitsToSurface(const uint32_t* bits);
    // The display is about to release its device: an owned surface is read back and dropped (made again on next
    // use), a borrowed one is simply let go.
    void DropSurfaceForDevice();

    DDInterface* mDDInterface;
    Platform::IDirectDrawSurface* mSurface = nullptr;
    bool mSurfaceBorrowed = false;
    bool mNoSoftwareAccess = false;
    bool mVideoMemory = false;
    bool mSurfaceWanted = false;
    int mLockCount = 0;
    Platform::DDSURFACEDESC2 mLockDesc;

    // 32-bit blits take whole runs with vector code; off, every pixel goes through the per-pixel routine (tests
    // compare the two).
    static inline bool sVectorSpans = true;

private:
    // Plain: no per-pixel alpha, no transparency, 3D off.
    bool IsPlain() const;
    // The surface-to-surface blit; false when it could not be done (the caller then copies in software).
    bool SurfaceBlt(DDImage* src, int x, int y, const Rect& srcRect);
    template <bool Mirror>
    void SoftwareBlt(Image* src, int x, int y, const Rect& srcRect, const Color& color, bool additive);
    void StretchToSurface(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip, const Color& color,
                          int drawMode, bool fastStretch, bool mirror);
    // StretchToSurface's sampling and drawing onto the locked surface (view: the surface as the blits see it).
    void StretchRows(MemoryImage& source, const Rect& destRect, const Rect& srcRect, const Rect& usable,
                     const Rect& area, const Color& color, bool additive, bool fastStretch, bool mirror,
                     const void* view);
    void DrawSurfaceLine(double x1, double y1, double x2, double y2, const Color& color, bool additive);

    // The samples of StretchToSurface's visible part and the format it converts them to, kept between calls:
    // particles stretch thousands of small sprites a frame.
    std::vector<uint32_t> mStretchPixels, mStretchOut;
    NativeDisplay mStretchFormat;
};

} // namespace Zest
