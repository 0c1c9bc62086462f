// What the shell's screens draw and where: justified text, the hint panel's placement and fade, the loading
// screen's phases, the map's points, pictures, effects and shop devices. Handles are bound to recording images of
// chosen sizes and to fixed-width fonts.
#include "ShellTestSupport.h"

#include "game/core/GameResources.h"
#include "game/screens/TipWnd.h"
#include "tests/core/ResourceHandles.h"
#include "tests/widgets/WidgetTestSupport.h"

#include <map>

using namespace Zest;
using WidgetTest::DrawCall;
using WidgetTest::FixedFont;
using WidgetTest::RecordingImage;

namespace
{

// Every resource name answers with a recording image (10 x 10 unless sized here) or a font of its own.
class FakeResources : public ResourceLookup
{
public:
    std::map<std::string, std::unique_ptr<RecordingImage>> images;
    std::map<std::string, std::unique_ptr<FixedFont>> fonts;
    std::map<std::string, std::pair<int, int>> sizes = {
        {"IMAGE_W_HINT", {300, 180}},   {"IMAGE_W_HINT_ARROW_LEFT_UP", {40, 30}},
        {"IMAGE_SMBUTTON", {150, 40}},  {"IMAGE_SMBUTTON100", {90, 36}},
        {"IMAGE_CHECKBOX", {48, 24}},   {"IMAGE_MAP", {1600, 600}},
        {"IMAGE_AKKUM", {60, 40}},      {"IMAGE_COFE_MAC", {60, 40}},
        {"IMAGE_PLATE", {40, 30}},      {"IMAGE_PLATE_FOOD", {50, 30}},
        {"IMAGE_STAR_FULL", {16, 16}},  {"IMAGE_MONITOR", {700, 560}},
        {"IMAGE_BIGBUTTON", {200, 50}},
    };
    Image* GetImageThrow(const std::string& id) override
    {
        auto [w, h] = sizes.count(id) ? sizes[id] : std::pair<int, int>{10, 10};
        auto& slot = images[id];
        slot = std::make_unique<RecordingImage>(w, h);
        return slot.get();
    }
    int GetSoundThrow(const std::string&) override { return 0; }
    Font* GetFontThrow(const std::string& id) override
    {
        auto& slot = fonts[id];
        slot = std::make_unique<FixedFont>();
        return slot.get();
    }
};

class CountingEffects : public MapEffectPlayer
{
public:
    int draws = 0;
    void Spawn(MapEffect, float, float, int) override {}
    void Draw(Graphics*) override { ++draws; }
};

class DrawingTest : public ShellTest
{
protected:
    FakeResources res;

    void SetUp() override
    {
        CoreTest::ExtractAllResources(res);
        ShellTest::SetUp();
    }
    void TearDown() override
    {
        ShellTest::TearDown();
        CoreTest::ClearResourceHandles();
    }
    // Blits of one image into the target, as (x, y) positions.
    static std::vector<std::pair<int, int>> BlitsOf(const RecordingImage& target, const Image* image)
    {
        std::vector<std::pair<int, int>> out;
        for (const DrawCall& c : target.calls)
            if (c.image == image) out.emplace_back(c.rect.mX, c.rect.mY);
        return out;
    }
    std::vector<FixedFont::Text> TextsOf(const std::string& font) { return *res.fonts[font]->drawn; }
};

} // namespace

TEST_F(DrawingTest, JustifiedStringPlacesByJustificationAndRestoresState)
{
    RecordingImage target(800, 600);
    Graphics g(&target);
    FixedFont font;                           // 7 pixels a character
    const std::string text(101 / 7 + 1, 'x'); // 105 pixels
    const struct
    {
        int justification;
        int wantX; // -1: nothing drawn
    } cases[] = {{-1, 200}, {0, 200 - 105 / 2}, {1, 200 - 105}, {2, -1}};
    for (const auto& c : cases)
    {
        font.drawn->clear();
        g.SetColor(Color(1, 2, 3));
        DrawJustifiedString(&g, &font, 200, 50, text, c.justification, Color(255, 255, 255));
        if (c.wantX < 0)
        {
            EXPECT_TRUE(font.drawn->empty());
        }
        else
        {
            ASSERT_EQ(font.drawn->size(), 1u);
            EXPECT_EQ((*font.drawn)[0].x, c.wantX);
            EXPECT_EQ((*font.drawn)[0].y, 50);
        }
        EXPECT_EQ(g.GetColor(), Color(1, 2, 3));
        EXPECT_EQ(g.GetFont(), nullptr);
    }
}

