// Cursor objects (system, two-plane mask, colour), the current cursor and the built-in hand shapes.
#include <SDL.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/Cursors.h"

namespace Platform
{

namespace
{

// '.' transparent, 'X' black, 'o' white.
const char* const kHandArt[32] = {
    "................................", "................................", "................................",
    "................................", "..........XX....................", ".........XooX...................",
    ".........XooX...................", ".........XooX...................", ".........XooXXX.................",
    ".........XooXooXXX..............", ".........XooXooXooXX............", ".....XX..XooXooXooXoX...........",
    ".....XoX.XooooooooooX...........", "......XoXXooooooooooX...........", "......XooXooooooooooX...........",
    ".......XoooooooooooX............", ".......XoooooooooooX............", "........XooooooooooX............",
    "........XoooooooooX.............", ".........XooooooooX.............", ".........XooooooooX.............",
    ".........XXXXXXXXXX.............", "................................", "................................",
    "................................", "................................", "................................",
    "................................", "................................", "................................",
    "................................", "................................",
};

const char* const kDraggingArt[32] = {
    "................................", "................................", "................................",
    "................................", "................................", "................................",
    "...........XX.XX.XX.............", "..........XooXooXooXX...........", "..........XooXooXooXoX..........",
    "........XXXooooooooXoX..........", ".......XooXoooooooooooX.........", ".......XoooooooooooooX..........",
    "........XooooooooooooX..........", "........XoooooooooooX...........", ".........XooooooooooX...........",
    ".........XoooooooooX............", "..........XooooooooX............", "..........XXXXXXXXXX............",
    "................................", "................................", "................................",
    "................................", "................................", "................................",
    "................................", "................................", "................................",
    "................................", "................................", "................................",
    "................................", "................................",
};

CursorMasks MasksFrom(const char* const art[32], int hotX, int hotY)
{
    CursorMasks masks{};
    for (int y = 0; y < 32; ++y)
    {
        for (int x = 0; x < 32; ++x)
        {
            const char c = art[y][x];
            const uint8_t bit = uint8_t(0x80 >> (x & 7));
            const int index = y * 4 + x / 8;
            if (c == '.') masks.andMask[index] |= bit;
            if (c == 'o') masks.xorMask[index] |= bit;
        }
    }
    masks.hotX = hotX;
    masks.hotY = hotY;
    return masks;
}

CursorObject SystemCursor(CursorKind kind)
{
    CursorObject cursor;
    cursor.kind = kind;
    return cursor;
}

CursorObject gArrow = SystemCursor(CursorKind::Arrow);
CursorObject gIBeam = SystemCursor(CursorKind::IBeam);
std::vector<std::unique_ptr<CursorObject>> gMade;
HCURSOR gCurrent = &gArrow;
int gShowCount = 0;

bool VideoRunning()
{
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

bool IsSystem(HCURSOR cursor)
{
    return cursor == &gArrow || cursor == &gIBeam;
}

void FreeNative(CursorObject& cursor)
{
    if (cursor.native && VideoRunning()) SDL_FreeCursor(static_cast<SDL_Cursor*>(cursor.native));
    cursor.native = nullptr;
}

SDL_Cursor* MakeNative(CursorObject& cursor)
{
    if (cursor.native) return static_cast<SDL_Cursor*>(cursor.native);
    SDL_Cursor* native = nullptr;
    switch (cursor.kind)
    {
    case CursorKind::Arrow:
        native = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
        break;
    case CursorKind::IBeam:
        native = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_IBEAM);
        break;
    case CursorKind::Mask:
    {
        // SDL's planes: mask = not AND, data = not (AND xor XOR).
        std::vector<uint8_t> data(cursor.andMask.size()), mask(cursor.andMask.size());
        for (size_t i = 0; i < data.size(); ++i)
        {
            mask[i] = uint8_t(~cursor.andMask[i]);
            data[i] = uint8_t(~(cursor.andMask[i] ^ cursor.xorMask[i]));
        }
        native = SDL_CreateCursor(data.data(), mask.data(), cursor.width, cursor.height, cursor.hotX, cursor.hotY);
        break;
    }
    case CursorKind::Color:
    {
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(cursor.argb.data(), cursor.width, cursor.height, 32,
                                                                  cursor.width * 4, SDL_PIXELFORMAT_ARGB8888);
        if (surface)
        {
            native = SDL_CreateColorCursor(surface, cursor.hotX, cursor.hotY);
            SDL_FreeSurface(surface);
        }
        break;
    }
    }
    cursor.native = native;
    return native;
}

void Apply()
{
    if (!VideoRunning()) return;
    const bool visible = gCurrent && gShowCount >= 0;
    if (gCurrent)
        if (SDL_Cursor* native = MakeNative(*gCurrent)) SDL_SetCursor(native);
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

bool ValidSize(int width, int height, int hotX, int hotY)
{
    return width > 0 && height > 0 && width <= 256 && height <= 256 && hotX >= 0 && hotY >= 0 && hotX < width &&
           hotY < height;
}

} // namespace

HCURSOR LoadCursor(void*, uintptr_t id)
{
    if (id == IDC_ARROW) return &gArrow;
    if (id == IDC_IBEAM) return &gIBeam;
    return nullptr;
}

HCURSOR CreateCursor(void*, int hotX, int hotY, int width, int height, const void* andMask, const void* xorMask)
{
    if (!andMask || !xorMask || !ValidSize(width, height, hotX, hotY) || width % 8 != 0) return nullptr;
    auto cursor = std::make_unique<CursorObject>();
    cursor->kind = CursorKind::Mask;
    cursor->width = width;
    cursor->height = height;
    cursor->hotX = hotX;
    cursor->hotY = hotY;
    const size_t bytes = size_t(width / 8) * size_t(height);
    const auto* a = static_cast<const uint8_t*>(andMask);
    const auto* x = static_cast<const uint8_t*>(xorMask);
    cursor->andMask.assign(a, a + bytes);
    cursor->xorMask.assign(x, x + bytes);
    gMade.push_back(std::move(cursor));
    return gMade.back().get();
}

HCURSOR CreateColorCursor(const uint32_t* argb, int width, int height, int hotX, int hotY, int scale)
{
    if (!argb || !ValidSize(width, height, hotX, hotY)) return nullptr;
    scale = std::clamp(scale, 1, std::max(1, 256 / std::max(width, height)));
    auto cursor = std::make_unique<CursorObject>();
    cursor->kind = CursorKind::Color;
    cursor->width = width * scale;
    cursor->height = height * scale;
    cursor->hotX = hotX * scale;
    cursor->hotY = hotY * scale;
    cursor->argb.resize(size_t(cursor->width) * size_t(cursor->height));
    for (int y = 0; y < cursor->height; ++y)
        for (int x = 0; x < cursor->width; ++x)
            cursor->argb[size_t(y) * size_t(cursor->width) + size_t(x)] =
                argb[size_t(y / scale) * size_t(width) + size_t(x / scale)];
    gMade.push_back(std::move(cursor));
    return gMade.back().get();
}

bool DestroyCursor(HCURSOR cursor)
{
    if (!cursor || IsSystem(cursor)) return false;
    auto it = std::find_if(gMade.begin(), gMade.end(), [&](auto& c) { return c.get() == cursor; });
    if (it == gMade.end()) return false;
    if (gCurrent == cursor)
    {
        gCurrent = nullptr;
        Apply();
    }
    FreeNative(**it);
    gMade.erase(it);
    return true;
}

HCURSOR SetCursor(HCURSOR cursor)
{
    HCURSOR previous = gCurrent;
    gCurrent = cursor;
    Apply();
    return previous;
}

HCURSOR GetCursor()
{
    return gCurrent;
}

int ShowCursor(bool show)
{
    gShowCount += show ? 1 : -1;
    Apply();
    return gShowCount;
}

const CursorMasks& HandCursorMasks()
{
    static const CursorMasks masks = MasksFrom(kHandArt, 11, 4);
    return masks;
}

const CursorMasks& DraggingHandCursorMasks()
{
    static const CursorMasks masks = MasksFrom(kDraggingArt, 15, 10);
    return masks;
}

int MaskCursorPixel(const CursorObject& cursor, int x, int y)
{
    if (cursor.kind != CursorKind::Mask || x < 0 || y < 0 || x >= cursor.width || y >= cursor.height) return 0;
    const size_t index = size_t(y) * size_t(cursor.width / 8) + size_t(x / 8);
    const uint8_t bit = uint8_t(0x80 >> (x & 7));
    const bool a = (cursor.andMask[index] & bit) != 0;
    const bool o = (cursor.xorMask[index] & bit) != 0;
    if (a) return o ? 3 : 0;
    return o ? 2 : 1;
}

void ResetCursors()
{
    for (auto& cursor : gMade) FreeNative(*cursor);
    gMade.clear();
    FreeNative(gArrow);
    FreeNative(gIBeam);
    gCurrent = &gArrow;
    gShowCount = 0;
}

} // namespace Platform
