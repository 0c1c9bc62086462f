// Zest::EditWidget: the key state machine, undo, clipboard, limits, scrolling, mouse selection, blinking and drawing.
#include "widgets/EditWidget.h"

#include <algorithm>
#include <cstdlib>

#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "widgets/EditListener.h"
#include "widgets/SystemFonts.h"
#include "widgets/WidgetApp.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

EditWidget::EditWidget(EditListener* editListener) : listener(editListener)
{
    static const int kDefaultColors[5][3] = {
        {255, 255, 255}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {255, 255, 255},
    };
    SetColors(kDefaultColors, 5);
    dirty = false;
}

EditWidget::~EditWidget() = default;

void EditWidget::EnsureFont()
{
    if (font == nullptr) font = MakeDefaultWidgetFont(10);
}

void EditWidget::SetFont(Font* newFont, Font* widthCheckFont)
{
    font = newFont != nullptr ? newFont->Duplicate() : nullptr;
    widthCheckFonts.clear();
    if (widthCheckFont != nullptr) widthCheckFonts.emplace_back(widthCheckFont->Duplicate(), -1);
}

bool EditWidget::IsKeyHeld(int keyCode) const
{
    return widgetManager != nullptr && keyCode >= 0 && static_cast<size_t>(keyCode) < widgetManager->keyDown.size() &&
           widgetManager->keyDown[static_cast<size_t>(keyCode)];
}

void EditWidget::SetAppCursor(int cursorId)
{
    if (widgetManager != nullptr && widgetManager->app != nullptr) widgetManager->app->SetCursor(cursorId);
}

const std::string& EditWidget::GetDisplayString()
{
    if (passwordChar == 0) return text;
    if (passwordDisplay.size() != text.size()) passwordDisplay.assign(text.size(), passwordChar);
    return passwordDisplay;
}

int EditWidget::ShownWidth(int end)
{
    EnsureFont();
    const std::string& display = GetDisplayString();
    const int len = static_cast<int>(display.size());
    const int from = std::clamp(static_cast<int>(leftPos), 0, len);
    const int to = std::clamp(end, from, len);
    return font->StringWidth(display.substr(size_t(from), size_t(to - from)));
}

void EditWidget::SetText(const std::string& newText, bool leaveCursor)
{
    text = newText;
    cursorPos = static_cast<int32_t>(text.size());
    hilitePos = 0;
    if (leaveCursor)
        leftPos = 0;
    else
        FocusCursor(true);
    MarkDirty();
}

