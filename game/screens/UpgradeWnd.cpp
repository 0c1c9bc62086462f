// The shop: which steps and recipes can be bought, what a purchase costs and saves, and the slide.
#include "UpgradeWnd.h"

#include "GameApp.h"
#include "ResultWindows.h"
#include "game/board/BoardModel.h"
#include "game/core/GameResources.h"
#include "game/core/TextIds.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

namespace
{
constexpr int kKeyEscape = 27;
const std::vector<UpgradeRecord> kNoTable;
} // namespace

void OpenShop(GameApp* app, int mode)
{
    app->SetCursor(CURSOR_POINTER);
    auto* shop = new UpgradeWnd(app, mode);
    app->AddDialog(DIALOG_SHOP, shop);
    app->mWidgetManager->SetFocus(shop);
    const int w = ImageWidth(IMAGE_MONITOR), h = ImageHeight(IMAGE_MONITOR);
    shop->Resize(400 - w / 2, 600, w, h);
}

UpgradeWnd::UpgradeWnd(GameApp* gameApp, int shopMode)
    : SlidePanel(gameApp, IMAGE_MONITOR, nullptr, DIALOG_SHOP), mode(shopMode)
{
    buyButton = std::make_unique<ButtonWidget>(kBuyId, this);
    SetUpButton(*buyButton, app->Text(TXT_UPGRADE), IMAGE_SMBUTTON, IMAGE_SMBUTTON_OVER, IMAGE_SMBUTTON_DOWN,
                IMAGE_SMBUTTON_DISABLED, FONT_DEFAULT, 470, 193);
    secondButton = std::make_unique<ButtonWidget>(kSecondId, this);
    SetUpButton(*secondButton, app->Text(TXT_UPGRADE), IMAGE_SMBUTTON, IMAGE_SMBUTTON_OVER, IMAGE_SMBUTTON_DOWN,
                IMAGE_SMBUTTON_DISABLED, FONT_DEFAULT, 470, 318);
    closeButton = std::make_unique<ButtonWidget>(kCloseId, this);
    SetUpButton(*closeButton, app->Text(TXT_CONTINUE), IMAGE_BIGBUTTON, IMAGE_BIGBUTTON_OVER, IMAGE_BIGBUTTON_DOWN,
                nullptr, FONT_BUTTON_SMALL, 230, 410);
    closing = false;
    UpdateButtons();
}

UpgradeWnd::~UpgradeWnd()
{
    RemoveAllWidgets(false);
}

BoardModel* UpgradeWnd::Model() const
{
    return PlayModel(app);
}

PlayerProfile* UpgradeWnd::Player() const
{
    return app->CurrentPlayer();
}

const std::vector<UpgradeRecord>& UpgradeWnd::Table(int upgrade) const
{
    const BoardModel* m = Model();
    if (m == nullptr) return kNoTable;
    switch (upgrade)
    {
    case PlayerProfile::UpgradeCoffeeSweetness:
        return m->CoffeeSweetnessUpgrades;
    case PlayerProfile::UpgradeCoffeeCapacity:
        return m->CoffeeCapacityUpgrades;
    case PlayerProfile::UpgradeAkkumCharge:
        return m->AkkumChargeUpgrades;
    case PlayerProfile::UpgradeAkkumWorkTime:
        return m->AkkumWorkTimeUpgrades;
    case PlayerProfile::UpgradePlate:
        return m->PlateUpgrades;
    case PlayerProfile::UpgradeFoodPrice:
        return m->FoodPriceUpgrades;
    case PlayerProfile::UpgradeFoodTaste:
        return m->FoodTasteUpgrades;
    default:
        return kNoTable;
    }
}

int UpgradeWnd::MaxLevel(int upgrade) const
{
    return static_cast<int>(Table(upgrade).size()) - 1;
}

int UpgradeWnd::Level(int upgrade) const
{
    const PlayerProfile* p = Player();
    const int max = MaxLevel(upgrade);
    if (p == nullptr || upgrade < 0 || upgrade >= PlayerProfile::kNumUpgrades) return max;
    const int n = p->upgrades[static_cast<size_t>(upgrade)];
    return n < 0 || n > max ? max : n;
}

bool UpgradeWnd::CanBuyStep(int upgrade) const
{
    const PlayerProfile* p = Player();
    if (p == nullptr || upgrade < 0) return false;
    // The maximum is tested before the next record is read: at the maximum there is none.
    const int n = Level(upgrade);
    if (n < 0 || n >= MaxLevel(upgrade)) return false;
    return p->money >= Table(upgrade)[static_cast<size_t>(n + 1)].price;
}

Image* UpgradeWnd::RecipePicture(int r) const
{
    const BoardModel* m = Model();
    if (m == nullptr || r < 0 || r >= static_cast<int>(m->DishTypes.size())) return nullptr;
    const DishType& d = m->DishTypes[static_cast<size_t>(r)];
    if (d.sizeX < 2 || d.sizeX > 5 || d.sizeY < 2 || d.sizeY > 5) return nullptr;
    return m->PizzaImages[static_cast<size_t>((d.sizeX - 2) * 4 + (d.sizeY - 2))].get();
}

