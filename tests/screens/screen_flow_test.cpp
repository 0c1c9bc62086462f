// Screen flow as state transitions: what is on screen, what has the focus, which dialogs are open and which music
// calls were made, from the logos to quitting.
#include "ShellTestSupport.h"

#include "game/core/GameFiles.h"
#include "game/core/ProfileFile.h"
#include "game/screens/BoardScreen.h"
#include "game/screens/StoryWindows.h"
#include "platform/Debug.h"
#include "platform/Files.h"
#include "widgets/EditWidget.h"
#include "widgets/WidgetManager.h"

#include <functional>

using namespace Zest;

TEST_F(ShellTest, LogosThenLoadingThenContinueThenNamePromptThenTitle)
{
    app->CreateTitleScreen();
    LogoFileData logos;
    logos.screens.push_back({3, 10, 20, 30, {}});
    logos.screens.push_back({0, 0, 0, 0, {}});
    app->titleScreen->LoadLogos(logos);
    TitleScreen* screen = app->titleScreen.get();
    EXPECT_TRUE(screen->showingLogos);
    app->Step(2);
    EXPECT_EQ(screen->logoScreens.size(), 2u);
    app->Step(1); // the first screen goes on its third update
    EXPECT_EQ(screen->logoScreens.size(), 1u);
    EXPECT_TRUE(screen->showingLogos);
    app->Step(1); // a time of 0 goes on the first update, and the loading picture follows
    EXPECT_TRUE(screen->logoScreens.empty());
    EXPECT_FALSE(screen->showingLogos);
    EXPECT_TRUE(screen->loadingScreenShown);
    EXPECT_FALSE(screen->continueLink->visible);

    app->OnLoadingDone();
    EXPECT_TRUE(screen->continueLink->visible);
    EXPECT_FALSE(screen->continueLink->disabled);
    EXPECT_EQ(app->highscores.size(), 10u);
    EXPECT_EQ(app->currentPlayer, -1);

    app->Windows().answers.push_back({1, "Ann"});
    screen->ButtonReleased(1);
    EXPECT_EQ(app->titleScreen, nullptr);
    EXPECT_FALSE(app->Shows(screen));
    EXPECT_TRUE(app->Shows(app->titleWnd.get()));
    EXPECT_EQ(app->Manager().focusWidget, app->titleWnd.get());
    ASSERT_EQ(app->Windows().prompts.size(), 1u);
    EXPECT_EQ(app->Windows().prompts[0].header, "text18");
    EXPECT_EQ(app->Windows().prompts[0].line, "text7");
    EXPECT_EQ(app->Windows().prompts[0].initial, "New Player");
    EXPECT_FALSE(app->Windows().prompts[0].cancelEnabled);
    ASSERT_EQ(app->players.size(), 1u);
    EXPECT_EQ(app->players[0]->name, "Ann");
    EXPECT_EQ(app->currentPlayer, 0);
    EXPECT_EQ(app->titleWnd->WelcomeLine(), "text20, Ann");

    // The file on disk holds exactly that player.
    DiskGameFiles files;
    PlayerList stored;
    int32_t current = -1;
    std::string notice;
    ProfileStore(files, app->dataFolder).Load(current, stored, notice);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0]->name, "Ann");
    EXPECT_EQ(current, 0);
}

TEST_F(ShellTest, LoadedScreenLeadsOnFromAClickAnywhereOrAKey)
{
    const struct
    {
        const char* what;
        std::function<void(WidgetManager&)> act;
        bool leadsOn;
    } cases[] = {
        {"a click away from the link", [](WidgetManager& m) { m.MouseDown(60, 70, 1), m.MouseUp(60, 70, 1); }, true},
        {"a right click", [](WidgetManager& m) { m.MouseDown(700, 100, -1), m.MouseUp(700, 100, -1); }, true},
        {"the space bar", [](WidgetManager& m) { m.KeyDown(32); }, true},
        {"Enter", [](WidgetManager& m) { m.KeyDown(13); }, true},
        {"Shift alone", [](WidgetManager& m) { m.KeyDown(16); }, false},
    };
    for (const auto& c : cases)
    {
        app = std::make_unique<TestGameApp>();
        app->dataFolder = root + "/data/Quillbrook/EmberCook/";
        app->CreateTitleScreen();
        app->titleScreen->LoadLogos(LogoFileData{});
        app->Step(1);
        // Still loading: nothing leads on yet.
        c.act(app->Manager());
        ASSERT_NE(app->titleScreen, nullptr) << c.what;
        app->OnLoadingDone();
        app->Windows().answers.push_back({1, "Ann"});
        c.act(app->Manager());
        EXPECT_EQ(app->titleScreen == nullptr, c.leadsOn) << c.what;
        if (c.leadsOn)
        {
            EXPECT_TRUE(app->Shows(app->titleWnd.get())) << c.what;
        }
        app->ProcessDeferredDeletes();
    }
}

