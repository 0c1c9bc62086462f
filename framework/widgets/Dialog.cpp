// Zest::Dialog and Zest::DialogButton: layout of header, lines, footer and buttons, the frame, dragging within
// the screen, and the nested wait for a result.
#include "widgets/Dialog.h"

#include <algorithm>

#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "widgets/DialogListener.h"
#include "widgets/SystemFonts.h"
#include "widgets/WidgetApp.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

namespace
{

int ClampBetween(int value, int low, int high)
{
    // A dialog smaller than the margins has high below low; the low bound wins then.
    return std::clamp(value, low, std::max(low, high));
}

} // namespace

DialogButton::DialogButton(Image* image, int buttonId, ButtonListener* buttonListener)
    : ButtonWidget(buttonId, buttonListener), componentImage(image)
{
    static const int kDefaultColors[6][3] = {
        {255, 255, 255}, {255, 255, 255}, {0, 0, 0}, {255, 255, 255}, {132, 132, 132}, {212, 212, 212},
    };
    SetColors(kDefaultColors, 6);
    showHandCursor = true;
    dirty = false; // setting the colours marked it; a new widget starts clean
}

void DialogButton::Draw(Graphics* g)
{
    if (noDraw) return;
    if (componentImage == nullptr)
    {
        ButtonWidget::Draw(g);
        return;
    }
    if (!label.empty() && font == nullptr) EnsureFont(12, true);

    bool pressed = IsButtonDown();
    if (pressed) g->Translate(translateX, translateY);

    Rect whole(0, 0, width, height);
    if (normalRect.mWidth == 0)
    {
        g->DrawImageBox(whole, componentImage);
    }
    else if (disabled && disabledRect.mWidth > 0)
    {
        g->DrawImageBox(disabledRect, whole, componentImage);
    }
    else if (pressed)
    {
        g->DrawImageBox(downRect, whole, componentImage);
    }
    else if (overAlpha > 0)
    {
        if (overAlpha < 1.0) g->DrawImageBox(normalRect, whole, componentImage);
        bool wasColorizing = g->GetColorizeImages();
        g->SetColorizeImages(true);
        g->SetColor(Color(255, 255, 255, static_cast<int>(overAlpha * 255.0)));
        g->DrawImageBox(overRect, whole, componentImage);
        g->SetColorizeImages(wasColorizing);
    }
    else
    {
        g->DrawImageBox(isOver ? overRect : normalRect, whole, componentImage);
    }

    if (font != nullptr)
    {
        g->SetFont(font.get());
        g->SetColor(GetColor(isOver ? BUTTON_COLOR_TEXT_HOVER : BUTTON_COLOR_TEXT));
        int ascent = font->GetAscent();
        int labelX = textOffsetX + (width - font->StringWidth(label)) / 2;
        int labelY = textOffsetY + (ascent + height - ascent / 6 - font->GetAscentPadding() - 1) / 2;
        g->DrawString(label, labelX, labelY);
    }

    if (pressed) g->Translate(-translateX, -translateY);
}

Dialog::Dialog(Image* frameImage, Image* buttonImage, int dialogId, bool modal, const std::string& headerText,
               const std::string& linesText, const std::string& footerText, int mode)
    : dialogListener(GetWidgetApp()), componentImage(frameImage), header(headerText), footer(footerText),
      lines(linesText), buttonMode(mode), buttonHeight(buttonImage != nullptr ? buttonImage->GetHeight() : 24),
      id(dialogId), isModal(modal)
{
    const char* yesLabel = nullptr;
    const char* noLabel = nullptr;
    if (mode == DIALOG_BUTTONS_YES_NO)
    {
        yesLabel = "YES";
        noLabel = "NO";
    }
    else if (mode == DIALOG_BUTTONS_OK_CANCEL)
    {
        yesLabel = "OK";
        noLabel = "CANCEL";
    }
    if (yesLabel != nullptr)
    {
        yesButton = std::make_unique<DialogButton>(buttonImage, DIALOG_BUTTON_YES, this);
        yesButton->label = yesLabel;
        noButton = std::make_unique<DialogButton>(buttonImage, DIALOG_BUTTON_NO, this);
        noButton->label = noLabel;
    }
    else if (mode == DIALOG_BUTTONS_FOOTER)
    {
        yesButton = std::make_unique<DialogButton>(buttonImage, DIALOG_BUTTON_YES, this);
        yesButton->label = footer;
    }

    translucent = true;
    seeThrough = true;
    priority = 1;

    // Without a button image the buttons are plain bevels, whose text reads better in black. This dialog's
    // own colours only: the defaults of other dialogs stay as they are.
    int defaults[7][3] = {
        {255, 255, 255}, {255, 255, 0}, {255, 255, 255}, {255, 255, 255},
        {255, 255, 255}, {80, 80, 80},  {255, 255, 255},
    };
    if (buttonImage == nullptr)
    {
        for (int row : {DIALOG_COLOR_BUTTON_TEXT, DIALOG_COLOR_BUTTON_TEXT_HOVER})
            defaults[row][0] = defaults[row][1] = defaults[row][2] = 0;
    }
    SetColors(defaults, 7);
    dirty = false; // setting the colours marked it; a new widget starts clean
}

