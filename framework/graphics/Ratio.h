// Zest::Ratio: an aspect ratio kept reduced, and the "wider than" comparison the display device uses.
#pragma once

#include <cstdint>
#include <numeric>

namespace Zest
{

struct Ratio
{
    int mNumerator = 1;
    int mDenominator = 1;

    constexpr Ratio() = default;
    Ratio(int numerator, int denominator) { Set(numerator, denominator); }

    // Reduced by the greatest common divisor; a zero (or negative) component makes 1/1, so no caller ever
    // divides by zero.
    void Set(int numerator, int denominator)
    {
        if (numerator <= 0 || denominator <= 0)
        {
            mNumerator = 1;
            mDenominator = 1;
            return;
        }
        const int g = std::gcd(numerator, denominator);
        mNumerator = numerator / g;
        mDenominator = denominator / g;
    }

    // a/b is wider than c/d when a > c*b/d or a*d/b > c, in integer division.
    bool IsWider(const Ratio& other) const
    {
        const int64_t a = mNumerator, b = mDenominator, c = other.mNumerator, d = other.mDenominator;
        return a > c * b / d || a * d / b > c;
    }

    bool operator==(const Ratio& other) const
    {
        return mNumerator == other.mNumerator && mDenominator == other.mDenominator;
    }
};

} // namespace Zest
