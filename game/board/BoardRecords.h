// The play field's records: toppings, dishes, customers and their animation timing, floating labels, level
// objects, dish types and upgrade rows. Plain data with the per-update rules that touch only the record itself.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "game/board/BoardHost.h"

namespace Zest
{

class Image;
class BoardModel;

// The linear slide shared by pieces and dishes: reaches the target after frames - 1 steps.
struct Mover
{
    float targetX = 0, targetY = 0;
    float pathX = 0, pathY = 0;
    int moveFrames = 0;
    int moveDelay = 0;
    float x = 0, y = 0;

    bool IsSliding() const { return moveFrames > 0; }
    // One step; true on the update that ends the slide (x, y then equal the target).
    bool StepSlide();
};

// What a piece carries on it: its drawing shows the matching particle effect.
enum class PieceEffect
{
    None,
    Lightning,
    Drink,
    BombFire
};

struct Topping : Mover
{
    bool removing = false;
    int removalDelay = 0;
    int kind = 0;
    int row = 0;
    int column = 0;
    int restY = 0;
    bool atRest = false;
    bool carriesLightning = false;
    int bomb = 0;
    bool isRepairTool = false;
    bool isAkkumCharge = false;
    bool isIceCream = false;
    int hintDx = 0, hintDy = 0;
    int runLength = 0;
    float fallAcceleration = 0.12f;
    int lightningDirection = 0;
    bool hover = false;
    float fallSpeed = 0;
    PieceEffect effect = PieceEffect::None;

    // Charge pieces, repair tools and bombs never take part in a run.
    bool IsExcluded() const { return isAkkumCharge || isRepairTool || bomb != 0; }
    bool IsPlain() const { return !IsExcluded() && !isIceCream && kind >= 0; }

    void SetPosition(float px, float py);
    void MoveTo(int frames, float fromX, float fromY, float toX, float toY);
    void Update(BoardModel& model);
    bool HitTest(int px, int py);
};

struct Dish : Mover
{
    float shelfY = 0;
    int shelfSlide = 0;
    int width = 3, height = 3;
    bool ready = false;
    bool cooking = false;
    int cookLeft = 0;
    bool held = false;
    int shelfIndex = 0;
    std::vector<std::pair<int, int>> cells;
    int customerId = -1;
    bool sent = false;
    bool delivered = false;
    int packStep = 0;
    int dishType = 0;
    int itemKind = -1; // -1 pizza, 0..2 snack, 3 ice cream
    int shelfX = 0;
    bool hover = false;
    bool erase = false; // taken off the field by the next update

    Dish(int shelf, int customer) : shelfIndex(shelf), customerId(customer) { x = 80, y = 300; }

    void SetPosition(const BoardModel& model, float px, float py);
    // speed -1 keeps the frame count, otherwise frames = distance * 100 / speed.
    void MoveTo(float fromX, float fromY, float toX, float toY, int frames, int speed);
    void ClearPairs() { cells.clear(); }
    bool FindPair(int c, int r) const;
    void Update(BoardModel& model);
    bool HitTest(const BoardModel& model, int px, int py);
};

// One frame of a customer animation state.
struct PersonFrame
{
    int img = 0;
    int time = 0;
    int shiftX = 0, shiftY = 0;
};

// A customer type: mood fall rate, picture list and the three animation states (waiting, angry, paying).
struct PersonAnime
{
    int moodDownTime = 60;
    int shiftX = 0, shiftY = 0;
    std::vector<std::string> imageNames;
    std::vector<std::vector<PersonFrame>> animes;
    // The pictures, in the order of imageNames (a failed load keeps a null), held only while a level can bring
    // this type: the level start loads and releases them.
    std::vector<std::unique_ptr<Image>> images;
    bool imagesLoaded = false;

    PersonAnime();
    ~PersonAnime();

