// Tests of the XML pull reader: encodings, the element state machine, entities, self-closing tags and errors.
#include "data/PakInterface.h"
#include "data/PakWriter.h"
#include "data/XMLParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace Zest;

namespace
{

// One line per element: kind, section, value, then attributes or the instruction text.
std::string Describe(const XMLElement& e)
{
    static const char* kinds[] = {"?", "S", "E", "T", "I", "C"};
    std::string s = std::string(kinds[e.mType]) + "[" + e.mSection + "]" + e.mValue;
    if (e.mType == XMLElement::TypeInstruction) s += "|" + e.mInstruction;
    for (const auto& [name, value] : e.mAttributes) s += " " + name + "=" + value;
    return s;
}

struct ParseResult
{
    std::vector<std::string> elements;
    std::string error; // empty when the file ended cleanly
    int line = 0;
};

class XmlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::random_device rd;
        mDir = fs::temp_directory_path() / ("zest_xml_" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(mDir);
    }
    void TearDown() override { fs::remove_all(mDir); }

    std::string Write(const std::string& bytes, const std::string& name = "test.xml")
    {
        const fs::path path = mDir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    ParseResult Parse(const std::string& bytes)
    {
        XMLParser parser;
        EXPECT_TRUE(parser.OpenFile(Write(bytes)));
        return ReadAll(parser);
    }

    static ParseResult ReadAll(XMLParser& parser)
    {
        ParseResult r;
        XMLElement e;
        while (parser.ReadNextElement(e)) r.elements.push_back(Describe(e));
        if (parser.HasFailed()) r.error = parser.GetErrorText();
        r.line = parser.GetLineNumber();
        return r;
    }

    fs::path mDir;
};

std::string Utf16(const std::u16string& text, bool bigEndian)
{
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t u : text)
    {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

using V = std::vector<std::string>;

TEST_F(XmlTest, EncodingsAndOrderMarks)
{
    const struct
    {
        const char* what;
        std::string bytes;
        V expected;
    } cases[] = {
        {"one byte per character without a mark",
         "<a v=\"\xC3\xA9\">\xC3\xA9</a>",
         {"S[]a v=\xC3\xA9", "T[a]\xC3\xA9", "E[a]a"}},
        {"UTF-8 mark is not part of the text", "\xEF\xBB\xBFhi<a v=\"\xC3\xA9\"/>", {"T[]hi", "S[]a v=\xE9", "E[a]a"}},
        {"UTF-8 beyond Latin-1: attributes narrow to '?', text keeps the low byte",
         "\xEF\xBB\xBF<a v=\"x\xE4\xB8\xADy\">\xE4\xB8\xAD</a>",
         {"S[]a v=x?y", "T[a]\x2D", "E[a]a"}},
        {"UTF-16 little-endian", Utf16(u"<a v=\"\u00E9\u4E2D\">t</a>", false), {"S[]a v=\xE9?", "T[a]t", "E[a]a"}},
        {"UTF-16 big-endian", Utf16(u"<a v=\"\u00E9\">t</a>", true), {"S[]a v=\xE9", "T[a]t", "E[a]a"}},
        {"UTF-16 units from U+F800 up are characters, not pair starts",
         Utf16(u"<a>\uFF21\uF841</a>", false),
         {"S[]a", "T[a]\x21\x41", "E[a]a"}},
        // A pair gives the low 16 bits of (lead << 10 | trail & 0x3FF): here 0xF600, stored as its low byte.
        {"UTF-16 surrogate pair", Utf16(u"<a>\U0001F600</a>", false), {"S[]a", std::string("T[a]\0", 5), "E[a]a"}},
    };
    for (const auto& c : cases)
    {
        const ParseResult r = Parse(c.bytes);
        EXPECT_EQ(r.error, "") << c.what;
        EXPECT_EQ(r.elements, c.expected) << c.what;
    }
}

TEST_F(XmlTest, EncodingErrors)
{
    const struct
    {
        const char* what;
        std::string bytes;
        size_t elements;
        const char* error;
    } cases[] = {
        {"bad UTF-8 between elements", "\xEF\xBB\xBF<a/>\xFF", 2, "Illegal Character"},
        {"continuation byte first", "\xEF\xBB\xBF\x80<a/>", 0, "Illegal Character"},
        {"overlong two-byte form", "\xEF\xBB\xBF\xC0\x80", 0, "Illegal Character"},
        {"overlong three-byte form", "\xEF\xBB\xBF\xE0\x80\x80", 0, "Illegal Character"},
        {"encoded surrogate", "\xEF\xBB\xBF\xED\xA0\x80", 0, "Illegal Character"},
        {"U+FFFE", "\xEF\xBB\xBF\xEF\xBF\xBE", 0, "Illegal Character"},
        {"bad UTF-8 inside an element", "\xEF\xBB\xBF<a>x\xC3(</a>", 1, "Unexpected End of File"},
        {"truncated sequence inside text", "\xEF\xBB\xBF<a>x\xE4\xB8", 1, "Unexpected End of File"},
        {"truncated sequence between elements", "\xEF\xBB\xBF<a>\xE4\xB8", 1, "Illegal Character"},
        {"UTF-16 unpaired lead surrogate ends the data", Utf16(u"<a>x" + std::u16string(1, 0xD800) + u"y</a>", false),
         1, "Unexpected End of File"},
        {"UTF-16 lone trail surrogate ends the data", Utf16(u"<a>x" + std::u16string(1, 0xDC00) + u"</a>", false), 1,
         "Unexpected End of File"},
    };
    for (const auto& c : cases)
    {
        const ParseResult r = Parse(c.bytes);
        EXPECT_EQ(r.error, c.error) << c.what;
        EXPECT_EQ(r.elements.size(), c.elements) << c.what;
    }
    // A well-formed four-byte sequence keeps the low 16 bits of its value.
    EXPECT_EQ(Parse("\xEF\xBB\xBF<a>\xF0\x9F\x98\x80</a>").elements[1], std::string("T[a]\0", 5));
}

TEST_F(XmlTest, ElementsSectionsTextAndInstructions)
{
    const struct
    {
        std::string xml;
        V expected;
    } cases[] = {
        {"<?xml version=\"1.0\"?>\n<r/>", {"I[]xml| version=\"1.0\"", "S[]r", "E[r]r"}},
        {"<r><s><t/></s></r>", {"S[]r", "S[r]s", "S[r/s]t", "E[r/s/t]t", "E[r/s]s", "E[r]r"}},
        {"<r>  two \t\n  words   </r>", {"S[]r", "T[r]two words", "E[r]r"}},
        {"<r>  \r\n\t </r>", {"S[]r", "E[r]r"}},
        {"<r><!-- a <comment> --><s/></r>", {"S[]r", "S[r]s", "E[r/s]s", "E[r]r"}},
        {"<r><!--c--></!--c--></r>", {"S[]r", "S[r]!--c--", "E[r/!--c--]!--c--", "E[r]r"}},
        {"<r>fish &amp; chips &lt;3</r>", {"S[]r", "T[r]fish & chips <3", "E[r]r"}},
        {"<r>say \"a <b> c\" now</r>", {"S[]r", "T[r]say \"a <b> c\" now", "E[r]r"}},
        {"<r v=\"a <b> c\nd\"/>", {"S[]r v=a <b> c\nd", "E[r]r"}},
        {"<r v='x y' />", {"S[]r v='x y'=", "E[r]r"}}, // single quotes are ordinary characters
        {"<r></r >  \n ", {"S[]r", "E[r]r"}},
        {"<r\n  a = \"1\"\n  b=2 c\n/>", {"S[]r a=1 b=2 c=", "E[r]r"}},
        {"<r a=\"\" b=\"2\"/>", {"S[]r a= b=2", "E[r]r"}},
    };
    for (const auto& c : cases)
    {
        const ParseResult r = Parse(c.xml);
        EXPECT_EQ(r.error, "") << c.xml;
        EXPECT_EQ(r.elements, c.expected) << c.xml;
    }
}

TEST_F(XmlTest, AttributeEntitiesAndDuplicates)
{
    const ParseResult r = Parse("<a amp=\"x&amp;y\" lt=\"&lt;\" gt=\"&gt;\" q=\"&quot;&apos;\" cr=\"1&cr;2\" "
                                "sp=\"&nbsp;\" unknown=\"p&zz;q\" bare=\"a & b\" n&amp;m=\"v\" dup=\"1\" dup=\"2\"/>");
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.elements.size(), 2u);
    EXPECT_EQ(r.elements[0], "S[]a amp=x&y bare=a & b cr=1\n2 dup=2 gt=> lt=< n&m=v q=\"' sp=  unknown=p&q");
}

TEST_F(XmlTest, AttributeRecordsAreExactFromElementToElement)
{
    // Kinds of element with the same, fewer, more, reordered and repeated names, in turn.
    const std::string xml = "<r><a x=\"1\" y=\"2\"/><a x=\"3\" y=\"4\"/><b p=\"1\"/><a x=\"5\"/>"
                            "<a x=\"6\" y=\"7\" z=\"8\"/><a y=\"9\" x=\"0\"/><a x=\"1\" x=\"2\"/><a x=\"3\" y=\"4\"/>"
                            "<b p=\"2\"/><a x=\"5\" y=\"6\"/></r>";
    const V expected = {
        "S[]r",    "S[r]a x=1 y=2",     "E[r/a]a", "S[r]a x=3 y=4", "E[r/a]a", "S[r]b p=1", "E[r/b]b", "S[r]a x=5",
        "E[r/a]a", "S[r]a x=6 y=7 z=8", "E[r/a]a", "S[r]a x=0 y=9", "E[r/a]a", "S[r]a x=2", "E[r/a]a", "S[r]a x=3 y=4",
        "E[r/a]a", "S[r]b p=2",         "E[r/b]b", "S[r]a x=5 y=6", "E[r/a]a", "E[r]r"};
    EXPECT_EQ(Parse(xml).elements, expected);

    // What the caller does to a record between calls, or which record it passes, changes nothing.
    XMLParser parser;
    ASSERT_TRUE(parser.OpenFile(Write(xml)));
    XMLElement records[3];
    V seen;
    for (size_t n = 0;; ++n)
    {
        XMLElement& e = records[n % 7 == 3 ? 2 : n % 2];
        if (!parser.ReadNextElement(e)) break;
        seen.push_back(Describe(e));
        e.mAttributes["x"];
        if (n % 3 == 0 && !e.mAttributes.empty()) e.mAttributes.erase(e.mAttributes.begin());
        if (n % 4 == 1) e.mAttributes = {{"q", "1"}, {"x", "9"}};
    }
    EXPECT_FALSE(parser.HasFailed());
    EXPECT_EQ(seen, expected);
}

TEST_F(XmlTest, EqualsSignsSeparateOnlyOutsideQuotes)
{
    // Unquoted, '=' separates a name from a value; a quoted '=' is part of the value.
    EXPECT_EQ(Parse("<a href=\"x=1\" b=c=d/>").elements, (V{"S[]a b=cd href=x=1", "E[a]a"}));
    EXPECT_EQ(Parse("<a q=\"=\" r=\"a==b\"/>").elements, (V{"S[]a q== r=a==b", "E[a]a"}));
    // In text it is an ordinary character.
    EXPECT_EQ(Parse("<a>x=1 \"y=2\"</a>").elements, (V{"S[]a", "T[a]x=1 \"y=2\"", "E[a]a"}));
}

TEST_F(XmlTest, SelfClosingForms)
{
    const struct
    {
        std::string xml;
        V expected;
    } cases[] = {
        {"<a/>", {"S[]a", "E[a]a"}},
        {"<a />", {"S[]a", "E[a]a"}},
        {"<a b=\"1\"/>", {"S[]a b=1", "E[a]a"}},
        {"<a b=1/>", {"S[]a b=1", "E[a]a"}},
        {"<a flag />", {"S[]a flag=", "E[a]a"}},
        {"<a b=\"1\" />", {"S[]a b=1", "E[a]a"}},
        // A flag written right before "/>" keeps the slash in its name and does not close the tag.
        {"<a flag/></a>", {"S[]a flag/=", "E[a]a"}},
        // A quoted value ending in '/' closes the tag too; stored files rely on it.
        {"<g path=\"img/\">", {"S[]g path=img", "E[g]g"}},
        // Its entities are decoded once, as in any other value.
        {"<g v=\"&amp;lt;/\">", {"S[]g v=&lt;", "E[g]g"}},
        {"<r><a/><b x=\"1\"/></r>", {"S[]r", "S[r]a", "E[r/a]a", "S[r]b x=1", "E[r/b]b", "E[r]r"}},
    };
    for (const auto& c : cases)
    {
        const ParseResult r = Parse(c.xml);
        EXPECT_EQ(r.error, "") << c.xml;
        EXPECT_EQ(r.elements, c.expected) << c.xml;
    }
}

TEST_F(XmlTest, ErrorTextsAndLineNumbers)
{
    const struct
    {
        std::string xml;
        const char* error;
        int line;
        size_t elements;
    } cases[] = {
        {"<a>\n<b>\n</a>", "End 'a' Doesn't Match Start 'b'", 3, 2},
        {"<a>\n</a b>", "End 'a b' Doesn't Match Start 'a'", 2, 1},
        {"\n</a>", "Unexpected End", 2, 0},
        {"<a>\n<b c=\"1\"", "Unexpected End of File", 2, 1},
        {"<a>\n</a>\ntext after", "Unexpected End of File", 3, 2},
        {"<a>\n\"unmatched</a>\n\n", "Unexpected End of File", 4, 1},
        {"<a>\n<!-- open", "Unexpected End of File", 2, 1},
        {"<a>\n<?pi", "Unexpected End of File", 2, 1},
        {"<a <b>", "Unexpected '<'", 1, 0},
        {"<a>\n1 > 0</a>", "Unexpected '>'", 2, 1},
        {">", "Unexpected '>'", 1, 0},
        {"<a>\n\n\x01</a>", "Illegal Character", 3, 1},
        {"<a b\x02=\"1\"/>", "Illegal Character", 1, 0},
    };
    for (const auto& c : cases)
    {
        const ParseResult r = Parse(c.xml);
        EXPECT_EQ(r.error, c.error) << c.xml;
        EXPECT_EQ(r.line, c.line) << c.xml;
        EXPECT_EQ(r.elements.size(), c.elements) << c.xml;
    }
    // A control character inside quotes is ordinary.
    EXPECT_EQ(Parse("<a b=\"\x01\"/>").error, "");
}

TEST_F(XmlTest, OpenFailureKeepsTheOldName)
{
    XMLParser parser;
    ASSERT_TRUE(parser.OpenFile(Write("words <a/>")));
    const std::string opened = parser.GetFileName();
    XMLElement e;
    // The first element is read, so the old file's bytes are in the reader's block when the next open fails.
    ASSERT_TRUE(parser.ReadNextElement(e));
    EXPECT_EQ(parser.GetLineNumber(), 1);
    const std::string missing = (mDir / "missing.xml").string();
    EXPECT_FALSE(parser.OpenFile(missing));
    EXPECT_TRUE(parser.HasFailed());
    EXPECT_EQ(parser.GetErrorText(), "Unable to open file " + missing);
    EXPECT_EQ(parser.GetLineNumber(), 0);
    EXPECT_EQ(parser.GetFileName(), opened);
    EXPECT_FALSE(parser.ReadNextElement(e));

    XMLParser unopened;
    EXPECT_FALSE(unopened.ReadNextElement(e));
    EXPECT_FALSE(unopened.HasFailed());
}

TEST_F(XmlTest, NestingIsCappedAndStaysLinear)
{
    auto nested = [](int depth)
    {
        std::string s;
        for (int i = 0; i < depth; ++i) s += "<n>";
        for (int i = 0; i < depth; ++i) s += "</n>";
        return s;
    };
    const ParseResult ok = Parse(nested(XMLParser::kMaxDepth));
    EXPECT_EQ(ok.error, "");
    EXPECT_EQ(ok.elements.size(), 2u * XMLParser::kMaxDepth);
    const ParseResult deep = Parse(nested(200000));
    EXPECT_EQ(deep.error, "Nesting Too Deep");
    EXPECT_EQ(deep.elements.size(), static_cast<size_t>(XMLParser::kMaxDepth));
}

TEST_F(XmlTest, LongAttributesAndManyElements)
{
    const std::string xs(50000, 'x'), ys(50000, 'y');
    std::string xml = "\xEF\xBB\xBF<r v=\"" + xs + "&amp;" + ys + "\u4E2D\">";
    for (int i = 0; i < 5000; ++i) xml += "<c i=\"" + std::to_string(i) + "\"/>";
    xml += "</r>";
    XMLParser parser;
    ASSERT_TRUE(parser.OpenFile(Write(xml)));
    XMLElement e;
    ASSERT_TRUE(parser.ReadNextElement(e));
    EXPECT_EQ(e.mAttributes["v"], xs + "&" + ys + "?");
    int count = 0;
    while (parser.ReadNextElement(e))
        if (e.mType == XMLElement::TypeStartTag)
        {
            ASSERT_EQ(e.mAttributes.size(), 1u);
            EXPECT_EQ(e.mAttributes["i"], std::to_string(count));
            ++count;
        }
    EXPECT_FALSE(parser.HasFailed());
    EXPECT_EQ(count, 5000);
}

TEST_F(XmlTest, ReadsFromThePackWithCarriageReturnsAsBlanks)
{
    const fs::path old = fs::current_path();
    fs::current_path(mDir);
    {
        PakInterface pak;
        PakWriter writer;
        ASSERT_TRUE(
            writer.AddFile("levels\\levels.xml", "<levels>\r\n  <level id=\"1\"\r\n name=\"A\"/>\r\n</levels>\r\n", 0));
        std::ofstream("main.pak", std::ios::binary) << writer.Build();
        std::ofstream("loose.xml") << "<loose/>";
        ASSERT_TRUE(pak.AddPakFile("main.pak"));
        XMLParser parser;
        ASSERT_TRUE(parser.OpenFile("Levels/Levels.XML"));
        const ParseResult r = ReadAll(parser);
        EXPECT_EQ(r.error, "");
        EXPECT_EQ(r.line, 5);
        EXPECT_EQ(r.elements,
                  (V{"S[]levels", "S[levels]level id=1 name=A", "E[levels/level]level", "E[levels]levels"}));
        XMLParser loose;
        ASSERT_TRUE(loose.OpenFile("loose.xml"));
        EXPECT_EQ(ReadAll(loose).elements, (V{"S[]loose", "E[loose]loose"}));
    }
    fs::current_path(old);
}

TEST_F(XmlTest, WholeTagsReadAsCharacterByCharacter)
{
    // Whole simple tags are taken in one step when their bytes are at hand (one byte per character, or UTF-8); the
    // UTF-16 reader goes character by character. The same text must read the same in all three, quirks included, also
    // when a tag is given up after some of its values were taken (the `k` cases).
    auto asUtf16 = [](const std::string& text)
    {
        std::u16string units;
        for (char c : text) units += static_cast<char16_t>(static_cast<unsigned char>(c));
        return Utf16(units, false);
    };
    auto same = [&](const std::string& text)
    {
        const ParseResult slow = Parse(asUtf16(text));
        const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return c > 0; });
        for (const std::string& bytes : {text, ascii ? "\xEF\xBB\xBF" + text : text})
        {
            const ParseResult fast = Parse(bytes);
            EXPECT_EQ(fast.elements, slow.elements) << text;
            EXPECT_EQ(fast.error, slow.error) << text;
            EXPECT_EQ(fast.line, slow.line) << text;
        }
    };
    for (const char* text : {"<r a=\"1\" b=\"2\"/>",
                             "<r a=\"1\"/>",
                             "<r a=\"1\" />",
                             "<r a=\"x/\">",
                             "<r a=\"x/\" >",
                             "<r a=\"x/\"/>",
                             "<r a=\"x/\" />",
                             "<r a=\"1\"b=\"2\"/>",
                             "<r\n a=\"1\"\n\tb=\"\"\n/>",
                             "<r a=\"1\" a=\"2\"/>",
                             "<r/>",
                             "<r />",
                             "<r></r>",
                             "<r></s>",
                             "</r>",
                             "<r></r >",
                             "<r a=\"1\" b>",
                             "<r a=\"&amp;\"/>",
                             "<r a=\"x&amp;y&lt;\" b=\"&\" c=\"&amp\"/>",
                             "<r a=\"&amp;/\">",
                             "<r a=\"1\" b=\"&amp;/\" >",
                             "<r a=\"x\ny\"/>",
                             "<r><s a=\"1\"/></r>",
                             "<r a=\"1\"\x01/>",
                             "<r a=1/>",
                             "<!--c--><r/>",
                             "<!-- c --><r/>",
                             "<!--\n-->\n<!-- -- --><!-- ->--><r/>",
                             "<r><!-- a\nb --> <!--\t<s/> -->t<!-- c --></r>",
                             "<!-- \xE9\xE9 --><r/>",
                             "<r/><!-- open",
                             "<?xml v=\"1\"?><r/>",
                             "<r a=\"\xE9\"/>",
                             "<r>t</r>",
                             "<r>t<s a=\"1\"/>u &amp; v\n</r>",
                             "<r>a\"<\"b</r>",
                             "<r>  a \t b\n\nc=d/e?  <s/>f\n</r>",
                             "<r>x\x01y</r>",
                             "<r>a > b</r>",
                             "<r>caf\xE9 &lt;!</r>",
                             "<k a=\"1\" b=\"2\"/><k a=\"3\" b=\"x\ny\"/><k a=\"5\" b=\"6\"/>",
                             "<k a=\"1\" b=\"2\"/><k b=\"3\" c=\"4\" d=5/><k a=\"6\" b=\"7\"/>",
                             "  \n <r/> \n"})
        same(text);

    // Random tag soup of the pieces that matter, and one document long enough to cross the reader's blocks.
    const char* pieces[] = {"<",  "</", ">",  "/>", "/",     " ",   "\n", "=",
                            "\"", "a",  "bc", "x/", "&amp;", "!--", "?",  "\t"};
    std::mt19937 rng(5);
    for (int doc = 0; doc < 200; ++doc)
    {
        std::string text;
        for (int i = 0, n = static_cast<int>(rng() % 40); i < n; ++i) text += pieces[rng() % std::size(pieces)];
        same(text);
    }
    std::string big = "<r>";
    while (big.size() < 100000)
    {
        big += "\n  <c i=\"" + std::to_string(big.size()) + "\" name=\"n\"" + std::string(big.size() % 7, ' ') + "/>";
        if (big.size() % 5 == 0) big += "<t v=\"a&amp;b\">text &lt; " + std::to_string(big.size()) + "</t>";
        if (big.size() % 3 == 0) big += "<!-- n\n-" + std::to_string(big.size()) + " -->";
    }
    same(big + "</r>");
}

} // namespace
