// The players file ("players.dat") and its companion for the last ten days: layouts, reading, saving.
#pragma once

#include "PlayerProfile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Zest
{

class Buffer;
class GameFiles;

using PlayerList = std::vector<std::unique_ptr<PlayerProfile>>;

constexpr int32_t kPlayersFileMagic = 1108;
// Companion "players_ext.dat": magic, version, then the entries: per profile in players.dat order the name, ten
// expert flags and ten day profits of levels 61..70. Version 2 holds the entries in blocks, newest first, each
// with the checksum of the players.dat it goes with: a save writes the companion with the new block and the one
// for the players.dat still on disk, then players.dat, so whichever players.dat a crash leaves finds its own
// entries. Version 1 (the entries straight after the version) is still read.
constexpr int32_t kPlayersExtMagic = 0x45584543; // "CEXE" in file byte order
constexpr int32_t kPlayersExtVersion = 2;
constexpr int32_t kPlayersExtVersion1 = 1;
constexpr const char* kPlayersFileName = "players.dat";
constexpr const char* kPlayersExtFileName = "players_ext.dat";

// One record of players.dat (680 bytes plus the name). Note the stored order: reservedValue sits between level
// and money.
void WriteProfileRecord(Buffer& buffer, const PlayerProfile& profile);
// Reads one record; bytes missing at the end of the data read as 0.
void ReadProfileRecord(Buffer& buffer, PlayerProfile& profile);

// The whole players.dat: magic, current player, records to the end of the data.
void EncodePlayers(Buffer& buffer, int32_t currentPlayer, const PlayerList& players);
// False (list and current player untouched) when the magic is wrong. Records are read to the end of the data, a
// cut last one with zeros for what is missing; values no part of the game can use are brought into range (see
// SanitizeProfile) and a current player that names no profile becomes the first one, or -1 without profiles.
bool DecodePlayers(Buffer& buffer, int32_t& currentPlayer, PlayerList& players);

// Brings values that would index past the game's tables into range; valid values are left exactly as they are.
void SanitizeProfile(PlayerProfile& profile);

// Checksum of a whole players.dat (FNV-1a), as the companion's blocks name it.
uint32_t PlayersChecksum(const Buffer& playersFile);
// The entries of the profiles' levels 61..70, as a companion block holds them.
std::vector<uint8_t> EncodeExtEntries(const PlayerList& players);

struct ExtBlock
{
    uint32_t playersSum = 0;
    std::vector<uint8_t> entries;
};
// A version 2 companion with the profiles' entries for the players.dat of checksum `playersSum`, followed by
// `previous` (when given and for another players.dat).
void EncodePlayersExt(Buffer& buffer, const PlayerList& players, uint32_t playersSum = 0,
                      const ExtBlock* previous = nullptr);
// Applies each complete entry to the profile at the same position with the same name; others are ignored. Of a
// version 2 file the block for `playersSum` is applied, or the newest when none is for it (or no sum is given).
// False when the magic or version is wrong. `damaged` (when given) tells whether the file is anything but what a
// save writes (a count, length or entry that does not fit, bytes cut off or left over); the complete entries are
// applied all the same, read as the other version when the body is exactly what that version writes.
bool DecodePlayersExt(Buffer& buffer, PlayerList& players, const uint32_t* playersSum = nullptr,
                      bool* damaged = nullptr);
// True when the data are a players.dat as a save writes it: magic, current player and whole records only.
bool PlayersFileIsWhole(const Buffer& playersFile);
// Adds a line to a notice for the player.
void AddNotice(std::string& notice, const std::string& text);

// Reads and writes the players of one data folder ("" or ending in a separator).
class ProfileStore
{
public:
    ProfileStore(GameFiles& files, std::string dataFolder) : mFiles(files), mDataFolder(std::move(dataFolder)) {}

    std::string PlayersPath() const { return mDataFolder + kPlayersFileName; }
    std::string PlayersExtPath() const { return mDataFolder + kPlayersExtFileName; }

    // Fills an empty list. A missing file gives no players and -1. A damaged players.dat (wrong magic, or a file
    // that exists but cannot be read) is moved aside under a new name together with its companion, never
    // erased, and the game starts as if it were absent; `notice` then says where it went (empty otherwise).
    // A players.dat cut short or a damaged companion gives the players and results that could be read: the
    // damaged bytes are kept aside, whole files written in their place, and `notice` says so.
    void Load(int32_t& currentPlayer, PlayerList& players, std::string& notice);
    // Writes the companion, then players.dat, each whole; true when both were written. The companion keeps the
    // entries for the players.dat this store last read or wrote as well, so a crash between the two writes
    // leaves a matching pair either way.
    bool Save(int32_t currentPlayer, const PlayerList& players);

    const std::string& DataFolder() const { return mDataFolder; }

private:
    std::string MoveAside(const std::string& path);

    GameFiles& mFiles;
    std::string mDataFolder;
    // What players.dat on disk holds (its checksum) and the entries that go with it, once known.
    bool mOnDiskKnown = false;
    ExtBlock mOnDisk;
};

} // namespace Zest
