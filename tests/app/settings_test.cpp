// Settings in the store and demo-aware file access: paths, standard values, recording and replaying calls.
#include "AppTestSupport.h"

#include "app/DemoStream.h"

using namespace Zest;
using namespace Platform;

namespace
{
class SettingsTest : public AppTest
{
protected:
    // Puts the recorded stream of `from` into `to` as a replay starting at its first record.
    static void Replay(TestApp& from, TestApp& to)
    {
        to.mDemo.Reset();
        to.mDemo.buffer.WriteBytes(from.mDemo.buffer.GetDataPtr(), from.mDemo.buffer.GetDataLen());
        to.mDemo.StartReading();
        to.mPlayingDemo = true;
    }

    int32_t StoredInteger(const std::string& keyPath, const std::string& name)
    {
        HKEY key = nullptr;
        if (RegOpenKeyEx(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return INT32_MIN;
        uint8_t bytes[4] = {};
        uint32_t type = 0, length = 4;
        const int32_t result = RegQueryValueEx(key, name, nullptr, &type, bytes, &length);
        RegCloseKey(key);
        if (result != ERROR_SUCCESS || type != REG_DWORD) return INT32_MIN;
        return int32_t(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t(bytes[3]) << 24);
    }
};
} // namespace

TEST_F(SettingsTest, EmptyKeyTouchesNothingAndRecordsNothing)
{
    TestApp app;
    app.mRegKey.clear();
    app.mRecording = true;
    int32_t value = 7;
    std::string text = "kept";
    EXPECT_FALSE(app.RegistryWriteInteger("MusicVolume", 3));
    EXPECT_FALSE(app.RegistryReadInteger("MusicVolume", value));
    EXPECT_FALSE(app.RegistryReadString("Name", text));
    app.RegistryEraseValue("MusicVolume");
    app.WriteToRegistry();
    EXPECT_EQ(value, 7);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(app.mDemo.buffer.GetBitSize(), 0);
    EXPECT_EQ(app.mDemo.recordCount, 0);
}

TEST_F(SettingsTest, BackslashNamesGoToSubKeys)
{
    TestApp app;
    ASSERT_TRUE(app.RegistryWriteInteger("Sub\\Deeper\\Count", 42));
    EXPECT_EQ(StoredInteger("SOFTWARE\\ZestTest\\Sub\\Deeper", "Count"), 42);
    EXPECT_EQ(StoredInteger("SOFTWARE\\ZestTest", "Count"), INT32_MIN);
    int32_t value = 0;
    ASSERT_TRUE(app.RegistryReadInteger("Sub\\Deeper\\Count", value));
    EXPECT_EQ(value, 42);
    app.RegistryEraseValue("Sub\\Deeper\\Count");
    EXPECT_FALSE(app.RegistryReadInteger("Sub\\Deeper\\Count", value));
}

TEST_F(SettingsTest, TypedReadsCheckTheStoredType)
{
    TestApp app;
    ASSERT_TRUE(app.RegistryWriteString("Name", "Ember"));
    ASSERT_TRUE(app.RegistryWriteInteger("Count", -5));
    int32_t value = 99;
    EXPECT_FALSE(app.RegistryReadInteger("Name", value)); // a string read as a number
    EXPECT_EQ(value, 99);
    std::string text = "kept";
    EXPECT_FALSE(app.RegistryReadString("Count", text));
    EXPECT_EQ(text, "kept");
    ASSERT_TRUE(app.RegistryReadString("Name", text));
    EXPECT_EQ(text, "Ember");
    ASSERT_TRUE(app.RegistryReadInteger("Count", value));
    EXPECT_EQ(value, -5);
    bool flag = false;
    ASSERT_TRUE(app.RegistryReadBoolean("Count", flag));
    EXPECT_TRUE(flag);
}

TEST_F(SettingsTest, StandardValuesReadAsDefined)
{
    struct Case
    {
        const char* name;
        int32_t stored;
        std::function<bool(const TestApp&)> check;
    };
    const Case cases[] = {
        {"MusicVolume", 55, [](const TestApp& a) { return a.mMusicVolume == 0.55; }},
        {"MusicVolume", -20, [](const TestApp& a) { return a.mMusicVolume == 0.0; }},
        {"SfxVolume", 5000, [](const TestApp& a) { return a.mSfxVolume == 1.0; }},
        {"Muted", 5, [](const TestApp& a) { return a.mMuteCount == 1; }},
        {"Muted", 0, [](const TestApp& a) { return a.mMuteCount == 0; }},
        {"ScreenMode", 0, [](const TestApp& a) { return a.mIsWindowed; }},
        {"ScreenMode", 2, [](const TestApp& a) { return !a.mIsWindowed; }},
        {"PreferredX", 123, [](const TestApp& a) { return a.mPreferredX == 123; }},
        // Off the desktop (or near the int limits, where the placement sums would overflow): no preference.
        {"PreferredX", 2147483647, [](const TestApp& a) { return a.mPreferredX == -1; }},
        {"PreferredY", 2147483600, [](const TestApp& a) { return a.mPreferredY == -1; }},
        {"PreferredY", -2147483647 - 1, [](const TestApp& a) { return a.mPreferredY == -1; }},
        {"CustomCursors", 1, [](const TestApp& a) { return a.mCustomCursorsEnabled; }},
        {"WaitForVSync", 0, [](const TestApp& a) { return !a.mSyncDrawing; }},
        {"InProgress", 1, [](const TestApp& a) { return !a.mLastRunEndedCleanly; }},
        {"InProgress", 0, [](const TestApp& a) { return a.mLastRunEndedCleanly; }},
    };
    for (const Case& c : cases)
    {
        SetSettingsFile(root + "/config/" + c.name + std::to_string(c.stored) + ".ini");
        TestApp app;
        ASSERT_TRUE(app.RegistryWriteInteger(c.name, c.stored));
        app.ReadFromRegistry();
        EXPECT_TRUE(c.check(app)) << c.name << " = " << c.stored;
        if (std::string(c.name) == "InProgress")
        {
            EXPECT_EQ(StoredInteger("SOFTWARE\\ZestTest", "InProgress"), 1) << "marked as running";
        }
    }
}

TEST_F(SettingsTest, AReplayDoesNotMarkARunInProgress)
{
    // A replay saves nothing at exit: marking the run would leave the mark behind, and the next start would take
    // the replay for a crash.
    for (const char* arg : {"-play", "-PlayNum=3"})
    {
        SetSettingsFile(root + "/config/replay" + std::string(arg) + ".ini");
        TestApp app;
        ASSERT_TRUE(app.RegistryWriteInteger("InProgress", 0));
        app.mCommandLine = {"-demofile=x.dmo", arg};
        app.ReadFromRegistry();
        EXPECT_TRUE(app.mLastRunEndedCleanly);
        EXPECT_EQ(StoredInteger("SOFTWARE\\ZestTest", "InProgress"), 0) << arg;
    }
}

TEST_F(SettingsTest, AbsentOrMistypedValuesLeaveMembersAlone)
{
    TestApp app;
    ASSERT_TRUE(app.RegistryWriteString("MusicVolume", "55"));
    app.mMusicVolume = 0.3;
    app.mPreferredX = 17;
    app.ReadFromRegistry();
    EXPECT_EQ(app.mMusicVolume, 0.3);
    EXPECT_EQ(app.mPreferredX, 17);
    EXPECT_TRUE(app.mRegistryRead);
}

TEST_F(SettingsTest, VolumesSurviveEveryRoundTrip)
{
    TestApp app;
    for (int percent = 0; percent <= 100; ++percent)
    {
        ASSERT_TRUE(app.RegistryWriteInteger("MusicVolume", percent));
        app.ReadFromRegistry();
        app.WriteToRegistry();
        EXPECT_EQ(StoredInteger("SOFTWARE\\ZestTest", "MusicVolume"), percent);
    }
    app.mSfxVolume = 0.555;
    app.WriteToRegistry();
    EXPECT_EQ(StoredInteger("SOFTWARE\\ZestTest", "SfxVolume"), 55);
}

TEST_F(SettingsTest, WriteToRegistryStoresTheStandardValues)
{
    TestApp app;
    app.mMusicVolume = 0.29;
    app.mIsWindowed = false;
    app.mPreferredX = 40;
    app.mPreferredY = 50;
    app.Mute(true); // an automatic mute is not a player's choice
    app.WriteToRegistry();
    EXPECT_EQ(StoredInteger("SOFTWARE\\ZestTest", "MusicVolume"), 29);
    EXPECT_EQ(StoredInteger("SOFTWARE\\ZestTest", "Muted"), 0);
    EXPECT_EQ(StoredInteger("SOFTWARE\\ZestTest", "ScreenMode"), 1);
    EXPECT_EQ(StoredInteger("SOFTWARE\\ZestTest", "PreferredY"), 50);
    EXPECT_EQ(StoredInteger("SOFTWARE\\ZestTest", "InProgress"), 0);
    app.Mute(false);
    app.WriteToRegistry();
    EXPECT_EQ(StoredInteger("SOFTWARE\\ZestTest", "Muted"), 1);
}

TEST_F(SettingsTest, FailedStoreWriteIsReportedAndRecordedAsFailure)
{
    TestApp app;
    app.mRecording = true;
    SetRegistryFault(RegistryFault::Set, true);
    EXPECT_FALSE(app.RegistryWriteInteger("Count", 1));
    SetRegistryFault(RegistryFault::Set, false);
    SetRegistryFault(RegistryFault::Open, true);
    SetRegistryFault(RegistryFault::Create, true);
    EXPECT_FALSE(app.RegistryWriteInteger("Count", 2));
    ClearRegistryFaults();

    TestApp replay;
    Replay(app, replay);
    EXPECT_FALSE(replay.RegistryWriteInteger("Count", 1));
    EXPECT_FALSE(replay.RegistryWriteInteger("Count", 2));
}

TEST_F(SettingsTest, RecordedSessionReplaysWithoutTouchingStoreOrDisk)
{
    WriteText(root + "/cwd/data/level.txt", "level one");
    std::vector<std::string> results;
    auto session = [&](TestApp& app)
    {
        std::vector<std::string> out;
        int32_t value = 0;
        std::string text;
        Buffer buffer;
        out.push_back(std::to_string(app.RegistryWriteInteger("Score", 1234)));
        const bool readOk = app.RegistryReadInteger("Score", value);
        out.push_back(std::to_string(readOk) + ":" + std::to_string(value));
        out.push_back(std::to_string(app.RegistryReadString("Missing", text)));
        SetRegistryFault(RegistryFault::Set, !app.mPlayingDemo);
        out.push_back(std::to_string(app.RegistryWriteString("Refused", "x")));
        ClearRegistryFaults();
        app.mUpdateCount += 40; // later calls carry later update numbers, bridged by fillers
        out.push_back(std::to_string(app.FileExists("data/level.txt")));
        out.push_back(std::to_string(app.FileExists("data/none.txt")));
        const bool read = app.ReadBufferFromFile("DATA\\Level.TXT", buffer);
        out.push_back(std::to_string(read) + ":" +
                      std::string(reinterpret_cast<const char*>(buffer.GetDataPtr()), buffer.GetDataLen()));
        const uint8_t bytes[] = {'s', 'a', 'v', 'e'};
        out.push_back(std::to_string(app.WriteBytesToFile(root + "/data/saves/p.dat", bytes, 4)));
        return out;
    };

    std::vector<std::string> recorded;
    {
        TestApp app;
        app.mRecording = true;
        recorded = session(app);
        EXPECT_EQ(ReadText(root + "/data/saves/p.dat"), "save");

        // Replay against an empty store and an empty folder.
        std::filesystem::remove_all(root + "/config");
        std::filesystem::remove_all(root + "/data");
        std::filesystem::remove_all(root + "/cwd/data");
        SetSettingsFile(root + "/config/settings.ini");
        TestApp replay;
        Replay(app, replay);
        replay.mUpdateCount = 0;
        EXPECT_EQ(session(replay), recorded);
        EXPECT_FALSE(std::filesystem::exists(root + "/data/saves/p.dat"));
        EXPECT_FALSE(std::filesystem::exists(root + "/config/settings.ini"));
        EXPECT_FALSE(replay.mDemo.exhausted);
        replay.mPlayingDemo = false;
    }
    EXPECT_EQ(recorded[0], "1");
    EXPECT_EQ(recorded[1], "1:1234");
    EXPECT_EQ(recorded[3], "0");
    EXPECT_EQ(recorded[6], "1:level one");
}

TEST_F(SettingsTest, DoNotRecordReadsTheRealFileAndLeavesTheStreamAlone)
{
    WriteText(root + "/cwd/real.txt", "real");
    TestApp app;
    app.mRecording = true;
    ASSERT_TRUE(app.RegistryWriteInteger("A", 1));
    TestApp replay;
    Replay(app, replay);
    const int32_t before = replay.mDemo.buffer.GetReadBitPos();
    Buffer buffer;
    ASSERT_TRUE(replay.ReadBufferFromFile("real.txt", buffer, true));
    EXPECT_EQ(buffer.GetDataLen(), 4);
    EXPECT_EQ(replay.mDemo.buffer.GetReadBitPos(), before);
    EXPECT_TRUE(replay.RegistryWriteInteger("A", 1)) << "the pending record is still the write";
}

TEST_F(SettingsTest, FillerRecordsBridgeLongGaps)
{
    DemoStream stream;
    stream.WriteHeader(40, false, DEMO_FILE_WRITE);
    stream.buffer.WriteBits(1, 1);
    EXPECT_EQ(stream.recordCount, 3);
    EXPECT_EQ(stream.buffer.GetBitSize(), 3 * 10 + 1);
    stream.StartReading();
    int32_t first = stream.buffer.ReadBits(4, false);
    EXPECT_EQ(first, 15);
    stream.StartReading();
    ASSERT_TRUE(stream.PeekHeader());
    EXPECT_EQ(stream.pendingType, DEMO_FILE_WRITE);
    EXPECT_EQ(stream.pendingUpdate, 40);
    EXPECT_EQ(stream.recordCount, 3);
}

TEST_F(SettingsTest, ExhaustedStreamAnswersWithoutTouchingAnything)
{
    WriteText(root + "/cwd/present.txt", "x");
    TestApp app;
    app.mPlayingDemo = true;
    app.mDemo.Reset();
    app.mDemo.StartReading();
    Buffer buffer;
    uint8_t data[8];
    uint32_t type = 0, length = sizeof data;
    EXPECT_TRUE(app.WriteBytesToFile(root + "/out.txt", data, 1));
    EXPECT_TRUE(app.FileExists("nothing.txt"));
    EXPECT_FALSE(app.RegistryRead("Value", type, data, length));
    EXPECT_FALSE(app.ReadBufferFromFile("present.txt", buffer));
    EXPECT_TRUE(app.EraseFile("present.txt"));
    EXPECT_TRUE(std::filesystem::exists(root + "/cwd/present.txt"));
    EXPECT_FALSE(std::filesystem::exists(root + "/out.txt"));
    EXPECT_TRUE(app.mDemo.exhausted);
}

TEST_F(SettingsTest, CorruptReplayedLengthsFailSafely)
{
    // A registry payload longer than the caller's 4-byte buffer is skipped; the next record still reads.
    TestApp app;
    app.mRecording = true;
    ASSERT_TRUE(app.RegistryWriteString("Long", std::string(100, 'z')));
    std::string text;
    ASSERT_TRUE(app.RegistryReadString("Long", text));
    ASSERT_TRUE(app.RegistryWriteInteger("After", 1));
    TestApp replay;
    Replay(app, replay);
    EXPECT_TRUE(replay.RegistryWriteString("Long", ""));
    int32_t value = 77;
    EXPECT_FALSE(replay.RegistryReadInteger("Long", value));
    EXPECT_EQ(value, 77);
    EXPECT_TRUE(replay.RegistryWriteInteger("After", 1));
    EXPECT_FALSE(replay.mDemo.exhausted);

    // A file length far beyond what the stream holds ends the replay of calls instead of allocating it.
    TestApp forged;
    forged.mDemo.Reset();
    forged.mDemo.WriteHeader(0, false, DEMO_FILE_READ);
    forged.mDemo.buffer.WriteBits(1, 1);
    forged.mDemo.buffer.WriteLong(-1); // 4 GiB - 1
    forged.mDemo.buffer.WriteBytes(reinterpret_cast<const uint8_t*>("abc"), 3);
    forged.mDemo.StartReading();
    forged.mPlayingDemo = true;
    Buffer buffer;
    EXPECT_FALSE(forged.ReadBufferFromFile("x", buffer));
    EXPECT_EQ(buffer.GetDataLen(), 0);
    EXPECT_TRUE(forged.mDemo.exhausted);
}

TEST_F(SettingsTest, FailedFileWriteKeepsTheOldFile)
{
    const std::string path = root + "/data/players.dat";
    WriteText(path, "old contents");
    TestApp app;
    app.mRecording = true;
    InjectWriteFailureAfter(3);
    const uint8_t bytes[] = "new contents that do not fit";
    EXPECT_FALSE(app.WriteBytesToFile(path, bytes, sizeof bytes - 1));
    InjectWriteFailureAfter(-1);
    EXPECT_EQ(ReadText(path), "old contents");
    size_t files = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(root + "/data")) ++files;
    EXPECT_EQ(files, 1u) << "no temporary file left behind";

