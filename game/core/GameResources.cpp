// Binding the game's resource handles from the resource manager, group by group.
#include "GameResources.h"

namespace Zest
{

Font* FONT_BUTTON = nullptr;
Font* FONT_BUTTON_SMALL = nullptr;
Font* FONT_DEFAULT = nullptr;
Font* FONT_DEFAULT_BLUE = nullptr;
Font* FONT_SIMPLE = nullptr;
Font* FONT_TEST = nullptr;
Image* IMAGE_CUSTOM_DRAGGING = nullptr;
Image* IMAGE_CUSTOM_HAND = nullptr;
Image* IMAGE_CUSTOM_POINTER = nullptr;
Image* IMAGE_CUSTOM_TEXT = nullptr;
Image* IMAGE_LOADER_BAR = nullptr;
Image* IMAGE_LOADER_C = nullptr;
Image* IMAGE_LOAD_SCREEN = nullptr;
int SOUND_CONTINUE = 0;
Image* IMAGE_AKKUM = nullptr;
Image* IMAGE_AKKUM_DISABLE = nullptr;
Image* IMAGE_AKKUM_LIGHT = nullptr;
Image* IMAGE_AKKUM_READY = nullptr;
Image* IMAGE_ARROW_DOWN = nullptr;
Image* IMAGE_ARROW_LEFT = nullptr;
Image* IMAGE_ARROW_RIGHT = nullptr;
Image* IMAGE_ARROW_UP = nullptr;
Image* IMAGE_ATTENTION = nullptr;
Image* IMAGE_BIGBUTTON = nullptr;
Image* IMAGE_BIGBUTTON_DOWN = nullptr;
Image* IMAGE_BIGBUTTON_OVER = nullptr;
Image* IMAGE_BOMB = nullptr;
Image* IMAGE_BOX = nullptr;
Image* IMAGE_BOX2 = nullptr;
Image* IMAGE_BOX3 = nullptr;
Image* IMAGE_BOX4B = nullptr;
Image* IMAGE_BOX4T = nullptr;
Image* IMAGE_BOX_READY = nullptr;
Image* IMAGE_BURNER_OFF = nullptr;
Image* IMAGE_BURNER_ON = nullptr;
Image* IMAGE_BURNER_ONON = nullptr;
Image* IMAGE_CHECKBOX = nullptr;
Image* IMAGE_CLOCK = nullptr;
Image* IMAGE_CLOCK_SMALL = nullptr;
Image* IMAGE_CLOSED = nullptr;
Image* IMAGE_CLOUDLET = nullptr;
Image* IMAGE_CLOUDLET_SMALL = nullptr;
Image* IMAGE_COFE_CUP = nullptr;
Image* IMAGE_COFE_MAC = nullptr;
Image* IMAGE_COFE_MAC_DISABLE = nullptr;
Image* IMAGE_COFE_MAC_READY = nullptr;
Image* IMAGE_COFE_PR = nullptr;
Image* IMAGE_EXPERT_GOAL = nullptr;
Image* IMAGE_EXPERT_PRIZE = nullptr;
Image* IMAGE_FACE_BAD = nullptr;
Image* IMAGE_FACE_FINE = nullptr;
Image* IMAGE_FACE_GOOD = nullptr;
Image* IMAGE_FOOD1 = nullptr;
Image* IMAGE_FOOD1_BIG = nullptr;
Image* IMAGE_FOOD2 = nullptr;
Image* IMAGE_FOOD2_BIG = nullptr;
Image* IMAGE_FOOD3 = nullptr;
Image* IMAGE_FOOD3_BIG = nullptr;
Image* IMAGE_FOOD4 = nullptr;
Image* IMAGE_FOOD4_BIG = nullptr;
Image* IMAGE_GAME_OVER_WND = nullptr;
Image* IMAGE_GOAL = nullptr;
Image* IMAGE_HELP_PAGE1 = nullptr;
Image* IMAGE_HELP_PAGE2 = nullptr;
Image* IMAGE_HOLE = nullptr;
Image* IMAGE_ICON_CONTINUE = nullptr;
Image* IMAGE_ICON_HOW = nullptr;
Image* IMAGE_ICON_MENU = nullptr;
Image* IMAGE_ICON_OPTIONS = nullptr;
Image* IMAGE_ICON_RESTART = nullptr;
Image* IMAGE_LIGHT_OFF = nullptr;
Image* IMAGE_LIGHT_ON = nullptr;
Image* IMAGE_LINE_BLUE = nullptr;
Image* IMAGE_LM_ON = nullptr;
Image* IMAGE_MAP = nullptr;
Image* IMAGE_MAP_ARROW = nullptr;
Image* IMAGE_MAP_BOTTOM = nullptr;
Image* IMAGE_MAP_CHEF = nullptr;
Image* IMAGE_MAP_POINT = nullptr;
Image* IMAGE_MAP_POINT_COMPLETE = nullptr;
Image* IMAGE_MAP_POINT_CURRENT = nullptr;
Image* IMAGE_MAP_POINT_EXPERT = nullptr;
Image* IMAGE_MAP_POINT_SELECT = nullptr;
Image* IMAGE_MONEY = nullptr;
Image* IMAGE_MONEY_OFF = nullptr;
Image* IMAGE_MONEY_ON = nullptr;
Image* IMAGE_MONEY_OVER = nullptr;
Image* IMAGE_MONITOR = nullptr;
Image* IMAGE_MONITOR_SMALL = nullptr;
Image* IMAGE_MOOD_BAD = nullptr;
Image* IMAGE_MOOD_FINE = nullptr;
Image* IMAGE_MOOD_GOOD = nullptr;
Image* IMAGE_PIZZERIA1 = nullptr;
Image* IMAGE_PIZZERIA2 = nullptr;
Image* IMAGE_PIZZERIA3 = nullptr;
Image* IMAGE_PIZZERIA4 = nullptr;
Image* IMAGE_PIZZERIA5 = nullptr;
Image* IMAGE_PIZZERIA6 = nullptr;
Image* IMAGE_PLATE = nullptr;
Image* IMAGE_PLATE_DISABLE = nullptr;
Image* IMAGE_PLATE_FOOD = nullptr;
Image* IMAGE_RAMKA = nullptr;
Image* IMAGE_RAMKA_LEFT = nullptr;
Image* IMAGE_RAMKA_RIGHT = nullptr;
Image* IMAGE_SELECT = nullptr;
Image* IMAGE_SHOP = nullptr;
Image* IMAGE_SLIDER_THUMB = nullptr;
Image* IMAGE_SLIDER_TRACK = nullptr;
Image* IMAGE_SMBUTTON = nullptr;
Image* IMAGE_SMBUTTON100 = nullptr;
Image* IMAGE_SMBUTTON100_DISABLED = nullptr;
Image* IMAGE_SMBUTTON100_OVER = nullptr;
Image* IMAGE_SMBUTTON_DISABLED = nullptr;
Image* IMAGE_SMBUTTON_DOWN = nullptr;
Image* IMAGE_SMBUTTON_OVER = nullptr;
Image* IMAGE_SMILE_OFF = nullptr;
Image* IMAGE_SMILE_ON = nullptr;
Image* IMAGE_SOLD = nullptr;
Image* IMAGE_STAR_EMPTY = nullptr;
Image* IMAGE_STAR_FULL = nullptr;
Image* IMAGE_STAR_HALF = nullptr;
Image* IMAGE_TIME_OFF = nullptr;
Image* IMAGE_TIME_ON = nullptr;
Image* IMAGE_TITLE = nullptr;
Image* IMAGE_TITLE_BOX = nullptr;
Image* IMAGE_UNDER_SHOP_LINE = nullptr;
Image* IMAGE_W_HINT = nullptr;
Image* IMAGE_W_HINT_ARROW_LEFT = nullptr;
Image* IMAGE_W_HINT_ARROW_LEFT_UP = nullptr;
Image* IMAGE_W_HINT_ARROW_RIGHT = nullptr;
Image* IMAGE_W_LEVEL_COMPLETE = nullptr;
Image* IM_BONUS_CLOUD1 = nullptr;
Image* IM_BONUS_CLOUD2 = nullptr;
Image* IM_BONUS_CLOUD3 = nullptr;
Image* IM_BONUS_HART = nullptr;
Image* IM_BONUS_INSTR = nullptr;
Image* IM_BONUS_PARTICLE1 = nullptr;
Image* IM_BONUS_PARTICLE2 = nullptr;
Image* IM_BONUS_PARTICLE3 = nullptr;
int SOUND_APPEAR_BOMB = 0;
int SOUND_APPEAR_ICECREAM = 0;
int SOUND_BOMB = 0;
int SOUND_BUY = 0;
int SOUND_CLICK = 0;
int SOUND_COFFEE_READY = 0;
int SOUND_EXPERT_GOAL = 0;
int SOUND_GET_MONEY = 0;
int SOUND_GIVE_COFFEE = 0;
int SOUND_LEVEL_COMPLETE = 0;
int SOUND_LEVEL_FAILED = 0;
int SOUND_LIGHTING = 0;
int SOUND_LM_WORKING = 0;
int SOUND_MAIN_GOAL = 0;
int SOUND_MATCH = 0;
int SOUND_MATCH4 = 0;
int SOUND_MATCH5 = 0;
int SOUND_MOVE = 0;
int SOUND_NEW_PERSON = 0;
int SOUND_PERSON_ANGRY = 0;
int SOUND_PERSON_GOT_FOOD = 0;
int SOUND_PERSON_LEAVE = 0;
int SOUND_PERSON_WANT_FOOD = 0;
int SOUND_PIZZA_READY = 0;
int SOUND_PUT_PIZZA = 0;
int SOUND_SELECT = 0;
int SOUND_TAKE_ICECREEM = 0;
int SOUND_TAKE_LM = 0;
int SOUND_TAKE_PIZZA = 0;
int SOUND_TIME_IS_UP = 0;

namespace
{

struct Binding
{
    ResourceName name;
    void* handle; // Font**, Image** or int*, by kind
};

const std::vector<Binding> kInit = {
    {{"FONT_BUTTON", ResourceKind::Font}, &FONT_BUTTON},
    {{"FONT_BUTTON_SMALL", ResourceKind::Font}, &FONT_BUTTON_SMALL},
    {{"FONT_DEFAULT", ResourceKind::Font}, &FONT_DEFAULT},
    {{"FONT_DEFAULT_BLUE", ResourceKind::Font}, &FONT_DEFAULT_BLUE},
    {{"FONT_SIMPLE", ResourceKind::Font}, &FONT_SIMPLE},
    {{"FONT_TEST", ResourceKind::Font}, &FONT_TEST},
    {{"IMAGE_CUSTOM_DRAGGING", ResourceKind::Image}, &IMAGE_CUSTOM_DRAGGING},
    {{"IMAGE_CUSTOM_HAND", ResourceKind::Image}, &IMAGE_CUSTOM_HAND},
    {{"IMAGE_CUSTOM_POINTER", ResourceKind::Image}, &IMAGE_CUSTOM_POINTER},
    {{"IMAGE_CUSTOM_TEXT", ResourceKind::Image}, &IMAGE_CUSTOM_TEXT},
};

const std::vector<Binding> kLoaderBar = {
    {{"IMAGE_LOADER_BAR", ResourceKind::Image}, &IMAGE_LOADER_BAR},
    {{"IMAGE_LOADER_C", ResourceKind::Image}, &IMAGE_LOADER_C},
    {{"IMAGE_LOAD_SCREEN", ResourceKind::Image}, &IMAGE_LOAD_SCREEN},
    {{"SOUND_CONTINUE", ResourceKind::Sound}, &SOUND_CONTINUE},
};

const std::vector<Binding> kGame = {
    {{"IMAGE_AKKUM", ResourceKind::Image}, &IMAGE_AKKUM},
    {{"IMAGE_AKKUM_DISABLE", ResourceKind::Image}, &IMAGE_AKKUM_DISABLE},
    {{"IMAGE_AKKUM_LIGHT", ResourceKind::Image}, &IMAGE_AKKUM_LIGHT},
    {{"IMAGE_AKKUM_READY", ResourceKind::Image}, &IMAGE_AKKUM_READY},
    {{"IMAGE_ARROW_DOWN", ResourceKind::Image}, &IMAGE_ARROW_DOWN},
    {{"IMAGE_ARROW_LEFT", ResourceKind::Image}, &IMAGE_ARROW_LEFT},
    {{"IMAGE_ARROW_RIGHT", ResourceKind::Image}, &IMAGE_ARROW_RIGHT},
    {{"IMAGE_ARROW_UP", ResourceKind::Image}, &IMAGE_ARROW_UP},
    {{"IMAGE_ATTENTION", ResourceKind::Image}, &IMAGE_ATTENTION},
    {{"IMAGE_BIGBUTTON", ResourceKind::Image}, &IMAGE_BIGBUTTON},
    {{"IMAGE_BIGBUTTON_DOWN", ResourceKind::Image}, &IMAGE_BIGBUTTON_DOWN},
    {{"IMAGE_BIGBUTTON_OVER", ResourceKind::Image}, &IMAGE_BIGBUTTON_OVER},
    {{"IMAGE_BOMB", ResourceKind::Image}, &IMAGE_BOMB},
    {{"IMAGE_BOX", ResourceKind::Image}, &IMAGE_BOX},
    {{"IMAGE_BOX2", ResourceKind::Image}, &IMAGE_BOX2},
    {{"IMAGE_BOX3", ResourceKind::Image}, &IMAGE_BOX3},
    {{"IMAGE_BOX4B", ResourceKind::Image}, &IMAGE_BOX4B},
    {{"IMAGE_BOX4T", ResourceKind::Image}, &IMAGE_BOX4T},
    {{"IMAGE_BOX_READY", ResourceKind::Image}, &IMAGE_BOX_READY},
    {{"IMAGE_BURNER_OFF", ResourceKind::Image}, &IMAGE_BURNER_OFF},
    {{"IMAGE_BURNER_ON", ResourceKind::Image}, &IMAGE_BURNER_ON},
    {{"IMAGE_BURNER_ONON", ResourceKind::Image}, &IMAGE_BURNER_ONON},
    {{"IMAGE_CHECKBOX", ResourceKind::Image}, &IMAGE_CHECKBOX},
    {{"IMAGE_CLOCK", ResourceKind::Image}, &IMAGE_CLOCK},
    {{"IMAGE_CLOCK_SMALL", ResourceKind::Image}, &IMAGE_CLOCK_SMALL},
    {{"IMAGE_CLOSED", ResourceKind::Image}, &IMAGE_CLOSED},
    {{"IMAGE_CLOUDLET", ResourceKind::Image}, &IMAGE_CLOUDLET},
    {{"IMAGE_CLOUDLET_SMALL", ResourceKind::Image}, &IMAGE_CLOUDLET_SMALL},
    {{"IMAGE_COFE_CUP", ResourceKind::Image}, &IMAGE_COFE_CUP},
    {{"IMAGE_COFE_MAC", ResourceKind::Image}, &IMAGE_COFE_MAC},
    {{"IMAGE_COFE_MAC_DISABLE", ResourceKind::Image}, &IMAGE_COFE_MAC_DISABLE},
    {{"IMAGE_COFE_MAC_READY", ResourceKind::Image}, &IMAGE_COFE_MAC_READY},
    {{"IMAGE_COFE_PR", ResourceKind::Image}, &IMAGE_COFE_PR},
    {{"IMAGE_EXPERT_GOAL", ResourceKind::Image}, &IMAGE_EXPERT_GOAL},
    {{"IMAGE_EXPERT_PRIZE", ResourceKind::Image}, &IMAGE_EXPERT_PRIZE},
    {{"IMAGE_FACE_BAD", ResourceKind::Image}, &IMAGE_FACE_BAD},
    {{"IMAGE_FACE_FINE", ResourceKind::Image}, &IMAGE_FACE_FINE},
    {{"IMAGE_FACE_GOOD", ResourceKind::Image}, &IMAGE_FACE_GOOD},
    {{"IMAGE_FOOD1", ResourceKind::Image}, &IMAGE_FOOD1},
    {{"IMAGE_FOOD1_BIG", ResourceKind::Image}, &IMAGE_FOOD1_BIG},
    {{"IMAGE_FOOD2", ResourceKind::Image}, &IMAGE_FOOD2},
    {{"IMAGE_FOOD2_BIG", ResourceKind::Image}, &IMAGE_FOOD2_BIG},
    {{"IMAGE_FOOD3", ResourceKind::Image}, &IMAGE_FOOD3},
    {{"IMAGE_FOOD3_BIG", ResourceKind::Image}, &IMAGE_FOOD3_BIG},
    {{"IMAGE_FOOD4", ResourceKind::Image}, &IMAGE_FOOD4},
    {{"IMAGE_FOOD4_BIG", ResourceKind::Image}, &IMAGE_FOOD4_BIG},
    {{"IMAGE_GAME_OVER_WND", ResourceKind::Image}, &IMAGE_GAME_OVER_WND},
    {{"IMAGE_GOAL", ResourceKind::Image}, &IMAGE_GOAL},
    {{"IMAGE_HELP_PAGE1", ResourceKind::Image}, &IMAGE_HELP_PAGE1},
    {{"IMAGE_HELP_PAGE2", ResourceKind::Image}, &IMAGE_HELP_PAGE2},
    {{"IMAGE_HOLE", ResourceKind::Image}, &IMAGE_HOLE},
    {{"IMAGE_ICON_CONTINUE", ResourceKind::Image}, &IMAGE_ICON_CONTINUE},
    {{"IMAGE_ICON_HOW", ResourceKind::Image}, &IMAGE_ICON_HOW},
    {{"IMAGE_ICON_MENU", ResourceKind::Image}, &IMAGE_ICON_MENU},
    {{"IMAGE_ICON_OPTIONS", ResourceKind::Image}, &IMAGE_ICON_OPTIONS},
    {{"IMAGE_ICON_RESTART", ResourceKind::Image}, &IMAGE_ICON_RESTART},
    {{"IMAGE_LIGHT_OFF", ResourceKind::Image}, &IMAGE_LIGHT_OFF},
    {{"IMAGE_LIGHT_ON", ResourceKind::Image}, &IMAGE_LIGHT_ON},
    {{"IMAGE_LINE_BLUE", ResourceKind::Image}, &IMAGE_LINE_BLUE},
    {{"IMAGE_LM_ON", ResourceKind::Image}, &IMAGE_LM_ON},
    {{"IMAGE_MAP", ResourceKind::Image}, &IMAGE_MAP},
    {{"IMAGE_MAP_ARROW", ResourceKind::Image}, &IMAGE_MAP_ARROW},
    {{"IMAGE_MAP_BOTTOM", ResourceKind::Image}, &IMAGE_MAP_BOTTOM},
    {{"IMAGE_MAP_CHEF", ResourceKind::Image}, &IMAGE_MAP_CHEF},
    {{"IMAGE_MAP_POINT", ResourceKind::Image}, &IMAGE_MAP_POINT},
    {{"IMAGE_MAP_POINT_COMPLETE", ResourceKind::Image}, &IMAGE_MAP_POINT_COMPLETE},
    {{"IMAGE_MAP_POINT_CURRENT", ResourceKind::Image}, &IMAGE_MAP_POINT_CURRENT},
    {{"IMAGE_MAP_POINT_EXPERT", ResourceKind::Image}, &IMAGE_MAP_POINT_EXPERT},
    {{"IMAGE_MAP_POINT_SELECT", ResourceKind::Image}, &IMAGE_MAP_POINT_SELECT},
    {{"IMAGE_MONEY", ResourceKind::Image}, &IMAGE_MONEY},
    {{"IMAGE_MONEY_OFF", ResourceKind::Image}, &IMAGE_MONEY_OFF},
    {{"IMAGE_MONEY_ON", ResourceKind::Image}, &IMAGE_MONEY_ON},
    {{"IMAGE_MONEY_OVER", ResourceKind::Image}, &IMAGE_MONEY_OVER},
    {{"IMAGE_MONITOR", ResourceKind::Image}, &IMAGE_MONITOR},
    {{"IMAGE_MONITOR_SMALL", ResourceKind::Image}, &IMAGE_MONITOR_SMALL},
    {{"IMAGE_MOOD_BAD", ResourceKind::Image}, &IMAGE_MOOD_BAD},
    {{"IMAGE_MOOD_FINE", ResourceKind::Image}, &IMAGE_MOOD_FINE},
    {{"IMAGE_MOOD_GOOD", ResourceKind::Image}, &IMAGE_MOOD_GOOD},
    {{"IMAGE_PIZZERIA1", ResourceKind::Image}, &IMAGE_PIZZERIA1},
    {{"IMAGE_PIZZERIA2", ResourceKind::Image}, &IMAGE_PIZZERIA2},
    {{"IMAGE_PIZZERIA3", ResourceKind::Image}, &IMAGE_PIZZERIA3},
    {{"IMAGE_PIZZERIA4", ResourceKind::Image}, &IMAGE_PIZZERIA4},
    {{"IMAGE_PIZZERIA5", ResourceKind::Image}, &IMAGE_PIZZERIA5},
    {{"IMAGE_PIZZERIA6", ResourceKind::Image}, &IMAGE_PIZZERIA6},
    {{"IMAGE_PLATE", ResourceKind::Image}, &IMAGE_PLATE},
    {{"IMAGE_PLATE_DISABLE", ResourceKind::Image}, &IMAGE_PLATE_DISABLE},
    {{"IMAGE_PLATE_FOOD", ResourceKind::Image}, &IMAGE_PLATE_FOOD},
    {{"IMAGE_RAMKA", ResourceKind::Image}, &IMAGE_RAMKA},
    {{"IMAGE_RAMKA_LEFT", ResourceKind::Image}, &IMAGE_RAMKA_LEFT},
    {{"IMAGE_RAMKA_RIGHT", ResourceKind::Image}, &IMAGE_RAMKA_RIGHT},
    {{"IMAGE_SELECT", ResourceKind::Image}, &IMAGE_SELECT},
    {{"IMAGE_SHOP", ResourceKind::Image}, &IMAGE_SHOP},
    {{"IMAGE_SLIDER_THUMB", ResourceKind::Image}, &IMAGE_SLIDER_THUMB},
    {{"IMAGE_SLIDER_TRACK", ResourceKind::Image}, &IMAGE_SLIDER_TRACK},
    {{"IMAGE_SMBUTTON", ResourceKind::Image}, &IMAGE_SMBUTTON},
    {{"IMAGE_SMBUTTON100", ResourceKind::Image}, &IMAGE_SMBUTTON100},
    {{"IMAGE_SMBUTTON100_DISABLED", ResourceKind::Image}, &IMAGE_SMBUTTON100_DISABLED},
    {{"IMAGE_SMBUTTON100_OVER", ResourceKind::Image}, &IMAGE_SMBUTTON100_OVER},
    {{"IMAGE_SMBUTTON_DISABLED", ResourceKind::Image}, &IMAGE_SMBUTTON_DISABLED},
    {{"IMAGE_SMBUTTON_DOWN", ResourceKind::Image}, &IMAGE_SMBUTTON_DOWN},
    {{"IMAGE_SMBUTTON_OVER", ResourceKind::Image}, &IMAGE_SMBUTTON_OVER},
    {{"IMAGE_SMILE_OFF", ResourceKind::Image}, &IMAGE_SMILE_OFF},
    {{"IMAGE_SMILE_ON", ResourceKind::Image}, &IMAGE_SMILE_ON},
    {{"IMAGE_SOLD", ResourceKind::Image}, &IMAGE_SOLD},
    {{"IMAGE_STAR_EMPTY", ResourceKind::Image}, &IMAGE_STAR_EMPTY},
    {{"IMAGE_STAR_FULL", ResourceKind::Image}, &IMAGE_STAR_FULL},
    {{"IMAGE_STAR_HALF", ResourceKind::Image}, &IMAGE_STAR_HALF},
    {{"IMAGE_TIME_OFF", ResourceKind::Image}, &IMAGE_TIME_OFF},
    {{"IMAGE_TIME_ON", ResourceKind::Image}, &IMAGE_TIME_ON},
    {{"IMAGE_TITLE", ResourceKind::Image}, &IMAGE_TITLE},
    {{"IMAGE_TITLE_BOX", ResourceKind::Image}, &IMAGE_TITLE_BOX},
    {{"IMAGE_UNDER_SHOP_LINE", ResourceKind::Image}, &IMAGE_UNDER_SHOP_LINE},
    {{"IMAGE_W_HINT", ResourceKind::Image}, &IMAGE_W_HINT},
    {{"IMAGE_W_HINT_ARROW_LEFT", ResourceKind::Image}, &IMAGE_W_HINT_ARROW_LEFT},
    {{"IMAGE_W_HINT_ARROW_LEFT_UP", ResourceKind::Image}, &IMAGE_W_HINT_ARROW_LEFT_UP},
    {{"IMAGE_W_HINT_ARROW_RIGHT", ResourceKind::Image}, &IMAGE_W_HINT_ARROW_RIGHT},
    {{"IMAGE_W_LEVEL_COMPLETE", ResourceKind::Image}, &IMAGE_W_LEVEL_COMPLETE},
    {{"IM_BONUS_CLOUD1", ResourceKind::Image}, &IM_BONUS_CLOUD1},
    {{"IM_BONUS_CLOUD2", ResourceKind::Image}, &IM_BONUS_CLOUD2},
    {{"IM_BONUS_CLOUD3", ResourceKind::Image}, &IM_BONUS_CLOUD3},
    {{"IM_BONUS_HART", ResourceKind::Image}, &IM_BONUS_HART},
    {{"IM_BONUS_INSTR", ResourceKind::Image}, &IM_BONUS_INSTR},
    {{"IM_BONUS_PARTICLE1", ResourceKind::Image}, &IM_BONUS_PARTICLE1},
    {{"IM_BONUS_PARTICLE2", ResourceKind::Image}, &IM_BONUS_PARTICLE2},
    {{"IM_BONUS_PARTICLE3", ResourceKind::Image}, &IM_BONUS_PARTICLE3},
    {{"SOUND_APPEAR_BOMB", ResourceKind::Sound}, &SOUND_APPEAR_BOMB},
    {{"SOUND_APPEAR_ICECREAM", ResourceKind::Sound}, &SOUND_APPEAR_ICECREAM},
    {{"SOUND_BOMB", ResourceKind::Sound}, &SOUND_BOMB},
    {{"SOUND_BUY", ResourceKind::Sound}, &SOUND_BUY},
    {{"SOUND_CLICK", ResourceKind::Sound}, &SOUND_CLICK},
    {{"SOUND_COFFEE_READY", ResourceKind::Sound}, &SOUND_COFFEE_READY},
    {{"SOUND_EXPERT_GOAL", ResourceKind::Sound}, &SOUND_EXPERT_GOAL},
    {{"SOUND_GET_MONEY", ResourceKind::Sound}, &SOUND_GET_MONEY},
    {{"SOUND_GIVE_COFFEE", ResourceKind::Sound}, &SOUND_GIVE_COFFEE},
    {{"SOUND_LEVEL_COMPLETE", ResourceKind::Sound}, &SOUND_LEVEL_COMPLETE},
    {{"SOUND_LEVEL_FAILED", ResourceKind::Sound}, &SOUND_LEVEL_FAILED},
    {{"SOUND_LIGHTING", ResourceKind::Sound}, &SOUND_LIGHTING},
    {{"SOUND_LM_WORKING", ResourceKind::Sound}, &SOUND_LM_WORKING},
    {{"SOUND_MAIN_GOAL", ResourceKind::Sound}, &SOUND_MAIN_GOAL},
    {{"SOUND_MATCH", ResourceKind::Sound}, &SOUND_MATCH},
    {{"SOUND_MATCH4", ResourceKind::Sound}, &SOUND_MATCH4},
    {{"SOUND_MATCH5", ResourceKind::Sound}, &SOUND_MATCH5},
    {{"SOUND_MOVE", ResourceKind::Sound}, &SOUND_MOVE},
    {{"SOUND_NEW_PERSON", ResourceKind::Sound}, &SOUND_NEW_PERSON},
    {{"SOUND_PERSON_ANGRY", ResourceKind::Sound}, &SOUND_PERSON_ANGRY},
    {{"SOUND_PERSON_GOT_FOOD", ResourceKind::Sound}, &SOUND_PERSON_GOT_FOOD},
    {{"SOUND_PERSON_LEAVE", ResourceKind::Sound}, &SOUND_PERSON_LEAVE},
    {{"SOUND_PERSON_WANT_FOOD", ResourceKind::Sound}, &SOUND_PERSON_WANT_FOOD},
    {{"SOUND_PIZZA_READY", ResourceKind::Sound}, &SOUND_PIZZA_READY},
    {{"SOUND_PUT_PIZZA", ResourceKind::Sound}, &SOUND_PUT_PIZZA},
    {{"SOUND_SELECT", ResourceKind::Sound}, &SOUND_SELECT},
    {{"SOUND_TAKE_ICECREEM", ResourceKind::Sound}, &SOUND_TAKE_ICECREEM},
    {{"SOUND_TAKE_LM", ResourceKind::Sound}, &SOUND_TAKE_LM},
    {{"SOUND_TAKE_PIZZA", ResourceKind::Sound}, &SOUND_TAKE_PIZZA},
    {{"SOUND_TIME_IS_UP", ResourceKind::Sound}, &SOUND_TIME_IS_UP},
};

bool Bind(ResourceLookup& lookup, const std::vector<Binding>& table)
{
    try
    {
        for (const Binding& b : table)
        {
            switch (b.name.kind)
            {
            case ResourceKind::Font:
                *static_cast<Font**>(b.handle) = lookup.GetFontThrow(b.name.name);
                break;
            case ResourceKind::Image:
                *static_cast<Image**>(b.handle) = lookup.GetImageThrow(b.name.name);
                break;
            case ResourceKind::Sound:
                *static_cast<int*>(b.handle) = lookup.GetSoundThrow(b.name.name);
                break;
            }
        }
    }
    catch (const ResourceLookupError&)
    {
        return false;
    }
    return true;
}

std::vector<ResourceName> Names(const std::vector<Binding>& table)
{
    std::vector<ResourceName> names;
    for (const Binding& b : table) names.push_back(b.name);
    return names;
}

} // namespace

bool ExtractInitResources(ResourceLookup& lookup)
{
    return Bind(lookup, kInit);
}

bool ExtractLoaderBarResources(ResourceLookup& lookup)
{
    return Bind(lookup, kLoaderBar);
}

bool ExtractGameResources(ResourceLookup& lookup)
{
    return Bind(lookup, kGame);
}

const std::vector<ResourceName>& InitResourceNames()
{
    static const std::vector<ResourceName> names = Names(kInit);
    return names;
}

const std::vector<ResourceName>& LoaderBarResourceNames()
{
    static const std::vector<ResourceName> names = Names(kLoaderBar);
    return names;
}

const std::vector<ResourceName>& GameResourceNames()
{
    static const std::vector<ResourceName> names = Names(kGame);
    return names;
}

} // namespace Zest
