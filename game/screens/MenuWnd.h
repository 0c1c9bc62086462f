// Zest::MenuWnd, the in-game menu, and Zest::HowDialog, the how-to-play pages it opens.
#pragma once

#include "game/screens/SlidePanel.h"

#include <memory>

namespace Zest
{

class MenuWnd : public SlidePanel
{
public:
    enum ButtonId
    {
        MainMenuId = 0,
        HowToPlayId = 1,
        OptionsId = 2,
        RestartId = 3,
        ContinueId = 4,
    };

    explicit MenuWnd(GameApp* app);
    ~MenuWnd() override;

    void Update() override;
    void Draw(Graphics* g) override;
    void KeyDown(int keyCode) override;
    void ButtonReleased(int id) override;

    std::unique_ptr<ButtonWidget> buttons[5];
};

class HowDialog : public Dialog
{
public:
    static constexpr int kCloseId = 4;
    static constexpr int kNextId = 1;
    static constexpr int kPreviousId = 2;
    // Top of the button row (the page indicator's baseline is 30 below it), the room kept between the buttons and the
    // frame's edge, and the next-page button's left edge.
    static constexpr int kButtonRowY = 480;
    static constexpr int kButtonRowMargin = 12;
    static constexpr int kButtonSideMargin = 18;
    static constexpr int kNextButtonX = 545;
    static int ButtonRowY();
    static int NextButtonX();

    explicit HowDialog(GameApp* app);
    ~HowDialog() override;

    void Draw(Graphics* g) override;
    void ButtonReleased(int id) override;
    // Text 142 + " " + page + " " + text 143 + " " + page count.
    std::string PageIndicator(int page) const;

    GameApp* app;
    int page = 1;
    int pageCount = 4;
    std::unique_ptr<ButtonWidget> closeButton;
    std::unique_ptr<ButtonWidget> nextButton;
    std::unique_ptr<ButtonWidget> previousButton;

private:
    void DrawPage1(Graphics* g);
    void DrawPage2(Graphics* g);
    void DrawPage3(Graphics* g);
    void DrawPage4(Graphics* g);
    void Wrapped(Graphics* g, Font* font, const Color& color, int textId, const Rect& rect, int spacing,
                 int justification);
};

// Opens the how-to-play dialog over the in-game menu, resting on the bottom edge of the screen.
void OpenHowDialog(GameApp* app);

} // namespace Zest
