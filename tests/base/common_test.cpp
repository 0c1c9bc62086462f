// Tests of the shared helpers: entities, number parsing, formatting, paths, folders and name ordering.
#include "base/Common.h"
#include "platform/Debug.h"

#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

namespace fs = std::filesystem;

TEST(Common, XmlEncode)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a  b", "a &nbsp;b"},
        {"a    b", "a &nbsp;&nbsp;&nbsp;b"},
        {" x", " x"},
        {"line\nnext", "line&cr;next"},
        {"<a href=\"x\">Tom & Jerry's</a>", "&lt;a href=&quot;x&quot;&gt;Tom &amp; Jerry&apos;s&lt;/a&gt;"},
        {"", ""},
        {"caf\xE9", "caf\xE9"},
    };
    for (const auto& [text, encoded] : cases) EXPECT_EQ(Zest::XmlEncode(text), encoded) << text;
}

TEST(Common, XmlDecode)
{
    const std::pair<std::string, std::string> cases[] = {
        {"&lt;x&gt;", "<x>"},
        {"&amp;&quot;&apos;&nbsp;&cr;", "&\"' \n"},
        {"&foo;bar", "&bar"}, // unknown name: a lone '&'
        {"a&b", "a&b"},       // no ';' anywhere after it
        {"a&b&lt;", "a&"},    // the name runs to the next ';', whatever lies between
        {"&#65;", "&"},       // no numeric forms
        {"&LT;", "&"},        // names are case-sensitive
        {"&;", "&"},
        {"x&", "x&"},
        {"", ""},
    };
    for (const auto& [text, decoded] : cases) EXPECT_EQ(Zest::XmlDecode(text), decoded) << text;

    EXPECT_EQ(Zest::XmlDecode(std::wstring(L"\x20AC&lt;&foo;\x4E2D&amp")), std::wstring(L"\x20AC<&\x4E2D&amp"));

    const std::string original = "  two  spaces\n'quoted' \"and\" <tags> & more  ";
    EXPECT_EQ(Zest::XmlDecode(Zest::XmlEncode(original)), original);
}

