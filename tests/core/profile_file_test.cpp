// Players file and its companion: exact bytes, cut and damaged files, moving aside, atomic saves.
#include "CoreTestSupport.h"
#include "base/Buffer.h"
#include "game/core/GameFiles.h"
#include "game/core/ProfileFile.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

using namespace Zest;

namespace
{

std::string Bytes(const Buffer& b)
{
    return std::string(reinterpret_cast<const char*>(b.GetDataPtr()), static_cast<size_t>(b.GetDataLen()));
}

std::unique_ptr<PlayerProfile> Everything(const std::string& name, int seed)
{
    auto p = std::make_unique<PlayerProfile>();
    p->name = name;
    p->level = 37;
    p->money = 123456 + seed;
    p->reservedValue = -7;
    p->reservedFlag = false;
    p->noHints = true;
    for (int i = 0; i < PlayerProfile::kNumRecipes; ++i) p->recipes[i] = i % 2;
    p->upgrades = {1, 2, 3, 4, 2, 5, 6};
    p->akkumCharge = 9;
    for (int i = 0; i < PlayerProfile::kNumLevels; ++i)
    {
        p->expertFlags[i] = (i + seed) % 2;
        p->dayProfits[i] = 1000 * i + seed;
    }
    for (int i = 0; i < PlayerProfile::kNumHints; ++i) p->hintsShown[i] = i % 3 == 0;
    return p;
}

// Compares every field; results only of the levels held in players.dat unless `levels` says otherwise.
void ExpectSame(const PlayerProfile& a, const PlayerProfile& b, int levels = PlayerProfile::kNumLevels)
{
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.level, b.level);
    EXPECT_EQ(a.money, b.money);
    EXPECT_EQ(a.reservedValue, b.reservedValue);
    EXPECT_EQ(a.reservedFlag, b.reservedFlag);
    EXPECT_EQ(a.noHints, b.noHints);
    EXPECT_EQ(a.recipes, b.recipes);
    EXPECT_EQ(a.upgrades, b.upgrades);
    EXPECT_EQ(a.akkumCharge, b.akkumCharge);
    for (int i = 0; i < levels; ++i)
    {
        EXPECT_EQ(a.expertFlags[i], b.expertFlags[i]) << i;
        EXPECT_EQ(a.dayProfits[i], b.dayProfits[i]) << i;
    }
    EXPECT_EQ(a.hintsShown, b.hintsShown);
}

} // namespace

TEST(ProfileFile, GoldenBytesOfHeaderAndOneNewRecord)
{
    PlayerList none;
    Buffer empty;
    EncodePlayers(empty, -1, none);
    EXPECT_EQ(Bytes(empty), std::string("\x54\x04\x00\x00\xff\xff\xff\xff", 8));

    PlayerList one;
    one.push_back(std::make_unique<PlayerProfile>());
    one[0]->name = "Ann";
    one[0]->money = 0x01020304;
    one[0]->reservedValue = 0x0a0b0c0d;
    Buffer b;
    EncodePlayers(b, 0, one);
    const std::string s = Bytes(b);
    ASSERT_EQ(s.size(), 8u + 683u);
    EXPECT_EQ(s.substr(4, 4), std::string("\0\0\0\0", 4));
    EXPECT_EQ(s.substr(8, 5), std::string("\x03\x00"
                                          "Ann",
                                          5));
    EXPECT_EQ(s.substr(13, 4), std::string("\x01\0\0\0", 4));         // level
    EXPECT_EQ(s.substr(17, 4), std::string("\x0d\x0c\x0b\x0a", 4));   // reserved value before money
    EXPECT_EQ(s.substr(21, 4), std::string("\x04\x03\x02\x01", 4));   // money
    EXPECT_EQ(s.substr(25, 2), std::string("\x01\x00", 2));           // reserved flag, no hints
    EXPECT_EQ(s.substr(27, 8), std::string("\x01\0\0\0\0\0\0\0", 8)); // recipe 0 owned
}

TEST(ProfileFile, RoundTripKeepsEveryFieldAndIsStable)
{
    PlayerList players;
    players.push_back(Everything("Ann", 1));
    players.push_back(Everything("Bob the second", 2));
    Buffer b;
    EncodePlayers(b, 1, players);
    Buffer ext;
    EncodePlayersExt(ext, players);

    PlayerList back;
    int32_t current = -5;
    ASSERT_TRUE(DecodePlayers(b, current, back));
    ASSERT_TRUE(DecodePlayersExt(ext, back));
    EXPECT_EQ(current, 1);
    ASSERT_EQ(back.size(), 2u);
    for (size_t i = 0; i < 2; ++i) ExpectSame(*players[i], *back[i]);

    Buffer again;
    EncodePlayers(again, current, back);
    EXPECT_EQ(Bytes(again), Bytes(b));
}

