// Tests of the XML writer: the exact output of each call, warnings, failures, the atomic write and a round trip
// through the reader.
#include "data/XMLParser.h"
#include "data/XMLWriter.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace Zest;

namespace
{

class XmlWriterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::random_device rd;
        mOldCwd = fs::current_path();
        mDir = fs::temp_directory_path() / ("zest_xmlw_" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(mDir);
        fs::current_path(mDir);
    }
    void TearDown() override
    {
        Platform::InjectWriteFailureAfter(-1);
        fs::current_path(mOldCwd);
        fs::remove_all(mDir);
    }

    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // Runs `calls` on a writer of "out.xml" and returns the file written.
    static std::string Write(const std::function<void(XMLWriter&)>& calls)
    {
        XMLWriter w;
        EXPECT_TRUE(w.OpenFile("out.xml"));
        calls(w);
        EXPECT_TRUE(w.CloseFile()) << w.GetErrorText();
        return Read("out.xml");
    }

    fs::path mOldCwd;
    fs::path mDir;
};

} // namespace

TEST_F(XmlWriterTest, WorkedExampleComesOutExactly)
{
    const std::string out = Write(
        [](XMLWriter& w)
        {
            w.StartElement("Root");
            w.WriteAttribute("name", "a & b");
            w.StartElement("Child");
            w.WriteAttribute("v", 1);
            w.StopElement();
            w.StartElement("Child");
            w.WriteAttribute("v", 2);
            w.StartElement("Leaf");
            w.StopElement();
            w.StopElement();
            w.StopElement();
        });
    EXPECT_EQ(out, "<Root name=\"a &amp; b\">\n"
                   "\t<Child v=\"1\"/>\n"
                   "\t<Child v=\"2\">\n"
                   "\t\t<Leaf/>\n"
                   "\t</Child>\n"
                   "</Root>\n");
}

