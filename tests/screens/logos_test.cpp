// The logo file: which elements count where, attribute rules and colours.
#include "game/screens/Logos.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

using namespace Zest;

namespace
{

LogoFileData Read(const std::string& xml)
{
    std::random_device rd;
    const auto path = std::filesystem::temp_directory_path() / ("ember_logos_" + std::to_string(rd()) + ".xml");
    std::ofstream(path) << xml;
    LogoFileData data;
    EXPECT_TRUE(ReadLogoFile(path.string(), data));
    std::filesystem::remove(path);
    return data;
}

} // namespace

TEST(LogoFile, ScreensPicturesAndTheirPaths)
{
    const LogoFileData data = Read(R"(<LogoAppearence>
        <Image name="root.png"/>
        <BeforeStartLoading>
          <Image name="stray.png"/>
          <ShowLogo time="300" backcolor="10,20,30"><Image name="a.png" left="400" top="0x10" center="1"/>
            <Image name="b.png" left="-5" top="x" center="yes"/></ShowLogo>
          <ShowLogo time="" backcolor="255,255"/>
          <ShowLogo time="-4"/>
          <ShowLogo time="abc" backcolor=""/>
        </BeforeStartLoading>
        <OnTitleLoading><Image name="loading.png" left="1" top="2"/></OnTitleLoading>
        <OnTitle><Image name="title.png" left="3" top="4" center="1"/></OnTitle>
      </LogoAppearence>)");
    ASSERT_EQ(data.screens.size(), 4u);
    const LogoScreenEntry& first = data.screens[0];
    EXPECT_EQ(first.time, 300);
    EXPECT_EQ(first.red, 10);
    EXPECT_EQ(first.green, 20);
    EXPECT_EQ(first.blue, 30);
    ASSERT_EQ(first.pictures.size(), 2u);
    EXPECT_EQ(first.pictures[0].image, "a.png");
    EXPECT_EQ(first.pictures[0].y, 16);
    EXPECT_TRUE(first.pictures[0].centred);
    EXPECT_EQ(first.pictures[1].x, -5);
    EXPECT_EQ(first.pictures[1].y, 0);
    EXPECT_FALSE(first.pictures[1].centred); // only "1" centres
    // Missing or bad times are 0 (gone on the first update); missing colour parts are 0, no colour is black.
    EXPECT_EQ(data.screens[1].time, 0);
    EXPECT_EQ(data.screens[1].red, 255);
    EXPECT_EQ(data.screens[1].blue, 0);
    EXPECT_EQ(data.screens[2].time, -4);
    EXPECT_EQ(data.screens[3].time, 0);
    EXPECT_EQ(data.screens[3].red + data.screens[3].green + data.screens[3].blue, 0);
    ASSERT_EQ(data.loadingImages.size(), 1u);
    EXPECT_EQ(data.loadingImages[0].image, "loading.png");
    ASSERT_EQ(data.titleImages.size(), 1u);
    EXPECT_TRUE(data.titleImages[0].centred);

    LogoFileData none;
    EXPECT_FALSE(ReadLogoFile("no/such/logos.xml", none));
    EXPECT_TRUE(none.screens.empty());
}
