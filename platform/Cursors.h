// Mouse cursors: the system arrow and I-beam, mask cursors (the two built-in hands), colour image cursors, none.
//
// Implements: cursor objects of four kinds, the current cursor and its visibility, the built-in 32x32 hand and
// dragging-hand masks. Mask bits follow the classic two-plane rule (AND 1 / XOR 0 transparent, 0/0 black, 0/1
// white, 1/1 inverted; rows of 4 bytes, most significant bit first). Under SDL they become SDL cursors (main
// thread only); headless, the current cursor is only recorded.
// Leaves out: animated cursors, cursor files, cursor clipping.
#pragma once

#include <cstdint>
#include <vector>

namespace Platform
{

enum class CursorKind
{
    Arrow,
    IBeam,
    Mask,
    Color
};

struct CursorObject
{
    CursorKind kind = CursorKind::Arrow;
    int width = 0;
    int height = 0;
    int hotX = 0;
    int hotY = 0;
    std::vector<uint8_t> andMask; // Mask cursors
    std::vector<uint8_t> xorMask;
    std::vector<uint32_t> argb; // Color cursors, width * height
    void* native = nullptr;     // SDL_Cursor*
};
using HCURSOR = CursorObject*;

constexpr uintptr_t IDC_ARROW = 32512;
constexpr uintptr_t IDC_IBEAM = 32513;

// The system cursors (IDC_ARROW, IDC_IBEAM); null for any other id. Shared objects: never destroy them.
HCURSOR LoadCursor(void* instance, uintptr_t id);
// A two-plane mask cursor; the width must be a multiple of 8, each plane height * width / 8 bytes. Null on bad
// sizes (0, above 256, not a multiple of 8), on missing planes, or a hot spot outside the cursor.
HCURSOR CreateCursor(void* instance, int hotX, int hotY, int width, int height, const void* andMask,
                     const void* xorMask);
// A cursor from 0xAARRGGBB pixels (rows top-down), drawn `scale` times larger (whole factor, at least 1) so that it
// keeps its size relative to the scaled picture. Null on bad sizes or a hot spot outside the image.
HCURSOR CreateColorCursor(const uint32_t* argb, int width, int height, int hotX, int hotY, int scale);
// Frees a cursor made by CreateCursor/CreateColorCursor (system cursors are kept). When it is the current cursor
// the cursor becomes none.
bool DestroyCursor(HCURSOR cursor);

// Makes `cursor` current (null = no cursor drawn) and returns the previous one.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
// Display counter as the classic call keeps it: the cursor is shown while it is >= 0. Returns the new count.
int ShowCursor(bool show);

// The built-in hand (hot spot 11, 4) and dragging hand (hot spot 15, 10), 32x32 two-plane masks.
struct CursorMasks
{
    uint8_t andMask[128];
    uint8_t xorMask[128];
    int hotX;
    int hotY;
};
const CursorMasks& HandCursorMasks();
const CursorMasks& DraggingHandCursorMasks();

// The pixel a mask cursor shows at (x, y) over a background pixel: 0 transparent, 1 black, 2 white, 3 inverted.
int MaskCursorPixel(const CursorObject& cursor, int x, int y);

// Forgets the current cursor and the show counter and frees the SDL cursors (part of ResetWindowLayer).
void ResetCursors();

} // namespace Platform
