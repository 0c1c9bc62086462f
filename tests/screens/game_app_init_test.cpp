// Start-up and loading: the groups in order, the fatal end of a missing start-up resource, the loading thread's
// count, its stop on shutdown, and a failed game group that ends the game with its message.
#include "ShellTestSupport.h"

#include "game/core/GameResources.h"
#include "graphics/MemoryImage.h"
#include "platform/Cursors.h"
#include "sound/SoundServices.h"
#include "tests/core/ResourceHandles.h"
#include "widgets/WidgetDefaults.h"

#include <filesystem>
#include <fstream>
#include <set>

using namespace Zest;

namespace
{

// Resource groups answered from name lists: each group "loads" its names one by one; a name in `missing` is not
// there, a name in `broken` fails to load.
class FakeGroups : public ShellResources
{
public:
    std::set<std::string> missing;
    std::set<std::string> broken;
    std::vector<std::string> calls;
    std::string error;
    std::vector<std::string> pending;
    int loadedGame = 0;
    std::function<void()> onLoadNext;

    static std::vector<std::string> NamesOf(const std::string& group)
    {
        const auto& list = group == "Init"          ? InitResourceNames()
                           : group == "TitleScreen" ? LoaderBarResourceNames()
                                                    : GameResourceNames();
        std::vector<std::string> names;
        for (const ResourceName& r : list) names.push_back(r.name);
        return names;
    }
    void Fail(const std::string& text)
    {
        if (error.empty()) error = text;
    }
    bool manifestMissing = false;
    bool LoadManifest() override
    {
        if (manifestMissing) Fail("Resource file not found: properties\\resources.xml");
        return !manifestMissing;
    }
    bool LoadResources(const std::string& group) override
    {
        calls.push_back("Load " + group);
        for (const std::string& name : NamesOf(group))
            if (broken.count(name)) Fail("Failed to load " + name);
        return error.empty();
    }
    void StartLoadResources(const std::string& group) override
    {
        calls.push_back("Start " + group);
        pending = NamesOf(group);
    }
    bool LoadNextResource() override
    {
        if (pending.empty() || !error.empty()) return false;
        const std::string name = pending.front();
        pending.erase(pending.begin());
        ++loadedGame;
        if (onLoadNext) onLoadNext();
        if (broken.count(name))
        {
            Fail("Failed to load " + name);
            return false;
        }
        return true;
    }
    int GetNumResources(const std::string& group) override { return static_cast<int>(NamesOf(group).size()); }
    void DeleteResources(const std::string& group) override { calls.push_back("Delete " + group); }
    bool HadError() override { return !error.empty(); }
    std::string GetErrorText() override { return error; }

    Image* GetImageThrow(const std::string& id) override
    {
        Check("Image", id);
        return &images[id];
    }
    int GetSoundThrow(const std::string& id) override
    {
        Check("Sound", id);
        return 1;
    }
    Font* GetFontThrow(const std::string& id) override
    {
        Check("Font", id);
        return nullptr;
    }
    // Empty pictures unless a test draws one.
    std::map<std::string, MemoryImage> images;

private:
    void Check(const char* kind, const std::string& id)
    {
        if (!missing.count(id)) return;
        Fail(std::string(kind) + " resource not found: " + id);
        throw ResourceLookupError(error);
    }
};

class InitTest : public AppTest
{
protected:
    std::unique_ptr<TestGameApp> app;
    FakeGroups* groups = nullptr;

    void SetUp() override
    {
        AppTest::SetUp();
        app = std::make_unique<TestGameApp>();
        auto fake = std::make_unique<FakeGroups>();
        groups = fake.get();
        app->resources = std::move(fake);
    }
    void TearDown() override
    {
        app.reset();
        // The handles are program-wide: leave them empty for the next test.
        CoreTest::ClearResourceHandles();
        AppTest::TearDown();
    }
};

} // namespace

TEST_F(InitTest, TheGameCursorPicturesTakeThePlaceOfTheBuiltInShapes)
{
    using Platform::CursorKind;
    const std::vector<uint32_t> pointer(8 * 8, 0xff112233u), bar(4 * 12, 0x80445566u);
    groups->images["IMAGE_CUSTOM_POINTER"].SetBits(pointer.data(), 8, 8);
    groups->images["IMAGE_CUSTOM_TEXT"].SetBits(bar.data(), 4, 12);
    app->Init();
    ASSERT_FALSE(app->mShutdown);
    const struct
    {
        int shape;
        CursorKind kind;
        int width;
        uint32_t pixel;
    } cases[] = {
        {CURSOR_POINTER, CursorKind::Color, 8, 0xff112233u},
        {CURSOR_TEXT, CursorKind::Color, 4, 0x80445566u},
        // An empty picture (the hand and the dragging hand here) keeps the built-in shape.
        {CURSOR_HAND, CursorKind::Mask, 32, 0},
        {CURSOR_DRAGGING, CursorKind::Mask, 32, 0},
    };
    for (const auto& c : cases)
    {
        app->SetCursor(c.shape);
        const Platform::HCURSOR cursor = Platform::GetCursor();
        ASSERT_NE(cursor, nullptr) << c.shape;
        ASSERT_EQ(cursor->kind, c.kind) << c.shape;
        EXPECT_EQ(cursor->width, c.width) << c.shape;
        if (c.kind != CursorKind::Color) continue;
        EXPECT_EQ(cursor->argb.front(), c.pixel) << c.shape;
        EXPECT_EQ(cursor->hotX, 0) << "the picture's corner is the pointer's spot";
    }
    app->EnableCustomCursors(false);
    app->SetCursor(CURSOR_POINTER);
    EXPECT_EQ(Platform::GetCursor()->kind, CursorKind::Arrow);
}

