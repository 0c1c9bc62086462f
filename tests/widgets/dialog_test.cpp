// Tests of dialogs: button modes and layout, reporting, colours, dragging, waiting for a result, drawing,
// and the golden picture of a dialog drawn by the software renderer.
#include <gtest/gtest.h>

#include <cstdlib>

#include "../graphics/GoldenCompare.h"
#include "WidgetTestSupport.h"
#include "data/ImageLib.h"
#include "graphics/ImageFont.h"
#include "graphics/MemoryImage.h"
#include "widgets/Dialog.h"

using namespace Zest;
using namespace WidgetTest;

namespace
{

// A registered application with a manager over an 800x600 screen; dialogs get the fixed-width font.
class DialogTest : public testing::Test
{
protected:
    FakeApp app;
    WidgetManager manager{&app};
    FixedFont font;

    void SetUp() override
    {
        app.manager = &manager;
        manager.SetMouseRects(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
        SetWidgetApp(&app);
    }
    void TearDown() override
    {
        manager.RemoveAllWidgets();
        SetWidgetApp(nullptr);
    }
    std::unique_ptr<Dialog> Make(int mode, const std::string& header = "", const std::string& lines = "",
                                 const std::string& footer = "", int dialogId = 5, bool modal = true)
    {
        auto d = std::make_unique<Dialog>(nullptr, nullptr, dialogId, modal, header, lines, footer, mode);
        d->SetHeaderFont(&font);
        d->SetLinesFont(&font);
        d->SetButtonFont(&font);
        return d;
    }
    void Click(Widget* w)
    {
        Point p = w->GetAbsolutePosition();
        manager.MouseMove(p.mX + w->width / 2, p.mY + w->height / 2);
        manager.MouseDown(p.mX + w->width / 2, p.mY + w->height / 2, 1);
        manager.MouseUp(p.mX + w->width / 2, p.mY + w->height / 2, 1);
    }
};

class RecordingDialogListener : public DialogListener
{
public:
    Log events;
    void DialogButtonPress(int dialogId, int buttonId) override
    {
        events.push_back("press " + std::to_string(dialogId) + "/" + std::to_string(buttonId));
    }
    void DialogButtonReleased(int dialogId, int buttonId) override
    {
        events.push_back("released " + std::to_string(dialogId) + "/" + std::to_string(buttonId));
    }
};

} // namespace

TEST_F(DialogTest, ButtonModes)
{
    struct Case
    {
        int mode;
        const char* yes;
        const char* no;
    };
    const Case cases[] = {
        {0, nullptr, nullptr}, {1, "YES", "NO"}, {2, "OK", "CANCEL"}, {3, "Continue", nullptr}, {9, nullptr, nullptr}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.mode);
        auto d = Make(c.mode, "", "", "Continue");
        ASSERT_EQ(d->yesButton != nullptr, c.yes != nullptr);
        ASSERT_EQ(d->noButton != nullptr, c.no != nullptr);
        if (c.yes != nullptr)
        {
            EXPECT_EQ(d->yesButton->label, c.yes);
            EXPECT_EQ(d->yesButton->id, DIALOG_BUTTON_YES);
            EXPECT_EQ(d->yesButton->listener, d.get());
        }
        if (c.no != nullptr)
        {
            EXPECT_EQ(d->noButton->label, c.no);
            EXPECT_EQ(d->noButton->id, DIALOG_BUTTON_NO);
        }
        EXPECT_TRUE(d->translucent);
        EXPECT_TRUE(d->seeThrough);
        EXPECT_EQ(d->result, DIALOG_NO_RESULT);
        // Colour setters and resizing are safe whatever buttons exist.
        d->SetColor(DIALOG_COLOR_BUTTON_TEXT, Color(1, 2, 3));
        d->SetColor(DIALOG_COLOR_BUTTON_TEXT_HOVER, Color(4, 5, 6));
        d->Resize(10, 20, 300, 200);
        d->SetButtonFont(&font);
        if (c.yes != nullptr)
        {
            EXPECT_EQ(d->yesButton->GetColor(BUTTON_COLOR_TEXT), Color(1, 2, 3));
            EXPECT_EQ(d->yesButton->GetColor(BUTTON_COLOR_TEXT_HOVER), Color(4, 5, 6));
        }
    }
}

