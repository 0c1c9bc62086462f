// Tests of resource loading: a manifest and its files inside a pack built by the pack tool's folder walk, loaded
// group by group and one resource at a time, with the image merges, fonts, sounds, lookups, freeing and reloading.
#include "ResourceTestSupport.h"

#include <atomic>
#include <thread>

#include "data/PakWriter.h"
#include "graphics/Graphics.h"
#include "graphics/ImageFont.h"
#include "graphics/MemoryImage.h"
#include "graphics/SysFont.h"
#include "pakbuild/FolderTree.h"
#include "platform/Files.h"

using namespace Zest;
using namespace ResourceTest;

namespace
{

constexpr const char* kManifest = R"(<?xml version="1.0"?>
<ResourceManifest>
  <Resources id="Init">
    <SetDefaults path="images\" idprefix="IMAGE_" />
    <Image path="map.png" />
    <Image id="BTN" path="button" alphaimage="button_mask.png" nopal />
    <Image id="SPARK" path="spark.png" cols="2" alphagrid="spark_grid" nopal />
    <Image id="ANIM" path="anim" rows="2" cols="5" anim="pingpong" framedelay="4" />
    <Image id="GLOW" path="glow" alphacolor="FF0000" nopal />
    <Image id="CURSOR" path="!program" />
    <SetDefaults path="sounds/" idprefix="SOUND_" />
    <Sound id="CLICK" path="click.wav" volume="0.5" pan="-100" />
    <Sound id="DING" path="ding.ogg" />
    <Sound id="QUIET" path="ding.ogg" volume="0" />
    <SetDefaults path="fonts" idprefix="FONT_" />
    <Font id="TITLE" path="title.txt" tags="outline, glow" />
    <Font id="SYS" path="!sys:Arial" size="12" bold shadow tags="ignored" />
    <Font id="LEGACY" path="legacy.txt" image="fonts/legacy.png" />
    <Font id="TITLE2" path="!ref:FONT_TITLE" />
  </Resources>
  <Resources id="Game">
    <SetDefaults path="images" idprefix="IMAGE_" />
    <Image id="PLAIN" path="map" />
    <Image id="PLAIN_B" path="map" variant="B" />
    <Image id="PLAIN_B2" path="map" variant="b" a4r4g4b4 minsubdivide />
    <Image id="OPAQUE" path="spark" ddsurface nopal />
    <Image id="PURGED" path="anim" nobits nopal />
    <SetDefaults path="fonts" idprefix="FONT_" />
    <Font id="LEGACY_COPY" path="!ref:FONT_LEGACY" />
  </Resources>
</ResourceManifest>
)";

// The fixture's files, written below `root`.
void WriteContent(const std::string& root)
{
    auto put = [&](const std::string& name, const std::string& text)
    {
        std::filesystem::create_directories(std::filesystem::path(root + "/" + name).parent_path());
        std::ofstream(root + "/" + name, std::ios::binary) << text;
    };
    auto image = [&](const std::string& name, int w, int h, auto pixel)
    {
        std::filesystem::create_directories(std::filesystem::path(root + "/" + name).parent_path());
        auto img = ImageLib::Image::Create(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) img->GetBits()[size_t(y) * w + x] = pixel(x, y);
        ASSERT_TRUE(ImageLib::WritePNGImage(root + "/" + name, *img));
    };
    put("properties/resources.xml", kManifest);
    image("images/map.png", 16, 8, [](int, int) { return 0xFF102030u; });
    image("images/button.png", 8, 4, [](int x, int) { return 0xFF000000u | uint32_t(x * 20) << 8; });
    image("images/button_mask.png", 8, 4, [](int x, int y) { return 0xFF000000u | uint32_t(x * 30 + y); });
    image("images/spark.png", 64, 32, [](int, int) { return 0xFF00FF00u; });
    image("images/spark_grid.png", 32, 32, [](int x, int y) { return 0xFF000000u | uint32_t(y * 8 + x / 8); });
    image("images/anim.png", 40, 16, [](int x, int y) { return 0xFF000000u | uint32_t(x + y); });
    image("images/_glow.png", 4, 4, [](int x, int) { return 0xFF000000u | uint32_t(x * 60); });
    put("sounds/click.wav", "RIFF");
    put("sounds/ding.ogg", "OggS");
    image("fonts/title.png", 8, 4, [](int, int) { return 0xFFFFFFFFu; });
    put("fonts/title.txt", "DefaultPointSize 9; Layer Main; Image 'title.png';\n"
                           "Glyphs 'ab' ((0 0 4 4) (4 0 4 4)); Advances 'ab' (5 5); Metrics 4 0 4 0;\n"
                           "Layer Shine; Require glow; Image 'title.png'; Glyphs 'a' ((0 0 4 4)); Advances 'a' (5);\n");
    image("fonts/legacy.png", 8, 4, [](int x, int) { return x < 3 ? 0xFFFF0000u : 0xFF0000FFu; });
    put("fonts/legacy.txt", "97\n3 5\n");
}

