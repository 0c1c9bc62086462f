// Helpers every part of the framework and the game uses: strings, numbers, paths, folders, formatting.
#pragma once

#include <cstdint>
#include <string>

namespace Zest
{

// System identity, answered as a current desktop system: never the old consumer line, always new enough for the
// per-user data folder.
bool IsWin9x();
bool IsVistaOrLater();

// The per-user data folder, set once at start-up; stored with a trailing separator. Empty until set.
void SetAppDataFolder(const std::string& folder);
std::string GetAppDataFolder();

// Per-byte case mapping in the C locale (bytes above 127 are left alone).
std::string StringToUpper(const std::string& text);
std::string StringToLower(const std::string& text);

// Wide strings hold UTF-16 code units. Narrowing keeps units 0..255 as the same byte and turns any other unit into
// '?'; widening maps each byte to the code unit of the same value.
std::string WideToNarrow(const std::wstring& text);
std::wstring NarrowToWide(const std::string& text);
std::string StringCopy(const std::string& text);
std::wstring WStringCopy(const std::wstring& text);

// Removes leading and trailing white space (isspace in the C locale).
std::string Trim(const std::string& text);

// Decimal digits, or hexadecimal digits of either case after "0x" or "0X", with one optional leading '-'; at least
// one digit. Decimal values must fit in an int; hexadecimal values are 32-bit patterns ("0xFFFFFFFF" is -1) and a
// '-' negates them modulo 2^32. Anything else, including '+', spaces or overflow, sets out to 0 and gives false.
bool ParseInt(const std::string& text, int& out);
// A decimal number in the C locale (optional '-', digits, optional fraction and exponent) making up the whole
// text; out is 0.0 and the result false for anything else, including infinities, NaN and out-of-range values.
bool ParseDouble(const std::string& text, double& out);

// 1234567 gives "1,234,567"; a negative number gives "".
std::string CommaSeparate(int value);

// Joins a relative path to a base folder and resolves its "." and ".." components, keeping the separators it
// finds; ".." never climbs above the first component. A path with a drive colon or a leading '/' is already
// absolute and is returned unchanged.
std::string ResolveRelativePath(const std::string& path, const std::string& base);

// Files the program writes are its user's own on this system; nothing to grant.
void GrantFileAccessToAll(const std::string& fileName);
// Both take '\' and '/' as separators. Failures are ignored: callers test for what they need afterwards.
void DeleteTree(const std::string& folder);
void MakeDirectories(const std::string& path);

// Path splitting; '\' and '/' are both separators.
std::string GetFileBaseName(const std::string& path);
std::string GetFileDir(const std::string& path);
std::string RemoveTrailingSlash(const std::string& path);
std::string AddTrailingSlash(const std::string& path);

// Modification time in seconds since 1 January 1970; 0 when the file is not found.
uint32_t GetFileDate(const std::string& fileName);

// printf-style formatting; returns the whole text whatever its length.
std::string FormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Entity encoding of the data files: &amp; &lt; &gt; &quot; &apos;, a line feed as &cr; and every space after a
// space as &nbsp;. Decoding knows only those names (no numeric forms); an unknown name decodes to a lone '&'.
std::string XmlEncode(const std::string& text);
std::string XmlDecode(const std::string& text);
std::wstring XmlDecode(const std::wstring& text);

// Index of the first case-insensitive match of needle in haystack, -1 when there is none.
int StrFindNoCase(const std::string& haystack, const std::string& needle);

// Case-insensitive ordering (bytes compared after lower-casing), used for maps keyed by names.
bool StringLessNoCase(const std::string& a, const std::string& b);

struct StringLessNoCaseCompare
{
    bool operator()(const std::string& a, const std::string& b) const { return StringLessNoCase(a, b); }
};

// Symbolic name of a display, 3D or sound result code ("DDERR_SURFACELOST"); any other code in lower-case hex.
std::string DirectXErrorName(int32_t code);

// Formats and sends the text to the debugger output.
void OutputDebug(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace Zest
