// Tests of the descriptor statement language: statement splitting, tokenising, errors and argument helpers.
#include "data/DescParser.h"

#include "base/Common.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using Zest::DataElement;
using Zest::DescParser;
using Zest::ListDataElement;
using Zest::SingleDataElement;

// Records every statement it is handed, with the line it started on, and errors with their line.
class RecordingParser : public DescParser
{
public:
    std::vector<std::string> mCommands;
    std::vector<int> mLines;
    std::string mFailOn; // a command word that HandleCommand rejects
    int mErrorLine = -1;

    bool Error(const std::string& message) override
    {
        mErrorLine = mCurrentLineNum;
        return DescParser::Error(message);
    }

    bool HandleCommand(const ListDataElement& params) override
    {
        mCommands.push_back(DataElementToString(&params));
        mLines.push_back(mCurrentLineNum);
        const auto& word = static_cast<const SingleDataElement&>(*params.mElementVector[0]).mString;
        if (word == "Define" && params.mElementVector.size() == 3)
        {
            const auto& name = static_cast<const SingleDataElement&>(*params.mElementVector[1]).mString;
            mDefineMap[Zest::StringToUpper(name)] = params.mElementVector[2]->Duplicate();
        }
        if (word == mFailOn) return Error("Rejected " + word);
        return true;
    }
};

TEST(DescParser, StatementsAreSplitWithTheirFirstLine)
{
    RecordingParser p;
    const std::string text = "# a comment\n"
                             "\n"
                             "   \t# indented comment\n"
                             "One 1 2;Two 'a;b' \"c;d\";\n"
                             "Three (1\n"
                             "  # a comment line inside a statement\n"
                             "  2)  ;   # the rest of this line is a comment\n"
                             ";;\n"
                             "Four a#b;\r\n"
                             "Five\n"
                             "  six";
    ASSERT_TRUE(p.LoadDescriptorText(text)) << p.mError;
    std::vector<std::string> expected = {"(One, 1, 2)", "(Two, 'a;b', \"c;d\")", "(Three, (1, 2))", "(Four, a#b)",
                                         "(Five, six)"};
    EXPECT_EQ(p.mCommands, expected);
    EXPECT_EQ(p.mLines, (std::vector<int>{4, 4, 5, 9, 10}));
    EXPECT_EQ(p.mCurrentLineNum, 0);
}

TEST(DescParser, CommentsAndBlanksOnlyHandleNothing)
{
    RecordingParser p;
    EXPECT_TRUE(p.LoadDescriptorText("# only\n\n   # comments\n\t\n;;  ;\n"));
    EXPECT_TRUE(p.mCommands.empty());
    EXPECT_TRUE(p.LoadDescriptorText(""));
    EXPECT_TRUE(p.mCommands.empty());
}

TEST(DescParser, NestedListTree)
{
    RecordingParser p;
    ListDataElement list;
    std::size_t index = 0;
    const std::string text = "Cmd name (1, 2.5 \"two words\" (alpha beta))";
    ASSERT_TRUE(p.ParseToList(text, &list, false, &index));
    EXPECT_EQ(index, text.size());
    ASSERT_EQ(list.mElementVector.size(), 3u);
    EXPECT_FALSE(list.mElementVector[0]->mIsList);
    EXPECT_FALSE(list.mElementVector[1]->mIsList);
    ASSERT_TRUE(list.mElementVector[2]->mIsList);
    const auto& inner = static_cast<const ListDataElement&>(*list.mElementVector[2]);
    ASSERT_EQ(inner.mElementVector.size(), 4u);
    EXPECT_EQ(static_cast<const SingleDataElement&>(*inner.mElementVector[2]).mString, "\"two words\"");
    ASSERT_TRUE(inner.mElementVector[3]->mIsList);
    EXPECT_EQ(DescParser::DataElementToString(&list), "(Cmd, name, (1, 2.5, \"two words\", (alpha, beta)))");

    // A deep copy survives the original.
    auto copy = list.Duplicate();
    list.mElementVector.clear();
    EXPECT_EQ(DescParser::DataElementToString(copy.get()), "(Cmd, name, (1, 2.5, \"two words\", (alpha, beta)))");
}

