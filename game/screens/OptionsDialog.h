// Zest::DemoDialog: the options dialog: music and sound volume, 3-D acceleration, full screen and hints.
#pragma once

#include "widgets/CheckboxListener.h"
#include "widgets/Dialog.h"
#include "widgets/SliderListener.h"

#include <memory>

namespace Zest
{

class Checkbox;
class GameApp;
class Slider;

class DemoDialog : public Dialog, public SliderListener, public CheckboxListener
{
public:
    static constexpr int kMusicId = 0;
    static constexpr int kSoundId = 1;
    static constexpr int kFullScreenId = 4;
    static constexpr int kThreeDId = 5;
    static constexpr int kNoHintsId = 6;
    static constexpr int kOkId = 0;

    DemoDialog(GameApp* app, const std::string& header, const std::string& lines);
    ~DemoDialog() override;

    // The sliders and boxes live beside the dialog in the manager, in screen coordinates.
    void AddedToManager(WidgetManager* manager) override;
    void RemovedFromManager(WidgetManager* manager) override;
    using Dialog::Resize;
    void Resize(int newX, int newY, int newWidth, int newHeight) override;
    void Draw(Graphics* g) override;
    // Escape closes the dialog as OK does: the volumes already took effect, so there is nothing to undo.
    void KeyDown(int keyCode) override;
    void ButtonReleased(int id) override;
    void SliderVal(int id, double value) override;
    void CheckboxChecked(int id, bool checked) override;
    // The screen mode the boxes ask for, the players file written, the dialog closed and the keyboard handed on.
    void Accept();
    // Shows the screen mode the window runs in now; the switch made elsewhere (Alt+Enter) is reported to it here.
    void ShowScreenMode(bool fullScreen);

    GameApp* app;
    std::unique_ptr<Slider> musicSlider;
    std::unique_ptr<Slider> soundSlider;
    std::unique_ptr<Checkbox> threeDBox;
    std::unique_ptr<Checkbox> fullScreenBox;
    std::unique_ptr<Checkbox> noHintsBox;
    std::unique_ptr<ButtonWidget> okButton;
};

// Opens the options over whatever shows, centred, as dialog 8, with the keyboard.
void OpenOptionsDialog(GameApp* app);

} // namespace Zest
