// Zest::Font: the abstract font through which a drawing context measures and draws text.
#pragma once

#include <memory>
#include <string>

#include "graphics/Color.h"
#include "graphics/Rect.h"

namespace Zest
{

class Graphics;

class Font
{
public:
    int mAscent = 0;
    int mAscentPadding = 0;
    int mHeight = 0;
    int mLineSpacingOffset = 0;

    Font() = default;
    Font(const Font&) = default;
    Font& operator=(const Font&) = default;
    virtual ~Font() = default;

    virtual int GetAscent() { return mAscent; }
    virtual int GetAscentPadding() { return mAscentPadding; }
    virtual int GetDescent() { return mHeight - mAscent; }
    virtual int GetHeight() { return mHeight; }
    virtual int GetLineSpacingOffset() { return mLineSpacingOffset; }
    virtual int GetLineSpacing() { return mHeight + mLineSpacingOffset; }
    virtual int StringWidth(const std::string& text);
    // 0 when the font has no glyph for the character.
    virtual int CharWidth(char c);
    virtual int CharAdvanceKerned(char c, char prev);
    // y is the baseline.
    virtual void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color, const Rect& clip);
    // A new independent copy that the caller owns.
    virtual std::unique_ptr<Font> Duplicate() = 0;
};

} // namespace Zest
