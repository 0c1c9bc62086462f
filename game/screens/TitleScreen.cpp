// The loading screen: logos first, then the loading picture until the game is loaded, then the continue link.
#include "TitleScreen.h"

#include "GameApp.h"
#include "game/core/GameResources.h"
#include "game/core/TextIds.h"
#include "graphics/DDImage.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

void LinkWidget::Draw(Graphics* g)
{
    if (font == nullptr) return;
    g->SetFont(font.get());
    g->SetColor(GetColor(isOver ? 1 : 0));
    const int ascent = font->GetAscent();
    g->DrawString(label, 0, ascent);
    g->FillRect(0, ascent + underlineOffset, font->StringWidth(label), 1);
}

LogoPicture::LogoPicture(GameApp* app, const LogoPictureEntry& entry) : x(entry.x), y(entry.y), centred(entry.centred)
{
    if (app != nullptr && !entry.image.empty()) image = app->GetImage(entry.image);
}

LogoPicture::~LogoPicture() = default;

void LogoPicture::Draw(Graphics* g)
{
    if (!image) return;
    if (centred)
        g->DrawImage(image.get(), x - image->GetWidth() / 2, y - image->GetHeight() / 2);
    else
        g->DrawImage(image.get(), x, y);
}

void LogoPicture::Release()
{
    image.reset();
}

TitleScreen::TitleScreen(GameApp* gameApp) : app(gameApp) {}

TitleScreen::~TitleScreen()
{
    if (continueLink && continueLink->widgetManager != nullptr)
        continueLink->widgetManager->RemoveWidget(continueLink.get());
}

void TitleScreen::CreateContinueLink()
{
    continueLink = std::make_unique<LinkWidget>(1, this);
    if (FONT_DEFAULT != nullptr) continueLink->SetFont(FONT_DEFAULT);
    continueLink->label = app ? app->Text(TXT_CLICK_HERE_START_COOKING) : std::string();
    continueLink->SetColor(0, Color(255, 255, 0));
    continueLink->SetColor(1, Color(255, 255, 255));
    showingLogos = true;
}

void TitleScreen::AddedToManager(WidgetManager* manager)
{
    Widget::AddedToManager(manager);
    if (!continueLink) return;
    continueLink->SetVisible(false);
    continueLink->SetDisabled(true);
    const int labelWidth = FONT_DEFAULT ? FONT_DEFAULT->StringWidth(continueLink->label) : 0;
    const int fontHeight = FONT_DEFAULT ? FONT_DEFAULT->GetHeight() : 0;
    continueLink->Resize(width / 2 - labelWidth / 2, 450, labelWidth, fontHeight + 4);
    continueLink->showHandCursor = true;
    manager->AddWidget(continueLink.get());
    manager->BringToFront(continueLink.get());
}

void TitleScreen::RemovedFromManager(WidgetManager* manager)
{
    Widget::RemovedFromManager(manager);
    if (continueLink) manager->RemoveWidget(continueLink.get());
}

void TitleScreen::ShowContinueLink()
{
    if (!continueLink) return;
    continueLink->SetVisible(true);
    continueLink->SetDisabled(false);
    // The screen takes the keys, so that any key can lead on.
    if (widgetManager) widgetManager->SetFocus(this);
}

bool TitleScreen::ReadyToContinue() const
{
    return continueLink && continueLink->visible && !continueLink->disabled;
}

void TitleScreen::MouseUp(int mx, int my, int clickCode)
{
    Widget::MouseUp(mx, my, clickCode);
    if (ReadyToContinue()) ButtonReleased(1);
}

void TitleScreen::KeyDown(int keyCode)
{
    Widget::KeyDown(keyCode);
    // Shift, Ctrl and Alt alone are half of a shortcut (switching windows), not a request to go on.
    if (keyCode == 16 || keyCode == 17 || keyCode == 18) return;
    if (ReadyToContinue()) ButtonReleased(1);
}

void TitleScreen::LoadLogos()
{
    LogoFileData data;
    if (!ReadLogoFile("properties/logos.xml", data))
    {
        loadingScreenShown = true;
        MarkDirty();
        return;
    }
    LoadLogos(data);
}

void TitleScreen::LoadLogos(const LogoFileData& data)
{
    for (const LogoScreenEntry& entry : data.screens)
    {
        auto screen = std::make_unique<LogoScreen>();
        screen->time = entry.time;
        screen->red = entry.red;
        screen->green = entry.green;
        screen->blue = entry.blue;
        for (const LogoPictureEntry& p : entry.pictures)
            screen->pictures.push_back(std::make_unique<LogoPicture>(app, p));
        logoScreens.push_back(std::move(screen));
    }
    for (const LogoPictureEntry& p : data.loadingImages)
        titleLoadingPictures.push_back(std::make_unique<LogoPicture>(app, p));
}

void TitleScreen::Update()
{
    Widget::Update();
    if (!logoScreens.empty())
    {
        LogoScreen& front = *logoScreens.front();
        if (--front.time <= 0)
        {
            for (auto& picture : front.pictures) picture->Release();
            logoScreens.pop_front();
            MarkDirty();
        }
    }
    if (logoScreens.empty())
    {
        showingLogos = false;
        loadingScreenShown = true;
        // Redrawn on every update of the loading phase, so the loading thread never touches the widget.
        MarkDirty();
    }
}

void TitleScreen::Draw(Graphics* g)
{
    if (showingLogos)
    {
        if (logoScreens.empty()) return;
        LogoScreen& screen = *logoScreens.front();
        g->SetColor(Color(screen.red, screen.green, screen.blue, 255));
        g->FillRect(0, 0, width, height);
        for (auto& picture : screen.pictures) picture->Draw(g);
        return;
    }
    if (!loadingScreenShown)
    {
        g->SetColor(Color(0, 0, 0));
        g->FillRect(0, 0, width, height);
        return;
    }
    g->DrawImage(IMAGE_LOAD_SCREEN, 0, 0);
    if (!continueLink || !continueLink->visible)
    {
        const std::string& text = app ? app->Text(TXT_WARMING_UP_OVENS) : std::string();
        const int w = FONT_DEFAULT ? FONT_DEFAULT->StringWidth(text) : 0;
        DrawJustifiedString(g, FONT_DEFAULT, 400 - w / 2, 450, text, -1, Color(255, 255, 255));
    }
    for (auto& picture : titleLoadingPictures) picture->Draw(g);
}

void TitleScreen::ButtonReleased(int id)
{
    if (id != 1 || app == nullptr) return;
    WidgetManager* manager = widgetManager;
    if (manager != nullptr)
    {
        manager->RemoveWidget(this);
        if (continueLink) manager->RemoveWidget(continueLink.get());
    }
    // The link goes with the screen; both are deleted once the update that clicked them is over.
    app->DeleteWidgetLater(this);
    app->PlayClick();
    app->OnTitleScreenDone();
}

} // namespace Zest
