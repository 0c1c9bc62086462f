// The in-game menu (continue, restart, main menu, options, how to play) and the four how-to-play pages.
#include "MenuWnd.h"

#include "GameApp.h"
#include "OptionsDialog.h"
#include "ResultWindows.h"
#include "ScreenPictures.h"
#include "game/board/BoardModel.h"
#include "game/core/GameResources.h"
#include "game/core/TextIds.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "widgets/WidgetManager.h"

#include <algorithm>

namespace Zest
{

namespace
{

const Color kWhite(255, 255, 255, 255);
const Color kGreen(13, 94, 36, 255);
constexpr int kKeyEscape = 27;
constexpr int kKeyF1 = 112;

struct MenuButtonPlace
{
    int x, y, label;
    Image** icon;
    int iconX, iconY;
};

const MenuButtonPlace kMenuButtons[5] = {
    {52, 239, 40, &IMAGE_ICON_MENU, 119, 168},     {51, 414, 41, &IMAGE_ICON_HOW, 150, 348},
    {383, 414, 22, &IMAGE_ICON_OPTIONS, 491, 348}, {386, 239, 42, &IMAGE_ICON_RESTART, 528, 168},
    {217, 102, 39, &IMAGE_ICON_CONTINUE, 317, 30},
};

} // namespace

// ---- in-game menu ----

MenuWnd::MenuWnd(GameApp* gameApp) : SlidePanel(gameApp, IMAGE_MONITOR, nullptr, DIALOG_MENU)
{
    for (int i = 0; i < 5; ++i)
    {
        buttons[i] = std::make_unique<ButtonWidget>(i, this);
        const MenuButtonPlace& p = kMenuButtons[i];
        SetUpButton(*buttons[i], app->Text(p.label), IMAGE_BIGBUTTON, IMAGE_BIGBUTTON_OVER, IMAGE_BIGBUTTON_DOWN,
                    nullptr, FONT_BUTTON_SMALL, p.x, p.y);
    }
}

MenuWnd::~MenuWnd()
{
    RemoveAllWidgets(false);
}

void MenuWnd::Update()
{
    Dialog::Update();
    if (!SlideStep()) return;
    SetVisible(false);
    if (app->playScreen) app->playScreen->ShowMenuButton();
    app->CloseDialog(this);
    app->FocusGameWidget();
}

void MenuWnd::Draw(Graphics* g)
{
    FillScreen(g, DimAlpha(200));
    Dialog::Draw(g);
    for (const MenuButtonPlace& p : kMenuButtons)
        if (*p.icon) g->DrawImage(*p.icon, p.iconX, p.iconY);
}

void MenuWnd::KeyDown(int keyCode)
{
    if (keyCode == kKeyEscape)
    {
        if (!(app->playScreen && app->playScreen->Zooming())) closing = true;
        return;
    }
    if (keyCode == kKeyF1)
    {
        // Straight to the map: the day is abandoned and nothing of it is recorded.
        if (app->playScreen) app->playScreen->ShowMenuButton();
        app->CloseDialog(this);
        app->FocusGameWidget();
        app->StartGame();
    }
}

void MenuWnd::ButtonReleased(int id)
{
    Dialog::ButtonReleased(id);
    if (closing) return;
    app->PlayClick();
    switch (id)
    {
    case ContinueId:
        closing = true;
        break;
    case RestartId:
    {
        app->CloseDialog(this);
        if (app->playScreen) app->playScreen->ShowMenuButton();
        BoardModel* model = PlayModel(app);
        const bool won = model && model->ResultShown && !model->LevelFailed;
        if (!won && app->playScreen) app->playScreen->StartLevel();
        // The menu had the keyboard; the play field gets it back.
        app->FocusGameWidget();
        break;
    }
    case MainMenuId:
        if (app->ConfirmLeaveGame()) app->CloseDialog(this);
        break;
    case OptionsId:
        OpenOptionsDialog(app);
        break;
    case HowToPlayId:
        OpenHowDialog(app);
        break;
    default:
        break;
    }
}

// ---- how to play ----

void OpenHowDialog(GameApp* app)
{
    auto* how = new HowDialog(app);
    const int w = ImageWidth(IMAGE_MONITOR), h = ImageHeight(IMAGE_MONITOR);
    how->Resize(400 - w / 2, 600 - h, w, h);
    app->AddDialog(DIALOG_SHOP, how);
}

HowDialog::HowDialog(GameApp* gameApp)
    : Dialog(IMAGE_MONITOR, nullptr, DIALOG_SHOP, true, "", "", "", DIALOG_BUTTONS_NONE), app(gameApp)
{
    // The first page's picture is held while the pages are open.
    ScreenPictures::Acquire(ScreenPictures::HelpPage1);
    if (FONT_DEFAULT)
    {
        SetHeaderFont(FONT_DEFAULT);
        SetLinesFont(FONT_DEFAULT);
    }
    for (int c : {0, 1}) SetColor(c, kWhite);
    const int rowY = ButtonRowY();
    auto setUp = [&](std::unique_ptr<ButtonWidget>& b, int id, int label, Image* normal, Image* over, Image* down,
                     Image* disabledImage, int bx)
    {
        b = std::make_unique<ButtonWidget>(id, this);
        b->label = app->Text(label);
        b->buttonImage = normal;
        b->overImage = over;
        b->downImage = down;
        // A page button at its end page shows that it does nothing.
        b->disabledImage = disabledImage;
        if (FONT_DEFAULT_BLUE) b->SetFont(FONT_DEFAULT_BLUE);
        b->SetColor(0, kWhite);
        b->SetColor(1, kWhite);
        b->showHandCursor = true;
        b->Resize(bx, rowY, ImageWidth(normal), ImageHeight(normal));
        AddWidget(b.get());
    };
    const int indicatorWidth = FONT_DEFAULT ? FONT_DEFAULT->StringWidth(PageIndicator(1)) : 0;
    setUp(closeButton, kCloseId, 51, IMAGE_SMBUTTON, IMAGE_SMBUTTON_OVER, IMAGE_SMBUTTON_DOWN, nullptr, 50);
    setUp(nextButton, kNextId, 144, IMAGE_SMBUTTON100, IMAGE_SMBUTTON100_OVER, IMAGE_SMBUTTON100_OVER,
          IMAGE_SMBUTTON100_DISABLED, NextButtonX());
    setUp(previousButton, kPreviousId, 145, IMAGE_SMBUTTON100, IMAGE_SMBUTTON100_OVER, IMAGE_SMBUTTON100_OVER,
          IMAGE_SMBUTTON100_DISABLED, NextButtonX() - (indicatorWidth + 20) - ImageWidth(IMAGE_SMBUTTON100));
}

HowDialog::~HowDialog()
{
    RemoveAllWidgets(false);
    ScreenPictures::Release(ScreenPictures::HelpPage1);
}

std::string HowDialog::PageIndicator(int p) const
{
    return app->Text(TXT_PAGE) + " " + std::to_string(p) + " " + app->Text(TXT_OF) + " " + std::to_string(pageCount);
}

void HowDialog::ButtonReleased(int id)
{
    Dialog::ButtonReleased(id);
    app->PlayClick();
    switch (id)
    {
    case kCloseId:
        app->CloseDialog(this);
        break;
    case kNextId:
        if (++page >= pageCount)
        {
            page = pageCount;
            nextButton->SetDisabled(true);
        }
        previousButton->SetDisabled(false);
        break;
    case kPreviousId:
        if (--page <= 1)
        {
            page = 1;
            previousButton->SetDisabled(true);
        }
        nextButton->SetDisabled(false);
        break;
    default:
        break;
    }
}

int HowDialog::ButtonRowY()
{
    // The row stands at 480 where the frame leaves room under it; a frame whose rim would run through the buttons
    // (or the screen's edge cut them) lifts the row until the tallest button ends kButtonRowMargin above the bottom.
    const int tallest = std::max(ImageHeight(IMAGE_SMBUTTON), ImageHeight(IMAGE_SMBUTTON100));
    return std::min(kButtonRowY, ImageHeight(IMAGE_MONITOR) - tallest - kButtonRowMargin);
}

int HowDialog::NextButtonX()
{
    // Likewise the next-page button (and the indicator and previous-page button left of it) moves in from 545 when
    // it would reach over the frame's right edge.
    return std::min(kNextButtonX, ImageWidth(IMAGE_MONITOR) - ImageWidth(IMAGE_SMBUTTON100) - kButtonSideMargin);
}

void HowDialog::Wrapped(Graphics* g, Font* font, const Color& color, int textId, const Rect& rect, int spacing,
                        int justification)
{
    if (font == nullptr) return;
    g->SetFont(font);
    g->SetColor(color);
    DrawWrappedText(g, rect, app->Text(textId), spacing, justification);
}

void HowDialog::Draw(Graphics* g)
{
    Dialog::Draw(g);
    const int w = ImageWidth(IMAGE_MONITOR);
    DrawJustifiedString(g, FONT_BUTTON_SMALL, w / 2, 55, app->Text(TXT_HOW_PLAY), 0, kWhite);
    DrawJustifiedString(g, FONT_DEFAULT, NextButtonX() - 10, ButtonRowY() + 30, PageIndicator(page), 1, kWhite);
    DrawJustifiedString(g, FONT_DEFAULT, w / 2, 75,
                        app->Text(TXT_BASICS + (page - 1)) /* the four page titles follow each other */, 0, kWhite);
    switch (page)
    {
    case 1:
        DrawPage1(g);
        break;
    case 2:
        DrawPage2(g);
        break;
    case 3:
        DrawPage3(g);
        break;
    default:
        DrawPage4(g);
        break;
    }
}

namespace
{

void DrawCentred(Graphics* g, Image* image, int cx, int cy)
{
    if (image) g->DrawImage(image, cx - image->GetWidth() / 2, cy - image->GetHeight() / 2);
}

// Centred by width: the picture's width stands in for its height too, so icons of different heights share a top.
void DrawCentredByWidth(Graphics* g, Image* image, int cx, int cy)
{
    if (image) g->DrawImage(image, cx - image->GetWidth() / 2, cy - image->GetWidth() / 2);
}

} // namespace

void HowDialog::DrawPage1(Graphics* g)
{
    const int w = ImageWidth(IMAGE_MONITOR), h = ImageHeight(IMAGE_MONITOR);
    if (IMAGE_HELP_PAGE1)
        g->DrawImage(IMAGE_HELP_PAGE1, w / 2 - IMAGE_HELP_PAGE1->GetWidth() / 2,
                     h / 2 - IMAGE_HELP_PAGE1->GetHeight() / 2);
    Wrapped(g, FONT_DEFAULT_BLUE, kWhite, 139, Rect(60, 85, 190, 60), 15, 0);
    Wrapped(g, FONT_DEFAULT_BLUE, kWhite, 140, Rect(260, 85, 200, 60), 15, 0);
    Wrapped(g, FONT_DEFAULT_BLUE, kWhite, 141, Rect(470, 85, 190, 60), 15, 0);
    Wrapped(g, FONT_SIMPLE, kGreen, 146, Rect(270, 326, 175, 50), 15, 1);
    Wrapped(g, FONT_SIMPLE, kGreen, 147, Rect(270, 375, 175, 50), 15, 1);
    Wrapped(g, FONT_SIMPLE, kGreen, 148, Rect(50, 385, 210, 70), 15, 0);
}

void HowDialog::DrawPage2(Graphics* g)
{
    const int cofeHalf = ImageWidth(IMAGE_COFE_MAC) / 2, akkumHalf = ImageWidth(IMAGE_AKKUM) / 2;
    const int helpHalf = ImageWidth(IMAGE_HELP_PAGE2) / 2, plateHalf = ImageWidth(IMAGE_PLATE_FOOD) / 2;
    DrawCentred(g, IMAGE_COFE_MAC, 122, 152);
    DrawJustifiedString(g, FONT_DEFAULT_BLUE, 127 + cofeHalf, 110, app->Text(TXT_COFFEE_MACHINE), -1, kWhite);
    DrawJustifiedString(g, FONT_DEFAULT_BLUE, 570 - akkumHalf, 200, app->Text(TXT_EMBER_BATTERY), 1, kWhite);
    DrawJustifiedString(g, FONT_DEFAULT_BLUE, 137 + helpHalf, 300, app->Text(TXT_SNACK_COUNTER), -1, kWhite);
    DrawCentred(g, IMAGE_AKKUM, 575, 228);
    DrawCentred(g, IMAGE_PLATE_FOOD, 570, 425);
    DrawCentred(g, IMAGE_HELP_PAGE2, 132, 350);
    Wrapped(g, FONT_SIMPLE, kGreen, 153, Rect(127 + cofeHalf, 110, 440, 65), 15, -1);
    Wrapped(g, FONT_SIMPLE, kGreen, 154, Rect(220 - akkumHalf, 200, 350, 65), 15, 1);
    Wrapped(g, FONT_SIMPLE, kGreen, 155, Rect(137 + helpHalf, 300, 400, 65), 15, -1);
    Wrapped(g, FONT_SIMPLE, kGreen, 156, Rect(180 - plateHalf, 390, 380, 65), 15, 1);
}

void HowDialog::DrawPage3(Graphics* g)
{
    if (IMAGE_FACE_FINE)
    {
        DrawCentredByWidth(g, IMAGE_FACE_FINE, 80, 120);
        const int fw = IMAGE_FACE_FINE->GetWidth();
        if (IMAGE_MOOD_FINE) g->DrawImage(IMAGE_MOOD_FINE, 80 - fw / 2, 120 - fw / 2);
    }
    DrawCentredByWidth(g, IMAGE_BOMB, 80, 185);
    BoardModel* model = PlayModel(app);
    Image* grib = model ? model->ToppingImages[0].get() : nullptr;
    Image* chees = model ? model->ToppingImages[1].get() : nullptr;
    Image* small = model ? model->SmallPizzaImages[0].get() : nullptr;
    if (grib)
        for (int gx : {40, 60, 80, 100}) g->DrawImage(grib, gx, 240, 20, 20);
    DrawCentredByWidth(g, IMAGE_FOOD4, 80, 315);
    DrawCentred(g, chees, 80, 370);
    DrawCentredByWidth(g, small, 80, 425);
    static const int kRowY[6] = {100, 165, 230, 295, 360, 415};
    static const int kTexts[6] = {TXT_FACE_BAR_SHOW_CUSTOMERS,    TXT_MATCH_BOMB_CLEAR_EVERY,
                                  TXT_MUSHROOMS_TOPPING_LIKE_ANY, TXT_CLICK_ICE_CREAM_STOCK,
                                  TXT_CHEESE_ONE_SIX_TOPPINGS,    TXT_SMALL_PIZZA_SPEECH_BUBBLE};
    for (int i = 0; i < 6; ++i)
    {
        DrawJustifiedString(g, FONT_DEFAULT_BLUE, 130, kRowY[i],
                            app->Text(TXT_MOOD + i) /* the six legend words follow each other */, -1, kWhite);
        Wrapped(g, FONT_SIMPLE, kGreen, kTexts[i], Rect(130, kRowY[i], 520, 40), 15, -1);
    }
}

void HowDialog::DrawPage4(Graphics* g)
{
    static const int kRowY[5] = {100, 165, 230, 295, 360};
    for (int i = 0; i < 5; ++i) Wrapped(g, FONT_SIMPLE, kGreen, 205 + i, Rect(70, kRowY[i], 580, 40), 20, -1);
}

} // namespace Zest
