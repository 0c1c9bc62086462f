// The real play screen behind the shell: the board and its input widget, and the game services the board asks of
// the application.
#pragma once

#include "game/board/Board.h"
#include "game/board/BoardHost.h"
#include "game/core/LngTable.h"
#include "game/core/PlayerProfile.h"
#include "game/screens/ShellServices.h"

#include <memory>

namespace Zest
{

class GameApp;

class BoardScreen : public PlayScreen, public BoardHost
{
public:
    explicit BoardScreen(GameApp& app);
    ~BoardScreen() override;

    // ---- PlayScreen ----
    Widget* BoardWidget() override;
    Widget* InputWidget() override;
    void StartLevel() override;
    void SetDimCounter(int value) override;
    void ShowMenuButton() override;
    void OpenMenu() override;
    void ClearEffects() override;
    void SetShownHint(int id) override;
    int32_t RecipeCost(int dishType) override;
    int32_t DeviceEnableLevel(int device) override;
    void ForwardMouseMove(int x, int y) override;
    void ForwardMouseDrag(int x, int y) override;
    void ForwardMouseDown(int x, int y, int clickCount) override;
    bool HoldsDish() override;
    void DrawHeldDish(Graphics* g, int x, int y) override;
    void StartPersonMaker() override;
    BoardModel* Model() override { return board->model.get(); }
    int DimCounter() override { return board->dim; }

    // ---- BoardHost ----
    int UpdateCount() const override;
    PlayerProfile& Player() override;
    const LngTable& Lng() const override;
    void SavePlayers() override;
    void PlaySample(BoardSound sound) override;
    BoardImageSize ImageSize(BoardImage image) const override;
    std::unique_ptr<Image> LoadImage(const std::string& path) override;
    bool IsMusicPlaying(int track) override;
    void FadeInMusic(int track) override;
    void FadeOutAllMusic() override;
    void StopAllMusic() override;
    void ShowHint(int x, int y, int placement, const std::string& text) override;
    void HideHint() override;
    void OpenMenuWindow() override;
    void OpenLevelCompleteWindow() override;
    void OpenGameOverWindow() override;
    void OpenTipWindow(int personType) override;
    int PizzeriaIndex(int level) const override;
    int LastMouseX() const override;
    int LastMouseY() const override;
    void SetShiftDown(bool down) override;
    bool IsShiftDown() const override;
    bool InputWidgetHasFocus() const override;
    bool FadeWidgetHasFocus() const override;

    GameApp& app;
    std::unique_ptr<Board> board;
    std::unique_ptr<BoardInterface> input;

private:
    // Stands in for a player while none is settled, so the board never reads through a null profile.
    PlayerProfile mNobody;
    LngTable mNoTexts{false};
};

} // namespace Zest