TEST_F(ShellTest, CancelledPromptLeavesNoPlayerAndPlayAsksAgain)
{
    app->ToTitle("");
    EXPECT_EQ(app->currentPlayer, -1);
    EXPECT_TRUE(app->players.empty());
    EXPECT_EQ(app->titleWnd->WelcomeLine(), "");
    app->titleWnd->ButtonReleased(TitleWnd::PlayId);
    EXPECT_EQ(app->Windows().prompts.size(), 2u);
    EXPECT_FALSE(app->Shows(app->boardTransition.get()));

    app->Windows().answers.push_back({1, "Bo"});
    app->titleWnd->ButtonReleased(TitleWnd::PlayId);
    EXPECT_EQ(app->currentPlayer, 0);
    EXPECT_TRUE(app->Shows(app->boardTransition.get()));
}

TEST_F(ShellTest, PlayFadesToTheMapThenTheLevelThenBackThroughTheResult)
{
    app->ToTitle("Ann");
    app->Music().calls.clear();
    app->titleWnd->ButtonReleased(TitleWnd::PlayId);
    // Level 1: straight to the map with its welcome; the title music starts since none was playing.
    EXPECT_EQ(app->Music().calls, (std::vector<std::string>{"FadeOutAll stop 0.005", "FadeIn 0 -1 0.005 loop"}));
    EXPECT_TRUE(app->Shows(app->boardTransition.get()));
    EXPECT_TRUE(app->mapWnd->model.intro);
    app->Step(99);
    EXPECT_TRUE(app->Shows(app->titleWnd.get()));
    app->Step(1);
    EXPECT_FALSE(app->Shows(app->titleWnd.get()));
    EXPECT_TRUE(app->Shows(app->mapWnd.get()));
    app->Step(100);
    EXPECT_FALSE(app->Shows(app->boardTransition.get()));
    EXPECT_EQ(app->Manager().focusWidget, app->mapWnd.get());

    // Continue on the welcome starts day 1 through the fade.
    app->mapWnd->ButtonReleased(MapWnd::kContinueId);
    EXPECT_EQ(app->Play().calls.back(), "StartLevel");
    EXPECT_TRUE(app->mapWnd->model.levelStarting);
    app->Step(200);
    EXPECT_FALSE(app->Shows(app->mapWnd.get()));
    EXPECT_TRUE(app->Shows(app->board()));
    EXPECT_TRUE(app->Shows(app->boardInterface()));
    EXPECT_EQ(app->Manager().focusWidget, app->boardInterface());
    EXPECT_EQ(app->Play().dimCounter, 0);

    // The day is won: the level-complete window goes back to the map and shortens the darkening.
    app->players[0]->level = 2;
    app->players[0]->dayProfits[0] = 250;
    app->Music().calls.clear();
    app->Music().playing[0] = true; // track 0 still playing: no break in the music
    app->StartGame();
    app->boardTransition->counter = 98;
    EXPECT_TRUE(app->Music().calls.empty());
    app->Step(2);
    EXPECT_TRUE(app->Shows(app->mapWnd.get()));
    EXPECT_FALSE(app->Shows(app->board()));
    app->Step(100);
    EXPECT_FALSE(app->Shows(app->boardTransition.get()));
    EXPECT_FALSE(app->mapWnd->model.intro);
    EXPECT_EQ(app->mapWnd->model.targetTotal, 250);
    EXPECT_TRUE(app->mapWnd->leaveButton->visible);
}

