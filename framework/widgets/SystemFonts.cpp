// The controls' fallback system font.
#include "widgets/SystemFonts.h"

#include "graphics/ImageHost.h"
#include "graphics/SysFont.h"

namespace Zest
{

std::unique_ptr<Font> MakeDefaultWidgetFont(int pointSize, bool bold)
{
    return std::make_unique<SysFont>(GetImageHost(), "Arial Unicode MS", pointSize, bold);
}

} // namespace Zest
