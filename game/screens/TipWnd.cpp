// The tip window: fades in over the play field, shows the customer, closes with OK and hands the keyboard back.
#include "TipWnd.h"

#include "GameApp.h"
#include "SlidePanel.h"
#include "game/core/GameResources.h"
#include "game/core/TextIds.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"

#include <algorithm>

namespace Zest
{

TipWnd::TipWnd(GameApp* gameApp, int type)
    : Dialog(IMAGE_MONITOR_SMALL, nullptr, DIALOG_TEXT_ENTRY, true, "", "", "", DIALOG_BUTTONS_NONE), app(gameApp),
      customerType(std::clamp(type, 0, 11))
{
    flagChange.add |= WIDGETFLAGS_MARK_DIRTY;
    const int w = ImageWidth(IMAGE_MONITOR_SMALL), h = ImageHeight(IMAGE_MONITOR_SMALL);
    Resize(400 - w / 2, 300 - h / 2, w, h);
    okButton = std::make_unique<ButtonWidget>(kOkId, this);
    okButton->label = app->Text(TXT_CONTINUE);
    if (FONT_DEFAULT_BLUE) okButton->SetFont(FONT_DEFAULT_BLUE);
    okButton->SetColor(0, Color(255, 255, 255));
    okButton->SetColor(1, Color(255, 255, 255));
    okButton->buttonImage = IMAGE_SMBUTTON;
    okButton->overImage = IMAGE_SMBUTTON_OVER;
    okButton->downImage = IMAGE_SMBUTTON_OVER;
    okButton->Resize(w / 2 - ImageWidth(IMAGE_SMBUTTON) / 2, 220, ImageWidth(IMAGE_SMBUTTON),
                     ImageHeight(IMAGE_SMBUTTON));
    okButton->showHandCursor = true;
    AddWidget(okButton.get());
    if (app->playScreen) customer = app->playScreen->MakeTipCustomer(customerType, -20, 40);
}

TipWnd::~TipWnd()
{
    RemoveWidget(okButton.get());
}

int TipWnd::Alpha() const
{
    return shownUpdates < 50 ? shownUpdates * 255 / 50 : 255;
}

void TipWnd::Update()
{
    Dialog::Update();
    if (customer) customer->Update();
    ++shownUpdates;
}

void TipWnd::Draw(Graphics* g)
{
    const int a = Alpha();
    const Color white(255, 255, 255, a);
    g->SetColor(white);
    g->SetColorizeImages(true);
    if (componentImage) g->DrawImageBox(Rect(0, 0, width, height), componentImage);
    DrawJustifiedString(g, FONT_BUTTON_SMALL, width / 2 + 50, 50, app->Text(TXT_NEW_CUSTOMER), 0, white);
    DrawJustifiedString(g, FONT_DEFAULT_BLUE, width / 2 + 50, 70, app->Text(NameText()), 0, white);
    g->SetFont(FONT_SIMPLE);
    g->SetColor(Color(13, 94, 36, a));
    if (FONT_SIMPLE) DrawWrappedText(g, Rect(140, 80, width - 180, 130), app->Text(DescriptionText()), 15, 0);
    g->SetColor(white);
    if (customer) customer->Draw(g);
    g->SetColorizeImages(false);
}

void TipWnd::ButtonReleased(int id)
{
    app->PlayClick();
    if (id != kOkId) return;
    GameApp* const shell = app;
    shell->CloseDialog(this);
    if (!shell->OpenNextTip()) shell->FocusGameWidget();
}

} // namespace Zest
