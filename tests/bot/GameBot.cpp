// The whole-game player: reads what the screens show and answers with the clicks, drags and keys a player would
// make. It only reads the game's state; everything it does reaches the game as input messages.
#include "GameBot.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <typeinfo>

#include <malloc.h>

#include "game/board/BoardModel.h"
#include "game/screens/BoardTransition.h"
#include "game/screens/HintWnd.h"
#include "game/screens/MapWnd.h"
#include "game/screens/PlayerDialogs.h"
#include "game/screens/ResultWindows.h"
#include "game/screens/StoryWindows.h"
#include "game/screens/TipWnd.h"
#include "game/screens/TitleDialogs.h"
#include "game/screens/TitleScreen.h"
#include "game/screens/TitleWnd.h"
#include "game/screens/UpgradeWnd.h"
#include "platform/Messages.h"
#include "platform/System.h"
#include "widgets/ButtonWidget.h"
#include "widgets/Dialog.h"
#include "widgets/EditWidget.h"
#include "widgets/WidgetManager.h"

// Present only in a sanitizer build: its allocator's count of what the program holds.
extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace Zest::Bot
{

using namespace Platform;

uint64_t HeapInUseKb()
{
    if (__sanitizer_get_current_allocated_bytes) return __sanitizer_get_current_allocated_bytes() / 1024;
    const struct mallinfo2 info = mallinfo2();
    return (uint64_t(info.uordblks) + uint64_t(info.hblkhd)) / 1024;
}

namespace
{

constexpr int kSettle = 6; // updates the bot waits after an action before it looks again

const std::vector<UpgradeRecord>* TableOf(const BoardModel& m, int upgrade)
{
    switch (upgrade)
    {
    case PlayerProfile::UpgradeCoffeeSweetness:
        return &m.CoffeeSweetnessUpgrades;
    case PlayerProfile::UpgradeCoffeeCapacity:
        return &m.CoffeeCapacityUpgrades;
    case PlayerProfile::UpgradeAkkumCharge:
        return &m.AkkumChargeUpgrades;
    case PlayerProfile::UpgradeAkkumWorkTime:
        return &m.AkkumWorkTimeUpgrades;
    case PlayerProfile::UpgradePlate:
        return &m.PlateUpgrades;
    case PlayerProfile::UpgradeFoodPrice:
        return &m.FoodPriceUpgrades;
    case PlayerProfile::UpgradeFoodTaste:
        return &m.FoodTasteUpgrades;
    default:
        return nullptr;
    }
}

// The shop page that sells an upgrade.
int PageOf(int upgrade)
{
    switch (upgrade)
    {
    case PlayerProfile::UpgradeCoffeeSweetness:
    case PlayerProfile::UpgradeCoffeeCapacity:
        return ShopCoffee;
    case PlayerProfile::UpgradeAkkumCharge:
    case PlayerProfile::UpgradeAkkumWorkTime:
        return ShopAkkum;
    case PlayerProfile::UpgradePlate:
        return ShopPlate;
    default:
        return ShopFood;
    }
}

// Where a dish of w x h cells could go down: the centre of the first free block of lit cells, in the orientation
// it has or turned. Lower blocks first, so the burners higher up stay free for the next order.
bool FindBlock(const BoardModel& m, const Dish& d, bool& turn, int& cx, int& cy)
{
    const auto free = [&](int c, int r)
    {
        if (m.CellState[c][r] < 1) return false;
        for (const auto& other : m.Dishes)
            if (other.get() != &d && (other->cooking || other->ready) && other->FindPair(c, r)) return false;
        return true;
    };
    // The bonus day's burners are laid out for its pieces exactly, tallest first from the top left: the bot fills
    // them in the same order, or a piece could take the room another one needs.
    const bool inlay = m.LevelKind == 1;
    for (int t = 0; t < 2; ++t)
    {
        const int w = t ? d.height : d.width, h = t ? d.width : d.height;
        for (int k = 0; k + h <= m.Rows; ++k)
            for (int c = 0; c + w <= m.Columns; ++c)
            {
                const int bottom = inlay ? m.Rows - h - k : k;
                bool ok = true;
                for (int i = 0; i < w && ok; ++i)
                    for (int j = 0; j < h && ok; ++j) ok = free(c + i, bottom + j);
                if (!ok) continue;
                const int top = bottom + h - 1;
                turn = t == 1;
                cx = m.GridX + c * m.CellSize + w * m.CellSize / 2;
                cy = m.GridY + (m.Rows - 1 - top) * m.CellSize + h * m.CellSize / 2;
                return true;
            }
    }
    return false;
}

// A snack carried from a wish marker needs a free block of lit burners: taken without one, it is only dropped again,
// and a bot that keeps doing that makes no runs to light any (while the customer's open wish holds up the line).
bool SnackFits(const BoardModel& m, int kind)
{
    Dish snack(0, -1);
    snack.itemKind = kind;
    snack.width = m.StockSlotSize[kind][0];
    snack.height = m.StockSlotSize[kind][1];
    bool turn = false;
    int cx = 0, cy = 0;
    return FindBlock(m, snack, turn, cx, cy);
}

bool GridStill(const BoardModel& m)
{
    if (m.MatchPending || m.SwapFirst.piece || !m.IsGridIdle()) return false;
    for (const auto& col : m.Grid)
        for (const auto& p : col)
            if (p->removing || !p->atRest || p->IsSliding()) return false;
    return true;
}

} // namespace

BotApp::BotApp(BotOptions options) : mOptions(std::move(options))
{
    mTrace = GetEnv("BOT_TRACE").has_value();
    if (!mOptions.hashFile.empty()) mHashOut = std::fopen(mOptions.hashFile.c_str(), "w");
}

BotApp::~BotApp()
{
    if (mHashOut) std::fclose(static_cast<FILE*>(mHashOut));
}

void BotApp::Send(int delay, uint32_t message, uint32_t wParam, int x, int y)
{
    mPosts.push_back({mUpdateCount + delay, message, wParam, x, y});
}

void BotApp::MoveTo(int delay, int x, int y)
{
    Send(delay, WM_MOUSEMOVE, 0, x, y);
}

void BotApp::Click(int delay, int x, int y)
{
    Send(delay, WM_MOUSEMOVE, 0, x, y);
    Send(delay, WM_LBUTTONDOWN, MK_LBUTTON, x, y);
    Send(delay + 1, WM_LBUTTONUP, 0, x, y);
}

void BotApp::RightClick(int delay, int x, int y)
{
    Send(delay, WM_RBUTTONDOWN, MK_RBUTTON, x, y);
    Send(delay + 1, WM_RBUTTONUP, 0, x, y);
}

void BotApp::Key(int delay, int vk)
{
    Send(delay, WM_KEYDOWN, static_cast<uint32_t>(vk), 0, 0);
    Send(delay, WM_KEYUP, static_cast<uint32_t>(vk), 0, 0);
}

void BotApp::Char(int delay, char c)
{
    Send(delay, WM_CHAR, static_cast<uint8_t>(c), 0, 0);
}

bool BotApp::Shows(Widget* w) const
{
    return w != nullptr && mWidgetManager->HasWidget(w);
}

bool BotApp::Usable(Widget* w) const
{
    if (w == nullptr || !w->visible || w->disabled) return false;
    for (WidgetContainer* c = w->parent; c != nullptr; c = c->parent)
        if (auto* widget = dynamic_cast<Widget*>(c); widget && !widget->visible) return false;
    return true;
}

bool BotApp::ClickWidget(Widget* w, int delay)
{
    if (!Usable(w)) return false;
    const Point p = w->GetAbsolutePosition();
    const int x = p.mX + w->width / 2, y = p.mY + w->height / 2;
    MoveTo(delay, x, y);
    Click(delay + 2, x, y);
    Wait(delay + kSettle);
    return true;
}

void BotApp::Stop(const std::string& why, bool gaveUp)
{
    if (mFinished) return;
    mFinished = true;
    mGaveUp = gaveUp;
    mGiveUpReason = why;
    // Through the window, as a player closing it would.
    PostMessage(mHWnd, WM_CLOSE, 0, 0);
}

void BotApp::RunUpdate()
{
    // The loading thread runs in real time: left alone it finishes after a number of updates that differs from
    // run to run, and so does everything after it. Held here, the hand-over always comes at the same update.
    if (mOptions.holdForLoading && mLoadingStarted && !mPlayingDemo)
        while (!mLoadingCompleted.load(std::memory_order_acquire))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    GameApp::RunUpdate();
    if (mHashOut)
    {
        // Until the loader hands over, the loading screen shows how far a thread running in real time has got:
        // that part differs from run to run by design, so only the hand-over's place is compared.
        mLastHash = mLoadingHandedOver ? StateHash() : 0;
        std::fprintf(static_cast<FILE*>(mHashOut), "%d %016llx\n", mUpdateCount,
                     static_cast<unsigned long long>(mLastHash));
    }
    if (mTrace && mUpdateCount % 2000 == 0) Trace();
    if (mTrace && mUpdateCount < 400 && mUpdateCount % 20 == 0)
    {
        const bool peek = mDemo.PeekHeader();
        std::fprintf(stderr, "[%d] started %d completed %d handed %d demo %d peek %d type %d short %d at %d\n",
                     mUpdateCount, mLoadingStarted.load(), mLoadingCompleted.load(), mLoadingHandedOver, mPlayingDemo,
                     peek, mDemo.pendingType, mDemo.pendingShort, mDemo.pendingUpdate);
    }
    if (mPlayingDemo)
    {
        // A replay ends where the recording ended, whatever the demo's last record was.
        if (DemoLength() > 0 && mUpdateCount >= DemoLength() && !mFinished)
        {
            mFinished = true;
            Shutdown();
        }
        return;
    }
    if (mOptions.maxUpdates > 0 && mUpdateCount >= mOptions.maxUpdates) Stop("update limit", false);
    while (!mPosts.empty() && mPosts.front().at <= mUpdateCount)
    {
        const Post& p = mPosts.front();
        InjectMessage(mHWnd, p.message, p.wParam, MAKELPARAM(p.x, p.y));
        mPosts.pop_front();
    }
    if (mFinished || !mPosts.empty() || mUpdateCount < mNextThink) return;
    Think();
}

void BotApp::Trace()
{
    std::string shown;
    for (Widget* w : mWidgetManager->children) shown += " " + std::string(typeid(*w).name());
    Dialog* top = nullptr;
    for (const auto& [id, dialog] : mDialogs)
        if (dialog && Shows(dialog.get())) top = dialog.get();
    std::fprintf(stderr, "[%d] day %d posts %zu next %d dialog %d:%s widgets%s\n", mUpdateCount, mDay, mPosts.size(),
                 mNextThink, top ? top->id : -1, top ? typeid(*top).name() : "", shown.c_str());
    if (BoardModel* m = PlayModel(this))
        std::fprintf(stderr, "  board kind %d time %d profit %d goal %d persons %zu dishes %zu dragged %d hint %d\n",
                     m->LevelKind, m->TimeLeft, m->DayProfit, m->Goal, m->Persons.size(), m->Dishes.size(),
                     m->DraggedDish != nullptr, m->HintId);
    if (BoardModel* m = PlayModel(this))
    {
        std::fprintf(stderr, "  freeze %d held %d cup %d food level %d/%d still %d stock %d,%d at %d,%d\n",
                     m->FreezeCountdown, m->HeldSlot, m->CupDragged, m->PlayerLevel(), m->FoodEnableLevel,
                     GridStill(*m), m->StockCount[0], m->StockCount[1], m->StockSlotPos[0][0], m->StockSlotPos[0][1]);
        for (const auto& d : m->Dishes)
            std::fprintf(stderr, "  dish %dx%d kind %d at %.0f,%.0f cooking %d ready %d sent %d sliding %d\n", d->width,
                         d->height, d->itemKind, d->x, d->y, d->cooking, d->ready, d->sent, d->IsSliding());
        if (m->LevelKind == 1)
            for (int r = m->Rows - 1; r >= 0; --r)
            {
                std::string row;
                for (int c = 0; c < m->Columns; ++c)
                    row += m->IsCellUnderDish(c, r) ? 'D' : char('1' + m->CellState[c][r]);
                std::fprintf(stderr, "  %s\n", row.c_str());
            }
        for (const auto& p : m->Persons)
            std::fprintf(stderr, "  person slot %d,%d wish %d underway %d mood %.0f\n", p->slotX, p->slotY, p->wish,
                         p->wishUnderWay, p->mood);
    }
    if (mapWnd)
        std::fprintf(stderr, "  map phase %d starting %d continue usable %d frame %d\n", mapWnd->model.mapPhase,
                     mapWnd->model.levelStarting, Usable(mapWnd->continueButton.get()), mapWnd->model.frame);
}

bool BotApp::DrawDirtyWidgets()
{
    // Unpaced, the loop would draw after every update; a run may draw every Nth instead to save time. Every
    // screen is still drawn many times over, and the same updates are drawn in a recording and its replay.
    if (mOptions.drawEvery > 1 && mUpdateCount % mOptions.drawEvery != 0)
    {
        mUpdatedSinceDraw = false;
        return false;
    }
    return GameApp::DrawDirtyWidgets();
}

void BotApp::PauseHere(const char* what)
{
    // A window test takes its picture now; the game stands still until the test says so.
    std::printf("PAUSED %s\n", what);
    std::fflush(stdout);
    if (mOptions.pauseFile.empty()) return;
    while (!std::filesystem::exists(mOptions.pauseFile)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::filesystem::remove(mOptions.pauseFile);
}

void BotApp::Think()
{
    if (mOptions.tour && TourThink()) return;
    // The loading screen's way on.
    if (titleScreen && Shows(titleScreen.get()))
    {
        if (titleScreen->continueLink && Usable(titleScreen->continueLink.get()))
            ClickWidget(titleScreen->continueLink.get());
        else
            Wait(10);
        return;
    }
    if (HandleDialogs()) return;
    if (boardTransition && Shows(boardTransition.get()))
    {
        Wait(5);
        return;
    }
    // A tutorial hint: read, then closed with its button.
    if (hintWnd && Shows(hintWnd.get()) && hintWnd->okButton && Usable(hintWnd->okButton.get()))
    {
        ClickWidget(hintWnd->okButton.get(), 20);
        return;
    }
    if (gameCompleteWnd && Shows(gameCompleteWnd.get()))
    {
        // The end of the whole game: a moment to see it (paced runs are watched), then on to the score.
        ClickWidget(gameCompleteWnd->button.get(), 150);
        return;
    }
    if (mapWnd && Shows(mapWnd.get()))
    {
        PlayMap();
        return;
    }
    if (playScreen && Shows(playScreen->InputWidget()) && playScreen->Model())
    {
        PlayBoard(*playScreen->Model());
        return;
    }
    if (titleWnd && Shows(titleWnd.get()))
    {
        PlayerProfile* player = CurrentPlayer();
        if (player && mDayJumped && player->level < mOptions.fromDay)
        {
            player->level = mOptions.fromDay;
            player->money = 150 * mOptions.fromDay;
        }
        if (player && player->level > PlayerProfile::kNumLevels)
        {
            // A cook put past the last day goes to the map's ending, as winning the last day would lead there.
            if (mDayJumped && !mEndingSeen)
            {
                mEndingSeen = true;
                StartGame();
                Wait(60);
                return;
            }
            Stop("the game is complete", false);
            return;
        }
        if (mEndingSeen)
        {
            Stop("the game is complete", false);
            return;
        }
        if (mDay > PlayerProfile::kNumLevels)
        {
            Stop("the game is complete", false);
            return;
        }
        ClickWidget(titleWnd->playButton.get());
        Wait(30);
        return;
    }
    Wait(5);
}

bool BotApp::HandleDialogs()
{
    // The dialog in front, as the player sees it (the name prompt of the best chefs lies over their table).
    Dialog* top = nullptr;
    for (Widget* w : mWidgetManager->children)
        if (auto* dialog = dynamic_cast<Dialog*>(w); dialog && GetDialog(dialog->id) == dialog) top = dialog;
    if (top == nullptr) return false;
    // Sliding windows are answered once they rest.
    if (auto* panel = dynamic_cast<SlidePanel*>(top))
    {
        if (panel->closing) return Wait(2), true;
        if (panel->y != panel->RestY())
        {
            Wait(2);
            return true;
        }
    }
    if (auto* edit = dynamic_cast<DialogWithEdit*>(top))
    {
        // The name: what is there is rubbed out, the bot's name typed, Enter.
        if (!mNameTyped)
        {
            mNameTyped = true;
            // A debugging short cut, never used by the real runs: the new cook goes to a later day with money for
            // the shop, as if the days before had been played.
            mDayJumped = mOptions.fromDay > 1;
            for (int i = 0; i < 16; ++i) Key(1 + i, VK_BACK);
            int t = 18;
            for (char c : mOptions.name) Char(t++, c);
            Key(t + 2, VK_RETURN);
            Wait(t + 10);
            return true;
        }
        if (!edit->editWidget || edit->editWidget->text.empty())
            mNameTyped = false;

        else if (!ClickWidget(edit->okButton.get()))
            Key(1, VK_RETURN), Wait(10);
        return true;
    }
    if (auto* done = dynamic_cast<LevelCompleteWnd*>(top))
    {
        if (BoardModel* m = PlayModel(this); m && !mResultNoted) NoteDayEnd(*m, true);
        if (mOptions.pauseAtResult && !mPausedResult)
        {
            // The tally counts up while the window rests: give it time to stand still first.
            mPausedResult = true;
            Wait(150);
            return true;
        }
        if (mOptions.pauseAtResult && !mResultShot)
        {
            mResultShot = true;
            PauseHere("level_complete");
        }
        ClickWidget(done->okButton.get(), 10);
        return true;
    }
    if (auto* over = dynamic_cast<GameOverWnd*>(top))
    {
        if (BoardModel* m = PlayModel(this); m && !mResultNoted) NoteDayEnd(*m, false);
        if (mTries >= mOptions.maxTries)
        {
            Stop("day " + std::to_string(mDay) + " lost " + std::to_string(mTries) + " times", true);
            return true;
        }
        ClickWidget(over->retryButton.get(), 10);
        mDayStartUpdate = -1;
        return true;
    }
    if (auto* tip = dynamic_cast<TipWnd*>(top))
    {
        ClickWidget(tip->okButton.get(), 30);
        return true;
    }
    if (auto* shop = dynamic_cast<UpgradeWnd*>(top))
    {
        Shop();
        (void)shop;
        return true;
    }
    if (auto* cont = dynamic_cast<ContinueGameWnd*>(top))
    {
        ClickWidget(cont->continueButton.get(), 5);
        return true;
    }
    if (auto* scores = dynamic_cast<HighscoresWnd*>(top))
    {
        ClickWidget(scores->closeButton.get(), 30);
        return true;
    }
    // A question or a message: yes, or its only button.
    mSawQuestion = true;
    if (top->yesButton && ClickWidget(top->yesButton.get(), 10)) return true;
    Key(5, VK_RETURN);
    Wait(20);
    return true;
}

void BotApp::PlayMap()
{
    MapModel& map = mapWnd->model;
    PlayerProfile* player = CurrentPlayer();
    if (!player) return Wait(10);
    if (map.levelStarting) return Wait(10);
    if (!map.mapPhase && !mShopDoneThisVisit)
    {
        if (Shop()) return;
        mShopDoneThisVisit = true;
    }
    if (!Usable(mapWnd->continueButton.get()))
    {
        // The shop hint waits for the second recipe; the shop round buys it when it can.
        Wait(10);
        return;
    }
    if (map.mapPhase && map.frame < 100) return Wait(10);
    const bool starts = !map.mapPhase || player->level < 2;
    ClickWidget(mapWnd->continueButton.get(), 5);
    if (starts && player->level <= PlayerProfile::kNumLevels)
    {
        mShopDoneThisVisit = false;
        NoteDayStart();
        Wait(60);
    }
}

// One step of the shopping round: open the page of the cheapest affordable item, buy it there, close the page.
// False when there is nothing more to buy.
bool BotApp::Shop()
{
    PlayerProfile* player = CurrentPlayer();
    BoardModel* m = PlayModel(this);
    if (!player || !m) return false;
    auto* shop = dynamic_cast<UpgradeWnd*>(GetDialog(DIALOG_SHOP));
    if (shop && Shows(shop))
    {
        if (shop->closing || shop->y != shop->RestY()) return Wait(3), true;
        if (mOptions.pauseAtShop && !mPausedShop && mPurchases > 0)
        {
            mPausedShop = true;
            PauseHere("shop");
            if (mOptions.stopAtShop)
            {
                Stop("stopped in the shop", false);
                return true;
            }
        }
        // Buy on this page while there is something to buy, then close it.
        const int page = shop->mode;
        if (page == UpgradeWnd::kCoffee || page == UpgradeWnd::kFood || page == UpgradeWnd::kAkkum)
        {
            const int first = shop->BuyUpgrade(), second = shop->SecondUpgrade();
            const auto price = [&](int u)
            {
                const auto* t = TableOf(*m, u);
                const int n = player->upgrades[static_cast<size_t>(u)];
                return t && n + 1 < static_cast<int>(t->size()) ? (*t)[static_cast<size_t>(n + 1)].price : INT32_MAX;
            };
            const bool a = shop->CanBuyStep(first), b = shop->CanBuyStep(second);
            if (a && (!b || price(first) <= price(second)))
            {
                ++mPurchases;
                return ClickWidget(shop->buyButton.get(), 10);
            }
            if (b)
            {
                ++mPurchases;
                return ClickWidget(shop->secondButton.get(), 10);
            }
            return ClickWidget(shop->closeButton.get(), 10);
        }
        if (Usable(shop->buyButton.get()))
        {
            ++mPurchases;
            return ClickWidget(shop->buyButton.get(), 10);
        }
        return ClickWidget(shop->secondButton.get(), 10);
    }
    // The cheapest thing the money buys: a recipe or the next step of a device.
    int bestPrice = INT32_MAX, bestX = 0, bestY = 0;
    MapModel& map = mapWnd->model;
    // A wider oven first, then the cheapest step of the devices; of the recipes only those whose pizzas fit the
    // burners a run of toppings lights quickly (up to 3 x 3), and the one the shop hint asks for.
    const bool hinted = hintWnd && Shows(hintWnd.get());
    for (int k = 0; k < 8; ++k)
    {
        const int cost = mapWnd->MapRecipeCost(k);
        if (!map.RecipeOffered(k) || cost > player->money || cost >= bestPrice) continue;
        if (k > 2 && !hinted) continue;
        const MapRect& r = MapModel::kRecipeAreas[k];
        bestPrice = cost, bestX = r.x + r.w / 2, bestY = r.y + r.h / 2;
    }
    // While the shop hint waits, only the recipe it points at can be bought.
    if (!hinted)
        for (int u = 0; u < PlayerProfile::kNumUpgrades; ++u)
        {
            const auto* t = TableOf(*m, u);
            const int n = player->upgrades[static_cast<size_t>(u)];
            if (!t || n < 0 || n + 1 >= static_cast<int>(t->size())) continue;
            const int cost = (*t)[static_cast<size_t>(n + 1)].price;
            const int page = PageOf(u);
            if (u == PlayerProfile::UpgradePlate && cost <= player->money && map.DeviceUnlocked(page))
            {
                bestPrice = -1;
                bestX = MapModel::kDeviceHitCentres[page].x, bestY = MapModel::kDeviceHitCentres[page].y;
                break;
            }
            if (cost > player->money || cost >= bestPrice || !map.DeviceUnlocked(page)) continue;
            bestPrice = cost;
            bestX = MapModel::kDeviceHitCentres[page].x, bestY = MapModel::kDeviceHitCentres[page].y;
        }
    if (bestPrice == INT32_MAX) return false;
    MoveTo(0, bestX, bestY);
    Click(2, bestX, bestY);
    Wait(20);
    return true;
}

void BotApp::NoteDayStart()
{
    PlayerProfile* player = CurrentPlayer();
    const int day = player ? player->level : 0;
    if (day != mDay) mTries = 0;
    mDay = day;
    mDayStartUpdate = mUpdateCount;
    mDayStartWall = std::chrono::steady_clock::now();
    mResultNoted = false;
}

void BotApp::NoteDayEnd(BoardModel& m, bool won)
{
    mResultNoted = true;
    ++mTries;
    DayResult r;
    r.day = mDay;
    r.won = won;
    r.profit = m.DayProfit;
    r.goal = m.Goal;
    r.expert = m.ExpertGoal;
    r.served = m.ServedCount;
    r.lost = m.LostCount;
    r.updates = mDayStartUpdate >= 0 ? mUpdateCount - mDayStartUpdate : 0;
    r.wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - mDayStartWall).count();
    GetProcessMemory(r.peakKb, r.rssKb);
    r.heapKb = HeapInUseKb();
    mResults.push_back(r);
    if (!mOptions.quiet)
    {
        std::printf("day %2d  %-4s  profit %6d  goal %6d  expert %6d  served %3d  lost %2d  updates %6d (%5.1f s game)"
                    "  wall %7.1f ms  rss %6llu kB  heap %6llu kB\n",
                    r.day, won ? "won" : "LOST", r.profit, r.goal, r.expert, r.served, r.lost, r.updates,
                    r.updates / 100.0, r.wallMs, static_cast<unsigned long long>(r.rssKb),
                    static_cast<unsigned long long>(r.heapKb));
        std::fflush(stdout);
    }
    if (won && mDay >= mOptions.lastDay) Stop("day " + std::to_string(mDay) + " won", false);
}

void BotApp::PlayBoard(BoardModel& m)
{
    if (mDayStartUpdate == -1) NoteDayStart();
    if (m.ResultShown || m.FreezeCountdown > 0 || mTourIdle) return Wait(5);
    bool acted = false;
    if (m.LevelKind == 3)
        acted = PlayHunt(m);
    else if (m.LevelKind == 1)
        acted = PlayInlay(m);
    else
        acted = PlayMatch(m);
    if (!acted) Wait(3);
}

bool BotApp::PlayHunt(BoardModel& m)
{
    // The pictures the customers ask for first, then the money and the lights.
    for (const auto& p : m.Persons)
    {
        if (p->leaving || p->gone || p->huntItem < 0 || p->huntItem >= static_cast<int>(m.LevelObjects.size()))
            continue;
        const LevelObject& o = *m.LevelObjects[static_cast<size_t>(p->huntItem)];
        if (o.Found()) continue;
        Click(0, static_cast<int>(o.x), static_cast<int>(o.y));
        Wait(kSettle);
        return true;
    }
    for (const auto& o : m.LevelObjects)
        if ((o->isMoney || o->isLight) && !o->Found())
        {
            Click(0, static_cast<int>(o->x), static_cast<int>(o->y));
            Wait(kSettle);
            return true;
        }
    return false;
}

bool BotApp::PlaceHeld(BoardModel& m)
{
    Dish& d = *m.DraggedDish;
    if (m.HintId == 19)
    {
        // The lesson on turning: turned, and back again.
        RightClick(0, static_cast<int>(d.x), static_cast<int>(d.y));
        RightClick(3, static_cast<int>(d.x), static_cast<int>(d.y));
        Wait(kSettle + 3);
        return true;
    }
    bool turn = false;
    int cx = 0, cy = 0;
    if (!FindBlock(m, d, turn, cx, cy))
    {
        // Nowhere to go: down where it cannot stay, so it goes back (or the snack is dropped).
        Click(0, 60, 560);
        Wait(kSettle);
        return true;
    }
    MoveTo(0, cx, cy);
    if (turn) RightClick(1, cx, cy);
    MoveTo(3, cx, cy);
    Click(4, cx, cy);
    Wait(kSettle + 4);
    return true;
}

bool BotApp::ServeDish(BoardModel& m, Dish& d)
{
    bool turn = false;
    int cx = 0, cy = 0;
    if (!FindBlock(m, d, turn, cx, cy)) return false;
    // Taken with a click, carried, turned if it fits only that way, put down with a second click.
    const int dx = static_cast<int>(d.x), dy = static_cast<int>(d.y);
    Click(0, dx, dy);
    MoveTo(3, cx, cy);
    if (turn) RightClick(4, cx, cy);
    MoveTo(6, cx, cy);
    Click(7, cx, cy);
    Wait(kSettle + 8);
    return true;
}

bool BotApp::PlayInlay(BoardModel& m)
{
    if (m.DraggedDish) return PlaceHeld(m);
    // Every pizza of the stage on the shelf first: the tallest goes down first, as the layout was made.
    int pizzas = 0;
    for (const auto& d : m.Dishes)
    {
        if (d->itemKind == -1 && d->IsSliding()) return false;
        pizzas += d->itemKind == -1;
    }
    if (pizzas < static_cast<int>(m.Persons.size())) return false;
    Dish* tallest = nullptr;
    for (auto& d : m.Dishes)
        if (d->itemKind == -1 && !d->cooking && !d->ready && !d->sent && !d->IsSliding() &&
            (!tallest || d->height > tallest->height))
            tallest = d.get();
    if (tallest && ServeDish(m, *tallest)) return true;
    // Snacks only once every pizza is down: a snack taken early can sit where a pizza had to go.
    for (const auto& d : m.Dishes)
        if (d->itemKind == -1 && !d->cooking) return false;
    for (const auto& p : m.Persons)
        if (p->wish >= 0 && p->wish <= 2 && !p->wishUnderWay && m.HeldSlot == -1)
        {
            Click(0, m.ShelfX - 50, p->slotY + 92);
            Wait(kSettle);
            return true;
        }
    return false;
}

bool BotApp::PlayMatch(BoardModel& m)
{
    if (m.DraggedDish) return PlaceHeld(m);
    if (m.CupDragged)
    {
        // The cup goes to the unhappiest customer.
        const Person* low = m.HintId == 13 && !m.Persons.empty() ? m.Persons.front().get() : nullptr;
        for (const auto& p : m.Persons)
            if (m.HintId != 13 && !p->gone && !p->leaving && (!low || p->mood < low->mood)) low = p.get();
        if (low)
        {
            // Aimed at the body as drawn, kept inside both the customer's hit box and the window: the front
            // places start left of the window's edge.
            const int x = std::clamp(low->GetCenterX(m), std::max(0, low->slotX), low->slotX + 139);
            Click(0, x, low->slotY + 100);
        }
        else
            Click(0, 271 + 10, 461 + 10);
        Wait(kSettle);
        return true;
    }
    const int level = m.PlayerLevel();
    // Special pieces are taken as soon as they rest.
    for (const auto& col : m.Grid)
        for (const auto& p : col)
        {
            if (p->removing || !p->atRest || p->IsSliding() || m.IsCellUnderDish(p->column, p->row)) continue;
            const bool useful = p->isAkkumCharge || p->bomb > 0 || (p->isIceCream && !m.Persons.empty());
            bool broken = false;
            for (int c = 0; c < m.Columns; ++c)
                for (int r = 0; r < m.Rows; ++r)
                    broken = broken || (m.CellState[c][r] == -1 && !m.IsCellUnderDish(c, r));
            if (useful || (p->isRepairTool && broken && !m.MarkerOn))
            {
                Click(0, static_cast<int>(p->x), static_cast<int>(p->y));
                Wait(kSettle);
                return true;
            }
        }
    if (m.MarkerOn)
        for (int c = 0; c < m.Columns; ++c)
            for (int r = 0; r < m.Rows; ++r)
                if (m.CellState[c][r] == -1 && !m.IsCellUnderDish(c, r))
                {
                    Click(0, m.CellCenterX(c), m.CellCenterY(r));
                    Wait(kSettle);
                    return true;
                }
    if (level >= m.AkkumEnableLevel && m.AkkumCharge >= m.AkkumChargeScale && !m.AkkumRunning && !m.Persons.empty())
    {
        Click(0, m.AkkumX + 10, m.AkkumY + 10);
        Wait(kSettle);
        return true;
    }
    if (level >= m.CoffeeEnableLevel && m.CoffeeCapacity > 0 && m.CoffeeFill >= m.CoffeeCapacity)
        for (const auto& p : m.Persons)
            if (!p->leaving && !p->gone && p->mood < 70.0f)
            {
                Click(0, 271 + 10, 461 + 10);
                Wait(kSettle);
                return true;
            }
    // Snack wishes: from the stock, or carried to the burners.
    // (The snack lesson asks for the click a day before snacks can be made.)
    if ((level >= m.FoodEnableLevel || m.HintId == 6) && m.HeldSlot == -1)
        for (const auto& p : m.Persons)
            if (p->wish >= 0 && p->wish <= 2 && !p->wishUnderWay && !p->leaving && !p->gone &&
                (m.HintId == 6 || m.StockCount[p->wish] > 0 || SnackFits(m, p->wish)))
            {
                Click(0, m.ShelfX - 50, p->slotY + 92);
                Wait(kSettle);
                return true;
            }
    // Waiting pizzas onto the burners.
    for (auto& d : m.Dishes)
        if (d->itemKind == -1 && !d->cooking && !d->ready && !d->sent && !d->held && !d->IsSliding() &&
            ServeDish(m, *d))
            return true;
    if (m.TimeLeft <= 0 || !GridStill(m)) return false;
    if (m.SelectedPiece)
    {
        // A piece left selected: a click on it lets it go.
        Click(0, static_cast<int>(m.SelectedPiece->x), static_cast<int>(m.SelectedPiece->y));
        Wait(kSettle);
        return true;
    }
    // The swap that makes the most: runs over dark burners count most, then any run; lower rows a little more.
    const int C = m.Columns, R = m.Rows;
    std::vector<int> kind(static_cast<size_t>(C * R), -1);
    const auto at = [&](int c, int r) -> int& { return kind[static_cast<size_t>(c * R + r)]; };
    for (int c = 0; c < C && c < static_cast<int>(m.Grid.size()); ++c)
        for (const auto& p : m.Grid[static_cast<size_t>(c)])
            if (p->row >= 0 && p->row < R && p->IsPlain() && !m.IsCellUnderDish(p->column, p->row))
                at(p->column, p->row) = p->kind;
    // Dark burners are worth lighting, those of the block the next waiting pizza could use most of all.
    std::vector<int> weight(static_cast<size_t>(C * R), 1);
    for (int c = 0; c < C; ++c)
        for (int r = 0; r < R; ++r)
            if (m.CellState[c][r] == 0) weight[static_cast<size_t>(c * R + r)] = 3;
    const Dish* next = nullptr;
    for (const auto& d : m.Dishes)
        if (d->itemKind == -1 && !d->cooking && !d->ready && !d->sent && !d->held)
        {
            next = d.get();
            break;
        }
    if (next)
    {
        int bestLit = -1, bx = 0, by = 0, bw = 0, bh = 0;
        for (int t = 0; t < 2; ++t)
        {
            const int w = t ? next->height : next->width, h = t ? next->width : next->height;
            for (int c = 0; c + w <= C; ++c)
                for (int r = 0; r + h <= R; ++r)
                {
                    int lit = 0;
                    bool blocked = false;
                    for (int i = 0; i < w; ++i)
                        for (int j = 0; j < h; ++j)
                        {
                            blocked = blocked || m.CellState[c + i][r + j] < 0 || m.IsCellUnderDish(c + i, r + j);
                            lit += m.CellState[c + i][r + j] >= 1;
                        }
                    if (!blocked && lit > bestLit) bestLit = lit, bx = c, by = r, bw = w, bh = h;
                }
        }
        for (int i = 0; i < bw && bestLit >= 0; ++i)
            for (int j = 0; j < bh; ++j)
                if (m.CellState[bx + i][by + j] == 0) weight[static_cast<size_t>((bx + i) * R + by + j)] = 12;
    }
    int best = 0, ba = -1, bb = -1;
    const auto runScore = [&](int c, int r)
    {
        const int k = at(c, r);
        if (k < 0) return 0;
        int l = c, rr = c, d = r, u = r;
        while (l > 0 && at(l - 1, r) == k) --l;
        while (rr + 1 < C && at(rr + 1, r) == k) ++rr;
        while (d > 0 && at(c, d - 1) == k) --d;
        while (u + 1 < R && at(c, u + 1) == k) ++u;
        int score = 0;
        const auto cell = [&](int cc, int cr) { return weight[static_cast<size_t>(cc * R + cr)]; };
        if (rr - l + 1 >= 3)
            for (int i = l; i <= rr; ++i) score += cell(i, r);
        if (u - d + 1 >= 3)
            for (int j = d; j <= u; ++j) score += cell(c, j);
        return score;
    };
    for (int c = 0; c < C; ++c)
        for (int r = 0; r < R; ++r)
            for (int dir = 0; dir < 2; ++dir)
            {
                const int c2 = c + (dir == 0), r2 = r + (dir == 1);
                if (c2 >= C || r2 >= R || at(c, r) < 0 || at(c2, r2) < 0 || at(c, r) == at(c2, r2)) continue;
                std::swap(at(c, r), at(c2, r2));
                int score = runScore(c, r) + runScore(c2, r2);
                std::swap(at(c, r), at(c2, r2));
                if (score == 0) continue;
                score = score * 10 + (R - std::min(r, r2));
                if (score > best) best = score, ba = c * R + r, bb = c2 * R + r2;
            }
    if (ba < 0) return false;
    const Topping* a = m.PieceAt(ba / R, ba % R);
    const Topping* b = m.PieceAt(bb / R, bb % R);
    if (!a || !b) return false;
    Click(0, static_cast<int>(a->x), static_cast<int>(a->y));
    Click(3, static_cast<int>(b->x), static_cast<int>(b->y));
    Wait(kSettle + 4);
    return true;
}

} // namespace Zest::Bot
