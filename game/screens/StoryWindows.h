// Zest::GameModeWnd, Zest::HistoryWnd and Zest::GameCompleteWnd: the choice of game mode, the story picture
// before the first day, and the end of the whole game. Plain full-screen widgets, not dialogs.
#pragma once

#include "widgets/ButtonListener.h"
#include "widgets/ButtonWidget.h"
#include "widgets/Widget.h"

#include <memory>

namespace Zest
{

class GameApp;
class HistoryWnd;

class GameModeWnd : public Widget, public ButtonListener
{
public:
    explicit GameModeWnd(GameApp* app, HistoryWnd* history = nullptr);
    ~GameModeWnd() override;

    void Update() override;
    void Draw(Graphics* g) override;
    void ButtonReleased(int id) override;
    int Alpha() const;

    GameApp* app;
    HistoryWnd* history;
    int counter = 0;
    int picture1X = 383, picture1Y = 99;
    int picture2X = 184, picture2Y = 84;
    std::unique_ptr<ButtonWidget> buttons[2];
};

class HistoryWnd : public Widget, public ButtonListener
{
public:
    explicit HistoryWnd(GameApp* app);
    ~HistoryWnd() override;

    void Update() override;
    void Draw(Graphics* g) override;
    void ButtonReleased(int id) override;
    // Lets go of the story picture (there is none to show yet).
    void ReleasePicture() { picture = nullptr; }

    GameApp* app;
    std::unique_ptr<ButtonWidget> startButton;
    Image* picture = nullptr;
};

class GameCompleteWnd : public Widget, public ButtonListener
{
public:
    explicit GameCompleteWnd(GameApp* app);
    ~GameCompleteWnd() override;

    void Update() override;
    void ButtonReleased(int id) override;

    GameApp* app;
    std::unique_ptr<ButtonWidget> button;
};

} // namespace Zest
