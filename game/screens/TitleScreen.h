// Zest::TitleScreen: the logo screens, then the loading picture with its message and, once the game is loaded,
// the link that leads on to the title menu.
#pragma once

#include "game/screens/Logos.h"
#include "widgets/ButtonListener.h"
#include "widgets/ButtonWidget.h"
#include "widgets/Widget.h"

#include <deque>
#include <memory>
#include <vector>

namespace Zest
{

class DDImage;
class GameApp;

// A text link: the label in the link colour (colour 0), the hover colour (colour 1) under the mouse, underlined.
class LinkWidget : public ButtonWidget
{
public:
    LinkWidget(int id, ButtonListener* listener) : ButtonWidget(id, listener) {}
    void Draw(Graphics* g) override;
    int underlineOffset = 3;
};

class LogoPicture
{
public:
    LogoPicture(GameApp* app, const LogoPictureEntry& entry);
    ~LogoPicture();
    void Draw(Graphics* g);
    void Release();

    int32_t x, y;
    bool centred;
    std::unique_ptr<DDImage> image;
};

class LogoScreen
{
public:
    int32_t time = 0;
    int32_t red = 0, green = 0, blue = 0;
    std::vector<std::unique_ptr<LogoPicture>> pictures;
};

class TitleScreen : public Widget, public ButtonListener
{
public:
    explicit TitleScreen(GameApp* app);
    ~TitleScreen() override;

    void CreateContinueLink();
    void ShowContinueLink();
    // Reads the logo file; without it the loading picture shows at once.
    void LoadLogos();
    void LoadLogos(const LogoFileData& data);

    void AddedToManager(WidgetManager* manager) override;
    void RemovedFromManager(WidgetManager* manager) override;
    void Update() override;
    void Draw(Graphics* g) override;
    void ButtonReleased(int id) override;
    // Once the game is loaded, a click anywhere on the screen or a key leads on as the link does.
    using Widget::MouseUp;
    void MouseUp(int mx, int my, int clickCode) override;
    void KeyDown(int keyCode) override;
    bool ReadyToContinue() const;

    GameApp* app;
    std::unique_ptr<LinkWidget> continueLink;
    bool showingLogos = false;
    bool loadingScreenShown = false;
    std::vector<std::unique_ptr<LogoPicture>> titleLoadingPictures;
    std::deque<std::unique_ptr<LogoScreen>> logoScreens;
};

} // namespace Zest
