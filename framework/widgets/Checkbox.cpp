// Zest::Checkbox and Zest::Slider: drawing from images or a plain look, clicks, dragging and listener calls.
#include "widgets/Checkbox.h"

#include <algorithm>

#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "widgets/CheckboxListener.h"
#include "widgets/SliderListener.h"
#include "widgets/WidgetApp.h"
#include "widgets/WidgetDefaults.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

Checkbox::Checkbox(int checkboxId, CheckboxListener* checkboxListener)
    : listener(checkboxListener), id(checkboxId), uncheckedImage(GetWidgetDefaults().checkboxImage),
      checkedImage(GetWidgetDefaults().checkboxImage)
{
    showHandCursor = true;
}

void Checkbox::SetChecked(bool isChecked, bool tellListener)
{
    checked = isChecked;
    if (tellListener && listener != nullptr) listener->CheckboxChecked(id, checked);
    MarkDirty();
}

bool Checkbox::IsChecked()
{
    return checked;
}

void Checkbox::MouseDown(int mx, int my, int button, int clickCount)
{
    Widget::MouseDown(mx, my, button, clickCount);
    checked = !checked;
    // Marked before the listener runs: it may close the window that holds the box.
    MarkDirty();
    if (listener != nullptr) listener->CheckboxChecked(id, checked);
}

void Checkbox::Draw(Graphics* g)
{
    if (checkedRect.mWidth == 0 && checkedImage != nullptr && uncheckedImage != nullptr)
    {
        g->DrawImage(checked ? checkedImage : uncheckedImage, 0, 0);
        return;
    }
    if (checkedRect.mWidth != 0 && uncheckedImage != nullptr)
    {
        g->DrawImage(uncheckedImage, 0, 0, checked ? checkedRect : uncheckedRect);
        return;
    }
    // No usable image: the plain look (also when only one of two separate images was given).
    g->SetColor(outlineColor);
    g->FillRect(0, 0, width, height);
    g->SetColor(fillColor);
    g->FillRect(1, 1, width - 2, height - 2);
    if (checked)
    {
        g->SetColor(checkColor);
        g->DrawLine(1, 1, width - 2, height - 2);
        g->DrawLine(width - 1, 1, 1, height - 2);
    }
}

Slider::Slider(int sliderId, SliderListener* sliderListener)
    : listener(sliderListener), id(sliderId), trackImage(GetWidgetDefaults().sliderTrackImage),
      thumbImage(GetWidgetDefaults().sliderThumbImage)
{
}

void Slider::SetAppCursor(int cursorId)
{
    if (widgetManager != nullptr && widgetManager->app != nullptr) widgetManager->app->SetCursor(cursorId);
}

int Slider::ThumbLength() const
{
    if (thumbImage == nullptr) return 0;
    return horizontal ? thumbImage->GetWidth() : thumbImage->GetHeight();
}

int Slider::ThumbPosition() const
{
    // A thumb longer than the track sits at the start.
    int travel = std::max(0, TrackLength() - ThumbLength());
    return static_cast<int>(value * travel);
}

bool Slider::OnThumb(int pos) const
{
    int start = ThumbPosition();
    return pos >= start && pos < start + ThumbLength();
}

void Slider::SetValue(double newValue)
{
    // NaN fails both comparisons of std::clamp; it becomes 0.
    value = newValue >= 0.0 ? std::min(newValue, 1.0) : 0.0;
    MarkDirtyDeep();
}

