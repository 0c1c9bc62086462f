// Debugger output: text the program writes for a developer watching it run.
//
// Implements: OutputDebugString writing to standard error, a switch to silence it, and a capture for tests.
// Leaves out: any attached-debugger detection; the text is written exactly as given (no newline added).
#pragma once

#include <string>
#include <vector>

namespace Platform
{

void OutputDebugString(const std::string& text);

// Off by default (a player's terminal is no place for a developer's chatter); ZEST_DEBUG_OUTPUT=1 in the
// environment, or the -debugoutput switch on the command line, turns it on.
void SetDebugOutputEnabled(bool enabled);
bool IsDebugOutputEnabled();

// A line the person running the program must see (a problem that changes what they get, such as settings that
// cannot be saved): always written to standard error with a newline, whatever the debugger-output switch says.
// A capture collects it as well, and it is kept for TakeUserReports.
void ReportToUser(const std::string& text);
// The texts given to ReportToUser since the last call, oldest first (at most the last 16), for a program that
// shows them in its own window too. Cheap to ask whether there are any.
bool HasUserReports();
std::vector<std::string> TakeUserReports();

// While one of these lives, debugger output is collected here instead of reaching standard error (whatever the
// switch says). Captures nest; the innermost one receives the text.
class DebugOutputCapture
{
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    // Everything captured so far.
    std::string Text() const;
    void Clear();

private:
    friend void OutputDebugString(const std::string& text);
    friend void ReportToUser(const std::string& text);
    DebugOutputCapture* mOuter;
    std::string mText;
};

} // namespace Platform
