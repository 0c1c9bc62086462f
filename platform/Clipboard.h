// The clipboard, kept inside the process until the window layer connects it to the desktop's.
//
// Implements: setting and getting plain text (UTF-8, or UTF-16 code units for the wide forms), shared by all
// threads of the process.
// Leaves out: exchange with other programs, formats other than text.
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
void ClearClipboard();

} // namespace Platform
