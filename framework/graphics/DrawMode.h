// Zest::DrawMode: how a drawing operation combines its source with the destination.
#pragma once

namespace Zest
{

enum DrawMode : int
{
    DRAWMODE_NORMAL = 0,   // source over destination
    DRAWMODE_ADDITIVE = 1, // source added to destination, saturating
};

} // namespace Zest
