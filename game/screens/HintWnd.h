// Zest::HintWnd: the speech-bubble panel that explains the game, with its arrow, text, OK button and the box that
// turns hints off.
#pragma once

#include "graphics/Rect.h"
#include "widgets/ButtonListener.h"
#include "widgets/ButtonWidget.h"
#include "widgets/Checkbox.h"
#include "widgets/CheckboxListener.h"
#include "widgets/Widget.h"

#include <memory>
#include <string>

namespace Zest
{

class GameApp;
class Image;

class HintWnd : public Widget, public ButtonListener, public CheckboxListener
{
public:
    static constexpr int kOkId = 0;
    static constexpr int kCheckboxId = 11;

    explicit HintWnd(GameApp* app);
    ~HintWnd() override;

    void SetHint(int x, int y, int placement);
    void SetText(const std::string& newText) { text = newText; }
    // Fade-in opacity for the current update count since SetHint.
    int Alpha() const;

    void Update() override;
    void Draw(Graphics* g) override;
    void KeyDown(int keyCode) override;
    void MouseMove(int mx, int my) override;
    void MouseDrag(int mx, int my) override;
    using Widget::MouseDown;
    void MouseDown(int mx, int my, int clickCode) override;
    void ButtonReleased(int id) override;
    void CheckboxChecked(int id, bool checked) override;

    GameApp* app;
    std::string text;
    int32_t placement = -1;
    Rect textRect;
    int32_t shownUpdates = 0;
    int32_t arrowX = 0;
    std::unique_ptr<ButtonWidget> okButton;
    std::unique_ptr<Checkbox> noHintsCheckbox;
};

} // namespace Zest
