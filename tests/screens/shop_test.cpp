// The shop: purchases over every device and recipe at their bounds, the money and saved profile after each, the
// enabling of its buttons, its slide, and what each page draws.
#include "WindowsTestSupport.h"

#include "game/core/ProfileFile.h"
#include "game/screens/UpgradeWnd.h"

using namespace Zest;

namespace
{

// Step k of a table costs 100 * k and is worth 10 * k.
std::vector<UpgradeRecord> Table(int records)
{
    std::vector<UpgradeRecord> table(static_cast<size_t>(records));
    for (int k = 0; k < records; ++k) table[static_cast<size_t>(k)] = {"step" + std::to_string(k), 100 * k, 10 * k};
    return table;
}

class ShopTest : public WindowsTest
{
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        app->StartWithPlayer("Ann", 12, 0);
        BoardModel& m = *app->model;
        m.PlateUpgrades = Table(3);
        m.CoffeeCapacityUpgrades = Table(9);
        m.CoffeeSweetnessUpgrades = Table(9);
        m.AkkumChargeUpgrades = Table(6);
        m.AkkumWorkTimeUpgrades = Table(6);
        m.FoodPriceUpgrades = Table(11);
        m.FoodTasteUpgrades = Table(11);
        m.DishTypes.clear();
        for (int r = 0; r < 8; ++r) m.DishTypes.push_back({2 + r % 4, 2 + r / 2 % 4, 300 * r, 20 + r, 100, ""});
        m.DishTypes[3] = {3, 3, 900, 40, 100, ""};
        for (auto& picture : m.PizzaImages) picture = std::make_unique<WidgetTest::RecordingImage>(98, 98);
    }
    UpgradeWnd* Open(int mode)
    {
        app->windows->OpenShop(mode);
        return app->Dialog<UpgradeWnd>(DIALOG_SHOP);
    }
    void CloseShop()
    {
        app->CloseDialog(DIALOG_SHOP);
        app->ProcessDeferredDeletes();
    }
    // The profile as players.dat now holds it.
    PlayerProfile Saved()
    {
        Buffer buffer;
        const std::string bytes = PlayersFile();
        buffer.SetData(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int>(bytes.size()));
        int32_t current = -1;
        PlayerList list;
        if (!DecodePlayers(buffer, current, list) || list.empty()) return PlayerProfile{};
        return *list[0];
    }
};

} // namespace

