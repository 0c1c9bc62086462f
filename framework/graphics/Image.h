// Zest::Image, the abstract image every drawing goes to and from, and Zest::AnimInfo, its animation timing.
#pragma once

#include "graphics/Color.h"
#include "graphics/DrawMode.h"
#include "graphics/Rect.h"
#include "graphics/Transform.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Zest
{

enum AnimType : int
{
    AnimType_None = 0,
    AnimType_Once = 1,
    AnimType_PingPong = 2,
    AnimType_Loop = 3,
};

struct AnimInfo
{
    int mAnimType = AnimType_None;
    int mFrameDelay = 1;             // at least 1
    int mNumCels = 1;                // at least 1
    std::vector<int> mPerFrameDelay; // per frame; an entry below 1 means "use mFrameDelay"
    std::vector<int> mFrameMap;      // the cel of each frame (ping-pong)
    int mTotalAnimTime = 0;

    // Raises cels and delay to at least 1, builds the ping-pong sequence 0..n-1, n-2..1, sets the first and last
    // frame delays when beginDelay or endDelay is positive, and totals the time.
    void Compute(int numCels, int beginDelay = 0, int endDelay = 0);
};

// One picture of a batch drawn stretched: the rectangle it covers (in the destination's pixels) and its tint.
struct SpriteDraw
{
    Rect dest;
    Color color;
};

class Image
{
public:
    Image() = default;
    Image(const Image& other);
    Image& operator=(const Image&) = delete;
    virtual ~Image();

    // Drawing operations. None of them clips against a caller's clip unless it takes one; positions are in the
    // destination's pixels. The bodies here draw nothing.
    virtual bool FillPoly(const Point* vertices, int numVertices, const Rect& clip, const Color& color, int drawMode,
                          int tx, int ty);
    virtual void FillRect(const Rect& rect, const Color& color, int drawMode) = 0;
    // The outline covers (w + 1) x (h + 1) pixels.
    virtual void DrawRect(const Rect& rect, const Color& color, int drawMode);
    virtual void ClearRect(const Rect& rect);
    virtual void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode);
    virtual void DrawLineAntiAliased(double x1, double y1, double x2, double y2, const Color& color, int drawMode);
    virtual void FillSpans(const Span* spans, int count, const Color& color, int drawMode);
    // coverage: coverWidth x coverHeight bytes whose top-left lies at (coverX, coverY) in the destination.
    virtual void FillSpansWithCoverage(const Span* spans, int count, const Color& color, int drawMode,
                                       const uint8_t* coverage, int coverX, int coverY, int coverWidth,
                                       int coverHeight);
    virtual void Blt(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode);
    virtual void BltFloat(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                          int drawMode);
    // (x, y) is where the source rectangle's origin lands before rotation; the centre is relative to the source
    // rectangle; the angle is in radians (positive = anticlockwise on screen).
    virtual void BltRotated(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                            int drawMode, double angle, float centreX, float centreY);
    virtual void StretchBlt(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip, const Color& color,
                            int drawMode, bool fastStretch);
    virtual void BltMatrix(Image* src, float x, float y, const Matrix3& matrix, const Rect& clip, const Color& color,
                           int drawMode, const Rect& srcRect, bool linearBlend);
    // vertices: numTriangles groups of three corners.
    virtual void BltTriangles(Image* src, const TriVertex (*vertices)[3], int numTriangles, const Color& color,
                              int drawMode, float tx, float ty, bool linearBlend);
    // Draws the source rectangle flipped left to right.
    virtual void BltMirror(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode);
    virtual void StretchBltMirror(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                                  const Color& color, int drawMode, bool fastStretch);
    // One source rectangle stretched onto each sprite's rectangle with its colour, in order: exactly the picture of
    // as many StretchBlt calls, with what they share (the source, the mode, the clip, the lock) worked out once.
    // Particles draw a few hundred sprites of one picture at a time.
    virtual void StretchBltSprites(Image* src, const SpriteDraw* sprites, int count, const Rect& srcRect,
                                   const Rect& clip, int drawMode, bool fastStretch);

    int GetWidth() const { return mWidth; }
    int GetHeight() const { return mHeight; }
    // Cel rows and columns below 1 count as 1.
    int GetCelColumns() const { return mNumCols < 1 ? 1 : mNumCols; }
    int GetCelRows() const { return mNumRows < 1 ? 1 : mNumRows; }
    int GetCelWidth() const { return mWidth / GetCelColumns(); }
    int GetCelHeight() const { return mHeight / GetCelRows(); }
    // Column = cel % columns, row = cel / columns.
    Rect GetCelRect(int cel) const;
    // Copies cel rows, cel columns and (deeply) the animation info.
    void CopyAttributes(const Image* from);

    // Set to true on an image each time a blit reads it as its source.
    bool mDrawn = false;
    std::string mFilePath;
    int mWidth = 0;
    int mHeight = 0;
    int mNumRows = 1;
    int mNumCols = 1;
    std::unique_ptr<AnimInfo> mAnimInfo;
};

} // namespace Zest
