// The default behaviour of Zest::Font: a font that measures nothing and draws nothing.
#include "graphics/Font.h"

#include <atomic>

namespace Zest
{

int Font::StringWidth(const std::string&)
{
    return 0;
}

int Font::CharWidth(char c)
{
    return StringWidth(std::string(1, c));
}

int Font::CharAdvanceKerned(char c, char)
{
    return CharWidth(c);
}

void Font::DrawString(Graphics*, int, int, const std::string&, const Color&, const Rect&) {}

bool Font::TextInk(int, int, const std::string&, Rect&, uint64_t&)
{
    return false;
}

uint64_t Font::Stamp::Next()
{
    static std::atomic<uint64_t> count{0};
    return ++count;
}

} // namespace Zest