TEST_F(XmlWriterTest, SmallForms)
{
    struct Case
    {
        const char* what;
        std::function<void(XMLWriter&)> calls;
        const char* out;
    };
    const Case cases[] = {
        {"empty element", [](XMLWriter& w) { w.StartElement("X"), w.StopElement(); }, "<X/>\n"},
        {"doubled space", [](XMLWriter& w) { w.StartElement("X"), w.WriteAttribute("t", "a  b"), w.StopElement(); },
         "<X t=\"a &nbsp;b\"/>\n"},
        {"escapes", [](XMLWriter& w) { w.StartElement("X"), w.WriteAttribute("t", "<'\">\n\r"), w.StopElement(); },
         "<X t=\"&lt;&apos;&quot;&gt;&cr;\r\"/>\n"},
        {"numbers", [](XMLWriter& w) { w.StartElement("X"), w.WriteAttribute("n", -2147483647 - 1), w.StopElement(); },
         "<X n=\"-2147483648\"/>\n"},
        {"three left open",
         [](XMLWriter& w) { w.StartElement("A"), w.StartElement("B"), w.StartElement("C"), w.WriteAttribute("x", 0); },
         "<A>\n\t<B>\n\t\t<C x=\"0\"/>\n\t</B>\n</A>\n"},
        {"three open, innermost closed",
         [](XMLWriter& w) { w.StartElement("A"), w.StartElement("B"), w.StartElement("C"), w.StopElement(); },
         "<A>\n\t<B>\n\t\t<C/>\n\t</B>\n</A>\n"},
        {"empty names are valid", [](XMLWriter& w) { w.StartElement(""), w.WriteAttribute("", ""), w.StopElement(); },
         "< =\"\"/>\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(Write(c.calls), c.out) << c.what;
}

TEST_F(XmlWriterTest, WarningsComeOutNewestFirstAsComments)
{
    // Before the next start tag...
    EXPECT_EQ(Write(
                  [](XMLWriter& w)
                  {
                      w.StartElement("Root");
                      w.WriteAttribute("bad-1", "x");
                      w.WriteAttribute("bad 2", "y");
                      w.StartElement("a-b");
                      w.StopElement();
                      w.StopElement();
                  }),
              "<Root bad-1=\"x\" bad 2=\"y\">\n"
              "<!--  WARNING: a-b is an Invalid Node Name. -->\n"
              "<!--  WARNING: bad 2 is an invalid Attribute Name. -->\n"
              "<!--  WARNING: bad-1 is an invalid Attribute Name. -->\n"
              "\t<a-b/>\n"
              "</Root>\n");
    // ...or right after the next end tag. A character above 127 makes a name invalid.
    EXPECT_EQ(Write(
                  [](XMLWriter& w)
                  {
                      w.StartElement("R\xE9");
                      w.WriteAttribute("\xE9", "x");
                      w.WriteAttribute("a.b", "y");
                      w.StopElement();
                  }),
              "<!--  WARNING: R\xE9 is an Invalid Node Name. -->\n"
              "<R\xE9 \xE9=\"x\" a.b=\"y\"/>\n"
              "<!--  WARNING: a.b is an invalid Attribute Name. -->\n"
              "<!--  WARNING: \xE9 is an invalid Attribute Name. -->\n");
}

TEST_F(XmlWriterTest, FailuresStopTheWriterAndKeepTheOldFile)
{
    std::ofstream("out.xml") << "old";
    struct Case
    {
        const char* what;
        std::function<bool(XMLWriter&)> failing;
        const char* error;
    };
    const Case cases[] = {
        {"attribute after a child",
         [](XMLWriter& w)
         { return w.StartElement("P") && w.StartElement("C") && w.StopElement() && w.WriteAttribute("a", 1); },
         "Attributes Section already closed for P"},
        {"attribute with nothing open", [](XMLWriter& w) { return w.WriteAttribute("a", "b"); },
         "No Element Nodes Open for Writing Attributes."},
        {"attribute after the last stop",
         [](XMLWriter& w) { return w.StartElement("P") && w.StopElement() && w.WriteAttribute("a", "b"); },
         "No Element Nodes Open for Writing Attributes."},
        {"one stop too many", [](XMLWriter& w) { return w.StartElement("P") && w.StopElement() && w.StopElement(); },
         "Stop Element Calls do not match StartElement Calls."},
    };
    for (const Case& c : cases)
    {
        XMLWriter w;
        ASSERT_TRUE(w.OpenFile("out.xml"));
        EXPECT_FALSE(c.failing(w)) << c.what;
        EXPECT_TRUE(w.HasFailed());
        EXPECT_EQ(w.GetErrorText(), c.error) << c.what;
        // Dead from now on.
        EXPECT_FALSE(w.StartElement("Q"));
        EXPECT_FALSE(w.WriteAttribute("a", 1));
        EXPECT_FALSE(w.StopElement());
        EXPECT_EQ(w.GetErrorText(), c.error);
        EXPECT_FALSE(w.CloseFile()) << c.what;
        EXPECT_EQ(Read("out.xml"), "old") << c.what;
    }
}

TEST_F(XmlWriterTest, FileStateErrors)
{
    XMLWriter w;
    EXPECT_FALSE(w.StartElement("A"));
    EXPECT_EQ(w.GetErrorText(), "No File Opened for writing");
    EXPECT_FALSE(w.CloseFile());
    EXPECT_EQ(w.GetErrorText(), "File not Open");

    EXPECT_FALSE(w.OpenFile("no/such/folder/out.xml"));
    EXPECT_EQ(w.GetErrorText(), "Unable to open file no/such/folder/out.xml");
    fs::create_directory("folder");
    EXPECT_FALSE(w.OpenFile("folder"));
    EXPECT_EQ(w.GetErrorText(), "Unable to open file folder");

    // A new file clears the failure; closing twice does not close twice. Names with '\' and any case resolve.
    fs::create_directory("Sub");
    ASSERT_TRUE(w.OpenFile("sub\\out.xml"));
    EXPECT_FALSE(w.HasFailed());
    EXPECT_TRUE(w.StartElement("A"));
    EXPECT_TRUE(w.CloseFile());
    EXPECT_FALSE(w.CloseFile());
    EXPECT_EQ(w.GetErrorText(), "File not Open");
    EXPECT_EQ(Read("Sub/out.xml"), "<A/>\n");
}

TEST_F(XmlWriterTest, WritesAreAtomic)
{
    std::ofstream("out.xml") << "old";
    {
        // A document never closed replaces nothing.
        XMLWriter w;
        ASSERT_TRUE(w.OpenFile("out.xml"));
        w.StartElement("A");
    }
    EXPECT_EQ(Read("out.xml"), "old");

    XMLWriter w;
    ASSERT_TRUE(w.OpenFile("out.xml"));
    w.StartElement("A");
    w.WriteAttribute("v", std::string(10000, 'x'));
    Platform::InjectWriteFailureAfter(100);
    EXPECT_FALSE(w.CloseFile());
    EXPECT_EQ(w.GetErrorText(), "Unable to write file out.xml");
    EXPECT_EQ(Read("out.xml"), "old");
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(".")) left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"out.xml"});
}

