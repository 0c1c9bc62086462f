// The game-mode, story and game-complete windows: their flights, blinking buttons and the fresh start they make.
#include "StoryWindows.h"

#include "BoardTransition.h"
#include "GameApp.h"
#include "SlidePanel.h"
#include "TitleWnd.h"
#include "game/core/GameResources.h"
#include "game/core/TextIds.h"
#include "graphics/Graphics.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

namespace
{

const Color kWhite(255, 255, 255, 255);

void SetUpSmallButton(ButtonWidget& b, Widget& owner, int bx, int by, Image* over, Image* down)
{
    b.buttonImage = IMAGE_SMBUTTON;
    b.overImage = over;
    b.downImage = down;
    b.showHandCursor = true;
    b.Resize(bx, by, ImageWidth(IMAGE_SMBUTTON), ImageHeight(IMAGE_SMBUTTON));
    owner.AddWidget(&b);
}

// A fresh game for the current player, saved at once.
void ResetCurrentPlayer(GameApp* app)
{
    if (PlayerProfile* p = app->CurrentPlayer())
    {
        p->money = 0;
        p->level = 1;
    }
    app->SavePlayers();
}

} // namespace

// ---- game mode ----

GameModeWnd::GameModeWnd(GameApp* gameApp, HistoryWnd* historyWnd) : app(gameApp), history(historyWnd)
{
    for (int i = 0; i < 2; ++i)
    {
        buttons[i] = std::make_unique<ButtonWidget>(i, this);
        SetUpSmallButton(*buttons[i], *this, i == 0 ? 434 : 254, i == 0 ? 364 : 352, IMAGE_SMBUTTON, IMAGE_SMBUTTON);
    }
    flagChange.add |= WIDGETFLAGS_MARK_DIRTY;
    Resize(0, 0, 800, 600);
}

GameModeWnd::~GameModeWnd()
{
    RemoveAllWidgets(false);
}

void GameModeWnd::Update()
{
    Widget::Update();
    ++counter;
    if (counter > 100) return;
    const int bw = ImageWidth(IMAGE_SMBUTTON), bh = ImageHeight(IMAGE_SMBUTTON);
    if (counter < 30)
    {
        const int t = 30 - counter;
        picture1X = 383 + t * 417 / 30;
        picture1Y = 99 + t * 501 / 30;
        buttons[0]->Resize(434 + t * 417 / 30, 364 + t * 501 / 30, bw, bh);
    }
    else
    {
        picture1X = 383, picture1Y = 99;
        buttons[0]->Resize(434, 364, bw, bh);
    }
    if (counter < 40)
    {
        const int c = counter;
        picture2X = 184 + (c - 40) * 400 / 40;
        picture2Y = 84 + (40 - c) * 516 / 40;
        buttons[1]->Resize(254 + (c - 40) * 400 / 40, 352 + (40 - c) * 516 / 40, bw, bh);
    }
    else
    {
        picture2X = 184, picture2Y = 84;
        buttons[1]->Resize(254, 352, bw, bh);
    }
}

int GameModeWnd::Alpha() const
{
    return counter < 50 ? counter * 150 / 50 : 150;
}

void GameModeWnd::Draw(Graphics* g)
{
    g->SetColor(Color(0, 0, 0, Alpha()));
    g->FillRect(0, 0, width, height);
    if (IMAGE_SMBUTTON)
    {
        g->DrawImage(IMAGE_SMBUTTON, picture1X, picture1Y);
        g->DrawImage(IMAGE_SMBUTTON, picture2X, picture2Y);
    }
}

void GameModeWnd::ButtonReleased(int id)
{
    app->PlayClick();
    (void)id;
    WidgetManager* manager = app->mWidgetManager.get();
    manager->RemoveWidget(this);
    ResetCurrentPlayer(app);
    // The application's story window unless one was given.
    HistoryWnd* story = history != nullptr ? history : app->historyWnd.get();
    if (story) story->ReleasePicture();
    BoardTransition* fade = app->boardTransition.get();
    if (fade == nullptr || story == nullptr) return;
    fade->Reset();
    fade->addList = {story};
    fade->removeList = {app->titleWnd.get()};
    fade->focusTarget = story;
    manager->AddWidget(fade);
}

// ---- story ----

HistoryWnd::HistoryWnd(GameApp* gameApp) : app(gameApp)
{
    startButton = std::make_unique<ButtonWidget>(0, this);
    SetUpSmallButton(*startButton, *this, 500, 530, IMAGE_SMBUTTON_OVER, IMAGE_SMBUTTON_OVER);
    startButton->label = app->Text(TXT_CONTINUE);
    if (FONT_DEFAULT) startButton->SetFont(FONT_DEFAULT);
    flagChange.add |= WIDGETFLAGS_MARK_DIRTY;
    Resize(0, 0, 800, 600);
}

HistoryWnd::~HistoryWnd()
{
    RemoveAllWidgets(false);
}

void HistoryWnd::Update()
{
    Widget::Update();
    if (startButton->isOver) return;
    startButton->buttonImage = app->GetUpdateCount() % 100 < 50 ? IMAGE_SMBUTTON : IMAGE_SMBUTTON_OVER;
}

void HistoryWnd::Draw(Graphics* g)
{
    if (picture) g->DrawImage(picture, 0, 0);
}

void HistoryWnd::ButtonReleased(int id)
{
    app->PlayClick();
    (void)id;
    if (app->playScreen) app->playScreen->StartLevel();
    BoardTransition* fade = app->boardTransition.get();
    if (fade == nullptr) return;
    fade->Reset();
    fade->addList = {app->board(), app->boardInterface()};
    fade->removeList = {this};
    fade->focusTarget = app->boardInterface();
    app->mWidgetManager->AddWidget(fade);
}

// ---- game complete ----

GameCompleteWnd::GameCompleteWnd(GameApp* gameApp) : app(gameApp)
{
    button = std::make_unique<ButtonWidget>(0, this);
    SetUpSmallButton(*button, *this, 530, 550, IMAGE_SMBUTTON_OVER, IMAGE_SMBUTTON_DOWN);
    button->label = app->Text(TXT_CONTINUE);
    if (FONT_DEFAULT) button->SetFont(FONT_DEFAULT);
    flagChange.add |= WIDGETFLAGS_MARK_DIRTY;
    Resize(0, 0, 800, 600);
}

GameCompleteWnd::~GameCompleteWnd()
{
    RemoveAllWidgets(false);
}

void GameCompleteWnd::Update()
{
    Widget::Update();
    if (button->isOver) return;
    const bool first = app->GetUpdateCount() % 100 < 50;
    button->SetColor(0, first ? Color(91, 35, 0) : kWhite);
    button->buttonImage = first ? IMAGE_SMBUTTON : IMAGE_SMBUTTON_OVER;
}

void GameCompleteWnd::ButtonReleased(int id)
{
    app->PlayClick();
    (void)id;
    app->mWidgetManager->RemoveWidget(this);
    app->SubmitScore();
    ResetCurrentPlayer(app);
}

} // namespace Zest