TEST_F(DialogTest, PreferredHeight)
{
    // Fixed font: height 14, ascent padding 2, line spacing 16; one wrapped line measures 4 + 8 = 12.
    struct Case
    {
        const char* what;
        int mode;
        const char* header;
        const char* lines;
        const char* footer;
        int expected;
    };
    const Case cases[] = {
        {"nothing: the four insets", 0, "", "", "", 48},
        {"header", 0, "Head", "", "", 48 + 12},
        {"lines only: no space after a header", 0, "", "one", "", 48 + 12},
        {"header and lines", 0, "Head", "one", "", 48 + 12 + 10 + 12},
        {"two wrapped lines", 0, "", "aaaaaaaaaaa bbbbbbbbbbb", "", 48 + 12 + 16},
        {"footer alone", 0, "", "", "Foot", 48 + 16},
        {"everything", 1, "Head", "one", "Foot", 48 + 12 + 10 + 12 + 8 + 16 + 8 + 8 + 24},
        {"a button alone", 2, "", "", "", 48 + 8 + 24},
        {"footer button: no footer line", 3, "Head", "one", "Foot", 48 + 12 + 10 + 12 + 8 + 8 + 24},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        auto d = Make(c.mode, c.header, c.lines, c.footer);
        // Width 200: the lines wrap in 200 - 48 - 4 = 148 pixels, 21 characters.
        EXPECT_EQ(d->GetPreferredHeight(200), c.expected);
    }
}

TEST_F(DialogTest, AddedDialogIsPlacedAndItsButtonsLaidOut)
{
    auto d = Make(1, "Head", "one", "");
    d->buttonSidePadding = 5;
    app.AddDialog(5, d.get());
    // Width 0: half the screen wide, its preferred height, centred, a fifth of the way down.
    EXPECT_EQ(d->GetRect(), Rect(200, 120, 400, d->GetPreferredHeight(400)));
    // Two buttons: (400 - 48 - 10 - 8) / 2 = 167 wide, along the bottom inside the insets.
    int buttonY = 120 + d->height - 24 - 24;
    EXPECT_EQ(d->yesButton->GetRect(), Rect(200 + 24 + 5, buttonY, 167, 24));
    EXPECT_EQ(d->noButton->GetRect(), Rect(200 + 24 + 5 + 167 + 8, buttonY, 167, 24));
    // The buttons are siblings in front of the dialog, and the dialog is modal.
    EXPECT_EQ(manager.children.size(), 3u);
    EXPECT_TRUE(manager.IsBehind(d.get(), d->yesButton.get()));
    EXPECT_EQ(manager.baseModalWidget, d.get());

    auto single = Make(3, "", "", "Continue", 6, false);
    app.AddDialog(6, single.get());
    EXPECT_EQ(single->yesButton->GetRect(), Rect(200 + 24, 120 + single->height - 48, 400 - 48, 24));

    // Moving the dialog to the front takes its buttons along, just in front of it.
    manager.BringToFront(d.get());
    auto it = std::find(manager.children.begin(), manager.children.end(), d.get());
    ASSERT_NE(it, manager.children.end());
    EXPECT_EQ(std::distance(it, manager.children.end()), 3);

    // Closing takes the buttons out with it and pops the modal layer.
    app.CloseDialog(5);
    EXPECT_FALSE(manager.HasWidget(d.get()));
    EXPECT_FALSE(manager.HasWidget(d->yesButton.get()));
    EXPECT_FALSE(manager.HasWidget(d->noButton.get()));
    EXPECT_EQ(manager.baseModalWidget, nullptr);
}

