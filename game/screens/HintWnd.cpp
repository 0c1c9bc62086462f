// The hint panel: placement by the point it explains, a half-second fade-in, and the mouse passed to the field.
#include "HintWnd.h"

#include "GameApp.h"
#include "SlidePanel.h"
#include "game/core/GameResources.h"
#include "game/core/TextIds.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "widgets/WidgetManager.h"

#include <algorithm>

namespace Zest
{

HintWnd::HintWnd(GameApp* gameApp) : app(gameApp)
{
    flagChange.add |= WIDGETFLAGS_MARK_DIRTY;
    okButton = std::make_unique<ButtonWidget>(kOkId, this);
    okButton->label = app ? app->Text(TXT_CONTINUE) : std::string();
    if (FONT_DEFAULT_BLUE) okButton->SetFont(FONT_DEFAULT_BLUE);
    okButton->SetColor(0, Color(255, 255, 255));
    okButton->SetColor(1, Color(255, 255, 255));
    okButton->buttonImage = IMAGE_SMBUTTON100;
    okButton->overImage = IMAGE_SMBUTTON100_OVER;
    okButton->downImage = IMAGE_SMBUTTON100_OVER;
    okButton->Resize(130, 135, ImageWidth(IMAGE_SMBUTTON100), ImageHeight(IMAGE_SMBUTTON100));
    okButton->showHandCursor = true;
    AddWidget(okButton.get());

    noHintsCheckbox = std::make_unique<Checkbox>(kCheckboxId, this);
    // One picture, two cells: unchecked on the left, checked on the right.
    noHintsCheckbox->uncheckedImage = IMAGE_CHECKBOX;
    noHintsCheckbox->checkedImage = IMAGE_CHECKBOX;
    noHintsCheckbox->uncheckedRect = Rect(0, 0, ImageWidth(IMAGE_CHECKBOX) / 2, ImageHeight(IMAGE_CHECKBOX));
    noHintsCheckbox->checkedRect =
        Rect(ImageWidth(IMAGE_CHECKBOX) / 2, 0, ImageWidth(IMAGE_CHECKBOX) / 2, ImageHeight(IMAGE_CHECKBOX));
    noHintsCheckbox->Resize(12, 136, ImageWidth(IMAGE_CHECKBOX) / 2, ImageHeight(IMAGE_CHECKBOX));
    AddWidget(noHintsCheckbox.get());
}

HintWnd::~HintWnd()
{
    RemoveWidget(okButton.get());
    RemoveWidget(noHintsCheckbox.get());
}

void HintWnd::SetHint(int px, int py, int newPlacement)
{
    placement = newPlacement;
    shownUpdates = 0;
    if (placement < 0 || placement > 2) return;
    const int w = ImageWidth(IMAGE_W_HINT);
    const int h = ImageHeight(IMAGE_W_HINT);
    if (placement == 0 || placement == 1)
    {
        arrowX = 43;
        if (px + w - 43 > 800) arrowX = px + w - 800;
    }
    if (placement == 0)
        Resize(px - arrowX - 5, py - 215, w, h);
    else if (placement == 1)
        Resize(px - arrowX - 1, py + ImageHeight(IMAGE_W_HINT_ARROW_LEFT_UP) - 8, w, h);
    else
        Resize(px - 268, py - 216, w, h);
    textRect = Rect(12, 15, w - 40, 120);
    okButton->Resize(170, 130, ImageWidth(IMAGE_SMBUTTON100), ImageHeight(IMAGE_SMBUTTON100));
}

int HintWnd::Alpha() const
{
    return shownUpdates < 50 ? shownUpdates * 255 / 50 : 255;
}

void HintWnd::Update()
{
    Widget::Update();
    ++shownUpdates;
}

void HintWnd::Draw(Graphics* g)
{
    const int a = Alpha();
    g->SetColor(Color(255, 255, 255, a));
    g->SetColorizeImages(true);
    g->DrawImage(IMAGE_W_HINT, 0, 0);
    g->ClearClipRect();
    if (placement == 0)
        g->DrawImage(IMAGE_W_HINT_ARROW_LEFT, arrowX, 176);
    else if (placement == 1)
        g->DrawImage(IMAGE_W_HINT_ARROW_LEFT_UP, arrowX, 5 - ImageHeight(IMAGE_W_HINT_ARROW_LEFT_UP));
    else if (placement == 2)
        g->DrawImage(IMAGE_W_HINT_ARROW_RIGHT, 223, 176);
    g->SetColorizeImages(false);

    g->SetFont(FONT_SIMPLE);
    g->SetColor(Color(13, 94, 36, a));
    if (FONT_SIMPLE) DrawWrappedText(g, textRect, text, -1, 0);
    if (noHintsCheckbox->visible && app)
        DrawJustifiedString(g, FONT_DEFAULT, noHintsCheckbox->x + noHintsCheckbox->width + 5, noHintsCheckbox->y + 22,
                            app->Text(TXT_DONT_SHOW_HINTS), -1, Color(255, 255, 255, a));
    if (app && app->playScreen && app->playScreen->HoldsDish())
    {
        g->ClearClipRect();
        app->playScreen->DrawHeldDish(g, x, y);
    }
}

void HintWnd::KeyDown(int keyCode)
{
    // Escape only: Tab does not move the focus away from the panel.
    if (keyCode == 27 && app) app->HideHint();
}

void HintWnd::MouseMove(int mx, int my)
{
    Widget::MouseMove(mx, my);
    if (app && app->playScreen) app->playScreen->ForwardMouseMove(mx + x, my + y);
}

void HintWnd::MouseDrag(int mx, int my)
{
    Widget::MouseDrag(mx, my);
    if (app && app->playScreen) app->playScreen->ForwardMouseDrag(mx + x, my + y);
}

void HintWnd::MouseDown(int mx, int my, int clickCode)
{
    Widget::MouseDown(mx, my, clickCode);
    if (!app || !app->playScreen || !app->playScreen->HoldsDish()) return;
    app->playScreen->ForwardMouseDown(mx + x, my + y, clickCode);
    app->playScreen->ForwardMouseMove(mx + x, my + y);
}

void HintWnd::ButtonReleased(int id)
{
    if (app) app->PlayClick();
    if (id != kOkId) return;
    if (app && app->playScreen) app->playScreen->SetShownHint(-1);
    if (widgetManager) widgetManager->RemoveWidget(this);
}

void HintWnd::CheckboxChecked(int id, bool checked)
{
    if (id != kCheckboxId || !app) return;
    // No player settled yet: nothing to store the choice in.
    if (PlayerProfile* player = app->CurrentPlayer()) player->noHints = checked;
}

} // namespace Zest
