// The screen tour of the game bot: walks a new cook through every screen and window a player meets, from the loading
// screen to the end of the game, and stands still at each for a picture taken from outside (tools/screen_tour.sh).
// Between the stretches it plays as the bot does; to reach the bonus days, a full shop and the ending in minutes it
// moves the cook to a later day at the title (as --from-day does), never by drawing a window apart.
#include "GameBot.h"

#include <algorithm>
#include <cstdio>
#include <typeinfo>

#include "game/board/BoardModel.h"
#include "game/screens/BoardTransition.h"
#include "game/screens/HintWnd.h"
#include "game/screens/MapWnd.h"
#include "game/screens/MenuWnd.h"
#include "game/screens/OptionsDialog.h"
#include "game/screens/PlayerDialogs.h"
#include "game/screens/ResultWindows.h"
#include "game/screens/StoryWindows.h"
#include "game/screens/TipWnd.h"
#include "game/screens/TitleDialogs.h"
#include "game/screens/TitleWnd.h"
#include "game/screens/UpgradeWnd.h"
#include "platform/Messages.h"
#include "widgets/ButtonWidget.h"
#include "widgets/Dialog.h"
#include "widgets/EditWidget.h"
#include "widgets/WidgetManager.h"

namespace Zest::Bot
{

using namespace Platform;

namespace
{

// The days the tour jumps to from the title, in order: the first bonus day (fitting orders), the first picture
// hunt, a later day with money for every shop page (and a day left to run out), and the last day (won, it shows
// the ending).
struct Jump
{
    int day;
    int money;
};
constexpr Jump kJumps[] = {{5, 3000}, {9, 6000}, {12, 60000}, {PlayerProfile::kNumLevels, 900000}};
constexpr int kJumpCount = static_cast<int>(sizeof(kJumps) / sizeof(kJumps[0]));

const char* KindName(int levelKind)
{
    return levelKind == 1 ? "inlay" : levelKind == 3 ? "pixelhunt" : "normal";
}

} // namespace

bool BotApp::Snap(const std::string& name, int delay)
{
    if (std::find(mSnapped.begin(), mSnapped.end(), name) != mSnapped.end()) return false;
    mSnapped.push_back(name);
    mSnapNext = name;
    Wait(delay);
    return true;
}

bool BotApp::TourThink()
{
    if (!mSnapNext.empty())
    {
        char label[160];
        std::snprintf(label, sizeof label, "%02d_%s", ++mSnapCount, mSnapNext.c_str());
        mSnapNext.clear();
        PauseHere(label);
        Wait(1);
        return true;
    }
    if (titleScreen && Shows(titleScreen.get()))
    {
        // The first picture as soon as it shows, however fast the loading runs; then the link to go on.
        if (Snap("loading", 5)) return true;
        const bool ready = titleScreen->continueLink && Usable(titleScreen->continueLink.get());
        return ready ? Snap("loading_done", 10) : (Wait(10), true);
    }
    // The story and ending windows stand on their own, over whatever is below.
    for (Widget* w : mWidgetManager->children)
    {
        if (auto* mode = dynamic_cast<GameModeWnd*>(w))
            return Snap("game_mode", 40) || ClickWidget(mode->buttons[0].get(), 10) || (Wait(10), true);
        if (auto* story = dynamic_cast<HistoryWnd*>(w))
            return Snap("story", 40) || ClickWidget(story->startButton.get(), 10) || (Wait(10), true);
        if (auto* done = dynamic_cast<GameCompleteWnd*>(w))
            return Snap("game_complete", 40) || ClickWidget(done->button.get(), 10) || (Wait(10), true);
    }
    // The frontmost dialog: the last one in the top level's back-to-front order.
    Dialog* top = nullptr;
    for (Widget* w : mWidgetManager->children)
        if (auto* dialog = dynamic_cast<Dialog*>(w)) top = dialog;
    if (top) return TourDialog(top);
    if (boardTransition && Shows(boardTransition.get())) return false;
    if (hintWnd && Shows(hintWnd.get()) && hintWnd->okButton && Usable(hintWnd->okButton.get()))
    {
        BoardModel* m = PlayModel(this);
        const int id = m ? m->HintId : -1;
        if (id != mTourHint && Snap("hint_" + std::to_string(id), 25))
        {
            mTourHint = id;
            return true;
        }
        mTourHint = id;
        return false;
    }
    if (mapWnd && Shows(mapWnd.get())) return TourMap();
    if (playScreen && Shows(playScreen->InputWidget()) && playScreen->Model()) return TourBoard(*playScreen->Model());
    if (titleWnd && Shows(titleWnd.get())) return TourTitle();
    return false;
}

bool BotApp::TourTitle()
{
    // First visit: the title and the three windows it opens; after each leave, the next jump.
    if (mTourTitleStep == 0)
    {
        if (Snap("title", 40)) return true;
        ++mTourTitleStep;
        return ClickWidget(titleWnd->changePlayerButton.get(), 10);
    }
    if (mTourTitleStep == 1)
    {
        ++mTourTitleStep;
        return ClickWidget(titleWnd->optionsButton.get(), 10);
    }
    if (mTourTitleStep == 2)
    {
        ++mTourTitleStep;
        return ClickWidget(titleWnd->highscoresButton.get(), 10);
    }
    // A day left for the title starts afresh when the tour comes back to it.
    mDayStartUpdate = -1;
    if (mTourEndSeen)
    {
        // Back at the title after the ending: the tour is over.
        if (Snap("title_after_ending", 40)) return true;
        Stop("the tour is complete", false);
        return true;
    }
    if (mTourLeave)
    {
        mTourLeave = false;
        mTourEscaped = false;
        mTourShopPages = false;
        if (mTourJump < kJumpCount)
        {
            if (PlayerProfile* player = CurrentPlayer())
            {
                player->level = kJumps[mTourJump].day;
                player->money = kJumps[mTourJump].money;
                ++mTourJump;
                std::printf("tour: the cook goes to day %d\n", player->level);
                std::fflush(stdout);
                // Past the last day the title starts the ending at once (the bot alone would stop here).
                if (player->level > PlayerProfile::kNumLevels) return ClickWidget(titleWnd->playButton.get(), 10);
            }
        }
    }
    return false;
}

bool BotApp::TourDialog(Dialog* top)
{
    if (auto* panel = dynamic_cast<SlidePanel*>(top); panel && (panel->closing || panel->y != panel->RestY()))
    {
        Wait(2);
        return true;
    }
    BoardModel* m = PlayModel(this);
    const PlayerProfile* player = CurrentPlayer();
    const std::string day = m && player ? "day" + std::to_string(player->level) + "_" + KindName(m->LevelKind) : "day";
    if (auto* edit = dynamic_cast<DialogWithEdit*>(top))
    {
        if (mTourJump >= kJumpCount)
            return Snap("highscore_entry", 30) || ClickWidget(edit->okButton.get(), 10) || (Wait(10), true);
        if (mNameTyped) return false;
        if (Snap("name_entry", 30)) return true;
        if (std::find(mSnapped.begin(), mSnapped.end(), "name_entry_typed") == mSnapped.end())
        {
            // Typed but not yet sent: the name and the caret in the field.
            for (int i = 0; i < 16; ++i) Key(1 + i, VK_BACK);
            int t = 18;
            for (char c : mOptions.name) Char(t++, c);
            Snap("name_entry_typed", t + 20);
            return true;
        }
        return false;
    }
    if (auto* players = dynamic_cast<ChPlayerDialog*>(top))
        return Snap("players", 10) || ClickWidget(players->chooseButton.get(), 10);
    if (auto* options = dynamic_cast<DemoDialog*>(top))
        return Snap(m && playScreen && Shows(playScreen->InputWidget()) ? "options_in_game" : "options", 20) ||
               ClickWidget(options->okButton.get(), 10);
    if (dynamic_cast<HighscoresWnd*>(top)) return Snap(mTourJump >= kJumpCount ? "best_chefs_after" : "best_chefs", 20);
    if (auto* how = dynamic_cast<HowDialog*>(top))
    {
        if (Snap("how_to_play_" + std::to_string(how->page), 10)) return true;
        if (how->page < how->pageCount) return ClickWidget(how->nextButton.get(), 10);
        mTourHowDone = true;
        return ClickWidget(how->closeButton.get(), 10);
    }
    if (auto* menu = dynamic_cast<MenuWnd*>(top))
    {
        if (Snap(mTourLeave ? "menu_" + day : "menu", 10)) return true;
        if (!mTourHowDone) return ClickWidget(menu->buttons[MenuWnd::HowToPlayId].get(), 10);
        if (!mTourOptionsDone)
        {
            mTourOptionsDone = true;
            return ClickWidget(menu->buttons[MenuWnd::OptionsId].get(), 10);
        }
        mTourMenuDone = true;
        return ClickWidget(menu->buttons[mTourLeave ? MenuWnd::MainMenuId : MenuWnd::ContinueId].get(), 10);
    }
    if (dynamic_cast<LevelCompleteWnd*>(top))
    {
        // The tally counts up first.
        if (mSnapped.end() == std::find(mSnapped.begin(), mSnapped.end(), "level_complete_" + day))
            return Snap("level_complete_" + day, 200);
        return false;
    }
    if (auto* over = dynamic_cast<GameOverWnd*>(top))
    {
        if (Snap("game_over_" + day, 200)) return true;
        if (mTourIdle)
        {
            // To the map, for a round of every shop page with the money of the jump, then to the title.
            mTourIdle = false;
            mTourShopPages = true;
            mTourShopPage = 0;
            mDayStartUpdate = -1;
            return ClickWidget(over->mapButton.get(), 10);
        }
        return false;
    }
    if (dynamic_cast<ContinueGameWnd*>(top)) return Snap("continue_or_new", 20);
    if (dynamic_cast<TipWnd*>(top)) return Snap("customer_tip_" + std::to_string(mDay), 60);
    if (auto* shop = dynamic_cast<UpgradeWnd*>(top))
    {
        const std::string page = "shop_page_" + std::to_string(shop->mode);
        if (mPurchases == mTourPurchasesAtOpen && Snap(page, 10)) return true;
        if (mPurchases > mTourPurchasesAtOpen && Snap(page + "_bought", 30)) return true;
        if (mTourShopPages)
        {
            // The full round: one purchase on each page, then closed.
            if (mPurchases > mTourPurchasesAtOpen) return ClickWidget(shop->closeButton.get(), 10);
            if (shop->CanBuyStep(shop->BuyUpgrade()) || (shop->mode >= 4 && Usable(shop->buyButton.get())))
            {
                ++mPurchases;
                return ClickWidget(shop->buyButton.get(), 10);
            }
            if (shop->mode < 4 && shop->CanBuyStep(shop->SecondUpgrade()))
            {
                ++mPurchases;
                return ClickWidget(shop->secondButton.get(), 10);
            }
            return ClickWidget(shop->closeButton.get(), 10);
        }
        return false;
    }
    // A question or a message: yes, or its only button.
    if (Snap("message_" + std::to_string(top->id), 20)) return true;
    if (top->yesButton && ClickWidget(top->yesButton.get(), 10)) return true;
    Key(5, VK_RETURN);
    Wait(20);
    return true;
}

bool BotApp::TourMap()
{
    MapModel& map = mapWnd->model;
    PlayerProfile* player = CurrentPlayer();
    if (!player || map.levelStarting) return false;
    const std::string day = "day" + std::to_string(player->level);
    if (player->level > PlayerProfile::kNumLevels)
    {
        mTourEndSeen = true;
        if (map.frame < 100) return Wait(10), true;
        if (!map.endingSecondStage) return Snap("map_ending", 20) || ClickWidget(mapWnd->continueButton.get(), 10);
        return Snap("map_ending_2", 20) || ClickWidget(mapWnd->continueButton.get(), 10);
    }
    if (map.mapPhase)
    {
        if (map.frame < 100) return Wait(10), true;
        if (map.intro && Snap("map_intro_" + day, 10)) return true;
        if (Snap("map_" + day, 10)) return true;
        return false;
    }
    if (Snap("kitchen_shop_" + day, 20)) return true;
    if (!mTourShopPages && mPurchases > mTourPurchasesAtOpen && Snap("kitchen_shop_" + day + "_bought", 20))
        return true;
    if (mTourShopPages && mTourShopPage < 12)
    {
        // Every page of the shop: the four devices, then the eight recipes.
        const int page = mTourShopPage++;
        mTourPurchasesAtOpen = mPurchases;
        int x = 0, y = 0;
        if (page < 4)
        {
            if (!map.DeviceUnlocked(page)) return Wait(1), true;
            x = MapModel::kDeviceHitCentres[page].x, y = MapModel::kDeviceHitCentres[page].y;
        }
        else
        {
            if (!map.RecipeOffered(page - 4)) return Wait(1), true;
            const MapRect& r = MapModel::kRecipeAreas[page - 4];
            x = r.x + r.w / 2, y = r.y + r.h / 2;
        }
        MoveTo(0, x, y);
        Click(2, x, y);
        Wait(20);
        return true;
    }
    if (mTourShopPages && mTourShopPage == 12)
    {
        ++mTourShopPage;
        mShopDoneThisVisit = true;
        if (Snap("kitchen_shop_" + day + "_bought", 20)) return true;
    }
    mTourPurchasesAtOpen = mPurchases;
    return false;
}

bool BotApp::TourBoard(BoardModel& m)
{
    PlayerProfile* player = CurrentPlayer();
    const int level = player ? player->level : mDay;
    const std::string day = "day" + std::to_string(level) + "_" + KindName(m.LevelKind);
    if (mDayStartUpdate == -1) NoteDayStart();
    const int since = mUpdateCount - mDayStartUpdate;
    if (m.ResultShown) return false;
    // The day after the last jump but one is left to run out: the game-over window.
    if (mTourJump == kJumpCount - 1 && !mTourShopPages) mTourIdle = true;
    if (since < 400) return Snap(day + "_start", 40);
    // In full play: a bonus day is over sooner than an ordinary one.
    if (since < (m.LevelKind == 0 ? 2500 : 700) && !mTourIdle) return false;
    if (!m.Persons.empty() && Snap(day + "_play", 1)) return true;
    // Day 1: the in-game menu and what it opens; later days: back to the title for the next jump.
    // (Days 2 to 4 are played through for their hints.)
    const bool leave = !mTourEscaped && ((level >= 4 && !mTourIdle && mTourJump < kJumpCount - 1) || mTourShopPages);
    if ((level == 1 && !mTourMenuDone) || leave)
    {
        mTourLeave = leave;
        mTourEscaped = leave;
        mTourMenuDone = true;
        Key(0, VK_ESCAPE);
        Wait(20);
        return true;
    }
    return false;
}

} // namespace Zest::Bot
