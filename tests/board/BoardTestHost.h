// A recording stand-in for the game application behind the play screen, plus grid pictures for board tests.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "base/Random.h"
#include "game/board/BoardHost.h"
#include "game/board/BoardModel.h"
#include "game/core/LngTable.h"
#include "game/core/PlayerProfile.h"
#include "graphics/Image.h"
#include "graphics/MemoryImage.h"

namespace Zest::Testing
{

class RecordingHost : public BoardHost
{
public:
    RecordingHost()
    {

        for (int i = 0; i < 220; ++i) lng.strings.push_back("T" + std::to_string(i));
        player.level = 5;
        // Rules tests play without the tutorial: every hint counts as seen (hint tests clear the table).
        player.hintsShown.fill(1);
    }

    int UpdateCount() const override { return updateCount; }
    PlayerProfile& Player() override { return player; }
    const LngTable& Lng() const override { return lng; }
    void SavePlayers() override { ++saves; }
    void PlaySample(BoardSound sound) override { sounds.push_back(sound); }
    BoardImageSize ImageSize(BoardImage image) const override
    {
        if (image == BoardImage::Akkum) return {90, 60};
        if (image == BoardImage::CoffeeMachine) return {70, 90};
        if (image == BoardImage::Money) return {40, 30};
        if (image == BoardImage::Goal) return {201, 75};
        if (image == BoardImage::ExpertGoal) return {240, 91};
        return {};
    }
    // What the model said about its data files, in order.
    std::vector<std::string> dataProblems;
    void DataFileProblem(const std::string& text) override { dataProblems.push_back(text); }
    std::unique_ptr<Image> LoadImage(const std::string& path) override
    {
        loadedImages.push_back(path);
        const auto it = imageSizes.find(path);
        if (it == imageSizes.end()) return nullptr;
        auto image = std::make_unique<MemoryImage>();
        image->Create(it->second.width, it->second.height);
        return image;
    }
    bool IsMusicPlaying(int track) override { return track == playingTrack; }
    void FadeInMusic(int track) override
    {
        playingTrack = track;
        ++musicStarts;
    }
    void FadeOutAllMusic() override { playingTrack = -1; }
    void StopAllMusic() override { playingTrack = -1; }
    void ShowHint(int x, int y, int placement, const std::string& text) override
    {
        hints.push_back(text);
        (void)x, (void)y, (void)placement;
    }
    void HideHint() override { ++hideHints; }
    void OpenMenuWindow() override { ++menus; }
    void OpenLevelCompleteWindow() override { ++levelCompletes; }
    void OpenGameOverWindow() override { ++gameOvers; }
    void OpenTipWindow(int personType) override { tips.push_back(personType); }
    int PizzeriaIndex(int level) const override { return level <= 10 ? 0 : std::min(5, (level - 11) / 12 + 1); }
    int LastMouseX() const override { return mouseX; }
    int LastMouseY() const override { return mouseY; }
    void SetShiftDown(bool down) override { shift = down; }
    bool IsShiftDown() const override { return shift; }
    bool InputWidgetHasFocus() const override { return inputFocus; }
    bool FadeWidgetHasFocus() const override { return fadeFocus; }

    int Count(BoardSound s) const { return static_cast<int>(std::count(sounds.begin(), sounds.end(), s)); }

