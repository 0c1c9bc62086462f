// Reading and writing the players file and its companion, byte for byte in the stored layout.
#include "ProfileFile.h"

#include "GameFiles.h"
#include "base/Buffer.h"

#include <algorithm>
#include <cstdio>

namespace Zest
{

namespace
{

constexpr int kExtLevels = PlayerProfile::kNumLevels - PlayerProfile::kNumStoredLevels;

// Highest row of each upgrade table (coffee sweetness, coffee speed, Akkum charge, Akkum work time, plate, food
// price, food taste): the tables hold 9, 9, 6, 6, 3, 11 and 11 rows.
constexpr int32_t kUpgradeMax[PlayerProfile::kNumUpgrades] = {8, 8, 5, 5, 2, 10, 10};

// Whole bytes left to read.
int64_t BytesLeft(const Buffer& buffer)
{
    return (static_cast<int64_t>(buffer.GetBitSize()) - buffer.GetReadBitPos()) / 8;
}

} // namespace

void WriteProfileRecord(Buffer& buffer, const PlayerProfile& p)
{
    buffer.WriteString(p.name);
    buffer.WriteLong(p.level);
    buffer.WriteLong(p.reservedValue);
    buffer.WriteLong(p.money);
    buffer.WriteBoolean(p.reservedFlag);
    buffer.WriteBoolean(p.noHints);
    for (int32_t v : p.recipes) buffer.WriteLong(v);
    for (int32_t v : p.upgrades) buffer.WriteLong(v);
    buffer.WriteLong(p.akkumCharge);
    for (int i = 0; i < PlayerProfile::kNumStoredLevels; ++i) buffer.WriteLong(p.expertFlags[i]);
    for (int i = 0; i < PlayerProfile::kNumStoredLevels; ++i) buffer.WriteLong(p.dayProfits[i]);
    for (int32_t v : p.hintsShown) buffer.WriteLong(v);
}

void ReadProfileRecord(Buffer& buffer, PlayerProfile& p)
{
    p.name = buffer.ReadString();
    p.level = buffer.ReadLong();
    p.reservedValue = buffer.ReadLong();
    p.money = buffer.ReadLong();
    p.reservedFlag = buffer.ReadBoolean();
    p.noHints = buffer.ReadBoolean();
    for (int32_t& v : p.recipes) v = buffer.ReadLong();
    for (int32_t& v : p.upgrades) v = buffer.ReadLong();
    p.akkumCharge = buffer.ReadLong();
    for (int i = 0; i < PlayerProfile::kNumStoredLevels; ++i) p.expertFlags[i] = buffer.ReadLong();
    for (int i = 0; i < PlayerProfile::kNumStoredLevels; ++i) p.dayProfits[i] = buffer.ReadLong();
    for (int32_t& v : p.hintsShown) v = buffer.ReadLong();
}

void SanitizeProfile(PlayerProfile& p)
{
    p.level = std::clamp(p.level, 1, PlayerProfile::kNumLevels + 1);
    for (int i = 0; i < PlayerProfile::kNumUpgrades; ++i) p.upgrades[i] = std::clamp(p.upgrades[i], 0, kUpgradeMax[i]);
    p.akkumCharge = std::clamp(p.akkumCharge, 0, 10);
}

void EncodePlayers(Buffer& buffer, int32_t currentPlayer, const PlayerList& players)
{
    buffer.WriteLong(kPlayersFileMagic);
    buffer.WriteLong(currentPlayer);
    for (const auto& p : players) WriteProfileRecord(buffer, *p);
}

bool DecodePlayers(Buffer& buffer, int32_t& currentPlayer, PlayerList& players)
{
    if (buffer.ReadLong() != kPlayersFileMagic) return false;
    int32_t current = buffer.ReadLong();
    PlayerList read;
    while (!buffer.AtEnd())
    {
        auto p = std::make_unique<PlayerProfile>();
        ReadProfileRecord(buffer, *p);
        SanitizeProfile(*p);
        read.push_back(std::move(p));
    }
    if (current < -1 || current >= static_cast<int32_t>(read.size())) current = read.empty() ? -1 : 0;
    for (auto& p : read) players.push_back(std::move(p));
    currentPlayer = current;
    return true;
}

uint32_t PlayersChecksum(const Buffer& playersFile)
{
    uint32_t sum = 2166136261u;
    const uint8_t* data = playersFile.GetDataPtr();
    for (int i = 0; i < playersFile.GetDataLen(); ++i)
    {
        sum ^= data[i];
        sum *= 16777619u;
    }
    return sum;
}

std::vector<uint8_t> EncodeExtEntries(const PlayerList& players)
{
    Buffer buffer;
    for (const auto& p : players)
    {
        buffer.WriteString(p->name);
        for (int i = PlayerProfile::kNumStoredLevels; i < PlayerProfile::kNumLevels; ++i)
            buffer.WriteLong(p->expertFlags[i]);
        for (int i = PlayerProfile::kNumStoredLevels; i < PlayerProfile::kNumLevels; ++i)
            buffer.WriteLong(p->dayProfits[i]);
    }
    return std::vector<uint8_t>(buffer.GetDataPtr(), buffer.GetDataPtr() + buffer.GetDataLen());
}

void EncodePlayersExt(Buffer& buffer, const PlayerList& players, uint32_t playersSum, const ExtBlock* previous)
{
    const std::vector<uint8_t> entries = EncodeExtEntries(players);
    const bool both = previous != nullptr && previous->playersSum != playersSum;
    buffer.WriteLong(kPlayersExtMagic);
    buffer.WriteLong(kPlayersExtVersion);
    buffer.WriteLong(both ? 2 : 1);
    buffer.WriteLong(static_cast<int32_t>(playersSum));
    buffer.WriteLong(static_cast<int32_t>(entries.size()));
    buffer.WriteBytes(entries.data(), static_cast<int>(entries.size()));
    if (!both) return;
    buffer.WriteLong(static_cast<int32_t>(previous->playersSum));
    buffer.WriteLong(static_cast<int32_t>(previous->entries.size()));
    buffer.WriteBytes(previous->entries.data(), static_cast<int>(previous->entries.size()));
}

namespace
{

// Applies the entries from the read position to the end of the data.
void ApplyExtEntries(Buffer& buffer, PlayerList& players)
{
    for (size_t index = 0; BytesLeft(buffer) >= 2; ++index)
    {
        const int16_t length = buffer.ReadShort();
        if (length < 0 || BytesLeft(buffer) < length + kExtLevels * 8) break; // a cut entry is no entry
        std::string name;
        for (int i = 0; i < length; ++i) name.push_back(static_cast<char>(buffer.ReadByte()));
        int32_t expert[kExtLevels], profit[kExtLevels];
        for (int32_t& v : expert) v = buffer.ReadLong();
        for (int32_t& v : profit) v = buffer.ReadLong();
        if (index >= players.size() || players[index]->name != name) continue;
        std::copy(expert, expert + kExtLevels, players[index]->expertFlags.begin() + PlayerProfile::kNumStoredLevels);
        std::copy(profit, profit + kExtLevels, players[index]->dayProfits.begin() + PlayerProfile::kNumStoredLevels);
    }
}

} // namespace

bool DecodePlayersExt(Buffer& buffer, PlayerList& players, const uint32_t* playersSum)
{
    if (BytesLeft(buffer) < 8 || buffer.ReadLong() != kPlayersExtMagic) return false;
    const int32_t version = buffer.ReadLong();
    if (version == kPlayersExtVersion1)
    {
        ApplyExtEntries(buffer, players);
        return true;
    }
    if (version != kPlayersExtVersion || BytesLeft(buffer) < 4) return false;
    const int32_t blocks = buffer.ReadLong();
    // A save writes at most two blocks. Of a block cut short, the whole entries still count (a cut entry does not).
    std::vector<ExtBlock> found;
    for (int32_t b = 0; b < blocks && b < 2 && BytesLeft(buffer) >= 8; ++b)
    {
        ExtBlock block;
        block.playersSum = static_cast<uint32_t>(buffer.ReadLong());
        const int64_t declared = static_cast<uint32_t>(buffer.ReadLong());
        const int64_t length = std::min<int64_t>(declared, BytesLeft(buffer));
        block.entries.resize(static_cast<size_t>(length));
        buffer.ReadBytes(block.entries.data(), static_cast<int>(length));
        found.push_back(std::move(block));
    }
    if (found.empty()) return true;
    const ExtBlock* chosen = &found[0];
    for (const ExtBlock& block : found)
        if (playersSum != nullptr && block.playersSum == *playersSum)
        {
            chosen = &block;
            break;
        }
    Buffer entries;
    entries.SetData(chosen->entries.data(), static_cast<int>(chosen->entries.size()));
    ApplyExtEntries(entries, players);
    return true;
}

std::string ProfileStore::MoveAside(const std::string& path)
{
    const std::string target = DamagedFileName(mFiles, path);
    if (!mFiles.Move(path, target)) return std::string();
    return target;
}

void ProfileStore::Load(int32_t& currentPlayer, PlayerList& players, std::string& notice)
{
    notice.clear();
    currentPlayer = -1;
    mOnDiskKnown = false;
    const std::string path = PlayersPath();
    const std::string extPath = PlayersExtPath();
    const bool exists = mFiles.Exists(path);
    // Something that is not a readable file (no read permission, a folder, a pipe, a link to a device) holds the
    // players as much as a damaged file may: it goes aside too, or the first save would replace it.
    if (!exists && !mFiles.PresentOnDisk(path)) return;

    Buffer buffer;
    if (!exists || !mFiles.Read(path, buffer) || !DecodePlayers(buffer, currentPlayer, players))
    {
        currentPlayer = -1;
        // The companion describes the same profiles; it stays with them. It goes first: should the program end
        // between the two moves, the next start finds the damaged file again and moves it, while a companion left
        // behind would be saved over.
        if (mFiles.PresentOnDisk(extPath)) MoveAside(extPath);
        const std::string moved = MoveAside(path);
        notice = moved.empty() ? "The player file " + path + " is damaged and could not be moved aside."
                               : "The player file was damaged; it was kept as " + moved + ".";
        std::fprintf(stderr, "%s\n", notice.c_str());
        return;
    }

    // From here on the players.dat on disk is known, and so (once applied) are the entries that go with it.
    mOnDiskKnown = true;
    mOnDisk.playersSum = PlayersChecksum(buffer);
    const bool extExists = mFiles.Exists(extPath);
    if (!extExists && !mFiles.PresentOnDisk(extPath))
    {
        mOnDisk.entries = EncodeExtEntries(players);
        return;
    }
    Buffer ext;
    const bool extOk = extExists && mFiles.Read(extPath, ext) && DecodePlayersExt(ext, players, &mOnDisk.playersSum);
    mOnDisk.entries = EncodeExtEntries(players);
    if (!extOk)
    {
        // Its results are lost for this run but the bytes are kept; the next save writes a fresh companion.
        const std::string moved = MoveAside(extPath);
        std::fprintf(stderr, "The results file %s is damaged%s\n", extPath.c_str(),
                     moved.empty() ? "." : ("; it was kept as " + moved + ".").c_str());
    }
}

bool ProfileStore::Save(int32_t currentPlayer, const PlayerList& players)
{
    Buffer main;
    EncodePlayers(main, currentPlayer, players);
    const uint32_t sum = PlayersChecksum(main);
    Buffer ext;
    EncodePlayersExt(ext, players, sum, mOnDiskKnown ? &mOnDisk : nullptr);
    // The companion first, holding the entries for both the new players.dat and the one still on disk: a crash
    // or a failed write before players.dat is replaced leaves a pair that still matches.
    // players.dat is saved even when the companion could not be: the rest of the progress is worth more than the
    // last ten days' results.
    const bool extOk = mFiles.Write(PlayersExtPath(), ext);
    const bool mainOk = mFiles.Write(PlayersPath(), main);
    if (mainOk)
    {
        mOnDiskKnown = true;
        mOnDisk = {sum, EncodeExtEntries(players)};
    }
    if (!extOk || !mainOk) std::fprintf(stderr, "Could not save the players to %s\n", PlayersPath().c_str());
    return extOk && mainOk;
}

} // namespace Zest
