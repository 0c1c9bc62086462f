// The game application: start-up, loading, hand-over, players and high scores, screen changes and dialogs.
#include "GameApp.h"

#include "BoardScreen.h"
#include "BoardTransition.h"
#include "GameWindows.h"
#include "HintWnd.h"
#include "ManagerResources.h"
#include "MapWnd.h"
#include "OptionsDialog.h"
#include "ScreenPictures.h"
#include "SlidePanel.h"
#include "StoryWindows.h"
#include "TipWnd.h"
#include "TitleScreen.h"
#include "TitleWnd.h"
#include "base/Common.h"
#include "game/core/GameFiles.h"
#include "game/core/GameResources.h"
#include "game/core/TextIds.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "platform/Debug.h"
#include "platform/Files.h"
#include "widgets/Dialog.h"
#include "widgets/WidgetDefaults.h"
#include "widgets/WidgetManager.h"

#include <algorithm>
#include <cstdio>

namespace Zest
{

namespace
{

GameApp* gGameApp = nullptr;
const Color kWhite(255, 255, 255, 255);

} // namespace

GameApp* GetGameApp()
{
    return gGameApp;
}

void DrawJustifiedString(Graphics* g, Font* font, int x, int y, const std::string& text, int justification,
                         const Color& color)
{
    if (g == nullptr) return;
    g->PushState();
    g->SetFont(font);
    g->SetColor(color);
    const int width = font ? font->StringWidth(text) : 0;
    switch (justification)
    {
    case -1:
        g->DrawString(text, x, y);
        break;
    case 0:
        g->DrawString(text, x - width / 2, y);
        break;
    case 1:
        g->DrawString(text, x - width, y);
        break;
    default:
        break;
    }
    g->PopState();
}

GameApp::GameApp()
{
    gGameApp = this;
    mProductName = "Ember Cook";
    mTitle = "Ember Cook";
    mCompanyName = "Quillbrook";
    mProductVersion = "1.0";
    mRegKey = "Quillbrook\\CookEmber";
    // Players, high scores, saves and the framework's own files share the settings' folder name.
    mDataFolderName = kDataFolderName;
    mWidth = 800;
    mHeight = 600;
    mColorDepth = 32;
    // Full screen unless the stored settings say otherwise.
    mIsWindowed = false;
    // "main.pak" is registered by the base start-up, ahead of the loose files.

    mFiles = std::make_unique<AppGameFiles>(*this);
    music = std::make_unique<SilentMusic>();
    playScreen = std::make_unique<StandInPlayScreen>();
    windows = std::make_unique<GameWindows>(*this);
}

GameApp::~GameApp()
{
    // The group goes as a whole below; screens closing from here on free nothing.
    ScreenPictures::Deactivate();
    if (mWidgetManager)
    {
        for (Widget* w : {board(), boardInterface(), static_cast<Widget*>(boardTransition.get())})
            if (w) mWidgetManager->RemoveWidget(w);
    }
    lngTable.reset();
    playScreen.reset();
    boardTransition.reset();
    for (Widget* w : {static_cast<Widget*>(hintWnd.get()), static_cast<Widget*>(titleScreen.get()),
                      static_cast<Widget*>(titleWnd.get()), static_cast<Widget*>(mapWnd.get()),
                      static_cast<Widget*>(gameModeWnd.get()), static_cast<Widget*>(historyWnd.get()),
                      static_cast<Widget*>(gameCompleteWnd.get())})
        if (w && mWidgetManager) mWidgetManager->RemoveWidget(w);
    hintWnd.reset();
    titleScreen.reset();
    titleWnd.reset();
    mapWnd.reset();
    gameModeWnd.reset();
    historyWnd.reset();
    gameCompleteWnd.reset();
    while (!players.empty()) players.pop_back();
    highscores.clear();
    // The cursor pictures belong to the group "Init": the cursors let go of them first.
    for (int shape : {CURSOR_POINTER, CURSOR_HAND, CURSOR_DRAGGING, CURSOR_TEXT}) SetCursorImage(shape, nullptr);
    if (resources)
    {
        resources->DeleteResources("Init");
        resources->DeleteResources("TitleScreen");
        resources->DeleteResources("Game");
    }
    if (gGameApp == this) gGameApp = nullptr;
}

Widget* GameApp::board() const
{
    return playScreen ? playScreen->BoardWidget() : nullptr;
}

Widget* GameApp::boardInterface() const
{
    return playScreen ? playScreen->InputWidget() : nullptr;
}

const std::string& GameApp::Text(int n) const
{
    static const std::string empty;
    return lngTable ? lngTable->Get(n) : empty;
}

void GameApp::PlayClick()
{
    PlaySample(SOUND_CLICK);
}

std::string GameApp::GetAppDataFolder()
{
    // One folder per user, the one the framework uses.
    const std::string base = Platform::DataFolder();
    if (base.empty()) return std::string();
    return base + "/" + kDataFolderName + "/";
}

bool GameApp::MoveOldDataFolder()
{
    // Earlier versions kept the players under the product's name spelt the other way round. A folder of the old
    // name is moved across whole, once, while none of the new name exists; neither is ever merged or replaced.
    const std::string base = Platform::DataFolder();
    if (base.empty()) return false;
    const std::string from = base + "/" + kOldDataFolderName;
    const std::string to = base + "/" + kDataFolderName;
    if (!Platform::DirectoryExists(from) || Platform::PathExists(to)) return false;
    if (Platform::RenameFile(from, to)) return true;
    std::fprintf(stderr, "Could not move %s to %s; the players there are not found\n", from.c_str(), to.c_str());
    return false;
}

// ---- start-up ----

void GameApp::FatalResourceError(const std::string& why)
{
    mLoadingFailed = true;
    std::string text = why;
    if (text.empty()) text = resources ? resources->GetErrorText() : std::string("No resource manager");
    EndWithFatalError(text);
}

void GameApp::Init()
{
    // Before the framework names or writes anything in the data folder.
    MoveOldDataFolder();
    // The manifest and the start-up groups load while the framework shows the window (LoadWhileWindowShows).
    mStartUpLoad = StartUpLoad::Wanted;
    ZestAppBase::Init();
    if (mShutdown) return;
    lngTable = std::make_unique<LngTable>();
    switch (mStartUpLoad)
    {
    case StartUpLoad::NotWanted:
    case StartUpLoad::Wanted:
    case StartUpLoad::Failed:
        FatalResourceError();
        return;
    case StartUpLoad::NoManifest:
        // Without the manifest the game has no data at all: usually because main.pak is missing or damaged,
        // which the player is told in those words.
        FatalResourceError(DataFileProblem());
        return;
    case StartUpLoad::Done:
        break;
    }
    SetCursorImage(CURSOR_POINTER, IMAGE_CUSTOM_POINTER);
    SetCursorImage(CURSOR_HAND, IMAGE_CUSTOM_HAND);
    SetCursorImage(CURSOR_DRAGGING, IMAGE_CUSTOM_DRAGGING);
    SetCursorImage(CURSOR_TEXT, IMAGE_CUSTOM_TEXT);
    EnableCustomCursors(true);
    CreateTitleScreen();
    if (useAppMusic && mMusicInterface) music = std::make_unique<AppMusic>(*mMusicInterface);
    LoadMusicTracks();
    music->FadeIn(0, 0, 0.002, true);
    // Screens under a modal dialog stand still.
    mWidgetManager->defaultBelowModalFlagChange.remove |= WIDGETFLAGS_UPDATE;
    dataFolder = GetAppDataFolder();
    shiftDown = false;
    titleScreen->LoadLogos();
}

void GameApp::LoadWhileWindowShows()
{
    // Only the game's own start asks for them; the framework's Init alone loads nothing.
    if (mStartUpLoad != StartUpLoad::Wanted) return;
    mStartUpLoad = StartUpLoad::Failed;
    if (!resources && mResourceManager) resources = std::make_unique<ManagerResources>(*mResourceManager);
    if (!resources || !resources->LoadManifest())
    {
        mStartUpLoad = StartUpLoad::NoManifest;
        return;
    }
    // Each group's lookups before the next group loads: a missing start-up resource stops the start there.
    if (!resources->LoadResources("Init") || !ExtractInitResources(*resources)) return;
    if (!resources->LoadResources("TitleScreen") || !ExtractLoaderBarResources(*resources)) return;
    mStartUpLoad = StartUpLoad::Done;
    mLoadingTasksTotal = resources->GetNumResources("Game");
    // The game's own pictures and sounds start loading while the window is still being shown, in the order the
    // loading thread takes them; it goes on from the first one not loaded. A failure here is met again there.
    if (!WindowShowing()) return;
    resources->StartLoadResources("Game");
    while (WindowShowing() && resources->LoadNextResource()) ++mLoadingTasksDone;
}

void GameApp::CreateTitleScreen()
{
    titleScreen = std::make_unique<TitleScreen>(this);
    titleScreen->Resize(0, 0, 800, 600);
    titleScreen->CreateContinueLink();
    mWidgetManager->AddWidget(titleScreen.get());
}

void GameApp::LoadMusicTracks()
{
    // A track that cannot be loaded is simply not heard.
    music->LoadMusic(0, "music/music3.ogg");
    music->LoadMusic(1, "music/music2.ogg");
    music->LoadMusic(2, "music/music1.ogg");
    music->LoadMusic(3, "music/music4.ogg");
}

void GameApp::LoadingProcedure()
{
    if (!resources) return;
    resources->StartLoadResources("Game");
    while (resources->LoadNextResource())
    {
        ++mLoadingTasksDone;
        if (mShutdown)
        {
            // Cut short: what was loaded is not a game to hand over.
            mLoadingFailed = true;
            return;
        }
    }
    // The error box is shown by the main thread once loading is over (OnLoadingDone).
    if (resources->HadError() || !ExtractGameResources(*resources)) mLoadingFailed = true;
}

void GameApp::OnLoadingDone()
{
    if (mLoadingFailed)
    {
        // A load cut short by a quit has nothing to say; a failed one ends the game as a failure at start-up does,
        // instead of leaving it on the loading screen for ever.
        if (!mShutdown) FatalResourceError();
        return;
    }
    // Controls made from here on take the game's look.
    WidgetDefaults& defaults = GetWidgetDefaults();
    defaults.checkboxImage = IMAGE_CHECKBOX;
    defaults.sliderTrackImage = IMAGE_SLIDER_TRACK;
    defaults.sliderThumbImage = IMAGE_SLIDER_THUMB;
    defaults.listFont = FONT_DEFAULT;
    if (titleScreen)
    {
        titleScreen->ShowContinueLink();
        titleScreen->MarkDirty();
        // The link goes on screen with the next draw, even when the loading screen's slower pace held the present
        // back when it was drawn (otherwise nothing else would change to present it for a second).
        mForceDraw = true;
    }
    // From here on the big pictures of single screens live only while their screen is open.
    ScreenPictures::Activate(resources.get());
    LoadPlayers();
    ResetHighscores();
    LoadHighscores();
}

void GameApp::OnTitleScreenDone()
{
    // The screen took itself and its link out and is queued for deletion after this update.
    titleScreen.release();
    if (useRealBoard) playScreen = std::make_unique<BoardScreen>(*this);
    if (resources) resources->DeleteResources("TitleScreen");
    if (Widget* b = board())
    {
        b->Resize(0, 0, 0, 0);
        // All mouse input goes to the input widget over it.
        b->flagChange.remove |= WIDGETFLAGS_ALLOW_MOUSE;
    }
    if (Widget* bi = boardInterface()) bi->Resize(0, 0, 800, 600);
    boardTransition = std::make_unique<BoardTransition>();
    boardTransition->Resize(0, 0, 800, 600);
    boardTransition->onDone = [this]
    {
        if (playScreen) playScreen->SetDimCounter(0);
    };
    titleWnd = std::make_unique<TitleWnd>(this);
    titleWnd->Resize(0, 0, 800, 600);
    mWidgetManager->AddWidget(titleWnd.get());
    mWidgetManager->SetFocus(titleWnd.get());
    mapWnd = std::make_unique<MapWnd>(this);
    mapWnd->Resize(0, 0, 800, 600);
    // They size themselves to the screen.
    gameModeWnd = std::make_unique<GameModeWnd>(this);
    historyWnd = std::make_unique<HistoryWnd>(this);
    gameCompleteWnd = std::make_unique<GameCompleteWnd>(this);
    hintWnd = std::make_unique<HintWnd>(this);
    hintWnd->Resize(0, 0, ImageWidth(IMAGE_W_HINT), ImageHeight(IMAGE_W_HINT));
    if (!playersNotice.empty())
    {
        ShowNotice("Your files", playersNotice);
        playersNotice.clear();
    }
    if (currentPlayer == -1) AskForNewPlayer();
}

bool GameApp::AskForNewPlayer()
{
    std::string name;
    const int result =
        windows->AskText(Text(TXT_NEW_COOK_2), Text(TXT_PLEASE_TYPE_NAME), "New Player", 12, false, name);
    if (result != 1 || name.empty()) return false;
    lastEditText = name;
    auto profile = std::make_unique<PlayerProfile>();
    profile->name = GetLastEditText();
    players.push_back(std::move(profile));
    // The new profile is the one to play, also when older ones exist without a current one.
    currentPlayer = static_cast<int32_t>(players.size()) - 1;
    SavePlayers();
    return true;
}

// ---- players and high scores ----

void GameApp::LoadPlayers()
{
    if (!players.empty()) return;
    Profiles().Load(currentPlayer, players, playersNotice);
}

void GameApp::SavePlayers()
{
    NoteSaveResult(Profiles().Save(currentPlayer, players), playersSaveFailing, "Your progress");
}

void GameApp::NoteSaveResult(bool saved, bool& failing, const std::string& what)
{
    if (saved)
    {
        failing = false;
        return;
    }
    if (failing) return; // said already; the next save tries again all the same
    failing = true;
    TellPlayer("Not saved", what + " could not be saved: " + Platform::LastWriteFailure() +
                                ". The game tries again at the next save.");
}

void GameApp::TellPlayer(const std::string& header, const std::string& text)
{
    std::fprintf(stderr, "%s\n", text.c_str());
    if (!titleWnd)
    {
        AddNotice(playersNotice, text);
        return;
    }
    ShowNotice(header, text);
}

namespace
{

// The text with each absolute path cut to its file name: the dialog has room for a few lines only, and standard
// error has the full paths.
std::string FileNamesOnly(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size();)
    {
        if (text[i] == '/' && (i == 0 || text[i - 1] == ' ' || text[i - 1] == '('))
        {
            const size_t end = text.find_first_of(" ,;)", i);
            const size_t last = text.find_last_of('/', end == std::string::npos ? std::string::npos : end - 1);
            i = last + 1;
            continue;
        }
        out += text[i++];
    }
    return out;
}

} // namespace

