// Customers on the board: arrival with an order, delivery and payment, serving snacks and ice cream, the Inlay
// stages, the weighted choice and the small lookups on customers and dish types.
#include <algorithm>
#include <cmath>
#include <limits>

#include "base/Random.h"
#include "game/board/BoardModel.h"
#include "game/core/LngTable.h"
#include "game/core/PlayerProfile.h"
#include "game/core/TextIds.h"
#include "graphics/Image.h"

namespace Zest
{

int BoardModel::WeightedRandomIndex(const int* weights, int count)
{
    long long sum = 0;
    for (int i = 0; i < count; ++i) sum += std::max(0, weights[i]);
    if (count <= 0 || sum <= 0) return -1;
    const long long r = static_cast<long long>(Rand()) % sum;
    long long running = 0;
    for (int i = 0; i < count; ++i)
    {
        running += std::max(0, weights[i]);
        if (running > r) return i;
    }
    return -1;
}

int BoardModel::FindDishType(const Dish& dish) const
{
    for (size_t i = 0; i < DishTypes.size(); ++i)
    {
        const DishType& t = DishTypes[i];
        if ((t.sizeX == dish.width && t.sizeY == dish.height) || (t.sizeX == dish.height && t.sizeY == dish.width))
            return static_cast<int>(i);
    }
    return 0;
}

int BoardModel::GetDishPrice(const Dish& dish) const
{
    for (const DishType& t : DishTypes)
        if ((t.sizeX == dish.width && t.sizeY == dish.height) || (t.sizeX == dish.height && t.sizeY == dish.width))
            return t.dishCost;
    return 0;
}

int BoardModel::FindPersonById(int id) const
{
    for (size_t i = 0; i < Persons.size(); ++i)
        if (Persons[i]->id == id) return static_cast<int>(i);
    return -1;
}

int BoardModel::FindPersonWithWish(int wish) const
{
    for (size_t i = 0; i < Persons.size(); ++i)
        if (Persons[i]->wish == wish) return static_cast<int>(i);
    return -1;
}

int Person::GetCenterX(const BoardModel& model) const
{
    int x = slotX;
    if (character < 0 || character >= static_cast<int>(model.Characters.size())) return x;
    const PersonAnime& def = *model.Characters[static_cast<size_t>(character)];
    x += def.shiftX;
    if (const PersonFrame* f = def.Frame(state, frame)) x += f->shiftX;
    if (const Image* img = def.FrameImage(state, frame)) x += img->GetWidth() / 2;
    return x;
}

void BoardModel::SpawnHearts(float x, float y, int count)
{
    for (int i = 0; i < count; ++i)
    {
        const int r1 = static_cast<int>(Rand() % 46);
        const int r2 = static_cast<int>(Rand() % 46);
        Effects->Spawn(BoardEffect::Hearts, x + 45 - 2 * r1, y + 45 - 2 * r2, false);
    }
}

void BoardModel::SpawnSparkLine(int x1, int y1, int x2, int y2, int frames)
{
    const float d =
        Distance(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2), static_cast<float>(y2));
    if (d < 150.0f && frames < 20) return;
    const int n = static_cast<int>(d / 10);
    if (n <= 0) return;
    const float amplitude = y2 - y1 > 200 ? 25.0f : 10.0f;
    const int sx = x2 >= x1 ? 1 : -1, sy = y2 >= y1 ? 1 : -1;
    for (int k = 0; k <= n; ++k)
    {
        const int px = x1 + sx * (std::abs(x2 - x1) * k / n);
        const int py = y1 + sy * (k * std::abs(y2 - y1) / n);
        const float x = static_cast<float>(static_cast<int>(px + amplitude * std::sin(3.14159265f * 6 * k / n)));
        Effects->Spawn(BoardEffect::Electro5, x, static_cast<float>(py), true);
    }
}

// The customer-type weights for the next arrivals: the level's weights over usable types only (a type whose
// animation could not be loaded never comes), and never the type of the last customer in line.
static void ArrivalWeights(const BoardModel& m, int* weights)
{
    std::copy(std::begin(m.PersonWeights), std::end(m.PersonWeights), weights);
    for (int i = 0; i < BoardModel::kNumCharacters; ++i)
        if (i >= static_cast<int>(m.Characters.size()) || !m.Characters[i]->IsUsable()) weights[i] = 0;
    if (!m.Persons.empty())
    {
        const int last = m.Persons.back()->character;
        if (last >= 0 && last < BoardModel::kNumCharacters) weights[last] = 0;
    }
}

