// Zest::LevelCompleteWnd and Zest::GameOverWnd: the result of a day, won or lost, over the play field.
#pragma once

#include "game/screens/SlidePanel.h"

#include <memory>

namespace Zest
{

class BoardModel;

// The tally of a won day. The players file holds the win as soon as the tally opens; the profile in memory takes
// it once, when the window has slid out again.
class LevelCompleteWnd : public SlidePanel
{
public:
    static constexpr int kOkId = 0;

    explicit LevelCompleteWnd(GameApp* app);
    ~LevelCompleteWnd() override;

    void Update() override;
    void Draw(Graphics* g) override;
    void ButtonReleased(int id) override;

    // The dimming behind the window: up to 200 while it rises and rests, on to 255 while it sinks.
    int Alpha() const;

    std::unique_ptr<ButtonWidget> okButton;
    // The results went into the profile; nothing writes them a second time.
    bool stored = false;

private:
    void SaveWonDay();
    void StoreResults();
};

// A lost day: try again, or back to the map's shop. The day's profit was banked before the window opened.
class GameOverWnd : public SlidePanel
{
public:
    static constexpr int kRetryId = 0;
    static constexpr int kMapId = 1;

    explicit GameOverWnd(GameApp* app);
    ~GameOverWnd() override;

    void Update() override;
    void Draw(Graphics* g) override;
    void ButtonReleased(int id) override;

    int Alpha() const { return DimAlpha(128); }

    std::unique_ptr<ButtonWidget> retryButton;
    std::unique_ptr<ButtonWidget> mapButton;
    bool done = false;
};

// The play model behind the windows, or null.
BoardModel* PlayModel(GameApp* app);

} // namespace Zest
