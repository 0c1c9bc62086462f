// A play screen started directly, for scripted runs of the field: one level from a level folder, drawn with
// generated flat-colour pictures until the authored art is in; what the field asks for is printed on stdout.
//
// embercook_play [--levels=DIR] [--characters=DIR] [--level=N] [--plate=N] [--lit] [--customer] [--hints]
//                [--headless-frames=N --png=FILE]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/ZestAppBase.h"
#include "data/ImageLib.h"
#include "game/board/Board.h"
#include "game/board/BoardHost.h"
#include "game/board/BoardModel.h"
#include "game/board/BoardView.h"
#include "game/core/GameResources.h"
#include "game/core/LngTable.h"
#include "game/core/PlayerProfile.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "graphics/SysFont.h"
#include "widgets/WidgetManager.h"

namespace
{

using namespace Zest;

const char* const kSoundNames[] = {
    "AppearBomb",    "AppearIceCream", "Bomb",      "CoffeeReady",  "ExpertGoal",    "GetMoney",    "GiveCoffee",
    "LevelComplete", "LevelFailed",    "Lighting",  "AkkumWorking", "MainGoal",      "Match",       "Match4",
    "Match5",        "Move",           "NewPerson", "PersonAngry",  "PersonGotFood", "PersonLeave", "PersonWantFood",
    "PizzaReady",    "PutPizza",       "Select",    "TakeIceCream", "TakeCharge",    "TakePizza",   "TimeIsUp"};

uint32_t Shade(uint32_t argb, float f)
{
    const auto c = [&](int shift)
    { return static_cast<uint32_t>(std::clamp(((argb >> shift) & 0xFF) * f, 0.0f, 255.0f)); };
    return (argb & 0xFF000000) | c(16) << 16 | c(8) << 8 | c(0);
}

// A picture of one colour: a soft-edged disc (round things) or a framed panel, with transparent corners.
std::unique_ptr<MemoryImage> MakePicture(int w, int h, uint32_t argb, bool round, int cols = 1)
{
    auto img = std::make_unique<MemoryImage>();
    img->Create(std::max(1, w), std::max(1, h));
    uint32_t* bits = img->GetBits();
    const int celW = std::max(1, w / std::max(1, cols));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const int cx = x % celW;
            uint32_t px = 0;
            if (round)
            {
                const float dx = (cx + 0.5f - celW / 2.0f) / (celW / 2.0f), dy = (y + 0.5f - h / 2.0f) / (h / 2.0f);
                const float d = dx * dx + dy * dy;
                if (d <= 1.0f) px = Shade(argb, 1.15f - 0.45f * d);
            }
            else
            {
                const bool edge = cx < 2 || y < 2 || cx >= celW - 2 || y >= h - 2;
                px = edge ? Shade(argb, 0.6f) : Shade(argb, 1.0f - 0.25f * y / std::max(1, h));
            }
            bits[y * w + x] = px;
        }
    img->mNumCols = std::max(1, cols);
    img->BitsChanged();
    return img;
}

class PlayApp : public ZestAppBase, public BoardHost
{
public:
    PlayApp()
    {
        mProductName = "Ember Cook";
        mTitle = "Ember Cook";
        mCompanyName = "EmberCook";
        mRegKey = "EmberCook";
        mWidth = 800;
        mHeight = 600;
        for (int i = 0; i < 220; ++i) lng.strings.push_back("");
        lng.strings[58] = "Bonus";
        lng.strings[60] = "Cooking";
        lng.strings[65] = "$";
        lng.strings[80] = "Lost";
        lng.strings[100] = "Goal:";
        lng.strings[101] = "Expert:";
        lng.strings[102] = "Day";
        lng.strings[114] = "Swap these two toppings to make a row of three.";
        lng.strings[121] = "Menu";
    }

    ~PlayApp() override
    {
        if (mWidgetManager && board)
        {
            mWidgetManager->RemoveWidget(input.get());
            mWidgetManager->RemoveWidget(board.get());
        }
    }

    std::string Option(const std::string& name, const std::string& fallback) const
    {
        for (const std::string& arg : mCommandLine)
            if (arg.rfind(name + "=", 0) == 0) return arg.substr(name.size() + 1);
        return fallback;
    }
    // The field's own switches are ours; the rest go to the framework.
    bool ApplyCommandLineParam(const std::string& name, const std::string& value) override
    {
        if (name.rfind("--", 0) == 0) return true;
        return ZestAppBase::ApplyCommandLineParam(name, value);
    }
    bool Flag(const std::string& name) const
    {
        return std::find(mCommandLine.begin(), mCommandLine.end(), name) != mCommandLine.end();
    }

