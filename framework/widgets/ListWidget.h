// Zest::ListWidget: a vertical list of text lines with a hilited and a selected line, per-line colours, sorting and
// a scroll position; several lists chained side by side form the columns of one table.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "graphics/Color.h"
#include "widgets/ScrollListener.h"
#include "widgets/Widget.h"

namespace Zest
{

class Font;
class ListListener;

// What a list asks of the scroll bar that drives it. The bar tells its ScrollListener (the list) its new value
// through ScrollPosition whenever it moves.
class ScrollBarWidget : public Widget
{
public:
    virtual void SetMaxValue(double maxValue) = 0;
    virtual void SetPageSize(double pageSize) = 0;
    virtual void SetValue(double newValue) = 0;
    virtual double GetValue() = 0;
};

// Colour slots of a list.
enum ListColor : int
{
    LIST_COLOR_BACKGROUND = 0,
    LIST_COLOR_OUTLINE = 1,
    LIST_COLOR_NEW_LINE = 2,
    LIST_COLOR_HILITE_TEXT = 3,
    LIST_COLOR_SELECT_BAR = 4,
    LIST_COLOR_SELECT_TEXT = 5,
};

class ListWidget : public Widget, public ScrollListener
{
public:
    int32_t id = 3;
    // Not owned; the game's list font by default (see WidgetDefaults).
    Font* font;
    // Not owned.
    ScrollBarWidget* scrollBar = nullptr;
    // 0 left, 1 centred, anything else right.
    int32_t justify = 0;
    std::vector<std::string> lines;
    std::vector<Color> lineColors;
    // The row shown at the top (may be fractional) and the number of rows that fit.
    double position = 0.0;
    double pageSize = 0.0;
    int32_t hiliteIndex = -1;
    int32_t selectIndex = -1;
    // Not owned; may be null.
    ListListener* listener;
    // The chain of columns; the head has no prevColumn.
    ListWidget* prevColumn = nullptr;
    ListWidget* nextColumn = nullptr;
    bool childKeyFirst = false;
    bool drawOutline = true;
    int32_t maxNumericPlaces = 0;
    // -1: the font's height.
    int32_t itemHeight;
    bool drawSelectWhenHilited = false;
    bool handWhenHilited = true;

    // The id starts as 3 and the font as the game's list font; both may be changed afterwards.
    explicit ListWidget(ListListener* listListener);
    ~ListWidget() override;

    virtual std::string GetSortKey(int index);
    virtual void Sort(bool ascending);
    virtual std::string GetStringAt(int index);
    virtual int AddLine(const std::string& text, bool sorted);
    virtual void SetLine(int index, const std::string& text);
    virtual int GetLineCount();
    virtual int GetLineIdx(const std::string& text);
    virtual void SetColor(const std::string& text, const Color& color);
    virtual void SetLineColor(int index, const Color& color);
    virtual void RemoveLine(int index);
    virtual void RemoveAll();
    virtual int GetOptimalWidth();
    virtual int GetOptimalHeight();
    virtual void SetSelect(int index);

    using Widget::MouseDown;
    using Widget::Resize;
    using Widget::SetColor;
    void RemovedFromManager(WidgetManager* manager) override;
    void Draw(Graphics* g) override;
    void OnZOrderChanged() override;
    void Resize(int newX, int newY, int newWidth, int newHeight) override;
    void MouseLeave() override;
    void MouseMove(int mx, int my) override;
    void MouseDown(int mx, int my, int button, int clickCount) override;
    void MouseWheel(int delta) override;
    void ScrollPosition(int scrollId, double newPosition) override;

    // Every column of the chain this list belongs to, head first.
    std::vector<ListWidget*> Columns();
    // The height of one row, never below 1.
    int RowHeight();
    // Stores the hilited row and tells the listener when it changed.
    void SetHilite(int index);

private:
    // The font drawing and measuring use: the one given, else a plain system face made on first use.
    Font* DrawFont();
    void UpdateScrollMax();

    std::unique_ptr<Font> fallbackFont;
};

} // namespace Zest
