// The high-score table: its defaults, its file, and where a new score lands.
#include "Highscores.h"

#include "GameFiles.h"
#include "base/Buffer.h"

#include <algorithm>
#include <cstdio>

namespace Zest
{

namespace
{

// The ranks of a kitchen, top to bottom: a fresh table reads as a staff list, not one name repeated.
const HighscoreEntry kDefaultRows[kNumHighscores] = {
    {"Chef", 100000, {10, 8, 6, 5, 4, 3}},       {"Chef's mate", 90000, {9, 8, 7, 5, 2, 1}},
    {"Scullion", 80000, {8, 7, 6, 5, 4, 3}},     {"Pizzaiolo", 70000, {8, 5, 3, 3, 2, 1}},
    {"Dough tosser", 60000, {8, 4, 3, 2, 2, 1}}, {"Sauce cook", 50000, {5, 3, 3, 2, 2, 1}},
    {"Oven minder", 40000, {4, 3, 3, 2, 2, 1}},  {"Apprentice", 30000, {4, 2, 2, 1, 1, 0}},
    {"Kitchen hand", 20000, {3, 2, 2, 1, 0, 0}}, {"Dishwasher", 10000, {2, 1, 1, 0, 0, 0}},
};

int64_t BytesLeft(const Buffer& buffer)
{
    return (static_cast<int64_t>(buffer.GetBitSize()) - buffer.GetReadBitPos()) / 8;
}

} // namespace

void ResetHighscores(std::vector<HighscoreEntry>& table)
{
    table.insert(table.end(), std::begin(kDefaultRows), std::end(kDefaultRows));
}

void EncodeHighscores(Buffer& buffer, const std::vector<HighscoreEntry>& table)
{
    for (size_t i = 0; i < table.size() && i < kNumHighscores; ++i)
    {
        buffer.WriteString(table[i].name);
        buffer.WriteLong(table[i].score);
        for (int32_t c : table[i].expertCounts) buffer.WriteLong(c);
    }
}

void DecodeHighscores(Buffer& buffer, std::vector<HighscoreEntry>& table)
{
    std::vector<HighscoreEntry> read;
    while (read.size() < kNumHighscores && BytesLeft(buffer) >= 2)
    {
        // A negative length reads as an empty name, as the players file's reader takes it, and the rows after it
        // still count.
        const int length = std::max<int>(0, buffer.ReadShort());
        // A record cut short is not a row: it would enter a zero score under a half name.
        if (BytesLeft(buffer) < length + 28) break;
        HighscoreEntry row;
        for (int i = 0; i < length; ++i) row.name.push_back(static_cast<char>(buffer.ReadByte()));
        row.score = buffer.ReadLong();
        for (int32_t& c : row.expertCounts) c = buffer.ReadLong();
        read.push_back(std::move(row));
    }
    // Every reader of the table relies on ten rows. The stored rows go first so that among equal scores they stay
    // above the defaults.
    if (read.size() < kNumHighscores)
        read.insert(read.end(), std::begin(kDefaultRows) + read.size(), std::end(kDefaultRows));
    // Best first, whether the file was short or full: a new score's place is counted on that order.
    std::stable_sort(read.begin(), read.end(),
                     [](const HighscoreEntry& a, const HighscoreEntry& b) { return a.score > b.score; });
    table = std::move(read);
}

std::array<int32_t, 6> ExpertCounts(const PlayerProfile& profile)
{
    std::array<int32_t, 6> counts{};
    for (int level = 1; level <= 60; ++level)
        if (profile.expertFlags[level - 1] != 0) ++counts[(level - 1) / 10];
    return counts;
}

int InsertHighscore(std::vector<HighscoreEntry>& table, const HighscoreEntry& entry)
{
    const int place = static_cast<int>(
        std::count_if(table.begin(), table.end(), [&](const HighscoreEntry& row) { return row.score > entry.score; }));
    if (place >= kNumHighscores) return kNumHighscores;
    table.insert(table.begin() + place, entry);
    if (table.size() > kNumHighscores) table.resize(kNumHighscores);
    return place;
}

bool HighscoresFileIsWhole(const Buffer& buffer)
{
    const uint8_t* data = buffer.GetDataPtr();
    const int64_t size = buffer.GetDataLen();
    int64_t at = 0;
    for (int row = 0; row < kNumHighscores; ++row)
    {
        if (size - at < 2) return false;
        const int16_t length = static_cast<int16_t>(data[at] | data[at + 1] << 8);
        if (length < 0 || size - at - 2 < length + 28) return false;
        at += 2 + length + 28;
    }
    return at == size;
}

void LoadHighscores(GameFiles& files, const std::string& path, std::vector<HighscoreEntry>& table, std::string* notice)
{
    Buffer buffer;
    const bool exists = files.Exists(path);
    if (exists && files.Read(path, buffer))
    {
        DecodeHighscores(buffer, table);
        if (HighscoresFileIsWhole(buffer)) return;
        // Rows missing, cut or followed by bytes no save writes: the rows that could be read are kept and saved
        // at once as a whole table, the file as it was is kept aside.
        const std::string target = DamagedFileName(files, path);
        const bool moved = files.Move(path, target);
        const std::string text = moved ? "The high-score file was damaged; it was kept as " + target +
                                             ". The scores that could be read were kept."
                                       : "The high-score file " + path + " is damaged and could not be moved aside.";
        std::fprintf(stderr, "%s\n", text.c_str());
        if (notice) *notice = text;
        if (moved) SaveHighscores(files, path, table);
        return;
    }
    if (!exists && !files.PresentOnDisk(path)) return;
    // There but not readable (no permission, too large, a folder or a pipe): the next save would replace it, so
    // it is kept aside under a new name and the table starts from its defaults.
    const std::string target = DamagedFileName(files, path);
    const std::string text = files.Move(path, target)
                                 ? "The high-score file could not be read; it was kept as " + target + "."
                                 : "The high-score file " + path + " could not be read or moved aside.";
    std::fprintf(stderr, "%s\n", text.c_str());
    if (notice) *notice = text;
}

bool SaveHighscores(GameFiles& files, const std::string& path, const std::vector<HighscoreEntry>& table)
{
    Buffer buffer;
    EncodeHighscores(buffer, table);
    const bool ok = files.Write(path, buffer);
    if (!ok) std::fprintf(stderr, "Could not save the high scores to %s\n", path.c_str());
    return ok;
}

} // namespace Zest
