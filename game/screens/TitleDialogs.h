// Zest::ContinueGameWnd (continue the saved day or start anew) and Zest::HighscoresWnd (the ten best), both opened
// from the title menu.
#pragma once

#include "game/screens/SlidePanel.h"

#include <memory>

namespace Zest
{

class ContinueGameWnd : public SlidePanel
{
public:
    static constexpr int kContinueId = 0;
    static constexpr int kNewGameId = 1;

    explicit ContinueGameWnd(GameApp* app);
    ~ContinueGameWnd() override;

    // Rests at the vertical centre of the screen.
    int RestY() const override { return 300 - height / 2; }
    int Alpha() const;

    void Update() override;
    void Draw(Graphics* g) override;
    void ButtonReleased(int id) override;

    std::unique_ptr<ButtonWidget> continueButton;
    std::unique_ptr<ButtonWidget> newGameButton;
    bool done = false;
};

class HighscoresWnd : public SlidePanel
{
public:
    static constexpr int kCloseId = 0;
    static constexpr int kResetId = 2;
    // Right edge of the score column, in window coordinates.
    static constexpr int kScoreRight = 520;

    explicit HighscoresWnd(GameApp* app);
    ~HighscoresWnd() override;

    void Update() override;
    void Draw(Graphics* g) override;
    // Escape closes the table as its close button does.
    void KeyDown(int keyCode) override;
    void ButtonReleased(int id) override;

    std::unique_ptr<ButtonWidget> closeButton;
    std::unique_ptr<ButtonWidget> resetButton;
    // Row drawn in yellow: the score just entered; -1 none.
    int highlight = -1;
};

void OpenContinueDialog(GameApp* app);
// Slides the table in as dialog 1009, with the keyboard; `highlight` is the row to show in yellow (-1 none).
HighscoresWnd* OpenHighscores(GameApp* app, int highlight);

} // namespace Zest