class LoadingTest : public ScratchFolder
{
protected:
    void SetUp() override
    {
        ScratchFolder::SetUp();
        mPak = std::make_unique<PakInterface>();
    }
    void TearDown() override
    {
        manager.reset();
        mPak.reset();
        ScratchFolder::TearDown();
    }

    // The fixture packed by the pack tool's folder walk; the loose files are moved away so every read is the pack's.
    void LoadPackedFixture()
    {
        WriteContent("content");
        PakWriter writer;
        std::string why;
        ASSERT_TRUE(AddFolderTree(writer, "content", true, &why)) << why;
        ASSERT_TRUE(writer.WriteTo("main.pak"));
        std::filesystem::rename("content", "elsewhere");
        // The reader every file goes through: ours, unless an application in this process made its own first.
        auto* reader = dynamic_cast<PakInterface*>(ActivePakInterface());
        ASSERT_NE(reader, nullptr);
        ASSERT_TRUE(reader->AddPakFile("main.pak"));
        ASSERT_TRUE(manager->ParseResourcesFile("properties\\resources.xml")) << manager->GetErrorText();
    }

    // A manifest of loose files (no pack).
    void LoadLooseManifest(const std::string& manifest)
    {
        WriteText("m.xml", manifest);
        ASSERT_TRUE(manager->ParseResourcesFile("m.xml")) << manager->GetErrorText();
    }

    int LoadedCount(const std::string& group)
    {
        int n = 0;
        for (const auto* res : *manager->GetGroup(group)) n += res->IsLoaded();
        return n;
    }

    std::string ThrownText(const std::function<void()>& lookup)
    {
        try
        {
            lookup();
        }
        catch (const ResourceManagerException& e)
        {
            return e.what();
        }
        return "<no exception>";
    }

    std::unique_ptr<PakInterface> mPak;
    FakeApp app;
    std::unique_ptr<ResourceManager> manager = std::make_unique<ResourceManager>(&app);
};

} // namespace

