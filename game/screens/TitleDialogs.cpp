// The continue-or-new dialog and the high-score window.
#include "TitleDialogs.h"

#include "BoardTransition.h"
#include "GameApp.h"
#include "TitleWnd.h"
#include "game/core/GameResources.h"
#include "game/core/TextIds.h"
#include "graphics/Graphics.h"
#include "widgets/WidgetManager.h"

#include <algorithm>

namespace Zest
{

namespace
{
const Color kWhite(255, 255, 255, 255);
const Color kYellow(255, 255, 0, 255);
constexpr int kKeyEscape = 27;
} // namespace

// ---- continue or new ----

void OpenContinueDialog(GameApp* app)
{
    auto* dialog = new ContinueGameWnd(app);
    const int w = ImageWidth(IMAGE_MONITOR_SMALL), h = ImageHeight(IMAGE_MONITOR_SMALL);
    dialog->Resize(400 - w / 2, 600, w, h);
    dialog->SetColor(1, kWhite);
    app->AddDialog(DIALOG_CONTINUE, dialog);
}

ContinueGameWnd::ContinueGameWnd(GameApp* gameApp)
    : SlidePanel(gameApp, IMAGE_MONITOR_SMALL, nullptr, DIALOG_CONTINUE, gameApp->Text(TXT_CONTINUE),
                 gameApp->Text(TXT_HAVE_DAY_PROGRESS_CONTINUE))
{
    if (FONT_BUTTON_SMALL) SetHeaderFont(FONT_BUTTON_SMALL);
    if (FONT_DEFAULT) SetLinesFont(FONT_DEFAULT);
    SetColor(0, kWhite);
    SetColor(1, kWhite);
    contentInsets = Insets(55, 20, 50, 35);
    const int ws = ImageWidth(IMAGE_MONITOR_SMALL), hs = ImageHeight(IMAGE_MONITOR_SMALL);
    const int bx = ws / 2 - ImageWidth(IMAGE_SMBUTTON) / 2;
    continueButton = std::make_unique<ButtonWidget>(kContinueId, this);
    SetUpButton(*continueButton, app->Text(TXT_CONTINUE), IMAGE_SMBUTTON, IMAGE_SMBUTTON_OVER, IMAGE_SMBUTTON_DOWN,
                nullptr, FONT_DEFAULT_BLUE, bx, hs - 140);
    newGameButton = std::make_unique<ButtonWidget>(kNewGameId, this);
    SetUpButton(*newGameButton, app->Text(TXT_NEW_GAME), IMAGE_SMBUTTON, IMAGE_SMBUTTON_OVER, IMAGE_SMBUTTON_DOWN,
                nullptr, FONT_DEFAULT_BLUE, bx, hs - 90);
}

ContinueGameWnd::~ContinueGameWnd()
{
    RemoveAllWidgets(false);
}

int ContinueGameWnd::Alpha() const
{
    const float r = static_cast<float>(600 - y) / static_cast<float>(height / 2 + 300);
    return static_cast<int>(r * 200.0f);
}

void ContinueGameWnd::Update()
{
    Dialog::Update();
    SlideStep();
}

void ContinueGameWnd::Draw(Graphics* g)
{
    FillScreen(g, Alpha());
    Dialog::Draw(g);
    const PlayerProfile* player = app->CurrentPlayer();
    const int hs = ImageHeight(IMAGE_MONITOR_SMALL);
    DrawJustifiedString(g, FONT_DEFAULT_BLUE, ImageWidth(IMAGE_MONITOR_SMALL) / 2, hs - 150,
                        app->Text(TXT_DAY_2) + " " + std::to_string(player ? player->level : 1), 0, kWhite);
}

void ContinueGameWnd::ButtonReleased(int id)
{
    app->PlayClick();
    Dialog::ButtonReleased(id);
    if (done || (id != kContinueId && id != kNewGameId)) return;
    done = true;
    if (id == kContinueId)
    {
        if (app->playScreen) app->playScreen->StartLevel();
        if (BoardTransition* fade = app->boardTransition.get())
        {
            fade->Reset();
            fade->addList = {app->board(), app->boardInterface()};
            // The title goes as on the way through the map; left in the manager it would lie under the play screen.
            fade->removeList = {app->titleWnd.get()};
            fade->focusTarget = app->boardInterface();
            app->mWidgetManager->AddWidget(fade);
        }
    }
    else
    {
        // Starting over is kept in memory until the next save.
        if (PlayerProfile* player = app->CurrentPlayer()) player->level = 1;
        app->StartGame();
    }
    SetVisible(false);
    app->CloseDialog(this);
}

// ---- high scores ----

HighscoresWnd* OpenHighscores(GameApp* app, int highlight)
{
    auto* window = new HighscoresWnd(app);
    window->highlight = highlight;
    app->AddDialog(DIALOG_HIGHSCORES, window);
    app->mWidgetManager->SetFocus(window);
    return window;
}

HighscoresWnd::HighscoresWnd(GameApp* gameApp)
    : SlidePanel(gameApp, IMAGE_MONITOR, nullptr, DIALOG_HIGHSCORES, gameApp->Text(TXT_BEST_CHEFS))
{
    if (FONT_BUTTON) SetHeaderFont(FONT_BUTTON);
    SetColor(0, kWhite);
    SetColor(1, kWhite);
    contentInsets = Insets(80, 40, 80, 50);
    const int w = ImageWidth(IMAGE_MONITOR), h = ImageHeight(IMAGE_MONITOR);
    closeButton = std::make_unique<ButtonWidget>(kCloseId, this);
    SetUpButton(*closeButton, app->Text(TXT_CONTINUE), IMAGE_BIGBUTTON, IMAGE_BIGBUTTON_OVER, IMAGE_BIGBUTTON_DOWN,
                nullptr, FONT_BUTTON_SMALL, w / 2 - ImageWidth(IMAGE_BIGBUTTON) / 2, 420);
    resetButton = std::make_unique<ButtonWidget>(kResetId, this);
    SetUpButton(*resetButton, app->Text(TXT_RESET), IMAGE_SMBUTTON, IMAGE_SMBUTTON_OVER, IMAGE_SMBUTTON_OVER, nullptr,
                FONT_DEFAULT_BLUE, w / 2 - ImageWidth(IMAGE_SMBUTTON) / 2, 360);
    Resize(400 - w / 2, 600, w, h);
}

HighscoresWnd::~HighscoresWnd()
{
    RemoveAllWidgets(false);
}

void HighscoresWnd::Update()
{
    Dialog::Update();
    if (SlideStep()) app->CloseDialog(this);
}

void HighscoresWnd::Draw(Graphics* g)
{
    FillScreen(g, DimAlpha(200));
    Dialog::Draw(g);
    // A short table (a damaged file) shows the rows it has.
    const int rows = std::min<int>(kNumHighscores, static_cast<int>(app->highscores.size()));
    for (int i = 0; i < rows; ++i)
    {
        const Color& colour = i == highlight ? kYellow : kWhite;
        const int by = 140 + 20 * i;
        const HighscoreEntry& entry = app->highscores[static_cast<size_t>(i)];
        DrawJustifiedString(g, FONT_DEFAULT, 200, by, std::to_string(i + 1) + ".", -1, colour);
        DrawJustifiedString(g, FONT_DEFAULT, 230, by, entry.name, -1, colour);
        // Scores end on one edge, so their digits line up by place value.
        DrawJustifiedString(g, FONT_DEFAULT, kScoreRight, by, std::to_string(entry.score), 1, colour);
    }
}

void HighscoresWnd::KeyDown(int keyCode)
{
    if (keyCode == kKeyEscape) closing = true;
}

void HighscoresWnd::ButtonReleased(int id)
{
    app->PlayClick();
    Dialog::ButtonReleased(id);
    if (id == kCloseId)
    {
        closing = true;
        return;
    }
    // While it sinks the window may close under a waiting question: the reset is not offered then.
    if (id != kResetId || closing) return;
    auto* question = new Dialog(IMAGE_MONITOR_SMALL, IMAGE_SMBUTTON, DIALOG_QUESTION, true, "",
                                app->Text(TXT_DO_REALLY_WANT_CLEAR), "", DIALOG_BUTTONS_YES_NO);
    question->contentInsets = Insets(55, 80, 50, 55);
    const int ws = ImageWidth(IMAGE_MONITOR_SMALL), hs = ImageHeight(IMAGE_MONITOR_SMALL);
    if (FONT_DEFAULT_BLUE) question->SetButtonFont(FONT_DEFAULT_BLUE);
    if (FONT_DEFAULT) question->SetLinesFont(FONT_DEFAULT);
    for (int c : {3, 4, 1}) question->SetColor(c, kWhite);
    question->Resize(400 - ws / 2, 300 - hs / 2, ws, hs);
    if (!app->AskYesNo(question)) return;
    app->highscores.clear();
    app->ResetHighscores();
    app->SaveHighscores();
}

} // namespace Zest
