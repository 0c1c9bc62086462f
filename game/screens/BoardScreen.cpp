// The play screen wired to the game: sounds, pictures, music, hints, windows and input state from the application.
#include "BoardScreen.h"

#include "BoardTransition.h"
#include "GameApp.h"
#include "MapModel.h"
#include "MapWnd.h"
#include "game/board/BoardView.h"
#include "game/core/GameResources.h"
#include "graphics/DDImage.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

BoardScreen::BoardScreen(GameApp& gameApp) : app(gameApp)
{
    board = std::make_unique<Board>(*this);
    input = std::make_unique<BoardInterface>(*this, *board, IMAGE_SMBUTTON100, IMAGE_SMBUTTON100_OVER);
    // The game's body font, white with its dark rim, reads on the orange button; the toolkit's plain fallback
    // font did not.
    if (FONT_DEFAULT) input->menuButton->SetFont(FONT_DEFAULT);
}

BoardScreen::~BoardScreen()
{
    if (app.mWidgetManager)
    {
        app.mWidgetManager->RemoveWidget(input.get());
        app.mWidgetManager->RemoveWidget(board.get());
    }
    input.reset();
    board.reset();
}

Widget* BoardScreen::BoardWidget()
{
    return board.get();
}

Widget* BoardScreen::InputWidget()
{
    return input.get();
}

void BoardScreen::StartLevel()
{
    // The map knows which pizzeria the level belongs to before the board asks.
    if (app.mapWnd) app.mapWnd->GetPizzeriaIndex();
    board->model->StartLevel();
}

void BoardScreen::SetDimCounter(int value)
{
    board->dim = value;
}

void BoardScreen::ShowMenuButton()
{
    input->ShowMenuButton();
}

void BoardScreen::OpenMenu()
{
    board->OpenMenu();
}

void BoardScreen::ClearEffects()
{
    board->model->Labels.clear();
    board->model->Effects->KillAll();
}

void BoardScreen::SetShownHint(int id)
{
    board->model->HintId = id;
}

int32_t BoardScreen::RecipeCost(int dishType)
{
    const auto& types = board->model->DishTypes;
    if (dishType < 0 || dishType >= static_cast<int>(types.size())) return -1;
    return types[static_cast<size_t>(dishType)].recipeCost;
}

int32_t BoardScreen::DeviceEnableLevel(int device)
{
    const BoardModel& m = *board->model;
    switch (device)
    {
    case ShopCoffee:
        return m.CoffeeEnableLevel;
    case ShopFood:
        return m.FoodEnableLevel;
    case ShopAkkum:
        return m.AkkumEnableLevel;
    case ShopPlate:
        return m.PlateEnableLevel;
    default:
        return 1000;
    }
}

void BoardScreen::ForwardMouseMove(int x, int y)
{
    board->model->MouseMove(x, y);
    board->model->UpdateCursor(x, y);
}

void BoardScreen::ForwardMouseDrag(int x, int y)
{
    board->model->MouseDrag(x, y);
}

void BoardScreen::ForwardMouseDown(int x, int y, int clickCount)
{
    board->model->MouseDown(x, y, clickCount);
}

bool BoardScreen::HoldsDish()
{
    return board->model->DraggedDish != nullptr;
}

void BoardScreen::DrawHeldDish(Graphics* g, int x, int y)
{
    // The field leaves the carried dish out while a hint shows; the hint panel, drawn over it, puts it back on
    // top so that the hand never carries something unseen. (x, y) is the panel's place on the screen.
    BoardModel& m = *board->model;
    if (g == nullptr || m.DraggedDish == nullptr || !board->view) return;
    g->PushState();
    g->Translate(-x, -y);
    board->view->DrawDish(*g, *m.DraggedDish);
    g->PopState();
}

void BoardScreen::StartPersonMaker()
{
    board->model->StartPersonMaker();
}

int BoardScreen::UpdateCount() const
{
    return app.GetUpdateCount();
}

PlayerProfile& BoardScreen::Player()
{
    PlayerProfile* player = app.CurrentPlayer();
    return player ? *player : mNobody;
}

