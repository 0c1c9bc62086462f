// The geometry of a rotated blit, shared by the memory and surface paths so both cover the same pixels: the
// destination bounds, the per-row 16.16 source positions, the span cut that keeps every bilinear sample inside
// the source rectangle, and the bilinear area weights.
#pragma once

#include "graphics/Rect.h"

#include <cstdint>

namespace Zest
{

// The rotated source rectangle's destination bounds, intersected with clip; false when empty.
bool CalcRotatedBlit(float& x, float& y, const Rect& srcRect, const Rect& clip, DRect& bounds, double angle,
                     float centreX, float centreY);

// One destination row piece: pixels (mDestX + i, mDestY) for i in 0..mCount-1 read the source at
// (mU + i * du, mV + i * dv), 16.16, relative to the source rectangle.
struct RotatedSpan
{
    int mDestX = 0;
    int mDestY = 0;
    int mCount = 0;
    int32_t mU = 0;
    int32_t mV = 0;
};

class RotatedBlitWalker
{
public:
    // Computes bounds and steps; false when nothing is to be drawn.
    bool Begin(float x, float y, const Rect& srcRect, const Rect& clip, double angle, float centreX, float centreY);
    // Number of destination rows to visit (rows r = 0 .. GetRowCount() - 1).
    int GetRowCount() const { return mRowCount; }
    // The span of row r after the cut; false when the row draws nothing.
    bool GetRow(int r, RotatedSpan& span) const;
    int32_t GetStepU() const { return mDu; }
    int32_t GetStepV() const { return mDv; }
    const DRect& GetBounds() const { return mBounds; }

private:
    float mX = 0, mY = 0, mCentreX = 0, mCentreY = 0;
    double mCos = 1, mSin = 0;
    int mSrcWidth = 0, mSrcHeight = 0;
    DRect mBounds;
    int mX0 = 0, mY0 = 0, mLast = 0, mRowCount = 0;
    int32_t mDu = 0, mDv = 0;
};

// The four bilinear area weights of a 16.16 position (sum just under 65536): top-left, top-right, bottom-left,
// bottom-right. The fraction is forced odd so that no product reaches 2^32.
struct BilinearWeights
{
    uint32_t a00, a10, a01, a11;
};

inline BilinearWeights RotatedBlitWeights(int32_t u, int32_t v)
{
    const uint32_t fu = (uint32_t(u) & 0xFFFE) + 1;
    const uint32_t fv = (uint32_t(v) & 0xFFFE) + 1;
    return {((65536 - fu) * (65536 - fv)) >> 16, (fu * (65536 - fv)) >> 16, ((65536 - fu) * fv) >> 16, (fu * fv) >> 16};
}

} // namespace Zest
