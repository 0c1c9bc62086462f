// Tests of text on the drawing context with a fixed-width font: colour tags, justification, ranges, wrapping.
#include "graphics/Graphics.h"

#include "DrawRecorder.h"

#include <gtest/gtest.h>

using namespace Zest;
using DrawTest::RecordingFont;
using DrawTest::RecordingImage;

namespace
{

struct Drawn
{
    std::string text;
    int x;
    int y;
    Color color;
};

class TextTest : public ::testing::Test
{
protected:
    RecordingImage dest{200, 200};
    RecordingFont font{DrawTest::MakeFixedFontData()};
    Graphics g{&dest};

    void SetUp() override
    {
        g.SetFont(&font);
        g.SetColor(Color(0, 0, 255, 100));
    }

    std::vector<Drawn> Draws() const
    {
        std::vector<Drawn> out;
        for (const auto& d : font.draws) out.push_back({d.text, d.x, d.y, d.color});
        return out;
    }
};

void ExpectDraws(const std::vector<Drawn>& got, const std::vector<Drawn>& want, const std::string& what)
{
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); ++i)
    {
        EXPECT_EQ(got[i].text, want[i].text) << what << " #" << i;
        EXPECT_EQ(got[i].x, want[i].x) << what << " #" << i;
        EXPECT_EQ(got[i].y, want[i].y) << what << " #" << i;
        EXPECT_EQ(got[i].color, want[i].color) << what << " #" << i;
    }
}

} // namespace

TEST_F(TextTest, FixedFontMetrics)
{
    EXPECT_EQ(font.GetAscent(), 8);
    EXPECT_EQ(font.GetAscentPadding(), 1);
    EXPECT_EQ(font.GetDescent(), 2);
    EXPECT_EQ(font.GetLineSpacing(), 12);
    EXPECT_EQ(font.StringWidth("hello"), 10);
}

TEST_F(TextTest, ColourTags)
{
    const Color blue(0, 0, 255, 100);
    const Color red(255, 0, 0, 100);
    const Color black(0, 0, 0, 100);
    struct Case
    {
        const char* text;
        bool tags;
        int oldColor;
        int width;
        std::vector<Drawn> draws;
    };
    const Case cases[] = {
        {"a^^b", true, -1, 6, {{"a^b", 10, 50, blue}}},
        {"a^^b", false, -1, 8, {{"a^^b", 10, 50, blue}}},
        {"^FF0000^red", true, -1, 6, {{"red", 10, 50, red}}},
        {"^ff0000Xred", true, -1, 6, {{"red", 10, 50, red}}},
        {"a^FF0000^b^0000ff^c", true, -1, 6, {{"a", 10, 50, blue}, {"b", 12, 50, red}, {"c", 14, 50, blue}}},
        {"ab^oldclr^cd", true, 0x00123456, 8, {{"ab", 10, 50, blue}, {"cd", 14, 50, Color(0x12, 0x34, 0x56, 100)}}},
        {"^FF0000^ab^oldclr^cd", true, -1, 8, {{"ab", 10, 50, red}, {"cd", 14, 50, blue}}},
        {"^zz0000^x", true, -1, 2, {{"x", 10, 50, black}}},
        {"^o12345^x", true, -1, 2, {{"x", 10, 50, black}}},
        {"abc^12", true, -1, 6, {{"abc", 10, 50, blue}}},
        {"ab^", true, -1, 4, {{"ab", 10, 50, blue}}},
        {"ab^^", true, -1, 6, {{"ab^", 10, 50, blue}}},
        {"ab^FF0000", true, -1, 4, {{"ab", 10, 50, blue}}}, // seven characters after '^': cut short
    };
    for (const auto& c : cases)
    {
        font.draws.clear();
        g.SetColor(blue);
        g.mWriteColoredString = c.tags;
        EXPECT_EQ(g.WriteString(c.text, 10, 50, 0, -1, false, 0, -1, c.oldColor), c.width) << c.text;
        EXPECT_TRUE(font.draws.empty());
        EXPECT_EQ(g.GetColor(), blue); // measuring leaves the colour alone
        EXPECT_EQ(g.WriteString(c.text, 10, 50, 0, -1, true, 0, -1, c.oldColor), c.width) << c.text;
        ExpectDraws(Draws(), c.draws, c.text);
    }
}

