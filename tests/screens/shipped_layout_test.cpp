// The windows as the player sees them: drawn by the real windows with the game's own pictures, fonts and texts.
// Nothing a window draws lies on its frame or outside it, the how-to-play captions stand under their pictures, and
// the shop's recipe cards show their recipe and neither overlap nor touch the edge of their board.
#include "WindowsTestSupport.h"

#include "data/ImageLib.h"
#include "game/screens/ManagerResources.h"
#include "game/screens/MapWnd.h"
#include "game/screens/MenuWnd.h"
#include "game/screens/PlayerDialogs.h"
#include "game/screens/UpgradeWnd.h"
#include "graphics/MemoryImage.h"
#include "resources/ResourceManager.h"
#include "widgets/EditWidget.h"

#include <cstdlib>
#include <functional>

#ifdef ZEST_CONTENT_DATA

using namespace Zest;

namespace
{

struct Rgb
{
    int r, g, b, a;
};

Rgb At(Image* image, int px, int py)
{
    auto* memory = dynamic_cast<MemoryImage*>(image);
    const uint32_t c = memory->GetBits()[py * memory->GetWidth() + px];
    return {static_cast<int>((c >> 16) & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>(c & 0xFF),
            static_cast<int>(c >> 24)};
}

int Distance(const Rgb& a, const Rgb& b)
{
    return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
}

// The board inside a panel picture's frame: from the middle outwards, up to the first strong change of colour
// (the ink line between the board and the wood).
Rect BoardOf(Image* panel)
{
    const int w = panel->GetWidth(), h = panel->GetHeight(), cx = w / 2, cy = h / 2;
    const auto edge = [&](int x, int y, int dx, int dy)
    {
        Rgb last = At(panel, x, y);
        while (x + dx >= 0 && x + dx < w && y + dy >= 0 && y + dy < h)
        {
            const Rgb next = At(panel, x + dx, y + dy);
            if (Distance(next, last) > 60) return dx + dy > 0 ? (dx ? x : y) + 1 : (dx ? x : y);
            last = next, x += dx, y += dy;
        }
        return dx + dy > 0 ? (dx ? w : h) : 0;
    };
    const int left = edge(cx, cy, -1, 0), right = edge(cx, cy, 1, 0);
    const int top = edge(cx, cy / 2, 0, -1), bottom = edge(cx, cy, 0, 1);
    return Rect(left, top, right - left, bottom - top);
}

class ShippedLayoutTest : public WindowsTest
{
protected:
    std::unique_ptr<TestApp> loader;
    std::unique_ptr<ManagerResources> shipped;
    MemoryImage screen{nullptr};

    void SetUp() override
    {
        WindowsTest::SetUp();
        // ZEST_LAYOUT_CONTENT checks another build's content tree instead.
        const char* content = std::getenv("ZEST_LAYOUT_CONTENT");
        Platform::SetCurrentDirectory(content ? content : ZEST_CONTENT_DATA);
        loader = std::make_unique<TestApp>();
        loader->Init();
        ResourceManager& manager = *loader->mResourceManager;
        ASSERT_TRUE(manager.ParseResourcesFile("properties\\resources.xml")) << manager.GetErrorText();
        for (const char* group : {"Init", "TitleScreen", "Game"})
            ASSERT_TRUE(manager.LoadResources(group)) << group << ": " << manager.GetErrorText();
        shipped = std::make_unique<ManagerResources>(manager);
        ASSERT_TRUE(ExtractInitResources(*shipped));
        ASSERT_TRUE(ExtractGameResources(*shipped));
        app.reset();
        app = std::make_unique<WindowsApp>();
        app->lngTable = std::make_unique<LngTable>(true);
        ASSERT_GT(app->lngTable->strings.size(), 200u);
        app->dataFolder = root + "/data/Quillbrook/CookEmber/";
        app->StartWithPlayer("Ann", 12, 99999);
        screen.Create(800, 600);
        app->Manager().screenImage = &screen;
    }
    void TearDown() override
    {
        if (app) app->Manager().screenImage = nullptr;
        app.reset();
        shipped.reset();
        loader.reset();
        WindowsTest::TearDown();
    }
    uint32_t Pixel(int px, int py) { return screen.GetBits()[py * 800 + px]; }
    void Draw(const std::string& name)
    {
        app->Manager().MarkEverythingDirty();
        ASSERT_TRUE(app->Manager().DrawScreen());
        const char* folder = std::getenv("ZEST_WINDOW_PICTURES");
        if (folder == nullptr) return;
        auto picture = ImageLib::Image::Create(800, 600);
        std::copy(screen.GetBits(), screen.GetBits() + 800 * 600, picture->GetBits());
        ImageLib::WritePNGImage(std::string(folder) + "/" + name + ".png", *picture);
    }
    // The points of the panel's opaque frame (outside its board) where the screen shows something other than the
    // frame: text or a button drawn over it, or running out past it. Reported as a count and the first few.
    std::string OnTheFrame(const Widget& window, Image* panel)
    {
        const Rect board = BoardOf(panel);
        int count = 0;
        std::string where;
        for (int y = 0; y < panel->GetHeight(); ++y)
            for (int x = 0; x < panel->GetWidth(); ++x)
            {
                if (board.Contains(x, y)) continue;
                const Rgb frame = At(panel, x, y);
                const int sx = window.x + x, sy = window.y + y;
                if (frame.a != 255 || sx < 0 || sy < 0 || sx >= 800 || sy >= 600) continue;
                const uint32_t c = Pixel(sx, sy);
                const Rgb seen{static_cast<int>((c >> 16) & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                               static_cast<int>(c & 0xFF), 255};
                if (Distance(seen, frame) <= 24) continue;
                if (++count <= 3) where += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
            }
        return count ? std::to_string(count) + " points:" + where : "";
    }
    template <class T>
    T* Open(int id)
    {
        app->Step(60);
        return app->Dialog<T>(id);
    }
};

} // namespace

TEST_F(ShippedLayoutTest, NothingIsDrawnOnTheFramesOfTheLargeWindows)
{
    // The in-game menu, every how-to-play page over it, and every page of the shop.
    app->windows->OpenInGameMenu();
    auto* menu = Open<MenuWnd>(DIALOG_MENU);
    ASSERT_NE(menu, nullptr);
    Draw("layout_menu");
    EXPECT_EQ(OnTheFrame(*menu, IMAGE_MONITOR), "");
    OpenHowDialog(app.get());
    auto* how = app->Dialog<HowDialog>(DIALOG_SHOP);
    ASSERT_NE(how, nullptr);
    for (int page = 1; page <= how->pageCount; ++page)
    {
        how->page = page;
        Draw("layout_how_to_play_" + std::to_string(page));
        EXPECT_EQ(OnTheFrame(*how, IMAGE_MONITOR), "") << "how to play, page " << page;
    }
    app->CloseDialog(DIALOG_SHOP);
    app->CloseDialog(DIALOG_MENU);
    app->ProcessDeferredDeletes();

    for (int mode = 0; mode < UpgradeWnd::kRecipe0 + 8; ++mode)
    {
        app->windows->OpenShop(mode);
        auto* shop = Open<UpgradeWnd>(DIALOG_SHOP);
        ASSERT_NE(shop, nullptr);
        Draw("layout_shop_" + std::to_string(mode));
        EXPECT_EQ(OnTheFrame(*shop, IMAGE_MONITOR), "") << "shop page " << mode;
        app->CloseDialog(DIALOG_SHOP);
        app->ProcessDeferredDeletes();
    }
}

TEST_F(ShippedLayoutTest, NothingIsDrawnOnTheFramesOfTheOtherWindows)
{
    // The day's tally and the lost day over the play field, and the title menu's windows.
    app->model->DayProfit = 1491;
    app->model->ExpertGoal = 222;
    app->model->Goal = 148;
    struct Case
    {
        const char* name;
        std::function<void()> open;
        int id;
        Image* const* panel;
    } cases[] = {
        {"level_complete", [&] { app->windows->OpenLevelComplete(); }, DIALOG_LEVEL_COMPLETE, &IMAGE_W_LEVEL_COMPLETE},
        {"game_over", [&] { app->windows->OpenGameOver(); }, DIALOG_TEXT_ENTRY, &IMAGE_GAME_OVER_WND},
        {"options", [&] { app->windows->OpenOptions(); }, DIALOG_OPTIONS, &IMAGE_MONITOR_SMALL},
        {"player_choice", [&] { app->windows->OpenPlayerChoice(); }, DIALOG_MENU, &IMAGE_MONITOR},
        {"best_chefs", [&] { app->windows->OpenHighscores(2); }, DIALOG_HIGHSCORES, &IMAGE_MONITOR},
        {"continue", [&] { app->windows->OpenContinueDialog(); }, DIALOG_CONTINUE, &IMAGE_MONITOR_SMALL},
    };
    for (const Case& c : cases)
    {
        c.open();
        auto* window = Open<Dialog>(c.id);
        ASSERT_NE(window, nullptr) << c.name;
        Draw(std::string("layout_") + c.name);
        EXPECT_EQ(OnTheFrame(*window, *c.panel), "") << c.name;
        app->CloseDialog(c.id);
        app->ProcessDeferredDeletes();
    }
}

TEST_F(ShippedLayoutTest, TheNamePromptsFitTheirSmallWindow)
{
    // The first cook's name, and the name for the board of best chefs at the end of the game: the prompt is one
    // line above the field, so it has to fit between the frame's sides; the field's letters (white with a dark
    // outline) and its caret have to show on it.
    struct Case
    {
        int header, prompt;
    } cases[] = {{18, 7}, {212, 44}};
    for (const Case& c : cases)
    {
        app->respond = [&](Dialog* dialog)
        {
            auto* edit = dynamic_cast<DialogWithEdit*>(dialog);
            EXPECT_NE(edit, nullptr);
            if (edit)
            {
                Draw("layout_name_prompt_" + std::to_string(c.prompt));
                EXPECT_EQ(OnTheFrame(*edit, IMAGE_MONITOR_SMALL), "") << "prompt " << c.prompt;
                // The typed letters and the caret stand out from the field.
                const auto light = [&](int index)
                {
                    const Color& k = edit->editWidget->GetColor(index);
                    return (k.mRed * 299 + k.mGreen * 587 + k.mBlue * 114) / 1000;
                };
                EXPECT_GT(std::abs(light(EDIT_COLOR_TEXT) - light(EDIT_COLOR_BACKGROUND)), 128);
                EXPECT_GT(std::abs(light(EDIT_COLOR_CURSOR) - light(EDIT_COLOR_BACKGROUND)), 80);
            }
            return 0;
        };
        std::string name;
        const std::string header = c.header == 212 ? app->Text(212) + " 123456!" : app->Text(c.header);
        app->windows->AskText(header, app->Text(c.prompt), "Ann", 12, true, name);
        app->ProcessDeferredDeletes();
    }
}

TEST_F(ShippedLayoutTest, TheFirstHowToPlayPageHasAPictureOverEachCaption)
{
    // The three headings are centred on x 155, 360 and 565 of the panel and the caption under the first picture
    // on x 155: below each heading the page's picture has a panel of its own, centred on the same x.
    Image* help = IMAGE_HELP_PAGE1;
    const int left = IMAGE_MONITOR->GetWidth() / 2 - help->GetWidth() / 2;
    const int top = IMAGE_MONITOR->GetHeight() / 2 - help->GetHeight() / 2;
    const auto spanAround = [&](int panelX, int panelY, int& from, int& to)
    {
        const int x = panelX - left, y = panelY - top;
        if (y < 0 || y >= help->GetHeight() || x < 0 || x >= help->GetWidth() || At(help, x, y).a < 128) return false;
        from = to = x;
        while (from > 0 && At(help, from - 1, y).a >= 128) --from;
        while (to + 1 < help->GetWidth() && At(help, to + 1, y).a >= 128) ++to;
        return true;
    };
    for (const int centre : {155, 360, 565})
    {
        int from = 0, to = 0;
        ASSERT_TRUE(spanAround(centre, 200, from, to)) << "no picture under the heading centred on " << centre;
        EXPECT_NEAR((from + to) / 2 + left, centre, 4) << "the picture under the heading centred on " << centre;
        EXPECT_LT(to - from, 190) << "the picture under the heading centred on " << centre << " is no panel of its own";
    }
    int from = 0, to = 0;
    ASSERT_TRUE(spanAround(155, 360, from, to)) << "no picture above the caption centred on 155";
    EXPECT_NEAR((from + to) / 2 + left, 155, 4);
}

TEST_F(ShippedLayoutTest, RecipeCardsShowTheirRecipeAndKeepApart)
{
    Image* shop = IMAGE_SHOP;
    // Card paper is light; the cork board between the cards is a mid brown (darker in a card's shadow).
    const auto cork = [&](int x, int y)
    {
        const Rgb c = At(shop, x, y);
        return c.r >= 110 && c.r <= 225 && c.g >= 70 && c.g <= 185 && c.b <= 130 && c.r - c.b >= 60;
    };
    const auto corkBetween = [&](int x0, int x1, int y)
    {
        int run = 0;
        for (int x = x0; x <= x1; ++x)
            if ((run = cork(x, y) ? run + 1 : 0) >= 2) return true;
        return false;
    };
    const auto& areas = MapModel::kRecipeAreas;
    for (int k = 0; k < 8; ++k)
    {
        const MapRect& a = areas[k];
        const int midY = a.y + a.h / 2;
        if (k % 4 != 3)
        {
            // The neighbour to the right in the same row: cork shows between the two.
            const MapRect& b = areas[k + 1];
            EXPECT_TRUE(corkBetween(a.x + a.w / 2, b.x + b.w / 2, std::min(midY, b.y + b.h / 2)))
                << "cards " << k << " and " << k + 1 << " touch";
        }
        else
        {
            // The last card of a row keeps cork between itself and the board's right edge.
            EXPECT_TRUE(corkBetween(a.x + a.w / 2, a.x + a.w + 20, midY)) << "card " << k << " touches the edge";
        }
    }
    // Each card shows the recipe's pizza and name within the card.
    app->model->DishTypes.resize(8);
    const int sizes[8][2] = {{2, 2}, {3, 2}, {2, 2}, {4, 2}, {3, 3}, {3, 3}, {4, 3}, {4, 4}};
    for (int k = 0; k < 8; ++k)
        app->model->DishTypes[k].sizeX = sizes[k][0], app->model->DishTypes[k].sizeY = sizes[k][1];
    for (int i = 0; i < 16; ++i)
        if (!app->model->PizzaImages[static_cast<size_t>(i)])
        {
            auto picture = std::make_unique<MemoryImage>(nullptr);
            const int cw = 2 + i / 4, ch = 2 + i % 4;
            picture->Create(cw * 49, ch * 49);
            app->model->PizzaImages[static_cast<size_t>(i)] = std::move(picture);
        }
    MapWnd& map = *app->mapWnd;
    for (int k = 0; k < 8; ++k)
    {
        const MapRect& a = areas[k];
        const MapRect p = map.RecipeCardPicture(k, a);
        EXPECT_GT(p.w, 20) << "card " << k;
        EXPECT_GT(p.h, 20) << "card " << k;
        EXPECT_TRUE(p.x >= a.x && p.y >= a.y && p.x + p.w <= a.x + a.w && p.y + p.h <= a.y + a.h) << "card " << k;
        EXPECT_FALSE(app->Text(89 + k).empty());
        EXPECT_LE(FONT_SIMPLE->StringWidth(app->Text(89 + k)), a.w - 4) << "the name of recipe " << k;
    }
}

#endif