TEST_F(ShellTest, LeaveQuestionNoKeepsEverythingYesReturnsToTitle)
{
    app->ToTitle("Ann");
    app->players[0]->level = 5;
    app->StartGame();
    app->Step(200);
    ASSERT_TRUE(app->Shows(app->mapWnd.get()));

    app->answers = {DIALOG_BUTTON_NO};
    app->mapWnd->ButtonReleased(MapWnd::kLeaveId);
    ASSERT_EQ(app->waited.size(), 1u);
    EXPECT_EQ(app->waited[0].id, DIALOG_QUESTION);
    EXPECT_EQ(app->waited[0].lines, "text45");
    EXPECT_EQ(app->GetDialog(DIALOG_QUESTION), nullptr);
    EXPECT_TRUE(app->Shows(app->mapWnd.get()));
    EXPECT_FALSE(app->Shows(app->titleWnd.get()));

    app->Music().playing.fill(false);
    app->Music().calls.clear();
    app->Play().dimCounter = 30;
    app->answers = {DIALOG_BUTTON_YES};
    EXPECT_TRUE(app->ConfirmLeaveGame());
    EXPECT_FALSE(app->Shows(app->mapWnd.get()));
    EXPECT_TRUE(app->Shows(app->titleWnd.get()));
    EXPECT_TRUE(app->Play().menuButtonVisible);
    EXPECT_EQ(app->Play().dimCounter, 0);
    EXPECT_EQ(app->Music().calls, (std::vector<std::string>{"FadeOutAll stop 0.005", "FadeIn 0 0 0.005 loop"}));

    // Quit: the base shutdown runs the game's shutdown step, then the menu runs it again; both are harmless.
    app->titleWnd->ButtonReleased(TitleWnd::QuitId);
    EXPECT_TRUE(app->mShutdown);
    EXPECT_FALSE(app->Shows(app->board()));
}

TEST_F(ShellTest, TitleButtonsOpenTheirWindowsAndPlayRoutesByLevel)
{
    app->ToTitle("Ann");
    const struct
    {
        int level;
        bool asks;
    } cases[] = {{1, false}, {2, true}, {70, true}, {71, false}};
    for (const auto& c : cases)
    {
        app->players[0]->level = c.level;
        app->Windows().opened.clear();
        app->titleWnd->ButtonReleased(TitleWnd::PlayId);
        if (c.asks)
        {
            ASSERT_EQ(app->Windows().opened.size(), 1u);
            EXPECT_EQ(app->Windows().opened[0].id, DIALOG_CONTINUE);
            EXPECT_EQ(app->players[0]->level, c.level);
        }
        else
        {
            EXPECT_TRUE(app->Windows().opened.empty());
            EXPECT_EQ(app->players[0]->level, 1);
        }
    }
    app->Windows().opened.clear();
    app->titleWnd->ButtonReleased(TitleWnd::OptionsId);
    app->titleWnd->ButtonReleased(TitleWnd::ChangePlayerId);
    app->titleWnd->ButtonReleased(TitleWnd::HighscoresId);
    ASSERT_EQ(app->Windows().opened.size(), 3u);
    EXPECT_EQ(app->Windows().opened[0].id, DIALOG_OPTIONS);
    EXPECT_EQ(app->Windows().opened[1].id, DIALOG_MENU);
    EXPECT_EQ(app->Windows().opened[2].id, DIALOG_HIGHSCORES);
    EXPECT_EQ(app->Windows().opened[2].mode, -1);
    EXPECT_NE(app->GetDialog(DIALOG_HIGHSCORES), nullptr);
}