TEST_F(TextTest, JustificationAndRanges)
{
    struct Case
    {
        const char* text;
        int width, justification, offset, length;
        int x; // where the first run is drawn
        const char* drawn;
        int result;
    };
    const Case cases[] = {
        {"abc", 11, 0, 0, -1, 12, "abc", 6}, // (11 - 6) / 2 = 2
        {"abc", 3, 0, 0, -1, 9, "abc", 6},   // (3 - 6) / 2 truncates toward zero: -1
        {"abc", 11, 1, 0, -1, 15, "abc", 6},
        {"abc", 11, 2, 0, -1, 10, "abc", 6}, // any other value: left
        {"hello", 0, -1, 1, 3, 10, "ell", 6},
        {"hello", 0, -1, 3, 99, 10, "lo", 4}, // a range past the end runs to the end
        {"hello", 0, -1, -4, 2, 10, "he", 4}, // offsets are clamped into the text
        {"hello", 0, -1, 9, 2, 10, "", 0},
        {"^FF0000^abc", 10, 0, 0, -1, 12, "abc", 6}, // tags take no width when centring
    };
    for (const auto& c : cases)
    {
        font.draws.clear();
        EXPECT_EQ(g.WriteString(c.text, 10, 50, c.width, c.justification, true, c.offset, c.length), c.result)
            << c.text;
        if (*c.drawn == 0)
        {
            EXPECT_TRUE(font.draws.empty());
            continue;
        }
        ASSERT_EQ(font.draws.size(), 1u) << c.text;
        EXPECT_EQ(font.draws[0].text, c.drawn);
        EXPECT_EQ(font.draws[0].x, c.x) << c.text;
    }
    g.SetFont(nullptr);
    EXPECT_EQ(g.WriteString("abc", 0, 0), 0);
}

TEST_F(TextTest, WrappedLinesAndHeights)
{
    // Baselines start at ascent - padding = 7 and step by 12; the height adds the descent (2).
    struct Case
    {
        const char* text;
        int width;
        std::vector<std::pair<std::string, int>> lines; // text and baseline
        int height;
    };
    const Case cases[] = {
        {"one two three", 10, {{"one", 7}, {"two", 19}, {"three", 31}}, 33},
        {"one   two", 10, {{"one  ", 7}, {"two", 19}}, 21}, // the last space breaks; the ones after it are skipped
        {"abcdefghijkl", 10, {{"abcde", 7}, {"fghij", 19}, {"kl", 31}}, 33}, // cut between characters
        {"abc", 1, {{"a", 7}, {"b", 19}, {"c", 31}}, 33},                    // at least one character per line
        {"one\n\ntwo", 100, {{"one", 7}, {"two", 31}}, 33},                  // three lines, the middle one empty
        {"abc\n", 100, {{"abc", 7}}, 21},                                    // a trailing newline adds a line
        {"ab cd", 100, {{"ab cd", 7}}, 9},
        {"", 100, {}, -3},                // descent + ascent - padding - spacing
        {"abc^12", 100, {{"abc", 7}}, 9}, // a cut tag ends the text
        {"abcdef^", 10, {{"abcde", 7}, {"f", 19}}, 21},
        {"a^^b", 100, {{"a^b", 7}}, 9},
        {"^FF0000^abcde", 10, {{"abcde", 7}}, 9}, // tags are not measured
    };
    for (const auto& c : cases)
    {
        font.draws.clear();
        int h = g.DrawWrappedText(Rect(3, 20, c.width, 100), c.text, -1, -1);
        EXPECT_EQ(h, c.height) << c.text;
        ASSERT_EQ(font.draws.size(), c.lines.size()) << c.text;
        for (size_t i = 0; i < c.lines.size(); ++i)
        {
            EXPECT_EQ(font.draws[i].text, c.lines[i].first) << c.text;
            EXPECT_EQ(font.draws[i].x, 3) << c.text;
            EXPECT_EQ(font.draws[i].y, 20 + c.lines[i].second) << c.text;
        }
        EXPECT_EQ(g.MeasureWrappedText(c.width, c.text), c.height) << c.text;
    }
}

TEST_F(TextTest, WrappedTextColoursClipAndJustification)
{
    const Color red(255, 0, 0, 100);
    int h = g.DrawWrappedText(Rect(0, 0, 10, 0), "^FF0000^aaaaa bbbbb ^oldclr^c", 12, 1);
    EXPECT_EQ(h, 2 + 7 + 24);
    ASSERT_EQ(font.draws.size(), 3u);
    EXPECT_EQ(font.draws[0].color, red);
    EXPECT_EQ(font.draws[1].color, red);                   // tag colours carry to the next line
    EXPECT_EQ(font.draws[2].color, Color(0, 0, 255, 100)); // oldclr is the colour at entry
    EXPECT_EQ(font.draws[2].x, 8);                         // right-aligned in 10
    EXPECT_EQ(g.GetColor(), Color(0, 0, 255, 100));

    // Wrapped lines whose baseline lies past the clip are skipped; the last line is always drawn.
    font.draws.clear();
    g.SetClipRect(0, 0, 200, 10);
    g.DrawWrappedText(Rect(0, 0, 10, 0), "aaaa bbbb cccc dddd", -1, -1);
    ASSERT_EQ(font.draws.size(), 3u);
    EXPECT_EQ(font.draws[0].text, "aaaa");
    EXPECT_EQ(font.draws[1].text, "bbbb");
    EXPECT_EQ(font.draws[2].text, "dddd");

    // An opaque white entry colour is handed down as a real colour, not as "current" (-1).
    font.draws.clear();
    g.ClearClipRect();
    g.SetColor(Color(255, 255, 255, 255));
    g.DrawWrappedText(Rect(0, 0, 100, 0), "^FF0000^a^oldclr^b", -1, -1);
    ASSERT_EQ(font.draws.size(), 2u);
    EXPECT_EQ(font.draws[1].color, Color(255, 255, 255, 255));
}
