// Tests of the settings store: value round trips, query rules, damaged files, failed saves, injected faults.
#include "TempHome.h"

#include "platform/Debug.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/System.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace Platform;

namespace
{

class RegistryTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        ClearRegistryFaults();
        file = root + "/config/zest/settings.ini";
    }
    void TearDown() override
    {
        ClearRegistryFaults();
        TempHome::TearDown();
    }

    static HKEY Create(const std::string& path)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, "", 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }

    static int32_t Set(HKEY key, const std::string& name, uint32_t type, const std::string& bytes)
    {
        return RegSetValueEx(key, name, 0, type, reinterpret_cast<const uint8_t*>(bytes.data()),
                             static_cast<uint32_t>(bytes.size()));
    }

    static std::string Dword(uint32_t value)
    {
        return std::string{static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 24)};
    }

    struct Read
    {
        int32_t result = -1;
        uint32_t type = 0;
        std::string bytes;
    };
    static Read Query(const std::string& path, const std::string& name)
    {
        Read read;
        HKEY key = nullptr;
        read.result = RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_READ, &key);
        if (read.result != ERROR_SUCCESS) return read;
        uint8_t buffer[4096];
        uint32_t length = sizeof(buffer);
        read.result = RegQueryValueEx(key, name, nullptr, &read.type, buffer, &length);
        if (read.result == ERROR_SUCCESS) read.bytes.assign(reinterpret_cast<char*>(buffer), length);
        RegCloseKey(key);
        return read;
    }

    std::string file;
};

struct StoredValue
{
    std::string name;
    uint32_t type;
    std::string bytes;
};

const char kTricky[] = "quote \" backslash \\ newline \n tab \t nul \0 high \xff";

std::vector<StoredValue> EveryKindOfValue()
{
    std::string allBytes;
    for (int i = 0; i < 256; ++i) allBytes += static_cast<char>(i);
    auto dword = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    return {
        {"Name", REG_SZ, "Chef Ada"},
        {"Empty", REG_SZ, ""},
        {"Tricky \"text\"", REG_SZ, std::string(kTricky, sizeof(kTricky) - 1)},
        {"Utf8", REG_SZ, "caf\xc3\xa9 \xe2\x82\xac"},
        {"Zero", REG_DWORD, dword(0)},
        {"MusicVolume", REG_DWORD, dword(55)},
        {"Minus", REG_DWORD, dword(0xFFFFFFFFu)},
        {"Lowest", REG_DWORD, dword(0x80000000u)},
        {"Highest", REG_DWORD, dword(0x7FFFFFFFu)},
        {"Blob", REG_BINARY, allBytes},
        {"EmptyBlob", REG_BINARY, ""},
        {"Player\\Level = 3; #x", REG_DWORD, dword(3)},
        {"", REG_SZ, "the key's default value"},
    };
}

} // namespace

TEST_F(RegistryTest, EveryValueTypeSurvivesTheFile)
{
    HKEY key = Create("SOFTWARE\\Maker\\Ember Cook");
    for (const StoredValue& value : EveryKindOfValue())
        ASSERT_EQ(Set(key, value.name, value.type, value.bytes), ERROR_SUCCESS) << value.name;
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    RegCloseKey(Create("SOFTWARE\\Maker\\Empty\\Leaf"));

    ReloadSettings(); // everything below comes from the file
    HKEY empty = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\Maker\\Empty\\Leaf", 0, KEY_READ, &empty), ERROR_SUCCESS)
        << "a key without values is kept too";
    RegCloseKey(empty);
    ASSERT_TRUE(fs::exists(file));
    for (const StoredValue& value : EveryKindOfValue())
    {
        SCOPED_TRACE(value.name);
        Read read = Query("SOFTWARE\\Maker\\Ember Cook", value.name);
        EXPECT_EQ(read.result, ERROR_SUCCESS);
        EXPECT_EQ(read.type, value.type);
        EXPECT_EQ(read.bytes, value.bytes);
    }
    std::string text = ReadText(file);
    EXPECT_NE(text.find("[\"SOFTWARE\\\\Maker\\\\Ember Cook\"]"), std::string::npos) << text;
    EXPECT_NE(text.find("\"MusicVolume\" = int:55\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Minus\" = int:-1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Name\" = str:\"Chef Ada\"\n"), std::string::npos) << text;
}

