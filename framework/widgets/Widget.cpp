// Zest::Widget: state changes that keep the manager and the dirty set right, input hooks, and text helpers.
#include "widgets/Widget.h"

#include <algorithm>
#include <cstdlib>

#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "widgets/WidgetApp.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

Widget::Widget() = default;

Widget::~Widget()
{
    // Owners are meant to remove a widget before deleting it; one that did not must not leave the manager or
    // the parent holding a dangling pointer.
    if (parent != nullptr) parent->RemoveWidget(this);
}

void Widget::OnZOrderChanged() {}

void Widget::SetVisible(bool isVisible)
{
    if (visible == isVisible) return;
    visible = isVisible;
    if (visible)
        MarkDirty();
    else
        MarkDirtyDeep();
    if (widgetManager != nullptr) widgetManager->RefreshMouseOver();
}

void Widget::SetColors(const int (*rows)[4], int count)
{
    colors.clear();
    for (int i = 0; i < count; ++i) SetColor(i, Color(rows[i][0], rows[i][1], rows[i][2], rows[i][3]));
    MarkDirty();
}

void Widget::SetColors(const int (*rows)[3], int count)
{
    colors.clear();
    for (int i = 0; i < count; ++i) SetColor(i, Color(rows[i][0], rows[i][1], rows[i][2]));
    MarkDirty();
}

void Widget::SetColor(int index, const Color& color)
{
    if (index < 0) return;
    if (colors.size() < static_cast<size_t>(index) + 1) colors.resize(static_cast<size_t>(index) + 1);
    colors[static_cast<size_t>(index)] = color;
    MarkDirty();
}

Color Widget::GetColor(int index, const Color& defaultColor) const
{
    if (index < 0 || static_cast<size_t>(index) >= colors.size()) return defaultColor;
    return colors[static_cast<size_t>(index)];
}

const Color& Widget::GetColor(int index) const
{
    static const Color black(0, 0, 0, 255);
    if (index < 0 || static_cast<size_t>(index) >= colors.size()) return black;
    return colors[static_cast<size_t>(index)];
}

void Widget::SetDisabled(bool isDisabled)
{
    if (disabled == isDisabled) return;
    disabled = isDisabled;
    if (disabled && widgetManager != nullptr) widgetManager->DisableWidget(this);
    MarkDirty();
    if (!disabled && widgetManager != nullptr)
    {
        // The manager's mouse position is a screen position, so test it against where the widget is on screen.
        Point abs = GetAbsolutePosition();
        Rect onScreen(abs.mX, abs.mY, width, height);
        if (onScreen.Contains(widgetManager->lastMouseX, widgetManager->lastMouseY))
            widgetManager->HoverStep(widgetManager->lastMouseX, widgetManager->lastMouseY);
    }
}

void Widget::SetHandCursor(bool hand)
{
    if (widgetManager != nullptr && widgetManager->app != nullptr)
        widgetManager->app->SetCursor(hand ? CURSOR_HAND : CURSOR_POINTER);
}

void Widget::Resize(const Rect& rect)
{
    Resize(rect.mX, rect.mY, rect.mWidth, rect.mHeight);
}

void Widget::Resize(int newX, int newY, int newWidth, int newHeight)
{
    if (x == newX && y == newY && width == newWidth && height == newHeight) return;
    MarkDirtyDeep();
    x = newX;
    y = newY;
    width = newWidth;
    height = newHeight;
    MarkDirty();
    if (widgetManager != nullptr) widgetManager->RefreshMouseOver();
}

void Widget::Move(int newX, int newY)
{
    Resize(newX, newY, width, height);
}

bool Widget::WantsFocus()
{
    return wantsFocus;
}

void Widget::DrawOverlay(Graphics* g, int overlayPriority)
{
    (void)overlayPriority;
    DrawOverlay(g);
}

void Widget::DrawOverlay(Graphics* g)
{
    (void)g;
}

void Widget::GotFocus()
{
    hasFocus = true;
}

void Widget::LostFocus()
{
    hasFocus = false;
}

void Widget::KeyChar(char chr)
{
    (void)chr;
}

void Widget::KeyDown(int keyCode)
{
    if (keyCode != 9 || widgetManager == nullptr) return;
    Widget* target = widgetManager->keyDown[16] ? tabPrev : tabNext;
    if (target != nullptr) widgetManager->SetFocus(target);
}

