// The level-complete and game-over windows and the in-game menu: slides, dimming, what they store and start, and
// their buttons and keys.
#include "WindowsTestSupport.h"

#include "game/core/GameFiles.h"
#include "game/core/ProfileFile.h"
#include "game/screens/BoardScreen.h"
#include "game/screens/MenuWnd.h"
#include "game/screens/OptionsDialog.h"
#include "game/screens/ResultWindows.h"
#include "game/screens/TipWnd.h"

using namespace Zest;

namespace
{

class ResultTest : public WindowsTest
{
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        app->StartWithPlayer("Ann", 3, 1000);
        BoardModel& m = *app->model;
        m.DayProfit = 400;
        m.ExpertGoal = 500;
        m.TipTotal = 35;
        m.ServedCount = 12;
        m.LostCount = 2;
        m.FoodServedCount = 20;
        m.AkkumCharge = 7;
        m.TimeLeft = 0;
        app->Manager().AddWidget(app->board());
        app->Manager().AddWidget(app->boardInterface());
        app->FocusGameWidget();
    }
    LevelCompleteWnd* OpenLevelComplete()
    {
        app->windows->OpenLevelComplete();
        return app->Dialog<LevelCompleteWnd>(DIALOG_LEVEL_COMPLETE);
    }
    int FillAlpha(Widget& w)
    {
        for (const auto& c : DrawWidget(w))
            if (c.op == "fill" && c.rect == Rect(0, 0, 800, 600)) return c.color.mAlpha;
        return 0; // a clear fill draws nothing
    }
};

} // namespace

TEST_F(ResultTest, LevelCompleteRisesRestsAndSinksTwelvePixelsAnUpdate)
{
    LevelCompleteWnd* lc = OpenLevelComplete();
    ASSERT_NE(lc, nullptr);
    EXPECT_EQ(lc->GetRect(), Rect(80, 600, 640, 500));
    EXPECT_EQ(FillAlpha(*lc), 0);
    app->Step(41);
    EXPECT_EQ(lc->y, 108);
    app->Step(1);
    EXPECT_EQ(lc->y, 100); // clamped at 600 - 500
    EXPECT_EQ(FillAlpha(*lc), 200);
    app->Step(5);
    EXPECT_EQ(lc->y, 100);
    app->Click(lc->okButton.get());
    EXPECT_TRUE(lc->closing);
    app->Step(1);
    EXPECT_EQ(FillAlpha(*lc), 201);                             // darkens on while sinking: 200 + 12/500 * 55
    EXPECT_EQ(app->StepUntilClosed(DIALOG_LEVEL_COMPLETE), 41); // the 42nd sinking update, at y = 604
}

TEST_F(ResultTest, LevelCompleteStoresTheDayOnceWhenItHasSunk)
{
    PlayerProfile& p = app->Player();
    p.expertFlags[2] = 1; // an earlier expert result of this level stays
    p.dayProfits[2] = 900;
    app->SavePlayers();
    const std::string before = PlayersFile();
    LevelCompleteWnd* lc = OpenLevelComplete();
    app->Step(60);
    EXPECT_EQ(app->Play().dimCounter, 50); // raised while the window shows, never past 50
    const std::string whileShown = PlayersFile();
    EXPECT_NE(whileShown, before) << "the file holds the win while the tally shows";
    ClearDrawn();
    DrawWidget(*lc);
    EXPECT_TRUE(DrewText("FONT_DEFAULT", "text109 text651400")) << "money shown with the day's profit";
    EXPECT_EQ(p.money, 1000);
    EXPECT_EQ(p.level, 3);
    app->Click(lc->okButton.get());
    app->Click(lc->okButton.get()); // a second press only clicks
    EXPECT_EQ(app->Count(click), 2);
    EXPECT_EQ(app->StepUntilClosed(DIALOG_LEVEL_COMPLETE), 42);
    EXPECT_EQ(p.level, 4);
    EXPECT_EQ(p.money, 1400);
    EXPECT_EQ(p.dayProfits[2], 400); // a lower replay overwrites
    EXPECT_EQ(p.expertFlags[2], 1);
    EXPECT_EQ(p.akkumCharge, 7);
    EXPECT_EQ(app->model->TimeLeft, 1000);
    EXPECT_EQ(app->Play().dimCounter, 0);
    // Set to 98 (the dark half skipped), then the fade's own first update in the same frame.
    EXPECT_EQ(app->boardTransition->counter, 99);
    EXPECT_TRUE(app->Shows(app->boardTransition.get()));
    EXPECT_EQ(PlayersFile(), whileShown) << "the profile now says what the file said";
    // Stored once: the window is gone and later updates change nothing.
    app->ProcessDeferredDeletes();
    app->Step(10);
    EXPECT_EQ(p.level, 4);
    EXPECT_EQ(p.money, 1400);
}

