// The play screen: the widget that owns and runs the board model, and the input widget above it that forwards
// the mouse and keys to the model and carries the menu button.
#pragma once

#include <memory>

#include "game/board/BoardHost.h"
#include "game/board/BoardModel.h"
#include "widgets/ButtonListener.h"
#include "widgets/Widget.h"

namespace Zest
{

class BoardParticles;
class BoardView;
class ButtonWidget;
class EffectLibrary;
class Graphics;
class Image;

class Board : public Widget
{
public:
    explicit Board(BoardHost& host);
    ~Board() override;

    void Update() override;
    void Draw(Graphics* g) override;
    // Opens the in-game menu, unless a hint shows.
    void OpenMenu();

    BoardHost& app;
    std::unique_ptr<BoardModel> model;
    // The effect files parsed once, the running effects and the painter of the field.
    std::unique_ptr<EffectLibrary> effectLibrary;
    std::unique_ptr<BoardParticles> particles;
    std::unique_ptr<BoardView> view;
    std::unique_ptr<Image> image;
    // 0..50: how far the windows over the play field have darkened it.
    int dim = 0;
    // Moved by those windows; the play screen never changes it.
    int secondCounter = -1;
};

class BoardInterface : public Widget, public ButtonListener
{
public:
    // menuButtonImage and overImage are the button's pictures (not owned; null in headless runs).
    BoardInterface(BoardHost& host, Board& board, Image* menuButtonImage = nullptr, Image* overImage = nullptr);
    ~BoardInterface() override;

    void ShowMenuButton();

    void KeyDown(int keyCode) override;
    void KeyUp(int keyCode) override;
    void MouseMove(int mx, int my) override;
    using Widget::MouseDown;
    using Widget::MouseUp;
    void MouseDown(int mx, int my, int clickCount) override;
    void MouseUp(int mx, int my, int clickCount) override;
    void MouseDrag(int mx, int my) override;
    void MouseWheel(int delta) override;
    void ButtonReleased(int id) override;

    BoardHost& app;
    Board& board;
    std::unique_ptr<ButtonWidget> menuButton;
};

} // namespace Zest
