// Tests of the resource manifest: its vocabulary, the records it makes, and every error text with its line and file.
#include "ResourceTestSupport.h"

#include <climits>

using namespace Zest;
using namespace ResourceTest;

namespace
{

class ManifestTest : public ScratchFolder
{
protected:
    // Parses `text` as the manifest file "m.xml".
    bool Parse(const std::string& text)
    {
        WriteText("m.xml", text);
        return manager.ParseResourcesFile("m.xml");
    }
    const ResourceManager::ImageRes* Image(const std::string& id)
    {
        auto it = manager.GetImageMap().find(id);
        return it == manager.GetImageMap().end() ? nullptr
                                                 : static_cast<const ResourceManager::ImageRes*>(it->second.get());
    }
    const ResourceManager::SoundRes* Sound(const std::string& id)
    {
        auto it = manager.GetSoundMap().find(id);
        return it == manager.GetSoundMap().end() ? nullptr
                                                 : static_cast<const ResourceManager::SoundRes*>(it->second.get());
    }
    const ResourceManager::FontRes* FontRecord(const std::string& id)
    {
        auto it = manager.GetFontMap().find(id);
        return it == manager.GetFontMap().end() ? nullptr
                                                : static_cast<const ResourceManager::FontRes*>(it->second.get());
    }

    FakeApp app;
    ResourceManager manager{&app};
};

const char* const kMinimalFixture = R"(<?xml version="1.0"?>
<ResourceManifest>
  <Resources id="Init">
    <SetDefaults path="images\" idprefix="IMAGE_" />
    <Image path="map.png" />                                   <!-- IMAGE_map, images/map.png -->
    <Image id="BTN" path="button" cols="4" nopal />
    <Image id="SPARK" path="spark" cols="8" anim="loop" framedelay="3" perframedelay="1,2,3" />
    <Image id="CURSOR" path="!program" />
    <SetDefaults path="sounds" idprefix="SOUND_" />
    <Sound id="CLICK" path="click" volume="0.5" pan="-100" />
    <SetDefaults path="fonts" idprefix="FONT_" />
    <Font id="SYS" path="!sys:Arial" size="12" bold shadow />
    <Font id="TITLE" path="title.txt" tags="outline, glow" />
    <Font id="TITLE2" path="!ref:FONT_TITLE" />
  </Resources>
</ResourceManifest>
)";

} // namespace