    // Three non-empty states whose pictures all exist: otherwise the type is never spawned.
    bool IsUsable() const;
    void LoadImages(BoardHost& app);
    void FreeImages();
    // The picture of a frame of a state, null when the state, frame or picture is missing or not loaded.
    Image* FrameImage(int state, int frame) const;
    const PersonFrame* Frame(int state, int frame) const;
};

struct Person
{
    int character = 0;
    int id = 0;
    bool leaving = false;
    bool paid = false;
    bool attention = false;
    int slotX = 0;
    int slotY = 0;
    bool gone = false;
    int fade = 0;
    float mood = 100.0f;
    float targetMood = -1.0f;
    int money = 0;
    int tip = 0;
    int state = 0;
    int frame = 0;
    std::string moneyText;
    int wish = -1;
    int wishCounter = 0;
    int angryCounter = 0;
    int queueIndex = 0;
    std::string priceText;
    bool awaitingOrder = true;
    bool wishUnderWay = false;
    bool moodHidden = false;
    int huntItem = 0;
    bool hover = false;
    int frameTick = 0;

    Person(int slot, int personId) : id(personId), slotX(slot * 137 + 100) {}

    void SetState(BoardModel& model, int s);
    void Update(BoardModel& model);
    // The middle of the body as drawn now (slot, type and frame offsets, half the frame picture): hearts, labels
    // and effects over the customer start here.
    int GetCenterX(const BoardModel& model) const;
    // Leaving with its fade running.
    bool IsWalkingOff() const { return gone && fade > 0; }
};

// A rising text or picture over the play field.
struct FloatingLabel
{
    bool done = false;
    float x = 0, y = 0;
    float vx = 0, vy = 0;
    int alpha = 255;
    int fadeInStep = 5;
    int fadeOutStep = 5;
    std::string text;
    int startDelay = 0;
    int verticalSteps = -1;
    int age = 0;
    int life = 0;
    int cel = -1;
    BoardImage image = BoardImage::None;
    bool onTop = false;
    // Which of the game's fonts and colour the text uses (drawing resolves them).
    int font = 0;
    bool blueFont = false;

    // The two other ways a label can move (title and map labels): physics mode accelerates towards velocity
    // limits and bounces off the side walls; bounce mode slides in sideways, settles, then rises off the top.
    bool physics = false;
    bool bounce = false;
    bool settled = false;
    bool boundHit = false;
    int secondDelay = 0;
    float physVx = 0, physVy = 0;
    float accelX = 0, accelY = 0;
    float limitX = 0, limitY = 0;
    float floorVy = 0;
    // Cels of the label's picture and the updates between cel steps.
    int cels = 1;
    int animInterval = 15;

    FloatingLabel(BoardImage picture, float px, float py, float velX, float velY, int lifeTime)
        : x(px), y(py), vx(velX), vy(velY), life(lifeTime), image(picture)
    {
    }
    // updateCount: the application's update counter, which times the picture's cel steps.
    void Update(int updateCount = 1);
    void UpdatePhysics();
    void UpdateBounce();
};

// Fonts a label asks for.
enum LabelFont
{
    FontDefault = 0,
    FontDefaultBlue,
    FontTest,
    FontButton,
    FontButtonSmall
};

// A picture placed on a PixelHunt field.
struct LevelObject
{
    std::string pic;
    std::unique_ptr<Image> image; // pictures other than money and light are owned here
    bool isMoney = false;
    bool isLight = false;
    int flags = 0; // 1 found, 4 done
    float x = 0, y = 0;
    int rot = 0;
    float w = 0, h = 0;
    int state = 0;
    int steps = 10;
    int customerId = -1;

    bool Found() const { return (flags & 1) != 0; }
    bool Done() const { return (flags & 4) != 0; }
};

struct DishType
{
    int sizeX = 0, sizeY = 0;
    int recipeCost = 0;
    int dishCost = 0;
    int cookingTime = 0;
    std::string smallPicFileName;
};

struct UpgradeRecord
{
    std::string name;
    int price = 0;
    int intValue = 0;
};

} // namespace Zest
