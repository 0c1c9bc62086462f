// Content lint: every id, file, text, level, map point, effect and animation of a data tree, checked.
#include "ContentLint.h"

#include "base/Common.h"
#include "core/LngTable.h"
#include "data/ImageLib.h"
#include "data/PakInterface.h"
#include "data/XMLParser.h"
#include "graphics/FontData.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>

namespace fs = std::filesystem;

namespace ContentLint
{

namespace
{

// ---------------------------------------------------------------------------------------------------------------
// Reading helpers

struct Element
{
    Zest::XMLElement::Type type = Zest::XMLElement::TypeNone;
    std::string name;    // tag name or text
    std::string section; // enclosing elements joined by '/'
    std::map<std::string, std::string> attrs;

    bool Start(const char* tag) const { return type == Zest::XMLElement::TypeStartTag && name == tag; }
    bool Has(const std::string& key) const
    {
        auto it = attrs.find(key);
        return it != attrs.end() && !it->second.empty();
    }
    std::string Get(const std::string& key) const
    {
        auto it = attrs.find(key);
        return it == attrs.end() ? std::string() : it->second;
    }
};

// Reads a whole XML file through the game's reader. False (with a problem reported) when it cannot be opened or
// the reader stops on an error: content the game reads must read to its end.
bool ReadXml(const std::string& file, const std::string& shown, std::vector<Element>& out, Report& report)
{
    Zest::XMLParser parser;
    if (!parser.OpenFile(file))
    {
        report.Fail(shown + ": missing or unreadable");
        return false;
    }
    Zest::XMLElement e;
    while (parser.ReadNextElement(e))
    {
        if (e.mType == Zest::XMLElement::TypeComment || e.mType == Zest::XMLElement::TypeInstruction) continue;
        out.push_back({e.mType, e.mValue, e.mSection, e.mAttributes});
    }
    if (parser.HasFailed())
    {
        report.Fail(shown + ": XML error: " + parser.GetErrorText());
        return false;
    }
    return true;
}

bool Int(const Element& e, const std::string& key, int& out)
{
    return e.Has(key) && Zest::ParseInt(e.Get(key), out);
}

bool Double(const Element& e, const std::string& key, double& out)
{
    return e.Has(key) && Zest::ParseDouble(e.Get(key), out);
}

std::string Join(const Paths& paths, const std::string& relative)
{
    std::string r = relative;
    std::replace(r.begin(), r.end(), '\\', '/');
    return paths.data + "/" + r;
}

// The loader tries these in order for a name given without extension.
const char* const kImageExtensions[] = {".tga", ".jpg", ".png", ".gif", ".j2k", ".jp2"};

// The file an image name resolves to, spelled exactly (the tree is checked on a case-sensitive file system, so a
// name whose case differs from the file's is reported as missing).
std::string FindImageFile(const Paths& paths, const std::string& name)
{
    const std::string base = Join(paths, name);
    if (fs::path(base).has_extension() && fs::is_regular_file(base)) return base;
    for (const char* ext : kImageExtensions)
        if (fs::is_regular_file(base + ext)) return base + ext;
    return {};
}

struct Size
{
    int w = 0, h = 0;
};

// Loads an image through the game's image files layer; reports and returns false when it does not load.
bool LoadImage(const Paths& paths, const std::string& name, const std::string& who, Report& report,
               Size* size = nullptr)
{
    const std::string file = FindImageFile(paths, name);
    if (file.empty())
    {
        report.Fail(who + ": image \"" + name + "\" has no file");
        return false;
    }
    std::unique_ptr<ImageLib::Image> image = ImageLib::GetImage(file, false);
    if (!image)
    {
        report.Fail(who + ": image \"" + name + "\" does not load");
        return false;
    }
    if (size) *size = {image->GetWidth(), image->GetHeight()};
    return true;
}

// ---------------------------------------------------------------------------------------------------------------
// The ids the game binds

const std::vector<ResourceId> kIds = []
{
    std::vector<ResourceId> ids;
    for (const char* f :
         {"FONT_BUTTON", "FONT_BUTTON_SMALL", "FONT_DEFAULT", "FONT_DEFAULT_BLUE", "FONT_SIMPLE", "FONT_TEST"})
        ids.push_back({"Init", "Font", f});
    for (const char* i : {"IMAGE_CUSTOM_DRAGGING", "IMAGE_CUSTOM_HAND", "IMAGE_CUSTOM_POINTER", "IMAGE_CUSTOM_TEXT"})
        ids.push_back({"Init", "Image", i});
    for (const char* i : {"IMAGE_LOADER_BAR", "IMAGE_LOADER_C", "IMAGE_LOAD_SCREEN"})
        ids.push_back({"TitleScreen", "Image", i});
    ids.push_back({"TitleScreen", "Sound", "SOUND_CONTINUE"});
    for (const char* i : {"IMAGE_AKKUM",
                          "IMAGE_AKKUM_DISABLE",
                          "IMAGE_AKKUM_LIGHT",
                          "IMAGE_AKKUM_READY",
                          "IMAGE_ARROW_DOWN",
                          "IMAGE_ARROW_LEFT",
                          "IMAGE_ARROW_RIGHT",
                          "IMAGE_ARROW_UP",
                          "IMAGE_ATTENTION",
                          "IMAGE_BIGBUTTON",
                          "IMAGE_BIGBUTTON_DOWN",
                          "IMAGE_BIGBUTTON_OVER",
                          "IMAGE_BOMB",
                          "IMAGE_BOX",
                          "IMAGE_BOX2",
                          "IMAGE_BOX3",
                          "IMAGE_BOX4B",
                          "IMAGE_BOX4T",
                          "IMAGE_BOX_READY",
                          "IMAGE_BURNER_OFF",
                          "IMAGE_BURNER_ON",
                          "IMAGE_BURNER_ONON",
                          "IMAGE_CHECKBOX",
                          "IMAGE_CLOCK",
                          "IMAGE_CLOCK_SMALL",
                          "IMAGE_CLOSED",
                          "IMAGE_CLOUDLET",
                          "IMAGE_CLOUDLET_SMALL",
                          "IMAGE_COFE_CUP",
                          "IMAGE_COFE_MAC",
                          "IMAGE_COFE_MAC_DISABLE",
                          "IMAGE_COFE_MAC_READY",
                          "IMAGE_COFE_PR",
                          "IMAGE_EXPERT_GOAL",
                          "IMAGE_EXPERT_PRIZE",
                          "IMAGE_FACE_BAD",
                          "IMAGE_FACE_FINE",
                          "IMAGE_FACE_GOOD",
                          "IMAGE_FOOD1",
                          "IMAGE_FOOD1_BIG",
                          "IMAGE_FOOD2",
                          "IMAGE_FOOD2_BIG",
                          "IMAGE_FOOD3",
                          "IMAGE_FOOD3_BIG",
                          "IMAGE_FOOD4",
                          "IMAGE_FOOD4_BIG",
                          "IMAGE_GAME_OVER_WND",
                          "IMAGE_GOAL",
                          "IMAGE_HELP_PAGE1",
                          "IMAGE_HELP_PAGE2",
                          "IMAGE_HOLE",
                          "IMAGE_ICON_CONTINUE",
                          "IMAGE_ICON_HOW",
                          "IMAGE_ICON_MENU",
                          "IMAGE_ICON_OPTIONS",
                          "IMAGE_ICON_RESTART",
                          "IMAGE_LIGHT_OFF",
                          "IMAGE_LIGHT_ON",
                          "IMAGE_LINE_BLUE",
                          "IMAGE_LM_ON",
                          "IMAGE_MAP",
                          "IMAGE_MAP_ARROW",
                          "IMAGE_MAP_BOTTOM",
                          "IMAGE_MAP_CHEF",
                          "IMAGE_MAP_POINT",
                          "IMAGE_MAP_POINT_COMPLETE",
                          "IMAGE_MAP_POINT_CURRENT",
                          "IMAGE_MAP_POINT_EXPERT",
                          "IMAGE_MAP_POINT_SELECT",
                          "IMAGE_MONEY",
                          "IMAGE_MONEY_OFF",
                          "IMAGE_MONEY_ON",
                          "IMAGE_MONEY_OVER",
                          "IMAGE_MONITOR",
                          "IMAGE_MONITOR_SMALL",
                          "IMAGE_MOOD_BAD",
                          "IMAGE_MOOD_FINE",
                          "IMAGE_MOOD_GOOD",
                          "IMAGE_PIZZERIA1",
                          "IMAGE_PIZZERIA2",
                          "IMAGE_PIZZERIA3",
                          "IMAGE_PIZZERIA4",
                          "IMAGE_PIZZERIA5",
                          "IMAGE_PIZZERIA6",
                          "IMAGE_PLATE",
                          "IMAGE_PLATE_DISABLE",
                          "IMAGE_PLATE_FOOD",
                          "IMAGE_RAMKA",
                          "IMAGE_RAMKA_LEFT",
                          "IMAGE_RAMKA_RIGHT",
                          "IMAGE_SELECT",
                          "IMAGE_SHOP",
                          "IMAGE_SLIDER_THUMB",
                          "IMAGE_SLIDER_TRACK",
                          "IMAGE_SMBUTTON",
                          "IMAGE_SMBUTTON100",
                          "IMAGE_SMBUTTON100_DISABLED",
                          "IMAGE_SMBUTTON100_OVER",
                          "IMAGE_SMBUTTON_DISABLED",
                          "IMAGE_SMBUTTON_DOWN",
                          "IMAGE_SMBUTTON_OVER",
                          "IMAGE_SMILE_OFF",
                          "IMAGE_SMILE_ON",
                          "IMAGE_SOLD",
                          "IMAGE_STAR_EMPTY",
                          "IMAGE_STAR_FULL",
                          "IMAGE_STAR_HALF",
                          "IMAGE_TIME_OFF",
                          "IMAGE_TIME_ON",
                          "IMAGE_TITLE",
                          "IMAGE_TITLE_BOX",
                          "IMAGE_UNDER_SHOP_LINE",
                          "IMAGE_W_HINT",
                          "IMAGE_W_HINT_ARROW_LEFT",
                          "IMAGE_W_HINT_ARROW_LEFT_UP",
                          "IMAGE_W_HINT_ARROW_RIGHT",
                          "IMAGE_W_LEVEL_COMPLETE",
                          "IM_BONUS_CLOUD1",
                          "IM_BONUS_CLOUD2",
                          "IM_BONUS_CLOUD3",
                          "IM_BONUS_HART",
                          "IM_BONUS_INSTR",
                          "IM_BONUS_PARTICLE1",
                          "IM_BONUS_PARTICLE2",
                          "IM_BONUS_PARTICLE3"})
        ids.push_back({"Game", "Image", i});
    for (const char* s : {"SOUND_APPEAR_BOMB",
                          "SOUND_APPEAR_ICECREAM",
                          "SOUND_BOMB",
                          "SOUND_BUY",
                          "SOUND_CLICK",
                          "SOUND_COFFEE_READY",
                          "SOUND_EXPERT_GOAL",
                          "SOUND_GET_MONEY",
                          "SOUND_GIVE_COFFEE",
                          "SOUND_LEVEL_COMPLETE",
                          "SOUND_LEVEL_FAILED",
                          "SOUND_LIGHTING",
                          "SOUND_LM_WORKING",
                          "SOUND_MAIN_GOAL",
                          "SOUND_MATCH",
                          "SOUND_MATCH4",
                          "SOUND_MATCH5",
                          "SOUND_MOVE",
                          "SOUND_NEW_PERSON",
                          "SOUND_PERSON_ANGRY",
                          "SOUND_PERSON_GOT_FOOD",
                          "SOUND_PERSON_LEAVE",
                          "SOUND_PERSON_WANT_FOOD",
                          "SOUND_PIZZA_READY",
                          "SOUND_PUT_PIZZA",
                          "SOUND_SELECT",
                          "SOUND_TAKE_ICECREEM",
                          "SOUND_TAKE_LM",
                          "SOUND_TAKE_PIZZA",
                          "SOUND_TIME_IS_UP"})
        ids.push_back({"Game", "Sound", s});
    return ids;
}();

// One declaration of the manifest.
struct Declared
{
    std::string group, kind, id, path;
    std::map<std::string, std::string> attrs;
    int line = 0;
};

// Reads the manifest the way the resource manager does: groups of self-closed Image, Sound, Font and
// SetDefaults elements, the default path and id prefix applied.
bool ReadManifest(const Paths& paths, std::vector<Declared>& out, Report& report)
{
    const std::string shown = "properties/resources.xml";
    Zest::XMLParser parser;
    if (!parser.OpenFile(Join(paths, shown)))
    {
        report.Fail(shown + ": missing or unreadable");
        return false;
    }
    Zest::XMLElement e;
    bool sawRoot = false;
    std::string group, defaultPath, prefix;
    std::string open; // a declaration whose end tag must come next
    while (parser.ReadNextElement(e))
    {
        if (e.mType == Zest::XMLElement::TypeComment || e.mType == Zest::XMLElement::TypeInstruction) continue;
        const std::string at = shown + " line " + std::to_string(parser.GetLineNumber());
        if (!open.empty())
        {
            if (e.mType != Zest::XMLElement::TypeEndTag || e.mValue != open)
                report.Fail(at + ": " + open + " must be closed at once");
            open.clear();
            continue;
        }
        if (e.mType == Zest::XMLElement::TypeText)
        {
            report.Fail(at + ": text not expected");
            continue;
        }
        if (e.mType != Zest::XMLElement::TypeStartTag) continue;
        if (!sawRoot)
        {
            if (e.mValue != "ResourceManifest") report.Fail(shown + ": the root must be ResourceManifest");
            sawRoot = true;
            continue;
        }
        if (e.mValue == "Resources")
        {
            group = e.mAttributes["id"];
            if (group.empty()) report.Fail(at + ": group without id");
            continue;
        }
        open = e.mValue;
        if (e.mValue == "SetDefaults")
        {
            if (e.mAttributes.count("path"))
            {
                std::string p = e.mAttributes["path"];
                if (!p.empty() && (p.back() == '/' || p.back() == '\\')) p.pop_back();
                defaultPath = p + "/";
            }
            if (e.mAttributes.count("idprefix"))
            {
                std::string p = e.mAttributes["idprefix"];
                if (!p.empty() && (p.back() == '/' || p.back() == '\\')) p.pop_back();
                prefix = p;
            }
            continue;
        }
        if (e.mValue != "Image" && e.mValue != "Sound" && e.mValue != "Font")
        {
            report.Fail(at + ": unknown element " + e.mValue);
            open.clear();
            continue;
        }
        Declared d;
        d.group = group;
        d.kind = e.mValue;
        d.attrs = e.mAttributes;
        d.line = parser.GetLineNumber();
        const std::string path = e.mAttributes["path"];
        if (path.empty())
        {
            report.Fail(at + ": " + d.kind + " without path");
            continue;
        }
        d.path = path[0] == '!' ? path : defaultPath + path;
        std::string id = e.mAttributes["id"];
        if (id.empty())
        {
            id = Zest::GetFileBaseName(d.path);
            const size_t dot = id.rfind('.');
            if (dot != std::string::npos) id.erase(dot);
        }
        d.id = prefix + id;
        out.push_back(std::move(d));
    }
    if (parser.HasFailed())
    {
        report.Fail(shown + ": XML error: " + parser.GetErrorText());
        return false;
    }
    return true;
}

bool SoundFileLoads(const Paths& paths, const std::string& name, std::string& why)
{
    // The sound loader tries name.wav, then name.ogg, then name.au.
    const std::string base = Join(paths, name);
    std::ifstream wav(base + ".wav", std::ios::binary);
    if (wav)
    {
        char head[44] = {};
        wav.read(head, sizeof head);
        if (wav.gcount() < 44 || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
        {
            why = "is not a RIFF WAVE file";
            return false;
        }
        uint16_t format = 0, channels = 0, bits = 0;
        std::memcpy(&format, head + 20, 2);
        std::memcpy(&channels, head + 22, 2);
        std::memcpy(&bits, head + 34, 2);
        if (format != 1 || channels < 1 || channels > 2 || (bits != 8 && bits != 16))
        {
            why = "is not 8- or 16-bit PCM, mono or stereo";
            return false;
        }
        return true;
    }
    for (const char* ext : {".ogg", ".au"})
        if (fs::is_regular_file(base + ext)) return true;
    why = "has no .wav, .ogg or .au file";
    return false;
}

void CheckSizes(const std::map<std::string, Size>& s, const std::map<std::string, int>& cols, Report& report)
{
    auto size = [&](const char* id)
    {
        auto it = s.find(id);
        return it == s.end() ? Size{} : it->second;
    };
    auto need = [&](bool ok, const std::string& what)
    {
        if (!ok) report.Fail("size: " + what);
    };
    auto exact = [&](const char* id, int w, int h)
    {
        Size z = size(id);
        need(z.w == w && z.h == h, std::string(id) + " must be " + std::to_string(w) + "x" + std::to_string(h) +
                                       ", is " + std::to_string(z.w) + "x" + std::to_string(z.h));
    };
    auto same = [&](const char* a, const char* b)
    { need(size(a).w == size(b).w && size(a).h == size(b).h, std::string(a) + " and " + b + " must match"); };
    for (const char* id : {"IMAGE_TITLE", "IMAGE_LOAD_SCREEN", "IMAGE_SHOP"}) exact(id, 800, 600);
    need(size("IMAGE_MAP").w == 1600 && size("IMAGE_MAP").h >= 535, "IMAGE_MAP must be 1600 wide, 535 or more high");
    need(size("IMAGE_MAP_BOTTOM").w == 800 && size("IMAGE_MAP_BOTTOM").h >= 65, "IMAGE_MAP_BOTTOM must be 800 wide");
    need(size("IMAGE_MAP_CHEF").w <= 200, "IMAGE_MAP_CHEF must be at most 200 wide (the message starts at x 200)");
    for (const char* id : {"IMAGE_SMILE_ON", "IMAGE_SMILE_OFF", "IMAGE_TIME_ON", "IMAGE_TIME_OFF", "IMAGE_MONEY_ON",
                           "IMAGE_MONEY_OFF", "IMAGE_LIGHT_ON", "IMAGE_LIGHT_OFF"})
        exact(id, 8, 8);
    for (const char* id : {"IMAGE_BURNER_OFF", "IMAGE_BURNER_ON", "IMAGE_BURNER_ONON"}) exact(id, 49, 49);
    exact("IMAGE_FOOD1_BIG", 98, 49);
    exact("IMAGE_FOOD2_BIG", 98, 98);
    exact("IMAGE_FOOD3_BIG", 147, 49);
    exact("IMAGE_FOOD4_BIG", 98, 98);
    const Size cb = size("IMAGE_CHECKBOX");
    need(cb.w % 2 == 0 && cols.count("IMAGE_CHECKBOX") && cols.at("IMAGE_CHECKBOX") == 2 && cb.h >= 20 && cb.h <= 32,
         "IMAGE_CHECKBOX must be two cells side by side (cols 2), 20 to 32 high");
    for (const char* id : {"IMAGE_CLOCK", "IMAGE_CLOCK_SMALL"})
    {
        const int n = cols.count(id) ? cols.at(id) : 1;
        need(n >= 2 && size(id).w % n == 0, std::string(id) + " must be a strip of 2 or more cels with cols set");
    }
    for (const char* id : {"IMAGE_STAR_FULL", "IMAGE_STAR_HALF", "IMAGE_STAR_EMPTY"})
        need(size(id).w <= 16, std::string(id) + " must be at most 16 wide (stars are 16 apart)");
    for (const char* id : {"IMAGE_MOOD_BAD", "IMAGE_MOOD_FINE", "IMAGE_MOOD_GOOD"})
        need(size(id).w >= 64 && size(id).h >= 25, std::string(id) + " must hold the 33 x 25 bar from x 31");
    same("IMAGE_GAME_OVER_WND", "IMAGE_MONITOR");
    same("IMAGE_W_LEVEL_COMPLETE", "IMAGE_MONITOR");
    for (const char* id : {"IMAGE_SMBUTTON_OVER", "IMAGE_SMBUTTON_DOWN", "IMAGE_SMBUTTON_DISABLED"})
        same(id, "IMAGE_SMBUTTON");
    for (const char* id : {"IMAGE_SMBUTTON100_OVER", "IMAGE_SMBUTTON100_DISABLED"}) same(id, "IMAGE_SMBUTTON100");
    for (const char* id : {"IMAGE_BIGBUTTON_OVER", "IMAGE_BIGBUTTON_DOWN"}) same(id, "IMAGE_BIGBUTTON");
    need(size("IMAGE_SMBUTTON").w <= 250 && size("IMAGE_SMBUTTON").h < 60,
         "IMAGE_SMBUTTON must fit the title column (at most 250 x 59)");
    // The big panel holds the menu's buttons and the shop's second buy button; the food page's buy button at
    // x 485 must end inside it.
    const Size mon = size("IMAGE_MONITOR");
    need(mon.w <= 800 && mon.h <= 600 && mon.w >= 386 + size("IMAGE_BIGBUTTON").w &&
             mon.h >= 470 + size("IMAGE_SMBUTTON").h && mon.w >= 485 + size("IMAGE_SMBUTTON").w,
         "IMAGE_MONITOR must hold the menu and shop buttons and fit the screen");
    const Size small = size("IMAGE_MONITOR_SMALL");
    need(small.w >= 300 && small.w <= 800 && small.h >= 260 && small.h <= 600,
         "IMAGE_MONITOR_SMALL must hold the tip window's OK button at y 220");
    need(size("IMAGE_SMBUTTON100").w <= 105 && size("IMAGE_SMBUTTON100").h <= 65,
         "IMAGE_SMBUTTON100 must fit at (695, 535)");
    need(size("IMAGE_COFE_MAC").w <= 130 && size("IMAGE_COFE_MAC").h <= 140, "IMAGE_COFE_MAC at most 130 x 140");
    need(size("IMAGE_AKKUM").w <= 100 && size("IMAGE_AKKUM").h <= 98, "IMAGE_AKKUM at most 100 x 98");
    const Size hl = size("IMAGE_W_HINT_ARROW_LEFT"), hr = size("IMAGE_W_HINT_ARROW_RIGHT");
    need(hl.w > 5 && hl.h > 39, "IMAGE_W_HINT_ARROW_LEFT must reach its point at (5, 39)");
    need(hr.w > 45 && hr.h > 40, "IMAGE_W_HINT_ARROW_RIGHT must reach its point at (45, 40)");
    need(size("IMAGE_W_HINT").w >= 230 && size("IMAGE_W_HINT").h >= 170,
         "IMAGE_W_HINT must hold its OK button at (170, 130) and the arrows at y 176");
}

// Characters the language table uses: each font must draw every one of them.
std::set<unsigned char> TextCharacters(const Paths& paths)
{
    Zest::LngTable table(false);
    table.Load(Join(paths, "properties/lng.xml"));
    std::set<unsigned char> chars;
    for (const std::string& s : table.strings)
        for (unsigned char c : s) chars.insert(c);
    return chars;
}

int CountTypes(const Paths& paths)
{
    std::vector<Element> els;
    Report ignored;
    if (!ReadXml(Join(paths, "levels/Dishes.xml"), "", els, ignored)) return 0;
    return static_cast<int>(std::count_if(els.begin(), els.end(), [](const Element& e) { return e.Start("Type"); }));
}

const char* const kCustomers[] = {"cowboy", "ballplayer", "girl",  "madam", "grandmam", "turist",
                                  "diver",  "bunny",      "alien", "boy",   "superman", "boomgirl"};

} // namespace

const std::vector<ResourceId>& BoundIds()
{
    return kIds;
}

// ---------------------------------------------------------------------------------------------------------------

void CheckManifest(const Paths& paths, Report& report)
{
    std::vector<Declared> declared;
    if (!ReadManifest(paths, declared, report)) return;

    // Each id once per kind, in the group the game loads it from.
    std::map<std::pair<std::string, std::string>, const Declared*> byKindId;
    for (const Declared& d : declared)
        if (!byKindId.emplace(std::make_pair(d.kind, d.id), &d).second)
            report.Fail("properties/resources.xml line " + std::to_string(d.line) + ": " + d.id + " declared twice");
    for (const ResourceId& r : kIds)
    {
        auto it = byKindId.find({r.kind, r.id});
        if (it == byKindId.end())
            report.Fail(std::string("properties/resources.xml: ") + r.kind + " " + r.id + " is missing");
        else if (it->second->group != r.group)
            report.Fail(std::string(r.id) + " is in group \"" + it->second->group + "\", the game loads it from \"" +
                        r.group + "\"");
    }

    // Everything declared must load.
    std::map<std::string, Size> sizes;
    std::map<std::string, int> cols;
    const std::set<unsigned char> textCharacters = TextCharacters(paths);
    for (const Declared& d : declared)
    {
        const std::string who = d.kind + " " + d.id;
        if (d.path.rfind("!", 0) == 0)
        {
            if (d.kind == "Font" && d.path.rfind("!ref:", 0) == 0)
            {
                if (!byKindId.count({"Font", d.path.substr(5)})) report.Fail(who + ": refers to an unknown font");
            }
            else if (d.path != "!program")
                report.Fail(who + ": system fonts depend on the machine; bake a bitmap font instead");
            continue;
        }
        if (d.kind == "Image")
        {
            Size size;
            if (!LoadImage(paths, d.path, who, report, &size)) continue;
            sizes[d.id] = size;
            int c = 1, r = 1;
            if (d.attrs.count("cols") && !Zest::ParseInt(d.attrs.at("cols"), c)) c = 0;
            if (d.attrs.count("rows") && !Zest::ParseInt(d.attrs.at("rows"), r)) r = 0;
            cols[d.id] = c;
            if (c < 1 || r < 1 || size.w % c != 0 || size.h % r != 0)
                report.Fail(who + ": rows and cols must be at least 1 and divide the picture");
            if (d.attrs.count("anim"))
            {
                const std::string a = Zest::StringToUpper(d.attrs.at("anim"));
                if (a != "NONE" && a != "ONCE" && a != "PINGPONG" && a != "LOOP")
                    report.Fail(who + ": invalid animation type");
            }
        }
        else if (d.kind == "Sound")
        {
            std::string why;
            if (!SoundFileLoads(paths, d.path, why)) report.Fail(who + ": \"" + d.path + "\" " + why);
        }
        else
        {
            auto* font = new Zest::FontData();
            if (!font->Load(nullptr, Join(paths, d.path)))
                report.Fail(who + ": font descriptor \"" + d.path + "\" does not load: " + font->mError);
            else
            {
                // Every character of the language table must have a glyph in some layer.
                for (unsigned char c : textCharacters)
                {
                    bool drawn = false;
                    for (const auto& layer : font->mFontLayerList) drawn = drawn || layer.mCharData[c].mWidth > 0;
                    if (!drawn)
                    {
                        report.Fail(who + ": no glyph for character " + std::to_string(c) + " ('" +
                                    std::string(1, static_cast<char>(c)) + "') used by the texts");
                        break;
                    }
                }
            }
            font->Release();
        }
    }
    CheckSizes(sizes, cols, report);
}

void CheckLanguage(const Paths& paths, Report& report)
{
    const std::string file = Join(paths, "properties/lng.xml");
    if (!fs::is_regular_file(file))
    {
        report.Fail("properties/lng.xml: missing");
        return;
    }
    std::vector<Element> els;
    if (!ReadXml(file, "properties/lng.xml", els, report)) return;
    Zest::LngTable table(false);
    table.Load(file);
    if (table.current.empty()) report.Fail("properties/lng.xml: the Language element names no current language");
    if (static_cast<int>(table.strings.size()) < kLanguageEntries)
        report.Fail("properties/lng.xml: " + std::to_string(table.strings.size()) + " entries for \"" + table.current +
                    "\", the game uses numbers up to " + std::to_string(kLanguageEntries - 1));
    for (size_t i = 0; i < table.strings.size(); ++i)
    {
        const std::string& s = table.strings[i];
        // An empty String element yields its own end tag as text: placeholders must hold a character.
        if (s.empty() || s == "String") report.Fail("properties/lng.xml: entry " + std::to_string(i) + " is empty");
    }
}

void CheckLevels(const Paths& paths, Report& report)
{
    std::vector<Element> els;
    if (!ReadXml(Join(paths, "levels/levels.xml"), "levels/levels.xml", els, report)) return;
    const int dishTypes = CountTypes(paths);
    // The money and light objects use manifest pictures.
    std::map<std::string, std::string> manifestImages;
    {
        std::vector<Declared> declared;
        Report ignored;
        ReadManifest(paths, declared, ignored);
        for (const Declared& d : declared)
            if (d.kind == "Image") manifestImages[d.id] = d.path;
    }
    std::map<int, int> seen;
    for (size_t i = 0; i < els.size(); ++i)
    {
        if (!els[i].Start("Level")) continue;
        int num = 0;
        if (!Int(els[i], "Num", num) || num < 1 || num > 70)
        {
            report.Fail("levels.xml: a Level without a Num in 1..70");
            continue;
        }
        const std::string at = "levels.xml level " + std::to_string(num) + ": ";
        if (seen[num]++) report.Fail(at + "given twice (the first wins)");
        const Element& level = els[i];
        int time = 0, tips = 5, value = 0;
        if (!Int(level, "Time", time) || time <= 0) report.Fail(at + "Time must be given and positive");
        for (const char* key : {"Goal", "ExpertGoal", "LightWeight", "BreakPlate", "WaitFirstPerson"})
            if (!Int(level, key, value) || value < 0) report.Fail(at + key + " must be given, 0 or more");
        if (Int(level, "TipsCount", tips) && (tips < 3 || tips > 6)) report.Fail(at + "TipsCount must be 3..6");
        const std::string type = level.Get("Type");
        const int kind = type == "Inlay" ? 1 : type == "PixelHunt" ? 3 : 0;
        if (!type.empty() && kind == 0) report.Fail(at + "unknown Type \"" + type + "\"");
        Size background;
        if (!level.Has("Background"))
            report.Fail(at + "no Background");
        else if (LoadImage(paths, "images/gameplay/" + level.Get("Background"), at + "Background", report,
                           &background) &&
                 (background.w != 800 || background.h != 600))
            report.Fail(at + "the Background must be 800x600");

        int personSum = 0, dishW1 = 0, boards = 0, groups = 0, persons = 0, objects = 0, wanted = 0;
        bool weights = false, dishes = false, food = false;
        std::vector<std::vector<std::string>> masks;
        std::vector<int> maskColumns;
        std::vector<std::vector<std::pair<int, int>>> orders(1);
        for (size_t j = i + 1; j < els.size(); ++j)
        {
            const Element& e = els[j];
            if (e.type == Zest::XMLElement::TypeEndTag && e.name == "Level") break;
            if (e.Start("DishWeights"))
            {
                dishes = true;
                Int(e, "W1", dishW1);
                for (int k = 1; k <= 8; ++k)
                    if (!e.Has("W" + std::to_string(k)))
                        report.Fail(at + "DishWeights must give all of W1..W8 (missing ones carry over)");
            }
            else if (e.Start("PersonWeights"))
            {
                weights = true;
                for (int k = 1; k <= 12; ++k)
                {
                    int w = 0;
                    if (Int(e, "P" + std::to_string(k), w)) personSum += w;
                }
            }
            else if (e.Start("FoodWants"))
            {
                food = true;
                int check = 0;
                if (!Int(e, "TimeCheck", check) || check <= 0) report.Fail(at + "FoodWants TimeCheck must be positive");
            }
            else if (e.Start("Board"))
            {
                ++boards;
                int sx = 8;
                if (e.Has("SX") && (!Int(e, "SX", sx) || sx < 8 || sx > 10)) report.Fail(at + "Board SX must be 8..10");
                std::vector<std::string> rows;
                for (int r = 1; r <= 8; ++r) rows.push_back(e.Get("r" + std::to_string(r)));
                masks.push_back(rows);
                maskColumns.push_back(sx);
            }
            else if (e.Start("Persons"))
                ++groups, persons = 0, orders.resize(groups);
            else if (e.Start("Person"))
            {
                ++persons;
                int pizza = -1, snack = -1;
                Int(e, "Pizza", pizza);
                Int(e, "Snack", snack);
                if (pizza < -1 || pizza >= dishTypes) report.Fail(at + "Person Pizza out of the dish list");
                if (snack < -1 || snack > 2) report.Fail(at + "Person Snack must be -1..2");
                if (persons > 4) report.Fail(at + "more than 4 Person elements in a group");
                if (groups >= 1) orders[groups - 1].push_back({pizza, snack});
            }
            else if (e.Start("Object"))
            {
                ++objects;
                const std::string pic = e.Get("Pic");
                Size size;
                bool loaded = false;
                if (pic == "money" || pic == "light")
                {
                    const auto it = manifestImages.find(pic == "money" ? "IMAGE_MONEY" : "IMAGE_LIGHT_ON");
                    loaded = it != manifestImages.end() && LoadImage(paths, it->second, at + "Object", report, &size);
                }
                else
                {
                    ++wanted;
                    loaded = LoadImage(paths, "images/objects/" + pic, at + "Object", report, &size);
                }
                double w = 0, h = 0;
                if (!Double(e, "w", w) || !Double(e, "h", h) || w == 0 || h == 0)
                    report.Fail(at + "Object \"" + pic + "\" needs non-zero w and h (else it is invisible)");
                // The object is found by clicking within its shown size: too small and nobody can find it.
                else if (loaded && std::max(size.w * std::abs(w), size.h * std::abs(h)) < 16.0)
                    report.Fail(at + "Object \"" + pic + "\" is shown smaller than 16 pixels");
                int x = 0, y = 0;
                if (!Int(e, "x", x) || !Int(e, "y", y) || x < 0 || x > 800 || y < 0 || y > 600)
                    report.Fail(at + "Object \"" + pic + "\" must lie on the screen");
            }
        }
        if (!dishes || dishW1 <= 0) report.Fail(at + "the owned first recipe needs a positive W1");
        if (!weights || personSum <= 0) report.Fail(at + "PersonWeights must have a positive sum");
        if (!food) report.Fail(at + "FoodWants missing (values would carry over from the level before)");
        if (kind == 1)
        {
            if (boards != 3 || groups != 3) report.Fail(at + "an Inlay level needs 3 Board and 3 Persons elements");
            static const int kSnack[3][2] = {{2, 1}, {2, 2}, {3, 1}};
            static const int kDish[8][2] = {{2, 2}, {3, 2}, {3, 3}, {4, 2}, {4, 3}, {4, 4}, {5, 3}, {5, 5}};
            for (size_t s = 0; s < masks.size() && s < 3; ++s)
            {
                int open = 0;
                for (const std::string& row : masks[s])
                {
                    if (static_cast<int>(row.size()) != maskColumns[s] ||
                        row.find_first_not_of("01") != std::string::npos)
                        report.Fail(at + "Board rows must be SX characters of 0 and 1");
                    open += static_cast<int>(std::count(row.begin(), row.end(), '1'));
                }
                int need = 0;
                if (s < orders.size())
                    for (auto [pizza, snack] : orders[s])
                    {
                        if (pizza >= 0 && pizza < 8) need += kDish[pizza][0] * kDish[pizza][1];
                        if (snack >= 0) need += kSnack[snack][0] * kSnack[snack][1];
                    }
                if (need > open)
                    report.Fail(at + "stage " + std::to_string(s) + " orders cover " + std::to_string(need) +
                                " cells, only " + std::to_string(open) + " are open");
            }
            // The first Inlay hint waits for cell (column 4, row 4) of stage 0; row 4 is the attribute r4.
            if (!masks.empty() && (masks[0][3].size() < 5 || masks[0][3][4] != '1'))
                report.Fail(at + "cell (4, 4) must be open in stage 0");
        }
        if (kind == 3 && (objects == 0 || wanted == 0))
            report.Fail(at + "a PixelHunt level needs objects, at least one that customers can want");
    }
    for (int n = 1; n <= 70; ++n)
        if (!seen.count(n)) report.Fail("levels.xml: level " + std::to_string(n) + " is missing");
}

void CheckDishes(const Paths& paths, Report& report)
{
    std::vector<Element> els;
    if (!ReadXml(Join(paths, "levels/Dishes.xml"), "levels/Dishes.xml", els, report)) return;
    int n = 0;
    for (const Element& e : els)
    {
        if (!e.Start("Type")) continue;
        const std::string at = "Dishes.xml type " + std::to_string(n++) + ": ";
        int sx = 0, sy = 0, cook = 0, v = 0;
        if (!Int(e, "SizeX", sx) || !Int(e, "SizeY", sy) || sx < 2 || sx > 5 || sy < 2 || sy > 5)
            report.Fail(at + "SizeX and SizeY must be 2..5");
        if (!Int(e, "CookingTime", cook) || cook <= 0) report.Fail(at + "CookingTime must be positive");
        for (const char* key : {"RecipeCost", "DishCost"})
            if (!Int(e, key, v) || v < 0) report.Fail(at + key + " must be given, 0 or more");
        if (e.Has("SmallPicFileName")) LoadImage(paths, e.Get("SmallPicFileName"), at + "small picture", report);
    }
    if (n < 8) report.Fail("Dishes.xml: " + std::to_string(n) + " types, the shop needs 8");
}

void CheckUpgrades(const Paths& paths, Report& report)
{
    std::vector<Element> els;
    if (!ReadXml(Join(paths, "levels/Upgrades.xml"), "levels/Upgrades.xml", els, report)) return;
    // Rows each (device, param) table must hold, devices in file order: plate, coffee, battery, food.
    const int kRows[4][2] = {{3, 0}, {9, 9}, {6, 6}, {11, 11}};
    const char* const kNames[4] = {"plate", "coffee machine", "battery", "food"};
    int counts[4][2] = {};
    std::vector<int> values[4][2];
    int device = 0, param = 0;
    for (const Element& e : els)
    {
        if (e.Start("Device"))
        {
            ++device, param = 0;
            int level = 0;
            if (device <= 4 && (!Int(e, "EnableLevel", level) || level < 1 || level > 70))
                report.Fail(std::string("Upgrades.xml: ") + kNames[device - 1] + " needs an EnableLevel in 1..70");
        }
        else if (e.Start("Param"))
            ++param;
        else if (e.Start("Upgrade") && device >= 1 && device <= 4 && param >= 1 && param <= 2)
        {
            ++counts[device - 1][param - 1];
            int price = 0, value = 0;
            if (!Int(e, "Price", price) || !Int(e, "IntValue", value) || price < 0)
                report.Fail(std::string("Upgrades.xml: ") + kNames[device - 1] +
                            " rows must give Price (0 or more) and IntValue");
            values[device - 1][param - 1].push_back(value);
        }
    }
    for (int d = 0; d < 4; ++d)
        for (int p = 0; p < 2; ++p)
            if (counts[d][p] != kRows[d][p])
                report.Fail(std::string("Upgrades.xml: ") + kNames[d] + " parameter " + std::to_string(p + 1) +
                            " has " + std::to_string(counts[d][p]) + " rows, the shop needs " +
                            std::to_string(kRows[d][p]));
    auto all = [&](int d, int p, int lo, int hi, const char* what)
    {
        for (int v : values[d][p])
            if (v < lo || v > hi)
            {
                report.Fail(std::string("Upgrades.xml: ") + what + " out of range: " + std::to_string(v));
                return;
            }
    };
    all(0, 0, 8, 10, "plate columns");
    all(1, 0, 1, 1 << 30, "coffee capacity");
    all(2, 0, 0, 10, "battery charge");
    all(2, 1, 1, 1 << 30, "battery work time");
}

void CheckMap(const Paths& paths, Report& report)
{
    std::vector<Element> els;
    if (!ReadXml(Join(paths, "levels/map.xml"), "levels/map.xml", els, report)) return;
    int points = 0, pizzerias = 0;
    for (const Element& e : els)
    {
        int x = 0, y = 0;
        if (e.Start("Point"))
        {
            ++points;
            if (!Int(e, "x", x) || !Int(e, "y", y) || x < 0 || x >= 1600 || y + 85 < 0 || y + 85 >= 535)
                report.Fail("map.xml: level point " + std::to_string(points) + " lies off the map view");
            // The map opens at its left edge with the chef on the first day's point while the story pans the view a
            // little: that point keeps well clear of the edge, so the chef stands whole inside the view.
            else if (points == 1 && x < 100)
                report.Fail("map.xml: the first level point stands " + std::to_string(x) +
                            " pixels from the map's left edge, at least 100 are needed");
        }
        else if (e.Start("PizzeriaPoint"))
        {
            ++pizzerias;
            if (!Int(e, "PizzeriaX", x) || !Int(e, "PizzeriaY", y) || x < 0 || x >= 1600 || y + 85 < 0 || y + 85 >= 535)
                report.Fail("map.xml: pizzeria point " + std::to_string(pizzerias) + " lies off the map view");
        }
        else if (e.Start("PizzeriaPicure"))
        {
            int level = 0, pizzeria = 0;
            if (!Int(e, "Level", level) || !Int(e, "Pizzeria", pizzeria) || level < 1 || level > 70 || pizzeria < 0 ||
                pizzeria > 5)
                report.Fail("map.xml: a picture needs Level 1..70 and Pizzeria 0..5");
            LoadImage(paths, e.Get("Image"), "map.xml picture", report);
        }
    }
    if (points != 70) report.Fail("map.xml: " + std::to_string(points) + " level points, the game has 70 levels");
    if (pizzerias != 6) report.Fail("map.xml: " + std::to_string(pizzerias) + " pizzeria points, 6 are needed");
}

void CheckLogos(const Paths& paths, Report& report)
{
    std::vector<Element> els;
    if (!ReadXml(Join(paths, "properties/logos.xml"), "properties/logos.xml", els, report)) return;
    int logos = 0;
    for (const Element& e : els)
    {
        if (e.Start("ShowLogo") && e.section == "LogoAppearence/BeforeStartLoading")
        {
            ++logos;
            int time = 0;
            if (!Int(e, "time", time) || time <= 0) report.Fail("logos.xml: a ShowLogo needs a positive time");
        }
        if (e.Start("Image"))
        {
            static const std::set<std::string> kPlaces = {"LogoAppearence/BeforeStartLoading/ShowLogo",
                                                          "LogoAppearence/OnTitleLoading", "LogoAppearence/OnTitle"};
            if (!kPlaces.count(e.section)) report.Fail("logos.xml: Image under " + e.section + " is never shown");
            LoadImage(paths, e.Get("name"), "logos.xml", report);
        }
    }
    if (logos == 0) report.Fail("logos.xml: no logo screen before loading");
}

void CheckEffects(const Paths& paths, Report& report)
{
    static const char* const kFiles[] = {"star",     "electro5",     "fog",        "fog1",          "collaps",
                                         "collaps2", "drink_appear", "electro1",   "electro_small", "salut1",
                                         "cloud",    "map_build",    "map_cursor", "electro3",      "harts",
                                         "goal",     "lighting",     "drink",      "bomb_fire"};
    // Effects fastened to a piece must live for ever.
    static const std::set<std::string> kEndless = {"lighting", "drink", "bomb_fire"};
    for (const char* name : kFiles)
    {
        const std::string shown = std::string("effects/") + name + ".psi";
        std::ifstream f(Join(paths, shown), std::ios::binary);
        std::vector<uint8_t> data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        if (!f.is_open() || data.size() < 128)
        {
            report.Fail(shown + ": missing or shorter than its 128-byte header");
            continue;
        }
        auto f32 = [&](size_t at)
        {
            float v;
            std::memcpy(&v, &data[at], 4);
            return v;
        };
        int32_t rate;
        std::memcpy(&rate, &data[4], 4);
        if (rate < 0) report.Fail(shown + ": negative emission rate");
        if (!(f32(12) > 0.0f) || f32(16) < f32(12)) report.Fail(shown + ": particle life must be positive, min <= max");
        if (kEndless.count(name) && f32(8) != -1.0f) report.Fail(shown + ": an attached effect must be endless (-1)");
        for (size_t at = 8; at < 128; at += 4)
            if (at != 28 && !std::isfinite(f32(at))) report.Fail(shown + ": a header value is not a number");
        // Tagged records to the end.
        size_t pos = 128;
        while (pos < data.size())
        {
            const uint8_t tag = data[pos++];
            size_t need = 0;
            int32_t n = 0;
            if (tag == 0)
                need = 1;
            else if (tag == 1 || tag == 5)
                need = 8;
            else if (tag <= 4)
            {
                if (pos + 4 > data.size()) break;
                std::memcpy(&n, &data[pos], 4);
                const int64_t item = tag == 2 ? 1 : 8;
                if (n < 0 || (tag == 2 && n > 259))
                {
                    report.Fail(shown + ": bad record length");
                    break;
                }
                need = 4 + static_cast<size_t>(n * item);
            }
            if (pos + need > data.size())
            {
                report.Fail(shown + ": a tagged record runs past the end");
                break;
            }
            if (tag == 2)
                LoadImage(paths, std::string(reinterpret_cast<const char*>(&data[pos + 4]), static_cast<size_t>(n)),
                          shown, report);
            pos += need;
        }
    }
}

void CheckAnimations(const Paths& paths, Report& report)
{
    for (const char* name : kCustomers)
    {
        const std::string shown = std::string("characters/") + name + "_anime.xml";
        std::vector<Element> els;
        if (!ReadXml(Join(paths, shown), shown, els, report)) continue;
        int images = 0, states = 0, mood = 60, time = 0;
        std::vector<int> framesPerState, updatesPerState;
        bool first = true;
        std::vector<int> used;
        for (const Element& e : els)
        {
            if (e.Start("PersonAnime") && e.Has("MoodDownTime") && (!Int(e, "MoodDownTime", mood) || mood <= 0))
                report.Fail(shown + ": MoodDownTime must be positive");
            if (e.Start("Image") && e.section == "PersonAnime/Images")
            {
                ++images;
                Size size;
                if (LoadImage(paths, e.Get("src"), shown, report, &size) && (size.h > 260 || size.w > 260))
                    report.Fail(shown + ": frame \"" + e.Get("src") + "\" is larger than a customer's place");
            }
            if (e.Start("Anime") && e.Has("name")) ++states, framesPerState.push_back(0), updatesPerState.push_back(0);
            if (e.Start("State"))
            {
                int img = 0;
                if (first && (!Int(e, "img", img) || !Int(e, "time", time)))
                    report.Fail(shown + ": the first State must give img and time");
                first = false;
                if (framesPerState.empty())
                    report.Fail(shown + ": a State outside an Anime");
                else
                    ++framesPerState.back();
                if (e.Has("img") && Int(e, "img", img)) used.push_back(img);
                if (e.Has("time") && (!Int(e, "time", time) || time < 0))
                    report.Fail(shown + ": a State time must be 0 or more");
                if (!updatesPerState.empty()) updatesPerState.back() += time + 1; // a missing time repeats the last
            }
        }
        if (states < 3) report.Fail(shown + ": needs the waiting, angry and paying states");
        for (int count : framesPerState)
            if (count == 0) report.Fail(shown + ": a state without frames");
        // Waiting is checked for anger at each wrap, and the customer leaves when paying wraps: keep both short.
        if (updatesPerState.size() >= 3)
        {
            if (updatesPerState[0] > 250) report.Fail(shown + ": the waiting loop is longer than 2.5 s");
            if (updatesPerState[2] < 40 || updatesPerState[2] > 200)
                report.Fail(shown + ": the paying animation should last 0.4 to 2 s");
        }
        for (int img : used)
            if (img < 0 || img >= images) report.Fail(shown + ": State img " + std::to_string(img) + " has no Image");
    }
}

void CheckPictures(const Paths& paths, Report& report)
{
    // Pictures the board loads by path rather than through the manifest.
    for (const char* topping : {"grib", "chees", "paprika", "pomedor", "ananas", "krevetca"})
    {
        Size s;
        if (LoadImage(paths, std::string("images/gameplay/") + topping, "topping", report, &s) &&
            (s.w > 49 || s.h > 49))
            report.Fail(std::string("topping ") + topping + " must fit a 49-pixel cell");
    }
    for (int w = 2; w <= 5; ++w)
        for (int h = 2; h <= 5; ++h)
        {
            const std::string name = "images/gameplay/pizza/" + std::to_string(w) + "x" + std::to_string(h);
            Size s;
            if (LoadImage(paths, name, "pizza", report, &s) && (s.w != w * 49 || s.h != h * 49))
                report.Fail(name + " must be " + std::to_string(w * 49) + "x" + std::to_string(h * 49));
        }
    for (const char* size : {"2x2", "3x2", "3x3", "4x2", "4x3", "4x4", "5x3", "5x5"})
    {
        Size s;
        const std::string name = std::string("images/gameplay/pizza/") + size + "small";
        if (LoadImage(paths, name, "shelf pizza", report, &s) && (s.w > 96 || s.h > 96))
            report.Fail(name + " must be at most 96 across");
    }
    // The how-to-play page lists its last two pictures in one column: the cheese centred on (80, 370), the order's
    // shelf pizza centred by its width on (80, 425). Beside them the texts start at x 130; the buttons at y 480.
    Size cheese, order;
    LoadImage(paths, "images/gameplay/grib", "how-to-play picture", report);
    const bool haveCheese = LoadImage(paths, "images/gameplay/chees", "how-to-play picture", report, &cheese);
    const bool haveOrder = LoadImage(paths, "images/gameplay/pizza/2x2small", "how-to-play picture", report, &order);
    if (haveCheese && haveOrder)
    {
        const int cheeseBottom = 370 - cheese.h / 2 + cheese.h;
        const int orderTop = 425 - order.w / 2;
        if (orderTop < cheeseBottom)
            report.Fail("how-to-play page: pizza/2x2small (" + std::to_string(order.w) + " wide) reaches up to y " +
                        std::to_string(orderTop) + " over the cheese, which ends at y " + std::to_string(cheeseBottom));
        if (80 - order.w / 2 + order.w > 130 || 80 - cheese.w / 2 + cheese.w > 130)
            report.Fail("how-to-play page: the cheese and pizza/2x2small must end left of the texts at x 130");
        if (orderTop + order.h > 480)
            report.Fail("how-to-play page: pizza/2x2small must end above the buttons at y 480");
    }
}

void CheckPack(const Paths& paths, Report& report)
{
    if (paths.pak.empty()) return;
    Zest::PakInterface pak;
    if (!pak.AddPakFile(paths.pak))
    {
        report.Fail(paths.pak + ": not a readable pack");
        return;
    }
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(paths.data))
    {
        if (!entry.is_regular_file()) continue;
        ++files;
        const std::string rel = fs::relative(entry.path(), paths.data).generic_string();
        auto it = pak.Entries().find(pak.NormalizePath(rel));
        if (it == pak.Entries().end())
            report.Fail("main.pak lacks " + rel);
        else if (it->second.size != static_cast<uint64_t>(entry.file_size()))
            report.Fail("main.pak holds a different " + rel);
    }
    if (files == 0) report.Fail(paths.data + ": the data tree is empty");
}

void CheckMusic(const Paths& paths, Report& report)
{
    if (paths.music.empty()) return;
    for (int n = 1; n <= 4; ++n)
    {
        const std::string file = paths.music + "/music" + std::to_string(n) + ".ogg";
        std::ifstream f(file, std::ios::binary);
        char magic[4] = {};
        f.read(magic, 4);
        if (!f || std::memcmp(magic, "OggS", 4) != 0) report.Fail(file + ": missing or not an Ogg stream");
    }
}

Report CheckAll(const Paths& paths)
{
    Report report;
    CheckLanguage(paths, report);
    CheckManifest(paths, report);
    CheckLevels(paths, report);
    CheckDishes(paths, report);
    CheckUpgrades(paths, report);
    CheckMap(paths, report);
    CheckLogos(paths, report);
    CheckEffects(paths, report);
    CheckAnimations(paths, report);
    CheckPictures(paths, report);
    CheckPack(paths, report);
    CheckMusic(paths, report);
    return report;
}

} // namespace ContentLint
