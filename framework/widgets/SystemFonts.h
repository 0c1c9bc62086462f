// The system font every control falls back on when it was given none.
#pragma once

#include <memory>

namespace Zest
{

class Font;

// "Arial Unicode MS" at the given point size (drawn with the platform's stand-in face).
std::unique_ptr<Font> MakeDefaultWidgetFont(int pointSize, bool bold = false);

} // namespace Zest