TEST(ProfileFile, CutRecordReadsZerosThenRangesAreMended)
{
    PlayerList players;
    players.push_back(Everything("Ann", 1));
    players.push_back(Everything("Bob", 2));
    Buffer full;
    EncodePlayers(full, 1, players);
    // The second record stops inside its level field.
    const int cut = 8 + 683 + 2 + 3 + 2;
    Buffer b;
    b.SetData(full.GetDataPtr(), cut);

    PlayerList back;
    int32_t current = 0;
    ASSERT_TRUE(DecodePlayers(b, current, back));
    ASSERT_EQ(back.size(), 2u);
    ExpectSame(*players[0], *back[0], PlayerProfile::kNumStoredLevels);
    EXPECT_EQ(back[1]->name, "Bob");
    EXPECT_EQ(back[1]->level, 37); // the two low bytes of 37 survived the cut
    EXPECT_EQ(back[1]->money, 0);
    EXPECT_FALSE(back[1]->reservedFlag);
}

TEST(ProfileFile, OutOfRangeValuesAndCurrentPlayerAreMended)
{
    struct Case
    {
        int32_t level, upgrade0, upgrade4, charge, current;
        int32_t wantLevel, wantUpgrade0, wantUpgrade4, wantCharge, wantCurrent;
    };
    const Case cases[] = {
        {1, 0, 0, 0, 0, 1, 0, 0, 0, 0},       // valid values untouched
        {71, 8, 2, 10, -1, 71, 8, 2, 10, -1}, // the top of every range is valid
        {0, -1, 3, 11, 1, 1, 0, 2, 10, 0},    // below and above; current past the list
        {500, 99, -4, -3, -2, 71, 8, 0, 0, 0},
    };
    for (const Case& c : cases)
    {
        PlayerList players;
        players.push_back(std::make_unique<PlayerProfile>());
        players[0]->level = c.level;
        players[0]->upgrades[0] = c.upgrade0;
        players[0]->upgrades[4] = c.upgrade4;
        players[0]->akkumCharge = c.charge;
        Buffer b;
        EncodePlayers(b, c.current, players);
        PlayerList back;
        int32_t current = 99;
        ASSERT_TRUE(DecodePlayers(b, current, back));
        EXPECT_EQ(back[0]->level, c.wantLevel) << c.level;
        EXPECT_EQ(back[0]->upgrades[0], c.wantUpgrade0);
        EXPECT_EQ(back[0]->upgrades[4], c.wantUpgrade4);
        EXPECT_EQ(back[0]->akkumCharge, c.wantCharge);
        EXPECT_EQ(current, c.wantCurrent);
    }
    Buffer headerOnly;
    EncodePlayers(headerOnly, 3, {});
    PlayerList none;
    int32_t current = 0;
    ASSERT_TRUE(DecodePlayers(headerOnly, current, none));
    EXPECT_EQ(current, -1);
}

TEST(ProfileFile, CompanionAppliesOnlyToTheSameNameAtTheSamePlace)
{
    PlayerList saved;
    saved.push_back(Everything("Ann", 1));
    saved.push_back(Everything("Bob", 2));
    saved.push_back(Everything("Cid", 3));
    Buffer ext;
    EncodePlayersExt(ext, saved);
    // A cut last entry is not applied either.
    Buffer cut;
    cut.SetData(ext.GetDataPtr(), ext.GetDataLen() - 1);

    PlayerList now;
    now.push_back(std::make_unique<PlayerProfile>());
    now[0]->name = "Ann";
    now.push_back(std::make_unique<PlayerProfile>());
    now[1]->name = "Zed"; // Bob was replaced
    now.push_back(std::make_unique<PlayerProfile>());
    now[2]->name = "Cid";
    ASSERT_TRUE(DecodePlayersExt(cut, now));
    EXPECT_EQ(now[0]->dayProfits[60], saved[0]->dayProfits[60]);
    EXPECT_EQ(now[0]->expertFlags[69], saved[0]->expertFlags[69]);
    EXPECT_EQ(now[0]->dayProfits[59], 0); // levels 1..60 come from players.dat only
    EXPECT_EQ(now[1]->dayProfits[60], 0);
    EXPECT_EQ(now[2]->dayProfits[69], 0);

    Buffer wrong;
    wrong.WriteLong(kPlayersFileMagic);
    wrong.WriteLong(kPlayersExtVersion);
    EXPECT_FALSE(DecodePlayersExt(wrong, now));
}