TEST_F(LoadingTest, PackedGroupLoadsOneResourceAtATimeInManifestOrder)
{
    LoadPackedFixture();
    const int total = manager->GetNumResources("Init");
    EXPECT_EQ(total, 12); // 13 records, one supplied by the program

    manager->StartLoadResources("Init");
    std::vector<std::string> order;
    for (int step = 1; manager->LoadNextResource(); ++step)
    {
        ASSERT_EQ(LoadedCount("Init"), step) << manager->GetErrorText();
        for (const auto* res : *manager->GetGroup("Init"))
            if (res->IsLoaded() && std::find(order.begin(), order.end(), res->mId) == order.end())
                order.push_back(res->mId);
    }
    ASSERT_FALSE(manager->HadError()) << manager->GetErrorText();
    EXPECT_EQ(order, (std::vector<std::string>{"IMAGE_map", "IMAGE_BTN", "IMAGE_SPARK", "IMAGE_ANIM", "IMAGE_GLOW",
                                               "SOUND_CLICK", "SOUND_DING", "SOUND_QUIET", "FONT_TITLE", "FONT_SYS",
                                               "FONT_LEGACY", "FONT_TITLE2"}));
    EXPECT_EQ(int(order.size()), total); // the from-program image is never loaded
    EXPECT_THROW(manager->GetImageThrow("IMAGE_CURSOR"), ResourceManagerException);

    DDImage* map = manager->GetImageThrow("IMAGE_map");
    EXPECT_EQ(map->GetWidth(), 16);
    EXPECT_EQ(map->GetPixel(3, 3), 0xFF102030u);
    // Few colours and no nopal: the image was turned into its palette form.
    EXPECT_NE(map->mPaletteIndices, nullptr);

    // The alpha image's blue byte becomes the alpha of each pixel.
    DDImage* button = manager->GetImageThrow("IMAGE_BTN");
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(button->GetPixel(x, y), uint32_t(x * 30 + y) << 24 | uint32_t(x * 20) << 8) << x << "," << y;

    // The grid's alpha is repeated in both cells.
    DDImage* spark = manager->GetImageThrow("IMAGE_SPARK");
    for (int y = 0; y < 32; y += 5)
        for (int x = 0; x < 32; x += 3)
        {
            const uint32_t expected = uint32_t(y * 8 + x / 8) << 24 | 0x00FF00u;
            ASSERT_EQ(spark->GetPixel(x, y), expected);
            ASSERT_EQ(spark->GetPixel(x + 32, y), expected);
        }

    DDImage* anim = manager->GetImageThrow("IMAGE_ANIM");
    ASSERT_NE(anim->mAnimInfo, nullptr);
    EXPECT_EQ(anim->mAnimInfo->mAnimType, AnimType_PingPong);
    EXPECT_EQ(anim->mAnimInfo->mFrameDelay, 4);
    EXPECT_EQ(anim->mAnimInfo->mFrameMap, (std::vector<int>{0, 1, 2, 3, 4, 3, 2, 1}));
    EXPECT_EQ(anim->mNumRows, 2);
    EXPECT_EQ(anim->mNumCols, 5);
    EXPECT_EQ(anim->GetCelWidth(), 8);
    EXPECT_EQ(manager->GetImageThrow("IMAGE_map")->mAnimInfo, nullptr);

    // An image that exists only as an alpha image takes the record's colour, set just for its load.
    DDImage* glow = manager->GetImageThrow("IMAGE_GLOW");
    EXPECT_EQ(glow->GetPixel(2, 0), 120u << 24 | 0xFF0000u);
    EXPECT_EQ(app.composeColors[4], 0xFF0000u);
    EXPECT_EQ(app.composeColors[0], 0xFFFFFFu);
    EXPECT_EQ(ImageLib::gAlphaComposeColor.load(), 0xFFFFFFu);

    // Sounds: a volume of 0 or more and a pan other than 0 are handed on; nothing else is.
    const int click = manager->GetSoundThrow("SOUND_CLICK");
    const int ding = manager->GetSoundThrow("SOUND_DING");
    const int quiet = manager->GetSoundThrow("SOUND_QUIET");
    EXPECT_EQ(std::set<int>({click, ding, quiet}).size(), 3u);
    auto clickCalls = app.sounds.CallsFor(click);
    ASSERT_EQ(clickCalls.size(), 3u);
    EXPECT_EQ(clickCalls[0].what, "load");
    EXPECT_EQ(clickCalls[0].path, "sounds/click.wav");
    EXPECT_EQ(clickCalls[1].what, "volume");
    EXPECT_DOUBLE_EQ(clickCalls[1].value, 0.5);
    EXPECT_EQ(clickCalls[2].what, "pan");
    EXPECT_DOUBLE_EQ(clickCalls[2].value, -100);
    EXPECT_EQ(app.sounds.CallsFor(ding).size(), 1u);
    auto quietCalls = app.sounds.CallsFor(quiet);
    ASSERT_EQ(quietCalls.size(), 2u);
    EXPECT_EQ(quietCalls[1].what, "volume");
    EXPECT_DOUBLE_EQ(quietCalls[1].value, 0.0);

    // Fonts: a descriptor font with its tags, a system font (tags are not for it), an image-and-widths font and
    // an independent copy.
    auto* title = dynamic_cast<ImageFont*>(manager->GetFontThrow("FONT_TITLE"));
    ASSERT_NE(title, nullptr);
    EXPECT_TRUE(title->IsLoaded());
    EXPECT_TRUE(title->HasTag("OUTLINE"));
    EXPECT_TRUE(title->HasTag("GLOW"));
    EXPECT_EQ(title->mActiveLayerList.size(), 2u);
    EXPECT_EQ(title->StringWidth("ab"), 10);
    auto* sys = dynamic_cast<SysFont*>(manager->GetFontThrow("FONT_SYS"));
    ASSERT_NE(sys, nullptr);
    EXPECT_EQ(sys->mPointSize, 12);
    EXPECT_TRUE(sys->mBold);
    EXPECT_FALSE(sys->mSimulateBold);
    EXPECT_TRUE(sys->mDrawShadow);
    auto* legacy = dynamic_cast<ImageFont*>(manager->GetFontThrow("FONT_LEGACY"));
    ASSERT_NE(legacy, nullptr);
    EXPECT_EQ(legacy->StringWidth("ab"), 8);
    auto* copy = dynamic_cast<ImageFont*>(manager->GetFontThrow("FONT_TITLE2"));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, title);
    EXPECT_TRUE(copy->HasTag("GLOW"));
    title->RemoveTag("GLOW");
    EXPECT_TRUE(copy->HasTag("GLOW"));
    EXPECT_EQ(manager->GetFont("FONT_TITLE2"), copy);
    EXPECT_EQ(manager->GetFont("FONT_NONE"), nullptr);
}

