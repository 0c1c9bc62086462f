// The title menu and where its buttons lead.
#include "TitleWnd.h"

#include "BoardTransition.h"
#include "GameApp.h"
#include "ScreenPictures.h"
#include "game/core/GameResources.h"
#include "game/core/TextIds.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "widgets/WidgetManager.h"

#include <algorithm>
#include <iterator>

namespace Zest
{

namespace
{

std::unique_ptr<ButtonWidget> ImageButton(TitleWnd* owner, int id, const std::string& label, int bx, int by)
{
    auto button = std::make_unique<ButtonWidget>(id, owner);
    button->label = label;
    button->buttonImage = IMAGE_SMBUTTON;
    button->overImage = IMAGE_SMBUTTON_OVER;
    button->downImage = IMAGE_SMBUTTON_DOWN;
    if (FONT_DEFAULT) button->SetFont(FONT_DEFAULT);
    button->SetColor(0, Color(255, 255, 255));
    button->SetColor(1, Color(255, 255, 255));
    button->Resize(bx, by, IMAGE_SMBUTTON ? IMAGE_SMBUTTON->GetWidth() : 0,
                   IMAGE_SMBUTTON ? IMAGE_SMBUTTON->GetHeight() : 0);
    button->showHandCursor = true;
    return button;
}

int ButtonWidth()
{
    return IMAGE_SMBUTTON ? IMAGE_SMBUTTON->GetWidth() : 0;
}

} // namespace

TitleWnd::TitleWnd(GameApp* gameApp) : app(gameApp)
{
    playButton = ImageButton(this, PlayId, app->Text(TXT_PLAY), 530, 100);
    personMakerButton = ImageButton(this, PersonMakerId, "Person Maker", 530, 340);
    personMakerButton->SetVisible(false);
    optionsButton = ImageButton(this, OptionsId, app->Text(TXT_OPTIONS), 530, 160);
    highscoresButton = ImageButton(this, HighscoresId, app->Text(TXT_BEST_CHEFS), 530, 220);
    quitButton = ImageButton(this, QuitId, app->Text(TXT_QUIT), 530, 280);
    // Only the part well inside the button quits, so a slip off the high-score button does not end the game.
    quitButton->insets = Insets(10, 10, 10, 10);

    changePlayerButton = std::make_unique<ButtonWidget>(ChangePlayerId, this);
    changePlayerButton->label = app->Text(TXT_NOT_CHANGE_COOK);
    changePlayerButton->noFrame = true;
    if (FONT_SIMPLE) changePlayerButton->SetFont(FONT_SIMPLE);
    changePlayerButton->SetColor(0, Color(255, 255, 255));
    changePlayerButton->SetColor(1, Color(255, 255, 0));
    const int labelWidth = FONT_SIMPLE ? FONT_SIMPLE->StringWidth(changePlayerButton->label) : 0;
    changePlayerButton->Resize(530 + ButtonWidth() / 2 - labelWidth / 2, 52, labelWidth, 20);
    changePlayerButton->showHandCursor = true;

    for (ButtonWidget* b : {playButton.get(), personMakerButton.get(), changePlayerButton.get(), optionsButton.get(),
                            highscoresButton.get(), quitButton.get()})
        AddWidget(b);
    LoadLogos();
}

void TitleWnd::AddedToManager(WidgetManager* manager)
{
    ScreenPictures::Acquire(ScreenPictures::Title);
    Widget::AddedToManager(manager);
}

void TitleWnd::RemovedFromManager(WidgetManager* manager)
{
    Widget::RemovedFromManager(manager);
    ScreenPictures::Release(ScreenPictures::Title);
}

TitleWnd::~TitleWnd()
{
    for (ButtonWidget* b : {playButton.get(), personMakerButton.get(), changePlayerButton.get(), optionsButton.get(),
                            highscoresButton.get(), quitButton.get()})
        RemoveWidget(b);
}

void TitleWnd::LoadLogos()
{
    LogoFileData data;
    if (ReadLogoFile("properties/logos.xml", data)) LoadLogos(data);
}

void TitleWnd::LoadLogos(const LogoFileData& data)
{
    for (const LogoPictureEntry& p : data.titleImages) onTitlePictures.push_back(std::make_unique<LogoPicture>(app, p));
}

std::string TitleWnd::WelcomeLine() const
{
    const PlayerProfile* player = app->CurrentPlayer();
    if (player == nullptr) return std::string();
    return app->Text(TXT_WELCOME) + ", " + player->name;
}

void TitleWnd::UpdateAll(ModalFlags& modalFlags)
{
    // Redrawn on every update only while something lies in front of it (a dialog sliding over it, the fade) and
    // once more after that is gone, or when the welcome line changed. Redrawing the idle menu a hundred times a
    // second cost a third of a processor core for a picture that does not move.
    // Behind the play field, which paints its whole kitchen over the screen (its widget has no size of its own;
    // the input widget over it takes the mouse), nothing of the title shows: drawing it there cost a sixth of
    // each frame for pixels overwritten at once.
    bool covered = false;
    bool hidden = false;
    if (widgetManager != nullptr)
    {
        const auto& top = widgetManager->children;
        auto it = std::find(top.begin(), top.end(), this);
        covered = it != top.end() && std::next(it) != top.end();
        Widget* field = app != nullptr ? app->board() : nullptr;
        if (covered && field != nullptr && field->visible)
            hidden = std::find(std::next(it), top.end(), field) != top.end();
    }
    if ((covered && !hidden) || (mWasCovered && !hidden) || WelcomeLine() != mDrawnWelcome) MarkDirty();
    mWasCovered = covered;
    Widget::UpdateAll(modalFlags);
}

void TitleWnd::Draw(Graphics* g)
{
    g->DrawImage(IMAGE_TITLE, 0, 0);
    for (auto& picture : onTitlePictures) picture->Draw(g);
    const std::string welcome = WelcomeLine();
    mDrawnWelcome = welcome;
    if (!welcome.empty())
        DrawJustifiedString(g, FONT_BUTTON_SMALL, 530 + ButtonWidth() / 2, 55, welcome, 0, Color(255, 255, 255));
}

void TitleWnd::ButtonReleased(int id)
{
    app->PlayClick();
    switch (id)
    {
    case QuitId:
        app->Shutdown();
        app->OnShutdown();
        break;
    case PlayId:
    {
        PlayerProfile* player = app->CurrentPlayer();
        // Nobody to play as yet: ask for a name first, as at the first start.
        if (player == nullptr && (!app->AskForNewPlayer() || (player = app->CurrentPlayer()) == nullptr)) return;
        if (player->level > 1 && player->level < 71)
        {
            ShowContinueDialog();
        }
        else
        {
            player->level = 1;
            app->StartGame();
        }
        break;
    }
    case PersonMakerId:
    {
        if (app->playScreen) app->playScreen->StartPersonMaker();
        BoardTransition* fade = app->boardTransition.get();
        if (fade == nullptr || app->playScreen == nullptr) break;
        fade->Reset();
        fade->addList = {app->board(), app->boardInterface()};
        fade->removeList = {this};
        fade->focusTarget = app->boardInterface();
        app->mWidgetManager->AddWidget(fade);
        break;
    }
    case OptionsId:
        app->windows->OpenOptions();
        break;
    case ChangePlayerId:
        app->windows->OpenPlayerChoice();
        break;
    case HighscoresId:
        app->windows->OpenHighscores(-1);
        break;
    default:
        break;
    }
}

void TitleWnd::ShowContinueDialog()
{
    app->windows->OpenContinueDialog();
}

} // namespace Zest
