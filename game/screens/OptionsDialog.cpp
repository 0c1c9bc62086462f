// The options dialog: volumes change at once, the boxes on OK; its controls sit above it in the manager.
#include "OptionsDialog.h"

#include "GameApp.h"
#include "MenuWnd.h"
#include "SlidePanel.h"
#include "TitleWnd.h"
#include "game/core/GameResources.h"
#include "game/core/TextIds.h"
#include "graphics/Graphics.h"
#include "widgets/Checkbox.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

namespace
{
const Color kWhite(255, 255, 255, 255);
constexpr int kKeyEscape = 27;
} // namespace

void OpenOptionsDialog(GameApp* app)
{
    auto* options = new DemoDialog(app, app->Text(TXT_OPTIONS), "");
    const int w = ImageWidth(IMAGE_MONITOR_SMALL), h = ImageHeight(IMAGE_MONITOR_SMALL);
    options->Resize(400 - w / 2, 300 - h / 2, w, h);
    app->AddDialog(DIALOG_OPTIONS, options);
    // The keyboard goes to the dialog, so that Escape reaches it; the sliders and boxes never take it.
    app->mWidgetManager->SetFocus(options);
}

DemoDialog::DemoDialog(GameApp* gameApp, const std::string& header, const std::string& lines)
    : Dialog(IMAGE_MONITOR_SMALL, IMAGE_SMBUTTON, DIALOG_OPTIONS, true, header, lines, "", DIALOG_BUTTONS_NONE),
      app(gameApp)
{
    contentInsets = Insets(40, 20, 40, 20);
    const int ws = ImageWidth(IMAGE_MONITOR_SMALL), hs = ImageHeight(IMAGE_MONITOR_SMALL);
    const int bw = ImageWidth(IMAGE_SMBUTTON), bh = ImageHeight(IMAGE_SMBUTTON);
    okButton = std::make_unique<ButtonWidget>(kOkId, this);
    okButton->label = app->Text(TXT_OK);
    okButton->buttonImage = IMAGE_SMBUTTON;
    okButton->overImage = IMAGE_SMBUTTON_OVER;
    okButton->downImage = IMAGE_SMBUTTON_DOWN;
    if (FONT_DEFAULT_BLUE) okButton->SetFont(FONT_DEFAULT_BLUE);
    okButton->SetColor(0, kWhite);
    okButton->SetColor(1, kWhite);
    okButton->showHandCursor = true;
    okButton->Resize(ws / 2 - bw / 2, hs - bh - 20, bw, bh);
    AddWidget(okButton.get());
    spaceAfterHeader = 30;
    if (FONT_BUTTON_SMALL) SetHeaderFont(FONT_BUTTON_SMALL);
    if (FONT_DEFAULT)
    {
        SetLinesFont(FONT_DEFAULT);
        SetButtonFont(FONT_DEFAULT);
    }
    SetColor(0, kWhite);
    SetColor(1, kWhite);

    musicSlider = std::make_unique<Slider>(kMusicId, this);
    musicSlider->SetValue(app->GetMusicVolume());
    soundSlider = std::make_unique<Slider>(kSoundId, this);
    soundSlider->SetValue(app->GetSfxVolume());
    for (Slider* slider : {musicSlider.get(), soundSlider.get()})
    {
        slider->trackImage = IMAGE_SLIDER_TRACK;
        slider->thumbImage = IMAGE_SLIDER_THUMB;
    }
    threeDBox = std::make_unique<Checkbox>(kThreeDId, this);
    fullScreenBox = std::make_unique<Checkbox>(kFullScreenId, this);
    noHintsBox = std::make_unique<Checkbox>(kNoHintsId, this);
}

DemoDialog::~DemoDialog()
{
    // The controls beside it leave the manager as they are destroyed.
    RemoveAllWidgets(false);
}

void DemoDialog::AddedToManager(WidgetManager* manager)
{
    Dialog::AddedToManager(manager);
    // In front of the dialog, so that they take the mouse above its modal layer.
    for (Widget* w : {static_cast<Widget*>(musicSlider.get()), static_cast<Widget*>(soundSlider.get())})
    {
        w->zOrder = zOrder;
        manager->AddWidget(w);
    }
    const int cw = ImageWidth(IMAGE_CHECKBOX), ch = ImageHeight(IMAGE_CHECKBOX);
    for (Checkbox* box : {threeDBox.get(), fullScreenBox.get(), noHintsBox.get()})
    {
        box->uncheckedImage = IMAGE_CHECKBOX;
        box->checkedImage = IMAGE_CHECKBOX;
        box->uncheckedRect = Rect(0, 0, cw / 2, ch);
        box->checkedRect = Rect(cw / 2, 0, cw / 2, ch);
    }
    threeDBox->SetChecked(app->Is3DAccelerated(), false);
    fullScreenBox->SetChecked(!app->mIsWindowed, false);
    const PlayerProfile* player = app->CurrentPlayer();
    noHintsBox->SetChecked(player && player->noHints, false);
    // Without a current player there is nobody to keep the setting for.
    noHintsBox->SetDisabled(player == nullptr);
    for (Checkbox* box : {threeDBox.get(), fullScreenBox.get(), noHintsBox.get()})
    {
        box->zOrder = zOrder;
        manager->AddWidget(box);
    }
}

void DemoDialog::RemovedFromManager(WidgetManager* manager)
{
    Dialog::RemovedFromManager(manager);
    for (Widget* w : {static_cast<Widget*>(musicSlider.get()), static_cast<Widget*>(soundSlider.get()),
                      static_cast<Widget*>(threeDBox.get()), static_cast<Widget*>(fullScreenBox.get()),
                      static_cast<Widget*>(noHintsBox.get())})
        if (w && w->widgetManager) manager->RemoveWidget(w);
}

