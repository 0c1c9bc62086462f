// The rotated-blit geometry: destination bounds, per-row 16.16 source positions and the span cut.
#include "graphics/RotatedBlit.h"

#include <algorithm>
#include <cmath>

namespace Zest
{

namespace
{
// Truncates toward zero into the 32-bit range; positions beyond it are outside any source anyway.
int32_t TruncToInt32(double v)
{
    if (!(v > -2147483648.0)) return INT32_MIN;
    if (!(v < 2147483647.0)) return INT32_MAX;
    return int32_t(v);
}

// A 16.16 source rectangle must keep (size << 16) inside 32 bits.
constexpr int kMaxRotatedSourceSize = 32767;
} // namespace

bool CalcRotatedBlit(float& x, float& y, const Rect& srcRect, const Rect& clip, DRect& bounds, double angle,
                     float centreX, float centreY)
{
    const float c = float(std::cos(angle));
    const float s = float(std::sin(angle));
    const float w = float(srcRect.mWidth);
    const float h = float(srcRect.mHeight);
    const float corners[4][2] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
    float minX = 10000000.0f, minY = 10000000.0f, maxX = -10000000.0f, maxY = -10000000.0f;
    for (const auto& corner : corners)
    {
        const float px = corner[0], py = corner[1];
        const float X = s * (py - centreY) + c * (px - centreX) + centreX + x;
        const float Y = (py - centreY) * c + centreY - s * (px - centreX) + y;
        minX = std::min(minX, X);
        maxX = std::max(maxX, X);
        minY = std::min(minY, Y);
        maxY = std::max(maxY, Y);
    }
    // The extent is a float difference like the corners themselves, so that the surface and memory forms and any
    // caller that repeats this arithmetic agree on the last row and column.
    const float width = maxX - minX, height = maxY - minY;
    bounds = DRect(minX, minY, width, height).Intersection(DRect(clip));
    return bounds.mWidth > 0 && bounds.mHeight > 0;
}

bool RotatedBlitWalker::Begin(float x, float y, const Rect& srcRect, const Rect& clip, double angle, float centreX,
                              float centreY)
{
    mRowCount = 0;
    if (srcRect.mWidth <= 0 || srcRect.mHeight <= 0 || srcRect.mWidth > kMaxRotatedSourceSize ||
        srcRect.mHeight > kMaxRotatedSourceSize || !std::isfinite(angle) || !std::isfinite(x) || !std::isfinite(y) ||
        !std::isfinite(centreX) || !std::isfinite(centreY))
        return false;
    if (!CalcRotatedBlit(x, y, srcRect, clip, mBounds, angle, centreX, centreY)) return false;
    mX = x;
    mY = y;
    mCentreX = centreX;
    mCentreY = centreY;
    mCos = std::cos(angle);
    mSin = std::sin(angle);
    mSrcWidth = srcRect.mWidth;
    mSrcHeight = srcRect.mHeight;
    mDu = TruncToInt32(mCos * 65536.0);
    mDv = TruncToInt32(mSin * 65536.0);
    mX0 = int(mBounds.mX);
    mY0 = int(mBounds.mY);
    mLast = int(mBounds.mWidth - 1.0);
    mRowCount = int(std::ceil(mBounds.mHeight));
    return mRowCount > 0;
}

bool RotatedBlitWalker::GetRow(int r, RotatedSpan& span) const
{
    if (r < 0 || r >= mRowCount) return false;
    const int Y = mY0 + r;
    const float t = float(mX0) - mCentreX - mX;
    const float sv = float(Y) - mCentreY - mY;
    const int64_t u0 = TruncToInt32((t * mCos - sv * mSin + mCentreX) * 65536.0);
    const int64_t v0 = TruncToInt32((sv * mCos + t * mSin + mCentreY) * 65536.0);
    const int64_t du = mDu, dv = mDv;
    const int64_t W = mSrcWidth, H = mSrcHeight;
    int64_t first = 0;
    int64_t last = mLast;

    if (du < 0)
    {
        if ((u0 >> 16) < 0) return false;
        const int64_t r1 = ((W << 16) - u0 - 0x27FFF) / du;
        if (r1 >= 0) first = r1;
        last = std::min(last, (0x7FFF - u0) / du);
    }
    else if (du > 0)
    {
        if ((u0 >> 16) >= W - 1) return false;
        const int64_t r1 = (0x10000 - u0) / du;
        if (r1 > 0) first = r1;
        last = std::min(last, ((W << 16) - u0 - 0x17FFF) / du);
    }
    else if (!(u0 >= 0 && u0 < (W << 16) - 0x10000))
    {
        return false;
    }

    if (dv < 0)
    {
        if ((v0 >> 16) < 0) return false;
        first = std::max(first, ((H << 16) - v0 - 0x27FFF) / dv);
        last = std::min(last, -(v0 / dv));
    }
    else if (dv > 0)
    {
        if ((v0 >> 16) >= H - 1) return false;
        first = std::max(first, (0x10000 - v0) / dv);
        last = std::min(last, ((H << 16) - v0 - 0x17FFF) / dv);
    }
    else if (!(v0 >= 0 && v0 < (H << 16) - 0x10000))
    {
        return false;
    }

    if (first > last) return false;
    span.mDestX = mX0 + int(first);
    span.mDestY = Y;
    span.mCount = int(last - first + 1);
    span.mU = int32_t(u0 + first * du);
    span.mV = int32_t(v0 + first * dv);
    return true;
}

} // namespace Zest
