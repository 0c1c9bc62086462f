// Tests of the pack reader, its file wrappers, its file search and the pack writer.
#include "data/PakInterface.h"
#include "data/PakWriter.h"
#include "pakbuild/FolderTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace Zest;

namespace
{

std::string ReadFileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const fs::path& path, const std::string& bytes)
{
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string Scramble(std::string bytes)
{
    for (char& c : bytes) c = static_cast<char>(c ^ kPakScrambleKey);
    return bytes;
}

// Plain (unscrambled) little-endian pieces for hand-made packs.
std::string U32(uint32_t v)
{
    std::string s;
    for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i));
    return s;
}

std::string Record(const std::string& name, uint32_t size, uint64_t time = 0)
{
    return std::string(1, '\0') + static_cast<char>(name.size()) + name + U32(size) + U32(uint32_t(time)) +
           U32(uint32_t(time >> 32));
}

std::string ReadAll(PackFileHandle* h)
{
    std::string out;
    char buf[97];
    size_t n;
    while ((n = PakRead(buf, 1, sizeof(buf), h)) > 0) out.append(buf, n);
    return out;
}

// Each test runs in its own scratch folder (the working directory) with its own reader.
class PakTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::random_device rd;
        mOldCwd = fs::current_path();
        mDir = fs::temp_directory_path() / ("zest_pak_" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(mDir);
        fs::current_path(mDir);
        mPak = std::make_unique<PakInterface>();
        ASSERT_EQ(ActivePakInterface(), mPak.get());
    }
    void TearDown() override
    {
        mPak.reset();
        fs::current_path(mOldCwd);
        fs::remove_all(mDir);
    }

    void MakePack(const std::string& path, const std::vector<std::pair<std::string, std::string>>& files)
    {
        PakWriter writer;
        for (const auto& [name, data] : files) ASSERT_TRUE(writer.AddFile(name, data, 0x01D0000000000000ULL));
        WriteFileBytes(path, writer.Build());
    }

    std::string OpenAndRead(const std::string& name, const std::string& mode = "rb")
    {
        PackFileHandle* h = PakOpen(name, mode);
        if (!h) return "<null>";
        std::string s = ReadAll(h);
        PakClose(h);
        return s;
    }

    fs::path mOldCwd;
    fs::path mDir;
    std::unique_ptr<PakInterface> mPak;
};

TEST(PakFormat, WriterProducesTheStoredBytesOfTheWorkedExample)
{
    PakWriter writer;
    ASSERT_TRUE(writer.AddFile("data\\a.txt", "hi\n", 0x01D0000000000000ULL));
    const std::string stored = writer.Build();
    const unsigned char expected[] = {0x69, 0xe3, 0x69, 0x13, 0xa9, 0xa9, 0xa9, 0xa9, 0xa9, 0xa3, 0xcd, 0xc8,
                                      0xdd, 0xc8, 0xf5, 0xc8, 0x87, 0xdd, 0xd1, 0xdd, 0xaa, 0xa9, 0xa9, 0xa9,
                                      0xa9, 0xa9, 0xa9, 0xa9, 0xa9, 0xa9, 0x79, 0xa8, 0x29, 0xc1, 0xc0, 0xa3};
    ASSERT_EQ(stored, std::string(reinterpret_cast<const char*>(expected), sizeof(expected)));
}

TEST(PakFormat, WriterRefusesNamesTheReaderCouldNotFind)
{
    const char* bad[] = {"", "a/b", "\\a", "a\\", "a\\\\b", "a\\..\\b", ".\\a", "caf\xc3\xa9", "tab\there"};
    PakWriter writer;
    for (const char* name : bad) EXPECT_FALSE(writer.AddFile(name, "x", 0)) << name;
    EXPECT_FALSE(writer.AddFile(std::string(256, 'a'), "x", 0));
    EXPECT_TRUE(writer.AddFile(std::string(255, 'a'), "x", 0));
    EXPECT_TRUE(writer.AddFile("Images\\Sub\\Foo.PNG", "x", 0));
    EXPECT_EQ(writer.Files().size(), 2u);
}

