// A game application for the shell tests: headless, no resources, a language table of numbered texts, scripted
// answers for the dialogs it waits on, and the stand-ins it records through.
#pragma once

#include "game/screens/BoardTransition.h"
#include "game/screens/GameApp.h"
#include "game/screens/HintWnd.h"
#include "game/screens/MapWnd.h"
#include "game/screens/TitleScreen.h"
#include "game/screens/TitleWnd.h"
#include "tests/app/AppTestSupport.h"
#include "widgets/Dialog.h"

class TestGameApp : public Zest::GameApp
{
public:
    struct Waited
    {
        int id;
        Zest::Rect rect;
        std::string lines;
        Zest::Rect yes, no;
        std::string yesLabel, noLabel;
    };
    std::vector<Waited> waited;
    std::vector<int> answers;                  // results of the next waits; none left: No
    std::function<void(Zest::Dialog*)> onWait; // acts on the dialog before the answer is given

    TestGameApp()
    {
        useAppMusic = false;
        useRealBoard = false;
        lngTable = std::make_unique<Zest::LngTable>(false);
        for (int i = 0; i < 218; ++i) lngTable->strings.push_back("text" + std::to_string(i));
        // The shell's own tests watch the window calls instead of opening the windows.
        windows = std::make_unique<Zest::StandInWindows>(*this);
    }
    int WaitForDialog(Zest::Dialog* dialog) override
    {
        Waited w{dialog->id, dialog->GetRect(), dialog->lines, {}, {}, {}, {}};
        if (dialog->yesButton) w.yes = dialog->yesButton->GetRect(), w.yesLabel = dialog->yesButton->label;
        if (dialog->noButton) w.no = dialog->noButton->GetRect(), w.noLabel = dialog->noButton->label;
        waited.push_back(w);
        if (onWait) onWait(dialog);
        if (answers.empty()) return Zest::DIALOG_BUTTON_NO;
        const int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    Zest::SilentMusic& Music() { return static_cast<Zest::SilentMusic&>(*music); }
    Zest::StandInPlayScreen& Play() { return static_cast<Zest::StandInPlayScreen&>(*playScreen); }
    Zest::StandInWindows& Windows() { return static_cast<Zest::StandInWindows&>(*windows); }
    Zest::WidgetManager& Manager() { return *mWidgetManager; }
    bool Shows(Zest::Widget* w) { return w != nullptr && mWidgetManager->HasWidget(w); }
    void Step(int updates)
    {
        for (int i = 0; i < updates; ++i)
        {
            ++mUpdateCount;
            mWidgetManager->UpdateFrame();
        }
    }
    // From a freshly loaded game to the title menu, with `name` typed into the first-start prompt.
    void ToTitle(const std::string& name)
    {
        CreateTitleScreen();
        titleScreen->LoadLogos(Zest::LogoFileData{});
        OnLoadingDone();
        if (!name.empty()) Windows().answers.push_back({1, name});
        titleScreen->ButtonReleased(1);
    }
};

class ShellTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        app = std::make_unique<TestGameApp>();
        app->dataFolder = root + "/data/Quillbrook/CookEmber/";
    }
    void TearDown() override
    {
        app.reset();
        AppTest::TearDown();
    }
    std::unique_ptr<TestGameApp> app;
};
