// Every window drawn for real, through the software renderer into an 800 x 600 screen, with solid pictures of
// the fixture sizes and a baked font: the frame, the dimming and the text land on the screen. With
// ZEST_WINDOW_PICTURES set to a folder, each screen is also written there as a PNG to look at.
#include "WindowsTestSupport.h"

#include "data/ImageLib.h"
#include "game/screens/MenuWnd.h"
#include "game/screens/OptionsDialog.h"
#include "game/screens/PlayerDialogs.h"
#include "game/screens/ResultWindows.h"
#include "game/screens/TitleDialogs.h"
#include "game/screens/UpgradeWnd.h"
#include "graphics/ImageFont.h"
#include "graphics/MemoryImage.h"
#include "widgets/ListWidget.h"

#include <cstdlib>

using namespace Zest;

namespace
{

uint32_t ColourOf(const std::string& name)
{
    uint32_t h = 2166136261u;
    for (char c : name) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
    return 0xFF000000u | (h & 0x00FFFFFFu) | 0x00202020u;
}

void Paint(MemoryImage& image, int w, int h, uint32_t colour)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h), colour);
    image.Create(w, h);
    image.SetBits(pixels.data(), w, h);
}

// Solid pictures of the window tests' sizes, one colour per name, and one baked font for every font name.
class SolidResources : public ResourceLookup
{
public:
    explicit SolidResources(Font* font) : mFont(font) {}
    std::map<std::string, std::unique_ptr<MemoryImage>> images;
    Image* GetImageThrow(const std::string& id) override
    {
        auto [w, h] = sizes.sizes.count(id) ? sizes.sizes[id] : std::pair<int, int>{24, 24};
        if (id == "IMAGE_TITLE") w = 800, h = 600;
        auto& slot = images[id];
        slot = std::make_unique<MemoryImage>(nullptr);
        Paint(*slot, w, h, ColourOf(id));
        return slot.get();
    }
    int GetSoundThrow(const std::string&) override { return 1; }
    Font* GetFontThrow(const std::string&) override { return mFont; }

private:
    Font* mFont;
    WindowResources sizes;
};

class WindowPicturesTest : public WindowsTest
{
protected:
    std::unique_ptr<ImageFont> font;
    std::unique_ptr<SolidResources> solid;
    MemoryImage screen{nullptr};

    void SetUp() override
    {
        WindowsTest::SetUp();
        font =
            std::make_unique<ImageFont>(nullptr, std::string(ZEST_TEST_DATA_DIR) + "/../graphics/golden/bakedfont.txt");
        ASSERT_TRUE(font->IsLoaded());
        solid = std::make_unique<SolidResources>(font.get());
        ExtractInitResources(*solid);
        ExtractGameResources(*solid);
        // Windows made from here on take the solid look.
        app.reset();
        app = std::make_unique<WindowsApp>();
        app->dataFolder = root + "/data/Quillbrook/CookEmber/";
        app->StartWithPlayer("Ann", 5, 1234);
        screen.Create(800, 600);
        app->Manager().screenImage = &screen;
    }
    void TearDown() override
    {
        app->Manager().screenImage = nullptr;
        WindowsTest::TearDown();
    }
    uint32_t Pixel(int px, int py) { return screen.GetBits()[py * 800 + px]; }
    static int Channel(uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }
    // The whole screen drawn, saved when asked for.
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
    // The title picture behind, darkened by `alpha` of black (within rounding).
    void ExpectDimmed(int px, int py, int alpha)
    {
        const uint32_t title = ColourOf("IMAGE_TITLE");
        const uint32_t seen = Pixel(px, py);
        for (int shift : {0, 8, 16})
            EXPECT_NEAR(Channel(seen, shift), Channel(title, shift) * (255 - alpha) / 255, 3) << px << "," << py;
    }
    // The picture's colour; the blender may round one level either way.
    void ExpectPicture(int px, int py, const std::string& image)
    {
        for (int shift : {0, 8, 16})
            EXPECT_NEAR(Channel(Pixel(px, py), shift), Channel(ColourOf(image), shift), 1)
                << image << " at " << px << "," << py;
    }
    // Some pixel of the rectangle differs from the picture's colour: something was drawn on it.
    bool DrawnOn(const Rect& r, const std::string& image)
    {
        for (int yy = r.mY; yy < r.mY + r.mHeight; ++yy)
            for (int xx = r.mX; xx < r.mX + r.mWidth; ++xx)
                for (int shift : {0, 8, 16})
                    if (std::abs(Channel(Pixel(xx, yy), shift) - Channel(ColourOf(image), shift)) > 8) return true;
        return false;
    }
};

} // namespace

