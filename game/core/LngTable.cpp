// Reads the current language's texts from the language file, in file order.
#include "LngTable.h"

#include "data/XMLParser.h"

#include <cstdio>

namespace Zest
{

LngTable::LngTable()
{
    Load("properties/lng.xml");
}

LngTable::LngTable(bool loadDefault)
{
    if (loadDefault) Load("properties/lng.xml");
}

void LngTable::Load(const std::string& fileName)
{
    XMLParser parser;
    if (!parser.OpenFile(fileName))
    {
        std::fprintf(stderr, "Language file %s could not be opened\n", fileName.c_str());
        return;
    }
    XMLElement element;
    bool pending = false; // element already holds the next element to look at
    while (pending || parser.ReadNextElement(element))
    {
        pending = false;
        if (element.mType != XMLElement::TypeStartTag) continue;
        if (element.mValue == "Language")
        {
            auto it = element.mAttributes.find("Current");
            current = it == element.mAttributes.end() ? std::string() : it->second;
        }
        else if (element.mValue == "String" && element.mSection == "Language")
        {
            auto it = element.mAttributes.find("LNG");
            const std::string lng = it == element.mAttributes.end() ? std::string() : it->second;
            if (lng != current) continue;
            // A String tag that is the file's last element has no text to give: nothing is appended.
            if (!parser.ReadNextElement(element)) break;
            if (element.mType == XMLElement::TypeText)
            {
                strings.push_back(element.mValue);
            }
            else
            {
                // An empty entry still takes its number; what follows it (maybe the next entry) is read as usual,
                // so later numbers do not shift.
                strings.emplace_back();
                pending = true;
            }
        }
    }
}

const std::string& LngTable::Get(int n) const
{
    if (n >= 0 && static_cast<size_t>(n) < strings.size()) return strings[static_cast<size_t>(n)];
    if (mReportedMissing.insert(n).second) std::fprintf(stderr, "Language text %d is missing\n", n);
    static const std::string empty;
    return empty;
}

std::string MoneyText(const std::string& sign, long long amount)
{
    if (amount < 0) return "-" + sign + std::to_string(-static_cast<unsigned long long>(amount));
    return sign + std::to_string(amount);
}

} // namespace Zest
