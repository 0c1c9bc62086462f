// The play field's state and rules: the topping grid, customers and their pizzas, the devices, money, the level
// files and the start and end of a level. Runs headless; every random draw comes from Zest::Rand.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "game/board/BoardEffects.h"
#include "game/board/BoardHost.h"
#include "game/board/BoardRecords.h"

namespace Zest
{

class Image;
class XMLParser;
struct PlayerProfile;

struct SwapRecord
{
    Topping* piece = nullptr;
    int x = 0, y = 0;
    int column = 0, row = 0;
};

struct InlayOrder
{
    int pizza = -1;
    int snack = -1;
};

class BoardModel
{
public:
    static constexpr int kMaxColumns = 10;
    static constexpr int kMaxRows = 8;
    static constexpr int kNumCharacters = 12;
    static constexpr int kInlayStages = 3;
    static constexpr int kInlayOrders = 4;
    // Settling stops trying after this many passes and accepts the grid as it lies.
    static constexpr int kMaxSettlePasses = 10000;
    static const char* const kCharacterNames[kNumCharacters];

    explicit BoardModel(BoardHost& host);
    ~BoardModel();
    BoardModel(const BoardModel&) = delete;
    BoardModel& operator=(const BoardModel&) = delete;

    BoardHost& App;
    // Particle effects; the stand-in shows nothing.
    BoardEffects* Effects = &NoEffects;
    // Folder holding levels.xml, Dishes.xml and Upgrades.xml, and the folder of the character files.
    std::string LevelFolder = "levels/";
    std::string CharacterFolder = "characters/";

    int DayProfit = 0;
    int Score = 0;
    int TipTotal = 0;
    bool LevelFailed = false;
    bool LevelEnding = false;
    // A result window has been opened for this level: the level end does nothing more until the next start.
    bool ResultShown = false;
    std::vector<std::unique_ptr<PersonAnime>> Characters;
    std::vector<std::unique_ptr<Person>> Persons;
    std::vector<std::vector<std::unique_ptr<Topping>>> Grid;
    std::vector<std::unique_ptr<Dish>> Dishes;
    std::vector<DishType> DishTypes;
    int GridX = 153;
    int GridY = 50;
    int Columns = 10;
    int Rows = 8;
    int CellSize = 49;
    Topping* HoverPiece = nullptr;
    Topping* SelectedPiece = nullptr;
    Topping* HintPiece = nullptr;
    Dish* DraggedDish = nullptr;
    Dish* HoverDish = nullptr;
    Person* HoverPerson = nullptr;
    bool MatchPending = false;
    int CellState[kMaxColumns][kMaxRows] = {};
    int CellAlpha[kMaxColumns][kMaxRows] = {};
    int ShelfX = 185;
    int ShelfY = 475;
    int ShelfStep = 100;
    SwapRecord SwapFirst;
    SwapRecord SwapSecond;
    std::array<std::unique_ptr<Image>, 6> ToppingImages;
    std::array<std::unique_ptr<Image>, 16> PizzaImages;
    std::array<std::unique_ptr<Image>, 16> SmallPizzaImages;
    std::unique_ptr<Image> BackgroundImage;
    std::string BackgroundName;
    int StockSlotSize[3][2] = {};
    int StockSlotPos[3][2] = {};
    int StockCount[3] = {};
    int HeldSlot = -1;
    int HoverStockSlot = -1;
    int CarriedItemCustomer = -1;
    bool HeldSlotActive = false;
    std::vector<int> DishWeights;
    int SpawnCounter = 0;
    int SpawnInterval = 300;
    int Goal = 500;
    int ExpertGoal = 800;
    int TimeLeft = 120;
    int TimeTotal = 120;
    int ServedCount = 0;
    int LostCount = 0;
    int FoodServedCount = 0;
    int TipsCount = 5;
    int AkkumCharge = 0;
    int AkkumChargeScale = 10;
    int AkkumFramesLeft = 0;
    bool AkkumRunning = false;
    int ChargePieceCounter = 0, ChargePieceInterval = 30, RepairCounter = 0, RepairInterval = 60;
    int CoffeeFill = 0;
    int CoffeeCapacity = 0;
    bool CupDragged = false;
    bool MarkerOn = false;
    int MarkerColumn = -1;
    int MarkerRow = -1;
    int LightWeight = 10;
    int BreakPlate = 10;
    int AkkumLampPos[10][2] = {};
    int AkkumX = 0;
    int AkkumY = 0;
    int FoodWantsTimeCheck = 0;
    int FoodWantsTimeCount = 0;
    int FoodWantsProb = 0;
    int PersonWeights[kNumCharacters] = {};
    std::vector<UpgradeRecord> PlateUpgrades, CoffeeCapacityUpgrades, CoffeeSweetnessUpgrades, AkkumChargeUpgrades,
        AkkumWorkTimeUpgrades, FoodPriceUpgrades, FoodTasteUpgrades;
    int PlateEnableLevel = 0;
    int FoodEnableLevel = 0;
    int CoffeeEnableLevel = 0;
    int AkkumEnableLevel = 0;
    bool Settling = false;
    int HintId = -1;
    bool Rehover = false;
    bool DeliveryPending = false;
    bool SomeoneAngry = false;
    bool CustomerTipsShown = false;
    std::vector<std::unique_ptr<FloatingLabel>> Labels;
    int PressFrames = 0;
    bool PressActive = false;
    int LevelKind = 0;
    std::vector<std::unique_ptr<LevelObject>> LevelObjects;
    LevelObject* MarkedItem = nullptr;
    int InlayStage = 0;
    int LevelMask[kInlayStages][kMaxColumns][kMaxRows] = {};
    InlayOrder InlayOrders[kInlayStages][kInlayOrders];
    int PersonsCreated = 0;
    int MarkerBlink = 1;
    int MarkerBlinkStep = 1;
    int IdleFrames = 0;
    int ChainCount = 0;
    int RememberedChain = 0, RememberedChainX = 0, RememberedChainY = 0;
    bool PendingIceCream = false;
    int PendingIceCreamX = 0, PendingIceCreamY = 0;
    int WaitFirstPerson = 0;
    int TimeUpFrame = 0;
    int CoffeeReadyAnnounced = 0;
    int FreezeCountdown = 0;
    bool InlayPaidSound = false;
    bool InlayHintShown = false;
    int TimeBonusBase = -1;