TEST_F(LoadingTest, SecondLoadLoadsNothingAndDeletedGroupsLoadAgain)
{
    LoadPackedFixture();
    ASSERT_TRUE(manager->LoadResources("Init")) << manager->GetErrorText();
    EXPECT_TRUE(manager->IsGroupLoaded("Init"));
    const int finds = app.findCalls;
    const size_t soundCalls = app.sounds.calls.size();
    EXPECT_TRUE(manager->LoadResources("Init"));
    EXPECT_EQ(app.findCalls, finds);
    EXPECT_EQ(app.sounds.calls.size(), soundCalls);

    const int click = manager->GetSoundThrow("SOUND_CLICK");
    manager->DeleteResources("Init");
    EXPECT_FALSE(manager->IsGroupLoaded("Init"));
    EXPECT_EQ(app.TotalRefs(), 0);
    EXPECT_EQ(app.sounds.calls.back().what, "release");
    EXPECT_EQ(app.sounds.CallsFor(click).back().what, "release");
    EXPECT_EQ(ThrownText([&] { manager->GetImageThrow("IMAGE_map"); }), "Image resource not found: IMAGE_map");
    EXPECT_THROW(manager->GetSoundThrow("SOUND_CLICK"), ResourceManagerException);
    EXPECT_THROW(manager->GetFontThrow("FONT_TITLE"), ResourceManagerException);
    EXPECT_EQ(manager->GetNumResources("Init"), 12); // the records stay

    ASSERT_TRUE(manager->LoadResources("Init")) << manager->GetErrorText();
    EXPECT_EQ(manager->GetImageThrow("IMAGE_BTN")->GetPixel(7, 3), uint32_t(7 * 30 + 3) << 24 | uint32_t(140) << 8);
    EXPECT_NE(manager->GetFontThrow("FONT_TITLE2"), nullptr);
    EXPECT_EQ(LoadedCount("Init"), 12);
}

