// The shipped manifest through the application's own resource manager: every group loads, from the loose tree and
// from main.pak alone, with exactly the handles the game binds.
#include "tests/app/AppTestSupport.h"

#include "contentlint/ContentLint.h"
#include "graphics/DDImage.h"
#include "resources/ResourceManager.h"

#include <filesystem>

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

} // namespace