TEST(ProfileStore, SaveThenLoadThroughTheDataFolder)
{
    CoreTest::TempFolder dir;
    DiskGameFiles files;
    ProfileStore store(files, dir.Folder() + "deeper/");
    PlayerList players;
    players.push_back(Everything("Ann", 1));
    ASSERT_TRUE(store.Save(0, players));

    PlayerList back;
    int32_t current = -1;
    std::string notice;
    store.Load(current, back, notice);
    EXPECT_TRUE(notice.empty());
    EXPECT_EQ(current, 0);
    ASSERT_EQ(back.size(), 1u);
    ExpectSame(*players[0], *back[0]);

    // Without the companion the last ten days are simply empty.
    std::filesystem::remove(dir.path / "deeper" / kPlayersExtFileName);
    PlayerList noExt;
    store.Load(current, noExt, notice);
    ASSERT_EQ(noExt.size(), 1u);
    EXPECT_EQ(noExt[0]->dayProfits[59], players[0]->dayProfits[59]);
    EXPECT_EQ(noExt[0]->dayProfits[60], 0);
}

TEST(ProfileStore, MissingFileMeansNoPlayers)
{
    CoreTest::TempFolder dir;
    DiskGameFiles files;
    ProfileStore store(files, dir.Folder());
    PlayerList players;
    int32_t current = 5;
    std::string notice;
    store.Load(current, players, notice);
    EXPECT_EQ(current, -1);
    EXPECT_TRUE(players.empty());
    EXPECT_TRUE(notice.empty());
}

TEST(ProfileStore, DamagedFileIsMovedAsideWithItsCompanionNeverOverwritten)
{
    CoreTest::TempFolder dir;
    DiskGameFiles files;
    ProfileStore store(files, dir.Folder());
    const std::string badMagic("\x53\x04\x00\x00\x00\x00\x00\x00", 8); // 1107
    dir.Write("players.dat", badMagic);
    dir.Write("players_ext.dat", "companion");
    dir.Write("players.dat.damaged", "an older casualty");

    PlayerList players;
    int32_t current = 3;
    std::string notice;
    store.Load(current, players, notice);
    EXPECT_EQ(current, -1);
    EXPECT_TRUE(players.empty());
    EXPECT_NE(notice.find("players.dat.damaged-2"), std::string::npos) << notice;
    EXPECT_FALSE(dir.Exists("players.dat"));
    EXPECT_EQ(dir.Read("players.dat.damaged"), "an older casualty");
    EXPECT_EQ(dir.Read("players.dat.damaged-2"), badMagic);
    EXPECT_EQ(dir.Read("players_ext.dat.damaged"), "companion");

    // Starting over works as on a first start and the next save is clean.
    players.push_back(std::make_unique<PlayerProfile>());
    players[0]->name = "New";
    ASSERT_TRUE(store.Save(0, players));
    PlayerList back;
    store.Load(current, back, notice);
    EXPECT_TRUE(notice.empty());
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0]->name, "New");
}

TEST(ProfileStore, EmptyOrTinyFileCountsAsDamaged)
{
    for (const std::string& bytes : {std::string(), std::string("\x53\x04", 2)})
    {
        CoreTest::TempFolder dir;
        DiskGameFiles files;
        ProfileStore store(files, dir.Folder());
        dir.Write("players.dat", bytes);
        PlayerList players;
        int32_t current = 0;
        std::string notice;
        store.Load(current, players, notice);
        EXPECT_EQ(current, -1);
        EXPECT_FALSE(notice.empty());
        EXPECT_TRUE(dir.Exists("players.dat.damaged"));
    }
}

namespace
{

// Cuts the write of players.dat short after 50 bytes, as a full disk or a crash would.
class CutPlayersWrite : public DiskGameFiles
{
public:
    bool Write(const std::string& fileName, const Buffer& buffer) override
    {
        if (fileName.size() >= 11 && fileName.compare(fileName.size() - 11, 11, "players.dat") == 0)
            Platform::InjectWriteFailureAfter(50);
        const bool ok = DiskGameFiles::Write(fileName, buffer);
        Platform::InjectWriteFailureAfter(-1);
        return ok;
    }
};

} // namespace