TEST_F(ManifestTest, MinimalFixtureMakesTheRecordsWithTheirDefaults)
{
    ASSERT_TRUE(Parse(kMinimalFixture)) << manager.GetErrorText();
    EXPECT_FALSE(manager.HadError());

    const auto* map = Image("IMAGE_map");
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->mPath, "images/map.png");
    EXPECT_EQ(map->mResGroup, "Init");
    EXPECT_EQ(map->mType, ResourceManager::ResType_Image);
    EXPECT_TRUE(map->mPalletize);
    EXPECT_TRUE(map->mAlphaAllowed);
    EXPECT_EQ(map->mRows, 1);
    EXPECT_EQ(map->mCols, 1);
    EXPECT_EQ(map->mAlphaColor, 0xFFFFFFu);
    EXPECT_EQ(map->mAnimInfo.mAnimType, AnimType_None);

    const auto* button = Image("IMAGE_BTN");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->mPath, "images/button");
    EXPECT_EQ(button->mCols, 4);
    EXPECT_FALSE(button->mPalletize);
    EXPECT_EQ(button->mXMLAttributes.at("cols"), "4");

    const auto* spark = Image("IMAGE_SPARK");
    ASSERT_NE(spark, nullptr);
    EXPECT_EQ(spark->mAnimInfo.mAnimType, AnimType_Loop);
    EXPECT_EQ(spark->mAnimInfo.mFrameDelay, 3);
    EXPECT_EQ(spark->mAnimInfo.mNumCels, 8);
    // The per-frame list keeps what it was given; entries it lacks fall back to the frame delay when drawn.
    EXPECT_EQ(spark->mAnimInfo.mPerFrameDelay, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(spark->mAnimInfo.mTotalAnimTime, 6);

    const auto* cursor = Image("IMAGE_CURSOR");
    ASSERT_NE(cursor, nullptr);
    EXPECT_TRUE(cursor->mFromProgram);
    EXPECT_EQ(cursor->mPath, "!program");

    const auto* click = Sound("SOUND_CLICK");
    ASSERT_NE(click, nullptr);
    EXPECT_EQ(click->mPath, "sounds/click");
    EXPECT_DOUBLE_EQ(click->mVolume, 0.5);
    EXPECT_EQ(click->mPanning, -100);
    EXPECT_EQ(click->mSoundId, -1);

    const auto* sys = FontRecord("FONT_SYS");
    ASSERT_NE(sys, nullptr);
    EXPECT_TRUE(sys->mSysFont);
    EXPECT_EQ(sys->mSize, 12);
    EXPECT_TRUE(sys->mBold);
    EXPECT_TRUE(sys->mShadow);
    EXPECT_FALSE(sys->mItalic);
    EXPECT_FALSE(sys->mUnderline);
    const auto* title = FontRecord("FONT_TITLE");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->mPath, "fonts/title.txt");
    EXPECT_EQ(title->mTags, "outline, glow");
    EXPECT_FALSE(title->mSysFont);
    ASSERT_NE(FontRecord("FONT_TITLE2"), nullptr);
    EXPECT_EQ(FontRecord("FONT_TITLE2")->mPath, "!ref:FONT_TITLE");

    const ResourceManager::ResList* group = manager.GetGroup("Init");
    ASSERT_NE(group, nullptr);
    std::vector<std::string> ids;
    for (const auto* res : *group) ids.push_back(res->mId);
    EXPECT_EQ(ids, (std::vector<std::string>{"IMAGE_map", "IMAGE_BTN", "IMAGE_SPARK", "IMAGE_CURSOR", "SOUND_CLICK",
                                             "FONT_SYS", "FONT_TITLE", "FONT_TITLE2"}));
    // From-program records load nothing and are not counted by group; the empty name counts every record.
    EXPECT_EQ(manager.GetNumResources("Init"), 7);
    EXPECT_EQ(manager.GetNumResources(""), 8);
    EXPECT_EQ(manager.GetNumResources("Nothing"), 0);
}