TEST_F(WindowPicturesTest, PanelsOverThePlayFieldAndTheMap)
{
    app->model->DayProfit = 900;
    app->model->ExpertGoal = 800;
    app->windows->OpenLevelComplete();
    app->Step(42);
    Draw("level_complete");
    ExpectDimmed(5, 5, 200);
    ExpectPicture(85, 105, "IMAGE_W_LEVEL_COMPLETE");
    EXPECT_TRUE(DrawnOn(Rect(300, 175, 200, 20), "IMAGE_W_LEVEL_COMPLETE")); // the title line
    ExpectPicture(80 + 320 - 100 + 5, 100 + 410 + 5, "IMAGE_BIGBUTTON");
    app->CloseDialog(DIALOG_LEVEL_COMPLETE);
    app->ProcessDeferredDeletes();

    app->windows->OpenGameOver();
    app->Step(42);
    Draw("game_over");
    ExpectDimmed(5, 5, 128);
    ExpectPicture(85, 105, "IMAGE_GAME_OVER_WND");
    app->CloseDialog(DIALOG_TEXT_ENTRY);
    app->ProcessDeferredDeletes();

    app->windows->OpenInGameMenu();
    app->Step(42);
    Draw("menu");
    ExpectDimmed(5, 5, 200);
    ExpectPicture(80 + 317 + 2, 100 + 30 + 2, "IMAGE_ICON_CONTINUE");
    OpenHowDialog(app.get());
    Draw("how_to_play");
    ExpectPicture(85, 105, "IMAGE_MONITOR");
    app->CloseDialog(DIALOG_SHOP);
    app->CloseDialog(DIALOG_MENU);
    app->ProcessDeferredDeletes();

    for (int mode : {UpgradeWnd::kCoffee, UpgradeWnd::kFood, UpgradeWnd::kAkkum, UpgradeWnd::kPlate})
    {
        app->windows->OpenShop(mode);
        app->Step(42);
        Draw("shop_" + std::to_string(mode));
        ExpectDimmed(5, 5, 200);
        ExpectPicture(85, 105, "IMAGE_MONITOR");
        app->CloseDialog(DIALOG_SHOP);
        app->ProcessDeferredDeletes();
    }
}

TEST_F(WindowPicturesTest, DialogsOfTheTitleMenu)
{
    app->windows->OpenOptions();
    Draw("options");
    ExpectDimmed(5, 5, 170);
    const auto* options = app->Dialog<DemoDialog>(DIALOG_OPTIONS);
    ExpectPicture(options->x + 3, options->y + 3, "IMAGE_MONITOR_SMALL");
    ExpectPicture(options->musicSlider->x + 1, options->musicSlider->y + 1, "IMAGE_SLIDER_TRACK");
    app->CloseDialog(DIALOG_OPTIONS);
    app->ProcessDeferredDeletes();

    app->windows->OpenPlayerChoice();
    app->Step(42);
    Draw("player_choice");
    ExpectDimmed(5, 5, 200);
    // The selected player's name can be read on the white selection bar.
    const auto* choice = app->Dialog<ChPlayerDialog>(DIALOG_MENU);
    const Point list = choice->list->GetAbsolutePosition();
    int brown = 0;
    for (int yy = list.mY + 2; yy < list.mY + choice->list->height - 2; ++yy)
        for (int xx = list.mX + 2; xx < list.mX + choice->list->width - 2; ++xx)
            brown += (Pixel(xx, yy) & 0xFFFFFFu) == 0x5B2300u;
    EXPECT_GT(brown, 20);
    app->CloseDialog(DIALOG_MENU);
    app->ProcessDeferredDeletes();

    app->windows->OpenHighscores(2);
    app->Step(42);
    Draw("highscores");
    ExpectDimmed(5, 5, 200);
    EXPECT_TRUE(DrawnOn(Rect(280, 240, 200, 200), "IMAGE_MONITOR")); // the rows
    app->CloseDialog(DIALOG_HIGHSCORES);
    app->ProcessDeferredDeletes();

    app->windows->OpenContinueDialog();
    app->Step(40);
    Draw("continue_or_new");
    ExpectDimmed(5, 5, 200);
    app->CloseDialog(DIALOG_CONTINUE);
    app->ProcessDeferredDeletes();

    app->respond = [&](Dialog* d)
    {
        Draw("text_entry");
        ExpectPicture(d->x + 3, d->y + 3, "IMAGE_MONITOR_SMALL");
        return DIALOG_BUTTON_NO;
    };
    std::string text;
    app->windows->AskText("Name", "Your name:", "Ann", 12, true, text);
}