TEST_F(ShellTest, EndingShowsTheGameCompletePageWhoseButtonSubmitsTheScore)
{
    app->ToTitle("Ann");
    PlayerProfile& ann = *app->players[0];
    ann.level = 71;
    ann.money = 20000;
    ann.dayProfits[68] = 10000;
    ann.dayProfits[69] = 5000;
    ann.expertFlags[0] = 1;
    app->StartGame();
    app->Step(200);
    app->mapWnd->ButtonReleased(MapWnd::kContinueId);
    EXPECT_TRUE(app->mapWnd->model.endingSecondStage);
    EXPECT_TRUE(app->Shows(app->mapWnd.get()));

    app->Windows().answers.push_back({1, "Ann the Great"});
    app->mapWnd->ButtonReleased(MapWnd::kContinueId);
    ASSERT_TRUE(app->Shows(app->gameCompleteWnd.get()));
    EXPECT_EQ(app->Windows().prompts.size(), 1u) << "the score waits for the page's button";
    app->gameCompleteWnd->ButtonReleased(0);
    EXPECT_FALSE(app->Shows(app->gameCompleteWnd.get()));
    EXPECT_FALSE(app->Shows(app->mapWnd.get()));
    EXPECT_TRUE(app->Shows(app->titleWnd.get()));
    ASSERT_EQ(app->Windows().prompts.size(), 2u);
    EXPECT_EQ(app->Windows().prompts[1].header, "text212 15100!");
    EXPECT_EQ(app->Windows().prompts[1].initial, "Ann");
    EXPECT_EQ(ann.level, 1);
    EXPECT_EQ(app->Windows().highlight, 9);
    EXPECT_EQ(app->highscores[9].name, "Ann the Great");
    EXPECT_EQ(app->highscores[9].expertCounts[0], 1);

    // What was saved: the level before the prompt, the table after it.
    std::vector<HighscoreEntry> stored;
    DiskGameFiles files;
    LoadHighscores(files, app->dataFolder + "highscores.dat", stored);
    EXPECT_EQ(stored, app->highscores);
}

TEST_F(ShellTest, TooLittleMoneyEntersNoScoreAndCancelStillFinishesTheGame)
{
    app->ToTitle("Ann");
    PlayerProfile& ann = *app->players[0];
    ann.level = 71;
    ann.money = 9999;
    app->StartGame();
    app->SubmitScore();
    EXPECT_EQ(app->Windows().prompts.size(), 1u); // only the first-start prompt
    EXPECT_EQ(ann.level, 71);

    ann.money = 10000;
    app->SubmitScore(); // the prompt is cancelled
    EXPECT_EQ(ann.level, 1);
    EXPECT_EQ(app->Windows().highlight, -1);
    PlayerList stored;
    int32_t current = 0;
    std::string notice;
    DiskGameFiles files;
    ProfileStore(files, app->dataFolder).Load(current, stored, notice);
    EXPECT_EQ(stored[0]->level, 1);
}

TEST_F(ShellTest, HintPanelShowsOnceMovesAndHides)
{
    app->ToTitle("Ann");
    HintWnd* hint = app->hintWnd.get();
    app->ShowHint(100, 300, 0, "first");
    app->ShowHint(200, 300, 0, "second");
    EXPECT_TRUE(app->Shows(hint));
    EXPECT_EQ(hint->text, "second");
    EXPECT_NE(app->Manager().focusWidget, hint); // the play field keeps the keyboard
    app->Play().shownHint = 4;
    app->HideHint();
    EXPECT_FALSE(app->Shows(hint));
    EXPECT_EQ(app->Play().shownHint, -1);
    app->Play().shownHint = 5;
    app->HideHint(); // without a panel only the id is cleared
    EXPECT_EQ(app->Play().shownHint, -1);

    app->ShowHint(200, 300, 0, "again");
    app->Play().shownHint = 6;
    hint->ButtonReleased(HintWnd::kOkId);
    EXPECT_FALSE(app->Shows(hint));
    EXPECT_EQ(app->Play().shownHint, -1);

    app->ShowHint(200, 300, 0, "escape");
    hint->KeyDown(27);
    EXPECT_FALSE(app->Shows(hint));

    hint->CheckboxChecked(HintWnd::kCheckboxId, true);
    EXPECT_TRUE(app->players[0]->noHints);
    hint->CheckboxChecked(HintWnd::kCheckboxId, false);
    EXPECT_FALSE(app->players[0]->noHints);
}

