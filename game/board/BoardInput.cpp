// Pointer and key input on the play field: what lies under the mouse, selecting, swiping and swapping pieces,
// taking, turning and dropping dishes, taking special pieces, the devices, the PixelHunt picture clicks and the
// cursor shape.
#include <algorithm>
#include <cmath>
#include <utility>

#include "game/board/BoardModel.h"
#include "game/core/PlayerProfile.h"
#include "graphics/Image.h"

namespace Zest
{

namespace
{
constexpr int kKeySpace = 32;
constexpr int kPressHold = 30; // a press held this many updates drops the dish where it is released
} // namespace

void BoardModel::UpdateMarker(int x, int y)
{
    const int K = CellSize;
    if (x >= GridX && x < GridX + Columns * K && y >= GridY && y < GridY + Rows * K)
    {
        if (HeldSlot != -1)
        {
            // An item is held by its top-left cell: take the cell half a cell left of and below the mouse.
            MarkerColumn = (x - K / 2 - GridX) / K;
            MarkerRow = Rows - (y + K / 2 - GridY) / K - 1;
        }
        else
        {
            MarkerColumn = (x - GridX) / K;
            MarkerRow = Rows - (y - GridY) / K - 1;
        }
    }
    else
    {
        MarkerColumn = -1;
    }
}

bool BoardModel::HoverPieceAt(int x, int y)
{
    if (HoverPiece && !HoverPiece->HitTest(x, y)) HoverPiece = nullptr;
    for (auto& column : Grid)
        for (auto& p : column)
            if (p->HitTest(x, y))
            {
                HoverPiece = p.get();
                return true;
            }
    return false;
}

void BoardModel::KeyDown(int key)
{
    if (key != kKeySpace || !App.InputWidgetHasFocus() || DraggedDish || HeldSlot != -1) return;
    for (auto& d : Dishes)
        if (!d->cooking && !d->ready && !d->IsSliding())
        {
            DraggedDish = HoverDish = d.get();
            d->SetPosition(*this, static_cast<float>(App.LastMouseX()), static_cast<float>(App.LastMouseY()));
            d->held = true;
            return;
        }
}

void BoardModel::MouseMove(int x, int y)
{
    App.SetLastMouse(x, y);
    HoverStockSlot = -1;
    const auto hoverPerson = [&]
    {
        if (HoverPerson && !HitPerson(*HoverPerson, x, y)) HoverPerson = nullptr;
        for (auto& p : Persons)
            if (HitPerson(*p, x, y))
            {
                HoverPerson = p.get();
                break;
            }
    };
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
        const float fx = static_cast<float>(x), fy = static_cast<float>(y);
        if (MarkedItem &&
            (MarkedItem->Found() || Distance(fx, fy, MarkedItem->x, MarkedItem->y) > 0.5f * size(*MarkedItem)))
            MarkedItem = nullptr;
        for (auto& o : LevelObjects)
            if (!o->Found() && Distance(fx, fy, o->x, o->y) < 0.5f * size(*o)) MarkedItem = o.get();
        hoverPerson();
        return;
    }
    UpdateMarker(x, y);
    if (DraggedDish)
    {
        DraggedDish->SetPosition(*this, static_cast<float>(x), static_cast<float>(y));
        UpdateDishDropCells(*DraggedDish);
        return;
    }
    if (!CupDragged && !MarkerOn && LevelKind == 0)
        for (int k = 0; k < 3; ++k)
            if (x >= StockSlotPos[k][0] && x < StockSlotPos[k][0] + 35 && y >= StockSlotPos[k][1] &&
                y < StockSlotPos[k][1] + 35)
            {
                HoverStockSlot = k;
                return;
            }
    if (HoverDish && !HoverDish->HitTest(*this, x, y)) HoverDish = nullptr;
    for (auto& d : Dishes)
        if (d->HitTest(*this, x, y))
        {
            HoverDish = d.get();
            break;
        }
    if (HoverPieceAt(x, y)) return;
    hoverPerson();
}