TEST_F(ShopTest, PurchasesAtTheirBoundsChangeMoneyStepAndSavedProfileOnce)
{
    using P = PlayerProfile;
    const struct
    {
        int mode, button;
        int upgrade; // counter the button buys, -1 a recipe
        int level;   // the counter's step (or: the recipe is owned when 1)
        int money;
        int wantLevel, wantMoney;
        bool wantClosing, wantBuySound;
    } cases[] = {
        // Coffee: the buy button raises sweetness, the second one the speed (nine records, maximum 8).
        {UpgradeWnd::kCoffee, 0, P::UpgradeCoffeeSweetness, 0, 100, 1, 0, false, true},     // money == price
        {UpgradeWnd::kCoffee, 0, P::UpgradeCoffeeSweetness, 0, 99, 0, 99, false, false},    // cannot afford
        {UpgradeWnd::kCoffee, 1, P::UpgradeCoffeeCapacity, 7, 5000, 8, 4200, false, true},  // last step
        {UpgradeWnd::kCoffee, 1, P::UpgradeCoffeeCapacity, 8, 5000, 8, 5000, false, false}, // maximum reached
        {UpgradeWnd::kFood, 0, P::UpgradeFoodPrice, 9, 1000, 10, 0, false, true},
        {UpgradeWnd::kFood, 1, P::UpgradeFoodTaste, 10, 9999, 10, 9999, false, false},
        {UpgradeWnd::kAkkum, 0, P::UpgradeAkkumCharge, 4, 500, 5, 0, false, true},
        {UpgradeWnd::kAkkum, 1, P::UpgradeAkkumWorkTime, 5, 9999, 5, 9999, false, false},
        {UpgradeWnd::kAkkum, 1, P::UpgradeAkkumWorkTime, 2, 299, 2, 299, false, false},
        // Plate: a purchase also closes the shop; the second button only closes it.
        {UpgradeWnd::kPlate, 0, P::UpgradePlate, 1, 200, 2, 0, true, true},
        {UpgradeWnd::kPlate, 0, P::UpgradePlate, 2, 9999, 2, 9999, false, false},
        {UpgradeWnd::kPlate, 1, P::UpgradePlate, 0, 9999, 0, 9999, true, false},
        // Damaged steps count as the maximum: nothing to buy, nothing read past the table.
        {UpgradeWnd::kCoffee, 0, P::UpgradeCoffeeSweetness, 9, 9999, 9, 9999, false, false},
        {UpgradeWnd::kFood, 1, P::UpgradeFoodTaste, -3, 9999, -3, 9999, false, false},
        // Recipes: recipe 3 costs 900.
        {UpgradeWnd::kRecipe0 + 3, 0, -1, 0, 900, 1, 0, true, true},
        {UpgradeWnd::kRecipe0 + 3, 0, -1, 0, 899, 0, 899, false, false},
        {UpgradeWnd::kRecipe0 + 3, 0, -1, 1, 5000, 1, 5000, false, false}, // already owned
        {UpgradeWnd::kRecipe0 + 3, 1, -1, 0, 5000, 0, 5000, true, false},
        // Page 4 is never opened and sells nothing.
        {UpgradeWnd::kRecipe0, 0, -1, 0, 5000, 0, 5000, false, false},
    };
    for (const auto& c : cases)
    {
        PlayerProfile& p = app->Player();
        p.upgrades.fill(0);
        p.recipes = {1, 0, 0, 0, 0, 0, 0, 0};
        p.money = c.money;
        int32_t& counter = c.upgrade >= 0 ? p.upgrades[static_cast<size_t>(c.upgrade)] : p.recipes[3];
        counter = c.level;
        app->SavePlayers();
        const std::string before = PlayersFile();
        UpgradeWnd* shop = Open(c.mode);
        app->Step(42);
        app->samples.clear();
        ButtonWidget* button = c.button == 0 ? shop->buyButton.get() : shop->secondButton.get();
        shop->ButtonReleased(button->id);
        const std::string label = "mode " + std::to_string(c.mode) + " button " + std::to_string(c.button) + " level " +
                                  std::to_string(c.level) + " money " + std::to_string(c.money);
        EXPECT_EQ(counter, c.wantLevel) << label;
        EXPECT_EQ(p.money, c.wantMoney) << label;
        EXPECT_EQ(shop->closing, c.wantClosing) << label;
        EXPECT_EQ(app->Count(buy), c.wantBuySound ? 1 : 0) << label;
        EXPECT_EQ(app->Count(click), 0) << label; // buying is heard as the purchase alone
        if (c.wantBuySound)
        {
            const PlayerProfile saved = Saved();
            EXPECT_EQ(saved.money, c.wantMoney) << label;
            EXPECT_EQ(saved.upgrades, p.upgrades) << label;
            EXPECT_EQ(saved.recipes, p.recipes) << label;
        }
        else
        {
            EXPECT_EQ(PlayersFile(), before) << label; // nothing bought, nothing written
        }
        CloseShop();
    }
}

