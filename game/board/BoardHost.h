// The one seam between the play screen and the game application above it: player, texts, sounds, music, windows,
// hints and input state. The game application implements it; tests use a recording stand-in.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace Zest
{

class Image;
class LngTable;
struct PlayerProfile;

// Sounds the play field asks for; the application binds each to its resource sound.
enum class BoardSound
{
    AppearBomb,
    AppearIceCream,
    Bomb,
    CoffeeReady,
    ExpertGoal,
    GetMoney,
    GiveCoffee,
    LevelComplete,
    LevelFailed,
    Lighting,
    AkkumWorking,
    MainGoal,
    Match,
    Match4,
    Match5,
    Move,
    NewPerson,
    PersonAngry,
    PersonGotFood,
    PersonLeave,
    PersonWantFood,
    PizzaReady,
    PutPizza,
    Select,
    TakeIceCream,
    TakeCharge,
    TakePizza,
    TimeIsUp,
    Count
};

// Resource pictures whose size the rules need (hit boxes) or that a floating label shows. The application binds
// each to its resource image; a picture it cannot find has size 0 x 0.
enum class BoardImage
{
    None = -1,
    Akkum,
    CoffeeMachine,
    Money,
    Goal,
    ExpertGoal,
    MonitorSmall,
    Ramka,
    LightOn,
    Pizzeria1, // Pizzeria1 + k for the k-th pizzeria, k 0..5
    Count = Pizzeria1 + 6
};

struct BoardImageSize
{
    int width = 0;
    int height = 0;
};

class BoardHost
{
public:
    virtual ~BoardHost() = default;

    // The application's update counter: +1 before every update of the play screen.
    virtual int UpdateCount() const = 0;
    // The current player; the play screen never runs without one.
    virtual PlayerProfile& Player() = 0;
    virtual const LngTable& Lng() const = 0;
    // Writes the players file.
    virtual void SavePlayers() = 0;

    virtual void PlaySample(BoardSound sound) = 0;
    virtual BoardImageSize ImageSize(BoardImage image) const = 0;
    // A picture loaded by path without extension, owned by the caller; null when it cannot be loaded (always null
    // in headless runs that carry no art).
    virtual std::unique_ptr<Image> LoadImage(const std::string& path) = 0;
    // A data file the play screen needs is missing or damaged (the text says which and how); by default it is
    // written to standard error, where the content's author reads it.
    virtual void DataFileProblem(const std::string& text) { std::fprintf(stderr, "Game data: %s\n", text.c_str()); }

    // Music tracks 0..3.
    virtual bool IsMusicPlaying(int track) = 0;
    virtual void FadeInMusic(int track) = 0;
    virtual void FadeOutAllMusic() = 0;
    virtual void StopAllMusic() = 0;

    // The tutorial hint window; placement 0, 1 or 2 as the window takes it. The board keeps the number of the
    // hint it shows in BoardModel::HintId and clears it when it hides the hint itself; when the player closes the
    // window, the application sets BoardModel::HintId back to -1, which lets the play go on.
    virtual void ShowHint(int x, int y, int placement, const std::string& text) = 0;
    virtual void HideHint() = 0;
    // The hint window's OK button and no-hints box: 1 shown, 0 hidden, -1 left as they are.
    virtual void SetHintControls(int okShown, int checkboxShown) { (void)okShown, (void)checkboxShown; }
    // The hint window's own visible flag (hiding the hint takes the window off the screen, not this flag).
    virtual bool HintWindowVisible() const { return true; }

    // Windows over the play field; each is placed and registered by the application under its dialog id.
    virtual void OpenMenuWindow() = 0;
    virtual void OpenLevelCompleteWindow() = 0;
    virtual void OpenGameOverWindow() = 0;
    virtual void OpenTipWindow(int personType) = 0;

    // Pizzeria picture 0..5 for a player level.
    virtual int PizzeriaIndex(int level) const = 0;

    // Input state the application keeps for the play screen. The board's mouse handlers store every position they
    // are given; drawing, the cursor choice and the update step read it back.
    virtual void SetLastMouse(int x, int y) { (void)x, (void)y; }
    // The mouse cursor over the play field: 0 arrow, 1 hand, 2 dragging.
    virtual void SetCursor(int cursor) { (void)cursor; }
    virtual int LastMouseX() const = 0;
    virtual int LastMouseY() const = 0;
    virtual void SetShiftDown(bool down) = 0;
    virtual bool IsShiftDown() const = 0;
    // Focus as the widget manager sees it: the play field's input widget, or the full-screen fade widget.
    virtual bool InputWidgetHasFocus() const = 0;
    virtual bool FadeWidgetHasFocus() const = 0;
};

} // namespace Zest
