// The big pictures of single screens are held only while their screen is open: freed when it closes (the handle
// null, the resources told), loaded again when it opens, and drawn as before.
#include "WindowsTestSupport.h"

#include "game/screens/MenuWnd.h"
#include "game/screens/ResultWindows.h"
#include "game/screens/ScreenPictures.h"

#include <set>

using namespace Zest;

namespace
{

// The window tests' pictures behind the shell's resource calls, with the freed ones and the reloads recorded.
class HeldPictures : public ShellResources
{
public:
    explicit HeldPictures(WindowResources& res) : res(res) {}
    WindowResources& res;
    std::set<std::string> freed;
    std::vector<std::string> loads;

    bool LoadManifest() override { return true; }
    bool LoadResources(const std::string&) override { return true; }
    void StartLoadResources(const std::string&) override {}
    bool LoadNextResource() override { return false; }
    int GetNumResources(const std::string&) override { return 0; }
    void DeleteResources(const std::string&) override {}
    bool HadError() override { return false; }
    std::string GetErrorText() override { return ""; }
    Image* GetImageThrow(const std::string& id) override { return res.images.at(id).get(); }
    int GetSoundThrow(const std::string& id) override { return res.sounds.at(id); }
    Font* GetFontThrow(const std::string& id) override { return res.fonts.at(id).get(); }
    Image* LoadImage(const std::string& id) override
    {
        loads.push_back(id);
        freed.erase(id);
        return res.images.at(id).get();
    }
    void FreeImage(const std::string& id) override { freed.insert(id); }
};

class ScreenPicturesTest : public WindowsTest
{
protected:
    HeldPictures* held = nullptr;

    void SetUp() override
    {
        WindowsTest::SetUp();
        auto resources = std::make_unique<HeldPictures>(res);
        held = resources.get();
        app->resources = std::move(resources);
    }
    Image* Picture(const std::string& id) { return res.images.at(id).get(); }
    bool Draws(Widget& w, const std::string& id)
    {
        for (const auto& c : DrawWidget(w))
            if (c.image == Picture(id)) return true;
        return false;
    }
    // The map's own big pictures as drawn, in order.
    std::vector<std::string> DrawnPictures(Widget& w)
    {
        std::vector<std::string> ids;
        for (const auto& c : DrawWidget(w))
            for (const std::string& id : {"IMAGE_MAP", "IMAGE_MAP_BOTTOM", "IMAGE_SHOP"})
                if (c.image == Picture(id)) ids.push_back(id + " at " + std::to_string(c.rect.mY));
        return ids;
    }
    std::set<std::string> Freed() const { return held->freed; }
};

const std::set<std::string> kMapPictures = {"IMAGE_MAP", "IMAGE_MAP_BOTTOM", "IMAGE_SHOP"};
const std::set<std::string> kWindowPictures = {"IMAGE_W_LEVEL_COMPLETE", "IMAGE_GAME_OVER_WND", "IMAGE_HELP_PAGE1"};

std::set<std::string> Both(std::set<std::string> a, const std::set<std::string>& b)
{
    a.insert(b.begin(), b.end());
    return a;
}

} // namespace

TEST_F(ScreenPicturesTest, EachScreenHoldsItsPicturesOnlyWhileOpenAndDrawsThemAgainAfterAReload)
{
    app->StartWithPlayer("Ann", 2, 100);
    // Loaded with the rest, then freed unless their screen is open; the title is.
    EXPECT_EQ(Freed(), Both(kMapPictures, kWindowPictures));
    EXPECT_EQ(IMAGE_MAP, nullptr);
    EXPECT_EQ(IMAGE_TITLE, Picture("IMAGE_TITLE"));
    EXPECT_TRUE(Draws(*app->titleWnd, "IMAGE_TITLE"));

    app->StartGame();
    app->Step(200);
    ASSERT_TRUE(app->Shows(app->mapWnd.get()));
    EXPECT_EQ(Freed(), Both({"IMAGE_TITLE"}, kWindowPictures));
    EXPECT_EQ(IMAGE_TITLE, nullptr);
    EXPECT_EQ(IMAGE_MAP, Picture("IMAGE_MAP"));
    const std::vector<std::string> mapDrawn = DrawnPictures(*app->mapWnd);
    EXPECT_TRUE(Draws(*app->mapWnd, "IMAGE_MAP"));

    // The day holds none of them.
    app->mapWnd->MapStartLevel();
    app->Step(200);
    ASSERT_FALSE(app->Shows(app->mapWnd.get()));
    EXPECT_EQ(Freed(), Both(Both({"IMAGE_TITLE"}, kMapPictures), kWindowPictures));
    for (Image* handle : {IMAGE_TITLE, IMAGE_MAP, IMAGE_MAP_BOTTOM, IMAGE_SHOP, IMAGE_W_LEVEL_COMPLETE,
                          IMAGE_GAME_OVER_WND, IMAGE_HELP_PAGE1})
        EXPECT_EQ(handle, nullptr);

    // The how-to-play pages hold their first picture while open, also from a day.
    OpenHowDialog(app.get());
    EXPECT_EQ(IMAGE_HELP_PAGE1, Picture("IMAGE_HELP_PAGE1"));
    app->CloseDialog(DIALOG_SHOP);
    app->ProcessDeferredDeletes();
    EXPECT_EQ(IMAGE_HELP_PAGE1, nullptr);

    // The tally's window holds its picture from opening until it is gone.
    app->windows->OpenLevelComplete();
    auto* tally = app->Dialog<LevelCompleteWnd>(DIALOG_LEVEL_COMPLETE);
    ASSERT_NE(tally, nullptr);
    EXPECT_EQ(held->freed.count("IMAGE_W_LEVEL_COMPLETE"), 0u);
    EXPECT_EQ(tally->GetRect(), Rect(80, 600, 640, 500)); // sized by its picture
    app->Step(50);
    EXPECT_TRUE(Draws(*tally, "IMAGE_W_LEVEL_COMPLETE"));
    app->Click(tally->okButton.get());
    ASSERT_GT(app->StepUntilClosed(DIALOG_LEVEL_COMPLETE), 0);
    app->ProcessDeferredDeletes();
    EXPECT_EQ(held->freed.count("IMAGE_W_LEVEL_COMPLETE"), 1u);
    EXPECT_EQ(IMAGE_W_LEVEL_COMPLETE, nullptr);

    // Back on the map: loaded again and drawn as the first time.
    app->StartGame();
    app->Step(200);
    ASSERT_TRUE(app->Shows(app->mapWnd.get()));
    EXPECT_EQ(held->freed.count("IMAGE_MAP"), 0u);
    EXPECT_EQ(DrawnPictures(*app->mapWnd), mapDrawn);
    EXPECT_EQ(std::count(held->loads.begin(), held->loads.end(), "IMAGE_MAP"), 2);
    EXPECT_EQ(std::count(held->loads.begin(), held->loads.end(), "IMAGE_TITLE"), 0); // it never went while shown
}

TEST_F(ScreenPicturesTest, NothingIsFreedBeforeTheLoadingIsDoneNorAfterTheGameIsGone)
{
    app->CreateTitleScreen();
    EXPECT_FALSE(ScreenPictures::Active());
    EXPECT_EQ(IMAGE_MAP, Picture("IMAGE_MAP"));
    app->OnLoadingDone();
    EXPECT_TRUE(ScreenPictures::Active());
    EXPECT_EQ(IMAGE_MAP, nullptr);
    app.reset();
    EXPECT_FALSE(ScreenPictures::Active());
    EXPECT_EQ(ScreenPictures::Holders(ScreenPictures::Map), 0);
}
