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

void EncodePlayersExt(Buffer& buffer, const PlayerList& players)
{
    buffer.WriteLong(kPlayersExtMagic);
    buffer.WriteLong(kPlayersExtVersion);
    for (const auto& p : players)
    {
        buffer.WriteString(p->name);
        for (int i = PlayerProfile::kNumStoredLevels; i < PlayerProfile::kNumLevels; ++i)
            buffer.WriteLong(p->expertFlags[i]);
        for (int i = PlayerProfile::kNumStoredLevels; i < PlayerProfile::kNumLevels; ++i)
            buffer.WriteLong(p->dayProfits[i]);
    }
}

bool DecodePlayersExt(Buffer& buffer, PlayerList& players)
{
    if (BytesLeft(buffer) < 8 || buffer.ReadLong() != kPlayersExtMagic) return false;
    if (buffer.ReadLong() != kPlayersExtVersion) return false;
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
        const std::string moved = MoveAside(path);
        // The companion describes the same profiles; it stays with them.
        if (mFiles.PresentOnDisk(extPath)) MoveAside(extPath);
        notice = moved.empty() ? "The player file " + path + " is damaged and could not be moved aside."
                               : "The player file was damaged; it was kept as " + moved + ".";
        std::fprintf(stderr, "%s\n", notice.c_str());
        return;
    }

    const bool extExists = mFiles.Exists(extPath);
    if (!extExists && !mFiles.PresentOnDisk(extPath)) return;
    Buffer ext;
    if (!extExists || !mFiles.Read(extPath, ext) || !DecodePlayersExt(ext, players))
    {
        // Its results are lost for this run but the bytes are kept; the next save writes a fresh companion.
        const std::string moved = MoveAside(extPath);
        std::fprintf(stderr, "The results file %s is damaged%s\n", extPath.c_str(),
                     moved.empty() ? "." : ("; it was kept as " + moved + ".").c_str());
    }
}

bool ProfileStore::Save(int32_t currentPlayer, const PlayerList& players)
{
    Buffer ext;
    EncodePlayersExt(ext, players);
    Buffer main;
    EncodePlayers(main, currentPlayer, players);
    // The companion first: should the second write fail, its entries still match the old players.dat by name.
    const bool extOk = mFiles.Write(PlayersExtPath(), ext);
    const bool mainOk = mFiles.Write(PlayersPath(), main);
    if (!extOk || !mainOk) std::fprintf(stderr, "Could not save the players to %s\n", PlayersPath().c_str());
    return extOk && mainOk;
}

} // namespace Zest
