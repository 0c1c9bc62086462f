// Zest::Rect, DRect, Point, Span, TriVertex and Insets: the small geometric value types of drawing.
#pragma once

#include <cstdint>

namespace Zest
{

// Covers the pixels x <= px < x + width, y <= py < y + height.
struct Rect
{
    int mX = 0;
    int mY = 0;
    int mWidth = 0;
    int mHeight = 0;

    constexpr Rect() = default;
    constexpr Rect(int x, int y, int w, int h) : mX(x), mY(y), mWidth(w), mHeight(h) {}

    // The overlap of two rectangles; (0, 0, 0, 0) when they do not overlap. A zero width or height keeps the
    // position. Edges are computed in 64 bits, so huge rectangles never overflow.
    Rect Intersection(const Rect& other) const;
    bool Intersects(const Rect& other) const;
    constexpr bool Contains(int x, int y) const
    {
        return x >= mX && y >= mY && int64_t(x) < int64_t(mX) + mWidth && int64_t(y) < int64_t(mY) + mHeight;
    }
    constexpr bool IsEmpty() const { return mWidth <= 0 || mHeight <= 0; }

    constexpr bool operator==(const Rect& o) const
    {
        return mX == o.mX && mY == o.mY && mWidth == o.mWidth && mHeight == o.mHeight;
    }
    constexpr bool operator!=(const Rect& o) const { return !(*this == o); }
};

// Inline: every blit and every sprite of a batch cuts its rectangle this way.
inline Rect Rect::Intersection(const Rect& other) const
{
    const int64_t left = mX > other.mX ? mX : other.mX;
    const int64_t right0 = int64_t(mX) + mWidth, right1 = int64_t(other.mX) + other.mWidth;
    const int64_t right = right0 < right1 ? right0 : right1;
    const int64_t top = mY > other.mY ? mY : other.mY;
    const int64_t bottom0 = int64_t(mY) + mHeight, bottom1 = int64_t(other.mY) + other.mHeight;
    const int64_t bottom = bottom0 < bottom1 ? bottom0 : bottom1;
    if (right - left < 0 || bottom - top < 0) return Rect();
    // left and top are one of the inputs; the differences are no larger than an input's width or height
    // unless that was negative, in which case the difference above was negative too.
    return Rect(int(left), int(top), int(right - left < INT32_MAX ? right - left : INT32_MAX),
                int(bottom - top < INT32_MAX ? bottom - top : INT32_MAX));
}

struct DRect
{
    double mX = 0;
    double mY = 0;
    double mWidth = 0;
    double mHeight = 0;

    constexpr DRect() = default;
    constexpr DRect(double x, double y, double w, double h) : mX(x), mY(y), mWidth(w), mHeight(h) {}
    explicit constexpr DRect(const Rect& r) : mX(r.mX), mY(r.mY), mWidth(r.mWidth), mHeight(r.mHeight) {}

    // As Rect::Intersection: a negative width or height gives (0, 0, 0, 0), a zero one keeps its position.
    DRect Intersection(const DRect& other) const;

    constexpr bool operator==(const DRect& o) const
    {
        return mX == o.mX && mY == o.mY && mWidth == o.mWidth && mHeight == o.mHeight;
    }
    constexpr bool operator!=(const DRect& o) const { return !(*this == o); }
};

struct Point
{
    int mX = 0;
    int mY = 0;

    constexpr Point() = default;
    constexpr Point(int x, int y) : mX(x), mY(y) {}
    constexpr bool operator==(const Point& o) const { return mX == o.mX && mY == o.mY; }
    constexpr bool operator!=(const Point& o) const { return !(*this == o); }
};

// One row piece to fill, height 1.
struct Span
{
    int mY = 0;
    int mX = 0;
    int mWidth = 0;
};

// A corner of a textured triangle: destination position, texture position in source pixels, and a packed
// 0xAARRGGBB colour where 0 means "use the triangle's colour".
struct TriVertex
{
    float x = 0;
    float y = 0;
    float u = 0;
    float v = 0;
    uint32_t color = 0;
};

struct Insets
{
    int mLeft = 0;
    int mTop = 0;
    int mRight = 0;
    int mBottom = 0;

    constexpr Insets() = default;
    constexpr Insets(int l, int t, int r, int b) : mLeft(l), mTop(t), mRight(r), mBottom(b) {}
};

} // namespace Zest