TEST_F(ShellTest, HintAfterTheShopHintHasItsButtonAndBoxAgain)
{
    app->ToTitle("Ann");
    HintWnd* hint = app->hintWnd.get();
    // The map's shop hint can only be closed by buying; the next hint on the field must be closable again.
    app->mapWnd->MapShowShopHint();
    EXPECT_FALSE(hint->okButton->visible);
    EXPECT_FALSE(hint->noHintsCheckbox->visible);
    app->mapWnd->MapHideHint();
    app->ShowHint(200, 300, 0, "lightning");
    EXPECT_TRUE(hint->okButton->visible);
    EXPECT_TRUE(hint->noHintsCheckbox->visible);
    hint->ButtonReleased(HintWnd::kOkId);
    EXPECT_FALSE(app->Shows(hint));
}

TEST_F(ShellTest, LostFocusOpensTheMenuOnlyOnThePlayScreen)
{
    app->ToTitle("Ann");
    app->LostFocus();
    EXPECT_TRUE(app->Play().calls.empty());
    app->Manager().AddWidget(app->boardInterface());
    app->Manager().SetFocus(app->boardInterface());
    app->LostFocus();
    EXPECT_EQ(app->Play().calls, (std::vector<std::string>{"OpenMenu"}));
}

TEST_F(ShellTest, DialogsOfTheGameLookAndMessageButtons)
{
    Dialog* dialog = app->NewDialog(42, true, "h", "l", "f", DIALOG_BUTTONS_FOOTER);
    EXPECT_EQ(dialog->contentInsets.mLeft, 30);
    EXPECT_EQ(dialog->contentInsets.mBottom, 50);
    EXPECT_EQ(dialog->spaceAfterHeader, 20);
    delete dialog;

    app->AddDialog(DIALOG_PLAYER_MESSAGE, app->NewDialog(DIALOG_PLAYER_MESSAGE, false, "", "", "", 3));
    app->DialogButtonReleased(DIALOG_PLAYER_MESSAGE, DIALOG_BUTTON_YES);
    EXPECT_EQ(app->GetDialog(DIALOG_PLAYER_MESSAGE), nullptr);
    app->AddDialog(DIALOG_OPTIONS_MESSAGE, app->NewDialog(DIALOG_OPTIONS_MESSAGE, false, "", "", "", 3));
    app->ButtonPress(2000 + DIALOG_OPTIONS_MESSAGE);
    EXPECT_EQ(app->GetDialog(DIALOG_OPTIONS_MESSAGE), nullptr);
}

TEST_F(ShellTest, DamagedPlayersFileIsKeptAndANewPlayerStarts)
{
    std::filesystem::create_directories(app->dataFolder);
    WriteText(app->dataFolder + "players.dat", std::string("\x53\x04\0\0\0\0\0\0", 8));
    app->ToTitle("Cy");
    EXPECT_TRUE(std::filesystem::exists(app->dataFolder + "players.dat.damaged"));
    ASSERT_EQ(app->players.size(), 1u);
    EXPECT_EQ(app->players[0]->name, "Cy");
}

TEST_F(ShellTest, FindPlayerAndAskForText)
{
    app->ToTitle("Ann");
    EXPECT_TRUE(app->FindPlayer("Ann"));
    EXPECT_FALSE(app->FindPlayer("ann"));
    EXPECT_FALSE(app->FindPlayer("Ann "));
    app->Windows().answers.push_back({0, "typed"});
    EXPECT_EQ(app->AskForText("h", "l", "x"), "");
    app->Windows().answers.push_back({1, "42"});
    EXPECT_EQ(app->AskForText("h", "l", "x"), "42");
    EXPECT_EQ(app->Windows().prompts.back().maxChars, 255);
}

TEST_F(ShellTest, WithoutAScriptThePromptWindowAsksForTheName)
{
    app->answers = {DIALOG_BUTTON_YES};
    app->onWait = [](Dialog* dialog)
    {
        ASSERT_FALSE(dialog->children.empty());
        auto* edit = dynamic_cast<EditWidget*>(dialog->children.front());
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text, "New Player");
        EXPECT_EQ(edit->maxChars, 12);
        edit->SetText("Dee");
    };
    app->ToTitle("");
    ASSERT_EQ(app->waited.size(), 1u);
    EXPECT_EQ(app->waited[0].id, DIALOG_TEXT_ENTRY);
    EXPECT_EQ(app->GetDialog(DIALOG_TEXT_ENTRY), nullptr);
    ASSERT_EQ(app->players.size(), 1u);
    EXPECT_EQ(app->players[0]->name, "Dee");
}