TEST_F(ShopTest, ButtonsFollowMoneyAndMaximumPerCounter)
{
    PlayerProfile& p = app->Player();
    p.money = 900;
    p.upgrades[PlayerProfile::UpgradeCoffeeSweetness] = 7;
    UpgradeWnd* shop = Open(UpgradeWnd::kCoffee);
    EXPECT_FALSE(shop->buyButton->disabled);
    EXPECT_FALSE(shop->secondButton->disabled);
    EXPECT_EQ(shop->buyButton->GetRect(), Rect(470, 193, 130, 40));
    shop->ButtonReleased(UpgradeWnd::kBuyId); // the last sweetness step: 800
    EXPECT_TRUE(shop->buyButton->disabled);
    EXPECT_FALSE(shop->secondButton->disabled); // 100 left buys speed step 1
    shop->ButtonReleased(UpgradeWnd::kSecondId);
    EXPECT_TRUE(shop->secondButton->disabled);
    EXPECT_EQ(p.money, 0);
    EXPECT_FALSE(shop->closing); // device pages stay open
    CloseShop();

    shop = Open(UpgradeWnd::kFood);
    EXPECT_EQ(shop->buyButton->GetRect(), Rect(485, 194, 130, 40));
    EXPECT_EQ(shop->secondButton->GetRect(), Rect(485, 319, 130, 40));
    CloseShop();

    // A recipe whose dish type is missing cannot be bought, whatever the money.
    p.money = 100000;
    app->model->DishTypes.resize(5);
    shop = Open(UpgradeWnd::kRecipe0 + 6);
    EXPECT_TRUE(shop->buyButton->disabled);
    EXPECT_FALSE(shop->secondButton->disabled);
    EXPECT_FALSE(shop->closeButton->visible);
    EXPECT_EQ(shop->buyButton->GetRect(), Rect(320 - 65, 420, 130, 40));
    EXPECT_EQ(shop->buyButton->label, "text130");
    EXPECT_EQ(shop->secondButton->label, "text39");
    shop->ButtonReleased(UpgradeWnd::kBuyId);
    EXPECT_EQ(p.money, 100000);
    DrawWidget(*shop); // the page draws without its dish
}

TEST_F(ShopTest, EscapeAndCloseSinkTheShopAndNothingIsSoldWhileItSinks)
{
    app->Player().money = 5000;
    UpgradeWnd* shop = Open(UpgradeWnd::kCoffee);
    EXPECT_EQ(app->Manager().focusWidget, shop);
    app->Step(10);
    const int y = shop->y;
    app->Manager().KeyDown(27);
    app->Step(1);
    EXPECT_EQ(shop->y, y + 12); // the motion turns back at once
    shop->ButtonReleased(UpgradeWnd::kBuyId);
    EXPECT_EQ(app->Player().money, 5000);
    EXPECT_NE(app->StepUntilClosed(DIALOG_SHOP), -1);
    app->ProcessDeferredDeletes();

    shop = Open(UpgradeWnd::kAkkum);
    app->Step(42);
    app->Click(shop->closeButton.get());
    EXPECT_TRUE(shop->closing);
    EXPECT_EQ(app->Count(click), 1);
    EXPECT_EQ(app->StepUntilClosed(DIALOG_SHOP), 42);
}

namespace
{

class ShopDrawingTest : public ShopTest
{
protected:
    std::vector<WidgetTest::DrawCall> calls;
    int CountImage(Image* image, int alpha = -1)
    {
        return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                              [&](const auto& c)
                                              { return c.image == image && (alpha < 0 || c.color.mAlpha == alpha); }));
    }
    void DrawPage(int mode)
    {
        UpgradeWnd* shop = Open(mode);
        app->Step(42);
        ClearDrawn();
        calls = DrawWidget(*shop);
        CloseShop();
    }
};

} // namespace