    int updateCount = 0;
    PlayerProfile player;
    LngTable lng{false};
    int saves = 0;
    std::vector<BoardSound> sounds;
    std::vector<std::string> loadedImages;
    // Paths that load as blank pictures of the given size (any other path loads nothing).
    std::map<std::string, BoardImageSize> imageSizes;
    int playingTrack = -1;
    int musicStarts = 0;
    std::vector<std::string> hints;
    int hideHints = 0;
    int menus = 0, levelCompletes = 0, gameOvers = 0;
    std::vector<int> tips;
    int mouseX = 0, mouseY = 0;
    bool shift = false;
    bool inputFocus = true;
    bool fadeFocus = false;
};

// Counts the effects the rules start.
class RecordingEffects : public BoardEffects
{
public:
    bool Spawn(BoardEffect effect, float x, float y, bool) override
    {
        if (full) return false;
        spawned.push_back(effect);
        at.emplace_back(x, y);
        return true;
    }
    void KillAll() override {}
    void Update(double) override {}
    int Count(BoardEffect e) const { return static_cast<int>(std::count(spawned.begin(), spawned.end(), e)); }
    std::vector<BoardEffect> spawned;
    std::vector<std::pair<float, float>> at;
    // A full particle manager: nothing starts.
    bool full = false;
};

inline std::string FixtureDir()
{
    return std::string(ZEST_TEST_DATA_DIR) + "/fixtures/";
}

// Lays out a grid from a picture, rows written top to bottom: a digit is a topping kind, 'a'..'f' kinds 0..5
// carrying a lightning, B a bomb, I an ice cream, C an Akkum charge piece, R a repair tool. Every piece is at rest
// in its cell; the column count sets GridX as a level start would.
inline void SetGrid(BoardModel& m, const std::vector<std::string>& picture)
{
    m.ClearLists();
    m.Rows = static_cast<int>(picture.size());
    m.Columns = static_cast<int>(picture[0].size());
    m.GridX = m.Columns == 8 ? 310 : m.Columns == 9 ? 285 : m.Columns == 10 ? 260 : 310;
    for (int c = 0; c < m.Columns; ++c)
    {
        m.Grid.emplace_back();
        for (int r = 0; r < m.Rows; ++r)
        {
            const char ch = picture[m.Rows - 1 - r][c];
            auto p = std::make_unique<Topping>();
            if (ch >= '0' && ch <= '9')
                p->kind = ch - '0';
            else if (ch >= 'a' && ch <= 'f')
                p->kind = ch - 'a', p->carriesLightning = true;
            else
            {
                p->kind = -1;
                p->bomb = ch == 'B' ? 2 : 0;
                p->isIceCream = ch == 'I';
                p->isAkkumCharge = ch == 'C';
                p->isRepairTool = ch == 'R';
            }
            p->SetPosition(static_cast<float>(m.CellCenterX(c)), static_cast<float>(m.CellCenterY(r)));
            p->column = c;
            p->row = r;
            p->atRest = true;
            m.Grid.back().push_back(std::move(p));
        }
    }
    for (auto& col : m.CellState)
        for (int& s : col) s = 0;
    m.MatchPending = false;
}

// The grid as a picture in the same alphabet; '.' marks a piece being removed, '?' a missing cell.
inline std::vector<std::string> GridText(const BoardModel& m)
{
    std::vector<std::string> rows;
    for (int r = m.Rows - 1; r >= 0; --r)
    {
        std::string line;
        for (int c = 0; c < m.Columns; ++c)
        {
            const Topping* p = m.PieceAt(c, r);
            char ch = '?';
            if (p)
            {
                if (p->removing)
                    ch = '.';
                else if (p->bomb)
                    ch = 'B';
                else if (p->isIceCream)
                    ch = 'I';
                else if (p->isAkkumCharge)
                    ch = 'C';
                else if (p->isRepairTool)
                    ch = 'R';
                else if (p->carriesLightning)
                    ch = static_cast<char>('a' + p->kind);
                else
                    ch = static_cast<char>('0' + p->kind);
            }
            line += ch;
        }
        rows.push_back(line);
    }
    return rows;
}

// A model with the fixture data files loaded, as the play screen builds it.
template <class Host = RecordingHost>
struct BasicBoardFixture
{
    Host host;
    RecordingEffects effects;
    BoardModel model{host};

    explicit BasicBoardFixture(const std::string& levelFolder = FixtureDir() + "basic/", uint32_t seed = 1234)
    {
        SeedRandom(seed);
        model.LevelFolder = levelFolder;
        model.CharacterFolder = FixtureDir() + "characters/";
        model.Effects = &effects;
        model.Init();
    }

    // One update as the application runs it: the counter rises first.
    void Step(int n = 1)
    {
        for (int i = 0; i < n; ++i)
        {
            ++host.updateCount;
            model.Update();
        }
    }
    // Updates until the grid is still and searched (bounded).
    void Settle(int limit = 2000)
    {
        for (int i = 0; i < limit && (model.MatchPending || !model.IsGridIdle()); ++i) Step();
    }
};
using BoardFixture = BasicBoardFixture<>;

} // namespace Zest::Testing
