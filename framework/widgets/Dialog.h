// Zest::Dialog: the framed window every message box and game window derives from (frame, header, wrapped
// lines, footer, up to two buttons, dragging, waiting for a result), and Zest::DialogButton, its button.
#pragma once

#include <memory>
#include <string>

#include "graphics/Rect.h"
#include "widgets/ButtonListener.h"
#include "widgets/ButtonWidget.h"
#include "widgets/Widget.h"

namespace Zest
{

class DialogListener;
class Font;
class Image;

// Button modes of a dialog.
enum DialogButtonMode : int
{
    DIALOG_BUTTONS_NONE = 0,
    DIALOG_BUTTONS_YES_NO = 1,
    DIALOG_BUTTONS_OK_CANCEL = 2,
    DIALOG_BUTTONS_FOOTER = 3, // one button labelled with the footer text
};

inline constexpr int DIALOG_BUTTON_YES = 1000; // yes, OK, or the single button
inline constexpr int DIALOG_BUTTON_NO = 1001;  // no, cancel
inline constexpr int DIALOG_NO_RESULT = 0x7FFFFFFF;

// Colour slots of a dialog.
enum DialogColor : int
{
    DIALOG_COLOR_HEADER = 0,
    DIALOG_COLOR_LINES = 1,
    DIALOG_COLOR_FOOTER = 2,
    DIALOG_COLOR_BUTTON_TEXT = 3,
    DIALOG_COLOR_BUTTON_TEXT_HOVER = 4,
    DIALOG_COLOR_FRAME_FILL = 5,
    DIALOG_COLOR_FRAME_OUTLINE = 6,
};

class DialogButton : public ButtonWidget
{
public:
    // Not owned; null means the plain button drawing.
    Image* componentImage;
    // The shift of the drawing while pressed.
    int translateX = 1;
    int translateY = 1;
    int textOffsetX = 0;
    int textOffsetY = 0;

    DialogButton(Image* image, int buttonId, ButtonListener* buttonListener);

    void Draw(Graphics* g) override;
};

class Dialog : public Widget, public ButtonListener
{
public:
    // Not owned; the application's by default.
    DialogListener* dialogListener;
    // Not owned; null means the generated frame.
    Image* componentImage;
    // Siblings of the dialog in the manager, owned by it.
    std::unique_ptr<DialogButton> yesButton;
    std::unique_ptr<DialogButton> noButton;
    std::string header;
    std::string footer;
    std::string lines;
    int buttonMode;
    // Owned; made on first use when none was set.
    std::unique_ptr<Font> headerFont;
    std::unique_ptr<Font> linesFont;
    int textJustification = 0;
    int lineSpacingOffset = 0;
    int buttonHeight;
    Insets backgroundInsets;
    Insets contentInsets{24, 24, 24, 24};
    int spaceAfterHeader = 10;
    // Set by a derived window that wants dragging, with the grip point inside the dialog.
    bool dragging = false;
    int dragMouseX = 0;
    int dragMouseY = 0;
    int id;
    bool isModal;
    int result = DIALOG_NO_RESULT;
    int buttonHorzSpacing = 8;
    int buttonSidePadding = 0;

    Dialog(Image* frameImage, Image* buttonImage, int dialogId, bool modal, const std::string& headerText,
           const std::string& linesText, const std::string& footerText, int mode);
    ~Dialog() override;

    virtual void SetButtonFont(Font* font);
    virtual void SetHeaderFont(Font* font);
    virtual void SetLinesFont(Font* font);
    virtual int GetPreferredHeight(int forWidth);
    virtual bool IsModal();
    // Runs nested steps of the application's loop until a button gives a result, the dialog leaves the
    // application's register or its manager, or the application shuts down; then, with autoKill, closes it.
    // Returns the result (DIALOG_NO_RESULT when there was none). The dialog may be closed, and even deleted,
    // by what runs during a step: its members are only touched again when it is still alive and registered.
    virtual int WaitForResult(bool autoKill);

    using ButtonListener::ButtonPress;
    using Widget::MouseUp;
    using Widget::Resize;
    using Widget::SetColor;
    void AddedToManager(WidgetManager* manager) override;
    void RemovedFromManager(WidgetManager* manager) override;
    void Draw(Graphics* g) override;
    void OnZOrderChanged() override;
    void SetColor(int index, const Color& color) override;
    void Resize(int newX, int newY, int newWidth, int newHeight) override;
    void MouseUp(int mx, int my, int button, int clickCount) override;
    void MouseDrag(int mx, int my) override;
    void ButtonPress(int buttonId) override;
    void ButtonReleased(int buttonId) override;

protected:
    void EnsureFonts();

private:
    // What a running WaitForResult learns even when the dialog is deleted under it.
    struct WaitState
    {
        int result;
        bool destroyed;
        WaitState* outer;
    };
    WaitState* waitState = nullptr;
};

} // namespace Zest