TEST_F(ShopDrawingTest, DevicePagesShowStepsLampsAndNextPricesBelowTheMaximum)
{
    PlayerProfile& p = app->Player();
    p.money = 1234;
    p.upgrades[PlayerProfile::UpgradeCoffeeSweetness] = 3;
    p.upgrades[PlayerProfile::UpgradeCoffeeCapacity] = 8;
    DrawPage(UpgradeWnd::kCoffee);
    EXPECT_EQ(CountImage(IMAGE_SMILE_ON), 3);
    EXPECT_EQ(CountImage(IMAGE_SMILE_OFF), 5);
    EXPECT_EQ(CountImage(IMAGE_TIME_ON), 8); // speed at its maximum: every lamp lit
    EXPECT_EQ(CountImage(IMAGE_TIME_OFF), 0);
    EXPECT_TRUE(DrewText("FONT_DEFAULT", "text61 (3/8)"));
    EXPECT_TRUE(DrewText("FONT_DEFAULT", "text66 30%"));
    EXPECT_TRUE(DrewText("FONT_DEFAULT", "text67 80"));
    // Next step of sweetness only: its price at y 255 (coffee), centred on the button.
    const auto* price = FindText("FONT_DEFAULT_BLUE", "text68 text65400");
    ASSERT_NE(price, nullptr);
    EXPECT_EQ(price->y, 100 + 255);
    EXPECT_TRUE(DrewText("FONT_SIMPLE", "text166 40%"));
    EXPECT_EQ(Drawn("FONT_SIMPLE").size(), 1u);
    int prices = 0;
    for (const auto& t : Drawn("FONT_DEFAULT_BLUE")) prices += t.text.rfind("text68", 0) == 0;
    EXPECT_EQ(prices, 1);
    const auto* money = FindText("FONT_DEFAULT", "text64 text651234");
    ASSERT_NE(money, nullptr);
    EXPECT_EQ(money->x, 80 + 470 + 65 - 17 * 7 / 2);

    p.upgrades[PlayerProfile::UpgradeAkkumCharge] = 1;
    DrawPage(UpgradeWnd::kAkkum);
    price = FindText("FONT_DEFAULT_BLUE", "text68 text65200");
    ASSERT_NE(price, nullptr);
    EXPECT_EQ(price->y, 100 + 257);
    EXPECT_TRUE(DrewText("FONT_DEFAULT", "text73 10"));

    p.upgrades[PlayerProfile::UpgradeFoodPrice] = 2;
    DrawPage(UpgradeWnd::kFood);
    EXPECT_TRUE(DrewText("FONT_DEFAULT", "text78 text6520"));
    EXPECT_TRUE(DrewText("FONT_DEFAULT", "text79 0%"));
    EXPECT_TRUE(DrewText("FONT_SIMPLE", "text166 text6530"));
    EXPECT_TRUE(DrewText("FONT_DEFAULT", "text76 (2/10)"));
}

TEST_F(ShopDrawingTest, EveryDeviceRowAtAndPastItsTopStepOffersNoFurtherStep)
{
    using P = PlayerProfile;
    const struct
    {
        int mode, row, upgrade, max, levelText;
        Image** lampOn;
    } rows[] = {
        {UpgradeWnd::kCoffee, 0, P::UpgradeCoffeeSweetness, 8, 61, &IMAGE_SMILE_ON},
        {UpgradeWnd::kCoffee, 1, P::UpgradeCoffeeCapacity, 8, 62, &IMAGE_TIME_ON},
        {UpgradeWnd::kAkkum, 0, P::UpgradeAkkumCharge, 5, 71, &IMAGE_LIGHT_ON},
        {UpgradeWnd::kAkkum, 1, P::UpgradeAkkumWorkTime, 5, 72, &IMAGE_TIME_ON},
        {UpgradeWnd::kFood, 0, P::UpgradeFoodPrice, 10, 76, &IMAGE_MONEY_ON},
        {UpgradeWnd::kFood, 1, P::UpgradeFoodTaste, 10, 77, &IMAGE_SMILE_ON},
    };
    for (const auto& r : rows)
    {
        // One below the top, the top, and a stored step past it (an edited or older player file).
        for (const int stored : {r.max - 1, r.max, r.max + 1})
        {
            SCOPED_TRACE("mode " + std::to_string(r.mode) + " row " + std::to_string(r.row) + " stored " +
                         std::to_string(stored));
            PlayerProfile& p = app->Player();
            p.upgrades.fill(0);
            p.money = 100000;
            p.upgrades[static_cast<size_t>(r.upgrade)] = stored;
            const bool top = stored >= r.max;
            const int shown = std::min(stored, r.max);
            UpgradeWnd* shop = Open(r.mode);
            ButtonWidget* button = r.row == 0 ? shop->buyButton.get() : shop->secondButton.get();
            ButtonWidget* other = r.row == 0 ? shop->secondButton.get() : shop->buyButton.get();
            EXPECT_EQ(button->disabled, top);
            EXPECT_FALSE(other->disabled);
            CloseShop();
            DrawPage(r.mode);
            EXPECT_TRUE(DrewText("FONT_DEFAULT", "text" + std::to_string(r.levelText) + " (" + std::to_string(shown) +
                                                     "/" + std::to_string(r.max) + ")"));
            // The other row is at step 0 and always has a next step: one line each of price and value.
            int prices = 0;
            for (const auto& t : Drawn("FONT_DEFAULT_BLUE")) prices += t.text.rfind("text68", 0) == 0;
            EXPECT_EQ(prices, top ? 1 : 2);
            const auto values = Drawn("FONT_SIMPLE");
            ASSERT_EQ(values.size(), top ? 1u : 2u);
            if (top)
            {
                EXPECT_EQ(values[0].y, 100 + (r.row == 0 ? 310 : 187)); // the other row's
            }
            EXPECT_EQ(CountImage(*r.lampOn), shown);
        }
    }
}