    void BindArt()
    {
        struct Entry
        {
            Image** handle;
            int w, h;
            uint32_t colour;
            bool round;
            int cols;
        };
        const Entry entries[] = {
            {&IMAGE_BURNER_OFF, 49, 49, 0xFF3A3A44, false, 1},
            {&IMAGE_BURNER_ON, 49, 49, 0xFFE05A20, false, 1},
            {&IMAGE_BURNER_ONON, 49, 49, 0xFFF0C030, false, 1},
            {&IMAGE_RAMKA_LEFT, 4, 398, 0xFF8A5A30, false, 1},
            {&IMAGE_RAMKA_RIGHT, 4, 398, 0xFF8A5A30, false, 1},
            {&IMAGE_AKKUM, 90, 60, 0xFF3060C0, false, 1},
            {&IMAGE_AKKUM_READY, 90, 60, 0xFF60A0FF, false, 1},
            {&IMAGE_AKKUM_LIGHT, 8, 8, 0xFFFFFF80, true, 1},
            {&IMAGE_COFE_MAC, 70, 90, 0xFF704020, false, 1},
            {&IMAGE_COFE_MAC_READY, 70, 90, 0xFF906040, false, 1},
            {&IMAGE_COFE_PR, 10, 40, 0xFFC08040, false, 1},
            {&IMAGE_COFE_CUP, 22, 22, 0xFFF0F0F0, true, 1},
            {&IMAGE_CLOCK, 480, 80, 0xFFD0D0D0, true, 6},
            {&IMAGE_CLOCK_SMALL, 120, 24, 0xFFE0E0E0, true, 5},
            {&IMAGE_CLOSED, 120, 60, 0xFFB02020, false, 1},
            {&IMAGE_SELECT, 49, 49, 0x60FFFFFF, false, 1},
            {&IMAGE_LM_ON, 40, 40, 0xFF80C0FF, true, 1},
            {&IMAGE_BOMB, 40, 40, 0xFF202020, true, 1},
            {&IMAGE_FOOD1, 35, 35, 0xFFE0C080, true, 1},
            {&IMAGE_FOOD2, 35, 35, 0xFFC08060, true, 1},
            {&IMAGE_FOOD3, 35, 35, 0xFF80C060, true, 1},
            {&IMAGE_FOOD4, 40, 40, 0xFFF0A0C0, true, 1},
            {&IMAGE_FOOD1_BIG, 98, 49, 0xFFE0C080, false, 1},
            {&IMAGE_FOOD2_BIG, 98, 98, 0xFFC08060, false, 1},
            {&IMAGE_FOOD3_BIG, 147, 49, 0xFF80C060, false, 1},
            {&IMAGE_FOOD4_BIG, 98, 98, 0xFFF0A0C0, false, 1},
            {&IMAGE_ARROW_LEFT, 24, 16, 0xFFFFFF00, false, 1},
            {&IMAGE_ARROW_RIGHT, 24, 16, 0xFFFFFF00, false, 1},
            {&IMAGE_ARROW_UP, 16, 24, 0xFFFFFF00, false, 1},
            {&IMAGE_ARROW_DOWN, 16, 24, 0xFFFFFF00, false, 1},
            {&IMAGE_BOX2, 90, 40, 0xFFB08850, false, 1},
            {&IMAGE_BOX3, 90, 60, 0xFFB08850, false, 1},
            {&IMAGE_BOX4B, 90, 80, 0xFFB08850, false, 1},
            {&IMAGE_BOX4T, 90, 80, 0xFFC09860, false, 1},
            {&IMAGE_BOX_READY, 60, 40, 0xFFC09860, false, 1},
            {&IMAGE_FACE_BAD, 30, 25, 0xFFE04040, true, 1},
            {&IMAGE_FACE_GOOD, 30, 25, 0xFFE0E040, true, 1},
            {&IMAGE_FACE_FINE, 30, 25, 0xFF40E040, true, 1},
            {&IMAGE_MOOD_BAD, 64, 25, 0xFFE04040, false, 1},
            {&IMAGE_MOOD_GOOD, 64, 25, 0xFFE0E040, false, 1},
            {&IMAGE_MOOD_FINE, 64, 25, 0xFF40E040, false, 1},
            {&IMAGE_CLOUDLET, 110, 80, 0xE0FFFFFF, true, 1},
            {&IMAGE_CLOUDLET_SMALL, 60, 60, 0xE0FFFFFF, true, 1},
            {&IMAGE_ATTENTION, 16, 30, 0xFFFF2020, false, 1},
            {&IMAGE_MONEY, 40, 30, 0xFF40B040, false, 1},
            {&IMAGE_GOAL, 60, 60, 0xFFFFD040, true, 1},
            {&IMAGE_EXPERT_GOAL, 60, 60, 0xFFFF8040, true, 1},
            {&IMAGE_LIGHT_ON, 40, 40, 0xFFFFFF80, true, 1},
            {&IMAGE_MONITOR_SMALL, 360, 260, 0xE0203040, false, 1},
            {&IMAGE_RAMKA, 130, 90, 0xFF8A5A30, false, 1},
            {&IMAGE_PIZZERIA1, 120, 80, 0xFFA06040, false, 1},
            {&IMAGE_STAR_FULL, 16, 16, 0xFFFFE060, true, 1},
            {&IM_BONUS_PARTICLE1, 12, 12, 0xFFFFF0A0, true, 1},
            {&IM_BONUS_PARTICLE2, 24, 24, 0x80E0E0E0, true, 1},
            {&IM_BONUS_PARTICLE3, 16, 16, 0xFFFFC060, true, 1},
            {&IM_BONUS_HART, 16, 16, 0xFFFF4060, true, 1},
        };
        for (const Entry& e : entries)
        {
            art.push_back(MakePicture(e.w, e.h, e.colour, e.round, e.cols));
            *e.handle = art.back().get();
        }
        fonts.push_back(std::make_unique<SysFont>(this, "Arial Unicode MS", 14, true));
        FONT_DEFAULT = FONT_DEFAULT_BLUE = FONT_TEST = fonts.back().get();
        fonts.push_back(std::make_unique<SysFont>(this, "Arial Unicode MS", 20, true));
        FONT_BUTTON = FONT_BUTTON_SMALL = fonts.back().get();
    }

