// Zest::Color: an RGBA colour of four plain ints, and the packed 0xAARRGGBB form the images use.
#pragma once

#include <cstdint>

namespace Zest
{

struct Color
{
    int mRed = 0;
    int mGreen = 0;
    int mBlue = 0;
    int mAlpha = 255;

    constexpr Color() = default;
    constexpr Color(int r, int g, int b) : mRed(r), mGreen(g), mBlue(b), mAlpha(255) {}
    constexpr Color(int r, int g, int b, int a) : mRed(r), mGreen(g), mBlue(b), mAlpha(a) {}
    // From an array of at least three ints (red, green, blue): alpha becomes 255.
    explicit constexpr Color(const int* rgb) : mRed(rgb[0]), mGreen(rgb[1]), mBlue(rgb[2]), mAlpha(255) {}
    // From a packed 0xAARRGGBB word. An alpha byte of 0 reads as 255, so a packed value is never transparent.
    explicit constexpr Color(uint32_t argb)
        : mRed(int((argb >> 16) & 0xFF)), mGreen(int((argb >> 8) & 0xFF)), mBlue(int(argb & 0xFF)),
          mAlpha((argb >> 24) == 0 ? 255 : int(argb >> 24))
    {
    }
    explicit constexpr Color(int argb) : Color(static_cast<uint32_t>(argb)) {}
    // Copies keep all four components.
    constexpr Color(const Color&) = default;
    constexpr Color& operator=(const Color&) = default;

    constexpr int GetRed() const { return mRed; }
    constexpr int GetGreen() const { return mGreen; }
    constexpr int GetBlue() const { return mBlue; }
    constexpr int GetAlpha() const { return mAlpha; }

    // (alpha << 24) | (red << 16) | (green << 8) | blue, unmasked, in unsigned arithmetic so that
    // out-of-range components never shift into undefined behaviour.
    constexpr uint32_t ToInt() const
    {
        return (static_cast<uint32_t>(mAlpha) << 24) | (static_cast<uint32_t>(mRed) << 16) |
               (static_cast<uint32_t>(mGreen) << 8) | static_cast<uint32_t>(mBlue);
    }

    // A copy with every component limited to 0..255; the packed pixel arithmetic and the saturation tables
    // rely on it, so every image operation clamps its own copy at entry.
    constexpr Color Clamped() const { return Color(Clamp8(mRed), Clamp8(mGreen), Clamp8(mBlue), Clamp8(mAlpha)); }

    constexpr bool operator==(const Color& o) const
    {
        return mRed == o.mRed && mGreen == o.mGreen && mBlue == o.mBlue && mAlpha == o.mAlpha;
    }
    constexpr bool operator!=(const Color& o) const { return !(*this == o); }

    // Equal to White in all four components: image operations then skip colourisation.
    constexpr bool IsWhite() const;

    static const Color White;
    static const Color Black;

private:
    static constexpr int Clamp8(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
};

inline constexpr Color Color::White{255, 255, 255, 255};
inline constexpr Color Color::Black{0, 0, 0, 255};

constexpr bool Color::IsWhite() const
{
    return *this == White;
}

} // namespace Zest