TEST_F(DialogTest, ButtonsReportToTheDialogListener)
{
    RecordingDialogListener listener;
    auto d = Make(2);
    d->dialogListener = &listener;
    app.AddDialog(5, d.get());
    Click(d->noButton.get());
    Click(d->yesButton.get());
    EXPECT_EQ(listener.events, (Log{"press 5/1001", "released 5/1001", "press 5/1000", "released 5/1000"}));
    EXPECT_EQ(d->result, DIALOG_BUTTON_YES);

    // Other ids are not the dialog's business.
    listener.events.clear();
    d->ButtonPress(7);
    d->ButtonReleased(7);
    EXPECT_TRUE(listener.events.empty());
    EXPECT_EQ(d->result, DIALOG_BUTTON_YES);
}

TEST_F(DialogTest, ApplicationMapsDialogButtonsToItsOwnIds)
{
    auto d = Make(1, "", "", "", 16);
    EXPECT_EQ(d->dialogListener, &app); // the application by default
    app.AddDialog(16, d.get());
    Click(d->yesButton.get());
    Click(d->noButton.get());
    EXPECT_EQ(app.buttonEvents, (Log{"press 2016", "released 2016", "press 3016", "released 3016"}));
}

// Colours are per dialog: one built without a button image has black button text, others keep white.
TEST_F(DialogTest, ButtonColoursDefaultPerDialog)
{
    RecordingImage buttonSheet(60, 30);
    auto plain = std::make_unique<Dialog>(nullptr, nullptr, 1, false, "", "", "", 1);
    auto imaged = std::make_unique<Dialog>(nullptr, &buttonSheet, 2, false, "", "", "", 1);
    EXPECT_EQ(plain->GetColor(DIALOG_COLOR_BUTTON_TEXT), Color(0, 0, 0));
    EXPECT_EQ(plain->yesButton->GetColor(BUTTON_COLOR_TEXT), Color(0, 0, 0));
    EXPECT_EQ(plain->noButton->GetColor(BUTTON_COLOR_TEXT_HOVER), Color(0, 0, 0));
    EXPECT_EQ(imaged->GetColor(DIALOG_COLOR_BUTTON_TEXT), Color(255, 255, 255));
    EXPECT_EQ(imaged->yesButton->GetColor(BUTTON_COLOR_TEXT), Color(255, 255, 255));
    EXPECT_EQ(imaged->buttonHeight, 30);
    EXPECT_EQ(plain->buttonHeight, 24);
    EXPECT_EQ(imaged->GetColor(DIALOG_COLOR_LINES), Color(255, 255, 0));
    EXPECT_EQ(imaged->GetColor(DIALOG_COLOR_FRAME_FILL), Color(80, 80, 80));
}

namespace
{

// A window that grips the dialog where the mouse goes down.
class DraggableDialog : public Dialog
{
public:
    using Dialog::Dialog;
    using Dialog::MouseDown;
    void MouseDown(int mx, int my, int, int) override
    {
        dragging = true;
        dragMouseX = mx;
        dragMouseY = my;
    }
};

} // namespace

