// Zest::ListWidget: rows kept equal across the column chain, sorted inserts and sorting, hilite and selection,
// the scroll position and drawing of the visible rows.
#include "widgets/ListWidget.h"

#include <algorithm>
#include <cmath>

#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "widgets/ListListener.h"
#include "widgets/SystemFonts.h"
#include "widgets/WidgetApp.h"
#include "widgets/WidgetDefaults.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

namespace
{

// A chain longer than this can only be a loop of columns linked by mistake.
constexpr int kMaxColumns = 256;

} // namespace

ListWidget::ListWidget(ListListener* listListener)
    : font(GetWidgetDefaults().listFont), listener(listListener), itemHeight(font != nullptr ? font->GetHeight() : -1)
{
    static const int kDefaultColors[6][3] = {
        {255, 255, 255}, {255, 255, 255}, {0, 0, 0}, {0, 192, 0}, {0, 0, 128}, {255, 255, 255},
    };
    SetColors(kDefaultColors, 6);
    dirty = false;
}

ListWidget::~ListWidget() = default;

std::vector<ListWidget*> ListWidget::Columns()
{
    ListWidget* head = this;
    for (int i = 0; i < kMaxColumns && head->prevColumn != nullptr; ++i) head = head->prevColumn;
    std::vector<ListWidget*> columns;
    for (ListWidget* column = head; column != nullptr && columns.size() < size_t(kMaxColumns);
         column = column->nextColumn)
        columns.push_back(column);
    return columns;
}

Font* ListWidget::DrawFont()
{
    if (font != nullptr) return font;
    if (fallbackFont == nullptr) fallbackFont = MakeDefaultWidgetFont(10);
    return fallbackFont.get();
}

int ListWidget::RowHeight()
{
    int rowHeight = itemHeight;
    if (rowHeight == -1)
    {
        Font* f = DrawFont();
        rowHeight = f != nullptr ? f->GetHeight() : 1;
    }
    // A row of no height would divide by zero when the mouse or the page size is worked out.
    return std::max(1, rowHeight);
}

void ListWidget::UpdateScrollMax()
{
    if (scrollBar != nullptr) scrollBar->SetMaxValue(static_cast<double>(lines.size()));
}

std::string ListWidget::GetSortKey(int index)
{
    std::string key;
    if (index >= 0 && static_cast<size_t>(index) < lines.size()) key = lines[static_cast<size_t>(index)];
    if (static_cast<int>(key.size()) < maxNumericPlaces) key.insert(0, size_t(maxNumericPlaces) - key.size(), '0');
    if (nextColumn != nullptr)
    {
        std::string childKey = nextColumn->GetSortKey(index);
        key = childKeyFirst ? childKey + key : key + childKey;
    }
    return key;
}

void ListWidget::Sort(bool ascending)
{
    const int count = static_cast<int>(lines.size());
    std::vector<std::string> keys(static_cast<size_t>(count));
    std::vector<int> order(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
    {
        keys[size_t(i)] = GetSortKey(i);
        order[size_t(i)] = i;
    }
    // A bubble sort: rows with equal keys keep their order. std::string compares unsigned bytes, then length.
    for (int pass = 0; pass < count - 1; ++pass)
    {
        for (int j = 0; j < count - 1 - pass; ++j)
        {
            const std::string& a = keys[size_t(j)];
            const std::string& b = keys[size_t(j) + 1];
            if (ascending ? b < a : a < b)
            {
                std::swap(keys[size_t(j)], keys[size_t(j) + 1]);
                std::swap(order[size_t(j)], order[size_t(j) + 1]);
            }
        }
    }
    for (ListWidget* column : Columns())
    {
        std::vector<std::string> newLines;
        std::vector<Color> newColors;
        for (int from : order)
        {
            // A column shorter than this one (rows added behind the chain's back) keeps only what it has.
            if (static_cast<size_t>(from) < column->lines.size()) newLines.push_back(column->lines[size_t(from)]);
            if (static_cast<size_t>(from) < column->lineColors.size())
                newColors.push_back(column->lineColors[size_t(from)]);
        }
        column->lines = std::move(newLines);
        column->lineColors = std::move(newColors);
        column->MarkDirty();
    }
}

std::string ListWidget::GetStringAt(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= lines.size()) return std::string();
    return lines[static_cast<size_t>(index)];
}