TEST_F(RegistryTest, KeysAndQueriesFollowTheRegistryRules)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\Maker\\Game", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);

    uint32_t disposition = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\Maker\\Game", 0, "", 0, KEY_ALL_ACCESS, nullptr, &key,
                             &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(Set(key, "Title", REG_SZ, "Ember"), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "software\\MAKER\\game\\", 0, "", 0, KEY_ALL_ACCESS, nullptr, &key,
                             &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY) << "paths compare ignoring case and stray separators";
    RegCloseKey(key);

    // Every key on the path exists now; a sub-key opens relative to an open key.
    HKEY parent = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\Maker", 0, KEY_READ, &parent), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyEx(parent, "Game", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(parent);

    uint32_t type = 0;
    uint32_t length = 0;
    EXPECT_EQ(RegQueryValueEx(key, "TITLE", nullptr, &type, nullptr, &length), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(length, 5u) << "text comes back as stored, without a terminator added";

    uint8_t small[4] = {9, 9, 9, 9};
    length = sizeof(small);
    EXPECT_EQ(RegQueryValueEx(key, "Title", nullptr, &type, small, &length), ERROR_MORE_DATA);
    EXPECT_EQ(length, 5u);
    EXPECT_EQ(small[0], 9) << "nothing copied when it does not fit";
    uint8_t exact[5];
    length = sizeof(exact);
    EXPECT_EQ(RegQueryValueEx(key, "Title", nullptr, &type, exact, &length), ERROR_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(exact), length), "Ember");
    EXPECT_EQ(RegQueryValueEx(key, "Absent", nullptr, &type, exact, &length), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueEx(key, "Title", nullptr, &type, exact, nullptr), ERROR_INVALID_PARAMETER);

    // A read-only handle cannot change anything.
    EXPECT_EQ(Set(key, "Title", REG_SZ, "x"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValue(key, "Title"), ERROR_ACCESS_DENIED);
    RegCloseKey(key);

    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\Maker\\Game", 0, KEY_WRITE, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueEx(key, "Title", nullptr, &type, nullptr, &length), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Set(key, "Count", REG_DWORD, "abc"), ERROR_INVALID_PARAMETER) << "a DWORD is 4 bytes";
    EXPECT_EQ(Set(key, "Odd", 7, "abc"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueEx(key, "Null", 0, REG_BINARY, nullptr, 3), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Set(key, "Huge", REG_BINARY, std::string(kMaxRegistryValueBytes + 1, 'x')), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Set(key, "title", REG_DWORD, Dword(7)), ERROR_SUCCESS) << "replaces, whatever the type was";
    EXPECT_EQ(RegDeleteValue(key, "TITLE"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(key, "TITLE"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(Query("SOFTWARE\\Maker\\Game", "Title").result, ERROR_FILE_NOT_FOUND);

    int dummy = 0;
    HKEY bogus = reinterpret_cast<HKEY>(&dummy);
    EXPECT_EQ(RegCloseKey(bogus), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyEx(bogus, "x", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(Set(bogus, "x", REG_SZ, "x"), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, DamagedFilesReadAsEmptyAndAreKeptAside)
{
    const std::string damaged[] = {
        "complete garbage \x01\x02",
        std::string("\0\0\0\xff\xfe binary", 12),
        "[\"SOFTWARE\\\\A\"]\n\"x\" = str:\"unterminated\n",
        "[\"SOFTWARE\\\\A\"]\n\"x\" = str:\"bad escape \\q\"\n",
        "[\"SOFTWARE\\\\A\"]\n\"x\" = str:\"short hex \\x4\"\n",
        "[\"SOFTWARE\\\\A\"]\n\"x\" = int:4294967296\n",
        "[\"SOFTWARE\\\\A\"]\n\"x\" = int:-2147483649\n",
        "[\"SOFTWARE\\\\A\"]\n\"x\" = int:12x\n",
        "[\"SOFTWARE\\\\A\"]\n\"x\" = bin:abc\n",
        "[\"SOFTWARE\\\\A\"]\n\"x\" = real:1.5\n",
        "[\"SOFTWARE\\\\A\"]\n\"x\" str:\"no equals\"\n",
        "[\"SOFTWARE\\\\A\"] trailing\n",
        "[SOFTWARE\\A]\n",
        "\"before any key\" = int:1\n",
    };
    for (const std::string& contents : damaged)
    {
        SCOPED_TRACE(contents);
        fs::remove_all(root + "/config");
        WriteText(file, contents);
        ReloadSettings();

        DebugOutputCapture debug;
        EXPECT_EQ(Query("SOFTWARE\\A", "x").result, ERROR_FILE_NOT_FOUND) << "read as an empty store";
        EXPECT_NE(debug.Text().find("damaged"), std::string::npos);
        EXPECT_FALSE(fs::exists(file));
        EXPECT_EQ(ReadText(file + ".damaged"), contents) << "kept aside byte for byte";

        // The store works on, and a second damaged file does not overwrite the first one kept aside.
        HKEY key = Create("SOFTWARE\\A");
        EXPECT_EQ(Set(key, "x", REG_DWORD, Dword(1)), ERROR_SUCCESS);
        RegCloseKey(key);
        WriteText(file, "more damage");
        ReloadSettings();
        EXPECT_EQ(Query("SOFTWARE\\A", "x").result, ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(ReadText(file + ".damaged"), contents);
        EXPECT_EQ(ReadText(file + ".damaged-2"), "more damage");
    }
}

TEST_F(RegistryTest, CutOrPartlyDamagedFilesKeepEveryWholeLineAndGoAside)
{
    HKEY key = Create("SOFTWARE\\A");
    ASSERT_EQ(Set(key, "Music", REG_DWORD, Dword(85)), ERROR_SUCCESS);
    ASSERT_EQ(Set(key, "Name", REG_SZ, "Kim"), ERROR_SUCCESS);
    ASSERT_EQ(Set(key, "Sound", REG_DWORD, Dword(70)), ERROR_SUCCESS);
    RegCloseKey(key);
    const std::string whole = ReadText(file);
    const std::pair<std::string, std::string> values[] = {
        {"\"Music\" = int:85\n", Dword(85)}, {"\"Name\" = str:\"Kim\"\n", "Kim"}, {"\"Sound\" = int:70\n", Dword(70)}};
    for (const auto& [line, bytes] : values) ASSERT_NE(whole.find(line), std::string::npos) << whole;

    // Every cut that leaves less than the whole file (the last line end alone carries nothing): each value whose
    // line is whole is read, nothing else, and the file goes aside as it was.
    for (size_t length = 1; length + 1 < whole.size(); ++length)
    {
        const std::string cut = whole.substr(0, length);
        SCOPED_TRACE(length);
        fs::remove_all(root + "/config");
        WriteText(file, cut);
        ReloadSettings();
        DebugOutputCapture debug;
        const Read music = Query("SOFTWARE\\A", "Music");
        EXPECT_NE(debug.Text().find("damaged"), std::string::npos) << "the player is told";
        EXPECT_EQ(ReadText(file + ".damaged"), cut) << "kept aside byte for byte";
        const Read got[] = {music, Query("SOFTWARE\\A", "Name"), Query("SOFTWARE\\A", "Sound")};
        for (size_t i = 0; i < 3; ++i)
        {
            const size_t at = whole.find(values[i].first);
            if (at + values[i].first.size() <= length)
                EXPECT_EQ(got[i].bytes, values[i].second) << values[i].first;
            else
                EXPECT_NE(got[i].result, ERROR_SUCCESS) << values[i].first << " is not whole";
        }
        // What was read is saved whole at once and reads without a word next time.
        if (music.result == ERROR_SUCCESS)
        {
            ReloadSettings();
            DebugOutputCapture again;
            EXPECT_EQ(Query("SOFTWARE\\A", "Music").bytes, Dword(85));
            EXPECT_EQ(again.Text(), "");
        }
    }

    // One bad line in the middle costs that line only.
    fs::remove_all(root + "/config");
    std::string damaged = whole;
    damaged.replace(damaged.find("str:"), 4, "rts:");
    WriteText(file, damaged);
    ReloadSettings();
    EXPECT_EQ(Query("SOFTWARE\\A", "Music").bytes, Dword(85));
    EXPECT_EQ(Query("SOFTWARE\\A", "Sound").bytes, Dword(70));
    EXPECT_EQ(Query("SOFTWARE\\A", "Name").result, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ReadText(file + ".damaged"), damaged);
}

TEST_F(RegistryTest, OversizedFileIsDamagedNotLoaded)
{
    WriteText(file, "");
    fs::resize_file(file, 17u << 20);
    ReloadSettings();
    EXPECT_EQ(Query("SOFTWARE\\A", "x").result, ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(fs::exists(file + ".damaged"));
    EXPECT_EQ(fs::file_size(file + ".damaged"), 17u << 20);
}

TEST_F(RegistryTest, HandEditedFilesAreRead)
{
    WriteText(file, "# comment\r\n; another\r\n\r\n  [ \"software\\\\A\" ]  \r\n"
                    "  \"x\"=int:0042\r\n\"s\" = str:\"\\x41\\x62c\"\r\n\"b\"=bin:DEadBEef\r\n"
                    "[\"SOFTWARE\\\\a\\\\\"]\n\"X\" = int:-7\n");
    ReloadSettings();
    EXPECT_FALSE(fs::exists(file + ".damaged"));
    Read x = Query("SOFTWARE\\A", "x");
    EXPECT_EQ(x.type, REG_DWORD);
    EXPECT_EQ(x.bytes, Dword(static_cast<uint32_t>(-7))) << "a key met twice is one key; the later value wins";
    EXPECT_EQ(Query("SOFTWARE\\A", "s").bytes, "Abc");
    EXPECT_EQ(Query("SOFTWARE\\A", "b").bytes, "\xde\xad\xbe\xef");
}

TEST_F(RegistryTest, AByteOrderMarkIsSkippedNotTakenForDamage)
{
    WriteText(file, "\xEF\xBB\xBF[\"SOFTWARE\\\\A\"]\n\"x\" = int:5\n");
    ReloadSettings();
    EXPECT_EQ(Query("SOFTWARE\\A", "x").bytes, Dword(5));
    EXPECT_FALSE(fs::exists(file + ".damaged"));
}

TEST_F(RegistryTest, TemporariesOfKilledSavesGoWhenTheFileIsRead)
{
    // A process id that runs no process: past the kernel's largest.
    const std::string dead = ".settings.ini.tmp-999999999-3";
    const std::string mine = ".settings.ini.tmp-" + std::to_string(CurrentProcessId()) + "-0";
    WriteText(file, "[\"SOFTWARE\\\\A\"]\n\"x\" = int:1\n");
    for (const std::string& name : {dead, mine, std::string(".other.tmp-1x-2"), std::string("notes.txt")})
        WriteText(root + "/config/zest/" + name, "partial");
    ReloadSettings();
    EXPECT_EQ(Query("SOFTWARE\\A", "x").bytes, Dword(1));
    EXPECT_EQ(Listing(root + "/config/zest"),
              (std::vector<std::string>{".other.tmp-1x-2", mine, "notes.txt", "settings.ini"}))
        << "only the dead process's temporary goes; a live writer's and other names stay";
}

TEST_F(RegistryTest, ABatchSavesOnceAtItsEnd)
{
    HKEY key = Create("SOFTWARE\\A");
    const std::string before = ReadText(file);
    {
        SettingsBatch batch;
        for (int i = 0; i < 9; ++i) EXPECT_EQ(Set(key, "v" + std::to_string(i), REG_DWORD, Dword(i)), ERROR_SUCCESS);
        {
            SettingsBatch inner; // nested: the outer one saves
        }
        EXPECT_EQ(ReadText(file), before) << "nothing written while the batch lives";
        EXPECT_EQ(Query("SOFTWARE\\A", "v8").bytes, Dword(8)) << "but every change is visible at once";
        EXPECT_TRUE(batch.Commit());
    }
    ReloadSettings();
    EXPECT_EQ(Query("SOFTWARE\\A", "v0").bytes, Dword(0));
    EXPECT_EQ(Query("SOFTWARE\\A", "v8").bytes, Dword(8));

    // A batch whose save fails says so, keeps its changes in memory, and a later save writes them.
    {
        SettingsBatch batch;
        EXPECT_EQ(Set(key, "late", REG_DWORD, Dword(1)), ERROR_SUCCESS);
        InjectWriteFailureAfter(0);
        EXPECT_FALSE(batch.Commit());
    }
    EXPECT_EQ(Query("SOFTWARE\\A", "late").bytes, Dword(1));
    EXPECT_EQ(Set(key, "later", REG_DWORD, Dword(2)), ERROR_SUCCESS);
    RegCloseKey(key);
    ReloadSettings();
    EXPECT_EQ(Query("SOFTWARE\\A", "late").bytes, Dword(1));
}

TEST_F(RegistryTest, SettingsThatCannotBeSavedAreReportedOnce)
{
    HKEY key = Create("SOFTWARE\\A");
    DebugOutputCapture seen;
    for (int i = 0; i < 3; ++i)
    {
        InjectWriteFailureAfter(0);
        EXPECT_EQ(Set(key, "x", REG_DWORD, Dword(i)), ERROR_CANTWRITE);
    }
    RegCloseKey(key);
    const std::string text = seen.Text();
    const size_t first = text.find("Settings cannot be saved to " + file);
    EXPECT_NE(first, std::string::npos) << text;
    EXPECT_EQ(text.find("Settings cannot be saved", first + 1), std::string::npos) << "said more than once: " << text;
}

TEST_F(RegistryTest, SaveThatFailsHalfWayLeavesThePreviousFileAndState)
{
    HKEY key = Create("SOFTWARE\\A");
    ASSERT_EQ(Set(key, "Level", REG_DWORD, Dword(3)), ERROR_SUCCESS);
    const std::string before = ReadText(file);

    for (int64_t after : {int64_t{0}, int64_t{10}, static_cast<int64_t>(before.size()) - 1})
    {
        SCOPED_TRACE(after);
        InjectWriteFailureAfter(after);
        EXPECT_EQ(Set(key, "Level", REG_DWORD, Dword(4)), ERROR_CANTWRITE);
        EXPECT_EQ(ReadText(file), before);
        EXPECT_EQ(Listing(root + "/config/zest"), std::vector<std::string>{"settings.ini"}) << "no temporary left";
        EXPECT_EQ(Query("SOFTWARE\\A", "Level").bytes, Dword(3)) << "the failed change is undone in memory too";
    }
    InjectWriteFailureAfter(5);
    EXPECT_EQ(RegDeleteValue(key, "Level"), ERROR_CANTWRITE);
    EXPECT_EQ(Query("SOFTWARE\\A", "Level").bytes, Dword(3));
    InjectWriteFailureAfter(5);
    HKEY other = nullptr;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\B", 0, "", 0, KEY_ALL_ACCESS, nullptr, &other, nullptr),
              ERROR_CANTWRITE);
    EXPECT_EQ(other, nullptr);

    EXPECT_EQ(Set(key, "Level", REG_DWORD, Dword(4)), ERROR_SUCCESS);
    RegCloseKey(key);
    ReloadSettings();
    EXPECT_EQ(Query("SOFTWARE\\A", "Level").bytes, Dword(4));
    EXPECT_EQ(Query("SOFTWARE\\B", "x").result, ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, InjectedFaultsFailTheChosenCall)
{
    HKEY key = Create("SOFTWARE\\A");
    RegCloseKey(key);

    SetRegistryFault(RegistryFault::Open, true);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\A", 0, KEY_WRITE, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, nullptr);
    SetRegistryFault(RegistryFault::Create, true);
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\A", 0, "", 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_ACCESS_DENIED);
    SetRegistryFault(RegistryFault::Open, false);
    SetRegistryFault(RegistryFault::Create, false);

    SetRegistryFault(RegistryFault::Set, true);
    key = Create("SOFTWARE\\A");
    EXPECT_EQ(Set(key, "x", REG_DWORD, Dword(1)), ERROR_ACCESS_DENIED);
    ClearRegistryFaults();
    EXPECT_EQ(Set(key, "x", REG_DWORD, Dword(1)), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(RegistryTest, SettingsFileFollowsTheConfigFolderOrAnExplicitPath)
{
    EXPECT_EQ(SettingsFile(), file);
    SetSettingsFile(root + "/elsewhere/store.ini");
    HKEY key = Create("SOFTWARE\\A");
    EXPECT_EQ(Set(key, "x", REG_SZ, "y"), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_TRUE(fs::exists(root + "/elsewhere/store.ini"));
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(RegistryTest, DefaultFileLivesInAFolderNamedAfterTheKey)
{
    const struct
    {
        const char* key;
        const char* folder;
    } cases[] = {
        {"Maker\\Product", "Maker/Product"},
        {"Maker/Product", "Maker/Product"},
        {"\\..\\Maker\\.\\", "Maker"},
        {"..", "zest"},
        {"", "zest"},
    };
    for (const auto& c : cases)
    {
        SetSettingsFolderName(c.key);
        EXPECT_EQ(SettingsFile(), root + "/config/" + c.folder + "/settings.ini") << c.key;
    }
    SetSettingsFolderName("Maker\\Product");
    HKEY key = Create("SOFTWARE\\Maker\\Product");
    EXPECT_EQ(Set(key, "x", REG_SZ, "y"), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_TRUE(fs::exists(root + "/config/Maker/Product/settings.ini"));
    // An explicit file still wins over the key's folder.
    SetSettingsFile(root + "/elsewhere/store.ini");
    EXPECT_EQ(SettingsFile(), root + "/elsewhere/store.ini");
    SetSettingsFile("");
    SetSettingsFolderName("");
}