TEST_F(DialogTest, DraggingKeepsTheDialogOnScreen)
{
    struct Case
    {
        const char* what;
        Rect start;
        int gripX, gripY;
        int toX, toY;
        Point expected;
    };
    const Case cases[] = {
        {"plain move", Rect(100, 100, 200, 100), 50, 20, 160, 130, Point(110, 110)},
        {"far right: right edge at width + 8", Rect(100, 100, 200, 100), 50, 20, 5000, 130, Point(608, 110)},
        {"far left", Rect(100, 100, 200, 100), 50, 20, -5000, 130, Point(-8, 110)},
        {"far down", Rect(100, 100, 200, 100), 50, 20, 160, 5000, Point(110, 508)},
        {"smaller than the margins", Rect(100, 100, 10, 10), 5, 5, 5000, 5000, Point(798, 598)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        DraggableDialog d(nullptr, nullptr, 9, false, "", "", "", 0);
        manager.AddWidget(&d);
        d.Resize(c.start);
        int downX = c.start.mX + c.gripX;
        int downY = c.start.mY + c.gripY;
        manager.MouseDown(downX, downY, 1);
        ASSERT_TRUE(d.dragging);
        manager.MouseMove(c.toX, c.toY);
        EXPECT_EQ(Point(d.x, d.y), c.expected);
        // The grip point stays inside the dialog, 8 pixels from its left and top edges at least.
        EXPECT_GE(d.dragMouseX, 8);
        EXPECT_GE(d.dragMouseY, 8);
        app.cursors.clear();
        manager.MouseUp(c.toX, c.toY, 1);
        EXPECT_FALSE(d.dragging);
        EXPECT_EQ(app.cursors, (std::vector<int>{CURSOR_POINTER}));
        manager.RemoveWidget(&d);
    }
}

TEST_F(DialogTest, WaitForResultReturnsThePressedButton)
{
    auto d = Make(1);
    app.AddDialog(5, d.get());
    app.onLoopStep = [&](int step)
    {
        if (step == 3) Click(d->noButton.get());
    };
    EXPECT_EQ(d->WaitForResult(true), DIALOG_BUTTON_NO);
    EXPECT_EQ(app.loopSteps, 3);
    EXPECT_EQ(app.GetDialog(5), nullptr); // auto-killed
    EXPECT_FALSE(manager.HasWidget(d.get()));
}

TEST_F(DialogTest, WaitForResultStopsWhenItCannotGoOn)
{
    struct Case
    {
        const char* what;
        bool registered;
        bool running;
        int steps;
    };
    const Case cases[] = {
        {"not in a manager or the register", false, true, 1},
        {"the application is shutting down", true, false, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        app.loopSteps = 0;
        app.keepRunning = c.running;
        auto d = Make(1);
        if (c.registered) app.AddDialog(5, d.get());
        EXPECT_EQ(d->WaitForResult(false), DIALOG_NO_RESULT);
        EXPECT_EQ(app.loopSteps, c.steps);
        app.CloseDialog(5);
    }
}

// A listener that closes and deletes the dialog as soon as a button is released: the wait still returns the
// button and touches nothing of the deleted dialog (checked under AddressSanitizer).
TEST_F(DialogTest, WaitForResultSurvivesTheDialogBeingDeleted)
{
    struct Closer : DialogListener
    {
        FakeApp* app = nullptr;
        Dialog* dialog = nullptr;
        void DialogButtonReleased(int dialogId, int) override
        {
            app->CloseDialog(dialogId);
            delete dialog;
            dialog = nullptr;
        }
    } closer;
    auto* d = new Dialog(nullptr, nullptr, 5, true, "", "", "", 2);
    d->SetButtonFont(&font);
    d->dialogListener = &closer;
    closer.app = &app;
    closer.dialog = d;
    app.AddDialog(5, d);
    DialogButton* ok = d->yesButton.get();
    app.onLoopStep = [&](int step)
    {
        if (step == 2) Click(ok);
    };
    EXPECT_EQ(d->WaitForResult(true), DIALOG_BUTTON_YES);
    EXPECT_EQ(closer.dialog, nullptr);
    EXPECT_TRUE(manager.children.empty());
    EXPECT_EQ(manager.baseModalWidget, nullptr);
}

TEST_F(DialogTest, GeneratedFrameAndTextPositions)
{
    auto d = Make(0, "Head", "one", "Foot");
    d->Resize(0, 0, 300, 200);
    d->SetColor(DIALOG_COLOR_HEADER, Color(1, 0, 0));
    d->SetColor(DIALOG_COLOR_LINES, Color(2, 0, 0));
    d->SetColor(DIALOG_COLOR_FOOTER, Color(3, 0, 0));
    RecordingImage screen(300, 200);
    Graphics g(&screen);
    d->Draw(&g);
    // Outline (colour 6) at (12, 12, 275, 175) covering one more pixel each way, fill (colour 5), shadow.
    std::vector<Rect> fills;
    for (const DrawCall& c : screen.Fills()) fills.push_back(c.rect);
    std::vector<Rect> expected = {Rect(12, 12, 276, 1),  Rect(12, 187, 276, 1),  Rect(12, 13, 1, 174),
                                  Rect(287, 13, 1, 174), Rect(13, 13, 274, 174), Rect(288, 24, 12, 164),
                                  Rect(24, 188, 276, 12)};
    EXPECT_EQ(fills, expected);
    EXPECT_EQ(screen.Fills()[4].color, Color(80, 80, 80));
    EXPECT_EQ(screen.Fills()[5].color, Color(0, 0, 0, 128));

    // Header baseline 24 - 2 + 10; lines in (26, 46, 248 wide), centred (justification 0) with the first
    // baseline at 46 + 8; footer baseline 46 + 12 + 8 + 16.
    ASSERT_EQ(font.drawn->size(), 3u);
    const auto& t = *font.drawn;
    EXPECT_EQ(t[0].text, "Head");
    EXPECT_EQ(t[0].x, (300 - 28) / 2);
    EXPECT_EQ(t[0].y, 32);
    EXPECT_EQ(t[0].color, Color(1, 0, 0));
    EXPECT_EQ(t[1].text, "one");
    EXPECT_EQ(t[1].x, 26 + (248 - 21) / 2);
    EXPECT_EQ(t[1].y, 54);
    EXPECT_EQ(t[1].color, Color(2, 0, 0));
    EXPECT_EQ(t[2].text, "Foot");
    EXPECT_EQ(t[2].y, 82);
    EXPECT_EQ(t[2].color, Color(3, 0, 0));
}

TEST_F(DialogTest, DialogButtonLabelAndPressedShift)
{
    RecordingImage sheet(30, 30);
    DialogButton b(&sheet, 1000, nullptr);
    b.label = "OK"; // 14 wide
    b.SetFont(&font);
    b.Resize(0, 0, 100, 24);
    b.textOffsetX = 3;
    RecordingImage screen(120, 40);
    Graphics g(&screen);
    b.Draw(&g);
    b.isDown = b.isOver = true;
    b.Draw(&g);
    // x = 3 + (100 - 14) / 2; baseline (10 + 24 - 1 - 2 - 1) / 2 = 15; pressed: shifted by (1, 1).
    ASSERT_EQ(font.drawn->size(), 2u);
    EXPECT_EQ((*font.drawn)[0].x, 46);
    EXPECT_EQ((*font.drawn)[0].y, 15);
    EXPECT_EQ((*font.drawn)[0].color, Color(255, 255, 255));
    EXPECT_EQ((*font.drawn)[1].x, 47);
    EXPECT_EQ((*font.drawn)[1].y, 16);
    EXPECT_EQ(g.mTransX, 0); // shifted back afterwards
    // The whole sheet was boxed over the button: nine pieces, tiles included, each from the sheet.
    EXPECT_FALSE(screen.calls.empty());
    for (const DrawCall& c : screen.calls) EXPECT_EQ(c.image, &sheet);
}

// The golden picture: a dialog with a header, three wrapped lines and two buttons on an 800x600 screen,
// drawn through the manager by the software renderer with the baked test font. ZEST_UPDATE_GOLDEN=1 rewrites it.
TEST_F(DialogTest, GoldenDialog)
{
    const std::string bakedPath = std::string(ZEST_TEST_DATA_DIR) + "/../graphics/golden/bakedfont.txt";
    ImageFont baked(nullptr, bakedPath);
    ASSERT_TRUE(baked.IsLoaded()) << bakedPath;

    MemoryImage screen(nullptr);
    screen.Create(800, 600);
    std::vector<uint32_t> backdrop(800 * 600);
    for (int yy = 0; yy < 600; ++yy)
        for (int xx = 0; xx < 800; ++xx)
            backdrop[size_t(yy) * 800 + size_t(xx)] =
                0xFF000000u | uint32_t(20 + yy / 8) << 16 | uint32_t(40 + xx / 16) << 8 | 90u;
    screen.SetBits(backdrop.data(), 800, 600);
    manager.screenImage = &screen;

    Dialog dialog(nullptr, nullptr, 1006, true, "Level Complete",
                  "Every customer was served in time. The oven is warm. Open the next pizzeria?", "",
                  DIALOG_BUTTONS_YES_NO);
    dialog.SetHeaderFont(&baked);
    dialog.SetLinesFont(&baked);
    dialog.SetButtonFont(&baked);
    app.AddDialog(1006, &dialog);
    ASSERT_TRUE(manager.DrawScreen());

    auto actual = ImageLib::Image::Create(800, 600);
    ASSERT_TRUE(actual);
    std::copy(screen.GetBits(), screen.GetBits() + 800 * 600, actual->GetBits());

    ZestTest::ExpectMatchesGolden(*actual, std::string(ZEST_TEST_DATA_DIR) + "/golden/dialog.png",
                                  "golden-dialog-actual.png", 4, 50);
    app.CloseDialog(1006);
}

// A button whose click (or press) asks a question and waits for the answer, as a delete button does. When the
// answer is given the mouse is somewhere else; the button must not stay lit, and the widget now under the mouse
// takes the hover at once.
TEST_F(DialogTest, HoverAfterANestedQuestionFollowsTheRealMouse)
{
    struct Asker : ButtonListener
    {
        bool onPress = false;
        int released = 0;
        std::function<void()> ask;
        void ButtonPress(int) override
        {
            if (onPress) ask();
        }
        void ButtonReleased(int) override
        {
            ++released;
            if (!onPress) ask();
        }
    };
    struct Case
    {
        const char* what;
        bool onPress;
        bool backOverBehind; // the answer's button lies over the widget behind it
    };
    const Case cases[] = {
        {"asked on release, answered with the mouse over nothing", false, false},
        {"asked on release, the mouse ends over a widget the question covered", false, true},
        {"asked on press, the release taken by the question", true, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        Asker asker;
        asker.onPress = c.onPress;
        int answer = DIALOG_NO_RESULT;
        std::function<void(Dialog&)> whileAsked;
        asker.ask = [&]
        {
            auto question = Make(1);
            app.AddDialog(5, question.get());
            app.loopSteps = 0;
            app.onLoopStep = [&, q = question.get()](int step)
            {
                if (step == 1) whileAsked(*q);
                if (step > 5) app.keepRunning = false; // never answered: the wait ends, the test fails
            };
            answer = question->WaitForResult(true);
            app.onLoopStep = nullptr;
            app.keepRunning = true;
        };
        ButtonWidget button(1, &asker);
        button.Resize(10, 10, 100, 30);
        manager.AddWidget(&button);
        ButtonWidget behind(2, nullptr);
        behind.Resize(150, 100, 500, 400);
        if (c.backOverBehind) manager.AddWidget(&behind);
        whileAsked = [&](Dialog& q)
        {
            if (c.onPress) manager.MouseUp(60, 25, 1); // the release of the press that asked
            Click(q.yesButton.get());
            if (!c.backOverBehind)
            {
                // Off the buttons: the answer's position lies over nothing once the question has gone.
                manager.MouseMove(q.x + 2, q.y + 2);
            }
        };
        manager.MouseMove(60, 25);
        manager.MouseDown(60, 25, 1);
        if (!c.onPress) manager.MouseUp(60, 25, 1);

        EXPECT_EQ(answer, DIALOG_BUTTON_YES);
        EXPECT_EQ(asker.released, c.onPress ? 0 : 1);
        EXPECT_FALSE(button.isOver);
        EXPECT_FALSE(button.isDown);
        EXPECT_FALSE(button.IsButtonDown());
        EXPECT_EQ(manager.capturedWidget, nullptr);
        EXPECT_EQ(manager.capturedButtons, 0);
        EXPECT_NE(manager.lastMouseX, 60);
        EXPECT_EQ(manager.overWidget, c.backOverBehind ? &behind : nullptr);
        EXPECT_EQ(behind.isOver, c.backOverBehind);

        // Back over the button it lights as usual, and a click there is a click again.
        manager.MouseMove(60, 25);
        EXPECT_TRUE(button.isOver);
        manager.RemoveAllWidgets();
    }
}
