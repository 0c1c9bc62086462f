// Conversions between the UTF-16 code units the framework keeps in std::wstring and the UTF-8 the system uses.
//
// Implements: both directions, replacing anything malformed (unpaired surrogates, bad or overlong UTF-8 bytes,
// values above 0x10FFFF) by U+FFFD. A wide element above 0xFFFF (what a wide literal holds for such a character on
// this platform) is taken as the whole code point; the wide strings produced always use surrogate pairs.
// Leaves out: normalisation, case mapping.
#pragma once

#include <string>

namespace Platform
{

std::string Utf16ToUtf8(const std::wstring& text);
std::wstring Utf8ToUtf16(const std::string& text);

} // namespace Platform
