// A real window with one dialog holding an edit field, a check box, a slider and a two-column list, for driving
// from outside with xdotool: it prints every change of the field's text (as hexadecimal bytes) and of the controls.
#include <cstdio>
#include <memory>
#include <string>

#include "app/ZestAppBase.h"
#include "base/Common.h"
#include "graphics/Color.h"
#include "graphics/Graphics.h"
#include "widgets/Checkbox.h"
#include "widgets/CheckboxListener.h"
#include "widgets/Dialog.h"
#include "widgets/EditListener.h"
#include "widgets/EditWidget.h"
#include "widgets/ListListener.h"
#include "widgets/ListWidget.h"
#include "widgets/SliderListener.h"
#include "widgets/WidgetManager.h"

namespace
{

constexpr int kDialogId = 200;

class Backdrop : public Zest::Widget
{
public:
    void Draw(Zest::Graphics* g) override
    {
        g->SetColor(Zest::Color(40, 52, 74));
        g->FillRect(0, 0, width, height);
    }
};

class WidgetWindowApp : public Zest::ZestAppBase,
                        public Zest::EditListener,
                        public Zest::CheckboxListener,
                        public Zest::SliderListener,
                        public Zest::ListListener
{
public:
    WidgetWindowApp()
    {
        mProductName = "Widget Window";
        mTitle = "Widget Window";
        mCompanyName = "EmberCook";
        mRegKey = "EmberCookWidgetWindow";
        mWidth = 800;
        mHeight = 600;
    }

    ~WidgetWindowApp() override
    {
        if (!mWidgetManager) return;
        if (mDialog)
        {
            mDialog->RemoveWidget(mName.get());
            mDialog->RemoveWidget(mMusic.get());
            mDialog->RemoveWidget(mVolume.get());
            mDialog->RemoveWidget(mPlayers.get());
            mDialog->RemoveWidget(mScores.get());
        }
        CloseDialog(kDialogId);
        ProcessDeferredDeletes();
        mWidgetManager->RemoveWidget(&mBackdrop);
    }

    void Init() override
    {
        ZestAppBase::Init();
        mBackdrop.Resize(0, 0, mWidth, mHeight);
        mWidgetManager->AddWidget(&mBackdrop);

        mDialog = OpenDialog(kDialogId, false, "Options", "Your name, music, volume and the players on record.", "OK",
                             Zest::DIALOG_BUTTONS_FOOTER);
        mDialog->Resize(150, 60, 500, 470);

        mName = std::make_unique<Zest::EditWidget>(this);
        mName->maxChars = 24;
        mName->Resize(40, 110, 420, 26);
        mDialog->AddWidget(mName.get());

        mMusic = std::make_unique<Zest::Checkbox>(1, this);
        mMusic->Resize(40, 160, 20, 20);
        mMusic->SetChecked(true, false);
        mDialog->AddWidget(mMusic.get());

        mVolume = std::make_unique<Zest::Slider>(2, this);
        mVolume->Resize(90, 160, 370, 20);
        mVolume->SetValue(0.65);
        mDialog->AddWidget(mVolume.get());

        mPlayers = std::make_unique<Zest::ListWidget>(this);
        mScores = std::make_unique<Zest::ListWidget>(this);
        mPlayers->nextColumn = mScores.get();
        mScores->prevColumn = mPlayers.get();
        mScores->justify = 2;
        static const char* const kRows[][2] = {{"Mia", "1200"}, {"Jonas", "860"},  {"Ren\xE9", "2310"},
                                               {"Ada", "415"},  {"Bruno", "1975"}, {"Chloe", "640"}};
        for (const auto& row : kRows)
        {
            const int at = mPlayers->AddLine(row[0], true);
            mScores->SetLine(at, row[1]);
        }
        mPlayers->SetSelect(1);
        mPlayers->Resize(40, 200, 300, 170);
        mScores->Resize(340, 200, 120, 170);
        mDialog->AddWidget(mPlayers.get());
        mDialog->AddWidget(mScores.get());

        mWidgetManager->SetFocus(mName.get());
        std::printf("ready\n");
        std::fflush(stdout);
    }

    bool AllowText(int, const std::string& text) override
    {
        std::string hex;
        for (unsigned char c : text) hex += Zest::FormatString("%02x", c);
        std::printf("text %s\n", hex.empty() ? "-" : hex.c_str());
        std::fflush(stdout);
        return true;
    }
    void CheckboxChecked(int, bool checked) override { Print(checked ? "music on" : "music off"); }
    void SliderVal(int, double value) override { Print(Zest::FormatString("volume %.2f", value)); }
    void ListClicked(int, int line, int) override
    {
        mPlayers->SetSelect(line);
        Print("picked " + mPlayers->GetStringAt(line));
    }
    void ButtonReleased(int id) override
    {
        if (id == kDialogId + 2000) Shutdown();
    }

private:
    static void Print(const std::string& line)
    {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }

    Backdrop mBackdrop;
    Zest::Dialog* mDialog = nullptr;
    std::unique_ptr<Zest::EditWidget> mName;
    std::unique_ptr<Zest::Checkbox> mMusic;
    std::unique_ptr<Zest::Slider> mVolume;
    std::unique_ptr<Zest::ListWidget> mPlayers;
    std::unique_ptr<Zest::ListWidget> mScores;
};

} // namespace

int main(int argc, char** argv)
{
    auto app = std::make_unique<WidgetWindowApp>();
    app->mCommandLine.assign(argv + 1, argv + argc);
    app->Init();
    app->Start();
    app.reset();
    return 0;
}
