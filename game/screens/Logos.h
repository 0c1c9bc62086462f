// The logo file ("properties/logos.xml"): logo screens shown before loading, pictures over the loading and title
// screens.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Zest
{

struct LogoPictureEntry
{
    std::string image;
    int32_t x = 0, y = 0;
    bool centred = false; // the image's centre at (x, y) rather than its top-left corner
};

struct LogoScreenEntry
{
    int32_t time = 0; // updates on screen; 0 or less: gone on the first update
    int32_t red = 0, green = 0, blue = 0;
    std::vector<LogoPictureEntry> pictures;
};

struct LogoFileData
{
    std::vector<LogoScreenEntry> screens;        // LogoAppearence/BeforeStartLoading/ShowLogo
    std::vector<LogoPictureEntry> loadingImages; // LogoAppearence/OnTitleLoading/Image
    std::vector<LogoPictureEntry> titleImages;   // LogoAppearence/OnTitle/Image
};

// False when the file cannot be opened. Elements count only under their exact enclosing path; a parse error
// keeps what was read before it. A missing backcolor is black, a missing colour part 0.
[[nodiscard]] bool ReadLogoFile(const std::string& fileName, LogoFileData& data);

} // namespace Zest