    TestApp replay;
    Replay(app, replay);
    EXPECT_FALSE(replay.WriteBytesToFile(path, bytes, 1)) << "the failure is recorded";
}

TEST_F(SettingsTest, DemoFileContainerRoundTripsAndRejectsDamage)
{
    DemoStream stream;
    stream.WriteHeader(3, true, DEMO_SHORT_MOVE);
    stream.buffer.WriteBits(-5, 6);
    stream.buffer.WriteBits(7, 6);
    DemoFileHeader header{0xDEADBEEF, "ZestTest", 1234};
    Buffer file;
    WriteDemoFile(file, header, stream);

    DemoFileHeader read;
    DemoStream back;
    std::string error;
    ASSERT_TRUE(ParseDemoFile(file, read, back, error)) << error;
    EXPECT_EQ(read.seed, 0xDEADBEEFu);
    EXPECT_EQ(read.product, "ZestTest");
    EXPECT_EQ(read.lengthUpdates, 1234);
    EXPECT_EQ(back.buffer.GetBitSize(), stream.buffer.GetBitSize());
    ASSERT_TRUE(back.PeekHeader());
    EXPECT_TRUE(back.pendingShort);
    EXPECT_EQ(back.pendingUpdate, 3);

    // Every truncation, and a wrong magic, is refused with the message.
    const std::vector<uint8_t> bytes(file.GetDataPtr(), file.GetDataPtr() + file.GetDataLen());
    for (size_t cut = 0; cut < bytes.size(); ++cut)
    {
        Buffer damaged;
        damaged.WriteBytes(bytes.data(), static_cast<int>(cut));
        EXPECT_FALSE(ParseDemoFile(damaged, read, back, error)) << cut;
        EXPECT_EQ(error, "Invalid demo file.");
    }
    std::vector<uint8_t> wrong = bytes;
    wrong[0] ^= 1;
    Buffer bad;
    bad.WriteBytes(wrong.data(), static_cast<int>(wrong.size()));
    EXPECT_FALSE(ParseDemoFile(bad, read, back, error));
}