// A new customer of the type at the end of the line, at its queue place.
static Person& JoinQueue(BoardModel& m, int character)
{
    const int qi = static_cast<int>(m.Persons.size());
    auto person = std::make_unique<Person>(qi, ++m.PersonsCreated);
    person->character = character;
    person->queueIndex = qi;
    person->slotX = (qi * 5 - 25) * 2;
    person->slotY = (4 - qi) * 100;
    m.Persons.push_back(std::move(person));
    return *m.Persons.back();
}

void BoardModel::SpawnPerson()
{
    for (const auto& p : Persons)
        if (p->slotY < (4 - p->queueIndex) * 100) return;
    int weights[kNumCharacters];
    ArrivalWeights(*this, weights);
    const int character = WeightedRandomIndex(weights, kNumCharacters);
    // A level with no customer type or no pizza size to order brings no customer at all.
    if (character < 0) return;
    int dishIndex = -1;
    if (LevelKind == 0)
    {
        dishIndex = WeightedRandomIndex(DishWeights.data(), std::min<int>(16, static_cast<int>(DishWeights.size())));
        if (dishIndex < 0) return;
    }
    const int qi = static_cast<int>(Persons.size());
    Person& p = JoinQueue(*this, character);
    SpawnCounter = 0;
    if (LevelKind == 0)
    {
        Dishes.push_back(std::make_unique<Dish>(qi, p.id));
        Dish& d = *Dishes.back();
        d.width = dishIndex / 4 + 2;
        d.height = dishIndex % 4 + 2;
        d.dishType = FindDishType(d);
        d.SetPosition(*this, static_cast<float>(ShelfX), static_cast<float>(ShelfY - ShelfStep * qi));
        d.shelfX = ShelfX;
        p.priceText = MoneyText(Text(TXT_MONEY_SIGN), GetDishPrice(d));
    }
    else if (LevelKind == 3)
    {
        std::vector<int> objectWeights(LevelObjects.size(), 0);
        for (size_t i = 0; i < LevelObjects.size(); ++i)
        {
            const LevelObject& o = *LevelObjects[i];
            objectWeights[i] = (!o.Found() && !o.isMoney && !o.isLight) ? 10 : 0;
        }
        for (const auto& other : Persons)
            if (other.get() != &p && other->huntItem >= 0 && other->huntItem < static_cast<int>(objectWeights.size()))
                objectWeights[other->huntItem] = 0;
        if (WeightedRandomIndex(objectWeights) < 0)
        {
            Persons.pop_back();
            return;
        }
        p.huntItem = WeightedRandomIndex(objectWeights);
    }
    App.PlaySample(BoardSound::NewPerson);
}

void BoardModel::DeliverOrders()
{
    for (auto& pp : Persons)
    {
        Person& p = *pp;
        if (p.state == 2 || p.wish != -1) continue;
        bool skip = false;
        long long sum = 0;
        int pizzas = 0;
        for (auto& d : Dishes)
        {
            if (d->customerId != p.id) continue;
            if (p.targetMood > p.mood || !d->ready || d->packStep < 4)
            {
                skip = true;
                break;
            }
            p.awaitingOrder = false;
            sum += GetDishPrice(*d);
            if (d->itemKind == -1) ++pizzas;
            d->sent = true;
            d->MoveTo(d->x, d->y, d->x, d->y - 20, 20, -1);
        }
        // A customer held back by a later dish is paid, and its pizzas counted, on a later call only.
        if (skip) continue;
        // The tally's dish count takes the pizzas here; the extra items are counted when they reach the customer.
        FoodServedCount += pizzas;
        sum = std::clamp<long long>(sum, 0, std::numeric_limits<int>::max() / 2);
        p.paid = true;
        p.money = static_cast<int>(sum);
        p.tip = p.mood > 30.0f ? static_cast<int>(p.mood * static_cast<float>(sum / 2) / 100.0f) : 0;
        p.money = SaturatingAdd(p.money, p.tip);
        p.moneyText = MoneyText(Text(TXT_MONEY_SIGN), sum);
        if (p.tip != 0) p.moneyText += " + " + MoneyText(Text(TXT_MONEY_SIGN), p.tip);
        p.SetState(*this, 2);
    }
    DeliveryPending = false;
}

