// The options dialog, the continue-or-new dialog, the high-score window and the game-mode, story and
// game-complete windows.
#include "WindowsTestSupport.h"

#include "game/screens/MapWnd.h"
#include "game/screens/MenuWnd.h"
#include "game/screens/OptionsDialog.h"
#include "game/screens/PlayerDialogs.h"
#include "game/screens/StoryWindows.h"
#include "game/screens/TitleDialogs.h"
#include "widgets/Checkbox.h"

#include <functional>

using namespace Zest;

namespace
{

class TitleDialogsTest : public WindowsTest
{
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        app->StartWithPlayer("Ann", 5, 300);
    }
    int Alpha(Widget& w)
    {
        for (const auto& c : DrawWidget(w))
            if (c.op == "fill" && c.rect == Rect(0, 0, 800, 600)) return c.color.mAlpha;
        return 0;
    }
    DemoDialog* OpenOptions()
    {
        app->windows->OpenOptions();
        return app->Dialog<DemoDialog>(DIALOG_OPTIONS);
    }
    static Point Centre(Widget& w) { return {w.x + w.width / 2, w.y + w.height / 2}; }
};

} // namespace

TEST_F(TitleDialogsTest, OptionsControlsTakeTheMouseAboveTheModalDialog)
{
    DemoDialog* options = OpenOptions();
    ASSERT_NE(options, nullptr);
    WidgetManager& m = app->Manager();
    EXPECT_FALSE(m.modalLayers.empty());
    EXPECT_EQ(options->musicSlider->GetRect(), Rect(190 + 40, 150 + 85, 150, 20));
    EXPECT_EQ(options->soundSlider->GetRect(), Rect(190 + 420 - 40 - 150, 150 + 85, 150, 20));
    EXPECT_EQ(options->threeDBox->GetRect(), Rect(230, 255 + 15, 24, 24));
    EXPECT_EQ(options->noHintsBox->GetRect(), Rect(230, 255 + 50, 24, 24));

    // The sound slider dragged from its thumb: the volume follows at once, the click comes once, on release.
    const Rect thumb(options->soundSlider->x + options->soundSlider->ThumbPosition(), options->soundSlider->y, 20, 20);
    const int sx = thumb.mX + 10, sy = thumb.mY + 10;
    m.MouseMove(sx, sy);
    m.MouseDown(sx, sy, 1);
    std::vector<double> volumes;
    for (int dx : {-20, -40, -60})
    {
        m.MouseMove(sx + dx, sy);
        volumes.push_back(app->GetSfxVolume());
    }
    EXPECT_EQ(app->Count(click), 0);
    m.MouseUp(sx - 60, sy, 1);
    EXPECT_EQ(app->Count(click), 1);
    EXPECT_GT(volumes[0], volumes[1]);
    EXPECT_GT(volumes[1], volumes[2]);
    // The thumb stood at pixel 110 (0.85 of 130) and moved 60 pixels to the left.
    EXPECT_NEAR(app->GetSfxVolume(), 50.0 / 130.0, 1e-9);

    // The music slider dragged to its start: silent at once.
    const Point music(options->musicSlider->x + options->musicSlider->ThumbPosition() + 10, sy);
    m.MouseMove(music.mX, music.mY);
    m.MouseDown(music.mX, music.mY, 1);
    m.MouseMove(0, music.mY);
    m.MouseUp(0, music.mY, 1);
    EXPECT_EQ(app->GetMusicVolume(), 0.0);

    // The no-hints box changes the profile at once and is saved with OK.
    const std::string before = PlayersFile();
    const Point box = Centre(*options->noHintsBox);
    m.MouseMove(box.mX, box.mY);
    m.MouseDown(box.mX, box.mY, 1);
    m.MouseUp(box.mX, box.mY, 1);
    EXPECT_TRUE(app->Player().noHints);
    EXPECT_EQ(PlayersFile(), before);
    app->Click(options->okButton.get());
    EXPECT_NE(PlayersFile(), before);
    EXPECT_EQ(app->GetDialog(DIALOG_OPTIONS), nullptr);
    // The mode asked for is the one in force: nothing was changed.
    ASSERT_EQ(app->screenModes.size(), 1u);
    EXPECT_EQ(app->screenModes[0], std::make_pair(app->mIsWindowed, false));
    app->ProcessDeferredDeletes();
    EXPECT_FALSE(m.HasWidget(options)); // the controls went with it
}

