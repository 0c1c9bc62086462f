// Per-update rules of the play field's records: slides, falling pieces, cooking dishes, customers and labels.
#include "game/board/BoardRecords.h"

#include <algorithm>
#include <cmath>

#include "base/Random.h"
#include "game/board/BoardModel.h"
#include "graphics/Image.h"

namespace Zest
{

bool Mover::StepSlide()
{
    if (moveDelay > 0)
    {
        --moveDelay;
        return false;
    }
    if (moveFrames <= 0) return false;
    const int n = --moveFrames;
    if (n == 0)
    {
        x = targetX;
        y = targetY;
        return true;
    }
    pathX += (targetX - pathX) / static_cast<float>(n);
    pathY += (targetY - pathY) / static_cast<float>(n);
    x = pathX;
    y = pathY;
    return false;
}

void Topping::SetPosition(float px, float py)
{
    x = px;
    y = py;
    restY = static_cast<int>(py);
    if (IsSliding())
    {
        targetX = px;
        targetY = py;
    }
}

void Topping::MoveTo(int frames, float fromX, float fromY, float toX, float toY)
{
    moveFrames = frames;
    pathX = fromX;
    pathY = fromY;
    targetX = toX;
    targetY = toY;
    moveDelay = 0;
}

void Topping::Update(BoardModel& model)
{
    if (removing)
    {
        if (removalDelay <= 0) return;
        --removalDelay;
    }
    bool slideEnded = false;
    if (IsSliding() || moveDelay > 0)
    {
        slideEnded = StepSlide();
        if (isAkkumCharge && IsSliding() && model.App.UpdateCount() % 10 == 0)
            model.SpawnSparkLine(static_cast<int>(x), static_cast<int>(y), static_cast<int>(targetX),
                                 static_cast<int>(targetY), moveFrames);
    }
    if (!slideEnded)
    {
        const float rest = static_cast<float>(restY);
        if (!IsSliding() && y < rest)
        {
            fallSpeed += fallAcceleration;
            y += fallSpeed;
        }
        if (y >= rest || IsSliding()) fallSpeed = 0;
        if (!IsSliding() && y > rest)
        {
            y = rest;
            fallSpeed = 0;
        }
    }
    if (y == static_cast<float>(restY) && !IsSliding())
    {
        if (!atRest)
        {
            fallSpeed = 0;
            atRest = true;
            model.MatchPending = true;
        }
    }
    else
    {
        atRest = false;
    }
}

bool Topping::HitTest(int px, int py)
{
    if (removing || IsSliding())
    {
        hover = false;
        return false;
    }
    const int left = static_cast<int>(x - 24);
    const int top = static_cast<int>(y - 24);
    hover = px >= left && px < left + 48 && py >= top && py < top + 48;
    return hover;
}

void Dish::SetPosition(const BoardModel& model, float px, float py)
{
    x = px;
    y = py;
    if (IsSliding())
    {
        targetX = px;
        targetY = py;
    }
    shelfY = static_cast<float>(model.ShelfY - model.ShelfStep * shelfIndex);
}

void Dish::MoveTo(float fromX, float fromY, float toX, float toY, int frames, int speed)
{
    pathX = fromX;
    pathY = fromY;
    targetX = toX;
    targetY = toY;
    moveDelay = 0;
    moveFrames = frames;
    if (speed != -1 && speed != 0)
        moveFrames = static_cast<int>(Distance(fromX, fromY, toX, toY) * 100.0f / static_cast<float>(speed));
}

bool Dish::FindPair(int c, int r) const
{
    return std::find(cells.begin(), cells.end(), std::make_pair(c, r)) != cells.end();
}

void Dish::Update(BoardModel& model)
{
    const int frame = model.App.UpdateCount();
    const int cell = model.CellSize;
    if (IsSliding() || moveDelay > 0)
    {
        if (StepSlide())
        {
            if (sent)
            {
                delivered = true;
                if (itemKind != -1) model.ServePerson(*this);
            }
            if (ready && itemKind != -1) model.DeliveryPending = true;
            return;
        }
        if (ready && Distance(x, y, targetX, targetY) > 30.0f)
        {
            const bool due = model.LevelKind == 0 || (model.LevelKind == 1 && frame % 4 == 0) ||
                             (model.LevelKind == 3 && frame % 3 == 0);
            if (due)
            {
                const int r1 = static_cast<int>(Rand() % 40);
                const int r2 = static_cast<int>(Rand() % 40);
                model.Effects->Spawn(BoardEffect::Star, x + r1 - 20, y + r2 - 10, true);
            }
        }
    }
    if (cooking && (model.LevelKind == 0 || model.LevelEnding))
    {
        --cookLeft;
        const int w = std::clamp(width, 1, 5), h = std::clamp(height, 1, 5);
        if (cookLeft > 0)
        {
            if (frame % (70 - w * h) == 0)
            {
                const int i = static_cast<int>(Rand() % static_cast<uint32_t>(w));
                const int j = static_cast<int>(Rand() % static_cast<uint32_t>(h));
                model.Effects->Spawn(BoardEffect::Fog, x - w * cell / 2.0f + cell * i + cell / 2,
                                     y - h * cell / 2.0f + cell * j + cell / 2, false);
            }
        }
        else
        {
            cooking = false;
            if (itemKind == -1)
            {
                MoveTo(x, y, static_cast<float>(shelfX),
                       static_cast<float>(model.ShelfY - model.ShelfStep * shelfIndex), 0, 1000);
            }
            else
            {
                int who = model.FindPersonById(customerId);
                if (who < 0 || model.Persons[who]->wish != itemKind) who = model.FindPersonWithWish(itemKind);
                if (who < 0)
                {
                    delivered = true;
                    if (itemKind >= 0 && itemKind < 3) ++model.StockCount[itemKind];
                }
                else
                {
                    sent = true;
                    customerId = model.Persons[who]->id;
                    MoveTo(x, y, static_cast<float>(model.ShelfX), static_cast<float>(model.Persons[who]->slotY + 100),
                           0, 1000);
                }
            }
            for (const auto& [c, r] : cells)
                if (model.IsCellInPlay(c, r)) model.CellState[c][r] = 0;
            cells.clear();
            ready = true;
            model.App.PlaySample(BoardSound::PizzaReady);
            for (int i = 0; i < w; ++i)
                for (int j = 0; j < h; ++j)
                {
                    const int r1 = static_cast<int>(Rand() % 20);
                    const int r2 = static_cast<int>(Rand() % 20);
                    model.Effects->Spawn(BoardEffect::Fog, x - w * cell / 2.0f + cell * i + cell / 2 + r1 - 15,
                                         y - h * cell / 2.0f + cell * j + cell / 2 + r2 - 15, false);
                }
        }
    }
    if (shelfSlide > 0)
    {
        model.Rehover = true;
        --shelfSlide;
        const float rowY = static_cast<float>(model.ShelfY - model.ShelfStep * shelfIndex);
        if (shelfSlide == 0)
            shelfY = rowY;
        else
            shelfY += (rowY - shelfY) / static_cast<float>(shelfSlide);
    }
    if (ready && packStep < 4 && !IsSliding() && frame % 6 == 0)
    {
        if (++packStep == 4)
        {
            model.DeliveryPending = true;
            for (auto& p : model.Persons)
                if (p->id == customerId) p->awaitingOrder = false;
        }
    }
}

bool Dish::HitTest(const BoardModel& model, int px, int py)
{
    const int cell = model.CellSize;
    int w = width * cell, h = height * cell;
    if (!held && (!cooking || model.LevelKind == 1))
    {
        // Waiting on the shelf, an order is only as large as its small picture: the full footprint of a large
        // pizza would reach over the neighbouring shelf rows and take another customer's order.
        if (itemKind == -1)
        {
            const int big = std::clamp(std::max(width, height), 2, 5),
                      small = std::clamp(std::min(width, height), 2, 5);
            const Image* pic = model.SmallPizzaImages[static_cast<size_t>((big - 2) * 4 + (small - 2))].get();
            w = pic ? pic->GetWidth() : 0;
            h = pic ? pic->GetHeight() : 0;
        }
        if (Distance(static_cast<float>(px), static_cast<float>(py), x, y) < 48.0f)
        {
            hover = true;
            return true;
        }
    }
    hover = false;
    if (IsSliding() && !ready) return false;
    const int left = static_cast<int>(x - w / 2), top = static_cast<int>(y - h / 2);
    hover = px >= left && px < left + w && py >= top && py < top + h;
    return hover;
}

bool PersonAnime::IsUsable() const
{
    if (animes.size() < 3) return false;
    for (const auto& a : animes)
    {
        if (a.empty()) return false;
        for (const auto& f : a)
            if (f.img < 0 || f.img >= static_cast<int>(imageNames.size())) return false;
    }
    return true;
}

PersonAnime::PersonAnime() = default;
PersonAnime::~PersonAnime() = default;

void PersonAnime::LoadImages(BoardHost& app)
{
    if (imagesLoaded) return;
    images.clear();
    for (const std::string& name : imageNames) images.push_back(app.LoadImage(name));
    imagesLoaded = true;
}

void PersonAnime::FreeImages()
{
    while (!images.empty()) images.pop_back();
    images.shrink_to_fit();
    imagesLoaded = false;
}

const PersonFrame* PersonAnime::Frame(int state, int frame) const
{
    if (state < 0 || state >= static_cast<int>(animes.size())) return nullptr;
    const auto& frames = animes[static_cast<size_t>(state)];
    if (frame < 0 || frame >= static_cast<int>(frames.size())) return nullptr;
    return &frames[static_cast<size_t>(frame)];
}

Image* PersonAnime::FrameImage(int state, int frame) const
{
    const PersonFrame* f = Frame(state, frame);
    if (!f || f->img < 0 || f->img >= static_cast<int>(images.size())) return nullptr;
    return images[static_cast<size_t>(f->img)].get();
}

void Person::SetState(BoardModel& model, int s)
{
    const bool known = character >= 0 && character < static_cast<int>(model.Characters.size()) &&
                       s < static_cast<int>(model.Characters[character]->animes.size());
    if (!known || s < 0) return;
    state = s;
    frame = 0;
    if (s == 2)
    {
        wish = -1;
        model.PersonPays(*this);
    }
}

void Person::Update(BoardModel& model)
{
    const PersonAnime* def = character >= 0 && character < static_cast<int>(model.Characters.size())
                                 ? model.Characters[character].get()
                                 : nullptr;
    // 1. Frame advance; the rules tied to the wrap follow it.
    if (def && state < static_cast<int>(def->animes.size()) && !def->animes[state].empty())
    {
        const auto& anime = def->animes[state];
        if (frame >= static_cast<int>(anime.size())) frame = 0;
        ++frameTick;
        if (frameTick > anime[frame].time)
        {
            frameTick = 0;
            if (++frame >= static_cast<int>(anime.size()))
            {
                frame = 0;
                if (state == 2 && !leaving)
                {
                    leaving = true;
                    gone = true;
                    fade = 100;
                }
                else if (mood < 35.0f && !leaving)
                {
                    SetState(model, 1);
                }
            }
            else if (state == 0 && mood < 35.0f && !leaving)
            {
                SetState(model, 1);
            }
        }
    }
    // 2. Attention cycle.
    if (state == 1 || attention)
    {
        ++angryCounter;
        const bool on = angryCounter % 800 < 100;
        if (on && !attention) model.App.PlaySample(BoardSound::PersonAngry);
        attention = on;
    }
    else
    {
        angryCounter = 0;
        attention = false;
    }
    // 3. Mood.
    if (state != 2)
    {
        if (targetMood <= mood)
        {
            const bool held = model.LevelKind == 1 && model.TimeLeft >= 1;
            if (!held)
            {
                const int downTime = def && def->moodDownTime > 0 ? def->moodDownTime : 60;
                const float before = mood;
                mood -= 1.0f / static_cast<float>(downTime);
                if (mood < 0) gone = true;
                if (before > 35.0f && mood <= 35.0f)
                {
                    model.App.PlaySample(BoardSound::PersonAngry);
                    attention = true;
                    angryCounter = 0;
                }
            }
        }
        else
        {
            mood += 1.0f;
            if (mood >= targetMood)
            {
                mood = targetMood;
                targetMood = -1.0f;
                model.DeliveryPending = true;
            }
            if (mood > 30.0f && state == 1)
            {
                state = 0;
                frame = 0;
                attention = false;
                angryCounter = 0;
            }
        }
    }
    // 4. Wish.
    if (wish == -1 && !leaving)
    {
        ++wishCounter;
        if (wishCounter > 1000 && model.FoodWantsTimeCheck > 0 &&
            model.App.UpdateCount() % model.FoodWantsTimeCheck == 0)
        {
            if (static_cast<int>(Rand() % 1000) < model.FoodWantsProb)
            {
                wish = static_cast<int>(Rand() % 3);
                model.App.PlaySample(BoardSound::PersonWantFood);
            }
        }
    }
    // 5. Fade.
    if (gone && fade > 0) --fade;
    // 6. Walk up to the place in the queue; the order follows on the shelf.
    const int targetY = (4 - queueIndex) * 100;
    if (slotY < targetY)
    {
        slotY = std::min(slotY + 15, targetY);
        model.Rehover = true;
        for (auto& d : model.Dishes)
            if (d->customerId == id && !d->cooking)
            {
                const float sy = static_cast<float>(model.ShelfY - 400 + slotY);
                d->SetPosition(model, static_cast<float>(d->shelfX), sy);
                d->shelfY = sy;
            }
    }
    // 7. Slide left to the resting x.
    const int targetX = (queueIndex - 5) * 10;
    if (slotX > targetX) slotX = std::max(slotX - 2, targetX);
}

void FloatingLabel::Update(int updateCount)
{
    if (startDelay > 0)
    {
        --startDelay;
        return;
    }
    if (physics)
    {
        UpdatePhysics();
    }
    else if (bounce)
    {
        UpdateBounce();
    }
    else
    {
        x += vx;
        if (verticalSteps == -1)
        {
            y += vy;
        }
        else if (verticalSteps > 0)
        {
            y += vy;
            verticalSteps = static_cast<int>(static_cast<float>(verticalSteps) + vy);
        }
    }
    if (animInterval > 0 && cels > 1 && updateCount % animInterval == 0) cel = (cel + 1) % cels;
    ++age;
    if (age >= life) done = true;
    if (life - age < 50)
        alpha = std::max(0, alpha - fadeOutStep);
    else
        alpha = std::min(255, alpha + fadeInStep);
}

} // namespace Zest
