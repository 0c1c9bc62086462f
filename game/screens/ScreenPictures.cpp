// Loading and freeing the pictures of single screens and windows as those open and close.
#include "ScreenPictures.h"

#include "ShellServices.h"
#include "game/core/GameResources.h"

namespace Zest
{

namespace
{

struct Entry
{
    const char* id;
    Image** handle;
};

const Entry kEntries[ScreenPictures::Count] = {
    {"IMAGE_TITLE", &IMAGE_TITLE},
    {"IMAGE_MAP", &IMAGE_MAP},
    {"IMAGE_MAP_BOTTOM", &IMAGE_MAP_BOTTOM},
    {"IMAGE_SHOP", &IMAGE_SHOP},
    {"IMAGE_W_LEVEL_COMPLETE", &IMAGE_W_LEVEL_COMPLETE},
    {"IMAGE_GAME_OVER_WND", &IMAGE_GAME_OVER_WND},
    {"IMAGE_HELP_PAGE1", &IMAGE_HELP_PAGE1},
};

ShellResources* gResources = nullptr;
int gHolders[ScreenPictures::Count] = {};

bool Known(ScreenPictures::Picture picture)
{
    return picture >= 0 && picture < ScreenPictures::Count;
}

void Free(int picture)
{
    gResources->FreeImage(kEntries[picture].id);
    *kEntries[picture].handle = nullptr;
}

} // namespace

void ScreenPictures::Activate(ShellResources* resources)
{
    gResources = resources;
    if (!gResources) return;
    // The title is the first screen after the loading screen: it stays for it.
    for (int p = 0; p < Count; ++p)
        if (p != Title && gHolders[p] == 0) Free(p);
}

void ScreenPictures::Deactivate()
{
    gResources = nullptr;
    for (int& holders : gHolders) holders = 0;
}

bool ScreenPictures::Active()
{
    return gResources != nullptr;
}

Image* ScreenPictures::Acquire(Picture picture)
{
    if (!Known(picture)) return nullptr;
    const Entry& entry = kEntries[picture];
    if (!gResources) return *entry.handle;
    ++gHolders[picture];
    if (!*entry.handle) *entry.handle = gResources->LoadImage(entry.id);
    return *entry.handle;
}

void ScreenPictures::Release(Picture picture)
{
    if (!Known(picture) || !gResources || gHolders[picture] == 0) return;
    if (--gHolders[picture] == 0) Free(picture);
}

const char* ScreenPictures::Id(Picture picture)
{
    return Known(picture) ? kEntries[picture].id : "";
}

int ScreenPictures::Holders(Picture picture)
{
    return Known(picture) ? gHolders[picture] : 0;
}

} // namespace Zest
