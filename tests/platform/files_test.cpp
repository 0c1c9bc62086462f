// Tests of the XDG folders, case-insensitive name resolution, atomic writes and the file helpers.
#include "TempHome.h"

#include "platform/Files.h"
#include "platform/MappedFile.h"
#include "platform/Modules.h"
#include "platform/System.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

namespace fs = std::filesystem;

using FilesTest = TempHome;

TEST(XdgFolderRule, OnlyAbsoluteValuesCount)
{
    struct Case
    {
        const char* value;
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/x/config", "/home/u", "/x/config"},
        {"/x/config/", "/home/u", "/x/config"},
        {"relative/config", "/home/u", "/home/u/.config"},
        {"./config", "/home/u", "/home/u/.config"},
        {"", "/home/u", "/home/u/.config"},
        {nullptr, "/home/u/", "/home/u/.config"},
        {nullptr, "home/u", ""},
        {nullptr, nullptr, ""},
        {"/", "/home/u", "/"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.value ? c.value : "(unset)") + " / " + (c.home ? c.home : "(unset)"));
        EXPECT_EQ(Platform::XdgFolder(c.value, c.home, ".config"), c.expected);
    }
}

TEST_F(FilesTest, FoldersFollowTheEnvironmentAndOverrides)
{
    EXPECT_EQ(Platform::ConfigFolder(), root + "/config");
    EXPECT_EQ(Platform::DataFolder(), root + "/data");
    EXPECT_EQ(Platform::CacheFolder(), root + "/cache");
    EXPECT_EQ(Platform::RuntimeFolder(), root + "/run");

    Platform::SetEnv("XDG_CONFIG_HOME", "not/absolute");
    Platform::SetEnv("XDG_DATA_HOME", "");
    Platform::UnsetEnv("XDG_CACHE_HOME");
    Platform::SetEnv("XDG_RUNTIME_DIR", "run");
    EXPECT_EQ(Platform::ConfigFolder(), root + "/home/.config");
    EXPECT_EQ(Platform::DataFolder(), root + "/home/.local/share");
    EXPECT_EQ(Platform::CacheFolder(), root + "/home/.cache");
    EXPECT_EQ(Platform::RuntimeFolder(), "") << "the runtime folder has no default";

    Platform::OverrideFolder(Platform::Folder::Data, root + "/elsewhere/");
    EXPECT_EQ(Platform::DataFolder(), root + "/elsewhere");
    Platform::OverrideFolder(Platform::Folder::Data, "");
    EXPECT_EQ(Platform::DataFolder(), root + "/home/.local/share");
}

TEST_F(FilesTest, ResolvesNamesCaseInsensitivelyComponentByComponent)
{
    WriteText(root + "/Data/Images/Hero.PNG", "hero");
    WriteText(root + "/Data/Images/Sword.png", "one");
    WriteText(root + "/Data/Images/SWORD.png", "two");
    WriteText(root + "/Data/Images/sword.png", "three");
    WriteText(root + "/Data/Images/SHIELD.png", "four");
    WriteText(root + "/Data/Images/Shield.png", "five");
    ASSERT_TRUE(Platform::SetCurrentDirectory(root));

    struct Case
    {
        std::string name;
        std::string expected;
    };
    const Case cases[] = {
        {root + "/Data/Images/Hero.PNG", root + "/Data/Images/Hero.PNG"},
        {root + "\\data\\images\\hero.png", root + "/Data/Images/Hero.PNG"},
        {"data\\IMAGES\\HERO.png", "Data/Images/Hero.PNG"},
        {"./data/images/hero.png", "./Data/Images/Hero.PNG"},
        {"data/images/../IMAGES/hero.png", "Data/Images/../Images/Hero.PNG"},
        {"data\\\\images//hero.png", "Data/Images/Hero.PNG"},
        {"DATA\\images\\", "Data/Images/"},
        // Exact case wins over other variants; otherwise the first variant in byte order.
        {"data/images/sword.png", "Data/Images/sword.png"},
        {"data/images/Sword.png", "Data/Images/Sword.png"},
        {"data/images/sWoRd.png", "Data/Images/SWORD.png"},
        {"data/images/shield.png", "Data/Images/SHIELD.png"},
        // Missing parts keep their spelling behind the part that was found.
        {"data\\images\\Missing.png", "Data/Images/Missing.png"},
        {"data\\Nowhere\\Deeper\\X.png", "Data/Nowhere/Deeper/X.png"},
        {"Data/Images/Hero.PNG/inside", "Data/Images/Hero.PNG/inside"},
        {"nothing\\here", "nothing/here"},
        {"", ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Platform::ResolveFileName(c.name), c.expected);
    }
}

