// Zest::GameApp: the game's application object: start-up and loading, the hand-over to the title menu, the long-
// lived screens, players and high scores, the dialog look, screen changes and the hint panel.
#pragma once

#include "app/ZestAppBase.h"
#include "game/core/Highscores.h"
#include "game/core/LngTable.h"
#include "game/core/PlayerProfile.h"
#include "game/core/ProfileFile.h"
#include "game/screens/ShellServices.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace Zest
{

class BoardTransition;
class Color;
class Font;
class GameCompleteWnd;
class GameModeWnd;
class Graphics;
class HintWnd;
class HistoryWnd;
class MapWnd;
class TitleScreen;
class TitleWnd;

// Text at baseline y: justification -1 starts at x, 0 is centred on x, 1 ends at x; any other draws nothing.
// The drawing state is restored afterwards.
void DrawJustifiedString(Graphics* g, Font* font, int x, int y, const std::string& text, int justification,
                         const Color& color);

// Dialog ids of the game's windows.
enum GameDialogId
{
    DIALOG_OPTIONS_MESSAGE = 7,
    DIALOG_OPTIONS = 8,
    DIALOG_PLAYER_MESSAGE = 100,
    DIALOG_QUESTION = 108,
    DIALOG_ONLY_PLAYER = 111,
    DIALOG_MENU = 1005,
    DIALOG_TEXT_ENTRY = 1006,
    DIALOG_CONTINUE = 1008,
    DIALOG_HIGHSCORES = 1009,
    DIALOG_LEVEL_COMPLETE = 1016,
    DIALOG_SHOP = 1025,
    DIALOG_NOTICE = 1030,
};

class GameApp : public ZestAppBase
{
public:
    GameApp();
    ~GameApp() override;

    // ---- framework hooks ----
    void Init() override;
    // The manifest and the start-up groups ("Init", then "TitleScreen"), then the first of the game group for as
    // long as the window is still being shown.
    void LoadWhileWindowShows() override;
    void LoadingProcedure() override;
    void OnLoadingDone() override;
    void OnShutdown() override;
    void LostFocus() override;
    // Shows what the settings store told the player (standard error has it already) once the title is up.
    void RunUpdate() override;
    Dialog* NewDialog(int id, bool modal, const std::string& header, const std::string& lines,
                      const std::string& footer, int buttonMode) override;
    using ZestAppBase::ButtonPress;
    void ButtonPress(int id) override;
    void DialogButtonReleased(int dialogId, int buttonId) override;
    using ZestAppBase::SwitchScreenMode;
    // Every switch, the options' OK as well as Alt+Enter, ends with the options' full-screen box (when that dialog
    // is open) showing the mode the window now runs in.
    void SwitchScreenMode(bool wantWindowed, bool is3d, bool force) override;
    virtual void SwitchScreenMode(bool windowed, bool threeD);

    // ---- start-up pieces (Init runs them in order; tests call them one by one) ----
    // Creates the loading screen with its hidden continue link and puts it up.
    void CreateTitleScreen();
    void LoadMusicTracks();
    // The loading screen's continue link: builds the long-lived screens and shows the title menu.
    void OnTitleScreenDone();

    // ---- players and high scores ----
    void LoadPlayers();
    void SavePlayers();
    // Writes the players file with `current` in the current player's place; the profile in memory stays as it is.
    void SavePlayersWithCurrent(const PlayerProfile& current);
    void ResetHighscores();
    void LoadHighscores();
    void SaveHighscores();
    void SubmitScore();
    bool FindPlayer(const std::string& name) const;
    // Tells the player about their files, on standard error and in the game's notice dialog; before the title
    // is up the text waits for it.
    void TellPlayer(const std::string& header, const std::string& text);
    // The current player, or null while none is settled.
    PlayerProfile* CurrentPlayer();
    // The New Player prompt; true when a profile was created and made current.
    bool AskForNewPlayer();

    // ---- screen flow ----
    void StartGame();
    // The end of the whole game, from the map after the last level: the game-complete window over the map, whose
    // button submits the score.
    void ShowGameComplete();
    bool ConfirmLeaveGame();
    void ShowHint(int x, int y, int placement, const std::string& text);
    void HideHint();
    void FocusGameWidget();
    // Introduces customer type 0..11 over the play field (dialog 1006). A tip asked for while another tip is open
    // waits for it: two new customer types on one day show one after the other.
    void OpenTipWindow(int customerType);
    // A tip window was closed with OK: the next waiting tip opens; false when none waited.
    bool OpenNextTip();

    // ---- helpers ----
    std::string AskForText(const std::string& header, const std::string& line, const std::string& initial);
    std::string GetLastEditText() const { return lastEditText; }
    static std::string GetAppDataFolder();
    // Moves the data folder of its old name to the current one on the first start that finds it; true when moved.
    static bool MoveOldDataFolder();
    static constexpr const char* kDataFolderName = "Quillbrook/CookEmber";
    static constexpr const char* kOldDataFolderName = "Quillbrook/EmberCook";
    void PlayClick();
    const std::string& Text(int n) const;
    // Runs a modal dialog's own loop until it has a result; tests answer in its place.
    virtual int WaitForDialog(Dialog* dialog);
    // Opens `question` as the question dialog with the yes and no labels, waits for the answer and closes it
    // (when it is still open); true for yes.
    bool AskYesNo(Dialog* question);

    // The start-up loads: asked for by Init, then how LoadWhileWindowShows ended them.
    enum class StartUpLoad
    {
        NotWanted,
        Wanted,
        NoManifest,
        Failed,
        Done,
    };
    StartUpLoad mStartUpLoad = StartUpLoad::NotWanted;

    // ---- seams, replaced when the real parts are wired in ----
    // Init puts the application's music player behind `music` unless this is off (tests keep the silent one).
    bool useAppMusic = true;
    // The hand-over builds the real play screen unless this is off (tests keep the stand-in).
    bool useRealBoard = true;
    std::unique_ptr<ShellMusic> music;
    std::unique_ptr<ShellResources> resources;
    std::unique_ptr<PlayScreen> playScreen;
    std::unique_ptr<ShellWindows> windows;

    // ---- fields ----
    std::unique_ptr<TitleScreen> titleScreen;
    std::string lastEditText;
    std::deque<int> pendingTips;
    std::unique_ptr<LngTable> lngTable;
    std::unique_ptr<BoardTransition> boardTransition;
    std::unique_ptr<TitleWnd> titleWnd;
    std::unique_ptr<MapWnd> mapWnd;
    std::unique_ptr<HintWnd> hintWnd;
    std::unique_ptr<GameModeWnd> gameModeWnd;
    std::unique_ptr<HistoryWnd> historyWnd;
    std::unique_ptr<GameCompleteWnd> gameCompleteWnd;
    int32_t currentPlayer = -1;
    PlayerList players;
    std::vector<HighscoreEntry> highscores;
    int32_t mouseX = 0;
    int32_t mouseY = 0;
    std::string dataFolder;
    bool shiftDown = false;
    // Said once at the title when a damaged players or high-score file was put aside at start-up.
    std::string playersNotice;
    // True from a failed save of the players or the high scores until one succeeds: the player hears of a failure
    // once, and every save tries again.
    bool playersSaveFailing = false;
    bool highscoresSaveFailing = false;

    Widget* board() const;
    Widget* boardInterface() const;

private:
    // Ends the game on a resource that cannot be had: `why` when given, else the resource manager's error text.
    void FatalResourceError(const std::string& why = std::string());
    // Opens the notice dialog with the text (added below what it shows when it is open already).
    void ShowNotice(const std::string& header, const std::string& text);
    void NoteSaveResult(bool saved, bool& failing, const std::string& what);
    void ToTitleMusic(int offset);
    // The players' store of the current data folder: it remembers what players.dat on disk holds, which each
    // save keeps in the companion file until the new players.dat is in place.
    ProfileStore& Profiles();

    std::unique_ptr<GameFiles> mFiles;
    std::unique_ptr<ProfileStore> mProfileStore;
    std::string mNoticeLines;
};

GameApp* GetGameApp();

} // namespace Zest
