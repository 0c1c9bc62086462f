// A player for the headless board: plays the hinted moves, puts every pizza and snack on lit burners, serves
// coffee, fires the Akkum and takes the special pieces; checks the per-update invariants as it goes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "BoardTestHost.h"
#include "game/board/BoardDigest.h"

namespace Zest::Testing
{

// A stand-in whose level-complete window banks the day's money as the real window does when it slides out.
class BankingHost : public RecordingHost
{
public:
    void OpenLevelCompleteWindow() override
    {
        RecordingHost::OpenLevelCompleteWindow();
        player.money += bankOnComplete;
    }
    int bankOnComplete = 0;
};

struct BotReport
{
    std::vector<uint64_t> digests;
    std::vector<std::string> faults;
    int results = 0;
    int moneyChanges = 0;
    int moves = 0, pizzasPlaced = 0, snacksPlaced = 0, coffees = 0, akkumRuns = 0, specials = 0;
    int served = 0, lost = 0, dayProfit = 0, updates = 0;
    bool won = false;
};

// Finds the first block of free lit cells for the dish's footprint (either orientation) and moves the dish there.
inline bool FitDish(const BoardModel& m, Dish& d)
{
    for (int turn = 0; turn < 2; ++turn)
    {
        const int w = turn ? d.height : d.width, h = turn ? d.width : d.height;
        for (int top = m.Rows - 1; top >= h - 1; --top)
            for (int c = 0; c + w <= m.Columns; ++c)
            {
                bool ok = true;
                for (int i = 0; i < w && ok; ++i)
                    for (int j = 0; j < h && ok; ++j)
                        ok = m.CellState[c + i][top - j] >= 1 && !m.IsCellUnderDish(c + i, top - j);
                if (!ok) continue;
                d.width = w;
                d.height = h;
                d.x = static_cast<float>(m.GridX + c * m.CellSize) + w * m.CellSize / 2.0f;
                d.y = static_cast<float>(m.GridY + (m.Rows - 1 - top) * m.CellSize) + h * m.CellSize / 2.0f;
                return true;
            }
    }
    return false;
}

class BoardBot
{
public:
    BoardBot(BankingHost& host, BoardModel& model) : host_(host), m_(model) {}

    // One update of play, then the checks.
    void Step(BotReport& report)
    {
        Act(report);
        const int moneyBefore = host_.player.money;
        ++host_.updateCount;
        m_.Update();
        if (host_.player.money != moneyBefore) ++report.moneyChanges;
        Check(report);
        report.digests.push_back(BoardStateDigest(m_));
        ++report.updates;
    }