TEST_F(DrawingTest, HintPlacementFollowsThePointAndKeepsTheRightEdge)
{
    app->ToTitle("Ann");
    HintWnd& hint = *app->hintWnd;
    const struct
    {
        int x, y, placement;
        Rect want;
        int arrowX;
    } cases[] = {
        {100, 400, 0, {100 - 43 - 5, 185, 300, 180}, 43},
        {780, 400, 0, {780 - 280 - 5, 185, 300, 180}, 280}, // right edge at 795
        {100, 100, 1, {100 - 43 - 1, 100 + 30 - 8, 300, 180}, 43},
        {10, 10, 2, {10 - 268, 10 - 216, 300, 180}, 43}, // not clamped
    };
    for (const auto& c : cases)
    {
        hint.SetHint(c.x, c.y, c.placement);
        EXPECT_EQ(hint.GetRect(), c.want) << c.x << "," << c.placement;
        if (c.placement < 2)
        {
            EXPECT_EQ(hint.arrowX, c.arrowX);
        }
        EXPECT_EQ(hint.textRect, Rect(12, 15, 260, 120));
        EXPECT_EQ(hint.okButton->GetRect(), Rect(170, 130, 90, 36));
    }
    const Rect before = hint.GetRect();
    hint.SetHint(500, 500, 3);
    EXPECT_EQ(hint.GetRect(), before);

    const int alphas[][2] = {{0, 0}, {25, 127}, {49, 249}, {50, 255}, {60, 255}};
    for (const auto& a : alphas)
    {
        hint.shownUpdates = a[0];
        EXPECT_EQ(hint.Alpha(), a[1]);
    }
    RecordingImage target(800, 600);
    Graphics g(&target);
    hint.SetHint(500, 500, 3);
    hint.Draw(&g);
    EXPECT_TRUE(BlitsOf(target, IMAGE_W_HINT_ARROW_LEFT).empty());
    EXPECT_TRUE(BlitsOf(target, IMAGE_W_HINT_ARROW_RIGHT).empty());
    hint.SetHint(500, 500, 2);
    hint.Draw(&g);
    EXPECT_EQ(BlitsOf(target, IMAGE_W_HINT_ARROW_RIGHT), (std::vector<std::pair<int, int>>{{223, 176}}));
}

TEST_F(DrawingTest, HintPassesTheMouseToThePlayFieldAtScreenPositions)
{
    app->ToTitle("Ann");
    HintWnd& hint = *app->hintWnd;
    app->ShowHint(300, 400, 0, "t");
    hint.MouseMove(5, 6);
    hint.MouseDown(5, 6, 1);
    const std::string at = StandInPlayScreen::Pos(hint.x + 5, hint.y + 6);
    EXPECT_EQ(app->Play().calls, (std::vector<std::string>{"Move " + at}));
    app->Play().holdsDish = true;
    hint.MouseDown(5, 6, 1);
    EXPECT_EQ(app->Play().calls.back(), "Move " + at);
    EXPECT_EQ(app->Play().calls[1], "Down " + at + " 1");
}