TEST_F(LoadingTest, VariantsShareByPathAndVariantAndFlagsReachTheImage)
{
    LoadPackedFixture();
    ASSERT_TRUE(manager->LoadResources("Init"));
    ASSERT_TRUE(manager->LoadResources("Game")) << manager->GetErrorText();
    DDImage* map = manager->GetImageThrow("IMAGE_map");
    DDImage* plain = manager->GetImageThrow("IMAGE_PLAIN");
    DDImage* variantB = manager->GetImageThrow("IMAGE_PLAIN_B");
    // "images/map.png" and "images/map" are different names for the table; variants differ by name, not case.
    EXPECT_NE(plain, map);
    EXPECT_NE(variantB, plain);
    EXPECT_EQ(manager->GetImageThrow("IMAGE_PLAIN_B2"), variantB);
    EXPECT_EQ(app.RefsOf(variantB), 2);
    EXPECT_EQ(variantB->mHintFlags, MemoryImage::Hint_Texture4444 | MemoryImage::Hint_MinimalSubdivision);

    // An opaque image asked for as a display surface is purged and wants its surface.
    DDImage* opaque = manager->GetImageThrow("IMAGE_OPAQUE");
    EXPECT_TRUE(opaque->mSurfaceWanted);
    EXPECT_TRUE(opaque->mPurgeable);
    DDImage* purged = manager->GetImageThrow("IMAGE_PURGED");
    EXPECT_TRUE(purged->mPurgeable);
    EXPECT_EQ(purged->mBits, nullptr);
    EXPECT_EQ(purged->GetPixel(1, 0), 0xFF000001u); // still drawable from its display copy

    // Only the group named is freed; shared images stay while another record uses them.
    manager->DeleteResources("Game");
    EXPECT_EQ(app.RefsOf(variantB), 0);
    EXPECT_EQ(manager->GetImageThrow("IMAGE_map"), map);
    EXPECT_EQ(app.RefsOf(map), 1);
}

// A copy of an image-and-widths font made through "!ref:" keeps its glyph image when the original's group is freed.
TEST_F(LoadingTest, RefCopyOutlivesTheOriginalsImage)
{
    LoadPackedFixture();
    ASSERT_TRUE(manager->LoadResources("Init"));
    ASSERT_TRUE(manager->LoadResources("Game"));
    manager->DeleteResources("Init");
    Font* copy = manager->GetFontThrow("FONT_LEGACY_COPY");
    MemoryImage dest(nullptr);
    std::vector<uint32_t> black(16 * 6, 0xFF000000u);
    dest.SetBits(black.data(), 16, 6);
    Graphics g(&dest);
    copy->DrawString(&g, 0, 4, "a", Color::White, g.GetClipRect());
    EXPECT_EQ(dest.GetPixel(1, 1), 0xFFFF0000u);
}

