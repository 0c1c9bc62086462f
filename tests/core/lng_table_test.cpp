// Language table: which entries get numbers, empty entries, damaged files, lookups past the end.
#include "CoreTestSupport.h"
#include "game/core/LngTable.h"

#include <gtest/gtest.h>

using namespace Zest;

namespace
{

LngTable Load(const std::string& xml)
{
    CoreTest::TempFolder dir;
    dir.Write("lng.xml", xml);
    LngTable table(false);
    table.Load(dir.File("lng.xml"));
    return table;
}

} // namespace

TEST(LngTable, NumbersOnlyTopLevelStringsOfTheCurrentLanguage)
{
    struct Case
    {
        const char* xml;
        std::vector<std::string> want;
    };
    const Case cases[] = {
        {R"(<Language Current="de"><String LNG="en">Play</String><String LNG="de">Spielen</String>)"
         R"(<String LNG="de">Ende</String></Language>)",
         {"Spielen", "Ende"}},
        // An entry without LNG counts only while no language is current.
        {R"(<Language><String>zero</String><String LNG="en">no</String></Language>)", {"zero"}},
        {R"(<Language Current="en"><String>no</String><String LNG="en">one</String></Language>)", {"one"}},
        // Nested languages and strings before any Language element add nothing.
        {R"(<Root><Language Current="en"><String LNG="en">nested</String></Language></Root>)", {}},
        {R"(<String LNG="">early</String><Language><String LNG="">late</String></Language>)", {"late"}},
        // Empty entries keep their numbers and do not swallow the entry after them.
        {R"(<Language Current="en"><String LNG="en"></String><String LNG="en"/><String LNG="en">two</String>)"
         R"(</Language>)",
         {"", "", "two"}},
        // A String tag that ends the file has no text and takes no number.
        {R"(<Language Current="en"><String LNG="en">a</String><String LNG="en">)", {"a"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Load(c.xml).strings, c.want) << c.xml;
}

TEST(LngTable, ParseErrorKeepsWhatWasReadAndLoadingTwiceAppends)
{
    EXPECT_EQ(Load(R"(<Language Current="en"><String LNG="en">a</String><String LNG="en">b</Str)").strings,
              (std::vector<std::string>{"a", "b"}));

    CoreTest::TempFolder dir;
    dir.Write("lng.xml", R"(<Language Current="en"><String LNG="en">a</String></Language>)");
    LngTable table(false);
    table.Load(dir.File("lng.xml"));
    table.Load(dir.File("lng.xml"));
    table.Load(dir.File("missing.xml"));
    EXPECT_EQ(table.strings, (std::vector<std::string>{"a", "a"}));
}

TEST(LngTable, LookupPastTheTableIsEmpty)
{
    const LngTable table = Load(R"(<Language Current="en"><String LNG="en">zero</String></Language>)");
    EXPECT_EQ(table(0), "zero");
    EXPECT_EQ(table(1), "");
    EXPECT_EQ(table.Get(216), "");
    EXPECT_EQ(table(-1), "");
}
