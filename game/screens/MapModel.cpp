// The map's behaviour: where the chef walks, what counts up, which effects rise when, and where clicks lead.
#include "MapModel.h"

#include "base/Common.h"
#include "data/XMLParser.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace Zest
{

namespace
{

// A present attribute is a non-empty one; its value is read as a whole number (0 when it is none).
bool Attribute(const XMLElement& element, const char* name, int32_t& out)
{
    auto it = element.mAttributes.find(name);
    if (it == element.mAttributes.end() || it->second.empty()) return false;
    int value = 0;
    ParseInt(it->second, value);
    out = value;
    return true;
}

} // namespace

bool LoadMapFile(const std::string& fileName, MapFileData& data)
{
    XMLParser parser;
    if (!parser.OpenFile(fileName)) return false;
    size_t points = 0, pizzerias = 0;
    XMLElement e;
    while (parser.ReadNextElement(e))
    {
        if (e.mType != XMLElement::TypeStartTag) continue;
        if (e.mValue == "Point")
        {
            if (points >= data.levelPoints.size()) continue;
            MapPoint& p = data.levelPoints[points++];
            Attribute(e, "x", p.x);
            if (Attribute(e, "y", p.y)) p.y += 85;
        }
        else if (e.mValue == "PizzeriaPoint")
        {
            if (pizzerias >= data.pizzeriaPoints.size()) continue;
            MapPoint& p = data.pizzeriaPoints[pizzerias++];
            Attribute(e, "PizzeriaX", p.x);
            if (Attribute(e, "PizzeriaY", p.y)) p.y += 85;
        }
        else if (e.mValue == "PizzeriaPicure")
        {
            MapPictureEntry picture;
            Attribute(e, "x", picture.x);
            Attribute(e, "y", picture.y);
            Attribute(e, "Pizzeria", picture.pizzeria);
            Attribute(e, "Level", picture.level);
            auto it = e.mAttributes.find("Image");
            if (it != e.mAttributes.end()) picture.image = it->second;
            Attribute(e, "xSin", picture.xSin);
            Attribute(e, "ySin", picture.ySin);
            data.pictures.push_back(std::move(picture));
        }
    }
    if (parser.HasFailed())
        std::fprintf(stderr, "%s: %s (line %d)\n", fileName.c_str(), parser.GetErrorText().c_str(),
                     parser.GetLineNumber());
    return true;
}

int PizzeriaOfLevel(int n)
{
    if (n <= 10) return 0;
    return std::min(5, (n - 11) / 12 + 1);
}

int MapModel::Level() const
{
    const PlayerProfile* p = mHost.MapProfile();
    return p ? p->level : 1;
}

int32_t MapModel::Expert(int level) const
{
    const PlayerProfile* p = mHost.MapProfile();
    if (!p || level < 1 || level > PlayerProfile::kNumLevels) return 0;
    return p->expertFlags[level - 1];
}

int32_t MapModel::Profit(int level) const
{
    const PlayerProfile* p = mHost.MapProfile();
    if (!p || level < 1 || level > PlayerProfile::kNumLevels) return 0;
    return p->dayProfits[level - 1];
}

int MapModel::GetPizzeriaIndex()
{
    const int level = Level();
    currentPizzeria = PizzeriaOfLevel(level);
    return PizzeriaOfLevel(level - 1);
}

void MapModel::PlaceChef()
{
    previousPizzeria = GetPizzeriaIndex();
    const int level = Level();
    if (level <= 1)
    {
        leaveVisible = false;
        // The welcome view shows the chef; it stands on the first point rather than wherever it last was.
        chefX = static_cast<float>(mData.levelPoints[0].x);
        chefY = static_cast<float>(mData.levelPoints[0].y);
        return;
    }
    if (level > PlayerProfile::kNumLevels)
    {
        leaveVisible = false;
        walkSteps = 0;
        walkTarget = mData.levelPoints[59];
    }
    else
    {
        leaveVisible = true;
        walkSteps = kWalkSteps;
        walkTarget = mData.levelPoints[level - 1];
        const MapPoint& from = mData.levelPoints[level - 2];
        chefX = static_cast<float>(from.x);
        chefY = static_cast<float>(from.y);
    }
    if (level > PlayerProfile::kNumLevels)
    {
        chefX = static_cast<float>(walkTarget.x);
        chefY = static_cast<float>(walkTarget.y);
    }
    scroll = std::clamp(static_cast<int32_t>(chefX) - 400, 0, 800);
}

void MapModel::ComputeTotals()
{
    const int level = Level();
    int32_t total = 0;
    for (int l = 1; l <= level - 2; ++l) total += Profit(l) + 100 * (Expert(l) == 1 ? 1 : 0);
    displayedTotal = total;
    targetTotal = total + Profit(level - 1) + 100 * Expert(level - 1);
}

void MapModel::SpawnClouds()
{
    for (int i = 0; i < 7; ++i)
    {
        const float x = static_cast<float>(mHost.MapRand() % 800);
        const float y = static_cast<float>(mHost.MapRand() % 50 + 35);
        const int k = static_cast<int>(mHost.MapRand() % 3);
        mHost.MapSpawn(MapEffect::Cloud, x, y, k);
    }
}

void MapModel::Enter()
{
    PlaceChef();
    levelStarting = false;
    frame = 0;
    mapPhase = true;
    intro = false;
    endingSecondStage = false;
    continuePos = {625, 553};
    if (Level() == 1)
    {
        // The chef greets each player once; later visits to the first day's map show the map itself.
        PlayerProfile* player = mHost.MapProfile();
        intro = player == nullptr || player->hintsShown[PlayerProfile::kWelcomeSeenEntry] == 0;
        // Kept with the next save of the players (a day's end, the shop, the options), as the hints are.
        if (player && intro) player->hintsShown[PlayerProfile::kWelcomeSeenEntry] = 1;
        scroll = 0;
        panRight = true;
        continuePos = {625, 545};
        SpawnClouds();
    }
    else
    {
        ComputeTotals();
        SpawnClouds();
    }
}

void MapModel::SpawnAroundPoint(MapEffect effect, const MapPoint& p, int rx, int ry, int ox, int oy, bool yFirst,
                                bool up)
{
    // The order of the two draws is part of what a replay reproduces.
    int32_t dx = 0, dy = 0;
    if (yFirst)
    {
        dy = static_cast<int32_t>(mHost.MapRandBelow(ry));
        dx = static_cast<int32_t>(mHost.MapRandBelow(rx));
    }
    else
    {
        dx = static_cast<int32_t>(mHost.MapRandBelow(rx));
        dy = static_cast<int32_t>(mHost.MapRandBelow(ry));
    }
    const float x = static_cast<float>(p.x - scroll + dx - ox);
    const float y = static_cast<float>(up ? p.y - dy - oy : p.y + dy - oy);
    mHost.MapSpawn(effect, x, y, -1);
}

void MapModel::UpdateEffects()
{
    ++frame;
    const int level = Level();
    const bool expertBefore = level > 1 && Expert(level - 1) == 1;
    if (frame == 70 && expertBefore)
        mHost.MapSpawn(MapEffect::DrinkAppear, static_cast<float>(100 * previousPizzeria + 50), 580.0f, -1);
    if (frame > 170 && frame % 3 == 0 && level > 1)
    {
        if (displayedTotal < targetTotal)
            displayedTotal += targetTotal - displayedTotal > 100 ? 10 : 1;
        else if (displayedTotal > targetTotal)
            displayedTotal -= 1;
    }
    const MapPoint& previous = mData.pizzeriaPoints[std::clamp(previousPizzeria, 0, 5)];
    if (frame < 570 && frame % 67 == 0 && expertBefore)
        SpawnAroundPoint(MapEffect::Fireworks1, previous, 100, 100, 50, 50, true, true);
    if (frame < 570 && frame % 83 == 0 && expertBefore)
        SpawnAroundPoint(MapEffect::Fireworks2, previous, 100, 100, 50, 50, true, true);
    const MapPoint& current = mData.pizzeriaPoints[std::clamp(currentPizzeria, 0, 5)];
    for (const MapPictureEntry& picture : mData.pictures)
    {
        if (picture.level != level) continue;
        if (frame < 160 && frame % 5 == 0) SpawnAroundPoint(MapEffect::Fog, current, 120, 100, 60, 50, true, false);
        if (frame < 125 && frame % 40 == 0)
            SpawnAroundPoint(MapEffect::MapBuild, current, 40, 40, 20, 20, false, false);
        if (frame < 125 && frame % 30 == 0)
            SpawnAroundPoint(MapEffect::DrinkAppear, current, 40, 40, 20, 20, false, false);
    }
    if (frame % 1000 == 0)
    {
        const float y = static_cast<float>(mHost.MapRand() % 50 + 35);
        const int k = static_cast<int>(mHost.MapRand() % 3);
        mHost.MapSpawn(MapEffect::Cloud, static_cast<float>(-mHost.MapCloudWidth(k)), y, k);
    }
}

void MapModel::Update(uint32_t updateCount, int mouseX, int mouseY)
{
    if (levelStarting) return;
    const int level = Level();
    if (mapPhase)
    {
        UpdateEffects();
        if (level > PlayerProfile::kNumLevels)
        {
            for (MapEffect effect : {MapEffect::Fireworks1, MapEffect::Fireworks2})
            {
                if (frame % (effect == MapEffect::Fireworks1 ? 70 : 120) != 0) continue;
                const float y = static_cast<float>(mHost.MapRandBelow(130) + 20);
                const float x = static_cast<float>(mHost.MapRandBelow(700) + 50);
                mHost.MapSpawn(effect, x, y, -1);
            }
        }
    }
    if (level == 1 || level > PlayerProfile::kNumLevels)
    {
        if (updateCount % 3 == 0)
        {
            scroll += panRight ? 1 : -1;
            if (scroll >= 800) panRight = false;
            if (scroll <= 0) panRight = true;
        }
    }
    else
    {
        if (walkSteps > 0)
        {
            const float stepX = std::fabs(static_cast<float>(walkTarget.x) - chefX) / static_cast<float>(walkSteps);
            const float stepY = std::fabs(static_cast<float>(walkTarget.y) - chefY) / static_cast<float>(walkSteps);
            chefX += chefX < static_cast<float>(walkTarget.x) ? stepX : -stepX;
            chefY += chefY < static_cast<float>(walkTarget.y) ? stepY : -stepY;
            --walkSteps;
        }
        if (mouseX > 775 && mouseY < 535 && scroll < 800) ++scroll;
        if (mouseX < 25 && mouseY < 535 && scroll > 0) --scroll;
    }
}

void MapModel::ContinuePressed()
{
    mHost.MapClickSound();
    const int level = Level();
    if (mapPhase && level > PlayerProfile::kNumLevels)
    {
        if (endingSecondStage)
        {
            mHost.MapSubmitScore();
            return;
        }
        endingSecondStage = true;
        continuePos = {625, 545};
        leaveVisible = false;
        return;
    }
    if (mapPhase && level >= 2)
    {
        mapPhase = false;
        hoveredRecipe = -1;
        continuePos = {-1, -1}; // the widget puts it at the bottom centre
        leaveVisible = false;
        CheckShopHint();
        return;
    }
    if (!continueEnabled) return;
    levelStarting = true;
    mHost.MapStartLevel();
}

void MapModel::EnterShopPhase()
{
    mapPhase = false;
    hoveredRecipe = -1;
    continuePos = {-1, -1};
    CheckShopHint();
}

void MapModel::LeavePressed()
{
    mHost.MapClickSound();
    mHost.MapConfirmLeave();
}

int MapModel::PictureAlpha(int pictureLevel, int picturePizzeria, int level, int previousPizzeria, int frame)
{
    if (pictureLevel < level && picturePizzeria <= previousPizzeria + 1) return 255;
    if (pictureLevel != level || frame <= 225) return -1;
    return frame < 375 ? (frame - 225) * 255 / 150 : 255;
}

bool MapModel::RecipeOffered(int k) const
{
    // A dish type the play model does not have cannot be bought.
    const PlayerProfile* p = mHost.MapProfile();
    return p && k >= 0 && k < 8 && p->recipes[k] == 0 && mHost.MapRecipeCost(k) >= 0;
}

bool MapModel::DeviceUnlocked(int device) const
{
    return mHost.MapDeviceEnableLevel(device) <= Level();
}

bool MapModel::DeviceHit(int device, int x, int y) const
{
    const MapPoint size = mHost.MapDeviceSize(device);
    const MapPoint c = kDeviceHitCentres[device];
    return MapRect{c.x - size.x / 2, c.y - size.y / 2, size.x, size.y}.Contains(x, y);
}

void MapModel::HitTestShop(int x, int y)
{
    bool hand = false;
    if (!mapPhase)
    {
        for (int k = 0; k < 8 && !hand; ++k) hand = RecipeOffered(k) && kRecipeAreas[k].Contains(x, y);
        for (int d = 0; d < 4 && !hand; ++d) hand = DeviceUnlocked(d) && DeviceHit(d, x, y);
    }
    mHost.MapSetCursor(hand ? 1 : 0);
}

void MapModel::MouseMove(int x, int y)
{
    HitTestShop(x, y);
    if (mapPhase) return;
    hoveredRecipe = -1;
    for (int k = 0; k < 8; ++k)
        if (RecipeOffered(k) && kRecipeAreas[k].Contains(x, y))
        {
            hoveredRecipe = k;
            break;
        }
}

bool MapModel::CheckHintClick(int x, int y)
{
    const PlayerProfile* p = mHost.MapProfile();
    if (!p) return false;
    if (p->recipes[1] != 0) mHost.MapHideHint();
    if (!mHost.MapHintShown()) return true;
    const int32_t cost = mHost.MapRecipeCost(1);
    if (p->recipes[1] == 0 && kRecipeAreas[1].Contains(x, y) && cost >= 0 && p->money >= cost)
    {
        mHost.MapHideHint();
        continueEnabled = true;
        return true;
    }
    return false;
}

void MapModel::CheckShopHint()
{
    const PlayerProfile* p = mHost.MapProfile();
    if (!p) return;
    const int32_t cost = mHost.MapRecipeCost(1);
    if (cost >= 0 && p->money >= cost && !p->noHints && p->recipes[1] == 0)
    {
        mHost.MapShowShopHint();
        continueEnabled = false;
    }
}

void MapModel::MouseDown(int x, int y, int clickCount)
{
    if (mapPhase || clickCount != 1) return;
    if (!CheckHintClick(x, y)) return;
    for (int k = 0; k < 8; ++k)
        if (RecipeOffered(k) && kRecipeAreas[k].Contains(x, y))
        {
            mHost.MapOpenShop(ShopRecipe0 + k);
            return;
        }
    for (int device : {ShopPlate, ShopCoffee, ShopAkkum, ShopFood})
        if (DeviceUnlocked(device) && DeviceHit(device, x, y))
        {
            mHost.MapOpenShop(device);
            return;
        }
}

} // namespace Zest