TEST_F(ShopDrawingTest, PlateAtItsMaximumShowsOnlyValueAndMoney)
{
    app->Player().upgrades[PlayerProfile::UpgradePlate] = 2;
    DrawPage(UpgradeWnd::kPlate);
    EXPECT_TRUE(DrewText("FONT_DEFAULT_BLUE", "text138 20/8"));
    EXPECT_TRUE(DrewText("FONT_DEFAULT", "text64 text650"));
    EXPECT_TRUE(Drawn("FONT_SIMPLE").empty());
    EXPECT_FALSE(DrewText("FONT_DEFAULT_BLUE", "text68 text65300"));
    app->Player().upgrades[PlayerProfile::UpgradePlate] = 1;
    DrawPage(UpgradeWnd::kPlate);
    EXPECT_TRUE(DrewText("FONT_DEFAULT_BLUE", "text68 text65200"));
    EXPECT_TRUE(DrewText("FONT_SIMPLE", "text166 20/8"));
}

TEST_F(ShopDrawingTest, RecipePageSetsThePizzaOnItsBurnersWithTheDishFigures)
{
    app->Player().money = 50;
    DrawPage(UpgradeWnd::kRecipe0 + 3); // a 3 x 3 dish
    EXPECT_EQ(CountImage(IMAGE_BURNER_ONON), 9);
    EXPECT_EQ(CountImage(IMAGE_BURNER_ON, 100), 16);
    EXPECT_TRUE(DrewText("FONT_TEST", "text92"));
    EXPECT_TRUE(DrewText("FONT_DEFAULT_BLUE", "text97 3/3"));
    EXPECT_TRUE(DrewText("FONT_DEFAULT_BLUE", "text131 text6540"));
    const auto* cost = FindText("FONT_DEFAULT_BLUE", "text68 text65900");
    ASSERT_NE(cost, nullptr);
    EXPECT_EQ(cost->x, 80 + 640 / 3 - 16 * 7); // right-aligned at a third of the width
}

TEST_F(ShopDrawingTest, DimmingFollowsTheSlide)
{
    UpgradeWnd* shop = Open(UpgradeWnd::kCoffee);
    auto alpha = [&]
    {
        for (const auto& c : DrawWidget(*shop))
            if (c.op == "fill" && c.rect == Rect(0, 0, 800, 600)) return c.color.mAlpha;
        return 0;
    };
    EXPECT_EQ(alpha(), 0);
    app->Step(21);
    EXPECT_EQ(alpha(), static_cast<int>(200.0f * (1.0f - 248.0f / 500.0f)));
    app->Step(21);
    EXPECT_EQ(alpha(), 200);
}
