// The tutorial hints of the play field: when each shows (once per player), where it points, and which clicks pass
// while it shows.
#include <cmath>
#include <utility>

#include "game/board/BoardModel.h"
#include "game/core/GameResources.h"
#include "game/core/PlayerProfile.h"
#include "graphics/Image.h"

namespace Zest
{

Topping* BoardModel::FindBombPiece() const
{
    for (const auto& column : Grid)
        for (const auto& p : column)
            if (!p->removing && p->bomb > 0) return p.get();
    return nullptr;
}

Topping* BoardModel::FindIceCreamPiece() const
{
    for (const auto& column : Grid)
        for (const auto& p : column)
            if (!p->removing && p->isIceCream) return p.get();
    return nullptr;
}

Topping* BoardModel::FindLightningPiece() const
{
    for (const auto& column : Grid)
        for (const auto& p : column)
            if (!p->removing && p->carriesLightning) return p.get();
    return nullptr;
}

void BoardModel::UpdateHints()
{
    if (HintId != -1 || FreezeCountdown > 0) return;
    PlayerProfile& player = Player();
    auto& seen = player.hintsShown;
    const auto show = [&](int hint, int text, float x, float y, int placement, int ok, int box)
    {
        App.ShowHint(static_cast<int>(x), static_cast<int>(y), placement, Text(text));
        seen[static_cast<size_t>(hint)] = 1;
        HintId = hint;
        App.SetHintControls(ok, box);
    };
    const bool visible = App.HintWindowVisible();
    const bool idle = IsGridIdle();
    const int level = PlayerLevel();
    // While a dish or a cup is carried, only the hints about carrying it come up (2, 7, 13 and 19); every other one
    // waits for the drop, so that no window takes the place of the carried thing under a moving hand.
    const bool carrying = DraggedDish != nullptr || CupDragged;

    // A. Inlay, once per level on level 5, otherwise once per player.
    if (LevelKind == 1 && (seen[23] == 0 || level == 5) && CellAlpha[4][4] == 255 && !InlayHintShown && !carrying)
    {
        show(23, 214, static_cast<float>(GridX + 200), static_cast<float>(GridY + 200), 1, 1, 0);
        InlayHintShown = true;
        return;
    }
    // B. PixelHunt.
    if (LevelKind == 3 && seen[24] == 0 && !carrying)
    {
        show(24, 215, static_cast<float>(GridX + 200), static_cast<float>(GridY + 200), 1, 1, 0);
        return;
    }
    // C.
    if (player.noHints) return;

    const Topping* p44 = PieceAt(4, 4);
    const Topping* p43 = PieceAt(4, 3);
    const auto piecePoint = [&](float& x, float& y)
    {
        x = p44 ? p44->x : 0.0f;
        y = (p43 ? p43->y : 0.0f) + 30.0f;
    };
    Dish* firstDish = Dishes.empty() ? nullptr : Dishes.front().get();
    Person* firstPerson = Persons.empty() ? nullptr : Persons.front().get();
    // D. The first lesson.
    if (level == 1)
    {
        if (carrying)
        {
            if (seen[2] == 0 && visible && firstDish && DraggedDish)
            {
                float px = 0, py = 0;
                piecePoint(px, py);
                show(2, 117, px, py, 1, -1, -1);
            }
            return;
        }
        float px = 0, py = 0;
        piecePoint(px, py);
        if (seen[0] == 0 && idle && p44 && p43)
        {
            SetHintPiece(4, 4, 4, 3);
            SelectedPiece = nullptr;
            HoverPiece = nullptr;
            show(0, 114, px, py, 1, 0, 0);
            return;
        }
        if (seen[22] == 0 && visible && CellAlpha[4][4] == 255 && idle) return show(22, 115, px, py, 1, 1, -1);
        if (seen[1] == 0 && visible && firstDish) return show(1, 116, firstDish->x + 35, firstDish->y - 30, 0, 0, -1);
        if (seen[3] == 0 && visible && firstDish && firstDish->ready && firstDish->packStep == 4)
            return show(3, 118, firstDish->x + 35, firstDish->y - 30, 0, 1, -1);
        if (seen[5] == 0 && visible && firstPerson && firstPerson->gone) return show(5, 122, 600, 510, 2, 1, -1);
        if (seen[20] == 0 && visible && firstPerson && firstPerson->mood < 50.0f)
            return show(20, 164, static_cast<float>(ShelfX - 65), static_cast<float>(firstPerson->slotY + 10), 0, 1,
                        -1);
        if (seen[21] == 0 && visible && TimeLeft == 0 && firstPerson)
            return show(21, 165, static_cast<float>(125 + (IMAGE_CLOCK ? IMAGE_CLOCK->GetCelWidth() : 0) / 2), 100, 1,
                        1, -1);
    }
    // E. The second lesson: snacks.
    else if (level == 2 && !LevelEnding && idle)
    {
        float px = 0, py = 0;
        piecePoint(px, py);
        // The first customer's order is on the shelf only while there is one.
        if (seen[6] == 0 && firstPerson && !firstPerson->leaving && !DraggedDish && firstDish)
        {
            for (const auto& [c, r] : {std::pair{4, 3}, std::pair{4, 4}, std::pair{5, 3}, std::pair{5, 4}})
                if (IsCellInPlay(c, r)) CellAlpha[c][r] = 255, CellState[c][r] = 1;
            firstPerson->wish = 0;
            return show(6, 123, firstDish->x - 35, firstDish->y, 0, 0, 0);
        }
        // The snack lesson speaks of the snack in hand: it comes up while it is carried.
        if (seen[7] == 0 && visible && HeldSlot == 0 && seen[6] == 1) return show(7, 124, px, py, 1, -1, -1);
        if (seen[8] == 0 && visible && seen[7] == 1 && firstPerson && firstPerson->wish == -1 && firstDish && !carrying)
            return show(8, 125, firstDish->x - 35, firstDish->y, 0, 1, -1);
    }
    // F. The coffee lesson.
    else if (level == CoffeeEnableLevel && !LevelEnding && idle)
    {
        const BoardImageSize mac = App.ImageSize(BoardImage::CoffeeMachine);
        if (seen[12] == 0 && firstPerson && !DraggedDish && !CupDragged && CoffeeCapacity > 0 &&
            CoffeeFill >= CoffeeCapacity)
        {
            firstPerson->mood = 35.0f;
            return show(12, 126, static_cast<float>(270 + mac.width / 2), 480, 0, 0, 0);
        }
        if (seen[13] == 0 && visible && seen[12] == 1 && firstPerson && !firstPerson->leaving && CupDragged)
            return show(13, 127, static_cast<float>(ShelfX - 80), static_cast<float>(firstPerson->slotY + 10), 0, 0, 0);
    }
    // G. The Akkum lesson.
    else if (level == AkkumEnableLevel && !LevelEnding && idle)
    {
        const BoardImageSize akkum = App.ImageSize(BoardImage::Akkum);
        const float ax = static_cast<float>(AkkumX + akkum.width / 2), ay = static_cast<float>(AkkumY);
        if (seen[14] == 0 && !DraggedDish && !CupDragged && Persons.size() > 2 && !AkkumRunning)
        {
            AkkumCharge = AkkumChargeScale;
            return show(14, 132, ax, ay, 0, 0, 0);
        }
        if (seen[15] == 0 && visible && seen[14] == 1 && AkkumRunning && firstPerson && !carrying)
            return show(15, 133, static_cast<float>(ShelfX), static_cast<float>(firstPerson->slotY + 20), 0, 1, 1);
        if (seen[16] == 0 && visible && seen[14] == 1 && !DraggedDish && !CupDragged && !AkkumRunning)
            return show(16, 134, ax, ay, 0, 1, 1);
    }
    // H. Customer-type tips and the special pieces, from the third day on.
    if (level <= 2 || LevelEnding || !idle) return;
    if (carrying)
    {
        if (seen[19] == 0 && DraggedDish && DraggedDish->dishType == 1)
            show(19, 161, DraggedDish->x, DraggedDish->y, DraggedDish->y < 400.0f ? 1 : 0, 0, 0);
        return;
    }
    if (!CustomerTipsShown)
        for (int i = 0; i < kNumCharacters; ++i)
            if (PersonWeights[i] == 80)
            {
                CustomerTipsShown = true;
                App.OpenTipWindow(i);
            }
    const auto pieceHint = [&](Topping* p, int hint, int text, int ok, int box)
    {
        // A piece under a placed dish cannot be pointed at: no hint this time.
        if (IsCellUnderDish(p->column, p->row)) return;
        if (p->y < 400.0f)
            show(hint, text, p->x, p->y + 20, 1, ok, box);
        else
            show(hint, text, p->x, p->y - 20, 0, ok, box);
    };
    if (Topping* p = seen[9] == 0 ? FindBombPiece() : nullptr) return pieceHint(p, 9, 159, 0, 0);
    if (Topping* p = seen[10] == 0 ? FindIceCreamPiece() : nullptr) return pieceHint(p, 10, 160, 0, 0);
    if (Topping* p = seen[18] == 0 ? FindLightningPiece() : nullptr) return pieceHint(p, 18, 163, 1, 1);
}

bool BoardModel::CheckHintAction(int x, int y)
{
    const auto hide = [&]
    {
        App.HideHint();
        HintId = -1;
        return true;
    };
    const Person* first = Persons.empty() ? nullptr : Persons.front().get();
    switch (HintId)
    {
    case 0:
    {
        const auto in43or44 = [](const Topping* p) { return p && p->column == 4 && (p->row == 4 || p->row == 3); };
        if (!SelectedPiece && in43or44(HoverPiece)) return true;
        if (SelectedPiece && HoverPiece && SelectedPiece->column == 4 && HoverPiece->column == 4 &&
            ((SelectedPiece->row == 4 && HoverPiece->row == 3) || (SelectedPiece->row == 3 && HoverPiece->row == 4)))
            return hide();
        return false;
    }
    case 1:
        return HoverDish ? hide() : false;
    case 2:
        return DraggedDish && DraggedDish->cells.size() == 4 ? hide() : false;
    case 6:
        if (HoverStockSlot == 0) return hide();
        if (first && first->wish != -1 && x >= ShelfX - 67 && x < ShelfX - 67 + 35 && y >= first->slotY + 75 &&
            y < first->slotY + 75 + 35 && !CupDragged && !DraggedDish && HeldSlot == -1)
            return hide();
        return false;
    case 7:
    {
        const int c = MarkerColumn, r = MarkerRow;
        if (HeldSlotActive || HeldSlot != 0 || c < 0 || r < 0 || c + 1 >= Columns || r + 1 >= Rows) return false;
        return CellState[c][r] > 0 && CellState[c + 1][r] > 0 && CellState[c][r + 1] > 0 && CellState[c + 1][r + 1] > 0
                   ? hide()
                   : false;
    }
    case 12:
    {
        const BoardImageSize mac = App.ImageSize(BoardImage::CoffeeMachine);
        return x >= 270 && x < 270 + mac.width && y >= 460 && y < 460 + mac.height && !CupDragged && !DraggedDish
                   ? hide()
                   : false;
    }
    case 13:
        return first && HoverPerson == first && CupDragged && !DraggedDish ? hide() : false;
    case 14:
    {
        const BoardImageSize a = App.ImageSize(BoardImage::Akkum);
        return AkkumCharge >= AkkumChargeScale && x >= AkkumX && x < AkkumX + a.width && y >= AkkumY &&
                       y < AkkumY + a.height && !CupDragged && !DraggedDish
                   ? hide()
                   : false;
    }
    case 9:
        return HoverPiece && HoverPiece->bomb > 0 ? hide() : false;
    case 10:
        return HoverPiece && HoverPiece->isIceCream ? hide() : false;
    default:
        return false;
    }
}

} // namespace Zest