TEST_F(ResultTest, AGameClosedOverTheTallyGoesOnWithTheNextDay)
{
    app->Player().money = 1000;
    OpenLevelComplete();
    app->Step(50);
    // The game ends here, the window still up: a new start reads the players file.
    EXPECT_EQ(app->Player().level, 3);
    DiskGameFiles files;
    PlayerList stored;
    int32_t current = -1;
    std::string notice;
    ProfileStore(files, app->dataFolder).Load(current, stored, notice);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0]->level, 4) << "Continue offers the day after the won one";
    EXPECT_EQ(stored[0]->money, 1400);
    EXPECT_EQ(stored[0]->dayProfits[2], 400);
    EXPECT_EQ(stored[0]->akkumCharge, 7);
}

TEST_F(ResultTest, ExpertPrizeAndFlagFollowTheGoalAndLateLevelsStayInTheirTables)
{
    const struct
    {
        int level, profit;
        bool expert;
    } cases[] = {{3, 500, true}, {3, 499, false}, {60, 500, true}, {65, 600, true}, {70, 10, false}, {71, 700, true}};
    for (const auto& c : cases)
    {
        PlayerProfile& p = app->Player();
        p = PlayerProfile{};
        p.name = "Ann";
        p.level = c.level;
        app->model->DayProfit = c.profit;
        LevelCompleteWnd* lc = OpenLevelComplete();
        app->Step(42);
        const auto calls = DrawWidget(*lc);
        const int prizes = static_cast<int>(
            std::count_if(calls.begin(), calls.end(), [&](const auto& d) { return d.image == IMAGE_EXPERT_PRIZE; }));
        EXPECT_EQ(prizes, c.expert ? 2 : 0) << c.level << "/" << c.profit;
        lc->closing = true;
        EXPECT_NE(app->StepUntilClosed(DIALOG_LEVEL_COMPLETE), -1);
        app->ProcessDeferredDeletes();
        EXPECT_EQ(p.level, c.level + 1);
        if (c.level <= PlayerProfile::kNumLevels)
        {
            EXPECT_EQ(p.expertFlags[static_cast<size_t>(c.level - 1)], c.expert ? 1 : 0) << c.level;
            EXPECT_EQ(p.dayProfits[static_cast<size_t>(c.level - 1)], c.profit) << c.level;
        }
        else
        {
            // A level past the game's days (a damaged profile) records no result anywhere.
            EXPECT_EQ(std::count(p.dayProfits.begin(), p.dayProfits.end(), 0), PlayerProfile::kNumLevels);
            EXPECT_EQ(std::count(p.expertFlags.begin(), p.expertFlags.end(), 0), PlayerProfile::kNumLevels);
        }
    }
}

TEST_F(ResultTest, GameOverDimsToHalfAndOffersRetryOrTheShop)
{
    app->windows->OpenGameOver();
    auto* go = app->Dialog<GameOverWnd>(DIALOG_TEXT_ENTRY);
    ASSERT_NE(go, nullptr);
    EXPECT_EQ(go->retryButton->GetRect(), Rect(320 - 65, 400, 130, 40));
    EXPECT_EQ(go->mapButton->GetRect(), Rect(320 - 65, 460, 130, 40));
    EXPECT_EQ(FillAlpha(*go), 0);
    int highest = 0;
    for (int i = 0; i < 50; ++i)
    {
        app->Step(1);
        highest = std::max(highest, FillAlpha(*go));
    }
    EXPECT_EQ(highest, 128);
    EXPECT_EQ(go->y, 100);

    // Retry keeps the level and starts it once, giving the keyboard back to the field.
    app->Click(go->retryButton.get());
    EXPECT_EQ(app->GetDialog(DIALOG_TEXT_ENTRY), nullptr);
    EXPECT_EQ(std::count(app->Play().calls.begin(), app->Play().calls.end(), "StartLevel"), 1);
    EXPECT_EQ(app->Player().level, 3);
    EXPECT_EQ(app->Manager().focusWidget, app->boardInterface());
}