TEST_F(InitTest, FirstStartMovesTheDataFolderOfTheOldNameAcross)
{
    namespace fs = std::filesystem;
    const std::string oldFolder = root + "/data/Quillbrook/EmberCook", newFolder = root + "/data/Quillbrook/CookEmber";
    const auto write = [](const std::string& folder, const std::string& text)
    {
        fs::create_directories(folder + "/saves");
        std::ofstream(folder + "/players.dat", std::ios::binary) << text;
        std::ofstream(folder + "/saves/Ann1.sav", std::ios::binary) << text;
    };
    const auto read = [](const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    write(oldFolder, "old");
    app->Init();
    ASSERT_FALSE(app->mShutdown);
    EXPECT_FALSE(fs::exists(oldFolder));
    EXPECT_EQ(read(newFolder + "/players.dat"), "old");
    EXPECT_EQ(read(newFolder + "/saves/Ann1.sav"), "old");
    EXPECT_EQ(app->dataFolder, newFolder + "/");

    // Once a folder of the new name exists, an old one is never merged into it nor put in its place.
    write(oldFolder, "older");
    EXPECT_FALSE(GameApp::MoveOldDataFolder());
    EXPECT_EQ(read(oldFolder + "/players.dat"), "older");
    EXPECT_EQ(read(newFolder + "/players.dat"), "old");
}

TEST_F(InitTest, StartsTheLoadingScreenWithTitleMusic)
{
    app->Init();
    ASSERT_FALSE(app->mShutdown);
    EXPECT_EQ(groups->calls, (std::vector<std::string>{"Load Init", "Load TitleScreen"}));
    ASSERT_NE(app->titleScreen, nullptr);
    EXPECT_TRUE(app->Shows(app->titleScreen.get()));
    EXPECT_EQ(app->Music().calls,
              (std::vector<std::string>{"LoadMusic 0 music/music3.ogg", "LoadMusic 1 music/music2.ogg",
                                        "LoadMusic 2 music/music1.ogg", "LoadMusic 3 music/music4.ogg",
                                        "FadeIn 0 0 0.002 loop"}));
    EXPECT_EQ(app->mLoadingTasksTotal, 155);
    EXPECT_TRUE(app->Manager().defaultBelowModalFlagChange.remove & WIDGETFLAGS_UPDATE);
    EXPECT_EQ(app->dataFolder, root + "/data/Quillbrook/CookEmber/");
    // One data folder for the game and the framework (which ends its name with a separator of its own).
    EXPECT_EQ(Zest::GetAppDataFolder().substr(0, app->dataFolder.size() - 1),
              app->dataFolder.substr(0, app->dataFolder.size() - 1));
    EXPECT_NE(IMAGE_LOAD_SCREEN, nullptr);

    app->LoadingProcedure();
    EXPECT_EQ(app->mLoadingTasksDone, 155);
    EXPECT_FALSE(app->mLoadingFailed);
    EXPECT_NE(IMAGE_W_LEVEL_COMPLETE, nullptr);
    app->mForceDraw = false;
    app->OnLoadingDone();
    EXPECT_TRUE(app->titleScreen->continueLink->visible);
    // Presented with the next draw, whatever pace the loading screen kept.
    EXPECT_TRUE(app->mForceDraw);
    // Controls made from now on take the game's check box and slider pictures.
    EXPECT_EQ(GetWidgetDefaults().checkboxImage, IMAGE_CHECKBOX);
    EXPECT_EQ(GetWidgetDefaults().sliderThumbImage, IMAGE_SLIDER_THUMB);
    GetWidgetDefaults() = WidgetDefaults{};
}

TEST_F(InitTest, TheGameGroupStartsLoadingWhileTheWindowIsStillBeingShown)
{
    // As Init asks for them, with the window still going up until the fifth of the game's records is in.
    app->mStartUpLoad = GameApp::StartUpLoad::Wanted;
    app->mWindowShowing = true;
    groups->onLoadNext = [this]
    {
        if (groups->loadedGame == 5) app->mWindowShowing = false;
    };
    app->LoadWhileWindowShows();
    EXPECT_EQ(app->mStartUpLoad, GameApp::StartUpLoad::Done);
    EXPECT_EQ(groups->calls, (std::vector<std::string>{"Load Init", "Load TitleScreen", "Start Game"}));
    EXPECT_EQ(groups->loadedGame, 5);
    EXPECT_EQ(app->mLoadingTasksDone, 5);
    EXPECT_EQ(app->mLoadingTasksTotal, 155);

    // Not asked for (the framework's Init alone): nothing loads.
    TestGameApp other;
    auto fake = std::make_unique<FakeGroups>();
    FakeGroups* otherGroups = fake.get();
    other.resources = std::move(fake);
    other.LoadWhileWindowShows();
    EXPECT_TRUE(otherGroups->calls.empty());
}

TEST_F(InitTest, MissingStartUpFontEndsTheProgramWithItsName)
{
    groups->missing = {"FONT_TEST"};
    testing::internal::CaptureStderr();
    app->Init();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Font resource not found: FONT_TEST"), std::string::npos) << err;
    EXPECT_TRUE(app->mLoadingFailed);
    EXPECT_TRUE(app->mShutdown);
    EXPECT_EQ(app->mExitCode, 1);
    EXPECT_EQ(app->titleScreen, nullptr);
    EXPECT_EQ(groups->calls, (std::vector<std::string>{"Load Init"}));
    EXPECT_EQ(IMAGE_CUSTOM_POINTER, nullptr);
}

TEST_F(InitTest, MissingManifestSaysWhatIsWrongWithTheDataFile)
{
    // The test's working folder holds no main.pak.
    groups->manifestMissing = true;
    testing::internal::CaptureStderr();
    app->Init();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("main.pak was not found in the folder " + root + "/cwd."), std::string::npos) << err;
    EXPECT_EQ(err.find("resources.xml"), std::string::npos) << err;
    EXPECT_TRUE(app->mShutdown);
    EXPECT_EQ(app->mExitCode, 1);
    EXPECT_TRUE(groups->calls.empty());
}

