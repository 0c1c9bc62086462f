// Zest::EditWidget: the single-line text field: cursor and selection, horizontal scrolling, a blinking cursor,
// clipboard, one level of undo, length limits, a password mask, and listener filters for keys, characters and
// whole edits.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "widgets/Widget.h"

namespace Zest
{

class EditListener;
class Font;

// Colour slots of an edit field.
enum EditColor : int
{
    EDIT_COLOR_BACKGROUND = 0,
    EDIT_COLOR_OUTLINE = 1,
    EDIT_COLOR_TEXT = 2,
    EDIT_COLOR_CURSOR = 3,     // the cursor and the selection block
    EDIT_COLOR_BLOCK_TEXT = 4, // text inside the block
};

// Key codes the field acts on.
enum EditKey : int
{
    EDIT_KEY_BACKSPACE = 8,
    EDIT_KEY_ENTER = 13,
    EDIT_KEY_SHIFT = 16,
    EDIT_KEY_CONTROL = 17,
    EDIT_KEY_END = 35,
    EDIT_KEY_HOME = 36,
    EDIT_KEY_LEFT = 37,
    EDIT_KEY_RIGHT = 39,
    EDIT_KEY_DELETE = 46,
};

// The control characters the keyboard sends with Ctrl held, which the field takes as commands.
enum EditControlChar : unsigned char
{
    EDIT_CHAR_COPY = 3,   // Ctrl+C
    EDIT_CHAR_PASTE = 22, // Ctrl+V
    EDIT_CHAR_CUT = 24,   // Ctrl+X
    EDIT_CHAR_UNDO = 26,  // Ctrl+Z
};

// The text is bytes, one character each (Latin-1): what the fonts draw and what a stored name holds.
class EditWidget : public Widget
{
public:
    int32_t id = 2;
    std::string text;
    // The masked text, rebuilt when its length differs from the text's.
    std::string passwordDisplay;
    // Owned duplicates.
    std::unique_ptr<Font> font;
    // Further fonts the text must fit in, each with its own pixel limit (-1: maxPixels).
    std::vector<std::pair<std::unique_ptr<Font>, int>> widthCheckFonts;
    // Not owned; may be null.
    EditListener* listener;
    bool showingCursor = false;
    // Draw the selection even without the focus.
    bool drawSelOverride = false;
    bool hadDoubleClick = false;
    int32_t cursorPos = 0;
    // The other end of the selection; -1 (or equal to cursorPos) means none.
    int32_t hilitePos = -1;
    int32_t blinkAcc = 0;
    int32_t blinkDelay = 40;
    // The first character shown.
    int32_t leftPos = 0;
    // -1: no limit.
    int32_t maxChars = -1;
    // Above 0: the text's width in the font is capped.
    int32_t maxPixels = -1;
    // When not 0 the text is shown, and copied, as this character repeated.
    char passwordChar = 0;
    std::string undoText;
    int32_t undoCursor = 0;
    int32_t undoHilitePos = 0;
    // Where the last single-character edit happened: a run of typing or deleting is one undo step.
    int32_t lastModifyIdx = 0;

    // The id starts as 2; set it when a window holds several fields.
    explicit EditWidget(EditListener* editListener);
    ~EditWidget() override;

    virtual void ProcessKey(int keyCode, char chr);
    virtual void HiliteWord();
    // Keeps duplicates of both; a null width-check font leaves none.
    virtual void SetFont(Font* newFont, Font* widthCheckFont = nullptr);
    // Selects the whole new text; with leaveCursor the view starts at its first character.
    virtual void SetText(const std::string& newText, bool leaveCursor = false);
    virtual bool IsPartOfWord(char chr);
    // The cursor position a click at (x, y) lands on.
    virtual int GetCharAt(int mx, int my);
    virtual void FocusCursor(bool bigJump);

    // The text as drawn: itself, or the mask.
    const std::string& GetDisplayString();
    bool HasSelection() const { return hilitePos != -1 && hilitePos != cursorPos; }

    using Widget::MarkDirty;
    using Widget::MouseDown;
    using Widget::MouseUp;
    using Widget::Resize;
    void MarkDirty() override;
    void Update() override;
    void Draw(Graphics* g) override;
    void Resize(int newX, int newY, int newWidth, int newHeight) override;
    bool WantsFocus() override;
    void GotFocus() override;
    void LostFocus() override;
    void KeyChar(char chr) override;
    void KeyDown(int keyCode) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseDown(int mx, int my, int button, int clickCount) override;
    void MouseUp(int mx, int my, int button, int clickCount) override;
    void MouseDrag(int mx, int my) override;

protected:
    // Every measurement needs the font, so the fallback face is made before the first one, not at the first draw.
    void EnsureFont();

private:
    bool IsKeyHeld(int keyCode) const;
    // Width of the shown characters from leftPos up to (not including) `end`.
    int ShownWidth(int end);
    void EraseSelection();
    // True when `candidate` keeps within the character and pixel limits.
    bool FitsLimits(const std::string& candidate);
    void SetAppCursor(int cursorId);
    void MoveSystemCaret();
};

} // namespace Zest
