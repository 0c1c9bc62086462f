// Zest::ButtonWidget: the push button (generated bevel or up to four state images, optional hover fade) and
// Zest::HyperlinkWidget, a button drawn as centred, underlined text.
#pragma once

#include <memory>
#include <string>

#include "graphics/Color.h"
#include "graphics/Rect.h"
#include "widgets/Widget.h"

namespace Zest
{

class ButtonListener;
class Font;
class Image;

// Colour slots of a button.
enum ButtonColor : int
{
    BUTTON_COLOR_TEXT = 0,
    BUTTON_COLOR_TEXT_HOVER = 1,
    BUTTON_COLOR_DARK_EDGE = 2,
    BUTTON_COLOR_LIGHT_EDGE = 3,
    BUTTON_COLOR_MEDIUM_EDGE = 4,
    BUTTON_COLOR_FACE = 5,
};

class ButtonWidget : public Widget
{
public:
    int32_t id;
    std::string label;
    // 0 centred, 1 right-aligned, anything else left-aligned.
    int32_t labelJustify = 0;
    // Owned: SetFont keeps a duplicate.
    std::unique_ptr<Font> font;
    // Not owned.
    Image* buttonImage = nullptr;
    Image* overImage = nullptr;
    Image* downImage = nullptr;
    Image* disabledImage = nullptr;
    // Cells of buttonImage for the four states.
    Rect normalRect;
    Rect overRect;
    Rect downRect;
    Rect disabledRect;
    bool inverted = false;
    bool noDraw = false;
    bool noFrame = false;
    ButtonListener* listener;
    // Strength of the mouse-over image, 0.0 to 1.0, and its change per update (0: no fade).
    double overAlpha = 0.0;
    double overAlphaFadeOutSpeed = 0.0;
    double overAlphaFadeInSpeed = 0.0;

    ButtonWidget(int buttonId, ButtonListener* buttonListener);
    ~ButtonWidget() override;

    virtual void DrawButtonImage(Graphics* g, Image* image, const Rect& rect, int dx, int dy);
    virtual void SetFont(Font* newFont);
    virtual bool IsButtonDown();

    using Widget::MouseDown;
    using Widget::MouseUp;
    void Update() override;
    void Draw(Graphics* g) override;
    void SetDisabled(bool isDisabled) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseMove(int mx, int my) override;
    void MouseDown(int mx, int my, int button, int clickCount) override;
    void MouseUp(int mx, int my, int button, int clickCount) override;

    // A state is defined when its image is set or its cell has a width.
    bool IsStateDefined(Image* image, const Rect& rect) const { return image != nullptr || rect.mWidth != 0; }

protected:
    // The face every control falls back on when it was given none.
    void EnsureFont(int pointSize, bool bold);
    // MarkDirty when hovering changes the look.
    void MarkDirtyForHover();
};

class HyperlinkWidget : public ButtonWidget
{
public:
    Color color{255, 255, 255};
    Color overColor{255, 255, 255};
    int32_t underlineSize = 1;
    int32_t underlineOffset = 3;

    HyperlinkWidget(int linkId, ButtonListener* linkListener);

    void Draw(Graphics* g) override;
    void MouseEnter() override;
    void MouseLeave() override;
};

} // namespace Zest
