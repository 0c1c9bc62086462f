// The map of pizzerias without its drawing: map file, chef walk, totals, effects schedule, scroll, button routing.
#pragma once

#include "game/core/PlayerProfile.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace Zest
{

struct MapPoint
{
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const MapPoint&) const = default;
};

// A picture of the map file: a building or decoration that appears when its level is reached.
struct MapPictureEntry
{
    std::string image;
    int32_t x = 0, y = 0;
    int32_t level = 0, pizzeria = 0;
    int32_t xSin = 0, ySin = 0;
};

struct MapFileData
{
    static constexpr int kNumLevelPoints = 70;
    static constexpr int kNumPizzerias = 6;
    // y values carry the 85 pixels the map is drawn lower than the file's coordinates.
    std::array<MapPoint, kNumLevelPoints> levelPoints{};
    std::array<MapPoint, kNumPizzerias> pizzeriaPoints{};
    std::vector<MapPictureEntry> pictures;
};

// Reads "levels\map.xml" (or another file) into `data`. Element nesting is ignored; points beyond the tables are
// dropped. False when the file cannot be opened (data untouched); a parse error keeps what was read before it.
[[nodiscard]] bool LoadMapFile(const std::string& fileName, MapFileData& data);

// Pizzeria of level n: levels 1-10, 11-22, 23-34, 35-46, 47-58 and 59 onward.
int PizzeriaOfLevel(int level);

enum class MapEffect
{
    DrinkAppear, // additive
    Fireworks1,  // additive
    Fireworks2,  // additive
    Fog,
    MapBuild,
    Cloud,
};

// Shop dialog modes opened from the panel: the four devices, then 4 + recipe.
enum ShopMode
{
    ShopCoffee = 0,
    ShopFood = 1,
    ShopAkkum = 2,
    ShopPlate = 3,
    ShopRecipe0 = 4,
};

// What the map asks of the rest of the game. The application implements it; tests record it.
class MapHost
{
public:
    virtual ~MapHost() = default;

    // The current player, or null when none is settled.
    virtual PlayerProfile* MapProfile() = 0;
    virtual void MapClickSound() = 0;
    virtual void MapSubmitScore() = 0;
    virtual void MapConfirmLeave() = 0;
    // StartLevel of the play model, then the fade to the play field.
    virtual void MapStartLevel() = 0;
    // Hint panel at (392, 265), placement 1, text 128, with its button and check box hidden.
    virtual void MapShowShopHint() = 0;
    virtual void MapHideHint() = 0;
    virtual bool MapHintShown() = 0;
    virtual void MapOpenShop(int mode) = 0;
    virtual void MapSetCursor(int cursor) = 0;
    // Recipe cost of dish type k; negative when the play model has no such dish type.
    virtual int32_t MapRecipeCost(int dishType) = 0;
    // Level from which a device (ShopCoffee..ShopPlate) can be bought.
    virtual int32_t MapDeviceEnableLevel(int device) = 0;
    // Size of a device's picture: its shop hit area, centred on the device's hit centre.
    virtual MapPoint MapDeviceSize(int device) = 0;
    // A refused spawn (too many systems running) is simply lost. cloud is 0..2 for clouds, else -1.
    virtual void MapSpawn(MapEffect effect, float x, float y, int cloud) = 0;
    virtual int32_t MapCloudWidth(int cloud) = 0;
    // The process-wide generator, so that replays draw the same numbers.
    virtual uint32_t MapRand() = 0;
    uint32_t MapRandBelow(uint32_t n) { return n == 0 ? 0 : MapRand() % n; }
};

struct MapRect
{
    int32_t x, y, w, h;
    bool Contains(int32_t px, int32_t py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

class MapModel
{
public:
    static constexpr int kWalkSteps = 200;
    static constexpr MapRect kRecipeAreas[8] = {
        {216, 194, 98, 71},  {336, 194, 112, 71}, {471, 194, 114, 71}, {610, 194, 126, 71},
        {207, 304, 119, 73}, {337, 302, 117, 75}, {460, 294, 137, 83}, {598, 294, 160, 83},
    };
    // Hit centres of the devices by shop mode; the Akkum is drawn 15 pixels lower than it is hit.
    static constexpr MapPoint kDeviceHitCentres[4] = {{215, 480}, {365, 490}, {520, 480}, {665, 490}};
    static constexpr MapPoint kDeviceDrawCentres[4] = {{215, 480}, {365, 490}, {520, 495}, {665, 490}};
    static constexpr int32_t kCaptionBaseline = 525;

    explicit MapModel(MapHost& host) : mHost(host) {}

    void SetData(MapFileData data) { mData = std::move(data); }
    const MapFileData& Data() const { return mData; }

    // Stores the pizzeria of the player's level as the current one and returns the one of the level before.
    int GetPizzeriaIndex();
    void PlaceChef();
    void ComputeTotals();
    void SpawnClouds();
    // The map's part of starting a game: everything after the fade is set up.
    void Enter();

    void Update(uint32_t updateCount, int mouseX, int mouseY);
    void UpdateEffects();

    void ContinuePressed();
    void LeavePressed();
    void MouseMove(int x, int y);
    void MouseDown(int x, int y, int clickCount);
    bool CheckHintClick(int x, int y);
    void CheckShopHint();
    // Hand over a buyable item of the shop panel, arrow elsewhere.
    void HitTestShop(int x, int y);
    // The game-over window's way back to the shop.
    void EnterShopPhase();

    // How a picture of the map file shows: -1 not at all, else its opacity. Earlier buildings of the pizzerias
    // reached stand; the one of the player's level fades in from frame 225 to 375.
    static int PictureAlpha(int pictureLevel, int picturePizzeria, int level, int previousPizzeria, int frame);

    bool DeviceUnlocked(int device) const;
    bool DeviceHit(int device, int x, int y) const;
    bool RecipeOffered(int k) const;

    int Level() const;

    // State the screen draws from (public: the widget and the tests read it).
    int walkSteps = 0;
    MapPoint walkTarget;
    float chefX = 0, chefY = 0;
    bool mapPhase = true;
    bool intro = false;
    bool panRight = true;
    int32_t scroll = 0;
    int32_t frame = 0;
    bool levelStarting = false;
    bool endingSecondStage = false;
    int32_t displayedTotal = 0;
    int32_t targetTotal = 0;
    int hoveredRecipe = -1;
    int previousPizzeria = 0;
    int currentPizzeria = 0;

    // The buttons' wishes; the widget applies them to its two buttons.
    MapPoint continuePos{625, 553};
    bool continueEnabled = true;
    bool leaveVisible = true;

private:
    int32_t Expert(int level) const;
    int32_t Profit(int level) const;
    void SpawnAroundPoint(MapEffect effect, const MapPoint& p, int rx, int ry, int ox, int oy, bool yFirst, bool up);

    MapHost& mHost;
    MapFileData mData;
};

} // namespace Zest