    // The field from the command line's level, plate and folders, its data files loaded; not started yet.
    BoardModel& MakeBoard()
    {
        BindArt();
        player.level = std::stoi(Option("--level", "5"));
        player.upgrades[PlayerProfile::UpgradePlate] = std::stoi(Option("--plate", "2"));
        if (!Flag("--hints")) player.hintsShown.fill(1);
        board = std::make_unique<Board>(*this);
        BoardModel& m = *board->model;
        m.LevelFolder = Option("--levels", "levels/");
        m.CharacterFolder = Option("--characters", "characters/");
        // A folder without these files plays with what was read; each missing file has been reported.
        m.DataComplete = m.LoadCharacters() && m.LoadDishes() && m.LoadUpgrades();
        return m;
    }

    void Init() override
    {
        ZestAppBase::Init();
        BoardModel& m = MakeBoard();
        input = std::make_unique<BoardInterface>(*this, *board, IMAGE_SMBUTTON100, IMAGE_SMBUTTON100_OVER);
        board->Resize(0, 0, 800, 600);
        input->Resize(0, 0, 800, 600);
        m.StartLevel();
        // Scripted runs start playing at once.
        m.FreezeCountdown = 0;
        m.Labels.clear();
        if (Flag("--customer"))
        {
            m.WaitFirstPerson = 0;
            m.SpawnPerson();
        }
        if (Flag("--lit"))
            for (int c = 0; c < m.Columns; ++c)
                for (int r = 0; r < m.Rows; ++r) m.CellState[c][r] = 1, m.CellAlpha[c][r] = 255;
        if (mWidgetManager)
        {
            mWidgetManager->AddWidget(board.get());
            mWidgetManager->AddWidget(input.get());
            mWidgetManager->SetFocus(input.get());
        }
        std::printf("ready columns %d gridx %d\n", m.Columns, m.GridX);
        std::fflush(stdout);
    }

    // Runs the field without a window and writes one drawn frame.
    int Headless(int frames, const std::string& png)
    {
        BoardModel& m = MakeBoard();
        m.StartLevel();
        for (int i = 0; i < frames; ++i)
        {
            ++updates;
            board->Update();
        }
        MemoryImage screen;
        screen.Create(800, 600);
        std::fill(screen.GetBits(), screen.GetBits() + 800 * 600, 0xFF000000u);
        Graphics g(&screen);
        board->Draw(&g);
        ImageLib::Image out;
        out.mWidth = 800;
        out.mHeight = 600;
        out.mBits = std::make_unique<uint32_t[]>(800 * 600);
        std::copy(screen.GetBits(), screen.GetBits() + 800 * 600, out.mBits.get());
        return ImageLib::WritePNGImage(png, out) ? 0 : 1;
    }