TEST_F(PakTest, NormalizePathTable)
{
    const std::string cwd = fs::current_path().string();
    const struct
    {
        std::string in, out;
    } cases[] = {
        {"Images/Foo.PNG", "IMAGES\\FOO.PNG"},
        {"images\\\\foo.png", "IMAGES\\FOO.PNG"},
        {"IMAGES//FOO.PNG", "IMAGES\\FOO.PNG"},
        {"images/\\/foo.png", "IMAGES\\FOO.PNG"},
        {"images\\sub\\..\\foo.png", "IMAGES\\FOO.PNG"},
        {"sub\\..\\images\\foo.png", "IMAGES\\FOO.PNG"},
        {"a\\b\\..\\..\\c", "C"},
        {"a\\..\\..\\c", "C"},  // ".." above the start stays at the start
        {"..\\a", "..\\A"},     // leading dots are not after a separator
        {"a\\.\\b", "A\\.\\B"}, // a single dot is an ordinary character
        {"a\\..b", "B"},        // both dots are consumed even when a name follows
        {cwd + "/images/foo.png", "IMAGES\\FOO.PNG"},
        {cwd + "//Images\\foo.png", "\\IMAGES\\FOO.PNG"},
        {"/elsewhere/foo.png", "\\ELSEWHERE\\FOO.PNG"},
        {"", ""},
        {"caf\xe9.txt", "CAF\xe9.TXT"}, // only ASCII letters change case
    };
    for (const auto& c : cases) EXPECT_EQ(mPak->NormalizePath(c.in), c.out) << c.in;
    // No fixed buffer: a long name comes back whole.
    EXPECT_EQ(mPak->NormalizePath(std::string(5000, 'a')), std::string(5000, 'A'));
}

TEST_F(PakTest, SpellingsOfOneNameFindTheSamePackedFile)
{
    MakePack("main.pak", {{"images\\foo.png", "packed"}});
    ASSERT_TRUE(mPak->AddPakFile("main.pak"));
    const std::string spellings[] = {
        "Images/Foo.PNG",
        "images\\\\foo.png",
        "IMAGES//FOO.PNG",
        "images\\sub\\..\\foo.png",
        "sub\\..\\images\\foo.png",
        (fs::current_path() / "images" / "foo.png").string(),
        fs::current_path().string() + "\\IMAGES\\Foo.png",
    };
    for (const std::string& name : spellings) EXPECT_EQ(OpenAndRead(name), "packed") << name;
    // A name whose normalised form is over the path limit is never found in the pack.
    EXPECT_EQ(OpenAndRead(std::string(200, 'x') + "\\..\\" + std::string(60, 'y')), "<null>");
}

TEST_F(PakTest, OnlyReadModesConsultThePack)
{
    MakePack("main.pak", {{"data\\note.txt", "packed"}});
    WriteFileBytes("data/note.txt", "loose");
    ASSERT_TRUE(mPak->AddPakFile("main.pak"));
    const struct
    {
        const char* mode;
        bool packed;
    } cases[] = {{"r", true}, {"rb", true}, {"rt", true}, {"RB", true}, {"Rt", true}, {"r+", false}, {"rb+", false}};
    for (const auto& c : cases)
    {
        PackFileHandle* h = PakOpen("Data\\Note.txt", c.mode);
        ASSERT_NE(h, nullptr) << c.mode;
        EXPECT_EQ(h->entry != nullptr, c.packed) << c.mode;
        EXPECT_EQ(ReadAll(h), c.packed ? "packed" : "loose") << c.mode;
        PakClose(h);
    }
    // Writing goes to the disk and never touches the pack.
    PackFileHandle* w = PakOpen("data\\note.txt", "w");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->entry, nullptr);
    PakClose(w);
    EXPECT_EQ(ReadFileBytes("data/note.txt"), "");
    EXPECT_EQ(OpenAndRead("data\\note.txt", "r"), "packed");
    EXPECT_EQ(OpenAndRead("data\\missing.txt", "r"), "<null>");
}

