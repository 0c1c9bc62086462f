// Pointer and key input on the play field: what lies under the mouse, selecting and swapping pieces, taking
// special pieces, and the PixelHunt picture clicks. Dish dragging and cursor shapes build on these handlers.
#include <algorithm>
#include <cmath>

#include "game/board/BoardModel.h"
#include "graphics/Image.h"

namespace Zest
{

void BoardModel::KeyDown(int key)
{
    (void)key;
}

void BoardModel::MouseMove(int x, int y)
{
    HoverPiece = nullptr;
    if (LevelKind == 0)
        for (auto& col : Grid)
            for (auto& p : col)
                if (p->HitTest(x, y)) HoverPiece = p.get();
    HoverPerson = nullptr;
    for (auto& p : Persons)
    {
        p->hover = !p->leaving && x >= p->slotX && x < p->slotX + 140 && y >= p->slotY && y < p->slotY + 200;
        if (p->hover) HoverPerson = p.get();
    }
    if (LevelKind == 3)
    {
        // Mirrored pictures have negative scales; their size on screen is still positive.
        const auto size = [this](const LevelObject& o)
        {
            int w = 0, h = 0;
            if (o.image)
                w = o.image->GetWidth(), h = o.image->GetHeight();
            else
            {
                const BoardImageSize money = App.ImageSize(o.isLight ? BoardImage::LightOn : BoardImage::Money);
                w = money.width, h = money.height;
            }
            return std::max(w * std::fabs(o.w), h * std::fabs(o.h));
        };
        const auto near = [&](const LevelObject& o)
        { return !o.Found() && Distance(static_cast<float>(x), static_cast<float>(y), o.x, o.y) <= 0.5f * size(o); };
        if (MarkedItem && !near(*MarkedItem)) MarkedItem = nullptr;
        for (auto& o : LevelObjects)
            if (near(*o) && Distance(static_cast<float>(x), static_cast<float>(y), o->x, o->y) < 0.5f * size(*o))
                MarkedItem = o.get();
    }
}

void BoardModel::MouseDown(int x, int y, int clickCount)
{
    (void)clickCount;
    MouseMove(x, y);
    if (LevelKind == 3)
    {
        if (MarkedItem) CollectLevelObject(*MarkedItem);
        return;
    }
    if (ClickAkkum(x, y) || GiveCoffee(x, y) || ClickDish(x, y)) return;
    if (MarkerOn)
    {
        const int c = static_cast<int>(std::floor(static_cast<double>(x - GridX) / CellSize));
        const int r = Rows - static_cast<int>(std::floor(static_cast<double>(y - GridY) / CellSize)) - 1;
        RepairCell(c, r);
        return;
    }
    Topping* p = HoverPiece;
    if (!p) return;
    if (p->isAkkumCharge)
    {
        TakeChargePiece(*p);
        return;
    }
    if (p->isRepairTool)
    {
        p->removing = true;
        p->removalDelay = 0;
        MarkerOn = true;
        return;
    }
    if (p->isIceCream)
    {
        p->removing = true;
        p->removalDelay = 0;
        TakeIceCream(x, y);
        return;
    }
    if (p->bomb > 0)
    {
        p->removing = true;
        p->removalDelay = 0;
        return;
    }
    if (!SelectedPiece)
    {
        SelectedPiece = p;
        App.PlaySample(BoardSound::Select);
        if (HintId != -1) App.HideHint(), HintId = -1;
    }
    else if (SelectedPiece == p)
    {
        SelectedPiece = nullptr;
    }
    else
    {
        TrySwap();
    }
}

void BoardModel::MouseUp(int x, int y, int clickCount)
{
    (void)x, (void)y, (void)clickCount;
    PressActive = false;
}

void BoardModel::MouseDrag(int x, int y)
{
    MouseMove(x, y);
}

void BoardModel::MouseWheel() {}

void BoardModel::UpdateCursor(int x, int y)
{
    (void)x, (void)y;
}

void BoardModel::CollectLevelObject(LevelObject& object)
{
    if (object.Found()) return;
    if (object.isMoney)
    {
        object.flags |= 1 | 4;
        MarkedItem = nullptr;
        AddMoney(kMoneyObjectValue);
        App.PlaySample(BoardSound::GetMoney);
        return;
    }
    if (object.isLight)
    {
        object.flags |= 1 | 4;
        const BoardImageSize size = App.ImageSize(BoardImage::Akkum);
        SpawnSparkLine(static_cast<int>(object.x), static_cast<int>(object.y), AkkumX + size.width / 2,
                       AkkumY + size.height / 2, 30);
        AkkumCharge = std::min(10, AkkumCharge + 1);
        App.PlaySample(BoardSound::TakeCharge);
        MarkedItem = nullptr;
        return;
    }
    const int index = static_cast<int>(
        std::find_if(LevelObjects.begin(), LevelObjects.end(), [&](const auto& o) { return o.get() == &object; }) -
        LevelObjects.begin());
    for (auto& p : Persons)
    {
        if (p->huntItem != index) continue;
        object.steps = 10;
        object.flags |= 1;
        object.customerId = p->id;
        if (object.w < 0) object.w = -object.w;
        if (object.rot > 360) object.rot = 360 - object.rot;
        if (object.h < 0) object.h = -object.h;
    }
    MarkedItem = nullptr;
}

} // namespace Zest
