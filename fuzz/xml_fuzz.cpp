// Fuzz target: any bytes read as an XML data file; reading ends cleanly or with one of the reader's error texts.
#include "data/XMLParser.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace
{

const std::string& XmlPath()
{
    static const std::string path = []
    {
        std::random_device rd;
        return (std::filesystem::temp_directory_path() / ("zest_xml_fuzz_" + std::to_string(rd()) + ".xml")).string();
    }();
    return path;
}

bool KnownError(const std::string& text)
{
    static const char* const known[] = {"Illegal Character", "Unexpected End of File", "Unexpected '<'",
                                        "Unexpected '>'",    "Unexpected End",         "Nesting Too Deep"};
    for (const char* k : known)
        if (text == k) return true;
    return text.rfind("End '", 0) == 0 && text.find("' Doesn't Match Start '") != std::string::npos;
}

std::string Describe(const Zest::XMLElement& e)
{
    std::string s = std::to_string(e.mType) + "|" + e.mSection + "|" + e.mValue + "|" + e.mInstruction;
    for (const auto& [name, value] : e.mAttributes) s += "|" + name + "=" + value;
    return s;
}

struct Outcome
{
    std::vector<std::string> elements;
    std::string error;
    int line = 0;
};

// Reads the bytes as a file. The caller's side varies between runs: one element record that the caller also
// changes, or two records used in turn; what is read must not depend on it.
Outcome Read(const uint8_t* data, size_t size, bool meddle)
{
    {
        std::ofstream out(XmlPath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    Zest::XMLParser parser;
    if (!parser.OpenFile(XmlPath())) std::abort();
    Outcome outcome;
    Zest::XMLElement records[2];
    for (size_t n = 0;; ++n)
    {
        Zest::XMLElement& element = records[meddle ? 0 : n % 2];
        if (!parser.ReadNextElement(element)) break;
        if (element.mType < Zest::XMLElement::TypeStartTag || element.mType > Zest::XMLElement::TypeInstruction)
            std::abort();
        outcome.elements.push_back(Describe(element));
        if (meddle && n % 3 == 0) element.mAttributes["zz"] = "added by the caller";
        if (meddle && n % 5 == 1 && !element.mAttributes.empty())
            element.mAttributes.erase(element.mAttributes.begin());
    }
    // Every element consumes at least one byte, except the end tag that closes a self-closing tag.
    if (outcome.elements.size() > 2 * size + 2) std::abort();
    if (parser.HasFailed())
    {
        outcome.error = parser.GetErrorText();
        if (!KnownError(outcome.error) || parser.GetLineNumber() < 1)
        {
            std::fprintf(stderr, "xml_fuzz: unexpected error '%s' at line %d\n", outcome.error.c_str(),
                         parser.GetLineNumber());
            std::abort();
        }
    }
    outcome.line = parser.GetLineNumber();
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Outcome plain = Read(data, size, true);

    // Bytes read one per character must give what the same characters give as UTF-16, which the reader takes
    // one character at a time with none of its block shortcuts.
    const bool marked = size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF) ||
                                      (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF));
    if (marked) return 0;
    std::vector<uint8_t> wide = {0xFF, 0xFE};
    for (size_t i = 0; i < size; ++i)
    {
        wide.push_back(data[i]);
        wide.push_back(0);
    }
    const Outcome twoByte = Read(wide.data(), wide.size(), false);
    if (plain.elements != twoByte.elements || plain.error != twoByte.error || plain.line != twoByte.line)
    {
        std::fprintf(stderr,
                     "xml_fuzz: one-byte and UTF-16 readings differ (%zu / %zu elements, '%s' / '%s', "
                     "lines %d / %d)\n",
                     plain.elements.size(), twoByte.elements.size(), plain.error.c_str(), twoByte.error.c_str(),
                     plain.line, twoByte.line);
        for (size_t i = 0; i < plain.elements.size() && i < twoByte.elements.size(); ++i)
            if (plain.elements[i] != twoByte.elements[i])
            {
                std::fprintf(stderr, "element %zu:\n  %s\n  %s\n", i, plain.elements[i].c_str(),
                             twoByte.elements[i].c_str());
                break;
            }
        std::abort();
    }
    return 0;
}
