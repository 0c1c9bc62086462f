// Zest::UpgradeWnd: the shop of the map: the coffee machine, food, Akkum and plate pages and the recipe pages.
#pragma once

#include "game/screens/SlidePanel.h"

#include <memory>
#include <vector>

namespace Zest
{

class BoardModel;
struct DishType;
struct PlayerProfile;
struct UpgradeRecord;

class UpgradeWnd : public SlidePanel
{
public:
    static constexpr int kBuyId = 0;
    static constexpr int kSecondId = 1;
    static constexpr int kCloseId = 4;
    // Pages: 0 coffee, 1 food, 2 Akkum, 3 plate, 4 + r recipe r (1..7; 4 itself is never opened).
    static constexpr int kCoffee = 0;
    static constexpr int kFood = 1;
    static constexpr int kAkkum = 2;
    static constexpr int kPlate = 3;
    static constexpr int kRecipe0 = 4;

    UpgradeWnd(GameApp* app, int mode);
    ~UpgradeWnd() override;

    void UpdateButtons();
    void Update() override;
    void Draw(Graphics* g) override;
    void KeyDown(int keyCode) override;
    void ButtonReleased(int id) override;

    // The upgrade table of a profile counter (PlayerProfile::Upgrade); empty without a play model.
    const std::vector<UpgradeRecord>& Table(int upgrade) const;
    // The highest step of a counter: its table's last record.
    int MaxLevel(int upgrade) const;
    // The player's step, with a value outside the table (a damaged profile) taken as the highest.
    int Level(int upgrade) const;
    // True when the next step is there to buy and the player can pay for it.
    bool CanBuyStep(int upgrade) const;
    // The recipe's dish type when it can be shown (its type and pizza picture exist), else null.
    const DishType* Recipe(int r) const;
    Image* RecipePicture(int r) const;
    bool CanBuyRecipe(int r) const;
    // The counters the page's two buttons buy (-1: the button closes or buys nothing).
    int BuyUpgrade() const;
    int SecondUpgrade() const;

    std::unique_ptr<ButtonWidget> buyButton;
    std::unique_ptr<ButtonWidget> secondButton;
    std::unique_ptr<ButtonWidget> closeButton;
    const int mode;

private:
    void Enable(ButtonWidget& button, bool enabled);
    bool BuyStep(int upgrade);
    void DrawDevicePage(Graphics* g);
    void DrawPlatePage(Graphics* g);
    void DrawRecipes(Graphics* g);
    BoardModel* Model() const;
    PlayerProfile* Player() const;
};

// The shop page for `mode`, sliding in as dialog 1025 with the keyboard focus.
void OpenShop(GameApp* app, int mode);

} // namespace Zest