void Slider::Draw(Graphics* g)
{
    if (trackImage != nullptr)
    {
        int cellW = horizontal ? trackImage->GetWidth() / 3 : trackImage->GetWidth();
        int cellH = horizontal ? trackImage->GetHeight() : trackImage->GetHeight() / 3;
        if (cellW > 0 && cellH > 0)
        {
            Rect startCell(0, 0, cellW, cellH);
            Rect middleCell = horizontal ? Rect(cellW, 0, cellW, cellH) : Rect(0, cellH, cellW, cellH);
            Rect endCell = horizontal ? Rect(2 * cellW, 0, cellW, cellH) : Rect(0, 2 * cellH, cellW, cellH);
            if (horizontal)
            {
                int trackY = (height - cellH) / 2;
                g->DrawImage(trackImage, 0, trackY, startCell);
                Graphics middle(*g);
                middle.ClipRect(cellW, 0, width - 2 * cellW, height);
                int repeats = (width - cellW - 1) / cellW;
                for (int i = 0; i < repeats; ++i) middle.DrawImage(trackImage, cellW * (i + 1), trackY, middleCell);
                g->DrawImage(trackImage, width - cellW, trackY, endCell);
            }
            else
            {
                g->DrawImage(trackImage, 0, 0, startCell);
                Graphics middle(*g);
                middle.ClipRect(0, cellH, width, height - 2 * cellH);
                int repeats = (height - cellH - 1) / cellH;
                for (int i = 0; i < repeats; ++i) middle.DrawImage(trackImage, 0, cellH * (i + 1), middleCell);
                g->DrawImage(trackImage, 0, height - cellH, endCell);
            }
        }
    }
    else
    {
        // No track image: a dark groove with a light rim along the middle, visible on light and dark windows.
        Rect groove = horizontal ? Rect(0, height / 2 - 3, width, 6) : Rect(width / 2 - 3, 0, 6, height);
        g->SetColor(Color(160, 160, 160));
        g->FillRect(groove);
        g->SetColor(Color(24, 24, 24));
        g->FillRect(groove.mX + 1, groove.mY + 1, groove.mWidth - 2, groove.mHeight - 2);
    }

    if (thumbImage != nullptr)
    {
        if (horizontal)
            g->DrawImage(thumbImage, ThumbPosition(), (height - thumbImage->GetHeight()) / 2);
        else
            g->DrawImage(thumbImage, (width - thumbImage->GetWidth()) / 2, ThumbPosition());
    }
    else
    {
        // No thumb image: a small marker at the value, kept inside the slider.
        constexpr int kMarker = 6;
        int pos =
            std::clamp(static_cast<int>(value * TrackLength()) - kMarker / 2, 0, std::max(0, TrackLength() - kMarker));
        g->SetColor(Color(255, 255, 255));
        if (horizontal)
            g->FillRect(pos, 0, kMarker, height);
        else
            g->FillRect(0, pos, width, kMarker);
    }
}

void Slider::MouseDown(int mx, int my, int clickCode)
{
    (void)clickCode;
    int length = TrackLength();
    // A slider of no length has no value to point at.
    if (length <= 0) return;
    int pos = horizontal ? mx : my;
    if (OnThumb(pos))
    {
        SetAppCursor(CURSOR_DRAGGING);
        dragging = true;
        if (horizontal)
            relX = pos - ThumbPosition();
        else
            relY = pos - ThumbPosition();
    }
    else
    {
        SetValue(static_cast<double>(pos) / length);
    }
}

void Slider::MouseMove(int mx, int my)
{
    SetAppCursor(OnThumb(horizontal ? mx : my) ? CURSOR_DRAGGING : CURSOR_POINTER);
}

void Slider::MouseLeave()
{
    if (!dragging) SetAppCursor(CURSOR_POINTER);
}

void Slider::MouseDrag(int mx, int my)
{
    if (!dragging) return;
    int travel = TrackLength() - ThumbLength();
    // A thumb that fills the track cannot move.
    if (travel <= 0) return;
    double v = horizontal ? double(mx - relX) / travel : double(my - relY) / travel;
    v = std::clamp(v, 0.0, 1.0);
    if (v == value) return;
    value = v;
    MarkDirtyDeep();
    if (listener != nullptr) listener->SliderVal(id, value);
}

void Slider::MouseUp(int mx, int my)
{
    (void)mx;
    (void)my;
    dragging = false;
    SetAppCursor(CURSOR_POINTER);
    if (listener != nullptr) listener->SliderVal(id, value);
}

} // namespace Zest
