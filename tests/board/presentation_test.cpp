// The play field as a player meets it: software-rendered pixels with flat-colour pictures, scripted mouse
// gestures with the sounds they ask for, and the tutorial hints pausing and resuming play.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "BoardTestHost.h"
#include "game/board/BoardParticles.h"
#include "game/board/BoardView.h"
#include "game/core/GameResources.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace Zest::Testing
{
namespace
{

// Stores the mouse position as the application does.
class MouseHost : public RecordingHost
{
public:
    void SetLastMouse(int x, int y) override { mouseX = x, mouseY = y; }
    void SetHintControls(int ok, int box) override { controls = {ok, box}; }
    void HideHint() override { RecordingHost::HideHint(); }
    std::pair<int, int> controls{-1, -1};
};

std::unique_ptr<MemoryImage> Flat(int w, int h, uint32_t argb, int cols = 1)
{
    auto img = std::make_unique<MemoryImage>();
    img->Create(w, h);
    for (int i = 0; i < w * h; ++i) img->GetBits()[i] = argb;
    img->mNumCols = cols;
    img->BitsChanged();
    return img;
}

// Flat-colour stand-ins for the pictures the field draws, bound into the game's handles for one test.
struct FlatArt
{
    std::vector<std::unique_ptr<MemoryImage>> owned;
    Image* Bind(Image*& handle, int w, int h, uint32_t argb, int cols = 1)
    {
        owned.push_back(Flat(w, h, argb, cols));
        handle = owned.back().get();
        return handle;
    }
    FlatArt()
    {
        Bind(IMAGE_BURNER_OFF, 49, 49, 0xFF202020);
        Bind(IMAGE_BURNER_ON, 49, 49, 0xFFFF0000);
        Bind(IMAGE_BURNER_ONON, 49, 49, 0xFFFFFF00);
        Bind(IMAGE_RAMKA_LEFT, 3, 398, 0xFF00FF00);
        Bind(IMAGE_RAMKA_RIGHT, 3, 398, 0xFF00FF00);
        Bind(IMAGE_AKKUM, 80, 60, 0xFF0000FF);
        Bind(IMAGE_AKKUM_READY, 80, 60, 0xFF00FFFF);
        Bind(IMAGE_AKKUM_LIGHT, 4, 4, 0xFFFFFFFF);
        Bind(IMAGE_COFE_MAC, 70, 90, 0xFF804000);
        Bind(IMAGE_COFE_MAC_READY, 70, 90, 0xFF804000);
        Bind(IMAGE_COFE_PR, 10, 40, 0xFFFF00FF);
        Bind(IMAGE_COFE_CUP, 20, 20, 0xFFFFFFFF);
        Bind(IMAGE_CLOCK, 100, 50, 0xFF808080, 10);
        Bind(IMAGE_CLOSED, 60, 40, 0xFFFF8000);
    }
    ~FlatArt()
    {
        for (Image** h : {&IMAGE_BURNER_OFF, &IMAGE_BURNER_ON, &IMAGE_BURNER_ONON, &IMAGE_RAMKA_LEFT,
                          &IMAGE_RAMKA_RIGHT, &IMAGE_AKKUM, &IMAGE_AKKUM_READY, &IMAGE_AKKUM_LIGHT, &IMAGE_COFE_MAC,
                          &IMAGE_COFE_MAC_READY, &IMAGE_COFE_PR, &IMAGE_COFE_CUP, &IMAGE_CLOCK, &IMAGE_CLOSED})
            *h = nullptr;
    }
};

struct PresentationTest : ::testing::Test
{
    BasicBoardFixture<MouseHost> f;
    BoardModel& m = f.model;
    MouseHost& host = f.host;
    FlatArt art;
    BoardView view{m, nullptr};
    MemoryImage screen;

    void SetUp() override
    {
        SetGrid(m, std::vector<std::string>(8, "01234012"));
        m.WaitFirstPerson = 1000000;
        m.FreezeCountdown = 0;
        m.AkkumEnableLevel = m.CoffeeEnableLevel = m.FoodEnableLevel = 99;
        screen.Create(800, 600);
    }
    void Render()
    {
        for (int i = 0; i < 800 * 600; ++i) screen.GetBits()[i] = 0xFF000000;
        screen.BitsChanged();
        Graphics g(&screen);
        view.Draw(g);
        view.DrawEffects(g);
    }
    uint32_t Px(int x, int y) { return screen.GetBits()[y * 800 + x] & 0xFFFFFF; }
    // The blenders round each channel within a step or two.
    static bool Near(uint32_t a, uint32_t b)
    {
        for (int shift : {0, 8, 16})
            if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 3)
                return false;
        return true;
    }
    void Updates(int n)
    {
        for (int i = 0; i < n; ++i)
        {
            ++host.updateCount;
            m.Update();
        }
    }
    // A burner cell's top-left corner pixel: no piece picture covers it.
    int CellX(int c) { return m.GridX + c * 49 + 1; }
    int CellY(int r) { return m.GridY + (m.Rows - 1 - r) * 49 + 1; }
};

TEST_F(PresentationTest, BurnersFollowTheirStateAndTheFreezeFade)
{
    m.CellState[0][0] = 1, m.CellAlpha[0][0] = 255;
    m.CellState[1][0] = -1;
    m.CellState[2][0] = 0;
    Render();
    EXPECT_PRED2(Near, Px(CellX(0), CellY(0)), 0xFF0000u) << "lit";
    EXPECT_PRED2(Near, Px(CellX(1), CellY(0)), 0u) << "broken: the background shows";
    EXPECT_PRED2(Near, Px(CellX(2), CellY(0)), 0x202020u) << "off";
    EXPECT_PRED2(Near, Px(m.GridX + 8 * 49 - 1, m.GridY - 2), 0u) << "the top bar is black";
    EXPECT_PRED2(Near, Px(m.GridX - 2, 100), 0x00FF00u) << "the frame, left";
    EXPECT_PRED2(Near, Px(m.GridX + 392 + 1, 100), 0x00FF00u) << "the frame, right of the 392 px wide grid";

    const struct
    {
        int freeze;
        bool drawn;
        int alpha;
    } fade[] = {{31, false, 0}, {30, true, 0}, {1, true, 247}};
    for (const auto& c : fade)
    {
        m.FreezeCountdown = c.freeze;
        Render();
        const uint32_t px = Px(CellX(0), CellY(0));
        if (!c.drawn)
        {
            EXPECT_EQ(px, 0u) << c.freeze;
            continue;
        }
        // Every cell shows the cold burner at the fade's alpha, whatever its state.
        EXPECT_NEAR(static_cast<int>(px & 0xFF), 0x20 * c.alpha / 255, 1) << c.freeze;
    }
}

TEST_F(PresentationTest, AkkumLampsGaugeClipAndClosedSign)
{
    m.AkkumEnableLevel = m.CoffeeEnableLevel = 0;
    m.AkkumCharge = 3;
    m.CoffeeCapacity = 4, m.CoffeeFill = 1;
    m.TimeLeft = 1, m.TimeTotal = 100;
    host.updateCount = m.TimeUpFrame = 1000;
    Render();
    // Lamps 0..2 at (10,34) (21,36) (34,37) from the Akkum; lamp 3 at (44,39) stays dark.
    EXPECT_PRED2(Near, Px(405 + 10 + 1, 502 + 34 + 1), 0xFFFFFFu);
    EXPECT_PRED2(Near, Px(405 + 34 + 1, 502 + 37 + 1), 0xFFFFFFu);
    EXPECT_PRED2(Near, Px(405 + 44 + 1, 502 + 39 + 1), 0x0000FFu);
    // A quarter full: only the lowest 10 of the gauge's 40 rows.
    EXPECT_PRED2(Near, Px(330, 560), 0xFF00FFu);
    EXPECT_PRED2(Near, Px(330, 545), 0x804000u);
    // The closed sign starts one full height above the screen and is in place 100 updates later.
    EXPECT_PRED2(Near, Px(130, 5), 0x808080u) << "the clock, not the sign";
    host.updateCount = 1100;
    Render();
    EXPECT_PRED2(Near, Px(130, 5), 0xFF8000u);
    // Charge from an old profile or the lesson hint above ten lights the ten lamps, no more.
    m.AkkumCharge = 40;
    Render();
    EXPECT_PRED2(Near, Px(405 + 63 + 1, 502 + 27 + 1), 0xFFFFFFu);
}

TEST_F(PresentationTest, DraggedCupFollowsTheMouseOnAnEmptyMachine)
{
    m.CoffeeEnableLevel = 0;
    m.CoffeeCapacity = 4, m.CoffeeFill = 0;
    m.CupDragged = true;
    m.MouseMove(600, 500);
    Render();
    EXPECT_PRED2(Near, Px(600, 500), 0xFFFFFFu);
    EXPECT_NE(Px(276 + 5, 555 + 5), 0xFFFFFFu);
}

TEST_F(PresentationTest, OnTopLabelsStandInFrontOfTheParticles)
{
    EffectLibrary library;
    BoardParticles particles(m, library, "no-effects/");
    BoardView withParticles(m, &particles);
    FlatArt& a = art;
    Image* sprite = a.Bind(IM_BONUS_PARTICLE1, 30, 30, 0xFF0000FF);
    Image* money = a.Bind(IMAGE_MONEY, 20, 20, 0xFF00FF00);
    (void)money;
    EffectDescription d;
    d.emissionRate = 1000;
    d.lifetime = ParticleSystem::kEndless;
    d.lifeMin = d.lifeMax = 10;
    d.sizeStart = d.sizeEnd = 1;
    for (int c = 0; c < 4; ++c) d.colourStart[c] = d.colourEnd[c] = 1;
    ParticleSystem templ(d, sprite, 0.0f);
    particles.manager.Spawn(templ, 100, 100)->Update(0.05f);
    FloatingLabel& under = m.AddLabel(BoardImage::Money, 90, 90, 0, 0, 1000);
    FloatingLabel& over = m.AddLabel(BoardImage::Money, 90, 140, 0, 0, 1000);
    over.onTop = true;
    particles.manager.Spawn(templ, 100, 150)->Update(0.05f);
    (void)under;
    for (int i = 0; i < 800 * 600; ++i) screen.GetBits()[i] = 0xFF000000;
    Graphics g(&screen);
    withParticles.DrawEffects(g);
    EXPECT_PRED2(Near, Px(100, 100), 0x0000FFu) << "a plain label lies under the particles";
    EXPECT_PRED2(Near, Px(100, 150), 0x00FF00u) << "an on-top label stands in front of them";
    IM_BONUS_PARTICLE1 = nullptr;
    IMAGE_MONEY = nullptr;
}

TEST_F(PresentationTest, DraggedDishIsHiddenWhileAHintShows)
{
    for (int c = 0; c < 8; ++c)
        for (int r = 0; r < 8; ++r) m.CellState[c][r] = 1, m.CellAlpha[c][r] = 255;
    m.Dishes.push_back(std::make_unique<Dish>(0, 1));
    Dish& d = *m.Dishes.back();
    d.width = d.height = 2;
    d.held = true;
    d.SetPosition(m, 500, 300);
    m.DraggedDish = &d;
    m.UpdateDishDropCells(d);
    Render();
    EXPECT_PRED2(Near, Px(480, 280), 0x69FF00u) << "the footprint cell shows green over the lit burner";
    m.HintId = 19;
    Render();
    EXPECT_PRED2(Near, Px(480, 280), 0xFFFF00u) << "hidden: the lit burner shows (the drop-here look)";
}

TEST_F(PresentationTest, CarriedEffectsFollowTheirPiecesAndGoWithThem)
{
    EffectLibrary library;
    BoardParticles particles(m, library, "no-effects/");
    Topping* bomb = m.PieceAt(2, 2);
    bomb->effect = PieceEffect::BombFire;
    particles.UpdatePieces();
    ParticleSystem* fuse = particles.Attached(*bomb);
    ASSERT_NE(fuse, nullptr);
    EXPECT_TRUE(fuse->additive);
    bomb->x += 10;
    particles.UpdatePieces();
    EXPECT_FLOAT_EQ(fuse->emitterX, bomb->x + 19) << "the fuse's fire point";
    EXPECT_FLOAT_EQ(fuse->emitterY, bomb->y - 7);
    bomb->effect = PieceEffect::Lightning;
    particles.UpdatePieces();
    EXPECT_NE(particles.Attached(*bomb), nullptr);
    m.Grid[2].erase(m.Grid[2].begin() + 2);
    particles.UpdatePieces();
    particles.Spawn(BoardEffect::Star, 10, 10, true);
    EXPECT_EQ(particles.manager.Count(), 1);
    EXPECT_TRUE(particles.manager.At(0)->additive);
    particles.KillAll();
    EXPECT_EQ(particles.manager.Count(), 0);
}

// --- input ---

TEST_F(PresentationTest, ClickSelectsAgainDeselectsAndNeighbourSwaps)
{
    const int x = m.CellCenterX(2), y = m.CellCenterY(2);
    m.MouseDown(x, y, 1);
    EXPECT_EQ(m.SelectedPiece, m.PieceAt(2, 2));
    EXPECT_EQ(host.Count(BoardSound::Select), 1);
    m.MouseDown(x, y, 1);
    EXPECT_EQ(m.SelectedPiece, nullptr) << "the selected piece clicked again";
    m.MouseDown(x, y, 1);
    m.MouseDown(m.CellCenterX(3), y, 1);
    EXPECT_EQ(host.Count(BoardSound::Move), 1);
    EXPECT_EQ(m.PieceAt(3, 2)->kind, 2);
}

TEST_F(PresentationTest, SwipeSwapsOnlyOntoAnOrthogonalNeighbour)
{
    m.MouseDown(m.CellCenterX(2), m.CellCenterY(2), 1);
    m.MouseDrag(m.CellCenterX(3), m.CellCenterY(3));
    EXPECT_EQ(host.Count(BoardSound::Move), 0) << "diagonal";
    m.MouseDrag(m.CellCenterX(2), m.CellCenterY(3));
    EXPECT_EQ(host.Count(BoardSound::Move), 1);
}

TEST_F(PresentationTest, PressHeldThirtyUpdatesDropsTheDishAtTheRelease)
{
    for (int c = 0; c < 8; ++c)
        for (int r = 0; r < 8; ++r) m.CellState[c][r] = 1, m.CellAlpha[c][r] = 255;
    for (int held : {29, 30})
    {
        m.Dishes.clear();
        m.DraggedDish = m.HoverDish = nullptr;
        m.Dishes.push_back(std::make_unique<Dish>(0, 1));
        Dish& d = *m.Dishes.back();
        d.width = d.height = 2;
        d.shelfX = m.ShelfX;
        d.SetPosition(m, static_cast<float>(m.ShelfX), static_cast<float>(m.ShelfY));
        host.sounds.clear();
        m.MouseMove(m.ShelfX, m.ShelfY);
        m.MouseDown(m.ShelfX, m.ShelfY, 1);
        ASSERT_EQ(m.DraggedDish, &d);
        EXPECT_EQ(host.Count(BoardSound::TakePizza), 1);
        m.MouseDrag(m.GridX + 49, m.GridY + 49);
        m.PressFrames = held; // the update step counts while the button is down
        m.MouseUp(m.GridX + 49, m.GridY + 49, 1);
        if (held < 30)
        {
            EXPECT_EQ(m.DraggedDish, &d) << "a short press keeps the dish on the mouse";
            m.MouseDown(m.GridX + 49, m.GridY + 49, 1); // the next click puts it down
        }
        EXPECT_EQ(m.DraggedDish, nullptr) << held;
        EXPECT_TRUE(d.cooking) << held;
        EXPECT_EQ(host.Count(BoardSound::PutPizza), 1) << held;
    }
}

TEST_F(PresentationTest, TurnedDishGoesBackToTheShelfTheRightWayRound)
{
    m.Dishes.push_back(std::make_unique<Dish>(0, 1));
    Dish& d = *m.Dishes.back();
    d.width = 3, d.height = 2;
    d.shelfX = m.ShelfX;
    d.SetPosition(m, static_cast<float>(m.ShelfX), static_cast<float>(m.ShelfY));
    m.MouseDown(m.ShelfX, m.ShelfY, 1);
    m.MouseDown(300, 300, -1);
    EXPECT_EQ(d.width, 2);
    EXPECT_EQ(d.height, 3);
    m.MouseWheel();
    EXPECT_EQ(d.width, 3);
    m.MouseWheel();
    m.MouseDown(100, 100, 1); // nowhere on the grid: back to the shelf
    EXPECT_EQ(m.DraggedDish, nullptr);
    EXPECT_EQ(d.width, 3);
    EXPECT_EQ(d.height, 2);
    EXPECT_TRUE(d.IsSliding());
}

TEST_F(PresentationTest, SpaceTakesTheFirstFreeDishOnlyWhenNothingIsCarried)
{
    m.KeyDown(32);
    EXPECT_EQ(m.DraggedDish, nullptr) << "no dish";
    m.Dishes.push_back(std::make_unique<Dish>(0, 1));
    m.HeldSlot = 1;
    m.KeyDown(32);
    EXPECT_EQ(m.DraggedDish, nullptr) << "a stock item is carried";
    m.HeldSlot = -1;
    m.KeyDown(32);
    EXPECT_EQ(m.DraggedDish, m.Dishes.back().get());
    EXPECT_TRUE(host.sounds.empty());
}

TEST_F(PresentationTest, ChargePieceAtTenStaysAtTen)
{
    SetGrid(m, {"C1234012", "01234012", "01234012", "01234012", "01234012", "01234012", "01234012", "01234012"});
    m.AkkumCharge = 10;
    m.MouseDown(m.CellCenterX(0), m.CellCenterY(7), 1);
    EXPECT_EQ(m.AkkumCharge, 10);
    EXPECT_EQ(host.Count(BoardSound::TakeCharge), 1);
}

TEST_F(PresentationTest, DropOnColdBurnersSendsTheDishBack)
{
    m.Dishes.push_back(std::make_unique<Dish>(0, 1));
    Dish& d = *m.Dishes.back();
    d.width = d.height = 2;
    d.shelfX = m.ShelfX;
    d.SetPosition(m, static_cast<float>(m.ShelfX), static_cast<float>(m.ShelfY));
    m.MouseDown(m.ShelfX, m.ShelfY, 1);
    m.MouseUp(m.ShelfX, m.ShelfY, 1);
    m.MouseMove(m.CellCenterX(3), m.CellCenterY(3));
    EXPECT_TRUE(d.cells.empty()) << "no cell of the footprint would take it";
    m.MouseDown(m.CellCenterX(3), m.CellCenterY(3), 1);
    EXPECT_EQ(m.DraggedDish, nullptr);
    EXPECT_FALSE(d.cooking);
    EXPECT_EQ(host.Count(BoardSound::PutPizza), 0);
    EXPECT_NEAR(d.targetY, static_cast<float>(m.ShelfY), 0.01f);
}

TEST_F(PresentationTest, SpecialPiecesAreTakenByAClick)
{
    SetGrid(m, {"IB234012", "01234012", "01234012", "01234012", "01234012", "01234012", "01234012", "01234012"});
    auto p = std::make_unique<Person>(0, 7);
    p->mood = 50;
    m.Persons.push_back(std::move(p));
    m.MouseDown(m.CellCenterX(0), m.CellCenterY(7), 1);
    EXPECT_TRUE(m.PieceAt(0, 7)->removing);
    EXPECT_EQ(host.Count(BoardSound::TakeIceCream), 1);
    ASSERT_FALSE(m.Dishes.empty());
    EXPECT_EQ(m.Dishes.back()->itemKind, 3) << "an ice cream on its way to the unhappiest customer";
    m.MouseDown(m.CellCenterX(1), m.CellCenterY(7), 1);
    EXPECT_TRUE(m.PieceAt(1, 7)->removing) << "a clicked bomb goes off";
    EXPECT_EQ(m.SelectedPiece, nullptr);
}

// --- hints ---

TEST_F(PresentationTest, FirstLessonShowsHintZeroOnceAndOnlyTheAskedSwapPasses)
{
    host.player.hintsShown.fill(0);
    host.player.level = 1;
    m.ApplyStartPattern();
    m.UpdateHints();
    ASSERT_EQ(m.HintId, 0);
    EXPECT_EQ(host.hints.back(), "T114");
    EXPECT_EQ(m.HintPiece, m.PieceAt(4, 4));
    EXPECT_EQ(m.HintPiece->hintDy, 1);
    EXPECT_EQ(host.controls, std::make_pair(0, 0)) << "OK and the check box hidden";
    // Play waits: customers and the clock stand still.
    const int time = m.TimeLeft;
    Updates(300);
    EXPECT_EQ(m.TimeLeft, time);
    // A click elsewhere does nothing.
    m.MouseDown(m.CellCenterX(1), m.CellCenterY(1), 1);
    EXPECT_EQ(m.SelectedPiece, nullptr);
    m.MouseDown(m.CellCenterX(4), m.CellCenterY(4), 1);
    EXPECT_EQ(m.SelectedPiece, m.PieceAt(4, 4));
    m.MouseDown(m.CellCenterX(4), m.CellCenterY(3), 1);
    EXPECT_EQ(m.HintId, -1) << "the swap closes the hint";
    EXPECT_EQ(host.hideHints, 1);
    EXPECT_EQ(host.Count(BoardSound::Move), 1);
    Updates(20);
    EXPECT_LT(m.TimeLeft, time + 1);
    m.UpdateHints();
    EXPECT_NE(m.HintId, 0) << "shown once";
}

TEST_F(PresentationTest, NoHintsStillTeachesTheBonusLevels)
{
    host.player.hintsShown.fill(0);
    host.player.noHints = true;
    m.LevelKind = 3;
    m.UpdateHints();
    EXPECT_EQ(m.HintId, 24);
    m.HintId = -1;
    m.LevelKind = 0;
    host.player.level = 1;
    m.UpdateHints();
    EXPECT_EQ(m.HintId, -1);
}

TEST_F(PresentationTest, SpecialPieceHintsPointByHeightAndHideUnderADish)
{
    host.player.hintsShown.fill(0);
    host.player.level = 7;
    SetGrid(m, {"01234012", "01234012", "01234012", "01234012", "01234012", "01234012", "01234012", "0B234012"});
    Topping* bomb = m.PieceAt(1, 0);
    m.Dishes.push_back(std::make_unique<Dish>(0, 1));
    m.Dishes.back()->cooking = true;
    m.Dishes.back()->cells = {{1, 0}};
    m.UpdateHints();
    EXPECT_EQ(m.HintId, -1) << "under a dish";
    m.Dishes.clear();
    bomb->y = 400.0f;
    m.UpdateHints();
    EXPECT_EQ(m.HintId, 9);
    EXPECT_EQ(host.hints.back(), "T159");
}

TEST_F(PresentationTest, TwoWeightEightyTypesOpenTwoTips)
{
    host.player.hintsShown.fill(1);
    host.player.level = 7;
    m.PersonWeights[2] = m.PersonWeights[5] = 80;
    m.UpdateHints();
    EXPECT_EQ(host.tips, (std::vector<int>{2, 5}));
    EXPECT_TRUE(m.CustomerTipsShown);
}

} // namespace
} // namespace Zest::Testing
