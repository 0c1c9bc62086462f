// In-process clipboard text.
#include "platform/Clipboard.h"

#include "platform/Unicode.h"

#include <mutex>
#include <optional>

namespace Platform
{
namespace
{

std::mutex gMutex;
std::optional<std::string> gText; // UTF-8

} // namespace

void SetClipboardText(const std::string& text)
{
    std::lock_guard<std::mutex> lock(gMutex);
    gText = text;
}

void SetClipboardText(const std::wstring& text)
{
    SetClipboardText(Utf16ToUtf8(text));
}

std::string GetClipboardText()
{
    std::lock_guard<std::mutex> lock(gMutex);
    return gText.value_or(std::string());
}

std::wstring GetClipboardTextWide()
{
    return Utf8ToUtf16(GetClipboardText());
}

bool HasClipboardText()
{
    std::lock_guard<std::mutex> lock(gMutex);
    return gText.has_value();
}

void ClearClipboard()
{
    std::lock_guard<std::mutex> lock(gMutex);
    gText.reset();
}

} // namespace Platform
