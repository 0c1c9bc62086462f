// Debugger output to standard error, switchable and capturable.
#include "platform/Debug.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>

namespace Platform
{
namespace
{

bool EnabledAtStart()
{
    const char* value = std::getenv("ZEST_DEBUG_OUTPUT");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

std::atomic<bool> gEnabled{EnabledAtStart()};
std::mutex gMutex; // guards the capture chain and keeps lines from different threads whole
DebugOutputCapture* gCapture = nullptr;
// Reports not yet taken by a program that shows them in its own window; the oldest go first when it never takes
// them.
constexpr size_t kMaxPendingReports = 16;
std::deque<std::string> gPendingReports;
std::atomic<bool> gHasPendingReports{false};

} // namespace

void OutputDebugString(const std::string& text)
{
    std::lock_guard<std::mutex> lock(gMutex);
    if (gCapture != nullptr)
    {
        gCapture->mText += text;
        return;
    }
    if (!gEnabled.load()) return;
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void ReportToUser(const std::string& text)
{
    std::lock_guard<std::mutex> lock(gMutex);
    const std::string line = text + "\n";
    if (gCapture != nullptr) gCapture->mText += line;
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    if (gPendingReports.size() == kMaxPendingReports) gPendingReports.pop_front();
    gPendingReports.push_back(text);
    gHasPendingReports.store(true);
}

bool HasUserReports()
{
    return gHasPendingReports.load();
}

std::vector<std::string> TakeUserReports()
{
    std::lock_guard<std::mutex> lock(gMutex);
    std::vector<std::string> reports(gPendingReports.begin(), gPendingReports.end());
    gPendingReports.clear();
    gHasPendingReports.store(false);
    return reports;
}

void SetDebugOutputEnabled(bool enabled)
{
    gEnabled.store(enabled);
}

bool IsDebugOutputEnabled()
{
    return gEnabled.load();
}

DebugOutputCapture::DebugOutputCapture()
{
    std::lock_guard<std::mutex> lock(gMutex);
    mOuter = gCapture;
    gCapture = this;
}

DebugOutputCapture::~DebugOutputCapture()
{
    std::lock_guard<std::mutex> lock(gMutex);
    // Captures are scoped, so normally this one is innermost; unlink it wherever it sits to stay safe.
    for (DebugOutputCapture** link = &gCapture; *link != nullptr; link = &(*link)->mOuter)
    {
        if (*link == this)
        {
            *link = mOuter;
            break;
        }
    }
}

std::string DebugOutputCapture::Text() const
{
    std::lock_guard<std::mutex> lock(gMutex);
    return mText;
}

void DebugOutputCapture::Clear()
{
    std::lock_guard<std::mutex> lock(gMutex);
    mText.clear();
}

} // namespace Platform
