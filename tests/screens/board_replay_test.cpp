// A level played by mouse through the game application with demo recording on, then replayed from the demo file:
// the play field's state after every update is the same in the replay and in a second recording in this process.
#include "ShellTestSupport.h"

#include "game/board/BoardDigest.h"
#include "game/screens/BoardScreen.h"

#include <deque>
#include <set>
#include <tuple>

using namespace Zest;
using namespace Platform;

namespace
{

constexpr int kLevel = 6;             // the fixture level with every device in play
constexpr int kSessionUpdates = 4000; // the session closes here
constexpr int kPlayFrom = 120;        // the fade onto the field is over by then
constexpr int kMoveInterval = 30;     // updates between the starts of two moves

std::string FixtureDir()
{
    return std::string(ZEST_TEST_DATA_DIR) + "/../board/fixtures/";
}

// What one run saw: the board's digest after every update, and how many swaps it started.
struct Session
{
    std::vector<uint64_t> digests;
    int swaps = 0;
    int moves = 0; // moves the script played (recording runs)
    int score = 0;
    int updates = 0;
};

// The game with the real play screen, set up without resources at start-up; a recording run plays the hinted
// moves with posted mouse messages, which reach the board through the window's input queue and the demo.
class ReplayGameApp : public TestGameApp
{
public:
    Session session;
    bool scripted = false;

    ReplayGameApp()
    {
        useRealBoard = true;
        mLoadingThreadWanted = false;
    }

    void Init() override
    {
        // The base start-up only: it parses -record / -play and seeds the generator (from the demo on replay).
        ZestAppBase::Init();
        // The same hand-over and level start in every run, so that only the input differs.
        CreateTitleScreen();
        titleScreen->LoadLogos(LogoFileData{});
        OnLoadingDone();
        Windows().answers.push_back({1, "Ann"});
        titleScreen->ButtonReleased(1);
        PlayerProfile* player = CurrentPlayer();
        ASSERT_NE(player, nullptr);
        ASSERT_NE(dynamic_cast<BoardScreen*>(playScreen.get()), nullptr);
        player->level = kLevel;
        player->noHints = true;
        mWidgetManager->RemoveWidget(titleWnd.get());
        mapWnd->MapStartLevel();
    }

    BoardModel& Model() { return *playScreen->Model(); }

    // The screen is drawn every 64th update only: drawing reads the state and filling the whole software screen
    // after every update would be nearly all of the test's time.
    bool DrawDirtyWidgets() override
    {
        if (mUpdateCount % 64 == 0) return TestGameApp::DrawDirtyWidgets();
        mUpdatedSinceDraw = false;
        return false;
    }

    void RunUpdate() override
    {
        TestGameApp::RunUpdate();
        BoardModel& m = Model();
        const bool swapping = m.SwapFirst.piece != nullptr;
        if (swapping && !mWasSwapping) ++session.swaps;
        mWasSwapping = swapping;
        session.digests.push_back(BoardStateDigest(m));
        session.score = m.Score;
        session.updates = mUpdateCount;
        if (scripted) Script();
    }

private:
    struct Post
    {
        int update;
        uint32_t message;
        WPARAM wParam;
        int x, y;
    };

    void Script()
    {
        const int n = mUpdateCount;
        while (!mPosts.empty() && mPosts.front().update <= n)
        {
            const Post& p = mPosts.front();
            PostMessage(mHWnd, p.message, p.wParam, MAKELPARAM(p.x, p.y));
            mPosts.pop_front();
        }
        if (n == kSessionUpdates) PostMessage(mHWnd, WM_CLOSE, 0, 0);
        if (n < kPlayFrom || n >= kSessionUpdates - 10 || n < mNextMove || !mPosts.empty()) return;
        BoardModel& m = Model();
        if (m.DraggedDish)
        {
            // A press that landed on a dish took it: the next press puts it down or sends it back.
            Click(n, static_cast<int>(m.DraggedDish->x), static_cast<int>(m.DraggedDish->y));
            mNextMove = n + kMoveInterval;
            return;
        }
        int ax = 0, ay = 0, bx = 0, by = 0;
        if (!ReadyToMove(m) || !PeekHint(m, ax, ay, bx, by)) return;
        if (++session.moves % 2)
        {
            // Two clicks: select, then the neighbour.
            Click(n, ax, ay);
            Click(n + 3, bx, by);
        }
        else
        {
            // A swipe: press, drag onto the neighbour, release.
            mPosts.push_back({n, WM_MOUSEMOVE, 0, ax, ay});
            mPosts.push_back({n, WM_LBUTTONDOWN, MK_LBUTTON, ax, ay});
            mPosts.push_back({n + 2, WM_MOUSEMOVE, MK_LBUTTON, (ax + bx) / 2, (ay + by) / 2});
            mPosts.push_back({n + 3, WM_MOUSEMOVE, MK_LBUTTON, bx, by});
            mPosts.push_back({n + 4, WM_LBUTTONUP, 0, bx, by});
        }
        mNextMove = n + kMoveInterval;
    }