TEST_F(FilesTest, ResolutionSeesFilesAddedRenamedAndRemovedLater)
{
    // A folder listing is only kept once the folder has been still for a moment; wait that long before each
    // look-up so that every step below starts from a cached listing.
    auto lookUp = [](const std::string& name)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        return Platform::ResolveFileName(name);
    };
    WriteText(root + "/Levels/One.xml", "1");
    EXPECT_EQ(lookUp(root + "/levels/two.xml"), root + "/Levels/two.xml");

    // Changed behind the program's back, even with the folder's modification time put back.
    const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(root + "/Levels", longAgo);
    EXPECT_EQ(lookUp(root + "/levels/two.xml"), root + "/Levels/two.xml");
    WriteText(root + "/Levels/TWO.xml", "2");
    fs::last_write_time(root + "/Levels", longAgo);
    EXPECT_EQ(Platform::ResolveFileName(root + "/levels/two.xml"), root + "/Levels/TWO.xml");
    EXPECT_EQ(lookUp(root + "/levels/two.xml"), root + "/Levels/TWO.xml");
    fs::rename(root + "/Levels/TWO.xml", root + "/Levels/Two.XML");
    fs::last_write_time(root + "/Levels", longAgo);
    EXPECT_EQ(Platform::ResolveFileName(root + "/levels/two.xml"), root + "/Levels/Two.XML");
    EXPECT_EQ(lookUp(root + "/levels/two.xml"), root + "/Levels/Two.XML");
    fs::remove(root + "/Levels/Two.XML");
    EXPECT_EQ(Platform::ResolveFileName(root + "/levels/two.xml"), root + "/Levels/two.xml");

    // Changed through our own helpers.
    ASSERT_TRUE(Platform::WriteFileAtomically(root + "/Levels/tWo.xml", "x"));
    EXPECT_EQ(Platform::ResolveFileName(root + "/LEVELS/TWO.XML"), root + "/Levels/tWo.xml");
    EXPECT_EQ(lookUp(root + "/levels/two.xml"), root + "/Levels/tWo.xml");
    ASSERT_TRUE(Platform::DeleteFile(root + "/Levels/tWo.xml"));
    EXPECT_EQ(Platform::ResolveFileName(root + "/levels/two.xml"), root + "/Levels/two.xml");
    Platform::InvalidateFileNameCache();
    EXPECT_EQ(Platform::ResolveFileName(root + "/LEVELS/ONE.XML"), root + "/Levels/One.xml");
}

TEST_F(FilesTest, AtomicWriteReplacesWholeFilesAndKeepsPermissions)
{
    std::string path = root + "/save.dat";
    ASSERT_TRUE(Platform::WriteFileAtomically(path, std::string("first\0with nul", 14)));
    EXPECT_EQ(ReadText(path), std::string("first\0with nul", 14));

    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(Platform::WriteFileAtomically(path, "second"));
    EXPECT_EQ(ReadText(path), "second");
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    ASSERT_TRUE(Platform::WriteFileAtomically(path, ""));
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_EQ(Listing(root), (std::vector<std::string>{"home", "run", "save.dat"})) << "no temporary file left";
}

TEST_F(FilesTest, AtomicWriteThroughALinkReplacesItsTargetAndKeepsTheLink)
{
    fs::create_directories(root + "/sync/deeper");
    fs::create_directories(root + "/data");
    ASSERT_TRUE(Platform::WriteFileAtomically(root + "/sync/deeper/players.dat", "old"));
    // A relative link, and a link to that link given by its full path.
    fs::create_symlink("../sync/deeper/players.dat", root + "/data/players.dat");
    fs::create_symlink(root + "/data/players.dat", root + "/data/again.dat");
    // A link that leads nowhere yet: the file is made where it points.
    fs::create_symlink("../sync/new.dat", root + "/data/new.dat");

    ASSERT_TRUE(Platform::WriteFileAtomically(root + "/data/players.dat", "new"));
    EXPECT_TRUE(fs::is_symlink(root + "/data/players.dat"));
    EXPECT_EQ(ReadText(root + "/sync/deeper/players.dat"), "new");
    ASSERT_TRUE(Platform::WriteFileAtomically(root + "/data/again.dat", "newer"));
    EXPECT_TRUE(fs::is_symlink(root + "/data/again.dat"));
    EXPECT_TRUE(fs::is_symlink(root + "/data/players.dat"));
    EXPECT_EQ(ReadText(root + "/sync/deeper/players.dat"), "newer");
    ASSERT_TRUE(Platform::WriteFileAtomically(root + "/data/new.dat", "made"));
    EXPECT_TRUE(fs::is_symlink(root + "/data/new.dat"));
    EXPECT_EQ(ReadText(root + "/sync/new.dat"), "made");
    EXPECT_EQ(Listing(root + "/sync/deeper"), (std::vector<std::string>{"players.dat"})) << "no temporary file left";
    EXPECT_EQ(Listing(root + "/data"), (std::vector<std::string>{"again.dat", "new.dat", "players.dat"}));

    // A loop of links is refused, not followed for ever.
    fs::create_symlink("loop2", root + "/data/loop1");
    fs::create_symlink("loop1", root + "/data/loop2");
    EXPECT_FALSE(Platform::WriteFileAtomically(root + "/data/loop1", "x"));
}

