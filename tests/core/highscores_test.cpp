// High-score table: defaults and their bytes, placing new scores, short and long files.
#include "CoreTestSupport.h"
#include "base/Buffer.h"
#include "game/core/GameFiles.h"
#include "game/core/Highscores.h"
#include "game/core/ProfileFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

using namespace Zest;

namespace
{

std::vector<HighscoreEntry> Defaults()
{
    std::vector<HighscoreEntry> table;
    ResetHighscores(table);
    return table;
}

} // namespace

TEST(Highscores, DefaultTableHasTenDifferentNamesAndRoundTrips)
{
    const auto table = Defaults();
    ASSERT_EQ(table.size(), 10u);
    EXPECT_EQ(table[1].name, "Chef's mate");
    EXPECT_EQ(table[9].score, 10000);
    std::set<std::string> names;
    for (const HighscoreEntry& row : table) names.insert(row.name);
    EXPECT_EQ(names.size(), 10u) << "a fresh table shows ten different cooks";
    Buffer b;
    EncodeHighscores(b, table);
    EXPECT_EQ(b.GetDataLen(), 397); // ten records of 30 bytes and their names
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.GetDataPtr()), 10), std::string("\x04\x00"
                                                                                          "Chef\xa0\x86\x01\x00",
                                                                                          10));
    std::vector<HighscoreEntry> back;
    DecodeHighscores(b, back);
    EXPECT_EQ(back, table);
}

TEST(Highscores, InsertionPlacesAndDrops)
{
    struct Case
    {
        int32_t score;
        int wantPlace;
    };
    const Case cases[] = {
        {15000, 9},              // between the last two rows; the last default row drops out
        {100000, 0},             // equal to the top: the newer row goes above
        {150000, 0}, {10000, 9}, // equal to the last row: the newer row goes above it
        {500, 10},   {70000, 3},
    };
    for (const Case& c : cases)
    {
        auto table = Defaults();
        const auto before = table;
        const HighscoreEntry entry{"New", c.score, {1, 0, 0, 0, 0, 0}};
        EXPECT_EQ(InsertHighscore(table, entry), c.wantPlace) << c.score;
        ASSERT_EQ(table.size(), 10u);
        if (c.wantPlace == 10)
        {
            EXPECT_EQ(table, before);
            continue;
        }
        EXPECT_EQ(table[c.wantPlace], entry);
        for (int i = 0; i < c.wantPlace; ++i) EXPECT_EQ(table[i], before[i]);
        for (int i = c.wantPlace + 1; i < 10; ++i) EXPECT_EQ(table[i], before[i - 1]);
    }
}

TEST(Highscores, ExpertCountsCoverTheFirstSixtyLevels)
{
    PlayerProfile p;
    for (int level : {1, 2, 15, 60, 61, 70}) p.expertFlags[level - 1] = 1;
    p.expertFlags[30] = 5; // any non-zero value is a reached goal
    EXPECT_EQ(ExpertCounts(p), (std::array<int32_t, 6>{2, 1, 0, 1, 0, 1}));
}

TEST(Highscores, ShortFilesArePaddedLongOnesCutAndCutRecordsDropped)
{
    // Three rows, the last one cut short.
    std::vector<HighscoreEntry> rows = {{"Ann", 95000, {}}, {"Bob", 5, {}}, {"Cid", 3, {}}};
    Buffer b;
    EncodeHighscores(b, rows);
    Buffer cut;
    cut.SetData(b.GetDataPtr(), b.GetDataLen() - 3);
    std::vector<HighscoreEntry> table;
    DecodeHighscores(cut, table);
    ASSERT_EQ(table.size(), 10u);
    // The stored rows stay; the places they leave free take the default rows of those places.
    EXPECT_EQ(table[0].name, "Ann");
    EXPECT_EQ(table[1].name, "Scullion");
    EXPECT_EQ(table[8].score, 10000);
    EXPECT_EQ(table[9].name, "Bob");
    for (int i = 1; i < 10; ++i) EXPECT_GE(table[i - 1].score, table[i].score);

    // Eleven rows: the first ten count.
    std::vector<HighscoreEntry> eleven = Defaults();
    eleven.push_back({"Extra", 1, {}});
    Buffer longFile;
    EncodeHighscores(longFile, eleven); // writes ten
    longFile.WriteString("Extra");
    for (int i = 0; i < 7; ++i) longFile.WriteLong(1);
    DecodeHighscores(longFile, table);
    EXPECT_EQ(table, Defaults());

    Buffer empty;
    DecodeHighscores(empty, table);
    EXPECT_EQ(table, Defaults());
}