void GameApp::ShowNotice(const std::string& header, const std::string& text)
{
    // A notice never waits for its answer: the game plays on behind it, and an unattended run is not held up.
    mNoticeLines = GetDialog(DIALOG_NOTICE) ? mNoticeLines + "\n" + FileNamesOnly(text) : FileNamesOnly(text);
    OpenDialog(DIALOG_NOTICE, true, header, mNoticeLines, Text(TXT_OK), DIALOG_BUTTONS_FOOTER);
}

void GameApp::RunUpdate()
{
    ZestAppBase::RunUpdate();
    if (titleWnd && Platform::HasUserReports())
        for (const std::string& text : Platform::TakeUserReports()) ShowNotice("Your files", text);
}

void GameApp::SavePlayersWithCurrent(const PlayerProfile& current)
{
    PlayerList copy;
    for (size_t i = 0; i < players.size(); ++i)
    {
        const bool isCurrent = static_cast<int32_t>(i) == currentPlayer;
        copy.push_back(std::make_unique<PlayerProfile>(isCurrent ? current : *players[i]));
    }
    NoteSaveResult(Profiles().Save(currentPlayer, copy), playersSaveFailing, "Your progress");
}

ProfileStore& GameApp::Profiles()
{
    if (!mProfileStore || mProfileStore->DataFolder() != dataFolder)
        mProfileStore = std::make_unique<ProfileStore>(*mFiles, dataFolder);
    return *mProfileStore;
}

