// The play screen painted from the model every frame: no picture is cached, and nothing here changes the model.
#include "game/board/BoardView.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "game/board/BoardModel.h"
#include "game/board/BoardParticles.h"
#include "game/core/GameResources.h"
#include "game/core/LngTable.h"
#include "game/core/PlayerProfile.h"
#include "game/core/TextIds.h"
#include "graphics/Color.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "graphics/Rect.h"
#include "graphics/Transform.h"

namespace Zest
{

namespace
{

constexpr float kPi = 3.14159265358979f;
const Color kWhite(255, 255, 255, 255);

int W(const Image* img)
{
    return img ? img->GetWidth() : 0;
}
int H(const Image* img)
{
    return img ? img->GetHeight() : 0;
}
int CelW(const Image* img)
{
    return img ? img->GetCelWidth() : 0;
}
int Cels(const Image* img)
{
    return img ? img->GetCelColumns() * img->GetCelRows() : 0;
}

// Text centred on x with its baseline at y, in white, with the state restored afterwards.
void DrawCentred(Graphics& g, Font* font, int x, int y, const std::string& text)
{
    if (!font) return;
    g.PushState();
    g.SetFont(font);
    g.SetColor(kWhite);
    g.DrawString(text, x - font->StringWidth(text) / 2, y);
    g.PopState();
}

void DrawTinted(Graphics& g, Image* img, int x, int y, const Color& c)
{
    g.SetColor(c);
    g.SetColorizeImages(true);
    g.DrawImage(img, x, y);
    g.SetColorizeImages(false);
}

Font* LabelFontOf(int font)
{
    switch (font)
    {
    case FontDefault:
        return FONT_DEFAULT;
    case FontDefaultBlue:
        return FONT_DEFAULT_BLUE;
    case FontTest:
        return FONT_TEST;
    case FontButton:
        return FONT_BUTTON;
    case FontButtonSmall:
        return FONT_BUTTON_SMALL;
    default:
        return FONT_DEFAULT;
    }
}

Image* FoodImage(int kind)
{
    Image* const food[4] = {IMAGE_FOOD1, IMAGE_FOOD2, IMAGE_FOOD3, IMAGE_FOOD4};
    return kind >= 0 && kind < 4 ? food[kind] : nullptr;
}

Image* FoodBigImage(int kind)
{
    Image* const food[4] = {IMAGE_FOOD1_BIG, IMAGE_FOOD2_BIG, IMAGE_FOOD3_BIG, IMAGE_FOOD4_BIG};
    return kind >= 0 && kind < 4 ? food[kind] : nullptr;
}

int PizzaIndex(int w, int h)
{
    return std::clamp(w, 2, 5) * 4 - 8 + std::clamp(h, 2, 5) - 2;
}

} // namespace

Image* BoardPicture(BoardImage image)
{
    switch (image)
    {
    case BoardImage::Akkum:
        return IMAGE_AKKUM;
    case BoardImage::CoffeeMachine:
        return IMAGE_COFE_MAC;
    case BoardImage::Money:
        return IMAGE_MONEY;
    case BoardImage::Goal:
        return IMAGE_GOAL;
    case BoardImage::ExpertGoal:
        return IMAGE_EXPERT_GOAL;
    case BoardImage::MonitorSmall:
        return IMAGE_MONITOR_SMALL;
    case BoardImage::Ramka:
        return IMAGE_RAMKA;
    case BoardImage::LightOn:
        return IMAGE_LIGHT_ON;
    default:
        break;
    }
    Image* const pizzerias[6] = {IMAGE_PIZZERIA1, IMAGE_PIZZERIA2, IMAGE_PIZZERIA3,
                                 IMAGE_PIZZERIA4, IMAGE_PIZZERIA5, IMAGE_PIZZERIA6};
    const int k = static_cast<int>(image) - static_cast<int>(BoardImage::Pizzeria1);
    return k >= 0 && k < 6 ? pizzerias[k] : nullptr;
}

BoardView::BoardView(BoardModel& boardModel, BoardParticles* boardParticles)
    : model(boardModel), particles(boardParticles)
{
}

BoardView::~BoardView() = default;

Image* BoardView::FrameImage(const Person& person)
{
    if (person.character < 0 || person.character >= static_cast<int>(model.Characters.size())) return nullptr;
    return model.Characters[static_cast<size_t>(person.character)]->FrameImage(person.state, person.frame);
}

void BoardView::Draw(Graphics& g)
{
    BoardModel& m = model;
    if (m.BackgroundImage) g.DrawImage(m.BackgroundImage.get(), 0, 0);
    if (m.LevelKind == 3)
    {
        DrawPixelHunt(g);
        return;
    }
    DrawGrid(g);
    const int level = m.PlayerLevel();
    if (m.FoodEnableLevel <= level && m.LevelKind == 0)
        for (int k = 0; k < 3; ++k)
        {
            g.DrawImage(FoodImage(k), m.StockSlotPos[k][0], m.StockSlotPos[k][1]);
            if (m.StockCount[k] > 0)
                DrawCentred(g, FONT_DEFAULT_BLUE, m.StockSlotPos[k][0] + 23, 580, std::to_string(m.StockCount[k]));
        }
    for (auto it = m.Persons.rbegin(); it != m.Persons.rend(); ++it) DrawCloud(g, **it);
    for (const auto& d : m.Dishes)
        if (d->moveFrames == 0 && d.get() != m.DraggedDish) DrawDish(g, *d);
    for (const auto& d : m.Dishes)
        if (d->moveFrames != 0 && d.get() != m.DraggedDish) DrawDish(g, *d);
    for (auto it = m.Persons.rbegin(); it != m.Persons.rend(); ++it) DrawPerson(g, **it);
    for (auto it = m.Persons.rbegin(); it != m.Persons.rend(); ++it) DrawSmallCloud(g, **it);
    DrawHud(g);
    if (m.AkkumEnableLevel <= level) DrawAkkum(g);
    if (m.HintPiece) DrawHintArrows(g, *m.HintPiece);
    if (m.CoffeeEnableLevel <= level) DrawCoffee(g);
    if (m.DraggedDish && m.HintId == -1) DrawDish(g, *m.DraggedDish);
}

void BoardView::DrawHud(Graphics& g)
{
    BoardModel& m = model;
    const int f = m.App.UpdateCount();
    // Goal text: the expert goal once the goal is reached.
    if (m.Score < m.Goal)
        DrawCentred(g, FONT_DEFAULT_BLUE, 600, 535, m.Text(TXT_GOAL) + " " + MoneyText(m.Text(TXT_MONEY_SIGN), m.Goal));
    else
        DrawCentred(g, FONT_DEFAULT_BLUE, 600, 535,
                    m.Text(TXT_EXPERT_GOAL) + " " + MoneyText(m.Text(TXT_MONEY_SIGN), m.ExpertGoal));
    // Clock: the last cel when the level has no length at all.
    const int n = Cels(IMAGE_CLOCK);
    int cel = m.TimeTotal > 0 ? n - static_cast<int>(static_cast<long long>(n) * m.TimeLeft / m.TimeTotal) - 1 : n - 1;
    cel = std::clamp(cel, 0, std::max(0, n - 1));
    g.DrawImageCel(IMAGE_CLOCK, 125, 5, cel);
    if (m.TimeLeft <= 0)
        g.DrawImage(IMAGE_CLOSED, 119, 0);
    else if (m.TimeLeft == 1)
        g.DrawImageSubpixel(IMAGE_CLOSED, 119.0f,
                            static_cast<float>(H(IMAGE_CLOSED) * ((f - m.TimeUpFrame) / 100.0 - 1.0)));
    DrawCentred(g, FONT_DEFAULT, 121 + CelW(IMAGE_CLOCK) / 2, 94,
                m.Text(TXT_DAY) + " " + std::to_string(m.PlayerLevel()));
    DrawCentred(g, FONT_BUTTON_SMALL, 600, 575, MoneyText(m.Text(TXT_MONEY_SIGN), m.DayProfit));
}

void BoardView::DrawAkkum(Graphics& g)
{
    BoardModel& m = model;
    const int f = m.App.UpdateCount();
    float dx = 0, dy = 0;
    if (m.AkkumRunning || (m.AkkumCharge >= 10 && (f + 133) % 977 < 150))
    {
        dx = 0.5f * std::sin(f * kPi / 9);
        dy = 0.5f * std::sin(f * kPi / 7);
    }
    Image* body = !m.AkkumRunning && m.AkkumCharge >= 10 && f % 100 > 50 ? IMAGE_AKKUM_READY : IMAGE_AKKUM;
    g.DrawImageSubpixel(body, m.AkkumX + dx, m.AkkumY + dy);
    // The charge shown may exceed the ten lamps after a regeneration or from an old profile.
    const int lamps = std::clamp(m.AkkumCharge, 0, 10);
    for (int i = 0; i < lamps; ++i)
        g.DrawImage(IMAGE_AKKUM_LIGHT, static_cast<int>(m.AkkumLampPos[i][0] + m.AkkumX + dx),
                    static_cast<int>(m.AkkumLampPos[i][1] + m.AkkumY + dy));
    if (m.AkkumRunning)
    {
        const int n = Cels(IMAGE_CLOCK_SMALL);
        const long long t =
            100LL * std::max(1, m.UpgradeValue(m.AkkumWorkTimeUpgrades,
                                               m.Player().upgrades[PlayerProfile::UpgradeAkkumWorkTime]));
        const int cel = std::clamp(static_cast<int>(n - (n - 1) * m.AkkumFramesLeft / t - 1), 0, std::max(0, n - 1));
        g.DrawImageCel(IMAGE_CLOCK_SMALL, m.AkkumX + W(IMAGE_AKKUM) / 2 - CelW(IMAGE_CLOCK_SMALL) / 2 - 5,
                       m.AkkumY + H(IMAGE_AKKUM) / 2 - H(IMAGE_CLOCK_SMALL) / 2 + 5, cel);
    }
}

void BoardView::DrawCoffee(Graphics& g)
{
    BoardModel& m = model;
    const int f = m.App.UpdateCount();
    // A machine without capacity is never full and shows no gauge.
    const bool full = m.CoffeeCapacity > 0 && m.CoffeeFill >= m.CoffeeCapacity;
    float dx = 0, dy = 0;
    if (full && f % 400 < 150 && m.SomeoneAngry)
    {
        dx = 0.5f * std::sin(f * kPi / 9);
        dy = -0.5f * std::sin(f * kPi / 7);
    }
    g.DrawImageSubpixel(full && f % 100 > 50 ? IMAGE_COFE_MAC_READY : IMAGE_COFE_MAC, 270 + dx, 460 + dy);
    if (m.CoffeeCapacity > 0 && IMAGE_COFE_PR)
    {
        const int w = W(IMAGE_COFE_PR), h = H(IMAGE_COFE_PR);
        const int fill = std::clamp(m.CoffeeFill, 0, m.CoffeeCapacity);
        g.SetClipRect(326, 525 + h - static_cast<int>(static_cast<long long>(h) * fill / m.CoffeeCapacity), w, h);
        g.DrawImageSubpixel(IMAGE_COFE_PR, 326 + dx, 525 + dy);
        g.ClearClipRect();
    }
    if (m.CupDragged)
        g.DrawImage(IMAGE_COFE_CUP, m.App.LastMouseX() - W(IMAGE_COFE_CUP) / 2,
                    m.App.LastMouseY() - H(IMAGE_COFE_CUP) / 2);
    else if (full)
        g.DrawImageSubpixel(IMAGE_COFE_CUP, 276 + dx, 555 + dy);
}

void BoardView::DrawGrid(Graphics& g)
{
    BoardModel& m = model;
    const int X = m.GridX, Y = m.GridY, K = m.CellSize, Wd = m.Columns * K;
    const int t = m.FreezeCountdown;
    if (t > 30) return;
    const auto frame = [&](const Color& bars)
    {
        g.DrawImage(IMAGE_RAMKA_LEFT, X - 3, Y - 3);
        g.DrawImage(IMAGE_RAMKA_RIGHT, X + Wd, Y - 3);
        g.SetColorizeImages(false);
        g.SetColor(bars);
        g.FillRect(X, Y - 3, Wd, 3);
        g.FillRect(X, Y + 8 * K, Wd, 3);
    };
    if (t > 0)
    {
        const int a = 255 - t * 255 / 30;
        g.SetColor(Color(255, 255, 255, a));
        g.SetColorizeImages(true);
        for (int c = 0; c < m.Columns; ++c)
            for (int r = 0; r < m.Rows; ++r) g.DrawImage(IMAGE_BURNER_OFF, X + c * K, Y + (m.Rows - 1 - r) * K);
        frame(Color(0, 0, 0, a));
        return;
    }
    const long long T = 100LL * std::max(1, m.UpgradeValue(m.AkkumWorkTimeUpgrades,
                                                           m.Player().upgrades[PlayerProfile::UpgradeAkkumWorkTime]));
    const long long L = m.AkkumFramesLeft;
    for (int c = 0; c < m.Columns; ++c)
        for (int r = 0; r < m.Rows; ++r)
        {
            g.SetColor(Color(0, 0, 0, 255));
            const int s = m.CellState[c][r], a = m.CellAlpha[c][r];
            const int x = X + c * K, y = Y + (m.Rows - 1 - r) * K;
            Image* lit = m.DraggedDish && s == 1 ? IMAGE_BURNER_ONON : IMAGE_BURNER_ON;
            if (s < 0) continue;
            if (s == 1 && a >= 255)
            {
                g.DrawImage(lit, x, y);
                continue;
            }
            int alpha = a;
            if (s == 2)
            {
                alpha = L > T - 100 ? static_cast<int>(T - L + 50)
                                    : static_cast<int>(std::min<double>(static_cast<double>(L),
                                                                        150.0 + 30.0 * std::sin((950 - L) * kPi / 50)));
            }
            g.DrawImage(IMAGE_BURNER_OFF, x, y);
            if (s != 0 || alpha > 0) DrawTinted(g, lit, x, y, Color(255, 255, 255, std::clamp(alpha, 0, 255)));
        }
    g.SetClipRect(X, Y, Wd, m.Rows * K);
    for (const auto& column : m.Grid)
        for (const auto& piece : column)
        {
            DrawTopping(g, *piece);
            if (piece->bomb > 0) g.SetClipRect(X, Y, Wd, m.Rows * K);
        }
    g.ClearClipRect();
    frame(Color(0, 0, 0, 255));
}

void BoardView::DrawTopping(Graphics& g, const Topping& p)
{
    BoardModel& m = model;
    if (p.removing && p.removalDelay <= 0) return;
    const int t = m.App.UpdateCount();
    bool tinted = false;
    if (m.IsCellUnderDish(p.column, p.row))
    {
        g.SetColor(Color(255, 255, 255, 128));
        tinted = true;
    }
    if (p.hover && p.atRest)
    {
        g.SetColor(Color(255, 255, 255, 30));
        g.FillRect(static_cast<int>(p.x - 24), static_cast<int>(p.y - 24), 48, 48);
    }
    ParticleSystem* carried = particles ? particles->Attached(p) : nullptr;
    if (p.carriesLightning && carried) carried->Render(g, accelerated);
    Image* img = nullptr;
    float ox = 0, oy = 0;
    if (p.isAkkumCharge)
        img = IMAGE_LM_ON;
    else if (p.isIceCream)
        img = IMAGE_FOOD4;
    else if (p.bomb > 0)
    {
        img = IMAGE_BOMB;
        g.ClearClipRect();
        if (p.removing || p.hover)
        {
            ox = 0.5f * std::sin(t * kPi / 5);
            oy = 0.5f * std::cos(t * kPi / 7);
        }
    }
    else if (p.IsPlain() && p.kind < 6)
        img = m.ToppingImages[static_cast<size_t>(p.kind)].get();
    if (img)
    {
        g.SetColorizeImages(tinted);
        const int left = static_cast<int>(p.x) - W(img) / 2, top = static_cast<int>(p.y) - H(img) / 2;
        if (ox != 0 || oy != 0)
            g.DrawImageSubpixel(img, left + ox, top + oy);
        else
            g.DrawImage(img, left, top);
    }
    g.SetColorizeImages(false);
    if ((p.isIceCream || p.bomb > 0) && carried && !m.Settling) carried->Render(g, accelerated);
    if (&p == m.SelectedPiece)
        g.DrawImage(IMAGE_SELECT, static_cast<int>(p.x) - W(IMAGE_SELECT) / 2,
                    static_cast<int>(p.y) - H(IMAGE_SELECT) / 2);
}

void BoardView::DrawHintArrows(Graphics& g, const Topping& p)
{
    const float s = 3.0f * std::sin(model.App.UpdateCount() * kPi / 50);
    if ((p.hintDx == -1 || p.hintDx == 1) && p.hintDy == 0)
    {
        const float ex = p.x + 25.0f * p.hintDx;
        const int wL = W(IMAGE_ARROW_LEFT), hL = H(IMAGE_ARROW_LEFT);
        g.DrawImageSubpixel(IMAGE_ARROW_LEFT, ex - wL / 2 + 1 + s, p.y - hL + 3);
        g.DrawImageSubpixel(IMAGE_ARROW_RIGHT, ex - wL / 2 - 1 - s, p.y);
    }
    else if (p.hintDx == 0 && (p.hintDy == -1 || p.hintDy == 1))
    {
        const float ey = p.y + 25.0f * p.hintDy;
        const int wU = W(IMAGE_ARROW_UP), hU = H(IMAGE_ARROW_UP);
        g.DrawImageSubpixel(IMAGE_ARROW_UP, p.x - wU, ey - hU / 2 + 1 + s);
        g.DrawImageSubpixel(IMAGE_ARROW_DOWN, p.x, ey - hU / 2 - 1 - s);
    }
}

void BoardView::DrawFootprint(Graphics& g, const Dish& d, Image* picture, bool turned)
{
    const int K = model.CellSize;
    const int fw = d.width * K, fh = d.height * K;
    const int left = static_cast<int>(d.x) - fw / 2, top = static_cast<int>(d.y) - fh / 2;
    const Color footprint(50, 128, 78, 100);
    if (d.cooking && !d.ready)
    {
        g.SetColor(footprint);
        g.FillRect(left, top, fw, fh);
    }
    if (d.held)
    {
        for (int i = 0; i < d.width; ++i)
            for (int j = 0; j < d.height; ++j)
            {
                g.SetColor(d.FindPair(i, j) ? Color(0, 255, 0, 150) : Color(255, 0, 0, 150));
                g.FillRect(left + i * K, top + j * K, K, K);
            }
        g.SetColor(Color(0, 0, 0, 255));
        for (int i = 0; i < d.width; ++i)
            for (int j = 0; j < d.height; ++j) g.DrawRect(left + i * K, top + j * K, K, K);
    }
    if (!picture) return;
    g.SetColor(d.cooking ? kWhite : Color(255, 255, 255, 100));
    g.SetColorizeImages(!d.cooking);
    if (turned)
        g.DrawImageRotated(picture, left + fw / 2 - W(picture) / 2, top + fh / 2 - H(picture) / 2, kPi / 2);
    else
        g.DrawImage(picture, left, top);
    g.SetColorizeImages(false);
}

void BoardView::DrawPreview(Graphics& g, const Dish& d)
{
    if (d.itemKind == -1)
        DrawFootprint(g, d, model.PizzaImages[static_cast<size_t>(PizzaIndex(d.width, d.height))].get(), false);
    else
        DrawFootprint(g, d, FoodBigImage(d.itemKind), d.width < d.height);
}

void BoardView::DrawDish(Graphics& g, const Dish& d)
{
    if (d.itemKind != -1)
    {
        DrawDishItem(g, d);
        return;
    }
    BoardModel& m = model;
    const int sx = m.ShelfX;
    const int sy = static_cast<int>(d.shelfY);
    if (d.ready && d.packStep > 0)
    {
        Image* const boxes[3] = {IMAGE_BOX2, IMAGE_BOX3, IMAGE_BOX4B};
        if (d.packStep <= 3)
            g.DrawImage(boxes[d.packStep - 1], sx - 135, sy - 50);
        else if (!d.sent)
            g.DrawImage(IMAGE_BOX_READY, sx - 55, sy - 42);
        else if (d.IsSliding())
            DrawTinted(g, IMAGE_BOX_READY, sx - 55, sy - 42, Color(255, 255, 255, std::min(255, 5 * d.moveFrames)));
    }
    const int big = std::max(d.width, d.height), small = std::min(d.width, d.height);
    Image* smallPic = m.SmallPizzaImages[static_cast<size_t>(PizzaIndex(big, small))].get();
    if (smallPic && (d.held || d.cooking || d.IsSliding()))
        DrawTinted(g, smallPic, d.shelfX - W(smallPic) / 2, sy - H(smallPic) / 2, Color(255, 255, 255, 100));
    if (!d.held && !d.cooking)
    {
        if (smallPic && !d.sent && d.packStep < 4)
        {
            const int cx = d.IsSliding() ? static_cast<int>(d.x) : d.shelfX;
            g.DrawImage(smallPic, cx - W(smallPic) / 2, static_cast<int>(d.y) - H(smallPic) / 2);
        }
    }
    else
    {
        DrawFootprint(g, d, m.PizzaImages[static_cast<size_t>(PizzaIndex(d.width, d.height))].get(), false);
    }
    g.SetColorizeImages(false);
    if (d.ready && d.packStep == 3) g.DrawImage(IMAGE_BOX4T, sx - 135, sy - 50);
    if (d.cooking && m.LevelKind == 0)
    {
        const DishType* type = m.TypeOf(d);
        const int n = Cels(IMAGE_CLOCK_SMALL);
        // A dish type without a cooking time shows the finished clock.
        const int cel = type && type->cookingTime > 0
                            ? (n - 1) - static_cast<int>(static_cast<long long>(n - 1) * d.cookLeft / type->cookingTime)
                            : n - 1;
        g.DrawImageCel(IMAGE_CLOCK_SMALL, static_cast<int>(d.x) + 5 - CelW(IMAGE_CLOCK_SMALL) / 2,
                       static_cast<int>(d.y) - 5 - H(IMAGE_CLOCK_SMALL) / 2, std::clamp(cel, 0, std::max(0, n - 1)));
        DrawCentred(g, FONT_DEFAULT_BLUE, d.shelfX, sy + 6, m.Text(TXT_COOKING));
    }
}

void BoardView::DrawDishItem(Graphics& g, const Dish& d)
{
    BoardModel& m = model;
    Image* item = FoodImage(d.itemKind);
    if (!d.held && !d.cooking)
    {
        const int cx = d.IsSliding() ? static_cast<int>(d.x) : d.shelfX;
        const int cy = d.IsSliding() ? static_cast<int>(d.y) : static_cast<int>(d.shelfY);
        g.DrawImage(item, cx - W(item) / 2, cy - H(item) / 2);
        return;
    }
    DrawFootprint(g, d, FoodBigImage(d.itemKind), d.width < d.height);
    if (d.cooking && m.LevelKind == 0 && IMAGE_CLOCK_SMALL)
    {
        const DishType* type = m.TypeOf(d);
        const int n = Cels(IMAGE_CLOCK_SMALL);
        const int cel = type && type->cookingTime > 0
                            ? (n - 1) - static_cast<int>(static_cast<long long>(n - 1) * d.cookLeft / type->cookingTime)
                            : n - 1;
        const int cw = CelW(IMAGE_CLOCK_SMALL), ch = H(IMAGE_CLOCK_SMALL);
        g.DrawImageCel(
            IMAGE_CLOCK_SMALL,
            Rect(static_cast<int>(d.x + 3 - cw / 3.0f), static_cast<int>(d.y - H(item) / 3.0f), 2 * cw / 3, 2 * ch / 3),
            std::clamp(cel, 0, std::max(0, n - 1)));
    }
}

void BoardView::DrawPerson(Graphics& g, const Person& p)
{
    BoardModel& m = model;
    if (p.leaving) return;
    const int t = m.App.UpdateCount();
    Image* img = FrameImage(p);
    int fx = p.slotX, fy = p.slotY;
    if (p.character >= 0 && p.character < static_cast<int>(m.Characters.size()))
    {
        const PersonAnime& def = *m.Characters[static_cast<size_t>(p.character)];
        fx += def.shiftX;
        fy += def.shiftY;
        if (p.state >= 0 && p.state < static_cast<int>(def.animes.size()) && p.frame >= 0 &&
            p.frame < static_cast<int>(def.animes[static_cast<size_t>(p.state)].size()))
        {
            const PersonFrame& fr = def.animes[static_cast<size_t>(p.state)][static_cast<size_t>(p.frame)];
            fx += fr.shiftX;
            fy += fr.shiftY;
        }
    }
    const float shakeX = p.attention ? std::sin(t * kPi / 7) : 0.0f;
    const float shakeY = p.attention ? -std::sin(t * kPi / 13) : 0.0f;
    const auto body = [&]
    {
        if (p.attention)
            g.DrawImageSubpixel(img, fx + shakeX, fy + shakeY);
        else
            g.DrawImage(img, fx, fy);
    };
    if (img)
    {
        body();
        if (p.mood < 35.0f)
        {
            const int c = p.angryCounter % 300;
            if (c < 150)
            {
                const int a = c < 50    ? c * 130 / 50
                              : c < 100 ? 130
                                        : static_cast<int>((1.0f - (c - 100) / 50.0f) * 130);
                g.SetColor(Color(255, 0, 0, a));
                g.SetColorizeImages(true);
                body();
                g.SetColorizeImages(false);
            }
        }
        if (m.HoverPerson == &p && p.hover && (m.CupDragged || m.HeldSlot != -1))
        {
            g.SetColor(Color(0, 255, 0, 90));
            g.SetColorizeImages(true);
            body();
            g.SetColorizeImages(false);
        }
    }
    if (p.state == 2 || p.moodHidden) return;
    Image* face = p.mood < 35.0f ? IMAGE_FACE_BAD : p.mood < 70.0f ? IMAGE_FACE_GOOD : IMAGE_FACE_FINE;
    Image* bar = p.mood < 35.0f ? IMAGE_MOOD_BAD : p.mood < 70.0f ? IMAGE_MOOD_GOOD : IMAGE_MOOD_FINE;
    int mx = m.ShelfX - 83, my = p.slotY + 13;
    if (p.mood < 35.0f && p.attention)
    {
        mx = static_cast<int>(mx + shakeX);
        my = static_cast<int>(my + shakeY);
    }
    g.DrawImage(face, mx, my);
    g.SetClipRect(mx + 31, my, static_cast<int>(std::clamp(p.mood, 0.0f, 100.0f) * 33 / 100), 25);
    g.DrawImage(bar, mx, my);
    g.ClearClipRect();
}

void BoardView::DrawCloud(Graphics& g, const Person& p)
{
    BoardModel& m = model;
    if (p.leaving || !p.awaitingOrder) return;
    const LevelObject* wanted = nullptr;
    if (m.LevelKind == 3)
    {
        if (p.huntItem < 0 || p.huntItem >= static_cast<int>(m.LevelObjects.size())) return;
        wanted = m.LevelObjects[static_cast<size_t>(p.huntItem)].get();
        if (wanted->Done()) return;
    }
    const int cx = m.ShelfX - 2 - W(IMAGE_CLOUDLET) / 2, cy = p.slotY + 80 - H(IMAGE_CLOUDLET) / 2;
    g.DrawImage(IMAGE_CLOUDLET, cx, cy);
    if (m.HoverDish && m.HoverDish->customerId == p.id && !m.HoverDish->held && !m.HoverDish->cooking)
        DrawTinted(g, IMAGE_CLOUDLET, cx, cy, Color(255, 255, 255, 30));
    if (wanted)
    {
        Image* pic = wanted->isMoney ? IMAGE_MONEY : wanted->isLight ? IMAGE_LIGHT_ON : wanted->image.get();
        if (!pic) return;
        Transform half;
        half.Scale(0.5f, 0.5f);
        g.SetColor(Color(255, 255, 255, 120));
        g.SetColorizeImages(true);
        g.DrawImageTransform(pic, half, static_cast<float>(m.ShelfX), static_cast<float>(p.slotY + 75));
        g.SetColorizeImages(false);
    }
}

void BoardView::DrawSmallCloud(Graphics& g, const Person& p)
{
    BoardModel& m = model;
    if (p.leaving || p.state == 2 || p.wish == -1) return;
    const int cx = m.ShelfX - 80, cy = p.slotY + 50;
    g.DrawImage(IMAGE_CLOUDLET_SMALL, cx, cy);
    Image* item = FoodImage(p.wish);
    const int ix = cx + 30 - W(item) / 2, iy = cy + 43 - H(item) / 2;
    if (p.wishUnderWay)
        DrawTinted(g, item, ix, iy, Color(255, 255, 255, 100));
    else
        g.DrawImage(item, ix, iy);
    if (!p.wishUnderWay && !p.awaitingOrder && m.App.UpdateCount() % 100 < 50)
        g.DrawImage(IMAGE_ATTENTION, cx + 30 - W(IMAGE_ATTENTION) / 2, cy + 43 - H(IMAGE_ATTENTION) / 2);
}

void BoardView::DrawPixelHunt(Graphics& g)
{
    BoardModel& m = model;
    const int f = m.App.UpdateCount();
    const auto drawObject = [&](const LevelObject& o, bool fade)
    {
        Image* pic = o.isMoney ? IMAGE_MONEY : o.isLight ? IMAGE_LIGHT_ON : o.image.get();
        if (!pic) return; // a picture that did not load is not drawn
        if (fade)
        {
            const int a = static_cast<int>(255 - m.WaitFirstPerson * 255 / 150 + 25 * std::sin(f * kPi / 10));
            g.SetColor(Color(255, 255, 255, std::clamp(a, 0, 255)));
            g.SetColorizeImages(true);
        }
        if (accelerated)
        {
            Transform tr;
            tr.RotateDeg(static_cast<float>(o.rot));
            tr.Scale(o.w, o.h);
            g.DrawImageTransform(pic, tr, o.x, o.y);
        }
        else
        {
            const int w = static_cast<int>(W(pic) * o.w), h = static_cast<int>(H(pic) * o.h);
            g.DrawImage(pic, static_cast<int>(o.x) - w / 2, static_cast<int>(o.y) - h / 2, w, h);
        }
        g.SetColorizeImages(false);
    };
    for (const auto& o : m.LevelObjects)
    {
        if (o->Found() || m.FreezeCountdown > 0 || m.HintId != -1) continue;
        drawObject(*o, m.WaitFirstPerson > 0);
    }
    for (const auto& o : m.LevelObjects)
        if (o->Found() && !o->Done()) drawObject(*o, false);
    for (auto it = m.Persons.rbegin(); it != m.Persons.rend(); ++it) DrawCloud(g, **it);
    for (auto it = m.Persons.rbegin(); it != m.Persons.rend(); ++it) DrawPerson(g, **it);
    DrawHud(g);
    if (m.AkkumEnableLevel <= m.PlayerLevel()) DrawAkkum(g);
    if (m.CoffeeEnableLevel <= m.PlayerLevel()) DrawCoffee(g);
}

void BoardView::DrawLabel(Graphics& g, const FloatingLabel& l)
{
    if (l.alpha <= 0 || l.startDelay > 0) return;
    if (l.alpha < 255)
    {
        g.SetColor(Color(255, 255, 255, l.alpha));
        g.SetColorizeImages(true);
    }
    if (Image* img = BoardPicture(l.image))
    {
        if (l.cel < 0)
            g.DrawImageSubpixel(img, l.x, l.y);
        else
            g.DrawImageSubpixel(img, l.x, l.y, img->GetCelRect(l.cel));
    }
    if (!l.text.empty())
        if (Font* font = LabelFontOf(l.font))
        {
            g.SetFont(font);
            g.SetColor(Color(255, 255, 255, l.alpha));
            g.DrawString(l.text, static_cast<int>(l.x - font->StringWidth(l.text) / 2),
                         static_cast<int>(l.y - font->GetHeight() / 2));
        }
    g.SetColorizeImages(false);
}

void BoardView::DrawEffects(Graphics& g)
{
    for (const auto& l : model.Labels)
        if (!l->onTop) DrawLabel(g, *l);
    if (particles) particles->Render(g, accelerated);
    // Labels of runs and placed dishes stand in front of the particle effects.
    for (const auto& l : model.Labels)
        if (l->onTop) DrawLabel(g, *l);
}

} // namespace Zest
