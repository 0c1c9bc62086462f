// Intersections of the rectangle types.
#include "graphics/Rect.h"

#include <algorithm>

namespace Zest
{

Rect Rect::Intersection(const Rect& other) const
{
    const int64_t left = std::max<int64_t>(mX, other.mX);
    const int64_t right = std::min<int64_t>(int64_t(mX) + mWidth, int64_t(other.mX) + other.mWidth);
    const int64_t top = std::max<int64_t>(mY, other.mY);
    const int64_t bottom = std::min<int64_t>(int64_t(mY) + mHeight, int64_t(other.mY) + other.mHeight);
    if (right - left < 0 || bottom - top < 0) return Rect();
    // left and top are one of the inputs; the differences are no larger than an input's width or height
    // unless that was negative, in which case the difference above was negative too.
    return Rect(int(left), int(top), int(std::min<int64_t>(right - left, INT32_MAX)),
                int(std::min<int64_t>(bottom - top, INT32_MAX)));
}

bool Rect::Intersects(const Rect& other) const
{
    const Rect r = Intersection(other);
    return r.mWidth > 0 && r.mHeight > 0;
}

DRect DRect::Intersection(const DRect& other) const
{
    const double left = std::max(mX, other.mX);
    const double right = std::min(mX + mWidth, other.mX + other.mWidth);
    const double top = std::max(mY, other.mY);
    const double bottom = std::min(mY + mHeight, other.mY + other.mHeight);
    if (right - left < 0 || bottom - top < 0) return DRect();
    return DRect(left, top, right - left, bottom - top);
}

} // namespace Zest
