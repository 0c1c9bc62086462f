// Finding the file of an installed font face by family name and style, the way the desktop does (fontconfig).
//
// Implements: one query for a family, weight (regular or bold) and slant (upright or italic/oblique), answered with
// the path of the best matching scalable face file, remembered per query for the life of the process. Leaves out:
// font lists and enumeration, face indexes inside collections, languages and character coverage, watching for fonts
// installed while the program runs.
#pragma once

#include <string>

namespace Platform
{

struct FontFile
{
    std::string path;   // empty when no face could be found
    std::string family; // the family the match came from (the desktop may substitute another)
};

// The face file for the family in the given style. A family that is not installed yields the desktop's
// substitute; `family` in the result tells which was chosen.
FontFile FindFontFile(const std::string& family, bool bold, bool italic);

} // namespace Platform