    // Lifecycle.
    void Init();
    void ResetLevel();
    void ClearLists();

    // The update step.
    void Update();
    void UpdatePixelHunt();
    void EraseFinishedDishes();
    void UpdatePersons();
    void SettleGrid();
    // The tutorial hints: at most one shown per call, each once per player.
    void UpdateHints();
    // A left click while a hint shows goes on only when it does what the hint asks.
    bool CheckHintAction(int x, int y);
    Topping* FindBombPiece() const;
    Topping* FindIceCreamPiece() const;
    Topping* FindLightningPiece() const;

    // Grid: swaps and runs.
    int CellCenterX(int column) const { return GridX + column * CellSize + CellSize / 2; }
    int CellCenterY(int row) const { return GridY + (Rows - row - 1) * CellSize + CellSize / 2; }
    Topping* PieceAt(int column, int row) const;
    // Swaps HoverPiece (A) with SelectedPiece (B) when they are neighbours.
    bool TrySwap();
    bool CheckSwap();
    void SwapBack();
    void RenumberGrid();
    bool HasRunThrough(const Topping* p) const;
    bool IsGridIdle() const;
    bool FindMatches();
    void UpdateGrid();
    void FireLightning(int column, int row, int direction);
    void SpawnIceCream(int x, int y);
    void SpawnBomb(int x, int y);
    void ExplodeBomb(Topping& bomb);
    bool HasMove();
    void SetHintPiece(int column, int row, int toColumn, int toRow);
    void RegenerateGrid();
    void ApplyStartPattern();
    // Kind of a new piece: TipsCount as stored, drawn within 1..6 so a bad level file cannot divide by zero.
    int NewPieceKind() const;

    // Dishes on the field.
    bool PlaceDish(Dish& dish);
    void UpdateDishDropCells(Dish& dish);
    bool IsCellUnderDish(int column, int row) const;
    bool IsCellInPlay(int column, int row) const { return column >= 0 && column < Columns && row >= 0 && row < Rows; }

