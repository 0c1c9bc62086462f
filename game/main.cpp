// Program entry: until the game's own screens take over, a small application that shows the framework at work.
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ZestAppBase.h"
#include "graphics/Color.h"
#include "graphics/Graphics.h"
#include "graphics/SysFont.h"
#include "widgets/ButtonWidget.h"
#include "widgets/Dialog.h"
#include "widgets/Widget.h"
#include "widgets/WidgetManager.h"

namespace
{

constexpr int kButtonCount = 3;
constexpr int kFirstButtonId = 1;
constexpr int kWelcomeDialogId = 100;

// The backdrop: a plain field with a title and the last thing the buttons reported.
class Backdrop : public Zest::Widget
{
public:
    std::unique_ptr<Zest::SysFont> titleFont;
    std::unique_ptr<Zest::SysFont> textFont;
    std::string status = "Click a button.";
    // Called with each printable character typed while the backdrop has the keyboard.
    std::function<void(char)> onTyped;

    Backdrop() { wantsFocus = true; }

    void KeyChar(char chr) override
    {
        if (chr >= 32 && chr < 127 && onTyped) onTyped(chr);
    }

    void Draw(Zest::Graphics* g) override
    {
        g->SetColor(Zest::Color(40, 52, 74));
        g->FillRect(0, 0, width, height);
        g->SetColor(Zest::Color(230, 190, 90));
        g->SetFont(titleFont.get());
        g->DrawString("Ember Cook", 40, 40 + titleFont->GetAscent());
        g->SetColor(Zest::Color(220, 220, 220));
        g->SetFont(textFont.get());
        g->DrawString("The game is not playable yet; this window shows the framework running.", 40,
                      100 + textFont->GetAscent());
        g->DrawString(status, 40, 560 + textFont->GetAscent());
    }
};

class ShellApp : public Zest::ZestAppBase
{
public:
    ShellApp()
    {
        mProductName = "Ember Cook";
        mTitle = "Ember Cook";
        mCompanyName = "EmberCook";
        mRegKey = "EmberCook";
        mProductVersion = "1.0";
        mWidth = 800;
        mHeight = 600;
        // The game's own depth: full screen keeps the colours of the window instead of dropping to 16 bits.
        mColorDepth = 32;
    }

    ~ShellApp() override
    {
        // The widgets are ours, not the manager's: take them out before they go.
        if (mWidgetManager)
        {
            for (auto& button : mButtons) mWidgetManager->RemoveWidget(button.get());
            mWidgetManager->RemoveWidget(&mBackdrop);
        }
    }

    void Init() override
    {
        ZestAppBase::Init();
        mBackdrop.titleFont = std::make_unique<Zest::SysFont>(this, "Arial Unicode MS", 28, true);
        mBackdrop.textFont = std::make_unique<Zest::SysFont>(this, "Arial Unicode MS", 12);
        mBackdrop.Resize(0, 0, mWidth, mHeight);
        mBackdrop.onTyped = [this](char chr) { Report("Typed", "typed", std::string(1, chr)); };
        mWidgetManager->AddWidget(&mBackdrop);
        mWidgetManager->SetFocus(&mBackdrop);

        static const char* const kLabels[kButtonCount] = {"Play", "Options", "Quit"};
        for (int i = 0; i < kButtonCount; ++i)
        {
            auto button = std::make_unique<Zest::ButtonWidget>(kFirstButtonId + i, this);
            button->label = kLabels[i];
            button->Resize(40, 180 + i * 60, 180, 40);
            mWidgetManager->AddWidget(button.get());
            mButtons.push_back(std::move(button));
        }
        Zest::Dialog* welcome = OpenDialog(kWelcomeDialogId, false, "Welcome",
                                           "Ember Cook is still being built. The buttons on the left report their "
                                           "clicks at the bottom of the window.",
                                           "OK", Zest::DIALOG_BUTTONS_FOOTER);
        // Beside the buttons rather than over them.
        welcome->Resize(340, 180, 400, welcome->GetPreferredHeight(400));
    }

    void ButtonReleased(int id) override
    {
        if (id == kWelcomeDialogId + 2000)
        {
            CloseDialog(kWelcomeDialogId);
            // The keyboard goes back to the backdrop, which shows what is typed.
            mWidgetManager->SetFocus(&mBackdrop);
            Report("Clicked", "clicked", "dialog OK");
            return;
        }
        if (id < kFirstButtonId || id >= kFirstButtonId + kButtonCount) return;
        Report("Clicked", "clicked", mButtons[id - kFirstButtonId]->label);
        if (id == kFirstButtonId + 2) Shutdown();
    }

private:
    // Shown in the window and written to the standard output, where scripted runs look for it.
    void Report(const char* shown, const char* printed, const std::string& what)
    {
        mBackdrop.status = std::string(shown) + ": " + what;
        mBackdrop.MarkDirty();
        std::printf("%s %s\n", printed, what.c_str());
        std::fflush(stdout);
    }

    Backdrop mBackdrop;
    std::vector<std::unique_ptr<Zest::ButtonWidget>> mButtons;
};

} // namespace

int main(int argc, char** argv)
{
    auto app = std::make_unique<ShellApp>();
    app->mCommandLine.assign(argv + 1, argv + argc);
    app->Init();
    app->Start();
    app.reset();
    return 0;
}