TEST(Common, ParseInt)
{
    struct Case
    {
        const char* text;
        bool ok;
        int value;
    };
    const Case cases[] = {
        {"0", true, 0},
        {"42", true, 42},
        {"-5", true, -5},
        {"0x1F", true, 31},
        {"0X1f", true, 31},
        {"0xabcdef", true, 0xABCDEF},
        {"0xFFFFFFFF", true, -1},
        {"0x80000000", true, INT_MIN},
        {"-0x10", true, -16},
        {"007", true, 7},
        {"2147483647", true, INT_MAX},
        {"-2147483648", true, INT_MIN},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999", false, 0},
        {"0x100000000", false, 0},
        {"12a", false, 0},
        {"0x1G", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"0x", false, 0},
        {"+5", false, 0},
        {" 5", false, 0},
        {"5 ", false, 0},
        {"--5", false, 0},
        {"1.5", false, 0},
    };
    for (const Case& c : cases)
    {
        int value = 12345;
        EXPECT_EQ(Zest::ParseInt(c.text, value), c.ok) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST(Common, ParseDouble)
{
    struct Case
    {
        const char* text;
        bool ok;
        double value;
    };
    const Case cases[] = {
        {"1.5", true, 1.5},    {"-2.25", true, -2.25},  {"42", true, 42.0},  {".5", true, 0.5},
        {"1e3", true, 1000.0}, {"2.5E-2", true, 0.025}, {"0", true, 0.0},    {"", false, 0.0},
        {"abc", false, 0.0},   {"1.5x", false, 0.0},    {" 1", false, 0.0},  {"1,5", false, 0.0},
        {"+1", false, 0.0},    {"nan", false, 0.0},     {"inf", false, 0.0}, {"1e999", false, 0.0},
    };
    for (const Case& c : cases)
    {
        double value = 99.0;
        EXPECT_EQ(Zest::ParseDouble(c.text, value), c.ok) << c.text;
        EXPECT_DOUBLE_EQ(value, c.value) << c.text;
    }
}

TEST(Common, CommaSeparate)
{
    const std::pair<int, std::string> cases[] = {
        {0, "0"},
        {7, "7"},
        {999, "999"},
        {1000, "1,000"},
        {100000, "100,000"},
        {1234567, "1,234,567"},
        {INT_MAX, "2,147,483,647"},
        {-5, ""},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(Zest::CommaSeparate(value), text) << value;
}

TEST(Common, FormatStringReturnsTheWholeText)
{
    for (const size_t length : {0u, 1u, 159u, 160u, 161u, 320u, 100000u, 2000000u})
    {
        std::string text(length, 'a');
        for (size_t i = 0; i < length; i += 7) text[i] = static_cast<char>('a' + i % 26);
        EXPECT_EQ(Zest::FormatString("%s", text.c_str()), text) << length;
        // Arguments after a long one must still be read correctly.
        EXPECT_EQ(Zest::FormatString("%s|%d|%s", text.c_str(), -17, "end"), text + "|-17|end") << length;
    }
    EXPECT_EQ(Zest::FormatString("%05.1f %x %c %%", 3.14159, 255u, 'z'), "003.1 ff z %");
}

TEST(Common, WideAndNarrow)
{
    EXPECT_EQ(Zest::WideToNarrow(L"abc\x00E9\x00FF\x0100\x20AC"), "abc\xE9\xFF??");
    EXPECT_EQ(Zest::NarrowToWide("abc\xE9\xFF"), std::wstring(L"abc\x00E9\x00FF"));

    std::string allBytes;
    for (int i = 0; i < 256; ++i) allBytes.push_back(static_cast<char>(i));
    EXPECT_EQ(Zest::WideToNarrow(Zest::NarrowToWide(allBytes)), allBytes);

    // No fixed work area: texts far beyond 16 KB come through whole.
    const std::wstring longText(40000, L'\x00E4');
    EXPECT_EQ(Zest::WideToNarrow(longText), std::string(40000, '\xE4'));
}

TEST(Common, CaseAndTrim)
{
    EXPECT_EQ(Zest::StringToUpper("aBz1-\xE9"), "ABZ1-\xE9");
    EXPECT_EQ(Zest::StringToLower("aBZ1-\xC9"), "abz1-\xC9");

    const std::pair<std::string, std::string> trims[] = {
        {"  a b \t\r\n", "a b"}, {"x", "x"}, {"", ""}, {" \t\n\v\f\r", ""}, {"\xA0x\xA0", "\xA0x\xA0"}};
    for (const auto& [text, trimmed] : trims) EXPECT_EQ(Zest::Trim(text), trimmed) << text;
}

TEST(Common, StrFindNoCase)
{
    EXPECT_EQ(Zest::StrFindNoCase("Hello", "LL"), 2);
    EXPECT_EQ(Zest::StrFindNoCase("Hello", "xyz"), -1);
    EXPECT_EQ(Zest::StrFindNoCase("abcABC", "Cab"), 2);
    EXPECT_EQ(Zest::StrFindNoCase("abc", ""), 0);
    EXPECT_EQ(Zest::StrFindNoCase("", "a"), -1);
    EXPECT_EQ(Zest::StrFindNoCase("ab", "abc"), -1);
}

TEST(Common, StringLessNoCase)
{
    EXPECT_TRUE(Zest::StringLessNoCase("apple", "Banana"));
    EXPECT_FALSE(Zest::StringLessNoCase("Banana", "apple"));
    EXPECT_FALSE(Zest::StringLessNoCase("ABC", "abc"));
    EXPECT_FALSE(Zest::StringLessNoCase("abc", "ABC"));
    EXPECT_TRUE(Zest::StringLessNoCase("ab", "ABC"));
    // Letters compare as lower case, so '_' (between the upper and lower letters) sorts before them.
    EXPECT_TRUE(Zest::StringLessNoCase("_", "A"));
    EXPECT_TRUE(Zest::StringLessNoCase("z", "\xE9"));

    std::map<std::string, int, Zest::StringLessNoCaseCompare> names;
    names["IMAGE_Board"] = 1;
    names["image_board"] = 2;
    names["Font"] = 3;
    EXPECT_EQ(names.size(), 2u);
    EXPECT_EQ(names.at("IMAGE_BOARD"), 2);
    EXPECT_EQ(names.begin()->first, "Font");
}

TEST(Common, PathSplitting)
{
    const std::pair<std::string, std::string> baseNames[] = {
        {"dir\\file.txt", "file"},
        {"a/b.c/file.tar.gz", "file.tar"},
        {"a.b/c", "c"},
        {"noext", "noext"},
        {"dir/", ""},
        {"", ""},
    };
    for (const auto& [path, name] : baseNames) EXPECT_EQ(Zest::GetFileBaseName(path), name) << path;

    const std::pair<std::string, std::string> dirs[] = {
        {"f.txt", ""}, {"a/b\\c.txt", "a/b"}, {"a\\b/c", "a\\b"}, {"/top", ""}, {"a/", "a"}, {"", ""},
    };
    for (const auto& [path, dir] : dirs) EXPECT_EQ(Zest::GetFileDir(path), dir) << path;

    const std::pair<std::string, std::string> removed[] = {
        {"", ""}, {"a/", "a"}, {"a\\", "a"}, {"a", "a"}, {"a//", "a/"}, {"/", ""},
    };
    for (const auto& [path, result] : removed) EXPECT_EQ(Zest::RemoveTrailingSlash(path), result) << path;

    const std::pair<std::string, std::string> added[] = {
        {"", ""},
        {"a/", "a/"},
        {"a\\", "a\\"},
        {"a", "a\\"},
    };
    for (const auto& [path, result] : added) EXPECT_EQ(Zest::AddTrailingSlash(path), result) << path;
}

TEST(Common, ResolveRelativePath)
{
    struct Case
    {
        const char* path;
        const char* base;
        const char* expected;
    };
    const Case cases[] = {
        {"x.txt", "data\\levels", "data\\levels\\x.txt"},
        {"x.txt", "data/levels/", "data/levels/x.txt"},
        {"../x.txt", "a/b", "a/x.txt"},
        {".\\c\\..\\d", "a\\b\\", "a\\b\\d"},
        {"images/../sounds/./s.ogg", "res", "res\\sounds/s.ogg"},
        {"..\\..\\..\\x", "/home", "/x"}, // ".." above the root is dropped
        {"../../x", "a", "x"},
        {"..", "", ""},
        {"", "base", "base\\"},
        {"C:\\abs\\..\\f", "base", "C:\\abs\\..\\f"},
        {"/abs/p", "base", "/abs/p"},
        {"..\\x", "C:\\", "C:\\x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Zest::ResolveRelativePath(c.path, c.base), c.expected) << c.path << " in " << c.base;
}

TEST(Common, AppDataFolderGetsATrailingSeparator)
{
    Zest::SetAppDataFolder("/tmp/maker/product");
    EXPECT_EQ(Zest::GetAppDataFolder(), "/tmp/maker/product\\");
    Zest::SetAppDataFolder("/tmp/maker/product/");
    EXPECT_EQ(Zest::GetAppDataFolder(), "/tmp/maker/product/");
}

TEST(Common, DirectXErrorName)
{
    const std::pair<uint32_t, std::string> cases[] = {
        {0x887601C2u, "DDERR_SURFACELOST"},
        {0x80070057u, "DDERR_INVALIDPARAMS"},
        {0x80004005u, "DDERR_GENERIC"},
        {0x8007000Eu, "E_OUTOFMEMORY"},
        {0x8876017Cu, "DDERR_OUTOFVIDEOMEMORY"},
        {0x8876021Cu, "DDERR_WASSTILLDRAWING"},
        {0x887602F8u, "D3DERR_SCENE_IN_SCENE"},
        {0x88780096u, "DSERR_BUFFERLOST"},
        {0x8878000Au, "DSERR_ALLOCATED"},
        {0x12345u, "12345"},
        {0u, "0"},
        {0xFFFFFFFFu, "ffffffff"},
        {0x88760001u, "88760001"},
    };
    for (const auto& [code, name] : cases)
        EXPECT_EQ(Zest::DirectXErrorName(static_cast<int32_t>(code)), name) << std::hex << code;
}

TEST(Common, OutputDebugFormatsTheText)
{
    Platform::DebugOutputCapture capture;
    Zest::OutputDebug("frame %d took %s\n", 42, "long");
    const std::string longText(5000, 'w');
    Zest::OutputDebug("%s", longText.c_str());
    EXPECT_EQ(capture.Text(), "frame 42 took long\n" + longText);
}

// A scratch folder of the test's own, removed afterwards.
class CommonFiles : public testing::Test
{
protected:
    void SetUp() override
    {
        std::random_device random;
        mRoot = fs::temp_directory_path() / ("zest_common_" + std::to_string(random()) + "_" +
                                             testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(mRoot);
    }
    void TearDown() override
    {
        std::error_code error;
        fs::remove_all(mRoot, error);
    }

    fs::path mRoot;
};

TEST_F(CommonFiles, MakeDirectoriesAndDeleteTreeTakeBothSeparators)
{
    const std::string root = mRoot.string();
    Zest::MakeDirectories(root + "\\one/two\\three\\");
    EXPECT_TRUE(fs::is_directory(mRoot / "one" / "two" / "three"));

    // Existing folders along the way are fine; a relative path works too.
    Zest::MakeDirectories(root + "/one\\two/four");
    EXPECT_TRUE(fs::is_directory(mRoot / "one" / "two" / "four"));
    EXPECT_TRUE(fs::is_directory(mRoot / "one" / "two" / "three"));

    std::ofstream(mRoot / "one" / "two" / "three" / "file.dat") << "data";
    Zest::DeleteTree(root + "\\one\\two");
    EXPECT_FALSE(fs::exists(mRoot / "one" / "two"));
    EXPECT_TRUE(fs::is_directory(mRoot / "one"));

    // Existing folders are found whatever the case the name is written in.
    Zest::MakeDirectories(root + "\\ONE\\Five");
    EXPECT_TRUE(fs::is_directory(mRoot / "one" / "Five"));
    EXPECT_FALSE(fs::exists(mRoot / "ONE"));
    Zest::DeleteTree(root + "/One/FIVE");
    EXPECT_FALSE(fs::exists(mRoot / "one" / "Five"));

    Zest::DeleteTree(root + "/missing/"); // nothing there: no effect, no failure
    Zest::DeleteTree("");
    EXPECT_TRUE(fs::is_directory(mRoot / "one"));
}

TEST_F(CommonFiles, GetFileDateReadsTheModificationTime)
{
    const fs::path file = mRoot / "dated.txt";
    std::ofstream(file) << "x";
    const auto when = std::chrono::sys_seconds(std::chrono::seconds(1234567890));
    fs::last_write_time(file, std::chrono::file_clock::from_sys(when));

    EXPECT_EQ(Zest::GetFileDate(file.string()), 1234567890u);
    EXPECT_EQ(Zest::GetFileDate(mRoot.string() + "\\DATED.Txt"), 1234567890u);
    EXPECT_EQ(Zest::GetFileDate((mRoot / "absent.txt").string()), 0u);
    EXPECT_EQ(Zest::GetFileDate(""), 0u);
}

} // namespace
