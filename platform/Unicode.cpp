// UTF-16 <-> UTF-8 conversions with replacement of malformed input.
#include "platform/Unicode.h"

#include <cstdint>

namespace Platform
{
namespace
{

constexpr uint32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, uint32_t code)
{
    if (code < 0x80)
    {
        out += static_cast<char>(code);
    }
    else if (code < 0x800)
    {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    else if (code < 0x10000)
    {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void AppendUtf16(std::wstring& out, uint32_t code)
{
    if (code < 0x10000)
    {
        out += static_cast<wchar_t>(code);
        return;
    }
    code -= 0x10000;
    out += static_cast<wchar_t>(0xD800 + (code >> 10));
    out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
}

} // namespace

std::string Utf16ToUtf8(const std::wstring& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
    {
        uint32_t unit = static_cast<uint32_t>(text[i]);
        if (unit > 0xFFFF)
        {
            // A whole code point in one element (a wide literal on this platform) is unambiguous: take it.
            AppendUtf8(out, unit <= 0x10FFFF ? unit : kReplacement);
        }
        else if (unit >= 0xD800 && unit <= 0xDBFF)
        {
            uint32_t next = i + 1 < text.size() ? static_cast<uint32_t>(text[i + 1]) : 0;
            if (next >= 0xDC00 && next <= 0xDFFF)
            {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
            }
            else
            {
                AppendUtf8(out, kReplacement);
            }
        }
        else if (unit >= 0xDC00 && unit <= 0xDFFF)
        {
            AppendUtf8(out, kReplacement);
        }
        else
        {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::wstring Utf8ToUtf16(const std::string& text)
{
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size())
    {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t extra = 0;
        uint32_t code = 0;
        uint32_t minimum = 0;
        if (lead < 0x80)
        {
            out += static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF)
        {
            extra = 1;
            code = lead & 0x1F;
            minimum = 0x80;
        }
        else if (lead >= 0xE0 && lead <= 0xEF)
        {
            extra = 2;
            code = lead & 0x0F;
            minimum = 0x800;
        }
        else if (lead >= 0xF0 && lead <= 0xF4)
        {
            extra = 3;
            code = lead & 0x07;
            minimum = 0x10000;
        }
        else
        {
            AppendUtf16(out, kReplacement);
            ++i;
            continue;
        }
        size_t j = 1;
        for (; j <= extra && i + j < text.size(); ++j)
        {
            unsigned char follow = static_cast<unsigned char>(text[i + j]);
            if ((follow & 0xC0) != 0x80) break;
            code = (code << 6) | (follow & 0x3F);
        }
        if (j <= extra || code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        {
            // Skip the lead byte and the continuation bytes that belonged to it, then go on.
            AppendUtf16(out, kReplacement);
            i += j;
            continue;
        }
        AppendUtf16(out, code);
        i += extra + 1;
    }
    return out;
}

} // namespace Platform
