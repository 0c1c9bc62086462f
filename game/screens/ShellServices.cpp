// Stand-ins for the music, the play screen and the other windows of the game shell.
#include "ShellServices.h"

#include "GameApp.h"
#include "game/core/GameResources.h"
#include "game/core/TextIds.h"
#include "graphics/Image.h"
#include "sound/SoundServices.h"
#include "widgets/Dialog.h"
#include "widgets/EditListener.h"
#include "widgets/EditWidget.h"
#include "widgets/Widget.h"
#include "widgets/WidgetManager.h"

namespace Zest
{

namespace
{

// A modal prompt: header, line, one edit field, OK and Cancel. Enter in the field is OK; OK needs some text.
class TextPrompt : public Dialog, public EditListener
{
public:
    TextPrompt(GameApp& app, const std::string& header, const std::string& line, const std::string& initial,
               int maxChars, bool cancelEnabled)
        : Dialog(IMAGE_MONITOR_SMALL, IMAGE_SMBUTTON, DIALOG_TEXT_ENTRY, true, header, line, "",
                 DIALOG_BUTTONS_OK_CANCEL),
          edit(this)
    {
        if (FONT_DEFAULT_BLUE) SetButtonFont(FONT_DEFAULT_BLUE);
        if (FONT_DEFAULT) SetLinesFont(FONT_DEFAULT);
        if (FONT_BUTTON_SMALL) SetHeaderFont(FONT_BUTTON_SMALL);
        contentInsets = Insets(30, 30, 30, 50);
        for (int c : {0, 1, 3, 4}) SetColor(c, Color(255, 255, 255));
        if (yesButton) yesButton->label = app.Text(TXT_OK);
        if (noButton)
        {
            noButton->label = app.Text(TXT_CANCEL);
            noButton->SetDisabled(!cancelEnabled);
        }
        const int w = IMAGE_MONITOR_SMALL ? IMAGE_MONITOR_SMALL->GetWidth() : 420;
        const int h = IMAGE_MONITOR_SMALL ? IMAGE_MONITOR_SMALL->GetHeight() : 300;
        Resize(400 - w / 2, 300 - h / 2, w, h);
        if (FONT_DEFAULT) edit.SetFont(FONT_DEFAULT);
        edit.maxChars = maxChars;
        edit.SetText(initial);
        edit.Resize(40, h - 140, w - 80, 28);
        AddWidget(&edit);
    }
    ~TextPrompt() override { RemoveWidget(&edit); }

    void EditTextEntered(int, const std::string&) override { ButtonReleased(DIALOG_BUTTON_YES); }
    bool AllowChar(int, char chr) override { return static_cast<unsigned char>(chr) >= 32; }
    void ButtonReleased(int buttonId) override
    {
        // An empty name is no name: OK waits for one.
        if (buttonId == DIALOG_BUTTON_YES && edit.text.empty()) return;
        Dialog::ButtonReleased(buttonId);
    }

    EditWidget edit;
};

} // namespace

Image* ShellResources::LoadImage(const std::string& id)
{
    try
    {
        return GetImageThrow(id);
    }
    catch (const ResourceLookupError&)
    {
        return nullptr;
    }
}

bool SilentMusic::LoadMusic(int track, const std::string& fileName)
{
    calls.push_back("LoadMusic " + std::to_string(track) + " " + fileName);
    return true;
}

void SilentMusic::FadeIn(int track, int offset, double speed, bool loop)
{
    calls.push_back("FadeIn " + std::to_string(track) + " " + std::to_string(offset) + " " +
                    std::to_string(speed).substr(0, 5) + (loop ? " loop" : ""));
    if (track >= 0 && track < 4) playing[track] = true;
}

void SilentMusic::FadeOutAll(bool stopWhenSilent, double speed)
{
    calls.push_back(std::string("FadeOutAll ") + (stopWhenSilent ? "stop " : "") + std::to_string(speed).substr(0, 5));
    playing.fill(false);
}

void SilentMusic::StopAll()
{
    calls.push_back("StopAll");
    playing.fill(false);
}

bool SilentMusic::IsPlaying(int track)
{
    return track >= 0 && track < 4 && playing[track];
}

bool AppMusic::LoadMusic(int track, const std::string& fileName)
{
    return mMusic.LoadMusic(track, fileName);
}

void AppMusic::FadeIn(int track, int offset, double speed, bool loop)
{
    mMusic.FadeIn(track, offset, speed, !loop);
}

void AppMusic::FadeOutAll(bool stopWhenSilent, double speed)
{
    mMusic.FadeOutAll(stopWhenSilent, speed);
}

void AppMusic::StopAll()
{
    mMusic.StopAllMusic();
}

bool AppMusic::IsPlaying(int track)
{
    return mMusic.IsPlaying(track);
}

void StandInWindows::Open(int id, int mode)
{
    opened.push_back({id, mode});
    // An empty, non-modal frame under the window's id, so that closing and replacing by id behave as with the
    // real window.
    auto* dialog = new Dialog(nullptr, nullptr, id, false, "", "", "", DIALOG_BUTTONS_NONE);
    dialog->Resize(0, 0, 1, 1);
    dialog->visible = false;
    mApp.AddDialog(id, dialog);
}

void StandInWindows::OpenContinueDialog()
{
    Open(1008, 0);
}

void StandInWindows::OpenOptions()
{
    Open(8, 0);
}

void StandInWindows::OpenPlayerChoice()
{
    Open(1005, 0);
}

void StandInWindows::OpenHighscores(int place)
{
    highlight = place;
    Open(1009, place);
}

void StandInWindows::OpenShop(int mode)
{
    Open(1025, mode);
}

void StandInWindows::OpenInGameMenu()
{
    Open(1005, 0);
}

void StandInWindows::OpenLevelComplete()
{
    Open(1016, 0);
}

void StandInWindows::OpenGameOver()
{
    Open(1006, 0);
}

int StandInWindows::AskText(const std::string& header, const std::string& line, const std::string& initial,
                            int maxChars, bool cancelEnabled, std::string& text, bool namePrompt)
{
    (void)namePrompt;
    prompts.push_back({header, line, initial, maxChars, cancelEnabled});
    if (answers.empty())
    {
        auto* prompt = new TextPrompt(mApp, header, line, initial, maxChars, cancelEnabled);
        mApp.AddDialog(DIALOG_TEXT_ENTRY, prompt);
        mApp.mWidgetManager->SetFocus(&prompt->edit);
        const int answer = mApp.WaitForDialog(prompt);
        if (answer == DIALOG_BUTTON_YES) text = prompt->edit.text;
        mApp.CloseDialog(DIALOG_TEXT_ENTRY);
        return answer == DIALOG_BUTTON_YES ? 1 : 0;
    }
    auto [result, answer] = answers.front();
    answers.erase(answers.begin());
    if (result == 1) text = answer;
    return result;
}

StandInPlayScreen::StandInPlayScreen() : mBoard(std::make_unique<Widget>()), mInput(std::make_unique<Widget>()) {}

StandInPlayScreen::~StandInPlayScreen() = default;

int32_t StandInPlayScreen::RecipeCost(int dishType)
{
    static const int32_t kCosts[8] = {0, 300, 600, 1000, 1500, 2100, 2800, 3600};
    return dishType >= 0 && dishType < 8 ? kCosts[dishType] : -1;
}

int32_t StandInPlayScreen::DeviceEnableLevel(int device)
{
    static const int32_t kLevels[4] = {1, 3, 6, 11};
    return device >= 0 && device < 4 ? kLevels[device] : 1000;
}

} // namespace Zest
