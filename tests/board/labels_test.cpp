// Floating labels in their three ways of moving, and the customer's drawn parts: mood bar, hit circle, frames.
#include <gtest/gtest.h>

#include <memory>

#include "BoardTestHost.h"
#include "game/board/BoardView.h"
#include "game/core/GameResources.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace Zest::Testing
{
namespace
{

TEST(LabelTest, RiseHoldsAfterItsVerticalSteps)
{
    FloatingLabel l(BoardImage::None, 100, 300, 0, -0.2f, 200);
    l.verticalSteps = 50;
    int risen = 0;
    float lastY = l.y;
    for (int i = 0; i < 120; ++i)
    {
        l.Update();
        if (l.y < lastY) ++risen;
        lastY = l.y;
    }
    EXPECT_EQ(risen, 50);
    EXPECT_NEAR(l.y, 300 - 50 * 0.2f, 0.01f);
}

TEST(LabelTest, FadesInThenOutOverItsLastFiftyUpdates)
{
    FloatingLabel l(BoardImage::None, 0, 0, 0, 0, 100);
    l.alpha = 0;
    l.fadeInStep = 10;
    for (int i = 0; i < 50; ++i) l.Update();
    EXPECT_EQ(l.alpha, 255);
    for (int i = 0; i < 49; ++i) l.Update();
    EXPECT_EQ(l.alpha, 255 - 5 * 49);
    EXPECT_FALSE(l.done);
    l.Update();
    EXPECT_TRUE(l.done);
}

TEST(LabelTest, PhysicsLabelBouncesOffTheRightWallAndFallsOffTheBottom)
{
    FloatingLabel l(BoardImage::None, 725, 100, 0, 0, 100000);
    l.physics = true;
    l.physVx = 4;
    l.limitX = 4;
    l.accelX = 0.1f;
    l.accelY = 0.5f;
    l.Update();
    l.Update();
    EXPECT_FLOAT_EQ(l.x, 730.0f) << "held at the wall";
    EXPECT_FLOAT_EQ(l.physVx, -4.0f) << "and sent back";
    EXPECT_LT(l.accelX, 0.1f + 1e-6f);
    l.Update();
    EXPECT_LT(l.x, 730.0f);
    for (int i = 0; i < 100 && !l.done; ++i) l.Update();
    EXPECT_TRUE(l.done) << "beyond y 600";
}

TEST(LabelTest, BounceLabelSettlesThenRisesOffTheTop)
{
    FloatingLabel l(BoardImage::None, 0, 300, 0, 0, 100000);
    l.bounce = true;
    l.alpha = 0;
    l.physVx = 0;
    l.accelX = 1;
    l.limitX = 10;
    l.physVy = 0;
    l.accelY = -0.2f;
    l.floorVy = -6;
    int updates = 0;
    while (!l.settled && updates < 200) l.Update(), ++updates;
    EXPECT_TRUE(l.settled);
    EXPECT_TRUE(l.boundHit);
    EXPECT_EQ(l.alpha, 255);
    const float settledX = l.x;
    while (!l.done && updates < 2000) l.Update(), ++updates;
    EXPECT_TRUE(l.done);
    EXPECT_FLOAT_EQ(l.x, settledX);
    EXPECT_FLOAT_EQ(l.y, 1.0f);
}

TEST(LabelTest, MultiCelPictureStepsOnItsInterval)
{
    FloatingLabel l(BoardImage::Money, 0, 0, 0, 0, 1000);
    l.cels = 3;
    l.Update(14);
    EXPECT_EQ(l.cel, -1) << "the whole strip until the first step";
    l.Update(15);
    EXPECT_EQ(l.cel, 0);
    l.Update(30);
    l.Update(45);
    l.Update(60);
    EXPECT_EQ(l.cel, 0) << "wrapped";
}

struct CustomerDrawTest : ::testing::Test
{
    BasicBoardFixture<RecordingHost> f;
    BoardModel& m = f.model;
    BoardView view{m, nullptr};
    MemoryImage screen;
    std::unique_ptr<MemoryImage> bar = std::make_unique<MemoryImage>();

    void SetUp() override
    {
        bar->Create(64, 25);
        for (int i = 0; i < 64 * 25; ++i) bar->GetBits()[i] = 0xFF00FF00;
        bar->BitsChanged();
        IMAGE_MOOD_BAD = IMAGE_MOOD_GOOD = IMAGE_MOOD_FINE = bar.get();
        screen.Create(800, 600);
    }
    void TearDown() override { IMAGE_MOOD_BAD = IMAGE_MOOD_GOOD = IMAGE_MOOD_FINE = nullptr; }
    // Lit pixels of the bar's row, from its start at x + 31.
    int BarWidth(float mood)
    {
        std::fill(screen.GetBits(), screen.GetBits() + 800 * 600, 0xFF000000u);
        Person p(0, 1);
        p.slotY = 300;
        p.mood = mood;
        p.character = 0;
        Graphics g(&screen);
        view.DrawPerson(g, p);
        const int x0 = m.ShelfX - 83 + 31, y = 300 + 13 + 10;
        int w = 0;
        while ((screen.GetBits()[y * 800 + x0 + w] & 0xFF00) > 0x8000) ++w;
        return w;
    }
};

TEST_F(CustomerDrawTest, MoodBarIsClippedToItsShare)
{
    EXPECT_EQ(BarWidth(100), 33);
    EXPECT_EQ(BarWidth(50), 16);
    EXPECT_EQ(BarWidth(2.9f), 0);
}

TEST_F(CustomerDrawTest, HitBoxAndTheCircleAtTheShelf)
{
    Person p(0, 1);
    p.slotX = -50, p.slotY = 400;
    EXPECT_TRUE(m.HitPerson(p, -50, 400));
    EXPECT_FALSE(m.HitPerson(p, 90, 350));
    EXPECT_TRUE(m.HitPerson(p, m.ShelfX + 47, 500)) << "within 48 px of the shelf point, outside the box";
    EXPECT_FALSE(m.HitPerson(p, m.ShelfX + 48, 500));
    p.gone = true;
    EXPECT_FALSE(m.HitPerson(p, -50, 400));
}

} // namespace
} // namespace Zest::Testing
