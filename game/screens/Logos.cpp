// Reading the logo file.
#include "Logos.h"

#include "base/Common.h"
#include "data/XMLParser.h"

namespace Zest
{

namespace
{

std::string Attr(const XMLElement& e, const char* name)
{
    auto it = e.mAttributes.find(name);
    return it == e.mAttributes.end() ? std::string() : it->second;
}

int32_t Number(const std::string& text)
{
    int value = 0;
    ParseInt(text, value);
    return value;
}

LogoPictureEntry Picture(const XMLElement& e)
{
    LogoPictureEntry p;
    p.image = Attr(e, "name");
    p.x = Number(Attr(e, "left"));
    p.y = Number(Attr(e, "top"));
    p.centred = Attr(e, "center") == "1";
    return p;
}

} // namespace

bool ReadLogoFile(const std::string& fileName, LogoFileData& data)
{
    XMLParser parser;
    if (!parser.OpenFile(fileName)) return false;
    XMLElement e;
    while (parser.ReadNextElement(e))
    {
        if (e.mType != XMLElement::TypeStartTag) continue;
        if (e.mSection == "LogoAppearence/BeforeStartLoading" && e.mValue == "ShowLogo")
        {
            LogoScreenEntry screen;
            screen.time = Number(Attr(e, "time"));
            const std::string colour = Attr(e, "backcolor");
            if (!colour.empty())
            {
                int32_t* parts[3] = {&screen.red, &screen.green, &screen.blue};
                size_t start = 0;
                for (int i = 0; i < 3 && start <= colour.size(); ++i)
                {
                    size_t comma = colour.find(',', start);
                    if (comma == std::string::npos) comma = colour.size();
                    *parts[i] = Number(colour.substr(start, comma - start));
                    start = comma + 1;
                }
            }
            data.screens.push_back(std::move(screen));
        }
        else if (e.mSection == "LogoAppearence/BeforeStartLoading/ShowLogo" && e.mValue == "Image")
        {
            if (!data.screens.empty()) data.screens.back().pictures.push_back(Picture(e));
        }
        else if (e.mSection == "LogoAppearence/OnTitleLoading" && e.mValue == "Image")
        {
            data.loadingImages.push_back(Picture(e));
        }
        else if (e.mSection == "LogoAppearence/OnTitle" && e.mValue == "Image")
        {
            data.titleImages.push_back(Picture(e));
        }
    }
    return true;
}

} // namespace Zest
