// Resource binding: every handle bound in order, the first missing name ends a group, its message and partial state.
#include "game/core/GameResources.h"
#include "tests/core/ResourceHandles.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace Zest;

namespace
{

// Answers lookups from a set of present names with distinct fake objects, and records its first error the way
// the resource manager does.
class TableLookup : public ResourceLookup
{
public:
    std::set<std::string> missing;
    std::string errorText;
    std::vector<std::string> order;
    std::map<std::string, int> ids;

    int Id(const std::string& name)
    {
        order.push_back(name);
        auto [it, added] = ids.emplace(name, static_cast<int>(ids.size()) + 1);
        return it->second;
    }
    void Fail(const std::string& text)
    {
        if (errorText.empty()) errorText = text;
        throw ResourceLookupError(text);
    }
    Image* GetImageThrow(const std::string& id) override
    {
        if (missing.count(id)) Fail("Image resource not found: " + id);
        return reinterpret_cast<Image*>(static_cast<uintptr_t>(Id(id)) * 16);
    }
    int GetSoundThrow(const std::string& id) override
    {
        if (missing.count(id)) Fail("Sound resource not found: " + id);
        return Id(id);
    }
    Font* GetFontThrow(const std::string& id) override
    {
        if (missing.count(id)) Fail("Font resource not found: " + id);
        return reinterpret_cast<Font*>(static_cast<uintptr_t>(Id(id)) * 16);
    }
};

// The handles are program-wide; each test starts from zero.
void ClearAll()
{
    CoreTest::ClearResourceHandles();
}

int Count(const std::vector<ResourceName>& names, ResourceKind kind)
{
    int n = 0;
    for (const ResourceName& r : names) n += r.kind == kind;
    return n;
}

} // namespace

TEST(GameResources, GroupsHoldTheirNamesInBindingOrder)
{
    const struct
    {
        const std::vector<ResourceName>* names;
        int fonts, images, sounds;
    } groups[] = {
        {&InitResourceNames(), 6, 4, 0}, {&LoaderBarResourceNames(), 0, 3, 1}, {&GameResourceNames(), 0, 125, 30}};
    std::set<std::string> all;
    for (const auto& g : groups)
    {
        EXPECT_EQ(Count(*g.names, ResourceKind::Font), g.fonts);
        EXPECT_EQ(Count(*g.names, ResourceKind::Image), g.images);
        EXPECT_EQ(Count(*g.names, ResourceKind::Sound), g.sounds);
        for (size_t i = 1; i < g.names->size(); ++i)
        {
            const ResourceName& a = (*g.names)[i - 1];
            const ResourceName& b = (*g.names)[i];
            // Fonts, then images, then sounds; within a kind in byte order (IMAGE_ before IM_BONUS_).
            EXPECT_TRUE(a.kind < b.kind || (a.kind == b.kind && std::string(a.name) < b.name))
                << a.name << " " << b.name;
        }
        for (const ResourceName& r : *g.names) EXPECT_TRUE(all.insert(r.name).second) << r.name;
    }
    EXPECT_EQ(all.size(), 169u);
    EXPECT_TRUE(all.count("SOUND_TAKE_ICECREEM") && all.count("IM_BONUS_HART") && all.count("IMAGE_COFE_MAC"));
}

TEST(GameResources, EveryHandleIsBoundAndDistinct)
{
    ClearAll();
    EXPECT_EQ(IMAGE_MONITOR, nullptr);
    EXPECT_EQ(SOUND_CLICK, 0);
    TableLookup lookup;
    EXPECT_TRUE(ExtractInitResources(lookup));
    EXPECT_TRUE(ExtractLoaderBarResources(lookup));
    EXPECT_TRUE(ExtractGameResources(lookup));
    EXPECT_EQ(lookup.order.size(), 169u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(FONT_BUTTON), 16u * lookup.ids["FONT_BUTTON"]);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(IMAGE_W_LEVEL_COMPLETE), 16u * lookup.ids["IMAGE_W_LEVEL_COMPLETE"]);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(IM_BONUS_PARTICLE3), 16u * lookup.ids["IM_BONUS_PARTICLE3"]);
    EXPECT_EQ(SOUND_CONTINUE, lookup.ids["SOUND_CONTINUE"]);
    EXPECT_EQ(SOUND_TIME_IS_UP, lookup.ids["SOUND_TIME_IS_UP"]);
    EXPECT_TRUE(lookup.errorText.empty());
}

TEST(GameResources, FirstMissingNameEndsTheGroupAndKeepsEarlierHandles)
{
    ClearAll();
    TableLookup lookup;
    lookup.missing = {"SOUND_MATCH"};
    EXPECT_FALSE(ExtractGameResources(lookup));
    EXPECT_EQ(lookup.errorText, "Sound resource not found: SOUND_MATCH");
    EXPECT_NE(IMAGE_W_LEVEL_COMPLETE, nullptr);
    EXPECT_NE(IM_BONUS_PARTICLE3, nullptr);
    EXPECT_NE(SOUND_APPEAR_BOMB, 0);
    EXPECT_NE(SOUND_MAIN_GOAL, 0);
    EXPECT_EQ(SOUND_MATCH, 0);
    EXPECT_EQ(SOUND_MATCH4, 0);
    EXPECT_EQ(SOUND_TIME_IS_UP, 0);

    // Two missing names: the message names the first in binding order, fonts before images.
    ClearAll();
    TableLookup two;
    two.missing = {"IMAGE_CUSTOM_DRAGGING", "FONT_TEST"};
    EXPECT_FALSE(ExtractInitResources(two));
    EXPECT_EQ(two.errorText, "Font resource not found: FONT_TEST");
    EXPECT_NE(FONT_SIMPLE, nullptr);
    EXPECT_EQ(FONT_TEST, nullptr);
    EXPECT_EQ(IMAGE_CUSTOM_POINTER, nullptr);
}

TEST(GameResources, AnEarlierLoadFailureKeepsItsMessageAndOtherErrorsPassThrough)
{
    ClearAll();
    TableLookup lookup;
    lookup.errorText = "Failed to load image: images/title.png";
    lookup.missing = {"IMAGE_TITLE"};
    EXPECT_FALSE(ExtractGameResources(lookup));
    EXPECT_EQ(lookup.errorText, "Failed to load image: images/title.png");

    class Broken : public TableLookup
    {
        int GetSoundThrow(const std::string&) override { throw std::logic_error("not ours"); }
    } broken;
    EXPECT_THROW(ExtractLoaderBarResources(broken), std::logic_error);
}
