// Zest::GameWindows: the game's real windows behind the shell's window calls.
#pragma once

#include "game/screens/ShellServices.h"

namespace Zest
{

class GameApp;

class GameWindows : public ShellWindows
{
public:
    explicit GameWindows(GameApp& app) : mApp(app) {}

    void OpenContinueDialog() override;
    void OpenOptions() override;
    void OpenPlayerChoice() override;
    void OpenHighscores(int highlight) override;
    void SetHighscoreHighlight(int place) override;
    void OpenShop(int mode) override;
    int AskText(const std::string& header, const std::string& line, const std::string& initial, int maxChars,
                bool cancelEnabled, std::string& text, bool namePrompt = true) override;
    void OpenInGameMenu() override;
    void OpenLevelComplete() override;
    void OpenGameOver() override;

private:
    GameApp& mApp;
};

} // namespace Zest