TEST_F(XmlWriterTest, ReaderReadsBackElementsAndEveryAttributeCharacter)
{
    std::string allBytes;
    for (int c = 1; c < 256; ++c) allBytes.push_back(static_cast<char>(c));
    const std::vector<std::pair<std::string, std::string>> values = {
        {"plain", "hello"},
        {"entities", "Fish & Chips; <b> \"q\" 'a'"},
        {"spaces", "  a   b  "},
        {"lines", "one\ntwo\r\nthree\n"},
        {"empty", ""},
        {"all", allBytes},
        {"amp", "&amp;&cr;&nbsp;"},
    };
    ASSERT_EQ(Write(
                  [&](XMLWriter& w)
                  {
                      w.StartElement("Root");
                      for (const auto& [name, value] : values) w.WriteAttribute(name, value);
                      w.StartElement("Child");
                      w.WriteAttribute("n", 42);
                      w.StartElement("Leaf");
                      w.StopElement();
                      w.StopElement();
                      w.StartElement("Child");
                      w.StopElement();
                  })
                  .empty(),
              false);

    XMLParser reader;
    ASSERT_TRUE(reader.OpenFile("out.xml"));
    std::vector<std::string> seen;
    XMLElement e;
    while (reader.ReadNextElement(e))
    {
        std::string line = std::to_string(e.mType) + ":" + e.mSection + ":" + e.mValue;
        if (e.mType == XMLElement::TypeStartTag && e.mValue == "Root")
        {
            for (const auto& [name, value] : values)
            {
                ASSERT_EQ(e.mAttributes.count(name), 1u) << name;
                EXPECT_EQ(e.mAttributes.at(name), value) << name;
            }
        }
        if (e.mValue == "Child" && e.mType == XMLElement::TypeStartTag && !e.mAttributes.empty())
        {
            EXPECT_EQ(e.mAttributes.at("n"), "42");
        }
        seen.push_back(line);
    }
    EXPECT_FALSE(reader.HasFailed()) << reader.GetErrorText();
    // (An end tag's section still names the element it ends.)
    EXPECT_EQ(seen,
              (std::vector<std::string>{"1::Root", "1:Root:Child", "1:Root/Child:Leaf", "2:Root/Child/Leaf:Leaf",
                                        "2:Root/Child:Child", "1:Root:Child", "2:Root/Child:Child", "2:Root:Root"}));
}

TEST_F(XmlWriterTest, SelfClosingElementReadsBackItsLastAttributeDecodedOnce)
{
    // The writer closes an element without children right after its last value ("/>), so the reader sees that
    // value followed by the slash; entities in it must still be decoded once only.
    const std::vector<std::string> values = {"Fish & Chips; ok",      "&lt;",        "a &amp; b", "<b> \"q\" 'a' >",
                                             "&#60;&quot;&apos;&gt;", "ends with /", "&"};
    ASSERT_FALSE(Write(
                     [&](XMLWriter& w)
                     {
                         w.StartElement("Root");
                         for (const std::string& value : values)
                         {
                             w.StartElement("Leaf");
                             w.WriteAttribute("first", "1");
                             w.WriteAttribute("last", value);
                             w.StopElement();
                         }
                         w.StopElement();
                     })
                     .empty());

    XMLParser reader;
    ASSERT_TRUE(reader.OpenFile("out.xml"));
    std::vector<std::string> read;
    XMLElement e;
    while (reader.ReadNextElement(e))
    {
        if (e.mType != XMLElement::TypeStartTag || e.mValue != "Leaf") continue;
        EXPECT_EQ(e.mAttributes["first"], "1");
        read.push_back(e.mAttributes["last"]);
    }
    EXPECT_FALSE(reader.HasFailed()) << reader.GetErrorText();
    EXPECT_EQ(read, values);
}