TEST_F(ResultTest, WonAndLostDaysHaveTitlesOfTheirOwn)
{
    LevelCompleteWnd* lc = OpenLevelComplete();
    app->Step(42);
    ClearDrawn();
    DrawWidget(*lc);
    EXPECT_TRUE(DrewText("FONT_BUTTON", "text103"));
    lc->closing = true;
    app->StepUntilClosed(DIALOG_LEVEL_COMPLETE);
    app->ProcessDeferredDeletes();

    app->windows->OpenGameOver();
    auto* go = app->Dialog<GameOverWnd>(DIALOG_TEXT_ENTRY);
    ASSERT_NE(go, nullptr);
    app->Step(42);
    ClearDrawn();
    DrawWidget(*go);
    EXPECT_TRUE(DrewText("FONT_BUTTON", "text217")) << "a lost day is titled as lost";
    EXPECT_FALSE(DrewText("FONT_BUTTON", "text103")) << "not as a completed one";
    EXPECT_TRUE(DrewText("FONT_BUTTON_SMALL", "text112"));
}

TEST_F(ResultTest, GameOverMapButtonWorksWhileSlidingAndOpensTheShopPanel)
{
    app->Player().money = 400;
    app->Play().calls.clear();
    app->windows->OpenGameOver();
    auto* go = app->Dialog<GameOverWnd>(DIALOG_TEXT_ENTRY);
    app->Step(3); // still rising, below the middle
    ClearDrawn();
    DrawWidget(*go);
    EXPECT_TRUE(DrewText("FONT_DEFAULT", "text109 text65400"));
    app->Click(go->mapButton.get());
    EXPECT_EQ(app->GetDialog(DIALOG_TEXT_ENTRY), nullptr);
    EXPECT_TRUE(app->Shows(app->boardTransition.get()));
    EXPECT_EQ(app->boardTransition->focusTarget, app->mapWnd.get());
    EXPECT_FALSE(app->mapWnd->model.mapPhase);
    EXPECT_EQ(app->mapWnd->continueButton->GetRect(), Rect(400 - 65, 595 - 40, 130, 40));
    EXPECT_EQ(app->model->TimeLeft, 1000);
    // Enough money for the first recipe with hints on: the shop hint shows and holds the continue button.
    EXPECT_TRUE(app->Shows(app->hintWnd.get()));
    EXPECT_TRUE(app->mapWnd->continueButton->disabled);
}

namespace
{

class MenuTest : public ResultTest
{
protected:
    MenuWnd* menu = nullptr;
    void SetUp() override
    {
        ResultTest::SetUp();
        app->windows->OpenInGameMenu();
        menu = app->Dialog<MenuWnd>(DIALOG_MENU);
        ASSERT_NE(menu, nullptr);
        app->Step(42);
        app->samples.clear();
    }
};

} // namespace

TEST_F(MenuTest, RestsDimmedWithItsButtonsAndIcons)
{
    EXPECT_EQ(menu->y, 100);
    EXPECT_EQ(app->Manager().focusWidget, menu);
    EXPECT_EQ(FillAlpha(*menu), 200);
    EXPECT_EQ(menu->buttons[MenuWnd::ContinueId]->GetRect(), Rect(217, 102, 200, 56));
    EXPECT_EQ(menu->buttons[MenuWnd::RestartId]->label, "text42");
    const auto calls = DrawWidget(*menu);
    for (Image* icon : {IMAGE_ICON_MENU, IMAGE_ICON_HOW, IMAGE_ICON_OPTIONS, IMAGE_ICON_RESTART, IMAGE_ICON_CONTINUE})
        EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [&](const auto& c) { return c.image == icon; }), 1);
}

TEST_F(MenuTest, EscapeWaitsForTheZoomAndClosesOnce)
{
    app->Play().zooming = true;
    app->Manager().KeyDown(27);
    EXPECT_FALSE(menu->closing);
    app->Play().zooming = false;
    app->Manager().KeyDown(27);
    EXPECT_TRUE(menu->closing);
    app->Step(1);
    // Sinking: continue and Escape change nothing and make no sound.
    app->Click(menu->buttons[MenuWnd::ContinueId].get());
    app->Manager().KeyDown(27);
    EXPECT_TRUE(app->samples.empty());
    app->Play().menuButtonVisible = false;
    EXPECT_EQ(app->StepUntilClosed(DIALOG_MENU), 41);
    EXPECT_TRUE(app->Play().menuButtonVisible);
    EXPECT_EQ(app->Manager().focusWidget, app->boardInterface());
    EXPECT_EQ(FillAlpha(*menu), 0);
}

