// The play screen widgets: one model update per widget update, the dim level, and input forwarded to the model.
#include "game/board/Board.h"

#include "game/board/BoardParticles.h"
#include "game/board/BoardView.h"
#include "game/core/LngTable.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "widgets/ButtonWidget.h"

namespace Zest
{

namespace
{
constexpr int kKeyEscape = 27;
constexpr int kKeyShift = 16;
constexpr int kMaxDim = 50;
} // namespace

Board::Board(BoardHost& host) : app(host), model(std::make_unique<BoardModel>(host))
{
    effectLibrary = std::make_unique<EffectLibrary>();
    effectLibrary->imageLoader = [&host](const std::string& path) { return host.LoadImage(path); };
    particles = std::make_unique<BoardParticles>(*model, *effectLibrary);
    model->Effects = particles.get();
    view = std::make_unique<BoardView>(*model, particles.get());
    model->Init();
    flagChange.add |= WIDGETFLAGS_MARK_DIRTY;
    // The backdrop covers the whole board: each frame redraws only what moved.
    drawsByRegion = true;
}

Board::~Board() = default;

void Board::Update()
{
    Widget::Update();
    model->Update();
    particles->UpdatePieces();
    if (app.InputWidgetHasFocus())
    {
        if (dim > 0) --dim;
    }
    else if (!app.FadeWidgetHasFocus() && dim < kMaxDim)
    {
        ++dim;
    }
}

void Board::Draw(Graphics* g)
{
    if (!g) return;
    g->ClearClipRect();
    view->Draw(*g);
    view->DrawEffects(*g);
}

void Board::OpenMenu()
{
    if (model->HintId != -1) return;
    app.OpenMenuWindow();
}

BoardInterface::BoardInterface(BoardHost& host, Board& screen, Image* menuButtonImage, Image* overImage)
    : app(host), board(screen), menuButton(std::make_unique<ButtonWidget>(0, this))
{
    int w = 0, h = 0;
    if (menuButtonImage)
    {
        w = menuButtonImage->GetWidth();
        h = menuButtonImage->GetHeight();
    }
    menuButton->Resize(695, 535, w, h);
    menuButton->SetColor(0, Color(255, 255, 255));
    menuButton->SetColor(1, Color(255, 255, 255));
    const LngTable& lng = host.Lng();
    if (lng.strings.size() > 121) menuButton->label = lng(121);
    menuButton->buttonImage = menuButtonImage;
    menuButton->overImage = overImage;
    menuButton->downImage = overImage;
    menuButton->showHandCursor = true;
    AddWidget(menuButton.get());
    flagChange.add |= WIDGETFLAGS_MARK_DIRTY;
}

BoardInterface::~BoardInterface()
{
    RemoveAllWidgets(false);
}

void BoardInterface::ShowMenuButton()
{
    menuButton->SetVisible(true);
}

void BoardInterface::KeyDown(int keyCode)
{
    if (keyCode == kKeyEscape)
    {
        // The model never sees Escape: it opens the menu or closes a hint.
        if (hasFocus) board.OpenMenu();
        if (board.model->HintId != -1)
        {
            app.HideHint();
            board.model->HintId = -1;
        }
        return;
    }
    board.model->KeyDown(keyCode);
    if (keyCode == kKeyShift) app.SetShiftDown(true);
}

void BoardInterface::KeyUp(int keyCode)
{
    if (keyCode == kKeyShift) app.SetShiftDown(false);
}

void BoardInterface::MouseMove(int mx, int my)
{
    board.model->MouseMove(mx, my);
    board.model->UpdateCursor(mx, my);
}

void BoardInterface::MouseDown(int mx, int my, int clickCount)
{
    Widget::MouseDown(mx, my, clickCount);
    board.model->MouseDown(mx, my, clickCount);
}

void BoardInterface::MouseUp(int mx, int my, int clickCount)
{
    Widget::MouseUp(mx, my, clickCount);
    board.model->MouseUp(mx, my, clickCount);
}

void BoardInterface::MouseDrag(int mx, int my)
{
    board.model->MouseDrag(mx, my);
}

void BoardInterface::MouseWheel(int delta)
{
    (void)delta;
    board.model->MouseWheel();
}

void BoardInterface::ButtonReleased(int id)
{
    if (id == 0 && board.model->HintId == -1) board.OpenMenu();
}

} // namespace Zest