TEST_F(TitleDialogsTest, OptionsRefuseThreeDAndKeepAForcedFullScreen)
{
    DemoDialog* options = OpenOptions();
    app->Click(options->threeDBox.get());
    EXPECT_FALSE(options->threeDBox->checked);
    Dialog* message = app->GetDialog(DIALOG_OPTIONS_MESSAGE);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->header, "text31");
    EXPECT_EQ(message->lines, "text33");
    app->CloseDialog(DIALOG_OPTIONS_MESSAGE);

    app->mIsWindowed = false;
    app->mFullScreenForced = true;
    app->CloseDialog(DIALOG_OPTIONS);
    app->ProcessDeferredDeletes();
    options = OpenOptions();
    EXPECT_TRUE(options->fullScreenBox->checked);
    app->Click(options->fullScreenBox.get());
    EXPECT_TRUE(options->fullScreenBox->checked);
    EXPECT_EQ(app->GetDialog(DIALOG_OPTIONS_MESSAGE)->header, "text35");
}

TEST_F(TitleDialogsTest, OptionsCloseOnEscapeAsOnOkAndTheirBoxFollowsTheWindow)
{
    // Escape reaches the dialog (the keyboard is its own) and closes it as OK does: the mode asked for, saved.
    DemoDialog* options = OpenOptions();
    EXPECT_EQ(app->Manager().focusWidget, options);
    app->Click(options->noHintsBox.get());
    EXPECT_EQ(app->Manager().focusWidget, options); // a box takes no keyboard
    const std::string before = PlayersFile();
    app->Manager().KeyDown(27);
    EXPECT_EQ(app->GetDialog(DIALOG_OPTIONS), nullptr);
    ASSERT_EQ(app->screenModes.size(), 1u);
    EXPECT_NE(PlayersFile(), before);
    app->ProcessDeferredDeletes();
    app->Manager().KeyDown(27); // nothing left to close, nothing switched again
    EXPECT_EQ(app->screenModes.size(), 1u);

    // A switch made while the dialog is open (Alt+Enter) shows in its box, both ways.
    app->mIsWindowed = false;
    options = OpenOptions();
    EXPECT_TRUE(options->fullScreenBox->checked);
    app->ZestAppBase::SwitchScreenMode(true);
    EXPECT_TRUE(app->mIsWindowed);
    EXPECT_FALSE(options->fullScreenBox->checked);
    app->ZestAppBase::SwitchScreenMode(false);
    EXPECT_TRUE(options->fullScreenBox->checked);
    EXPECT_EQ(app->GetDialog(DIALOG_OPTIONS_MESSAGE), nullptr);
}

TEST_F(TitleDialogsTest, OptionsShadeTheTitleButNotThePlayField)
{
    DemoDialog* options = OpenOptions();
    EXPECT_EQ(Alpha(*options), 170);
    app->Manager().RemoveWidget(app->titleWnd.get());
    EXPECT_EQ(Alpha(*options), 0);
    // Without a current player there is nobody to keep the hint setting for.
    app->CloseDialog(DIALOG_OPTIONS);
    app->currentPlayer = -1;
    options = OpenOptions();
    EXPECT_TRUE(options->noHintsBox->disabled);
}