TEST_F(LoadingTest, LoadFailuresGiveTheirTexts)
{
    WriteImage("img/wide.png", 64, 32, 0xFF000000u);
    WriteImage("img/grid_ok.png", 32, 32, 0xFF000080u);
    WriteImage("img/small.png", 8, 8, 0xFF000000u);
    WriteText("snd/ok.wav", "RIFF");
    WriteText("fonts/broken.txt", "Layer a; Bogus 1;");
    LoadLooseManifest(R"(<ResourceManifest>
<Resources id="MissingImage"><Image path="img/nothere"/></Resources>
<Resources id="MissingAlpha"><Image id="a" path="img/wide.png" alphaimage="img/nomask"/></Resources>
<Resources id="AlphaSize"><Image id="b" path="img/wide.png" variant="b" alphaimage="img/small.png"/></Resources>
<Resources id="MissingGrid"><Image id="c" path="img/wide.png" variant="c" cols="2" alphagrid="img/nogrid"/></Resources>
<Resources id="GridSize"><Image id="d" path="img/wide.png" variant="d" cols="2" alphagrid="img/wide.png"/></Resources>
<Resources id="GridOk"><Image id="e" path="img/wide.png" variant="e" cols="2" alphagrid="img/grid_ok.png"/></Resources>
<Resources id="MissingSound"><Sound id="s" path="snd/missing.wav"/></Resources>
<Resources id="FailingSound"><Sound id="t" path="snd/ok.wav"/></Resources>
<Resources id="NoIds"><Sound id="u" path="snd/ok.wav"/></Resources>
<Resources id="RefUnknown"><Font id="r" path="!ref:FONT_NOPE"/></Resources>
<Resources id="BrokenFont"><Font id="f" path="fonts/broken.txt"/></Resources>
<Resources id="MissingFont"><Font id="m" path="fonts/none.txt"/></Resources>
<Resources id="FontImage"><Font id="i" path="fonts/w.txt" image="fonts/none.png"/></Resources>
</ResourceManifest>)");
    app.sounds.failPaths.insert("snd/ok.wav");
    struct Case
    {
        const char* group;
        const char* error;
    };
    const Case cases[] = {
        {"MissingImage", "Failed to load image: img/nothere"},
        {"MissingAlpha", "Failed to load image: img/nomask"},
        {"AlphaSize", "AlphaImage size mismatch between img/wide.png and img/small.png"},
        {"MissingGrid", "Failed to load image: img/nogrid"},
        {"GridSize", "GridAlphaImage size mismatch between img/wide.png and img/wide.png"},
        {"GridOk", ""},
        {"MissingSound", "Failed to load sound: snd/missing.wav"},
        {"FailingSound", "Failed to load sound: snd/ok.wav"},
        {"RefUnknown", "Ref font not found: FONT_NOPE"},
        {"BrokenFont", "Failed to load font: fonts/broken.txt"},
        {"MissingFont", "Failed to load font: fonts/none.txt"},
        {"FontImage", "Failed to load image: fonts/none.png"},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(manager->LoadResources(c.group), *c.error == 0) << c.group;
        EXPECT_EQ(manager->GetErrorText(), c.error) << c.group;
        EXPECT_EQ(manager->IsGroupLoaded(c.group), *c.error == 0) << c.group;
    }
    app.sounds.noFreeIds = true;
    EXPECT_FALSE(manager->LoadResources("NoIds"));
    EXPECT_EQ(manager->GetErrorText(), "Out of free sound ids");

    // A failed image holds no reference; the group loads once the cause is gone, and an image the table kept
    // from the failed try still gets its alpha image.
    EXPECT_EQ(manager->GetImageMap().at("a")->IsLoaded(), false);
    EXPECT_EQ(app.shared.count({"IMG/WIDE.PNG", ""}), 1u);
    WriteImage("img/nomask.png", 64, 32, 0xFF000042u);
    Platform::InvalidateFileNameCache();
    EXPECT_TRUE(manager->LoadResources("MissingAlpha")) << manager->GetErrorText();
    EXPECT_EQ(manager->GetImageThrow("a")->GetPixel(5, 5), 0x42000000u);
    WriteImage("img/nothere.png", 2, 2, 0xFF000000u);
    Platform::InvalidateFileNameCache();
    EXPECT_TRUE(manager->LoadResources("MissingImage")) << manager->GetErrorText();
    EXPECT_EQ(manager->GetErrorText(), "");
}

TEST_F(LoadingTest, CountsAndLookupTexts)
{
    LoadLooseManifest(R"(<ResourceManifest>
<Resources id="g"><Image id="a" path="x"/><Image id="b" path="y"/><Sound id="s" path="z"/><Image id="p" path="!program"/></Resources>
<Resources id="h"><Font id="f" path="q"/></Resources>
</ResourceManifest>)");
    EXPECT_EQ(manager->GetNumResources("g"), 3);
    EXPECT_EQ(manager->GetNumResources("h"), 1);
    EXPECT_EQ(manager->GetNumResources(""), 5);

    EXPECT_EQ(ThrownText([&] { manager->GetImageThrow("IMAGE_NOPE"); }), "Image resource not found: IMAGE_NOPE");
    manager->StartLoadResources("g");                                                           // clears the error
    EXPECT_EQ(ThrownText([&] { manager->GetSoundThrow("s"); }), "Sound resource not found: s"); // declared, not loaded
    manager->StartLoadResources("g");
    EXPECT_EQ(ThrownText([&] { manager->GetFontThrow("f"); }), "Font resource not found: f");
    EXPECT_EQ(manager->GetFont("f"), nullptr);

    // An unknown group is empty: nothing to load, and loading it succeeds.
    EXPECT_TRUE(manager->LoadResources("unknown"));
    EXPECT_EQ(manager->GetNumResources("unknown"), 0);
}

