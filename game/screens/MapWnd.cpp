// The map screen as a widget: its buttons, its three views, and the services the map asks of the game.
#include "MapWnd.h"

#include "BoardTransition.h"
#include "GameApp.h"
#include "HintWnd.h"
#include "ResultWindows.h"
#include "ScreenPictures.h"
#include "SlidePanel.h"
#include "StoryWindows.h"
#include "base/Common.h"
#include "base/Random.h"
#include "game/board/BoardModel.h"
#include "game/core/GameResources.h"
#include "game/core/TextIds.h"
#include "graphics/DDImage.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "widgets/WidgetManager.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace Zest
{

namespace
{

constexpr double kPi = 3.14159265358979323846;
const Color kWhite(255, 255, 255);
const Color kCardInk(13, 94, 36);

Image* DevicePicture(int device)
{
    switch (device)
    {
    case ShopCoffee:
        return IMAGE_COFE_MAC;
    case ShopFood:
        return IMAGE_PLATE_FOOD;
    case ShopAkkum:
        return IMAGE_AKKUM;
    default:
        return IMAGE_PLATE;
    }
}

std::unique_ptr<ButtonWidget> MapButton(MapWnd* owner, int id, const std::string& label, Font* font)
{
    auto button = std::make_unique<ButtonWidget>(id, owner);
    button->label = label;
    button->buttonImage = IMAGE_SMBUTTON;
    button->overImage = IMAGE_SMBUTTON_OVER;
    button->downImage = IMAGE_SMBUTTON_DOWN;
    if (font) button->SetFont(font);
    button->SetColor(0, kWhite);
    button->SetColor(1, kWhite);
    button->showHandCursor = true;
    return button;
}

} // namespace

MapWnd::MapWnd(GameApp* gameApp) : app(gameApp)
{
    flagChange.add |= WIDGETFLAGS_MARK_DIRTY;
    continueButton = MapButton(this, kContinueId, app->Text(TXT_CONTINUE), FONT_DEFAULT_BLUE);
    continueButton->Resize(625, 435 - ImageHeight(IMAGE_SMBUTTON), ImageWidth(IMAGE_SMBUTTON),
                           ImageHeight(IMAGE_SMBUTTON));
    AddWidget(continueButton.get());
    leaveButton = MapButton(this, kLeaveId, app->Text(TXT_MAIN_MENU), FONT_DEFAULT);
    leaveButton->Resize(20, 553, ImageWidth(IMAGE_SMBUTTON), ImageHeight(IMAGE_SMBUTTON));
    AddWidget(leaveButton.get());
    LoadMap();
}

void MapWnd::AddedToManager(WidgetManager* manager)
{
    for (auto p : {ScreenPictures::Map, ScreenPictures::MapBottom, ScreenPictures::Shop}) ScreenPictures::Acquire(p);
    Widget::AddedToManager(manager);
}

void MapWnd::RemovedFromManager(WidgetManager* manager)
{
    Widget::RemovedFromManager(manager);
    for (auto p : {ScreenPictures::Map, ScreenPictures::MapBottom, ScreenPictures::Shop}) ScreenPictures::Release(p);
}

MapWnd::~MapWnd()
{
    RemoveWidget(continueButton.get());
    RemoveWidget(leaveButton.get());
    // Last to first, as they were loaded.
    while (!pictures.empty()) pictures.pop_back();
}

void MapWnd::LoadMap()
{
    MapFileData data;
    // The map still opens (without its points) so the game can go on; the content's author reads why.
    if (!LoadMapFile("levels\\map.xml", data))
        std::fprintf(stderr, "Game data: levels/map.xml is missing or damaged; the map shows no pizzerias\n");
    LoadMap(data);
}

void MapWnd::LoadMap(const MapFileData& data)
{
    pictures.clear();
    for (const MapPictureEntry& entry : data.pictures)
    {
        MapPicture picture;
        if (!entry.image.empty()) picture.image = app->GetImage(entry.image);
        picture.x = entry.x;
        picture.y = entry.y;
        picture.level = entry.level;
        picture.pizzeria = entry.pizzeria;
        picture.xSin = entry.xSin;
        picture.ySin = entry.ySin;
        pictures.push_back(std::move(picture));
    }
    model.SetData(data);
}

void MapWnd::ApplyButtons()
{
    const int w = ImageWidth(IMAGE_SMBUTTON), h = ImageHeight(IMAGE_SMBUTTON);
    if (model.continuePos.x < 0)
        continueButton->Resize(400 - w / 2, 595 - h, w, h);
    else
        continueButton->Resize(model.continuePos.x, model.continuePos.y, w, h);
    continueButton->SetDisabled(!model.continueEnabled);
    // Under the game-complete window the page's own button takes its place.
    continueButton->SetVisible(!(app->gameCompleteWnd && app->mWidgetManager->HasWidget(app->gameCompleteWnd.get())));
    leaveButton->SetVisible(model.leaveVisible);
}

void MapWnd::CheckShopHint()
{
    model.CheckShopHint();
    ApplyButtons();
}

void MapWnd::Update()
{
    Widget::Update();
    if (model.levelStarting) return;
    if (model.mapPhase && effects) effects->Update();
    model.Update(static_cast<uint32_t>(app->GetUpdateCount()), app->mouseX, app->mouseY);
    // The continue button blinks between the two body fonts once a second while it waits for a click.
    if (!continueButton->disabled && !continueButton->isOver)
    {
        Font* font = app->GetUpdateCount() % 100 < 50 ? FONT_DEFAULT : FONT_DEFAULT_BLUE;
        // Set only on a change: the button keeps a copy of every font it is given.
        if (font != nullptr && font != mBlinkFont) continueButton->SetFont(font);
        mBlinkFont = font;
    }
    ApplyButtons();
}

void MapWnd::MouseMove(int mx, int my)
{
    Widget::MouseMove(mx, my);
    model.MouseMove(mx, my);
    app->mouseX = mx;
    app->mouseY = my;
}

void MapWnd::MouseDown(int mx, int my, int clickCode)
{
    Widget::MouseDown(mx, my, clickCode);
    model.MouseDown(mx, my, clickCode);
}

void MapWnd::ButtonReleased(int id)
{
    if (id == kContinueId)
        model.ContinuePressed();
    else if (id == kLeaveId)
        model.LeavePressed();
    ApplyButtons();
}

// ---- drawing ----

void MapWnd::Draw(Graphics* g)
{
    const int level = model.Level();
    if ((level == 1 && model.intro) || level > PlayerProfile::kNumLevels)
    {
        if (level > PlayerProfile::kNumLevels && !model.endingSecondStage)
            DrawPoints(g);
        else
            DrawChef(g);
        if (effects) effects->Draw(g);
    }
    else if (model.mapPhase)
    {
        DrawPoints(g);
    }
    else
    {
        DrawShop(g);
    }
}

void MapWnd::DrawPoints(Graphics* g)
{
    const PlayerProfile* player = MapProfile();
    const int level = model.Level();
    const int scroll = model.scroll;
    const int frame = model.frame;
    const double u = app->GetUpdateCount();
    g->DrawImage(IMAGE_MAP, -scroll, 0);

    for (const MapPicture& p : pictures)
    {
        if (!p.image) continue;
        const int alpha = MapModel::PictureAlpha(p.level, p.pizzeria, level, model.previousPizzeria, frame);
        if (alpha < 0) continue;
        const bool fading = alpha < 255 || (p.level == level && frame < 375);
        if (fading)
        {
            g->SetColorizeImages(true);
            g->SetColor(Color(255, 255, 255, alpha));
        }
        if (p.xSin == 0 && p.ySin == 0)
            g->DrawImage(p.image.get(), p.x - scroll, p.y);
        else
            g->DrawImageSubpixel(p.image.get(), static_cast<float>(p.x - scroll + p.xSin * std::sin(u * kPi / 333)),
                                 static_cast<float>(p.y + p.ySin * std::sin(u * kPi / 500)));
        if (fading) g->SetColorizeImages(false);
    }

    const auto& points = model.Data().levelPoints;
    const int lastOpen = 12 * model.currentPizzeria + 9;
    for (int k = 0; k < MapFileData::kNumLevelPoints; ++k)
    {
        Image* image = nullptr;
        if (k < level)
            image = player && player->expertFlags[k] == 1 ? IMAGE_MAP_POINT_EXPERT : IMAGE_MAP_POINT_COMPLETE;
        else if (k <= lastOpen)
            image = IMAGE_MAP_POINT;
        if (image)
            g->DrawImage(image, points[k].x - ImageWidth(image) / 2 - scroll, points[k].y - ImageHeight(image) / 2);
    }

    g->SetColor(kWhite);
    if (effects) effects->Draw(g);

    const MapPoint c = model.Data().pizzeriaPoints[std::clamp(model.currentPizzeria, 0, 5)];
    const double s = std::sin(u * kPi / 50);
    g->DrawImageRotated(IMAGE_MAP_ARROW, static_cast<int>(c.x + 50 - 8 * s - scroll),
                        static_cast<int>(c.y + 8 * s - 50 - ImageHeight(IMAGE_MAP_ARROW)), -0.785398);
    g->DrawImage(IMAGE_MAP_BOTTOM, 0, 535);
    DrawJustifiedString(g, FONT_BUTTON_SMALL, 400, 590, app->Text(TXT_PIZZERIA_CHAIN), 0, kWhite);
    g->DrawImage(IMAGE_MAP_POINT_CURRENT,
                 static_cast<int>(model.chefX - scroll - ImageWidth(IMAGE_MAP_POINT_CURRENT) / 2),
                 static_cast<int>(model.chefY - ImageHeight(IMAGE_MAP_POINT_CURRENT) + 7));
}

void MapWnd::DrawChef(Graphics* g)
{
    DrawPoints(g);
    g->DrawImage(IMAGE_MAP_BOTTOM, 0, 440);
    g->DrawImage(IMAGE_MAP_CHEF, 0, 600 - ImageHeight(IMAGE_MAP_CHEF));
    g->SetFont(FONT_DEFAULT);
    g->SetColor(kWhite);
    if (FONT_DEFAULT)
        DrawWrappedText(g, Rect(200, 470, 590, 50),
                        app->Text(model.Level() == 1 ? TXT_CIAO_I_AM_CHEF : TXT_BRAVISSIMO_EVERY_PIZZERIA_CHAIN), 17,
                        -1);
}

void MapWnd::DrawShop(Graphics* g)
{
    const PlayerProfile* player = MapProfile();
    if (player == nullptr) return;
    const int level = model.Level();
    g->DrawImage(IMAGE_SHOP, 0, 0);
    DrawJustifiedString(g, FONT_BUTTON_SMALL, 265, 57, app->Text(TXT_KITCHEN_SHOP), 0, kWhite);

    for (int k = 0; k < 8; ++k)
    {
        const MapRect r = MapModel::kRecipeAreas[k];
        const int32_t cost = MapRecipeCost(k);
        if (cost < 0) continue; // no such dish: nothing to offer
        const int d[4] = {-32, -16, 0, 16};
        for (int j = 0; j < 4; ++j)
        {
            const int v = k + 1 - 2 * j;
            Image* star = v > 1 ? IMAGE_STAR_FULL : v == 1 ? IMAGE_STAR_HALF : IMAGE_STAR_EMPTY;
            g->DrawImage(star, r.x + r.w / 2 + d[j], r.y + r.h);
        }
        DrawRecipeCard(g, k, r);
        if (player->recipes[k] != 0)
            g->DrawImage(IMAGE_SOLD, r.x + r.w / 2 - ImageWidth(IMAGE_SOLD) / 2,
                         r.y + r.h - ImageHeight(IMAGE_SOLD) - 15);
        DrawJustifiedString(g, FONT_DEFAULT_BLUE, r.x + r.w / 2, r.y + r.h,
                            app->Text(TXT_PRICE_2) + " " + MoneyText(app->Text(TXT_MONEY_SIGN), cost), 0, kWhite);
    }
    DrawJustifiedString(g, FONT_DEFAULT, 467, 171, app->Text(TXT_RECIPES), 0, kWhite);
    DrawJustifiedString(g, FONT_DEFAULT, 434, 424, app->Text(TXT_KITCHEN_EQUIPMENT), 0, kWhite);

    struct DeviceLook
    {
        int device;
        Image* locked;
        int lineX, lineW, indicatorX, indicators, upgrade1, upgrade2;
        Image *on1, *off1, *on2, *off2;
    };
    const DeviceLook looks[4] = {
        {ShopCoffee, IMAGE_COFE_MAC_DISABLE, 174, 82, 179, 8, 0, 1, IMAGE_SMILE_ON, IMAGE_SMILE_OFF, IMAGE_TIME_ON,
         IMAGE_TIME_OFF},
        {ShopFood, IMAGE_PLATE_FOOD, 315, 100, 320, 10, 5, 6, IMAGE_MONEY_ON, IMAGE_MONEY_OFF, IMAGE_SMILE_ON,
         IMAGE_SMILE_OFF},
        {ShopPlate, IMAGE_PLATE_DISABLE, 644, 42, 0, 0, 4, -1, nullptr, nullptr, nullptr, nullptr},
        {ShopAkkum, IMAGE_AKKUM_DISABLE, 493, 54, 498, 5, 2, 3, IMAGE_LIGHT_ON, IMAGE_LIGHT_OFF, IMAGE_TIME_ON,
         IMAGE_TIME_OFF},
    };
    for (const DeviceLook& look : looks)
    {
        const MapPoint c = MapModel::kDeviceDrawCentres[look.device];
        if (model.DeviceUnlocked(look.device))
        {
            Image* picture = DevicePicture(look.device);
            g->DrawImage(picture, c.x - ImageWidth(picture) / 2, c.y - ImageHeight(picture) / 2);
            g->DrawImage(IMAGE_UNDER_SHOP_LINE, look.lineX, 521, look.lineW, ImageHeight(IMAGE_UNDER_SHOP_LINE));
            if (look.device == ShopPlate)
            {
                for (int s = 1; s <= 2; ++s)
                    g->DrawImage(s <= player->upgrades[4] ? IMAGE_STAR_FULL : IMAGE_STAR_EMPTY,
                                 665 + (s - 2) * ImageWidth(IMAGE_STAR_FULL), 526);
            }
            else
            {
                for (int j = 1; j <= look.indicators; ++j)
                {
                    const int ix = look.indicatorX + 9 * (j - 1);
                    g->DrawImage(player->upgrades[look.upgrade1] >= j ? look.on1 : look.off1, ix, 526);
                    g->DrawImage(player->upgrades[look.upgrade2] >= j ? look.on2 : look.off2, ix, 535);
                }
            }
            const bool hovered = model.DeviceHit(look.device, app->mouseX, app->mouseY);
            DrawJustifiedString(g, hovered ? FONT_DEFAULT : FONT_DEFAULT_BLUE, c.x, hovered ? 523 : 525,
                                app->Text(TXT_UPGRADE), 0, kWhite);
        }
        else
        {
            if (look.device == ShopFood)
            {
                g->SetColorizeImages(true);
                g->SetColor(Color(255, 255, 255, 128));
            }
            g->DrawImage(look.locked, c.x - ImageWidth(look.locked) / 2, c.y - ImageHeight(look.locked) / 2);
            g->SetColorizeImages(false);
            DrawJustifiedString(g, FONT_DEFAULT_BLUE, c.x, 525, app->Text(TXT_LOCKED), 0, kWhite);
        }
    }
    // Here the money sign follows the number.
    DrawJustifiedString(g, FONT_DEFAULT, 510, 78,
                        app->Text(TXT_MONEY) + " " + MoneyText(app->Text(TXT_MONEY_SIGN), player->money), 1, kWhite);
    if (model.hoveredRecipe >= 0 && model.hoveredRecipe < 8)
    {
        const MapRect r = MapModel::kRecipeAreas[model.hoveredRecipe];
        const double u = app->GetUpdateCount();
        g->DrawImageSubpixel(IMAGE_MAP_ARROW, static_cast<float>(r.x + r.w / 2 - ImageWidth(IMAGE_MAP_ARROW) / 2 + 3),
                             static_cast<float>(r.y - 5 * std::sin(u * kPi / 100) - ImageHeight(IMAGE_MAP_ARROW)));
    }
    (void)level;
}

Image* MapWnd::RecipePicture(int k) const
{
    const BoardModel* m = PlayModel(app);
    if (m == nullptr || k < 0 || k >= static_cast<int>(m->DishTypes.size())) return nullptr;
    const DishType& d = m->DishTypes[static_cast<size_t>(k)];
    if (d.sizeX < 2 || d.sizeX > 5 || d.sizeY < 2 || d.sizeY > 5) return nullptr;
    return m->PizzaImages[static_cast<size_t>((d.sizeX - 2) * 4 + (d.sizeY - 2))].get();
}

MapRect MapWnd::RecipeCardPicture(int k, const MapRect& card) const
{
    // Between the name at the top and the price at the bottom, as large as fits, the pizza's proportions kept.
    const Image* pizza = RecipePicture(k);
    if (pizza == nullptr || pizza->GetWidth() <= 0 || pizza->GetHeight() <= 0) return {card.x, card.y, 0, 0};
    const int boxX = card.x + 4, boxY = card.y + kCardNameRoom, boxW = card.w - 8;
    const int boxH = card.h - kCardNameRoom - kCardPriceRoom;
    const double scale =
        std::min(static_cast<double>(boxW) / pizza->GetWidth(), static_cast<double>(boxH) / pizza->GetHeight());
    const int w = static_cast<int>(pizza->GetWidth() * scale), h = static_cast<int>(pizza->GetHeight() * scale);
    return {boxX + (boxW - w) / 2, boxY + (boxH - h) / 2, w, h};
}

void MapWnd::DrawRecipeCard(Graphics* g, int k, const MapRect& card)
{
    // What the card sells: the recipe's name and its pizza, as the shop's recipe page shows them.
    if (Image* pizza = RecipePicture(k))
    {
        const MapRect p = RecipeCardPicture(k, card);
        g->DrawImage(pizza, Rect(p.x, p.y, p.w, p.h), Rect(0, 0, pizza->GetWidth(), pizza->GetHeight()));
    }
    DrawJustifiedString(g, FONT_SIMPLE, card.x + card.w / 2, card.y + kCardNameBaseline,
                        app->Text(TXT_MARGHERITA + k) /* the recipes' names in recipe order */, 0, kCardInk);
}

// ---- what the map asks of the game ----

PlayerProfile* MapWnd::MapProfile()
{
    return app->CurrentPlayer();
}

void MapWnd::MapClickSound()
{
    app->PlayClick();
}

void MapWnd::MapSubmitScore()
{
    // The ending page comes first; its button submits the score.
    app->ShowGameComplete();
}

void MapWnd::MapConfirmLeave()
{
    app->ConfirmLeaveGame();
}

void MapWnd::MapStartLevel()
{
    if (!app->playScreen || !app->boardTransition) return;
    app->playScreen->StartLevel();
    BoardTransition* fade = app->boardTransition.get();
    fade->Reset();
    fade->addList = {app->board(), app->boardInterface()};
    fade->removeList = {this};
    fade->focusTarget = app->boardInterface();
    app->mWidgetManager->AddWidget(fade);
}

void MapWnd::MapShowShopHint()
{
    app->ShowHint(392, 265, 1, app->Text(TXT_WELCOME_SHOP_BUY_FIRST));
    if (app->hintWnd)
    {
        // Only buying the recipe closes this hint.
        app->hintWnd->okButton->SetVisible(false);
        app->hintWnd->noHintsCheckbox->SetVisible(false);
    }
}

void MapWnd::MapHideHint()
{
    app->HideHint();
}

bool MapWnd::MapHintShown()
{
    return app->hintWnd && app->mWidgetManager->HasWidget(app->hintWnd.get());
}

void MapWnd::MapOpenShop(int mode)
{
    app->SetCursor(CURSOR_POINTER);
    app->windows->OpenShop(mode);
}

void MapWnd::MapSetCursor(int cursor)
{
    app->SetCursor(cursor);
}

int32_t MapWnd::MapRecipeCost(int dishType)
{
    return app->playScreen ? app->playScreen->RecipeCost(dishType) : -1;
}

int32_t MapWnd::MapDeviceEnableLevel(int device)
{
    return app->playScreen ? app->playScreen->DeviceEnableLevel(device) : 1;
}

MapPoint MapWnd::MapDeviceSize(int device)
{
    Image* picture = DevicePicture(device);
    return {ImageWidth(picture), ImageHeight(picture)};
}

void MapWnd::MapSpawn(MapEffect effect, float x, float y, int cloud)
{
    if (effects) effects->Spawn(effect, x, y, cloud);
}

int32_t MapWnd::MapCloudWidth(int cloud)
{
    Image* images[3] = {IM_BONUS_CLOUD1, IM_BONUS_CLOUD2, IM_BONUS_CLOUD3};
    return cloud >= 0 && cloud < 3 ? ImageWidth(images[cloud]) : 0;
}

uint32_t MapWnd::MapRand()
{
    return Rand();
}

} // namespace Zest
