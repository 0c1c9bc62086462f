// Tests of the single-instance lock and of the notice a second instance sends to the first.
#include "TempHome.h"

#include "platform/Instance.h"
#include "platform/System.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using namespace Platform;

namespace
{

class InstanceTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        SetOtherInstanceRunning(false);
    }
    void TearDown() override
    {
        StopListening();
        OverrideHeadlessVideo(std::nullopt);
        SetOtherInstanceRunning(false);
        TempHome::TearDown();
    }

    // Exit status of the flock tool taking the lock file without waiting, in a separate process.
    static int LockFromAnotherProcess(const std::string& path)
    {
        std::string command = "flock -n -E 3 '" + path + "' true";
        int status = std::system(command.c_str());
        return status == -1 ? -1 : (status >> 8) & 0xFF;
    }
};

} // namespace

TEST_F(InstanceTest, OnlyOneHolderUntilItCloses)
{
    MutexHandle first = CreateMutex(nullptr, true, "EmberCookMutex");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(InstanceLockPath("EmberCookMutex"), root + "/run/zest/EmberCookMutex.lock");
    EXPECT_TRUE(fs::exists(root + "/run/zest/EmberCookMutex.lock"));

    // Another open of the lock file conflicts exactly as another process's would.
    MutexHandle second = CreateMutex(nullptr, true, "EmberCookMutex");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(LockFromAnotherProcess(InstanceLockPath("EmberCookMutex")), 3) << "another process is refused";

    MutexHandle unrelated = CreateMutex(nullptr, true, "OtherGameMutex");
    EXPECT_EQ(GetLastError(), 0u);

    EXPECT_TRUE(CloseHandle(second)); // the loser closing must not release the winner's lock
    EXPECT_EQ(LockFromAnotherProcess(InstanceLockPath("EmberCookMutex")), 3);
    EXPECT_TRUE(CloseHandle(first));
    EXPECT_FALSE(fs::exists(InstanceLockPath("EmberCookMutex"))) << "the holder leaves nothing behind";
    EXPECT_EQ(LockFromAnotherProcess(InstanceLockPath("EmberCookMutex")), 0);

    // A process that held the lock and ended has released it.
    MutexHandle again = CreateMutex(nullptr, true, "EmberCookMutex");
    EXPECT_EQ(GetLastError(), 0u);
    CloseHandle(again);
    CloseHandle(unrelated);
    EXPECT_FALSE(CloseHandle(nullptr));
}

TEST_F(InstanceTest, LockFileFallsBackToAPrivateTemporaryFolderAndOddNamesStayInside)
{
    UnsetEnv("XDG_RUNTIME_DIR");
    const std::optional<std::string> oldTemp = GetEnv("TMPDIR");
    SetEnv("TMPDIR", root + "/tmp");
    fs::create_directories(root + "/tmp");
    const std::string folder = root + "/tmp/zest-" + std::to_string(CurrentUserId());
    EXPECT_EQ(InstanceLockPath("Game/../A Mutex"), folder + "/Game_.._A_Mutex.lock") << "no separators, no spaces";
    MutexHandle mutex = CreateMutex(nullptr, true, "Game/../A Mutex");
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_TRUE(fs::exists(folder + "/Game_.._A_Mutex.lock"));
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all) << "this user's only";
    CloseHandle(mutex);
    EXPECT_FALSE(fs::exists(folder + "/Game_.._A_Mutex.lock"));
    EXPECT_FALSE(fs::exists(root + "/data")) << "nothing among the player's data";
    if (oldTemp)
        SetEnv("TMPDIR", *oldTemp);
    else
        UnsetEnv("TMPDIR");

    EXPECT_EQ(CreateMutex(nullptr, true, ""), nullptr);
}

TEST_F(InstanceTest, OtherInstanceCanBeSimulated)
{
    SetOtherInstanceRunning(true);
    MutexHandle mutex = CreateMutex(nullptr, true, "EmberCookMutex");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(fs::exists(root + "/run/zest/EmberCookMutex.lock"));
    CloseHandle(mutex);
}

