// Zest::Font: the abstract font through which a drawing context measures and draws text.
#pragma once

#include <cstdint>
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
    // For noting a string without drawing it: the box that holds every pixel DrawString would draw for the text
    // at x and baseline y (empty when it draws none), and a stamp that no other font shares and that changes
    // whenever what this font draws for a string in a colour may change. false when the font cannot tell.
    virtual bool TextInk(int x, int y, const std::string& text, Rect& box, uint64_t& stamp);

protected:
    // A number taken from one count for all fonts: a copy takes a new one, and Renew takes another.
    class Stamp
    {
    public:
        Stamp() : mValue(Next()) {}
        Stamp(const Stamp&) : mValue(Next()) {}
        Stamp& operator=(const Stamp&)
        {
            mValue = Next();
            return *this;
        }
        void Renew() { mValue = Next(); }
        uint64_t Value() const { return mValue; }

    private:
        static uint64_t Next();
        uint64_t mValue;
    };
    Stamp mStamp;
};

} // namespace Zest
