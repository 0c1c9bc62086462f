// What the game shell needs from parts built beside it: music, resource groups, the play screen, and the windows
// of the player, options, high-score, continue and shop dialogs. Each has a stand-in used until the real one is
// wired in, which tests also use to watch the shell.
#pragma once

#include "game/core/GameResources.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace Zest
{

class BoardModel;
class GameApp;
class Graphics;
class MusicInterface;
class Widget;

// Four looping tracks with per-update fades. Speeds are volume per update; offset -1 continues a stream where it
// stopped, 0 starts it from the beginning.
class ShellMusic
{
public:
    virtual ~ShellMusic() = default;
    virtual bool LoadMusic(int track, const std::string& fileName) = 0;
    virtual void FadeIn(int track, int offset, double speed, bool loop) = 0;
    virtual void FadeOutAll(bool stopWhenSilent, double speed) = 0;
    virtual bool IsPlaying(int track) = 0;
    virtual void StopAll() = 0;
};

// Plays nothing but keeps track of what would be playing, and writes every call into `calls`.
class SilentMusic : public ShellMusic
{
public:
    bool LoadMusic(int track, const std::string& fileName) override;
    void FadeIn(int track, int offset, double speed, bool loop) override;
    void FadeOutAll(bool stopWhenSilent, double speed) override;
    bool IsPlaying(int track) override;
    void StopAll() override;

    std::array<bool, 4> playing{};
    std::vector<std::string> calls;
};

// The application's music player behind the shell's calls.
class AppMusic : public ShellMusic
{
public:
    explicit AppMusic(MusicInterface& music) : mMusic(music) {}
    bool LoadMusic(int track, const std::string& fileName) override;
    void FadeIn(int track, int offset, double speed, bool loop) override;
    void FadeOutAll(bool stopWhenSilent, double speed) override;
    bool IsPlaying(int track) override;
    void StopAll() override;

private:
    MusicInterface& mMusic;
};

// Resource groups as the shell loads them; the lookups bind the handles.
class ShellResources : public ResourceLookup
{
public:
    // Reads the resource manifest; false (with the error text set) when it cannot be read.
    virtual bool LoadManifest() = 0;
    virtual bool LoadResources(const std::string& group) = 0;
    virtual void StartLoadResources(const std::string& group) = 0;
    // False when nothing is left or a resource failed.
    virtual bool LoadNextResource() = 0;
    virtual int GetNumResources(const std::string& group) = 0;
    virtual void DeleteResources(const std::string& group) = 0;
    virtual bool HadError() = 0;
    virtual std::string GetErrorText() = 0;
    // The picture of a loaded group's id, loaded again when FreeImage freed it; null when it cannot be had.
    virtual Image* LoadImage(const std::string& id);
    // Frees one picture of a loaded group until LoadImage; nothing may draw it meanwhile. Here: kept.
    virtual void FreeImage(const std::string& id) { (void)id; }
};

// A customer of the play field drawn in the tip window, standing still while its animation runs.
class TipCustomer
{
public:
    virtual ~TipCustomer() = default;
    virtual void Update() = 0;
    // Drawn at its place in the window's coordinates, tinted by the graphics colour when colourising is on.
    virtual void Draw(Graphics* g) = 0;
};

// The play screen as the shell sees it: its two widgets and the operations screen changes need.
class PlayScreen
{
public:
    virtual ~PlayScreen() = default;
    // The play field (sized 0,0,0,0; takes no mouse) and its input widget over the whole screen.
    virtual Widget* BoardWidget() = 0;
    virtual Widget* InputWidget() = 0;
    // Prepares the current player's level; the fade then shows the two widgets.
    virtual void StartLevel() = 0;
    virtual void SetDimCounter(int value) = 0;
    virtual void ShowMenuButton() = 0;
    virtual void OpenMenu() = 0;
    // Floating labels deleted, particle systems stopped.
    virtual void ClearEffects() = 0;
    virtual void SetShownHint(int id) = 0;
    virtual int32_t RecipeCost(int dishType) = 0;
    virtual int32_t DeviceEnableLevel(int device) = 0;

    // Mouse over the hint panel, passed on in screen coordinates so the field under it keeps reacting.
    virtual void ForwardMouseMove(int x, int y) { (void)x, (void)y; }
    virtual void ForwardMouseDrag(int x, int y) { (void)x, (void)y; }
    virtual void ForwardMouseDown(int x, int y, int clickCount) { (void)x, (void)y, (void)clickCount; }
    // A dish picked up from the shelf; while one is held it draws over the hint panel.
    virtual bool HoldsDish() { return false; }
    // Customer type 0..11 at (x, y), not walking; null when the play screen has none to show.
    virtual std::unique_ptr<TipCustomer> MakeTipCustomer(int type, int x, int y)
    {
        (void)type, (void)x, (void)y;
        return nullptr;
    }
    // The customer-animation editor on the play field (a developer tool behind a hidden button).
    virtual void StartPersonMaker() {}
    virtual void DrawHeldDish(Graphics* g, int x, int y) { (void)g, (void)x, (void)y; }

    // What the windows over the play field read and change: the model with the level's results, the upgrade
    // tables, the dish types and the board's pictures (null while there is none); the darkening of the field
    // (0..50); whether the field is zooming in or out.
    virtual BoardModel* Model() { return nullptr; }
    virtual int DimCounter() { return 0; }
    virtual bool Zooming() { return false; }
};

// The dialogs of the game's other windows, opened under their dialog ids.
class ShellWindows
{
public:
    virtual ~ShellWindows() = default;
    virtual void OpenContinueDialog() = 0;          // 1008
    virtual void OpenOptions() = 0;                 // 8
    virtual void OpenPlayerChoice() = 0;            // 1005
    virtual void OpenHighscores(int highlight) = 0; // 1009
    virtual void SetHighscoreHighlight(int place) = 0;
    virtual void OpenShop(int mode) = 0;  // 1025
    virtual void OpenInGameMenu() = 0;    // 1005
    virtual void OpenLevelComplete() = 0; // 1016
    virtual void OpenGameOver() = 0;      // 1006
    // Text entry 1006: waits and returns the dialog's result; on 1 the text is in `text`. A player-name prompt
    // (new player, rename) has its header in the name prompts' font; the high-score and editor prompts do not.
    virtual int AskText(const std::string& header, const std::string& line, const std::string& initial, int maxChars,
                        bool cancelEnabled, std::string& text, bool namePrompt = true) = 0;
};

// Records what was asked for; a plain dialog stands in for each window so that the dialog register shows the
// right ids. Text prompts are answered from a script when one is given, otherwise by a simple prompt window with
// an edit field, so that a player can still be named.
class StandInWindows : public ShellWindows
{
public:
    explicit StandInWindows(GameApp& app) : mApp(app) {}
    void OpenContinueDialog() override;
    void OpenOptions() override;
    void OpenPlayerChoice() override;
    void OpenHighscores(int highlight) override;
    void SetHighscoreHighlight(int place) override { highlight = place; }
    void OpenShop(int mode) override;
    void OpenInGameMenu() override;
    void OpenLevelComplete() override;
    void OpenGameOver() override;
    int AskText(const std::string& header, const std::string& line, const std::string& initial, int maxChars,
                bool cancelEnabled, std::string& text, bool namePrompt = true) override;

    struct Opened
    {
        int id;
        int mode;
    };
    std::vector<Opened> opened;
    int highlight = -1;
    struct Prompt
    {
        std::string header, line, initial;
        int maxChars;
        bool cancelEnabled;
    };
    std::vector<Prompt> prompts;
    // Answers to the next prompts: result and text. Without one the prompt window asks.
    std::vector<std::pair<int, std::string>> answers;

private:
    void Open(int id, int mode);
    GameApp& mApp;
};

// Two empty widgets in place of the play field and its input widget, and a log of the calls.
class StandInPlayScreen : public PlayScreen
{
public:
    StandInPlayScreen();
    ~StandInPlayScreen() override;
    Widget* BoardWidget() override { return mBoard.get(); }
    Widget* InputWidget() override { return mInput.get(); }
    void StartLevel() override { calls.push_back("StartLevel"); }
    void SetDimCounter(int value) override { dimCounter = value; }
    void ShowMenuButton() override { menuButtonVisible = true; }
    void OpenMenu() override { calls.push_back("OpenMenu"); }
    void ClearEffects() override { calls.push_back("ClearEffects"); }
    void SetShownHint(int id) override { shownHint = id; }
    int32_t RecipeCost(int dishType) override;
    int32_t DeviceEnableLevel(int device) override;
    void ForwardMouseMove(int x, int y) override { calls.push_back("Move " + Pos(x, y)); }
    void ForwardMouseDrag(int x, int y) override { calls.push_back("Drag " + Pos(x, y)); }
    void ForwardMouseDown(int x, int y, int count) override
    {
        calls.push_back("Down " + Pos(x, y) + " " + std::to_string(count));
    }
    bool HoldsDish() override { return holdsDish; }
    BoardModel* Model() override { return model; }
    int DimCounter() override { return dimCounter; }
    bool Zooming() override { return zooming; }

    static std::string Pos(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
    bool holdsDish = false;
    // Not owned; tests hand one in.
    BoardModel* model = nullptr;
    bool zooming = false;
    std::vector<std::string> calls;
    int dimCounter = 50;
    bool menuButtonVisible = false;
    int shownHint = -1;

private:
    std::unique_ptr<Widget> mBoard;
    std::unique_ptr<Widget> mInput;
};

} // namespace Zest
