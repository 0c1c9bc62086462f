// Zest::ButtonWidget and Zest::HyperlinkWidget: drawing of the bevel, the state images and the hover fade, and
// the listener calls on press, release, hover and holding.
#include "widgets/ButtonWidget.h"

#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "widgets/ButtonListener.h"
#include "widgets/SystemFonts.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

namespace
{

// Steps such as 0.1 add up to 0.9999999999999999 after ten updates; land them on the ends exactly.
constexpr double kFadeEpsilon = 1e-9;

} // namespace

ButtonWidget::ButtonWidget(int buttonId, ButtonListener* buttonListener) : id(buttonId), listener(buttonListener)
{
    seeThrough = true;
    static const int kDefaultColors[6][3] = {
        {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {255, 255, 255}, {132, 132, 132}, {212, 212, 212},
    };
    SetColors(kDefaultColors, 6);
    dirty = false; // setting the colours marked it; a new widget starts clean
}

ButtonWidget::~ButtonWidget() = default;

void ButtonWidget::EnsureFont(int pointSize, bool bold)
{
    if (font == nullptr) font = MakeDefaultWidgetFont(pointSize, bold);
}

void ButtonWidget::SetFont(Font* newFont)
{
    font = newFont != nullptr ? newFont->Duplicate() : nullptr;
}

bool ButtonWidget::IsButtonDown()
{
    return isDown && isOver && !disabled;
}

void ButtonWidget::DrawButtonImage(Graphics* g, Image* image, const Rect& rect, int dx, int dy)
{
    if (rect.mWidth != 0)
        g->DrawImage(buttonImage, dx, dy, rect);
    else
        g->DrawImage(image, dx, dy);
}

void ButtonWidget::Draw(Graphics* g)
{
    if (noDraw) return;
    if (font == nullptr && !label.empty()) EnsureFont(10, false);

    bool pressed = IsButtonDown() != inverted;

    int labelX = 0;
    int labelY = 0;
    if (font != nullptr)
    {
        int labelWidth = font->StringWidth(label);
        if (labelJustify == 0)
            labelX = (width - labelWidth) / 2;
        else if (labelJustify == 1)
            labelX = width - labelWidth;
        int ascent = font->GetAscent();
        labelY = (height - ascent / 6 - 1 + ascent) / 2;
    }
    g->SetFont(font.get());

    if (buttonImage == nullptr && downImage == nullptr)
    {
        if (!noFrame)
        {
            g->SetColor(GetColor(BUTTON_COLOR_FACE));
            g->FillRect(0, 0, width, height);
        }
        if (pressed)
        {
            if (!noFrame)
            {
                g->SetColor(GetColor(BUTTON_COLOR_DARK_EDGE));
                g->FillRect(0, 0, width - 1, 1);
                g->FillRect(0, 0, 1, height - 1);
                g->SetColor(GetColor(BUTTON_COLOR_LIGHT_EDGE));
                g->FillRect(0, height - 1, width, 1);
                g->FillRect(width - 1, 0, 1, height);
                g->SetColor(GetColor(BUTTON_COLOR_MEDIUM_EDGE));
                g->FillRect(1, 1, width - 3, 1);
                g->FillRect(1, 1, 1, height - 3);
            }
            g->SetColor(GetColor(BUTTON_COLOR_TEXT_HOVER));
            g->DrawString(label, labelX + 1, labelY + 1);
        }
        else
        {
            if (!noFrame)
            {
                g->SetColor(GetColor(BUTTON_COLOR_LIGHT_EDGE));
                g->FillRect(0, 0, width - 1, 1);
                g->FillRect(0, 0, 1, height - 1);
                g->SetColor(GetColor(BUTTON_COLOR_DARK_EDGE));
                g->FillRect(0, height - 1, width, 1);
                g->FillRect(width - 1, 0, 1, height);
                g->SetColor(GetColor(BUTTON_COLOR_MEDIUM_EDGE));
                g->FillRect(1, height - 2, width - 2, 1);
                g->FillRect(width - 2, 1, 1, height - 2);
            }
            g->SetColor(GetColor(isOver ? BUTTON_COLOR_TEXT_HOVER : BUTTON_COLOR_TEXT));
            g->DrawString(label, labelX, labelY);
        }
        return;
    }

    if (pressed)
    {
        if (IsStateDefined(downImage, downRect))
            DrawButtonImage(g, downImage, downRect, 0, 0);
        else if (IsStateDefined(overImage, overRect))
            DrawButtonImage(g, overImage, overRect, 1, 1);
        else if (IsStateDefined(buttonImage, normalRect))
            DrawButtonImage(g, buttonImage, normalRect, 1, 1);
        g->SetColor(GetColor(BUTTON_COLOR_TEXT_HOVER));
        g->DrawString(label, labelX + 1, labelY + 1);
        return;
    }

    if (disabled && IsStateDefined(disabledImage, disabledRect))
    {
        DrawButtonImage(g, disabledImage, disabledRect, 0, 0);
    }
    else if (overAlpha > 0 && IsStateDefined(overImage, overRect))
    {
        if (IsStateDefined(buttonImage, normalRect) && overAlpha < 1.0)
            DrawButtonImage(g, buttonImage, normalRect, 0, 0);
        bool wasColorizing = g->GetColorizeImages();
        g->SetColorizeImages(true);
        g->SetColor(Color(255, 255, 255, static_cast<int>(overAlpha * 255.0)));
        DrawButtonImage(g, overImage, overRect, 0, 0);
        g->SetColorizeImages(wasColorizing);
    }
    else if ((isOver || isDown) && IsStateDefined(overImage, overRect))
    {
        DrawButtonImage(g, overImage, overRect, 0, 0);
    }
    else if (IsStateDefined(buttonImage, normalRect))
    {
        DrawButtonImage(g, buttonImage, normalRect, 0, 0);
    }
    g->SetColor(GetColor(isOver ? BUTTON_COLOR_TEXT_HOVER : BUTTON_COLOR_TEXT));
    g->DrawString(label, labelX, labelY);
}

void ButtonWidget::Update()
{
    Widget::Update();
    if (isDown && isOver && listener != nullptr) listener->ButtonDownTick(id);
    if (!isDown && !isOver && overAlpha > 0)
    {
        if (overAlphaFadeOutSpeed <= 0)
        {
            overAlpha = 0;
        }
        else
        {
            overAlpha -= overAlphaFadeOutSpeed;
            if (overAlpha < kFadeEpsilon) overAlpha = 0;
        }
        MarkDirty();
    }
    if (isOver && overAlphaFadeInSpeed > 0 && overAlpha < 1.0)
    {
        overAlpha += overAlphaFadeInSpeed;
        if (overAlpha > 1.0 - kFadeEpsilon) overAlpha = 1.0;
        MarkDirty();
    }
}

void ButtonWidget::SetDisabled(bool isDisabled)
{
    Widget::SetDisabled(isDisabled);
    if (IsStateDefined(disabledImage, disabledRect)) MarkDirty();
}

void ButtonWidget::MarkDirtyForHover()
{
    if (isDown || IsStateDefined(overImage, overRect) ||
        GetColor(BUTTON_COLOR_TEXT) != GetColor(BUTTON_COLOR_TEXT_HOVER))
        MarkDirty();
}

void ButtonWidget::MouseEnter()
{
    Widget::MouseEnter();
    if (overAlphaFadeInSpeed == 0 && overAlpha > 0) overAlpha = 0;
    MarkDirtyForHover();
    if (listener != nullptr) listener->ButtonMouseEnter(id);
}

void ButtonWidget::MouseLeave()
{
    Widget::MouseLeave();
    if (overAlphaFadeOutSpeed == 0 && overAlpha > 0)
        overAlpha = 0;
    else if (overAlphaFadeOutSpeed > 0 && overAlpha == 0)
        overAlpha = 1.0; // the fade-out starts from full
    MarkDirtyForHover();
    if (listener != nullptr) listener->ButtonMouseLeave(id);
}

void ButtonWidget::MouseMove(int mx, int my)
{
    Widget::MouseMove(mx, my);
    if (listener != nullptr) listener->ButtonMouseMove(id, mx, my);
}

void ButtonWidget::MouseDown(int mx, int my, int button, int clickCount)
{
    Widget::MouseDown(mx, my, button, clickCount);
    // Marked before the listener runs: a listener may close the window that owns this button.
    MarkDirty();
    if (listener != nullptr) listener->ButtonPress(id, clickCount);
}

void ButtonWidget::MouseUp(int mx, int my, int button, int clickCount)
{
    Widget::MouseUp(mx, my, button, clickCount);
    MarkDirty();
    if (isOver && widgetManager != nullptr && widgetManager->hasFocus && listener != nullptr)
        listener->ButtonReleased(id);
}

HyperlinkWidget::HyperlinkWidget(int linkId, ButtonListener* linkListener) : ButtonWidget(linkId, linkListener)
{
    showHandCursor = true;
}

void HyperlinkWidget::Draw(Graphics* g)
{
    if (noDraw) return;
    EnsureFont(10, false);
    g->SetFont(font.get());
    g->SetColor(isOver ? overColor : color);
    int textWidth = font->StringWidth(label);
    int textX = (width - textWidth) / 2;
    int textY = (font->GetAscent() + height) / 2 - 1;
    g->DrawString(label, textX, textY);
    for (int i = 0; i < underlineSize; ++i) g->FillRect(textX, textY + underlineOffset + i, textWidth, 1);
}

// What shows through the text is redrawn with it; marked before the listener hears of the hover.
void HyperlinkWidget::MouseEnter()
{
    MarkDirtyDeep();
    ButtonWidget::MouseEnter();
}

void HyperlinkWidget::MouseLeave()
{
    MarkDirtyDeep();
    ButtonWidget::MouseLeave();
}

} // namespace Zest
