// The application's own resource manager: made by the constructor, loading through the application's shared-image
// table and sound manager, and torn down before them.
#include "tests/app/AppTestSupport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

#include "data/ImageLib.h"
#include "graphics/DDImage.h"
#include "resources/ResourceManager.h"

using namespace Zest;

namespace
{
class AppResourcesTest : public AppTest
{
};
} // namespace

TEST_F(AppResourcesTest, ApplicationLoadsGroupsThroughItsOwnServices)
{
    auto image = ImageLib::Image::Create(6, 4);
    for (int i = 0; i < 24; ++i) image->GetBits()[i] = 0xFF336699u;
    std::filesystem::create_directories("images");
    ASSERT_TRUE(ImageLib::WritePNGImage("images/tile.png", *image));
    // The smallest real sound: a WAV of two 16-bit samples (22050 Hz mono, the format without a "fmt " chunk).
    WriteText("sounds/tick.wav", std::string("RIFF\x10\0\0\0WAVEdata\x04\0\0\0\x10\x00\x20\x00", 24));
    WriteText("properties/resources.xml", R"(<ResourceManifest><Resources id="Init">
<SetDefaults path="images" idprefix="IMAGE_"/><Image path="Tile"/><Image id="TILE2" path="tile"/>
<SetDefaults path="sounds" idprefix="SOUND_"/><Sound path="tick" volume="0.5"/>
</Resources></ResourceManifest>)");

    TestApp app;
    ASSERT_NE(app.mResourceManager, nullptr);
    app.Init();
    ResourceManager& resources = *app.mResourceManager;
    ASSERT_TRUE(resources.ParseResourcesFile("properties\\resources.xml")) << resources.GetErrorText();
    ASSERT_TRUE(resources.LoadResources("Init")) << resources.GetErrorText();
    // Both records name one file in the table (the case of a name does not matter to it).
    DDImage* tile = resources.GetImageThrow("IMAGE_Tile");
    EXPECT_EQ(resources.GetImageThrow("IMAGE_TILE2"), tile);
    EXPECT_EQ(tile->GetWidth(), 6);
    EXPECT_EQ(app.mSharedImages.size(), 1u);
    EXPECT_EQ(app.mSharedImages.begin()->second.refCount, 2);
    EXPECT_EQ(resources.GetSoundThrow("SOUND_tick"), 0);

    resources.DeleteResources("Init");
    EXPECT_EQ(app.mSharedImages.begin()->second.refCount, 0);
    ASSERT_TRUE(resources.LoadResources("Init"));
    // The application goes away with the group loaded: the manager gives everything back first.
}

// The loading thread makes a shared image while the main thread resets the display: the load waits for the display
// with only the shared-image table locked, so the screen image made meanwhile can still join the image register.
TEST_F(AppResourcesTest, SharedImageLoadWaitsForADisplayResetWithoutBlockingIt)
{
    auto picture = ImageLib::Image::Create(6, 4);
    for (int i = 0; i < 24; ++i) picture->GetBits()[i] = 0xFF336699u;
    std::filesystem::create_directories("images");
    ASSERT_TRUE(ImageLib::WritePNGImage("images/tile.png", *picture));
    TestApp app;
    app.mLoadingThreadWanted = false;
    app.Init();
    ASSERT_TRUE(app.mDDInterface && app.mDDInterface->IsInitialized());

    std::promise<void> held, go, reset;
    std::thread display(
        [&]
        {
            std::lock_guard hold(app.mDDInterface->mCritSect);
            held.set_value();
            go.get_future().wait();
            app.SwitchScreenImageMemory(false);
            reset.set_value();
        });
    held.get_future().wait();
    DDImage* found = nullptr;
    std::thread loader([&] { found = app.FindSharedImage("images/tile.png", ""); });
    // Long enough for the load to reach the display lock.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    go.set_value();
    if (reset.get_future().wait_for(std::chrono::seconds(20)) != std::future_status::ready)
    {
        // Both threads wait on each other for good: nothing left to tidy.
        std::fprintf(stderr, "the display reset waits for the image register the loading thread holds\n");
        std::_Exit(1);
    }
    display.join();
    loader.join();
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->GetWidth(), 6);
    EXPECT_NE(app.mDDInterface->GetScreenImage(), nullptr);
    app.ReleaseSharedImage(found);
}

// The loading thread holds the shared-image table while it decodes a picture: an update with nothing given back
// meanwhile does not wait for it, so the window keeps being drawn during a long load.
TEST_F(AppResourcesTest, PurgeWithNothingReleasedDoesNotWaitForAnImageBeingLoaded)
{
    TestApp app;
    app.mLoadingThreadWanted = false;
    app.Init();
    std::promise<void> held, done;
    std::thread loader(
        [&]
        {
            std::lock_guard hold(app.mSharedImageLock);
            held.set_value();
            done.get_future().wait();
        });
    held.get_future().wait();
    auto purge = std::async(std::launch::async, [&] { app.PurgeUnusedSharedImages(); });
    const bool waited = purge.wait_for(std::chrono::seconds(2)) != std::future_status::ready;
    done.set_value();
    loader.join();
    purge.wait();
    EXPECT_FALSE(waited);
}
