// The framework's test application: a window with buttons, a dialog, a chime and music, driven by e2e scripts.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ZestAppBase.h"
#include "base/Common.h"
#include "graphics/Color.h"
#include "graphics/Graphics.h"
#include "graphics/SysFont.h"
#include "platform/Files.h"
#include "widgets/ButtonWidget.h"
#include "widgets/Dialog.h"
#include "widgets/Widget.h"
#include "widgets/WidgetManager.h"

namespace
{

constexpr int kButtonCount = 5;
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
        g->DrawString("The framework's test application: the buttons report their clicks below.", 40,
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

        static const char* const kLabels[kButtonCount] = {"Play", "Options", "Quit", "Sound", "Music"};
        for (int i = 0; i < kButtonCount; ++i)
        {
            auto button = std::make_unique<Zest::ButtonWidget>(kFirstButtonId + i, this);
            button->label = kLabels[i];
            button->Resize(40, 180 + i * 60, 180, 40);
            mWidgetManager->AddWidget(button.get());
            mButtons.push_back(std::move(button));
        }
        LoadShellSounds();
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
        if (id == kFirstButtonId + 3 && mChimeId >= 0) PlaySample(mChimeId);
        if (id == kFirstButtonId + 4) ToggleMusic();
    }

private:
    // Until the game has sounds of its own, the shell makes a short chime and writes it beside its data.
    void LoadShellSounds()
    {
        constexpr int kRate = 22050;
        constexpr int kFrames = kRate * 3 / 10;
        std::string wav = "RIFF";
        auto put = [&wav](uint32_t value, int bytes)
        {
            for (int i = 0; i < bytes; ++i) wav.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
        };
        put(36 + kFrames * 2, 4);
        wav += "WAVEfmt ";
        put(16, 4);
        put(1, 2);
        put(1, 2);
        put(kRate, 4);
        put(kRate * 2, 4);
        put(2, 2);
        put(16, 2);
        wav += "data";
        put(kFrames * 2, 4);
        for (int i = 0; i < kFrames; ++i)
        {
            const double t = static_cast<double>(i) / kRate;
            const double v =
                std::exp(-t * 12) * (0.6 * std::sin(2 * M_PI * 880 * t) + 0.3 * std::sin(2 * M_PI * 1320 * t));
            put(static_cast<uint16_t>(static_cast<int16_t>(v * 20000)), 2);
        }
        const std::string folder = Zest::RemoveTrailingSlash(Zest::GetAppDataFolder()) + "/shell";
        Platform::MakeDirectories(folder);
        if (mSoundManager && Platform::WriteFileAtomically(folder + "/chime.wav", wav))
        {
            mChimeId = mSoundManager->GetFreeSoundId();
            if (!mSoundManager->LoadSound(mChimeId, folder + "/chime")) mChimeId = -1;
        }
        mHaveMusic = mMusicInterface && mMusicInterface->LoadMusic(0, "music/music3.ogg");
    }

    void ToggleMusic()
    {
        if (!mHaveMusic)
        {
            Report("Music", "music", "not found (music/music3.ogg)");
            return;
        }
        if (mMusicInterface->IsPlaying(0))
            mMusicInterface->FadeOutAll(true, 0.005);
        else
            mMusicInterface->FadeIn(0, 0, 0.002, false);
    }

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
    int mChimeId = -1;
    bool mHaveMusic = false;
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