// One rule for the two home files: a name length read as negative is an empty name, and every complete record
// after it is still read.
TEST(Highscores, BothFileReadersTakeANegativeNameLengthAsAnEmptyNameAndReadOn)
{
    const auto withNegativeFirstName = [](const Buffer& written, int at)
    {
        std::vector<uint8_t> bytes(written.GetDataPtr(), written.GetDataPtr() + written.GetDataLen());
        bytes[size_t(at)] = 0xff; // the first record's name is empty: its length 0 becomes -1
        bytes[size_t(at) + 1] = 0xff;
        Buffer patched;
        patched.SetData(bytes.data(), static_cast<int>(bytes.size()));
        return patched;
    };

    std::vector<HighscoreEntry> rows = {{"", 95000, {1, 2, 3, 4, 5, 6}}, {"Bob", 85000, {}}};
    Buffer scores;
    EncodeHighscores(scores, rows);
    Buffer scoresRead = withNegativeFirstName(scores, 0);
    std::vector<HighscoreEntry> table;
    DecodeHighscores(scoresRead, table);
    ASSERT_EQ(table.size(), 10u);
    // Padded from the default rows of the places they leave free, best first.
    EXPECT_EQ(table[0], rows[0]);
    EXPECT_EQ(table[1], rows[1]);

    PlayerList players;
    for (const char* name : {"", "Bob"})
    {
        players.push_back(std::make_unique<PlayerProfile>());
        players.back()->name = name;
        players.back()->money = 77;
    }
    Buffer profiles;
    EncodePlayers(profiles, 1, players);
    Buffer profilesRead = withNegativeFirstName(profiles, 8);
    PlayerList read;
    int32_t current = -1;
    ASSERT_TRUE(DecodePlayers(profilesRead, current, read));
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0]->name, "");
    EXPECT_EQ(read[0]->money, 77);
    EXPECT_EQ(read[1]->name, "Bob");
}

// One policy for the order: a full file is read best first as a short one is.
TEST(Highscores, AFullUnsortedFileIsReadBestFirst)
{
    auto rows = Defaults();
    std::reverse(rows.begin(), rows.end());
    rows[4].name = "Tie";
    rows[4].score = rows[5].score; // equal scores keep the file's order
    Buffer b;
    EncodeHighscores(b, rows);
    std::vector<HighscoreEntry> table;
    DecodeHighscores(b, table);
    ASSERT_EQ(table.size(), 10u);
    for (int i = 1; i < 10; ++i) EXPECT_GE(table[i - 1].score, table[i].score) << i;
    EXPECT_EQ(table[0].name, "Chef");
    EXPECT_EQ(table[4].name, "Tie");
    EXPECT_EQ(InsertHighscore(table, {"New", 95000, {}}), 1);
}

TEST(Highscores, LoadKeepsTheTableWithoutAFile)
{
    CoreTest::TempFolder dir;
    DiskGameFiles files;
    auto table = Defaults();
    table[0].name = "Mine";
    LoadHighscores(files, dir.File("highscores.dat"), table);
    EXPECT_EQ(table[0].name, "Mine");
    ASSERT_TRUE(SaveHighscores(files, dir.File("highscores.dat"), table));
    std::vector<HighscoreEntry> back;
    LoadHighscores(files, dir.File("highscores.dat"), back);
    EXPECT_EQ(back, table);
}

TEST(Highscores, SomethingUnreadableIsKeptAsideNotSavedOver)
{
    CoreTest::TempFolder dir;
    DiskGameFiles files;
    // A folder where the file should be; a later save would otherwise fail for good, or replace what was there.
    std::filesystem::create_directory(dir.path / "highscores.dat");
    dir.Write("highscores.dat/keep.txt", "kept");
    std::vector<HighscoreEntry> table;
    ResetHighscores(table);
    std::string notice;
    LoadHighscores(files, dir.File("highscores.dat"), table, &notice);
    EXPECT_NE(notice.find("highscores.dat.damaged"), std::string::npos) << notice;
    EXPECT_EQ(dir.Read("highscores.dat.damaged/keep.txt"), "kept");
    EXPECT_EQ(table.size(), 10u);
    EXPECT_EQ(table[0].name, "Chef");

    table[0].score = 200000;
    ASSERT_TRUE(SaveHighscores(files, dir.File("highscores.dat"), table));
    std::vector<HighscoreEntry> back;
    notice.clear();
    LoadHighscores(files, dir.File("highscores.dat"), back, &notice);
    EXPECT_TRUE(notice.empty());
    EXPECT_EQ(back, table);
}

TEST(Highscores, FileThatIsNotTenWholeRowsIsKeptAsideAndItsRowsSaved)
{
    std::vector<HighscoreEntry> rows = Defaults();
    rows[0] = {"Ann", 120000, {1, 2, 3, 4, 5, 6}};
    Buffer b;
    EncodeHighscores(b, rows);
    const std::string whole(reinterpret_cast<const char*>(b.GetDataPtr()), static_cast<size_t>(b.GetDataLen()));
    const std::string mutants[] = {
        whole.substr(0, whole.size() - 12), // the last row cut
        whole.substr(0, whole.size() - 38), // the last row missing whole
        whole + "x",                        // a byte left over
        std::string(),                      // empty
    };
    for (const std::string& mutant : mutants)
    {
        CoreTest::TempFolder dir;
        DiskGameFiles files;
        dir.Write("highscores.dat", mutant);
        std::vector<HighscoreEntry> table = Defaults();
        std::string notice;
        LoadHighscores(files, dir.File("highscores.dat"), table, &notice);
        EXPECT_NE(notice.find("highscores.dat.damaged"), std::string::npos) << mutant.size() << ": " << notice;
        EXPECT_EQ(dir.Read("highscores.dat.damaged"), mutant);
        if (!mutant.empty())
        {
            EXPECT_EQ(table[0].name, "Ann") << mutant.size();
        }
        // The rows read are on disk again, whole, before any save.
        std::vector<HighscoreEntry> back;
        notice.clear();
        LoadHighscores(files, dir.File("highscores.dat"), back, &notice);
        EXPECT_TRUE(notice.empty()) << mutant.size() << ": " << notice;
        EXPECT_EQ(back, table) << mutant.size();
    }
}