TEST_F(TitleDialogsTest, ContinueOrNewRisesToTheMiddle)
{
    app->windows->OpenContinueDialog();
    auto* dialog = app->Dialog<ContinueGameWnd>(DIALOG_CONTINUE);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Alpha(*dialog), 0);
    app->Step(38);
    EXPECT_EQ(dialog->y, 300 - 301 / 2);
    EXPECT_EQ(Alpha(*dialog), 200);
    ClearDrawn();
    DrawWidget(*dialog);
    const auto* level = FindText("FONT_DEFAULT_BLUE", "text158 5");
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->y, 150 + 301 - 150);
    EXPECT_EQ(dialog->continueButton->GetRect(), Rect(210 - 65, 301 - 140, 130, 40));

    app->Click(dialog->continueButton.get());
    EXPECT_EQ(app->GetDialog(DIALOG_CONTINUE), nullptr);
    EXPECT_EQ(app->Play().calls, std::vector<std::string>{"StartLevel"});
    EXPECT_EQ(app->boardTransition->addList, (std::vector<Widget*>{app->board(), app->boardInterface()}));
    EXPECT_EQ(app->boardTransition->focusTarget, app->boardInterface());
}

TEST_F(TitleDialogsTest, ContinueFromTheTitleLeavesNoTitleUnderThePlayScreen)
{
    app->Click(app->titleWnd->playButton.get());
    auto* dialog = app->Dialog<ContinueGameWnd>(DIALOG_CONTINUE);
    ASSERT_NE(dialog, nullptr);
    app->Step(38);
    app->Click(dialog->continueButton.get());
    for (int i = 0; i < 300 && app->Shows(app->boardTransition.get()); ++i) app->Step(1);
    ASSERT_FALSE(app->Shows(app->boardTransition.get()));
    EXPECT_TRUE(app->Shows(app->boardInterface()));
    EXPECT_FALSE(app->Shows(app->titleWnd.get()));
    // The options from the in-game menu therefore draw no shade over the play field.
    app->windows->OpenInGameMenu();
    auto* menu = app->Dialog<MenuWnd>(DIALOG_MENU);
    ASSERT_NE(menu, nullptr);
    app->Step(60);
    app->Click(menu->buttons[MenuWnd::OptionsId].get());
    DemoDialog* options = app->Dialog<DemoDialog>(DIALOG_OPTIONS);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(Alpha(*options), 0);
}

TEST_F(TitleDialogsTest, NewGameStartsAtTheFirstLevelWithoutSaving)
{
    app->SavePlayers();
    const std::string before = PlayersFile();
    app->windows->OpenContinueDialog();
    auto* dialog = app->Dialog<ContinueGameWnd>(DIALOG_CONTINUE);
    app->Click(dialog->newGameButton.get());
    EXPECT_EQ(app->Player().level, 1);
    EXPECT_EQ(app->boardTransition->focusTarget, app->mapWnd.get());
    EXPECT_EQ(PlayersFile(), before);
}

namespace
{

class HighscoresTest : public TitleDialogsTest
{
protected:
    HighscoresWnd* Open(int highlight)
    {
        app->windows->OpenHighscores(highlight);
        auto* w = app->Dialog<HighscoresWnd>(DIALOG_HIGHSCORES);
        app->Step(42);
        return w;
    }
    std::vector<WidgetTest::FixedFont::Text> Rows(HighscoresWnd& w)
    {
        ClearDrawn();
        DrawWidget(w);
        return Drawn("FONT_DEFAULT");
    }
};

} // namespace

