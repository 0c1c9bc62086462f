// Font file lookup through fontconfig, with the answers kept per family and style.
#include "platform/FontLookup.h"

#include <map>
#include <mutex>
#include <tuple>

#include <fontconfig/fontconfig.h>

namespace Platform
{

namespace
{

FontFile Query(const std::string& family, bool bold, bool italic)
{
    FontFile found;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (config == nullptr) return found;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_OBLIQUE : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    if (match != nullptr)
    {
        FcChar8* file = nullptr;
        FcChar8* matchedFamily = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr)
            found.path = reinterpret_cast<const char*>(file);
        if (FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch && matchedFamily != nullptr)
            found.family = reinterpret_cast<const char*>(matchedFamily);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    return found;
}

} // namespace

FontFile FindFontFile(const std::string& family, bool bold, bool italic)
{
    // Building the font configuration reads every font folder's cache: do it once per question.
    static std::mutex lock;
    static std::map<std::tuple<std::string, bool, bool>, FontFile> answers;
    std::lock_guard<std::mutex> guard(lock);
    const auto key = std::make_tuple(family, bold, italic);
    auto it = answers.find(key);
    if (it == answers.end()) it = answers.emplace(key, Query(family, bold, italic)).first;
    return it->second;
}

} // namespace Platform