TEST_F(MenuTest, RestartStartsTheDayAgainUnlessItWasWonAndHandsBackTheKeyboard)
{
    for (bool won : {false, true})
    {
        if (!menu)
        {
            app->windows->OpenInGameMenu();
            menu = app->Dialog<MenuWnd>(DIALOG_MENU);
        }
        app->Play().calls.clear();
        app->model->ResultShown = won;
        app->model->LevelFailed = false;
        app->Click(menu->buttons[MenuWnd::RestartId].get());
        EXPECT_EQ(app->GetDialog(DIALOG_MENU), nullptr);
        EXPECT_EQ(app->Play().calls.size(), won ? 0u : 1u) << won;
        EXPECT_EQ(app->Manager().focusWidget, app->boardInterface());
        app->ProcessDeferredDeletes();
        menu = nullptr;
    }
}

TEST_F(MenuTest, LeavingAsksAndKeepsTheMenuOnNo)
{
    app->Click(menu->buttons[MenuWnd::MainMenuId].get());
    EXPECT_EQ(app->waitedIds, std::vector<int>{DIALOG_QUESTION});
    EXPECT_EQ(app->GetDialog(DIALOG_MENU), menu);
    app->respond = [](Dialog*) { return DIALOG_BUTTON_YES; };
    app->Click(menu->buttons[MenuWnd::MainMenuId].get());
    EXPECT_EQ(app->GetDialog(DIALOG_MENU), nullptr);
    EXPECT_TRUE(app->Shows(app->titleWnd.get()));
}

TEST_F(MenuTest, F1GoesToTheMapWithoutRecordingTheDay)
{
    const PlayerProfile before = app->Player();
    app->Manager().KeyDown(112);
    EXPECT_EQ(app->GetDialog(DIALOG_MENU), nullptr);
    EXPECT_TRUE(app->Shows(app->boardTransition.get()));
    EXPECT_EQ(app->boardTransition->focusTarget, app->mapWnd.get());
    EXPECT_EQ(app->Player().level, before.level);
    EXPECT_EQ(app->Player().money, before.money);
    EXPECT_EQ(app->Player().dayProfits, before.dayProfits);
}

TEST_F(MenuTest, OptionsAndHowToPlayOpenOverTheMenuWhichStaysAtRest)
{
    app->Click(menu->buttons[MenuWnd::OptionsId].get());
    auto* options = app->Dialog<DemoDialog>(DIALOG_OPTIONS);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->GetRect(), Rect(400 - 210, 300 - 150, 420, 301));
    app->Click(options->okButton.get());
    EXPECT_EQ(app->GetDialog(DIALOG_OPTIONS), nullptr);
    // The menu has the keyboard again: Escape closes it instead of reaching the play field.
    EXPECT_EQ(app->Manager().focusWidget, menu);
    app->ProcessDeferredDeletes();
    app->Click(menu->buttons[MenuWnd::HowToPlayId].get());
    auto* how = app->Dialog<HowDialog>(DIALOG_SHOP);
    ASSERT_NE(how, nullptr);
    EXPECT_EQ(how->GetRect(), Rect(80, 100, 640, 500));
    app->Step(5);
    EXPECT_EQ(app->GetDialog(DIALOG_MENU), menu);
    EXPECT_EQ(menu->y, 100);
    EXPECT_FALSE(menu->closing);
}

