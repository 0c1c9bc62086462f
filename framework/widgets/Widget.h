// Zest::Widget: the base of every control and window: visibility, enabled state, focus, mouse state, colours,
// insets, tab links, the mouse and key hooks, and text and digit drawing helpers.
#pragma once

#include <string>
#include <vector>

#include "graphics/Color.h"
#include "graphics/DrawRecord.h"
#include "graphics/Rect.h"
#include "widgets/WidgetContainer.h"

namespace Zest
{

class Font;
class Image;

// Layout bits of Widget::Layout, applied in rising order, each seeing the results of the ones before it.
// 0x4 and 0x8 do nothing.
enum LayoutFlags : uint32_t
{
    LAYOUT_WIDTH_OF_REF = 0x1,         // w = ref.w
    LAYOUT_HEIGHT_OF_REF = 0x2,        // h = ref.h
    LAYOUT_LEFT_ZERO = 0x10,           // x = 0
    LAYOUT_TOP_AT_OFFSET = 0x20,       // y = yOffset
    LAYOUT_WIDTH_ZERO = 0x40,          // w = 0
    LAYOUT_HEIGHT_ZERO = 0x80,         // h = 0
    LAYOUT_ABOVE_REF = 0x100,          // y = ref.y - h + yOffset
    LAYOUT_BELOW_REF = 0x200,          // y = ref.y + ref.h + yOffset
    LAYOUT_RIGHT_OF_REF = 0x400,       // x = ref.x + ref.w
    LAYOUT_LEFT_OF_REF = 0x800,        // x = ref.x - w
    LAYOUT_ALIGN_LEFT = 0x1000,        // x = ref.x
    LAYOUT_ALIGN_RIGHT = 0x2000,       // x = ref.x + ref.w - w
    LAYOUT_ALIGN_TOP = 0x4000,         // y = ref.y + yOffset
    LAYOUT_ALIGN_BOTTOM = 0x8000,      // y = ref.y + ref.h - h + yOffset
    LAYOUT_EXTEND_TO_RIGHT = 0x10000,  // w = ref.x + ref.w - x
    LAYOUT_EXTEND_TO_LEFT = 0x20000,   // w = ref.x - x
    LAYOUT_EXTEND_TO_TOP = 0x40000,    // h = ref.y - y
    LAYOUT_EXTEND_TO_BOTTOM = 0x80000, // h = ref.y + ref.h - y
    LAYOUT_CENTER_X = 0x100000,        // x = ref.x + (ref.w - w) / 2
    LAYOUT_CENTER_Y = 0x200000,        // y = ref.y + (ref.h - h) / 2 + yOffset
};

class Widget : public WidgetContainer
{
public:
    bool visible = true;
    bool mouseVisible = true;
    bool disabled = false;
    bool hasFocus = false;
    bool isDown = false;
    bool isOver = false;
    // A second see-through mark: a translucent widget never counts as an opaque cover.
    bool translucent = false;
    // A top-level widget that paints every pixel of the screen opaquely, whatever lay there before, may be redrawn
    // only where its drawing changed since the last frame (see WidgetManager::DrawScreen).
    bool drawsByRegion = false;
    // The manager's notes of its last drawing, the pass they belong to, and what others drew over it since (with
    // the widget that drew each part; null for none in particular). A widget drawn over a region widget keeps its
    // notes too, so that it need not be drawn again when it draws the same over an unchanged part.
    std::vector<DrawNote> regionNotes;
    uint64_t regionPass = 0;
    std::vector<std::pair<const Widget*, Rect>> regionOverdrawn;
    std::vector<Color> colors;
    Insets insets;
    bool showHandCursor = false;
    bool wantsFocus = false;
    Widget* tabPrev = nullptr;
    Widget* tabNext = nullptr;

    Widget();
    // A widget still attached to a parent takes itself out of the tree (and so out of its manager) first.
    ~Widget() override;

    using WidgetContainer::MarkDirty;
    using WidgetContainer::MarkDirtyDeep;

    virtual void OnZOrderChanged();
    virtual void SetVisible(bool isVisible);
    virtual void SetColors(const int (*rows)[4], int count);
    virtual void SetColors(const int (*rows)[3], int count);
    virtual void SetColor(int index, const Color& color);
    virtual Color GetColor(int index, const Color& defaultColor) const;
    virtual const Color& GetColor(int index) const;
    virtual void SetDisabled(bool isDisabled);
    virtual void SetHandCursor(bool hand);
    virtual void Resize(const Rect& rect);
    virtual void Resize(int newX, int newY, int newWidth, int newHeight);
    virtual void Move(int newX, int newY);
    virtual bool WantsFocus();
    virtual void DrawOverlay(Graphics* g, int overlayPriority);
    virtual void DrawOverlay(Graphics* g);
    virtual void GotFocus();
    virtual void LostFocus();
    virtual void KeyChar(char chr);
    virtual void KeyDown(int keyCode);
    virtual void KeyUp(int keyCode);
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void MouseMove(int mx, int my);
    // button: 0 left, 1 right, 2 middle.
    virtual void MouseDown(int mx, int my, int button, int clickCount);
    // Click codes as the manager receives them: 1 left, 2 left double, -1 right, -2 right double, 3 middle.
    virtual void MouseDown(int mx, int my, int clickCode);
    virtual void MouseUp(int mx, int my, int button, int clickCount);
    virtual void MouseUp(int mx, int my, int clickCode);
    virtual void MouseUp(int mx, int my);
    virtual void MouseDrag(int mx, int my);
    virtual void MouseWheel(int delta);
    virtual bool HitTest(int mx, int my);
    virtual Rect WriteCenteredLine(Graphics* g, int lineY, const std::string& text, const Color& textColor,
                                   const Color& shadowColor, const Point& shadowOffset);
    virtual Rect WriteCenteredLine(Graphics* g, int lineY, const std::string& text);
    virtual int WriteString(Graphics* g, const std::string& text, int tx, int ty, int textWidth, int justification,
                            bool draw = true, int offset = 0, int length = -1);
    virtual int DrawWrappedText(Graphics* g, const Rect& rect, const std::string& text, int lineSpacing,
                                int justification);
    virtual int MeasureWrappedText(Graphics* g, int textWidth, const std::string& text, int lineSpacing);
    virtual int CountDecimalDigits(int value);
    virtual void DrawDigitsFromStrip(Graphics* g, int value, int dx, int dy, Image* stripImage, int spacing);
    virtual bool Contains(int px, int py) const;
    virtual Rect GetInsetRect() const;

    // Sets the widget's rectangle from the reference's: (0, 0, w, h) when the reference is the widget's parent,
    // else the reference's own (x, y, w, h). See LayoutFlags.
    static void Layout(Widget* widget, WidgetContainer* reference, uint32_t flags, int yOffset);
};

} // namespace Zest