TEST(ProfileStore, FailedSaveKeepsThePreviousFile)
{
    CoreTest::TempFolder dir;
    DiskGameFiles files;
    PlayerList players;
    players.push_back(Everything("Ann", 1));
    ASSERT_TRUE(ProfileStore(files, dir.Folder()).Save(0, players));
    const std::string before = dir.Read("players.dat");

    players.push_back(Everything("Bob", 2));
    CutPlayersWrite cutting;
    EXPECT_FALSE(ProfileStore(cutting, dir.Folder()).Save(1, players));
    EXPECT_EQ(dir.Read("players.dat"), before);
    // No temporary file is left beside them.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), std::filesystem::directory_iterator()), 2);

    // The companion already names Bob at place 1; with the old players.dat the entry is ignored.
    PlayerList back;
    int32_t current = -1;
    std::string notice;
    ProfileStore(files, dir.Folder()).Load(current, back, notice);
    ASSERT_EQ(back.size(), 1u);
    ExpectSame(*players[0], *back[0]);
    EXPECT_EQ(back[0]->dayProfits[65], players[0]->dayProfits[65]);
}

TEST(ProfileStore, CompanionMatchesWhicheverPlayersFileACrashLeaves)
{
    CoreTest::TempFolder dir;
    DiskGameFiles files;
    ProfileStore store(files, dir.Folder());
    PlayerList players;
    players.push_back(Everything("Ann", 1));
    players.push_back(Everything("Bob", 2));
    ASSERT_TRUE(store.Save(0, players));

    // Ann is deleted and Bob's last days change; the companion is written, players.dat is not.
    PlayerList after;
    after.push_back(Everything("Bob", 2));
    after[0]->dayProfits[65] = 777;
    CutPlayersWrite cutting;
    ProfileStore crashing(cutting, dir.Folder());
    int32_t current = -1;
    std::string notice;
    PlayerList loaded;
    crashing.Load(current, loaded, notice);
    EXPECT_FALSE(crashing.Save(0, after));

    // The old players.dat finds its own entries: Bob keeps his results at his old place.
    PlayerList back;
    ProfileStore(files, dir.Folder()).Load(current, back, notice);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1]->name, "Bob");
    EXPECT_EQ(back[1]->dayProfits[65], players[1]->dayProfits[65]);
    EXPECT_EQ(back[0]->dayProfits[69], players[0]->dayProfits[69]);

    // Once players.dat is written too, the new entries apply.
    ProfileStore next(files, dir.Folder());
    PlayerList again;
    next.Load(current, again, notice);
    ASSERT_TRUE(next.Save(0, after));
    PlayerList now;
    ProfileStore(files, dir.Folder()).Load(current, now, notice);
    ASSERT_EQ(now.size(), 1u);
    EXPECT_EQ(now[0]->dayProfits[65], 777);
}

