// The language table: every text the game shows, by number, in the language the language file names as current.
#pragma once

#include <set>
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

    // Language text n; a number outside the table gives an empty text (reported once per number), so a short
    // language file costs a label, not the game.
    const std::string& operator()(int n) const { return Get(n); }
    const std::string& Get(int n) const;

    std::vector<std::string> strings;
    std::string current;

private:
    mutable std::set<int> mReportedMissing;
};

// An amount of money as every screen writes it: the money sign (language text 65) right before the digits, and a
// minus, when there is one, before the sign ("-$5").
std::string MoneyText(const std::string& sign, long long amount);

} // namespace Zest