TEST_F(HighscoresTest, ShowsTenRowsWithTheNewEntryInYellow)
{
    app->highscores[3] = {"Zed", 4321, {}};
    for (int highlight : {-1, 3})
    {
        HighscoresWnd* w = Open(highlight);
        const auto rows = Rows(*w);
        ASSERT_EQ(rows.size(), 30u);
        for (size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(rows[i].color, static_cast<int>(i / 3) == highlight ? Color(255, 255, 0) : Color(255, 255, 255));
        EXPECT_EQ(rows[27].text, "10.");
        EXPECT_EQ(rows[27].x, 80 + 200);
        EXPECT_EQ(rows[27].y, 100 + 140 + 180);
        EXPECT_EQ(rows[10].text, "Zed");
        EXPECT_EQ(rows[11].text, "4321");
        // Scores of every length end on one right edge.
        for (size_t i = 2; i < rows.size(); i += 3)
            EXPECT_EQ(rows[i].x + 7 * static_cast<int>(rows[i].text.size()), 80 + HighscoresWnd::kScoreRight)
                << rows[i].text;
        app->CloseDialog(DIALOG_HIGHSCORES);
        app->ProcessDeferredDeletes();
    }
    // A short table shows what it has.
    app->highscores.resize(4);
    HighscoresWnd* w = Open(-1);
    EXPECT_EQ(Rows(*w).size(), 12u);
}

TEST_F(HighscoresTest, ResetAsksAndRewritesOnlyOnYes)
{
    app->highscores[0] = {"Zed", 99999, {}};
    app->SaveHighscores();
    const std::string path = app->dataFolder + "highscores.dat";
    const std::string before = ReadFile(path);
    HighscoresWnd* w = Open(0);
    app->Click(w->resetButton.get());
    EXPECT_EQ(app->waitedIds, std::vector<int>{DIALOG_QUESTION});
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(app->highscores[0].name, "Zed");
    app->respond = [](Dialog* d)
    {
        EXPECT_EQ(d->lines, "text210");
        return DIALOG_BUTTON_YES;
    };
    app->Click(w->resetButton.get());
    std::vector<HighscoreEntry> defaults;
    ResetHighscores(defaults);
    EXPECT_EQ(app->highscores, defaults);
    EXPECT_NE(ReadFile(path), before);
    EXPECT_EQ(app->GetDialog(DIALOG_HIGHSCORES), w);
    EXPECT_EQ(w->highlight, 0);
}

TEST_F(HighscoresTest, CloseTurnsTheSlideAndResetIsIgnoredWhileItSinks)
{
    app->windows->OpenHighscores(-1);
    auto* w = app->Dialog<HighscoresWnd>(DIALOG_HIGHSCORES);
    app->Step(5);
    app->Click(w->closeButton.get());
    app->Step(1);
    EXPECT_EQ(w->y, 600 - 5 * 12 + 12);
    w->ButtonReleased(HighscoresWnd::kResetId);
    EXPECT_TRUE(app->waitedIds.empty());
    EXPECT_EQ(app->StepUntilClosed(DIALOG_HIGHSCORES), 5);
}

TEST_F(HighscoresTest, EscapeClosesTheTableAsItsCloseButtonDoes)
{
    HighscoresWnd* w = Open(-1);
    EXPECT_EQ(app->Manager().focusWidget, w);
    app->Manager().KeyDown(27);
    EXPECT_TRUE(w->closing);
    EXPECT_EQ(app->StepUntilClosed(DIALOG_HIGHSCORES), 42);
}

TEST_F(HighscoresTest, SubmittedScoreIsHighlightedInTheOpenTable)
{
    app->Player().money = 50000;
    app->mapWnd->model.targetTotal = 50000;
    app->respond = [&](Dialog* d)
    {
        if (auto* entry = dynamic_cast<DialogWithEdit*>(d)) app->Click(entry->okButton.get());
        return d->result;
    };
    app->SubmitScore();
    auto* w = app->Dialog<HighscoresWnd>(DIALOG_HIGHSCORES);
    ASSERT_NE(w, nullptr);
    ASSERT_GE(w->highlight, 0);
    ASSERT_LT(w->highlight, kNumHighscores);
    EXPECT_EQ(app->highscores[static_cast<size_t>(w->highlight)].name, "Ann");
}

TEST_F(HighscoresTest, OnlyPlayerNamePromptsTakeTheNamePromptHeaderFont)
{
    app->Player().money = 50000;
    app->mapWnd->model.targetTotal = 50000;
    const struct
    {
        const char* prompt;
        std::function<void()> ask;
        std::string header;
        const char* font;
    } cases[] = {
        {"high-score name", [&] { app->SubmitScore(); }, "text212 50000!", "FONT_DEFAULT"},
        {"editor prompt", [&] { app->AskForText("Speed", "Value:", "1"); }, "Speed", "FONT_DEFAULT"},
        {"new player", [&] { app->AskForNewPlayer(); }, "text18", "FONT_BUTTON_SMALL"},
    };
    for (const auto& c : cases)
    {
        std::string headerFont;
        app->respond = [&](Dialog* d)
        {
            if (auto* entry = dynamic_cast<DialogWithEdit*>(d))
            {
                ClearDrawn();
                DrawWidget(*entry);
                for (const char* f : {"FONT_DEFAULT", "FONT_BUTTON_SMALL"})
                    if (DrewText(f, c.header)) headerFont = f;
            }
            return DIALOG_BUTTON_NO;
        };
        c.ask();
        EXPECT_EQ(headerFont, c.font) << c.prompt;
    }
}

TEST_F(TitleDialogsTest, GameModeFliesInThenStartsAFreshGameWithTheStory)
{
    HistoryWnd history(app.get());
    GameModeWnd mode(app.get(), &history);
    app->Manager().AddWidget(&mode);
    const struct
    {
        int counter;
        int p1x, p1y, p2x, p2y, alpha;
    } flights[] = {{1, 383 + 29 * 417 / 30, 99 + 29 * 501 / 30, 184 - 39 * 400 / 40, 84 + 39 * 516 / 40, 3},
                   {15, 383 + 15 * 417 / 30, 99 + 15 * 501 / 30, 184 - 25 * 400 / 40, 84 + 25 * 516 / 40, 45},
                   {30, 383, 99, 184 - 10 * 400 / 40, 84 + 10 * 516 / 40, 90},
                   {39, 383, 99, 184 - 400 / 40, 84 + 516 / 40, 117},
                   {40, 383, 99, 184, 84, 120},
                   {50, 383, 99, 184, 84, 150}};
    for (const auto& f : flights)
    {
        while (mode.counter < f.counter) app->Step(1);
        EXPECT_EQ(mode.picture1X, f.p1x) << f.counter;
        EXPECT_EQ(mode.picture1Y, f.p1y) << f.counter;
        EXPECT_EQ(mode.picture2X, f.p2x) << f.counter;
        EXPECT_EQ(mode.picture2Y, f.p2y) << f.counter;
        EXPECT_EQ(mode.buttons[0]->x - mode.picture1X, 434 - 383);
        EXPECT_EQ(mode.Alpha(), f.alpha);
    }
    app->Player().money = 777;
    mode.ButtonReleased(0);
    EXPECT_FALSE(app->Shows(&mode));
    EXPECT_EQ(app->Player().level, 1);
    EXPECT_EQ(app->Player().money, 0);
    EXPECT_NE(PlayersFile().find("Ann"), std::string::npos);
    EXPECT_EQ(app->boardTransition->addList, std::vector<Widget*>{&history});
    EXPECT_EQ(app->boardTransition->focusTarget, &history);
    app->Manager().RemoveWidget(app->boardTransition.get());
}

TEST_F(TitleDialogsTest, StoryButtonBlinksEveryFiftyUpdatesUnlessHovered)
{
    HistoryWnd history(app.get());
    app->Manager().AddWidget(&history);
    std::vector<Image*> seen;
    for (int i = 0; i < 100; ++i)
    {
        app->Step(1);
        seen.push_back(history.startButton->buttonImage);
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), IMAGE_SMBUTTON), 50);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), IMAGE_SMBUTTON_OVER), 50);
    app->Manager().MouseMove(565, 550);
    Image* held = history.startButton->buttonImage;
    app->Step(60);
    EXPECT_EQ(history.startButton->buttonImage, held);
    app->Click(history.startButton.get());
    EXPECT_EQ(app->Play().calls, std::vector<std::string>{"StartLevel"});
    EXPECT_EQ(app->boardTransition->focusTarget, app->boardInterface());
    app->Manager().RemoveWidget(&history);
    app->Manager().RemoveWidget(app->boardTransition.get());
}

