// Opens each of the game's windows where and as its caller expects it.
#include "GameWindows.h"

#include "GameApp.h"
#include "MenuWnd.h"
#include "OptionsDialog.h"
#include "PlayerDialogs.h"
#include "ResultWindows.h"
#include "TitleDialogs.h"
#include "UpgradeWnd.h"
#include "game/core/GameResources.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

void GameWindows::OpenContinueDialog()
{
    Zest::OpenContinueDialog(&mApp);
}

void GameWindows::OpenOptions()
{
    OpenOptionsDialog(&mApp);
}

void GameWindows::OpenPlayerChoice()
{
    Zest::OpenPlayerChoice(&mApp);
}

void GameWindows::OpenHighscores(int highlight)
{
    Zest::OpenHighscores(&mApp, highlight);
}

void GameWindows::SetHighscoreHighlight(int place)
{
    if (auto* window = dynamic_cast<HighscoresWnd*>(mApp.GetDialog(DIALOG_HIGHSCORES))) window->highlight = place;
}

void GameWindows::OpenShop(int mode)
{
    Zest::OpenShop(&mApp, mode);
}

int GameWindows::AskText(const std::string& header, const std::string& line, const std::string& initial, int maxChars,
                         bool cancelEnabled, std::string& text, bool namePrompt)
{
    return AskForTextEntry(&mApp, header, line, initial, maxChars, cancelEnabled, namePrompt, text);
}

namespace
{

// Over the play field: placed just below the screen to rise from there, sized like the large panel.
void AddPanel(GameApp& app, int id, Dialog* panel)
{
    const int w = ImageWidth(IMAGE_MONITOR), h = ImageHeight(IMAGE_MONITOR);
    panel->Resize(400 - w / 2, 600, w, h);
    app.AddDialog(id, panel);
}

} // namespace

void GameWindows::OpenInGameMenu()
{
    auto* menu = new MenuWnd(&mApp);
    AddPanel(mApp, DIALOG_MENU, menu);
    mApp.mWidgetManager->SetFocus(menu);
}

void GameWindows::OpenLevelComplete()
{
    AddPanel(mApp, DIALOG_LEVEL_COMPLETE, new LevelCompleteWnd(&mApp));
}

void GameWindows::OpenGameOver()
{
    AddPanel(mApp, DIALOG_TEXT_ENTRY, new GameOverWnd(&mApp));
}

} // namespace Zest
