// Zest::WidgetApp: the few services of the application object that widgets and dialogs call.
#pragma once

#include <string>

#include "widgets/ButtonListener.h"
#include "widgets/DialogListener.h"

namespace Zest
{

class Dialog;

// Cursor ids understood by WidgetApp::SetCursor.
enum CursorId : int
{
    CURSOR_POINTER = 0,
    CURSOR_HAND = 1,
    CURSOR_DRAGGING = 2,
    CURSOR_TEXT = 3,
};

// The application object implements this; widgets reach it through their manager's `app`, or through
// GetWidgetApp() where no manager is at hand (a dialog being built, a dialog waiting for its result).
//
// It is also every dialog's default DialogListener: buttons 1000 and 1001 of dialog d come back to the
// application's own ButtonListener side as button ids d + 2000 and d + 3000.
class WidgetApp : public ButtonListener, public DialogListener
{
public:
    ~WidgetApp() override = default;

    // +1 per fixed 10 ms update.
    virtual int GetUpdateCount() const = 0;

    // Makes the cursor current and shows it at once.
    virtual void SetCursor(int cursorId) = 0;

    // The dialog register. AddDialog closes a dialog already registered under the id, gives a dialog of
    // width 0 its default place and size, registers it, adds it to the widget manager and pushes a modal layer
    // for a modal one. CloseDialog takes it out of the manager and the register; false when none has the id.
    virtual void AddDialog(int id, Dialog* dialog) = 0;
    virtual bool CloseDialog(int id) = 0;
    virtual Dialog* GetDialog(int id) const = 0;

    // One step of the main loop; false once the application is shutting down. `nested` is true when called
    // from a loop inside the main loop (a dialog waiting for its result): widgets closed during such a step
    // must not be deleted before control is back at the outermost level.
    virtual bool RunLoopStep(bool nested) = 0;

    // Plain text clipboard; empty when there is none.
    virtual void CopyToClipboard(const std::string& text) = 0;
    virtual std::string GetClipboard() = 0;

    // Typed characters up to 255 are admitted when on, up to 127 otherwise.
    virtual bool ExtendedChars() const { return true; }

    // When on, an edit field with the focus shows the system caret at its absolute position; the application
    // keeps it 10 pixels inside the screen.
    virtual bool SystemCaret() const { return false; }
    virtual void ShowSystemCaret(int x, int y, int height)
    {
        (void)x;
        (void)y;
        (void)height;
    }
    virtual void HideSystemCaret() {}

    // Drawing: whether the display draws through 3-D hardware.
    virtual bool Is3DAccelerated() const { return false; }

    // 1000 -> dialogId + 2000, 1001 -> dialogId + 3000; any other button has no application id (-1).
    static int DialogButtonId(int dialogId, int buttonId);

    void DialogButtonPress(int dialogId, int buttonId) override;
    void DialogButtonReleased(int dialogId, int buttonId) override;
};

// The process's application, or null before it exists (and in tests that do without one).
WidgetApp* GetWidgetApp();
void SetWidgetApp(WidgetApp* app);

} // namespace Zest