void BoardModel::PersonPays(Person& person)
{
    AddMoney(person.money);
    TipTotal = SaturatingAdd(TipTotal, person.tip);
    if (LevelKind == 0)
    {
        const BoardImageSize m = App.ImageSize(BoardImage::Money);
        FloatingLabel& pic = AddLabel(BoardImage::Money, static_cast<float>(ShelfX - m.width / 2),
                                      static_cast<float>(ShelfY + person.slotY - m.height / 2 - 400), 0.0f, -0.2f, 150);
        pic.verticalSteps = 50;
        FloatingLabel& text =
            AddLabel(BoardImage::None, static_cast<float>(ShelfX),
                     static_cast<float>(ShelfY + person.slotY - m.height / 2 - 395), 0.0f, -0.2f, 200);
        text.text = person.moneyText;
        text.font = FontDefault;
        text.alpha = 0;
        text.fadeInStep = 10;
        text.verticalSteps = 50;
        App.PlaySample(BoardSound::GetMoney);
    }
    else if (LevelKind == 1)
    {
        if (!InlayPaidSound) App.PlaySample(BoardSound::GetMoney);
        InlayPaidSound = true;
    }
}

void BoardModel::ServePerson(Dish& dish)
{
    const int who = FindPersonById(dish.customerId);
    if (who < 0) return;
    Person& p = *Persons[who];
    if (dish.itemKind == 3)
    {
        p.targetMood = 100.0f;
    }
    else
    {
        p.wish = -1;
        p.wishUnderWay = false;
        const int taste = UpgradeValue(FoodTasteUpgrades, Player().upgrades[PlayerProfile::UpgradeFoodTaste]);
        const int price = UpgradeValue(FoodPriceUpgrades, Player().upgrades[PlayerProfile::UpgradeFoodPrice]);
        p.targetMood = std::min(100.0f, p.mood + static_cast<float>(taste));
        AddMoney(price);
        if (LevelKind == 0)
        {
            FloatingLabel& l = AddLabel(BoardImage::None, static_cast<float>(p.GetCenterX(*this)),
                                        static_cast<float>(p.slotY + 100), 0.0f, -0.2f, 200);
            l.text = MoneyText(Text(TXT_MONEY_SIGN), price) + " + " + std::to_string(taste) + " :-)";
            l.font = FontDefaultBlue;
            l.verticalSteps = 50;
            App.PlaySample(BoardSound::PersonGotFood);
        }
        ++FoodServedCount;
    }
    SpawnHearts(static_cast<float>(p.GetCenterX(*this)), static_cast<float>(p.slotY + 120), 9);
}

void BoardModel::UpdateInlay()
{
    if (InlayStage >= kInlayStages || InlayStage < 0 || TimeLeft <= 0) return;
    LevelEnding = false;
    for (int c = 0; c < kMaxColumns; ++c)
        for (int r = 0; r < kMaxRows; ++r)
        {
            if (LevelMask[InlayStage][c][r] == 1)
            {
                CellState[c][r] = 1;
                CellAlpha[c][r] = 0;
            }
            else
            {
                CellState[c][r] = 0;
            }
        }
    int weights[kNumCharacters];
    ArrivalWeights(*this, weights);
    for (const InlayOrder& order : InlayOrders[InlayStage])
    {
        if (order.pizza == -1) continue;
        const int character = WeightedRandomIndex(weights, kNumCharacters);
        if (character < 0) continue;
        const int qi = static_cast<int>(Persons.size());
        Person& person = JoinQueue(*this, character);
        person.wish = order.snack >= 0 && order.snack <= 2 ? order.snack : -1;
        const int id = person.id;
        // An order naming no dish type brings the customer with its wish only.
        if (order.pizza < 0 || order.pizza >= static_cast<int>(DishTypes.size())) continue;
        Dishes.push_back(std::make_unique<Dish>(qi, id));
        Dish& d = *Dishes.back();
        d.width = DishTypes[order.pizza].sizeX;
        d.height = DishTypes[order.pizza].sizeY;
        d.dishType = FindDishType(d);
        d.SetPosition(*this, static_cast<float>(ShelfX), static_cast<float>(ShelfY - ShelfStep * qi));
        d.shelfX = ShelfX;
    }
    ++InlayStage;
    InlayPaidSound = false;
    App.PlaySample(BoardSound::NewPerson);
}

} // namespace Zest
