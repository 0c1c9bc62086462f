// A board host with no application behind it, for benchmarks and fuzz targets: no sound, no windows, no files,
// a string table of placeholder lines. Each field is public so a caller sets the level, the mouse or the counter it
// needs; the picture loader and the pizzeria lookup can be overridden.
#pragma once

#include <memory>
#include <string>

#include "game/board/BoardHost.h"
#include "game/core/LngTable.h"
#include "game/core/PlayerProfile.h"
#include "graphics/Image.h"

namespace Zest
{

class QuietBoardHost : public BoardHost
{
public:
    QuietBoardHost()
    {
        for (int i = 0; i < 220; ++i) lng.strings.push_back("T" + std::to_string(i));
    }
    int UpdateCount() const override { return count; }
    PlayerProfile& Player() override { return player; }
    const LngTable& Lng() const override { return lng; }
    void SavePlayers() override {}
    void PlaySample(BoardSound) override {}
    BoardImageSize ImageSize(BoardImage) const override { return imageSize; }
    std::unique_ptr<Image> LoadImage(const std::string&) override { return nullptr; }
    bool IsMusicPlaying(int) override { return musicPlaying; }
    void FadeInMusic(int) override {}
    void FadeOutAllMusic() override {}
    void StopAllMusic() override {}
    void ShowHint(int, int, int, const std::string&) override {}
    void HideHint() override {}
    void OpenMenuWindow() override {}
    void OpenLevelCompleteWindow() override {}
    void OpenGameOverWindow() override {}
    void OpenTipWindow(int) override {}
    int PizzeriaIndex(int) const override { return 0; }
    int LastMouseX() const override { return mouseX; }
    int LastMouseY() const override { return mouseY; }
    void SetShiftDown(bool) override {}
    bool IsShiftDown() const override { return false; }
    bool InputWidgetHasFocus() const override { return true; }
    bool FadeWidgetHasFocus() const override { return false; }

    int count = 0;
    PlayerProfile player;
    LngTable lng{false};
    BoardImageSize imageSize{64, 64};
    bool musicPlaying = false;
    int mouseX = 400, mouseY = 300;
};

} // namespace Zest
