// The language table: every text the game shows, by number, in the language the language file names as current.
#pragma once

#include <string>
#include <vector>

namespace Zest
{

class LngTable
{
public:
    // An empty table that then loads "properties/lng.xml".
    LngTable();
    // A table filled from another file (tests and tools); loadDefault false leaves it empty.
    explicit LngTable(bool loadDefault);

    // Appends the current language's texts of that file; a file that cannot be opened leaves the table unchanged.
    void Load(const std::string& fileName);

    // Language text n; a number beyond the table throws std::out_of_range.
    const std::string& operator()(int n) const { return strings.at(static_cast<size_t>(n)); }
    const std::string& Get(int n) const { return (*this)(n); }

    std::vector<std::string> strings;
    std::string current;
};

} // namespace Zest
