// Reads the current language's texts from the language file, in file order.
#include "LngTable.h"

#include "data/XMLParser.h"

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
    if (!parser.OpenFile(fileName)) return;
    XMLElement element;
    while (parser.ReadNextElement(element))
    {
        if (element.mType != XMLElement::TypeStartTag) continue;
        if (element.mValue == "Language")
        {
            auto it = element.mAttributes.find("Current");
            current = it == element.mAttributes.end() ? std::string() : it->second;
        }
        else if (element.mValue == "String" && element.mSection == "Language")
        {
            auto it = element.mAttributes.find("LNG");
            if (it == element.mAttributes.end() || it->second != current) continue;
            XMLElement text;
            if (!parser.ReadNextElement(text)) break;
            strings.push_back(text.mValue);
        }
    }
}

} // namespace Zest