TEST(DescParser, TokenisingRules)
{
    struct Case
    {
        const char* text;
        const char* tree;
    };
    const Case cases[] = {
        {"a\\ b c", "(a b, c)"},             // an escaped separator joins
        {"a \\(x\\) b", "(a, (x), b)"},      // escaped parentheses are text
        {"'x \\' y'", "('x ' y')"},          // an escaped quote does not close
        {"a \"(1, 2)\"", "(a, \"(1, 2)\")"}, // nothing inside quotes is structure
        {"a b\\", "(a, b)"},                 // a trailing backslash is dropped
        {"a\\", "(a)"},
        {"a (b) (c (d))", "(a, (b), (c, (d)))"},
        {"a (b)c", "(a, (b), c)"},
        {"a ()", "(a, ())"},
        {"", "()"},
    };
    for (const auto& c : cases)
    {
        RecordingParser p;
        ListDataElement list;
        ASSERT_TRUE(p.ParseToList(c.text, &list, false, nullptr)) << c.text << ": " << p.mError;
        EXPECT_EQ(DescParser::DataElementToString(&list), c.tree) << c.text;
    }
}

TEST(DescParser, ErrorsCarryTheirTextAndLine)
{
    struct Case
    {
        const char* text;
        const char* error;
        int line;
        std::size_t handled;
    };
    const Case cases[] = {
        {"Ok 1;\n(a b)", "Missing Command", 2, 1},    {"Ok 1;\n\n  ab(1)", "Unexpected List Start", 3, 1},
        {"a b)", "Unexpected List End", 1, 0},        {"a (b\nc", "Unterminated List", 1, 0},
        {"a 'b", "Unterminated Single Quotes", 1, 0}, {"a \"b", "Unterminated Double Quotes", 1, 0},
        {"Ok;Ok;\nFail 1;Ok", "Rejected Fail", 2, 3},
    };
    for (const auto& c : cases)
    {
        RecordingParser p;
        p.mFailOn = "Fail";
        EXPECT_FALSE(p.LoadDescriptorText(c.text)) << c.text;
        EXPECT_EQ(p.mError, c.error) << c.text;
        EXPECT_EQ(p.mErrorLine, c.line) << c.text;
        EXPECT_EQ(p.mCommands.size(), c.handled) << c.text;
        EXPECT_EQ(p.mCurrentLineNum, 0);
    }
}

TEST(DescParser, NestingIsCapped)
{
    auto nested = [](int depth) { return "a " + std::string(depth, '(') + "x" + std::string(depth, ')'); };
    RecordingParser ok;
    EXPECT_TRUE(ok.LoadDescriptorText(nested(DescParser::MAX_LIST_DEPTH))) << ok.mError;
    EXPECT_EQ(ok.mCommands.size(), 1u);

    RecordingParser deep;
    EXPECT_FALSE(deep.LoadDescriptorText(nested(DescParser::MAX_LIST_DEPTH + 1)));
    EXPECT_EQ(deep.mError, "Unterminated List");

    // Far deeper than any stack could take with one frame per level.
    RecordingParser huge;
    EXPECT_FALSE(huge.LoadDescriptorText("a " + std::string(1000000, '(')));
    EXPECT_EQ(huge.mError, "Unterminated List");
}

TEST(DescParser, DereferencedNestingIsCappedToo)
{
    // A name expands to a copy of its definition, so wrapping a deep definition in further lists nests deeper
    // than any statement can be written; chained, each definition would add to the depth of the next.
    RecordingParser p;
    ASSERT_TRUE(p.LoadDescriptorText("Define Deep " + std::string(200, '(') + "x" + std::string(200, ')')));
    auto wrapped = [](int levels)
    {
        ListDataElement outer;
        ListDataElement* inner = &outer;
        for (int i = 1; i < levels; ++i)
        {
            auto next = std::make_unique<ListDataElement>();
            ListDataElement* raw = next.get();
            inner->mElementVector.push_back(std::move(next));
            inner = raw;
        }
        inner->mElementVector.push_back(std::make_unique<SingleDataElement>("Deep"));
        return outer;
    };
    struct Case
    {
        int levels;
        bool fits;
    };
    for (const Case& c : {Case{1, true}, Case{57, true}, Case{58, false}, Case{100, false}})
    {
        p.mError.clear();
        ListDataElement out;
        EXPECT_EQ(p.DereferenceList(wrapped(c.levels), &out), c.fits) << c.levels;
        EXPECT_EQ(p.mError, c.fits ? "" : "List too large") << c.levels;
    }
}