void Widget::KeyUp(int keyCode)
{
    (void)keyCode;
}

void Widget::MouseEnter() {}

void Widget::MouseLeave() {}

void Widget::MouseMove(int mx, int my)
{
    (void)mx;
    (void)my;
}

void Widget::MouseDown(int mx, int my, int button, int clickCount)
{
    (void)mx;
    (void)my;
    (void)button;
    (void)clickCount;
}

namespace
{

// Click code -> (button, click count): 3 is the middle button, negative codes the right one.
void DecodeClick(int clickCode, int& button, int& clickCount)
{
    if (clickCode == 3)
    {
        button = 2;
        clickCount = 1;
    }
    else if (clickCode >= 0)
    {
        button = 0;
        clickCount = clickCode;
    }
    else
    {
        button = 1;
        clickCount = -clickCode;
    }
}

} // namespace

void Widget::MouseDown(int mx, int my, int clickCode)
{
    int button = 0;
    int clickCount = 0;
    DecodeClick(clickCode, button, clickCount);
    MouseDown(mx, my, button, clickCount);
}

void Widget::MouseUp(int mx, int my, int button, int clickCount)
{
    (void)mx;
    (void)my;
    (void)button;
    (void)clickCount;
}

void Widget::MouseUp(int mx, int my, int clickCode)
{
    MouseUp(mx, my);
    int button = 0;
    int clickCount = 0;
    DecodeClick(clickCode, button, clickCount);
    MouseUp(mx, my, button, clickCount);
}

void Widget::MouseUp(int mx, int my)
{
    (void)mx;
    (void)my;
}

void Widget::MouseDrag(int mx, int my)
{
    (void)mx;
    (void)my;
}

void Widget::MouseWheel(int delta)
{
    (void)delta;
}

bool Widget::HitTest(int mx, int my)
{
    (void)mx;
    (void)my;
    return true;
}

Rect Widget::WriteCenteredLine(Graphics* g, int lineY, const std::string& text, const Color& textColor,
                               const Color& shadowColor, const Point& shadowOffset)
{
    Font* font = g->GetFont();
    if (font == nullptr) return Rect();
    int textWidth = font->StringWidth(text);
    int textX = (width - textWidth) / 2;
    g->SetColor(shadowColor);
    g->DrawString(text, textX + shadowOffset.mX, lineY + shadowOffset.mY);
    g->SetColor(textColor);
    g->DrawString(text, textX, lineY);
    return Rect(textX + std::min(shadowOffset.mX, 0), lineY + std::min(shadowOffset.mY, 0) - font->GetAscent(),
                textWidth + std::abs(shadowOffset.mX), font->GetHeight() + std::abs(shadowOffset.mY));
}

Rect Widget::WriteCenteredLine(Graphics* g, int lineY, const std::string& text)
{
    Font* font = g->GetFont();
    if (font == nullptr) return Rect();
    int textWidth = font->StringWidth(text);
    int textX = (width - textWidth) / 2;
    g->DrawString(text, textX, lineY);
    return Rect(textX, lineY - font->GetAscent(), textWidth, font->GetHeight());
}

int Widget::WriteString(Graphics* g, const std::string& text, int tx, int ty, int textWidth, int justification,
                        bool draw, int offset, int length)
{
    if (g->GetFont() == nullptr) return 0;
    bool hadTags = g->mWriteColoredString;
    g->mWriteColoredString = true;
    int result = g->WriteString(text, tx, ty, textWidth, justification, draw, offset, length, -1);
    g->mWriteColoredString = hadTags;
    return result;
}

int Widget::DrawWrappedText(Graphics* g, const Rect& rect, const std::string& text, int lineSpacing, int justification)
{
    if (g->GetFont() == nullptr) return 0;
    bool hadTags = g->mWriteColoredString;
    g->mWriteColoredString = true;
    int result = g->DrawWrappedText(rect, text, lineSpacing, justification);
    g->mWriteColoredString = hadTags;
    return result;
}

int Widget::MeasureWrappedText(Graphics* g, int textWidth, const std::string& text, int lineSpacing)
{
    if (g->GetFont() == nullptr) return 0;
    return g->MeasureWrappedText(textWidth, text, lineSpacing);
}

