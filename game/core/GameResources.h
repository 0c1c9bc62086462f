// The game's resource handles, one per resource name, and the three operations that bind them by group.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace Zest
{

class Font;
class Image;

// The three lookups binding needs. The resource manager answers them through an adapter; tests answer them from
// a table. A lookup that finds nothing records its message as the source's error text (keeping an earlier error)
// and throws ResourceLookupError.
class ResourceLookup
{
public:
    virtual ~ResourceLookup() = default;
    virtual Image* GetImageThrow(const std::string& id) = 0;
    virtual int GetSoundThrow(const std::string& id) = 0;
    virtual Font* GetFontThrow(const std::string& id) = 0;
};

class ResourceLookupError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Each binds its group's handles in the fixed order (fonts, images, sounds; names in byte order). The first
// failing lookup ends the binding with false: handles before it keep their new values, it and later ones their
// old values. Errors other than ResourceLookupError pass through.
bool ExtractInitResources(ResourceLookup& lookup);
bool ExtractLoaderBarResources(ResourceLookup& lookup);
bool ExtractGameResources(ResourceLookup& lookup);

// The names a group's binding looks up, in binding order, with their kinds (tests and the content check).
enum class ResourceKind
{
    Font,
    Image,
    Sound,
};
struct ResourceName
{
    const char* name;
    ResourceKind kind;
};
const std::vector<ResourceName>& InitResourceNames();
const std::vector<ResourceName>& LoaderBarResourceNames();
const std::vector<ResourceName>& GameResourceNames();

// Zero before binding; written only by the binding operations. Group "Init":
extern Font* FONT_BUTTON;
extern Font* FONT_BUTTON_SMALL;
extern Font* FONT_DEFAULT;
extern Font* FONT_DEFAULT_BLUE;
extern Font* FONT_SIMPLE;
extern Font* FONT_TEST;
extern Image* IMAGE_CUSTOM_DRAGGING;
extern Image* IMAGE_CUSTOM_HAND;
extern Image* IMAGE_CUSTOM_POINTER;
extern Image* IMAGE_CUSTOM_TEXT;
// Group "TitleScreen" (the loading screen only; not reset when the group is deleted):
extern Image* IMAGE_LOADER_BAR;
extern Image* IMAGE_LOADER_C;
extern Image* IMAGE_LOAD_SCREEN;
extern int SOUND_CONTINUE;
// Group "Game":
extern Image* IMAGE_AKKUM;
extern Image* IMAGE_AKKUM_DISABLE;
extern Image* IMAGE_AKKUM_LIGHT;
extern Image* IMAGE_AKKUM_READY;
extern Image* IMAGE_ARROW_DOWN;
extern Image* IMAGE_ARROW_LEFT;
extern Image* IMAGE_ARROW_RIGHT;
extern Image* IMAGE_ARROW_UP;
extern Image* IMAGE_ATTENTION;
extern Image* IMAGE_BIGBUTTON;
extern Image* IMAGE_BIGBUTTON_DOWN;
extern Image* IMAGE_BIGBUTTON_OVER;
extern Image* IMAGE_BOMB;
extern Image* IMAGE_BOX;
extern Image* IMAGE_BOX2;
extern Image* IMAGE_BOX3;
extern Image* IMAGE_BOX4B;
extern Image* IMAGE_BOX4T;
extern Image* IMAGE_BOX_READY;
extern Image* IMAGE_BURNER_OFF;
extern Image* IMAGE_BURNER_ON;
extern Image* IMAGE_BURNER_ONON;
extern Image* IMAGE_CHECKBOX;
extern Image* IMAGE_CLOCK;
extern Image* IMAGE_CLOCK_SMALL;
extern Image* IMAGE_CLOSED;
extern Image* IMAGE_CLOUDLET;
extern Image* IMAGE_CLOUDLET_SMALL;
extern Image* IMAGE_COFE_CUP;
extern Image* IMAGE_COFE_MAC;
extern Image* IMAGE_COFE_MAC_DISABLE;
extern Image* IMAGE_COFE_MAC_READY;
extern Image* IMAGE_COFE_PR;
extern Image* IMAGE_EXPERT_GOAL;
extern Image* IMAGE_EXPERT_PRIZE;
extern Image* IMAGE_FACE_BAD;
extern Image* IMAGE_FACE_FINE;
extern Image* IMAGE_FACE_GOOD;
extern Image* IMAGE_FOOD1;
extern Image* IMAGE_FOOD1_BIG;
extern Image* IMAGE_FOOD2;
extern Image* IMAGE_FOOD2_BIG;
extern Image* IMAGE_FOOD3;
extern Image* IMAGE_FOOD3_BIG;
extern Image* IMAGE_FOOD4;
extern Image* IMAGE_FOOD4_BIG;
extern Image* IMAGE_GAME_OVER_WND;
extern Image* IMAGE_GOAL;
extern Image* IMAGE_HELP_PAGE1;
extern Image* IMAGE_HELP_PAGE2;
extern Image* IMAGE_HOLE;
extern Image* IMAGE_ICON_CONTINUE;
extern Image* IMAGE_ICON_HOW;
extern Image* IMAGE_ICON_MENU;
extern Image* IMAGE_ICON_OPTIONS;
extern Image* IMAGE_ICON_RESTART;
extern Image* IMAGE_LIGHT_OFF;
extern Image* IMAGE_LIGHT_ON;
extern Image* IMAGE_LINE_BLUE;
extern Image* IMAGE_LM_ON;
extern Image* IMAGE_MAP;
extern Image* IMAGE_MAP_ARROW;
extern Image* IMAGE_MAP_BOTTOM;
extern Image* IMAGE_MAP_CHEF;
extern Image* IMAGE_MAP_POINT;
extern Image* IMAGE_MAP_POINT_COMPLETE;
extern Image* IMAGE_MAP_POINT_CURRENT;
extern Image* IMAGE_MAP_POINT_EXPERT;
extern Image* IMAGE_MAP_POINT_SELECT;
extern Image* IMAGE_MONEY;
extern Image* IMAGE_MONEY_OFF;
extern Image* IMAGE_MONEY_ON;
extern Image* IMAGE_MONEY_OVER;
extern Image* IMAGE_MONITOR;
extern Image* IMAGE_MONITOR_SMALL;
extern Image* IMAGE_MOOD_BAD;
extern Image* IMAGE_MOOD_FINE;
extern Image* IMAGE_MOOD_GOOD;
extern Image* IMAGE_PIZZERIA1;
extern Image* IMAGE_PIZZERIA2;
extern Image* IMAGE_PIZZERIA3;
extern Image* IMAGE_PIZZERIA4;
extern Image* IMAGE_PIZZERIA5;
extern Image* IMAGE_PIZZERIA6;
extern Image* IMAGE_PLATE;
extern Image* IMAGE_PLATE_DISABLE;
extern Image* IMAGE_PLATE_FOOD;
extern Image* IMAGE_RAMKA;
extern Image* IMAGE_RAMKA_LEFT;
extern Image* IMAGE_RAMKA_RIGHT;
extern Image* IMAGE_SELECT;
extern Image* IMAGE_SHOP;
extern Image* IMAGE_SLIDER_THUMB;
extern Image* IMAGE_SLIDER_TRACK;
extern Image* IMAGE_SMBUTTON;
extern Image* IMAGE_SMBUTTON100;
extern Image* IMAGE_SMBUTTON100_DISABLED;
extern Image* IMAGE_SMBUTTON100_OVER;
extern Image* IMAGE_SMBUTTON_DISABLED;
extern Image* IMAGE_SMBUTTON_DOWN;
extern Image* IMAGE_SMBUTTON_OVER;
extern Image* IMAGE_SMILE_OFF;
extern Image* IMAGE_SMILE_ON;
extern Image* IMAGE_SOLD;
extern Image* IMAGE_STAR_EMPTY;
extern Image* IMAGE_STAR_FULL;
extern Image* IMAGE_STAR_HALF;
extern Image* IMAGE_TIME_OFF;
extern Image* IMAGE_TIME_ON;
extern Image* IMAGE_TITLE;
extern Image* IMAGE_TITLE_BOX;
extern Image* IMAGE_UNDER_SHOP_LINE;
extern Image* IMAGE_W_HINT;
extern Image* IMAGE_W_HINT_ARROW_LEFT;
extern Image* IMAGE_W_HINT_ARROW_LEFT_UP;
extern Image* IMAGE_W_HINT_ARROW_RIGHT;
extern Image* IMAGE_W_LEVEL_COMPLETE;
extern Image* IM_BONUS_CLOUD1;
extern Image* IM_BONUS_CLOUD2;
extern Image* IM_BONUS_CLOUD3;
extern Image* IM_BONUS_HART;
extern Image* IM_BONUS_INSTR;
extern Image* IM_BONUS_PARTICLE1;
extern Image* IM_BONUS_PARTICLE2;
extern Image* IM_BONUS_PARTICLE3;
extern int SOUND_APPEAR_BOMB;
extern int SOUND_APPEAR_ICECREAM;
extern int SOUND_BOMB;
extern int SOUND_BUY;
extern int SOUND_CLICK;
extern int SOUND_COFFEE_READY;
extern int SOUND_EXPERT_GOAL;
extern int SOUND_GET_MONEY;
extern int SOUND_GIVE_COFFEE;
extern int SOUND_LEVEL_COMPLETE;
extern int SOUND_LEVEL_FAILED;
extern int SOUND_LIGHTING;
extern int SOUND_LM_WORKING;
extern int SOUND_MAIN_GOAL;
extern int SOUND_MATCH;
extern int SOUND_MATCH4;
extern int SOUND_MATCH5;
extern int SOUND_MOVE;
extern int SOUND_NEW_PERSON;
extern int SOUND_PERSON_ANGRY;
extern int SOUND_PERSON_GOT_FOOD;
extern int SOUND_PERSON_LEAVE;
extern int SOUND_PERSON_WANT_FOOD;
extern int SOUND_PIZZA_READY;
extern int SOUND_PUT_PIZZA;
extern int SOUND_SELECT;
extern int SOUND_TAKE_ICECREEM;
extern int SOUND_TAKE_LM;
extern int SOUND_TAKE_PIZZA;
extern int SOUND_TIME_IS_UP;

} // namespace Zest
