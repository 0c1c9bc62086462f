// The shop's pages: device steps with their lamps and prices, the plate, and a recipe's pizza on its burners.
#include "UpgradeWnd.h"

#include "GameApp.h"
#include "game/board/BoardModel.h"
#include "game/core/GameResources.h"
#include "game/core/TextIds.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"

#include <algorithm>

namespace Zest
{

namespace
{

const Color kWhite(255, 255, 255, 255);
const Color kGreen(13, 94, 36, 255);

// How a device page shows its two rows.
struct DevicePage
{
    Image** picture;
    int pictureX, pictureY;
    int subtitle;
    int buttonX;
    int levelText[2];
    int lampCount;
    Image** lampsOn[2];
    Image** lampsOff[2];
    int valueText[2];
    // How a value reads: 0 plain, 1 followed by "%", 2 after the money sign.
    int valueStyle[2];
    int nextPriceY;
};

const DevicePage kCoffeePage = {&IMAGE_COFE_MAC,
                                65,
                                30,
                                69,
                                470,
                                {61, 62},
                                8,
                                {&IMAGE_SMILE_ON, &IMAGE_TIME_ON},
                                {&IMAGE_SMILE_OFF, &IMAGE_TIME_OFF},
                                {66, 67},
                                {1, 0},
                                255};
const DevicePage kAkkumPage = {&IMAGE_AKKUM,
                               75,
                               55,
                               70,
                               470,
                               {71, 72},
                               5,
                               {&IMAGE_LIGHT_ON, &IMAGE_TIME_ON},
                               {&IMAGE_LIGHT_OFF, &IMAGE_TIME_OFF},
                               {73, 74},
                               {0, 0},
                               257};
const DevicePage kFoodPage = {&IMAGE_PLATE_FOOD,
                              75,
                              70,
                              75,
                              485,
                              {76, 77},
                              10,
                              {&IMAGE_MONEY_ON, &IMAGE_SMILE_ON},
                              {&IMAGE_MONEY_OFF, &IMAGE_SMILE_OFF},
                              {78, 79},
                              {2, 1},
                              257};

std::string Styled(const std::string& sign, int value, int style)
{
    if (style == 1) return std::to_string(value) + "%";
    if (style == 2) return MoneyText(sign, value);
    return std::to_string(value);
}

} // namespace

void UpgradeWnd::Draw(Graphics* g)
{
    g->ClearClipRect();
    const int h = height > 0 ? height : 1;
    const int alpha = static_cast<int>(200.0f * (1.0f - static_cast<float>(y + h - 600) / static_cast<float>(h)));
    g->SetColor(Color(0, 0, 0, alpha));
    g->FillRect(-x, -y, 800, 600);
    Dialog::Draw(g);
    if (mode == kCoffee || mode == kAkkum || mode == kFood)
        DrawDevicePage(g);
    else if (mode == kPlate)
        DrawPlatePage(g);
    else if (mode > kRecipe0)
        DrawRecipes(g);
}

void UpgradeWnd::DrawDevicePage(Graphics* g)
{
    const DevicePage& page = mode == kCoffee ? kCoffeePage : mode == kAkkum ? kAkkumPage : kFoodPage;
    const int w = ImageWidth(IMAGE_MONITOR), bw = ImageWidth(IMAGE_SMBUTTON);
    const int cx = page.buttonX + bw / 2;
    const std::string& sign = app->Text(TXT_MONEY_SIGN);
    const PlayerProfile* player = app->CurrentPlayer();
    // Dialog::Draw left the lines colour current; the step captions use it.
    const Color current = GetColor(DIALOG_COLOR_LINES);

    if (*page.picture) g->DrawImage(*page.picture, page.pictureX, page.pictureY);
    DrawJustifiedString(g, FONT_BUTTON_SMALL, w / 2, 80, app->Text(TXT_UPGRADE), 0, kWhite);
    DrawJustifiedString(g, FONT_DEFAULT_BLUE, w / 2, 100, app->Text(page.subtitle), 0, kWhite);
    if (IMAGE_LINE_BLUE)
    {
        g->DrawImage(IMAGE_LINE_BLUE, 40, 155);
        g->DrawImage(IMAGE_LINE_BLUE, 40, 280);
    }
    DrawJustifiedString(g, FONT_DEFAULT, cx, 152,
                        app->Text(TXT_MONEY) + " " + MoneyText(sign, player ? player->money : 0), 0, kWhite);

    const int upgrades[2] = {BuyUpgrade(), SecondUpgrade()};
    static const int kRowTop[2] = {187, 312};
    static const int kLampY[2] = {195, 320};
    static const int kValueY[2] = {257, 382};
    static const int kNextValueY[2] = {187, 310};
    for (int row = 0; row < 2; ++row)
    {
        const int u = upgrades[row];
        const std::vector<UpgradeRecord>& table = Table(u);
        const int n = Level(u);
        const int max = MaxLevel(u);
        // Without a table (no play model) the step reads 0.
        DrawJustifiedString(g, FONT_DEFAULT, 80, kRowTop[row],
                            app->Text(page.levelText[row]) + " (" + std::to_string(std::max(n, 0)) + "/" +
                                std::to_string(page.lampCount) + ")",
                            -1, current);
        Image* on = *page.lampsOn[row];
        Image* off = *page.lampsOff[row];
        const int lampW = ImageWidth(on ? on : off);
        for (int i = 1; i <= page.lampCount; ++i)
        {
            Image* lamp = n >= i ? on : off;
            if (lamp) g->DrawImage(lamp, 60 + (lampW + 1) * (i - 1), kLampY[row]);
        }
        if (n >= 0 && n < static_cast<int>(table.size()))
            DrawJustifiedString(g, FONT_DEFAULT, 65, kValueY[row],
                                app->Text(page.valueText[row]) + " " +
                                    Styled(sign, table[static_cast<size_t>(n)].intValue, page.valueStyle[row]),
                                -1, current);
        // Price and effect of the next step, only while there is one.
        if (n < 0 || n >= max) continue;
        const UpgradeRecord& next = table[static_cast<size_t>(n + 1)];
        DrawJustifiedString(g, FONT_DEFAULT_BLUE, cx, row == 0 ? page.nextPriceY : 382,
                            app->Text(TXT_PRICE) + " " + MoneyText(sign, next.price), 0, kWhite);
        DrawJustifiedString(g, FONT_SIMPLE, cx, kNextValueY[row],
                            app->Text(TXT_NEXT_STEP) + " " + Styled(sign, next.intValue, page.valueStyle[row]), 0,
                            kGreen);
    }
}

void UpgradeWnd::DrawPlatePage(Graphics* g)
{
    const int w = ImageWidth(IMAGE_MONITOR);
    const int u = PlayerProfile::UpgradePlate;
    const std::vector<UpgradeRecord>& table = Table(u);
    const int n = Level(u);
    const std::string& sign = app->Text(TXT_MONEY_SIGN);
    const PlayerProfile* player = app->CurrentPlayer();
    if (IMAGE_PLATE) g->DrawImage(IMAGE_PLATE, w / 2 - IMAGE_PLATE->GetWidth() / 2, 160);
    DrawJustifiedString(g, FONT_BUTTON_SMALL, w / 2, 80, app->Text(TXT_UPGRADE), 0, kWhite);
    DrawJustifiedString(g, FONT_DEFAULT_BLUE, w / 2, 100, app->Text(TXT_BIGGER_OVEN_PLATE_GIVES), 0, kWhite);
    const bool below = n >= 0 && n < MaxLevel(u);
    if (below)
        DrawJustifiedString(g, FONT_DEFAULT_BLUE, w / 2, 300,
                            app->Text(TXT_PRICE) + " " + MoneyText(sign, table[static_cast<size_t>(n + 1)].price), 0,
                            kWhite);
    if (n >= 0 && n < static_cast<int>(table.size()))
        DrawJustifiedString(g, FONT_DEFAULT_BLUE, w / 2, 330,
                            app->Text(TXT_PLATE_SIZE_COLUMNS_ROWS) + " " +
                                std::to_string(table[static_cast<size_t>(n)].intValue) + "/8",
                            0, kWhite);
    if (below)
        DrawJustifiedString(g, FONT_SIMPLE, w / 2, 350,
                            app->Text(TXT_NEXT_STEP) + " " +
                                std::to_string(table[static_cast<size_t>(n + 1)].intValue) + "/8",
                            0, kGreen);
    DrawJustifiedString(g, FONT_DEFAULT, w / 2, 400,
                        app->Text(TXT_MONEY) + " " + MoneyText(sign, player ? player->money : 0), 0, kWhite);
}

void UpgradeWnd::DrawRecipes(Graphics* g)
{
    const int r = mode - kRecipe0;
    const int w = ImageWidth(IMAGE_MONITOR);
    const std::string& sign = app->Text(TXT_MONEY_SIGN);
    const PlayerProfile* player = app->CurrentPlayer();
    DrawJustifiedString(g, FONT_BUTTON, w / 2, 65, app->Text(TXT_RECIPE), 0, kWhite);
    const DishType* dish = Recipe(r);
    Image* pizza = RecipePicture(r);
    if (dish && pizza)
    {
        const int cell = 49;
        const int x0 = w / 2 - pizza->GetWidth() / 2, y0 = 240 - pizza->GetHeight() / 2;
        for (int i = -1; i <= dish->sizeX; ++i)
            for (int j = -1; j <= dish->sizeY; ++j)
            {
                const bool inner = i >= 0 && i < dish->sizeX && j >= 0 && j < dish->sizeY;
                if (inner)
                {
                    if (IMAGE_BURNER_ONON) g->DrawImage(IMAGE_BURNER_ONON, x0 + i * cell, y0 + j * cell);
                    continue;
                }
                if (IMAGE_BURNER_ON == nullptr) continue;
                g->SetColorizeImages(true);
                g->SetColor(Color(255, 255, 255, 100));
                g->DrawImage(IMAGE_BURNER_ON, x0 + i * cell, y0 + j * cell);
                g->SetColorizeImages(false);
            }
        g->DrawImage(pizza, x0, y0);
        DrawJustifiedString(g, FONT_DEFAULT_BLUE, w / 3, 455,
                            app->Text(TXT_PRICE) + " " + MoneyText(sign, dish->recipeCost), 1, kWhite);
    }
    DrawJustifiedString(g, FONT_DEFAULT, w / 3, 485,
                        app->Text(TXT_MONEY) + " " + MoneyText(sign, player ? player->money : 0), 1, kWhite);
    DrawJustifiedString(g, FONT_TEST, w / 2, 105,
                        app->Text(TXT_MARGHERITA + r) /* the recipes' names in recipe order */, 0, kWhite);
    if (dish == nullptr) return;
    const int third = 2 * w / 3;
    DrawJustifiedString(g, FONT_DEFAULT_BLUE, third, 455,
                        app->Text(TXT_SIZE) + " " + std::to_string(dish->sizeX) + "/" + std::to_string(dish->sizeY), -1,
                        kWhite);
    DrawJustifiedString(g, FONT_DEFAULT_BLUE, third, 485,
                        app->Text(TXT_PAYS_PER_PIZZA) + " " + MoneyText(sign, dish->dishCost), -1, kWhite);
}

} // namespace Zest
