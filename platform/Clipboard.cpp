// Clipboard text: the desktop's while a real window is up, else kept inside the process.
#include "platform/Clipboard.h"

#include <SDL.h>

#include "platform/Events.h"
#include "platform/Threads.h"
#include "platform/Unicode.h"

#include <mutex>
#include <optional>

namespace Platform
{
namespace
{

std::mutex gMutex;
std::optional<std::string> gText; // UTF-8

// The desktop's clipboard answers only on the thread that runs the window.
bool DesktopClipboard()
{
    return SDL_WasInit(SDL_INIT_VIDEO) != 0 && IsMainThread();
}

} // namespace

void SetClipboardText(const std::string& text)
{
    if (DesktopClipboard()) SDL_SetClipboardText(text.c_str());
    std::lock_guard<std::mutex> lock(gMutex);
    gText = text;
}

void SetClipboardText(const std::wstring& text)
{
    SetClipboardText(Utf16ToUtf8(text));
}

std::string GetClipboardText()
{
    if (DesktopClipboard() && SDL_HasClipboardText())
    {
        // Text copied in another program is newer than anything kept here.
        char* desktop = SDL_GetClipboardText();
        std::string text = desktop != nullptr ? desktop : "";
        SDL_free(desktop);
        return text;
    }
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

void SetClipboardLatin1(const std::string& text)
{
    std::string utf8;
    utf8.reserve(text.size());
    for (char ch : text)
    {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80)
        {
            utf8 += ch;
        }
        else
        {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    SetClipboardText(utf8);
}

std::string GetClipboardLatin1()
{
    std::string latin1;
    for (uint32_t c : DecodeUtf8(GetClipboardText()))
        if (c <= 0xFF) latin1 += static_cast<char>(c);
    return latin1;
}

void ClearClipboard()
{
    std::lock_guard<std::mutex> lock(gMutex);
    gText.reset();
}

} // namespace Platform