TEST(RegisteredMessages, SameNameSameIdInTheRegisteredRange)
{
    uint32_t id = RegisterWindowMessage("EmberCookNotify");
    EXPECT_GE(id, 0xC000u);
    EXPECT_LE(id, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessage("embercooknotify"), id);
    uint32_t other = RegisterWindowMessage("SomethingElse");
    EXPECT_NE(other, id);
    EXPECT_GE(other, 0xC000u);
    EXPECT_EQ(RegisterWindowMessage(""), 0u);
}

TEST_F(InstanceTest, NoticeTravelsOverTheSocket)
{
    OverrideHeadlessVideo(false);
    uint32_t id = RegisterWindowMessage("EmberCookNotify");
    EXPECT_FALSE(PostBroadcastMessage(id, 0, 0)) << "nobody listens yet";

    // A socket file left by a first instance that crashed does not stop the next one.
    WriteText(root + "/run/zest/EmberCookNotify", "stale");
    ASSERT_TRUE(ListenForBroadcast(id));
    BroadcastMessage message;
    EXPECT_FALSE(PeekBroadcastMessage(message)) << "polling never blocks";

    EXPECT_TRUE(PostBroadcastMessage(id, 5, -7));
    EXPECT_TRUE(PostBroadcastMessage(id, 0, 0));
    ASSERT_TRUE(PeekBroadcastMessage(message));
    EXPECT_EQ(message.message, id);
    EXPECT_EQ(message.wParam, 5u);
    EXPECT_EQ(message.lParam, -7);
    ASSERT_TRUE(PeekBroadcastMessage(message));
    EXPECT_EQ(message.wParam, 0u);
    EXPECT_FALSE(PeekBroadcastMessage(message));

    EXPECT_FALSE(PostBroadcastMessage(0xBEEF, 0, 0)) << "not a registered message";
    StopListening();
    EXPECT_FALSE(fs::exists(root + "/run/zest/EmberCookNotify"));
    EXPECT_FALSE(PostBroadcastMessage(id, 0, 0));
}

TEST_F(InstanceTest, HeadlessNoticeStaysInTheProcess)
{
    OverrideHeadlessVideo(true);
    uint32_t id = RegisterWindowMessage("EmberCookNotify");
    EXPECT_FALSE(PostBroadcastMessage(id, 1, 2));
    ASSERT_TRUE(ListenForBroadcast(id));
    EXPECT_FALSE(fs::exists(root + "/run/zest/EmberCookNotify")) << "no socket in headless runs";
    EXPECT_TRUE(PostBroadcastMessage(id, 1, 2));
    BroadcastMessage message;
    ASSERT_TRUE(PeekBroadcastMessage(message));
    EXPECT_EQ(message.message, id);
    EXPECT_EQ(message.wParam, 1u);
    EXPECT_EQ(message.lParam, 2);
    EXPECT_FALSE(PeekBroadcastMessage(message));
}

TEST_F(InstanceTest, SomethingElseInTheLocksPlaceIsReplacedNeverFollowed)
{
    const std::string lock = InstanceLockPath("EmberCookMutex");
    const std::string mine = root + "/home/notes.txt";
    std::ofstream(mine) << "the user's own file";
    // A link to a file of the user's would have the holder lock it and then remove it; a pipe would hold up the
    // start. Either goes, and a plain lock file takes its place.
    for (const std::string kind : {"link", "pipe"})
    {
        fs::remove(lock);
        if (kind == "link")
            fs::create_symlink(mine, lock);
        else
            ASSERT_EQ(std::system(("mkfifo '" + lock + "'").c_str()), 0);
        MutexHandle first = CreateMutex(nullptr, true, "EmberCookMutex");
        EXPECT_EQ(GetLastError(), 0u) << kind;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(lock))) << kind;
        MutexHandle second = CreateMutex(nullptr, true, "EmberCookMutex");
        EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS) << kind;
        CloseHandle(second);
        CloseHandle(first);
    }
    EXPECT_TRUE(fs::exists(mine));

    // A folder cannot be put aside: the program runs without the lock.
    fs::create_directory(lock);
    MutexHandle unlocked = CreateMutex(nullptr, true, "EmberCookMutex");
    EXPECT_NE(unlocked, nullptr);
    EXPECT_EQ(GetLastError(), 0u);
    CloseHandle(unlocked);
    EXPECT_TRUE(fs::is_directory(lock));
}