TEST_F(MenuTest, HowToPlayTurnsPagesBetweenItsEnds)
{
    OpenHowDialog(app.get());
    HowDialog* how = app->Dialog<HowDialog>(DIALOG_SHOP);
    ClearDrawn();
    DrawWidget(*how);
    EXPECT_TRUE(DrewText("FONT_DEFAULT", "text142 1 text143 4"));
    // The row stands at 480 unless the panel's frame (500 high here) needs it higher: the tallest button (40) ends
    // 12 pixels above the bottom. The next-page button (90 wide) moves in from 545 to stay 18 pixels inside the
    // panel's 640. The indicator (19 characters of 7 pixels) is right-aligned 10 pixels left of it, and the
    // previous-page button ends 10 pixels left of the indicator.
    for (ButtonWidget* b : {how->closeButton.get(), how->nextButton.get(), how->previousButton.get()})
        EXPECT_EQ(b->y, 500 - 40 - 12);
    EXPECT_EQ(how->nextButton->x, 640 - 90 - 18);
    const auto* indicator = FindText("FONT_DEFAULT", "text142 1 text143 4");
    ASSERT_NE(indicator, nullptr);
    EXPECT_EQ(indicator->x + 19 * 7, how->x + how->nextButton->x - 10);
    EXPECT_EQ(indicator->y, how->y + 500 - 40 - 12 + 30);
    EXPECT_EQ(how->previousButton->x + how->previousButton->width, how->nextButton->x - 10 - 19 * 7 - 10);
    const struct
    {
        int button;
        int page;
        bool nextDisabled, previousDisabled;
    } steps[] = {{HowDialog::kPreviousId, 1, false, true},
                 {HowDialog::kNextId, 2, false, false},
                 {HowDialog::kNextId, 3, false, false},
                 {HowDialog::kNextId, 4, true, false},
                 {HowDialog::kPreviousId, 3, false, false}};
    for (const auto& s : steps)
    {
        how->ButtonReleased(s.button);
        EXPECT_EQ(how->page, s.page);
        EXPECT_EQ(how->nextButton->disabled, s.nextDisabled) << s.page;
        EXPECT_EQ(how->previousButton->disabled, s.previousDisabled) << s.page;
    }
    EXPECT_EQ(app->Count(click), 5);
    for (int page = 1; page <= 4; ++page)
    {
        how->page = page;
        DrawWidget(*how); // every page draws without pictures of the play model
    }
    app->Click(how->closeButton.get());
    EXPECT_EQ(app->GetDialog(DIALOG_SHOP), nullptr);
    EXPECT_EQ(app->Count(click), 6);
    OpenHowDialog(app.get());
    EXPECT_EQ(app->Dialog<HowDialog>(DIALOG_SHOP)->page, 1);
}

TEST_F(ResultTest, LevelCompleteTallyLinesStandCentredInTheirFonts)
{
    LevelCompleteWnd* lc = OpenLevelComplete();
    app->Step(42);
    ClearDrawn();
    DrawWidget(*lc);
    const struct
    {
        const char* font;
        std::string text;
        int y;
    } lines[] = {{"FONT_BUTTON", "text103", 80},
                 {"FONT_DEFAULT_BLUE", "text104", 105},
                 {"FONT_DEFAULT", "text105 12", 180},
                 {"FONT_DEFAULT_BLUE", "text106 2", 205},
                 {"FONT_DEFAULT", "text107 20", 230},
                 {"FONT_DEFAULT", "text192 text6535", 275},
                 {"FONT_DEFAULT", "text108 text65400", 320},
                 {"FONT_DEFAULT", "text109 text651400", 345}};
    for (const auto& l : lines)
    {
        const auto* t = FindText(l.font, l.text);
        ASSERT_NE(t, nullptr) << l.text;
        EXPECT_EQ(t->y, 100 + l.y) << l.text;
        EXPECT_EQ(t->x, 80 + 320 - static_cast<int>(l.text.size()) * 7 / 2) << l.text;
        EXPECT_EQ(t->color, Color(255, 255, 255)) << l.text;
    }
}

TEST_F(ResultTest, TwoNewCustomerTypesOnOneDayShowTheirTipsOneAfterTheOther)
{
    app->OpenTipWindow(2);
    app->OpenTipWindow(7);
    app->Step(3);
    app->ProcessDeferredDeletes();
    for (int type : {2, 7})
    {
        auto* tip = app->Dialog<TipWnd>(DIALOG_TEXT_ENTRY);
        ASSERT_NE(tip, nullptr) << "tip of type " << type;
        EXPECT_EQ(tip->customerType, type);
        tip->ButtonReleased(TipWnd::kOkId);
        app->Step(3);
        app->ProcessDeferredDeletes();
    }
    EXPECT_EQ(app->GetDialog(DIALOG_TEXT_ENTRY), nullptr);
}

