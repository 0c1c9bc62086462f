// Fuzz target for the descriptor statement language: statement splitting, tokenising and the argument helpers.
#include "data/DescParser.h"

#include "base/Common.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace
{

// Handles every statement the way a font descriptor's handler would: defines names, then reads each argument
// through every conversion helper.
class FuzzParser : public Zest::DescParser
{
public:
    bool HandleCommand(const Zest::ListDataElement& params) override
    {
        const auto& args = params.mElementVector;
        const auto& word = static_cast<const Zest::SingleDataElement&>(*args[0]).mString;
        if (word == "Define" && args.size() == 3 && !args[1]->mIsList)
        {
            const auto& name = static_cast<const Zest::SingleDataElement&>(*args[1]).mString;
            mDefineMap[Zest::StringToUpper(name)] = args[2]->Duplicate();
            return true;
        }
        for (size_t i = 1; i < args.size(); ++i)
        {
            std::string text;
            std::vector<int> ints;
            std::vector<double> doubles;
            Zest::ListDataElement list;
            DataToString(args[i].get(), &text);
            DataToIntVector(args[i].get(), &ints);
            DataToDoubleVector(args[i].get(), &doubles);
            DataToList(args[i].get(), &list);
            (void)DataElementToString(&list);
            (void)Unquote(text);
        }
        return word != "Stop";
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzParser parser;
    // Most inputs are refused: reading them without a fault is what is fuzzed.
    [[maybe_unused]] const bool read =
        parser.LoadDescriptorText(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
