// The shipped manifest through the application's own resource manager: every group loads, from the loose tree and
// from main.pak alone, with exactly the handles the game binds.
#include "tests/app/AppTestSupport.h"

#include "contentlint/ContentLint.h"
#include "graphics/DDImage.h"
#include "resources/ResourceManager.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace Zest;

namespace
{

class ShippedResources : public AppTest
{
protected:
    // Parses the manifest and loads the three groups in the folder the game would start in.
    void LoadAllIn(const std::string& folder)
    {
        Platform::SetCurrentDirectory(folder);
        TestApp app;
        app.Init();
        ResourceManager& resources = *app.mResourceManager;
        ASSERT_TRUE(resources.ParseResourcesFile("properties\\resources.xml")) << resources.GetErrorText();
        for (const char* group : {"Init", "TitleScreen", "Game"})
            ASSERT_TRUE(resources.LoadResources(group)) << group << ": " << resources.GetErrorText();
        EXPECT_EQ(resources.GetNumResources("Init"), 10);
        EXPECT_EQ(resources.GetNumResources("TitleScreen"), 4);
        EXPECT_EQ(resources.GetNumResources("Game"), 155);
        // Every handle the game binds resolves through the throwing lookups of its kind.
        for (const auto& r : ContentLint::BoundIds())
        {
            const std::string kind = r.kind;
            if (kind == "Image")
                EXPECT_NE(resources.GetImageThrow(r.id), nullptr) << r.id;
            else if (kind == "Font")
                EXPECT_NE(resources.GetFontThrow(r.id), nullptr) << r.id;
            else
                EXPECT_GE(resources.GetSoundThrow(r.id), 0) << r.id;
        }
        // Strips come back cut into their cels.
        EXPECT_EQ(resources.GetImageThrow("IMAGE_CLOCK")->GetCelColumns(), 12);
    }
};

TEST_F(ShippedResources, LoadFromTheLooseTree)
{
    LoadAllIn(ZEST_CONTENT_DATA);
}

TEST_F(ShippedResources, LoadFromThePackAlone)
{
    const std::filesystem::path folder = std::filesystem::path(root) / "packonly";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(ZEST_CONTENT_PAK, folder / "main.pak");
    LoadAllIn(folder.string());
}

// The shipped pictures suit the fixed layouts drawn over them: the options dialog puts its two volume sliders side
// by side inside its 40-pixel insets, the level's opening card writes the day above its picture, and the hint
// panel writes its words in dark green on the panel's upper part.
TEST_F(ShippedResources, PicturesFitTheLayoutsDrawnOverThem)
{
    Platform::SetCurrentDirectory(ZEST_CONTENT_DATA);
    TestApp app;
    app.Init();
    ResourceManager& resources = *app.mResourceManager;
    ASSERT_TRUE(resources.ParseResourcesFile("properties\\resources.xml")) << resources.GetErrorText();
    ASSERT_TRUE(resources.LoadResources("Game")) << resources.GetErrorText();

    const int track = resources.GetImageThrow("IMAGE_SLIDER_TRACK")->GetWidth();
    const int dialog = resources.GetImageThrow("IMAGE_MONITOR_SMALL")->GetWidth();
    EXPECT_LT(40 + track, dialog - 40 - track) << "the music slider runs into the sound slider";

    // The level's opening card: the day's heading sits above the framed pizzeria picture centred at y 290, so the
    // frame's top stays below 230, and the picture fits inside its frame.
    const int frame = resources.GetImageThrow("IMAGE_RAMKA")->GetHeight();
    EXPECT_GE(290 - frame / 2, 230) << "the frame covers the day's heading";
    for (int n = 1; n <= 6; ++n)
        EXPECT_LE(resources.GetImageThrow("IMAGE_PIZZERIA" + std::to_string(n))->GetHeight(), frame) << n;

    // The how-to-play pictures, centred in the large panel: the first leaves clear the lines written on it (the
    // three headings' first lines from y 85, the two notes at x 270 to 445 from y 326 and 375, the caption at x 50
    // to 260 from y 385); the second, centred at x 132, stays clear of the lines that start at x 180 beside and
    // below it.
    DDImage* monitor = resources.GetImageThrow("IMAGE_MONITOR");
    DDImage* help1 = resources.GetImageThrow("IMAGE_HELP_PAGE1");
    const int left = monitor->GetWidth() / 2 - help1->GetWidth() / 2;
    const int top = monitor->GetHeight() / 2 - help1->GetHeight() / 2;
    const struct
    {
        int x, y, w, h;
    } lines[] = {{60, 85, 190, 20},   {260, 85, 200, 20},  {470, 85, 190, 20},
                 {270, 326, 175, 45}, {270, 375, 175, 45}, {50, 385, 210, 60}};
    for (const auto& r : lines)
    {
        int covered = 0;
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x)
            {
                const int px = x - left, py = y - top;
                if (px >= 0 && py >= 0 && px < help1->GetWidth() && py < help1->GetHeight())
                    covered += (help1->GetPixel(px, py) >> 24) > 32;
            }
        EXPECT_EQ(covered, 0) << "the first help picture lies under the lines at (" << r.x << ", " << r.y << ")";
    }
    EXPECT_LE(132 + resources.GetImageThrow("IMAGE_HELP_PAGE2")->GetWidth() / 2, 215)
        << "the second help picture runs under its lines";