bool BoardModel::HitPerson(Person& p, int x, int y) const
{
    if (p.gone)
    {
        p.hover = false;
        return false;
    }
    p.hover = (x >= p.slotX && x < p.slotX + 140 && y >= p.slotY && y < p.slotY + 200) ||
              Distance(static_cast<float>(x), static_cast<float>(y), static_cast<float>(ShelfX),
                       static_cast<float>(p.slotY + 100)) < 48.0f;
    return p.hover;
}

void BoardModel::MouseDrag(int x, int y)
{
    App.SetLastMouse(x, y);
    // The hints about a carried dish let it follow the hand; every other hint holds the field still.
    if (HintId != -1 && !(DraggedDish && IsCarryHint(HintId))) return;
    if (DraggedDish)
    {
        DraggedDish->SetPosition(*this, static_cast<float>(x), static_cast<float>(y));
        UpdateDishDropCells(*DraggedDish);
        return;
    }
    if (LevelKind == 3) return;
    UpdateMarker(x, y);
    HoverPieceAt(x, y);
    // The swipe: from the selected piece onto an orthogonal neighbour, both at rest.
    if (SelectedPiece && HoverPiece && SelectedPiece != HoverPiece && SelectedPiece->atRest && HoverPiece->atRest)
    {
        const Topping& a = *SelectedPiece;
        const Topping& b = *HoverPiece;
        const bool neighbours = (a.column == b.column && std::abs(a.row - b.row) == 1) ||
                                (a.row == b.row && std::abs(a.column - b.column) == 1);
        if (neighbours) TrySwap();
    }
}

void BoardModel::SendDishBack(Dish& d)
{
    d.MoveTo(d.x, d.y, static_cast<float>(d.shelfX), static_cast<float>(ShelfY - ShelfStep * d.shelfIndex), 25, 1500);
    if (d.width < d.height) std::swap(d.width, d.height);
    d.held = false;
    d.ClearPairs();
    if (DraggedDish == &d) DraggedDish = nullptr;
}

bool BoardModel::DropDraggedDish()
{
    Dish& d = *DraggedDish;
    if (PlaceDish(d))
    {
        d.held = false;
        DraggedDish = nullptr;
        App.PlaySample(BoardSound::PutPizza);
        IdleFrames = 0;
        HintPiece = nullptr;
        return true;
    }
    SendDishBack(d);
    return false;
}

void BoardModel::MouseDown(int x, int y, int clickCount)
{
    // A press is taken where it happens, even when no move reported that point first (scripted input).
    MouseMove(x, y);
    if (LevelKind == 3)
    {
        if (MarkedItem && !MarkedItem->Found()) CollectLevelObject(*MarkedItem);
        return;
    }
    if (LevelKind == 0 && LevelEnding) return;
    if (clickCount == -1)
    {
        if (!DraggedDish) return;
        std::swap(DraggedDish->width, DraggedDish->height);
        DraggedDish->SetPosition(*this, static_cast<float>(x), static_cast<float>(y));
        MouseMove(x, y);
        if (HintId == 19) App.HideHint(), HintId = -1;
        return;
    }
    if (clickCount != 1) return;
    PressActive = true;
    PressFrames = 0;
    if (HintId != -1 && !CheckHintAction(x, y)) return;
    if (GiveCoffee(x, y) || ClickDish(x, y) || ClickAkkum(x, y)) return;
    if (MarkerOn && MarkerColumn != -1 && MarkerRow != -1 && IsCellInPlay(MarkerColumn, MarkerRow) &&
        !IsCellUnderDish(MarkerColumn, MarkerRow))
    {
        RepairCell(MarkerColumn, MarkerRow);
        return;
    }
    if (!DraggedDish)
    {
        Dish* d = HoverDish;
        if (d && !d->ready && (!d->cooking || (LevelKind == 1 && !LevelEnding)))
        {
            DraggedDish = d;
            d->SetPosition(*this, static_cast<float>(x), static_cast<float>(y));
            d->held = true;
            d->cooking = false;
            d->ready = false;
            d->ClearPairs();
            if (d->itemKind != -1 && LevelKind == 1)
            {
                HeldSlot = d->itemKind;
                CarriedItemCustomer = d->customerId;
                HeldSlotActive = false;
            }
            App.PlaySample(BoardSound::TakePizza);
        }
    }
    else
    {
        DropDraggedDish();
    }
    Topping* p = HoverPiece;
    if (p && !IsCellUnderDish(p->column, p->row))
    {
        if (p->isIceCream)
        {
            TakeIceCream(x, y);
            p->removing = true;
            p->removalDelay = 0;
            HoverPiece = nullptr;
            return;
        }
        if (p->isRepairTool)
        {
            p->removing = true;
            p->removalDelay = 0;
            MarkerOn = true;
            return;
        }
        if (p->isAkkumCharge)
        {
            TakeChargePiece(*p);
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
            return;
        }
        if (SelectedPiece != p)
        {
            if (SelectedPiece->atRest && p->atRest) TrySwap();
            return;
        }
    }
    SelectedPiece = nullptr;
}

