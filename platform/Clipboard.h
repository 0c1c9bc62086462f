// The clipboard: the desktop's while a real window is up (on the main thread), else kept inside the process.
//
// Implements: setting and getting plain text (UTF-8, or UTF-16 code units for the wide forms, or Latin-1 bytes),
// shared by all threads of the process.
// Leaves out: formats other than text; other threads than the main one see only the in-process copy.
#pragma once

#include <string>

namespace Platform
{

void SetClipboardText(const std::string& text);
void SetClipboardText(const std::wstring& text);
// "" when nothing was set.
std::string GetClipboardText();
std::wstring GetClipboardTextWide();
bool HasClipboardText();
// The text as single-byte Latin-1 characters, what the framework's text fields hold: setting converts each byte to
// its UTF-8 form; getting keeps the code points up to 255, one byte each, and drops the others.
void SetClipboardLatin1(const std::string& text);
std::string GetClipboardLatin1();
void ClearClipboard();

} // namespace Platform
