// Zest::Checkbox, a two-state box toggled by a click, and Zest::Slider, a track with a draggable thumb holding a
// value from 0.0 to 1.0.
#pragma once

#include "graphics/Color.h"
#include "graphics/Rect.h"
#include "widgets/Widget.h"

namespace Zest
{

class CheckboxListener;
class Image;
class SliderListener;

class Checkbox : public Widget
{
public:
    // Not owned; may be null.
    CheckboxListener* listener;
    int32_t id;
    bool checked = false;
    // Not owned; both start as the game's check box image (see WidgetDefaults).
    Image* uncheckedImage;
    Image* checkedImage;
    // Cells of uncheckedImage for the two states; a zero width means two separate images.
    Rect checkedRect;
    Rect uncheckedRect;
    // The plain look, used when there is no image.
    Color outlineColor{255, 255, 255};
    Color fillColor{80, 80, 80};
    Color checkColor{255, 255, 0};

    Checkbox(int checkboxId, CheckboxListener* checkboxListener);

    virtual void SetChecked(bool isChecked, bool tellListener = true);
    virtual bool IsChecked();

    using Widget::MouseDown;
    void Draw(Graphics* g) override;
    void MouseDown(int mx, int my, int button, int clickCount) override;
};

class Slider : public Widget
{
public:
    // Not owned; may be null.
    SliderListener* listener;
    // Always within 0.0 .. 1.0.
    double value = 0.0;
    int32_t id;
    // Not owned; the game's slider images by default (see WidgetDefaults). The track holds three equal cells:
    // start cap, middle, end cap, side by side (horizontal) or one above the other (vertical).
    Image* trackImage;
    Image* thumbImage;
    bool dragging = false;
    // Where inside the thumb the drag started.
    int32_t relX = 0;
    int32_t relY = 0;
    bool horizontal = true;

    Slider(int sliderId, SliderListener* sliderListener);

    // Stores the value clamped to 0.0 .. 1.0 without telling the listener.
    virtual void SetValue(double newValue);

    using Widget::MouseDown;
    using Widget::MouseUp;
    void Draw(Graphics* g) override;
    void MouseDown(int mx, int my, int clickCode) override;
    void MouseMove(int mx, int my) override;
    void MouseLeave() override;
    void MouseDrag(int mx, int my) override;
    void MouseUp(int mx, int my) override;

    // Along the slider's axis: its length, the thumb's length (0 without a thumb image) and the thumb's start.
    int TrackLength() const { return horizontal ? width : height; }
    int ThumbLength() const;
    int ThumbPosition() const;

private:
    void SetAppCursor(int cursorId);
    bool OnThumb(int pos) const;
};

} // namespace Zest
