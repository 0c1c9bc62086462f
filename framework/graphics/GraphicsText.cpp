// Text on the drawing context: colour-tagged lines with justification, and word-wrapped text in a rectangle.
#include <algorithm>
#include <cstdint>

#include "graphics/Font.h"
#include "graphics/Graphics.h"

namespace Zest
{

namespace
{

// A tag is '^', six characters and one more that is passed over unread.
constexpr int kTagLength = 8;

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

// The packed RGB a tag starting at text[pos] (the '^') selects.
uint32_t TagValue(const std::string& text, size_t pos, int oldColor)
{
    if (text.compare(pos + 1, 6, "oldclr") == 0) return static_cast<uint32_t>(oldColor);
    if (text[pos + 1] == 'o') return 0;
    uint32_t value = 0;
    for (size_t i = 1; i <= 6; ++i) value = (value << 4) | static_cast<uint32_t>(HexDigit(text[pos + i]));
    return value;
}

} // namespace

int Graphics::WriteString(const std::string& text, int x, int y, int width, int justification, bool draw, int offset,
                          int length, int oldColor)
{
    if (mFont == nullptr) return 0;
    const int64_t size = static_cast<int64_t>(text.size());
    const int64_t start = std::clamp<int64_t>(offset, 0, size);
    const int64_t end = (length < 0 || start + length > size) ? size : start + length;

    if (oldColor == -1) oldColor = static_cast<int>(mColor.ToInt());

    if (draw && (justification == 0 || justification == 1))
    {
        int w =
            WriteString(text, x, y, width, -1, false, static_cast<int>(start), static_cast<int>(end - start), oldColor);
        if (justification == 0)
            x += (width - w) / 2;
        else
            x += width - w;
    }

    int written = 0;
    std::string run;
    int64_t i = start;
    while (i < end)
    {
        char c = text[static_cast<size_t>(i)];
        if (c == '^' && mWriteColoredString)
        {
            if (i + 1 < end && text[static_cast<size_t>(i + 1)] == '^')
            {
                run += '^';
                i += 2;
                continue;
            }
            // A tag cut short by the end of the range ends the text here.
            if (i > end - kTagLength) break;
            uint32_t value = TagValue(text, static_cast<size_t>(i), oldColor);
            if (draw)
            {
                if (!run.empty()) DrawString(run, x + written, y);
                SetColor(Color(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF), mColor.mAlpha));
            }
            written += mFont->StringWidth(run);
            run.clear();
            i += kTagLength;
            continue;
        }
        run += c;
        ++i;
    }
    if (draw && !run.empty()) DrawString(run, x + written, y);
    return written + mFont->StringWidth(run);
}

int Graphics::DrawWrappedText(const Rect& rect, const std::string& text, int lineSpacing, int justification)
{
    if (mFont == nullptr) return 0;
    const Color entryColor = mColor;
    // Packed with the alpha byte cleared for opaque colours, so that white never reads as the "current" -1.
    uint32_t packed = entryColor.ToInt();
    if (entryColor.mAlpha == 255) packed &= 0x00FFFFFF;
    const int oldColor = static_cast<int>(packed);

    if (lineSpacing == -1) lineSpacing = mFont->GetLineSpacing();

    int64_t n = static_cast<int64_t>(text.size());
    int offset = mFont->GetAscent() - mFont->GetAscentPadding();
    int64_t lineStart = 0;
    int64_t breakPos = -1;
    int64_t lineWidth = 0;
    char prev = 0;
    bool anyLine = false;

    auto writeLine = [&](int64_t from, int64_t to)
    {
        WriteString(text, rect.mX, rect.mY + offset, rect.mWidth, justification, true, static_cast<int>(from),
                    static_cast<int>(to - from), oldColor);
    };

    int64_t i = 0;
    while (i < n)
    {
        char c = text[static_cast<size_t>(i)];
        int64_t next = i + 1;
        if (c == '^' && mWriteColoredString)
        {
            if (i + 1 < n && text[static_cast<size_t>(i + 1)] == '^')
            {
                next = i + 2; // measured as one '^'
            }
            else
            {
                // The same rule as a single line: a tag that does not fit ends the text.
                if (i > n - kTagLength)
                {
                    n = i;
                    break;
                }
                i += kTagLength;
                continue;
            }
        }
        if (c == ' ') breakPos = i;
        lineWidth += mFont->CharAdvanceKerned(c, prev);
        prev = c;
        if (c == '\n')
        {
            breakPos = i;
            lineWidth = int64_t(rect.mWidth) + 1;
        }

        if (lineWidth > rect.mWidth)
        {
            if (breakPos >= 0)
            {
                int baseline = TranslatedY(rect.mY + offset);
                if (baseline >= mClipRect.mY &&
                    int64_t(baseline) < int64_t(mClipRect.mY) + mClipRect.mHeight + lineSpacing)
                    writeLine(lineStart, breakPos);
                next = breakPos + 1;
                if (text[static_cast<size_t>(breakPos)] != '\n')
                    while (next < n && text[static_cast<size_t>(next)] == ' ') ++next;
            }
            else
            {
                // The character that overflowed starts the next line, unless it would be alone on this one.
                int64_t lineEnd = i > lineStart ? i : next;
                writeLine(lineStart, lineEnd);
                next = lineEnd;
            }
            anyLine = true;
            offset += lineSpacing;
            lineStart = next;
            breakPos = -1;
            lineWidth = 0;
            prev = 0;
        }
        i = next;
    }

    bool endsWithNewline = n > 0 && text[static_cast<size_t>(n - 1)] == '\n';
    if (lineStart < n)
        writeLine(lineStart, n);
    else if (!endsWithNewline || !anyLine)
        offset -= lineSpacing; // nothing left after the last line: it was the last one

    SetColor(entryColor);
    return mFont->GetDescent() + offset;
}

int Graphics::MeasureWrappedText(int width, const std::string& text, int lineSpacing)
{
    Graphics measure;
    measure.mFont = mFont;
    // Measure the text the way this context would draw it.
    measure.mWriteColoredString = mWriteColoredString;
    return measure.DrawWrappedText(Rect(0, 0, width, 0), text, lineSpacing, -1);
}

} // namespace Zest
