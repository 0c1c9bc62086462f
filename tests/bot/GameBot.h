// A player for the whole game: drives the real application with mouse and key messages through its input queue,
// from the first-start name prompt over the title, the map, every day and its result window, and the shop.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "game/screens/GameApp.h"

namespace Zest
{
class BoardModel;
class Dialog;
class ButtonWidget;
class Widget;
struct Dish;
} // namespace Zest

namespace Zest::Bot
{

// One finished attempt at a day.
struct DayResult
{
    int day = 0;
    bool won = false;
    int profit = 0, goal = 0, expert = 0;
    int served = 0, lost = 0;
    int updates = 0;   // fixed 10 ms updates from the start of the day to its result window
    double wallMs = 0; // wall time for the same stretch
    uint64_t peakKb = 0, rssKb = 0;
    uint64_t heapKb = 0; // what the program has allocated, without the allocator's or a sanitizer's own memory
};

// The bytes the program has allocated and not freed, in kB: from the sanitizer's allocator in a sanitizer build,
// else from the C library's.
uint64_t HeapInUseKb();

struct BotOptions
{
    std::string name = "Bot";
    int lastDay = 70;           // stop once this day is won (70: play to the end of the game)
    int maxUpdates = 0;         // stop after this many updates (0: no limit)
    int maxTries = 5;           // attempts at one day before the bot gives up
    bool quiet = false;         // no line per day
    bool stopAtShop = false;    // stop in the first shop after a purchase (screenshots)
    std::string hashFile;       // the state hash after every update goes here
    std::string pauseFile;      // see PauseAt
    bool pauseAtResult = false; // wait for the pause file once the first level-complete tally rests
    bool pauseAtShop = false;   // wait for the pause file once the first purchase shows in the shop
    int drawEvery = 1;          // draw after every Nth update only
    int fromDay = 1;            // debugging only: the new cook is put on this day (not through input); 71: the ending
    bool tour = false;          // visit every screen and pause at each for its picture (see GameTour.cpp)

    // The first update waits for the loading thread: one seed then plays one game.
    bool holdForLoading = false;
};

class BotApp : public GameApp
{
public:
    explicit BotApp(BotOptions options);
    ~BotApp() override;

    void RunUpdate() override;
    bool DrawDirtyWidgets() override;

    const std::vector<DayResult>& Results() const { return mResults; }
    bool Finished() const { return mFinished; }
    bool GaveUp() const { return mGaveUp; }
    const std::string& GiveUpReason() const { return mGiveUpReason; }
    int Purchases() const { return mPurchases; }
    bool SawDialog() const { return mSawQuestion; }
    uint64_t LastHash() const { return mLastHash; }

private:
    struct Post
    {
        int at;
        uint32_t message;
        uint32_t wParam;
        int x, y;
    };
    void Think();
    void Stop(const std::string& why, bool gaveUp);
    // Input, delivered through the window's message queue `delay` updates from now.
    void Send(int delay, uint32_t message, uint32_t wParam, int x, int y);
    void MoveTo(int delay, int x, int y);
    void Click(int delay, int x, int y);
    void RightClick(int delay, int x, int y);
    void Key(int delay, int vk);
    void Char(int delay, char c);
    bool ClickWidget(Widget* w, int delay = 0);
    bool Usable(Widget* w) const;
    bool Shows(Widget* w) const;
    void Wait(int updates) { mNextThink = mUpdateCount + updates; }

    // The screens.
    bool HandleDialogs();
    void PlayMap();
    bool Shop();
    void PlayBoard(BoardModel& m);
    bool PlayHunt(BoardModel& m);
    bool PlayInlay(BoardModel& m);
    bool ServeDish(BoardModel& m, Dish& d);
    bool PlaceHeld(BoardModel& m);
    bool PlayMatch(BoardModel& m);
    void NoteDayStart();
    void NoteDayEnd(BoardModel& m, bool won);
    void PauseHere(const char* what);
    // The screen tour: true when it acted or waits in this think.
    bool TourThink();
    bool TourDialog(Dialog* top);
    bool TourTitle();
    bool TourMap();
    bool TourBoard(BoardModel& m);
    // Asks for a picture named `name` after `delay` updates, once per name; false when it was taken already.
    bool Snap(const std::string& name, int delay);
    void Trace();
    bool mTrace = false;

    BotOptions mOptions;
    std::deque<Post> mPosts;
    int mNextThink = 0;
    bool mFinished = false;
    bool mGaveUp = false;
    std::string mGiveUpReason;
    bool mNameTyped = false;
    bool mDayJumped = false;
    bool mEndingSeen = false;
    int mShopPlan = -1; // the page the bot opened to buy from
    int mPurchases = 0;
    bool mShopDoneThisVisit = false;
    bool mSawQuestion = false;
    bool mPausedResult = false, mResultShot = false, mPausedShop = false;
    // The day in progress.
    int mDayStartUpdate = -1;
    std::chrono::steady_clock::time_point mDayStartWall;
    int mDay = 0;
    int mTries = 0;
    bool mResultNoted = false;
    std::vector<DayResult> mResults;
    uint64_t mLastHash = 0;
    void* mHashOut = nullptr;
    // The tour: pictures taken, the one asked for, and where it stands.
    std::vector<std::string> mSnapped;
    std::string mSnapNext;
    int mSnapCount = 0;
    int mTourTitleStep = 0; // the title's dialogs visited
    int mTourJump = 0;      // the days the tour has jumped to
    bool mTourMenuDone = false, mTourHowDone = false, mTourOptionsDone = false;
    bool mTourLeave = false; // the next in-game menu leaves for the title
    bool mTourIdle = false;  // the day is left to run out (game over)
    bool mTourShopPages = false;
    bool mTourEndSeen = false; // the ending's map was shown
    bool mTourEscaped = false; // the menu was opened to leave this day
    int mTourShopPage = 0;
    int mTourPurchasesAtOpen = 0;
    int mTourHint = -1;
    int mLastPanelY = -100000;
    int mStill = 0;
};

} // namespace Zest::Bot
