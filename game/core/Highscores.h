// The table of the ten best chain owners: default rows, the file "highscores.dat", placing a new score.
#pragma once

#include "PlayerProfile.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace Zest
{

class Buffer;
class GameFiles;

struct HighscoreEntry
{
    std::string name;
    int32_t score = 0;
    // Expert goals reached in each pizzeria's ten days: entry k counts levels 10k+1 .. 10k+10.
    std::array<int32_t, 6> expertCounts{};

    bool operator==(const HighscoreEntry&) const = default;
};

constexpr int kNumHighscores = 10;
constexpr const char* kHighscoresFileName = "highscores.dat";

// Appends the ten default rows.
void ResetHighscores(std::vector<HighscoreEntry>& table);

// Rows 0..9, each the name, the score and the six counts; no header.
void EncodeHighscores(Buffer& buffer, const std::vector<HighscoreEntry>& table);
// Replaces the table by the file's complete records. A file with more than ten keeps the first ten; one with
// fewer is filled up with default rows and put back in order, best first, so that the table always has ten rows.
void DecodeHighscores(Buffer& buffer, std::vector<HighscoreEntry>& table);

// Expert counts of the profile's first sixty levels.
std::array<int32_t, 6> ExpertCounts(const PlayerProfile& profile);

// Places the row below every row with a higher score (a new row goes above equal ones), drops the last row and
// returns the place; kNumHighscores when the row did not make the table (the table is then unchanged).
int InsertHighscore(std::vector<HighscoreEntry>& table, const HighscoreEntry& entry);

// True when the data are ten whole rows and nothing else, as a save writes them.
bool HighscoresFileIsWhole(const Buffer& buffer);

// Loads the table from the file when it exists and reads; otherwise the table is left as it is. Something at the
// path that cannot be read is moved aside under a new name (see DamagedFileName), never replaced by a later save;
// a file that reads but is not whole is moved aside too and the rows read from it saved in its place. `notice`
// (when given) then says so.
void LoadHighscores(GameFiles& files, const std::string& path, std::vector<HighscoreEntry>& table,
                    std::string* notice = nullptr);
bool SaveHighscores(GameFiles& files, const std::string& path, const std::vector<HighscoreEntry>& table);

} // namespace Zest
