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

// Applies the entries from the read position to the end of the data. True when the data are whole entries and
// nothing else.
bool ApplyExtEntries(Buffer& buffer, PlayerList& players)
{
    for (size_t index = 0; BytesLeft(buffer) >= 2; ++index)
    {
        const int16_t length = buffer.ReadShort();
        if (length < 0 || BytesLeft(buffer) < length + kExtLevels * 8) return false; // a cut entry is no entry
        std::string name;
        for (int i = 0; i < length; ++i) name.push_back(static_cast<char>(buffer.ReadByte()));
        int32_t expert[kExtLevels], profit[kExtLevels];
        for (int32_t& v : expert) v = buffer.ReadLong();
        for (int32_t& v : profit) v = buffer.ReadLong();
        if (index >= players.size() || players[index]->name != name) continue;
        std::copy(expert, expert + kExtLevels, players[index]->expertFlags.begin() + PlayerProfile::kNumStoredLevels);
        std::copy(profit, profit + kExtLevels, players[index]->dayProfits.begin() + PlayerProfile::kNumStoredLevels);
    }
    return BytesLeft(buffer) == 0;
}

// The body of a companion (what follows magic and version) read as the given version: the entries that apply go
// to `players`. True when the body is exactly what a save of that version writes.
bool ReadExtBody(const uint8_t* body, int64_t size, int32_t version, PlayerList& players, const uint32_t* playersSum)
{
    Buffer buffer;
    buffer.SetData(body, static_cast<int>(size));
    if (version == kPlayersExtVersion1) return ApplyExtEntries(buffer, players);
    if (BytesLeft(buffer) < 4) return false;
    const int32_t blocks = buffer.ReadLong();
    // A save writes one block or two. A count that is neither still lets the blocks that follow be read.
    bool whole = blocks == 1 || blocks == 2;
    const int32_t wanted = whole ? blocks : 2;
    std::vector<ExtBlock> found;
    for (int32_t b = 0; b < wanted && BytesLeft(buffer) >= 8; ++b)
    {
        ExtBlock block;
        block.playersSum = static_cast<uint32_t>(buffer.ReadLong());
        const int64_t declared = static_cast<uint32_t>(buffer.ReadLong());
        // Of a block cut short, the whole entries still count (a cut entry does not).
        const int64_t length = std::min<int64_t>(declared, BytesLeft(buffer));
        whole = whole && length == declared;
        block.entries.resize(static_cast<size_t>(length));
        buffer.ReadBytes(block.entries.data(), static_cast<int>(length));
        found.push_back(std::move(block));
    }
    whole = whole && static_cast<int32_t>(found.size()) == blocks && BytesLeft(buffer) == 0;
    if (found.empty()) return whole;
    const ExtBlock* chosen = &found[0];
    for (const ExtBlock& block : found)
        if (playersSum != nullptr && block.playersSum == *playersSum)
        {
            chosen = &block;
            break;
        }
    for (const ExtBlock& block : found)
    {
        Buffer entries;
        entries.SetData(block.entries.data(), static_cast<int>(block.entries.size()));
        PlayerList none;
        whole = (&block == chosen ? ApplyExtEntries(entries, players) : ApplyExtEntries(entries, none)) && whole;
    }
    return whole;
}

} // namespace

bool DecodePlayersExt(Buffer& buffer, PlayerList& players, const uint32_t* playersSum, bool* damaged)
{
    if (damaged) *damaged = false;
    if (BytesLeft(buffer) < 8 || buffer.ReadLong() != kPlayersExtMagic) return false;
    const int32_t version = buffer.ReadLong();
    if (version != kPlayersExtVersion1 && version != kPlayersExtVersion) return false;
    const uint8_t* body = buffer.GetDataPtr() + 8;
    const int64_t size = BytesLeft(buffer);
    // Tried on an empty list first: a body that is not what its version says may be what the other version
    // writes (a version field changed on its own), and then its entries are all there.
    PlayerList none;
    if (ReadExtBody(body, size, version, none, playersSum))
    {
        ReadExtBody(body, size, version, players, playersSum);
        return true;
    }
    if (damaged) *damaged = true;
    const int32_t other = version == kPlayersExtVersion1 ? kPlayersExtVersion : kPlayersExtVersion1;
    if (ReadExtBody(body, size, other, none, playersSum))
        ReadExtBody(body, size, other, players, playersSum);
    else
        ReadExtBody(body, size, version, players, playersSum);
    return true;
}

// True when the data are a players.dat as a save writes it: the header and whole records, nothing after them.
bool PlayersFileIsWhole(const Buffer& playersFile)
{
    static const int64_t kRecordWithoutName = []
    {
        Buffer record;
        WriteProfileRecord(record, PlayerProfile{});
        return static_cast<int64_t>(record.GetDataLen());
    }();
    const uint8_t* data = playersFile.GetDataPtr();
    const int64_t size = playersFile.GetDataLen();
    if (size < 8) return false;
    const uint32_t magic =
        uint32_t{data[0]} | uint32_t{data[1]} << 8 | uint32_t{data[2]} << 16 | uint32_t{data[3]} << 24;
    if (magic != static_cast<uint32_t>(kPlayersFileMagic)) return false;
    int64_t at = 8;
    while (at < size)
    {
        if (size - at < 2) return false;
        const int16_t length = static_cast<int16_t>(data[at] | data[at + 1] << 8);
        if (length < 0 || size - at < length + kRecordWithoutName) return false;
        at += length + kRecordWithoutName;
    }
    return true;
}

void AddNotice(std::string& notice, const std::string& text)
{
    notice += (notice.empty() ? "" : "\n") + text;
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
    bool extDamaged = false;
    if (extExists || mFiles.PresentOnDisk(extPath))
    {
        Buffer ext;
        const bool extOk =
            extExists && mFiles.Read(extPath, ext) && DecodePlayersExt(ext, players, &mOnDisk.playersSum, &extDamaged);
        if (!extOk || extDamaged)
        {
            // The bytes are kept; what could be read stays with the players and goes into a fresh companion below.
            const std::string moved = MoveAside(extPath);
            const std::string text = "The results file " + extPath + " is damaged" +
                                     (moved.empty() ? "." : "; it was kept as " + moved + ".") +
                                     (extOk ? " The results that could be read were kept." : "");
            std::fprintf(stderr, "%s\n", text.c_str());
            AddNotice(notice, text);
            extDamaged = extOk && !moved.empty();
        }
    }
    mOnDisk.entries = EncodeExtEntries(players);

    if (!PlayersFileIsWhole(buffer))
    {
        // Cut short or with bytes no save writes: the players that could be read are played on, a copy of the
        // file as it was is kept aside, and a whole file takes its place at once, so that nothing read now is
        // lost should the game end before its next save.
        const std::string copy = DamagedFileName(mFiles, path);
        const bool kept = mFiles.Write(copy, buffer);
        const std::string text =
            kept ? "The player file was damaged; it was kept as " + copy + ". The players that could be read were kept."
                 : "The player file " + path + " is damaged and no copy of it could be kept.";
        std::fprintf(stderr, "%s\n", text.c_str());
        AddNotice(notice, text);
        if (kept) Save(currentPlayer, players);
    }
    else if (extDamaged)
    {
        // The results read from the damaged companion, for the players.dat on disk.
        Buffer fresh;
        EncodePlayersExt(fresh, players, mOnDisk.playersSum);
        mFiles.Write(extPath, fresh);
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