void BoardModel::MouseUp(int x, int y, int clickCount)
{
    App.SetLastMouse(x, y);
    if (clickCount != 1) return;
    const int n = PressFrames;
    PressFrames = 0;
    // A short click leaves a taken dish on the mouse; the next click puts it down.
    if (n < kPressHold) return;
    PressActive = false;
    if (!DraggedDish) return;
    if (HeldSlot != -1)
    {
        ClickDish(x, y);
        return;
    }
    const int hint = HintId;
    const bool placed = DropDraggedDish();
    // The release ends the drag and the hint about it: the dish lies where it was dropped or went back to its
    // bubble, and nothing is left hanging on the cursor. A dish that did not fit brings the drop lesson back at
    // the next pick-up.
    if (hint != -1 && IsCarryHint(hint))
    {
        if (hint == 2 && !placed) Player().hintsShown[2] = 0;
        App.HideHint();
        HintId = -1;
    }
}

void BoardModel::MouseWheel()
{
    if (!DraggedDish) return;
    const int x = App.LastMouseX(), y = App.LastMouseY();
    std::swap(DraggedDish->width, DraggedDish->height);
    DraggedDish->SetPosition(*this, static_cast<float>(x), static_cast<float>(y));
    MouseMove(x, y);
    if (HintId == 19) App.HideHint(), HintId = -1;
}

void BoardModel::UpdateCursor(int x, int y)
{
    const int level = PlayerLevel();
    bool hand = false;
    if (HoverDish && !HoverDish->cooking)
        hand = true;
    else if (HoverStockSlot != -1)
        hand = true;
    else if (HoverPerson && (CupDragged || HoverPerson->paid))
        hand = true;
    else
    {
        const BoardImageSize akkum = App.ImageSize(BoardImage::Akkum);
        const BoardImageSize coffee = App.ImageSize(BoardImage::CoffeeMachine);
        if (level >= AkkumEnableLevel && LevelKind == 0 && AkkumCharge >= AkkumChargeScale && x >= AkkumX &&
            x < AkkumX + akkum.width && y >= AkkumY && y < AkkumY + akkum.height)
            hand = true;
        else if (level >= CoffeeEnableLevel && CoffeeCapacity > 0 && CoffeeFill >= CoffeeCapacity && LevelKind == 0 &&
                 x >= 270 && x < 270 + coffee.width && y >= 460 && y < 460 + coffee.height && !CupDragged &&
                 !DraggedDish)
            hand = true;
        else if (!CupDragged && !DraggedDish && HeldSlot == -1)
            for (const auto& p : Persons)
                if (p->wish != -1 && !p->wishUnderWay && x >= ShelfX - 67 && x < ShelfX - 32 && y >= p->slotY + 75 &&
                    y < p->slotY + 110)
                {
                    hand = true;
                    break;
                }
    }
    Cursor = hand ? 1 : 0;
    App.SetCursor(Cursor);
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