const DishType* UpgradeWnd::Recipe(int r) const
{
    if (RecipePicture(r) == nullptr) return nullptr;
    return &Model()->DishTypes[static_cast<size_t>(r)];
}

bool UpgradeWnd::CanBuyRecipe(int r) const
{
    const PlayerProfile* p = Player();
    const DishType* d = Recipe(r);
    if (p == nullptr || d == nullptr || r < 1 || r >= PlayerProfile::kNumRecipes) return false;
    // A recipe is sold once.
    if (p->recipes[static_cast<size_t>(r)] != 0) return false;
    return p->money >= d->recipeCost;
}

int UpgradeWnd::BuyUpgrade() const
{
    switch (mode)
    {
    case kCoffee:
        return PlayerProfile::UpgradeCoffeeSweetness;
    case kFood:
        return PlayerProfile::UpgradeFoodPrice;
    case kAkkum:
        return PlayerProfile::UpgradeAkkumCharge;
    case kPlate:
        return PlayerProfile::UpgradePlate;
    default:
        return -1;
    }
}

int UpgradeWnd::SecondUpgrade() const
{
    switch (mode)
    {
    case kCoffee:
        return PlayerProfile::UpgradeCoffeeCapacity;
    case kFood:
        return PlayerProfile::UpgradeFoodTaste;
    case kAkkum:
        return PlayerProfile::UpgradeAkkumWorkTime;
    default:
        return -1;
    }
}

void UpgradeWnd::Enable(ButtonWidget& button, bool enabled)
{
    button.SetDisabled(!enabled);
    Font* font = enabled ? FONT_DEFAULT : FONT_DEFAULT_BLUE;
    if (font) button.SetFont(font);
}

void UpgradeWnd::UpdateButtons()
{
    const int w = ImageWidth(IMAGE_MONITOR), bw = ImageWidth(IMAGE_SMBUTTON), bh = ImageHeight(IMAGE_SMBUTTON);
    if (mode == kCoffee || mode == kAkkum || mode == kFood)
    {
        if (mode == kFood)
        {
            secondButton->Resize(485, 319, bw, bh);
            buyButton->Resize(485, 194, bw, bh);
        }
        Enable(*buyButton, CanBuyStep(BuyUpgrade()));
        Enable(*secondButton, CanBuyStep(SecondUpgrade()));
        return;
    }
    if (mode == kRecipe0) return;
    buyButton->Resize(w / 2 - bw / 2, 420, bw, bh);
    secondButton->Resize(w / 2 - bw / 2, 470, bw, bh);
    secondButton->label = app->Text(TXT_CONTINUE);
    buyButton->label = app->Text(TXT_BUY);
    closeButton->SetVisible(false);
    Enable(*buyButton, mode == kPlate ? CanBuyStep(PlayerProfile::UpgradePlate) : CanBuyRecipe(mode - kRecipe0));
    Enable(*secondButton, true);
}

void UpgradeWnd::Update()
{
    Dialog::Update();
    if (!SlideStep()) return;
    SetVisible(false);
    app->CloseDialog(this);
}

void UpgradeWnd::KeyDown(int keyCode)
{
    if (keyCode == kKeyEscape) closing = true;
}

bool UpgradeWnd::BuyStep(int upgrade)
{
    if (!CanBuyStep(upgrade)) return false;
    PlayerProfile& p = *Player();
    const int n = Level(upgrade);
    p.upgrades[static_cast<size_t>(upgrade)] = n + 1;
    p.money -= Table(upgrade)[static_cast<size_t>(n + 1)].price;
    app->SavePlayers();
    UpdateButtons();
    app->PlaySample(SOUND_BUY);
    return true;
}

void UpgradeWnd::ButtonReleased(int id)
{
    Dialog::ButtonReleased(id);
    if (closing) return;
    if (id == kCloseId)
    {
        app->PlayClick();
        closing = true;
        return;
    }
    if (id != kBuyId && id != kSecondId) return;
    if (mode == kCoffee || mode == kFood || mode == kAkkum)
    {
        BuyStep(id == kBuyId ? BuyUpgrade() : SecondUpgrade());
        return;
    }
    if (mode == kRecipe0) return;
    if (id == kSecondId)
    {
        closing = true;
        return;
    }
    if (mode == kPlate)
    {
        if (BuyStep(PlayerProfile::UpgradePlate)) closing = true;
        return;
    }
    const int r = mode - kRecipe0;
    if (!CanBuyRecipe(r)) return;
    PlayerProfile& p = *Player();
    p.money -= Recipe(r)->recipeCost;
    p.recipes[static_cast<size_t>(r)] = 1;
    app->SavePlayers();
    closing = true;
    app->PlaySample(SOUND_BUY);
}

} // namespace Zest
