// Stand-ins for the music, the play screen and the other windows of the game shell.
#include "ShellServices.h"

#include "app/ZestAppBase.h"
#include "widgets/Dialog.h"
#include "widgets/Widget.h"

namespace Zest
{

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

bool SilentMusic::IsPlaying(int track)
{
    return track >= 0 && track < 4 && playing[track];
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

int StandInWindows::AskText(const std::string& header, const std::string& line, const std::string& initial,
                            int maxChars, bool cancelEnabled, std::string& text)
{
    prompts.push_back({header, line, initial, maxChars, cancelEnabled});
    if (answers.empty()) return 0;
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