int ListWidget::AddLine(const std::string& text, bool sorted)
{
    size_t at = lines.size();
    if (sorted)
    {
        for (size_t i = 0; i < lines.size(); ++i)
        {
            if (text < lines[i])
            {
                at = i;
                break;
            }
        }
    }
    for (ListWidget* column : Columns())
    {
        size_t lineAt = std::min(at, column->lines.size());
        column->lines.insert(column->lines.begin() + static_cast<ptrdiff_t>(lineAt), column == this ? text : "-");
        size_t colorAt = std::min(at, column->lineColors.size());
        column->lineColors.insert(column->lineColors.begin() + static_cast<ptrdiff_t>(colorAt),
                                  GetColor(LIST_COLOR_NEW_LINE));
        column->MarkDirty();
    }
    UpdateScrollMax();
    return static_cast<int>(at);
}

void ListWidget::SetLine(int index, const std::string& text)
{
    if (index < 0 || static_cast<size_t>(index) >= lines.size()) return;
    lines[static_cast<size_t>(index)] = text;
    MarkDirty();
}

int ListWidget::GetLineCount()
{
    return static_cast<int>(lines.size());
}

int ListWidget::GetLineIdx(const std::string& text)
{
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == text) return static_cast<int>(i);
    return -1;
}

void ListWidget::SetColor(const std::string& text, const Color& color)
{
    SetLineColor(GetLineIdx(text), color);
}

void ListWidget::SetLineColor(int index, const Color& color)
{
    if (index < 0 || static_cast<size_t>(index) >= lines.size()) return;
    for (ListWidget* column : Columns())
    {
        if (static_cast<size_t>(index) < column->lineColors.size()) column->lineColors[size_t(index)] = color;
        column->MarkDirty();
    }
}

void ListWidget::RemoveLine(int index)
{
    if (index >= 0 && static_cast<size_t>(index) < lines.size())
    {
        for (ListWidget* column : Columns())
        {
            if (static_cast<size_t>(index) < column->lines.size()) column->lines.erase(column->lines.begin() + index);
            if (static_cast<size_t>(index) < column->lineColors.size())
                column->lineColors.erase(column->lineColors.begin() + index);
            // A hilite or selection past the new end would point at no row.
            const int rows = static_cast<int>(column->lines.size());
            if (column->hiliteIndex >= rows) column->hiliteIndex = -1;
            if (column->selectIndex >= rows) column->selectIndex = -1;
            column->MarkDirty();
        }
    }
    UpdateScrollMax();
}

void ListWidget::RemoveAll()
{
    for (ListWidget* column : Columns())
    {
        column->lines.clear();
        column->lineColors.clear();
        column->hiliteIndex = -1;
        column->selectIndex = -1;
        column->MarkDirty();
    }
    UpdateScrollMax();
}

int ListWidget::GetOptimalWidth()
{
    Font* f = DrawFont();
    int widest = 0;
    if (f != nullptr)
        for (const std::string& line : lines) widest = std::max(widest, f->StringWidth(line));
    return widest + 16;
}

int ListWidget::GetOptimalHeight()
{
    return static_cast<int>(lines.size()) * RowHeight() + 8;
}

void ListWidget::SetSelect(int index)
{
    // The index is kept as given: drawing marks only rows that exist, and a row added later at that index shows
    // as selected.
    for (ListWidget* column : Columns())
    {
        column->selectIndex = index;
        column->MarkDirty();
    }
}

void ListWidget::SetHilite(int index)
{
    int old = hiliteIndex;
    hiliteIndex = index;
    if (old != index && listener != nullptr) listener->ListHiliteChanged(id, old, index);
}

void ListWidget::RemovedFromManager(WidgetManager* manager)
{
    Widget::RemovedFromManager(manager);
    if (listener != nullptr) listener->ListClosed(id);
}

void ListWidget::Resize(int newX, int newY, int newWidth, int newHeight)
{
    Widget::Resize(newX, newY, newWidth, newHeight);
    int rowHeight = RowHeight();
    pageSize = rowHeight + 8 < height ? (height - 8.0) / rowHeight : 1.0;
    if (scrollBar != nullptr) scrollBar->SetPageSize(pageSize);
}

