// Binding through the application's real resource manager: a group from a manifest binds its handles, and a name
// the manifest lacks ends the binding with the manager's own message.
#include "ShellTestSupport.h"

#include "data/ImageLib.h"
#include "game/core/GameResources.h"
#include "game/screens/ManagerResources.h"
#include "graphics/DDImage.h"
#include "resources/ResourceManager.h"

using namespace Zest;

namespace
{

class ManagerBindingTest : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        auto image = ImageLib::Image::Create(6, 4);
        for (int i = 0; i < 24; ++i) image->GetBits()[i] = 0xFF336699u;
        std::filesystem::create_directories("images");
        ASSERT_TRUE(ImageLib::WritePNGImage("images/load.png", *image));
        // Two 16-bit samples: the smallest sound the sound manager decodes.
        WriteText("sounds/continue.wav", std::string("RIFF\x10\0\0\0WAVEdata\x04\0\0\0\x10\x00\x20\x00", 24));
        app->ZestAppBase::Init();
    }
    void TearDown() override
    {
        class Zero : public ResourceLookup
        {
            Image* GetImageThrow(const std::string&) override { return nullptr; }
            int GetSoundThrow(const std::string&) override { return 0; }
            Font* GetFontThrow(const std::string&) override { return nullptr; }
        } zero;
        ExtractLoaderBarResources(zero);
        ShellTest::TearDown();
    }
    static std::string Manifest(bool withSound)
    {
        return std::string(R"(<ResourceManifest><Resources id="TitleScreen">
<SetDefaults path="images" idprefix="IMAGE_"/>
<Image id="LOADER_BAR" path="load"/><Image id="LOADER_C" path="load"/><Image id="LOAD_SCREEN" path="load"/>
<SetDefaults path="sounds" idprefix="SOUND_"/>)") +
               (withSound ? R"(<Sound id="CONTINUE" path="continue"/>)" : "") + "</Resources></ResourceManifest>";
    }
};

} // namespace

TEST_F(ManagerBindingTest, GroupFromTheManifestBindsItsHandles)
{
    WriteText("properties/resources.xml", Manifest(true));
    ManagerResources resources(*app->mResourceManager);
    ASSERT_TRUE(resources.LoadManifest()) << resources.GetErrorText();
    ASSERT_TRUE(resources.LoadResources("TitleScreen")) << resources.GetErrorText();
    EXPECT_EQ(resources.GetNumResources("TitleScreen"), 4);
    EXPECT_TRUE(ExtractLoaderBarResources(resources));
    ASSERT_NE(IMAGE_LOAD_SCREEN, nullptr);
    EXPECT_EQ(IMAGE_LOAD_SCREEN->GetWidth(), 6);
    EXPECT_EQ(IMAGE_LOADER_BAR, IMAGE_LOAD_SCREEN); // one file, one shared image
    resources.DeleteResources("TitleScreen");
}

TEST_F(ManagerBindingTest, MissingNameEndsBindingWithTheManagersMessage)
{
    WriteText("properties/resources.xml", Manifest(false));
    ManagerResources resources(*app->mResourceManager);
    ASSERT_TRUE(resources.LoadManifest());
    ASSERT_TRUE(resources.LoadResources("TitleScreen"));
    EXPECT_FALSE(ExtractLoaderBarResources(resources));
    EXPECT_EQ(resources.GetErrorText(), "Sound resource not found: SOUND_CONTINUE");
    EXPECT_NE(IMAGE_LOAD_SCREEN, nullptr);
    EXPECT_EQ(SOUND_CONTINUE, 0);
    resources.DeleteResources("TitleScreen");
}