TEST_F(InitTest, FailedGameGroupEndsTheGameWithItsMessage)
{
    groups->missing = {"SOUND_MATCH"};
    app->Init();
    app->LoadingProcedure();
    EXPECT_TRUE(app->mLoadingFailed);
    EXPECT_EQ(SOUND_MATCH, 0);
    testing::internal::CaptureStderr();
    app->OnLoadingDone();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Sound resource not found: SOUND_MATCH"), std::string::npos) << err;
    // Not left on the loading screen for ever: the run ends as a failure.
    EXPECT_TRUE(app->mShutdown);
    EXPECT_EQ(app->mExitCode, 1);
    EXPECT_FALSE(app->titleScreen->continueLink->visible);
    EXPECT_TRUE(app->players.empty());

    // A file that failed to load: its own message, not a lookup's.
    FakeGroups broken;
    broken.broken = {"IMAGE_TITLE"};
    broken.StartLoadResources("Game");
    while (broken.LoadNextResource())
    {
    }
    EXPECT_EQ(broken.GetErrorText(), "Failed to load IMAGE_TITLE");
}

TEST_F(InitTest, ShutdownDuringLoadingStopsAfterTheCurrentResource)
{
    app->Init();
    groups->onLoadNext = [this]
    {
        if (groups->loadedGame == 10) app->mShutdown = true;
    };
    app->LoadingProcedure();
    EXPECT_EQ(groups->loadedGame, 10);
    EXPECT_EQ(app->mLoadingTasksDone, 10);
    EXPECT_TRUE(app->mLoadingFailed); // nothing to hand over
    app->OnLoadingDone();
    EXPECT_FALSE(app->titleScreen->continueLink->visible);
}

TEST(AppMusic, PassesTheShellsCallsToTheMusicPlayer)
{
    class Recording : public MusicInterface
    {
    public:
        std::vector<std::string> calls;
        bool LoadMusic(int id, const std::string& file) override
        {
            calls.push_back("load " + std::to_string(id) + " " + file);
            return true;
        }
        void FadeIn(int id, int offset, double, bool noLoop) override
        {
            calls.push_back("in " + std::to_string(id) + " " + std::to_string(offset) + (noLoop ? " once" : " loop"));
        }
        void FadeOutAll(bool stop, double) override { calls.push_back(stop ? "out stop" : "out"); }
        bool IsPlaying(int id) override { return id == 2; }
    } player;
    AppMusic music(player);
    EXPECT_TRUE(music.LoadMusic(1, "music/music2.ogg"));
    music.FadeIn(0, -1, 0.005, true);
    music.FadeOutAll(true, 0.005);
    EXPECT_TRUE(music.IsPlaying(2));
    EXPECT_FALSE(music.IsPlaying(0));
    EXPECT_EQ(player.calls, (std::vector<std::string>{"load 1 music/music2.ogg", "in 0 -1 loop", "out stop"}));
}
