// Zest::Image's default bodies and Zest::AnimInfo timing.
#include "graphics/Image.h"

namespace Zest
{

void AnimInfo::Compute(int numCels, int beginDelay, int endDelay)
{
    mNumCels = numCels < 1 ? 1 : numCels;
    if (mFrameDelay < 1) mFrameDelay = 1;

    if (mAnimType == AnimType_PingPong && mNumCels > 1)
    {
        mFrameMap.clear();
        for (int i = 0; i < mNumCels; ++i) mFrameMap.push_back(i);
        for (int i = mNumCels - 2; i >= 1; --i) mFrameMap.push_back(i);
    }
    if (!mFrameMap.empty()) mNumCels = int(mFrameMap.size());

    if (beginDelay > 0 || endDelay > 0)
    {
        // Entries of 0 mean "the frame delay"; the list is sized before the ends are written.
        mPerFrameDelay.resize(size_t(mNumCels), 0);
        if (beginDelay > 0) mPerFrameDelay.front() = beginDelay;
        if (endDelay > 0) mPerFrameDelay.back() = endDelay;
    }

    if (mPerFrameDelay.empty())
    {
        mTotalAnimTime = mNumCels * mFrameDelay;
    }
    else
    {
        mTotalAnimTime = 0;
        for (int& delay : mPerFrameDelay)
        {
            if (delay < 1) delay = mFrameDelay;
            mTotalAnimTime += delay;
        }
    }
}

Image::Image(const Image& other)
    : mDrawn(false), mFilePath(other.mFilePath), mWidth(other.mWidth), mHeight(other.mHeight), mNumRows(other.mNumRows),
      mNumCols(other.mNumCols), mAnimInfo(other.mAnimInfo ? std::make_unique<AnimInfo>(*other.mAnimInfo) : nullptr)
{
}

Image::~Image() = default;

bool Image::FillPoly(const Point*, int, const Rect&, const Color&, int, int, int)
{
    return false;
}

void Image::DrawRect(const Rect& r, const Color& color, int drawMode)
{
    FillRect(Rect(r.mX, r.mY, r.mWidth + 1, 1), color, drawMode);
    FillRect(Rect(r.mX, r.mY + r.mHeight, r.mWidth + 1, 1), color, drawMode);
    FillRect(Rect(r.mX, r.mY + 1, 1, r.mHeight - 1), color, drawMode);
    FillRect(Rect(r.mX + r.mWidth, r.mY + 1, 1, r.mHeight - 1), color, drawMode);
}

void Image::ClearRect(const Rect&) {}
void Image::DrawLine(double, double, double, double, const Color&, int) {}
void Image::DrawLineAntiAliased(double, double, double, double, const Color&, int) {}

void Image::FillSpans(const Span* spans, int count, const Color& color, int drawMode)
{
    if (!spans) return;
    for (int i = 0; i < count; ++i) FillRect(Rect(spans[i].mX, spans[i].mY, spans[i].mWidth, 1), color, drawMode);
}

void Image::FillSpansWithCoverage(const Span*, int, const Color&, int, const uint8_t*, int, int, int, int) {}
void Image::Blt(Image*, int, int, const Rect&, const Color&, int) {}
void Image::BltFloat(Image*, float, float, const Rect&, const Rect&, const Color&, int) {}
void Image::BltRotated(Image*, float, float, const Rect&, const Rect&, const Color&, int, double, float, float) {}
void Image::StretchBlt(Image*, const Rect&, const Rect&, const Rect&, const Color&, int, bool) {}
void Image::BltMatrix(Image*, float, float, const Matrix3&, const Rect&, const Color&, int, const Rect&, bool) {}
void Image::BltTriangles(Image*, const TriVertex (*)[3], int, const Color&, int, float, float, bool) {}
void Image::BltMirror(Image*, int, int, const Rect&, const Color&, int) {}
void Image::StretchBltMirror(Image*, const Rect&, const Rect&, const Rect&, const Color&, int, bool) {}

void Image::StretchBltSprites(Image* src, const SpriteDraw* sprites, int count, const Rect& srcRect, const Rect& clip,
                              int drawMode, bool fastStretch)
{
    if (!sprites) return;
    for (int i = 0; i < count; ++i)
        StretchBlt(src, sprites[i].dest, srcRect, clip, sprites[i].color, drawMode, fastStretch);
}

Rect Image::GetCelRect(int cel) const
{
    const int cols = GetCelColumns();
    const int w = GetCelWidth();
    const int h = GetCelHeight();
    return Rect((cel % cols) * w, (cel / cols) * h, w, h);
}

void Image::CopyAttributes(const Image* from)
{
    if (!from || from == this) return;
    mNumRows = from->mNumRows;
    mNumCols = from->mNumCols;
    mAnimInfo = from->mAnimInfo ? std::make_unique<AnimInfo>(*from->mAnimInfo) : nullptr;
}

} // namespace Zest