bool EditWidget::IsPartOfWord(char chr)
{
    unsigned char c = static_cast<unsigned char>(chr);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

void EditWidget::EraseSelection()
{
    const int len = static_cast<int>(text.size());
    const int start = std::clamp(std::min<int>(cursorPos, hilitePos), 0, len);
    const int end = std::clamp(std::max<int>(cursorPos, hilitePos), 0, len);
    text.erase(size_t(start), size_t(end - start));
    cursorPos = start;
    hilitePos = -1;
}

bool EditWidget::FitsLimits(const std::string& candidate)
{
    if (maxChars != -1 && static_cast<int>(candidate.size()) > maxChars) return false;
    if (widthCheckFonts.empty()) return maxPixels <= 0 || font == nullptr || font->StringWidth(candidate) <= maxPixels;
    for (auto& [checkFont, ownLimit] : widthCheckFonts)
    {
        const int limit = ownLimit > 0 ? ownLimit : maxPixels;
        if (limit > 0 && checkFont != nullptr && checkFont->StringWidth(candidate) > limit) return false;
    }
    return true;
}

void EditWidget::ProcessKey(int keyCode, char chr)
{
    if (keyCode == EDIT_KEY_SHIFT || keyCode == EDIT_KEY_CONTROL) return;
    EnsureFont();
    const bool shift = IsKeyHeld(EDIT_KEY_SHIFT);
    const bool ctrl = IsKeyHeld(EDIT_KEY_CONTROL);
    const unsigned char c = static_cast<unsigned char>(chr);

    bool clearSelection = !shift;
    bool modified = false;
    if (shift && hilitePos == -1) hilitePos = cursorPos;
    const std::string oldText = text;
    const int32_t oldCursor = cursorPos;
    const int32_t oldHilite = hilitePos;
    // Indices from before (a SetText, an undo state) may lie past the text; every case below starts inside it.
    cursorPos = std::clamp<int32_t>(cursorPos, 0, static_cast<int32_t>(text.size()));
    if (hilitePos > static_cast<int32_t>(text.size())) hilitePos = static_cast<int32_t>(text.size());

    if (c == EDIT_CHAR_COPY || c == EDIT_CHAR_CUT)
    {
        if (HasSelection())
        {
            // The shown characters go out, so a password field gives away only its mask.
            const std::string& display = GetDisplayString();
            const int len = static_cast<int>(display.size());
            const int start = std::clamp(std::min<int>(cursorPos, hilitePos), 0, len);
            const int end = std::clamp(std::max<int>(cursorPos, hilitePos), 0, len);
            WidgetApp* app = widgetManager != nullptr ? widgetManager->app : GetWidgetApp();
            if (app != nullptr) app->CopyToClipboard(display.substr(size_t(start), size_t(end - start)));
            if (c == EDIT_CHAR_CUT)
            {
                EraseSelection();
                modified = true;
            }
        }
        if (c == EDIT_CHAR_COPY) clearSelection = false;
    }
    else if (c == EDIT_CHAR_PASTE)
    {
        WidgetApp* app = widgetManager != nullptr ? widgetManager->app : GetWidgetApp();
        std::string clip = app != nullptr ? app->GetClipboard() : std::string();
        clip = clip.substr(0, clip.find_first_of("\r\n"));
        std::string paste;
        for (char pc : clip)
        {
            if (font->CharWidth(pc) > 0 && (listener == nullptr || listener->AllowChar(id, pc))) paste += pc;
        }
        // What does not fit is left out of the paste; the text already there is never cut to make room.
        std::string base = text;
        int32_t at = cursorPos;
        if (HasSelection())
        {
            const int32_t len = static_cast<int32_t>(text.size());
            at = std::clamp<int32_t>(std::min(cursorPos, hilitePos), 0, len);
            base.erase(size_t(at), size_t(std::clamp<int32_t>(std::max(cursorPos, hilitePos), 0, len) - at));
        }
        size_t fits = 0, over = paste.size() + 1;
        while (over - fits > 1)
        {
            const size_t mid = (fits + over) / 2;
            if (FitsLimits(std::string(base).insert(size_t(at), paste, 0, mid)))
                fits = mid;
            else
                over = mid;
        }
        paste.resize(fits);
        if (!paste.empty())
        {
            if (HasSelection()) EraseSelection();
            text.insert(size_t(cursorPos), paste);
            cursorPos += static_cast<int32_t>(paste.size());
            hilitePos = -1;
            modified = true;
        }
    }
    else if (c == EDIT_CHAR_UNDO)
    {
        lastModifyIdx = -1;
        std::swap(text, undoText);
        std::swap(cursorPos, undoCursor);
        std::swap(hilitePos, undoHilitePos);
        clearSelection = false;
    }
    else if (keyCode == EDIT_KEY_LEFT)
    {
        const std::string& display = GetDisplayString();
        if (ctrl)
        {
            while (cursorPos > 0 && !IsPartOfWord(display[size_t(cursorPos) - 1])) --cursorPos;
            while (cursorPos > 0 && IsPartOfWord(display[size_t(cursorPos) - 1])) --cursorPos;
        }
        else if (HasSelection() && !shift)
            cursorPos = std::min(cursorPos, hilitePos);
        else
            --cursorPos;
    }
    else if (keyCode == EDIT_KEY_RIGHT)
    {
        const std::string& display = GetDisplayString();
        const int len = static_cast<int>(display.size());
        if (ctrl)
        {
            // Over the rest of this word, then the gap, so the final step lands at the next word's start.
            while (cursorPos < len - 1 && IsPartOfWord(display[size_t(cursorPos) + 1])) ++cursorPos;
            while (cursorPos < len - 1 && !IsPartOfWord(display[size_t(cursorPos) + 1])) ++cursorPos;
        }
        if (HasSelection() && !shift)
            cursorPos = std::max(cursorPos, hilitePos);
        else
            ++cursorPos;
    }
    else if (keyCode == EDIT_KEY_BACKSPACE)
    {
        if (!text.empty())
        {
            if (HasSelection())
            {
                EraseSelection();
                modified = true;
            }
            else if (cursorPos > 0)
            {
                text.erase(size_t(cursorPos) - 1, 1);
                --cursorPos;
                hilitePos = -1;
                modified = cursorPos != lastModifyIdx;
                lastModifyIdx = cursorPos - 1;
            }
        }
    }
    else if (keyCode == EDIT_KEY_DELETE)
    {
        if (!text.empty())
        {
            if (HasSelection())
            {
                EraseSelection();
                modified = true;
            }
            else if (cursorPos < static_cast<int32_t>(text.size()))
            {
                text.erase(size_t(cursorPos), 1);
                modified = cursorPos != lastModifyIdx;
                lastModifyIdx = cursorPos;
            }
        }
    }
    else if (keyCode == EDIT_KEY_HOME)
    {
        cursorPos = 0;
    }
    else if (keyCode == EDIT_KEY_END)
    {
        cursorPos = static_cast<int32_t>(text.size());
    }
    else if (keyCode == EDIT_KEY_ENTER)
    {
        if (listener != nullptr) listener->EditTextEntered(id, text);
    }
    else
    {
        WidgetApp* app = widgetManager != nullptr ? widgetManager->app : GetWidgetApp();
        const unsigned limit = (app == nullptr || app->ExtendedChars()) ? 255 : 127;
        bool accepted = c >= 32 && c <= limit && font->StringWidth(std::string(1, chr)) >= 1 &&
                        (listener == nullptr || listener->AllowChar(id, chr));
        if (accepted)
        {
            // A character that would not fit is refused; the end of the text is never cut off to make room.
            std::string candidate = text;
            int32_t at = cursorPos;
            if (HasSelection())
            {
                const int32_t len = static_cast<int32_t>(text.size());
                at = std::clamp<int32_t>(std::min(cursorPos, hilitePos), 0, len);
                candidate.erase(size_t(at), size_t(std::clamp<int32_t>(std::max(cursorPos, hilitePos), 0, len) - at));
            }
            candidate.insert(size_t(at), 1, chr);
            accepted = FitsLimits(candidate);
        }
        if (accepted)
        {
            if (HasSelection())
            {
                EraseSelection();
                modified = true;
            }
            else
            {
                modified = cursorPos != lastModifyIdx + 1;
                lastModifyIdx = cursorPos;
            }
            text.insert(size_t(cursorPos), 1, chr);
            ++cursorPos;
            hilitePos = -1;
            FocusCursor(false);
        }
        else
        {
            // Also the 0 that KeyDown passes for keys it does not act on: nothing changes, the selection stays.
            clearSelection = false;
        }
    }

    if (maxChars != -1 && static_cast<int>(text.size()) > maxChars) text.resize(size_t(std::max(0, maxChars)));

    if (maxPixels > 0 || !widthCheckFonts.empty())
    {
        if (widthCheckFonts.empty())
        {
            while (!text.empty() && font->StringWidth(text) > maxPixels) text.pop_back();
        }
        else
        {
            for (auto& [checkFont, ownLimit] : widthCheckFonts)
            {
                const int limit = ownLimit > 0 ? ownLimit : maxPixels;
                if (limit <= 0 || checkFont == nullptr) continue;
                while (!text.empty() && checkFont->StringWidth(text) > limit) text.pop_back();
            }
        }
    }

    const int32_t len = static_cast<int32_t>(text.size());
    cursorPos = std::clamp<int32_t>(cursorPos, 0, len);
    // An undo state or a cut may leave the other end of the selection past the text.
    hilitePos = std::min(hilitePos, len);
    if (cursorPos != oldCursor)
    {
        blinkAcc = 0;
        showingCursor = true;
    }
    FocusCursor(true);

    if (clearSelection || hilitePos == cursorPos) hilitePos = -1;

    if (listener != nullptr && !listener->AllowText(id, text))
    {
        text = oldText;
        cursorPos = oldCursor;
        hilitePos = oldHilite;
        FocusCursor(true);
    }
    else if (modified)
    {
        undoText = oldText;
        undoCursor = oldCursor;
        undoHilitePos = oldHilite;
    }
    MarkDirty();
}

void EditWidget::FocusCursor(bool bigJump)
{
    const int step = bigJump ? 10 : 1;
    // Stops at 0 even for a cursor set below it from outside.
    while (cursorPos < leftPos && leftPos > 0)
    {
        leftPos = std::max(0, leftPos - step);
        MarkDirty();
    }
    if (font == nullptr || width <= 8) return;
    const int len = static_cast<int>(GetDisplayString().size());
    while (leftPos < len - 1 && ShownWidth(cursorPos) >= width - 8)
    {
        leftPos = std::min(len - 1, leftPos + step);
        MarkDirty();
    }
}

int EditWidget::GetCharAt(int mx, int my)
{
    (void)my;
    EnsureFont();
    const int len = static_cast<int>(GetDisplayString().size());
    // A click left of the first shown character lands before it, not at the start of the hidden part.
    int result = std::clamp(static_cast<int>(leftPos), 0, len);
    for (int i = result; i < len; ++i)
    {
        const int w1 = ShownWidth(i);
        const int w2 = ShownWidth(i + 1);
        if ((w1 + w2) / 2 + 5 <= mx) result = i + 1;
    }
    return result;
}

void EditWidget::HiliteWord()
{
    const std::string& display = GetDisplayString();
    const int len = static_cast<int>(display.size());
    cursorPos = std::clamp<int32_t>(cursorPos, 0, len);
    if (cursorPos >= len) return;
    hilitePos = cursorPos;
    while (hilitePos > 0 && IsPartOfWord(display[size_t(hilitePos) - 1])) --hilitePos;
    while (cursorPos < len - 1 && IsPartOfWord(display[size_t(cursorPos) + 1])) ++cursorPos;
    if (cursorPos < len) ++cursorPos;
}

void EditWidget::MarkDirty()
{
    // A see-through background needs what lies behind it redrawn too.
    if (GetColor(EDIT_COLOR_BACKGROUND).mAlpha != 255)
        MarkDirtyDeep();
    else
        Widget::MarkDirty();
}

void EditWidget::MoveSystemCaret()
{
    WidgetApp* app = widgetManager != nullptr ? widgetManager->app : nullptr;
    if (app == nullptr || !app->SystemCaret()) return;
    Point abs = GetAbsolutePosition();
    app->ShowSystemCaret(abs.mX, abs.mY, height);
}

void EditWidget::Update()
{
    Widget::Update();
    if (!hasFocus) return;
    if (++blinkAcc > blinkDelay)
    {
        MarkDirty();
        blinkAcc = 0;
        showingCursor = !showingCursor;
    }
    MoveSystemCaret();
}

void EditWidget::Draw(Graphics* g)
{
    EnsureFont();
    g->SetColor(GetColor(EDIT_COLOR_BACKGROUND));
    g->FillRect(0, 0, width, height);

    const std::string& display = GetDisplayString();
    const int len = static_cast<int>(display.size());
    const std::string shown = display.substr(size_t(std::clamp(static_cast<int>(leftPos), 0, len)));
    const int fontHeight = font->GetHeight();
    const int baseline = font->GetAscent() + (height - fontHeight) / 2;

    Graphics pass0(*g);
    pass0.SetFont(font.get());
    pass0.ClipRect(4, 0, width - 8, height);
    pass0.SetColor(GetColor(EDIT_COLOR_TEXT));
    pass0.DrawString(shown, 4, baseline);

    int a = ShownWidth(cursorPos);
    int b = HasSelection() ? ShownWidth(hilitePos) : a + 2;
    if (!showingCursor) a += 2;
    const int maxX = std::max(0, width - 8);
    a = std::clamp(a, 0, maxX);
    b = std::clamp(b, 0, maxX);
    Graphics pass1(*g);
    pass1.SetFont(font.get());
    pass1.ClipRect(std::min(a, b) + 4, (height - fontHeight) / 2, std::abs(b - a), fontHeight);
    if (hasFocus || drawSelOverride)
    {
        pass1.SetColor(GetColor(EDIT_COLOR_CURSOR));
        pass1.FillRect(0, 0, width, height);
        pass1.SetColor(GetColor(EDIT_COLOR_BLOCK_TEXT));
    }
    else
    {
        pass1.SetColor(GetColor(EDIT_COLOR_TEXT));
    }
    pass1.DrawString(shown, 4, baseline);

    g->SetColor(GetColor(EDIT_COLOR_OUTLINE));
    g->DrawRect(0, 0, width - 1, height - 1);
}

void EditWidget::Resize(int newX, int newY, int newWidth, int newHeight)
{
    Widget::Resize(newX, newY, newWidth, newHeight);
    FocusCursor(false);
}

bool EditWidget::WantsFocus()
{
    return true;
}

void EditWidget::GotFocus()
{
    Widget::GotFocus();
    showingCursor = true;
    blinkAcc = 0;
    MarkDirty();
    MoveSystemCaret();
}

void EditWidget::LostFocus()
{
    Widget::LostFocus();
    showingCursor = false;
    MarkDirty();
    WidgetApp* app = widgetManager != nullptr ? widgetManager->app : nullptr;
    if (app != nullptr && app->SystemCaret()) app->HideSystemCaret();
}

void EditWidget::KeyChar(char chr)
{
    ProcessKey(0, chr);
}

void EditWidget::KeyDown(int keyCode)
{
    // Letters arrive as characters; their key downs would only repeat them.
    if ((keyCode < 65 || keyCode > 89) && (listener == nullptr || listener->AllowKey(id, keyCode)))
        ProcessKey(keyCode, 0);
    Widget::KeyDown(keyCode);
}

void EditWidget::MouseEnter()
{
    Widget::MouseEnter();
    SetAppCursor(CURSOR_TEXT);
}

void EditWidget::MouseLeave()
{
    Widget::MouseLeave();
    SetAppCursor(CURSOR_POINTER);
}

void EditWidget::MouseDown(int mx, int my, int button, int clickCount)
{
    Widget::MouseDown(mx, my, button, clickCount);
    hilitePos = -1;
    cursorPos = GetCharAt(mx, my);
    if (clickCount > 1)
    {
        hadDoubleClick = true;
        HiliteWord();
    }
    MarkDirty();
    FocusCursor(false);
}

void EditWidget::MouseUp(int mx, int my, int button, int clickCount)
{
    Widget::MouseUp(mx, my, button, clickCount);
    if (hilitePos == cursorPos) hilitePos = -1;
    if (hadDoubleClick)
    {
        hilitePos = -1;
        cursorPos = GetCharAt(mx, my);
        hadDoubleClick = false;
        HiliteWord();
    }
    MarkDirty();
}

void EditWidget::MouseDrag(int mx, int my)
{
    Widget::MouseDrag(mx, my);
    if (hilitePos == -1) hilitePos = cursorPos;
    cursorPos = GetCharAt(mx, my);
    MarkDirty();
    FocusCursor(false);
}

} // namespace Zest