TEST_F(PakTest, SeekClampsToTheEntryAndTellsThePosition)
{
    MakePack("main.pak", {{"ten.bin", "0123456789"}});
    ASSERT_TRUE(mPak->AddPakFile("main.pak"));
    const struct
    {
        long start, offset;
        int origin;
        long expected;
    } cases[] = {
        {3, 0, SEEK_END, 10},       {3, -5, SEEK_CUR, 0},        {3, 100, SEEK_SET, 10},     {3, -1, SEEK_SET, 0},
        {3, 2, SEEK_CUR, 5},        {3, -3, SEEK_END, 7},        {3, 5, SEEK_END, 10},       {3, -20, SEEK_END, 0},
        {3, 4, 7 /* unknown */, 3}, {3, LONG_MAX, SEEK_CUR, 10}, {3, LONG_MIN, SEEK_CUR, 0}, {3, 10, SEEK_SET, 10},
    };
    for (const auto& c : cases)
    {
        PackFileHandle* h = PakOpen("ten.bin", "rb");
        ASSERT_NE(h, nullptr);
        ASSERT_EQ(PakSeek(h, c.start, SEEK_SET), 0);
        EXPECT_EQ(PakSeek(h, c.offset, c.origin), 0);
        EXPECT_EQ(PakTell(h), c.expected) << c.start << " " << c.offset << " " << c.origin;
        EXPECT_EQ(PakEof(h), c.expected == 10 ? 1 : 0);
        char byte = 0;
        if (c.expected < 10)
        {
            ASSERT_EQ(PakRead(&byte, 1, 1, h), 1u);
            EXPECT_EQ(byte, '0' + c.expected);
        }
        PakClose(h);
    }
}

TEST_F(PakTest, CarriageReturnsAreSkippedByGetCAndGetSButNotByRead)
{
    const std::string text = "a\r\nb\r\r\nc\r";
    MakePack("main.pak", {{"crlf.txt", text}});
    ASSERT_TRUE(mPak->AddPakFile("main.pak"));

    PackFileHandle* h = PakOpen("crlf.txt", "r");
    ASSERT_NE(h, nullptr);
    std::string viaGetC;
    for (int c; (c = PakGetC(h)) != -1;) viaGetC += static_cast<char>(c);
    // One CR is skipped per call; a second one in a row is returned.
    EXPECT_EQ(viaGetC, "a\nb\r\nc");
    PakClose(h);

    h = PakOpen("crlf.txt", "r");
    std::vector<std::string> lines;
    char buf[64];
    while (mPak->FGetS(buf, sizeof(buf), h)) lines.push_back(buf);
    EXPECT_EQ(lines, (std::vector<std::string>{"a\n", "b\n", "c"}));
    PakClose(h);

    EXPECT_EQ(OpenAndRead("crlf.txt", "r"), text);
}

TEST_F(PakTest, GetSLimitsAndEndOfData)
{
    MakePack("main.pak", {{"lines.txt", "abcdef\nxy"}});
    ASSERT_TRUE(mPak->AddPakFile("main.pak"));
    PackFileHandle* h = PakOpen("lines.txt", "r");
    char buf[8] = "#######";
    EXPECT_EQ(mPak->FGetS(buf, 0, h), nullptr);
    EXPECT_EQ(mPak->FGetS(buf, -3, h), nullptr);
    EXPECT_STREQ(buf, "#######");
    EXPECT_EQ(mPak->FGetS(buf, 1, h), buf);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(PakTell(h), 0);
    EXPECT_EQ(mPak->FGetS(buf, 4, h), buf);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(mPak->FGetS(buf, 8, h), buf);
    EXPECT_STREQ(buf, "def\n");
    EXPECT_EQ(mPak->FGetS(buf, 8, h), buf);
    EXPECT_STREQ(buf, "xy");
    EXPECT_EQ(mPak->FGetS(buf, 8, h), nullptr);
    EXPECT_STREQ(buf, "xy");
    PakClose(h);
}

TEST_F(PakTest, ReadCountsWholeElementsWithoutOverflow)
{
    MakePack("main.pak", {{"ten.bin", "0123456789"}});
    ASSERT_TRUE(mPak->AddPakFile("main.pak"));
    const struct
    {
        size_t elementSize, count, returned, copied;
    } cases[] = {
        {4, 3, 2, 10}, // a partial element is copied but not counted
        {1, 4, 4, 4},
        {5, 2, 2, 10},
        {3, 0, 0, 0},
        {0, 5, 0, 0},         // element size 0 reads nothing
        {2, SIZE_MAX, 5, 10}, // count * size would wrap
        {SIZE_MAX / 2, 4, 0, 10},
    };
    for (const auto& c : cases)
    {
        PackFileHandle* h = PakOpen("ten.bin", "rb");
        std::string buf(16, '#');
        EXPECT_EQ(PakRead(buf.data(), c.elementSize, c.count, h), c.returned) << c.elementSize << "x" << c.count;
        EXPECT_EQ(PakTell(h), static_cast<long>(c.copied));
        EXPECT_EQ(buf.substr(0, c.copied), std::string("0123456789").substr(0, c.copied));
        EXPECT_EQ(buf[c.copied], '#');
        PakClose(h);
    }
}