void GameApp::ResetHighscores()
{
    Zest::ResetHighscores(highscores);
}

void GameApp::LoadHighscores()
{
    std::string notice;
    Zest::LoadHighscores(*mFiles, dataFolder + kHighscoresFileName, highscores, &notice);
    // Said together with the players' notice, once the title is up.
    if (!notice.empty()) AddNotice(playersNotice, notice);
}

void GameApp::SaveHighscores()
{
    NoteSaveResult(Zest::SaveHighscores(*mFiles, dataFolder + kHighscoresFileName, highscores), highscoresSaveFailing,
                   "The high scores");
}

PlayerProfile* GameApp::CurrentPlayer()
{
    if (currentPlayer < 0 || currentPlayer >= static_cast<int32_t>(players.size())) return nullptr;
    return players[static_cast<size_t>(currentPlayer)].get();
}

bool GameApp::FindPlayer(const std::string& name) const
{
    return std::any_of(players.begin(), players.end(), [&](const auto& p) { return p->name == name; });
}

void GameApp::ToTitleMusic(int offset)
{
    if (music->IsPlaying(0)) return;
    music->FadeOutAll(true, 0.005);
    music->FadeIn(0, offset, 0.005, true);
}

void GameApp::SubmitScore()
{
    for (Widget* w : {static_cast<Widget*>(mapWnd.get()), board(), boardInterface()})
        if (w) mWidgetManager->RemoveWidget(w);
    if (titleWnd) mWidgetManager->AddWidget(titleWnd.get());
    music->FadeOutAll(true, 0.005);
    music->FadeIn(0, 0, 0.005, true);
    PlayerProfile* player = CurrentPlayer();
    if (player == nullptr || highscores.size() < static_cast<size_t>(kNumHighscores)) return;
    if (player->money < highscores[kNumHighscores - 1].score) return;
    windows->OpenHighscores(-1);
    const int32_t score = mapWnd ? std::max(mapWnd->model.displayedTotal, mapWnd->model.targetTotal) : 0;
    // The game counts as finished before the name is asked for.
    player->level = 1;
    SavePlayers();
    std::string name;
    const int result = windows->AskText(Text(TXT_CONGRATULATIONS_SCORE) + " " + std::to_string(score) + "!",
                                        Text(TXT_ONE_BEST_CHEFS_NAME), player->name, 12, true, name, false);
    if (result != 1) return;
    lastEditText = name;
    const int place = InsertHighscore(highscores, {name, score, ExpertCounts(*player)});
    windows->SetHighscoreHighlight(place);
    SaveHighscores();
}