TEST_F(ResultTest, AWindowOpenedUnderATakenIdClosesTheOldOneCleanly)
{
    // Each pair shares a dialog id: the first is closed and deleted when the second comes, while both animate.
    const std::vector<std::pair<std::function<void()>, std::function<void()>>> pairs = {
        {[&] { app->windows->OpenInGameMenu(); }, [&] { app->windows->OpenPlayerChoice(); }},
        {[&] { app->windows->OpenGameOver(); }, [&] { app->OpenTipWindow(3); }},
        {[&] { app->windows->OpenShop(0); }, [&] { OpenHowDialog(app.get()); }},
        {[&] { app->windows->OpenLevelComplete(); }, [&] { app->windows->OpenLevelComplete(); }},
        {[&] { app->windows->OpenHighscores(2); }, [&] { app->windows->OpenHighscores(-1); }},
    };
    for (const auto& [first, second] : pairs)
    {
        const int before = app->GetDialogCount();
        first();
        app->Step(3);
        second();
        app->Step(3);
        app->ProcessDeferredDeletes();
        app->Step(60);
        EXPECT_EQ(app->GetDialogCount(), before + 1);
        while (app->GetDialogCount() > before)
        {
            Dialog* top = nullptr;
            for (int id : {DIALOG_MENU, DIALOG_TEXT_ENTRY, DIALOG_SHOP, DIALOG_LEVEL_COMPLETE, DIALOG_HIGHSCORES})
                if (app->GetDialog(id)) top = app->GetDialog(id);
            ASSERT_NE(top, nullptr);
            app->CloseDialog(top);
        }
        app->ProcessDeferredDeletes();
        EXPECT_TRUE(app->Manager().modalLayers.empty());
    }
}

TEST_F(WindowsTest, APizzaCarriedUnderAHintStaysInSight)
{
    app->StartWithPlayer("Ann", 1, 0);
    auto screen = std::make_unique<BoardScreen>(*app);
    BoardScreen& real = *screen;
    app->playScreen = std::move(screen);
    app->Manager().AddWidget(app->board());
    app->Manager().AddWidget(app->boardInterface());
    BoardModel& model = *real.board->model;
    model.Dishes.push_back(std::make_unique<Dish>(0, 1));
    Dish& dish = *model.Dishes.back();
    dish.width = dish.height = 2;
    dish.held = true;
    dish.x = 400, dish.y = 300;
    model.DraggedDish = &dish;
    // The drop lesson, which comes up while the pizza is carried: the field leaves the pizza out under it, so
    // the hint panel draws it on top.
    model.HintId = 2;
    app->ShowHint(420, 320, 1, "drop it");
    const int k = model.CellSize;
    bool cellShown = false;
    for (const auto& c : DrawWidget(*app->hintWnd))
        cellShown |= c.op == "fill" && c.rect == Rect(400 - k, 300 - k, k, k);
    EXPECT_TRUE(cellShown) << "the carried pizza's first cell is drawn where the hand holds it";
}

TEST_F(WindowsTest, TheRealPlayScreensLevelEndsOpenTheResultWindows)
{
    app->StartWithPlayer("Ann", 2, 100);
    auto screen = std::make_unique<BoardScreen>(*app);
    BoardScreen& real = *screen;
    app->playScreen = std::move(screen);
    app->Manager().AddWidget(app->board());
    app->Manager().AddWidget(app->boardInterface());
    app->FocusGameWidget();
    BoardModel& model = *real.board->model;

    model.DayProfit = 250;
    model.ExpertGoal = 1000;
    model.OpenLevelComplete();
    auto* lc = app->Dialog<LevelCompleteWnd>(DIALOG_LEVEL_COMPLETE);
    ASSERT_NE(lc, nullptr);
    app->Step(42);
    EXPECT_EQ(real.board->dim, 50);
    app->Click(lc->okButton.get());
    EXPECT_NE(app->StepUntilClosed(DIALOG_LEVEL_COMPLETE), -1);
    EXPECT_EQ(app->Player().level, 3);
    EXPECT_EQ(app->Player().money, 350);
    EXPECT_EQ(app->Player().dayProfits[1], 250);
    EXPECT_EQ(model.TimeLeft, 1000);
    app->ProcessDeferredDeletes();

    // A lost day: the board banks the profit and opens the game-over window, which retries.
    model.ResultShown = false;
    model.DayProfit = 40;
    model.LevelLost();
    auto* go = app->Dialog<GameOverWnd>(DIALOG_TEXT_ENTRY);
    ASSERT_NE(go, nullptr);
    EXPECT_EQ(app->Player().money, 390);
    app->Step(42);
    app->Manager().RemoveWidget(app->boardTransition.get());

    // The menu opens from the board and closes back to it.
    app->CloseDialog(DIALOG_TEXT_ENTRY);
    app->ProcessDeferredDeletes();
    app->FocusGameWidget();
    model.HintId = -1;
    real.board->OpenMenu();
    auto* menu = app->Dialog<MenuWnd>(DIALOG_MENU);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(app->Manager().focusWidget, menu);
}
