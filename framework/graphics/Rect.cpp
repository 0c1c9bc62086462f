// Intersections of the rectangle types.
#include "graphics/Rect.h"

#include <algorithm>

namespace Zest
{

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