TEST_F(TitleDialogsTest, GameCompleteBlinksAndEndsTheGameWithTheScore)
{
    GameCompleteWnd done(app.get());
    app->Manager().AddWidget(&done);
    EXPECT_EQ(done.button->GetRect(), Rect(530, 550, 130, 40));
    std::vector<Color> colours;
    for (int i = 0; i < 100; ++i)
    {
        app->Step(1);
        colours.push_back(done.button->GetColor(0));
        EXPECT_EQ(done.button->buttonImage, colours.back() == Color(91, 35, 0) ? IMAGE_SMBUTTON : IMAGE_SMBUTTON_OVER);
    }
    EXPECT_EQ(std::count(colours.begin(), colours.end(), Color(91, 35, 0)), 50);
    app->Player().money = 1000000; // above every default row
    app->mapWnd->model.targetTotal = 1000000;
    app->respond = [&](Dialog* d)
    {
        if (auto* entry = dynamic_cast<DialogWithEdit*>(d)) app->Click(entry->okButton.get());
        return d->result;
    };
    app->Click(done.button.get());
    EXPECT_FALSE(app->Shows(&done));
    EXPECT_NE(app->GetDialog(DIALOG_HIGHSCORES), nullptr);
    EXPECT_EQ(app->Player().level, 1);
    EXPECT_EQ(app->Player().money, 0);
    EXPECT_EQ(app->highscores[0].name, "Ann");
}