TEST_F(DrawingTest, LoadingScreenShowsItsMessageUntilTheLinkAppears)
{
    app->CreateTitleScreen();
    LogoFileData logos;
    logos.loadingImages.push_back({"no/such/picture", 5, 5, false});
    app->titleScreen->LoadLogos(logos);
    TitleScreen& screen = *app->titleScreen;
    RecordingImage target(800, 600);
    Graphics g(&target);
    screen.showingLogos = false;
    screen.Draw(&g); // before the first update: black
    ASSERT_EQ(target.Fills().size(), 1u);
    EXPECT_EQ(target.Fills()[0].color, Color(0, 0, 0));

    app->Step(1);
    screen.Draw(&g);
    EXPECT_EQ(BlitsOf(target, IMAGE_LOAD_SCREEN), (std::vector<std::pair<int, int>>{{0, 0}}));
    ASSERT_EQ(TextsOf("FONT_DEFAULT").size(), 1u);
    EXPECT_EQ(TextsOf("FONT_DEFAULT")[0].text, "text4");
    EXPECT_EQ(TextsOf("FONT_DEFAULT")[0].y, 450);
    EXPECT_EQ(TextsOf("FONT_DEFAULT")[0].x, 400 - 7 * 5 / 2);

    app->OnLoadingDone();
    res.fonts["FONT_DEFAULT"]->drawn->clear();
    screen.Draw(&g);
    EXPECT_TRUE(TextsOf("FONT_DEFAULT").empty());
    EXPECT_EQ(screen.continueLink->GetRect(), Rect(400 - 7 * 5 / 2, 450, 35, 18));
}

TEST_F(DrawingTest, MapPointsShowOnlyThePizzeriaInPlayAhead)
{
    app->ToTitle("Ann");
    MapFileData data;
    for (int k = 0; k < 70; ++k) data.levelPoints[k] = {20 * k, 300};
    app->mapWnd->LoadMap(data);

    const struct
    {
        int level;
        int complete, open;
    } cases[] = {{1, 1, 9}, {11, 11, 11}}; // level 11: open points run to level 22
    for (const auto& c : cases)
    {
        app->players[0]->level = c.level;
        app->mapWnd->model.Enter();
        RecordingImage target(800, 600);
        Graphics g(&target);
        app->mapWnd->DrawPoints(&g);
        EXPECT_EQ(BlitsOf(target, IMAGE_MAP_POINT_COMPLETE).size(), static_cast<size_t>(c.complete)) << c.level;
        EXPECT_EQ(BlitsOf(target, IMAGE_MAP_POINT).size(), static_cast<size_t>(c.open)) << c.level;
    }
}

TEST_F(DrawingTest, EffectsDrawTwiceInMessageViewsOnceOnTheMap)
{
    app->ToTitle("Ann");
    CountingEffects effects;
    app->mapWnd->effects = &effects;
    RecordingImage target(800, 600);
    Graphics g(&target);
    const struct
    {
        int level;
        bool secondStage;
        int draws;
        int chefMessages;
    } cases[] = {{1, false, 2, 1}, {5, false, 1, 0}, {71, false, 2, 0}, {71, true, 2, 1}};
    for (const auto& c : cases)
    {
        app->players[0]->level = c.level;
        app->mapWnd->model.Enter();
        app->mapWnd->model.endingSecondStage = c.secondStage;
        effects.draws = 0;
        target.calls.clear();
        app->mapWnd->Draw(&g);
        EXPECT_EQ(effects.draws, c.draws) << c.level;
        EXPECT_EQ(BlitsOf(target, IMAGE_MAP_CHEF).size(), static_cast<size_t>(c.chefMessages)) << c.level;
    }
    app->mapWnd->effects = nullptr;
}

