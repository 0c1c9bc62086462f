// Message boxes through SDL2, or one line on standard error when nobody can see them; recordable for tests.
#include "platform/MessageBox.h"

#include "platform/System.h"
#include "platform/Threads.h"
#include "platform/Unicode.h"

#include <SDL.h>
#include <cstdio>
#include <mutex>

namespace Platform
{
namespace
{

std::mutex gMutex;
MessageBoxRecorder* gRecorder = nullptr;

uint32_t Buttons(uint32_t type)
{
    return type & 0xF;
}

// "caption: text" on one line, so a log keeps one box per line.
void PrintLine(const std::string& text, const std::string& caption)
{
    std::string line = caption + ": " + text;
    for (char& c : line)
    {
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

// The button chosen in an SDL box, or -1 when SDL cannot show one.
int ShowWithSdl(const std::string& text, const std::string& caption, uint32_t type)
{
    SDL_MessageBoxButtonData buttons[2] = {};
    int count = 1;
    int escapeAnswer = IDOK;
    switch (Buttons(type))
    {
    case MB_YESNO:
        buttons[0] = {0, IDYES, "Yes"};
        buttons[1] = {0, IDNO, "No"};
        count = 2;
        escapeAnswer = IDNO;
        break;
    case MB_OKCANCEL:
        buttons[0] = {0, IDOK, "OK"};
        buttons[1] = {0, IDCANCEL, "Cancel"};
        count = 2;
        escapeAnswer = IDCANCEL;
        break;
    default:
        buttons[0] = {0, IDOK, "OK"};
        break;
    }
    int defaultIndex = (count == 2 && (type & MB_DEFBUTTON2) != 0) ? 1 : 0;
    buttons[defaultIndex].flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    for (int i = 0; i < count; ++i)
    {
        if (buttons[i].buttonid == escapeAnswer) buttons[i].flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    }

    uint32_t icon = type & 0xF0;
    Uint32 flags = icon == MB_ICONERROR     ? SDL_MESSAGEBOX_ERROR
                   : icon == MB_ICONWARNING ? SDL_MESSAGEBOX_WARNING
                                            : SDL_MESSAGEBOX_INFORMATION;
    SDL_MessageBoxData data = {};
    data.flags = flags;
    data.window = nullptr;
    data.title = caption.c_str();
    data.message = text.c_str();
    data.numbuttons = count;
    data.buttons = buttons;
    int chosen = -1;
    if (SDL_ShowMessageBox(&data, &chosen) != 0) return -1;
    return chosen < 0 ? escapeAnswer : chosen; // closed without a button: as Escape
}

} // namespace

int DefaultMessageBoxAnswer(uint32_t type)
{
    bool second = (type & MB_DEFBUTTON2) != 0;
    switch (Buttons(type))
    {
    case MB_YESNO:
        return second ? IDNO : IDYES;
    case MB_OKCANCEL:
        return second ? IDCANCEL : IDOK;
    default:
        return IDOK;
    }
}

int MessageBox(void*, const std::string& text, const std::string& caption, uint32_t type)
{
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (gRecorder != nullptr)
        {
            int answer = DefaultMessageBoxAnswer(type);
            if (!gRecorder->mAnswers.empty())
            {
                answer = gRecorder->mAnswers.front();
                gRecorder->mAnswers.pop_front();
            }
            gRecorder->mCalls.push_back(MessageBoxCall{text, caption, type, answer});
            return answer;
        }
    }
    if (!IsUnattended() && HasDisplay() && IsMainThread())
    {
        // An error is on standard error as well, for the log of a run nobody watched.
        const bool error = (type & 0xF0) == MB_ICONERROR;
        if (error) PrintLine(text, caption);
        int answer = ShowWithSdl(text, caption, type);
        if (answer > 0) return answer;
        if (error) return DefaultMessageBoxAnswer(type);
    }
    PrintLine(text, caption);
    return DefaultMessageBoxAnswer(type);
}

int MessageBox(void* owner, const std::wstring& text, const std::wstring& caption, uint32_t type)
{
    return MessageBox(owner, Utf16ToUtf8(text), Utf16ToUtf8(caption), type);
}

MessageBoxRecorder::MessageBoxRecorder()
{
    std::lock_guard<std::mutex> lock(gMutex);
    mOuter = gRecorder;
    gRecorder = this;
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    std::lock_guard<std::mutex> lock(gMutex);
    for (MessageBoxRecorder** link = &gRecorder; *link != nullptr; link = &(*link)->mOuter)
    {
        if (*link == this)
        {
            *link = mOuter;
            break;
        }
    }
}

void MessageBoxRecorder::QueueAnswer(int answer)
{
    std::lock_guard<std::mutex> lock(gMutex);
    mAnswers.push_back(answer);
}

std::vector<MessageBoxCall> MessageBoxRecorder::Calls() const
{
    std::lock_guard<std::mutex> lock(gMutex);
    return mCalls;
}

} // namespace Platform