TEST_F(LoadingTest, FailedLookupBesideABackgroundLoadDoesNotStopIt)
{
    std::string manifest = "<ResourceManifest><Resources id=\"bg\">";
    for (int i = 0; i < 60; ++i)
    {
        const std::string name = "p" + std::to_string(i) + ".png";
        auto img = ImageLib::Image::Create(2, 2);
        ASSERT_TRUE(ImageLib::WritePNGImage(name, *img));
        manifest += "<Image id=\"i" + std::to_string(i) + "\" path=\"" + name + "\"/>";
    }
    LoadLooseManifest(manifest + "</Resources></ResourceManifest>");

    // The loader pauses after its sixth picture until the main thread's lookup of an unknown id has failed.
    std::atomic<int> loaded{0};
    std::atomic<bool> lookedUp{false};
    std::thread loader(
        [&]
        {
            manager->StartLoadResources("bg");
            while (manager->LoadNextResource())
                if (++loaded == 6)
                    while (!lookedUp) std::this_thread::yield();
        });
    while (loaded < 6) std::this_thread::yield();
    EXPECT_EQ(ThrownText([&] { manager->GetImageThrow("IMAGE_NOPE"); }), "Image resource not found: IMAGE_NOPE");
    lookedUp = true;
    loader.join();
    EXPECT_EQ(loaded, 60);
    EXPECT_EQ(LoadedCount("bg"), 60);

    // A load that does fail after such a lookup reports its own failure, not the lookup's.
    LoadLooseManifest(R"(<ResourceManifest><Resources id="bad"><Image id="m" path="missing.png"/></Resources>
</ResourceManifest>)");
    manager->StartLoadResources("bad");
    EXPECT_THROW(manager->GetSoundThrow("SOUND_NOPE"), ResourceManagerException);
    EXPECT_FALSE(manager->LoadNextResource());
    EXPECT_TRUE(manager->HadError());
    EXPECT_EQ(manager->GetErrorText(), "Failed to load image: missing.png");
}

TEST_F(LoadingTest, OneImageFreedAndLoadedAgainHasItsMergedPixelsBack)
{
    LoadPackedFixture();
    ASSERT_TRUE(manager->LoadResources("Init")) << manager->GetErrorText();
    DDImage* button = manager->GetImageThrow("IMAGE_BTN");
    const uint32_t merged = button->GetPixel(7, 3);
    const int others = app.TotalRefs() - app.RefsOf(button);

    manager->DeleteImage("IMAGE_BTN");
    EXPECT_EQ(app.RefsOf(button), 0); // the manager no longer holds it
    EXPECT_EQ(app.TotalRefs(), others);
    EXPECT_THROW(manager->GetImageThrow("IMAGE_BTN"), ResourceManagerException);
    EXPECT_NE(manager->GetImageThrow("IMAGE_ANIM"), nullptr); // the rest of the group stays
    EXPECT_FALSE(manager->IsGroupLoaded("Init"));
    // The unused shared image is purged, so the file is read and the alpha merged again.
    for (auto it = app.shared.begin(); it != app.shared.end();) it = it->second.refs == 0 ? app.shared.erase(it) : ++it;

    const int finds = app.findCalls;
    DDImage* again = manager->LoadImage("IMAGE_BTN");
    ASSERT_NE(again, nullptr) << manager->GetErrorText();
    EXPECT_EQ(app.findCalls, finds + 1);
    EXPECT_EQ(again->GetPixel(7, 3), merged);
    EXPECT_EQ(manager->GetImageThrow("IMAGE_BTN"), again);
    EXPECT_EQ(manager->LoadImage("IMAGE_BTN"), again); // loaded: nothing is read
    EXPECT_EQ(app.findCalls, finds + 1);
    EXPECT_EQ(app.RefsOf(again), 1);

    EXPECT_EQ(manager->LoadImage("IMAGE_NONE"), nullptr);
    EXPECT_EQ(manager->GetErrorText(), "Image resource not found: IMAGE_NONE");
}