TEST_F(PakTest, UnGetCStepsBackWithoutStoringTheCharacter)
{
    MakePack("main.pak", {{"abc.txt", "abc"}});
    ASSERT_TRUE(mPak->AddPakFile("main.pak"));
    PackFileHandle* h = PakOpen("abc.txt", "r");
    EXPECT_EQ(PakUnGetC('z', h), 'z');
    EXPECT_EQ(PakTell(h), 0);
    EXPECT_EQ(PakGetC(h), 'a');
    EXPECT_EQ(PakGetC(h), 'b');
    EXPECT_EQ(PakUnGetC('q', h), 'q');
    EXPECT_EQ(PakGetC(h), 'b');
    EXPECT_EQ(PakGetC(h), 'c');
    EXPECT_EQ(PakGetC(h), -1);
    EXPECT_EQ(PakEof(h), 1);
    PakClose(h);
}

TEST_F(PakTest, LaterRecordsAndLaterPacksWin)
{
    MakePack("first.pak", {{"shared.txt", "first"}, {"only1.txt", "one"}, {"dup.txt", "a"}, {"dup.txt", "b"}});
    MakePack("second.pak", {{"SHARED.TXT", "second"}, {"only2.txt", "two"}});
    ASSERT_TRUE(mPak->AddPakFile("first.pak"));
    EXPECT_EQ(OpenAndRead("shared.txt"), "first");
    EXPECT_EQ(OpenAndRead("dup.txt"), "b");
    ASSERT_TRUE(mPak->AddPakFile("second.pak"));
    EXPECT_EQ(OpenAndRead("shared.txt"), "second");
    EXPECT_EQ(OpenAndRead("only1.txt"), "one");
    EXPECT_EQ(OpenAndRead("only2.txt"), "two");
    // The pack itself reads back unscrambled.
    EXPECT_EQ(OpenAndRead("second.pak").substr(0, 4), U32(kPakMagic));
}

TEST_F(PakTest, AnEntryNamedLikeThePackIsNotShiftedTwice)
{
    MakePack("main.pak", {{"a.txt", "aaaa"}, {"main.pak", "inner"}, {"b.txt", "bb"}});
    ASSERT_TRUE(mPak->AddPakFile("main.pak"));
    EXPECT_EQ(OpenAndRead("main.pak"), "inner");
    EXPECT_EQ(OpenAndRead("a.txt"), "aaaa");
    EXPECT_EQ(OpenAndRead("b.txt"), "bb");
}