TEST_F(FilesTest, FailedAtomicWritesLeaveThePreviousFileAndNoLitter)
{
    std::string path = root + "/save.dat";
    ASSERT_TRUE(Platform::WriteFileAtomically(path, "the good old contents"));

    for (int64_t after : {0, 5, 20})
    {
        SCOPED_TRACE(after);
        Platform::InjectWriteFailureAfter(after);
        EXPECT_FALSE(Platform::WriteFileAtomically(path, "new contents that never fully arrive"));
        EXPECT_EQ(ReadText(path), "the good old contents");
        EXPECT_EQ(Listing(root), (std::vector<std::string>{"home", "run", "save.dat"}));
    }
    EXPECT_TRUE(Platform::WriteFileAtomically(path, "later")) << "the injected failure is one-shot";

    EXPECT_FALSE(Platform::WriteFileAtomically(root + "/no/such/folder/file", "x"));
    EXPECT_FALSE(Platform::WriteFileAtomically(root + "/home", "x")) << "a folder is not replaced";
    EXPECT_TRUE(fs::is_directory(root + "/home"));
    EXPECT_FALSE(Platform::WriteFileAtomically("", "x"));
}

TEST_F(FilesTest, ReadWholeFileHonoursTheLimit)
{
    std::string out = "stale";
    EXPECT_EQ(Platform::ReadWholeFile(root + "/absent", out, 100), Platform::ReadResult::NotFound);
    EXPECT_EQ(out, "");
    WriteText(root + "/ten", "0123456789");
    EXPECT_EQ(Platform::ReadWholeFile(root + "/ten", out, 10), Platform::ReadResult::Ok);
    EXPECT_EQ(out, "0123456789");
    EXPECT_EQ(Platform::ReadWholeFile(root + "/ten", out, 9), Platform::ReadResult::TooLarge);
    EXPECT_EQ(out, "");
    EXPECT_EQ(Platform::ReadWholeFile(root + "/home", out, 100), Platform::ReadResult::Error);
}

TEST_F(FilesTest, ReadsRefuseWhatIsNotAFileAtOnce)
{
    // A pipe would block an open for reading until a writer came; a device is never read to its end.
    const std::string pipe = root + "/pipe", folder = root + "/folder", zero = root + "/zero";
    ASSERT_EQ(std::system(("mkfifo '" + pipe + "'").c_str()), 0);
    std::filesystem::create_directory(folder);
    std::filesystem::create_symlink("/dev/zero", zero);
    for (const std::string& path : {pipe, folder, zero})
    {
        EXPECT_EQ(Platform::OpenFile(path, "rb"), nullptr) << path;
        std::string bytes;
        EXPECT_EQ(Platform::ReadWholeFile(path, bytes, 1 << 20), Platform::ReadResult::Error) << path;
        EXPECT_TRUE(Platform::PathExists(path)) << path;
    }
    // A plain file still opens, and a link leading nowhere is still something in the way.
    std::ofstream(root + "/plain") << "text";
    std::FILE* plain = Platform::OpenFile(root + "/plain", "rb");
    ASSERT_NE(plain, nullptr);
    char text[8] = {};
    EXPECT_EQ(std::fread(text, 1, sizeof text, plain), 4u);
    std::fclose(plain);
    std::filesystem::create_symlink(root + "/gone", root + "/dangling");
    EXPECT_TRUE(Platform::PathExists(root + "/dangling"));
    EXPECT_FALSE(Platform::PathExists(root + "/gone"));
}

