// Modal message boxes that can never hold up an unattended run.
//
// Implements: a box with a text, a caption, OK / OK-Cancel / Yes-No buttons and an icon, shown through SDL2 on the
// main thread when a display exists and someone can answer (not headless, not a CI run). Otherwise (no display,
// headless, CI, another thread, or SDL failing) the box becomes one line on standard error and returns its default
// answer at once: the first button, or the second with MB_DEFBUTTON2. A box with MB_ICONERROR is that line on
// standard error in every case, shown or not. A recorder for tests takes the calls and gives
// scripted answers. Leaves out: owner windows (the box has none until the window layer exists), other button sets
// (shown as OK), help buttons, moving a box requested by another thread over to the main thread.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace Platform
{

constexpr uint32_t MB_OK = 0x0;
constexpr uint32_t MB_OKCANCEL = 0x1;
constexpr uint32_t MB_YESNO = 0x4;
constexpr uint32_t MB_ICONERROR = 0x10;
constexpr uint32_t MB_ICONQUESTION = 0x20;
constexpr uint32_t MB_ICONWARNING = 0x30;
constexpr uint32_t MB_ICONINFORMATION = 0x40;
constexpr uint32_t MB_DEFBUTTON2 = 0x100;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows the box and returns the id of the button chosen. Texts are UTF-8.
int MessageBox(void* owner, const std::string& text, const std::string& caption, uint32_t type);
// Same, with texts in UTF-16 code units.
int MessageBox(void* owner, const std::wstring& text, const std::wstring& caption, uint32_t type);

// The answer a box of this type gives when nobody can answer it.
int DefaultMessageBoxAnswer(uint32_t type);

struct MessageBoxCall
{
    std::string text; // UTF-8
    std::string caption;
    uint32_t type = 0;
    int answer = 0;
};

// While one lives, boxes are not shown: each call is recorded and answered with the next queued answer, or the
// default answer once the queue is empty. Recorders nest; the innermost one takes the calls.
class MessageBoxRecorder
{
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    void QueueAnswer(int answer);
    std::vector<MessageBoxCall> Calls() const;

private:
    friend int MessageBox(void*, const std::string&, const std::string&, uint32_t);
    MessageBoxRecorder* mOuter;
    std::deque<int> mAnswers;
    std::vector<MessageBoxCall> mCalls;
};

} // namespace Platform
