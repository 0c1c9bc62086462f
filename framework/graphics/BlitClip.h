// The one clipper of the integer blits (memory and surface): a source rectangle placed at (x, y), cut to the
// source and destination images.
#pragma once

#include <cstdint>

#include "graphics/Rect.h"

namespace Zest
{

struct BltArea
{
    int destX, destY, srcX, srcY, width, height;
};

// Cuts a blit to both images. Mirrored blits take their source columns from the right end, so a cut on one
// side of the destination removes source columns on the other side.
inline bool ClipBlt(int x, int y, const Rect& srcRect, int srcW, int srcH, int destW, int destH, bool mirror,
                    BltArea& out)
{
    int64_t sx = srcRect.mX, sy = srcRect.mY, w = srcRect.mWidth, h = srcRect.mHeight;
    int64_t dx = x, dy = y;
    auto cutLeftOfSource = [&](int64_t k)
    {
        sx += k;
        w -= k;
        if (!mirror) dx += k;
    };
    auto cutRightOfSource = [&](int64_t k)
    {
        w -= k;
        if (mirror) dx += k;
    };
    if (sx < 0) cutLeftOfSource(-sx);
    if (sx + w > srcW) cutRightOfSource(sx + w - srcW);
    if (sy < 0)
    {
        dy -= sy;
        h += sy;
        sy = 0;
    }
    if (sy + h > srcH) h = srcH - sy;
    if (dx < 0)
    {
        const int64_t k = -dx;
        dx = 0;
        w -= k;
        if (!mirror) sx += k;
    }
    if (dx + w > destW)
    {
        const int64_t k = dx + w - destW;
        w -= k;
        if (mirror) sx += k;
    }
    if (dy < 0)
    {
        sy -= dy;
        h += dy;
        dy = 0;
    }
    if (dy + h > destH) h = destH - dy;
    if (w <= 0 || h <= 0) return false;
    out = {int(dx), int(dy), int(sx), int(sy), int(w), int(h)};
    return true;
}

} // namespace Zest