void DemoDialog::Resize(int newX, int newY, int newWidth, int newHeight)
{
    Dialog::Resize(newX, newY, newWidth, newHeight);
    if (!musicSlider) return;
    const int trackW = ImageWidth(IMAGE_SLIDER_TRACK), thumbH = ImageHeight(IMAGE_SLIDER_THUMB);
    const int cw = ImageWidth(IMAGE_CHECKBOX) / 2, ch = ImageHeight(IMAGE_CHECKBOX);
    const int left = contentInsets.mLeft, right = contentInsets.mRight;
    musicSlider->Resize(newX + left, newY + 85, trackW, thumbH);
    soundSlider->Resize(newX + newWidth - right - trackW, newY + 85, trackW, thumbH);
    const int musicBottom = musicSlider->y + musicSlider->height;
    const int soundBottom = soundSlider->y + soundSlider->height;
    threeDBox->Resize(musicSlider->x, musicBottom + 15, cw, ch);
    noHintsBox->Resize(musicSlider->x, musicBottom + 50, cw, ch);
    fullScreenBox->Resize(soundSlider->x, soundBottom + 15, cw, ch);
    const int bw = ImageWidth(IMAGE_SMBUTTON), bh = ImageHeight(IMAGE_SMBUTTON);
    okButton->Resize(newWidth / 2 - bw / 2, newHeight - bh - 40, bw, bh);
}

void DemoDialog::Draw(Graphics* g)
{
    if (app->titleWnd && app->mWidgetManager->HasWidget(app->titleWnd.get()))
    {
        g->ClearClipRect();
        g->SetColor(Color(0, 0, 0, 170));
        g->FillRect(-x, -y, 800, 600);
    }
    Dialog::Draw(g);
    // Labels beside the controls, which are placed in screen coordinates.
    auto label = [&](int sx, int sy, int text)
    { DrawJustifiedString(g, FONT_DEFAULT_BLUE, sx - x, sy - y, app->Text(text), -1, kWhite); };
    label(musicSlider->x, musicSlider->y - 5, 26);
    label(soundSlider->x, soundSlider->y - 5, 27);
    label(threeDBox->x + threeDBox->width + 10, threeDBox->y + 21, 28);
    label(fullScreenBox->x + fullScreenBox->width + 10, fullScreenBox->y + 21, 29);
    label(noHintsBox->x + noHintsBox->width + 10, noHintsBox->y + 21, 30);
}

void DemoDialog::SliderVal(int id, double value)
{
    if (id == kMusicId)
    {
        app->SetMusicVolume(value);
    }
    else if (id == kSoundId)
    {
        app->SetSfxVolume(value);
        // One click when the thumb is let go, so the player hears the new level.
        if (!soundSlider->dragging) app->PlayClick();
    }
}

void DemoDialog::CheckboxChecked(int id, bool checked)
{
    if (id == kThreeDId && checked)
    {
        if (!app->Is3DAccelerationSupported())
        {
            threeDBox->SetChecked(false);
            app->OpenDialog(DIALOG_OPTIONS_MESSAGE, true, app->Text(TXT_THREE_D_NOT_SUPPORTED),
                            app->Text(TXT_GRAPHICS_CARD_CANNOT_DRAW), app->Text(TXT_OK), DIALOG_BUTTONS_FOOTER);
        }
        else if (!app->Is3DAccelerationRecommended())
        {
            app->OpenDialog(DIALOG_OPTIONS_MESSAGE, true, app->Text(TXT_THREE_D_NOT_RECOMMENDED),
                            app->Text(TXT_THREE_D_MODE_MAY), app->Text(TXT_OK), DIALOG_BUTTONS_FOOTER);
        }
    }
    else if (id == kFullScreenId && !checked && app->mFullScreenForced)
    {
        app->OpenDialog(DIALOG_OPTIONS_MESSAGE, true, app->Text(TXT_FULL_SCREEN_ONLY),
                        app->Text(TXT_DISPLAY_CAN_ONLY_RUN), app->Text(TXT_OK), DIALOG_BUTTONS_FOOTER);
        fullScreenBox->SetChecked(true, false);
    }
    else if (id == kNoHintsId)
    {
        if (PlayerProfile* player = app->CurrentPlayer()) player->noHints = checked;
    }
}

void DemoDialog::KeyDown(int keyCode)
{
    if (keyCode == kKeyEscape && widgetManager) Accept();
}

void DemoDialog::ShowScreenMode(bool fullScreen)
{
    if (fullScreenBox) fullScreenBox->SetChecked(fullScreen, true);
}

void DemoDialog::ButtonReleased(int id)
{
    Dialog::ButtonReleased(id);
    app->PlayClick();
    if (id == kOkId && widgetManager) Accept();
}

void DemoDialog::Accept()
{
    app->SwitchScreenMode(!fullScreenBox->checked, threeDBox->checked);
    app->SavePlayers();
    app->CloseDialog(this);
    // Over the in-game menu the keyboard goes back to the menu, so that Escape closes it rather than reaching the
    // play field beneath, which would open a second menu.
    if (Dialog* menu = app->GetDialog(DIALOG_MENU); menu && menu->widgetManager && dynamic_cast<MenuWnd*>(menu))
        app->mWidgetManager->SetFocus(menu);
    else
        app->FocusGameWidget();
}

} // namespace Zest