TEST_F(DrawingTest, ShopPanelDrawsDevicesStarsAndMoney)
{
    app->ToTitle("Ann");
    PlayerProfile& ann = *app->players[0];
    ann.level = 12;
    ann.money = 1234;
    ann.upgrades[4] = 1;
    app->mapWnd->model.Enter();
    app->mapWnd->model.EnterShopPhase();
    RecordingImage target(800, 600);
    Graphics g(&target);
    app->mapWnd->Draw(&g);
    // The Akkum is drawn around y 495 although it is hit around 480.
    EXPECT_EQ(BlitsOf(target, IMAGE_AKKUM), (std::vector<std::pair<int, int>>{{520 - 30, 495 - 20}}));
    // Recipe 0 shows one half star; recipe 7 four full ones.
    const MapRect r0 = MapModel::kRecipeAreas[0], r7 = MapModel::kRecipeAreas[7];
    const auto halves = BlitsOf(target, IMAGE_STAR_HALF);
    EXPECT_NE(std::find(halves.begin(), halves.end(), std::pair<int, int>{r0.x + r0.w / 2 - 32, r0.y + r0.h}),
              halves.end());
    int fullOver7 = 0;
    for (auto [x, y] : BlitsOf(target, IMAGE_STAR_FULL))
        if (y == r7.y + r7.h && x >= r7.x + r7.w / 2 - 32 && x <= r7.x + r7.w / 2 + 16) ++fullOver7;
    EXPECT_EQ(fullOver7, 4);
    // Plate level 1 of 2: one full star, one empty, side by side at y 526.
    const auto plateEmpty = BlitsOf(target, IMAGE_STAR_EMPTY);
    EXPECT_NE(std::find(plateEmpty.begin(), plateEmpty.end(), std::pair<int, int>{665, 526}), plateEmpty.end());
    bool money = false;
    for (const auto& t : TextsOf("FONT_DEFAULT"))
        money |= t.text == "text64 text651234" && t.x == 510 - 7 * 17 && t.y == 78;
    EXPECT_TRUE(money);
}

namespace
{

class StillCustomer : public TipCustomer
{
public:
    int* updates;
    explicit StillCustomer(int* counter) : updates(counter) {}
    void Update() override { ++*updates; }
    void Draw(Graphics*) override {}
};

class TipPlayScreen : public StandInPlayScreen
{
public:
    int customerUpdates = 0;
    std::vector<int> madeTypes;
    std::unique_ptr<TipCustomer> MakeTipCustomer(int type, int x, int y) override
    {
        madeTypes.push_back(type);
        EXPECT_EQ(x, -20);
        EXPECT_EQ(y, 40);
        return std::make_unique<StillCustomer>(&customerUpdates);
    }
};

} // namespace

TEST_F(DrawingTest, TipWindowNamesTheCustomerFadesInAndHandsBackTheKeyboard)
{
    app->playScreen = std::make_unique<TipPlayScreen>();
    app->ToTitle("Ann");
    auto& play = static_cast<TipPlayScreen&>(*app->playScreen);
    for (int type : {0, 11})
    {
        app->OpenTipWindow(type);
        auto* tip = dynamic_cast<TipWnd*>(app->GetDialog(DIALOG_TEXT_ENTRY));
        ASSERT_NE(tip, nullptr);
        EXPECT_TRUE(tip->IsModal());
        RecordingImage target(800, 600);
        Graphics g(&target);
        res.fonts["FONT_DEFAULT_BLUE"]->drawn->clear();
        tip->Draw(&g);
        ASSERT_FALSE(TextsOf("FONT_DEFAULT_BLUE").empty());
        EXPECT_EQ(TextsOf("FONT_DEFAULT_BLUE")[0].text, "text" + std::to_string(168 + type));
        EXPECT_EQ(TextsOf("FONT_DEFAULT_BLUE")[0].color.mAlpha, 0);
        EXPECT_EQ(tip->DescriptionText(), 180 + type);
        if (type == 0) app->CloseDialog(tip);
    }
    EXPECT_EQ(play.madeTypes, (std::vector<int>{0, 11}));
    auto* tip = dynamic_cast<TipWnd*>(app->GetDialog(DIALOG_TEXT_ENTRY));
    for (int i = 0; i < 60; ++i) tip->Update();
    EXPECT_EQ(tip->Alpha(), 255);
    EXPECT_EQ(play.customerUpdates, 60);

    app->Manager().AddWidget(app->boardInterface());
    tip->ButtonReleased(TipWnd::kOkId);
    EXPECT_EQ(app->GetDialog(DIALOG_TEXT_ENTRY), nullptr);
    EXPECT_EQ(app->Manager().focusWidget, app->boardInterface());
}

