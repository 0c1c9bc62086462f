// The program-wide resource handles in tests: filled from a test's lookup, and emptied again so that each test
// leaves them as it found them.
#pragma once

#include <string>

#include "game/core/GameResources.h"

namespace CoreTest
{

// Every handle group (init, loader bar, game) from one lookup.
inline void ExtractAllResources(Zest::ResourceLookup& lookup)
{
    Zest::ExtractInitResources(lookup);
    Zest::ExtractLoaderBarResources(lookup);
    Zest::ExtractGameResources(lookup);
}

// Every handle back to null or 0.
inline void ClearResourceHandles()
{
    class Zero : public Zest::ResourceLookup
    {
        Zest::Image* GetImageThrow(const std::string&) override { return nullptr; }
        int GetSoundThrow(const std::string&) override { return 0; }
        Zest::Font* GetFontThrow(const std::string&) override { return nullptr; }
    } zero;
    ExtractAllResources(zero);
}

} // namespace CoreTest
