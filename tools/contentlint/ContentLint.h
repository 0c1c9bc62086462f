// Content lint: proves that a built data tree holds every resource, text, level and effect the game asks for.
#pragma once

#include <string>
#include <vector>

namespace ContentLint
{

// Problems found, one readable line each; an empty list means the content is whole.
struct Report
{
    std::vector<std::string> problems;
    void Fail(const std::string& what) { problems.push_back(what); }
    bool Clean() const { return problems.empty(); }
};

// Where the content lives: the loose data tree the pack is built from, the pack itself and the loose music folder.
// An empty pack or music path skips that check.
struct Paths
{
    std::string data;
    std::string pak;
    std::string music;
};

// Every check reads the tree under paths.data through the game's own readers where they exist (the XML reader, the
// image files layer, the font data and the language table) and adds what it finds wrong to the report.
void CheckManifest(const Paths& paths, Report& report);
void CheckLanguage(const Paths& paths, Report& report);
void CheckLevels(const Paths& paths, Report& report);
void CheckDishes(const Paths& paths, Report& report);
void CheckUpgrades(const Paths& paths, Report& report);
void CheckMap(const Paths& paths, Report& report);
void CheckLogos(const Paths& paths, Report& report);
void CheckEffects(const Paths& paths, Report& report);
void CheckAnimations(const Paths& paths, Report& report);
void CheckPictures(const Paths& paths, Report& report);
void CheckPack(const Paths& paths, Report& report);
void CheckMusic(const Paths& paths, Report& report);

// All of the above.
Report CheckAll(const Paths& paths);

// The resource ids the game binds, in their groups; exposed so tests can build small trees from it.
struct ResourceId
{
    const char* group;
    const char* kind; // "Image", "Sound" or "Font"
    const char* id;
};
const std::vector<ResourceId>& BoundIds();

// Entries the language table must hold at least.
constexpr int kLanguageEntries = 220;

} // namespace ContentLint