TEST_F(FilesTest, HelpersCreateRemoveAndDescribeFiles)
{
    std::string deep = root + "/a/b/c";
    EXPECT_TRUE(Platform::MakeDirectories(deep));
    EXPECT_TRUE(Platform::MakeDirectories(deep)) << "already there is fine";
    EXPECT_TRUE(Platform::DirectoryExists(deep));
    EXPECT_FALSE(Platform::MakeDirectory(root + "/x/y")) << "one level only";

    std::string file = deep + "/f.txt";
    WriteText(file, "f");
    EXPECT_TRUE(Platform::FileExists(file));
    EXPECT_FALSE(Platform::FileExists(deep));
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(48));
    int64_t age = static_cast<int64_t>(std::time(nullptr)) - Platform::FileModificationTime(file);
    EXPECT_NEAR(age, 48 * 3600, 5);
    EXPECT_EQ(Platform::FileModificationTime(root + "/absent"), 0);

    EXPECT_FALSE(Platform::DeleteFile(deep)) << "folders are not files";
    EXPECT_TRUE(Platform::DeleteFile(file));
    EXPECT_FALSE(Platform::DeleteFile(file));

    // Removing a tree removes a link in it, never what the link points to.
    WriteText(root + "/keep/precious.txt", "keep me");
    fs::create_directory_symlink(root + "/keep", root + "/a/b/link");
    EXPECT_TRUE(Platform::RemoveTree(root + "/a"));
    EXPECT_FALSE(fs::exists(root + "/a"));
    EXPECT_EQ(ReadText(root + "/keep/precious.txt"), "keep me");
    EXPECT_TRUE(Platform::RemoveTree(root + "/a")) << "nothing left is success";

    std::string before = Platform::GetCurrentDirectory();
    ASSERT_TRUE(Platform::SetCurrentDirectory(root + "/keep"));
    EXPECT_EQ(fs::canonical(Platform::GetCurrentDirectory()), fs::canonical(root + "/keep"));
    EXPECT_FALSE(Platform::SetCurrentDirectory(root + "/absent"));
    Platform::SetCurrentDirectory(before);

    std::string exe = Platform::ExecutablePath();
    EXPECT_EQ(exe.front(), '/');
    EXPECT_EQ(fs::path(exe).filename(), "platform_tests");
}

TEST_F(FilesTest, StartUpFindsTheDataFolderQueryByName)
{
    Platform::ModuleHandle shell = Platform::LoadLibrary("SHELL32.DLL");
    ASSERT_NE(shell, nullptr);
    auto* query = Platform::GetProcAddress<int32_t(void*, int, void*, uint32_t, char*)>(shell, "SHGetFolderPathA");
    ASSERT_NE(query, nullptr);

    char path[Platform::MAX_PATH];
    EXPECT_EQ(query(nullptr, Platform::CSIDL_COMMON_APPDATA, nullptr, 0, path), Platform::S_OK);
    EXPECT_EQ(std::string(path), root + "/data");
    EXPECT_EQ(query(nullptr, 0x1A, nullptr, 0, path), Platform::E_INVALIDARG);

    Platform::SetEnv("XDG_DATA_HOME", "/" + std::string(Platform::MAX_PATH, 'x'));
    EXPECT_EQ(query(nullptr, Platform::CSIDL_COMMON_APPDATA, nullptr, 0, path), Platform::E_FAIL);
    Platform::FreeLibrary(shell);
}

namespace
{
// The resident size (kB) of the mapping of `path`, as the system reports it for this process.
long ResidentKb(const std::string& path)
{
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line))
    {
        const bool header = !line.empty() && line.find(':') != std::string::npos && line.find(' ') > line.find('-') &&
                            line.find('-') < 17 && std::isxdigit(static_cast<unsigned char>(line[0]));
        if (header)
            inside = line.size() >= path.size() && line.compare(line.size() - path.size(), path.size(), path) == 0;
        else if (inside && line.rfind("Rss:", 0) == 0)
            return std::atol(line.c_str() + 4);
    }
    return -1;
}
} // namespace

TEST_F(FilesTest, AMappedFileLetsGoOfThePagesItWasReadFrom)
{
    const std::string path = root + "/home/mapped.bin";
    std::string bytes(1 << 20, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 4096);
    std::ofstream(path, std::ios::binary) << bytes;
    std::unique_ptr<Platform::MappedFile> mapped = Platform::MappedFile::Open(path);
    ASSERT_NE(mapped, nullptr);
    ASSERT_EQ(mapped->Size(), bytes.size());
    const auto sameAsTheFile = [&] { return std::memcmp(mapped->Data(), bytes.data(), bytes.size()) == 0; };
    EXPECT_TRUE(sameAsTheFile());
    const long whole = ResidentKb(path);
    if (whole < 0) GTEST_SKIP() << "the system does not report the mapping's resident size";
    EXPECT_GE(whole, 1000);
    // A part in the middle (widened to whole pages), then the rest: the bytes stay readable and the same.
    mapped->ReleasePages(5000, 300000);
    EXPECT_LT(ResidentKb(path), whole - 280);
    mapped->ReleasePages(0, bytes.size());
    EXPECT_LE(ResidentKb(path), 8);
    EXPECT_TRUE(sameAsTheFile());
    mapped->ReleasePages(bytes.size(), 10);
    mapped->ReleasePages(10, 0);
}
