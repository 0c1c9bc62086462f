// The level-complete and game-over windows: their slide, tally lines and what their buttons store and start.
#include "ResultWindows.h"

#include "BoardTransition.h"
#include "GameApp.h"
#include "MapWnd.h"
#include "ScreenPictures.h"
#include "game/board/BoardModel.h"
#include "game/core/GameResources.h"
#include "game/core/TextIds.h"
#include "graphics/Graphics.h"

#include <algorithm>

namespace Zest
{

namespace
{

const Color kWhite(255, 255, 255, 255);

int32_t AddMoney(int32_t money, int64_t amount)
{
    // Money never wraps, whatever a damaged profile or level file holds.
    return static_cast<int32_t>(std::clamp<int64_t>(money + amount, INT32_MIN, INT32_MAX));
}

} // namespace

BoardModel* PlayModel(GameApp* app)
{
    return app && app->playScreen ? app->playScreen->Model() : nullptr;
}

// ---- level complete ----

LevelCompleteWnd::LevelCompleteWnd(GameApp* gameApp)
    : SlidePanel(gameApp, ScreenPictures::Acquire(ScreenPictures::LevelComplete), IMAGE_BIGBUTTON,
                 DIALOG_LEVEL_COMPLETE)
{
    if (FONT_TEST) SetHeaderFont(FONT_TEST);
    if (FONT_DEFAULT) SetLinesFont(FONT_DEFAULT);
    for (int c : {0, 1, 3, 4}) SetColor(c, kWhite);
    okButton = std::make_unique<ButtonWidget>(kOkId, this);
    const int w = ImageWidth(IMAGE_MONITOR);
    SetUpButton(*okButton, app->Text(TXT_CONTINUE_2), IMAGE_BIGBUTTON, IMAGE_BIGBUTTON_OVER, IMAGE_BIGBUTTON_DOWN,
                nullptr, FONT_DEFAULT_BLUE, w / 2 - ImageWidth(IMAGE_BIGBUTTON) / 2, 410);
    // The tally shows the profile as it was, but the file holds the win from now on: a game closed over the
    // tally goes on with the next day, never the won one again.
    SaveWonDay();
}

LevelCompleteWnd::~LevelCompleteWnd()
{
    RemoveAllWidgets(false);
    ScreenPictures::Release(ScreenPictures::LevelComplete);
}

int LevelCompleteWnd::Alpha() const
{
    const float f = ShareBelowRest();
    if (closing) return std::min(255, static_cast<int>(200.0f + f * 55.0f));
    return static_cast<int>((1.0f - f) * 200.0f);
}

void LevelCompleteWnd::Update()
{
    Dialog::Update();
    if (app->playScreen && app->playScreen->DimCounter() < 50)
        app->playScreen->SetDimCounter(app->playScreen->DimCounter() + 1);
    if (!SlideStep()) return;
    StoreResults();
}

// The day's results as the profile keeps them: the level's entries, the next level, the money and the charge.
static void RecordWonDay(PlayerProfile& player, const BoardModel* model)
{
    const int32_t profit = model ? model->DayProfit : 0;
    const int level = player.level;
    // Results are kept for the game's days only; a level beyond them (a damaged profile) records nothing.
    if (level >= 1 && level <= PlayerProfile::kNumLevels)
    {
        if (model && profit >= model->ExpertGoal) player.expertFlags[static_cast<size_t>(level - 1)] = 1;
        player.dayProfits[static_cast<size_t>(level - 1)] = profit;
    }
    player.level = level + 1;
    player.money = AddMoney(player.money, profit);
    if (model) player.akkumCharge = model->AkkumCharge;
}

void LevelCompleteWnd::SaveWonDay()
{
    const PlayerProfile* player = app->CurrentPlayer();
    if (player == nullptr) return;
    PlayerProfile won = *player;
    RecordWonDay(won, PlayModel(app));
    app->SavePlayersWithCurrent(won);
}

void LevelCompleteWnd::StoreResults()
{
    if (stored) return;
    stored = true;
    BoardModel* model = PlayModel(app);
    if (app->playScreen) app->playScreen->SetDimCounter(0);
    if (model) model->TimeLeft = 1000;
    if (PlayerProfile* player = app->CurrentPlayer())
    {
        RecordWonDay(*player, model);
        app->SavePlayers();
    }
    app->StartGame();
    // The map appears from the fade's bright half: the play field is already dark.
    if (app->boardTransition) app->boardTransition->counter = 98;
    app->CloseDialog(this);
}

void LevelCompleteWnd::Draw(Graphics* g)
{
    FillScreen(g, Alpha());
    Dialog::Draw(g);
    BoardModel* model = PlayModel(app);
    const PlayerProfile* player = app->CurrentPlayer();
    const int32_t profit = model ? model->DayProfit : 0;
    const int32_t money = player ? player->money : 0;
    const int w = ImageWidth(IMAGE_MONITOR), h = ImageHeight(IMAGE_MONITOR);
    const int cx = w / 2;
    const std::string& sign = app->Text(TXT_MONEY_SIGN);
    auto line = [&](int ly, Font* font, const std::string& text)
    { DrawJustifiedString(g, font, cx, ly, text, 0, kWhite); };
    line(80, FONT_BUTTON, app->Text(TXT_DAY_COMPLETE));
    line(105, FONT_DEFAULT_BLUE, app->Text(TXT_OVENS_COOL_DOWN_HERE));
    line(180, FONT_DEFAULT, app->Text(TXT_CUSTOMERS_SERVED) + " " + std::to_string(model ? model->ServedCount : 0));
    line(205, FONT_DEFAULT_BLUE, app->Text(TXT_CUSTOMERS_LOST) + " " + std::to_string(model ? model->LostCount : 0));
    line(230, FONT_DEFAULT, app->Text(TXT_DISHES_SERVED) + " " + std::to_string(model ? model->FoodServedCount : 0));
    line(275, FONT_DEFAULT, app->Text(TXT_TIPS) + " " + MoneyText(sign, model ? model->TipTotal : 0));
    line(320, FONT_DEFAULT, app->Text(TXT_TODAYS_PROFIT) + " " + MoneyText(sign, profit));
    line(345, FONT_DEFAULT, app->Text(TXT_MONEY_TILL) + " " + MoneyText(sign, AddMoney(money, profit)));
    if (model && profit >= model->ExpertGoal && IMAGE_EXPERT_PRIZE)
    {
        const int pw = ImageWidth(IMAGE_EXPERT_PRIZE), ph = ImageHeight(IMAGE_EXPERT_PRIZE);
        const int py = h / 2 - ph / 2 - 40;
        g->DrawImage(IMAGE_EXPERT_PRIZE, w / 2 - w / 3 - pw / 2, py);
        g->DrawImage(IMAGE_EXPERT_PRIZE, w / 3 + w / 2 - pw / 2, py);
    }
}

void LevelCompleteWnd::ButtonReleased(int id)
{
    app->PlayClick();
    Dialog::ButtonReleased(id);
    if (id == kOkId) closing = true;
}

// ---- game over ----

GameOverWnd::GameOverWnd(GameApp* gameApp)
    : SlidePanel(gameApp, ScreenPictures::Acquire(ScreenPictures::GameOver), nullptr, DIALOG_TEXT_ENTRY)
{
    if (FONT_DEFAULT)
    {
        SetHeaderFont(FONT_DEFAULT);
        SetLinesFont(FONT_DEFAULT);
    }
    for (int c : {0, 1}) SetColor(c, kWhite);
    const int wg = ImageWidth(IMAGE_GAME_OVER_WND);
    const int bx = wg / 2 - ImageWidth(IMAGE_SMBUTTON) / 2;
    retryButton = std::make_unique<ButtonWidget>(kRetryId, this);
    SetUpButton(*retryButton, app->Text(TXT_TRY_AGAIN), IMAGE_SMBUTTON, IMAGE_SMBUTTON_OVER, IMAGE_SMBUTTON_DOWN,
                nullptr, FONT_DEFAULT_BLUE, bx, 400);
    mapButton = std::make_unique<ButtonWidget>(kMapId, this);
    SetUpButton(*mapButton, app->Text(TXT_MAP), IMAGE_SMBUTTON, IMAGE_SMBUTTON_OVER, IMAGE_SMBUTTON_DOWN, nullptr,
                FONT_DEFAULT_BLUE, bx, 460);
    Resize(400 - wg / 2, 300 - ImageHeight(IMAGE_GAME_OVER_WND) / 2, wg, ImageHeight(IMAGE_GAME_OVER_WND));
}

GameOverWnd::~GameOverWnd()
{
    RemoveAllWidgets(false);
    ScreenPictures::Release(ScreenPictures::GameOver);
}

void GameOverWnd::Update()
{
    Dialog::Update();
    SlideStep();
}

void GameOverWnd::Draw(Graphics* g)
{
    FillScreen(g, Alpha());
    Dialog::Draw(g);
    BoardModel* model = PlayModel(app);
    const PlayerProfile* player = app->CurrentPlayer();
    const int cx = ImageWidth(IMAGE_MONITOR) / 2;
    const std::string& sign = app->Text(TXT_MONEY_SIGN);
    auto line = [&](int ly, Font* font, const std::string& text)
    { DrawJustifiedString(g, font, cx, ly, text, 0, kWhite); };
    // A lost day says so in its title; the won day's title would read as a success.
    line(90, FONT_BUTTON, app->Text(TXT_DAY_LOST));
    line(115, FONT_DEFAULT_BLUE, app->Text(TXT_KITCHEN_CLOSES_TODAY));
    line(210, FONT_BUTTON_SMALL, app->Text(TXT_DID_NOT_EARN_ENOUGH));
    line(270, FONT_BUTTON_SMALL, app->Text(TXT_DONT_GIVE_UP_EVERY));
    line(340, FONT_DEFAULT, app->Text(TXT_TODAYS_PROFIT) + " " + MoneyText(sign, model ? model->DayProfit : 0));
    line(365, FONT_DEFAULT, app->Text(TXT_MONEY_TILL) + " " + MoneyText(sign, player ? player->money : 0));
}

void GameOverWnd::ButtonReleased(int id)
{
    app->PlayClick();
    Dialog::ButtonReleased(id);
    // One answer per window: a second release before the window is gone changes nothing.
    if (done || (id != kRetryId && id != kMapId)) return;
    done = true;
    if (id == kRetryId)
    {
        app->CloseDialog(this);
        app->FocusGameWidget();
        if (app->playScreen) app->playScreen->StartLevel();
        return;
    }
    app->StartGame();
    if (BoardModel* model = PlayModel(app)) model->TimeLeft = 1000;
    if (app->mapWnd)
    {
        // Back on the map's shop panel rather than its walk.
        app->mapWnd->model.EnterShopPhase();
        app->mapWnd->ApplyButtons();
    }
    app->CloseDialog(this);
}

} // namespace Zest
