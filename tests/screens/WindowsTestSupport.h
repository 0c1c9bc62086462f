// A game application for the window tests: the real windows, a play model with results and tables set by the
// test, recording pictures of fixture sizes, fixed-width fonts, recorded samples, and a scripted answer for every
// dialog the windows wait on.
#pragma once

#include "ShellTestSupport.h"

#include "game/board/BoardModel.h"
#include "game/core/GameResources.h"
#include "game/screens/GameWindows.h"
#include "tests/board/BoardTestHost.h"
#include "tests/core/ResourceHandles.h"
#include "tests/widgets/WidgetTestSupport.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

// Every resource name answers with a recording picture (10 x 10 unless sized here), a font of its own, or a sound
// id of its own.
class WindowResources : public Zest::ResourceLookup
{
public:
    std::map<std::string, std::unique_ptr<WidgetTest::RecordingImage>> images;
    std::map<std::string, std::unique_ptr<WidgetTest::FixedFont>> fonts;
    std::map<std::string, int> sounds;
    std::map<std::string, std::pair<int, int>> sizes = {
        {"IMAGE_MONITOR", {640, 500}},          {"IMAGE_MONITOR_SMALL", {420, 301}},
        {"IMAGE_W_LEVEL_COMPLETE", {640, 500}}, {"IMAGE_GAME_OVER_WND", {640, 500}},
        {"IMAGE_BIGBUTTON", {200, 56}},         {"IMAGE_SMBUTTON", {130, 40}},
        {"IMAGE_SMBUTTON100", {90, 36}},        {"IMAGE_CHECKBOX", {48, 24}},
        {"IMAGE_SLIDER_TRACK", {150, 20}},      {"IMAGE_SLIDER_THUMB", {20, 20}},
        {"IMAGE_EXPERT_PRIZE", {60, 40}},       {"IMAGE_BURNER_ON", {49, 49}},
        {"IMAGE_BURNER_ONON", {49, 49}},        {"IMAGE_SMILE_ON", {32, 32}},
        {"IMAGE_SMILE_OFF", {32, 32}},          {"IMAGE_TIME_ON", {30, 30}},
        {"IMAGE_TIME_OFF", {30, 30}},           {"IMAGE_PLATE", {100, 60}},
    };
    Zest::Image* GetImageThrow(const std::string& id) override
    {
        auto [w, h] = sizes.count(id) ? sizes[id] : std::pair<int, int>{10, 10};
        auto& slot = images[id];
        slot = std::make_unique<WidgetTest::RecordingImage>(w, h);
        return slot.get();
    }
    int GetSoundThrow(const std::string& id) override
    {
        const int n = static_cast<int>(sounds.size()) + 1;
        return sounds.emplace(id, n).first->second;
    }
    Zest::Font* GetFontThrow(const std::string& id) override
    {
        auto& slot = fonts[id];
        slot = std::make_unique<WidgetTest::FixedFont>();
        return slot.get();
    }
};

class WindowsApp : public TestGameApp
{
public:
    Zest::Testing::RecordingHost host;
    std::unique_ptr<Zest::BoardModel> model = std::make_unique<Zest::BoardModel>(host);
    std::vector<int> samples;
    // Answers the dialogs the windows wait on; without one they are answered No.
    std::function<int(Zest::Dialog*)> respond;
    std::vector<int> waitedIds;
    std::vector<std::pair<bool, bool>> screenModes;

    WindowsApp()
    {
        windows = std::make_unique<Zest::GameWindows>(*this);
        Play().model = model.get();
    }
    void PlaySample(int id) override { samples.push_back(id); }
    int WaitForDialog(Zest::Dialog* dialog) override
    {
        waitedIds.push_back(dialog->id);
        if (respond) return respond(dialog);
        return Zest::DIALOG_BUTTON_NO;
    }
    void SwitchScreenMode(bool windowed, bool threeD) override { screenModes.emplace_back(windowed, threeD); }
    int Count(int sample) const { return static_cast<int>(std::count(samples.begin(), samples.end(), sample)); }

    // A player and the long-lived screens, the title menu showing.
    void StartWithPlayer(const std::string& name, int level, int money)
    {
        auto p = std::make_unique<Zest::PlayerProfile>();
        p->name = name;
        p->level = level;
        p->money = money;
        players.push_back(std::move(p));
        currentPlayer = 0;
        CreateTitleScreen();
        titleScreen->LoadLogos(Zest::LogoFileData{});
        OnLoadingDone();
        titleScreen->ButtonReleased(1);
        ProcessDeferredDeletes();
        samples.clear();
    }
    Zest::PlayerProfile& Player() { return *players[static_cast<size_t>(currentPlayer)]; }
    template <class T>
    T* Dialog(int id)
    {
        return dynamic_cast<T*>(GetDialog(id));
    }
    // A full click of the left button at the middle of a widget, through the manager.
    void Click(Zest::Widget* w, int clickCount = 1)
    {
        const Zest::Point p = w->GetAbsolutePosition();
        const int cx = p.mX + w->width / 2, cy = p.mY + w->height / 2;
        mWidgetManager->MouseMove(cx, cy);
        mWidgetManager->MouseDown(cx, cy, clickCount);
        mWidgetManager->MouseUp(cx, cy, clickCount);
    }
    // Updates until the dialog under `id` is no longer registered; the count, or -1 when it stays.
    int StepUntilClosed(int id, int limit = 200)
    {
        for (int i = 1; i <= limit; ++i)
        {
            Step(1);
            if (GetDialog(id) == nullptr) return i;
        }
        return -1;
    }
};

class WindowsTest : public AppTest
{
protected:
    WindowResources res;
    std::unique_ptr<WindowsApp> app;
    int click = 0, buy = 0;

    void SetUp() override
    {
        CoreTest::ExtractAllResources(res);
        click = Zest::SOUND_CLICK;
        buy = Zest::SOUND_BUY;
        AppTest::SetUp();
        app = std::make_unique<WindowsApp>();
        app->dataFolder = root + "/data/Quillbrook/CookEmber/";
    }
    void TearDown() override
    {
        app.reset();
        AppTest::TearDown();
        CoreTest::ClearResourceHandles();
    }
    WidgetTest::FixedFont& Font(const std::string& name) { return *res.fonts[name]; }
    // Every text drawn in a font since the last clear.
    std::vector<WidgetTest::FixedFont::Text>& Drawn(const std::string& font) { return *res.fonts[font]->drawn; }
    void ClearDrawn()
    {
        for (auto& [name, font] : res.fonts) font->drawn->clear();
    }
    bool DrewText(const std::string& font, const std::string& text)
    {
        for (const auto& t : Drawn(font))
            if (t.text == text) return true;
        return false;
    }
    const WidgetTest::FixedFont::Text* FindText(const std::string& font, const std::string& text)
    {
        for (const auto& t : Drawn(font))
            if (t.text == text) return &t;
        return nullptr;
    }
    std::string ReadFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string PlayersFile() { return ReadFile(app->dataFolder + "players.dat"); }
    // Draws a widget into a recording target, with its position as the origin.
    std::vector<WidgetTest::DrawCall> DrawWidget(Zest::Widget& w)
    {
        WidgetTest::RecordingImage target(800, 600);
        Zest::Graphics g(&target);
        g.Translate(w.x, w.y);
        w.Draw(&g);
        return target.calls;
    }
};