Dialog::~Dialog()
{
    for (WaitState* state = waitState; state != nullptr; state = state->outer) state->destroyed = true;
    // The buttons take themselves out of the manager as they go.
    yesButton.reset();
    noButton.reset();
}

void Dialog::SetButtonFont(Font* font)
{
    if (yesButton != nullptr) yesButton->SetFont(font);
    if (noButton != nullptr) noButton->SetFont(font);
}

void Dialog::SetHeaderFont(Font* font)
{
    headerFont = font != nullptr ? font->Duplicate() : nullptr;
}

void Dialog::SetLinesFont(Font* font)
{
    linesFont = font != nullptr ? font->Duplicate() : nullptr;
}

void Dialog::EnsureFonts()
{
    if (headerFont == nullptr) headerFont = MakeDefaultWidgetFont(14);
    if (linesFont == nullptr) linesFont = MakeDefaultWidgetFont(12);
}

int Dialog::GetPreferredHeight(int forWidth)
{
    EnsureFonts();
    int h = backgroundInsets.mTop + backgroundInsets.mBottom + contentInsets.mTop + contentInsets.mBottom;
    bool anyText = false;
    if (!header.empty())
    {
        h += headerFont->GetHeight() - headerFont->GetAscentPadding();
        anyText = true;
    }
    if (!lines.empty())
    {
        if (!header.empty()) h += spaceAfterHeader;
        Graphics measure;
        measure.SetFont(linesFont.get());
        int textWidth = forWidth - backgroundInsets.mLeft - contentInsets.mLeft - backgroundInsets.mRight -
                        contentInsets.mRight - 4;
        h += MeasureWrappedText(&measure, textWidth, lines, linesFont->GetLineSpacing() + lineSpacingOffset);
        anyText = true;
    }
    if (!footer.empty() && buttonMode != DIALOG_BUTTONS_FOOTER)
    {
        if (anyText) h += 8;
        h += headerFont->GetLineSpacing();
        anyText = true;
    }
    if (yesButton != nullptr)
    {
        if (anyText) h += 8;
        h += 8 + buttonHeight;
    }
    return h;
}

bool Dialog::IsModal()
{
    return isModal;
}

int Dialog::WaitForResult(bool autoKill)
{
    WidgetApp* app = GetWidgetApp();
    if (app == nullptr) return result;

    const int dialogId = id;
    // The manager outlives the dialog, which may be closed and deleted during the wait.
    WidgetManager* manager = widgetManager;
    WaitState state{result, false, waitState};
    waitState = &state;
    for (;;)
    {
        bool running = app->RunLoopStep(true);
        if (state.destroyed)
        {
            if (manager != nullptr) manager->RefreshMouseOver();
            return state.result;
        }
        if (app->GetDialog(dialogId) != this || !running || widgetManager == nullptr || result != DIALOG_NO_RESULT)
            break;
    }
    waitState = state.outer;
    int finalResult = result;
    if (autoKill && app->GetDialog(dialogId) == this) app->CloseDialog(dialogId);
    // The widgets the dialog covered take the hover back from where the mouse is now, without waiting for it
    // to move.
    if (manager != nullptr) manager->RefreshMouseOver();
    return finalResult;
}

void Dialog::AddedToManager(WidgetManager* manager)
{
    Widget::AddedToManager(manager);
    // The buttons go in as siblings, at the dialog's depth so that they land in front of it.
    for (DialogButton* button : {yesButton.get(), noButton.get()})
    {
        if (button == nullptr) continue;
        button->zOrder = zOrder;
        manager->AddWidget(button);
    }
}

void Dialog::RemovedFromManager(WidgetManager* manager)
{
    Widget::RemovedFromManager(manager);
    if (yesButton != nullptr) manager->RemoveWidget(yesButton.get());
    if (noButton != nullptr) manager->RemoveWidget(noButton.get());
}

void Dialog::OnZOrderChanged()
{
    if (widgetManager == nullptr) return;
    if (yesButton != nullptr) widgetManager->MoveInFrontOf(yesButton.get(), this);
    if (noButton != nullptr) widgetManager->MoveInFrontOf(noButton.get(), this);
}

void Dialog::SetColor(int index, const Color& color)
{
    Widget::SetColor(index, color);
    int buttonSlot = -1;
    if (index == DIALOG_COLOR_BUTTON_TEXT)
        buttonSlot = BUTTON_COLOR_TEXT;
    else if (index == DIALOG_COLOR_BUTTON_TEXT_HOVER)
        buttonSlot = BUTTON_COLOR_TEXT_HOVER;
    if (buttonSlot < 0) return;
    if (yesButton != nullptr) yesButton->SetColor(buttonSlot, color);
    if (noButton != nullptr) noButton->SetColor(buttonSlot, color);
}