TEST_F(TitleDialogsTest, TheApplicationOwnsTheStoryWindowsAndEndsTheGameWithItsCompletePage)
{
    ASSERT_NE(app->gameModeWnd, nullptr);
    ASSERT_NE(app->historyWnd, nullptr);
    ASSERT_NE(app->gameCompleteWnd, nullptr);
    for (Widget* w : {static_cast<Widget*>(app->gameModeWnd.get()), static_cast<Widget*>(app->historyWnd.get()),
                      static_cast<Widget*>(app->gameCompleteWnd.get())})
    {
        EXPECT_FALSE(app->Shows(w));
        EXPECT_EQ(w->GetRect(), Rect(0, 0, 800, 600));
    }
    // The game-mode choice leads to the application's own story window.
    app->gameModeWnd->ButtonReleased(0);
    EXPECT_EQ(app->boardTransition->addList, std::vector<Widget*>{app->historyWnd.get()});
    app->Manager().RemoveWidget(app->boardTransition.get());

    // After the last day: the map's fireworks, its farewell, then the game-complete page; its button enters the
    // score and brings the title back.
    app->Player().level = 71;
    app->Player().money = 1000000;
    app->StartGame();
    for (int i = 0; i < 300 && app->Shows(app->boardTransition.get()); ++i) app->Step(1);
    ASSERT_TRUE(app->Shows(app->mapWnd.get()));
    app->mapWnd->model.targetTotal = 1000000;
    app->Click(app->mapWnd->continueButton.get());
    EXPECT_FALSE(app->Shows(app->gameCompleteWnd.get()));
    app->Click(app->mapWnd->continueButton.get());
    ASSERT_TRUE(app->Shows(app->gameCompleteWnd.get()));
    EXPECT_EQ(app->Manager().focusWidget, app->gameCompleteWnd.get());
    EXPECT_FALSE(app->mapWnd->continueButton->visible);
    EXPECT_EQ(app->GetDialog(DIALOG_HIGHSCORES), nullptr) << "the score waits for the page's button";
    EXPECT_EQ(app->Player().level, 71);

    app->respond = [&](Dialog* d)
    {
        if (auto* entry = dynamic_cast<DialogWithEdit*>(d)) app->Click(entry->okButton.get());
        return d->result;
    };
    app->Click(app->gameCompleteWnd->button.get());
    EXPECT_FALSE(app->Shows(app->gameCompleteWnd.get()));
    EXPECT_FALSE(app->Shows(app->mapWnd.get()));
    EXPECT_TRUE(app->Shows(app->titleWnd.get()));
    EXPECT_NE(app->GetDialog(DIALOG_HIGHSCORES), nullptr);
    EXPECT_EQ(app->highscores[0].name, "Ann");
    EXPECT_EQ(app->Player().level, 1);
    EXPECT_EQ(app->Player().money, 0);
    app->CloseDialog(DIALOG_HIGHSCORES);
    app->StartGame();
    EXPECT_TRUE(app->mapWnd->continueButton->visible) << "the map's own button is back for the next game";
}