TEST_F(PakTest, DamagedPacksAreRefusedWholeAndLooseFilesAreUsed)
{
    const std::string header = U32(kPakMagic) + U32(0);
    const std::string good = header + Record("x.txt", 3) + Record("y.txt", 2) + "\x80" + "abcde";
    const struct
    {
        const char* what;
        std::string plain;
        PakProblem problem;
    } cases[] = {
        {"bad magic", U32(0xBAC04AC1) + U32(0) + Record("x.txt", 3) + "\x80" + "abc", PakProblem::NotAPack},
        {"version 1", U32(kPakMagic) + U32(1) + Record("x.txt", 3) + "\x80" + "abc", PakProblem::NotAPack},
        {"no end flag", header + Record("x.txt", 3), PakProblem::Cut},
        {"data past the end", header + Record("x.txt", 4) + "\x80" + "abc", PakProblem::Cut},
        {"huge size", header + Record("x.txt", 0xFFFFFFFF) + "\x80" + "abc", PakProblem::Cut},
        {"sizes that sum past the end", header + Record("x.txt", 0x80000000) + Record("y.txt", 0x80000000) + "\x80",
         PakProblem::Cut},
        {"short name", header + std::string("\0\x09x.t", 4), PakProblem::Cut},
        {"short header", U32(kPakMagic), PakProblem::NotAPack},
    };
    WriteFileBytes("x.txt", "loose");
    MakePack("keep.pak", {{"keep.txt", "kept"}});
    ASSERT_TRUE(mPak->AddPakFile("keep.pak"));
    for (const auto& c : cases)
    {
        WriteFileBytes("bad.pak", Scramble(c.plain));
        PakProblem problem = PakProblem::None;
        EXPECT_FALSE(mPak->AddPakFile("bad.pak", &problem)) << c.what;
        EXPECT_EQ(problem, c.problem) << c.what;
        EXPECT_EQ(OpenAndRead("x.txt"), "loose") << c.what;
        EXPECT_EQ(OpenAndRead("keep.txt"), "kept") << c.what;
    }
    // Every truncation of a good pack is refused; the whole pack is accepted.
    for (size_t cut = 0; cut < good.size(); ++cut)
    {
        WriteFileBytes("cut.pak", Scramble(good.substr(0, cut)));
        PakProblem problem = PakProblem::None;
        EXPECT_FALSE(mPak->AddPakFile("cut.pak", &problem)) << cut;
        EXPECT_EQ(problem, cut == 0              ? PakProblem::Empty
                           : cut < header.size() ? PakProblem::NotAPack
                                                 : PakProblem::Cut)
            << cut;
        EXPECT_EQ(OpenAndRead("x.txt"), "loose") << cut;
    }
    PakProblem problem = PakProblem::None;
    EXPECT_FALSE(mPak->AddPakFile("missing.pak", &problem));
    EXPECT_EQ(problem, PakProblem::Missing);
    // A folder or a pipe in the pack's place is refused at once (opening a pipe would wait for a writer).
    std::filesystem::create_directory("folder.pak");
    EXPECT_FALSE(mPak->AddPakFile("folder.pak", &problem));
    EXPECT_EQ(problem, PakProblem::NotAFile);
    ASSERT_EQ(std::system("mkfifo pipe.pak"), 0);
    EXPECT_FALSE(mPak->AddPakFile("pipe.pak", &problem));
    EXPECT_EQ(problem, PakProblem::NotAFile);
    WriteFileBytes("good.pak", Scramble(good));
    ASSERT_TRUE(mPak->AddPakFile("good.pak"));
    EXPECT_EQ(OpenAndRead("x.txt"), "abc");
    EXPECT_EQ(OpenAndRead("y.txt"), "de");
}

TEST_F(PakTest, PackBuiltFromAThousandFileTreeReadsBackByteIdentical)
{
    std::mt19937 rng(1234);
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 1000; ++i)
    {
        const std::string rel = "tree/Dir" + std::to_string(i % 7) + "/Sub" + std::to_string(i % 3) + "/File" +
                                std::to_string(i) + (i % 2 ? ".bin" : ".TXT");
        std::string data(rng() % (i % 100 == 0 ? 70000 : 600), '\0');
        for (char& c : data) c = static_cast<char>(rng());
        WriteFileBytes(rel, data);
        files.emplace_back(rel, data);
    }
    PakWriter writer;
    std::string why;
    ASSERT_TRUE(AddFolderTree(writer, "tree", false, &why)) << why;
    ASSERT_EQ(writer.Files().size(), 1000u);
    ASSERT_TRUE(writer.WriteTo("main.pak"));
    fs::rename("tree", "moved"); // nothing may come from the loose files
    ASSERT_TRUE(mPak->AddPakFile("main.pak"));
    for (const auto& [rel, data] : files)
    {
        const std::string name = rel.substr(5); // as the game asks: relative to the packed folder
        PackFileHandle* h = PakOpen(name, "rb");
        ASSERT_NE(h, nullptr) << name;
        ASSERT_NE(h->entry, nullptr) << name;
        EXPECT_EQ(ReadAll(h), data) << name;
        PakClose(h);
    }
    // Stored names keep their case and use backslashes; times come from the files.
    const PackEntry& e = mPak->Entries().at("DIR3\\SUB1\\FILE10.TXT");
    EXPECT_EQ(e.name, "Dir3\\Sub1\\File10.TXT");
    EXPECT_GT(e.fileTime, 116444736000000000ULL);
}

