// The topping grid: swaps and swap-back, the run search, removal and refill, lightning, ice cream and bombs, the
// move search and the rebuild of a stuck grid.
#include <algorithm>
#include <cmath>

#include "base/Random.h"
#include "game/board/BoardModel.h"
#include "game/core/LngTable.h"
#include "game/core/PlayerProfile.h"
#include "game/core/TextIds.h"

namespace Zest
{

namespace
{

// Kinds of the level-1 start pattern, one string per row from row 0; column c is the digit at 7 - c.
const char* const kStartPattern[8] = {"01234103", "14023240", "30402003", "02121230",
                                      "03212021", "14013102", "11240310", "23031400"};

bool SameRunKind(const Topping* p, int kind)
{
    return p && !p->IsExcluded() && p->kind == kind;
}

} // namespace

void BoardModel::RenumberGrid()
{
    for (size_t c = 0; c < Grid.size(); ++c)
        for (size_t r = 0; r < Grid[c].size(); ++r)
        {
            Topping& p = *Grid[c][r];
            p.row = static_cast<int>(r);
            p.column = static_cast<int>(c);
            p.restY = (Rows - static_cast<int>(r) - 1) * CellSize + CellSize / 2 + GridY;
        }
}

bool BoardModel::HasRunThrough(const Topping* p) const
{
    if (!p || p->IsExcluded()) return false;
    const int c = p->column, r = p->row;
    int vertical = 1;
    for (int i = r + 1; SameRunKind(PieceAt(c, i), p->kind); ++i) ++vertical;
    for (int i = r - 1; i >= 0 && SameRunKind(PieceAt(c, i), p->kind); --i) ++vertical;
    int horizontal = 1;
    for (int i = c + 1; i < Columns && SameRunKind(PieceAt(i, r), p->kind); ++i) ++horizontal;
    for (int i = c - 1; i >= 0 && SameRunKind(PieceAt(i, r), p->kind); --i) ++horizontal;
    return vertical >= 3 || horizontal >= 3;
}

bool BoardModel::TrySwap()
{
    Topping* a = HoverPiece;
    Topping* b = SelectedPiece;
    if (!a || !b) return false;
    const auto inRecord = [this](const Topping* p) { return p && (p == SwapFirst.piece || p == SwapSecond.piece); };
    if (inRecord(a) || inRecord(b)) return false;
    RenumberGrid();
    const bool neighbours = (a->row == b->row && std::abs(a->column - b->column) == 1) ||
                            (a->column == b->column && std::abs(a->row - b->row) == 1);
    if (!neighbours)
    {
        SelectedPiece = HoverPiece;
        return false;
    }
    HintPiece = nullptr;
    SwapFirst = {a, static_cast<int>(a->x), static_cast<int>(a->y), a->column, a->row};
    SwapSecond = {b, static_cast<int>(b->x), static_cast<int>(b->y), b->column, b->row};
    a->MoveTo(15, a->x, a->y, b->x, b->y);
    b->MoveTo(15, b->x, b->y, a->x, a->y);
    std::swap(Grid[a->column][a->row], Grid[b->column][b->row]);
    HoverPiece = nullptr;
    SelectedPiece = nullptr;
    RenumberGrid();
    MatchPending = true;
    App.PlaySample(BoardSound::Move);
    return true;
}

bool BoardModel::CheckSwap()
{
    Topping* pieces[2] = {SwapFirst.piece, SwapSecond.piece};
    // Vertical through A, vertical through B, then horizontal through each.
    for (int pass = 0; pass < 2; ++pass)
        for (Topping* p : pieces)
        {
            if (!p || p->IsExcluded()) continue;
            const int c = p->column, r = p->row;
            int n = 1;
            if (pass == 0)
            {
                for (int i = r + 1; SameRunKind(PieceAt(c, i), p->kind); ++i) ++n;
                for (int i = r - 1; i >= 0 && SameRunKind(PieceAt(c, i), p->kind); --i) ++n;
            }
            else
            {
                for (int i = c + 1; i < Columns && SameRunKind(PieceAt(i, r), p->kind); ++i) ++n;
                for (int i = c - 1; i >= 0 && SameRunKind(PieceAt(i, r), p->kind); --i) ++n;
            }
            if (n >= 3) return true;
        }
    return false;
}

void BoardModel::SwapBack()
{
    if (!SwapFirst.piece || !SwapSecond.piece) return;
    for (SwapRecord* rec : {&SwapFirst, &SwapSecond})
    {
        Topping* p = rec->piece;
        p->MoveTo(15, p->x, p->y, static_cast<float>(rec->x), static_cast<float>(rec->y));
    }
    // Put each piece back into its recorded slot by finding where it is now.
    Topping* a = SwapFirst.piece;
    Topping* b = SwapSecond.piece;
    auto& slotA = Grid[SwapFirst.column][SwapFirst.row];
    auto& slotB = Grid[SwapSecond.column][SwapSecond.row];
    if (slotA.get() == b && slotB.get() == a) std::swap(slotA, slotB);
    SwapFirst.piece = nullptr;
    SwapSecond.piece = nullptr;
    RenumberGrid();
    App.PlaySample(BoardSound::Move);
}

bool BoardModel::IsGridIdle() const
{
    for (const auto& col : Grid)
        for (const auto& p : col)
            if (!p->atRest) return false;
    return true;
}

bool BoardModel::FindMatches()
{
    if (PendingIceCream) SpawnIceCream(PendingIceCreamX, PendingIceCreamY);
    bool found = false;
    int labelX = 0, labelY = 0;
    bool iceCreamFound = false;
    int iceX = 0, iceY = 0;
    const int cell = CellSize;

    // Marks one finding of n pieces starting at (c, r) and running along (dc, dr).
    const auto markFinding = [&](int c, int r, int dc, int dr, int n, bool horizontal)
    {
        for (int k = 0; k < n; ++k)
        {
            const int pc = c + dc * k, pr = r + dr * k;
            Topping& p = *Grid[pc][pr];
            if (!Settling)
            {
                p.removing = true;
                p.removalDelay = 50;
                p.runLength = std::max(p.runLength, n);
                const bool underDish = IsCellUnderDish(pc, pr);
                if (p.runLength >= 3 && !underDish) Effects->Spawn(BoardEffect::Collaps, p.x, p.y, true);
                if (k == 0 && p.runLength == 4 && (horizontal || !underDish))
                    p.lightningDirection = horizontal ? 1 : -1;
            }
            else
            {
                p.removing = true;
                p.removalDelay = 0;
            }
            if (static_cast<int>(Rand() % 1000) < BreakPlate)
                CellState[pc][pr] = -1;
            else if (CellState[pc][pr] != -1)
                CellState[pc][pr] = 1;
        }
        ++ChainCount;
        found = true;
        const Topping& first = *Grid[c][r];
        if (!horizontal)
        {
            labelX = static_cast<int>(first.x);
            labelY = static_cast<int>(first.y) - (cell * (n - 1)) / 2 + 20;
            if (n >= 5)
            {
                iceCreamFound = true;
                iceX = static_cast<int>(first.x);
                iceY = static_cast<int>(first.y) - (cell * (n - 1)) / 2;
            }
        }
        else
        {
            labelX = static_cast<int>(first.x) + (cell * (n - 1)) / 2;
            labelY = static_cast<int>(first.y);
            if (n >= 5)
            {
                iceCreamFound = true;
                iceX = static_cast<int>(first.x) + (cell * (n - 1)) / 2;
                iceY = static_cast<int>(first.y) + 20;
            }
        }
    };

    const int columns = std::min(Columns, static_cast<int>(Grid.size()));
    for (int c = 0; c < columns; ++c)
    {
        const int rows = static_cast<int>(Grid[c].size());
        for (int r = 0; r < rows; ++r)
        {
            const Topping* start = Grid[c][r].get();
            if (start->IsExcluded()) continue;
            int n = 1;
            while (r + n < rows && SameRunKind(Grid[c][r + n].get(), start->kind)) ++n;
            if (n >= 3) markFinding(c, r, 0, 1, n, false);
        }
    }
    for (int r = 0; r < Rows; ++r)
        for (int c = 0; c < columns; ++c)
        {
            const Topping* start = PieceAt(c, r);
            if (!start || start->IsExcluded()) continue;
            int n = 1;
            while (c + n < columns && SameRunKind(PieceAt(c + n, r), start->kind)) ++n;
            if (n >= 3) markFinding(c, r, 1, 0, n, true);
        }

    if (!found)
    {
        if (ChainCount > 1) AddMoney(ChainCount - 1);
        ChainCount = 0;
        if (RememberedChain > 4 && PlayerLevel() > 2)
        {
            SpawnBomb(RememberedChainX, RememberedChainY);
            RememberedChain = 0;
        }
        return false;
    }
    if (!Settling && ChainCount > 1)
    {
        const int rise = std::min(labelY - 60, 60);
        for (int i = 0; i < 2; ++i)
        {
            FloatingLabel& l = AddLabel(BoardImage::None, static_cast<float>(labelX),
                                        static_cast<float>(labelY + 25 * i), 0.0f, -1.0f, 150);
            l.text = i == 0 ? Text(TXT_CHAIN_BONUS) : MoneyText(Text(TXT_MONEY_SIGN), ChainCount - 1);
            l.font = FontTest;
            l.startDelay = 50;
            l.alpha = 0;
            l.verticalSteps = rise;
            l.onTop = true;
        }
        if (ChainCount >= 4)
        {
            RememberedChain = ChainCount;
            RememberedChainX = labelX;
            RememberedChainY = labelY;
        }
        else
        {
            RememberedChain = 0;
        }
    }
    if (iceCreamFound && !Settling && PlayerLevel() > 2)
    {
        PendingIceCream = true;
        PendingIceCreamX = iceX;
        PendingIceCreamY = iceY;
    }
    return true;
}

void BoardModel::UpdateGrid()
{
    const int level = PlayerLevel();
    if (!Settling)
    {
        bool lightningDue = false;
        for (size_t c = 0; c < Grid.size(); ++c)
            for (size_t r = 0; r < Grid[c].size(); ++r)
            {
                Topping& p = *Grid[c][r];
                if (!p.removing || p.removalDelay != 0) continue;
                if (p.carriesLightning)
                {
                    FireLightning(p.column, p.row, 0);
                    p.carriesLightning = false;
                    lightningDue = true;
                }
                if (p.bomb > 0)
                {
                    ExplodeBomb(p);
                    p.bomb = 0;
                }
                if (p.runLength == 4 && !IsCellUnderDish(p.column, p.row) && level > 3)
                {
                    Effects->Spawn(BoardEffect::Collaps2, p.x, p.y, true);
                    if (p.lightningDirection != 0)
                    {
                        FireLightning(p.column, p.row, p.lightningDirection);
                        p.lightningDirection = 0;
                        lightningDue = true;
                        const PlayerProfile& player = Player();
                        // No hint comes up under a carried dish or cup: it waits for another lightning.
                        if (!player.noHints && !LevelEnding && player.hintsShown[11] == 0 && HintId == -1 &&
                            !DraggedDish && !CupDragged)
                        {
                            const bool low = p.y >= 400;
                            App.ShowHint(static_cast<int>(p.x), static_cast<int>(p.y + (low ? -20 : 20)), low ? 0 : 1,
                                         Text(TXT_LIGHTNING_TOPPING_MATCH_CLEAR));
                            Player().hintsShown[11] = 1;
                            HintId = 11;
                        }
                    }
                }
            }
        if (lightningDue) App.PlaySample(BoardSound::Lighting);
    }

    // A swapped piece that a lightning or a bomb took while it slid comes to rest nowhere, and every removal waits
    // on the swap: the swap is dropped instead, so that its piece and all the others can go.
    const auto taken = [](const Topping* p) { return p && p->removing && p->removalDelay <= 0; };
    if (taken(SwapFirst.piece) || taken(SwapSecond.piece)) SwapFirst.piece = SwapSecond.piece = nullptr;
    if (SwapFirst.piece || SwapSecond.piece) return;

    bool deleted = false;
    bool chargeDue = false, repairDue = false;
    int soundLength = 0;
    for (auto& col : Grid)
        for (size_t r = 0; r < col.size();)
        {
            Topping* p = col[r].get();
            if (!p->removing || p->removalDelay != 0)
            {
                ++r;
                continue;
            }
            if (HoverPiece == p) HoverPiece = nullptr;
            if (SelectedPiece == p) SelectedPiece = nullptr;
            if (HintPiece == p) HintPiece = nullptr;
            if (!Settling)
            {
                if (level >= AkkumEnableLevel && AkkumCharge < AkkumChargeScale && p->runLength >= 3)
                {
                    if (++ChargePieceCounter > ChargePieceInterval)
                    {
                        ChargePieceCounter = 0;
                        chargeDue = true;
                        if (level > 40) ChargePieceInterval += 5;
                    }
                }
                // A machine without capacity (no upgrade data) never fills.
                if (level >= CoffeeEnableLevel && p->runLength >= 3 && CoffeeCapacity > 0)
                {
                    if (++CoffeeFill > CoffeeCapacity)
                    {
                        if (!CoffeeReadyAnnounced) App.PlaySample(BoardSound::CoffeeReady);
                        CoffeeReadyAnnounced = 1;
                        CoffeeFill = CoffeeCapacity;
                    }
                }
                if (++RepairCounter > RepairInterval)
                {
                    bool broken = false;
                    for (int cc = 0; cc < Columns; ++cc)
                        for (int rr = 0; rr < Rows; ++rr) broken = broken || CellState[cc][rr] == -1;
                    if (broken)
                    {
                        repairDue = true;
                        RepairCounter = 0;
                    }
                }
                if (p->runLength >= 3) soundLength = std::max(soundLength, p->runLength);
            }
            col.erase(col.begin() + static_cast<std::ptrdiff_t>(r));
            deleted = true;
        }

    if (deleted)
    {
        for (size_t c = 0; c < Grid.size(); ++c)
        {
            auto& col = Grid[c];
            for (int k = 1; static_cast<int>(col.size()) < Rows; ++k)
            {
                auto piece = std::make_unique<Topping>();
                if (static_cast<int>(Rand() % 1000) < LightWeight)
                {
                    piece->carriesLightning = true;
                    piece->effect = PieceEffect::Lightning;
                }
                piece->kind = NewPieceKind();
                piece->SetPosition(static_cast<float>(GridX + static_cast<int>(c) * CellSize + CellSize / 2),
                                   static_cast<float>(GridY - k * CellSize + CellSize / 2));
                col.push_back(std::move(piece));
            }
        }
        RenumberGrid();
    }
    const auto makeSpecial = [this](bool repair)
    {
        const int c = static_cast<int>(Rand() % static_cast<uint32_t>(std::max(1, Columns)));
        const int r = static_cast<int>(Rand() % static_cast<uint32_t>(std::max(1, Rows)));
        Topping* p = PieceAt(c, r);
        if (!p) return;
        p->isAkkumCharge = !repair;
        p->isRepairTool = repair;
        p->carriesLightning = false;
        p->isIceCream = false;
        p->bomb = 0;
        p->kind = -1;
        p->effect = PieceEffect::None;
    };
    if (chargeDue) makeSpecial(false);
    if (repairDue) makeSpecial(true);
    if (soundLength > 0)
    {
        if (soundLength == 3 || level <= 3)
            App.PlaySample(BoardSound::Match);
        else
            App.PlaySample(soundLength == 4 ? BoardSound::Match4 : BoardSound::Match5);
    }
}

void BoardModel::FireLightning(int column, int row, int direction)
{
    const int cell = CellSize;
    const auto jitter = [] { return 0.1f * static_cast<float>(2 - static_cast<int>(Rand() % 5)); };
    if (direction >= 0)
        for (int i = 0; i < Columns; ++i)
        {
            for (float off : {0.25f, 0.75f})
            {
                const float y = GridY + ((Rows - row - 1) + 0.5f + jitter()) * cell;
                Effects->Spawn(BoardEffect::Electro1, GridX + (i + off) * cell, y, true);
            }
            if (IsCellInPlay(i, row) && CellState[i][row] == 0) CellState[i][row] = 1;
        }
    if (direction <= 0)
        for (int j = 0; j < Rows; ++j)
        {
            if (IsCellInPlay(column, j) && CellState[column][j] == 0) CellState[column][j] = 1;
            for (float off : {0.25f, 0.75f})
            {
                const float x = GridX + (column + 0.5f + jitter()) * cell;
                Effects->Spawn(BoardEffect::Electro1, x, GridY + ((Rows - j - 1) + off) * cell, true);
            }
        }
    for (auto& col : Grid)
        for (auto& p : col)
        {
            if (p->removing) continue;
            if ((direction <= 0 && p->column == column) || (direction >= 0 && p->row == row))
            {
                p->removing = true;
                p->removalDelay = 25;
            }
        }
}

void BoardModel::SpawnIceCream(int x, int y)
{
    PendingIceCream = false;
    if (Settling) return;
    for (auto& col : Grid)
        for (auto& p : col)
            if (p->HitTest(x, y))
            {
                p->isIceCream = true;
                p->kind = -1;
                p->bomb = 0;
                p->isAkkumCharge = p->isRepairTool = p->carriesLightning = false;
                p->effect = PieceEffect::Drink;
                Effects->Spawn(BoardEffect::DrinkAppear, p->x, p->y, true);
                App.PlaySample(BoardSound::AppearIceCream);
                return;
            }
}

void BoardModel::SpawnBomb(int x, int y)
{
    if (Settling) return;
    for (auto& col : Grid)
        for (auto& p : col)
            if (p->HitTest(x, y))
            {
                p->bomb = 2;
                p->kind = -1;
                p->isIceCream = p->isAkkumCharge = p->isRepairTool = p->carriesLightning = false;
                p->effect = PieceEffect::BombFire;
                Effects->Spawn(BoardEffect::DrinkAppear, p->x, p->y, true);
                App.PlaySample(BoardSound::AppearBomb);
                return;
            }
}

void BoardModel::ExplodeBomb(Topping& bomb)
{
    if (IsCellInPlay(bomb.column, bomb.row) && CellState[bomb.column][bomb.row] != -1)
        CellState[bomb.column][bomb.row] = 1;
    Effects->Spawn(BoardEffect::Electro3, bomb.x, bomb.y, true);
    const float reach = static_cast<float>(bomb.bomb * CellSize + CellSize / 2);
    for (auto& col : Grid)
        for (auto& p : col)
        {
            if (p->removing || Distance(p->x, p->y, bomb.x, bomb.y) >= reach) continue;
            p->removing = true;
            p->removalDelay = 50;
            if (IsCellInPlay(p->column, p->row) && CellState[p->column][p->row] != -1) CellState[p->column][p->row] = 1;
            Effects->Spawn(BoardEffect::Electro3, p->x, p->y, true);
        }
    App.PlaySample(BoardSound::Bomb);
}

void BoardModel::SetHintPiece(int column, int row, int toColumn, int toRow)
{
    HintPiece = PieceAt(column, row);
    if (!HintPiece) return;
    HintPiece->hintDx = toColumn - column;
    HintPiece->hintDy = row - toRow;
}

bool BoardModel::HasMove()
{
    const int columns = std::min(Columns, static_cast<int>(Grid.size()));
    bool coveredMove = false;
    // Pieces of `kind` walking from (c, r) by (dc, dr) until the first that does not match.
    const auto countLine = [this](int kind, int c, int r, int dc, int dr)
    {
        int n = 0;
        for (Topping* q = PieceAt(c, r); q && q->kind == kind && !q->IsExcluded(); q = PieceAt(c, r))
        {
            ++n;
            c += dc;
            r += dr;
        }
        return n;
    };
    for (int c = 0; c < columns; ++c)
        for (int r = 0; r < static_cast<int>(Grid[c].size()); ++r)
        {
            const Topping& p = *Grid[c][r];
            if (p.isAkkumCharge || p.isRepairTool) continue;
            const int k = p.kind;
            struct Move
            {
                int dc, dr;
            };
            static const Move kMoves[4] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
            for (const Move& m : kMoves)
            {
                const int tc = c + m.dc, tr = r + m.dr;
                if (!IsCellInPlay(tc, tr) || !PieceAt(tc, tr)) continue;
                const int along = 1 + countLine(k, tc + m.dc, tr + m.dr, m.dc, m.dr);
                int across;
                if (m.dc == 0)
                    across = 1 + countLine(k, tc - 1, tr, -1, 0) + countLine(k, tc + 1, tr, 1, 0);
                else
                    across = 1 + countLine(k, tc, tr - 1, 0, -1) + countLine(k, tc, tr + 1, 0, 1);
                if (along < 3 && across < 3) continue;
                if (!IsCellUnderDish(c, r) && !IsCellUnderDish(tc, tr))
                {
                    SetHintPiece(c, r, tc, tr);
                    return true;
                }
                coveredMove = true;
            }
        }
    return coveredMove;
}

void BoardModel::RegenerateGrid()
{
    if (LevelKind != 0) return;
    ResetLevel();
    SpawnCounter = 500;
    for (auto& col : CellState)
        for (int& s : col) s = 0;
    SettleGrid();
}

void BoardModel::ApplyStartPattern()
{
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c)
        {
            Topping* p = PieceAt(c, r);
            if (p) p->kind = kStartPattern[r][7 - c] - '0';
        }
}

} // namespace Zest