    BotReport Play(int maxUpdates, int tail)
    {
        BotReport report;
        int after = -1;
        for (int i = 0; i < maxUpdates && after != 0; ++i)
        {
            host_.bankOnComplete = m_.DayProfit;
            Step(report);
            if (after > 0) --after;
            if (after < 0 && host_.levelCompletes + host_.gameOvers > 0) after = tail;
        }
        report.results = host_.levelCompletes + host_.gameOvers;
        report.won = host_.levelCompletes > 0;
        report.served = m_.ServedCount;
        report.lost = m_.LostCount;
        report.dayProfit = m_.DayProfit;
        return report;
    }

private:
    void Act(BotReport& report)
    {
        // A tutorial hint is read and closed with its OK button.
        if (m_.HintId != -1)
        {
            host_.HideHint();
            m_.HintId = -1;
        }
        if (m_.FreezeCountdown > 0 || m_.ResultShown || m_.LevelKind != 0) return;
        // Special pieces are clicked as soon as they rest.
        for (auto& col : m_.Grid)
            for (auto& p : col)
            {
                if (p->removing || !p->atRest || p->IsSliding()) continue;
                if (p->isAkkumCharge)
                {
                    m_.TakeChargePiece(*p);
                    ++report.specials;
                }
                else if (p->isIceCream && !m_.Persons.empty())
                {
                    p->removing = true;
                    p->removalDelay = 0;
                    m_.TakeIceCream(static_cast<int>(p->x), static_cast<int>(p->y));
                    ++report.specials;
                }
                else if (p->bomb > 0 || p->isRepairTool)
                {
                    p->removing = true;
                    p->removalDelay = 0;
                    if (p->isRepairTool)
                        for (int c = 0; c < m_.Columns; ++c)
                            for (int r = 0; r < m_.Rows; ++r)
                                if (m_.CellState[c][r] == -1 && !m_.IsCellUnderDish(c, r) && p->removing)
                                {
                                    m_.RepairCell(c, r);
                                    c = m_.Columns;
                                    break;
                                }
                    ++report.specials;
                }
            }
        if (m_.AkkumCharge >= m_.AkkumChargeScale && !m_.AkkumRunning && m_.ClickAkkum(m_.AkkumX + 1, m_.AkkumY + 1))
            ++report.akkumRuns;
        // Coffee for the unhappiest customer.
        if (m_.CoffeeCapacity > 0 && m_.CoffeeFill == m_.CoffeeCapacity && !m_.Persons.empty() &&
            m_.GiveCoffee(271, 461))
        {
            Person* low = m_.Persons[0].get();
            for (auto& p : m_.Persons)
                if (p->mood < low->mood) low = p.get();
            m_.HoverPerson = low;
            m_.GiveCoffee(low->slotX + 10, low->slotY + 10);
            m_.HoverPerson = nullptr;
            ++report.coffees;
        }
        // Snack wishes: take from stock or carry to the field.
        for (auto& p : m_.Persons)
        {
            if (p->wish < 0 || p->wishUnderWay || m_.HeldSlot != -1) continue;
            if (!m_.ClickDish(m_.ShelfX - 50, p->slotY + 80)) break;
            if (m_.DraggedDish)
            {
                Dish& d = *m_.DraggedDish;
                if (FitDish(m_, d))
                {
                    host_.mouseX = static_cast<int>(d.x);
                    host_.mouseY = static_cast<int>(d.y);
                    m_.ClickDish(host_.mouseX, host_.mouseY);
                    ++report.snacksPlaced;
                }
                else
                {
                    m_.ClickDish(0, 0); // dropped: the wish can be taken again later
                }
            }
            break;
        }
        // Every waiting pizza goes onto the first free lit block.
        for (auto& d : m_.Dishes)
        {
            if (d->itemKind != -1 || d->cooking || d->ready || d->sent || d->IsSliding()) continue;
            const float x = d->x, y = d->y;
            const int w = d->width, h = d->height;
            if (FitDish(m_, *d) && m_.PlaceDish(*d))
            {
                ++report.pizzasPlaced;
            }
            else
            {
                d->x = x, d->y = y, d->width = w, d->height = h;
            }
        }
        // The hinted move, once the grid is still; after closing time the bot waits for the tally.
        bool removing = false;
        for (const auto& col : m_.Grid)
            for (const auto& p : col) removing = removing || p->removing;
        if (m_.TimeLeft > 0 && m_.HintId == -1 && !m_.MatchPending && !m_.SwapFirst.piece && !removing &&
            m_.IsGridIdle() && m_.IdleFrames % 25 == 5)
        {
            m_.HintPiece = nullptr;
            if (m_.HasMove() && m_.HintPiece)
            {
                Topping* p = m_.HintPiece;
                m_.SelectedPiece = p;
                m_.HoverPiece = m_.PieceAt(p->column + p->hintDx, p->row - p->hintDy);
                if (m_.TrySwap()) ++report.moves;
            }
        }
    }

    void Check(BotReport& report)
    {
        const auto fault = [&](const std::string& what)
        {
            if (report.faults.size() < 20) report.faults.push_back(std::to_string(report.updates) + ": " + what);
        };
        if (m_.LevelKind == 0 && !m_.Grid.empty())
            for (const auto& col : m_.Grid)
            {
                if (static_cast<int>(col.size()) != m_.Rows) fault("column of " + std::to_string(col.size()));
                for (const auto& p : col)
                {
                    const bool special = p->isAkkumCharge || p->isRepairTool || p->bomb || p->isIceCream;
                    // The first lesson's fixed pattern uses five kinds whatever the level file says.
                    const int kinds = std::max(std::clamp(m_.TipsCount, 1, 6), m_.PlayerLevel() == 1 ? 5 : 0);
                    if (special ? p->kind != -1 : (p->kind < 0 || p->kind >= kinds))
                        fault("kind " + std::to_string(p->kind));
                }
            }
        for (int c = 0; c < BoardModel::kMaxColumns; ++c)
            for (int r = 0; r < BoardModel::kMaxRows; ++r)
                if (m_.CellState[c][r] < -1 || m_.CellState[c][r] > 2) fault("cell state");
        if (m_.DayProfit < 0) fault("day profit below 0");
        if (m_.Persons.size() > 4) fault("five customers");
        if (m_.AkkumCharge < 0 || (m_.AkkumCharge > 10 && m_.AkkumChargeScale == 10)) fault("charge");
    }

    BankingHost& host_;
    BoardModel& m_;
};

} // namespace Zest::Testing
