// Zest::MapWnd: the map of pizzerias between levels, with the chef's walk, its effects and the shop panel.
#pragma once

#include "game/screens/MapModel.h"
#include "widgets/ButtonListener.h"
#include "widgets/ButtonWidget.h"
#include "widgets/Widget.h"

#include <memory>
#include <vector>

namespace Zest
{

class DDImage;
class Font;
class GameApp;

struct MapPicture
{
    std::unique_ptr<DDImage> image;
    int32_t x = 0, y = 0, level = 0, pizzeria = 0, xSin = 0, ySin = 0;
};

// The particle effects the map spawns. The play screen provides the real one; without it the map shows none.
class MapEffectPlayer
{
public:
    virtual ~MapEffectPlayer() = default;
    virtual void Spawn(MapEffect effect, float x, float y, int cloud) = 0;
    virtual void Update() {}
    virtual void Draw(Graphics* g) { (void)g; }
};

class MapWnd : public Widget, public ButtonListener, public MapHost
{
public:
    static constexpr int kContinueId = 0;
    static constexpr int kLeaveId = 1;

    explicit MapWnd(GameApp* app);
    ~MapWnd() override;

    void LoadMap();
    void LoadMap(const MapFileData& data);
    int GetPizzeriaIndex() { return model.GetPizzeriaIndex(); }
    void PlaceChef() { model.PlaceChef(); }
    void ComputeTotals() { model.ComputeTotals(); }
    void SpawnClouds() { model.SpawnClouds(); }
    void CheckShopHint();

    void Update() override;
    void Draw(Graphics* g) override;
    // The map's and the shop's pictures are held while the screen is on.
    void AddedToManager(WidgetManager* manager) override;
    void RemovedFromManager(WidgetManager* manager) override;
    void MouseMove(int mx, int my) override;
    using Widget::MouseDown;
    void MouseDown(int mx, int my, int clickCode) override;
    void ButtonReleased(int id) override;

    // Puts the two buttons where the model wants them.
    void ApplyButtons();
    void DrawPoints(Graphics* g);
    void DrawChef(Graphics* g);
    void DrawShop(Graphics* g);
    // A recipe card of the shop: the pizza of recipe k (the play model's picture for its size) and its name.
    void DrawRecipeCard(Graphics* g, int k, const MapRect& card);
    // Where the card's pizza goes (empty when the model has no picture for it).
    MapRect RecipeCardPicture(int k, const MapRect& card) const;
    Image* RecipePicture(int k) const;
    // Room on a card above the pizza (the name's line) and below it (the price's line).
    static constexpr int kCardNameRoom = 18;
    static constexpr int kCardPriceRoom = 15;
    static constexpr int kCardNameBaseline = 15;

    // ---- MapHost ----
    PlayerProfile* MapProfile() override;
    void MapClickSound() override;
    void MapSubmitScore() override;
    void MapConfirmLeave() override;
    void MapStartLevel() override;
    void MapShowShopHint() override;
    void MapHideHint() override;
    bool MapHintShown() override;
    void MapOpenShop(int mode) override;
    void MapSetCursor(int cursor) override;
    int32_t MapRecipeCost(int dishType) override;
    int32_t MapDeviceEnableLevel(int device) override;
    MapPoint MapDeviceSize(int device) override;
    void MapSpawn(MapEffect effect, float x, float y, int cloud) override;
    int32_t MapCloudWidth(int cloud) override;
    uint32_t MapRand() override;

    GameApp* app;
    MapModel model{*this};
    std::unique_ptr<ButtonWidget> continueButton;
    std::unique_ptr<ButtonWidget> leaveButton;
    std::vector<MapPicture> pictures;
    // Where the effects go; null shows none.
    MapEffectPlayer* effects = nullptr;

private:
    // The font the blinking continue button shows, so that it is only set again when it changes.
    Font* mBlinkFont = nullptr;
};

} // namespace Zest