void ListWidget::Draw(Graphics* g)
{
    g->SetColor(GetColor(LIST_COLOR_BACKGROUND));
    g->FillRect(0, 0, width, height);

    Font* f = DrawFont();
    Graphics text(*g);
    text.ClipRect(4, 4, width - 8, height - 8);
    text.SetFont(f);
    Graphics bars(*g);
    bars.ClipRect(0, 4, width, height - 8);

    const int rowHeight = RowHeight();
    const int fontHeight = f != nullptr ? f->GetHeight() : rowHeight;
    const int ascent = f != nullptr ? f->GetAscent() : 0;
    const int textOffset = itemHeight != -1 ? (itemHeight - fontHeight) / 2 : 0;
    const int count = static_cast<int>(lines.size());
    // A position from the scroll bar may lie outside the rows (or not be a number at all).
    const double top = std::isfinite(position) ? position : 0.0;
    const double page = std::isfinite(pageSize) ? std::clamp(pageSize, 0.0, double(count)) : 0.0;
    const int first = std::max(0, static_cast<int>(std::clamp(top, -1.0, double(count))));
    const int last =
        std::min(static_cast<int>(std::clamp(top, -1.0, double(count))) + static_cast<int>(page) + 1, count - 1);

    for (int i = first; i <= last; ++i)
    {
        const int rowY = static_cast<int>((i - top) * rowHeight) + 4;
        if (i == selectIndex || (i == hiliteIndex && drawSelectWhenHilited))
        {
            bars.SetColor(GetColor(LIST_COLOR_SELECT_BAR));
            bars.FillRect(0, rowY, width, rowHeight);
        }
        Color textColor = static_cast<size_t>(i) < lineColors.size() ? lineColors[size_t(i)] : GetColor(2);
        if (i == hiliteIndex)
            textColor = GetColor(LIST_COLOR_HILITE_TEXT);
        else if (i == selectIndex && colors.size() > 5)
            textColor = GetColor(LIST_COLOR_SELECT_TEXT);
        const std::string& line = lines[size_t(i)];
        const int textWidth = f != nullptr ? f->StringWidth(line) : 0;
        int textX = 4;
        if (justify == 1)
            textX = (width - textWidth) / 2;
        else if (justify != 0)
            textX = width - textWidth - 4;
        text.SetColor(textColor);
        text.DrawString(line, textX, ascent + rowY + textOffset);
    }

    if (drawOutline)
    {
        g->SetColor(GetColor(LIST_COLOR_OUTLINE));
        g->DrawRect(0, 0, width - 1, height - 1);
    }
}

void ListWidget::OnZOrderChanged()
{
    if (widgetManager == nullptr) return;
    if (nextColumn != nullptr) widgetManager->MoveInFrontOf(nextColumn, this);
    if (scrollBar != nullptr) widgetManager->MoveInFrontOf(scrollBar, this);
}

void ListWidget::MouseMove(int mx, int my)
{
    const double rowAt = (my - 4) / static_cast<double>(RowHeight()) + position;
    // Truncation toward zero: the 4-pixel margin above the first row still counts as that row.
    int row = std::isfinite(rowAt) ? static_cast<int>(std::clamp(rowAt, -1.0, double(lines.size()))) : -1;
    if (row < 0 || row >= static_cast<int>(lines.size())) row = -1;
    (void)mx;
    if (row != hiliteIndex)
    {
        for (ListWidget* column : Columns())
        {
            column->SetHilite(row);
            column->MarkDirty();
        }
    }
    if (widgetManager != nullptr && widgetManager->app != nullptr)
        widgetManager->app->SetCursor(hiliteIndex != -1 && handWhenHilited ? CURSOR_HAND : CURSOR_POINTER);
}

void ListWidget::MouseLeave()
{
    Widget::MouseLeave();
    for (ListWidget* column : Columns())
    {
        column->SetHilite(-1);
        column->MarkDirty();
    }
    if (widgetManager != nullptr && widgetManager->app != nullptr) widgetManager->app->SetCursor(CURSOR_POINTER);
}

void ListWidget::MouseDown(int mx, int my, int button, int clickCount)
{
    Widget::MouseDown(mx, my, button, clickCount);
    if (hiliteIndex != -1 && listener != nullptr) listener->ListClicked(id, hiliteIndex, clickCount);
}

void ListWidget::MouseWheel(int delta)
{
    if (scrollBar == nullptr) return;
    if (delta > 0)
        scrollBar->SetValue(scrollBar->GetValue() - 5.0);
    else if (delta < 0)
        scrollBar->SetValue(scrollBar->GetValue() + 5.0);
}

void ListWidget::ScrollPosition(int scrollId, double newPosition)
{
    if (nextColumn != nullptr && nextColumn != this) nextColumn->ScrollPosition(scrollId, newPosition);
    position = newPosition;
    MarkDirty();
}

} // namespace Zest