const LngTable& BoardScreen::Lng() const
{
    return app.lngTable ? *app.lngTable : mNoTexts;
}

void BoardScreen::SavePlayers()
{
    app.SavePlayers();
}

void BoardScreen::PlaySample(BoardSound sound)
{
    const int* ids[] = {&SOUND_APPEAR_BOMB,
                        &SOUND_APPEAR_ICECREAM,
                        &SOUND_BOMB,
                        &SOUND_COFFEE_READY,
                        &SOUND_EXPERT_GOAL,
                        &SOUND_GET_MONEY,
                        &SOUND_GIVE_COFFEE,
                        &SOUND_LEVEL_COMPLETE,
                        &SOUND_LEVEL_FAILED,
                        &SOUND_LIGHTING,
                        &SOUND_LM_WORKING,
                        &SOUND_MAIN_GOAL,
                        &SOUND_MATCH,
                        &SOUND_MATCH4,
                        &SOUND_MATCH5,
                        &SOUND_MOVE,
                        &SOUND_NEW_PERSON,
                        &SOUND_PERSON_ANGRY,
                        &SOUND_PERSON_GOT_FOOD,
                        &SOUND_PERSON_LEAVE,
                        &SOUND_PERSON_WANT_FOOD,
                        &SOUND_PIZZA_READY,
                        &SOUND_PUT_PIZZA,
                        &SOUND_SELECT,
                        &SOUND_TAKE_ICECREEM,
                        &SOUND_TAKE_LM,
                        &SOUND_TAKE_PIZZA,
                        &SOUND_TIME_IS_UP};
    static_assert(sizeof(ids) / sizeof(ids[0]) == static_cast<size_t>(BoardSound::Count));
    const int index = static_cast<int>(sound);
    if (index >= 0 && index < static_cast<int>(BoardSound::Count)) app.PlaySample(*ids[index]);
}

BoardImageSize BoardScreen::ImageSize(BoardImage which) const
{
    const Image* img = BoardPicture(which);
    return img ? BoardImageSize{img->GetWidth(), img->GetHeight()} : BoardImageSize{};
}

std::unique_ptr<Image> BoardScreen::LoadImage(const std::string& path)
{
    return app.GetImage(path);
}

bool BoardScreen::IsMusicPlaying(int track)
{
    return app.music->IsPlaying(track);
}

void BoardScreen::FadeInMusic(int track)
{
    app.music->FadeIn(track, 0, 0.005, true);
}

void BoardScreen::FadeOutAllMusic()
{
    app.music->FadeOutAll(true, 0.005);
}

void BoardScreen::StopAllMusic()
{
    app.music->StopAll();
}

void BoardScreen::ShowHint(int x, int y, int placement, const std::string& text)
{
    app.ShowHint(x, y, placement, text);
}

void BoardScreen::HideHint()
{
    app.HideHint();
}

void BoardScreen::OpenMenuWindow()
{
    app.windows->OpenInGameMenu();
}

void BoardScreen::OpenLevelCompleteWindow()
{
    app.windows->OpenLevelComplete();
}

void BoardScreen::OpenGameOverWindow()
{
    app.windows->OpenGameOver();
}

void BoardScreen::OpenTipWindow(int personType)
{
    app.OpenTipWindow(personType);
}

int BoardScreen::PizzeriaIndex(int level) const
{
    return PizzeriaOfLevel(level);
}

int BoardScreen::LastMouseX() const
{
    return app.mouseX;
}

int BoardScreen::LastMouseY() const
{
    return app.mouseY;
}

void BoardScreen::SetShiftDown(bool down)
{
    app.shiftDown = down;
}

bool BoardScreen::IsShiftDown() const
{
    return app.shiftDown;
}

bool BoardScreen::InputWidgetHasFocus() const
{
    return app.mWidgetManager && app.mWidgetManager->focusWidget == input.get();
}

bool BoardScreen::FadeWidgetHasFocus() const
{
    return app.mWidgetManager && app.boardTransition && app.mWidgetManager->focusWidget == app.boardTransition.get();
}

} // namespace Zest
