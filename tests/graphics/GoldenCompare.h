// The comparison every golden-picture test makes: the drawn picture against a committed PNG, pixel by pixel.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "data/ImageLib.h"

namespace ZestTest
{

// Compares `actual` with the PNG at `goldenPath`: a pixel is off when a channel differs by more than `tolerance`;
// more than `allowedOff` such pixels fail, and the drawn picture is then written to `actualName` in the working
// folder. With ZEST_UPDATE_GOLDEN=1 the PNG is written from `actual` instead and the test is skipped.
inline void ExpectMatchesGolden(const ImageLib::Image& actual, const std::string& goldenPath,
                                const std::string& actualName, int tolerance, int allowedOff)
{
    const char* update = std::getenv("ZEST_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1")
    {
        ASSERT_TRUE(ImageLib::WritePNGImage(goldenPath, actual));
        GTEST_SKIP() << "golden picture written to " << goldenPath;
    }
    auto golden = ImageLib::LoadPNGImage(goldenPath);
    ASSERT_TRUE(golden) << goldenPath;
    ASSERT_EQ(golden->GetWidth(), actual.GetWidth());
    ASSERT_EQ(golden->GetHeight(), actual.GetHeight());
    int off = 0;
    int worst = 0;
    for (int i = 0; i < actual.GetWidth() * actual.GetHeight(); ++i)
    {
        const uint32_t a = actual.GetBits()[i], b = golden->GetBits()[i];
        int diff = 0;
        for (int shift = 0; shift < 32; shift += 8)
            diff = std::max(diff, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
        worst = std::max(worst, diff);
        off += diff > tolerance;
    }
    if (off > allowedOff) ImageLib::WritePNGImage(actualName, actual);
    EXPECT_LE(off, allowedOff) << "pixels differing by more than " << tolerance << " (worst " << worst
                               << "); the drawn picture is in " << actualName << " in the working folder";
}

} // namespace ZestTest
