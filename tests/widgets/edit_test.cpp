// Edit widget: one key-script table (keys in; text, cursor, selection, undo and clipboard out), then the mouse,
// scrolling, blinking and drawing.
#include <gtest/gtest.h>

#include <sstream>

#include "WidgetTestSupport.h"
#include "widgets/EditListener.h"
#include "widgets/EditWidget.h"

using namespace Zest;
using namespace WidgetTest;

namespace
{

// Refuses what a case asks it to refuse and notes Enter.
struct ScriptListener : EditListener
{
    std::string refusedChars;
    char refusedInText = 0;
    int refusedKey = -1;
    std::vector<std::string> entered;
    void EditTextEntered(int, const std::string& text) override { entered.push_back(text); }
    bool AllowKey(int, int keyCode) override { return keyCode != refusedKey; }
    bool AllowChar(int, char chr) override { return refusedChars.find(chr) == std::string::npos; }
    bool AllowText(int, const std::string& text) override
    {
        return refusedInText == 0 || text.find(refusedInText) == std::string::npos;
    }
};

class EditTest : public ::testing::Test
{
protected:
    FakeApp app;
    WidgetManager manager{&app};
    FixedFont font;
    ScriptListener listener;
    std::unique_ptr<EditWidget> edit;

    void SetUp() override
    {
        app.manager = &manager;
        manager.SetMouseRects(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
        edit = std::make_unique<EditWidget>(&listener);
        edit->SetFont(&font);
        edit->Resize(0, 0, 300, 20);
        manager.AddWidget(edit.get());
        manager.SetFocus(edit.get());
    }
    void TearDown() override { manager.RemoveWidget(edit.get()); }

    // Space-separated tokens, as the window sends them: <Left> <Right> <Home> <End> <BS> <Del> <Enter> are key
    // downs and ups; <S+> <S-> <C+> <C-> press and release Shift and Ctrl; ^X is Ctrl plus a letter (the letter's
    // key down, then its control character); <sp> types a space; anything else types its characters.
    void Play(const std::string& script)
    {
        static const std::map<std::string, int> keys = {{"<Left>", 37}, {"<Right>", 39}, {"<Home>", 36}, {"<End>", 35},
                                                        {"<BS>", 8},    {"<Del>", 46},   {"<Enter>", 13}};
        std::istringstream in(script);
        std::string token;
        while (in >> token)
        {
            if (keys.count(token))
            {
                manager.KeyDown(keys.at(token));
                if (token == "<BS>" || token == "<Enter>") manager.KeyChar(char(keys.at(token)));
                manager.KeyUp(keys.at(token));
            }
            else if (token == "<S+>" || token == "<S->")
                token == "<S+>" ? manager.KeyDown(16) : manager.KeyUp(16);
            else if (token == "<C+>" || token == "<C->")
                token == "<C+>" ? manager.KeyDown(17) : manager.KeyUp(17);
            else if (token.size() == 2 && token[0] == '^')
            {
                manager.KeyDown(17);
                manager.KeyDown(token[1]);
                manager.KeyChar(char(token[1] - 'A' + 1));
                manager.KeyUp(token[1]);
                manager.KeyUp(17);
            }
            else if (token == "<sp>")
                manager.KeyChar(' ');
            else
                for (char c : token) manager.KeyChar(c);
        }
    }
};

} // namespace

TEST_F(EditTest, KeyScripts)
{
    struct Case
    {
        const char* name;
        std::string text;
        int cursor;
        int hilite;
        std::string script;
        std::string expectText;
        int expectCursor;
        int expectHilite;
        std::string clipboardBefore = "";
        std::string expectClipboard = "";
        int maxChars = -1;
        char password = 0;
        std::string refusedChars = "";
        char refusedInText = 0;
    };
    const Case cases[] = {
        // One run of typing is one undo step, and undo swaps, so a second Ctrl+Z redoes.
        {"typing then undo", "", 0, -1, "ab ^Z", "", 0, -1},
        {"undo twice redoes", "", 0, -1, "ab ^Z ^Z", "ab", 2, -1},
        {"a run of deletions is one step", "abcdef", 6, -1, "<BS> <BS> <BS> ^Z", "abcdef", 6, -1},
        {"redo after the text shrank", "abcdef", 6, -1, "<BS> <BS> <BS> ^Z ^Z", "abc", 3, -1},
        {"forward deletes group too", "abcd", 1, -1, "<Del> <Del> ^Z", "abcd", 1, -1},
        {"typing after a move is a new step", "", 0, -1, "ab <Left> x ^Z", "ab", 1, -1},
        // Selection with Shift, replaced by what is typed.
        {"shift-left twice then p", "hello", 5, -1, "<S+> <Left> <Left> <S-> p", "help", 4, -1},
        {"releasing shift keeps the selection", "hello", 5, -1, "<S+> <Left> <Left> <S->", "hello", 3, 5},
        {"left collapses a selection to its start", "hello", 5, 2, "<Left>", "hello", 2, -1},
        {"right collapses a selection to its end", "hello", 1, 4, "<Right>", "hello", 4, -1},
        {"home and end", "hello", 2, -1, "<Home> x <End> y", "xhelloy", 7, -1},
        {"shift-home selects to the start", "hello", 3, -1, "<S+> <Home> <S->", "hello", 0, 3},
        {"ctrl-right goes to the next word", "hello world", 0, -1, "<C+> <Right> <C->", "hello world", 6, -1},
        {"ctrl-left goes to the word start", "hello world", 11, -1, "<C+> <Left> <Left> <C->", "hello world", 0, -1},
        // Deleting.
        {"backspace at 0", "abc", 0, -1, "<BS>", "abc", 0, -1},
        {"backspace in an empty field", "", 0, -1, "<BS> <Del>", "", 0, -1},
        {"delete at the end", "abc", 3, -1, "<Del>", "abc", 3, -1},
        {"backspace removes the selection", "abcdef", 1, 4, "<BS>", "aef", 1, -1},
        // Clipboard.
        {"paste up to the limit", "", 0, -1, "^V", "abcde", 5, -1, "abcdefg", "abcdefg", 5},
        {"paste stops at a line break", "ab", 1, -1, "^V", "axyb", 3, -1, "xy\r\nzz", "xy\r\nzz"},
        {"paste replaces the selection", "abcd", 1, 3, "^V", "aXd", 2, -1, "X", "X"},
        {"copy keeps the selection", "hello", 1, 4, "^C", "hello", 1, 4, "", "ell"},
        {"cut removes it", "hello", 1, 4, "^X", "ho", 1, -1, "", "ell"},
        {"cut then undo", "hello", 1, 4, "^X ^Z", "hello", 1, 4, "", "ell"},
        {"copy without a selection leaves the clipboard", "hello", 2, -1, "^C", "hello", 2, -1, "old", "old"},
        {"password copy gives the mask", "secret", 6, 3, "^C", "secret", 6, 3, "", "***", -1, '*'},
        {"password cut gives the mask", "secret", 6, 3, "^X", "sec", 3, -1, "", "***", -1, '*'},
        // Limits and filters.
        {"typing stops at the limit", "", 0, -1, "abcdefg", "abc", 3, -1, "", "", 3},
        // A full field refuses what does not fit rather than cutting the end of the text off.
        {"a full field refuses typing at the start", "abcde", 5, -1, "<Home> X", "abcde", 0, -1, "", "", 5},
        {"typing over a selection in a full field", "abcde", 1, 3, "X", "aXde", 2, -1, "", "", 5},
        {"a full field refuses a paste", "abcde", 2, -1, "^V", "abcde", 2, -1, "XY", "XY", 5},
        {"a paste takes only what fits", "abc", 1, -1, "^V", "aXYbc", 3, -1, "XYZ", "XYZ", 5},
        {"AllowChar filters typing and pasting", "", 0, -1, "a1b ^V", "abxy", 4, -1, "x9y", "x9y", -1, 0, "19"},
        {"AllowText veto restores text, cursor and selection", "abc", 1, 3, "x", "abc", 1, 3, "", "", -1, 0, "", 'x'},
        {"AllowText veto of a cursor move", "abc", 1, -1, "<End> z", "abc", 3, -1, "", "", -1, 0, "", 'z'},
        {"control characters are not typed", "ab", 2, -1, "\x01\x1f", "ab", 2, -1},
        {"latin-1 letters are typed", "", 0, -1, "caf\xE9", "caf\xE9", 4, -1},
        {"a rejected character keeps the selection", "hello", 1, 3, "\x07", "hello", 1, 3},
        // Positions from outside are held to the text before use.
        {"cursor past the end", "abc", 10, 20, "d", "abcd", 4, -1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        edit->text = c.text;
        edit->cursorPos = c.cursor;
        edit->hilitePos = c.hilite;
        edit->maxChars = c.maxChars;
        edit->passwordChar = c.password;
        edit->undoText.clear();
        edit->undoCursor = 0;
        edit->undoHilitePos = 0;
        edit->lastModifyIdx = 0;
        edit->leftPos = 0;
        app.clipboard = c.clipboardBefore;
        listener.refusedChars = c.refusedChars;
        listener.refusedInText = c.refusedInText;
        Play(c.script);
        EXPECT_EQ(edit->text, c.expectText);
        EXPECT_EQ(edit->cursorPos, c.expectCursor);
        EXPECT_EQ(edit->hilitePos, c.expectHilite);
        EXPECT_EQ(app.clipboard, c.expectClipboard);
        EXPECT_FALSE(manager.keyDown[16] || manager.keyDown[17]) << "the script left a modifier held";
    }
}

TEST_F(EditTest, EnterAndRefusedKeys)
{
    edit->SetText("name", false);
    Play("<Enter>");
    EXPECT_EQ(listener.entered, (std::vector<std::string>{"name"}));
    listener.refusedKey = 8;
    Play("<End> <BS>");
    EXPECT_EQ(edit->text, "name");
}

TEST_F(EditTest, PixelLimits)
{
    edit->maxPixels = 30; // four characters of 7
    Play("abcdef");
    EXPECT_EQ(edit->text, "abcd");
    Play("<Home> x");
    EXPECT_EQ(edit->text, "abcd") << "a character that does not fit is refused, not the last one dropped";

    // A width-check font has a limit of its own in its own measure.
    FixedFont wide;
    wide.charWidth = 10;
    edit->SetFont(&font, &wide);
    edit->text.clear();
    edit->cursorPos = 0;
    Play("abcdef");
    EXPECT_EQ(edit->text, "abc");
    EXPECT_EQ(edit->cursorPos, 3);
}

TEST_F(EditTest, SetTextSelectsAllAndPlacesTheView)
{
    edit->Resize(0, 0, 60, 20); // 52 pixels of text: 7 characters fit
    edit->SetText("abcdefghijklmnop", true);
    EXPECT_EQ(edit->cursorPos, 16);
    EXPECT_EQ(edit->hilitePos, 0);
    EXPECT_EQ(edit->leftPos, 0);
    edit->SetText("abcdefghijklmnop", false);
    EXPECT_EQ(edit->leftPos, 10);
    Play("<Home>");
    EXPECT_EQ(edit->leftPos, 0);
    Play("<End>");
    EXPECT_GE(7 * (edit->cursorPos - edit->leftPos), 0);
    EXPECT_LT(7 * (edit->cursorPos - edit->leftPos), 52);

    // A cursor set below 0 from outside: the view stops at the first character.
    edit->cursorPos = -5;
    edit->Resize(0, 0, 61, 20);
    EXPECT_EQ(edit->leftPos, 0);
    Play("x");
    EXPECT_EQ(edit->text, "xabcdefghijklmnop");
}

TEST_F(EditTest, MouseClicksDragsAndDoubleClicks)
{
    edit->SetText("a_b cd", true);
    // Characters are 7 wide after the 4-pixel inset: a click lands before or after a character by its middle.
    struct Case
    {
        int x;
        int cursor;
    };
    for (const Case& c : std::vector<Case>{{0, 0}, {8, 1}, {7, 0}, {14, 1}, {15, 2}, {200, 6}})
    {
        manager.MouseMove(c.x, 5);
        manager.MouseDown(c.x, 5, 1);
        manager.MouseUp(c.x, 5, 1);
        EXPECT_EQ(edit->cursorPos, c.cursor) << c.x;
        EXPECT_EQ(edit->hilitePos, -1);
    }
    // A double click inside a word with an underscore selects the word and stops at the space.
    manager.MouseDown(14, 5, 2);
    manager.MouseUp(14, 5, 1);
    EXPECT_EQ(edit->hilitePos, 0);
    EXPECT_EQ(edit->cursorPos, 3);
    // A drag selects from the press to the pointer.
    manager.MouseDown(8, 5, 1);
    manager.MouseMove(30, 5);
    manager.MouseUp(30, 5, 1);
    EXPECT_EQ(edit->hilitePos, 1);
    EXPECT_EQ(edit->cursorPos, 4);
    EXPECT_EQ(app.cursors.front(), CURSOR_TEXT);
}

TEST_F(EditTest, NestedFieldMeasuresClicksInItsOwnCoordinates)
{
    // Inside a dialog the release after a double click still finds the same word.
    Probe holder("holder", nullptr, 100, 100, 400, 100);
    manager.RemoveWidget(edit.get());
    manager.AddWidget(&holder);
    edit->Resize(20, 30, 200, 20);
    holder.AddWidget(edit.get());
    edit->SetText("one two_x three", true);
    manager.MouseMove(120 + 4 + 7 * 5, 135);
    manager.MouseDown(120 + 4 + 7 * 5, 135, 2);
    manager.MouseUp(120 + 4 + 7 * 5, 135, 1);
    EXPECT_EQ(edit->hilitePos, 4);
    EXPECT_EQ(edit->cursorPos, 9);
    holder.RemoveWidget(edit.get());
    manager.RemoveWidget(&holder);
    manager.AddWidget(edit.get());
}

TEST_F(EditTest, CursorBlinksEveryFortyOneUpdatesWhileFocused)
{
    EXPECT_TRUE(edit->showingCursor);
    for (int i = 0; i < 40; ++i) manager.UpdateFrame();
    EXPECT_TRUE(edit->showingCursor);
    manager.UpdateFrame();
    EXPECT_FALSE(edit->showingCursor);
    for (int i = 0; i < 41; ++i) manager.UpdateFrame();
    EXPECT_TRUE(edit->showingCursor);
    manager.SetFocus(nullptr);
    EXPECT_FALSE(edit->showingCursor);
    for (int i = 0; i < 100; ++i) manager.UpdateFrame();
    EXPECT_FALSE(edit->showingCursor);
}

// Keys before the first draw, a field without a font: the fallback face is made before anything is measured.
TEST_F(EditTest, KeysBeforeAnyFontOrDraw)
{
    EditWidget bare(nullptr);
    manager.AddWidget(&bare);
    manager.SetFocus(&bare);
    app.clipboard = "pasted";
    bare.KeyChar('a');
    bare.KeyChar(22);
    bare.MouseDown(40, 5, 0, 1);
    EXPECT_EQ(bare.text.substr(0, 1), "a");
    manager.RemoveWidget(&bare);
}

TEST_F(EditTest, DrawsTextCursorAndSelection)
{
    RecordingImage screen(400, 100);
    edit->SetText("hello", true);
    edit->hilitePos = 1;
    edit->cursorPos = 3;
    font.drawn->clear();
    Graphics g(&screen);
    edit->Draw(&g);
    // Pass 0 in black, pass 1 (the block) in white on black, both from the first shown character.
    ASSERT_EQ(font.drawn->size(), 2u);
    EXPECT_EQ((*font.drawn)[0].color, Color(0, 0, 0));
    EXPECT_EQ((*font.drawn)[1].color, Color(255, 255, 255));
    EXPECT_EQ((*font.drawn)[0].y, 10 + 3);
    bool block = false;
    for (const DrawCall& call : screen.Fills()) block |= call.rect == Rect(4 + 7, 3, 14, 14);
    EXPECT_TRUE(block);

    // Without a selection the cursor is a 2-pixel bar after the cursor's character, gone in the blink's off phase.
    edit->hilitePos = -1;
    edit->showingCursor = true;
    screen.calls.clear();
    edit->Draw(&g);
    bool bar = false;
    for (const DrawCall& call : screen.Fills())
        bar |= call.rect == Rect(4 + 21, 3, 2, 14) && call.color == Color(0, 0, 0);
    EXPECT_TRUE(bar);
    edit->showingCursor = false;
    screen.calls.clear();
    edit->Draw(&g);
    for (const DrawCall& call : screen.Fills()) EXPECT_NE(call.rect.mWidth, 2);

    // A password field draws only the mask.
    edit->passwordChar = '#';
    font.drawn->clear();
    edit->Draw(&g);
    EXPECT_EQ((*font.drawn)[0].text, "#####");
}