    // Devices and money.
    bool ClickAkkum(int x, int y);
    void StartAkkum();
    void StopAkkum();
    void TakeChargePiece(Topping& piece);
    bool GiveCoffee(int x, int y);
    void AddMoney(int amount);
    bool ClickDish(int x, int y);
    bool RepairCell(int column, int row);
    void TakeIceCream(int mouseX, int mouseY);
    // A click on a PixelHunt picture: money and light pictures pay at once, a wanted one flies to its customer.
    void CollectLevelObject(LevelObject& object);
    // The PixelHunt money picture's worth.
    static constexpr int kMoneyObjectValue = 10;

    // Customers.
    void SpawnPerson();
    void DeliverOrders();
    void PersonPays(Person& person);
    void ServePerson(Dish& dish);
    void UpdateInlay();
    int GetDishPrice(const Dish& dish) const;
    int FindDishType(const Dish& dish) const;
    int FindPersonById(int id) const;
    int FindPersonWithWish(int wish) const;
    // y of the customer's row on the order shelf.
    int PersonShelfY(const Person& person) const { return ShelfY - ShelfStep * person.queueIndex; }
    void SpawnHearts(float x, float y, int count);
    void SpawnSparkLine(int x1, int y1, int x2, int y2, int frames);

    // Input from the play screen's input widget; the pointer and key handling of the field is built on these.
    void KeyDown(int key);
    void MouseMove(int x, int y);
    void MouseDown(int x, int y, int clickCount);
    void MouseUp(int x, int y, int clickCount);
    void MouseDrag(int x, int y);
    void MouseWheel();
    void UpdateCursor(int x, int y);
    // The cursor UpdateCursor chose last: 0 arrow, 1 hand.
    int Cursor = 0;
    // A held dish that cannot go down slides back to its shelf place, the right way round.
    void SendDishBack(Dish& dish);
    // The dragged dish goes down where it is, or back to its shelf place when it does not fit; true when placed.
    bool DropDraggedDish();
    // Hints about the dish being carried: they come up during the carry and end with its release.
    static bool IsCarryHint(int hint) { return hint == 2 || hint == 19; }
    // The grid cell under a point into MarkerColumn and MarkerRow (column -1 outside the grid).
    void UpdateMarker(int x, int y);
    // A customer's hit test (its box or the circle at its order shelf); stores the result in its hover flag.
    bool HitPerson(Person& person, int x, int y) const;
    // The piece under a point into HoverPiece, column by column from the bottom; true when there is one.
    bool HoverPieceAt(int x, int y);

    // Level files and the start and end of a level.
    // Each reads its file from the level (or character) folder; false, after telling the host what is wrong, when
    // the file cannot be opened or read to its end.
    [[nodiscard]] bool LoadLevels();
    [[nodiscard]] bool LoadDishes();
    [[nodiscard]] bool LoadUpgrades();
    [[nodiscard]] bool LoadCharacters();
    // False once a data file of the play screen could not be read (the host has been told which).
    bool DataComplete = true;
    // Tells the host when the parser stopped on an error (a missing or damaged file); true then.
    bool ReadProblem(const XMLParser& parser, const std::string& file);
    // Releases the pictures of every customer type no customer on the board shows (the level has ended).
    void FreeCustomerImages();
    void StartLevel();
    void EndLevel();
    bool TallyLevelEnd();
    void OpenLevelComplete();
    void LevelLost();
    void StartPersonMaker() {}

    // Upgrade value at the player's step, the step clamped to the table; 0 for an empty table.
    int UpgradeValue(const std::vector<UpgradeRecord>& table, int playerStep) const;
    int PlayerLevel() const;
    PlayerProfile& Player() const;
    const std::string& Text(int n) const;
    FloatingLabel& AddLabel(BoardImage image, float x, float y, float vx, float vy, int life);
    DishType* TypeOf(const Dish& dish);
    const DishType* TypeOf(const Dish& dish) const;

    // Weighted choice over int weights: -1 for an empty list or a zero sum.
    static int WeightedRandomIndex(const int* weights, int count);
    static int WeightedRandomIndex(const std::vector<int>& weights)
    {
        return WeightedRandomIndex(weights.data(), static_cast<int>(weights.size()));
    }

private:
    static void ClampColumns(int& columns);
    void UpdateGridX();
    NoBoardEffects NoEffects;
};

// Euclidean distance of two points.
float Distance(float x1, float y1, float x2, float y2);

// a + b held within the int range: prices and times come from data files, and money must never wrap.
int SaturatingAdd(int a, long long b);

} // namespace Zest