// Every button of the game's windows shows the hand while the mouse is over it, and only then.
TEST_F(TitleDialogsTest, ButtonsShowTheHandWhileHovered)
{
    const auto hovered = [&](Widget* button)
    {
        const Point p = button->GetAbsolutePosition();
        app->Manager().MouseMove(p.mX + button->width / 2, p.mY + button->height / 2);
        const int over = app->mCursorId;
        app->Manager().MouseMove(5, 595);
        EXPECT_EQ(app->mCursorId, CURSOR_POINTER);
        return over;
    };
    EXPECT_EQ(hovered(app->titleWnd->playButton.get()), CURSOR_HAND);
    DemoDialog* options = OpenOptions();
    app->Step(5);
    EXPECT_EQ(hovered(options->okButton.get()), CURSOR_HAND);
}

// The window manager's close ends the game as Quit on the title does, whatever window or panel is up.
TEST_F(TitleDialogsTest, ACloseRequestEndsTheGameWhateverIsOpen)
{
    const struct
    {
        const char* what;
        std::function<void(WindowsApp&)> open;
    } cases[] = {
        {"options", [](WindowsApp& a) { a.windows->OpenOptions(); }},
        {"continue or new", [](WindowsApp& a) { a.windows->OpenContinueDialog(); }},
        {"player choice", [](WindowsApp& a) { a.windows->OpenPlayerChoice(); }},
        {"best chefs", [](WindowsApp& a) { a.windows->OpenHighscores(-1); }},
        {"hint panel", [](WindowsApp& a) { a.ShowHint(100, 300, 0, "a hint"); }},
        {"in-game menu", [](WindowsApp& a) { a.windows->OpenInGameMenu(); }},
        {"customer tip", [](WindowsApp& a) { a.OpenTipWindow(0); }},
        {"shop", [](WindowsApp& a) { a.windows->OpenShop(0); }},
        {"level complete", [](WindowsApp& a) { a.windows->OpenLevelComplete(); }},
        {"game over", [](WindowsApp& a) { a.windows->OpenGameOver(); }},
    };
    for (const auto& c : cases)
    {
        app.reset();
        app = std::make_unique<WindowsApp>();
        app->dataFolder = root + "/data/Quillbrook/CookEmber/";
        app->StartWithPlayer("Ann", 5, 300);
        c.open(*app);
        app->Step(30);
        app->mQueue.push_back({nullptr, Platform::WM_CLOSE, 0, 0});
        while (app->ProcessQueuedInput())
        {
        }
        EXPECT_TRUE(app->mShutdown) << c.what;
        EXPECT_TRUE(app->mClosing) << c.what;
    }
}

TEST_F(TitleDialogsTest, VolumeSetInTheOptionsIsThereAfterARestart)
{
    DemoDialog* options = OpenOptions();
    WidgetManager& m = app->Manager();
    const int tx = options->musicSlider->x + options->musicSlider->ThumbPosition() + 10;
    const int ty = options->musicSlider->y + 10;
    m.MouseMove(tx, ty);
    m.MouseDown(tx, ty, 1);
    m.MouseMove(tx - 39, ty); // 0.85 of 130 pixels is pixel 110; 71 / 130 = 0.546...
    m.MouseUp(tx - 39, ty, 1);
    app->Click(options->okButton.get());
    EXPECT_NEAR(app->GetMusicVolume(), 71.0 / 130.0, 1e-9);
    app->WriteToRegistry();
    app.reset();
    app = std::make_unique<WindowsApp>();
    EXPECT_EQ(app->GetMusicVolume(), 0.85);
    app->ReadFromRegistry();
    EXPECT_EQ(app->GetMusicVolume(), 0.54); // kept in whole percent
    EXPECT_EQ(app->GetSfxVolume(), 0.85);
}