TEST(ProfileStore, DamagedCompanionIsKeptAsideAndItsWholeEntriesRead)
{
    // Two players' results in one block: magic, version, count, sum, length (offsets 0..19), then Ann's entry
    // (85 bytes from offset 20) and Bob's (85 bytes from offset 105).
    PlayerList saved;
    saved.push_back(Everything("Ann", 1));
    saved.push_back(Everything("Bob", 2));
    struct Case
    {
        const char* name;
        size_t at; // where `bytes` replace the file's own
        std::string bytes;
        size_t cutBy; // bytes cut off the end
        bool annKept, bobKept;
    };
    const std::string zero4(4, '\0'), minus1(4, '\xff');
    const Case cases[] = {
        {"block count 0", 8, zero4, 0, true, true},
        {"block count -1", 8, minus1, 0, true, true},
        {"block length 0", 16, zero4, 0, false, false},
        {"first name length 0x7fff", 20, "\xff\x7f", 0, false, false},
        {"second name length 0xffff", 105, "\xff\xff", 0, true, false},
        {"version 1 with a version 2 body", 4, std::string("\x01\0\0\0", 4), 0, true, true},
        {"cut by 12", 0, "", 12, true, false},
        {"cut by one entry", 0, "", 85, true, false},
        {"cut into the first entry", 0, "", 100, false, false},
        {"a byte left over", 190, "x", 0, true, true},
    };
    for (const Case& c : cases)
    {
        CoreTest::TempFolder dir;
        DiskGameFiles files;
        ASSERT_TRUE(ProfileStore(files, dir.Folder()).Save(0, saved)) << c.name;
        const std::string whole = dir.Read(kPlayersExtFileName);
        ASSERT_EQ(whole.size(), 190u);
        std::string mutant = whole.substr(0, whole.size() - c.cutBy);
        mutant.replace(c.at, c.bytes.size(), c.bytes);
        dir.Write(kPlayersExtFileName, mutant);

        ProfileStore store(files, dir.Folder());
        PlayerList players;
        int32_t current = -1;
        std::string notice;
        store.Load(current, players, notice);
        ASSERT_EQ(players.size(), 2u) << c.name;
        EXPECT_NE(notice.find("results file"), std::string::npos) << c.name << ": the player is told";
        EXPECT_EQ(dir.Read(std::string(kPlayersExtFileName) + ".damaged"), mutant) << c.name << ": kept aside";
        for (int i = 0; i < 2; ++i)
        {
            const bool kept = i == 0 ? c.annKept : c.bobKept;
            EXPECT_EQ(players[i]->dayProfits[65], kept ? saved[i]->dayProfits[65] : 0) << c.name << " " << i;
            EXPECT_EQ(players[i]->expertFlags[69], kept ? saved[i]->expertFlags[69] : 0) << c.name << " " << i;
        }
        // What was read is on disk again whole, before any save; the next start reads it without a word.
        PlayerList again;
        ProfileStore(files, dir.Folder()).Load(current, again, notice);
        EXPECT_TRUE(notice.empty()) << c.name << ": " << notice;
        ASSERT_EQ(again.size(), 2u);
        EXPECT_EQ(again[0]->dayProfits[65], players[0]->dayProfits[65]) << c.name;
        EXPECT_EQ(again[1]->dayProfits[65], players[1]->dayProfits[65]) << c.name;
        ASSERT_TRUE(store.Save(0, players));
        EXPECT_EQ(dir.Read(std::string(kPlayersExtFileName) + ".damaged"), mutant) << c.name << ": never saved over";
    }
}

TEST(ProfileStore, PlayersFileCutShortIsCopiedAsideAndWrittenWhole)
{
    CoreTest::TempFolder dir;
    DiskGameFiles files;
    PlayerList saved;
    saved.push_back(Everything("Ann", 1));
    saved.push_back(Everything("Bob", 2));
    ASSERT_TRUE(ProfileStore(files, dir.Folder()).Save(1, saved));
    const std::string mutant = dir.Read(kPlayersFileName).substr(0, dir.Read(kPlayersFileName).size() - 12);
    dir.Write(kPlayersFileName, mutant);

    PlayerList players;
    int32_t current = -1;
    std::string notice;
    ProfileStore(files, dir.Folder()).Load(current, players, notice);
    EXPECT_NE(notice.find("players.dat.damaged"), std::string::npos) << notice;
    EXPECT_EQ(dir.Read("players.dat.damaged"), mutant);
    ASSERT_EQ(players.size(), 2u);
    ExpectSame(*saved[0], *players[0]);
    EXPECT_EQ(players[1]->money, saved[1]->money);
    EXPECT_EQ(players[1]->dayProfits[65], saved[1]->dayProfits[65]) << "its results still found";

    PlayerList again;
    ProfileStore(files, dir.Folder()).Load(current, again, notice);
    EXPECT_TRUE(notice.empty()) << notice;
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[1]->dayProfits[65], saved[1]->dayProfits[65]);
}

TEST(ProfileStore, PlayersFileThatIsALinkIsSavedThroughIt)
{
    CoreTest::TempFolder dir;
    DiskGameFiles files;
    std::filesystem::create_directories(dir.path / "sync");
    std::filesystem::create_directories(dir.path / "data");
    PlayerList players;
    players.push_back(Everything("Ann", 1));
    ASSERT_TRUE(ProfileStore(files, dir.Folder() + "sync/").Save(0, players));
    std::filesystem::create_symlink("../sync/players.dat", dir.path / "data" / "players.dat");

    ProfileStore store(files, dir.Folder() + "data/");
    PlayerList loaded;
    int32_t current = -1;
    std::string notice;
    store.Load(current, loaded, notice);
    ASSERT_EQ(loaded.size(), 1u);
    loaded[0]->money = 999;
    ASSERT_TRUE(store.Save(0, loaded));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path / "data" / "players.dat")) << "the link is kept";
    PlayerList back;
    ProfileStore(files, dir.Folder() + "sync/").Load(current, back, notice);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0]->money, 999) << "the file the link leads to holds the save";
}