    // ---- BoardHost ----
    int UpdateCount() const override { return updates >= 0 ? updates : mUpdateCount; }
    PlayerProfile& Player() override { return player; }
    const LngTable& Lng() const override { return lng; }
    void SavePlayers() override {}
    void PlaySample(BoardSound sound) override
    {
        const int i = static_cast<int>(sound);
        std::printf("sound %s\n", i >= 0 && i < static_cast<int>(std::size(kSoundNames)) ? kSoundNames[i] : "?");
        std::fflush(stdout);
    }
    BoardImageSize ImageSize(BoardImage image) const override
    {
        // Only the first pizzeria picture is made here: every pizzeria takes its size.
        const Image* img = image >= BoardImage::Pizzeria1 ? IMAGE_PIZZERIA1 : BoardPicture(image);
        return img ? BoardImageSize{img->GetWidth(), img->GetHeight()} : BoardImageSize{};
    }
    std::unique_ptr<Image> LoadImage(const std::string& path) override
    {
        static const std::map<std::string, uint32_t> kToppings = {{"grib", 0xFFC8A078},    {"chees", 0xFFF8E050},
                                                                  {"paprika", 0xFF40B040}, {"pomedor", 0xFFE03030},
                                                                  {"ananas", 0xFFF0A020},  {"krevetca", 0xFFF08080}};
        const std::string name = path.substr(path.find_last_of('/') + 1);
        if (auto it = kToppings.find(name); it != kToppings.end()) return MakePicture(42, 42, it->second, true);
        int w = 0, h = 0;
        if (path.find("pizza/") != std::string::npos && std::sscanf(name.c_str(), "%dx%d", &w, &h) == 2)
        {
            if (name.find("small") != std::string::npos) return MakePicture(20 + 12 * w, 20 + 12 * h, 0xFFE8A040, true);
            return MakePicture(w * 49, h * 49, 0xFFE8A040, true);
        }
        if (path.find("persons/") != std::string::npos) return MakePicture(140, 200, 0xFF6080A0, false);
        if (path.find("objects/") != std::string::npos)
            return MakePicture(70, 50, 0xFF000000u | static_cast<uint32_t>(std::hash<std::string>()(path) & 0xFFFFFF),
                               true);
        // The level's background: a warm counter top, darker towards the floor.
        if (path.find("gameplay/") != std::string::npos) return MakePicture(800, 600, 0xFF6A4A38, false);
        return nullptr;
    }
    bool IsMusicPlaying(int) override { return false; }
    void FadeInMusic(int) override {}
    void FadeOutAllMusic() override {}
    void StopAllMusic() override {}
    void ShowHint(int, int, int, const std::string& text) override
    {
        std::printf("hint %s\n", text.c_str());
        std::fflush(stdout);
    }
    void HideHint() override {}
    void OpenMenuWindow() override {}
    void OpenLevelCompleteWindow() override { std::puts("window level-complete"); }
    void OpenGameOverWindow() override { std::puts("window game-over"); }
    void OpenTipWindow(int) override {}
    int PizzeriaIndex(int) const override { return 0; }
    void SetLastMouse(int x, int y) override { mouseX = x, mouseY = y; }
    void SetCursor(int cursor) override { ZestAppBase::SetCursor(cursor); }
    int LastMouseX() const override { return mouseX; }
    int LastMouseY() const override { return mouseY; }
    void SetShiftDown(bool down) override { shift = down; }
    bool IsShiftDown() const override { return shift; }
    bool InputWidgetHasFocus() const override { return true; }
    bool FadeWidgetHasFocus() const override { return false; }

    PlayerProfile player;
    LngTable lng{false};
    std::vector<std::unique_ptr<MemoryImage>> art;
    std::vector<std::unique_ptr<SysFont>> fonts;
    std::unique_ptr<Board> board;
    std::unique_ptr<BoardInterface> input;
    int mouseX = 0, mouseY = 0;
    bool shift = false;
    int updates = -1; // counted here in headless runs
};

} // namespace

int main(int argc, char** argv)
{
    auto app = std::make_unique<PlayApp>();
    app->mCommandLine.assign(argv + 1, argv + argc);
    const std::string frames = app->Option("--headless-frames", "");
    if (!frames.empty())
    {
        app->updates = 0;
        return app->Headless(std::stoi(frames), app->Option("--png", "board.png"));
    }
    app->Init();
    app->Start();
    app.reset();
    return 0;
}