TEST_F(ShellTest, RealPlayScreenTakesOverAfterTheMap)
{
    app->useRealBoard = true;
    app->ToTitle("Ann");
    ASSERT_NE(dynamic_cast<BoardScreen*>(app->playScreen.get()), nullptr);
    app->titleWnd->ButtonReleased(TitleWnd::PlayId);
    app->Step(200);
    app->mapWnd->ButtonReleased(MapWnd::kContinueId);
    app->Step(200);
    EXPECT_TRUE(app->Shows(app->board()));
    EXPECT_TRUE(app->Shows(app->boardInterface()));
    EXPECT_EQ(app->Manager().focusWidget, app->boardInterface());
    auto& screen = static_cast<BoardScreen&>(*app->playScreen);
    EXPECT_TRUE(screen.InputWidgetHasFocus());
    EXPECT_EQ(&screen.Player(), app->players[0].get());
    app->Step(50); // the play field runs
    screen.SetShownHint(3);
    app->HideHint();
    EXPECT_EQ(screen.board->model->HintId, -1);
}

TEST_F(ShellTest, FailedSaveIsToldOnceInTheGameWithWhyAndTriedAgain)
{
    app->ToTitle("Ann");
    ASSERT_EQ(app->GetDialog(DIALOG_NOTICE), nullptr);

    // The disk fills up under the first of the two files a save writes.
    Platform::InjectWriteFailureAfter(0);
    app->players[0]->money = 500;
    app->SavePlayers();
    Dialog* notice = app->GetDialog(DIALOG_NOTICE);
    ASSERT_NE(notice, nullptr) << "the player is told in the game";
    EXPECT_TRUE(notice->IsModal());
    EXPECT_NE(notice->lines.find("could not be saved: the disk is full"), std::string::npos) << notice->lines;
    app->DialogButtonReleased(DIALOG_NOTICE, DIALOG_BUTTON_YES);
    EXPECT_EQ(app->GetDialog(DIALOG_NOTICE), nullptr);

    // The same failure again: not said twice.
    Platform::InjectWriteFailureAfter(0);
    app->SavePlayers();
    EXPECT_EQ(app->GetDialog(DIALOG_NOTICE), nullptr);

    // The next save is tried and works; a failure after it is a new one and is told again, as are the high
    // scores' own.
    app->players[0]->money = 700;
    app->SavePlayers();
    EXPECT_EQ(app->GetDialog(DIALOG_NOTICE), nullptr);
    PlayerList stored;
    int32_t current = -1;
    std::string text;
    DiskGameFiles files;
    ProfileStore(files, app->dataFolder).Load(current, stored, text);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0]->money, 700);
    WriteText(root + "/afile", "not a folder");
    app->dataFolder = root + "/afile/data/";
    app->SavePlayers();
    app->SaveHighscores();
    notice = app->GetDialog(DIALOG_NOTICE);
    ASSERT_NE(notice, nullptr);
    EXPECT_NE(notice->lines.find("Your progress could not be saved: the folder does not exist"), std::string::npos)
        << notice->lines;
    EXPECT_NE(notice->lines.find("The high scores could not be saved"), std::string::npos) << notice->lines;
}

TEST_F(ShellTest, WhatTheSettingsStoreTellsThePlayerShowsInTheGame)
{
    Platform::TakeUserReports();
    Platform::ReportToUser("Settings file /home/kim/.config/settings.ini is damaged (line 3); kept as "
                           "/home/kim/.config/settings.ini.damaged.");
    app->ToTitle("Ann");
    app->RunUpdate();
    Dialog* notice = app->GetDialog(DIALOG_NOTICE);
    ASSERT_NE(notice, nullptr);
    // The dialog names the files, standard error the whole paths.
    EXPECT_EQ(notice->lines, "Settings file settings.ini is damaged (line 3); kept as settings.ini.damaged.");
    EXPECT_FALSE(Platform::HasUserReports());
}