    void Click(int at, int x, int y)
    {
        mPosts.push_back({at, WM_MOUSEMOVE, 0, x, y});
        mPosts.push_back({at, WM_LBUTTONDOWN, MK_LBUTTON, x, y});
        mPosts.push_back({at + 1, WM_LBUTTONUP, 0, x, y});
    }

    static bool ReadyToMove(const BoardModel& m)
    {
        if (m.TimeLeft <= 0 || m.HintId != -1 || m.MatchPending || m.SwapFirst.piece || m.FreezeCountdown > 0 ||
            m.ResultShown || m.LevelKind != 0 || m.HeldSlot != -1 || !m.IsGridIdle())
            return false;
        for (const auto& col : m.Grid)
            for (const auto& p : col)
                if (p->removing) return false;
        return true;
    }

    // Where the board's own hint search finds a move, with the model left exactly as it was: the search marks
    // the piece it finds, which only the recording run would do.
    static bool PeekHint(BoardModel& m, int& ax, int& ay, int& bx, int& by)
    {
        Topping* const hint = m.HintPiece;
        std::vector<std::pair<int, int>> directions;
        for (const auto& col : m.Grid)
            for (const auto& p : col) directions.emplace_back(p->hintDx, p->hintDy);
        bool found = false;
        if (m.HasMove() && m.HintPiece)
        {
            const Topping* a = m.HintPiece;
            const Topping* b = m.PieceAt(a->column + a->hintDx, a->row - a->hintDy);
            if (b)
            {
                ax = static_cast<int>(a->x), ay = static_cast<int>(a->y);
                bx = static_cast<int>(b->x), by = static_cast<int>(b->y);
                found = true;
            }
        }
        m.HintPiece = hint;
        size_t i = 0;
        for (auto& col : m.Grid)
            for (auto& p : col) std::tie(p->hintDx, p->hintDy) = directions[i++];
        return found;
    }

    std::deque<Post> mPosts;
    int mNextMove = 0;
    bool mWasSwapping = false;
};

class BoardReplayTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        // The game reads its level files from its working folder.
        for (const char* folder : {"levels", "characters"})
            std::filesystem::create_directories(root + "/cwd/" + folder);
        for (const char* file : {"levels.xml", "Dishes.xml", "Upgrades.xml"})
            std::filesystem::copy_file(FixtureDir() + "basic/" + file, root + "/cwd/levels/" + file);
        for (const auto& entry : std::filesystem::directory_iterator(FixtureDir() + "characters"))
            std::filesystem::copy_file(entry.path(),
                                       std::filesystem::path(root + "/cwd/characters") / entry.path().filename());
    }

    // One run from start-up to the demo's close, in an empty store and data folder on a fresh manual clock.
    Session Run(const std::vector<std::string>& commandLine, bool scripted)
    {
        std::filesystem::remove_all(root + "/config");
        std::filesystem::remove_all(root + "/data");
        SetSettingsFile(root + "/config/settings.ini");
        SetManualClock(true);
        ResetWindowLayer();
        ResetHeadlessDisplay();
        ReplayGameApp app;
        app.dataFolder = root + "/data/Quillbrook/CookEmber/";
        app.mCommandLine = commandLine;
        app.scripted = scripted;
        app.Init();
        if (HasFatalFailure()) return {};
        app.Start();
        return app.session;
    }

    Session Record(const std::string& demo) { return Run({"-record", "-demofile=" + demo}, true); }
    Session Replay(const std::string& demo) { return Run({"-play", "-demofile=" + demo}, false); }

    // Names the first update whose digest differs instead of printing thousands of values.
    static void ExpectSameBoard(const Session& got, const Session& want, const char* what)
    {
        SCOPED_TRACE(what);
        EXPECT_EQ(got.updates, want.updates);
        EXPECT_EQ(got.swaps, want.swaps);
        const size_t n = std::min(got.digests.size(), want.digests.size());
        for (size_t i = 0; i < n; ++i)
            if (got.digests[i] != want.digests[i])
            {
                ADD_FAILURE() << "the board differs first after update " << i + 1 << " of " << want.digests.size();
                return;
            }
        EXPECT_EQ(got.digests.size(), want.digests.size());
    }
};

} // namespace

TEST_F(BoardReplayTest, RecordedLevelReplaysWithTheSameBoardAfterEveryUpdate)
{
    std::filesystem::create_directories(root + "/demos");
    const std::string demo = root + "/demos/level.dmo";
    const Session recorded = Record(demo);
    ASSERT_TRUE(std::filesystem::exists(demo));
    ASSERT_GE(recorded.updates, kSessionUpdates);
    // The mouse really played: swaps were started and scored, and the field kept changing.
    EXPECT_GE(recorded.moves, 15);
    EXPECT_GE(recorded.swaps, recorded.moves / 2);
    EXPECT_GT(recorded.score, 0);
    std::set<uint64_t> distinct(recorded.digests.begin(), recorded.digests.end());
    EXPECT_GT(distinct.size(), recorded.digests.size() / 2);

    ExpectSameBoard(Record(root + "/demos/again.dmo"), recorded, "the same session recorded again");
    ExpectSameBoard(Replay(demo), recorded, "the replay of the recorded demo");
}
