// Customers: the weighted choice, arrival with an order, moods and anger, wishes, delivery, tips and serving.
#include <gtest/gtest.h>

#include "BoardTestHost.h"
#include "game/board/BoardView.h"

namespace Zest::Testing
{
namespace
{

struct CustomerTest : ::testing::Test
{
    BoardFixture f;
    BoardModel& m = f.model;
    RecordingHost& host = f.host;

    void SetUp() override
    {
        SetGrid(m, {"01234567", "12345670"});
        m.WaitFirstPerson = 1000000;
        m.FreezeCountdown = 0;
        m.PersonWeights[0] = m.PersonWeights[1] = m.PersonWeights[2] = 10;
    }
    Person& AddPerson(int queue, int id)
    {
        m.Persons.push_back(std::make_unique<Person>(queue, id));
        Person& p = *m.Persons.back();
        p.queueIndex = queue;
        p.slotY = (4 - queue) * 100;
        return p;
    }
    Dish& AddReadyDish(Person& p, int w, int h)
    {
        m.Dishes.push_back(std::make_unique<Dish>(p.queueIndex, p.id));
        Dish& d = *m.Dishes.back();
        d.width = w;
        d.height = h;
        d.ready = true;
        d.packStep = 4;
        return d;
    }
};

TEST_F(CustomerTest, WeightedRandomIndex)
{
    const struct
    {
        std::vector<int> weights;
        int result;
    } cases[] = {{{0, 5, 0}, 1}, {{0, 0}, -1}, {{}, -1}, {{-4, 0, 3}, 2}};
    for (const auto& c : cases) EXPECT_EQ(BoardModel::WeightedRandomIndex(c.weights), c.result);
    SeedRandom(99);
    int counts[3] = {};
    for (int i = 0; i < 30000; ++i) ++counts[BoardModel::WeightedRandomIndex(std::vector<int>{1, 2, 7})];
    EXPECT_NEAR(counts[0], 3000, 300);
    EXPECT_NEAR(counts[1], 6000, 400);
    EXPECT_NEAR(counts[2], 21000, 500);
}

TEST_F(CustomerTest, ArrivalBringsAnOrderOnTheShelf)
{
    std::fill(m.DishWeights.begin(), m.DishWeights.end(), 0);
    m.DishWeights[9] = 1; // 4x3
    m.SpawnPerson();
    ASSERT_EQ(m.Persons.size(), 1u);
    const Person& p = *m.Persons[0];
    EXPECT_EQ(p.id, 1);
    EXPECT_EQ(p.slotY, 400);
    EXPECT_EQ(p.slotX, -50);
    ASSERT_EQ(m.Dishes.size(), 1u);
    const Dish& d = *m.Dishes[0];
    EXPECT_EQ(d.width, 4);
    EXPECT_EQ(d.height, 3);
    EXPECT_EQ(d.dishType, 4);
    EXPECT_EQ(p.priceText, "T6555");
    EXPECT_EQ(d.x, 185.0f);
    EXPECT_EQ(d.y, 475.0f);
    EXPECT_EQ(m.SpawnCounter, 0);
    EXPECT_EQ(host.Count(BoardSound::NewPerson), 1);
}

TEST_F(CustomerTest, NoArrivalWhileSomeoneWalksUpAndNoCharacterTwiceInARow)
{
    AddPerson(0, 1).slotY = 380;
    m.SpawnPerson();
    EXPECT_EQ(m.Persons.size(), 1u);
    m.Persons.clear();
    SeedRandom(5);
    for (int i = 0; i < 40; ++i)
    {
        if (m.Persons.size() == 4) m.Persons.erase(m.Persons.begin(), m.Persons.begin() + 3);
        for (size_t k = 0; k < m.Persons.size(); ++k)
            m.Persons[k]->queueIndex = static_cast<int>(k), m.Persons[k]->slotY = (4 - static_cast<int>(k)) * 100;
        const int last = m.Persons.empty() ? -1 : m.Persons.back()->character;
        m.SpawnPerson();
        ASSERT_NE(m.Persons.back()->character, last);
        EXPECT_LT(m.Persons.back()->character, 3);
    }
}

TEST_F(CustomerTest, BrokenAnimationOrZeroWeightsBringNobody)
{
    std::fill(std::begin(m.PersonWeights), std::end(m.PersonWeights), 0);
    m.PersonWeights[3] = 100; // madam's fixture has only two states
    m.SpawnPerson();
    EXPECT_TRUE(m.Persons.empty());
    m.PersonWeights[0] = 10;
    std::fill(m.DishWeights.begin(), m.DishWeights.end(), 0);
    m.SpawnPerson();
    EXPECT_TRUE(m.Persons.empty()) << "no pizza size to order";
    EXPECT_EQ(m.PersonsCreated, 0);
}

TEST_F(CustomerTest, MoodSinksToAngerInAboutThirtyNineSeconds)
{
    Person& p = AddPerson(0, 1);
    p.character = 0;
    int updates = 0;
    while (p.mood > 35.0f && updates < 10000)
    {
        ++host.updateCount;
        p.Update(m);
        ++updates;
    }
    EXPECT_NEAR(updates, 3900, 5);
    EXPECT_TRUE(p.attention);
    EXPECT_EQ(host.Count(BoardSound::PersonAngry), 1);
    for (int i = 0; i < 30; ++i) ++host.updateCount, p.Update(m);
    EXPECT_EQ(p.state, 1) << "turns angry at the next frame change";
    host.sounds.clear();
    for (int i = 0; i < 1600; ++i) ++host.updateCount, p.Update(m);
    EXPECT_EQ(host.Count(BoardSound::PersonAngry), 2) << "the attention mark comes back every 800 updates";
}

TEST_F(CustomerTest, RisingMoodCalmsAboveThirty)
{
    for (const auto& [start, calm] : {std::pair{29.0f, false}, std::pair{30.0f, true}})
    {
        m.Persons.clear();
        Person& p = AddPerson(0, 1);
        p.character = 0;
        p.state = 1;
        p.mood = start;
        p.targetMood = 80;
        p.Update(m);
        EXPECT_EQ(p.state == 0, calm) << "mood " << p.mood;
    }
}

TEST_F(CustomerTest, InlayMoodsHoldWhileTimeIsLeft)
{
    m.LevelKind = 1;
    m.TimeLeft = 10;
    Person& p = AddPerson(0, 1);
    for (int i = 0; i < 500; ++i) p.Update(m);
    EXPECT_EQ(p.mood, 100.0f);
    m.TimeLeft = 0;
    p.Update(m);
    EXPECT_LT(p.mood, 100.0f);
}

TEST_F(CustomerTest, WishesComeAfterTheWaitOnTheCheckPeriod)
{
    m.FoodWantsTimeCheck = 100;
    m.FoodWantsProb = 1000;
    Person& p = AddPerson(0, 1);
    host.updateCount = 0;
    while (p.wish == -1 && host.updateCount < 3000) ++host.updateCount, p.Update(m);
    EXPECT_EQ(host.updateCount, 1100);
    EXPECT_EQ(host.Count(BoardSound::PersonWantFood), 1);
    // A level that never set the check period asks for no snacks at all.
    m.FoodWantsTimeCheck = 0;
    Person& q = AddPerson(1, 2);
    for (int i = 0; i < 3000; ++i) ++host.updateCount, q.Update(m);
    EXPECT_EQ(q.wish, -1);
}

TEST_F(CustomerTest, TipIsMoodTimesHalfThePrice)
{
    const struct
    {
        int w, h;
        float mood;
        int tip;
        const char* text;
    } cases[] = {
        {3, 3, 90, 18, "T6540 + T6518"},
        {3, 3, 30, 0, "T6540"},
        {4, 2, 90, 18, "T6541 + T6518"},
        {2, 4, 90, 18, "T6541 + T6518"}, // either orientation
    };
    for (const auto& c : cases)
    {
        m.Persons.clear();
        m.Dishes.clear();
        m.Score = m.DayProfit = m.TipTotal = 0;
        Person& p = AddPerson(0, 9);
        p.mood = c.mood;
        AddReadyDish(p, c.w, c.h);
        m.DeliverOrders();
        EXPECT_TRUE(p.paid);
        EXPECT_EQ(p.tip, c.tip);
        EXPECT_EQ(p.moneyText, c.text);
        EXPECT_EQ(p.state, 2);
        EXPECT_EQ(m.TipTotal, c.tip);
        EXPECT_EQ(m.DayProfit, p.money);
        EXPECT_TRUE(m.Dishes[0]->sent);
    }
}

TEST_F(CustomerTest, OpenWishOrRisingMoodDelaysPayment)
{
    Person& p = AddPerson(0, 1);
    AddReadyDish(p, 2, 2);
    p.wish = 1;
    m.DeliverOrders();
    EXPECT_FALSE(p.paid);
    p.wish = -1;
    p.mood = 50;
    p.targetMood = 60;
    m.DeliverOrders();
    EXPECT_FALSE(p.paid);
    m.Dishes[0]->packStep = 3;
    p.targetMood = -1;
    m.DeliverOrders();
    EXPECT_FALSE(p.paid);
    m.Dishes[0]->packStep = 4;
    m.DeliverOrders();
    EXPECT_TRUE(p.paid);
}

TEST_F(CustomerTest, PaidCustomerLeavesAfterThePayAnimation)
{
    Person& p = AddPerson(0, 1);
    AddReadyDish(p, 2, 2);
    m.DeliveryPending = true;
    f.Step();
    ASSERT_EQ(p.state, 2);
    EXPECT_EQ(host.Count(BoardSound::GetMoney), 1);
    EXPECT_EQ(m.Labels.size(), 2u);
    int updates = 0;
    while (!m.Persons.empty() && updates < 500) f.Step(), ++updates;
    EXPECT_TRUE(m.Persons.empty());
    EXPECT_EQ(m.ServedCount, 1);
    EXPECT_GT(updates, 100) << "the fade runs its 100 updates first";
}

TEST_F(CustomerTest, PaidPizzasCountForTheTallyOnce)
{
    // Two pizzas for one customer, the second not packed yet: the first pass sends the first pizza but pays
    // nothing, so nothing may be counted until the customer really pays for both.
    Person& p = AddPerson(0, 1);
    AddReadyDish(p, 2, 2);
    Dish& late = AddReadyDish(p, 3, 3);
    late.packStep = 3;
    Person& q = AddPerson(1, 2);
    AddReadyDish(q, 2, 2);
    m.DeliverOrders();
    EXPECT_FALSE(p.paid);
    EXPECT_TRUE(q.paid);
    EXPECT_EQ(m.FoodServedCount, 1);
    late.packStep = 4;
    m.DeliverOrders();
    EXPECT_TRUE(p.paid);
    EXPECT_EQ(m.FoodServedCount, 3);
    m.DeliverOrders();
    EXPECT_EQ(m.FoodServedCount, 3) << "a paid customer is not counted again";
}

TEST_F(CustomerTest, InlayOrderNamingNoDishTypeBringsOnlyTheWish)
{
    m.LevelKind = 1;
    m.TimeLeft = 30;
    m.InlayStage = 0;
    m.InlayOrders[0][0] = {99, 1};
    m.InlayOrders[0][1] = {0, -1};
    m.LevelMask[0][2][3] = 1;
    m.UpdateInlay();
    ASSERT_EQ(m.Persons.size(), 2u);
    EXPECT_EQ(m.Persons[0]->wish, 1);
    ASSERT_EQ(m.Dishes.size(), 1u);
    EXPECT_EQ(m.Dishes[0]->customerId, m.Persons[1]->id);
    EXPECT_EQ(m.CellState[2][3], 1);
    EXPECT_EQ(m.CellState[3][3], 0);
    EXPECT_EQ(m.InlayStage, 1);
}

// Labels and hearts over a customer start at the middle of the body as drawn: slot, the type's and the frame's
// shift, and half the frame's picture.
TEST_F(CustomerTest, CoffeeLabelRisesFromTheMiddleOfTheBody)
{
    host.imageSizes["images/persons/test/wait1"] = {150, 200};
    host.imageSizes["images/persons/test/wait2"] = {120, 200};
    host.player.level = 10;
    m.StartLevel();
    m.FreezeCountdown = 0;
    m.CoffeeEnableLevel = 1;
    PersonAnime& cowboy = *m.Characters[0];
    cowboy.shiftX = 45;
    cowboy.animes[0][0].shiftX = 3;
    const struct
    {
        int queue, frame, centre;
    } cases[] = {{0, 0, -50 + 45 + 3 + 75}, {0, 1, -50 + 45 + 60}, {2, 0, -30 + 45 + 3 + 75}};
    for (const auto& c : cases)
    {
        m.Persons.clear();
        m.Labels.clear();
        Person& p = AddPerson(c.queue, 7);
        p.slotX = (c.queue * 5 - 25) * 2;
        p.character = 0;
        p.frame = c.frame;
        m.HoverPerson = &p;
        m.CupDragged = true;
        ASSERT_TRUE(m.GiveCoffee(p.slotX + 60, p.slotY + 100));
        ASSERT_FALSE(m.Labels.empty());
        EXPECT_EQ(m.Labels[0]->x, static_cast<float>(c.centre)) << "queue " << c.queue << " frame " << c.frame;
    }
}

// The pictures of the customer types a day can bring are there when the day starts, and go when it ends.
TEST_F(CustomerTest, CustomerPicturesLiveFromLevelStartToLevelEnd)
{
    host.imageSizes["images/persons/test/wait1"] = {150, 200};
    host.imageSizes["images/persons/test/wait2"] = {150, 200};
    host.player.level = 10;
    m.StartLevel();
    const auto loads = [&](const std::string& path)
    { return std::count(host.loadedImages.begin(), host.loadedImages.end(), path); };
    // Types 0 to 2 have a weight, type 3 (with the same picture) none.
    EXPECT_EQ(loads("images/persons/test/wait1"), 3) << "loaded at the start, before any customer is drawn";
    m.StartLevel();
    EXPECT_EQ(loads("images/persons/test/wait1"), 3) << "a restart keeps what is loaded";
    BoardView view{m, nullptr};
    Person& stays = AddPerson(0, 1);
    stays.character = 1;
    Person& left = AddPerson(1, 2);
    left.character = 0;
    left.leaving = true;
    m.OpenLevelComplete();
    left.leaving = false;
    EXPECT_EQ(view.FrameImage(left), nullptr) << "released at the level end";
    EXPECT_NE(view.FrameImage(stays), nullptr) << "a customer still on the board keeps its pictures";
}

TEST_F(CustomerTest, IceCreamGoesToTheUnhappiestCustomer)
{
    AddPerson(0, 1).mood = 60;
    AddPerson(1, 2).mood = 40;
    AddPerson(2, 3).mood = 50;
    m.TakeIceCream(400, 300);
    ASSERT_EQ(m.Dishes.size(), 1u);
    EXPECT_EQ(m.Dishes[0]->customerId, 2);
    f.Step(m.Dishes[0]->moveFrames);
    EXPECT_EQ(m.Persons[1]->targetMood, 100.0f);
    EXPECT_EQ(m.FoodServedCount, 0);
}

} // namespace
} // namespace Zest::Testing