    // The closed sign hangs over the clock at the top of the play field and ends above the day's name, written
    // under the clock with its baseline at y 94 (its letters from y 80).
    EXPECT_LE(resources.GetImageThrow("IMAGE_CLOSED")->GetHeight(), 80) << "the closed sign covers the day's name";

    // The chef's words on the map's bottom strip run from x 200 to 790 of the strip: chalk board under all of them,
    // the wooden frame nowhere (its colour is red over green, the board's green over red).
    DDImage* strip = resources.GetImageThrow("IMAGE_MAP_BOTTOM");
    for (const int x : {196, 600, 794})
    {
        const uint32_t argb = strip->GetPixel(x, 60);
        EXPECT_GT(int((argb >> 8) & 0xFF), int((argb >> 16) & 0xFF)) << "the map's strip is no board at x " << x;
    }

    // Light under the words: every sampled point of the text area is brighter than the dark green ink (13, 94, 36).
    DDImage* hint = resources.GetImageThrow("IMAGE_W_HINT");
    // The words are wrapped from x 12 to 272 and centred: the note leaves room on both sides of them.
    for (const auto& [x, y] : {std::pair{20, 20}, {150, 60}, {270, 110}, {20, 110}, {8, 60}, {276, 60}})
    {
        const uint32_t argb = hint->GetPixel(x, y);
        const int luma = (((argb >> 16) & 0xFF) * 3 + ((argb >> 8) & 0xFF) * 6 + (argb & 0xFF)) / 10;
        EXPECT_GT(luma, 170) << "hint panel at (" << x << ", " << y << ") is too dark for its words";
    }
}

// The small orange buttons are lettered in the two body fonts (the title's in one, the dialogs' in the other, and
// the map's continue blinks between them): the same face, size and rim, so that they differ in their fill alone.
TEST(ShippedFonts, TheButtonFontsDifferOnlyInTheirFill)
{
    const auto read = [](const std::string& name)
    {
        std::ifstream in(std::string(ZEST_CONTENT_DATA) + "/fonts/" + name + ".txt");
        std::vector<std::string> lines;
        bool inMain = false;
        for (std::string line; std::getline(in, line);)
        {
            if (line.rfind("Layer ", 0) == 0) inMain = line == "Layer \"Main\";";
            if (line.rfind("Image ", 0) == 0) continue;          // each its own picture of the same glyphs
            if (inMain && line.rfind("Tint ", 0) == 0) continue; // the fill
            lines.push_back(line);
        }
        return lines;
    };
    const std::vector<std::string> plain = read("default"), blue = read("default_blue");
    ASSERT_GT(plain.size(), 10u);
    EXPECT_EQ(plain, blue);
}

} // namespace
