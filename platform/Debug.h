// Debugger output: text the program writes for a developer watching it run.
//
// Implements: OutputDebugString writing to standard error, a switch to silence it, and a capture for tests.
// Leaves out: any attached-debugger detection; the text is written exactly as given (no newline added).
#pragma once

#include <string>

namespace Platform
{

void OutputDebugString(const std::string& text);

// On by default; set ZEST_DEBUG_OUTPUT=0 to start with it off.
void SetDebugOutputEnabled(bool enabled);
bool IsDebugOutputEnabled();

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
    DebugOutputCapture* mOuter;
    std::string mText;
};

} // namespace Platform