TEST_F(PakTest, FindListsPackMatchesThenDiskMatches)
{
    PakWriter writer;
    ASSERT_TRUE(writer.AddFile("images\\a.png", "12345", 111));
    ASSERT_TRUE(writer.AddFile("images\\B.PNG", "1", 222));
    ASSERT_TRUE(writer.AddFile("images\\c.jpg", "1", 333));
    ASSERT_TRUE(writer.AddFile("images\\sub\\d.png", "1", 444));
    ASSERT_TRUE(writer.AddFile("other\\e.png", "1", 555));
    WriteFileBytes("main.pak", writer.Build());
    WriteFileBytes("Images/z.png", "disk file");
    ASSERT_TRUE(mPak->AddPakFile("main.pak"));

    auto list = [&](const std::string& pattern)
    {
        std::vector<std::string> names;
        FindData data;
        PackFindState* s = mPak->FindFirstFile(pattern, &data);
        if (!s) return names;
        do names.push_back(data.fileName);
        while (names.size() < 1000 && mPak->FindNextFile(s, &data));
        EXPECT_EQ(mPak->FindClose(s), 1);
        return names;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(list("images\\*.png"), (V{"a.png", "B.PNG", "d.png", "z.png"}));
    EXPECT_EQ(list("images/*.*"), (V{"a.png", "B.PNG", "c.jpg", "d.png", "z.png"}));
    EXPECT_EQ(list("Images\\*"), (V{"a.png", "B.PNG", "c.jpg", "d.png", "z.png"}));
    // Without '*' the pack is not searched; the disk still is.
    EXPECT_EQ(list("images\\a.png"), V{});
    EXPECT_EQ(list("images\\z.png"), V{"z.png"});
    EXPECT_EQ(list("nothing\\*.png"), V{});

    // An entry with an empty name is reported once, not forever.
    const std::string plain = U32(kPakMagic) + U32(0) + Record("", 1) + Record("zz\\a", 1) + "\x80" + "xy";
    WriteFileBytes("odd.pak", Scramble(plain));
    ASSERT_TRUE(mPak->AddPakFile("odd.pak"));
    const V all = list("*");
    EXPECT_EQ(std::count(all.begin(), all.end(), ""), 1);
    EXPECT_EQ(std::count(all.begin(), all.end(), "a"), 1);

    FindData data;
    PackFindState* s = mPak->FindFirstFile("IMAGES\\A*", &data);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(data.attributes, 0u);
    EXPECT_EQ(data.creationTime, 111u);
    EXPECT_EQ(data.lastAccessTime, 111u);
    EXPECT_EQ(data.lastWriteTime, 111u);
    EXPECT_EQ(data.fileSizeLow, 5u);
    ASSERT_EQ(mPak->FindNextFile(s, &data), 0);
    mPak->FindClose(s);

    s = mPak->FindFirstFile("images\\z.png", &data);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(data.fileSizeLow, 9u);
    EXPECT_NE(data.attributes & kFileAttributeNormal, 0u);
    EXPECT_GT(data.lastWriteTime, 116444736000000000ULL);
    mPak->FindClose(s);
}

TEST(PakActiveReader, FirstReaderIsActiveAndWrappersFallBackToTheDisk)
{
    ASSERT_EQ(ActivePakInterface(), nullptr);
    const fs::path file = fs::temp_directory_path() / "zest_pak_active_test.txt";
    WriteFileBytes(file, "x\r\ny");
    {
        // Without a reader the wrappers are the standard file functions on a wrapped handle.
        PackFileHandle* h = PakOpen(file.string(), "rb");
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(h->entry, nullptr);
        EXPECT_EQ(PakGetC(h), 'x');
        EXPECT_EQ(PakGetC(h), '\r'); // disk files are never changed
        EXPECT_EQ(PakUnGetC('Q', h), 'Q');
        EXPECT_EQ(PakGetC(h), 'Q');
        EXPECT_EQ(PakSeek(h, 0, SEEK_END), 0);
        EXPECT_EQ(PakTell(h), 4);
        EXPECT_EQ(PakClose(h), 0);
        EXPECT_EQ(PakOpen("no/such/file", "rb"), nullptr);
    }
    {
        PakInterface first;
        PakInterface second;
        EXPECT_EQ(ActivePakInterface(), &first);
    }
    EXPECT_EQ(ActivePakInterface(), nullptr);
    fs::remove(file);
}

} // namespace