int Widget::CountDecimalDigits(int value)
{
    int digits = 1;
    int64_t v = value < 0 ? -int64_t(value) : value;
    while (v >= 10)
    {
        v /= 10;
        ++digits;
    }
    return digits;
}

void Widget::DrawDigitsFromStrip(Graphics* g, int value, int dx, int dy, Image* stripImage, int spacing)
{
    // A negative value has no digits in the strip, and there is nothing to cut them from without one.
    if (value < 0 || stripImage == nullptr) return;
    int cellWidth = stripImage->GetWidth() / 10;
    int count = CountDecimalDigits(value);
    int divisor = 1;
    for (int i = 1; i < count; ++i) divisor *= 10;
    int offset = 0;
    for (int i = 0; i < count; ++i)
    {
        int digit = (value / divisor) % 10;
        divisor /= 10;
        std::unique_ptr<Graphics> cell = g->Create();
        cell->ClipRect(dx + offset, dy, cellWidth, stripImage->GetHeight());
        cell->DrawImage(stripImage, dx + offset - digit * cellWidth, dy);
        offset += cellWidth + spacing;
    }
}

bool Widget::Contains(int px, int py) const
{
    return GetRect().Contains(px, py);
}

Rect Widget::GetInsetRect() const
{
    return Rect(x + insets.mLeft, y + insets.mTop, width - insets.mLeft - insets.mRight,
                height - insets.mTop - insets.mBottom);
}

void Widget::Layout(Widget* widget, WidgetContainer* reference, uint32_t flags, int yOffset)
{
    if (widget == nullptr || reference == nullptr) return;
    Rect ref = reference == widget->parent ? Rect(0, 0, reference->width, reference->height) : reference->GetRect();
    int lx = widget->x;
    int ly = widget->y;
    int lw = widget->width;
    int lh = widget->height;
    for (uint32_t bit = 1; bit <= LAYOUT_CENTER_Y; bit <<= 1)
    {
        if ((flags & bit) == 0) continue;
        switch (bit)
        {
        case LAYOUT_WIDTH_OF_REF:
            lw = ref.mWidth;
            break;
        case LAYOUT_HEIGHT_OF_REF:
            lh = ref.mHeight;
            break;
        case LAYOUT_LEFT_ZERO:
            lx = 0;
            break;
        case LAYOUT_TOP_AT_OFFSET:
            ly = yOffset;
            break;
        case LAYOUT_WIDTH_ZERO:
            lw = 0;
            break;
        case LAYOUT_HEIGHT_ZERO:
            lh = 0;
            break;
        case LAYOUT_ABOVE_REF:
            ly = ref.mY - lh + yOffset;
            break;
        case LAYOUT_BELOW_REF:
            ly = ref.mY + ref.mHeight + yOffset;
            break;
        case LAYOUT_RIGHT_OF_REF:
            lx = ref.mX + ref.mWidth;
            break;
        case LAYOUT_LEFT_OF_REF:
            lx = ref.mX - lw;
            break;
        case LAYOUT_ALIGN_LEFT:
            lx = ref.mX;
            break;
        case LAYOUT_ALIGN_RIGHT:
            lx = ref.mX + ref.mWidth - lw;
            break;
        case LAYOUT_ALIGN_TOP:
            ly = ref.mY + yOffset;
            break;
        case LAYOUT_ALIGN_BOTTOM:
            ly = ref.mY + ref.mHeight - lh + yOffset;
            break;
        case LAYOUT_EXTEND_TO_RIGHT:
            lw = ref.mX + ref.mWidth - lx;
            break;
        case LAYOUT_EXTEND_TO_LEFT:
            lw = ref.mX - lx;
            break;
        case LAYOUT_EXTEND_TO_TOP:
            lh = ref.mY - ly;
            break;
        case LAYOUT_EXTEND_TO_BOTTOM:
            lh = ref.mY + ref.mHeight - ly;
            break;
        case LAYOUT_CENTER_X:
            lx = ref.mX + (ref.mWidth - lw) / 2;
            break;
        case LAYOUT_CENTER_Y:
            ly = ref.mY + (ref.mHeight - lh) / 2 + yOffset;
            break;
        default:
            break;
        }
    }
    widget->Resize(lx, ly, lw, lh);
}

} // namespace Zest