TEST_F(DrawingTest, LeaveQuestionSitsAtTheBottomWithItsBigButtons)
{
    app->ToTitle("Ann");
    app->answers = {DIALOG_BUTTON_NO};
    EXPECT_FALSE(app->ConfirmLeaveGame());
    ASSERT_EQ(app->waited.size(), 1u);
    const auto& q = app->waited[0];
    EXPECT_EQ(q.rect, Rect(400 - 350, 600 - 560, 700, 560));
    EXPECT_EQ(q.yes, Rect(350 - 200, 400, 200, 50));
    EXPECT_EQ(q.no, Rect(450, 400, 200, 50));
    EXPECT_EQ(q.yesLabel, "text14");
    EXPECT_EQ(q.noLabel, "text15");
}

TEST_F(DrawingTest, TitleButtonsSitInTheRightColumnAndQuitIgnoresItsRim)
{
    app->ToTitle("Ann");
    TitleWnd& title = *app->titleWnd;
    EXPECT_EQ(title.playButton->GetRect(), Rect(530, 100, 150, 40));
    EXPECT_EQ(title.quitButton->GetRect(), Rect(530, 280, 150, 40));
    EXPECT_FALSE(title.personMakerButton->visible);
    EXPECT_EQ(title.changePlayerButton->GetRect(), Rect(530 + 75 - 7 * 6 / 2, 52, 7 * 6, 20));

    app->Manager().MouseMove(535, 285);
    app->Manager().MouseDown(535, 285, 1);
    app->Manager().MouseUp(535, 285, 1);
    EXPECT_FALSE(app->mShutdown);
    app->Manager().MouseMove(600, 300);
    app->Manager().MouseDown(600, 300, 1);
    app->Manager().MouseUp(600, 300, 1);
    EXPECT_TRUE(app->mShutdown);
}

TEST_F(DrawingTest, WelcomeLineFollowsTheCurrentPlayer)
{
    app->ToTitle("Ann");
    RecordingImage target(800, 600);
    Graphics g(&target);
    app->titleWnd->Draw(&g);
    ASSERT_EQ(TextsOf("FONT_BUTTON_SMALL").size(), 1u);
    EXPECT_EQ(TextsOf("FONT_BUTTON_SMALL")[0].text, "text20, Ann");
    EXPECT_EQ(TextsOf("FONT_BUTTON_SMALL")[0].y, 55);
    app->players.push_back(std::make_unique<PlayerProfile>());
    app->players[1]->name = "Bo";
    app->currentPlayer = 1;
    app->titleWnd->Draw(&g);
    EXPECT_EQ(TextsOf("FONT_BUTTON_SMALL").back().text, "text20, Bo");
    app->currentPlayer = -1;
    res.fonts["FONT_BUTTON_SMALL"]->drawn->clear();
    app->titleWnd->Draw(&g);
    EXPECT_TRUE(TextsOf("FONT_BUTTON_SMALL").empty());
}

TEST_F(DrawingTest, IdleTitleIsNotRedrawnButAnythingOverItIs)
{
    app->ToTitle("Ann");
    TitleWnd& title = *app->titleWnd;
    RecordingImage target(800, 600);
    Graphics g(&target);
    title.Draw(&g); // as the screen draw does
    app->Step(2);
    title.dirty = false;
    app->Step(3);
    EXPECT_FALSE(title.dirty); // nothing changed, nothing to draw

    Widget cover;
    cover.Resize(100, 100, 50, 50);
    app->Manager().AddWidget(&cover);
    for (int i = 0; i < 3; ++i)
    {
        title.dirty = false;
        app->Step(1);
        EXPECT_TRUE(title.dirty) << i;
    }
    app->Manager().RemoveWidget(&cover);
    title.dirty = false;
    app->Step(1);
    EXPECT_TRUE(title.dirty); // once more, to wipe where the cover was
    title.dirty = false;
    app->Step(1);
    EXPECT_FALSE(title.dirty);

    // A new current player shows at once.
    title.dirty = false;
    app->players.push_back(std::make_unique<PlayerProfile>());
    app->players[1]->name = "Bo";
    app->currentPlayer = 1;
    app->Step(1);
    EXPECT_TRUE(title.dirty);
}