void Dialog::Resize(int newX, int newY, int newWidth, int newHeight)
{
    Widget::Resize(newX, newY, newWidth, newHeight);
    if (yesButton == nullptr) return;
    int left = backgroundInsets.mLeft + contentInsets.mLeft;
    int right = backgroundInsets.mRight + contentInsets.mRight;
    int buttonY = newY + newHeight - contentInsets.mBottom - backgroundInsets.mBottom - buttonHeight;
    if (noButton != nullptr)
    {
        int buttonWidth = (newWidth - left - right - 2 * buttonSidePadding - buttonHorzSpacing) / 2;
        int firstX = newX + left + buttonSidePadding;
        yesButton->Resize(firstX, buttonY, buttonWidth, buttonHeight);
        noButton->Resize(firstX + buttonWidth + buttonHorzSpacing, buttonY, buttonWidth, buttonHeight);
    }
    else
    {
        yesButton->Resize(newX + left, buttonY, newWidth - left - right, buttonHeight);
    }
}

void Dialog::Draw(Graphics* g)
{
    EnsureFonts();
    const int w = width;
    const int h = height;
    const int left = backgroundInsets.mLeft + contentInsets.mLeft;
    const int right = backgroundInsets.mRight + contentInsets.mRight;

    if (componentImage != nullptr)
    {
        g->DrawImageBox(Rect(backgroundInsets.mLeft, backgroundInsets.mTop,
                             w - backgroundInsets.mLeft - backgroundInsets.mRight,
                             h - backgroundInsets.mTop - backgroundInsets.mBottom),
                        componentImage);
    }
    else
    {
        g->SetColor(GetColor(DIALOG_COLOR_FRAME_OUTLINE));
        g->DrawRect(12, 12, w - 25, h - 25);
        g->SetColor(GetColor(DIALOG_COLOR_FRAME_FILL));
        g->FillRect(13, 13, w - 26, h - 26);
        g->SetColor(Color(0, 0, 0, 128));
        g->FillRect(w - 12, 24, 12, h - 36);
        g->FillRect(24, h - 12, w - 24, 12);
    }

    int lineY = contentInsets.mTop + backgroundInsets.mTop;
    if (!header.empty())
    {
        g->SetFont(headerFont.get());
        g->SetColor(GetColor(DIALOG_COLOR_HEADER));
        WriteCenteredLine(g, lineY - headerFont->GetAscentPadding() + headerFont->GetAscent(), header);
        lineY = lineY - headerFont->GetAscentPadding() + headerFont->GetHeight() + spaceAfterHeader;
    }

    int linesHeight = 0;
    if (!lines.empty())
    {
        g->SetFont(linesFont.get());
        g->SetColor(GetColor(DIALOG_COLOR_LINES));
        Rect area(backgroundInsets.mLeft + 2 + contentInsets.mLeft, lineY, w - left - right - 4, h - lineY);
        linesHeight =
            DrawWrappedText(g, area, lines, linesFont->GetLineSpacing() + lineSpacingOffset, textJustification);
    }

    if (!footer.empty() && buttonMode != DIALOG_BUTTONS_FOOTER)
    {
        g->SetFont(headerFont.get());
        g->SetColor(GetColor(DIALOG_COLOR_FOOTER));
        WriteCenteredLine(g, lineY + linesHeight + 8 + headerFont->GetLineSpacing(), footer);
    }
}

void Dialog::MouseUp(int mx, int my, int button, int clickCount)
{
    Widget::MouseUp(mx, my, button, clickCount);
    if (!dragging) return;
    if (widgetManager != nullptr && widgetManager->app != nullptr) widgetManager->app->SetCursor(CURSOR_POINTER);
    dragging = false;
}

void Dialog::MouseDrag(int mx, int my)
{
    if (!dragging || widgetManager == nullptr) return;
    // (mx, my) is relative to the dialog: keep the grip point under the mouse, within 8 pixels of the screen.
    int newX = ClampBetween(x + mx - dragMouseX, -8, widgetManager->width + 8 - width);
    int newY = ClampBetween(y + my - dragMouseY, -8, widgetManager->height + 8 - height);
    dragMouseX = ClampBetween(x + mx - newX, 8, width - 9);
    dragMouseY = ClampBetween(y + my - newY, 8, height - 9);
    Move(newX, newY);
}

void Dialog::ButtonPress(int buttonId)
{
    if (buttonId != DIALOG_BUTTON_YES && buttonId != DIALOG_BUTTON_NO) return;
    if (dialogListener != nullptr) dialogListener->DialogButtonPress(id, buttonId);
}

void Dialog::ButtonReleased(int buttonId)
{
    if (buttonId != DIALOG_BUTTON_YES && buttonId != DIALOG_BUTTON_NO) return;
    result = buttonId;
    for (WaitState* state = waitState; state != nullptr; state = state->outer) state->result = buttonId;
    if (dialogListener != nullptr) dialogListener->DialogButtonReleased(id, buttonId);
}

} // namespace Zest
