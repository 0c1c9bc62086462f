// Content lint: the shipped content is whole, and the lint catches each kind of break a content edit can make.
#include "contentlint/ContentLint.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <random>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
using ContentLint::Paths;
using ContentLint::Report;

namespace
{

std::string Problems(const Report& report)
{
    std::string all;
    for (const std::string& p : report.problems) all += "  " + p + "\n";
    return all;
}

std::string ReadFile(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& p, const std::string& text)
{
    std::ofstream(p, std::ios::binary) << text;
}

void Replace(const fs::path& p, const std::string& from, const std::string& to)
{
    std::string text = ReadFile(p);
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from << " not in " << p;
    text.replace(at, from.size(), to);
    WriteFile(p, text);
}

TEST(ContentLint, ShippedContentIsWhole)
{
    const Paths paths{ZEST_CONTENT_DATA, ZEST_CONTENT_PAK, ZEST_CONTENT_MUSIC};
    ASSERT_TRUE(fs::is_directory(paths.data)) << "build the content target first";
    const Report report = ContentLint::CheckAll(paths);
    EXPECT_TRUE(report.Clean()) << Problems(report);
}

TEST(ContentLint, BindsEveryHandleOnceInItsGroup)
{
    int init = 0, title = 0, game = 0;
    for (const auto& r : ContentLint::BoundIds())
        (std::string(r.group) == "Init" ? init : std::string(r.group) == "TitleScreen" ? title : game)++;
    EXPECT_EQ(init, 10);
    EXPECT_EQ(title, 4);
    EXPECT_EQ(game, 155);
}

// Each case copies the shipped tree, breaks one thing the way a careless edit would, and expects the lint to name it.
struct Break
{
    const char* name;
    std::function<void(const fs::path&)> apply;
    const char* expected; // a part of the problem line
};

void PrintTo(const Break& b, std::ostream* os)
{
    *os << b.name;
}

class ContentLintBreaks : public ::testing::TestWithParam<Break>
{
};

TEST_P(ContentLintBreaks, AreReported)
{
    const Break& b = GetParam();
    // A name of this run's own: the same test may be running at once in another build (or another checkout).
    const std::string unique = std::to_string(std::random_device()());
    const fs::path tree = fs::temp_directory_path() / ("contentlint_" + std::string(b.name) + "_" + unique);
    fs::remove_all(tree);
    fs::copy(ZEST_CONTENT_DATA, tree, fs::copy_options::recursive);
    b.apply(tree);
    const Report report = ContentLint::CheckAll(Paths{tree.string(), "", ""});
    fs::remove_all(tree);
    ASSERT_FALSE(report.Clean());
    EXPECT_NE(Problems(report).find(b.expected), std::string::npos) << Problems(report);
}

const Break kBreaks[] = {
    {"missing_image", [](const fs::path& t) { fs::remove(t / "images/ui/monitor.png"); },
     "IMAGE_MONITOR: image \"images/ui/monitor\" has no file"},
    {"wrong_case", [](const fs::path& t) { fs::rename(t / "images/map/map.png", t / "images/map/Map.png"); },
     "IMAGE_MAP: image"},
    {"id_misspelt", [](const fs::path& t) { Replace(t / "properties/resources.xml", "IMAGE_SOLD\"", "IMAGE_S0LD\""); },
     "Image IMAGE_SOLD is missing"},
    {"id_in_wrong_group",
     [](const fs::path& t)
     {
         Replace(t / "properties/resources.xml",
                 "    <Image id=\"IMAGE_LOAD_SCREEN\" path=\"images/screens/loading\"/>\n", "");
         Replace(t / "properties/resources.xml", "  <Resources id=\"Game\">\n",
                 "  <Resources id=\"Game\">\n    <Image id=\"IMAGE_LOAD_SCREEN\" path=\"images/screens/loading\"/>\n");
     },
     "IMAGE_LOAD_SCREEN is in group \"Game\""},
    {"declared_twice",
     [](const fs::path& t)
     {
         Replace(t / "properties/resources.xml", "  </Resources>\n</ResourceManifest>",
                 "    <Sound id=\"SOUND_CLICK\" path=\"sounds/click\"/>\n  </Resources>\n</ResourceManifest>");
     },
     "SOUND_CLICK declared twice"},
    {"sound_missing", [](const fs::path& t) { fs::remove(t / "sounds/bomb.wav"); }, "Sound SOUND_BOMB"},
    {"wrong_size",
     [](const fs::path& t)
     {
         fs::copy_file(t / "images/ui/button.png", t / "images/gameplay/burner_on.png",
                       fs::copy_options::overwrite_existing);
     },
     "IMAGE_BURNER_ON must be 49x49"},
    {"texts_short",
     [](const fs::path& t)
     {
         std::string text = ReadFile(t / "properties/lng.xml");
         const size_t at = text.find("  <String LNG=\"en\" Id=\"DAY_LOST\">Day lost!</String>");
         text.erase(at, text.find('\n', at) + 1 - at);
         WriteFile(t / "properties/lng.xml", text);
     },
     "219 entries"},
    {"text_without_glyph", [](const fs::path& t) { Replace(t / "properties/lng.xml", ">Choose<", ">Choose \x7f<"); },
     "no glyph for character 127"},
    {"empty_placeholder",
     [](const fs::path& t) { Replace(t / "properties/lng.xml", ">-</String> <!-- 43 -->", "></String>"); },
     "entry 43 is empty"},
    {"level_time_zero",
     [](const fs::path& t) { Replace(t / "levels/levels.xml", "Num=\"7\" Time=\"120\"", "Num=\"7\" Time=\"0\""); },
     "level 7: Time must be given and positive"},
    {"level_missing", [](const fs::path& t) { Replace(t / "levels/levels.xml", "Num=\"70\"", "Num=\"71\""); },
     "level 70 is missing"},
    {"inlay_order_too_big",
     [](const fs::path& t)
     {
         Replace(t / "levels/levels.xml", "<Person Type=\"0\" Pizza=\"0\" Snack=\"-1\"/>",
                 "<Person Type=\"0\" Pizza=\"7\" Snack=\"-1\"/>");
     },
     "stage 0 orders cover"},
    {"pizza_index_out_of_range",
     [](const fs::path& t) { Replace(t / "levels/levels.xml", "Pizza=\"1\"", "Pizza=\"8\""); },
     "Pizza out of the dish list"},
    {"hunt_object_too_small",
     [](const fs::path& t)
     {
         std::string text = ReadFile(t / "levels/levels.xml");
         const size_t at = text.find("<Object Pic=\"light\"");
         const size_t w = text.find(" w=\"", at);
         text.replace(w, text.find(" h=", w) - w, " w=\"1.0\"");
         const size_t h = text.find(" h=\"", at);
         text.replace(h, text.find("/>", h) - h, " h=\"1.0\"");
         WriteFile(t / "levels/levels.xml", text);
     },
     "Object \"light\" is shown smaller than 16 pixels"},
    {"background_missing", [](const fs::path& t) { fs::remove(t / "images/gameplay/bg_pizzeria3.png"); },
     "Background: image \"images/gameplay/bg_pizzeria3\" has no file"},
    {"upgrade_row_missing",
     [](const fs::path& t)
     { Replace(t / "levels/Upgrades.xml", "<Upgrade Name=\"Plate 10\" Price=\"1800\" IntValue=\"10\"/>", ""); },
     "plate parameter 1 has 2 rows"},
    {"map_point_missing", [](const fs::path& t) { Replace(t / "levels/map.xml", "<Point ", "<Dot "); },
     "69 level points"},
    {"map_first_point_at_the_edge",
     [](const fs::path& t)
     {
         std::string text = ReadFile(t / "levels/map.xml");
         const size_t x = text.find("<Point x=\"") + 10;
         text.replace(x, text.find('"', x) - x, "40");
         WriteFile(t / "levels/map.xml", text);
     },
     "first level point stands 40 pixels from the map's left edge"},
    {"effect_truncated", [](const fs::path& t) { WriteFile(t / "effects/fog.psi", std::string(100, '\0')); },
     "effects/fog.psi: missing or shorter"},
    {"attached_effect_ends",
     [](const fs::path& t)
     {
         std::string data = ReadFile(t / "effects/drink.psi");
         const float one = 1.0f;
         data.replace(8, 4, reinterpret_cast<const char*>(&one), 4);
         WriteFile(t / "effects/drink.psi", data);
     },
     "drink.psi: an attached effect must be endless"},
    {"animation_frame_missing", [](const fs::path& t) { fs::remove(t / "images/persons/alien/pay2.png"); },
     "characters/alien_anime.xml: image \"images/persons/alien/pay2\" has no file"},
    {"animation_state_missing",
     [](const fs::path& t) { Replace(t / "characters/boy_anime.xml", "<Anime name=\"pay\">", "<Anime>"); },
     "boy_anime.xml: needs the waiting, angry and paying states"},
    {"paying_too_short",
     [](const fs::path& t)
     {
         for (int i = 0; i < 4; ++i) Replace(t / "characters/girl_anime.xml", "time=\"20\"", "time=\"2\"");
     },
     "girl_anime.xml: the paying animation should last 0.4 to 2 s"},
    {"pizza_wrong_size",
     [](const fs::path& t)
     {
         fs::copy_file(t / "images/gameplay/pizza/3x3.png", t / "images/gameplay/pizza/3x4.png",
                       fs::copy_options::overwrite_existing);
     },
     "pizza/3x4 must be 147x196"},
    {"how_to_play_icons_overlap",
     [](const fs::path& t)
     {
         fs::copy_file(t / "images/gameplay/pizza/3x3small.png", t / "images/gameplay/pizza/2x2small.png",
                       fs::copy_options::overwrite_existing);
     },
     "how-to-play page: pizza/2x2small"},
    {"broken_xml", [](const fs::path& t) { Replace(t / "levels/Dishes.xml", "</Dishes>", "</Dish>"); },
     "levels/Dishes.xml: XML error"},
};

INSTANTIATE_TEST_SUITE_P(Cases, ContentLintBreaks, ::testing::ValuesIn(kBreaks),
                         [](const ::testing::TestParamInfo<Break>& info) { return std::string(info.param.name); });

} // namespace
