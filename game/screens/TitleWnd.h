// Zest::TitleWnd: the title menu: the title picture, the welcome line and the play, options, high-score, quit and
// change-player buttons.
#pragma once

#include "game/screens/TitleScreen.h"
#include "widgets/ButtonListener.h"
#include "widgets/ButtonWidget.h"
#include "widgets/Widget.h"

#include <memory>
#include <vector>

namespace Zest
{

class GameApp;

class TitleWnd : public Widget, public ButtonListener
{
public:
    enum ButtonId
    {
        PlayId = 0,
        PersonMakerId = 1,
        ChangePlayerId = 2,
        OptionsId = 3,
        HighscoresId = 4,
        QuitId = 5,
    };

    explicit TitleWnd(GameApp* app);
    ~TitleWnd() override;

    void LoadLogos();
    void LoadLogos(const LogoFileData& data);
    void UpdateAll(ModalFlags& modalFlags) override;
    void Draw(Graphics* g) override;
    // The title picture is held while the screen is on.
    void AddedToManager(WidgetManager* manager) override;
    void RemovedFromManager(WidgetManager* manager) override;
    void ButtonReleased(int id) override;
    void ShowContinueDialog();
    // Text 20 + ", " + name, or empty without a current player.
    std::string WelcomeLine() const;

    GameApp* app;
    std::unique_ptr<ButtonWidget> playButton;
    std::unique_ptr<ButtonWidget> personMakerButton;
    std::unique_ptr<ButtonWidget> changePlayerButton;
    std::unique_ptr<ButtonWidget> optionsButton;
    std::unique_ptr<ButtonWidget> highscoresButton;
    std::unique_ptr<ButtonWidget> quitButton;
    std::vector<std::unique_ptr<LogoPicture>> onTitlePictures;

private:
    bool mWasCovered = false;
    std::string mDrawnWelcome;
};

} // namespace Zest