// ---- screen flow ----

void GameApp::StartGame()
{
    if (!mapWnd || !boardTransition) return;
    boardTransition->Reset();
    boardTransition->addList = {mapWnd.get()};
    boardTransition->removeList = {titleWnd.get(), boardInterface(), board()};
    boardTransition->focusTarget = mapWnd.get();
    mWidgetManager->AddWidget(boardTransition.get());
    ToTitleMusic(-1);
    if (playScreen) playScreen->ClearEffects();
    mapWnd->model.Enter();
    mapWnd->ApplyButtons();
}

void GameApp::ShowGameComplete()
{
    if (!gameCompleteWnd)
    {
        SubmitScore();
        return;
    }
    // The window lies over the map's farewell; the map's own continue would sit beside its button, so it goes
    // until the map is entered again.
    if (mapWnd) mapWnd->continueButton->SetVisible(false);
    mWidgetManager->AddWidget(gameCompleteWnd.get());
    mWidgetManager->SetFocus(gameCompleteWnd.get());
}

bool GameApp::ConfirmLeaveGame()
{
    auto* dialog = new Dialog(IMAGE_MONITOR, nullptr, DIALOG_QUESTION, true, "", Text(TXT_DO_REALLY_WANT_CLOSE), "",
                              DIALOG_BUTTONS_YES_NO);
    dialog->contentInsets = Insets(55, 50, 50, 100);
    if (FONT_BUTTON) dialog->SetButtonFont(FONT_BUTTON);
    if (FONT_TEST) dialog->SetLinesFont(FONT_TEST);
    for (int c : {1, 3, 4}) dialog->SetColor(c, kWhite);
    const int w = ImageWidth(IMAGE_MONITOR), h = ImageHeight(IMAGE_MONITOR);
    dialog->Resize(400 - w / 2, 600 - h, w, h);
    for (auto* button : {dialog->yesButton.get(), dialog->noButton.get()})
    {
        if (button == nullptr) continue;
        const bool yes = button == dialog->yesButton.get();
        button->label = Text(yes ? TXT_YES : TXT_NO);
        button->buttonImage = IMAGE_BIGBUTTON;
        button->overImage = IMAGE_BIGBUTTON_OVER;
        button->downImage = IMAGE_BIGBUTTON_DOWN;
        button->componentImage = nullptr;
        button->Resize(yes ? 350 - ImageWidth(IMAGE_BIGBUTTON) : 450, 400, ImageWidth(IMAGE_BIGBUTTON),
                       ImageHeight(IMAGE_BIGBUTTON));
    }
    AddDialog(DIALOG_QUESTION, dialog);
    const int result = WaitForDialog(dialog);
    CloseDialog(DIALOG_QUESTION);
    if (result != DIALOG_BUTTON_YES) return false;
    for (Widget* w2 : {static_cast<Widget*>(mapWnd.get()), board(), boardInterface()})
        if (w2) mWidgetManager->RemoveWidget(w2);
    if (titleWnd) mWidgetManager->AddWidget(titleWnd.get());
    ToTitleMusic(0);
    if (playScreen)
    {
        playScreen->ShowMenuButton();
        playScreen->SetDimCounter(0);
    }
    return true;
}