TEST_F(ManifestTest, DefaultsPersistAcrossGroupsAndGroupsCanBeReopened)
{
    ASSERT_TRUE(Parse(R"(<ResourceManifest>
<Resources id="A"><SetDefaults path="art/" idprefix="IMG_/"/><Image path="sub\one.gif"/></Resources>
<Resources id="B"><Image path="two.png" id="Two"/><SetDefaults idprefix="X"/><Image path="three"/></Resources>
<Resources id="A"><Image path="four.tga"/><SetDefaults path=""/><Image path="five.png"/></Resources>
</ResourceManifest>)"))
        << manager.GetErrorText();
    EXPECT_EQ(Image("IMG_one")->mPath, "art/sub\\one.gif");
    EXPECT_EQ(Image("IMG_Two")->mPath, "art/two.png");
    EXPECT_EQ(Image("IMG_Two")->mResGroup, "B");
    EXPECT_EQ(Image("Xthree")->mPath, "art/three");
    // An empty default path is no folder at all (not the root).
    EXPECT_EQ(Image("Xfive")->mPath, "five.png");
    std::vector<std::string> ids;
    for (const auto* res : *manager.GetGroup("A")) ids.push_back(res->mId);
    EXPECT_EQ(ids, (std::vector<std::string>{"IMG_one", "Xfour", "Xfive"}));
    EXPECT_EQ(manager.GetNumResources("A"), 3);
}

TEST_F(ManifestTest, IdsAreUniquePerKindOnly)
{
    EXPECT_TRUE(Parse(R"(<ResourceManifest><Resources id="g">
<Image id="SAME" path="a"/><Sound id="SAME" path="a"/><Font id="SAME" path="a.txt"/>
</Resources></ResourceManifest>)"));
    EXPECT_NE(Image("SAME"), nullptr);
    EXPECT_NE(Sound("SAME"), nullptr);
    EXPECT_NE(FontRecord("SAME"), nullptr);
}

TEST_F(ManifestTest, ErrorTextsNameTheLineAndTheFile)
{
    struct Case
    {
        const char* manifest;
        const char* error;
    };
    const Case cases[] = {
        {"<?xml version=\"1.0\"?>\n<Manifest>\n</Manifest>",
         "Expecting ResourceManifest tag on Line 2 in File 'm.xml'"},
        {"", "Expecting ResourceManifest tag on Line 1 in File 'm.xml'"},
        {"<ResourceManifest>\n<Resources>\n</Resources>", "No id specified. on Line 2 in File 'm.xml'"},
        {"<ResourceManifest>\n<Resources id=\"\"/>", "No id specified. on Line 2 in File 'm.xml'"},
        {"<ResourceManifest>\n\n<Group id=\"a\"/>", "Invalid Section 'Group' on Line 3 in File 'm.xml'"},
        {"<ResourceManifest>\nstray words\n<Resources id=\"a\"/>",
         "Element Not Expected 'stray words' on Line 3 in File 'm.xml'"},
        {"<ResourceManifest><Resources id=\"a\">\n<Picture path=\"x\"/>",
         "Invalid Section 'Picture' on Line 2 in File 'm.xml'"},
        {"<ResourceManifest><Resources id=\"a\">\nwords</Resources>",
         "Element Not Expected 'words' on Line 2 in File 'm.xml'"},
        {"<ResourceManifest><Resources id=\"a\">\n<Image path=\"x\">\n<Sub/></Image>",
         "Unexpected element found. on Line 3 in File 'm.xml'"},
        {"<ResourceManifest><Resources id=\"a\">\n<Sound path=\"x\">text</Sound>",
         "Unexpected element found. on Line 2 in File 'm.xml'"},
        {"<ResourceManifest><Resources id=\"a\">\n<SetDefaults path=\"x\"><Image path=\"y\"/></SetDefaults>",
         "Unexpected element found. on Line 2 in File 'm.xml'"},
        {"<ResourceManifest><Resources id=\"a\">\n<Image id=\"x\"/>", "No path specified. on Line 2 in File 'm.xml'"},
        {"<ResourceManifest><Resources id=\"a\">\n<Font path=\"\"/>", "No path specified. on Line 2 in File 'm.xml'"},
        {"<ResourceManifest><Resources id=\"a\">\n<Image path=\"x\"/>\n<Image path=\"y/x.png\"/>",
         "Resource already defined. on Line 3 in File 'm.xml'"},
        {"<ResourceManifest><Resources id=\"a\">\n\n\n<Image path=\"x\" anim=\"bounce\"/>",
         "Invalid animation type. on Line 4 in File 'm.xml'"},
        {"<ResourceManifest><Resources id=\"a\">\n<Font path=\"!sys:Arial\"/>",
         "SysFont needs point size on Line 2 in File 'm.xml'"},
        {"<ResourceManifest><Resources id=\"a\">\n<Font path=\"!sys:Arial\" size=\"0\"/>",
         "SysFont needs point size on Line 2 in File 'm.xml'"},
        {"<ResourceManifest><Resources id=\"a\">\n<Font path=\"!sys:Arial\" size=\"-3\"/>",
         "SysFont needs point size on Line 2 in File 'm.xml'"},
        // The reader's own errors come through with the same additions.
        {"<ResourceManifest><Resources id=\"a\">\n</Other>",
         "End 'Other' Doesn't Match Start 'Resources' on Line 2 in File 'm.xml'"},
        {"<ResourceManifest>\n<Resources id=\"a\">\n<Image path=\"x\"",
         "Unexpected End of File on Line 3 in File 'm.xml'"},
    };
    for (const Case& c : cases)
    {
        ResourceManager fresh(&app);
        WriteText("m.xml", c.manifest);
        EXPECT_FALSE(fresh.ParseResourcesFile("m.xml")) << c.manifest;
        EXPECT_TRUE(fresh.HadError());
        EXPECT_EQ(fresh.GetErrorText(), c.error) << c.manifest;
    }
}

TEST_F(ManifestTest, MissingManifestGivesTheBareMessage)
{
    EXPECT_FALSE(manager.ParseResourcesFile("properties\\nothing.xml"));
    EXPECT_EQ(manager.GetErrorText(), "Resource file not found: properties\\nothing.xml");
}

TEST_F(ManifestTest, FirstErrorIsKeptAndEarlierRecordsStay)
{
    EXPECT_FALSE(Parse("<ResourceManifest><Resources id=\"a\">\n<Image path=\"kept\"/>\n<Image path=\"x\" "
                       "anim=\"wobble\"/>\n<Image id=\"y\"/>\n</Resources></ResourceManifest>"));
    EXPECT_EQ(manager.GetErrorText(), "Invalid animation type. on Line 3 in File 'm.xml'");
    EXPECT_NE(Image("kept"), nullptr);
    EXPECT_EQ(Image("y"), nullptr); // the parse stopped at the first error

    // Later failures, through the lookups too, leave the first text in place.
    EXPECT_FALSE(manager.Fail("Second"));
    EXPECT_THROW(manager.GetImageThrow("missing"), ResourceManagerException);
    EXPECT_EQ(manager.GetErrorText(), "Invalid animation type. on Line 3 in File 'm.xml'");
    try
    {
        manager.GetSoundThrow("missing");
    }
    catch (const ResourceManagerException& e)
    {
        EXPECT_STREQ(e.what(), "Invalid animation type. on Line 3 in File 'm.xml'");
    }
}

TEST_F(ManifestTest, AnimationTypesAndCells)
{
    ASSERT_TRUE(Parse(R"(<ResourceManifest><Resources id="a">
<Image id="loop" path="x" anim="LOOP"/>
<Image id="once" path="x" anim="Once"/>
<Image id="ping" path="x" anim="pingPong" cols="4" begindelay="7" enddelay="9" framedelay="2"/>
<Image id="none" path="x" anim="none" rows="3"/>
<Image id="grid" path="x" rows="2" cols="5" anim="once"/>
<Image id="map" path="x" cols="3" anim="loop" framemap="2,0,1,1" framedelay="0"/>
</Resources></ResourceManifest>)"))
        << manager.GetErrorText();
    EXPECT_EQ(Image("loop")->mAnimInfo.mAnimType, AnimType_Loop);
    EXPECT_EQ(Image("once")->mAnimInfo.mAnimType, AnimType_Once);
    EXPECT_EQ(Image("none")->mAnimInfo.mAnimType, AnimType_None);
    EXPECT_EQ(Image("none")->mRows, 3);
    // Rows 2 by cols 5 animate over the larger number: 5 cells.
    EXPECT_EQ(Image("grid")->mAnimInfo.mNumCels, 5);

    const AnimInfo& ping = Image("ping")->mAnimInfo;
    EXPECT_EQ(ping.mAnimType, AnimType_PingPong);
    EXPECT_EQ(ping.mFrameMap, (std::vector<int>{0, 1, 2, 3, 2, 1}));
    EXPECT_EQ(ping.mPerFrameDelay, (std::vector<int>{7, 2, 2, 2, 2, 9}));
    EXPECT_EQ(ping.mTotalAnimTime, 7 + 2 * 4 + 9);

    const AnimInfo& mapped = Image("map")->mAnimInfo;
    EXPECT_EQ(mapped.mFrameMap, (std::vector<int>{2, 0, 1, 1}));
    EXPECT_EQ(mapped.mNumCels, 4);
    EXPECT_EQ(mapped.mFrameDelay, 1); // raised to 1
}

TEST_F(ManifestTest, ImageFlagsAndPurgeFollowThe3DState)
{
    const char* text = R"(<ResourceManifest><Resources id="a">
<Image id="all" path="x" a4r4g4b4 a8r8g8b8 ddsurface minsubdivide noalpha nopal alphaimage="x_a" alphagrid="g"
 alphacolor="ff00FF" variant="Red"/>
<Image id="bits" path="x" nobits />
<Image id="bits3d" path="x" nobits3d />
<Image id="bits2d" path="x" nobits2d />
</Resources></ResourceManifest>)";
    for (bool is3D : {false, true})
    {
        app.is3D = is3D;
        ResourceManager fresh(&app);
        WriteText("m.xml", text);
        ASSERT_TRUE(fresh.ParseResourcesFile("m.xml")) << fresh.GetErrorText();
        auto image = [&](const char* id)
        { return static_cast<const ResourceManager::ImageRes*>(fresh.GetImageMap().at(id).get()); };
        const auto* all = image("all");
        EXPECT_TRUE(all->mA4R4G4B4 && all->mA8R8G8B8 && all->mDDSurface && all->mMinimizeSubdivisions);
        EXPECT_FALSE(all->mAlphaAllowed);
        EXPECT_FALSE(all->mPalletize);
        EXPECT_FALSE(all->mPurgeBits);
        EXPECT_EQ(all->mAlphaImage, "x_a");
        EXPECT_EQ(all->mAlphaGridImage, "g");
        EXPECT_EQ(all->mAlphaColor, 0xFF00FFu);
        EXPECT_EQ(all->mVariant, "Red");
        EXPECT_TRUE(image("bits")->mPurgeBits);
        EXPECT_EQ(image("bits3d")->mPurgeBits, is3D);
        EXPECT_EQ(image("bits2d")->mPurgeBits, !is3D);
    }
}

// Every number in a manifest is read as the runtime would read it for sane values, and bounded for the rest.
TEST_F(ManifestTest, NumbersAreReadLenientlyAndBounded)
{
    std::string longList = "1";
    for (int i = 0; i < 100000; ++i) longList += ",5";
    ASSERT_TRUE(Parse(R"(<ResourceManifest><Resources id="a">
<Image id="zero" path="x" rows="0" cols="-4"/>
<Image id="huge" path="x" rows="99999999999999999999" cols="3x" anim="loop" framedelay="99999999999"/>
<Image id="junk" path="x" cols=" 7 cells" alphacolor="zz" anim="once" framedelay="abc" begindelay="-5"/>
<Image id="list" path="x" anim="loop" perframedelay=")" +
                      longList + R"(" framemap="-3,1"/>
<Sound id="s1" path="x" volume="loud" pan="99999999999"/>
<Sound id="s2" path="x" volume="nan" pan="-7.9"/>
<Sound id="s3" path="x" volume="0"/>
<Font id="f" path="!sys:Face" size="100000"/>
</Resources></ResourceManifest>)"))
        << manager.GetErrorText();
    EXPECT_EQ(Image("zero")->mRows, 1);
    EXPECT_EQ(Image("zero")->mCols, 1);
    EXPECT_EQ(Image("huge")->mRows, ResourceManager::kMaxCels);
    EXPECT_EQ(Image("huge")->mCols, 3);
    EXPECT_EQ(Image("huge")->mAnimInfo.mFrameDelay, ResourceManager::kMaxDelay);
    EXPECT_EQ(Image("huge")->mAnimInfo.mNumCels, ResourceManager::kMaxCels);
    EXPECT_EQ(Image("junk")->mCols, 7);
    EXPECT_EQ(Image("junk")->mAlphaColor, 0u);
    EXPECT_EQ(Image("junk")->mAnimInfo.mFrameDelay, 1);
    const AnimInfo& list = Image("list")->mAnimInfo;
    EXPECT_EQ(list.mPerFrameDelay.size(), size_t(ResourceManager::kMaxListLength));
    EXPECT_EQ(list.mFrameMap, (std::vector<int>{0, 1})); // a cell index is never negative
    EXPECT_DOUBLE_EQ(Sound("s1")->mVolume, -1.0);
    EXPECT_EQ(Sound("s1")->mPanning, ResourceManager::kMaxPan);
    EXPECT_DOUBLE_EQ(Sound("s2")->mVolume, -1.0);
    EXPECT_EQ(Sound("s2")->mPanning, -7);
    EXPECT_DOUBLE_EQ(Sound("s3")->mVolume, 0.0);
    EXPECT_EQ(FontRecord("f")->mSize, ResourceManager::kMaxFontSize);
}

TEST_F(ManifestTest, CommentsInstructionsAndEndTagsArePassedOver)
{
    EXPECT_TRUE(Parse("<?xml version=\"1.0\"?>\n<!-- head -->\n<ResourceManifest>\n<?note x?>\n"
                      "<Resources id=\"a\"><!-- c --><?p q?><Image path=\"i\"/></Resources>\n"
                      "</ResourceManifest>\n<!-- tail -->\n"))
        << manager.GetErrorText();
    EXPECT_NE(Image("i"), nullptr);
    // A group may end with the file.
    ResourceManager open(&app);
    WriteText("open.xml", "<ResourceManifest><Resources id=\"a\"><Image path=\"i\"/>");
    EXPECT_TRUE(open.ParseResourcesFile("open.xml")) << open.GetErrorText();
    EXPECT_EQ(open.GetGroup("a")->size(), 1u);
}