TEST(DescParser, Unquote)
{
    EXPECT_EQ(DescParser::Unquote("'it''s'"), "it's");
    EXPECT_EQ(DescParser::Unquote("\"say \"\"hi\"\"\""), "say \"hi\"");
    EXPECT_EQ(DescParser::Unquote("\"it's\""), "it's");
    EXPECT_EQ(DescParser::Unquote("plain'"), "plain'");
    EXPECT_EQ(DescParser::Unquote(""), "");
    EXPECT_TRUE(DescParser::IsImmediate("-1"));
    EXPECT_TRUE(DescParser::IsImmediate("+2"));
    EXPECT_TRUE(DescParser::IsImmediate("'q'"));
    EXPECT_TRUE(DescParser::IsImmediate("7x"));
    EXPECT_FALSE(DescParser::IsImmediate("name"));
    EXPECT_FALSE(DescParser::IsImmediate(""));
}

TEST(DescParser, DefinitionsAndConversions)
{
    RecordingParser p;
    ASSERT_TRUE(p.LoadDescriptorText("Define Sizes (1 2 x 3);"
                                     "Define Title 'Big ''Top''';"
                                     "Define Pair (Title (4 5));"
                                     "Define Nums (1, -2, 2.5, 'q')"))
        << p.mError;

    auto parse = [&](const std::string& text)
    {
        auto list = std::make_unique<ListDataElement>();
        EXPECT_TRUE(p.ParseToList(text, list.get(), false, nullptr));
        return list;
    };

    std::string s;
    auto tokens = parse("title Sizes \"lit\" other");
    EXPECT_TRUE(p.DataToString(tokens->mElementVector[0].get(), &s)); // names are looked up upper-cased
    EXPECT_EQ(s, "Big 'Top'");
    EXPECT_FALSE(p.DataToString(tokens->mElementVector[1].get(), &s)); // a defined list is not text
    EXPECT_TRUE(p.DataToString(tokens->mElementVector[2].get(), &s));
    EXPECT_EQ(s, "lit");
    EXPECT_TRUE(p.DataToString(tokens->mElementVector[3].get(), &s)); // undefined names are their own text
    EXPECT_EQ(s, "other");

    // Dereferencing replaces names by copies of their definitions and unquotes literals.
    ListDataElement out;
    auto withNames = parse("(Title (Pair 7) '' \"q\")");
    ASSERT_TRUE(p.DereferenceList(static_cast<const ListDataElement&>(*withNames->mElementVector[0]), &out));
    EXPECT_EQ(DescParser::DataElementToString(&out), "('Big ''Top''', ((Title, (4, 5)), 7), , q)");
    auto undefined = parse("(1 Missing)");
    EXPECT_FALSE(p.DereferenceList(static_cast<const ListDataElement&>(*undefined->mElementVector[0]), &out));
    EXPECT_EQ(p.mError, "Unable to Dereference \"Missing\"");

    // Integer vectors skip items that do not convert and still succeed.
    std::vector<int> ints;
    EXPECT_TRUE(p.DataToIntVector(parse("Sizes")->mElementVector[0].get(), &ints));
    EXPECT_EQ(ints, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(p.DataToIntVector(parse("(4 -5 'six' 7)")->mElementVector[0].get(), &ints));
    EXPECT_EQ(ints, (std::vector<int>{4, -5, 7}));
    std::vector<double> doubles;
    EXPECT_TRUE(p.DataToDoubleVector(parse("Nums")->mElementVector[0].get(), &doubles));
    EXPECT_EQ(doubles, (std::vector<double>{1, -2, 2.5}));

    std::vector<std::string> strings;
    EXPECT_FALSE(p.DataToStringVector(parse("title")->mElementVector[0].get(), &strings));   // a single value
    EXPECT_FALSE(p.DataToStringVector(parse("(a (b))")->mElementVector[0].get(), &strings)); // nested list
    EXPECT_TRUE(strings.empty());
    EXPECT_FALSE(p.DataToStringVector(parse("nothing")->mElementVector[0].get(), &strings));
    EXPECT_EQ(p.mError, "Unable to Dereference \"nothing\"");

    ListDataElement copied;
    EXPECT_TRUE(p.DataToList(parse("pair")->mElementVector[0].get(), &copied));
    EXPECT_EQ(DescParser::DataElementToString(&copied), "(Title, (4, 5))"); // as stored, not dereferenced
    EXPECT_FALSE(p.DataToList(parse("title")->mElementVector[0].get(), &copied));
}

TEST(DescParser, MissingFileFailsWithoutMessage)
{
    RecordingParser p;
    EXPECT_FALSE(p.LoadDescriptor(std::string(ZEST_TEST_DATA_DIR) + "/no-such-descriptor.txt"));
    EXPECT_TRUE(p.mError.empty());
}

} // namespace