int GameApp::WaitForDialog(Dialog* dialog)
{
    return dialog->WaitForResult(true);
}

bool GameApp::AskYesNo(Dialog* question)
{
    question->yesButton->label = Text(TXT_YES);
    question->noButton->label = Text(TXT_NO);
    AddDialog(DIALOG_QUESTION, question);
    const int answer = WaitForDialog(question);
    if (GetDialog(DIALOG_QUESTION) == question) CloseDialog(DIALOG_QUESTION);
    return answer == DIALOG_BUTTON_YES;
}

void GameApp::ShowHint(int x, int y, int placement, const std::string& text)
{
    if (!hintWnd) return;
    // Every hint starts with its button and check box; one that must not be closed by hand (the map's shop hint)
    // hides them after this. Left hidden, they would leave the next hint on the field with no way to close it.
    if (hintWnd->okButton) hintWnd->okButton->SetVisible(true);
    if (hintWnd->noHintsCheckbox) hintWnd->noHintsCheckbox->SetVisible(true);
    mWidgetManager->AddWidget(hintWnd.get());
    hintWnd->SetHint(x, y, placement);
    hintWnd->SetText(text);
}

void GameApp::HideHint()
{
    if (hintWnd) mWidgetManager->RemoveWidget(hintWnd.get());
    if (playScreen) playScreen->SetShownHint(-1);
}

