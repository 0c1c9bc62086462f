// Counts the records of the upgrade tables and the dish types as the play model's loaders read them.
#include "ShopData.h"

#include "data/XMLParser.h"

namespace Zest
{

std::vector<std::string> CheckShopData(const std::string& levelFolder)
{
    std::vector<std::string> problems;
    // The loaders' rules: a Device starts a device, a Param the next table of it, each Upgrade is one record.
    static const int kParamsPerDevice[4] = {1, 2, 2, 2};
    std::vector<int> counts;
    int device = 0, param = 0;
    bool paramsFit = true;
    XMLParser upgrades;
    if (!upgrades.OpenFile(levelFolder + "Upgrades.xml"))
    {
        problems.push_back("Upgrades.xml cannot be read");
    }
    else
    {
        XMLElement e;
        while (upgrades.ReadNextElement(e))
        {
            if (e.mType != XMLElement::TypeStartTag) continue;
            if (e.mValue == "Device")
            {
                ++device;
                param = 0;
            }
            else if (e.mValue == "Param")
            {
                ++param;
                if (device < 1 || device > 4 || param > kParamsPerDevice[device - 1])
                {
                    paramsFit = false;
                    continue;
                }
                counts.push_back(0);
            }
            else if (e.mValue == "Upgrade" && !counts.empty())
            {
                ++counts.back();
            }
        }
        if (!paramsFit || counts.size() != kUpgradeRecordCounts.size())
            problems.push_back("Upgrades.xml: " + std::to_string(counts.size()) +
                               " tables where the shop needs 7 in four devices (1, 2, 2 and 2)");
        for (size_t t = 0; t < counts.size() && t < kUpgradeRecordCounts.size(); ++t)
            if (counts[t] != kUpgradeRecordCounts[t])
                problems.push_back("Upgrades.xml: table " + std::to_string(t + 1) + " holds " +
                                   std::to_string(counts[t]) + " records, the shop needs " +
                                   std::to_string(kUpgradeRecordCounts[t]));
    }
    XMLParser dishes;
    if (!dishes.OpenFile(levelFolder + "Dishes.xml"))
    {
        problems.push_back("Dishes.xml cannot be read");
        return problems;
    }
    int types = 0;
    XMLElement e;
    while (dishes.ReadNextElement(e))
        if (e.mType == XMLElement::TypeStartTag && e.mValue == "Type") ++types;
    if (types < kMinDishTypes)
        problems.push_back("Dishes.xml: " + std::to_string(types) + " dish types, the shop needs " +
                           std::to_string(kMinDishTypes));
    return problems;
}

} // namespace Zest