void GameApp::FocusGameWidget()
{
    if (Widget* bi = boardInterface()) mWidgetManager->SetFocus(bi);
}

void GameApp::OpenTipWindow(int customerType)
{
    // Under the one dialog id a second tip would close the first before the player has read it.
    if (dynamic_cast<TipWnd*>(GetDialog(DIALOG_TEXT_ENTRY)))
    {
        pendingTips.push_back(customerType);
        return;
    }
    // Tips left waiting behind a tip that another window replaced belong to a day gone by.
    pendingTips.clear();
    AddDialog(DIALOG_TEXT_ENTRY, new TipWnd(this, customerType));
}

bool GameApp::OpenNextTip()
{
    if (pendingTips.empty()) return false;
    const int next = pendingTips.front();
    pendingTips.pop_front();
    AddDialog(DIALOG_TEXT_ENTRY, new TipWnd(this, next));
    return true;
}

std::string GameApp::AskForText(const std::string& header, const std::string& line, const std::string& initial)
{
    std::string text;
    if (windows->AskText(header, line, initial, 255, true, text, false) != 1) return std::string();
    lastEditText = text;
    return text;
}

// ---- framework hooks ----

void GameApp::OnShutdown()
{
    // Runs twice when the title menu quits; removing what is not there is harmless.
    if (!mWidgetManager) return;
    if (Widget* b = board()) mWidgetManager->RemoveWidget(b);
    if (Widget* bi = boardInterface()) mWidgetManager->RemoveWidget(bi);
}

void GameApp::LostFocus()
{
    ZestAppBase::LostFocus();
    Widget* bi = boardInterface();
    if (bi && mWidgetManager->focusWidget == bi && mWidgetManager->HasWidget(bi) && playScreen) playScreen->OpenMenu();
}

Dialog* GameApp::NewDialog(int id, bool modal, const std::string& header, const std::string& lines,
                           const std::string& footer, int buttonMode)
{
    auto* dialog = new Dialog(IMAGE_MONITOR_SMALL, IMAGE_SMBUTTON, id, modal, header, lines, footer, buttonMode);
    if (FONT_DEFAULT_BLUE) dialog->SetButtonFont(FONT_DEFAULT_BLUE);
    if (FONT_DEFAULT) dialog->SetLinesFont(FONT_DEFAULT);
    if (FONT_BUTTON_SMALL) dialog->SetHeaderFont(FONT_BUTTON_SMALL);
    dialog->contentInsets = Insets(30, 30, 30, 50);
    for (int c : {0, 1, 3, 4}) dialog->SetColor(c, kWhite);
    dialog->spaceAfterHeader = 20;
    const int w = ImageWidth(IMAGE_MONITOR_SMALL), h = ImageHeight(IMAGE_MONITOR_SMALL);
    dialog->Resize(400 - w / 2, 300 - h / 2, w, h);
    return dialog;
}

void GameApp::ButtonPress(int id)
{
    if (id == 2000 + DIALOG_OPTIONS_MESSAGE) CloseDialog(DIALOG_OPTIONS_MESSAGE);
}

void GameApp::DialogButtonReleased(int dialogId, int buttonId)
{
    PlayClick();
    if (buttonId == DIALOG_BUTTON_YES &&
        (dialogId == DIALOG_PLAYER_MESSAGE || dialogId == DIALOG_ONLY_PLAYER || dialogId == DIALOG_NOTICE))
    {
        CloseDialog(dialogId);
        return;
    }
    ZestAppBase::DialogButtonReleased(dialogId, buttonId);
}

void GameApp::SwitchScreenMode(bool wantWindowed, bool is3d, bool force)
{
    ZestAppBase::SwitchScreenMode(wantWindowed, is3d, force);
    if (auto* options = dynamic_cast<DemoDialog*>(GetDialog(DIALOG_OPTIONS))) options->ShowScreenMode(!mIsWindowed);
}

void GameApp::SwitchScreenMode(bool windowed, bool threeD)
{
    SwitchScreenMode(windowed, threeD, false);
}

} // namespace Zest
